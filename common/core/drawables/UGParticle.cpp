#include "drawables/UGParticle.h"

#include "drawables/UGSprite.h"
#include "object/UGClassBuilder.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TGParticle)
G_IMPLEMENT_CLASS(TGParticleSystem)
G_IMPLEMENT_CLASS(TGParticleManager)

std::atomic<int32_t> ParticleCount{0};

// Made before main so that symbols can name heirs from the start; FinalizeParticles frees it.
TGParticleManager* PM = new TGParticleManager();

// TGParticle ----------------------------------------------------------------------------------

TGParticle::TGParticle(TGObject* AOwner)
    : TGGraphic(AOwner) {
  ++ParticleCount;
}

TGParticle::~TGParticle() {
  --ParticleCount;
}

// TGParticleSystem ----------------------------------------------------------------------------

void TGParticleSystem::Draw() {
  if (Count() == 0) {
    return;
  }
  const TGMatrix Saved = GD->GetMatrixByType(mWorld);
  GD->SetMatrixByType(mWorld, MatIdentity);
  TGSprite::BeginBatch();
  try {
    inherited::Draw();
  } catch (...) {
    TGSprite::EndBatch();
    GD->SetMatrixByType(mWorld, Saved);
    throw;
  }
  TGSprite::EndBatch();
  GD->SetMatrixByType(mWorld, Saved);
}

bool TGParticleSystem::IsFinished() {
  for (int32_t I = 0; I < Count(); ++I) {
    if (!Items(I)->IsFinished()) {
      return false;
    }
  }
  return true;
}

void TGParticleSystem::Destroy() {
  TGParticleSystem* Heir = PM ? PM->GetParticleHeir() : nullptr;
  if (Heir == this || (Heir && Heir->Destroying())) {
    Heir = nullptr;
  }
  for (int32_t I = Count(); I-- > 0;) {
    if (I >= Count()) {
      continue;
    }
    TGGraphic* Item = Items(I);
    Extract(Item);
    if (Heir) {
      Item->SetOwner(Heir);
      Heir->Add(Item);
      continue;
    }
    if (Item->ReturnToPool()) {
      continue;
    }
    if (Item->Owner() == this) {
      Item->Free();
    }
  }
  inherited::Destroy();
}

// TGParticleManager ---------------------------------------------------------------------------

void TGParticleManager::SetupParticleHeir(TGParticleSystem* System) {
  FParticleHeirs.push_back(System);
  if (System) {
    Subscribe(TGNotification(System, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TGParticleManager::OnHeirDestroy));
  }
}

void TGParticleManager::RestoreParticleHeir() {
  if (FParticleHeirs.empty()) {
    return;
  }
  TGParticleSystem* Top = FParticleHeirs.back();
  FParticleHeirs.pop_back();
  if (Top && std::find(FParticleHeirs.begin(), FParticleHeirs.end(), Top) == FParticleHeirs.end()) {
    UnSubscribe(Top);
  }
}

TGParticleSystem* TGParticleManager::GetParticleHeir() const {
  return FParticleHeirs.empty() ? nullptr : FParticleHeirs.back();
}

void TGParticleManager::OnHeirDestroy(TGObject* Sender) {
  // The entry stays so that the caller's Restore still pops the right level.
  for (TGParticleSystem*& Heir : FParticleHeirs) {
    if (Heir == Sender) {
      Heir = nullptr;
    }
  }
}

void TGParticleManager::Destroy() {
  for (TGParticleSystem* Heir : FParticleHeirs) {
    if (Heir) {
      UnSubscribe(Heir);
    }
  }
  FParticleHeirs.clear();
  if (PM == this) {
    PM = nullptr;
  }
  inherited::Destroy();
}

TGParticleHeirScope::TGParticleHeirScope(TGParticleSystem* System) {
  if (PM && System) {
    PM->SetupParticleHeir(System);
    FActive = true;
  }
}

TGParticleHeirScope::~TGParticleHeirScope() {
  if (FActive && PM) {
    PM->RestoreParticleHeir();
  }
}
