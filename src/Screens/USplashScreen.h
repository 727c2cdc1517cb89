// The splash screen: at start-up it plays one logo animation on "EmptyScreen.win" and closes
// itself when the animation ends. Which logo sequence plays first is decided by a small
// configuration file beside the program, "logos\logoconfig.cfg". A click or Escape skips it.
#pragma once

#include "widgets/UGWindow.h"

#include <string>

class TGAnimation;

class TSplashScreen : public TGWindow {
  G_CLASS(TSplashScreen, TGWindow)
  explicit TSplashScreen(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  // Pushes the player's logo state, loads the window and picks the logo animation.
  void AfterConstruction() override;

  // Whether the studio's logo sequence plays first: true without the configuration file (or
  // without a "Logo" element in it), else the first "Logo" element's "IsBrindleFist". ConfigPath
  // is a disk path, '\' read as '/', relative to the working folder (the program's folder).
  static bool IsBrindleFirst(const std::string& ConfigPath = CLogoConfigPath);

  // Ends the splash at the next update: the logo animation is set past its end.
  void SelfClick(TGObject* Sender);
  TGAnimation* Ani() const { return FAni; }
  // How long the splash has run, in milliseconds (for the portal's time limit).
  float RunTime() const { return FRunTime; }

  void Draw() override;
  void Update(float DeltaTime) override;
  void MouseDown(int Button) override;
  void KeyDown(uint16_t Key) override;

  static constexpr const char* CTemplateURL = "EmptyScreen.win";
  static constexpr const char* CLogoConfigPath = "logos\\logoconfig.cfg";
  static constexpr const char* CFirstLogosURL = "Logos\\Logos1.ani";
  static constexpr const char* CSecondLogosURL = "Logos\\Logos2.ani";
  // The longest run when the portal's logo is missing, in milliseconds.
  static constexpr float CPortalLogoMissingTime = 4500;

protected:
  void Destroy() override;

private:
  void Close();

  TGAnimation* FAni = nullptr; // a shared resource reference
  float FRunTime = 0;
  bool FStatePushed = false;
};
