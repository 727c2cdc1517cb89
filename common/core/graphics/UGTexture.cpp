#include "graphics/UGTexture.h"

#include "math/UGMathUtils.h"
#include "object/UGClassBuilder.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <climits>
#include <cstring>

G_IMPLEMENT_CLASS(TGTexture)
G_IMPLEMENT_CLASS(TGSimpleTexture)
G_IMPLEMENT_CLASS(TGDefaultPoolTextureLocker)
G_IMPLEMENT_CLASS(TGRenderTargetSurface)

int32_t TextureAccessCounter = 0;

namespace {

bool ContextAlive(uint64_t Generation) {
  return GD && GD->Initialized() && GD->ContextGeneration() == Generation;
}

enum TCreateResult { crOK, crOutOfMemory, crFailed };

struct TTextureFormat {
  GLenum Internal;
  int32_t BytesPerPixel;
};
// A8R8G8B8, A4R4G4B4, A1R5G5B5.
constexpr TTextureFormat CPixelFormats32[] = {{GL_RGBA8, 4}, {GL_RGBA4, 2}, {GL_RGB5_A1, 2}};
// X8R8G8B8, R5G6B5, X1R5G5B5, X4R4G4B4.
constexpr TTextureFormat CSurfaceFormats[] = {
    {GL_RGB8, 4}, {GL_RGB565, 2}, {GL_RGB5, 2}, {GL_RGB4, 2}};

void DrainGLErrors() {
  for (int I = 0; I < 16 && glGetError() != GL_NO_ERROR; ++I) {
  }
}

TCreateResult LastCreateResult() {
  const GLenum E = glGetError();
  DrainGLErrors();
  if (E == GL_NO_ERROR)
    return crOK;
  return E == GL_OUT_OF_MEMORY ? crOutOfMemory : crFailed;
}

TCreateResult TryCreateTexture(TGLTexture& T, const TTextureFormat& Format, bool RenderTarget) {
  DrainGLErrors();
  GLuint Name = 0;
  glGenTextures(1, &Name);
  GD->BindTextureForUpdate(Name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  if (RenderTarget) {
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(Format.Internal), T.Width, T.Height, 0,
                 GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  } else {
    // A new texture starts with every pixel 0.
    const std::vector<uint8_t> Zero(static_cast<size_t>(T.Width) * T.Height * 4, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(Format.Internal), T.Width, T.Height, 0,
                 GL_BGRA, GL_UNSIGNED_BYTE, Zero.data());
  }
  const TCreateResult R = LastCreateResult();
  GD->RestoreTextureBinding();
  if (R != crOK) {
    glDeleteTextures(1, &Name);
    return R;
  }
  T.Name = Name;
  T.Size = T.Width * T.Height * Format.BytesPerPixel;
  return crOK;
}

} // namespace

TGLTexture::~TGLTexture() {
  if (ContextAlive(Generation)) {
    if (Framebuffer) {
      GLuint F = Framebuffer;
      glDeleteFramebuffers(1, &F);
    }
    if (Depth) {
      GLuint D = Depth;
      glDeleteRenderbuffers(1, &D);
    }
    if (Name) {
      GLuint N = Name;
      glDeleteTextures(1, &N);
    }
  }
  if (GD && Size)
    GD->ChargeMemory(-Size);
}

// TGTexture --------------------------------------------------------------------------------------

void TGTexture::Normalize(float& U, float& V) const {
  U /= static_cast<float>(GetWidth());
  V /= static_cast<float>(GetHeight());
}

void TGTexture::Destroy() {
  if (GD)
    GD->ForgetObject(this);
  inherited::Destroy();
}

// TGSimpleTexture --------------------------------------------------------------------------------

TGSimpleTexture::TGSimpleTexture(TGObject* AOwner)
    : TGTexture(AOwner) {
  if (GD)
    Subscribe(TGNotification(GD, &TGGraphicsDevice::NotifyInvalidateDeviceObjects),
              TGNotifyEvent(this, &TGSimpleTexture::InvalidateDeviceObjects));
}

void TGSimpleTexture::Destroy() {
  DestroyD3DTexture();
  inherited::Destroy();
}

void TGSimpleTexture::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TGSimpleTexture*>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  if (FLocked)
    throw Error();
  D->CheckUnlocked();
  D->FPlatform = FPlatform;
  D->FWidth = FWidth;
  D->FHeight = FHeight;
  D->FRenderTarget = FRenderTarget;
}

