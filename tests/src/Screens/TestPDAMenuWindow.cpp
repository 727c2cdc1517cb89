// The hand-held device window over the demo's "PDAScreen.win": its pages opened by their buttons
// and closed again by Escape and Back; the settings written into the profile (volume steps kept
// within 0 to 100, a click on a bar, check boxes, colour and display wrapping); the speech log's
// paging; biographies scrolled within their text; the briefing's picture-sending phase; the
// movie played picture after picture with its stops and Next; and a quit request arriving while
// the window fades in, answered after the fade.
#include "ComixSplashTest.h"
#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "Screens/UPDAMenuWindow.h"
#include "TestWindowHost.h"
#include "animation/UGAnimation.h"
#include "app/UGApp.h"
#include "drawables/UGSymbol.h"
#include "io/UGNativeFileSystem.h"
#include "platform/UKeyCodes.h"
#include "player/UPlayer.h"
#include "player/USpeechLog.h"
#include "text/UGText.h"
#include "widgets/UGButton.h"
#include "widgets/UGCheckBox.h"
#include "widgets/UGLabel.h"
#include "widgets/UGPicture.h"
#include "widgets/UGProgressBar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace {

class PDAMenuTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    World.Start(HOE_CONTENT, true);
    // Scratch files in front of the demo content (the log's location pictures).
    World.Library->Load(new TGNativeFileSystem(nullptr, World.Folder().Str()), nullptr, rdtCurrent,
                        0);
    ASSERT_TRUE(CurrentPlayer);
    Player()->SetMusicVolume(50);
    Player()->SetSoundVolume(50);
  }
  void TearDown() override {
    Window.reset();
    AppIsClosing = false;
    AppCanUnclose = true;
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  static TPlayer* Player() { return static_cast<TPlayer*>(CurrentPlayer); }

  // A window as the game shows it: built, then shown with its effect played out.
  TPDAMenuWindow* Open() {
    Window.reset(New<TPDAMenuWindow>(nullptr));
    Host.Top = Window.get();
    Window->Show();
    Frames(600);
    return Window.get();
  }
  void Frames(int Milliseconds) {
    for (int T = 0; T < Milliseconds; T += 20) {
      Window->UpdateTree(0.02f);
    }
  }
  TGWidget* W(const char* Path) const { return Window->FindWidget(Path); }
  bool Shows(const char* Path) const {
    const TGWidget* Page = W(Path);
    return Page && Page->Visible();
  }
  void MouseAt(float X, float Y) {
    Host.Mouse = {static_cast<int>(std::floor(X)), static_cast<int>(std::floor(Y))};
  }
  // A click in the middle of the widget, then frames for the pages' effects.
  void Click(const char* Path, int Then = 400) {
    const TGWidget* Target = W(Path);
    ASSERT_TRUE(Target) << Path;
    const TGRectFloat R = Target->ScreenRect();
    MouseAt((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2);
    Window->MouseDown(mbLeft);
    Window->MouseUp(mbLeft);
    Frames(Then);
  }
  void Escape() {
    Window->KeyDown(VK_ESCAPE);
    Frames(400);
  }
  std::string LabelText(const char* Path) const {
    auto* L = TryObjectCast<TGLabel>(W(Path));
    return L ? L->Data() : "<no label>";
  }
  std::string GfxURL(const char* Path) const {
    auto* P = TryObjectCast<TGPicture>(Path[0] ? W(Path) : Window.get());
    return P && P->Gfx() ? P->Gfx()->URL() : "";
  }
  TGProgressBar* Bar(const char* Path) const { return TryObjectCast<TGProgressBar>(W(Path)); }
  TGAnimation* AnimationOf(const char* Path) const {
    auto* P = TryObjectCast<TGPicture>(W(Path));
    return P ? dynamic_cast<TGAnimation*>(P->Picture()->Instance()) : nullptr;
  }
  bool Closed() const { return !Window->Visible(); }

  TLocationWorld World;
  TTestWindowHost Host;
  TGObjectPtr<TPDAMenuWindow> Window;
};

// The window's static uses shown modally over a bare application (TModalApp); OnStep acts on the
// device window on top once it stands still.
class PDAModalTest : public PDAMenuTest, protected TModalApp {
protected:
  void SetUp() override {
    PDAMenuTest::SetUp();
    StartApp("PDA Test", 1500);
    OnFrame = [this] {
      auto* Top = TryObjectCast<TPDAMenuWindow>(App->GetTopWindow());
      if (Top && Top->State() == wsDefault && OnStep) {
        Seen = Top;
        OnStep(Top);
      }
    };
  }
  void TearDown() override {
    StopApp();
    PDAMenuTest::TearDown();
  }
  std::function<void(TPDAMenuWindow*)> OnStep;
  TPDAMenuWindow* Seen = nullptr;
};

} // namespace

