// The profile list at start-up (finding, deleting the corrupted, choosing the latest), the
// menus' operations on it, the high-score table, the per-profile records, and the operations
// scripts call on the player.
#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "base/UGDateTime.h"
#include "base/UGStrUtils.h"
#include "io/UGFileUtils.h"
#include "locations/ULocation.h"
#include "player/UCollections.h"
#include "player/UGameData.h"
#include "player/UHighScores.h"
#include "player/UPlayer.h"
#include "player/UProfileFiles.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// A clock that moves only when told: profiles saved "later" are later.
struct TFakeClock {
  TFakeClock() {
    SetDateTimeSource([this] { return Now; });
  }
  ~TFakeClock() { SetDateTimeSource(nullptr); }
  TGDateTime Now = EncodeDateTime(2026, 12, 10, 9, 0, 0);
  void Advance(double Days) { Now += Days; }
};

class GameDataTest : public ::testing::Test {
protected:
  void SetUp() override { MakeData(); }
  void TearDown() override { Data.reset(); }
  void MakeData() {
    Data.reset();
    Data.reset(new TGameData(nullptr, Dir.Str()));
  }
  std::string Profiles() { return Data->GetProfilesFolder(); }
  // A profile written as the game writes it, then forgotten.
  std::string Written(const std::string& Name) {
    TGObjectPtr<TPlayer> P(TPlayer::CreateBlank(nullptr, Name, Profiles()));
    Clock.Advance(1);
    return P->ProfileFileName();
  }

  TFakeClock Clock;
  TTempDir Dir{"hoe-gamedata"};
  TGObjectPtr<TGameData> Data;
};

std::vector<std::string> Names(const TGameData& D) {
  std::vector<std::string> Out;
  for (int I = 0; I < D.Players()->GetCount(); ++I) {
    Out.push_back(D.Players()->Items(I)->Name());
  }
  return Out;
}

} // namespace

TEST_F(GameDataTest, TheFirstStartMakesTheDefaultProfileAndSelectsIt) {
  Data->Initialize();
  ASSERT_EQ(Data->Players()->GetCount(), 1);
  TPlayer* P = Data->GetCurrentPlayer();
  ASSERT_TRUE(P);
  EXPECT_EQ(CurrentPlayer, P);
  EXPECT_TRUE(P->DefaultProfile());
  EXPECT_EQ(P->Name(), "Zarnika");
  EXPECT_TRUE(fs::exists(Profiles() + "/Profile01.plr"));
  EXPECT_EQ(fs::file_size(Profiles() + "/Profile01.csm"), 4u);
  EXPECT_EQ(Data->DeletedProfiles(), 0);
}

// Names are compared in lower case but opened as they are; foreign files and gaps in the
// numbering are no trouble; the corrupted go (checksum missing, archive cut short), the rest
// stay; the one saved last is current whatever the order of creation.
TEST_F(GameDataTest, TheScanFindsProfilesByNameAndDeletesOnlyTheCorrupted) {
  const std::string First = Written("Ada");
  const std::string Second = Written("Bo");
  const std::string Third = Written("Cy");
  const std::string Fourth = Written("Di");
  RenameFile(Third, Profiles() + "/PROFILE07.PLR");
  RenameFile(ChangeFileExt(Third, ".csm"), Profiles() + "/PROFILE07.CSM");
  WriteFile(Profiles() + "/myprofile.plr", "not a profile");
  WriteFile(Profiles() + "/Profile09.txt", "notes");
  fs::remove(ChangeFileExt(Second, ".csm"));
  const std::string Cut = ReadFile(Fourth);
  WriteFile(Fourth, Cut.substr(0, Cut.size() / 2));
  {
    // Ada played last.
    TGObjectPtr<TPlayer> A(TPlayer::CreateFromProfile(nullptr, First));
    Clock.Advance(5);
    A->SaveBriefInfo();
  }
  MakeData();
  Data->Initialize();
  EXPECT_EQ(Names(*Data), (std::vector<std::string>{"Ada", "Cy"}));
  EXPECT_EQ(Data->DeletedProfiles(), 2);
  EXPECT_EQ(Data->GetCurrentPlayer()->Name(), "Ada");
  EXPECT_FALSE(fs::exists(Second));
  EXPECT_FALSE(fs::exists(Fourth));
  EXPECT_FALSE(fs::exists(ChangeFileExt(Fourth, ".csm")));
  EXPECT_TRUE(fs::exists(Profiles() + "/PROFILE07.PLR"));
  EXPECT_TRUE(fs::exists(Profiles() + "/myprofile.plr"));
  // A new profile takes the first free number.
  EXPECT_EQ(ExtractFileName(Data->CreateNewPlayer("Ed")->ProfileFileName()), "Profile02.plr");
  EXPECT_THROW(Data->CreateNewPlayer(""), EGException);
}

