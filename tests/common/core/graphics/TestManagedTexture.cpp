// Packed image textures on a real device (SDL's offscreen driver): pixels uploaded into pages and
// read back, the grey version, shared image data, eviction under a small memory budget, device
// reset, and the texture matrix that maps 0..1 onto an image's extent.
#include "HeadlessDevice.h"
#include "graphics/UGBitmap.h"
#include "graphics/UGGraphicsDevice.h"
#include "graphics/UGManagedTexture.h"
#include "graphics/UGTexture.h"
#include "graphics/UGVertexBuffer.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr int64_t CPageBytes = 256 * 256 * 4;

struct TVertex {
  float X, Y, Z;
  uint32_t Color;
  float U, V;
};

// A bitmap whose pixel (X, Y) is Fill (X, Y).
template <class F>
TGObjectPtr<TGBitmap> MakeBitmap(int32_t W, int32_t H, F Fill) {
  TGObjectPtr<TGBitmap> B(new TGBitmap(nullptr));
  B->SetSize(W, H);
  for (int32_t Y = 0; Y < H; ++Y)
    for (int32_t X = 0; X < W; ++X)
      B->SetPixel(X, Y, Fill(X, Y));
  return B;
}

TGColor Pattern(int32_t X, int32_t Y, uint8_t Seed) {
  return TGColor::Create(255 - Seed, (X * 7 + Seed) & 255, (Y * 11) & 255, (X + Y + Seed) & 255);
}

TGObjectPtr<TGManagedTexture> MakeTexture(const TGBitmap* B) {
  TGObjectPtr<TGManagedTexture> T(new TGManagedTexture(nullptr));
  T->Load(B);
  return T;
}

class ManagedTexture : public THeadlessDeviceTest {
protected:
  void SetUp() override {
    THeadlessDeviceTest::SetUp();
    Storage = dynamic_cast<TGManagedTexturesStorage*>(GD->ManagedTexturesStorage());
    ASSERT_NE(Storage, nullptr) << "the device makes its own page storage";
  }
  // The page's pixels inside Rect, row by row.
  static std::vector<TGColor> PagePixels(TGSimpleTexture* Page, const TGRect& Rect) {
    std::vector<TGColor> All;
    Page->SavePixels(All);
    std::vector<TGColor> Out;
    for (int32_t Y = Rect.Top; Y < Rect.Bottom; ++Y)
      for (int32_t X = Rect.Left; X < Rect.Right; ++X)
        Out.push_back(All[static_cast<size_t>(Y) * Page->GetWidth() + X]);
    return Out;
  }
  static void ExpectImage(TGSimpleTexture* Page, const TGRect& Extent, TGBitmap* B) {
    ASSERT_NE(Page, nullptr);
    ASSERT_EQ(Extent.Right - Extent.Left, B->Width());
    ASSERT_EQ(Extent.Bottom - Extent.Top, B->Height());
    const std::vector<TGColor> P = PagePixels(Page, Extent);
    int Wrong = 0;
    for (int32_t Y = 0; Y < B->Height(); ++Y)
      for (int32_t X = 0; X < B->Width(); ++X)
        if (uint32_t(P[static_cast<size_t>(Y) * B->Width() + X]) != uint32_t(B->GetPixel(X, Y)))
          ++Wrong;
    EXPECT_EQ(Wrong, 0);
  }

  TGManagedTexturesStorage* Storage = nullptr;
};

} // namespace

