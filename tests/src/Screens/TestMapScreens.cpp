// The story map and the unlimited mode's map over the demo content, in the test process: a blank
// profile in a scratch folder, frames of 20 ms and the mouse of a host of the test's own. The
// unlimited map's replay and its result screen are recorded instead of run.
#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "Screens/UGameInterface.h"
#include "Screens/UMapScreen.h"
#include "Screens/UMapUnlimHOScreen.h"
#include "TempDir.h"
#include "TestWindowHost.h"
#include "animation/UGAnimation.h"
#include "animation/UGChannel.h"
#include "animation/UGLivePicture.h"
#include "animation/UGLiveText.h"
#include "animation/UGVarSeq.h"
#include "app/UGApp.h"
#include "drawables/UGSymbol.h"
#include "io/UGNativeFileSystem.h"
#include "io/UGStream.h"
#include "player/UCollections.h"
#include "player/UPlayer.h"
#include "resources/UGLangDictionary.h"
#include "widgets/UGButton.h"
#include "widgets/UGLabel.h"
#include "widgets/UGPicture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

// A play screen that remembers being asked to leave the game.
class TExitRecordingScreen : public TRecordingPlayScreen {
public:
  void ExitGame() override { Exited = true; }
  bool Exited = false;
};

// The unlimited map with its replay and result screen recorded: OnPlay stands for the run.
class TRecordingUnlimMap : public TMapUnlimHOScreen {
  G_CLASS(TRecordingUnlimMap, TMapUnlimHOScreen)
  explicit TRecordingUnlimMap(TGObject* AOwner = nullptr)
      : TMapUnlimHOScreen(AOwner) {}

  struct TResult {
    int32_t Time;
    int32_t Score;
    std::string Title;
    bool IsRecord;
  };
  std::function<void(TBriefPlayerInfo&)> OnPlay;
  std::vector<TResult> Results;

protected:
  void PlayLocation() override {
    if (OnPlay) {
      OnPlay(*CurrentPlayer->BriefInfo());
    }
  }
  void ShowResult(int32_t Time, int32_t Score, const std::string& Title, bool IsRecord) override {
    Results.push_back({Time, Score, Title, IsRecord});
  }
};
G_IMPLEMENT_CLASS(TRecordingUnlimMap)

class MapScreenTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    World.Start(HOE_CONTENT, false);
    Player.reset(TPlayer::CreateBlank(nullptr, "Ada", Profiles.Str()));
    ASSERT_EQ(CurrentPlayer, Player.get());
    AppIsClosing = false;
    AppCanUnclose = true;
  }
  void TearDown() override {
    Map.reset();
    Unlim.reset();
    Player.reset();
    World.Stop();
    AppIsClosing = false;
    AppCanUnclose = true;
    THeadlessSceneTest::TearDown();
  }
  // Scratch files written by the test, read before the demo's.
  void UseScratchContent() {
    World.Library->Load(new TGNativeFileSystem(nullptr, World.Folder().Str()), nullptr, rdtCurrent,
                        0);
  }

  void Open() {
    Map.reset(New<TMapScreen>());
    Host.Top = Map.get();
  }
  void Play(int Milliseconds) {
    for (int T = 0; T < Milliseconds; T += 20) {
      Map->UpdateTree(0.02f);
    }
  }
  TGWidget* W(const std::string& Path) {
    TGWidget* Widget = Map->FindWidget(Path);
    EXPECT_TRUE(Widget) << Path;
    return Widget;
  }
  bool Shown(const std::string& Path) {
    TGWidget* Widget = W(Path);
    return Widget && Widget->Visible();
  }
  TGAnimation* Shows(const std::string& Path) {
    auto* P = ObjectCast<TGPicture>(W(Path));
    return TryObjectCast<TGAnimation>(P->Picture()->Instance());
  }
  // The mouse on a point of the widget (fractions of its size), resting there.
  void PointAt(const std::string& Path, float FX = 0.5f, float FY = 0.5f) {
    const TGRectFloat R = W(Path)->ScreenRect();
    Host.Mouse = {static_cast<int>(R.Left + (R.Right - R.Left) * FX),
                  static_cast<int>(R.Top + (R.Bottom - R.Top) * FY)};
    Map->MouseMove();
  }
  std::string HintText() {
    auto* Hint = ObjectCast<TGPicture>(W("ToolHint"));
    auto* A = ObjectCast<TGAnimation>(Hint->Picture()->Instance());
    return ObjectCast<TGLiveText>(A->Channels(1))->Data()->Value(0).ToString();
  }
  int32_t HintState() { return Map->ToolHintMachine()->ToolHintState(); }
  // Fades in fully.
  void OpenAndFadeIn() {
    Open();
    Play(500);
    ASSERT_EQ(Map->FadingState(), 0);
  }

  TTempDir Profiles{"hoe-map-screens"};
  TLocationWorld World;
  TGObjectPtr<TPlayer> Player;
  TTestWindowHost Host;
  TGObjectPtr<TMapScreen> Map;
  TGObjectPtr<TRecordingUnlimMap> Unlim;
};

