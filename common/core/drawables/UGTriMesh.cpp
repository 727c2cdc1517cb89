#include "drawables/UGTriMesh.h"

#include "base/UGError.h"
#include "base/UGFormat.h"
#include "graphics/UGGraphicsDevice.h"
#include "graphics/UGManagedTexture.h"
#include "graphics/UGVertexBuffer.h"
#include "object/UGClassBuilder.h"

#include <algorithm>
#include <limits>

G_IMPLEMENT_CLASS(TGTriMesh)
G_IMPLEMENT_CLASS(TGTriList)

namespace {

// A vertex buffer's size in bytes is a 32-bit number.
constexpr int32_t CMaxVertices = std::numeric_limits<int32_t>::max() / CNormTexVertexSize;

constexpr float CBig = 3.4e38f;

} // namespace

TGTriMesh::TGTriMesh(TGObject* AOwner)
    : TGGraphic(AOwner) {
  RecalcBoundingBox();
}

void TGTriMesh::AddVertex(const TGVector& Position, float U, float V) {
  AddVertex(Position, TGVector{0, 0, -1}, U, V);
}

void TGTriMesh::AddVertex(const TGVector& Position, const TGVector& Normal, float U, float V) {
  if (GetVertexCount() >= CMaxVertices)
    throw ERangeError(Format("A mesh holds at most %d vertices", {CMaxVertices}));
  TGNormTexVertex Vertex;
  FillVert(Vertex, Position, Normal, TGFlatVector{U, V});
  FVertices.push_back(Vertex);
  VerticesChanged();
}

TGNormTexVertex TGTriMesh::GetVertex(int32_t Index) const {
  if (Index < 0 || Index >= GetVertexCount())
    throw ERangeError(
        Format("Vertex index %d out of range (%d vertices)", {Index, GetVertexCount()}));
  return FVertices[static_cast<size_t>(Index)];
}

void TGTriMesh::SetVertex(int32_t Index, const TGNormTexVertex& Vertex) {
  if (Index < 0 || Index >= GetVertexCount())
    throw ERangeError(
        Format("Vertex index %d out of range (%d vertices)", {Index, GetVertexCount()}));
  FVertices[static_cast<size_t>(Index)] = Vertex;
  VerticesChanged();
}

void TGTriMesh::SetVertexCount(int32_t Value) {
  if (Value < 0 || Value > CMaxVertices)
    throw ERangeError(Format("Vertex count %d out of range", {Value}));
  FVertices.resize(static_cast<size_t>(Value));
  VerticesChanged();
}

TGTexture* TGTriMesh::GetTexture() {
  if (!FTexture)
    FTexture = new TGManagedTexture(this);
  return FTexture;
}

void TGTriMesh::SetTexture(TGTexture* Value) {
  if (Value == FTexture)
    return;
  TGTexture* Old = FTexture;
  FTexture = nullptr;
  if (Old)
    Old->Free();
  if (Value) {
    Value->SetOwner(this);
    FTexture = Value;
  }
}

void TGTriMesh::AssignTo(TGObject* Dest) const {
  TGTriMesh* D = ObjectCast<TGTriMesh>(Dest);
  inherited::AssignTo(Dest);
  if (D == this)
    return;
  // The whole list at once: the box is measured once, not after every vertex.
  D->FVertices = FVertices;
  D->VerticesChanged();
  // Assignment hands out a copy of the texture, so the source needs one of its own first.
  TGTexture* Texture = const_cast<TGTriMesh*>(this)->GetTexture();
  D->SetTexture(static_cast<TGTexture*>(Texture->Clone(D)));
}

void TGTriMesh::Draw() {
  const int32_t Count = GetPrimitiveCount();
  if (Count <= 0)
    return; // an empty vertex buffer cannot be drawn from
  if (!GD)
    throw Error("The graphics device is not initialized");
  GD->PushState(TGDeviceStateMask{bTexture0, bVertexBuffer});
  try {
    if (!FVB)
      CreateVertexBuffer();
    GD->SetVertexBuffer(FVB);
    GD->SetTexture(0, FTexture);
    GD->SetTextureState(0, tsModulate);
    DrawPrimitives();
  } catch (...) {
    GD->PopState();
    throw;
  }
  GD->PopState();
}

void TGTriMesh::CreateVertexBuffer() {
  const int32_t Count = GetVertexCount();
  auto* VB = new TGVertexBuffer(this, CNormTexVertexFormat, Count, CNormTexVertexSize);
  try {
    auto* Data = static_cast<TGNormTexVertex*>(VB->Lock(Count, lmWriteOnly));
    std::copy(FVertices.begin(), FVertices.end(), Data);
    VB->Unlock();
  } catch (...) {
    VB->Free();
    throw;
  }
  FVB = VB;
}

void TGTriMesh::RecalcBoundingBox() {
  TGVector Min{CBig, CBig, CBig};
  TGVector Max{-CBig, -CBig, -CBig};
  for (const TGNormTexVertex& V : FVertices) {
    Min = TGVector{std::min(Min.X, V.X), std::min(Min.Y, V.Y), std::min(Min.Z, V.Z)};
    Max = TGVector{std::max(Max.X, V.X), std::max(Max.Y, V.Y), std::max(Max.Z, V.Z)};
  }
  FOrigin = Min;
  SetExtent(Max - Min);
}

void TGTriMesh::VerticesChanged() {
  FreeAndNil(FVB);
  RecalcBoundingBox();
}

void TGTriMesh::OwnedObjectDestroying(TGObject* Obj) {
  // The texture or the buffer freed from elsewhere must not be used again.
  if (Obj == FTexture)
    FTexture = nullptr;
  if (Obj == FVB)
    FVB = nullptr;
  inherited::OwnedObjectDestroying(Obj);
}

// TGTriList --------------------------------------------------------------------------------------

void TGTriList::DrawPrimitives() {
  GD->DrawTriangleList(GetPrimitiveCount());
}
