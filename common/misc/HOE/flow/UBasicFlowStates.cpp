#include "flow/UBasicFlowStates.h"

#include "animation/UGAnimation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "script/UScriptLines.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TBaseGameObjectState)
G_IMPLEMENT_CLASS(TGameObjectState)
G_IMPLEMENT_CLASS(TBaseScriptState)
G_IMPLEMENT_CLASS(TScriptState)
G_IMPLEMENT_CLASS(TBasePauseState)
G_IMPLEMENT_CLASS(TPauseState)

// --- Game object -------------------------------------------------------------------------------

TBaseGameObjectState::TBaseGameObjectState(TGObject* AOwnerChannel, TGameObject* AGameObject,
                                           bool AMakeVisible, bool AResetAnimation)
    : TFlowState(AOwnerChannel)
    , FMakeVisible(AMakeVisible)
    , FResetAnimation(AResetAnimation) {
  SetGameObject(AGameObject);
}

void TBaseGameObjectState::Destroy() {
  SetGameObject(nullptr);
  inherited::Destroy();
}

void TBaseGameObjectState::SetGameObject(TGameObject* Value) {
  if (FGameObject) {
    UnSubscribe(FGameObject);
  }
  FGameObject = Value;
  if (Value) {
    Subscribe(TGNotification(Value, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TBaseGameObjectState::OnGameObjectDestroyed));
  }
}

void TBaseGameObjectState::OnGameObjectDestroyed(TGObject* Sender) {
  if (Sender == FGameObject) {
    FGameObject = nullptr;
  }
}

void TBaseGameObjectState::Initialize() {
  TFlowState::Initialize();
  if (FGameObject) {
    if (FMakeVisible) {
      FGameObject->SetVisible(true);
    }
    if (FResetAnimation) {
      FGameObject->RestartAnimation();
    }
  }
  Update(0);
}

void TBaseGameObjectState::Update(int32_t AInterval) {
  (void)AInterval;
  if (!FGameObject) {
    Status = ssFinished; // the object is gone: nothing to wait for
    return;
  }
  TGSymbol* Symbol = FGameObject->Symbol();
  Symbol->Update(0);
  auto* Animation = TryObjectCast<TGAnimation>(Symbol->Instance());
  if (!Animation || Animation->IsFinished()) {
    Status = ssFinished;
  }
}

void TBaseGameObjectState::LoadFromXML(const TGXMLNode* Node) {
  TFlowState::LoadFromXML(Node);
  std::string OID = Node->GetStrAttr("OID");
  TGameObject* Obj = GameObjectCollector ? GameObjectCollector->GetByIDReadOnly(OID) : nullptr;
  if (!Obj) {
    throw Error("GameObject %s is not contained in GameObjectCollector", OID);
  }
  SetGameObject(Obj);
  if (Status == ssUninitialized) {
    FMakeVisible = Node->GetBoolAttrDef("MakeVisible", false);
    FResetAnimation = Node->GetBoolAttrDef("ResetAnimation", false);
  }
}

TGXMLNode* TBaseGameObjectState::SaveToXML() const {
  TGXMLNode* Node = TFlowState::SaveToXML();
  Node->SetStrAttr("OID", FGameObject ? FGameObject->ID() : std::string());
  if (Status == ssUninitialized) {
    Node->SetBoolAttr("MakeVisible", FMakeVisible);
    Node->SetBoolAttr("ResetAnimation", FResetAnimation);
  }
  return Node;
}

// --- Script ------------------------------------------------------------------------------------

TBaseScriptState::TBaseScriptState(TGObject* AOwnerChannel, std::string AScript)
    : TFlowState(AOwnerChannel)
    , FScript(std::move(AScript)) {}

void TBaseScriptState::Initialize() {
  TFlowState::Initialize();
  Status = ssFinished;
  try {
    RunScript(FScript);
  } catch (const EGException& E) {
    throw Error("%s", "Error in script:\r\n***\r\n" + FScript + "\r\n***\r\n" + E.what());
  }
}

void TBaseScriptState::LoadFromXML(const TGXMLNode* Node) {
  TFlowState::LoadFromXML(Node);
  FScript = Node->GetStrAttrDef("Script", "");
}

TGXMLNode* TBaseScriptState::SaveToXML() const {
  TGXMLNode* Node = TFlowState::SaveToXML();
  Node->SetStrAttr("Script", FScript);
  return Node;
}

// --- Pause -------------------------------------------------------------------------------------

TBasePauseState::TBasePauseState(TGObject* AOwnerChannel, int32_t AInterval)
    : TFlowState(AOwnerChannel)
    , FInterval(AInterval) {}

void TBasePauseState::Initialize() {
  TFlowState::Initialize();
  Update(0);
}

void TBasePauseState::Update(int32_t AInterval) {
  FInterval -= AInterval;
  if (FInterval < 1) {
    Status = ssFinished;
  }
}

void TBasePauseState::LoadFromXML(const TGXMLNode* Node) {
  TFlowState::LoadFromXML(Node);
  FInterval = Node->GetIntAttr("Interval");
}

TGXMLNode* TBasePauseState::SaveToXML() const {
  TGXMLNode* Node = TFlowState::SaveToXML();
  Node->SetIntAttr("Interval", FInterval);
  return Node;
}