// --- The story map: chapters -------------------------------------------------------------------

TEST_F(MapScreenTest, AChapterMovingToItsEndPlaysItsFlightOnceAndIsFinished) {
  Player->ChapterStates[2] = csMovingTo;
  Open();
  EXPECT_EQ(Player->GameState(), gsMapScreen);
  EXPECT_EQ(Player->ChapterStates[2], csFinished);
  EXPECT_TRUE(Shown("GreenlandFly"));
  ASSERT_TRUE(Map->CurrentAnimation());
  EXPECT_EQ(Map->CurrentAnimation(), Shows("GreenlandFly"));
  EXPECT_EQ(Map->CurrentAnimation()->ElapsedTime(), 0);
  EXPECT_FALSE(Shown("AlaskaFly"));
  EXPECT_FALSE(Shown("Greenland\\Issue"));
  EXPECT_TRUE(Shown("Greenland\\Point"));

  Map.reset();
  EXPECT_EQ(Player->GameState(), gsMainMenu);
  Open();
  EXPECT_FALSE(Shown("GreenlandFly"));
  EXPECT_FALSE(Map->CurrentAnimation());
  EXPECT_TRUE(Shown("Heart\\VialGreenland"));
}

TEST_F(MapScreenTest, OfTwoChaptersFinishedAtOnceTheLaterTurnsTheToothAndPlays) {
  Player->ChapterStates[4] = csMovingTo; // 180 degrees
  Player->ChapterStates[5] = csMovingTo; // -90 degrees
  Open();
  EXPECT_TRUE(Shown("MoroccoFly"));
  EXPECT_TRUE(Shown("AlexandriaFly"));
  EXPECT_EQ(Map->CurrentAnimation(), Shows("AlexandriaFly"));

  auto* Tooth = ObjectCast<TGPicture>(W("Heart\\tooth"));
  auto* Source = ObjectCast<TGAnimation>(World.Library->GetResource(TMapScreen::CToothURL));
  auto* Turned = ObjectCast<TGAnimation>(Tooth->Gfx());
  ASSERT_NE(Turned, Source);
  EXPECT_EQ(Turned->Owner(), Tooth);
  // Only the later clone is left.
  int Clones = 0;
  for (TGObject* Obj : Tooth->GetObjects()) {
    Clones += TryObjectCast<TGAnimation>(Obj) ? 1 : 0;
  }
  EXPECT_EQ(Clones, 1);
  ASSERT_EQ(Turned->Count(), Source->Count());
  for (int32_t C = 0; C < Source->Count(); ++C) {
    TGRealEnv* From = ObjectCast<TGMovie>(Source->Channels(C))->Angle();
    TGRealEnv* To = ObjectCast<TGMovie>(Turned->Channels(C))->Angle();
    ASSERT_EQ(To->Count(), From->Count());
    ASSERT_GT(From->Count(), 1);
    for (int K = 0; K < From->Count(); ++K) {
      EXPECT_EQ(To->Terms(K).Time, From->Terms(K).Time);
      EXPECT_FLOAT_EQ(To->Terms(K).Value.ToSingle(), From->Terms(K).Value.ToSingle() - 180) << K;
    }
  }
  // The library's tooth is left as it was.
  EXPECT_FLOAT_EQ(ObjectCast<TGMovie>(Source->Channels(0))->Angle()->Terms(0).Value.ToSingle(), 40);
}

