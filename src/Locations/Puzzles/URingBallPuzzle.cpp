#include "Locations/Puzzles/UPuzzleClasses.h"

void RegisterRingBallClasses() {}
