#include "Locations/MatchGame/UTaskProcessor.h"

#include "Locations/MatchGame/UTask.h"
#include "object/UGClassBuilder.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TTaskProcessor)

TTaskProcessor::TTaskProcessor(TGObject* AOwner)
    : TBoardActions(AOwner) {}

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
  return inherited::SelectedCell();
}
void TTaskProcessor::Select(TCell* Cell) {
  inherited::Select(Cell);
}
void TTaskProcessor::Deselect() {
  inherited::Deselect();
}
void TTaskProcessor::SuspendSelection() {
  inherited::SuspendSelection();
}
void TTaskProcessor::ReviveSelection() {
  inherited::ReviveSelection();
}
bool TTaskProcessor::IsSwapRunning() const {
  return inherited::IsSwapRunning();
}
bool TTaskProcessor::SwapItems(TRowCol Selected, TRowCol Clicked) {
  return inherited::SwapItems(Selected, Clicked);
}
void TTaskProcessor::ExplodeItems(const std::vector<TCell*>& Cells, TRowCol Bonus1,
                                  TRowCol Bonus2) {
  inherited::ExplodeItems(Cells, Bonus1, Bonus2);
}
void TTaskProcessor::ExplodeItem(TCell* Cell, TItem* Replacement) {
  inherited::ExplodeItem(Cell, Replacement);
}
bool TTaskProcessor::IsExplosionLock(const TCell& Cell) const {
  return inherited::IsExplosionLock(Cell);
}
void TTaskProcessor::ArriveBlock(TCell* Cell, int32_t BlockIdx) {
  inherited::ArriveBlock(Cell, BlockIdx);
}
void TTaskProcessor::ShuffleItems() {
  inherited::ShuffleItems();
}
void TTaskProcessor::TeleportItems(TCell* A, TCell* B) {
  inherited::TeleportItems(A, B);
}
void TTaskProcessor::ChangeGemKind(TCell* Cell, int32_t Kind) {
  inherited::ChangeGemKind(Cell, Kind);
}
void TTaskProcessor::ShowHint() {
  inherited::ShowHint();
}
void TTaskProcessor::EffectOnLevelCompletion(TCell* Cell, int32_t Delay) {
  inherited::EffectOnLevelCompletion(Cell, Delay);
}
void TTaskProcessor::EffectOnLevelFailed(TCell* Cell) {
  inherited::EffectOnLevelFailed(Cell);
}
void TTaskProcessor::InitializeBoard() {
  inherited::InitializeBoard();
}
void TTaskProcessor::Complete() {
  inherited::Complete();
}
void TTaskProcessor::SelectionEnded(const TSelectItemTask* Task) {
  if (reinterpret_cast<const TGObject*>(Task) == reinterpret_cast<const TGObject*>(FSelect)) {
    FSelect = nullptr;
  }
}

void TTaskProcessor::Destroy() {
  FClosing = true;
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
