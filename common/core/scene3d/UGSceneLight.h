// Lights and the scopes they light. While a display list is built, each scope met becomes the
// innermost scope of its subtree and each light joins the innermost scope's chain; a drawn node
// is lit by its scope's lights, then those of the scopes around it, at most eight.
#pragma once

#include "scene3d/UGSceneNode.h"

class TGSceneLight;

class TGSceneLightScope : public TGSceneNode {
  G_CLASS(TGSceneLightScope, TGSceneNode)
  explicit TGSceneLightScope(TGObject* AOwner = nullptr)
      : TGSceneNode(AOwner) {}

  // Puts itself in front of the inherited scope, with an empty chain.
  void ApplyParams(TGSceneState& State, TGSceneContext& Context) override;

  // Of the last build: the scope around this one, and the lights met inside it (last met first).
  TGSceneLightScope* LightParent() const { return FLightParent; }
  TGSceneLight* LightChain() const { return FLightChain; }

  // Fills the device lights from index 0 with Scope's chain, then those of the scopes around it,
  // and switches lighting (and the normalisation of normals) on when one was set, off otherwise.
  static void SetupLighting(const TGSceneLightScope* Scope);

private:
  friend class TGSceneLight;
  TGSceneLightScope* FLightParent = nullptr;
  TGSceneLight* FLightChain = nullptr;
};

class TGSceneLight : public TGSceneNode {
  G_CLASS(TGSceneLight, TGSceneNode)
  explicit TGSceneLight(TGObject* AOwner = nullptr)
      : TGSceneNode(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  void SaveAttributes(TGXMLNode* Node) const override;
  // Joins the innermost scope's chain and remembers its world matrix.
  void ApplyParams(TGSceneState& State, TGSceneContext& Context) override;

  // The device light: colours, the direction of the world x axis, the world position, and the
  // fall-off's range and attenuation. A fall-off start below 1 is raised to 1 here.
  TGLight DeviceLight();

  TGLightType LightType() const { return FLightType; }
  void SetLightType(TGLightType Value) { FLightType = Value; }
  float FalloffStart() const { return FFalloffStart; }
  void SetFalloffStart(float Value) { FFalloffStart = Value; }
  TGSceneLightFalloffType Falloff() const { return FFalloff; }
  void SetFalloff(TGSceneLightFalloffType Value) { FFalloff = Value; }
  // Degrees.
  float OuterCone() const { return FOuterCone; }
  void SetOuterCone(float Value) { FOuterCone = Value; }
  float InnerCone() const { return FInnerCone; }
  void SetInnerCone(float Value) { FInnerCone = Value; }
  TGColor LightColor() const { return FLightColor; }
  void SetLightColor(TGColor Value) { FLightColor = Value; }
  TGColor AmbientColor() const { return FAmbientColor; }
  void SetAmbientColor(TGColor Value) { FAmbientColor = Value; }
  // The next light of the same scope in the last build.
  TGSceneLight* Next() const { return FNext; }

private:
  TGLightType FLightType = ltDirectional;
  float FFalloffStart = 1;
  TGSceneLightFalloffType FFalloff = lfNone;
  float FOuterCone = 90;
  float FInnerCone = 45;
  TGColor FLightColor = 0xFFCCCCCCu;
  TGColor FAmbientColor = 0xFF333333u;
  TGSceneLight* FNext = nullptr;
  const TGMatrix* FWorld = &MatIdentity; // the matrix in force at the last build
};
