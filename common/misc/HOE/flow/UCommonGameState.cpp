#include "flow/UCommonGameState.h"

#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/UPlayScreen.h"
#include "locations/ULocation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectBehavior.h"
#include "objects/ULocationBehaviors.h"
#include "player/UPlayer.h"
#include "script/UScriptLines.h"

#include <vector>

G_IMPLEMENT_CLASS(TBaseCommonGameState)
G_IMPLEMENT_CLASS(TCommonGameState)

bool AffectGameInterface = true;

TBaseLocation* TBaseCommonGameState::LocationOf(const TBaseFlowState* State) {
  if (CurrentPlayer && CurrentPlayer->CurrentLocation()) {
    return CurrentPlayer->CurrentLocation();
  }
  TBaseFlowChannel* C = State->FlowChannel();
  return C && C->FlowControl() ? C->FlowControl()->Owner() : nullptr;
}

void TBaseCommonGameState::Update(int32_t AInterval) {
  (void)AInterval;
  if (StateQueue() && StateQueue()->GetCount() > 1) {
    Status = ssFinished;
  }
}

void TBaseCommonGameState::ClickObject(TBaseLocation* L, TGameObject* Sender, bool AskInteraction) {
  if (AskInteraction && L && !L->OnInteractionScript.empty()) {
    RunScript(ObjectLine("Target", Sender->ID()));
    if (ScriptValueIsFalse(RunScript(L->OnInteractionScript))) {
      return;
    }
  }
  if (CurrentPlayer && CurrentPlayer->HoldsObject()) {
    TGameObject* Held = CurrentPlayer->Cursor();
    if (TInventoryGameObjectBehavior* B = InventoryBehaviorOf(Held)) {
      if (!B->Act(Held, Sender)) {
        return;
      }
    }
  }
  if (Sender->AllowMouse()) {
    if (TLocationGameObjectBehavior* B = LocationBehaviorOf(Sender)) {
      B->MouseDown(Sender, mbLeft);
    }
  }
}

void TBaseCommonGameState::GameObjectMouseDown(TGameObject* Sender, int Button) {
  if (!Sender) {
    return;
  }
  if (Sender->OnMouseDown) {
    Sender->OnMouseDown(Sender, Button);
  }
  if (Button == mbLeft) {
    ClickObject(Location(), Sender, true);
  }
}

void TBaseCommonGameState::GameObjectMouseUp(TGameObject* Sender, int Button) {
  if (Sender && Sender->OnMouseUp) {
    Sender->OnMouseUp(Sender, Button);
  }
}

void TBaseCommonGameState::GameObjectInventoryMouseDown(TGameObject* Sender, int Button) {
  if (TInventoryGameObjectBehavior* B = InventoryBehaviorOf(Sender)) {
    B->MouseDown(Sender, Button);
  }
}

void TBaseCommonGameState::WindowMouseDown(int Button) {
  if (Button == mbRight) {
    if (IPlayScreen* Screen = PlayScreen()) {
      Screen->ResetCursor(true);
    }
  }
}

void TBaseCommonGameState::WindowKeyDown(int Key) {
  if (TBaseLocation* L = Location()) {
    L->KeyDown(Key);
  }
}

void TCommonGameState::Initialize() {
  TBaseCommonGameState::Initialize();
  if (AffectGameInterface) {
    if (IPlayScreen* Screen = PlayScreen()) {
      Screen->ShowGameInterface();
    }
  }
}

void TCommonGameState::WindowKeyDown(int Key) {
  TBaseCommonGameState::WindowKeyDown(Key);
  if (!CurrentPlayer || !CurrentPlayer->Cheats()) {
    return;
  }
  IPlayScreen* Screen = PlayScreen();
  switch (Key & 0xFF) {
  case VK_F6:
    if (auto* L = TryObjectCast<TLocation>(Location())) {
      L->KeyDown_F6();
    }
    break;
  case VK_F7:
    if (Screen) {
      for (TGameObject* Obj : CurrentPlayer->InventoryItemObjects()) {
        Screen->GameObjectMouseDown(Obj, mbLeft);
      }
    }
    break;
  case VK_F8:
    if (Screen && Screen->HintCount() <= 98) {
      Screen->SetHintCount(Screen->HintCount() + 1);
    }
    break;
  case VK_PRIOR:
    if (Screen && Location()) {
      std::vector<TGameObject*> Birds;
      TGameObjectCollection* Objects = Location()->Objects();
      for (int I = 0; I < Objects->Count(); ++I) {
        TGameObject* Obj = Objects->ItemsReadOnly(I);
        if (TryObjectCast<TPickableZephrinLocationBehavior>(LocationBehaviorOf(Obj)) &&
            Obj->TakingCount() == 0) {
          Birds.push_back(Obj);
        }
      }
      for (TGameObject* Bird : Birds) {
        Screen->GameObjectMouseDown(Bird, mbLeft);
      }
    }
    break;
  default:
    break;
  }
}
