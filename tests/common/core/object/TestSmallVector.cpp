#include "object/UGSmallVector.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

TEST(SmallVector, GrowsFromItsInlineSlotsAndMovesItsValues) {
  TGSmallVector<int, 2> V;
  for (int I = 1; I <= 9; ++I) {
    V.push_back(I);
    EXPECT_EQ(V.capacity() == 2, I <= 2) << I; // inline as long as the values fit
  }
  V.erase(V.begin() + 1, V.begin() + 4);
  V.erase(V.begin());
  V.insert(V.begin() + 2, 0);
  EXPECT_EQ(V, (std::vector<int>{5, 6, 0, 7, 8, 9}));
  // A value of the vector itself survives the move to a larger block.
  TGSmallVector<int, 1> Self;
  Self.push_back(42);
  Self.push_back(Self[0]);
  EXPECT_EQ(Self, (std::vector<int>{42, 42}));

  // Moving takes the heap block or copies the inline values, and leaves an empty vector.
  TGSmallVector<int, 2> Heap = std::move(V);
  TGSmallVector<int, 2> Inline;
  Inline.push_back(1);
  TGSmallVector<int, 2> Copy = std::move(Inline);
  EXPECT_EQ(Heap, (std::vector<int>{5, 6, 0, 7, 8, 9}));
  EXPECT_EQ(Copy, (std::vector<int>{1}));
  EXPECT_TRUE(V.empty() && Inline.empty());
  EXPECT_EQ(V.capacity(), 2u);
  Copy = std::move(Heap);
  EXPECT_EQ(Copy.size(), 6u);
  V.push_back(7); // usable again
  EXPECT_EQ(V, (std::vector<int>{7}));
}
