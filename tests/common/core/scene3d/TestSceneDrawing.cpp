// Scenes drawn: on the recording device, the states each displayable is drawn with (render
// modes, colours, lights, the lighting inversion, skies) and the matrices and viewport a scene
// channel gives the scene wherever its rectangle lies; the channel's clock, camera and hit
// tests; on the headless device, a few pictures: a scene inside its rectangle, lights from the
// right side, skies behind the scene, and the cull modes' windings.
#include "HeadlessDevice.h"
#include "ModelTestUtils.h"
#include "RecordingDevice.h"
#include "SceneTestUtils.h"
#include "animation/UGSceneChannel.h"
#include "drawables/UGShapes.h"
#include "graphics/UGVertexBuffer.h"
#include "scene3d/UGModelAnimation.h"
#include "scene3d/UGSceneCamera.h"
#include "scene3d/UGSceneGraphic.h"
#include "scene3d/UGSceneShapes.h"
#include "scene3d/UGSceneSky.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// A camera "Eye" at the origin looking along +x (90 degrees across the width, near 1, far 100),
// and a red box "Box" of edge 8 at x 10 in front of it.
TGObjectPtr<TGSceneRoot> BoxScene() {
  TGObjectPtr<TGSceneRoot> Scene(new TGSceneRoot());
  auto* Eye = AddNode<TGSceneCamera>(Scene.get(), "Eye");
  Eye->SetMaxVisibleDist(100);
  auto* Box = AddNodeAt<TGSceneShapeBox>(Scene.get(), "Box", TGVector{10, 0, 0});
  Box->SetSize(TGVector{8, 8, 8});
  Box->SetColor(0xFFFF0000u);
  Box->SetRenderMode(rmSolid);
  return Scene;
}

// A scene channel showing Scene through "Eye" in the rectangle (X, Y, W, H).
TGObjectPtr<TGSceneChannel> Channel(TGSceneRoot* Scene, float X, float Y, float W, float H,
                                    const char* Camera = "Eye") {
  TGObjectPtr<TGSceneChannel> C(new TGSceneChannel());
  C->SceneURL()->SetResValue(0, Scene);
  C->CameraName()->SetStringValue(0, Camera);
  C->X()->SetRealValue(0, X);
  C->Y()->SetRealValue(0, Y);
  C->Width()->SetRealValue(0, W);
  C->Height()->SetRealValue(0, H);
  C->SetElapsedTime(0);
  return C;
}

// Where a point in the draw's world lands on the screen, in pixels (rows from the top).
TGFlatVector ScreenPoint(const TRecordingDevice::TDraw& D, const TGVector& P) {
  const TGMatrix M = D.World * D.View * D.Projection;
  const float X = P.X * M.M[0][0] + P.Y * M.M[1][0] + P.Z * M.M[2][0] + M.M[3][0];
  const float Y = P.X * M.M[0][1] + P.Y * M.M[1][1] + P.Z * M.M[2][1] + M.M[3][1];
  const float W = P.X * M.M[0][3] + P.Y * M.M[1][3] + P.Z * M.M[2][3] + M.M[3][3];
  const TGViewport& V = D.Viewport;
  return TGFlatVector{V.Left + (X / W + 1) / 2 * (V.Right - V.Left),
                      V.Top + (1 - Y / W) / 2 * (V.Bottom - V.Top)};
}

// Where the camera's picture shows a world point inside a rectangle (X, Y, W, H) of the screen.
TGFlatVector PicturePoint(TGSceneChannel& C, const TGVector& P, float X, float Y, float W,
                          float H) {
  TGMatrix View;
  TGMatrix Projection;
  C.GetCameraMatrices(TGRect{0, 0, static_cast<int32_t>(W), static_cast<int32_t>(H)}, View,
                      Projection);
  const TGVector N = Vec3TransformCoord(P, View * Projection);
  return TGFlatVector{X + (N.X + 1) / 2 * W, Y + (1 - N.Y) / 2 * H};
}