// --- Pages ---------------------------------------------------------------------------------------

TEST_F(PDAMenuTest, TheMenuHoldsTheGameInItsStateForItsWholeLife) {
  const TGameState Before = Player()->GameState();
  Open();
  EXPECT_EQ(Player()->GameState(), gsInGameMenu);
  EXPECT_TRUE(Shows("Menu"));
  for (const std::string& Page : TPDAMenuWindow::PageNames()) {
    if (Page != "Menu") {
      EXPECT_FALSE(Shows(Page.c_str())) << Page;
    }
  }
  Window.reset();
  EXPECT_EQ(Player()->GameState(), Before);
}

TEST_F(PDAMenuTest, EscapeLeadsBackFromACharacterToTheListToTheMenuAndClosesTheWindow) {
  Player()->RorvikAvail = true;
  Open();
  Click("Menu\\BtnCharacterBios");
  EXPECT_FALSE(Shows("Menu"));
  ASSERT_TRUE(Shows("CharacterBios\\List"));
  EXPECT_TRUE(W("CharacterBios\\List\\BtnEdrinRorvik")->Enabled());
  EXPECT_FALSE(W("CharacterBios\\List\\BtnSaelaVelgrath")->Enabled());
  EXPECT_FALSE(W("CharacterBios\\List\\BtnOskelinHarrow")->Enabled());
  Click("CharacterBios\\List\\BtnEdrinRorvik");
  ASSERT_TRUE(Shows("CharacterBios\\Char"));
  EXPECT_FALSE(Shows("CharacterBios\\List"));
  EXPECT_EQ(LabelText("CharacterBios\\Char\\Label"), "$BioEdrinRorvik$");
  EXPECT_EQ(GfxURL("CharacterBios\\Char"), "UI\\GameMenuWindow\\Portraits\\EdrinRorvik.png");

  Escape();
  EXPECT_TRUE(Shows("CharacterBios\\List"));
  EXPECT_FALSE(Shows("CharacterBios\\Char"));
  Escape();
  EXPECT_TRUE(Shows("Menu"));
  EXPECT_FALSE(Shows("CharacterBios\\List"));
  Escape();
  EXPECT_TRUE(Window->Hiding());
  Frames(600);
  EXPECT_TRUE(Closed());
  EXPECT_FALSE(Window->WaitAndGoToMainMenu());
}

TEST_F(PDAMenuTest, EachPageOpensFromTheMenuAndItsBackButtonsReturnToIt) {
  Open();
  for (const char* Button : {"Menu\\BtnLog", "Menu\\BtnCustomize", "Menu\\BtnHelp"}) {
    Click(Button);
    EXPECT_FALSE(Shows("Menu")) << Button;
    Click("BtnBack");
    EXPECT_TRUE(Shows("Menu")) << Button;
  }
  for (const char* Page : {"Log", "Options", "Help"}) {
    EXPECT_FALSE(Shows(Page)) << Page;
  }
  Player()->TovanAvail = true;
  Click("Menu\\BtnCharacterBios");
  Click("CharacterBios\\List\\BtnSaelaVelgrath");
  Click("CharacterBios\\Char\\BtnBackToList");
  EXPECT_TRUE(Shows("CharacterBios\\List"));
  Click("BtnBack");
  EXPECT_TRUE(Shows("Menu"));
  Click("Menu\\BtnBack");
  Frames(600);
  EXPECT_TRUE(Closed());
}

