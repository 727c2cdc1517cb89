// A read-only memory mapping of a whole file, for reading archives without copying every page
// through the kernel, and a guard for touching it: a file that shrinks under the mapping, or a
// disk that fails while a page is brought in, raises SIGBUS, which the guard turns into a failed
// call so that the caller can fall back to ordinary reads and report the error from there.
#pragma once

#include <cstddef>
#include <cstdint>

class TMappedRegion {
public:
  // Maps the first Size bytes of the open descriptor Fd; Data() is null when the system refuses
  // (or Size is 0), and the caller reads as before.
  TMappedRegion(int Fd, int64_t Size);
  ~TMappedRegion();
  TMappedRegion(const TMappedRegion&) = delete;
  TMappedRegion& operator=(const TMappedRegion&) = delete;

  const uint8_t* Data() const { return FData; }
  int64_t Size() const { return FSize; }
  // The Count bytes at Pos, or null when they are not all mapped.
  const uint8_t* At(int64_t Pos, int64_t Count) const;

private:
  const uint8_t* FData = nullptr;
  int64_t FSize = 0;
};

// Runs Fn (Arg); returns false when it touched a mapped page that could not be read (the work
// Fn had done by then is incomplete). Fn must not allocate, lock or throw: it is left by a jump.
bool RunGuardedAgainstBusErrors(void (*Fn)(void*), void* Arg);

template <class F>
bool RunGuardedAgainstBusErrors(F& Work) {
  return RunGuardedAgainstBusErrors([](void* P) { (*static_cast<F*>(P))(); }, &Work);
}
