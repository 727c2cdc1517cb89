#include "app/UGAppInput.h"

#include "app/UGApp.h"
#include "app/UGAppFramework.h"
#include "app/UGApplication.h"
#include "app/replay/UGAppPlayer.h"
#include "object/UGClassBuilder.h"

#include <cmath>

G_IMPLEMENT_CLASS(TGAppInput)

TGAppInput::TGAppInput(THostWindow* AControl, TGClock& AClock)
    : TGAppPlugin(nullptr)
    , FControl(AControl)
    , FTimer(AClock) {}

bool TGAppInput::Minimized() const {
  return Application && Application->IsMinimized();
}

void TGAppInput::Initialize() {
  inherited::Initialize();
  if (Application) {
    Application->SetControlListener(&FListener);
  }
  // Playback replaces the live input: the player plug-in takes over then.
  SetEnabled(!AppFramework || !AppFramework->FindPlugin(TGAppPlayer::StaticClass()));
}

void TGAppInput::ResumeLiveInput(int64_t TickCount) {
  FTimer.ContinueFrom(TickCount);
  if (Application) {
    Application->SetControlListener(&FListener);
  }
  SetEnabled(true);
}

void TGAppInput::Finalize() {
  inherited::Finalize();
  SetEnabled(false);
  if (Application) {
    Application->SetControlListener(nullptr);
    Application->OnActivate = nullptr;
    Application->OnRestore = nullptr;
    Application->OnDeactivate = nullptr;
    Application->OnMinimize = nullptr;
    Application->OnIdle = nullptr;
  }
}

void TGAppInput::SetEnabled(bool Value) {
  if (Value && Application) {
    Application->OnActivate = [this] { OnActivate(); };
    Application->OnRestore = [this] { OnActivate(); };
    Application->OnDeactivate = [this] { OnDeactivate(); };
    Application->OnMinimize = [this] { OnDeactivate(); };
    Application->OnIdle = [this](bool& Done) { OnIdle(Done); };
  }
  FEnabled = Value;
}

void TGAppInput::OnIdle(bool& Done) {
  TGAppPlugin* Next = GetNextPlugin();
  if (!FEnabled || !Next) {
    return;
  }
  Done = false; // idle turns follow each other while the chain runs
  bool IsMinimized = Minimized();
  if (!FTimer.Wait(IsMinimized)) {
    return;
  }
  if (IsMinimized) {
    if (App) {
      App->PauseAudio(true);
    }
    Next->Idle(FTimer.TickCount());
    return;
  }
  if (App && App->AppActive()) {
    App->PauseAudio(false);
  }
  bool Drawn = false;
  Next->Draw(FTimer.TickCount(), Drawn);
  if (!Drawn) {
    Next->Idle(FTimer.TickCount());
  }
}

void TGAppInput::OnActivate() {
  if (!FEnabled || Minimized() || FAppActive) {
    return;
  }
  FAppActive = true;
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->AppActivate();
  }
  FTimer.Reset(); // the inactive time is not a frame interval
}

void TGAppInput::OnDeactivate() {
  if (!FEnabled || !FAppActive) {
    return;
  }
  FAppActive = false;
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->AppDeactivate();
  }
}

void TGAppInput::TListener::HostKeyDown(std::uint16_t Key) {
  if (FOwner.FEnabled) {
    FOwner.inherited::KeyDown(Key);
  }
}

void TGAppInput::TListener::HostKeyUp(std::uint16_t Key) {
  if (FOwner.FEnabled) {
    FOwner.inherited::KeyUp(Key);
  }
}

void TGAppInput::TListener::HostKeyPress(char32_t Ch) {
  if (FOwner.FEnabled) {
    FOwner.inherited::KeyPress(Ch);
  }
}

void TGAppInput::TListener::HostMouseMove(int X, int Y) {
  if (!FOwner.FEnabled) {
    return;
  }
  FOwner.FMousePos = TGPoint{X, Y};
  FOwner.inherited::MouseMove(TGPoint{static_cast<int32_t>(std::lround(X * FOwner.FMouseScaling)),
                                      static_cast<int32_t>(std::lround(Y * FOwner.FMouseScaling))});
}

void TGAppInput::TListener::HostMouseDown(int Button) {
  if (FOwner.FEnabled) {
    FOwner.inherited::MouseDown(Button);
  }
}

void TGAppInput::TListener::HostMouseUp(int Button) {
  if (FOwner.FEnabled) {
    FOwner.inherited::MouseUp(Button);
  }
}

void TGAppInput::TListener::HostDblClick() {
  if (FOwner.FEnabled) {
    FOwner.inherited::DblClick();
  }
}

void TGAppInput::TListener::HostWheelUp() {
  if (FOwner.FEnabled) {
    FOwner.inherited::MouseWheelUp();
  }
}

void TGAppInput::TListener::HostWheelDown() {
  if (FOwner.FEnabled) {
    FOwner.inherited::MouseWheelDown();
  }
}

void TGAppInput::TListener::HostCloseRequest() {
  if (FOwner.FEnabled && App) {
    App->SetIsAppClosingFlag();
  }
}
