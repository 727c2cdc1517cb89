#include "Screens/UTipsWindowEx.h"

#include "Screens/UCursorStates.h"
#include "Screens/UGameCursor.h"
#include "Screens/UGameScreen.h"
#include "app/UGApp.h"
#include "drawables/UGGraphic.h"
#include "object/UGClassBuilder.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"

G_IMPLEMENT_CLASS(TTipsWindowEx)

void TTipsWindowEx::AfterConstruction() {
  inherited::AfterConstruction();
  FPlayer = CurrentPlayer;
  if (FPlayer) {
    FPlayer->PushState(gsTip);
  }
  UpdateNextState();
}

void TTipsWindowEx::Publish(TGClassBuilder<TTipsWindowEx>& B) {
  B.Method("OnClose", &TTipsWindowEx::OnCloseClick, {"Sender"});
}

void TTipsWindowEx::LoadWindow() {
  TGResourceLibrary* Library = MainResourceLibrary();
  if (auto* Template =
          Library ? TryObjectCast<TGWindow>(Library->GetResourceEx("TipsWindowEx.win", false))
                  : nullptr) {
    LoadFromTemplate(Template);
  }
}

void TTipsWindowEx::UpdateNextState() {
  inherited::UpdateNextState();
  TGWidget* Next = FindWidget(NextURL());
  if (TGWidget* CloseButton = FindWidget(CloseURL())) {
    const bool Last = !Next || !Next->Visible();
    CloseButton->SetVisible(Last);
    CloseButton->SetEnabled(Last);
  }
}

void TTipsWindowEx::OnCloseClick(TGObject* Sender) {
  (void)Sender;
  if (FClosing) {
    return; // a second click while the window fades out
  }
  if (State() == wsShowing) {
    return; // the window cannot hide while it still appears: the click would close nothing
  }
  FClosing = true;
  DeactivateItem();
  LeaveTipState();
  Hide(TGHideOptions{1u << hoDestroyAfterHide});
}

void TTipsWindowEx::LeaveTipState() {
  if (FPlayer && FPlayer == CurrentPlayer) {
    FPlayer->PopState(gsTip);
  }
  FPlayer = nullptr;
}

void TTipsWindowEx::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  // The window is the player's only business while it is open: the pointer everywhere.
  if (TGameScreen* Screen = CurrentGameScreen()) {
    Screen->GameCursor()->BeginUpdate();
    Screen->GameCursor()->SetCursor(TPointerCursorState::StaticClass(), nullptr, nullptr);
    Screen->GameCursor()->EndUpdate();
  }
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Pointer =
      Library
          ? TryObjectCast<TGGraphic>(Library->GetResourceEx(TPointerCursorState::CGfxURL, false))
          : nullptr;
  if (Pointer && Cursor() != Pointer) {
    SetCursor(Pointer);
  }
}

void TTipsWindowEx::Destroy() {
  LeaveTipState();
  inherited::Destroy();
}
