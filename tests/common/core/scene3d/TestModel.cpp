// Models in their own forms: frames and their matrices, the XML and binary forms, skinning,
// frame animations, copies, geometry queries and the checks that keep damaged files out.
#include "HeadlessDevice.h"
#include "ModelTestUtils.h"
#include "TempDir.h"
#include "animation/UGVarSeq.h"
#include "app/UGClassTables.h"
#include "drawables/UGSprite.h"
#include "graphics/UGManagedTexture.h"
#include "graphics/UGVertexBuffer.h"
#include "io/UGFileUtils.h"
#include "io/UGNativeFileSystem.h"
#include "io/UGReader.h"
#include "io/UGWriter.h"
#include "resources/UGResourceLibrary.h"
#include "scene3d/UGAlignedStorage.h"
#include "scene3d/UGMesh.h"
#include "scene3d/UGMeshMaterial.h"
#include "scene3d/UGModelAnimation.h"
#include "scene3d/UGQuaternionEnv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

namespace {

void ExpectVecNear(const TGVector& A, const TGVector& B, float Tolerance = 1e-4f) {
  EXPECT_NEAR(A.X, B.X, Tolerance);
  EXPECT_NEAR(A.Y, B.Y, Tolerance);
  EXPECT_NEAR(A.Z, B.Z, Tolerance);
}

TGFrame* AddFrame(TGModel& M, const char* Name, int32_t Parent, const TGMatrix& Matrix) {
  auto* F = new TGFrame(M.Frames());
  M.Frames()->Add(F);
  F->SetName(Name);
  F->SetParentIndex(Parent);
  F->SetFrameMatrix(Matrix);
  return F;
}

// A mesh of position-only vertices without faces.
TGMesh* AddPointMesh(TGModel& M, int32_t Parent, const std::vector<TGVector>& Points) {
  auto* Mesh = new TGMesh(M.Frames());
  M.Frames()->Add(Mesh);
  Mesh->SetName("Points");
  Mesh->SetParentIndex(Parent);
  Mesh->SetGeometry(CFVFXYZ, static_cast<int32_t>(Points.size()), Points.data(), {});
  return Mesh;
}

TGMeshBone* AddBone(TGMesh* Mesh, int32_t Frame, std::vector<int32_t> Vertices,
                    std::vector<float> Weights, const TGMatrix& Initial = MatIdentity) {
  auto* B = new TGMeshBone(Mesh->Bones());
  Mesh->Bones()->Add(B);
  B->FrameIndex = Frame;
  B->Vertices = std::move(Vertices);
  B->Weights = std::move(Weights);
  B->InitialMatrix = Initial;
  return B;
}

// A model XML with one mesh frame whose body (materials, vertices, parts...) is Body.
std::string MeshXML(const std::string& Body, const std::string& Frames = "") {
  return "<Model>" + Frames + "<Frame Type='Mesh' ParentFrame='-1' Name='M'>" + Body +
         "</Frame></Model>";
}

constexpr const char* CTriangle = "<Material DiffuseColor='4294901760'/>"
                                  "<Vertices Format='2' Length='3'>0;0;0; 1;0;0; 0;1;0</Vertices>"
                                  "<Indices Length='3'>0;1;2</Indices>";

} // namespace

// Frames -----------------------------------------------------------------------------------------

TEST(ModelFrames, ModelMatricesFollowTheHierarchyAndEveryChange) {
  TGObjectPtr<TGModel> M(new TGModel());
  TGFrame* Root = AddFrame(*M, "Root", -1, MatTranslation(1, 0, 0));
  TGFrame* Child = AddFrame(*M, "Child", 0, MatScaling(2, 2, 2));
  TGFrame* Grandchild = AddFrame(*M, "Grandchild", 1, MatTranslation(0, 1, 0));
  // Row vectors: the frame's own transform first, then its parent's.
  ExpectVecNear(Vec3TransformCoord(VecZero, Grandchild->GetModelMatrix()), {1, 2, 0});
  // Moving the root moves every descendant at once.
  Root->SetFrameMatrix(MatTranslation(0, 0, 5));
  ExpectVecNear(Vec3TransformCoord(VecZero, Grandchild->GetModelMatrix()), {0, 2, 5});
  Child->SetFrameMatrix(MatIdentity);
  ExpectVecNear(Vec3TransformCoord(VecZero, Grandchild->GetModelMatrix()), {0, 1, 5});
  EXPECT_EQ(M->Frames()->Find("Child", false), Child);
  EXPECT_EQ(M->Frames()->Find("Nope", false), nullptr);
  EXPECT_ERROR_TEXT(M->Frames()->Find("Nope", true), "Unknown frame: \"Nope\"");
  EXPECT_ERROR_TEXT(M->GetMesh("Nope"), "Unknown frame: \"Nope\"");
  EXPECT_ERROR_TEXT(M->Animations()->Find("Walk", true), "Unknown model animation: \"Walk\"");
}

