#include "Locations/MatchGame/UBoard.h"

#include "Locations/MatchGame/UBoardActions.h"
#include "Locations/MatchGame/UBoardLogic.h"
#include "Locations/MatchGame/UBonusItems.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/ULevel.h"
#include "Locations/MatchGame/UTriggerEffects.h"
#include "base/UGRandom.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TBoard)

namespace {

// Blocks stand in these rows when they count as down.
constexpr int32_t CHeadsDownFirstRow = 7;
// The rows where GetBlockCell and GetCellUnderBlock look for blocks.
constexpr int32_t CLastBlockSearchRow = CBoardSize - 2;
// The shuffle tries this many partners for each cell.
constexpr int32_t CShuffleTries = 100;

bool HoldsBlock(const TCell* C) {
  return ItemAs<TBlock>(C->Item()) != nullptr;
}

} // namespace

TBoard::TBoard(TGObject* AOwner, TBoardLogic* ALogic)
    : TGObject(AOwner)
    , FLogic(ALogic) {
  FActions = new TBoardActions(this);
  for (int32_t Row = 0; Row < CBoardSize; ++Row) {
    for (int32_t Col = 0; Col < CBoardSize; ++Col) {
      FCells[static_cast<size_t>(Row * CBoardSize + Col)] = new TCell(this, TRowCol{Row, Col});
    }
  }
  FTriggerEffects = new TTriggerEffects(this);
}

void TBoard::SetActions(TBoardActions* Value) {
  if (!Value) {
    throw Error("A board needs an object to carry out its changes");
  }
  if (Value == FActions) {
    return;
  }
  TBoardActions* Old = FActions;
  FActions = Value;
  Value->SetOwner(this);

  if (Old) {
    Old->Free();
  }
}

void TBoard::SetRotation(int32_t Value) {
  if (Value < 0 || Value > 3) {
    throw BoardRangeError("Board rotation %d is outside 0..3", Value);
  }
  FRotation = Value;
  for (TCell* C : FCells) {
    C->RefreshGraphics();
  }
}

TCell* TBoard::GetCell(int32_t Row, int32_t Col) const {
  if (Row < 0 || Row >= CBoardSize || Col < 0 || Col >= CBoardSize) {
    throw BoardRangeError("Cell (%d, %d) is outside the board", Row, Col);
  }
  return FCells[static_cast<size_t>(Row * CBoardSize + Col)];
}

bool TBoard::IsStill() const {
  for (const TCell* C : FCells) {
    if (C->IsLocked() || (!C->IsHole() && !C->Item())) {
      return false;
    }
  }
  return true;
}

bool TBoard::IsCleared() const {
  for (const TCell* C : FCells) {
    if (!C->IsHole() && !C->IsCleared()) {
      return false;
    }
  }
  return true;
}

float TBoard::PercentOfCleared() const {
  int32_t Cells = 0;
  int32_t Cleared = 0;
  for (const TCell* C : FCells) {
    if (!C->IsHole()) {
      ++Cells;
      Cleared += C->IsCleared() ? 1 : 0;
    }
  }
  return Cells == 0 ? 100.0f : 100.0f * static_cast<float>(Cleared) / static_cast<float>(Cells);
}

TCell* TBoard::GetRandomUnclearedCell() const {
  auto Uncleared = [](const TCell* C) { return !C->IsHole() && C->Density() > 0; };
  int32_t Count = 0;
  for (const TCell* C : FCells) {
    Count += Uncleared(C) ? 1 : 0;
  }
  if (Count == 0) {
    return nullptr;
  }
  int32_t Index = Random(Count);
  for (TCell* C : FCells) {
    if (Uncleared(C) && Index-- == 0) {
      return C;
    }
  }
  return nullptr;
}

bool TBoard::IsBlockHere() const {
  for (const TCell* C : FCells) {
    if (C && HoldsBlock(C)) {
      return true;
    }
  }
  return false;
}

TCell* TBoard::GetBlockCell(int32_t BlockIdx) const {
  for (int32_t Row = 0; Row <= CLastBlockSearchRow; ++Row) {
    for (int32_t Col = 0; Col < CBoardSize; ++Col) {
      TCell* C = GetCell(Row, Col);
      auto* Block = ItemAs<TBlock>(C->Item());
      if (Block && Block->BlockIdx() == BlockIdx) {
        return C;
      }
    }
  }
  return nullptr;
}

TCell* TBoard::GetCellUnderBlock() const {
  for (int32_t Row = 0; Row <= CLastBlockSearchRow; ++Row) {
    for (int32_t Col = 0; Col < CBoardSize; ++Col) {
      if (HoldsBlock(GetCell(Row, Col))) {
        return GetCell(Row + 1, Col);
      }
    }
  }
  return nullptr;
}

bool TBoard::IsAllHeadsDown() const {
  int32_t Down = 0;
  for (const TCell* C : FCells) {
    if (ItemAs<TDiceBonus>(C->Item())) {
      return false;
    }
    if (C->RowCol().Row >= CHeadsDownFirstRow && HoldsBlock(C)) {
      ++Down;
    }
  }
  return Down > 2;
}

