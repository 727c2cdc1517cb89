// The stage completion and bird completion screens over the demo content: the score sheet's
// rows and totals and what they do to the player's score, the two steps of Continue, the
// jingle and the background track, the quit request, and the bird screen's labels.
#include "CompletionScreensTest.h"
#include "Screens/UStageCompletionScreen.h"
#include "Screens/UZephrinCompleteScreen.h"
#include "base/UGStrUtils.h"
#include "player/UPlayer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class StageCompletionTest : public CompletionScreensTest {
protected:
  void SetUp() override {
    CompletionScreensTest::SetUp();
    Player()->BriefInfo()->GameDifficulty = gdAdventurer;
    Player()->SetScore(100000);
    Player()->BriefInfo()->ChapterScore = 40000;
    Stats.Title = "$Totem of Lights$";
    Stats.StageTitle = "$Alaska$";
    Stats.EpisodeScore = 40000;
    Stats.ZephrinsCollected = 3;
    Stats.IsNoHintsUsed = true;
    Stats.TimeLeft = 600;
  }
  TPlayer* Player() { return World.Player.get(); }
  TStageCompletionScreen* Open(bool SkipAnim = false) {
    Screen.reset(New<TStageCompletionScreen>());
    Screen->Prepare("Stage01", SkipAnim, Stats);
    Host.Top = Screen.get();
    return Screen.get();
  }
  TGWidget* Scores() const { return Screen->FindWidget("Scores"); }
  // The rows the screen added, by name, with their captions, data and scores.
  struct TRow {
    std::string Name, Caption, Data, Score;
    float Top;
  };
  std::vector<TRow> Rows() const {
    std::vector<TRow> Out;
    for (const TGWidget* W : Scores()->Children()) {
      if (W->Visible() &&
          (W->Name().starts_with("Score") || W->Name().starts_with("Total") ||
           W->Name().starts_with("ChapterScore")) &&
          W->Name() != "Score") {
        Out.push_back({W->Name(), LabelData(W, ""),
                       W->FindWidget("Data") ? LabelData(W, "Data") : "-", LabelData(W, "Score"),
                       W->Top()});
      }
    }
    return Out;
  }
  static bool IsMusic(const char* URL) { return SameText(MusicURL(), URL); }

  TSCSStats Stats;
  TGObjectPtr<TStageCompletionScreen> Screen;
};

TEST_F(StageCompletionTest, TheSheetAddsTheBonusesAtTheAdventurersDifficulty) {
  Open();
  const std::vector<TRow> R = Rows();
  ASSERT_EQ(R.size(), 8u);
  const char* const Names[] = {"ChapterScore0", "Score1", "Score2", "Score3",
                               "Score4",        "Total5", "Total6", "Total7"};
  const char* const Captions[] = {"$Score:$",          "$Zephrin Bonus:$",  "$Hint Bonus:$",
                                  "$Time Bonus:$",     "$Artifact Bonus:$", "$EPISODE SCORE:$",
                                  "$PREVIOUS SCORE:$", "$TOTAL SCORE:$"};
  const char* const Points[] = {"40$,$000", "3$,$000",   "25$,$000", "30$,$000",
                                "25$,$000", "123$,$000", "60$,$000", "183$,$000"};
  const char* const Data[] = {"-", "3 x 1000", "$PERFECT$", "10:00 x 50", "", "-", "-", "-"};
  for (size_t I = 0; I < R.size(); ++I) {
    SCOPED_TRACE(I);
    EXPECT_EQ(R[I].Name, Names[I]);
    EXPECT_EQ(R[I].Caption, Captions[I]);
    EXPECT_EQ(R[I].Score, Points[I]);
    EXPECT_EQ(R[I].Data, Data[I]);
  }
  // Rows follow each other from the first template's top, 15 more before the bonuses and
  // before the totals.
  const float Top = Screen->FindWidget("Scores\\Score")->Top();
  const float Row = Screen->FindWidget("Scores\\Score")->Height();
  const float TotalRow = Screen->FindWidget("Scores\\Total")->Height();
  EXPECT_FLOAT_EQ(R[0].Top, Top);
  EXPECT_FLOAT_EQ(R[1].Top, Top + Screen->FindWidget("Scores\\ChapterScore")->Height() + 15);
  EXPECT_FLOAT_EQ(R[4].Top, R[1].Top + 3 * Row);
  EXPECT_FLOAT_EQ(R[5].Top, R[4].Top + Row + 15);
  EXPECT_FLOAT_EQ(R[7].Top, R[5].Top + 2 * TotalRow);
  for (const char* T : {"Scores\\Score", "Scores\\Total", "Scores\\ChapterScore"}) {
    EXPECT_FALSE(Screen->FindWidget(T)->Visible()) << T;
  }
  // The score grows by the bonuses, and the chapter's score with it.
  EXPECT_EQ(Player()->Score(), 183000);
  EXPECT_EQ(Player()->BriefInfo()->ChapterScore, 123000);
  EXPECT_EQ(LabelData(Scores(), "StageTitle"), "$Stage complete:$ $Alaska$");
  EXPECT_EQ(LabelData(Scores(), "Title"), "$Totem of Lights$");
}