// A profile whose checksum matches is what the game wrote: even when it cannot be read it is
// never deleted.
TEST_F(GameDataTest, AnUnreadableProfileThatMatchesItsChecksumIsKept) {
  const std::string File = Written("Ada");
  TProfileFiles(File).Write({{"Brief.cfg", "<BriefPlayerInfo PlayerName=\"Ada\"/>"}}, nullptr);
  MakeData();
  Data->Initialize();
  EXPECT_TRUE(fs::exists(File));
  EXPECT_EQ(Data->DeletedProfiles(), 0);
  EXPECT_EQ(Names(*Data), std::vector<std::string>{"Zarnika"});
}

// "NoLoadProfile" leaves the profiles on the disk unread: a new default profile, in a window.
TEST_F(GameDataTest, WithoutLoadingProfilesANewDefaultOneIsMade) {
  Written("Ada");
  TTempDir Work("hoe-flags");
  fs::create_directories(Work.Path() / "configs");
  WriteFile(Work.File("configs/NoLoadProfile.cnf"), "");
  const fs::path Was = fs::current_path();
  fs::current_path(Work.Path());
  MakeData();
  Data->Initialize();
  fs::current_path(Was);
  EXPECT_EQ(Names(*Data), std::vector<std::string>{"Zarnika"});
  EXPECT_EQ(ExtractFileName(Data->GetCurrentPlayer()->ProfileFileName()), "Profile02.plr");
  EXPECT_FALSE(Data->GetCurrentPlayer()->FullScreen());
}

TEST_F(GameDataTest, APlayersResultGoesIntoTheHighScores) {
  Data->Initialize();
  TPlayer* P = Data->GetCurrentPlayer();
  P->SetScore(4200);
  P->BriefInfo()->PlayTime = 90.5f; // half to even: 90
  P->SetTakenZephrinCount(5);
  P->AddToHighScores();
  THighScoresNode* Top = Data->HighScores()->Items(0);
  EXPECT_EQ(Top->GUID, P->BriefInfo()->GUID);
  EXPECT_EQ(Top->Player, "Zarnika");
  EXPECT_EQ(Top->Scores, 4200);
  EXPECT_EQ(Top->Time, 90);
  EXPECT_EQ(Top->Zephrins, 5);
}

TEST_F(GameDataTest, DeletingKeepsTheSelectionOnTheSameProfile) {
  for (const char* N : {"Ada", "Bo", "Cy", "Di"}) {
    Data->CreateNewPlayer(N);
  }
  Data->SelectPlayer(2);
  Data->DeletePlayer(3); // above the current one
  EXPECT_EQ(Data->GetCurrentPlayer()->Name(), "Cy");
  Data->DeletePlayer(0); // below it
  EXPECT_EQ(Data->CurrentPlayerIndex(), 1);
  EXPECT_EQ(Data->GetCurrentPlayer()->Name(), "Cy");
  EXPECT_EQ(CurrentPlayer, Data->GetCurrentPlayer());
  Data->DeletePlayer(1); // the current one
  EXPECT_EQ(Data->CurrentPlayerIndex(), -1);
  EXPECT_EQ(CurrentPlayer, nullptr);
  EXPECT_THROW(Data->DeletePlayer(5), EGException);
  EXPECT_THROW(Data->SelectPlayer(-1), EGException);
  EXPECT_EQ(Names(*Data), std::vector<std::string>{"Bo"});
}

TEST_F(GameDataTest, TheListSortsByCreationAndFindsTheLatestSaved) {
  TPlayer* A = Data->CreateNewPlayer("Ada");
  Clock.Advance(1);
  TPlayer* B = Data->CreateNewPlayer("Bo");
  Clock.Advance(1);
  A->SaveBriefInfo();
  Data->Players()->Move(0, 1);
  Data->Players()->SortByCreationTime();
  EXPECT_EQ(Names(*Data), (std::vector<std::string>{"Ada", "Bo"}));
  EXPECT_EQ(Data->Players()->LatestProfileIndex(), 0);
  (void)B;
  EXPECT_EQ(TPlayerCollection().LatestProfileIndex(), -1);
}

