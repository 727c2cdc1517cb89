// The particle of scripted emitters: it plays envelopes computed at its birth (position, angle,
// scale, alpha and colour over its life in milliseconds) on a symbol showing its picture. A pool
// may keep a fixed set of them for reuse.
#pragma once

#include "animation/UGVarSeq.h"
#include "drawables/UGParticle.h"

#include <vector>

class TGSymbol;

class TGAnimatedParticle : public TGParticle {
  G_CLASS(TGAnimatedParticle, TGParticle)
  explicit TGAnimatedParticle(TGObject* AOwner = nullptr);

  // Time back to 0 and every envelope emptied.
  void Clear();
  // Advances the life and places the symbol at the envelopes' values.
  void Update(float DeltaTime) override;
  void Draw() override;
  using TGGraphic::Draw;
  bool IsFinished() override { return FElapsedTime >= FLifeTime; }
  bool ReturnToPool() override;
  void AssignTo(TGObject* Dest) const override;

  int32_t LifeTime() const { return FLifeTime; }
  void SetLifeTime(int32_t Value) { FLifeTime = Value; }
  int32_t ElapsedTime() const { return FElapsedTime; }
  void SetElapsedTime(int32_t Value) { FElapsedTime = Value; }
  TGRealEnv* X() const { return FX; }
  TGRealEnv* Y() const { return FY; }
  TGRealEnv* Angle() const { return FAngle; }
  TGRealEnv* ScaleX() const { return FScaleX; }
  TGRealEnv* ScaleY() const { return FScaleY; }
  TGRealEnv* Alpha() const { return FAlpha; }
  TGRealEnv* Red() const { return FRed; }
  TGRealEnv* Green() const { return FGreen; }
  TGRealEnv* Blue() const { return FBlue; }
  // The base tint, multiplied by the envelopes' colour.
  TGColor Color() const { return FColor; }
  void SetColor(TGColor Value) { FColor = Value; }
  TGSymbol* Symbol() const { return FSymbol; }

protected:
  void Destroy() override;

private:
  TGRealEnv* NewEnv(float Default);

  int32_t FLifeTime = 0;    // ms
  int32_t FElapsedTime = 0; // ms
  TGRealEnv* FX;
  TGRealEnv* FY;
  TGRealEnv* FAngle;
  TGRealEnv* FScaleX;
  TGRealEnv* FScaleY;
  TGRealEnv* FAlpha;
  TGRealEnv* FRed;
  TGRealEnv* FGreen;
  TGRealEnv* FBlue;
  TGColor FColor = 0xFFFFFFFF;
  TGSymbol* FSymbol; // owned
};

// A fixed set of animated particles handed out and taken back, so that busy effects do not
// allocate. The particles belong to the pool (no owner) while they are free.
class TGAnimatedParticlesPool : public TGObject {
  G_CLASS(TGAnimatedParticlesPool, TGObject)
  // Makes PoolSize free particles (none for 0 or less) and becomes AnimatedParticlesPool.
  TGAnimatedParticlesPool(TGObject* AOwner, int32_t PoolSize);
  explicit TGAnimatedParticlesPool(TGObject* AOwner = nullptr)
      : TGAnimatedParticlesPool(AOwner, 0) {}

  // The first free particle after the one handed out last (wrapping; the last one handed out
  // is examined last), cleared and marked used; false when every slot is used or the pool is
  // empty.
  bool GetParticle(TGAnimatedParticle*& Particle);
  // Frees the slot holding Particle and clears its owner; false (and nothing done) for a
  // particle of no slot.
  bool ReleaseParticle(TGAnimatedParticle* Particle);

  int32_t PoolSize() const { return FPoolSize; }
  int32_t LastIdx() const { return FLastIdx; }
  bool Used(int32_t Index) const { return FUsed.at(static_cast<size_t>(Index)); }
  TGAnimatedParticle* Particles(int32_t Index) const {
    return FParticles.at(static_cast<size_t>(Index));
  }

protected:
  void Destroy() override;

private:
  friend class TGAnimatedParticle;
  // A pooled particle freed by someone else leaves its slot to a new particle.
  void Forget(TGAnimatedParticle* Particle);
  TGAnimatedParticle* NewPooled();

  std::vector<TGAnimatedParticle*> FParticles;
  std::vector<bool> FUsed;
  int32_t FLastIdx = 0;
  int32_t FPoolSize = 0;
};

// The process's pool, or none.
extern TGAnimatedParticlesPool* AnimatedParticlesPool;

// Start-up and shutdown of the particles' process-wide objects: the particle manager, the
// animated-particle pool (PoolSize particles; 0 makes every particle on demand) and the default
// shared data of simple particles.
void InitializeParticles(int32_t PoolSize);
void FinalizeParticles();
