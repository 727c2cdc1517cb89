#include "Screens/UTutorialWindow.h"

#include "object/UGClassBuilder.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGButton.h"
#include "widgets/UGLabel.h"

G_IMPLEMENT_CLASS(TTutorialWindow)

void TTutorialWindow::AfterConstruction() {
  inherited::AfterConstruction();
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Template =
      Library ? TryObjectCast<TGWindow>(Library->GetResource("TutorialWindow.win")) : nullptr;
  if (Template) {
    LoadFromTemplate(Template);
  }
  GetButton("BtnOk")->OnClick = TGNotifyEvent(this, &TTutorialWindow::OnOkClick);
}

void TTutorialWindow::SetText(const std::string& Text) {
  GetLabel("Text")->SetData(Text);
}

void TTutorialWindow::OnOkClick(TGObject* Sender) {
  (void)Sender;
  Hide();
}

void ShowTutorialWindow(const std::string& Text) {
  TGObjectPtr<TTutorialWindow> W(New<TTutorialWindow>());
  W->SetText(Text);
  W->ShowModal();
}
