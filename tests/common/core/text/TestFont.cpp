// Bitmap fonts: widths with padding and kerning, the ".fnt" file both ways, bad files, the demo
// fonts made by hoe-fontgen, and strings drawn to exact pixels on a headless device.
#include "HeadlessDevice.h"
#include "drawables/UGSprite.h"
#include "graphics/UGBitmap.h"
#include "graphics/UGGraphicsDevice.h"
#include "io/UGFileUtils.h"
#include "io/UGNativeFileSystem.h"
#include "io/UGStream.h"
#include "resources/UGResourceLibrary.h"
#include "text/UGFont.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

namespace {

TGCharacter Char(char32_t Code, float X, float W, float L = 0, float R = 0, float H = 4) {
  TGCharacter C;
  C.Code = Code;
  C.Rect = TGRectFloat{X, 0, X + W, H};
  C.Padding = TGRectFloat{L, 0, R, 0};
  return C;
}

TGFont* LoadFont(std::string_view Xml, TGResourceLibrary* Library = nullptr) {
  TGObjectPtr<TGFont> F(new TGFont());
  TGMemoryStream S{std::string(Xml)};
  F->LoadFromStream(S, Library);
  return F.release();
}

} // namespace

TEST(Font, StringWidthCountsPaddingKerningAndSkipsMissingCharacters) {
  TGObjectPtr<TGFont> F(new TGFont());
  F->AddCharacter(Char(U'A', 0, 10, 1, 1));
  F->AddCharacter(Char(U'V', 10, 11, 1, 1));
  F->AddCharacter(Char(U'é', 21, 5));
  F->SetKernAmount(U'A', U'V', -2);
  EXPECT_FLOAT_EQ(F->StringWidth(std::string_view("AV")), 15); // 8 + 9 - 2
  EXPECT_FLOAT_EQ(F->StringWidth(std::string_view("VA")), 17);
  // A missing character adds nothing, but the kerning after the one before it still counts.
  F->SetKernAmount(U'A', U'?', -3);
  EXPECT_FLOAT_EQ(F->StringWidth(std::string_view("A?")), 5);
  EXPECT_FLOAT_EQ(F->StringWidth(std::string_view("?V")), 9);
  // Code points, not bytes.
  EXPECT_FLOAT_EQ(F->StringWidth(std::string_view("é")), 5);
  EXPECT_FLOAT_EQ(F->StringWidth(std::string_view("")), 0);
}

TEST(Font, CharactersAndKerningPairs) {
  TGObjectPtr<TGFont> F(new TGFont());
  F->AddCharacter(Char(U'x', 0, 3));
  F->AddCharacter(Char(U'x', 3, 7)); // a duplicate: the first entry is found
  EXPECT_EQ(F->FindCharacter(U'x'), 0);
  EXPECT_EQ(F->FindCharacter(U'y'), -1);
  EXPECT_EQ(F->GetCount(), 2);
  EXPECT_THROW(F->GetCharacter(2), EGException);
  EXPECT_THROW(F->GetCharSprite(0), EGException); // no picture

  F->SetKernAmount(U'a', U'b', 1.5f);
  F->SetKernAmount(U'a', U'b', -1);
  EXPECT_FLOAT_EQ(F->GetKernAmount(U'a', U'b'), -1);
  EXPECT_FLOAT_EQ(F->GetKernAmount(U'b', U'a'), 0);
  EXPECT_EQ(F->Pairs().size(), 1u);
  F->SetKernAmount(U'a', U'b', 0.0005f); // tiny amounts remove the pair
  EXPECT_TRUE(F->Pairs().empty());
  EXPECT_FLOAT_EQ(F->GetKernAmount(U'a', U'b'), 0);
}