TEST_F(GameDataTest, HighScoresAreSeededKeptPerProfileAndOrdered) {
  THighScores* H = Data->HighScores();
  EXPECT_EQ(H->NodeCount(), 30);
  EXPECT_EQ(H->Count(), 10);
  TGObjectPtr<TGXMLNode> File(new TGXMLNode("HighScores"));
  File->LoadFromFile(H->FileName());
  ASSERT_EQ(File->GetChilds("Node")->GetCount(), 10);
  const TGXMLNode* First = File->GetChilds("Node")->GetItem(0);
  EXPECT_EQ(First->GetStrAttr("Player"), "Player");
  EXPECT_EQ(First->GetStrAttr("GUID").size(), 38u);
  EXPECT_FALSE(First->HasAttr("Scores"));
  EXPECT_FALSE(First->HasAttr("Time"));
  EXPECT_FALSE(First->HasAttr("Ankhs"));

  H->Add("{A}", "Ada", 500, 100, 3);
  H->Add("{A}", "Ada", 300, 100, 3); // the latest result, worse or not
  H->Add("{B}", "Bo", 1000, 300, 0);
  H->Add("{C}", "Cy", 1000, 250, 7);
  EXPECT_EQ(H->Items(0)->Player, "Cy");
  EXPECT_EQ(H->Items(1)->Player, "Bo");
  EXPECT_EQ(H->Items(2)->Scores, 300);
  EXPECT_EQ(H->NodeCount(), 33);
  // The file reads back in the same order, birds as "Ankhs".
  THighScores Again(nullptr, H->FileName());
  EXPECT_EQ(Again.Items(0)->Zephrins, 7);
  EXPECT_EQ(Again.Items(2)->Player, "Ada");
  EXPECT_EQ(Again.NodeCount(), 10);
  EXPECT_THROW(Again.Items(10), EGException);
}

TEST_F(GameDataTest, AnUnreadableHighScoreFileIsSeededAgain) {
  const std::string Name = Dir.File("HighScores.xml");
  WriteFile(Name, "<HighScores><Node Player=");
  THighScores H(nullptr, Name);
  EXPECT_EQ(H.NodeCount(), 30);
  H.Add("{A}", "Ada", 10, 1, 0);
  EXPECT_EQ(H.Items(0)->Player, "Ada");
  TGObjectPtr<TGXMLNode> File(new TGXMLNode("HighScores"));
  EXPECT_NO_THROW(File->LoadFromFile(Name));
}

TEST(PlayerRecords, UnlimitedStatisticsRoundHalfToEven) {
  TPlayerStatistics S;
  EXPECT_EQ(S.GetUnlimBestTime("Free.loc"), "-");
  EXPECT_EQ(S.GetUnlimBestScore("Free.loc"), "-");
  EXPECT_FLOAT_EQ(S.GetUnlimBestTimeInSec("Free.loc"), 100000);
  S.AddUnlimited("Free.loc", 180, 40);
  S.AddUnlimited("Free.loc", 200, 50);
  EXPECT_FLOAT_EQ(S.GetUnlimBestTimeInSec("Free.loc"), 180);
  EXPECT_EQ(S.GetUnlimBestScore("Free.loc"), "50");
  for (const auto& [Time, Text] : std::vector<std::pair<float, std::string>>{
           {125.4f, "2:05"}, {2.5f, "0:02"}, {3.5f, "0:04"}, {59.5f, "1:00"}, {0, "0:00"}}) {
    TPlayerStatistics T;
    T.AddUnlimited("A.loc", Time, 0);
    EXPECT_EQ(T.GetUnlimBestTime("A.loc"), Text) << Time;
  }
  for (const auto& [Score, Text] : std::vector<std::pair<int, std::string>>{
           {999, "999"}, {1000, "1$,$000"}, {12345, "12$,$345"}, {1234567, "1234$,$567"}}) {
    TPlayerStatistics T;
    T.AddUnlimited("A.loc", 1, Score);
    EXPECT_EQ(T.GetUnlimBestScore("A.loc"), Text) << Score;
  }
  // Saved and read back whole, in order; exact URLs only.
  S.AddUnlimited("Other.loc", 10, 1);
  TGObjectPtr<TGXMLNode> XML(S.SaveToXML());
  TPlayerStatistics Back;
  Back.LoadFromXML(XML.get());
  EXPECT_EQ(Back.GetIdx("Other.loc"), 1);
  EXPECT_EQ(Back.GetIdx("other.loc"), -1);
}

