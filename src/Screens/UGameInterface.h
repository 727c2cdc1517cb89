// The play screen's interface panel as a whole: its visibility and the tool hint, the name of a
// tool shown above its slot while the mouse rests there. The hint fades in after half a second,
// fades out when the mouse leaves, and cross-fades when the mouse moves on to another tool.
#pragma once

#include "base/UGTypes.h"
#include "object/UGObject.h"

#include <cstdint>
#include <string>

class TGPicture;
class TGWindow;
class TScanner;

class TGameInterface : public TGObject {
  G_CLASS(TGameInterface, TGObject)
  explicit TGameInterface(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}
  TGameInterface(TGObject* AOwner, TGWindow* AGameScreen, TScanner* AScanner);

  enum TToolHintState : int32_t {
    thsHidden = 0,
    thsFadingIn = 1,
    thsShown = 2,
    thsFadingOut = 3,
    thsWaiting = 4,
    thsChanging = 5,
  };

  bool Visible() const;
  void SetVisible(bool Value);
  int32_t ToolHintState() const { return FToolHintState; }
  float ToolAlpha() const { return FToolAlpha; }

  void StartToolHint(const std::string& Text, const TGPoint& Pos);
  void HideToolHint();
  // Milliseconds.
  void Update(int32_t IntInterval);

private:
  TGPicture* ToolHint() const;
  void SetToolHintTextAndPos(const std::string& Text, const TGPoint& Pos);

  TGWindow* FGameScreen = nullptr;
  TScanner* FScanner = nullptr;
  int32_t FToolHintState = thsHidden;
  int32_t FToolHintTime = 0;
  float FToolAlpha = 0;
  std::string FToolHintNewText;
  TGPoint FToolHintNewPos{};
};
