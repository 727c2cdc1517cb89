#include "Locations/MatchGame/UExplodeTasks.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardLogic.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/USwapTasks.h"
#include "Locations/MatchGame/UTaskAnimations.h"
#include "Locations/MatchGame/UTaskProcessor.h"
#include "animation/UGAnimation.h"
#include "base/UGDebug.h"
#include "object/UGClassBuilder.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TExplodeItemsTask)
G_IMPLEMENT_CLASS(TExplodeItemTask)
G_IMPLEMENT_CLASS(TBlinkItemTask)

using namespace TaskAnimations;

namespace {

bool Contains(const std::vector<TCell*>& Cells, const TCell* Cell) {
  return std::find(Cells.begin(), Cells.end(), Cell) != Cells.end();
}

// The running resolutions of the processor.
template <class F>
void ForEachResolution(TTaskProcessor* Processor, F&& Do) {
  for (TTask* Task : std::vector<TTask*>(Processor->Tasks())) {
    if (auto* R = TryObjectCast<TExplodeItemsTask>(Task); R && !R->IsFinished()) {
      Do(R);
    }
  }
}

} // namespace

// --- TExplodeItemsTask -------------------------------------------------------------------------

TExplodeItemsTask::TExplodeItemsTask(TTaskProcessor* AProcessor, const std::vector<TCell*>& Cells,
                                     TRowCol Bonus1, TRowCol Bonus2)
    : TBoardTask(AProcessor)
    , FBonusCell1(Bonus1)
    , FBonusCell2(Bonus2) {
  if (Merge(Cells)) {
    Finish();
    return;
  }
  for (TCell* C : Cells) {
    if (!Contains(FCellSet, C)) {
      FCellSet.push_back(C);
    }
    if (!C->IsLocked()) {
      LockCell(C);
    }
  }
  if (this->Cells().empty()) {
    Finish();
  }
}

bool TExplodeItemsTask::Merge(const std::vector<TCell*>& Cells) {
  TExplodeItemsTask* Into = nullptr;
  ForEachResolution(TaskProcessor(), [&](TExplodeItemsTask* R) {
    if (!Into && R != this && std::any_of(Cells.begin(), Cells.end(), [R](TCell* C) {
          return Contains(R->FCellSet, C);
        })) {
      Into = R;
    }
  });
  if (!Into) {
    return false;
  }
  for (TCell* C : Cells) {
    if (!Contains(Into->FCellSet, C)) {
      Into->FCellSet.push_back(C);
      if (!C->IsLocked()) {
        Into->LockCell(C);
      }
    }
  }
  return true;
}

void TExplodeItemsTask::RemoveFromCellSet(TCell* Cell) {
  if (!FBlockRemove) {
    std::erase(FCellSet, Cell);
  }
}

void TExplodeItemsTask::HandOver(TCell* Cell) {
  if (Holds(Cell)) {
    UnlockCell(Cell);
  }
  RemoveFromCellSet(Cell);
}

void TExplodeItemsTask::Update(float Seconds) {
  (void)Seconds;
  bool HeldAll =
      std::all_of(FCellSet.begin(), FCellSet.end(), [this](TCell* C) { return Holds(C); });
  for (TCell* C : std::vector<TCell*>(FCellSet)) {
    if (!C->IsLocked()) {
      LockCell(C);
      continue;
    }
    TGObject* Holder = C->LockedByTask();
    if (Holder == this) {
      continue;
    }
    if (auto* Select = TryObjectCast<TSelectItemTask>(Holder)) {
      (void)Select;
      TaskProcessor()->Deselect();
    } else if (TryObjectCast<TExplodeItemsTask>(Holder)) {
      RemoveFromCellSet(C);
    }
  }
  if (FCellSet.empty()) {
    Finish();
    return;
  }
  if (!HeldAll) {
    return;
  }
  FBlockRemove = true;
  try {
    Board()->Logic()->ResolveMatch(FCellSet, FBonusCell1, FBonusCell2);
  } catch (...) {
    FBlockRemove = false;
    Finish();
    throw;
  }
  FBlockRemove = false;
  Finish();
}

// --- TExplodeItemTask --------------------------------------------------------------------------

TExplodeItemTask::TExplodeItemTask(TTaskProcessor* AProcessor, TCell* ACell, TItem* ABonus)
    : TBoardTask(AProcessor)
    , FCell(ACell)
    , FBonus(ABonus)
    , FItem(ACell->Item()) {
  TakeCell();
  if (!FCell->IsLocked()) {
    LockCell(FCell);
  }
  if (FCell->LowerDensity() && FCell->HasFlag(cfBlockSocket)) {
    AProcessor->PlaySound("Match\\HiddenCellAppear.ogg");
  }
  ForEachResolution(AProcessor, [this](TExplodeItemsTask* R) { R->RemoveFromCellSet(FCell); });
  if (FBonus) {
    FBonus->SetCell(nullptr);
  }
  if (auto* Item = ItemAs<TSelectableItem>(FItem)) {
    Item->SetGraphic(Item->GetExplodeGfx());
    Animate(Item, NewInPlaceAnimation(Item->GetExplodeGfx(),
                                      CellCentre(FCell->RowCol().Row, FCell->RowCol().Col)));
  }
}

// The lock of a resolution passes to the explosion: the rules explode the items of a match
// while its resolution still holds the cells.
void TExplodeItemTask::TakeCell() {
  if (!FCell->IsLocked()) {
    return;
  }
  TGObject* Holder = FCell->LockedByTask();
  if (auto* Resolution = TryObjectCast<TExplodeItemsTask>(Holder)) {
    Resolution->HandOver(FCell);
  } else if (TryObjectCast<TSelectItemTask>(Holder)) {
    TaskProcessor()->Deselect();
  } else if (auto* Hint = TryObjectCast<THintTask>(Holder)) {
    Hint->Free();
  } else if (Holder != this) {
    ODS("Cell (%d, %d) explodes while another task works on it", FCell->RowCol().Row,
        FCell->RowCol().Col);
  }
}

void TExplodeItemTask::Update(float Seconds) {
  AdvanceAnimations(Seconds);
  if (AnimationEnded(FItem)) {
    Done();
    Finish();
  }
}

void TExplodeItemTask::Done() {
  if (FDone) {
    return;
  }
  FDone = true;
  StopAnimations();
  if (FItem && FCell->Item() == FItem) {
    FCell->SetItem(nullptr);
  }
  if (FItem) {
    FItem->SetCell(nullptr);
    FItem->Free();
    FItem = nullptr;
  }
  if (FBonus && !FCell->Item()) {
    FCell->SetItem(FBonus);
    FBonus->MakeStatic();
  }
}

void TExplodeItemTask::Destroy() {
  Done();
  inherited::Destroy();
}

// --- TBlinkItemTask ----------------------------------------------------------------------------

TBlinkItemTask::TBlinkItemTask(TTaskProcessor* AProcessor, TCell* ACell, float ADelay)
    : TBoardTask(AProcessor)
    , FDelay(ADelay)
    , FCell(ACell) {
  if (FDelay <= 0) {
    Blink();
    Finish();
  }
}

void TBlinkItemTask::Update(float Seconds) {
  FDelay -= Seconds;
  if (FDelay <= 0) {
    Blink();
    Finish();
  }
}

void TBlinkItemTask::Blink() {
  auto* Item = ItemAs<TSelectableItem>(FCell->Item());
  if (!Item || FCell->IsLocked() || Item->IsHighlighted()) {
    return;
  }
  // The board widget plays the effect picture from its start.
  Item->Highlight();
}