TEST(ModelFrames, BadParentsAndCyclesAreLoadErrorsNotEndlessWalks) {
  EXPECT_ERROR_TEXT(LoadModel("<Model><Frame Type='Frame' ParentFrame='1' Name='A'/>"
                              "<Frame Type='Frame' ParentFrame='0' Name='B'/></Model>"),
                    "Frame 0 (\"A\") is its own ancestor");
  EXPECT_ERROR_TEXT(LoadModel("<Model><Frame Type='Frame' ParentFrame='0' Name='A'/></Model>"),
                    "Frame 0 (\"A\") is its own ancestor");
  EXPECT_ERROR_TEXT(LoadModel("<Model><Frame Type='Frame' ParentFrame='7' Name='A'/></Model>"),
                    "Frame 0 (\"A\") has no parent frame 7");
  // A cycle made at run time fails when the matrices are asked for.
  TGObjectPtr<TGModel> M(new TGModel());
  AddFrame(*M, "A", 1, MatIdentity);
  TGFrame* B = AddFrame(*M, "B", 0, MatIdentity);
  EXPECT_ERROR_TEXT(B->GetModelMatrix(), "Frame \"B\" is its own ancestor");
}

TEST(ModelFrames, XMLFormOfTheFrames) {
  EXPECT_ERROR_TEXT(LoadModel("<Model><Frame Type='Bone' ParentFrame='-1'/></Model>"),
                    "An error occured");
  EXPECT_ERROR_TEXT(LoadModel("<Model><Frame Type='Frame' ParentFrame='-1'><Matrix/><Matrix/>"
                              "</Frame></Model>"),
                    "An error occured");
  TGObjectPtr<TGModel> M(new TGModel());
  AddFrame(*M, "Top", -1, MatTranslation(1.5f, -0.25f, 0));
  TGObjectPtr<TGXMLNode> Node(M->Frames()->GetItem(0)->SaveToXML(0));
  EXPECT_EQ(Node->GetStrAttr("Type"), "Frame");
  EXPECT_EQ(Node->GetIntAttr("Idx"), 0);
  EXPECT_EQ(Node->GetChilds("Matrix")->GetItem(0)->Text(),
            " 01.0000; 00.0000; 00.0000; 00.0000;\r\n"
            " 00.0000; 01.0000; 00.0000; 00.0000;\r\n"
            " 00.0000; 00.0000; 01.0000; 00.0000;\r\n"
            " 01.5000;-00.2500; 00.0000; 01.0000\r\n");
  // Without a matrix a frame has the identity.
  auto Loaded = LoadModel("<Model><Frame Type='Frame' ParentFrame='-1'/></Model>");
  EXPECT_EQ(Loaded->Frames()->GetItem(0)->FrameMatrix(), MatIdentity);
  EXPECT_EQ(MatrixFromXMLText(MatrixToXMLText(MatTranslation(1.5f, -0.25f, 0))),
            MatTranslation(1.5f, -0.25f, 0));
  EXPECT_THROW(MatrixFromXMLText("1;2;3"), EGException);
}

// Meshes -----------------------------------------------------------------------------------------