TEST_F(MapScreenTest, VialsMarksAndPlatesFollowTheChapterStates) {
  Player->MirelAvail = false;
  Player->ChapterStates[1] = csFinished; // Australia
  Player->ChapterStates[5] = csFinished; // Alexandria
  Open();
  EXPECT_FALSE(Shown("Heart\\VialAlaska"));
  EXPECT_FALSE(Shown("Heart\\VialAlaska2"));
  EXPECT_TRUE(Shown("Alaska\\Issue"));
  for (const char* Part : {"\\LabelBack", "\\Icon", "\\Point"}) {
    EXPECT_FALSE(Shown(std::string("Alaska") + Part)) << Part;
    EXPECT_TRUE(Shown(std::string("Australia") + Part)) << Part;
  }
  EXPECT_TRUE(Shown("Heart\\VialAustralia"));
  EXPECT_FALSE(Shown("Australia\\Issue"));
  EXPECT_FALSE(Shown("AustraliaFly"));
  EXPECT_FALSE(W("AustraliaFly")->UpdateWhenInvisible());
  // New York's place is always known; Morocco's boat and second mark follow Alexandria.
  EXPECT_FALSE(Shown("NewYork\\Issue"));
  EXPECT_TRUE(Shown("NewYork\\Icon"));
  EXPECT_TRUE(Shown("Morocco\\Boat"));
  EXPECT_TRUE(Shown("Morocco\\Point2"));
  EXPECT_FALSE(Shown("Morocco\\Issue2"));
  EXPECT_TRUE(Shown("Morocco\\Issue"));

  Map.reset();
  Player->MirelAvail = true;
  Player->ChapterStates[5] = csNone;
  Open();
  EXPECT_TRUE(Shown("Heart\\VialAlaska2"));
  EXPECT_FALSE(Shown("Heart\\VialAlaska"));
  EXPECT_FALSE(Shown("Morocco\\Boat"));
  EXPECT_TRUE(Shown("Morocco\\Issue2"));
}

TEST_F(MapScreenTest, AWindowFileWithoutTheDeviceStillShowsAndFinishesTheChapter) {
  World.File("win/MapScreen.win", "<Widget ClassName=\"TGWindow\" Name=\"MapScreen\" Left=\"0\" "
                                  "Top=\"0\" Width=\"800\" Height=\"600\"/>");
  UseScratchContent();
  Player->ChapterStates[0] = csMovingTo;
  Open();
  EXPECT_EQ(Player->ChapterStates[0], csFinished);
  EXPECT_FALSE(Map->CurrentAnimation());
  Play(600);
  EXPECT_EQ(Map->FadingState(), 0);
}

// --- The story map: the tool hint --------------------------------------------------------------

TEST_F(MapScreenTest, AVialNamesItsSenseAfterTheMouseRestsAndAMoveHidesIt) {
  Player->ChapterStates[6] = csFinished;
  OpenAndFadeIn();
  PointAt("Heart\\VialCongo", 0.5f, 0.75f);
  Play(400);
  EXPECT_FALSE(Map->MouseOverWidget());
  Play(200);
  EXPECT_EQ(Map->MouseOverWidget(), W("Heart\\VialCongo"));
  EXPECT_EQ(HintText(), "$Monkey$\r\n$Sense of Touch$");
  EXPECT_EQ(HintState(), TGameInterface::thsWaiting);
  Play(400);
  EXPECT_EQ(HintState(), TGameInterface::thsWaiting);
  Play(500);
  EXPECT_EQ(HintState(), TGameInterface::thsShown);
  EXPECT_EQ(W("ToolHint")->Color().A, 255);
  EXPECT_TRUE(Shown("ToolHint"));

  // A small move inside the vial hides the hint; resting again brings it back.
  Host.Mouse.X += 1;
  Play(20);
  EXPECT_EQ(HintState(), TGameInterface::thsFadingOut);
  Play(400);
  EXPECT_EQ(HintState(), TGameInterface::thsHidden);
  Play(1500);
  EXPECT_EQ(HintState(), TGameInterface::thsShown);
  EXPECT_EQ(HintText(), "$Monkey$\r\n$Sense of Touch$");
}

