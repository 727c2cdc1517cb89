#include "Screens/UAnimationsQueue.h"

#include "drawables/UGGraphic.h"
#include "object/UGClassBuilder.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TAnimationsQueue)

TGGraphic* TAnimationsQueue::Add(TGGraphic* Graphic) {
  if (!Graphic) {
    return nullptr;
  }
  auto* Copy = static_cast<TGGraphic*>(Graphic->Clone(this));
  FQueue.push_back(Copy);
  return Copy;
}

void TAnimationsQueue::Update(float DeltaSeconds) {
  if (FQueue.empty()) {
    return;
  }
  TGGraphic* First = FQueue.front();
  First->Update(DeltaSeconds);
  if (!FQueue.empty() && FQueue.front() == First && First->IsFinished()) {
    Pop();
  }
}

void TAnimationsQueue::Draw() {
  if (!FQueue.empty()) {
    FQueue.front()->Draw();
  }
}

void TAnimationsQueue::Pop() {
  if (FQueue.empty()) {
    return;
  }
  TGGraphic* First = FQueue.front();
  FQueue.erase(FQueue.begin());
  First->Free();
}

void TAnimationsQueue::Clear() {
  while (!FQueue.empty()) {
    Pop();
  }
}

void TAnimationsQueue::Destroy() {
  Clear();
  inherited::Destroy();
}

void TAnimationsQueue::OwnedObjectDestroying(TGObject* Obj) {
  std::erase(FQueue, static_cast<TGGraphic*>(TryObjectCast<TGGraphic>(Obj)));
  inherited::OwnedObjectDestroying(Obj);
}
