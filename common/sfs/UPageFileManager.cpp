#include "UPageFileManager.h"

#include "UGError.h"
#include "UGFileUtils.h"
#include "UGStream.h"

TPageFileManager::TPageFileManager(const std::string& FileName, int PageSize, int ExtentPageCount,
                                   int64_t PartFileSize, bool InMemory, const std::string& Password,
                                   const std::string& Question, const std::string& Answer)
    : FFileName(FileName) {
  if (PageSize < MIN_PAGE_SIZE) {
    throw Error("TPageFileManager.Create - page size should be >= %d bytes .", MIN_PAGE_SIZE);
  }
  if (PageSize > MAX_PAGE_SIZE) {
    throw Error("TPageFileManager.Create - page size should be <= %d bytes .", MAX_PAGE_SIZE);
  }
  if (ExtentPageCount < 1) {
    throw Error("TPageFileManager.Create - extent page count should be >= 1 Page.");
  }
  if (ExtentPageCount > 8 * (PageSize - PageHeaderSize)) {
    throw Error("TPageFileManager.Create - extent page count should be <= %d Pages.",
                8 * (PageSize - PageHeaderSize));
  }
  if (InMemory) {
    FFile.CreateInMemory(FileName);
  } else {
    FFile.Create(FileName, PartFileSize);
  }
  FHeader = TSingleFileHeader();
  FHeader.PageSize = PageSize;
  FHeader.ExtentPageCount = ExtentPageCount;
  FHeader.DIRFirstPageNo = 0;
  if (!Password.empty()) {
    FArchiveCipher = std::make_unique<TSFSCipher>(
        CreatePasswordHeader(FHeader.PasswordHeader, Password, Question, Answer));
    FHeader.EncMethod = encRijndael;
  }
  SaveSFHeader();
  // Page 0 is a whole page.
  if (FFile.Size() < PageSize) {
    FFile.SetSize(PageSize);
  }
}

TPageFileManager::TPageFileManager(const std::string& FileName, uint16_t Mode, bool InMemory,
                                   const std::string* Image, const std::string& Password)
    : FFileName(FileName) {
  FReadOnly = (Mode & 0x0003) == fmOpenRead;
  if (Image != nullptr) {
    FFile.OpenImage(FileName, *Image);
  } else if (InMemory) {
    if (!FileExists(FileName)) {
      throw Error("File '%s' not found", FileName);
    }
    FFile.OpenImage(FileName, ReadFile(FileName));
  } else {
    FFile.Open(FileName, Mode);
  }
  uint8_t Buf[SingleFileHeaderSize];
  if (FFile.Read(0, Buf, SingleFileHeaderSize) != SingleFileHeaderSize || !FHeader.Load(Buf)) {
    throw Error("TSingleFileSystem.LoadHeader - Invalid SFS file, header is corrupted.");
  }
  CheckHeader();
  if (FHeader.EncMethod == encRijndael) {
    std::string Key;
    if (!CheckPassword(FHeader.PasswordHeader, Password, Key)) {
      throw Error("TSingleFileSystem.Create - invalid password specified, file name = \"%s\"",
                  FileName);
    }
    FArchiveCipher = std::make_unique<TSFSCipher>(Key);
  }
}

TPageFileManager::~TPageFileManager() = default;

const TSFSCipher* TPageFileManager::CipherFor(const std::string& FileKey) {
  if (FileKey.empty()) {
    return FArchiveCipher.get();
  }
  if (!FFileCipher || FFileCipher->KeyText() != FileKey) {
    FFileCipher = std::make_unique<TSFSCipher>(FileKey);
  }
  return FFileCipher.get();
}

void TPageFileManager::Corrupted(const std::string& Reason) const {
  throw Error("Invalid SFS file \"%s\": %s.", FFileName, Reason);
}

void TPageFileManager::CheckHeader() {
  const TSingleFileHeader& H = FHeader;
  if (H.PageSize < MIN_PAGE_SIZE || H.PageSize > MAX_PAGE_SIZE) {
    Corrupted(Format("page size %d is out of range", {H.PageSize}));
  }
  const int D = H.PageSize - PageHeaderSize;
  if (H.ExtentPageCount < 1 || H.ExtentPageCount > 8 * D) {
    Corrupted(Format("extent page count %d is out of range", {H.ExtentPageCount}));
  }
  if (H.HDRPageCount != 1) {
    Corrupted(Format("header page count %d is not 1", {H.HDRPageCount}));
  }
  if (H.TOTALPageCount < 1 || H.GAMPageCount < 0 || H.PFSPageCount < 0 || H.DIRPageCount < 0 ||
      H.DIRElementsCount < 0) {
    Corrupted("negative page or entry count");
  }
  if (H.GAMPageCount > H.TOTALPageCount || H.PFSPageCount > H.TOTALPageCount ||
      H.DIRPageCount > H.TOTALPageCount) {
    Corrupted("page counts exceed the total page count");
  }
  const int64_t PerPage = D / DirElementSize;
  if (int64_t(H.DIRElementsCount) > int64_t(H.DIRPageCount) * PerPage) {
    Corrupted(Format("%d directory entries do not fit into %d directory pages",
                     {H.DIRElementsCount, H.DIRPageCount}));
  }
  if (H.DIRPageCount > 0 && (H.DIRFirstPageNo < 1 || H.DIRFirstPageNo >= H.TOTALPageCount)) {
    Corrupted(Format("first directory page %d is out of range", {H.DIRFirstPageNo}));
  }
  if (H.EncMethod > encRijndael) {
    Corrupted(Format("unknown encryption method %d", {int(H.EncMethod)}));
  }
}

