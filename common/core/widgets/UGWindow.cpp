#include "widgets/UGWindow.h"

#include "object/UGClassBuilder.h"
#include "widgets/UGButton.h"
#include "widgets/UGCheckBox.h"
#include "widgets/UGLabel.h"
#include "widgets/UGWindowHost.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TGWindow)

IGWindowHost* WindowHost = nullptr;

namespace {

TGPoint MousePos() {
  return WindowHost ? WindowHost->MousePos() : TGPoint{};
}

// Visible, enabled, focusable descendants of W, depth first; a hidden or disabled child is
// skipped with its subtree.
void CollectFocusable(const TGWidget* W, std::vector<TGWidget*>& List) {
  for (TGWidget* Child : W->Children()) {
    if (Child->GlobalVisible() && Child->GlobalEnabled()) {
      if (Child->AllowFocus()) {
        List.push_back(Child);
      }
      CollectFocusable(Child, List);
    }
  }
}

} // namespace

void TGWindow::Publish(TGClassBuilder<TGWindow>& B) {
  B.Property("FocusedWidget", &TGWindow::FocusedWidget, &TGWindow::SetFocusedWidget)
      .Property("PressedWidget", &TGWindow::PressedWidget)
      .Property("OverWidget", &TGWindow::OverWidget)
      .Property("BackgroundWindow", &TGWindow::BackgroundWindow)
      .Property("ReadyToDraw", &TGWindow::ReadyToDraw)
      .Method("Buttons", &TGWindow::GetButton, {"Path"})
      .Method("CheckBoxes", &TGWindow::GetCheckBox, {"Path"})
      .Method("Labels", &TGWindow::GetLabel, {"Path"})
      .Method("Pictures", &TGWindow::GetPicture, {"Path"})
      .Method("ShowModal", &TGWindow::ShowModal);
}

void TGWindow::AfterConstruction() {
  inherited::AfterConstruction();
  FExpanded = true;
}

void TGWindow::Destroy() {
  Watch(FOverWidget, nullptr);
  Watch(FFocusedWidget, nullptr);
  Watch(FPressedWidget, nullptr);
  if (FBackgroundWindow) {
    UnSubscribe(FBackgroundWindow);
    FBackgroundWindow = nullptr;
  }
  inherited::Destroy();
}

// --- The widgets the window holds on to ----------------------------------------------------------

void TGWindow::Watch(TGWidget*& Field, TGWidget* W) {
  TGWidget* Old = Field;
  if (Old == W) {
    return;
  }
  Field = W;
  auto Held = [this](const TGWidget* X) {
    return X == FOverWidget || X == FFocusedWidget || X == FPressedWidget;
  };
  // The window's own destruction needs no watching; a widget held in another field stays
  // watched.
  if (Old && Old != this && !Held(Old)) {
    UnSubscribe(Old);
  }
  if (W && W != this) {
    int Count = (W == FOverWidget) + (W == FFocusedWidget) + (W == FPressedWidget);
    if (Count == 1) {
      Subscribe(TGNotification(W, &TGObject::NotifyDestroy),
                TGNotifyEvent(this, &TGWindow::OnWatchedWidgetDestroy));
    }
  }
}

void TGWindow::OnWatchedWidgetDestroy(TGObject* Sender) {
  if (FOverWidget == Sender) {
    FOverWidget = nullptr;
  }
  if (FFocusedWidget == Sender) {
    FFocusedWidget = nullptr;
  }
  if (FPressedWidget == Sender) {
    FPressedWidget = nullptr;
  }
  if (FBackgroundWindow == Sender) {
    FBackgroundWindow = nullptr;
  }
}

void TGWindow::SetFocusedWidget(TGWidget* W) {
  Watch(FFocusedWidget, W);
}

void TGWindow::SetPressedWidget(TGWidget* W) {
  Watch(FPressedWidget, W);
}

// --- Mouse ---------------------------------------------------------------------------------------

void TGWindow::MouseDown(int Button) {
  TGWidget* W = GetWidgetAt(MousePos());
  if (!W) {
    return;
  }
  if (Button == mbLeft) {
    SetPressedWidget(W);
  }
  if (W != this) {
    W->MouseDown(Button);
  }
  if (Button == mbLeft) {
    // The handler may have freed or hidden the widget: only one still pressed takes the focus.
    if (FPressedWidget == W && W->AllowFocus()) {
      SetFocusedWidget(W);
    }
    FDragMouse = MousePos();
  }
}

