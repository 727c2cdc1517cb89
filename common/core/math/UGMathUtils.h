// Numeric and geometric helpers shared by every subsystem.
#pragma once

#include "base/UGTypes.h"

#include <cstdint>
#include <vector>

// Float comparison with tolerance; an epsilon of 0 picks a default scaled to the operands.
bool SameValue(double A, double B, double Epsilon = 0);
bool IsZero(double A, double Epsilon = 0);

// Raises Value to Min, then lowers it to Max (Max wins when Min > Max).
int64_t Clamp(int64_t Value, int64_t Min, int64_t Max);
double Clamp(double Value, double Min, double Max);
uint8_t ClampByte(int64_t N);

// A + r * (B - A), r uniform in [0, 1) from the program's generator.
double RandomInRange(double A, double B);
// pi/2 or -pi/2 when |X| < 0.001, else the usual two-argument arc tangent.
double ArcTan2(double Y, double X);
void GoodSinCos(double Angle, double& Sin, double& Cos);
// P rotated about Center by Degrees.
TGFlatVector RotatePoint(const TGFlatVector& P, const TGFlatVector& Center, double Degrees);
// Whether P lies inside the polygon, non-zero winding rule.
bool PointInPoly(const std::vector<TGPoint>& Points, const TGPoint& P);

// Smallest power of two not below N (1 for N <= 1).
uint32_t NearestPow2(uint32_t N);
bool IsPowerOf2(uint32_t N);

inline TGRect MakeRect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
  return TGRect{Left, Top, Right, Bottom};
}
inline TGRectFloat MakeRectFloat(float Left, float Top, float Right, float Bottom) {
  return TGRectFloat{Left, Top, Right, Bottom};
}
inline TGPoint MakePoint(int32_t X, int32_t Y) {
  return TGPoint{X, Y};
}
inline int32_t RectWidth(const TGRect& R) {
  return R.Right - R.Left;
}
inline int32_t RectHeight(const TGRect& R) {
  return R.Bottom - R.Top;
}
inline float RectWidth(const TGRectFloat& R) {
  return R.Right - R.Left;
}
inline float RectHeight(const TGRectFloat& R) {
  return R.Bottom - R.Top;
}

template <class T>
const T& IfThen(bool Condition, const T& A, const T& B) {
  return Condition ? A : B;
}

// A / B, or 0 when B is within 0.001 of 0.
double SafeDiv(double A, double B);
// Left <= X <= Right and Top <= Y <= Bottom, edges included.
bool PtInRectEx(const TGRectFloat& Rect, const TGPoint& Point);
// Intersection of the segments A1-A2 and B1-B2; touching end points count. P is the meeting
// point, or for overlapping collinear segments an end of A.
bool Intersection(const TGFlatVector& A1, const TGFlatVector& A2, const TGFlatVector& B1,
                  const TGFlatVector& B2, TGFlatVector& P);