TEST(ModelMeshes, OptimizeSortsPartsAndRewritesTheFaces) {
  TGObjectPtr<TGModel> M(new TGModel());
  auto* Mesh = new TGMesh(M->Frames());
  M->Frames()->Add(Mesh);
  std::vector<TGVector> Points(3);
  // Five faces, each naming vertex F twice, in material runs 1 1 0 1 0.
  std::vector<uint16_t> Faces;
  for (uint16_t F = 0; F < 5; ++F)
    Faces.insert(Faces.end(), {uint16_t(F % 3), 0, 1});
  Mesh->SetGeometry(CFVFXYZ, 3, Points.data(), Faces);
  int Start = 0;
  for (auto [Material, Count] : {std::pair{1, 2}, {0, 1}, {1, 1}, {0, 1}}) {
    auto* P = new TGMeshPart(Mesh->Parts());
    Mesh->Parts()->Add(P);
    P->MaterialIndex = Material;
    P->FaceStart = static_cast<uint32_t>(Start);
    P->FaceCount = static_cast<uint32_t>(Count);
    Start += Count;
  }
  Mesh->Optimize();
  ASSERT_EQ(Mesh->Parts()->GetCount(), 2);
  EXPECT_EQ(Mesh->Parts()->GetItem(0)->MaterialIndex, 0);
  EXPECT_EQ(Mesh->Parts()->GetItem(0)->FaceStart, 0u);
  EXPECT_EQ(Mesh->Parts()->GetItem(0)->FaceCount, 2u);
  EXPECT_EQ(Mesh->Parts()->GetItem(1)->MaterialIndex, 1);
  EXPECT_EQ(Mesh->Parts()->GetItem(1)->FaceStart, 2u);
  EXPECT_EQ(Mesh->Parts()->GetItem(1)->FaceCount, 3u);
  // Material 0 had faces 2 and 4, material 1 faces 0, 1 and 3.
  std::vector<int> Order;
  for (int F = 0; F < 5; ++F)
    Order.push_back(Mesh->Indices()[F * 3]);
  EXPECT_EQ(Order, (std::vector<int>{2, 1, 0, 1, 0}));
}

TEST(ModelMeshes, XMLFormReadsWhatItWrites) {
  auto M = LoadModel(MeshXML(std::string(CTriangle) +
                             "<Material Texture='Wood.png' SpecularPower='4'/>"
                             "<Part Material='1' FaceStart='0' FaceCount='1'/>"));
  TGMesh* Mesh = M->GetMesh("M");
  EXPECT_EQ(Mesh->VertexCount(), 3);
  EXPECT_EQ(Mesh->FaceCount(), 1);
  EXPECT_EQ(Mesh->Materials()->GetItem(1)->Name(), "Wood.png");
  EXPECT_EQ(Mesh->Materials()->GetItem(1)->Material.Power, 4);
  EXPECT_EQ(uint32_t(Mesh->Materials()->GetItem(0)->Material.Diffuse), 0xFFFF0000u);
  ExpectVecNear(Mesh->Position(1), {1, 0, 0});
  const std::string XML = ModelXML(*M);
  EXPECT_EQ(ModelXML(*LoadModel(XML)), XML);

  // Every vertex component of the format: position, normal, colour, two coordinate pairs.
  auto Full = LoadModel(MeshXML("<Vertices Format='594' Length='1'>1;2;3; 0;0;1; 4278255360; "
                                "0.25;0.5; 0.75;1</Vertices>"));
  TGMesh* F = Full->GetMesh("M");
  EXPECT_EQ(TGMesh::FormatStride(F->VertexFormat()), 44);
  EXPECT_EQ(ModelXML(*LoadModel(ModelXML(*Full))), ModelXML(*Full));
}

