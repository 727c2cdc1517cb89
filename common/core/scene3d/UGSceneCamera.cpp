#include "scene3d/UGSceneCamera.h"

#include "object/UGClassBuilder.h"
#include "scene3d/UGSceneIO.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TGSceneCamera)

namespace {

constexpr float CDegToRad = 3.14159265358979f / 180;

// Whether two directions are too close to parallel for a look-at.
bool Parallel(const TGVector& A, const TGVector& B) {
  return VecLength(VecCrossProduct(VecNormalizeSafe(A), VecNormalizeSafe(B))) < 1e-4f;
}

} // namespace

TGMatrix SafeLookAt(const TGVector& Eye, const TGVector& At, const TGVector& Forward,
                    const TGVector& Up, std::initializer_list<TGVector> Ups) {
  TGVector Direction = At - Eye;
  if (VecLength(Direction) < 1e-5f)
    Direction = Forward;
  if (VecLength(Direction) < 1e-5f)
    Direction = TGVector{1, 0, 0};
  TGVector U = Up;
  if (VecLength(U) < 1e-5f || Parallel(U, Direction)) {
    U = TGVector{0, 0, 0};
    for (const TGVector& Candidate : Ups)
      if (VecLength(Candidate) >= 1e-5f && !Parallel(Candidate, Direction)) {
        U = Candidate;
        break;
      }
    for (const TGVector& Axis : {TGVector{0, 0, 1}, TGVector{1, 0, 0}, TGVector{0, 1, 0}})
      if (VecLength(U) < 1e-5f && !Parallel(Axis, Direction))
        U = Axis;
  }
  return MatLookAt(Eye, Eye + Direction, U);
}

TGMatrix SceneProjection(TGFovType FovType, float F, bool Orthographic, float Width, float Height,
                         float Near, float Far) {
  Width = std::max(Width, 1.0f);
  Height = std::max(Height, 1.0f);
  float W = F;
  float H = F * Height / Width;
  if (FovType == fovVer) {
    H = F;
    W = F * Width / Height;
  } else if (FovType == fovDiag) {
    const float D = std::sqrt(Width * Width + Height * Height);
    W = F * Width / D;
    H = F * Height / D;
  }
  return Orthographic ? MatOrtho(-W / 2, H / 2, W / 2, -H / 2, Near, Far)
                      : MatPerspective(-W / 2, H / 2, W / 2, -H / 2, Near, Far);
}

TGSceneCamera::TGSceneCamera(TGObject* AOwner)
    : TGSceneNode(AOwner)
    , FTarget(new TGSceneLink(this)) {}

void TGSceneCamera::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest); // the target is one of the node's links
  auto* D = dynamic_cast<TGSceneCamera*>(Dest);
  if (!D || D == this)
    return;
  D->FFovType = FFovType;
  D->FFov = FFov;
  D->FOrthographic = FOrthographic;
  D->FMinVisibleDist = FMinVisibleDist;
  D->FMaxVisibleDist = FMaxVisibleDist;
}

void TGSceneCamera::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadAttributes(Context, Node);
  FTarget->Clear();
  if (Node->HasAttr("Target"))
    FTarget->SetGUID(ReadSceneGUID(Node, "Target"));
  FFovType = Node->HasAttr("FovType") ? FovTypeFromString(Node->GetStrAttr("FovType")) : fovHor;
  FFov = ReadSceneFloat(Node, "Fov", 90);
  FOrthographic = ReadSceneBool(Node, "Orthographic", false);
  FMinVisibleDist = ReadSceneFloat(Node, "MinVisibleDist", 1);
  FMaxVisibleDist = ReadSceneFloat(Node, "MaxVisibleDist", 1000);
}

void TGSceneCamera::SaveAttributes(TGXMLNode* Node) const {
  inherited::SaveAttributes(Node);
  if (FTarget->Assigned())
    Node->SetStrAttr("Target", FTarget->GUID().ToString());
  if (FFovType != fovHor)
    Node->SetStrAttr("FovType", FovTypeToString(FFovType));
  WriteSceneFloat(Node, "Fov", 90, FFov);
  Node->SetBoolAttrDef("Orthographic", false, FOrthographic);
  WriteSceneFloat(Node, "MinVisibleDist", 1, FMinVisibleDist);
  WriteSceneFloat(Node, "MaxVisibleDist", 1000, FMaxVisibleDist);
}

TGMatrix TGSceneCamera::CalcViewMatrix() const {
  const TGMatrix& W = GetWorldMatrix();
  const TGVector Eye = W.GetOrigin();
  const TGVector Forward{W.M[0][0], W.M[0][1], W.M[0][2]};
  const TGVector OwnUp{W.M[2][0], W.M[2][1], W.M[2][2]};
  const TGVector At = FTarget->Ptr() ? FTarget->Ptr()->GetWorldPosition() : Eye + Forward;
  return SafeLookAt(Eye, At, Forward, TGVector{0, 0, 1}, {OwnUp, Forward});
}

TGMatrix TGSceneCamera::CalcProjectionMatrix(const TGRect& Rect) const {
  const float F = FOrthographic ? FFov : 2 * FMinVisibleDist * std::tan(FFov / 2 * CDegToRad);
  return SceneProjection(
      FFovType, F, FOrthographic, static_cast<float>(int64_t{Rect.Right} - Rect.Left),
      static_cast<float>(int64_t{Rect.Bottom} - Rect.Top), FMinVisibleDist, FMaxVisibleDist);
}
