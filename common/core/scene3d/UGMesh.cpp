#include "scene3d/UGMesh.h"

#include "base/UGStrUtils.h"
#include "graphics/UGGraphicsDevice.h"
#include "graphics/UGVertexBuffer.h"
#include "io/UGReader.h"
#include "io/UGWriter.h"
#include "object/UGClassBuilder.h"
#include "scene3d/UGAlignedStorage.h"
#include "scene3d/UGMeshMaterial.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

G_IMPLEMENT_CLASS(TGMeshBone)
G_IMPLEMENT_CLASS(TGMeshPart)
G_IMPLEMENT_CLASS(TGMeshBones)
G_IMPLEMENT_CLASS(TGMeshMaterials)
G_IMPLEMENT_CLASS(TGMeshParts)
G_IMPLEMENT_CLASS(TGMesh)

TGApplySkinMode ApplySkinMode = asmNormal;
bool GCalcSkinNormals = false;

namespace {

constexpr uint32_t CFVFTexCountMask = 0xF00;
constexpr uint32_t CMeshFormatBits = CFVFXYZ | CFVFNormal | CFVFDiffuse | CFVFTexCountMask;

int TexturePairs(uint32_t Format) {
  return static_cast<int>((Format & CFVFTexCountMask) >> CFVFTexCountShift);
}

// Whether the 4 bytes at Offset of a vertex array (Stride bytes a vertex) are the diffuse colour
// of a vertex rather than a float.
bool IsColorSlot(uint32_t Format, size_t Stride, size_t Offset) {
  return (Format & CFVFDiffuse) && Offset % Stride == ((Format & CFVFNormal) ? 24u : 12u);
}

TGVector LoadVector(const uint8_t* P) {
  TGVector V;
  std::memcpy(&V, P, sizeof(V));
  return V;
}

void StoreVector(uint8_t* P, const TGVector& V) {
  std::memcpy(P, &V, sizeof(V));
}

// Calls F for every field of a ";"-separated list, blanks trimmed; an empty field at the end
// (after the last separator, or an empty text) is no field.
template <class F>
void ForEachField(std::string_view Text, F&& Field) {
  size_t Start = 0;
  while (Start <= Text.size()) {
    size_t End = Text.find(';', Start);
    if (End == std::string_view::npos)
      End = Text.size();
    std::string_view S = Text.substr(Start, End - Start);
    while (!S.empty() && static_cast<unsigned char>(S.front()) <= ' ')
      S.remove_prefix(1);
    while (!S.empty() && static_cast<unsigned char>(S.back()) <= ' ')
      S.remove_suffix(1);
    if (!(End == Text.size() && S.empty()))
      Field(S);
    Start = End + 1;
  }
}

float ParseFloat(std::string_view S, const char* What) {
  float V = 0;
  if (!SafeTryStrToFloat(S, V))
    throw Error("%s: \"%s\" is no number", What, S);
  return V;
}

int64_t ParseInt(std::string_view S, int64_t Min, int64_t Max, const char* What) {
  int64_t V = 0;
  if (!TryStrToInt64(S, V) || V < Min || V > Max)
    throw Error("%s: \"%s\" is no integer from %d to %d", What, S, Min, Max);
  return V;
}

std::string FloatText(float V) {
  char Buf[32];
  auto [End, Ec] = std::to_chars(Buf, Buf + sizeof(Buf), V);
  return Ec == std::errc() ? std::string(Buf, End) : std::string("0");
}

} // namespace

// Bones, parts and their lists --------------------------------------------------------------------

void TGMeshBone::AssignTo(TGObject* Dest) const {
  auto* D = ObjectCast<TGMeshBone>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  D->FrameIndex = FrameIndex;
  D->InitialMatrix = InitialMatrix;
  D->Vertices = Vertices;
  D->Weights = Weights;
}

void TGMeshPart::AssignTo(TGObject* Dest) const {
  auto* D = ObjectCast<TGMeshPart>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  D->FaceStart = FaceStart;
  D->FaceCount = FaceCount;
  D->MaterialIndex = MaterialIndex;
}

TGMeshMaterial* TGMeshMaterials::GetItem(int I) const {
  return static_cast<TGMeshMaterial*>(TGCollection::GetItem(I));
}

// The mesh ---------------------------------------------------------------------------------------

TGMesh::TGMesh(TGObject* AOwner)
    : TGFrame(AOwner) {
  FBones = new TGMeshBones(this);
  FMaterials = new TGMeshMaterials(this);
  FParts = new TGMeshParts(this);
  FVB = NewVertexBuffer(CFVFXYZ, 0);
  FIB = TGIndexBuffer::CreateEx(this, 0);
  FIB->SetIsSysMem(true);
}

