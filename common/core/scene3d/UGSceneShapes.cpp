#include "scene3d/UGSceneShapes.h"

#include "drawables/UGShapes.h"
#include "drawables/UGSprite.h"
#include "graphics/UGManagedTexture.h"
#include "object/UGClassBuilder.h"
#include "scene3d/UGSceneIO.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TGSceneShapeBase)
G_IMPLEMENT_CLASS(TGSceneShapeBox)
G_IMPLEMENT_CLASS(TGSceneShapeSphere)
G_IMPLEMENT_CLASS(TGSceneShapeCapsule)
G_IMPLEMENT_CLASS(TGSceneShapeCylinder)

// --- Base ----------------------------------------------------------------------------------------

void TGSceneShapeBase::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGSceneShapeBase*>(Dest); D && D != this)
    D->SetTexture(FTexture);
}

void TGSceneShapeBase::SetTexture(TGSprite* Value) {
  SetResource(FTexture, Value);
}

void TGSceneShapeBase::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadAttributes(Context, Node);
  SetTexture(dynamic_cast<TGSprite*>(XMLResource(Context, Node, "Texture")));
}

void TGSceneShapeBase::SaveAttributes(TGXMLNode* Node) const {
  inherited::SaveAttributes(Node);
  if (FTexture && !FTexture->URL().empty())
    Node->SetStrAttr("Texture", FTexture->URL());
}

void TGSceneShapeBase::Draw(TGSceneContext& Context) {
  (void)Context;
  TGTexture* Texture = FTexture ? FTexture->Texture() : nullptr;
  GD->SetTexture(0, Texture);
  if (GD->Lighting()) {
    DrawShape();
    return;
  }
  GD->SetConstantColor(GD->MaterialDiffuse());
  GD->SetTextureState(0, Texture ? tsModulateConstant : tsConstant);
  try {
    DrawShape();
  } catch (...) {
    GD->SetTextureState(0, tsModulate);
    throw;
  }
  GD->SetTextureState(0, tsModulate);
}

// --- Box -----------------------------------------------------------------------------------------

void TGSceneShapeBox::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGSceneShapeBox*>(Dest); D && D != this)
    D->FSize = FSize;
}

void TGSceneShapeBox::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadAttributes(Context, Node);
  FSize = ReadSceneVector(Node, "Size", TGVector{10, 10, 10});
}

void TGSceneShapeBox::SaveAttributes(TGXMLNode* Node) const {
  inherited::SaveAttributes(Node);
  WriteSceneVector(Node, "Size", TGVector{10, 10, 10}, FSize);
}

void TGSceneShapeBox::GetAvgBBox(TGVector& Min, TGVector& Max) {
  Max = FSize * 0.5f;
  Min = -Max;
}

void TGSceneShapeBox::DrawShape() {
  DrawCube(FSize.X, FSize.Y, FSize.Z);
}

// --- Sphere --------------------------------------------------------------------------------------

void TGSceneShapeSphere::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGSceneShapeSphere*>(Dest); D && D != this) {
    D->FRadius = FRadius;
    D->FLOD = FLOD;
  }
}

void TGSceneShapeSphere::SetLOD(int32_t Value) {
  FLOD = std::clamp(Value, 0, 2);
}

void TGSceneShapeSphere::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadAttributes(Context, Node);
  FRadius = ReadSceneFloat(Node, "Radius", 7);
}

void TGSceneShapeSphere::SaveAttributes(TGXMLNode* Node) const {
  inherited::SaveAttributes(Node);
  WriteSceneFloat(Node, "Radius", 7, FRadius);
}

void TGSceneShapeSphere::GetAvgBBox(TGVector& Min, TGVector& Max) {
  const float R = std::fabs(FRadius);
  Max = TGVector{R, R, R};
  Min = -Max;
}

bool TGSceneShapeSphere::SelfTrace(const TGVector& RayOrig, const TGVector& RayDir,
                                   TGVector& Contact, TGVector& Normal) {
  if (!FVisible || std::fabs(FRadius) < 0.001f)
    return false;
  const TGMatrix& W = GetWorldMatrix();
  TGVector O;
  TGVector D;
  float Distance = 0;
  if (!PointAndNormalToSpace(W, RayOrig, RayDir, O, D) ||
      !RaySphereIntersection(O, D, VecZero, std::fabs(FRadius), Distance))
    return false;
  PointAndNormalFromSpace(W, O + D * Distance, -D, Contact, Normal);
  return true;
}

void TGSceneShapeSphere::DrawShape() {
  DrawSphere(VecZero, FLOD, FRadius);
}

// --- Capsule -------------------------------------------------------------------------------------

void TGSceneShapeCapsule::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGSceneShapeCapsule*>(Dest); D && D != this) {
    D->FRadius = FRadius;
    D->FLength = FLength;
    D->FDetail = FDetail;
  }
}

void TGSceneShapeCapsule::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadAttributes(Context, Node);
  FRadius = ReadSceneFloat(Node, "Radius", 5);
  FLength = ReadSceneFloat(Node, "Length", 6);
  SetDetail(ReadSceneInteger(Node, "Detail", 10));
}

void TGSceneShapeCapsule::SaveAttributes(TGXMLNode* Node) const {
  inherited::SaveAttributes(Node);
  WriteSceneFloat(Node, "Radius", 5, FRadius);
  WriteSceneFloat(Node, "Length", 6, FLength);
  Node->SetIntAttrDef("Detail", 10, FDetail);
}

void TGSceneShapeCapsule::GetAvgBBox(TGVector& Min, TGVector& Max) {
  Max = TGVector{FRadius, FRadius, FRadius + FLength / 2};
  Min = -Max;
}

void TGSceneShapeCapsule::DrawShape() {
  DrawCapsule(std::clamp(FDetail, 6, CMaxCapsuleDetail), FRadius, FLength);
}

// --- Cylinder ------------------------------------------------------------------------------------

void TGSceneShapeCylinder::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGSceneShapeCylinder*>(Dest); D && D != this) {
    D->FRadiusTop = FRadiusTop;
    D->FRadiusBottom = FRadiusBottom;
    D->FLength = FLength;
    D->FDetail = FDetail;
  }
}

void TGSceneShapeCylinder::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadAttributes(Context, Node);
  FRadiusTop = ReadSceneFloat(Node, "RadiusTop", 5);
  FRadiusBottom = ReadSceneFloat(Node, "RadiusBottom", 5);
  FLength = ReadSceneFloat(Node, "Length", 6);
  SetDetail(ReadSceneInteger(Node, "Detail", 10));
}

void TGSceneShapeCylinder::SaveAttributes(TGXMLNode* Node) const {
  inherited::SaveAttributes(Node);
  WriteSceneFloat(Node, "RadiusTop", 5, FRadiusTop);
  WriteSceneFloat(Node, "RadiusBottom", 5, FRadiusBottom);
  WriteSceneFloat(Node, "Length", 6, FLength);
  Node->SetIntAttrDef("Detail", 10, FDetail);
}

void TGSceneShapeCylinder::GetAvgBBox(TGVector& Min, TGVector& Max) {
  const float A = std::max(FRadiusTop, FRadiusBottom);
  Max = TGVector{A, A, FLength / 2};
  Min = -Max;
}

void TGSceneShapeCylinder::DrawShape() {
  DrawCylinder(std::min(FDetail, CMaxCylinderDetail), FRadiusBottom, FRadiusTop, FLength);
}
