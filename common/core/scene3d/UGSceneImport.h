// Nodes that take their place from the model of the 3D graphic above them: a "Bone import"
// gives its children the world matrix of the model frame named like the node, so that things
// can be held by an animated model's hand or lamp.
#pragma once

#include "scene3d/UGSceneNode.h"

#include <cstdint>

class TGFrame;
class TGModel;

class TGSceneBaseImport : public TGSceneNode {
  G_CLASS(TGSceneBaseImport, TGSceneNode)
  explicit TGSceneBaseImport(TGObject* AOwner = nullptr)
      : TGSceneNode(AOwner) {}
};

class TGSceneImportModelFrame : public TGSceneBaseImport {
  G_CLASS(TGSceneImportModelFrame, TGSceneBaseImport)
  explicit TGSceneImportModelFrame(TGObject* AOwner = nullptr)
      : TGSceneBaseImport(AOwner) {}

  // The children get the frame's model matrix × ParentMatrix (then the node's own transform,
  // when it has one); without the frame, ParentMatrix.
  void UpdateTree(const TGMatrix& ParentMatrix, bool ParentChanged, float DeltaTime) override;

  // The frame followed, from the last update; none when the parent shows no model with a frame
  // of the node's name.
  TGFrame* CachedModelFrame() const { return FCachedModelFrame; }

protected:
  const TGMatrix* OwnMatrix() const override { return &FMatrix; }

private:
  // Finds the frame again when the parent's instance or the node's name changed.
  TGFrame* FindFrame();

  TGFrame* FCachedModelFrame = nullptr;
  TGModel* FCachedModelInstance = nullptr;
  uint64_t FCachedGeneration = 0;
  std::string FCachedName;
  TGMatrix FMatrix = MatIdentity;
};
