// Geometry records of the drawing units and the operations on them: vectors, matrices,
// quaternions, Euler angles, boxes, rectangles and ray tests.
//
// Conventions are those of Direct3D: 32-bit floats and row vectors. A point is transformed as
// p × M, so in a product A × B the matrix A is applied first, and the translation sits in the
// fourth row. The memory layout of TGMatrix is Direct3D's (row after row), which OpenGL reads
// unchanged as its column-major matrix.
//
// Two layers: the functions named after their D3DX counterparts (MatrixMultiply, QuaternionSlerp,
// Vec3TransformCoord, IntersectTri ...) give the results of those library routines; the engine's
// own operations (VecNormalize, MatLookAt, AnglesToVectors, BoxTrace ...) are built on them.
//
// 3D scenes are right-handed with z up. An object with all angles 0 looks along +x, its left is +y
// and its up +z; a positive Pitch raises the forward axis towards +z, a positive Yaw turns it from
// +x towards -y (clockwise seen from above), and Roll turns about the forward axis.
#pragma once

#include "base/UGError.h"
#include "base/UGTypes.h"
#include "math/UGMathUtils.h"

#include <cstdint>

// 4 × 4 matrix; M[Row][Column] with 0-based indices, element _RC is M[R - 1][C - 1].
struct TGMatrix {
  float M[4][4] = {};

  // 1-based access to element _RC; an index outside 1..4 raises ERangeError.
  float GetComponent(int Row, int Column) const;
  void SetComponent(int Row, int Column, float Value);
  // The translation (_41, _42, _43).
  TGVector GetOrigin() const { return TGVector{M[3][0], M[3][1], M[3][2]}; }

  // Compares the 64 bytes, so -0 and +0 differ and a NaN equals the same NaN.
  friend bool operator==(const TGMatrix& A, const TGMatrix& B);
};
static_assert(sizeof(TGMatrix) == 64);

// The rotation by angle a about the unit axis v is (v × sin a/2, cos a/2).
struct TGQuaternion {
  float X = 0;
  float Y = 0;
  float Z = 0;
  float W = 0;

  // 0..3 = X, Y, Z, W. Reading another index raises "Wrong component number"; writing one is
  // ignored.
  float GetComponent(int I) const;
  void SetComponent(int I, float Value);

  friend bool operator==(const TGQuaternion&, const TGQuaternion&) = default;
};

// Euler angles in degrees.
struct TGAngles {
  float Pitch = 0;
  float Yaw = 0;
  float Roll = 0;

  TGAngles() = default;
  TGAngles(float APitch, float AYaw, float ARoll)
      : Pitch(APitch)
      , Yaw(AYaw)
      , Roll(ARoll) {}
  // Copies the floats unchanged: X -> Pitch, Y -> Yaw, Z -> Roll, and back.
  explicit TGAngles(const TGVector& V)
      : Pitch(V.X)
      , Yaw(V.Y)
      , Roll(V.Z) {}
  explicit operator TGVector() const { return TGVector{Pitch, Yaw, Roll}; }

  friend bool operator==(const TGAngles&, const TGAngles&) = default;
};

// Axis-aligned box.
struct TGBox {
  float XMin = 0;
  float YMin = 0;
  float ZMin = 0;
  float XMax = 0;
  float YMax = 0;
  float ZMax = 0;
  friend bool operator==(const TGBox&, const TGBox&) = default;
};

// ---------------------------------------------------------------------------------------------
// Constructors and constants

inline TGPoint Point(int32_t X, int32_t Y) {
  return TGPoint{X, Y};
}
inline TGFlatVector FlatVec(float X, float Y) {
  return TGFlatVector{X, Y};
}
// A point as a float vector (integers to floats).
inline TGFlatVector FlatVec(const TGPoint& P) {
  return TGFlatVector{static_cast<float>(P.X), static_cast<float>(P.Y)};
}
inline TGVector Vec(float X, float Y, float Z) {
  return TGVector{X, Y, Z};
}
inline TGVector Vec(const TGFlatVector& V, float Z) {
  return TGVector{V.X, V.Y, Z};
}
inline TGRect Rect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
  return TGRect{Left, Top, Right, Bottom};
}
inline TGRectFloat RectFloat(float Left, float Top, float Right, float Bottom) {
  return TGRectFloat{Left, Top, Right, Bottom};
}
inline TGQuaternion Quat(float X, float Y, float Z, float W) {
  return TGQuaternion{X, Y, Z, W};
}
inline TGBox Box(const TGVector& Min, const TGVector& Max) {
  return TGBox{Min.X, Min.Y, Min.Z, Max.X, Max.Y, Max.Z};
}
// Note the argument order Yaw, Pitch, Roll.
inline TGAngles MakeAngles(float Yaw, float Pitch, float Roll) {
  return TGAngles(Pitch, Yaw, Roll);
}

