// The museum over the demo content: the pieces placed there appear, the buttons lead from hall
// to hall, a piece clicked tells about itself in the guide's bubble (kept up when clicked again,
// replaced after hiding by another piece's), and the museum's music and game state.
#include "CompletionScreensTest.h"
#include "Screens/UInfoBubble.h"
#include "Screens/UMuseumScreen.h"
#include "animation/UGLivePicture.h"
#include "animation/UGLiveText.h"
#include "base/UGStrUtils.h"
#include "player/UCollections.h"
#include "player/UPlayer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class MuseumTest : public CompletionScreensTest {
protected:
  void TearDown() override {
    Museum.reset();
    TMuseumScreen::CameFromGame = false;
    CompletionScreensTest::TearDown();
  }
  TMuseumScreen* Open() {
    Museum.reset(New<TMuseumScreen>());
    Host.Top = Museum.get();
    Museum->SetFadeValue(255);
    return Museum.get();
  }
  TGWidget* W(const std::string& Path) const { return Museum->FindWidget(Path); }
  TGWidget* Bubble() const { return W(TMuseumScreen::CBubbleURL); }
  std::string BubbleText() const {
    TGAnimation* A = PictureAnimation(Bubble());
    auto* Text = A ? TryObjectCast<TGLiveText>(A->Channels(TInfoBubble::CTextChannel)) : nullptr;
    return Text ? Text->Data()->GetWideStringValue(0) : "(no text)";
  }
  std::string BubbleShot() const {
    TGAnimation* A = PictureAnimation(Bubble());
    auto* Shot =
        A ? TryObjectCast<TGLivePicture>(A->Channels(TInfoBubble::CPictureChannel)) : nullptr;
    TGResource* R = Shot ? Shot->Gfx()->GetResValue(0) : nullptr;
    return R ? R->URL() : "(no shot)";
  }
  void Place(const char* ID) { World.Player->MuseumItems()->AddItem(ID); }

  TGObjectPtr<TMuseumScreen> Museum;
};

TEST_F(MuseumTest, OnlyThePiecesPlacedThereShow) {
  Place("Pearl");
  Place("Spyglass");
  Open();
  EXPECT_TRUE(W("MainHall\\ItemsMainHall\\Pearl")->Visible());
  EXPECT_FALSE(W("MainHall\\ItemsMainHall\\Compass")->Visible());
  EXPECT_FALSE(W("EastWing\\ItemsEastWing\\Map")->Visible());
  EXPECT_TRUE(W("WestWing\\ItemsWestWing\\Spyglass")->Visible());
  // Every piece of the window is one of Museum.cfg and takes clicks on its pixels.
  for (const char* Path : {"MainHall\\ItemsMainHall\\Pearl", "EastWing\\ItemsEastWing\\Lantern",
                           "WestWing\\ItemsWestWing\\Logbook"}) {
    auto* Piece = TryObjectCast<TGPicture>(W(Path));
    ASSERT_TRUE(Piece) << Path;
    EXPECT_TRUE(Museum->FindItem(Piece->Name())) << Path;
    EXPECT_TRUE(Piece->HitTest() && Piece->AllowMouse()) << Path;
  }
  EXPECT_FALSE(Museum->FindItem("Pedestal1"));
}

TEST_F(MuseumTest, TheButtonsLeadFromHallToHall) {
  Open();
  Play(Museum.get(), 40);
  Click(Museum.get(), W("MainHall\\BtnEastWing"));
  Play(Museum.get(), 400);
  EXPECT_FALSE(W("MainHall")->Visible());
  EXPECT_TRUE(W("EastWing")->Visible());
  Click(Museum.get(), W("EastWing\\BtnMainHall2"));
  Play(Museum.get(), 400);
  EXPECT_TRUE(W("MainHall")->Visible());
  EXPECT_FALSE(W("EastWing")->Visible());
  Click(Museum.get(), W("MainHall\\BtnWestWing2"));
  Play(Museum.get(), 400);
  EXPECT_TRUE(W("WestWing")->Visible());
  Click(Museum.get(), W("WestWing\\BtnMainHall"));
  Play(Museum.get(), 400);
  EXPECT_TRUE(W("MainHall")->Visible());
  EXPECT_FALSE(W("WestWing")->Visible());

  Click(Museum.get(), W("MainHall\\BtnExit"));
  EXPECT_EQ(Museum->FadeState(), fwsFadeOut);
  Play(Museum.get(), 1000);
  EXPECT_FALSE(Museum->Visible());
}