TEST(Font, FileRoundTripsAndCopies) {
  TGObjectPtr<TGFont> F(
      LoadFont(R"(<Font Height="12.5" Color="0x80FF0000" SystemFontSettings="Arial,12">
      <Char X="1" Y="2" W="3" H="4" L="0.5" T="0" R="1" B="0">A</Char>
      <Char X="5" Y="2" W="6" H="4" L="0" T="0" R="0" B="0"/>
      <Char X="9" Y="2" W="2" H="4" L="0" T="0" R="0" B="0">&lt;</Char>
      <Pair CharA="A" CharB="Ab" KernAmount="-1.25"/>
    </Font>)"));
  EXPECT_FLOAT_EQ(F->Height(), 12.5f);
  EXPECT_EQ(uint32_t(F->SelfColor()), 0x80FF0000u);
  EXPECT_EQ(F->SystemFontSettings(), "Arial,12");
  ASSERT_EQ(F->GetCount(), 3);
  EXPECT_EQ(F->GetCharacter(1).Code, U' '); // an empty text is a space
  EXPECT_EQ(F->GetCharacter(2).Code, U'<');
  EXPECT_EQ(F->GetCharacter(0).Rect, (TGRectFloat{1, 2, 4, 6}));
  EXPECT_EQ(F->GetCharacter(0).Padding, (TGRectFloat{0.5f, 0, 1, 0}));
  EXPECT_FLOAT_EQ(F->GetKernAmount(U'A', U'A'), -1.25f);

  TGObjectPtr<TGXMLNode> Xml(F->SaveToXML());
  TGObjectPtr<TGFont> G(LoadFont(Xml->SaveToString()));
  EXPECT_FLOAT_EQ(G->Height(), 12.5f);
  EXPECT_EQ(uint32_t(G->SelfColor()), 0x80FF0000u);
  ASSERT_EQ(G->GetCount(), 3);
  for (int I = 0; I < 3; ++I) {
    EXPECT_EQ(G->GetCharacter(I).Code, F->GetCharacter(I).Code);
    EXPECT_EQ(G->GetCharacter(I).Rect, F->GetCharacter(I).Rect);
  }
  EXPECT_FLOAT_EQ(G->GetKernAmount(U'A', U'A'), -1.25f);

  TGObjectPtr<TGFont> C(new TGFont());
  F->AssignTo(C.get());
  EXPECT_EQ(C->GetCount(), 3);
  EXPECT_EQ(C->SystemFontSettings(), "Arial,12");
  EXPECT_FLOAT_EQ(C->StringWidth(std::string_view("A A")), F->StringWidth(std::string_view("A A")));
}

TEST(Font, BadFilesFailAndLeaveTheFontAsItWas) {
  TGObjectPtr<TGFont> F(LoadFont(
      R"(<Font Height="9"><Char X="0" Y="0" W="3" H="9" L="0" T="0" R="0" B="0">a</Char></Font>)"));
  const char* Bad[] = {
      R"(<Font/>)",                                                           // no height
      R"(<Font Height="5"><Char X="0" Y="0" W="3">b</Char></Font>)",          // missing attributes
      R"(<Font Height="5"><Pair CharA="" CharB="b" KernAmount="1"/></Font>)", // empty pair char
      R"(<Font Height="5"><Char)",                                            // broken XML
  };
  for (const char* Xml : Bad) {
    TGMemoryStream S{std::string(Xml)};
    EXPECT_THROW(F->LoadFromStream(S, nullptr), std::exception) << Xml;
    EXPECT_FLOAT_EQ(F->Height(), 9) << Xml;
    EXPECT_EQ(F->GetCount(), 1) << Xml;
  }
}

TEST(Font, DemoFontsComeFromTheGenerator) {
  RegisterResource(TGSprite::StaticClass(), "gfx", {".png", ".jp2", ".jpg"}, 4);
  RegisterResource(TGFont::StaticClass(), "fnt", {".fnt"}, 7);
  TGObjectPtr<TGResourceLibrary> Library(new TGResourceLibrary(nullptr, true, true));
  Library->Load(new TGNativeFileSystem(nullptr, HOE_CONTENT), nullptr, rdtCommon, 0);
  for (const char* URL : {"System.fnt", "Title.fnt", "Text.fnt"}) {
    TGFont* F = ObjectCast<TGFont>(Library->GetResource(URL));
    ASSERT_NE(F, nullptr) << URL;
    ASSERT_NE(F->Sprite(), nullptr) << URL;
    EXPECT_GT(F->Height(), 8) << URL;
    // Printable ASCII and Latin-1 are there; every glyph lies inside the picture, and its
    // advance (cell minus padding) is never negative.
    for (char32_t C : {U'A', U'z', U'0', U' ', U'é', U'ß'}) {
      EXPECT_TRUE(F->HaveChar(C)) << URL << " U+" << std::hex << uint32_t(C);
    }
    for (int I = 0; I < F->GetCount(); ++I) {
      const TGCharacter& C = F->GetCharacter(I);
      EXPECT_GE(C.Rect.Left, 0);
      EXPECT_LE(C.Rect.Right, F->Sprite()->Width());
      EXPECT_LE(C.Rect.Bottom, F->Sprite()->Height());
      EXPECT_GE(C.Rect.Right - C.Rect.Left - C.Padding.Left - C.Padding.Right, 0);
    }
    EXPECT_FALSE(F->Pairs().empty()) << URL; // DejaVu kerns
    EXPECT_GT(F->StringWidth(std::string_view("Hello, world")),
              F->StringWidth(std::string_view("Hello")));
  }
}

// --- Drawing -------------------------------------------------------------------------------------

namespace {

class FontDrawing : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    // A 12 × 4 picture: "A" a white 2 × 4 block at x 0, "B" a red 3 × 4 block at x 4 inside a
    // 5 pixel cell (x 3..7) with one pixel of padding on each side, "C" blue at x 9.
    TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
    Bitmap->SetSize(12, 4);
    for (int Y = 0; Y < 4; ++Y) {
      for (int X = 0; X < 12; ++X) {
        TGColor C = 0;
        if (X < 2) {
          C = 0xFFFFFFFF;
        } else if (X >= 4 && X < 7) {
          C = 0xFFFF0000;
        } else if (X >= 9 && X < 11) {
          C = 0xFF0000FF;
        }
        Bitmap->SetPixel(X, Y, C);
      }
    }
    Picture.reset(new TGSprite());
    Picture->LoadFromBitmap(*Bitmap);
    Font.reset(new TGFont());
    Font->SetHeight(4);
    Font->SetSprite(Picture.get());
    Font->AddCharacter(Char(U'A', 0, 2));
    Font->AddCharacter(Char(U'B', 3, 5, 1, 1));
    Font->AddCharacter(Char(U'C', 9, 2));
    Font->SetKernAmount(U'B', U'C', 2);
  }
  void TearDown() override {
    Font.reset();
    Picture.reset();
    THeadlessSceneTest::TearDown();
  }

  TGObjectPtr<TGSprite> Picture;
  TGObjectPtr<TGFont> Font;
};

} // namespace