int32_t TGMesh::FormatStride(uint32_t Format) {
  if (!(Format & CFVFXYZ) || (Format & ~CMeshFormatBits) || TexturePairs(Format) > 8)
    return 0;
  return 12 + ((Format & CFVFNormal) ? 12 : 0) + ((Format & CFVFDiffuse) ? 4 : 0) +
         8 * TexturePairs(Format);
}

TGVertexBuffer* TGMesh::NewVertexBuffer(uint32_t Format, int32_t Count) {
  auto* VB = new TGVertexBuffer(this);
  VB->SetIsSysMem(true);
  VB->SetFormat(Format);
  VB->SetStride(FormatStride(Format));
  VB->SetLength(Count);
  return VB;
}

bool TGMesh::IsSkinned() const {
  return FBones->GetCount() > 0;
}

int32_t TGMesh::VertexCount() const {
  return FVB ? FVB->Length() : 0;
}

int32_t TGMesh::FaceCount() const {
  return FIB ? FIB->Length() / 3 : 0;
}

uint32_t TGMesh::VertexFormat() const {
  return FVB ? FVB->Format() : CFVFXYZ;
}

const uint16_t* TGMesh::Indices() const {
  return reinterpret_cast<const uint16_t*>(FIB->ClientData());
}

TGVector TGMesh::Position(int32_t I) const {
  return LoadVector(FVB->ClientData() +
                    static_cast<size_t>(I) * static_cast<size_t>(FVB->Stride()));
}

TGVector TGMesh::CurrentPosition(int32_t I) const {
  const TGVertexBuffer* VB = FSkinned && FTransformedVB ? FTransformedVB : FVB;
  return LoadVector(VB->ClientData() + static_cast<size_t>(I) * static_cast<size_t>(VB->Stride()));
}

void TGMesh::ClearGeometry() {
  FreeAndNil(FVB);
  FreeAndNil(FIB);
  FreeAndNil(FTransformedVB);
  FSkinned = false;
}

void TGMesh::SetGeometry(uint32_t Format, int32_t Count, const void* Vertices,
                         const std::vector<uint16_t>& Indices) {
  const int32_t Stride = FormatStride(Format);
  if (Stride == 0)
    throw Error("Mesh \"%s\": unsupported vertex format %d", FName, Format);
  if (Count < 0 || Count > CMaxMeshVertices)
    throw Error("Mesh \"%s\": %d vertices, at most %d fit 16-bit indices", FName, Count,
                CMaxMeshVertices);
  if (Indices.size() % 3 != 0 || Indices.size() > size_t{std::numeric_limits<int32_t>::max() / 2})
    throw Error("Mesh \"%s\": %u indices make no whole triangles", FName, Indices.size());
  ClearGeometry();
  FVB = NewVertexBuffer(Format, Count);
  if (Count > 0) {
    void* Data = FVB->Lock(0, lmWriteOnly);
    std::memcpy(Data, Vertices, static_cast<size_t>(Count) * static_cast<size_t>(Stride));
    FVB->Unlock();
  }
  ReplaceIndices(Indices);
}

void TGMesh::ReplaceIndices(const std::vector<uint16_t>& Indices) {
  FreeAndNil(FIB);
  FIB = TGIndexBuffer::CreateEx(this, static_cast<int32_t>(Indices.size()));
  FIB->SetIsSysMem(true);
  if (!Indices.empty()) {
    uint16_t* Data = FIB->Lock(0, lmWriteOnly);
    std::copy(Indices.begin(), Indices.end(), Data);
    FIB->Unlock();
  }
}

void TGMesh::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TGMesh*>(Dest);
  inherited::AssignTo(Dest);
  if (!D || D == this)
    return;
  std::vector<uint16_t> Faces(Indices(), Indices() + FIB->Length());
  D->SetGeometry(VertexFormat(), VertexCount(), FVB->ClientData(), Faces);
  D->FBones->Assign(FBones);
  D->FMaterials->Assign(FMaterials);
  D->FParts->Assign(FParts);
  D->Visible = Visible;
  D->FVertexBones = FVertexBones;
  D->FVertexBonesLen = FVertexBonesLen;
  FreeAndNil(D->FBoneMatrices);
  if (FBoneMatrices) {
    D->FBoneMatrices = new TGAlignedStorage(D);
    D->FBoneMatrices->Allocate(FBoneMatrices->ItemSize(), FBoneMatrices->ItemsCount(), 16);
  }
}

void TGMesh::OwnedObjectDestroying(TGObject* Obj) {
  if (Obj == FVB)
    FVB = nullptr;
  else if (Obj == FIB)
    FIB = nullptr;
  else if (Obj == FTransformedVB)
    FTransformedVB = nullptr;
  else if (Obj == FBones)
    FBones = nullptr;
  else if (Obj == FMaterials)
    FMaterials = nullptr;
  else if (Obj == FParts)
    FParts = nullptr;
  else if (Obj == FBoneMatrices)
    FBoneMatrices = nullptr;
  inherited::OwnedObjectDestroying(Obj);
}

