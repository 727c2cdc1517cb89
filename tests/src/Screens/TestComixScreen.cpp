// The comic screen: a comic without panels plays through and a click ends it; stops hold the
// comic until a click, which only releases them, while the next click jumps; live pictures move
// at a stop but not at a full stop; clicks anywhere can be switched off; "Skip" fades the comic
// out and is reported; the fade-in's shape and its black rectangle; pauses while the program is
// in the background; cheat speed; the "NoComixes" stand-in; clear errors for bad comics; and
// the demo's comic played through its stops, modally, to its end.
#include "ComixSplashTest.h"
#include "Screens/UComixScreen.h"
#include "TestProgram.h"
#include "animation/UGLivePicture.h"
#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "drawables/UGParticle.h"
#include "graphics/UGBitmap.h"
#include "particles/UGParticleEmitter.h"
#include "platform/UAudioMixer.h"
#include "player/UPlayer.h"
#include "widgets/UGButton.h"

#include <cmath>
#include <memory>

namespace {

// Panels at 0, 1000 and 2000; stops at 500 and at 1500, the second a full stop; a white page over
// the whole screen and a looped nested animation (one turn a second) in a picture channel; the
// comic ends at 3000.
const char* CPanelsURL = "Test\\Panels.ani";
// One picture channel with keys up to 2000, no panels and no stops.
const char* CPlainURL = "Test\\Plain.ani";

class ComixTest : public ComixSplashTest {
protected:
  void SetUp() override {
    ComixSplashTest::SetUp();
    std::filesystem::create_directories(World.Folder().Path() / "gfx" / "Test");
    World.Picture("Test/White.png", 16, 16, 0xFFFFFFFF);
    Content("gfx/Test/Spinner.ani",
            Animation(Channel("Spinner", "Angle", {0, 1000}, "Test\\White.png"), true));
    Content("gfx/Test/Panels.ani",
            Animation(Channel("Key", "X", {0, 1000, 2000}) +
                      Channel("KeyStop", "X", {500, 1500}, "",
                              "<Angle><Term T=\"1500\" Value=\"0\"/></Angle>") +
                      Channel("Page", "X", {0, 3000}, "Test\\White.png",
                              "<ScaleX><Term T=\"0\" Value=\"50\"/></ScaleX>"
                              "<ScaleY><Term T=\"0\" Value=\"40\"/></ScaleY>") +
                      Channel("Live", "X", {0}, "Test\\Spinner.ani")));
    Content("gfx/Test/Plain.ani", Animation(Channel("Picture", "X", {0, 2000})));
  }
  void TearDown() override {
    Screen.reset();
    ComixSplashTest::TearDown();
  }

  TComixScreen* Open(const std::string& URL, TComixFading Fading = {}) {
    Screen.reset(New<TComixScreen>(nullptr, Fading, URL));
    Host.Top = Screen.get();
    return Screen.get();
  }
  void Frame(float Seconds = 0.02f) { Screen->UpdateTree(Seconds); }
  // Frames until the comic closes or the time runs out; the time it took, in milliseconds.
  int PlayToEnd(int Limit = 60000) {
    int T = 0;
    for (; T < Limit && !Closing(Screen.get()); T += 20) {
      Frame();
    }
    return T;
  }
  int PlayToStop(int Limit = 10000) {
    for (int T = 0; T < Limit && !Screen->Stopped() && !Closing(Screen.get()); T += 20) {
      Frame();
    }
    return Screen->Animation()->ElapsedTime();
  }
  // A click where the screen shows nothing but the comic: the middle of the window, which is
  // centred on the device after the first frame.
  void ClickOnComic() { ClickAt(CentreOf(Screen.get())); }
  void ClickAt(const TGPoint& P) {
    Host.Mouse = P;
    Screen->MouseDown(mbLeft);
    Screen->MouseUp(mbLeft);
  }
  static TGPoint CentreOf(const TGWidget* W) {
    const TGRectFloat R = W->ScreenRect();
    return {static_cast<int>(std::floor((R.Left + R.Right) / 2)),
            static_cast<int>(std::floor((R.Top + R.Bottom) / 2))};
  }
  int32_t Elapsed() const { return Screen->Animation()->ElapsedTime(); }
  // The clock of the nested animation in the "Live" channel.
  int32_t LiveElapsed() const {
    auto* Live = TryObjectCast<TGLivePicture>(ChannelByName(Screen->Animation(), "Live"));
    auto* Nested = Live ? TryObjectCast<TGAnimation>(Live->Instance()) : nullptr;
    return Nested ? Nested->ElapsedTime() : -1;
  }
  TGWidget* Widget(const char* Name) const { return Screen->FindWidget(Name); }

