// The trigger effects of a board: flags that are toggled on cells when a block reaches a
// trigger cell of a cleared board (walls that open or close, portals that appear). Read from the
// "TriggerEffects" elements of a level file; owned by the board.
#pragma once

#include "Locations/MatchGame/URowCol.h"
#include "object/UGObject.h"

#include <vector>

class TBoard;
class TGXMLNode;

struct TTriggerEffect {
  TRowCol RowCol;
  uint8_t Flag = 0; // a TCellFlag
};

class TTriggerEffects : public TGObject {
  G_CLASS(TTriggerEffects, TGObject)
  explicit TTriggerEffects(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  bool IsExecuted() const { return FIsExecuted; }
  int32_t EffectsCount() const { return static_cast<int32_t>(FEffects.size()); }
  // A range error outside 0..EffectsCount() - 1.
  const TTriggerEffect& Effect(int32_t Index) const;

  // Each child "Cell" ("Row", "Col", "Flag") changes the list; a position outside the board or a
  // flag that is not a cell flag is a range error. Executed afterwards when the list is empty.
  void LoadFromXML(const TGXMLNode& Node);
  // Removes the entry of that position and flag, or appends it when there is none: a second
  // identical entry cancels the first.
  void Change(TRowCol RowCol, uint8_t Flag);
  // Toggles each entry's flag on its cell, mapped through the board's rotation; then the list
  // is empty and the effects are executed.
  void ExecuteEffecte();

private:
  TBoard* Board() const;

  std::vector<TTriggerEffect> FEffects;
  bool FIsExecuted = false;
};
