// Page use of the texture packer: the share of page area covered by images, for (a) the sizes of
// the pictures in content/gfx (decoded with TGBitmap; the case is skipped when there are none)
// and (b) a few thousand random sizes from a fixed seed. The pure allocator runs on fake
// surfaces, so no OpenGL is needed.
//
// Counters: use_% (image area / page area over all pages), shared_use_% (the same over shared
// pages only), dedicated_use_% (over pages given to a single image), free_% (free rectangles
// still on offer in shared pages), lost_% (neither image nor free: the one-pixel gaps and the
// dropped slivers), pages and dedicated (page counts).
#include "graphics/UGBitmap.h"
#include "graphics/UGFastRectAllocator.h"
#include "object/UGObject.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct TSize {
  int32_t W, H;
};

struct TPackResult {
  int64_t Used = 0;           // image area
  int64_t Total = 0;          // page area
  int64_t SharedUsed = 0;     // image area on shared pages
  int64_t SharedTotal = 0;    // area of shared pages
  int64_t SharedFree = 0;     // free rectangles left on shared pages
  int64_t DedicatedUsed = 0;  // image area on dedicated pages
  int64_t DedicatedTotal = 0; // area of dedicated pages
  int Pages = 0;
  int Dedicated = 0;
  int Failed = 0;
};

TPackResult Pack(const std::vector<TSize>& Sizes) {
  TGObjectPtr<TGObject> Root(new TGObject(nullptr));
  TGFastRectAllocator A;
  const auto Create = [&Root](int32_t&, int32_t&) { return new TGObject(Root.get()); };
  TPackResult R;
  for (const TSize& S : Sizes)
    if (!A.Allocate(S.W, S.H, Create))
      ++R.Failed;

  // A page is dedicated when its image met the allocator's rule for a page of its own (powers
  // of two on both sides, or larger than 512 on a side); no such image lands on a shared page.
  std::map<const TGObject*, int64_t> PageArea;
  std::map<const TGObject*, bool> PageDedicated;
  for (const TGSurfaceDesc& D : A.Surfaces()) {
    PageArea[D.Surface] = int64_t{D.Width} * D.Height;
    PageDedicated[D.Surface] = false;
  }
  for (const TGSurfaceRect& Rect : A.AllocatedRects()) {
    const bool Pow2 =
        (Rect.Width & (Rect.Width - 1)) == 0 && (Rect.Height & (Rect.Height - 1)) == 0;
    if (Pow2 || Rect.Width > TGFastRectAllocator::CMaxSharedSide ||
        Rect.Height > TGFastRectAllocator::CMaxSharedSide)
      PageDedicated[Rect.Surface] = true;
  }
  for (const auto& [Page, Area] : PageArea) {
    R.Total += Area;
    ++R.Pages;
    if (PageDedicated[Page]) {
      R.DedicatedTotal += Area;
      ++R.Dedicated;
    } else {
      R.SharedTotal += Area;
    }
  }
  for (const TGSurfaceRect& Rect : A.AllocatedRects()) {
    R.Used += Rect.Square;
    (PageDedicated[Rect.Surface] ? R.DedicatedUsed : R.SharedUsed) += Rect.Square;
  }
  for (const TGSurfaceRect& Rect : A.FreeRects())
    R.SharedFree += Rect.Square;
  return R;
}

double Percent(int64_t Part, int64_t Whole) {
  return Whole > 0 ? 100.0 * static_cast<double>(Part) / static_cast<double>(Whole) : 0.0;
}

void Report(benchmark::State& State, const TPackResult& R, size_t Count) {
  State.counters["images"] = static_cast<double>(Count);
  State.counters["use_%"] = Percent(R.Used, R.Total);
  State.counters["shared_use_%"] = Percent(R.SharedUsed, R.SharedTotal);
  State.counters["dedicated_use_%"] = Percent(R.DedicatedUsed, R.DedicatedTotal);
  State.counters["free_%"] = Percent(R.SharedFree, R.SharedTotal);
  State.counters["lost_%"] = Percent(R.SharedTotal - R.SharedUsed - R.SharedFree, R.SharedTotal);
  State.counters["pages"] = R.Pages;
  State.counters["dedicated"] = R.Dedicated;
  State.counters["failed"] = R.Failed;
}

