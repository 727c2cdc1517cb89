// Drawing tests: a real OpenGL context on a headless window (SDL's offscreen driver), pixels read
// back from the back buffer and from textures.
#include "HeadlessDevice.h"
#include "TempDir.h"
#include "graphics/UGGraphicsDevice.h"
#include "graphics/UGTexture.h"
#include "graphics/UGVertexBuffer.h"
#include "platform/UGLContext.h"
#include "platform/UHostWindow.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Counts what the device asks of the packed pages.
struct TFakeStorage : TGManagedTexturesStorageBase {
  std::vector<int64_t> Cleans;
  std::vector<int32_t> UsageAtClean;
  int Invalidations = 0;
  void Clean(int64_t Bytes) override {
    Cleans.push_back(Bytes);
    UsageAtClean.push_back(GD->MemoryUsage());
  }
  void DecreaseAccessTimes(int32_t) override {}
  void InvalidateDeviceObjects() override { ++Invalidations; }
};

struct TVertex {
  float X, Y, Z;
  uint32_t Color;
  float U, V;
};

class GraphicsDevice : public THeadlessDeviceTest {
protected:
  void SetUp() override {
    THeadlessDeviceTest::SetUp();
    auto S = std::make_unique<TFakeStorage>();
    Storage = S.get();
    Device->SetManagedTexturesStorage(std::move(S));
  }

  TGColor Pixel(int X, int Y) {
    std::vector<TGColor> P;
    EXPECT_TRUE(GD->CreateScreenshotPixels(P));
    return P[static_cast<size_t>(Y) * CWidth + X];
  }

  // A textured quad with white vertices over (X0, Y0)-(X1, Y1), texture coordinates 0..1.
  void DrawQuad(float X0, float Y0, float X1, float Y1) {
    TGVertexBuffer* VB = GD->CommonVertexBuffer(322, 4, 24);
    auto* V = static_cast<TVertex*>(VB->Lock(4, lmWriteOnly));
    V[0] = {X0, Y0, 0, 0xFFFFFFFFu, 0, 0};
    V[1] = {X1, Y0, 0, 0xFFFFFFFFu, 1, 0};
    V[2] = {X0, Y1, 0, 0xFFFFFFFFu, 0, 1};
    V[3] = {X1, Y1, 0, 0xFFFFFFFFu, 1, 1};
    VB->Unlock();
    GD->SetVertexBuffer(VB);
    GD->DrawTriangleStrip(2);
  }

  TFakeStorage* Storage = nullptr;
};

TGObjectPtr<TGSimpleTexture> NewTexture() {
  return TGObjectPtr<TGSimpleTexture>(new TGSimpleTexture(nullptr));
}

void ExpectNear(TGColor Actual, TGColor Expected, int Tolerance = 2) {
  EXPECT_NEAR(Actual.R, Expected.R, Tolerance) << std::hex << uint32_t(Actual);
  EXPECT_NEAR(Actual.G, Expected.G, Tolerance) << std::hex << uint32_t(Actual);
  EXPECT_NEAR(Actual.B, Expected.B, Tolerance) << std::hex << uint32_t(Actual);
}

} // namespace

TEST_F(GraphicsDevice, OneDeviceAtATime) {
  EXPECT_EQ(GD, Device.get());
  EXPECT_ERROR_TEXT(new TGGraphicsDevice(nullptr), "An error occured");
  EXPECT_EQ(GD->Width(), CWidth);
  EXPECT_EQ(GD->MemoryLimit(), 33554432);
  EXPECT_EQ(uint32_t(GD->DefaultClearColor()), 0xFF808080u);
  EXPECT_GE(GD->MaxTextureSize().X, 2048);
}

TEST_F(GraphicsDevice, StateStackDepthAndErrors) {
  EXPECT_ERROR_TEXT(GD->PopState(), "Stack empty");
  for (int I = 0; I < 50; ++I)
    GD->PushState(bBlending);
  EXPECT_ERROR_TEXT(GD->PushState(bBlending), "Stack overflow");
  for (int I = 0; I < 50; ++I)
    GD->PopState();
  EXPECT_EQ(GD->StateStackSize(), 0);
}

TEST_F(GraphicsDevice, PopReappliesOnlyWhatChanged) {
  int64_t Calls = GD->StateCalls();
  GD->PushState(CFullDeviceStateMask);
  GD->PopState();
  EXPECT_EQ(GD->StateCalls(), Calls) << "nothing changed, nothing applied";

  GD->PushState(bBlending);
  GD->SetBlending(bAdd);
  EXPECT_EQ(GD->StateCalls(), Calls + 1);
  GD->SetBlending(bAdd); // the same value again
  EXPECT_EQ(GD->StateCalls(), Calls + 1);
  GD->PopState();
  EXPECT_EQ(GD->StateCalls(), Calls + 2);
  EXPECT_EQ(GD->Blending(), bDefault);

  // Floats closer than 0.001 count as equal.
  Calls = GD->StateCalls();
  GD->SetPointSize(1.0005f);
  EXPECT_EQ(GD->StateCalls(), Calls);

  // RenewState applies everything regardless.
  GD->RenewState();
  EXPECT_GT(GD->StateCalls(), Calls + 40);
  EXPECT_FALSE(GD->Force());
}

