// A 32-bit colour: the bytes B, G, R, A in memory, the value 0xAARRGGBB. It is the pixel of every
// bitmap and texture and the colour of vertices, materials and tints.
#pragma once

#include <cstdint>

struct TGColor {
  uint8_t B = 0;
  uint8_t G = 0;
  uint8_t R = 0;
  uint8_t A = 0;

  constexpr TGColor() = default;
  constexpr TGColor(uint32_t Value) // NOLINT: converts both ways, like the value it stands for
      : B(static_cast<uint8_t>(Value))
      , G(static_cast<uint8_t>(Value >> 8))
      , R(static_cast<uint8_t>(Value >> 16))
      , A(static_cast<uint8_t>(Value >> 24)) {}
  constexpr operator uint32_t() const {
    return uint32_t{B} | uint32_t{G} << 8 | uint32_t{R} << 16 | uint32_t{A} << 24;
  }

  // Each channel clamped to 0..255.
  static TGColor Create(int32_t A, int32_t R, int32_t G, int32_t B);
  // Channels from 0..1: each value * 255, truncated, then clamped.
  static TGColor Create(double A, double R, double G, double B);
  // White with the given alpha.
  static TGColor Create(int32_t A);
  static TGColor Create(double A);
  // From a 0x00BBGGRR value (R in the low byte) and an alpha.
  static TGColor Create(uint32_t ColorRef, int32_t A);

  // The channels as 0..1 values (r, g, b, a).
  void ToFloats(float (&Rgba)[4]) const;
};

static_assert(sizeof(TGColor) == 4);

// Channel by channel, saturating at 255.
TGColor operator+(TGColor X, TGColor Y);
// Channel by channel, (x * y) div 255: white is neutral, transparent black absorbs.
TGColor operator*(TGColor X, TGColor Y);
