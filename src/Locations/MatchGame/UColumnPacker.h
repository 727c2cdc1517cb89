// Falling and refilling in one column of the board: items fall into the empty cells below them
// (gems past holes; blocks stop above holes, walls, covers and locked sockets, and never pass
// another block), then the rules make new items for the empty cells that nothing above can
// reach. The moves are made at once and reported, so that the board's tasks can animate them.
#pragma once

#include <bitset>
#include <cstdint>
#include <vector>

class TBoard;
class TCell;
class TItem;

struct TItemFall {
  TItem* Item = nullptr;
  int32_t FromRow = 0; // negative for a new item: the row above the board it falls in from
  int32_t ToRow = 0;
  bool IsNew = false;
};

class TColumnPacker {
public:
  // Rows in BlockedRows neither fall nor are passed.
  using TRows = std::bitset<256>;
  TColumnPacker(TBoard& ABoard, int32_t AColumn, const TRows& ABlockedRows = {})
      : FBoard(ABoard)
      , FColumn(AColumn)
      , FBlockedRows(ABlockedRows) {}

  // Rows 9 up to 0: every unlocked item outside the blocked rows falls as far as it can.
  void Fall(std::vector<TItemFall>& Moves);
  // Rows 9 up to 0: every empty unlocked cell that no item above can reach gets a new item;
  // the first new item of the column comes from the row above the board, the next from two rows
  // above, and so on.
  void Refill(std::vector<TItemFall>& Moves);
  // Whether a block fell onto a socket.
  bool BlockToSocket() const { return FBlockToSocket; }

  // Whether a block can move down into the cell: not a hole, no wall on its top side, no cover
  // and no locked socket.
  static bool BlockCanEnter(const TCell& Cell);

private:
  int32_t Destination(int32_t Row, bool IsBlock) const;
  // Whether an item above the empty cell at Row will fall into it: the first item above it
  // (holes and empty cells skipped), unless that is a block that cannot fall.
  bool ItemAbove(int32_t Row) const;
  bool Blocked(int32_t Row) const { return FBlockedRows.test(static_cast<size_t>(Row)); }

  TBoard& FBoard;
  int32_t FColumn;
  TRows FBlockedRows;
  bool FBlockToSocket = false;
};
