// Sprites, the sprite batch, symbols and graphic collections, drawn through a real device on a
// headless window and read back pixel by pixel.
#include "HeadlessDevice.h"
#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGBitmap.h"
#include "graphics/UGGraphicsDevice.h"
#include "graphics/UGManagedTexture.h"
#include "object/UGClassBuilder.h"

#include <gtest/gtest.h>

namespace {

class Sprites : public THeadlessSceneTest {};

// A W × H picture whose pixel (x, y) is opaque with R = 10 x + 1, G = 10 y + 1, B = 50.
TGObjectPtr<TGSprite> CountingSprite(int W, int H) {
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  Bitmap->SetSize(W, H);
  for (int Y = 0; Y < H; ++Y) {
    for (int X = 0; X < W; ++X) {
      Bitmap->SetPixel(X, Y, TGColor::Create(255, 10 * X + 1, 10 * Y + 1, 50));
    }
  }
  TGObjectPtr<TGSprite> Sprite(new TGSprite());
  Sprite->LoadFromBitmap(*Bitmap);
  return Sprite;
}

TGObjectPtr<TGSprite> FlatSprite(int W, int H, TGColor Color) {
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  Bitmap->SetSize(W, H);
  for (int Y = 0; Y < H; ++Y) {
    for (int X = 0; X < W; ++X) {
      Bitmap->SetPixel(X, Y, Color);
    }
  }
  TGObjectPtr<TGSprite> Sprite(new TGSprite());
  Sprite->LoadFromBitmap(*Bitmap);
  return Sprite;
}

} // namespace

TEST_F(Sprites, DrawsEveryPixelInPlaceWithPointAndLinearFiltering) {
  for (TGTextureFilter Filter : {tfPoint, tfLinear}) {
    GD->Erase(TGColor(0xFF000000));
    TGObjectPtr<TGSprite> Sprite = CountingSprite(5, 3);
    Sprite->Draw(0xFFFFFFFF, bNone, 7, 4, 0, 0, 0, 1, 1, Filter);
    std::vector<TGColor> P = Screen();
    for (int Y = 0; Y < 3; ++Y) {
      for (int X = 0; X < 5; ++X) {
        TGColor C = P[static_cast<size_t>(4 + Y) * CWidth + 7 + X];
        EXPECT_EQ(C.R, 10 * X + 1) << "filter " << Filter << " at " << X << "," << Y;
        EXPECT_EQ(C.G, 10 * Y + 1) << "filter " << Filter << " at " << X << "," << Y;
        EXPECT_EQ(C.B, 50);
      }
    }
    // Nothing outside the picture.
    EXPECT_EQ(uint32_t(P[3 * CWidth + 7]) & 0xFFFFFF, 0u);
    EXPECT_EQ(uint32_t(P[4 * CWidth + 12]) & 0xFFFFFF, 0u);
    EXPECT_EQ(uint32_t(P[7 * CWidth + 7]) & 0xFFFFFF, 0u);
  }
}

TEST_F(Sprites, PivotScaleAndTintPlaceThePicture) {
  TGObjectPtr<TGSprite> Sprite = FlatSprite(4, 4, 0xFFFFFFFF);
  // Centre pivot at (20, 20), twice the size, tinted red: 16..24 on both axes, less the half
  // pixel the batch takes off before the transform, which the scale doubles: 15..22.
  Sprite->Draw(0xFFFF0000, bNone, 20, 20, 0.5f, 0.5f, 0, 2, 2, tfPoint);
  std::vector<TGColor> P = Screen();
  EXPECT_EQ(uint32_t(P[15 * CWidth + 15]), 0xFFFF0000u);
  EXPECT_EQ(uint32_t(P[22 * CWidth + 22]), 0xFFFF0000u);
  EXPECT_EQ(uint32_t(P[14 * CWidth + 15]) & 0xFFFFFF, 0u);
  EXPECT_EQ(uint32_t(P[15 * CWidth + 23]) & 0xFFFFFF, 0u);
}

