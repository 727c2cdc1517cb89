#include "drawables/UGSprite.h"

#include "base/UGStrUtils.h"
#include "graphics/UGBitmap.h"
#include "graphics/UGManagedTexture.h"
#include "graphics/UGVertexBuffer.h"
#include "object/UGClassBuilder.h"

#include <cmath>

G_IMPLEMENT_CLASS(TGSprite)
G_IMPLEMENT_CLASS(TGSpriteBatch)

TGSpriteBatch* TGSprite::Batch = nullptr;
int32_t TGSprite::FBatchCounter = 0;
TGSpriteGrayscaleMode GrayscaleMode = grayOff;
bool UseParentTextureState = false;

TGSprite::TGSprite(TGObject* AOwner)
    : TGGraphic(AOwner) {
  FTexture = new TGManagedTexture(this);
}

void TGSprite::Destroy() {
  inherited::Destroy();
}

void TGSprite::SetRect(const TGRectFloat& R) {
  FRect = R;
  FOrigin = TGVector{0, 0, 0};
  SetExtent(TGVector{R.Right - R.Left, R.Bottom - R.Top, 0});
}

void TGSprite::LoadFromStream(TGStream& Stream, TGResourceLibrary* Context) {
  (void)Context;
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  Bitmap->LoadFromStream(Stream);
  LoadFromBitmap(*Bitmap);
}

void TGSprite::LoadFromBitmap(const TGBitmap& Bitmap) {
  FTexture->Load(&Bitmap);
  const int32_t W = Bitmap.Width();
  const int32_t H = Bitmap.Height();
  SetRect(TGRectFloat{0, 0, static_cast<float>(W), static_cast<float>(H)});
  if (W > CMaxWidth || H > CMaxHeight) {
    throw Error("Error: %s size is larger than 2048x1024 (%dx%d)", URL(), W, H);
  }
}

void TGSprite::SaveToBitmap(TGBitmap& Bitmap) const {
  FTexture->Save(&Bitmap);
}

void TGSprite::SaveToStream(TGStream& Stream) const {
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  SaveToBitmap(*Bitmap);
  Bitmap->SaveToStream(Stream, URL().empty() ? std::string(".spr") : ExtractFileExt(URL()));
}

void TGSprite::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  TGSprite* D = ObjectCast<TGSprite>(Dest);
  FTexture->AssignTo(D->FTexture);
  D->SetRect(FRect);
}

void TGSprite::Draw() {
  Draw(GD->GetMatrixByType(mWorld), GD->MaterialDiffuse(), GD->Blending());
}

void TGSprite::Draw(const TGMatrix& Matrix, TGColor Color, TGBlending Blending) {
  if (!GetBatch()) {
    return; // no device
  }
  if (GrayscaleMode == grayOn) {
    Batch->AddGrayscaled(FRect, Matrix, Blending, Color, FTexture);
  } else {
    Batch->Add(FRect, Matrix, Blending, Color, FTexture);
  }
  if (FBatchCounter == 0) {
    Batch->Flush();
  }
}

bool TGSprite::Hit(const TGVector& Point) {
  if (!TGGraphic::Hit(Point)) {
    return false;
  }
  const double X = std::ceil(double{FRect.Left} + Point.X - FOrigin.X);
  const double Y = std::ceil(double{FRect.Top} + Point.Y - FOrigin.Y);
  TGBitmap* Bitmap = FTexture->Data()->Bitmap();
  if (!Bitmap || X < 0 || Y < 0 || X >= Bitmap->Width() || Y >= Bitmap->Height()) {
    return false;
  }
  TGColor Pixel = Bitmap->GetPixel(static_cast<int32_t>(X), static_cast<int32_t>(Y));
  return Pixel.A >= HitAlphaThreshold;
}

void DecompressGfxRecursive(TGGraphic* Graphic) {
  if (auto* Sprite = dynamic_cast<TGSprite*>(Graphic)) {
    if (TGBitmap* Bitmap = Sprite->Texture()->Data()->Bitmap()) {
      Bitmap->SetCompressed(false);
    }
  }
}

void TGSprite::ConvertToCache(TGStream& Source, TGStream& Target) {
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  Bitmap->LoadFromStream(Source);
  Bitmap->SetCompressed(true);
  Bitmap->SaveSpr(Target);
}

