// The match screen over the demo's nets, in the play screen: the level and its opening states,
// presses on the board, the speed keys, the time line running out and the fresh game after it,
// the game standing still under another window, the win and the saved location.
#include "GameScreenTest.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardActions.h"
#include "Locations/MatchGame/UBonusItems.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UGameLogic.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/UMatchGame.h"
#include "Locations/MatchGame/UMatchScreen.h"
#include "Locations/MatchGame/UMatchStates.h"
#include "Locations/UGameClasses.h"
#include "widgets/UGProgressBar.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

namespace {

// The player opens the game in the keeper's nets, with the developer's keys.
class MatchScreenTest : public GameScreenTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    StartIn("Nets.loc", "Nets", "KESTREL_OPS");
    if (HasFatalFailure()) {
      return;
    }
    Game = dynamic_cast<TMatchGame*>(L);
    ASSERT_TRUE(Game);
    ASSERT_TRUE(Game->MatchScreen());
  }
  TMatchScreen* Match() const { return Game->MatchScreen(); }
  TGameLogic* Rules() const { return Match()->GameLogic(); }
  bool StateIs(TGClass C) const { return Rules()->State() && Rules()->State()->InheritsFrom(C); }
  // Frames until the level is played.
  void PlayUntilPlaying() {
    for (int T = 0; T < 5000 && !Rules()->IsPlaying(); T += 20) {
      Play(20);
    }
    ASSERT_TRUE(Rules()->IsPlaying());
  }
  void PressCell(int Row, int Col) {
    TGRectFloat R = Match()->BoardPanel()->ScreenRect();
    Host.Mouse = {static_cast<int>(R.Left) + Col * CCellSize + CCellSize / 2,
                  static_cast<int>(R.Top) + Row * CCellSize + CCellSize / 2};
    Play(20);
    Screen->MouseDown(mbRight); // any button
    Screen->MouseUp(mbRight);
  }
  int32_t Heads() const { return L->GetAttr("HeadsPickedCount").ToInteger(); }

  TMatchGame* Game = nullptr;
};

} // namespace

TEST_F(MatchScreenTest, TheLevelOpensWithTheTimeLineAndTheBoardFadingIn) {
  EXPECT_EQ(CurrentMatchScreen, Match());
  EXPECT_EQ(Match()->Parent(), Screen.get());
  EXPECT_TRUE(Game->IsPuzzleLocation());
  EXPECT_EQ(Game->BallsCount(), 3);
  // The next frame runs the time line's frame in and the bar up to its maximum.
  EXPECT_TRUE(StateIs(Match3::TShowTimeLineState::StaticClass()));
  Play(20);
  ASSERT_TRUE(Rules()->State());
  EXPECT_TRUE(StateIs(Match3::TTimeLineState::StaticClass()))
      << Rules()->State()->ClassType()->Name;
  EXPECT_TRUE(Match()->TimerFrame()->Visible());
  EXPECT_FALSE(Match()->BoardPanel()->Visible());
  EXPECT_FLOAT_EQ(Rules()->TimeLine().Max, 240);
  // The whole range runs down in one second: 26 frames of 20 ms take 52 percent of it.
  Play(500);
  EXPECT_NEAR(Rules()->TimeLine().Position, 240 * (1 - 0.52f), 0.01);
  EXPECT_NEAR(Match()->TimeLine()->Position(), Rules()->TimeLine().Position, 0.01);
  Play(520);
  EXPECT_TRUE(StateIs(Match3::TInitializeBoardState::StaticClass()));
  EXPECT_FLOAT_EQ(Rules()->TimeLine().Position, 0);
  EXPECT_TRUE(Match()->BoardPanel()->Visible());
  EXPECT_FALSE(Match()->FindWidget("Board\\Walls")->Visible()); // while it fades
  PlayUntilPlaying();
  EXPECT_TRUE(Match()->FindWidget("Board\\Walls")->Visible());
  EXPECT_TRUE(Match()->BoardPanel()->AllowMouse());
}

TEST_F(MatchScreenTest, PressesOnTheBoardSelectAndSwap) {
  PlayUntilPlaying();
  for (int T = 0; T < 10000 && !Rules()->Board()->IsStill(); T += 20) {
    Play(20);
  }
  TBoard* Board = Rules()->Board();
  PressCell(8, 4);
  ASSERT_EQ(Board->Actions()->SelectedCell(), Board->GetCell(8, 4));
  PressCell(8, 4);
  EXPECT_EQ(Board->Actions()->SelectedCell(), nullptr);
  // A neighbour after a selection starts a swap (kept or sent back by the rules).
  PressCell(8, 4);
  PressCell(8, 5);
  EXPECT_EQ(Board->Actions()->SelectedCell(), nullptr);
  EXPECT_TRUE(Board->Actions()->IsSwapRunning() || !Board->IsStill());
  Play(3000);
  EXPECT_TRUE(Rules()->IsPlaying());
}

