// An explosion chain: what a line or cross bonus sends out when it explodes. Its head runs from
// the bonus's cell along one direction at 500 pixels a second, trailing sparks, and explodes the
// item of every free cell it enters (so it sets off other bonuses on its way), for at most nine
// cells beyond the bonus. It stops at the board's edge, at a hole and before a block. A chain
// along a column holds the cells of its way until it enters them, so that nothing falls past
// it. The chain that stays in place explodes what stands on the bonus's own cell until its
// head's animation ends.
#pragma once

#include "Locations/MatchGame/URowCol.h"
#include "Locations/MatchGame/UTask.h"

#include <string>
#include <vector>

class TGSymbol;
class TGGraphicCollection;

// The cells a chain may enter after its origin.
constexpr int32_t CChainCellCount = 9;

class TExplosionChain : public TBoardTask {
  G_CLASS(TExplosionChain, TBoardTask)
  // A chain from Origin along Direction (one of the step constants) with the trail GraphicURL
  // (a line chain when the URL names "Line", a cross chain when it names "Cross"). Its first
  // update, with no time, runs at once.
  TExplosionChain(TTaskProcessor* AProcessor, TRowCol AOrigin, TRowCol ADirection,
                  const std::string& GraphicURL, int32_t ACellCount);

  TRowCol Direction() const { return FDirection; }
  TRowCol Origin() const { return FOrigin; }
  TGFlatVector Position() const { return FPosition; }
  int32_t ImplodedCells() const { return FImplodedCells; }
  bool IsLineChain() const { return FIsLine; }
  // Whether the trail is a symbol of the screen's pool.
  bool HasPooledEffect() const { return FEffect && FEffectPooled; }
  TGSymbol* Arrow() const { return FArrow; }
  TGSymbol* Effect() const { return FEffect; }

  void Update(float Seconds) override;
  // A running chain along its row keeps its origin row in place.
  int32_t BlockedRow() const override;

  // The rows that must neither fall nor refill while they burn: the origin row of every running
  // chain that runs along its row. Each row once, in the order of the tasks.
  static std::vector<int32_t> HorizontalChainRows(const TTaskProcessor& Processor);

protected:
  void Destroy() override;

private:
  void MakeEffect(const std::string& GraphicURL);
  void MakeArrow();
  void HoldCellsAhead();
  bool GoesOn(const TCell* C, TRowCol RC) const;
  void Place();
  void OnEffectDestroy(TGObject* Sender);

  TGSymbol* FArrow = nullptr;  // owned
  TGSymbol* FEffect = nullptr; // pooled, or owned when the pool had none
  TRowCol FDirection;
  TRowCol FOrigin;
  TGFlatVector FPosition{};
  float FSpeed = 500;
  TCell* FCell = nullptr;
  TGFlatVector FHotSpot{};
  TGFlatVector FArrowHotSpot{};
  int32_t FImplodedCells = 0;
  int32_t FImplodeCellsCount = CChainCellCount;
  bool FIsLine = false;
  bool FEffectPooled = false;
  // No board panel draws (and so updates) the symbols: the chain advances them itself.
  bool FUpdatesSymbols = false;
};