TEST_F(Sprites, BatchDrawsUpToItsCapacityPerCall) {
  TGObjectPtr<TGSprite> A = FlatSprite(3, 3, 0xFF00FF00);
  TGObjectPtr<TGSprite> B = FlatSprite(3, 5, 0xFF0000FF);
  int Before = GD->DIPCalls();
  TGSprite::BeginBatch();
  for (int I = 0; I < TGSpriteBatch::CCapacity + 50; ++I) {
    A->Draw(MatTranslation(static_cast<float>(I % 60), 0, 0), 0xFFFFFFFF, bNone);
  }
  EXPECT_EQ(GD->DIPCalls() - Before, 1); // the first ones went when the batch was full
  TGSprite::EndBatch();
  EXPECT_EQ(GD->DIPCalls() - Before, 2);

  // Different pictures packed in one page go out together; packing a new one first sends
  // what is queued.
  GD->Erase(TGColor(0xFF000000));
  Before = GD->DIPCalls();
  TGSprite::BeginBatch();
  for (int I = 0; I < 10; ++I) {
    (I % 2 ? B : A)->Draw(MatTranslation(static_cast<float>(I * 4), 0, 0), 0xFFFFFFFF, bNone);
  }
  TGSprite::EndBatch();
  EXPECT_EQ(GD->DIPCalls() - Before, 2);
  EXPECT_EQ(Row(1, 0, 12), "GGG.UUU.GGG.");
  EXPECT_EQ(Row(4, 0, 8), "....UUU.");
  Before = GD->DIPCalls();
  TGSprite::BeginBatch();
  for (int I = 0; I < 10; ++I) {
    (I % 2 ? B : A)->Draw(MatIdentity, 0xFFFFFFFF, bNone);
  }
  TGSprite::EndBatch();
  EXPECT_EQ(GD->DIPCalls() - Before, 1);

  // A copy shares its picture, so it joins the same batch.
  TGObjectPtr<TGSprite> Copy(static_cast<TGSprite*>(A->Clone(nullptr)));
  Before = GD->DIPCalls();
  TGSprite::BeginBatch();
  A->Draw(MatIdentity, 0xFFFFFFFF, bNone);
  Copy->Draw(MatIdentity, 0xFFFFFFFF, bNone);
  A->Draw(MatIdentity, 0xFFFFFFFF, bAdd); // another blending starts another call
  TGSprite::EndBatch();
  EXPECT_EQ(GD->DIPCalls() - Before, 2);
}

TEST_F(Sprites, FreedTextureTakesItsQueuedSpritesAlong) {
  TGObjectPtr<TGSprite> A = FlatSprite(3, 3, 0xFF00FF00);
  TGSprite::BeginBatch();
  A->Draw(MatIdentity, 0xFFFFFFFF, bNone);
  A.reset();
  TGSprite::EndBatch(); // must not touch the freed texture
  EXPECT_EQ(TGSprite::Batch->SpriteCount(), 0);
}

TEST_F(Sprites, GreyModeDrawsTheGreyVersion) {
  TGObjectPtr<TGSprite> Sprite = FlatSprite(4, 4, 0xFFFFFFFF);
  GrayscaleMode = grayOn;
  Sprite->Draw(0xFFFFFFFF, bNone, 2, 2, 0, 0, 0, 1, 1, tfPoint);
  GrayscaleMode = grayOff;
  Sprite->Draw(0xFFFFFFFF, bNone, 10, 2, 0, 0, 0, 1, 1, tfPoint);
  std::vector<TGColor> P = Screen();
  EXPECT_EQ(P[3 * CWidth + 3].R, 252);
  EXPECT_EQ(P[3 * CWidth + 11].R, 255);
}

TEST_F(Sprites, HitFollowsAlphaThresholdAndBox) {
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  Bitmap->SetSize(4, 3);
  for (int X = 0; X < 4; ++X) {
    Bitmap->SetPixel(X, 0, TGColor::Create(255, 255, 255, 255));
    Bitmap->SetPixel(X, 1, TGColor::Create(9, 255, 255, 255));
    Bitmap->SetPixel(X, 2, TGColor::Create(10, 255, 255, 255));
  }
  TGObjectPtr<TGSprite> Sprite(new TGSprite());
  Sprite->LoadFromBitmap(*Bitmap);
  // The pixel tested is (ceil x, ceil y).
  EXPECT_FALSE(Sprite->Hit(TGVector{1.5f, 0.5f, 0})); // pixel (2, 1): alpha 9
  EXPECT_TRUE(Sprite->Hit(TGVector{1.5f, 1.5f, 0}));  // pixel (2, 2): alpha 10
  EXPECT_FALSE(Sprite->Hit(TGVector{1.5f, 0.0f, 0})); // the box is strict
  EXPECT_FALSE(Sprite->Hit(TGVector{3.5f, 2.5f, 0})); // pixel (4, 3) lies outside: alpha 0
  EXPECT_TRUE(Sprite->Hit(TGFlatVector{1.5f, 1.5f}));
}

