#include "LighthouseObjects.h"

#include "Canvas.h"

#include <cmath>

using namespace Pictures;

namespace {

constexpr double Pi = 3.14159265358979;

const TRGB Outline{0.08, 0.06, 0.06};
const TRGB Brass{0.85, 0.65, 0.27}, BrassDark{0.42, 0.29, 0.1};
const TRGB Wood{0.36, 0.22, 0.13}, WoodDark{0.2, 0.12, 0.08}, WoodLight{0.55, 0.38, 0.24};

TRGB Lit(TRGB C, double F) {
  return {std::min(1.0, C.R * F), std::min(1.0, C.G * F), std::min(1.0, C.B * F)};
}

// The warm light of the keeper's lamp, hanging left of the window, as a factor on a colour.
double LampLight(double X, double Y) {
  return 0.45 + 0.75 * std::exp(-std::pow(std::hypot(X - 180, (Y - 170) * 1.2) / 330, 2));
}

TRGB Warm(TRGB C, double X, double Y) {
  const double F = LampLight(X, Y);
  return Mix(Lit(C, F), TRGB{1.0, 0.72, 0.4}, 0.18 * (F - 0.45));
}

} // namespace

// --- The room, 800 x 600: a stone wall with an arched window onto the sea, a floor of boards and
// the keeper's table ------------------------------------------------------------------------------

TGObjectPtr<TGBitmap> DrawLighthouseRoom() {
  TCanvas C(800, 600);
  const double Floor = 455;
  // The wall: courses of whitewashed stones, each a little different, in the lamp's light.
  C.Fill([&](double X, double Y) {
    if (Y >= Floor) {
      // Boards running towards the viewer, their joints fanning out from the wall.
      const double Depth = (Y - Floor) / (600 - Floor);
      const double U = (X - 400) / (1 + 1.6 * Depth);
      const double Along = std::fmod(U + 4000, 58);
      const int Board = static_cast<int>(std::floor((U + 4000) / 58));
      const TRGB B = Mix(Wood, WoodLight, Hash(Board * 13 + 5) * 0.6);
      const double Grain = 1 + 0.06 * std::sin(Y * 0.7 + Hash(Board) * 9);
      return Warm(Along < 1.4 ? WoodDark : Lit(B, Grain * (1.05 - 0.3 * Depth)), X, Y);
    }
    const int Course = static_cast<int>(Y / 38);
    const double Offset = (Course % 2) * 47 + Hash(Course * 3) * 20;
    const int Stone = static_cast<int>(std::floor((X + Offset) / 94));
    const double InX = std::fmod(X + Offset, 94), InY = std::fmod(Y, 38);
    const bool Joint = InX < 2.5 || InY < 2.5;
    const TRGB Lime =
        Mix(TRGB{0.4, 0.4, 0.45}, TRGB{0.52, 0.5, 0.5}, Hash(Stone * 7 + Course * 31));
    const double Curve = 1 - 0.35 * std::pow((X - 400) / 400, 2); // the round wall turns away
    return Warm(Joint ? TRGB{0.3, 0.29, 0.32} : Lit(Lime, Curve), X, Y);
  });
  // The window: an arch of night sky over the sea, the moon and its path on the water.
  const double WL = 430, WR = 690, WTop = 70, WSill = 330, Horizon = 250;
  auto InWindow = [=](double X, double Y) {
    const double R = (WR - WL) / 2, CX = (WL + WR) / 2;
    if (Y > WSill || X < WL || X > WR) {
      return false;
    }
    return Y >= WTop + R || std::hypot(X - CX, Y - (WTop + R)) <= R;
  };
  C.Shape(
      WL - 14, WTop - 14, WR + 14, WSill + 12,
      [=](double X, double Y) {
        const double R = (WR - WL) / 2 + 14, CX = (WL + WR) / 2;
        return Y <= WSill + 12 && X >= WL - 14 && X <= WR + 14 &&
               (Y >= WTop + R - 14 || std::hypot(X - CX, Y - (WTop + R - 14)) <= R);
      },
      [](double X, double Y) {
        return Warm(TRGB{0.48, 0.46, 0.48}, X, Y);
      });
  C.Shape(WL, WTop, WR, WSill, InWindow, [=](double X, double Y) {
    if (Y < Horizon) {
      const TRGB Sky =
          Mix(TRGB{0.03, 0.04, 0.14}, TRGB{0.12, 0.16, 0.32}, (Y - WTop) / (Horizon - WTop));
      return Mix(Sky, TRGB{0.85, 0.88, 0.95}, 0.5 * std::exp(-std::hypot(X - 610, Y - 140) / 40));
    }
    const double T = (Y - Horizon) / (WSill - Horizon);
    const double Path = std::exp(-std::pow((X - 610) / (6 + T * 40), 2));
    const double Wave = std::sin(X * 0.2 + Y * 1.3) > 0.6 ? 1 : 0;
    return Mix(Mix(TRGB{0.05, 0.08, 0.18}, TRGB{0.02, 0.03, 0.08}, T), TRGB{0.8, 0.85, 0.95},
               Path * (0.25 + 0.6 * Wave));
  });
  for (int I = 0; I < 40; ++I) {
    const double X = WL + Hash(I * 5 + 1) * (WR - WL),
                 Y = WTop + Hash(I * 5 + 2) * (Horizon - WTop - 10);
    if (InWindow(X, Y) && std::hypot(X - 610, Y - 140) > 30) {
      C.Disc(X, Y, 0.5 + Hash(I * 5 + 3) * 0.8, TRGB{1, 0.97, 0.9}, 0.7);
    }
  }
  C.Disc(610, 140, 17, TRGB{0.96, 0.95, 0.88});
  C.Disc(604, 135, 4, TRGB{0.85, 0.84, 0.78});
  // The window's lead bars.
  C.Line({(WL + WR) / 2, WTop}, {(WL + WR) / 2, WSill}, 3, Outline);
  C.Line({WL, 200}, {WR, 200}, 3, Outline);
  C.Rect(WL - 18, WSill, WR + 18, WSill + 14, TRGB{0.36, 0.34, 0.36});
  // The skirting where the wall meets the floor.
  C.Rect(0, Floor - 8, 800, Floor, WoodDark);
  // The keeper's table: a top seen from above the front edge, on four legs.
  const double TL = 60, TR = 520, TTop = 372, TFront = 402;
  for (double X : {TL + 18, TR - 30, TL + 60, TR - 72}) {
    const bool Back = X == TL + 60 || X == TR - 72;
    C.Rect(X, TFront, X + 12, Back ? 470 : 520, Back ? Lit(WoodDark, 0.8) : WoodDark);
  }
  C.Polygon({{TL + 20, TTop}, {TR - 20, TTop}, {TR, TFront}, {TL, TFront}}, Outline);
  C.PolygonShaded(
      {{TL + 22, TTop + 1.5}, {TR - 22, TTop + 1.5}, {TR - 2, TFront - 1}, {TL + 2, TFront - 1}},
      [](double X, double Y) {
        const double Grain = 1 + 0.05 * std::sin(X * 0.15 + Y * 0.4);
        return Warm(Lit(WoodLight, Grain), X, Y);
      });
  C.Rect(TL, TFront, TR, TFront + 12, Wood);
  C.Line({TL, TFront + 12}, {TR, TFront + 12}, 1.5, Outline);
  // The shadow of the table on the floor.
  C.Ellipse((TL + TR) / 2, 528, (TR - TL) / 2 + 10, 16, TRGB{0, 0, 0}, 0.3);
  return C.ToBitmap();
}

