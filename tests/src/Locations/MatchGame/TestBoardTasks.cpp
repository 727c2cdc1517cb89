// The board's tasks on a board of real rules: what each animation locks and releases, and that
// the animated board ends where the instant one would.
#include "Locations/MatchGame/UExplodeTasks.h"
#include "Locations/MatchGame/UPackTasks.h"
#include "Locations/MatchGame/USwapTasks.h"
#include "Locations/MatchGame/UTask.h"
#include "Locations/MatchGame/UTaskProcessor.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "object/UGClassBuilder.h"

#include "HeadlessDevice.h"
#include "MatchTestBoard.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace MatchTest;

constexpr float CStep = 0.02f;

class TRecordingProcessor : public TTaskProcessor {
public:
  explicit TRecordingProcessor(TGObject* AOwner = nullptr)
      : TTaskProcessor(AOwner) {}
  void PlaySound(std::string_view URL) override { Sounds.emplace_back(URL); }
  int Heard(std::string_view URL) const {
    return static_cast<int>(std::count(Sounds.begin(), Sounds.end(), std::string(URL)));
  }
  std::vector<std::string> Sounds;
};

// Rules whose board's changes are carried out by the task processor.
struct TTaskBoard {
  explicit TTaskBoard(const std::string& Attributes = "GemSet=\"12345\" TotalTime=\"1000\"")
      : Level(LevelXML(Attributes)) {
    RegisterMatchGameClasses();
    Logic.reset(New<TGameLogic>(nullptr, 0, Level.get(), TGameLogicStartupInfo{}, TestConfig()));
    P = new TRecordingProcessor();
    Logic->Board()->SetActions(P);
  }
  TBoard& Board() const { return *Logic->Board(); }
  TCell* Cell(int Row, int Col) const { return Board().GetCell(Row, Col); }
  // Frames of the board alone (no rules' play: no new matches are looked for).
  void RunBoard(float Seconds) {
    for (float T = 0; T < Seconds; T += CStep) {
      Board().Update(CStep);
    }
  }
  // Frames of the rules until the board has stayed still for a frame (what lands in one frame
  // is looked at in the next), or the time runs out.
  bool PlayUntilStill(float MaxSeconds = 30) {
    int StillFrames = 0;
    for (float T = 0; T < MaxSeconds; T += CStep) {
      Logic->Update(CStep);
      bool Still = Board().IsStill() && !P->IsSwapRunning() && OnlyLastingTasks();
      StillFrames = Still ? StillFrames + 1 : 0;
      if (StillFrames >= 2) {
        return true;
      }
    }
    return false;
  }
  bool OnlyLastingTasks() const {
    for (TTask* T : P->Tasks()) {
      if (T && !T->IsFinished() && !TryObjectCast<TPackBoardTask>(T) &&
          !TryObjectCast<TBloksTask>(T)) {
        return false;
      }
    }
    return true;
  }
  int LockedCells() const {
    int N = 0;
    for (const TCell* C : Board().Cells()) {
      N += C->IsLocked() ? 1 : 0;
    }
    return N;
  }
  template <class T>
  int Running() const {
    int N = 0;
    for (TTask* Task : P->Tasks()) {
      N += TryObjectCast<T>(Task) && !Task->IsFinished() ? 1 : 0;
    }
    return N;
  }

  TGObjectPtr<TGXMLNode> Level;
  TGObjectPtr<TGameLogic> Logic;
  TRecordingProcessor* P = nullptr; // owned by the board
};

std::map<int, int> KindCounts(const TBoard& Board) {
  std::map<int, int> Counts;
  for (const TCell* C : Board.Cells()) {
    if (auto* Gem = ItemAs<TGem>(C->Item())) {
      ++Counts[Gem->Kind()];
    }
  }
  return Counts;
}

bool AtRest(const TBoard& Board) {
  for (const TCell* C : Board.Cells()) {
    if (C->IsLocked() || (!C->IsHole() && !C->Item())) {
      return false;
    }
  }
  return true;
}

// --- The processor's loop ----------------------------------------------------------------------

} // namespace

namespace BoardTasksTest {

class TCountingTask : public TTask {
  G_CLASS(TCountingTask, TTask)
  explicit TCountingTask(TTaskProcessor* AProcessor)
      : TTask(AProcessor) {}
  void Update(float Seconds) override {
    (void)Seconds;
    ++Updates;
    if (Victim) {
      TTask* V = Victim;
      Victim = nullptr;
      V->Free();
    }
    if (MakeOne) {
      MakeOne = false;
      Made = new TCountingTask(TaskProcessor());
    }
  }
  int Updates = 0;
  TTask* Victim = nullptr;
  bool MakeOne = false;
  TCountingTask* Made = nullptr;
};

G_IMPLEMENT_CLASS(TCountingTask)

} // namespace BoardTasksTest

