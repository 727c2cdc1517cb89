// The rules: matches and their shapes, swaps, resolution with bonuses and points, the refill,
// falling, the move search and the no-moves shuffle.
#include "MatchTestBoard.h"

#include "Locations/MatchGame/UColumnPacker.h"

#include <gtest/gtest.h>

using namespace MatchTest;

namespace {

// Gems of kinds 6 to 9 with no line and none that a swap of two of them could make along a row
// or column of the pattern's neighbours; the tests draw kinds 1 to 3 over it.
std::vector<std::string> Background() {
  std::vector<std::string> Lines;
  for (int Row = 0; Row < 10; ++Row) {
    std::string Line;
    for (int Col = 0; Col < 10; ++Col) {
      Line += static_cast<char>('6' + (Row + Col) % 4);
    }
    Lines.push_back(Line);
  }
  return Lines;
}

struct TBoardRules : TRules {
  explicit TBoardRules(const std::vector<std::string>& Overlay) {
    DrawBoard(Board(), Background());
    DrawBoard(Board(), Overlay);
  }
  TItem* Item(int Row, int Col) const { return Cell(Row, Col)->Item(); }
  // A click on the cell's centre.
  void Click(int Row, int Col) const {
    Logic->BoardMouseDown(TGPoint{Col * 41 + 20, Row * 41 + 20});
  }
  void Frame() const { Logic->Update(1.0f / 30); }
};

bool HasMatchAnywhere(TBoard& Board) {
  std::vector<TCell*> Cells;
  for (TCell* C : Board.Cells()) {
    if (!C->IsHole() && Board.GetMatch(C->RowCol(), Cells)) {
      return true;
    }
  }
  return false;
}

} // namespace

// --- Shapes ------------------------------------------------------------------------------------

TEST(MatchShapes, LinesAndCrossingsInTheOrderFound) {
  TBoardRules Rules({"__________", "__________", "___1______", "_111______", "___1______",
                     "__________", "____222___", "__________", "____3_____", "____33____"});
  std::vector<TCell*> Cells;
  // A plus shape from its centre: the row first, then the column across it.
  ASSERT_TRUE(Rules.Board().GetMatch(TRowCol{3, 3}, Cells));
  EXPECT_EQ(Places(Cells), (std::vector<std::string>{"3,3", "3,2", "3,1", "2,3", "4,3"}));
  // From an arm of the plus the whole shape is found, each cell once.
  ASSERT_TRUE(Rules.Board().GetMatch(TRowCol{2, 3}, Cells));
  EXPECT_EQ(Cells.size(), 5u);
  EXPECT_EQ(Places(Cells).front(), "2,3");
  ASSERT_TRUE(Rules.Board().GetMatch(TRowCol{6, 5}, Cells));
  EXPECT_EQ(Places(Cells), (std::vector<std::string>{"6,5", "6,4", "6,6"}));
  // Two in a row, or an L of two and two, is no match.
  EXPECT_FALSE(Rules.Board().GetMatch(TRowCol{9, 4}, Cells));
  EXPECT_TRUE(Cells.empty());
  EXPECT_FALSE(Rules.Board().GetMatch(TRowCol{0, 0}, Cells));
}

TEST(MatchShapes, LAndTShapesAndChains) {
  TBoardRules Rules({"1_________", "1_________", "111_______", "__________", "__2_______",
                     "__2_______", "22222_____", "__________", "__________", "__________"});
  std::vector<TCell*> Cells;
  ASSERT_TRUE(Rules.Board().GetMatch(TRowCol{0, 0}, Cells));
  EXPECT_EQ(Cells.size(), 5u); // L of 3 + 3
  ASSERT_TRUE(Rules.Board().GetMatch(TRowCol{6, 0}, Cells));
  EXPECT_EQ(Cells.size(), 7u); // T of 5 + 2 above its middle
}

