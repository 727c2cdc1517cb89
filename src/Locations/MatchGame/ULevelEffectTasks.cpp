#include "Locations/MatchGame/ULevelEffectTasks.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardLogic.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/UTaskAnimations.h"
#include "Locations/MatchGame/UTaskProcessor.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "base/UGDebug.h"
#include "base/UGRandom.h"
#include "object/UGClassBuilder.h"

G_IMPLEMENT_CLASS(TEffectOnLevelCompletionTask)
G_IMPLEMENT_CLASS(TEffectOnLevelFailedTask)

using namespace TaskAnimations;

namespace {

// A cell another task still works on keeps that task's lock; the item leaves all the same.
void LockIfFree(TTask& Task, TCell* Cell) {
  if (!Cell->IsLocked()) {
    Task.LockCell(Cell);
  } else if (Cell->LockedByTask() != &Task) {
    ODS("Cell (%d, %d) is busy as the level ends", Cell->RowCol().Row, Cell->RowCol().Col);
  }
}

// The item leaves its cell and is freed.
void FreeItem(TCell* Cell, TItem*& Item) {
  if (!Item) {
    return;
  }
  if (Cell->Item() == Item) {
    Cell->SetItem(nullptr);
  }
  Item->SetCell(nullptr);
  Item->Free();
  Item = nullptr;
}

} // namespace

// --- TEffectOnLevelCompletionTask --------------------------------------------------------------

TEffectOnLevelCompletionTask::TEffectOnLevelCompletionTask(TTaskProcessor* AProcessor, TCell* ACell,
                                                           int32_t Delay)
    : TBoardTask(AProcessor)
    , FCell(ACell)
    , FItem(ACell->Item()) {
  (void)Delay;
  if (!FItem) {
    Finish();
    return;
  }
  LockIfFree(*this, FCell);
  std::string Gfx = FItem->GetGfxPrefix() + "Scale.ani";
  FItem->SetGraphic(Gfx);
  Animate(FItem, NewInPlaceAnimation(Gfx, CellCentre(FCell->RowCol().Row, FCell->RowCol().Col)));
}

void TEffectOnLevelCompletionTask::Update(float Seconds) {
  AdvanceAnimations(Seconds);
  if (AnimationEnded(FItem)) {
    Finish();
  }
}

// The item leaves when the task ends, however it ends; a block counts as collected.
void TEffectOnLevelCompletionTask::Destroy() {
  StopAnimations();
  if (FItem) {
    TItem* Item = FItem;
    bool IsBlock = ItemAs<TBlock>(Item) != nullptr;
    TTaskProcessor* Processor = TaskProcessor();
    if (IsBlock && Processor && !Processor->IsClosing()) {
      Board()->Logic()->OnCollectBlock(Item);
    }
    FreeItem(FCell, FItem);
  }
  inherited::Destroy();
}

// --- TEffectOnLevelFailedTask ------------------------------------------------------------------

TEffectOnLevelFailedTask::TEffectOnLevelFailedTask(TTaskProcessor* AProcessor, TCell* ACell)
    : TBoardTask(AProcessor)
    , FCell(ACell)
    , FItem(ACell->Item()) {
  if (!FItem) {
    Finish();
    return;
  }
  LockIfFree(*this, FCell);
  const TRowCol RC = FCell->RowCol();
  const TGFlatVector From = CellCentre(RC.Row, RC.Col);
  const auto Drop = static_cast<float>((12 - RC.Row / 2) * CCellSize);
  TGAnimation* A = NewAnimation(static_cast<float>(0.6 + Random() * 0.3));
  TGLivePicture* P = AddPicture(A, FItem->GetStaticGfx(), From);
  KeyPlace(P, 500, TGFlatVector{From.X, From.Y + 0.3f * Drop});
  KeyPlace(P, 1000, TGFlatVector{From.X, From.Y + Drop});
  Animate(FItem, A);
}

void TEffectOnLevelFailedTask::Update(float Seconds) {
  AdvanceAnimations(Seconds);
  if (AnimationEnded(FItem)) {
    Finish();
  }
}

void TEffectOnLevelFailedTask::Destroy() {
  StopAnimations();
  FreeItem(FCell, FItem);
  inherited::Destroy();
}
