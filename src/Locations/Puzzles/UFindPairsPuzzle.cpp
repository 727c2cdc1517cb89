#include "Locations/Puzzles/UFindPairsPuzzle.h"

#include "Locations/Puzzles/UFindPairsState.h"
#include "Locations/Puzzles/UPuzzleClasses.h"
#include "Locations/Puzzles/UTutorialStartLocation.h"
#include "Screens/UGameHint.h"
#include "Screens/UGameScreen.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "locations/ULocationClassRegistry.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"

#include <algorithm>
#include <vector>

G_IMPLEMENT_CLASS(TFindPairsPuzzle)

void RegisterFindPairsClasses() {
  LocationClassRegistry().Add(TFindPairsPuzzle::StaticClass());
  LocationClassRegistry().Add(TAlaska_01::StaticClass());
  FlowStateClassRegistry().Add(TFindPairsState::StaticClass());
}

void TFindPairsPuzzle::Publish(TGClassBuilder<TFindPairsPuzzle>& B) {
  B.Method("HintByGroupID", &TFindPairsPuzzle::HintByGroupID, {"AObject"});
}

void TFindPairsPuzzle::Activate() {
  inherited::Activate();
}

void TFindPairsPuzzle::Deactivate() {
  inherited::Deactivate();
}

void TFindPairsPuzzle::AfterObjectPick(const std::string& AObjID, int32_t AItemsLeft) {
  inherited::AfterObjectPick(AObjID, AItemsLeft);
}

void TFindPairsPuzzle::FillMainChannel() {
  new TFindPairsState(FC()->MainChannel());
}

void TFindPairsPuzzle::HintByGroupID(TGameObject* AObject) {
  TGameScreen* Screen = CurrentGameScreen();
  if (!AObject || !Screen || !Screen->Hint()) {
    return;
  }
  std::vector<TGameObject*> Twins;
  if (AObject->GroupID().empty()) {
    Twins.push_back(AObject);
  } else {
    for (int I = 0; I < Objects()->Count(); ++I) {
      TGameObject* Obj = Objects()->ItemsReadOnly(I);
      if (Obj->GroupID() == AObject->GroupID()) {
        Twins.push_back(Obj);
      }
    }
  }
  for (TGameObject* Obj : Twins) {
    Screen->Hint()->LightningBolt(Obj);
    Screen->Hint()->Spark(Obj);
  }
}
