#include "sfs/UPageFileManager.h"

#include "base/UGError.h"
#include "io/UGFileUtils.h"
#include "io/UGStream.h"
#include "sfs/UMappedRegion.h"

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

bool TPageFileManager::CopyMappedRun(int64_t Pos, size_t Run, size_t Size, uint8_t* Out) {
  const int64_t P = FHeader.PageSize;
  const uint8_t* Src = FFile.Mapped(Pos, int64_t(Run - 1) * P + PageHeaderSize + int64_t(Size));
  if (Src == nullptr) {
    return false;
  }
  FRunHeaders.resize(Run * PageHeaderSize);
  FRunChecksums.resize(Run);
  uint8_t* Headers = FRunHeaders.data();
  uint32_t* Checksums = FRunChecksums.data();
  // Headers first: the checksum's kind is in each page's header.
  auto Copy = [&] {
    for (size_t K = 0; K < Run; ++K) {
      const uint8_t* Page = Src + K * size_t(P);
      uint8_t* Header = Headers + K * PageHeaderSize;
      std::memcpy(Header, Page, PageHeaderSize);
      Checksums[K] = CopyAndCountCRC(Out + K * Size, Page + PageHeaderSize, Size,
                                     Header[TPageHeader::CrcTypeOffset]);
    }
  };
  // A page the system cannot bring in (the file shrank, the disk failed): read the run again
  // the ordinary way, which reports the error.
  return RunGuardedAgainstBusErrors(Copy);
}