TEST_F(ManagedTexture, ImagesShareAPageWithOnePixelGaps) {
  auto B1 = MakeBitmap(100, 50, [](int X, int Y) { return Pattern(X, Y, 1); });
  auto B2 = MakeBitmap(40, 30, [](int X, int Y) { return Pattern(X, Y, 2); });
  auto T1 = MakeTexture(B1.get());
  auto T2 = MakeTexture(B2.get());
  EXPECT_EQ(T1->GetWidth(), 100);
  EXPECT_EQ(T1->GetHeight(), 50);
  EXPECT_TRUE(Storage->Items().empty()) << "nothing is packed before first use";
  EXPECT_NE(T1->GetD3DTexture(), 0u);
  EXPECT_NE(T2->GetD3DTexture(), 0u);

  ASSERT_EQ(Storage->Items().size(), 1u);
  TGSimpleTexture* Page = Storage->Items()[0];
  EXPECT_EQ(Page->GetWidth(), 256);
  EXPECT_EQ(Page->GetHeight(), 256);
  EXPECT_EQ(GD->MemoryUsage(), CPageBytes);
  EXPECT_EQ(T1->Data()->Texture(), Page);
  EXPECT_EQ(T2->Data()->Texture(), Page);
  EXPECT_EQ(T1->Data()->BitmapExtent(), (TGRect{0, 0, 100, 50}));
  EXPECT_EQ(T2->Data()->BitmapExtent(), (TGRect{101, 0, 141, 30}));
  ExpectImage(Page, T1->Data()->BitmapExtent(), B1.get());
  ExpectImage(Page, T2->Data()->BitmapExtent(), B2.get());
  // The gap column and row and all unused space stay 0.
  for (TGColor C : PagePixels(Page, TGRect{100, 0, 101, 51}))
    EXPECT_EQ(uint32_t(C), 0u);
  for (TGColor C : PagePixels(Page, TGRect{0, 50, 256, 51}))
    EXPECT_EQ(uint32_t(C), 0u);
  for (TGColor C : PagePixels(Page, TGRect{141, 0, 256, 50}))
    EXPECT_EQ(uint32_t(C), 0u);
  EXPECT_FALSE(T1->SameTexture(T2.get()));

  // A power-of-two image gets a page of exactly its size.
  auto B3 = MakeBitmap(64, 64, [](int X, int Y) { return Pattern(X, Y, 3); });
  auto T3 = MakeTexture(B3.get());
  T3->GetD3DTexture();
  ASSERT_EQ(Storage->Items().size(), 2u);
  EXPECT_EQ(T3->Data()->Texture()->GetWidth(), 64);
  ExpectImage(T3->Data()->Texture(), T3->Data()->BitmapExtent(), B3.get());
}

TEST_F(ManagedTexture, GreyVersionHasItsOwnExtent) {
  auto B = MakeBitmap(3, 2, [](int X, int Y) -> TGColor {
    const TGColor Colors[6] = {
        TGColor::Create(200, 255, 255, 255), TGColor::Create(7, 10, 200, 30),
        TGColor::Create(0, 0, 0, 0),         TGColor::Create(255, 255, 0, 0),
        TGColor::Create(255, 0, 255, 0),     TGColor::Create(255, 0, 0, 255)};
    return Colors[Y * 3 + X];
  });
  auto T = MakeTexture(B.get());
  EXPECT_NE(T->Data()->GetD3DTexture(true), 0u);
  TGManagedTextureData* D = T->Data();
  EXPECT_EQ(D->Texture(), nullptr) << "only the grey version was asked for";
  ASSERT_NE(D->GrayscaledTexture(), nullptr);
  const std::vector<TGColor> Grey = PagePixels(D->GrayscaledTexture(), D->GrayscaledBitmapExtent());
  // (R*76) div 256 + (G*151) div 256 + (B*28) div 256, alpha kept.
  const uint32_t Want[6] = {0xC8FCFCFCu, 0x077A7A7Au, 0x00000000u,
                            0xFF4B4B4Bu, 0xFF969696u, 0xFF1B1B1Bu};
  for (int I = 0; I < 6; ++I)
    EXPECT_EQ(uint32_t(Grey[static_cast<size_t>(I)]), Want[I]) << I;

  // The normal version goes elsewhere, its pixels untouched.
  T->GetD3DTexture();
  ASSERT_NE(D->Texture(), nullptr);
  EXPECT_NE(D->BitmapExtent(), D->GrayscaledBitmapExtent());
  ExpectImage(D->Texture(), D->BitmapExtent(), B.get());
  EXPECT_EQ(GrayscalePixel(0xFFFFFFFFu), TGColor(0xFFFCFCFCu));
}