void TBoard::SpawnBlock(int32_t Count, int32_t BlockIdx) {
  if (!IsStill()) {
    throw Error("Blocks are spawned only while the board is still");
  }
  for (int32_t N = 0; N < Count; ++N) {
    TCell* Origin = GetCell(0, 0);
    int32_t Position = 0;
    for (TCell* C : FCells) {
      if (C->HasFlag(cfBlockOrigin) && !C->IsLocked() && Position++ == BlockIdx) {
        Origin = C;
        break;
      }
    }
    // Without an origin of that number the block would come to (0, 0); a hole takes none.
    if (!Origin->IsHole()) {
      FActions->ArriveBlock(Origin, BlockIdx);
    }
  }
}

void TBoard::OpenCells() {
  for (TCell* C : FCells) {
    C->SetDensity(0);
  }
}

void TBoard::RemoveBlinkingStar() {
  for (TCell* C : FCells) {
    if (C->Item() && C->Item()->IsBlinking()) {
      C->Item()->RemoveBlinkingStar();
    }
  }
}

void TBoard::Shuffle() {
  FActions->Deselect();
  FActions->ShuffleItems();
}

void TBoard::ShuffleExchange(std::vector<std::pair<TCell*, TCell*>>& Exchanged) {
  Exchanged.clear();
  std::vector<TCell*> Cells;
  for (TCell* C : FCells) {
    if (!C->IsHole() && !C->IsLocked() && ItemAs<TGem>(C->Item())) {
      Cells.push_back(C);
    }
  }
  auto Count = static_cast<int32_t>(Cells.size());
  std::vector<bool> Free(Cells.size(), true);
  std::vector<TCell*> MatchA;
  std::vector<TCell*> MatchB;
  for (int32_t I = 0; I < Count; ++I) {
    if (!Free[static_cast<size_t>(I)]) {
      continue;
    }
    // The partner is the first free cell from a random start; the start counts up without
    // wrapping when it is compared with I.
    int32_t Start = Random(Count);
    int32_t Partner = -1;
    for (int32_t Try = 0; Try < CShuffleTries; ++Try) {
      int32_t J = Start + Try;
      if (J != I && Free[static_cast<size_t>(J % Count)]) {
        Partner = J % Count;
        break;
      }
    }
    if (Partner < 0) {
      continue;
    }
    TCell* A = Cells[static_cast<size_t>(I)];
    TCell* B = Cells[static_cast<size_t>(Partner)];
    if (GetMatchAfterSwap(A->RowCol(), B->RowCol(), MatchA, MatchB)) {
      continue;
    }
    Free[static_cast<size_t>(I)] = false;
    Free[static_cast<size_t>(Partner)] = false;
    ExchangeItems(A, B);
    Exchanged.emplace_back(A, B);
  }
}

TRowCol TBoard::RotateRowCol(TRowCol RC, bool Clockwise) const {
  int32_t R = Clockwise ? (4 - FRotation) % 4 : FRotation;
  TRowCol Out = RC;
  bool Bit0 = (R & 1) != 0;
  bool Bit1 = (R & 2) != 0;
  if (Bit1) {
    Out.Row = CBoardSize - 1 - Out.Row;
  }
  if (Bit0 != Bit1) {
    Out.Col = CBoardSize - 1 - Out.Col;
  }
  if (Bit0) {
    std::swap(Out.Row, Out.Col);
  }
  return Out;
}

void TBoard::MoveItem(TCell* From, TCell* To) {
  if (From == To) {
    return;
  }
  if (To->Item()) {
    throw Error("Cell (%d, %d) is not empty", To->RowCol().Row, To->RowCol().Col);
  }
  TItem* Item = From->Item();
  From->SetItem(nullptr);
  To->SetItem(Item);
}

void TBoard::ExchangeItems(TCell* A, TCell* B) {
  TItem* IA = A->Item();
  TItem* IB = B->Item();
  A->SetItem(IB);
  B->SetItem(IA);
}

void TBoard::Update(float Seconds) {
  FActions->Update(Seconds);
  for (TCell* C : FCells) {
    C->Update(Seconds);
  }
}

void TBoard::LoadFromXML(const TGXMLNode& Node) {
  for (const TGXMLNode* CellNode : *Node.GetChilds("Cell")) {
    int32_t Row = LevelIntAttr(*CellNode, "Row");
    int32_t Col = LevelIntAttr(*CellNode, "Col");
    GetCell(Row, Col)->LoadFromXML(*CellNode);
  }
  for (const TGXMLNode* Effects : *Node.GetChilds("TriggerEffects")) {
    FTriggerEffects->LoadFromXML(*Effects);
  }
}

// The actions go first, so that nothing they hold outlives the board's items.
void TBoard::Destroy() {
  if (FActions) {
    FActions->Complete();
    FreeAndNil(FActions);
  }
  inherited::Destroy();
}
