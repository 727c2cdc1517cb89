// The board's tasks on one or two items in place: the player's selection, the swap of two
// items (swapped back when it makes no match), the hint of a possible move, the teleport of two
// items between portals, and the change of a gem's kind.
#pragma once

#include "Locations/MatchGame/URowCol.h"
#include "Locations/MatchGame/UTask.h"

#include <array>
#include <string>
#include <vector>

class TGAnimation;
class TSelectableItem;

// The selection: the item shows its selected picture while the cell is locked. Freeing the task
// deselects; it ends by itself when the cell below empties (the item is about to fall).
class TSelectItemTask : public TBoardTask {
  G_CLASS(TSelectItemTask, TBoardTask)
  TSelectItemTask(TTaskProcessor* AProcessor, TRowCol ARowCol);

  TRowCol RowCol() const { return FRowCol; }
  TCell* Cell() const;
  void Update(float Seconds) override;

protected:
  void Destroy() override;

private:
  TRowCol FRowCol;
};

// The player's swap of the selected item with a neighbour. A swap that makes a match, or moves
// a bonus, exchanges the items at once and resolves the matches when the animation has ended;
// otherwise both items move towards each other and back, and the board stays as it was.
class TSwapItemsTask : public TBoardTask {
  G_CLASS(TSwapItemsTask, TBoardTask)
  TSwapItemsTask(TTaskProcessor* AProcessor, TRowCol Selected, TRowCol Clicked);

  bool IsRealSwap() const { return FIsRealSwap; }
  const std::array<std::vector<TCell*>, 2>& CellSet() const { return FCellSet; }
  void Update(float Seconds) override;

protected:
  void Destroy() override;

private:
  TGAnimation* SwapAnimation(const TSelectableItem* Item, TRowCol From, TRowCol To,
                             bool AndBack) const;

  TRowCol FRowCol1;
  TRowCol FRowCol2;
  TSelectableItem* FItem1 = nullptr;
  TSelectableItem* FItem2 = nullptr;
  std::array<std::vector<TCell*>, 2> FCellSet;
  bool FStar1 = false;
  bool FStar2 = false;
  bool FIsRealSwap = false;
};

// The hint: the first item of a possible move spins while a comet flies to it, then carries
// the blinking star. Without a move the task ends at once.
class THintTask : public TBoardTask {
  G_CLASS(THintTask, TBoardTask)
  explicit THintTask(TTaskProcessor* AProcessor);

  TRowCol RowCol() const { return FRowCol; }
  void Update(float Seconds) override;
  // The first cell of a possible move among the unlocked cells; CNoCell without one.
  virtual void FindHint(TRowCol& RowCol);
  virtual std::string GetGemAnimation() const;
  virtual std::string GetBlinkGraphic() const;

protected:
  void Destroy() override;

private:
  TRowCol FRowCol = CNoCell;
  TSelectableItem* FItem = nullptr;
  float FElapsed = 0;
  bool FSoundPlayed = false;
};

// Two items change places between portals at once and fade over in a second, turning; the
// portal effect plays on the block's new cell. A bonus among them explodes at the end.
class TTeleportItemsTask : public TBoardTask {
  G_CLASS(TTeleportItemsTask, TBoardTask)
  TTeleportItemsTask(TTaskProcessor* AProcessor, TCell* A, TCell* B);

  // The portal effect, in the board widget's pixels (none without its graphic).
  TGAnimation* PortalEffect() const { return FS; }
  void Update(float Seconds) override;

protected:
  void Destroy() override;

private:
  TGAnimation* FS = nullptr; // owned
  TRowCol FRowCol1;
  TRowCol FRowCol2;
  TItem* FItem1 = nullptr;
  TItem* FItem2 = nullptr;
};

// A gem takes a new kind at once; its old picture fades into the new one over a second.
class TChangeGemKindTask : public TBoardTask {
  G_CLASS(TChangeGemKindTask, TBoardTask)
  TChangeGemKindTask(TTaskProcessor* AProcessor, TCell* ACell, int32_t Kind);

  void Update(float Seconds) override;

protected:
  void Destroy() override;

private:
  TCell* FCell;
};