void Run(benchmark::State& State, const std::vector<TSize>& Sizes) {
  TPackResult R;
  for (auto _ : State) {
    R = Pack(Sizes);
    benchmark::DoNotOptimize(R);
  }
  Report(State, R, Sizes.size());
}

// The pictures of the demo game (HOE_GFX_DIR overrides the folder).
const std::vector<TSize>& ContentSizes() {
  static const std::vector<TSize> Sizes = [] {
    std::vector<TSize> Out;
    const char* Env = std::getenv("HOE_GFX_DIR");
    const fs::path Dir = Env ? fs::path(Env) : fs::path(HOE_CONTENT) / "gfx";
    std::error_code EC;
    if (!fs::is_directory(Dir, EC))
      return Out;
    std::vector<fs::path> Files;
    for (auto It = fs::recursive_directory_iterator(Dir, EC); !EC && It != fs::end(It);
         It.increment(EC)) {
      std::string Ext = It->path().extension().string();
      std::transform(Ext.begin(), Ext.end(), Ext.begin(),
                     [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
      if (It->is_regular_file(EC) &&
          (Ext == ".png" || Ext == ".jpg" || Ext == ".jp2" || Ext == ".spr"))
        Files.push_back(It->path());
    }
    std::sort(Files.begin(), Files.end());
    for (const fs::path& F : Files) {
      try {
        TGObjectPtr<TGBitmap> B(new TGBitmap(nullptr));
        B->LoadFromFile(F.string());
        if (B->Width() > 0 && B->Height() > 0) {
          Out.push_back({B->Width(), B->Height()});
          std::fprintf(stderr, "bench_packer: %s %dx%d\n", F.filename().c_str(), B->Width(),
                       B->Height());
        }
      } catch (const std::exception& E) {
        std::fprintf(stderr, "bench_packer: skipping %s: %s\n", F.c_str(), E.what());
      }
    }
    return Out;
  }();
  return Sizes;
}

std::vector<TSize> RandomSizes(int Count, int32_t Min, int32_t Max, uint32_t Seed) {
  std::mt19937 Rng(Seed);
  std::uniform_int_distribution<int32_t> Side(Min, Max);
  std::vector<TSize> Out;
  Out.reserve(static_cast<size_t>(Count));
  for (int I = 0; I < Count; ++I) {
    const int32_t W = Side(Rng);
    Out.push_back({W, Side(Rng)});
  }
  return Out;
}

void BM_PackContentPictures(benchmark::State& State) {
  const std::vector<TSize>& Sizes = ContentSizes();
  if (Sizes.empty()) {
    State.SkipWithError("no pictures in content/gfx (or TGBitmap could not decode them)");
    for (auto _ : State) {
    }
    return;
  }
  Run(State, Sizes);
}
BENCHMARK(BM_PackContentPictures)->Unit(benchmark::kMicrosecond);

// Range (0, 1): smallest and largest side.
void BM_PackRandom(benchmark::State& State) {
  const std::vector<TSize> Sizes = RandomSizes(3000, static_cast<int32_t>(State.range(0)),
                                               static_cast<int32_t>(State.range(1)), 12345);
  Run(State, Sizes);
}
BENCHMARK(BM_PackRandom)
    ->Args({8, 300})
    ->Args({8, 64})
    ->Args({16, 128})
    ->Unit(benchmark::kMicrosecond);

// The same random sizes, largest area first, as a loader that sorts its images would pack them.
void BM_PackRandomSorted(benchmark::State& State) {
  std::vector<TSize> Sizes = RandomSizes(3000, static_cast<int32_t>(State.range(0)),
                                         static_cast<int32_t>(State.range(1)), 12345);
  std::stable_sort(Sizes.begin(), Sizes.end(), [](const TSize& A, const TSize& B) {
    return int64_t{A.W} * A.H > int64_t{B.W} * B.H;
  });
  Run(State, Sizes);
}
BENCHMARK(BM_PackRandomSorted)->Args({8, 300})->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
