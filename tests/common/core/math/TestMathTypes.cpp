#include "math/UGMathTypes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr float Eps = 1e-5f;
const float S45 = std::sqrt(0.5f);

void ExpectVec(const TGVector& V, float X, float Y, float Z, float Tol = Eps) {
  EXPECT_NEAR(V.X, X, Tol);
  EXPECT_NEAR(V.Y, Y, Tol);
  EXPECT_NEAR(V.Z, Z, Tol);
}

void ExpectMat(const TGMatrix& A, const TGMatrix& B, float Tol = Eps) {
  for (int I = 0; I < 4; ++I) {
    for (int J = 0; J < 4; ++J) {
      EXPECT_NEAR(A.M[I][J], B.M[I][J], Tol) << "element _" << I + 1 << J + 1;
    }
  }
}

TGMatrix Rows(std::initializer_list<std::initializer_list<float>> R) {
  TGMatrix M;
  int I = 0;
  for (const auto& Row : R) {
    int J = 0;
    for (float V : Row) {
      M.M[I][J++] = V;
    }
    ++I;
  }
  return M;
}

} // namespace

TEST(MathTypes, RecordsAndComponents) {
  TGMatrix M = MatTranslation(7, 8, 9);
  EXPECT_EQ(M.GetComponent(4, 1), 7);
  M.SetComponent(1, 2, 5);
  EXPECT_EQ(M.M[0][1], 5);
  EXPECT_THROW(M.GetComponent(0, 1), ERangeError);
  EXPECT_THROW(M.SetComponent(1, 5, 0), ERangeError);
  ExpectVec(M.GetOrigin(), 7, 8, 9, 0);

  TGMatrix Z = MatIdentity;
  TGMatrix NegZ = MatIdentity;
  NegZ.M[0][1] = -0.0f;
  EXPECT_EQ(Z, MatIdentity);
  EXPECT_NE(Z, NegZ); // bytes, not values

  TGQuaternion Q = Quat(1, 2, 3, 4);
  EXPECT_EQ(Q.GetComponent(3), 4);
  Q.SetComponent(4, 99); // ignored
  Q.SetComponent(0, 5);
  EXPECT_EQ(Q, Quat(5, 2, 3, 4));
  try {
    (void)Q.GetComponent(4);
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Wrong component number");
  }
  EXPECT_EQ(QuatIdentity, Quat(0, 0, 0, 1));

  TGVector V = Vec(FlatVec(1, 2), 3);
  EXPECT_EQ(GetComponent(V, 2), 3);
  SetComponent(V, 0, -1);
  EXPECT_THROW(GetComponent(V, 3), ERangeError);
  SetXY(V, FlatVec(7, 8));
  EXPECT_EQ(V, Vec(7, 8, 3));
  EXPECT_EQ(GetXY(V), FlatVec(7, 8));
  EXPECT_EQ(VecUnit, Vec(1, 1, 1));

  TGAngles A = MakeAngles(30, 10, 0);
  EXPECT_EQ(A.Pitch, 10);
  EXPECT_EQ(A.Yaw, 30);
  EXPECT_EQ(static_cast<TGVector>(A), Vec(10, 30, 0));
  EXPECT_EQ(TGAngles(Vec(1, 2, 3)), TGAngles(1, 2, 3));
  EXPECT_EQ(Box(Vec(1, 2, 3), Vec(4, 5, 6)), (TGBox{1, 2, 3, 4, 5, 6}));
}

TEST(MathTypes, IntegerConversionsAndOverflow) {
  EXPECT_EQ(FlatVecTrunc(FlatVec(-1.7f, 2.7f)), Point(-1, 2));
  EXPECT_EQ(FlatVecCeil(FlatVec(-1.7f, 2.2f)), Point(-1, 3));
  EXPECT_EQ(FlatVecFloor(FlatVec(-1.2f, 2.7f)), Point(-2, 2));
  EXPECT_EQ(VecTrunc(Vec(-1.5f, 0.5f, 3e9f / 2)), Vec(-1, 0, 1.5e9f));
  EXPECT_EQ(FlatVecTrunc(FlatVec(-2147483648.0f, 0)), Point(INT32_MIN, 0));
  EXPECT_THROW(FlatVecTrunc(FlatVec(2147483648.0f, 0)), ERangeError);
  EXPECT_THROW(FlatVecFloor(FlatVec(0, std::numeric_limits<float>::quiet_NaN())), ERangeError);
  EXPECT_THROW(VecTrunc(Vec(0, 0, -3e9f)), ERangeError);

  EXPECT_EQ(Point(1, 2) + Point(3, -5), Point(4, -3));
  EXPECT_EQ(Point(1, 2) - Point(3, -5), Point(-2, 7));
  EXPECT_THROW(Point(INT32_MAX, 0) + Point(1, 0), EIntOverflow);
  EXPECT_THROW(Point(0, INT32_MIN) - Point(0, 1), EIntOverflow);
  EXPECT_EQ(RectWidthChecked(Rect(-5, 0, 5, 0)), 10);
  EXPECT_THROW(RectWidthChecked(Rect(INT32_MIN, 0, 1, 0)), EIntOverflow);
  EXPECT_THROW(RectHeightChecked(Rect(0, -2, 0, INT32_MAX)), EIntOverflow);
}