  TGObjectPtr<TComixScreen> Screen;
};

} // namespace

// --- The fading set ------------------------------------------------------------------------------

TEST(ComixFading, IsOneByteWithABitPerFlagAndFollowsTheScriptsValues) {
  static_assert(sizeof(TComixFading) == 1);
  TComixFading F{cfFirst, cfPlayLast};
  EXPECT_EQ(F.Mask, 0b1001);
  F.Exclude(cfFirst);
  F.Include(cfLast);
  EXPECT_EQ(F.Mask, 0b1010);
  EXPECT_EQ(TComixFading::FromScriptValue(0), TComixFading{});
  EXPECT_EQ(TComixFading::FromScriptValue(-7), (TComixFading{cfFirst}));
  EXPECT_EQ(TComixFading::FromScriptValue(1), (TComixFading{cfLast}));
  EXPECT_EQ(TComixFading::FromScriptValue(2), (TComixFading{cfFirst, cfLast}));
  EXPECT_EQ(TComixFading::FromScriptValue(9), (TComixFading{cfFirst, cfLast}));
}

// --- Panels, stops and clicks
// ----------------------------------------------------------------------

TEST_F(ComixTest, WithoutPanelsItPlaysThroughAndClosesAtItsEnd) {
  Open(CPlainURL);
  EXPECT_EQ(Screen->KeyChannel(), nullptr);
  EXPECT_EQ(Screen->StopChannel(), nullptr);
  EXPECT_EQ(Screen->GetNextKeyTime(), 0);
  Frame(1.0f);
  EXPECT_FALSE(Closing(Screen.get()));
  Frame(1.0f);
  EXPECT_EQ(Elapsed(), 2000);
  EXPECT_TRUE(Closing(Screen.get()));
  Frame();
  EXPECT_FALSE(Screen->Visible());
  EXPECT_FALSE(Screen->Skipped());
}

TEST_F(ComixTest, WithoutPanelsAClickClosesAtOnceOrStartsTheFadeOut) {
  Open(CPlainURL);
  Frame();
  ClickOnComic();
  EXPECT_TRUE(Closing(Screen.get()));

  Open(CPlainURL, {cfLast});
  Frame();
  ClickOnComic();
  EXPECT_FALSE(Closing(Screen.get()));
  EXPECT_TRUE(Screen->FadingState().Contains(cfPlayLast));
  // 265 down to below -20 at 400 a second: under a second, drawn ever darker.
  uint8_t Alpha = Screen->BlackAlpha();
  int T = 0;
  for (; T < 2000 && !Closing(Screen.get()); T += 20) {
    Frame();
    EXPECT_GE(Screen->BlackAlpha(), Alpha);
    Alpha = Screen->BlackAlpha();
  }
  EXPECT_TRUE(Closing(Screen.get()));
  EXPECT_GE(T, 680);
  EXPECT_LE(T, 740);
  EXPECT_EQ(Alpha, 255);
  EXPECT_LT(Elapsed(), 2000); // the comic was cut short, not played out
}

TEST_F(ComixTest, AStopHoldsTheComicAtItsExactTime) {
  Open(CPanelsURL);
  ASSERT_TRUE(Screen->KeyChannel() && Screen->StopChannel());
  EXPECT_TRUE(Widget("Continue")->Visible());
  EXPECT_FALSE(Widget("ContinueFlash")->Visible());
  // Frames of 30 ms pass 500 between 480 and 510: the comic is set back to 500.
  for (int I = 0; I < 40 && !Screen->Stopped(); ++I) {
    Frame(0.03f);
  }
  ASSERT_TRUE(Screen->Stopped());
  EXPECT_EQ(Elapsed(), 500);
  EXPECT_FALSE(Screen->FullStopped());
  EXPECT_FALSE(Widget("Continue")->Visible());
  EXPECT_TRUE(Widget("ContinueFlash")->Visible());
  Frame(1.0f);
  EXPECT_EQ(Elapsed(), 500);
}

