// hoe-fontgen: makes a bitmap font (".fnt" plus its PNG glyph picture) from a TrueType or
// OpenType font with FreeType.
//
// Every glyph gets a cell as tall as the line, its top on the line's top, wide enough for the
// glyph's ink and its advance, with one transparent pixel around it so that filtering never
// bleeds in a neighbour. The part of the cell outside the advance box is the glyph's padding,
// so the engine advances by exactly the font's advance. Kerning pairs come from the font's
// kerning table, rounded to whole pixels.
#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "drawables/UGSprite.h"
#include "graphics/UGBitmap.h"
#include "io/UGStream.h"
#include "text/UGFont.h"
#include "xml/UGXMLNode.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr const char* CHelp =
    "Usage: hoe-fontgen FONT.ttf PIXEL-SIZE OUT.fnt [options]\n"
    "Renders the glyphs of FONT.ttf at PIXEL-SIZE pixels into a PNG glyph picture and writes\n"
    "the bitmap font OUT.fnt that uses it.\n"
    "  --chars RANGES      characters to include: comma-separated code points or ranges,\n"
    "                      decimal or 0x hexadecimal (default 32-126,160-255 and common\n"
    "                      letters and punctuation: 0x152-0x153,0x178,0x2013-0x2014,\n"
    "                      0x2018-0x201E,0x2026,0x20AC)\n"
    "  --color 0xAARRGGBB  colour of the glyph pixels (default 0xFFFFFFFF, white)\n"
    "  --png FILE          where the glyph picture goes (default OUT.fnt with .png)\n"
    "  --sprite-url URL    the picture's resource URL written in the font (default the\n"
    "                      picture's file name)\n"
    "  --help              this text\n"
    "Exit codes: 0 done, 1 failure, 2 bad command line.\n";

constexpr const char* CDefaultChars =
    "32-126,160-255,0x152-0x153,0x178,0x2013-0x2014,0x2018-0x201E,0x2026,0x20AC";
constexpr int CMaxAtlasWidth = TGSprite::CMaxWidth;
constexpr int CMaxAtlasHeight = TGSprite::CMaxHeight;
constexpr int CBorder = 1; // transparent pixels around each cell

struct EUsage : std::runtime_error {
  using std::runtime_error::runtime_error;
};

uint32_t ParseNumber(const std::string& S, const char* What) {
  int64_t V = 0;
  if (!TryStrToInt64(S, V) || V < 0 || V > 0xFFFFFFFFLL) {
    throw EUsage(std::string("Invalid ") + What + ": \"" + S + "\"");
  }
  return static_cast<uint32_t>(V);
}

std::vector<char32_t> ParseRanges(const std::string& Text) {
  std::vector<char32_t> Chars;
  std::vector<std::string> Parts;
  SplitString(Text, ',', Parts);
  for (const std::string& P : Parts) {
    size_t Dash = P.find('-', 1);
    uint32_t First = ParseNumber(Trim(P.substr(0, Dash)), "character");
    uint32_t Last =
        Dash == std::string::npos ? First : ParseNumber(Trim(P.substr(Dash + 1)), "character");
    if (Last < First || Last > 0x10FFFF || Last - First > 0xFFFF) {
      throw EUsage("Invalid character range: \"" + P + "\"");
    }
    for (uint32_t C = First; C <= Last; ++C) {
      Chars.push_back(static_cast<char32_t>(C));
    }
  }
  std::sort(Chars.begin(), Chars.end());
  Chars.erase(std::unique(Chars.begin(), Chars.end()), Chars.end());
  if (Chars.empty()) {
    throw EUsage("No characters given");
  }
  return Chars;
}

struct TGlyph {
  char32_t Code = 0;
  int Advance = 0; // pixels
  int InkLeft = 0; // left edge of the ink relative to the pen
  int InkTop = 0;  // top of the ink relative to the baseline (up is positive)
  int InkWidth = 0;
  int InkHeight = 0;
  std::vector<uint8_t> Coverage; // InkWidth × InkHeight
  int CellLeft = 0;              // cell's left edge relative to the pen (≤ 0)
  int CellWidth = 0;
  int X = 0; // cell position in the picture
  int Y = 0;
};

class TFace {
public:
  TFace(const std::string& FileName, int PixelSize) {
    if (FT_Init_FreeType(&FLib)) {
      throw std::runtime_error("FreeType cannot start");
    }
    if (FT_New_Face(FLib, FileName.c_str(), 0, &FFace)) {
      throw std::runtime_error("Cannot open font \"" + FileName + "\"");
    }
    if (FT_Set_Pixel_Sizes(FFace, 0, static_cast<FT_UInt>(PixelSize))) {
      throw std::runtime_error("Font \"" + FileName + "\" has no size " +
                               std::to_string(PixelSize));
    }
  }
  ~TFace() {
    if (FFace) {
      FT_Done_Face(FFace);
    }
    FT_Done_FreeType(FLib);
  }
  TFace(const TFace&) = delete;
  TFace& operator=(const TFace&) = delete;
  FT_Face operator->() const { return FFace; }
  FT_Face Get() const { return FFace; }

private:
  FT_Library FLib = nullptr;
  FT_Face FFace = nullptr;
};

