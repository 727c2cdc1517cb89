// Flights of picked objects with the demo's content, headless: ten flights under way (each with
// its points and a combo's extra points) advanced and drawn for one 90 fps frame, and the start
// of one flight (the catalogue looked up, the animation and the points cloned and fitted). Times
// are the main thread's CPU time, which leaves out the rasteriser's own threads.
#include "HeadlessScreen.h"
#include "Screens/UFlyingControl.h"
#include "app/UGClassTables.h"
#include "drawables/UGSprite.h"
#include "flow/UPlayScreen.h"
#include "graphics/UGGraphicsDevice.h"
#include "io/UGNativeFileSystem.h"
#include "locations/UGameFramework.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "script/UScriptProcessor.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int CFlights = 10;
constexpr float CFrame = 1.0f / 90;

// Only what flights ask of the play screen: a combo is running.
class TComboScreen : public IPlayScreen {
public:
  void ShowGameInterface() override {}
  void ResetCursor(bool) override {}
  void AssignToCursor(TGameObject*) override {}
  bool FlyToInventoryEx(TGameObject*, const TFlightFinishEvent&) override { return false; }
  void MoveToInventory(TGameObject*) override {}
  bool PushFlight(TGameObject*, const TFlightFinishEvent&) override { return false; }
  bool IsFlying(const TGameObject*) const override { return false; }
  void GameObjectMouseDown(TGameObject*, int) override {}
  int HintCount() const override { return 0; }
  void SetHintCount(int) override {}
  void Say(const std::string&, const std::string&, const std::string&) override {}
  bool SpeechPending() const override { return false; }
  void UpdateCurrentItemsPage(bool, bool) override {}
  bool IsUnloading() const override { return false; }
  void QueueAnimation(const std::string&) override {}
  TFadeWindow* Window() override { return nullptr; }
  TMusicManager* MusicManager() override { return nullptr; }
  void ResetScanner() override {}
  void ClearAnimationsQueue() override {}
  void HintObject(TGameObject*) override {}
  void SetAvatarHappy(float) override {}
  std::string CursorGraphicURL() const override { return std::string(); }
  TGFlatVector CursorPosition() const override { return {0, 0}; }
  int BonusFactor() const override { return 2; }
};

struct TWorld {
  TWorld() {
    RegisterEngineClasses();
    Scripts.reset(New<TScriptProcessor>(nullptr));
    Library.reset(new TGResourceLibrary(nullptr, true, true));
    Library->Load(new TGNativeFileSystem(nullptr, HOE_CONTENT), nullptr, rdtCommon, 0);
    SetMainResourceLibrary(Library.get());
    Framework = std::make_unique<TGameFrameworkScope>();
    Player.reset(new TPlayer(nullptr));
    const char* Pictures[] = {"Key", "Map", "Shell", "Anchor", "Bottle"};
    for (int I = 0; I < CFlights; ++I) {
      auto* Obj = new TGameObject(GameObjectCollector, "Flying" + std::to_string(I));
      GameObjectCollector->Add(Obj);
      Obj->SetGfxURL(std::string("Demo\\Objects\\") + Pictures[I % 5] + ".png");
      Obj->SetLeft(static_cast<float>(60 + I * 70));
      Obj->SetTop(static_cast<float>(120 + I % 3 * 90));
      Obj->SetWidth(48);
      Obj->SetHeight(32);
      Obj->SetAngle(static_cast<float>(I * 9));
      Objects.push_back(Obj);
    }
    Control.reset(new TFlyingControl(nullptr, &Screen));
  }
  ~TWorld() {
    Control.reset();
    Player.reset();
    Framework.reset();
    SetMainResourceLibrary(nullptr);
    Library.reset();
    Scripts.reset();
  }
  // Every object not in flight starts its flight.
  void Launch() {
    for (TGameObject* Obj : Objects) {
      if (!Control->IsFlying(Obj)) {
        Control->Push(Obj, {});
      }
    }
  }

  THeadlessScreen Display{CScreenWidth, CScreenHeight}; // first: the device outlives the rest
  TComboScreen Screen;
  TGObjectPtr<TScriptProcessor> Scripts;
  TGObjectPtr<TGResourceLibrary> Library;
  std::unique_ptr<TGameFrameworkScope> Framework;
  TGObjectPtr<TPlayer> Player;
  TGObjectPtr<TFlyingControl> Control;
  std::vector<TGameObject*> Objects;
};

TWorld& World() {
  static TWorld W;
  return W;
}

// One frame of the play screen's flights: their update and their drawing, ten always in the air
// (the ones that landed start again outside the measured time).
void BM_FlightsFrame(benchmark::State& State) {
  TWorld& W = World();
  W.Launch();
  for (auto _ : State) {
    GD->BeginScene();
    GD->Erase(0);
    W.Control->Update(CFrame);
    TGSprite::BeginBatch();
    W.Control->Draw();
    TGSprite::EndBatch();
    GD->EndScene();
    GD->Present();
    if (W.Control->Count() < CFlights) {
      State.PauseTiming();
      W.Launch();
      State.ResumeTiming();
    }
  }
  State.counters["flights"] = CFlights;
  State.counters["draw_calls"] = GD->DIPCalls();
  W.Control->FinishAll();
}
BENCHMARK(BM_FlightsFrame)->Unit(benchmark::kMicrosecond);

// The frame around the flights alone (begin, clear, end, present), for comparison.
void BM_EmptyFrame(benchmark::State& State) {
  World();
  for (auto _ : State) {
    GD->BeginScene();
    GD->Erase(0);
    GD->EndScene();
    GD->Present();
  }
}
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMicrosecond);

// The update alone.
void BM_FlightsUpdate(benchmark::State& State) {
  TWorld& W = World();
  W.Launch();
  for (auto _ : State) {
    W.Control->Update(CFrame);
    if (W.Control->Count() < CFlights) {
      State.PauseTiming();
      W.Launch();
      State.ResumeTiming();
    }
  }
  W.Control->FinishAll();
}
BENCHMARK(BM_FlightsUpdate)->Unit(benchmark::kMicrosecond);

// A pick: one flight made and fitted to its object (it lands outside the measured time).
void BM_FlightStart(benchmark::State& State) {
  TWorld& W = World();
  TGameObject* Obj = W.Objects.front();
  for (auto _ : State) {
    W.Control->Push(Obj, {});
    State.PauseTiming();
    W.Control->FinishAll();
    State.ResumeTiming();
  }
}
BENCHMARK(BM_FlightStart)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
