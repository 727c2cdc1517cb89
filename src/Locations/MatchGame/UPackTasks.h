// The board's tasks that move items in and out of the columns: the falling and refilling that
// run every frame, the fill of the board at the start, the collecting of the blocks at the
// bottom, the arrival of a new block, and the shuffle.
#pragma once

#include "Locations/MatchGame/UTask.h"

#include <bitset>
#include <vector>

// Never ends: while enabled, each frame starts the falling and refilling of every column.
class TPackBoardTask : public TBoardTask {
  G_CLASS(TPackBoardTask, TBoardTask)
  explicit TPackBoardTask(TTaskProcessor* AProcessor)
      : TBoardTask(AProcessor) {}

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  void Update(float Seconds) override;

private:
  bool FEnabled = true;
};

// The items of one column fall into the empty cells below them and new items fall in from
// above the board, all at once on the board; their cells stay locked until each has landed.
class TPackColumnTask : public TBoardTask {
  G_CLASS(TPackColumnTask, TBoardTask)
  // Rows in ASetOfRows neither fall nor are passed.
  TPackColumnTask(TTaskProcessor* AProcessor, int32_t AColumn, const std::bitset<256>& ASetOfRows);

  int32_t Column() const { return FColumn; }
  const std::vector<TItem*>& Items() const { return FItems; }
  void Update(float Seconds) override;

protected:
  void Destroy() override;

private:
  struct TFall {
    TItem* Item;
    TCell* Cell;
    bool SoundPlayed;
  };
  void Land(const TFall& Fall);

  std::bitset<256> FSetOfRows;
  std::vector<TItem*> FItems;
  std::vector<TFall> FFalls;
  int32_t FColumn;
  bool FBlockToSocket = false;
};

// The board fills at the start: every empty cell gets a new item that flies in from afar.
class TInitializeBoardTask : public TBoardTask {
  G_CLASS(TInitializeBoardTask, TBoardTask)
  explicit TInitializeBoardTask(TTaskProcessor* AProcessor);

  const std::vector<TItem*>& Items() const { return FItems; }
  void Update(float Seconds) override;
  // Every item stands still at once.
  void Complete();

private:
  std::vector<TItem*> FItems;
};

// Never ends: an unlocked block on the lowest cell of its column leaves the board.
class TBloksTask : public TBoardTask {
  G_CLASS(TBloksTask, TBoardTask)
  explicit TBloksTask(TTaskProcessor* AProcessor)
      : TBoardTask(AProcessor) {}

  void Update(float Seconds) override;
};

// A comet brings a new block to its origin cell; when it has arrived the block replaces the
// item there.
class TArrivalBlockTask : public TBoardTask {
  G_CLASS(TArrivalBlockTask, TBoardTask)
  TArrivalBlockTask(TTaskProcessor* AProcessor, TCell* ACell, int32_t ABlockIdx);

  void Update(float Seconds) override;

protected:
  void Destroy() override;

private:
  TCell* FCell;
  int32_t FBlockIdx;
};

// The unlocked gems change places in pairs that make no match, flying for a second.
class TShuffleItemsTask : public TBoardTask {
  G_CLASS(TShuffleItemsTask, TBoardTask)
  explicit TShuffleItemsTask(TTaskProcessor* AProcessor);

  void Update(float Seconds) override;

protected:
  void Destroy() override;

private:
  float FElapsedTime = 0;
  float FTime = 1;
  std::vector<TCell*> FListed;
};
