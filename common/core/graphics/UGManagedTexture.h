// Textures made from bitmaps. Images do not get OpenGL textures of their own: the device's
// TGManagedTexturesStorage packs them into shared power-of-two pages (TGFastRectAllocator),
// evicts the least recently used pages when video memory runs short and drops every page on a
// device reset. An image keeps its pixels in memory (TGManagedTextureData) and is packed and
// uploaded again whenever it is drawn without a page.
//
// TGManagedTexture is the texture object images use; copies of it (AssignTo) share one
// reference-counted TGManagedTextureData, so they also share the page and batch together.
#pragma once

#include "graphics/UGFastRectAllocator.h"
#include "graphics/UGGraphicsDevice.h"
#include "graphics/UGTexture.h"

#include <cstdint>
#include <vector>

class TGBitmap;

// The pages of packed images; one per device, installed in GD by the device itself.
class TGManagedTexturesStorage : public TGManagedTexturesStorageBase {
public:
  TGManagedTexturesStorage() = default;
  TGManagedTexturesStorage(const TGManagedTexturesStorage&) = delete;
  TGManagedTexturesStorage& operator=(const TGManagedTexturesStorage&) = delete;
  // Frees every page.
  ~TGManagedTexturesStorage() override;

  // A Width × Height area in some page (a new page when none has room); Rect is (Left, Top,
  // Left + Width, Top + Height). Fails with an engine error when no page can be made.
  void AllocateTextureArea(int32_t Width, int32_t Height, TGSimpleTexture*& Texture, TGRect& Rect);

  // Evicts pages, least recently used first, until at least Bytes are freed or none is left.
  void Clean(int64_t Bytes) override;
  // Ages every page's LastAccess by Delta (not below 0).
  void DecreaseAccessTimes(int32_t Delta) override;
  // Drops every page: images are packed and uploaded again when next drawn.
  void InvalidateDeviceObjects() override;
  // Orders the pages by LastAccess, oldest first.
  void Sort();

  const std::vector<TGSimpleTexture*>& Items() const { return FItems; }
  const TGFastRectAllocator& Allocator() const { return FAllocator; }

private:
  // The allocator's surface callback: a new page with its OpenGL texture made at once.
  TGObject* CreateNewTexture(int32_t& Width, int32_t& Height);
  void FreePage(size_t Index);

  std::vector<TGSimpleTexture*> FItems; // owned
  TGFastRectAllocator FAllocator;
};

// The pixels of one image and where they are packed: the normal version and the grey version
// each have a page and an extent of their own. Shared by reference count; pages are not owned
// and are forgotten when they go away.
class TGManagedTextureData : public TGObject {
  G_CLASS(TGManagedTextureData, TGObject)
  // Takes a copy of ABitmap (an empty bitmap without one) and the first reference.
  explicit TGManagedTextureData(TGObject* AOwner = nullptr, const TGBitmap* ABitmap = nullptr);

  void AddRef() { ++FRefCount; }
  // Drops a reference; the last one frees the data.
  void Release();
  int32_t RefCount() const { return FRefCount; }

  // The OpenGL texture of the page holding the version, packing and uploading it first when it
  // has no page (0 for an empty bitmap). Fails without a message when there is no bitmap.
  uint32_t GetD3DTexture(bool Grayscaled);
  // Binds the version's page to Stage with the texture matrix mapping 0..1 onto its extent.
  void D3DApply(int Stage, bool Grayscaled);
  // Marks both versions for upload on their next use (after the bitmap's pixels were changed).
  void Invalidate();
  // The page-destroy handler: forgets Sender as either version's page.
  void OnDestroyTexture(TGObject* Sender);

  TGBitmap* Bitmap() const { return FBitmap; }
  TGSimpleTexture* Texture() const { return FTexture; }
  TGSimpleTexture* GrayscaledTexture() const { return FGrayscaledTexture; }
  const TGRect& BitmapExtent() const { return FBitmapExtent; }
  const TGRect& GrayscaledBitmapExtent() const { return FGrayscaledBitmapExtent; }

private:
  void Upload(TGSimpleTexture* Page, const TGRect& Extent, bool Grayscaled);

  int32_t FRefCount = 1;
  TGSimpleTexture* FTexture = nullptr;
  TGRect FBitmapExtent;
  TGSimpleTexture* FGrayscaledTexture = nullptr;
  TGRect FGrayscaledBitmapExtent;
  TGBitmap* FBitmap = nullptr; // owned
  bool FInvalidated = false;
  bool FGrayscaledInvalidated = false;
};

// The texture of an image: one reference to shared image data. Its size is the image's size and
// cannot be set; Load replaces the image.
class TGManagedTexture : public TGTexture {
  G_CLASS(TGManagedTexture, TGTexture)
  // Starts with an empty image.
  explicit TGManagedTexture(TGObject* AOwner = nullptr);

  // Dest (a TGManagedTexture) drops its image and shares this one.
  void AssignTo(TGObject* Dest) const override;
  // The page holding the normal version (0 for an empty image).
  uint32_t GetD3DTexture() override;
  int32_t GetWidth() const override;
  int32_t GetHeight() const override;
  // Engine error without message: the size is the image's.
  void SetHeight(int32_t Value) override;
  void SetWidth(int32_t Value) override;
  // Binds the normal version, or the grey one when ApplyGrayscaled is set.
  void D3DApply(int Stage) override;
  bool GetIsEmpty() const override { return int64_t{GetWidth()} * GetHeight() == 0; }
  // True loads an empty image.
  void SetIsEmpty(bool Value) override;
  // Whether Other is a managed texture sharing this one's image data.
  bool SameTexture(const TGTexture* Other) const override;
  // Copies the image into Bitmap.
  void Save(TGBitmap* Bitmap) const;
  // Replaces the image with a copy of Bitmap (an empty image for none).
  void Load(const TGBitmap* Bitmap);

  TGManagedTextureData* Data() const { return FData; }

  // When set, binding uses the grey version of the image.
  bool ApplyGrayscaled = false;

protected:
  void Destroy() override;

private:
  TGManagedTextureData* FData = nullptr; // one reference held
};
