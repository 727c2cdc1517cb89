#include "Locations/Puzzles/UPuzzleClasses.h"

void RegisterDiverPathClasses() {}
