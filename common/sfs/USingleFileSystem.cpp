#include "sfs/USingleFileSystem.h"

#include "base/UGError.h"
#include "io/UGFileUtils.h"
#include "io/UGStream.h"
#include "sfs/USFSFileStream.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace {

bool IsSeparator(char C) {
  return C == '\\' || C == '/';
}

std::vector<std::string> SplitComponents(const std::string& Path) {
  std::vector<std::string> Parts;
  std::string Cur;
  for (char C : Path) {
    if (IsSeparator(C)) {
      Parts.push_back(Cur);
      Cur.clear();
    } else {
      Cur += C;
    }
  }
  Parts.push_back(Cur);
  return Parts;
}

bool ValidName(const std::string& Name) {
  return !Name.empty() && Name != "." && Name != ".." && Name.size() <= MaxFileNameLength &&
         Name.find('\0') == std::string::npos;
}

constexpr uint32_t faVolumeID = 0x08;

uint32_t ExcludeMask(uint32_t Attr) {
  return ~Attr & (faHidden | faSysFile | faVolumeID | faDirectory);
}

} // namespace

TSingleFileSystem::TSingleFileSystem(const std::string& FileName, uint16_t Mode, bool InMemoryMode,
                                     const std::string& Password, const std::string& Question,
                                     const std::string& Answer, int DefaultCompressionLevel,
                                     int PageSize, int ExtentPageCount, int64_t PartFileSize)
    : FPassword(Password)
    , FFileName(FileName)
    , FOpenMode(Mode)
    , FInMemory(InMemoryMode) {
  if (Mode == fmCreate && InMemoryMode && ::FileExists(FileName)) {
    Mode = fmOpenReadWrite;
    FOpenMode = Mode;
  }
  if (Mode == fmCreate) {
    if (DefaultCompressionLevel < 0 || DefaultCompressionLevel > bzipMax) {
      throw Error("TSingleFileSystem.Create - invalid compression level %d",
                  DefaultCompressionLevel);
    }
    PFMHandle =
        std::make_unique<TPageFileManager>(FileName, PageSize, ExtentPageCount, PartFileSize,
                                           InMemoryMode, Password, Question, Answer);
    OpenManagers(false);
    SetCompressionLevel(DefaultCompressionLevel);
  } else {
    FReadOnly = (Mode & 0x0003) == fmOpenRead;
    FExclusive = (Mode & 0x00F0) == fmShareExclusive;
    PFMHandle = std::make_unique<TPageFileManager>(FileName, Mode, InMemoryMode, nullptr, Password);
    OpenManagers(true);
  }
}

TSingleFileSystem::TSingleFileSystem(const std::string& FileName, uint16_t Mode,
                                     const std::string& Password, const std::string& Question,
                                     const std::string& Answer, int DefaultCompressionLevel)
    : TSingleFileSystem(FileName, Mode, false, Password, Question, Answer, DefaultCompressionLevel,
                        DEFAULT_PAGE_SIZE, DEFAULT_EXTENT_PAGE_COUNT, -1) {}

std::unique_ptr<TSingleFileSystem> TSingleFileSystem::OpenImage(const std::string& Name,
                                                                std::string Image, uint16_t Mode,
                                                                const std::string& Password) {
  std::unique_ptr<TSingleFileSystem> S(new TSingleFileSystem());
  S->FFileName = Name;
  S->FOpenMode = Mode;
  S->FInMemory = true;
  S->FReadOnly = (Mode & 0x0003) == fmOpenRead;
  S->FPassword = Password;
  S->PFMHandle = std::make_unique<TPageFileManager>(Name, Mode, true, &Image, Password);
  S->OpenManagers(true);
  return S;
}

void TSingleFileSystem::OpenManagers(bool Load) {
  FSMHandle = std::make_unique<TFreeSpaceManager>(*PFMHandle, Load);
  DMHandle = std::make_unique<TDIRManager>(*PFMHandle, *FSMHandle, Load);
  UFMHandle = std::make_unique<TUserFilePageMapManager>(*PFMHandle, *FSMHandle);
  FCurrentDir = rootID;
}

TSingleFileSystem::~TSingleFileSystem() {
  CloseAllFiles();
}

void TSingleFileSystem::CloseAllFiles() {
  while (!FFileHandles.empty()) {
    FileClose(FFileHandles.begin()->first);
  }
}

int TSingleFileSystem::GetCompressionLevel() const {
  return PFMHandle->Header().CompressionLevel;
}

void TSingleFileSystem::SetCompressionLevel(int Level) {
  if (Level < 0 || Level > bzipMax) {
    throw Error("TSingleFileSystem.SetCompressionLevel - invalid compression level %d", Level);
  }
  PFMHandle->Header().CompressionLevel = uint8_t(Level);
  PFMHandle->SaveSFHeader();
}

int32_t TSingleFileSystem::WalkStart(const std::vector<std::string>& Parts, size_t& First) {
  // A path with a leading separator starts at the root, others in the current folder (the root
  // again when the current folder is gone).
  if (FCurrentDir != rootID && !DMHandle->IsLiveFolder(FCurrentDir)) {
    FCurrentDir = rootID;
  }
  First = Parts[0].empty() ? 1 : 0;
  return First == 1 ? rootID : FCurrentDir;
}