// Reordering --------------------------------------------------------------------------------------

namespace {

// From the last part down to the second: a part of the same material as the one before it is
// merged into that one.
void MergeAdjacentParts(TGMeshParts* Parts) {
  for (int I = Parts->GetCount() - 1; I >= 1; --I) {
    TGMeshPart* Part = Parts->GetItem(I);
    TGMeshPart* Before = Parts->GetItem(I - 1);
    if (Part->MaterialIndex == Before->MaterialIndex) {
      Before->FaceCount += Part->FaceCount;
      Parts->Remove(Part);
    }
  }
}

} // namespace

void TGMesh::Optimize() {
  if (FParts->GetCount() == 0)
    return;
  MergeAdjacentParts(FParts);
  std::vector<TGMeshPart*> Order;
  for (int I = 0; I < FParts->GetCount(); ++I)
    Order.push_back(FParts->GetItem(I));
  // Parts of one material keep their order, so that the result does not depend on the sort.
  std::stable_sort(Order.begin(), Order.end(), [](const TGMeshPart* A, const TGMeshPart* B) {
    return A->MaterialIndex < B->MaterialIndex;
  });
  const uint16_t* Old = Indices();
  const uint64_t Faces = static_cast<uint64_t>(FaceCount());
  std::vector<uint16_t> New;
  New.reserve(static_cast<size_t>(FIB->Length()));
  for (size_t I = 0; I < Order.size(); ++I) {
    TGMeshPart* Part = Order[I];
    if (uint64_t{Part->FaceStart} + Part->FaceCount > Faces)
      throw Error("Mesh \"%s\": a part covers faces beyond the %d it has", FName, FaceCount());
    const auto Start = static_cast<uint32_t>(New.size() / 3);
    New.insert(New.end(), Old + size_t{Part->FaceStart} * 3,
               Old + (size_t{Part->FaceStart} + Part->FaceCount) * 3);
    Part->FaceStart = Start;
    FParts->SetItem(static_cast<int>(I), Part);
  }
  ReplaceIndices(New);
  MergeAdjacentParts(FParts);
}

// Checks ------------------------------------------------------------------------------------------

void TGMesh::Validate(int32_t FrameCount) const {
  const int32_t Vertices = VertexCount();
  const uint32_t Format = VertexFormat();
  const auto Stride = static_cast<size_t>(FVB->Stride());
  for (size_t Off = 0; Off < static_cast<size_t>(Vertices) * Stride; Off += 4) {
    float F;
    std::memcpy(&F, FVB->ClientData() + Off, 4);
    if (!IsColorSlot(Format, Stride, Off) && !std::isfinite(F))
      throw Error("Mesh \"%s\": vertex %d holds a number that is not finite", FName, Off / Stride);
  }
  for (int I = 0; I < FMaterials->GetCount(); ++I)
    if (!std::isfinite(FMaterials->GetItem(I)->Material.Power))
      throw Error("Mesh \"%s\": material %d has a specular power that is not finite", FName, I);
  const uint16_t* Index = Indices();
  for (int32_t I = 0; I < FIB->Length(); ++I)
    if (Index[I] >= Vertices)
      throw Error("Mesh \"%s\": face %d names vertex %d of %d", FName, I / 3, Index[I], Vertices);
  for (int I = 0; I < FParts->GetCount(); ++I) {
    const TGMeshPart* Part = FParts->GetItem(I);
    if (Part->MaterialIndex < 0 || Part->MaterialIndex >= FMaterials->GetCount())
      throw Error("Mesh \"%s\": part %d uses material %d of %d", FName, I, Part->MaterialIndex,
                  FMaterials->GetCount());
    if (uint64_t{Part->FaceStart} + Part->FaceCount > static_cast<uint64_t>(FaceCount()))
      throw Error("Mesh \"%s\": part %d covers faces %u to %u of %d", FName, I, Part->FaceStart,
                  uint64_t{Part->FaceStart} + Part->FaceCount, FaceCount());
  }
  for (int I = 0; I < FBones->GetCount(); ++I) {
    const TGMeshBone* Bone = FBones->GetItem(I);
    if (Bone->FrameIndex < 0 || Bone->FrameIndex >= FrameCount)
      throw Error("Mesh \"%s\": bone %d follows frame %d of %d", FName, I, Bone->FrameIndex,
                  FrameCount);
    if (Bone->Vertices.size() != Bone->Weights.size())
      throw Error("Mesh \"%s\": bone %d has %u vertices and %u weights", FName, I,
                  Bone->Vertices.size(), Bone->Weights.size());
    if (!IsFinite(Bone->InitialMatrix) || !std::all_of(Bone->Weights.begin(), Bone->Weights.end(),
                                                       [](float W) { return std::isfinite(W); }))
      throw Error("Mesh \"%s\": bone %d holds a number that is not finite", FName, I);
    for (int32_t V : Bone->Vertices)
      if (V < 0 || V >= Vertices)
        throw Error("Mesh \"%s\": bone %d moves vertex %d of %d", FName, I, V, Vertices);
  }
}

