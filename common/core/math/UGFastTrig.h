// Sine and cosine for the expression evaluator, where scripts call them once per particle and
// frame: the argument is reduced by pi/2 in three parts and Taylor polynomials of degree 17 and
// 18 cover [-pi/4, pi/4]. Results stay within two units in the last place of the C library's
// and the functions inline into their callers. Arguments beyond 2^20 in magnitude, infinities
// and NaN go to the library.
#pragma once

#include <cmath>
#include <cstdint>

namespace FastTrig {

// pi/2 in three parts; the first two have 33 significant bits, so that any whole multiple of
// them below 2^20 is exact.
inline constexpr double CPio2Hi = 0x1.921fb544p+0;
inline constexpr double CPio2Mid = 0x1.0b4611a6p-34;
inline constexpr double CPio2Lo = 0x1.3198a2e037073p-69;
inline constexpr double C2OverPi = 0x1.45f306dc9c883p-1;
inline constexpr double CPiOver4 = 0x1.921fb54442d18p-1;
inline constexpr double CMaxReduced = 0x1p20;
// Adding and subtracting it rounds a double below 2^51 to the nearest whole number.
inline constexpr double CRounder = 0x1.8p52;

constexpr double InverseFactorial(int N) {
  double F = 1;
  for (int I = 2; I <= N; ++I)
    F *= I;
  return 1 / F;
}

// The polynomials are evaluated in Estrin's form (pairs of terms, then pairs of pairs), which
// needs half the dependent steps of Horner's: in scripts the latency is what is waited for.

// sin R for |R| <= pi/4: R + R^3 P(R^2); the first omitted term is below 1e-19.
[[gnu::always_inline]] inline double SinOfReduced(double R) {
  const double Z = R * R;
  const double Z2 = Z * Z;
  const double Z4 = Z2 * Z2;
  const double P01 = -InverseFactorial(3) + Z * InverseFactorial(5);
  const double P23 = -InverseFactorial(7) + Z * InverseFactorial(9);
  const double P45 = -InverseFactorial(11) + Z * InverseFactorial(13);
  const double P67 = -InverseFactorial(15) + Z * InverseFactorial(17);
  const double P = (P01 + Z2 * P23) + Z4 * (P45 + Z2 * P67);
  return R + (R * Z) * P;
}

// cos R for |R| <= pi/4. 1 - R^2/2 is rounded once and its rounding error added back, so the
// large leading terms lose nothing.
[[gnu::always_inline]] inline double CosOfReduced(double R) {
  const double Z = R * R;
  const double Z2 = Z * Z;
  const double Z4 = Z2 * Z2;
  const double Half = 0.5 * Z;
  const double W = 1.0 - Half;
  const double P01 = InverseFactorial(4) - Z * InverseFactorial(6);
  const double P23 = InverseFactorial(8) - Z * InverseFactorial(10);
  const double P45 = InverseFactorial(12) - Z * InverseFactorial(14);
  const double P67 = InverseFactorial(16) - Z * InverseFactorial(18);
  const double P = (P01 + Z2 * P23) + Z4 * (P45 + Z2 * P67);
  return W + (((1.0 - W) - Half) + Z2 * P);
}

// X = K pi/2 + R with |R| <= about pi/4; returns R and K mod 4. Needs |X| <= CMaxReduced.
[[gnu::always_inline]] inline double Reduce(double X, unsigned& Quadrant) {
  const double K = (X * C2OverPi + CRounder) - CRounder;
  Quadrant = static_cast<unsigned>(static_cast<int64_t>(K)) & 3u;
  return ((X - K * CPio2Hi) - K * CPio2Mid) - K * CPio2Lo;
}

// sin(K pi/2 + R) for the quadrant K mod 4 (cos X is sin X a quadrant further on).
[[gnu::always_inline]] inline double SinInQuadrant(double R, unsigned Quadrant) {
  switch (Quadrant & 3u) {
  case 0:
    return SinOfReduced(R);
  case 1:
    return CosOfReduced(R);
  case 2:
    return -SinOfReduced(R);
  default:
    return -CosOfReduced(R);
  }
}

} // namespace FastTrig

[[gnu::always_inline]] inline double FastSin(double X) {
  using namespace FastTrig;
  const double Magnitude = std::fabs(X);
  if (Magnitude < 0x1p-26)
    return X; // sin X rounds to X; this also keeps the sign of zero
  if (Magnitude <= CPiOver4)
    return SinOfReduced(X);
  if (!(Magnitude <= CMaxReduced))
    return std::sin(X);
  unsigned Quadrant;
  const double R = Reduce(X, Quadrant);
  return SinInQuadrant(R, Quadrant);
}

[[gnu::always_inline]] inline double FastCos(double X) {
  using namespace FastTrig;
  const double Magnitude = std::fabs(X);
  if (Magnitude <= CPiOver4)
    return CosOfReduced(X);
  if (!(Magnitude <= CMaxReduced))
    return std::cos(X);
  unsigned Quadrant;
  const double R = Reduce(X, Quadrant);
  return SinInQuadrant(R, Quadrant + 1);
}