int32_t TSingleFileSystem::FindFileByName(const std::string& Path) {
  const int32_t Count = DMHandle->Count();
  if (Path.empty() || FCurrentDir < rootID || FCurrentDir >= Count) {
    return Fail(erInvalidPath);
  }
  if (Path.size() == 1 && IsSeparator(Path[0])) {
    return rootID;
  }
  std::vector<std::string> Parts = SplitComponents(Path);
  size_t First = 0;
  int32_t Cur = WalkStart(Parts, First);
  for (size_t I = First; I < Parts.size(); ++I) {
    const std::string& Part = Parts[I];
    if (Part.empty()) {
      if (I + 1 == Parts.size()) {
        break;
      }
      return Fail(erInvalidPath);
    }
    if (Part == "..") {
      if (Cur != rootID) {
        Cur = DMHandle->Item(Cur).ParentID;
      }
      continue;
    }
    if (Part == ".") {
      continue;
    }
    std::string Name = Part.substr(0, MaxFileNameLength);
    int32_t Found = DMHandle->FindChild(Cur, Name);
    if (Found < 0) {
      return Fail(DMHandle->NameExists(Name) ? erInvalidCurrentDir : erInvalidPath);
    }
    Cur = Found;
  }
  return Cur;
}

std::string TSingleFileSystem::EntryPath(int32_t Index) const {
  if (Index == rootID) {
    return "\\";
  }
  std::string Path;
  int32_t Steps = 0;
  while (Index != rootID && Index >= 0 && Index < DMHandle->Count() &&
         Steps++ <= DMHandle->Count()) {
    Path = "\\" + DMHandle->Item(Index).FileName + Path;
    Index = DMHandle->Item(Index).ParentID;
  }
  return Path;
}

bool TSingleFileSystem::SplitPath(const std::string& Path, int32_t& Folder, std::string& Name) {
  std::string P = Path;
  while (P.size() > 1 && IsSeparator(P.back())) {
    P.pop_back();
  }
  size_t Sep = P.find_last_of("\\/");
  if (Sep == std::string::npos) {
    Folder = FCurrentDir;
    if (Folder != rootID && !DMHandle->IsLiveFolder(Folder)) {
      Folder = FCurrentDir = rootID;
    }
    Name = P;
  } else {
    Folder = Sep == 0 ? rootID : FindFileByName(P.substr(0, Sep));
    Name = P.substr(Sep + 1);
    if (Folder < rootID || (Folder != rootID && !DMHandle->IsLiveFolder(Folder))) {
      Fail(erInvalidPath);
      return false;
    }
  }
  if (!ValidName(Name)) {
    Fail(erInvalidPath);
    return false;
  }
  return true;
}

TUserFileHandle* TSingleFileSystem::FindHandle(int32_t Handle) {
  auto It = FFileHandles.find(Handle);
  if (It == FFileHandles.end()) {
    Fail(erInvalidHandle);
    return nullptr;
  }
  return &It->second;
}

const TDirectoryElement* TSingleFileSystem::HandleEntry(int32_t Handle) const {
  auto It = FFileHandles.find(Handle);
  return It == FFileHandles.end() ? nullptr : &DMHandle->Item(It->second.FileID);
}

int32_t TSingleFileSystem::FileCreate(const std::string& FileName, const std::string& Password,
                                      const std::string& Question, const std::string& Answer) {
  FLastError = erOk;
  if (FReadOnly) {
    return Fail(erInvalidHandle);
  }
  if (Password.size() > size_t(MAX_PASSWORD_LENGTH) ||
      Question.size() > size_t(MAX_QUESTION_LENGTH)) {
    return Fail(erEncodeError);
  }
  int32_t Folder;
  std::string Name;
  if (!SplitPath(FileName, Folder, Name)) {
    return FLastError;
  }
  int32_t Existing = DMHandle->FindChild(Folder, Name);
  if (Existing >= 0 && (DMHandle->Item(Existing).IsFolder != 0 || !DeleteEntry(Existing))) {
    return Fail(erFileNotDeleted);
  }
  TDirectoryElement E;
  E.FileName = Name;
  E.ParentID = Folder;
  E.CreationTime = E.LastModifiedTime = E.LastAccessTime = NowFileTime();
  E.Attributes = faArchive;
  std::string Key;
  if (!Password.empty()) {
    TPasswordHeader PH;
    Key = CreatePasswordHeader(PH, Password, Question, Answer);
    E.PasswordHeader = PH;
    E.EncMethod = encRijndael;
  }
  int32_t Index = DMHandle->AddItem(E);
  if (Index < 0) {
    if (OnDiskFull) {
      OnDiskFull();
    }
    return Fail(erDiskFull);
  }
  int32_t Handle = 1;
  while (FFileHandles.count(Handle) != 0) {
    ++Handle;
  }
  DMHandle->AddOpened(Index, 1);
  FFileHandles[Handle] = TUserFileHandle{Index, 0, fmCreate, Key};
  return Handle;
}