TEST_F(PDAMenuTest, TheMainMenuButtonClosesTheWindowToLeaveTheGame) {
  Open();
  Click("Menu\\BtnMenu", 20);
  EXPECT_TRUE(Window->WaitAndGoToMainMenu());
  EXPECT_TRUE(Window->Hiding());
  // The darkening goes on to black on the way out.
  const float Fade = Window->FadeValue();
  Frames(100);
  EXPECT_LT(Window->FadeValue(), Fade);
  EXPECT_NEAR(Fade - Window->FadeValue(), 275 * 0.1f, 0.5f);
}

TEST_F(PDAMenuTest, TheDarkeningRisesToItsLimitWhileTheWindowIsOpen) {
  Window.reset(New<TPDAMenuWindow>(nullptr));
  Host.Top = Window.get();
  Window->Show();
  Frames(200);
  EXPECT_NEAR(Window->FadeValue(), 350 * 0.2f, 0.5f);
  Frames(400);
  EXPECT_EQ(Window->FadeValue(), 150);
  Window->DrawTree();
}

// --- Options -------------------------------------------------------------------------------------

TEST_F(PDAMenuTest, VolumeStepsAreFiveAndStayWithinTheScale) {
  Player()->SetMusicVolume(97);
  Player()->SetSoundVolume(3);
  Open();
  Click("Menu\\BtnCustomize");
  ASSERT_TRUE(Shows("Options"));
  EXPECT_EQ(Bar("Options\\Music\\ProgressBar")->Position(), 97);
  Click("Options\\Music\\Right", 20);
  EXPECT_EQ(Player()->MusicVolume(), 100);
  EXPECT_EQ(Bar("Options\\Music\\ProgressBar")->Position(), 100);
  Click("Options\\Music\\Right", 20);
  EXPECT_EQ(Player()->MusicVolume(), 100);
  Click("Options\\Sound\\Left", 20);
  EXPECT_EQ(Player()->SoundVolume(), 0);
  EXPECT_EQ(Bar("Options\\Sound\\ProgressBar")->Position(), 0);
  Click("Options\\Sound\\Right", 20);
  Click("Options\\Sound\\Right", 20);
  EXPECT_EQ(Player()->SoundVolume(), 10);
}

TEST_F(PDAMenuTest, AClickOnABarSetsTheVolumeOverTheWholeBarAndDraggingFollowsTheMouse) {
  Open();
  Click("Menu\\BtnCustomize");
  TGProgressBar* Music = Bar("Options\\Music\\ProgressBar");
  const TGRectFloat R = Music->ScreenRect();
  const float Y = (R.Top + R.Bottom) / 2;
  MouseAt(R.Left + Music->Width() * 0.25f, Y);
  Window->MouseDown(mbLeft);
  EXPECT_EQ(Player()->MusicVolume(), 25);
  EXPECT_EQ(Music->Position(), 25);
  MouseAt(R.Left + Music->Width() * 0.6f, Y);
  Frames(20);
  EXPECT_EQ(Player()->MusicVolume(), 60);
  // Outside the bar the volume stays where it was.
  MouseAt(R.Right + 30, Y);
  Frames(20);
  EXPECT_EQ(Player()->MusicVolume(), 60);
  Window->MouseUp(mbLeft);
  MouseAt(R.Left + 2, Y);
  Frames(20);
  EXPECT_EQ(Player()->MusicVolume(), 60);
  EXPECT_EQ(Player()->SoundVolume(), 50);
}