void TGSimpleTexture::CheckUnlocked() const {
  if (FLocked)
    throw Error();
}

void TGSimpleTexture::SetWidth(int32_t Value) {
  CheckUnlocked();
  DestroyD3DTexture();
  FWidth = Value;
}

void TGSimpleTexture::SetHeight(int32_t Value) {
  CheckUnlocked();
  DestroyD3DTexture();
  FHeight = Value;
}

void TGSimpleTexture::SetRenderTarget(bool Value) {
  CheckUnlocked();
  DestroyD3DTexture();
  FRenderTarget = Value;
}

void TGSimpleTexture::SetIsEmpty(bool Value) {
  if (Value) {
    SetWidth(0);
    SetHeight(0);
  }
}

bool TGSimpleTexture::SameTexture(const TGTexture* Other) const {
  auto* O = dynamic_cast<const TGSimpleTexture*>(Other);
  return O && O->FPlatform == FPlatform;
}

uint32_t TGSimpleTexture::GetD3DTexture() {
  if (GetIsEmpty())
    return 0;
  FLastAccess = TextureAccessCounter;
  if (TextureAccessCounter == INT32_MAX) {
    constexpr int32_t Delta = 1073741823;
    if (GD && GD->ManagedTexturesStorage())
      GD->ManagedTexturesStorage()->DecreaseAccessTimes(Delta);
    TextureAccessCounter -= Delta;
  }
  ++TextureAccessCounter;
  if (FPlatform && !ContextAlive(FPlatform->Generation))
    FPlatform.reset();
  if (!FPlatform)
    CreateD3DTexture();
  return FPlatform->Name;
}

void TGSimpleTexture::CreateD3DTexture() {
  if (GetIsEmpty())
    throw Error();
  if (!GD || !GD->Initialized())
    throw Error("The graphics device is not initialized");
  const TGPoint Max = GD->MaxTextureSize();
  if (FWidth > Max.X || FHeight > Max.Y || FWidth < 0 || FHeight < 0)
    throw Error("Texture size too large");
  auto T = std::make_shared<TGLTexture>();
  T->Width = static_cast<int32_t>(NearestPow2(static_cast<uint32_t>(FWidth)));
  T->Height = static_cast<int32_t>(NearestPow2(static_cast<uint32_t>(FHeight)));
  T->Generation = GD->ContextGeneration();
  const int64_t Need = int64_t{T->Width} * T->Height * 4;
  if (GD->MemoryUsage() + Need > GD->MemoryLimit() && GD->ManagedTexturesStorage())
    GD->ManagedTexturesStorage()->Clean(Need);
  for (int RetryLevel = 1;; ++RetryLevel) {
    bool OutOfMemory = false;
    for (const TTextureFormat& F : CPixelFormats32) {
      const TCreateResult R = TryCreateTexture(*T, F, FRenderTarget);
      if (R == crOK) {
        GD->ChargeMemory(T->Size);
        FPlatform = std::move(T);
        return;
      }
      if (R == crOutOfMemory) {
        OutOfMemory = true;
        break;
      }
    }
    if (!OutOfMemory)
      throw Error(); // no format was accepted
    if (RetryLevel == 3)
      throw Error("Out of video memory");
    if (GD->ManagedTexturesStorage())
      GD->ManagedTexturesStorage()->Clean(Need * 4);
  }
}

void TGSimpleTexture::D3DApply(int Stage) {
  const uint32_t Name = GetD3DTexture();
  if (!Name) {
    GD->BindTexture(Stage, 0, 1, 1, 0, 0, true);
    return;
  }
  GD->BindTexture(Stage, Name, static_cast<float>(FWidth) / static_cast<float>(FPlatform->Width),
                  static_cast<float>(FHeight) / static_cast<float>(FPlatform->Height), 0, 0, true);
}

void TGSimpleTexture::Lock(TGLockedRect& Locked) {
  Lock(TGRect{0, 0, FWidth, FHeight}, Locked);
}

