#include "scene3d/UGSceneImport.h"

#include "object/UGClassBuilder.h"
#include "scene3d/UGModel.h"
#include "scene3d/UGSceneGraphic.h"
#include "scene3d/UGSceneTransformHelper.h"

G_IMPLEMENT_CLASS(TGSceneBaseImport)
G_IMPLEMENT_CLASS(TGSceneImportModelFrame)

TGFrame* TGSceneImportModelFrame::FindFrame() {
  auto* Graphic = dynamic_cast<TGSceneGraphic3D*>(FParent);
  TGModel* Model = Graphic ? Graphic->ModelInstance() : nullptr;
  if (!Model) {
    FCachedModelFrame = nullptr;
    FCachedModelInstance = nullptr;
    return nullptr;
  }
  if (Model != FCachedModelInstance || Graphic->InstanceGeneration() != FCachedGeneration ||
      FName != FCachedName) {
    FCachedModelInstance = Model;
    FCachedGeneration = Graphic->InstanceGeneration();
    FCachedName = FName;
    FCachedModelFrame = Model->Frames()->Find(FName, false);
  }
  return FCachedModelFrame;
}

void TGSceneImportModelFrame::UpdateTree(const TGMatrix& ParentMatrix, bool ParentChanged,
                                         float DeltaTime) {
  if (!FEnabled)
    return;
  FForceUpdate = false;
  (void)ParentChanged; // the frame may move with every update: always passed on as changed
  if (FOnBeforeUpdate)
    FOnBeforeUpdate(this, DeltaTime);
  PreUpdate(DeltaTime);
  TGFrame* Frame = FindFrame();
  const TGMatrix Base = Frame ? Frame->GetModelMatrix() * ParentMatrix : ParentMatrix;
  if (FTransform) {
    FTransform->Update(Base, true);
    FMatrix = FTransform->Matrix();
  } else {
    FMatrix = Base;
  }
  UpdateChildren(FMatrix, true, DeltaTime);
  PostUpdate(DeltaTime);
  if (FOnAfterUpdate)
    FOnAfterUpdate(this, DeltaTime);
}
