// Laid-out text: word splitting with tags and separators, line breaking, the alignments on exact
// positions, the layout cache, the default extent, tags switching fonts and colours, the text
// element, the language tools, and a text drawn to exact pixels.
#include "HeadlessDevice.h"
#include "TempDir.h"
#include "drawables/UGSprite.h"
#include "graphics/UGBitmap.h"
#include "graphics/UGGraphicsDevice.h"
#include "io/UGFileUtils.h"
#include "io/UGNativeFileSystem.h"
#include "io/UGStream.h"
#include "resources/UGLangDictionary.h"
#include "resources/UGResourceLibrary.h"
#include "text/UGText.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

// Letters 10 pixels wide (20 with the big font), spaces nothing, "," and "." 3; line height 20.
void AddAlphabet(TGFont* F, float LetterWidth) {
  for (char32_t C = U'a'; C <= U'z'; ++C) {
    F->AddCharacter(TGCharacter{C, TGRectFloat{0, 0, LetterWidth, F->Height()}, {}});
    F->AddCharacter(TGCharacter{C - 32, TGRectFloat{0, 0, LetterWidth, F->Height()}, {}});
  }
  F->AddCharacter(TGCharacter{U' ', TGRectFloat{0, 0, 0, F->Height()}, {}});
  F->AddCharacter(TGCharacter{U',', TGRectFloat{0, 0, 3, F->Height()}, {}});
  F->AddCharacter(TGCharacter{U'.', TGRectFloat{0, 0, 3, F->Height()}, {}});
}

std::vector<std::string> Words(std::string_view Text) {
  std::vector<std::string> Out;
  for (const std::u32string& W : TGText::SplitWords(UTF8ToCodePoints(Text))) {
    Out.push_back(CodePointsToUTF8(W));
  }
  return Out;
}

// "S@X,Y" for every word, lines separated by " | ".
std::string Layout(TGText& T) {
  std::string Out;
  const TGFormattedText& Lines = T.GetFormattedText();
  for (size_t L = 0; L < Lines.size(); ++L) {
    if (L > 0) {
      Out += " | ";
    }
    for (size_t K = 0; K < Lines[L].size(); ++K) {
      const TGWord& W = Lines[L][K];
      char Pos[64];
      std::snprintf(Pos, sizeof Pos, "@%g,%g", W.X, W.Y);
      Out += (K > 0 ? " " : "") + W.S + Pos;
    }
  }
  return Out;
}

// A library over a folder with "Big.fnt" (height 30, letters 20) and a 7 × 25 "Pic.png".
struct TTextLibrary {
  void Make() {
    RegisterResource(TGSprite::StaticClass(), "gfx", {".png", ".jp2", ".jpg"}, 4);
    RegisterResource(TGFont::StaticClass(), "fnt", {".fnt"}, 7);
    ForceDirectories(Root + "/fnt");
    ForceDirectories(Root + "/gfx");
    TGObjectPtr<TGFont> Big(new TGFont());
    Big->SetHeight(30);
    AddAlphabet(Big.get(), 20);
    TGObjectPtr<TGXMLNode> Xml(Big->SaveToXML());
    Xml->SaveToFile(Root + "/fnt/Big.fnt");
    TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
    Bitmap->SetSize(7, 25);
    {
      TGFileStream Png(Root + "/gfx/Pic.png", fmCreate);
      Bitmap->SavePng(Png);
    }
    Library.reset(new TGResourceLibrary(nullptr, true, true));
    Library->Load(new TGNativeFileSystem(nullptr, Root), nullptr, rdtCommon, 0);
  }
  ~TTextLibrary() { Library.reset(); }
  TTempDir Scratch{"hoe-text"};
  const std::string Root = Scratch.Str();
  TGObjectPtr<TGResourceLibrary> Library;
};

class TextTest : public ::testing::Test {
protected:
  void SetUp() override {
    Font.reset(new TGFont());
    Font->SetHeight(20);
    AddAlphabet(Font.get(), 10);
    Text.reset(new TGText());
    Text->SetFont(Font.get());
  }
  void TearDown() override {
    Text.reset();
    Font.reset();
  }
  void MakeLibrary() {
    Library.Make();
    Text->SetLibrary(Library.Library.get());
  }

