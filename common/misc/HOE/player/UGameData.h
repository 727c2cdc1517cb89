// The game data: the one object that holds the list of player profiles, the high scores and
// the start-up log. What the locations need of it is the in-game editor flag, which changes
// how locations load, save and run; only an editor sets it.
#pragma once

#include "object/UGObject.h"

class TBaseGameData : public TGObject {
  G_CLASS(TBaseGameData, TGObject)
  explicit TBaseGameData(TGObject* AOwner = nullptr);

  bool InGameEditor = false;

protected:
  void Destroy() override;
};

// The program's game data, or none before it is made.
extern TBaseGameData* GameData;

// Whether the in-game editor is running (never in the game itself).
inline bool InGameEditor() {
  return GameData && GameData->InGameEditor;
}