void ExpectNear(const TGFlatVector& A, const TGFlatVector& B, float Tolerance = 0.01f) {
  EXPECT_NEAR(A.X, B.X, Tolerance);
  EXPECT_NEAR(A.Y, B.Y, Tolerance);
}

} // namespace

// --- States on the recording device --------------------------------------------------------------

TEST(SceneRecording, EachDisplayableGetsItsRenderModeColourAndCullMode) {
  TGObjectPtr<TRecordingDevice> Device(new TRecordingDevice());
  auto Scene = LoadScene(R"(<Scene>
    <Node Class="TGSceneShapeBox" Name="Solid" Color="4294901760"/>
    <Node Class="TGSceneNode" RenderMode="Multiply" PolygonCullMode="Clockwise" Color="2164260863">
      <Node Class="TGSceneShapeBox" Name="Multiplied"/>
      <Node Class="TGSceneShapeSphere" Name="Overlay" RenderMode="AdditiveOverlay" PolygonCullMode="CounterClockwise"/>
      <Node Class="TGSceneShapeCylinder" Name="Custom"/>
    </Node></Scene>)");
  TGSceneRenderModeRec Own{bAdd, 50, true, false, true, tsModulate};
  Scene->FindNode("Custom")->SetCustomRenderMode(Own);
  Scene->FindNode("Custom")->SetRenderMode(rmCustom);
  Scene->UpdateScene(0);
  GD->SetMaterialDiffuse(0xFF808080u); // the caller's tint reaches every node
  const TGMatrix World = GD->GetMatrixByType(mWorld);
  Device->Clear();
  Scene->DrawScene();
  ASSERT_EQ(Device->Draws.size(), 4u);
  const auto& S = Device->Draws[0];
  EXPECT_EQ(S.Blending, bNone);
  EXPECT_TRUE(S.ZEnable && S.ZWriteEnable);
  EXPECT_FALSE(S.AlphaTest);
  EXPECT_EQ(S.AlphaRef, 127);
  EXPECT_EQ(uint32_t(S.Diffuse), 0xFF800000u);
  EXPECT_EQ(uint32_t(S.ConstantColor), 0xFF800000u); // unlit: the colour is what shows
  EXPECT_EQ(S.Stage0, tsConstant);
  EXPECT_EQ(S.CullMode, cmNone);
  EXPECT_FALSE(S.Lighting);
  const auto& M = Device->Draws[1];
  EXPECT_EQ(M.Blending, bMul);
  EXPECT_TRUE(M.ZEnable);
  EXPECT_FALSE(M.ZWriteEnable);
  EXPECT_TRUE(M.AlphaTest);
  EXPECT_EQ(M.AlphaRef, 1);
  EXPECT_EQ(M.CullMode, cmCW);
  EXPECT_EQ(uint32_t(M.Diffuse), 0x80808080u); // 0xFF808080 × 0x80FFFFFF
  const auto& O = Device->Draws[2];
  EXPECT_EQ(O.Blending, bIntense);
  EXPECT_FALSE(O.ZEnable);
  EXPECT_EQ(O.CullMode, cmCCW);
  const auto& C = Device->Draws[3];
  EXPECT_EQ(C.Blending, bAdd);
  EXPECT_EQ(C.AlphaRef, 50);
  EXPECT_FALSE(C.ZEnable);
  // Everything is given back.
  EXPECT_EQ(GD->StateStackSize(), 0);
  EXPECT_EQ(GD->GetMatrixByType(mWorld), World);
  EXPECT_FALSE(GD->ZEnable());
  EXPECT_EQ(GD->Blending(), bDefault);
  EXPECT_EQ(GD->TextureState(0), tsTexture);
  EXPECT_EQ(uint32_t(GD->MaterialDiffuse()), 0xFF808080u);
}

