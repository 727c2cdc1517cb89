// The speech bubble: its size follows the text in 16-pixel tiles, its place the tail point and
// orientation; it fades in and out over the update time; any click closes it and tells OnClose
// once; and it draws its tiled frame and tail on the headless device. The layout and pictures
// are the demo content's.
#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "Screens/USpeechBubbleDialog.h"
#include "TestWindowHost.h"
#include "graphics/UGBitmap.h"
#include "text/UGText.h"
#include "widgets/UGButton.h"
#include "widgets/UGLabel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// Reaches the quad drawing of the balloon.
struct TTiler : TSpeechBubbleDialog {
  static void Tile(TGGraphic* G, const TGRectFloat& R, const std::array<TGFlatVector, 4>& T,
                   uint8_t Alpha) {
    DrawTiledRect(G, R, T, Alpha);
  }
};

class SpeechBubble : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    World.Start(HOE_CONTENT, false);
    Block = std::make_unique<TBlockFont>();
    Bubble.reset(New<TSpeechBubbleDialog>());
    Bubble->OnClose = TGNotifyEvent(&Counter, &TCounter::Closed);
  }
  void TearDown() override {
    Bubble.reset();
    Block.reset();
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  // The label's text drawn in the tests' block font, whose sizes are exact.
  void UseBlockFont() { Bubble->TextLabel()->SetFont(Block->Font.get()); }
  // Frames of Seconds each.
  void Play(float Seconds, int Frames = 1) {
    for (int I = 0; I < Frames; ++I) {
      Bubble->UpdateTree(Seconds);
    }
  }
  void Say(const std::string& Text, TGDirection Orientation, TGFlatVector Root) {
    Bubble->SetOrientation(Orientation);
    Bubble->SetRootPosition(Root);
    Bubble->SetText(Text);
    Bubble->ShowSpeech();
  }

  struct TCounter : TGObject {
    int Count = 0;
    TSpeechBubbleDialog* Bubble = nullptr;
    std::string Next; // a line to show from the handler
    void Closed(TGObject* Sender) {
      ++Count;
      if (!Next.empty()) {
        auto* B = static_cast<TSpeechBubbleDialog*>(Sender);
        B->SetText(Next);
        B->ShowSpeech();
        Next.clear();
      }
    }
  };

  TLocationWorld World;
  TTestWindowHost Host;
  std::unique_ptr<TBlockFont> Block;
  TCounter Counter;
  TGObjectPtr<TSpeechBubbleDialog> Bubble;
};

} // namespace

// --- Layout
// ----------------------------------------------------------------------------------------

TEST(SpeechBubbleLayout, TheTextAreaIsTheMeasuredTextInWholeTiles) {
  EXPECT_EQ(SpeechBubbleTiles(10.2f, 12), (TGPoint{1, 1}));
  EXPECT_EQ(SpeechBubbleTiles(32, 16), (TGPoint{2, 1}));
  EXPECT_EQ(SpeechBubbleTiles(32.01f, 16.5f), (TGPoint{3, 2}));
  EXPECT_EQ(SpeechBubbleTiles(0, 0), (TGPoint{0, 0}));
}

TEST(SpeechBubbleLayout, TheWindowLiesOnTheSideOfTheTailPointTheOrientationNames) {
  const TGFlatVector Root{400, 300};
  // 80 x 64: a bubble of 3 x 2 tiles.
  const struct {
    TGDirection D;
    TGFlatVector LeftTop;
  } Cases[] = {{dN, {360, 236}}, {dNE, {436, 236}}, {dE, {436, 268}}, {dSE, {436, 328}},
               {dS, {360, 328}}, {dSW, {352, 328}}, {dW, {284, 268}}, {dNW, {352, 236}}};
  for (const auto& C : Cases) {
    EXPECT_EQ(SpeechBubblePlacement(C.D, Root, 80, 64), C.LeftTop) << C.D;
  }
}

