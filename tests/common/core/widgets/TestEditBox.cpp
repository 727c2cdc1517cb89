// The edit box: line breaking by the font's widths, typing with its refusals (missing glyph,
// handler, length, height), the editing and cursor keys, UTF-8 characters, the clock and the
// cursor's clamping, drawing with the blinking cursor only for the focused box, and the window
// file both ways.
#include "HeadlessDevice.h"
#include "drawables/UGSprite.h"
#include "graphics/UGBitmap.h"
#include "resources/UGResourceLibrary.h"
#include "text/UGFont.h"
#include "widgets/UGEditBox.h"
#include "widgets/UGWindow.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint16_t KBack = 8;
constexpr uint16_t KEnd = 35;
constexpr uint16_t KHome = 36;
constexpr uint16_t KLeft = 37;
constexpr uint16_t KUp = 38;
constexpr uint16_t KRight = 39;
constexpr uint16_t KDown = 40;
constexpr uint16_t KDelete = 46;

using TLines = std::vector<std::string>;

// A font whose characters are 10 pixels wide, except "i" (3 pixels), 10 pixels high; "#" is
// missing. Glyph rectangles lie in a 40 × 10 picture: "a" red at 0..8, "b" green at 10..18.
TGFont* MakeFont() {
  TGFont* F = new TGFont();
  F->SetHeight(10);
  auto Add = [F](char32_t Code, float X, float W) {
    TGCharacter C;
    C.Code = Code;
    C.Rect = TGRectFloat{X, 0, X + W, 10};
    F->AddCharacter(C);
  };
  Add(U'a', 0, 10);
  Add(U'b', 10, 10);
  for (char32_t C : std::u32string(U"cdefghjklmnopqrstuvwxyzABé€😀")) {
    Add(C, 20, 10);
  }
  Add(U'i', 30, 3);
  return F;
}

class TEditBoxTest : public ::testing::Test {
protected:
  void SetUp() override {
    Font.reset(MakeFont());
    Box.reset(New<TGEditBox>(nullptr));
    Box->SetFont(Font.get());
    Box->SetWidth(35);  // three characters
    Box->SetHeight(20); // two lines
  }
  void TearDown() override {
    Box.reset();
    Font.reset();
  }

  void Type(std::u32string_view Keys) {
    for (char32_t C : Keys) {
      Box->KeyPress(C);
    }
  }
  void Press(std::initializer_list<uint16_t> Keys) {
    for (uint16_t K : Keys) {
      Box->KeyDown(K);
    }
  }
  TLines Lines() const { return Box->Lines(); }
  std::pair<int, int> Cursor() const { return {Box->CursorRow(), Box->CursorCol()}; }
  using TPos = std::pair<int, int>;

  TGObjectPtr<TGFont> Font;
  TGObjectPtr<TGEditBox> Box;
};

// Decides on typed characters for the box's handler.
class TKeyFilter : public TGObject {
public:
  using TGObject::TGObject;
  void OnKey(char32_t& C, bool& Accept) {
    Seen += C;
    if (C == U'x') {
      Accept = false;
    } else if (C == U'y') {
      C = U'b';
    }
  }
  std::u32string Seen;
};

} // namespace

