#include "objects/ULocationBehaviors.h"

#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "base/UGStrUtils.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/UPlayScreen.h"
#include "flow/USpeechCueState.h"
#include "locations/ULocation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "script/UScriptLines.h"
#include "widgets/UFadeWindow.h"
#include "widgets/UGPicture.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TBaseCustomLocationBehavior)
G_IMPLEMENT_CLASS(TCustomLocationBehavior)
G_IMPLEMENT_CLASS(TBasePickableLocationBehavior)
G_IMPLEMENT_CLASS(TPickableLocationBehavior)
G_IMPLEMENT_CLASS(TPickableZephrinLocationBehavior)
G_IMPLEMENT_CLASS(TPickableHintLocationBehavior)
G_IMPLEMENT_CLASS(TMuseumLocationBehavior)
G_IMPLEMENT_CLASS(TMuseumMidasLocationBehavior)

namespace {

TBaseLocation* CurrentLocation() {
  return CurrentPlayer ? CurrentPlayer->CurrentLocation() : nullptr;
}

// Birds needed to unlock the bird mode.
constexpr int32_t ZephrinsToUnlock = 60;

} // namespace

void TBaseCustomLocationBehavior::MouseDown(TGameObject* Obj, int Button) {
  (void)Button;
  SetSender(Obj);
  if (HasAttr(Obj, "OnLocationMouseDown")) {
    RunAttr(Obj, "OnLocationMouseDown");
  }
}

// --- Pickable ----------------------------------------------------------------------------------

TBasePickableLocationBehavior::TBasePickableLocationBehavior(TGObject* AOwner)
    : TLocationGameObjectBehavior(AOwner) {
  using T = TBasePickableLocationBehavior;
  for (THandler H :
       {&T::BaseMouseDown, &T::RefuseWhileHolding, &T::RefuseUnlisted, &T::AskPickCondition,
        &T::NameSender, &T::ShowTakenPicture, &T::Fly, &T::RunPickScripts}) {
    AddHandler(H);
  }
}

void TBasePickableLocationBehavior::MouseDown(TGameObject* Obj, int Button) {
  bool Stop = false;
  // A copy: a handler's script may make the behaviour run again for another object.
  std::vector<THandler> Handlers = FMouseDownHandlers;
  for (THandler H : Handlers) {
    (this->*H)(Obj, Button, Stop);
    if (Stop) {
      return;
    }
  }
}

void TBasePickableLocationBehavior::BaseMouseDown(TGameObject* Obj, int Button, bool& Stop) {
  (void)Stop;
  TLocationGameObjectBehavior::MouseDown(Obj, Button);
}

void TBasePickableLocationBehavior::RefuseWhileHolding(TGameObject* Obj, int Button, bool& Stop) {
  (void)Obj;
  (void)Button;
  Stop = CurrentPlayer && CurrentPlayer->HoldsObject();
}

bool TBasePickableLocationBehavior::CheckIsPickable(TGameObject* Obj) {
  TBaseLocation* L = CurrentLocation();
  TLocationItemsPage* Page = L ? L->ItemsDistribution()->CurrentPage() : nullptr;
  return Page && Page->IndexOf(Obj->ID()) >= 0 && !Obj->IsHidden();
}

void TBasePickableLocationBehavior::RefuseUnlisted(TGameObject* Obj, int Button, bool& Stop) {
  (void)Button;
  Stop = !CheckIsPickable(Obj);
}

void TBasePickableLocationBehavior::AskPickCondition(TGameObject* Obj, int Button, bool& Stop) {
  (void)Button;
  std::string Condition = Obj->GetStrAttr("PickCondition");
  Stop = !Condition.empty() && !ScriptIsTrue(Condition);
}

void TBasePickableLocationBehavior::NameSender(TGameObject* Obj, int Button, bool& Stop) {
  (void)Button;
  (void)Stop;
  SetSender(Obj);
}

void TBasePickableLocationBehavior::ShowTakenPicture(TGameObject* Obj, int Button, bool& Stop) {
  (void)Button;
  (void)Stop;
  FFirstTake = Obj->TakingCount() == 0;
  if (FFirstTake && !IsBlank(Obj->TakenURL())) {
    Obj->SetGfxURL(Obj->TakenURL());
  }
}

bool TBasePickableLocationBehavior::FlyToInventory(TGameObject* Obj) {
  IPlayScreen* Screen = PlayScreen();
  return Screen &&
         Screen->FlyToInventoryEx(
             Obj, TFlightFinishEvent(this, &TBasePickableLocationBehavior::OnFinishFlying));
}

void TBasePickableLocationBehavior::Fly(TGameObject* Obj, int Button, bool& Stop) {
  (void)Button;
  Stop = !FlyToInventory(Obj);
}

void TBasePickableLocationBehavior::RunPickScripts(TGameObject* Obj, int Button, bool& Stop) {
  (void)Button;
  (void)Stop;
  // The flight has counted the taking already: the first pick is told by the count before it.
  if (FFirstTake) {
    RunAttr(Obj, "OnFirstTimePick");
  }
  RunAttr(Obj, "OnPick");
}

void TBasePickableLocationBehavior::OnFinishFlying(TGameObject* Obj) {
  Obj->SetTakingCount(Obj->TakingCount() - 1);
  if (IPlayScreen* Screen = PlayScreen()) {
    Screen->MoveToInventory(Obj);
  }
}

