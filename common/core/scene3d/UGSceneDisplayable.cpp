#include "scene3d/UGSceneDisplayable.h"

#include "object/UGClassBuilder.h"
#include "scene3d/UGSceneIO.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <vector>

G_IMPLEMENT_CLASS(TGSceneDisplayable)
G_IMPLEMENT_CLASS(TGSceneSort)

namespace {

// The attribute of members that keep their place before the others.
constexpr float CSolidSortAttribute = 99999;

} // namespace

// --- Displayables --------------------------------------------------------------------------------

void TGSceneDisplayable::Destroy() {
  FOnAfterDraw = nullptr;
  FOnBeforeDraw = nullptr;
  inherited::Destroy();
}

void TGSceneDisplayable::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGSceneDisplayable*>(Dest); D && D != this) {
    D->FVisible = FVisible;
    D->FIgnoreLighting = FIgnoreLighting;
    D->FInvertLighting = FInvertLighting;
  }
}

void TGSceneDisplayable::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadAttributes(Context, Node);
  FVisible = ReadSceneBool(Node, "Visible", true);
  FIgnoreLighting = ReadSceneBool(Node, "IgnoreLighting", false);
  FInvertLighting = ReadSceneBool(Node, "InvertLighting", false);
}

void TGSceneDisplayable::SaveAttributes(TGXMLNode* Node) const {
  inherited::SaveAttributes(Node);
  Node->SetBoolAttrDef("Visible", true, FVisible);
  Node->SetBoolAttrDef("IgnoreLighting", false, FIgnoreLighting);
  Node->SetBoolAttrDef("InvertLighting", false, FInvertLighting);
}

bool TGSceneDisplayable::SelfTrace(const TGVector& RayOrig, const TGVector& RayDir,
                                   TGVector& Contact, TGVector& Normal) {
  return FVisible && inherited::SelfTrace(RayOrig, RayDir, Contact, Normal);
}

void TGSceneDisplayable::AddToDisplayList(TGSceneDisplayList& List, const TGSceneState& State,
                                          TGSceneContext& Context) {
  (void)Context;
  if (!FVisible)
    return;
  FState = State;
  if (FIgnoreLighting)
    FState.Lights = nullptr;
  List.Append(this);
}

void TGSceneDisplayable::DrawWithHandlers(TGSceneContext& Context) {
  if (FOnBeforeDraw)
    FOnBeforeDraw(this);
  Draw(Context);
  if (FOnAfterDraw)
    FOnAfterDraw(this);
}

// --- Sorting groups ------------------------------------------------------------------------------

void TGSceneSort::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGSceneSort*>(Dest); D && D != this)
    D->FSort = FSort;
}

void TGSceneSort::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadAttributes(Context, Node);
  FSort = ReadSceneBool(Node, "Sort", true);
}

void TGSceneSort::SaveAttributes(TGXMLNode* Node) const {
  inherited::SaveAttributes(Node);
  Node->SetBoolAttrDef("Sort", true, FSort);
}

void TGSceneSort::BuildDisplayList(TGSceneDisplayList& List, TGSceneState State,
                                   TGSceneContext& Context) {
  if (!FEnabled)
    return;
  ApplyParams(State, Context);
  TGSceneDisplayList Own;
  BuildChildren(Own, State, Context);
  if (FSort)
    SortList(Own, Context);
  List.Splice(Own);
}

void TGSceneSort::SortList(TGSceneDisplayList& List, const TGSceneContext& Context) {
  std::vector<TGSceneDisplayable*> Members;
  for (TGSceneDisplayable* D = List.First; D; D = D->FNext) {
    const TGSceneRenderMode Mode = D->FState.RenderMode;
    D->FSortAttribute = Mode == rmSolid || Mode == rmAlphatest
                            ? CSolidSortAttribute
                            : VecLength(D->FState.PMatrix->GetOrigin() - Context.CameraPosition);
    Members.push_back(D);
  }
  std::stable_sort(Members.begin(), Members.end(),
                   [](const TGSceneDisplayable* A, const TGSceneDisplayable* B) {
                     return A->FSortAttribute > B->FSortAttribute;
                   });
  List = TGSceneDisplayList{};
  for (TGSceneDisplayable* D : Members)
    List.Append(D);
}
