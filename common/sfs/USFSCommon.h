// Constants, on-disk records and checksums shared by the layers of the single-file archive.
//
// Every number on disk is little-endian; the records below are decoded from and encoded to byte
// buffers field by field, so the in-memory layout never leaks into the file.
#pragma once

#include "io/UGFileSystem.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

// Signatures and versions.
inline constexpr char SingleFileSystemSignature[] = "AASFSSGN";
inline constexpr int SignatureSize = 8;
inline constexpr float SFSCurrentVersion = 2.6f;
inline constexpr float FormatVersion = 1.0f;
inline constexpr char HFSignature[] = "AAMVHFSS";
inline constexpr int HFSignatureSize = 8;
inline constexpr char SFSStreamSignature[] = "AACS";
inline constexpr float SFSCompressCurrentVersion = 2.0f;

// Geometry.
inline constexpr int DEFAULT_PAGE_SIZE = 4096;
inline constexpr int DEFAULT_EXTENT_PAGE_COUNT = 8;
inline constexpr int MIN_PAGE_SIZE = 544;
// Largest page size accepted when opening an archive; anything above is taken as damage.
inline constexpr int MAX_PAGE_SIZE = 1 << 20;
inline constexpr int UNIFORM_MIN_PAGE_COUNT = 8;
inline constexpr int SingleFileHeaderSize = 256;
inline constexpr int PageHeaderSize = 32;
inline constexpr int DirElementSize = 512;
inline constexpr int SFSFileStreamHeaderSize = 128;
inline constexpr int SFSCompressedHeaderSize = 16;
inline constexpr int HFPHeaderSize = 280;
inline constexpr int HFPNextFileNameSize = 261;
inline constexpr int PasswordHeaderSize = 172;
inline constexpr int MaxFileNameLength = 259;
inline constexpr int FileNameFieldSize = 260;
// Smallest data part of a part file.
inline constexpr int64_t MinPartDataSize = 100;

inline constexpr int32_t rootID = -1;
inline constexpr int32_t NoPage = -1;
inline constexpr int DefaultMaxBlockSize = 1048576;
inline constexpr int DefaultCopyBlockSize = 102400;
// Largest block size of a compressed stream accepted when reading.
inline constexpr uint32_t MaxStreamBlockSize = 16u << 20;

enum TSFSCompressionLevel : uint8_t {
  sfsNone = 0,
  zlibFastest = 1,
  zlibNormal = 2,
  ppmNormal = 3,
  ppmMax = 4,
  zlibMax = 5,
  ppmFastest = 6,
  bzipFastest = 7,
  bzipNormal = 8,
  bzipMax = 9,
};
inline constexpr int DefaultCompressionLevel = zlibFastest;

enum TSFSEncMethod : uint8_t { encNone = 0, encRijndael = 1 };

enum TSFSPageType : uint8_t {
  DIRPage = 1,
  GAMPage = 2,
  SGAMPage = 3,
  PFSPage = 4,
  UFPMPage = 5,
  UFPage = 6,
};

enum TSFSCrcType : uint8_t { crcFast = 0, crcFull = 1 };
inline constexpr int CRC32_checksum = 1;
inline constexpr int Default_Crc_Method = CRC32_checksum;

enum TSFSOverwriteMode { omAlways = 0, omNever = 1, omPrompt = 2 };

// Result codes of handle operations (FLastError).
enum : int32_t {
  erOk = 0,
  erInvalidPath = -2,
  erInvalidCurrentDir = -3,
  erInvalidSearchRec = -4,
  erFileNotFound = -5,
  erInvalidHandle = -6,
  erReadPageHeaderError = -7,
  erWritePageHeaderError = -8,
  erReadPageError = -9,
  erWritePageError = -10,
  erCRCError = -11,
  erDecodeError = -12,
  erEncodeError = -13,
  erNoMemory = -14,
  erRenameFileError = -15,
  erFileNotDeleted = -16,
  erDiskFull = -17,
  erInvalidUFMap = -18,
  erReadPageFailed = -19,
};

// Attribute bits of directory entries are those of the file-system interface (faReadOnly,
// faHidden, faSysFile, faDirectory, faArchive, faAnyFile).