TEST_F(MapScreenTest, TheLairsVialAndTheDeviceHaveTheirCaptions) {
  Player->ChapterStates[7] = csFinished;
  OpenAndFadeIn();
  PointAt("Heart\\VialVelgrathLair", 0.5f, 0.75f);
  Play(2000);
  EXPECT_EQ(HintState(), TGameInterface::thsShown);
  EXPECT_EQ(HintText(), "$Unknown$");
  // On to the device's face: the hint cross-fades to its name.
  PointAt("Heart", 0.5f, 0.3f);
  Play(2000);
  EXPECT_EQ(Map->MouseOverWidget(), W("Heart"));
  EXPECT_EQ(HintText(), "$Harmonic Senses Device$");
  EXPECT_EQ(HintState(), TGameInterface::thsShown);
  // A hidden vial is not named: the device behind it is.
  EXPECT_EQ(Map->ToolAt(Host.Mouse), W("Heart"));
  EXPECT_EQ(TMapScreen::GetToolCaption("VialAlexandria"), "$Owl$\r\n$Sense of Sight$");
}

TEST_F(MapScreenTest, AHiddenVialIsNotNamed) {
  OpenAndFadeIn();
  ASSERT_FALSE(Shown("Heart\\VialCongo"));
  const TGRectFloat R = W("Heart\\VialCongo")->ScreenRect();
  const TGPoint P{static_cast<int>((R.Left + R.Right) / 2),
                  static_cast<int>(R.Top + (R.Bottom - R.Top) * 0.75f)};
  EXPECT_NE(Map->ToolAt(P), W("Heart\\VialCongo"));
}

// --- The story map: fading, buttons, activation, quitting --------------------------------------

TEST_F(MapScreenTest, FadesInFromBlackWithTheWidgetsStillUntilHalfWay) {
  Player->ChapterStates[3] = csMovingTo;
  Open();
  EXPECT_EQ(Map->FadingState(), 1);
  EXPECT_EQ(Map->BlackAlpha(), 255);
  Play(80); // 56: the widgets get no time yet
  EXPECT_NEAR(Map->FadeValue(), 56, 0.01);
  EXPECT_EQ(Map->CurrentAnimation()->ElapsedTime(), 0);
  EXPECT_EQ(Map->BlackAlpha(), 199);
  Play(40);
  EXPECT_GT(Map->CurrentAnimation()->ElapsedTime(), 0);
  Play(260); // 266: clear
  EXPECT_EQ(Map->FadingState(), 0);
  EXPECT_EQ(Map->BlackAlpha(), 0);
}

TEST_F(MapScreenTest, ContinueFadesOutAndHidesBelowMinusTwenty) {
  OpenAndFadeIn();
  W("BtnContinue")->Click();
  EXPECT_EQ(Map->FadingState(), -1);
  const float Start = Map->FadeValue();
  // Down to just above -20: still shown.
  const int Frames = static_cast<int>(std::floor((Start + 20) / 14));
  Play(Frames * 20);
  EXPECT_GT(Map->FadeValue(), -20);
  EXPECT_TRUE(Map->Visible());
  EXPECT_EQ(Map->BlackAlpha(), 255);
  Play(20);
  EXPECT_LT(Map->FadeValue(), -20);
  EXPECT_TRUE(!Map->Visible() || Map->State() == wsHiding);
}

TEST_F(MapScreenTest, MenuFadesOutAndLeavesTheGame) {
  TExitRecordingScreen Screen;
  SetPlayScreen(&Screen);
  OpenAndFadeIn();
  W("BtnMenu")->Click();
  EXPECT_TRUE(Screen.Exited);
  EXPECT_EQ(Map->FadingState(), -1);
  Play(600);
  EXPECT_TRUE(!Map->Visible() || Map->State() == wsHiding);
  SetPlayScreen(&World.Screen);
}

TEST_F(MapScreenTest, NothingMovesWhileTheProgramIsInTheBackground) {
  Open();
  Play(100);
  const float Fade = Map->FadeValue();
  Map->ApplicationDeactivate();
  EXPECT_TRUE(Map->Paused());
  Play(200);
  EXPECT_FLOAT_EQ(Map->FadeValue(), Fade);
  Map->ApplicationActivate();
  EXPECT_FALSE(Map->Paused());
  Play(20);
  EXPECT_GT(Map->FadeValue(), Fade);
}

TEST_F(MapScreenTest, AConfirmedQuitHidesTheMap) {
  OpenAndFadeIn();
  AppIsClosing = true;
  AppCanUnclose = false; // answered already
  Play(20);
  EXPECT_TRUE(!Map->Visible() || Map->State() == wsHiding);
}

// --- The unlimited mode's map -------------------------------------------------------------------

