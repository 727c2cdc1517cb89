// Windows: the roots of widget trees, kept on the application's window stack. A window receives
// the mouse and keyboard from the application and routes them to the widget under the cursor, the
// pressed widget or the focused widget; it moves the focus with Tab, drags widgets that allow it,
// and can run modally. Its tree is described by a ".win" file; game screens derive from it and
// copy a loaded template into themselves.
#pragma once

#include "widgets/UGPicture.h"

#include <vector>

class TGButton;
class TGCheckBox;
class TGLabel;

class TGWindow : public TGPicture {
  G_CLASS(TGWindow, TGPicture)
  explicit TGWindow(TGObject* AOwner = nullptr)
      : TGPicture(AOwner) {}
  // The picture's, then Expanded := true.
  void AfterConstruction() override;

  TGWidget* OverWidget() const { return FOverWidget; }
  TGWidget* FocusedWidget() const { return FFocusedWidget; }
  void SetFocusedWidget(TGWidget* W);
  TGWidget* PressedWidget() const { return FPressedWidget; }
  void SetPressedWidget(TGWidget* W);
  TGWindow* BackgroundWindow() const { return FBackgroundWindow; }
  // The window has been updated at least once and may be drawn.
  bool ReadyToDraw() const { return FReadyToDraw; }

  // Typed lookups by path: none when the path finds nothing, the invalid-cast error when the
  // widget has another class.
  TGButton* GetButton(std::string_view Path) const;
  TGCheckBox* GetCheckBox(std::string_view Path) const;
  TGLabel* GetLabel(std::string_view Path) const;
  TGPicture* GetPicture(std::string_view Path) const;
  TGButton* Buttons(std::string_view Path) const { return GetButton(Path); }
  TGCheckBox* CheckBoxes(std::string_view Path) const { return GetCheckBox(Path); }
  TGLabel* Labels(std::string_view Path) const { return GetLabel(Path); }
  TGPicture* Pictures(std::string_view Path) const { return GetPicture(Path); }

  // --- Input from the application (App.MousePos and the held buttons are already stored) ---
  void MouseMove() override;
  void MouseWheelUp() override;
  void MouseWheelDown() override;
  void MouseDown(int Button) override;
  void MouseUp(int Button) override;
  void DblClick() override;
  // Tab moves the focus; other keys go to the focused widget, else to the window's handler.
  void KeyDown(uint16_t Key) override;
  void KeyPress(char32_t Key) override;
  void KeyUp(uint16_t Key) override;

  // --- The window stack ---
  void Show(TGShowOptions Options = {}) override;
  void Hide(TGHideOptions Options = {}) override;
  // The picture's update, then the hover state once per frame after the mouse moved.
  void Update(float DeltaTime) override;
  // The tree's update; the window may be drawn from then on.
  void UpdateTree(float DeltaTime) override;
  // The window becomes the top of the stack, or stops being it.
  virtual void Activate();
  virtual void Deactivate();
  // The window's size is the application's screen size: windows below it are neither drawn nor
  // updated.
  virtual bool CoversEntireScreen() const;
  // Shows the window on the application's stack and runs frames until it is hidden.
  TGWindow* ShowModal();
  // Copies the template's whole tree, effects and picture into this window.
  void LoadFromTemplate(const TGWindow* Template);

  // --- Focus and the widgets being let go ---
  // The next focusable widget after the focused one, wrapping; none when there is none.
  void NextFocusedWidget();
  // Visible, enabled, focusable descendants, depth first in child order.
  void GetFocusableWidgetList(std::vector<TGWidget*>& List);
  // W is being hidden: it stops being the over, focused and pressed widget.
  void DeactivateWidget(TGWidget* W);
  // The hover state and dragging, brought up to date with the mouse.
  void UpdateMouse();

  TGNotifyEvent OnActivate;
  TGNotifyEvent OnDeactivate;

  static void Publish(TGClassBuilder<TGWindow>& B);

protected:
  void Destroy() override;
  // A watched widget (over, focused, pressed) is being freed: the window forgets it.
  void OnWatchedWidgetDestroy(TGObject* Sender);
  // Stores W in one of the watched fields, subscribing to its destruction.
  void Watch(TGWidget*& Field, TGWidget* W);

  TGWidget* FOverWidget = nullptr;
  TGWidget* FFocusedWidget = nullptr;
  TGWidget* FPressedWidget = nullptr;
  TGPoint FDragMouse;
  bool FMouseMoved = false;
  bool FReadyToDraw = false;
  bool FFocusWhenShown = false; // activated during its show: focus the first widget after it
  TGWindow* FBackgroundWindow = nullptr;
};
