#include "Screens/UHelpScreen.h"

#include "Screens/UInfoScreenSupport.h"
#include "Screens/URequiredWidgets.h"
#include "audio/UGAudio.h"
#include "object/UGClassBuilder.h"

G_IMPLEMENT_CLASS(THelpScreen)

void THelpScreen::AfterConstruction() {
  inherited::AfterConstruction();
  InfoScreen::LoadTemplate(*this, CTemplateURL);
  GetRequiredWidget(this, DeclaredWidget<TGWidget>(CTemplateURL, CBackURL))->OnMouseDown =
      TGMouseEvent(this, &THelpScreen::OnBackMouseDown);
}

void THelpScreen::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  InfoScreen::CloseWhenQuitting(*this);
}

void THelpScreen::ApplicationActivate() {
  inherited::ApplicationActivate();
  if (AD) {
    AD->SetPaused(false);
  }
}

void THelpScreen::ApplicationDeactivate() {
  inherited::ApplicationDeactivate();
  if (AD) {
    AD->SetPaused(true);
  }
}

void THelpScreen::OnBackMouseDown(int Button) {
  (void)Button;
  InfoScreen::Close(*this);
}
