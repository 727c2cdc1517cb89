// A line said in a speech bubble; the flow goes on when the bubble has closed and no line waits.
// The player can keep playing meanwhile: clicks reach the objects as in the common state.
#pragma once

#include "flow/UFlowState.h"

#include <string>

class TSpeechCueState : public TFlowState {
  G_CLASS(TSpeechCueState, TFlowState)
  explicit TSpeechCueState(TGObject* AOwnerChannel = nullptr)
      : TFlowState(AOwnerChannel) {}
  TSpeechCueState(TGObject* AOwnerChannel, std::string APosition, std::string ACue,
                  std::string AScript);

  const std::string& Position() const { return FPosition; }
  const std::string& Cue() const { return FCue; }
  void Initialize() override;
  void Update(int32_t AInterval) override;
  void GameObjectMouseDown(TGameObject* Sender, int Button) override;
  void GameObjectMouseUp(TGameObject* Sender, int Button) override;
  void GameObjectInventoryMouseDown(TGameObject* Sender, int Button) override;
  void WindowMouseDown(int Button) override;
  // A restored current cue is said again on its first update.
  void LoadFromXML(const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

private:
  void Say();

  bool FSayOnUpdate = false;
  std::string FPosition;
  std::string FCue;
  std::string FScript;
};