TEST(SceneRecording, SortedGroupsDrawSolidFirstThenTransparentFarToNear) {
  TGObjectPtr<TRecordingDevice> Device(new TRecordingDevice());
  auto Scene = LoadScene(R"(<Scene><Node Class="TGSceneSort">
    <Node Class="TGSceneShapeBox" RenderMode="Transparent"><Transform Position="3 0 0"/></Node>
    <Node Class="TGSceneShapeBox"><Transform Position="1 0 0"/></Node>
    <Node Class="TGSceneShapeBox" RenderMode="Transparent"><Transform Position="7 0 0"/></Node>
    <Node Class="TGSceneShapeBox"><Transform Position="2 0 0"/></Node>
  </Node></Scene>)");
  Scene->UpdateScene(0);
  GD->SetMatrixByType(mView, MatLookAt(TGVector{-5, 0, 0}, TGVector{0, 0, 0}, {0, 0, 1}));
  Scene->DrawScene();
  std::vector<float> Order;
  for (const auto& D : Device->Draws)
    Order.push_back(D.World.M[3][0]);
  EXPECT_EQ(Order, (std::vector<float>{1, 2, 7, 3}));
  EXPECT_EQ(Device->Draws[2].Blending, bDefault);
}

TEST(SceneRecording, LightsOfTheScopesAndTheLightingInversion) {
  TGObjectPtr<TRecordingDevice> Device(new TRecordingDevice());
  std::string Lamps;
  for (int I = 0; I < 9; ++I)
    Lamps += "<Node Class=\"TGSceneLight\" Type=\"Point\"/>";
  auto Scene = LoadScene(R"(<Scene>
    <Node Class="TGSceneLight" Name="Sun"/>
    <Node Class="TGSceneShapeBox" Name="Outside"/>
    <Node Class="TGSceneLightScope">)" +
                         Lamps + R"(
      <Node Class="TGSceneShapeBox" Name="Crowded"/>
    </Node>
    <Node Class="TGSceneShapeBox" Name="Unlit" IgnoreLighting="True"/>
    <Node Class="TGSceneShapeBox" Name="Inverted" InvertLighting="True"><Transform Position="0 0 4"/></Node>
    </Scene>)");
  Scene->UpdateScene(0);
  const TGMatrix View = MatLookAt(TGVector{-5, 0, 0}, TGVector{0, 0, 0}, {0, 0, 1});
  GD->SetMatrixByType(mView, View);
  Scene->DrawScene();
  ASSERT_EQ(Device->Draws.size(), 4u);
  EXPECT_TRUE(Device->Draws[0].Lighting);
  EXPECT_EQ(Device->Draws[0].LightsEnabled, 1);
  EXPECT_EQ(Device->Draws[1].LightsEnabled, 8); // nine in the scope, at most eight
  EXPECT_FALSE(Device->Draws[2].Lighting);
  // The inversion turns world and view alike: positions stay, lights come from the other side.
  const auto& I = Device->Draws[3];
  EXPECT_EQ(I.View, CMatReverse * View);
  EXPECT_EQ(I.World, MatScaling(10, 10, 10) * CMatReverse * MatTranslation(0, 0, 4));
  ExpectNear(ScreenPoint(I, VecZero), ScreenPoint(Device->Draws[0], TGVector{0, 0, 0.4f}));
  EXPECT_EQ(GD->GetMatrixByType(mView), View);
  EXPECT_FALSE(GD->Lighting());
}

TEST(SceneRecording, SkiesDrawInTheirDepthSliceAndTheRestBeforeIt) {
  TGObjectPtr<TRecordingDevice> Device(new TRecordingDevice());
  auto Scene = LoadScene(R"(<Scene>
    <Node Class="TGSceneSky" DepthInterval="0.25"><Node Class="TGSceneShapeSphere"/></Node>
    <Node Class="TGSceneShapeBox"/></Scene>)");
  Scene->UpdateScene(0);
  const TGMatrix View = MatLookAt(TGVector{-5, 3, 0}, TGVector{0, 3, 0}, {0, 0, 1});
  GD->SetMatrixByType(mView, View);
  Scene->DrawScene();
  ASSERT_EQ(Device->Draws.size(), 2u);
  EXPECT_EQ(Device->Draws[0].Viewport.MinZ, 0.75f);
  EXPECT_EQ(Device->Draws[0].Viewport.MaxZ, 1);
  EXPECT_EQ(Device->Draws[0].View.GetOrigin(), VecZero); // centred on the camera
  EXPECT_EQ(Device->Draws[1].Viewport.MinZ, 0);
  EXPECT_EQ(Device->Draws[1].Viewport.MaxZ, 0.75f);
  EXPECT_EQ(Device->Draws[1].View, View);
  EXPECT_EQ(GD->Viewport().MaxZ, 1);
}

