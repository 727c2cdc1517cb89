// A profile's files on the disk: the archive ("ProfileNN.plr") and beside it the checksum
// (".csm": the CRC-32 of the whole archive, 4 bytes little-endian).
//
// The archive is never changed in place. A new version is written whole to a temporary name,
// flushed, its checksum written to a temporary name and flushed, then the archive and the
// checksum are renamed into place and the folder flushed. A crash, a kill or a full disk at any
// moment therefore leaves the old version or the new one with a checksum that matches it: a
// complete temporary checksum that matches the archive is adopted when the profiles are found.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TGSingleFileSystem;

// An open archive, closed (and so freed) with its owner.
struct TArchiveCloser {
  void operator()(TGSingleFileSystem* FS) const;
};
using TProfileArchive = std::unique_ptr<TGSingleFileSystem, TArchiveCloser>;

class TProfileFiles {
public:
  explicit TProfileFiles(std::string APlrFileName);

  const std::string& FileName() const { return FPlrFileName; }
  std::string ChecksumFileName() const { return ChecksumFileNameOf(FPlrFileName); }
  static std::string ChecksumFileNameOf(const std::string& PlrFileName);
  // The names a save writes before it renames them into place: the process's number in them,
  // so that two copies of the program never write into one temporary file.
  static std::string TemporaryName(const std::string& FileName);

  bool Exists() const;
  // The archive does not match its checksum (or either file is missing or short).
  bool Corrupted() const;

  // The current archive, opened read-only (reading never changes the file); none when there
  // is no archive yet.
  TProfileArchive OpenForReading() const;
  // Writes the new version: the entries of the old archive that Keep accepts, then Entries
  // (path inside the archive, bytes), which replace entries of the same path. Raises, with the
  // old version untouched, when anything fails.
  using TEntries = std::vector<std::pair<std::string, std::string>>;
  void Write(const TEntries& Entries, const std::function<bool(const std::string& Path)>& Keep);
  // Rewrites the checksum of the archive as it is (durably).
  void UpdateChecksum();
  // Deletes the archive and its checksum (missing files are no error).
  void Delete();

  // Before the profiles are tested: adopts a complete temporary checksum that matches an
  // archive whose own checksum does not, then removes every temporary file of the folder.
  static void RecoverFolder(const std::string& Folder);

private:
  std::string FPlrFileName;
};

// The CRC-32 the checksum file of the archive holds; false when it cannot be read.
bool ReadStoredChecksum(const std::string& CsmFileName, uint32_t& Crc);