TEST_F(GraphicsDevice, PushedGroupsAloneAreRestored) {
  auto T0 = NewTexture();
  auto T1 = NewTexture();
  GD->PushState(bTexture0);
  GD->SetTexture(0, T0.get());
  GD->SetTexture(1, T1.get());
  GD->SetTextureState(1, tsModulate);
  GD->SetBlending(bMul);
  GD->PopState();
  EXPECT_EQ(GD->GetTexture(0), nullptr);
  EXPECT_EQ(GD->GetTexture(1), T1.get()); // stage 1 belongs to bTextures
  EXPECT_EQ(GD->TextureState(1), tsModulate);
  EXPECT_EQ(GD->Blending(), bMul);

  // Matrices: bMatrices restores all three, bMatrix the current one.
  TGMatrix M = MatIdentity;
  M.M[3][0] = 5;
  const TGMatrix Projection = GD->GetMatrixByType(mProjection);
  GD->PushState(bMatrix);
  GD->MultiplyLeft(M);
  GD->SetMatrixByType(mView, M);
  GD->PopState();
  EXPECT_EQ(GD->GetMatrixByType(mWorld), MatIdentity);
  EXPECT_EQ(GD->GetMatrixByType(mView), M);
  GD->PushState(bMatrices);
  GD->SetMatrixByType(mView, MatIdentity);
  GD->SetMatrixByType(mProjection, MatIdentity);
  GD->PopState();
  EXPECT_EQ(GD->GetMatrixByType(mView), M);
  EXPECT_EQ(GD->GetMatrixByType(mProjection), Projection);

  EXPECT_THROW(GD->SetTexture(6, nullptr), ERangeError);
  EXPECT_THROW(GD->SetLight(-1, TGLight{}), ERangeError);
  EXPECT_ERROR_TEXT(GD->SetBlending(bParent), "An error occured");
  EXPECT_EQ(GD->Blending(), bMul);
}

TEST_F(GraphicsDevice, DefaultsOfAState) {
  TGObjectPtr<TGDeviceState> S(new TGDeviceState(nullptr));
  EXPECT_EQ(S->TextureState(0), tsTexture);
  EXPECT_EQ(S->TextureFilter(0), tfLinear);
  EXPECT_EQ(S->TextureState(5), tsDisable);
  EXPECT_EQ(S->TextureFilter(5), tfParent);
  EXPECT_TRUE(S->AlphaTestEnable());
  EXPECT_EQ(S->AlphaRef(), 1);
  EXPECT_EQ(S->AlphaFunc(), cmGreater);
  EXPECT_EQ(uint32_t(S->MaterialDiffuse()), 0xFFFFFFFFu);
  EXPECT_TRUE(S->LightEnable(0));
  EXPECT_FALSE(S->LightEnable(1));
  EXPECT_EQ(uint32_t(S->Light(7).Diffuse), 0x00FFFFFFu);
  EXPECT_EQ(S->Light(7).Direction, (TGVector{0, 0, 1}));
  EXPECT_EQ(S->MatrixType(), mWorld);
  EXPECT_EQ(S->CullMode(), cmNone);
  EXPECT_EQ(S->ShadeMode(), smFlat);
  // The initialised device looks at the screen in pixels, y downwards.
  const TGMatrix& P = GD->GetMatrixByType(mProjection);
  EXPECT_FLOAT_EQ(P.M[0][0], 2.0f / CWidth);
  EXPECT_FLOAT_EQ(P.M[1][1], -2.0f / CHeight);
  EXPECT_FLOAT_EQ(P.M[3][0], -1);
  EXPECT_FLOAT_EQ(P.M[3][1], 1);
}

TEST_F(GraphicsDevice, SharedBuffersGrowInPlace) {
  TGIndexBuffer* I1 = GD->CommonIndexBuffer(1);
  EXPECT_EQ(I1->Length(), 256);
  EXPECT_EQ(GD->CommonIndexBuffer(256), I1);
  TGIndexBuffer* I2 = GD->CommonIndexBuffer(257);
  EXPECT_EQ(I2->Length(), 512);

  TGVertexBuffer* A = GD->CommonVertexBuffer(2, 10, 12);
  TGVertexBuffer* B = GD->CommonVertexBuffer(322, 10, 24);
  EXPECT_EQ(GD->CommonVertexBuffer(2, 10, 12), A);
  EXPECT_EQ(GD->CommonVertexBuffer(2, 4, 12), A);
  GD->SetVertexBuffer(A);
  GD->PushState(bVertexBuffer);
  TGVertexBuffer* A2 = GD->CommonVertexBuffer(2, 20, 12);
  EXPECT_EQ(A2->Length(), 20);
  EXPECT_EQ(GD->CommonVertexBuffer(322, 10, 24), B);
  EXPECT_EQ(GD->CommonVertexBuffer(2, 20, 12), A2);
  // The replaced buffer is gone from the device and from the saved state.
  EXPECT_EQ(GD->VertexBuffer(), nullptr);
  GD->PopState();
  EXPECT_EQ(GD->VertexBuffer(), nullptr);
  EXPECT_ERROR_TEXT(GD->CommonVertexBuffer(2, 20, 16), "An error occured");
}

