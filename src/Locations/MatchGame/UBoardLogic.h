// The rules as the board sees them: what the board asks of the game's rules when it fills
// cells, spawns blocks, resolves matches and explodes items. TGameLogic implements it.
#pragma once

#include "Locations/MatchGame/UMatchConfig.h"
#include "Locations/MatchGame/URowCol.h"
#include "object/UGObject.h"

#include <vector>

class TBonusItem;
class TCell;
class TItem;

class TBoardLogic : public TGObject {
  G_CLASS(TBoardLogic, TGObject)
  explicit TBoardLogic(TGObject* AOwner = nullptr, const TMatchConfig& AConfig = {})
      : TGObject(AOwner)
      , FConfig(AConfig) {}

  // The gem kind whose match opens a locked socket.
  int32_t LockedSocketKind() const { return FLockedSocketKind; }
  bool IsLockedBlockSocket() const { return FIsLockedBlockSocket; }
  const TMatchConfig& Config() const { return FConfig; }

  virtual void SetIsLockedBlockSocket(bool Value) { FIsLockedBlockSocket = Value; }
  // A new item for the cell at RowCol, which is being filled; it is not put on the cell yet.
  virtual TItem* CreateItem(TGObject* AOwner, TRowCol RowCol) = 0;
  virtual TItem* CreateBlock(TGObject* AOwner, int32_t BlockIdx) = 0;
  virtual void OnActivateBonus(TBonusItem* Bonus) = 0;
  virtual void OnExplodeItem(TItem* Item) = 0;
  // The resolution of a match whose cells are ready: points, a bonus, the explosions. Bonus1 and
  // Bonus2 are the cells preferred for the bonus.
  virtual void ResolveMatch(std::vector<TCell*> Cells, TRowCol Bonus1, TRowCol Bonus2) = 0;
  // A block left the board at the bottom: one piece collected.
  virtual void OnCollectBlock(TItem* Block) = 0;

protected:
  int32_t FLockedSocketKind = 0;
  bool FIsLockedBlockSocket = false;
  TMatchConfig FConfig;
};
