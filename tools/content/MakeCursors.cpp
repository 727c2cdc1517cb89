// hoe-mkcursors: draws the pictures of the play screen's mouse cursors (PNG with alpha): the
// pointer and its blue variant, the hint's lightning bolt, the glow and ring that pulse around a
// usable hot spot, the red mark of an unusable one, the magnifier and its small badge, and the
// walk cursor's arrow and its walking man in three steps. The cursor animations (".ani") that
// place them are written by hand beside them.
#include "Canvas.h"
#include "base/UGError.h"
#include "graphics/UGBitmap.h"
#include "io/UGFileUtils.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace Pictures;

const TRGB CInk{0.16, 0.11, 0.07};   // dark brown outlines
const TRGB CIvory{0.97, 0.94, 0.84}; // the pointer's face
const TRGB CBrass{0.86, 0.68, 0.30};
const TRGB CBlue{0.36, 0.62, 0.98};
const TRGB CRed{0.92, 0.20, 0.16};
const TRGB CGreen{0.36, 0.84, 0.40};

struct TCursorPicture {
  std::string Name;
  TGObjectPtr<TGBitmap> Bitmap;
};

// The arrow pointer, its tip at the top-left pixel, shaded from Top to Bottom.
TGObjectPtr<TGBitmap> DrawPointer(TRGB Top, TRGB Bottom) {
  TCanvas C(22, 30);
  const std::vector<TPoint> Shape{{1, 1},   {1, 23},  {6.5, 18.5}, {10.5, 27.5},
                                  {14, 26}, {10, 17}, {17, 17}};
  C.Polygon(Shape, CInk);
  for (size_t I = 0, J = Shape.size() - 1; I < Shape.size(); J = I++) {
    C.Line(Shape[J], Shape[I], 2.4, CInk);
  }
  const std::vector<TPoint> Face{{2.6, 4.6}, {2.6, 19.6}, {7.1, 15.8}, {11.2, 25},
                                 {12, 24.6}, {8, 15.6},   {13.6, 15.6}};
  C.PolygonShaded(Face, [&](double, double Y) { return Mix(Top, Bottom, Y / 26); });
  return C.ToBitmap();
}

// A lightning bolt, yellow with a dark edge.
TGObjectPtr<TGBitmap> DrawBolt() {
  TCanvas C(16, 24);
  const std::vector<TPoint> Bolt{{10, 1}, {2, 13}, {7, 13}, {4, 23}, {14, 9}, {9, 9}, {13, 1}};
  C.OutlinedPolygon(Bolt, TRGB{1.0, 0.86, 0.22}, CInk, 1.0);
  return C.ToBitmap();
}

// A soft round glow of the colour, strongest in the middle.
TGObjectPtr<TGBitmap> DrawGlow(int Size, TRGB Colour) {
  TCanvas C(Size, Size);
  const double R = Size / 2.0;
  for (int Y = 0; Y < Size; ++Y) {
    for (int X = 0; X < Size; ++X) {
      const double D = std::hypot(X + 0.5 - R, Y + 0.5 - R) / R;
      if (D < 1) {
        C.Paint(X, Y, Colour, std::pow(1 - D, 2.2) * 0.9);
      }
    }
  }
  return C.ToBitmap();
}

// A thin ring with a darker rim outside it.
TGObjectPtr<TGBitmap> DrawRing(int Size, TRGB Colour) {
  TCanvas C(Size, Size);
  const double R = Size / 2.0;
  C.Ring(R, R, R - 3, 3.2, Scale(Colour, 0.55));
  C.Ring(R, R, R - 3, 1.8, Colour);
  return C.ToBitmap();
}

// The mark of a hot spot where the held thing does not help: a red ring crossed out.
TGObjectPtr<TGBitmap> DrawNoBadge() {
  TCanvas C(18, 18);
  C.Disc(9, 9, 8.5, CInk);
  C.Disc(9, 9, 7.2, CRed);
  C.Disc(9, 9, 4.6, CIvory, 0.9);
  C.Line({4.5, 13.5}, {13.5, 4.5}, 2.6, CRed);
  return C.ToBitmap();
}

// A magnifier: a brass ring with a pale lens, the handle to the lower right. Lens centre at
// (Size * 0.4, Size * 0.4).
TGObjectPtr<TGBitmap> DrawMagnifier(int Size, TRGB Glass) {
  TCanvas C(Size, Size);
  const double S = Size / 40.0;
  const double CX = 16 * S, CY = 16 * S, R = 11 * S;
  C.Line({CX + R * 0.7, CY + R * 0.7}, {37 * S, 37 * S}, 6 * S, CInk);
  C.Line({CX + R * 0.7, CY + R * 0.7}, {36 * S, 36 * S}, 4 * S, TRGB{0.45, 0.28, 0.14});
  C.Disc(CX, CY, R + 2.5 * S, CInk);
  C.Disc(CX, CY, R + 1.5 * S, CBrass);
  C.EllipseShaded(
      CX, CY, R - 0.5 * S, R - 0.5 * S,
      [&](double X, double Y) { return Mix(CIvory, Glass, std::hypot(X - CX, Y - CY) / R); }, 0.75);
  C.Disc(CX - R * 0.35, CY - R * 0.35, R * 0.22, TRGB{1, 1, 1}, 0.8);
  return C.ToBitmap();
}

