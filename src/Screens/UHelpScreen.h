// The help pages: a full-screen window that shows what its window file holds. The back button or
// the program being asked to quit fade it out (Escape does not); all audio pauses while the
// program is in the background.
#pragma once

#include "widgets/UFadeWindow.h"

class THelpScreen : public TFadeWindow {
  G_CLASS(THelpScreen, TFadeWindow)
  explicit THelpScreen(TGObject* AOwner = nullptr)
      : TFadeWindow(AOwner) {}
  // Copies the window file and attaches the back button.
  void AfterConstruction() override;

  // The fade's progress, then the fade-out when the program is asked to quit.
  void Update(float DeltaTime) override;
  void ApplicationActivate() override;
  void ApplicationDeactivate() override;

  static constexpr const char* CTemplateURL = "HelpScreen.win";
  static constexpr const char* CBackURL = "BtnBack";

private:
  void OnBackMouseDown(int Button);
};