void TGWindow::MouseUp(int Button) {
  if (Button == mbLeft) {
    if (!FPressedWidget) {
      return;
    }
    if (GetWidgetAt(MousePos()) == FPressedWidget) {
      FPressedWidget->Click();
    }
    // The click may have freed the widget or let go of it (a modal window shown meanwhile).
    if (FPressedWidget && FPressedWidget != this) {
      FPressedWidget->MouseUp(Button);
    }
    SetPressedWidget(nullptr);
  } else if (Button == mbRight) {
    TGWidget* W = GetWidgetAt(MousePos());
    if (W && W != this) {
      W->MouseUp(Button);
    }
  }
}

void TGWindow::MouseMove() {
  inherited::MouseMove();
  FMouseMoved = true;
}

void TGWindow::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  if (FMouseMoved) {
    FMouseMoved = false;
    UpdateMouse();
  }
}

void TGWindow::UpdateMouse() {
  const TGPoint P = MousePos();
  if (FPressedWidget && FPressedWidget->AllowDrag() && WindowHost &&
      WindowHost->ButtonHeld(mbLeft)) {
    TGWidget* W = FPressedWidget;
    W->SetLeft(W->Left() + static_cast<float>(P.X - FDragMouse.X));
    W->SetTop(W->Top() + static_cast<float>(P.Y - FDragMouse.Y));
    FDragMouse = P;
    W->MouseDrag();
    return;
  }
  TGWidget* W = GetWidgetAt(P);
  // While the left button holds a widget, no other widget hears of the mouse.
  if (FPressedWidget && W != FPressedWidget) {
    return;
  }
  if (W != FOverWidget && FOverWidget) {
    FOverWidget->MouseLeave();
    Watch(FOverWidget, nullptr);
    // The handler may have changed the tree.
    W = GetWidgetAt(P);
  }
  if (!W) {
    return;
  }
  if (W != FOverWidget) {
    Watch(FOverWidget, W);
    W->MouseEnter();
  }
  // A widget freed by its own enter handler is no longer the over widget.
  if (FOverWidget == W && W != this) {
    W->MouseMove();
  }
}

void TGWindow::DblClick() {
  TGWidget* W = GetWidgetAt(MousePos());
  if (W && W != this) {
    W->DblClick();
  }
}

void TGWindow::MouseWheelUp() {
  inherited::MouseWheelUp();
  if (FFocusedWidget && FFocusedWidget != this) {
    FFocusedWidget->MouseWheelUp();
  }
}

void TGWindow::MouseWheelDown() {
  inherited::MouseWheelDown();
  if (FFocusedWidget && FFocusedWidget != this) {
    FFocusedWidget->MouseWheelDown();
  }
}

// --- Keyboard and focus --------------------------------------------------------------------------

// A window that took the focus itself (it allows focus and was clicked) hears keys through its
// handlers, never by passing them to itself again.

void TGWindow::KeyDown(uint16_t Key) {
  if (Key == VK_TAB) {
    NextFocusedWidget();
  } else if (FFocusedWidget && FFocusedWidget != this) {
    FFocusedWidget->KeyDown(Key);
  } else if (OnKeyDown) {
    OnKeyDown(Key);
  }
}

void TGWindow::KeyPress(char32_t Key) {
  if (FFocusedWidget && FFocusedWidget != this) {
    FFocusedWidget->KeyPress(Key);
  } else if (OnKeyPress) {
    OnKeyPress(static_cast<uint32_t>(Key));
  }
}

void TGWindow::KeyUp(uint16_t Key) {
  if (FFocusedWidget && FFocusedWidget != this) {
    FFocusedWidget->KeyUp(Key);
  } else if (OnKeyUp) {
    OnKeyUp(Key);
  }
}

void TGWindow::GetFocusableWidgetList(std::vector<TGWidget*>& List) {
  CollectFocusable(this, List);
}

void TGWindow::NextFocusedWidget() {
  std::vector<TGWidget*> List;
  GetFocusableWidgetList(List);
  auto It = std::find(List.begin(), List.end(), FFocusedWidget);
  if (It != List.end()) {
    SetFocusedWidget(List[static_cast<size_t>(It - List.begin() + 1) % List.size()]);
  } else {
    SetFocusedWidget(List.empty() ? nullptr : List.front());
  }
}

