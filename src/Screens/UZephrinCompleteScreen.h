// The result of a run in an unlimited hidden-object location: its time, its score and whether
// the time is a new record. Built from "ZephrinCompleteScreen.win".
#pragma once

#include "widgets/UGWindow.h"

#include <cstdint>
#include <string>

class TZephrinCompleteScreen : public TGWindow {
  G_CLASS(TZephrinCompleteScreen, TGWindow)
  explicit TZephrinCompleteScreen(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  // Loads the window file (a clear error when it is missing) and attaches "Scores\Continue".
  void AfterConstruction() override;

  // The labels of a run of Time seconds and Score points in the location titled StageTitle;
  // "New Record Time!" shows only for a record.
  void Fill(int32_t Time, int32_t Score, const std::string& StageTitle, bool IsRecord);
  // A quit request asks for confirmation; once it is confirmed the screen closes.
  void Update(float DeltaTime) override;
  void ContinueClick(TGObject* Sender);

  // "m:ss" of a count of seconds (negative counts as 0).
  static std::string TimeText(int32_t Seconds);

  static constexpr const char* CTemplateURL = "ZephrinCompleteScreen.win";
};

// Shows the screen modally for a run of Time seconds and Score points in the location titled
// StageTitle, and frees it.
void ShowZephrinCompleteScreen(int32_t Time, int32_t Score, const std::string& StageTitle,
                               bool IsRecord);