TEST_F(GraphicsDevice, BufferLocking) {
  TGObjectPtr<TGVertexBuffer> VB(new TGVertexBuffer(nullptr, 258, 8, 20));
  EXPECT_ERROR_TEXT(VB->Lock(0, lmReadOnly), "Vertex buffer invalid access mode");
  EXPECT_ERROR_TEXT(VB->Lock(0, lmReadWrite), "Vertex buffer invalid access mode");
  EXPECT_NE(VB->Lock(0, lmWriteOnly), nullptr);
  EXPECT_EQ(VB->LockDesc().Size, 160);
  EXPECT_ERROR_TEXT(VB->Lock(0, lmWriteOnly), "Vertex buffer is already locked");
  EXPECT_ERROR_TEXT(VB->SetLength(4), "An error occured");
  VB->Unlock();
  EXPECT_ERROR_TEXT(VB->Unlock(), "An error occured");
  VB->SetIsSysMem(true);
  VB->Lock(2, lmReadOnly);
  EXPECT_EQ(VB->LockDesc().Size, 40);
  VB->Unlock();
  VB->SetFormat(338);
  EXPECT_EQ(VB->Stride(), 36);

  TGObjectPtr<TGIndexBuffer> IB(TGIndexBuffer::CreateEx(nullptr, 6));
  EXPECT_ERROR_TEXT(IB->Lock(0, lmReadOnly), "Index buffer invalid access mode");
  IB->Lock(3, lmWriteOnly);
  EXPECT_ERROR_TEXT(IB->Lock(0, lmWriteOnly), "Index buffer is already locked");
  IB->Unlock();
  EXPECT_ERROR_TEXT(IB->Unlock(), "An error occured");

  EXPECT_EQ(VertexSize(1602), 64);
  EXPECT_EQ(VertexSize(3), 0);
}

// A buffer that keeps what earlier locks wrote, and one that keeps only the last lock: both
// draw what was written last; only the first still has the second triangle of the earlier lock.
TEST_F(GraphicsDevice, PartialLocksKeepOrDiscardEarlierVertices) {
  struct TColored {
    float X, Y, Z;
    uint32_t Color;
  };
  auto Fill = [](TGVertexBuffer* VB, int Triangles, uint32_t Color) {
    auto* V = static_cast<TColored*>(VB->Lock(3 * Triangles, lmWriteOnly));
    // Triangle 0 over (0, 0)-(8, 8), triangle 1 over (16, 0)-(24, 8).
    for (int T = 0; T < Triangles; ++T) {
      const auto X = static_cast<float>(16 * T);
      V[3 * T] = {X, 0, 0, Color};
      V[3 * T + 1] = {X + 8, 0, 0, Color};
      V[3 * T + 2] = {X, 8, 0, Color};
    }
    VB->Unlock();
  };
  auto StorageSize = [](TGVertexBuffer* VB) {
    GLint Size = 0;
    glBindBuffer(GL_ARRAY_BUFFER, VB->GetD3DVertexBuffer());
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &Size);
    return Size;
  };
  GD->SetTextureState(0, tsDiffuse);
  for (bool Discard : {false, true}) {
    SCOPED_TRACE(Discard ? "discarding" : "keeping");
    TGObjectPtr<TGVertexBuffer> VB(new TGVertexBuffer(nullptr, 66, 6, 16));
    VB->SetDiscardOnLock(Discard);
    EXPECT_EQ(VB->DiscardOnLock(), Discard);
    GD->SetVertexBuffer(VB.get());
    Fill(VB.get(), 2, 0xFFFF0000u);
    Fill(VB.get(), 2, 0xFFFF0000u); // the second lock of the whole buffer
    EXPECT_EQ(StorageSize(VB.get()), 96);
    Fill(VB.get(), 1, 0xFF00FF00u);
    EXPECT_EQ(StorageSize(VB.get()), Discard ? 48 : 96);
    GD->Erase(0xFF000000u);
    GD->DrawTriangleList(1);
    ExpectNear(Pixel(1, 1), 0xFF00FF00u, 0);
    if (!Discard) {
      GD->Erase(0xFF000000u);
      GD->DrawTriangleList(2);
      ExpectNear(Pixel(1, 1), 0xFF00FF00u, 0);
      ExpectNear(Pixel(17, 1), 0xFFFF0000u, 0);
    }
    GD->SetVertexBuffer(nullptr);
  }
  GD->SetTextureState(0, tsTexture);
}