TEST(PlayerRecords, BirdsTakenTwiceAreRecordedTwice) {
  TCollectedZephrinsManager Birds;
  Birds.RegisterZephrin("Dock.loc", "Gull");
  Birds.RegisterZephrin("DOCK.LOC", "Gull");
  ASSERT_EQ(Birds.Records().size(), 1u);
  EXPECT_EQ(Birds.Records()[0].ZephrinIDsCollected.size(), 2u);
  EXPECT_TRUE(Birds.IsCollected("dock.loc", "GULL"));
  EXPECT_FALSE(Birds.IsCollected("Pier.loc", "Gull"));
}

namespace {

// What the player's operations ask of the screens.
struct TRecordingScreens : IPlayerScreens {
  std::vector<std::string> Calls;
  bool Skip = false;
  TSCSStats Stats;
  bool PlayComix(const std::string& URL, int Fading, bool AnyTimeClicks, bool ShowSkip) override {
    Calls.push_back(URL + " " + std::to_string(Fading) + (AnyTimeClicks ? " clicks" : "") +
                    (ShowSkip ? " skip" : ""));
    return !Skip;
  }
  void PlayMapScreen() override { Calls.push_back("map"); }
  void ShowMuseum() override { Calls.push_back("museum"); }
  void ShowCredits() override { Calls.push_back("credits"); }
  void ShowHighScores() override { Calls.push_back("high scores"); }
  void PlayBriefing(const std::string& Text, const std::string& Avatar) override {
    Calls.push_back("briefing " + Text + " " + Avatar);
  }
  bool ShowStageCompletion(const std::string& ShowWidget, bool SkipAnim,
                           const TSCSStats& AStats) override {
    Calls.push_back("stage " + ShowWidget + (SkipAnim ? " skip" : ""));
    Stats = AStats;
    return false;
  }
  void ExitGame() override {}
};

class PlayerOperations : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    World.Start();
    World.Scripts->AddObject("Player", World.Player.get(), true, nullptr);
    SetPlayerScreens(&Screens);
  }
  void TearDown() override {
    SetPlayerScreens(nullptr);
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  TLocationWorld World;
  TRecordingScreens Screens;
};

} // namespace

TEST_F(PlayerOperations, TheGameStateStackReportsMismatchesAndNeverFails) {
  TPlayer& P = *World.Player;
  EXPECT_EQ(P.GameState(), gsMainMenu);
  P.PushState(gsGame);
  EXPECT_EQ(P.GameState(), gsGame);
  P.PopState(gsTip); // reported, popped all the same
  EXPECT_EQ(P.GameState(), gsMainMenu);
  P.PopState(gsGame); // empty: nothing
  EXPECT_EQ(P.GameState(), gsMainMenu);
  World.Eval("Player.PushState(6)");
  EXPECT_EQ(P.GameState(), gsMapScreen);
}

TEST_F(PlayerOperations, ScoreRisesCountForTheChapterOnly) {
  TPlayer& P = *World.Player;
  P.SetScore(100);
  P.BriefInfo()->ChapterScore = 0;
  P.SetScore(150);
  EXPECT_EQ(P.BriefInfo()->ChapterScore, 50);
  P.SetScore(120);
  EXPECT_EQ(P.BriefInfo()->ChapterScore, 50);
  P.AddScore(INT32_MAX);
  EXPECT_EQ(P.Score(), INT32_MAX);
  P.ResetChapterTime();
  EXPECT_EQ(P.BriefInfo()->ChapterScore, 0);
  EXPECT_FLOAT_EQ(P.BriefInfo()->ChapterTime, 2400);
}

