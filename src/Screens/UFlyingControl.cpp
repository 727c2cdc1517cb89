#include "Screens/UFlyingControl.h"

#include "Screens/UFlyingConfigurations.h"
#include "Screens/UFlyingObject.h"
#include "base/UGDebug.h"
#include "base/UGError.h"
#include "inventory/UInventory.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectBehavior.h"
#include "player/UPlayer.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TBaseFlyingControl)
G_IMPLEMENT_CLASS(TFlyingControl)

namespace {

// The failure as said to the log: an engine error's own text, without where it was raised.
std::string ReasonOf(const std::exception& E) {
  const auto* Engine = dynamic_cast<const EGException*>(&E);
  return Engine ? Engine->Text() : std::string(E.what());
}

// Whether the player carries a tool of the object's group already. Tools without a group each
// make a group of their own, as the inventory lists them.
bool CarriesGroupOf(const TInventory* Inventory, const TGameObject* Obj) {
  TToolsCollection* Tools = Inventory->Tools();
  for (int G = 0; G < Tools->Count(); ++G) {
    TToolItemArray* Group = Tools->Group(G);
    for (int I = 0; I < Group->Count(); ++I) {
      const TGameObject* Tool = Group->ItemByIndex(I);
      if (Tool == Obj || (!Obj->GroupID().empty() && Tool && Tool->GroupID() == Obj->GroupID())) {
        return true;
      }
    }
  }
  return false;
}

bool IsNewToolGroup(const TInventory* Inventory, const TGameObject* Obj) {
  return Obj && Obj->IsTool() && !CarriesGroupOf(Inventory, Obj);
}

std::string IDOf(const TGameObject* Obj) {
  return Obj ? Obj->ID() : std::string("(none)");
}

} // namespace

TBaseFlyingControl::TBaseFlyingControl(TGObject* AOwner, IPlayScreen* AScreen)
    : TGObject(AOwner)
    , FScreen(AScreen) {
  FConfigs = new TFlyingConfigurations(this);
  FConfigs->Load();
}

void TBaseFlyingControl::Destroy() {
  // The flights go without landing: whoever ends the screen lands them first when it needs to.
  while (!FItems.empty()) {
    TBaseFlyingObject* Last = FItems.back();
    FItems.pop_back();
    Last->Free();
  }
  inherited::Destroy();
}

void TBaseFlyingControl::OwnedObjectDestroying(TGObject* Obj) {
  std::erase(FItems, static_cast<TBaseFlyingObject*>(TryObjectCast<TBaseFlyingObject>(Obj)));
  if (Obj == FConfigs) {
    FConfigs = nullptr;
  }
  inherited::OwnedObjectDestroying(Obj);
}

IPlayScreen* TBaseFlyingControl::Screen() const {
  if (FScreen) {
    return FScreen;
  }
  if (auto* Owner = dynamic_cast<IPlayScreen*>(this->Owner())) {
    return Owner;
  }
  return PlayScreen();
}

TBaseFlyingObject* TBaseFlyingControl::GetByIndex(int Index) const {
  return Index >= 0 && Index < Count() ? FItems[static_cast<size_t>(Index)] : nullptr;
}

bool TBaseFlyingControl::IsFlying(const TGameObject* AObj) const {
  return AObj && std::any_of(FItems.begin(), FItems.end(), [AObj](const TBaseFlyingObject* F) {
           return F->GameObject() == AObj;
         });
}

// --- Starting ------------------------------------------------------------------------------------

bool TBaseFlyingControl::CanStart(const TGameObject* AObj) const {
  if (!CurrentPlayer) {
    return true;
  }
  const TInventory* Inventory = CurrentPlayer->Inventory();
  if (!IsNewToolGroup(Inventory, AObj)) {
    return true;
  }
  const auto NewGroupsInFlight =
      std::count_if(FItems.begin(), FItems.end(), [Inventory](const TBaseFlyingObject* F) {
        return IsNewToolGroup(Inventory, F->GameObject());
      });
  return NewGroupsInFlight + Inventory->Tools()->Count() < Inventory->ToolsCapacity();
}

