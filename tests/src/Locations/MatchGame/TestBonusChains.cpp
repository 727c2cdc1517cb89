// The bonuses' explosions on the animated board: the chains of the line and cross bonuses (the
// cells they clear, where they stop, the bonuses they set off, the rows they keep in place), the
// pool of trail symbols they share, and the dice bonus's shower.
#include "HeadlessDevice.h"
#include "MatchTestBoard.h"

#include "Locations/MatchGame/UDiceCreator.h"
#include "Locations/MatchGame/UExplosionChain.h"
#include "Locations/MatchGame/USymbolPool.h"
#include "Locations/MatchGame/UTask.h"
#include "Locations/MatchGame/UTaskProcessor.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "app/UGClassTables.h"
#include "drawables/UGSymbol.h"
#include "io/UGNativeFileSystem.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGPicture.h"
#include "widgets/UGWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

using namespace MatchTest;

namespace {

// A processor that records the sounds and every cell whose item explodes.
class TRecordingProcessor : public TTaskProcessor {
public:
  explicit TRecordingProcessor(TGObject* AOwner = nullptr)
      : TTaskProcessor(AOwner) {}
  void PlaySound(std::string_view URL) override { Sounds.emplace_back(URL); }
  void ExplodeItem(TCell* Cell, TItem* Replacement) override {
    Exploded.push_back(Cell->RowCol());
    TTaskProcessor::ExplodeItem(Cell, Replacement);
  }
  bool Heard(std::string_view URL) const {
    return std::find(Sounds.begin(), Sounds.end(), URL) != Sounds.end();
  }
  std::vector<std::string> Sounds;
  std::vector<TRowCol> Exploded;
};

// A task that only holds a lock.
class THoldTask : public TBoardTask {
public:
  THoldTask(TTaskProcessor* P, TCell* Cell)
      : TBoardTask(P) {
    LockCell(Cell);
  }
};

using TCellSet = std::set<std::pair<int, int>>;

TCellSet RowCells(int R) {
  TCellSet S;
  for (int C = 0; C < CBoardSize; ++C) {
    S.insert({R, C});
  }
  return S;
}

TCellSet Column(int C) {
  TCellSet S;
  for (int R = 0; R < CBoardSize; ++R) {
    S.insert({R, C});
  }
  return S;
}

TCellSet Join(TCellSet A, const TCellSet& B) {
  A.insert(B.begin(), B.end());
  return A;
}

// An animation of Milliseconds with one empty picture channel, known to the library as URL.
void AddAnimation(TGResourceLibrary& Library, const std::string& URL, int32_t Milliseconds) {
  auto* Ani = New<TGAnimation>(nullptr);
  auto* Channel = TGChannel::Create<TGLivePicture>(Ani);
  Channel->X()->SetRealValue(0, 0);
  Channel->X()->SetRealValue(Milliseconds, 10);
  Ani->SetExtent(TGVector{41, 41, 0});
  Ani->SetURL(URL);
  Library.Add(Ani);
}

class BonusChains : public THeadlessDeviceTest {
protected:
  void SetUp() override {
    THeadlessDeviceTest::SetUp();
    RegisterEngineClasses();
    Library.reset(new TGResourceLibrary(nullptr, true, true));
    SetMainResourceLibrary(Library.get());
    Processor = new TRecordingProcessor();
    Rules.Board().SetActions(Processor);
  }
  void TearDown() override {
    // The rules (with the board and its tasks) go before the screen and its pool.
    Rules.Logic.reset();
    Screen.reset();
    SetMainResourceLibrary(nullptr);
    Library.reset();
    THeadlessDeviceTest::TearDown();
  }

  // A match screen stand-in: a widget with the board panel "Board", owning the pool.
  void MakeScreen() {
    Screen.reset(New<TGWidget>(nullptr));
    auto* Panel = New<TGWidget>(nullptr);
    Panel->SetName("Board");
    Screen->Add(Panel);
    Pool = New<TExplosionChainSymbolManager>(Screen.get());
  }
  TGGraphicCollection* PanelGraphics() const { return Pool->BoardGraphics(); }