TEST_F(PlayerOperations, ChaptersComicsAndCheats) {
  TPlayer& P = *World.Player;
  P.ChapterStates[6] = csFinished;
  P.MoveToLevel(3);
  EXPECT_EQ(std::vector<TChapterState>(P.ChapterStates, P.ChapterStates + 8),
            (std::vector<TChapterState>{csFinished, csFinished, csFinished, csMovingTo, csNone,
                                        csNone, csFinished, csNone}));
  EXPECT_THROW(P.MoveToLevel(8), EGException);
  EXPECT_TRUE(P.PlayComix("A.cmx", -5));
  EXPECT_TRUE(P.PlayComix2("B.cmx", 1));
  Screens.Skip = true;
  EXPECT_FALSE(P.PlayComixEx("C.cmx", 7, false));
  EXPECT_FALSE(P.PlayComixEx2("D.cmx", 0, true));
  EXPECT_EQ(Screens.Calls, (std::vector<std::string>{"map", "A.cmx -5 clicks skip", "B.cmx 1 skip",
                                                     "C.cmx 7 clicks", "D.cmx 0 skip"}));
  Screens.Calls.clear();
  P.ShowMuseum();
  P.ShowCredits();
  P.ShowHighScores();
  EXPECT_EQ(Screens.Calls, (std::vector<std::string>{"museum", "credits", "high scores"}));
  P.BriefInfo()->PlayerName = "kestrel_ops";
  EXPECT_FALSE(P.Cheats());
  P.BriefInfo()->PlayerName = "KESTREL_OPS";
  EXPECT_TRUE(P.Cheats());
}

TEST_F(PlayerOperations, StageCompletionShowsTheStagesRecord) {
  TPlayer& P = *World.Player;
  P.BriefInfo()->ChapterTime = 12.5f;
  P.BriefInfo()->ChapterScore = 70;
  World.Screen.Hints = 3;
  EXPECT_FALSE(P.ShowStageCompletionScreen("Stage09"));
  EXPECT_EQ(Screens.Stats.Title, "<not defined>");
  EXPECT_EQ(Screens.Stats.TimeLeft, 12);
  EXPECT_EQ(Screens.Stats.EpisodeScore, 70);
  EXPECT_EQ(P.BriefInfo()->HintsCount, 3);
  EXPECT_TRUE(Screens.Stats.IsNoHintsUsed);
  P.ShowStageCompletionScreen("Stage03");
  EXPECT_EQ(Screens.Stats.Title, "$Bear$\r\n$Sense of Smell$");
  EXPECT_EQ(Screens.Stats.StageTitle, "$Greenland$");
  P.BriefInfo()->ChapterTime = -4;
  P.ShowStageCompletionScreen("Stage01");
  EXPECT_EQ(Screens.Stats.TimeLeft, 0);
}

TEST_F(PlayerOperations, LeavingIsRefusedWhileTheMasterObjectIsInPlace) {
  auto* L = static_cast<TLocation*>(World.Load(
      "<Location ID=\"Dock\" MasterObject=\"Bell\"><Object ID=\"Bell\" Left=\"0\" Top=\"0\" "
      "Width=\"4\" Height=\"4\" Angle=\"0\" TakingCount=\"0\" Visible=\"True\" ExtentHit=\"True\" "
      "AllowMouse=\"True\" AppearedInItems=\"False\" PivotX=\"0\" PivotY=\"0\"/></Location>"));
  World.Enter(L);
  World.Screen.Calls.clear();
  World.Player->GoToLocation("Pier.loc");
  EXPECT_EQ(World.Screen.Calls,
            std::vector<std::string>{"Say Zari: We can't leave this location until we find all "
                                     "the items"});
  EXPECT_TRUE(World.Player->InLocation(World.Obj("Bell")));
  EXPECT_FALSE(World.Player->InDisposal(World.Obj("Bell")));
  World.Player->SetCursor(World.Obj("Bell"));
  EXPECT_TRUE(World.Player->InDisposal(World.Obj("Bell")));
  World.Player->SetCursor(nullptr);
  EXPECT_TRUE(World.Player->OnlyHiddenObjectsLeft());
}

TEST_F(PlayerOperations, AlertsGoToTheirFileAndNeverBlock) {
  TTempDir Dir("hoe-alerts");
  const fs::path Was = fs::current_path();
  fs::current_path(Dir.Path());
  World.Eval("Player.FileAlert('first'); Player.FileAlert(42); Player.Alert('shown')");
  fs::current_path(Was);
  EXPECT_EQ(ReadFile(Dir.File("Alerts.txt")), "42");
}
