// The ".x" reader: the text and binary forms, frames, meshes split where normals are indexed
// apart, material runs, skin weights, animation keys, and the errors of damaged files.
#include "HeadlessDevice.h"
#include "ModelTestUtils.h"
#include "animation/UGVarSeq.h"
#include "graphics/UGVertexBuffer.h"
#include "scene3d/UGMesh.h"
#include "scene3d/UGMeshMaterial.h"
#include "scene3d/UGModelAnimation.h"
#include "scene3d/UGQuaternionEnv.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::string X(const std::string& Body) {
  return "xof 0303txt 0032\n" + Body;
}

// A binary ".x" body written token by token.
class TBinaryX {
public:
  explicit TBinaryX(const char* FloatSize = "0032")
      : FData(std::string("xof 0303bin ") + FloatSize) {}
  TBinaryX& Name(const std::string& S) {
    Word(1);
    Dword(static_cast<uint32_t>(S.size()));
    FData += S;
    return *this;
  }
  // The terminator as a 32-bit value (as the format describes it) or as a 16-bit token.
  TBinaryX& String(const std::string& S, bool LongTerminator) {
    Word(2);
    Dword(static_cast<uint32_t>(S.size()));
    FData += S;
    if (LongTerminator)
      Dword(20);
    else
      Word(20);
    return *this;
  }
  TBinaryX& Ints(std::initializer_list<uint32_t> Values) {
    Word(6);
    Dword(static_cast<uint32_t>(Values.size()));
    for (uint32_t V : Values)
      Dword(V);
    return *this;
  }
  TBinaryX& Floats(std::initializer_list<float> Values) {
    Word(7);
    Dword(static_cast<uint32_t>(Values.size()));
    for (float V : Values) {
      if (FData.substr(12, 4) == "0064") {
        double D = V;
        FData.append(reinterpret_cast<const char*>(&D), 8);
      } else {
        FData.append(reinterpret_cast<const char*>(&V), 4);
      }
    }
    return *this;
  }
  TBinaryX& Open() {
    Word(10);
    return *this;
  }
  TBinaryX& Close() {
    Word(11);
    return *this;
  }
  const std::string& Data() const { return FData; }

private:
  void Word(uint16_t V) { FData.append(reinterpret_cast<const char*>(&V), 2); }
  void Dword(uint32_t V) { FData.append(reinterpret_cast<const char*>(&V), 4); }
  std::string FData;
};

void ExpectVecNear(const TGVector& A, const TGVector& B) {
  EXPECT_NEAR(A.X, B.X, 1e-5f);
  EXPECT_NEAR(A.Y, B.Y, 1e-5f);
  EXPECT_NEAR(A.Z, B.Z, 1e-5f);
}

} // namespace

TEST(XLoader, FramesPartsAndIndexOrderAfterOptimize) {
  auto M = LoadModel(CTwoMaterialX);
  ASSERT_EQ(M->Frames()->GetCount(), 2);
  EXPECT_EQ(M->Frames()->GetItem(0)->Name(), "Holder");
  EXPECT_EQ(M->Frames()->GetItem(0)->FrameMatrix().GetOrigin(), (TGVector{5, 6, 7}));
  TGMesh* Mesh = M->GetMesh("Quads");
  EXPECT_EQ(Mesh->ParentIndex(), 0);
  EXPECT_EQ(Mesh->FrameMatrix(), MatIdentity);
  // Quads fanned into two triangles each; the vertices keep the file's order.
  EXPECT_EQ(Mesh->VertexCount(), 20);
  EXPECT_EQ(Mesh->FaceCount(), 10);
  EXPECT_EQ(Mesh->VertexFormat(), CFVFXYZ);
  ExpectVecNear(Mesh->Position(6), {1, 1, 1});
  ASSERT_EQ(Mesh->Parts()->GetCount(), 2);
  EXPECT_EQ(Mesh->Parts()->GetItem(0)->FaceCount, 6u);
  EXPECT_EQ(Mesh->Parts()->GetItem(1)->FaceStart, 6u);
  EXPECT_EQ(Mesh->Parts()->GetItem(1)->FaceCount, 4u);
  // Material 0 drew the quads at z 0, 2 and 4, material 1 those at 1 and 3: (0, 1, 2), (0, 2, 3).
  std::vector<int> Faces(Mesh->Indices(), Mesh->Indices() + 30);
  EXPECT_EQ(Faces, (std::vector<int>{0,  1,  2,  0, 2, 3, 8, 9, 10, 8,  10, 11, 16, 17, 18,
                                     16, 18, 19, 4, 5, 6, 4, 6, 7,  12, 13, 14, 12, 14, 15}));
  EXPECT_EQ(uint32_t(Mesh->Materials()->GetItem(0)->Material.Diffuse), 0xFFFF0000u);
  EXPECT_EQ(Mesh->Materials()->GetItem(1)->Name(), "Sky.png");
  // Vertices in model space: the holder's move applies.
  TGVector Min;
  TGVector Max;
  ASSERT_TRUE(M->CalcBBox(Min, Max));
  ExpectVecNear(Min, {5, 6, 7});
  ExpectVecNear(Max, {6, 7, 11});
  std::string Hit;
  float Distance = 0;
  ASSERT_TRUE(M->Intersects({5.5f, 6.5f, 20}, {0, 0, -1}, Hit, Distance));
  EXPECT_EQ(Hit, "Quads");
  EXPECT_NEAR(Distance, 9, 1e-5f); // the top quad, at z 11
  EXPECT_FALSE(M->Intersects({50, 6.5f, 20}, {0, 0, -1}, Hit, Distance));
}

