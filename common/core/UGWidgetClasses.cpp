#include "UGWidgetClasses.h"

#include "UGButton.h"
#include "UGChannel.h"
#include "UGCheckBox.h"
#include "UGEditBox.h"
#include "UGLabel.h"
#include "UGLiveWidget.h"
#include "UGProgressBar.h"
#include "UGWindow.h"

void RegisterWidgetClasses() {
  // Window files name their classes; the first registered class of a name wins, so the order
  // is fixed here once and the list starts empty on every start-up.
  TGWidget::UnregisterClasses();
  TGWidget::RegisterClass(TGEditBox::StaticClass());
  TGWidget::RegisterClass(TGWidget::StaticClass());
  TGWidget::RegisterClass(TGWindow::StaticClass());
  TGWidget::RegisterClass(TGPicture::StaticClass());
  TGWidget::RegisterClass(TGButton::StaticClass());
  TGWidget::RegisterClass(TGCheckBox::StaticClass());
  TGWidget::RegisterClass(TGLabel::StaticClass());
  TGWidget::RegisterClass(TGProgressBar::StaticClass());
  RegisterResource(TGWindow::StaticClass(), "win", {".win"}, 1);
  // Channel ids are searched in registration order, and the widget channel comes first.
  TGChannel::RegisterClass(TGLiveWidget::StaticClass());
}