TEST(MatchShapes, BonusesBlocksAndEmptyCellsNeverMatch) {
  TBoardRules Rules({"LLL_______", "BBB_______", "1.11______", "__________"});
  std::vector<TCell*> Cells;
  EXPECT_FALSE(Rules.Board().GetMatch(TRowCol{0, 1}, Cells));
  EXPECT_FALSE(Rules.Board().GetMatch(TRowCol{1, 1}, Cells));
  EXPECT_FALSE(Rules.Board().GetMatch(TRowCol{2, 2}, Cells));
  EXPECT_FALSE(Rules.Board().GetMatch(TRowCol{2, 1}, Cells));
}

// --- Swaps -------------------------------------------------------------------------------------

TEST(MatchSwaps, AClickSwapMakingFourLeavesALineBonusOnTheSwappedCell) {
  TBoardRules Rules({"", "", "", "", "__1_______", "11213_____"});
  Rules.Click(4, 2); // selects
  EXPECT_EQ(Rules.Actions->SelectedCell(), Rules.Cell(4, 2));
  EXPECT_TRUE(Rules.Cell(4, 2)->IsLocked());
  EXPECT_EQ(Rules.Item(4, 2)->Graphic(), "Game\\Match\\GameItems\\Gem1\\Selected.ani");
  EXPECT_TRUE(Rules.Actions->Heard("Match\\GemSelect.ogg"));
  Rules.Click(5, 2); // the neighbour: swap
  EXPECT_EQ(Rules.Actions->SelectedCell(), nullptr);
  EXPECT_EQ(static_cast<TGem*>(Rules.Item(4, 2))->Kind(), 2);
  ASSERT_EQ(Rules.Actions->PendingMatches().size(), 1u);
  Rules.Frame();
  EXPECT_NE(dynamic_cast<TLineBonus*>(Rules.Item(5, 2)), nullptr);
  EXPECT_TRUE(Rules.Actions->Heard("Match\\LineBonusAppear.ogg"));
  EXPECT_TRUE(Rules.Actions->Heard("Match\\Match.ogg"));
  EXPECT_EQ(Rules.Logic->Score(), 40);
  EXPECT_EQ(Rules.Actions->PointTexts, (std::vector<std::string>{"40"}));
  // The points show at the middle of the four cells.
  EXPECT_FLOAT_EQ(Rules.Actions->PointPlaces[0].X, (0 + 3 * 41 + 41) / 2.0f);
  EXPECT_FLOAT_EQ(Rules.Actions->PointPlaces[0].Y, 5 * 41 + 20.5f);
  // Both cells of the line left but the bonus cell are empty until the board refills.
  EXPECT_EQ(Rules.Item(5, 0), nullptr);
  Rules.Frame();
  EXPECT_NE(Rules.Item(5, 0), nullptr);
}

TEST(MatchSwaps, ADragSwapMakingFiveLeavesACrossBonus) {
  TBoardRules Rules({"", "", "", "", "__1_______", "11211_____"});
  Rules.Logic->BoardMouseDown(TGPoint{2 * 41 + 20, 4 * 41 + 20});
  Rules.Logic->BoardMouseMove(TGPoint{2 * 41 + 20, 4 * 41 + 35}, true); // not far enough
  EXPECT_EQ(Rules.Actions->SelectedCell(), Rules.Cell(4, 2));
  Rules.Logic->BoardMouseMove(TGPoint{2 * 41 + 22, 4 * 41 + 45}, false); // button released
  EXPECT_EQ(Rules.Actions->SelectedCell(), Rules.Cell(4, 2));
  Rules.Logic->BoardMouseMove(TGPoint{2 * 41 + 30, 4 * 41 + 45}, true);
  EXPECT_EQ(Rules.Actions->SelectedCell(), nullptr);
  Rules.Frame();
  EXPECT_NE(dynamic_cast<TCrossBonus*>(Rules.Item(5, 2)), nullptr);
  EXPECT_EQ(Rules.Logic->Score(), 50);
}

TEST(MatchSwaps, AnLOfThreeAndThreeIsACross) {
  TBoardRules Rules({"", "", "__1_______", "__1_______", "1131______"});
  Rules.Click(4, 3);
  Rules.Click(4, 2); // the 1 moves left onto the corner of the L
  Rules.Frame();
  EXPECT_NE(dynamic_cast<TCrossBonus*>(Rules.Item(4, 2)), nullptr);
  EXPECT_EQ(Rules.Logic->Score(), 50);
}