TEST_F(PDAMenuTest, TheCheckBoxesWriteTheDisplaySettingsAndFullScreenFollowsTheDevice) {
  Open();
  Click("Menu\\BtnCustomize");
  Click("Options\\WideScreen\\CheckBox", 0);
  EXPECT_TRUE(Player()->WideScreen());
  Click("Options\\FullScreen\\CheckBox", 0);
  EXPECT_TRUE(Player()->FullScreen());
  // The device here stays windowed: the page shows the mode the device is in.
  Frames(20);
  EXPECT_FALSE(Player()->FullScreen());
  EXPECT_FALSE(ObjectCast<TGCheckBox>(W("Options\\FullScreen\\CheckBox"))->Checked());
  EXPECT_TRUE(Player()->WideScreen());
}

TEST_F(PDAMenuTest, ColourAndDisplayWrapAroundAndTheLooksFollow) {
  Player()->PDAColor = 5;
  Player()->PDASkin = 1;
  Open();
  EXPECT_EQ(GfxURL(""), "UI\\GameMenuWindow\\PDAskins\\Back05.ani");
  Click("Menu\\BtnCustomize");
  Click("Options\\ChangeColor\\Right", 20);
  EXPECT_EQ(Player()->PDAColor, 1);
  EXPECT_EQ(GfxURL(""), "UI\\GameMenuWindow\\PDAskins\\Back01.ani");
  Click("Options\\ChangeColor\\Left", 20);
  EXPECT_EQ(Player()->PDAColor, 5);
  Click("Options\\ChangeSkin\\Left", 20);
  EXPECT_EQ(Player()->PDASkin, 9);
  EXPECT_EQ(GfxURL("Screen"), "UI\\GameMenuWindow\\PDAskins\\Screen09.jp2");
  Click("Options\\ChangeSkin\\Right", 20);
  EXPECT_EQ(Player()->PDASkin, 1);
  EXPECT_EQ(GfxURL("Screen"), "UI\\GameMenuWindow\\PDAskins\\Screen01.jp2");
}

TEST_F(PDAMenuTest, AProfileWithoutLooksShowsTheFirstColourAndDisplay) {
  Player()->PDAColor = 0;
  Player()->PDASkin = -3;
  Open();
  EXPECT_EQ(GfxURL(""), "UI\\GameMenuWindow\\PDAskins\\Back01.ani");
  EXPECT_EQ(GfxURL("Screen"), "UI\\GameMenuWindow\\PDAskins\\Screen01.jp2");
}

// --- The speech log ------------------------------------------------------------------------------

TEST_F(PDAMenuTest, AnEmptyLogSaysSoWithItsButtonsOff) {
  Open();
  Click("Menu\\BtnLog");
  ASSERT_TRUE(Shows("Log"));
  EXPECT_EQ(LabelText("Log\\Info"), "No messages");
  EXPECT_EQ(LabelText("Log\\Text"), "");
  EXPECT_FALSE(W("Log\\BtnPrev")->Enabled());
  EXPECT_FALSE(W("Log\\BtnNext")->Enabled());
  EXPECT_EQ(GfxURL("Log\\Pic"), "");
}

TEST_F(PDAMenuTest, TheLogOpensOnItsNewestLineAndPagesWithinIt) {
  std::filesystem::create_directories(World.Folder().Path() / "gfx/UI/MapScreen/LocShots");
  World.Picture("UI/MapScreen/LocShots/Quay.png", 8, 8, 0xFF336699);
  TSpeechLog* Log = Player()->SpeechLog();
  for (const char* Line : {"$One$", "$Two$", "$Three$"}) {
    Log->AddSpeech(Line);
  }
  Log->GetItem(1)->ThumbnailURL = "Quay.loc";
  Log->GetItem(2)->ThumbnailURL = "Nowhere.loc";
  Open();
  Window->StartLog();
  EXPECT_FALSE(Shows("Menu"));
  EXPECT_TRUE(Shows("Log"));
  EXPECT_EQ(Window->SpeechLogPosition(), 2);
  EXPECT_EQ(LabelText("Log\\Info"), "$Message $3$ of $3");
  EXPECT_EQ(LabelText("Log\\Text"), "$Three$");
  // A location without a picture shows none.
  EXPECT_EQ(GfxURL("Log\\Pic"), "");
  Click("Log\\BtnNext", 20);
  EXPECT_EQ(Window->SpeechLogPosition(), 2);
  EXPECT_EQ(LabelText("Log\\Text"), "$Three$");
  Click("Log\\BtnPrev", 20);
  EXPECT_EQ(LabelText("Log\\Info"), "$Message $2$ of $3");
  EXPECT_EQ(LabelText("Log\\Text"), "$Two$");
  EXPECT_EQ(GfxURL("Log\\Pic"), "UI\\MapScreen\\LocShots\\Quay.png");
  Click("Log\\BtnPrev", 20);
  Click("Log\\BtnPrev", 20);
  EXPECT_EQ(Window->SpeechLogPosition(), 0);
  // Opened on the log, Back leads to the menu.
  Escape();
  EXPECT_TRUE(Shows("Menu"));
}

