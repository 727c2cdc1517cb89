// Globally unique identifiers in the braced text form the files keep: random (version 4),
// upper-case hexadecimal, {XXXXXXXX-XXXX-4XXX-YXXX-XXXXXXXXXXXX}. They come from the system's
// random source, or, while a recording replays, from the program's one generator, so that a
// replay saves the same bytes as the run it replays.
#pragma once

#include <string>

std::string NewGuid();
// Whether GUIDs are drawn from the program's generator (set for replays).
void SetGuidsFromProgramGenerator(bool Value);
bool GuidsFromProgramGenerator();