TEST(ModelMeshes, DamagedMeshesFailWithTheirReason) {
  EXPECT_ERROR_TEXT(LoadModel(MeshXML("<Vertices Format='2' Length='2'>0;0;0</Vertices>")),
                    "Mesh \"M\": 3 vertex values for 2 vertices");
  EXPECT_ERROR_TEXT(LoadModel(MeshXML("<Vertices Format='2' Length='-1'/>")),
                    "Mesh \"M\": -1 vertices, at most 65536 fit 16-bit indices");
  EXPECT_ERROR_TEXT(LoadModel(MeshXML("<Vertices Format='4' Length='0'/>")),
                    "Mesh \"M\": unsupported vertex format 4");
  EXPECT_ERROR_TEXT(
      LoadModel(MeshXML("<Vertices Format='2' Length='3'>0;0;0; 1;0;0; 0;1;0</Vertices>"
                        "<Indices Length='3'>0;1;9</Indices>")),
      "Mesh \"M\": face 0 names vertex 9 of 3");
  EXPECT_ERROR_TEXT(LoadModel(MeshXML(std::string(CTriangle) +
                                      "<Part Material='3' FaceStart='0' FaceCount='1'/>")),
                    "Mesh \"M\": part 0 uses material 3 of 1");
  EXPECT_ERROR_TEXT(LoadModel(MeshXML(std::string(CTriangle) +
                                      "<Part Material='0' FaceStart='1' FaceCount='1'/>")),
                    "Mesh \"M\": part 0 covers faces 1 to 2 of 1");
  EXPECT_ERROR_TEXT(LoadModel(MeshXML(std::string(CTriangle) + "<Bone Frame='4'/>")),
                    "Mesh \"M\": bone 0 follows frame 4 of 1");
  EXPECT_ERROR_TEXT(
      LoadModel(MeshXML(std::string(CTriangle) +
                        "<Bone Frame='0'><Vertices Length='1'>5;1</Vertices></Bone>")),
      "Mesh \"M\": bone 0 moves vertex 5 of 3");
  // Numbers no form can write back are damage too.
  EXPECT_ERROR_TEXT(LoadModel(MeshXML("<Vertices Format='2' Length='1'>0;1e39;0</Vertices>")),
                    "Mesh \"M\": vertex 0 holds a number that is not finite");
  // A failed load leaves the model empty.
  TGObjectPtr<TGModel> M(new TGModel());
  TGMemoryStream Bad(MeshXML("<Vertices Format='2' Length='2'/>"));
  EXPECT_THROW(M->LoadFromStream(Bad, nullptr), EGException);
  EXPECT_EQ(M->Frames()->GetCount(), 0);
}

// Skinning ---------------------------------------------------------------------------------------

TEST(ModelSkinning, TwoBonesAtHalfWeightMeetHalfway) {
  TGObjectPtr<TGModel> M(new TGModel());
  TGFrame* A = AddFrame(*M, "A", -1, MatIdentity);
  TGFrame* B = AddFrame(*M, "B", -1, MatIdentity);
  // The mesh frame itself is moved: skinned vertices stay in mesh space.
  AddFrame(*M, "MeshHolder", -1, MatTranslation(10, 0, 0));
  TGMesh* Mesh = AddPointMesh(*M, 2, {{1, 0, 0}, {3, 3, 3}, {0, 0, 1}});
  AddBone(Mesh, 0, {0, 2}, {0.5f, 1});
  AddBone(Mesh, 1, {0}, {0.5f});
  M->FinishLoading();
  A->SetFrameMatrix(MatTranslation(0, 2, 0));
  B->SetFrameMatrix(MatTranslation(0, 0, 4));
  EXPECT_EQ(Mesh->TransformedVB(), nullptr); // nothing skinned before the first update
  M->Update(0);
  // In mesh space: halfway between the two bone transforms, less the mesh frame's own move.
  ExpectVecNear(Mesh->CurrentPosition(0), TGVector{1, 1, 2} - TGVector{10, 0, 0});
  ExpectVecNear(Mesh->CurrentPosition(1), {3, 3, 3}); // no bone: where the source has it
  ExpectVecNear(Mesh->CurrentPosition(2), TGVector{0, 2, 1} - TGVector{10, 0, 0});
  ExpectVecNear(Mesh->Position(0), {1, 0, 0}); // the source stays
  TGVector Min;
  TGVector Max;
  ASSERT_TRUE(M->CalcBBox(Min, Max));
  ExpectVecNear(Min, {0, 1, 1});
  ExpectVecNear(Max, {13, 3, 3});

  // Offset matrices take mesh space into the bone's space first.
  TGObjectPtr<TGModel> N(new TGModel());
  TGFrame* Elbow = AddFrame(*N, "Elbow", -1, MatTranslation(2, 0, 0));
  TGMesh* Arm = AddPointMesh(*N, -1, {{3, 0, 0}});
  AddBone(Arm, 0, {0}, {1}, MatTranslation(-2, 0, 0));
  N->FinishLoading();
  N->Update(0);
  ExpectVecNear(Arm->CurrentPosition(0), {3, 0, 0});
  Elbow->SetFrameMatrix(MatRotationZ(1.5707963f) * MatTranslation(2, 0, 0));
  N->Update(0);
  ExpectVecNear(Arm->CurrentPosition(0), {2, 1, 0});

  // Normals keep their source direction unless skinning is asked to turn them too.
  const float Lit[6] = {3, 0, 0, 1, 0, 0};
  Arm->SetGeometry(CFVFXYZ | CFVFNormal, 1, Lit, {});
  auto Normal = [&] {
    TGVector V;
    std::memcpy(&V, Arm->TransformedVB()->ClientData() + 12, sizeof(V));
    return V;
  };
  N->Update(0);
  ExpectVecNear(Normal(), {1, 0, 0});
  GCalcSkinNormals = true;
  N->Update(0);
  GCalcSkinNormals = false;
  ExpectVecNear(Normal(), {0, 1, 0});
  ExpectVecNear(Arm->CurrentPosition(0), {2, 1, 0});
}

