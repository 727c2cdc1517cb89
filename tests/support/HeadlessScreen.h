// A headless screen for drawing tests and benchmarks: a host window on SDL's offscreen driver
// (a real GL context without a display) and, on demand, a graphics device drawing into it.
#pragma once

#include "graphics/UGGraphicsDevice.h"
#include "platform/UHostWindow.h"

#include <memory>
#include <string>

// The game's logical screen.
constexpr int CScreenWidth = 800;
constexpr int CScreenHeight = 600;

// A host window with no display, of the given client size.
std::unique_ptr<THostWindow> MakeHeadlessWindow(int Width, int Height,
                                                const std::string& Title = "headless");

// A headless window with a graphics device of its size; the device goes before its window.
class THeadlessScreen {
public:
  THeadlessScreen(int Width, int Height);
  ~THeadlessScreen();
  THeadlessScreen(const THeadlessScreen&) = delete;
  THeadlessScreen& operator=(const THeadlessScreen&) = delete;

  THostWindow& Window() const { return *FWindow; }
  TGGraphicsDevice& Device() const { return *FDevice; }

private:
  std::unique_ptr<THostWindow> FWindow;
  TGObjectPtr<TGGraphicsDevice> FDevice;
};

// A graphics device of the window's size (the window must outlive it).
TGObjectPtr<TGGraphicsDevice> MakeDevice(THostWindow& Window, int Width, int Height);