TEST(MathTypes, RectanglesAndPoints) {
  EXPECT_FALSE(PointInRect(Point(10, 10), RectFloat(0, 0, 10, 10)));
  EXPECT_TRUE(PointInRect(Point(0, 0), RectFloat(0, 0, 10, 10)));
  EXPECT_TRUE(RectHit(RectFloat(0, 0, 10, 10), FlatVec(Point(10, 10))));
  EXPECT_FALSE(RectHit(RectFloat(0, 0, 10, 10), FlatVec(10.01f, 5)));
  EXPECT_TRUE(PointInRect(FlatVec(9.99f, 0), Rect(0, 0, 10, 10)));
  EXPECT_FALSE(PointInRect(FlatVec(5, -0.01f), Rect(0, 0, 10, 10)));
  // Far from zero the integer must not be rounded to a float before comparing.
  EXPECT_FALSE(PointInRect(Point(16777217, 0), RectFloat(0, 0, 16777216.0f, 1)));
  EXPECT_EQ(RectCenter(RectFloat(-2, 1, 4, 5)), FlatVec(1, 3));
  TGRect R = Rect(1, 2, 3, 4);
  SetRectRightBottom(R, RectLeftTop(R) + Point(10, 20));
  EXPECT_EQ(R, Rect(1, 2, 11, 22));
  EXPECT_EQ(RectRightBottom(RectFloat(1, 2, 3, 4)), FlatVec(3, 4));
}

TEST(MathTypes, VectorAlgebra) {
  TGVector A = Vec(1, 2, 3);
  TGVector B = Vec(4, 5, 6);
  EXPECT_EQ(VecCrossProduct(A, B), Vec(-3, 6, -3));
  EXPECT_EQ(VecCrossProduct(Vec(1, 0, 0), Vec(0, 1, 0)), Vec(0, 0, 1)); // right-handed
  EXPECT_EQ(VecDotProduct(A, B), 32);
  EXPECT_EQ(VecLength(Vec(3, 4, 12)), 13);
  EXPECT_EQ(A * B, Vec(4, 10, 18));
  EXPECT_EQ(2 * A - B / 2, Vec(0, 1.5f, 3));
  EXPECT_EQ(-A + A * 3.0f, Vec(2, 4, 6));
  EXPECT_EQ(VecLerp(A, B, 0.25f), Vec(1.75f, 2.75f, 3.75f));
  EXPECT_EQ(FlatVec(1, 2) * FlatVec(3, 4) - FlatVec(1, 1) * 2, FlatVec(1, 6));

  ExpectVec(VecNormalize(Vec(0, -3, 4)), 0, -0.6f, 0.8f);
  ExpectVec(VecNormalize(Vec(0.002f, 0, 0)), 1, 0, 0);
  EXPECT_THROW(VecNormalize(Vec(0.0005f, 0, 0)), EGException);
  EXPECT_EQ(VecNormalizeSafe(Vec(0.0005f, 0, 0)), VecZero);
  EXPECT_EQ(Vec3Normalize(VecZero), VecZero);

  EXPECT_NEAR(VecAngleBetween(Vec(1, 0, 0), Vec(1, 1, 0)), 45, 1e-4);
  EXPECT_NEAR(VecAngleBetween(Vec(0, 2, 0), Vec(0, -5, 0)), 180, 1e-4);
  EXPECT_EQ(VecAngleBetween(Vec(0.1f, 0.2f, 0.3f), Vec(0.3f, 0.6f, 0.9f)), 0); // clamped, no NaN
  EXPECT_THROW(VecAngleBetween(Vec(1, 0, 0), Vec(0, 0, 0.0009f)), EGException);
}

