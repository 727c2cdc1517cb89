#include "UFramedWindow.h"

#include "UGApp.h"
#include "UGClassBuilder.h"

G_IMPLEMENT_CLASS(TFramedWindow)

void TFramedWindow::UpdateTree(float Interval) {
  ++FFrames;
  FGameSeconds += Interval;
  if ((FFrameLimit > 0 && FFrames >= FFrameLimit) || AppIsClosing) {
    SetVisible(false); // hiding the only window ends the program
  }
}

void TFramedWindow::KeyDown(uint16_t Key) {
  if (Key == 27) {
    SetVisible(false);
  }
}