// Skinning ----------------------------------------------------------------------------------------

void TGMesh::UpdateVertexBones() {
  FreeAndNil(FBoneMatrices);
  FVertexBones.clear();
  FVertexBonesLen.clear();
  FSkinned = false;
  if (!IsSkinned())
    return;
  const auto Count = static_cast<size_t>(VertexCount());
  FVertexBones.assign(Count, {});
  FVertexBonesLen.assign(Count, 0);
  for (int B = 0; B < FBones->GetCount(); ++B) {
    const TGMeshBone* Bone = FBones->GetItem(B);
    if (Bone->Vertices.size() != Bone->Weights.size())
      throw Error("Mesh \"%s\": bone %d has %u vertices and %u weights", FName, B,
                  Bone->Vertices.size(), Bone->Weights.size());
    for (size_t J = 0; J < Bone->Vertices.size(); ++J) {
      const int32_t V = Bone->Vertices[J];
      if (V < 0 || static_cast<size_t>(V) >= Count)
        throw Error("Mesh \"%s\": bone %d moves vertex %d of %d", FName, B, V, VertexCount());
      uint8_t& Len = FVertexBonesLen[static_cast<size_t>(V)];
      if (Len >= CMaxBonesPerVertex)
        throw Error("Too many bones per vertex");
      FVertexBones[static_cast<size_t>(V)][Len++] = TGVertexBone{B, Bone->Weights[J]};
    }
  }
  FBoneMatrices = new TGAlignedStorage(this);
  FBoneMatrices->Allocate(sizeof(TGMatrix), FBones->GetCount(), 16);
}

void TGMesh::Skin() {
  if (!IsSkinned())
    return;
  TGFrames* Frames = Collection();
  if (!Frames)
    return; // the bones follow frames of a model
  if (!FBoneMatrices || FBoneMatrices->ItemsCount() != FBones->GetCount() ||
      FVertexBonesLen.size() != static_cast<size_t>(VertexCount()))
    UpdateVertexBones();
  // Bone matrices from mesh space through the bones' frames back into mesh space.
  TGMatrix ToMesh;
  if (!MatrixInverse(GetModelMatrix(), ToMesh))
    ToMesh = MatIdentity;
  auto* Matrices = static_cast<TGMatrix*>(FBoneMatrices->Data());
  for (int B = 0; B < FBones->GetCount(); ++B) {
    const TGMeshBone* Bone = FBones->GetItem(B);
    if (Bone->FrameIndex < 0 || Bone->FrameIndex >= Frames->GetCount())
      throw Error("Mesh \"%s\": bone %d follows frame %d of %d", FName, B, Bone->FrameIndex,
                  Frames->GetCount());
    Matrices[B] =
        Bone->InitialMatrix * Frames->GetItem(Bone->FrameIndex)->GetModelMatrix() * ToMesh;
  }
  const int32_t Count = VertexCount();
  const auto Stride = static_cast<size_t>(FVB->Stride());
  if (!FTransformedVB || FTransformedVB->Length() != Count ||
      FTransformedVB->Format() != FVB->Format()) {
    FreeAndNil(FTransformedVB);
    FTransformedVB = NewVertexBuffer(FVB->Format(), Count);
  }
  if (Count == 0)
    return;
  const uint8_t* Source = FVB->ClientData();
  auto* Target = static_cast<uint8_t*>(FTransformedVB->Lock(0, lmWriteOnly));
  std::memcpy(Target, Source, static_cast<size_t>(Count) * Stride);
  const bool Normals = GCalcSkinNormals && (FVB->Format() & CFVFNormal);
  for (size_t V = 0; V < static_cast<size_t>(Count); ++V) {
    const uint8_t Len = FVertexBonesLen[V];
    if (Len == 0)
      continue; // no bone reaches it: it stays where the source has it
    const TGVertexBone* Entries = FVertexBones[V].data();
    const TGVector P = LoadVector(Source + V * Stride);
    TGVector Sum = Vec3TransformAffine(P, Matrices[Entries[0].Bone]) * Entries[0].Weight;
    for (uint8_t E = 1; E < Len; ++E)
      Sum = Sum + Vec3TransformAffine(P, Matrices[Entries[E].Bone]) * Entries[E].Weight;
    StoreVector(Target + V * Stride, Sum);
    if (Normals) {
      const TGVector N = LoadVector(Source + V * Stride + 12);
      TGVector NSum = Vec3TransformNormal(N, Matrices[Entries[0].Bone]) * Entries[0].Weight;
      for (uint8_t E = 1; E < Len; ++E)
        NSum = NSum + Vec3TransformNormal(N, Matrices[Entries[E].Bone]) * Entries[E].Weight;
      StoreVector(Target + V * Stride + 12, NSum);
    }
  }
  FTransformedVB->Unlock();
  FSkinned = true;
}