int32_t TSingleFileSystem::FileOpen(const std::string& FileName, uint16_t Mode,
                                    const std::string& Password, const std::string& Question,
                                    const std::string& Answer) {
  FLastError = erOk;
  if (Mode == fmCreate) {
    return FileCreate(FileName, Password, Question, Answer);
  }
  if (FReadOnly && (Mode & 0x0003) != fmOpenRead) {
    Fail(erInvalidHandle);
    return -1;
  }
  int32_t Index = FindFileByName(FileName);
  if (Index < 0 || DMHandle->Item(Index).IsFolder != 0) {
    Fail(erFileNotFound);
    return -1;
  }
  std::string Key;
  const TDirectoryElement& Entry = DMHandle->Item(Index);
  if (Entry.EncMethod > encRijndael ||
      (Entry.EncMethod == encRijndael && !CheckPassword(Entry.PasswordHeader, Password, Key))) {
    // An unknown method, or a wrong password for a file encrypted on its own.
    Fail(erDecodeError);
    return -1;
  }
  // The map must cover the size the entry claims before anyone relies on that size.
  const TUserFilePageMap* Map = nullptr;
  if (int32_t Rc = UFMHandle->GetMaps(DMHandle->Item(Index), Map); Rc != erOk) {
    Fail(Rc);
    return -1;
  }
  int32_t Handle = 1;
  while (FFileHandles.count(Handle) != 0) {
    ++Handle;
  }
  DMHandle->AddOpened(Index, 1);
  FFileHandles[Handle] = TUserFileHandle{Index, 0, Mode, Key};
  if (!FReadOnly) {
    TDirectoryElement E = DMHandle->Item(Index);
    E.LastAccessTime = NowFileTime();
    DMHandle->WriteItem(Index, E);
  }
  return Handle;
}

bool TSingleFileSystem::FileClose(int32_t Handle) {
  TUserFileHandle* H = FindHandle(Handle);
  if (H == nullptr) {
    return false;
  }
  DMHandle->AddOpened(H->FileID, -1);
  FFileHandles.erase(Handle);
  return true;
}

int64_t TSingleFileSystem::FileGetSize(int32_t Handle) {
  TUserFileHandle* H = FindHandle(Handle);
  return H == nullptr ? FLastError : DMHandle->Item(H->FileID).FileSize;
}

int64_t TSingleFileSystem::FileRead(int32_t Handle, void* Buffer, int64_t Count) {
  FLastError = erOk;
  TUserFileHandle* H = FindHandle(Handle);
  if (H == nullptr) {
    return FLastError;
  }
  const TDirectoryElement& E = DMHandle->Item(H->FileID);
  if (Count <= 0 || H->Position >= E.FileSize) {
    return 0;
  }
  const int64_t N = std::min(Count, E.FileSize - H->Position);
  const TUserFilePageMap* Map = nullptr;
  int32_t Rc = UFMHandle->GetMaps(E, Map);
  if (Rc != erOk) {
    return Fail(Rc);
  }
  const int64_t D = PFMHandle->DataSize();
  uint8_t* Out = static_cast<uint8_t*>(Buffer);
  int64_t Done = 0;
  TPageHeader PH;
  while (Done < N) {
    const int64_t Pos = H->Position + Done;
    const int64_t PageIndex = Pos / D;
    const int64_t Off = Pos % D;
    const int64_t Len = std::min(N - Done, D - Off);
    if (PageIndex >= int64_t(Map->DataPages.size())) {
      return Fail(erInvalidUFMap);
    }
    if (Off == 0 && Len == D) {
      // Whole pages go straight into the caller's buffer, runs of them with one read.
      const int64_t Whole = std::min((N - Done) / D, int64_t(Map->DataPages.size()) - PageIndex);
      size_t Good = 0;
      Rc = PFMHandle->ReadDataPages(&Map->DataPages[size_t(PageIndex)], size_t(Whole), Out + Done,
                                    H->Key, Good);
      if (Rc != erOk) {
        H->Position += Done + int64_t(Good) * D;
        return Fail(Rc);
      }
      Done += Whole * D;
      continue;
    }
    const int32_t No = Map->DataPages[size_t(PageIndex)];
    FPageBuffer.resize(size_t(D));
    Rc = PFMHandle->ReadPage(No, UFPage, PH, FPageBuffer.data(), int(D), H->Key);
    if (Rc != erOk) {
      H->Position += Done;
      return Fail(Rc);
    }
    std::memcpy(Out + Done, FPageBuffer.data() + Off, size_t(Len));
    Done += Len;
  }
  H->Position += Done;
  return Done;
}

