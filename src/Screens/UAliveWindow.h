// The first window of the program until the main menu exists: it shows that the engine runs.
#pragma once

#include "Screens/UFramedWindow.h"

class TGSymbol;

class TAliveWindow : public TFramedWindow {
  G_CLASS(TAliveWindow, TFramedWindow)
  explicit TAliveWindow(TGObject* AOwner = nullptr);

  // The harbour at dusk with a swinging lantern, a turning compass, a crate on the waves and an
  // animation of the lighthouse's glow, sparkles on the water and the title typed in;
  // drawn shapes stand in for pictures the content does not have.
  void DrawTree() override;
  void UpdateTree(float Interval) override;
  // A click of the mouse sounds a click; the compass chimes when it passes north.
  void MouseDown(int Button) override;

private:
  // A symbol showing the picture, none when the content lacks it.
  TGSymbol* MakeSymbol(const char* URL);
  void DrawFallbackScene();
  static void PlayEffect(const char* URL);

  TGSymbol* FHarbour = nullptr; // owned, as are the others
  TGSymbol* FLantern = nullptr;
  TGSymbol* FCompass = nullptr;
  TGSymbol* FCrate = nullptr;
  TGSymbol* FDetails = nullptr; // the animation: glow, sparkles, title
  float FCompassTurns = 0;
};