TEST_F(TEditBoxTest, TypingWrapsByWidthAndLinesAddUpToTheText) {
  EXPECT_TRUE(Box->AllowFocus());
  EXPECT_TRUE(Box->AllowMouse());
  EXPECT_EQ(Box->MaxLength(), 2147483647);
  EXPECT_EQ(Box->GetLineCount(), 0);
  EXPECT_EQ(Box->GetLineLength(0), 0);

  Type(U"abcd");
  EXPECT_EQ(Box->Data(), "abcd");
  EXPECT_EQ(Lines(), (TLines{"abc", "d"}));
  EXPECT_EQ(Cursor(), TPos(1, 1));
  // A wrapped line gets no line break of its own: the lengths add up to the text.
  EXPECT_EQ(Box->GetLineLength(0) + Box->GetLineLength(1), 4);
  EXPECT_EQ(Box->GetCursorPos(), 4);
  EXPECT_EQ(Box->GetLineLength(2), 0);

  // Strip by itself: a trailing line break opens an empty last line; a character wider than
  // the box stands alone on its line without an empty one before it.
  TLines L;
  Box->Strip("ab\r", L);
  EXPECT_EQ(L, (TLines{"ab\r", ""}));
  Box->SetWidth(5);
  Box->Strip("ab", L);
  EXPECT_EQ(L, (TLines{"a", "b"}));
  // The width is part of the breaking: the lines follow it.
  EXPECT_EQ(Lines(), (TLines{"a", "b", "c", "d"}));

  // Kerning counts in the line's width: a, b kerned by -5, c and d make 35 pixels.
  Font->SetKernAmount(U'a', U'b', -5);
  EXPECT_EQ(Lines(), (TLines{"a", "b", "c", "d"}));
  Box->SetWidth(35);
  EXPECT_EQ(Lines(), (TLines{"abcd"}));
  // A long line of characters without width is broken in one pass, and the keys cross it.
  Box->SetData(std::string(200000, '#'));
  EXPECT_EQ(Box->GetLineLength(0), 200000);
  Box->KeyDown(KEnd);
  EXPECT_EQ(Box->GetCursorPos(), 200000);
  Box->KeyDown(KHome);
  EXPECT_EQ(Box->GetCursorPos(), 0);
  Box->SetData("abcd");

  // A font freed while the box uses it leaves the field empty and no lines measured with it.
  TGFont* Passing = MakeFont();
  Box->SetFont(Passing);
  EXPECT_EQ(Lines().size(), 2u);
  Passing->Free();
  EXPECT_EQ(Box->Font(), nullptr);
  EXPECT_EQ(Lines(), (TLines{"abcd"}));
}

TEST_F(TEditBoxTest, LineBreaksAndTheBoxHeight) {
  Type(U"abc");
  Press({KLeft, KLeft});
  EXPECT_EQ(Cursor(), TPos(0, 1));
  Type(U"\r");
  EXPECT_EQ(Box->Data(), "a\rbc");
  EXPECT_EQ(Lines(), (TLines{"a\r", "bc"}));
  EXPECT_EQ(Cursor(), TPos(1, 0));
  EXPECT_EQ(Box->GetCursorPos(), 2);

  // A character or a line break that would need a third line is refused.
  Type(U"de");
  EXPECT_EQ(Box->Data(), "a\rdbc");
  EXPECT_EQ(Cursor(), TPos(1, 1));
  Press({KEnd});
  Type(U"\r");
  EXPECT_EQ(Box->Data(), "a\rdbc");
  EXPECT_EQ(Cursor(), TPos(1, 3));

  // Typing "i" at the start of a wrapped line can pull it up to the line above: the cursor
  // follows the text, after the "i".
  Box->SetData("");
  Box->Update(0);
  Type(U"abcd");
  Press({KLeft});
  EXPECT_EQ(Cursor(), TPos(1, 0));
  Type(U"i");
  EXPECT_EQ(Lines(), (TLines{"abci", "d"}));
  EXPECT_EQ(Box->GetCursorPos(), 4);
  Type(U"j");
  EXPECT_EQ(Box->Data(), "abcijd");
}

TEST_F(TEditBoxTest, BackspaceAndDelete) {
  // At the start of the second line after a typed break: the break goes, the cursor stays
  // where it was.
  Type(U"ab\rcd");
  EXPECT_EQ(Lines(), (TLines{"ab\r", "cd"}));
  Press({KHome});
  EXPECT_EQ(Cursor(), TPos(1, 0));
  Press({KBack});
  EXPECT_EQ(Box->Data(), "abcd");
  EXPECT_EQ(Cursor(), TPos(0, 2));

  // After a wrapped break: the last character of the first line goes.
  Press({KEnd, KRight, KRight}); // end of "abc", start of "d", after "d"
  EXPECT_EQ(Cursor(), TPos(1, 1));
  Press({KLeft});
  EXPECT_EQ(Cursor(), TPos(1, 0));
  Press({KBack});
  EXPECT_EQ(Box->Data(), "abd");
  EXPECT_EQ(Cursor(), TPos(0, 2));

  // Deleting the only character of a wrapped last line leaves the cursor at the end, not at
  // the start of the text.
  Type(U"c");
  Press({KRight, KRight});
  EXPECT_EQ(Cursor(), TPos(1, 1));
  Press({KBack});
  EXPECT_EQ(Box->Data(), "abc");
  EXPECT_EQ(Box->GetCursorPos(), 3);
  Box->Update(0);
  EXPECT_EQ(Box->GetCursorPos(), 3);

  // Delete takes the character after the cursor, which stays; at the end nothing changes.
  Press({KHome, KDelete});
  EXPECT_EQ(Box->Data(), "bc");
  EXPECT_EQ(Cursor(), TPos(0, 0));
  Press({KEnd, KDelete});
  EXPECT_EQ(Box->Data(), "bc");
  EXPECT_EQ(Cursor(), TPos(0, 2));
  // Backspace at the very start changes nothing.
  Press({KHome, KBack});
  EXPECT_EQ(Box->Data(), "bc");
  EXPECT_EQ(Cursor(), TPos(0, 0));

  // Keys are ignored while the box is disabled.
  Box->SetEnabled(false);
  Press({KDelete});
  Type(U"a");
  EXPECT_EQ(Box->Data(), "bc");
}