TEST(ModelSkinning, AtMostSixBonesPerVertex) {
  TGObjectPtr<TGModel> M(new TGModel());
  AddFrame(*M, "A", -1, MatIdentity);
  TGMesh* Mesh = AddPointMesh(*M, -1, {{0, 0, 0}, {1, 1, 1}});
  for (int B = 0; B < 6; ++B)
    AddBone(Mesh, 0, {0}, {1.0f / 6});
  M->FinishLoading();
  AddBone(Mesh, 0, {0, 1}, {0, 1});
  EXPECT_ERROR_TEXT(M->FinishLoading(), "Too many bones per vertex");
  // And from a file.
  std::string Bones;
  for (int B = 0; B < 7; ++B)
    Bones += "<Bone Frame='0'><Vertices Length='1'>2;0.1</Vertices></Bone>";
  EXPECT_ERROR_TEXT(LoadModel(MeshXML(std::string(CTriangle) + Bones)),
                    "Too many bones per vertex");
}

// Animations -------------------------------------------------------------------------------------

TEST(ModelAnimations, RotationKeysBlendOnTheShorterArc) {
  TGQuaternionEnv Env;
  EXPECT_EQ(Env.Value(100), QuatIdentity);
  const TGQuaternion Quarter = QuaternionRotationAxis({0, 0, 1}, 1.5707963f);
  Env.SetValue(1000, Quarter);
  Env.SetValue(0, QuatIdentity);
  EXPECT_EQ(Env.TimeMarkers(), (std::vector<int32_t>{0, 1000}));
  const TGQuaternion Eighth = QuaternionRotationAxis({0, 0, 1}, 0.78539816f);
  const TGQuaternion Q = Env.Value(500);
  EXPECT_NEAR(Q.Z, Eighth.Z, 1e-5f);
  EXPECT_NEAR(Q.W, Eighth.W, 1e-5f);
  EXPECT_EQ(Env.Value(-1), QuatIdentity);
  EXPECT_EQ(Env.Value(5000), Quarter);
  // The same end rotation stored as its negative: still the eighth turn, not the long way round.
  Env.SetValue(1000, TGQuaternion{-Quarter.X, -Quarter.Y, -Quarter.Z, -Quarter.W});
  const TGVector Turned = QuatRotateVector(Env.Value(500), {1, 0, 0});
  ExpectVecNear(Turned, {0.70710678f, 0.70710678f, 0});

  // Its XML form.
  TGObjectPtr<TGXMLNode> Node(Env.SaveToXML());
  EXPECT_EQ(Node->Name(), "Rotation");
  EXPECT_EQ(Node->GetChilds("Term")->GetItem(1)->GetStrAttr("Value"),
            "[-0.000; -0.000; -0.707; -0.707]");
  TGQuaternionEnv Back;
  Back.LoadFromXML(Node.get());
  EXPECT_EQ(Back.Count(), 2);
  Node->GetChilds("Term")->GetItem(0)->SetStrAttr("Value", "0; 0; 0; 1");
  EXPECT_ERROR_TEXT(Back.LoadFromXML(Node.get()), "An error occured");
}

