// The carry-less range coder of PPMd variant G (Subbotin's coder): 32-bit low and range, a byte
// is shifted out whenever the top byte of the interval is settled, and when the range falls below
// 2^15 without the top byte settling, the range is cut down to the next 2^15 boundary so that no
// carry can ever reach bytes already written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct TPPMdRangeConst {
  static constexpr uint32_t Top = 1u << 24;
  static constexpr uint32_t Bot = 1u << 15;
};

class TPPMdRangeEncoder {
public:
  explicit TPPMdRangeEncoder(std::vector<uint8_t>& AOut)
      : FOut(AOut) {}

  // Codes the interval [LowCount, HighCount) out of Scale.
  void Encode(uint32_t LowCount, uint32_t HighCount, uint32_t Scale) {
    FRange /= Scale;
    if (FRange == 0)
      FFailed = true;
    FLow += LowCount * FRange;
    FRange *= HighCount - LowCount;
  }
  // The same with Scale = 2^Shift.
  void EncodeShift(uint32_t LowCount, uint32_t HighCount, unsigned Shift) {
    FRange >>= Shift;
    FLow += LowCount * FRange;
    FRange *= HighCount - LowCount;
  }
  void Normalize() {
    for (;;) {
      if ((FLow ^ (FLow + FRange)) >= TPPMdRangeConst::Top) {
        if (FRange >= TPPMdRangeConst::Bot)
          break;
        FRange = (0u - FLow) & (TPPMdRangeConst::Bot - 1);
      }
      FOut.push_back(uint8_t(FLow >> 24));
      FRange <<= 8;
      FLow <<= 8;
    }
  }
  void Flush() {
    for (int I = 0; I < 4; I++) {
      FOut.push_back(uint8_t(FLow >> 24));
      FLow <<= 8;
    }
  }
  // True when a frequency total exceeded the range, which the model never lets happen.
  bool Failed() const { return FFailed; }

private:
  std::vector<uint8_t>& FOut;
  uint32_t FLow = 0;
  uint32_t FRange = 0xFFFFFFFFu;
  bool FFailed = false;
};

class TPPMdRangeDecoder {
public:
  // Reads from [In, In + Size); bytes past the end read as zero.
  TPPMdRangeDecoder(const uint8_t* AIn, size_t ASize)
      : FIn(AIn)
      , FSize(ASize) {
    for (int I = 0; I < 4; I++)
      FCode = (FCode << 8) | NextByte();
  }

  // The count of the coded interval out of Scale; Scale or more when the stream is corrupt.
  uint32_t GetCount(uint32_t Scale) {
    FRange /= Scale;
    if (FRange == 0)
      return Scale;
    return (FCode - FLow) / FRange;
  }
  // The same with Scale = 2^Shift.
  uint32_t GetCountShift(unsigned Shift) {
    FRange >>= Shift;
    return (FCode - FLow) / FRange;
  }
  // Removes the interval [LowCount, HighCount) found with GetCount.
  void Decode(uint32_t LowCount, uint32_t HighCount) {
    FLow += LowCount * FRange;
    FRange *= HighCount - LowCount;
  }
  void Normalize() {
    for (;;) {
      if ((FLow ^ (FLow + FRange)) >= TPPMdRangeConst::Top) {
        if (FRange >= TPPMdRangeConst::Bot)
          break;
        FRange = (0u - FLow) & (TPPMdRangeConst::Bot - 1);
      }
      FCode = (FCode << 8) | NextByte();
      FRange <<= 8;
      FLow <<= 8;
    }
  }
  // How many bytes were read past the end of the input.
  size_t Overrun() const { return FPos > FSize ? FPos - FSize : 0; }

private:
  uint32_t NextByte() {
    size_t P = FPos++;
    return P < FSize ? FIn[P] : 0;
  }

  const uint8_t* FIn;
  size_t FSize;
  size_t FPos = 0;
  uint32_t FLow = 0;
  uint32_t FCode = 0;
  uint32_t FRange = 0xFFFFFFFFu;
};
