#include "scene3d/UGXLoader.h"

#include "animation/UGVarSeq.h"
#include "scene3d/UGMesh.h"
#include "scene3d/UGMeshMaterial.h"
#include "scene3d/UGModel.h"
#include "scene3d/UGModelAnimation.h"
#include "scene3d/UGQuaternionEnv.h"
#include "scene3d/UGXFile.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <set>
#include <unordered_map>

namespace {

[[noreturn]] void InvalidData() {
  throw Error("IDirectXFileData.GetData returned invalid data");
}

// Reads the values of one data object in order; running out, or a value of the wrong kind, is
// invalid data.
class TCursor {
public:
  explicit TCursor(const TGXObject& AObject)
      : FObject(AObject) {}

  double Number() {
    if (FPos >= FObject.Values.size() || FObject.Values[FPos].String >= 0)
      InvalidData();
    return FObject.Values[FPos++].Number;
  }
  float Float() { return static_cast<float>(Number()); }
  int32_t Int() {
    const double V = Number();
    if (!(V >= std::numeric_limits<int32_t>::min() && V <= std::numeric_limits<int32_t>::max()) ||
        V != std::trunc(V))
      InvalidData();
    return static_cast<int32_t>(V);
  }
  // A count of items of at least PerItem values each that the object still holds.
  int32_t Count(size_t PerItem) {
    const int32_t N = Int();
    if (N < 0 || static_cast<size_t>(N) * PerItem > Left())
      InvalidData();
    return N;
  }
  const std::string& String() {
    if (FPos >= FObject.Values.size() || FObject.Values[FPos].String < 0)
      InvalidData();
    return FObject.Strings[static_cast<size_t>(FObject.Values[FPos++].String)];
  }
  TGMatrix Matrix() {
    TGMatrix M;
    for (auto& Row : M.M)
      for (float& V : Row)
        V = Float();
    return M;
  }
  size_t Left() const { return FObject.Values.size() - FPos; }

private:
  const TGXObject& FObject;
  size_t FPos = 0;
};

const TGXObject* FirstChild(const TGXObject& O, std::string_view Type) {
  for (const TGXChild& C : O.Children)
    if (C.Object && C.Object->Type == Type)
      return C.Object.get();
  return nullptr;
}

// A mesh as the file gives it: positions and polygons (corner lists).
struct TPolygons {
  std::vector<int32_t> Start; // first corner of each polygon, and one past the last
  std::vector<int32_t> Corners;
  int32_t Count() const { return static_cast<int32_t>(Start.size()) - 1; }
  int32_t Size(int32_t F) const {
    return Start[static_cast<size_t>(F) + 1] - Start[static_cast<size_t>(F)];
  }
};

TPolygons ReadPolygons(TCursor& C, int32_t VertexLimit, const std::string& Mesh) {
  TPolygons P;
  const int32_t Faces = C.Count(1);
  P.Start.reserve(static_cast<size_t>(Faces) + 1);
  P.Start.push_back(0);
  for (int32_t F = 0; F < Faces; ++F) {
    const int32_t N = C.Count(1);
    for (int32_t K = 0; K < N; ++K) {
      const int32_t V = C.Int();
      if (V < 0 || V >= VertexLimit)
        throw Error("Mesh \"%s\": face %d names vertex %d of %d", Mesh, F, V, VertexLimit);
      P.Corners.push_back(V);
    }
    P.Start.push_back(static_cast<int32_t>(P.Corners.size()));
  }
  return P;
}

struct TPendingBone {
  TGMeshBone* Bone;
  std::string FrameName;
};

class TGXLoader {
public:
  explicit TGXLoader(const TGModelLoadContext& AContext)
      : FContext(AContext) {}

