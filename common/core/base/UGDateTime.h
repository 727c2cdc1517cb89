// Date-times as the files keep them: days since 30 December 1899 as a 64-bit float, the
// fraction being the local time of day, stored as the integer of the same 64 bits. The clock
// can be replaced, so that a replayed run reads the same dates as the run it replays.
#pragma once

#include <cstdint>
#include <functional>

using TGDateTime = double;

// The current local date-time (or the replaced clock's).
TGDateTime PreciseNow();
// Replaces the clock (none: the system's local time again).
void SetDateTimeSource(std::function<TGDateTime()> Source);
// Whether a replaced clock is in force (a recorded or replayed run).
bool DateTimeSourceReplaced();
// The system's local date-time.
TGDateTime SystemNow();

// The 64 bits of the date-time as a signed integer, and back.
int64_t DateTimeAsInt64(TGDateTime Value);
TGDateTime Int64AsDateTime(int64_t Value);
// From a calendar date and time of day (local), and the seconds since 1970 (UTC) of a date-time.
TGDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, double Second);
