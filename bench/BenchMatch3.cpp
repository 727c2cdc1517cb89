// The match-three rules on a full 10 by 10 board of five kinds: the search for a possible move
// (on boards that have one, and on a board without any, where every swap is tried), and a whole
// move: the search, the swap, the resolution of its matches and of the cascades that follow,
// and the refill, until the board is still again. Goals: a search under 5 us, a cycle under
// 50 us.
#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardActions.h"
#include "Locations/MatchGame/UGameLogic.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/UMatchGameClasses.h"
#include "base/UGRandom.h"
#include "xml/UGXMLNode.h"

#include <benchmark/benchmark.h>

namespace {

// Rules on a level of five kinds whose board has been filled by the rules.
struct TBenchLevel {
  TBenchLevel() {
    RegisterMatchGameClasses();
    GlobalRandom().SetSeed(1);
    Level->LoadFromString("<Level GemSet='12345' TotalTime='100000'><Board/></Level>");
    TMatchConfig Config;
    Config.PercentOfSpawnBlock = 1000; // gems only
    Config.GemAppearanceType = 1;
    Logic.reset(New<TGameLogic>(nullptr, 0, Level.get(), TGameLogicStartupInfo{}, Config));
  }
  TBoard& Board() const { return *Logic->Board(); }
  // Frames until the board is still and no match waits; how many.
  int Settle() const {
    int Frames = 0;
    while (!Board().IsStill() || !Board().Actions()->PendingMatches().empty()) {
      Logic->Update(1.0f / 90);
      ++Frames;
    }
    return Frames;
  }

  TGObjectPtr<TGXMLNode> Level{new TGXMLNode()};
  TGObjectPtr<TGameLogic> Logic;
};

void MoveSearch(benchmark::State& State) {
  TBenchLevel L;
  L.Settle();
  TRowCol Cell;
  TRowCol Neighbour;
  for (auto _ : State) {
    benchmark::DoNotOptimize(L.Board().FindMatch(Cell, Neighbour, true));
  }
}
BENCHMARK(MoveSearch);

// Kinds in a pattern without a single move: the search tries all 162 swaps.
void MoveSearchWithoutMoves(benchmark::State& State) {
  TBenchLevel L;
  const char* Rows[2] = {"1212343456", "3434565612"};
  for (int Row = 0; Row < 10; ++Row) {
    for (int Col = 0; Col < 10; ++Col) {
      auto* Gem = static_cast<TGem*>(L.Board().GetCell(Row, Col)->Item());
      Gem->SetKind(Rows[Row % 2][Col] - '0');
    }
  }
  TRowCol Cell;
  TRowCol Neighbour;
  if (L.Board().FindMatch(Cell, Neighbour, false)) {
    State.SkipWithError("the board has a move");
  }
  for (auto _ : State) {
    benchmark::DoNotOptimize(L.Board().FindMatch(Cell, Neighbour, false));
  }
}
BENCHMARK(MoveSearchWithoutMoves);

// A bonus on the board with the cell it swaps with, as a player sets it off.
bool FindBonusSwap(TBoard& Board, TRowCol& Cell, TRowCol& Neighbour) {
  for (TCell* C : Board.Cells()) {
    if (!ItemAs<TBonusItem>(C->Item())) {
      continue;
    }
    Cell = C->RowCol();
    Neighbour = Cell + (Cell.Col > 0 ? StepLeft : StepRight);
    return ItemAs<TSelectableItem>(Board.GetCell(Neighbour)->Item()) != nullptr;
  }
  return false;
}

// One move: search, swap, resolve the matches and the cascades, refill. Bonuses are set off as
// they come, so that the board stays one of gems.
void MoveCycle(benchmark::State& State) {
  TBenchLevel L;
  L.Settle();
  int64_t Frames = 0;
  for (auto _ : State) {
    TRowCol Cell;
    TRowCol Neighbour;
    if (!FindBonusSwap(L.Board(), Cell, Neighbour) && !L.Board().FindMatch(Cell, Neighbour, true)) {

      L.Board().Shuffle();
      continue;
    }
    L.Board().Actions()->SwapItems(Cell, Neighbour);
    Frames += L.Settle();
  }
  State.counters["frames"] =
      benchmark::Counter(static_cast<double>(Frames), benchmark::Counter::kAvgIterations);
}
BENCHMARK(MoveCycle);

// One frame of a still board: nothing falls, the playing rules look for matches and moves.
void StillFrame(benchmark::State& State) {
  TBenchLevel L;
  L.Settle();
  for (auto _ : State) {
    L.Logic->Update(1.0f / 90);
  }
}
BENCHMARK(StillFrame);

} // namespace

BENCHMARK_MAIN();
