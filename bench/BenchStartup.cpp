// The real program's start-up and memory, with the demo content. BM_StartToMainMenu starts
// build/default/src/hoe headless in a playground of its own (no logos, a profile made by an
// earlier run, so the menu shows rather than a new profile's game) and times the wall clock from
// starting it to the line it writes at the first frame of the main menu; the program then ends
// itself (--quit-at-menu). The first start of each kind is not measured, so the files are in the
// cache: these are warm starts. The counters give the resident memory at the menu and its
// peak so far. BM_PlayMemory replays the harbour played through into the lighthouse and gives
// the peak resident memory of that run (--report-memory).
#include "DemoRoute.h"
#include "GameDataReader.h"
#include "PlayScript.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <set>
#include <string>
#include <sys/resource.h>

namespace {

constexpr const char* CMenuLine = "main menu shown after ";

std::string Quoted(const std::string& S) {
  std::string Q = "'";
  for (const char C : S) {
    Q += C == '\'' ? std::string("'\\''") : std::string(1, C);
  }
  return Q + "'";
}

// The number that follows Label in Text, or -1 when Label is missing.
double NumberAfter(const std::string& Text, const std::string& Label) {
  const size_t At = Text.find(Label);
  return At == std::string::npos ? -1 : std::strtod(Text.c_str() + At + Label.size(), nullptr);
}

// The processor time of the children that have ended, in seconds.
double ChildrenCpuSeconds() {
  rusage Usage{};
  ::getrusage(RUSAGE_CHILDREN, &Usage);
  auto Seconds = [](const timeval& T) { return double(T.tv_sec) + double(T.tv_usec) / 1e6; };
  return Seconds(Usage.ru_utime) + Seconds(Usage.ru_stime);
}

struct TMenuStart {
  double Seconds = -1;   // from starting the program to its menu line; -1: no menu was shown
  double CpuSeconds = 0; // the whole run's, to its end: less hit by other work than the clock
  double ResidentMB = -1;
  double PeakMB = -1;
  std::string Output;
};

// A playground whose data folder holds a profile: the first run made it (a new profile's game
// starts at once, and one frame of it is enough), so every later start shows the main menu.
class TStartWorld {
public:
  TStartWorld()
      : FPlay(HOE_PROGRAM) {
    FPlay.SetFlag("NoSplash");
    Run("--frames 1");
  }

  // Starts the program with Arguments and reads its output as it comes, so that the clock
  // stops when the menu's line is written, not when the program has shut down.
  TMenuStart Run(const std::string& Arguments) {
    const std::string Command = "exec env XDG_DATA_HOME=" + Quoted(FPlay.XdgDataHome()) + " " +
                                Quoted(FPlay.Program()) + " --headless --quit-at-menu " +
                                Arguments + " 2>&1";
    TMenuStart Start;
    const double CpuBefore = ChildrenCpuSeconds();
    const auto Started = std::chrono::steady_clock::now();
    FILE* Pipe = ::popen(Command.c_str(), "r");
    if (!Pipe) {
      return Start;
    }
    char Line[4096];
    while (std::fgets(Line, sizeof(Line), Pipe)) {
      const std::string Text = Line;
      if (Start.Seconds < 0 && Text.find(CMenuLine) != std::string::npos) {
        Start.Seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - Started).count();
        Start.ResidentMB = NumberAfter(Text, "resident memory ");
        Start.PeakMB = NumberAfter(Text, "(peak ");
      }
      Start.Output += Text;
    }
    ::pclose(Pipe);
    Start.CpuSeconds = ChildrenCpuSeconds() - CpuBefore;
    return Start;
  }

  // The first start of each kind warms the cache for that content and is not measured.
  void WarmUp(const std::string& Arguments) {
    if (FWarm.insert(Arguments).second) {
      Run(Arguments);
    }
  }

private:
  TPlayground FPlay;
  std::set<std::string> FWarm;
};

TStartWorld& StartWorld() {
  static TStartWorld World;
  return World;
}

void MeasureStart(benchmark::State& State, const std::string& Arguments) {
  TStartWorld& World = StartWorld();
  World.WarmUp(Arguments);
  TMenuStart Start;
  for (auto _ : State) {
    Start = World.Run(Arguments);
    if (Start.Seconds < 0) {
      State.SkipWithError(("no main menu was shown:\n" + Start.Output).c_str());
      return;
    }
    State.SetIterationTime(Start.Seconds);
  }
  State.counters["rss_mb"] = Start.ResidentMB;
  State.counters["peak_mb"] = Start.PeakMB;
  State.counters["run_cpu_ms"] = Start.CpuSeconds * 1000;
}

// The packed content the build makes beside the program (Resources.sfs).
void BM_StartToMainMenuFromArchive(benchmark::State& State) {
  MeasureStart(State, "");
}
BENCHMARK(BM_StartToMainMenuFromArchive)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(7)
    ->DisplayAggregatesOnly(true);

// The content folder itself.
void BM_StartToMainMenuFromFolder(benchmark::State& State) {
  MeasureStart(State, "--resources " + Quoted(HOE_CONTENT));
}
BENCHMARK(BM_StartToMainMenuFromFolder)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(7)
    ->DisplayAggregatesOnly(true);

// The run's profile was saved in the lighthouse: the harbour was played through.
bool EndedInTheLighthouse(const TPlayResult& Run) {
  try {
    const auto Brief = TGameDataReader(Run.DataFolder).Profile("Profile01.plr").Brief();
    return Brief && Brief->LocationURL == "Lighthouse.loc";
  } catch (const std::exception&) {
    return false;
  }
}

// A point in the heroine's bubbles, which stand over her portrait.
constexpr TScreenPoint CHeroineBubble{170, 440};

// A new profile starting at the harbour plays it through, reads the quay's last line, skips the
// comic of the crossing and looks at the lighthouse for a while; then the journal leads to the
// main menu, where the run ends (--quit-at-menu).
TPlayScript HarbourAndLighthouseScript() {
  TPlayScript Script(HOE_CONTENT);
  PlayHarbour(Script);
  Script.Wait(4.0).Click(CHeroineBubble).Wait(2.0);
  SkipComic(Script);
  Script.Wait(5.0);
  LeaveTheGameThroughTheJournal(Script);
  return Script;
}

// The run's peak resident memory is what play needs; the time is the run's wall time.
void BM_PlayMemory(benchmark::State& State) {
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("StartLoc", "Harbour.loc");
  Play.SetFlag("NoSplash");
  const TPlayScript Script = HarbourAndLighthouseScript();
  TPlayOptions Options;
  Options.Arguments = "--quit-at-menu --report-memory";
  Options.TimeoutSeconds = 600; // a loaded machine replays slower than the game's own time
  double PeakMB = -1;
  for (auto _ : State) {
    const TPlayResult Run = Play.Play(Script, "memory.rec", Options);
    PeakMB = NumberAfter(Run.Output, "peak resident memory ");
    if (Run.ExitCode != 0 || PeakMB < 0 || !EndedInTheLighthouse(Run)) {
      State.SkipWithError(("the play did not end as it should:\n" + Run.Output).c_str());
      return;
    }
  }
  State.counters["peak_mb"] = PeakMB;
}
BENCHMARK(BM_PlayMemory)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();