TEST(ModelAnimations, PlayingMovesFramesAndCopiesShareTheKeys) {
  TGObjectPtr<TGModel> M(new TGModel());
  AddFrame(*M, "Root", -1, MatIdentity);
  TGFrame* Moved = AddFrame(*M, "Moved", 0, MatIdentity);
  auto* A = new TGModelAnimation(M->Animations());
  M->Animations()->Add(A);
  A->SetName("Slide");
  TGFrameAnimation* FA = A->AddFrameAnimation(1);
  // Translation keys only: a plain translation (scaling 1, no rotation).
  FA->Data()->TranslationX()->SetRealValue(0, 0);
  FA->Data()->TranslationX()->SetRealValue(1000, 10);
  M->FinishLoading();
  EXPECT_EQ(FA->Name(), "Moved");
  EXPECT_EQ(FA->GetMatrix(250), MatTranslation(2.5f, 0, 0));
  EXPECT_EQ(A->GetTotalTime(), 1000);
  M->SetCurrentAnimation(M->Animations()->Find("Slide", true));
  M->Update(0.5f);
  EXPECT_EQ(A->ElapsedTime(), 500);
  ExpectVecNear(Moved->FrameMatrix().GetOrigin(), {5, 0, 0});
  A->SetSpeed(2);
  M->Update(0.25f);
  EXPECT_EQ(A->ElapsedTime(), 1000);
  ExpectVecNear(Moved->FrameMatrix().GetOrigin(), {10, 0, 0});
  M->Update(1e30f); // the clock stops at its end instead of wrapping round
  EXPECT_EQ(A->ElapsedTime(), 2147483647);

  TGObjectPtr<TGModel> Copy(static_cast<TGModel*>(M->Clone(nullptr)));
  TGModelAnimation* CopyA = Copy->Animations()->GetItem(0);
  EXPECT_EQ(Copy->CurrentAnimation(), CopyA);
  auto* CopyFA = static_cast<TGFrameAnimation*>(CopyA->FrameAnimations()->GetItem(0));
  EXPECT_EQ(CopyFA->Data(), FA->Data());
  EXPECT_EQ(FA->Data()->RefCount(), 2);
  Copy.reset();
  EXPECT_EQ(FA->Data()->RefCount(), 1);

  // Lerp between two times: halfway between 2.5 and 7.5.
  EXPECT_NEAR(FA->GetMatrixLerp(250, 750, 0.5f).GetOrigin().X, 5, 1e-5f);
}

// Forms ------------------------------------------------------------------------------------------

TEST(ModelForms, BinaryRoundTripGivesTheSameXML) {
  for (const char* Name : {"Crate", "Tower", "Arm"}) {
    TGMemoryStream X;
    X.LoadFromFile(std::string(HOE_CONTENT) + "/gfx/Models/" + Name + ".x");
    auto M = LoadModel(X.Data());
    const std::string XML = ModelXML(*M);
    TGMemoryStream Binary;
    TGWriter Writer(Binary);
    M->SaveToBinary(Writer);
    EXPECT_EQ(Binary.Data().substr(0, 4), std::string("\x0A\x02\x01"
                                                      "b",
                                                      4));
    auto Back = LoadModel(Binary.Data());
    EXPECT_EQ(ModelXML(*Back), XML) << Name;
    // The files shipped beside each other say the same.
    TGMemoryStream Shipped;
    Shipped.LoadFromFile(std::string(HOE_CONTENT) + "/gfx/Models/" + Name + ".bx");
    EXPECT_EQ(ModelXML(*LoadModel(Shipped.Data())), XML) << Name;
  }
}

