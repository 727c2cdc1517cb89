// The rules of a level: the move search against a search by brute force, hints, the no-moves
// shuffle, blocks and sockets, triggers, portals, the time line, and whole levels played.
#include "MatchTestBoard.h"

#include "Locations/MatchGame/UTriggerEffects.h"

#include <gtest/gtest.h>

using namespace MatchTest;

namespace {

// The move search as its rule states it: every candidate swap asked of GetMatchAfterSwap.
bool BruteFindMatch(TBoard& Board, TRowCol& Cell, TRowCol& Neighbour, bool CheckLocked) {
  std::vector<TCell*> A;
  std::vector<TCell*> B;
  for (int Row = 1; Row < 10; ++Row) {
    for (int Col = 1; Col < 10; ++Col) {
      if (CheckLocked &&
          (Board.GetCell(Row, Col)->IsLocked() || Board.GetCell(Row, Col - 1)->IsLocked())) {
        continue;
      }
      for (TRowCol Step : {StepLeft, StepUp}) {
        TRowCol Here{Row, Col};
        if (Board.GetMatchAfterSwap(Here, Here + Step, A, B)) {
          Cell = Here;
          Neighbour = Here + Step;
          return true;
        }
      }
    }
  }
  return false;
}

// A random board of five to nine kinds, with holes, empty cells, locks, blocks and bonuses.
void RandomBoard(TRules& Rules, TGRandom& R) {
  int Kinds = 5 + R.Random(5);
  int Others = 20 + R.Random(20); // percent of cells without a gem
  std::vector<std::string> Lines;
  for (int Row = 0; Row < 10; ++Row) {
    std::string Line;
    for (int Col = 0; Col < 10; ++Col) {
      int Pick = R.Random(100);
      Line += Pick >= Others      ? static_cast<char>('1' + R.Random(Kinds))
              : Pick < Others / 3 ? '#'
              : Pick < Others / 2 ? '.'
              : Pick < Others - 3 ? 'B'
              : Pick < Others - 1 ? 'L'
                                  : 'D';
    }
    Lines.push_back(Line);
  }
  // Gems that would complete a line with the two to their left or above are drawn again, so
  // that boards without a move are not rare.
  for (int Row = 0; Row < 10; ++Row) {
    for (int Col = 0; Col < 10; ++Col) {
      char& Ch = Lines[static_cast<size_t>(Row)][static_cast<size_t>(Col)];
      for (int Try = 0; Try < 10 && Ch >= '1' && Ch <= '9'; ++Try) {
        bool Left = Col >= 2 && Lines[Row][Col - 1] == Ch && Lines[Row][Col - 2] == Ch;
        bool Up = Row >= 2 && Lines[Row - 1][Col] == Ch && Lines[Row - 2][Col] == Ch;
        if (!Left && !Up) {
          break;
        }
        Ch = static_cast<char>('1' + R.Random(Kinds));
      }
    }
  }
  for (TCell* C : Rules.Board().Cells()) {
    C->SetFlags({});
    if (C->IsLocked()) {
      C->Unlock();
    }
  }
  DrawBoard(Rules.Board(), Lines);
  for (TCell* C : Rules.Board().Cells()) {
    if (R.Random(20) == 0) {
      C->Lock(Rules.Actions);
    }
  }
}

// Runs frames until the board is still and nothing waits (at most Limit frames).
void Settle(TRules& Rules, int Limit = 500) {
  for (int Frame = 0; Frame < Limit; ++Frame) {
    if (Rules.Board().IsStill() && Rules.Actions->PendingMatches().empty()) {
      return;
    }
    Rules.Logic->Update(1.0f / 30);
  }
}

// Takes the gems of the column between the rows away (as matches would), so that what stands
// above falls.
void ClearColumn(TRules& Rules, int Col, int FromRow, int ToRow) {
  for (int Row = FromRow; Row <= ToRow; ++Row) {
    if (auto* Gem = dynamic_cast<TGem*>(Rules.Cell(Row, Col)->Item())) {
      Gem->Free();
    }
  }
}

// Puts a block where a gem stood.
void PutBlock(TRules& Rules, int Row, int Col) {
  Rules.Cell(Row, Col)->Item()->Free();
  Rules.Cell(Row, Col)->SetItem(New<TBlock>(&Rules.Board()));
}

} // namespace

