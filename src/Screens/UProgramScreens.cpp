#include "Screens/UProgramScreens.h"

#include "Screens/UComixScreen.h"
#include "Screens/UCreditsScreen.h"
#include "Screens/UHelpScreen.h"
#include "Screens/UHighScoresScreen.h"
#include "Screens/UMainMenuScreen.h"
#include "Screens/UMapScreen.h"
#include "Screens/UMapUnlimHOScreen.h"
#include "Screens/UMuseumScreen.h"
#include "Screens/UPDAMenuWindow.h"
#include "Screens/USplashScreen.h"
#include "Screens/UStageCompletionScreen.h"
#include "Screens/UStartWindow.h"
#include "base/UGDebug.h"
#include "object/UGClass.h"
#include "widgets/UGWidget.h"

bool TProgramScreens::PlayComix(const std::string& URL, int Fading, bool AnyTimeClicks,
                                bool ShowSkip) {
  TGObjectPtr<TComixScreen> Comix(
      New<TComixScreen>(nullptr, TComixFading::FromScriptValue(Fading), URL));
  if (!AnyTimeClicks) {
    Comix->DisableAnyTimeClicks();
  }
  if (!ShowSkip) {
    Comix->HideSkip();
  }
  Comix->ShowModal();
  return !Comix->Skipped();
}

void TProgramScreens::PlayMapScreen() {
  TGWidget::CreateShowAndFree(TMapScreen::StaticClass());
}

void TProgramScreens::ShowMuseum() {
  TMuseumScreen::ShowMuseum();
}

void TProgramScreens::ShowCredits() {
  TGWidget::CreateShowAndFree(TCreditsScreen::StaticClass());
}

void TProgramScreens::ShowHighScores() {
  TGWidget::CreateShowAndFree(THighScoresScreen::StaticClass());
}

void TProgramScreens::PlayBriefing(const std::string& Text, const std::string& Avatar) {
  TPDAMenuWindow::ShowBriefing(Text, Avatar, false);
}

bool TProgramScreens::ShowStageCompletion(const std::string& ShowWidget, bool SkipAnim,
                                          const TSCSStats& Stats) {
  return TStageCompletionScreen::MyShow(ShowWidget, SkipAnim, Stats);
}

void RegisterScreenClasses() {
  RegisterClasses(
      {TMainMenuScreen::StaticClass(), TSplashScreen::StaticClass(), TComixScreen::StaticClass(),
       TCreditsScreen::StaticClass(), THelpScreen::StaticClass(), THighScoresScreen::StaticClass(),
       TStartWindow::StaticClass(), TMapScreen::StaticClass(), TMapUnlimHOScreen::StaticClass(),
       TMuseumScreen::StaticClass(), TPDAMenuWindow::StaticClass()});
}