// --- Biographies and help ------------------------------------------------------------------------

TEST_F(PDAMenuTest, ALongBiographyScrollsLineByLineToItsEndAndBack) {
  Player()->RorvikAvail = true;
  Open();
  Click("Menu\\BtnCharacterBios");
  Click("CharacterBios\\List\\BtnEdrinRorvik");
  const int32_t Lines = Window->BioLineCount();
  const int32_t InBox = Window->BioLinesInBox();
  ASSERT_GT(InBox, 0);
  ASSERT_GT(Lines, InBox) << "the demo's long biography must need scrolling";
  for (int I = 0; I < Lines + 5; ++I) {
    Click("CharacterBios\\Char\\BtnDown", 0);
  }
  EXPECT_EQ(Window->ScrollPosition(), Lines - InBox + 1);
  Window->DrawTree();
  Click("CharacterBios\\Char\\BtnUp", 0);
  EXPECT_EQ(Window->ScrollPosition(), Lines - InBox);
  for (int I = 0; I < Lines + 5; ++I) {
    Click("CharacterBios\\Char\\BtnUp", 0);
  }
  EXPECT_EQ(Window->ScrollPosition(), 0);
}

TEST_F(PDAMenuTest, AShortBiographyNeverScrollsPastItsTop) {
  Player()->TovanAvail = true;
  Open();
  Click("Menu\\BtnCharacterBios");
  Click("CharacterBios\\List\\BtnSaelaVelgrath");
  ASSERT_TRUE(Shows("CharacterBios\\Char"));
  ASSERT_LT(Window->BioLineCount(), Window->BioLinesInBox());
  Click("CharacterBios\\Char\\BtnDown", 0);
  Click("CharacterBios\\Char\\BtnDown", 0);
  EXPECT_EQ(Window->ScrollPosition(), 0);
  // A new biography starts at its top.
  Escape();
  Player()->RorvikAvail = true;
  Click("BtnBack");
  Click("Menu\\BtnCharacterBios");
  Click("CharacterBios\\List\\BtnEdrinRorvik");
  Click("CharacterBios\\Char\\BtnDown", 0);
  EXPECT_EQ(Window->ScrollPosition(), 1);
  Escape();
  Click("CharacterBios\\List\\BtnEdrinRorvik");
  EXPECT_EQ(Window->ScrollPosition(), 0);
  EXPECT_EQ(Window->BioText()->Data(), "$BioEdrinRorvikText$");
}

TEST_F(PDAMenuTest, TheHelpScrollsBySixtyFourPixelsWithinItsText) {
  Open();
  Click("Menu\\BtnHelp");
  ASSERT_TRUE(Shows("Help"));
  TGWidget* Area = W("Help\\ScrollArea\\Area");
  const auto Bound =
      static_cast<int32_t>(std::nearbyint(Area->Height() - W("Help\\ScrollArea")->Height()));
  ASSERT_GT(Bound, 64);
  Click("Help\\BtnDown", 0);
  EXPECT_EQ(Window->ScrollPosition(), 64);
  EXPECT_EQ(Area->Top(), -64);
  for (int I = 0; I < 20; ++I) {
    Click("Help\\BtnDown", 0);
  }
  EXPECT_EQ(Window->ScrollPosition(), Bound);
  EXPECT_EQ(Area->Top(), static_cast<float>(-Bound));
  for (int I = 0; I < 20; ++I) {
    Click("Help\\BtnUp", 0);
  }
  EXPECT_EQ(Window->ScrollPosition(), 0);
  EXPECT_EQ(Area->Top(), 0);
  // A text shorter than its view stays at the top.
  Area->SetHeight(W("Help\\ScrollArea")->Height() - 100);
  Click("Help\\BtnDown", 0);
  EXPECT_EQ(Window->ScrollPosition(), 0);
  EXPECT_EQ(Area->Top(), 0);
}