TEST(MatchSwaps, OneSwapMakesTwoSeparateMatches) {
  TBoardRules Rules({"", "", "", "", "", "221211____"});
  Rules.Click(5, 2);
  Rules.Click(5, 3);
  EXPECT_EQ(Rules.Actions->PendingMatches().size(), 2u);
  Rules.Frame();
  EXPECT_EQ(Rules.Actions->PointTexts, (std::vector<std::string>{"30", "30"}));
  EXPECT_EQ(Rules.Logic->Score(), 60);
}

TEST(MatchSwaps, OverlappingMatchesMergeIntoOne) {
  TBoardRules Rules({"", "", "", "", "", "111_______"});
  std::vector<TCell*> Row{Rules.Cell(5, 0), Rules.Cell(5, 1), Rules.Cell(5, 2)};
  std::vector<TCell*> Other{Rules.Cell(5, 2), Rules.Cell(4, 2), Rules.Cell(3, 2)};
  Rules.Actions->ExplodeItems(Row, TRowCol{5, 0}, TRowCol{5, 1});
  Rules.Actions->ExplodeItems(Other, TRowCol{5, 2}, TRowCol{4, 2});
  ASSERT_EQ(Rules.Actions->PendingMatches().size(), 1u);
  EXPECT_EQ(Rules.Actions->PendingMatches()[0].Cells.size(), 5u);
  Rules.Frame();
  EXPECT_EQ(Rules.Actions->PointTexts, (std::vector<std::string>{"50"}));
}

TEST(MatchSwaps, RefusedSwapsChangeNothing) {
  TBoardRules Rules({"", "", "", "", "", "12________"});
  auto Before = BoardText(Rules.Board());
  Rules.Click(5, 0);
  Rules.Click(5, 1);
  EXPECT_EQ(BoardText(Rules.Board()), Before);
  EXPECT_TRUE(Rules.Actions->PendingMatches().empty());
  EXPECT_FALSE(Rules.Cell(5, 0)->IsLocked());
  EXPECT_FALSE(Rules.Cell(5, 1)->IsLocked());
  // Far cells are not swapped: the second click selects instead.
  Rules.Click(5, 0);
  Rules.Click(7, 0);
  EXPECT_EQ(Rules.Actions->SelectedCell(), Rules.Cell(7, 0));
  // A press on the selected cell deselects it.
  Rules.Click(7, 0);
  EXPECT_EQ(Rules.Actions->SelectedCell(), nullptr);
  EXPECT_FALSE(Rules.Cell(7, 0)->IsLocked());
  // Blocks cannot be selected.
  DrawBoard(Rules.Board(), {"B"});
  Rules.Click(0, 0);
  EXPECT_EQ(Rules.Actions->SelectedCell(), nullptr);
  EXPECT_FALSE(Rules.Actions->SwapItems(TRowCol{0, 0}, TRowCol{0, 1}));
}

TEST(MatchSwaps, ABonusSwapIsAlwaysMadeAndActivatesTheBonus) {
  TBoardRules Rules({"", "", "", "", "", "L1________"});
  Rules.Click(5, 0);
  Rules.Click(5, 1);
  // The gem moved to the bonus's place; the bonus exploded on its new cell.
  EXPECT_EQ(static_cast<TGem*>(Rules.Item(5, 0))->Kind(), 1);
  EXPECT_EQ(Rules.Item(5, 1), nullptr);
  EXPECT_EQ(Rules.Logic->Score(), 200);
  EXPECT_EQ(Rules.Logic->DiceAppearCounter(), 1);
  Rules.Frame();
  EXPECT_TRUE(ItemsWhereTheyBelong(Rules.Board()));
  EXPECT_NE(Rules.Item(5, 1), nullptr);
}

// --- Resolution --------------------------------------------------------------------------------

TEST(MatchResolution, ACascadeOfFourPutsItsBonusOnTheSecondCell) {
  TBoardRules Rules({"", "", "", "", "", "__1111____"});
  EXPECT_TRUE(Rules.Logic->CheckMatch());
  Rules.Frame();
  EXPECT_NE(dynamic_cast<TLineBonus*>(Rules.Item(5, 3)), nullptr);
  EXPECT_EQ(Rules.Item(5, 2), nullptr);
}

