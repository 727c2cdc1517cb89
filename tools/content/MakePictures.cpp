// hoe-mkpictures: draws the demo game's pictures procedurally and writes them in every picture
// format the engine reads: a harbour at dusk (JPEG), a lantern with a soft glow (PNG with alpha),
// a crate icon (PNG without alpha), a compass rose (JPEG 2000) and a gem (compressed ".spr");
// the objects of the demo location (PNG with alpha, HarbourObjects.cpp), and the room and the
// objects of the second location (LighthouseObjects.cpp).
#include "Canvas.h"
#include "HarbourObjects.h"
#include "Jp2Writer.h"
#include "LighthouseObjects.h"
#include "base/UGError.h"
#include "graphics/UGBitmap.h"
#include "io/UGFileUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <png.h>

namespace {

using namespace Pictures;

// --- The harbour at dusk, 800 x 600 ------------------------------------------------------------

TGObjectPtr<TGBitmap> DrawHarbour() {
  TCanvas C(800, 600);
  const double Horizon = 340;
  const TPoint Sun{300, Horizon + 6};
  const TRGB Zenith{0.09, 0.07, 0.24}, Middle{0.47, 0.22, 0.42}, Glow{1.0, 0.56, 0.26};
  C.Fill([&](double X, double Y) {
    if (Y >= Horizon) {
      // The sea: darker with depth, lit by the sky near the horizon.
      double T = (Y - Horizon) / (600 - Horizon);
      TRGB Sea = Mix(TRGB{0.33, 0.18, 0.33}, TRGB{0.03, 0.05, 0.14}, std::pow(T, 0.6));
      // Wave stripes: they get longer and further apart towards the viewer.
      double Spacing = 3 + T * 16;
      double Row = std::floor((Y - Horizon) / Spacing);
      double Phase = Hash(static_cast<int>(Row)) * 6.28;
      double Wave = std::sin(X / (14 + T * 60) + Phase) * std::sin(X / (37 + T * 90) + Phase * 2);
      double InStripe = std::fmod(Y - Horizon, Spacing) < 1 + T * 2.5 ? 1 : 0;
      double Crest = std::max(0.0, Wave - 0.35) * InStripe;
      // The sun's path on the water: a column that widens towards the viewer.
      double Path = std::exp(-std::pow((X - Sun.X) / (18 + T * 120), 2));
      TRGB Lit = Mix(TRGB{0.45, 0.35, 0.55}, TRGB{1.0, 0.7, 0.35}, Path);
      return Mix(Sea, Lit, Crest * (0.6 + 0.4 * Path) + Path * 0.12 * (1 - T));
    }
    double T = Y / Horizon;
    TRGB Sky = T < 0.55 ? Mix(Zenith, Middle, T / 0.55) : Mix(Middle, Glow, (T - 0.55) / 0.45);
    double D = std::hypot(X - Sun.X, Y - Sun.Y);
    return Mix(Sky, TRGB{1.0, 0.78, 0.45}, 0.55 * std::exp(-D / 90));
  });
  // Stars in the dark part of the sky.
  for (int I = 0; I < 70; ++I) {
    double X = Hash(I * 3 + 1) * 800, Y = Hash(I * 3 + 2) * 170;
    C.Disc(X, Y, 0.6 + Hash(I * 3 + 3) * 0.8, TRGB{1, 0.95, 0.85}, 0.5 + 0.5 * (1 - Y / 170));
  }
  // The sun, half set.
  C.Shape(
      Sun.X - 40, Sun.Y - 40, Sun.X + 40, Horizon,
      [&](double X, double Y) { return Y < Horizon && std::hypot(X - Sun.X, Y - Sun.Y) < 38; },
      [](double, double Y) {
        return Mix(TRGB{1.0, 0.9, 0.55}, TRGB{1.0, 0.6, 0.3}, (Y - 300) / 46);
      });
  // Hills across the bay.
  C.Shape(
      0, 250, 520, Horizon,
      [&](double X, double Y) {
        // The ridge sinks into the sea towards the middle of the bay.
        double Fall = std::clamp((520 - X) / 160, 0.0, 1.0);
        double Top =
            Horizon - (18 + 30 * std::sin(X * 0.009 + 0.6) + 9 * std::sin(X * 0.037)) * Fall;
        return Y >= Top && Y < Horizon && X < 520;
      },
      [](double, double Y) {
        return Mix(TRGB{0.22, 0.12, 0.26}, TRGB{0.3, 0.16, 0.3}, (Y - 280) / 60);
      });
  // A lighthouse on the hill.
  C.Polygon({{92, 281}, {100, 281}, {103, 318}, {89, 318}}, TRGB{0.85, 0.8, 0.78});
  C.Rect(89, 292, 103, 298, TRGB{0.6, 0.15, 0.15});
  C.Disc(96, 278, 10, TRGB{1, 0.9, 0.6}, 0.25);
  C.Disc(96, 278, 3.5, TRGB{1, 0.95, 0.75});
  // A sailing boat near the horizon.
  C.Polygon({{150, Horizon - 4}, {196, Horizon - 4}, {188, Horizon + 3}, {158, Horizon + 3}},
            TRGB{0.12, 0.07, 0.12});
  C.Polygon({{172, Horizon - 6}, {172, Horizon - 58}, {196, Horizon - 8}}, TRGB{0.2, 0.12, 0.2});
  C.Polygon({{169, Horizon - 6}, {169, Horizon - 46}, {152, Horizon - 8}}, TRGB{0.17, 0.1, 0.17});
  C.Line({170.5, Horizon - 4}, {170.5, Horizon - 62}, 1.6, TRGB{0.1, 0.06, 0.1});
  // The pier: a deck in perspective on posts, from the right edge towards the sun.
  auto DeckTop = [](double X) { return 372 + (X - 470) * 0.2; };
  auto DeckThickness = [](double X) { return 5 + (X - 470) * 0.045; };
  for (double X = 480; X < 800; X += 26 + (X - 470) * 0.12) {
    double Top = DeckTop(X) + DeckThickness(X);
    double W = 2 + (X - 470) * 0.025, Depth = 20 + (X - 470) * 0.35;
    C.Rect(X - W / 2, Top, X + W / 2, Top + Depth, TRGB{0.1, 0.06, 0.07});
    // The post's broken reflection.
    for (int K = 0; K < 4; ++K) {
      double Y = Top + Depth + 2 + K * (4 + W);
      C.Rect(X - W / 2 + (K % 2 ? 1.5 : -1.5), Y, X + W / 2 + (K % 2 ? 1.5 : -1.5), Y + 2 + W * 0.5,
             TRGB{0.1, 0.06, 0.1}, 0.5 - K * 0.1);
    }
  }
  C.Polygon({{470, DeckTop(470)},
             {800, DeckTop(800)},
             {800, DeckTop(800) + DeckThickness(800)},
             {470, DeckTop(470) + DeckThickness(470)}},
            TRGB{0.24, 0.14, 0.12});
  // Plank joints, further apart towards the viewer.
  for (double X = 478; X < 800; X += 7 + (X - 470) * 0.06) {
    C.Line({X, DeckTop(X) + 0.5}, {X - 1, DeckTop(X) + DeckThickness(X) * 0.55}, 0.8,
           TRGB{0.14, 0.08, 0.08});
  }
  C.Line({470, DeckTop(470)}, {800, DeckTop(800)}, 1.4, TRGB{0.55, 0.33, 0.22});
  // A lantern post at the end of the pier, with its glow.
  C.Rect(486, 322, 489.5, 374, TRGB{0.1, 0.06, 0.07});
  C.Rect(482, 318, 494, 323, TRGB{0.1, 0.06, 0.07});
  C.Disc(488, 330, 26, TRGB{1, 0.75, 0.4}, 0.18);
  C.Disc(488, 330, 12, TRGB{1, 0.8, 0.45}, 0.3);
  C.Rect(484, 324, 492, 336, TRGB{1, 0.85, 0.5});
  return C.ToBitmap();
}

// --- The lantern sprite, 96 x 128, soft alpha ------------------------------------------------

TGObjectPtr<TGBitmap> DrawLantern() {
  TCanvas C(96, 128);
  const TRGB Iron{0.16, 0.13, 0.12}, IronLight{0.36, 0.3, 0.26};
  // The glow around the glass, fading to nothing.
  for (int Y = 0; Y < 128; ++Y) {
    for (int X = 0; X < 96; ++X) {
      double D = std::hypot((X + 0.5 - 48) / 1.0, (Y + 0.5 - 74) / 1.15);
      C.Paint(X, Y, TRGB{1.0, 0.78, 0.38}, 0.75 * std::exp(-std::pow(D / 30, 2)));
    }
  }
  C.Ring(48, 16, 9, 3, Iron);
  C.Polygon({{38, 27}, {58, 27}, {70, 44}, {26, 44}}, Iron);
  C.Line({40, 29}, {30, 42}, 2, IronLight);
  C.Rect(30, 44, 66, 100, TRGB{1.0, 0.82, 0.42});
  // The flame: a teardrop, brightest in its middle.
  C.Shape(
      38, 52, 58, 96,
      [](double X, double Y) {
        double T = (Y - 54) / 40; // 0 at the tip, 1 at the bottom
        double Half = T < 0.7 ? 9 * std::sin(T / 0.7 * 1.5708)
                              : 9 * std::sqrt(std::max(0.0, 1 - std::pow((T - 0.7) / 0.3, 2)));
        return T >= 0 && T <= 1 && std::abs(X - 48) <= Half;
      },
      [](double X, double Y) {
        double D = std::hypot(X - 48, (Y - 80) * 0.6);
        return Mix(TRGB{1, 1, 0.88}, TRGB{1, 0.6, 0.18}, D / 10);
      });
  for (double X : {28.0, 47.0, 64.0}) {
    C.Rect(X, 44, X + (X == 47.0 ? 2 : 4), 100, Iron);
  }
  C.Rect(26, 98, 70, 104, Iron);
  C.Polygon({{28, 104}, {68, 104}, {62, 112}, {34, 112}}, Iron);
  C.Line({30, 99.5}, {66, 99.5}, 1, IronLight);
  return C.ToBitmap();
}

// --- The crate icon, 64 x 64, flat colours, no alpha -------------------------------------------

TGObjectPtr<TGBitmap> DrawCrate() {
  TCanvas C(64, 64);
  const TRGB Wood{0.72, 0.47, 0.23}, Dark{0.42, 0.25, 0.11}, Rope{0.86, 0.76, 0.5},
      RopeDark{0.6, 0.5, 0.3};
  C.Fill([](double, double) { return TRGB{0.2, 0.36, 0.45}; });
  C.Rect(8, 10, 56, 58, Dark);
  C.Rect(11, 13, 53, 55, Wood);
  for (double Y : {23.5, 34.5, 45.5}) {
    C.Rect(11, Y - 0.5, 53, Y + 0.5, Dark);
  }
  C.Line({13, 53}, {51, 15}, 4, Dark);
  C.Rect(8, 10, 56, 14, Dark);
  C.Rect(8, 54, 56, 58, Dark);
  // A rope tied round the crate, its twists drawn as short strokes.
  C.Rect(29, 8, 35, 60, Rope);
  for (double Y = 9; Y < 60; Y += 3) {
    C.Line({29, Y}, {35, Y + 2.5}, 1, RopeDark);
  }
  C.Disc(32, 8, 4, Rope);
  C.Line({32, 8}, {24, 2}, 3, Rope);
  C.Line({32, 8}, {41, 3}, 3, Rope);
  return C.ToBitmap();
}

// --- The compass rose, 128 x 128
// ------------------------------------------------------------------

TGObjectPtr<TGBitmap> DrawCompass() {
  TCanvas C(128, 128);
  const double CX = 64, CY = 64;
  const TRGB Ink{0.2, 0.14, 0.1}, Paper{0.93, 0.86, 0.68}, Red{0.65, 0.16, 0.12};
  C.Disc(CX, CY, 62, Ink);
  C.Shape(
      0, 0, 128, 128, [&](double X, double Y) { return std::hypot(X - CX, Y - CY) <= 59; },
      [&](double X, double Y) {
        return Mix(Paper, TRGB{0.8, 0.68, 0.48}, std::hypot(X - CX, Y - CY) / 70);
      });
  C.Ring(CX, CY, 50, 1, Ink);
  for (int I = 0; I < 32; ++I) {
    double A = I * 3.14159265 / 16, Inner = I % 4 == 0 ? 44 : 47;
    C.Line({CX + std::sin(A) * Inner, CY - std::cos(A) * Inner},
           {CX + std::sin(A) * 50, CY - std::cos(A) * 50}, I % 4 == 0 ? 1.6 : 0.9, Ink);
  }
  // Eight points: four long cardinal ones and four short ones between, each in a light and a
  // dark half.
  for (int I = 0; I < 8; ++I) {
    double A = I * 3.14159265 / 4;
    double Len = I % 2 == 0 ? 46 : 28, Half = I % 2 == 0 ? 8 : 6;
    TPoint Tip{CX + std::sin(A) * Len, CY - std::cos(A) * Len};
    TPoint Left{CX + std::sin(A - 1.5708) * Half, CY - std::cos(A - 1.5708) * Half};
    TPoint Right{CX + std::sin(A + 1.5708) * Half, CY - std::cos(A + 1.5708) * Half};
    TRGB Dark = I == 0 ? Red : Ink;
    C.Polygon({{CX, CY}, Left, Tip}, I % 2 == 0 ? Dark : TRGB{0.45, 0.36, 0.26});
    C.Polygon({{CX, CY}, Tip, Right}, TRGB{0.98, 0.95, 0.85});
    C.Line({CX, CY}, Tip, 0.8, Ink);
  }
  C.Disc(CX, CY, 4, Ink);
  C.Disc(CX, CY, 2, TRGB{0.85, 0.7, 0.35});
  // The letter N above the north point.
  C.Line({59.5, 14}, {59.5, 4}, 1.8, Red);
  C.Line({59.5, 4}, {68.5, 14}, 1.8, Red);
  C.Line({68.5, 14}, {68.5, 4}, 1.8, Red);
  return C.ToBitmap();
}

// --- The gem, 64 x 64 ---------------------------------------------------------------------------

TGObjectPtr<TGBitmap> DrawGem() {
  TCanvas C(64, 64);
  // A brilliant seen from the side: a crown of facets above a pointed pavilion.
  const TPoint A{8, 24}, B{18, 12}, D{46, 12}, E{56, 24}, Tip{32, 58};
  const TPoint Tl{24, 24}, Tr{40, 24}, Mid{32, 12};
  const TRGB Green{0.1, 0.62, 0.36};
  C.Polygon({A, B, D, E, Tip}, Scale(Green, 0.6));
  C.Polygon({A, B, Tl}, Scale(Green, 1.15));
  C.Polygon({B, Mid, Tl}, Mix(Green, TRGB{1, 1, 1}, 0.35));
  C.Polygon({Mid, Tr, Tl}, Scale(Green, 1.3));
  C.Polygon({Mid, D, Tr}, Scale(Green, 0.95));
  C.Polygon({D, E, Tr}, Scale(Green, 0.75));
  C.Polygon({A, Tl, Tip}, Scale(Green, 0.85));
  C.Polygon({Tl, Tr, Tip}, Scale(Green, 1.05));
  C.Polygon({Tr, E, Tip}, Scale(Green, 0.5));
  for (auto [P, Q] : {std::pair{A, E}, std::pair{B, Tl}, std::pair{Tl, Mid}, std::pair{Mid, Tr},
                      std::pair{Tr, D}, std::pair{Tl, Tip}, std::pair{Tr, Tip}}) {
    C.Line(P, Q, 0.7, TRGB{0.7, 1, 0.8}, 0.6);
  }
  for (auto [P, Q] :
       {std::pair{A, B}, std::pair{B, D}, std::pair{D, E}, std::pair{E, Tip}, std::pair{Tip, A}}) {
    C.Line(P, Q, 1.2, TRGB{0.03, 0.25, 0.14});
  }
  // A sparkle on the upper left facet.
  C.Line({17, 18}, {27, 18}, 1.2, TRGB{1, 1, 1}, 0.9);
  C.Line({22, 13}, {22, 23}, 1.2, TRGB{1, 1, 1}, 0.9);
  C.Disc(22, 18, 2, TRGB{1, 1, 1});
  return C.ToBitmap();
}

// --- Writing ------------------------------------------------------------------------------------

void AppendPng(png_structp Png, png_bytep Data, size_t Count) {
  static_cast<std::string*>(png_get_io_ptr(Png))->append(reinterpret_cast<char*>(Data), Count);
}

[[noreturn]] void PngFailed(png_structp, png_const_charp Message) {
  std::fprintf(stderr, "hoe-mkpictures: PNG writing failed: %s\n", Message);
  std::exit(1);
}

// A PNG of the colour channels only (colour type RGB), which TGBitmap::SavePng never writes.
std::string OpaquePng(const TGBitmap& Bitmap) {
  std::string Out;
  png_structp Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFailed, nullptr);
  png_infop Info = png_create_info_struct(Png);
  png_set_write_fn(Png, &Out, AppendPng, nullptr);
  png_set_IHDR(Png, Info, Bitmap.Width(), Bitmap.Height(), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(Png, 9);
  png_write_info(Png, Info);
  std::string Bits = Bitmap.Bits();
  std::vector<uint8_t> Row(static_cast<size_t>(Bitmap.Width()) * 3);
  for (int Y = 0; Y < Bitmap.Height(); ++Y) {
    for (int X = 0; X < Bitmap.Width(); ++X) {
      const char* P = Bits.data() + (static_cast<size_t>(Y) * Bitmap.Width() + X) * 4;
      Row[X * 3] = static_cast<uint8_t>(P[2]);
      Row[X * 3 + 1] = static_cast<uint8_t>(P[1]);
      Row[X * 3 + 2] = static_cast<uint8_t>(P[0]);
    }
    png_write_row(Png, Row.data());
  }
  png_write_end(Png, nullptr);
  png_destroy_write_struct(&Png, &Info);
  return Out;
}

void Usage(FILE* To) {
  std::fprintf(To, "Usage: hoe-mkpictures [OUTPUT_FOLDER]\n"
                   "Draws the demo pictures and writes them into OUTPUT_FOLDER\n"
                   "(default: content/gfx/Demo): Harbour.jpg, Lantern.png, Crate.png,\n"
                   "Compass.jp2 and Gem.spr, and the demo location's objects into its\n"
                   "subfolder Objects (Quay.png, Boat.png, Anchor.png...), and the second\n"
                   "location's room and objects into Lighthouse (Room.jpg, Spyglass.png...).\n");
}

} // namespace

