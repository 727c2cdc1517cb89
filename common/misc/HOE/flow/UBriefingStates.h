// The chapter briefing: the play screen goes black and the location's briefing text is typed
// on its "ChapterText" label, a character every tenth of a second; then the screen fades in
// and the text fades out on a channel of its own while play begins.
#pragma once

#include "flow/UFlowState.h"

#include <string>

class TGLabel;
class TGWidget;

class TBlackScreenBriefingState : public TFlowState {
  G_CLASS(TBlackScreenBriefingState, TFlowState)
  explicit TBlackScreenBriefingState(TGObject* AOwnerChannel = nullptr)
      : TFlowState(AOwnerChannel) {}

  const std::string& CurrentText() const { return FCurrentText; }
  void Initialize() override;
  void Update(int32_t AInterval) override;
  void Finalize() override;

private:
  TGLabel* Label() const;
  std::string BriefingText() const;

  std::string FCurrentText;
  int32_t FLetterElapsedTime = 0;
};

// Fades a widget's white out over the given milliseconds.
class TFadeOutWidgetState : public TFlowState {
  G_CLASS(TFadeOutWidgetState, TFlowState)
  explicit TFadeOutWidgetState(TGObject* AOwnerChannel = nullptr)
      : TFlowState(AOwnerChannel) {}
  TFadeOutWidgetState(TGObject* AOwnerChannel, TGWidget* AWidget, int32_t ATotalTime);

  void Update(int32_t AInterval) override;
  // The widget is not restored: a restored fade has finished.
  void LoadFromXML(const TGXMLNode* Node) override;

protected:
  void Destroy() override;

private:
  void OnWidgetDestroyed(TGObject* Sender);

  TGWidget* FWidget = nullptr;
  int32_t FTotalTime = 0;
  int32_t FElapsedTime = 0;
};