TEST(MatchMoves, TheSearchAgreesWithBruteForce) {
  TRules Rules;
  TGRandom R(2024);
  int Found = 0;
  for (int Board = 0; Board < 3000; ++Board) {
    RandomBoard(Rules, R);
    for (bool CheckLocked : {false, true}) {
      TRowCol C1 = CNoCell, N1 = CNoCell, C2 = CNoCell, N2 = CNoCell;
      bool Fast = Rules.Board().FindMatch(C1, N1, CheckLocked);
      bool Slow = BruteFindMatch(Rules.Board(), C2, N2, CheckLocked);
      ASSERT_EQ(Fast, Slow) << Board;
      if (Fast) {
        ASSERT_EQ(C1, C2) << Board;
        ASSERT_EQ(N1, N2) << Board;
        ++Found;
      }
    }
  }
  // Both answers occur often enough for the comparison to mean something.
  EXPECT_GT(Found, 500);
  EXPECT_GT(6000 - Found, 100);
}

TEST(MatchMoves, MovesAlongRowZeroDoNotCount) {
  TRules Rules;
  DrawBoard(Rules.Board(), QuietBoard());
  TRowCol Cell, Neighbour;
  EXPECT_FALSE(Rules.Board().FindMatch(Cell, Neighbour, false));
  // 7 7 8 7 along row 0 would be a move, but swaps along row 0 are not tried.
  DrawBoard(Rules.Board(), {"7787______"});
  EXPECT_FALSE(Rules.Board().FindMatch(Cell, Neighbour, false));
  // The same shape on row 1 is found, at the swap with the left neighbour.
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"__________", "7787______"});
  ASSERT_TRUE(Rules.Board().FindMatch(Cell, Neighbour, false));
  EXPECT_EQ(Cell, (TRowCol{1, 3}));
  EXPECT_EQ(Neighbour, (TRowCol{1, 2}));
}

TEST(MatchMoves, ABoardWithoutMovesIsShuffledAfterFiveSeconds) {
  TRules Rules;
  DrawBoard(Rules.Board(), QuietBoard());
  auto Before = BoardText(Rules.Board());
  for (int Frame = 0; Frame < 50; ++Frame) {
    Rules.Logic->Update(0.1f);
  }
  EXPECT_EQ(BoardText(Rules.Board()), Before);
  EXPECT_NEAR(Rules.Logic->NoMovesTimer(), 5.0f, 0.11f);
  Rules.Logic->Update(0.1f);
  Rules.Logic->Update(0.1f);
  EXPECT_TRUE(Rules.Actions->Heard("Match\\Shuffle.ogg"));
  EXPECT_NE(BoardText(Rules.Board()), Before);
  EXPECT_LT(Rules.Logic->NoMovesTimer(), 0.5f);
  EXPECT_TRUE(ItemsWhereTheyBelong(Rules.Board()));
  // The shuffle made no line, and kept the gems it had.
  auto After = BoardText(Rules.Board());
  std::string Sorted1, Sorted2;
  for (int R = 0; R < 10; ++R) {
    Sorted1 += Before[static_cast<size_t>(R)];
    Sorted2 += After[static_cast<size_t>(R)];
  }
  std::sort(Sorted1.begin(), Sorted1.end());
  std::sort(Sorted2.begin(), Sorted2.end());
  EXPECT_EQ(Sorted1, Sorted2);
}

TEST(MatchMoves, ABonusOnTheBoardIsAMove) {
  TRules Rules;
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "", "____L_____"});
  for (int Frame = 0; Frame < 80; ++Frame) {
    Rules.Logic->Update(0.1f);
  }
  EXPECT_FALSE(Rules.Actions->Heard("Match\\Shuffle.ogg"));
}

