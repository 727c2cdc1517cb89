// The map of the unlimited hidden-object mode: the replayable locations on pages with their
// records; a location is replayed without changing the player's story.
#pragma once

#include "widgets/UFadeWindow.h"

class TMapUnlimHOScreen : public TFadeWindow {
  G_CLASS(TMapUnlimHOScreen, TFadeWindow)
  explicit TMapUnlimHOScreen(TGObject* AOwner = nullptr)
      : TFadeWindow(AOwner) {}

  static constexpr const char* CTemplateURL = "MapUnlimHO.win";
};