TEST_F(FontDrawing, GlyphsLandOnExactPixelsWithPaddingAndKerning) {
  // A at 5..6; B's cell starts one pixel left of its box (7 - 1), so its ink is at 7..9; B
  // advances 3, the kerning 2 more: C at 12..13; "?" is skipped: A at 14..15.
  Font->DrawString("ABC?A", 5, 2, 0, 0);
  EXPECT_EQ(Row(2, 3, 18), "..WWRRR..UUWW.....");
  EXPECT_EQ(Row(5, 3, 18), "..WWRRR..UUWW.....");
  EXPECT_EQ(Row(1, 3, 18), "..................");
  EXPECT_EQ(Row(6, 3, 18), "..................");
}

TEST_F(FontDrawing, PivotColourAndSelfColour) {
  // Width 5 and height 4: the pivot (1, 1) puts the string's bottom-right corner at (20, 10).
  Font->DrawString("AB", TGColor(0xFFFF0000), 20, 10, 1, 1);
  EXPECT_EQ(Row(6, 12, 10), "...RRRRR..");
  EXPECT_EQ(Row(5, 12, 10), "..........");
  GD->Erase(TGColor(0xFF000000));
  Font->SetSelfColor(0xFF0000FF);
  Font->DrawString("A", TGColor(0xFFFFFFFF), 0, 0, 0, 0);
  EXPECT_EQ(Row(0, 0, 3), "UU.");
}