TEST_F(TEditBoxTest, RefusedCharacters) {
  TGObjectPtr<TKeyFilter> Filter(new TKeyFilter());
  Type(U"a#");
  EXPECT_EQ(Box->Data(), "a"); // no glyph
  Box->OnKeyPress = TGEditBoxKeyDownEvent(Filter.get(), &TKeyFilter::OnKey);
  Type(U"xyc");
  EXPECT_EQ(Filter->Seen, U"xyc");
  EXPECT_EQ(Box->Data(), "abc"); // x refused, y turned into b

  Box->SetData("");
  Box->Update(0);
  Box->SetMaxLength(2);
  Type(U"éab");
  EXPECT_EQ(Box->Data(), "éa"); // characters, not bytes

  // Without a font, or with a font of no height, nothing fits.
  Box->SetMaxLength(100);
  Box->SetData("");
  Font->SetHeight(0);
  EXPECT_EQ(Box->GetVisibleLineCount(), 0);
  Type(U"a\r");
  EXPECT_EQ(Box->Data(), "");
  Box->SetFont(nullptr);
  Type(U"a\r");
  EXPECT_EQ(Box->Data(), "");
  Box->SetData("ab\rc");
  EXPECT_EQ(Lines(), (TLines{"ab\r", "c"}));
  Box->Draw(); // nothing to draw with, and no failure
}

TEST_F(TEditBoxTest, CursorKeys) {
  Box->SetHeight(30);
  Type(U"ab\rcdefg");
  EXPECT_EQ(Lines(), (TLines{"ab\r", "cde", "fg"}));
  EXPECT_EQ(Cursor(), TPos(2, 2));
  Press({KUp});
  EXPECT_EQ(Cursor(), TPos(1, 2));
  Press({KEnd});
  EXPECT_EQ(Cursor(), TPos(1, 3));
  // Up into a shorter line: the cursor stops before its line break.
  Press({KUp});
  EXPECT_EQ(Cursor(), TPos(0, 2));
  Press({KUp, KEnd});
  EXPECT_EQ(Cursor(), TPos(0, 2));
  Press({KRight});
  EXPECT_EQ(Cursor(), TPos(1, 0));
  Press({KLeft});
  EXPECT_EQ(Cursor(), TPos(0, 2));
  Press({KHome});
  EXPECT_EQ(Cursor(), TPos(0, 0));
  Press({KLeft});
  EXPECT_EQ(Cursor(), TPos(0, 0));
  Press({KDown, KDown, KDown});
  EXPECT_EQ(Cursor(), TPos(2, 0));
  Press({KLeft});
  EXPECT_EQ(Cursor(), TPos(1, 3));
  Press({KRight, KEnd, KRight});
  EXPECT_EQ(Cursor(), TPos(2, 2));
  EXPECT_EQ(Box->GetCursorPos(), 8);
  EXPECT_EQ(Box->GetCursorPos(), static_cast<int>(Box->Data().size()));
}

TEST_F(TEditBoxTest, UTF8CharactersAreNeverSplit) {
  Type(U"é€😀a");
  EXPECT_EQ(Box->Data(), "é€😀a");
  EXPECT_EQ(Lines(), (TLines{"é€😀", "a"}));
  EXPECT_EQ(Box->GetLineLength(0), 3);
  EXPECT_EQ(Box->GetCursorPos(), 4);
  Press({KBack});
  EXPECT_EQ(Box->Data(), "é€😀");
  Press({KLeft, KBack});
  EXPECT_EQ(Box->Data(), "é😀");
  EXPECT_EQ(Cursor(), TPos(0, 1));
  Press({KDelete});
  EXPECT_EQ(Box->Data(), "é");
  Type(U"\r€");
  EXPECT_EQ(Lines(), (TLines{"é\r", "€"}));
  EXPECT_EQ(Box->GetCursorPos(), 3);

  // Invalid UTF-8 is kept as replacement characters, so columns stay whole characters.
  Box->SetData("a\xFF"
               "b");
  EXPECT_EQ(Box->Data(), "a\xEF\xBF\xBD"
                         "b");
  // Unpaired surrogates are not characters.
  Box->SetData("");
  Box->Update(0);
  Box->KeyPress(char32_t(0xD800));
  EXPECT_EQ(Box->Data(), "");
}

