// Sky groups: their subtree is drawn in a slice at the far end of the depth range, behind the
// rest of the scene, and seen through a view that follows the camera (wholly, or by a share of
// its movement). A sky inside a sky takes the far end and pushes the outer one nearer.
#pragma once

#include "scene3d/UGSceneNode.h"

class TGSceneSky : public TGSceneNode {
  G_CLASS(TGSceneSky, TGSceneNode)
  explicit TGSceneSky(TGObject* AOwner = nullptr)
      : TGSceneNode(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  void SaveAttributes(TGXMLNode* Node) const override;
  // An affecting sky takes its depth slice and becomes the sky of its subtree.
  void ApplyParams(TGSceneState& State, TGSceneContext& Context) override;

  // The scene's view with its translation replaced by the camera position times -CameraOffset,
  // turned by the view's rotation (no translation at all for an offset of 0).
  TGMatrix ViewMatrix(const TGSceneContext& Context) const;

  // The share of the camera's movement the sky follows: 0 keeps it centred on the camera.
  float CameraOffset() const { return FCameraOffset; }
  void SetCameraOffset(float Value) { FCameraOffset = Value; }
  // The share of the depth range the sky takes, 0 to 1.
  float DepthInterval() const { return FDepthInterval; }
  void SetDepthInterval(float Value);
  // A sky that does not affect is an ordinary group.
  bool Affect() const { return FAffect; }
  void SetAffect(bool Value) { FAffect = Value; }
  // The slice of the last build.
  float CachedDepthMin() const { return FCachedDepthMin; }
  float CachedDepthMax() const { return FCachedDepthMax; }

protected:
  bool Traceable() const override { return !FAffect; }

private:
  // Moves this sky's slice nearer than M (a slice inside it now takes the far end), then the
  // skies around it; the outermost one limits everything outside skies.
  void Rescale(float M, TGSceneContext& Context);

  float FCameraOffset = 0;
  float FDepthInterval = 0.2f;
  bool FAffect = true;
  float FCachedDepthMin = 0;
  float FCachedDepthMax = 1;
  TGSceneSky* FCachedParent = nullptr;
};
