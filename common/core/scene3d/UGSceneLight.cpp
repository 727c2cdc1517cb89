#include "scene3d/UGSceneLight.h"

#include "object/UGClassBuilder.h"
#include "scene3d/UGSceneIO.h"
#include "xml/UGXMLNode.h"

#include <cmath>

G_IMPLEMENT_CLASS(TGSceneLightScope)
G_IMPLEMENT_CLASS(TGSceneLight)

namespace {

constexpr float CDegToRad = 3.14159265358979f / 180;

} // namespace

// --- Scopes --------------------------------------------------------------------------------------

void TGSceneLightScope::ApplyParams(TGSceneState& State, TGSceneContext& Context) {
  inherited::ApplyParams(State, Context);
  FLightParent = State.Lights;
  FLightChain = nullptr;
  State.Lights = this;
}

void TGSceneLightScope::SetupLighting(const TGSceneLightScope* Scope) {
  int Count = 0;
  for (const TGSceneLightScope* S = Scope; S && Count < CLights; S = S->FLightParent)
    for (TGSceneLight* L = S->FLightChain; L && Count < CLights; L = L->Next()) {
      GD->SetLight(Count, L->DeviceLight());
      GD->SetLightEnable(Count, true);
      ++Count;
    }
  GD->SetLighting(Count > 0);
  GD->SetNormalizeNormals(Count > 0);
  if (Count > 0)
    for (int I = Count; I < CLights; ++I)
      GD->SetLightEnable(I, false);
}

// --- Lights --------------------------------------------------------------------------------------

void TGSceneLight::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  auto* D = dynamic_cast<TGSceneLight*>(Dest);
  if (!D || D == this)
    return;
  D->FLightType = FLightType;
  D->FFalloffStart = FFalloffStart;
  D->FFalloff = FFalloff;
  D->FOuterCone = FOuterCone;
  D->FInnerCone = FInnerCone;
  D->FLightColor = FLightColor;
  D->FAmbientColor = FAmbientColor;
}

void TGSceneLight::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadAttributes(Context, Node);
  FLightType =
      Node->HasAttr("Type") ? LightTypeFromString(Node->GetStrAttr("Type")) : ltDirectional;
  FFalloffStart = ReadSceneFloat(Node, "FalloffStart", 1);
  FFalloff = Node->HasAttr("Falloff") ? FalloffFromString(Node->GetStrAttr("Falloff")) : lfNone;
  FOuterCone = ReadSceneFloat(Node, "OuterCone", 90);
  FInnerCone = ReadSceneFloat(Node, "InnerCone", 45);
  FLightColor = ReadSceneColor(Node, "LightColor", 0xFFCCCCCCu);
  FAmbientColor = ReadSceneColor(Node, "AmbientColor", 0xFF333333u);
}

void TGSceneLight::SaveAttributes(TGXMLNode* Node) const {
  inherited::SaveAttributes(Node);
  if (FLightType != ltDirectional)
    Node->SetStrAttr("Type", LightTypeToString(FLightType));
  WriteSceneFloat(Node, "FalloffStart", 1, FFalloffStart);
  if (FFalloff != lfNone)
    Node->SetStrAttr("Falloff", FalloffToString(FFalloff));
  WriteSceneFloat(Node, "OuterCone", 90, FOuterCone);
  WriteSceneFloat(Node, "InnerCone", 45, FInnerCone);
  WriteSceneColor(Node, "LightColor", 0xFFCCCCCCu, FLightColor);
  WriteSceneColor(Node, "AmbientColor", 0xFF333333u, FAmbientColor);
}

void TGSceneLight::ApplyParams(TGSceneState& State, TGSceneContext& Context) {
  inherited::ApplyParams(State, Context);
  FWorld = State.PMatrix;
  FNext = nullptr;
  if (TGSceneLightScope* Scope = State.Lights) {
    FNext = Scope->FLightChain;
    Scope->FLightChain = this;
  }
}

TGLight TGSceneLight::DeviceLight() {
  TGLight L;
  L.LightType = FLightType;
  L.Diffuse = FLightColor;
  L.Specular = FLightColor;
  L.Ambient = FAmbientColor;
  const TGMatrix& W = *FWorld;
  const TGVector Direction = VecNormalizeSafe(TGVector{W.M[0][0], W.M[0][1], W.M[0][2]});
  if (FLightType == ltDirectional) {
    L.Direction = Direction;
    return L;
  }
  L.Position = W.GetOrigin();
  L.Falloff = 1;
  if (FFalloffStart < 1)
    FFalloffStart = 1;
  switch (FFalloff) {
  case lfNone:
    L.Range = 99999;
    L.Attenuation0 = 1;
    break;
  case lfInverseLinear:
    L.Range = FFalloffStart / 0.1f;
    L.Attenuation1 = 1 / FFalloffStart;
    break;
  case lfInverseSquare:
    L.Range = std::sqrt(FFalloffStart / 0.1f);
    L.Attenuation2 = 1 / FFalloffStart;
    break;
  }
  if (FLightType == ltSpot) {
    L.Direction = Direction;
    L.Theta = FInnerCone * CDegToRad;
    L.Phi = FOuterCone * CDegToRad;
  }
  return L;
}
