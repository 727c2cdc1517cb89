#include "sfs/UPPMdSubAlloc.h"

#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

// Sanitizer builds take the heap from malloc, whose guard zones catch stray accesses at its ends.
#if defined(__SANITIZE_ADDRESS__)
#define HOE_PPMD_MALLOC_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define HOE_PPMD_MALLOC_HEAP 1
#endif
#endif

namespace {

constexpr const TPPMdUnitTables& T = PPMdUnitTables;

constexpr uint32_t U2B(unsigned NU) {
  return NU * TPPMdSubAllocator::UnitSize;
}

// Blocks glued together never exceed this many units (the count is kept in 16 bits).
constexpr unsigned MaxGluedUnits = 0x10000;
// Marks a block as free while free blocks are glued. No unit in use starts with this value: a
// context starts with its symbol count (1..256), a statistics block with a symbol and a frequency
// that stays far below 255.
constexpr uint16_t FreeStamp = 0xFFFF;

} // namespace

TPPMdSubAllocator::~TPPMdSubAllocator() {
  Release();
}

namespace {

// Zeroed memory that costs nothing until touched: the model fills its heap from both ends as it
// learns, so a block that codes little uses little of a large heap.
uint8_t* AllocateHeap(size_t Bytes) {
#ifdef HOE_PPMD_MALLOC_HEAP
  return static_cast<uint8_t*>(std::calloc(Bytes, 1));
#else
  void* P = ::mmap(nullptr, Bytes, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  return P == MAP_FAILED ? nullptr : static_cast<uint8_t*>(P);
#endif
}

void FreeHeap(uint8_t* P, size_t Bytes) {
#ifdef HOE_PPMD_MALLOC_HEAP
  (void)Bytes;
  std::free(P);
#else
  if (P)
    ::munmap(P, Bytes);
#endif
}

} // namespace

bool TPPMdSubAllocator::Reserve(uint32_t Bytes) {
  if (FBase && FSize == Bytes)
    return true;
  Release();
  // Offset 0 stands for "none", so the heap starts one unit in; one zeroed unit after its end
  // stops the gluing of free blocks there.
  FBase = AllocateHeap(size_t(Bytes) + 3 * UnitSize);
  if (!FBase)
    return false;
  FSize = Bytes;
  FHeapStart = UnitSize;
  Init();
  return true;
}

void TPPMdSubAllocator::Release() {
  FreeHeap(FBase, size_t(FSize) + 3 * UnitSize);
  FBase = nullptr;
  FSize = 0;
}

void TPPMdSubAllocator::Init() {
  std::memset(FFreeList, 0, sizeof(FFreeList));
  FText = FHeapStart;
  FHiUnit = FHeapStart + FSize;
  FLoUnit = FUnitsStart = FHiUnit - U2B(FSize / 8 / UnitSize * 7);
  FGlueCount = 0;
}

void TPPMdSubAllocator::InsertNode(uint32_t P, unsigned Indx) {
  Block(P)->Next = FFreeList[Indx];
  FFreeList[Indx] = P;
}

uint32_t TPPMdSubAllocator::RemoveNode(unsigned Indx) {
  uint32_t P = FFreeList[Indx];
  FFreeList[Indx] = Block(P)->Next;
  return P;
}

void TPPMdSubAllocator::SplitBlock(uint32_t P, unsigned OldIndx, unsigned NewIndx) {
  unsigned UDiff = T.Indx2Units[OldIndx] - T.Indx2Units[NewIndx];
  P += U2B(T.Indx2Units[NewIndx]);
  unsigned I = T.Units2Indx[UDiff - 1];
  if (T.Indx2Units[I] != UDiff) {
    InsertNode(P, --I);
    P += U2B(T.Indx2Units[I]);
    UDiff -= T.Indx2Units[I];
  }
  InsertNode(P, T.Units2Indx[UDiff - 1]);
}

// Gathers every free block into one list, merges neighbours and files the results again. The
// order of the list and of the refiling follows the original, so later allocations pick the same
// blocks and the memory runs out at the same moment.
void TPPMdSubAllocator::GlueFreeBlocks() {
  // The list is doubly linked through the blocks; offset 0 is its head node, kept here.
  uint32_t HeadNext = 0, HeadPrev = 0;
  auto GetNext = [&](uint32_t P) -> uint32_t { return P ? Block(P)->Next : HeadNext; };
  auto SetNext = [&](uint32_t P, uint32_t V) { (P ? Block(P)->Next : HeadNext) = V; };
  auto SetPrev = [&](uint32_t P, uint32_t V) { (P ? Block(P)->Prev : HeadPrev) = V; };
  auto Unlink = [&](uint32_t P) {
    uint32_t N = Block(P)->Next, Pr = Block(P)->Prev;
    SetNext(Pr, N);
    SetPrev(N, Pr);
  };

  if (FLoUnit != FHiUnit)
    FBase[FLoUnit] = 0;
  for (unsigned I = 0; I < NumIndexes; I++)
    while (FFreeList[I]) {
      uint32_t P = RemoveNode(I);
      // Insert right after the head.
      Block(P)->Prev = 0;
      Block(P)->Next = HeadNext;
      SetPrev(HeadNext, P);
      HeadNext = P;
      Block(P)->Stamp = FreeStamp;
      Block(P)->NU = T.Indx2Units[I];
    }
  for (uint32_t P = HeadNext; P; P = GetNext(P))
    for (;;) {
      uint32_t P1 = P + U2B(Block(P)->NU);
      if (Block(P1)->Stamp != FreeStamp || unsigned(Block(P)->NU) + Block(P1)->NU >= MaxGluedUnits)
        break;
      Unlink(P1);
      Block(P)->NU = uint16_t(Block(P)->NU + Block(P1)->NU);
    }
  while (uint32_t P = HeadNext) {
    Unlink(P);
    unsigned Sz = Block(P)->NU;
    for (; Sz > 128; Sz -= 128, P += U2B(128))
      InsertNode(P, NumIndexes - 1);
    unsigned I = T.Units2Indx[Sz - 1];
    if (T.Indx2Units[I] != Sz) {
      unsigned K = Sz - T.Indx2Units[--I];
      InsertNode(P + U2B(Sz - K), K - 1);
    }
    InsertNode(P, I);
  }
}

uint32_t TPPMdSubAllocator::AllocUnitsRare(unsigned Indx) {
  if (FGlueCount == 0) {
    FGlueCount = 255;
    GlueFreeBlocks();
    if (FFreeList[Indx])
      return RemoveNode(Indx);
  }
  unsigned I = Indx;
  do {
    if (++I == NumIndexes) {
      FGlueCount--;
      uint32_t Bytes = U2B(T.Indx2Units[Indx]);
      if (FUnitsStart - FText > Bytes)
        return FUnitsStart -= Bytes;
      return 0;
    }
  } while (!FFreeList[I]);
  uint32_t P = RemoveNode(I);
  SplitBlock(P, I, Indx);
  return P;
}

uint32_t TPPMdSubAllocator::AllocContext() {
  if (FHiUnit != FLoUnit)
    return FHiUnit -= UnitSize;
  if (FFreeList[0])
    return RemoveNode(0);
  return AllocUnitsRare(0);
}

uint32_t TPPMdSubAllocator::AllocUnits(unsigned NU) {
  unsigned Indx = T.Units2Indx[NU - 1];
  if (FFreeList[Indx])
    return RemoveNode(Indx);
  uint32_t Bytes = U2B(T.Indx2Units[Indx]);
  if (FHiUnit - FLoUnit >= Bytes) {
    uint32_t P = FLoUnit;
    FLoUnit += Bytes;
    return P;
  }
  return AllocUnitsRare(Indx);
}

uint32_t TPPMdSubAllocator::ExpandUnits(uint32_t OldPtr, unsigned OldNU) {
  unsigned I0 = T.Units2Indx[OldNU - 1], I1 = T.Units2Indx[OldNU];
  if (I0 == I1)
    return OldPtr;
  uint32_t P = AllocUnits(OldNU + 1);
  if (P) {
    std::memcpy(FBase + P, FBase + OldPtr, U2B(OldNU));
    InsertNode(OldPtr, I0);
  }
  return P;
}

uint32_t TPPMdSubAllocator::ShrinkUnits(uint32_t OldPtr, unsigned OldNU, unsigned NewNU) {
  unsigned I0 = T.Units2Indx[OldNU - 1], I1 = T.Units2Indx[NewNU - 1];
  if (I0 == I1)
    return OldPtr;
  if (FFreeList[I1]) {
    uint32_t P = RemoveNode(I1);
    std::memcpy(FBase + P, FBase + OldPtr, U2B(NewNU));
    InsertNode(OldPtr, I0);
    return P;
  }
  SplitBlock(OldPtr, I0, I1);
  return OldPtr;
}

void TPPMdSubAllocator::FreeUnits(uint32_t Ptr, unsigned NU) {
  InsertNode(Ptr, T.Units2Indx[NU - 1]);
}
