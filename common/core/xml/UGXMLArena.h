// Storage for the objects of one document being read: its nodes, their child collections and
// their attribute blocks are carved one after the other out of large chunks instead of being
// allocated one by one. A large document makes tens of thousands of them, and allocating (and
// later freeing) each on the heap costs a good part of building the tree.
//
// Every object taken from an arena holds it, so the arena goes when the last of them is freed,
// however the tree is taken apart: a node moved to another tree or kept after the rest of its
// document was freed stays valid (and keeps its document's chunks). The memory of a freed object
// is not used again before then. Objects made after loading (new nodes, attribute blocks that
// grow) come from the heap.
#pragma once

#include <atomic>
#include <cstddef>

class TGXMLArena {
public:
  // A new arena whose first chunk holds about FirstChunk bytes; the caller holds one reference
  // and gives it up with Release.
  explicit TGXMLArena(size_t FirstChunk);
  TGXMLArena(const TGXMLArena&) = delete;
  TGXMLArena& operator=(const TGXMLArena&) = delete;

  // Gives up one reference; the last frees the arena with its chunks.
  void Release() noexcept;
  // The objects that hold the arena, and its maker while it holds it.
  size_t References() const { return FRefs.load(std::memory_order_acquire); }

private:
  friend void* XMLAllocate(size_t Size, TGXMLArena* Arena);
  struct TChunk;

  ~TGXMLArena();
  // Room for an object of Size bytes after its prefix, or none when it is better on the heap.
  void* Take(size_t Size);

  TChunk* FChunks = nullptr;
  char* FNext = nullptr;
  char* FEnd = nullptr;
  size_t FChunkSize;
  // Only the loader that fills an arena takes objects from it, before any of them can be reached
  // elsewhere; they may be freed on any thread.
  std::atomic<size_t> FRefs{1};
};

// Memory for one object of an XML tree, taken from Arena when one is given (the object then
// holds it) or from the heap, aligned for any object; it goes back with XMLFree either way.
void* XMLAllocate(size_t Size, TGXMLArena* Arena);
// Gives back memory from XMLAllocate; nothing for none.
void XMLFree(void* Memory) noexcept;
// The arena that memory from XMLAllocate was taken from, or none when it is on the heap.
TGXMLArena* XMLArenaOf(const void* Memory);
