#include "Screens/UBaseGameScreen.h"

#include "Screens/UFlyingControl.h"
#include "Screens/UGameScreenStates.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/UFlowState.h"
#include "inventory/UInventory.h"
#include "locations/ULocation.h"
#include "locations/ULocationItemsDistribution.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectBehavior.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "widgets/UGWindowHost.h"

G_IMPLEMENT_CLASS(TBaseGameScreen)

namespace {

constexpr TInventoryFlags CItemsList{1u << ifItems};

} // namespace

TBaseFlowState* MainFlowState(const TBaseLocation* Location) {
  TFlowChannel* Main = Location ? Location->MC() : nullptr;
  return Main && !Main->Empty() ? Main->Peek() : nullptr;
}

void TBaseGameScreen::AfterConstruction() {
  inherited::AfterConstruction();
  FIsUnloading = false;
  FStateQueue = new TGameScreenStateQueue(this);
  FFlyingControl = new TFlyingControl(this);
}

void TBaseGameScreen::Publish(TGClassBuilder<TBaseGameScreen>& B) {
  B.Property("CursorX", &TBaseGameScreen::CursorX)
      .Property("CursorY", &TBaseGameScreen::CursorY)
      .Property("FlyingControl", &TBaseGameScreen::FlyingControl)
      .Property("ActiveLocation", &TBaseGameScreen::ActiveLocation)
      .Method("GameObjectMouseDown", &TBaseGameScreen::GameObjectMouseDown, {"Obj", "Button"})
      .Method("GameObjectMouseUp", &TBaseGameScreen::GameObjectMouseUp, {"Button"})
      .Method("FlyToInventory", &TBaseGameScreen::FlyToInventory, {"AObject"})
      .Method("MoveToInventory", &TBaseGameScreen::MoveToInventory, {"AObject"})
      .Method("AssignToCursor", &TBaseGameScreen::AssignToCursor, {"AObject"});
}

void TBaseGameScreen::Destroy() {
  Relink(FMouseCaptureObject, nullptr);
  Relink(FMouseDownObject, nullptr);
  if (FActiveLocation) {
    UnSubscribe(FActiveLocation);
    FActiveLocation = nullptr;
  }
  inherited::Destroy();
}

TGFlatVector TBaseGameScreen::MousePosition() const {
  if (!WindowHost) {
    return {0, 0};
  }
  const TGPoint& P = WindowHost->MousePos();
  return {static_cast<float>(P.X), static_cast<float>(P.Y)};
}

// The objects the screen points at may go (a location freed with its objects): the screen hears
// of it while either field names the object.
void TBaseGameScreen::Relink(TGameObject*& Field, TGameObject* Value) {
  TGameObject* Old = Field;
  if (Old == Value) {
    return;
  }
  const bool WasWatched = Value && (Value == FMouseCaptureObject || Value == FMouseDownObject);
  Field = Value;
  if (Old && Old != FMouseCaptureObject && Old != FMouseDownObject) {
    UnSubscribe(Old);
  }
  if (Value && !WasWatched) {
    Subscribe(TGNotification(Value, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TBaseGameScreen::OnLinkedDestroyed));
  }
}

void TBaseGameScreen::OnLinkedDestroyed(TGObject* Sender) {
  if (Sender == FMouseCaptureObject) {
    FMouseCaptureObject = nullptr;
    FMouseCaptureObjectDisposition = godtNone;
  }
  if (Sender == FMouseDownObject) {
    FMouseDownObject = nullptr;
  }
  if (Sender == FActiveLocation) {
    FActiveLocation = nullptr;
  }
}

// --- The location --------------------------------------------------------------------------------

void TBaseGameScreen::SetActiveLocation(TLocation* Value) {
  if (Value == FActiveLocation) {
    return;
  }
  if (TLocation* Old = FActiveLocation) {
    UnSubscribe(Old);
    FActiveLocation = nullptr;
    Old->Deactivate();
  }
  FActiveLocation = Value;
  if (Value) {
    Subscribe(TGNotification(Value, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TBaseGameScreen::OnLinkedDestroyed));
    Value->Activate();
  }
}

void TBaseGameScreen::UpdateCurrentItemsPage(bool AutoIncPageIndex, bool AWaitEffect) {
  (void)AWaitEffect;
  TLocation* L = FActiveLocation;
  if (!L || !CurrentPlayer) {
    return;
  }
  TLocationItemsDistribution* Pages = L->ItemsDistribution();
  if (AutoIncPageIndex) {
    Pages->SetCurrentPageIndex(Pages->CurrentPageIndex() + 1);
  }
  TInventory* Inventory = CurrentPlayer->Inventory();
  Inventory->Clear(CItemsList);
  if (Pages->GetCount() == 0) {
    return;
  }
  TLocationItemsPage* Page = Pages->CurrentPage();
  if (!Page) {
    return;
  }
  for (int I = 0; I < Page->Count(); ++I) {
    TGameObject* Obj = L->Objects()->GetByIDReadOnly(Page->GetItem(I));
    if (!Obj) {
      continue;
    }
    if (!Obj->IsHidden()) {
      Obj->SetAllowMouse(true);
    }
    Inventory->Add(Obj, false);
  }
}

TPointDispositionType TBaseGameScreen::GetDispositionAt(const TGFlatVector& Point) {
  (void)Point;
  return pdtLocation;
}

void TBaseGameScreen::GetObjectAt(const TGFlatVector& Point, TGameObject*& Obj,
                                  TGameObjectDispositionType& Disposition) {
  Obj = nullptr;
  Disposition = godtNone;
  if (FActiveLocation) {
    FActiveLocation->GetObjectAt(Point, Obj, Disposition);
  }
}