TEST_F(GraphicsDevice, TextureSizesAndCharges) {
  auto T = NewTexture();
  T->SetWidth(300);
  T->SetHeight(200);
  EXPECT_EQ(GD->MemoryUsage(), 0);
  EXPECT_NE(T->GetD3DTexture(), 0u);
  EXPECT_EQ(T->Platform()->Width, 512);
  EXPECT_EQ(T->Platform()->Height, 256);
  EXPECT_EQ(T->TextureSize(), 524288);
  EXPECT_EQ(GD->MemoryUsage(), 524288);
  {
    // A copy shares the OpenGL texture and its charge.
    auto Copy = NewTexture();
    Copy->Assign(T.get());
    EXPECT_TRUE(Copy->SameTexture(T.get()));
    T->DestroyD3DTexture();
    EXPECT_EQ(GD->MemoryUsage(), 524288);
  }
  EXPECT_EQ(GD->MemoryUsage(), 0);
  T->SetWidth(0);
  EXPECT_EQ(T->GetD3DTexture(), 0u);
  EXPECT_TRUE(T->GetIsEmpty());
}

TEST_F(GraphicsDevice, BudgetEvictsBeforeCreation) {
  GD->SetMemoryLimit(100000);
  auto T = NewTexture();
  T->SetWidth(300);
  T->SetHeight(200);
  T->GetD3DTexture();
  ASSERT_EQ(Storage->Cleans.size(), 1u);
  EXPECT_EQ(Storage->Cleans[0], 524288);
  EXPECT_EQ(Storage->UsageAtClean[0], 0);

  auto Wide = NewTexture();
  Wide->SetWidth(GD->MaxTextureSize().X + 1);
  Wide->SetHeight(1);
  EXPECT_ERROR_TEXT(Wide->GetD3DTexture(), "Texture size too large");
  EXPECT_EQ(Storage->Cleans.size(), 1u);
}

TEST_F(GraphicsDevice, TextureLockingRules) {
  auto T = NewTexture();
  TGLockedRect L;
  EXPECT_ERROR_TEXT(T->Lock(L), "Can't lock empty texture");
  T->SetWidth(8);
  T->SetHeight(8);
  T->Lock(TGRect{2, 2, 6, 6}, L);
  EXPECT_ERROR_TEXT(T->Lock(L), "Texture is already locked");
  EXPECT_ERROR_TEXT(T->SetWidth(4), "An error occured");
  T->Unlock();
  EXPECT_ERROR_TEXT(T->Unlock(), "An error occured");
  EXPECT_THROW(T->Lock(TGRect{4, 4, 9, 8}, L), EGException); // outside the texture
  EXPECT_FALSE(T->Locked());

  auto Other = NewTexture();
  Other->SetWidth(4);
  Other->SetHeight(4);
  T->Lock(L);
  EXPECT_ERROR_TEXT(Other->Lock(L), "An error occured"); // the staging surface is in use
  T->Unlock();

  auto RT = NewTexture();
  RT->SetRenderTarget(true);
  RT->SetWidth(16);
  RT->SetHeight(16);
  EXPECT_ERROR_TEXT(RT->Lock(L), "Can't lock render target");
}

TEST_F(GraphicsDevice, TexturePixelsRoundTrip) {
  const TGColor Src[6] = {0xFF102030u, 0x80405060u, 0x00708090u,
                          0xFFA0B0C0u, 0x01D0E0F0u, 0xFF000000u};
  auto T = NewTexture();
  T->LoadPixels(3, 2, Src, 12);
  std::vector<TGColor> Back;
  T->SavePixels(Back);
  ASSERT_EQ(Back.size(), 6u);
  for (int I = 0; I < 6; ++I)
    EXPECT_EQ(uint32_t(Back[I]), uint32_t(Src[I])) << I;

  // A region write leaves the rest alone; a new texture starts at zero.
  TGLockedRect L;
  T->Lock(TGRect{1, 1, 2, 2}, L);
  L.Pixels(0, 0) = 0xFFFFFFFFu;
  T->Unlock();
  T->SavePixels(Back);
  EXPECT_EQ(uint32_t(Back[4]), 0xFFFFFFFFu);
  EXPECT_EQ(uint32_t(Back[3]), 0xFFA0B0C0u);
  T->Erase();
  T->SavePixels(Back);
  for (TGColor C : Back)
    EXPECT_EQ(uint32_t(C), 0u);
}

