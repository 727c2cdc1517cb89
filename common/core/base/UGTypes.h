// Geometry records shared by every drawing unit.
#pragma once

#include <cstdint>

struct TGPoint {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const TGPoint&, const TGPoint&) = default;
};

struct TGRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  friend bool operator==(const TGRect&, const TGRect&) = default;
};

struct TGRectFloat {
  float Left = 0;
  float Top = 0;
  float Right = 0;
  float Bottom = 0;
  friend bool operator==(const TGRectFloat&, const TGRectFloat&) = default;
};

struct TGFlatVector {
  float X = 0;
  float Y = 0;
  friend bool operator==(const TGFlatVector&, const TGFlatVector&) = default;
};

struct TGVector {
  float X = 0;
  float Y = 0;
  float Z = 0;
  friend bool operator==(const TGVector&, const TGVector&) = default;
};

// Compass directions; the ordinals are stored in files.
enum TGDirection { dN = 0, dNE = 1, dE = 2, dSE = 3, dS = 4, dSW = 5, dW = 6, dNW = 7 };
