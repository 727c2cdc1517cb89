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
  Front->Free();
}

void TStateQueue::Clear() {
  std::vector<TState*> Old;
  Old.swap(FItems);
  for (TState* S : Old) {
    S->Free();
  }
}

void TStateQueue::Update(int32_t AInterval) {
  while (!FItems.empty()) {
    TState* S = FItems.front();
    switch (S->Status) {
    case ssUninitialized:
      S->Initialize();
      break;
    case ssCurrent:
      S->Update(AInterval);
      if (!FItems.empty() && FItems.front()->Status == ssCurrent) {
        return;
      }
      break;
    case ssFinished:
      S->Finalize();
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
