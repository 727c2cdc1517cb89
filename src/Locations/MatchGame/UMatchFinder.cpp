#include "Locations/MatchGame/UMatchFinder.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardActions.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UItem.h"

namespace {

constexpr int32_t CellIndex(TRowCol RC) {
  return RC.Row * CBoardSize + RC.Col;
}

} // namespace

bool TMatchFinder::GetMatch(TRowCol RowCol, std::vector<TCell*>& Cells) {
  Cells.clear();
  FReference = FBoard.GetCell(RowCol)->Item();
  if (!FReference) {
    return false;
  }
  if (++FStamp == 0) {
    for (auto& Marks : FVisited) {
      Marks.fill(0);
    }
    FStamp = 1;
  }
  FResult.clear();
  SearchLine(RowCol, dHorizontal);
  SearchLine(RowCol, dVertical);
  FReference = nullptr;
  if (FResult.size() <= 2) {
    return false;
  }
  // A cell found in both directions is kept where it was found first.
  std::array<bool, CBoardSize * CBoardSize> Seen{};
  for (TCell* C : FResult) {
    bool& S = Seen[static_cast<size_t>(CellIndex(C->RowCol()))];
    if (!S) {
      S = true;
      Cells.push_back(C);
    }
  }
  return true;
}

void TMatchFinder::SearchLine(TRowCol C, TDirection D) {
  TRowCol Step = D == dHorizontal ? StepRight : StepDown;
  TRowCol Back{-Step.Row, -Step.Col};
  size_t Begin = FResult.size();
  Walk(C, Back, D);
  Walk(C + Step, Step, D);
  size_t End = FResult.size();
  if (End - Begin < 3) {
    FResult.resize(Begin);
    return;
  }
  TDirection Across = D == dHorizontal ? dVertical : dHorizontal;
  for (size_t I = Begin; I < End; ++I) {
    SearchLine(FResult[I]->RowCol(), Across);
  }
}

void TMatchFinder::Walk(TRowCol C, TRowCol Step, TDirection D) {
  while (C.InsideBoard() && Belongs(C, D)) {
    FVisited[D][static_cast<size_t>(CellIndex(C))] = FStamp;
    FResult.push_back(FBoard.Cells()[static_cast<size_t>(CellIndex(C))]);
    C = C + Step;
  }
}

// A line stops at a visited cell, at a cell in the middle of its item's explosion, at an empty
// cell and at an item that does not match.
bool TMatchFinder::Belongs(TRowCol C, TDirection D) const {
  if (FVisited[D][static_cast<size_t>(CellIndex(C))] == FStamp) {
    return false;
  }
  const TCell* Cell = FBoard.Cells()[static_cast<size_t>(CellIndex(C))];
  if (Cell->IsLocked() && FBoard.Actions()->IsExplosionLock(*Cell)) {
    return false;
  }
  const TItem* Item = Cell->Item();
  return Item && Item->IsMatching(FReference);
}

bool TMatchFinder::GetMatchAfterSwap(TRowCol A, TRowCol B, std::vector<TCell*>& CellsA,
                                     std::vector<TCell*>& CellsB) {
  CellsA.clear();
  CellsB.clear();
  TCell* CA = FBoard.GetCell(A);
  TCell* CB = FBoard.GetCell(B);
  TItem* IA = CA->Item();
  TItem* IB = CB->Item();
  if (!ItemAs<TSelectableItem>(IA) || !ItemAs<TSelectableItem>(IB)) {
    return false;
  }
  CA->SetItem(IB);
  CB->SetItem(IA);
  bool MatchA = GetMatch(A, CellsA);
  bool MatchB = GetMatch(B, CellsB);
  CA->SetItem(IA);
  CB->SetItem(IB);
  return MatchA || MatchB;
}