TEST_F(ManagedTexture, CopiesShareTheImageData) {
  auto B = MakeBitmap(30, 20, [](int X, int Y) { return Pattern(X, Y, 4); });
  auto A = MakeTexture(B.get());
  TGObjectPtr<TGManagedTexture> C(new TGManagedTexture(nullptr));
  EXPECT_TRUE(C->GetIsEmpty());
  EXPECT_EQ(C->GetD3DTexture(), 0u);
  C->Assign(A.get());
  EXPECT_EQ(C->Data(), A->Data());
  EXPECT_EQ(A->Data()->RefCount(), 2);
  EXPECT_TRUE(C->SameTexture(A.get()));
  EXPECT_EQ(C->GetWidth(), 30);

  // The same pixels in separate data are another texture.
  auto Other = MakeTexture(B.get());
  EXPECT_FALSE(Other->SameTexture(A.get()));
  TGObjectPtr<TGSimpleTexture> Simple(new TGSimpleTexture(nullptr));
  EXPECT_FALSE(A->SameTexture(Simple.get()));

  // One upload serves both.
  A->GetD3DTexture();
  EXPECT_EQ(C->GetD3DTexture(), A->GetD3DTexture());
  EXPECT_EQ(Storage->Allocator().AllocatedRects().size(), 1u);

  // The data outlives the first texture.
  A.reset();
  EXPECT_EQ(C->Data()->RefCount(), 1);
  ExpectImage(C->Data()->Texture(), C->Data()->BitmapExtent(), B.get());

  // Loading a texture's own bitmap is safe; the size cannot be set; an empty image draws nothing.
  C->Load(C->Data()->Bitmap());
  EXPECT_EQ(C->GetWidth(), 30);
  TGObjectPtr<TGBitmap> Saved(new TGBitmap(nullptr));
  C->Save(Saved.get());
  EXPECT_EQ(Saved->Bits(), B->Bits());
  EXPECT_THROW(C->SetWidth(10), EGException);
  EXPECT_THROW(C->SetHeight(10), EGException);
  C->SetIsEmpty(true);
  EXPECT_TRUE(C->GetIsEmpty());
  EXPECT_EQ(C->GetD3DTexture(), 0u);

  // Clones made through the class facility share the data too.
  TGObjectPtr<TGClonableObject> Clone(Other->Clone(nullptr));
  EXPECT_TRUE(Other->SameTexture(static_cast<TGTexture*>(Clone.get())));
}

TEST_F(ManagedTexture, ChangedPixelsAreUploadedAfterInvalidate) {
  auto B = MakeBitmap(20, 20, [](int X, int Y) { return Pattern(X, Y, 5); });
  auto T = MakeTexture(B.get());
  T->GetD3DTexture();
  TGManagedTextureData* D = T->Data();
  D->Bitmap()->SetPixel(3, 4, 0xFF123456u);
  T->GetD3DTexture();
  EXPECT_NE(uint32_t(PagePixels(D->Texture(), D->BitmapExtent())[4 * 20 + 3]), 0xFF123456u);
  D->Invalidate();
  T->GetD3DTexture();
  EXPECT_EQ(uint32_t(PagePixels(D->Texture(), D->BitmapExtent())[4 * 20 + 3]), 0xFF123456u);
}

