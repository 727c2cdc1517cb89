#include "scene3d/UGSceneTransformHelper.h"

#include "object/UGClassBuilder.h"
#include "scene3d/UGSceneIO.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TGSceneTransformHelper)

void TGSceneTransformHelper::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TGSceneTransformHelper*>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  D->FRotation = FRotation;
  D->FAngles = FAngles;
  D->FScaling = FScaling;
  D->FPosition = FPosition;
  D->FRotationInAngles = FRotationInAngles;
  D->FBothRotationsValid = FBothRotationsValid;
  D->FLocalMatrix = FLocalMatrix;
  D->FMatrix = FMatrix;
  D->FLocalMatrixInvalid = FLocalMatrixInvalid;
  D->FGlobalMatrixInvalid = FGlobalMatrixInvalid;
}

void TGSceneTransformHelper::Invalidate() {
  FLocalMatrixInvalid = true;
}

void TGSceneTransformHelper::SetPosition(const TGVector& Value) {
  FPosition = Value;
  Invalidate();
}

void TGSceneTransformHelper::SetScaling(const TGVector& Value) {
  FScaling = Value;
  Invalidate();
}

const TGAngles& TGSceneTransformHelper::GetAngles() {
  if (!FRotationInAngles && !FBothRotationsValid) {
    FAngles = AnglesFromQuaternion(FRotation);
    FBothRotationsValid = true;
  }
  return FAngles;
}

void TGSceneTransformHelper::SetAngles(const TGAngles& Value) {
  FAngles = Value;
  FRotationInAngles = true;
  FBothRotationsValid = false;
  Invalidate();
}

const TGQuaternion& TGSceneTransformHelper::GetRotation() {
  if (FRotationInAngles && !FBothRotationsValid) {
    FRotation = AnglesToQuaternion(FAngles);
    FBothRotationsValid = true;
  }
  return FRotation;
}

void TGSceneTransformHelper::SetRotation(const TGQuaternion& Value) {
  FRotation = Value;
  FRotationInAngles = false;
  FBothRotationsValid = false;
  Invalidate();
}

const TGMatrix& TGSceneTransformHelper::LocalMatrix() {
  if (FLocalMatrixInvalid) {
    const TGMatrix R =
        FRotationInAngles ? AnglesToMatrix(FAngles) : MatRotationQuaternion(GetRotation());
    FLocalMatrix = MatScaling(FScaling) * R * MatTranslation(FPosition);
    FLocalMatrixInvalid = false;
    FGlobalMatrixInvalid = true;
  }
  return FLocalMatrix;
}

bool TGSceneTransformHelper::Update(const TGMatrix& ParentMatrix, bool ParentChanged) {
  const TGMatrix& Local = LocalMatrix();
  if (!FGlobalMatrixInvalid && !ParentChanged)
    return false;
  FMatrix = Local * ParentMatrix;
  FGlobalMatrixInvalid = false;
  return true;
}

void TGSceneTransformHelper::LoadFromXML(const TGXMLNode* Node) {
  SetPosition(ReadSceneVector(Node, "Position", VecZero));
  SetScaling(ReadSceneVector(Node, "Scaling", VecUnit));
  if (Node->HasAttr("RotationXYZ") || Node->HasAttr("RotationW")) {
    const TGVector XYZ = ReadSceneVector(Node, "RotationXYZ", VecZero);
    SetRotation(Quat(XYZ.X, XYZ.Y, XYZ.Z, ReadSceneFloat(Node, "RotationW", 1)));
  } else {
    SetAngles(TGAngles(ReadSceneVector(Node, "Angles", VecZero)));
  }
}

TGXMLNode* TGSceneTransformHelper::SaveToXML() {
  auto* Node = new TGXMLNode("Transform");
  WriteSceneVector(Node, "Position", VecZero, FPosition);
  WriteSceneVector(Node, "Scaling", VecUnit, FScaling);
  if (FRotationInAngles) {
    WriteSceneVector(Node, "Angles", VecZero, static_cast<TGVector>(FAngles));
  } else if (!(FRotation == QuatIdentity)) {
    Node->SetVecAttr("RotationXYZ", TGVector{FRotation.X, FRotation.Y, FRotation.Z});
    Node->SetFloatAttr("RotationW", FRotation.W);
  }
  return Node;
}
