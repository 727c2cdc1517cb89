// The board's task processor: it carries out the rules' changes of the board as animated tasks
// (replacing the instant changes of TBoardActions) and updates its tasks once a frame.
#pragma once

#include "Locations/MatchGame/UBoardActions.h"
#include "object/UGClass.h"

#include <unordered_map>
#include <vector>

class TGAnimation;
class TPackBoardTask;
class TSelectItemTask;
class TTask;

class TTaskProcessor : public TBoardActions {
  G_CLASS(TTaskProcessor, TBoardActions)
  // Makes the never-ending tasks of the board: the falling and refilling of the columns and the
  // collecting of the blocks at the bottom.
  explicit TTaskProcessor(TGObject* AOwner = nullptr);

  // The tasks in creation order (a finished task's slot is empty until the end of the update).
  const std::vector<TTask*>& Tasks() const { return FTasks; }
  void Add(TTask* Task);
  // Takes the task out of the list (a task the processor does not own is not freed).
  void Remove(TTask* Task);
  // The first task of that class or a class derived from it, or none.
  TTask* FindTask(TGClass Class) const;
  template <class T>
  T* FindTask() const {
    return static_cast<T*>(FindTask(T::StaticClass()));
  }
  // How many tasks of that class (or derived from it) are in the list, finished or not.
  int32_t CountTasks(TGClass Class) const;

  // Every task that existed at the start of the frame runs once; the finished ones are freed.
  // Tasks made during the loop run from the next frame on.
  void Update(float Seconds) override;

  // --- What the board widget draws ---
  // The animation a task gives the item, in the board widget's pixels, or none: the item then
  // shows its own picture at its cell.
  TGAnimation* ItemAnimation(const TItem* Item) const;
  void SetItemAnimation(const TItem* Item, TGAnimation* Animation);
  // Forgets the item's animation when it is still that one.
  void ClearItemAnimation(const TItem* Item, const TGAnimation* Animation);

  TPackBoardTask* PackBoardTask() const { return FPackBoard; }
  // Whether the processor is being destroyed: ending tasks then start nothing new.
  bool IsClosing() const { return FClosing; }

  // --- TBoardActions, carried out by tasks ---
  TCell* SelectedCell() const override;
  void Select(TCell* Cell) override;
  void Deselect() override;
  void SuspendSelection() override;
  void ReviveSelection() override;
  bool IsSwapRunning() const override;
  bool SwapItems(TRowCol Selected, TRowCol Clicked) override;
  void ExplodeItems(const std::vector<TCell*>& Cells, TRowCol Bonus1, TRowCol Bonus2) override;
  void ExplodeItem(TCell* Cell, TItem* Replacement) override;
  bool IsExplosionLock(const TCell& Cell) const override;
  void ArriveBlock(TCell* Cell, int32_t BlockIdx) override;
  void ShuffleItems() override;
  void TeleportItems(TCell* A, TCell* B) override;
  void ChangeGemKind(TCell* Cell, int32_t Kind) override;
  void ShowHint() override;
  void BlinkItem(TCell* Cell, float Delay) override;
  void EffectOnLevelCompletion(TCell* Cell, int32_t Delay) override;
  void EffectOnLevelFailed(TCell* Cell) override;
  void InitializeBoard() override;
  // The board's fill at the start ends at once.
  void Complete() override;

  // The select task tells the processor that it ends.
  void SelectionEnded(const TSelectItemTask* Task);

protected:
  void Destroy() override;
  // A task freed by anyone leaves the list.
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  std::vector<TTask*> FTasks;
  int32_t FLoopDepth = 0;
  bool FClosing = false;
  TSelectItemTask* FSelect = nullptr;
  TPackBoardTask* FPackBoard = nullptr;
  std::unordered_map<const TItem*, TGAnimation*> FItemAnimations;
};
