#include "scene3d/UGSceneGraphic.h"

#include "animation/UGAnimation.h"
#include "drawables/UGSprite.h"
#include "object/UGClassBuilder.h"
#include "scene3d/UGModel.h"
#include "scene3d/UGModelAnimation.h"
#include "scene3d/UGSceneIO.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>
#include <limits>

G_IMPLEMENT_CLASS(TGSceneBaseGraphic)
G_IMPLEMENT_CLASS(TGSceneGraphic3D)
G_IMPLEMENT_CLASS(TGSceneGraphic2D)

namespace {

// Seconds as whole milliseconds, rounded half to even and kept inside 64 bits.
int64_t Milliseconds(double Seconds) {
  const double Ms = std::nearbyint(Seconds * 1000);
  if (!(Ms > -9e18 && Ms < 9e18))
    return Ms > 0 ? INT64_C(9000000000000000000) : INT64_C(-9000000000000000000);
  return static_cast<int64_t>(Ms);
}

} // namespace

// --- Base ----------------------------------------------------------------------------------------

void TGSceneBaseGraphic::Destroy() {
  ReleaseGraphic();
  FreeAndNil(FInstance);
  inherited::Destroy();
}

void TGSceneBaseGraphic::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  auto* D = dynamic_cast<TGSceneBaseGraphic*>(Dest);
  if (!D || D == this)
    return;
  D->FTimeScale = FTimeScale;
  D->FTimeOffset = FTimeOffset;
  D->FAnimation = FAnimation;
  D->FLooped = FLooped;
  D->SetGraphic(nullptr); // the copy makes an instance of its own
  D->SetGraphic(FGraphic);
}

void TGSceneBaseGraphic::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadAttributes(Context, Node);
  FAnimation = Node->GetStrAttrDef("Animation", "");
  FLooped = ReadSceneBool(Node, "Looped", false);
  FTimeScale = ReadSceneFloat(Node, "TimeScale", 1);
  FTimeOffset = ReadSceneFloat(Node, "TimeOffset", 0);
  SetGraphic(nullptr); // a new instance with the values just read, also of the same graphic
  SetGraphic(dynamic_cast<TGGraphic*>(XMLResource(Context, Node, "Graphic")));
}

void TGSceneBaseGraphic::SaveAttributes(TGXMLNode* Node) const {
  inherited::SaveAttributes(Node);
  if (FGraphic && !FGraphic->URL().empty())
    Node->SetStrAttr("Graphic", FGraphic->URL());
  Node->SetStrAttrDef("Animation", "", FAnimation);
  Node->SetBoolAttrDef("Looped", false, FLooped);
  WriteSceneFloat(Node, "TimeScale", 1, FTimeScale);
  WriteSceneFloat(Node, "TimeOffset", 0, FTimeOffset);
}

void TGSceneBaseGraphic::SetGraphic(TGGraphic* Value) {
  if (Value == FGraphic && (FInstance || !Value))
    return;
  ReleaseGraphic();
  FGraphic = Value;
  if (Value) {
    Value->AddRef();
    Subscribe(TGNotification(Value, &TGResource::NotifyChange),
              TGNotifyEvent(this, &TGSceneBaseGraphic::OnGraphicChange));
    Subscribe(TGNotification(Value, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TGSceneBaseGraphic::OnGraphicDestroy));
  }
  MakeInstance();
}

void TGSceneBaseGraphic::ReleaseGraphic() {
  if (!FGraphic)
    return;
  TGGraphic* Old = FGraphic;
  FGraphic = nullptr;
  UnSubscribe(Old);
  Old->Release();
}

void TGSceneBaseGraphic::OnGraphicChange(TGObject* Sender) {
  if (Sender == FGraphic)
    MakeInstance();
}

void TGSceneBaseGraphic::OnGraphicDestroy(TGObject* Sender) {
  if (Sender != FGraphic)
    return;
  FGraphic = nullptr;
  MakeInstance();
}

void TGSceneBaseGraphic::MakeInstance() {
  FreeAndNil(FInstance);
  ++FInstanceGeneration;
  FIsTGModel = dynamic_cast<TGModel*>(FGraphic) != nullptr;
  FIsTGAnimation = dynamic_cast<TGAnimation*>(FGraphic) != nullptr;
  if (!FGraphic)
    return;
  FInstance = static_cast<TGGraphic*>(CloneObject(*FGraphic, nullptr));
  SetupInstance();
}

TGModel* TGSceneBaseGraphic::ModelInstance() const {
  return FIsTGModel ? static_cast<TGModel*>(FInstance) : nullptr;
}

void TGSceneBaseGraphic::SetAnimation(std::string_view Value) {
  FAnimation = Value;
  if (FInstance)
    SetupInstance();
}

void TGSceneBaseGraphic::SetupInstance() {
  if (TGModel* Model = ModelInstance()) {
    TGModelAnimation* A = Model->Animations()->Find(FAnimation, false);
    Model->SetCurrentAnimation(A);
    if (A)
      A->SetElapsedTime(0);
    if (FTimeOffset > 0)
      AdvanceModel(Model, Milliseconds(FTimeOffset));
  } else if (FTimeOffset > 0) {
    FInstance->Update(FTimeOffset);
  }
}

