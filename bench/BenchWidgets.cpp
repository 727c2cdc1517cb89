// A window of a few hundred widgets updated and drawn every frame, headless (SDL's offscreen
// driver on llvmpipe): pictures, buttons with faces and captions, and labels, in a grid over the
// 800 × 600 screen, with the demo's pictures and text font. The CPU column is the main thread's
// time per frame (the tree's update, its drawing and the present); the wall time adds the
// rasteriser's own threads.
#include "HeadlessScreen.h"
#include "app/UGClassTables.h"
#include "graphics/UGGraphicsDevice.h"
#include "io/UGNativeFileSystem.h"
#include "resources/UGResource.h"
#include "resources/UGResourceLibrary.h"
#include "text/UGFont.h"
#include "widgets/UGButton.h"
#include "widgets/UGLabel.h"
#include "widgets/UGPicture.h"
#include "widgets/UGWindow.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

struct TScene {
  TScene() {
    RegisterEngineClasses();
    Library.reset(new TGResourceLibrary(nullptr, true, true));
    Library->Load(new TGNativeFileSystem(nullptr, HOE_CONTENT), nullptr, rdtCommon, 0);
  }
  TGGraphic* Gfx(const char* URL) { return ObjectCast<TGGraphic>(Library->GetResource(URL)); }

  // Widgets of 40 × 30 in rows of 20, cycling through a picture, a button and a label.
  TGWindow* MakeWindow(int Count) {
    TGWindow* W = New<TGWindow>();
    W->SetWidth(CScreenWidth);
    W->SetHeight(CScreenHeight);
    W->SetGfx(Gfx("Widgets\\Background.png"));
    auto* Font = ObjectCast<TGFont>(Library->GetResource("Text.fnt"));
    static const char* const Faces[] = {"Widgets\\ButtonUp.png", "Widgets\\ButtonOver.png",
                                        "Widgets\\ButtonDown.png", "Widgets\\ButtonDisabled.png"};
    for (int I = 0; I < Count; ++I) {
      TGWidget* Child = nullptr;
      switch (I % 3) {
      case 0: {
        auto* P = New<TGPicture>(W);
        P->SetGfx(Gfx(I % 2 ? "Demo\\Crate.png" : "Widgets\\CheckedUp.png"));
        Child = P;
        break;
      }
      case 1: {
        auto* B = New<TGButton>(W);
        for (int S = bsUp; S <= bsDisabled; ++S) {
          B->SetGfx(static_cast<TGButtonState>(S), Gfx(Faces[S]));
          B->SetFont(static_cast<TGButtonState>(S), Font);
        }
        B->SetCaption(std::to_string(I));
        Child = B;
        break;
      }
      default: {
        auto* L = New<TGLabel>(W);
        L->SetFont(Font);
        L->SetData("L" + std::to_string(I));
        Child = L;
        break;
      }
      }
      Child->SetLeft(static_cast<float>(I % 20 * 40));
      Child->SetTop(static_cast<float>(I / 20 % 20 * 30));
      Child->SetWidth(38);
      Child->SetHeight(28);
      W->Add(Child);
    }
    return W;
  }

  THeadlessScreen Screen{CScreenWidth,
                         CScreenHeight}; // first member: everything below goes before the device
  TGObjectPtr<TGResourceLibrary> Library;
};

TScene& Scene() {
  static TScene S;
  return S;
}

void BM_WidgetFrame(benchmark::State& State) {
  TScene& S = Scene();
  TGObjectPtr<TGWindow> Window(S.MakeWindow(static_cast<int>(State.range(0))));
  for (auto _ : State) {
    Window->UpdateTree(1.0f / 60);
    GD->BeginScene();
    GD->Erase(TGColor(0xFF000000));
    Window->DrawTree();
    GD->EndScene();
    GD->Present();
  }
  State.counters["widgets"] = static_cast<double>(Window->GetCount());
}
BENCHMARK(BM_WidgetFrame)->Arg(100)->Arg(300)->Arg(600)->Unit(benchmark::kMillisecond);

// The update alone: hover, faces, captions' layout checks, without drawing.
void BM_WidgetUpdate(benchmark::State& State) {
  TScene& S = Scene();
  TGObjectPtr<TGWindow> Window(S.MakeWindow(static_cast<int>(State.range(0))));
  for (auto _ : State) {
    Window->UpdateTree(1.0f / 60);
  }
}
BENCHMARK(BM_WidgetUpdate)->Arg(300)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
