// The file system over one archive (".sfs"), and its locking variant for the resource loader's
// threads.
#pragma once

#include "io/UGFileSystem.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class TSingleFileSystem;

class TGSingleFileSystem : public TGFileSystem {
  G_CLASS(TGSingleFileSystem, TGFileSystem)
  // Opens the archive FileName with an open mode: fmCreate makes a new one, fmOpenRead opens it
  // read-only, fmOpenReadWrite (with a sharing part) for writing. A new archive gets 4096-byte
  // pages, 8 to an extent, or 1024-byte pages, 4 to an extent, in CompactMode.
  TGSingleFileSystem(TGObject* AOwner, const std::string& FileName, uint16_t Mode,
                     bool CompactMode = false);

  TSingleFileSystem* SFS() const { return FSFS.get(); }
  // The path inside the archive: a relative path gets a leading '\'.
  static std::string AdjustPath(const std::string& Path);

  std::string Location() const override { return FFileName; }
  int SetFileAttributes(const std::string& Path, int32_t Attributes) override;
  int FindFirst(const std::string& Path, int32_t Attr, TGSearchRec& F) override;
  int FindNext(TGSearchRec& F) override;
  void FindClose(TGSearchRec& F) override;
  int32_t FileAge(const std::string& Path) override;
  bool FileExists(const std::string& Path) override;
  bool DirectoryExists(const std::string& Path) override;
  bool DeleteFile(const std::string& Path) override;
  bool RemoveDirectory(const std::string& Path) override;
  // True only when at least one file was deleted with the folder.
  bool DeleteFolder(const std::string& Path) override;
  bool ForceDirectories(const std::string& Path) override;
  // A stream on the stored file (TSFSFileStream); raises the archive's error when it fails.
  std::unique_ptr<TGStream> CreateStream(const std::string& Path, uint16_t Mode) override;
  bool FileSetDate(const std::string& Path, int32_t Age) override;

protected:
  // Closes the archive, which writes what is pending.
  void Destroy() override;
  ~TGSingleFileSystem() override;

private:
  std::string FFileName;
  std::unique_ptr<TSingleFileSystem> FSFS;
};

// The archive file system shared by the resource loader's threads: one lock serialises every
// operation. Streams are copies of the whole entry in memory, so no archive stream is ever held
// across threads, and writing to one does not change the archive.
class TGLockedSingleFileSystem : public TGSingleFileSystem {
  G_CLASS(TGLockedSingleFileSystem, TGSingleFileSystem)
  TGLockedSingleFileSystem(TGObject* AOwner, const std::string& FileName, uint16_t Mode,
                           bool CompactMode = false)
      : TGSingleFileSystem(AOwner, FileName, Mode, CompactMode) {}

  int SetFileAttributes(const std::string& Path, int32_t Attributes) override;
  int FindFirst(const std::string& Path, int32_t Attr, TGSearchRec& F) override;
  int FindNext(TGSearchRec& F) override;
  void FindClose(TGSearchRec& F) override;
  int32_t FileAge(const std::string& Path) override;
  bool FileExists(const std::string& Path) override;
  bool DirectoryExists(const std::string& Path) override;
  bool DeleteFile(const std::string& Path) override;
  bool RemoveDirectory(const std::string& Path) override;
  bool DeleteFolder(const std::string& Path) override;
  bool ForceDirectories(const std::string& Path) override;
  // A TGMemoryStream holding the whole entry, positioned at 0.
  std::unique_ptr<TGStream> CreateStream(const std::string& Path, uint16_t Mode) override;
  bool FileSetDate(const std::string& Path, int32_t Age) override;

private:
  std::mutex FCriticalSection;
};