void TMatchFinder::BuildGrid(TGrid& Grid) const {
  const TBoardActions* Actions = FBoard.Actions();
  for (const TCell* C : FBoard.Cells()) {
    auto I = static_cast<size_t>(GridIndex(C->RowCol().Row, C->RowCol().Col));
    const TItem* Item = C->Item();
    Grid.ItemKinds[I] = Item ? Item->MatchKind() : 0;
    Grid.Selectable[I] = ItemAs<TSelectableItem>(Item) != nullptr;
    Grid.Locked[I] = C->IsLocked();
    Grid.Stops[I] = Grid.Locked[I] && Actions->IsExplosionLock(*C);
    Grid.Kinds[I] = Grid.Stops[I] ? 0 : Grid.ItemKinds[I];
  }
}

void TMatchFinder::MarkLines(std::array<bool, CBoardSize * CBoardSize>& InLine) {
  TGrid Grid;
  BuildGrid(Grid);
  for (int32_t Row = 0; Row < CBoardSize; ++Row) {
    for (int32_t Col = 0; Col < CBoardSize; ++Col) {
      InLine[static_cast<size_t>(Row * CBoardSize + Col)] =
          MakesLine(Grid.Kinds, GridIndex(Row, Col));
    }
  }
}

// The same answers as GetMatchAfterSwap for every candidate, from a grid of match kinds: after
// a swap, a cell has a match exactly when the item now on it lies in a horizontal or a vertical
// run of three or more matching items, because every other cell of a match is reached from
// such a run.
bool TMatchFinder::FindMatch(TRowCol& Cell, TRowCol& Neighbour, bool CheckLocked) {
  TGrid Grid;
  BuildGrid(Grid);
  TKindGrid& Kinds = Grid.Kinds;
  const TKindGrid& ItemKinds = Grid.ItemKinds;
  const TFlagGrid& Selectable = Grid.Selectable;
  const TFlagGrid& Stops = Grid.Stops;
  const TFlagGrid& Locked = Grid.Locked;
  const int32_t Steps[2] = {-1, -CStride}; // the left neighbour, then the upper one
  const TRowCol RowColSteps[2] = {StepLeft, StepUp};
  for (int32_t Row = 1; Row < CBoardSize; ++Row) {
    for (int32_t Col = 1; Col < CBoardSize; ++Col) {
      auto I = static_cast<size_t>(GridIndex(Row, Col));
      if (CheckLocked && (Locked[I] || Locked[I - 1])) {
        continue;
      }
      for (int32_t S = 0; S < 2; ++S) {
        auto J = static_cast<size_t>(static_cast<int32_t>(I) + Steps[S]);
        if (!Selectable[I] || !Selectable[J]) {
          continue;
        }
        Kinds[I] = Stops[I] ? 0 : ItemKinds[J];
        Kinds[J] = Stops[J] ? 0 : ItemKinds[I];
        bool Match =
            MakesLine(Kinds, static_cast<int32_t>(I)) || MakesLine(Kinds, static_cast<int32_t>(J));
        Kinds[I] = Stops[I] ? 0 : ItemKinds[I];
        Kinds[J] = Stops[J] ? 0 : ItemKinds[J];
        if (Match) {
          Cell = TRowCol{Row, Col};
          Neighbour = Cell + RowColSteps[S];
          return true;
        }
      }
    }
  }
  return false;
}

bool TMatchFinder::MakesLine(const TKindGrid& Kinds, int32_t Index) const {
  int32_t Kind = Kinds[static_cast<size_t>(Index)];
  if (Kind == 0) {
    return false;
  }
  auto Run = [&Kinds, Index, Kind](int32_t Step) {
    int32_t Count = 1;
    for (int32_t J = Index - Step; Kinds[static_cast<size_t>(J)] == Kind; J -= Step) {
      ++Count;
    }
    for (int32_t J = Index + Step; Kinds[static_cast<size_t>(J)] == Kind; J += Step) {
      ++Count;
    }
    return Count;
  };
  return Run(1) >= 3 || Run(CStride) >= 3;
}