TEST(XLoader, NormalsIndexedApartSplitVerticesInOrderOfFirstUse) {
  // Two triangles sharing the edge 0-2; vertex 0 takes two normals, vertex 2 too.
  auto M = LoadModel(X(R"(
    # comment
    template Unused { <01234567-0000-0000-0000-000000000000> DWORD a; [...] }
    Mesh Pair {
      4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;
      2; 3;0,1,2;, 3;0,2,3;;
      MeshNormals { 2; 0;0;1;, 0.0;0.0;-1.0;; 2; 3;0,0,0;, 3;1,1,1;; }
      MeshTextureCoords { 4; 0;0;, 1;0;, 1;1;, 0;1;; }
      MeshVertexColors { 1; 3; 1.0;0.0;0.0;1.0;;; }
    })"));
  TGMesh* Mesh = M->GetMesh("Pair");
  EXPECT_EQ(Mesh->VertexFormat(), CFVFXYZ | CFVFNormal | CFVFDiffuse | 0x100u);
  ASSERT_EQ(Mesh->VertexCount(), 6);
  // Copies of 0 and 2 appended in the order the second triangle meets them.
  std::vector<int> Faces(Mesh->Indices(), Mesh->Indices() + 6);
  EXPECT_EQ(Faces, (std::vector<int>{0, 1, 2, 4, 5, 3}));
  ExpectVecNear(Mesh->Position(4), {0, 0, 0});
  ExpectVecNear(Mesh->Position(5), {1, 1, 0});
  const uint8_t* V = Mesh->VB()->ClientData();
  const int32_t Stride = Mesh->VB()->Stride();
  float N[3];
  std::memcpy(N, V + 4 * Stride + 12, 12);
  EXPECT_EQ(N[2], -1);
  uint32_t Color;
  std::memcpy(&Color, V + 3 * Stride + 24, 4);
  EXPECT_EQ(Color, 0xFFFF0000u);
  float UV[2];
  std::memcpy(UV, V + 5 * Stride + 28, 8);
  EXPECT_EQ(UV[0], 1);
  EXPECT_EQ(UV[1], 1);
  // No material list: one white material for every face.
  EXPECT_EQ(Mesh->Materials()->GetCount(), 1);
  EXPECT_EQ(Mesh->Parts()->GetCount(), 1);
}

TEST(XLoader, SkinWeightsAnimationsAndKeyTimesAsStored) {
  auto M = LoadModel(X(R"(
    Frame Root {
      Frame Bone { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 2,0,0,1;; } }
      Mesh Skin {
        3; 0;0;0;, 2;0;0;, 3;0;0;;
        2; 3;0,1,2;, 3;1,0,2;;
        MeshNormals { 2; 0;0;1;, 0;1;0;; 2; 3;0,0,0;, 3;1,0,0;; }
        SkinWeights { "Bone"; 2; 1,2; 0.5,1.0; 1,0,0,0, 0,1,0,0, 0,0,1,0, -2,0,0,1;; }
      }
    }
    AnimationSet Bend {
      Animation {
        { Bone }
        AnimationKey { 0; 2; 0;4;1,0,0,0;;, 4800;4;0.707107,0,0,0.707107;;; }
        AnimationKey { 1; 1; 10;3;2,2,2;;; }
        AnimationKey { 2; 1; 0;3;2,0,0;;; }
      }
    })"));
  TGMesh* Mesh = M->GetMesh("Skin");
  ASSERT_EQ(Mesh->Bones()->GetCount(), 1);
  const TGMeshBone* Bone = Mesh->Bones()->GetItem(0);
  EXPECT_EQ(Bone->FrameIndex, 1);
  EXPECT_EQ(Bone->InitialMatrix, MatTranslation(-2, 0, 0));
  // The split copy of vertex 1 follows the bone too.
  EXPECT_EQ(Bone->Vertices, (std::vector<int32_t>{1, 3, 2}));
  EXPECT_EQ(Bone->Weights, (std::vector<float>{0.5f, 0.5f, 1}));

  TGModelAnimation* A = M->Animations()->Find("Bend", true);
  auto* FA = static_cast<TGFrameAnimation*>(A->FrameAnimations()->GetItem(0));
  EXPECT_EQ(FA->FrameIndex(), 1);
  EXPECT_EQ(FA->Name(), "Bone");
  // Times as the file has them: 4800 is 4.8 seconds, not one second of 4800 ticks.
  EXPECT_EQ(FA->Data()->Rotation()->TimeMarkers(), (std::vector<int32_t>{0, 4800}));
  EXPECT_EQ(A->GetTotalTime(), 4800);
  // Rotation keys are stored w, x, y, z.
  const TGQuaternion Q = FA->Data()->Rotation()->Value(4800);
  EXPECT_NEAR(Q.Z, 0.707107f, 1e-6f);
  EXPECT_NEAR(Q.W, 0.707107f, 1e-6f);
  EXPECT_EQ(FA->Data()->ScalingY()->GetRealValue(10), 2);
  EXPECT_EQ(FA->Data()->TranslationX()->GetRealValue(0), 2);
  M->SetCurrentAnimation(A);
  M->Update(4.8f);
  // Vertex 2 (weight 1 on the bone) turned a quarter about the elbow at 2.
  ExpectVecNear(Mesh->CurrentPosition(2), {2, 2, 0});
}

TEST(XLoader, FramesPlaceMeshesByReference) {
  auto M = LoadModel(X(R"(
    Mesh Loose { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }
    Mesh Shared { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }
    Frame Left { { Shared } }
    Frame Right { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 4,0,0,1;; } { Shared } })"));
  std::vector<std::string> Names;
  std::vector<int32_t> Parents;
  for (int I = 0; I < M->Frames()->GetCount(); ++I) {
    Names.push_back(M->Frames()->GetItem(I)->Name());
    Parents.push_back(M->Frames()->GetItem(I)->ParentIndex());
  }
  EXPECT_EQ(Names, (std::vector<std::string>{"Loose", "Left", "Shared", "Right", "Shared"}));
  EXPECT_EQ(Parents, (std::vector<int32_t>{-1, -1, 1, -1, 3}));
}

TEST(XLoader, BinaryFormGivesTheSameModel) {
  for (const char* FloatSize : {"0032", "0064"}) {
    TBinaryX B(FloatSize);
    B.Name("Frame").Name("Holder").Open();
    B.Name("FrameTransformMatrix").Open().Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1});
    B.Close();
    B.Name("Mesh").Name("Tri").Open().Ints({3}).Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
    B.Ints({1, 3, 0, 1, 2});
    B.Name("MeshMaterialList").Open().Ints({1, 1, 0});
    B.Name("Material").Open().Floats({1, 0, 0, 1, 2, 0, 0, 0, 0, 0, 0});
    B.Name("TextureFilename").Open().String("Sky.png", FloatSize[2] == '3').Close();
    B.Close().Close().Close().Close();
    auto Binary = LoadModel(B.Data());
    auto Text = LoadModel(X(R"(
      Frame Holder {
        FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 5,6,7,1;; }
        Mesh Tri {
          3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;
          MeshMaterialList { 1; 1; 0;;
            Material { 1;0;0;1;; 2; 0;0;0;; 0;0;0;; TextureFilename { "Sky.png"; } } }
        }
      })"));
    EXPECT_EQ(ModelXML(*Binary), ModelXML(*Text)) << FloatSize;
  }
}