class UnlimMapTest : public MapScreenTest {
protected:
  void OpenUnlim() {
    Unlim.reset(New<TRecordingUnlimMap>());
    Host.Top = Unlim.get();
  }
  TGWidget* U(const std::string& Path) {
    TGWidget* Widget = Unlim->FindWidget(Path);
    EXPECT_TRUE(Widget) << Path;
    return Widget;
  }
  std::string Text(const std::string& Path) { return ObjectCast<TGLabel>(U(Path))->Data(); }
  // The URL of the picture keyed first in the "Loc" channel of the button's state graphic.
  static std::string LocPicture(TGButton* B, TGButtonState S) {
    auto* A = ObjectCast<TGAnimation>(B->Gfx(S));
    for (int32_t I = 0; I < A->Count(); ++I) {
      auto* P = TryObjectCast<TGLivePicture>(A->Channels(I));
      if (P && P->Caption() == "Loc") {
        TGResource* R = P->Gfx()->GetResValue(P->Gfx()->Terms(0).Time);
        return R ? R->URL() : "";
      }
    }
    return "";
  }
  TPlayerStatistics* Stats() { return Player->BriefInfo()->PlayerStatistics(); }
  // A brief information a story in progress would have.
  void SetStory() {
    TBriefPlayerInfo* B = Player->BriefInfo();
    B->HintsCount = 3;
    B->LocationURL = "Lighthouse.loc";
    B->ChapterTime = 1500;
    B->ChapterScore = 40;
    B->Score = 900;
  }
  void ExpectStory() {
    TBriefPlayerInfo* B = Player->BriefInfo();
    EXPECT_EQ(B->HintsCount, 3);
    EXPECT_EQ(B->LocationURL, "Lighthouse.loc");
    EXPECT_FLOAT_EQ(B->ChapterTime, 1500);
    EXPECT_EQ(B->ChapterScore, 40);
    EXPECT_EQ(B->Score, 900);
    EXPECT_FALSE(B->UnlimLocationComplete);
  }
  bool Closing() { return !Unlim->Visible() || Unlim->FadeState() == fwsFadeOut; }
};

TEST_F(UnlimMapTest, TheDemoPageShowsEachLocationsShotNameAndRecords) {
  Stats()->AddUnlimited("Harbour.loc", 125, 1500);
  OpenUnlim();
  EXPECT_EQ(Unlim->PageCount(), 1);
  EXPECT_FALSE(U("BtnLeft")->Visible());
  EXPECT_FALSE(U("BtnRight")->Visible());
  EXPECT_EQ(Text("PageNum"), "Page 1");

  auto* Harbour = ObjectCast<TGButton>(U("Locations\\Page1\\Btn01"));
  auto* Lighthouse = ObjectCast<TGButton>(U("Locations\\Page1\\Btn02"));
  EXPECT_EQ(TMapUnlimHOScreen::WidgetToLocURL(Harbour), "Harbour.loc");
  for (TGButtonState S : {bsUp, bsOver, bsDown}) {
    EXPECT_EQ(Harbour->Gfx(S)->Owner(), Harbour) << S;
    EXPECT_EQ(LocPicture(Harbour, S), "UI\\MapScreen\\LocShots\\0arbour.png") << S;
    EXPECT_EQ(LocPicture(Lighthouse, S), "UI\\MapScreen\\LocShots\\0ighthouse.png") << S;
  }
  // The disabled look is not a location picture and stays the library's.
  EXPECT_NE(Harbour->Gfx(bsDisabled)->Owner(), Harbour);
  EXPECT_EQ(Text("Locations\\Page1\\Btn01\\LocName"), "$HarbourCaption$");
  EXPECT_EQ(Text("Locations\\Page1\\Btn02\\LocName"), "$LighthouseCaption$");
  const std::string Records = Text("Locations\\Page1\\Btn01\\Records");
  EXPECT_NE(Records.find("2:05"), std::string::npos) << Records;
  EXPECT_NE(Records.find("\r\n"), std::string::npos) << Records;
  EXPECT_NE(Text("Locations\\Page1\\Btn02\\Records").find("-"), std::string::npos);

  // Labelled a second time, a button keeps its own clones.
  TGGraphic* Clone = Harbour->Gfx(bsUp);
  Unlim->UpdateLabels();
  EXPECT_EQ(Harbour->Gfx(bsUp), Clone);
}

