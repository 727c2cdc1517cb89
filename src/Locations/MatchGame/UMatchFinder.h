// Finding matches on the board: the lines of three or more matching items through a cell with
// every line crossing them (GetMatch), the matches a swap would make (GetMatchAfterSwap), and
// the search for a possible move (FindMatch). The finder keeps its work lists between calls,
// so that searching allocates nothing.
#pragma once

#include "Locations/MatchGame/URowCol.h"

#include <array>
#include <cstdint>
#include <vector>

class TBoard;
class TCell;

class TMatchFinder {
public:
  explicit TMatchFinder(TBoard& ABoard)
      : FBoard(ABoard) {}

  // The match through the cell: true when more than two cells match the item on it; Cells are
  // then its cells, each once, in the order they were found (the start cell first).
  bool GetMatch(TRowCol RowCol, std::vector<TCell*>& Cells);
  // With the items of A and B exchanged for the question: whether either cell then has a match,
  // with the matches at A and at B. No when either item is not selectable.
  bool GetMatchAfterSwap(TRowCol A, TRowCol B, std::vector<TCell*>& CellsA,
                         std::vector<TCell*>& CellsB);
  // The first swap, in row-major order from (1, 1), of a cell with its left or its upper
  // neighbour (the left first) that makes a match; with CheckLocked, cells that are locked or
  // whose left neighbour is locked are skipped. Swaps along row 0 and column 0 are not tried.
  bool FindMatch(TRowCol& Cell, TRowCol& Neighbour, bool CheckLocked);
  // Which cells (row-major) lie in a line of three or more matching items: exactly the cells
  // where GetMatch finds a match, found at once for the whole board.
  void MarkLines(std::array<bool, CBoardSize * CBoardSize>& InLine);

private:
  enum TDirection { dHorizontal = 0, dVertical = 1 };

  // Appends the line through C in direction D when it has three cells or more, then the lines
  // across each cell it added.
  void SearchLine(TRowCol C, TDirection D);
  // Walks from C by Step while the cells match, marking and appending them.
  void Walk(TRowCol C, TRowCol Step, TDirection D);
  bool Belongs(TRowCol C, TDirection D) const;

  // The move search works on a grid of match kinds with a border of non-matching cells.
  static constexpr int32_t CStride = CBoardSize + 2;
  using TKindGrid = std::array<int32_t, CStride * CStride>;
  using TFlagGrid = std::array<bool, CStride * CStride>;
  static constexpr int32_t GridIndex(int32_t Row, int32_t Col) {
    return (Row + 1) * CStride + Col + 1;
  }
  struct TGrid {
    TKindGrid ItemKinds{}; // the match kinds of the items
    TKindGrid Kinds{};     // the same, 0 where a line stops whatever the item
    TFlagGrid Selectable{};
    TFlagGrid Stops{};
    TFlagGrid Locked{};
  };
  void BuildGrid(TGrid& Grid) const;
  bool MakesLine(const TKindGrid& Kinds, int32_t Index) const;

  TBoard& FBoard;
  const class TItem* FReference = nullptr;
  std::vector<TCell*> FResult;
  // A cell is visited in a direction when its mark there equals the current stamp.
  std::array<std::array<uint32_t, CBoardSize * CBoardSize>, 2> FVisited{};
  uint32_t FStamp = 0;
};
