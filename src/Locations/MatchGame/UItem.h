// The items that stand on the cells of the match-three board: gems of nine kinds, bonuses and
// blocks, with the names of the pictures they show, how they match, and what happens to them
// when they explode or the level ends. Items are owned by the board; a cell only points at its
// item. Level files name item classes, which are found in a list filled at start-up.
#pragma once

#include "Locations/MatchGame/URowCol.h"
#include "object/UGObject.h"

#include <string>
#include <string_view>
#include <vector>

class TBoard;
class TBoardLogic;
class TCell;
class TGXMLNode;

class TItem;

// The item as a T, or none: through the class facility, which costs a few steps up the class
// chain where dynamic_cast would compare type names (the board's searches ask for every cell).
template <class T>
T* ItemAs(TItem* Item);
template <class T>
const T* ItemAs(const TItem* Item);

// The hint star an item carries after a hint.
inline constexpr std::string_view CBlinkingStarGfx = "Game\\Match\\Stuff\\StarRoll.ani";

class TItem : public TGObject {
  G_CLASS(TItem, TGObject)
  explicit TItem(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  // The cell the item stands on, or none. SetCell only records it; TCell::SetItem puts an item
  // on a cell.
  TCell* Cell() const { return FCell; }
  void SetCell(TCell* Value) { FCell = Value; }
  // The position of its cell; the generic error without a cell.
  TRowCol RowCol() const;
  TGPoint Position() const;

  // The picture the item shows, by resource name.
  const std::string& Graphic() const { return FGraphic; }
  void SetGraphic(std::string_view Value);
  // Back to its static picture.
  void MakeStatic() { SetGraphic(GetStaticGfx()); }
  bool IsHighlighted() const { return FIsHighlighted; }
  // A gem that shows a picture shows its effect picture instead, from its start.
  void Highlight();
  // How long the effect picture has played (in the picture's own time), and its clock.
  float HighlightTime() const { return FHighlightTime; }
  void AdvanceHighlight(float Seconds) { FHighlightTime += Seconds; }
  const std::string& BlinkingStar() const { return FBlinkingStar; }
  void SetBlinkingStar(std::string_view Graphic = CBlinkingStarGfx) { FBlinkingStar = Graphic; }
  void RemoveBlinkingStar() { FBlinkingStar.clear(); }
  bool IsBlinking() const { return !FBlinkingStar.empty(); }

  virtual void DoEffectOnLevelCompletion() {}
  virtual void DoEffectOnLevelFailed() {}
  virtual void LoadFromXML(const TGXMLNode& Node) { (void)Node; }
  // An element "Item" with the attribute "ClassName".
  virtual TGXMLNode* SaveToXML() const;
  virtual std::string GetGfxPrefix() const { return {}; }
  virtual std::string GetStaticGfx() const { return {}; }
  virtual std::string GetShuffleGfx() const { return {}; }
  virtual bool IsMatching(const TItem* Other) const;
  // What the move search compares instead of calling IsMatching for every pair: two items match
  // exactly when their match kinds are equal and not 0. Items that never match report 0.
  virtual int32_t MatchKind() const { return 0; }

  // --- The class list of level files ---
  static void RegisterClass(TGClass AClass);
  // The registered class of that exact name; "Unknown item class: %s" otherwise.
  static TGClass GetClassByName(std::string_view Name);
  static const std::vector<TGClass>& ItemClasses();
  static void UnregisterClasses();

protected:
  void Destroy() override;

private:
  TCell* FCell = nullptr;
  std::string FGraphic;
  std::string FBlinkingStar;
  bool FIsHighlighted = false;
  float FHighlightTime = 0;
};

template <class T>
T* ItemAs(TItem* Item) {
  return Item && Item->InheritsFrom(T::StaticClass()) ? static_cast<T*>(Item) : nullptr;
}
template <class T>
const T* ItemAs(const TItem* Item) {
  return Item && Item->InheritsFrom(T::StaticClass()) ? static_cast<const T*>(Item) : nullptr;
}

// An item of a board: its owner is the board.

class TBoardItem : public TItem {
  G_CLASS(TBoardItem, TItem)
  explicit TBoardItem(TGObject* AOwner = nullptr)
      : TItem(AOwner) {}