  TGModel* Load(TGStream& Stream) {
    const std::vector<std::unique_ptr<TGXObject>> Objects = ReadXFile(Stream);
    TGObjectPtr<TGModel> Model(new TGModel());
    FModel = Model.get();
    for (const auto& O : Objects) {
      if (O->Type == "Material" && !O->Name.empty())
        FMaterials.emplace(O->Name, O.get());
      if (O->Type == "Mesh" && !O->Name.empty())
        FMeshes.emplace(O->Name, O.get());
      if (O->Type == "Frame")
        CollectFrameReferences(*O);
    }
    // A mesh outside the frames is a root of its own, unless frames place it by reference.
    for (const auto& O : Objects) {
      if (O->Type == "Frame")
        LoadFrame(*O, -1);
      else if (O->Type == "Mesh" && !FPlacedMeshes.contains(O->Name))
        LoadMesh(*O, -1);
    }
    for (const TPendingBone& P : FBones)
      P.Bone->FrameIndex = FModel->Frames()->IndexOf(FModel->Frames()->Find(P.FrameName, true));
    for (const auto& O : Objects)
      if (O->Type == "AnimationSet")
        LoadAnimationSet(*O);
    return Model.release();
  }

private:
  int32_t AddFrame(TGFrame* Frame) {
    FModel->Frames()->Add(Frame);
    return FModel->Frames()->GetCount() - 1;
  }

  // The names that frames refer to ("{ Name }"): meshes placed in those frames.
  void CollectFrameReferences(const TGXObject& O) {
    for (const TGXChild& Child : O.Children) {
      if (!Child.Object)
        FPlacedMeshes.insert(Child.Reference);
      else if (Child.Object->Type == "Frame")
        CollectFrameReferences(*Child.Object);
    }
  }

  void LoadFrame(const TGXObject& O, int32_t Parent) {
    auto* Frame = new TGFrame(FModel->Frames());
    CheckText(O.Name);
    Frame->SetName(O.Name);
    Frame->SetParentIndex(Parent);
    if (const TGXObject* T = FirstChild(O, "FrameTransformMatrix")) {
      if (T->Values.size() != 16 || !T->Strings.empty())
        throw Error("FrameTransformMatrix size is illegal");
      TCursor C(*T);
      Frame->SetFrameMatrix(C.Matrix());
    }
    const int32_t Index = AddFrame(Frame);
    for (const TGXChild& Child : O.Children) {
      if (!Child.Object) {
        auto It = FMeshes.find(Child.Reference);
        if (It != FMeshes.end())
          LoadMesh(*It->second, Index);
      } else if (Child.Object->Type == "Frame") {
        LoadFrame(*Child.Object, Index);
      } else if (Child.Object->Type == "Mesh") {
        LoadMesh(*Child.Object, Index);
      }
    }
  }

  void LoadMaterial(const TGXObject& O, TGMeshMaterial* M) {
    TCursor C(O);
    const float R = C.Float();
    const float G = C.Float();
    const float B = C.Float();
    const float A = C.Float();
    M->Material.Diffuse = TGColor::Create(double{A}, double{R}, double{G}, double{B});
    M->Material.Power = C.Float();
    const float SR = C.Float();
    const float SG = C.Float();
    const float SB = C.Float();
    M->Material.Specular = TGColor::Create(1.0, double{SR}, double{SG}, double{SB});
    const float ER = C.Float();
    const float EG = C.Float();
    const float EB = C.Float();
    M->Material.Emissive = TGColor::Create(1.0, double{ER}, double{EG}, double{EB});
    std::string Texture;
    const TGXObject* File = FirstChild(O, "TextureFilename");
    if (!File)
      File = FirstChild(O, "TextureFileName");
    if (File) {
      TCursor F(*File);
      Texture = F.String();
      CheckText(Texture);
    }
    M->SetTexture(FContext.Library, Texture, FContext.TextureSearchPath);
  }

  // The materials of a mesh's material list, inline or by reference, Count of them.
  void LoadMaterials(const TGXObject& List, int32_t Count, TGMesh* Mesh) {
    for (const TGXChild& Child : List.Children) {
      if (Mesh->Materials()->GetCount() >= Count)
        break;
      const TGXObject* O = Child.Object.get();
      if (!O) {
        auto It = FMaterials.find(Child.Reference);
        if (It == FMaterials.end())
          throw Error("Unknown material: \"%s\"", Child.Reference);
        O = It->second;
      } else if (O->Type != "Material") {
        continue;
      }
      auto* M = new TGMeshMaterial(Mesh->Materials());
      Mesh->Materials()->Add(M);
      LoadMaterial(*O, M);
    }
    if (Mesh->Materials()->GetCount() < Count)
      InvalidData();
  }

