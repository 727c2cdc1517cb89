#include "Screens/UStartWindow.h"

#include "Screens/UGameScreen.h"
#include "Screens/ULoadingScreen.h"
#include "Screens/URequiredWidgets.h"
#include "app/UGApp.h"
#include "base/UGError.h"
#include "base/UGFormat.h"
#include "object/UGClassBuilder.h"
#include "platform/UHostServices.h"
#include "resources/UGLangDictionary.h"
#include "widgets/UGButton.h"
#include "widgets/UGCheckBox.h"
#include "widgets/UGLabel.h"
#include "widgets/UGPicture.h"
#include "widgets/UGProgressBar.h"

#include <algorithm>
#include <cmath>
#include <utility>

G_IMPLEMENT_CLASS(TStartWindow)

namespace {

constexpr float CCargoStep = 20;

// A widget of the start window that the table of required widgets declares.
template <class T>
consteval TRequiredWidgetOf<T> Declared(std::string_view Path) {
  return DeclaredWidget<T>(TStartWindow::CTemplateURL, Path);
}

template <class T>
T* Find(const TGWidget* Window, TRequiredWidgetOf<T> Widget) {
  return GetRequiredWidget(Window, Widget);
}

} // namespace

void TStartWindow::AfterConstruction() {
  inherited::AfterConstruction();
  if (!App) {
    throw Error("The start window needs the application object");
  }
  LoadFromTemplate(App->GetWin(CTemplateURL));
  FLights = Find(this, Declared<TGCheckBox>("LeftPanel\\Lights"));
  FHarbourLife = Find(this, Declared<TGPicture>("LeftPanel\\Harbour\\HarbourLife"));
  FProgress = Find(this, Declared<TGProgressBar>("LeftPanel\\Progress"));
  FProgressCaption = Find(this, Declared<TGLabel>("LeftPanel\\ProgressCaption"));
  FLoad = Find(this, Declared<TGButton>("LeftPanel\\Load"));
  FStory = Find(this, Declared<TGLabel>("RightPanel\\Story"));
  FPageNumber = Find(this, Declared<TGLabel>("RightPanel\\PageNumber"));
  FPreviousPage = Find(this, Declared<TGButton>("RightPanel\\PreviousPage"));
  FNextPage = Find(this, Declared<TGButton>("RightPanel\\NextPage"));
  FLighthouse = Find(this, Declared<TGButton>("RightPanel\\Lighthouse"));

  FLights->OnClick = TGNotifyEvent(this, &TStartWindow::OnLightsClick);
  FLoad->OnClick = TGNotifyEvent(this, &TStartWindow::OnLoadClick);
  FPreviousPage->OnClick = TGNotifyEvent(this, &TStartWindow::OnPreviousPageClick);
  FNextPage->OnClick = TGNotifyEvent(this, &TStartWindow::OnNextPageClick);
  FLighthouse->OnClick = TGNotifyEvent(this, &TStartWindow::OnLighthouseClick);
  Find(this, Declared<TGButton>("RightPanel\\OpenHarbour"))->OnClick =
      TGNotifyEvent(this, &TStartWindow::OnOpenHarbourClick);
  Find(this, Declared<TGButton>("RightPanel\\Quit"))->OnClick =
      TGNotifyEvent(this, &TStartWindow::OnQuitClick);

  // The story is shown a page at a time.
  FStory->SetClipping(true);
  ShowPage(0);
  ShowCargo();
  FHarbourLife->SetVisible(FLights->Checked());
  // From black, over everything; the name field has the keyboard focus from the start.
  SetFadeValue(0);
  FadeIn(false, true, nullptr);
  SetFocusedWidget(Find(this, Declared<TGWidget>("RightPanel\\NameField\\Name")));
}

float TStartWindow::Cargo() const {
  return FProgress->Position();
}

int32_t TStartWindow::StoryPage() const {
  return FStory->DrawingPage();
}

int32_t TStartWindow::StoryPageCount() const {
  return std::max(1, FStory->PageCount());
}

void TStartWindow::UpdateTree(float DeltaTime) {
  inherited::UpdateTree(DeltaTime);
  if (AppIsClosing) {
    SetVisible(false); // hiding the bottom window ends the program
  }
}

void TStartWindow::KeyDown(uint16_t Key) {
  switch (Key) {
  case VK_ESCAPE:
    Leave(aQuit);
    return;
  case VK_PRIOR:
    ShowPage(StoryPage() - 1);
    return;
  case VK_NEXT:
    ShowPage(StoryPage() + 1);
    return;
  default:
    inherited::KeyDown(Key);
  }
}

void TStartWindow::Leave(TAction Action) {
  if (FAction != aNone) {
    return; // already on the way out
  }
  FAction = Action;
  FadeOut(false, Action == aQuit, nullptr);
}

void TStartWindow::AfterFadeOut() {
  const TAction Action = std::exchange(FAction, aNone);
  switch (Action) {
  case aHarbour:
    // The harbour runs modally until Esc; then this screen fades in again.
    ShowHarbour();
    FadeIn(false, false, nullptr);
    break;
  case aReload:
    FProgress->SetPosition(FProgress->Min());
    ShowCargo();
    FadeIn(false, false, nullptr);
    break;
  default:
    break; // quitting: the window hides itself now, which ends the program
  }
}

void TStartWindow::ShowHarbour() {
  // The profile's game, built behind the loading screen, runs modally until it is left; then
  // this screen fades in again. A world that cannot be built leaves the start screen as it was.
  std::string Error;
  TGObjectPtr<TGameScreen> Screen(TLoadingScreen::BuildGameScreen(Error));
  if (!Screen) {
    ShowMessageBox("Hidden Harbour", Error, TMessageBoxKind::Error);
    return;
  }
  Screen->FadeInModal(false, nullptr);
}

void TStartWindow::OnLightsClick(TGObject*) {
  FHarbourLife->SetVisible(FLights->Checked());
}

void TStartWindow::OnLoadClick(TGObject*) {
  FProgress->SetPosition(std::min(FProgress->Max(), FProgress->Position() + CCargoStep));
  ShowCargo();
}

void TStartWindow::ShowCargo() {
  const float Range = FProgress->Max() - FProgress->Min();
  const int Percent =
      Range > 0 ? static_cast<int>(std::lround((Cargo() - FProgress->Min()) / Range * 100)) : 0;
  FProgressCaption->SetData(TranslateFormat("$Cargo loaded: %d%%$", {Percent}));
  const bool Full = Percent >= 100;
  FLoad->SetEnabled(!Full);
  // Sailing to the lighthouse needs a full hold.
  FLighthouse->SetEnabled(Full);
}

void TStartWindow::ShowPage(int32_t Page) {
  const int32_t Count = StoryPageCount();
  Page = std::clamp(Page, 0, Count - 1);
  FStory->SetDrawingPage(Page);
  FPageNumber->SetData(TranslateFormat("$Page %d of %d$", {Page + 1, Count}));
  FPreviousPage->SetEnabled(Page > 0);
  FNextPage->SetEnabled(Page < Count - 1);
}

void TStartWindow::OnPreviousPageClick(TGObject*) {
  ShowPage(StoryPage() - 1);
}

void TStartWindow::OnNextPageClick(TGObject*) {
  ShowPage(StoryPage() + 1);
}

void TStartWindow::OnOpenHarbourClick(TGObject*) {
  Leave(aHarbour);
}

void TStartWindow::OnLighthouseClick(TGObject*) {
  Leave(aReload);
}

void TStartWindow::OnQuitClick(TGObject*) {
  Leave(aQuit);
}