int64_t TSingleFileSystem::FileWrite(int32_t Handle, const void* Buffer, int64_t Count) {
  FLastError = erOk;
  TUserFileHandle* H = FindHandle(Handle);
  if (H == nullptr) {
    return FLastError;
  }
  if (FReadOnly || (H->Mode != fmCreate && (H->Mode & 0x0003) == fmOpenRead)) {
    return Fail(erInvalidHandle);
  }
  if (Count <= 0) {
    return 0;
  }
  TDirectoryElement E = DMHandle->Item(H->FileID);
  const int64_t OldSize = E.FileSize;
  const int64_t Pos = H->Position;
  const int64_t End = Pos + Count;
  const int64_t D = PFMHandle->DataSize();
  if (End > OldSize) {
    int32_t Rc = UFMHandle->Resize(E, End, DataEncType(E), H->Key, Pos, End);
    if (Rc != erOk) {
      if (Rc == erDiskFull && OnDiskFull) {
        OnDiskFull();
      }
      return Fail(Rc);
    }
    E.FileSize = End;
  }
  const TUserFilePageMap* Map = nullptr;
  int32_t Rc = UFMHandle->GetMaps(E, Map);
  if (Rc != erOk) {
    return Fail(Rc);
  }
  std::vector<uint8_t> Page(static_cast<size_t>(D));
  const uint8_t* In = static_cast<const uint8_t*>(Buffer);
  int64_t Done = 0;
  TPageHeader PH;
  while (Done < Count) {
    const int64_t P = Pos + Done;
    const int64_t PageIndex = P / D;
    const int64_t Off = P % D;
    const int64_t Len = std::min(Count - Done, D - Off);
    if (Off == 0 && Len == D) {
      // Whole pages go out straight from the caller's buffer, runs of them with one write.
      const int64_t Whole = (Count - Done) / D;
      Rc = PFMHandle->WriteDataPages(&Map->DataPages[size_t(PageIndex)], size_t(Whole), In + Done,
                                     DataEncType(E), H->Key);
      if (Rc != erOk) {
        break;
      }
      Done += Whole * D;
      continue;
    }
    const int32_t No = Map->DataPages[size_t(PageIndex)];
    if (Len < D) {
      if (PageIndex * D < OldSize) {
        Rc = PFMHandle->ReadPage(No, UFPage, PH, Page.data(), int(D), H->Key);
        if (Rc != erOk) {
          break;
        }
      } else {
        std::fill(Page.begin(), Page.end(), 0);
      }
    }
    std::memcpy(Page.data() + Off, In + Done, size_t(Len));
    PH = TPageHeader();
    PH.PageType = UFPage;
    PH.EncType = DataEncType(E);
    Rc = PFMHandle->WritePage(No, PH, Page.data(), int(D), H->Key);
    if (Rc != erOk) {
      break;
    }
    Done += Len;
  }
  H->Position += Done;
  E.LastModifiedTime = NowFileTime();
  DMHandle->WriteItem(H->FileID, E);
  if (Rc != erOk) {
    return Fail(Rc);
  }
  return Done;
}

int64_t TSingleFileSystem::FileSeek(int32_t Handle, int64_t Offset, int Origin) {
  FLastError = erOk;
  TUserFileHandle* H = FindHandle(Handle);
  if (H == nullptr) {
    return FLastError;
  }
  int64_t Base = Origin == 0   ? 0
                 : Origin == 1 ? H->Position
                 : Origin == 2 ? DMHandle->Item(H->FileID).FileSize
                               : -1;
  if (Base < 0 || (Offset < 0 && Base + Offset < 0) || (Offset > 0 && Base > INT64_MAX - Offset)) {
    return Fail(erInvalidHandle);
  }
  H->Position = Base + Offset;
  return H->Position;
}

int32_t TSingleFileSystem::FileSetSize(int32_t Handle, int64_t Size) {
  FLastError = erOk;
  TUserFileHandle* H = FindHandle(Handle);
  if (H == nullptr) {
    return FLastError;
  }
  if (FReadOnly || Size < 0 || (H->Mode != fmCreate && (H->Mode & 0x0003) == fmOpenRead)) {
    return Fail(erInvalidHandle);
  }
  TDirectoryElement E = DMHandle->Item(H->FileID);
  const int64_t OldSize = E.FileSize;
  if (Size == OldSize) {
    return erOk;
  }
  int32_t Rc = UFMHandle->Resize(E, Size, DataEncType(E), H->Key);
  if (Rc != erOk) {
    if (Rc == erDiskFull && OnDiskFull) {
      OnDiskFull();
    }
    return Fail(Rc);
  }
  E.FileSize = Size;
  const int64_t D = PFMHandle->DataSize();
  if (Size < OldSize && Size % D != 0) {
    // Clear the cut-off tail of the last page, so that growing again reads zeros.
    const TUserFilePageMap* Map = nullptr;
    Rc = UFMHandle->GetMaps(E, Map);
    if (Rc == erOk) {
      std::vector<uint8_t> Page(static_cast<size_t>(D));
      TPageHeader PH;
      const int32_t No = Map->DataPages.back();
      Rc = PFMHandle->ReadPage(No, UFPage, PH, Page.data(), int(D), H->Key);
      if (Rc == erOk) {
        std::fill(Page.begin() + Size % D, Page.end(), 0);
        PH = TPageHeader();
        PH.PageType = UFPage;
        PH.EncType = DataEncType(E);
        Rc = PFMHandle->WritePage(No, PH, Page.data(), int(D), H->Key);
      }
    }
  }
  E.LastModifiedTime = NowFileTime();
  DMHandle->WriteItem(H->FileID, E);
  return Rc == erOk ? erOk : Fail(Rc);
}

