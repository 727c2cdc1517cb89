#include "script/UState.h"

#include "object/UGClassBuilder.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TState)
G_IMPLEMENT_CLASS(TStateQueue)

TState::TState(TStateQueue* AStateQueue)
    : TGObject(AStateQueue) {
  if (AStateQueue) {
    AStateQueue->Push(this);
  }
}

TStateQueue* TState::StateQueue() const {
  return static_cast<TStateQueue*>(Owner());
}

void TState::Initialize() {
  Status = ssCurrent;
}

TState* TStateQueue::GetItem(int Index) const {
  if (Index < 0 || Index >= GetCount()) {
    throw Error();
  }
  return FItems[static_cast<size_t>(Index)];
}

void TStateQueue::Push(TState* AState) {
  if (!AState || AState->Status != ssUninitialized || AState->Owner() != this) {
    throw Error();
  }
  FItems.push_back(AState);
}

TState* TStateQueue::Peek() const {
  if (FItems.empty()) {
    throw Error();
  }
  return FItems.front();
}

void TStateQueue::Pop() {
  if (FItems.empty()) {
    return;
  }
  TState* Front = FItems.front();
  FItems.erase(FItems.begin());
  FreeOrDefer(Front);
}

void TStateQueue::Clear() {
  std::vector<TState*> Old;
  Old.swap(FItems);
  for (TState* S : Old) {
    FreeOrDefer(S);
  }
}

void TStateQueue::FreeOrDefer(TState* S) {
  if (S == FRunning) {
    FRunningRemoved = true;
  } else {
    S->Free();
  }
}

// Runs one step of the state; a state the step removed from the queue (a script it ran cleared
// the queue, say) is freed once the step has returned, not under its own feet. True when the
// state is still there.
bool TStateQueue::RunStep(TState* S, void (*Step)(TState*, int32_t), int32_t AInterval) {
  FRunning = S;
  FRunningRemoved = false;
  try {
    Step(S, AInterval);
  } catch (...) {
    FRunning = nullptr;
    if (FRunningRemoved) {
      S->Free();
    }
    throw;
  }
  FRunning = nullptr;
  if (FRunningRemoved) {
    S->Free();
    return false;
  }
  return true;
}

void TStateQueue::Update(int32_t AInterval) {
  while (!FItems.empty()) {
    TState* S = FItems.front();
    switch (S->Status) {
    case ssUninitialized:
      RunStep(
          S, [](TState* T, int32_t) { T->Initialize(); }, AInterval);
      break;
    case ssCurrent:
      RunStep(
          S, [](TState* T, int32_t I) { T->Update(I); }, AInterval);
      if (!FItems.empty() && FItems.front()->Status == ssCurrent) {
        return;
      }
      break;
    case ssFinished:
      if (!RunStep(
              S, [](TState* T, int32_t) { T->Finalize(); }, AInterval)) {
        break;
      }
      // The state may have been removed by its own Finalize: pop only what is still in front.
      if (!FItems.empty() && FItems.front() == S) {
        Pop();
      }
      break;
    default:
      // Only a damaged save can hold another status; it would never leave the front.
      throw Error("Invalid state status %d", static_cast<int>(S->Status));
    }
  }
}

void TStateQueue::Destroy() {
  Clear();
  inherited::Destroy();
}

void TStateQueue::OwnedObjectDestroying(TGObject* Obj) {
  std::erase_if(FItems, [Obj](TState* Item) { return Item == Obj; });
  inherited::OwnedObjectDestroying(Obj);
}
