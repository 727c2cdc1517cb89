#include "app/UGAppPlugin.h"

#include "app/UGAppFramework.h"
#include "object/UGClassBuilder.h"

G_IMPLEMENT_CLASS(TGAppPlugin)

TGAppPlugin* TGAppPlugin::GetNextPlugin() const {
  if (!AppFramework) {
    return nullptr;
  }
  const auto& Plugins = AppFramework->Plugins();
  for (size_t I = 0; I < Plugins.size(); ++I) {
    if (Plugins[I] == this) {
      return I + 1 < Plugins.size() ? Plugins[I + 1] : nullptr;
    }
  }
  throw Error();
}

void TGAppPlugin::Initialize() {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->Initialize();
  }
}

void TGAppPlugin::Finalize() {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->Finalize();
  }
}

void TGAppPlugin::AppActivate() {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->AppActivate();
  }
}

void TGAppPlugin::AppDeactivate() {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->AppDeactivate();
  }
}

void TGAppPlugin::KeyDown(uint16_t Key) {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->KeyDown(Key);
  }
}

void TGAppPlugin::KeyPress(char32_t Key) {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->KeyPress(Key);
  }
}

void TGAppPlugin::KeyUp(uint16_t Key) {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->KeyUp(Key);
  }
}

void TGAppPlugin::MouseWheelUp() {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->MouseWheelUp();
  }
}

void TGAppPlugin::MouseWheelDown() {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->MouseWheelDown();
  }
}

void TGAppPlugin::MouseMove(const TGPoint& Pos) {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->MouseMove(Pos);
  }
}

void TGAppPlugin::MouseDown(int Button) {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->MouseDown(Button);
  }
}

void TGAppPlugin::MouseUp(int Button) {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->MouseUp(Button);
  }
}

void TGAppPlugin::DblClick() {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->DblClick();
  }
}

void TGAppPlugin::Draw(int64_t TickCount, bool& Success) {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->Draw(TickCount, Success);
  }
}

void TGAppPlugin::Idle(int64_t TickCount) {
  if (TGAppPlugin* Next = GetNextPlugin()) {
    Next->Idle(TickCount);
  }
}