// The staging surface holds the largest region locked so far, each lock's rows as wide as its
// region: a wide write after a narrow one, and a narrow one after it, land pixel for pixel.
TEST_F(GraphicsDevice, TheStagingSurfaceGrowsToTheLargestRegionLocked) {
  TGDefaultPoolTextureLocker* Staging = GD->DefaultPoolTextureLocker();
  Staging->InvalidateDeviceObjects();
  const TGColor Narrow[6] = {1u, 2u, 3u, 4u, 5u, 6u};
  auto Small = NewTexture();
  Small->LoadPixels(2, 3, Narrow, 8);
  EXPECT_EQ(Staging->IntermedSurfacePixels(), 6u);

  std::vector<TGColor> Wide(40 * 3);
  for (size_t I = 0; I < Wide.size(); ++I)
    Wide[I] = TGColor(0xFF000000u | static_cast<uint32_t>(I));
  auto Large = NewTexture();
  Large->LoadPixels(40, 3, Wide.data(), 160);
  EXPECT_EQ(Staging->IntermedSurfacePixels(), 120u);
  TGLockedRect L;
  Small->Lock(TGRect{0, 1, 2, 2}, L);
  EXPECT_EQ(L.Pitch, 8);
  L.Pixels(0, 0) = 0xFFFFFFFFu;
  L.Pixels(1, 0) = 0xFFFFFFFEu;
  Small->Unlock();
  EXPECT_EQ(Staging->IntermedSurfacePixels(), 120u) << "a smaller lock reuses the surface";

  std::vector<TGColor> Back;
  Large->SavePixels(Back);
  ASSERT_EQ(Back.size(), Wide.size());
  for (size_t I = 0; I < Wide.size(); ++I)
    ASSERT_EQ(uint32_t(Back[I]), uint32_t(Wide[I])) << I;
  Small->SavePixels(Back);
  const uint32_t Expected[6] = {1u, 2u, 0xFFFFFFFFu, 0xFFFFFFFEu, 5u, 6u};
  ASSERT_EQ(Back.size(), 6u);
  for (int I = 0; I < 6; ++I)
    EXPECT_EQ(uint32_t(Back[I]), Expected[I]) << I;
}

TEST_F(GraphicsDevice, RectanglesAndLinesHitExactPixels) {
  GD->Erase(0xFF000000u);
  GD->DrawRect(0xFFFFFFFFu, 2, 2, 6, 5);
  GD->DrawLine(0xFFFF0000u, 0, 8, 10, 8);
  GD->DrawFrame(0xFF00FF00u, 20, 20, 30, 25);
  std::vector<TGColor> P;
  ASSERT_TRUE(GD->CreateScreenshotPixels(P));
  auto At = [&](int X, int Y) {
    return uint32_t(P[static_cast<size_t>(Y) * CWidth + X]) & 0xFFFFFF;
  };
  for (int Y = 0; Y < 7; ++Y)
    for (int X = 0; X < 8; ++X)
      EXPECT_EQ(At(X, Y), X >= 2 && X < 6 && Y >= 2 && Y < 5 ? 0xFFFFFFu : 0u) << X << "," << Y;
  for (int X = 0; X < 12; ++X)
    EXPECT_EQ(At(X, 8), X < 10 ? 0xFF0000u : 0u) << X;
  EXPECT_EQ(At(8, 7), 0u);
  EXPECT_EQ(At(8, 9), 0u);
  EXPECT_EQ(At(20, 20), 0x00FF00u);
  EXPECT_EQ(At(25, 20), 0x00FF00u);
  EXPECT_EQ(At(25, 25), 0x00FF00u);
  EXPECT_EQ(At(20, 23), 0x00FF00u);
  EXPECT_EQ(At(30, 23), 0x00FF00u);
  EXPECT_EQ(At(25, 23), 0u);
  EXPECT_EQ(GD->StateStackSize(), 0);
  EXPECT_EQ(GD->TextureState(0), tsTexture);
  // The constant colour keeps the value of the last line.
  EXPECT_EQ(uint32_t(GD->ConstantColor()), 0xFF00FF00u);
}

TEST_F(GraphicsDevice, ClearCoversTheViewportOnly) {
  GD->Erase(0xFF000000u);
  GD->PushState(bViewport);
  GD->SetViewport(TGViewport::FromRect(TGRect{10, 10, 20, 20}));
  GD->Erase(0xFF0000FFu);
  GD->PopState();
  ExpectNear(Pixel(10, 10), 0xFF0000FFu, 0);
  ExpectNear(Pixel(19, 19), 0xFF0000FFu, 0);
  ExpectNear(Pixel(20, 20), 0xFF000000u, 0);
  ExpectNear(Pixel(9, 15), 0xFF000000u, 0);
}

TEST_F(GraphicsDevice, BlendingModesOnAKnownBackground) {
  struct TCase {
    TGBlending Blending;
    TGColor Expected;
  };
  // Source (R, G, B, A) = (0x20, 0x40, 0x60, 0x80) over 0x40 grey cleared with alpha 0: the
  // back buffer's alpha reads 1 all the same, which bAdd depends on.
  const TCase Cases[] = {{bNone, 0xFF204060u},
                         {bDefault, 0xFF304050u},
                         {bAdd, 0xFF6080A0u},
                         {bMul, 0xFF081018u},
                         {bIntense, 0xFF506070u}};
  for (const TCase& C : Cases) {
    GD->Erase(0x00404040u);
    GD->PushState(bBlending);
    GD->SetBlending(C.Blending);
    GD->DrawRect(0x80204060u, 0, 0, 8, 8);
    GD->PopState();
    SCOPED_TRACE(C.Blending);
    ExpectNear(Pixel(4, 4), C.Expected);
  }
}

