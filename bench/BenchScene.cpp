// Scene graphs per frame: a scene of 200 nodes (ten houses of a group, a light scope with a lamp,
// solid boxes, cylinders and spheres, a sorted group of transparent panes; a fence; an animated
// model whose frame holds a bone import), with a tenth of the nodes moving every frame and a camera
// circling it. Measured: the update alone, the update and the display list (the main thread's
// work each frame, goal under 0.5 ms), and the drawing on the recording device (the scene's
// own work between the draw calls, without OpenGL).
#include "RecordingDevice.h"
#include "app/UGClassTables.h"
#include "io/UGStream.h"
#include "scene3d/UGModel.h"
#include "scene3d/UGSceneCamera.h"
#include "scene3d/UGSceneGraphic.h"
#include "scene3d/UGSceneImport.h"
#include "scene3d/UGSceneRoot.h"
#include "scene3d/UGSceneShapes.h"
#include "scene3d/UGSceneTransformHelper.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr float CFrame = 1.0f / 90;

constexpr const char* CModel = R"(<Model>
  <Frame Type="Frame" ParentFrame="-1" Name="Arm"/>
  <Frame Type="Mesh" ParentFrame="0" Name="Plate">
    <Material/>
    <Vertices Format="18" Length="4">0;-1;-1;-1;0;0; 0;1;-1;-1;0;0; 0;1;1;-1;0;0; 0;-1;1;-1;0;0</Vertices>
    <Indices Length="6">0;1;2;0;2;3</Indices>
    <Part Material="0" FaceStart="0" FaceCount="2"/>
  </Frame>
  <ModelAnimation Name="Slide"><FrameAnimation Frame="0">
    <TranslationX><Term T="0" Value="0"/><Term T="1000" Value="3"/><Term T="2000" Value="0"/></TranslationX>
  </FrameAnimation></ModelAnimation>
</Model>)";

template <class T>
T* Add(TGSceneNode* Parent, float X, float Y, float Z) {
  auto* N = new T();
  Parent->AddChild(N);
  N->GetTransform()->SetPosition(TGVector{X, Y, Z});
  return N;
}

struct TBenchScene {
  TBenchScene() {
    RegisterEngineClasses();
    TGMemoryStream S(CModel);
    Model->LoadFromStream(S, nullptr);
    Scene->SetName("Bench");
    Add<TGSceneLight>(Scene.get(), 0, 0, 50)->GetTransform()->SetAngles(TGAngles(-60, 20, 0));
    // Ten houses of 18 nodes: a group, a light scope with a lamp, walls, a roof, a chimney, a
    // sorted group of four panes, a yard with five stones.
    for (int H = 0; H < 10; ++H) {
      auto* House = Add<TGSceneNode>(Scene.get(), 20.0f * (H % 5), 20.0f * (H / 5), 0);
      auto* Inside = Add<TGSceneLightScope>(House, 0, 0, 0);
      auto* Lamp = Add<TGSceneLight>(Inside, 0, 0, 4);
      Lamp->SetLightType(ltPoint);
      Add<TGSceneShapeBox>(Inside, 0, 0, 2);
      Add<TGSceneShapeCylinder>(Inside, 0, 0, 5);
      Moving.push_back(Add<TGSceneShapeSphere>(Inside, 2, 2, 6));
      auto* Panes = Add<TGSceneSort>(House, 0, 0, 0);
      for (int P = 0; P < 4; ++P) {
        auto* Pane = Add<TGSceneShapeBox>(Panes, P - 1.5f, -5, 2);
        Pane->SetRenderMode(rmTransparent);
        Pane->SetSize(TGVector{0.8f, 0.1f, 1.5f});
      }
      auto* Yard = Add<TGSceneNode>(House, 0, 8, 0);
      for (int Y = 0; Y < 5; ++Y)
        Add<TGSceneShapeSphere>(Yard, Y * 1.5f, 0, 0.3f)->SetRadius(0.3f);
      Moving.push_back(Yard);
    }
    // An animated model with a bone import holding a box, and the camera.
    auto* Graphic = Add<TGSceneGraphic3D>(Scene.get(), 40, 40, 0);
    Graphic->SetAnimation("Slide");
    Graphic->SetLooped(true);
    Graphic->SetGraphic(Model.get());
    auto* Hand = new TGSceneImportModelFrame();
    Hand->SetName("Arm");
    Graphic->AddChild(Hand);
    Add<TGSceneShapeBox>(Hand, 0, 0, 1);
    // A fence of twenty-four posts makes the two hundred.
    for (int F = 0; F < 24; ++F)
      Add<TGSceneShapeBox>(Scene.get(), F * 4.0f, -10, 0.5f)->SetSize(TGVector{0.3f, 0.3f, 1});
    Camera = Add<TGSceneCamera>(Scene.get(), -20, -20, 10);
    Count = CountNodes(Scene.get());
  }

  static int CountNodes(TGSceneNode* N) {
    int C = 1;
    for (int I = 0; I < N->ChildCount(); ++I)
      C += CountNodes(N->Child(I));
    return C;
  }

  // Moves a tenth of the nodes and the camera, then updates the tree.
  void Frame() {
    Time += CFrame;
    for (size_t I = 0; I < Moving.size(); ++I)
      Moving[I]->GetTransform()->SetPosition(TGVector{std::sin(Time + I), 2, std::cos(Time)});
    Camera->GetTransform()->SetPosition(
        TGVector{40 + 60 * std::cos(Time * 0.2f), 20 + 60 * std::sin(Time * 0.2f), 15});
    Scene->UpdateScene(CFrame);
  }

  TGSceneContext Context() const { return TGSceneContext::FromView(Camera->CalcViewMatrix()); }

  TGObjectPtr<TGModel> Model{new TGModel()};
  TGObjectPtr<TGSceneRoot> Scene{new TGSceneRoot()};
  std::vector<TGSceneNode*> Moving;
  TGSceneCamera* Camera = nullptr;
  float Time = 0;
  int Count = 0;
};

void BM_SceneUpdate(benchmark::State& State) {
  TBenchScene B;
  for (auto _ : State)
    B.Frame();
  State.counters["nodes"] = B.Count;
}
BENCHMARK(BM_SceneUpdate)->Unit(benchmark::kMicrosecond);

void BM_SceneUpdateAndDisplayList(benchmark::State& State) {
  TBenchScene B;
  int Drawn = 0;
  for (auto _ : State) {
    B.Frame();
    TGSceneContext C = B.Context();
    const TGSceneDisplayList List = B.Scene->MakeDisplayList(C, 0xFFFFFFFFu);
    benchmark::DoNotOptimize(List.First);
    Drawn = List.Count();
  }
  State.counters["nodes"] = B.Count;
  State.counters["drawn"] = Drawn;
}
BENCHMARK(BM_SceneUpdateAndDisplayList)->Unit(benchmark::kMicrosecond);

void BM_SceneDrawRecorded(benchmark::State& State) {
  TGObjectPtr<TRecordingDevice> Device(new TRecordingDevice());
  TBenchScene B;
  for (auto _ : State) {
    B.Frame();
    GD->SetMatrixByType(mView, B.Camera->CalcViewMatrix());
    B.Scene->DrawScene();
    Device->Clear();
  }
  State.counters["nodes"] = B.Count;
}
BENCHMARK(BM_SceneDrawRecorded)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
