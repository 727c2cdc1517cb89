// The scene graph without drawing: scene files (every kind written back to the same bytes, the
// errors of damaged files), links by GUID, transforms, updates, cameras, the display list
// (inherited states, lights, skies, sorting) and ray tracing.
#include "HeadlessDevice.h"
#include "ModelTestUtils.h"
#include "SceneTestUtils.h"
#include "io/UGNativeFileSystem.h"
#include "resources/UGResourceLibrary.h"
#include "scene3d/UGModelAnimation.h"
#include "scene3d/UGSceneCamera.h"
#include "scene3d/UGSceneGraphic.h"
#include "scene3d/UGSceneImport.h"
#include "scene3d/UGSceneShapes.h"
#include "scene3d/UGSceneSky.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// Every kind of node with values that differ from the defaults. The camera's target comes
// after it in the file.
constexpr const char* CEveryKind =
    R"(<Scene Name="World" MaxVisibleDistance="500" MinVisibleDistance="0.5" DefaultViewPos="1 2 3" DefaultViewAngles="10 20 0" CameraSpeed="4">
  <Node Class="TGSceneLight" Name="Sun" Type="Spot" FalloffStart="2" Falloff="InverseSquare" OuterCone="60" InnerCone="30" LightColor="4294901760" AmbientColor="4278190335"/>
  <Node Class="TGSceneCamera" Name="Eye" Target="{0A1B2C3D-4E5F-4071-8293-A4B5C6D7E8F9}" FovType="Diagonal" Fov="60" Orthographic="True" MinVisibleDist="2" MaxVisibleDist="300">
    <Transform Position="-10 0 5" Angles="0 30 0"/>
  </Node>
  <Node Class="TGSceneLightScope" Name="Lamps" Color="2164260863" PolygonCullMode="Clockwise" RenderMode="Transparent" Enabled="False">
    <Transform Position="1 2 3" Scaling="2 2 2" RotationXYZ="0 0 0.70710677" RotationW="0.70710677"/>
    <Node Class="TGSceneShapeBox" Name="Crate" GUID="{0A1B2C3D-4E5F-4071-8293-A4B5C6D7E8F9}" Size="1 2 3" Visible="False" IgnoreLighting="True" InvertLighting="True"/>
    <Node Class="TGSceneShapeSphere" Name="Ball" Radius="2.5" RenderMode="Additive"/>
    <Node Class="TGSceneShapeCapsule" Name="Pill" Radius="1" Length="4" Detail="12"/>
    <Node Class="TGSceneShapeCylinder" Name="Can" RadiusTop="0" RadiusBottom="2" Length="3" Detail="16" PolygonCullMode="CounterClockwise"/>
  </Node>
  <Node Class="TGSceneSort" Name="Glass" Sort="False">
    <Node Class="TGSceneGraphic3D" Name="Model" Animation="Turn" Looped="True" TimeScale="2" TimeOffset="0.5"/>
    <Node Class="TGSceneGraphic2D" Name="Board" PivotX="0.5" PivotY="1" Alignment="VerticalOriented">
      <Node Class="TGSceneImportModelFrame" Name="Hand"/>
    </Node>
  </Node>
  <Node Class="TGSceneSky" Name="Sky" CameraOffset="0.25" DepthInterval="0.5" Affect="False"/>
  <Node Class="TGSceneNode" Name="Empty"/>
  <Node Class="TGSceneRoot" Name="Inner"/>
</Scene>)";

// A plate in the plane x = 0 facing -x (y and z from -1 to 1) in the frame "Arm", which the
// animation "Slide" moves from x 0 to x 10 in one second.
constexpr const char* CSlidingPlate = R"(<Model>
  <Frame Type="Frame" ParentFrame="-1" Name="Arm"/>
  <Frame Type="Mesh" ParentFrame="0" Name="Plate">
    <Material DiffuseColor="4294967295"/>
    <Vertices Format="18" Length="4">0;-1;-1;-1;0;0; 0;1;-1;-1;0;0; 0;1;1;-1;0;0; 0;-1;1;-1;0;0</Vertices>
    <Indices Length="6">0;1;2;0;2;3</Indices>
    <Part Material="0" FaceStart="0" FaceCount="2"/>
  </Frame>
  <ModelAnimation Name="Slide">
    <FrameAnimation Frame="0">
      <TranslationX><Term T="0" Value="0"/><Term T="1000" Value="10"/></TranslationX>
    </FrameAnimation>
  </ModelAnimation>
</Model>)";

std::string Wrap(const std::string& Nodes) {
  return "<Scene>" + Nodes + "</Scene>";
}

std::vector<std::string> Names(const TGSceneDisplayList& List) {
  std::vector<std::string> N;
  for (const TGSceneDisplayable* D = List.First; D; D = D->Next())
    N.push_back(D->Name());
  return N;
}

TGSceneDisplayList BuildList(TGSceneRoot& Scene, TGSceneContext& Context) {
  Scene.UpdateScene(0);
  return Scene.MakeDisplayList(Context, 0xFFFFFFFFu);
}

} // namespace

// --- Files ---------------------------------------------------------------------------------------

