#include "Screens/UCreditsScreen.h"

#include "Screens/UInfoScreenSupport.h"
#include "Screens/URequiredWidgets.h"
#include "audio/UGAudio.h"
#include "drawables/UGGraphic.h"
#include "object/UGClassBuilder.h"

G_IMPLEMENT_CLASS(TCreditsScreen)

void TCreditsScreen::AfterConstruction() {
  inherited::AfterConstruction();
  InfoScreen::LoadTemplate(*this, CTemplateURL);
  // The plain pointer over the whole screen; without the picture the window file's cursor stays.
  if (auto* Pointer =
          TryObjectCast<TGGraphic>(MainResourceLibrary()->GetResourceEx(CCursorURL, false))) {
    SetCursor(Pointer);
  }
  GetRequiredWidget(this, DeclaredWidget<TGWidget>(CTemplateURL, CBackURL))->OnMouseDown =
      TGMouseEvent(this, &TCreditsScreen::OnBackMouseDown);
}

void TCreditsScreen::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  InfoScreen::CloseWhenQuitting(*this);
}

void TCreditsScreen::KeyDown(uint16_t Key) {
  // Before the window routes the key: a focused button must not swallow Escape.
  if (Key == VK_ESCAPE) {
    InfoScreen::Close(*this);
    return;
  }
  inherited::KeyDown(Key);
}

void TCreditsScreen::ApplicationActivate() {
  inherited::ApplicationActivate();
  if (AD) {
    AD->SetPaused(false);
  }
}

void TCreditsScreen::ApplicationDeactivate() {
  inherited::ApplicationDeactivate();
  if (AD) {
    AD->SetPaused(true);
  }
}

void TCreditsScreen::OnBackMouseDown(int Button) {
  (void)Button;
  InfoScreen::Close(*this);
}
