#include "objects/UInventoryBehaviors.h"

#include "audio/UGAudio.h"
#include "base/UGStrUtils.h"
#include "flow/UPlayScreen.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/ULocationBehaviors.h"
#include "script/UScriptLines.h"

#include <vector>

G_IMPLEMENT_CLASS(TCustomInventoryBehavior)
G_IMPLEMENT_CLASS(TActableBackPackBehavior)

bool IDListHas(std::string_view List, std::string_view AID) {
  std::vector<std::string> Parts;
  SplitString(List, ',', Parts);
  for (const std::string& P : Parts) {
    if (SameText(Trim(P), AID)) {
      return true;
    }
  }
  return false;
}

void TCustomInventoryBehavior::MouseDown(TGameObject* Obj, int Button) {
  (void)Button;
  RunAttr(Obj, "OnInventoryMouseDown");
}

void TActableBackPackBehavior::MouseDown(TGameObject* Obj, int Button) {
  if (Button != mbLeft) {
    return;
  }
  if (IPlayScreen* Screen = PlayScreen()) {
    Screen->AssignToCursor(Obj);
  }
  RunAttr(Obj, "OnBackPackMouseDown");
}

bool TActableBackPackBehavior::ConditionsMet(TGameObject* GameObject, TGameObject* Target) {
  if (!GameObject || !Target) {
    return false;
  }
  std::string Targets = GameObject->GetStrAttr("BackPackTargetObject");
  return !Targets.empty() && IDListHas(Targets, Target->ID());
}

bool TActableBackPackBehavior::Act(TGameObject* Held, TGameObject* Target) {
  if (!Held || !Target) {
    return true;
  }
  // Walking cursors lead elsewhere: no tool is used on them, and the click goes no further.
  for (const char* Walk : {"Cursors\\Walk.ani", "Cursors\\WalkDown.ani", "Cursors\\WalkUp.ani"}) {
    if (SameText(Target->CursorURL(), Walk)) {
      return false;
    }
  }
  RunScript(ObjectLine("Sender", Held->ID()));
  RunScript(ObjectLine("Target", Target->ID()));
  if (HasAttr(Held, "BackPackManualHandler")) {
    RunAttr(Held, "BackPackManualHandler");
    return true;
  }
  RunAttr(Held, "BackPackClick");
  if (!Held->UsingSfxURL().empty() && AD) {
    AD->PlaySfx(Held->UsingSfxURL());
  }
  std::string Condition = Held->GetStrAttr("BackPackCondition");
  bool ConditionHolds = Condition.empty() || ScriptIsTrue(Condition);
  std::string Targets = Held->GetStrAttr("BackPackTargetObject");
  bool TargetMatches = Targets.empty() || IDListHas(Targets, Target->ID());
  if (ConditionHolds && TargetMatches && Target->AllowMouse()) {
    RunAttr(Held, "BackPackAction");
    return true;
  }
  if (HasAttr(Target, "ManualRefuseHandler")) {
    RunAttr(Target, "ManualRefuseHandler");
    return true;
  }
  std::string Refusal;
  TLocationGameObjectBehavior* TargetBehavior = LocationBehaviorOf(Target);
  if (TryObjectCast<TBasePickableLocationBehavior>(TargetBehavior) ||
      TryObjectCast<TPickableHintLocationBehavior>(TargetBehavior)) {
    Refusal = "$Tool cannot be used here.$";
  } else if (Target->HotSpot()) {
    Refusal = Held->GetStrAttr("BackPackRefuseMsg2");
    if (Refusal.empty()) {
      Refusal = "$Try another tool here.$";
    }
  }
  if (!Refusal.empty()) {
    std::string Position = Held->GetStrAttr("BackPackRefuseMsgPosition");
    if (IPlayScreen* Screen = PlayScreen()) {
      Screen->Say(Position.empty() ? "Zari" : Position, Refusal, "");
    }
  }
  return true;
}
