#include "HeadlessScreen.h"

#include <cstdlib>

std::unique_ptr<THostWindow> MakeHeadlessWindow(int Width, int Height, const std::string& Title) {
  ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
  THostWindow::Options Options;
  Options.Title = Title;
  Options.Width = Width;
  Options.Height = Height;
  Options.Headless = true;
  return std::make_unique<THostWindow>(Options);
}

TGObjectPtr<TGGraphicsDevice> MakeDevice(THostWindow& Window, int Width, int Height) {
  TGObjectPtr<TGGraphicsDevice> Device(new TGGraphicsDevice(nullptr));
  Device->Initialize(Width, Height, &Window, false, false, false, false);
  return Device;
}

THeadlessScreen::THeadlessScreen(int Width, int Height)
    : FWindow(MakeHeadlessWindow(Width, Height))
    , FDevice(MakeDevice(*FWindow, Width, Height)) {}

THeadlessScreen::~THeadlessScreen() {
  FDevice.reset();
}
