#include "io/UGNativeFileSystem.h"

#include "io/UGFileUtils.h"
#include "object/UGClassBuilder.h"
#include "platform/UFileHelpers.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

G_IMPLEMENT_CLASS(TGNativeFileSystem)

namespace {

constexpr int ErrorNoMoreFiles = 18;

struct TNativeSearch {
  std::vector<THostDirEntry> Entries;
  std::string Mask;
  int32_t Attr = 0;
  size_t Next = 0;
};

int32_t EntryAttributes(const THostDirEntry& E) {
  int32_t A = E.IsDirectory ? faDirectory : faArchive;
  if (E.Hidden) {
    A |= faHidden;
  }
  if (E.ReadOnly) {
    A |= faReadOnly;
  }
  return A;
}

// Fills F with the next entry that matches; false when there is none.
bool NextMatch(TNativeSearch& S, TGSearchRec& F) {
  while (S.Next < S.Entries.size()) {
    const THostDirEntry& E = S.Entries[S.Next++];
    int32_t A = EntryAttributes(E);
    if (MatchesMask(E.Name, S.Mask) && AttributesMatch(A, S.Attr)) {
      F.Name = E.Name;
      F.Attr = A;
      F.Size = E.Size;
      F.Time = DateTimeToFileDate(E.Modified);
      return true;
    }
  }
  return false;
}

std::string AbsolutePath(const std::string& Root) {
  std::string R = ResolvePathNoCase(Root);
  char Buf[PATH_MAX];
  if (::realpath(R.c_str(), Buf)) {
    return Buf;
  }
  if (!R.empty() && R.front() == '/') {
    return R;
  }
  return ::getcwd(Buf, sizeof(Buf)) ? std::string(Buf) + "/" + R : R;
}

} // namespace

TGNativeFileSystem::TGNativeFileSystem(TGObject* AOwner, const std::string& ARoot)
    : TGFileSystem(AOwner)
    , FRootDir(AbsolutePath(ARoot)) {}

std::string TGNativeFileSystem::AdjustPath(const std::string& Path) const {
  if (Path.empty()) {
    return FRootDir;
  }
  bool RootIsDrive = FRootDir == "/";
  bool Leading = Path.front() == '/' || Path.front() == '\\';
  std::string Joined;
  if (!RootIsDrive && !Leading) {
    Joined = FRootDir + "/" + Path;
  } else if (RootIsDrive != Leading) {
    Joined = FRootDir + Path;
  } else {
    Joined = FRootDir + Path.substr(1);
  }
  return ResolvePathNoCase(Joined);
}

int TGNativeFileSystem::SetFileAttributes(const std::string& Path, int32_t Attributes) {
  std::string P = AdjustPath(Path);
  struct stat Info;
  if (::stat(P.c_str(), &Info) != 0) {
    return errno;
  }
  mode_t Mode = Info.st_mode & 07777;
  Mode = (Attributes & faReadOnly) ? (Mode & ~static_cast<mode_t>(S_IWUSR)) : (Mode | S_IWUSR);
  return ::chmod(P.c_str(), Mode) == 0 ? 0 : errno;
}

int TGNativeFileSystem::FindFirst(const std::string& Path, int32_t Attr, TGSearchRec& F) {
  std::string P = AdjustPath(Path);
  size_t Slash = P.rfind('/');
  auto Search = std::make_shared<TNativeSearch>();
  Search->Mask = Slash == std::string::npos ? P : P.substr(Slash + 1);
  Search->Entries = ListDirectory(Slash == std::string::npos ? "." : P.substr(0, Slash + 1));
  Search->Attr = Attr;
  F.Handle = Search;
  return NextMatch(*Search, F) ? 0 : ErrorNoMoreFiles;
}

int TGNativeFileSystem::FindNext(TGSearchRec& F) {
  auto* Search = static_cast<TNativeSearch*>(F.Handle.get());
  return Search && NextMatch(*Search, F) ? 0 : ErrorNoMoreFiles;
}

void TGNativeFileSystem::FindClose(TGSearchRec& F) {
  F.Handle.reset();
}

int32_t TGNativeFileSystem::FileAge(const std::string& Path) {
  struct stat Info;
  if (::stat(AdjustPath(Path).c_str(), &Info) != 0 || S_ISDIR(Info.st_mode)) {
    return -1;
  }
  return DateTimeToFileDate(Info.st_mtime);
}

bool TGNativeFileSystem::FileExists(const std::string& Path) {
  return ::FileExists(AdjustPath(Path));
}

bool TGNativeFileSystem::DirectoryExists(const std::string& Path) {
  return ::DirectoryExists(AdjustPath(Path));
}

bool TGNativeFileSystem::DeleteFile(const std::string& Path) {
  std::string P = AdjustPath(Path);
  return ::FileExists(P) && ::unlink(P.c_str()) == 0;
}

bool TGNativeFileSystem::RemoveDirectory(const std::string& Path) {
  return ::rmdir(AdjustPath(Path).c_str()) == 0;
}

bool TGNativeFileSystem::DeleteFolder(const std::string& Path) {
  (void)Path;
  throw EGException("Not implemented");
}

bool TGNativeFileSystem::ForceDirectories(const std::string& Path) {
  return ::ForceDirectories(AdjustPath(Path));
}

std::unique_ptr<TGStream> TGNativeFileSystem::CreateStream(const std::string& Path, uint16_t Mode) {
  CountUse(Path);
  return std::make_unique<TGFileStream>(AdjustPath(Path), Mode);
}
