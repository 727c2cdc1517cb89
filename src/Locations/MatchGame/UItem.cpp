#include "Locations/MatchGame/UItem.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardActions.h"
#include "Locations/MatchGame/UBoardLogic.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/ULevel.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <string>

G_IMPLEMENT_CLASS(TItem)
G_IMPLEMENT_CLASS(TBoardItem)
G_IMPLEMENT_CLASS(TSelectableItem)
G_IMPLEMENT_CLASS(TBonusItem)
G_IMPLEMENT_CLASS(TGem)
G_IMPLEMENT_CLASS(TBlock)

namespace {

std::vector<TGClass>& ClassList() {
  static std::vector<TGClass> List;
  return List;
}

// The delays of the level-completion effect, in milliseconds.
constexpr int32_t CSelectableCompletionDelay = 1000;
constexpr int32_t CBlockCompletionDelay = 0;

} // namespace

// --- TItem -------------------------------------------------------------------------------------

TRowCol TItem::RowCol() const {
  if (!FCell) {
    throw Error("The item stands on no cell");
  }
  return FCell->RowCol();
}

TGPoint TItem::Position() const {
  return GetCellXY(RowCol());
}

void TItem::SetGraphic(std::string_view Value) {
  FIsHighlighted = false;
  FGraphic = Value;
}

void TItem::Highlight() {
  auto* Gem = ItemAs<TGem>(this);
  if (!Gem || FGraphic.empty()) {
    return;
  }
  SetGraphic(Gem->GetFXGfx());
  FIsHighlighted = true;
  FHighlightTime = 0;
}

TGXMLNode* TItem::SaveToXML() const {
  auto* Node = new TGXMLNode("Item");
  Node->SetStrAttr("ClassName", ClassName());
  return Node;
}

bool TItem::IsMatching(const TItem* Other) const {
  (void)Other;
  return false;
}

void TItem::RegisterClass(TGClass AClass) {
  if (!AClass || !AClass->InheritsFrom(TItem::StaticClass())) {
    throw Error("Not an item class");
  }
  ClassList().push_back(AClass);
}

TGClass TItem::GetClassByName(std::string_view Name) {
  for (TGClass C : ClassList()) {
    if (C->Name == Name) {
      return C;
    }
  }
  throw Error("Unknown item class: %s", Name);
}

const std::vector<TGClass>& TItem::ItemClasses() {
  return ClassList();
}

void TItem::UnregisterClasses() {
  ClassList().clear();
}

void TItem::Destroy() {
  if (FCell && FCell->Item() == this) {
    FCell->SetItem(nullptr);
  }
  FCell = nullptr;
  inherited::Destroy();
}

// --- TBoardItem --------------------------------------------------------------------------------

TBoard* TBoardItem::Board() const {
  auto* B = dynamic_cast<TBoard*>(Owner());
  if (!B) {
    throw Error("Assertion failure");
  }
  return B;
}

TBoardLogic* TBoardItem::Logic() const {
  return Board()->Logic();
}

// --- TSelectableItem ---------------------------------------------------------------------------

void TSelectableItem::Explode(TItem* Replacement) {
  TCell* C = Cell();
  if (!C) {
    return;
  }
  Logic()->OnExplodeItem(this);
  Board()->Actions()->ExplodeItem(C, Replacement);
}

void TSelectableItem::DoEffectOnLevelCompletion() {
  if (Cell()) {
    Board()->Actions()->EffectOnLevelCompletion(Cell(), CSelectableCompletionDelay);
  }
}

void TSelectableItem::DoEffectOnLevelFailed() {
  if (Cell()) {
    Board()->Actions()->EffectOnLevelFailed(Cell());
  }
}

// --- TBonusItem --------------------------------------------------------------------------------

void TBonusItem::Explode(TItem* Replacement) {
  if (!Cell()) {
    return;
  }
  TSelectableItem::Explode(Replacement);
  Logic()->OnActivateBonus(this);
}

// --- TGem --------------------------------------------------------------------------------------

void TGem::SetKind(int32_t Value) {
  if (Value < 1 || Value > 9) {
    throw BoardRangeError("Gem kind %d is outside 1..9", Value);
  }
  FKind = static_cast<uint8_t>(Value);
}

void TGem::ChangeKind(int32_t AKind) {
  if (AKind < 1 || AKind > 9) {
    throw BoardRangeError("Gem kind %d is outside 1..9", AKind);
  }
  if (Cell()) {
    Board()->Actions()->ChangeGemKind(Cell(), AKind);
  } else {
    SetKind(AKind);
  }
}

void TGem::LoadFromXML(const TGXMLNode& Node) {
  SetKind(LevelIntAttr(Node, "Kind"));
  MakeStatic();
}

TGXMLNode* TGem::SaveToXML() const {
  TGXMLNode* Node = TSelectableItem::SaveToXML();
  Node->SetIntAttr("Kind", FKind);
  return Node;
}

std::string TGem::GetGfxPrefix() const {
  return "Game\\Match\\GameItems\\Gem" + std::to_string(FKind) + "\\";
}

// Only gems report a match kind, the kind itself.
bool TGem::IsMatching(const TItem* Other) const {
  return Other && Other->MatchKind() == FKind;
}

// --- TBlock ------------------------------------------------------------------------------------

void TBlock::DoEffectOnLevelCompletion() {
  if (Cell()) {
    Board()->Actions()->EffectOnLevelCompletion(Cell(), CBlockCompletionDelay);
  }
}

void TBlock::DoEffectOnLevelFailed() {
  if (Cell()) {
    Board()->Actions()->EffectOnLevelFailed(Cell());
  }
}