// --- The scene channel on the recording device ---------------------------------------------------

TEST(SceneChannelRecording, TheCameraPictureFillsTheRectangleWhereverItLies) {
  TGObjectPtr<TRecordingDevice> Device(new TRecordingDevice(800, 600));
  auto Scene = BoxScene();
  const TGVector Corner{6, 4, -4}; // the near face's top-right... as the camera sees it
  for (const auto& [X, Y, W, H] : {std::tuple{100.0f, 50.0f, 320.0f, 240.0f},
                                   {700.0f, 50.0f, 200.0f, 150.0f},       // over the right edge
                                   {-60.0f, -40.0f, 200.0f, 150.0f},      // over the top left
                                   {-100.0f, 500.0f, 1000.0f, 200.0f}}) { // wider than the screen
    SCOPED_TRACE(X);
    auto C = Channel(Scene.get(), X, Y, W, H);
    Device->Clear();
    C->Draw();
    ASSERT_EQ(Device->Draws.size(), 1u);
    const auto& D = Device->Draws[0];
    const TGViewport& V = D.Viewport;
    EXPECT_EQ(V.Left, std::max(0, static_cast<int>(X)));
    EXPECT_EQ(V.Top, std::max(0, static_cast<int>(Y)));
    EXPECT_EQ(V.Right, std::min(800, static_cast<int>(X + W)));
    EXPECT_EQ(V.Bottom, std::min(600, static_cast<int>(Y + H)));
    for (const TGVector& P : {TGVector{10, 0, 0}, Corner, TGVector{6, -4, 4}})
      ExpectNear(ScreenPoint(D, (P - TGVector{10, 0, 0}) / 8), PicturePoint(*C, P, X, Y, W, H),
                 0.05f); // the box's world matrix is scaled by its size
    EXPECT_EQ(GD->StateStackSize(), 0);
    EXPECT_EQ(GD->Viewport().Right, 800);
  }
}

TEST(SceneChannelRecording, TurnedAndScaledChannelsPlaceThePictureWithThem) {
  TGObjectPtr<TRecordingDevice> Device(new TRecordingDevice(800, 600));
  auto Scene = BoxScene();
  auto C = Channel(Scene.get(), 400, 300, 200, 100);
  C->PivotX()->SetRealValue(0, 0.5f);
  C->PivotY()->SetRealValue(0, 0.5f);
  C->Angle()->SetRealValue(0, 90);
  C->ScaleX()->SetRealValue(0, 1.5f);
  C->Draw();
  ASSERT_EQ(Device->Draws.size(), 1u);
  // The box's centre is the picture's centre: the pivot, on (400, 300).
  ExpectNear(ScreenPoint(Device->Draws[0], VecZero), TGFlatVector{400, 300});
  // The camera's right (-y) runs down the screen after a quarter turn, 1.5 times as long.
  const TGFlatVector Right = ScreenPoint(Device->Draws[0], TGVector{-0.5f, -0.5f, 0});
  const TGFlatVector Plain = PicturePoint(*C, TGVector{6, -4, 0}, 0, 0, 200, 100);
  EXPECT_NEAR(Right.X, 400, 0.05f);
  EXPECT_NEAR(Right.Y, 300 + (Plain.X - 100) * 1.5f, 0.05f);
}

