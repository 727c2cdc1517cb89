#include "base/UGRandom.h"

#include <chrono>

uint32_t TGRandom::Next() {
  // A linear congruential step; the whole state is the 32-bit seed, which recordings keep.
  uint32_t Old = FSeed.load(std::memory_order_relaxed);
  uint32_t New;
  do {
    New = Old * 0x08088405u + 1u;
  } while (!FSeed.compare_exchange_weak(Old, New, std::memory_order_relaxed));
  return New;
}

void TGRandom::Randomize() {
  auto Now = std::chrono::steady_clock::now().time_since_epoch();
  SetSeed(static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(Now).count()));
}

double TGRandom::Random() {
  return static_cast<double>(Next()) * (1.0 / 4294967296.0);
}

int32_t TGRandom::Random(int32_t Range) {
  if (Range <= 0) {
    return 0;
  }
  return static_cast<int32_t>((static_cast<uint64_t>(Next()) * static_cast<uint64_t>(Range)) >> 32);
}

TGRandom& GlobalRandom() {
  static TGRandom Generator;
  return Generator;
}
