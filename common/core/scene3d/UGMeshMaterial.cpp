#include "scene3d/UGMeshMaterial.h"

#include "base/UGStrUtils.h"
#include "drawables/UGSprite.h"
#include "graphics/UGManagedTexture.h"
#include "object/UGClassBuilder.h"
#include "resources/UGResourceLibrary.h"
#include "scene3d/UGModel.h"

G_IMPLEMENT_CLASS(TGMeshMaterial)

namespace {

// The picture the library has under URL, or none (also for URLs of other kinds).
TGSprite* FindSprite(TGResourceLibrary* Library, const std::string& URL) {
  const TGClass Class = ResourceClass(URL);
  if (!Class || !Class->InheritsFrom(TGSprite::StaticClass()))
    return nullptr;
  const int Index = Library->IndexOf(URL);
  return Index < 0 ? nullptr : dynamic_cast<TGSprite*>(Library->GetItem(Index));
}

} // namespace

TGMeshMaterial::TGMeshMaterial(TGObject* AOwner)
    : TGClonableObject(AOwner) {}

void TGMeshMaterial::AssignTo(TGObject* Dest) const {
  auto* D = ObjectCast<TGMeshMaterial>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  D->ReleaseTextures();
  D->FName = FName;
  D->Material = Material;
  if (FSourceSprite)
    D->HoldSprite(FSourceSprite);
  if (FTexture) {
    D->FTexture = new TGManagedTexture(D);
    D->FTexture->Assign(FTexture);
  }
}

TGTexture* TGMeshMaterial::CurrentTexture() const {
  if (FSourceSprite)
    return FSourceSprite->Texture();
  if (FTexture && !FTexture->GetIsEmpty())
    return FTexture;
  return nullptr;
}

void TGMeshMaterial::SetTexture(TGResourceLibrary* Context, const std::string& URL,
                                std::string_view SearchPath) {
  ReleaseTextures();
  FName = URL;
  if (!Context)
    return;
  TGSprite* Sprite = URL.empty() ? nullptr : FindSprite(Context, URL);
  if (!Sprite && !URL.empty() && !SearchPath.empty())
    Sprite = FindSprite(Context, std::string(SearchPath) + URL);
  if (Sprite)
    HoldSprite(Sprite);
  else
    FTexture = new TGManagedTexture(this);
}

void TGMeshMaterial::SetTexture(TGResourceLibrary* Context, const std::string& URL) {
  std::string SearchPath;
  for (TGObject* O = Owner(); O; O = O->Owner()) {
    if (auto* Model = dynamic_cast<TGModel*>(O)) {
      SearchPath = ResourceFolder(Model->URL());
      break;
    }
  }
  SetTexture(Context, URL, SearchPath);
}

void TGMeshMaterial::SetupDevice(TGColor Tint) {
  TGTexture* Texture = CurrentTexture();
  GD->SetTexture(0, Texture);
  if (!GD->Lighting()) {
    // The constant colour is what the stage shows: the tint alone, over the texture if any.
    GD->SetMaterialDiffuse(Tint);
    GD->SetConstantColor(Tint);
    GD->SetTextureState(0, Texture ? tsModulateConstant : tsConstant);
    return;
  }
  TGMaterial M = Material;
  if (uint32_t(Tint) != 0xFFFFFFFFu) {
    M.Diffuse = M.Diffuse * Tint;
    M.Ambient = M.Ambient * Tint;
  }
  GD->SetMaterial(M);
  GD->SetSpecularEnable(M.Power > 0);
  GD->SetTextureState(0, Texture ? tsModulate : tsDiffuse);
}

void TGMeshMaterial::RestoreDevice() {
  if (GD->Lighting())
    GD->SetSpecularEnable(false);
}

void TGMeshMaterial::Destroy() {
  ReleaseTextures();
  inherited::Destroy();
}

void TGMeshMaterial::OwnedObjectDestroying(TGObject* Obj) {
  if (Obj == FTexture)
    FTexture = nullptr;
  inherited::OwnedObjectDestroying(Obj);
}

void TGMeshMaterial::ReleaseTextures() {
  if (FSourceSprite) {
    TGSprite* Sprite = FSourceSprite;
    FSourceSprite = nullptr;
    UnSubscribe(Sprite);
    Sprite->Release();
  }
  FreeAndNil(FTexture);
}

void TGMeshMaterial::HoldSprite(TGSprite* Sprite) {
  FSourceSprite = Sprite;
  Sprite->AddRef();
  Subscribe(TGNotification(Sprite, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TGMeshMaterial::OnSpriteDestroy));
}

void TGMeshMaterial::OnSpriteDestroy(TGObject* Sender) {
  if (Sender == FSourceSprite)
    FSourceSprite = nullptr;
}
