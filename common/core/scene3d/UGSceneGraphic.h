// Graphics placed in scenes. A graphic node keeps a private clone (its instance) of a graphic
// resource and advances it with the scene's clock, scaled and offset; a model plays the model
// animation the node names, looped or once. 3D graphics draw the instance in the node's world
// matrix; 2D graphics (billboards) stand the picture up in the scene, facing +x, or turn it to
// face the camera.
#pragma once

#include "scene3d/UGSceneDisplayable.h"

#include <cstdint>
#include <string>
#include <string_view>

class TGGraphic;
class TGModel;

class TGSceneBaseGraphic : public TGSceneDisplayable {
  G_CLASS(TGSceneBaseGraphic, TGSceneDisplayable)
  explicit TGSceneBaseGraphic(TGObject* AOwner = nullptr)
      : TGSceneDisplayable(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  void SaveAttributes(TGXMLNode* Node) const override;

  // The graphic shown (referenced); a new one gets a new instance at once.
  TGGraphic* Graphic() const { return FGraphic; }
  void SetGraphic(TGGraphic* Value);
  // The node's running clone of the graphic, or none.
  TGGraphic* Instance() const { return FInstance; }
  // The instance as a model, or none.
  TGModel* ModelInstance() const;
  // Advances with each instance made: a frame found in an older instance is gone.
  uint64_t InstanceGeneration() const { return FInstanceGeneration; }

  float TimeScale() const { return FTimeScale; }
  void SetTimeScale(float Value) { FTimeScale = Value; }
  // Seconds the instance is advanced when it is made.
  float TimeOffset() const { return FTimeOffset; }
  void SetTimeOffset(float Value) { FTimeOffset = Value; }
  // The model animation played (none when the model has none of that name); restarts it.
  const std::string& Animation() const { return FAnimation; }
  void SetAnimation(std::string_view Value);
  bool Looped() const { return FLooped; }
  void SetLooped(bool Value) { FLooped = Value; }
  bool IsTGModel() const { return FIsTGModel; }
  bool IsTGAnimation() const { return FIsTGAnimation; }

protected:
  void Destroy() override;
  // Advances the instance by DeltaTime × TimeScale.
  void PreUpdate(float DeltaTime) override;
  // Makes the instance anew (none without a graphic).
  void MakeInstance();
  // After the instance is made: the animation started, the time offset applied.
  virtual void SetupInstance();
  // Moves the model's animation by Ms milliseconds (wrapping once when looped) and applies it.
  void AdvanceModel(TGModel* Model, int64_t Ms);

  float FTimeScale = 1;
  float FTimeOffset = 0;
  std::string FAnimation;
  bool FLooped = false;
  TGGraphic* FGraphic = nullptr;  // one reference held
  TGGraphic* FInstance = nullptr; // owned
  bool FIsTGModel = false;
  bool FIsTGAnimation = false;
  uint64_t FInstanceGeneration = 0;

private:
  void ReleaseGraphic();
  void OnGraphicChange(TGObject* Sender);
  void OnGraphicDestroy(TGObject* Sender);
};

class TGSceneGraphic3D : public TGSceneBaseGraphic {
  G_CLASS(TGSceneGraphic3D, TGSceneBaseGraphic)
  explicit TGSceneGraphic3D(TGObject* AOwner = nullptr)
      : TGSceneBaseGraphic(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  // The instance in the node's world matrix.
  void Draw(TGSceneContext& Context) override;
  // The model's box (the zero box for anything else).
  void GetAvgBBox(TGVector& Min, TGVector& Max) override;
  // A model is hit by its faces; anything else by its box.
  bool SelfTrace(const TGVector& RayOrig, const TGVector& RayDir, TGVector& Contact,
                 TGVector& Normal) override;

  const TGVector& ModelMins() const { return FModelMins; }
  const TGVector& ModelMaxs() const { return FModelMaxs; }

protected:
  // Also poses the model once and measures it.
  void SetupInstance() override;

private:
  TGVector FModelMins{};
  TGVector FModelMaxs{};
};

class TGSceneGraphic2D : public TGSceneBaseGraphic {
  G_CLASS(TGSceneGraphic2D, TGSceneBaseGraphic)
  explicit TGSceneGraphic2D(TGObject* AOwner = nullptr)
      : TGSceneBaseGraphic(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  void SaveAttributes(TGXMLNode* Node) const override;
  // The instance with its pivot on the node, in the matrix of BillboardMatrix.
  void Draw(TGSceneContext& Context) override;
  // The picture's rectangle in the node's y-z plane; turned to the camera, a cube that holds it
  // every way.
  void GetAvgBBox(TGVector& Min, TGVector& Max) override;

  // The world matrix of the picture: CMat2DTo3D × the node's world matrix, or, aligned, the
  // node's turning and scaling applied in a frame that faces the camera.
  TGMatrix BillboardMatrix(const TGSceneContext& Context) const;

  float PivotX() const { return FPivotX; }
  void SetPivotX(float Value) { FPivotX = Value; }
  float PivotY() const { return FPivotY; }
  void SetPivotY(float Value) { FPivotY = Value; }
  TGSceneAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TGSceneAlignment Value) { FAlignment = Value; }

private:
  float FPivotX = 0;
  float FPivotY = 0;
  TGSceneAlignment FAlignment = alNone;
};

// The picture's x axis becomes the scene's y axis, its downward y axis the scene's -z axis, and
// the picture faces +x.
inline constexpr TGMatrix CMat2DTo3D{{{0, 1, 0, 0}, {0, 0, -1, 0}, {1, 0, 0, 0}, {0, 0, 0, 1}}};
