#include "app/UGApplication.h"

#include "base/UGDebug.h"
#include "base/UGError.h"

TGApplication* Application = nullptr;

TGApplication::TGApplication() {
  if (!Application) {
    Application = this;
    MessageLoop = this;
  }
  OnException = [this](const std::string& Text) {
    ShowMessageBox(FTitle.empty() ? std::string("Error") : FTitle, Text, TMessageBoxKind::Error);
  };
}

TGApplication::~TGApplication() {
  if (FMainWindow && FMainWindow->Listener() == this) {
    FMainWindow->SetListener(nullptr);
  }
  if (Application == this) {
    Application = nullptr;
    MessageLoop = nullptr;
  }
}

void TGApplication::SetMainWindow(THostWindow* Window) {
  if (FMainWindow && FMainWindow->Listener() == this) {
    FMainWindow->SetListener(nullptr);
  }
  FMainWindow = Window;
  if (Window) {
    Window->SetListener(this);
    if (!FTitle.empty()) {
      Window->SetTitle(FTitle);
    }
  }
}

void TGApplication::SetTitle(const std::string& Value) {
  FTitle = Value;
  if (FMainWindow) {
    FMainWindow->SetTitle(Value);
  }
}

bool TGApplication::IsMinimized() const {
  return FMainWindow && FMainWindow->IsMinimized();
}

void TGApplication::Minimize() {
  if (FMainWindow) {
    FMainWindow->Minimize();
  }
}

void TGApplication::ShowException(const std::exception& E) {
  const EGException* Engine = dynamic_cast<const EGException*>(&E);
  std::string Text = Engine ? Engine->Message() : std::string(E.what());
  ODS("Exception: " + Text);
  if (OnException) {
    OnException(Text);
  }
}

int TGApplication::AddLoopHook(std::function<void()> Hook) {
  FLoopHooks.emplace_back(FNextHookId, std::move(Hook));
  return FNextHookId++;
}

void TGApplication::RemoveLoopHook(int Id) {
  std::erase_if(FLoopHooks, [Id](const auto& Hook) { return Hook.first == Id; });
}

void TGApplication::RunHooks() {
  // A hook may remove hooks: walk a copy.
  auto Hooks = FLoopHooks;
  for (const auto& Hook : Hooks) {
    Hook.second();
  }
}

void TGApplication::HandleMessage() {
  try {
    RunHooks();
    if (FMainWindow && FMainWindow->PumpOne()) {
      return;
    }
    bool Done = true;
    if (OnIdle) {
      // A copy: the handler may replace OnIdle (a replay going live), which would destroy the
      // closure that is running.
      const auto Idle = OnIdle;
      Idle(Done);
    }
    if (Done && !FTerminated && FMainWindow) {
      FMainWindow->WaitEvent(100);
    }
  } catch (const std::exception& E) {
    ShowException(E);
  }
}

void TGApplication::Run() {
  while (!FTerminated) {
    HandleMessage();
  }
}

void TGApplication::ProcessMessages() {
  try {
    while (FMainWindow && FMainWindow->PumpOne()) {
    }
  } catch (const std::exception& E) {
    ShowException(E);
  }
}

void TGApplication::HostKeyDown(std::uint16_t Key) {
  if (FControlListener) {
    FControlListener->HostKeyDown(Key);
  }
}

void TGApplication::HostKeyUp(std::uint16_t Key) {
  if (FControlListener) {
    FControlListener->HostKeyUp(Key);
  }
}

void TGApplication::HostKeyPress(char32_t Ch) {
  if (FControlListener) {
    FControlListener->HostKeyPress(Ch);
  }
}

void TGApplication::HostMouseMove(int X, int Y) {
  if (FControlListener) {
    FControlListener->HostMouseMove(X, Y);
  }
}

void TGApplication::HostMouseDown(int Button) {
  if (FControlListener) {
    FControlListener->HostMouseDown(Button);
  }
}

void TGApplication::HostMouseUp(int Button) {
  if (FControlListener) {
    FControlListener->HostMouseUp(Button);
  }
}

void TGApplication::HostDblClick() {
  if (FControlListener) {
    FControlListener->HostDblClick();
  }
}

void TGApplication::HostWheelUp() {
  if (FControlListener) {
    FControlListener->HostWheelUp();
  }
}

void TGApplication::HostWheelDown() {
  if (FControlListener) {
    FControlListener->HostWheelDown();
  }
}

void TGApplication::HostActivate() {
  FActive = true;
  if (OnActivate) {
    OnActivate();
  }
}

void TGApplication::HostDeactivate() {
  FActive = false;
  if (OnDeactivate) {
    OnDeactivate();
  }
}

void TGApplication::HostMinimized() {
  if (OnMinimize) {
    OnMinimize();
  }
}

void TGApplication::HostRestored() {
  if (OnRestore) {
    OnRestore();
  }
}

void TGApplication::HostCloseRequest() {
  if (FControlListener) {
    FControlListener->HostCloseRequest();
  }
  if (OnCloseQuery) {
    OnCloseQuery();
  }
}