int main(int argc, char** argv) {
  std::string Folder = "content/gfx/Demo";
  if (argc > 2) {
    Usage(stderr);
    return 2;
  }
  if (argc == 2) {
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
      Usage(stdout);
      return 0;
    }
    Folder = argv[1];
  }
  try {
    if (!ForceDirectories(Folder)) {
      throw std::runtime_error("cannot create the folder " + Folder);
    }
    auto Write = [&Folder](const char* Name, const std::string& Data) {
      WriteFile(Folder + "/" + Name, Data);
      std::printf("%s/%s: %zu bytes\n", Folder.c_str(), Name, Data.size());
    };
    TGMemoryStream Harbour, Lantern, Gem;
    DrawHarbour()->SaveJpg(Harbour);
    Write("Harbour.jpg", Harbour.Data());
    DrawLantern()->SavePng(Lantern);
    Write("Lantern.png", Lantern.Data());
    Write("Crate.png", OpaquePng(*DrawCrate()));
    std::string Compass = DrawCompass()->Bits();
    Write("Compass.jp2",
          EncodeJp2(reinterpret_cast<const uint8_t*>(Compass.data()), 128, 128, 4, false, 12));
    auto GemBitmap = DrawGem();
    GemBitmap->SetCompressed(true);
    GemBitmap->SaveSpr(Gem);
    Write("Gem.spr", Gem.Data());
    if (!ForceDirectories(Folder + "/Objects")) {
      throw std::runtime_error("cannot create the folder " + Folder + "/Objects");
    }
    for (const THarbourPicture& Picture : DrawHarbourObjects()) {
      TGMemoryStream Png;
      Picture.Bitmap->SavePng(Png);
      Write(("Objects/" + Picture.Name).c_str(), Png.Data());
    }
    if (!ForceDirectories(Folder + "/Lighthouse")) {
      throw std::runtime_error("cannot create the folder " + Folder + "/Lighthouse");
    }
    TGMemoryStream Room;
    DrawLighthouseRoom()->SaveJpg(Room);
    Write("Lighthouse/Room.jpg", Room.Data());
    for (const THarbourPicture& Picture : DrawLighthouseObjects()) {
      TGMemoryStream Png;
      Picture.Bitmap->SavePng(Png);
      Write(("Lighthouse/" + Picture.Name).c_str(), Png.Data());
    }
  } catch (const EGException& E) {
    std::fprintf(stderr, "hoe-mkpictures: %s\n", E.Text().c_str());
    return 1;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "hoe-mkpictures: %s\n", E.what());
    return 1;
  }
  return 0;
}
