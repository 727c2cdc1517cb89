#include "Locations/MatchGame/UColumnPacker.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardLogic.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UItem.h"

bool TColumnPacker::BlockCanEnter(const TCell& Cell) {
  return !Cell.IsHole() && !Cell.HasFlag(cfTopWall) && Cell.Density() <= 0 &&
         !Cell.HasFlag(cfLockSocket);
}

void TColumnPacker::Fall(std::vector<TItemFall>& Moves) {
  // Whether a cell below the current row may be empty: until one is, nothing can fall.
  bool EmptyBelow = false;
  for (int32_t Row = CBoardSize - 1; Row >= 0; --Row) {
    TCell* Cell = FBoard.GetCell(Row, FColumn);
    TItem* Item = Cell->Item();
    if (!Item) {
      EmptyBelow = EmptyBelow || !Cell->IsHole();
      continue;
    }
    if (!EmptyBelow || Cell->IsLocked() || Blocked(Row)) {
      continue;
    }

    bool IsBlock = ItemAs<TBlock>(Item) != nullptr;
    int32_t To = Destination(Row, IsBlock);
    if (To == Row) {
      continue;
    }
    TCell* Target = FBoard.GetCell(To, FColumn);
    FBoard.MoveItem(Cell, Target); // its cell is empty now: EmptyBelow stays true

    if (IsBlock && Target->HasFlag(cfBlockSocket)) {
      FBlockToSocket = true;
    }
    Moves.push_back(TItemFall{Item, Row, To, false});
  }
}

// The lowest empty cell that is not a hole before the first cell the item cannot pass: a locked
// cell, a blocked row, a block, and for a block also a cell it cannot enter. Gems fall past
// holes.
int32_t TColumnPacker::Destination(int32_t Row, bool IsBlock) const {
  int32_t To = Row;
  for (int32_t Below = Row + 1; Below < CBoardSize; ++Below) {
    const TCell* Cell = FBoard.GetCell(Below, FColumn);
    if (Cell->IsLocked() || Blocked(Below) || ItemAs<TBlock>(Cell->Item())) {
      break;
    }
    if (IsBlock && !BlockCanEnter(*Cell)) {
      break;
    }
    if (!Cell->IsHole() && !Cell->Item()) {
      To = Below;
    }
  }
  return To;
}

void TColumnPacker::Refill(std::vector<TItemFall>& Moves) {
  int32_t NewItems = 0;
  for (int32_t Row = CBoardSize - 1; Row >= 0; --Row) {
    TCell* Cell = FBoard.GetCell(Row, FColumn);
    if (Cell->IsHole() || Cell->Item() || Cell->IsLocked() || ItemAbove(Row)) {
      continue;
    }
    TItem* Item = FBoard.Logic()->CreateItem(&FBoard, Cell->RowCol());
    Cell->SetItem(Item);
    ++NewItems;
    Moves.push_back(TItemFall{Item, -NewItems, Row, true});
  }
}

// A block that cannot fall ends the search without counting: it will never reach the cell, and
// counting it would leave the cells below it empty for good.
bool TColumnPacker::ItemAbove(int32_t Row) const {
  for (int32_t Above = Row - 1; Above >= 0; --Above) {
    const TItem* Item = FBoard.GetCell(Above, FColumn)->Item();
    if (!Item) {
      continue;
    }
    if (ItemAs<TBlock>(Item)) {
      return BlockCanEnter(*FBoard.GetCell(Above + 1, FColumn));
    }
    return true;
  }
  return false;
}
