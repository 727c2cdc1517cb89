// One cell of the match-three board: its position, the item on it, its flags (holes, walls,
// sockets and origins of blocks, triggers, portals), its density (the covering layers still to
// clear) and the lock a board task holds on it while it works there.
#pragma once

#include "Locations/MatchGame/URowCol.h"
#include "object/UGClassBuilder.h"
#include "object/UGObject.h"

#include <array>
#include <string>
#include <string_view>

class TBoard;
class TItem;
class TGXMLNode;

// The ordinals are stored in level files.
enum TCellFlag {
  cfHole = 0,        // no cell here: never holds an item, not drawn, not counted
  cfBlockOrigin = 1, // spawned blocks appear here (origins are numbered in row-major order)
  cfBlockSocket = 2, // where the blocks are taken
  cfTopWall = 3,     // walls on the cell's sides
  cfLeftWall = 4,
  cfRightWall = 5,
  cfBottomWall = 6,
  cfBlockPath = 7,     // the blocks' way, shown as a path
  cfLockSocket = 8,    // the socket is locked until a match opens it
  cfTrigger = 9,       // a block here fires the trigger effects
  cfActivePortal = 10, // a block here is sent to another portal
  cfPassivePortal = 11 // a portal a block has just arrived on
};
constexpr int32_t CLastCellFlag = cfPassivePortal;

using TCellFlags = TGSet<TCellFlag>;

// The pictures a cell shows, by resource name; an empty name shows nothing. Back and Tile are
// crops of 41 by 41 pixels of their field pictures at the cell's pixel position; the walls are
// drawn on the middle of their sides.
struct TCellGraphics {
  std::array<std::string_view, 4> Walls; // top, left, right, bottom
  std::string_view Back;
  std::string_view Path;
  std::string_view Tile;
  std::string_view Trigger;
  std::string_view Portal;
  std::string Target; // the socket's target animation, named after the kind that unlocks it
};

class TCell : public TGObject {
  G_CLASS(TCell, TGObject)
  // Owned by the board.
  explicit TCell(TGObject* AOwner = nullptr, TRowCol ARowCol = {});

  TBoard* Board() const;
  TRowCol RowCol() const { return FRowCol; }
  void SetRowCol(TRowCol Value);
  // The top-left pixel of the cell in the board widget, and its centre.
  TGPoint Position() const { return GetCellXY(FRowCol); }
  TGFlatVector Centre() const;

  // The task working on the cell. Locking a cell that another task holds, or unlocking a cell
  // that is not locked, raises the generic error; locking it again for the same task does
  // nothing.
  bool IsLocked() const { return FIsLocked; }
  TGObject* LockedByTask() const { return FLockedByTask; }
  void Lock(TGObject* Task);
  void Unlock();

  // The item on the cell; setting one also tells the item its cell.
  TItem* Item() const { return FItem; }
  void SetItem(TItem* Value);

  TCellFlags Flags() const { return FFlags; }
  void SetFlags(TCellFlags Value);
  bool HasFlag(TCellFlag Flag) const { return FFlags.Contains(Flag); }
  void IncludeFlag(TCellFlag Flag);
  void ExcludeFlag(TCellFlag Flag);
  void ToggleFlag(TCellFlag Flag);
  bool IsHole() const { return HasFlag(cfHole); }

  // Covering layers left; the cell is cleared at 0 or below.
  int32_t Density() const { return FDensity; }
  void SetDensity(int32_t Value);
  bool IsCleared() const { return FDensity <= 0; }
  // One layer less, never below 0; whether the density changed.
  bool LowerDensity();

  const TCellGraphics& Graphics() const { return FGraphics; }
  // Works out the pictures from the flags, the density and the board's state; runs whenever the
  // flags or the density change, and for sockets when a block arrives.
  void RefreshGraphics();

  // A "Cell" element of a level file: "Flags", "Density", and the item (see the unit).
  void LoadFromXML(const TGXMLNode& Node);
  // Checks that the item on the cell knows it stands here.
  void Update(float Seconds);

protected:
  void Destroy() override;

private:
  TRowCol FRowCol;
  TGObject* FLockedByTask = nullptr;
  bool FIsLocked = false;
  TItem* FItem = nullptr; // owned by the board
  TCellFlags FFlags;
  int32_t FDensity = 0;
  TCellGraphics FGraphics;
};
