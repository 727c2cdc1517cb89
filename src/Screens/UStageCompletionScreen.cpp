#include "Screens/UStageCompletionScreen.h"

G_IMPLEMENT_CLASS(TStageCompletionScreen)

bool TStageCompletionScreen::MyShow(const std::string&, bool, const TSCSStats&) {
  return false;
}
