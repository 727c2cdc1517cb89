// The program's side of the player's screen operations: the comics, the credits, the story map,
// the museum, the journal's briefing and the stage completion, as the player's scripts and the
// play screen ask for them. One instance serves the whole run.
#pragma once

#include "player/UPlayer.h"

class TProgramScreens : public IPlayerScreens {
public:
  // Comics run modally in a comic screen; true unless the player skipped it.
  bool PlayComix(const std::string& URL, int Fading, bool AnyTimeClicks, bool ShowSkip) override;
  void PlayMapScreen() override;
  void ShowMuseum() override;
  // The credits, shown modally and freed.
  void ShowCredits() override;
  // The high-score table, shown modally and freed.
  void ShowHighScores() override;
  void PlayBriefing(const std::string& Text, const std::string& Avatar) override;
  bool ShowStageCompletion(const std::string& ShowWidget, bool SkipAnim,
                           const TSCSStats& Stats) override;
  void ExitGame() override {}
};

// The screens' classes, registered by name (for windows made by class, and for hoe-view).
void RegisterScreenClasses();
