// A link of the application's plug-in chain. Every call a plug-in does not handle itself goes on,
// unchanged, to the next plug-in; the application object is the last one.
#pragma once

#include "base/UGTypes.h"
#include "object/UGObject.h"

#include <cstdint>

class TGAppPlugin : public TGObject {
  G_CLASS(TGAppPlugin, TGObject)
  explicit TGAppPlugin(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  // The plug-in after this one in the frame's chain; none for the last one or without a frame.
  TGAppPlugin* GetNextPlugin() const;

  virtual void Initialize();
  virtual void Finalize();
  virtual void AppActivate();
  virtual void AppDeactivate();
  virtual void KeyDown(uint16_t Key);
  virtual void KeyPress(char32_t Key);
  virtual void KeyUp(uint16_t Key);
  virtual void MouseWheelUp();
  virtual void MouseWheelDown();
  virtual void MouseMove(const TGPoint& Pos);
  virtual void MouseDown(int Button);
  virtual void MouseUp(int Button);
  virtual void DblClick();
  // Success tells whether a frame was drawn.
  virtual void Draw(int64_t TickCount, bool& Success);
  virtual void Idle(int64_t TickCount);
};
