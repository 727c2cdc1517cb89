#include "scene3d/UGSceneRoot.h"

#include "drawables/UGSprite.h"
#include "object/UGClassBuilder.h"
#include "scene3d/UGSceneDisplayable.h"
#include "scene3d/UGSceneIO.h"
#include "scene3d/UGSceneSky.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TGSceneRoot)

namespace {

// Sets the device up for one displayable after another: matrices and depth range (the sky's,
// the lighting inversion), the render mode's row, the colour, the cull mode and the lights.
// The device passes on only what changed.
class TSceneDrawer {
public:
  TSceneDrawer(TGSceneContext& AContext, const TGViewport& AViewport)
      : Context(AContext)
      , Viewport(AViewport) {}

  void Draw(TGSceneDisplayable* D) {
    const TGSceneState& S = D->State();
    SetPlacement(S, D->InvertLighting());
    const TGSceneRenderModeRec& R = S.RenderModeRec();
    GD->SetBlending(R.Blending == bParent ? bNone : R.Blending);
    GD->SetAlphaRef(R.AlphaRef);
    GD->SetAlphaTestEnable(R.AlphaTest);
    GD->SetZEnable(R.TestZ);
    GD->SetZWriteEnable(R.WriteZ);
    GD->SetTextureState(0, R.TextureState0);
    GD->SetMaterialDiffuse(S.Color);
    GD->SetCullMode(S.PolygonCullMode == cmParent ? cmNone : S.PolygonCullMode);
    TGSceneLightScope::SetupLighting(S.Lights);
    D->DrawWithHandlers(Context);
  }

private:
  void SetPlacement(const TGSceneState& S, bool Invert) {
    TGMatrix View = S.PSky ? S.PSky->ViewMatrix(Context) : Context.View;
    TGMatrix World = *S.PMatrix;
    if (Invert) {
      View = CMatReverse * View;
      World = CMatReverse * World;
    }
    TGViewport V = Viewport;
    V.MinZ = S.PSky ? S.PSky->CachedDepthMin() : 0;
    V.MaxZ = S.PSky ? S.PSky->CachedDepthMax() : Context.GlobalDepthMax;
    GD->SetViewport(V);
    GD->SetMatrixByType(mView, View);
    GD->SetMatrixByType(mWorld, World);
  }

  TGSceneContext& Context;
  TGViewport Viewport;
};

} // namespace

void TGSceneRoot::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  auto* D = dynamic_cast<TGSceneRoot*>(Dest);
  if (!D || D == this)
    return;
  D->FMaxVisibleDistance = FMaxVisibleDistance;
  D->FMinVisibleDistance = FMinVisibleDistance;
  D->EditorOptions = EditorOptions;
}

TGSceneRoot* TGSceneRoot::CloneScene() const {
  return static_cast<TGSceneRoot*>(CloneObject(*this, nullptr));
}

void TGSceneRoot::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadAttributes(Context, Node);
  FMaxVisibleDistance = ReadSceneFloat(Node, "MaxVisibleDistance", 1000);
  FMinVisibleDistance = ReadSceneFloat(Node, "MinVisibleDistance", 1);
  EditorOptions.DefaultViewPos = ReadSceneVector(Node, "DefaultViewPos", VecZero);
  EditorOptions.DefaultViewAngles = ReadSceneVector(Node, "DefaultViewAngles", VecZero);
  EditorOptions.CameraSpeed = ReadSceneFloat(Node, "CameraSpeed", 1);
}

void TGSceneRoot::SaveAttributes(TGXMLNode* Node) const {
  inherited::SaveAttributes(Node);
  WriteSceneFloat(Node, "MaxVisibleDistance", 1000, FMaxVisibleDistance);
  WriteSceneFloat(Node, "MinVisibleDistance", 1, FMinVisibleDistance);
  WriteSceneVector(Node, "DefaultViewPos", VecZero, EditorOptions.DefaultViewPos);
  WriteSceneVector(Node, "DefaultViewAngles", VecZero, EditorOptions.DefaultViewAngles);
  WriteSceneFloat(Node, "CameraSpeed", 1, EditorOptions.CameraSpeed);
}

void TGSceneRoot::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  ClearChildren();
  try {
    LoadAttributes(Context, Node);
    LoadChildren(Context, Node, 0);
    RestoreLinks(this);
  } catch (...) {
    ClearChildren();
    throw;
  }
}

TGXMLNode* TGSceneRoot::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Scene"));
  SaveAttributes(Node.get());
  for (int I = 0; I < ChildCount(); ++I)
    Node->AddNode(Child(I)->SaveTreeToXML());
  return Node.release();
}

void TGSceneRoot::UpdateScene(float DeltaTime) {
  UpdateTree(MatIdentity, false, DeltaTime);
}

TGSceneDisplayList TGSceneRoot::MakeDisplayList(TGSceneContext& Context, TGColor Color) {
  Context.GlobalDepthMax = 1;
  TGSceneState State;
  State.Color = Color;
  TGSceneDisplayList List;
  BuildDisplayList(List, State, Context);
  return List;
}

void TGSceneRoot::DrawScene() {
  if (!GD)
    throw Error("The graphics device is not initialized");
  // Pictures queued before the scene are drawn in the states they were queued in.
  if (TGSprite::Batch)
    TGSprite::Batch->Flush();
  TGDeviceStateGuard Guard(TGDeviceStateMask{bMatrix, bMatrices, bMaterial, bLights, bTexture0,
                                             bBlending, bViewport, bOther});
  TGSceneContext Context = TGSceneContext::FromView(GD->GetMatrixByType(mView));
  TGSceneDisplayList List = MakeDisplayList(Context, GD->MaterialDiffuse());
  TSceneDrawer Drawer(Context, GD->Viewport());
  for (TGSceneDisplayable* D = List.First; D; D = D->Next())
    Drawer.Draw(D);
}
