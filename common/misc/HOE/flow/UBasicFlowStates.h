// The simple flow states: wait for an object's animation, run a script, pause.
#pragma once

#include "flow/UFlowState.h"

#include <string>

class TGameObject;

// Shows the object (when asked), restarts its animation (when asked) and waits until the
// animation has played.
class TBaseGameObjectState : public TFlowState {
  G_CLASS(TBaseGameObjectState, TFlowState)
  explicit TBaseGameObjectState(TGObject* AOwnerChannel = nullptr)
      : TFlowState(AOwnerChannel) {}
  TBaseGameObjectState(TGObject* AOwnerChannel, TGameObject* AGameObject, bool AMakeVisible,
                       bool AResetAnimation);

  TGameObject* GameObject() const { return FGameObject; }
  void Initialize() override;
  void Update(int32_t AInterval) override;
  // "OID" finds the object in the collector ("GameObject %s is not contained in
  // GameObjectCollector" when it is not there).
  void LoadFromXML(const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

protected:
  void Destroy() override;

private:
  void SetGameObject(TGameObject* Value);
  void OnGameObjectDestroyed(TGObject* Sender);

  TGameObject* FGameObject = nullptr;
  bool FMakeVisible = false;
  bool FResetAnimation = false;
};

class TGameObjectState : public TBaseGameObjectState {
  G_CLASS(TGameObjectState, TBaseGameObjectState)
  using TBaseGameObjectState::TBaseGameObjectState;
  explicit TGameObjectState(TGObject* AOwnerChannel = nullptr)
      : TBaseGameObjectState(AOwnerChannel) {}
};

// Runs a script and finishes; a failing script stops the flow with its text in the message.
class TBaseScriptState : public TFlowState {
  G_CLASS(TBaseScriptState, TFlowState)
  explicit TBaseScriptState(TGObject* AOwnerChannel = nullptr)
      : TFlowState(AOwnerChannel) {}
  TBaseScriptState(TGObject* AOwnerChannel, std::string AScript);

  const std::string& Script() const { return FScript; }
  void Initialize() override;
  void LoadFromXML(const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

private:
  std::string FScript;
};

class TScriptState : public TBaseScriptState {
  G_CLASS(TScriptState, TBaseScriptState)
  using TBaseScriptState::TBaseScriptState;
  explicit TScriptState(TGObject* AOwnerChannel = nullptr)
      : TBaseScriptState(AOwnerChannel) {}
};

// Waits the given milliseconds; a pause of 0 finishes at once.
class TBasePauseState : public TFlowState {
  G_CLASS(TBasePauseState, TFlowState)
  explicit TBasePauseState(TGObject* AOwnerChannel = nullptr)
      : TFlowState(AOwnerChannel) {}
  TBasePauseState(TGObject* AOwnerChannel, int32_t AInterval);

  // The milliseconds still left.
  int32_t Interval() const { return FInterval; }
  void Initialize() override;
  void Update(int32_t AInterval) override;
  void LoadFromXML(const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

private:
  int32_t FInterval = 0;
};

class TPauseState : public TBasePauseState {
  G_CLASS(TPauseState, TBasePauseState)
  using TBasePauseState::TBasePauseState;
  explicit TPauseState(TGObject* AOwnerChannel = nullptr)
      : TBasePauseState(AOwnerChannel) {}
};
