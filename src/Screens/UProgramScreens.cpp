#include "Screens/UProgramScreens.h"

#include "Screens/UComixScreen.h"
#include "Screens/UCreditsScreen.h"
#include "Screens/UHelpScreen.h"
#include "Screens/UHighScoresScreen.h"
#include "Screens/UMainMenuScreen.h"
#include "Screens/USplashScreen.h"
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
  ODS("The map screen is not part of this game yet");
}

void TProgramScreens::ShowMuseum() {
  ODS("The museum is not part of this game yet");
}

void TProgramScreens::ShowCredits() {
  TGWidget::CreateShowAndFree(TCreditsScreen::StaticClass());
}

void TProgramScreens::PlayBriefing(const std::string& Text, const std::string&) {
  ODS("No journal shows the briefing \"%s\" yet", Text);
}

bool TProgramScreens::ShowStageCompletion(const std::string& ShowWidget, bool, const TSCSStats&) {
  ODS("No stage completion screen shows \"%s\" yet", ShowWidget);
  return false;
}

void RegisterScreenClasses() {
  RegisterClasses({TMainMenuScreen::StaticClass(), TSplashScreen::StaticClass(),
                   TComixScreen::StaticClass(), TCreditsScreen::StaticClass(),
                   THelpScreen::StaticClass(), THighScoresScreen::StaticClass(),
                   TStartWindow::StaticClass()});
}