  void LoadMesh(const TGXObject& O, int32_t Parent) {
    auto* Mesh = new TGMesh(FModel->Frames());
    CheckText(O.Name);
    Mesh->SetName(O.Name);
    Mesh->SetParentIndex(Parent);
    AddFrame(Mesh);
    TCursor C(O);
    const int32_t Positions = C.Count(3);
    std::vector<TGVector> Position(static_cast<size_t>(Positions));
    for (TGVector& P : Position)
      P = TGVector{C.Float(), C.Float(), C.Float()};
    const TPolygons Faces = ReadPolygons(C, Positions, O.Name);

    // Normals indexed per corner; a position used with several normals is split, the copies
    // appended in the order of first use.
    std::vector<TGVector> Normals;
    std::vector<int32_t> NormalCorners;
    if (const TGXObject* N = FirstChild(O, "MeshNormals")) {
      TCursor NC(*N);
      Normals.resize(static_cast<size_t>(NC.Count(3)));
      for (TGVector& V : Normals)
        V = TGVector{NC.Float(), NC.Float(), NC.Float()};
      const TPolygons NormalFaces = ReadPolygons(NC, static_cast<int32_t>(Normals.size()), O.Name);
      if (NormalFaces.Count() != Faces.Count())
        InvalidData();
      for (int32_t F = 0; F < Faces.Count(); ++F)
        if (NormalFaces.Size(F) != Faces.Size(F))
          InvalidData();
      NormalCorners = NormalFaces.Corners;
    }
    std::vector<int32_t> Source(static_cast<size_t>(Positions)); // output vertex -> position
    for (int32_t I = 0; I < Positions; ++I)
      Source[static_cast<size_t>(I)] = I;
    std::vector<int32_t> NormalOf(static_cast<size_t>(Positions), -1);
    std::unordered_map<uint64_t, int32_t> Splits;
    std::vector<int32_t> Corner(Faces.Corners.size());
    for (size_t K = 0; K < Faces.Corners.size(); ++K) {
      const int32_t P = Faces.Corners[K];
      if (NormalCorners.empty()) {
        Corner[K] = P;
        continue;
      }
      const int32_t N = NormalCorners[K];
      int32_t& Own = NormalOf[static_cast<size_t>(P)];
      if (Own < 0 || Own == N) {
        Own = N;
        Corner[K] = P;
        continue;
      }
      const uint64_t Key = uint64_t(uint32_t(P)) << 32 | uint32_t(N);
      auto [It, New] = Splits.emplace(Key, static_cast<int32_t>(Source.size()));
      if (New) {
        if (Source.size() >= static_cast<size_t>(CMaxMeshVertices))
          throw Error("Mesh \"%s\" has more than %d vertices after splitting", O.Name,
                      CMaxMeshVertices);
        Source.push_back(P);
        NormalOf.push_back(N);
      }
      Corner[K] = It->second;
    }
    const auto Vertices = static_cast<int32_t>(Source.size());
    if (Vertices > CMaxMeshVertices)
      throw Error("Mesh \"%s\" has more than %d vertices after splitting", O.Name,
                  CMaxMeshVertices);

    std::vector<float> UV;
    if (const TGXObject* T = FirstChild(O, "MeshTextureCoords")) {
      TCursor TC(*T);
      if (TC.Count(2) != Positions)
        InvalidData();
      UV.resize(static_cast<size_t>(Positions) * 2);
      for (float& V : UV)
        V = TC.Float();
    }
    std::vector<uint32_t> Colors;
    if (const TGXObject* VC = FirstChild(O, "MeshVertexColors")) {
      TCursor CC(*VC);
      const int32_t Count = CC.Count(5);
      Colors.assign(static_cast<size_t>(Positions), 0xFFFFFFFFu);
      for (int32_t I = 0; I < Count; ++I) {
        const int32_t V = CC.Int();
        const float R = CC.Float();
        const float G = CC.Float();
        const float B = CC.Float();
        const float A = CC.Float();
        if (V < 0 || V >= Positions)
          throw Error("Mesh \"%s\": a colour for vertex %d of %d", O.Name, V, Positions);
        Colors[static_cast<size_t>(V)] =
            TGColor::Create(double{A}, double{R}, double{G}, double{B});
      }
    }

    uint32_t Format = CFVFXYZ;
    if (!Normals.empty())
      Format |= CFVFNormal;
    if (!Colors.empty())
      Format |= CFVFDiffuse;
    if (!UV.empty())
      Format |= 1u << CFVFTexCountShift;
    const auto Stride = static_cast<size_t>(TGMesh::FormatStride(Format));
    std::vector<uint8_t> Data(static_cast<size_t>(Vertices) * Stride);
    for (size_t V = 0; V < static_cast<size_t>(Vertices); ++V) {
      uint8_t* Out = &Data[V * Stride];
      const auto P = static_cast<size_t>(Source[V]);
      std::memcpy(Out, &Position[P], 12);
      size_t Off = 12;
      if (!Normals.empty()) {
        const int32_t N = NormalOf[V];
        const TGVector Normal = N >= 0 ? Normals[static_cast<size_t>(N)] : VecZero;
        std::memcpy(Out + Off, &Normal, 12);
        Off += 12;
      }
      if (!Colors.empty()) {
        std::memcpy(Out + Off, &Colors[P], 4);
        Off += 4;
      }
      if (!UV.empty())
        std::memcpy(Out + Off, &UV[P * 2], 8);
    }

    // Materials per polygon; a shorter list repeats its last entry.
    std::vector<int32_t> FaceMaterial(static_cast<size_t>(Faces.Count()), 0);
    if (const TGXObject* L = FirstChild(O, "MeshMaterialList")) {
      TCursor LC(*L);
      const int32_t Count = LC.Count(0);
      const int32_t Given = LC.Count(1);
      for (int32_t F = 0; F < Given; ++F) {
        const int32_t M = LC.Int();
        if (M < 0 || M >= Count)
          throw Error("Mesh \"%s\": face %d uses material %d of %d", O.Name, F, M, Count);
        if (F < Faces.Count())
          FaceMaterial[static_cast<size_t>(F)] = M;
      }
      for (int32_t F = Given; F < Faces.Count() && Given > 0; ++F)
        FaceMaterial[static_cast<size_t>(F)] = FaceMaterial[static_cast<size_t>(Given) - 1];
      LoadMaterials(*L, Count, Mesh);
    }
    if (Mesh->Materials()->GetCount() == 0)
      Mesh->Materials()->Add(new TGMeshMaterial(Mesh->Materials()));

    // Polygons fanned into triangles; runs of one material become parts.
    std::vector<uint16_t> Indices;
    for (int32_t F = 0; F < Faces.Count(); ++F) {
      const auto S = static_cast<size_t>(Faces.Start[static_cast<size_t>(F)]);
      for (int32_t K = 1; K + 1 < Faces.Size(F); ++K) {
        const int32_t Material = FaceMaterial[static_cast<size_t>(F)];
        TGMeshParts* Parts = Mesh->Parts();
        TGMeshPart* Last = Parts->GetCount() ? Parts->GetItem(Parts->GetCount() - 1) : nullptr;
        if (!Last || Last->MaterialIndex != Material) {
          Last = new TGMeshPart(Parts);
          Parts->Add(Last);
          Last->MaterialIndex = Material;
          Last->FaceStart = static_cast<uint32_t>(Indices.size() / 3);
        }
        ++Last->FaceCount;
        for (size_t C3 : {S, S + static_cast<size_t>(K), S + static_cast<size_t>(K) + 1})
          Indices.push_back(static_cast<uint16_t>(Corner[C3]));
      }
    }
    Mesh->SetGeometry(Format, Vertices, Data.data(), Indices);
    Mesh->Optimize();
    LoadSkinWeights(O, Mesh, Source, Positions);
  }

