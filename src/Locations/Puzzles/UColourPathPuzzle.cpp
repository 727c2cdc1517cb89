#include "Locations/Puzzles/UPuzzleClasses.h"

void RegisterSmallPuzzleClasses() {}
