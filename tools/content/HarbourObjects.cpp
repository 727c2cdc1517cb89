#include "HarbourObjects.h"

#include "Canvas.h"

#include <cmath>

using namespace Pictures;

namespace {

constexpr double Pi = 3.14159265358979;

// Colours shared by the objects: the scene is lit by the setting sun from the left.
const TRGB Outline{0.1, 0.06, 0.05};
const TRGB Iron{0.25, 0.26, 0.3}, IronLight{0.55, 0.55, 0.6};
const TRGB Wood{0.42, 0.27, 0.16}, WoodDark{0.24, 0.14, 0.09}, WoodLight{0.6, 0.42, 0.27};
const TRGB Brass{0.85, 0.65, 0.27}, BrassDark{0.42, 0.29, 0.1};
const TRGB Rope{0.8, 0.66, 0.44}, RopeDark{0.5, 0.38, 0.23};

// A cylinder lit from the left: X across its width (0..1) gives the brightness factor.
double CylinderLight(double U) {
  return 0.55 + 0.6 * std::sin(std::clamp(U, 0.0, 1.0) * Pi) * (1.15 - 0.5 * U);
}

TRGB Lit(TRGB C, double F) {
  return {std::min(1.0, C.R * F), std::min(1.0, C.G * F), std::min(1.0, C.B * F)};
}

// --- The quay in the foreground, 800 x 160: a stone edge, then boards towards the viewer ---------

TGObjectPtr<TGBitmap> DrawQuay() {
  TCanvas C(800, 160);
  // Rows of boards, wider towards the viewer, each with its own joints.
  std::vector<double> Rows{22};
  for (double H = 9; Rows.back() < 160; H *= 1.2) {
    Rows.push_back(Rows.back() + H);
  }
  C.Fill([&](double X, double Y) {
    if (Y < 22) {
      return TRGB{0.1, 0.08, 0.08}; // mortar behind the edge stones
    }
    int Row = 0;
    while (Row + 1 < static_cast<int>(Rows.size()) && Y >= Rows[Row + 1]) {
      ++Row;
    }
    const double Top = Rows[Row], Height = Rows[Row + 1] - Top;
    const double Length = 110 + Row * 30, Offset = Hash(Row * 7 + 1) * Length;
    const int Board = static_cast<int>(std::floor((X + Offset) / Length));
    const double Along = std::fmod(X + Offset, Length);
    TRGB Board0 = Mix(TRGB{0.27, 0.16, 0.1}, TRGB{0.42, 0.27, 0.17}, Hash(Row * 31 + Board * 5));
    // Grain, the gaps between rows and between boards.
    double F =
        1 + 0.06 * std::sin(X * 0.09 + Hash(Board + Row * 13) * 9) * std::sin(X * 0.023 + Y * 0.3);
    if (Y - Top < 1.2 + Row * 0.25 || Along < 1.2 + Row * 0.2) {
      F = 0.35;
    }
    // The sun's warmth near the water, dusk's dark towards the viewer and the sides.
    const double Warm = std::exp(-std::pow((X - 300) / 280, 2)) * std::exp(-(Y - 22) / 60);
    const double Dark =
        1 - 0.45 * std::pow((Y - 22) / 138, 1.3) - 0.25 * std::pow(std::abs(X - 400) / 400, 2);
    (void)Height;
    return Mix(Lit(Board0, F * Dark), TRGB{1.0, 0.68, 0.4}, 0.28 * Warm * (F > 0.5 ? 1 : 0.3));
  });
  // The edge: a row of worn stones, lit on top by the sky.
  for (double X = -10, I = 0; X < 800; ++I) {
    const double W = 42 + Hash(static_cast<int>(I) * 3 + 2) * 34;
    const double Top = 1 + Hash(static_cast<int>(I) * 5 + 7) * 5;
    const double L = X + 1.5, R = X + W - 1.5, B = 25;
    const TRGB Stone =
        Mix(TRGB{0.3, 0.27, 0.29}, TRGB{0.45, 0.38, 0.36}, Hash(static_cast<int>(I) * 11));
    C.Shape(
        L, Top, R, B,
        [=](double PX, double PY) {
          // A rounded rectangle with a corner radius of 6.
          const double DX = std::max({L + 6 - PX, 0.0, PX - (R - 6)});
          const double DY = std::max({Top + 6 - PY, 0.0, PY - (B - 6)});
          return PX >= L && PX <= R && PY >= Top && PY <= B && DX * DX + DY * DY <= 36;
        },
        [=](double PX, double PY) {
          const double Sky = std::clamp(1 - (PY - Top) / 10, 0.0, 1.0);
          const double Warm = std::exp(-std::pow((PX - 300) / 260, 2));
          return Mix(
              Lit(Stone, 0.8 + 0.2 * Hash(static_cast<int>(PX * 0.7) + static_cast<int>(PY))),
              Mix(TRGB{0.62, 0.5, 0.55}, TRGB{1.0, 0.72, 0.48}, Warm), 0.55 * Sky);
        });
    X += W;
  }
  // The stones' shadow on the first boards.
  C.Rect(0, 25, 800, 28, TRGB{0.05, 0.03, 0.03}, 0.6);
  return C.ToBitmap();
}

// --- A rowing boat moored at the quay, 240 x 90 --------------------------------------------------

TGObjectPtr<TGBitmap> DrawBoat() {
  TCanvas C(240, 90);
  auto U = [](double X) { return (X - 120) / 116; };
  auto Gunwale = [&](double X) { return 30 - 9 * U(X) * U(X); };
  auto Keel = [&](double X) { return 30 + 52 * std::sqrt(std::max(0.0, 1 - std::pow(U(X), 2))); };
  // The oars lie across the boat, their blades out over the water.
  C.Line({48, 6}, {196, 36}, 4, WoodDark);
  C.Line({48, 6}, {196, 36}, 2, WoodLight);
  C.Polygon({{188, 31}, {218, 34}, {216, 44}, {192, 38}}, WoodLight);
  // The far side of the boat, seen over the near gunwale.
  C.Shape(
      4, 12, 236, 32,
      [&](double X, double Y) {
        return std::abs(U(X)) < 0.93 && Y >= Gunwale(X) - 7 * (1 - U(X) * U(X)) && Y <= Gunwale(X);
      },
      [](double, double Y) {
        return Mix(TRGB{0.3, 0.19, 0.12}, TRGB{0.16, 0.1, 0.07}, (Y - 14) / 14);
      });
  // The hull: painted planks along the sheer, a cream rail, darker to the waterline.
  C.Shape(
      2, 18, 238, 86,
      [&](double X, double Y) { return std::abs(U(X)) <= 1 && Y >= Gunwale(X) && Y <= Keel(X); },
      [&](double X, double Y) {
        const double Depth = Y - Gunwale(X);
        if (Depth < 4) {
          return Mix(TRGB{0.86, 0.8, 0.68}, TRGB{1, 0.78, 0.55}, 0.3);
        }
        const double Strake = std::fmod(Depth - 4, 10);
        const TRGB Paint = Mix(TRGB{0.16, 0.34, 0.42}, TRGB{0.05, 0.12, 0.17}, Depth / 50);
        return Strake < 1.1 ? Lit(Paint, 0.55) : Lit(Paint, 1 + 0.25 * (1 - (X / 240)));
      });
  C.Line({6, Gunwale(6)}, {234, Gunwale(234)}, 0.01, Outline); // keeps the outline's ends sharp
  // A rope from the bow to the quay.
  C.Line({232, 24}, {240, 40}, 2.5, Rope);
  return C.ToBitmap();
}

// --- A buoy, 36 x 56 ---------------------------------------------------------------------------

TGObjectPtr<TGBitmap> DrawBuoy() {
  TCanvas C(36, 56);
  C.Line({18, 4}, {18, 19}, 2, Iron);
  C.Disc(18, 5, 4.5, TRGB{0.12, 0.1, 0.1});
  C.PolygonShaded({{9, 18}, {27, 18}, {33, 52}, {3, 52}}, [](double X, double Y) {
    const TRGB Band = Y >= 29 && Y < 39 ? TRGB{0.92, 0.9, 0.85} : TRGB{0.8, 0.13, 0.1};
    return Lit(Band, CylinderLight((X - 3) / 30));
  });
  C.Ellipse(18, 52, 15, 3, TRGB{0.05, 0.05, 0.1}, 0.6);
  return C.ToBitmap();
}

// --- A mooring post with an arm for a lantern, 60 x 230 ----------------------------------------

TGObjectPtr<TGBitmap> DrawPost() {
  TCanvas C(60, 230);
  auto Pole = [](double X, double) { return Lit(Wood, CylinderLight((X - 23) / 16)); };
  C.Shape(
      23, 14, 39, 230, [](double X, double Y) { return X >= 23 && X <= 39 && Y >= 14; }, Pole);
  C.Ellipse(31, 14, 8, 3, WoodLight);
  // The arm and its brace; the hook hangs under the arm's end.
  C.Rect(2, 17, 34, 25, WoodDark);
  C.Rect(2, 18, 34, 21, Wood);
  C.Line({12, 24}, {27, 58}, 4, WoodDark);
  C.Line({8, 25}, {8, 27}, 1.5, Iron);
  C.Ring(8, 29.5, 2.5, 1.6, Iron);
  // A rope wound round the foot of the post.
  for (double Y = 150; Y < 176; Y += 3.5) {
    C.Line({22, Y}, {40, Y + 4}, 3, Rope);
    C.Line({22, Y + 2.5}, {40, Y + 5.5}, 0.8, RopeDark);
  }
  return C.ToBitmap();
}

// --- A barrel, 70 x 90 --------------------------------------------------------------------------

TGObjectPtr<TGBitmap> DrawBarrel() {
  TCanvas C(70, 90);
  auto Half = [](double Y) { return 27 + 6 * std::sin(Pi * (Y - 8) / 78); };
  C.Ellipse(35, 87, 28, 3, TRGB{0, 0, 0}, 0.45);
  C.Shape(
      2, 8, 68, 86,
      [&](double X, double Y) { return Y >= 8 && Y <= 86 && std::abs(X - 35) <= Half(Y); },
      [&](double X, double Y) {
        const double S = (X - 35) / Half(Y); // -1..1 across
        const double Angle = std::asin(std::clamp(S, -1.0, 1.0));
        const bool Gap = std::fmod(Angle + 3, 0.38) < 0.035;
        const bool Hoop = (Y > 19 && Y < 25) || (Y > 68 && Y < 74);
        const TRGB Base = Hoop ? Iron : (Gap ? WoodDark : Wood);
        return Lit(Base, CylinderLight((S + 1) / 2));
      });
  C.Ellipse(35, 8, 27, 6, WoodDark);
  C.EllipseShaded(35, 8, 25, 5,
                  [](double X, double) { return Mix(WoodLight, Wood, (X - 10) / 50); });
  return C.ToBitmap();
}

// --- The sea chest: closed (the hot spot) and open, 110 x 80 and 110 x 110 ----------------------

// The chest's body with its bands, its top at Top.
void ChestBody(TCanvas& C, double Top) {
  C.Rect(3, Top - 1, 107, Top + 51, Outline);
  C.Shape(
      5, Top, 105, Top + 50,
      [&](double X, double Y) { return X >= 5 && X <= 105 && Y >= Top && Y <= Top + 50; },
      [&](double X, double Y) {
        const bool Joint = std::fmod(Y - Top, 12.5) < 1;
        return Lit(Joint ? WoodDark : Wood, 1.2 - 0.45 * (X / 110) - 0.2 * (Y - Top) / 50);
      });
  for (double X : {16.0, 86.0}) {
    C.Rect(X, Top, X + 8, Top + 50, Iron);
    C.Line({X + 1.5, Top}, {X + 1.5, Top + 50}, 1, IronLight);
  }
}

TGObjectPtr<TGBitmap> DrawChestClosed() {
  TCanvas C(110, 80);
  ChestBody(C, 28);
  auto Dome = [](double X) {
    return 28 - 22 * std::sqrt(std::max(0.0, 1 - std::pow((X - 55) / 51, 2)));
  };
  C.Shape(
      2, 4, 108, 30,
      [&](double X, double Y) { return X >= 3 && X <= 107 && Y >= Dome(X) - 1.5 && Y <= 29; },
      [](double, double) { return Outline; });
  C.Shape(
      4, 6, 106, 28,
      [&](double X, double Y) { return X >= 5 && X <= 105 && Y >= Dome(X) && Y <= 27; },
      [&](double X, double Y) {
        const bool Band = (X >= 16 && X <= 24) || (X >= 86 && X <= 94);
        return Lit(Band ? Iron : WoodLight, 1.15 - 0.5 * (X / 110) - 0.2 * (Y - 6) / 22);
      });
  C.Rect(4, 27, 106, 29, Outline);
  // The lock, a brass plate with its keyhole.
  C.Rect(46, 20, 64, 43, BrassDark);
  C.Rect(47.5, 21.5, 62.5, 41.5, Brass);
  C.Disc(55, 29, 2.6, Outline);
  C.Polygon({{53.6, 30}, {56.4, 30}, {57.4, 37}, {52.6, 37}}, Outline);
  return C.ToBitmap();
}

TGObjectPtr<TGBitmap> DrawChestOpen() {
  TCanvas C(110, 110);
  // The lid stands open behind, its inside towards the viewer.
  C.OutlinedPolygon({{9, 47}, {101, 47}, {97, 5}, {13, 5}}, TRGB{0.5, 0.33, 0.2}, Outline, 1.2);
  for (double X : {20.0, 86.0}) {
    C.Polygon({{X, 47}, {X + 7, 47}, {X + 6.5, 5}, {X + 1, 5}}, Iron);
  }
  // The inside: dark, with a glint of coins at the bottom.
  C.Polygon({{8, 46}, {102, 46}, {106, 58}, {4, 58}}, TRGB{0.07, 0.04, 0.03});
  for (int I = 0; I < 7; ++I) {
    C.Ellipse(20 + I * 11 + Hash(I) * 5, 54 + Hash(I + 9) * 2, 4, 1.6, Brass, 0.85);
  }
  ChestBody(C, 58);
  return C.ToBitmap();
}

// --- The pearl inside the chest, 22 x 22 --------------------------------------------------------

TGObjectPtr<TGBitmap> DrawPearl() {
  TCanvas C(22, 22);
  C.Disc(11, 11, 10.5, TRGB{1, 0.95, 0.9}, 0.25);
  C.Shape(
      1, 1, 21, 21, [](double X, double Y) { return std::hypot(X - 11, Y - 11) <= 9; },
      [](double X, double Y) {
        return Mix(TRGB{1, 0.97, 0.96}, TRGB{0.62, 0.58, 0.72}, std::hypot(X - 8, Y - 8) / 13);
      });
  C.Disc(8, 7.5, 2.4, TRGB{1, 1, 1}, 0.9);
  return C.ToBitmap();
}

// --- The gull, wings up and wings down, 64 x 32 -------------------------------------------------

TGObjectPtr<TGBitmap> DrawGull(bool WingsUp) {
  TCanvas C(64, 32);
  const TRGB White{0.93, 0.93, 0.96}, Grey{0.66, 0.68, 0.74}, Tip{0.12, 0.12, 0.15};
  if (WingsUp) {
    C.Polygon({{26, 16}, {10, 3}, {3, 3}, {22, 19}}, Grey);
    C.Polygon({{10, 3}, {3, 3}, {8, 7}}, Tip);
    C.Polygon({{36, 16}, {50, 2}, {58, 3}, {41, 19}}, Grey);
    C.Polygon({{50, 2}, {58, 3}, {54, 7}}, Tip);
  } else {
    C.Polygon({{26, 18}, {11, 28}, {4, 28}, {22, 16}}, Grey);
    C.Polygon({{11, 28}, {4, 28}, {9, 25}}, Tip);
    C.Polygon({{37, 18}, {51, 29}, {58, 29}, {41, 16}}, Grey);
    C.Polygon({{51, 29}, {58, 29}, {54, 26}}, Tip);
  }
  C.Polygon({{21, 15}, {12, 14}, {12, 21}, {21, 20}}, Grey);
  C.Ellipse(32, 18, 12, 4.8, White);
  C.Disc(43, 15, 4.5, White);
  C.Polygon({{46.5, 14}, {53, 15.6}, {46.5, 17.2}}, TRGB{0.95, 0.7, 0.2});
  C.Disc(44.5, 14, 0.9, Tip);
  return C.ToBitmap();
}

// --- The things to find -------------------------------------------------------------------------

TGObjectPtr<TGBitmap> DrawRopeCoil() {
  TCanvas C(80, 48);
  C.Ellipse(40, 34, 37, 11, TRGB{0, 0, 0}, 0.4);
  for (double RX : {33.0, 26.0, 19.0, 12.0}) {
    const double RY = RX * 0.46, H = 3.6;
    C.Shape(
        40 - RX - H, 24 - RY - H, 40 + RX + H, 24 + RY + H,
        [=](double X, double Y) {
          const double D = std::hypot((X - 40) / RX, (Y - 24) / RY);
          return std::abs(D - 1) * RY <= H * (0.75 + 0.25 * std::abs(X - 40) / RX);
        },
        [=](double X, double Y) {
          const double A = std::atan2((Y - 24) / RY, (X - 40) / RX);
          const double Twist = std::fmod(A * RX / 2.6 + 100, 1.0);
          const double Light = 1.1 - 0.35 * (Y - 24 + RY) / (2 * RY) - 0.2 * (X - 4) / 72;
          return Lit(Twist < 0.28 ? RopeDark : Rope, Light);
        });
  }
  C.Ellipse(40, 24, 6, 2.6, TRGB{0.1, 0.07, 0.05});
  // The loose end.
  C.Line({68, 30}, {78, 45}, 6.5, RopeDark);
  C.Line({68, 30}, {78, 45}, 4.5, Rope);
  return C.ToBitmap();
}

TGObjectPtr<TGBitmap> DrawAnchor() {
  TCanvas C(64, 80);
  const TRGB Rust{0.5, 0.27, 0.14};
  C.Ring(32, 7.5, 5, 3, Iron);
  C.Rect(13, 15, 51, 20, Iron);
  C.Disc(13, 17.5, 3.2, Iron);
  C.Disc(51, 17.5, 3.2, Iron);
  C.Rect(29.5, 11, 34.5, 68, Iron);
  C.Line({30.8, 13}, {30.8, 64}, 1.1, IronLight);
  C.Shape(
      4, 40, 60, 72,
      [](double X, double Y) {
        const double D = std::hypot(X - 32, Y - 44);
        return Y >= 44 && D >= 20 && D <= 25.5;
      },
      [](double X, double) { return Lit(Iron, 1.25 - 0.5 * X / 64); });
  C.Polygon({{8, 50}, {3, 35}, {16, 46}}, Iron);
  C.Polygon({{56, 50}, {61, 35}, {48, 46}}, Iron);
  C.Disc(32, 68, 4.5, Iron);
  for (int I = 0; I < 9; ++I) {
    C.Disc(30 + Hash(I * 2) * 5, 22 + Hash(I * 2 + 1) * 44, 0.9 + Hash(I + 40), Rust, 0.6);
  }
  return C.ToBitmap();
}

TGObjectPtr<TGBitmap> DrawBottle() {
  TCanvas C(28, 64);
  const TRGB Glass{0.18, 0.5, 0.26};
  auto Half = [](double Y) { return Y < 26 ? 3.5 + (Y - 18) / 8 * 7.5 : 11.0; };
  C.Shape(
      0, 5, 28, 64,
      [&](double X, double Y) {
        if (Y < 6 || Y > 63) {
          return false;
        }
        const double H = Y < 18 ? 4.5 : Half(Y) + 1.2;
        const double Round = Y > 58 ? std::sqrt(std::max(0.0, 1 - std::pow((Y - 58) / 5.2, 2))) : 1;
        return std::abs(X - 14) <= H * (Y > 58 ? 0.6 + 0.4 * Round : 1);
      },
      [](double, double) {
        return TRGB{0.04, 0.12, 0.06};
      });
  C.Shape(
      0, 6, 28, 62,
      [&](double X, double Y) {
        if (Y < 7 || Y > 62) {
          return false;
        }
        const double H = Y < 18 ? 3.4 : Half(Y);
        const double Round = Y > 57 ? std::sqrt(std::max(0.0, 1 - std::pow((Y - 57) / 5.2, 2))) : 1;
        return std::abs(X - 14) <= H * (Y > 57 ? 0.6 + 0.4 * Round : 1);
      },
      [&](double X, double) { return Lit(Glass, CylinderLight((X - 3) / 22)); }, 0.92);
  C.Rect(9, 30, 19, 54, TRGB{0.92, 0.86, 0.68}, 0.8);
  C.Line({9, 42}, {19, 42}, 1.2, TRGB{0.7, 0.15, 0.1}, 0.9);
  C.Rect(10, 0, 18, 9, TRGB{0.72, 0.53, 0.32});
  C.Line({6.5, 28}, {6.5, 55}, 1.6, TRGB{1, 1, 1}, 0.45);
  return C.ToBitmap();
}

TGObjectPtr<TGBitmap> DrawKey() {
  TCanvas C(56, 24);
  C.Ring(11, 12, 7, 6, BrassDark);
  C.Ring(11, 12, 7, 3.6, Brass);
  C.Rect(17, 9.5, 51, 14.5, BrassDark);
  C.Rect(17, 10.6, 50.5, 13.4, Brass);
  C.Rect(39.5, 13.5, 45.5, 21.5, BrassDark);
  C.Rect(40.6, 13.4, 44.4, 20.4, Brass);
  C.Rect(46.5, 13.5, 51.5, 19.5, BrassDark);
  C.Rect(47.6, 13.4, 50.4, 18.4, Brass);
  C.Rect(17, 8, 21, 16, BrassDark);
  C.Line({19, 11.2}, {49, 11.2}, 0.8, TRGB{1, 0.92, 0.62});
  return C.ToBitmap();
}

TGObjectPtr<TGBitmap> DrawShell() {
  TCanvas C(40, 36);
  const TRGB Cream{0.97, 0.87, 0.75}, Coral{0.86, 0.5, 0.4};
  auto Inside = [](double Grow) {
    return [Grow](double X, double Y) {
      const double R = std::hypot(X - 20, Y - 32), A = std::atan2(X - 20, 32 - Y);
      return std::abs(A) <= 1.25 && R <= (17 + Grow) * (0.93 + 0.07 * std::cos(A * 22));
    };
  };
  C.Shape(0, 0, 40, 34, Inside(1.3), [](double, double) { return TRGB{0.42, 0.25, 0.2}; });
  C.Shape(0, 0, 40, 34, Inside(0), [=](double X, double Y) {
    const double A = std::atan2(X - 20, 32 - Y), R = std::hypot(X - 20, Y - 32);
    return Lit(Mix(Cream, Coral, 0.5 + 0.5 * std::cos(A * 11)),
               0.75 + 0.4 * R / 17 - 0.15 * X / 40);
  });
  C.OutlinedPolygon({{13, 29}, {27, 29}, {29, 35}, {11, 35}}, Coral, TRGB{0.42, 0.25, 0.2}, 0.7);
  return C.ToBitmap();
}

TGObjectPtr<TGBitmap> DrawFish() {
  TCanvas C(72, 32);
  const TRGB Back{0.22, 0.33, 0.46}, Belly{0.86, 0.86, 0.9};
  C.Polygon({{52, 16}, {70, 3}, {65, 16}, {70, 29}}, Lit(Back, 0.8));
  C.Polygon({{26, 8}, {38, 2}, {44, 8}}, Lit(Back, 0.8));
  C.Ellipse(32, 16, 25.5, 10.6, Outline);
  C.EllipseShaded(32, 16, 24.5, 9.6, [&](double X, double Y) {
    const double Scale = 0.94 + 0.06 * std::sin(X * 1.3) * std::sin(Y * 1.3);
    return Lit(Mix(Back, Belly, (Y - 8) / 14), Scale * (1.1 - 0.3 * X / 72));
  });
  C.Line({18, 9}, {19, 23}, 1, Lit(Back, 0.6));
  C.Disc(12, 13, 2.6, TRGB{0.02, 0.02, 0.03});
  C.Disc(11.4, 12.4, 0.8, TRGB{1, 1, 1});
  return C.ToBitmap();
}

TGObjectPtr<TGBitmap> DrawBucket() {
  TCanvas C(56, 60);
  C.Shape(
      2, 0, 54, 16,
      [](double X, double Y) {
        const double D = std::hypot(X - 28, Y - 16);
        return Y <= 15 && D >= 21 && D <= 23;
      },
      [](double, double) { return Iron; });
  C.Ellipse(28, 58, 19, 3, TRGB{0, 0, 0}, 0.45);
  C.PolygonShaded({{6, 14}, {50, 14}, {45, 58}, {11, 58}}, [](double X, double Y) {
    const double Half = 22 - (Y - 14) / 44 * 5, S = (X - 28) / Half;
    const bool Band = (Y > 20 && Y < 24) || (Y > 48 && Y < 52);
    const bool Gap = std::fmod(std::asin(std::clamp(S, -1.0, 1.0)) + 3, 0.42) < 0.05;
    return Lit(Band ? Iron : (Gap ? WoodDark : Wood), CylinderLight((S + 1) / 2));
  });
  C.Ellipse(28, 14, 22, 5, WoodLight);
  C.Ellipse(28, 14.5, 19.5, 3.8, TRGB{0.06, 0.05, 0.06});
  C.Ellipse(24, 15, 6, 1.2, TRGB{0.5, 0.6, 0.75}, 0.5); // water catching the sky
  return C.ToBitmap();
}

TGObjectPtr<TGBitmap> DrawNetFloat() {
  TCanvas C(36, 36);
  C.Shape(
      2, 3, 34, 35, [](double X, double Y) { return std::hypot(X - 18, Y - 19) <= 15; },
      [](double X, double Y) {
        return Mix(TRGB{0.3, 0.7, 0.62}, TRGB{0.03, 0.2, 0.22}, std::hypot(X - 13, Y - 14) / 22);
      },
      0.93);
  C.Shape(
      2, 3, 34, 35,
      [](double X, double Y) {
        if (std::hypot(X - 18, Y - 19) > 15) {
          return false;
        }
        const double A = std::fmod(X - Y + 100, 8), B = std::fmod(X + Y + 100, 8);
        return A < 1 || B < 1;
      },
      [](double, double) { return RopeDark; }, 0.9);
  C.Disc(12, 13, 3, TRGB{1, 1, 1}, 0.7);
  C.Disc(18, 4.5, 2.6, Rope);
  C.Ring(18, 2, 1.8, 1.2, Rope);
  return C.ToBitmap();
}

TGObjectPtr<TGBitmap> DrawFeather() {
  TCanvas C(56, 20);
  const TPoint A{3, 15}, B{54, 5};
  const double DX = B.X - A.X, DY = B.Y - A.Y, Len = std::hypot(DX, DY);
  auto Along = [=](double X, double Y) { return ((X - A.X) * DX + (Y - A.Y) * DY) / (Len * Len); };
  auto Across = [=](double X, double Y) { return ((X - A.X) * -DY + (Y - A.Y) * DX) / Len; };
  auto Half = [](double T, double Side) {
    return 5.6 * std::pow(std::sin(Pi * std::min(1.0, (T - 0.12) / 0.88 * 0.95 + 0.05)), 0.6) *
           (Side > 0 ? 0.8 : 1);
  };
  C.Shape(
      0, 0, 56, 20,
      [&](double X, double Y) {
        const double T = Along(X, Y), D = Across(X, Y);
        return T >= 0.12 && T <= 1 && std::abs(D) <= Half(T, D);
      },
      [&](double X, double Y) {
        const double T = Along(X, Y), D = Across(X, Y);
        const TRGB Vane = T > 0.78 ? TRGB{0.28, 0.28, 0.32} : TRGB{0.9, 0.9, 0.93};
        const double Barb = std::fmod(T * 46 + std::abs(D) * 0.5, 1.0) < 0.25 ? 0.86 : 1.0;
        return Lit(Vane, Barb * (1.05 - 0.2 * std::abs(D) / 5.6));
      });
  C.Line(A, B, 1.2, TRGB{0.78, 0.74, 0.66});
  return C.ToBitmap();
}

TGObjectPtr<TGBitmap> DrawMap() {
  TCanvas C(72, 52);
  const TRGB Paper{0.9, 0.8, 0.58}, Ink{0.35, 0.22, 0.12}, Red{0.72, 0.14, 0.1};
  C.Rect(5, 4, 67, 49, Outline);
  C.Shape(
      6, 5, 66, 48, [](double X, double Y) { return X >= 6 && X <= 66 && Y >= 5 && Y <= 48; },
      [&](double X, double Y) {
        const double Edge = std::min({X - 6, 66 - X, Y - 5, 48 - Y});
        const double Stain = 0.06 * std::sin(X * 0.31) * std::sin(Y * 0.27);
        return Lit(Paper, 0.8 + 0.2 * std::min(1.0, Edge / 6) + Stain);
      });
  // Rolled ends.
  for (double L : {1.0, 63.0}) {
    C.Shape(
        L, 2, L + 8, 51,
        [=](double X, double Y) { return X >= L && X <= L + 8 && Y >= 2 && Y <= 51; },
        [=](double X, double) { return Lit(Paper, CylinderLight((X - L) / 8) * 0.85); });
  }
  C.Line({14, 10}, {24, 17}, 1.2, Ink);
  C.Line({24, 17}, {21, 27}, 1.2, Ink);
  C.Line({21, 27}, {33, 35}, 1.2, Ink);
  C.Line({33, 35}, {29, 45}, 1.2, Ink);
  C.EllipseRing(48, 19, 7, 4.5, 1.1, Ink);
  for (int I = 0; I < 6; ++I) {
    const double T0 = I / 6.0, T1 = T0 + 0.09;
    auto P = [](double T) { return TPoint{24 + 22 * T, 41 - 26 * T + 8 * std::sin(T * Pi)}; };
    C.Line(P(T0), P(T1), 1.3, Red);
  }
  C.Line({45, 16}, {51, 22}, 1.8, Red);
  C.Line({51, 16}, {45, 22}, 1.8, Red);
  C.Line({57, 37}, {57, 45}, 0.9, Ink);
  C.Line({53, 41}, {61, 41}, 0.9, Ink);
  return C.ToBitmap();
}

// --- Living details: the pennant on the post and the gull on the barrel ------------------------

// The pennant on its pole, 48 x 80, in one of three moments of its flutter (0..2): the wind
// comes from the right, so the cloth streams to the left of the pole.
TGObjectPtr<TGBitmap> DrawFlag(int Moment) {
  TCanvas C(48, 80);
  const TRGB Cloth{0.72, 0.14, 0.12}, Stripe{0.95, 0.88, 0.74};
  const double Phase = Moment * 2.1;
  // The cloth's middle line and its half height along its length (0 at the pole, 1 at the tip).
  auto Middle = [Phase](double T) { return 13 + 4 * T * std::sin(T * 5 + Phase); };
  auto Half = [](double T) { return 9 * (1 - 0.8 * T); };
  auto At = [](double X) { return (42 - X) / 38; };
  C.Shape(
      2, 0, 43, 30,
      [&](double X, double Y) {
        const double T = At(X);
        return T >= 0 && T <= 1 && std::abs(Y - Middle(T)) <= Half(T);
      },
      [&](double X, double Y) {
        const double T = At(X);
        const double Fold = 0.8 + 0.3 * std::cos(T * 5 + Phase);
        const bool InStripe = std::abs(Y - Middle(T)) <= Half(T) * 0.28;
        return Lit(InStripe ? Stripe : Cloth, Fold);
      });
  C.Line({44, 1}, {44, 80}, 2.6, WoodDark);
  C.Line({43.6, 2}, {43.6, 80}, 0.9, WoodLight);
  C.Disc(44, 2, 2.2, Brass);
  return C.ToBitmap();
}

// A gull standing on the barrel, 44 x 40: wings folded, or stretched up as it shakes them.
TGObjectPtr<TGBitmap> DrawPerchedGull(bool Stretching) {
  TCanvas C(44, 40);
  const TRGB White{0.93, 0.93, 0.96}, Grey{0.66, 0.68, 0.74}, Tip{0.12, 0.12, 0.15};
  const TRGB Leg{0.85, 0.6, 0.3};
  C.Line({19, 30}, {18, 39}, 1.4, Leg);
  C.Line({24, 30}, {25, 39}, 1.4, Leg);
  if (Stretching) {
    C.Polygon({{17, 20}, {3, 3}, {8, 2}, {22, 18}}, Grey);
    C.Polygon({{3, 3}, {8, 2}, {6, 8}}, Tip);
    C.Polygon({{26, 18}, {38, 1}, {42, 4}, {29, 21}}, Grey);
    C.Polygon({{38, 1}, {42, 4}, {37, 7}}, Tip);
  }
  C.Ellipse(21, 24, 11, 7.5, White);
  if (!Stretching) {
    C.Polygon({{12, 20}, {30, 19}, {27, 27}, {4, 27}}, Grey);
    C.Polygon({{4, 27}, {10, 24}, {12, 28}}, Tip);
  }
  C.Disc(31, 14, 5, White);
  C.Polygon({{35, 13}, {42, 14.5}, {35, 16.5}}, TRGB{0.95, 0.7, 0.2});
  C.Disc(32.5, 12.8, 0.9, Tip);
  return C.ToBitmap();
}

// --- A starfish, 36 x 36: three of them lie on the quay, alike but for their colour -------------

TGObjectPtr<TGBitmap> DrawStarfish() {
  TCanvas C(36, 36);
  const TRGB Skin{0.93, 0.52, 0.3}, Dark{0.45, 0.2, 0.12};
  auto Inside = [](double Grow) {
    return [Grow](double X, double Y) {
      const double A = std::atan2(Y - 18, X - 18), R = std::hypot(X - 18, Y - 18);
      // Five arms: the radius swells towards each arm's direction.
      const double Arm = std::pow(std::max(0.0, std::cos(5 * (A + Pi / 2)) * 0.5 + 0.5), 2.2);
      return R <= 5 + Grow + (11.5 + Grow) * Arm;
    };
  };
  C.Shape(0, 0, 36, 36, Inside(1.1), [&](double, double) { return Dark; });
  C.Shape(0, 0, 36, 36, Inside(0), [&](double X, double Y) {
    const double R = std::hypot(X - 18, Y - 18);
    const double Dots = std::sin(X * 1.9) * std::sin(Y * 1.9) > 0.55 ? 0.8 : 1;
    return Lit(Skin, (1.15 - 0.35 * R / 16 - 0.15 * (X + Y) / 72) * Dots);
  });
  return C.ToBitmap();
}

// --- The fisherman, 90 x 120: seen from behind, sitting on the edge of the quay in his oilskins
// and sou'wester, his rod out over the bay and the line down into the water ---------------------

TGObjectPtr<TGBitmap> DrawFisherman() {
  TCanvas C(90, 120);
  const TRGB Coat{0.16, 0.3, 0.26}, CoatDark{0.07, 0.14, 0.12}, Hat{0.93, 0.72, 0.16};
  const TRGB HatDark{0.6, 0.42, 0.08}, Skin{0.78, 0.55, 0.42};
  // The sun sets to his left: that side is lit warm.
  auto Sunlit = [](TRGB Base, double X) { return Lit(Base, 1.25 - 0.55 * X / 90); };
  // The rod, from his hands up over the water, and the line hanging from its tip.
  C.Line({36, 76}, {4, 6}, 2.6, WoodDark);
  C.Line({35.4, 75}, {4.4, 7}, 1.1, WoodLight);
  C.Line({4, 6}, {5, 60}, 0.7, TRGB{0.85, 0.85, 0.8}, 0.7);
  C.Line({5, 60}, {7, 100}, 0.7, TRGB{0.85, 0.85, 0.8}, 0.45);
  // His shadow on the stones.
  C.Ellipse(46, 113, 31, 4.5, TRGB{0, 0, 0}, 0.45);
  // The coat: broad shoulders, spread out on the quay where he sits.
  C.OutlinedPolygon({{27, 56}, {63, 56}, {71, 112}, {19, 112}}, Coat, CoatDark, 1.4);
  C.Shape(
      20, 56, 71, 112,
      [](double X, double Y) {
        const double T = (Y - 56) / 56;
        return Y >= 57 && Y <= 111 && X >= 28 - 8 * T && X <= 62 + 8 * T;
      },
      [&](double X, double Y) {
        const bool Seam = std::abs(X - 45) < 0.8 && Y > 64;
        const double Fold = 0.92 + 0.08 * std::sin(X * 0.45 + Y * 0.05);
        return Lit(Sunlit(Seam ? CoatDark : Coat, X), Fold);
      });
  // His right arm reaching forward to the rod.
  C.Line({30, 60}, {33, 76}, 8, CoatDark);
  C.Line({30, 60}, {33, 75}, 6, Sunlit(Coat, 30));
  C.Disc(35, 77, 3.2, Skin);
  // The collar, the back of his neck and the hat with its long brim at the back.
  C.Ellipse(45, 56, 13, 4, CoatDark);
  C.Rect(40, 44, 50, 54, Skin);
  C.PolygonShaded({{29, 39}, {61, 39}, {66, 51}, {24, 51}},
                  [&](double X, double) { return Sunlit(HatDark, X); });
  C.EllipseShaded(45, 38, 18, 5, [&](double X, double) { return Sunlit(Hat, X); });
  C.EllipseShaded(45, 30, 10.5, 9.5,
                  [&](double X, double Y) { return Sunlit(Mix(Hat, HatDark, (Y - 22) / 40), X); });
  C.Line({35, 36}, {55, 36}, 1, HatDark);
  return C.ToBitmap();
}

// --- A lightning bolt, 26 x 34, the sign of a hint to earn ---------------------------------------

TGObjectPtr<TGBitmap> DrawHintBolt() {
  TCanvas C(26, 34);
  const std::vector<TPoint> Bolt{{16, 1}, {4, 19}, {12, 19}, {8, 33}, {22, 13}, {14, 13}, {19, 1}};
  C.Disc(13, 17, 12.5, TRGB{1, 0.9, 0.5}, 0.22);
  C.OutlinedPolygon(Bolt, TRGB{1, 0.84, 0.25}, BrassDark, 1.3);
  C.Line({15.5, 4}, {7.5, 17}, 1.2, TRGB{1, 0.97, 0.8}, 0.8);
  return C.ToBitmap();
}

} // namespace

