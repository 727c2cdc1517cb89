#include "Locations/UPuzzleGameLocation.h"

#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "object/UGClassBuilder.h"

G_IMPLEMENT_CLASS(TCommonPuzzleGameState)
G_IMPLEMENT_CLASS(TPuzzleGameLocation)

TCommonPuzzleGameState::TCommonPuzzleGameState(TGObject* AOwnerChannel)
    : TCommonGameState(AOwnerChannel) {
  TBaseFlowChannel* Channel = FlowChannel();
  FLocation = Channel && Channel->FlowControl() ? Channel->FlowControl()->Owner() : nullptr;
  if (FLocation) {
    Subscribe(TGNotification(FLocation, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TCommonPuzzleGameState::OnLocationDestroyed));
  }
}

void TCommonPuzzleGameState::Destroy() {
  if (FLocation) {
    UnSubscribe(FLocation);
    FLocation = nullptr;
  }
  inherited::Destroy();
}

void TCommonPuzzleGameState::OnLocationDestroyed(TGObject* Sender) {
  if (Sender == FLocation) {
    FLocation = nullptr;
  }
}

void TCommonPuzzleGameState::WindowMouseDown(int Button) {
  TCommonGameState::WindowMouseDown(Button);
  if (FLocation) {
    FLocation->MouseDown(Button);
  }
}

void TCommonPuzzleGameState::WindowMouseUp(int Button) {
  if (FLocation) {
    FLocation->MouseUp(Button);
  }
}

void TPuzzleGameLocation::Publish(TGClassBuilder<TPuzzleGameLocation>& B) {
  B.Method("DoHint", &TPuzzleGameLocation::DoHint)
      .Method("PuzzleSolved", &TPuzzleGameLocation::PuzzleSolved);
}

void TPuzzleGameLocation::FillMainChannel() {
  new TCommonPuzzleGameState(MC());
}