// Drawing and updating ----------------------------------------------------------------------------

void TGMesh::Update(TGModel* Model, float DeltaTime) {
  if (IsSkinned())
    Skin();
  inherited::Update(Model, DeltaTime);
}

void TGMesh::Draw(TGColor Diffuse) {
  TGVertexBuffer* Source = IsSkinned() ? (FSkinned ? FTransformedVB : nullptr) : FVB;
  if (Visible && Source && VertexCount() > 0 && FaceCount() > 0) {
    GD->SetVertexBuffer(Source);
    GD->SetIndexBuffer(FIB);
    for (int I = 0; I < FParts->GetCount(); ++I) {
      const TGMeshPart* Part = FParts->GetItem(I);
      if (Part->FaceCount == 0 || Part->MaterialIndex < 0 ||
          Part->MaterialIndex >= FMaterials->GetCount())
        continue;
      TGMeshMaterial* Material = FMaterials->GetItem(Part->MaterialIndex);
      Material->SetupDevice(Diffuse);
      try {
        GD->DrawIndexedTriangleList(static_cast<int32_t>(Part->FaceStart),
                                    static_cast<int32_t>(Part->FaceCount), 0, VertexCount());
      } catch (...) {
        Material->RestoreDevice();
        throw;
      }
      Material->RestoreDevice();
    }
  }
  inherited::Draw(Diffuse);
}

// Geometry queries --------------------------------------------------------------------------------

bool TGMesh::CalcBBox(TGVector& Min, TGVector& Max) {
  const int32_t Count = VertexCount();
  if (Count == 0)
    return false;
  const TGMatrix& M = GetModelMatrix();
  Min = Max = Vec3TransformCoord(CurrentPosition(0), M);
  for (int32_t I = 1; I < Count; ++I) {
    const TGVector P = Vec3TransformCoord(CurrentPosition(I), M);
    Min = TGVector{std::min(Min.X, P.X), std::min(Min.Y, P.Y), std::min(Min.Z, P.Z)};
    Max = TGVector{std::max(Max.X, P.X), std::max(Max.Y, P.Y), std::max(Max.Z, P.Z)};
  }
  return true;
}

bool TGMesh::Intersects(const TGVector& RayOrigin, const TGVector& RayDirection, float& Distance) {
  const int32_t Count = VertexCount();
  if (Count == 0 || FaceCount() == 0)
    return false;
  const TGMatrix& M = GetModelMatrix();
  std::vector<TGVector> Points(static_cast<size_t>(Count));
  for (int32_t I = 0; I < Count; ++I)
    Points[static_cast<size_t>(I)] = Vec3TransformCoord(CurrentPosition(I), M);
  const uint16_t* Index = Indices();
  bool Hit = false;
  for (int32_t F = 0; F < FaceCount(); ++F) {
    const uint16_t A = Index[F * 3];
    const uint16_t B = Index[F * 3 + 1];
    const uint16_t C = Index[F * 3 + 2];
    if (A >= Count || B >= Count || C >= Count)
      continue;
    float U = 0;
    float V = 0;
    float Dist = 0;
    if (RayTriangleIntersection(Points[A], Points[B], Points[C], RayOrigin, RayDirection, Dist, U,
                                V) &&
        (!Hit || Dist < Distance)) {
      Distance = Dist;
      Hit = true;
    }
  }
  return Hit;
}

// The binary form --------------------------------------------------------------------------------