TEST_F(TEditBoxTest, ClockAndClamping) {
  Type(U"abcd");
  Box->Update(0.25f);
  Box->Update(0.5f);
  EXPECT_FLOAT_EQ(Box->CursorClock(), 0.75f);
  // A shorter text: the cursor's line is gone, the cursor goes to the end of the text.
  Box->SetData("ab");
  Box->Update(0);
  EXPECT_EQ(Cursor(), TPos(0, 2));
  Box->SetData("a\rb");
  Box->Update(0);
  EXPECT_EQ(Cursor(), TPos(0, 1)); // never after a line break
  Box->SetData("");
  Box->Update(0);
  EXPECT_EQ(Cursor(), TPos(0, 0));
  // A cursor left behind by a new text is brought back before a key acts on it.
  Type(U"abcd");
  Box->SetData("a");
  Type(U"b");
  EXPECT_EQ(Box->Data(), "ab");
}

// Random typing and editing, checked against a plain model of the text and the cursor's place
// in it: the lines always add up to the text, the box never overflows, and each edit leaves
// the cursor right after what was typed or where the deleted character was.
TEST_F(TEditBoxTest, RandomEditingAgreesWithAModelOfTheText) {
  Box->SetHeight(30);
  std::mt19937 Random(20261209);
  const std::u32string Alphabet = U"abi\u20AC\U0001F600\r#";
  const uint16_t Keys[] = {KBack, KEnd, KHome, KLeft, KUp, KRight, KDown, KDelete};
  std::u32string Model;
  for (int Step = 0; Step < 4000; ++Step) {
    const int32_t Pos = Box->GetCursorPos();
    ASSERT_LE(Pos, static_cast<int32_t>(Model.size()));
    std::u32string Expected = Model;
    int32_t ExpectedPos = Pos;
    if (Random() % 2 == 0) {
      const char32_t C = Alphabet[Random() % Alphabet.size()];
      Box->KeyPress(C);
      if (UTF8ToCodePoints(Box->Data()) != Model) {
        Expected.insert(static_cast<size_t>(Pos), 1, C);
        ExpectedPos = Pos + 1;
      }
    } else {
      const uint16_t K = Keys[Random() % std::size(Keys)];
      Box->KeyDown(K);
      if (K == KBack && Pos > 0) {
        Expected.erase(static_cast<size_t>(Pos - 1), 1);
        ExpectedPos = Pos - 1;
      } else if (K == KDelete && Pos < static_cast<int32_t>(Model.size())) {
        Expected.erase(static_cast<size_t>(Pos), 1);
      } else if (K != KBack && K != KDelete) {
        ExpectedPos = -1; // a cursor move: anywhere in the text
      }
    }
    Model = UTF8ToCodePoints(Box->Data());
    ASSERT_EQ(Model, Expected) << "step " << Step;
    if (ExpectedPos >= 0) {
      ASSERT_EQ(Box->GetCursorPos(), ExpectedPos) << "step " << Step;
    }
    int32_t Sum = 0;
    for (int32_t R = 0; R < Box->GetLineCount(); ++R) {
      Sum += Box->GetLineLength(R);
    }
    ASSERT_EQ(Sum, static_cast<int32_t>(Model.size())) << "step " << Step;
    ASSERT_LE(Box->GetLineCount(), 3) << "step " << Step;
    ASSERT_LE(Box->CursorRow(), std::max(0, Box->GetLineCount() - 1)) << "step " << Step;
    ASSERT_LE(Box->CursorCol(), Box->GetLineLength(Box->CursorRow())) << "step " << Step;
    const TLines L = Lines();
    if (Box->CursorCol() > 0 && Box->CursorRow() < static_cast<int32_t>(L.size())) {
      const std::u32string Row = UTF8ToCodePoints(L[static_cast<size_t>(Box->CursorRow())]);
      ASSERT_NE(Row[static_cast<size_t>(Box->CursorCol() - 1)], U'\r') << "step " << Step;
    }
  }
}