TEST_F(GraphicsDevice, MaterialDiffuseTintsConstantColour) {
  GD->Erase(0xFF000000u);
  GD->PushState(bMaterial);
  GD->SetMaterialDiffuse(0x80FF8000u);
  GD->DrawRect(0xFFFFFFFFu, 0, 0, 8, 8);  // constant = 0x80FF8000: half of orange over black
  GD->DrawRect(0x80FFFFFFu, 8, 0, 16, 8); // constant = 0x40FF8000
  GD->PopState();
  ExpectNear(Pixel(4, 4), 0xFF804000u);
  ExpectNear(Pixel(12, 4), 0xFF402000u);
  EXPECT_EQ(uint32_t(GD->MaterialDiffuse()), 0xFFFFFFFFu);
}

TEST_F(GraphicsDevice, TextureCoordinatesCoverTheImageOnly) {
  // A 3 × 2 picture lives in a 4 × 2 texture; coordinates 0..1 must not reach the margin.
  const TGColor Src[6] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu,
                          0xFFFFFFFFu, 0xFF000000u, 0xFFFFFF00u};
  auto T = NewTexture();
  T->LoadPixels(3, 2, Src, 12);
  GD->Erase(0xFF808080u);
  GD->SetTexture(0, T.get());
  GD->SetTextureFilter(0, tfPoint);
  DrawQuad(0, 0, 30, 20);
  GD->SetTexture(0, nullptr);
  ExpectNear(Pixel(5, 5), Src[0], 0);
  ExpectNear(Pixel(15, 5), Src[1], 0);
  ExpectNear(Pixel(25, 5), Src[2], 0);
  ExpectNear(Pixel(5, 15), Src[3], 0);
  ExpectNear(Pixel(25, 15), Src[5], 0);
  ExpectNear(Pixel(29, 19), Src[5], 0);
  ExpectNear(Pixel(30, 5), 0xFF808080u, 0);
  EXPECT_EQ(GD->DIPCalls(), 1);
  EXPECT_EQ(GD->PolyCount(), 2);
}

TEST_F(GraphicsDevice, TextureStagesCombine) {
  const TGColor Src[1] = {0xFF808080u};
  auto T = NewTexture();
  T->LoadPixels(1, 1, Src, 4);
  GD->SetTexture(0, T.get());
  GD->Erase(0xFF000000u);
  GD->SetConstantColor(0xFF00FF00u);
  GD->SetTextureState(0, tsModulateConstant); // grey × green
  DrawQuad(0, 0, 8, 8);
  GD->SetTextureState(0, tsColorize); // white vertices × a + grey × (1 − a), a = 0x40 / 255
  GD->SetConstantColor(0x4000FF00u);
  DrawQuad(8, 0, 16, 8);
  GD->SetConstantColor(0xFF00FF00u);
  GD->SetTextureState(0, tsDiffuse);
  GD->SetTextureState(1, tsConstant); // a second stage replaces the first
  DrawQuad(16, 0, 24, 8);
  GD->SetTextureState(0, tsDisable); // ... unless a lower stage is disabled: diffuse (white)
  DrawQuad(24, 0, 32, 8);
  GD->SetTextureState(0, tsTexture);
  GD->SetTextureState(1, tsDisable);
  GD->SetTexture(0, nullptr);
  ExpectNear(Pixel(4, 4), 0xFF008000u);
  ExpectNear(Pixel(12, 4), 0xFF9F9F9Fu); // 255 × 0.25 + 128 × 0.75
  ExpectNear(Pixel(20, 4), 0xFF00FF00u);
  ExpectNear(Pixel(28, 4), 0xFFFFFFFFu);
}

TEST_F(GraphicsDevice, RenderTargetRowsRunFromTheTop) {
  TGSimpleTexture* RT = GD->GetCommonRenderTarget();
  EXPECT_EQ(GD->GetCommonRenderTarget(), RT);
  EXPECT_TRUE(RT->RenderTarget());
  GD->Erase(0xFF000000u);
  GD->PushState(TGDeviceStateMask{bRenderTarget, bViewport, bMatrices});
  GD->SetRenderTarget(RT);
  GD->SetViewport(TGViewport::FromRect(TGRect{0, 0, 256, 256}));
  GD->SetMatrixType(mProjection);
  GD->LoadIdentity();
  GD->Ortho(0, 0, 256, 256, 0, 1);
  GD->SetMatrixType(mWorld);
  GD->Erase(0xFF0000FFu);
  GD->DrawRect(0xFFFF0000u, 0, 0, 10, 10);
  GD->PopState();
  ExpectNear(Pixel(4, 4), 0xFF000000u, 0); // the back buffer was not drawn on

  std::vector<TGColor> P;
  RT->SavePixels(P);
  ASSERT_EQ(P.size(), 256u * 256u);
  ExpectNear(P[5 * 256 + 5], 0xFFFF0000u, 0);
  ExpectNear(P[20 * 256 + 20], 0xFF0000FFu, 0);

  // Drawn as a texture, the target shows the right way up.
  GD->SetTexture(0, RT);
  GD->SetTextureFilter(0, tfPoint);
  DrawQuad(0, 0, 64, 64);
  GD->SetTexture(0, nullptr);
  ExpectNear(Pixel(1, 1), 0xFFFF0000u, 0);
  ExpectNear(Pixel(10, 10), 0xFF0000FFu, 0);
  ExpectNear(Pixel(1, 40), 0xFF0000FFu, 0);
}