  void LoadSkinWeights(const TGXObject& O, TGMesh* Mesh, const std::vector<int32_t>& Source,
                       int32_t Positions) {
    // The output vertices made from each position: the position's own, then its copies.
    std::vector<std::vector<int32_t>> Copies;
    for (const TGXChild& Child : O.Children) {
      if (!Child.Object || Child.Object->Type != "SkinWeights")
        continue;
      if (Copies.empty()) {
        Copies.resize(static_cast<size_t>(Positions));
        for (size_t V = 0; V < Source.size(); ++V)
          Copies[static_cast<size_t>(Source[V])].push_back(static_cast<int32_t>(V));
      }
      TCursor C(*Child.Object);
      const std::string Frame = C.String();
      const int32_t Count = C.Count(2);
      std::vector<int32_t> Vertices(static_cast<size_t>(Count));
      for (int32_t& V : Vertices) {
        V = C.Int();
        if (V < 0 || V >= Positions)
          throw Error("Mesh \"%s\": the bone of \"%s\" moves vertex %d of %d", O.Name, Frame, V,
                      Positions);
      }
      std::vector<float> Weights(static_cast<size_t>(Count));
      for (float& W : Weights)
        W = C.Float();
      auto* Bone = new TGMeshBone(Mesh->Bones());
      Mesh->Bones()->Add(Bone);
      Bone->InitialMatrix = C.Matrix();
      for (size_t I = 0; I < Vertices.size(); ++I)
        for (int32_t Out : Copies[static_cast<size_t>(Vertices[I])]) {
          Bone->Vertices.push_back(Out);
          Bone->Weights.push_back(Weights[I]);
        }
      FBones.push_back(TPendingBone{Bone, Frame});
    }
  }

