// The 800 × 600 headless screen the drawing benchmarks draw on (SDL's offscreen driver).
#pragma once

#include "graphics/UGGraphicsDevice.h"
#include "platform/UHostWindow.h"

#include <cstdlib>
#include <memory>

struct TBenchScreen {
  static constexpr int CWidth = 800;
  static constexpr int CHeight = 600;

  TBenchScreen() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    THostWindow::Options Opts;
    Opts.Title = "bench";
    Opts.Width = CWidth;
    Opts.Height = CHeight;
    Opts.Headless = true;
    Window = std::make_unique<THostWindow>(Opts);
    Device.reset(new TGGraphicsDevice(nullptr));
    Device->Initialize(CWidth, CHeight, Window.get(), false, false, false, false);
  }
  // The device goes before its window.
  ~TBenchScreen() { Device.reset(); }

  std::unique_ptr<THostWindow> Window;
  TGObjectPtr<TGGraphicsDevice> Device;
};
