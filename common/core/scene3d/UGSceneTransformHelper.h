// The transform of a scene node: position, scaling and a rotation kept as Euler angles or as a
// quaternion (whichever was set last is authoritative; the other form is computed on demand),
// the local matrix they make and the world matrix it gives under the parent's.
#pragma once

#include "math/UGMathTypes.h"
#include "object/UGObject.h"

class TGXMLNode;

class TGSceneTransformHelper : public TGClonableObject {
  G_CLASS(TGSceneTransformHelper, TGClonableObject)
  explicit TGSceneTransformHelper(TGObject* AOwner = nullptr)
      : TGClonableObject(AOwner) {}

  void AssignTo(TGObject* Dest) const override;

  const TGVector& Position() const { return FPosition; }
  void SetPosition(const TGVector& Value);
  const TGVector& Scaling() const { return FScaling; }
  void SetScaling(const TGVector& Value);
  // The rotation as angles; computed from the quaternion when that was set last.
  const TGAngles& GetAngles();
  void SetAngles(const TGAngles& Value);
  // The rotation as a quaternion; computed from the angles when those were set last.
  const TGQuaternion& GetRotation();
  void SetRotation(const TGQuaternion& Value);
  bool RotationInAngles() const { return FRotationInAngles; }

  // The world matrix of the last Update, and its address (what drawn nodes refer to).
  const TGMatrix& Matrix() const { return FMatrix; }
  const TGMatrix* PMatrix() const { return &FMatrix; }
  const TGMatrix& LocalMatrix();

  // Rebuilds the local matrix when a value changed, and the world matrix (local × parent) when
  // the local matrix or the parent changed. True when the world matrix changed.
  bool Update(const TGMatrix& ParentMatrix, bool ParentChanged);

  // The "Transform" element: "Position", "Scaling", and "Angles" or "RotationXYZ" with
  // "RotationW"; values equal to their defaults are left out.
  void LoadFromXML(const TGXMLNode* Node);
  TGXMLNode* SaveToXML();

private:
  void Invalidate();

  bool FLocalMatrixInvalid = true;
  bool FGlobalMatrixInvalid = true;
  TGMatrix FLocalMatrix = MatIdentity;
  TGMatrix FMatrix = MatIdentity;
  TGQuaternion FRotation = QuatIdentity;
  TGAngles FAngles;
  TGVector FScaling = VecUnit;
  TGVector FPosition = VecZero;
  bool FRotationInAngles = true;
  bool FBothRotationsValid = true;
};
