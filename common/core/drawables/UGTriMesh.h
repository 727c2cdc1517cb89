// Triangle meshes: a graphic that owns a list of lit, textured vertices (TGNormTexVertex) and one
// texture, and draws them with the caller's material, blending and matrices. The vertices are
// uploaded into a vertex buffer of the mesh's own, made on the first draw after they changed.
// TGTriList reads the list as independent triangles.
#pragma once

#include "drawables/UGGraphic.h"
#include "drawables/UGShapes.h"

#include <cstdint>
#include <vector>

class TGTexture;
class TGVertexBuffer;

class TGTriMesh : public TGGraphic {
  G_CLASS(TGTriMesh, TGGraphic)
  // Starts empty, with the negative extent of an empty box.
  explicit TGTriMesh(TGObject* AOwner = nullptr);

  // Appends a vertex; without a normal it gets (0, 0, -1).
  void AddVertex(const TGVector& Position, float U, float V);
  void AddVertex(const TGVector& Position, const TGVector& Normal, float U, float V);

  // One vertex; an index outside 0 .. VertexCount - 1 is a range error.
  TGNormTexVertex GetVertex(int32_t Index) const;
  void SetVertex(int32_t Index, const TGNormTexVertex& Vertex);
  int32_t GetVertexCount() const { return static_cast<int32_t>(FVertices.size()); }
  // Resizes the list; new vertices are all zero. A negative count, or one whose bytes would not
  // fit a vertex buffer, is a range error.
  void SetVertexCount(int32_t Value);
  const std::vector<TGNormTexVertex>& Vertices() const { return FVertices; }

  // The texture, an empty TGManagedTexture owned by the mesh when none was set.
  TGTexture* GetTexture();
  // Frees the previous texture; the mesh owns Value from now on.
  void SetTexture(TGTexture* Value);

  // The graphic's part, then the vertices and a clone of the texture (the source gets its
  // empty texture first when it has none). Dest must be a triangle mesh.
  void AssignTo(TGObject* Dest) const override;
  // Draws the primitives with the texture on stage 0 (modulated by the material colour); an
  // empty mesh draws nothing.
  void Draw() override;

  // Draws the current vertex buffer in the mesh's primitive kind.
  virtual void DrawPrimitives() = 0;
  virtual int32_t GetPrimitiveCount() const = 0;

  // The uploaded vertices, or none before the first draw (and after every change).
  TGVertexBuffer* VertexBuffer() const { return FVB; }

protected:
  void CreateVertexBuffer();
  // The least corner becomes Origin, the size of the box the Extent; an empty mesh gets a
  // negative extent, so that nothing ever hits it.
  void RecalcBoundingBox();
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  // Drops the uploaded vertices and measures the box again.
  void VerticesChanged();

  TGTexture* FTexture = nullptr; // owned
  TGVertexBuffer* FVB = nullptr; // owned
  std::vector<TGNormTexVertex> FVertices;
};

// Independent triangles: vertices 3 i, 3 i + 1, 3 i + 2 make triangle i; a trailing one or two
// vertices are ignored.
class TGTriList : public TGTriMesh {
  G_CLASS(TGTriList, TGTriMesh)
  explicit TGTriList(TGObject* AOwner = nullptr)
      : TGTriMesh(AOwner) {}

  void DrawPrimitives() override;
  int32_t GetPrimitiveCount() const override { return GetVertexCount() / 3; }
};