TEST_F(UnlimMapTest, ThreePagesTurnWithTheArrows) {
  // A widget element of the class and name at 0, 0 (the size given), holding Inner.
  auto Widget = [](const std::string& Class, const std::string& Name, const std::string& Inner,
                   const std::string& More = "") {
    return "<Widget ClassName=\"" + Class + "\" Name=\"" + Name +
           "\" Left=\"0\" Top=\"0\" Width=\"100\" Height=\"100\" " + More + ">" + Inner +
           "</Widget>";
  };
  std::string Pages;
  for (int P = 1; P <= 3; ++P) {
    // The middle page has only its third button.
    Pages += Widget("TGWidget", "P" + std::to_string(P),
                    Widget("TGButton", P == 2 ? "Btn03" : "Btn01",
                           Widget("TGLabel", "LocURL", "Harbour"),
                           "UpGfxURL=\"UI\\MapScreen\\LocButtonUp.ani\""));
  }
  World.File("win/MapUnlimHO.win",
             Widget("TGWindow", "M",
                    Widget("TGWidget", "Locations", Pages) + Widget("TGButton", "BtnLeft", "") +
                        Widget("TGButton", "BtnRight", "") + Widget("TGLabel", "PageNum", "")));
  UseScratchContent();
  OpenUnlim();
  ASSERT_EQ(Unlim->PageCount(), 3);
  EXPECT_EQ(Unlim->LocationButtons().size(), 3u);
  EXPECT_TRUE(U("Locations\\P2\\Btn03")->OnClick);
  auto Expect = [this](int Page, bool Left, bool Right) {
    EXPECT_EQ(Unlim->PageIdx(), Page);
    EXPECT_EQ(Text("PageNum"), "Page " + std::to_string(Page + 1));
    EXPECT_EQ(U("BtnLeft")->Visible(), Left) << Page;
    EXPECT_EQ(U("BtnRight")->Visible(), Right) << Page;
    for (int P = 0; P < 3; ++P) {
      EXPECT_EQ(U("Locations\\P" + std::to_string(P + 1))->Visible(), P == Page) << P;
    }
  };
  Expect(0, false, true);
  U("BtnRight")->Click();
  Expect(1, true, true);
  U("BtnRight")->Click();
  Expect(2, true, false);
  Unlim->ShowPage(3); // past the last page: nothing changes
  Expect(2, true, false);
  U("BtnLeft")->Click();
  Expect(1, true, true);
}

TEST_F(UnlimMapTest, AReplayFasterThanTheRecordIsARecordAndLeavesTheStoryAsItWas) {
  Stats()->AddUnlimited("Harbour.loc", 200, 300);
  SetStory();
  OpenUnlim();
  Unlim->OnPlay = [](TBriefPlayerInfo& B) {
    EXPECT_EQ(B.HintsCount, 1);
    EXPECT_EQ(B.LocationURL, "Harbour.loc");
    EXPECT_FLOAT_EQ(B.ChapterTime, 0);
    EXPECT_EQ(B.ChapterScore, 0);
    EXPECT_EQ(B.Score, 0);
    EXPECT_FALSE(B.UnlimLocationComplete);
    B.ChapterTime = 95.6f;
    B.ChapterScore = 700;
    B.Score = 700;
    B.HintsCount = 0;
    B.UnlimLocationComplete = true;
  };
  U("Locations\\Page1\\Btn01")->Click();
  ASSERT_EQ(Unlim->Results.size(), 1u);
  EXPECT_EQ(Unlim->Results[0].Time, 96);
  EXPECT_EQ(Unlim->Results[0].Score, 700);
  EXPECT_EQ(Unlim->Results[0].Title, "$HarbourCaption$");
  EXPECT_TRUE(Unlim->Results[0].IsRecord);
  EXPECT_FLOAT_EQ(Stats()->GetUnlimBestTimeInSec("Harbour.loc"), 95.6f);
  EXPECT_NE(Text("Locations\\Page1\\Btn01\\Records").find("700"), std::string::npos);
  ExpectStory();
  EXPECT_FALSE(Closing());

  // The profile's file holds the story and the new record.
  TGObjectPtr<TPlayer> OnDisk(TPlayer::CreateFromProfile(nullptr, Player->ProfileFileName()));
  EXPECT_EQ(OnDisk->BriefInfo()->LocationURL, "Lighthouse.loc");
  EXPECT_EQ(OnDisk->BriefInfo()->Score, 900);
  EXPECT_FLOAT_EQ(OnDisk->BriefInfo()->PlayerStatistics()->GetUnlimBestTimeInSec("Harbour.loc"),
                  95.6f);
}

