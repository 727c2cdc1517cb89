// The page file: the logical space cut into pages; page 0 holds the archive header, every other
// page a 32-byte page header and its data.
#pragma once

#include "sfs/USFSCipher.h"
#include "sfs/USFSCommon.h"
#include "sfs/USFSHugeFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TPageFileManager {
public:
  // Creates a new archive file (or an in-memory one) with a fresh header.
  // A password makes an encrypted archive.
  TPageFileManager(const std::string& FileName, int PageSize, int ExtentPageCount,
                   int64_t PartFileSize, bool InMemory, const std::string& Password = "",
                   const std::string& Question = "", const std::string& Answer = "");
  // Opens an existing archive (from disk, or from Image when given) and checks its header; an
  // encrypted archive needs its password.
  TPageFileManager(const std::string& FileName, uint16_t Mode, bool InMemory,
                   const std::string* Image = nullptr, const std::string& Password = "");
  ~TPageFileManager();

  TSingleFileHeader& Header() { return FHeader; }
  const std::string& FileName() const { return FFileName; }
  bool ReadOnly() const { return FReadOnly; }
  int PageSize() const { return FHeader.PageSize; }
  int DataSize() const { return FHeader.PageSize - PageHeaderSize; }
  int32_t TotalPageCount() const { return FHeader.TOTALPageCount; }
  int32_t LastError() const { return FLastError; }
  TSFSHugeFile& File() { return FFile; }

  // Rewrites the archive header (nothing when read-only).
  void SaveSFHeader();
  // Reads page PageNo: header into H, then Size data bytes into Data; checks the page type
  // (when ExpectedType is not 0) and the checksum, then decrypts with FileKey (a file's own key
  // text) or the archive key. Returns erOk or a code.
  int32_t ReadPage(int32_t PageNo, uint8_t ExpectedType, TPageHeader& H, uint8_t* Data, int Size,
                   const std::string& FileKey = "");
  // Reads Count whole data pages (type UFPage) into Out, DataSize() bytes each, with the checks
  // of ReadPage; runs of consecutive page numbers are read with one call straight into Out.
  // Returns erOk, or the code of the first bad page with Good set to the pages before it (the
  // bytes of Out from there on are undefined).
  int32_t ReadDataPages(const int32_t* Pages, size_t Count, uint8_t* Out,
                        const std::string& FileKey, size_t& Good);
  // Writes page PageNo with H's next page, type and encryption; fills in the checksum.
  // Returns a code.
  int32_t WritePage(int32_t PageNo, TPageHeader& H, const uint8_t* Data, int Size,
                    const std::string& FileKey = "");
  // Writes Count whole data pages (type UFPage, encryption EncType) from In, DataSize() bytes
  // each, to the pages listed; runs of consecutive page numbers go out with one call. Returns
  // erOk or the code of the failure.
  int32_t WriteDataPages(const int32_t* Pages, size_t Count, const uint8_t* In, uint8_t EncType,
                         const std::string& FileKey);
  // The encryption type of directory and data pages.
  uint8_t EncMethod() const { return FHeader.EncMethod; }
  // Grows the file by Count pages; false when the file did not grow.
  bool AppendPages(int32_t Count);
  // Cuts the logical file to PageCount pages (TOTALPageCount stays).
  void CutTo(int32_t PageCount);
  // Raises the archive's "Invalid SFS file" error with a reason.
  [[noreturn]] void Corrupted(const std::string& Reason) const;

private:
  void CheckHeader();
  // ReadPage at logical position Pos by positioned reads, never through the mapping.
  int32_t ReadPageUnmapped(int64_t Pos, uint8_t ExpectedType, TPageHeader& H, uint8_t* Data,
                           int Size, const std::string& FileKey);
  const TSFSCipher* CipherFor(const std::string& FileKey);
  // Checks the checksum of Size data bytes read with header H, then decrypts them in place.
  // Checks Data against H's checksum (Counted: the checksum already taken while copying) and
  // deciphers it.
  int32_t CheckAndDecode(const TPageHeader& H, uint8_t* Data, int Size, const std::string& FileKey,
                         const uint32_t* Counted = nullptr);
  // Copies the first Size data bytes of each of the Run pages at Pos from the archive's mapping
  // into Out (Size bytes apart), their headers into FRunHeaders and the checksums of the copied
  // bytes into FRunChecksums; false when the archive is not mapped there or a page could not be
  // read.
  bool CopyMappedRun(int64_t Pos, size_t Run, size_t Size, uint8_t* Out);

  TSFSHugeFile FFile;
  TSingleFileHeader FHeader;
  std::string FFileName;
  bool FReadOnly = false;
  int32_t FLastError = erOk;
  std::vector<uint8_t> FBuffer;
  std::vector<uint8_t> FRunHeaders;
  std::vector<uint8_t> FRunData;
  std::vector<iovec> FRunPieces;
  std::vector<uint32_t> FRunChecksums;
  std::unique_ptr<TSFSCipher> FArchiveCipher;
  std::unique_ptr<TSFSCipher> FFileCipher;
};
