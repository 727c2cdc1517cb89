// Frames of many small textured quads, headless (SDL's offscreen driver on llvmpipe): one draw
// call per quad as immediate drawing does it, and 100 quads per call as the sprite batch does.
#include "HeadlessScreen.h"
#include "graphics/UGGraphicsDevice.h"
#include "graphics/UGTexture.h"
#include "graphics/UGVertexBuffer.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int CWidth = CScreenWidth;
constexpr int CHeight = CScreenHeight;
constexpr int CQuadSize = 24;

struct TVertex {
  float X, Y, Z;
  uint32_t Color;
  float U, V;
};

struct TScene {
  TScene() {
    Texture.reset(new TGSimpleTexture(nullptr));
    std::vector<TGColor> Pixels(30 * 30);
    for (size_t I = 0; I < Pixels.size(); ++I)
      Pixels[I] = 0x80000000u | static_cast<uint32_t>(I * 2654435761u & 0xFFFFFF);
    Texture->LoadPixels(30, 30, Pixels.data(), 30 * 4);
  }

  // Writes quad I (two triangles) at V.
  static void WriteQuad(TVertex* V, int I) {
    const float X = static_cast<float>(I * 7 % (CWidth - CQuadSize));
    const float Y = static_cast<float>(I * 13 % (CHeight - CQuadSize));
    const float S = CQuadSize;
    const uint32_t C = 0xFFFFFFFFu;
    const TVertex A{X, Y, 0, C, 0, 0}, B{X + S, Y, 0, C, 1, 0}, D{X, Y + S, 0, C, 0, 1},
        E{X + S, Y + S, 0, C, 1, 1};
    V[0] = A;
    V[1] = B;
    V[2] = D;
    V[3] = D;
    V[4] = B;
    V[5] = E;
  }

  THeadlessScreen Screen{CScreenWidth,
                         CScreenHeight}; // first member: everything below goes before the device
  TGObjectPtr<TGSimpleTexture> Texture;
};

TScene& Scene() {
  static TScene S;
  return S;
}

void RunFrames(benchmark::State& State, int QuadsPerCall) {
  TScene& S = Scene();
  const int Quads = static_cast<int>(State.range(0));
  int32_t Calls = 0;
  for (auto _ : State) {
    GD->BeginScene();
    GD->Erase(0);
    GD->PushState(TGDeviceStateMask{bTexture0, bVertexBuffer, bBlending});
    GD->SetTexture(0, S.Texture.get());
    GD->SetTextureState(0, tsModulate);
    for (int First = 0; First < Quads; First += QuadsPerCall) {
      const int N = std::min(QuadsPerCall, Quads - First);
      TGVertexBuffer* VB = GD->CommonVertexBuffer(322, QuadsPerCall * 6, 24);
      auto* V = static_cast<TVertex*>(VB->Lock(N * 6, lmWriteOnly));
      for (int I = 0; I < N; ++I)
        TScene::WriteQuad(V + I * 6, First + I);
      VB->Unlock();
      GD->SetVertexBuffer(VB);
      GD->DrawTriangleList(N * 2);
    }
    GD->PopState();
    Calls = GD->DIPCalls();
    GD->EndScene();
    GD->Present();
  }
  State.counters["draw_calls"] = Calls;
  State.counters["quads"] = Quads;
  State.counters["fps"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_QuadPerCall(benchmark::State& State) {
  RunFrames(State, 1);
}
void BM_HundredQuadsPerCall(benchmark::State& State) {
  RunFrames(State, 100);
}

} // namespace

BENCHMARK(BM_QuadPerCall)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HundredQuadsPerCall)
    ->Arg(1000)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