TEST_F(Sprites, CompressedPicturesUnpackOnceForGames) {
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  Bitmap->SetSize(128, 128); // uniform: compresses well
  for (int Y = 0; Y < 128; ++Y) {
    for (int X = 0; X < 128; ++X) {
      Bitmap->SetPixel(X, Y, 0xFF405060);
    }
  }
  Bitmap->SetCompressed(true);
  ASSERT_EQ(Bitmap->DataState(), bdsCompressed);
  TGObjectPtr<TGSprite> Sprite(new TGSprite());
  Sprite->LoadFromBitmap(*Bitmap);
  EXPECT_EQ(Sprite->Texture()->Data()->Bitmap()->DataState(), bdsCompressed);
  DecompressGfxRecursive(Sprite.get());
  EXPECT_EQ(Sprite->Texture()->Data()->Bitmap()->DataState(), bdsNone);
  Sprite->Draw(0xFFFFFFFF, bNone, 0, 0, 0, 0, 0, 1, 1, tfPoint);
  EXPECT_EQ(uint32_t(Screen()[5 * CWidth + 5]), 0xFF405060u);
}

TEST_F(Sprites, OversizedPictureIsTakenOverThenRefused) {
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  Bitmap->SetSize(2049, 2);
  TGObjectPtr<TGSprite> Sprite(new TGSprite());
  Sprite->SetURL("Big.png");
  try {
    Sprite->LoadFromBitmap(*Bitmap);
    ADD_FAILURE() << "no error";
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Error: Big.png size is larger than 2048x1024 (2049x2)");
  }
  EXPECT_EQ(Sprite->Width(), 2049);
  EXPECT_EQ(Sprite->Texture()->GetWidth(), 2049);
}

TEST_F(Sprites, PicturesDrawAgainAfterADeviceReset) {
  TGObjectPtr<TGSprite> Sprite = FlatSprite(6, 6, 0xFF3060C0);
  Sprite->Draw(0xFFFFFFFF, bNone, 1, 1, 0, 0, 0, 1, 1, tfPoint);
  GD->EndScene();
  GD->Reset();
  GD->BeginScene();
  GD->Erase(TGColor(0xFF000000));
  Sprite->Draw(0xFFFFFFFF, bNone, 1, 1, 0, 0, 0, 1, 1, tfPoint);
  EXPECT_EQ(uint32_t(Screen()[3 * CWidth + 3]), 0xFF3060C0u);
}

// An open batch may span drawing of any kind: what is queued is drawn before anything else is,
// and before a state it depends on changes, so the picture comes out as if drawn at once.
TEST_F(Sprites, AnOpenBatchDrawsItsSpritesBeforeAnythingComesBetween) {
  TGObjectPtr<TGSprite> A = FlatSprite(4, 4, 0xFF00FF00);
  GD->Erase(TGColor(0xFF000000));
  TGSprite::BeginBatch();
  A->Draw(MatTranslation(0, 0, 0), 0xFFFFFFFF, bNone);
  EXPECT_EQ(GD->PendingDrawing(), TGSprite::Batch);
  GD->DrawRect(0xFFFF0000u, 2, 0, 6, 4); // over the right half of the queued sprite
  EXPECT_EQ(GD->PendingDrawing(), nullptr);
  // Queued before culling starts that would take its triangles: drawn at once.
  int Before = GD->DIPCalls();
  A->Draw(MatTranslation(8, 0, 0), 0xFFFFFFFF, bNone);
  GD->SetCullMode(cmCCW);
  EXPECT_EQ(GD->DIPCalls(), Before + 1);
  GD->SetCullMode(cmNone);
  // States the sprites carry themselves, and a filter OpenGL already has, keep them queued.
  Before = GD->DIPCalls();
  A->Draw(MatTranslation(12, 0, 0), 0xFFFFFFFF, bNone);
  GD->PushState(TGDeviceStateMask{bMatrix, bMaterial, bTexture0, bBlending});
  GD->SetMatrixByType(mWorld, MatTranslation(1, 1, 0));
  GD->SetMaterialDiffuse(0x80FFFFFFu);
  GD->SetBlending(bAdd);
  GD->SetTextureFilter(0, tfParent);
  GD->PopState();
  A->Draw(MatTranslation(16, 0, 0), 0xFFFFFFFF, bNone);
  EXPECT_EQ(GD->DIPCalls(), Before);
  TGSprite::EndBatch();
  EXPECT_EQ(GD->DIPCalls(), Before + 1);
  EXPECT_EQ(Row(1, 0, 20), "GGRRRR..GGGGGGGGGGGG");
}