  TGObjectPtr<TGFont> Font;
  TGObjectPtr<TGText> Text;
  TTextLibrary Library;
};

} // namespace

TEST(TextWords, SeparatorsStayWithTheWordBefore) {
  EXPECT_EQ(Words("Hello, world.\r\nBye"),
            (std::vector<std::string>{"Hello, ", "world.", "\r\n", "Bye"}));
  // The tag hands the two spaces after it to the word before it.
  EXPECT_EQ(Words("a <img src=\"x.png\">  b"),
            (std::vector<std::string>{"a   ", "<img src=\"x.png\">", "b"}));
  // Separators inside a tag never split it; text right after a tag is a word of its own.
  EXPECT_EQ(Words("<font src=\"a b, c.fnt\">big</font>end"),
            (std::vector<std::string>{"<font src=\"a b, c.fnt\">", "big", "</font>", "end"}));
  EXPECT_EQ(Words("x<y"), (std::vector<std::string>{"x", "<y"})); // an unclosed tag runs on
  EXPECT_EQ(Words("  lead\r\r"), (std::vector<std::string>{"  ", "lead", "\r", "\r"}));
  // CJK separators, counted as code points.
  EXPECT_EQ(Words("日本。語、x"), (std::vector<std::string>{"日本。", "語、", "x"}));
  EXPECT_TRUE(Words("").empty());
}

TEST_F(TextTest, LinesBreakAgainstTheWidth) {
  Text->SetExtent(TGVector{100, 100, 0});
  Text->SetData("aaaaaa bbbb");
  EXPECT_EQ(Layout(*Text), "aaaaaa @0,0 | bbbb@0,20"); // 60 + 40 reaches the width
  Text->SetData("aaaaa bbbb");
  EXPECT_EQ(Layout(*Text), "aaaaa @0,0 bbbb@50,0");
  // CR LF starts a line, the word after it stays there; line spacing scales the advance.
  Text->SetExtent(TGVector{200, 100, 0});
  Text->SetLineSpacing(1.5f);
  Text->SetData("Hello, world.\r\nBye");
  EXPECT_EQ(Layout(*Text), "Hello, @0,0 world.@53,0 | \r\n@0,30 Bye@0,30");
  // A leading CR gives an empty first line.
  Text->SetLineSpacing(1);
  Text->SetData("\ra");
  EXPECT_EQ(Layout(*Text), " | \r@0,20 a@0,20");
  // Extent 0 × 0: every word on its own line, left and top whatever the alignment.
  Text->SetExtent(TGVector{0, 0, 0});
  Text->SetAlign(aRight);
  Text->SetVAlign(vaBottom);
  Text->SetData("aa bb cc");
  EXPECT_EQ(Layout(*Text), "aa @0,0 | bb @0,20 | cc@0,40");
}

TEST_F(TextTest, HorizontalAlignments) {
  Text->SetExtent(TGVector{100, 100, 0});
  Text->SetData("aaa bb");
  Text->SetAlign(aRight);
  EXPECT_EQ(Layout(*Text), "aaa @50,0 bb@80,0");
  Text->SetAlign(aCenter);
  EXPECT_EQ(Layout(*Text), "aaa @25,0 bb@55,0");
  Text->SetAlign(aJustify);
  Text->SetData("aaa bbb cc");
  EXPECT_EQ(Layout(*Text), "aaa @0,0 bbb @40,0 cc@80,0"); // gaps of 10
  Text->SetData("aaa bbb");
  EXPECT_EQ(Layout(*Text), "aaa @0,0 bbb@30,0"); // 60 < 70: not stretched
  // Zero-width words take the position and add nothing.
  Text->SetData("aaa <x> bbb cc");
  EXPECT_EQ(Layout(*Text), "aaa  @0,0 <x>@40,0 bbb @40,0 cc@80,0");
}

