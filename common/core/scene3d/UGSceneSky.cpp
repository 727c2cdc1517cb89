#include "scene3d/UGSceneSky.h"

#include "object/UGClassBuilder.h"
#include "scene3d/UGSceneIO.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TGSceneSky)

void TGSceneSky::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  auto* D = dynamic_cast<TGSceneSky*>(Dest);
  if (!D || D == this)
    return;
  D->FCameraOffset = FCameraOffset;
  D->FDepthInterval = FDepthInterval;
  D->FAffect = FAffect;
}

void TGSceneSky::SetDepthInterval(float Value) {
  FDepthInterval = std::clamp(Value, 0.0f, 1.0f);
}

void TGSceneSky::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadAttributes(Context, Node);
  FCameraOffset = ReadSceneFloat(Node, "CameraOffset", 0);
  SetDepthInterval(ReadSceneFloat(Node, "DepthInterval", 0.2f));
  FAffect = ReadSceneBool(Node, "Affect", true);
}

void TGSceneSky::SaveAttributes(TGXMLNode* Node) const {
  inherited::SaveAttributes(Node);
  WriteSceneFloat(Node, "CameraOffset", 0, FCameraOffset);
  WriteSceneFloat(Node, "DepthInterval", 0.2f, FDepthInterval);
  Node->SetBoolAttrDef("Affect", true, FAffect);
}

void TGSceneSky::ApplyParams(TGSceneState& State, TGSceneContext& Context) {
  inherited::ApplyParams(State, Context);
  if (!FAffect)
    return;
  FCachedDepthMin = 1 - FDepthInterval;
  FCachedDepthMax = 1;
  FCachedParent = State.PSky;
  if (FCachedParent)
    FCachedParent->Rescale(FCachedDepthMin, Context);
  else
    Context.GlobalDepthMax = std::min(Context.GlobalDepthMax, FCachedDepthMin);
  State.PSky = this;
}

void TGSceneSky::Rescale(float M, TGSceneContext& Context) {
  if (M < FCachedDepthMax && FCachedDepthMax != 0) {
    FCachedDepthMin = M / FCachedDepthMax * FCachedDepthMin;
    FCachedDepthMax = M;
  }
  if (FCachedParent)
    FCachedParent->Rescale(FCachedDepthMin, Context);
  else
    Context.GlobalDepthMax = std::min(Context.GlobalDepthMax, FCachedDepthMin);
}

TGMatrix TGSceneSky::ViewMatrix(const TGSceneContext& Context) const {
  TGMatrix V = Context.View;
  TGVector T = VecZero;
  if (std::fabs(FCameraOffset) >= 0.001f)
    T = Vec3TransformNormal(Context.CameraPosition * -FCameraOffset, V);
  V.M[3][0] = T.X;
  V.M[3][1] = T.Y;
  V.M[3][2] = T.Z;
  return V;
}
