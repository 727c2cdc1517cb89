#include "base/UGRandom.h"
#include "math/UGFastTrig.h"
#include "math/UGMathUtils.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

TEST(MathUtils, ClampAndPowers) {
  EXPECT_EQ(Clamp(int64_t{5}, 0, 3), 3);
  EXPECT_EQ(Clamp(int64_t{-5}, 0, 3), 0);
  EXPECT_EQ(Clamp(int64_t{5}, 10, 3), 3); // Max wins when Min > Max
  EXPECT_DOUBLE_EQ(Clamp(0.5, 1.0, 2.0), 1.0);
  EXPECT_EQ(ClampByte(300), 255);
  EXPECT_EQ(ClampByte(-3), 0);
  EXPECT_EQ(NearestPow2(0), 1u);
  EXPECT_EQ(NearestPow2(1), 1u);
  EXPECT_EQ(NearestPow2(5), 8u);
  EXPECT_EQ(NearestPow2(1024), 1024u);
  EXPECT_TRUE(IsPowerOf2(64));
  EXPECT_FALSE(IsPowerOf2(0));
  EXPECT_FALSE(IsPowerOf2(12));
}

TEST(MathUtils, AnglesAndRotation) {
  EXPECT_DOUBLE_EQ(ArcTan2(1, 0.0005), std::numbers::pi / 2);
  EXPECT_DOUBLE_EQ(ArcTan2(-1, 0), -std::numbers::pi / 2);
  EXPECT_DOUBLE_EQ(ArcTan2(0, 0), -std::numbers::pi / 2);
  EXPECT_DOUBLE_EQ(ArcTan2(1, 1), std::numbers::pi / 4);
  TGFlatVector R = RotatePoint({2, 1}, {1, 1}, 90);
  EXPECT_NEAR(R.X, 1, 1e-6);
  EXPECT_NEAR(R.Y, 2, 1e-6);
  EXPECT_TRUE(SameValue(1.0, 1.0 + 1e-13));
  EXPECT_FALSE(SameValue(1.0, 1.001));
  EXPECT_TRUE(SameValue(1.0, 1.001, 0.01));
  EXPECT_TRUE(IsZero(1e-13));
}

TEST(MathUtils, PointInPolygonUsesNonZeroWinding) {
  std::vector<TGPoint> Square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  EXPECT_TRUE(PointInPoly(Square, {5, 5}));
  EXPECT_FALSE(PointInPoly(Square, {15, 5}));
  // A pentagram drawn in one stroke: its centre is wound twice and counts as inside.
  std::vector<TGPoint> Star{{50, 0}, {79, 90}, {2, 35}, {98, 35}, {21, 90}};
  EXPECT_TRUE(PointInPoly(Star, {50, 50}));
  EXPECT_FALSE(PointInPoly(Star, {2, 90}));
  EXPECT_FALSE(PointInPoly({}, {0, 0}));
}

TEST(MathUtils, SafeDivisionAndRectangles) {
  EXPECT_DOUBLE_EQ(SafeDiv(10, 0.0005), 0);
  EXPECT_DOUBLE_EQ(SafeDiv(10, 2), 5);
  TGRectFloat R = MakeRectFloat(0, 0, 10, 5);
  EXPECT_TRUE(PtInRectEx(R, {10, 5}));
  EXPECT_TRUE(PtInRectEx(R, {0, 0}));
  EXPECT_FALSE(PtInRectEx(R, {11, 0}));
  EXPECT_EQ(RectWidth(MakeRect(2, 3, 12, 8)), 10);
  EXPECT_EQ(RectHeight(MakeRect(2, 3, 12, 8)), 5);
}

