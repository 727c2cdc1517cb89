#include "app/UGInputTimer.h"

#include "platform/UHostServices.h"

#include <cmath>

namespace {

class THostClock : public TGClock {
public:
  bool Counter(uint64_t& Value) override {
    Value = HostPerformanceCounter();
    return Value != 0;
  }
  uint64_t Frequency() override { return HostPerformanceFrequency(); }
  uint64_t Milliseconds() override { return HostTickCount(); }
  void Sleep(uint32_t Ms) override { HostSleep(Ms); }
  void SleepMicroseconds(uint32_t Us) override { HostSleepMicroseconds(Us); }
  void Pause() override { HostCpuPause(); }
};

} // namespace

TGClock& SystemClock() {
  static THostClock Clock;
  return Clock;
}

TGInputTimer::TGInputTimer(TGClock& AClock)
    : FClock(AClock) {
  Reset();
}

uint64_t TGInputTimer::Now(uint64_t& Frequency) {
  if (FUsePC) {
    uint64_t Value = 0;
    uint64_t F = FClock.Frequency();
    if (F != 0 && FClock.Counter(Value)) {
      Frequency = F;
      return Value;
    }
    // The counter failed: the millisecond timer from now on, restarting the interval on it.
    FUsePC = false;
    FLastTick = FClock.Milliseconds();
    FLastNow = FLastTick;
  }
  Frequency = 1000;
  return FClock.Milliseconds();
}

void TGInputTimer::ContinueFrom(int64_t TickCount) {
  FAccumulator = double(TickCount) / 1000.0;
  FTickCount = TickCount;
  Reset();
}

void TGInputTimer::Reset() {
  uint64_t Frequency = 0;
  FLastTick = Now(Frequency);
  FLastNow = FLastTick;
}

bool TGInputTimer::Wait(bool Minimized) {
  uint64_t Frequency = 0;
  uint64_t Now = this->Now(Frequency);
  // A counter that went backwards counts as no time.
  double Elapsed = Now > FLastTick ? static_cast<double>(Now - FLastTick) / Frequency : 0.0;
  double Remaining = 1.0 / FWantedFPS - Elapsed;
  if (Remaining > SleepGain) {
    FClock.Sleep(Minimized ? 20 : 1);
    return false;
  }
  uint64_t Period =
      static_cast<uint64_t>(std::llround(static_cast<double>(Frequency) / FWantedFPS));
  uint64_t Due = FLastTick + Period;
  if (FUsePC && !Minimized) {
    if (Now < Due) {
      const double Rest = static_cast<double>(Due - Now) / static_cast<double>(Frequency);
      if (Rest > SpinMargin) {
        FClock.SleepMicroseconds(static_cast<uint32_t>((Rest - SpinMargin) * 1e6));
        Now = this->Now(Frequency);
      }
    }
    while (FUsePC && Now < Due) {
      for (int I = 0; I < 96; ++I) {
        FClock.Pause();
      }
      Now = this->Now(Frequency);
    }
  }
  // Game time is the time that really passed.
  if (Now > FLastNow) {
    FAccumulator += static_cast<double>(Now - FLastNow) / static_cast<double>(Frequency);
  }
  FTickCount = std::llround(FAccumulator * 1000.0);
  FLastNow = Now;
  // The next frame counts from this frame's boundary, so that a frame that starts a little late
  // does not push every later frame back; a frame more than a whole period late starts anew.
  FLastTick = (Now >= Due && Now - Due < Period) ? Due : Now;
  return true;
}