  // The owner; "Assertion failure" when the owner is not a board.
  TBoard* Board() const;
  TBoardLogic* Logic() const;
};

// An item the player may select and swap.
class TSelectableItem : public TBoardItem {
  G_CLASS(TSelectableItem, TBoardItem)
  explicit TSelectableItem(TGObject* AOwner = nullptr)
      : TBoardItem(AOwner) {}

  // Tells the rules, then has the board explode the item on its cell and put Replacement (or
  // nothing) there. An item without a cell does nothing.
  virtual void Explode(TItem* Replacement);
  virtual std::string GetSelectedGfx() const { return {}; }
  virtual std::string GetExplodeGfx() const { return {}; }
  virtual std::string GetFXGfx() const { return GetStaticGfx(); }

  void DoEffectOnLevelCompletion() override;
  void DoEffectOnLevelFailed() override;
};

// A bonus, activated when it explodes (the kinds are in UBonusItems.h). Its pictures are named
// after its prefix.
class TBonusItem : public TSelectableItem {
  G_CLASS(TBonusItem, TSelectableItem)
  explicit TBonusItem(TGObject* AOwner = nullptr)
      : TSelectableItem(AOwner) {}

  virtual int32_t GetExplosionPoints() const { return 0; }
  // The explosion of a selectable item, then the rules learn that the bonus was activated.
  void Explode(TItem* Replacement) override;
  std::string GetStaticGfx() const override { return GetGfxPrefix() + "Static.ani"; }
  std::string GetShuffleGfx() const override { return GetStaticGfx(); }
  std::string GetSelectedGfx() const override { return GetGfxPrefix() + "Selected.ani"; }
  std::string GetExplodeGfx() const override { return GetGfxPrefix() + "Explode.ani"; }
};

class TGem : public TSelectableItem {
  G_CLASS(TGem, TSelectableItem)
  explicit TGem(TGObject* AOwner = nullptr)
      : TSelectableItem(AOwner) {}

  // 1..9; another kind is a range error.
  int32_t Kind() const { return FKind; }
  void SetKind(int32_t Value);
  void MoveTo() {}
  // Has the board change the kind (a change-kind animation while the board is shown).
  void ChangeKind(int32_t AKind);

  // Reads "Kind" and shows the static picture.
  void LoadFromXML(const TGXMLNode& Node) override;
  TGXMLNode* SaveToXML() const override;
  std::string GetGfxPrefix() const override;
  std::string GetStaticGfx() const override { return GetGfxPrefix() + "Static.png"; }
  std::string GetShuffleGfx() const override { return GetGfxPrefix() + "Shuffle.ani"; }
  std::string GetSelectedGfx() const override { return GetGfxPrefix() + "Selected.ani"; }
  std::string GetExplodeGfx() const override { return GetGfxPrefix() + "Explode.ani"; }
  std::string GetFXGfx() const override { return GetGfxPrefix() + "FX.ani"; }
  // Another gem of the same kind.
  bool IsMatching(const TItem* Other) const override;
  int32_t MatchKind() const override { return FKind; }

private:
  uint8_t FKind = 1;
};

// The heavy piece the player brings down to the sockets and the bottom rows.
class TBlock : public TBoardItem {
  G_CLASS(TBlock, TBoardItem)
  explicit TBlock(TGObject* AOwner = nullptr)
      : TBoardItem(AOwner) {}

  int32_t BlockIdx() const { return FBlockIdx; }
  void SetBlockIdx(int32_t Value) { FBlockIdx = Value; }

  std::string GetGfxPrefix() const override { return "Game/Match/GameItems/Block/"; }
  std::string GetStaticGfx() const override { return "Game/Match/GameItems/Block/Default.ani"; }
  std::string GetShuffleGfx() const override { return GetStaticGfx(); }
  // A block is collected at once when the level completes.
  void DoEffectOnLevelCompletion() override;
  void DoEffectOnLevelFailed() override;

private:
  int32_t FBlockIdx = 0;
};