TEST_F(TextTest, VerticalAlignments) {
  Text->SetExtent(TGVector{100, 100, 0});
  Text->SetData("aaaaaa bbbb");
  Text->SetVAlign(vaMiddle);
  EXPECT_EQ(Layout(*Text), "aaaaaa @0,30 | bbbb@0,50");
  Text->SetVAlign(vaBottom);
  EXPECT_EQ(Layout(*Text), "aaaaaa @0,60 | bbbb@0,80");
}

TEST_F(TextTest, LayoutIsCachedUntilSomethingChanges) {
  Text->SetExtent(TGVector{100, 100, 0});
  Text->SetData("aa bb");
  Text->GetFormattedText();
  Text->GetFormattedText();
  EXPECT_EQ(Text->LayoutCount(), 1);
  Text->SetData("aa bb cc");
  Text->GetFormattedText();
  Text->SetExtent(TGVector{50, 100, 0});
  Text->GetFormattedText();
  Text->SetFont(Font.get());
  Text->GetFormattedText();
  Text->SetAlign(aCenter);
  Text->GetFormattedText();
  EXPECT_EQ(Text->LayoutCount(), 5);
  // No font: nothing to lay out.
  Text->SetFont(nullptr);
  EXPECT_TRUE(Text->GetFormattedText().empty());
}

TEST_F(TextTest, DefaultExtent) {
  float W = 0;
  float H = 0;
  Text->GetDefaultExtent(W, H, 1000);
  EXPECT_EQ(W, 100); // no data
  EXPECT_EQ(H, 100);
  Text->SetData("aaa bbb cc");
  Text->SetExtent(TGVector{7, 9, 0});
  Text->GetDefaultExtent(W, H, 1000);
  EXPECT_FLOAT_EQ(W, 81);
  EXPECT_FLOAT_EQ(H, 20);
  Text->GetDefaultExtent(W, H, 50);
  EXPECT_FLOAT_EQ(W, 31);
  EXPECT_FLOAT_EQ(H, 60);
  EXPECT_EQ(Text->Width(), 7); // restored
}

TEST_F(TextTest, FontTagsSwitchFontAndColour) {
  MakeLibrary();
  Text->SetExtent(TGVector{1000, 100, 0});
  Text->SetData("aa <font src=\"Big.fnt\" color=\"0xFF00FF00\">bb </font>cc");
  EXPECT_EQ(Layout(*Text), "aa @0,0 <font src=\"Big.fnt\" color=\"0xFF00FF00\">@20,0 bb @20,0 "
                           "</font>@60,0 cc@60,0");
  const TGLineOfWords& Line = Text->GetFormattedText().front();
  EXPECT_EQ(Line[2].Font, Line[1].TagObj->Font());
  EXPECT_FLOAT_EQ(Line[2].Height, 30);
  EXPECT_EQ(uint32_t(Line[2].Font->SelfColor()), 0xFF00FF00u);
  EXPECT_EQ(Line[4].Font, Font.get()); // popped
  EXPECT_EQ(Text->TopFont(), Font.get());
  // A taller word makes its line taller.
  Text->SetExtent(TGVector{60, 100, 0});
  EXPECT_EQ(Layout(*Text), "aa @0,0 <font src=\"Big.fnt\" color=\"0xFF00FF00\">@20,0 | bb @0,20 "
                           "</font>@40,20 | cc@0,50");
  // An unknown font pushes nothing; without a colour the font keeps its own.
  Text->SetExtent(TGVector{1000, 100, 0});
  Text->SetData("<font src=\"None.fnt\">aa</font><FONT SRC=\"big.fnt\">b");
  const TGLineOfWords& L2 = Text->GetFormattedText().front();
  EXPECT_EQ(L2[1].Font, Font.get());
  EXPECT_FLOAT_EQ(L2[4].Width, 20);
  EXPECT_EQ(uint32_t(L2[4].Font->SelfColor()), 0xFFFFFFFFu);
  // A tag naming a resource of another kind pushes nothing.
  Text->SetData("<font src=\"Pic.png\">a");
  EXPECT_EQ(Text->GetFormattedText().front()[1].Font, Font.get());
}

