#include "particles/UGAnimatedParticle.h"

#include "drawables/UGSymbol.h"
#include "object/UGClassBuilder.h"
#include "particles/UGSimpleParticle.h"

#include <cmath>

G_IMPLEMENT_CLASS(TGAnimatedParticle)
G_IMPLEMENT_CLASS(TGAnimatedParticlesPool)

TGAnimatedParticlesPool* AnimatedParticlesPool = nullptr;

// TGAnimatedParticle --------------------------------------------------------------------------

TGAnimatedParticle::TGAnimatedParticle(TGObject* AOwner)
    : TGParticle(AOwner)
    , FX(NewEnv(0))
    , FY(NewEnv(0))
    , FAngle(NewEnv(0))
    , FScaleX(NewEnv(1))
    , FScaleY(NewEnv(1))
    , FAlpha(NewEnv(1))
    , FRed(NewEnv(1))
    , FGreen(NewEnv(1))
    , FBlue(NewEnv(1))
    , FSymbol(new TGSymbol(this)) {}

TGRealEnv* TGAnimatedParticle::NewEnv(float Default) {
  auto* Env = new TGRealEnv("", Default, nullptr, false);
  Env->SetOwner(this);
  return Env;
}

void TGAnimatedParticle::Destroy() {
  if (FInPool && AnimatedParticlesPool) {
    AnimatedParticlesPool->Forget(this);
  }
  inherited::Destroy();
}

void TGAnimatedParticle::Clear() {
  FElapsedTime = 0;
  for (TGRealEnv* Env : {FX, FY, FAngle, FScaleX, FScaleY, FAlpha, FRed, FGreen, FBlue}) {
    Env->Clear();
  }
}

void TGAnimatedParticle::Update(float DeltaTime) {
  FElapsedTime += static_cast<int32_t>(std::nearbyint(DeltaTime * 1000.0));
  const int32_t T = FElapsedTime;
  FSymbol->SetColor(FColor * TGColor::Create(static_cast<double>(FAlpha->GetRealValue(T)),
                                             static_cast<double>(FRed->GetRealValue(T)),
                                             static_cast<double>(FGreen->GetRealValue(T)),
                                             static_cast<double>(FBlue->GetRealValue(T))));
  FSymbol->SetTransform(FX->GetRealValue(T), FY->GetRealValue(T), 0.5f, 0.5f,
                        FAngle->GetRealValue(T), FScaleX->GetRealValue(T),
                        FScaleY->GetRealValue(T));
  FSymbol->Update(DeltaTime);
}

void TGAnimatedParticle::Draw() {
  FSymbol->Draw();
}

void TGAnimatedParticle::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  auto* D = ObjectCast<TGAnimatedParticle>(Dest);
  D->FLifeTime = FLifeTime;
  D->FElapsedTime = FElapsedTime;
  D->FColor = FColor;
  const TGRealEnv* From[] = {FX, FY, FAngle, FScaleX, FScaleY, FAlpha, FRed, FGreen, FBlue};
  TGRealEnv* To[] = {D->FX,     D->FY,   D->FAngle, D->FScaleX, D->FScaleY,
                     D->FAlpha, D->FRed, D->FGreen, D->FBlue};
  for (size_t I = 0; I < std::size(From); ++I) {
    To[I]->Assign(From[I]);
  }
  D->FSymbol->Assign(FSymbol);
}

// TGAnimatedParticlesPool ---------------------------------------------------------------------

TGAnimatedParticlesPool::TGAnimatedParticlesPool(TGObject* AOwner, int32_t PoolSize)
    : TGObject(AOwner) {
  FPoolSize = PoolSize > 0 ? PoolSize : 0;
  FParticles.reserve(static_cast<size_t>(FPoolSize));
  for (int32_t I = 0; I < FPoolSize; ++I) {
    FParticles.push_back(NewPooled());
  }
  FUsed.assign(static_cast<size_t>(FPoolSize), false);
  FLastIdx = 0;
  AnimatedParticlesPool = this;
}

TGAnimatedParticle* TGAnimatedParticlesPool::NewPooled() {
  auto* P = new TGAnimatedParticle(nullptr);
  P->SetInPool(true);
  return P;
}

bool TGAnimatedParticlesPool::GetParticle(TGAnimatedParticle*& Particle) {
  Particle = nullptr;
  // Every slot once, the one handed out last at the end.
  for (int32_t N = 1; N <= FPoolSize; ++N) {
    const int32_t I = (FLastIdx + N) % FPoolSize;
    const auto Slot = static_cast<size_t>(I);
    if (FUsed[Slot]) {
      continue;
    }
    if (!FParticles[Slot]) {
      FParticles[Slot] = NewPooled();
    }
    FUsed[Slot] = true;
    FLastIdx = I;
    Particle = FParticles[Slot];
    Particle->Clear();
    return true;
  }
  return false;
}

bool TGAnimatedParticlesPool::ReleaseParticle(TGAnimatedParticle* Particle) {
  if (!Particle) {
    return false;
  }
  for (size_t I = 0; I < FParticles.size(); ++I) {
    if (FParticles[I] == Particle) {
      FUsed[I] = false;
      Particle->SetOwner(nullptr);
      return true;
    }
  }
  return false;
}

void TGAnimatedParticlesPool::Forget(TGAnimatedParticle* Particle) {
  for (size_t I = 0; I < FParticles.size(); ++I) {
    if (FParticles[I] == Particle) {
      FParticles[I] = nullptr;
      FUsed[I] = false;
    }
  }
}

void TGAnimatedParticlesPool::Destroy() {
  if (AnimatedParticlesPool == this) {
    AnimatedParticlesPool = nullptr;
  }
  // Particles in use stay with their systems as ordinary particles; the pool frees the rest.
  for (size_t I = 0; I < FParticles.size(); ++I) {
    TGAnimatedParticle* P = FParticles[I];
    FParticles[I] = nullptr;
    if (!P) {
      continue;
    }
    P->SetInPool(false);
    if (!FUsed[I] || !P->Owner()) {
      P->Free();
    }
  }
  inherited::Destroy();
}

bool TGAnimatedParticle::ReturnToPool() {
  return FInPool && AnimatedParticlesPool && AnimatedParticlesPool->ReleaseParticle(this);
}

// Start-up and shutdown -----------------------------------------------------------------------

void InitializeParticles(int32_t PoolSize) {
  if (!PM) {
    PM = new TGParticleManager();
  }
  if (AnimatedParticlesPool) {
    AnimatedParticlesPool->Free();
  }
  new TGAnimatedParticlesPool(nullptr, PoolSize);
  GetDefaultSimpleParticleSharedData();
}

void FinalizeParticles() {
  if (AnimatedParticlesPool) {
    AnimatedParticlesPool->Free();
  }
  ReleaseDefaultSimpleParticleSharedData();
  if (PM) {
    PM->Free();
  }
}
