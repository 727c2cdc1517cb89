#include "Screens/UTipsWindow.h"

#include "Screens/UPDAMenuWindow.h"
#include "app/UGApp.h"
#include "drawables/UGGraphic.h"
#include "object/UGClassBuilder.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGButton.h"
#include "widgets/UGPicture.h"

G_IMPLEMENT_CLASS(TTipItem)
G_IMPLEMENT_CLASS(TTipsWindow)

namespace {

void FreeTip(TGObject* Obj) {
  Obj->Free();
}

bool TipsRun() {
  const TGameState S = CurrentPlayer ? CurrentPlayer->GameState() : gsGame;
  return S == gsGame || S == gsTip;
}

} // namespace

void TTipsWindow::AfterConstruction() {
  inherited::AfterConstruction();
  FLines.SetOwnsObjects(&FreeTip);
  LoadWindow();
  if (auto* Next = TryObjectCast<TGButton>(FindWidget(NextURL()))) {
    Next->OnClick = TGNotifyEvent(this, &TTipsWindow::OnNextClick);
  }
  // A layout may give the player a button of its own to put the tips away.
  if (auto* CloseButton = TryObjectCast<TGButton>(FindWidget(CloseURL()))) {
    CloseButton->OnClick = TGNotifyEvent(this, &TTipsWindow::OnCloseClick);
  }
}

void TTipsWindow::OnCloseClick(TGObject* Sender) {
  (void)Sender;
  Close();
}

void TTipsWindow::Publish(TGClassBuilder<TTipsWindow>& B) {
  B.Method("Push", &TTipsWindow::PushTip, {"AText", "AUserData"})
      .Method("Replace", &TTipsWindow::Replace, {"AText", "AUserData"})
      .Method("Clear", &TTipsWindow::Clear)
      .Method("Close", &TTipsWindow::Close)
      .Method("DeactivateItem", &TTipsWindow::DeactivateItem)
      .Property("Count", &TTipsWindow::Count);
}

void TTipsWindow::Destroy() {
  FLines.Clear();
  inherited::Destroy();
}

void TTipsWindow::LoadWindow() {
  TGResourceLibrary* Library = MainResourceLibrary();
  if (auto* Template =
          Library ? TryObjectCast<TGWindow>(Library->GetResourceEx("TipsWindow.win", false))
                  : nullptr) {
    LoadFromTemplate(Template);
  }
}

void TTipsWindow::Push(const std::string& AText, int32_t AUserData,
                       const TGNotifyEvent& AActivateProc, const TGNotifyEvent& ADeactivateProc) {
  auto* Item = new TTipItem();
  Item->Data = AUserData;
  Item->ActivateProc = AActivateProc;
  Item->DeactivateProc = ADeactivateProc;
  FLines.AddObject(AText, Item);
  UpdateNextState();
}

void TTipsWindow::Replace(const std::string& AText, int32_t AUserData) {
  Clear();
  Push(AText, AUserData);
}

void TTipsWindow::Clear() {
  FLines.Clear();
  if (TGWidget* Next = FindWidget(NextURL())) {
    Next->SetVisible(false);
  }
}

void TTipsWindow::DeactivateItem() {
  if (FLines.Count() > 0 && Item(0)->DeactivateProc) {
    Item(0)->DeactivateProc(this);
  }
}

void TTipsWindow::OnNextClick(TGObject* Sender) {
  (void)Sender;
  DeactivateItem();
  if (FLines.Count() > 0) {
    FLines.Delete(0);
  }
  UpdateNextState();
}

void TTipsWindow::UpdateNextState() {
  if (TGWidget* Next = FindWidget(NextURL())) {
    Next->SetVisible(FLines.Count() > 1);
    Next->SetEnabled(FLines.Count() > 1);
  }
}

void TTipsWindow::Close() {
  if (OnClose) {
    OnClose(this);
  }
  Hide(TGHideOptions{1u << hoWaitEffect});
}

void TTipsWindow::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  if (!TipsRun() || FLines.Count() == 0) {
    return;
  }
  TTipItem* First = Item(0);
  if (!First->Activated && First->ActivateProc) {
    First->Activated = true;
    First->ActivateProc(this);
  }
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Picture = TryObjectCast<TGPicture>(FindWidget(TextURL()));
  if (Picture && Library && FLines.Count() > 0) {
    if (auto* G = TryObjectCast<TGGraphic>(Library->GetResourceEx(FLines[0], false))) {
      Picture->SetGfx(G);
    }
  }
  // A quit request is confirmed here as on the play screen.
  TPDAMenuWindow::AnswerQuitRequest();
}