TEST(SceneChannelRecording, EmptyOrOffScreenRectanglesDrawOnlyTheOverlays) {
  TGObjectPtr<TRecordingDevice> Device(new TRecordingDevice(800, 600));
  auto Scene = BoxScene();
  TGChannelFlags Frame;
  Frame.Include(mfDrawFrame);
  for (const auto& [X, W, H] : {std::tuple{100.0f, 0.0f, 50.0f},
                                {100.0f, 50.0f, 0.0f},
                                {900.0f, 50.0f, 50.0f},
                                {-300.0f, 200.0f, 50.0f}}) {
    SCOPED_TRACE(X + W);
    auto C = Channel(Scene.get(), X, 100, W, H);
    C->SetFlags(Frame);
    Device->Clear();
    C->Draw();
    ASSERT_EQ(Device->Draws.size(), 4u); // the frame's four lines
    for (const auto& D : Device->Draws)
      EXPECT_EQ(D.Kind, "lines");
  }
}

TEST(SceneChannelRecording, WithoutACameraTheSceneDefaultViewIsUsed) {
  TGObjectPtr<TRecordingDevice> Device(new TRecordingDevice(800, 600));
  auto Scene = BoxScene();
  Scene->EditorOptions.DefaultViewPos = TGVector{0, 0, 5};
  Scene->EditorOptions.DefaultViewAngles = TGVector{-20, 0, 0}; // looking down a little
  Scene->SetMinVisibleDistance(0.5f);
  const TGMatrix Expected = MatLookAt(
      TGVector{0, 0, 5}, TGVector{0, 0, 5} + TGVector{std::cos(0.349066f), 0, -std::sin(0.349066f)},
      TGVector{std::sin(0.349066f), 0, std::cos(0.349066f)});
  for (const char* Camera : {"Box", "Nobody", ""}) {
    SCOPED_TRACE(Camera);
    auto C = Channel(Scene.get(), 0, 0, 400, 200, Camera);
    EXPECT_EQ(C->Camera(), nullptr);
    TGMatrix View;
    TGMatrix Projection;
    ASSERT_TRUE(C->GetCameraMatrices(TGRect{0, 0, 400, 200}, View, Projection));
    for (int R = 0; R < 4; ++R)
      for (int K = 0; K < 4; ++K)
        EXPECT_NEAR(View.M[R][K], Expected.M[R][K], 1e-5f);
    EXPECT_NEAR(Projection.M[0][0], 1, 1e-5f); // 90 degrees across the width
    EXPECT_NEAR(Projection.M[1][1], 2, 1e-5f);
  }
}

// --- The channel's clock and hits ----------------------------------------------------------------

TEST(SceneChannelClock, AKeyInThePastShowsTheSceneAdvancedAndGoingBackStartsAfresh) {
  RegisterEngineClasses();
  auto Model = LoadModel(R"(<Model><Frame Type="Frame" ParentFrame="-1" Name="Arm"/>
    <ModelAnimation Name="Slide"><FrameAnimation Frame="0">
      <TranslationX><Term T="0" Value="0"/><Term T="5000" Value="50"/></TranslationX>
    </FrameAnimation></ModelAnimation></Model>)");
  TGObjectPtr<TGSceneRoot> Scene(new TGSceneRoot());
  auto* G = AddNode<TGSceneGraphic3D>(Scene.get(), "Slider");
  G->SetAnimation("Slide");
  G->SetGraphic(Model.get());
  AddNode<TGSceneCamera>(Scene.get(), "Eye");
  TGObjectPtr<TGSceneChannel> C(new TGSceneChannel());
  C->SceneURL()->SetResValue(1000, Scene.get());
  C->CameraName()->SetStringValue(0, "Eye");
  auto Elapsed = [&] {
    auto* Copy = ObjectCast<TGSceneGraphic3D>(C->Instance()->FindNode("Slider"));
    return Copy->ModelInstance()->CurrentAnimation()->ElapsedTime();
  };
  C->SetElapsedTime(500);
  EXPECT_EQ(C->Instance(), nullptr);
  C->SetElapsedTime(1500);
  ASSERT_NE(C->Instance(), nullptr);
  EXPECT_NE(C->Instance(), Scene.get());
  EXPECT_EQ(Elapsed(), 500);
  ASSERT_NE(C->Camera(), nullptr);
  EXPECT_EQ(C->Camera()->TopNode(), C->Instance());
  TGSceneRoot* First = C->Instance();
  C->SetElapsedTime(1600);
  EXPECT_EQ(C->Instance(), First);
  EXPECT_EQ(Elapsed(), 600);
  C->SetElapsedTime(800);
  EXPECT_EQ(C->Instance(), nullptr);
  EXPECT_EQ(C->Camera(), nullptr);
  C->SetElapsedTime(1200);
  ASSERT_NE(C->Instance(), nullptr);
  EXPECT_EQ(Elapsed(), 200);
  // A new key of the same scene starts it again; another camera name is looked up.
  C->SceneURL()->SetResValue(2000, Scene.get());
  C->CameraName()->SetStringValue(2000, "Slider");
  C->SetElapsedTime(2100);
  EXPECT_EQ(Elapsed(), 100);
  EXPECT_EQ(C->Camera(), nullptr);
  // The scene's own nodes were never moved.
  EXPECT_EQ(G->ModelInstance()->CurrentAnimation()->ElapsedTime(), 0);
}