  TSelectableItem* Selectable(int R, int C) const {
    return ItemAs<TSelectableItem>(Rules.Cell(R, C)->Item());
  }
  void Explode(int R, int C) const {
    ASSERT_NE(Selectable(R, C), nullptr);
    Selectable(R, C)->Explode(nullptr);
  }
  int32_t Count(TGClass Class) const { return Processor->CountTasks(Class); }
  int32_t Chains() const { return Count(TExplosionChain::StaticClass()); }

  // One frame: the board (its tasks) and, with a screen, the panel's graphics.
  void Frame(float Seconds = 0.02f) {
    Rules.Board().Update(Seconds);
    if (Screen) {
      PanelGraphics()->Update(Seconds);
    }
  }
  // Frames until no chain runs (at most Frames).
  void RunChains(int Frames = 300) {
    for (int I = 0; I < Frames && Chains() > 0; ++I) {
      Frame();
    }
    EXPECT_EQ(Chains(), 0);
  }
  TCellSet ExplodedSet() const {
    TCellSet S;
    for (TRowCol RC : Processor->Exploded) {
      S.insert({RC.Row, RC.Col});
    }
    return S;
  }
  std::vector<TExplosionChain*> RunningChains() const {
    std::vector<TExplosionChain*> Out;
    for (TTask* T : Processor->Tasks()) {
      if (auto* C = T ? TryObjectCast<TExplosionChain>(T) : nullptr) {
        Out.push_back(C);
      }
    }
    return Out;
  }

  TGObjectPtr<TGResourceLibrary> Library;
  TRules Rules;
  TRecordingProcessor* Processor = nullptr; // owned by the board
  TGObjectPtr<TGWidget> Screen;
  TExplosionChainSymbolManager* Pool = nullptr; // owned by the screen
};

// --- What each bonus clears ------------------------------------------------------------------

TEST_F(BonusChains, ALineBonusClearsItsRowBothWaysEachCellOnce) {
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "", "", "_____L____"});
  Explode(4, 5);
  EXPECT_EQ(Chains(), 3);
  EXPECT_TRUE(Processor->Heard("Match\\LineBonusExplode.ogg"));
  EXPECT_EQ(Rules.Logic->Score(), 200);
  RunChains();
  EXPECT_EQ(ExplodedSet(), RowCells(4));
  EXPECT_EQ(Processor->Exploded.size(), 10u);
}

TEST_F(BonusChains, ACrossBonusClearsItsRowAndItsColumn) {
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "", "", "_____C____"});
  Explode(4, 5);
  EXPECT_EQ(Chains(), 5);
  EXPECT_TRUE(Processor->Heard("Match\\CrossBonusExplode.ogg"));
  RunChains();
  EXPECT_EQ(ExplodedSet(), Join(RowCells(4), Column(5)));
}

TEST_F(BonusChains, WithoutTheAnimatedBoardOnlyTheBonusExplodes) {
  TRules Instant;
  DrawBoard(Instant.Board(), QuietBoard());
  DrawBoard(Instant.Board(), {"", "", "", "", "_____C____"});
  static_cast<TSelectableItem*>(Instant.Cell(4, 5)->Item())->Explode(nullptr);
  EXPECT_EQ(Instant.Cell(4, 5)->Item(), nullptr);
  EXPECT_NE(Instant.Cell(4, 4)->Item(), nullptr);
  EXPECT_EQ(Instant.Logic->DiceAppearCounter(), 1);
}

// --- Where chains stop -------------------------------------------------------------------------

TEST_F(BonusChains, ChainsStopBeforeABlockAndAtAHole) {
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "", "", "__B__L__#_"});
  Explode(4, 5);
  RunChains();
  EXPECT_EQ(ExplodedSet(), (TCellSet{{4, 3}, {4, 4}, {4, 5}, {4, 6}, {4, 7}}));
  EXPECT_NE(ItemAs<TBlock>(Rules.Cell(4, 2)->Item()), nullptr);
  EXPECT_NE(Rules.Cell(4, 9)->Item(), nullptr);
}