// --- Briefing ------------------------------------------------------------------------------------

TEST_F(PDAMenuTest, ABriefingSendsItsPictureForTwoSecondsThenShowsTextAndFace) {
  Window.reset(New<TPDAMenuWindow>(nullptr));
  Host.Top = Window.get();
  Window->StartBriefing("$Orders$", "Tobrel", true);
  Window->Show();
  EXPECT_FALSE(Shows("Menu"));
  EXPECT_TRUE(Shows("Briefing"));
  EXPECT_EQ(LabelText("Briefing\\Label"), "$Sending picture...$");
  EXPECT_FALSE(Shows("Briefing\\Avatar"));
  EXPECT_EQ(GfxURL("Briefing\\Avatar"), "UI\\GameMenuWindow\\Avatars\\TobrelFace.jp2");
  // The show effect takes the first 250 ms, in which the window's own time stands.
  Frames(1900);
  EXPECT_TRUE(Window->SendingPicture());
  EXPECT_EQ(LabelText("Briefing\\Label"), "$Sending picture...$");
  Frames(600);
  EXPECT_FALSE(Window->SendingPicture());
  EXPECT_EQ(LabelText("Briefing\\Label"), "$Orders$");
  EXPECT_TRUE(Shows("Briefing\\Avatar"));
  Click("Briefing\\Back", 20);
  EXPECT_TRUE(Window->Hiding());
}

TEST_F(PDAMenuTest, ABriefingOfAnUnknownSpeakerKeepsTheWindowsFace) {
  Window.reset(New<TPDAMenuWindow>(nullptr));
  const std::string Face = GfxURL("Briefing\\Avatar");
  Window->StartBriefing("$Orders$", "tobrel", false);
  EXPECT_EQ(GfxURL("Briefing\\Avatar"), Face);
  EXPECT_EQ(LabelText("Briefing\\Label"), "$Orders$");
  EXPECT_TRUE(Shows("Briefing\\Avatar"));
}

// --- The movie -----------------------------------------------------------------------------------

TEST_F(PDAMenuTest, AMoviePlaysItsPicturesInOrderWaitingAtTheirStopsAndClosesAfterTheLast) {
  Window.reset(New<TPDAMenuWindow>(nullptr));
  Host.Top = Window.get();
  ASSERT_TRUE(Window->StartMovie(" CliffHanger\\Dialogue01 , CliffHanger\\Dialogue02", false));
  Window->Show();
  EXPECT_FALSE(Shows("Menu"));
  EXPECT_TRUE(Shows("CliffHanger"));
  EXPECT_TRUE(Shows("CliffHanger\\Next"));
  EXPECT_TRUE(Shows("CliffHanger\\Dialogue01"));
  EXPECT_FALSE(Shows("CliffHanger\\Dialogue02"));
  ASSERT_EQ(Window->PlayList().size(), 2u);
  TGAnimation* A = AnimationOf("CliffHanger\\Dialogue01");
  ASSERT_TRUE(A);
  // The first picture waits at its stop, exactly.
  Frames(2000);
  EXPECT_EQ(A->ElapsedTime(), 1200);
  EXPECT_EQ(A->Speed(), 0);
  Click("CliffHanger\\Next", 0);
  EXPECT_EQ(A->Speed(), 1);
  Frames(1600);
  EXPECT_FALSE(Shows("CliffHanger\\Dialogue01"));
  ASSERT_TRUE(Shows("CliffHanger\\Dialogue02"));
  EXPECT_EQ(Window->PlayList().size(), 1u);
  // Next before the stop jumps to it and plays on; Next again jumps to the end.
  TGAnimation* B = AnimationOf("CliffHanger\\Dialogue02");
  ASSERT_TRUE(B);
  Frames(100);
  Click("CliffHanger\\Next", 0);
  EXPECT_EQ(B->ElapsedTime(), 1200);
  Frames(100);
  EXPECT_GT(B->ElapsedTime(), 1200);
  EXPECT_NE(B->Speed(), 0);
  EXPECT_FALSE(Window->Hiding());
  Click("CliffHanger\\Next", 0);
  Frames(40);
  EXPECT_TRUE(Window->Hiding());
  Frames(600);
  EXPECT_TRUE(Closed());
}

