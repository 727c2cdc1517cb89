// The first window of the program until the main menu exists: it shows that the engine runs.
#pragma once

#include "UFramedWindow.h"

class TAliveWindow : public TFramedWindow {
  G_CLASS(TAliveWindow, TFramedWindow)
  explicit TAliveWindow(TGObject* AOwner = nullptr)
      : TFramedWindow(AOwner) {}

  // A small harbour at dusk: sky, sea, a lighthouse whose light blinks and a boat crossing.
  void DrawTree() override;
};
