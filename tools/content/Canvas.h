// The painting surface of the demo's picture generator: colours, a canvas of premultiplied
// colour and coverage painted with "over", anti-aliased shapes, and a repeatable hash.
#pragma once

#include "graphics/UGBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace Pictures {

struct TRGB {
  double R = 0, G = 0, B = 0;
};

inline TRGB Mix(TRGB A, TRGB B, double T) {
  T = std::clamp(T, 0.0, 1.0);
  return {A.R + (B.R - A.R) * T, A.G + (B.G - A.G) * T, A.B + (B.B - A.B) * T};
}

inline TRGB Scale(TRGB C, double F) {
  return {C.R * F, C.G * F, C.B * F};
}

struct TPoint {
  double X, Y;
};

// A picture of premultiplied colour and coverage, painted with the "over" operation.
class TCanvas {
public:
  TCanvas(int AWidth, int AHeight)
      : Width(AWidth)
      , Height(AHeight)
      , FPixels(static_cast<size_t>(AWidth) * AHeight) {}

  const int Width, Height;

  void Paint(int X, int Y, TRGB C, double Alpha) {
    if (X < 0 || Y < 0 || X >= Width || Y >= Height || Alpha <= 0) {
      return;
    }
    Alpha = std::min(Alpha, 1.0);
    TPixel& P = FPixels[static_cast<size_t>(Y) * Width + X];
    P.R = C.R * Alpha + P.R * (1 - Alpha);
    P.G = C.G * Alpha + P.G * (1 - Alpha);
    P.B = C.B * Alpha + P.B * (1 - Alpha);
    P.A = Alpha + P.A * (1 - Alpha);
  }

  // Every pixel gets Shade (x, y) with the given alpha.
  void Fill(const std::function<TRGB(double, double)>& Shade, double Alpha = 1) {
    for (int Y = 0; Y < Height; ++Y) {
      for (int X = 0; X < Width; ++X) {
        Paint(X, Y, Shade(X + 0.5, Y + 0.5), Alpha);
      }
    }
  }

  // A shape given by an inside test, anti-aliased by 4 x 4 samples per pixel, within the box.
  void Shape(double Left, double Top, double Right, double Bottom,
             const std::function<bool(double, double)>& Inside,
             const std::function<TRGB(double, double)>& Shade, double Alpha = 1) {
    int X0 = std::max(0, static_cast<int>(std::floor(Left)));
    int Y0 = std::max(0, static_cast<int>(std::floor(Top)));
    int X1 = std::min(Width - 1, static_cast<int>(std::ceil(Right)));
    int Y1 = std::min(Height - 1, static_cast<int>(std::ceil(Bottom)));
    for (int Y = Y0; Y <= Y1; ++Y) {
      for (int X = X0; X <= X1; ++X) {
        int Hits = 0;
        for (int S = 0; S < 16; ++S) {
          Hits += Inside(X + (S % 4 + 0.5) / 4, Y + (S / 4 + 0.5) / 4) ? 1 : 0;
        }
        if (Hits > 0) {
          Paint(X, Y, Shade(X + 0.5, Y + 0.5), Alpha * Hits / 16.0);
        }
      }
    }
  }

  void Polygon(const std::vector<TPoint>& Points, TRGB C, double Alpha = 1) {
    PolygonShaded(
        Points, [C](double, double) { return C; }, Alpha);
  }

  void PolygonShaded(const std::vector<TPoint>& Points,
                     const std::function<TRGB(double, double)>& Shade, double Alpha = 1) {
    double L = 1e9, T = 1e9, R = -1e9, B = -1e9;
    for (const TPoint& P : Points) {
      L = std::min(L, P.X), T = std::min(T, P.Y), R = std::max(R, P.X), B = std::max(B, P.Y);
    }
    auto Inside = [&Points](double X, double Y) {
      bool In = false;
      for (size_t I = 0, J = Points.size() - 1; I < Points.size(); J = I++) {
        const TPoint &A = Points[I], &P = Points[J];
        if ((A.Y > Y) != (P.Y > Y) && X < (P.X - A.X) * (Y - A.Y) / (P.Y - A.Y) + A.X) {
          In = !In;
        }
      }
      return In;
    };
    Shape(L, T, R, B, Inside, Shade, Alpha);
  }

  void Rect(double L, double T, double R, double B, TRGB C, double Alpha = 1) {
    Polygon({{L, T}, {R, T}, {R, B}, {L, B}}, C, Alpha);
  }

