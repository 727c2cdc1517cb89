// A window host for tests and benchmarks without an application: the mouse where the test puts
// it, no button held, an 800 x 600 screen and the window the test names on top. It is the
// program's host while it lives and gives the previous one back when it goes.
#pragma once

#include "widgets/UGWindowHost.h"

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
