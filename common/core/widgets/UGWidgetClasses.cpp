#include "widgets/UGWidgetClasses.h"

#include "animation/UGChannel.h"
#include "widgets/UGButton.h"
#include "widgets/UGCheckBox.h"
#include "widgets/UGEditBox.h"
#include "widgets/UGLabel.h"
#include "widgets/UGLiveWidget.h"
#include "widgets/UGProgressBar.h"
#include "widgets/UGWindow.h"

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