TEST(MathTypes, MatrixProductAppliesLeftFirst) {
  TGMatrix A = Rows({{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}});
  TGMatrix P = A * A;
  EXPECT_EQ(P.M[0][0], 90);
  EXPECT_EQ(P.M[0][3], 120);
  EXPECT_EQ(P.M[3][1], 484);
  EXPECT_EQ(P.M[3][3], 600);
  EXPECT_EQ(MatIdentity * A, A);

  TGVector V = Vec(1, 1, 1);
  EXPECT_EQ(V * (MatScaling(2, 2, 2) * MatTranslation(10, 0, 0)), Vec(12, 2, 2));
  EXPECT_EQ(V * (MatTranslation(Vec(10, 0, 0)) * MatScaling(Vec(2, 2, 2))), Vec(22, 2, 2));
  EXPECT_EQ(VecTransformNormal(V, MatTranslation(10, 0, 0) * MatScaling(2, 3, 4)), Vec(2, 3, 4));

  // The result is divided by w.
  TGMatrix W = MatTranslation(2, 4, 6);
  W.M[3][3] = 2;
  W.M[0][3] = 1;
  ExpectVec(VecTransform(Vec(1, 0, 0), W), 1, 4.0f / 3, 2); // (3, 4, 6) / w = 3
}

TEST(MathTypes, MatrixInverse) {
  TGMatrix M = MatTranslation(1, 2, 3) * MatScaling(2, 4, 8);
  TGMatrix Inv;
  float Det = 0;
  ASSERT_TRUE(MatInverse(M, Det, Inv));
  EXPECT_FLOAT_EQ(Det, 64);
  ExpectMat(Inv, Rows({{0.5f, 0, 0, 0}, {0, 0.25f, 0, 0}, {0, 0, 0.125f, 0}, {-1, -2, -3, 1}}));

  TGMatrix Block = Rows({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 4, 7}, {0, 0, 2, 6}});
  ASSERT_TRUE(MatInverse(Block, Inv));
  ExpectMat(Inv, Rows({{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 0.6f, -0.7f}, {0, 0, -0.2f, 0.4f}}));

  // A dense matrix exercises every cofactor.
  TGMatrix D = Rows({{2, -1, 0, 3}, {1, 4, -2, 0}, {0, 5, 1, -1}, {3, 0, 2, 1}});
  ASSERT_TRUE(MatInverse(D, Det, Inv));
  // Expansion along the first row, minors 22, 9, -7, 52: 2·22 + 1·9 + 0 - 3·52.
  EXPECT_NEAR(Det, -103, 1e-4);
  EXPECT_NEAR(Inv.M[0][0], 22.0f / -103, Eps); // cofactor 11 over the determinant
  EXPECT_NEAR(Inv.M[1][0], -9.0f / -103, Eps); // cofactor 12
  ExpectMat(D * Inv, MatIdentity);
  ExpectMat(Inv * D, MatIdentity);

  TGMatrix Singular = Rows({{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}});
  Inv = MatIdentity;
  EXPECT_FALSE(MatInverse(Singular, Det, Inv));
  EXPECT_EQ(Det, 0);
  EXPECT_EQ(Inv, MatIdentity); // untouched
}

