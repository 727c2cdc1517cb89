// Animations per frame, headless (SDL's offscreen driver on llvmpipe): one animation of 50
// picture channels whose positions, angles and opacities are keyed, advanced by a 90 fps frame
// and drawn, as location and screen animations are. Variants: the clock and channel updates
// alone, update and draw, and every other channel masked by the next.
#include "HeadlessScreen.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "drawables/UGSprite.h"
#include "graphics/UGBitmap.h"
#include "graphics/UGGraphicsDevice.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int CChannels = 50;
constexpr float CFrame = 1.0f / 90;

struct TScene {
  TScene() {
    for (int P = 0; P < 4; ++P) {
      TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
      const int W = 24 + P * 8, H = 40 - P * 4;
      Bitmap->SetSize(W, H);
      for (int Y = 0; Y < H; ++Y) {
        for (int X = 0; X < W; ++X)
          Bitmap->SetPixel(X, Y, TGColor::Create(255, 60 * P, 5 * X, 6 * Y));
      }
      auto* Sprite = new TGSprite();
      Sprite->LoadFromBitmap(*Bitmap);
      Sprites.emplace_back(Sprite);
    }
  }

  // 50 keyed picture channels over two seconds, looped; with Masked, every odd channel is a
  // mask of the one before it.
  TGObjectPtr<TGAnimation> Make(bool Masked) {
    TGObjectPtr<TGAnimation> A(new TGAnimation());
    A->SetLooped(true);
    for (int I = 0; I < CChannels; ++I) {
      auto* C = TGChannel::Create<TGLivePicture>(A.get());
      C->Gfx()->SetResValue(0, Sprites[static_cast<size_t>(I % 4)].get());
      const float X = static_cast<float>(I * 61 % 760), Y = static_cast<float>(I * 37 % 560);
      C->X()->SetRealValue(0, X);
      C->X()->SetRealValue(1000, X + 30);
      C->X()->SetRealValue(2000, X);
      C->Y()->SetRealValue(0, Y);
      C->Y()->SetRealValue(2000, Y + 20);
      C->SmoothMove()->SetBoolValue(0, true);
      C->Angle()->SetRealValue(0, 0);
      C->Angle()->SetRealValue(2000, 360);
      C->Alpha()->SetRealValue(0, 1);
      C->Alpha()->SetRealValue(1500, 0.5f);
      C->PivotX()->SetRealValue(0, 0.5f);
      C->PivotY()->SetRealValue(0, 0.5f);
      C->SetIsMask(Masked && I % 2 == 1);
    }
    return A;
  }

  THeadlessScreen Screen{CScreenWidth,
                         CScreenHeight}; // first member: everything below goes before the device
  std::vector<TGObjectPtr<TGSprite>> Sprites;
};

TScene& Scene() {
  static TScene S;
  return S;
}

void BM_AnimationUpdate(benchmark::State& State) {
  TGObjectPtr<TGAnimation> A = Scene().Make(false);
  for (auto _ : State)
    A->Update(CFrame);
  State.counters["channels"] = CChannels;
  State.counters["updates_per_90fps_frame"] =
      benchmark::Counter(1 / 90.0, benchmark::Counter::kIsIterationInvariantRate);
}

void RunFrames(benchmark::State& State, bool Masked) {
  TGObjectPtr<TGAnimation> A = Scene().Make(Masked);
  int32_t Calls = 0;
  for (auto _ : State) {
    GD->BeginScene();
    GD->Erase(0);
    A->Update(CFrame);
    TGSprite::BeginBatch();
    A->Draw();
    TGSprite::EndBatch();
    Calls = GD->DIPCalls();
    GD->EndScene();
    GD->Present();
  }
  State.counters["draw_calls"] = Calls;
  State.counters["fps"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_AnimationUpdateAndDraw(benchmark::State& State) {
  RunFrames(State, false);
}
void BM_AnimationMaskedPairs(benchmark::State& State) {
  RunFrames(State, true);
}

} // namespace

BENCHMARK(BM_AnimationUpdate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnimationUpdateAndDraw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AnimationMaskedPairs)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
