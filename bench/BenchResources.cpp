// Looking up 10,000 loaded URLs, and loading 1,000 small resources on the loader worker while
// the main thread keeps running 90 frames per second (its worst frame time is reported).
#include "TempDir.h"
#include "app/UGClassTables.h"
#include "io/UGFileUtils.h"
#include "io/UGNativeFileSystem.h"
#include "player/UResourceLoader.h"
#include "resources/UGConfig.h"
#include "resources/UGResource.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

namespace {

struct TContent {
  TTempDir Scratch{"hoe-bres"};
  const std::string Root = Scratch.Str();
  TContent(int Files) {
    for (int Folder = 0; Folder < 10; ++Folder) {
      ForceDirectories(Root + "/cfg/Set" + std::to_string(Folder));
    }
    for (int I = 0; I < Files; ++I) {
      WriteFile(Root + "/cfg/Set" + std::to_string(I % 10) + "/Item" + std::to_string(I) + ".cfg",
                "<Item N='" + std::to_string(I) + "' Text='a small configuration'/>");
    }
    RegisterEngineClasses();
  }
  static std::string URL(int I) {
    return "Set" + std::to_string(I % 10) + "\\Item" + std::to_string(I) + ".cfg";
  }
};

void LookUp10000(benchmark::State& State) {
  TContent Content(10000);
  TGObjectPtr<TResourceLibrary> Library(New<TResourceLibrary>(nullptr, true, true));
  Library->Load(new TGNativeFileSystem(nullptr, Content.Root), nullptr, rdtCommon, 0);
  std::vector<std::string> URLs;
  for (int I = 0; I < 10000; ++I) {
    URLs.push_back(TContent::URL(I));
    Library->GetResource(URLs.back());
  }
  // Other spellings of the same URLs, as content writes them.
  for (std::string& U : URLs) {
    std::replace(U.begin(), U.end(), '\\', '/');
  }
  for (auto _ : State) {
    for (const std::string& U : URLs) {
      benchmark::DoNotOptimize(Library->GetResource(U));
    }
  }
  State.SetItemsProcessed(State.iterations() * 10000);
}
BENCHMARK(LookUp10000)->Unit(benchmark::kMillisecond);

void BackgroundLoad1000(benchmark::State& State) {
  TContent Content(1000);
  for (auto _ : State) {
    TGObjectPtr<TResourceLibrary> Library(New<TResourceLibrary>(nullptr, true, true));
    Library->Load(new TGNativeFileSystem(nullptr, Content.Root), nullptr, rdtCommon, 0);
    TResourceLoader* Loader = Library->ResourceLoader();
    for (int I = 0; I < 1000; ++I) {
      Loader->Add(TContent::URL(I));
    }
    Loader->AddThread();
    double Worst = 0;
    int Frames = 0;
    auto Start = std::chrono::steady_clock::now();
    while (!Library->IsLoaded(TContent::URL(999)) || Loader->GetCount() > 0) {
      auto FrameStart = std::chrono::steady_clock::now();
      // A frame: the loader gets its share, the rest of 1/90 s is the game's.
      Loader->Execute(1.0f / 90.0f, 0.5f);
      auto Spent = std::chrono::steady_clock::now() - FrameStart;
      Worst = std::max(Worst, std::chrono::duration<double, std::milli>(Spent).count());
      std::this_thread::sleep_until(FrameStart + std::chrono::microseconds(11111));
      ++Frames;
    }
    State.counters["frames"] = Frames;
    State.counters["worst_frame_work_ms"] = Worst;
    State.counters["seconds"] =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  }
}
BENCHMARK(BackgroundLoad1000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