void TGSimpleTexture::Lock(const TGRect& Rect, TGLockedRect& Locked) {
  if (GetIsEmpty())
    throw Error("Can't lock empty texture");
  GetD3DTexture();
  if (FRenderTarget)
    throw Error("Can't lock render target");
  if (FLocked)
    throw Error("Texture is already locked");
  // OpenGL would ignore a write outside the texture without a word.
  if (Rect.Left < 0 || Rect.Top < 0 || Rect.Right > FWidth || Rect.Bottom > FHeight ||
      Rect.Right < Rect.Left || Rect.Bottom < Rect.Top)
    throw Error("Lock rectangle (%d, %d, %d, %d) outside the %dx%d texture", Rect.Left, Rect.Top,
                Rect.Right, Rect.Bottom, FWidth, FHeight);
  GD->DefaultPoolTextureLocker()->Lock(FPlatform, Rect, Locked);
  FLocked = true;
}

void TGSimpleTexture::Unlock() {
  if (!FLocked)
    throw Error();
  FLocked = false;
  GD->DefaultPoolTextureLocker()->Unlock();
}

void TGSimpleTexture::Erase() {
  TGLockedRect L;
  Lock(L);
  for (int32_t Y = 0; Y < FHeight; ++Y)
    std::fill_n(&L.Pixels(0, Y), FWidth, TGColor());
  Unlock();
}

void TGSimpleTexture::LoadPixels(int32_t AWidth, int32_t AHeight, const TGColor* Pixels,
                                 int32_t Pitch) {
  SetWidth(AWidth);
  SetHeight(AHeight);
  if (GetIsEmpty())
    return;
  TGLockedRect L;
  Lock(L);
  for (int32_t Y = 0; Y < FHeight; ++Y)
    std::memcpy(&L.Pixels(0, Y), reinterpret_cast<const uint8_t*>(Pixels) + Y * Pitch,
                static_cast<size_t>(FWidth) * 4);
  Unlock();
}

void TGSimpleTexture::SavePixels(std::vector<TGColor>& Pixels) {
  Pixels.clear();
  if (GetIsEmpty())
    return;
  CheckUnlocked();
  GetD3DTexture();
  GD->ReadTexturePixels(FPlatform->Name, FPlatform->Width, FPlatform->Height, FWidth, FHeight,
                        Pixels);
}

void TGSimpleTexture::DestroyD3DTexture() {
  FPlatform.reset(); // the last holder deletes the OpenGL texture and frees its charge
}

void TGSimpleTexture::InvalidateDeviceObjects(TGObject* Sender) {
  (void)Sender;
  if (FLocked) {
    FLocked = false;
    if (GD)
      GD->DefaultPoolTextureLocker()->InvalidateDeviceObjects();
  }
  DestroyD3DTexture();
}

// TGDefaultPoolTextureLocker ---------------------------------------------------------------------

void TGDefaultPoolTextureLocker::Lock(const TGLTextureRef& Texture, const TGRect& Rect,
                                      TGLockedRect& Locked) {
  if (FLockedTexture)
    throw Error();
  const int32_t W = Rect.Right - Rect.Left;
  const int32_t H = Rect.Bottom - Rect.Top;
  if (!Texture || W < 0 || H < 0 || W > CWidth || H > CHeight || Rect.Left < 0 || Rect.Top < 0 ||
      Rect.Right > Texture->Width || Rect.Bottom > Texture->Height)
    D3DAssert(D3DERR_INVALIDCALL);
  const size_t Pixels = static_cast<size_t>(std::max(W, 1)) * static_cast<size_t>(std::max(H, 1));
  if (FIntermedSurface.size() < Pixels)
    FIntermedSurface.resize(Pixels);
  Locked.Pitch = std::max(W, 1) * 4;
  Locked.Bits = FIntermedSurface.data();
  FLockedTexture = Texture;
  FLockedTextureRect = Rect;
}

void TGDefaultPoolTextureLocker::Unlock() {
  if (!FLockedTexture)
    throw Error();
  TGLTextureRef T = std::move(FLockedTexture);
  FLockedTexture.reset();
  if (!ContextAlive(T->Generation))
    return; // the texture went with its context
  const TGRect& R = FLockedTextureRect;
  const int32_t W = R.Right - R.Left;
  GD->UploadTexturePixels(T->Name, R.Left, R.Top, W, R.Bottom - R.Top, FIntermedSurface.data(),
                          std::max(W, 1) * 4);
}

void TGDefaultPoolTextureLocker::InvalidateDeviceObjects() {
  FLockedTexture.reset();
  std::vector<TGColor>().swap(FIntermedSurface);
}

