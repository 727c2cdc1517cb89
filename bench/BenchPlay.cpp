// A frame of the play screen over the demo harbour with ten objects in flight, headless: the
// screen's drawing (location, panel, flights, cursor) and its update, as the application runs
// them once a frame. Times are the main thread's CPU time, which leaves out the rasteriser's
// own threads.
#include "Locations/UGameClasses.h"
#include "PlayScreenWorld.h"
#include "Screens/UFlyingControl.h"
#include "drawables/UGSprite.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int CFlights = 10;

struct TWorld : TPlayScreenWorld {
  TWorld()
      : TPlayScreenWorld(HOE_CONTENT, "Harbour.loc", RegisterGameClasses) {
    for (int I = 0; I < 60 * 8; ++I) {
      Screen->UpdateTree(CFrame); // the fade-in and the first visit's lines
    }
    const char* Pictures[] = {"Key", "Map", "Shell", "Anchor", "Bottle"};
    for (int I = 0; I < CFlights; ++I) {
      auto* Obj = new TGameObject(GameObjectCollector, "Flying" + std::to_string(I));
      GameObjectCollector->Add(Obj);
      Obj->SetGfxURL(std::string("Demo\\Objects\\") + Pictures[I % 5] + ".png");
      Obj->SetLeft(static_cast<float>(60 + I * 70));
      Obj->SetTop(static_cast<float>(120 + I % 3 * 90));
      Obj->SetWidth(48);
      Obj->SetHeight(32);
      Objects.push_back(Obj);
    }
    // A few drawn frames with the flights in the air before any is measured: the rasteriser
    // compiles its shaders and the pictures go up to their texture pages here.
    Launch();
    for (int I = 0; I < 30; ++I) {
      Frame();
    }
    Screen->FlyingControl()->FinishAll();
  }
  void Launch() {
    for (TGameObject* Obj : Objects) {
      if (!Screen->FlyingControl()->IsFlying(Obj)) {
        Screen->FlyingControl()->Push(Obj, {});
      }
    }
  }

  std::vector<TGameObject*> Objects;
};

TWorld& World() {
  static TWorld W;
  return W;
}

// The frame as the application runs it: the screen drawn with the state of the last update,
// then updated; ten flights always in the air (the ones that landed start again outside the
// measured time).
void BM_PlayFrame(benchmark::State& State) {
  TWorld& W = World();
  W.Launch();
  for (auto _ : State) {
    W.Frame();
    if (W.Screen->FlyingControl()->Count() < CFlights) {
      State.PauseTiming();
      W.Launch();
      State.ResumeTiming();
    }
  }
  State.counters["flights"] = CFlights;
  State.counters["draw_calls"] = GD->DIPCalls();
  W.Screen->FlyingControl()->FinishAll();
}
BENCHMARK(BM_PlayFrame)->Unit(benchmark::kMicrosecond);

// The same frame without flights, for comparison.
void BM_PlayFrameWithoutFlights(benchmark::State& State) {
  TWorld& W = World();
  W.Screen->FlyingControl()->FinishAll();
  for (auto _ : State) {
    W.Frame();
  }
}
BENCHMARK(BM_PlayFrameWithoutFlights)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