void TGSprite::BeginBatch() {
  ++FBatchCounter;
}

void TGSprite::EndBatch() {
  if (FBatchCounter > 0 && --FBatchCounter == 0 && Batch) {
    Batch->Flush();
  }
}

TGSpriteBatch* TGSprite::GetBatch() {
  if (!Batch && GD) {
    Batch = new TGSpriteBatch(GD);
  }
  return Batch;
}

// TGSpriteBatch ---------------------------------------------------------------------------------

namespace {
// Vertex format 322: position, diffuse colour, one pair of texture coordinates.
struct TSpriteVertex {
  float X, Y, Z;
  uint32_t Color;
  float U, V;
};
static_assert(sizeof(TSpriteVertex) == 24);
constexpr uint32_t CSpriteVertexFormat = 322;
} // namespace

TGSpriteBatch::TGSpriteBatch(TGObject* AOwner)
    : TGObject(AOwner) {
  FVB = new TGVertexBuffer(nullptr, CSpriteVertexFormat, 6 * CCapacity, sizeof(TSpriteVertex));
  // Each flush writes and draws its own sprites only: a flush of one sprite uploads one sprite.
  FVB->SetDiscardOnLock(true);
}

void TGSpriteBatch::Destroy() {
  if (GD && GD->PendingDrawing() == this) {
    GD->SetPendingDrawing(nullptr);
  }
  if (TGSprite::Batch == this) {
    TGSprite::Batch = nullptr;
    TGSprite::FBatchCounter = 0;
  }
  FreeAndNil(FVB);
  inherited::Destroy();
}

void TGSpriteBatch::Add(const TGRectFloat& Rect, const TGMatrix& Matrix, TGBlending Blending,
                        TGColor Color, TGTexture* Texture) {
  Append(Rect, Matrix, Blending, Color, Texture, false);
}

void TGSpriteBatch::AddGrayscaled(const TGRectFloat& Rect, const TGMatrix& Matrix,
                                  TGBlending Blending, TGColor Color, TGTexture* Texture) {
  Append(Rect, Matrix, Blending, Color, Texture, true);
}

TGTexture* TGSpriteBatch::PageOf(TGTexture* Texture, bool Grayscale, TGRectFloat& UV,
                                 const TGRectFloat& Rect) {
  auto* Managed = dynamic_cast<TGManagedTexture*>(Texture);
  TGManagedTextureData* Data = Managed ? Managed->Data() : nullptr;
  if (Grayscale || !Data || !Data->Bitmap() || Texture->GetIsEmpty() || !GD ||
      !GD->ManagedTexturesStorage()) {
    return nullptr;
  }
  if (!Data->Texture() && FSpriteCount > 0) {
    // Packing the picture may evict a page: the queued sprites are drawn first.
    Flush();
  }
  if (!Data->GetD3DTexture(false) || !Data->Texture()) {
    return nullptr;
  }
  TGSimpleTexture* Page = Data->Texture();
  const TGRect& Area = Data->BitmapExtent();
  const auto PW = static_cast<float>(Page->GetWidth());
  const auto PH = static_cast<float>(Page->GetHeight());
  UV = TGRectFloat{(static_cast<float>(Area.Left) + Rect.Left) / PW,
                   (static_cast<float>(Area.Top) + Rect.Top) / PH,
                   (static_cast<float>(Area.Left) + Rect.Right) / PW,
                   (static_cast<float>(Area.Top) + Rect.Bottom) / PH};
  return Page;
}

void TGSpriteBatch::Append(const TGRectFloat& Rect, const TGMatrix& Matrix, TGBlending Blending,
                           TGColor Color, TGTexture* Texture, bool Grayscale) {
  // Pictures packed in one page go out in one draw; others (a grey version, a texture of its
  // own) with the picture's own coordinates.
  TGRectFloat UV{};
  TGTexture* Source = PageOf(Texture, Grayscale, UV, Rect);
  if (!Source) {
    Source = Texture;
    UV = Rect;
    if (Texture) {
      Texture->Normalize(UV.Left, UV.Top);
      Texture->Normalize(UV.Right, UV.Bottom);
    }
  }
  const bool Compatible = FTexture && Source && FTexture->SameTexture(Source) &&
                          Blending == FBlending && FGrayscale == Grayscale &&
                          FSpriteCount < CCapacity;
  if (!Compatible) {
    Flush();
    FTexture = Source;
    FBlending = Blending;
    FGrayscale = Grayscale;
    if (FTexture) {
      // A texture freed before the flush takes its queued sprites with it.
      Subscribe(TGNotification(FTexture, &TGObject::NotifyDestroy),
                TGNotifyEvent(this, &TGSpriteBatch::OnTextureDestroy));
    }
  }
  FSprites[FSpriteCount++] = TEntry{Rect, UV, Matrix, Color};
  if (FSpriteCount == 1 && GD) {
    GD->SetPendingDrawing(this);
  }
}

