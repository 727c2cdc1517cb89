#include "sfs/UGSingleFileSystem.h"

#include "sfs/USFSFileStream.h"
#include "sfs/USingleFileSystem.h"

#include "object/UGClassBuilder.h"

#include <cerrno>
#include <filesystem>

G_IMPLEMENT_CLASS(TGSingleFileSystem)
G_IMPLEMENT_CLASS(TGLockedSingleFileSystem)

namespace {

constexpr int CompactPageSize = 1024;
constexpr int CompactExtentPageCount = 4;

std::string ExpandFileName(const std::string& FileName) {
  std::error_code Ec;
  std::filesystem::path P = std::filesystem::absolute(FileName, Ec);
  return Ec ? FileName : P.lexically_normal().string();
}

void CopyFound(const TSFSSearchRec& S, TGSearchRec& F) {
  F.Name = S.Name;
  F.Attr = int32_t(S.Attr);
  F.Size = S.Size;
  F.Time = S.Time;
}

} // namespace

TGSingleFileSystem::TGSingleFileSystem(TGObject* AOwner, const std::string& FileName, uint16_t Mode,
                                       bool CompactMode)
    : TGFileSystem(AOwner)
    , FFileName(ExpandFileName(FileName)) {
  FSFS = std::make_unique<TSingleFileSystem>(
      FFileName, Mode, false, "", "", "", sfsNone,
      CompactMode ? CompactPageSize : DEFAULT_PAGE_SIZE,
      CompactMode ? CompactExtentPageCount : DEFAULT_EXTENT_PAGE_COUNT, -1);
}

TGSingleFileSystem::~TGSingleFileSystem() = default;

void TGSingleFileSystem::Destroy() {
  FSFS.reset();
  inherited::Destroy();
}

std::string TGSingleFileSystem::AdjustPath(const std::string& Path) {
  if (Path.empty() || Path.front() == '\\' || Path.front() == '/') {
    return Path;
  }
  return "\\" + Path;
}

int TGSingleFileSystem::SetFileAttributes(const std::string& Path, int32_t Attributes) {
  if (FSFS->FileSetAttr(AdjustPath(Path), uint32_t(Attributes))) {
    return 0;
  }
  return FSFS->ReadOnly() ? EACCES : ENOENT;
}

int TGSingleFileSystem::FindFirst(const std::string& Path, int32_t Attr, TGSearchRec& F) {
  auto Search = std::make_shared<TSFSSearchRec>();
  F.Handle = Search;
  int32_t Rc = FSFS->FindFirst(AdjustPath(Path), uint32_t(Attr), *Search);
  if (Rc == erOk) {
    CopyFound(*Search, F);
  }
  return Rc;
}

int TGSingleFileSystem::FindNext(TGSearchRec& F) {
  auto* Search = static_cast<TSFSSearchRec*>(F.Handle.get());
  if (Search == nullptr) {
    return erInvalidSearchRec;
  }
  int32_t Rc = FSFS->FindNext(*Search);
  if (Rc == erOk) {
    CopyFound(*Search, F);
  }
  return Rc;
}

void TGSingleFileSystem::FindClose(TGSearchRec& F) {
  if (auto* Search = static_cast<TSFSSearchRec*>(F.Handle.get())) {
    FSFS->FindClose(*Search);
  }
  F.Handle.reset();
}

int32_t TGSingleFileSystem::FileAge(const std::string& Path) {
  return FSFS->FileAge(AdjustPath(Path));
}

bool TGSingleFileSystem::FileSetDate(const std::string& Path, int32_t Age) {
  return FSFS->FileSetDate(AdjustPath(Path), Age);
}

bool TGSingleFileSystem::FileExists(const std::string& Path) {
  return FSFS->FileExists(AdjustPath(Path));
}

bool TGSingleFileSystem::DirectoryExists(const std::string& Path) {
  return FSFS->DirectoryExists(AdjustPath(Path));
}

bool TGSingleFileSystem::DeleteFile(const std::string& Path) {
  return FSFS->DeleteFile(AdjustPath(Path));
}

bool TGSingleFileSystem::RemoveDirectory(const std::string& Path) {
  return FSFS->RemoveDir(AdjustPath(Path));
}

bool TGSingleFileSystem::DeleteFolder(const std::string& Path) {
  return FSFS->DeleteFolder(AdjustPath(Path)) > 0;
}

bool TGSingleFileSystem::ForceDirectories(const std::string& Path) {
  return FSFS->ForceDirectories(AdjustPath(Path));
}

std::unique_ptr<TGStream> TGSingleFileSystem::CreateStream(const std::string& Path, uint16_t Mode) {
  auto Stream = std::make_unique<TSFSFileStream>(FSFS.get(), AdjustPath(Path), Mode);
  CountUse(Path);
  return Stream;
}

int TGLockedSingleFileSystem::SetFileAttributes(const std::string& Path, int32_t Attributes) {
  std::lock_guard Lock(FCriticalSection);
  return inherited::SetFileAttributes(Path, Attributes);
}

int TGLockedSingleFileSystem::FindFirst(const std::string& Path, int32_t Attr, TGSearchRec& F) {
  std::lock_guard Lock(FCriticalSection);
  return inherited::FindFirst(Path, Attr, F);
}

int TGLockedSingleFileSystem::FindNext(TGSearchRec& F) {
  std::lock_guard Lock(FCriticalSection);
  return inherited::FindNext(F);
}

void TGLockedSingleFileSystem::FindClose(TGSearchRec& F) {
  std::lock_guard Lock(FCriticalSection);
  inherited::FindClose(F);
}

int32_t TGLockedSingleFileSystem::FileAge(const std::string& Path) {
  std::lock_guard Lock(FCriticalSection);
  return inherited::FileAge(Path);
}

bool TGLockedSingleFileSystem::FileSetDate(const std::string& Path, int32_t Age) {
  std::lock_guard Lock(FCriticalSection);
  return inherited::FileSetDate(Path, Age);
}

bool TGLockedSingleFileSystem::FileExists(const std::string& Path) {
  std::lock_guard Lock(FCriticalSection);
  return inherited::FileExists(Path);
}

bool TGLockedSingleFileSystem::DirectoryExists(const std::string& Path) {
  std::lock_guard Lock(FCriticalSection);
  return inherited::DirectoryExists(Path);
}

bool TGLockedSingleFileSystem::DeleteFile(const std::string& Path) {
  std::lock_guard Lock(FCriticalSection);
  return inherited::DeleteFile(Path);
}

bool TGLockedSingleFileSystem::RemoveDirectory(const std::string& Path) {
  std::lock_guard Lock(FCriticalSection);
  return inherited::RemoveDirectory(Path);
}

bool TGLockedSingleFileSystem::DeleteFolder(const std::string& Path) {
  std::lock_guard Lock(FCriticalSection);
  return inherited::DeleteFolder(Path);
}

bool TGLockedSingleFileSystem::ForceDirectories(const std::string& Path) {
  std::lock_guard Lock(FCriticalSection);
  return inherited::ForceDirectories(Path);
}

std::unique_ptr<TGStream> TGLockedSingleFileSystem::CreateStream(const std::string& Path,
                                                                 uint16_t Mode) {
  std::lock_guard Lock(FCriticalSection);
  std::unique_ptr<TGStream> Entry = inherited::CreateStream(Path, Mode);
  auto Copy = std::make_unique<TGMemoryStream>();
  Copy->Data().resize(size_t(Entry->GetSize()));
  Entry->ReadBuffer(Copy->Data().data(), int64_t(Copy->Data().size()));
  return Copy;
}
