// A board task: one change of the match-three board the player sees as movement (selecting,
// swapping, exploding, falling...). A task locks the cells it works on, animates their items,
// and changes the board when the animations have ended. Tasks are owned by the task processor,
// which updates them once a frame and frees those that have finished.
#pragma once

#include "object/UGObject.h"

#include <cstdint>
#include <utility>
#include <vector>

class TBoard;
class TCell;
class TGAnimation;
class TItem;
class TTaskProcessor;

class TTask : public TGObject {
  G_CLASS(TTask, TGObject)
  // Adds itself at the end of the processor's tasks.
  explicit TTask(TTaskProcessor* AProcessor = nullptr);

  TTaskProcessor* TaskProcessor() const;
  bool IsFinished() const { return FIsFinished; }
  void Finish() { FIsFinished = true; }

  // One frame of the task.
  virtual void Update(float Seconds) { (void)Seconds; }

  // Locking a cell another task holds, or unlocking one that is not locked, raises the generic
  // error; locking a cell this task holds already does nothing.
  void LockCell(TCell* Cell);
  void UnlockCell(TCell* Cell);
  void UnlockCells();
  const std::vector<TCell*>& Cells() const { return FCells; }
  // Whether this task holds the lock of the cell.
  bool Holds(const TCell* Cell) const;
  // Unlocks every cell for a moment (last first) and locks them again.
  void Suspend();
  void Revive();

protected:
  // Leaves the processor's list and unlocks the cells.
  void Destroy() override;

private:
  bool FIsFinished = false;
  std::vector<TCell*> FSuspendCells;
  std::vector<TCell*> FCells;
};

// A task of a board: its processor belongs to a board.
class TBoardTask : public TTask {
  G_CLASS(TBoardTask, TTask)
  explicit TBoardTask(TTaskProcessor* AProcessor = nullptr)
      : TTask(AProcessor) {}

  // The processor's board; a failed assertion when the processor belongs to none.
  TBoard* Board() const;
  // A row whose items must neither fall nor be passed while the task runs, or -1 (a
  // horizontal chain of explosions keeps its row in place).
  virtual int32_t BlockedRow() const { return -1; }

protected:
  // The item shows Animation (owned by the task from now on, in the board widget's pixels) in
  // place of its picture until the task ends or gives it another one.
  void Animate(TItem* Item, TGAnimation* Animation);
  // The item's animation from this task, or none.
  TGAnimation* AnimationOf(const TItem* Item) const;
  // Whether the item has no running animation from this task (none counts as ended).
  bool AnimationEnded(const TItem* Item) const;
  bool AllAnimationsEnded() const;
  // Advances every animation the task gave.
  void AdvanceAnimations(float Seconds);
  // The item shows its own picture again.
  void StopAnimation(const TItem* Item);
  void StopAnimations();
  void Destroy() override;

private:
  std::vector<std::pair<const TItem*, TGAnimation*>> FAnimations; // animations owned
};
