// The date and time a recorded or replayed run reads: the recording's start time plus the game
// time of the frame, so that a replay sees the same dates (and, with identifiers drawn from the
// program's generator, the same GUIDs) as the run it replays, and saves the same bytes.
#pragma once

#include "base/UGDateTime.h"

#include <cstdint>

// From now on PreciseNow is Start plus the game time, and GUIDs come from the program's
// generator.
void StartReplayClock(TGDateTime Start);
// The game time of the frame being run, in milliseconds.
void SetReplayClockTime(int64_t Milliseconds);
// The system's clock and random source again.
void StopReplayClock();
