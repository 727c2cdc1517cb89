// The game's own class tables, filled at the program's start after the engine's and the
// framework's: the location classes and flow states of the puzzles and the match-three game.
#pragma once

// Starts the framework and registers the game's classes; running it again changes nothing.
void RegisterGameClasses();