// --- Objects and the mouse -----------------------------------------------------------------------

void TBaseGameScreen::GameObjectMouseDown(TGameObject* Obj, int Button) {
  Relink(FMouseDownObject, Obj);
  if (TBaseFlowState* Flow = MainFlowState(FActiveLocation)) {
    Flow->GameObjectMouseDown(Obj, Button);
  }
}

void TBaseGameScreen::GameObjectMouseUp(int Button) {
  TGameObject* Obj = FMouseDownObject;
  if (Obj) {
    if (TBaseFlowState* Flow = MainFlowState(FActiveLocation)) {
      Flow->GameObjectMouseUp(Obj, Button);
    }
  }
  Relink(FMouseDownObject, nullptr);
}

bool TBaseGameScreen::FlyToInventoryEx(TGameObject* AObject, const TFlightFinishEvent& AOnFinish) {
  TLocation* L = FActiveLocation;
  if (!AObject) {
    return false;
  }
  if (L) {
    L->BeforeObjectPick(AObject->ID());
  }
  // The flight takes the object out of the location once its animation is ready; a refused
  // or failed flight leaves it where it is.
  if (!FFlyingControl->Push(AObject, AOnFinish)) {
    return false;
  }
  AObject->SetTakingCount(AObject->TakingCount() + 1);
  if (L && L->Objects()->IndexOf(AObject) >= 0) {
    L->RemoveGameObject(AObject);
  }
  return true;
}

void TBaseGameScreen::MoveToInventory(TGameObject* AObject) {
  if (!AObject || !CurrentPlayer) {
    return;
  }
  TLocation* L = FActiveLocation;
  AObject->SetTakingCount(AObject->TakingCount() + 1);
  if (L) {
    L->BeforeObjectPick(AObject->ID());
    if (L->Objects()->IndexOf(AObject) >= 0) {
      L->RemoveGameObject(AObject);
    }
  }
  TInventory* Inventory = CurrentPlayer->Inventory();
  Inventory->Remove(AObject);
  Inventory->Add(AObject, true);
  if (L) {
    L->AfterObjectPick(AObject->ID(), L->PageItemsLeft());
  }
}

void TBaseGameScreen::AssignToCursor(TGameObject* AObject) {
  if (!AObject || !CurrentPlayer) {
    return;
  }
  ResetCursor(true);
  if (FActiveLocation && FActiveLocation->Objects()->IndexOf(AObject) >= 0) {
    FActiveLocation->RemoveGameObject(AObject);
  }
  CurrentPlayer->Inventory()->Remove(AObject);
  CurrentPlayer->SetCursor(AObject);
}

void TBaseGameScreen::ResetCursor(bool ReturnToInventory) {
  if (!CurrentPlayer) {
    return;
  }
  if (CurrentPlayer->HoldsObject() && ReturnToInventory) {
    FFlyingControl->PushCursor();
  }
  CurrentPlayer->SetCursor(nullptr);
}

void TBaseGameScreen::RefreshMouseCapture() {
  const TGFlatVector Mouse = MousePosition();
  FMouseDisposition = GetDispositionAt(Mouse);
  TGameObject* Obj = nullptr;
  TGameObjectDispositionType Disposition = godtNone;
  GetObjectAt(Mouse, Obj, Disposition);
  if (Obj == FMouseCaptureObject && Disposition == FMouseCaptureObjectDisposition) {
    return;
  }
  TGameObject* Old = FMouseCaptureObject;
  const TGameObjectDispositionType OldDisposition = FMouseCaptureObjectDisposition;
  Relink(FMouseCaptureObject, Obj);
  FMouseCaptureObjectDisposition = Disposition;
  if (Old && OldDisposition == godtLocation) {
    if (TLocationGameObjectBehavior* B = LocationBehaviorOf(Old)) {
      B->MouseLeave(Old);
    }
  }
  if (Obj && Disposition == godtLocation) {
    if (TLocationGameObjectBehavior* B = LocationBehaviorOf(Obj)) {
      B->MouseEnter(Obj);
    }
  }
}

// --- The window ----------------------------------------------------------------------------------

void TBaseGameScreen::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  const auto Interval = static_cast<int32_t>(DeltaTime * 1000);
  if (FStateQueue->Empty()) {
    FillStateQueue();
  }
  FStateQueue->Update(Interval);
  if (FStateQueue->Empty()) {
    FillStateQueue();
  }
  RefreshMouseCapture();
  FFlyingControl->Update(DeltaTime);
}

void TBaseGameScreen::MouseDown(int Button) {
  if (FActiveLocation) {
    FActiveLocation->MouseDown(Button);
  }
  inherited::MouseDown(Button);
  if (!FStateQueue->Empty()) {
    FStateQueue->Peek()->MouseDown(Button);
  }
}

void TBaseGameScreen::MouseUp(int Button) {
  if (FActiveLocation) {
    FActiveLocation->MouseUp(Button);
  }
  inherited::MouseUp(Button);
  if (!FStateQueue->Empty()) {
    FStateQueue->Peek()->MouseUp(Button);
  }
}

void TBaseGameScreen::KeyDown(uint16_t Key) {
  inherited::KeyDown(Key);
  if (!FStateQueue->Empty()) {
    FStateQueue->Peek()->KeyDown(Key);
  }
}

void TBaseGameScreen::DrawTree() {
  TBaseGameScreenState* Front = FStateQueue->Empty() ? nullptr : FStateQueue->Peek();
  if (Front) {
    Front->Draw();
  }
  inherited::DrawTree();
  if (Front) {
    Front->AfterDraw();
  }
  FFlyingControl->Draw();
}
