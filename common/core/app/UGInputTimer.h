// Frame pacing: the thread sleeps in 1 ms steps until at most 2.2 ms remain before the next frame,
// then spins on the high-resolution counter to the exact boundary. The tick count handed to the
// frame is the accumulated frame time in milliseconds, not the wall clock.
#pragma once

#include <cstdint>

// The clock behind the timer; tests give one that neither sleeps nor spins.
class TGClock {
public:
  virtual ~TGClock() = default;
  // The high-resolution counter; false when it cannot be read.
  virtual bool Counter(uint64_t& Value) = 0;
  virtual uint64_t Frequency() = 0;
  // Milliseconds of the system timer.
  virtual uint64_t Milliseconds() = 0;
  virtual void Sleep(uint32_t Milliseconds) = 0;
  // A sleep shorter than a millisecond, before the spin to a frame boundary.
  virtual void SleepMicroseconds(uint32_t Microseconds) = 0;
  // One processor pause inside a spin.
  virtual void Pause() = 0;
};

// The host's clock.
TGClock& SystemClock();

class TGInputTimer {
public:
  // Linux wakes from 1 ms sleeps within about 0.1 ms, so the 1 ms steps go on until 1.2 ms
  // before the frame boundary. A shorter sleep then leaves SpinMargin, and only that is spun:
  // spinning from 1.2 ms before every frame costs a tenth of a core by itself.
  static constexpr double SleepGain = 0.0012;
  static constexpr double SpinMargin = 0.0003;

  explicit TGInputTimer(TGClock& AClock = SystemClock());

  int64_t TickCount() const { return FTickCount; }
  int32_t WantedFPS() const { return FWantedFPS; }
  void SetWantedFPS(int32_t Value) { FWantedFPS = Value > 0 ? Value : 1; }
  bool UsesPerformanceCounter() const { return FUsePC; }

  // Starts the next interval now (after an inactive spell, so it does not count as a frame).
  void Reset();
  // Goes on from the game time TickCount (after a replay), starting the next interval now.
  void ContinueFrom(int64_t TickCount);
  // Whether a frame is due; sleeps 1 ms (20 ms when minimised) when it is not.
  bool Wait(bool Minimized);

private:
  // The current counter and its frequency, falling back to the millisecond timer for good once
  // the counter fails.
  uint64_t Now(uint64_t& Frequency);

  TGClock& FClock;
  double FAccumulator = 0;
  int64_t FTickCount = 0;
  uint64_t FLastTick = 0; // the frame boundary the next frame counts from
  uint64_t FLastNow = 0;  // when the last frame actually began, for game time
  int32_t FWantedFPS = 90;
  bool FUsePC = true;
};
