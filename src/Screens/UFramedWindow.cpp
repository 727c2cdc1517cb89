#include "Screens/UFramedWindow.h"

#include "app/UGApp.h"
#include "graphics/UGGraphicsDevice.h"
#include "object/UGClassBuilder.h"

G_IMPLEMENT_CLASS(TFramedWindow)

void TFramedWindow::AfterConstruction() {
  inherited::AfterConstruction();
  // The configured screen size, else the device's (the control's client size), else 800 x 600.
  float W = 800;
  float H = 600;
  if (App && App->Parameters().Width > 0 && App->Parameters().Height > 0) {
    W = static_cast<float>(App->Parameters().Width);
    H = static_cast<float>(App->Parameters().Height);
  } else if (GD && GD->Width() > 0 && GD->Height() > 0) {
    W = static_cast<float>(GD->Width());
    H = static_cast<float>(GD->Height());
  }
  SetLeft(0);
  SetTop(0);
  SetWidth(W);
  SetHeight(H);
}

void TFramedWindow::UpdateTree(float Interval) {
  // Only frames that showed the window count: a window is drawn from the frame after its first
  // update, so "--frames 1" still ends on a frame with the window in it.
  if (ReadyToDraw()) {
    ++FFrames;
  }
  FGameSeconds += Interval;
  inherited::UpdateTree(Interval);
  if ((FFrameLimit > 0 && FFrames >= FFrameLimit) || AppIsClosing) {
    SetVisible(false); // hiding the only window ends the program
  }
}

void TFramedWindow::KeyDown(uint16_t Key) {
  if (Key == 27) {
    SetVisible(false);
    return;
  }
  inherited::KeyDown(Key);
}