TEST(SceneChannelHits, EdgesOfTheRectangleAndRaysIntoTheScene) {
  auto Scene = BoxScene();
  TGObjectPtr<TGSceneChannel> Empty(new TGSceneChannel());
  EXPECT_FALSE(Empty->Hit(TGVector{10, 10, 0}));
  auto C = Channel(Scene.get(), 10.5f, 20, 100.7f, 50);
  // The rectangle (11, 20) .. (111, 70): left and top edges hit, right and bottom do not.
  EXPECT_TRUE(C->Hit(TGVector{11, 20, 0}));
  EXPECT_FALSE(C->Hit(TGVector{10.9f, 20, 0}));
  EXPECT_TRUE(C->Hit(TGVector{110.9f, 69.9f, 0}));
  EXPECT_FALSE(C->Hit(TGVector{111, 40, 0}));
  EXPECT_FALSE(C->Hit(TGVector{50, 70, 0}));
  // Precise: only where the box is seen (its near face spans two thirds of the width).
  C->PreciseHit()->SetBoolValue(0, true);
  EXPECT_TRUE(C->Hit(TGVector{61, 45, 0}));
  EXPECT_TRUE(C->Hit(TGVector{30, 45, 0}));
  EXPECT_FALSE(C->Hit(TGVector{14, 45, 0}));
  EXPECT_FALSE(C->Hit(TGVector{200, 45, 0}));
  Scene.reset(); // the channel's copy lives on
  EXPECT_TRUE(C->Hit(TGVector{61, 45, 0}));
}

// --- Pictures on the headless device -------------------------------------------------------------

namespace {

class SceneDrawing : public THeadlessSceneTest {
protected:
  uint32_t RGB(int X, int Y) { return uint32_t(PixelAt(X, Y)) & 0xFFFFFF; }
};

} // namespace

TEST_F(SceneDrawing, TheSceneShowsInsideTheChannelRectangleOnly) {
  auto Scene = BoxScene();
  auto C = Channel(Scene.get(), 16, 12, 32, 24);
  C->Draw();
  EXPECT_EQ(RGB(32, 24), 0xFF0000u);
  // The near face covers two thirds of the width and eight ninths of the height.
  EXPECT_EQ(RGB(32, 14), 0xFF0000u);
  EXPECT_EQ(RGB(32, 12), 0u);
  EXPECT_EQ(RGB(22, 24), 0xFF0000u);
  EXPECT_EQ(RGB(20, 24), 0u);
  EXPECT_EQ(RGB(8, 24), 0u);
  EXPECT_EQ(GD->StateStackSize(), 0);
  // Hanging over the right edge, the picture keeps its place and size.
  GD->Erase(0xFF000000u);
  auto Over = Channel(Scene.get(), 40, 12, 32, 24);
  Over->Draw();
  EXPECT_EQ(RGB(56, 24), 0xFF0000u);
  EXPECT_EQ(RGB(46, 24), 0xFF0000u);
  EXPECT_EQ(RGB(44, 24), 0u);
  EXPECT_EQ(RGB(63, 14), 0xFF0000u);
  EXPECT_EQ(RGB(63, 12), 0u);
}

