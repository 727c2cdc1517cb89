// The heroine's hand-held device: the in-game menu with its pages (menu, briefing, movie, quit
// confirmation, options, speech log, biographies, help), built from "PDAScreen.win" and always
// shown modally and freed afterwards.
#pragma once

#include "widgets/UGWindow.h"

#include <string>

class TPDAMenuWindow : public TGWindow {
  G_CLASS(TPDAMenuWindow, TGWindow)
  explicit TPDAMenuWindow(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}

  // A briefing: the text with the face of the speaker key Avatar ("Tobrel", "Zari", ...); with
  // ASendingPicture "Sending picture..." shows for two seconds first.
  static void ShowBriefing(const std::string& BriefingText, const std::string& Avatar,
                           bool ASendingPicture);
  // A movie: the comma-separated picture widgets of the window played in order; with CantClose
  // only the stop points and Next advance it.
  static void ShowMovie(const std::string& WidgetSequence, bool CantClose);
  // The in-game menu (Escape on the play screen); with OpenLog it opens on the newest entry of
  // the speech log.
  static void ShowMenu(bool OpenLog);
  // The quit confirmation alone, shown modally; DoClose is the answer. Nothing happens (DoClose
  // keeps its value) while another confirmation is open.
  static void ShowCloseConfirmation(bool& DoClose);
  // What every full-screen window of the game does in its update: while the program is asked
  // to quit and may still refuse (AppIsClosing and AppCanUnclose), the confirmation is shown and
  // its answer becomes AppIsClosing, its negation AppCanUnclose. True when it asked.
  static bool AnswerQuitRequest();

  static constexpr const char* CTemplateURL = "PDAScreen.win";
};
