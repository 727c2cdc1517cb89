#include "xml/UGXMLArena.h"

#include <algorithm>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define XML_ARENA_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define XML_ARENA_ASAN 1
#endif
#endif

#ifdef XML_ARENA_ASAN
#include <sanitizer/asan_interface.h>
// Freed objects and unused room stay poisoned, so that the address sanitizer still reports a
// use of an object of the arena after it was freed.
#define XML_POISON(Address, Size) ASAN_POISON_MEMORY_REGION(Address, Size)
#define XML_UNPOISON(Address, Size) ASAN_UNPOISON_MEMORY_REGION(Address, Size)
#else
#define XML_POISON(Address, Size) ((void)(Address), (void)(Size))
#define XML_UNPOISON(Address, Size) ((void)(Address), (void)(Size))
#endif

namespace {

// Every object has this before it: the arena it was taken from (none for the heap) and its
// size. Sixteen bytes keep the object aligned as the heap would align it.
struct alignas(16) TPrefix {
  TGXMLArena* Arena;
  size_t Size;
};
static_assert(sizeof(TPrefix) == 16);

constexpr size_t Align = alignof(TPrefix);
constexpr size_t MinChunk = 1024;
// Below the heap's threshold for blocks mapped on their own, which would be mapped and faulted
// in again for every document.
constexpr size_t MaxChunk = 64 * 1024;
// Larger objects go to the heap instead of leaving much of a chunk unused.
constexpr size_t MaxObject = MaxChunk / 8;

size_t Rounded(size_t Size) {
  return (Size + Align - 1) & ~(Align - 1);
}

// The room an object of Size bytes takes in a chunk, prefix included.
size_t Room(size_t Size) {
  return sizeof(TPrefix) + Rounded(Size);
}

} // namespace

struct alignas(16) TGXMLArena::TChunk {
  TChunk* Next;
  size_t Bytes;
};

TGXMLArena::TGXMLArena(size_t FirstChunk)
    : FChunkSize(std::clamp(Rounded(FirstChunk), MinChunk, MaxChunk)) {}

TGXMLArena::~TGXMLArena() {
  while (FChunks) {
    TChunk* Next = FChunks->Next;
    XML_UNPOISON(FChunks, FChunks->Bytes);
    ::operator delete(FChunks);
    FChunks = Next;
  }
}

void TGXMLArena::Release() noexcept {
  if (FRefs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    delete this;
  }
}

void* TGXMLArena::Take(size_t Size) {
  if (Size > MaxObject) {
    return nullptr;
  }
  size_t Need = Room(Size);
  if (static_cast<size_t>(FEnd - FNext) < Need) {
    // Each chunk doubles the one before, up to the largest size: a small document takes little.
    size_t Bytes = FChunks ? std::min(2 * FChunkSize, MaxChunk) : FChunkSize;
    if (sizeof(TChunk) + Need > Bytes) {
      return nullptr;
    }
    auto* Chunk = new (::operator new(Bytes)) TChunk{FChunks, Bytes};
    FChunks = Chunk;
    FChunkSize = Bytes;
    FNext = reinterpret_cast<char*>(Chunk + 1);
    FEnd = reinterpret_cast<char*>(Chunk) + Bytes;
    XML_POISON(FNext, static_cast<size_t>(FEnd - FNext));
  }
  char* Memory = FNext;
  FNext += Need;
  XML_UNPOISON(Memory, Need);
  // No other thread can free an object of the arena yet (see FRefs).
  FRefs.store(FRefs.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  return Memory;
}

void* XMLAllocate(size_t Size, TGXMLArena* Arena) {
  void* Memory = Arena ? Arena->Take(Size) : nullptr;
  if (!Memory) {
    Arena = nullptr;
    Memory = ::operator new(sizeof(TPrefix) + Size);
  }
  auto* Prefix = new (Memory) TPrefix{Arena, Size};
  return Prefix + 1;
}

void XMLFree(void* Memory) noexcept {
  if (!Memory) {
    return;
  }
  TPrefix* Prefix = static_cast<TPrefix*>(Memory) - 1;
  if (TGXMLArena* Arena = Prefix->Arena) {
    XML_POISON(Prefix, Room(Prefix->Size));
    Arena->Release();
  } else {
    ::operator delete(Prefix);
  }
}

TGXMLArena* XMLArenaOf(const void* Memory) {
  return Memory ? (static_cast<const TPrefix*>(Memory) - 1)->Arena : nullptr;
}
