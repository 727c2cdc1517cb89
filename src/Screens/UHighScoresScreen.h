// The high-score table: the window file's ten rows "Score\01" to "Score\10", each with the
// labels "Name", "Score", "Time" and "Zephrins", filled from the game data's high scores, best
// first. Rows beyond the table's entries keep what the window file gives them. The "done"
// button or the program being asked to quit fade it out.
#pragma once

#include "widgets/UFadeWindow.h"

#include <cstdint>
#include <string>

class THighScores;

class THighScoresScreen : public TFadeWindow {
  G_CLASS(THighScoresScreen, TFadeWindow)
  explicit THighScoresScreen(TGObject* AOwner = nullptr)
      : TFadeWindow(AOwner) {}
  // Copies the window file, attaches the button and fills the table from the game data (nothing
  // without game data).
  void AfterConstruction() override;

  // Writes the table's entries (at most ten) into the rows; a row or label the window file
  // lacks is passed over.
  void FillTable(const THighScores& Table);

  // The fade's progress, then the fade-out when the program is asked to quit.
  void Update(float DeltaTime) override;

  // The row of entry Index (from 0): "Score\01" for the first.
  static std::string RowPath(int Index);
  // Seconds as "hh:mm:ss", two digits at least each; a negative time shows as "00:00:00".
  static std::string TimeText(int32_t Seconds);

  static constexpr const char* CTemplateURL = "HighScoresScreen.win";
  static constexpr const char* CDoneURL = "BtnDone";
  static constexpr int CRowCount = 10;

private:
  void OnDoneClick(TGObject* Sender);
};
