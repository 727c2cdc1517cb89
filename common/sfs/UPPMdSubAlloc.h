// The PPMd model's memory: one heap holding a text area that grows upwards from the bottom and an
// area of 12-byte units above it, handed out in blocks of 1 to 128 units from 38 size classes.
// Everything stored in the heap refers to other parts of it by 32-bit offsets from its base, so a
// unit keeps the 12-byte size of the 32-bit original whatever the pointer size, and the moment the
// memory runs out (which restarts the model) matches the original for the same data.
#pragma once

#include <cstddef>
#include <cstdint>

class TPPMdSubAllocator {
public:
  static constexpr uint32_t UnitSize = 12;
  static constexpr unsigned NumIndexes = 38;

  TPPMdSubAllocator() = default;
  ~TPPMdSubAllocator();
  TPPMdSubAllocator(const TPPMdSubAllocator&) = delete;
  TPPMdSubAllocator& operator=(const TPPMdSubAllocator&) = delete;

  // Makes sure a heap of exactly Bytes bytes is held: keeps the current one when its size matches,
  // otherwise frees it and allocates anew. False when the allocation fails (no heap is held then).
  bool Reserve(uint32_t Bytes);
  void Release();
  uint32_t HeapSize() const { return FSize; }

  // Empties the heap: no text, every unit free.
  void Init();

  uint8_t* Base() const { return FBase; }
  // The next free byte of the text area; the text may grow up to UnitsStart().
  uint32_t Text() const { return FText; }
  void SetText(uint32_t AText) { FText = AText; }
  uint32_t UnitsStart() const { return FUnitsStart; }

  // Allocation results are offsets from Base(); 0 when the memory is exhausted.
  uint32_t AllocContext();
  uint32_t AllocUnits(unsigned NU);
  // Grows a block of OldNU units by one unit, moving it when its size class changes.
  uint32_t ExpandUnits(uint32_t OldPtr, unsigned OldNU);
  // Shrinks a block from OldNU to NewNU units; never fails.
  uint32_t ShrinkUnits(uint32_t OldPtr, unsigned OldNU, unsigned NewNU);
  void FreeUnits(uint32_t Ptr, unsigned NU);

private:
  // A free block as it lies in the heap; Prev is used only while free blocks are glued.
  struct __attribute__((may_alias)) TFreeBlock {
    uint16_t Stamp;
    uint16_t NU;
    uint32_t Next;
    uint32_t Prev;
  };
  TFreeBlock* Block(uint32_t P) const { return reinterpret_cast<TFreeBlock*>(FBase + P); }

  void InsertNode(uint32_t P, unsigned Indx);
  uint32_t RemoveNode(unsigned Indx);
  void SplitBlock(uint32_t P, unsigned OldIndx, unsigned NewIndx);
  void GlueFreeBlocks();
  uint32_t AllocUnitsRare(unsigned Indx);

  uint8_t* FBase = nullptr;
  uint32_t FSize = 0;
  uint32_t FHeapStart = 0;
  uint32_t FText = 0;
  uint32_t FUnitsStart = 0;
  uint32_t FLoUnit = 0;
  uint32_t FHiUnit = 0;
  unsigned FGlueCount = 0;
  uint32_t FFreeList[NumIndexes] = {};
};

// Size classes of the sub-allocator: units per class and class per unit count.
struct TPPMdUnitTables {
  uint8_t Indx2Units[TPPMdSubAllocator::NumIndexes];
  uint8_t Units2Indx[128];
};

constexpr TPPMdUnitTables MakePPMdUnitTables() {
  TPPMdUnitTables T{};
  unsigned K = 0;
  for (unsigned I = 0; I < TPPMdSubAllocator::NumIndexes; I++) {
    unsigned Step = I >= 12 ? 4 : (I >> 2) + 1;
    for (; Step; Step--)
      T.Units2Indx[K++] = uint8_t(I);
    T.Indx2Units[I] = uint8_t(K);
  }
  return T;
}

inline constexpr TPPMdUnitTables PPMdUnitTables = MakePPMdUnitTables();
