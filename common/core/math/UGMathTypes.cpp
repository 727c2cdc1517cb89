#include "math/UGMathTypes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

namespace {

constexpr double DegToRad = std::numbers::pi / 180.0;
constexpr double RadToDeg = 180.0 / std::numbers::pi;

[[noreturn]] void RangeError() {
  throw ERangeError("Range check error");
}

[[noreturn]] void OverflowError() {
  throw EIntOverflow("Integer overflow");
}

int32_t CheckedInt32(int64_t V) {
  if (V < INT32_MIN || V > INT32_MAX) {
    OverflowError();
  }
  return static_cast<int32_t>(V);
}

// An already rounded value as a 32-bit integer; NaN and values beyond the range fail.
int32_t RoundedToInt32(double V) {
  if (!(V >= -2147483648.0 && V <= 2147483647.0)) {
    RangeError();
  }
  return static_cast<int32_t>(V);
}

float Component(const TGVector& V, int I) {
  return I == 0 ? V.X : I == 1 ? V.Y : V.Z;
}

float& Component(TGVector& V, int I) {
  return I == 0 ? V.X : I == 1 ? V.Y : V.Z;
}

// The Hamilton product A · B (B applied first when rotating).
TGQuaternion Hamilton(const TGQuaternion& A, const TGQuaternion& B) {
  return TGQuaternion{
      A.W * B.X + A.X * B.W + A.Y * B.Z - A.Z * B.Y, A.W * B.Y - A.X * B.Z + A.Y * B.W + A.Z * B.X,
      A.W * B.Z + A.X * B.Y - A.Y * B.X + A.Z * B.W, A.W * B.W - A.X * B.X - A.Y * B.Y - A.Z * B.Z};
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Records

float TGMatrix::GetComponent(int Row, int Column) const {
  if (Row < 1 || Row > 4 || Column < 1 || Column > 4) {
    RangeError();
  }
  return M[Row - 1][Column - 1];
}

void TGMatrix::SetComponent(int Row, int Column, float Value) {
  if (Row < 1 || Row > 4 || Column < 1 || Column > 4) {
    RangeError();
  }
  M[Row - 1][Column - 1] = Value;
}

bool operator==(const TGMatrix& A, const TGMatrix& B) {
  return std::memcmp(A.M, B.M, sizeof(A.M)) == 0;
}

float TGQuaternion::GetComponent(int I) const {
  switch (I) {
  case 0:
    return X;
  case 1:
    return Y;
  case 2:
    return Z;
  case 3:
    return W;
  default:
    throw Error("Wrong component number");
  }
}

void TGQuaternion::SetComponent(int I, float Value) {
  switch (I) {
  case 0:
    X = Value;
    break;
  case 1:
    Y = Value;
    break;
  case 2:
    Z = Value;
    break;
  case 3:
    W = Value;
    break;
  default:
    break;
  }
}

float GetComponent(const TGVector& V, int I) {
  if (I < 0 || I > 2) {
    RangeError();
  }
  return Component(V, I);
}

void SetComponent(TGVector& V, int I, float Value) {
  if (I < 0 || I > 2) {
    RangeError();
  }
  Component(V, I) = Value;
}

void SetRectLeftTop(TGRect& R, const TGPoint& P) {
  R.Left = P.X;
  R.Top = P.Y;
}

void SetRectRightBottom(TGRect& R, const TGPoint& P) {
  R.Right = P.X;
  R.Bottom = P.Y;
}

void SetRectLeftTop(TGRectFloat& R, const TGFlatVector& P) {
  R.Left = P.X;
  R.Top = P.Y;
}

void SetRectRightBottom(TGRectFloat& R, const TGFlatVector& P) {
  R.Right = P.X;
  R.Bottom = P.Y;
}

int32_t RectWidthChecked(const TGRect& R) {
  return CheckedInt32(int64_t{R.Right} - R.Left);
}

int32_t RectHeightChecked(const TGRect& R) {
  return CheckedInt32(int64_t{R.Bottom} - R.Top);
}

TGFlatVector RectCenter(const TGRectFloat& R) {
  return TGFlatVector{(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
}

bool RectHit(const TGRectFloat& R, const TGFlatVector& P) {
  return R.Left <= P.X && P.X <= R.Right && R.Top <= P.Y && P.Y <= R.Bottom;
}

// Integers and floats meet as doubles, which hold both exactly.
bool PointInRect(const TGPoint& P, const TGRectFloat& R) {
  double X = P.X;
  double Y = P.Y;
  return R.Left <= X && X < R.Right && R.Top <= Y && Y < R.Bottom;
}

bool PointInRect(const TGFlatVector& P, const TGRect& R) {
  double X = P.X;
  double Y = P.Y;
  return R.Left <= X && X < R.Right && R.Top <= Y && Y < R.Bottom;
}

TGPoint FlatVecTrunc(const TGFlatVector& V) {
  return TGPoint{RoundedToInt32(std::trunc(double{V.X})), RoundedToInt32(std::trunc(double{V.Y}))};
}

TGPoint FlatVecCeil(const TGFlatVector& V) {
  return TGPoint{RoundedToInt32(std::ceil(double{V.X})), RoundedToInt32(std::ceil(double{V.Y}))};
}

TGPoint FlatVecFloor(const TGFlatVector& V) {
  return TGPoint{RoundedToInt32(std::floor(double{V.X})), RoundedToInt32(std::floor(double{V.Y}))};
}

TGVector VecTrunc(const TGVector& V) {
  return TGVector{static_cast<float>(RoundedToInt32(std::trunc(double{V.X}))),
                  static_cast<float>(RoundedToInt32(std::trunc(double{V.Y}))),
                  static_cast<float>(RoundedToInt32(std::trunc(double{V.Z})))};
}

TGPoint operator+(const TGPoint& A, const TGPoint& B) {
  return TGPoint{CheckedInt32(int64_t{A.X} + B.X), CheckedInt32(int64_t{A.Y} + B.Y)};
}

TGPoint operator-(const TGPoint& A, const TGPoint& B) {
  return TGPoint{CheckedInt32(int64_t{A.X} - B.X), CheckedInt32(int64_t{A.Y} - B.Y)};
}

TGVector operator*(const TGVector& V, const TGMatrix& M) {
  return Vec3TransformCoord(V, M);
}

TGMatrix operator*(const TGMatrix& A, const TGMatrix& B) {
  return MatrixMultiply(A, B);
}

// ---------------------------------------------------------------------------------------------
// D3DX-equivalent routines

TGVector Vec3Normalize(const TGVector& V) {
  float L = std::sqrt(V.X * V.X + V.Y * V.Y + V.Z * V.Z);
  if (L == 0) {
    return TGVector{};
  }
  return TGVector{V.X / L, V.Y / L, V.Z / L};
}

TGVector Vec3TransformCoord(const TGVector& V, const TGMatrix& M) {
  const auto& A = M.M;
  float X = V.X * A[0][0] + V.Y * A[1][0] + V.Z * A[2][0] + A[3][0];
  float Y = V.X * A[0][1] + V.Y * A[1][1] + V.Z * A[2][1] + A[3][1];
  float Z = V.X * A[0][2] + V.Y * A[1][2] + V.Z * A[2][2] + A[3][2];
  float W = V.X * A[0][3] + V.Y * A[1][3] + V.Z * A[2][3] + A[3][3];
  return TGVector{X / W, Y / W, Z / W};
}

TGVector Vec3TransformNormal(const TGVector& V, const TGMatrix& M) {
  const auto& A = M.M;
  return TGVector{V.X * A[0][0] + V.Y * A[1][0] + V.Z * A[2][0],
                  V.X * A[0][1] + V.Y * A[1][1] + V.Z * A[2][1],
                  V.X * A[0][2] + V.Y * A[1][2] + V.Z * A[2][2]};
}

TGVector Vec3Project(const TGVector& V, float X, float Y, float Width, float Height, float MinZ,
                     float MaxZ, const TGMatrix& Projection, const TGMatrix& View,
                     const TGMatrix& World) {
  TGVector P = Vec3TransformCoord(V, World * View * Projection);
  return TGVector{X + (1 + P.X) * Width / 2, Y + (1 - P.Y) * Height / 2,
                  MinZ + P.Z * (MaxZ - MinZ)};
}

TGVector Vec3Unproject(const TGVector& V, float X, float Y, float Width, float Height, float MinZ,
                       float MaxZ, const TGMatrix& Projection, const TGMatrix& View,
                       const TGMatrix& World) {
  TGMatrix Inverse = MatIdentity;
  MatrixInverse(World * View * Projection, Inverse);
  TGVector P{(V.X - X) * 2 / Width - 1, 1 - (V.Y - Y) * 2 / Height, (V.Z - MinZ) / (MaxZ - MinZ)};
  return Vec3TransformCoord(P, Inverse);
}

TGMatrix MatrixMultiply(const TGMatrix& A, const TGMatrix& B) {
  TGMatrix R;
  for (int I = 0; I < 4; ++I) {
    for (int J = 0; J < 4; ++J) {
      R.M[I][J] = A.M[I][0] * B.M[0][J] + A.M[I][1] * B.M[1][J] + A.M[I][2] * B.M[2][J] +
                  A.M[I][3] * B.M[3][J];
    }
  }
  return R;
}

namespace {

// The 2 × 2 minors of the top two rows (S) and the bottom two rows (C), from which both the
// determinant and the adjugate follow (Laplace expansion along pairs of rows).
struct TMinors {
  double A[4][4];
  double S[6];
  double C[6];
  double Det;

  explicit TMinors(const TGMatrix& M) {
    for (int I = 0; I < 4; ++I) {
      for (int J = 0; J < 4; ++J) {
        A[I][J] = M.M[I][J];
      }
    }
    S[0] = A[0][0] * A[1][1] - A[1][0] * A[0][1];
    S[1] = A[0][0] * A[1][2] - A[1][0] * A[0][2];
    S[2] = A[0][0] * A[1][3] - A[1][0] * A[0][3];
    S[3] = A[0][1] * A[1][2] - A[1][1] * A[0][2];
    S[4] = A[0][1] * A[1][3] - A[1][1] * A[0][3];
    S[5] = A[0][2] * A[1][3] - A[1][2] * A[0][3];
    C[0] = A[2][0] * A[3][1] - A[3][0] * A[2][1];
    C[1] = A[2][0] * A[3][2] - A[3][0] * A[2][2];
    C[2] = A[2][0] * A[3][3] - A[3][0] * A[2][3];
    C[3] = A[2][1] * A[3][2] - A[3][1] * A[2][2];
    C[4] = A[2][1] * A[3][3] - A[3][1] * A[2][3];
    C[5] = A[2][2] * A[3][3] - A[3][2] * A[2][3];
    Det = S[0] * C[5] - S[1] * C[4] + S[2] * C[3] + S[3] * C[2] - S[4] * C[1] + S[5] * C[0];
  }
};

} // namespace

float MatrixDeterminant(const TGMatrix& M) {
  return static_cast<float>(TMinors(M).Det);
}

bool MatrixInverse(const TGMatrix& M, TGMatrix& Inverse, float* Determinant) {
  TMinors N(M);
  float Det = static_cast<float>(N.Det);
  if (Determinant) {
    *Determinant = Det;
  }
  if (Det == 0) {
    return false;
  }
  const auto& A = N.A;
  const double* S = N.S;
  const double* C = N.C;
  double B[4][4] = {{A[1][1] * C[5] - A[1][2] * C[4] + A[1][3] * C[3],
                     -A[0][1] * C[5] + A[0][2] * C[4] - A[0][3] * C[3],
                     A[3][1] * S[5] - A[3][2] * S[4] + A[3][3] * S[3],
                     -A[2][1] * S[5] + A[2][2] * S[4] - A[2][3] * S[3]},
                    {-A[1][0] * C[5] + A[1][2] * C[2] - A[1][3] * C[1],
                     A[0][0] * C[5] - A[0][2] * C[2] + A[0][3] * C[1],
                     -A[3][0] * S[5] + A[3][2] * S[2] - A[3][3] * S[1],
                     A[2][0] * S[5] - A[2][2] * S[2] + A[2][3] * S[1]},
                    {A[1][0] * C[4] - A[1][1] * C[2] + A[1][3] * C[0],
                     -A[0][0] * C[4] + A[0][1] * C[2] - A[0][3] * C[0],
                     A[3][0] * S[4] - A[3][1] * S[2] + A[3][3] * S[0],
                     -A[2][0] * S[4] + A[2][1] * S[2] - A[2][3] * S[0]},
                    {-A[1][0] * C[3] + A[1][1] * C[1] - A[1][2] * C[0],
                     A[0][0] * C[3] - A[0][1] * C[1] + A[0][2] * C[0],
                     -A[3][0] * S[3] + A[3][1] * S[1] - A[3][2] * S[0],
                     A[2][0] * S[3] - A[2][1] * S[1] + A[2][2] * S[0]}};
  for (int I = 0; I < 4; ++I) {
    for (int J = 0; J < 4; ++J) {
      Inverse.M[I][J] = static_cast<float>(B[I][J] / N.Det);
    }
  }
  return true;
}

TGMatrix MatrixLookAtRH(const TGVector& Eye, const TGVector& At, const TGVector& Up) {
  TGVector ZAxis = Vec3Normalize(Eye - At);
  TGVector XAxis = Vec3Normalize(VecCrossProduct(Up, ZAxis));
  TGVector YAxis = VecCrossProduct(ZAxis, XAxis);
  return TGMatrix{
      {{XAxis.X, YAxis.X, ZAxis.X, 0},
       {XAxis.Y, YAxis.Y, ZAxis.Y, 0},
       {XAxis.Z, YAxis.Z, ZAxis.Z, 0},
       {-VecDotProduct(XAxis, Eye), -VecDotProduct(YAxis, Eye), -VecDotProduct(ZAxis, Eye), 1}}};
}

TGMatrix MatrixOrthoOffCenterRH(float L, float R, float B, float T, float ZNear, float ZFar) {
  return TGMatrix{{{2 / (R - L), 0, 0, 0},
                   {0, 2 / (T - B), 0, 0},
                   {0, 0, 1 / (ZNear - ZFar), 0},
                   {(L + R) / (L - R), (T + B) / (B - T), ZNear / (ZNear - ZFar), 1}}};
}

TGMatrix MatrixPerspectiveOffCenterRH(float L, float R, float B, float T, float ZNear, float ZFar) {
  return TGMatrix{{{2 * ZNear / (R - L), 0, 0, 0},
                   {0, 2 * ZNear / (T - B), 0, 0},
                   {(L + R) / (R - L), (T + B) / (T - B), ZFar / (ZNear - ZFar), -1},
                   {0, 0, ZNear * ZFar / (ZNear - ZFar), 0}}};
}

TGMatrix MatrixRotationZ(float Angle) {
  float S = std::sin(Angle);
  float C = std::cos(Angle);
  return TGMatrix{{{C, S, 0, 0}, {-S, C, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
}

TGMatrix MatrixRotationQuaternion(const TGQuaternion& Q) {
  float XX = Q.X * Q.X;
  float YY = Q.Y * Q.Y;
  float ZZ = Q.Z * Q.Z;
  float XY = Q.X * Q.Y;
  float XZ = Q.X * Q.Z;
  float YZ = Q.Y * Q.Z;
  float WX = Q.W * Q.X;
  float WY = Q.W * Q.Y;
  float WZ = Q.W * Q.Z;
  return TGMatrix{{{1 - 2 * (YY + ZZ), 2 * (XY + WZ), 2 * (XZ - WY), 0},
                   {2 * (XY - WZ), 1 - 2 * (XX + ZZ), 2 * (YZ + WX), 0},
                   {2 * (XZ + WY), 2 * (YZ - WX), 1 - 2 * (XX + YY), 0},
                   {0, 0, 0, 1}}};
}

TGMatrix MatrixScaling(float X, float Y, float Z) {
  return TGMatrix{{{X, 0, 0, 0}, {0, Y, 0, 0}, {0, 0, Z, 0}, {0, 0, 0, 1}}};
}

TGMatrix MatrixTranslation(float X, float Y, float Z) {
  return TGMatrix{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {X, Y, Z, 1}}};
}

TGQuaternion QuaternionMultiply(const TGQuaternion& Q1, const TGQuaternion& Q2) {
  return Hamilton(Q2, Q1);
}

TGQuaternion QuaternionRotationAxis(const TGVector& Axis, float Angle) {
  TGVector N = Vec3Normalize(Axis);
  float S = std::sin(Angle / 2);
  return TGQuaternion{N.X * S, N.Y * S, N.Z * S, std::cos(Angle / 2)};
}

TGQuaternion QuaternionSlerp(const TGQuaternion& A, const TGQuaternion& B, float T) {
  float Cos = A.X * B.X + A.Y * B.Y + A.Z * B.Z + A.W * B.W;
  // q and -q are the same rotation: take the one on the shorter arc.
  float Sign = 1;
  if (Cos < 0) {
    Cos = -Cos;
    Sign = -1;
  }
  float KA = 1 - T;
  float KB = T;
  if (1 - Cos > 0.001f) {
    float Theta = std::acos(Cos);
    float SinTheta = std::sin(Theta);
    KA = std::sin((1 - T) * Theta) / SinTheta;
    KB = std::sin(T * Theta) / SinTheta;
  }
  KB *= Sign;
  return TGQuaternion{A.X * KA + B.X * KB, A.Y * KA + B.Y * KB, A.Z * KA + B.Z * KB,
                      A.W * KA + B.W * KB};
}

bool IntersectTri(const TGVector& V0, const TGVector& V1, const TGVector& V2,
                  const TGVector& RayPos, const TGVector& RayDir, float& U, float& V, float& Dist) {
  TGVector E1 = V1 - V0;
  TGVector E2 = V2 - V0;
  TGVector P = VecCrossProduct(RayDir, E2);
  float Det = VecDotProduct(E1, P);
  if (Det == 0) {
    return false; // the ray runs parallel to the triangle's plane
  }
  float InvDet = 1 / Det;
  TGVector T = RayPos - V0;
  float BU = VecDotProduct(T, P) * InvDet;
  if (BU < 0 || BU > 1) {
    return false;
  }
  TGVector Q = VecCrossProduct(T, E1);
  float BV = VecDotProduct(RayDir, Q) * InvDet;
  if (BV < 0 || BU + BV > 1) {
    return false;
  }
  float D = VecDotProduct(E2, Q) * InvDet;
  if (D < 0) {
    return false;
  }
  U = BU;
  V = BV;
  Dist = D;
  return true;
}

bool BoxBoundProbe(const TGVector& Min, const TGVector& Max, const TGVector& RayPos,
                   const TGVector& RayDir) {
  // The ray's parameter interval inside each pair of parallel planes, intersected.
  float TNear = 0;
  float TFar = INFINITY;
  for (int I = 0; I < 3; ++I) {
    float O = Component(RayPos, I);
    float D = Component(RayDir, I);
    float Lo = Component(Min, I);
    float Hi = Component(Max, I);
    if (D == 0) {
      if (O < Lo || O > Hi) {
        return false;
      }
      continue;
    }
    float T1 = (Lo - O) / D;
    float T2 = (Hi - O) / D;
    if (T1 > T2) {
      std::swap(T1, T2);
    }
    TNear = std::max(TNear, T1);
    TFar = std::min(TFar, T2);
    if (TNear > TFar) {
      return false;
    }
  }
  return true;
}

bool SphereBoundProbe(const TGVector& Center, float Radius, const TGVector& RayPos,
                      const TGVector& RayDir) {
  TGVector E = RayPos - Center;
  float C = VecDotProduct(E, E) - Radius * Radius;
  if (C <= 0) {
    return true; // the origin lies inside
  }
  float A = VecDotProduct(RayDir, RayDir);
  float B = VecDotProduct(RayDir, E);
  if (B >= 0 || A == 0) {
    return false; // moving away from the centre, or not moving at all
  }
  return B * B - A * C >= 0;
}

// ---------------------------------------------------------------------------------------------
// Vector functions

float VecDotProduct(const TGVector& A, const TGVector& B) {
  return A.X * B.X + A.Y * B.Y + A.Z * B.Z;
}

TGVector VecCrossProduct(const TGVector& A, const TGVector& B) {
  return TGVector{A.Y * B.Z - A.Z * B.Y, A.Z * B.X - A.X * B.Z, A.X * B.Y - A.Y * B.X};
}

float VecLength(const TGVector& V) {
  return std::sqrt(VecDotProduct(V, V));
}

TGVector VecNormalize(const TGVector& V) {
  float L = VecLength(V);
  if (IsZero(L, 0.001)) {
    throw Error();
  }
  return V / L;
}

TGVector VecNormalizeSafe(const TGVector& V) {
  float L = VecLength(V);
  if (IsZero(L, 0.001)) {
    return VecZero;
  }
  return V / L;
}

TGVector VecTransform(const TGVector& V, const TGMatrix& M) {
  return Vec3TransformCoord(V, M);
}

TGVector VecTransformNormal(const TGVector& V, const TGMatrix& M) {
  return Vec3TransformNormal(V, M);
}

TGVector VecLerp(const TGVector& A, const TGVector& B, float T) {
  return A + (B - A) * T;
}

float VecAngleBetween(const TGVector& A, const TGVector& B) {
  float LA = VecLength(A);
  float LB = VecLength(B);
  if (IsZero(LA, 0.001) || IsZero(LB, 0.001)) {
    throw Error();
  }
  double Cos = Clamp(double{VecDotProduct(A / LA, B / LB)}, -1.0, 1.0);
  return static_cast<float>(std::acos(Cos) * RadToDeg);
}

// ---------------------------------------------------------------------------------------------
// Matrix functions

bool MatInverse(const TGMatrix& M, float& Determinant, TGMatrix& Inverse) {
  return MatrixInverse(M, Inverse, &Determinant);
}

bool MatInverse(const TGMatrix& M, TGMatrix& Inverse) {
  return MatrixInverse(M, Inverse);
}

TGMatrix MatLookAt(const TGVector& Eye, const TGVector& At, const TGVector& Up) {
  return MatrixLookAtRH(Eye, At, Up);
}

TGMatrix MatOrtho(float Left, float Top, float Right, float Bottom, float ZNear, float ZFar) {
  return MatrixOrthoOffCenterRH(Left, Right, Bottom, Top, ZNear, ZFar);
}

TGMatrix MatPerspective(float Left, float Top, float Right, float Bottom, float ZNear, float ZFar) {
  return MatrixPerspectiveOffCenterRH(Left, Right, Bottom, Top, ZNear, ZFar);
}

TGMatrix MatRotationZ(float Angle) {
  return MatrixRotationZ(Angle);
}

TGMatrix MatRotationQuaternion(const TGQuaternion& Q) {
  return MatrixRotationQuaternion(Q);
}

TGMatrix MatScaling(float X, float Y, float Z) {
  return MatrixScaling(X, Y, Z);
}

TGMatrix MatScaling(const TGVector& V) {
  return MatrixScaling(V.X, V.Y, V.Z);
}

TGMatrix MatTranslation(float X, float Y, float Z) {
  return MatrixTranslation(X, Y, Z);
}

TGMatrix MatTranslation(const TGVector& V) {
  return MatrixTranslation(V.X, V.Y, V.Z);
}

TGMatrix MatAffineTransform2D(const TGFlatVector& Center, const TGFlatVector& Scaling,
                              const TGFlatVector& Translation, float RotZ) {
  float Cos = 1;
  float Sin = 0;
  if (std::fabs(RotZ) >= 0.001f) {
    double Theta = RotZ * DegToRad;
    Cos = static_cast<float>(std::cos(Theta));
    Sin = static_cast<float>(std::sin(Theta));
  }
  TGMatrix R = MatIdentity;
  R.M[0][0] = Scaling.X * Cos;
  R.M[0][1] = Scaling.X * Sin;
  R.M[1][0] = -Scaling.Y * Sin;
  R.M[1][1] = Scaling.Y * Cos;
  // Whatever the turn does to the centre is undone, then the translation added.
  R.M[3][0] = Center.X - (Center.X * R.M[0][0] + Center.Y * R.M[1][0]) + Translation.X;
  R.M[3][1] = Center.Y - (Center.X * R.M[0][1] + Center.Y * R.M[1][1]) + Translation.Y;
  return R;
}

// ---------------------------------------------------------------------------------------------
// Quaternion functions

TGQuaternion QuatSlerp(const TGQuaternion& A, const TGQuaternion& B, float T) {
  return QuaternionSlerp(A, B, T);
}

TGVector QuatRotateVector(const TGQuaternion& Q, const TGVector& V) {
  TGQuaternion Conjugate{-Q.X, -Q.Y, -Q.Z, Q.W};
  TGQuaternion R = Hamilton(Hamilton(Q, TGQuaternion{V.X, V.Y, V.Z, 0}), Conjugate);
  return TGVector{R.X, R.Y, R.Z};
}

// ---------------------------------------------------------------------------------------------
// Euler angles

void AnglesToVectors(const TGAngles& A, TGVector& Forward, TGVector& Right, TGVector& Up) {
  double P = -double{A.Pitch} * DegToRad;
  double Y = -double{A.Yaw} * DegToRad;
  double R = double{A.Roll} * DegToRad;
  float SP = static_cast<float>(std::sin(P));
  float CP = static_cast<float>(std::cos(P));
  float SY = static_cast<float>(std::sin(Y));
  float CY = static_cast<float>(std::cos(Y));
  float SR = static_cast<float>(std::sin(R));
  float CR = static_cast<float>(std::cos(R));
  Forward = TGVector{CP * CY, CP * SY, -SP};
  Right = TGVector{-CY * SP * SR + SY * CR, -SY * SP * SR - CY * CR, -CP * SR};
  Up = TGVector{CY * SP * CR + SY * SR, SY * SP * CR - CY * SR, CP * CR};
}

TGMatrix AnglesToMatrix(const TGAngles& A) {
  TGVector F;
  TGVector R;
  TGVector U;
  AnglesToVectors(A, F, R, U);
  return TGMatrix{{{F.X, F.Y, F.Z, 0}, {-R.X, -R.Y, -R.Z, 0}, {U.X, U.Y, U.Z, 0}, {0, 0, 0, 1}}};
}

TGQuaternion AnglesToQuaternion(const TGAngles& A) {
  TGQuaternion QRoll =
      QuaternionRotationAxis(TGVector{1, 0, 0}, static_cast<float>(A.Roll * DegToRad));
  TGQuaternion QPitch =
      QuaternionRotationAxis(TGVector{0, 1, 0}, static_cast<float>(-A.Pitch * DegToRad));
  TGQuaternion QYaw =
      QuaternionRotationAxis(TGVector{0, 0, 1}, static_cast<float>(-A.Yaw * DegToRad));
  return QuaternionMultiply(QuaternionMultiply(QRoll, QPitch), QYaw);
}

TGAngles AnglesFromQuaternion(const TGQuaternion& Q) {
  return AnglesFromVector(QuatRotateVector(Q, TGVector{1, 0, 0}),
                          QuatRotateVector(Q, TGVector{0, 0, 1}));
}

TGAngles AnglesFromVector(const TGVector& V) {
  TGAngles A;
  if (V.X == 0 && V.Y == 0) {
    A.Yaw = 0;
    A.Pitch = V.Z > 0 ? 90 : -90;
    return A;
  }
  if (V.X == 0) {
    A.Yaw = V.Y > 0 ? -90 : 90;
  } else {
    double Yaw = -ArcTan2(V.Y, V.X) * RadToDeg;
    if (Yaw < 0) {
      Yaw += 360;
    }
    A.Yaw = static_cast<float>(Yaw);
  }
  double Flat = std::sqrt(double{V.X} * V.X + double{V.Y} * V.Y);
  A.Pitch = static_cast<float>(ArcTan2(V.Z, Flat) * RadToDeg);
  return A;
}

TGAngles AnglesFromVector(const TGVector& Forward, const TGVector& Up) {
  TGAngles A = AnglesFromVector(Forward);
  TGVector F;
  TGVector R;
  TGVector U;
  AnglesToVectors(A, F, R, U);
  float Roll = VecAngleBetween(Up, U);
  A.Roll = VecDotProduct(Up, R) < 0 ? -Roll : Roll;
  return A;
}

float NormalizeComponent(float Degrees) {
  if (!std::isfinite(Degrees)) {
    return Degrees;
  }
  // Far out, stepping by 360 would take too long or stop moving at all.
  if (std::fabs(Degrees) >= 368640.0f) {
    Degrees = std::fmod(Degrees, 360.0f);
  }
  while (Degrees >= 360) {
    Degrees -= 360;
  }
  while (Degrees < 0) {
    Degrees += 360;
  }
  return Degrees;
}

TGAngles AnglesNormalize(const TGAngles& A) {
  return TGAngles(NormalizeComponent(A.Pitch), NormalizeComponent(A.Yaw),
                  NormalizeComponent(A.Roll));
}

// ---------------------------------------------------------------------------------------------
// Intersections

bool BoxTrace(const TGBox& ABox, const TGVector& RayOrig, const TGVector& RayDir, TGVector& Contact,
              TGVector& Normal) {
  const TGVector Min{ABox.XMin, ABox.YMin, ABox.ZMin};
  const TGVector Max{ABox.XMax, ABox.YMax, ABox.ZMax};
  for (int Face = 0; Face < 6; ++Face) {
    int Axis = Face / 2;
    bool Positive = Face % 2 == 0;
    float O = Component(RayOrig, Axis);
    float D = Component(RayDir, Axis);
    float Plane = Positive ? Component(Max, Axis) : Component(Min, Axis);
    if (Positive ? !(O > Plane && D < 0) : !(O < Plane && D > 0)) {
      continue;
    }
    float T = (Plane - O) / D;
    TGVector P;
    bool Inside = true;
    for (int I = 0; I < 3; ++I) {
      if (I == Axis) {
        Component(P, I) = Plane;
        continue;
      }
      float C = Component(RayOrig, I) + T * Component(RayDir, I);
      Component(P, I) = C;
      Inside = Inside && Component(Min, I) < C && C < Component(Max, I);
    }
    if (Inside) {
      Contact = P;
      Normal = TGVector{};
      Component(Normal, Axis) = Positive ? 1.0f : -1.0f;
      return true;
    }
  }
  Contact = VecZero;
  Normal = VecZero;
  return false;
}

bool RayTriangleIntersection(const TGVector& V0, const TGVector& V1, const TGVector& V2,
                             const TGVector& RayPos, const TGVector& RayDir, float& Dist, float& U,
                             float& V) {
  return IntersectTri(V0, V1, V2, RayPos, RayDir, U, V, Dist);
}

bool RaySphereIntersection(const TGVector& RayOrig, const TGVector& RayDir,
                           const TGVector& SphereOrig, float SphereRadius, float& Distance) {
  if (VecDotProduct(SphereOrig, RayDir) < VecDotProduct(RayOrig, RayDir)) {
    return false;
  }
  TGVector E = RayOrig - SphereOrig;
  float B = VecDotProduct(E, RayDir);
  float K = B * B - (VecDotProduct(E, E) - SphereRadius * SphereRadius);
  if (K <= 0) {
    return false;
  }
  Distance = -B - std::sqrt(K);
  return true;
}

void ExtractVectorsFromViewMatrix(const TGMatrix& View, TGVector& Position, TGVector& Direction,
                                  TGVector& Right, TGVector& Up) {
  TGMatrix I;
  MatInverse(View, I);
  Right = TGVector{I.M[0][0], I.M[0][1], I.M[0][2]};
  Up = TGVector{I.M[1][0], I.M[1][1], I.M[1][2]};
  Direction = TGVector{-I.M[2][0], -I.M[2][1], -I.M[2][2]};
  Position = TGVector{I.M[3][0], I.M[3][1], I.M[3][2]};
}
