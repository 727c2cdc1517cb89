// The screen shown while the play screen is built: the window "LoadingScreen.win" with its
// progress bar "Bar". The build runs on the main thread at the screen's first update; every
// progress report moves the bar one step and draws the frame again, so the player sees it move.
#pragma once

#include "widgets/UGWindow.h"

#include <string>

class TGProgressBar;
class TGameScreen;

class TLoadingScreen : public TGWindow {
  G_CLASS(TLoadingScreen, TGWindow)
  explicit TLoadingScreen(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  // Copies the template and sets the bar's range: the locations to load, plus the two windows.
  void AfterConstruction() override;
  void UpdateTree(float DeltaTime) override;

  // Shows a loading screen modally and returns the play screen it built, ready to show (its
  // scripts registered), or nothing with Error set when the current player's world could not be
  // built; the caller owns the screen.
  static TGameScreen* BuildGameScreen(std::string& Error);

  // The built screen (the caller owns it once taken), or nothing when building failed.
  TGameScreen* TakeGameScreen();
  const std::string& Error() const { return FError; }
  int32_t Steps() const { return FSteps; }
  TGProgressBar* Bar() const { return FBar; }

  static constexpr const char* CTemplateURL = "LoadingScreen.win";

protected:
  void Destroy() override;

private:
  // Builds the play screen and hides this screen, whatever the outcome.
  void Build();
  void Step();

  TGProgressBar* FBar = nullptr;
  bool FStarted = false;
  int32_t FSteps = 0;
  TGameScreen* FScreen = nullptr; // owned until taken
  std::string FError;
};
