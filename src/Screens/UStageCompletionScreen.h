// The end of a chapter: the stage's artefact, then the score sheet that adds the chapter's
// bonuses to the player's score. Built from "StageCompleteScreen.win".
#pragma once

#include "player/UPlayer.h"
#include "widgets/UGWindow.h"

#include <cstdint>
#include <string>

class TStageCompletionScreen : public TGWindow {
  G_CLASS(TStageCompletionScreen, TGWindow)
  explicit TStageCompletionScreen(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  // Loads the window file and attaches the buttons; a missing file is a clear error.
  void AfterConstruction() override;

  // Shows the screen for the stage widget ShowWidget modally and frees it; SkipAnim starts at
  // the artefact's end. Nothing shows while the program is quitting. The answer is false.
  static bool MyShow(const std::string& ShowWidget, bool SkipAnim, const TSCSStats& Stats);

  // What MyShow does before the modal run: the stage's picture, the first music and the score
  // sheet (hidden), whose totals go into the current player's score.
  void Prepare(const std::string& ShowWidget, bool SkipAnim, const TSCSStats& Stats);
  // Continue: the first shows the score sheet, the second closes; nothing while the sheet
  // shows or hides.
  void ContinueClick(TGObject* Sender);
  // The background track after 7 seconds; a quit request asks for confirmation and presses
  // Continue.
  void Update(float DeltaTime) override;

  float Timer() const { return FTimer; }
  int32_t JingleTag() const { return FJingleTag; }
  // The rows added to the sheet, in order ("ChapterScore0", "Score1", ...).
  int32_t RowCount() const { return FRowCount; }

  // "m:ss" of a count of seconds (negative counts as 0).
  static std::string MinutesText(int32_t Seconds);

  static constexpr const char* CTemplateURL = "StageCompleteScreen.win";
  static constexpr const char* CJingleURL = "UI\\GameScreen\\JingleEndLevel.ogg";
  static constexpr const char* CStatsTrackURL = "UI\\GameScreen\\StatsTrack.ogg";
  static constexpr float CStatsTrackDelay = 7;
  static constexpr int32_t CStageCount = 7;
  static constexpr int32_t CRowGap = 15;

private:
  void StartJingle();
  void FillHeader(const TSCSStats& Stats);
  void FillRows(const TSCSStats& Stats);
  // A copy of the template under "Scores" at the running top: the row (a label) shows Caption,
  // its label "Score" the number and its label "Data", where it has one, Data.
  void AddRow(const char* Template, const std::string& Caption, const std::string& Data,
              int64_t Score);
  void OnMuseumClick(TGObject* Sender);

  float FTimer = 0;
  int32_t FJingleTag = 0;
  int32_t FRowCount = 0;
  float FRowTop = 0;
};
