#include "app/replay/UGReplayClock.h"

#include "base/UGGUID.h"

#include <atomic>

namespace {

std::atomic<int64_t> GameTime{0};

constexpr double CMillisecondsPerDay = 86400000.0;

} // namespace

void StartReplayClock(TGDateTime Start) {
  GameTime = 0;
  SetDateTimeSource(
      [Start] { return Start + static_cast<double>(GameTime) / CMillisecondsPerDay; });
  SetGuidsFromProgramGenerator(true);
}

void SetReplayClockTime(int64_t Milliseconds) {
  GameTime = Milliseconds;
}

void StopReplayClock() {
  SetDateTimeSource(nullptr);
  SetGuidsFromProgramGenerator(false);
}