// Symbols -----------------------------------------------------------------------------------------

TEST_F(Sprites, SymbolHitsThroughItsPlacement) {
  TGObjectPtr<TGSprite> Sprite = FlatSprite(20, 10, 0xFFFFFFFF);
  TGObjectPtr<TGSymbol> Symbol(new TGSymbol());
  Symbol->SetGraphic(Sprite.get());
  EXPECT_EQ(Sprite->RefCount(), 1);
  Symbol->SetTransform(100, 50, 0, 0, 0, 1, 1);
  EXPECT_TRUE(Symbol->Hit(TGVector{110, 55, 0}));
  EXPECT_FALSE(Symbol->Hit(TGVector{99, 55, 0}));
  // Twice the size (40 × 20), turned 90 degrees about its centre placed at (50, 50): it
  // stands 20 wide and 40 high.
  Symbol->SetTransform(50, 50, 0.5f, 0.5f, 90, 2, 2);
  EXPECT_TRUE(Symbol->Hit(TGVector{50 + 8, 50 + 18, 0}));
  EXPECT_FALSE(Symbol->Hit(TGVector{50 + 15, 50, 0}));
  Symbol->SetTransform(50, 50, 0.5f, 0.5f, 0, 2, 2);
  EXPECT_TRUE(Symbol->Hit(TGVector{50 + 15, 50, 0}));
  EXPECT_FALSE(Symbol->Hit(TGVector{50 + 8, 50 + 18, 0}));
  // A scale of 0 cannot be inverted: never hit.
  Symbol->SetTransform(50, 50, 0, 0, 0, 0, 1);
  EXPECT_FALSE(Symbol->Hit(TGVector{50, 50, 0}));
  EXPECT_FALSE(Symbol->Hit(TGVector{0.5f, 0.5f, 0}));
  // The inverse is made when asked for: after the singular placement it follows the new one.
  Symbol->SetTransform(100, 50, 0, 0, 0, 1, 1);
  EXPECT_FLOAT_EQ(Symbol->InvMatrix().M[3][0], -100);
  EXPECT_FLOAT_EQ(Symbol->InvMatrix().M[3][1], -50);
  EXPECT_TRUE(Symbol->Hit(TGVector{110, 55, 0}));
}

TEST_F(Sprites, SymbolKeepsItsInstanceForTheSameGraphic) {
  TGObjectPtr<TGSprite> Sprite = FlatSprite(8, 4, 0xFFFFFFFF);
  TGObjectPtr<TGSymbol> Symbol(new TGSymbol());
  EXPECT_TRUE(Symbol->IsFinished());
  EXPECT_EQ(Symbol->Extent().X, 0);
  int Notified = 0;
  struct TCounter : TGObject {
    int* Count;
    void OnChange(TGObject*) { ++*Count; }
  };
  TGObjectPtr<TCounter> Counter(new TCounter());
  Counter->Count = &Notified;
  TGObject::Subscribe(TGNotification(Symbol.get(), &TGSymbol::NotifyChangeGraphic),
                      TGNotifyEvent(Counter.get(), &TCounter::OnChange));
  Symbol->SetGraphic(Sprite.get());
  TGGraphic* Instance = Symbol->Instance();
  Symbol->SetGraphic(Sprite.get());
  EXPECT_EQ(Notified, 2);
  EXPECT_EQ(Symbol->Instance(), Instance);
  EXPECT_EQ(Sprite->RefCount(), 1);
  EXPECT_EQ(Symbol->Extent().X, 8);
  EXPECT_FALSE(Symbol->IsFinished());

  TGObjectPtr<TGSymbol> Copy(static_cast<TGSymbol*>(Symbol->Clone(nullptr)));
  EXPECT_EQ(Sprite->RefCount(), 2);
  EXPECT_NE(Copy->Instance(), Instance);
  Symbol->SetGraphic(nullptr);
  EXPECT_EQ(Sprite->RefCount(), 1);
  EXPECT_EQ(Symbol->Instance(), nullptr);
}