TEST_F(PDAMenuTest, AMovieThatCannotBeClosedWaitsForNextAtTheEndOfEachPicture) {
  Window.reset(New<TPDAMenuWindow>(nullptr));
  Host.Top = Window.get();
  ASSERT_TRUE(Window->StartMovie("CliffHanger\\Dialogue01,CliffHanger\\Dialogue02", true));
  Window->Show();
  Frames(600);
  TGAnimation* A = AnimationOf("CliffHanger\\Dialogue01");
  ASSERT_TRUE(A);
  Click("BtnBack", 0); // the stop is ahead: Back jumps to it
  EXPECT_EQ(A->ElapsedTime(), 1200);
  Frames(5000);
  EXPECT_TRUE(Shows("CliffHanger\\Dialogue01"));
  EXPECT_GE(A->ElapsedTime(), 2600);
  Click("BtnBack", 40);
  EXPECT_TRUE(Shows("CliffHanger\\Dialogue02"));
  EXPECT_FALSE(Window->Hiding());
}

TEST_F(PDAMenuTest, AMovieOfNoPictureIsNotShown) {
  Window.reset(New<TPDAMenuWindow>(nullptr));
  EXPECT_FALSE(Window->StartMovie("", false));
  EXPECT_FALSE(Window->StartMovie(" , CliffHanger\\NoSuchPicture", false));
  EXPECT_TRUE(Window->PlayList().empty());
  EXPECT_TRUE(Shows("Menu"));
}

// --- The quit request ----------------------------------------------------------------------------

TEST_F(PDAMenuTest, AQuitRequestWhileTheWindowFadesInWaitsThenAsksOverThePageAndNoReturns) {
  Window.reset(New<TPDAMenuWindow>(nullptr));
  Host.Top = Window.get();
  Window->Show();
  AppIsClosing = true;
  AppCanUnclose = true;
  Frames(20);
  EXPECT_TRUE(Window->DelayedConfirmation());
  EXPECT_FALSE(Shows("Confirmation"));
  EXPECT_TRUE(Shows("Menu"));
  Frames(600);
  EXPECT_FALSE(Window->DelayedConfirmation());
  EXPECT_EQ(Window->ConfirmationMode(), 1);
  EXPECT_EQ(Window->CurrentActivePage(), "Menu");
  EXPECT_TRUE(Shows("Confirmation"));
  EXPECT_FALSE(Shows("Menu"));
  // Escape answers No as the button does.
  Escape();
  EXPECT_FALSE(AppIsClosing);
  EXPECT_TRUE(AppCanUnclose);
  EXPECT_EQ(Window->ConfirmationMode(), 0);
  EXPECT_FALSE(Shows("Confirmation"));
  EXPECT_TRUE(Shows("Menu"));
  EXPECT_FALSE(Window->Hiding());
}

