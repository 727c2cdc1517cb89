// The rectangle allocator on fake surfaces: exact placements, split cuts, free-list order,
// dedicated surfaces, discarded slivers, surface removal.
#include "graphics/UGFastRectAllocator.h"
#include "object/UGObject.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
#include <random>
#include <utility>
#include <vector>

namespace {

struct TRequest {
  int32_t Width, Height;
};

class RectAllocator : public ::testing::Test {
protected:
  // Surfaces are plain objects owned by Root; each request to the callback is recorded, and a
  // queued size overrides the size asked for.
  TGObject* CreateSurface(int32_t& W, int32_t& H) {
    Requests.push_back({W, H});
    if (Refuse)
      return nullptr;
    if (!Override.empty()) {
      W = Override.front().Width;
      H = Override.front().Height;
      Override.pop_front();
    }
    return new TGObject(Root.get());
  }
  std::optional<TGSurfaceRect> Allocate(int32_t W, int32_t H) {
    return A.Allocate(W, H, [this](int32_t& SW, int32_t& SH) { return CreateSurface(SW, SH); });
  }
  TGObject* Surface(size_t I) const { return A.Surfaces().at(I).Surface; }

  TGObjectPtr<TGObject> Root{new TGObject(nullptr)};
  TGFastRectAllocator A;
  std::vector<TRequest> Requests;
  std::deque<TRequest> Override;
  bool Refuse = false;
};

TGSurfaceRect R(TGObject* S, int32_t L, int32_t T, int32_t W, int32_t H) {
  return TGSurfaceRect{S, L, T, W, H, W * H};
}

void ExpectRequests(const std::vector<TRequest>& Got, std::vector<std::pair<int, int>> Want) {
  ASSERT_EQ(Got.size(), Want.size());
  for (size_t I = 0; I < Want.size(); ++I) {
    EXPECT_EQ(Got[I].Width, Want[I].first) << "request " << I;
    EXPECT_EQ(Got[I].Height, Want[I].second) << "request " << I;
  }
}

TEST_F(RectAllocator, FirstImageSplitsANewPageHorizontally) {
  // a = max(156, 256) * min(256, 206) = 52736 is not below b = max(256, 206) * min(156, 256) =
  // 39936: the bottom piece takes the full width.
  auto P = Allocate(100, 50);
  ASSERT_TRUE(P);
  ExpectRequests(Requests, {{256, 256}});
  TGObject* S = Surface(0);
  EXPECT_EQ(*P, R(S, 0, 0, 100, 50));
  EXPECT_EQ(A.Surfaces(), (std::vector<TGSurfaceDesc>{{S, 256, 256}}));
  EXPECT_EQ(A.AllocatedRects(), std::vector<TGSurfaceRect>{R(S, 0, 0, 100, 50)});
  EXPECT_EQ(A.FreeRects(),
            (std::vector<TGSurfaceRect>{R(S, 0, 51, 256, 205), R(S, 101, 0, 155, 50)}));

  // The next image goes into the smallest piece that holds it: 155 x 50.
  auto Q = Allocate(40, 30);
  ASSERT_TRUE(Q);
  EXPECT_EQ(*Q, R(S, 101, 0, 40, 30));
  // In 155 x 50: dw = 115, dh = 20; a = 115 * 20 = 2300 < b = 155 * 50 = 7750: vertical cut,
  // the bottom piece (101, 31) 40 x 19 is kept, the right piece (142, 0) 114 x 50 too.
  EXPECT_EQ(A.FreeRects(), (std::vector<TGSurfaceRect>{R(S, 0, 51, 256, 205), R(S, 142, 0, 114, 50),
                                                       R(S, 101, 31, 40, 19)}));
  EXPECT_EQ(Requests.size(), 1u);
}

TEST_F(RectAllocator, PowerOfTwoAndLargeImagesGetDedicatedSurfaces) {
  auto P = Allocate(64, 64);
  ASSERT_TRUE(P);
  EXPECT_EQ(*P, R(Surface(0), 0, 0, 64, 64));
  auto Q = Allocate(600, 20);
  ASSERT_TRUE(Q);
  EXPECT_EQ(*Q, R(Surface(1), 0, 0, 600, 20));
  auto T = Allocate(20, 513);
  ASSERT_TRUE(T);
  EXPECT_EQ(*T, R(Surface(2), 0, 0, 20, 513));
  ExpectRequests(Requests, {{64, 64}, {1024, 32}, {32, 1024}});
  // The rest of a dedicated surface is never offered.
  EXPECT_TRUE(A.FreeRects().empty());
  EXPECT_EQ(A.AllocatedRects().size(), 3u);
  auto Small = Allocate(10, 10);
  ASSERT_TRUE(Small);
  EXPECT_EQ(Small->Surface, Surface(3));
  ExpectRequests(Requests, {{64, 64}, {1024, 32}, {32, 1024}, {256, 256}});
}

TEST_F(RectAllocator, SharedPagesArePowersOfTwoAtLeast256) {
  Allocate(512, 300); // not both powers of two and not larger than 512: shared
  EXPECT_EQ(A.AllocatedRects(), std::vector<TGSurfaceRect>{R(Surface(0), 0, 0, 512, 300)});
  for (TRequest Q : {TRequest{300, 17}, TRequest{257, 257}, TRequest{20, 200}, TRequest{3, 5}}) {
    A.Clear();
    Allocate(Q.Width, Q.Height);
  }
  ExpectRequests(Requests, {{512, 512}, {512, 256}, {512, 512}, {256, 256}, {256, 256}});
}

TEST_F(RectAllocator, PiecesBelow15PixelsAreDiscarded) {
  // 241 x 100 in 256 x 256: horizontal cut; the right piece is 14 wide and goes.
  Allocate(241, 100);
  TGObject* S0 = Surface(0);
  EXPECT_EQ(A.FreeRects(), std::vector<TGSurfaceRect>{R(S0, 0, 101, 256, 155)});

  A.Clear();
  // 240 x 15: the right piece is exactly 15 x 15 and stays.
  Allocate(240, 15);
  TGObject* S1 = Surface(0);
  EXPECT_EQ(A.FreeRects(),
            (std::vector<TGSurfaceRect>{R(S1, 0, 16, 256, 240), R(S1, 241, 0, 15, 15)}));

  A.Clear();
  // 240 x 14: the right piece is 15 x 14 and goes.
  Allocate(240, 14);
  EXPECT_EQ(A.FreeRects(), std::vector<TGSurfaceRect>{R(Surface(0), 0, 15, 256, 241)});

  A.Clear();
  // 255 x 242 fills all but slivers: nothing is left free.
  Allocate(255, 242);
  EXPECT_TRUE(A.FreeRects().empty());
  EXPECT_EQ(A.AllocatedRects(), std::vector<TGSurfaceRect>{R(Surface(0), 0, 0, 255, 242)});
}

TEST_F(RectAllocator, VerticalCutAndBestFitBySmallestArea) {
  // A 461 x 300 surface (the callback may change the size): 250 x 49 gives dw = 211, dh = 251,
  // a = 300 * 251 = 75300 < b = 461 * 211 = 97271: vertical cut, the right piece takes the full
  // height.
  Override.push_back({461, 300});
  auto P = Allocate(250, 49);
  ASSERT_TRUE(P);
  TGObject* S = Surface(0);
  EXPECT_EQ(A.Surfaces(), (std::vector<TGSurfaceDesc>{{S, 461, 300}}));
  // The bottom piece (62,500) is inserted before the right one (63,000) and moves behind it.
  EXPECT_EQ(A.FreeRects(),
            (std::vector<TGSurfaceRect>{R(S, 251, 0, 210, 300), R(S, 0, 50, 250, 250)}));

  // 200 x 200 takes the 250 x 250 rectangle, the smaller of the two that hold it.
  auto Q = Allocate(200, 200);
  ASSERT_TRUE(Q);
  EXPECT_EQ(*Q, R(S, 0, 50, 200, 200));
  // a = b = 12500: horizontal cut.
  EXPECT_EQ(A.FreeRects(),
            (std::vector<TGSurfaceRect>{R(S, 251, 0, 210, 300), R(S, 0, 251, 250, 49),
                                        R(S, 201, 50, 49, 200)}));
  EXPECT_EQ(Requests.size(), 1u);
}

TEST_F(RectAllocator, EqualAreasKeepTheirOrderAndTheLaterOneWins) {
  Allocate(300, 300); // page 1 of 512 x 512: right 211 x 300, bottom 512 x 211
  Allocate(300, 300); // does not fit the rest: page 2
  TGObject* S1 = Surface(0);
  TGObject* S2 = Surface(1);
  // A rectangle moves only past strictly larger ones, so equal areas stay in insertion order.
  EXPECT_EQ(A.FreeRects(),
            (std::vector<TGSurfaceRect>{R(S2, 0, 301, 512, 211), R(S1, 0, 301, 512, 211),
                                        R(S2, 301, 0, 211, 300), R(S1, 301, 0, 211, 300)}));
  // Both 211 x 300 pieces fit: the one with the higher index (page 1) wins.
  auto P = Allocate(200, 250);
  ASSERT_TRUE(P);
  EXPECT_EQ(*P, R(S1, 301, 0, 200, 250));
}

TEST_F(RectAllocator, NoSurfaceMeansNoRectangle) {
  Refuse = true;
  EXPECT_FALSE(Allocate(64, 64));
  EXPECT_FALSE(Allocate(100, 50));
  EXPECT_TRUE(A.Surfaces().empty());
  EXPECT_TRUE(A.FreeRects().empty());
  EXPECT_TRUE(A.AllocatedRects().empty());
  EXPECT_FALSE(A.Allocate(100, 50, nullptr));

  // Sizes that cannot be placed never reach the callback.
  Refuse = false;
  Requests.clear();
  EXPECT_FALSE(Allocate(0, 10));
  EXPECT_FALSE(Allocate(10, -1));
  EXPECT_FALSE(Allocate(TGFastRectAllocator::CMaxSide + 1, 10));
  EXPECT_TRUE(Requests.empty());

  // A callback that makes a shared surface smaller than asked leaves the request unplaced
  // instead of asking again and again.
  Override.push_back({64, 64});
  EXPECT_FALSE(Allocate(100, 100));
  EXPECT_EQ(Requests.size(), 1u);
  EXPECT_EQ(A.FreeRects(), std::vector<TGSurfaceRect>{R(Surface(0), 0, 0, 64, 64)});
}

TEST_F(RectAllocator, RemoveSurfaceAndClear) {
  Allocate(300, 300);
  Allocate(300, 300);
  Allocate(64, 64);
  TGObject* S1 = Surface(0);
  TGObject* S2 = Surface(1);
  TGObject* S3 = Surface(2);
  A.RemoveSurface(S1);
  EXPECT_EQ(A.Surfaces(), (std::vector<TGSurfaceDesc>{{S2, 512, 512}, {S3, 64, 64}}));
  EXPECT_EQ(A.AllocatedRects(),
            (std::vector<TGSurfaceRect>{R(S2, 0, 0, 300, 300), R(S3, 0, 0, 64, 64)}));
  EXPECT_EQ(A.FreeRects(),
            (std::vector<TGSurfaceRect>{R(S2, 0, 301, 512, 211), R(S2, 301, 0, 211, 300)}));
  // What page 1 held is gone: the next fit is on page 2.
  auto P = Allocate(200, 250);
  ASSERT_TRUE(P);
  EXPECT_EQ(P->Surface, S2);

  A.Clear();
  EXPECT_TRUE(A.Surfaces().empty());
  EXPECT_TRUE(A.FreeRects().empty());
  EXPECT_TRUE(A.AllocatedRects().empty());
  Requests.clear();
  ASSERT_TRUE(Allocate(10, 10));
  EXPECT_EQ(Requests.size(), 1u);
}

// Many random requests: the free list stays sorted, everything lies within its surface, and no
// two images touch (each keeps its one-pixel gap to the right and below), nor overlap free space.
TEST_F(RectAllocator, RandomRequestsKeepTheInvariants) {
  std::mt19937 Rng(20240611);
  std::uniform_int_distribution<int32_t> Side(1, 300);
  for (int I = 0; I < 1500; ++I) {
    const int32_t W = Side(Rng);
    const int32_t H = Side(Rng);
    auto P = Allocate(W, H);
    ASSERT_TRUE(P);
    EXPECT_EQ(P->Width, W);
    EXPECT_EQ(P->Height, H);
    if (I == 700)
      A.RemoveSurface(Surface(3));
  }
  for (size_t I = 1; I < A.FreeRects().size(); ++I)
    ASSERT_GE(A.FreeRects()[I - 1].Square, A.FreeRects()[I].Square) << I;

  std::map<const TGObject*, TGSurfaceDesc> Sizes;
  for (const TGSurfaceDesc& D : A.Surfaces())
    Sizes[D.Surface] = D;
  auto Inside = [&](const TGSurfaceRect& X) {
    auto It = Sizes.find(X.Surface);
    return It != Sizes.end() && X.Left >= 0 && X.Top >= 0 && X.Width > 0 && X.Height > 0 &&
           X.Left + X.Width <= It->second.Width && X.Top + X.Height <= It->second.Height &&
           X.Square == X.Width * X.Height;
  };
  auto Overlap = [](const TGSurfaceRect& X, const TGSurfaceRect& Y, int Gap) {
    return X.Surface == Y.Surface && X.Left < Y.Left + Y.Width + Gap &&
           Y.Left < X.Left + X.Width + Gap && X.Top < Y.Top + Y.Height + Gap &&
           Y.Top < X.Top + X.Height + Gap;
  };
  const auto& Used = A.AllocatedRects();
  const auto& Free = A.FreeRects();
  for (size_t I = 0; I < Used.size(); ++I) {
    ASSERT_TRUE(Inside(Used[I])) << I;
    for (size_t J = I + 1; J < Used.size(); ++J)
      ASSERT_FALSE(Overlap(Used[I], Used[J], 1)) << I << " " << J;
    for (const TGSurfaceRect& F : Free)
      ASSERT_FALSE(Overlap(Used[I], F, 1)) << I;
  }
  for (size_t I = 0; I < Free.size(); ++I) {
    ASSERT_TRUE(Inside(Free[I])) << I;
    ASSERT_GE(Free[I].Width, 15);
    ASSERT_GE(Free[I].Height, 15);
    for (size_t J = I + 1; J < Free.size(); ++J)
      ASSERT_FALSE(Overlap(Free[I], Free[J], 0)) << I << " " << J;
  }
}

} // namespace