TEST_F(Sprites, SymbolTintsAndPlacesItsSprite) {
  TGObjectPtr<TGSprite> Sprite = FlatSprite(4, 4, 0xFFFFFFFF);
  TGObjectPtr<TGSymbol> Symbol(new TGSymbol());
  Symbol->SetGraphic(Sprite.get());
  Symbol->SetTransform(30, 10, 0, 0, 0, 1, 1);
  Symbol->SetColor(0xFF00FF00);
  Symbol->SetBlending(bNone);
  const int Pushes = GD->StateStackSize();
  Symbol->Draw();
  EXPECT_EQ(GD->StateStackSize(), Pushes);
  std::vector<TGColor> P = Screen();
  EXPECT_EQ(uint32_t(P[11 * CWidth + 31]), 0xFF00FF00u);
  EXPECT_EQ(uint32_t(P[11 * CWidth + 29]) & 0xFFFFFF, 0u);
}

// Collections ------------------------------------------------------------------------------------

struct TFinishing : TGGraphic {
  G_CLASS(TFinishing, TGGraphic)
  explicit TFinishing(TGObject* AOwner = nullptr)
      : TGGraphic(AOwner) {}
  float Left = 0;
  int* Draws = nullptr;
  void Update(float DeltaTime) override { Left -= DeltaTime; }
  bool IsFinished() override { return Left <= 0; }
  void Draw() override {
    if (Draws) {
      ++*Draws;
    }
  }
};
G_IMPLEMENT_CLASS(TFinishing)

TEST(GraphicCollection, RemovesFinishedItemsAndFreesOwnedOnes) {
  TGObjectPtr<TGGraphicCollection> List(new TGGraphicCollection());
  auto* Owned = new TFinishing(List.get());
  Owned->Left = 1;
  TGObjectPtr<TFinishing> Foreign(new TFinishing());
  Foreign->Left = 3;
  List->Add(Owned);
  List->Add(Foreign.get());
  List->Update(2);
  ASSERT_EQ(List->Count(), 1); // the owned one finished and was freed
  EXPECT_EQ(List->Items(0), Foreign.get());
  List->Update(2);
  EXPECT_EQ(List->Count(), 0);
  EXPECT_NE(Foreign.get(), nullptr); // not owned: only left the list

  // An item freed elsewhere leaves the list at once.
  auto* Other = new TFinishing();
  Other->Left = 5;
  List->Add(Other);
  Other->Free();
  EXPECT_EQ(List->Count(), 0);
  EXPECT_EQ(List->Remove(Foreign.get()), -1);

  // An owned item given to another owner leaves the list; a listed item it does not own stays
  // when its owner changes.
  TGObjectPtr<TGGraphicCollection> Second(new TGGraphicCollection());
  auto* Moving = new TFinishing(List.get());
  List->Add(Moving);
  List->Add(Foreign.get());
  Moving->SetOwner(Second.get());
  Second->Add(Moving);
  Foreign->SetOwner(Second.get());
  ASSERT_EQ(List->Count(), 1);
  EXPECT_EQ(List->Items(0), Foreign.get());
  EXPECT_EQ(Second->Count(), 1);
  Foreign->SetOwner(nullptr);
  List.reset(); // must not free the item that moved away
  EXPECT_EQ(Second->Items(0), Moving);
}

TEST(GraphicCollection, CloneCopiesItemsInOrder) {
  TGObjectPtr<TGGraphicCollection> List(new TGGraphicCollection());
  int Draws = 0;
  for (int I = 0; I < 3; ++I) {
    auto* Item = new TFinishing(List.get());
    Item->Left = static_cast<float>(I + 1);
    Item->Draws = &Draws;
    List->Add(Item);
  }
  TGObjectPtr<TGGraphicCollection> Copy(static_cast<TGGraphicCollection*>(List->Clone(nullptr)));
  ASSERT_EQ(Copy->Count(), 3);
  EXPECT_NE(Copy->Items(0), List->Items(0));
  EXPECT_EQ(Copy->Items(2)->Owner(), Copy.get());
  EXPECT_THROW(Copy->Items(3), ERangeError);
}
