#include "platform/UHostServices.h"

#include "platform/UCrashReporter.h"

#include <SDL.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace {

bool EnvironmentSet(const char* Name) {
  const char* Value = std::getenv(Name);
  return Value && *Value;
}

bool IsHeadlessDriver(std::string_view Driver) {
  return Driver == "offscreen" || Driver == "dummy";
}

std::string SystemError(int Error) {
  return std::generic_category().message(Error);
}

// Message boxes ---------------------------------------------------------------------------------

void WriteToStandardError(const std::string& Title, const std::string& Text) {
  std::string Line = Title + ": " + Text + "\n";
  std::fwrite(Line.data(), 1, Line.size(), stderr);
  std::fflush(stderr);
}

Uint32 MessageBoxFlags(TMessageBoxKind Kind) {
  switch (Kind) {
  case TMessageBoxKind::Warning:
    return SDL_MESSAGEBOX_WARNING;
  case TMessageBoxKind::Error:
    return SDL_MESSAGEBOX_ERROR;
  default:
    return SDL_MESSAGEBOX_INFORMATION;
  }
}

// Single instance -------------------------------------------------------------------------------

std::string InstanceFolder(bool& PerUser) {
  std::error_code Error;
  if (const char* Runtime = std::getenv("XDG_RUNTIME_DIR");
      Runtime && *Runtime && std::filesystem::is_directory(Runtime, Error)) {
    PerUser = true;
    return Runtime;
  }
  PerUser = false;
  std::filesystem::path Temp = std::filesystem::temp_directory_path(Error);
  return Error ? std::string("/tmp") : Temp.string();
}

// The title as one file name.
std::string FileNameOf(const std::string& Title) {
  std::string Name;
  for (char C : Title)
    Name += (C == '/' || static_cast<unsigned char>(C) < 0x20) ? '_' : C;
  if (Name.empty() || Name == "." || Name == "..")
    Name = "hoe" + Name;
  return Name;
}

std::uint64_t Fnv1a(std::string_view Text) {
  std::uint64_t Hash = 0xCBF29CE484222325ull;
  for (char C : Text) {
    Hash ^= static_cast<unsigned char>(C);
    Hash *= 0x100000001B3ull;
  }
  return Hash;
}

constexpr std::string_view RaiseMessage = "raise";

sockaddr_un AbstractAddress(const std::string& Name, socklen_t& Length) {
  sockaddr_un Address{};
  Address.sun_family = AF_UNIX;
  // sun_path[0] stays 0: the abstract namespace, nothing on disk, gone with the process.
  const std::size_t Size = std::min(Name.size(), sizeof(Address.sun_path) - 1);
  std::memcpy(Address.sun_path + 1, Name.data(), Size);
  Length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + Size);
  return Address;
}

} // namespace

bool MessageBoxesShown() {
  if (std::getenv("HOE_NO_MESSAGE_BOXES"))
    return false;
  if (SDL_WasInit(SDL_INIT_VIDEO)) {
    const char* Driver = SDL_GetCurrentVideoDriver();
    return Driver && !IsHeadlessDriver(Driver);
  }
  if (const char* Driver = std::getenv("SDL_VIDEODRIVER"); Driver && IsHeadlessDriver(Driver))
    return false;
  return EnvironmentSet("DISPLAY") || EnvironmentSet("WAYLAND_DISPLAY");
}

void ShowMessageBox(const std::string& Title, const std::string& Text, TMessageBoxKind Kind) {
  TCrashReporter::AddLogLine(Title + ": " + Text);
  if (MessageBoxesShown()) {
    SDL_Window* Parent = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetKeyboardFocus() : nullptr;
    if (SDL_ShowSimpleMessageBox(MessageBoxFlags(Kind), Title.c_str(), Text.c_str(), Parent) == 0)
      return;
  }
  WriteToStandardError(Title, Text);
}

TSingleInstanceGuard::TSingleInstanceGuard(const std::string& Title) {
  bool PerUser = false;
  const std::string Folder = InstanceFolder(PerUser);
  std::string Name = FileNameOf(Title);
  if (!PerUser) // a shared folder: one lock per user
    Name += "-" + std::to_string(getuid());
  FLockPath = (std::filesystem::path(Folder) / (Name + ".lock")).string();
  // Abstract socket names are shared by all users: the hash of the lock path, which holds the
  // runtime folder or the user id, keeps them apart. The title is only there to be read.
  char Hash[17];
  std::snprintf(Hash, sizeof Hash, "%016llx", static_cast<unsigned long long>(Fnv1a(FLockPath)));
  FSocketName = "hoe-instance." + FileNameOf(Title).substr(0, 60) + "." + Hash;
}

TSingleInstanceGuard::~TSingleInstanceGuard() {
  Release();
}