TEST_F(BonusChains, ALineBonusInTheFirstColumnEndsItsLeftChainAtOnce) {
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "", "", "L_________"});
  Explode(4, 0);
  auto Left = [this] {
    auto All = RunningChains();
    return std::count_if(All.begin(), All.end(),
                         [](TExplosionChain* C) { return C->Direction() == StepLeft; });
  };
  EXPECT_EQ(Left(), 1);
  Frame();
  EXPECT_EQ(Left(), 0);
  RunChains();
  EXPECT_EQ(ExplodedSet(), RowCells(4));
}

TEST_F(BonusChains, AChainPassesEmptyCellsUpToTheLastColumn) {
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "1....1.111"});
  New<TExplosionChain>(Processor, TRowCol{2, 0}, StepRight,
                       "Game/Match/GameItems/Bonuses/Line/Explosion.ani", 9);
  RunChains();
  // A chain of its own explodes its origin's item too; the ninth cell beyond is the last.
  EXPECT_EQ(ExplodedSet(), (TCellSet{{2, 0}, {2, 5}, {2, 7}, {2, 8}, {2, 9}}));
}

TEST_F(BonusChains, AChainEntersAtMostItsCountOfCells) {
  DrawBoard(Rules.Board(), QuietBoard());
  New<TExplosionChain>(Processor, TRowCol{3, 0}, StepRight,
                       "Game/Match/GameItems/Bonuses/Line/Explosion.ani", 3);
  New<TExplosionChain>(Processor, TRowCol{9, 6}, StepUp,
                       "Game/Match/GameItems/Bonuses/Cross/Explosion.ani", 4);
  RunChains();
  EXPECT_EQ(ExplodedSet(),
            (TCellSet{{3, 0}, {3, 1}, {3, 2}, {3, 3}, {9, 6}, {8, 6}, {7, 6}, {6, 6}, {5, 6}}));
}

TEST_F(BonusChains, AChainPassesLockedCellsWithoutExplodingThem) {
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "", "", "_____L____"});
  auto* Hold = new THoldTask(Processor, Rules.Cell(4, 7));
  Explode(4, 5);
  RunChains();
  EXPECT_EQ(ExplodedSet().count({4, 7}), 0u);
  EXPECT_EQ(ExplodedSet().count({4, 9}), 1u);
  EXPECT_NE(Rules.Cell(4, 7)->Item(), nullptr);
  Hold->Free();
}

TEST_F(BonusChains, AChainReachingAnotherBonusSetsItOff) {
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "", "", "__L___C___"});
  Explode(4, 2);
  RunChains();
  EXPECT_EQ(ExplodedSet(), Join(RowCells(4), Column(6)));
  EXPECT_EQ(Rules.Logic->Score(), 200 + 500);
  EXPECT_TRUE(Processor->Heard("Match\\CrossBonusExplode.ogg"));
  EXPECT_EQ(Rules.Logic->DiceAppearCounter(), 2);
}

TEST_F(BonusChains, TheChainInPlaceExplodesWhatLandsOnItsCellUntilItsHeadEnds) {
  AddAnimation(*Library, "Game\\Match\\GameItems\\Bonuses\\Line\\Explode.ani", 1000);
  DrawBoard(Rules.Board(), QuietBoard());
  New<TExplosionChain>(Processor, TRowCol{4, 4}, StepInPlace,
                       "Game/Match/GameItems/Bonuses/Line/Explosion.ani", 9);
  auto AtOrigin = [this] {
    return std::count(Processor->Exploded.begin(), Processor->Exploded.end(), TRowCol{4, 4});
  };
  EXPECT_EQ(AtOrigin(), 1);
  for (int I = 0; I < 45; ++I) {
    Frame();
  }
  EXPECT_EQ(Chains(), 1);
  // The gems falling in from above are exploded as they land.
  EXPECT_GE(AtOrigin(), 2);
  for (int I = 0; I < 10; ++I) {
    Frame();
  }
  EXPECT_EQ(Chains(), 0);
  auto Final = AtOrigin();
  for (int I = 0; I < 100; ++I) {
    Frame();
  }
  EXPECT_EQ(AtOrigin(), Final);
  EXPECT_NE(Rules.Cell(4, 4)->Item(), nullptr);
  // Nothing but the origin's column was touched.
  for (TRowCol RC : Processor->Exploded) {
    EXPECT_EQ(RC, (TRowCol{4, 4}));
  }
}

// --- The rows kept in place --------------------------------------------------------------------

