// Packing of rectangles into surfaces (texture pages): a best-fit guillotine allocator.
//
// Free space is a list of rectangles kept in non-increasing order of area; a request takes the
// smallest free rectangle that holds it (one backward scan), places itself at its top-left corner
// and splits the rest into a right and a bottom piece, leaving a one-pixel gap to the right of
// and below the image so that filtering never bleeds a neighbour in. Pieces narrower or lower
// than 15 pixels are dropped. Free space is never merged: it comes back only when the whole
// surface is removed.
//
// Requests that are powers of two on both sides, or larger than 512 on a side, get a surface of
// their own. Surfaces are made by the caller's callback and stay the caller's; the allocator only
// remembers them as opaque object pointers.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class TGObject;

// A rectangle on a surface; Square is Width × Height.
class TGSurfaceRect {
public:
  TGObject* Surface = nullptr;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Square = 0;

  friend bool operator==(const TGSurfaceRect&, const TGSurfaceRect&) = default;
};

// A surface the allocator placed rectangles on, with its size as the callback gave it.
class TGSurfaceDesc {
public:
  TGObject* Surface = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;

  friend bool operator==(const TGSurfaceDesc&, const TGSurfaceDesc&) = default;
};

class TGFastRectAllocator {
public:
  // Makes a new surface of Width × Height (it may change both to the size it really made), or
  // returns none when it cannot.
  using TCreateSurface = std::function<TGObject*(int32_t& Width, int32_t& Height)>;

  // No request may be larger than this on a side (larger ones get none).
  static constexpr int32_t CMaxSide = 32768;
  // Requests wider or higher than this get a surface of their own.
  static constexpr int32_t CMaxSharedSide = 512;
  // The smallest side of a shared surface.
  static constexpr int32_t CMinSurfaceSide = 256;
  // Free pieces narrower or lower than this are dropped.
  static constexpr int32_t CMinFreeSide = 15;

  TGFastRectAllocator() = default;
  TGFastRectAllocator(const TGFastRectAllocator&) = delete;
  TGFastRectAllocator& operator=(const TGFastRectAllocator&) = delete;

  // A Width × Height rectangle on some surface, or none when a surface was needed and
  // CreateSurface gave none (or the size is not positive or too large).
  std::optional<TGSurfaceRect> Allocate(int32_t Width, int32_t Height,
                                        const TCreateSurface& CreateSurface);
  // Forgets Surface and every free and allocated rectangle on it, keeping the order of the rest.
  void RemoveSurface(const TGObject* Surface);
  // Forgets every rectangle and surface.
  void Clear();

  const std::vector<TGSurfaceRect>& FreeRects() const { return FFreeRects; }
  const std::vector<TGSurfaceRect>& AllocatedRects() const { return FAllocatedRects; }
  const std::vector<TGSurfaceDesc>& Surfaces() const { return FSurfaces; }

private:
  // The index of the smallest free rectangle holding Width × Height, or -1.
  int FindFree(int32_t Width, int32_t Height) const;
  // Places Width × Height at the top-left corner of the free rectangle at Index.
  TGSurfaceRect Split(int Index, int32_t Width, int32_t Height);
  // Moves the free rectangle at Index towards the end past every larger one.
  void SortPlace(int Index);

  std::vector<TGSurfaceRect> FFreeRects; // non-increasing Square
  std::vector<TGSurfaceRect> FAllocatedRects;
  std::vector<TGSurfaceDesc> FSurfaces;
};