TEST(MatchResolution, ElevenCellsScoreAsNineAndMakeNoBonus) {
  TBoardRules Rules(
      {"__1_______", "__1_______", "__1_______", "__1_______", "__1_______", "111111____"});
  Rules.Logic->CheckMatch();
  ASSERT_EQ(Rules.Actions->PendingMatches().size(), 1u);
  EXPECT_EQ(Rules.Actions->PendingMatches()[0].Cells.size(), 11u);
  Rules.Frame();
  EXPECT_EQ(Rules.Logic->Score(), 90);
  for (TCell* C : Rules.Board().Cells()) {
    EXPECT_EQ(dynamic_cast<TBonusItem*>(C->Item()), nullptr);
  }
}

TEST(MatchResolution, WithTheHeadsDownEvenThreeMakeADice) {
  // None of the blocks stands on its column's lowest cell, where it would leave the board.
  TBoardRules Rules({"", "", "", "", "", "111_______", "", "B_________", "_BB_______"});

  Rules.Logic->CheckMatch();
  Rules.Frame();
  EXPECT_NE(dynamic_cast<TDiceBonus*>(Rules.Item(5, 1)), nullptr);
  EXPECT_EQ(Rules.Logic->Score(), 30);
}

TEST(MatchResolution, ExplosionsUncoverCellsAndRemoveHintStars) {
  TBoardRules Rules({"", "", "", "", "", "111_______"});
  Rules.Cell(5, 0)->SetDensity(2);
  Rules.Cell(5, 1)->SetDensity(1);
  Rules.Cell(5, 1)->IncludeFlag(cfBlockSocket);
  Rules.Item(8, 8)->SetBlinkingStar();
  Rules.Logic->CheckMatch();
  Rules.Frame();
  EXPECT_EQ(Rules.Cell(5, 0)->Density(), 1);
  EXPECT_EQ(Rules.Cell(5, 1)->Density(), 0);
  EXPECT_EQ(Rules.Cell(5, 2)->Density(), 0);
  EXPECT_TRUE(Rules.Actions->Heard("Match\\HiddenCellAppear.ogg"));
  EXPECT_FALSE(Rules.Item(8, 8)->IsBlinking());
  EXPECT_EQ(Rules.Logic->NoMatchesTimer(), 0);
}

TEST(MatchResolution, ASelectionInAMatchIsDropped) {
  TBoardRules Rules({"", "", "", "", "", "111_______"});
  Rules.Click(5, 1);
  ASSERT_EQ(Rules.Actions->SelectedCell(), Rules.Cell(5, 1));
  Rules.Logic->CheckMatch();
  Rules.Frame();
  EXPECT_EQ(Rules.Actions->SelectedCell(), nullptr);
  for (TCell* C : Rules.Board().Cells()) {
    EXPECT_FALSE(C->IsLocked());
  }
}

TEST(MatchResolution, ASelectionEndsWhenItsItemIsAboutToFall) {
  TBoardRules Rules({"", "", "", "", "", "__________"});
  Rules.Click(4, 4);
  Rules.Item(5, 4)->Free();
  Rules.Frame();
  EXPECT_EQ(Rules.Actions->SelectedCell(), nullptr);
  EXPECT_FALSE(Rules.Cell(4, 4)->IsLocked());
  Rules.Frame(); // now it falls
  EXPECT_TRUE(Rules.Board().IsStill());
}

TEST(MatchResolution, PointTextsSeparateThousandsOnly) {
  TRules Rules;
  Rules.Logic->IncreaseScore(50, {});
  Rules.Logic->IncreaseScore(1500, {});
  Rules.Logic->IncreaseScore(1234567, {});
  EXPECT_EQ(Rules.Actions->PointTexts, (std::vector<std::string>{"50", "1,500", "1234,567"}));
  // The score shown runs after the score at 500 points a second.
  Rules.Logic->UpdateScore(1);
  EXPECT_FLOAT_EQ(Rules.Logic->CurrentScore(), 500);
  Rules.Logic->UpdateScore(1e6f);
  EXPECT_FLOAT_EQ(Rules.Logic->CurrentScore(), static_cast<float>(Rules.Logic->Score()));
}