inline constexpr TGVector VecZero{0, 0, 0};
// All three components 1 (not a vector of unit length).
inline constexpr TGVector VecUnit{1, 1, 1};
inline constexpr TGQuaternion QuatIdentity{0, 0, 0, 1};
inline constexpr TGMatrix MatIdentity{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

// ---------------------------------------------------------------------------------------------
// Record properties that live beside the records

// X and Y of a vector.
inline TGFlatVector GetXY(const TGVector& V) {
  return TGFlatVector{V.X, V.Y};
}
inline void SetXY(TGVector& V, const TGFlatVector& XY) {
  V.X = XY.X;
  V.Y = XY.Y;
}
// 0..2 = X, Y, Z; another index raises ERangeError.
float GetComponent(const TGVector& V, int I);
void SetComponent(TGVector& V, int I, float Value);

inline TGPoint RectLeftTop(const TGRect& R) {
  return TGPoint{R.Left, R.Top};
}
inline TGPoint RectRightBottom(const TGRect& R) {
  return TGPoint{R.Right, R.Bottom};
}
inline TGFlatVector RectLeftTop(const TGRectFloat& R) {
  return TGFlatVector{R.Left, R.Top};
}
inline TGFlatVector RectRightBottom(const TGRectFloat& R) {
  return TGFlatVector{R.Right, R.Bottom};
}
void SetRectLeftTop(TGRect& R, const TGPoint& P);
void SetRectRightBottom(TGRect& R, const TGPoint& P);
void SetRectLeftTop(TGRectFloat& R, const TGFlatVector& P);
void SetRectRightBottom(TGRectFloat& R, const TGFlatVector& P);

// Right - Left and Bottom - Top of an integer rectangle; overflow raises EIntOverflow.
int32_t RectWidthChecked(const TGRect& R);
int32_t RectHeightChecked(const TGRect& R);
// ((Left + Right) / 2, (Top + Bottom) / 2).
TGFlatVector RectCenter(const TGRectFloat& R);
// Closed test: Left <= x <= Right and Top <= y <= Bottom.
bool RectHit(const TGRectFloat& R, const TGFlatVector& P);
// Half-open tests: Left <= x < Right and Top <= y < Bottom.
bool PointInRect(const TGPoint& P, const TGRectFloat& R);
bool PointInRect(const TGFlatVector& P, const TGRect& R);

// ---------------------------------------------------------------------------------------------
// Rounding to integers; a value outside the 32-bit range (or NaN) raises ERangeError.

TGPoint FlatVecTrunc(const TGFlatVector& V);
TGPoint FlatVecCeil(const TGFlatVector& V);
TGPoint FlatVecFloor(const TGFlatVector& V);
// Each component truncated towards zero, kept as a float.
TGVector VecTrunc(const TGVector& V);

// ---------------------------------------------------------------------------------------------
// Operators

// Overflow raises EIntOverflow.
TGPoint operator+(const TGPoint& A, const TGPoint& B);
TGPoint operator-(const TGPoint& A, const TGPoint& B);

inline TGFlatVector operator+(const TGFlatVector& A, const TGFlatVector& B) {
  return TGFlatVector{A.X + B.X, A.Y + B.Y};
}
inline TGFlatVector operator-(const TGFlatVector& A, const TGFlatVector& B) {
  return TGFlatVector{A.X - B.X, A.Y - B.Y};
}
inline TGFlatVector operator*(const TGFlatVector& A, float S) {
  return TGFlatVector{A.X * S, A.Y * S};
}
// Per component.
inline TGFlatVector operator*(const TGFlatVector& A, const TGFlatVector& B) {
  return TGFlatVector{A.X * B.X, A.Y * B.Y};
}

inline TGVector operator+(const TGVector& A, const TGVector& B) {
  return TGVector{A.X + B.X, A.Y + B.Y, A.Z + B.Z};
}
inline TGVector operator-(const TGVector& A, const TGVector& B) {
  return TGVector{A.X - B.X, A.Y - B.Y, A.Z - B.Z};
}
inline TGVector operator-(const TGVector& A) {
  return TGVector{-A.X, -A.Y, -A.Z};
}
inline TGVector operator*(const TGVector& A, float S) {
  return TGVector{A.X * S, A.Y * S, A.Z * S};
}
inline TGVector operator*(float S, const TGVector& A) {
  return TGVector{S * A.X, S * A.Y, S * A.Z};
}
// Per component.
inline TGVector operator*(const TGVector& A, const TGVector& B) {
  return TGVector{A.X * B.X, A.Y * B.Y, A.Z * B.Z};
}
inline TGVector operator/(const TGVector& A, float S) {
  return TGVector{A.X / S, A.Y / S, A.Z / S};
}
// The point transformed by M, divided by the resulting w (Vec3TransformCoord).
TGVector operator*(const TGVector& V, const TGMatrix& M);
// A applied first, then B (MatrixMultiply).
TGMatrix operator*(const TGMatrix& A, const TGMatrix& B);

// ---------------------------------------------------------------------------------------------
// D3DX-equivalent routines

// Length-normalised vector; a zero vector stays zero.
TGVector Vec3Normalize(const TGVector& V);
// (V, 1) × M divided by the resulting w.
TGVector Vec3TransformCoord(const TGVector& V, const TGMatrix& M);
// (V, 0) × M: direction vectors, translation ignored.
TGVector Vec3TransformNormal(const TGVector& V, const TGMatrix& M);
// (V, 1) × M without the division by w: points through affine matrices (skinning, where the
// fourth column is (0, 0, 0, 1) and the division would only cost time).
inline TGVector Vec3TransformAffine(const TGVector& V, const TGMatrix& M) {
  const auto& A = M.M;
  return TGVector{V.X * A[0][0] + V.Y * A[1][0] + V.Z * A[2][0] + A[3][0],
                  V.X * A[0][1] + V.Y * A[1][1] + V.Z * A[2][1] + A[3][1],
                  V.X * A[0][2] + V.Y * A[1][2] + V.Z * A[2][2] + A[3][2]};
}
// Object space to the viewport (X, Y, Width, Height, depth MinZ..MaxZ) through World × View ×
// Projection, and back.
TGVector Vec3Project(const TGVector& V, float X, float Y, float Width, float Height, float MinZ,
                     float MaxZ, const TGMatrix& Projection, const TGMatrix& View,
                     const TGMatrix& World);
TGVector Vec3Unproject(const TGVector& V, float X, float Y, float Width, float Height, float MinZ,
                       float MaxZ, const TGMatrix& Projection, const TGMatrix& View,
                       const TGMatrix& World);

TGMatrix MatrixMultiply(const TGMatrix& A, const TGMatrix& B);
// False when the determinant is 0; Inverse is then left unchanged. The determinant is stored
// when asked for, invertible or not.
bool MatrixInverse(const TGMatrix& M, TGMatrix& Inverse, float* Determinant = nullptr);
float MatrixDeterminant(const TGMatrix& M);
// Right-handed view: the camera at Eye looks along -z of its own frame towards At.
TGMatrix MatrixLookAtRH(const TGVector& Eye, const TGVector& At, const TGVector& Up);
// Right-handed projections onto x, y in [-1, 1] and depth [0, 1] (ZNear -> 0, ZFar -> 1).
TGMatrix MatrixOrthoOffCenterRH(float L, float R, float B, float T, float ZNear, float ZFar);
TGMatrix MatrixPerspectiveOffCenterRH(float L, float R, float B, float T, float ZNear, float ZFar);
TGMatrix MatrixRotationZ(float Angle);
TGMatrix MatrixRotationQuaternion(const TGQuaternion& Q);
TGMatrix MatrixScaling(float X, float Y, float Z);
TGMatrix MatrixTranslation(float X, float Y, float Z);

// The rotation Q1 followed by Q2 (the Hamilton product Q2 · Q1).
TGQuaternion QuaternionMultiply(const TGQuaternion& Q1, const TGQuaternion& Q2);
// Rotation by Angle radians about Axis (normalised here).
TGQuaternion QuaternionRotationAxis(const TGVector& Axis, float Angle);
// Spherical interpolation along the shorter arc; nearly equal rotations blend linearly.
TGQuaternion QuaternionSlerp(const TGQuaternion& A, const TGQuaternion& B, float T);

// Two-sided ray/triangle test. The hit point is V0 + U (V1 - V0) + V (V2 - V0), at Dist times the
// ray direction from its origin (Dist >= 0).
bool IntersectTri(const TGVector& V0, const TGVector& V1, const TGVector& V2,
                  const TGVector& RayPos, const TGVector& RayDir, float& U, float& V, float& Dist);
// Whether the ray (from RayPos onwards) meets the box or the sphere; an origin inside counts.
bool BoxBoundProbe(const TGVector& Min, const TGVector& Max, const TGVector& RayPos,
                   const TGVector& RayDir);
bool SphereBoundProbe(const TGVector& Center, float Radius, const TGVector& RayPos,
                      const TGVector& RayDir);

// ---------------------------------------------------------------------------------------------
// Vector functions

float VecDotProduct(const TGVector& A, const TGVector& B);
// Right-handed: (a.y b.z - a.z b.y, a.z b.x - a.x b.z, a.x b.y - a.y b.x).
TGVector VecCrossProduct(const TGVector& A, const TGVector& B);
float VecLength(const TGVector& V);
// V / |V|; a length within 0.001 of zero raises the generic Error().
TGVector VecNormalize(const TGVector& V);
// V / |V|, or (0, 0, 0) for a length within 0.001 of zero.
TGVector VecNormalizeSafe(const TGVector& V);
TGVector VecTransform(const TGVector& V, const TGMatrix& M);
TGVector VecTransformNormal(const TGVector& V, const TGMatrix& M);
// A + (B - A) × T.
TGVector VecLerp(const TGVector& A, const TGVector& B, float T);
// The angle between A and B in degrees; either length within 0.001 of zero raises Error().
float VecAngleBetween(const TGVector& A, const TGVector& B);

// ---------------------------------------------------------------------------------------------
// Matrix functions

bool MatInverse(const TGMatrix& M, float& Determinant, TGMatrix& Inverse);
bool MatInverse(const TGMatrix& M, TGMatrix& Inverse);
TGMatrix MatLookAt(const TGVector& Eye, const TGVector& At, const TGVector& Up);
TGMatrix MatOrtho(float Left, float Top, float Right, float Bottom, float ZNear, float ZFar);
TGMatrix MatPerspective(float Left, float Top, float Right, float Bottom, float ZNear, float ZFar);
// Angle in radians.
TGMatrix MatRotationZ(float Angle);
TGMatrix MatRotationQuaternion(const TGQuaternion& Q);
TGMatrix MatScaling(float X, float Y, float Z);
TGMatrix MatScaling(const TGVector& V);
TGMatrix MatTranslation(float X, float Y, float Z);
TGMatrix MatTranslation(const TGVector& V);
// The 2D transform that scales by Scaling and turns by RotZ degrees about Center, then moves by
// Translation: p -> C + R·S·(p - C) + T with R = [cos, -sin; sin, cos], clockwise on a screen
// whose y points down. |RotZ| < 0.001 does not turn at all.
TGMatrix MatAffineTransform2D(const TGFlatVector& Center, const TGFlatVector& Scaling,
                              const TGFlatVector& Translation, float RotZ);

// ---------------------------------------------------------------------------------------------
// Quaternion functions

TGQuaternion QuatSlerp(const TGQuaternion& A, const TGQuaternion& B, float T);
// V turned by Q (Q V Q*).
TGVector QuatRotateVector(const TGQuaternion& Q, const TGVector& V);

// ---------------------------------------------------------------------------------------------
// Euler angles

// The forward, right and up axes of an object turned by A.
void AnglesToVectors(const TGAngles& A, TGVector& Forward, TGVector& Right, TGVector& Up);
// Rows Forward, -Right (the left axis), Up: +x goes to Forward, +y to the left, +z to Up.
TGMatrix AnglesToMatrix(const TGAngles& A);
// Roll about +x, then -Pitch about +y, then -Yaw about +z.
TGQuaternion AnglesToQuaternion(const TGAngles& A);
TGAngles AnglesFromQuaternion(const TGQuaternion& Q);
// The orientation (Roll 0) whose forward axis points along V.
TGAngles AnglesFromVector(const TGVector& V);
// The orientation whose forward axis points along Forward, rolled so that its up axis leans
// towards Up.
TGAngles AnglesFromVector(const TGVector& Forward, const TGVector& Up);
// Each angle brought into [0, 360).
TGAngles AnglesNormalize(const TGAngles& A);
float NormalizeComponent(float Degrees);

// ---------------------------------------------------------------------------------------------
// Intersections

// The first face (order +x, -x, +y, -y, +z, -z) that the ray enters from outside, crossing it
// strictly inside its edges: Contact is the crossing point and Normal the face's outward normal.
// Otherwise both are (0, 0, 0) and the result is false, also for an origin inside the box.
bool BoxTrace(const TGBox& ABox, const TGVector& RayOrig, const TGVector& RayDir, TGVector& Contact,
              TGVector& Normal);
bool RayTriangleIntersection(const TGVector& V0, const TGVector& V1, const TGVector& V2,
                             const TGVector& RayPos, const TGVector& RayDir, float& Dist, float& U,
                             float& V);
// RayDir of unit length. False when the centre lies behind the origin or the ray misses;
// otherwise Distance to the entry point, negative when the origin lies inside the sphere.
bool RaySphereIntersection(const TGVector& RayOrig, const TGVector& RayDir,
                           const TGVector& SphereOrig, float SphereRadius, float& Distance);
// The camera's frame from a view matrix: the rows of its inverse (Direction = -third row).
void ExtractVectorsFromViewMatrix(const TGMatrix& View, TGVector& Position, TGVector& Direction,
                                  TGVector& Right, TGVector& Up);
