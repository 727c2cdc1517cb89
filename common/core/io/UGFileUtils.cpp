#include "io/UGFileUtils.h"

#include "base/UGDebug.h"
#include "base/UGError.h"
#include "base/UGFormat.h"
#include "io/UGStream.h"
#include "platform/UFileHelpers.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace {

std::string SlashPath(std::string_view Path) {
  std::string P(Path);
  for (char& C : P) {
    if (C == '\\') {
      C = '/';
    }
  }
  return P;
}

} // namespace

std::string IncludeTrailingSlash(std::string_view Path) {
  std::string P(Path);
  if (!P.empty() && P.back() != '/') {
    P += '/';
  }
  return P;
}

bool FileExists(const std::string& Name) {
  struct stat Info;
  return ::stat(SlashPath(Name).c_str(), &Info) == 0 && !S_ISDIR(Info.st_mode);
}

bool DirectoryExists(const std::string& Name) {
  struct stat Info;
  return ::stat(SlashPath(Name).c_str(), &Info) == 0 && S_ISDIR(Info.st_mode);
}

bool ForceDirectories(std::string_view Path) {
  std::string P = SlashPath(Path);
  while (!P.empty() && (P.back() == ' ' || P.back() == '/')) {
    P.pop_back();
  }
  while (!P.empty() && P.front() == ' ') {
    P.erase(0, 1);
  }
  if (P.empty()) {
    return false;
  }
  size_t Pos = P.front() == '/' ? 1 : 0;
  while (Pos <= P.size()) {
    size_t Next = P.find('/', Pos);
    if (Next == std::string::npos) {
      Next = P.size();
    }
    std::string Part = P.substr(0, Next);
    if (!Part.empty() && !DirectoryExists(Part)) {
      ::mkdir(Part.c_str(), 0755);
    }
    Pos = Next + 1;
  }
  return DirectoryExists(P);
}

void DeleteFiles(const std::string& Folder, const std::string& Mask) {
  std::string Pattern = Mask == "*.*" ? "*" : Mask;
  std::string Dir = SlashPath(Folder);
  for (const THostDirEntry& E : ListDirectory(Dir)) {
    if ((!E.IsDirectory || E.IsSymlink) && ::fnmatch(Pattern.c_str(), E.Name.c_str(), 0) == 0) {
      ::unlink((IncludeTrailingSlash(Dir) + E.Name).c_str());
    }
  }
}

void DeleteTree(const std::string& Folder) {
  std::string Dir = SlashPath(Folder);
  DeleteFiles(Dir, "*.*");
  for (const THostDirEntry& E : ListDirectory(Dir)) {
    // A link to a folder is removed as a link, never followed.
    if (E.IsDirectory && !E.IsSymlink && E.Name != "." && E.Name != "..") {
      DeleteTree(IncludeTrailingSlash(Dir) + E.Name);
    }
  }
  ::rmdir(Dir.c_str());
}

std::string ReadFile(const std::string& Name) {
  TGFileStream File(SlashPath(Name), fmOpenRead | fmShareDenyWrite);
  return File.ReadAll();
}

void WriteFile(const std::string& Name, std::string_view Data) {
  TGFileStream File(SlashPath(Name), fmCreate);
  File.WriteString(Data);
}

bool SyncFile(const std::string& Name) {
  const int Fd = ::open(SlashPath(Name).c_str(), O_RDONLY);
  if (Fd < 0) {
    return false;
  }
  const bool Done = ::fsync(Fd) == 0;
  ::close(Fd);
  return Done;
}

bool SyncFolder(const std::string& Folder) {
  const int Fd = ::open(SlashPath(Folder).c_str(), O_RDONLY | O_DIRECTORY);
  if (Fd < 0) {
    return false;
  }
  const bool Done = ::fsync(Fd) == 0;
  ::close(Fd);
  return Done;
}

std::string FolderOf(const std::string& Name) {
  const std::string P = SlashPath(Name);
  const size_t Slash = P.rfind('/');
  return Slash == std::string::npos ? std::string(".")
         : Slash == 0               ? std::string("/")
                                    : P.substr(0, Slash);
}

void RenameFile(const std::string& From, const std::string& To) {
  if (::rename(SlashPath(From).c_str(), SlashPath(To).c_str()) != 0) {
    throw EWriteError(
        Format("Cannot rename %s to %s: %s", {From, To, std::string(std::strerror(errno))}));
  }
}

void WriteFileDurably(const std::string& Name, std::string_view Data) {
  const std::string Temporary = Name + ".new~";
  WriteFile(Temporary, Data);
  if (!SyncFile(Temporary)) {
    ::unlink(SlashPath(Temporary).c_str());
    throw EWriteError(Format("Cannot flush %s to the disk", {Temporary}));
  }
  RenameFile(Temporary, Name);
  SyncFolder(FolderOf(Name));
}

int64_t DiskFreeSpace(const std::string& Path) {
  struct statvfs Info;
  if (::statvfs(SlashPath(Path).c_str(), &Info) != 0) {
    return -1;
  }
  return static_cast<int64_t>(Info.f_bavail) * static_cast<int64_t>(Info.f_frsize);
}

std::string GetCommonAppDataFolder() {
  const char* Data = std::getenv("XDG_DATA_HOME");
  if (Data && *Data) {
    return Data;
  }
  const char* Home = std::getenv("HOME");
  if (Home && *Home) {
    return std::string(Home) + "/.local/share";
  }
  char Buf[4096];
  return ::getcwd(Buf, sizeof(Buf)) ? std::string(Buf) : std::string(".");
}

void GrantAllPermissions(const std::string& FileName) {
  std::string Name = SlashPath(FileName);
  struct stat Info;
  if (::stat(Name.c_str(), &Info) != 0) {
    ODS("GrantAllPermissions: file %s does not exists.", FileName);
    return;
  }
  if (::access(Name.c_str(), W_OK) != 0) {
    ODS("GrantAllPermissions: file %s is not accessible for writing", FileName);
    return;
  }
  mode_t Wanted = (Info.st_mode | S_IRUSR | S_IWUSR) & ~static_cast<mode_t>(S_IWOTH);
  if (Wanted != Info.st_mode) {
    ::chmod(Name.c_str(), Wanted & 07777);
  }
}