TEST_F(TEditBoxTest, FileFormRoundTripsAndCopies) {
  if (!ResourceClass("a.png")) {
    RegisterResource(TGSprite::StaticClass(), "gfx", {".png", ".jp2", ".jpg"}, 4);
  }
  if (!ResourceClass("a.fnt")) {
    RegisterResource(TGFont::StaticClass(), "fnt", {".fnt"}, 7);
  }
  const auto& Classes = TGWidget::WidgetClasses();
  if (std::find(Classes.begin(), Classes.end(), TGEditBox::StaticClass()) == Classes.end()) {
    TGWidget::RegisterClass(TGEditBox::StaticClass());
  }
  TGObjectPtr<TGResourceLibrary> Library(new TGResourceLibrary(nullptr, true, true));
  TGFont* LibFont = MakeFont();
  LibFont->SetURL("Edit.fnt");
  Library->Add(LibFont);
  TGSprite* Caret = new TGSprite();
  Caret->SetURL("Caret.png");
  Library->Add(Caret);

  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Widget"));
  Node->LoadFromString(R"(<Widget ClassName="TGEditBox" Name="Name" Left="1" Top="2" Width="35"
      Height="20" FontURL="Edit.fnt" TextCursorURL="Caret.png">Zoé&#13;&#10;ab</Widget>)");
  TGObjectPtr<TGEditBox> A(New<TGEditBox>(nullptr));
  A->LoadFromXML(Library.get(), Node.get());
  EXPECT_EQ(A->Name(), "Name");
  EXPECT_EQ(A->Font(), LibFont);
  EXPECT_EQ(A->TextCursor(), Caret);
  EXPECT_EQ(A->Data(), "Zoé\rab"); // line breaks read as one carriage return

  TGObjectPtr<TGXMLNode> Saved(A->SaveToXML());
  EXPECT_EQ(Saved->GetStrAttr("FontURL"), "Edit.fnt");
  EXPECT_EQ(Saved->GetStrAttr("TextCursorURL"), "Caret.png");
  TGObjectPtr<TGXMLNode> Reread(new TGXMLNode("Widget"));
  Reread->LoadFromString(Saved->SaveToString());
  TGObjectPtr<TGEditBox> B(New<TGEditBox>(nullptr));
  B->LoadFromXML(Library.get(), Reread.get());
  EXPECT_EQ(B->Data(), A->Data());
  EXPECT_EQ(B->Font(), LibFont);
  EXPECT_EQ(B->TextCursor(), Caret);
  EXPECT_FLOAT_EQ(B->Width(), 35);

  // With child elements the text moves into a "Text" child, so the file stays readable.
  if (std::find(Classes.begin(), Classes.end(), TGWidget::StaticClass()) == Classes.end()) {
    TGWidget::RegisterClass(TGWidget::StaticClass());
  }
  TGWidget* Child = New<TGWidget>(A.get());
  Child->SetName("Badge");
  A->Add(Child);
  TGObjectPtr<TGXMLNode> WithChild(A->SaveToXML());
  TGObjectPtr<TGXMLNode> RereadChild(new TGXMLNode("Widget"));
  RereadChild->LoadFromString(WithChild->SaveToString());
  TGObjectPtr<TGEditBox> D(New<TGEditBox>(nullptr));
  D->LoadFromXML(Library.get(), RereadChild.get());
  EXPECT_EQ(D->Data(), "Zoé\rab");
  ASSERT_EQ(D->GetCount(), 1);
  EXPECT_EQ(D->GetItem(0)->Name(), "Badge");
  A->Remove(Child);

  // A resource of the wrong kind is an error, not a silent none.
  TGObjectPtr<TGXMLNode> Bad(new TGXMLNode("Widget"));
  Bad->LoadFromString(R"(<Widget ClassName="TGEditBox" Name="N" Left="0" Top="0" Width="1"
      Height="1" FontURL="Caret.png"/>)");
  TGObjectPtr<TGEditBox> C(New<TGEditBox>(nullptr));
  EXPECT_THROW(C->LoadFromXML(Library.get(), Bad.get()), std::exception);

  TGObjectPtr<TGEditBox> Copy(ObjectCast<TGEditBox>(A->Clone(nullptr)));
  EXPECT_EQ(Copy->Data(), "Zoé\rab");
  EXPECT_EQ(Copy->Font(), LibFont);
  EXPECT_EQ(Copy->TextCursor(), Caret);
  EXPECT_EQ(Copy->Lines(), (TLines{"Zoé\r", "ab"}));
}

// --- Drawing -------------------------------------------------------------------------------------

namespace {

class TEditBoxDrawing : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    TGObjectPtr<TGBitmap> Glyphs(new TGBitmap());
    Glyphs->SetSize(40, 10);
    for (int Y = 0; Y < 10; ++Y) {
      for (int X = 0; X < 40; ++X) {
        Glyphs->SetPixel(X, Y, X < 8 ? 0xFFFF0000 : (X >= 10 && X < 18) ? 0xFF00FF00 : 0);
      }
    }
    GlyphPicture.reset(new TGSprite());
    GlyphPicture->LoadFromBitmap(*Glyphs);
    Font.reset(MakeFont());
    Font->SetSprite(GlyphPicture.get());

    TGObjectPtr<TGBitmap> Bar(new TGBitmap());
    Bar->SetSize(2, 10);
    for (int Y = 0; Y < 10; ++Y) {
      Bar->SetPixel(0, Y, 0xFFFFFFFF);
      Bar->SetPixel(1, Y, 0xFFFFFFFF);
    }
    Caret.reset(new TGSprite());
    Caret->LoadFromBitmap(*Bar);

    Window.reset(New<TGWindow>(nullptr));
    Window->SetWidth(CWidth);
    Window->SetHeight(CHeight);
    Box = New<TGEditBox>(Window.get());
    Window->Add(Box);
    Box->SetFont(Font.get());
    Box->SetTextCursor(Caret.get());
    Box->SetWidth(35);
    Box->SetHeight(20);
    Other = New<TGEditBox>(Window.get());
    Window->Add(Other);
    Other->SetLeft(40);
  }
  void TearDown() override {
    Window.reset();
    Caret.reset();
    Font.reset();
    GlyphPicture.reset();
    THeadlessSceneTest::TearDown();
  }
  void Redraw() {
    GD->Erase(TGColor(0xFF000000));
    Window->DrawTree();
  }

  TGObjectPtr<TGSprite> GlyphPicture;
  TGObjectPtr<TGSprite> Caret;
  TGObjectPtr<TGFont> Font;
  TGObjectPtr<TGWindow> Window;
  TGEditBox* Box = nullptr;
  TGEditBox* Other = nullptr;
};

} // namespace