void TGWindow::DeactivateWidget(TGWidget* W) {
  if (!W) {
    return;
  }
  if (FOverWidget && FOverWidget->ChildOf(W)) {
    FOverWidget->MouseLeave();
    Watch(FOverWidget, nullptr);
  }
  if (FFocusedWidget && FFocusedWidget->ChildOf(W)) {
    NextFocusedWidget();
    if (FFocusedWidget && FFocusedWidget->ChildOf(W)) {
      SetFocusedWidget(nullptr);
    }
  }
  if (FPressedWidget && FPressedWidget->ChildOf(W)) {
    SetPressedWidget(nullptr);
  }
}

// --- The window stack ----------------------------------------------------------------------------

void TGWindow::Activate() {
  if (OnActivate) {
    OnActivate(this);
  }
  if (!FFocusedWidget) {
    NextFocusedWidget();
    // While the window's show runs no widget of it is enabled, so nothing could take the focus:
    // it goes to the first focusable widget when the show has finished.
    FFocusWhenShown = !FFocusedWidget && FState == wsShowing;
  }
}

void TGWindow::Deactivate() {
  // A mouse move that arrived while the window was on top must not light up its widgets under
  // the window shown over it.
  FMouseMoved = false;
  FFocusWhenShown = false;
  if (FOverWidget) {
    FOverWidget->MouseLeave();
    Watch(FOverWidget, nullptr);
  }
  SetPressedWidget(nullptr);
  if (OnDeactivate) {
    OnDeactivate(this);
  }
}

void TGWindow::Show(TGShowOptions Options) {
  if (FState != wsDefault) {
    return;
  }
  inherited::Show(Options);
  Activate();
}

void TGWindow::Hide(TGHideOptions Options) {
  if (FState != wsDefault) {
    return;
  }
  Deactivate();
  inherited::Hide(Options);
}

void TGWindow::UpdateTree(float DeltaTime) {
  inherited::UpdateTree(DeltaTime);
  FReadyToDraw = true;
  if (FFocusWhenShown && FState == wsDefault) {
    FFocusWhenShown = false;
    if (!FFocusedWidget) {
      NextFocusedWidget();
    }
  }
}

bool TGWindow::CoversEntireScreen() const {
  if (!WindowHost) {
    return false;
  }
  const TGPoint Screen = WindowHost->ScreenSize();
  return std::fabs(FWidth - static_cast<float>(Screen.X)) < 0.001f &&
         std::fabs(FHeight - static_cast<float>(Screen.Y)) < 0.001f;
}

TGWindow* TGWindow::ShowModal() {
  if (!WindowHost) {
    throw Error("Window \"%s\" cannot be shown: there is no application", FName);
  }
  TGWindow* Background = WindowHost->GetTopWindow();
  if (Background && Background != this) {
    // Kept only while it lives: a window freed during the modal loop is forgotten.
    FBackgroundWindow = Background;
    Subscribe(TGNotification(Background, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TGWindow::OnWatchedWidgetDestroy));
  }
  struct TBackgroundEnd {
    TGWindow* Self;
    ~TBackgroundEnd() {
      if (Self->FBackgroundWindow) {
        Self->UnSubscribe(Self->FBackgroundWindow);
        Self->FBackgroundWindow = nullptr;
      }
    }
  } BackgroundEnd{this};
  Show({});
  WindowHost->Show(this);
  return this;
}

void TGWindow::LoadFromTemplate(const TGWindow* Template) {
  Assign(Template);
}

// --- Typed lookups -------------------------------------------------------------------------------

TGButton* TGWindow::GetButton(std::string_view Path) const {
  return ObjectCast<TGButton>(FindWidget(Path));
}

TGCheckBox* TGWindow::GetCheckBox(std::string_view Path) const {
  return ObjectCast<TGCheckBox>(FindWidget(Path));
}

TGLabel* TGWindow::GetLabel(std::string_view Path) const {
  return ObjectCast<TGLabel>(FindWidget(Path));
}

TGPicture* TGWindow::GetPicture(std::string_view Path) const {
  return ObjectCast<TGPicture>(FindWidget(Path));
}
