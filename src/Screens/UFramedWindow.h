// A first window of a host program: it fills the logical screen, counts frames and game time and
// ends the program on Esc, on a close request or after a set number of frames.
#pragma once

#include "widgets/UGWindow.h"

#include <cstdint>

class TFramedWindow : public TGWindow {
  G_CLASS(TFramedWindow, TGWindow)
  explicit TFramedWindow(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  // The window's size becomes the application's screen size.
  void AfterConstruction() override;

  // Drawn frames; 0 runs until closed.
  void SetFrameLimit(int64_t Value) { FFrameLimit = Value; }
  int64_t Frames() const { return FFrames; }
  double GameSeconds() const { return FGameSeconds; }

  void UpdateTree(float Interval) override;
  void KeyDown(uint16_t Key) override;

private:
  int64_t FFrameLimit = 0;
  int64_t FFrames = 0;
  double FGameSeconds = 0;
};
