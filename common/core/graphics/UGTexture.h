// Textures of the graphics device: the abstract texture, the simple texture with its own OpenGL
// texture, the staging surface all texture writes go through, and the off-screen render-target
// surface.
//
// An OpenGL texture is power-of-two sized; the texture matrix set when it is bound hides the
// margin, so coordinates 0..1 cover exactly the requested Width × Height. Its video memory is
// charged to GD's MemoryUsage once per OpenGL texture, however many objects share it.
#pragma once

#include "graphics/UGGraphicsDevice.h"

#include <cstdint>
#include <memory>
#include <vector>

// One OpenGL texture, shared between the texture objects that show it.
struct TGLTexture {
  TGLTexture() = default;
  TGLTexture(const TGLTexture&) = delete;
  TGLTexture& operator=(const TGLTexture&) = delete;
  // Deletes the OpenGL objects (when their context still lives) and frees the memory charge.
  ~TGLTexture();

  uint32_t Name = 0;        // the OpenGL texture
  uint32_t Framebuffer = 0; // render targets: the framebuffer drawing into it, made on first use
  uint32_t Depth = 0;       // its own depth buffer, when the device's is too small
  int32_t Width = 0;        // power-of-two size
  int32_t Height = 0;
  int32_t Size = 0; // bytes charged to MemoryUsage
  uint64_t Generation = 0;
};
using TGLTextureRef = std::shared_ptr<TGLTexture>;

// The process-wide access clock of textures (see TGSimpleTexture::GetD3DTexture).
extern int32_t TextureAccessCounter;

class TGTexture : public TGClonableObject {
  G_CLASS(TGTexture, TGClonableObject)
  explicit TGTexture(TGObject* AOwner = nullptr)
      : TGClonableObject(AOwner) {}

  // The OpenGL texture, created on demand (0 for none).
  virtual uint32_t GetD3DTexture() = 0;
  virtual int32_t GetWidth() const = 0;
  virtual int32_t GetHeight() const = 0;
  virtual void SetHeight(int32_t Value) = 0;
  virtual void SetWidth(int32_t Value) = 0;
  // Binds the texture to a texture stage.
  virtual void D3DApply(int Stage) = 0;
  virtual bool GetIsEmpty() const { return true; }
  virtual void SetIsEmpty(bool Value) { (void)Value; }
  // Whether both show the same OpenGL texture.
  virtual bool SameTexture(const TGTexture* Other) const = 0;

  // Pixel to texture coordinates.
  void Normalize(float& U, float& V) const;

protected:
  // The device forgets the texture wherever it is set.
  void Destroy() override;
};

class TGSimpleTexture : public TGTexture {
  G_CLASS(TGSimpleTexture, TGTexture)
  // Subscribes to the device's invalidation when a device exists.
  explicit TGSimpleTexture(TGObject* AOwner = nullptr);

  void AssignTo(TGObject* Dest) const override;
  uint32_t GetD3DTexture() override;
  int32_t GetWidth() const override { return FWidth; }
  int32_t GetHeight() const override { return FHeight; }
  void SetWidth(int32_t Value) override;
  void SetHeight(int32_t Value) override;
  void D3DApply(int Stage) override;
  bool GetIsEmpty() const override { return int64_t{FWidth} * FHeight == 0; }
  void SetIsEmpty(bool Value) override;
  bool SameTexture(const TGTexture* Other) const override;
  // Creates the OpenGL texture within the memory budget (evicting packed pages when needed).
  virtual void CreateD3DTexture();

  bool RenderTarget() const { return FRenderTarget; }
  void SetRenderTarget(bool Value);
  int32_t LastAccess() const { return FLastAccess; }
  void SetLastAccess(int32_t Value) { FLastAccess = Value; }
  bool Locked() const { return FLocked; }
  int32_t TextureSize() const { return FPlatform ? FPlatform->Size : 0; }
  const TGLTextureRef& Platform() const { return FPlatform; }

  // Locks a region (the whole texture without Rect) for writing through the staging surface. The
  // region's current pixels are not read: a lock is for writing all of it.
  void Lock(TGLockedRect& Locked);
  void Lock(const TGRect& Rect, TGLockedRect& Locked);
  void Unlock();
  // Clears every pixel to 0.
  void Erase();
  // Writes Width × Height pixels, rows Pitch bytes apart, taking the size from them.
  void LoadPixels(int32_t AWidth, int32_t AHeight, const TGColor* Pixels, int32_t Pitch);
  // Reads the texture's pixels, Width × Height, rows from the top.
  void SavePixels(std::vector<TGColor>& Pixels);

  void DestroyD3DTexture();
  void InvalidateDeviceObjects(TGObject* Sender);

protected:
  void Destroy() override;

private:
  void CheckUnlocked() const;

  TGLTextureRef FPlatform;
  bool FRenderTarget = false;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  bool FLocked = false;
  int32_t FLastAccess = 0;
};

// The one staging surface (at most 2048 × 1024 pixels of 32-bit ARGB in system memory) through
// which every texture write goes. It holds as many pixels as the largest region locked so far,
// rows as wide as the region locked: the full size would take 8 MB at the first small picture.
class TGDefaultPoolTextureLocker : public TGObject {
  G_CLASS(TGDefaultPoolTextureLocker, TGObject)
  static constexpr int32_t CWidth = 2048;
  static constexpr int32_t CHeight = 1024;

  explicit TGDefaultPoolTextureLocker(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  // Hands out the staging region (0, 0, width of Rect, height of Rect) for Rect of Texture; its
  // pitch is the width of Rect.
  void Lock(const TGLTextureRef& Texture, const TGRect& Rect, TGLockedRect& Locked);
  // Copies the staging region into the texture at the remembered rectangle.
  void Unlock();
  // Releases the staging surface.
  void InvalidateDeviceObjects();

  bool HasIntermedSurface() const { return !FIntermedSurface.empty(); }
  // The pixels the staging surface holds.
  size_t IntermedSurfacePixels() const { return FIntermedSurface.size(); }
  bool IsLocked() const { return FLockedTexture != nullptr; }

private:
  std::vector<TGColor> FIntermedSurface;
  TGLTextureRef FLockedTexture;
  TGRect FLockedTextureRect;
};

// An off-screen surface to render into instead of a texture (nothing in the game makes one).
class TGRenderTargetSurface : public TGClonableObject {
  G_CLASS(TGRenderTargetSurface, TGClonableObject)
  explicit TGRenderTargetSurface(TGObject* AOwner = nullptr);

  void AssignTo(TGObject* Dest) const override;
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  void SetWidth(int32_t Value);
  void SetHeight(int32_t Value);
  // The framebuffer of the surface, created on first request (0 when empty).
  uint32_t D3DSurface();
  // Reads the surface's pixels, rows from the top.
  void ReadPixels(std::vector<TGColor>& Pixels);
  void DestroyD3DSurface();
  void InvalidateDeviceObjects(TGObject* Sender);

protected:
  void Destroy() override;

private:
  void CreateD3DSurface(int RetryLevel);

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  uint32_t FFramebuffer = 0;
  uint32_t FColorBuffer = 0;
  uint32_t FDepthBuffer = 0;
  int32_t FSurfaceSize = 0;
  uint64_t FGeneration = 0;
};