TEST(MatchMoves, TheHintMarksTheCellOfAMove) {
  TRules Rules;
  DrawBoard(Rules.Board(), QuietBoard());
  Rules.Logic->DoHint(); // no move: nothing
  for (TCell* C : Rules.Board().Cells()) {
    EXPECT_FALSE(C->Item()->IsBlinking());
  }
  DrawBoard(Rules.Board(), {"", "", "", "", "__1_______", "11________"});
  Rules.Logic->DoHint();
  TRowCol Cell, Neighbour;
  ASSERT_TRUE(Rules.Board().FindMatch(Cell, Neighbour, true));
  EXPECT_TRUE(Rules.Board().GetCell(Cell)->Item()->IsBlinking());
  EXPECT_FALSE(Rules.Board().GetCell(Neighbour)->Item()->IsBlinking());
  EXPECT_EQ(Rules.Board().GetCell(Cell)->Item()->BlinkingStar(),
            "Game\\Match\\Stuff\\StarRoll.ani");
}

// --- Blocks and sockets ------------------------------------------------------------------------

// Block N comes on the origin of number N, in column 1 + 2 N.
TEST(MatchBlocks, SpawnWhenClearedEnoughOneAtATimeAndFourAtMost) {
  TRules Rules("GemSet=\"123456\" TotalTime=\"1000\"",
               "<Cell Row='0' Col='1' Flags='1'/><Cell Row='0' Col='3' Flags='1'/>"
               "<Cell Row='0' Col='5' Flags='1'/><Cell Row='0' Col='7' Flags='1'/>"
               "<Cell Row='5' Col='0' Density='1'/>");
  Rules.Logic->SetPercentOfSpawnBlock(100);
  Settle(Rules);
  EXPECT_EQ(Rules.Logic->BlockSpawned(), 0); // one covered cell left
  Rules.Cell(5, 0)->SetDensity(0);
  Rules.Logic->Update(0.01f);
  ASSERT_EQ(Rules.Logic->BlockSpawned(), 1);
  EXPECT_EQ(Rules.Board().GetBlockCell(0), Rules.Cell(0, 1));
  // The next block waits while the previous one is above row 5.
  for (int Frame = 0; Frame < 10; ++Frame) {
    Rules.Logic->Update(0.01f);
  }
  EXPECT_EQ(Rules.Logic->BlockSpawned(), 1);
  // Row 5 is not above row 5.
  ClearColumn(Rules, 1, 1, 5);
  Settle(Rules);
  ASSERT_EQ(Rules.Board().GetBlockCell(0), Rules.Cell(5, 1));
  Rules.Logic->Update(0.01f);
  ASSERT_EQ(Rules.Logic->BlockSpawned(), 2);
  EXPECT_EQ(Rules.Board().GetBlockCell(1), Rules.Cell(0, 3));
  ClearColumn(Rules, 3, 1, 4);
  Settle(Rules);
  ASSERT_EQ(Rules.Board().GetBlockCell(1), Rules.Cell(4, 3));
  for (int Frame = 0; Frame < 10; ++Frame) {
    Rules.Logic->Update(0.01f);
  }
  EXPECT_EQ(Rules.Logic->BlockSpawned(), 2);
  for (int Col : {3, 5, 7}) {
    ClearColumn(Rules, Col, 1, 8);
    Settle(Rules);
    Rules.Logic->Update(0.01f);
  }
  // The fourth block was the last.
  EXPECT_EQ(Rules.Logic->BlockSpawned(), 4);
  EXPECT_EQ(Rules.Board().GetBlockCell(3), Rules.Cell(8, 7));
  for (int Frame = 0; Frame < 20; ++Frame) {
    for (int Col : {1, 3, 5, 7}) {
      ClearColumn(Rules, Col, 1, 9);
    }
    Settle(Rules);
    Rules.Logic->Update(0.01f);
  }
  EXPECT_EQ(Rules.Logic->BlockSpawned(), 4);
  EXPECT_EQ(Rules.Logic->BlocksCollected(), 4);
  EXPECT_FALSE(Rules.Board().IsBlockHere());
}

