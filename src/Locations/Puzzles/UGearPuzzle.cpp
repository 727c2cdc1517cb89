#include "Locations/Puzzles/UPuzzleClasses.h"

void RegisterGearClasses() {}