void TGSpriteBatch::OnTextureDestroy(TGObject* Sender) {
  if (Sender == FTexture) {
    FTexture = nullptr;
    FSpriteCount = 0;
    if (GD && GD->PendingDrawing() == this) {
      GD->SetPendingDrawing(nullptr);
    }
  }
}

void TGSpriteBatch::Flush() {
  if (GD && GD->PendingDrawing() == this) {
    GD->SetPendingDrawing(nullptr);
  }
  if (!FTexture || FSpriteCount == 0) {
    return;
  }
  TGTexture* Texture = FTexture;
  const int32_t Count = FSpriteCount;
  FSpriteCount = 0;
  FTexture = nullptr;
  UnSubscribe(Texture);

  auto* Vertices = static_cast<TSpriteVertex*>(FVB->Lock(6 * Count, lmWriteOnly));
  for (int32_t I = 0; I < Count; ++I) {
    const TEntry& E = FSprites[I];
    const float W = E.Rect.Right - E.Rect.Left;
    const float H = E.Rect.Bottom - E.Rect.Top;
    const float UL = E.UV.Left, VT = E.UV.Top, UR = E.UV.Right, VB = E.UV.Bottom;
    const float Corners[6][4] = {{0, H, UL, VB}, {W, H, UR, VB}, {0, 0, UL, VT},
                                 {0, 0, UL, VT}, {W, H, UR, VB}, {W, 0, UR, VT}};
    for (int K = 0; K < 6; ++K) {
      // Half a pixel back, so that texel centres meet pixel centres.
      TGVector P = TGVector{Corners[K][0] - 0.5f, Corners[K][1] - 0.5f, 0} * E.Matrix;
      Vertices[6 * I + K] = TSpriteVertex{P.X, P.Y, P.Z, E.Color, Corners[K][2], Corners[K][3]};
    }
  }
  FVB->Unlock();

  // The states the sprites carry are set for the draw and put back one by one, not through the
  // state stack: the device may have the batch drawn in the middle of a pop.
  const bool Lighting = GD->Lighting();
  const TGMatrix World = GD->GetMatrixByType(mWorld);
  const TGBlending Blending = GD->Blending();
  TGTexture* const Bound = GD->GetTexture(0);
  const TGTextureState Stage0 = GD->TextureState(0);
  TGVertexBuffer* const Buffer = GD->VertexBuffer();
  auto* Managed = dynamic_cast<TGManagedTexture*>(Texture);
  const bool WasGrayscaled = Managed && Managed->ApplyGrayscaled;
  auto Restore = [&] {
    if (Managed) {
      Managed->ApplyGrayscaled = WasGrayscaled;
    }
    GD->SetVertexBuffer(Buffer);
    GD->SetTextureState(0, Stage0);
    GD->SetTexture(0, Bound);
    GD->SetBlending(Blending);
    GD->SetMatrixByType(mWorld, World);
    GD->SetLighting(Lighting);
  };
  try {
    GD->SetLighting(false);
    GD->SetMatrixByType(mWorld, MatIdentity);
    if (FBlending != bParent) {
      GD->SetBlending(FBlending);
    }
    if (Managed && FGrayscale) {
      Managed->ApplyGrayscaled = true;
    }
    GD->SetTexture(0, Texture);
    if (Bound == Texture) {
      Texture->D3DApply(0); // the page or grey version may differ from the last binding
    }
    if (Managed) {
      Managed->ApplyGrayscaled = WasGrayscaled;
    }
    if (!UseParentTextureState) {
      GD->SetTextureState(0, tsModulate);
    }
    GD->SetVertexBuffer(FVB);
    GD->DrawTriangleList(Count * 2);
  } catch (...) {
    Restore();
    throw;
  }
  Restore();
}