TEST_F(BonusChains, HorizontalChainsKeepTheirOriginRowsInPlace) {
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "", "", "_____L____", "", "__C_______"});
  Explode(4, 5);
  Explode(6, 2);
  EXPECT_EQ(TExplosionChain::HorizontalChainRows(*Processor), (std::vector<int32_t>{4, 6}));
  for (TExplosionChain* C : RunningChains()) {
    EXPECT_EQ(C->BlockedRow(), C->Direction().Col != 0 ? C->Origin().Row : -1);
  }
  RunChains();
  EXPECT_TRUE(TExplosionChain::HorizontalChainRows(*Processor).empty());
}

TEST_F(BonusChains, NothingAboveALineChainFallsUntilItsChainsEnd) {
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "", "", "_____L____"});
  std::vector<TItem*> Above;
  for (int R = 0; R < 4; ++R) {
    for (int C = 0; C < CBoardSize; ++C) {
      Above.push_back(Rules.Cell(R, C)->Item());
    }
  }
  auto Unmoved = [&] {
    for (int R = 0; R < 4; ++R) {
      for (int C = 0; C < CBoardSize; ++C) {
        if (Rules.Cell(R, C)->Item() != Above[static_cast<size_t>(R * CBoardSize + C)]) {
          return false;
        }
      }
    }
    return true;
  };
  Explode(4, 5);
  for (int I = 0; I < 300 && Chains() > 0; ++I) {
    Frame();
    ASSERT_TRUE(Unmoved()) << "frame " << I;
  }
  EXPECT_EQ(Chains(), 0);
  EXPECT_EQ(ExplodedSet(), RowCells(4));
}

// --- The pool of trails ------------------------------------------------------------------------

TEST_F(BonusChains, MovingChainsBorrowPooledTrailsAndGiveThemBack) {
  MakeScreen();
  EXPECT_EQ(Pool->LineCount(), 11);
  EXPECT_EQ(Pool->CrossCount(), 17);
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "C_________", "", "_____L____", "", "_______C__"});
  Explode(4, 5);
  EXPECT_EQ(Pool->FreeLineCount(), 9);
  std::vector<TGSymbol*> Borrowed;
  for (TExplosionChain* C : RunningChains()) {
    EXPECT_EQ(C->HasPooledEffect(), C->Direction() != StepInPlace);
    EXPECT_GE(PanelGraphics()->Count(), 1);
    if (C->HasPooledEffect()) {
      Borrowed.push_back(C->Effect());
    }
  }
  // Two crosses exploding together: eight moving chains, no trail for the chains in place.
  Explode(2, 0);
  Explode(6, 7);
  EXPECT_EQ(Pool->FreeCrossCount(), 17 - 8);
  RunChains();
  EXPECT_EQ(Pool->FreeLineCount(), 11);
  EXPECT_EQ(Pool->FreeCrossCount(), 17);
  EXPECT_EQ(PanelGraphics()->Count(), 0);

  // The next line bonus borrows the same symbols again.
  DrawBoard(Rules.Board(), {"", "", "", "", "", "", "", "", "____L_____"});
  Explode(8, 4);
  std::vector<TGSymbol*> Again;
  for (TExplosionChain* C : RunningChains()) {
    if (C->HasPooledEffect()) {
      Again.push_back(C->Effect());
    }
  }
  std::sort(Borrowed.begin(), Borrowed.end());
  std::sort(Again.begin(), Again.end());
  EXPECT_EQ(Again, Borrowed);
}

TEST_F(BonusChains, AnExhaustedPoolLendsNothingAndDoesNotGrow) {
  MakeScreen();
  DrawBoard(Rules.Board(), {"L", "L", "L", "L", "L", "L"});
  for (int R = 0; R < 6; ++R) {
    Explode(R, 0);
  }
  auto All = RunningChains();
  auto Own = std::count_if(All.begin(), All.end(), [](TExplosionChain* C) {
    return C->Direction() != StepInPlace && !C->HasPooledEffect();
  });
  EXPECT_EQ(Own, 1); // twelve moving chains, eleven pooled trails
  EXPECT_EQ(Pool->FreeLineCount(), 0);
  EXPECT_EQ(Pool->LineCount(), 11);
  RunChains();
  EXPECT_EQ(Pool->FreeLineCount(), 11);
  Pool->AddLine();
  EXPECT_EQ(Pool->LineCount(), 12);
  EXPECT_EQ(Pool->FreeLineCount(), 12);
}