TEST_F(ManagedTexture, LeastRecentlyUsedPageIsEvictedFirst) {
  // 200 x 200 images leave no room for another: one page each.
  TGObjectPtr<TGBitmap> B[3];
  TGObjectPtr<TGManagedTexture> T[3];
  for (int I = 0; I < 3; ++I) {
    B[I] = MakeBitmap(200, 200, [I](int X, int Y) { return Pattern(X, Y, uint8_t(10 + I)); });
    T[I] = MakeTexture(B[I].get());
  }
  const int64_t Base = GD->MemoryUsage();
  GD->SetMemoryLimit(static_cast<int32_t>(Base + 2 * CPageBytes));
  T[0]->GetD3DTexture();
  T[1]->GetD3DTexture();
  TGSimpleTexture* Page0 = T[0]->Data()->Texture();
  TGSimpleTexture* Page1 = T[1]->Data()->Texture();
  ASSERT_NE(Page0, Page1);
  T[0]->GetD3DTexture(); // page 0 is now the more recent

  T[2]->GetD3DTexture(); // a third page does not fit: page 1 goes
  EXPECT_EQ(Storage->Items().size(), 2u);
  EXPECT_EQ(T[1]->Data()->Texture(), nullptr);
  EXPECT_EQ(T[0]->Data()->Texture(), Page0);
  EXPECT_EQ(Storage->Allocator().Surfaces().size(), 2u);
  EXPECT_LE(GD->MemoryUsage(), GD->MemoryLimit());

  // Image 1 comes back from its bitmap, evicting page 0, now the least recently used.
  T[1]->GetD3DTexture();
  EXPECT_EQ(T[0]->Data()->Texture(), nullptr);
  EXPECT_NE(T[2]->Data()->Texture(), nullptr);
  ExpectImage(T[1]->Data()->Texture(), T[1]->Data()->BitmapExtent(), B[1].get());
  EXPECT_EQ(GD->MemoryUsage(), Base + 2 * CPageBytes);

  // Clean frees whole pages until enough is freed; DecreaseAccessTimes ages without going below 0.
  Storage->DecreaseAccessTimes(1 << 30);
  for (TGSimpleTexture* P : Storage->Items())
    EXPECT_EQ(P->LastAccess(), 0);
  Storage->Clean(1);
  EXPECT_EQ(Storage->Items().size(), 1u);
  Storage->Clean(CPageBytes * 10);
  EXPECT_TRUE(Storage->Items().empty());
  EXPECT_TRUE(Storage->Allocator().Surfaces().empty());
  EXPECT_EQ(GD->MemoryUsage(), Base);
}

TEST_F(ManagedTexture, DeviceResetRepacksOnNextUse) {
  auto B = MakeBitmap(50, 40, [](int X, int Y) { return Pattern(X, Y, 6); });
  auto T = MakeTexture(B.get());
  const int64_t Base = GD->MemoryUsage();
  T->Data()->GetD3DTexture(true);
  T->GetD3DTexture();
  ASSERT_FALSE(Storage->Items().empty());
  GD->Reset();
  EXPECT_TRUE(Storage->Items().empty());
  EXPECT_TRUE(Storage->Allocator().FreeRects().empty());
  EXPECT_EQ(T->Data()->Texture(), nullptr);
  EXPECT_EQ(T->Data()->GrayscaledTexture(), nullptr);
  EXPECT_EQ(GD->MemoryUsage(), Base);
  EXPECT_NE(T->GetD3DTexture(), 0u);
  ExpectImage(T->Data()->Texture(), T->Data()->BitmapExtent(), B.get());
}

