#include "flow/UFlowState.h"

#include "flow/UFlowChannel.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TBaseFlowState)
G_IMPLEMENT_CLASS(TFlowState)

TBaseFlowState::TBaseFlowState(TGObject* AOwnerChannel)
    : TState(TryObjectCast<TStateQueue>(AOwnerChannel)) {
  if (AOwnerChannel && !Owner()) {
    throw Error("A flow state belongs to a flow channel");
  }
}

TBaseFlowChannel* TBaseFlowState::FlowChannel() const {
  return TryObjectCast<TBaseFlowChannel>(Owner());
}

void TBaseFlowState::GameObjectMouseDown(TGameObject* Sender, int Button) {
  (void)Sender;
  (void)Button;
}

void TBaseFlowState::GameObjectMouseUp(TGameObject* Sender, int Button) {
  (void)Sender;
  (void)Button;
}

void TBaseFlowState::GameObjectInventoryMouseDown(TGameObject* Sender, int Button) {
  (void)Sender;
  (void)Button;
}

void TBaseFlowState::LoadFromXML(const TGXMLNode* Node) {
  int32_t Value = Node->GetIntAttr("Status");
  if (Value < ssUninitialized || Value > ssFinished) {
    throw Error("Invalid state status %d", Value);
  }
  Status = static_cast<TStateStatus>(Value);
}

TGXMLNode* TBaseFlowState::SaveToXML() const {
  TGXMLNode* Node = new TGXMLNode("FlowState");
  Node->SetStrAttr("ClassName", ClassName());
  Node->SetIntAttr("Status", static_cast<int32_t>(Status));
  return Node;
}

void TFlowStateClassRegistry::Add(TGClass AClass) {
  if (std::find(FItems.begin(), FItems.end(), AClass) == FItems.end()) {
    FItems.push_back(AClass);
  }
}

void TBaseFlowState::RegisterClass(TGClass AClass) {
  FlowStateClassRegistry().Add(AClass);
}

TBaseFlowState* TBaseFlowState::CreateFromXML(TBaseFlowChannel* Channel, const TGXMLNode* Node) {
  TGClass Class = FlowStateClassRegistry().GetItem(Node->GetStrAttr("ClassName"));
  if (!Class->Constructor) {
    throw Error("Flow state class %s cannot be made from a file", Class->Name);
  }
  TGObject* Made = Class->CreateInstance(Channel);
  auto* State = TryObjectCast<TBaseFlowState>(Made);
  if (!State) {
    Made->Free();
    throw Error("%s is no flow state", Class->Name);
  }
  try {
    State->LoadFromXML(Node);
  } catch (...) {
    // A state that cannot be restored leaves the channel.
    State->Free();
    throw;
  }
  return State;
}

TGClass TFlowStateClassRegistry::GetItem(std::string_view Name) const {
  for (TGClass C : FItems) {
    if (C->Name == Name) {
      return C;
    }
  }
  throw Error("Wrong FlowState class name: %s", Name);
}

TFlowStateClassRegistry& FlowStateClassRegistry() {
  static TFlowStateClassRegistry Registry;
  return Registry;
}