// TGRenderTargetSurface --------------------------------------------------------------------------

TGRenderTargetSurface::TGRenderTargetSurface(TGObject* AOwner)
    : TGClonableObject(AOwner) {
  if (GD)
    Subscribe(TGNotification(GD, &TGGraphicsDevice::NotifyInvalidateDeviceObjects),
              TGNotifyEvent(this, &TGRenderTargetSurface::InvalidateDeviceObjects));
}

void TGRenderTargetSurface::Destroy() {
  if (GD)
    GD->ForgetObject(this);
  DestroyD3DSurface();
  inherited::Destroy();
}

void TGRenderTargetSurface::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TGRenderTargetSurface*>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  D->SetWidth(FWidth);
  D->SetHeight(FHeight);
}

void TGRenderTargetSurface::SetWidth(int32_t Value) {
  DestroyD3DSurface();
  FWidth = Value;
}

void TGRenderTargetSurface::SetHeight(int32_t Value) {
  DestroyD3DSurface();
  FHeight = Value;
}

uint32_t TGRenderTargetSurface::D3DSurface() {
  if (int64_t{FWidth} * FHeight <= 0)
    return 0;
  if (FFramebuffer && !ContextAlive(FGeneration)) {
    FFramebuffer = FColorBuffer = FDepthBuffer = 0;
    DestroyD3DSurface();
  }
  if (!FFramebuffer)
    CreateD3DSurface(1);
  return FFramebuffer;
}

void TGRenderTargetSurface::CreateD3DSurface(int RetryLevel) {
  if (!GD || !GD->Initialized())
    throw Error("The graphics device is not initialized");
  if (RetryLevel > 2)
    throw Error("Out of video memory");
  const int64_t Need = int64_t{FWidth} * FHeight * 4;
  if (GD->MemoryUsage() + Need > GD->MemoryLimit() && GD->ManagedTexturesStorage())
    GD->ManagedTexturesStorage()->Clean(Need);
  for (const TTextureFormat& F : CSurfaceFormats) {
    DrainGLErrors();
    GLuint Color = 0;
    glGenRenderbuffers(1, &Color);
    glBindRenderbuffer(GL_RENDERBUFFER, Color);
    glRenderbufferStorage(GL_RENDERBUFFER, F.Internal, FWidth, FHeight);
    const TCreateResult R = LastCreateResult();
    if (R != crOK) {
      glDeleteRenderbuffers(1, &Color);
      if (R == crOutOfMemory) {
        if (GD->ManagedTexturesStorage())
          GD->ManagedTexturesStorage()->Clean(Need * 4);
        CreateD3DSurface(RetryLevel + 1);
        return;
      }
      continue;
    }
    FColorBuffer = Color;
    FFramebuffer = GD->CreateFramebuffer(0, Color, FWidth, FHeight, FDepthBuffer);
    FGeneration = GD->ContextGeneration();
    FSurfaceSize = FWidth * FHeight * F.BytesPerPixel;
    GD->ChargeMemory(FSurfaceSize);
    return;
  }
  throw Error();
}

void TGRenderTargetSurface::ReadPixels(std::vector<TGColor>& Pixels) {
  Pixels.assign(static_cast<size_t>(std::max(0, FWidth)) * std::max(0, FHeight), TGColor());
  const uint32_t F = D3DSurface();
  if (!F)
    return;
  GD->DrawPending();
  GLint Old = 0;
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &Old);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, F);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, FWidth, FHeight, GL_BGRA, GL_UNSIGNED_BYTE, Pixels.data());
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(Old));
  GD->CheckGLError();
}

void TGRenderTargetSurface::DestroyD3DSurface() {
  if (ContextAlive(FGeneration)) {
    if (FFramebuffer) {
      GLuint F = FFramebuffer;
      glDeleteFramebuffers(1, &F);
    }
    for (uint32_t R : {FColorBuffer, FDepthBuffer}) {
      if (R) {
        GLuint N = R;
        glDeleteRenderbuffers(1, &N);
      }
    }
  }
  FFramebuffer = FColorBuffer = FDepthBuffer = 0;
  if (FSurfaceSize && GD)
    GD->ChargeMemory(-FSurfaceSize);
  FSurfaceSize = 0;
}

void TGRenderTargetSurface::InvalidateDeviceObjects(TGObject* Sender) {
  (void)Sender;
  DestroyD3DSurface();
}