  void LoadAnimationSet(const TGXObject& Set) {
    auto* Animation = new TGModelAnimation(FModel->Animations());
    FModel->Animations()->Add(Animation);
    CheckText(Set.Name);
    Animation->SetName(Set.Name);
    for (const TGXChild& Child : Set.Children)
      if (Child.Object && Child.Object->Type == "Animation")
        LoadAnimation(*Child.Object, Animation);
  }

  void LoadAnimation(const TGXObject& O, TGModelAnimation* Animation) {
    const std::string* FrameName = nullptr;
    for (const TGXChild& Child : O.Children) {
      if (!Child.Object) {
        FrameName = &Child.Reference;
        break;
      }
      if (Child.Object->Type == "Frame") {
        FrameName = &Child.Object->Name;
        break;
      }
    }
    if (!FrameName)
      InvalidData();
    TGFrames* Frames = FModel->Frames();
    const int32_t Index = Frames->IndexOf(Frames->Find(*FrameName, true));
    TGFrameAnimation* A = Animation->AddFrameAnimation(Index);
    A->SetName(*FrameName);
    TGAnimSharedData* Keys = A->Data();
    for (const TGXChild& Child : O.Children) {
      if (!Child.Object || Child.Object->Type != "AnimationKey")
        continue;
      TCursor C(*Child.Object);
      const int32_t Type = C.Int();
      if (Type < 0 || Type > 2)
        throw Error("Unsupported AnimationKey type");
      const int32_t Count = C.Count(2);
      for (int32_t K = 0; K < Count; ++K) {
        const int32_t Time = C.Int();
        const int32_t Values = C.Int();
        if (Values != (Type == 0 ? 4 : 3))
          InvalidData();
        if (Type == 0) {
          const float W = C.Float();
          const float X = C.Float();
          const float Y = C.Float();
          const float Z = C.Float();
          Keys->Rotation()->SetValue(Time, TGQuaternion{X, Y, Z, W});
          continue;
        }
        const int First = Type == 1 ? 3 : 0;
        for (int I = 0; I < 3; ++I)
          Keys->Envelope(First + I)->SetRealValue(Time, C.Float());
      }
    }
  }

  const TGModelLoadContext& FContext;
  TGModel* FModel = nullptr;
  std::map<std::string, const TGXObject*> FMaterials; // named, outside the frames
  std::map<std::string, const TGXObject*> FMeshes;    // named, outside the frames
  std::set<std::string> FPlacedMeshes;                // referred to by frames
  std::vector<TPendingBone> FBones;
};

} // namespace

TGModel* LoadXModel(TGStream& Stream, const TGModelLoadContext& Context) {
  return TGXLoader(Context).Load(Stream);
}