TEST(SceneFiles, EveryKindSavesAndLoadsToTheSameBytes) {
  auto Scene = LoadScene(CEveryKind);
  const std::string First = SceneXML(*Scene);
  auto Again = LoadScene(First);
  EXPECT_EQ(SceneXML(*Again), First);
  // Nothing was lost on the way.
  EXPECT_NE(First.find("Alignment=\"VerticalOriented\""), std::string::npos);
  EXPECT_NE(First.find("RotationW=\"0.707107\""), std::string::npos);
  EXPECT_NE(First.find("<Node Class=\"TGSceneRoot\" Name=\"Inner\"/>"), std::string::npos);
  EXPECT_NE(First.find("Class=\"TGSceneImportModelFrame\""), std::string::npos);
  EXPECT_EQ(Again->MaxVisibleDistance(), 500);
  EXPECT_EQ(Again->EditorOptions.CameraSpeed, 4);
  auto* Sun = ObjectCast<TGSceneLight>(Again->FindNode("Sun"));
  EXPECT_EQ(Sun->LightType(), ltSpot);
  EXPECT_EQ(Sun->Falloff(), lfInverseSquare);
  EXPECT_EQ(uint32_t(Sun->AmbientColor()), 0xFF0000FFu);
  auto* Eye = ObjectCast<TGSceneCamera>(Again->FindNode("Eye"));
  EXPECT_EQ(Eye->FovType(), fovDiag);
  EXPECT_TRUE(Eye->Orthographic());
  auto* Lamps = Again->FindNode("Lamps");
  EXPECT_FALSE(Lamps->Enabled());
  EXPECT_EQ(Lamps->RenderMode(), rmTransparent);
  EXPECT_EQ(Lamps->PolygonCullMode(), cmCW);
  EXPECT_FALSE(Lamps->Transform()->RotationInAngles());
  auto* Pill = ObjectCast<TGSceneShapeCapsule>(Again->FindNode("Pill"));
  EXPECT_EQ(Pill->Detail(), 12);
  EXPECT_EQ(ObjectCast<TGSceneSort>(Again->FindNode("Glass"))->Sort(), false);
  EXPECT_FALSE(ObjectCast<TGSceneSky>(Again->FindNode("Sky"))->Affect());
  EXPECT_EQ(Again->FindNode("Inner")->ClassType(), TGSceneRoot::StaticClass());
}

TEST(SceneFiles, DefaultsAreLeftOutAndKindsAreNamedWithoutRegardToCase) {
  auto Scene = LoadScene(Wrap(R"(<Node Class="tgsceneshapebox"/><Node Class="TGSceneLight"/>)"));
  EXPECT_EQ(Scene->Child(0)->ClassType(), TGSceneShapeBox::StaticClass());
  const std::string XML = SceneXML(*Scene);
  EXPECT_NE(XML.find("<Node Class=\"TGSceneShapeBox\"/>"), std::string::npos) << XML;
  EXPECT_NE(XML.find("<Node Class=\"TGSceneLight\"/>"), std::string::npos) << XML;
  auto* Light = ObjectCast<TGSceneLight>(Scene->Child(1));
  EXPECT_EQ(uint32_t(Light->LightColor()), 0xFFCCCCCCu);
  EXPECT_EQ(Light->OuterCone(), 90);
  EXPECT_EQ(ObjectCast<TGSceneShapeBox>(Scene->Child(0))->Size(), (TGVector{10, 10, 10}));
}

TEST(SceneFiles, DamagedFilesFailWithTheirMessagesAndLeaveTheSceneEmpty) {
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node Class="TGSceneTeapot"/>)")),
                    "Unknown scene node class: TGSceneTeapot");
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node/>)")), "Unknown scene node class: ");
  // Classes that are no registered node kinds are refused too.
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node Class="TGSceneShapeBase"/>)")),
                    "Unknown scene node class: TGSceneShapeBase");
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node Class="TGSceneNode" RenderMode="Glowing"/>)")),
                    "Unknown render mode string: [Glowing]");
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node Class="TGSceneNode" PolygonCullMode="Both"/>)")),
                    "Unknown cull mode string: [Both]");
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node Class="TGSceneLight" Falloff="Cubic"/>)")),
                    "Unknown light falloff string: [Cubic]");
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node Class="TGSceneLight" Type="Area"/>)")),
                    "Unknown light type string: [Area]");
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node Class="TGSceneCamera" FovType="Wide"/>)")),
                    "Unknown fov type string: [Wide]");
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node Class="TGSceneGraphic2D" Alignment="Up"/>)")),
                    "Unknown alignment type string: [Up]");
  EXPECT_ERROR_TEXT(
      LoadScene(
          Wrap(R"(<Node Class="TGSceneCamera" Target="{11111111-2222-4333-8444-555555555555}"/>)")),
      "Broken link in TGSceneCamera");
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node Class="TGSceneCamera" Target="nobody"/>)")),
                    "Invalid GUID in \"Target\": [nobody]");
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node Class="TGSceneShapeSphere" Radius="big"/>)")),
                    "Invalid number in \"Radius\": [big]");
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node Class="TGSceneShapeSphere" Radius="inf"/>)")),
                    "Invalid number in \"Radius\": [inf]");
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node Class="TGSceneShapeBox" Size="1 2"/>)")),
                    "Invalid vector in \"Size\": [1 2]");
  EXPECT_ERROR_TEXT(LoadScene(Wrap(R"(<Node Class="TGSceneNode" Enabled="Maybe"/>)")),
                    "Invalid boolean in \"Enabled\": [Maybe]");
  std::string Deep;
  for (int I = 0; I <= TGSceneNode::CMaxDepth; ++I)
    Deep += "<Node Class=\"TGSceneNode\">";
  for (int I = 0; I <= TGSceneNode::CMaxDepth; ++I)
    Deep += "</Node>";
  EXPECT_ERROR_TEXT(LoadScene(Wrap(Deep)), "Scene nodes are nested deeper than 200 levels");

  // A scene that fails to load keeps nothing of the file.
  auto Scene = LoadScene(Wrap(R"(<Node Class="TGSceneNode"/>)"));
  TGObjectPtr<TGXMLNode> Bad(new TGXMLNode("Scene"));
  Bad->LoadFromString(Wrap(R"(<Node Class="TGSceneNode"/><Node Class="TGSceneTeapot"/>)"));
  EXPECT_ANY_THROW(Scene->LoadFromXML(nullptr, Bad.get()));
  EXPECT_EQ(Scene->ChildCount(), 0);

  // Writing a mode that has no text fails the same way.
  Scene->SetRenderMode(rmCustom);
  EXPECT_ERROR_TEXT(SceneXML(*Scene), "Unknown render mode: 8");
}