TEST_F(StageCompletionTest, TheApprenticeHasNoTimeBonusAndHintsCostThePerfectBonus) {
  Player()->BriefInfo()->GameDifficulty = gdApprentice;
  Open();
  std::vector<TRow> R = Rows();
  ASSERT_EQ(R.size(), 7u);
  EXPECT_EQ(R[3].Caption, "$Artifact Bonus:$");
  EXPECT_EQ(R[4].Name, "Total4");
  EXPECT_EQ(R[4].Score, "93$,$000");
  EXPECT_EQ(Player()->Score(), 153000);

  Screen.reset();
  Stats.IsNoHintsUsed = false;
  Stats.ZephrinsCollected = 0;
  Player()->SetScore(40000);
  Open();
  R = Rows();
  EXPECT_EQ(R[1].Data, "0 x 1000");
  EXPECT_EQ(R[1].Score, "0");
  EXPECT_EQ(R[2].Data, "$none$");
  EXPECT_EQ(R[2].Score, "0");
  EXPECT_EQ(R[4].Score, "65$,$000");
  EXPECT_EQ(R[5].Score, "0");
}

TEST_F(StageCompletionTest, TheStageAndItsPictureShow) {
  Open();
  EXPECT_TRUE(Screen->FindWidget("Stage01")->Visible());
  EXPECT_FALSE(Screen->FindWidget("Stage02")->Visible());
  EXPECT_FALSE(Scores()->Visible());
  EXPECT_FALSE(Scores()->FindWidget("Vial")->Visible()); // no picture asked for

  Screen.reset();
  Stats.AnimalGfxURL = "Game\\01_Alaska\\Location_07b\\HeadGold_Blink.ani";
  Open();
  const TGWidget* Vial = Scores()->FindWidget("Vial");
  EXPECT_TRUE(Vial->Visible());
  ASSERT_TRUE(PictureAnimation(Vial));
  EXPECT_FLOAT_EQ(Vial->Width(), 64);
  EXPECT_FLOAT_EQ(Vial->Height(), 80);

  // A picture that is not there hides the vial instead of failing.
  Screen.reset();
  Stats.AnimalGfxURL = "Game\\NoSuchPicture.ani";
  Open();
  EXPECT_FALSE(Scores()->FindWidget("Vial")->Visible());
}

TEST_F(StageCompletionTest, FirstContinueShowsTheSheetTheSecondCloses) {
  Open();
  Play(Screen.get(), 100);
  Click(Screen.get(), Screen->FindWidget("BtnContinue"));
  EXPECT_EQ(Scores()->State(), wsShowing);
  EXPECT_TRUE(Scores()->Visible());
  EXPECT_EQ(Screen->FindWidget("Stage01")->State(), wsHiding);
  // While the sheet fades in a click does nothing.
  Screen->ContinueClick(Screen.get());
  EXPECT_EQ(Screen->State(), wsDefault);
  EXPECT_TRUE(Screen->Visible());
  Play(Screen.get(), 600);
  EXPECT_EQ(Scores()->State(), wsDefault);
  EXPECT_FALSE(Screen->FindWidget("Stage01")->Visible());
  Click(Screen.get(), Scores()->FindWidget("Done"));
  Play(Screen.get(), 40);
  EXPECT_FALSE(Screen->Visible());
}

TEST_F(StageCompletionTest, TheJinglePlaysFirstAndTheTrackAfterSevenSeconds) {
  Open();
  ASSERT_TRUE(IsMusic(TStageCompletionScreen::CJingleURL)) << MusicURL();
  TGAudioState* Jingle = AD->CurrentMusicState();
  EXPECT_EQ(Screen->JingleTag(), Jingle->Tag());
  EXPECT_FALSE(Jingle->Looped());
  Play(Screen.get(), 6900);
  EXPECT_TRUE(IsMusic(TStageCompletionScreen::CJingleURL)) << MusicURL();
  Play(Screen.get(), 200);
  ASSERT_TRUE(IsMusic(TStageCompletionScreen::CStatsTrackURL)) << MusicURL();
  EXPECT_TRUE(AD->CurrentMusicState()->Looped());
  TGAudioState* Track = AD->CurrentMusicState();
  Play(Screen.get(), 10000);
  EXPECT_EQ(AD->CurrentMusicState(), Track); // once only

  // Closing fades the jingle out (it may still be crossfading away).
  Screen->ContinueClick(Screen.get());
  Play(Screen.get(), 600);
  Screen->ContinueClick(Screen.get());
  EXPECT_EQ(Screen->JingleTag(), 0);
}

