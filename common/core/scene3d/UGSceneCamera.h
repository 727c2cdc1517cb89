// Cameras: a viewpoint looking along its world x axis with +z up, or at a linked target node,
// through a perspective or orthographic projection whose field of view is measured across the
// width, the height or the diagonal of the picture.
#pragma once

#include "scene3d/UGSceneNode.h"

class TGSceneCamera : public TGSceneNode {
  G_CLASS(TGSceneCamera, TGSceneNode)
  explicit TGSceneCamera(TGObject* AOwner = nullptr);

  void AssignTo(TGObject* Dest) const override;
  void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  void SaveAttributes(TGXMLNode* Node) const override;

  // A look-at from the world position towards the target's world position, or along the world
  // x axis without one. A target on the camera itself is not looked at, and a view straight
  // up or down takes the camera's own axes as up, so the matrix is always a rotation.
  TGMatrix CalcViewMatrix() const;
  // The projection for a picture of Rect's size (a side below 1 counts as 1).
  TGMatrix CalcProjectionMatrix(const TGRect& Rect) const;

  // The node looked at (none: along the x axis).
  TGSceneLink* Target() const { return FTarget; }
  TGFovType FovType() const { return FFovType; }
  void SetFovType(TGFovType Value) { FFovType = Value; }
  // Degrees, or the size of the view when orthographic.
  float Fov() const { return FFov; }
  void SetFov(float Value) { FFov = Value; }
  bool Orthographic() const { return FOrthographic; }
  void SetOrthographic(bool Value) { FOrthographic = Value; }
  float MinVisibleDist() const { return FMinVisibleDist; }
  void SetMinVisibleDist(float Value) { FMinVisibleDist = Value; }
  float MaxVisibleDist() const { return FMaxVisibleDist; }
  void SetMaxVisibleDist(float Value) { FMaxVisibleDist = Value; }

private:
  TGSceneLink* FTarget; // owned
  TGFovType FFovType = fovHor;
  float FFov = 90;
  bool FOrthographic = false;
  float FMinVisibleDist = 1;
  float FMaxVisibleDist = 1000;
};

// A look-at that never degenerates: a target on the eye looks along Forward instead, and an up
// vector along the view is replaced by the first of Ups that is not (then any axis that is not).
TGMatrix SafeLookAt(const TGVector& Eye, const TGVector& At, const TGVector& Forward,
                    const TGVector& Up, std::initializer_list<TGVector> Ups);
// The perspective (or orthographic) projection of a view of size F measured by FovType across
// a picture of Width × Height.
TGMatrix SceneProjection(TGFovType FovType, float F, bool Orthographic, float Width, float Height,
                         float Near, float Far);
