#include "Locations/MatchGame/UTriggerEffects.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/ULevel.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TTriggerEffects)

namespace {

bool IsWall(int32_t Flag) {
  return Flag == cfTopWall || Flag == cfLeftWall || Flag == cfRightWall || Flag == cfBottomWall;
}

// A wall turned a quarter clockwise: top to right, right to bottom, bottom to left, left to top.
TCellFlag TurnWall(int32_t Flag) {
  switch (Flag) {
  case cfTopWall:
    return cfRightWall;
  case cfRightWall:
    return cfBottomWall;
  case cfBottomWall:
    return cfLeftWall;
  default:
    return cfTopWall;
  }
}

} // namespace

TBoard* TTriggerEffects::Board() const {
  return ObjectCast<TBoard>(Owner());
}

const TTriggerEffect& TTriggerEffects::Effect(int32_t Index) const {
  if (Index < 0 || Index >= EffectsCount()) {
    throw BoardRangeError("Trigger effect index %d is outside 0..%d", Index, EffectsCount() - 1);
  }
  return FEffects[static_cast<size_t>(Index)];
}

// Positions and flags are checked as the cells of the file are: a flag beyond the cell flags
// would not fit the cell's set.
void TTriggerEffects::LoadFromXML(const TGXMLNode& Node) {
  for (const TGXMLNode* Cell : *Node.GetChilds("Cell")) {
    TRowCol RC{LevelIntAttr(*Cell, "Row"), LevelIntAttr(*Cell, "Col")};
    if (!RC.InsideBoard()) {
      throw BoardRangeError("Trigger effect cell (%d, %d) is outside the board", RC.Row, RC.Col);
    }
    int32_t Flag = LevelIntAttr(*Cell, "Flag");
    if (Flag < 0 || Flag > CLastCellFlag) {
      throw BoardRangeError("Trigger effect flag %d is outside 0..%d", Flag, CLastCellFlag);
    }
    Change(RC, static_cast<uint8_t>(Flag));
  }
  FIsExecuted = FEffects.empty();
}

void TTriggerEffects::Change(TRowCol RowCol, uint8_t Flag) {
  auto It = std::find_if(FEffects.begin(), FEffects.end(), [&](const TTriggerEffect& E) {
    return E.RowCol == RowCol && E.Flag == Flag;
  });
  if (It != FEffects.end()) {
    FEffects.erase(It);
  } else {
    FEffects.push_back(TTriggerEffect{RowCol, Flag});
  }
}

void TTriggerEffects::ExecuteEffecte() {
  TBoard* B = Board();
  for (const TTriggerEffect& E : FEffects) {
    TCell* Cell = B->GetCell(B->RotateRowCol(E.RowCol, true));
    int32_t Flag = E.Flag;
    if (B->Rotation() != 0) {
      if (!IsWall(Flag)) {
        throw BoardRangeError("Trigger effect flag %d cannot turn with the board", Flag);
      }
      for (int32_t Turn = 0; Turn < B->Rotation(); ++Turn) {
        Flag = TurnWall(Flag);
      }
    }
    Cell->ToggleFlag(static_cast<TCellFlag>(Flag));
  }
  FEffects.clear();
  FIsExecuted = true;
}
