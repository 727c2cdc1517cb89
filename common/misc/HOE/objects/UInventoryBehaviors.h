// What clicks on an object in the inventory do: run its script (custom), or take it in hand to
// use it on objects of the scene (actable).
#pragma once

#include "objects/UGameObjectBehavior.h"

class TCustomInventoryBehavior : public TInventoryGameObjectBehavior {
  G_CLASS(TCustomInventoryBehavior, TInventoryGameObjectBehavior)
  explicit TCustomInventoryBehavior(TGObject* AOwner = nullptr)
      : TInventoryGameObjectBehavior(AOwner) {}

  std::string Name() const override { return ""; }
  std::string Attrs() const override { return "OnInventoryMouseDown"; }
  void MouseDown(TGameObject* Obj, int Button) override;
};

class TActableBackPackBehavior : public TInventoryGameObjectBehavior {
  G_CLASS(TActableBackPackBehavior, TInventoryGameObjectBehavior)
  explicit TActableBackPackBehavior(TGObject* AOwner = nullptr)
      : TInventoryGameObjectBehavior(AOwner) {}

  std::string Name() const override { return "Actable"; }
  std::string Attrs() const override {
    return "OnBackPackMouseDown,BackPackCondition,BackPackTargetObject,BackPackRefuseMsg,"
           "BackPackRefuseMsgPosition,BackPackAction,BackPackClick,BackPackManualHandler";
  }
  // The left button takes the object in hand.
  void MouseDown(TGameObject* Obj, int Button) override;
  // Whether the target is one the object names in "BackPackTargetObject".
  bool ConditionsMet(TGameObject* GameObject, TGameObject* Target) override;
  // The held object used on the target: its action when the condition holds and the target
  // matches, otherwise the target's own refusal or a line that says why not.
  bool Act(TGameObject* Held, TGameObject* Target) override;
};

// Whether the comma-separated list names the ID (case ignored, spaces around names ignored).
bool IDListHas(std::string_view List, std::string_view AID);