TEST(MatchBlocks, BlocksOnTheBottomRowAreCollected) {
  TRules Rules;
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"", "", "", "", "", "", "", "", "", "_B_______#"});
  Rules.Cell(8, 9)->SetItem(New<TBlock>(&Rules.Board())); // above a hole: the lowest cell
  Rules.Cell(8, 9)->Item()->SetCell(Rules.Cell(8, 9));
  int Told = 0;
  struct TCounter : TGObject {
    int* Count = nullptr;
    void Collected(TGObject*) { ++*Count; }
  };
  TGObjectPtr<TCounter> Counter(new TCounter());
  Counter->Count = &Told;
  Rules.Logic->OnBlockCollected = TGNotifyEvent(Counter.get(), &TCounter::Collected);
  Rules.Logic->SetPercentOfSpawnBlock(1000);
  Rules.Logic->Update(0.01f);
  EXPECT_EQ(Rules.Logic->BlocksCollected(), 2);
  EXPECT_EQ(Told, 2);
  Settle(Rules);
  EXPECT_FALSE(Rules.Board().IsBlockHere());
  EXPECT_TRUE(ItemsWhereTheyBelong(Rules.Board()));
}

TEST(MatchBlocks, ABlockOnASocketOfAClearedBoardCompletesTheLevel) {
  TRules Rules("GemSet=\"123456\" TotalTime=\"100\"",
               "<Cell Row='7' Col='4' Flags='2'/><Cell Row='8' Col='4' Flags='3'/>"
               "<Cell Row='2' Col='2' Density='1'/>");
  Rules.Logic->SetPercentOfSpawnBlock(1000);
  Settle(Rules);
  PutBlock(Rules, 3, 4);
  ClearColumn(Rules, 4, 4, 7);
  Rules.Logic->Update(0.01f);
  EXPECT_EQ(Rules.Board().GetBlockCell(0), Rules.Cell(7, 4));
  EXPECT_TRUE(Rules.Actions->Heard("Match\\StoneOnTarget.ogg"));
  Settle(Rules);
  EXPECT_TRUE(Rules.Logic->IsPlaying()); // a covered cell is left
  Rules.Cell(2, 2)->SetDensity(0);
  Rules.Logic->Update(0.01f);
  EXPECT_FALSE(Rules.Logic->IsPlaying());
  EXPECT_TRUE(Rules.Logic->IsLevelEnded());
  EXPECT_EQ(Rules.Logic->EndingReason(), lerComplete);
  // Completing the level solves the puzzle too.
  EXPECT_TRUE(Rules.Logic->IsCompleted());
  EXPECT_FALSE(Rules.Logic->IsFailed());
}

TEST(MatchBlocks, AMatchOfTheSocketKindOpensTheSocket) {
  TRules Rules("GemSet=\"1\" TotalTime=\"100\" IsLockedBlockSocket=\"True\"",
               "<Cell Row='5' Col='1' Flags='2'/><Cell Row='5' Col='2' Flags='2' Density='1'/>");
  ASSERT_EQ(Rules.Logic->LockedSocketKind(), 1);
  DrawBoard(Rules.Board(), {"B", "", "", "", "", "111"});
  std::vector<TCell*> Cells{Rules.Cell(5, 0), Rules.Cell(5, 1), Rules.Cell(5, 2)};
  Rules.Logic->UnlockBlockSocket(Cells);
  EXPECT_FALSE(Rules.Cell(5, 1)->HasFlag(cfLockSocket));
  EXPECT_TRUE(Rules.Cell(5, 2)->HasFlag(cfLockSocket)); // still covered
  EXPECT_TRUE(Rules.Actions->Heard("Match\\Unlock02.ogg"));
  // Another kind, a bonus in the match or no block on the board opens nothing.
  Rules.Cell(5, 1)->IncludeFlag(cfLockSocket);
  DrawBoard(Rules.Board(), {"B", "", "", "", "", "222"});
  Rules.Logic->UnlockBlockSocket(Cells);
  EXPECT_TRUE(Rules.Cell(5, 1)->HasFlag(cfLockSocket));
  DrawBoard(Rules.Board(), {"B", "", "", "", "", "L11"});
  Rules.Logic->UnlockBlockSocket(Cells);
  EXPECT_TRUE(Rules.Cell(5, 1)->HasFlag(cfLockSocket));
  DrawBoard(Rules.Board(), {".", "", "", "", "", "111"});
  Rules.Logic->UnlockBlockSocket(Cells);
  EXPECT_TRUE(Rules.Cell(5, 1)->HasFlag(cfLockSocket));
}

