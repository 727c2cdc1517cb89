// The fading window, the base of the game's screens: it fades its content in from black and out
// to black through a full-screen layer (TFadeWidget) that it places in its own child list right
// after the last child to be faded, so that later children stay above the black.
#pragma once

#include "widgets/UGWindow.h"

#include <cstdint>

enum TFadeWindowState {
  fwsNone = 0,
  fwsFadeIn = 1,
  fwsFadeOut = 2,
  // The layer is shown at the current value and nothing advances it: game code drives it.
  fwsCustom = 3
};
G_DECLARE_ENUM(TFadeWindowState);

// The fade layer: a rectangle over the whole screen in the layer's colour, its opacity
// 255 - AlphaVal. It never takes the mouse and has no time of its own.
class TFadeWidget : public TGWidget {
  G_CLASS(TFadeWidget, TGWidget)
  // The layer's colour (Color) starts as opaque black.
  explicit TFadeWidget(TGObject* AOwner = nullptr);

  // 255: the layer is transparent; 0: it is opaque.
  uint8_t AlphaVal() const { return FAlphaVal; }
  void SetAlphaVal(uint8_t Value) { FAlphaVal = Value; }

  void DrawTree() override;
  void UpdateTree(float DeltaTime) override { (void)DeltaTime; }

private:
  uint8_t FAlphaVal = 255;
};

class TFadeWindow : public TGWindow {
  G_CLASS(TFadeWindow, TGWindow)
  explicit TFadeWindow(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  // The window's, then the fade layer (invisible, not yet a child).
  void AfterConstruction() override;

  // Starts fading in from the current value; shows the window when asked. LastFaded is the child
  // the layer follows (none: the last child).
  void FadeIn(bool LockUpdate, bool ShowWindow, TGWidget* LastFaded);
  // Starts fading in and runs the window modally.
  void FadeInModal(bool LockUpdate, TGWidget* LastFaded);
  // Starts fading out from the current value; nothing while a fade-out already runs.
  void FadeOut(bool LockUpdate, bool HideAfterFadeOut, TGWidget* LastFaded);
  // A window of the class without owner, faded in modally and freed (also when that fails).
  static void CreateFadeAndFree(TGClass WindowClass, bool LockUpdate);

  // The child directly below the layer: it and every child before it are faded. None once it
  // has left the window's children.
  TGWidget* LastFadedWidget() const;
  // W, or the last child other than the layer itself when W is none (none without such a child:
  // the layer then goes first).
  void SetLastFadedWidget(TGWidget* W);
  bool Paused() const { return FPaused; }
  // Visibility of the content: 0 black to 255 fully visible.
  float FadeValue() const { return FFadeValue; }
  void SetFadeValue(float Value) { FFadeValue = Value; }
  TFadeWindowState FadeState() const { return FFadeState; }
  void SetFadeState(TFadeWindowState Value) { FFadeState = Value; }
  bool LockUpdate() const { return FLockUpdate; }
  bool HideAfterFadeOut() const { return FHideAfterFadeOut; }
  TFadeWidget* FadeWidget() const { return FFadeWidget; }

  // The hover handling of the window, then the fade's progress.
  void Update(float DeltaTime) override;
  // The window's tree gets no time while the application is inactive or updates are locked.
  void UpdateTree(float DeltaTime) override;
  // Places the layer after the last faded child while a fade runs or is held.
  void DrawTree() override;
  void ApplicationActivate() override;
  void ApplicationDeactivate() override;
  // Copies and files leave out the fade layer.
  void AssignTo(TGObject* Dest) const override;
  TGXMLNode* SaveToXML() const override;

  // Hooks for screens: the one update and the one drawing of the frame that is fully black
  // before a fade-out completes, and the ends of the fades.
  virtual void LastUpdate(float DeltaTime) { (void)DeltaTime; }
  virtual void LastDraw() {}
  virtual void AfterFadeIn() {}
  virtual void AfterFadeOut() {}

  // Fade speed in value units per second.
  int32_t FadeSpeed = 1200;

  static void Publish(TGClassBuilder<TFadeWindow>& B);

protected:
  void Destroy() override;

private:
  class TLayerAside;
  // The layer is being freed (a Clear or Remove of the children): forget it.
  void OnWatchedDestroy(TGObject* Sender);
  // The index the layer must have in the child list: right after the last faded child.
  int32_t LayerIndex() const;
  // The layer's AlphaVal for the current fade value.
  uint8_t FadeAlpha() const;

  bool FLastUpdate = false;
  bool FPaused = false;
  TFadeWindowState FFadeState = fwsNone;
  float FFadeValue = 0;
  TFadeWidget* FFadeWidget = nullptr; // owned
  // Compared with the children only, never followed: it may have been freed since.
  TGWidget* FLastFadedWidget = nullptr;
  bool FLockUpdate = false;
  bool FHideAfterFadeOut = false;
  // The time of the current tree update, kept for a fade that runs while updates are locked.
  float FLockedFadeTime = 0;
};
