// A chapter text typed letter by letter on black, a beep per step, shown modally; it closes
// itself when the text is complete. The windows below stay drawn.
#pragma once

#include "widgets/UGWindow.h"

#include <cstdint>
#include <string>

class TBlackScreen : public TGWindow {
  G_CLASS(TBlackScreen, TGWindow)
  explicit TBlackScreen(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  // Loads "BlackScreen.win" and empties its "Label".
  void AfterConstruction() override;
  void SetText(const std::string& Text) { FText = Text; }
  const std::string& Text() const { return FText; }
  int32_t LettersShown() const { return FOldL; }
  bool CoversEntireScreen() const override { return false; }

  void Update(float DeltaTime) override;
  // Three times faster with "FastUpdate", five times more in cheat mode with Ctrl and Shift.
  void UpdateTree(float DeltaTime) override;

private:
  std::string FText;
  float FTimer = 0;
  int32_t FOldL = 0;
};

// The dictionary's text for Key typed out modally; the window is freed afterwards.
void ShowBlackScreen(const std::string& Key);
