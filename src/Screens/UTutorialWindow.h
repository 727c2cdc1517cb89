// A text with an OK button, shown modally over the play screen.
#pragma once

#include "widgets/UGWindow.h"

#include <string>

class TTutorialWindow : public TGWindow {
  G_CLASS(TTutorialWindow, TGWindow)
  explicit TTutorialWindow(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  // Loads "TutorialWindow.win"; "BtnOk" hides the window, which ends its modal loop.
  void AfterConstruction() override;
  void SetText(const std::string& Text);

private:
  void OnOkClick(TGObject* Sender);
};

// Shows the text modally and frees the window afterwards.
void ShowTutorialWindow(const std::string& Text);