TEST_F(GraphicsDevice, RenderTargetSurfaceTakesThePicture) {
  TGObjectPtr<TGRenderTargetSurface> S(new TGRenderTargetSurface(nullptr));
  S->SetWidth(100); // wider than the back buffer: it gets a depth buffer of its own
  S->SetHeight(20);
  GD->Erase(0xFF000000u);
  GD->PushState(TGDeviceStateMask{bRenderTarget, bViewport});
  GD->SetRenderTargetSurface(S.get());
  GD->Erase(0xFF00FF00u);
  GD->DrawRect(0xFFFF0000u, 90, 0, 100, 20); // the projection still maps the back buffer
  GD->PopState();
  EXPECT_EQ(GD->MemoryUsage(), 100 * 20 * 4);
  std::vector<TGColor> P;
  S->ReadPixels(P);
  ASSERT_EQ(P.size(), 2000u);
  ExpectNear(P[99], 0xFF00FF00u, 0);
  ExpectNear(Pixel(4, 4), 0xFF000000u, 0);
  S.reset();
  EXPECT_EQ(GD->MemoryUsage(), 0);
  EXPECT_EQ(GD->RenderTargetSurface(), nullptr);
}

TEST_F(GraphicsDevice, FullScreenSwitchKeepsDrawing) {
  GD->SetBlending(bAdd);
  GD->SetFullScreen(true);
  EXPECT_EQ(GD->FullScreen(), Window->IsFullScreen());
  GD->SetFullScreen(false);
  EXPECT_FALSE(GD->FullScreen());
  EXPECT_FALSE(Window->IsFullScreen());
  EXPECT_EQ(GD->StateStackSize(), 0);
  GD->Erase(0x00404040u);
  GD->DrawRect(0x80204060u, 0, 0, 8, 8);
  ExpectNear(Pixel(4, 4), 0xFF6080A0u);
}

TEST_F(GraphicsDevice, CullingFollowsScreenWinding) {
  // (0, 0), (16, 0), (0, 16) turn clockwise on the screen.
  auto Triangle = [&] {
    TGVertexBuffer* VB = GD->CommonVertexBuffer(2, 3, 12);
    auto* V = static_cast<float*>(VB->Lock(3, lmWriteOnly));
    const float P[9] = {0, 0, 0, 16, 0, 0, 0, 16, 0};
    std::copy(P, P + 9, V);
    VB->Unlock();
    GD->SetVertexBuffer(VB);
    GD->SetTextureState(0, tsDiffuse);
    GD->Erase(0xFF000000u);
    GD->DrawTriangleList(1);
    GD->SetTextureState(0, tsTexture);
    return uint32_t(Pixel(2, 2)) & 0xFFFFFF;
  };
  EXPECT_EQ(Triangle(), 0xFFFFFFu);
  GD->SetCullMode(cmCW);
  EXPECT_EQ(Triangle(), 0u);
  GD->SetCullMode(cmCCW);
  EXPECT_EQ(Triangle(), 0xFFFFFFu);
  GD->SetCullMode(cmNone);
}

TEST_F(GraphicsDevice, IndexedDrawing) {
  TGVertexBuffer* VB = GD->CommonVertexBuffer(66, 4, 16);
  struct TColored {
    float X, Y, Z;
    uint32_t Color;
  };
  auto* V = static_cast<TColored*>(VB->Lock(4, lmWriteOnly));
  V[0] = {0, 0, 0, 0xFF00FFFFu};
  V[1] = {8, 0, 0, 0xFF00FFFFu};
  V[2] = {0, 8, 0, 0xFF00FFFFu};
  V[3] = {8, 8, 0, 0xFF00FFFFu};
  VB->Unlock();
  TGIndexBuffer* IB = GD->CommonIndexBuffer(6);
  uint16_t* I = IB->Lock(6, lmWriteOnly);
  const uint16_t Idx[6] = {0, 1, 2, 2, 1, 3};
  std::copy(Idx, Idx + 6, I);
  IB->Unlock();
  GD->SetVertexBuffer(VB);
  GD->SetIndexBuffer(IB);
  GD->SetTextureState(0, tsDiffuse);
  GD->Erase(0xFF000000u);
  GD->DrawIndexedTriangleList(1, 1, 0, 0); // the second triangle only
  GD->SetTextureState(0, tsTexture);
  ExpectNear(Pixel(7, 7), 0xFF00FFFFu, 0);
  ExpectNear(Pixel(1, 1), 0xFF000000u, 0);
  EXPECT_THROW(GD->DrawIndexedTriangleList(85, 1, 0, 0), EGException); // beyond the indices
  EXPECT_THROW(GD->DrawTriangleList(2), EGException);                  // beyond the vertices
}

