// The picture resource (".png", ".jpg", ".jp2") and the batch that draws consecutive sprites of
// one texture page and blending with one draw call.
#pragma once

#include "drawables/UGGraphic.h"

class TGBitmap;
class TGManagedTexture;
class TGSpriteBatch;

enum TGSpriteGrayscaleMode { grayParent = 0, grayOn = 1, grayOff = 2 };

class TGSprite : public TGGraphic {
  G_CLASS(TGSprite, TGGraphic)
  explicit TGSprite(TGObject* AOwner = nullptr);

  // Pictures wider or higher than this are refused (after they were taken over).
  static constexpr int32_t CMaxWidth = 2048;
  static constexpr int32_t CMaxHeight = 1024;
  // A pixel hits from this alpha on.
  static constexpr int32_t HitAlphaThreshold = 10;

  TGManagedTexture* Texture() const { return FTexture; }
  // The part of the picture shown, in picture pixels.
  const TGRectFloat& Rect() const { return FRect; }
  // Stores R; the origin becomes (0, 0, 0) and the extent R's size.
  void SetRect(const TGRectFloat& R);

  // Decodes any supported picture format.
  void LoadFromStream(TGStream& Stream, TGResourceLibrary* Context) override;
  void LoadFromBitmap(const TGBitmap& Bitmap);
  void SaveToBitmap(TGBitmap& Bitmap) const;
  // In the format of the URL's extension, ".spr" without URL.
  void SaveToStream(TGStream& Stream) const override;
  void AssignTo(TGObject* Dest) const override;

  // Queues the sprite with the device's world matrix, material diffuse and blending; flushes at
  // once unless a batch is open.
  void Draw() override;
  using TGGraphic::Draw;
  void Draw(const TGMatrix& Matrix, TGColor Color, TGBlending Blending);
  // The graphic's box, then the alpha of the picture pixel under the point.
  bool Hit(const TGVector& Point) override;
  using TGGraphic::Hit;

  // The cache form of a picture file: its bitmap, compressed, as ".spr".
  static void ConvertToCache(TGStream& Source, TGStream& Target);

  static void BeginBatch();
  static void EndBatch();
  // The shared batch of the graphics device: made on first use, owned by the device and freed
  // with it (then Batch is none again); none without a device.
  static TGSpriteBatch* GetBatch();
  static TGSpriteBatch* Batch;
  static int32_t FBatchCounter;

protected:
  void Destroy() override;

private:
  TGManagedTexture* FTexture = nullptr; // owned
  TGRectFloat FRect{};
};

// Unpacks the pictures a graphic shows (a sprite's compressed pixels), so that hit tests on
// them do not inflate them again and again; animations reach into their picture channels.
void DecompressGfxRecursive(TGGraphic* Graphic);

// How sprites draw grey: symbols switch it while they draw.
extern TGSpriteGrayscaleMode GrayscaleMode;
// When set, sprite drawing leaves stage 0's texture combination as the caller set it.
extern bool UseParentTextureState;

// Sprites queued to go out in one draw per picture or page. While it holds sprites it is the
// device's pending drawing: anything else drawn, and any change of a state the sprites depend on,
// draws them first, so that a batch may stay open across drawing of any kind.
class TGSpriteBatch : public TGObject, public IGPendingDrawing {
  G_CLASS(TGSpriteBatch, TGObject)
  explicit TGSpriteBatch(TGObject* AOwner = nullptr);

  // Sprites of one draw at most: a long text of one font goes out in one draw.
  static constexpr int32_t CCapacity = 512;

  void Add(const TGRectFloat& Rect, const TGMatrix& Matrix, TGBlending Blending, TGColor Color,
           TGTexture* Texture);
  void AddGrayscaled(const TGRectFloat& Rect, const TGMatrix& Matrix, TGBlending Blending,
                     TGColor Color, TGTexture* Texture);
  void Flush();
  void DrawPending() override { Flush(); }
  int32_t SpriteCount() const { return FSpriteCount; }

protected:
  void Destroy() override;

private:
  struct TEntry {
    TGRectFloat Rect; // the part of the picture, in its pixels
    TGRectFloat UV;   // the texture coordinates of that part in the bound texture
    TGMatrix Matrix;
    TGColor Color;
  };
  void Append(const TGRectFloat& Rect, const TGMatrix& Matrix, TGBlending Blending, TGColor Color,
              TGTexture* Texture, bool Grayscale);
  // The page an image lies in (packing it first), or none when the image cannot share one.
  TGTexture* PageOf(TGTexture* Texture, bool Grayscale, TGRectFloat& UV, const TGRectFloat& Rect);
  void OnTextureDestroy(TGObject* Sender);

  TEntry FSprites[CCapacity];
  int32_t FSpriteCount = 0;
  // What the queued sprites are drawn from: one picture, or the page that several pictures
  // share (their coordinates are then the page's).
  TGTexture* FTexture = nullptr;
  TGBlending FBlending = bParent;
  bool FGrayscale = false;
  TGVertexBuffer* FVB = nullptr; // owned
};
