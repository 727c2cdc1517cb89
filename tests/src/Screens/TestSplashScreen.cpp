// The splash screen: the logo order read from "logos\logoconfig.cfg" beside the program (the
// studio's logos without the file, the engine's first when it says so, the studio's again when
// it is damaged); the player's logo state for the splash's life; the end of the logos, a
// missing portal logo's time limit, a click or Escape, and a quit request; missing pieces that
// must not stop the game; the demo's logos played through, modally, created by class.
#include "ComixSplashTest.h"
#include "Screens/USplashScreen.h"
#include "TestProgram.h"
#include "app/UGApp.h"
#include "player/UGameData.h"
#include "player/UPlayer.h"

#include <memory>

namespace {

class SplashTest : public ComixSplashTest {
protected:
  void TearDown() override {
    Splash.reset();
    Data.reset();
    AppIsClosing = false;
    AppCanUnclose = true;
    ComixSplashTest::TearDown();
  }
  TSplashScreen* Open() {
    Splash.reset(New<TSplashScreen>());
    Host.Top = Splash.get();
    return Splash.get();
  }
  // Frames of 20 ms until the splash closes or the time runs out; the time it took.
  int PlayToEnd(int Limit = 30000) {
    int T = 0;
    for (; T < Limit && !Closing(Splash.get()); T += 20) {
      Splash->UpdateTree(0.02f);
    }
    return T;
  }
  void LogoConfig(const std::string& Text) { ProgramFile("logos/logoconfig.cfg", Text); }
  // The program's game data, started in the working folder as the program starts it (the
  // profiles are chosen while no play screen exists).
  void StartGameData() {
    Data.reset(new TGameData(nullptr, Work.Str()));
    SetPlayScreen(nullptr);
    Data->Initialize();
    SetPlayScreen(&World.Screen);
  }

  TGObjectPtr<TSplashScreen> Splash;
  TGObjectPtr<TGameData> Data;
};

} // namespace

// --- The logo order ------------------------------------------------------------------------------

TEST_F(SplashTest, WithoutTheLogoConfigurationTheStudiosLogosPlay) {
  EXPECT_TRUE(TSplashScreen::IsBrindleFirst());
  Open();
  ASSERT_TRUE(Splash->Ani());
  EXPECT_EQ(Splash->Ani()->URL(), TSplashScreen::CFirstLogosURL);
}

TEST_F(SplashTest, TheLogoConfigurationCanPutTheEnginesLogosFirst) {
  LogoConfig("<Logos><Logo IsBrindleFist=\"False\"/><Logo IsBrindleFist=\"True\"/></Logos>");
  EXPECT_FALSE(TSplashScreen::IsBrindleFirst());
  Open();
  ASSERT_TRUE(Splash->Ani());
  EXPECT_EQ(Splash->Ani()->URL(), TSplashScreen::CSecondLogosURL);
}

TEST_F(SplashTest, OnlyTheFirstLogoElementCountsAndItsDefaultIsTheStudioFirst) {
  LogoConfig("<Logos><Logo/><Logo IsBrindleFist=\"False\"/></Logos>");
  EXPECT_TRUE(TSplashScreen::IsBrindleFirst());
  LogoConfig("<Logos><Other IsBrindleFist=\"False\"/></Logos>");
  EXPECT_TRUE(TSplashScreen::IsBrindleFirst());
  LogoConfig("<Logos><Other/><Logo IsBrindleFist=\"False\"/></Logos>");
  EXPECT_FALSE(TSplashScreen::IsBrindleFirst());
}

TEST_F(SplashTest, TheFileIsFoundWhateverTheCaseOfItsName) {
  ProgramFile("Logos/LogoConfig.cfg", "<Logos><Logo IsBrindleFist=\"False\"/></Logos>");
  EXPECT_FALSE(TSplashScreen::IsBrindleFirst());
}

TEST_F(SplashTest, ADamagedLogoConfigurationFallsBackToTheStudiosLogos) {
  LogoConfig("<Logos><Logo IsBrindleFist=\"False\"");
  EXPECT_TRUE(TSplashScreen::IsBrindleFirst());
  LogoConfig("<Logos><Logo IsBrindleFist=\"perhaps\"/></Logos>");
  EXPECT_TRUE(TSplashScreen::IsBrindleFirst());
  std::filesystem::remove(Work.Path() / "logos" / "logoconfig.cfg");
  std::filesystem::create_directories(Work.Path() / "logos" / "logoconfig.cfg");
  EXPECT_TRUE(TSplashScreen::IsBrindleFirst()); // a folder of that name
}

// --- Its life
// --------------------------------------------------------------------------------------

TEST_F(SplashTest, ThePlayerIsInTheLogoStateWhileTheSplashLives) {
  const TGameState Before = World.Player->GameState();
  Open();
  EXPECT_EQ(World.Player->GameState(), gsLogo);
  Splash.reset();
  EXPECT_EQ(World.Player->GameState(), Before);
}

TEST_F(SplashTest, WithoutAPlayerNothingIsPushed) {
  World.Player.reset();
  ASSERT_EQ(CurrentPlayer, nullptr);
  Open();
  Splash.reset(); // nothing to pop
}

TEST_F(SplashTest, ItClosesWhenTheLogosHaveEnded) {
  Open();
  const int32_t Total = Splash->Ani()->TotalTime();
  ASSERT_GT(Total, 2000);
  const int T = PlayToEnd();
  EXPECT_TRUE(Closing(Splash.get()));
  EXPECT_GE(T, Total - 20);
  EXPECT_LE(T, Total + 20);
  EXPECT_GE(Splash->Ani()->ElapsedTime(), Total);
}

