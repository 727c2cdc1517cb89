#include "graphics/UGManagedTexture.h"

#include "graphics/UGBitmap.h"
#include "math/UGMathUtils.h"
#include "object/UGClassBuilder.h"

#include <algorithm>
#include <cstring>
#include <string>

G_IMPLEMENT_CLASS(TGManagedTextureData)
G_IMPLEMENT_CLASS(TGManagedTexture)

// TGManagedTexturesStorage ------------------------------------------------------------------------

TGManagedTexturesStorage::~TGManagedTexturesStorage() {
  InvalidateDeviceObjects();
}

void TGManagedTexturesStorage::AllocateTextureArea(int32_t Width, int32_t Height,
                                                   TGSimpleTexture*& Texture, TGRect& Rect) {
  const std::optional<TGSurfaceRect> R = FAllocator.Allocate(
      Width, Height, [this](int32_t& W, int32_t& H) { return CreateNewTexture(W, H); });
  if (!R)
    throw Error("Unable to allocate a %dx%d texture area", Width, Height);
  Texture = static_cast<TGSimpleTexture*>(R->Surface);
  Rect = TGRect{R->Left, R->Top, R->Left + Width, R->Top + Height};
}

TGObject* TGManagedTexturesStorage::CreateNewTexture(int32_t& Width, int32_t& Height) {
  TGObjectPtr<TGSimpleTexture> Page(new TGSimpleTexture(nullptr));
  Page->SetWidth(Width);
  Page->SetHeight(Height);
  // Made at once (all pixels 0); this may evict other pages, never this one, which is not listed
  // yet. Taking it through GetD3DTexture also stamps it as the most recently used page.
  Page->GetD3DTexture();
  FItems.push_back(Page.get());
  return Page.release();
}

void TGManagedTexturesStorage::FreePage(size_t Index) {
  TGSimpleTexture* Page = FItems[Index];
  FAllocator.RemoveSurface(Page);
  FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(Index));
  // The page's destroy notification makes every image on it forget it; its video memory goes
  // back to the device's budget.
  Page->Free();
}

void TGManagedTexturesStorage::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(), [](TGSimpleTexture* A, TGSimpleTexture* B) {
    return A->LastAccess() < B->LastAccess();
  });
}

void TGManagedTexturesStorage::Clean(int64_t Bytes) {
  Sort();
  int64_t Freed = 0;
  while (!FItems.empty()) {
    const TGSimpleTexture* Page = FItems.front();
    Freed += int64_t{Page->GetWidth()} * Page->GetHeight() * 4;
    FreePage(0);
    if (Freed >= Bytes)
      break;
  }
}

void TGManagedTexturesStorage::DecreaseAccessTimes(int32_t Delta) {
  for (TGSimpleTexture* Page : FItems)
    Page->SetLastAccess(
        static_cast<int32_t>(std::max<int64_t>(0, int64_t{Page->LastAccess()} - Delta)));
}

void TGManagedTexturesStorage::InvalidateDeviceObjects() {
  FAllocator.Clear();
  while (!FItems.empty()) {
    TGSimpleTexture* Page = FItems.back();
    FItems.pop_back();
    Page->Free();
  }
}

// TGManagedTextureData ----------------------------------------------------------------------------

TGManagedTextureData::TGManagedTextureData(TGObject* AOwner, const TGBitmap* ABitmap)
    : TGObject(AOwner) {
  FBitmap = new TGBitmap(this);
  if (ABitmap)
    FBitmap->Assign(ABitmap);
}

void TGManagedTextureData::Release() {
  if (--FRefCount <= 0)
    Free();
}

void TGManagedTextureData::Invalidate() {
  FInvalidated = true;
  FGrayscaledInvalidated = true;
}

void TGManagedTextureData::OnDestroyTexture(TGObject* Sender) {
  if (Sender == FTexture)
    FTexture = nullptr;
  if (Sender == FGrayscaledTexture)
    FGrayscaledTexture = nullptr;
}

uint32_t TGManagedTextureData::GetD3DTexture(bool Grayscaled) {
  if (!FBitmap)
    throw Error();
  const int32_t W = FBitmap->Width();
  const int32_t H = FBitmap->Height();
  if (W <= 0 || H <= 0)
    return 0;
  TGSimpleTexture*& Page = Grayscaled ? FGrayscaledTexture : FTexture;
  TGRect& Extent = Grayscaled ? FGrayscaledBitmapExtent : FBitmapExtent;
  bool& Pending = Grayscaled ? FGrayscaledInvalidated : FInvalidated;

  if (Page) {
    if (Pending) {
      Upload(Page, Extent, Grayscaled);
      Pending = false;
    }
    return Page->GetD3DTexture();
  }

  auto* Storage =
      GD ? dynamic_cast<TGManagedTexturesStorage*>(GD->ManagedTexturesStorage()) : nullptr;
  if (!Storage)
    throw Error("The graphics device has no storage for managed textures");
  TGSimpleTexture* NewPage = nullptr;
  TGRect NewExtent;
  Storage->AllocateTextureArea(W, H, NewPage, NewExtent);
  Page = NewPage;
  Extent = NewExtent;
  Subscribe(TGNotification(NewPage, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TGManagedTextureData::OnDestroyTexture));
  // Should the upload fail, the next use tries it again.
  Pending = true;
  Upload(NewPage, NewExtent, Grayscaled);
  const uint32_t Name = NewPage->GetD3DTexture();
  Pending = false;
  return Name;
}