TEST_F(ComixTest, AClickAtAStopReleasesItAndTheNextClickJumpsToTheNextPanel) {
  Open(CPanelsURL);
  EXPECT_EQ(PlayToStop(), 500);
  EXPECT_EQ(Screen->GetNextKeyTime(), 1000);
  ClickOnComic();
  EXPECT_FALSE(Screen->Stopped());
  EXPECT_EQ(Elapsed(), 500); // released, not jumped
  EXPECT_TRUE(Widget("Continue")->Visible());
  EXPECT_FALSE(Widget("ContinueFlash")->Visible());
  ClickOnComic();
  EXPECT_EQ(Elapsed(), 1000);
  // A jump passes over no stop: the stop at 1500 is still ahead.
  bool Full = false;
  EXPECT_EQ(Screen->GetNextStopTime(Full), 1500);
  EXPECT_TRUE(Full);
  // Clicks before the stop jump to 2000, past it; the last panel then plays to the end.
  ClickOnComic();
  EXPECT_EQ(Elapsed(), 2000);
  EXPECT_EQ(Screen->GetNextKeyTime(), 0);
  EXPECT_LE(PlayToEnd(), 1100);
  EXPECT_EQ(Elapsed(), 3000);
}

TEST_F(ComixTest, LivePicturesMoveAtAStopButNotAtAFullStop) {
  Open(CPanelsURL);
  PlayToStop();
  const int32_t Before = LiveElapsed();
  ASSERT_GE(Before, 0);
  Frame(0.1f);
  Frame(0.1f);
  EXPECT_EQ(Elapsed(), 500);
  EXPECT_EQ((LiveElapsed() - Before + 1000) % 1000, 200); // the spinner turns on (looped)

  ClickOnComic();
  EXPECT_EQ(PlayToStop(), 1500);
  EXPECT_TRUE(Screen->FullStopped());
  const int32_t Held = LiveElapsed();
  Frame(0.3f);
  EXPECT_EQ(LiveElapsed(), Held);
  ClickOnComic();
  EXPECT_FALSE(Screen->FullStopped());
  Frame(0.1f);
  EXPECT_EQ(Elapsed(), 1600);
}

TEST_F(ComixTest, WithClicksAnywhereOffOnlyAWaitingStopTakesAClick) {
  Open(CPanelsURL);
  Screen->DisableAnyTimeClicks();
  EXPECT_FALSE(Screen->AnyTimeClick());
  EXPECT_FALSE(Widget("Continue")->Visible());
  EXPECT_FALSE(Widget("Continue")->Enabled());
  Frame(0.2f);
  ClickOnComic();
  EXPECT_EQ(Elapsed(), 200); // no jump
  EXPECT_EQ(PlayToStop(), 500);
  ClickOnComic();
  EXPECT_FALSE(Screen->Stopped());
  EXPECT_FALSE(Widget("Continue")->Visible()); // stays hidden after the stop
  ClickOnComic();
  EXPECT_EQ(Elapsed(), 500);
}

TEST_F(ComixTest, AClickOnSkipIsNoClickOnTheComic) {
  Open(CPanelsURL);
  Frame(0.2f);
  TGWidget* Skip = Widget("Skip");
  ASSERT_TRUE(Skip);
  ClickAt(CentreOf(Skip));
  EXPECT_EQ(Elapsed(), 200); // the button took the click
  EXPECT_TRUE(Screen->Skipped());
}

