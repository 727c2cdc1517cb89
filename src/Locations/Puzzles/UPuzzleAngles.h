// Angle helpers of the puzzles that turn things with the mouse: the signed difference of two
// angles in degrees, and the direction of a vector in radians.
#pragma once

#include "math/UGMathTypes.h"

// A1 - A2 brought into -180..180 degrees by steps of 360.
float DeltaAngleDeg(float A1, float A2);
// The direction of (DX, DY) in radians, -pi/2..3pi/2. A zero vector has no direction: it gives
// 0, so that a drag that starts on the centre turns nothing (never NaN).
float DXDY2Angle(float DX, float DY);
float DXDY2Angle(const TGFlatVector& V);
