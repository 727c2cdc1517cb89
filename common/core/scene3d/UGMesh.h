// The mesh frames of a model: vertices and 16-bit indexed triangles in system memory, parts that
// draw runs of faces with one material each, and optional bones that deform the vertices on the
// processor (skinning) into a second vertex buffer every update.
#pragma once

#include "scene3d/UGFrame.h"

#include <array>
#include <cstdint>
#include <vector>

class TGAlignedStorage;
class TGIndexBuffer;
class TGMeshMaterial;
class TGVertexBuffer;

// The skinning routines; only the plain one is used.
enum TGApplySkinMode { asmNormal = 0, asmSSE = 1, asmSSEwoNormals = 2 };
extern TGApplySkinMode ApplySkinMode;
// Whether skinning also turns the normals; without it skinned vertices keep their source normals.
extern bool GCalcSkinNormals;

inline constexpr int CMaxBonesPerVertex = 6;
// 16-bit indices address at most this many vertices.
inline constexpr int32_t CMaxMeshVertices = 65536;

// A bone: the frame that moves it, its offset matrix from mesh space into the bone's space, and
// the vertices it moves with their weights.
class TGMeshBone : public TGClonableObject {
  G_CLASS(TGMeshBone, TGClonableObject)
  explicit TGMeshBone(TGObject* AOwner = nullptr)
      : TGClonableObject(AOwner) {}
  void AssignTo(TGObject* Dest) const override;

  int32_t FrameIndex = 0;
  TGMatrix InitialMatrix = MatIdentity;
  std::vector<int32_t> Vertices;
  std::vector<float> Weights; // one per entry of Vertices
};

// FaceCount faces from FaceStart, drawn with material MaterialIndex.
class TGMeshPart : public TGClonableObject {
  G_CLASS(TGMeshPart, TGClonableObject)
  explicit TGMeshPart(TGObject* AOwner = nullptr)
      : TGClonableObject(AOwner) {}
  void AssignTo(TGObject* Dest) const override;

  uint32_t FaceStart = 0;
  uint32_t FaceCount = 0;
  int32_t MaterialIndex = 0;
};

class TGMeshBones : public TGClonableCollection {
  G_CLASS(TGMeshBones, TGClonableCollection)
  explicit TGMeshBones(TGObject* AOwner = nullptr)
      : TGClonableCollection(AOwner) {}
  TGMeshBone* GetItem(int I) const { return static_cast<TGMeshBone*>(TGCollection::GetItem(I)); }
};

class TGMeshMaterials : public TGClonableCollection {
  G_CLASS(TGMeshMaterials, TGClonableCollection)
  explicit TGMeshMaterials(TGObject* AOwner = nullptr)
      : TGClonableCollection(AOwner) {}
  TGMeshMaterial* GetItem(int I) const;
};

class TGMeshParts : public TGClonableCollection {
  G_CLASS(TGMeshParts, TGClonableCollection)
  explicit TGMeshParts(TGObject* AOwner = nullptr)
      : TGClonableCollection(AOwner) {}
  TGMeshPart* GetItem(int I) const { return static_cast<TGMeshPart*>(TGCollection::GetItem(I)); }
};

// One entry of the vertex-to-bone table.
struct TGVertexBone {
  int32_t Bone = 0;
  float Weight = 0;
};

class TGMesh : public TGFrame {
  G_CLASS(TGMesh, TGFrame)
  explicit TGMesh(TGObject* AOwner = nullptr);

  void AssignTo(TGObject* Dest) const override;
  // The parts (when Visible), then the attached graphics.
  void Draw(TGColor Diffuse) override;
  // Skins a skinned mesh, then advances the attached graphics.
  void Update(TGModel* Model, float DeltaTime) override;
  void LoadFromBinary(const TGModelLoadContext& Context, TGReader& Reader) override;
  void SaveToBinary(TGWriter& Writer) const override;
  TGXMLNode* SaveToXML(int32_t Index) const override;
  void LoadFromXML(const TGModelLoadContext& Context, const TGXMLNode* Node) override;
  const char* FrameType() const override { return "Mesh"; }

  TGVertexBuffer* VB() const { return FVB; }
  TGIndexBuffer* IB() const { return FIB; }
  TGVertexBuffer* TransformedVB() const { return FTransformedVB; }
  TGMeshBones* Bones() const { return FBones; }
  TGMeshMaterials* Materials() const { return FMaterials; }
  TGMeshParts* Parts() const { return FParts; }
  bool IsSkinned() const;
  int32_t VertexCount() const;
  int32_t FaceCount() const;
  uint32_t VertexFormat() const;
  bool Visible = true;

  // Replaces the vertices (Count of the format's size each) and the indices (three per face).
  // A format the mesh cannot hold, more than 65,536 vertices or an index count that is not a
  // multiple of three fails; the indices are checked by Validate.
  void SetGeometry(uint32_t Format, int32_t Count, const void* Vertices,
                   const std::vector<uint16_t>& Indices);
  // The source position of vertex I (0 .. VertexCount - 1).
  TGVector Position(int32_t I) const;
  // The skinned position when the mesh was skinned, else the source one.
  TGVector CurrentPosition(int32_t I) const;
  const uint16_t* Indices() const;

  // Merges adjacent parts of one material, sorts the parts by material and rewrites the faces
  // so that each part covers one run; one part per material in the end.
  void Optimize();
  // Builds the vertex-to-bone table; a vertex reached by more than six bone entries fails with
  // "Too many bones per vertex".
  void UpdateVertexBones();
  // Deforms the source vertices by the bones into the transformed buffer.
  void Skin();
  // Checks indices, parts, materials and bones against the mesh and the FrameCount frames of
  // its model; the first fault fails the load with its own message.
  void Validate(int32_t FrameCount) const;

  // The box of the current positions in model space; false without vertices.
  bool CalcBBox(TGVector& Min, TGVector& Max);
  // The nearest face hit by the ray (model space), from either side; Distance in ray lengths.
  bool Intersects(const TGVector& RayOrigin, const TGVector& RayDirection, float& Distance);

  // The bytes of one vertex of Format, or 0 for a format a mesh cannot hold (it needs positions
  // and may have normals, a diffuse colour and up to eight texture-coordinate pairs).
  static int32_t FormatStride(uint32_t Format);

protected:
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  void ClearGeometry();
  // A new index buffer holding Indices.
  void ReplaceIndices(const std::vector<uint16_t>& Indices);
  TGVertexBuffer* NewVertexBuffer(uint32_t Format, int32_t Count);
  void ReadXMLVertices(const TGXMLNode* Node);
  void ReadXMLIndices(const TGXMLNode* Node);

  TGVertexBuffer* FVB = nullptr;            // owned
  TGIndexBuffer* FIB = nullptr;             // owned
  TGMeshBones* FBones = nullptr;            // owned
  TGVertexBuffer* FTransformedVB = nullptr; // owned; skinned vertices
  TGMeshMaterials* FMaterials = nullptr;    // owned
  TGMeshParts* FParts = nullptr;            // owned
  // Per vertex CMaxBonesPerVertex entries, FVertexBonesLen[v] of them in use.
  std::vector<std::array<TGVertexBone, CMaxBonesPerVertex>> FVertexBones;
  std::vector<uint8_t> FVertexBonesLen;
  TGAlignedStorage* FBoneMatrices = nullptr; // owned
  bool FSkinned = false;                     // the transformed buffer holds a skinning
};