TEST_F(ComixTest, SkipFadesOutEvenWithoutLastAndIsReported) {
  Open(CPanelsURL);
  PlayToStop();
  ASSERT_TRUE(Screen->Stopped());
  ClickAt(CentreOf(Widget("Skip")));
  EXPECT_EQ(Screen->FadingState(), (TComixFading{cfLast, cfPlayLast}));
  // Held at the stop, the comic still fades out and closes.
  const int T = PlayToEnd();
  EXPECT_TRUE(Closing(Screen.get()));
  EXPECT_LE(T, 760);
  EXPECT_TRUE(Screen->Skipped());
  EXPECT_EQ(Elapsed(), 500);

  // Skipping during a fade-in ends it and fades out from where it was.
  Open(CPanelsURL, {cfFirst});
  Frame(0.2f);
  const float Value = Screen->FadeValue();
  ClickAt(CentreOf(Widget("Skip")));
  EXPECT_EQ(Screen->FadingState(), (TComixFading{cfFirst, cfLast, cfPlayLast}));
  Frame(0.1f);
  EXPECT_FLOAT_EQ(Screen->FadeValue(), Value - 40);
}

TEST_F(ComixTest, EscapeAdvancesOnlyWhileSkipIsShown) {
  Open(CPanelsURL);
  Frame(0.1f);
  Screen->KeyDown(VK_ESCAPE);
  EXPECT_EQ(Elapsed(), 1000);
  Screen->HideSkip();
  EXPECT_FALSE(Widget("Skip")->Visible());
  EXPECT_FALSE(Widget("Skip")->Enabled());
  EXPECT_FALSE(Widget("Continue")->Visible());
  Screen->KeyDown(VK_ESCAPE);
  EXPECT_EQ(Elapsed(), 1000);
  // Clicks still advance, but the prompt that went with the skip button stays away.
  EXPECT_EQ(PlayToStop(), 1500);
  ClickOnComic();
  EXPECT_FALSE(Widget("Continue")->Visible());
}

// --- Fades and the black rectangle ---------------------------------------------------------------

TEST_F(ComixTest, AFadeInStartsBlackAndEasesUpPast265AfterAboutTwoSeconds) {
  Open(CPanelsURL, {cfFirst});
  EXPECT_FLOAT_EQ(Screen->FadeValue(), -10);
  EXPECT_EQ(Screen->BlackAlpha(), 255);
  float Last = Screen->FadeValue();
  float LastStep = 1e9f;
  int T = 0;
  for (; T < 5000 && Screen->FadingState().Contains(cfPlayFirst); T += 20) {
    Frame();
    const float Step = Screen->FadeValue() - Last;
    EXPECT_GT(Step, 0);
    EXPECT_LT(Step, LastStep); // ever slower towards 400 / 1.4
    LastStep = Step;
    Last = Screen->FadeValue();
  }
  EXPECT_GE(T, 1840);
  EXPECT_LE(T, 1960);
  EXPECT_GT(Screen->FadeValue(), 265);
  EXPECT_LT(Screen->FadeValue(), 400 / 1.4f);
  EXPECT_EQ(Screen->BlackAlpha(), 0);
}

TEST_F(ComixTest, WithoutFadingNothingIsDrawnOverTheComic) {
  Open(CPanelsURL);
  EXPECT_FLOAT_EQ(Screen->FadeValue(), 265);
  EXPECT_EQ(Screen->BlackAlpha(), 0);
  // Flags other than the first and the last are not taken from the caller.
  Screen->SetFadingState({cfPlayLast, cfPlayFirst});
  EXPECT_TRUE(Screen->FadingState().Empty());
}

TEST_F(ComixTest, TheBlackRectangleCoversTheWholeScreenWhileFadingIn) {
  Open(CPanelsURL, {cfFirst});
  Frame(0);
  Screen->DrawTree();
  EXPECT_EQ(Row(CHeight / 2, 0, 4), "....");
  EXPECT_EQ(Row(0, CWidth - 4, 4), "....");
  // Once the fade-in has ended the white page shows.
  for (int I = 0; I < 150 && Screen->FadingState().Contains(cfPlayFirst); ++I) {
    Frame();
  }
  GD->Erase();
  Screen->DrawTree();
  EXPECT_EQ(Row(CHeight / 2, 0, 4), "WWWW");
}

// --- The program around the comic ----------------------------------------------------------------