bool TSingleInstanceGuard::Acquire() {
  if (Acquired())
    return true;
  // Close-on-exec: a browser started by OpenURL must not keep the lock after we exit.
  const int File = open(FLockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (File < 0)
    throw EHostError("Cannot create the lock file " + FLockPath + ": " + SystemError(errno));
  if (flock(File, LOCK_EX | LOCK_NB) != 0) {
    const int Error = errno;
    close(File);
    if (Error == EWOULDBLOCK)
      return false;
    throw EHostError("Cannot lock " + FLockPath + ": " + SystemError(Error));
  }
  FLockFile = File;

  // Without the socket the guard still works; only the raise requests would not arrive.
  FSocket = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (FSocket >= 0) {
    socklen_t Length;
    const sockaddr_un Address = AbstractAddress(FSocketName, Length);
    if (bind(FSocket, reinterpret_cast<const sockaddr*>(&Address), Length) != 0) {
      close(FSocket);
      FSocket = -1;
    }
  }
  return true;
}

void TSingleInstanceGuard::Release() noexcept {
  if (FSocket >= 0) {
    close(FSocket);
    FSocket = -1;
  }
  if (FLockFile >= 0) {
    flock(FLockFile, LOCK_UN);
    close(FLockFile);
    FLockFile = -1;
  }
}

bool TSingleInstanceGuard::NotifyFirst() {
  const int Socket = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (Socket < 0)
    return false;
  socklen_t Length;
  const sockaddr_un Address = AbstractAddress(FSocketName, Length);
  bool Sent = false;
  // The first instance binds its socket just after taking the lock: give it a moment.
  for (int Attempt = 0; Attempt < 10 && !Sent; ++Attempt) {
    if (sendto(Socket, RaiseMessage.data(), RaiseMessage.size(), MSG_DONTWAIT,
               reinterpret_cast<const sockaddr*>(&Address), Length) >= 0) {
      Sent = true;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      Sent = true; // its queue is full of requests already
    } else if (errno == ECONNREFUSED || errno == ENOENT) {
      SDL_Delay(20);
    } else {
      break;
    }
  }
  close(Socket);
  return Sent;
}

bool TSingleInstanceGuard::RaiseRequested() {
  if (FSocket < 0)
    return false;
  bool Requested = false;
  char Buffer[16];
  for (;;) {
    const ssize_t Size = recv(FSocket, Buffer, sizeof Buffer, 0);
    if (Size < 0) {
      if (errno == EINTR)
        continue;
      break;
    }
    if (std::string_view(Buffer, static_cast<std::size_t>(Size)) == RaiseMessage)
      Requested = true;
  }
  return Requested;
}

bool OpenURL(const std::string& URL) {
  if (URL.empty() || URL.front() == '-') // never an option of xdg-open
    return false;
  std::string Program = "xdg-open";
  std::string Argument = URL;
  char* Arguments[] = {Program.data(), Argument.data(), nullptr};

  // The handler may run for as long as the browser does: it is started by a child that exits at
  // once, so it is never ours to reap. A close-on-exec pipe tells whether exec succeeded.
  int Pipe[2];
  if (pipe2(Pipe, O_CLOEXEC) != 0)
    return false;
  const pid_t Child = fork();
  if (Child == 0) {
    close(Pipe[0]);
    const pid_t Handler = fork();
    if (Handler == 0) {
      setsid();
      execvp(Arguments[0], Arguments);
      const int Error = errno;
      [[maybe_unused]] ssize_t Ignored = write(Pipe[1], &Error, sizeof Error);
      _exit(127);
    }
    _exit(Handler < 0 ? 1 : 0);
  }
  close(Pipe[1]);
  if (Child < 0) {
    close(Pipe[0]);
    return false;
  }
  int Status = 0;
  while (waitpid(Child, &Status, 0) < 0 && errno == EINTR) {
  }
  int ExecError = 0;
  ssize_t Size;
  while ((Size = read(Pipe[0], &ExecError, sizeof ExecError)) < 0 && errno == EINTR) {
  }
  close(Pipe[0]);
  return WIFEXITED(Status) && WEXITSTATUS(Status) == 0 && Size == 0;
}

std::uint64_t HostPerformanceCounter() {
  return SDL_GetPerformanceCounter();
}

std::uint64_t HostPerformanceFrequency() {
  return SDL_GetPerformanceFrequency();
}

std::uint64_t HostTickCount() {
  return SDL_GetTicks64();
}

void HostSleep(std::uint32_t Milliseconds) {
  SDL_Delay(Milliseconds);
}

void HostSleepMicroseconds(std::uint32_t Microseconds) {
  timespec T{};
  T.tv_sec = static_cast<time_t>(Microseconds / 1000000);
  T.tv_nsec = static_cast<long>(Microseconds % 1000000) * 1000;
  nanosleep(&T, nullptr);
}

void HostCpuPause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__) || defined(__arm__)
  asm volatile("yield");
#endif
}

// Memory ----------------------------------------------------------------------------------------

namespace {

// The kilobytes of the status line Key ("VmRSS:\t  1234 kB") in bytes, or 0.
std::uint64_t StatusBytes(std::string_view Status, std::string_view Key) {
  for (size_t At = 0; At < Status.size();) {
    size_t End = Status.find('\n', At);
    if (End == std::string_view::npos) {
      End = Status.size();
    }
    const std::string_view Line = Status.substr(At, End - At);
    At = End + 1;
    if (!Line.starts_with(Key) || Line.size() <= Key.size() || Line[Key.size()] != ':') {
      continue;
    }
    std::string_view Value = Line.substr(Key.size() + 1);
    const size_t Digits = Value.find_first_not_of(" \t");
    if (Digits == std::string_view::npos) {
      return 0;
    }
    Value.remove_prefix(Digits);
    std::uint64_t KiloBytes = 0;
    const auto Read = std::from_chars(Value.data(), Value.data() + Value.size(), KiloBytes);
    if (Read.ec != std::errc() || KiloBytes > UINT64_MAX / 1024) {
      return 0;
    }
    return KiloBytes * 1024;
  }
  return 0;
}

} // namespace

TResidentMemory ParseResidentMemory(std::string_view Status) {
  return TResidentMemory{StatusBytes(Status, "VmRSS"), StatusBytes(Status, "VmHWM")};
}

TResidentMemory ResidentMemory() {
  FILE* File = std::fopen("/proc/self/status", "r");
  if (!File) {
    return {};
  }
  std::string Status;
  char Buffer[4096];
  while (size_t N = std::fread(Buffer, 1, sizeof(Buffer), File)) {
    Status.append(Buffer, N);
  }
  std::fclose(File);
  return ParseResidentMemory(Status);
}
