#include "sfs/UMappedRegion.h"

#include <csetjmp>
#include <csignal>
#include <mutex>

#include <sys/mman.h>

TMappedRegion::TMappedRegion(int Fd, int64_t Size) {
  if (Fd < 0 || Size <= 0 || uint64_t(Size) > SIZE_MAX) {
    return;
  }
  void* P = ::mmap(nullptr, size_t(Size), PROT_READ, MAP_SHARED, Fd, 0);
  if (P == MAP_FAILED) {
    return;
  }
  FData = static_cast<const uint8_t*>(P);
  FSize = Size;
}

TMappedRegion::~TMappedRegion() {
  if (FData) {
    ::munmap(const_cast<uint8_t*>(FData), size_t(FSize));
  }
}

const uint8_t* TMappedRegion::At(int64_t Pos, int64_t Count) const {
  if (!FData || Pos < 0 || Count < 0 || Pos > FSize || Count > FSize - Pos) {
    return nullptr;
  }
  return FData + Pos;
}

namespace {

// The jump of the guarded call running on this thread, if any.
thread_local sigjmp_buf* GGuardJump = nullptr;
struct sigaction GPreviousBusAction;

void OnBusError(int Signal, siginfo_t* Info, void* Context) {
  if (sigjmp_buf* Jump = GGuardJump) {
    GGuardJump = nullptr;
    siglongjmp(*Jump, 1);
  }
  // Not a guarded read: whoever handled the signal before us does, or the default kills.
  if ((GPreviousBusAction.sa_flags & SA_SIGINFO) != 0 && GPreviousBusAction.sa_sigaction) {
    GPreviousBusAction.sa_sigaction(Signal, Info, Context);
    return;
  }
  if (GPreviousBusAction.sa_handler != SIG_DFL && GPreviousBusAction.sa_handler != SIG_IGN) {
    GPreviousBusAction.sa_handler(Signal);
    return;
  }
  ::signal(SIGBUS, SIG_DFL);
  ::raise(SIGBUS);
}

void InstallBusHandler() {
  struct sigaction Action = {};
  Action.sa_sigaction = &OnBusError;
  // Not blocked while handled: the jump leaves the handler, and a later fault must reach it.
  Action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&Action.sa_mask);
  ::sigaction(SIGBUS, &Action, &GPreviousBusAction);
}

} // namespace

bool RunGuardedAgainstBusErrors(void (*Fn)(void*), void* Arg) {
  static std::once_flag Installed;
  std::call_once(Installed, &InstallBusHandler);
  sigjmp_buf Jump;
  if (sigsetjmp(Jump, 0) != 0) {
    return false;
  }
  GGuardJump = &Jump;
  Fn(Arg);
  GGuardJump = nullptr;
  return true;
}