TEST_F(ComixTest, NothingMovesWhileTheProgramIsInTheBackground) {
  TGObjectPtr<TGAudioDevice> Audio(new TGAudioDevice(nullptr, TMixOutput::None));
  Open(CPanelsURL, {cfFirst});
  Frame(0.1f);
  const float Fade = Screen->FadeValue();
  Screen->ApplicationDeactivateHelper();
  EXPECT_TRUE(Screen->Paused());
  EXPECT_TRUE(Audio->Paused());
  Frame(0.3f);
  EXPECT_EQ(Elapsed(), 100);
  EXPECT_FLOAT_EQ(Screen->FadeValue(), Fade);
  // Back in front, the comic resumes only as the top window.
  Host.Top = nullptr;
  Screen->ApplicationActivateHelper();
  EXPECT_TRUE(Screen->Paused());
  Host.Top = Screen.get();
  Screen->ApplicationActivateHelper();
  EXPECT_FALSE(Screen->Paused());
  EXPECT_FALSE(Audio->Paused());
  Frame(0.1f);
  EXPECT_EQ(Elapsed(), 200);
  // Becoming the top window resumes it too.
  Screen->ApplicationDeactivateHelper();
  Screen->Activate();
  EXPECT_FALSE(Screen->Paused());
}

TEST_F(ComixTest, NoComixesPlaysTheStandInForEveryComic) {
  ProgramFile("configs/NoComixes.cnf", "");
  Open(CPanelsURL);
  EXPECT_EQ(Screen->ComixURL(), TComixScreen::CNoComixesURL);
  EXPECT_EQ(Screen->KeyChannel(), nullptr);
  const int T = PlayToEnd();
  EXPECT_TRUE(Closing(Screen.get()));
  EXPECT_EQ(Elapsed(), Screen->Animation()->TotalTime());
  EXPECT_GT(T, 0);
  EXPECT_LE(T, 3000); // a very short one
}

TEST_F(ComixTest, BadComicsGiveClearErrors) {
  EXPECT_ERROR_TEXT(Open("Test\\Missing.ani"), "Resource \"Test\\Missing.ani\" not found");
  EXPECT_ERROR_TEXT(Open("Test\\White.png"), "The comic \"Test\\White.png\" is not an animation");
  // A damaged file is reported by the library and shows as an empty comic that ends at once.
  Content("gfx/Test/Broken.ani", "<Animation OriginX=\"0\"><Channel");
  Open("Test\\Broken.ani");
  EXPECT_EQ(ResourceErrors, std::vector<std::string>{"Test\\Broken.ani"});
  Frame();
  EXPECT_TRUE(Closing(Screen.get()));
}

TEST_F(ComixTest, AWindowFileWithoutItsWidgetsIsAClearError) {
  Content("win/ComixScreen.win",
          "<Widget ClassName=\"TGWindow\" Name=\"Comix\" Left=\"0\" Top=\"0\" Width=\"800\" "
          "Height=\"600\"><Widget ClassName=\"TGPicture\" Name=\"ComixArea\" Left=\"0\" "
          "Top=\"0\" Width=\"800\" Height=\"600\"/></Widget>");
  EXPECT_ERROR_TEXT(Open(CPanelsURL), "Widget \"Skip\" not found in \"Comix\"");
}

// --- The demo's comic
// ------------------------------------------------------------------------------

TEST_F(ComixTest, TheDemoComicHasFourPanelsAndThreeStopsTheLastOfThemFull) {
  Open("Comix\\HarbourToLighthouse.ani", {cfFirst, cfLast});
  ASSERT_TRUE(Screen->KeyChannel() && Screen->StopChannel());
  EXPECT_TRUE(ResourceErrors.empty());
  std::vector<int32_t> Stops;
  std::vector<bool> Full;
  std::vector<int32_t> Panels;
  for (int T = 0; T < 60000 && !Closing(Screen.get()); T += 20) {
    Frame();
    if (Screen->Stopped()) {
      Stops.push_back(Elapsed());
      Full.push_back(Screen->FullStopped());
      Panels.push_back(Screen->GetNextKeyTime());
      ClickOnComic();
    }
  }
  EXPECT_TRUE(Closing(Screen.get()));
  EXPECT_EQ(Stops, (std::vector<int32_t>{3500, 7500, 11500}));
  EXPECT_EQ(Full, (std::vector<bool>{false, false, true}));
  EXPECT_EQ(Panels, (std::vector<int32_t>{4000, 8000, 12000}));
  // The last panel stays on screen while it fades out after the end.
  EXPECT_GE(Elapsed(), Screen->Animation()->TotalTime());
  EXPECT_EQ(Screen->BlackAlpha(), 255); // faded out to black
  EXPECT_TRUE(ResourceErrors.empty());
  EXPECT_EQ(MissingPictures(Screen->Animation()), std::vector<std::string>{});
}