TEST(SpeechBubbleLayout, TheFrameSurroundsTheTextAreaAndTheTailComesLast) {
  // 3 x 2 tiles; the side tail 32 x 16, the corner tail 32 x 16.
  auto Q = SpeechBubbleQuads(3, 2, dN, 32, 16);
  EXPECT_EQ(Q[0].Picture, sbgMiddle);
  EXPECT_EQ(Q[0].Rect, (TGRectFloat{0.5f, 0.5f, 48.5f, 32.5f}));
  EXPECT_EQ(Q[0].TexCoords[2], (TGFlatVector{3, 2}));
  EXPECT_EQ(Q[3].Rect, (TGRectFloat{48.5f, 0.5f, 64.5f, 32.5f})); // the right edge
  EXPECT_EQ(Q[3].TexCoords[0], (TGFlatVector{1, 2}));
  EXPECT_EQ(Q[7].Rect, (TGRectFloat{48.5f, 32.5f, 64.5f, 48.5f})); // the bottom-right corner
  EXPECT_EQ(Q[9].Picture, sbgSideRoot);
  EXPECT_EQ(Q[9].Rect, (TGRectFloat{16.5f, 47.5f, 48.5f, 63.5f}));
  EXPECT_EQ(Q[9].TexCoords, CRotation[0]);
  // East and west turn the tail a quarter: it is as wide as the picture is high.
  Q = SpeechBubbleQuads(3, 2, dE, 32, 16);
  EXPECT_EQ(Q[9].Rect, (TGRectFloat{-31.5f, 16.5f, -15.5f, 48.5f}));
  EXPECT_EQ(Q[9].TexCoords, CRotation[1]);
  Q = SpeechBubbleQuads(3, 2, dW, 32, 16);
  EXPECT_EQ(Q[9].Rect, (TGRectFloat{63.5f, 16.5f, 79.5f, 48.5f}));
  // The diagonals take the corner picture.
  Q = SpeechBubbleQuads(3, 2, dSW, 32, 16);
  EXPECT_EQ(Q[9].Picture, sbgCornerRoot);
  EXPECT_EQ(Q[9].Rect, (TGRectFloat{16.5f, -30.5f, 48.5f, -14.5f}));
  EXPECT_EQ(Q[9].TexCoords, CRotation[4]);
  EXPECT_EQ(SpeechBubbleQuads(3, 2, dNE, 32, 16)[9].TexCoords, CRotation[5]);
}

TEST_F(SpeechBubble, SizesItselfToTheTextInTiles) {
  ASSERT_TRUE(Bubble->TextLabel());
  ASSERT_TRUE(Bubble->MouseBlink());
  ASSERT_TRUE(Bubble->CloseButton());
  UseBlockFont();
  // "a" measures 3 x 4 pixels: one tile, a window of 48 x 48.
  Say("a", dN, {400, 300});
  EXPECT_EQ(Bubble->XSegs(), 1);
  EXPECT_EQ(Bubble->YSegs(), 1);
  EXPECT_EQ(Bubble->Width(), 48);
  EXPECT_EQ(Bubble->Height(), 48);
  EXPECT_EQ(Bubble->TextLabel()->Width(), 16);
  EXPECT_EQ(Bubble->TextLabel()->Height(), 16);
  EXPECT_EQ(Bubble->MouseBlink()->Left(), 48 - 34);
  EXPECT_EQ(Bubble->MouseBlink()->Top(), 48 - 35);
  EXPECT_EQ(Bubble->Left(), 400 - 24);
  EXPECT_EQ(Bubble->Top(), 300 - 48);

  // A long text breaks into lines within 250 pixels.
  std::string Long;
  for (int I = 0; I < 100; ++I) {
    Long += "bbbb ";
  }
  Bubble->SetText(Long);
  EXPECT_LE(Bubble->XSegs(), 16);
  EXPECT_GE(Bubble->XSegs(), 15);
  EXPECT_GE(Bubble->YSegs(), 2);
  EXPECT_EQ(Bubble->Width(), (Bubble->XSegs() + 2) * 16.0f);
  EXPECT_EQ(Bubble->TextLabel()->Height(), Bubble->YSegs() * 16.0f);
  // Each setter lays it out again at once.
  Bubble->SetOrientation(dSE);
  EXPECT_EQ(Bubble->Left(), 436);
  EXPECT_EQ(Bubble->Top(), 328);

  // An empty text takes no room: the frame alone.
  Bubble->SetText("");
  EXPECT_EQ(Bubble->XSegs(), 0);
  EXPECT_EQ(Bubble->YSegs(), 0);
  EXPECT_EQ(Bubble->Width(), 32);
  EXPECT_EQ(Bubble->Height(), 32);
}