// The gem under the mouse blinks and stops a second after the mouse has left it; a still board
// left alone blinks all over in a wave, each gem from its own start.
TEST_F(MatchScreenTest, GemsBlinkUnderTheMouseAndInAWaveWhenLeftAlone) {
  PlayUntilPlaying();
  for (int T = 0; T < 10000 && !Rules()->Board()->IsStill(); T += 20) {
    Play(20);
  }
  TBoard* Board = Rules()->Board();
  auto HoverCell = [&](int Row, int Col) {
    TGRectFloat R = Match()->BoardPanel()->ScreenRect();
    Host.Mouse = {static_cast<int>(R.Left) + Col * CCellSize + CCellSize / 2,
                  static_cast<int>(R.Top) + Row * CCellSize + CCellSize / 2};
    Screen->MouseMove();
    Play(40); // the move reaches the board during the first frame, after the rules' step
  };
  TItem* First = Board->GetCell(8, 4)->Item();
  ASSERT_TRUE(ItemAs<TGem>(First));
  HoverCell(8, 4);
  EXPECT_TRUE(First->IsHighlighted());
  Play(2000);
  EXPECT_TRUE(First->IsHighlighted()); // still under the mouse
  HoverCell(8, 6);
  EXPECT_FALSE(First->IsHighlighted());
  EXPECT_TRUE(Board->GetCell(8, 6)->Item()->IsHighlighted());
  EXPECT_EQ(First->Graphic(), First->GetStaticGfx());

  // Pressing keeps the idle wave away; then 12 seconds alone start it.
  PressCell(8, 6);
  PressCell(8, 6);
  EXPECT_LT(Rules()->BlinkTimer(), 0.1f);
  const float Delay = Rules()->Config().BoardBlinkDelay;
  ASSERT_GT(Delay, 0);
  Play(static_cast<int>(Delay * 1000) - 200);
  int Blinking = 0;
  for (TCell* C : Board->Cells()) {
    Blinking += C->Item() && C->Item()->IsHighlighted() ? 1 : 0;
  }
  EXPECT_LE(Blinking, 1); // only the gem under the mouse
  Play(600);
  float Earliest = 1e9f;
  float Latest = -1;
  for (TCell* C : Board->Cells()) {
    if (C->Item() && C->Item()->IsHighlighted() && C != Board->GetCell(8, 6)) {
      Earliest = std::min(Earliest, C->Item()->HighlightTime());
      Latest = std::max(Latest, C->Item()->HighlightTime());
    }
  }
  ASSERT_GT(Latest, 0);
  EXPECT_GT(Latest - Earliest, 0.1f); // a wave, not all at once
  Play(3000);
  Blinking = 0;
  for (TCell* C : Board->Cells()) {
    Blinking += C->Item() && C->Item()->IsHighlighted() ? 1 : 0;
  }
  EXPECT_LE(Blinking, 1);
}

// Each dice bonus's flash over the screen goes once it has played, so flashes do not pile up.
TEST_F(MatchScreenTest, TheDiceFlashLeavesTheScreenWhenItHasPlayed) {
  PlayUntilPlaying();
  for (int T = 0; T < 10000 && !Rules()->Board()->IsStill(); T += 20) {
    Play(20);
  }
  auto Flashes = [&] {
    int N = 0;
    for (TGWidget* W : Match()->Children()) {
      N += W->Name() == TDiceBonus::CGlobalExplosionName ? 1 : 0;
    }
    return N;
  };
  for (int Col : {3, 6}) {
    TCell* Cell = Rules()->Board()->GetCell(9, Col);
    auto* Dice = New<TDiceBonus>(Rules()->Board());
    Cell->Item()->Free();
    Cell->SetItem(Dice);
    Dice->MakeStatic();
    Dice->Explode(nullptr);
  }
  EXPECT_EQ(Flashes(), 2);
  Play(500);
  EXPECT_EQ(Flashes(), 2);
  for (int T = 0; T < 10000 && Flashes() > 0; T += 20) {
    Play(20);
  }
  EXPECT_EQ(Flashes(), 0);
}

TEST_F(MatchScreenTest, TheSpeedKeysScaleOnlyTheRulesTime) {
  PlayUntilPlaying();
  for (int I = 0; I < 9; ++I) {
    Game->KeyDown(107);
  }
  EXPECT_FLOAT_EQ(Match()->SpeedMultiplier(), 128);
  float Before = Rules()->PlayTimer();
  float ScreenTime = Player->BriefInfo()->PlayTime;
  Play(20);
  EXPECT_NEAR(Rules()->PlayTimer() - Before, 128 * 0.02f, 1e-3);
  EXPECT_NEAR(Player->BriefInfo()->PlayTime - ScreenTime, 0.02f, 1e-4);
  Game->KeyDown(106);
  EXPECT_FLOAT_EQ(Match()->SpeedMultiplier(), 1);
  for (int I = 0; I < 9; ++I) {
    Game->KeyDown(109);
  }
  EXPECT_FLOAT_EQ(Match()->SpeedMultiplier(), 1.0f / 128);
}

