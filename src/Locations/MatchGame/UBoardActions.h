// How the changes of the match-three board are carried out. The rules decide what changes
// (which items swap, explode, fall, arrive or leave); an action object makes the change. This
// one makes every change at once, without animation, which is how the rules run headless, in
// tests and in benchmarks; the board's task processor, which animates the changes on the match
// screen, replaces it by overriding these operations.
//
// Cells a change works on are locked while it is under way, with this object as their task:
// the selected cell, and the cells of the matches that wait for their resolution. Matches wait
// until the next update, so that the matches found in one frame can merge first.
#pragma once

#include "Locations/MatchGame/URowCol.h"
#include "object/UGObject.h"

#include <string>
#include <string_view>
#include <vector>

class TBoard;
class TCell;
class TItem;

class TBoardActions : public TGObject {
  G_CLASS(TBoardActions, TGObject)
  // Owned by the board.
  explicit TBoardActions(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  TBoard* Board() const;

  // --- The player's selection ---
  virtual TCell* SelectedCell() const { return FSelected; }
  // Locks the cell and shows its item's selected picture; drops an earlier selection.
  virtual void Select(TCell* Cell);
  // The item shows its static picture again and the cell is unlocked.
  virtual void Deselect();
  // Unlocks the selected cell for a moment (to ask whether the board is still), and locks it
  // again.
  virtual void SuspendSelection();
  virtual void ReviveSelection();

  // --- Changes the rules start ---
  // Whether a swap is under way (the rules look for matches only while none is).
  virtual bool IsSwapRunning() const { return false; }
  // The player swaps Selected with Clicked: when the exchange makes a match, or either item is a
  // bonus, the items change places and each match waits for its resolution, with the clicked
  // and the selected cell as the places preferred for a new bonus; each swapped bonus explodes.
  // Otherwise nothing changes. False when either cell holds no selectable item.
  virtual bool SwapItems(TRowCol Selected, TRowCol Clicked);
  // A match to resolve; it joins a waiting match that shares a cell with it.
  virtual void ExplodeItems(const std::vector<TCell*>& Cells, TRowCol Bonus1, TRowCol Bonus2);
  // One item explodes: the cell loses a covering layer and takes Replacement (or nothing); the
  // cell leaves every waiting match.
  virtual void ExplodeItem(TCell* Cell, TItem* Replacement);
  // Whether the cell's lock belongs to the explosion of its item (a line does not pass it).
  virtual bool IsExplosionLock(const TCell& Cell) const;
  // A new block with that number replaces the item on the origin cell.
  virtual void ArriveBlock(TCell* Cell, int32_t BlockIdx);
  // The items of the board change places (see TBoard::ShuffleExchange).
  virtual void ShuffleItems();
  // The items of the two portal cells change places; a bonus among them explodes.
  virtual void TeleportItems(TCell* A, TCell* B);
  virtual void ChangeGemKind(TCell* Cell, int32_t Kind);
  // The item of a possible move carries the hint star.
  virtual void ShowHint();
  // The cell's gem blinks (shows its effect picture) after Delay seconds, when it is then still
  // free and not blinking. Only seen: the instant actions leave it out.
  virtual void BlinkItem(TCell* Cell, float Delay) {
    (void)Cell;
    (void)Delay;
  }
  // The item leaves the board at the end of a level; a block leaving counts as collected.
  virtual void EffectOnLevelCompletion(TCell* Cell, int32_t Delay);
  virtual void EffectOnLevelFailed(TCell* Cell);
  // Every cell that is not a hole gets a new item from the rules (bottom row first).
  virtual void InitializeBoard();
  // Finishes at once what the board must not leave half done when it is destroyed.
  virtual void Complete() {}

  // --- What the player hears and sees ---
  virtual void PlaySound(std::string_view URL);
  // Points won at a place of the board widget, with their text.
  virtual void ShowPoints(int32_t Points, const std::string& Text, TGFlatVector Position);

  // One frame of the board: the blocks on the lowest cells are collected, items fall and new
  // ones fill the board, the selection ends when its item is about to fall, and the matches
  // found before this frame are resolved.
  virtual void Update(float Seconds);

  // The matches waiting for their resolution (for inspection and tests).
  struct TPendingMatch {
    std::vector<TCell*> Cells;
    TRowCol Bonus1;
    TRowCol Bonus2;
  };
  const std::vector<TPendingMatch>& PendingMatches() const { return FPending; }

  // A block on the lowest cell of its column that is not a hole, and not locked, leaves the
  // board (the animated board's blocks task asks for it every frame).
  void CollectBlocks();

protected:
  void Destroy() override;

  void PackBoard();
  void CheckSelection();
  void ResolvePendingMatches();
  // Frees the items that have left the board.
  void FreeLeftItems();
  // Takes the item off its cell; it is freed at the next update, so that whoever made it leave
  // may still use it meanwhile.
  void LeaveBoard(TCell* Cell);
  void LockForMatch(TCell* Cell);
  void UnlockMatchCell(TCell* Cell);

private:
  TCell* FSelected = nullptr;
  bool FSelectionSuspended = false;
  std::vector<TPendingMatch> FPending;
  std::vector<TItem*> FLeftItems; // owned by the board, off the board, freed next update
};
