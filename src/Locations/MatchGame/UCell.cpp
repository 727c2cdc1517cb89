#include "Locations/MatchGame/UCell.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardLogic.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/ULevel.h"
#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <vector>

G_IMPLEMENT_CLASS(TCell)

namespace {

constexpr std::string_view CWallGfx = "Game/Match/MatchScreen/Blocker.png";
constexpr std::string_view CBackGfx = "Game\\Match\\MatchScreen\\01_Egypt_FieldA.jp2";
constexpr std::string_view CPathGfx = "Game\\Match\\MatchScreen\\KeyPathCell.png";
constexpr std::string_view CTileGfx = "Game\\Match\\MatchScreen\\FieldB.jp2";
constexpr std::string_view CTriggerGfx = "Game\\Match\\MatchScreen\\TriggetCell.ani";
constexpr std::string_view CPortalGfx = "Game\\Match\\MatchScreen\\Portal.ani";
constexpr std::string_view CTargetGfx = "Game\\Match\\MatchScreen\\TargetCell\\Target";

// A tile covers the cell while its density is in this range.
constexpr int32_t CMaxTiledDensity = 100;

TCellFlags ParseFlags(const TGXMLNode& Node) {
  std::vector<std::string> Parts;
  SplitString(Node.GetStrAttrDef("Flags", ""), ',', Parts);
  TCellFlags Flags;
  for (const std::string& Part : Parts) {
    if (IsBlank(Part)) {
      continue;
    }
    int32_t Flag = LevelInt(Node, "Flags", Part);
    if (Flag < 0 || Flag > CLastCellFlag) {
      throw BoardRangeError("Cell flag %d is outside 0..%d", Flag, CLastCellFlag);
    }
    Flags.Include(static_cast<TCellFlag>(Flag));
  }
  return Flags;
}

} // namespace

TCell::TCell(TGObject* AOwner, TRowCol ARowCol)
    : TGObject(AOwner)
    , FRowCol(ARowCol) {
  RefreshGraphics();
}

TBoard* TCell::Board() const {
  return ObjectCast<TBoard>(Owner());
}

void TCell::SetRowCol(TRowCol Value) {
  FRowCol = Value;
  RefreshGraphics();
}

TGFlatVector TCell::Centre() const {
  TGPoint P = Position();
  return TGFlatVector{static_cast<float>(P.X) + CCellSize / 2.0f,
                      static_cast<float>(P.Y) + CCellSize / 2.0f};
}

void TCell::Lock(TGObject* Task) {
  if (FIsLocked) {
    if (FLockedByTask == Task) {
      return;
    }
    throw Error("Cell (%d, %d) is locked by another task", FRowCol.Row, FRowCol.Col);
  }
  FIsLocked = true;
  FLockedByTask = Task;
}

void TCell::Unlock() {
  if (!FIsLocked) {
    throw Error("Cell (%d, %d) is not locked", FRowCol.Row, FRowCol.Col);
  }
  FIsLocked = false;
  FLockedByTask = nullptr;
}

void TCell::SetItem(TItem* Value) {
  FItem = Value;
  if (Value) {
    Value->SetCell(this);
  }
}

void TCell::SetFlags(TCellFlags Value) {
  FFlags = Value;
  RefreshGraphics();
}

void TCell::IncludeFlag(TCellFlag Flag) {
  TCellFlags F = FFlags;
  F.Include(Flag);
  SetFlags(F);
}

void TCell::ExcludeFlag(TCellFlag Flag) {
  TCellFlags F = FFlags;
  F.Exclude(Flag);
  SetFlags(F);
}

void TCell::ToggleFlag(TCellFlag Flag) {
  if (HasFlag(Flag)) {
    ExcludeFlag(Flag);
  } else {
    IncludeFlag(Flag);
  }
}

void TCell::SetDensity(int32_t Value) {
  FDensity = Value;
  RefreshGraphics();
}

bool TCell::LowerDensity() {
  if (FDensity <= 0) {
    return false;
  }
  SetDensity(FDensity - 1);
  return true;
}

void TCell::RefreshGraphics() {
  constexpr TCellFlag WallFlags[4] = {cfTopWall, cfLeftWall, cfRightWall, cfBottomWall};
  for (size_t Side = 0; Side < 4; ++Side) {
    FGraphics.Walls[Side] = HasFlag(WallFlags[Side]) ? CWallGfx : std::string_view();
  }
  if (IsHole()) {
    FGraphics.Back = FGraphics.Path = FGraphics.Tile = {};
    FGraphics.Trigger = FGraphics.Portal = {};
    FGraphics.Target.clear();
    return;
  }
  FGraphics.Back = CBackGfx;
  FGraphics.Path = HasFlag(cfBlockPath) ? CPathGfx : std::string_view();
  bool Uncovered = FDensity <= 0;
  TBoard* B = dynamic_cast<TBoard*>(Owner());
  FGraphics.Target.clear();
  if (HasFlag(cfBlockSocket) && Uncovered && B && B->IsBlockHere()) {
    const TBoardLogic* Logic = B->Logic();
    FGraphics.Target = std::string(CTargetGfx) + IdxToStr(Logic ? Logic->LockedSocketKind() : 0);
    if (Logic && Logic->IsLockedBlockSocket()) {
      FGraphics.Target += HasFlag(cfLockSocket) ? "Lock" : "UnLock";
    }
    FGraphics.Target += ".ani";
  }
  FGraphics.Trigger = HasFlag(cfTrigger) && Uncovered ? CTriggerGfx : std::string_view();
  bool Portal = HasFlag(cfActivePortal) || HasFlag(cfPassivePortal);
  FGraphics.Portal = Portal && Uncovered ? CPortalGfx : std::string_view();
  bool Tiled = FDensity >= 1 && FDensity <= CMaxTiledDensity;
  FGraphics.Tile = Tiled ? CTileGfx : std::string_view();
}

// "IsLocked" is not read: a lock belongs to a task, and a cell that the file locks would have
// no task to release it, so the board would never be still.
void TCell::LoadFromXML(const TGXMLNode& Node) {
  SetFlags(ParseFlags(Node));
  SetDensity(LevelIntAttrDef(Node, "Density", 0));
  if (FItem) {
    // Only a cell that holds an item takes the file's item in its place.
    TItem* Old = FItem;
    FItem = nullptr;
    Old->Free();
    TGXMLCollection* Items = Node.GetChilds("Item");
    if (Items->GetCount() > 0) {
      const TGXMLNode& ItemNode = *Items->GetItem(0);
      TGClass Class = TItem::GetClassByName(ItemNode.GetStrAttr("ClassName"));
      auto* NewItem = static_cast<TItem*>(Class->CreateInstance(Owner()));
      SetItem(NewItem);
      NewItem->LoadFromXML(ItemNode);
    }
  }
  TBoard* B = Board();
  if (HasFlag(cfBlockSocket) && B && B->Logic() && B->Logic()->IsLockedBlockSocket()) {
    IncludeFlag(cfLockSocket);
  }
}

void TCell::Update(float Seconds) {
  (void)Seconds;
  if (FItem && FItem->Cell() != this) {
    throw Error("The item on cell (%d, %d) stands elsewhere", FRowCol.Row, FRowCol.Col);
  }
}

void TCell::Destroy() {
  if (FItem && FItem->Cell() == this) {
    FItem->SetCell(nullptr);
  }
  FItem = nullptr;
  inherited::Destroy();
}