void TPageFileManager::SaveSFHeader() {
  if (FReadOnly) {
    return;
  }
  uint8_t Buf[SingleFileHeaderSize];
  FHeader.Save(Buf);
  FFile.WriteBuffer(0, Buf, SingleFileHeaderSize);
}

int32_t TPageFileManager::ReadPage(int32_t PageNo, uint8_t ExpectedType, TPageHeader& H,
                                   uint8_t* Data, int Size, const std::string& FileKey) {
  FLastError = erOk;
  if (PageNo < FHeader.HDRPageCount || PageNo >= FHeader.TOTALPageCount || Size < 0 ||
      Size > DataSize()) {
    return FLastError = erReadPageHeaderError;
  }
  const int64_t Pos = int64_t(PageNo) * FHeader.PageSize;
  FBuffer.resize(size_t(PageHeaderSize) + size_t(Size));
  const int64_t Got = FFile.Read(Pos, FBuffer.data(), int64_t(FBuffer.size()));
  if (Got < PageHeaderSize) {
    return FLastError = erReadPageHeaderError;
  }
  H.Load(FBuffer.data());
  if (ExpectedType != 0 && H.PageType != ExpectedType) {
    return FLastError = erReadPageHeaderError;
  }
  if (Got != int64_t(FBuffer.size())) {
    return FLastError = erReadPageError;
  }
  if (Size > 0) {
    std::memcpy(Data, FBuffer.data() + PageHeaderSize, size_t(Size));
  }
  if (!CheckCRC(Data, size_t(Size), H.CrcType, H.CRC)) {
    return FLastError = erCRCError;
  }
  if (H.EncType == encRijndael) {
    const TSFSCipher* Cipher = CipherFor(FileKey);
    if (Cipher == nullptr) {
      return FLastError = erDecodeError;
    }
    Cipher->Decrypt(Data, size_t(Size));
  } else if (H.EncType != encNone) {
    return FLastError = erDecodeError;
  }
  return erOk;
}

int32_t TPageFileManager::WritePage(int32_t PageNo, TPageHeader& H, const uint8_t* Data, int Size,
                                    const std::string& FileKey) {
  FLastError = erOk;
  if (FReadOnly || PageNo < FHeader.HDRPageCount || Size < 0 || Size > DataSize()) {
    return FLastError = erWritePageHeaderError;
  }
  const TSFSCipher* Cipher = nullptr;
  if (H.EncType == encRijndael) {
    Cipher = CipherFor(FileKey);
    if (Cipher == nullptr) {
      return FLastError = erEncodeError;
    }
  } else if (H.EncType != encNone) {
    throw Error("TPageFileManager.EncodeBuffer - Unknown encryption type");
  }
  FBuffer.resize(size_t(PageHeaderSize) + size_t(Size));
  uint8_t* Out = FBuffer.data() + PageHeaderSize;
  if (Size > 0) {
    std::memcpy(Out, Data, size_t(Size));
  }
  if (Cipher != nullptr) {
    Cipher->Encrypt(Out, size_t(Size));
  }
  H.CrcType = crcFast;
  H.CRC = CountCRC(Out, size_t(Size), crcFast);
  H.Save(FBuffer.data());
  try {
    FFile.WriteBuffer(int64_t(PageNo) * FHeader.PageSize, FBuffer.data(), int64_t(FBuffer.size()));
  } catch (const EGException&) {
    return FLastError = erWritePageError;
  }
  return erOk;
}

bool TPageFileManager::AppendPages(int32_t Count) {
  if (FReadOnly || Count <= 0 || int64_t(FHeader.TOTALPageCount) + Count > INT32_MAX) {
    return false;
  }
  const int64_t NewSize = (int64_t(FHeader.TOTALPageCount) + Count) * FHeader.PageSize;
  try {
    FFile.SetSize(NewSize);
  } catch (const EGException&) {
    return false;
  }
  if (FFile.Size() != NewSize) {
    return false;
  }
  FHeader.TOTALPageCount += Count;
  SaveSFHeader();
  return true;
}

void TPageFileManager::CutTo(int32_t PageCount) {
  if (FReadOnly) {
    return;
  }
  FFile.SetSize(std::max<int64_t>(int64_t(PageCount) * FHeader.PageSize, FHeader.PageSize));
}