TEST_F(StageCompletionTest, ClosingSlidesTheJingleOut) {
  Open();
  TGAudioState* Jingle = AD->CurrentMusicState();
  ASSERT_TRUE(Jingle);
  Screen->ContinueClick(Screen.get());
  Play(Screen.get(), 600);
  Screen->ContinueClick(Screen.get());
  EXPECT_TRUE(Jingle->GetSlideType().Contains(stVolume));
  EXPECT_EQ(Screen->JingleTag(), 0);
}

TEST_F(StageCompletionTest, ASeenStageStartsFinishedWithTheTrack) {
  Open(true);
  EXPECT_EQ(Screen->JingleTag(), 0);
  EXPECT_FALSE(IsMusic(TStageCompletionScreen::CJingleURL));
  const TGAnimation* Stage = PictureAnimation(Screen->FindWidget("Stage01"));
  ASSERT_TRUE(Stage);
  EXPECT_EQ(Stage->ElapsedTime(), Stage->TotalTime());
  Play(Screen.get(), 20);
  EXPECT_TRUE(IsMusic(TStageCompletionScreen::CStatsTrackURL)) << MusicURL();
}

TEST_F(StageCompletionTest, AQuitRequestIsConfirmedAndClosesTheScreen) {
  AppIsClosing = true;
  EXPECT_FALSE(TStageCompletionScreen::MyShow("Stage01", false, Stats));
  EXPECT_EQ(Host.Shown, 0);
  EXPECT_EQ(Player()->Score(), 100000);

  AppIsClosing = false;
  Host.OnFrame = [](TGWindow*, int Frame) {
    if (Frame == 50) {
      AppIsClosing = true;
    }
  };
  ConfirmQuitting();
  EXPECT_FALSE(TStageCompletionScreen::MyShow("Stage01", false, Stats));
  EXPECT_EQ(Host.Shown, 2); // the screen and the confirmation
  EXPECT_TRUE(Host.Ended);
  EXPECT_LT(Host.Frames, 200);
  EXPECT_FALSE(AppCanUnclose); // the confirmation said yes
  EXPECT_EQ(Player()->Score(), 183000);
}

TEST_F(StageCompletionTest, MinutesText) {
  EXPECT_EQ(TStageCompletionScreen::MinutesText(600), "10:00");
  EXPECT_EQ(TStageCompletionScreen::MinutesText(65), "1:05");
  EXPECT_EQ(TStageCompletionScreen::MinutesText(-3), "0:00");
}

// --- The bird completion screen ------------------------------------------------------------

TEST_F(CompletionScreensTest, TheBirdScreenShowsTimeScoreAndRecord) {
  TGObjectPtr<TZephrinCompleteScreen> S(New<TZephrinCompleteScreen>());
  S->Fill(65, 12345, "$Alaska$", true);
  EXPECT_EQ(LabelData(S.get(), "Scores\\Time\\Score"), "1:05");
  EXPECT_EQ(LabelData(S.get(), "Scores\\Score\\Score"), "12$,$345");
  EXPECT_EQ(LabelData(S.get(), "Scores\\StageTitle"), "$Alaska$ $complete$!");
  EXPECT_TRUE(S->FindWidget("New Record Time!")->Visible());
  S->Fill(3599, 0, "X", false);
  EXPECT_EQ(LabelData(S.get(), "Scores\\Time\\Score"), "59:59");
  EXPECT_FALSE(S->FindWidget("New Record Time!")->Visible());
}

TEST_F(CompletionScreensTest, TheBirdScreenClosesWithContinue) {
  Host.OnFrame = [this](TGWindow* W, int Frame) {
    if (Frame == 5) {
      Click(W, W->FindWidget("Scores\\Continue"));
    }
  };
  ShowZephrinCompleteScreen(65, 100, "$Alaska$", false);
  EXPECT_EQ(Host.Shown, 1);
  EXPECT_TRUE(Host.Ended);
  EXPECT_LT(Host.Frames, 20);
}

} // namespace