TEST_F(PDAMenuTest, AQuitConfirmedOverAPageLeavesTheGame) {
  Open();
  Click("Menu\\BtnCustomize");
  AppIsClosing = true;
  AppCanUnclose = true;
  Frames(20);
  EXPECT_EQ(Window->CurrentActivePage(), "Options");
  EXPECT_FALSE(Shows("Options"));
  Click("Confirmation\\BtnYes", 0);
  EXPECT_TRUE(Window->CloseConfirmed());
  Frames(20);
  EXPECT_TRUE(AppIsClosing);
  EXPECT_FALSE(AppCanUnclose);
  EXPECT_TRUE(Window->WaitAndGoToMainMenu());
  Frames(20);
  EXPECT_TRUE(Window->Hiding());
}

TEST_F(PDAMenuTest, AnotherOpenConfirmationLeavesTheAnswerAlone) {
  TPDAMenuWindow::CloseConfirmationMode = true;
  bool DoClose = true;
  TPDAMenuWindow::ShowCloseConfirmation(DoClose);
  EXPECT_TRUE(DoClose);
  TPDAMenuWindow::CloseConfirmationMode = false;
  AppIsClosing = false;
  EXPECT_FALSE(TPDAMenuWindow::AnswerQuitRequest());
}

TEST_F(PDAModalTest, TheQuitConfirmationRunsModallyAndReportsYes) {
  OnStep = [](TPDAMenuWindow* W) {
    EXPECT_TRUE(TPDAMenuWindow::CloseConfirmationMode);
    EXPECT_TRUE(W->FindWidget("Confirmation")->Visible());
    EXPECT_FALSE(W->FindWidget("Menu")->Visible());
    if (!W->Hiding()) {
      W->FindWidget("Confirmation\\BtnYes")->Click();
    }
  };
  AppIsClosing = true;
  AppCanUnclose = true;
  EXPECT_TRUE(TPDAMenuWindow::AnswerQuitRequest());
  EXPECT_TRUE(Seen);
  EXPECT_LT(TModalApp::Frames, 1500);
  EXPECT_TRUE(AppIsClosing);
  EXPECT_FALSE(AppCanUnclose);
  EXPECT_FALSE(TPDAMenuWindow::CloseConfirmationMode);
  // The device is gone, and with it the game state it held.
  EXPECT_NE(Player()->GameState(), gsInGameMenu);
}

TEST_F(PDAModalTest, TheQuitConfirmationAnsweredNoKeepsTheProgram) {
  OnStep = [](TPDAMenuWindow* W) { W->KeyDown(VK_ESCAPE); };
  AppIsClosing = true;
  AppCanUnclose = true;
  EXPECT_TRUE(TPDAMenuWindow::AnswerQuitRequest());
  EXPECT_TRUE(Seen);
  EXPECT_LT(TModalApp::Frames, 1500);
  EXPECT_FALSE(AppIsClosing);
  EXPECT_TRUE(AppCanUnclose);
}

TEST_F(PDAModalTest, TheMenuOpenedOnTheLogShowsTheNewestLine) {
  Player()->SpeechLog()->AddSpeech("$First$");
  Player()->SpeechLog()->AddSpeech("$Last$");
  std::string Shown;
  OnStep = [&Shown](TPDAMenuWindow* W) {
    if (Shown.empty()) {
      Shown = ObjectCast<TGLabel>(W->FindWidget("Log\\Text"))->Data();
      EXPECT_FALSE(W->FindWidget("Menu")->Visible());
    }
    W->KeyDown(VK_ESCAPE); // the log, then the menu
  };
  TPDAMenuWindow::ShowMenu(true);
  EXPECT_EQ(Shown, "$Last$");
  EXPECT_LT(TModalApp::Frames, 1500);
}

TEST_F(PDAModalTest, ABriefingRunsModallyUntilItsButton) {
  OnStep = [](TPDAMenuWindow* W) {
    if (!W->SendingPicture()) {
      W->FindWidget("Briefing\\Back")->Click();
    }
  };
  TPDAMenuWindow::ShowBriefing("$Orders$", "Zari", true);
  ASSERT_TRUE(Seen);
  // Two seconds of the picture being sent, in 20 ms frames.
  EXPECT_GE(TModalApp::Frames, 100);
  EXPECT_LT(TModalApp::Frames, 1500);
}
