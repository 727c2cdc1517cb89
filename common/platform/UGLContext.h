// The OpenGL context of the host window: an OpenGL 2.1 compatibility-profile context created on
// the window's drawable (EGL on llvmpipe when the window is headless), made current on the
// calling thread. The graphics device draws through it; nothing else in the engine needs SDL to
// talk to OpenGL.
#pragma once

#include "platform/UHostWindow.h"

#include <string>

class TGLContext {
public:
  // Creates the context on Window and makes it current. Throws EHostError when no context of at
  // least version 2.1 can be made.
  explicit TGLContext(THostWindow& Window);
  ~TGLContext();
  TGLContext(const TGLContext&) = delete;
  TGLContext& operator=(const TGLContext&) = delete;

  THostWindow& Window() const noexcept { return FWindow; }
  void MakeCurrent();
  // Shows the window's back buffer (the default framebuffer).
  void Swap();
  // The size of the window's drawable in pixels (it may differ from the client size on
  // high-density displays and in desktop full screen).
  THostSize DrawableSize() const;
  // 0: present immediately, 1: wait for the vertical retrace, -1: adaptive. False when the
  // driver refuses the interval.
  bool SetSwapInterval(int Interval);
  // The samples per pixel of the window's drawable (0 when not multisampled).
  int DrawableSamples() const;

private:
  THostWindow& FWindow;
  void* FContext = nullptr; // SDL_GLContext
};
