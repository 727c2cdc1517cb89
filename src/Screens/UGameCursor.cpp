#include "Screens/UGameCursor.h"

#include "Screens/UCursorStates.h"
#include "objects/UGameObject.h"
#include "widgets/UGWidget.h"

G_IMPLEMENT_CLASS(TGameCursor)

TGameCursor::TGameCursor(TGObject* AOwner, TGWidget* AWidget)
    : TGObject(AOwner)
    , FOwner(AWidget) {
  FStates.SetSorted(true);
  FStates.SetCaseSensitive(true);
  FChanged = false;
  FInUpdate = false;
  FCurrState = EnsureState(TPointerCursorState::StaticClass());
  FCurrState->Initialize(FOwner, nullptr, nullptr);
  FGameObject = nullptr;
}

void TGameCursor::Destroy() {
  SetObjectField(FGameObject, nullptr);
  SetObjectField(FOldObject, nullptr);
  FCurrState = nullptr;
  FOldState = nullptr;
  inherited::Destroy();
  FStates.Clear();
}

void TGameCursor::OwnedObjectDestroying(TGObject* Obj) {
  const int I = FStates.IndexOfObject(Obj);
  if (I >= 0) {
    FStates.Delete(I);
  }
  if (Obj == FCurrState) {
    FCurrState = nullptr;
  }
  if (Obj == FOldState) {
    FOldState = nullptr;
  }
  inherited::OwnedObjectDestroying(Obj);
}

// The objects the cursor remembers may be freed (a location unloads) between two frames.
void TGameCursor::OnLinkedDestroy(TGObject* Sender) {
  if (Sender == FGameObject) {
    FGameObject = nullptr;
  }
  if (Sender == FOldObject) {
    FOldObject = nullptr;
  }
}

void TGameCursor::SetObjectField(TGameObject*& Field, TGameObject* Value) {
  if (Field == Value) {
    return;
  }
  TGameObject*& Other = &Field == &FGameObject ? FOldObject : FGameObject;
  if (Field && Field != Other) {
    UnSubscribe(Field);
  }
  Field = Value;
  if (Value && Value != Other) {
    Subscribe(TGNotification(Value, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TGameCursor::OnLinkedDestroy));
  }
}

TBaseCursorState* TGameCursor::EnsureState(TGClass StateClass) {
  if (!StateClass || !StateClass->InheritsFrom(TBaseCursorState::StaticClass()) ||
      !StateClass->CanCreate()) {
    throw Error("Not a cursor state class: %s", StateClass ? StateClass->Name : std::string());
  }
  int Index = 0;
  if (FStates.Find(StateClass->Name, Index)) {
    return FStates.ObjectAs<TBaseCursorState>(Index);
  }
  auto* State = static_cast<TBaseCursorState*>(StateClass->CreateInstance(this));
  FStates.AddObject(StateClass->Name, State);
  return State;
}

void TGameCursor::BeginUpdate() {
  FInUpdate = true;
  FChanged = false;
  FOldState = FCurrState;
  SetObjectField(FOldObject, FGameObject);
}

void TGameCursor::SetCursor(TGClass StateClass, TGameObject* AObject, TGObject* AData) {
  FChanged = true;
  TBaseCursorState* S = EnsureState(StateClass);
  if (S != FCurrState || !FCurrState || FCurrState->NeedsInitialize(S, AObject, AData)) {
    S->Initialize(FOwner, AObject, AData);
  }
  FCurrState = S;
  SetObjectField(FGameObject, AObject);
}

void TGameCursor::EndUpdate() {
  if (!FInUpdate) {
    return;
  }
  FInUpdate = false;
  if (!FChanged) {
    FCurrState = EnsureState(TPointerCursorState::StaticClass());
  }
  FCurrState->Update();
  if ((FCurrState != FOldState || FGameObject != FOldObject) && OnChange) {
    OnChange(this, FOldState, FCurrState, FOldObject, FGameObject);
  }
}
