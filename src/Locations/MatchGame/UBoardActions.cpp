#include "Locations/MatchGame/UBoardActions.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardLogic.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UColumnPacker.h"
#include "Locations/MatchGame/UItem.h"
#include "audio/UGAudio.h"
#include "object/UGClassBuilder.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TBoardActions)

namespace {

bool Contains(const std::vector<TCell*>& Cells, const TCell* Cell) {
  return std::find(Cells.begin(), Cells.end(), Cell) != Cells.end();
}

bool SharesCell(const std::vector<TCell*>& A, const std::vector<TCell*>& B) {
  return std::any_of(A.begin(), A.end(), [&B](const TCell* C) { return Contains(B, C); });
}

} // namespace

TBoard* TBoardActions::Board() const {
  return ObjectCast<TBoard>(Owner());
}

// --- The selection ---------------------------------------------------------------------------

void TBoardActions::Select(TCell* Cell) {
  Deselect();
  auto* Item = ItemAs<TSelectableItem>(Cell->Item());
  if (!Item) {
    return;
  }
  Cell->Lock(this);
  FSelected = Cell;
  Item->SetGraphic(Item->GetSelectedGfx());
}

void TBoardActions::Deselect() {
  TCell* Cell = FSelected;
  if (!Cell) {
    return;
  }
  FSelected = nullptr;
  if (Cell->Item()) {
    Cell->Item()->MakeStatic();
  }
  if (FSelectionSuspended) {
    FSelectionSuspended = false;
  } else if (Cell->IsLocked() && Cell->LockedByTask() == this) {
    Cell->Unlock();
  }
}

void TBoardActions::SuspendSelection() {
  if (FSelected && !FSelectionSuspended) {
    FSelected->Unlock();
    FSelectionSuspended = true;
  }
}

void TBoardActions::ReviveSelection() {
  if (FSelected && FSelectionSuspended) {
    FSelectionSuspended = false;
    FSelected->Lock(this);
  }
}

// The selection ends when its item is about to fall.
void TBoardActions::CheckSelection() {
  if (!FSelected) {
    return;
  }
  TRowCol Below = FSelected->RowCol() + StepDown;
  if (!Below.InsideBoard()) {
    return;
  }
  const TCell* Cell = Board()->GetCell(Below);
  if (!Cell->IsHole() && !Cell->Item()) {
    Deselect();
  }
}

// --- Changes ---------------------------------------------------------------------------------

bool TBoardActions::SwapItems(TRowCol Selected, TRowCol Clicked) {
  TBoard* B = Board();
  TCell* CellA = B->GetCell(Selected);
  TCell* CellB = B->GetCell(Clicked);
  auto* ItemA = ItemAs<TSelectableItem>(CellA->Item());
  auto* ItemB = ItemAs<TSelectableItem>(CellB->Item());
  if (!ItemA || !ItemB) {
    return false;
  }
  std::vector<TCell*> MatchA;
  std::vector<TCell*> MatchB;
  bool Match = B->GetMatchAfterSwap(Selected, Clicked, MatchA, MatchB);
  bool AnyBonus = ItemAs<TBonusItem>(ItemA) || ItemAs<TBonusItem>(ItemB);
  if (!Match && !AnyBonus) {
    return true;
  }
  B->ExchangeItems(CellA, CellB);
  for (const std::vector<TCell*>* Cells : {&MatchA, &MatchB}) {
    if (!Cells->empty()) {
      ExplodeItems(*Cells, Clicked, Selected);
    }
  }
  for (TSelectableItem* Item : {ItemA, ItemB}) {
    if (auto* Bonus = ItemAs<TBonusItem>(Item)) {
      Bonus->Explode(nullptr);
    }
  }
  return true;
}

void TBoardActions::LockForMatch(TCell* Cell) {
  if (!Cell->IsLocked()) {
    Cell->Lock(this);
  }
}

