// A window of the application's stack. This is the part the frame drives (drawing, updating,
// activation and input); the widget tree, window files and effects build on it.
#pragma once

#include "UGObject.h"
#include "UGTypes.h"

#include <cstdint>

class TGGraphic;

class TGWindow : public TGObject {
  G_CLASS(TGWindow, TGObject)
  explicit TGWindow(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value) { FVisible = Value; }
  bool ReadyToDraw() const { return FReadyToDraw; }
  void SetReadyToDraw(bool Value) { FReadyToDraw = Value; }
  // The window's place on the logical screen.
  const TGRect& ScreenRect() const { return FScreenRect; }
  void SetScreenRect(const TGRect& Value) { FScreenRect = Value; }

  // Whether the window hides everything below it (windows under it are neither drawn nor updated).
  virtual bool CoversEntireScreen() const { return FCoversEntireScreen; }
  void SetCoversEntireScreen(bool Value) { FCoversEntireScreen = Value; }

  virtual void DrawTree() {}
  // The mouse cursor's picture over the window at Pos (screen coordinates); none hides it.
  virtual TGGraphic* GetCursorGraphic(const TGPoint& Pos) {
    (void)Pos;
    return nullptr;
  }
  // Interval in seconds of game time.
  virtual void UpdateTree(float Interval) { (void)Interval; }

  // The window becomes the top of the stack again, or stops being it.
  virtual void Activate() {}
  virtual void Deactivate() {}
  // The application gains or loses the focus.
  virtual void ApplicationActivate() {}
  virtual void ApplicationDeactivate() {}

  virtual void KeyDown(uint16_t Key) { (void)Key; }
  virtual void KeyUp(uint16_t Key) { (void)Key; }
  virtual void KeyPress(char32_t Key) { (void)Key; }
  virtual void MouseMove(const TGPoint& Pos) { (void)Pos; }
  virtual void MouseDown(int Button) { (void)Button; }
  virtual void MouseUp(int Button) { (void)Button; }
  virtual void DblClick() {}
  virtual void MouseWheelUp() {}
  virtual void MouseWheelDown() {}

protected:
  bool FVisible = true;
  bool FReadyToDraw = true;
  bool FCoversEntireScreen = true;
  TGRect FScreenRect{0, 0, 800, 600};
};
