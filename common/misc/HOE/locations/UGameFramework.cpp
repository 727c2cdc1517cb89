#include "locations/UGameFramework.h"

#include "animation/UGChannel.h"
#include "flow/UBasicFlowStates.h"
#include "flow/UBriefingStates.h"
#include "flow/UCommonGameState.h"
#include "flow/ULocAnimationState.h"
#include "flow/UShakeLocationState.h"
#include "flow/USpeechCueState.h"
#include "locations/ULocation.h"
#include "locations/ULocationClassRegistry.h"
#include "locations/ULocationEvents.h"
#include "locations/USimpleLocation.h"
#include "objects/UGameObjectCollection.h"
#include "objects/UInventoryBehaviors.h"
#include "objects/ULiveGameObject.h"
#include "objects/ULocationBehaviors.h"
#include "resources/UGResource.h"

namespace {

// Saved flow controls name these classes; the first of a name wins.
void RegisterFlowStateClasses() {
  TFlowStateClassRegistry& R = FlowStateClassRegistry();
  R.Clear();
  for (TGClass C : {TBaseFlowState::StaticClass(), TBaseCommonGameState::StaticClass(),
                    TBaseGameObjectState::StaticClass(), TBaseScriptState::StaticClass(),
                    TBasePauseState::StaticClass(), TCommonGameState::StaticClass(),
                    TSpeechCueState::StaticClass(), TScriptState::StaticClass(),
                    TPauseState::StaticClass(), TGameObjectState::StaticClass(),
                    TBlackScreenBriefingState::StaticClass(), TFadeOutWidgetState::StaticClass(),
                    TLocAnimationState::StaticClass(), TShakeLocationState::StaticClass()}) {
    TBaseFlowState::RegisterClass(C);
  }
}

// Location files name their class; the game's own location classes follow these.
void RegisterLocationClasses() {
  TLocationClassRegistry& R = LocationClassRegistry();
  R.Clear();
  for (TGClass C :
       {TLocation::StaticClass(), TPuzzleLocation::StaticClass(), TUnlimLocation::StaticClass(),
        TSimpleLocation::StaticClass(), TLocationWithGoalAllItemsCollected::StaticClass()}) {
    R.Add(C);
  }
}

// Location files name the states of their events.
void RegisterLocationEventClasses() {
  TLocationEventRegistry& R = LocationEventRegistry();
  R.Clear();
  for (TGClass C :
       {TLocationMusicEventState::StaticClass(), TLocationPauseEventState::StaticClass(),
        TLocationSoundEventState::StaticClass()}) {
    TLocationEventState::RegisterClass(C);
  }
}

// An object names its behaviours; the custom ones come first, so an empty name finds them.
void MakeBehaviors() {
  LocationBehaviors = new TGameObjectBehaviorCollection(nullptr);
  for (TLocationGameObjectBehavior* B : std::initializer_list<TLocationGameObjectBehavior*>{
           new TCustomLocationBehavior(LocationBehaviors),
           new TPickableLocationBehavior(LocationBehaviors),
           new TPickableZephrinLocationBehavior(LocationBehaviors),
           new TPickableHintLocationBehavior(LocationBehaviors),
           new TMuseumLocationBehavior(LocationBehaviors),
           new TMuseumMidasLocationBehavior(LocationBehaviors)}) {
    LocationBehaviors->Add(B);
  }
  InventoryBehaviors = new TGameObjectBehaviorCollection(nullptr);
  InventoryBehaviors->Add(new TCustomInventoryBehavior(InventoryBehaviors));
  InventoryBehaviors->Add(new TActableBackPackBehavior(InventoryBehaviors));
}

template <class T>
void FreeGlobal(T*& Global) {
  if (Global) {
    T* G = Global;
    Global = nullptr;
    G->Free();
  }
}

} // namespace

void StartGameFramework() {
  RegisterFlowStateClasses();
  RegisterLocationClasses();
  RegisterLocationEventClasses();
  // The game-object channel comes after the engine's channel kinds.
  TGChannel::RegisterClass(TLiveGameObject::StaticClass());
  RegisterResource(TLocation::StaticClass(), "loc", {".loc"}, 5);
  if (!GameObjectCollector) {
    GameObjectCollector = new TGameObjectCollection(nullptr, true);
  }
  if (!LocationBehaviors) {
    MakeBehaviors();
  }
}

void StopGameFramework() {
  FreeGlobal(GameObjectCollector);
  FreeGlobal(LocationBehaviors);
  FreeGlobal(InventoryBehaviors);
}