// --- Fading
// ----------------------------------------------------------------------------------------

TEST_F(SpeechBubble, FadesInStaysAndFadesOutOverTheUpdateTime) {
  UseBlockFont();
  EXPECT_FALSE(Bubble->UpdateWhenInvisible());
  Bubble->SetVisible(false);
  Play(0.1f); // hidden: its time stands still
  EXPECT_EQ(Bubble->CurrentAlpha(), 0);

  Say("a", dN, {400, 300});
  EXPECT_TRUE(Bubble->Visible());
  EXPECT_EQ(Bubble->WinState(), 1);
  EXPECT_EQ(Bubble->CurrentAlpha(), 0);
  Play(0.1f);
  EXPECT_EQ(Bubble->CurrentAlpha(), 100);
  EXPECT_EQ(Bubble->TextLabel()->Color().A, 100);
  EXPECT_EQ(Bubble->MouseBlink()->Color().A, 100);
  Play(0.1505f);
  EXPECT_EQ(Bubble->CurrentAlpha(), 250); // truncated
  Play(0.1f);
  EXPECT_EQ(Bubble->CurrentAlpha(), 255); // capped
  EXPECT_EQ(Bubble->WinState(), 1);
  Play(0.02f); // the full opacity was reached the frame before
  EXPECT_EQ(Bubble->WinState(), 0);
  EXPECT_EQ(Bubble->CurrentTime(), 0);
  Play(0.5f, 3);
  EXPECT_FLOAT_EQ(Bubble->CurrentTime(), 1.5f);
  EXPECT_EQ(Bubble->DisappearTime(), 10000);

  // After the time shown it fades out by itself and hides without telling OnClose.
  Play(10000);
  EXPECT_EQ(Bubble->WinState(), 2);
  EXPECT_EQ(Bubble->CurrentAlpha(), 255);
  Play(0.2f);
  EXPECT_EQ(Bubble->CurrentAlpha(), 55);
  Play(0.2f);
  EXPECT_EQ(Bubble->CurrentAlpha(), 0);
  EXPECT_TRUE(Bubble->Visible());
  Play(0.02f);
  EXPECT_FALSE(Bubble->Visible());
  EXPECT_EQ(Bubble->WinState(), 0);
  EXPECT_EQ(Counter.Count, 0);

  // Shown again, it starts from clear.
  Say("b", dN, {400, 300});
  EXPECT_EQ(Bubble->WinState(), 1);
  EXPECT_EQ(Bubble->CurrentAlpha(), 0);
}

// --- Closing
// ---------------------------------------------------------------------------------------