int32_t TPageFileManager::CheckAndDecode(const TPageHeader& H, uint8_t* Data, int Size,
                                         const std::string& FileKey, const uint32_t* Counted) {
  if (Counted ? !SameCRC(*Counted, H.CrcType, H.CRC)
              : !CheckCRC(Data, size_t(Size), H.CrcType, H.CRC)) {
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

int32_t TPageFileManager::ReadPage(int32_t PageNo, uint8_t ExpectedType, TPageHeader& H,
                                   uint8_t* Data, int Size, const std::string& FileKey) {
  FLastError = erOk;
  if (PageNo < FHeader.HDRPageCount || PageNo >= FHeader.TOTALPageCount || Size < 0 ||
      Size > DataSize()) {
    return FLastError = erReadPageHeaderError;
  }
  const int64_t Pos = int64_t(PageNo) * FHeader.PageSize;
  if (CopyMappedRun(Pos, 1, size_t(Size), Data)) {
    H.Load(FRunHeaders.data());
    if ((ExpectedType == 0 || H.PageType == ExpectedType) &&
        CheckAndDecode(H, Data, Size, FileKey, &FRunChecksums[0]) == erOk) {
      return erOk;
    }
    // A page that fails through the mapping is read again the ordinary way, which tells a page
    // cut short (the mapping shows zeros past the end of a file that shrank) from a damaged one.
    FLastError = erOk;
  }
  return ReadPageUnmapped(Pos, ExpectedType, H, Data, Size, FileKey);
}

int32_t TPageFileManager::ReadPageUnmapped(int64_t Pos, uint8_t ExpectedType, TPageHeader& H,
                                           uint8_t* Data, int Size, const std::string& FileKey) {
  // The header into a local buffer, the data straight into Data.
  uint8_t Raw[PageHeaderSize];
  iovec Pieces[2] = {{Raw, size_t(PageHeaderSize)}, {Data, size_t(Size)}};
  const int64_t Got = FFile.ReadScatter(Pos, Pieces, Size > 0 ? 2 : 1);
  if (Got < PageHeaderSize) {
    return FLastError = erReadPageHeaderError;
  }
  H.Load(Raw);
  if (ExpectedType != 0 && H.PageType != ExpectedType) {
    return FLastError = erReadPageHeaderError;
  }
  if (Got != PageHeaderSize + int64_t(Size)) {
    return FLastError = erReadPageError;
  }
  return CheckAndDecode(H, Data, Size, FileKey);
}

int32_t TPageFileManager::ReadDataPages(const int32_t* Pages, size_t Count, uint8_t* Out,
                                        const std::string& FileKey, size_t& Good) {
  // Pages per call: small enough that a run is still in the cache when its checksums are
  // taken, and far below the system's limit of pieces per call (two per page).
  constexpr size_t MaxRun = 64;
  FLastError = erOk;
  Good = 0;
  const int D = DataSize();
  const int64_t P = FHeader.PageSize;
  size_t I = 0;
  while (I < Count) {
    const int32_t First = Pages[I];
    size_t Run = 1;
    while (I + Run < Count && Run < MaxRun &&
           int64_t(Pages[I + Run]) == int64_t(First) + int64_t(Run)) {
      ++Run;
    }
    bool Whole = false;
    const bool InRange =
        First >= FHeader.HDRPageCount && int64_t(First) + int64_t(Run) <= FHeader.TOTALPageCount;
    if (InRange && CopyMappedRun(int64_t(First) * P, Run, size_t(D), Out + I * size_t(D))) {
      for (size_t K = 0; K < Run; ++K) {
        const uint8_t* Raw = FRunHeaders.data() + K * PageHeaderSize;
        // The usual page: plain, and its stored checksum equals the one counted while copying
        // (counted the way its header asks). Any other goes the whole way.
        if (Raw[TPageHeader::PageTypeOffset] == UFPage &&
            Raw[TPageHeader::EncTypeOffset] == encNone &&
            GetU32(Raw + TPageHeader::CRCOffset) == FRunChecksums[K]) {
          ++Good;
          continue;
        }
        TPageHeader H;
        H.Load(Raw);
        uint8_t* Data = Out + (I + K) * size_t(D);
        if (H.PageType != UFPage ||
            CheckAndDecode(H, Data, D, FileKey, &FRunChecksums[K]) != erOk) {
          // As in ReadPage: the ordinary way gives the exact error.
          FLastError = erOk;
          const int32_t Rc =
              ReadPageUnmapped(int64_t(Pages[I + K]) * P, UFPage, H, Data, D, FileKey);
          if (Rc != erOk) {
            return Rc;
          }
        }
        ++Good;
      }
      I += Run;
      continue;
    }
    if (InRange) {
      FRunHeaders.resize(Run * PageHeaderSize);
      FRunPieces.resize(Run * 2);
      for (size_t K = 0; K < Run; ++K) {
        FRunPieces[2 * K] = {FRunHeaders.data() + K * PageHeaderSize, size_t(PageHeaderSize)};
        FRunPieces[2 * K + 1] = {Out + (I + K) * size_t(D), size_t(D)};
      }
      Whole = FFile.ReadScatter(int64_t(First) * P, FRunPieces.data(), Run * 2) == int64_t(Run) * P;
    }
    for (size_t K = 0; K < Run; ++K) {
      uint8_t* Data = Out + (I + K) * size_t(D);
      TPageHeader H;
      int32_t Rc;
      if (Whole) {
        H.Load(FRunHeaders.data() + K * PageHeaderSize);
        Rc = H.PageType != UFPage ? (FLastError = erReadPageHeaderError)
                                  : CheckAndDecode(H, Data, D, FileKey);
      } else {
        // A short run (the end of the file, a page out of range): page by page, for the exact
        // error of the first bad one.
        Rc = ReadPage(Pages[I + K], UFPage, H, Data, D, FileKey);
      }
      if (Rc != erOk) {
        return Rc;
      }
      ++Good;
    }
    I += Run;
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

int32_t TPageFileManager::WriteDataPages(const int32_t* Pages, size_t Count, const uint8_t* In,
                                         uint8_t EncType, const std::string& FileKey) {
  // Pages per call: two pieces each, far below the system's limit of pieces per call.
  constexpr size_t MaxRun = 64;
  FLastError = erOk;
  const TSFSCipher* Cipher = nullptr;
  if (EncType == encRijndael) {
    Cipher = CipherFor(FileKey);
    if (Cipher == nullptr) {
      return FLastError = erEncodeError;
    }
  } else if (EncType != encNone) {
    throw Error("TPageFileManager.EncodeBuffer - Unknown encryption type");
  }
  const size_t D = size_t(DataSize());
  size_t I = 0;
  while (I < Count) {
    const int32_t First = Pages[I];
    if (FReadOnly || First < FHeader.HDRPageCount) {
      return FLastError = erWritePageHeaderError;
    }
    size_t Run = 1;
    while (I + Run < Count && Run < MaxRun &&
           int64_t(Pages[I + Run]) == int64_t(First) + int64_t(Run)) {
      ++Run;
    }
    const uint8_t* Src = In + I * D;
    if (Cipher != nullptr) {
      // Encrypted pages are made in a scratch copy; plain ones go out from the caller's buffer.
      FRunData.assign(Src, Src + Run * D);
      for (size_t K = 0; K < Run; ++K) {
        Cipher->Encrypt(FRunData.data() + K * D, D);
      }
      Src = FRunData.data();
    }
    FRunHeaders.resize(Run * PageHeaderSize);
    FRunPieces.resize(Run * 2);
    for (size_t K = 0; K < Run; ++K) {
      const uint8_t* Data = Src + K * D;
      TPageHeader H;
      H.PageType = UFPage;
      H.EncType = EncType;
      H.CrcType = crcFast;
      H.CRC = CountCRC(Data, D, crcFast);
      H.Save(FRunHeaders.data() + K * PageHeaderSize);
      FRunPieces[2 * K] = {FRunHeaders.data() + K * PageHeaderSize, size_t(PageHeaderSize)};
      FRunPieces[2 * K + 1] = {const_cast<uint8_t*>(Data), D};
    }
    try {
      FFile.WriteScatter(int64_t(First) * FHeader.PageSize, FRunPieces.data(), Run * 2);
    } catch (const EGException&) {
      return FLastError = erWritePageError;
    }
    I += Run;
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