TEST(MathUtils, SegmentIntersection) {
  TGFlatVector P;
  EXPECT_TRUE(Intersection({0, 0}, {10, 10}, {0, 10}, {10, 0}, P));
  EXPECT_FLOAT_EQ(P.X, 5);
  EXPECT_FLOAT_EQ(P.Y, 5);
  // Touching at an end point counts.
  EXPECT_TRUE(Intersection({0, 0}, {10, 0}, {10, 0}, {10, 10}, P));
  EXPECT_FLOAT_EQ(P.X, 10);
  EXPECT_FALSE(Intersection({0, 0}, {10, 0}, {11, -5}, {11, 5}, P));
  // Parallel apart.
  EXPECT_FALSE(Intersection({0, 0}, {10, 0}, {0, 1}, {10, 1}, P));
  // Collinear and overlapping: P is an end of A.
  EXPECT_TRUE(Intersection({0, 0}, {10, 0}, {5, 0}, {15, 0}, P));
  EXPECT_EQ(P, (TGFlatVector{10, 0}));
  EXPECT_TRUE(Intersection({0, 0}, {10, 0}, {-5, 0}, {2, 0}, P));
  EXPECT_EQ(P, (TGFlatVector{0, 0}));
  // Collinear but apart.
  EXPECT_FALSE(Intersection({0, 0}, {10, 0}, {20, 0}, {30, 0}, P));
}

TEST(MathUtils, RandomGeneratorIsSeedable) {
  TGRandom A(1234);
  TGRandom B(1234);
  for (int I = 0; I < 100; ++I) {
    int32_t V = A.Random(10);
    EXPECT_EQ(V, B.Random(10));
    EXPECT_GE(V, 0);
    EXPECT_LT(V, 10);
  }
  double R = A.Random();
  EXPECT_GE(R, 0.0);
  EXPECT_LT(R, 1.0);
  EXPECT_EQ(A.Random(0), 0);
  GlobalRandom().SetSeed(99);
  double X = RandomInRange(5, 6);
  GlobalRandom().SetSeed(99);
  EXPECT_DOUBLE_EQ(RandomInRange(5, 6), X);
  EXPECT_GE(X, 5);
  EXPECT_LT(X, 6);
}

namespace {

// The distance between two finite doubles in units in the last place.
int64_t UlpDistance(double A, double B) {
  auto Ordered = [](double V) {
    const auto I = std::bit_cast<int64_t>(V);
    return I < 0 ? std::numeric_limits<int64_t>::min() - I : I;
  };
  const int64_t D = Ordered(A) - Ordered(B);
  return D < 0 ? -D : D;
}

} // namespace

TEST(FastTrig, WithinTwoUnitsOfTheLibraryInEveryQuadrant) {
  uint64_t Seed = 12345;
  int64_t Worst = 0;
  // Small arguments, every quadrant near and far, both sides of the reduction limit, and
  // arguments close to multiples of pi/2, where the reduction cancels most digits.
  for (double Scale : {1e-3, 1.0, 4.0, 100.0, 2e4, 1.1e6, 2.5e6}) {
    for (int I = 0; I < 20000; ++I) {
      Seed = Seed * 6364136223846793005u + 1442695040888963407u;
      const double X = (static_cast<double>(Seed >> 11) * 0x1p-53 - 0.5) * Scale;
      Worst = std::max(
          {Worst, UlpDistance(FastSin(X), std::sin(X)), UlpDistance(FastCos(X), std::cos(X))});
    }
  }
  for (int K = 1; K < 2000; K += 7) {
    const double X = K * std::numbers::pi / 2;
    for (double Y : {std::nextafter(X, 0.0), X, std::nextafter(X, 1e9)}) {
      EXPECT_NEAR(FastSin(Y), std::sin(Y), 1e-15) << Y;
      EXPECT_NEAR(FastCos(Y), std::cos(Y), 1e-15) << Y;
    }
  }
  EXPECT_LE(Worst, 2);
}

TEST(FastTrig, SpecialArguments) {
  EXPECT_TRUE(std::signbit(FastSin(-0.0)));
  EXPECT_EQ(FastSin(0x1p-40), 0x1p-40);
  EXPECT_EQ(FastCos(0.0), 1.0);
  EXPECT_EQ(FastSin(-std::numbers::pi / 2), -1.0);
  EXPECT_EQ(FastCos(std::numbers::pi), -1.0);
  EXPECT_TRUE(std::isnan(FastSin(std::numeric_limits<double>::infinity())));
  EXPECT_TRUE(std::isnan(FastCos(-std::numeric_limits<double>::infinity())));
  EXPECT_TRUE(std::isnan(FastSin(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_EQ(FastSin(1e300), std::sin(1e300)); // beyond the reduction: the library's own
}