TEST_F(MuseumTest, APieceTellsAboutItselfForTwoSeconds) {
  Place("Pearl");
  Open();
  Play(Museum.get(), 40);
  Click(Museum.get(), W("MainHall\\ItemsMainHall\\Pearl"));
  Play(Museum.get(), 40);
  EXPECT_TRUE(Bubble()->Visible());
  EXPECT_EQ(BubbleText(), "$MuseumPearlName$\r\n$MuseumPearl$");
  EXPECT_TRUE(SameText(BubbleShot(), "UI\\MapScreen\\LocShots\\MuseumPearl.png")) << BubbleShot();
  Play(Museum.get(), 2600);
  EXPECT_FALSE(Bubble()->Visible());
}

TEST_F(MuseumTest, TheSamePieceAgainKeepsTheBubbleUp) {
  Place("Pearl");
  Open();
  Play(Museum.get(), 40);
  Click(Museum.get(), W("MainHall\\ItemsMainHall\\Pearl"));
  Play(Museum.get(), 1500);
  Click(Museum.get(), W("MainHall\\ItemsMainHall\\Pearl"));
  bool Hid = false;
  for (int T = 0; T < 1800; T += 20) {
    Museum->UpdateTree(0.02f);
    Hid = Hid || Bubble()->State() == wsHiding || !Bubble()->Visible();
  }
  EXPECT_FALSE(Hid); // 3.3 s after the first click, still up
  Play(Museum.get(), 800);
  EXPECT_FALSE(Bubble()->Visible());
}

TEST_F(MuseumTest, AnotherPieceHidesTheBubbleFirst) {
  Place("Pearl");
  Place("Compass");
  Open();
  Play(Museum.get(), 40);
  Click(Museum.get(), W("MainHall\\ItemsMainHall\\Pearl"));
  Play(Museum.get(), 400);
  Click(Museum.get(), W("MainHall\\ItemsMainHall\\Compass"));
  Play(Museum.get(), 20);
  EXPECT_EQ(Bubble()->State(), wsHiding);
  EXPECT_EQ(BubbleText(), "$MuseumPearlName$\r\n$MuseumPearl$"); // not yet
  Play(Museum.get(), 400);
  EXPECT_TRUE(Bubble()->Visible());
  EXPECT_EQ(BubbleText(), "$MuseumCompassName$\r\n$MuseumCompass$");
  // A click on the bubble puts it away.
  Play(Museum.get(), 300);
  Click(Museum.get(), Bubble());
  Play(Museum.get(), 300);
  EXPECT_FALSE(Bubble()->Visible());
}

TEST_F(MuseumTest, BubbleWithoutAnimationOrPictureStaysQuiet) {
  TGObjectPtr<TGPicture> Plain(New<TGPicture>());
  Plain->SetVisible(false);
  TGObjectPtr<TInfoBubble> B(new TInfoBubble(nullptr, Plain.get()));
  B->Show("NoSuchShot.png", "A$ENTER$B");
  B->Update(0.02f);
  EXPECT_TRUE(Plain->Visible());
  Plain.reset(); // the bubble forgets a widget freed before it
  B->Update(0.02f);
  EXPECT_EQ(B->Widget(), nullptr);
  EXPECT_EQ(TInfoBubble::ExpandLineBreaks("A$ENTER$B$ENTER$"), "A\r\nB\r\n");
}

TEST_F(MuseumTest, FromTheGameItPlaysItsMusicAndHoldsTheMuseumState) {
  Open();
  EXPECT_EQ(World.Player->GameState(), gsMuseumScreen);
  EXPECT_TRUE(MusicURL().empty()) << MusicURL(); // from the menus: no music of its own
  Museum.reset();
  EXPECT_NE(World.Player->GameState(), gsMuseumScreen);

  TMuseumScreen::CameFromGame = true;
  Open();
  ASSERT_TRUE(SameText(MusicURL(), TMuseumScreen::CMusicURL)) << MusicURL();
  TGAudioState* Music = AD->CurrentMusicState();
  EXPECT_TRUE(Music->Looped());
  Museum.reset();
  EXPECT_TRUE(Music->GetSlideType().Contains(stVolume));
  EXPECT_FALSE(TMuseumScreen::CameFromGame);
}

TEST_F(MuseumTest, AConfirmedQuitClosesTheMuseum) {
  Host.OnFrame = [](TGWindow*, int Frame) {
    if (Frame == 40) {
      AppIsClosing = true;
    }
  };
  ConfirmQuitting();
  TMuseumScreen::ShowMuseum();
  EXPECT_TRUE(Host.Ended);
  EXPECT_LT(Host.Frames, 300);
  EXPECT_FALSE(AppCanUnclose);
}

} // namespace
