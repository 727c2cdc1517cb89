// The board's explosions: the resolution of a match (it waits until it holds every cell of the
// match, merging with a resolution that shares a cell), the explosion of one item (its cell
// takes the replacement when the explosion's picture has played), and the blink of an item.
#pragma once

#include "Locations/MatchGame/URowCol.h"
#include "Locations/MatchGame/UTask.h"

#include <vector>

class TExplodeItemsTask : public TBoardTask {
  G_CLASS(TExplodeItemsTask, TBoardTask)
  // Joins a running resolution that shares a cell with Cells (and then finishes at once);
  // otherwise locks the unlocked cells, and finishes at once when there are none.
  TExplodeItemsTask(TTaskProcessor* AProcessor, const std::vector<TCell*>& Cells, TRowCol Bonus1,
                    TRowCol Bonus2);

  const std::vector<TCell*>& CellSet() const { return FCellSet; }
  // Takes the cell out of the set, except while the resolution runs.
  void RemoveFromCellSet(TCell* Cell);
  // Gives up the cell's lock (to the explosion of its item) and the cell.
  void HandOver(TCell* Cell);
  // Locks the cells it does not hold yet, drops the selection on them, leaves those another
  // resolution holds; when it held them all, the rules resolve the match.
  void Update(float Seconds) override;

private:
  bool Merge(const std::vector<TCell*>& Cells);

  bool FBlockRemove = false;
  TRowCol FBonusCell1;
  TRowCol FBonusCell2;
  std::vector<TCell*> FCellSet;
};

class TExplodeItemTask : public TBoardTask {
  G_CLASS(TExplodeItemTask, TBoardTask)
  // The cell loses a covering layer and its item shows its explosion; the replacement waits.
  TExplodeItemTask(TTaskProcessor* AProcessor, TCell* ACell, TItem* ABonus);

  TCell* Cell() const { return FCell; }
  TItem* Replacement() const { return FBonus; }
  void Update(float Seconds) override;

protected:
  // An explosion not played to its end still leaves the board as it would have.
  void Destroy() override;

private:
  // The old item is freed and the replacement takes the cell.
  void Done();
  // Whoever holds the cell gives it up: a resolution hands its lock over, the selection and a
  // hint end.
  void TakeCell();

  TCell* FCell;
  TItem* FBonus; // owned by the board, on no cell until the explosion has played
  TItem* FItem;
  bool FDone = false;
};

// The item on the cell shows its effect picture once the delay has run down.
class TBlinkItemTask : public TBoardTask {
  G_CLASS(TBlinkItemTask, TBoardTask)
  TBlinkItemTask(TTaskProcessor* AProcessor, TCell* ACell, float ADelay);

  void Update(float Seconds) override;

private:
  void Blink();

  float FDelay;
  TCell* FCell;
};