bool TPickableLocationBehavior::FlyToInventory(TGameObject* Obj) {
  if (TBasePickableLocationBehavior::FlyToInventory(Obj)) {
    return true;
  }
  if (TBaseLocation* L = CurrentLocation()) {
    std::string Handler = L->GetAttr("ToolsOverflowHandler").ToString();
    if (!Handler.empty()) {
      RunScript(Handler);
    }
  }
  return false;
}

void TPickableLocationBehavior::OnFinishFlying(TGameObject* Obj) {
  TBasePickableLocationBehavior::OnFinishFlying(Obj);
  IPlayScreen* Screen = PlayScreen();
  if (!Obj->IsTool() || !Screen || !Screen->Window()) {
    return;
  }
  // The drawer opens half-way with the tool in it.
  auto* Drawer = TryObjectCast<TGPicture>(
      Screen->Window()->FindWidget("GameInterface\\BackPackToolsHalfOpened"));
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Ani = Library ? TryObjectCast<TGAnimation>(
                            Library->GetResourceEx("UI\\GameWindow\\ToolBarHalfOpened.ani", false))
                      : nullptr;
  if (!Drawer || !Ani) {
    return;
  }
  Drawer->SetGfx(nullptr);
  Drawer->SetGfx(Ani);
  auto* Instance = TryObjectCast<TGAnimation>(Drawer->Picture()->Instance());
  auto* Slot =
      Instance ? TryObjectCast<TGLivePicture>(ChannelByName(Instance, "GameObject")) : nullptr;
  if (Slot) {
    TGGraphic* ToolPicture = Obj->Gfx();
    Slot->Gfx()->Clear();
    if (ToolPicture) {
      Slot->Gfx()->SetResValue(0, ToolPicture);
    } else {
      Slot->SetVisible(false);
    }
    Instance->SetElapsedTime(0);
  }
}

// --- Birds -------------------------------------------------------------------------------------

bool TPickableZephrinLocationBehavior::CheckIsPickable(TGameObject* Obj) {
  (void)Obj;
  return true;
}

std::string TPickableZephrinLocationBehavior::FlyingConfigName(TGameObject* Obj) const {
  (void)Obj;
  auto* L = TryObjectCast<TLocation>(CurrentLocation());
  int32_t Taken = L ? L->TakenZephrinCount : 0;
  return Taken < 1 ? FlightNames::CFirstZephrin : FlightNames::CLaterZephrin;
}

void TPickableZephrinLocationBehavior::OnFinishFlying(TGameObject* Obj) {
  TPickableLocationBehavior::OnFinishFlying(Obj);
  auto* L = TryObjectCast<TLocation>(CurrentLocation());
  if (!CurrentPlayer) {
    return;
  }
  if (L) {
    CurrentPlayer->CollectedZephrins()->RegisterZephrin(L->URL(), Obj->ID());
    ++L->TakenZephrinCount;
  }
  CurrentPlayer->SetTakenZephrinCount(CurrentPlayer->TakenZephrinCount() + 1);
  if (CurrentPlayer->TakenZephrinCount() >= ZephrinsToUnlock &&
      !CurrentPlayer->ZephrinModeUnlocked()) {
    CurrentPlayer->SetZephrinModeUnlocked(true);
    if (IPlayScreen* Screen = PlayScreen()) {
      Screen->QueueAnimation("Game\\FX\\ZephrinUnlocked.ani");
    }
  }
}

// --- Hints -------------------------------------------------------------------------------------

void TPickableHintLocationBehavior::MouseDown(TGameObject* Obj, int Button) {
  TLocationGameObjectBehavior::MouseDown(Obj, Button);
  if (IPlayScreen* Screen = PlayScreen()) {
    Screen->PushFlight(Obj,
                       TFlightFinishEvent(this, &TPickableHintLocationBehavior::OnFinishFlying));
  }
}

void TPickableHintLocationBehavior::OnFinishFlying(TGameObject* Obj) {
  (void)Obj;
  if (IPlayScreen* Screen = PlayScreen()) {
    Screen->SetHintCount(std::min(Screen->HintCount() + 1, 99));
  }
}

// --- Museum ------------------------------------------------------------------------------------

TMuseumLocationBehavior::TMuseumLocationBehavior(TGObject* AOwner)
    : TPickableLocationBehavior(AOwner) {
  AddHandler(static_cast<THandler>(&TMuseumLocationBehavior::TakeIntoMuseum));
}

std::string TMuseumLocationBehavior::FlyingConfigName(TGameObject* Obj) const {
  (void)Obj;
  return FlightNames::CMuseum;
}

std::string TMuseumLocationBehavior::PickMessage() const {
  return "$This is a perfect addition for the museum.$";
}

std::string TMuseumMidasLocationBehavior::PickMessage() const {
  return "$This will go to the museum's Midas exhibit.$";
}

void TMuseumLocationBehavior::TakeIntoMuseum(TGameObject* Obj, int Button, bool& Stop) {
  (void)Button;
  (void)Stop;
  if (CurrentPlayer) {
    CurrentPlayer->MuseumItems()->AddItem(Obj->ID());
  }
  std::string Message = Obj->GetStrAttr("PickMessage");
  TBaseLocation* L = CurrentLocation();
  if (!Message.empty() && L && L->FC()->MainChannel()) {
    static_cast<TFlowChannel*>(L->FC()->MainChannel())->AddSpeechCue("Zari", Message);
  }
}
