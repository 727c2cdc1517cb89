#include "scene3d/UGAlignedStorage.h"

#include "object/UGClassBuilder.h"

#include <bit>
#include <cstdint>
#include <limits>

G_IMPLEMENT_CLASS(TGAlignedStorage)

void TGAlignedStorage::Allocate(int32_t ItemSize, int32_t Count, int32_t Alignment) {
  if (FBuffer)
    throw Error("Storage is already allocated");
  if (ItemSize <= 0 || Count < 0 || Alignment <= 0 ||
      !std::has_single_bit(static_cast<uint32_t>(Alignment)) ||
      int64_t{ItemSize} * Count > std::numeric_limits<int32_t>::max())
    throw Error("Storage of %d items of %d bytes aligned to %d cannot be allocated", Count,
                ItemSize, Alignment);
  const size_t Bytes = static_cast<size_t>(ItemSize) * static_cast<size_t>(Count);
  FBuffer = std::make_unique<uint8_t[]>(Bytes + static_cast<size_t>(Alignment));
  const auto Start = reinterpret_cast<uintptr_t>(FBuffer.get());
  const uintptr_t Aligned =
      (Start + static_cast<uintptr_t>(Alignment) - 1) & ~(static_cast<uintptr_t>(Alignment) - 1);
  FData = FBuffer.get() + (Aligned - Start);
  FItemSize = ItemSize;
  FItemsCount = Count;
}

void* TGAlignedStorage::GetItem(int32_t Index) const {
  if (Index < 0 || Index >= FItemsCount)
    throw Error("Assertion failure");
  return FData + static_cast<size_t>(Index) * static_cast<size_t>(FItemSize);
}
