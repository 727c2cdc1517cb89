#include "platform/UCrashReporter.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cxxabi.h>
#include <exception>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <typeinfo>

#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

namespace {

// What the handlers touch lives here, in static storage filled before any crash. The code from
// here to the installation runs in signal handlers (or in std::terminate) and calls only
// async-signal-safe functions, and backtrace, whose library is loaded at install.

constexpr int CLogLines = 50;
constexpr size_t CLogLineSize = 240;
constexpr int CMaxThreads = 32;
constexpr int CMaxFrames = 64;
constexpr int CThreadWaitMs = 500;      // for one thread to write its trace
constexpr int CAllThreadsWaitMs = 3000; // for all of them
constexpr int CSymbolsWaitMs = 15000;   // for addr2line
constexpr int CFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// Text in fixed storage. The program rewrites it in normal context; the handler reads it
// without a lock, so a text being rewritten at the moment of the crash may come out cut.
template <size_t N>
class TFixedText {
public:
  void Set(std::string_view Text) {
    FSize.store(0, std::memory_order_release);
    const size_t Count = std::min(Text.size(), N);
    std::memcpy(FData, Text.data(), Count);
    FSize.store(Count, std::memory_order_release);
  }
  std::string_view Get() const { return {FData, FSize.load(std::memory_order_acquire)}; }

private:
  char FData[N];
  std::atomic<size_t> FSize{0};
};

// Text built in a fixed buffer. With a file descriptor the buffer is written out whenever it
// fills (and on Flush); without one, text past its end is dropped and CStr ends it.
class TOut {
public:
  TOut(char* Buffer, size_t Size, int Fd = -1)
      : FBuffer(Buffer)
      , FCapacity(Size)
      , FFd(Fd) {}
  ~TOut() { Flush(); }
  TOut(const TOut&) = delete;
  TOut& operator=(const TOut&) = delete;