void TGMesh::SaveToBinary(TGWriter& Writer) const {
  inherited::SaveToBinary(Writer);
  Writer.WriteInteger(FMaterials->GetCount());
  for (int I = 0; I < FMaterials->GetCount(); ++I) {
    const TGMeshMaterial* M = FMaterials->GetItem(I);
    Writer.WriteString(M->Name());
    Writer.WriteColor(M->Material.Diffuse);
    Writer.WriteColor(M->Material.Ambient);
    Writer.WriteColor(M->Material.Specular);
    Writer.WriteColor(M->Material.Emissive);
    Writer.WriteSingle(M->Material.Power);
  }
  const uint32_t Format = VertexFormat();
  Writer.WriteInteger(static_cast<int32_t>(Format));
  Writer.WriteInteger(VertexCount());
  const auto Stride = static_cast<size_t>(FVB->Stride());
  for (int32_t V = 0; V < VertexCount(); ++V) {
    const uint8_t* P = FVB->ClientData() + static_cast<size_t>(V) * Stride;
    for (size_t Off = 0; Off < Stride; Off += 4) {
      if (IsColorSlot(Format, Stride, Off)) {
        uint32_t C;
        std::memcpy(&C, P + Off, 4);
        Writer.WriteColor(C);
      } else {
        float F;
        std::memcpy(&F, P + Off, 4);
        Writer.WriteSingle(F);
      }
    }
  }
  Writer.WriteInteger(FIB->Length());
  for (int32_t I = 0; I < FIB->Length(); ++I)
    Writer.WriteInteger(Indices()[I]);
  Writer.WriteInteger(FParts->GetCount());
  for (int I = 0; I < FParts->GetCount(); ++I) {
    const TGMeshPart* Part = FParts->GetItem(I);
    Writer.WriteInteger(Part->MaterialIndex);
    Writer.WriteInteger(static_cast<int32_t>(Part->FaceStart));
    Writer.WriteInteger(static_cast<int32_t>(Part->FaceCount));
  }
  Writer.WriteInteger(FBones->GetCount());
  for (int I = 0; I < FBones->GetCount(); ++I) {
    const TGMeshBone* Bone = FBones->GetItem(I);
    Writer.WriteInteger(Bone->FrameIndex);
    WriteMatrix(Writer, Bone->InitialMatrix);
    Writer.WriteInteger(static_cast<int32_t>(Bone->Vertices.size()));
    for (size_t J = 0; J < Bone->Vertices.size(); ++J) {
      Writer.WriteInteger(Bone->Vertices[J]);
      Writer.WriteSingle(J < Bone->Weights.size() ? Bone->Weights[J] : 0.0f);
    }
  }
}

void TGMesh::LoadFromBinary(const TGModelLoadContext& Context, TGReader& Reader) {
  inherited::LoadFromBinary(Context, Reader);
  FMaterials->Clear();
  FParts->Clear();
  FBones->Clear();
  const int32_t Materials = ReadCount(Reader, 15, "material");
  for (int32_t I = 0; I < Materials; ++I) {
    auto* M = new TGMeshMaterial(FMaterials);
    FMaterials->Add(M);
    const std::string URL = ReadText(Reader);
    M->Material.Diffuse = Reader.ReadColor();
    M->Material.Ambient = Reader.ReadColor();
    M->Material.Specular = Reader.ReadColor();
    M->Material.Emissive = Reader.ReadColor();
    M->Material.Power = Reader.ReadSingle();
    M->SetTexture(Context.Library, URL, Context.TextureSearchPath);
  }
  const auto Format = static_cast<uint32_t>(Reader.ReadInteger());
  const int32_t Stride = FormatStride(Format);
  if (Stride == 0)
    throw Error("Mesh \"%s\": unsupported vertex format %d", FName, Format);
  const int32_t Vertices = ReadCount(Reader, int64_t{Stride} / 2, "vertex");
  if (Vertices > CMaxMeshVertices)
    throw Error("Mesh \"%s\": %d vertices, at most %d fit 16-bit indices", FName, Vertices,
                CMaxMeshVertices);
  std::vector<uint8_t> Data(static_cast<size_t>(Vertices) * static_cast<size_t>(Stride));
  for (size_t Off = 0; Off < Data.size(); Off += 4) {
    if (IsColorSlot(Format, static_cast<size_t>(Stride), Off)) {
      const uint32_t C = Reader.ReadColor();
      std::memcpy(&Data[Off], &C, 4);
    } else {
      const float F = Reader.ReadSingle();
      std::memcpy(&Data[Off], &F, 4);
    }
  }
  const int32_t IndexCount = ReadCount(Reader, 2, "index");
  std::vector<uint16_t> Faces(static_cast<size_t>(IndexCount));
  for (uint16_t& I : Faces) {
    const int32_t V = Reader.ReadInteger();
    if (V < 0 || V > 0xFFFF)
      throw Error("Mesh \"%s\": vertex index %d is out of range", FName, V);
    I = static_cast<uint16_t>(V);
  }
  SetGeometry(Format, Vertices, Data.data(), Faces);
  const int32_t Parts = ReadCount(Reader, 6, "part");
  for (int32_t I = 0; I < Parts; ++I) {
    auto* Part = new TGMeshPart(FParts);
    FParts->Add(Part);
    Part->MaterialIndex = Reader.ReadInteger();
    Part->FaceStart = Reader.ReadLongword();
    Part->FaceCount = Reader.ReadLongword();
  }
  const int32_t Bones = ReadCount(Reader, 36, "bone");
  for (int32_t I = 0; I < Bones; ++I) {
    auto* Bone = new TGMeshBone(FBones);
    FBones->Add(Bone);
    Bone->FrameIndex = Reader.ReadInteger();
    ReadMatrix(Reader, Bone->InitialMatrix);
    const int32_t Entries = ReadCount(Reader, 4, "bone entry");
    Bone->Vertices.resize(static_cast<size_t>(Entries));
    Bone->Weights.resize(static_cast<size_t>(Entries));
    for (int32_t J = 0; J < Entries; ++J) {
      Bone->Vertices[static_cast<size_t>(J)] = Reader.ReadInteger();
      Bone->Weights[static_cast<size_t>(J)] = Reader.ReadSingle();
    }
  }
}