// --- Triggers and portals ----------------------------------------------------------------------

TEST(MatchTriggers, ABlockOnATriggerOfAClearedBoardFiresTheEffectsOnce) {
  TRules Rules("GemSet=\"123456\" TotalTime=\"100\"",
               "<Cell Row='4' Col='3' Flags='9'/><Cell Row='5' Col='3' Flags='3'/>"
               "<Cell Row='0' Col='9' Density='1'/>"
               "<TriggerEffects><Cell Row='5' Col='3' Flag='3'/></TriggerEffects>");
  Rules.Logic->SetPercentOfSpawnBlock(1000);
  Settle(Rules);
  PutBlock(Rules, 1, 3);
  ClearColumn(Rules, 3, 2, 4);
  Settle(Rules);
  EXPECT_EQ(Rules.Board().GetBlockCell(0), Rules.Cell(4, 3)); // held by the wall
  EXPECT_FALSE(Rules.Board().TriggerEffects()->IsExecuted()); // not cleared yet
  Rules.Cell(0, 9)->SetDensity(0);
  Rules.Logic->Update(0.01f);
  EXPECT_TRUE(Rules.Board().TriggerEffects()->IsExecuted());
  EXPECT_FALSE(Rules.Cell(4, 3)->HasFlag(cfTrigger));
  EXPECT_FALSE(Rules.Cell(5, 3)->HasFlag(cfTopWall));
  // The wall is open: the block falls and leaves the board at the bottom.
  ClearColumn(Rules, 3, 5, 9);
  Settle(Rules);
  Rules.Logic->Update(0.01f);

  EXPECT_FALSE(Rules.Board().IsBlockHere());
  EXPECT_FALSE(Rules.Cell(5, 3)->HasFlag(cfTopWall)); // toggled once only
}

TEST(MatchPortals, ABlockGoesToTheLastFreePortal) {
  TRules Rules("GemSet=\"123456\" TotalTime=\"100\"",
               "<Cell Row='2' Col='1' Flags='10'/><Cell Row='3' Col='1' Flags='3'/>"
               "<Cell Row='6' Col='7' Flags='10'/><Cell Row='7' Col='7' Flags='3'/>"
               "<Cell Row='1' Col='5' Flags='11'/><Cell Row='2' Col='5' Flags='3'/>");
  Rules.Logic->SetPercentOfSpawnBlock(1000);
  Settle(Rules);
  EXPECT_TRUE(Rules.Cell(1, 5)->HasFlag(cfActivePortal)); // passive without a block: active
  PutBlock(Rules, 0, 1);
  ClearColumn(Rules, 1, 1, 2);
  Settle(Rules);
  // The block landed on (2, 1) and went to (6, 7), the last active portal without a block.
  EXPECT_EQ(Rules.Board().GetBlockCell(0), Rules.Cell(6, 7));
  EXPECT_TRUE(Rules.Actions->Heard("Match\\Teleport.ogg"));
  EXPECT_TRUE(Rules.Cell(6, 7)->HasFlag(cfPassivePortal));
  EXPECT_FALSE(Rules.Cell(6, 7)->HasFlag(cfActivePortal));
  EXPECT_NE(dynamic_cast<TGem*>(Rules.Cell(2, 1)->Item()), nullptr);
  for (int Frame = 0; Frame < 10; ++Frame) {
    Rules.Logic->Update(0.01f);
  }
  EXPECT_EQ(Rules.Board().GetBlockCell(0), Rules.Cell(6, 7)); // no way back
}