  TOut& Char(char C) {
    if (FSize + 1 >= FCapacity) {
      Flush();
      if (FSize + 1 >= FCapacity) {
        return *this;
      }
    }
    FBuffer[FSize++] = C;
    return *this;
  }
  TOut& Text(std::string_view Text) {
    for (char C : Text) {
      Char(C);
    }
    return *this;
  }
  TOut& Decimal(long long Value, int MinDigits = 1) {
    char Digits[24];
    int Count = 0;
    unsigned long long Rest = Value < 0 ? 0ULL - static_cast<unsigned long long>(Value)
                                        : static_cast<unsigned long long>(Value);
    do {
      Digits[Count++] = static_cast<char>('0' + Rest % 10);
      Rest /= 10;
    } while (Rest != 0 || Count < MinDigits);
    if (Value < 0) {
      Char('-');
    }
    while (Count > 0) {
      Char(Digits[--Count]);
    }
    return *this;
  }
  TOut& Hex(uintptr_t Value) {
    Text("0x");
    char Digits[2 * sizeof(uintptr_t)];
    int Count = 0;
    do {
      Digits[Count++] = "0123456789abcdef"[Value & 0xF];
      Value >>= 4;
    } while (Value != 0);
    while (Count > 0) {
      Char(Digits[--Count]);
    }
    return *this;
  }
  void Flush();
  const char* CStr() {
    FBuffer[FSize] = '\0';
    return FBuffer;
  }

private:
  char* FBuffer;
  size_t FCapacity;
  size_t FSize = 0;
  int FFd;
};

void WriteAll(int Fd, const char* Data, size_t Size) {
  while (Size > 0) {
    const ssize_t N = ::write(Fd, Data, Size);
    if (N < 0 && errno == EINTR) {
      continue;
    }
    if (N <= 0) {
      return;
    }
    Data += N;
    Size -= static_cast<size_t>(N);
  }
}

void TOut::Flush() {
  if (FFd >= 0 && FSize > 0) {
    WriteAll(FFd, FBuffer, FSize);
    FSize = 0;
  }
}

// --- What the program keeps up to date ----------------------------------------------------------

std::atomic<bool> GInstalled{false};
char GReportsFolder[PATH_MAX];
TFixedText<256> GVersion;
TFixedText<4096> GCommandLine;
TFixedText<512> GLocation;
TFixedText<256> GScreen;
std::mutex GLogLock;
TFixedText<CLogLineSize> GLog[CLogLines];
std::atomic<uint32_t> GLogCount{0};

// Found at install: the symboliser, the program's code in memory, the local time's offset and
// the signal that asks a thread for its trace.
char GAddr2Line[PATH_MAX];
uintptr_t GProgramBias = 0;
struct TCodeRange {
  uintptr_t Start, End;
};
TCodeRange GProgramCode[8];
int GProgramCodeCount = 0;
long GUtcOffset = 0;
int GTraceSignal = 0;
struct sigaction GPreviousBusAction;
char GAltStack[128 * 1024];

// --- The crash ----------------------------------------------------------------------------------

// The thread writing the report (0 before any crash).
std::atomic<int> GCrashingThread{0};
int GReportFd = -1;

// The stack traces, slot 0 the crashing thread's.
struct TThreadTrace {
  int Id;
  char Name[20];
  void* Frames[CMaxFrames];
  int FrameCount;
  bool FirstIsPc; // the first frame is where the fault happened, not a return address
};
TThreadTrace GThreads[CMaxThreads];
int GThreadCount = 0;
// The slot asked for its trace: its handler takes it (CTraceTaken) or the asker gives up (-1);
// the handler leaves the slot in GTraceDone when its trace is written.
constexpr int CTraceTaken = -2;
std::atomic<int> GTraceSlot{-1};
std::atomic<int> GTraceDone{0};

char GCauseText[2048]; // an exception's type and message
char GPath[PATH_MAX + 64];
char GLine[1024];
char GScratch[512];

// addr2line's command line and output.
constexpr int CMaxSymbols = CMaxThreads * CMaxFrames;
char GSymbolProgram[64];
char GSymbolArgText[CMaxSymbols * 20];
char* GSymbolArgs[CMaxSymbols + 16];
short GSymbolSlot[CMaxSymbols];
short GSymbolFrame[CMaxSymbols];
char GSymbolOutput[512 * 1024];

int CurrentThreadId() {
  return static_cast<int>(::syscall(SYS_gettid));
}

long MillisecondsSince(const timespec& Start) {
  timespec Now;
  ::clock_gettime(CLOCK_MONOTONIC, &Now);
  return (Now.tv_sec - Start.tv_sec) * 1000 + (Now.tv_nsec - Start.tv_nsec) / 1000000;
}

void SleepOneMillisecond() {
  timespec Pause{0, 1000000};
  ::nanosleep(&Pause, nullptr);
}

// --- Text of the report -------------------------------------------------------------------------

struct TCivilTime {
  long long Year;
  int Month, Day, Hour, Minute, Second;
};

// The calendar date and time of Seconds since 1970 (days to civil date: Howard Hinnant's
// algorithm), because localtime_r may take locks.
TCivilTime CivilTime(long long Seconds) {
  long long Days = Seconds / 86400;
  long long Rest = Seconds % 86400;
  if (Rest < 0) {
    Rest += 86400;
    --Days;
  }
  Days += 719468;
  const long long Era = (Days >= 0 ? Days : Days - 146096) / 146097;
  const long long DayOfEra = Days - Era * 146097;
  const long long YearOfEra =
      (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
  const long long DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
  const long long MonthIndex = (5 * DayOfYear + 2) / 153;
  TCivilTime T;
  T.Day = static_cast<int>(DayOfYear - (153 * MonthIndex + 2) / 5 + 1);
  T.Month = static_cast<int>(MonthIndex < 10 ? MonthIndex + 3 : MonthIndex - 9);
  T.Year = YearOfEra + Era * 400 + (T.Month <= 2 ? 1 : 0);
  T.Hour = static_cast<int>(Rest / 3600);
  T.Minute = static_cast<int>(Rest / 60 % 60);
  T.Second = static_cast<int>(Rest % 60);
  return T;
}

void WriteDate(TOut& Out, const TCivilTime& T, char DateTimeGap, char TimeSeparator) {
  Out.Decimal(T.Year, 4).Char('-').Decimal(T.Month, 2).Char('-').Decimal(T.Day, 2);
  Out.Char(DateTimeGap).Decimal(T.Hour, 2).Char(TimeSeparator).Decimal(T.Minute, 2);
  Out.Char(TimeSeparator).Decimal(T.Second, 2);
}

const char* SignalName(int Signal) {
  switch (Signal) {
  case SIGSEGV:
    return "SIGSEGV (segmentation fault)";
  case SIGBUS:
    return "SIGBUS (bus error)";
  case SIGFPE:
    return "SIGFPE (arithmetic error)";
  case SIGILL:
    return "SIGILL (illegal instruction)";
  case SIGABRT:
    return "SIGABRT (abort)";
  default:
    return "signal";
  }
}

// What si_code says of a fault, or nullptr.
const char* FaultKind(int Signal, int Code) {
  switch (Signal) {
  case SIGSEGV:
    return Code == SEGV_MAPERR   ? "address not mapped"
           : Code == SEGV_ACCERR ? "no access to the address"
                                 : nullptr;
  case SIGBUS:
    return Code == BUS_ADRALN   ? "misaligned address"
           : Code == BUS_ADRERR ? "no such physical address"
           : Code == BUS_OBJERR ? "error in the object (a mapped file cut short)"
                                : nullptr;
  case SIGFPE:
    return Code == FPE_INTDIV   ? "integer division by zero"
           : Code == FPE_INTOVF ? "integer overflow"
           : Code == FPE_FLTDIV ? "floating-point division by zero"
           : Code == FPE_FLTINV ? "invalid floating-point operation"
                                : nullptr;
  case SIGILL:
    return Code == ILL_ILLOPC   ? "illegal opcode"
           : Code == ILL_PRVOPC ? "privileged opcode"
           : Code == ILL_ILLTRP ? "illegal trap"
                                : nullptr;
  default:
    return nullptr;
  }
}

void WriteSignal(TOut& Out, int Signal, const siginfo_t* Info) {
  Out.Text("Signal: ").Text(SignalName(Signal)).Text(" (").Decimal(Signal).Char(')');
  if (!Info) {
    Out.Char('\n');
    return;
  }
  if (Info->si_code <= 0) {
    // Sent (kill, raise, abort): there is no faulting address.
    Out.Text(", sent by process ").Decimal(Info->si_pid).Char('\n');
    return;
  }
  if (const char* Kind = FaultKind(Signal, Info->si_code)) {
    Out.Text(", ").Text(Kind);
  }
  Out.Text(", at address ").Hex(reinterpret_cast<uintptr_t>(Info->si_addr)).Char('\n');
}

// Reads the thread's name from /proc into Name (15 characters at most).
// Reads the start of /proc/self/task/<Tid>/<Name> into Buffer, NUL-ended; returns its size.
size_t ReadTaskFile(int Tid, const char* Name, char* Buffer, size_t Size) {
  char PathBuffer[64];
  TOut Path(PathBuffer, sizeof PathBuffer);
  Path.Text("/proc/self/task/").Decimal(Tid).Char('/').Text(Name);
  size_t Read = 0;
  const int Fd = ::open(Path.CStr(), O_RDONLY | O_CLOEXEC);
  if (Fd >= 0) {
    const ssize_t N = ::read(Fd, Buffer, Size - 1);
    Read = N > 0 ? static_cast<size_t>(N) : 0;
    ::close(Fd);
  }
  Buffer[Read] = '\0';
  return Read;
}

void ReadThreadName(int Tid, char (&Name)[20]) {
  size_t Size = ReadTaskFile(Tid, "comm", Name, sizeof Name);
  while (Size > 0 && Name[Size - 1] == '\n') {
    --Size;
  }
  Name[Size] = '\0';
}

// Whether the thread blocks the signal ("SigBlk", in hexadecimal, in its status): such a thread
// (the graphics driver's workers block nearly all) would never answer.
bool BlocksSignal(int Tid, int Signal) {
  static char Status[4096];
  const size_t Size = ReadTaskFile(Tid, "status", Status, sizeof Status);
  const std::string_view Text(Status, Size);
  const size_t Field = Text.find("\nSigBlk:");
  if (Field == std::string_view::npos) {
    return false;
  }
  size_t Pos = Field + 8;
  while (Pos < Size && (Status[Pos] == ' ' || Status[Pos] == '\t')) {
    ++Pos;
  }
  uint64_t Mask = 0;
  for (; Pos < Size; ++Pos) {
    const char C = Status[Pos];
    const int Digit = C >= '0' && C <= '9' ? C - '0' : C >= 'a' && C <= 'f' ? C - 'a' + 10 : -1;
    if (Digit < 0) {
      break;
    }
    Mask = Mask << 4 | static_cast<uint64_t>(Digit);
  }
  return Signal >= 1 && Signal <= 64 && (Mask >> (Signal - 1) & 1) != 0;
}

void WriteThreadTitle(TOut& Out, const TThreadTrace& Thread, bool Crashed) {
  Out.Text("Thread ").Decimal(Thread.Id).Text(" \"").Text(Thread.Name).Char('"');
  Out.Text(Crashed ? " (crashed):\n" : ":\n");
}

// The frames with backtrace_symbols_fd (which names exported functions and never allocates),
// one at a time so that each line carries its number.
void WriteFrames(TOut& Out, const TThreadTrace& Thread) {
  for (int I = 0; I < Thread.FrameCount; ++I) {
    Out.Text("  #").Decimal(I).Char(' ');
    Out.Flush();
    ::backtrace_symbols_fd(const_cast<void**>(&Thread.Frames[I]), 1, GReportFd);
  }
}

uintptr_t FaultingPc(const void* Context) {
  if (!Context) {
    return 0;
  }
  const auto* Uc = static_cast<const ucontext_t*>(Context);
#if defined(__x86_64__)
  return static_cast<uintptr_t>(Uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  return static_cast<uintptr_t>(Uc->uc_mcontext.pc);
#else
  (void)Uc;
  return 0;
#endif
}

// Fills the slot's frames from this thread's stack, from its caller on. In a signal handler
// (Context given) the trace starts where the signal came: the handler's own frames go.
[[gnu::noinline]] void TakeTrace(TThreadTrace& Thread, const void* Context) {
  void* Frames[CMaxFrames + 8];
  const int Count = ::backtrace(Frames, CMaxFrames + 8);
  int First = Count > 1 ? 1 : 0; // the first frame is this function
  const uintptr_t Pc = FaultingPc(Context);
  while (Pc != 0 && First < Count && reinterpret_cast<uintptr_t>(Frames[First]) != Pc) {
    ++First;
  }
  if (First == Count) {
    First = Count > 1 ? 1 : 0;
  }
  Thread.FirstIsPc = Pc != 0 && First < Count && reinterpret_cast<uintptr_t>(Frames[First]) == Pc;
  Thread.FrameCount = 0;
  for (int I = First; I < Count && Thread.FrameCount < CMaxFrames; ++I) {
    Thread.Frames[Thread.FrameCount++] = Frames[I];
  }
}

// --- The other threads --------------------------------------------------------------------------

// Lists the process's threads after the crashing one (slot 0) from /proc/self/task.
void ListOtherThreads() {
  const int Fd = ::open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0) {
    return;
  }
  alignas(8) char Entries[4096];
  for (;;) {
    const long Size = ::syscall(SYS_getdents64, Fd, Entries, sizeof Entries);
    if (Size <= 0) {
      break;
    }
    // linux_dirent64: inode (8), offset (8), record length (2), type (1), name.
    for (long Pos = 0; Pos < Size;) {
      unsigned short RecordLength;
      std::memcpy(&RecordLength, Entries + Pos + 16, sizeof RecordLength);
      const char* Name = Entries + Pos + 19;
      int Tid = 0;
      for (const char* C = Name; *C >= '0' && *C <= '9'; ++C) {
        Tid = Tid * 10 + (*C - '0');
      }
      if (Tid > 0 && Tid != GThreads[0].Id && GThreadCount < CMaxThreads) {
        TThreadTrace& Thread = GThreads[GThreadCount++];
        Thread.Id = Tid;
        Thread.FrameCount = 0;
        Thread.FirstIsPc = false;
        ReadThreadName(Tid, Thread.Name);
      }
      Pos += RecordLength;
      if (RecordLength == 0) {
        break;
      }
    }
  }
  ::close(Fd);
}

// A thread asked for its trace writes it into the report itself.
void OnTraceRequest(int, siginfo_t*, void* Context) {
  const int SavedErrno = errno;
  int Slot = GTraceSlot.load();
  if (Slot > 0 && Slot < GThreadCount && GThreads[Slot].Id == CurrentThreadId() &&
      GTraceSlot.compare_exchange_strong(Slot, CTraceTaken)) {
    TakeTrace(GThreads[Slot], Context);
    TOut Out(GScratch, sizeof GScratch, GReportFd);
    WriteFrames(Out, GThreads[Slot]);
    Out.Flush();
    GTraceDone.store(Slot);
  }
  errno = SavedErrno;
}

// Waits for the asked thread's trace; false when it did not come within Milliseconds.
bool AwaitTrace(int Slot, long Milliseconds) {
  timespec Start;
  ::clock_gettime(CLOCK_MONOTONIC, &Start);
  bool Taken = false;
  while (GTraceDone.load() != Slot) {
    const long Waited = MillisecondsSince(Start);
    if (!Taken && Waited >= Milliseconds) {
      int Expected = Slot;
      if (GTraceSlot.compare_exchange_strong(Expected, -1)) {
        return false;
      }
      Taken = true; // its handler is writing now: it gets as long again
    }
    if (Waited >= 2 * Milliseconds) {
      return false;
    }
    SleepOneMillisecond();
  }
  return true;
}

void WriteOtherThreads(TOut& Out) {
  timespec Start;
  ::clock_gettime(CLOCK_MONOTONIC, &Start);
  for (int Slot = 1; Slot < GThreadCount; ++Slot) {
    TThreadTrace& Thread = GThreads[Slot];
    Out.Char('\n');
    WriteThreadTitle(Out, Thread, false);
    Out.Flush();
    if (GTraceSignal == 0 || MillisecondsSince(Start) >= CAllThreadsWaitMs) {
      Out.Text(GTraceSignal == 0 ? "  (not asked: no spare signal)\n"
                                 : "  (not asked: no time left)\n");
      continue;
    }
    if (BlocksSignal(Thread.Id, GTraceSignal)) {
      Out.Text("  (no trace: the thread blocks signals)\n");
      continue;
    }
    GTraceDone.store(0);
    GTraceSlot.store(Slot);
    if (::syscall(SYS_tgkill, ::getpid(), Thread.Id, GTraceSignal) != 0) {
      GTraceSlot.store(-1);
      Out.Text("  (gone)\n");
      continue;
    }
    if (!AwaitTrace(Slot, CThreadWaitMs)) {
      Out.Text("  (no answer within ").Decimal(CThreadWaitMs).Text(" ms)\n");
    }
  }
  GTraceSlot.store(-1);
}

// --- Functions, files and lines -----------------------------------------------------------------

bool InProgram(uintptr_t Address) {
  for (int I = 0; I < GProgramCodeCount; ++I) {
    if (Address >= GProgramCode[I].Start && Address < GProgramCode[I].End) {
      return true;
    }
  }
  return false;
}

// addr2line's arguments: its switches, the program and the offsets of the program's frames
// (return addresses one byte back, inside their call). Returns how many frames it names.
int BuildSymbolArgs() {
  int Argc = 0;
  for (const char* Switch : {"addr2line", "-C", "-f", "-i", "-p", "-a", "-e"}) {
    GSymbolArgs[Argc++] = const_cast<char*>(Switch);
  }
  // The running program itself, even if its file was replaced since.
  TOut Program(GSymbolProgram, sizeof GSymbolProgram);
  GSymbolArgs[Argc++] =
      const_cast<char*>(Program.Text("/proc/").Decimal(::getpid()).Text("/exe").CStr());
  int Count = 0;
  size_t Used = 0;
  for (int Slot = 0; Slot < GThreadCount; ++Slot) {
    const TThreadTrace& Thread = GThreads[Slot];
    for (int I = 0; I < Thread.FrameCount && Count < CMaxSymbols; ++I) {
      uintptr_t Address = reinterpret_cast<uintptr_t>(Thread.Frames[I]);
      if (!InProgram(Address) || Used + 20 > sizeof GSymbolArgText) {
        continue;
      }
      if (!(I == 0 && Thread.FirstIsPc)) {
        --Address;
      }
      char* Arg = GSymbolArgText + Used;
      TOut One(Arg, 20);
      One.Hex(Address - GProgramBias);
      One.CStr();
      Used += std::strlen(Arg) + 1;
      GSymbolArgs[Argc++] = Arg;
      GSymbolSlot[Count] = static_cast<short>(Slot);
      GSymbolFrame[Count] = static_cast<short>(I);
      ++Count;
    }
  }
  GSymbolArgs[Argc] = nullptr;
  return Count;
}

// Runs addr2line in a child with its output in GSymbolOutput; returns the output's size, or -1
// when it could not start. Status receives its wait status (or -1 when it was stopped).
long RunSymboliser(int& Status) {
  int Pipe[2];
  if (::pipe2(Pipe, O_CLOEXEC) != 0) {
    return -1;
  }
  const pid_t Child = ::_Fork();
  if (Child < 0) {
    ::close(Pipe[0]);
    ::close(Pipe[1]);
    return -1;
  }
  if (Child == 0) {
    sigset_t None;
    sigemptyset(&None);
    ::sigprocmask(SIG_SETMASK, &None, nullptr);
    const int Null = ::open("/dev/null", O_RDWR);
    ::dup2(Null, 0);
    ::dup2(Pipe[1], 1);
    ::dup2(Null, 2);
    char* Environment[] = {const_cast<char*>("LC_ALL=C"), nullptr};
    ::execve(GAddr2Line, GSymbolArgs, Environment);
    ::_exit(127);
  }
  ::close(Pipe[1]);
  timespec Start;
  ::clock_gettime(CLOCK_MONOTONIC, &Start);
  size_t Size = 0;
  bool Stopped = false;
  for (;;) {
    const long Left = CSymbolsWaitMs - MillisecondsSince(Start);
    pollfd Poll{Pipe[0], POLLIN, 0};
    if (Left <= 0 || Size + 1 >= sizeof GSymbolOutput) {
      Stopped = true;
      break;
    }
    const int Ready = ::poll(&Poll, 1, static_cast<int>(Left));
    if (Ready < 0 && errno == EINTR) {
      continue;
    }
    if (Ready <= 0) {
      continue; // out of time: the next turn stops
    }
    const ssize_t N = ::read(Pipe[0], GSymbolOutput + Size, sizeof GSymbolOutput - 1 - Size);
    if (N < 0 && errno == EINTR) {
      continue;
    }
    if (N <= 0) {
      break;
    }
    Size += static_cast<size_t>(N);
  }
  ::close(Pipe[0]);
  if (Stopped) {
    ::kill(Child, SIGKILL);
  }
  Status = -1;
  int WaitStatus = 0;
  while (::waitpid(Child, &WaitStatus, 0) < 0 && errno == EINTR) {
  }
  if (!Stopped) {
    Status = WaitStatus;
  }
  return static_cast<long>(Size);
}

// addr2line's blocks ("0x<offset>: function at file:line", then " (inlined by) ..." lines) under
// their threads, each with the frame's number and address as the traces above show them.
int WriteSymbolLines(TOut& Out, long Size, int Count) {
  int Block = -1;
  int Slot = -1;
  for (long Pos = 0; Pos < Size;) {
    long End = Pos;
    while (End < Size && GSymbolOutput[End] != '\n') {
      ++End;
    }
    const std::string_view Line(GSymbolOutput + Pos, static_cast<size_t>(End - Pos));
    Pos = End + 1;
    if (Line.substr(0, 2) == "0x" && Block + 1 < Count) {
      ++Block;
      if (GSymbolSlot[Block] != Slot) {
        Slot = GSymbolSlot[Block];
        Out.Char('\n');
        WriteThreadTitle(Out, GThreads[Slot], Slot == 0);
      }
      const int Frame = GSymbolFrame[Block];
      const size_t Colon = Line.find(": ");
      Out.Text("  #").Decimal(Frame).Char(' ');
      Out.Hex(reinterpret_cast<uintptr_t>(GThreads[Slot].Frames[Frame])).Char(' ');
      Out.Text(Colon == std::string_view::npos ? Line : Line.substr(Colon + 2)).Char('\n');
    } else if (const size_t Text = Line.find_first_not_of(' ');
               Block >= 0 && Text != std::string_view::npos) {
      Out.Text("      ").Text(Line.substr(Text)).Char('\n');
    }
  }
  return Block + 1;
}

void WriteSymbols(TOut& Out) {
  Out.Text("\nStack traces with source lines (addr2line):\n");
  if (GAddr2Line[0] == '\0') {
    Out.Text("  (addr2line was not found: the traces above stand)\n");
    return;
  }
  const int Count = BuildSymbolArgs();
  if (Count == 0) {
    Out.Text("  (no frame lies in the program)\n");
    return;
  }
  Out.Flush();
  int Status = 0;
  const long Size = RunSymboliser(Status);
  if (Size < 0) {
    Out.Text("  (addr2line could not be started: the traces above stand)\n");
    return;
  }
  const int Named = WriteSymbolLines(Out, Size, Count);
  if (Status == -1) {
    Out.Text("  (addr2line was stopped after ").Decimal(CSymbolsWaitMs / 1000).Text(" s)\n");
  } else if (!WIFEXITED(Status) || WEXITSTATUS(Status) != 0) {
    Out.Text("  (addr2line failed");
    if (WIFEXITED(Status)) {
      Out.Text(" with exit status ").Decimal(WEXITSTATUS(Status));
    }
    Out.Text(")\n");
  }
  if (Named < Count) {
    Out.Text("  (").Decimal(Count - Named).Text(" of ").Decimal(Count).Text(" frames not named)\n");
  }
}

// --- The report ---------------------------------------------------------------------------------

// Opens a new report named after the local time (a number added when the name is taken) and
// leaves its path in GPath; -1 when none can be made.
int OpenReportFile(const TCivilTime& Time) {
  for (int Attempt = 1; Attempt <= 20; ++Attempt) {
    TOut Path(GPath, sizeof GPath);
    Path.Text(GReportsFolder).Text("/Crash-");
    WriteDate(Path, Time, '_', '-');
    if (Attempt > 1) {
      Path.Char('-').Decimal(Attempt);
    }
    Path.Text(".txt");
    const int Fd = ::open(Path.CStr(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (Fd >= 0 || errno != EEXIST) {
      return Fd;
    }
  }
  return -1;
}

void WriteHeader(TOut& Out, const TCivilTime& Time) {
  Out.Text("Crash report\n\nTime: ");
  WriteDate(Out, Time, ' ', ':');
  const long Offset = GUtcOffset < 0 ? -GUtcOffset : GUtcOffset;
  Out.Text(" (UTC").Char(GUtcOffset < 0 ? '-' : '+').Decimal(Offset / 3600, 2).Char(':');
  Out.Decimal(Offset / 60 % 60, 2).Text(")\n");
  Out.Text("Version: ").Text(GVersion.Get()).Char('\n');
  Out.Text("Command line: ").Text(GCommandLine.Get()).Char('\n');
  Out.Text("Process: ").Decimal(::getpid()).Char('\n');
  const std::string_view Location = GLocation.Get(), Screen = GScreen.Get();
  Out.Text("Location: ").Text(Location.empty() ? "(none)" : Location).Char('\n');
  Out.Text("Screen: ").Text(Screen.empty() ? "(none)" : Screen).Char('\n');
}

void WriteLog(TOut& Out) {
  const uint32_t Count = GLogCount.load(std::memory_order_acquire);
  const uint32_t First = Count > CLogLines ? Count - CLogLines : 0;
  Out.Text("\nLast lines of the log:\n");
  for (uint32_t I = First; I < Count; ++I) {
    Out.Text("  ").Text(GLog[I % CLogLines].Get()).Char('\n');
  }
}

// Writes the whole report: Signal and Info for a signal, GCauseText for an exception (Signal 0).
// The crashing thread's trace is in slot 0.
void WriteReport(int Signal, const siginfo_t* Info) {
  timespec Now;
  ::clock_gettime(CLOCK_REALTIME, &Now);
  const TCivilTime Time = CivilTime(static_cast<long long>(Now.tv_sec) + GUtcOffset);
  const int File = OpenReportFile(Time);
  const int SavedErrno = errno;
  GReportFd = File >= 0 ? File : STDERR_FILENO;
  if (File < 0) {
    TOut Err(GLine, sizeof GLine, STDERR_FILENO);
    Err.Text("Crash report: cannot write into ").Text(GReportsFolder).Text(" (error ");
    Err.Decimal(SavedErrno).Text("); the report follows here\n");
  }
  {
    TOut Out(GLine, sizeof GLine, GReportFd);
    WriteHeader(Out, Time);
    Out.Char('\n');
    if (Signal != 0) {
      WriteSignal(Out, Signal, Info);
    } else {
      Out.Text(GCauseText).Char('\n');
    }
    WriteLog(Out);

    GThreads[0].Id = CurrentThreadId();
    ReadThreadName(GThreads[0].Id, GThreads[0].Name);
    GThreadCount = 1;
    ListOtherThreads();
    Out.Text("\nStack traces:\n\n");
    WriteThreadTitle(Out, GThreads[0], true);
    WriteFrames(Out, GThreads[0]);
    WriteOtherThreads(Out);
    WriteSymbols(Out);
  }
  if (File >= 0) {
    ::fsync(File);
    ::close(File);
    TOut Err(GLine, sizeof GLine, STDERR_FILENO);
    Err.Text("Crash report written to ").Text(GPath).Char('\n');
  }
}

// Only the first crash writes a report. A crash while writing it ends the process at once; a
// crash of another thread meanwhile waits for the report, which ends the process.
bool EnterCrash() {
  const int Me = CurrentThreadId();
  int Expected = 0;
  if (GCrashingThread.compare_exchange_strong(Expected, Me)) {
    return true;
  }
  if (Expected != Me) {
    for (;;) {
      ::pause();
    }
  }
  return false;
}

// Gives the signal back its default action and sends it to this thread, which ends the process.
void RaiseWithDefaultAction(int Signal) {
  struct sigaction Default = {};
  Default.sa_handler = SIG_DFL;
  sigemptyset(&Default.sa_mask);
  ::sigaction(Signal, &Default, nullptr);
  ::syscall(SYS_tgkill, ::getpid(), CurrentThreadId(), Signal);
}

// The archive's guarded reads of mapped files turn their bus errors into failed reads: a
// handler installed for that before this one sees the signal first (it jumps away when it was
// its read, and returns otherwise).
void PassBusErrorOn(int Signal, siginfo_t* Info, void* Context) {
  if ((GPreviousBusAction.sa_flags & SA_SIGINFO) != 0 && GPreviousBusAction.sa_sigaction) {
    GPreviousBusAction.sa_sigaction(Signal, Info, Context);
  } else if (GPreviousBusAction.sa_handler != SIG_DFL && GPreviousBusAction.sa_handler != SIG_IGN) {
    GPreviousBusAction.sa_handler(Signal);
  }
}

void OnFatalSignal(int Signal, siginfo_t* Info, void* Context) {
  const int SavedErrno = errno;
  if (Signal == SIGBUS) {
    PassBusErrorOn(Signal, Info, Context);
  }
  if (EnterCrash()) {
    TakeTrace(GThreads[0], Context);
    WriteReport(Signal, Info);
  }
  RaiseWithDefaultAction(Signal);
  errno = SavedErrno;
}

// The exception being handled as "Exception: <type>: <what>" in GCauseText (this runs outside a
// signal handler, so the type's name may be demangled).
void DescribeCurrentException() {
  TOut Out(GCauseText, sizeof GCauseText);
  const std::type_info* Type = abi::__cxa_current_exception_type();
  if (!Type) {
    Out.Text("Exception: none (std::terminate was called without one)");
    Out.CStr();
    return;
  }
  int Status = 0;
  char* Name = abi::__cxa_demangle(Type->name(), nullptr, nullptr, &Status);
  Out.Text("Exception: ").Text(Status == 0 && Name ? Name : Type->name());
  std::free(Name);
  if (std::exception_ptr Current = std::current_exception()) {
    try {
      std::rethrow_exception(Current);
    } catch (const std::exception& E) {
      Out.Text(": ").Text(E.what());
    } catch (...) {
    }
  }
  Out.CStr();
}

[[noreturn]] void OnTerminate() {
  if (EnterCrash()) {
    TakeTrace(GThreads[0], nullptr); // from here: this handler, std::terminate, the throw
    DescribeCurrentException();
    WriteReport(0, nullptr);
  }
  struct sigaction Default = {};
  Default.sa_handler = SIG_DFL;
  sigemptyset(&Default.sa_mask);
  ::sigaction(SIGABRT, &Default, nullptr);
  std::abort();
}

// --- Installation -------------------------------------------------------------------------------

int FindProgramCode(dl_phdr_info* Info, size_t, void*) {
  // The first object listed is the program itself.
  GProgramBias = Info->dlpi_addr;
  for (int I = 0; I < Info->dlpi_phnum && GProgramCodeCount < 8; ++I) {
    const ElfW(Phdr)& Header = Info->dlpi_phdr[I];
    if (Header.p_type == PT_LOAD && (Header.p_flags & PF_X) != 0) {
      const uintptr_t Start = Info->dlpi_addr + Header.p_vaddr;
      GProgramCode[GProgramCodeCount++] = {Start, Start + Header.p_memsz};
    }
  }
  return 1;
}

void FindAddr2Line() {
  GAddr2Line[0] = '\0';
  const char* Path = std::getenv("PATH");
  std::string_view Folders = Path && *Path ? Path : "/usr/bin:/bin";
  while (!Folders.empty()) {
    const size_t Colon = Folders.find(':');
    std::string Candidate(Folders.substr(0, Colon));
    Folders = Colon == std::string_view::npos ? std::string_view() : Folders.substr(Colon + 1);
    Candidate += "/addr2line";
    if (!Candidate.empty() && Candidate.front() == '/' && Candidate.size() < sizeof GAddr2Line &&
        ::access(Candidate.c_str(), X_OK) == 0) {
      std::memcpy(GAddr2Line, Candidate.c_str(), Candidate.size() + 1);
      return;
    }
  }
}

// A real-time signal nobody handles yet, from the top down; 0 when there is none.
int FindSpareSignal() {
  for (int Signal = SIGRTMAX - 1; Signal > SIGRTMIN; --Signal) {
    struct sigaction Current;
    if (::sigaction(Signal, nullptr, &Current) == 0 && (Current.sa_flags & SA_SIGINFO) == 0 &&
        Current.sa_handler == SIG_DFL) {
      return Signal;
    }
  }
  return 0;
}

std::string QuotedCommandLine(const std::vector<std::string>& CommandLine) {
  std::string Text;
  for (const std::string& Arg : CommandLine) {
    if (!Text.empty()) {
      Text += ' ';
    }
    const bool Plain = !Arg.empty() && Arg.find_first_of(" \t\n'\"\\$`*?") == std::string::npos;
    if (Plain) {
      Text += Arg;
      continue;
    }
    Text += '\'';
    for (char C : Arg) {
      Text += C == '\'' ? std::string("'\\''") : std::string(1, C);
    }
    Text += '\'';
  }
  return Text;
}

void InstallHandlers() {
  // backtrace loads the unwinder on its first call, which must not happen in a handler.
  void* Frames[4];
  ::backtrace(Frames, 4);
  ::dl_iterate_phdr(&FindProgramCode, nullptr);
  FindAddr2Line();

  stack_t Stack = {};
  Stack.ss_sp = GAltStack;
  Stack.ss_size = sizeof GAltStack;
  ::sigaltstack(&Stack, nullptr); // a stack overflow still gets its report

  struct sigaction Action = {};
  Action.sa_sigaction = &OnFatalSignal;
  // Not blocked while handled: a fault in the report ends the process at once, and a bus error
  // the archive's guard jumps away from leaves the signal open for the next one.
  Action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&Action.sa_mask);
  for (int Signal : CFatalSignals) {
    ::sigaction(Signal, &Action, Signal == SIGBUS ? &GPreviousBusAction : nullptr);
  }
  GTraceSignal = FindSpareSignal();
  if (GTraceSignal != 0) {
    struct sigaction Trace = {};
    Trace.sa_sigaction = &OnTraceRequest;
    Trace.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&Trace.sa_mask);
    ::sigaction(GTraceSignal, &Trace, nullptr);
  }
  std::set_terminate(&OnTerminate);
}

[[noreturn]] void ThrowUncaught() {
  throw std::runtime_error("a test crash: an exception no one catches");
}

// An exception leaving a noexcept function ends in std::terminate, as one leaving a thread does.
void EndInTerminate() noexcept {
  ThrowUncaught();
}

} // namespace

bool TCrashReporter::Install(const std::string& DataFolder, const std::string& Version,
                             const std::vector<std::string>& CommandLine) {
  const std::string Folder = DataFolder + "/CrashReports";
  std::error_code Error;
  std::filesystem::create_directories(Folder, Error);
  if (!std::filesystem::is_directory(Folder, Error) || Folder.size() >= sizeof GReportsFolder) {
    return false;
  }
  std::memcpy(GReportsFolder, Folder.c_str(), Folder.size() + 1);
  GVersion.Set(Version);
  GCommandLine.Set(QuotedCommandLine(CommandLine));
  const time_t Now = std::time(nullptr);
  tm Local;
  GUtcOffset = ::localtime_r(&Now, &Local) ? Local.tm_gmtoff : 0;
  if (!GInstalled.exchange(true)) {
    InstallHandlers();
  }
  return true;
}

bool TCrashReporter::Installed() {
  return GInstalled.load();
}

std::string TCrashReporter::ReportsFolder() {
  return Installed() ? std::string(GReportsFolder) : std::string();
}

void TCrashReporter::SetLocation(std::string_view URL) {
  GLocation.Set(URL);
}

void TCrashReporter::SetScreen(std::string_view ClassName) {
  GScreen.Set(ClassName);
}

void TCrashReporter::AddLogLine(std::string_view Text) {
  std::lock_guard<std::mutex> Guard(GLogLock);
  while (!Text.empty()) {
    const size_t End = Text.find('\n');
    std::string_view Line = Text.substr(0, End);
    Text = End == std::string_view::npos ? std::string_view() : Text.substr(End + 1);
    if (!Line.empty() && Line.back() == '\r') {
      Line.remove_suffix(1);
    }
    if (Line.empty()) {
      continue;
    }
    const uint32_t Count = GLogCount.load(std::memory_order_relaxed);
    GLog[Count % CLogLines].Set(Line.substr(0, CLogLineSize));
    GLogCount.store(Count + 1, std::memory_order_release);
  }
}

bool TCrashReporter::IsCrashKind(std::string_view Kind) {
  return Kind == "segv" || Kind == "abort" || Kind == "throw";
}

// The store through a null pointer is the point: the undefined-behaviour sanitizer must let it
// fault as it does in a build without it.
__attribute__((no_sanitize("undefined"))) void TCrashReporter::Provoke(std::string_view Kind) {
  if (Kind == "segv") {
    // Both volatile: the pointer's value is unknown to the compiler, and the store cannot be
    // dropped before the abort below.
    volatile int* volatile Nowhere = nullptr;
    *Nowhere = 1;
  } else if (Kind == "throw") {
    EndInTerminate();
  }
  std::abort();
}
