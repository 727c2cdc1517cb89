// The credits: a full-screen window that shows what its window file holds. The back button,
// Escape, or the program being asked to quit fade it out; all audio pauses while the program is
// in the background.
#pragma once

#include "widgets/UFadeWindow.h"

#include <cstdint>

class TCreditsScreen : public TFadeWindow {
  G_CLASS(TCreditsScreen, TFadeWindow)
  explicit TCreditsScreen(TGObject* AOwner = nullptr)
      : TFadeWindow(AOwner) {}
  // Copies the window file, sets the pointer cursor and attaches the back button.
  void AfterConstruction() override;

  // The fade's progress, then the fade-out when the program is asked to quit.
  void Update(float DeltaTime) override;
  // Escape fades out; other keys go to the window.
  void KeyDown(uint16_t Key) override;
  void ApplicationActivate() override;
  void ApplicationDeactivate() override;

  static constexpr const char* CTemplateURL = "CreditsScreen.win";
  static constexpr const char* CCursorURL = "Cursors\\Pointer.ani";
  static constexpr const char* CBackURL = "BtnBack";

private:
  void OnBackMouseDown(int Button);
};