  void Disc(double CX, double CY, double Radius, TRGB C, double Alpha = 1) {
    Shape(
        CX - Radius, CY - Radius, CX + Radius, CY + Radius,
        [=](double X, double Y) { return std::hypot(X - CX, Y - CY) <= Radius; },
        [C](double, double) { return C; }, Alpha);
  }

  void Ring(double CX, double CY, double Radius, double Thickness, TRGB C) {
    Shape(
        CX - Radius - Thickness, CY - Radius - Thickness, CX + Radius + Thickness,
        CY + Radius + Thickness,
        [=](double X, double Y) {
          return std::abs(std::hypot(X - CX, Y - CY) - Radius) <= Thickness / 2;
        },
        [C](double, double) { return C; });
  }

  void Ellipse(double CX, double CY, double RX, double RY, TRGB C, double Alpha = 1) {
    EllipseShaded(
        CX, CY, RX, RY, [C](double, double) { return C; }, Alpha);
  }
  void EllipseShaded(double CX, double CY, double RX, double RY,
                     const std::function<TRGB(double, double)>& Shade, double Alpha = 1) {
    Shape(
        CX - RX, CY - RY, CX + RX, CY + RY,
        [=](double X, double Y) {
          return std::pow((X - CX) / RX, 2) + std::pow((Y - CY) / RY, 2) <= 1;
        },
        Shade, Alpha);
  }
  // An elliptic band of the given thickness.
  void EllipseRing(double CX, double CY, double RX, double RY, double Thickness, TRGB C,
                   double Alpha = 1) {
    const double H = Thickness / 2;
    Shape(
        CX - RX - H, CY - RY - H, CX + RX + H, CY + RY + H,
        [=](double X, double Y) {
          const double Out = std::pow((X - CX) / (RX + H), 2) + std::pow((Y - CY) / (RY + H), 2);
          const double In = std::pow((X - CX) / (RX - H), 2) + std::pow((Y - CY) / (RY - H), 2);
          return Out <= 1 && In >= 1;
        },
        [C](double, double) { return C; }, Alpha);
  }
  // A polygon with an outline: the outline colour first, the fill shrunk by Width inside it.
  void OutlinedPolygon(const std::vector<TPoint>& Points, TRGB Fill, TRGB Outline, double Width) {
    Polygon(Points, Outline);
    for (size_t I = 0, J = Points.size() - 1; I < Points.size(); J = I++) {
      Line(Points[J], Points[I], Width * 2, Outline);
    }
    Polygon(Points, Fill);
  }

  // A stroke of the given width from A to B.
  void Line(TPoint A, TPoint B, double W, TRGB C, double Alpha = 1) {
    double DX = B.X - A.X, DY = B.Y - A.Y, Len = std::hypot(DX, DY);
    double NX = -DY / Len * W / 2, NY = DX / Len * W / 2;
    Polygon(
        {{A.X + NX, A.Y + NY}, {B.X + NX, B.Y + NY}, {B.X - NX, B.Y - NY}, {A.X - NX, A.Y - NY}}, C,
        Alpha);
  }

  // The picture as a bitmap (straight alpha).
  TGObjectPtr<TGBitmap> ToBitmap() const {
    TGObjectPtr<TGBitmap> B(New<TGBitmap>());
    B->SetSize(Width, Height);
    for (int Y = 0; Y < Height; ++Y) {
      TGColor* Row = B->ScanLine(Y);
      for (int X = 0; X < Width; ++X) {
        const TPixel& P = FPixels[static_cast<size_t>(Y) * Width + X];
        auto Byte = [](double V) {
          return static_cast<int>(std::lround(std::clamp(V, 0.0, 1.0) * 255));
        };
        double A = P.A > 0 ? P.A : 1;
        Row[X] = TGColor::Create(Byte(P.A), Byte(P.R / A), Byte(P.G / A), Byte(P.B / A));
      }
    }
    return B;
  }

private:
  struct TPixel {
    double R = 0, G = 0, B = 0, A = 0;
  };
  std::vector<TPixel> FPixels;
};

// A repeatable pseudo-random value in 0..1 for an integer.
inline double Hash(int N) {
  uint32_t X = static_cast<uint32_t>(N) * 2654435761u;
  X ^= X >> 15;
  X *= 2246822519u;
  X ^= X >> 13;
  return (X & 0xFFFFFF) / double(0xFFFFFF);
}

} // namespace Pictures
