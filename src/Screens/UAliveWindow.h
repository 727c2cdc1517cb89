// The first window of the program until the main menu exists: it shows that the engine runs,
// counts frames and ends the program on Esc, on a close request or after a set number of frames.
#pragma once

#include "UGWindow.h"

#include <cstdint>

class TAliveWindow : public TGWindow {
  G_CLASS(TAliveWindow, TGWindow)
  explicit TAliveWindow(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}

  // 0 runs until closed.
  void SetFrameLimit(int64_t Value) { FFrameLimit = Value; }
  int64_t Frames() const { return FFrames; }
  double GameSeconds() const { return FGameSeconds; }

  void UpdateTree(float Interval) override;
  // A small harbour at dusk: sky, sea, a lighthouse whose light blinks and a boat crossing.
  void DrawTree() override;
  void KeyDown(uint16_t Key) override;

private:
  int64_t FFrameLimit = 0;
  int64_t FFrames = 0;
  double FGameSeconds = 0;
};