TEST_F(TEditBoxDrawing, LinesAndTheBlinkingCursorOfTheFocusedBox) {
  Box->SetData("ab\rb");
  Window->SetFocusedWidget(Box);
  Box->KeyDown(KDown);
  Box->KeyDown(KEnd);
  Box->Update(0.25f); // round (1) is odd: the cursor shows
  Redraw();
  EXPECT_EQ(Row(5, 0, 22), "RRRRRRRR..GGGGGGGG....");
  EXPECT_EQ(Row(15, 0, 22), "GGGGGGGG..WW..........");
  EXPECT_EQ(Row(25, 0, 22), "......................");

  Box->Update(0.25f); // round (2) is even: hidden
  Redraw();
  EXPECT_EQ(Row(15, 0, 22), "GGGGGGGG..............");

  // Another widget has the focus: no cursor, though the clock is in the shown phase.
  Box->Update(0.25f);
  Window->SetFocusedWidget(Other);
  Redraw();
  EXPECT_EQ(Row(15, 0, 22), "GGGGGGGG..............");
  Window->SetFocusedWidget(Box);
  Redraw();
  EXPECT_EQ(Row(15, 0, 22), "GGGGGGGG..WW..........");
}

TEST_F(TEditBoxDrawing, OnlyWholeLinesInsideTheBoxAndTheCursorOnAnEmptyText) {
  Window->SetFocusedWidget(Box);
  Box->Update(0.25f);
  // An empty text still shows the cursor at the start.
  Redraw();
  EXPECT_EQ(Row(5, 0, 12), "WW..........");

  Box->SetHeight(15);
  Box->SetData("a\rb");
  Box->KeyDown(KDown);
  Redraw();
  EXPECT_EQ(Row(5, 0, 12), "RRRRRRRR....");
  EXPECT_EQ(Row(12, 0, 12), "............"); // the second line would pass the bottom
  // A font without height draws nothing.
  Font->SetHeight(0);
  Redraw();
  EXPECT_EQ(Row(5, 0, 12), "............");
}