// The walk cursor's arrow, pointing right, its middle at the centre of the picture.
TGObjectPtr<TGBitmap> DrawArrow() {
  TCanvas C(30, 22);
  const std::vector<TPoint> Arrow{{2, 7},     {16, 7},  {16, 1.5}, {28.5, 11},
                                  {16, 20.5}, {16, 15}, {2, 15}};
  C.OutlinedPolygon(Arrow, CGreen, CInk, 1.2);
  C.Polygon({{4, 8.5}, {17.5, 8.5}, {17.5, 4.8}, {24, 10}, {4, 10}}, TRGB{0.72, 0.96, 0.70}, 0.7);
  return C.ToBitmap();
}

// The walking man, seen from the side, in step Phase (0, 1, 2): legs and arms swing.
TGObjectPtr<TGBitmap> DrawMan(int Phase) {
  TCanvas C(18, 28);
  const double Swing[] = {-0.45, 0.0, 0.45};
  const double A = Swing[Phase];
  const TRGB Coat{0.26, 0.36, 0.62};
  auto Limb = [&](TPoint From, double Angle, double Length, double Width, TRGB Colour) {
    const TPoint To{From.X + std::sin(Angle) * Length, From.Y + std::cos(Angle) * Length};
    C.Line(From, To, Width + 1.6, CInk);
    C.Line(From, To, Width, Colour);
  };
  // The far leg and arm first, darker; then the body, head, near leg and arm.
  Limb({9, 16}, -A, 10, 2.6, Scale(Coat, 0.6));
  Limb({9, 9}, A, 7, 2.0, Scale(Coat, 0.7));
  C.Ellipse(9, 12.5, 3.4, 5.2, CInk);
  C.Ellipse(9, 12.5, 2.6, 4.4, Coat);
  C.Disc(9.5, 4.5, 3.6, CInk);
  C.Disc(9.5, 4.5, 2.8, TRGB{0.95, 0.80, 0.64});
  C.Rect(6.2, 0.8, 13, 2.6, CInk);
  Limb({9, 16}, A, 10, 2.6, Coat);
  Limb({9, 9}, -A, 7, 2.0, Coat);
  return C.ToBitmap();
}

std::vector<TCursorPicture> DrawCursors() {
  std::vector<TCursorPicture> P;
  P.push_back({"Pointer.png", DrawPointer(CIvory, TRGB{0.86, 0.78, 0.58})});
  P.push_back({"PointerBlue.png", DrawPointer(TRGB{0.78, 0.88, 1.0}, CBlue)});
  P.push_back({"Bolt.png", DrawBolt()});
  P.push_back({"Glow.png", DrawGlow(48, TRGB{1.0, 0.86, 0.45})});
  P.push_back({"BlueGlow.png", DrawGlow(36, CBlue)});
  P.push_back({"Ring.png", DrawRing(40, TRGB{1.0, 0.84, 0.36})});
  P.push_back({"RedRing.png", DrawRing(40, CRed)});
  P.push_back({"NoBadge.png", DrawNoBadge()});
  P.push_back({"Magnifier.png", DrawMagnifier(40, TRGB{0.62, 0.78, 0.86})});
  P.push_back({"ZoomBadge.png", DrawMagnifier(18, CGreen)});
  P.push_back({"Arrow.png", DrawArrow()});
  for (int Phase = 0; Phase < 3; ++Phase) {
    P.push_back({std::string("Man") + static_cast<char>('A' + Phase) + ".png", DrawMan(Phase)});
  }
  return P;
}

void Usage(FILE* To) {
  std::fprintf(To, "Usage: hoe-mkcursors [OUTPUT_FOLDER]\n"
                   "Draws the pictures of the mouse cursors and writes them into OUTPUT_FOLDER\n"
                   "(default: content/gfx/Cursors): Pointer.png, PointerBlue.png, Bolt.png,\n"
                   "Glow.png, BlueGlow.png, Ring.png, RedRing.png, NoBadge.png, Magnifier.png,\n"
                   "ZoomBadge.png, Arrow.png, ManA.png, ManB.png and ManC.png.\n");
}

} // namespace

int main(int argc, char** argv) {
  std::string Folder = "content/gfx/Cursors";
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
    for (const TCursorPicture& Picture : DrawCursors()) {
      TGMemoryStream Png;
      Picture.Bitmap->SavePng(Png);
      WriteFile(Folder + "/" + Picture.Name, Png.Data());
      std::printf("%s/%s: %zu bytes\n", Folder.c_str(), Picture.Name.c_str(), Png.Data().size());
    }
  } catch (const EGException& E) {
    std::fprintf(stderr, "hoe-mkcursors: %s\n", E.Text().c_str());
    return 1;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "hoe-mkcursors: %s\n", E.what());
    return 1;
  }
  return 0;
}
