#include "Screens/UPDAMenuWindow.h"

#include "app/UGApp.h"

G_IMPLEMENT_CLASS(TPDAMenuWindow)

void TPDAMenuWindow::ShowBriefing(const std::string&, const std::string&, bool) {}

void TPDAMenuWindow::ShowMovie(const std::string&, bool) {}

void TPDAMenuWindow::ShowMenu(bool) {}

void TPDAMenuWindow::ShowCloseConfirmation(bool& DoClose) {
  DoClose = true;
}

bool TPDAMenuWindow::AnswerQuitRequest() {
  if (!AppIsClosing || !AppCanUnclose) {
    return false;
  }
  bool DoClose = AppIsClosing;
  ShowCloseConfirmation(DoClose);
  AppIsClosing = DoClose;
  AppCanUnclose = !DoClose;
  return true;
}
