// A flow channel: a queue of flow states that runs beside the location's other channels.
// Scripts queue states on it through its Add methods.
#pragma once

#include "script/UState.h"

#include <string>

class TBaseFlowControl;
class TBaseFlowState;
class TGameObject;
class TGXMLNode;

class TBaseFlowChannel : public TStateQueue {
  G_CLASS(TBaseFlowChannel, TStateQueue)
  // A channel has no owner: its flow control frees it.
  explicit TBaseFlowChannel(TBaseFlowControl* AFlowControl = nullptr);

  TBaseFlowControl* FlowControl() const { return FFlowControl; }
  // The front state; the generic error on an empty channel.
  TBaseFlowState* Peek() const;

  void AddGameObject(TGameObject* GameObject, bool MakeVisible, bool ResetAnimation);
  void AddScript(const std::string& Script);
  void AddPause(int32_t Interval);
  void AddLocAnimation(const std::string& AniName);

  // Appends the states of the "FlowState" children in their order. A state that cannot be
  // restored (an unknown class, an object that is gone) is left out and reported.
  void LoadFromXML(const TGXMLNode* Node);
  // A new "FlowChannel" element with the states, front first (the name is the control's).
  TGXMLNode* SaveToXML() const;

  static void Publish(TGClassBuilder<TBaseFlowChannel>& B);

private:
  TBaseFlowControl* FFlowControl;
};

class TFlowChannel : public TBaseFlowChannel {
  G_CLASS(TFlowChannel, TBaseFlowChannel)
  explicit TFlowChannel(TBaseFlowControl* AFlowControl = nullptr)
      : TBaseFlowChannel(AFlowControl) {}

  // A line said at the position, then the next state.
  void AddSpeechCue(const std::string& Position, const std::string& Cue);
  // The location shakes (every object but the excepted ones) along the animation's path.
  void AddShake(const std::string& ShakeURL, const std::string& ExceptObjs);

  static void Publish(TGClassBuilder<TFlowChannel>& B);
};