TEST(SceneFiles, NodeKindsAreRegisteredInTheirOrder) {
  RegisterEngineClasses();
  const auto& R = TGSceneNode::ClassRegistry();
  ASSERT_EQ(R.size(), 14u);
  const char* Expected[] = {"Root",       "Generic node", "Light scope", "Light",   "Sort",
                            "Camera",     "Box",          "Sphere",      "Capsule", "Cylinder",
                            "3D Graphic", "2D Graphic",   "Bone import", "Sky"};
  for (size_t I = 0; I < R.size(); ++I)
    EXPECT_EQ(R[I].EditorName, Expected[I]);
  EXPECT_EQ(R[0].ClassRef, TGSceneRoot::StaticClass());
  EXPECT_EQ(R[12].ClassRef, TGSceneImportModelFrame::StaticClass());
  EXPECT_EQ(R[13].EditorIconIndex, 15);
  EXPECT_EQ(ResourceClass("Scenes\\Harbour.sce"), TGSceneRoot::StaticClass());
}

// --- Links ---------------------------------------------------------------------------------------

TEST(SceneLinks, AreResolvedAfterLoadingAndFollowCopies) {
  auto Scene = LoadScene(CEveryKind);
  auto* Eye = ObjectCast<TGSceneCamera>(Scene->FindNode("Eye"));
  TGSceneNode* Crate = Scene->FindNode("Crate");
  EXPECT_EQ(Eye->Target()->Ptr(), Crate);
  EXPECT_EQ(Scene->FindNodeByGUID(Crate->GUID()), Crate);

  // A copy links to its own nodes; the original keeps its links.
  TGObjectPtr<TGSceneRoot> Copy(Scene->CloneScene());
  auto* CopyEye = ObjectCast<TGSceneCamera>(Copy->FindNode("Eye"));
  EXPECT_EQ(CopyEye->Target()->Ptr(), Copy->FindNode("Crate"));
  EXPECT_EQ(Eye->Target()->Ptr(), Crate);
  EXPECT_EQ(SceneXML(*Copy), SceneXML(*Scene));

  // A camera copied on its own still looks at the original target.
  TGObjectPtr<TGSceneCamera> Lone(static_cast<TGSceneCamera*>(Eye->Clone(nullptr)));
  EXPECT_EQ(Lone->Target()->Ptr(), Crate);

  // A destroyed target is forgotten.
  Crate->Free();
  EXPECT_EQ(Eye->Target()->Ptr(), nullptr);
  EXPECT_FALSE(Eye->Target()->Assigned());
  EXPECT_EQ(Lone->Target()->Ptr(), nullptr);
  EXPECT_EQ(SceneXML(*Scene).find("Target="), std::string::npos);
}

TEST(SceneLinks, NodesLinkedInCodeGetAnIdentityThatFilesKeep) {
  TGObjectPtr<TGSceneRoot> Scene(new TGSceneRoot());
  auto* Eye = AddNode<TGSceneCamera>(Scene.get(), "Eye");
  auto* A = AddNode<TGSceneNode>(Scene.get(), "A");
  auto* B = AddNode<TGSceneNode>(Scene.get(), "B");
  EXPECT_FALSE(A->HasGUID());
  Eye->Target()->SetPtr(A);
  EXPECT_TRUE(A->HasGUID());
  Eye->Target()->SetPtr(B);
  EXPECT_FALSE(A->GUID() == B->GUID());
  auto Loaded = LoadScene(SceneXML(*Scene));
  EXPECT_EQ(ObjectCast<TGSceneCamera>(Loaded->FindNode("Eye"))->Target()->Ptr(),
            Loaded->FindNode("B"));
  const std::optional<TGGUID> G = TGGUID::Parse(B->GUID().ToString());
  ASSERT_TRUE(G);
  EXPECT_EQ(*G, B->GUID());
  EXPECT_FALSE(TGGUID::Parse("{0A1B2C3D-4E5F-4071-8293-A4B5C6D7E8F}"));
  EXPECT_TRUE(TGGUID::Parse("0a1b2c3d-4e5f-4071-8293-a4b5c6d7e8f9"));
}

// --- The tree and its transforms -----------------------------------------------------------------

TEST(SceneTree, ChildrenMoveBetweenParentsButNeverBelowThemselves) {
  TGObjectPtr<TGSceneRoot> Scene(new TGSceneRoot());
  auto* A = AddNode<TGSceneNode>(Scene.get(), "A");
  auto* B = AddNode<TGSceneNode>(A, "B");
  EXPECT_ERROR_TEXT(A->SetParent(B), "A scene node cannot be placed below itself");
  EXPECT_ERROR_TEXT(A->AddChild(A), "A scene node cannot be placed below itself");
  Scene->AddChild(B);
  EXPECT_EQ(A->ChildCount(), 0);
  EXPECT_EQ(Scene->ChildCount(), 2);
  EXPECT_EQ(B->Parent(), Scene.get());
  B->Free();
  EXPECT_EQ(Scene->ChildCount(), 1);
  EXPECT_EQ(Scene->FindNode("B"), nullptr);
}

