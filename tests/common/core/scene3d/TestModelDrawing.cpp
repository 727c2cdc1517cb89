// Models drawn on the headless device: frames place their meshes, the tint colours unlit
// meshes, lit meshes show their material, and a skinned mesh draws its skinned vertices.
#include "HeadlessDevice.h"
#include "ModelTestUtils.h"
#include "graphics/UGGraphicsDevice.h"
#include "scene3d/UGMesh.h"
#include "scene3d/UGMeshMaterial.h"

#include <gtest/gtest.h>

namespace {

// A square of half-size 0.25 about (0, 0) at z 0.5 facing -z, in a mesh below the frame
// "Holder"; identity view and projection make object space the clip space.
constexpr const char* CSquare = R"(<Model>
  <Frame Type="Frame" ParentFrame="-1" Name="Holder"/>
  <Frame Type="Mesh" ParentFrame="0" Name="Square">
    <Material DiffuseColor="4278255360" AmbientColor="0"/>
    <Vertices Format="18" Length="4">-0.25;-0.25;0.5;0;0;-1; 0.25;-0.25;0.5;0;0;-1;
      0.25;0.25;0.5;0;0;-1; -0.25;0.25;0.5;0;0;-1</Vertices>
    <Indices Length="6">0;1;2;0;2;3</Indices>
    <Part Material="0" FaceStart="0" FaceCount="2"/>
  </Frame>
</Model>)";

class ModelDrawing : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    GD->SetMatrixByType(mProjection, MatIdentity);
    GD->SetMatrixByType(mView, MatIdentity);
    GD->SetMatrixByType(mWorld, MatIdentity);
  }
  uint32_t RGB(int X, int Y) { return uint32_t(PixelAt(X, Y)) & 0xFFFFFF; }
};

} // namespace

TEST_F(ModelDrawing, FramesPlaceTheMeshAndTheTintColoursIt) {
  auto M = LoadModel(CSquare);
  TGFrame* Holder = M->Frames()->GetItem(0);
  Holder->SetFrameMatrix(MatTranslation(-0.5f, 0, 0));
  GD->SetMaterialDiffuse(0xFFFF0000u);
  const int32_t Polys = GD->PolyCount();
  M->Draw();
  EXPECT_EQ(GD->PolyCount() - Polys, 2);
  EXPECT_EQ(GD->StateStackSize(), 0);
  EXPECT_EQ(GD->GetMatrixByType(mWorld), MatIdentity);
  EXPECT_EQ(GD->VertexBuffer(), nullptr);
  // The square spans x -0.75..-0.25 (columns 8..24) and y -0.25..0.25 (rows 18..30).
  EXPECT_EQ(RGB(16, 24), 0xFF0000u);
  EXPECT_EQ(RGB(48, 24), 0u);
  EXPECT_EQ(RGB(16, 14), 0u);
  // Moving the parent moves the mesh at the next draw; the world matrix in force applies too.
  Holder->SetFrameMatrix(MatTranslation(0.5f, 0, 0));
  GD->Erase(0xFF000000u);
  GD->SetMatrixByType(mWorld, MatTranslation(0, 0.5f, 0));
  M->Draw();
  EXPECT_EQ(RGB(48, 12), 0xFF0000u);
  EXPECT_EQ(RGB(48, 24), 0u);
  EXPECT_EQ(RGB(16, 24), 0u);
  // An invisible mesh draws nothing.
  M->GetMesh("Square")->Visible = false;
  GD->Erase(0xFF000000u);
  M->Draw();
  EXPECT_EQ(RGB(48, 12), 0u);
}

TEST_F(ModelDrawing, LitMeshesShowTheirMaterial) {
  auto M = LoadModel(CSquare);
  TGLight Light;
  Light.LightType = ltDirectional;
  Light.Diffuse = 0xFFFFFFFFu;
  Light.Direction = TGVector{0, 0, 1};
  GD->SetLight(0, Light);
  GD->SetLightEnable(0, true);
  GD->SetLighting(true);
  GD->SetMaterialDiffuse(0xFFFFFFFFu);
  M->Draw();
  const TGColor P = PixelAt(32, 24);
  EXPECT_GT(P.G, 240);
  EXPECT_LT(P.R, 16);
  EXPECT_LT(P.B, 16);
  // A tint multiplies the material: half green.
  GD->Erase(0xFF000000u);
  GD->SetMaterialDiffuse(0xFF808080u);
  M->Draw();
  EXPECT_NEAR(PixelAt(32, 24).G, 128, 4);
  EXPECT_FALSE(GD->SpecularEnable());
}

TEST_F(ModelDrawing, SkinnedMeshesDrawTheirSkinnedVertices) {
  auto M = LoadModel(std::string(CSquare).insert(
      std::string(CSquare).find("</Frame>\n</Model>"),
      "<Bone Frame=\"0\"><Vertices Length=\"4\">0;1;1;1;2;1;3;1</Vertices></Bone>"));
  GD->SetMaterialDiffuse(0xFF0000FFu);
  // Nothing is drawn before the first skinning.
  M->Draw();
  EXPECT_EQ(RGB(32, 24), 0u);
  // The bone follows the holder; the mesh frame (below the holder) moves with it as well, so
  // the skinned square stays put in mesh space and lands where the holder puts the mesh.
  M->Frames()->GetItem(0)->SetFrameMatrix(MatTranslation(0.5f, 0, 0));
  M->Update(0);
  M->Draw();
  EXPECT_EQ(RGB(48, 24), 0x0000FFu);
  EXPECT_EQ(RGB(32, 24), 0u);
}