void TGManagedTextureData::Upload(TGSimpleTexture* Page, const TGRect& Extent, bool Grayscaled) {
  const int32_t W = FBitmap->Width();
  const int32_t H = FBitmap->Height();
  // Raw pixels are read where they are; only compressed ones are inflated into a copy.
  std::string Inflated;
  if (FBitmap->DataState() == bdsCompressed)
    Inflated = FBitmap->Bits();
  const std::string& Bits =
      FBitmap->DataState() == bdsCompressed ? Inflated : FBitmap->StoredBits();
  if (Bits.size() < static_cast<size_t>(W) * static_cast<size_t>(H) * 4)
    throw Error("Bitmap data is shorter than its %dx%d pixels", W, H);
  // The staging surface takes at most its own size at a time; larger images go in tiles.
  for (int32_t Y0 = 0; Y0 < H; Y0 += TGDefaultPoolTextureLocker::CHeight) {
    const int32_t TH = std::min(H - Y0, TGDefaultPoolTextureLocker::CHeight);
    for (int32_t X0 = 0; X0 < W; X0 += TGDefaultPoolTextureLocker::CWidth) {
      const int32_t TW = std::min(W - X0, TGDefaultPoolTextureLocker::CWidth);
      TGLockedRect L;
      Page->Lock(
          TGRect{Extent.Left + X0, Extent.Top + Y0, Extent.Left + X0 + TW, Extent.Top + Y0 + TH},
          L);
      for (int32_t Y = 0; Y < TH; ++Y) {
        const char* Src = Bits.data() + (static_cast<size_t>(Y0 + Y) * W + X0) * 4;
        TGColor* Dst = &L.Pixels(0, Y);
        if (!Grayscaled) {
          std::memcpy(Dst, Src, static_cast<size_t>(TW) * 4);
          continue;
        }
        for (int32_t X = 0; X < TW; ++X) {
          TGColor C;
          std::memcpy(&C, Src + static_cast<size_t>(X) * 4, 4);
          Dst[X] = GrayscalePixel(C);
        }
      }
      Page->Unlock();
    }
  }
}

void TGManagedTextureData::D3DApply(int Stage, bool Grayscaled) {
  const uint32_t Name = GetD3DTexture(Grayscaled);
  if (!GD)
    return;
  const TGSimpleTexture* Page = Grayscaled ? FGrayscaledTexture : FTexture;
  if (!Name || !Page) {
    GD->BindTexture(Stage, 0, 1, 1, 0, 0, true);
    return;
  }
  const TGRect& Extent = Grayscaled ? FGrayscaledBitmapExtent : FBitmapExtent;
  const auto PW = static_cast<float>(NearestPow2(static_cast<uint32_t>(Page->GetWidth())));
  const auto PH = static_cast<float>(NearestPow2(static_cast<uint32_t>(Page->GetHeight())));
  // Coordinates 0..1 across the image address its extent in the page. Only an image that fills
  // its page may repeat; any other would repeat its neighbours, so it is clamped.
  const bool Wrap = Page->GetWidth() == FBitmap->Width() && Page->GetHeight() == FBitmap->Height();
  GD->BindTexture(Stage, Name, static_cast<float>(Extent.Right - Extent.Left) / PW,
                  static_cast<float>(Extent.Bottom - Extent.Top) / PH,
                  static_cast<float>(Extent.Left) / PW, static_cast<float>(Extent.Top) / PH, Wrap);
}

// TGManagedTexture -------------------------------------------------------------------------------

TGManagedTexture::TGManagedTexture(TGObject* AOwner)
    : TGTexture(AOwner) {
  FData = new TGManagedTextureData(nullptr, nullptr);
}

void TGManagedTexture::Destroy() {
  if (FData) {
    TGManagedTextureData* D = FData;
    FData = nullptr;
    D->Release();
  }
  inherited::Destroy();
}

void TGManagedTexture::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TGManagedTexture*>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  if (D == this || D->FData == FData)
    return;
  FData->AddRef();
  TGManagedTextureData* Old = D->FData;
  D->FData = FData;
  if (Old)
    Old->Release();
}

uint32_t TGManagedTexture::GetD3DTexture() {
  return FData->GetD3DTexture(false);
}

int32_t TGManagedTexture::GetWidth() const {
  return FData && FData->Bitmap() ? FData->Bitmap()->Width() : 0;
}

int32_t TGManagedTexture::GetHeight() const {
  return FData && FData->Bitmap() ? FData->Bitmap()->Height() : 0;
}

void TGManagedTexture::SetHeight(int32_t Value) {
  (void)Value;
  throw Error();
}

void TGManagedTexture::SetWidth(int32_t Value) {
  (void)Value;
  throw Error();
}

void TGManagedTexture::D3DApply(int Stage) {
  FData->D3DApply(Stage, ApplyGrayscaled);
}

void TGManagedTexture::SetIsEmpty(bool Value) {
  if (Value)
    Load(nullptr);
}

bool TGManagedTexture::SameTexture(const TGTexture* Other) const {
  const auto* O = dynamic_cast<const TGManagedTexture*>(Other);
  return O && O->FData == FData;
}

void TGManagedTexture::Save(TGBitmap* Bitmap) const {
  if (Bitmap)
    Bitmap->Assign(FData->Bitmap());
}

void TGManagedTexture::Load(const TGBitmap* Bitmap) {
  // The new data first: Bitmap may be the current data's own bitmap.
  TGManagedTextureData* New = new TGManagedTextureData(nullptr, Bitmap);
  TGManagedTextureData* Old = FData;
  FData = New;
  if (Old)
    Old->Release();
}
