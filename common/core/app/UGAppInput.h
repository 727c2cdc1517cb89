// The input plug-in: the first link of the chain in a normal run. It takes the host window's
// input and the message loop's idle turns, paces frames with its timer and hands input, frames
// and activation changes to the next plug-in.
#pragma once

#include "app/UGAppPlugin.h"
#include "app/UGInputTimer.h"
#include "platform/UHostWindow.h"

class TGAppInput : public TGAppPlugin {
  G_CLASS(TGAppInput, TGAppPlugin)
  explicit TGAppInput(THostWindow* AControl, TGClock& AClock = SystemClock());
  explicit TGAppInput(TGObject* AOwner = nullptr)
      : TGAppInput(static_cast<THostWindow*>(nullptr)) {
    SetOwner(AOwner);
  }

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  float MouseScaling() const { return FMouseScaling; }
  void SetMouseScaling(float Value) { FMouseScaling = Value; }
  TGInputTimer& Timer() { return FTimer; }
  bool AppActive() const { return FAppActive; }

  void Initialize() override;
  void Finalize() override;
  // Takes the host window's input and the loop's idle turns again after playback, the game time
  // going on from TickCount.
  void ResumeLiveInput(int64_t TickCount);

  // The message loop's idle turn: one frame when it is due. Done tells the loop to wait.
  void OnIdle(bool& Done);
  void OnActivate();
  void OnDeactivate();

private:
  // The host window's input, forwarded along the chain.
  class TListener : public IHostListener {
  public:
    explicit TListener(TGAppInput& AOwner)
        : FOwner(AOwner) {}
    void HostKeyDown(std::uint16_t Key) override;
    void HostKeyUp(std::uint16_t Key) override;
    void HostKeyPress(char32_t Ch) override;
    void HostMouseMove(int X, int Y) override;
    void HostMouseDown(int Button) override;
    void HostMouseUp(int Button) override;
    void HostDblClick() override;
    void HostWheelUp() override;
    void HostWheelDown() override;
    void HostActivate() override {}
    void HostDeactivate() override {}
    void HostMinimized() override {}
    void HostRestored() override {}
    void HostCloseRequest() override;

  private:
    TGAppInput& FOwner;
  };

  bool Minimized() const;

  bool FAppActive = false;
  THostWindow* FControl;
  bool FEnabled = false;
  TGPoint FMousePos;
  float FMouseScaling = 1.0f;
  TGInputTimer FTimer;
  TListener FListener{*this};
};