TEST(MathTypes, ViewAndProjections) {
  // Looking from +x at the origin with z up: world +y is screen right, world +z screen up.
  TGMatrix View = MatLookAt(Vec(10, 0, 0), VecZero, Vec(0, 0, 1));
  ExpectMat(View, Rows({{0, 0, 1, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -10, 1}}));
  ExpectVec(Vec(0, 1, 2) * View, 1, 2, -10);

  TGVector Pos, Dir, Right, Up;
  ExtractVectorsFromViewMatrix(View, Pos, Dir, Right, Up);
  ExpectVec(Pos, 10, 0, 0);
  ExpectVec(Dir, -1, 0, 0);
  ExpectVec(Right, 0, 1, 0);
  ExpectVec(Up, 0, 0, 1);

  // 2D screen: (Left, Top, Right, Bottom) = (0, 0, 800, 600); depth -zn..-zf maps to 0..1.
  TGMatrix O = MatOrtho(0, 0, 800, 600, 0, 1);
  ExpectMat(O, Rows({{0.0025f, 0, 0, 0}, {0, -1.0f / 300, 0, 0}, {0, 0, -1, 0}, {-1, 1, 0, 1}}));
  ExpectVec(Vec(400, 300, -0.5f) * O, 0, 0, 0.5f);
  ExpectVec(Vec(800, 600, -1) * O, 1, -1, 1);

  // Off-centre frustum: x from 0 to 2 at the near plane 1, far plane 10.
  TGMatrix P = MatPerspective(0, 1, 2, -1, 1, 10);
  ExpectMat(P, Rows({{1, 0, 0, 0}, {0, 1, 0, 0}, {1, 0, -10.0f / 9, -1}, {0, 0, -10.0f / 9, 0}}));
  ExpectVec(Vec(0, 1, -1) * P, -1, 1, 0);
  ExpectVec(Vec(20, -10, -10) * P, 1, -1, 1);

  // Viewport mapping through the camera, and back.
  TGMatrix P2 = MatPerspective(-1, 1, 1, -1, 1, 100);
  TGVector S = Vec3Project(Vec(0, 0.5f, 0.25f), 0, 0, 800, 600, 0, 1, P2, View, MatIdentity);
  ExpectVec(S, 420, 292.5f, 90.0f / 99, 1e-4f);
  ExpectVec(Vec3Unproject(S, 0, 0, 800, 600, 0, 1, P2, View, MatIdentity), 0, 0.5f, 0.25f, 1e-4f);
  ExpectVec(
      Vec3Unproject(Vec(800, 0, 0), 0, 0, 800, 600, 0, 1, MatIdentity, MatIdentity, MatIdentity), 1,
      1, 0);
}

TEST(MathTypes, RotationsAndQuaternions) {
  const float HalfPi = std::numbers::pi_v<float> / 2;
  ExpectVec(Vec(1, 0, 0) * MatRotationZ(HalfPi), 0, 1, 0);
  TGQuaternion QZ = QuaternionRotationAxis(Vec(0, 0, 2), HalfPi); // axis normalised
  EXPECT_NEAR(QZ.Z, S45, Eps);
  EXPECT_NEAR(QZ.W, S45, Eps);
  ExpectMat(MatRotationQuaternion(QZ), MatRotationZ(HalfPi));

  // 120 degrees about (1, 1, 1) cycles the axes x -> y -> z -> x.
  ExpectMat(MatRotationQuaternion(Quat(0.5f, 0.5f, 0.5f, 0.5f)),
            Rows({{0, 1, 0, 0}, {0, 0, 1, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}}), 0);

  // 90 degrees about z, then 90 degrees about x: x -> y -> z.
  TGQuaternion QX = QuaternionRotationAxis(Vec(1, 0, 0), HalfPi);
  TGQuaternion Q = QuaternionMultiply(QZ, QX);
  EXPECT_NEAR(Q.X, 0.5f, Eps);
  EXPECT_NEAR(Q.Y, -0.5f, Eps);
  EXPECT_NEAR(Q.Z, 0.5f, Eps);
  EXPECT_NEAR(Q.W, 0.5f, Eps);
  ExpectVec(QuatRotateVector(Q, Vec(1, 0, 0)), 0, 0, 1);
  ExpectMat(MatRotationQuaternion(Q), MatRotationQuaternion(QZ) * MatRotationQuaternion(QX));

  TGQuaternion Half = QuatSlerp(QuatIdentity, QZ, 0.5f);
  EXPECT_NEAR(Half.Z, std::sin(std::numbers::pi / 8), Eps);
  EXPECT_NEAR(Half.W, std::cos(std::numbers::pi / 8), Eps);
  // -QZ is the same rotation: the shorter arc gives the same halfway rotation.
  TGQuaternion NegHalf = QuatSlerp(QuatIdentity, Quat(-QZ.X, -QZ.Y, -QZ.Z, -QZ.W), 0.5f);
  EXPECT_NEAR(NegHalf.Z, Half.Z, Eps);
  EXPECT_NEAR(NegHalf.W, Half.W, Eps);
  TGQuaternion End = QuatSlerp(QuatIdentity, QZ, 1);
  EXPECT_NEAR(End.Z, QZ.Z, Eps);
  EXPECT_EQ(QuatSlerp(QZ, QZ, 0.3f), QZ); // equal ends blend linearly, no division by sin 0
}