TEST(SceneTransforms, AnglesAndQuaternionsMakeTheSameMatrix) {
  TGSceneTransformHelper T;
  T.SetAngles(TGAngles(0, 90, 0)); // a quarter turn clockwise seen from above
  T.SetPosition(TGVector{1, 2, 3});
  T.SetScaling(TGVector{2, 2, 2});
  EXPECT_TRUE(T.Update(MatIdentity, false));
  EXPECT_FALSE(T.Update(MatIdentity, false)); // nothing changed
  ExpectVecNear(Vec3TransformCoord(TGVector{1, 0, 0}, T.Matrix()), TGVector{1, 0, 3});
  const TGMatrix ByAngles = T.Matrix();
  const TGQuaternion Q = T.GetRotation();
  TGSceneTransformHelper U;
  U.SetRotation(Q);
  U.SetPosition(TGVector{1, 2, 3});
  U.SetScaling(TGVector{2, 2, 2});
  U.Update(MatIdentity, false);
  for (int R = 0; R < 4; ++R)
    for (int C = 0; C < 4; ++C)
      EXPECT_NEAR(U.Matrix().M[R][C], ByAngles.M[R][C], 1e-5f);
  EXPECT_NEAR(U.GetAngles().Yaw, 90, 1e-3f);
  EXPECT_FALSE(U.RotationInAngles());
  // A moved parent moves the world matrix without a change of the local one.
  EXPECT_TRUE(U.Update(MatTranslation(0, 0, 10), true));
  ExpectVecNear(U.Matrix().GetOrigin(), TGVector{1, 2, 13});
}

TEST(SceneUpdate, DisabledSubtreesStopAndCatchUpWhenEnabledAgain) {
  TGObjectPtr<TGSceneRoot> Scene(new TGSceneRoot());
  auto* Group = AddNodeAt<TGSceneNode>(Scene.get(), "Group", TGVector{0, 0, 0});
  auto* Plain = AddNode<TGSceneNode>(Group, "Plain"); // no transform: the group's matrix
  auto* Leaf = AddNodeAt<TGSceneNode>(Plain, "Leaf", TGVector{1, 0, 0});
  Scene->UpdateScene(0);
  ExpectVecNear(Leaf->GetWorldPosition(), TGVector{1, 0, 0});
  ExpectVecNear(Plain->GetWorldPosition(), TGVector{0, 0, 0});
  // The group moves: the change passes through the node without a transform.
  Group->GetTransform()->SetPosition(TGVector{0, 5, 0});
  Scene->UpdateScene(0);
  ExpectVecNear(Leaf->GetWorldPosition(), TGVector{1, 5, 0});
  // Disabled, the leaf's branch stays where it was while the group moves on.
  Plain->SetEnabled(false);
  Group->GetTransform()->SetPosition(TGVector{0, 9, 0});
  Scene->UpdateScene(0);
  ExpectVecNear(Leaf->GetWorldPosition(), TGVector{1, 5, 0});
  // Enabled again, it follows at once although the group did not move since.
  Plain->SetEnabled(true);
  Scene->UpdateScene(0);
  ExpectVecNear(Leaf->GetWorldPosition(), TGVector{1, 9, 0});
}

TEST(SceneCameras, FollowTheirTargetAndNeverGiveNaN) {
  TGObjectPtr<TGSceneRoot> Scene(new TGSceneRoot());
  auto* Eye = AddNodeAt<TGSceneCamera>(Scene.get(), "Eye", TGVector{0, 0, 0});
  auto* Ball = AddNodeAt<TGSceneShapeSphere>(Scene.get(), "Ball", TGVector{10, 0, 0});
  Eye->Target()->SetPtr(Ball);
  for (const auto& [EyeAt, BallAt] : {std::pair{TGVector{0, 0, 0}, TGVector{10, 0, 0}},
                                      {TGVector{3, 4, 1}, TGVector{-5, 2, 7}},
                                      {TGVector{1, 1, 1}, TGVector{1, 1, -9}},
                                      {TGVector{2, 2, 2}, TGVector{2, 2, 2}}}) {
    Eye->GetTransform()->SetPosition(EyeAt);
    Ball->GetTransform()->SetPosition(BallAt);
    Scene->UpdateScene(0);
    const TGMatrix V = Eye->CalcViewMatrix();
    for (int R = 0; R < 4; ++R)
      for (int C = 0; C < 4; ++C)
        ASSERT_TRUE(std::isfinite(V.M[R][C]));
    TGSceneContext C = TGSceneContext::FromView(V);
    ExpectVecNear(C.CameraPosition, EyeAt);
    if (!(EyeAt == BallAt)) // the camera looks at the ball: the ball lies on -z of the view
      ExpectVecNear(VecNormalize(BallAt - EyeAt), C.CameraDirection);
    else // a target on the camera itself: along the camera's x axis
      ExpectVecNear(C.CameraDirection, TGVector{1, 0, 0});
  }
  // Straight down: the view's up is the camera's own forward axis.
  Eye->GetTransform()->SetPosition(TGVector{1, 1, 1});
  Ball->GetTransform()->SetPosition(TGVector{1, 1, -9});
  Scene->UpdateScene(0);
  ExpectVecNear(TGSceneContext::FromView(Eye->CalcViewMatrix()).CameraUp, TGVector{1, 0, 0});

  // Projections: the field of view across the width, the height or the diagonal.
  Eye->SetFov(90);
  Eye->SetMinVisibleDist(1);
  const TGMatrix H = Eye->CalcProjectionMatrix(TGRect{0, 0, 200, 100});
  EXPECT_NEAR(H.M[0][0], 1, 1e-5f); // 2 near / width, width 2
  EXPECT_NEAR(H.M[1][1], 2, 1e-5f); // height 1
  Eye->SetFovType(fovVer);
  EXPECT_NEAR(Eye->CalcProjectionMatrix(TGRect{0, 0, 200, 100}).M[1][1], 1, 1e-5f);
  Eye->SetFovType(fovDiag);
  EXPECT_NEAR(Eye->CalcProjectionMatrix(TGRect{0, 0, 300, 400}).M[1][1], 2 / (2 * 0.8f), 1e-5f);
  Eye->SetOrthographic(true);
  Eye->SetFov(20);
  Eye->SetFovType(fovHor);
  EXPECT_NEAR(Eye->CalcProjectionMatrix(TGRect{0, 0, 200, 100}).M[0][0], 0.1f, 1e-6f);
  // A picture without area does not divide by zero.
  const TGMatrix Empty = Eye->CalcProjectionMatrix(TGRect{0, 0, 0, 0});
  EXPECT_TRUE(std::isfinite(Empty.M[0][0]) && std::isfinite(Empty.M[1][1]));
}

