// Particles, headless (SDL's offscreen driver on llvmpipe): a particle system of 2,000 simple
// particles updated and drawn per frame, and what one particle costs to make, scripted (its
// whole life simulated at birth) and simple.
#include "HeadlessScreen.h"
#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGBitmap.h"
#include "particles/UGAnimatedParticle.h"
#include "particles/UGParticleEmitter.h"
#include "particles/UGSimpleParticleEmitter.h"

#include <benchmark/benchmark.h>

namespace {

struct TParticleScene {
  TParticleScene() {
    TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
    Bitmap->SetSize(8, 8);
    for (int Y = 0; Y < 8; ++Y) {
      for (int X = 0; X < 8; ++X) {
        Bitmap->SetPixel(X, Y, TGColor::Create(255 - 20 * (X + Y), 255, 200, 100));
      }
    }
    Sprite.reset(new TGSprite());
    Sprite->LoadFromBitmap(*Bitmap);
  }

  THeadlessScreen Screen{CScreenWidth,
                         CScreenHeight}; // first member: everything below goes before the device
  TGObjectPtr<TGSprite> Sprite;
};

TParticleScene& Scene() {
  static TParticleScene S;
  return S;
}

// A simple emitter over the whole screen showing the scene's picture; its particles live long.
TGObjectPtr<TGSimpleParticleEmitter> SimpleEmitter() {
  TGObjectPtr<TGSimpleParticleEmitter> E(TGChannel::Create<TGSimpleParticleEmitter>(nullptr));
  E->ParticleSample()->SetResValue(0, Scene().Sprite.get());
  E->Shape()->SetValue(0, TGVariant(int32_t{esArea}));
  E->Width()->SetRealValue(0, CScreenWidth);
  E->Height()->SetRealValue(0, CScreenHeight);
  E->ParticleLifeTime()->SetRealValue(0, 1e6f);
  E->GravityForce()->SetRealValue(0, 0);
  E->Velocity()->SetRealValue(0, 20);
  E->RotationSpeed()->SetRealValue(0, 90);
  return E;
}

void BM_SimpleParticlesFrame(benchmark::State& State) {
  Scene();
  const auto Count = static_cast<int32_t>(State.range(0));
  TGObjectPtr<TGSimpleParticleEmitter> E = SimpleEmitter();
  TGParticleSystem* System = E->ParticleSystem();
  for (int32_t I = 0; I < Count; ++I) {
    TGGraphic* P = E->CreateParticle(static_cast<float>(I * 7 % CScreenWidth),
                                     static_cast<float>(I * 13 % CScreenHeight),
                                     static_cast<float>(I % 360), 0, 0, 1e6f);
    P->SetOwner(System);
    System->Add(P);
  }
  for (auto _ : State) {
    GD->BeginScene();
    GD->Erase(0);
    System->Update(1.0f / 60);
    System->Draw();
    GD->EndScene();
    GD->Present();
  }
  State.counters["particles"] = Count;
  State.counters["fps"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ScriptedParticleCreation(benchmark::State& State) {
  Scene();
  TGObjectPtr<TGParticleEmitter> E(TGChannel::Create<TGParticleEmitter>(nullptr));
  E->ParticleSample()->SetResValue(0, Scene().Sprite.get());
  E->UpdateScripts(0);
  const float LifeTime = static_cast<float>(State.range(0)) / 1000;
  for (auto _ : State) {
    TGObjectPtr<TGGraphic> P(E->CreateParticle(100, 100, 90, 0, 0, LifeTime));
    benchmark::DoNotOptimize(P.get());
  }
  State.counters["steps_per_particle"] = static_cast<double>(State.range(0)) / 100 + 1;
  State.counters["particles_per_s"] =
      benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_SimpleParticleCreation(benchmark::State& State) {
  Scene();
  TGObjectPtr<TGSimpleParticleEmitter> E = SimpleEmitter();
  for (auto _ : State) {
    TGObjectPtr<TGGraphic> P(E->CreateParticle(100, 100, 90, 0, 0, 2));
    benchmark::DoNotOptimize(P.get());
  }
  State.counters["particles_per_s"] =
      benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_SimpleParticlesFrame)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();
// Lives of 1 s and 4 s at the default 100 ms modelling step.
BENCHMARK(BM_ScriptedParticleCreation)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SimpleParticleCreation)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