TEST_F(SceneDrawing, LightsShineFromTheirSideAndTheInversionTurnsThem) {
  auto Scene = BoxScene();
  Scene->FindNode("Box")->SetColor(0xFFFFFFFFu);
  auto* Sun = AddNode<TGSceneLight>(Scene.get(), "Sun");
  Sun->SetLightColor(0xFF00FF00u);
  Sun->SetAmbientColor(0);
  Sun->GetTransform()->SetAngles(TGAngles(0, 0, 0)); // shining along +x, onto the near face
  auto C = Channel(Scene.get(), 0, 0, 64, 48);
  C->Draw();
  EXPECT_GT(PixelAt(32, 24).G, 200);
  EXPECT_LT(PixelAt(32, 24).R, 16);
  GD->Erase(0xFF000000u);
  ObjectCast<TGSceneDisplayable>(C->Instance()->FindNode("Box"))->SetInvertLighting(true);
  C->Draw();
  EXPECT_LT(PixelAt(32, 24).G, 16);
  // A point light is mirrored through the camera: at 3 in front of the face, the face's first
  // corner (flat shading) sees it at 62 degrees; turned round, from 9 behind the camera at 32.
  GD->Erase(0xFF000000u);
  auto* Lamp = ObjectCast<TGSceneLight>(C->Instance()->FindNode("Sun"));
  Lamp->SetLightType(ltPoint);
  Lamp->GetTransform()->SetPosition(TGVector{3, 0, 0});
  C->Instance()->UpdateScene(0);
  C->Draw();
  EXPECT_NEAR(PixelAt(32, 24).G, 216, 6);
  ObjectCast<TGSceneDisplayable>(C->Instance()->FindNode("Box"))->SetInvertLighting(false);
  C->Draw();
  EXPECT_NEAR(PixelAt(32, 24).G, 120, 6);
}

TEST_F(SceneDrawing, SkiesStayBehindTheSceneWhereverTheyAre) {
  auto Scene = BoxScene(); // the red box at 10
  auto* Sky = AddNode<TGSceneSky>(Scene.get(), "Sky");
  auto* Cloud = AddNodeAt<TGSceneShapeBox>(Sky, "Cloud", TGVector{3, 0, 0});
  Cloud->SetSize(TGVector{1, 1, 1});
  Cloud->SetColor(0xFF0000FFu);
  Cloud->SetRenderMode(rmSolid);
  auto C = Channel(Scene.get(), 0, 0, 64, 48);
  C->Draw();
  EXPECT_EQ(RGB(32, 24), 0xFF0000u); // nearer, but behind
  ObjectCast<TGSceneSky>(C->Instance()->FindNode("Sky"))->SetAffect(false);
  GD->Erase(0xFF000000u);
  C->Draw();
  EXPECT_EQ(RGB(32, 24), 0x0000FFu);
}

// The cull modes name windings on the screen, y pointing down: clockwise there is what cmCW
// culls.
TEST_F(SceneDrawing, CullModesNameScreenWindings) {
  GD->SetTextureState(0, tsConstant);
  GD->SetConstantColor(0xFFFFFFFFu);
  TGVertexBuffer* VB = GD->CommonVertexBuffer(CFVFXYZ, 3, 12);
  // (10, 10) -> (50, 10) -> (10, 40): clockwise with y pointing down.
  const float Clockwise[9] = {10, 10, 0, 50, 10, 0, 10, 40, 0};
  std::memcpy(VB->Lock(3, lmWriteOnly), Clockwise, sizeof(Clockwise));
  VB->Unlock();
  GD->SetVertexBuffer(VB);
  for (const auto& [Mode, Shown] : {std::pair{cmNone, true}, {cmCW, false}, {cmCCW, true}}) {
    SCOPED_TRACE(Mode);
    GD->Erase(0xFF000000u);
    GD->SetCullMode(Mode);
    GD->DrawTriangleList(1);
    EXPECT_EQ(RGB(15, 15), Shown ? 0xFFFFFFu : 0u);
  }
  GD->SetCullMode(cmNone);
  GD->SetTextureState(0, tsTexture);
}
