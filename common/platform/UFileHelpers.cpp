#include "platform/UFileHelpers.h"

#include <cctype>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Exists(const std::string& Path) {
  struct stat Info;
  return ::lstat(Path.c_str(), &Info) == 0;
}

bool EqualNoCase(const std::string& A, const char* B) {
  size_t I = 0;
  for (; I < A.size() && B[I]; ++I) {
    if (std::toupper(static_cast<unsigned char>(A[I])) !=
        std::toupper(static_cast<unsigned char>(B[I]))) {
      return false;
    }
  }
  return I == A.size() && !B[I];
}

} // namespace

std::string ResolvePathNoCase(const std::string& Path) {
  std::string P = Path;
  for (char& C : P) {
    if (C == '\\') {
      C = '/';
    }
  }
  if (P.empty() || Exists(P)) {
    return P;
  }
  std::string Out = P.front() == '/' ? "/" : "";
  size_t Pos = P.front() == '/' ? 1 : 0;
  bool Found = true; // once a component is missing, the rest cannot exist either
  while (Pos <= P.size()) {
    size_t End = P.find('/', Pos);
    if (End == std::string::npos) {
      End = P.size();
    }
    std::string Part = P.substr(Pos, End - Pos);
    if (!Part.empty()) {
      std::string Candidate = Out + Part;
      if (Found && !Exists(Candidate)) {
        Found = false;
        if (DIR* D = ::opendir(Out.empty() ? "." : Out.c_str())) {
          while (dirent* E = ::readdir(D)) {
            if (EqualNoCase(Part, E->d_name)) {
              Candidate = Out + E->d_name;
              Found = true;
              break;
            }
          }
          ::closedir(D);
        }
      }
      Out = Candidate;
      if (End < P.size()) {
        Out += '/';
      }
    } else if (End < P.size() && !Out.empty() && Out.back() != '/') {
      Out += '/';
    }
    Pos = End + 1;
  }
  return Out;
}

int32_t DateTimeToFileDate(std::time_t Time) {
  std::tm L{};
  localtime_r(&Time, &L);
  uint32_t Date =
      static_cast<uint32_t>(((L.tm_year + 1900 - 1980) << 9) | ((L.tm_mon + 1) << 5) | L.tm_mday);
  uint32_t Clock = static_cast<uint32_t>((L.tm_hour << 11) | (L.tm_min << 5) | (L.tm_sec / 2));
  return static_cast<int32_t>((Date << 16) | Clock);
}

std::time_t FileDateToDateTime(int32_t FileDate) {
  uint32_t V = static_cast<uint32_t>(FileDate);
  std::tm L{};
  L.tm_year = static_cast<int>((V >> 25) & 0x7F) + 1980 - 1900;
  L.tm_mon = static_cast<int>((V >> 21) & 0x0F) - 1;
  L.tm_mday = static_cast<int>((V >> 16) & 0x1F);
  L.tm_hour = static_cast<int>((V >> 11) & 0x1F);
  L.tm_min = static_cast<int>((V >> 5) & 0x3F);
  L.tm_sec = static_cast<int>(V & 0x1F) * 2;
  L.tm_isdst = -1;
  return std::mktime(&L);
}

std::vector<THostDirEntry> ListDirectory(const std::string& Folder) {
  std::vector<THostDirEntry> Out;
  DIR* D = ::opendir(Folder.empty() ? "." : Folder.c_str());
  if (!D) {
    return Out;
  }
  std::string Base = Folder.empty() ? std::string() : Folder + (Folder.back() == '/' ? "" : "/");
  while (dirent* E = ::readdir(D)) {
    THostDirEntry Entry;
    Entry.Name = E->d_name;
    struct stat Info;
    std::string Path = Base + Entry.Name;
    Entry.IsSymlink = ::lstat(Path.c_str(), &Info) == 0 && S_ISLNK(Info.st_mode);
    if (::stat(Path.c_str(), &Info) == 0) {
      Entry.IsDirectory = S_ISDIR(Info.st_mode);
      Entry.ReadOnly = (Info.st_mode & S_IWUSR) == 0;
      Entry.Size = Info.st_size;
      Entry.Modified = Info.st_mtime;
    }
    Entry.Hidden = Entry.Name.size() > 1 && Entry.Name[0] == '.' && Entry.Name != "..";
    Out.push_back(std::move(Entry));
  }
  ::closedir(D);
  return Out;
}

bool MatchesMask(const std::string& Name, const std::string& Mask) {
  if (Mask == "*.*" || Mask == "*") {
    return true;
  }
  return ::fnmatch(Mask.c_str(), Name.c_str(), FNM_CASEFOLD) == 0;
}
