#include "drawables/UGSymbol.h"

#include "object/UGClassBuilder.h"

#include <cstring>

G_IMPLEMENT_CLASS(TGSymbol)

TGSymbol::TGSymbol(TGObject* AOwner)
    : TGGraphic(AOwner) {
  FParticleSystem = new TGParticleSystem(this);
}

void TGSymbol::Destroy() {
  SetGraphic(nullptr);
  FreeAndNil(FInstance); // kept when the graphic went before the symbol
  inherited::Destroy();
}

void TGSymbol::NotifyChangeGraphic() {
  Notify(TGNotification(this, &TGSymbol::NotifyChangeGraphic));
}

void TGSymbol::SetGraphic(TGGraphic* G) {
  NotifyChangeGraphic();
  if (G == FGraphic) {
    return;
  }
  if (FGraphic) {
    UnSubscribe(FGraphic);
    FGraphic->Release();
    FGraphic = nullptr;
  }
  {
    // Particles of the dying instance carry on in the symbol's own system.
    TGParticleHeirScope Heir(FInheritParticles ? GetParticleSystem() : nullptr);
    FreeAndNil(FInstance);
  }
  FGraphic = G;
  if (!G) {
    FOrigin = TGVector{0, 0, 0};
    SetExtent(TGVector{0, 0, 0});
    return;
  }
  G->AddRef();
  Subscribe(TGNotification(G, &TGResource::NotifyChange),
            TGNotifyEvent(this, &TGSymbol::OnChangeGraphic));
  // Resources are freed with their library; a symbol outliving it keeps its instance.
  Subscribe(TGNotification(G, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TGSymbol::OnGraphicDestroy));
  MakeInstance();
}

void TGSymbol::MakeInstance() {
  FInstance = static_cast<TGGraphic*>(CloneObject(*FGraphic, nullptr));
  FOrigin = FGraphic->Origin();
  SetExtent(FGraphic->Extent());
}

void TGSymbol::OnChangeGraphic(TGObject* Sender) {
  (void)Sender;
  if (!FGraphic) {
    return;
  }
  FreeAndNil(FInstance);
  MakeInstance();
}

void TGSymbol::OnGraphicDestroy(TGObject* Sender) {
  if (Sender == FGraphic) {
    FGraphic = nullptr;
  }
}

void TGSymbol::SetMatrix(const TGMatrix& M) {
  if (std::memcmp(&M, &FMatrix, sizeof(TGMatrix)) != 0) {
    FMatrix = M;
    FInverseValid = false;
  }
}

const TGMatrix& TGSymbol::InvMatrix() const {
  if (!FInverseValid) {
    // A matrix that cannot be inverted (scale 0) squeezes the instance to nothing: never hit.
    FInvertible = MatrixInverse(FMatrix, FInvMatrix);
    if (!FInvertible) {
      FInvMatrix = MatIdentity;
    }
    FInverseValid = true;
  }
  return FInvMatrix;
}

void TGSymbol::SetTransform(float X, float Y, float PivotX, float PivotY, float RotationZ,
                            float ScalingX, float ScalingY) {
  SetMatrix(TransformMatrix(FOrigin, FExtent, X, Y, PivotX, PivotY, RotationZ, ScalingX, ScalingY));
}

TGParticleSystem* TGSymbol::GetParticleSystem() {
  if (!FParticleSystem) {
    FParticleSystem = new TGParticleSystem(this);
  }
  return FParticleSystem;
}

bool TGSymbol::Hit(const TGVector& Point) {
  if (!FInstance) {
    return false;
  }
  const TGMatrix& Inverse = InvMatrix();
  if (!FInvertible) {
    return false;
  }
  return FInstance->Hit(Point * Inverse);
}

bool TGSymbol::IsFinished() {
  return !FInstance || FInstance->IsFinished();
}

void TGSymbol::Update(float DeltaTime) {
  if (FInstance) {
    FInstance->Update(DeltaTime);
  }
  if (FInheritParticles && FParticleSystem) {
    FParticleSystem->Update(DeltaTime);
  }
}

void TGSymbol::DrawInstance() {
  if (FGrayscale == grayParent) {
    FInstance->Draw();
    return;
  }
  const TGSpriteGrayscaleMode Saved = GrayscaleMode;
  GrayscaleMode = FGrayscale;
  try {
    FInstance->Draw();
  } catch (...) {
    GrayscaleMode = Saved;
    throw;
  }
  GrayscaleMode = Saved;
}

void TGSymbol::Draw() {
  if (auto* Sprite = dynamic_cast<TGSprite*>(FInstance)) {
    // Fast path: the sprite joins the batch with everything computed here, no state pushed.
    const TGBlending Blend = FBlending == bParent ? GD->Blending() : FBlending;
    const TGColor Tint = GD->MaterialDiffuse() * FColor;
    const TGMatrix M = FMatrix * GD->GetMatrixByType(mWorld);
    const TGSpriteGrayscaleMode Saved = GrayscaleMode;
    if (FGrayscale != grayParent) {
      GrayscaleMode = FGrayscale;
    }
    try {
      Sprite->Draw(M, Tint, Blend);
    } catch (...) {
      GrayscaleMode = Saved;
      throw;
    }
    GrayscaleMode = Saved;
  } else if (FInstance) {
    const bool ChangeColor = FColor != 0xFFFFFFFF;
    const bool ChangeBlending = FBlending != bParent;
    const bool ChangeMatrix = std::memcmp(&FMatrix, &MatIdentity, sizeof(TGMatrix)) != 0;
    const bool ChangeFilter = FTextureFilter != tfParent;
    const bool Push = ChangeColor || ChangeBlending || ChangeMatrix || ChangeFilter;
    if (Push) {
      GD->PushState(TGDeviceStateMask{bMatrix, bMaterial, bTexture0, bBlending});
    }
    try {
      if (ChangeMatrix) {
        GD->SetMatrixByType(mWorld, FMatrix * GD->GetMatrixByType(mWorld));
      }
      if (ChangeBlending) {
        GD->SetBlending(FBlending);
      }
      if (ChangeColor) {
        GD->SetMaterialDiffuse(GD->MaterialDiffuse() * FColor);
      }
      if (ChangeFilter) {
        GD->SetTextureFilter(0, FTextureFilter);
      }
      DrawInstance();
    } catch (...) {
      if (Push) {
        GD->PopState();
      }
      throw;
    }
    if (Push) {
      GD->PopState();
    }
  }
  if (FInheritParticles && FParticleSystem) {
    FParticleSystem->Draw();
  }
}

void TGSymbol::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  TGSymbol* D = ObjectCast<TGSymbol>(Dest);
  D->SetMatrix(FMatrix);
  D->FColor = FColor;
  D->FTextureFilter = FTextureFilter;
  D->FBlending = FBlending;
  D->SetGraphic(FGraphic);
  D->FInheritParticles = FInheritParticles;
}