TEST_F(TextTest, ImageTagsTakeThePictureSize) {
  MakeLibrary();
  Text->SetExtent(TGVector{1000, 100, 0});
  Text->SetData("a<img src=\"Pic.png\">b<img src=\"Missing.png\">c<img src=\"\">d<b>e");
  EXPECT_EQ(Layout(*Text), "a@0,0 <img src=\"Pic.png\">@10,0 b@17,0 <img src=\"Missing.png\">@27,0 "
                           "c@27,0 <img src=\"\">@37,0 d@37,0 <b>@47,0 e@47,0");
  const TGLineOfWords& Line = Text->GetFormattedText().front();
  EXPECT_FLOAT_EQ(Line[1].Height, 25);
  EXPECT_EQ(Line[1].TagObj->Name(), "img");
  EXPECT_EQ(Line[3].TagObj->Gfx(), nullptr);
}

TEST(TextTag, ParsesNameAndAttributes) {
  TGObjectPtr<TGTextTag> T(new TGTextTag(nullptr, "IMG  S rc = \"a b.png\" w=\"1\" bad=\"x"));
  EXPECT_EQ(T->Name(), "img");
  ASSERT_EQ(T->Params().size(), 2u);
  EXPECT_EQ(T->Param("src"), "a b.png");
  EXPECT_EQ(T->Param("w"), "1");
  TGObjectPtr<TGTextTag> U(new TGTextTag(nullptr, "/Font"));
  EXPECT_EQ(U->Name(), "/font");
  EXPECT_TRUE(U->Params().empty());
}

TEST_F(TextTest, TextElementReadsAndWrites) {
  TGObjectPtr<TGXMLNode> N(new TGXMLNode("Text"));
  N->LoadFromString(
      R"(<Text Align="Justify" VAlign="Bottom" LineSpacing="1.5" X="3">a&amp;cr;b</Text>)");
  Text->LoadFromXML(nullptr, N.get());
  EXPECT_EQ(Text->Data(), "a\rb");
  EXPECT_EQ(Text->Align(), aJustify);
  EXPECT_EQ(Text->VAlign(), vaBottom);
  EXPECT_FLOAT_EQ(Text->LineSpacing(), 1.5f);
  EXPECT_FLOAT_EQ(Text->X(), 3);
  TGObjectPtr<TGXMLNode> Saved(Text->SaveToXML());
  EXPECT_EQ(Saved->GetStrAttr("Align"), "Justify");
  EXPECT_EQ(Saved->GetStrAttr("VAlign"), "Bottom");
  EXPECT_TRUE(Saved->HasAttr("X"));
  EXPECT_FALSE(Saved->HasAttr("Y"));
  EXPECT_EQ(Saved->Text(), "a&cr;b");

  N->LoadFromString(R"(<Text Align="left"/>)");
  EXPECT_THROW(Text->LoadFromXML(nullptr, N.get()), EGException);
  N->LoadFromString(R"(<Text VAlign="Centre"/>)");
  EXPECT_THROW(Text->LoadFromXML(nullptr, N.get()), EGException);
  EXPECT_EQ(Text->Align(), aJustify); // a bad element changes nothing
  EXPECT_EQ(Text->Data(), "a\rb");

  TGObjectPtr<TGText> Copy(new TGText());
  Text->AssignTo(Copy.get());
  EXPECT_EQ(Copy->Font(), Font.get());
  EXPECT_EQ(Copy->Data(), Text->Data());
  EXPECT_EQ(Copy->Align(), aJustify);
}

