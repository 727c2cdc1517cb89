#include "Locations/Puzzles/UPuzzleClasses.h"

void RegisterFindPairsClasses() {}