void TBoardActions::UnlockMatchCell(TCell* Cell) {
  if (Cell != FSelected && Cell->IsLocked() && Cell->LockedByTask() == this) {
    Cell->Unlock();
  }
}

void TBoardActions::ExplodeItems(const std::vector<TCell*>& Cells, TRowCol Bonus1, TRowCol Bonus2) {
  for (TPendingMatch& P : FPending) {
    if (SharesCell(P.Cells, Cells)) {
      for (TCell* C : Cells) {
        if (!Contains(P.Cells, C)) {
          P.Cells.push_back(C);
          LockForMatch(C);
        }
      }
      return;
    }
  }
  bool AnyUnlocked =
      std::any_of(Cells.begin(), Cells.end(), [](TCell* C) { return !C->IsLocked(); });
  if (!AnyUnlocked) {
    return;
  }
  for (TCell* C : Cells) {
    LockForMatch(C);
  }
  FPending.push_back(TPendingMatch{Cells, Bonus1, Bonus2});
}

void TBoardActions::ResolvePendingMatches() {
  // Only the matches found before this update; those that resolving makes wait for the next.
  size_t Count = FPending.size();
  for (size_t N = 0; N < Count && !FPending.empty(); ++N) {
    TPendingMatch P = std::move(FPending.front());
    FPending.erase(FPending.begin());
    if (FSelected && Contains(P.Cells, FSelected)) {
      Deselect();
    }
    for (TCell* C : P.Cells) {
      UnlockMatchCell(C);
    }
    Board()->Logic()->ResolveMatch(std::move(P.Cells), P.Bonus1, P.Bonus2);
  }
}

void TBoardActions::ExplodeItem(TCell* Cell, TItem* Replacement) {
  if (Cell->LowerDensity() && Cell->HasFlag(cfBlockSocket)) {
    PlaySound("Match\\HiddenCellAppear.ogg");
  }
  for (TPendingMatch& P : FPending) {
    std::erase(P.Cells, Cell);
  }
  UnlockMatchCell(Cell);
  LeaveBoard(Cell);
  if (Replacement) {
    Cell->SetItem(Replacement);
    Replacement->MakeStatic();
  }
}

bool TBoardActions::IsExplosionLock(const TCell& Cell) const {
  (void)Cell;
  return false;
}

void TBoardActions::ArriveBlock(TCell* Cell, int32_t BlockIdx) {
  TBoard* B = Board();
  LeaveBoard(Cell);
  TItem* Block = B->Logic()->CreateBlock(B, BlockIdx);
  Cell->SetItem(Block);
  Block->MakeStatic();
  for (TCell* C : B->Cells()) {
    if (C->HasFlag(cfBlockSocket)) {
      C->RefreshGraphics();
    }
  }
}

void TBoardActions::ShuffleItems() {
  TBoard* B = Board();
  B->RemoveBlinkingStar();
  std::vector<std::pair<TCell*, TCell*>> Exchanged;
  B->ShuffleExchange(Exchanged);
  for (auto& [A, C] : Exchanged) {
    A->Item()->MakeStatic();
    C->Item()->MakeStatic();
  }
}

void TBoardActions::TeleportItems(TCell* A, TCell* B) {
  TItem* ItemA = A->Item();
  TItem* ItemB = B->Item();
  Board()->ExchangeItems(A, B);
  PlaySound("Match\\Teleport.ogg");
  for (TItem* Item : {ItemA, ItemB}) {
    if (auto* Bonus = ItemAs<TBonusItem>(Item)) {
      Bonus->Explode(nullptr);
    }
  }
}

void TBoardActions::ChangeGemKind(TCell* Cell, int32_t Kind) {
  if (auto* Gem = ItemAs<TGem>(Cell->Item())) {
    Gem->SetKind(Kind);
    Gem->MakeStatic();
  }
}