// --- Refill and falling ------------------------------------------------------------------------

TEST(MatchRefill, NeverLeavesAReadyMadeLine) {
  for (const char* Set : {"123", "345", "2468", "1357", "99123"}) {
    for (uint32_t Seed = 1; Seed <= 150; ++Seed) {
      GlobalRandom().SetSeed(Seed);
      TRules Rules(std::string("GemSet=\"") + Set + "\" TotalTime=\"100\"");
      Rules.Logic->Update(0.01f);
      ASSERT_TRUE(Rules.Board().IsStill()) << Set << " " << Seed;
      ASSERT_FALSE(HasMatchAnywhere(Rules.Board())) << Set << " " << Seed;
      for (TCell* C : Rules.Board().Cells()) {
        auto* Gem = dynamic_cast<TGem*>(C->Item());
        ASSERT_NE(Gem, nullptr);
        int Kind = Gem->Kind();
        ASSERT_NE(std::string(Set).find(static_cast<char>('0' + Kind)), std::string::npos);
      }
    }
  }
}

TEST(MatchRefill, TheSameSeedFillsTheSameBoard) {
  GlobalRandom().SetSeed(77);
  TRules A;
  A.Logic->Update(0.01f);
  GlobalRandom().SetSeed(77);
  TRules B;
  B.Logic->Update(0.01f);
  EXPECT_EQ(BoardText(A.Board()), BoardText(B.Board()));
}

TEST(MatchRefill, AKindIsFoundWhereverItSitsInTheSet) {
  TRules Rules("GemSet=\"12\" TotalTime=\"100\"");
  // Below (5, 2) two 1s, to its left two 2s: no kind of "12" fits.
  DrawBoard(Rules.Board(), {"", "", "", "", "22._______", "__1_______", "__1_______"});
  for (uint32_t Seed = 1; Seed <= 20; ++Seed) {
    GlobalRandom().SetSeed(Seed);
    try {
      Rules.Logic->CreateItem(&Rules.Board(), TRowCol{4, 2});
      FAIL() << "a line was made";
    } catch (const EGException& E) {
      EXPECT_EQ(E.Text(), "Every gem kind of \"12\" would complete a line at cell (4, 2)");
    }
  }
  TRules Wide("GemSet=\"2468\" TotalTime=\"100\"");
  DrawBoard(Wide.Board(), {"", "", "", "", "66._______", "__2_______", "__2_______"});
  for (uint32_t Seed = 1; Seed <= 50; ++Seed) {
    GlobalRandom().SetSeed(Seed);
    TGObjectPtr<TItem> Item(Wide.Logic->CreateItem(nullptr, TRowCol{4, 2}));
    int Kind = static_cast<TGem*>(Item.get())->Kind();
    EXPECT_TRUE(Kind == 4 || Kind == 8) << Kind;
  }
}

TEST(MatchRefill, ThreeLineOrCrossBonusesBringADice) {
  TRules Rules;
  TGObjectPtr<TLineBonus> Line(New<TLineBonus>(nullptr));
  TGObjectPtr<TCrossBonus> Cross(New<TCrossBonus>(nullptr));
  TGObjectPtr<TDiceBonus> Dice(New<TDiceBonus>(nullptr));
  Rules.Logic->OnActivateBonus(Line.get());
  Rules.Logic->OnActivateBonus(Dice.get()); // not counted
  Rules.Logic->OnActivateBonus(Cross.get());
  Rules.Logic->OnActivateBonus(Line.get());
  Rules.Logic->Update(0.01f);
  int Dices = 0;
  for (TCell* C : Rules.Board().Cells()) {
    Dices += dynamic_cast<TDiceBonus*>(C->Item()) ? 1 : 0;
  }
  EXPECT_EQ(Dices, 1);
  EXPECT_EQ(Rules.Logic->DiceAppearCounter(), 0);
  EXPECT_TRUE(Rules.Actions->Heard("Match\\DiceBonusAppear.ogg"));
}