bool TSingleFileSystem::FileExists(const std::string& FileName) {
  int32_t Index = FindFileByName(FileName);
  return Index >= 0 && DMHandle->Item(Index).IsFolder == 0;
}

bool TSingleFileSystem::DirectoryExists(const std::string& Name) {
  int32_t Index = FindFileByName(Name);
  return Index == rootID || DMHandle->IsLiveFolder(Index);
}

bool TSingleFileSystem::DeleteEntry(int32_t Index) {
  if (DMHandle->OpenedFiles(Index) > 0) {
    Fail(erFileNotDeleted);
    return false;
  }
  TDirectoryElement E = DMHandle->Item(Index);
  E.IsDeleted = 1;
  E.LastModifiedTime = E.LastAccessTime = NowFileTime();
  UFMHandle->Release(E);
  E.FileSize = 0;
  DMHandle->WriteItem(Index, E);
  return true;
}

bool TSingleFileSystem::DeleteFile(const std::string& FileName) {
  FLastError = erOk;
  if (FReadOnly) {
    Fail(erFileNotDeleted);
    return false;
  }
  int32_t Index = FindFileByName(FileName);
  if (Index < 0 || DMHandle->Item(Index).IsFolder != 0) {
    Fail(erFileNotFound);
    return false;
  }
  return DeleteEntry(Index);
}

int32_t TSingleFileSystem::FileGetAttr(const std::string& FileName) {
  int32_t Index = FindFileByName(FileName);
  if (Index == rootID) {
    return faDirectory;
  }
  if (Index < 0) {
    return -1;
  }
  const TDirectoryElement& E = DMHandle->Item(Index);
  return int32_t(E.Attributes | (E.IsFolder != 0 ? faDirectory : 0));
}

bool TSingleFileSystem::FileSetAttr(const std::string& FileName, uint32_t Attr) {
  int32_t Index = FindFileByName(FileName);
  if (FReadOnly || Index < 0) {
    return false;
  }
  TDirectoryElement E = DMHandle->Item(Index);
  E.Attributes = (Attr & ~faDirectory) | (E.IsFolder != 0 ? faDirectory : 0);
  DMHandle->WriteItem(Index, E);
  return true;
}

int32_t TSingleFileSystem::FileAge(const std::string& FileName) {
  int32_t Index = FindFileByName(FileName);
  if (Index < 0) {
    return -1;
  }
  return FileTimeToDosDateTime(DMHandle->Item(Index).LastModifiedTime);
}

bool TSingleFileSystem::FileSetDate(const std::string& FileName, int32_t Age) {
  int32_t Index = FindFileByName(FileName);
  if (FReadOnly || Index < 0) {
    return false;
  }
  TDirectoryElement E = DMHandle->Item(Index);
  E.LastModifiedTime = DosDateTimeToFileTime(Age);
  DMHandle->WriteItem(Index, E);
  return true;
}

bool TSingleFileSystem::ForceDirectories(const std::string& Path) {
  FLastError = erOk;
  if (Path.empty()) {
    Fail(erInvalidPath);
    return false;
  }
  std::vector<std::string> Parts = SplitComponents(Path);
  size_t First = 0;
  int32_t Cur = WalkStart(Parts, First);
  for (size_t I = First; I < Parts.size(); ++I) {
    const std::string& Part = Parts[I];
    if (Part.empty()) {
      if (I + 1 == Parts.size()) {
        break;
      }
      Fail(erInvalidPath);
      return false;
    }
    if (Part == "..") {
      if (Cur != rootID) {
        Cur = DMHandle->Item(Cur).ParentID;
      }
      continue;
    }
    if (Part == ".") {
      continue;
    }
    int32_t Found = DMHandle->FindChild(Cur, Part);
    if (Found >= 0) {
      if (DMHandle->Item(Found).IsFolder == 0) {
        Fail(erInvalidPath);
        return false;
      }
      Cur = Found;
      continue;
    }
    if (FReadOnly || !ValidName(Part)) {
      Fail(erInvalidPath);
      return false;
    }
    TDirectoryElement E;
    E.FileName = Part;
    E.ParentID = Cur;
    E.IsFolder = 1;
    E.Attributes = faDirectory;
    E.CreationTime = E.LastModifiedTime = E.LastAccessTime = NowFileTime();
    int32_t Index = DMHandle->AddItem(E);
    if (Index < 0) {
      if (OnDiskFull) {
        OnDiskFull();
      }
      Fail(erDiskFull);
      return false;
    }
    Cur = Index;
  }
  return true;
}

bool TSingleFileSystem::IsInside(int32_t Index, int32_t Folder) const {
  int32_t Steps = 0;
  while (Index != rootID && Index >= 0 && Steps++ <= DMHandle->Count()) {
    if (Index == Folder) {
      return true;
    }
    Index = DMHandle->Item(Index).ParentID;
  }
  return Folder == rootID;
}

void TSingleFileSystem::RemoveFolderEntry(int32_t Index) {
  if (IsInside(FCurrentDir, Index)) {
    FCurrentDir = rootID;
  }
  TDirectoryElement E = DMHandle->Item(Index);
  E.IsDeleted = 1;
  E.LastModifiedTime = E.LastAccessTime = NowFileTime();
  DMHandle->WriteItem(Index, E);
}

