// Items that must start on an aligned address: the bone matrices of skinning, which the vector
// units of the processor read best on 16-byte boundaries. Allocated once; freed with the object.
#pragma once

#include "object/UGObject.h"

#include <cstdint>
#include <memory>

class TGAlignedStorage : public TGObject {
  G_CLASS(TGAlignedStorage, TGObject)
  explicit TGAlignedStorage(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  // Room for Count items of ItemSize bytes, the first at a multiple of Alignment (a power of
  // two). A second call fails with "Storage is already allocated".
  void Allocate(int32_t ItemSize, int32_t Count, int32_t Alignment);
  // The start of item Index; an index outside 0 .. Count - 1 fails with "Assertion failure".
  void* GetItem(int32_t Index) const;
  int32_t ItemSize() const { return FItemSize; }
  int32_t ItemsCount() const { return FItemsCount; }
  void* Data() const { return FData; }

private:
  std::unique_ptr<uint8_t[]> FBuffer;
  int32_t FItemSize = 0;
  int32_t FItemsCount = 0;
  uint8_t* FData = nullptr; // the aligned start inside FBuffer
};
