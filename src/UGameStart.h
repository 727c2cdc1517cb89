// The profiles of a run: the game data read (or its first profile made) before the first screen
// shows, with the program's screens serving the player's screen operations, and all of it
// stopped again after the loop.
#pragma once

class TGAbstractStartupLog;
class TGameData;

// Reads the profile list and selects its current profile; the log names it. Raises what the
// profiles' reading raises, with nothing left started.
TGameData* StartGame(TGAbstractStartupLog& Log);
// Frees the game data (the current profile is saved by its own shutdown) and forgets the screens.
void StopGame();
