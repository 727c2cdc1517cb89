#include "objects/UGameObjectBehavior.h"

#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "script/UScriptLines.h"

G_IMPLEMENT_CLASS(TGameObjectBehavior)
G_IMPLEMENT_CLASS(TLocationGameObjectBehavior)
G_IMPLEMENT_CLASS(TInventoryGameObjectBehavior)
G_IMPLEMENT_CLASS(TGameObjectBehaviorCollection)

TGameObjectBehaviorCollection* LocationBehaviors = nullptr;
TGameObjectBehaviorCollection* InventoryBehaviors = nullptr;

void TGameObjectBehavior::RunAttr(const TGameObject* Obj, const std::string& Attr) {
  RunScript(Obj->GetStrAttr(Attr));
}

bool TGameObjectBehavior::HasAttr(const TGameObject* Obj, const std::string& Attr) {
  return !Obj->GetStrAttr(Attr).empty();
}

void TGameObjectBehavior::SetSender(const TGameObject* Obj) {
  RunScript(ObjectLine("Sender", Obj->ID()));
}

std::string TLocationGameObjectBehavior::FlyingConfigName(TGameObject* Obj) const {
  return Obj->IsTool() ? FlightNames::CTool : FlightNames::CDefault;
}

void TLocationGameObjectBehavior::AppearInItems(TGameObject* Obj) {
  if (!Obj->AppearedInItems()) {
    SetSender(Obj);
    RunAttr(Obj, "OnAppearInItems");
  }
  Obj->SetAppearedInItems(true);
}

void TLocationGameObjectBehavior::MouseDown(TGameObject* Obj, int Button) {
  (void)Obj;
  (void)Button;
}

void TLocationGameObjectBehavior::MouseEnter(TGameObject* Obj) {
  SetSender(Obj);
  RunAttr(Obj, "OnLocationMouseEnter");
}

void TLocationGameObjectBehavior::MouseLeave(TGameObject* Obj) {
  if (HasAttr(Obj, "OnLocationMouseLeave")) {
    SetSender(Obj);
    RunAttr(Obj, "OnLocationMouseLeave");
  }
}

TGameObjectBehavior* TGameObjectBehaviorCollection::ByName(std::string_view AName) const {
  for (int I = 0; I < GetCount(); ++I) {
    auto* B = static_cast<TGameObjectBehavior*>(GetItem(I));
    if (B->Name() == AName) {
      return B;
    }
  }
  return nullptr;
}

TLocationGameObjectBehavior* LocationBehaviorOf(const TGameObject* Obj) {
  if (!Obj || !LocationBehaviors) {
    return nullptr;
  }
  return TryObjectCast<TLocationGameObjectBehavior>(
      LocationBehaviors->ByName(Obj->LocationBehaviorName()));
}

TInventoryGameObjectBehavior* InventoryBehaviorOf(const TGameObject* Obj) {
  if (!Obj || !InventoryBehaviors) {
    return nullptr;
  }
  return TryObjectCast<TInventoryGameObjectBehavior>(
      InventoryBehaviors->ByName(Obj->InventoryBehaviorName()));
}
