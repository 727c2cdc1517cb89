// How the items leave the board when a level ends: scaled away when it is complete (a block
// leaving counts as collected), dropping off the board when it has failed.
#pragma once

#include "Locations/MatchGame/UTask.h"

class TEffectOnLevelCompletionTask : public TBoardTask {
  G_CLASS(TEffectOnLevelCompletionTask, TBoardTask)
  // The delay is not used.
  TEffectOnLevelCompletionTask(TTaskProcessor* AProcessor, TCell* ACell, int32_t Delay);

  void Update(float Seconds) override;

protected:
  void Destroy() override;

private:
  TCell* FCell;
  TItem* FItem;
};

class TEffectOnLevelFailedTask : public TBoardTask {
  G_CLASS(TEffectOnLevelFailedTask, TBoardTask)
  TEffectOnLevelFailedTask(TTaskProcessor* AProcessor, TCell* ACell);

  void Update(float Seconds) override;

protected:
  void Destroy() override;

private:
  TCell* FCell;
  TItem* FItem;
};
