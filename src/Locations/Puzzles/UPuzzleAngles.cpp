#include "Locations/Puzzles/UPuzzleAngles.h"

#include <cmath>
#include <numbers>

float DeltaAngleDeg(float A1, float A2) {
  float D = A1 - A2;
  if (!std::isfinite(D)) {
    return 0;
  }
  // fmod first, so that huge angles need no long loop of steps.
  D = std::fmod(D, 360.0f);
  if (D > 180) {
    D -= 360;
  } else if (D < -180) {
    D += 360;
  }
  return D;
}

float DXDY2Angle(float DX, float DY) {
  constexpr float Pi = std::numbers::pi_v<float>;
  if (DX == 0) {
    if (DY == 0) {
      return 0;
    }
    return DY > 0 ? Pi / 2 : -Pi / 2;
  }
  float A = std::atan(DY / DX);
  return DX < 0 ? A + Pi : A;
}

float DXDY2Angle(const TGFlatVector& V) {
  return DXDY2Angle(V.X, V.Y);
}
