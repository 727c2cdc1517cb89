#include "math/UGMathUtils.h"

#include "base/UGRandom.h"

#include <algorithm>
#include <cmath>
#include <numbers>

bool SameValue(double A, double B, double Epsilon) {
  if (Epsilon == 0) {
    Epsilon = std::max(std::min(std::fabs(A), std::fabs(B)) * 1e-12, 1e-12);
  }
  return A > B ? (A - B) <= Epsilon : (B - A) <= Epsilon;
}

bool IsZero(double A, double Epsilon) {
  if (Epsilon == 0) {
    Epsilon = 1e-12;
  }
  return std::fabs(A) <= Epsilon;
}

int64_t Clamp(int64_t Value, int64_t Min, int64_t Max) {
  if (Value < Min) {
    Value = Min;
  }
  if (Value > Max) {
    Value = Max;
  }
  return Value;
}

double Clamp(double Value, double Min, double Max) {
  if (Value < Min) {
    Value = Min;
  }
  if (Value > Max) {
    Value = Max;
  }
  return Value;
}

uint8_t ClampByte(int64_t N) {
  return static_cast<uint8_t>(Clamp(N, int64_t{0}, int64_t{255}));
}

double RandomInRange(double A, double B) {
  return A + Random() * (B - A);
}

double ArcTan2(double Y, double X) {
  if (std::fabs(X) < 0.001) {
    return Y > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
  }
  return std::atan2(Y, X);
}

void GoodSinCos(double Angle, double& Sin, double& Cos) {
  Sin = std::sin(Angle);
  Cos = std::cos(Angle);
}

TGFlatVector RotatePoint(const TGFlatVector& P, const TGFlatVector& Center, double Degrees) {
  double S = 0;
  double C = 0;
  GoodSinCos(Degrees * std::numbers::pi / 180.0, S, C);
  double DX = P.X - Center.X;
  double DY = P.Y - Center.Y;
  return TGFlatVector{static_cast<float>(Center.X + DX * C - DY * S),
                      static_cast<float>(Center.Y + DX * S + DY * C)};
}

bool PointInPoly(const std::vector<TGPoint>& Points, const TGPoint& P) {
  // Winding number: signed crossings of the edges with the ray to the right of P.
  int Winding = 0;
  size_t N = Points.size();
  for (size_t I = 0; I < N; ++I) {
    const TGPoint& A = Points[I];
    const TGPoint& B = Points[(I + 1) % N];
    int64_t Side = static_cast<int64_t>(B.X - A.X) * (P.Y - A.Y) -
                   static_cast<int64_t>(P.X - A.X) * (B.Y - A.Y);
    if (A.Y <= P.Y) {
      if (B.Y > P.Y && Side > 0) {
        ++Winding;
      }
    } else if (B.Y <= P.Y && Side < 0) {
      --Winding;
    }
  }
  return Winding != 0;
}

uint32_t NearestPow2(uint32_t N) {
  uint32_t R = 1;
  while (R < N && R < 0x80000000u) {
    R <<= 1;
  }
  return R;
}

bool IsPowerOf2(uint32_t N) {
  return N != 0 && (N & (N - 1)) == 0;
}

double SafeDiv(double A, double B) {
  return std::fabs(B) < 0.001 ? 0.0 : A / B;
}

bool PtInRectEx(const TGRectFloat& Rect, const TGPoint& Point) {
  return Rect.Left <= Point.X && Point.X <= Rect.Right && Rect.Top <= Point.Y &&
         Point.Y <= Rect.Bottom;
}

bool Intersection(const TGFlatVector& A1, const TGFlatVector& A2, const TGFlatVector& B1,
                  const TGFlatVector& B2, TGFlatVector& P) {
  double DAX = A2.X - A1.X;
  double DAY = A2.Y - A1.Y;
  double DBX = B2.X - B1.X;
  double DBY = B2.Y - B1.Y;
  double D = DBY * DAX - DBX * DAY;
  double NumA = DBX * (A1.Y - B1.Y) - DBY * (A1.X - B1.X);
  if (std::fabs(D) >= 0.001) {
    double TA = NumA / D;
    double TB = (DAX * (A1.Y - B1.Y) - DAY * (A1.X - B1.X)) / D;
    if (TA < 0 || TA > 1 || TB < 0 || TB > 1) {
      return false;
    }
    P = TGFlatVector{static_cast<float>(A1.X + TA * DAX), static_cast<float>(A1.Y + TA * DAY)};
    return true;
  }
  if (std::fabs(NumA) >= 0.001) {
    return false; // parallel, not collinear
  }
  auto Dist = [](const TGFlatVector& U, const TGFlatVector& V) {
    return std::hypot(static_cast<double>(U.X - V.X), static_cast<double>(U.Y - V.Y));
  };
  double Span = Dist(A1, A2) + Dist(B1, B2);
  double D11 = Dist(A1, B1);
  double D12 = Dist(A1, B2);
  double D21 = Dist(A2, B1);
  double D22 = Dist(A2, B2);
  double Largest = std::max({D11, D12, D21, D22});
  P = (D11 == Largest || D12 == Largest) ? A2 : A1;
  return Span >= D11 && Span >= D12 && Span >= D21 && Span >= D22;
}
