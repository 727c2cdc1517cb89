// What windows ask of the program that shows them: where the mouse is and which buttons are
// held, the logical screen's size, and the stack of shown windows. The application object is
// the host; without one (tools, tests) windows see the mouse at (0, 0), cover no screen and
// cannot be shown modally.
#pragma once

#include "base/UGTypes.h"

class TGWindow;

class IGWindowHost {
public:
  virtual const TGPoint& MousePos() const = 0;
  virtual bool ButtonHeld(int Button) const = 0;
  // The logical screen windows are laid out on, in pixels.
  virtual TGPoint ScreenSize() const = 0;
  virtual TGWindow* GetTopWindow() const = 0;
  // Pushes the window; every window but the bottom one runs modally until it is hidden.
  virtual void Show(TGWindow* Window) = 0;

protected:
  ~IGWindowHost() = default;
};

// The program's window host, or none.
extern IGWindowHost* WindowHost;