template <class F>
bool TBaseFlyingControl::Start(TGClass AClass, TGameObject* AObj, F&& Make) {
  if (!AClass || !AClass->InheritsFrom(TBaseFlyingObject::StaticClass()) || !AClass->CanCreate()) {
    ODS("The flight of %s cannot start: %s is no flight", IDOf(AObj),
        AClass ? AClass->Name : std::string("nil"));
    return false;
  }
  TGObjectPtr<TBaseFlyingObject> Flight(
      static_cast<TBaseFlyingObject*>(AClass->CreateInstance(nullptr)));
  try {
    Make(Flight.get());
  } catch (const std::exception& E) {
    ODS("The flight of %s cannot start: %s", IDOf(AObj), ReasonOf(E));
    return false;
  }
  TBaseFlyingObject* Started = Flight.release();
  Started->SetOwner(this);
  FItems.push_back(Started);
  return true;
}

bool TBaseFlyingControl::Push(TGameObject* AObj, const TFlightFinishEvent& AFinishProc) {
  return Push(AObj, TFlyingObject::StaticClass(), AFinishProc);
}

bool TBaseFlyingControl::Push(TGameObject* AObj, TGClass AObjClass,
                              const TFlightFinishEvent& AFinishProc) {
  if (!AObj || !CanStart(AObj)) {
    return false;
  }
  // One object makes one flight: a second would land it twice.
  if (IsFlying(AObj)) {
    ODS("%s is in flight already", AObj->ID());
    return false;
  }
  return Start(AObjClass, AObj, [&](TBaseFlyingObject* Flight) {
    Flight->Create(this, AObj, AFinishProc, std::string());
  });
}

bool TBaseFlyingControl::PushCursor() {
  if (!CurrentPlayer || !CurrentPlayer->HoldsObject() || !CurrentPlayer->Cursor()) {
    return false;
  }
  TGameObject* Obj = CurrentPlayer->Cursor();
  IPlayScreen* S = Screen();
  const TGFlatVector Mouse = S ? S->CursorPosition() : TGFlatVector{0, 0};
  const TFlightFinishEvent Landing(this, &TBaseFlyingControl::OnCursorFinishFlying);
  // The tool is in no list while it flies: the flight alone may carry it back.
  if (Start(TBaseFlyingObject::StaticClass(), Obj, [&](TBaseFlyingObject* Flight) {
        Flight->Create(this, Obj, Mouse, Landing, FlightNames::CResetCursor);
      })) {
    return true;
  }
  OnCursorFinishFlying(Obj);
  return false;
}

void TBaseFlyingControl::OnCursorFinishFlying(TGameObject* Sender) {
  Sender->SetTakingCount(Sender->TakingCount() - 1);
  if (IPlayScreen* S = Screen()) {
    S->MoveToInventory(Sender);
  }
}

// --- Flying and landing --------------------------------------------------------------------------

void TBaseFlyingControl::Update(float Interval) {
  if (FItems.empty()) {
    return;
  }
  // The flights of this frame: a finish procedure may start new flights or land others.
  const std::vector<TBaseFlyingObject*> Flying = FItems;
  for (TBaseFlyingObject* Flight : Flying) {
    if (std::find(FItems.begin(), FItems.end(), Flight) == FItems.end()) {
      continue;
    }
    bool Ended = true;
    try {
      Ended = Flight->Update(Interval);
    } catch (const std::exception& E) {
      ODS("The flight of %s lands early: %s", IDOf(Flight->GameObject()), ReasonOf(E));
    }
    if (Ended) {
      Pop(Flight);
    }
  }
}

void TBaseFlyingControl::Draw() {
  for (TBaseFlyingObject* Flight : FItems) {
    Flight->Draw();
  }
}

void TBaseFlyingControl::FinishAll() {
  const std::vector<TBaseFlyingObject*> Flying = FItems;
  for (auto It = Flying.rbegin(); It != Flying.rend(); ++It) {
    if (std::find(FItems.begin(), FItems.end(), *It) != FItems.end()) {
      Pop(*It);
    }
  }
}

void TBaseFlyingControl::Pop(TBaseFlyingObject* AFlight) {
  auto It = std::find(FItems.begin(), FItems.end(), AFlight);
  if (It == FItems.end()) {
    return;
  }
  TGameObject* Obj = AFlight->GameObject();
  const TFlightFinishEvent Finish = AFlight->FinishProc();
  FItems.erase(It);
  AFlight->Free();
  if (!Finish) {
    return;
  }
  if (!Obj) {
    ODS("A flight landed without its object: it went while flying");
    return;
  }
  try {
    Finish(Obj);
  } catch (const std::exception& E) {
    ODS("The landing of %s failed: %s", IDOf(Obj), ReasonOf(E));
  }
}
