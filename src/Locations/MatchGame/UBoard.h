// The match-three board: 10 by 10 cells owned by the board, the items on them (also owned by
// the board), the trigger effects, the object that carries out the board's changes, and the
// board's queries (is it still, is it cleared, where are the blocks). It loads itself from the
// "Board" element of a level file.
#pragma once

#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UMatchFinder.h"
#include "Locations/MatchGame/URowCol.h"
#include "object/UGObject.h"

#include <array>
#include <memory>
#include <utility>
#include <vector>

class TBoardActions;
class TBoardLogic;
class TItem;
class TTriggerEffects;
class TGXMLNode;

class TBoard : public TGObject {
  G_CLASS(TBoard, TGObject)
  // Owned by the rules object ALogic, which the board asks for new items.
  TBoard(TGObject* AOwner, TBoardLogic* ALogic);

  TBoardLogic* Logic() const { return FLogic; }
  TTriggerEffects* TriggerEffects() const { return FTriggerEffects; }
  TBoardActions* Actions() const { return FActions; }
  // Replaces the object that carries out the board's changes (never none); the board owns it,
  // and the locks the old one held are released.
  void SetActions(TBoardActions* Value);
  // Quarter turns of the board picture (0..3); 0 unless set.
  int32_t Rotation() const { return FRotation; }
  void SetRotation(int32_t Value);
  bool IsShownLastCloseCell() const { return FIsShownLastCloseCell; }
  void SetIsShownLastCloseCell(bool Value) { FIsShownLastCloseCell = Value; }

  // A range error outside 0..9.
  TCell* GetCell(int32_t Row, int32_t Col) const;
  TCell* GetCell(TRowCol RC) const { return GetCell(RC.Row, RC.Col); }
  // The cells in row-major order.
  const std::array<TCell*, CBoardSize * CBoardSize>& Cells() const { return FCells; }

  // No cell is locked and every cell that is not a hole has an item.
  bool IsStill() const;
  // Every cell that is not a hole is cleared.
  bool IsCleared() const;
  // The share of cleared cells among those that are not holes, in percent; 100 when every cell
  // is a hole.
  float PercentOfCleared() const;
  // A random cell, not a hole, with covers left; none when there is none.
  TCell* GetRandomUnclearedCell() const;
  bool IsBlockHere() const;
  // The first cell in rows 0..8 (row-major) holding the block of that number; none otherwise.
  TCell* GetBlockCell(int32_t BlockIdx) const;
  // The cell below the first block in rows 0..8; none without one.
  TCell* GetCellUnderBlock() const;
  // At least three blocks stand in the three bottom rows, and no dice bonus is on the board.
  bool IsAllHeadsDown() const;

  // Count new blocks numbered BlockIdx arrive on the block origin of that position among the
  // unlocked origins (row-major), or on cell (0, 0) when there are fewer; not on a hole. The
  // board must be still (the generic error otherwise).
  void SpawnBlock(int32_t Count, int32_t BlockIdx);
  // Every cell loses its covers.
  void OpenCells();
  void RemoveBlinkingStar();
  // Drops the selection, then shuffles the items.
  void Shuffle();
  // The shuffle itself: the unlocked gems change places in pairs whose exchange makes no match;
  // the exchanged pairs are reported.
  void ShuffleExchange(std::vector<std::pair<TCell*, TCell*>>& Exchanged);

  // Board coordinates through the rotation; with Clockwise, the inverse mapping.
  TRowCol RotateRowCol(TRowCol RC, bool Clockwise) const;

  // Moving items between cells: the item leaves From and stands on To (which must be empty).
  void MoveItem(TCell* From, TCell* To);
  void ExchangeItems(TCell* A, TCell* B);

  // Matches and moves (see TMatchFinder).
  bool GetMatch(TRowCol RC, std::vector<TCell*>& Cells) { return FFinder.GetMatch(RC, Cells); }
  bool GetMatchAfterSwap(TRowCol A, TRowCol B, std::vector<TCell*>& CellsA,
                         std::vector<TCell*>& CellsB) {
    return FFinder.GetMatchAfterSwap(A, B, CellsA, CellsB);
  }
  bool FindMatch(TRowCol& Cell, TRowCol& Neighbour, bool CheckLocked) {
    return FFinder.FindMatch(Cell, Neighbour, CheckLocked);
  }
  void MarkLines(std::array<bool, CBoardSize * CBoardSize>& InLine) { FFinder.MarkLines(InLine); }

  // The board's changes under way, then every cell's check.
  void Update(float Seconds);

  // The "Board" element: its "Cell" children, then its "TriggerEffects" children.
  void LoadFromXML(const TGXMLNode& Node);

protected:
  void Destroy() override;

private:
  std::array<TCell*, CBoardSize * CBoardSize> FCells{}; // owned
  TBoardActions* FActions = nullptr;                    // owned
  TBoardLogic* FLogic;
  int32_t FRotation = 0;
  TTriggerEffects* FTriggerEffects = nullptr; // owned
  bool FIsShownLastCloseCell = false;
  TMatchFinder FFinder{*this};
};