TEST_F(SplashTest, AMissingPortalLogoEndsItAfterFourAndAHalfSeconds) {
  Content("gfx/Logos/Logos1.ani",
          Animation(Channel("Long", "X", {0, 10000}, "Logos\\StudioEmblem.png")));
  StartGameData(); // no "logos/portallarge.png" in the program's folder
  ASSERT_TRUE(Data->PortalLogoMissing());
  Open();
  ASSERT_EQ(Splash->Ani()->TotalTime(), 10000);
  const int T = PlayToEnd();
  EXPECT_TRUE(Closing(Splash.get()));
  EXPECT_GE(T, 4480);
  EXPECT_LE(T, 4520);
  Splash.reset();
}

TEST_F(SplashTest, WithThePortalLogoTheLogosPlayToTheirEnd) {
  Content("gfx/Logos/Logos1.ani",
          Animation(Channel("Long", "X", {0, 6000}, "Logos\\StudioEmblem.png")));
  World.Picture("Portal.png", 8, 8, 0xFF203040);
  std::filesystem::create_directories(Work.Path() / "logos");
  std::filesystem::copy_file(World.Folder().Path() / "gfx" / "Portal.png",
                             Work.Path() / "logos" / "portallarge.png");
  StartGameData();
  ASSERT_FALSE(Data->PortalLogoMissing());
  Open();
  EXPECT_GE(PlayToEnd(), 5980);
  Splash.reset();
}

TEST_F(SplashTest, AClickOrEscapeSkipsTheLogos) {
  Open();
  Splash->UpdateTree(0.02f);
  Splash->UpdateTree(0.02f);
  Splash->MouseDown(mbLeft);
  Splash->MouseUp(mbLeft);
  Splash->UpdateTree(0.02f);
  EXPECT_TRUE(Closing(Splash.get()));

  Open();
  Splash->UpdateTree(0.02f);
  Splash->KeyDown(VK_ESCAPE);
  Splash->UpdateTree(0.02f);
  EXPECT_TRUE(Closing(Splash.get()));
}

TEST_F(SplashTest, AQuitRequestEndsTheSplashAndCanNoLongerBeTakenBack) {
  Open();
  Splash->UpdateTree(0.02f);
  AppIsClosing = true;
  Splash->UpdateTree(0.02f);
  EXPECT_FALSE(AppCanUnclose);
  EXPECT_TRUE(Closing(Splash.get()));
  EXPECT_LT(Splash->Ani()->ElapsedTime(), 100); // the logos stopped where they were
}

TEST_F(SplashTest, MissingWindowAndLogosDoNotKeepTheGameFromStarting) {
  World.Stop();
  World.Start(); // the scratch folder only: no "EmptyScreen.win", no logos
  Open();
  EXPECT_EQ(Splash->Ani(), nullptr);
  EXPECT_FLOAT_EQ(Splash->Width(), 800);
  Splash->UpdateTree(0.02f);
  EXPECT_TRUE(Closing(Splash.get()));
  Splash->Draw();
}

// --- The demo's logos
// ------------------------------------------------------------------------------

TEST_F(SplashTest, BothDemoLogoSequencesLoadAndPlayToTheirEnd) {
  for (const char* URL : {TSplashScreen::CFirstLogosURL, TSplashScreen::CSecondLogosURL}) {
    auto* Ani = TryObjectCast<TGAnimation>(World.Library->GetResource(URL));
    ASSERT_TRUE(Ani) << URL;
    EXPECT_EQ(MissingPictures(Ani), std::vector<std::string>{}) << URL;
    // A few seconds, within the portal's limit.
    EXPECT_GE(Ani->TotalTime(), 2000) << URL;
    EXPECT_LE(Ani->TotalTime(), 4500) << URL;
  }
  LogoConfig("<Logos><Logo IsBrindleFist=\"False\"/></Logos>");
  Open();
  const int T = PlayToEnd();
  EXPECT_TRUE(Closing(Splash.get()));
  EXPECT_LT(T, 30000);
  EXPECT_TRUE(ResourceErrors.empty());
  Splash->DrawTree();
}

namespace {

// The splash shown modally over a bare application (TModalApp).
class SplashAppTest : public SplashTest, protected TModalApp {
protected:
  void SetUp() override {
    SplashTest::SetUp();
    StartApp("Splash Test", 5000);
  }
  void TearDown() override {
    StopApp();
    SplashTest::TearDown();
  }
};

} // namespace

TEST_F(SplashAppTest, CreatedByItsClassItRunsModallyUntilTheLogosEnd) {
  const TGameState Before = World.Player->GameState();
  TGWidget::CreateShowAndFree(TSplashScreen::StaticClass());
  EXPECT_FALSE(Program->Loop().Terminated());
  EXPECT_GT(Frames, 100); // the logos' few seconds
  EXPECT_EQ(World.Player->GameState(), Before);
  EXPECT_EQ(TheApp->WindowStack(), (std::vector<TGWindow*>{Bottom.get()}));
  EXPECT_TRUE(ResourceErrors.empty());
}

TEST_F(SplashAppTest, AQuitRequestDuringTheSplashEndsTheProgram) {
  Program->Loop().OnIdle = [this](bool& Done) {
    Done = false;
    if (++Frames == 10) {
      AppIsClosing = true;
    }
    Tick += 20;
    bool Drawn = false;
    App->Draw(Tick, Drawn);
  };
  TGWidget::CreateShowAndFree(TSplashScreen::StaticClass());
  EXPECT_TRUE(Program->Loop().Terminated());
  EXPECT_FALSE(AppCanUnclose);
  EXPECT_LT(Frames, 20);
}