namespace {

// --- The things to find
// ----------------------------------------------------------------------------

// A brass spyglass in three drawn sections, 96 x 28.
TGObjectPtr<TGBitmap> DrawSpyglass() {
  TCanvas C(96, 28);
  const double Sections[4][3] = {{2, 36, 11}, {34, 62, 9}, {60, 84, 7.5}, {82, 94, 5.5}};
  for (const auto& S : Sections) {
    const double L = S[0], R = S[1], H = S[2];
    C.Rect(L - 1, 14 - H - 1, R + 1, 14 + H + 1, BrassDark);
    C.Shape(
        L, 14 - H, R, 14 + H,
        [=](double X, double Y) { return X >= L && X <= R && std::abs(Y - 14) <= H; },
        [=](double, double Y) {
          const double U = (Y - (14 - H)) / (2 * H);
          return Lit(Brass, 0.55 + 0.7 * std::sin(U * Pi) * (1.2 - 0.6 * U));
        });
    C.Rect(R - 2.5, 14 - H, R, 14 + H, BrassDark);
  }
  C.Rect(8, 3, 26, 25, TRGB{0.25, 0.12, 0.08}); // the leather grip
  C.Line({8, 9}, {26, 9}, 1, TRGB{0.45, 0.25, 0.15});
  C.Ellipse(3, 14, 2.2, 10, TRGB{0.3, 0.42, 0.55});
  return C.ToBitmap();
}

// The keeper's log book, bound in red leather, 64 x 48.
TGObjectPtr<TGBitmap> DrawLogbook() {
  TCanvas C(64, 48);
  C.Polygon({{6, 10}, {60, 4}, {62, 38}, {8, 44}}, Outline);
  C.Polygon({{7, 12}, {59, 6}, {60, 34}, {8, 40}}, TRGB{0.93, 0.88, 0.76}); // the pages' edge
  C.PolygonShaded({{4, 8}, {58, 2}, {58, 32}, {4, 38}}, [](double X, double Y) {
    return Lit(TRGB{0.55, 0.12, 0.1}, 1.15 - 0.35 * X / 64 - 0.15 * Y / 48);
  });
  C.Line({12, 7.5}, {12, 37}, 2, TRGB{0.3, 0.06, 0.05});
  C.Rect(24, 14, 46, 24, Brass, 0.9); // the label
  C.Rect(26, 16, 44, 22, TRGB{0.93, 0.86, 0.66});
  C.Line({28, 19}, {42, 19}, 1, TRGB{0.3, 0.2, 0.12});
  return C.ToBitmap();
}

// An oil can for the lamp, with its long spout, 48 x 52.
TGObjectPtr<TGBitmap> DrawOilCan() {
  TCanvas C(48, 52);
  const TRGB Tin{0.5, 0.55, 0.5};
  C.Line({30, 26}, {46, 4}, 3.2, Outline);
  C.Line({30, 26}, {46, 4}, 1.8, Tin);
  C.Ellipse(20, 48, 17, 3.5, TRGB{0, 0, 0}, 0.4);
  C.Shape(
      2, 22, 38, 50,
      [](double X, double Y) { return Y >= 24 && Y <= 48 && std::abs(X - 20) <= 17; },
      [&](double X, double) {
        return Lit(Tin, 0.6 + 0.6 * std::sin((X - 3) / 34 * Pi) * (1.2 - (X - 3) / 40));
      });
  C.Ellipse(20, 24, 17, 4, Lit(Tin, 1.2));
  C.Shape(
      8, 10, 32, 25,
      [](double X, double Y) {
        return Y >= 12 && Y <= 24 && std::abs(X - 20) <= 6 + (Y - 12) * 0.9;
      },
      [&](double X, double) { return Lit(Tin, 0.7 + 0.4 * (32 - X) / 24); });
  C.Rect(16, 6, 24, 12, TRGB{0.3, 0.3, 0.3});
  C.Rect(3, 34, 37, 38, TRGB{0.62, 0.16, 0.12}); // a painted band
  return C.ToBitmap();
}

// A candle stub in a brass holder, 32 x 56.
TGObjectPtr<TGBitmap> DrawCandle() {
  TCanvas C(32, 56);
  for (int Y = 0; Y < 30; ++Y) {
    for (int X = 0; X < 32; ++X) {
      C.Paint(X, Y, TRGB{1, 0.8, 0.45},
              0.5 * std::exp(-std::pow(std::hypot(X - 16, Y - 10) / 8, 2)));
    }
  }
  C.Shape(
      12, 2, 20, 18,
      [](double X, double Y) {
        const double T = (Y - 3) / 14;
        return T >= 0 && T <= 1 && std::abs(X - 16) <= 3.6 * std::sin(T * Pi * 0.9 + 0.1);
      },
      [](double X, double Y) {
        return Mix(TRGB{1, 1, 0.85}, TRGB{1, 0.55, 0.15}, std::hypot(X - 16, Y - 13) / 5);
      });
  C.Line({16, 16}, {16, 20}, 1, Outline);
  C.Shape(
      10, 19, 22, 46, [](double X, double Y) { return X >= 10 && X <= 22 && Y >= 19 && Y <= 46; },
      [](double X, double) {
        return Lit(TRGB{0.95, 0.92, 0.82}, 0.7 + 0.45 * std::sin((X - 10) / 12 * Pi));
      });
  C.Ellipse(16, 46, 14, 4, BrassDark);
  C.Ellipse(16, 45, 13, 3.2, Brass);
  C.Ring(28, 44, 3, 1.5, Brass);
  return C.ToBitmap();
}

// A small brass bell, its rope loop on top, 40 x 48.
TGObjectPtr<TGBitmap> DrawBell() {
  TCanvas C(40, 48);
  C.Ring(20, 6, 4, 2.2, TRGB{0.7, 0.55, 0.35});
  auto Half = [](double Y) { return 7 + 11 * std::pow((Y - 10) / 30, 1.6); };
  C.Shape(
      0, 9, 40, 42,
      [&](double X, double Y) { return Y >= 10 && Y <= 40 && std::abs(X - 20) <= Half(Y) + 1; },
      [](double, double) { return BrassDark; });
  C.Shape(
      0, 10, 40, 41,
      [&](double X, double Y) { return Y >= 11 && Y <= 39 && std::abs(X - 20) <= Half(Y); },
      [&](double X, double Y) {
        const double U = (X - 20) / (Half(Y) + 0.01);
        return Lit(Brass,
                   0.55 + 0.75 * std::sqrt(std::max(0.0, 1 - U * U)) * (1.1 - 0.4 * (U + 1) / 2));
      });
  C.Ellipse(20, 40, 18.5, 3, BrassDark);
  C.Disc(21, 44, 3, TRGB{0.3, 0.22, 0.12}); // the clapper below the rim
  C.Line({14, 14}, {10, 36}, 1.4, TRGB{1, 0.92, 0.65}, 0.7);
  return C.ToBitmap();
}

} // namespace

std::vector<THarbourPicture> DrawLighthouseObjects() {
  std::vector<THarbourPicture> Pictures;
  Pictures.push_back({"Spyglass.png", DrawSpyglass()});
  Pictures.push_back({"Logbook.png", DrawLogbook()});
  Pictures.push_back({"OilCan.png", DrawOilCan()});
  Pictures.push_back({"Candle.png", DrawCandle()});
  Pictures.push_back({"Bell.png", DrawBell()});
  return Pictures;
}