void TGSceneBaseGraphic::AdvanceModel(TGModel* Model, int64_t Ms) {
  TGCustomModelAnimation* A = Model->CurrentAnimation();
  if (!A)
    return;
  int64_t T = std::clamp<int64_t>(A->ElapsedTime() + Ms, std::numeric_limits<int32_t>::min(),
                                  std::numeric_limits<int32_t>::max());
  const int32_t Total = A->GetTotalTime();
  if (FLooped && Total > 0 && T >= Total)
    T -= Total;
  A->SetElapsedTime(static_cast<int32_t>(T));
  Model->Update(0); // applies the animation at its time and skins
}

void TGSceneBaseGraphic::PreUpdate(float DeltaTime) {
  if (!FInstance)
    return;
  if (TGModel* Model = ModelInstance())
    AdvanceModel(Model, Milliseconds(double{DeltaTime} * FTimeScale));
  else
    FInstance->Update(DeltaTime * FTimeScale);
}

// --- 3D ------------------------------------------------------------------------------------------

void TGSceneGraphic3D::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest); // the copy measures its own instance
}

void TGSceneGraphic3D::SetupInstance() {
  inherited::SetupInstance();
  FModelMins = FModelMaxs = VecZero;
  if (TGModel* Model = ModelInstance()) {
    Model->Update(0);
    if (!Model->CalcBBox(FModelMins, FModelMaxs))
      FModelMins = FModelMaxs = VecZero;
  }
}

void TGSceneGraphic3D::Draw(TGSceneContext& Context) {
  (void)Context;
  if (FInstance)
    FInstance->Draw();
}

void TGSceneGraphic3D::GetAvgBBox(TGVector& Min, TGVector& Max) {
  Min = FInstance ? FModelMins : VecZero;
  Max = FInstance ? FModelMaxs : VecZero;
}

bool TGSceneGraphic3D::SelfTrace(const TGVector& RayOrig, const TGVector& RayDir, TGVector& Contact,
                                 TGVector& Normal) {
  TGModel* Model = ModelInstance();
  if (!Model)
    return inherited::SelfTrace(RayOrig, RayDir, Contact, Normal);
  if (!FVisible)
    return false;
  const TGMatrix& W = GetWorldMatrix();
  TGVector O;
  TGVector D;
  std::string Mesh;
  float Distance = 0;
  if (!PointAndNormalToSpace(W, RayOrig, RayDir, O, D) || !Model->Intersects(O, D, Mesh, Distance))
    return false;
  PointAndNormalFromSpace(W, O + D * Distance, -D, Contact, Normal);
  return true;
}

// --- 2D ------------------------------------------------------------------------------------------

void TGSceneGraphic2D::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  auto* D = dynamic_cast<TGSceneGraphic2D*>(Dest);
  if (!D || D == this)
    return;
  D->FPivotX = FPivotX;
  D->FPivotY = FPivotY;
  D->FAlignment = FAlignment;
}

void TGSceneGraphic2D::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadAttributes(Context, Node);
  FPivotX = ReadSceneFloat(Node, "PivotX", 0);
  FPivotY = ReadSceneFloat(Node, "PivotY", 0);
  FAlignment =
      Node->HasAttr("Alignment") ? AlignmentFromString(Node->GetStrAttr("Alignment")) : alNone;
}

void TGSceneGraphic2D::SaveAttributes(TGXMLNode* Node) const {
  inherited::SaveAttributes(Node);
  WriteSceneFloat(Node, "PivotX", 0, FPivotX);
  WriteSceneFloat(Node, "PivotY", 0, FPivotY);
  if (FAlignment != alNone)
    Node->SetStrAttr("Alignment", AlignmentToString(FAlignment));
}

TGMatrix TGSceneGraphic2D::BillboardMatrix(const TGSceneContext& Context) const {
  const TGMatrix& W = *FState.PMatrix;
  if (FAlignment == alNone)
    return CMat2DTo3D * W;
  TGMatrix Turn = W; // the node's turning and scaling, without its place
  Turn.M[3][0] = Turn.M[3][1] = Turn.M[3][2] = 0;
  const TGVector Back = -Context.CameraDirection;
  const TGVector Right = Context.CameraRight;
  const TGVector Up = FAlignment == alOriented ? Context.CameraUp : TGVector{0, 0, 1};
  const TGVector T = W.GetOrigin();
  const TGMatrix Facing{{{Back.X, Back.Y, Back.Z, 0},
                         {Right.X, Right.Y, Right.Z, 0},
                         {Up.X, Up.Y, Up.Z, 0},
                         {T.X, T.Y, T.Z, 1}}};
  return CMat2DTo3D * Turn * Facing;
}

void TGSceneGraphic2D::Draw(TGSceneContext& Context) {
  if (!FInstance)
    return;
  TGDeviceStateGuard Guard(TGDeviceStateMask{bMatrix});
  GD->SetMatrixByType(mWorld, BillboardMatrix(Context));
  FInstance->Draw(0, 0, FPivotX, FPivotY, 0, 1, 1);
  // Pictures wait in the sprite batch; they must be drawn in the scene's states.
  if (TGSprite::Batch)
    TGSprite::Batch->Flush();
}

void TGSceneGraphic2D::GetAvgBBox(TGVector& Min, TGVector& Max) {
  if (!FInstance) {
    Min = Max = VecZero;
    return;
  }
  const float W = FInstance->Width();
  const float H = FInstance->Height();
  if (FAlignment == alNone) {
    Min = TGVector{0, -W * FPivotX, -(1 - FPivotY) * H};
    Max = TGVector{0, (1 - FPivotX) * W, FPivotY * H};
    return;
  }
  const float E = std::max({W * FPivotX, W * (1 - FPivotX), H * FPivotY, H * (1 - FPivotY)});
  Max = TGVector{E, E, E};
  Min = -Max;
}
