// The museum's speech bubble: a text and a picture that replace each other with the bubble's
// hide and show effects and stay up for two seconds.
#pragma once

#include "object/UGObject.h"

#include <string>

class TGWidget;

class TInfoBubble : public TGObject {
  G_CLASS(TInfoBubble, TGObject)
  // The bubble shown on AWidget, a picture whose animation has the live text on channel 1 and
  // the live picture on channel 3. A widget freed before the bubble is forgotten.
  explicit TInfoBubble(TGObject* AOwner = nullptr, TGWidget* AWidget = nullptr);

  // Asks for the picture Gfx (a file below CGfxFolder) and the text Value; the next update shows
  // them. The content shown already is only kept up longer.
  void Show(const std::string& Gfx, const std::string& Value);
  // The next update hides the bubble.
  void Hide() { FTimer = 0; }
  // Seconds since the last update.
  void Update(float DeltaTime);

  TGWidget* Widget() const { return FWidget; }
  bool IsChanged() const { return FIsChanged; }
  float Timer() const { return FTimer; }

  // "$ENTER$" in a text stands for a line break.
  static std::string ExpandLineBreaks(const std::string& Value);

  static constexpr float CShowTime = 2;
  static constexpr const char* CGfxFolder = "UI\\MapScreen\\LocShots\\";
  static constexpr int32_t CTextChannel = 1;
  static constexpr int32_t CPictureChannel = 3;

protected:
  void Destroy() override;

private:
  // The waiting content goes into the bubble's animation.
  void ApplyContent();
  void OnWidgetDestroy(TGObject* Sender);

  TGWidget* FWidget = nullptr;
  std::string FNextGfx;
  std::string FNextValue;
  bool FIsChanged = false;
  bool FIsReview = false;
  float FTimer = 0;
};
