#include "Screens/ULoadingScreen.h"

#include "Screens/UGameScreen.h"
#include "app/UGApp.h"
#include "base/UGError.h"
#include "inventory/UInventory.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGProgressBar.h"

#include <algorithm>
#include <utility>

G_IMPLEMENT_CLASS(TLoadingScreen)

void TLoadingScreen::AfterConstruction() {
  inherited::AfterConstruction();
  TGResourceLibrary* Library = MainResourceLibrary();
  if (auto* Template = Library
                           ? TryObjectCast<TGWindow>(Library->GetResourceEx(CTemplateURL, false))
                           : nullptr) {
    LoadFromTemplate(Template);
  }
  // Without its window the screen still builds the game, only nothing moves meanwhile.
  FBar = TryObjectCast<TGProgressBar>(FindWidget("Bar"));
  if (FBar) {
    FBar->SetMin(0);
    FBar->SetMax(static_cast<float>(FindLocationFiles(Library).size() + 2));
    FBar->SetPosition(0);
  }
}

void TLoadingScreen::Destroy() {
  if (FScreen) {
    FScreen->Free();
    FScreen = nullptr;
  }
  inherited::Destroy();
}

void TLoadingScreen::UpdateTree(float DeltaTime) {
  inherited::UpdateTree(DeltaTime);
  if (!FStarted && Visible()) {
    FStarted = true;
    Build();
  }
}

void TLoadingScreen::Step() {
  ++FSteps;
  if (FBar) {
    FBar->SetPosition(std::min(FBar->Max(), FBar->Position() + 1));
  }
  if (App) {
    App->RedrawWindows();
  }
}

void TLoadingScreen::Build() {
  try {
    if (!CurrentPlayer) {
      throw ::Error("There is no profile to play");
    }
    TGResourceLibrary* Library = MainResourceLibrary();
    if (Library) {
      Library->GetResourceEx(TGameScreen::CTemplateURL, false);
    }
    Step();
    if (Library) {
      Library->GetResourceEx("PDAScreen.win", false);
    }
    Step();
    auto* Screen = New<TGameScreen>(nullptr, TGameScreen::TSyncProc([this](int, int) { Step(); }));
    FScreen = Screen;
    Screen->InitGameScripts();
    CurrentPlayer->InitGameScripts();
    if (TInventory* Inventory = CurrentPlayer->Inventory()) {
      Inventory->InitGameScripts();
    }
  } catch (const std::exception& E) {
    FError = E.what();
    if (FScreen) {
      FScreen->Free();
      FScreen = nullptr;
    }
  }
  SetVisible(false);
}

TGameScreen* TLoadingScreen::TakeGameScreen() {
  return std::exchange(FScreen, nullptr);
}

TGameScreen* TLoadingScreen::BuildGameScreen(std::string& Error) {
  TGObjectPtr<TLoadingScreen> Loading(New<TLoadingScreen>());
  Loading->ShowModal();
  TGameScreen* Screen = Loading->TakeGameScreen();
  Error = Screen ? std::string() : Loading->Error();
  if (!Screen && Error.empty()) {
    Error = "The game was closed while it was loading";
  }
  return Screen;
}
