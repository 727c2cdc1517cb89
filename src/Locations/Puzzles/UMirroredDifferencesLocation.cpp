#include "Locations/Puzzles/UMirroredDifferencesLocation.h"

#include "Screens/UClickSequenceChecker.h"
#include "Screens/UGameScreen.h"
#include "app/UGApp.h"
#include "app/UGAppFramework.h"
#include "app/UGAppInput.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "platform/UHostWindow.h"
#include "player/UPlayer.h"
#include "widgets/UGWindowHost.h"

#include <cmath>
#include <utility>

G_IMPLEMENT_CLASS(TAlaska_06c)

namespace {

const char* const CGoal = "$#GOAL#Someone's been here. Find the differences.$";
constexpr int32_t CGoalLevel = 60;
const char* const CFaultSfx = "UI\\GameScreen\\Fault.ogg";

TGPoint Rounded(float X, float Y) {
  return {static_cast<int32_t>(std::lround(X)), static_cast<int32_t>(std::lround(Y))};
}

TAlaska_06c::TPointerMover& PointerMover() {
  static TAlaska_06c::TPointerMover Mover;
  return Mover;
}

} // namespace

void TAlaska_06c::SetPointerMover(TPointerMover Mover) {
  PointerMover() = std::move(Mover);
}

void TAlaska_06c::Publish(TGClassBuilder<TAlaska_06c>& B) {
  using T = TAlaska_06c;
  B.Method("RegisterFakeCursor", &T::RegisterFakeCursor, {"AObject"})
      .Method("UnregisterFakeCursor", &T::UnregisterFakeCursor);
}

void TAlaska_06c::AfterConstruction() {
  inherited::AfterConstruction();
  FCursor = nullptr;
  FInMouseDown = false;
}

void TAlaska_06c::Destroy() {
  UnregisterFakeCursor();
  inherited::Destroy();
}

void TAlaska_06c::Activate() {
  inherited::Activate();
  Goal()->SetGoal(CGoalLevel, CGoal);
}

void TAlaska_06c::RegisterFakeCursor(TBaseGameObject* AObject) {
  UnregisterFakeCursor();
  FCursor = TryObjectCast<TGameObject>(AObject);
  if (FCursor) {
    Subscribe(TGNotification(FCursor, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TAlaska_06c::OnCursorDestroyed));
  }
}

void TAlaska_06c::UnregisterFakeCursor() {
  if (TGameObject* Cursor = FCursor) {
    FCursor = nullptr;
    UnSubscribe(Cursor);
    Cursor->SetVisible(false);
  }
}

void TAlaska_06c::OnCursorDestroyed(TGObject* Sender) {
  if (Sender == FCursor) {
    FCursor = nullptr;
  }
}

void TAlaska_06c::MovePointer(const TGPoint& Logical) {
  auto* Input = AppFramework
                    ? TryObjectCast<TGAppInput>(AppFramework->FindPlugin(TGAppInput::StaticClass()))
                    : nullptr;
  if (!Input) {
    if (App) {
      App->SetMousePos(Logical);
    }
    return;
  }
  // A replay moves no real cursor: the recorded motion carries the pointer.
  THostWindow* Control = App ? App->Parameters().Control : nullptr;
  if (Control && AppFramework->Mode() != mPlayBack) {
    const float Scaling = Input->MouseScaling() > 0 ? Input->MouseScaling() : 1.0f;
    const TGPoint Window =
        Rounded(static_cast<float>(Logical.X) / Scaling, static_cast<float>(Logical.Y) / Scaling);
    Control->SetMousePos(Window.X, Window.Y);
  }
  if (TGAppPlugin* Next = Input->GetNextPlugin()) {
    Next->MouseMove(Logical);
  }
}

void TAlaska_06c::PlaceCursor() {
  if (!FCursor || !WindowHost) {
    return;
  }
  const TGPoint& M = WindowHost->MousePos();
  const int32_t W = WindowHost->ScreenSize().X / 2;
  FCursor->SetVisible(M.Y < CPanelTop);
  FCursor->SetTop(static_cast<float>(M.Y));
  FCursor->SetLeft(static_cast<float>(M.X < W ? M.X + W : M.X - W));
}

void TAlaska_06c::Update(int32_t AInterval) {
  inherited::Update(AInterval);
  PlaceCursor();
}

void TAlaska_06c::MouseDown(int Button) {
  inherited::MouseDown(Button);
  TGameScreen* Screen = CurrentGameScreen();
  if (!FCursor || !FCursor->Visible() || FInMouseDown || !Screen) {
    return;
  }
  TClickSequenceChecker* Checker = Screen->ClickSequenceChecker();
  Checker->StartCountClicks();
  FInMouseDown = true;
  if (Button == mbLeft) {
    // First at the mirrored point, then back at the point pressed: each press puts the mirrored
    // cursor over the point the pointer left.
    for (int Pass = 0; Pass < 2; ++Pass) {
      const TGPoint To = Rounded(FCursor->Left(), FCursor->Top());
      if (PointerMover()) {
        PointerMover()(To);
      } else {
        MovePointer(To);
      }
      Screen->Update(0);
      PlaceCursor();
      Screen->MouseDown(Button);
    }
  }
  // A click that found something in either half is no miss; one that missed in both is one.
  if (Checker->PopClickCounter() > 1) {
    if (CurrentPlayer) {
      CurrentPlayer->PlaySfx(CFaultSfx);
    }
    Checker->IncorrectClick();
  }
  Screen->BlockMouseDownOnce();
  FInMouseDown = false;
}
