// Laying out and drawing a long text every frame, headless (SDL's offscreen driver on llvmpipe),
// with the demo's 18-pixel DejaVu font: a text of a few thousand words in an 780-pixel column,
// laid out again each frame (as a changed text is) or only drawn from the cached layout.
#include "HeadlessScreen.h"
#include "drawables/UGSprite.h"
#include "graphics/UGGraphicsDevice.h"
#include "io/UGNativeFileSystem.h"
#include "resources/UGResourceLibrary.h"
#include "text/UGFont.h"
#include "text/UGText.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr int CWidth = CScreenWidth;
constexpr int CHeight = CScreenHeight;

struct TScene {
  TScene() {
    RegisterResource(TGSprite::StaticClass(), "gfx", {".png", ".jp2", ".jpg"}, 4);
    RegisterResource(TGFont::StaticClass(), "fnt", {".fnt"}, 7);
    Library.reset(new TGResourceLibrary(nullptr, true, true));
    Library->Load(new TGNativeFileSystem(nullptr, HOE_CONTENT), nullptr, rdtCommon, 0);
    Font = ObjectCast<TGFont>(Library->GetResource("Text.fnt"));
    Text.reset(new TGText());
    Text->SetFont(Font);
    Text->SetExtent(TGVector{780, 580, 0});
    Text->SetAlign(aJustify);
  }
  // Words of 2 to 9 letters with punctuation, a paragraph every 120 words.
  static std::string LongText(int Words) {
    static const char* const Pieces[] = {"harbour", "lantern", "at", "the",    "compass,", "night.",
                                         "sails",   "quietly", "é",  "zéphyr", "of",       "boats"};
    std::string S;
    for (int I = 0; I < Words; ++I) {
      S += Pieces[(I * 7 + I / 3) % 12];
      S += (I % 120 == 119) ? "\r\n" : " ";
    }
    return S;
  }

  THeadlessScreen Screen{CScreenWidth,
                         CScreenHeight}; // first member: everything below goes before the device
  TGObjectPtr<TGResourceLibrary> Library;
  TGFont* Font = nullptr;
  TGObjectPtr<TGText> Text;
};

TScene& Scene() {
  static TScene S;
  return S;
}

void Frame(TScene& S, bool Relayout) {
  GD->BeginScene();
  GD->Erase(TGColor(0xFF000000));
  if (Relayout) {
    S.Text->Invalidate();
  }
  S.Text->Draw();
  GD->EndScene();
  GD->Present();
}

// Layout and drawing of the whole text, every frame.
void BM_LayoutAndDraw(benchmark::State& State) {
  TScene& S = Scene();
  S.Text->SetData(TScene::LongText(static_cast<int>(State.range(0))));
  for (auto _ : State) {
    Frame(S, true);
  }
  State.counters["glyphs"] = static_cast<double>(S.Text->FormattedData().size());
  State.counters["lines"] = static_cast<double>(S.Text->GetFormattedText().size());
}
BENCHMARK(BM_LayoutAndDraw)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);

// Drawing from the cached layout.
void BM_DrawCached(benchmark::State& State) {
  TScene& S = Scene();
  S.Text->SetData(TScene::LongText(static_cast<int>(State.range(0))));
  for (auto _ : State) {
    Frame(S, false);
  }
}
BENCHMARK(BM_DrawCached)->Arg(3000)->Unit(benchmark::kMillisecond);

// Layout alone, without a device in the loop.
void BM_LayoutOnly(benchmark::State& State) {
  TScene& S = Scene();
  S.Text->SetData(TScene::LongText(static_cast<int>(State.range(0))));
  for (auto _ : State) {
    S.Text->Invalidate();
    benchmark::DoNotOptimize(S.Text->GetFormattedText().size());
  }
}
BENCHMARK(BM_LayoutOnly)->Arg(3000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
