#include "flow/ULocAnimationState.h"

#include "base/UGDebug.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "locations/UBaseLocation.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TBaseLocAnimationState)
G_IMPLEMENT_CLASS(TLocAnimationState)

TBaseLocAnimationState::TBaseLocAnimationState(TGObject* AOwnerChannel, std::string AAniName)
    : TFlowState(AOwnerChannel)
    , FAniName(std::move(AAniName)) {}

void TBaseLocAnimationState::Destroy() {
  Watch(nullptr);
  inherited::Destroy();
}

TBaseLocation* TBaseLocAnimationState::Location() const {
  TBaseFlowChannel* C = FlowChannel();
  return C && C->FlowControl() ? C->FlowControl()->Owner() : nullptr;
}

void TBaseLocAnimationState::Watch(TLocationAnimation* Animation) {
  if (FAnimation) {
    UnSubscribe(FAnimation);
  }
  FAnimation = Animation;
  if (Animation) {
    Subscribe(TGNotification(Animation, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TBaseLocAnimationState::OnAnimationDestroyed));
  }
}

void TBaseLocAnimationState::OnAnimationDestroyed(TGObject* Sender) {
  if (Sender == FAnimation) {
    FAnimation = nullptr;
    FAnimationStopped = true;
  }
}

void TBaseLocAnimationState::Initialize() {
  TFlowState::Initialize();
  TBaseLocation* L = Location();
  TLocationAnimation* A = nullptr;
  try {
    if (!L) {
      throw Error("No location to play %s in", FAniName);
    }
    L->PlayAnimation(FAniName);
    A = L->ActiveAnimation(FAniName);
  } catch (const std::exception& E) {
    // A sequence must not wait for an animation that never plays.
    ODS("Location animation %s: %s", FAniName, std::string(E.what()));
  }
  if (!A) {
    FAnimationStopped = true;
    Status = ssFinished;
    return;
  }
  Watch(A);
  A->Update(0);
}

void TBaseLocAnimationState::Update(int32_t AInterval) {
  (void)AInterval;
  if (FResolvePending) {
    // Restored before the location built its animations: find the one that plays now.
    FResolvePending = false;
    TBaseLocation* L = Location();
    if (TLocationAnimation* A = L ? L->ActiveAnimation(FAniName) : nullptr) {
      Watch(A);
    } else {
      FAnimationStopped = true;
    }
  }
  if (FAnimationStopped) {
    Status = ssFinished;
  }
}

void TBaseLocAnimationState::LoadFromXML(const TGXMLNode* Node) {
  TFlowState::LoadFromXML(Node);
  FAnimationStopped = Node->GetBoolAttrDef("Finished", false);
  FAniName = Node->GetStrAttrDef("AniName", "");
  if (Status == ssCurrent && !FAnimationStopped) {
    TBaseLocation* L = Location();
    if (L && !L->AnimationsLoaded()) {
      FResolvePending = true;
    } else if (TLocationAnimation* A = L ? L->ActiveAnimation(FAniName) : nullptr) {
      Watch(A);
    } else {
      Status = ssFinished;
    }
  }
}

TGXMLNode* TBaseLocAnimationState::SaveToXML() const {
  TGXMLNode* Node = TFlowState::SaveToXML();
  Node->SetStrAttr("AniName", FAniName);
  Node->SetBoolAttr("Finished", FAnimationStopped);
  return Node;
}