// The XML form -----------------------------------------------------------------------------------

TGXMLNode* TGMesh::SaveToXML(int32_t Index) const {
  TGXMLNode* Node = inherited::SaveToXML(Index);
  for (int I = 0; I < FMaterials->GetCount(); ++I) {
    const TGMeshMaterial* M = FMaterials->GetItem(I);
    TGXMLNode* Child = Node->AddChild("Material");
    if (!M->Name().empty())
      Child->SetStrAttr("Texture", M->Name());
    Child->SetLongwordAttr("DiffuseColor", M->Material.Diffuse);
    Child->SetLongwordAttr("AmbientColor", M->Material.Ambient);
    Child->SetLongwordAttr("SpecularColor", M->Material.Specular);
    Child->SetLongwordAttr("EmissiveColor", M->Material.Emissive);
    Child->SetFloatAttr("SpecularPower", M->Material.Power);
  }
  const uint32_t Format = VertexFormat();
  TGXMLNode* Vertices = Node->AddChild("Vertices");
  Vertices->SetIntAttr("Format", static_cast<int32_t>(Format));
  Vertices->SetIntAttr("Length", VertexCount());
  std::string Text;
  const auto Stride = static_cast<size_t>(FVB->Stride());
  for (int32_t V = 0; V < VertexCount(); ++V) {
    const uint8_t* P = FVB->ClientData() + static_cast<size_t>(V) * Stride;
    for (size_t Off = 0; Off < Stride; Off += 4) {
      if (!Text.empty())
        Text += Off == 0 ? ";\r\n" : ";";
      if (IsColorSlot(Format, Stride, Off)) {
        uint32_t C;
        std::memcpy(&C, P + Off, 4);
        Text += std::to_string(C);
      } else {
        float F;
        std::memcpy(&F, P + Off, 4);
        Text += FloatText(F);
      }
    }
  }
  Vertices->SetText(Text);
  TGXMLNode* IndicesNode = Node->AddChild("Indices");
  IndicesNode->SetIntAttr("Length", FIB->Length());
  Text.clear();
  for (int32_t I = 0; I < FIB->Length(); ++I) {
    if (I > 0)
      Text += I % 3 == 0 ? ";\r\n" : ";";
    Text += std::to_string(Indices()[I]);
  }
  IndicesNode->SetText(Text);
  for (int I = 0; I < FParts->GetCount(); ++I) {
    const TGMeshPart* Part = FParts->GetItem(I);
    TGXMLNode* Child = Node->AddChild("Part");
    Child->SetIntAttr("Material", Part->MaterialIndex);
    Child->SetLongwordAttr("FaceStart", Part->FaceStart);
    Child->SetLongwordAttr("FaceCount", Part->FaceCount);
  }
  for (int I = 0; I < FBones->GetCount(); ++I) {
    const TGMeshBone* Bone = FBones->GetItem(I);
    TGXMLNode* Child = Node->AddChild("Bone");
    Child->SetIntAttr("Frame", Bone->FrameIndex);
    WriteMatrixChild(Child, Bone->InitialMatrix);
    TGXMLNode* Entries = Child->AddChild("Vertices");
    Entries->SetIntAttr("Length", static_cast<int32_t>(Bone->Vertices.size()));
    Text.clear();
    for (size_t J = 0; J < Bone->Vertices.size(); ++J) {
      if (J > 0)
        Text += ";";
      Text += std::to_string(Bone->Vertices[J]) + ";" +
              FloatText(J < Bone->Weights.size() ? Bone->Weights[J] : 0.0f);
    }
    Entries->SetText(Text);
  }
  return Node;
}

