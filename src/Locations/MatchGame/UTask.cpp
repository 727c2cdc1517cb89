#include "Locations/MatchGame/UTask.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UTaskProcessor.h"
#include "animation/UGAnimation.h"
#include "object/UGClassBuilder.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TTask)
G_IMPLEMENT_CLASS(TBoardTask)

// --- TTask -------------------------------------------------------------------------------------

TTask::TTask(TTaskProcessor* AProcessor)
    : TGObject(AProcessor) {
  if (AProcessor) {
    AProcessor->Add(this);
  }
}

TTaskProcessor* TTask::TaskProcessor() const {
  return static_cast<TTaskProcessor*>(Owner());
}

void TTask::LockCell(TCell* Cell) {
  if (Cell->IsLocked() && Cell->LockedByTask() == this) {
    return;
  }
  Cell->Lock(this); // the generic error when another task holds it
  FCells.push_back(Cell);
}

void TTask::UnlockCell(TCell* Cell) {
  Cell->Unlock(); // the generic error when it is not locked
  std::erase(FCells, Cell);
}

void TTask::UnlockCells() {
  while (!FCells.empty()) {
    UnlockCell(FCells.back());
  }
}

bool TTask::Holds(const TCell* Cell) const {
  return Cell && Cell->IsLocked() && Cell->LockedByTask() == this;
}

void TTask::Suspend() {
  while (!FCells.empty()) {
    TCell* Cell = FCells.back();
    UnlockCell(Cell);
    FSuspendCells.push_back(Cell);
  }
}

void TTask::Revive() {
  std::vector<TCell*> Cells;
  Cells.swap(FSuspendCells);
  for (TCell* Cell : Cells) {
    LockCell(Cell);
  }
}

// Only the cells this task still holds are unlocked: a cell handed over to another task keeps
// that task's lock.
void TTask::Destroy() {
  if (TTaskProcessor* Processor = TaskProcessor()) {
    Processor->Remove(this);
  }
  for (TCell* Cell : FCells) {
    if (Holds(Cell)) {
      Cell->Unlock();
    }
  }
  FCells.clear();
  FSuspendCells.clear();
  inherited::Destroy();
}

// --- TBoardTask --------------------------------------------------------------------------------

TBoard* TBoardTask::Board() const {
  TTaskProcessor* Processor = TaskProcessor();
  TBoard* B = Processor ? dynamic_cast<TBoard*>(Processor->Owner()) : nullptr;
  if (!B) {
    throw Error("Assertion failure");
  }
  return B;
}

void TBoardTask::Animate(TItem* Item, TGAnimation* Animation) {
  StopAnimation(Item);
  Animation->SetOwner(this);
  FAnimations.emplace_back(Item, Animation);
  if (TTaskProcessor* Processor = TaskProcessor(); Processor && Item) {
    Processor->SetItemAnimation(Item, Animation);
  }
}

TGAnimation* TBoardTask::AnimationOf(const TItem* Item) const {
  for (const auto& [I, A] : FAnimations) {
    if (I == Item) {
      return A;
    }
  }
  return nullptr;
}

bool TBoardTask::AnimationEnded(const TItem* Item) const {
  TGAnimation* A = AnimationOf(Item);
  return !A || A->IsFinished();
}

bool TBoardTask::AllAnimationsEnded() const {
  return std::all_of(FAnimations.begin(), FAnimations.end(),
                     [](const auto& P) { return P.second->IsFinished(); });
}

void TBoardTask::AdvanceAnimations(float Seconds) {
  for (const auto& [Item, A] : FAnimations) {
    if (!A->IsFinished()) {
      A->Update(Seconds);
    }
  }
}

void TBoardTask::StopAnimation(const TItem* Item) {
  for (auto It = FAnimations.begin(); It != FAnimations.end(); ++It) {
    if (It->first == Item) {
      TGAnimation* A = It->second;
      FAnimations.erase(It);
      if (TTaskProcessor* Processor = TaskProcessor()) {
        Processor->ClearItemAnimation(Item, A);
      }
      A->Free();
      return;
    }
  }
}

void TBoardTask::StopAnimations() {
  while (!FAnimations.empty()) {
    StopAnimation(FAnimations.back().first);
  }
}

void TBoardTask::Destroy() {
  StopAnimations();
  inherited::Destroy();
}