TEST_F(TextTest, LanguageToolsShowWhereLabelsBreak) {
  Text->SetExtent(TGVector{50, 100, 0});
  Text->SetData("keep");
  EXPECT_EQ(CheckForLineFeeds("aaa bbb", Text.get()), "aaa @NEW_LINE@bbb");
  EXPECT_EQ(CheckForLineFeeds("aa", Text.get()), "");
  EXPECT_EQ(CheckForLineFeeds("aaaaaaaaaa", Text.get()), "aaaaaaaaaa"); // one line, too wide
  EXPECT_EQ(Text->Data(), "keep");

  TGMemoryStream Csv{std::string("Caption;ENG\nShort#GO#;ab\nLong#GO#;aaa bbb\nOther;aaa bbb\n")};
  LangDictionary().Load(Csv);
  auto Cwd = std::filesystem::current_path();
  TTempDir Scratch("hoe-check");
  std::filesystem::current_path(Scratch.Path());
  std::string Name = CheckGameObjectCaptions(Text.get());
  // "GameObjectCheck (yyyy.mm.dd hh.nn.ss).log": digits where the pattern has letters.
  const std::string Shape = "GameObjectCheck (0000.00.00 00.00.00).log";
  ASSERT_EQ(Name.size(), Shape.size()) << Name;
  for (size_t I = 0; I < Name.size(); ++I) {
    EXPECT_TRUE(Shape[I] == '0' ? std::isdigit(static_cast<unsigned char>(Name[I])) != 0
                                : Name[I] == Shape[I])
        << Name;
  }
  std::ifstream In(Name, std::ios::binary);
  std::string Bytes((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  std::u16string Expected = u"$Long#GO#$ => aaa @NEW_LINE@bbb\r\n";
  ASSERT_EQ(Bytes.size(), Expected.size() * 2);
  for (size_t I = 0; I < Expected.size(); ++I) {
    EXPECT_EQ(uint8_t(Bytes[2 * I]), Expected[I] & 0xFF);
    EXPECT_EQ(uint8_t(Bytes[2 * I + 1]), Expected[I] >> 8);
  }
  std::filesystem::current_path(Cwd);
  LangDictionary().Clear();
}

// --- Drawing -------------------------------------------------------------------------------------

namespace {

class TextDrawing : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    Blocks = std::make_unique<TBlockFont>();
    Small = Blocks->Font.get();
    Text.reset(new TGText());
    Text->SetFont(Small);
  }
  void TearDown() override {
    Text.reset();
    Blocks.reset();
    THeadlessSceneTest::TearDown();
  }
  TTextLibrary Library;
  std::unique_ptr<TBlockFont> Blocks;
  TGFont* Small = nullptr;
  TGObjectPtr<TGText> Text;
};

} // namespace

TEST_F(TextDrawing, KnownTextDrawsToExactPixels) {
  // Width 13: "ab " and "ba " (6 each) share the first line, right-aligned and offset by
  // X = 1; "a" goes to the second line, four pixels lower.
  Text->SetExtent(TGVector{13, 10, 0});
  Text->SetAlign(aRight);
  Text->SetData("ab ba a");
  Text->SetX(1);
  Text->SetY(2);
  Text->SetColor(0xFFFF0000);
  Text->Draw();
  EXPECT_EQ(Row(2, 0, 14), "..RRRRR.RRRRR."); // "ab " at 1 + 1, "ba " at 7 + 1
  EXPECT_EQ(Row(4, 0, 14), "..RRRRR.RRRRR.");
  EXPECT_EQ(Row(5, 0, 14), "..............");
  EXPECT_EQ(Row(6, 0, 14), "............RR"); // "a" right-aligned: 13 - 2 + 1
  EXPECT_EQ(Text->LayoutCount(), 1);
  Text->Draw();
  EXPECT_EQ(Text->LayoutCount(), 1); // drawn twice, laid out once
}

TEST_F(TextDrawing, FontTagSwitchesTheDrawingColour) {
  Library.Make();
  Text->SetLibrary(Library.Library.get());
  // The tag's font is a clone of the small one tinted green.
  TGFont* Green = ObjectCast<TGFont>(Library.Library->GetResource("Big.fnt"));
  Small->AssignTo(Green);
  Text->SetExtent(TGVector{40, 10, 0});
  Text->SetData("a<font src=\"Big.fnt\" color=\"0xFF00FF00\">b</font>a");
  Text->Draw();
  EXPECT_EQ(Row(0, 0, 10), "WWGGGWW...");
}
