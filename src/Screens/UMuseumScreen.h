// The museum: three halls showing the pieces the player has placed there, each telling about
// itself in a speech bubble. Built from "MuseumScreen.win" and "Museum.cfg".
#pragma once

#include "widgets/UFadeWindow.h"

class TMuseumScreen : public TFadeWindow {
  G_CLASS(TMuseumScreen, TFadeWindow)
  explicit TMuseumScreen(TGObject* AOwner = nullptr)
      : TFadeWindow(AOwner) {}

  // Shows the museum modally (fading in and out) and frees it.
  static void ShowMuseum();
  // The museum is opened from the play screen: the location's sound gives way to the museum's
  // music while it shows.
  static bool CameFromGame;

  static constexpr const char* CTemplateURL = "MuseumScreen.win";
  static constexpr const char* CItemsURL = "Museum.cfg";
};
