#include "base/UGThread.h"

#include <atomic>

uint32_t GetCurrentThreadID() {
  static std::atomic<uint32_t> Next{1};
  thread_local uint32_t ID = Next.fetch_add(1);
  return ID;
}