TEST_F(UnlimMapTest, ASlowerReplayIsNoRecordButKeepsTheBetterScore) {
  Stats()->AddUnlimited("Lighthouse.loc", 60, 300);
  SetStory();
  OpenUnlim();
  Unlim->OnPlay = [](TBriefPlayerInfo& B) {
    B.ChapterTime = 80;
    B.ChapterScore = 500;
    B.UnlimLocationComplete = true;
  };
  U("Locations\\Page1\\Btn02")->Click();
  ASSERT_EQ(Unlim->Results.size(), 1u);
  EXPECT_FALSE(Unlim->Results[0].IsRecord);
  EXPECT_EQ(Unlim->Results[0].Title, "$LighthouseCaption$");
  EXPECT_FLOAT_EQ(Stats()->GetUnlimBestTimeInSec("Lighthouse.loc"), 60);
  ExpectStory();
}

TEST_F(UnlimMapTest, LeavingAReplayUnfinishedClosesTheMapAndChangesNoRecord) {
  SetStory();
  OpenUnlim();
  Unlim->OnPlay = [](TBriefPlayerInfo& B) { B.ChapterTime = 30; };
  U("Locations\\Page1\\Btn01")->Click();
  EXPECT_TRUE(Unlim->Results.empty());
  EXPECT_TRUE(Stats()->Records().empty());
  ExpectStory();
  EXPECT_TRUE(Closing());
}

TEST_F(UnlimMapTest, BackClosesTheMap) {
  OpenUnlim();
  U("BtnBack")->Click();
  EXPECT_TRUE(Closing());
}

TEST_F(UnlimMapTest, TheShotOfALocationReplacesItsFirstLetterAndDropsTheExtension) {
  EXPECT_EQ(TMapUnlimHOScreen::LocShotURL("Harbour.loc"), "UI\\MapScreen\\LocShots\\0arbour.png");
  EXPECT_EQ(TMapUnlimHOScreen::GetLocCaption("Missing.loc"), "");
  EXPECT_EQ(TMapUnlimHOScreen::WidgetToLocURL(nullptr), "");
}

// --- The demo's texts ---------------------------------------------------------------------------

// The dictionary keys a text names ("$Key$").
void CollectKeys(const std::string& Text, std::set<std::string>& Keys) {
  for (size_t Open = Text.find('$'); Open != std::string::npos;) {
    const size_t Close = Text.find('$', Open + 1);
    if (Close == std::string::npos) {
      break;
    }
    Keys.insert(Text.substr(Open + 1, Close - Open - 1));
    Open = Text.find('$', Close + 1);
  }
}

void CollectWidgetKeys(const TGWidget* W, std::set<std::string>& Keys) {
  if (auto* L = TryObjectCast<TGLabel>(W)) {
    CollectKeys(L->Data(), Keys);
  } else if (auto* B = TryObjectCast<TGButton>(W)) {
    CollectKeys(B->Caption(), Keys);
  }
  for (const TGWidget* Child : W->Children()) {
    CollectWidgetKeys(Child, Keys);
  }
}

TEST_F(UnlimMapTest, EveryTextOfTheMapsIsInTheDictionary) {
  TGObjectPtr<TGLangDictionary> Dictionary(new TGLangDictionary(nullptr));
  TGFileStream Csv(std::string(HOE_CONTENT) + "/Dictionary.csv", fmOpenRead);
  Dictionary->Load(Csv);
  std::set<std::string> Known;
  for (int I = 0; I < Dictionary->GetCount(); ++I) {
    Known.insert(Dictionary->GetKey(I));
  }
  std::set<std::string> Keys;
  Open();
  OpenUnlim();
  CollectWidgetKeys(Map.get(), Keys);
  CollectWidgetKeys(Unlim.get(), Keys);
  for (const char* Tool : TMapScreen::CToolsName) {
    const std::string Path = Tool;
    CollectKeys(TMapScreen::GetToolCaption(Path.substr(Path.rfind('\\') + 1)), Keys);
  }
  CollectKeys(TMapScreen::GetToolCaption("Other"), Keys);
  CollectKeys("$Page %d$$Record Score: %s$$Record Time: %s$", Keys);
  EXPECT_GE(Keys.size(), 25u);
  for (const std::string& Key : Keys) {
    EXPECT_TRUE(Known.count(Key)) << Key;
  }
}

} // namespace