// --- Display list --------------------------------------------------------------------------------

TEST(SceneDisplayList, StatesAreInheritedAndDisabledSubtreesHidden) {
  auto Scene = LoadScene(Wrap(R"(
    <Node Class="TGSceneNode" Name="Glass" RenderMode="Transparent" Color="2164260863" PolygonCullMode="Clockwise">
      <Node Class="TGSceneShapeBox" Name="Inherits" Color="4294901760"/>
      <Node Class="TGSceneShapeBox" Name="Own" RenderMode="Solid" PolygonCullMode="None"/>
      <Node Class="TGSceneShapeBox" Name="Hidden" Visible="False">
        <Node Class="TGSceneShapeBox" Name="UnderHidden"/>
      </Node>
      <Node Class="TGSceneShapeBox" Name="Off" Enabled="False">
        <Node Class="TGSceneShapeBox" Name="UnderOff"/>
      </Node>
    </Node>)"));
  TGSceneContext C;
  const TGSceneDisplayList L = BuildList(*Scene, C);
  EXPECT_EQ(Names(L), (std::vector<std::string>{"Inherits", "Own", "UnderHidden"}));
  auto State = [&](const char* Name) {
    return ObjectCast<TGSceneDisplayable>(Scene->FindNode(Name))->State();
  };
  EXPECT_EQ(State("Inherits").RenderMode, rmTransparent);
  EXPECT_EQ(State("Inherits").PolygonCullMode, cmCW);
  EXPECT_EQ(uint32_t(State("Inherits").Color), 0x80FF0000u); // 0x80FFFFFF × 0xFFFF0000
  EXPECT_EQ(State("Own").RenderMode, rmSolid);
  EXPECT_EQ(State("Own").PolygonCullMode, cmNone);
  EXPECT_EQ(State("Own").RenderModeRec(), RenderModeTable[rmSolid]);
  EXPECT_EQ(State("Inherits").Lights, Scene.get()); // the root is the outermost scope
}

TEST(SceneDisplayList, SortGroupsDrawSolidFirstThenTransparentFarToNear) {
  auto Scene = LoadScene(Wrap(R"(
    <Node Class="TGSceneSort" Name="Group">
      <Node Class="TGSceneShapeBox" Name="NearGlass" RenderMode="Transparent"><Transform Position="2 0 0"/></Node>
      <Node Class="TGSceneShapeBox" Name="SolidA"><Transform Position="1 0 0"/></Node>
      <Node Class="TGSceneShapeBox" Name="FarGlass" RenderMode="Additive"><Transform Position="9 0 0"/></Node>
      <Node Class="TGSceneShapeBox" Name="SolidB" RenderMode="Alphatest"><Transform Position="50 0 0"/></Node>
    </Node>
    <Node Class="TGSceneShapeBox" Name="After"/>)"));
  TGSceneContext C; // the camera at the origin
  EXPECT_EQ(Names(BuildList(*Scene, C)),
            (std::vector<std::string>{"SolidA", "SolidB", "FarGlass", "NearGlass", "After"}));
  // Seen from the other side, the glasses change places; the solid ones keep theirs.
  C.CameraPosition = TGVector{20, 0, 0};
  EXPECT_EQ(Names(BuildList(*Scene, C)),
            (std::vector<std::string>{"SolidA", "SolidB", "NearGlass", "FarGlass", "After"}));
  // Without sorting the group keeps the file's order.
  ObjectCast<TGSceneSort>(Scene->FindNode("Group"))->SetSort(false);
  EXPECT_EQ(Names(BuildList(*Scene, C)),
            (std::vector<std::string>{"NearGlass", "SolidA", "FarGlass", "SolidB", "After"}));
}

TEST(SceneDisplayList, LightsJoinTheirScopesLastMetFirst) {
  auto Scene = LoadScene(Wrap(R"(
    <Node Class="TGSceneLight" Name="Sun"/>
    <Node Class="TGSceneLightScope" Name="Room">
      <Node Class="TGSceneLight" Name="Lamp1" Type="Point"><Transform Position="1 2 3"/></Node>
      <Node Class="TGSceneShapeBox" Name="Table"/>
      <Node Class="TGSceneShapeBox" Name="Dark" IgnoreLighting="True"/>
      <Node Class="TGSceneLight" Name="Lamp2" Type="Spot" Falloff="InverseLinear" FalloffStart="0.5" OuterCone="60" InnerCone="20"/>
      <Node Class="TGSceneLight" Name="Broken" Enabled="False"/>
    </Node>
    <Node Class="TGSceneShapeBox" Name="Yard"/>)"));
  TGSceneContext C;
  BuildList(*Scene, C);
  auto* Room = ObjectCast<TGSceneLightScope>(Scene->FindNode("Room"));
  auto* Table = ObjectCast<TGSceneDisplayable>(Scene->FindNode("Table"));
  EXPECT_EQ(Table->State().Lights, Room);
  EXPECT_EQ(ObjectCast<TGSceneDisplayable>(Scene->FindNode("Dark"))->State().Lights, nullptr);
  EXPECT_EQ(ObjectCast<TGSceneDisplayable>(Scene->FindNode("Yard"))->State().Lights, Scene.get());
  ASSERT_NE(Room->LightChain(), nullptr);
  EXPECT_EQ(Room->LightChain()->Name(), "Lamp2");
  EXPECT_EQ(Room->LightChain()->Next()->Name(), "Lamp1");
  EXPECT_EQ(Room->LightChain()->Next()->Next(), nullptr);
  EXPECT_EQ(Room->LightParent(), Scene.get());
  EXPECT_EQ(Scene->LightChain()->Name(), "Sun");

  // The device lights they give (a packed record: its fields are read by value).
  auto* Lamp1 = ObjectCast<TGSceneLight>(Scene->FindNode("Lamp1"));
  const TGLight P = Lamp1->DeviceLight();
  EXPECT_EQ(TGLightType(P.LightType), ltPoint);
  ExpectVecNear(TGVector(P.Position), TGVector{1, 2, 3});
  EXPECT_EQ(float(P.Range), 99999);
  EXPECT_EQ(float(P.Attenuation0), 1);
  EXPECT_EQ(uint32_t(P.Diffuse), 0xFFCCCCCCu);
  EXPECT_EQ(uint32_t(P.Ambient), 0xFF333333u);
  auto* Lamp2 = ObjectCast<TGSceneLight>(Scene->FindNode("Lamp2"));
  const TGLight S = Lamp2->DeviceLight();
  EXPECT_EQ(Lamp2->FalloffStart(), 1); // raised to 1
  EXPECT_NEAR(float(S.Range), 10, 1e-5f);
  EXPECT_EQ(float(S.Attenuation1), 1);
  EXPECT_NEAR(float(S.Phi), 60 * 3.14159265f / 180, 1e-5f);
  EXPECT_NEAR(float(S.Theta), 20 * 3.14159265f / 180, 1e-5f);
  ExpectVecNear(TGVector(S.Direction), TGVector{1, 0, 0});
  Lamp2->SetFalloff(lfInverseSquare);
  Lamp2->SetFalloffStart(4);
  EXPECT_NEAR(float(Lamp2->DeviceLight().Range), std::sqrt(40.0f), 1e-4f);
  EXPECT_NEAR(float(Lamp2->DeviceLight().Attenuation2), 0.25f, 1e-6f);
  const TGLight D = ObjectCast<TGSceneLight>(Scene->FindNode("Sun"))->DeviceLight();
  EXPECT_EQ(TGLightType(D.LightType), ltDirectional);
  ExpectVecNear(TGVector(D.Direction), TGVector{1, 0, 0});
}

TEST(SceneDisplayList, SkiesTakeTheFarEndOfTheDepthRange) {
  auto Scene = LoadScene(Wrap(R"(
    <Node Class="TGSceneSky" Name="Outer" DepthInterval="0.4">
      <Node Class="TGSceneShapeSphere" Name="Clouds"/>
      <Node Class="TGSceneSky" Name="Inner" DepthInterval="0.5" CameraOffset="0.5">
        <Node Class="TGSceneShapeSphere" Name="Stars"/>
      </Node>
    </Node>
    <Node Class="TGSceneSky" Name="Plain" Affect="False"><Node Class="TGSceneShapeBox" Name="Hut"/></Node>)"));
  TGSceneContext C;
  BuildList(*Scene, C);
  auto* Outer = ObjectCast<TGSceneSky>(Scene->FindNode("Outer"));
  auto* Inner = ObjectCast<TGSceneSky>(Scene->FindNode("Inner"));
  // The inner sky takes [0.5, 1]; the outer one, [0.6, 1] at first, is squeezed below 0.5.
  EXPECT_NEAR(Inner->CachedDepthMin(), 0.5f, 1e-6f);
  EXPECT_NEAR(Inner->CachedDepthMax(), 1, 1e-6f);
  EXPECT_NEAR(Outer->CachedDepthMax(), 0.5f, 1e-6f);
  EXPECT_NEAR(Outer->CachedDepthMin(), 0.3f, 1e-6f);
  EXPECT_NEAR(C.GlobalDepthMax, 0.3f, 1e-6f);
  EXPECT_EQ(ObjectCast<TGSceneDisplayable>(Scene->FindNode("Stars"))->State().PSky, Inner);
  EXPECT_EQ(ObjectCast<TGSceneDisplayable>(Scene->FindNode("Clouds"))->State().PSky, Outer);
  EXPECT_EQ(ObjectCast<TGSceneDisplayable>(Scene->FindNode("Hut"))->State().PSky, nullptr);
  Outer->SetDepthInterval(7);
  EXPECT_EQ(Outer->DepthInterval(), 1);

  // A sky's view follows the camera by its offset: none keeps it centred on the camera.
  C = TGSceneContext::FromView(MatLookAt(TGVector{10, 0, 0}, TGVector{20, 0, 0}, {0, 0, 1}));
  // (Seen from 10, the point 15 looks like 25 without offset, like 20 with half of it.)
  ExpectVecNear(Vec3TransformCoord(TGVector{15, 0, 0}, Outer->ViewMatrix(C)),
                Vec3TransformCoord(TGVector{25, 0, 0}, C.View));
  ExpectVecNear(Vec3TransformCoord(TGVector{15, 0, 0}, Inner->ViewMatrix(C)),
                Vec3TransformCoord(TGVector{20, 0, 0}, C.View));
}

// --- Ray tracing ---------------------------------------------------------------------------------

TEST(SceneTrace, TheNearestBoxOrSphereIsHitAndDisabledNodesAreSkipped) {
  auto Scene = LoadScene(Wrap(R"(
    <Node Class="TGSceneShapeBox" Name="FarBox" Size="2 2 2"><Transform Position="20 0 0"/></Node>
    <Node Class="TGSceneShapeSphere" Name="Ball" Radius="1"><Transform Position="10 0 0"/></Node>
    <Node Class="TGSceneNode" Name="Group"><Transform Position="5 0 0" Scaling="2 2 2"/>
      <Node Class="TGSceneShapeBox" Name="Near" Size="1 1 1"/>
    </Node>
    <Node Class="TGSceneSky" Name="Sky"><Node Class="TGSceneShapeBox" Name="Dome" Size="100 100 100"/></Node>
    <Node Class="TGSceneLight" Name="Light"/>)"));
  Scene->UpdateScene(0);
  TGVector P;
  TGVector N;
  const TGVector O{0, 0.1f, 0};
  const TGVector D{1, 0, 0};
  // The scaled box: its face at x = 5 - 2 × 0.5.
  TGSceneNode* Hit = Scene->TraceTree(O, D, P, N);
  ASSERT_NE(Hit, nullptr);
  EXPECT_EQ(Hit->Name(), "Near");
  ExpectVecNear(P, TGVector{4, 0.1f, 0});
  ExpectVecNear(N, TGVector{-1, 0, 0});
  Scene->FindNode("Group")->SetEnabled(false);
  Hit = Scene->TraceTree(O, D, P, N);
  ASSERT_NE(Hit, nullptr);
  EXPECT_EQ(Hit->Name(), "Ball");
  EXPECT_NEAR(P.X, 10 - std::sqrt(1 - 0.01f), 1e-4f);
  ExpectVecNear(N, TGVector{-1, 0, 0});
  ObjectCast<TGSceneDisplayable>(Scene->FindNode("Ball"))->SetVisible(false);
  EXPECT_EQ(Scene->TraceTree(O, D, P, N)->Name(), "FarBox");
  // Missing everything (the sky that affects is never hit, lights have no box).
  EXPECT_EQ(Scene->TraceTree(O, TGVector{0, 1, 0}, P, N), nullptr);
  // A sky that does not affect is an ordinary group.
  ObjectCast<TGSceneSky>(Scene->FindNode("Sky"))->SetAffect(false);
  EXPECT_EQ(Scene->TraceTree(O, TGVector{0, 1, 0}, P, N), nullptr); // from inside the dome
  EXPECT_EQ(Scene->TraceTree(TGVector{0, -80, 0}, TGVector{0, 1, 0}, P, N)->Name(), "Dome");
  // A box squeezed flat by its parent is not hit (and gives no NaN).
  Scene->FindNode("Group")->SetEnabled(true);
  Scene->FindNode("Group")->GetTransform()->SetScaling(TGVector{0, 2, 2});
  Scene->UpdateScene(0);
  EXPECT_EQ(Scene->TraceTree(O, D, P, N)->Name(), "FarBox");
}

TEST(SceneTrace, ShapeAndBillboardBoxes) {
  TGVector Min;
  TGVector Max;
  TGSceneShapeCapsule Capsule;
  Capsule.SetDetail(2);
  EXPECT_EQ(Capsule.Detail(), 4);
  Capsule.GetAvgBBox(Min, Max);
  ExpectVecNear(Max, TGVector{5, 5, 8});
  TGSceneShapeCylinder Cylinder;
  Cylinder.SetRadiusTop(7);
  Cylinder.GetAvgBBox(Min, Max);
  ExpectVecNear(Min, TGVector{-7, -7, -3});
  TGSceneShapeSphere Sphere;
  Sphere.SetLOD(5);
  EXPECT_EQ(Sphere.LOD(), 2);
  // A picture of 40 × 20 with its pivot at the bottom middle stands on the node, facing +x.
  TGObjectPtr<TGGraphic> Picture(new TGGraphic());
  Picture->SetExtent(TGVector{40, 20, 0});
  TGSceneGraphic2D Board;
  Board.SetPivotX(0.5f);
  Board.SetPivotY(1);
  Board.SetGraphic(Picture.get());
  Board.GetAvgBBox(Min, Max);
  ExpectVecNear(Min, TGVector{0, -20, 0});
  ExpectVecNear(Max, TGVector{0, 20, 20});
  Board.SetAlignment(alOriented);
  Board.GetAvgBBox(Min, Max);
  ExpectVecNear(Max, TGVector{20, 20, 20});
  Board.SetGraphic(nullptr);
  Board.GetAvgBBox(Min, Max);
  ExpectVecNear(Max, VecZero);
}

// --- Graphics in scenes --------------------------------------------------------------------------

TEST(SceneGraphics, ModelsPlayTheirAnimationAndAreHitByTheirFaces) {
  auto Model = LoadModel(CSlidingPlate);
  TGObjectPtr<TGSceneRoot> Scene(new TGSceneRoot());
  auto* G = AddNodeAt<TGSceneGraphic3D>(Scene.get(), "Slider", TGVector{0, 0, 0});
  G->SetAnimation("Slide");
  G->SetLooped(true);
  G->SetTimeOffset(0.25f);
  G->SetGraphic(Model.get());
  auto* Hand = AddNode<TGSceneImportModelFrame>(G, "Arm");
  auto* Held = AddNodeAt<TGSceneShapeBox>(Hand, "Held", TGVector{0, 0, 5});
  Held->SetSize(TGVector{0.1f, 0.1f, 0.1f});
  TGCustomModelAnimation* A = G->ModelInstance()->CurrentAnimation();
  ASSERT_NE(A, nullptr);
  EXPECT_EQ(A->ElapsedTime(), 250);
  ExpectVecNear(G->ModelMins(), TGVector{2.5f, -1, -1});
  ExpectVecNear(G->ModelMaxs(), TGVector{2.5f, 1, 1});
  G->SetTimeScale(2);
  Scene->UpdateScene(0.25f); // 500 ms more
  EXPECT_EQ(A->ElapsedTime(), 750);
  ExpectVecNear(Held->GetWorldPosition(), TGVector{7.5f, 0, 5});
  // The plate is hit where the animation put it.
  TGVector P;
  TGVector N;
  EXPECT_EQ(Scene->TraceTree(TGVector{0, 0.5f, 0.5f}, TGVector{1, 0, 0}, P, N), G);
  ExpectVecNear(P, TGVector{7.5f, 0.5f, 0.5f});
  ExpectVecNear(N, TGVector{-1, 0, 0});
  // Looped, the time wraps once at the end.
  Scene->UpdateScene(0.25f);
  EXPECT_EQ(A->ElapsedTime(), 250);
  G->SetLooped(false);
  Scene->UpdateScene(0.5f);
  EXPECT_EQ(A->ElapsedTime(), 1250);
  ExpectVecNear(Held->GetWorldPosition(), TGVector{10, 0, 5});
  // An animation the model does not have plays nothing.
  G->SetAnimation("Dance");
  EXPECT_EQ(G->ModelInstance()->CurrentAnimation(), nullptr);
  // A copy has an instance of its own; a graphic that goes away takes the instance with it.
  TGObjectPtr<TGSceneRoot> Copy(Scene->CloneScene());
  auto* CopyG = ObjectCast<TGSceneGraphic3D>(Copy->FindNode("Slider"));
  EXPECT_NE(CopyG->Instance(), G->Instance());
  EXPECT_EQ(Model->RefCount(), 2);
  Model.reset();
  EXPECT_EQ(G->Instance(), nullptr);
  EXPECT_EQ(CopyG->Graphic(), nullptr);
  Scene->UpdateScene(0.1f);
  EXPECT_EQ(ObjectCast<TGSceneImportModelFrame>(Scene->FindNode("Arm"))->CachedModelFrame(),
            nullptr);
}

// The demo scene loads through the library with its models and pictures, its cameras look at
// their targets, and it is written back to the same bytes.
TEST(SceneFiles, TheDemoSceneLoadsWithItsResources) {
  RegisterEngineClasses();
  TGObjectPtr<TGResourceLibrary> Library(new TGResourceLibrary(nullptr, true, true));
  Library->Load(new TGNativeFileSystem(nullptr, HOE_CONTENT), nullptr, rdtCommon, 0);
  auto* Scene = ObjectCast<TGSceneRoot>(Library->GetResource("Models\\Harbour.sce"));
  auto* Tower = ObjectCast<TGSceneGraphic3D>(Scene->FindNode("Tower"));
  ASSERT_NE(Tower->ModelInstance(), nullptr);
  EXPECT_EQ(Tower->Graphic()->URL(), "Models\\Tower.x");
  EXPECT_NE(Tower->ModelInstance()->CurrentAnimation(), nullptr);
  EXPECT_NE(ObjectCast<TGSceneGraphic2D>(Scene->FindNode("Lantern"))->Instance(), nullptr);
  EXPECT_EQ(ObjectCast<TGSceneCamera>(Scene->FindNode("Wide"))->Target()->Ptr(),
            Scene->FindNode("TowerTop"));
  EXPECT_EQ(ObjectCast<TGSceneCamera>(Scene->FindNode("Close"))->Target()->Ptr(),
            Scene->FindNode("Crate2"));
  Scene->UpdateScene(0.5f);
  EXPECT_NE(ObjectCast<TGSceneImportModelFrame>(Scene->FindNode("Lamp"))->CachedModelFrame(),
            nullptr);
  const std::string First = SceneXML(*Scene);
  EXPECT_EQ(SceneXML(*LoadScene(First, Library.get())), First);
}