void TBoardActions::ShowHint() {
  TBoard* B = Board();
  TRowCol Cell = CNoCell;
  TRowCol Neighbour = CNoCell;
  if (!B->FindMatch(Cell, Neighbour, true) || !Cell.InsideBoard()) {
    return;
  }
  if (auto* Item = ItemAs<TSelectableItem>(B->GetCell(Cell)->Item())) {
    Item->SetBlinkingStar();
  }
}

void TBoardActions::EffectOnLevelCompletion(TCell* Cell, int32_t Delay) {
  (void)Delay;
  TItem* Item = Cell->Item();
  if (!Item) {
    return;
  }
  bool IsBlock = ItemAs<TBlock>(Item) != nullptr;
  LeaveBoard(Cell);
  if (IsBlock) {
    Board()->Logic()->OnCollectBlock(Item);
  }
}

void TBoardActions::EffectOnLevelFailed(TCell* Cell) {
  LeaveBoard(Cell);
}

void TBoardActions::InitializeBoard() {
  TBoard* B = Board();
  for (int32_t Row = CBoardSize - 1; Row >= 0; --Row) {
    for (int32_t Col = 0; Col < CBoardSize; ++Col) {
      TCell* Cell = B->GetCell(Row, Col);
      if (Cell->IsHole() || Cell->Item()) {
        continue;
      }
      TItem* Item = B->Logic()->CreateItem(B, Cell->RowCol());
      Cell->SetItem(Item);
      Item->MakeStatic();
    }
  }
}

void TBoardActions::PlaySound(std::string_view URL) {
  if (AD) {
    AD->PlaySfx(std::string(URL));
  }
}

void TBoardActions::ShowPoints(int32_t Points, const std::string& Text, TGFlatVector Position) {
  (void)Points;
  (void)Text;
  (void)Position;
}

// --- The frame -------------------------------------------------------------------------------

void TBoardActions::Update(float Seconds) {
  (void)Seconds;
  FreeLeftItems();
  CollectBlocks();
  PackBoard();
  CheckSelection();
  ResolvePendingMatches();
}

// A block on the lowest cell of its column that is not a hole leaves the board.
void TBoardActions::CollectBlocks() {
  TBoard* B = Board();
  for (int32_t Col = 0; Col < CBoardSize; ++Col) {
    for (int32_t Row = CBoardSize - 1; Row >= 0; --Row) {
      TCell* Cell = B->GetCell(Row, Col);
      if (Cell->IsHole()) {
        continue;
      }
      if (!Cell->IsLocked() && ItemAs<TBlock>(Cell->Item())) {
        Cell->Item()->DoEffectOnLevelCompletion();
      }
      break;
    }
  }
}

void TBoardActions::PackBoard() {
  TBoard* B = Board();
  std::vector<TItemFall> Moves;
  for (int32_t Col = 0; Col < CBoardSize; ++Col) {
    TColumnPacker Packer(*B, Col);
    Moves.clear();
    Packer.Fall(Moves);
    Packer.Refill(Moves);
    for (const TItemFall& Move : Moves) {
      Move.Item->MakeStatic();
    }
    if (Packer.BlockToSocket()) {
      PlaySound("Match\\StoneOnTarget.ogg");
    }
  }
}

void TBoardActions::LeaveBoard(TCell* Cell) {
  TItem* Item = Cell->Item();
  if (!Item) {
    return;
  }
  if (Cell == FSelected) {
    Deselect();
  }
  Cell->SetItem(nullptr);
  Item->SetCell(nullptr);
  FLeftItems.push_back(Item);
}

void TBoardActions::FreeLeftItems() {
  std::vector<TItem*> Items;
  Items.swap(FLeftItems);
  for (TItem* Item : Items) {
    Item->Free();
  }
}

// The locks this object holds go with it.
void TBoardActions::Destroy() {
  Deselect();
  for (TPendingMatch& P : FPending) {
    for (TCell* C : P.Cells) {
      UnlockMatchCell(C);
    }
  }
  FPending.clear();
  FreeLeftItems();

  inherited::Destroy();
}
