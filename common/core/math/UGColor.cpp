#include "math/UGColor.h"

#include "math/UGMathUtils.h"

namespace {

uint8_t FloatChannel(double V) {
  // Truncation towards zero first; NaN and huge values end up clamped like any other.
  const double Scaled = V * 255;
  if (!(Scaled > -1)) // also NaN
    return 0;
  if (Scaled >= 256)
    return 255;
  return ClampByte(static_cast<int64_t>(Scaled));
}

uint8_t AddChannel(uint8_t X, uint8_t Y) {
  const unsigned Sum = unsigned{X} + Y;
  return static_cast<uint8_t>(Sum > 255 ? 255 : Sum);
}

uint8_t MulChannel(uint8_t X, uint8_t Y) {
  return static_cast<uint8_t>(unsigned{X} * Y / 255);
}

} // namespace

TGColor TGColor::Create(int32_t A, int32_t R, int32_t G, int32_t B) {
  TGColor C;
  C.A = ClampByte(A);
  C.R = ClampByte(R);
  C.G = ClampByte(G);
  C.B = ClampByte(B);
  return C;
}

TGColor TGColor::Create(double A, double R, double G, double B) {
  TGColor C;
  C.A = FloatChannel(A);
  C.R = FloatChannel(R);
  C.G = FloatChannel(G);
  C.B = FloatChannel(B);
  return C;
}

TGColor TGColor::Create(int32_t A) {
  return Create(A, 255, 255, 255);
}

TGColor TGColor::Create(double A) {
  TGColor C(0x00FFFFFFu);
  C.A = FloatChannel(A);
  return C;
}

TGColor TGColor::Create(uint32_t ColorRef, int32_t A) {
  return Create(A, static_cast<int32_t>(ColorRef & 0xFF),
                static_cast<int32_t>(ColorRef >> 8 & 0xFF),
                static_cast<int32_t>(ColorRef >> 16 & 0xFF));
}

void TGColor::ToFloats(float (&Rgba)[4]) const {
  Rgba[0] = R / 255.0f;
  Rgba[1] = G / 255.0f;
  Rgba[2] = B / 255.0f;
  Rgba[3] = A / 255.0f;
}

TGColor operator+(TGColor X, TGColor Y) {
  TGColor C;
  C.B = AddChannel(X.B, Y.B);
  C.G = AddChannel(X.G, Y.G);
  C.R = AddChannel(X.R, Y.R);
  C.A = AddChannel(X.A, Y.A);
  return C;
}

TGColor operator*(TGColor X, TGColor Y) {
  TGColor C;
  C.B = MulChannel(X.B, Y.B);
  C.G = MulChannel(X.G, Y.G);
  C.R = MulChannel(X.R, Y.R);
  C.A = MulChannel(X.A, Y.A);
  return C;
}
