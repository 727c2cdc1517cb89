#include "Locations/UGameClasses.h"

#include "Locations/MatchGame/UMatchGame.h"
#include "Locations/MatchGame/UMatchGameClasses.h"
#include "Locations/Puzzles/UPuzzleClasses.h"
#include "Locations/UPuzzleGameLocation.h"
#include "flow/UFlowState.h"
#include "locations/UGameFramework.h"
#include "locations/ULocationClassRegistry.h"

void RegisterGameClasses() {
  StartGameFramework();
  // The puzzle module's interactive state follows the framework's flow states.
  FlowStateClassRegistry().Add(TCommonPuzzleGameState::StaticClass());
  // Location files name the match-three location "TMatchGame".
  LocationClassRegistry().Add(TMatchGame::StaticClass());
  RegisterMatchGameClasses();
  RegisterPuzzleClasses();
}
