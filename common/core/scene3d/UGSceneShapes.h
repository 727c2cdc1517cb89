// Primitive shapes in scenes: boxes, spheres, capsules and cylinders, optionally textured with a
// picture, drawn by the shape routines in the node's world matrix. Unlit, they show the inherited
// colour (over the picture); lit, the device's lights shade them.
#pragma once

#include "scene3d/UGSceneDisplayable.h"

class TGSprite;

class TGSceneShapeBase : public TGSceneDisplayable {
  G_CLASS(TGSceneShapeBase, TGSceneDisplayable)
  explicit TGSceneShapeBase(TGObject* AOwner = nullptr)
      : TGSceneDisplayable(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  void SaveAttributes(TGXMLNode* Node) const override;
  void Draw(TGSceneContext& Context) override;

  // The picture on the shape (referenced), or none.
  TGSprite* Texture() const { return FTexture; }
  void SetTexture(TGSprite* Value);

protected:
  virtual void DrawShape() {}

  TGSprite* FTexture = nullptr;
};

class TGSceneShapeBox : public TGSceneShapeBase {
  G_CLASS(TGSceneShapeBox, TGSceneShapeBase)
  explicit TGSceneShapeBox(TGObject* AOwner = nullptr)
      : TGSceneShapeBase(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  void SaveAttributes(TGXMLNode* Node) const override;
  // ±Size / 2.
  void GetAvgBBox(TGVector& Min, TGVector& Max) override;

  const TGVector& Size() const { return FSize; }
  void SetSize(const TGVector& Value) { FSize = Value; }

protected:
  void DrawShape() override;

private:
  TGVector FSize{10, 10, 10};
};

class TGSceneShapeSphere : public TGSceneShapeBase {
  G_CLASS(TGSceneShapeSphere, TGSceneShapeBase)
  explicit TGSceneShapeSphere(TGObject* AOwner = nullptr)
      : TGSceneShapeBase(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  void SaveAttributes(TGXMLNode* Node) const override;
  // ±Radius on every axis.
  void GetAvgBBox(TGVector& Min, TGVector& Max) override;
  // The exact sphere; no hit for a radius within 0.001 of zero.
  bool SelfTrace(const TGVector& RayOrig, const TGVector& RayDir, TGVector& Contact,
                 TGVector& Normal) override;

  float Radius() const { return FRadius; }
  void SetRadius(float Value) { FRadius = Value; }
  // The detail of the geodesic sphere, 0 to 2.
  int32_t LOD() const { return FLOD; }
  void SetLOD(int32_t Value);

protected:
  void DrawShape() override;

private:
  float FRadius = 7;
  int32_t FLOD = 1;
};

class TGSceneShapeCapsule : public TGSceneShapeBase {
  G_CLASS(TGSceneShapeCapsule, TGSceneShapeBase)
  explicit TGSceneShapeCapsule(TGObject* AOwner = nullptr)
      : TGSceneShapeBase(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  void SaveAttributes(TGXMLNode* Node) const override;
  // (±Radius, ±Radius, ±(Radius + Length / 2)).
  void GetAvgBBox(TGVector& Min, TGVector& Max) override;

  float Radius() const { return FRadius; }
  void SetRadius(float Value) { FRadius = Value; }
  float Length() const { return FLength; }
  void SetLength(float Value) { FLength = Value; }
  // Segments around the axis, at least 4. The shape routine draws 6 to 53: a detail of 4 or 5
  // is drawn with 6, a larger one than 53 with 53.
  int32_t Detail() const { return FDetail; }
  void SetDetail(int32_t Value) { FDetail = Value < 4 ? 4 : Value; }

protected:
  void DrawShape() override;

private:
  float FRadius = 5;
  float FLength = 6;
  int32_t FDetail = 10;
};

class TGSceneShapeCylinder : public TGSceneShapeBase {
  G_CLASS(TGSceneShapeCylinder, TGSceneShapeBase)
  explicit TGSceneShapeCylinder(TGObject* AOwner = nullptr)
      : TGSceneShapeBase(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  void SaveAttributes(TGXMLNode* Node) const override;
  // (±a, ±a, ±Length / 2) with a the larger radius.
  void GetAvgBBox(TGVector& Min, TGVector& Max) override;

  float RadiusTop() const { return FRadiusTop; }
  void SetRadiusTop(float Value) { FRadiusTop = Value; }
  float RadiusBottom() const { return FRadiusBottom; }
  void SetRadiusBottom(float Value) { FRadiusBottom = Value; }
  float Length() const { return FLength; }
  void SetLength(float Value) { FLength = Value; }
  // Segments around the axis, at least 4 (drawn with at most the shape routine's maximum).
  int32_t Detail() const { return FDetail; }
  void SetDetail(int32_t Value) { FDetail = Value < 4 ? 4 : Value; }

protected:
  void DrawShape() override;

private:
  float FRadiusTop = 5;
  float FRadiusBottom = 5;
  float FLength = 6;
  int32_t FDetail = 10;
};
