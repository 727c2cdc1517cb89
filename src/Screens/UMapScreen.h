// The story map: the eight chapters and the device assembled from one vial per chapter. A chapter
// finished since the last showing plays its flight and turns the device's tooth towards it.
#pragma once

#include "widgets/UGWindow.h"

class TMapScreen : public TGWindow {
  G_CLASS(TMapScreen, TGWindow)
  explicit TMapScreen(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}

  static constexpr const char* CTemplateURL = "MapScreen.win";
};
