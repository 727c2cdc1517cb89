// The comic screen: a full-screen window ("ComixScreen.win") that plays one story animation. The
// animation's "Key" channel divides its timeline into panels (the times of its X keys), and its
// "KeyStop" channel marks stop points (the times of its X keys) where the comic waits for a
// click; a stop whose time is also a key of that channel's Angle envelope is a full stop, where
// even the live pictures inside the panel stand still. A click jumps to the next panel, the comic
// can fade in from black and out to black, and "Skip" ends it through its fade-out. The window
// hides itself at the end, which ends the modal run that showed it; the caller reads Skipped.
#pragma once

#include "widgets/UGWindow.h"

#include <cstdint>
#include <initializer_list>
#include <string>

class TGAnimation;
class TGMovie;
class TGPicture;

enum TComixFadingFlag { cfFirst = 0, cfLast = 1, cfPlayFirst = 2, cfPlayLast = 3 };

// A set of fading flags in one byte, bit n for the flag of ordinal n (the stored form of the
// set). cfFirst: fade in at the start; cfLast: fade out at the end; cfPlayFirst and cfPlayLast:
// that fade is running now.
struct TComixFading {
  uint8_t Mask = 0;

  constexpr TComixFading() = default;
  constexpr TComixFading(std::initializer_list<TComixFadingFlag> Flags) {
    for (TComixFadingFlag F : Flags) {
      Include(F);
    }
  }
  constexpr bool Contains(TComixFadingFlag F) const { return (Mask >> F) & 1u; }
  constexpr void Include(TComixFadingFlag F) { Mask = static_cast<uint8_t>(Mask | (1u << F)); }
  constexpr void Exclude(TComixFadingFlag F) { Mask = static_cast<uint8_t>(Mask & ~(1u << F)); }
  constexpr bool Empty() const { return Mask == 0; }
  friend constexpr bool operator==(const TComixFading&, const TComixFading&) = default;

  // The set that the scripts' integer fading argument selects: 0 none, any negative value
  // [cfFirst], 1 [cfLast], 2 or more [cfFirst, cfLast].
  static constexpr TComixFading FromScriptValue(int32_t Fading) {
    if (Fading < 0) {
      return {cfFirst};
    }
    if (Fading == 0) {
      return {};
    }
    if (Fading == 1) {
      return {cfLast};
    }
    return {cfFirst, cfLast};
  }
};

class TComixScreen : public TGWindow {
  G_CLASS(TComixScreen, TGWindow)
  // Made with New<TComixScreen>(...), whose AfterConstruction loads the window and the comic.
  TComixScreen(TGObject* AOwner, TComixFading Fading, std::string URL);
  // Loads "ComixScreen.win" and clones the comic (the replacement comic with "NoComixes");
  // fails with a clear error when the comic cannot be loaded.
  void AfterConstruction() override;

  // The player pressed "Skip".
  bool Skipped() const { return FSkipped; }
  // Clicks anywhere no longer advance the comic; only a waiting stop takes a click.
  void DisableAnyTimeClicks();
  // "Skip" and "Continue" are hidden and disabled.
  void HideSkip();

  // Keeps cfFirst and cfLast of Fading; a fade-in starts fully black.
  void SetFadingState(TComixFading Fading);
  // A click: releases a stop, else jumps to the next panel, else ends the comic.
  void SwitchToNextKey();
  // The first panel start after the elapsed time, 0 when there is none.
  int32_t GetNextKeyTime() const;
  // The first stop after the elapsed time, 0 when there is none; Full tells a full stop.
  int32_t GetNextStopTime(bool& Full) const;

  // --- State, for the program and for tests ---
  const std::string& ComixURL() const { return FComixURL; }
  TGAnimation* Animation() const { return FAnimation; }
  TGMovie* KeyChannel() const { return FKeyChannel; }
  TGMovie* StopChannel() const { return FStopChannel; }
  float FadeValue() const { return FFadeValue; }
  TComixFading FadingState() const { return FFadingState; }
  bool Stopped() const { return FStop; }
  bool FullStopped() const { return FFullStopped; }
  bool Paused() const { return FPaused; }
  bool AnyTimeClick() const { return FAnyTimeClick; }
  // The alpha of the black rectangle drawn over the screen now; 0 when none is drawn.
  uint8_t BlackAlpha() const;

  // --- The window ---
  void Activate() override;
  void ApplicationActivate() override;
  void ApplicationDeactivate() override;
  void MouseDown(int Button) override;
  void KeyDown(uint16_t Key) override;
  void Update(float DeltaTime) override;
  // Five times faster in cheat mode with Ctrl and Shift held; nothing moves while paused.
  void UpdateTree(float DeltaTime) override;
  // The tree, then the black fade rectangle.
  void DrawTree() override;

  static constexpr const char* CTemplateURL = "ComixScreen.win";
  static constexpr const char* CKeyChannelName = "Key";
  static constexpr const char* CStopChannelName = "KeyStop";
  static constexpr const char* CNoComixesURL = "ZephrinOff01.ani";

protected:
  void Destroy() override;

private:
  void LoadTemplate();
  void LoadComix();
  void SkipClick(TGObject* Sender);
  void DrawComix(TGObject* Sender);
  void Resume();
  void Close();
  // Steps 2 and 3 of a frame: a held stop, or the animation run up to the next stop.
  void UpdateAnimation(float DeltaTime);
  void UpdateLivePictures(float DeltaTime);
  void UpdateFades(float DeltaTime);
  void HoldAt(int32_t StopTime, bool Full);
  // Step 6 and 7 of a frame: the end of the comic and of its fade-out.
  void UpdateEnd();
  void CentreOnScreen();

  bool FPaused = false;
  bool FSkipped = false;
  std::string FComixURL;
  TGMovie* FKeyChannel = nullptr;  // a channel of FAnimation
  TGMovie* FStopChannel = nullptr; // a channel of FAnimation
  float FFadeValue = 265;
  TComixFading FFadingState;
  bool FStop = false;
  TGAnimation* FAnimation = nullptr; // owned
  bool FAnyTimeClick = true;
  bool FFullStopped = false;
  // Children of the window, found once the template is loaded.
  TGPicture* FComixArea = nullptr;
  TGWidget* FSkip = nullptr;
  TGWidget* FContinue = nullptr;
  TGWidget* FContinueFlash = nullptr;
};