TEST_F(BonusChains, ChainsOutliveAPoolFreedBeforeThem) {
  MakeScreen();
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "", "", "_____C____"});
  Explode(4, 5);
  Frame();
  Screen.reset(); // the pool and the panel go while the chains run
  EXPECT_EQ(ExplosionChainSymbolManager, nullptr);
  for (TExplosionChain* C : RunningChains()) {
    EXPECT_FALSE(C->HasPooledEffect());
  }
  RunChains();
  EXPECT_EQ(ExplodedSet(), Join(RowCells(4), Column(5)));
}

TEST_F(BonusChains, ReleasingASymbolOfNoPoolChangesNothing) {
  MakeScreen();
  TGSymbol* S = nullptr;
  ASSERT_TRUE(Pool->GetCross(S));
  TGObjectPtr<TGSymbol> Stranger(New<TGSymbol>(nullptr));
  Pool->ReleaseSymbol(Stranger.get());
  Pool->ReleaseSymbol(nullptr);
  EXPECT_EQ(Pool->FreeCrossCount(), 16);
  Pool->ReleaseSymbol(S);
  EXPECT_EQ(Pool->FreeCrossCount(), 17);
}

// --- The dice shower ---------------------------------------------------------------------------

TEST_F(BonusChains, TheDiceShowerFallsOnTwentyGemsAfterItsDelay) {
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "", "", "____D_____"});
  Explode(4, 4);
  EXPECT_TRUE(Processor->Heard("Match\\DiceBonusExplode.ogg"));
  EXPECT_EQ(Rules.Logic->Score(), 1000);
  EXPECT_EQ(Rules.Logic->DiceAppearCounter(), 0);
  auto* Creator = Processor->FindTask<TExplosionDiceCreator>();
  ASSERT_NE(Creator, nullptr);
  EXPECT_EQ(Creator->Origin(), (TRowCol{4, 4}));
  Processor->Exploded.clear();
  float Time = 0;
  for (; Time < 1.55f; Time += 0.02f) {
    Frame();
  }
  EXPECT_EQ(Count(TExplosionDice::StaticClass()), 0);
  std::set<std::pair<int, int>> Targets;
  for (; Time < 2.2f; Time += 0.02f) {
    Frame();
    for (TTask* T : Processor->Tasks()) {
      if (auto* D = T ? TryObjectCast<TExplosionDice>(T) : nullptr) {
        Targets.insert({D->Target().Row, D->Target().Col});
        EXPECT_TRUE(Rules.Cell(D->Target().Row, D->Target().Col)->IsLocked());
      }
    }
  }
  EXPECT_EQ(Processor->FindTask<TExplosionDiceCreator>(), nullptr);
  EXPECT_EQ(Targets.size(), 20u);
  for (int I = 0; I < 100 && Count(TExplosionDice::StaticClass()) > 0; ++I) {
    Frame();
  }
  EXPECT_EQ(Count(TExplosionDice::StaticClass()), 0);
  EXPECT_EQ(ExplodedSet(), Targets);
}

TEST_F(BonusChains, TheDiceShowerStartsBelowABlockAndSparesNonGems) {
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "___B______", "", "____D_____", "", "", "", "", "L_________"});
  Explode(4, 4);
  auto* Creator = Processor->FindTask<TExplosionDiceCreator>();
  ASSERT_NE(Creator, nullptr);
  TExplosionDice* First = nullptr;
  for (int I = 0; I < 200 && !First; ++I) {
    Frame();
    First = Processor->FindTask<TExplosionDice>();
  }
  ASSERT_NE(First, nullptr);
  EXPECT_EQ(First->Target(), (TRowCol{3, 3}));
  for (int I = 0; I < 100 && Processor->FindTask<TExplosionDice>(); ++I) {
    Frame();
  }
  EXPECT_EQ(ExplodedSet().count({2, 3}), 0u);
  EXPECT_EQ(ExplodedSet().count({9, 0}), 0u);
}