TEST_F(SpeechBubble, AClickAnywhereOnItClosesItAndTellsOnCloseOnce) {
  UseBlockFont();
  // South-east of (-40, -30): the window's corner at (-4, -2), so the mouse at (0, 0) is on it,
  // over the text and away from the button.
  Say("a", dSE, {-40, -30});
  Play(0.3f, 2);
  ASSERT_EQ(Bubble->GetWidgetAt(Host.Mouse), Bubble.get());
  EXPECT_TRUE(Bubble->Hit(Host.Mouse, false, false));
  Bubble->MouseDown(mbLeft);
  Bubble->MouseUp(mbLeft);
  EXPECT_EQ(Counter.Count, 1);
  // A second click before the next frame, or a quick hide, finds it closing already.
  Bubble->MouseDown(mbLeft);
  Bubble->MouseUp(mbLeft);
  Bubble->QuickHide();
  EXPECT_EQ(Counter.Count, 1);
  Play(0.02f);
  EXPECT_FALSE(Bubble->Visible());
  // Hidden, nothing closes it again: OnClose would take the next line for this one.
  Bubble->Close();
  Bubble->QuickHide();
  EXPECT_EQ(Counter.Count, 1);

  // The close button closes it the same way.
  Say("a", dSE, {-40, -30});
  Play(0.3f, 2);
  Bubble->CloseButton()->Click();
  EXPECT_EQ(Counter.Count, 2);
  Play(0.02f);
  EXPECT_FALSE(Bubble->Visible());
}

TEST_F(SpeechBubble, ALineShownFromOnCloseStaysAndHidingAtOnceTellsNobody) {
  UseBlockFont();
  Say("a", dN, {400, 300});
  Play(0.3f, 2);
  Counter.Next = "b";
  Bubble->Close();
  EXPECT_EQ(Counter.Count, 1);
  Play(0.02f);
  EXPECT_TRUE(Bubble->Visible());
  EXPECT_EQ(Bubble->Text(), "b");
  EXPECT_EQ(Bubble->WinState(), 1);

  // Leaving the location: hidden this moment, OnClose not told.
  Bubble->HideAtOnce();
  EXPECT_FALSE(Bubble->Visible());
  EXPECT_EQ(Counter.Count, 1);
  // A close waiting for the next frame does not hide a line shown before that frame.
  Say("a", dN, {400, 300});
  Play(0.3f, 2);
  Bubble->Close();
  Say("b", dN, {400, 300});
  Play(0.02f);
  EXPECT_TRUE(Bubble->Visible());
  EXPECT_EQ(Counter.Count, 2);
}

// --- Drawing
// ---------------------------------------------------------------------------------------

TEST_F(SpeechBubble, DrawsItsTiledFrameHeadless) {
  UseBlockFont();
  // Eight "b" give 2 x 1 tiles: with the frame 64 x 48, laid on the 64 x 48 screen from (0, 0).
  // East of its point, the tail lies off the screen to the left.
  Say("bbbbbbbb", dE, {15 - 36, 15 + 24});
  Play(0.3f, 2);
  ASSERT_EQ(Bubble->XSegs(), 2);
  ASSERT_EQ(Bubble->YSegs(), 1);
  ASSERT_EQ(Bubble->Left(), 15);
  ASSERT_EQ(Bubble->Top(), 15);
  Bubble->DrawTree();
  const TGColor Brass = PixelAt(0, 30);
  const TGColor Fill = PixelAt(40, 24);
  EXPECT_GT(Brass.R, 180) << std::hex << uint32_t(Brass);
  EXPECT_GT(Brass.R, Brass.B + 60);
  EXPECT_LT(Fill.R, 40) << std::hex << uint32_t(Fill);
  EXPECT_GT(Fill.B, Fill.R);
  // The outline runs round the outer pixels of the frame, along both tiles of each edge; the
  // text area is filled across both of its tiles; the corners are round (their outer corner
  // clear).
  for (const TGPoint P : {TGPoint{63, 24}, TGPoint{20, 0}, TGPoint{40, 0}, TGPoint{20, 47},
                          TGPoint{40, 47}, TGPoint{0, 20}}) {
    EXPECT_EQ(uint32_t(PixelAt(P.X, P.Y)) & 0xFFFFFF, uint32_t(Brass) & 0xFFFFFF)
        << P.X << "," << P.Y;
  }
  for (const TGPoint P : {TGPoint{20, 24}, TGPoint{40, 28}, TGPoint{3, 24}, TGPoint{60, 24}}) {
    EXPECT_EQ(uint32_t(PixelAt(P.X, P.Y)) & 0xFFFFFF, uint32_t(Fill) & 0xFFFFFF)
        << P.X << "," << P.Y;
  }
  EXPECT_EQ(uint32_t(PixelAt(63, 0)) & 0xFFFFFF, 0u);
  EXPECT_EQ(uint32_t(PixelAt(63, 47)) & 0xFFFFFF, 0u);
  // The text on top of the text area, from its corner: the "b" are three rows of white.
  EXPECT_EQ(Row(15, 15, 24), std::string(24, 'W'));
  EXPECT_EQ(Row(17, 15, 24), std::string(24, 'W'));
  EXPECT_EQ(uint32_t(PixelAt(20, 18)) & 0xFFFFFF, uint32_t(Fill) & 0xFFFFFF);
}