TEST(MatchPortals, WithoutAFreePortalTheBlockStays) {
  TRules Rules("GemSet=\"123456\" TotalTime=\"100\"",
               "<Cell Row='2' Col='1' Flags='10'/><Cell Row='3' Col='1' Flags='3'/>");
  Rules.Logic->SetPercentOfSpawnBlock(1000);
  Settle(Rules);
  PutBlock(Rules, 0, 1);
  ClearColumn(Rules, 1, 1, 2);
  Settle(Rules);
  for (int Frame = 0; Frame < 10; ++Frame) {
    Rules.Logic->Update(0.01f);
  }
  EXPECT_EQ(Rules.Board().GetBlockCell(0), Rules.Cell(2, 1));
  EXPECT_FALSE(Rules.Actions->Heard("Match\\Teleport.ogg"));
}

// --- The time line and whole levels ------------------------------------------------------------

TEST(MatchLevel, TheTimeLineRunsOutAndTheLevelFails) {
  TRules Rules("GemSet=\"123456\" TotalTime=\"10\" CurrentTime=\"4\"",
               "<Cell Row='0' Col='0' Density='1'/>");
  EXPECT_FLOAT_EQ(Rules.Logic->TimeLine().Position, 4);
  Rules.Logic->SetPercentOfSpawnBlock(1000);
  for (int Frame = 0; Frame < 59; ++Frame) {
    Rules.Logic->Update(0.1f);
  }
  EXPECT_TRUE(Rules.Logic->IsPlaying());
  for (int Frame = 0; Frame < 3; ++Frame) {
    Rules.Logic->Update(0.1f);
  }
  EXPECT_FALSE(Rules.Logic->IsPlaying());
  EXPECT_TRUE(Rules.Logic->IsFailed());
  EXPECT_EQ(Rules.Logic->EndingReason(), lerFailed);
  EXPECT_FLOAT_EQ(Rules.Logic->TimeLine().Position, 10);
  // Input after the end does nothing.
  Rules.Logic->BoardMouseDown(TGPoint{20, 20});
  EXPECT_EQ(Rules.Actions->SelectedCell(), nullptr);
}

