// The class tables of the match-three game, filled at the program's start after the engine's:
// the item classes that level files name, in the order they are searched.
#pragma once

// Running it again changes nothing.
void RegisterMatchGameClasses();