TEST(MathTypes, AffineTransform2D) {
  // Scale (2, 3) and turn 90 degrees about (10, 20), then move by (5, 6).
  TGMatrix M = MatAffineTransform2D(FlatVec(10, 20), FlatVec(2, 3), FlatVec(5, 6), 90);
  ExpectVec(Vec(10, 20, 0) * M, 15, 26, 0);
  ExpectVec(Vec(11, 20, 0) * M, 15, 28, 0); // +x turns to +y: clockwise with y down
  ExpectVec(Vec(10, 21, 0) * M, 12, 26, 0);
  TGMatrix N = MatAffineTransform2D(FlatVec(10, 20), FlatVec(2, 3), FlatVec(5, 6), 0.0005f);
  EXPECT_EQ(N.M[0][1], 0);
  EXPECT_EQ(Vec(11, 21, 0) * N, Vec(17, 29, 0));
}

TEST(MathTypes, EulerAngles) {
  TGVector F, R, U;
  AnglesToVectors(TGAngles(0, 0, 0), F, R, U);
  EXPECT_EQ(F, Vec(1, 0, 0));
  EXPECT_EQ(R, Vec(0, -1, 0));
  EXPECT_EQ(U, Vec(0, 0, 1));
  AnglesToVectors(TGAngles(0, 90, 0), F, R, U);
  ExpectVec(F, 0, -1, 0);
  ExpectVec(R, -1, 0, 0);
  ExpectVec(U, 0, 0, 1);
  AnglesToVectors(TGAngles(30, 0, 90), F, R, U);
  ExpectVec(F, std::sqrt(3.0f) / 2, 0, 0.5f);  // pitch raises the nose
  ExpectVec(U, 0, -1, 0);                      // rolled onto the right side
  ExpectVec(R, 0.5f, 0, -std::sqrt(3.0f) / 2); // Forward × Up

  ExpectMat(AnglesToMatrix(TGAngles(0, 90, 0)),
            Rows({{0, -1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}));
  // The quaternion is the same rotation as the matrix.
  for (const TGAngles& A : {TGAngles(20, 30, 40), TGAngles(-60, 200, -15), TGAngles(85, 5, 170)}) {
    ExpectMat(MatRotationQuaternion(AnglesToQuaternion(A)), AnglesToMatrix(A));
  }

  TGAngles Back = AnglesFromQuaternion(AnglesToQuaternion(TGAngles(20, 30, 40)));
  EXPECT_NEAR(Back.Pitch, 20, 1e-3);
  EXPECT_NEAR(Back.Yaw, 30, 1e-3);
  EXPECT_NEAR(Back.Roll, 40, 1e-3);
  Back = AnglesFromQuaternion(AnglesToQuaternion(TGAngles(0, 0, -50)));
  EXPECT_NEAR(Back.Roll, -50, 1e-3);

  TGAngles A = AnglesFromVector(Vec(0, -1, 0));
  EXPECT_EQ(A.Yaw, 90);
  EXPECT_EQ(A.Pitch, 0);
  EXPECT_EQ(AnglesFromVector(Vec(0, 1, 0)).Yaw, -90);
  EXPECT_FLOAT_EQ(AnglesFromVector(Vec(-1, 0, 0)).Yaw, 180);
  EXPECT_FLOAT_EQ(AnglesFromVector(Vec(1, 1, 0)).Yaw, 315);
  A = AnglesFromVector(Vec(0, 0, -2));
  EXPECT_EQ(A.Pitch, -90);
  EXPECT_EQ(A.Yaw, 0);
  EXPECT_FLOAT_EQ(AnglesFromVector(Vec(3, 4, 5)).Pitch, 45);
  EXPECT_NEAR(AnglesFromVector(Vec(1, 0, 0), Vec(0, -1, 0)).Roll, 90, 1e-3);
  EXPECT_NEAR(AnglesFromVector(Vec(1, 0, 0), Vec(0, 1, 0)).Roll, -90, 1e-3);

  EXPECT_EQ(AnglesNormalize(TGAngles(-30, 725, 360)), TGAngles(330, 5, 0));
  float Far = AnglesNormalize(TGAngles(1e12f, 0, 0)).Pitch;
  EXPECT_TRUE(Far >= 0 && Far < 360);
}

TEST(MathTypes, RayTests) {
  TGBox B = Box(Vec(-1, -1, -1), Vec(1, 1, 1));
  TGVector P, N;
  ASSERT_TRUE(BoxTrace(B, Vec(5, 0.5f, 0), Vec(-2, 0, 0), P, N));
  EXPECT_EQ(P, Vec(1, 0.5f, 0));
  EXPECT_EQ(N, Vec(1, 0, 0));
  ASSERT_TRUE(BoxTrace(B, Vec(-5, 0.5f, 0.25f), Vec(1, 0.1f, 0), P, N));
  ExpectVec(P, -1, 0.9f, 0.25f);
  EXPECT_EQ(N, Vec(-1, 0, 0));
  ASSERT_TRUE(BoxTrace(B, Vec(0, 0, -3), Vec(0, 0, 1), P, N));
  EXPECT_EQ(N, Vec(0, 0, -1));
  EXPECT_FALSE(BoxTrace(B, VecZero, Vec(1, 0, 0), P, N)); // from inside
  EXPECT_EQ(P, VecZero);
  EXPECT_EQ(N, VecZero);
  EXPECT_FALSE(BoxTrace(B, Vec(3, 0, 3), Vec(-1, 0, -1), P, N)); // grazes the edge x = z = 1
  EXPECT_FALSE(BoxTrace(B, Vec(5, 0, 0), Vec(1, 0, 0), P, N));   // pointing away

  float Dist = 0;
  ASSERT_TRUE(RaySphereIntersection(Vec(0, 0, -10), Vec(0, 0, 1), VecZero, 2, Dist));
  EXPECT_EQ(Dist, 8);
  ASSERT_TRUE(RaySphereIntersection(VecZero, Vec(0, 0, 1), VecZero, 2, Dist));
  EXPECT_EQ(Dist, -2);
  EXPECT_FALSE(RaySphereIntersection(Vec(0, 0, 10), Vec(0, 0, 1), VecZero, 2, Dist)); // behind
  EXPECT_FALSE(RaySphereIntersection(Vec(3, 0, -10), Vec(0, 0, 1), VecZero, 2, Dist));
  EXPECT_FALSE(RaySphereIntersection(Vec(2, 0, -10), Vec(0, 0, 1), VecZero, 2, Dist)); // tangent

  TGVector V0 = VecZero, V1 = Vec(1, 0, 0), V2 = Vec(0, 1, 0);
  float U = 0, V = 0;
  ASSERT_TRUE(RayTriangleIntersection(V0, V1, V2, Vec(0.25f, 0.5f, 5), Vec(0, 0, -2), Dist, U, V));
  EXPECT_FLOAT_EQ(Dist, 2.5f); // in units of the direction
  EXPECT_FLOAT_EQ(U, 0.25f);
  EXPECT_FLOAT_EQ(V, 0.5f);
  EXPECT_TRUE(RayTriangleIntersection(V0, V1, V2, Vec(0.25f, 0.5f, -5), Vec(0, 0, 1), Dist, U, V));
  EXPECT_FALSE(RayTriangleIntersection(V0, V1, V2, Vec(0.25f, 0.5f, 5), Vec(0, 0, 1), Dist, U, V));
  EXPECT_FALSE(RayTriangleIntersection(V0, V1, V2, Vec(0.6f, 0.6f, 5), Vec(0, 0, -1), Dist, U, V));
  EXPECT_FALSE(RayTriangleIntersection(V0, V1, V2, Vec(0, 0, 1), Vec(1, 0, 0), Dist, U, V));

  EXPECT_TRUE(BoxBoundProbe(Vec(-1, -1, -1), Vec(1, 1, 1), Vec(5, 0.5f, 0), Vec(-1, 0, 0)));
  EXPECT_TRUE(BoxBoundProbe(Vec(-1, -1, -1), Vec(1, 1, 1), VecZero, Vec(0, 1, 0)));
  EXPECT_FALSE(BoxBoundProbe(Vec(-1, -1, -1), Vec(1, 1, 1), Vec(5, 0, 0), Vec(1, 0, 0)));
  EXPECT_FALSE(BoxBoundProbe(Vec(-1, -1, -1), Vec(1, 1, 1), Vec(5, 2, 0), Vec(-1, 0, 0)));
  EXPECT_TRUE(SphereBoundProbe(VecZero, 2, Vec(0, 1.5f, -10), Vec(0, 0, 3)));
  EXPECT_TRUE(SphereBoundProbe(VecZero, 2, Vec(0, 1, 0), Vec(0, 1, 0)));
  EXPECT_FALSE(SphereBoundProbe(VecZero, 2, Vec(0, 2.5f, -10), Vec(0, 0, 1)));
  EXPECT_FALSE(SphereBoundProbe(VecZero, 2, Vec(0, 0, 10), Vec(0, 0, 1)));
}