namespace {

struct TPlayResult {
  std::vector<std::string> Board;
  int32_t Score = 0;
  int32_t Collected = 0;
  bool Ended = false;
  bool Failed = false;
  TLevelEndingReason Reason = lerComplete;
  int Frames = 0;
};

// What clearing a cell is worth to a player who looks at the whole board: uncovering it,
// opening a locked socket, clearing the way below a block.
int CellValue(TBoard& Board, const TCell* C) {
  int Value = 1 + (C->Density() > 0 ? 10 : 0);
  for (int Up = C->RowCol().Row - 1; Up >= 0; --Up) {
    if (dynamic_cast<TBlock*>(Board.GetCell(Up, C->RowCol().Col)->Item())) {
      return Value + 100;
    }
  }
  return Value;
}

// The swap worth the most, with matches or with a bonus (which explodes where it goes); none
// when there is no swap to make.
bool ChooseMove(TGameLogic& Logic, TRowCol& From, TRowCol& To) {
  TBoard& Board = *Logic.Board();
  std::vector<TCell*> A;
  std::vector<TCell*> B;
  int Best = -1;
  for (int Row = 0; Row < 10; ++Row) {
    for (int Col = 0; Col < 10; ++Col) {
      for (TRowCol Step : {StepRight, StepDown}) {
        TRowCol Here{Row, Col};
        TRowCol There = Here + Step;
        if (!There.InsideBoard()) {
          continue;
        }
        TCell* CH = Board.GetCell(Here);
        TCell* CT = Board.GetCell(There);
        int Value = 0;
        if (Board.GetMatchAfterSwap(Here, There, A, B)) {
          // The match at Here is of the kind that comes from There, and the other way round.
          for (auto [Cells, From] : {std::pair{&A, CT}, std::pair{&B, CH}}) {
            auto* Gem = dynamic_cast<TGem*>(From->Item());
            bool Opens = Gem && Gem->Kind() == Logic.LockedSocketKind();
            for (TCell* C : *Cells) {
              Value += CellValue(Board, C) + (Opens && C->HasFlag(cfLockSocket) ? 200 : 0);
            }
          }

        } else if (dynamic_cast<TSelectableItem*>(CH->Item()) &&
                   dynamic_cast<TSelectableItem*>(CT->Item())) {
          Value += dynamic_cast<TBonusItem*>(CH->Item()) ? CellValue(Board, CT) : 0;
          Value += dynamic_cast<TBonusItem*>(CT->Item()) ? CellValue(Board, CH) : 0;
          if (Value == 0) {
            continue;
          }
        } else {
          continue;
        }
        if (Value > Best) {
          Best = Value;
          From = Here;
          To = There;
        }
      }
    }
  }
  return Best >= 0;
}

// Plays a level file of the demo content with a player who chooses a move whenever the board is
// still, counting collected blocks as the location does.
TPlayResult PlayLevel(const std::string& File, uint32_t Seed) {
  GlobalRandom().SetSeed(Seed);
  RegisterMatchGameClasses();
  TMatchConfig Config;
  for (const char* Name : {"Game", "Scores", "MiscTuning"}) {
    TGObjectPtr<TGXMLNode> Root(new TGXMLNode());
    Root->LoadFromFile(std::string(HOE_CONTENT) + "/cfg/MatchGame/" + Name + ".cfg");
    std::string N = Name;
    N == "Game"     ? Config.LoadGame(*Root)
    : N == "Scores" ? Config.LoadScores(*Root)
                    : Config.LoadMiscTuning(*Root);
  }
  TGObjectPtr<TGXMLNode> Level(new TGXMLNode());
  Level->LoadFromFile(std::string(HOE_CONTENT) + "/cfg/MatchGame/Levels/" + File);
  TGObjectPtr<TGameLogic> Logic(
      New<TGameLogic>(nullptr, 0, Level.get(), TGameLogicStartupInfo{}, Config));
  TBoard& Board = *Logic->Board();
  TPlayResult Result;
  for (; Result.Frames < 30 * 600 && !Logic->IsLevelEnded(); ++Result.Frames) {
    if (Board.IsStill() && Logic->IsPlaying()) {
      TRowCol Cell, Neighbour;
      if (ChooseMove(*Logic, Cell, Neighbour)) {

        Logic->BoardMouseDown(GetCellXY(Cell));
        Logic->BoardMouseDown(GetCellXY(Neighbour));
      }
    }
    Logic->Update(1.0f / 30);
    if (Logic->BlocksCollected() >= 4) {
      Logic->SetIsCompleted(true);
    }
    if (!ItemsWhereTheyBelong(Board)) {
      ADD_FAILURE() << "an item is out of place at frame " << Result.Frames;
      break;
    }
    if (Logic->IsCompleted()) {
      break;
    }
  }
  Result.Board = BoardText(Board);
  Result.Score = Logic->Score();
  Result.Collected = Logic->BlocksCollected();
  Result.Ended = Logic->IsLevelEnded() || Logic->IsCompleted();
  Result.Reason = Logic->EndingReason();
  Result.Failed = Logic->IsFailed();
  return Result;
}

} // namespace

TEST(MatchLevel, WholeLevelsPlayToTheirEndTheSameWayForTheSameSeed) {
  for (const char* File : {"01 - 01.cfg", "01 - 02.cfg", "01 - 03.cfg"}) {
    TPlayResult First = PlayLevel(File, 11);
    TPlayResult Again = PlayLevel(File, 11);
    EXPECT_TRUE(First.Ended) << File;
    // The player of this test wins every demo level.
    EXPECT_FALSE(First.Failed) << File;

    EXPECT_GT(First.Score, 1000) << File;
    EXPECT_EQ(First.Board, Again.Board) << File;
    EXPECT_EQ(First.Score, Again.Score) << File;
    EXPECT_EQ(First.Frames, Again.Frames) << File;
  }
  EXPECT_NE(PlayLevel("01 - 01.cfg", 11).Board, PlayLevel("01 - 01.cfg", 12).Board);
}
