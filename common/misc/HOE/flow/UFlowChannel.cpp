#include "flow/UFlowChannel.h"

#include "base/UGDebug.h"
#include "flow/UBasicFlowStates.h"
#include "flow/UFlowControl.h"
#include "flow/ULocAnimationState.h"
#include "flow/UShakeLocationState.h"
#include "flow/USpeechCueState.h"
#include "locations/UBaseLocation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TBaseFlowChannel)
G_IMPLEMENT_CLASS(TFlowChannel)

TBaseFlowChannel::TBaseFlowChannel(TBaseFlowControl* AFlowControl)
    : TStateQueue(nullptr)
    , FFlowControl(AFlowControl) {}

void TBaseFlowChannel::Publish(TGClassBuilder<TBaseFlowChannel>& B) {
  using T = TBaseFlowChannel;
  B.Method("AddGameObject", &T::AddGameObject, {"GameObject", "MakeVisible", "ResetAnimation"})
      .Method("AddScript", &T::AddScript, {"Script"})
      .Method("AddPause", &T::AddPause, {"Interval"})
      .Method("AddLocAnimation", &T::AddLocAnimation, {"AniName"})
      .Method("Peek", &T::Peek);
}

void TFlowChannel::Publish(TGClassBuilder<TFlowChannel>& B) {
  B.Method("AddSpeechCue", &TFlowChannel::AddSpeechCue, {"Position", "Cue"})
      .Method("AddShake", &TFlowChannel::AddShake, {"ShakeURL", "ExceptObjs"});
}

TBaseFlowState* TBaseFlowChannel::Peek() const {
  return static_cast<TBaseFlowState*>(TStateQueue::Peek());
}

void TBaseFlowChannel::AddGameObject(TGameObject* GameObject, bool MakeVisible,
                                     bool ResetAnimation) {
  new TGameObjectState(this, GameObject, MakeVisible, ResetAnimation);
}

void TBaseFlowChannel::AddScript(const std::string& Script) {
  new TScriptState(this, Script);
}

void TBaseFlowChannel::AddPause(int32_t Interval) {
  new TPauseState(this, Interval);
}

void TBaseFlowChannel::AddLocAnimation(const std::string& AniName) {
  new TLocAnimationState(this, AniName);
}

void TFlowChannel::AddSpeechCue(const std::string& Position, const std::string& Cue) {
  new TSpeechCueState(this, Position, Cue, "");
}

void TFlowChannel::AddShake(const std::string& ShakeURL, const std::string& ExceptObjs) {
  new TShakeLocationState(this, ShakeURL, ExceptObjs);
}

void TBaseFlowChannel::LoadFromXML(const TGXMLNode* Node) {
  for (const TGXMLNode* S : *Node->GetChilds("FlowState")) {
    try {
      TBaseFlowState::CreateFromXML(this, S);
    } catch (const std::exception& E) {
      // The rest of the save still loads; the author learns which state was dropped.
      TBaseLocation* Location = FFlowControl ? FFlowControl->Owner() : nullptr;
      ODS("Flow state %s of %s dropped: %s", S->GetStrAttrDef("ClassName", "?"),
          Location ? Location->URL() : std::string("a location"), std::string(E.what()));
    }
  }
}

TGXMLNode* TBaseFlowChannel::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("FlowChannel"));
  for (int I = 0; I < GetCount(); ++I) {
    Node->AddNode(static_cast<TBaseFlowState*>(GetItem(I))->SaveToXML());
  }
  return Node.release();
}
