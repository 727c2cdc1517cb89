#include "Locations/MatchGame/UTaskProcessor.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UExplodeTasks.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/ULevelEffectTasks.h"
#include "Locations/MatchGame/UPackTasks.h"
#include "Locations/MatchGame/USwapTasks.h"
#include "Locations/MatchGame/UTask.h"
#include "object/UGClassBuilder.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TTaskProcessor)

TTaskProcessor::TTaskProcessor(TGObject* AOwner)
    : TBoardActions(AOwner) {
  FPackBoard = new TPackBoardTask(this);
  new TBloksTask(this);
}

// --- The task list -----------------------------------------------------------------------------

void TTaskProcessor::Add(TTask* Task) {
  if (Task && std::find(FTasks.begin(), FTasks.end(), Task) == FTasks.end()) {
    FTasks.push_back(Task);
  }
}

// While the loop runs, the slot is only emptied, so that the loop's indices stay valid.
void TTaskProcessor::Remove(TTask* Task) {
  auto It = std::find(FTasks.begin(), FTasks.end(), Task);
  if (!Task || It == FTasks.end()) {
    return;
  }
  if (FLoopDepth > 0) {
    *It = nullptr;
  } else {
    FTasks.erase(It);
  }
}

TTask* TTaskProcessor::FindTask(TGClass Class) const {
  for (TTask* Task : FTasks) {
    if (Task && Task->InheritsFrom(Class)) {
      return Task;
    }
  }
  return nullptr;
}

int32_t TTaskProcessor::CountTasks(TGClass Class) const {
  return static_cast<int32_t>(std::count_if(
      FTasks.begin(), FTasks.end(), [Class](TTask* T) { return T && T->InheritsFrom(Class); }));
}

void TTaskProcessor::Update(float Seconds) {
  struct TLoopGuard {
    TTaskProcessor& P;
    explicit TLoopGuard(TTaskProcessor& AP)
        : P(AP) {
      ++P.FLoopDepth;
    }
    ~TLoopGuard() {
      if (--P.FLoopDepth == 0) {
        std::erase(P.FTasks, nullptr);
      }
    }
  } Guard(*this);
  const size_t Count = FTasks.size();
  for (size_t I = 0; I < Count; ++I) {
    TTask* Task = FTasks[I];
    if (!Task) {
      continue; // freed by another task during this loop
    }
    if (!Task->IsFinished()) {
      Task->Update(Seconds);
    }
    // The task may have been freed by its own update.
    if (FTasks[I] == Task && Task->IsFinished()) {
      FTasks[I] = nullptr;
      Task->Free();
    }
  }
}

void TTaskProcessor::OwnedObjectDestroying(TGObject* Obj) {
  if (auto* Task = TryObjectCast<TTask>(Obj)) {
    Remove(Task);
  }
  inherited::OwnedObjectDestroying(Obj);
}

// --- Item animations ---------------------------------------------------------------------------

TGAnimation* TTaskProcessor::ItemAnimation(const TItem* Item) const {
  auto It = FItemAnimations.find(Item);
  return It == FItemAnimations.end() ? nullptr : It->second;
}

void TTaskProcessor::SetItemAnimation(const TItem* Item, TGAnimation* Animation) {
  FItemAnimations[Item] = Animation;
}

void TTaskProcessor::ClearItemAnimation(const TItem* Item, const TGAnimation* Animation) {
  auto It = FItemAnimations.find(Item);
  if (It != FItemAnimations.end() && It->second == Animation) {
    FItemAnimations.erase(It);
  }
}

// --- The board's changes -----------------------------------------------------------------------

TCell* TTaskProcessor::SelectedCell() const {
  return FSelect && !FSelect->IsFinished() ? FSelect->Cell() : nullptr;
}

void TTaskProcessor::Select(TCell* Cell) {
  Deselect();
  if (ItemAs<TSelectableItem>(Cell->Item()) && !Cell->IsLocked()) {
    FSelect = new TSelectItemTask(this, Cell->RowCol());
  }
}

void TTaskProcessor::Deselect() {
  if (TSelectItemTask* Task = FSelect) {
    FSelect = nullptr;
    Task->Free();
  }
}

void TTaskProcessor::SuspendSelection() {
  if (FSelect) {
    FSelect->Suspend();
  }
}

void TTaskProcessor::ReviveSelection() {
  if (FSelect) {
    FSelect->Revive();
  }
}

bool TTaskProcessor::IsSwapRunning() const {
  return FindTask<TSwapItemsTask>() != nullptr;
}

bool TTaskProcessor::SwapItems(TRowCol Selected, TRowCol Clicked) {
  TBoard* B = Board();
  if (!ItemAs<TSelectableItem>(B->GetCell(Selected)->Item()) ||
      !ItemAs<TSelectableItem>(B->GetCell(Clicked)->Item())) {
    return false;
  }
  new TSwapItemsTask(this, Selected, Clicked);
  return true;
}

void TTaskProcessor::ExplodeItems(const std::vector<TCell*>& Cells, TRowCol Bonus1,
                                  TRowCol Bonus2) {
  new TExplodeItemsTask(this, Cells, Bonus1, Bonus2);
}

void TTaskProcessor::ExplodeItem(TCell* Cell, TItem* Replacement) {
  new TExplodeItemTask(this, Cell, Replacement);
}

bool TTaskProcessor::IsExplosionLock(const TCell& Cell) const {
  return Cell.IsLocked() && TryObjectCast<TExplodeItemTask>(Cell.LockedByTask()) != nullptr;
}

void TTaskProcessor::ArriveBlock(TCell* Cell, int32_t BlockIdx) {
  new TArrivalBlockTask(this, Cell, BlockIdx);
}

void TTaskProcessor::ShuffleItems() {
  new TShuffleItemsTask(this);
}

void TTaskProcessor::TeleportItems(TCell* A, TCell* B) {
  new TTeleportItemsTask(this, A, B);
}

void TTaskProcessor::ChangeGemKind(TCell* Cell, int32_t Kind) {
  new TChangeGemKindTask(this, Cell, Kind);
}

void TTaskProcessor::ShowHint() {
  new THintTask(this);
}

void TTaskProcessor::BlinkItem(TCell* Cell, float Delay) {
  new TBlinkItemTask(this, Cell, Delay);
}

void TTaskProcessor::EffectOnLevelCompletion(TCell* Cell, int32_t Delay) {
  if (Cell->Item()) {
    new TEffectOnLevelCompletionTask(this, Cell, Delay);
  }
}

void TTaskProcessor::EffectOnLevelFailed(TCell* Cell) {
  if (Cell->Item()) {
    new TEffectOnLevelFailedTask(this, Cell);
  }
}

void TTaskProcessor::InitializeBoard() {
  new TInitializeBoardTask(this);
}

void TTaskProcessor::Complete() {
  for (TTask* Task : std::vector<TTask*>(FTasks)) {
    if (auto* Fill = TryObjectCast<TInitializeBoardTask>(Task); Fill && !Fill->IsFinished()) {
      Fill->Complete();
    }
  }
}

void TTaskProcessor::SelectionEnded(const TSelectItemTask* Task) {
  if (Task == FSelect) {
    FSelect = nullptr;
  }
}

void TTaskProcessor::Destroy() {
  FClosing = true;
  FSelect = nullptr;
  FPackBoard = nullptr;
  while (!FTasks.empty()) {
    TTask* Task = FTasks.back();
    FTasks.pop_back();
    if (Task) {
      Task->Free();
    }
  }
  FItemAnimations.clear();
  inherited::Destroy();
}
