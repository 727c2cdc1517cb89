#include "base/UGGuid.h"

#include "base/UGRandom.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <random>

namespace {

std::atomic<bool> FromProgram{false};

uint32_t RandomWord() {
  if (FromProgram) {
    // Two draws of 16 bits from the program's generator.
    auto Half = [] { return static_cast<uint32_t>(Random(65536)); };
    return (Half() << 16) | Half();
  }
  static thread_local std::random_device Device;
  return static_cast<uint32_t>(Device());
}

} // namespace

void SetGuidsFromProgramGenerator(bool Value) {
  FromProgram = Value;
}

bool GuidsFromProgramGenerator() {
  return FromProgram;
}

std::string NewGuid() {
  uint32_t W[4] = {RandomWord(), RandomWord(), RandomWord(), RandomWord()};
  // Version 4 and the variant bits 10.
  W[1] = (W[1] & 0xFFFF0FFFu) | 0x00004000u;
  W[2] = (W[2] & 0x3FFFFFFFu) | 0x80000000u;
  char Text[40];
  std::snprintf(Text, sizeof Text, "{%08X-%04X-%04X-%04X-%04X%08X}", W[0], W[1] >> 16,
                W[1] & 0xFFFFu, W[2] >> 16, W[2] & 0xFFFFu, W[3]);
  return Text;
}