bool TSingleFileSystem::RemoveDir(const std::string& Name) {
  int32_t Index = FindFileByName(Name);
  if (FReadOnly || !DMHandle->IsLiveFolder(Index) || !DMHandle->Children(Index).empty()) {
    return false;
  }
  RemoveFolderEntry(Index);
  return true;
}

bool TSingleFileSystem::IsFolderEmpty(const std::string& Folder) {
  int32_t Index = FindFileByName(Folder);
  if (Index != rootID && !DMHandle->IsLiveFolder(Index)) {
    return false;
  }
  return DMHandle->Children(Index).empty();
}

int32_t TSingleFileSystem::DeleteFilesIn(int32_t Folder, const std::string& Pattern, uint32_t Attr,
                                         bool Recursive) {
  int32_t Count = 0;
  const uint32_t Exclude = ExcludeMask(Attr) & ~faDirectory;
  for (int32_t Child : DMHandle->Children(Folder)) {
    const TDirectoryElement& E = DMHandle->Item(Child);
    if (E.IsFolder != 0) {
      if (Recursive) {
        Count += DeleteFilesIn(Child, Pattern, Attr, Recursive);
      }
    } else if ((E.Attributes & Exclude) == 0 && IsStrMatchPattern(E.FileName, Pattern, true) &&
               DeleteEntry(Child)) {
      ++Count;
    }
  }
  return Count;
}

int32_t TSingleFileSystem::DeleteFiles(const std::string& Pattern, uint32_t Attr, bool Recursive) {
  if (FReadOnly) {
    return 0;
  }
  size_t Sep = Pattern.find_last_of("\\/");
  int32_t Folder = FCurrentDir;
  std::string Mask = Pattern;
  if (Sep != std::string::npos) {
    Folder = Sep == 0 ? rootID : FindFileByName(Pattern.substr(0, Sep));
    Mask = Pattern.substr(Sep + 1);
  }
  if (Folder != rootID && !DMHandle->IsLiveFolder(Folder)) {
    return 0;
  }
  return DeleteFilesIn(Folder, Mask.empty() ? "*.*" : Mask, Attr, Recursive);
}

int32_t TSingleFileSystem::DeleteFolder(const std::string& Folder) {
  int32_t Index = FindFileByName(Folder);
  if (FReadOnly || !DMHandle->IsLiveFolder(Index)) {
    return -1;
  }
  const int32_t Saved = FCurrentDir;
  int32_t Count = DeleteFilesIn(Index, "*.*", faAnyFile, true);
  // Remove the emptied folders from the bottom up; a folder still holding an open file stays.
  auto RemoveTree = [&](auto&& Self, int32_t F) -> void {
    for (int32_t Child : DMHandle->Children(F)) {
      if (DMHandle->Item(Child).IsFolder != 0) {
        Self(Self, Child);
      }
    }
    if (DMHandle->Children(F).empty()) {
      RemoveFolderEntry(F);
    }
  };
  RemoveTree(RemoveTree, Index);
  FCurrentDir = DMHandle->IsLiveFolder(Saved) ? Saved : rootID;
  return Count;
}

std::string TSingleFileSystem::GetCurrentDir() {
  if (FCurrentDir != rootID && !DMHandle->IsLiveFolder(FCurrentDir)) {
    FCurrentDir = rootID;
  }
  return EntryPath(FCurrentDir);
}

bool TSingleFileSystem::SetCurrentDir(const std::string& Dir) {
  int32_t Index = FindFileByName(Dir);
  if (Index != rootID && !DMHandle->IsLiveFolder(Index)) {
    return false;
  }
  FCurrentDir = Index;
  return true;
}

int32_t TSingleFileSystem::FindFirst(const std::string& Pattern, uint32_t Attr, TSFSSearchRec& F) {
  F = TSFSSearchRec();
  size_t Sep = Pattern.find_last_of("\\/");
  int32_t Folder = FCurrentDir;
  std::string Mask = Pattern;
  if (Sep != std::string::npos) {
    Folder = Sep == 0 ? rootID : FindFileByName(Pattern.substr(0, Sep));
    Mask = Pattern.substr(Sep + 1);
  }
  if (Folder != rootID && !DMHandle->IsLiveFolder(Folder)) {
    return Fail(erInvalidPath);
  }
  if (Mask.empty()) {
    Mask = "*.*";
  }
  F.ExcludeAttr = ExcludeMask(Attr);
  for (int32_t Child : DMHandle->Children(Folder)) {
    const TDirectoryElement& E = DMHandle->Item(Child);
    uint32_t A = E.Attributes | (E.IsFolder != 0 ? faDirectory : 0);
    if ((A & F.ExcludeAttr) == 0 && IsStrMatchPattern(E.FileName, Mask, true)) {
      F.FList.push_back(Child);
    }
  }
  return FindNext(F);
}

