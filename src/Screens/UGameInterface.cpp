#include "Screens/UGameInterface.h"

#include "animation/UGAnimation.h"
#include "animation/UGChannel.h"
#include "animation/UGLiveText.h"
#include "animation/UGVarSeq.h"
#include "drawables/UGSymbol.h"
#include "object/UGClassBuilder.h"
#include "widgets/UGPicture.h"
#include "widgets/UGWindow.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TGameInterface)

namespace {

constexpr int32_t CWaitBeforeFadeIn = 500;
// A full fade of 255 takes about 283 ms.
constexpr float CFadeStepPerMs = 0.9f;

} // namespace

TGameInterface::TGameInterface(TGObject* AOwner, TGWindow* AGameScreen, TScanner* AScanner)
    : TGObject(AOwner)
    , FGameScreen(AGameScreen)
    , FScanner(AScanner) {}

bool TGameInterface::Visible() const {
  TGWidget* Panel = FGameScreen ? FGameScreen->FindWidget("GameInterface") : nullptr;
  return Panel && Panel->Visible();
}

void TGameInterface::SetVisible(bool Value) {
  if (TGWidget* Panel = FGameScreen ? FGameScreen->FindWidget("GameInterface") : nullptr) {
    Panel->SetVisible(Value);
  }
}

TGPicture* TGameInterface::ToolHint() const {
  return FGameScreen ? TryObjectCast<TGPicture>(FGameScreen->FindWidget("ToolHint")) : nullptr;
}

void TGameInterface::StartToolHint(const std::string& Text, const TGPoint& Pos) {
  if (FToolHintState == thsHidden) {
    SetToolHintTextAndPos(Text, Pos);
    FToolHintState = thsWaiting;
    FToolHintTime = 0;
    FToolAlpha = 0;
    return;
  }
  FToolHintNewText = Text;
  FToolHintNewPos = Pos;
  FToolHintState = thsChanging;
}

void TGameInterface::HideToolHint() {
  FToolHintState = thsFadingOut;
  FToolHintTime = 0;
  if (TGPicture* Hint = ToolHint()) {
    FToolAlpha = Hint->Color().A;
  }
}

// The text goes into the hint's live text; the picture is placed so that its live picture's
// pivot lies on the point.
void TGameInterface::SetToolHintTextAndPos(const std::string& Text, const TGPoint& Pos) {
  TGPicture* Hint = ToolHint();
  if (!Hint) {
    return;
  }
  auto* Animation =
      Hint->Picture() ? TryObjectCast<TGAnimation>(Hint->Picture()->Instance()) : nullptr;
  float PivotX = 0;
  float PivotY = 0;
  if (Animation && Animation->Count() > 1) {
    if (auto* Label = TryObjectCast<TGLiveText>(Animation->Channels(1))) {
      Label->Data()->SetValue(0, TGVariant(Text));
    }
    if (auto* Picture = TryObjectCast<TGMovie>(Animation->Channels(0))) {
      PivotX = Picture->PivotX()->GetRealValue(0);
      PivotY = Picture->PivotY()->GetRealValue(0);
    }
  }
  Hint->SetLeft(static_cast<float>(Pos.X) - PivotX * Hint->Width());
  Hint->SetTop(static_cast<float>(Pos.Y) - PivotY * Hint->Height());
  Hint->SetVisible(true);
  Hint->SetEnabled(true);
}

void TGameInterface::Update(int32_t IntInterval) {
  if (FToolHintState == thsHidden || FToolHintState == thsShown) {
    return;
  }
  FToolHintTime += IntInterval;
  const float Step = static_cast<float>(IntInterval) * CFadeStepPerMs;
  switch (FToolHintState) {
  case thsFadingIn:
    FToolAlpha += Step;
    if (FToolAlpha > 255) {
      FToolAlpha = 255;
      FToolHintState = thsShown;
    }
    break;
  case thsFadingOut:
  case thsChanging:
    FToolAlpha -= Step;
    if (FToolAlpha < 0) {
      FToolAlpha = 0;
      FToolHintTime = 0;
      if (FToolHintState == thsFadingOut) {
        FToolHintState = thsHidden;
      } else {
        SetToolHintTextAndPos(FToolHintNewText, FToolHintNewPos);
        FToolHintState = thsWaiting;
      }
    }
    break;
  case thsWaiting:
    if (FToolHintTime > CWaitBeforeFadeIn) {
      FToolHintState = thsFadingIn;
    }
    break;
  default:
    break;
  }
  if (TGPicture* Hint = ToolHint()) {
    TGColor C = Hint->Color();
    C.A = static_cast<uint8_t>(std::clamp(FToolAlpha, 0.0f, 255.0f));
    Hint->SetColor(C);
  }
}