TEST(ModelForms, DamagedBinaryCountsNeverAllocate) {
  auto Binary = [](auto&& Write) {
    TGMemoryStream S;
    TGWriter W(S);
    W.WriteString("b");
    Write(W);
    return S.Data();
  };
  EXPECT_ERROR_TEXT(LoadModel(Binary([](TGWriter& W) { W.WriteInteger(-1); })),
                    "The frame count -1 is out of range");
  EXPECT_ERROR_TEXT(LoadModel(Binary([](TGWriter& W) { W.WriteInteger(2000000000); })),
                    "The frame count 2000000000 is out of range");
  // A mesh announcing 60000 vertices with a few bytes behind.
  EXPECT_ERROR_TEXT(LoadModel(Binary([](TGWriter& W) {
                      W.WriteInteger(1);
                      W.WriteBoolean(true);
                      W.WriteInteger(-1);
                      W.WriteString("M");
                      WriteMatrix(W, MatIdentity);
                      W.WriteInteger(0);
                      W.WriteInteger(2);
                      W.WriteInteger(60000);
                      W.WriteSingle(1);
                    })),
                    "The vertex count 60000 is out of range");
  // Names the XML form could not hold.
  EXPECT_ERROR_TEXT(LoadModel(Binary([](TGWriter& W) {
                      W.WriteInteger(1);
                      W.WriteBoolean(false);
                      W.WriteInteger(-1);
                      W.WriteString("Cr\xFF\xFFox");
                    })),
                    "A name or URL of the model is no valid text");
  // Rotation keys whose times do not ascend.
  TGMemoryStream S;
  TGWriter W(S);
  W.WriteInteger(2);
  const TGQuaternion Q[2] = {QuatIdentity, QuatIdentity};
  const int32_t T[2] = {5, 5};
  W.Write(Q, sizeof(Q));
  W.Write(T, sizeof(T));
  S.SetPosition(0);
  TGReader R(S);
  TGQuaternionEnv Env;
  EXPECT_ERROR_TEXT(Env.LoadFromBinary(R), "Rotation key times do not ascend (5 after 5)");
}

TEST(ModelForms, AlignedStorage) {
  TGAlignedStorage S;
  S.Allocate(64, 3, 16);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(S.Data()) % 16, 0u);
  EXPECT_EQ(static_cast<uint8_t*>(S.GetItem(2)) - static_cast<uint8_t*>(S.Data()), 128);
  EXPECT_ERROR_TEXT(S.GetItem(3), "Assertion failure");
  EXPECT_ERROR_TEXT(S.Allocate(64, 3, 16), "Storage is already allocated");
}

// Textures through the library --------------------------------------------------------------------

TEST(ModelTextures, PicturesAreFoundByURLOrBesideTheModel) {
  RegisterEngineClasses();
  TTempDir Scratch("hoe-model");
  const std::string Root = Scratch.Str();
  ForceDirectories(Root + "/gfx/Ships");
  std::filesystem::copy_file(std::string(HOE_CONTENT) + "/gfx/Demo/Crate.png",
                             Root + "/gfx/Ships/Sky.png");
  TGMemoryStream X(CTwoMaterialX);
  X.SaveToFile(Root + "/gfx/Ships/Quads.x");
  TGObjectPtr<TGResourceLibrary> Library(new TGResourceLibrary(nullptr, true, true));
  Library->Load(new TGNativeFileSystem(nullptr, Root), nullptr, rdtCommon, 0);
  auto* M = ObjectCast<TGModel>(Library->GetResource("Ships\\Quads.x"));
  TGMesh* Mesh = M->GetMesh("Quads");
  TGMeshMaterial* Blue = Mesh->Materials()->GetItem(1);
  EXPECT_EQ(Blue->Name(), "Sky.png");
  ASSERT_NE(Blue->SourceSprite(), nullptr);
  EXPECT_EQ(Blue->SourceSprite()->URL(), "Ships\\Sky.png");
  EXPECT_EQ(Blue->SourceSprite()->RefCount(), 1);
  EXPECT_EQ(Blue->CurrentTexture(), static_cast<TGTexture*>(Blue->SourceSprite()->Texture()));
  // No picture: an empty texture of the material's own, and nothing to draw from.
  TGMeshMaterial* Red = Mesh->Materials()->GetItem(0);
  EXPECT_EQ(Red->SourceSprite(), nullptr);
  EXPECT_NE(Red->Texture(), nullptr);
  EXPECT_EQ(Red->CurrentTexture(), nullptr);
  // Re-skinning at run time searches beside the model too, and a copy holds the picture again.
  Red->SetTexture(Library.get(), "Sky.png");
  EXPECT_EQ(Red->SourceSprite(), Blue->SourceSprite());
  TGObjectPtr<TGModel> Copy(static_cast<TGModel*>(M->Clone(nullptr)));
  EXPECT_EQ(Blue->SourceSprite()->RefCount(), 4);
  Copy.reset();
  EXPECT_EQ(Blue->SourceSprite()->RefCount(), 2);
}
