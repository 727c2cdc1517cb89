// Registration of the puzzle location classes, so that location files can name them.
#pragma once

void RegisterPuzzleClasses();

// Each group's own registration, in the unit of its main class.
void RegisterFindPairsClasses();   // the find-pairs puzzle and the tutorial start location
void RegisterGearClasses();        // the gear puzzle and the rings puzzle
void RegisterRingBallClasses();    // the ring-and-ball puzzle
void RegisterDiverPathClasses();   // the diver-path puzzle
void RegisterSmallPuzzleClasses(); // colour path, ore detector, differences, x-ray lens, avatar