TEST_F(BonusChains, AShowerWithFewGemsMakesFewerExplosions) {
  // Holes everywhere else, so that nothing refills the board.
  DrawBoard(Rules.Board(), {"1#1#1#####", "##########", "##########", "##########", "####D#####",
                            "##########", "##########", "##########", "##########", "1#########"});
  Explode(4, 4);
  std::set<std::pair<int, int>> Targets;
  for (int I = 0; I < 200; ++I) {
    Frame();
    for (TTask* T : Processor->Tasks()) {
      if (auto* D = T ? TryObjectCast<TExplosionDice>(T) : nullptr) {
        Targets.insert({D->Target().Row, D->Target().Col});
      }
    }
  }
  for (std::pair<int, int> Gem : {std::pair{0, 0}, {0, 2}, {0, 4}, {9, 0}}) {
    EXPECT_EQ(Targets.count(Gem), 1u);
  }
  EXPECT_LE(Targets.size(), 5u); // at most a gem refilled on the dice's own cell besides
  EXPECT_EQ(Processor->FindTask<TExplosionDiceCreator>(), nullptr);
}

TEST_F(BonusChains, TheDiceFlightArcsFromCellToCell) {
  TGFlatVector Start{20, 20};
  TGFlatVector End{120, 220};
  TGFlatVector Quarter = Interpolation(Start, End, 0.25f);
  EXPECT_FLOAT_EQ(Quarter.X, 20 + 0.5f * 100);
  EXPECT_FLOAT_EQ(Quarter.Y, 20 + 0.0625f * 200);
  TGObjectPtr<TGAnimation> Ani(CreateDiceAnimation(nullptr, nullptr, Start, End));
  EXPECT_EQ(Ani->TotalTime(), 1000);
  EXPECT_FLOAT_EQ(Ani->Speed(), 1.5f);
  Ani->Update(0.6f); // 900 ms of animation time
  EXPECT_FALSE(Ani->IsFinished());
  Ani->Update(0.07f);
  EXPECT_TRUE(Ani->IsFinished());
}

TEST_F(BonusChains, TheDiceShowsItsGlobalExplosionOverTheScreen) {
  AddAnimation(*Library, "Game/Match/GameItems/Bonuses/Dice/Global.ani", 500);
  MakeScreen();
  DrawBoard(Rules.Board(), {"", "", "", "", "____D_____"});
  int32_t Before = Screen->Count();
  Explode(4, 4);
  ASSERT_EQ(Screen->Count(), Before + 1);
  auto* Picture = TryObjectCast<TGPicture>(Screen->Items(Before));
  ASSERT_NE(Picture, nullptr);
  EXPECT_EQ(Picture->Top(), -100);
  EXPECT_EQ(Picture->Left(), 0);
  EXPECT_EQ(Picture->Width(), 41);
}

// --- With the demo's pictures ------------------------------------------------------------------

TEST_F(BonusChains, WithTheDemosPicturesEveryBonusEndsOnABoardAtRest) {
  SetMainResourceLibrary(nullptr);
  Library.reset(new TGResourceLibrary(nullptr, true, true));
  Library->Load(new TGNativeFileSystem(nullptr, HOE_CONTENT), nullptr, rdtCommon, 0);
  SetMainResourceLibrary(Library.get());
  MakeScreen();
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "_L________", "", "", "_____C____", "", "", "________D_"});
  Explode(1, 1);
  Explode(4, 5);
  Explode(7, 8);
  int Frames = 0;
  for (; Frames < 1000 && !Rules.Board().IsStill(); ++Frames) {
    Frame();
  }
  EXPECT_TRUE(Rules.Board().IsStill());
  EXPECT_TRUE(ItemsWhereTheyBelong(Rules.Board()));
  EXPECT_EQ(Pool->FreeLineCount(), Pool->LineCount());
  EXPECT_EQ(Pool->FreeCrossCount(), Pool->CrossCount());
  TCellSet Cleared = Join(Join(RowCells(1), RowCells(4)), Column(5));
  for (auto Cell : Cleared) {
    EXPECT_EQ(ExplodedSet().count(Cell), 1u) << Cell.first << "," << Cell.second;
  }
}

} // namespace
