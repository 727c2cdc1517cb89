// A board task: one change of the match-three board the player sees as movement (selecting,
// swapping, exploding, falling...). A task locks the cells it works on, animates their items,
// and changes the board when the animations have ended. Tasks are owned by the task processor,
// which updates them once a frame and frees those that have finished.
#pragma once

#include "object/UGObject.h"

#include <vector>

class TBoard;
class TCell;
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
};
