#include "Screens/UZephrinCompleteScreen.h"

#include "Screens/UPDAMenuWindow.h"
#include "app/UGApp.h"
#include "base/UGDebug.h"
#include "base/UGError.h"
#include "base/UGFormat.h"
#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGLabel.h"

#include <algorithm>
#include <exception>

G_IMPLEMENT_CLASS(TZephrinCompleteScreen)

namespace {

void SetLabel(TGWidget* W, const std::string& Text) {
  if (auto* Label = TryObjectCast<TGLabel>(W)) {
    Label->SetData(Text);
  }
}

} // namespace

void TZephrinCompleteScreen::AfterConstruction() {
  inherited::AfterConstruction();
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Template =
      Library ? TryObjectCast<TGWindow>(Library->GetResourceEx(CTemplateURL, false)) : nullptr;
  if (!Template) {
    throw Error("The bird completion screen's window \"%s\" is missing or holds no window",
                std::string(CTemplateURL));
  }
  LoadFromTemplate(Template);
  if (TGWidget* W = FindWidget("Scores\\Continue")) {
    W->OnClick = TGNotifyEvent(this, &TZephrinCompleteScreen::ContinueClick);
  } else {
    ODS("The bird completion screen has no \"Scores\\Continue\"");
  }
}

void TZephrinCompleteScreen::Fill(int32_t Time, int32_t Score, const std::string& StageTitle,
                                  bool IsRecord) {
  SetLabel(FindWidget("Scores\\StageTitle"), Format("%s $complete$!", {StageTitle}));
  SetLabel(FindWidget("Scores\\Score\\Score"), IntToStrSeparatedEx(Score, "$,$"));
  SetLabel(FindWidget("Scores\\Time\\Score"), TimeText(Time));
  if (TGWidget* Record = FindWidget("New Record Time!")) {
    Record->SetVisible(IsRecord);
  }
}

std::string TZephrinCompleteScreen::TimeText(int32_t Seconds) {
  const int32_t T = std::max(Seconds, 0);
  return Format("%d:%s", {T / 60, IdxToStr(T % 60)});
}

void TZephrinCompleteScreen::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  TPDAMenuWindow::AnswerQuitRequest();
  if (AppIsClosing) {
    ContinueClick(this);
  }
}

void TZephrinCompleteScreen::ContinueClick(TGObject*) {
  Hide();
}

void ShowZephrinCompleteScreen(int32_t Time, int32_t Score, const std::string& StageTitle,
                               bool IsRecord) {
  try {
    TGObjectPtr<TZephrinCompleteScreen> Screen(New<TZephrinCompleteScreen>());
    Screen->Fill(Time, Score, StageTitle, IsRecord);
    Screen->ShowModal();
  } catch (const std::exception& E) {
    ODS("The bird completion screen cannot be shown: %s", std::string(E.what()));
  }
}