TEST(XLoader, DamagedFilesFailWithTheirMessages) {
  EXPECT_ERROR_TEXT(LoadModel(X("Frame F { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, "
                                "0,0,0;; } }")),
                    "FrameTransformMatrix size is illegal");
  EXPECT_ERROR_TEXT(
      LoadModel(X("Frame F {} AnimationSet S { Animation { {F} "
                  "AnimationKey { 4; 1; 0;16;1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;;; } } }")),
      "Unsupported AnimationKey type");
  EXPECT_ERROR_TEXT(LoadModel(X("Mesh M { 3; 0;0;0;, 1;0;0;; }")),
                    "IDirectXFileData.GetData returned invalid data");
  EXPECT_ERROR_TEXT(LoadModel(X("Mesh M { -3; }")),
                    "IDirectXFileData.GetData returned invalid data");
  EXPECT_ERROR_TEXT(LoadModel(X("Frame F {} AnimationSet S { Animation { {F} "
                                "AnimationKey { 2; 1; 0;2;1,0;;; } } }")),
                    "IDirectXFileData.GetData returned invalid data");
  EXPECT_ERROR_TEXT(LoadModel(X("Mesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                                "SkinWeights { \"Nope\"; 1; 0; 1.0; 1,0,0,0, 0,1,0,0, 0,0,1,0, "
                                "0,0,0,1;; } }")),
                    "Unknown frame: \"Nope\"");
  EXPECT_ERROR_TEXT(LoadModel(X("AnimationSet S { Animation { {Nope} } }")),
                    "Unknown frame: \"Nope\"");
  EXPECT_ERROR_TEXT(LoadModel(X("Mesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }")),
                    "Mesh \"M\": face 0 names vertex 3 of 3");
  EXPECT_ERROR_TEXT(LoadModel(X("Mesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                                "MeshMaterialList { 1; 1; 0;; { Gone } } }")),
                    "Unknown material: \"Gone\"");
  EXPECT_ERROR_TEXT(LoadModel(X("Mesh M { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; "
                                "MeshMaterialList { 2; 1; 1;; } }")),
                    "IDirectXFileData.GetData returned invalid data");
  EXPECT_ERROR_TEXT(LoadModel(X("Frame F { Mesh M { 1; 0;0;0;; ")),
                    "Damaged .x file: the data object \"Mesh\" does not end");
  EXPECT_ERROR_TEXT(LoadModel(X("Frame F { \"open }")),
                    "Damaged .x file: unterminated string in line 2");
  EXPECT_ERROR_TEXT(LoadModel("xof 0303tzip0032"), "Compressed .x files are not supported");
  EXPECT_ERROR_TEXT(LoadModel("xof 0303txt 0016"), "Unsupported .x float size \"0016\"");
  std::string Deep = X("");
  for (int I = 0; I < 70; ++I)
    Deep += "Frame {";
  EXPECT_ERROR_TEXT(LoadModel(Deep), "Damaged .x file: data objects nest deeper than 64");
  TBinaryX B;
  B.Name("Mesh").Open();
  std::string Truncated = B.Data() + std::string("\x06\x00\xff\xff\xff\x7f", 6);
  EXPECT_ERROR_TEXT(LoadModel(Truncated),
                    "Damaged binary .x file: a list runs past the end at byte 28");
}

TEST(XLoader, MoreVerticesThanSixteenBitIndicesReachIsRefused) {
  // Three positions, and every triangle gives its corners normals of their own: each face after
  // the first adds three vertices.
  constexpr int Faces = 21846;
  std::string Body = "Mesh Big { 3; 0;0;0;, 1;0;0;, 0;1;0;; " + std::to_string(Faces) + ";";
  for (int F = 0; F < Faces; ++F)
    Body += " 3;0,1,2;,";
  Body.back() = ';';
  Body += " MeshNormals { " + std::to_string(Faces * 3) + ";";
  for (int N = 0; N < Faces * 3; ++N)
    Body += " 0;0;1;,";
  Body.back() = ';';
  Body += " " + std::to_string(Faces) + ";";
  for (int F = 0; F < Faces; ++F)
    Body += " 3;" + std::to_string(F * 3) + "," + std::to_string(F * 3 + 1) + "," +
            std::to_string(F * 3 + 2) + ";,";
  Body.back() = ';';
  Body += " } }";
  EXPECT_ERROR_TEXT(LoadModel(X(Body)),
                    "Mesh \"Big\" has more than 65536 vertices after splitting");
}
