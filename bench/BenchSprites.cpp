// Sprites per frame, headless (SDL's offscreen driver on llvmpipe): small pictures packed into
// shared pages, drawn through symbols and the sprite batch, as windows and game objects draw.
// The sprites-per-frame counter is how many fit in one frame at 90 frames per second.
#include "HeadlessScreen.h"
#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGBitmap.h"
#include "graphics/UGGraphicsDevice.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int CWidth = CScreenWidth;
constexpr int CHeight = CScreenHeight;

struct TScene {
  TScene() {
    // Eight pictures of 20 to 48 pixels; most share one page.
    for (int P = 0; P < 8; ++P) {
      TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
      const int W = 20 + P * 4, H = 48 - P * 3;
      Bitmap->SetSize(W, H);
      for (int Y = 0; Y < H; ++Y) {
        for (int X = 0; X < W; ++X) {
          Bitmap->SetPixel(X, Y, TGColor::Create(200, 40 * P, 4 * X, 5 * Y));
        }
      }
      auto* Sprite = new TGSprite();
      Sprite->LoadFromBitmap(*Bitmap);
      Sprites.emplace_back(Sprite);
    }
  }

  // Count symbols, consecutive ones showing the same picture in runs of RunLength.
  void Place(int Count, int RunLength) {
    Symbols.clear();
    for (int I = 0; I < Count; ++I) {
      auto* S = new TGSymbol();
      S->SetGraphic(Sprites[static_cast<size_t>(I / RunLength % 8)].get());
      S->SetTransform(static_cast<float>(I * 7 % 760), static_cast<float>(I * 13 % 560), 0.5f, 0.5f,
                      static_cast<float>(I % 30), 1, 1);
      Symbols.emplace_back(S);
    }
  }

  THeadlessScreen Screen{CScreenWidth,
                         CScreenHeight}; // first member: everything below goes before the device
  std::vector<TGObjectPtr<TGSprite>> Sprites;
  std::vector<TGObjectPtr<TGSymbol>> Symbols;
};

TScene& Scene() {
  static TScene S;
  return S;
}

void RunFrames(benchmark::State& State, int RunLength) {
  TScene& S = Scene();
  const int Count = static_cast<int>(State.range(0));
  S.Place(Count, RunLength);
  int32_t Calls = 0;
  for (auto _ : State) {
    GD->BeginScene();
    GD->Erase(0);
    TGSprite::BeginBatch();
    for (auto& Symbol : S.Symbols) {
      Symbol->Draw();
    }
    TGSprite::EndBatch();
    Calls = GD->DIPCalls();
    GD->EndScene();
    GD->Present();
  }
  State.counters["draw_calls"] = Calls;
  State.counters["sprites"] = Count;
  State.counters["fps"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
  State.counters["sprites_per_90fps_frame"] =
      benchmark::Counter(Count / 90.0, benchmark::Counter::kIsIterationInvariantRate);
}

// Runs of 50 symbols of one picture, as a window's items or a board's pieces come.
void BM_SymbolsInRuns(benchmark::State& State) {
  RunFrames(State, 50);
}
// Every symbol another picture than the one before: at worst one call each, unless pictures
// share a page (the batch compares the image, not the page).
void BM_SymbolsAlternating(benchmark::State& State) {
  RunFrames(State, 1);
}

} // namespace

BENCHMARK(BM_SymbolsInRuns)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SymbolsAlternating)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
