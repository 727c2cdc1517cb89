// The end of a chapter: the stage's artefact, then the score sheet that adds the chapter's
// bonuses to the player's score. Built from "StageCompleteScreen.win".
#pragma once

#include "player/UPlayer.h"
#include "widgets/UGWindow.h"

#include <string>

class TStageCompletionScreen : public TGWindow {
  G_CLASS(TStageCompletionScreen, TGWindow)
  explicit TStageCompletionScreen(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}

  // Shows the screen for the stage widget ShowWidget modally and frees it; SkipAnim starts at
  // the artefact's end. Nothing shows while the program is quitting. The answer is false.
  static bool MyShow(const std::string& ShowWidget, bool SkipAnim, const TSCSStats& Stats);

  static constexpr const char* CTemplateURL = "StageCompleteScreen.win";
};
