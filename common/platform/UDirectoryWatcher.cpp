#include "platform/UDirectoryWatcher.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

TDirectoryWatcher::TDirectoryWatcher(const std::string& Folder)
    : FFolder(Folder) {
  while (FFolder.size() > 1 && FFolder.back() == '/') {
    FFolder.pop_back();
  }
  struct stat Info;
  if (::stat(FFolder.c_str(), &Info) != 0 || !S_ISDIR(Info.st_mode)) {
    throw EWatchError("Cannot watch \"" + FFolder + "\": not a folder");
  }
  FNotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  FWakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (FNotify < 0 || FWakeFd < 0) {
    std::string Reason = std::strerror(errno);
    if (FNotify >= 0) {
      ::close(FNotify);
    }
    if (FWakeFd >= 0) {
      ::close(FWakeFd);
    }
    throw EWatchError("Cannot watch \"" + FFolder + "\": " + Reason);
  }
  AddWatches("");
  FThread = std::thread(&TDirectoryWatcher::Run, this);
}

TDirectoryWatcher::~TDirectoryWatcher() {
  uint64_t One = 1;
  if (::write(FWakeFd, &One, sizeof(One)) < 0) {
    // The thread still ends when its descriptors close below.
  }
  if (FThread.joinable()) {
    FThread.join();
  }
  ::close(FNotify);
  ::close(FWakeFd);
}

void TDirectoryWatcher::AddWatches(const std::string& Relative) {
  std::string Path = Relative.empty() ? FFolder : FFolder + "/" + Relative;
  int Wd = ::inotify_add_watch(FNotify, Path.c_str(),
                               IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                   IN_MOVED_TO | IN_ONLYDIR);
  if (Wd < 0) {
    if (Relative.empty()) {
      throw EWatchError("Cannot watch \"" + Path + "\": " + std::strerror(errno));
    }
    return;
  }
  FWatches[Wd] = Relative;
  if (DIR* D = ::opendir(Path.c_str())) {
    while (dirent* E = ::readdir(D)) {
      std::string Name = E->d_name;
      if (Name == "." || Name == "..") {
        continue;
      }
      struct stat Info;
      std::string Child = Relative.empty() ? Name : Relative + "/" + Name;
      if (::stat((FFolder + "/" + Child).c_str(), &Info) == 0 && S_ISDIR(Info.st_mode)) {
        AddWatches(Child);
      }
    }
    ::closedir(D);
  }
}

void TDirectoryWatcher::Handle(const inotify_event& E) {
  auto It = FWatches.find(E.wd);
  if (It == FWatches.end() || E.len == 0) {
    return;
  }
  std::string Name = It->second.empty() ? E.name : It->second + "/" + E.name;
  if ((E.mask & IN_ISDIR) && (E.mask & (IN_CREATE | IN_MOVED_TO))) {
    AddWatches(Name);
  }
  std::lock_guard<std::mutex> Lock(FLock);
  if (E.mask & IN_CREATE) {
    FEvents.push_back({TWatchEvent::wkAdded, Name, {}});
  } else if (E.mask & IN_DELETE) {
    FEvents.push_back({TWatchEvent::wkRemoved, Name, {}});
  } else if (E.mask & IN_CLOSE_WRITE) {
    FEvents.push_back({TWatchEvent::wkModified, Name, {}});
  } else if (E.mask & IN_MOVED_FROM) {
    FPendingMoves[E.cookie] = Name;
  } else if (E.mask & IN_MOVED_TO) {
    auto From = FPendingMoves.find(E.cookie);
    if (From != FPendingMoves.end()) {
      FEvents.push_back({TWatchEvent::wkRenamed, Name, From->second});
      FPendingMoves.erase(From);
    } else {
      FEvents.push_back({TWatchEvent::wkAdded, Name, {}});
    }
  }
}

void TDirectoryWatcher::Run() {
  alignas(inotify_event) char Buffer[16 * 1024];
  pollfd Fds[2] = {{FNotify, POLLIN, 0}, {FWakeFd, POLLIN, 0}};
  while (true) {
    if (::poll(Fds, 2, -1) < 0) {
      if (errno == EINTR) {
        continue;
      }
      return;
    }
    if (Fds[1].revents) {
      return;
    }
    ssize_t N = ::read(FNotify, Buffer, sizeof(Buffer));
    if (N <= 0) {
      continue;
    }
    for (ssize_t Pos = 0; Pos < N;) {
      const auto* E = reinterpret_cast<const inotify_event*>(Buffer + Pos);
      Handle(*E);
      Pos += static_cast<ssize_t>(sizeof(inotify_event) + E->len);
    }
  }
}

std::vector<TWatchEvent> TDirectoryWatcher::TakeChanges() {
  std::lock_guard<std::mutex> Lock(FLock);
  std::vector<TWatchEvent> Out;
  Out.swap(FEvents);
  return Out;
}
