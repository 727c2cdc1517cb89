// A frame of the match screen over the demo's nets, headless, while a cascade runs with two
// bonus chains (a line and a cross bonus set off together): the play screen's drawing and update
// as the application runs them once a frame. Times are the main thread's CPU time, which leaves
// out the rasteriser's own threads.
#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBonusItems.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UGameLogic.h"
#include "Locations/MatchGame/UMatchGame.h"
#include "Locations/MatchGame/UMatchScreen.h"
#include "Locations/UGameClasses.h"
#include "PlayScreenWorld.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

struct TWorld : TPlayScreenWorld {
  TWorld()
      : TPlayScreenWorld(HOE_CONTENT, "Nets.loc", RegisterGameClasses) {
    for (int I = 0; I < 90 * 4; ++I) {
      Frame(); // the opening states and the board's fill
    }
  }
  TGameLogic* Rules() const {
    auto* Game = dynamic_cast<TMatchGame*>(Screen->ActiveLocation());
    return Game && Game->MatchScreen() ? Game->MatchScreen()->GameLogic() : nullptr;
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