TEST_F(MatchScreenTest, ARunOutTimeLineFailsAndAFreshGameFollows) {
  PlayUntilPlaying();
  L->SetAttr("HeadsPickedCount", 2);
  Match()->SetSpeedMultiplier(128);
  TMatchScreen* Old = Match();
  for (int T = 0; T < 20000 && Match() == Old; T += 20) {
    Play(20);
  }
  ASSERT_NE(Match(), Old);
  EXPECT_EQ(CurrentMatchScreen, Match());
  EXPECT_EQ(Match()->Parent(), Screen.get());
  EXPECT_EQ(Rules()->Score(), 0);
  EXPECT_FALSE(Rules()->IsFailed());
  EXPECT_EQ(Match()->SpeedMultiplier(), 1);
  EXPECT_EQ(Heads(), 2); // the collected count stays
}

TEST_F(MatchScreenTest, TheGameStandsStillUnderAnotherWindow) {
  PlayUntilPlaying();
  TGObjectPtr<TGWindow> Menu(New<TGWindow>(nullptr));
  Host.Top = Menu.get();
  float Before = Rules()->PlayTimer();
  Play(500);
  EXPECT_FLOAT_EQ(Rules()->PlayTimer(), Before);
  Host.Top = Screen.get();
  Play(100);
  EXPECT_GT(Rules()->PlayTimer(), Before);
}

TEST_F(MatchScreenTest, TheCheatKeysOpenTheCellsAndFailTheLevel) {
  PlayUntilPlaying();
  for (int T = 0; T < 10000 && !Rules()->Board()->IsStill(); T += 20) {
    Play(20);
  }
  EXPECT_FALSE(Rules()->Board()->IsCleared());
  Game->KeyDown(117); // F6
  EXPECT_TRUE(Rules()->Board()->IsCleared());
  Game->KeyDown(118); // F7
  EXPECT_FALSE(Rules()->IsPlaying());
  Play(1000);
  EXPECT_EQ(Rules()->Score(), 0); // a fresh game after the failure
  EXPECT_FALSE(Rules()->IsFailed());
}

TEST_F(MatchScreenTest, ThreeHeadsWinAndLeadBackToTheLamp) {
  PlayUntilPlaying();
  for (int I = 0; I < 3; ++I) {
    Game->OnBallPick();
  }
  EXPECT_EQ(Heads(), 3);
  EXPECT_TRUE(Rules()->IsCompleted());
  TMatchScreen* Old = Match();
  for (int T = 0; T < 15000 && Game->MatchScreen(); T += 20) {
    Play(20);
  }
  EXPECT_EQ(Game->MatchScreen(), nullptr);
  EXPECT_EQ(CurrentMatchScreen, nullptr);
  EXPECT_EQ(Old->Parent(), nullptr);
  EXPECT_TRUE(Game->Completed());
  EXPECT_TRUE(L->GetAttr("Match3Finished").ToBoolean());
  Play(4000);
  ASSERT_TRUE(Screen->ActiveLocation());
  EXPECT_EQ(Screen->ActiveLocation()->ID, "Lighthouse");
}

// F8 brings the heads down at once (one already down counts), and the game leads back as
// three heads do.
TEST_F(MatchScreenTest, TheWinningCheatKeyBringsTheHeadsDown) {
  PlayUntilPlaying();
  Game->OnBallPick();
  Game->KeyDown(119); // F8
  EXPECT_EQ(Heads(), 3);
  EXPECT_TRUE(Rules()->IsCompleted());
  Game->KeyDown(119);
  EXPECT_EQ(Heads(), 3);
  for (int T = 0; T < 15000 && Game->MatchScreen(); T += 20) {
    Play(20);
  }
  EXPECT_EQ(Game->MatchScreen(), nullptr);
  EXPECT_TRUE(Game->Completed());
  EXPECT_TRUE(L->GetAttr("Match3Finished").ToBoolean());
}

TEST_F(MatchScreenTest, ASavedGameKeepsItsCountsAndStartsAfresh) {
  PlayUntilPlaying();
  Game->OnBallPick();
  TGObjectPtr<TGXMLNode> Saved(Game->SaveToXML());
  EXPECT_TRUE(Saved->GetBoolAttrDef("M3Initialized", false));
  EXPECT_EQ(Saved->GetIntAttrDef("M3BallsCount", 4), 3);
  TGObjectPtr<TMatchGame> Loaded(New<TMatchGame>(nullptr));
  Loaded->LoadFromXML(nullptr, Saved.get());
  EXPECT_TRUE(Loaded->Initialized());
  EXPECT_EQ(Loaded->BallsCount(), 3);
  EXPECT_EQ(Loaded->GetAttr("HeadsPickedCount").ToInteger(), 1);
  EXPECT_TRUE(Loaded->StartMatch3OnNextUpdate());
  EXPECT_EQ(Loaded->MatchScreen(), nullptr);
}
