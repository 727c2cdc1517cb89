// Fuzzes the PPMd block codec: decodes arbitrary blocks, and round-trips arbitrary data.
//
// Input: 3 bytes of expected size (little-endian, bounded to 2 MiB), 1 byte choosing the order of
// the round trip, then the block to decode, which is also the data of the round trip.
#include "sfs/UPPMd.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr size_t MaxExpected = size_t(2) << 20;
// Larger model memories only cost time here; the header's other fields are kept as given.
constexpr uint32_t MaxFuzzMemoryMB = 8;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 4)
    return 0;
  static TPPMdCoder Decoder, Encoder, Checker;
  const size_t Expected = (Data[0] | size_t(Data[1]) << 8 | size_t(Data[2]) << 16) % MaxExpected;
  const int Order = TPPMdCoder::MinModelOrder + Data[3] % 7;
  std::vector<uint8_t> Block(Data + 4, Data + Size);

  std::vector<uint8_t> Out;
  if (Block.size() >= 4) {
    std::vector<uint8_t> Patched = Block;
    const uint32_t MemField = ((Patched[0] >> 4) | (Patched[1] & 15) << 4) % MaxFuzzMemoryMB;
    Patched[0] = uint8_t((Patched[0] & 15) | MemField << 4);
    Patched[1] = uint8_t((Patched[1] & 0xF0) | MemField >> 4);
    Decoder.DecodeBlock(Patched.data(), Patched.size(), Expected, Out);
  } else
    Decoder.DecodeBlock(Block.data(), Block.size(), Expected, Out);
  if (Out.size() > Expected)
    std::abort();

  std::vector<uint8_t> Coded, Back;
  if (!Encoder.EncodeBlock(Block.data(), Block.size(), Order, 1, Coded))
    std::abort();
  if (Coded.size() > Block.size() + Block.size() / 20 + 50 + 4)
    std::abort();
  if (!Checker.DecodeBlock(Coded.data(), Coded.size(), Block.size(), Back) || Back != Block)
    std::abort();
  return 0;
}