TEST_F(GraphicsDevice, ResetRenewsDeviceObjects) {
  auto T = NewTexture();
  T->SetWidth(16);
  T->SetHeight(16);
  T->GetD3DTexture();
  GD->SetBlending(bAdd);
  EXPECT_EQ(GD->MemoryUsage(), 1024);
  const int Invalidations = Storage->Invalidations;
  GD->Reset();
  EXPECT_EQ(Storage->Invalidations, Invalidations + 1);
  EXPECT_EQ(T->TextureSize(), 0);
  EXPECT_EQ(GD->MemoryUsage(), 0);
  EXPECT_EQ(GD->Blending(), bAdd);
  GD->Erase(0x00404040u);
  GD->DrawRect(0x80204060u, 0, 0, 8, 8);
  ExpectNear(Pixel(4, 4), 0xFF6080A0u); // additive blending survived the reset
}

TEST_F(GraphicsDevice, DestroyedObjectsAreForgotten) {
  auto* T = new TGSimpleTexture(nullptr);
  GD->SetTexture(2, T);
  GD->PushState(TGDeviceStateMask{bTextures});
  GD->SetRenderTarget(nullptr);
  T->Free();
  EXPECT_EQ(GD->GetTexture(2), nullptr);
  GD->PopState();
  EXPECT_EQ(GD->GetTexture(2), nullptr);
}

TEST_F(GraphicsDevice, FrameRateAndScene) {
  EXPECT_TRUE(GD->BeginScene());
  EXPECT_TRUE(GD->BeginScene());
  GD->EndScene();
  GD->EndScene();
  GD->CountFrame(100000);
  for (uint32_t T = 100040; T <= 100360; T += 40)
    GD->CountFrame(T);
  GD->CountFrame(100400);
  EXPECT_FLOAT_EQ(GD->FPS(), 25);
  GD->Present();
}

TEST_F(GraphicsDevice, ScreenshotsTakeTheNextFreeNumber) {
  const fs::path Old = fs::current_path();
  TTempDir Dir("gd-shots");
  fs::current_path(Dir.Path());
  for (int I = 0; I < 5; ++I)
    std::ofstream("screenshot000" + std::to_string(I) + ".jpg") << "x";
  GD->Erase(0xFF00FF00u);
  const std::string Name = GD->MakeScreenshot();
  EXPECT_EQ(Name, "screenshot0005.jpg");
  std::ifstream In(Name, std::ios::binary);
  char Magic[3] = {};
  In.read(Magic, 3);
  EXPECT_EQ(static_cast<uint8_t>(Magic[0]), 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(Magic[1]), 0xD8);
  fs::current_path(Old);
}

TEST_F(GraphicsDevice, MultisampledBackBufferDrawsButTakesNoScreenshot) {
  Device.reset();
  Device.reset(new TGGraphicsDevice(nullptr));
  Device->Initialize(CWidth, CHeight, Window, true, false, false, false);
  EXPECT_TRUE(GD->MultiSampling());
  GD->Erase(0xFF000000u);
  GD->DrawRect(0xFFFF0000u, 0, 0, 8, 8);
  GD->PushState(TGDeviceStateMask{bRenderTarget, bViewport});
  GD->SetRenderTarget(GD->GetCommonRenderTarget());
  GD->Erase(0xFF0000FFu);
  GD->PopState();
  GD->Present();
  std::vector<TGColor> P;
  EXPECT_FALSE(GD->CreateScreenshotPixels(P));
  EXPECT_EQ(GD->MakeScreenshot(), "");
  GD->GetCommonRenderTarget()->SavePixels(P);
  ExpectNear(P[0], 0xFF0000FFu, 0);
}

TEST(GraphicsDeviceErrors, NamesOfPlatformResults) {
  EXPECT_EQ(D3DErrorString(0), "D3DERR_OK");
  EXPECT_EQ(D3DErrorString(D3DERR_OUTOFVIDEOMEMORY), "D3DERR_OUTOFVIDEOMEMORY");
  EXPECT_EQ(D3DErrorString(D3DERR_INVALIDCALL), "D3DERR_INVALIDCALL");
  EXPECT_EQ(D3DErrorString(D3DERR_DEVICELOST), "D3DERR_DEVICELOST");
  EXPECT_EQ(D3DErrorString(static_cast<int32_t>(0x8007000Eu)), "8007000E");
  EXPECT_TRUE(D3DOK(0));
  EXPECT_FALSE(D3DOK(D3DERR_NOTAVAILABLE));
  EXPECT_EQ(LastD3DError, D3DERR_NOTAVAILABLE);
  try {
    D3DAssert(D3DERR_INVALIDCALL);
    ADD_FAILURE();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "D3DERR_INVALIDCALL");
  }
}

TEST(GraphicsDeviceErrors, NoWindowNoDevice) {
  TGObjectPtr<TGGraphicsDevice> D(new TGGraphicsDevice(nullptr));
  try {
    D->Initialize(64, 48, nullptr, false, false, false, false);
    ADD_FAILURE();
  } catch (const EGraphicsDevice& E) {
    EXPECT_EQ(E.Tag(), 1);
    EXPECT_EQ(E.Text(), "No compatible display devices found.");
  }
  EXPECT_FALSE(D->BeginScene());
}