// Shelf packing at the given picture width; false when the cells do not fit the height limit.
bool Pack(std::vector<TGlyph>& Glyphs, int CellHeight, int Width, int& Height) {
  int X = 0;
  int Y = 0;
  for (TGlyph& G : Glyphs) {
    int W = G.CellWidth + 2 * CBorder;
    if (W > Width) {
      return false;
    }
    if (X + W > Width) {
      X = 0;
      Y += CellHeight + 2 * CBorder;
    }
    G.X = X + CBorder;
    G.Y = Y + CBorder;
    X += W;
  }
  Height = Y + CellHeight + 2 * CBorder;
  return Height <= CMaxAtlasHeight;
}

int Run(int Argc, char** Argv) {
  std::vector<std::string> Args(Argv + 1, Argv + Argc);
  std::string Chars = CDefaultChars;
  uint32_t Color = 0xFFFFFFFF;
  std::string PngFile;
  std::string SpriteURL;
  std::vector<std::string> Positional;
  for (size_t I = 0; I < Args.size(); ++I) {
    const std::string& A = Args[I];
    auto Value = [&]() -> std::string {
      if (I + 1 >= Args.size()) {
        throw EUsage(A + " needs a value");
      }
      return Args[++I];
    };
    if (A == "--help" || A == "-h") {
      std::fputs(CHelp, stdout);
      return 0;
    } else if (A == "--chars") {
      Chars = Value();
    } else if (A == "--color") {
      Color = ParseNumber(Value(), "colour");
    } else if (A == "--png") {
      PngFile = Value();
    } else if (A == "--sprite-url") {
      SpriteURL = Value();
    } else if (A.size() > 1 && A[0] == '-') {
      throw EUsage("Unknown option " + A);
    } else {
      Positional.push_back(A);
    }
  }
  if (Positional.size() != 3) {
    throw EUsage("Expected FONT.ttf PIXEL-SIZE OUT.fnt");
  }
  const std::string& FontFile = Positional[0];
  int32_t PixelSize = 0;
  if (!TryStrToInt(Positional[1], PixelSize) || PixelSize < 4 || PixelSize > 256) {
    throw EUsage("PIXEL-SIZE must be a whole number from 4 to 256");
  }
  std::filesystem::path OutFile = Positional[2];
  if (PngFile.empty()) {
    PngFile = std::filesystem::path(OutFile).replace_extension(".png").string();
  }
  if (SpriteURL.empty()) {
    SpriteURL = std::filesystem::path(PngFile).filename().string();
  }
  std::vector<char32_t> Codes = ParseRanges(Chars);

  TFace Face(FontFile, PixelSize);
  const int Ascender = static_cast<int>(std::ceil(Face->size->metrics.ascender / 64.0));
  const int LineHeight = static_cast<int>(std::ceil(Face->size->metrics.height / 64.0));

  std::vector<TGlyph> Glyphs;
  for (char32_t Code : Codes) {
    FT_UInt Index = FT_Get_Char_Index(Face.Get(), Code);
    if (Index == 0 && Code != U' ') {
      continue; // the font lacks it
    }
    if (FT_Load_Glyph(Face.Get(), Index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL)) {
      std::fprintf(stderr, "hoe-fontgen: cannot render U+%04X, left out\n",
                   static_cast<unsigned>(Code));
      continue;
    }
    FT_GlyphSlot Slot = Face->glyph;
    TGlyph G;
    G.Code = Code;
    G.Advance = static_cast<int>(std::lround(Slot->advance.x / 64.0));
    G.InkLeft = Slot->bitmap_left;
    G.InkTop = Slot->bitmap_top;
    G.InkWidth = static_cast<int>(Slot->bitmap.width);
    G.InkHeight = static_cast<int>(Slot->bitmap.rows);
    G.Coverage.resize(static_cast<size_t>(G.InkWidth) * static_cast<size_t>(G.InkHeight));
    for (int Y = 0; Y < G.InkHeight; ++Y) {
      const uint8_t* Row = Slot->bitmap.buffer + static_cast<ptrdiff_t>(Y) * Slot->bitmap.pitch;
      std::copy(Row, Row + G.InkWidth, G.Coverage.begin() + static_cast<ptrdiff_t>(Y) * G.InkWidth);
    }
    G.CellLeft = std::min(0, G.InkLeft);
    int Right = std::max(G.Advance, G.InkWidth > 0 ? G.InkLeft + G.InkWidth : 0);
    G.CellWidth = std::max(1, Right - G.CellLeft);
    Glyphs.push_back(std::move(G));
  }
  if (Glyphs.empty()) {
    throw std::runtime_error("Font \"" + FontFile + "\" has none of the characters asked for");
  }

  int Width = 64;
  int Height = 0;
  while (!Pack(Glyphs, LineHeight, Width, Height)) {
    Width *= 2;
    if (Width > CMaxAtlasWidth) {
      throw std::runtime_error("The glyphs do not fit a " + std::to_string(CMaxAtlasWidth) + " x " +
                               std::to_string(CMaxAtlasHeight) +
                               " picture: use a smaller size or fewer characters");
    }
  }
  // A square-ish picture: widen while that makes it lower than wide.
  while (Height > Width && Width * 2 <= CMaxAtlasWidth) {
    Width *= 2;
    Pack(Glyphs, LineHeight, Width, Height);
  }

  TGColor Tint(Color);
  TGObjectPtr<TGBitmap> Picture(new TGBitmap());
  Picture->SetSize(Width, Height);
  for (int Y = 0; Y < Height; ++Y) {
    for (int X = 0; X < Width; ++X) {
      Picture->SetPixel(X, Y, TGColor::Create(0, Tint.R, Tint.G, Tint.B));
    }
  }
  for (const TGlyph& G : Glyphs) {
    int OffsetX = G.InkLeft - G.CellLeft;
    int OffsetY = Ascender - G.InkTop;
    for (int Y = 0; Y < G.InkHeight; ++Y) {
      int PY = OffsetY + Y;
      if (PY < 0 || PY >= LineHeight) {
        continue; // ink beyond the line is clipped
      }
      for (int X = 0; X < G.InkWidth; ++X) {
        int A = G.Coverage[static_cast<size_t>(Y * G.InkWidth + X)] * Tint.A / 255;
        Picture->SetPixel(G.X + OffsetX + X, G.Y + PY, TGColor::Create(A, Tint.R, Tint.G, Tint.B));
      }
    }
  }
  {
    TGFileStream Out(PngFile, fmCreate);
    Picture->SavePng(Out);
  }

  TGObjectPtr<TGSprite> Sprite(new TGSprite());
  Sprite->SetURL(SpriteURL);
  TGObjectPtr<TGFont> Font(new TGFont());
  Font->SetHeight(static_cast<float>(LineHeight));
  Font->SetSprite(Sprite.get());
  for (const TGlyph& G : Glyphs) {
    TGCharacter C;
    C.Code = G.Code;
    C.Rect =
        TGRectFloat{static_cast<float>(G.X), static_cast<float>(G.Y),
                    static_cast<float>(G.X + G.CellWidth), static_cast<float>(G.Y + LineHeight)};
    C.Padding = TGRectFloat{static_cast<float>(-G.CellLeft), 0,
                            static_cast<float>(G.CellWidth + G.CellLeft - G.Advance), 0};
    Font->AddCharacter(C);
  }
  int PairCount = 0;
  if (FT_HAS_KERNING(Face.Get())) {
    for (const TGlyph& A : Glyphs) {
      FT_UInt IA = FT_Get_Char_Index(Face.Get(), A.Code);
      for (const TGlyph& B : Glyphs) {
        FT_Vector K{};
        FT_UInt IB = FT_Get_Char_Index(Face.Get(), B.Code);
        if (FT_Get_Kerning(Face.Get(), IA, IB, FT_KERNING_DEFAULT, &K) == 0) {
          long Amount = std::lround(K.x / 64.0);
          if (Amount != 0) {
            Font->SetKernAmount(A.Code, B.Code, static_cast<float>(Amount));
            ++PairCount;
          }
        }
      }
    }
  }
  TGObjectPtr<TGXMLNode> Xml(Font->SaveToXML());
  Xml->SaveToFile(OutFile.string());
  Font->SetSprite(nullptr);
  std::printf("%s: %zu glyphs, %d kerning pairs, line height %d, picture %s (%d x %d)\n",
              OutFile.string().c_str(), Glyphs.size(), PairCount, LineHeight, PngFile.c_str(),
              Width, Height);
  return 0;
}

} // namespace

int main(int Argc, char** Argv) {
  try {
    return Run(Argc, Argv);
  } catch (const EUsage& E) {
    std::fprintf(stderr, "hoe-fontgen: %s\n%s", E.what(), CHelp);
    return 2;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "hoe-fontgen: %s\n", E.what());
    return 1;
  }
}