int32_t TSingleFileSystem::FindNext(TSFSSearchRec& F) {
  while (F.FNext < F.FList.size()) {
    int32_t Index = F.FList[F.FNext++];
    if (Index < 0 || Index >= DMHandle->Count() || DMHandle->Item(Index).IsDeleted != 0) {
      continue;
    }
    const TDirectoryElement& E = DMHandle->Item(Index);
    F.Attr = E.Attributes | (E.IsFolder != 0 ? faDirectory : 0);
    F.Time = FileTimeToDosDateTime(E.LastModifiedTime);
    F.Size = E.FileSize;
    F.Name = E.FileName;
    F.FindData.FileAttributes = F.Attr;
    F.FindData.CreationTime = E.CreationTime;
    F.FindData.LastAccessTime = E.LastAccessTime;
    F.FindData.LastWriteTime = E.LastModifiedTime;
    F.FindData.FileSize = E.FileSize;
    F.FindData.FileName = E.FileName;
    return erOk;
  }
  return erFileNotFound;
}

void TSingleFileSystem::FindClose(TSFSSearchRec& F) {
  F.FList.clear();
  F.FNext = 0;
}

namespace {

namespace fs = std::filesystem;

// Copies Source into Dest in chunks, reporting progress; returns the bytes copied.
int64_t CopyChunks(TGStream& Source, TGStream& Dest, const std::string& Name,
                   const TSingleFileSystem::TFileProgressEvent& OnFileProgress) {
  std::vector<uint8_t> Buf(DefaultCopyBlockSize);
  const int64_t Size = Source.GetSize();
  int64_t Done = 0;
  for (;;) {
    int64_t N = Source.Read(Buf.data(), int64_t(Buf.size()));
    if (N <= 0) {
      break;
    }
    Dest.WriteBuffer(Buf.data(), N);
    Done += N;
    if (OnFileProgress) {
      OnFileProgress(Name, Done, Size);
    }
  }
  return Done;
}

// A name that is safe to use as one component of a disk path.
bool SafeDiskName(const std::string& Name) {
  return ValidName(Name) && Name.find('/') == std::string::npos &&
         Name.find('\\') == std::string::npos;
}

// The disk folder and the name mask of an import's source path (a folder, or a folder and mask).
void SplitImportSource(const std::string& SourcePath, fs::path& Source, std::string& Mask) {
  Source = SourcePath;
  Mask = "*.*";
  std::error_code Ec;
  if (!fs::is_directory(Source, Ec)) {
    Mask = Source.filename().string();
    Source = Source.parent_path();
    if (Source.empty()) {
      Source = ".";
    }
  }
}

// What an import takes from a disk folder, sorted: the files that match Mask and, when
// recursive, the folders.
std::vector<fs::directory_entry> ImportEntries(const fs::path& Source, const std::string& Mask,
                                               bool bRecursive) {
  std::vector<fs::directory_entry> Entries;
  for (const fs::directory_entry& E : fs::directory_iterator(Source)) {
    const std::string Name = E.path().filename().string();
    const bool Taken =
        E.is_directory()
            ? bRecursive && ValidName(Name)
            : E.is_regular_file() && IsStrMatchPattern(Name, Mask, true) && ValidName(Name);
    if (Taken) {
      Entries.push_back(E);
    }
  }
  std::sort(Entries.begin(), Entries.end());
  return Entries;
}

// Two names of one disk folder that differ only in case would be one name in the archive, and
// the second would replace the first: the first such pair below Source, or an empty pair.
std::pair<fs::path, fs::path> ImportClash(const fs::path& Source, const std::string& Mask,
                                          bool bRecursive) {
  std::map<std::string, fs::path> Names;
  for (const fs::directory_entry& E : ImportEntries(Source, Mask, bRecursive)) {
    auto [Other, New] = Names.emplace(SFSUpperName(E.path().filename().string()), E.path());
    if (!New) {
      return {Other->second, E.path()};
    }
    if (E.is_directory()) {
      if (auto Below = ImportClash(E.path(), Mask, true); !Below.first.empty()) {
        return Below;
      }
    }
  }
  return {};
}

} // namespace

int32_t TSingleFileSystem::ImportFiles(const std::string& SourcePath, const std::string& DestPath,
                                       uint32_t Attr, bool bRecursive,
                                       TSFSOverwriteMode OverwriteMode, bool EncryptFiles) {
  if (FReadOnly) {
    throw Error("TSingleFileSystem.ImportFiles - archive \"%s\" is read only", FFileName);
  }
  if (EncryptFiles && FPassword.empty()) {
    throw Error("TSingleFileSystem.ImportFiles - encrypting files needs the archive's password");
  }
  fs::path Source;
  std::string Mask;
  SplitImportSource(SourcePath, Source, Mask);
  // Checked before anything is stored, so that no file is lost quietly and none is half done.
  if (auto [First, Second] = ImportClash(Source, Mask, bRecursive); !First.empty()) {
    throw Error("TSingleFileSystem.ImportFiles - \"%s\" and \"%s\" differ only in case, and names "
                "in archive \"%s\" ignore case",
                First.string(), Second.string(), FFileName);
  }
  return ImportFolder(SourcePath, DestPath, Attr, bRecursive, OverwriteMode, EncryptFiles);
}

