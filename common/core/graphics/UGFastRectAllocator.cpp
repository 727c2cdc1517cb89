#include "graphics/UGFastRectAllocator.h"

#include "math/UGMathUtils.h"

#include <algorithm>
#include <utility>

namespace {

TGSurfaceRect MakeSurfaceRect(TGObject* Surface, int32_t Left, int32_t Top, int32_t Width,
                              int32_t Height) {
  return TGSurfaceRect{Surface, Left, Top, Width, Height, Width * Height};
}

int32_t Pow2(int32_t N) {
  return static_cast<int32_t>(NearestPow2(static_cast<uint32_t>(N)));
}

} // namespace

std::optional<TGSurfaceRect> TGFastRectAllocator::Allocate(int32_t Width, int32_t Height,
                                                           const TCreateSurface& CreateSurface) {
  if (Width <= 0 || Height <= 0 || Width > CMaxSide || Height > CMaxSide)
    return std::nullopt;

  // Power-of-two and large images fill a surface of their own; the rest of it stays unused.
  if ((IsPowerOf2(static_cast<uint32_t>(Width)) && IsPowerOf2(static_cast<uint32_t>(Height))) ||
      Width > CMaxSharedSide || Height > CMaxSharedSide) {
    int32_t SW = Pow2(Width);
    int32_t SH = Pow2(Height);
    TGObject* Surface = CreateSurface ? CreateSurface(SW, SH) : nullptr;
    if (!Surface)
      return std::nullopt;
    FSurfaces.push_back(TGSurfaceDesc{Surface, SW, SH});
    FAllocatedRects.push_back(MakeSurfaceRect(Surface, 0, 0, Width, Height));
    return FAllocatedRects.back();
  }

  int Index = FindFree(Width, Height);
  if (Index < 0) {
    int32_t SW = std::max(CMinSurfaceSide, Pow2(Width));
    int32_t SH = std::max(CMinSurfaceSide, Pow2(Height));
    // The callback may evict other surfaces (RemoveSurface), so nothing is held across it.
    TGObject* Surface = CreateSurface ? CreateSurface(SW, SH) : nullptr;
    if (!Surface)
      return std::nullopt;
    FSurfaces.push_back(TGSurfaceDesc{Surface, SW, SH});
    if (SW > 0 && SH > 0 && SW <= CMaxSide && SH <= CMaxSide) {
      FFreeRects.insert(FFreeRects.begin(), MakeSurfaceRect(Surface, 0, 0, SW, SH));
      SortPlace(0);
    }
    // The new surface is the only free space that can hold the request; a callback that made
    // it smaller than asked leaves none, and the request fails rather than asking forever.
    Index = FindFree(Width, Height);
    if (Index < 0)
      return std::nullopt;
  }
  return Split(Index, Width, Height);
}

int TGFastRectAllocator::FindFree(int32_t Width, int32_t Height) const {
  // The list is in non-increasing order of area, so the first fit from the end is the smallest;
  // among equal areas the later one wins.
  for (int I = static_cast<int>(FFreeRects.size()) - 1; I >= 0; --I) {
    const TGSurfaceRect& R = FFreeRects[static_cast<size_t>(I)];
    if (R.Width >= Width && R.Height >= Height)
      return I;
  }
  return -1;
}

TGSurfaceRect TGFastRectAllocator::Split(int Index, int32_t Width, int32_t Height) {
  const TGSurfaceRect R = FFreeRects[static_cast<size_t>(Index)];
  const int64_t DW = R.Width - Width;
  const int64_t DH = R.Height - Height;
  // Cut along the line that leaves the larger of the two pieces as large as possible.
  const int64_t A = std::max<int64_t>(DW, R.Height) * std::min<int64_t>(R.Width, DH);
  const int64_t B = std::max<int64_t>(R.Width, DH) * std::min<int64_t>(DW, R.Height);
  TGSurfaceRect Right;
  TGSurfaceRect Bottom;
  if (A < B) {
    // Vertical cut: the right piece takes the full height.
    Right = MakeSurfaceRect(R.Surface, R.Left + Width + 1, R.Top, R.Width - Width - 1, R.Height);
    Bottom = MakeSurfaceRect(R.Surface, R.Left, R.Top + Height + 1, Width, R.Height - Height - 1);
  } else {
    // Horizontal cut: the bottom piece takes the full width.
    Right = MakeSurfaceRect(R.Surface, R.Left + Width + 1, R.Top, R.Width - Width - 1, Height);
    Bottom = MakeSurfaceRect(R.Surface, R.Left, R.Top + Height + 1, R.Width, R.Height - Height - 1);
  }

  const TGSurfaceRect Placed = MakeSurfaceRect(R.Surface, R.Left, R.Top, Width, Height);
  FAllocatedRects.push_back(Placed);

  auto Usable = [](const TGSurfaceRect& P) {
    return P.Width >= CMinFreeSide && P.Height >= CMinFreeSide;
  };
  const auto Pos = FFreeRects.begin() + Index;
  if (Usable(Right)) {
    *Pos = Right;
    SortPlace(Index);
  } else {
    FFreeRects.erase(Pos);
  }
  if (Usable(Bottom)) {
    FFreeRects.insert(FFreeRects.begin() + Index, Bottom);
    SortPlace(Index);
  }
  return Placed;
}

void TGFastRectAllocator::SortPlace(int Index) {
  size_t I = static_cast<size_t>(Index);
  while (I + 1 < FFreeRects.size() && FFreeRects[I + 1].Square > FFreeRects[I].Square) {
    std::swap(FFreeRects[I], FFreeRects[I + 1]);
    ++I;
  }
}

void TGFastRectAllocator::RemoveSurface(const TGObject* Surface) {
  std::erase_if(FFreeRects, [Surface](const TGSurfaceRect& R) { return R.Surface == Surface; });
  std::erase_if(FAllocatedRects,
                [Surface](const TGSurfaceRect& R) { return R.Surface == Surface; });
  std::erase_if(FSurfaces, [Surface](const TGSurfaceDesc& S) { return S.Surface == Surface; });
}

void TGFastRectAllocator::Clear() {
  FFreeRects.clear();
  FAllocatedRects.clear();
  FSurfaces.clear();
}
