// Watches a folder tree for changes on a thread of its own (inotify, one watch per folder,
// folders created later included). Changes are queued and handed out on the thread that calls
// TakeChanges, so handlers run where the caller wants them (the main thread).
#pragma once

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

class EWatchError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct TWatchEvent {
  enum TKind { wkAdded, wkRemoved, wkModified, wkRenamed };
  TKind Kind;
  std::string Name;    // relative to the watched folder, '/' separated
  std::string OldName; // for renames
};

class TDirectoryWatcher {
public:
  // Raises EWatchError when the folder cannot be watched.
  explicit TDirectoryWatcher(const std::string& Folder);
  ~TDirectoryWatcher();
  TDirectoryWatcher(const TDirectoryWatcher&) = delete;
  TDirectoryWatcher& operator=(const TDirectoryWatcher&) = delete;

  // The changes noted since the last call, oldest first. A file is "modified" when a writer
  // closes it; a rename is reported once with both names.
  std::vector<TWatchEvent> TakeChanges();

private:
  void Run();
  void AddWatches(const std::string& Relative);
  void Handle(const struct inotify_event& E);

  std::string FFolder;
  int FNotify = -1;
  int FWakeFd = -1; // tells the thread to end
  std::thread FThread;
  std::unordered_map<int, std::string> FWatches; // watch descriptor to relative folder
  std::mutex FLock;
  std::vector<TWatchEvent> FEvents;
  std::unordered_map<uint32_t, std::string> FPendingMoves; // cookie to old name
};
