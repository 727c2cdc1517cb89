// A frame of the match screen over the demo's nets, headless, while a cascade runs with two
// bonus chains (a line and a cross bonus set off together): the play screen's drawing and update
// as the application runs them once a frame. Times are the main thread's CPU time, which leaves
// out the rasteriser's own threads.
#include "HeadlessScreen.h"
#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBonusItems.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UGameLogic.h"
#include "Locations/MatchGame/UMatchGame.h"
#include "Locations/MatchGame/UMatchScreen.h"
#include "Locations/UGameClasses.h"
#include "Screens/UGameScreen.h"
#include "TestWindowHost.h"
#include "app/UGClassTables.h"
#include "graphics/UGGraphicsDevice.h"
#include "io/UGNativeFileSystem.h"
#include "locations/UGameFramework.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "script/UScriptProcessor.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr float CFrame = 1.0f / 90;

struct TWorld {
  TWorld() {
    RegisterEngineClasses();
    Scripts.reset(New<TScriptProcessor>(nullptr));
    Library.reset(new TGResourceLibrary(nullptr, true, true));
    Library->Load(new TGNativeFileSystem(nullptr, HOE_CONTENT), nullptr, rdtCommon, 0);
    SetMainResourceLibrary(Library.get());
    Framework = std::make_unique<TGameFrameworkScope>();
    RegisterGameClasses();
    Profiles =
        std::filesystem::temp_directory_path() / ("hoe-bench-match-" + std::to_string(::getpid()));
    std::filesystem::create_directories(Profiles);
    Player.reset(TPlayer::CreateBlank(nullptr, "Bench", Profiles.string()));
    Player->BriefInfo()->LocationURL = "Nets.loc";
    Host.Mouse = {400, 300};
    Screen.reset(New<TGameScreen>(nullptr));
    Host.Top = Screen.get();
    Screen->InitGameScripts();
    Player->InitGameScripts();
    for (int I = 0; I < 90 * 4; ++I) {
      Frame(); // the opening states and the board's fill
    }
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
  TGameLogic* Rules() const {
    auto* Game = dynamic_cast<TMatchGame*>(Screen->ActiveLocation());
    return Game && Game->MatchScreen() ? Game->MatchScreen()->GameLogic() : nullptr;
  }
  void Frame() {
    GD->BeginScene();
    GD->Erase(0);
    Screen->DrawTree();
    GD->EndScene();
    Screen->UpdateTree(CFrame);
    GD->Present();
  }
  // A line bonus and a cross bonus go off on the still board.
  void SetOff() {
    TBoard* Board = Rules()->Board();
    for (int I = 0; I < 1500 && !Board->IsStill(); ++I) { // the first time: the fly-in
      Frame();
    }
    TCell* A = Board->GetCell(7, 2);
    TCell* B = Board->GetCell(7, 7);
    for (TCell* C : {A, B}) {
      if (C->Item()) {
        C->Item()->Free();
      }
    }
    auto* Line = New<TLineBonus>(Board);
    auto* Cross = New<TCrossBonus>(Board);
    A->SetItem(Line);
    B->SetItem(Cross);
    Line->MakeStatic();
    Cross->MakeStatic();
    Line->Explode(nullptr);
    Cross->Explode(nullptr);
  }

  THeadlessScreen Display{CScreenWidth, CScreenHeight}; // first: the device outlives the rest
  TTestWindowHost Host;
  std::filesystem::path Profiles;
  TGObjectPtr<TScriptProcessor> Scripts;
  TGObjectPtr<TGResourceLibrary> Library;
  std::unique_ptr<TGameFrameworkScope> Framework;
  TGObjectPtr<TPlayer> Player;
  TGObjectPtr<TGameScreen> Screen;
};

TWorld& World() {
  static TWorld W;
  return W;
}

// Frames of the cascade; when the board comes to rest, two more bonuses go off outside the
// measured time.
void BM_MatchScreenCascadeFrame(benchmark::State& State) {
  TWorld& W = World();
  if (!W.Rules()) {
    State.SkipWithError("the match screen did not open");
    return;
  }
  W.SetOff();
  for (auto _ : State) {
    W.Frame();
    if (W.Rules()->Board()->IsStill()) {
      State.PauseTiming();
      W.SetOff();
      State.ResumeTiming();
    }
  }
  State.counters["draw_calls"] = GD->DIPCalls();
}
BENCHMARK(BM_MatchScreenCascadeFrame)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
