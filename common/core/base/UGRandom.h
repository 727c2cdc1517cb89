// The program's one seedable random generator. Input recordings store and restore its seed, so
// everything that must replay (game logic, scripts' Math.random) draws from it; code that would
// reseed it from the clock keeps a TGRandom of its own instead.
#pragma once

#include <atomic>
#include <cstdint>

class TGRandom {
public:
  explicit TGRandom(uint32_t ASeed = 0)
      : FSeed(ASeed) {}

  uint32_t Seed() const { return FSeed.load(std::memory_order_relaxed); }
  void SetSeed(uint32_t ASeed) { FSeed.store(ASeed, std::memory_order_relaxed); }
  // Seeds from the clock.
  void Randomize();

  // Uniform in [0, 1).
  double Random();
  // Uniform in [0, Range); 0 when Range <= 0.
  int32_t Random(int32_t Range);

private:
  uint32_t Next();

  std::atomic<uint32_t> FSeed;
};

// The program's generator.
TGRandom& GlobalRandom();

inline double Random() {
  return GlobalRandom().Random();
}
inline int32_t Random(int32_t Range) {
  return GlobalRandom().Random(Range);
}
