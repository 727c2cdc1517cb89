// 900 real frames headless with an empty window: the mean frame interval, the 99th-percentile
// error against 1/90 s, and the process's CPU time per second of running.
#include "TestProgram.h"
#include "app/UGApp.h"
#include "app/UGAppFramework.h"
#include "app/UGApplication.h"
#include "io/UGFileUtils.h"
#include "object/UGClassBuilder.h"
#include "platform/UHostWindow.h"
#include "widgets/UGWindow.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

namespace {

class TTimedWindow : public TGWindow {
  G_CLASS(TTimedWindow, TGWindow)
  explicit TTimedWindow(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  void UpdateTree(float Interval) override {
    inherited::UpdateTree(Interval);
    Stamps.push_back(std::chrono::steady_clock::now());
    if (Stamps.size() >= Frames) {
      SetVisible(false);
    }
  }
  size_t Frames = 900;
  std::vector<std::chrono::steady_clock::time_point> Stamps;
};
G_IMPLEMENT_CLASS(TTimedWindow)

double CpuSeconds() {
  timespec T{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &T);
  return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_nsec) * 1e-9;
}

void Frames900(benchmark::State& State) {
  for (auto _ : State) {
    TTestProgram Program("Frames", "1.0");
    ForceDirectories(Program.File("Resources"));
    THostWindow& Window = Program.Window();
    TGApplication& Loop = Program.Loop();
    TGAbstractStartupLog Log;
    TGAppFramework* Frame = &Program.Frame();
    TGAppParams Params;
    Params.Control = &Window;
    Params.Width = 800;
    Params.Height = 600;
    Params.ResourcesLocation = "Resources.sfs";
    Params.StartupLog = &Log;
    Frame->InitRun(Params);
    TTimedWindow* W = New<TTimedWindow>();
    App->Show(W);
    double Cpu0 = CpuSeconds();
    auto Wall0 = std::chrono::steady_clock::now();
    Loop.Run();
    double Cpu = CpuSeconds() - Cpu0;
    double Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - Wall0).count();

    std::vector<double> Intervals;
    std::vector<double> Errors;
    for (size_t I = 1; I < W->Stamps.size(); ++I) {
      double Ms =
          std::chrono::duration<double, std::milli>(W->Stamps[I] - W->Stamps[I - 1]).count();
      Intervals.push_back(Ms);
      Errors.push_back(std::fabs(Ms - 1000.0 / 90.0));
    }
    std::sort(Errors.begin(), Errors.end());
    double Mean = 0;
    for (double Ms : Intervals) {
      Mean += Ms;
    }
    Mean /= static_cast<double>(Intervals.size());
    State.counters["mean_interval_ms"] = Mean;
    State.counters["mean_error_pct"] = (Mean / (1000.0 / 90.0) - 1.0) * 100.0;
    State.counters["p99_error_ms"] = Errors[Errors.size() * 99 / 100];
    // The longest interval, and the mean once the first ten frames (textures and shaders made
    // on first use) are past.
    State.counters["max_interval_ms"] = *std::max_element(Intervals.begin(), Intervals.end());
    double Steady = 0;
    for (size_t I = 10; I < Intervals.size(); ++I) {
      Steady += Intervals[I];
    }
    Steady /= static_cast<double>(Intervals.size() - 10);
    State.counters["steady_mean_error_pct"] = (Steady / (1000.0 / 90.0) - 1.0) * 100.0;
    State.counters["cpu_pct"] = Cpu / Wall * 100.0;
  }
}
BENCHMARK(Frames900)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