// Little-endian access to byte buffers.
inline uint32_t GetU32(const uint8_t* P) {
  return uint32_t(P[0]) | uint32_t(P[1]) << 8 | uint32_t(P[2]) << 16 | uint32_t(P[3]) << 24;
}
inline int32_t GetI32(const uint8_t* P) {
  return static_cast<int32_t>(GetU32(P));
}
inline int64_t GetI64(const uint8_t* P) {
  return static_cast<int64_t>(uint64_t(GetU32(P)) | uint64_t(GetU32(P + 4)) << 32);
}
inline float GetF32(const uint8_t* P) {
  uint32_t U = GetU32(P);
  float F;
  std::memcpy(&F, &U, 4);
  return F;
}
inline void PutU32(uint8_t* P, uint32_t V) {
  P[0] = uint8_t(V);
  P[1] = uint8_t(V >> 8);
  P[2] = uint8_t(V >> 16);
  P[3] = uint8_t(V >> 24);
}
inline void PutI32(uint8_t* P, int32_t V) {
  PutU32(P, static_cast<uint32_t>(V));
}
inline void PutI64(uint8_t* P, int64_t V) {
  PutU32(P, uint32_t(uint64_t(V)));
  PutU32(P + 4, uint32_t(uint64_t(V) >> 32));
}
inline void PutF32(uint8_t* P, float F) {
  uint32_t U;
  std::memcpy(&U, &F, 4);
  PutU32(P, U);
}

// Checksums: type 0 is the XOR of the complete 32-bit words, type 1 CRC-16/ARC in the low 16
// bits; other types are not checked.
uint32_t CountCRC(const uint8_t* Data, size_t Size, int CrcType);
// True when Crc matches Data for CrcType (always true for unchecked types).
bool CheckCRC(const uint8_t* Data, size_t Size, int CrcType, uint32_t Crc);
// Copies Size bytes from Src to Dst and returns CountCRC of them, in one pass over the data
// where the checksum allows it.
uint32_t CopyAndCountCRC(uint8_t* Dst, const uint8_t* Src, size_t Size, int CrcType);
// The stored form of a page checksum as CheckCRC compares it.
bool SameCRC(uint32_t Counted, int CrcType, uint32_t Crc);
uint16_t CRC16ARC(const uint8_t* Data, size_t Size, uint16_t Crc = 0);

// The 256-byte archive header at the start of page 0.
struct TSingleFileHeader {
  uint32_t CRC = 0;
  float Version = SFSCurrentVersion;
  int32_t PageSize = DEFAULT_PAGE_SIZE;
  int32_t ExtentPageCount = DEFAULT_EXTENT_PAGE_COUNT;
  int32_t HDRPageCount = 1;
  int32_t GAMPageCount = 0;
  int32_t PFSPageCount = 0;
  int32_t DIRPageCount = 0;
  int32_t DIRFirstPageNo = 0;
  int32_t DIRElementsCount = 0;
  int32_t TOTALPageCount = 1;
  std::array<uint8_t, PasswordHeaderSize> PasswordHeader{};
  uint8_t EncMethod = encNone;
  uint8_t CompressionLevel = sfsNone;

  // Encodes with a fresh checksum.
  void Save(uint8_t* Out);
  // Decodes; false when the signature or the checksum does not match.
  bool Load(const uint8_t* In);
};

// The 32-byte header of every page but page 0.
struct TPageHeader {
  int32_t NextPageNo = NoPage;
  uint32_t CRC = 0;
  uint8_t PageType = 0;
  uint8_t EncType = 0;
  uint8_t CrcType = crcFast;

  // Offsets of the fields in the stored form.
  static constexpr size_t CRCOffset = 4;
  static constexpr size_t PageTypeOffset = 8;
  static constexpr size_t EncTypeOffset = 9;
  static constexpr size_t CrcTypeOffset = 10;

  void Save(uint8_t* Out) const;
  void Load(const uint8_t* In);
};

// A 512-byte directory entry.
struct TDirectoryElement {
  int32_t FirstMapPageNo = NoPage;
  int64_t FileSize = 0;
  int64_t CreationTime = 0;
  int64_t LastModifiedTime = 0;
  int64_t LastAccessTime = 0;
  uint32_t Attributes = 0;
  int32_t ParentID = rootID;
  uint32_t FileCRC = 0;
  std::array<uint8_t, PasswordHeaderSize> PasswordHeader{};
  uint8_t IsFolder = 0;
  uint8_t IsDeleted = 0;
  uint8_t EncMethod = encNone;
  std::string FileName;

  void Save(uint8_t* Out) const;
  // Decodes; false when the name has no terminating zero.
  bool Load(const uint8_t* In);
};

// Windows file time (100 ns units since 1601-01-01 UTC) of now, and conversions to and from Unix
// seconds.
int64_t NowFileTime();
int64_t UnixToFileTime(int64_t Seconds);
int64_t FileTimeToUnix(int64_t FileTime);
// The packed DOS date-time (date in the high word) of a file time, in local time.
int32_t FileTimeToDosDateTime(int64_t FileTime);
int64_t DosDateTimeToFileTime(int32_t DosTime);

// ASCII-only upper case of a name, as names are compared.
std::string SFSUpperName(const std::string& Name);
// Pattern match of names: '*' and '?' wildcards, "*.*" matches everything.
bool IsStrMatchPattern(const std::string& Name, const std::string& Pattern, bool IgnoreCase);
