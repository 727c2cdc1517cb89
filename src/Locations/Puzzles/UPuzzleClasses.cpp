#include "Locations/Puzzles/UPuzzleClasses.h"

void RegisterPuzzleClasses() {
  RegisterFindPairsClasses();
  RegisterGearClasses();
  RegisterRingBallClasses();
  RegisterDiverPathClasses();
  RegisterSmallPuzzleClasses();
}