TEST_F(ComixTest, SprayStillFlyingWhenTheComicGoesDiesWithItAndReachesNoOtherSystem) {
  Open("Comix\\HarbourToLighthouse.ani");
  Screen->Animation()->SetElapsedTime(8600); // the swell by the rocks
  for (int I = 0; I < 30; ++I) {
    Frame();
    Screen->DrawTree(); // emitters emit once they have been placed on the screen
  }
  auto* Spray = TryObjectCast<TGCustomParticleEmitter>(ChannelByName(Screen->Animation(), "Spray"));
  ASSERT_TRUE(Spray);
  ASSERT_GT(Spray->ParticleSystem()->Count(), 0);
  const int32_t Heirs = PM->HeirCount();
  TGObjectPtr<TGParticleSystem> Other(new TGParticleSystem(nullptr));
  {
    TGParticleHeirScope Scope(Other.get()); // what another screen might have set up
    Screen.reset();
  }
  EXPECT_EQ(Other->Count(), 0);
  EXPECT_EQ(PM->HeirCount(), Heirs);
}

// --- Shown modally by the application ------------------------------------------------------------

namespace {

// Comics shown modally over a bare application (TModalApp).
class ComixAppTest : public ComixTest, protected TModalApp {
protected:
  void SetUp() override {
    ComixTest::SetUp();
    StartApp("Comix Test", 10000);
  }
  void TearDown() override {
    Screen.reset();
    StopApp();
    ComixTest::TearDown();
  }
};

} // namespace

TEST_F(ComixAppTest, TheDemoComicRunsModallyToItsEnd) {
  Open("Comix\\HarbourToLighthouse.ani", TComixFading::FromScriptValue(2));
  int Clicks = 0;
  OnFrame = [&] {
    if (Screen->Stopped()) {
      App->MouseMove(CentreOf(Screen.get()));
      App->MouseDown(mbLeft);
      App->MouseUp(mbLeft);
      ++Clicks;
    }
  };
  EXPECT_EQ(Screen->ShowModal(), Screen.get());
  EXPECT_FALSE(Program->Loop().Terminated());
  EXPECT_FALSE(Screen->Visible());
  EXPECT_FALSE(Screen->Skipped());
  EXPECT_EQ(Clicks, 3);
  EXPECT_GE(Elapsed(), Screen->Animation()->TotalTime());
  EXPECT_EQ(TheApp->WindowStack(), (std::vector<TGWindow*>{Bottom.get()}));
}

TEST_F(ComixAppTest, SkipEndsTheModalRunAndIsReported) {
  Open("Comix\\HarbourToLighthouse.ani");
  OnFrame = [&] {
    if (Frames == 30) {
      App->MouseMove(CentreOf(Screen->FindWidget("Skip")));
      App->MouseDown(mbLeft);
      App->MouseUp(mbLeft);
    }
  };
  Screen->ShowModal();
  EXPECT_FALSE(Program->Loop().Terminated());
  EXPECT_TRUE(Screen->Skipped());
  EXPECT_LT(Elapsed(), 3500);
}

TEST_F(ComixAppTest, CtrlAndShiftRunTheComicFiveTimesFasterInCheatMode) {
  Open(CPlainURL);
  App->KeyDown(VK_CONTROL);
  App->KeyDown(VK_SHIFT);
  Frame(0.1f);
  EXPECT_EQ(Elapsed(), 100); // no cheats: normal speed
  World.Player->BriefInfo()->PlayerName = "KESTREL_OPS";
  Frame(0.1f);
  EXPECT_EQ(Elapsed(), 600);
  App->KeyUp(VK_SHIFT);
  Frame(0.1f);
  EXPECT_EQ(Elapsed(), 700);
}