TEST_F(SpeechBubble, TextureCoordinatesAboveOneRepeatThePicture) {
  // A tile red on its left half and green on its right, drawn twice across 32 pixels.
  TGObjectPtr<TGBitmap> B(new TGBitmap(nullptr));
  B->SetSize(16, 16);
  for (int Y = 0; Y < 16; ++Y) {
    for (int X = 0; X < 16; ++X) {
      B->SetPixel(X, Y, TGColor(X < 8 ? 0xFFFF0000 : 0xFF00FF00));
    }
  }
  TGObjectPtr<TGSprite> Tile(new TGSprite(nullptr));
  Tile->LoadFromBitmap(*B);
  TTiler::Tile(Tile.get(), {0.5f, 0.5f, 32.5f, 16.5f}, {{{0, 0}, {2, 0}, {2, 1}, {0, 1}}}, 255);
  EXPECT_EQ(Row(8, 1, 32), "RRRRRRRRGGGGGGGGRRRRRRRRGGGGGGGG");
  // Only sprites are tiled.
  TGObjectPtr<TGText> NoSprite(new TGText(nullptr));
  EXPECT_THROW(TTiler::Tile(NoSprite.get(), {0, 0, 1, 1}, CRotation[0], 255), EInvalidCast);
}

TEST(SpeechBubbleLayoutFile, APartMissingFromTheLayoutIsNamed) {
  TLocationWorld World;
  World.File("win/SpeechBubbleDialog.win",
             "<Widget ClassName=\"TGWindow\" Name=\"Bubble\" "
             "Left=\"0\" Top=\"0\" Width=\"48\" Height=\"48\">"
             "<Widget ClassName=\"TGLabel\" Name=\"TextLabel\" "
             "Left=\"0\" Top=\"0\" Width=\"16\" Height=\"16\"/>"
             "<Widget ClassName=\"TGPicture\" Name=\"MouseBlink\" "
             "Left=\"0\" Top=\"0\" Width=\"16\" Height=\"16\"/></Widget>");
  World.Start("", false);
  EXPECT_ERROR_TEXT(TGObjectPtr<TSpeechBubbleDialog>(New<TSpeechBubbleDialog>()),
                    "Widget \"CloseButton\" not found in \"Bubble\"");
  // A label where the picture should be is the wrong class.
  World.File("win/SpeechBubbleDialog.win",
             "<Widget ClassName=\"TGWindow\" Name=\"Bubble\" "
             "Left=\"0\" Top=\"0\" Width=\"48\" Height=\"48\">"
             "<Widget ClassName=\"TGLabel\" Name=\"TextLabel\" "
             "Left=\"0\" Top=\"0\" Width=\"16\" Height=\"16\"/>"
             "<Widget ClassName=\"TGLabel\" Name=\"MouseBlink\" "
             "Left=\"0\" Top=\"0\" Width=\"16\" Height=\"16\"/></Widget>");
  World.Library->Clear();
  EXPECT_THROW(TGObjectPtr<TSpeechBubbleDialog>(New<TSpeechBubbleDialog>()), EInvalidCast);
}