std::vector<THarbourPicture> DrawHarbourObjects() {
  std::vector<THarbourPicture> Pictures;
  auto Add = [&Pictures](const char* Name, TGObjectPtr<TGBitmap> Bitmap) {
    Pictures.push_back({Name, std::move(Bitmap)});
  };
  Add("Quay.png", DrawQuay());
  Add("Boat.png", DrawBoat());
  Add("Buoy.png", DrawBuoy());
  Add("Post.png", DrawPost());
  Add("Barrel.png", DrawBarrel());
  Add("ChestClosed.png", DrawChestClosed());
  Add("ChestOpen.png", DrawChestOpen());
  Add("Pearl.png", DrawPearl());
  Add("GullUp.png", DrawGull(true));
  Add("GullDown.png", DrawGull(false));
  Add("RopeCoil.png", DrawRopeCoil());
  Add("Anchor.png", DrawAnchor());
  Add("Bottle.png", DrawBottle());
  Add("Key.png", DrawKey());
  Add("Shell.png", DrawShell());
  Add("Fish.png", DrawFish());
  Add("Bucket.png", DrawBucket());
  Add("NetFloat.png", DrawNetFloat());
  Add("Feather.png", DrawFeather());
  Add("Map.png", DrawMap());
  Add("FlagA.png", DrawFlag(0));
  Add("FlagB.png", DrawFlag(1));
  Add("FlagC.png", DrawFlag(2));
  Add("GullSitting.png", DrawPerchedGull(false));
  Add("GullStretching.png", DrawPerchedGull(true));
  Add("Starfish.png", DrawStarfish());
  Add("Fisherman.png", DrawFisherman());
  Add("HintBolt.png", DrawHintBolt());
  return Pictures;
}
