// A frame of the play screen over the demo harbour with ten objects in flight, headless: the
// screen's drawing (location, panel, flights, cursor) and its update, as the application runs
// them once a frame. Times are the main thread's CPU time, which leaves out the rasteriser's
// own threads.
#include "HeadlessScreen.h"
#include "Screens/UFlyingControl.h"
#include "Screens/UGameScreen.h"
#include "TestWindowHost.h"
#include "app/UGClassTables.h"
#include "drawables/UGSprite.h"
#include "graphics/UGGraphicsDevice.h"
#include "inventory/UInventory.h"
#include "io/UGNativeFileSystem.h"
#include "locations/UGameFramework.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "script/UScriptProcessor.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int CFlights = 10;
constexpr float CFrame = 1.0f / 90;

struct TWorld {
  TWorld() {
    RegisterEngineClasses();
    Scripts.reset(New<TScriptProcessor>(nullptr));
    Library.reset(new TGResourceLibrary(nullptr, true, true));
    Library->Load(new TGNativeFileSystem(nullptr, HOE_CONTENT), nullptr, rdtCommon, 0);
    SetMainResourceLibrary(Library.get());
    Framework = std::make_unique<TGameFrameworkScope>();
    Profiles =
        std::filesystem::temp_directory_path() / ("hoe-bench-play-" + std::to_string(::getpid()));
    std::filesystem::create_directories(Profiles);
    Player.reset(TPlayer::CreateBlank(nullptr, "Bench", Profiles.string()));
    Player->BriefInfo()->LocationURL = "Harbour.loc";
    Host.Mouse = {400, 300};
    Screen.reset(New<TGameScreen>(nullptr));
    Host.Top = Screen.get();
    Screen->InitGameScripts();
    Player->InitGameScripts();
    Player->Inventory()->InitGameScripts();
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
  ~TWorld() {
    Screen.reset();
    Player.reset();
    Framework.reset();
    SetMainResourceLibrary(nullptr);
    Library.reset();
    Scripts.reset();
    std::error_code Ignored;
    std::filesystem::remove_all(Profiles, Ignored);
  }
  // One frame as the application runs it: the screen drawn with the state of the last update,
  // then updated.
  void Frame() {
    GD->BeginScene();
    GD->Erase(0);
    Screen->DrawTree();
    GD->EndScene();
    Screen->UpdateTree(CFrame);
    GD->Present();
  }
  void Launch() {
    for (TGameObject* Obj : Objects) {
      if (!Screen->FlyingControl()->IsFlying(Obj)) {
        Screen->FlyingControl()->Push(Obj, {});
      }
    }
  }

  THeadlessScreen Display{CScreenWidth, CScreenHeight}; // first: the device outlives the rest
  TTestWindowHost Host;
  std::filesystem::path Profiles;
  TGObjectPtr<TScriptProcessor> Scripts;
  TGObjectPtr<TGResourceLibrary> Library;
  std::unique_ptr<TGameFrameworkScope> Framework;
  TGObjectPtr<TPlayer> Player;
  TGObjectPtr<TGameScreen> Screen;
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
