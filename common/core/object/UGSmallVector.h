// A vector of plain values (pointers, method pairs) that keeps its first N values inside itself
// and goes to the heap only when it grows beyond them. Most owners own one object, most
// collections list a few items and most notifications have one or two handlers, so the lists of
// the object model rarely allocate. With one pointer inline it takes 16 bytes, less than an empty
// std::vector.
//
// Values are copied bytewise, so T must be trivially copyable. The vector can be moved but not
// copied.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <vector>

template <class T, uint32_t N>
class TGSmallVector {
  static_assert(std::is_trivially_copyable_v<T>, "values are copied bytewise");
  static_assert(N > 0, "at least one value inline");

public:
  using value_type = T;
  using size_type = size_t;
  using iterator = T*;
  using const_iterator = const T*;

  TGSmallVector() noexcept {}
  TGSmallVector(TGSmallVector&& Other) noexcept { TakeFrom(Other); }
  TGSmallVector& operator=(TGSmallVector&& Other) noexcept {
    if (this != &Other) {
      FreeHeap();
      TakeFrom(Other);
    }
    return *this;
  }
  TGSmallVector(const TGSmallVector&) = delete;
  TGSmallVector& operator=(const TGSmallVector&) = delete;
  ~TGSmallVector() { FreeHeap(); }

  size_t size() const { return FSize; }
  size_t capacity() const { return FCapacity; }
  bool empty() const { return FSize == 0; }
  T* data() { return OnHeap() ? FHeap : InlineData(); }
  const T* data() const { return OnHeap() ? FHeap : InlineData(); }
  T* begin() { return data(); }
  T* end() { return data() + FSize; }
  const T* begin() const { return data(); }
  const T* end() const { return data() + FSize; }
  T& operator[](size_t Index) { return data()[Index]; }
  const T& operator[](size_t Index) const { return data()[Index]; }
  T& back() { return data()[FSize - 1]; }
  const T& back() const { return data()[FSize - 1]; }

  void push_back(const T& Value) {
    T Copy = Value; // Value may be one of ours, and growing moves them
    if (FSize == FCapacity) {
      Grow(size_t{FSize} + 1);
    }
    data()[FSize++] = Copy;
  }
  void pop_back() { --FSize; }
  iterator insert(const_iterator Pos, const T& Value) {
    size_t Index = static_cast<size_t>(Pos - begin());
    push_back(Value);
    std::rotate(begin() + Index, end() - 1, end());
    return begin() + Index;
  }
  iterator erase(const_iterator Pos) { return erase(Pos, Pos + 1); }
  iterator erase(const_iterator First, const_iterator Last) {
    T* To = begin() + (First - begin());
    T* Rest = begin() + (Last - begin());
    std::copy(Rest, end(), To);
    FSize -= static_cast<uint32_t>(Rest - To);
    return To;
  }
  void clear() { FSize = 0; }
  void reserve(size_t Capacity) {
    if (Capacity > FCapacity) {
      Grow(Capacity);
    }
  }

  // Equal to any vector with the same values in the same order.
  friend bool operator==(const TGSmallVector& A, const std::vector<T>& B) {
    return std::equal(A.begin(), A.end(), B.begin(), B.end());
  }
  friend bool operator==(const TGSmallVector& A, const TGSmallVector& B) {
    return std::equal(A.begin(), A.end(), B.begin(), B.end());
  }

private:
  bool OnHeap() const { return FCapacity > N; }
  T* InlineData() { return reinterpret_cast<T*>(FInline); }
  const T* InlineData() const { return reinterpret_cast<const T*>(FInline); }

  void Grow(size_t MinCapacity) {
    if (MinCapacity > std::numeric_limits<uint32_t>::max()) {
      throw std::length_error("TGSmallVector too long");
    }
    size_t Capacity = std::max<size_t>({MinCapacity, size_t{FCapacity} * 2, 4});
    Capacity = std::min<size_t>(Capacity, std::numeric_limits<uint32_t>::max());
    T* Heap = std::allocator<T>().allocate(Capacity);
    std::memcpy(static_cast<void*>(Heap), data(), sizeof(T) * FSize);
    FreeHeap();
    FHeap = Heap;
    FCapacity = static_cast<uint32_t>(Capacity);
  }
  void FreeHeap() {
    if (OnHeap()) {
      std::allocator<T>().deallocate(FHeap, FCapacity);
      FCapacity = N;
    }
  }
  // Takes Other's values (its heap block, or a copy of its inline ones); Other is left empty.
  void TakeFrom(TGSmallVector& Other) {
    if (Other.OnHeap()) {
      FHeap = Other.FHeap;
    } else {
      std::memcpy(static_cast<void*>(InlineData()), Other.InlineData(), sizeof(T) * Other.FSize);
    }
    FSize = Other.FSize;
    FCapacity = Other.FCapacity;
    Other.FSize = 0;
    Other.FCapacity = N;
  }

  union {
    T* FHeap;
    alignas(T) std::byte FInline[sizeof(T) * N];
  };
  uint32_t FSize = 0;
  uint32_t FCapacity = N; // above N: the values are on the heap
};
