// Particles: short-lived graphics spawned by emitter channels. A particle system collects them,
// draws them in world coordinates and drops them when their life is over. When a particle
// system dies while the particle manager names an heir, its particles move to the heir and live
// on there (a symbol replacing its instance, a widget ending an effect).
#pragma once

#include "drawables/UGGraphic.h"

#include <atomic>
#include <vector>

// Live particles, for the diagnostics overlay.
extern std::atomic<int32_t> ParticleCount;

class TGParticle : public TGGraphic {
  G_CLASS(TGParticle, TGGraphic)
  explicit TGParticle(TGObject* AOwner = nullptr);

  // The particle belongs to the animated-particle pool.
  bool InPool() const { return FInPool; }
  void SetInPool(bool Value) { FInPool = Value; }

protected:
  ~TGParticle() override;

  bool FInPool = false;
};

// A collection of particles (owned by it) drawn with the world matrix reset.
class TGParticleSystem : public TGGraphicCollection {
  G_CLASS(TGParticleSystem, TGGraphicCollection)
  explicit TGParticleSystem(TGObject* AOwner = nullptr)
      : TGGraphicCollection(AOwner) {}

  // Every particle in list order inside one sprite batch, in world coordinates.
  void Draw() override;
  // True when every particle is finished (and when there are none).
  bool IsFinished() override;

protected:
  // Hands the particles to the heir, or back to the pool, or frees them.
  void Destroy() override;
};

// The stack of heirs: particle systems that take the particles of systems destroyed meanwhile.
class TGParticleManager : public TGObject {
  G_CLASS(TGParticleManager, TGObject)
  explicit TGParticleManager(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  void SetupParticleHeir(TGParticleSystem* System);
  // Pops the top heir; nothing when there is none.
  void RestoreParticleHeir();
  // The top heir, or none.
  TGParticleSystem* GetParticleHeir() const;
  int32_t HeirCount() const { return static_cast<int32_t>(FParticleHeirs.size()); }

protected:
  void Destroy() override;

private:
  // An heir freed while it is on the stack must not receive particles any more.
  void OnHeirDestroy(TGObject* Sender);

  std::vector<TGParticleSystem*> FParticleHeirs;
};

// The process's particle manager: made when the program starts, freed by FinalizeParticles.
extern TGParticleManager* PM;

// Makes System the heir for the lifetime of the guard (also when leaving by an exception);
// nothing for none.
class TGParticleHeirScope {
public:
  explicit TGParticleHeirScope(TGParticleSystem* System);
  ~TGParticleHeirScope();
  TGParticleHeirScope(const TGParticleHeirScope&) = delete;
  TGParticleHeirScope& operator=(const TGParticleHeirScope&) = delete;

private:
  bool FActive = false;
};
