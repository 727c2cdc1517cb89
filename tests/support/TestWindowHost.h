// A window host for tests and benchmarks without an application: the mouse where the test puts
// it, no button held, an 800 x 600 screen and the window the test names on top. It is the
// program's host while it lives and gives the previous one back when it goes.
#pragma once

#include "widgets/UGWidget.h"
#include "widgets/UGWindow.h"
#include "widgets/UGWindowHost.h"

#include <functional>

class TTestWindowHost : public IGWindowHost {
public:
  TTestWindowHost()
      : FPrevious(WindowHost) {
    WindowHost = this;
  }
  ~TTestWindowHost() { WindowHost = FPrevious; }
  TTestWindowHost(const TTestWindowHost&) = delete;
  TTestWindowHost& operator=(const TTestWindowHost&) = delete;

  const TGPoint& MousePos() const override { return Mouse; }
  bool ButtonHeld(int) const override { return false; }
  TGPoint ScreenSize() const override { return {800, 600}; }
  TGWindow* GetTopWindow() const override { return Top; }
  void Show(TGWindow*) override {}

  TGPoint Mouse{};
  TGWindow* Top = nullptr;

private:
  IGWindowHost* FPrevious;
};

// A window host that runs a modal window's frames (20 ms each) until the window hides, at most
// MaxFrames; OnFrame runs before every frame with the frame's number, as input would arrive.
// Frames and Ended tell about the outermost window; a window shown from it (a confirmation) runs
// its own frames, with OnFrame, inside one of them.
class TModalWindowHost : public IGWindowHost {
public:
  TModalWindowHost()
      : FPrevious(WindowHost) {
    WindowHost = this;
  }
  ~TModalWindowHost() { WindowHost = FPrevious; }
  TModalWindowHost(const TModalWindowHost&) = delete;
  TModalWindowHost& operator=(const TModalWindowHost&) = delete;

  const TGPoint& MousePos() const override { return Mouse; }
  bool ButtonHeld(int) const override { return false; }
  TGPoint ScreenSize() const override { return {800, 600}; }
  TGWindow* GetTopWindow() const override { return Top; }
  void Show(TGWindow* Window) override {
    TGWindow* Below = Top;
    Top = Window;
    ++Shown;
    const bool Outermost = Depth++ == 0;
    int Count = 0;
    while (Window->Visible() && Count < MaxFrames) {
      if (OnFrame) {
        OnFrame(Window, Count);
      }
      Window->UpdateTree(0.02f);
      ++Count;
    }
    --Depth;
    if (Outermost) {
      Frames = Count;
      Ended = !Window->Visible();
    }
    Top = Below;
  }

  // The mouse on the middle of W, then a frame so the window sees it there.
  void PointAt(TGWindow* Window, const TGWidget* W) {
    const TGRectFloat R = W->ScreenRect();
    Mouse = {static_cast<int>((R.Left + R.Right) / 2), static_cast<int>((R.Top + R.Bottom) / 2)};
    Window->MouseMove();
    Window->UpdateTree(0.02f);
  }

  TGPoint Mouse{};
  TGWindow* Top = nullptr;
  int MaxFrames = 2000;
  int Frames = 0;
  int Shown = 0;
  int Depth = 0;
  bool Ended = false;
  std::function<void(TGWindow*, int)> OnFrame;

private:
  IGWindowHost* FPrevious;
};
