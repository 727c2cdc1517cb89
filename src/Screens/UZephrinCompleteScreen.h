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

  static constexpr const char* CTemplateURL = "ZephrinCompleteScreen.win";
};

// Shows the screen modally for a run of Time seconds and Score points in the location titled
// StageTitle, and frees it.
void ShowZephrinCompleteScreen(int32_t Time, int32_t Score, const std::string& StageTitle,
                               bool IsRecord);
