// The engine's class tables, filled from one list at the program's start: the resource classes
// by extension, the widget classes that window files name, the channel classes that animation
// files name and the node classes that scene files name. Lookups search in registration order,
// so the order is fixed here once; the units of the classes register nothing themselves.
#pragma once

// Fills every table of the engine; running it again changes nothing. The framework and the game
// register their classes after these.
void RegisterEngineClasses();