TEST(MatchRefill, GemsFallPastHolesAndBlocksStopAboveThem) {
  TRules Rules;
  DrawBoard(Rules.Board(), {"1B________", "2.________", "#.________", "..________", "#________",
                            "##________", "..________", "..________", "._________", ".#________"});
  Rules.Cell(7, 1)->SetDensity(1);
  TColumnPacker Gems(Rules.Board(), 0);
  std::vector<TItemFall> Moves;
  Gems.Fall(Moves);
  EXPECT_EQ(BoardText(Rules.Board())[9][0], '2');
  EXPECT_EQ(BoardText(Rules.Board())[8][0], '1');
  ASSERT_EQ(Moves.size(), 2u);
  EXPECT_EQ(Moves[0].FromRow, 1);
  EXPECT_EQ(Moves[0].ToRow, 9);
  // The block stops above the hole in row 5.
  TColumnPacker Blocks(Rules.Board(), 1);
  Moves.clear();
  Blocks.Fall(Moves);
  EXPECT_EQ(BoardText(Rules.Board())[4][1], 'B');
  // Refilling: nothing reaches the cells below the block, which cannot fall; they fill from
  // above the board, the first from the row above it, the next from two rows above.
  Moves.clear();
  Blocks.Refill(Moves);
  ASSERT_EQ(Moves.size(), 7u);
  EXPECT_EQ(Moves[0].ToRow, 8);
  EXPECT_EQ(Moves[0].FromRow, -1);
  EXPECT_EQ(Moves[1].ToRow, 7);
  EXPECT_EQ(Moves[1].FromRow, -2);
  EXPECT_TRUE(Moves[0].IsNew);
}

TEST(MatchRefill, BlocksStopAtWallsCoversLockedSocketsAndOtherBlocks) {
  TRules Rules;
  DrawBoard(Rules.Board(), {"BBBB______", "..._______", "..._______", "..._______"});
  Rules.Cell(2, 0)->IncludeFlag(cfTopWall);
  Rules.Cell(2, 1)->SetDensity(3);
  Rules.Cell(2, 2)->IncludeFlag(cfBlockSocket);
  Rules.Cell(2, 2)->IncludeFlag(cfLockSocket);
  Rules.Cell(9, 3)->SetItem(New<TBlock>(&Rules.Board()));
  for (int Col = 0; Col < 4; ++Col) {
    std::vector<TItemFall> Moves;
    TColumnPacker(Rules.Board(), Col).Fall(Moves);
  }
  auto Text = BoardText(Rules.Board());
  EXPECT_EQ(Text[1].substr(0, 3), "BBB");
  EXPECT_EQ(Text[8][3], 'B'); // on the other block
  // An open socket takes the block, which stays there above a wall.
  Rules.Cell(2, 2)->ExcludeFlag(cfLockSocket);
  Rules.Cell(3, 2)->IncludeFlag(cfTopWall);
  TColumnPacker Socket(Rules.Board(), 2);
  std::vector<TItemFall> Moves;
  Socket.Fall(Moves);
  EXPECT_TRUE(Socket.BlockToSocket());
}

// A block that cannot fall does not keep the cells below it empty.
TEST(MatchRefill, ABlockThatCannotFallLetsTheBoardComeToRest) {
  TRules Rules;
  DrawBoard(Rules.Board(), QuietBoard());
  DrawBoard(Rules.Board(), {"__________", "__________", "___B______", "___#______", "___.______",
                            "___.______", "___.______", "___.______", "___.______", "___.______"});
  DrawBoard(Rules.Board(), {"__________", "__________", "______B___", "______.___", "______.___"});
  Rules.Cell(3, 6)->SetDensity(1);
  Rules.Logic->SetPercentOfSpawnBlock(1000); // no new blocks
  for (int Frame = 0; Frame < 100 && !Rules.Board().IsStill(); ++Frame) {
    Rules.Logic->Update(0.01f);
  }
  EXPECT_TRUE(Rules.Board().IsStill());
  EXPECT_EQ(BoardText(Rules.Board())[2][3], 'B');
  EXPECT_EQ(BoardText(Rules.Board())[2][6], 'B');
  EXPECT_NE(Rules.Cell(3, 6)->Item(), nullptr);
}