int32_t TSingleFileSystem::ImportFolder(const std::string& SourcePath, const std::string& DestPath,
                                        uint32_t Attr, bool bRecursive,
                                        TSFSOverwriteMode OverwriteMode, bool EncryptFiles) {
  fs::path Source;
  std::string Mask;
  SplitImportSource(SourcePath, Source, Mask);
  std::string Dest = DestPath.empty() ? std::string("\\") : DestPath;
  if (!ForceDirectories(Dest)) {
    throw Error("TSingleFileSystem.ImportFiles - can not create folder \"%s\" in archive \"%s\"",
                Dest, FFileName);
  }
  if (!IsSeparator(Dest.back())) {
    Dest += '\\';
  }
  int32_t Count = 0;
  for (const fs::directory_entry& E : ImportEntries(Source, Mask, bRecursive)) {
    const std::string Name = E.path().filename().string();
    if (E.is_directory()) {
      Count += ImportFolder((E.path() / Mask).string(), Dest + Name, Attr, true, OverwriteMode,
                            EncryptFiles);
      continue;
    }
    const std::string Target = Dest + Name;
    if (FileExists(Target)) {
      if (OverwriteMode == omNever ||
          (OverwriteMode == omPrompt && (!OnOverwritePrompt || !OnOverwritePrompt(Target)))) {
        continue;
      }
    }
    FCurrentFileName = Target;
    {
      TGFileStream In(E.path().string(), fmOpenRead | fmShareDenyNone);
      TSFSFileStream Out(this, Target, fmCreate, EncryptFiles ? FPassword : "", "", "", sfsNone);
      CopyChunks(In, Out, Target, OnFileProgress);
      Out.Flush();
    }
    struct stat Info;
    if (::stat(E.path().c_str(), &Info) == 0) {
      const int64_t Secs = Info.st_mtime;
      int32_t Index = FindFileByName(Target);
      if (Index >= 0) {
        TDirectoryElement El = DMHandle->Item(Index);
        El.LastModifiedTime = UnixToFileTime(Secs);
        DMHandle->WriteItem(Index, El);
      }
    }
    ++Count;
    ++FProgress;
    if (OnProgress) {
      OnProgress(FProgress, FProgressMax);
    }
  }
  return Count;
}

bool TSingleFileSystem::ExportFolder(int32_t Folder, const std::string& Pattern,
                                     const std::string& DestPath, uint32_t Attr, bool bRecursive,
                                     TSFSOverwriteMode OverwriteMode, int32_t& Count) {
  std::error_code Ec;
  fs::create_directories(DestPath, Ec);
  const uint32_t Exclude = ExcludeMask(Attr);
  for (int32_t Child : DMHandle->Children(Folder)) {
    const TDirectoryElement E = DMHandle->Item(Child);
    if (!SafeDiskName(E.FileName)) {
      continue;
    }
    const std::string Target = (fs::path(DestPath) / E.FileName).string();
    if (E.IsFolder != 0) {
      if (bRecursive) {
        ExportFolder(Child, Pattern, Target, Attr, true, OverwriteMode, Count);
      }
      continue;
    }
    if ((E.Attributes & Exclude & ~faDirectory) != 0 ||
        !IsStrMatchPattern(E.FileName, Pattern, true)) {
      continue;
    }
    if (fs::exists(Target, Ec)) {
      if (OverwriteMode == omNever ||
          (OverwriteMode == omPrompt && (!OnOverwritePrompt || !OnOverwritePrompt(Target)))) {
        continue;
      }
    }
    FCurrentFileName = EntryPath(Child);
    {
      TSFSFileStream In(this, FCurrentFileName, fmOpenRead,
                        E.EncMethod != encNone ? FPassword : std::string());
      TGFileStream Out(Target, fmCreate);
      CopyChunks(In, Out, FCurrentFileName, OnFileProgress);
    }
    ++Count;
    ++FProgress;
    if (OnProgress) {
      OnProgress(FProgress, FProgressMax);
    }
  }
  return true;
}

int32_t TSingleFileSystem::ExportFiles(const std::string& SourcePath, const std::string& DestPath,
                                       uint32_t Attr, bool bRecursive,
                                       TSFSOverwriteMode OverwriteMode) {
  int32_t Folder;
  std::string Mask;
  size_t Sep = SourcePath.find_last_of("\\/");
  if (SourcePath.empty()) {
    Folder = FCurrentDir;
    Mask = "*.*";
  } else if (DirectoryExists(SourcePath)) {
    Folder = FindFileByName(SourcePath);
    Mask = "*.*";
  } else {
    Folder = Sep == std::string::npos ? FCurrentDir
             : Sep == 0               ? rootID
                                      : FindFileByName(SourcePath.substr(0, Sep));
    Mask = Sep == std::string::npos ? SourcePath : SourcePath.substr(Sep + 1);
  }
  if (Folder != rootID && !DMHandle->IsLiveFolder(Folder)) {
    throw Error("TSingleFileSystem.ExportFiles - folder \"%s\" not found in archive \"%s\"",
                SourcePath, FFileName);
  }
  int32_t Count = 0;
  ExportFolder(Folder, Mask.empty() ? "*.*" : Mask, DestPath, Attr, bRecursive, OverwriteMode,
               Count);
  return Count;
}