void TGMesh::ReadXMLVertices(const TGXMLNode* Node) {
  const TGXMLCollection* List = Node->GetChilds("Vertices");
  const TGXMLCollection* IndexList = Node->GetChilds("Indices");
  if (List->GetCount() > 1 || IndexList->GetCount() > 1)
    throw Error("Mesh \"%s\" has more than one vertex or index list", FName);
  uint32_t Format = CFVFXYZ;
  int32_t Count = 0;
  std::vector<uint8_t> Data;
  if (List->GetCount() == 1) {
    const TGXMLNode* V = List->GetItem(0);
    Format = static_cast<uint32_t>(V->GetIntAttr("Format"));
    Count = V->GetIntAttr("Length");
    const int32_t Stride = FormatStride(Format);
    if (Stride == 0)
      throw Error("Mesh \"%s\": unsupported vertex format %d", FName, Format);
    if (Count < 0 || Count > CMaxMeshVertices)
      throw Error("Mesh \"%s\": %d vertices, at most %d fit 16-bit indices", FName, Count,
                  CMaxMeshVertices);
    const size_t Values = static_cast<size_t>(Count) * static_cast<size_t>(Stride) / 4;
    Data.resize(Values * 4);
    size_t N = 0;
    ForEachField(V->Text(), [&](std::string_view Field) {
      if (N >= Values)
        throw Error("Mesh \"%s\": more vertex values than %d vertices hold", FName, Count);
      if (IsColorSlot(Format, static_cast<size_t>(Stride), N * 4)) {
        const auto C = static_cast<uint32_t>(
            ParseInt(Field, std::numeric_limits<int32_t>::min(), 0xFFFFFFFFll, "Vertex colour"));
        std::memcpy(&Data[N * 4], &C, 4);
      } else {
        const float F = ParseFloat(Field, "Vertex value");
        std::memcpy(&Data[N * 4], &F, 4);
      }
      ++N;
    });
    if (N != Values)
      throw Error("Mesh \"%s\": %d vertex values for %d vertices", FName, N, Count);
  }
  std::vector<uint16_t> Faces;
  if (IndexList->GetCount() == 1) {
    const TGXMLNode* I = IndexList->GetItem(0);
    const int32_t Length = I->GetIntAttr("Length");
    if (Length < 0 || static_cast<size_t>(Length) > I->Text().size())
      throw Error("Mesh \"%s\": index count %d is out of range", FName, Length);
    Faces.reserve(static_cast<size_t>(Length));
    ForEachField(I->Text(), [&](std::string_view Field) {
      Faces.push_back(static_cast<uint16_t>(ParseInt(Field, 0, 0xFFFF, "Vertex index")));
    });
    if (Faces.size() != static_cast<size_t>(Length))
      throw Error("Mesh \"%s\": %u indices where %d are announced", FName, Faces.size(), Length);
  }
  SetGeometry(Format, Count, Data.data(), Faces);
}

void TGMesh::LoadFromXML(const TGModelLoadContext& Context, const TGXMLNode* Node) {
  inherited::LoadFromXML(Context, Node);
  FMaterials->Clear();
  FParts->Clear();
  FBones->Clear();
  for (const TGXMLNode* Child : *Node->GetChilds("Material")) {
    auto* M = new TGMeshMaterial(FMaterials);
    FMaterials->Add(M);
    M->Material.Diffuse = Child->GetLongwordAttrDef("DiffuseColor", 0xFFFFFFFFu);
    M->Material.Ambient = Child->GetLongwordAttrDef("AmbientColor", 0);
    M->Material.Specular = Child->GetLongwordAttrDef("SpecularColor", 0);
    M->Material.Emissive = Child->GetLongwordAttrDef("EmissiveColor", 0);
    M->Material.Power = Child->GetFloatAttrDef("SpecularPower", 0);
    M->SetTexture(Context.Library, Child->GetStrAttrDef("Texture", ""), Context.TextureSearchPath);
  }
  ReadXMLVertices(Node);
  for (const TGXMLNode* Child : *Node->GetChilds("Part")) {
    auto* Part = new TGMeshPart(FParts);
    FParts->Add(Part);
    Part->MaterialIndex = Child->GetIntAttr("Material");
    Part->FaceStart = Child->GetLongwordAttr("FaceStart");
    Part->FaceCount = Child->GetLongwordAttr("FaceCount");
  }
  for (const TGXMLNode* Child : *Node->GetChilds("Bone")) {
    auto* Bone = new TGMeshBone(FBones);
    FBones->Add(Bone);
    Bone->FrameIndex = Child->GetIntAttr("Frame");
    Bone->InitialMatrix = ReadMatrixChild(Child);
    const TGXMLCollection* Lists = Child->GetChilds("Vertices");
    if (Lists->GetCount() > 1)
      throw Error("Mesh \"%s\": bone %d has more than one vertex list", FName,
                  FBones->GetCount() - 1);
    if (Lists->GetCount() == 0)
      continue;
    const TGXMLNode* Entries = Lists->GetItem(0);
    const int32_t Length = Entries->GetIntAttr("Length");
    if (Length < 0 || static_cast<size_t>(Length) > Entries->Text().size())
      throw Error("Mesh \"%s\": bone entry count %d is out of range", FName, Length);
    size_t N = 0;
    ForEachField(Entries->Text(), [&](std::string_view Field) {
      if (N % 2 == 0)
        Bone->Vertices.push_back(static_cast<int32_t>(
            ParseInt(Field, 0, std::numeric_limits<int32_t>::max(), "Bone vertex")));
      else
        Bone->Weights.push_back(ParseFloat(Field, "Bone weight"));
      ++N;
    });
    if (N != static_cast<size_t>(Length) * 2)
      throw Error("Mesh \"%s\": %d bone values for %d entries", FName, N, Length);
  }
}