namespace {

using BoardTasksTest::TCountingTask;

TEST(TaskProcessor, SurvivesATaskFreedByAnotherDuringItsLoop) {
  TGObjectPtr<TTaskProcessor> P(new TTaskProcessor());
  auto* First = new TCountingTask(P.get());
  auto* Victim = new TCountingTask(P.get());
  auto* Last = new TCountingTask(P.get());
  First->Victim = Victim;
  First->MakeOne = true;
  P->Update(CStep);
  EXPECT_EQ(First->Updates, 1);
  EXPECT_EQ(Last->Updates, 1); // not skipped when the list shrank
  ASSERT_NE(First->Made, nullptr);
  EXPECT_EQ(First->Made->Updates, 0); // made during the loop: runs from the next frame
  EXPECT_EQ(std::count(P->Tasks().begin(), P->Tasks().end(), nullptr), 0);
  EXPECT_EQ(P->CountTasks(TCountingTask::StaticClass()), 3);
  P->Update(CStep);
  EXPECT_EQ(First->Made->Updates, 1);
}

TEST(TaskProcessor, FreesFinishedTasksAndFindsByClass) {
  TGObjectPtr<TTaskProcessor> P(new TTaskProcessor());
  auto* T = new TCountingTask(P.get());
  EXPECT_EQ(P->FindTask(TCountingTask::StaticClass()), T);
  EXPECT_EQ(P->FindTask(TSwapItemsTask::StaticClass()), nullptr);
  T->Finish();
  P->Update(CStep);
  EXPECT_EQ(P->FindTask(TCountingTask::StaticClass()), nullptr);
  // A task freed by anyone leaves the list.
  auto* U = new TCountingTask(P.get());
  U->Free();
  EXPECT_EQ(P->FindTask(TCountingTask::StaticClass()), nullptr);
}

TEST(TaskLocks, AnotherTasksCellRaisesAndSuspendRevives) {
  TTaskBoard B;
  TGObjectPtr<TTaskProcessor> Other(new TTaskProcessor());
  auto* A = new TCountingTask(B.P);
  auto* C = new TCountingTask(B.P);
  TCell* Cell = B.Cell(2, 3);
  A->LockCell(Cell);
  A->LockCell(Cell); // again for the same task: nothing
  EXPECT_EQ(A->Cells().size(), 1u);
  EXPECT_THROW(C->LockCell(Cell), EGException);
  A->LockCell(B.Cell(2, 4));
  A->Suspend();
  EXPECT_FALSE(Cell->IsLocked());
  EXPECT_FALSE(B.Cell(2, 4)->IsLocked());
  A->Revive();
  EXPECT_EQ(Cell->LockedByTask(), A);
  EXPECT_EQ(B.Cell(2, 4)->LockedByTask(), A);
  A->UnlockCells();
  EXPECT_THROW(A->UnlockCell(Cell), EGException);
  A->LockCell(Cell);
  A->Free(); // its locks go with it
  EXPECT_FALSE(Cell->IsLocked());
  C->Free();
}

TEST(TaskLocks, ABoardTaskOfAProcessorWithoutABoardFailsTheAssertion) {
  TGObjectPtr<TTaskProcessor> P(new TTaskProcessor());
  auto* T = new TBoardTask(P.get());
  EXPECT_ERROR_TEXT(T->Board(), "Assertion failure");
}

// --- Selection ---------------------------------------------------------------------------------

TEST(SelectTask, LocksItsCellUntilDeselectedOrTheCellBelowEmpties) {
  TTaskBoard B;
  DrawBoard(B.Board(), QuietBoard());
  B.P->Select(B.Cell(4, 4));
  EXPECT_EQ(B.P->SelectedCell(), B.Cell(4, 4));
  EXPECT_TRUE(TryObjectCast<TSelectItemTask>(B.Cell(4, 4)->LockedByTask()));
  EXPECT_EQ(B.Cell(4, 4)->Item()->Graphic(), ItemAs<TGem>(B.Cell(4, 4)->Item())->GetSelectedGfx());
  B.P->Deselect();
  EXPECT_EQ(B.P->SelectedCell(), nullptr);
  EXPECT_FALSE(B.Cell(4, 4)->IsLocked());
  EXPECT_EQ(B.Cell(4, 4)->Item()->Graphic(), B.Cell(4, 4)->Item()->GetStaticGfx());

  B.P->Select(B.Cell(4, 4));
  B.Cell(5, 4)->Item()->Free(); // the gem below leaves: the selected one is about to fall
  B.Board().Update(CStep);
  EXPECT_EQ(B.P->SelectedCell(), nullptr);
  EXPECT_FALSE(TryObjectCast<TSelectItemTask>(B.Cell(4, 4)->LockedByTask()));
}

// --- Swaps -------------------------------------------------------------------------------------

TEST(SwapTask, AFailedSwapGoesBackAndLeavesTheCellsUnchangedAndUnlocked) {
  TTaskBoard B;
  DrawBoard(B.Board(), QuietBoard());
  auto Before = BoardText(B.Board());
  TItem* A = B.Cell(0, 0)->Item();
  ASSERT_TRUE(B.P->SwapItems(TRowCol{0, 0}, TRowCol{0, 1}));
  EXPECT_TRUE(B.P->IsSwapRunning());
  EXPECT_TRUE(B.Cell(0, 0)->IsLocked());
  EXPECT_TRUE(B.Cell(0, 1)->IsLocked());
  EXPECT_NE(B.P->ItemAnimation(A), nullptr);
  B.RunBoard(0.1f);
  EXPECT_TRUE(B.P->IsSwapRunning()); // two passes of 1000 / 8 ms
  B.RunBoard(0.3f);
  EXPECT_FALSE(B.P->IsSwapRunning());
  EXPECT_EQ(BoardText(B.Board()), Before);
  EXPECT_EQ(B.Cell(0, 0)->Item(), A);
  EXPECT_EQ(B.LockedCells(), 0);
  EXPECT_EQ(B.P->ItemAnimation(A), nullptr);
  EXPECT_EQ(B.Running<TExplodeItemsTask>(), 0);
}

TEST(SwapTask, ARealSwapExchangesAtOnceAndResolvesItsMatchAfterTheAnimation) {
  TTaskBoard B;
  auto Board = QuietBoard();
  Board[0] = "1151343456"; // swapping (0, 2) and (0, 3) makes 1 1 1
  DrawBoard(B.Board(), Board);
  ASSERT_TRUE(B.P->SwapItems(TRowCol{0, 3}, TRowCol{0, 2}));
  EXPECT_EQ(BoardText(B.Board())[0], "1115343456"); // exchanged at once
  for (int Col = 0; Col < 4; ++Col) {
    EXPECT_TRUE(B.Cell(0, Col)->IsLocked()) << Col;
  }
  // Nothing explodes while the swap runs.
  B.RunBoard(0.05f);
  EXPECT_EQ(B.Logic->Score(), 0);
  B.RunBoard(0.15f);
  EXPECT_FALSE(B.P->IsSwapRunning());
  B.RunBoard(0.05f);
  EXPECT_EQ(B.Logic->Score(), 30);
  ASSERT_TRUE(B.PlayUntilStill());
  EXPECT_TRUE(AtRest(B.Board()));
  EXPECT_TRUE(ItemsWhereTheyBelong(B.Board()));
}

// --- Resolutions -------------------------------------------------------------------------------

TEST(ExplodeTasks, TwoOverlappingMatchesInOneFrameBecomeOneResolution) {
  TTaskBoard B;
  DrawBoard(B.Board(), QuietBoard());
  std::vector<TCell*> Row{B.Cell(5, 2), B.Cell(5, 3), B.Cell(5, 4)};
  std::vector<TCell*> Col{B.Cell(3, 4), B.Cell(4, 4), B.Cell(5, 4)};
  B.P->ExplodeItems(Row, TRowCol{5, 4}, TRowCol{5, 3});
  B.P->ExplodeItems(Col, TRowCol{5, 4}, TRowCol{4, 4});
  EXPECT_EQ(B.Running<TExplodeItemsTask>(), 1);
  auto* R = B.P->FindTask<TExplodeItemsTask>();
  EXPECT_EQ(R->CellSet().size(), 5u);
  for (TCell* C : R->CellSet()) {
    EXPECT_EQ(C->LockedByTask(), R);
  }
  B.Board().Update(CStep);
  EXPECT_EQ(B.Logic->Score(), 50); // one match of five
  // The explosions hold the cells; the cross bonus waits for its cell.
  for (TCell* C : Row) {
    EXPECT_TRUE(B.P->IsExplosionLock(*C));
  }
  EXPECT_EQ(B.Running<TExplodeItemTask>(), 5);
  ASSERT_TRUE(B.PlayUntilStill());
  EXPECT_TRUE(ItemAs<TCrossBonus>(B.Cell(5, 4)->Item()) != nullptr);
}

TEST(ExplodeTasks, TheResolutionHandsItsLocksToTheExplosions) {
  TTaskBoard B;
  DrawBoard(B.Board(), QuietBoard());
  std::vector<TCell*> Cells{B.Cell(9, 0), B.Cell(9, 1), B.Cell(9, 2)};
  B.P->ExplodeItems(Cells, CNoCell, CNoCell);
  EXPECT_NO_THROW(B.Board().Update(CStep));
  for (TCell* C : Cells) {
    EXPECT_TRUE(TryObjectCast<TExplodeItemTask>(C->LockedByTask())) << C->RowCol().Col;
  }
  EXPECT_EQ(B.Running<TExplodeItemsTask>(), 0);
  // Without an explosion picture the explosion ends at its first update.
  B.Board().Update(CStep);
  for (TCell* C : Cells) {
    EXPECT_FALSE(B.P->IsExplosionLock(*C));
  }
  ASSERT_TRUE(B.PlayUntilStill());
  EXPECT_TRUE(AtRest(B.Board()));
}

TEST(ExplodeTasks, AResolutionOnTheSelectedCellDropsTheSelection) {
  TTaskBoard B;
  DrawBoard(B.Board(), QuietBoard());
  B.P->Select(B.Cell(9, 1));
  std::vector<TCell*> Cells{B.Cell(9, 0), B.Cell(9, 1), B.Cell(9, 2)};
  B.P->ExplodeItems(Cells, CNoCell, CNoCell);
  B.Board().Update(CStep);
  EXPECT_EQ(B.P->SelectedCell(), nullptr);
  // The freed cell is locked in the next frame and the match resolves in the one after.
  B.Board().Update(CStep);
  EXPECT_EQ(B.Logic->Score(), 0);
  B.Board().Update(CStep);
  EXPECT_EQ(B.Logic->Score(), 30);
  ASSERT_TRUE(B.PlayUntilStill());
}

// --- Falling and refilling ---------------------------------------------------------------------

TEST(PackTasks, ACascadeOfFallsAndRefillsEndsWithTheBoardAtRest) {
  TTaskBoard B; // the board starts empty: every item falls in
  B.Board().Update(CStep);
  EXPECT_GT(B.LockedCells(), 0);
  ASSERT_TRUE(B.PlayUntilStill(60));
  EXPECT_TRUE(AtRest(B.Board()));
  EXPECT_TRUE(ItemsWhereTheyBelong(B.Board()));
  EXPECT_GT(B.P->Heard("Match\\GemFall01.ogg"), 0);
}

TEST(PackTasks, AGemFallsPastAHoleAndABlockStopsAboveIt) {
  TTaskBoard B;
  auto Board = QuietBoard();
  Board[0] = "1B12343456";
  Board[1] = "..34565612";
  Board[2] = "##12343456";
  Board[3] = "..34565612";
  DrawBoard(B.Board(), Board);
  TItem* Gem = B.Cell(0, 0)->Item();
  TItem* Block = B.Cell(0, 1)->Item();
  B.Board().Update(CStep);
  EXPECT_EQ(B.Cell(3, 0)->Item(), Gem); // on the board at once, locked while it falls
  EXPECT_TRUE(B.Cell(3, 0)->IsLocked());
  EXPECT_EQ(B.Cell(1, 1)->Item(), Block);
  B.RunBoard(2);
  EXPECT_EQ(Gem->Cell(), B.Cell(3, 0));
  EXPECT_EQ(Block->Cell(), B.Cell(1, 1));
  EXPECT_TRUE(AtRest(B.Board()));
}

TEST(PackTasks, RefilledItemsEnterFromSuccessivelyHigherRows) {
  TTaskBoard B;
  auto Board = QuietBoard();
  for (int Row = 0; Row < 3; ++Row) {
    Board[static_cast<size_t>(Row)][0] = '.';
  }
  DrawBoard(B.Board(), Board);
  B.Board().Update(CStep); // the pack task makes the column tasks
  B.Board().Update(CStep);
  for (int Row = 2, Above = -1; Row >= 0; --Row, --Above) {
    TItem* Item = B.Cell(Row, 0)->Item();
    ASSERT_NE(Item, nullptr);
    TGAnimation* A = B.P->ItemAnimation(Item);
    ASSERT_NE(A, nullptr) << Row;
    auto* Picture = TryObjectCast<TGLivePicture>(A->GetChannel(0));
    ASSERT_NE(Picture, nullptr);
    EXPECT_FLOAT_EQ(Picture->Y()->GetRealValue(0), Above * CCellSize + CCellSize / 2.0f) << Row;
    EXPECT_FLOAT_EQ(Picture->Y()->GetRealValue(A->TotalTime()), Row * CCellSize + CCellSize / 2.0f);
  }
  B.RunBoard(2);
  EXPECT_TRUE(AtRest(B.Board()));
}

// --- Shuffle, hint, blocks ---------------------------------------------------------------------

TEST(ShuffleTask, KeepsTheCountOfEachKindAndLocksUntilItEnds) {
  TTaskBoard B;
  DrawBoard(B.Board(), QuietBoard());
  auto Before = KindCounts(B.Board());
  B.P->ShuffleItems();
  EXPECT_EQ(KindCounts(B.Board()), Before);
  EXPECT_EQ(B.LockedCells(), 100);
  B.RunBoard(0.9f);
  EXPECT_EQ(B.LockedCells(), 100);
  B.RunBoard(0.2f);
  EXPECT_EQ(B.LockedCells(), 0);
  EXPECT_EQ(KindCounts(B.Board()), Before);
  EXPECT_TRUE(ItemsWhereTheyBelong(B.Board()));
}

TEST(HintTask, TheHintedItemCarriesTheStarAfterItsAnimation) {
  TTaskBoard B;
  auto Board = QuietBoard();
  Board[1] = "3414565612"; // (1, 2) up to (0, 2) makes 1 1 1... along row 0
  Board[0] = "1132343456";
  DrawBoard(B.Board(), Board);
  B.P->ShowHint();
  auto* Hint = B.P->FindTask<THintTask>();
  ASSERT_NE(Hint, nullptr);
  ASSERT_TRUE(Hint->RowCol().InsideBoard());
  TCell* Cell = B.Board().GetCell(Hint->RowCol());
  EXPECT_EQ(Cell->LockedByTask(), Hint);
  B.RunBoard(2.7f);
  EXPECT_TRUE(Cell->Item()->IsBlinking());
  EXPECT_FALSE(Cell->IsLocked());
  EXPECT_EQ(B.P->Heard("Match\\Hint.ogg"), 1);
}

TEST(BlockTasks, AnArrivingBlockReplacesTheItemAndIsCollectedAtTheBottom) {
  TTaskBoard B;
  DrawBoard(B.Board(), QuietBoard());
  B.P->ArriveBlock(B.Cell(8, 3), 0);
  EXPECT_TRUE(B.Cell(8, 3)->IsLocked());
  EXPECT_TRUE(ItemAs<TGem>(B.Cell(8, 3)->Item()));
  B.RunBoard(0.8f);
  EXPECT_TRUE(ItemAs<TBlock>(B.Cell(8, 3)->Item()));
  EXPECT_EQ(B.P->Heard("Match\\CubeAppear.ogg"), 1);
  B.Cell(9, 3)->Item()->Free(); // the block falls to the bottom row and leaves
  ASSERT_TRUE(B.PlayUntilStill());
  EXPECT_EQ(B.Logic->BlocksCollected(), 1);
  EXPECT_FALSE(B.Board().IsBlockHere());
}

} // namespace

TEST(BlinkTask, AGemBlinksAfterItsDelayOnlyWhenItsCellIsFree) {
  TTaskBoard B;
  DrawBoard(B.Board(), QuietBoard());
  TCell* Now = B.Board().GetCell(5, 5);
  TCell* Later = B.Board().GetCell(5, 6);
  TCell* Taken = B.Board().GetCell(5, 7);
  B.P->BlinkItem(Now, 0);
  EXPECT_TRUE(Now->Item()->IsHighlighted());
  B.P->BlinkItem(Later, 0.3f);
  B.P->BlinkItem(Taken, 0.3f);
  B.P->Select(Taken);
  B.RunBoard(0.2f);
  EXPECT_FALSE(Later->Item()->IsHighlighted());
  B.RunBoard(0.2f);
  EXPECT_TRUE(Later->Item()->IsHighlighted());
  EXPECT_FALSE(Taken->Item()->IsHighlighted()); // selected meanwhile: no blink
  EXPECT_EQ(B.P->CountTasks(TBlinkItemTask::StaticClass()), 0);
}
