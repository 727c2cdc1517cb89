// Services of the host system beside the window: message boxes, the single-instance guard,
// opening a link in the user's browser, and the clocks the frame paces itself with.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// A failure of the host platform: SDL could not start, the window could not be made, a lock file
// could not be created.
class EHostError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Message boxes ---------------------------------------------------------------------------------

enum class TMessageBoxKind { Information, Warning, Error };

// Shows a modal message box and waits until the user closes it. When no box can be shown or one
// would block an unattended run (headless, no display, HOE_NO_MESSAGE_BOXES set, or the box fails)
// writes "Title: Text" and a line break to standard error instead.
void ShowMessageBox(const std::string& Title, const std::string& Text, TMessageBoxKind Kind);

// Whether ShowMessageBox would show a box rather than write to standard error.
bool MessageBoxesShown();

// Single instance -------------------------------------------------------------------------------

// Keeps a second copy of the program from running beside the first. The first copy to Acquire
// holds an advisory lock on a file named after the product title in $XDG_RUNTIME_DIR (or in the
// temporary folder, with the user's id in the name) and listens on an abstract local socket named
// after that file. A later copy fails to acquire, calls NotifyFirst and exits; the first copy
// polls RaiseRequested from its loop and raises its window. The lock is released on destruction
// (or when the process ends); the lock file itself stays, because removing it could let two
// copies lock different files.
class TSingleInstanceGuard {
public:
  explicit TSingleInstanceGuard(const std::string& Title);
  ~TSingleInstanceGuard();
  TSingleInstanceGuard(const TSingleInstanceGuard&) = delete;
  TSingleInstanceGuard& operator=(const TSingleInstanceGuard&) = delete;

  // True when this is the first instance (and stays so until Release). Throws EHostError when the
  // lock file cannot be created.
  bool Acquire();
  bool Acquired() const noexcept { return FLockFile >= 0; }
  void Release() noexcept;

  // Asks the instance holding the lock to raise its window; false when it cannot be reached.
  bool NotifyFirst();
  // Whether another instance asked for the window since the last call. Never blocks.
  bool RaiseRequested();

  const std::string& LockPath() const noexcept { return FLockPath; }

private:
  std::string FLockPath;
  std::string FSocketName; // abstract: no leading zero byte here, no file on disk
  int FLockFile = -1;
  int FSocket = -1;
};

// Links -----------------------------------------------------------------------------------------

// Opens a link with the desktop's handler (xdg-open), without a shell and without waiting for it.
// False when the link is empty or starts with '-', or when xdg-open cannot be started.
bool OpenURL(const std::string& URL);

// Clocks ----------------------------------------------------------------------------------------
// Plain functions, so that the frame can hold pointers to them and tests can put fakes in place.

std::uint64_t HostPerformanceCounter();   // high-resolution counter
std::uint64_t HostPerformanceFrequency(); // its counts per second
std::uint64_t HostTickCount();            // milliseconds since SDL started
void HostSleep(std::uint32_t Milliseconds);
void HostSleepMicroseconds(std::uint32_t Microseconds); // may wake early on a signal
void HostCpuPause(); // one processor pause instruction, for spin loops

// Memory ----------------------------------------------------------------------------------------

// The process's resident memory in bytes: now (VmRSS) and the most it has held (VmHWM).
struct TResidentMemory {
  std::uint64_t Current = 0;
  std::uint64_t Peak = 0;
};

// Reads the process's own figures from /proc/self/status; zeros when the system gives none.
TResidentMemory ResidentMemory();
// The figures of a status text in the form of /proc/<pid>/status ("VmRSS:  1234 kB" lines); a
// line missing or unreadable gives zero for its figure.
TResidentMemory ParseResidentMemory(std::string_view Status);