TEST_F(ManagedTexture, D3DApplyMapsUnitCoordinatesOntoTheExtent) {
  auto B1 = MakeBitmap(100, 50, [](int, int) { return TGColor(0xFFFF0000u); });
  auto B2 = MakeBitmap(40, 30, [](int, int) { return TGColor(0xFF00FF00u); });
  auto B3 = MakeBitmap(64, 64, [](int, int) { return TGColor(0xFF0000FFu); });
  auto T1 = MakeTexture(B1.get());
  auto T2 = MakeTexture(B2.get());
  auto T3 = MakeTexture(B3.get());
  T1->GetD3DTexture();

  auto Matrix = [](int Stage) {
    std::vector<float> M(16);
    glActiveTexture(GL_TEXTURE0 + Stage);
    glGetFloatv(GL_TEXTURE_MATRIX, M.data());
    glActiveTexture(GL_TEXTURE0);
    return M;
  };
  auto WrapMode = [](int Stage) {
    GLint S = 0, T = 0;
    glActiveTexture(GL_TEXTURE0 + Stage);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &S);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &T);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(S, T);
    return S;
  };

  // At (101, 0) in a 256 x 256 page: scale (40/256, 30/256), translation (101/256, 0); clamped.
  T2->D3DApply(1);
  EXPECT_EQ(T2->Data()->BitmapExtent(), (TGRect{101, 0, 141, 30}));
  std::vector<float> M = Matrix(1);
  EXPECT_FLOAT_EQ(M[0], 40.0f / 256);
  EXPECT_FLOAT_EQ(M[5], 30.0f / 256);
  EXPECT_FLOAT_EQ(M[12], 101.0f / 256);
  EXPECT_FLOAT_EQ(M[13], 0);
  EXPECT_FLOAT_EQ(M[10], 1);
  EXPECT_FLOAT_EQ(M[15], 1);
  EXPECT_EQ(WrapMode(1), GL_CLAMP_TO_EDGE);

  // An image filling its page repeats.
  T3->D3DApply(0);
  M = Matrix(0);
  EXPECT_FLOAT_EQ(M[0], 1);
  EXPECT_FLOAT_EQ(M[5], 1);
  EXPECT_FLOAT_EQ(M[12], 0);
  EXPECT_EQ(WrapMode(0), GL_REPEAT);

  // Drawn through the device, 0..1 shows only the image, none of its neighbours.
  // Point sampling: a linear filter would mix in the zero gap around the image at its edges.
  GD->SetTextureFilter(0, tfPoint);
  GD->SetTexture(0, T2.get());
  GD->SetTextureState(0, tsTexture);
  GD->SetBlending(bNone);
  TGVertexBuffer* VB = GD->CommonVertexBuffer(322, 4, 24);
  auto* V = static_cast<TVertex*>(VB->Lock(4, lmWriteOnly));
  // Moved by half a pixel as the sprite batch does, so pixel centres sample texel centres.
  const float L = -0.5f, T = -0.5f, W = CWidth - 0.5f, H = CHeight - 0.5f;
  V[0] = {L, T, 0, 0xFFFFFFFFu, 0, 0};
  V[1] = {W, T, 0, 0xFFFFFFFFu, 1, 0};
  V[2] = {L, H, 0, 0xFFFFFFFFu, 0, 1};
  V[3] = {W, H, 0, 0xFFFFFFFFu, 1, 1};
  VB->Unlock();
  GD->SetVertexBuffer(VB);
  GD->Erase(0xFF000000u);
  GD->DrawTriangleStrip(2);
  std::vector<TGColor> Screen;
  ASSERT_TRUE(GD->CreateScreenshotPixels(Screen));
  int NotGreen = 0;
  for (TGColor C : Screen)
    if (C.G < 250 || C.R > 5 || C.B > 5)
      ++NotGreen;
  EXPECT_EQ(NotGreen, 0);

  // The grey version binds when ApplyGrayscaled is set.
  T2->ApplyGrayscaled = true;
  GD->SetTexture(0, nullptr);
  GD->SetTexture(0, T2.get());
  EXPECT_NE(T2->Data()->GrayscaledTexture(), nullptr);
  GD->SetTexture(0, nullptr);
}

TEST_F(ManagedTexture, ImagesLargerThanTheStagingSurfaceUploadInTiles) {
  if (GD->MaxTextureSize().X < 4096)
    GTEST_SKIP() << "4096-pixel textures not supported";
  auto B = MakeBitmap(2100, 1030, [](int X, int Y) { return Pattern(X, Y, 7); });
  auto T = MakeTexture(B.get());
  T->GetD3DTexture();
  TGManagedTextureData* D = T->Data();
  ASSERT_NE(D->Texture(), nullptr);
  EXPECT_EQ(D->Texture()->GetWidth(), 4096);
  EXPECT_EQ(D->Texture()->GetHeight(), 2048);
  ExpectImage(D->Texture(), D->BitmapExtent(), B.get());
}

TEST_F(ManagedTexture, NoStorageOrBitmapIsAnError) {
  auto B = MakeBitmap(20, 20, [](int X, int Y) { return Pattern(X, Y, 8); });
  auto T = MakeTexture(B.get());
  GD->SetManagedTexturesStorage(nullptr);
  EXPECT_THROW(T->GetD3DTexture(), EGException);
}
