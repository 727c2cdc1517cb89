#include "flow/UBriefingStates.h"

#include "base/UGStrUtils.h"
#include "flow/UBasicFlowStates.h"
#include "flow/UCommonGameState.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/UPlayScreen.h"
#include "locations/ULocation.h"
#include "math/UGMathUtils.h"
#include "object/UGClassBuilder.h"
#include "resources/UGLangDictionary.h"
#include "widgets/UFadeWindow.h"
#include "widgets/UGLabel.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TBlackScreenBriefingState)
G_IMPLEMENT_CLASS(TFadeOutWidgetState)

namespace {

constexpr int32_t LetterTime = 100; // milliseconds per typed character

// The length of the first code point of S.
size_t CodePointLength(std::string_view S) {
  unsigned char C = static_cast<unsigned char>(S[0]);
  size_t N = C < 0x80 ? 1 : C < 0xE0 ? 2 : C < 0xF0 ? 3 : 4;
  return std::min(N, S.size());
}

// The child the fade layer goes after so that Text stays above it: the one before Text (the
// layer itself left out). A label that is no direct child of the window, or has no child before
// it, is faded with the rest.
TGWidget* WidgetBelow(TFadeWindow* Window, TGLabel* Text) {
  for (int32_t I = Window->IndexOf(Text) - 1; I >= 0; --I) {
    if (Window->GetItem(I) != Window->FadeWidget()) {
      return Window->GetItem(I);
    }
  }
  return Text;
}

} // namespace

TGLabel* TBlackScreenBriefingState::Label() const {
  IPlayScreen* Screen = PlayScreen();
  TFadeWindow* Window = Screen ? Screen->Window() : nullptr;
  return Window ? TryObjectCast<TGLabel>(Window->FindWidget("ChapterText")) : nullptr;
}

// A key ("$HarbourChapter$") is typed as its translation, letter by letter: typed as it stands,
// its first letters would show the key's own name.
std::string TBlackScreenBriefingState::BriefingText() const {
  auto* L = TryObjectCast<TLocation>(TBaseCommonGameState::LocationOf(this));
  return L ? LangDictionary().GetString(L->BlackScreenBriefingText) : std::string();
}

void TBlackScreenBriefingState::Initialize() {
  TFlowState::Initialize();
  IPlayScreen* Screen = PlayScreen();
  TFadeWindow* Window = Screen ? Screen->Window() : nullptr;
  TGLabel* Text = Label();
  if (!Window || !Text) {
    Status = ssFinished; // nothing to brief on
    return;
  }
  Window->SetFadeState(fwsCustom);
  Window->SetFadeValue(0);
  // The black layer covers the screen below the label, the label stays above it.
  Window->SetLastFadedWidget(WidgetBelow(Window, Text));
  Text->SetColor(0xFFFFFFFF);
  Text->SetData("");
  Text->SetVisible(true);
}

void TBlackScreenBriefingState::Update(int32_t AInterval) {
  TGLabel* Text = Label();
  if (!Text) {
    Status = ssFinished;
    return;
  }
  FLetterElapsedTime += AInterval;
  if (FLetterElapsedTime > LetterTime) {
    FLetterElapsedTime = 0;
    std::string Full = BriefingText();
    if (FCurrentText.size() >= Full.size()) {
      Status = ssFinished;
      return;
    }
    std::string_view Rest = std::string_view(Full).substr(FCurrentText.size());
    FCurrentText.append(Rest.substr(0, CodePointLength(Rest)));
    Text->SetData(FCurrentText);
  }
  Text->UpdateTree(static_cast<float>(AInterval) / 1000.0f);
}

void TBlackScreenBriefingState::Finalize() {
  IPlayScreen* Screen = PlayScreen();
  TFadeWindow* Window = Screen ? Screen->Window() : nullptr;
  TGLabel* Text = Label();
  if (Window) {
    Window->FadeIn(false, false, Text ? WidgetBelow(Window, Text) : nullptr);
  }
  TBaseLocation* L = TBaseCommonGameState::LocationOf(this);
  if (L && Text) {
    L->FC()->RegisterChannel("ChapterText");
    TBaseFlowChannel* Channel = L->FC()->Channel("ChapterText");
    new TPauseState(Channel, 1000);
    new TFadeOutWidgetState(Channel, Text, 1000);
  }
}

// --- Fading out --------------------------------------------------------------------------------

TFadeOutWidgetState::TFadeOutWidgetState(TGObject* AOwnerChannel, TGWidget* AWidget,
                                         int32_t ATotalTime)
    : TFlowState(AOwnerChannel)
    , FWidget(AWidget)
    , FTotalTime(ATotalTime) {
  if (AWidget) {
    Subscribe(TGNotification(AWidget, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TFadeOutWidgetState::OnWidgetDestroyed));
  }
}

void TFadeOutWidgetState::Destroy() {
  if (FWidget) {
    UnSubscribe(FWidget);
    FWidget = nullptr;
  }
  inherited::Destroy();
}

void TFadeOutWidgetState::OnWidgetDestroyed(TGObject* Sender) {
  if (Sender == FWidget) {
    FWidget = nullptr;
  }
}

void TFadeOutWidgetState::Update(int32_t AInterval) {
  FElapsedTime += AInterval;
  if (!FWidget || FTotalTime < FElapsedTime) {
    Status = ssFinished;
    return;
  }
  double Alpha = 1.0 - SafeDiv(FElapsedTime, FTotalTime);
  int32_t A = std::clamp(static_cast<int32_t>(std::trunc(Alpha * 255.0)), 0, 255);
  FWidget->SetColor(TGColor((static_cast<uint32_t>(A) << 24) | 0x00FFFFFF));
}

void TFadeOutWidgetState::LoadFromXML(const TGXMLNode* Node) {
  TFlowState::LoadFromXML(Node);
  Status = ssFinished;
}
