// The board's task processor: it carries out the rules' changes of the board as animated tasks
// (replacing the instant changes of TBoardActions) and updates its tasks once a frame.
#pragma once

#include "Locations/MatchGame/UBoardActions.h"
#include "object/UGClass.h"

#include <vector>

class TTask;

class TTaskProcessor : public TBoardActions {
  G_CLASS(TTaskProcessor, TBoardActions)
  explicit TTaskProcessor(TGObject* AOwner = nullptr)
      : TBoardActions(AOwner) {}

  // The tasks in creation order (a finished task's slot is empty until the end of the update).
  const std::vector<TTask*>& Tasks() const { return FTasks; }
  void Add(TTask* Task);
  // Takes the task out of the list (a task the processor does not own is not freed).
  void Remove(TTask* Task);
  // The first task of that class or a class derived from it, or none.
  TTask* FindTask(TGClass Class) const;

  // Every task that existed at the start of the frame runs once; the finished ones are freed.
  // Tasks made during the loop run from the next frame on.
  void Update(float Seconds) override;

private:
  std::vector<TTask*> FTasks;
};
