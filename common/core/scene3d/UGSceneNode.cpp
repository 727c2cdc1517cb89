#include "scene3d/UGSceneNode.h"

#include "base/UGRandom.h"
#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"
#include "scene3d/UGSceneDisplayable.h"
#include "scene3d/UGSceneIO.h"
#include "scene3d/UGSceneTransformHelper.h"
#include "xml/UGXMLNode.h"

#include <cmath>
#include <memory>
#include <mutex>
#include <unordered_map>

G_IMPLEMENT_CLASS(TGSceneLink)
G_IMPLEMENT_CLASS(TGSceneNodes)
G_IMPLEMENT_CLASS(TGSceneNode)

namespace {

std::vector<TGSceneNodeRegistryItem>& Registry() {
  static std::vector<TGSceneNodeRegistryItem> Items;
  return Items;
}

// Identities of nodes that code links to. They come from a generator of their own, so that
// giving a node an identity never disturbs the program's replayable generator.
TGGUID NewGUID() {
  static TGRandom Generator;
  static std::once_flag Seeded;
  static std::mutex Lock;
  std::call_once(Seeded, [] { Generator.Randomize(); });
  std::lock_guard Guard(Lock);
  return TGGUID::Create(Generator);
}

// How deep AssignTo calls are nested on this thread: links are turned to the copies once the
// outermost copy is complete.
thread_local int AssignDepth = 0;

} // namespace

// --- Context and display list --------------------------------------------------------------------

TGSceneContext TGSceneContext::FromView(const TGMatrix& View) {
  TGSceneContext C;
  C.View = View;
  TGMatrix Inverse;
  if (MatInverse(View, Inverse))
    ExtractVectorsFromViewMatrix(View, C.CameraPosition, C.CameraDirection, C.CameraRight,
                                 C.CameraUp);
  return C;
}

void TGSceneDisplayList::Append(TGSceneDisplayable* D) {
  D->FNext = nullptr;
  if (Last)
    Last->FNext = D;
  else
    First = D;
  Last = D;
}

void TGSceneDisplayList::Splice(TGSceneDisplayList& Other) {
  if (!Other.First)
    return;
  if (Last)
    Last->FNext = Other.First;
  else
    First = Other.First;
  Last = Other.Last;
  Other.First = Other.Last = nullptr;
}

int TGSceneDisplayList::Count() const {
  int N = 0;
  for (const TGSceneDisplayable* D = First; D; D = D->Next())
    ++N;
  return N;
}

// --- Links ---------------------------------------------------------------------------------------

TGSceneLink::TGSceneLink(TGObject* AOwner)
    : TGObject(AOwner) {
  if (auto* Node = dynamic_cast<TGSceneNode*>(AOwner)) {
    TGSceneLink** Slot = &Node->FLinks;
    while (*Slot)
      Slot = &(*Slot)->FNext;
    *Slot = this;
  }
}

void TGSceneLink::Destroy() {
  if (TGSceneNode* Node = OwnerNode()) {
    for (TGSceneLink** Slot = &Node->FLinks; *Slot; Slot = &(*Slot)->FNext)
      if (*Slot == this) {
        *Slot = FNext;
        break;
      }
  }
  Watch(nullptr);
  inherited::Destroy();
}

TGSceneNode* TGSceneLink::OwnerNode() const {
  return dynamic_cast<TGSceneNode*>(Owner());
}

void TGSceneLink::Watch(TGSceneNode* Node) {
  if (FPtr == Node)
    return;
  if (FPtr)
    UnSubscribe(FPtr);
  FPtr = Node;
  if (Node)
    Subscribe(TGNotification(Node, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TGSceneLink::OnTargetDestroy));
}

void TGSceneLink::OnTargetDestroy(TGObject* Sender) {
  if (Sender != FPtr)
    return;
  FPtr = nullptr;
  FAssigned = false;
  FGUID = TGGUID{};
}

void TGSceneLink::SetPtr(TGSceneNode* Node) {
  if (Node)
    Node->EnsureGUID();
  Watch(Node);
  FAssigned = Node != nullptr;
  FGUID = Node ? Node->GUID() : TGGUID{};
}

void TGSceneLink::SetGUID(const TGGUID& Value) {
  Watch(nullptr);
  FGUID = Value;
  FAssigned = true;
}

bool TGSceneLink::Resolve(TGSceneNode* Root) {
  if (!FAssigned)
    return true;
  TGSceneNode* Target = Root ? Root->FindNodeByGUID(FGUID) : nullptr;
  Watch(Target);
  return Target != nullptr;
}

void TGSceneLink::CopyFrom(const TGSceneLink& Source) {
  Watch(Source.FPtr);
  FGUID = Source.FGUID;
  FAssigned = Source.FAssigned;
}

TGSceneNode* TGSceneNodes::GetItem(int Index) const {
  return static_cast<TGSceneNode*>(TGCollection::GetItem(Index));
}

// --- Nodes ---------------------------------------------------------------------------------------

TGSceneNode::TGSceneNode(TGObject* AOwner)
    : TGResource(AOwner)
    , FChilds(new TGSceneNodes(this)) {}

void TGSceneNode::Destroy() {
  FOnBeforeUpdate = nullptr;
  FOnAfterUpdate = nullptr;
  inherited::Destroy();
}

void TGSceneNode::OwnedObjectDestroying(TGObject* Obj) {
  if (Obj == FChilds)
    FChilds = nullptr;
  if (Obj == FTransform)
    FTransform = nullptr;
  inherited::OwnedObjectDestroying(Obj);
}

void TGSceneNode::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TGSceneNode*>(Dest);
  if (!D || D == this) {
    if (!D)
      inherited::AssignTo(Dest);
    return;
  }
  inherited::AssignTo(Dest);
  ++AssignDepth;
  try {
    D->FName = FName;
    D->FColor = FColor;
    D->FPolygonCullMode = FPolygonCullMode;
    D->FRenderMode = FRenderMode;
    D->FEnabled = FEnabled;
    D->FHasGUID = FHasGUID;
    D->FGUID = FGUID;
    D->FTransformLockable = FTransformLockable;
    D->FCustomRenderMode = FCustomRenderMode;
    D->FForceUpdate = true;
    FreeAndNil(D->FTransform);
    if (FTransform)
      D->GetTransform()->Assign(FTransform);
    // A kind makes its links in its constructor, in the same order for every node of it.
    for (auto [S, T] = std::pair{FLinks, D->FLinks}; S && T; S = S->FNext, T = T->FNext)
      T->CopyFrom(*S);
    D->ClearChildren();
    for (int I = 0; I < ChildCount(); ++I) {
      TGObjectPtr<TGSceneNode> C(static_cast<TGSceneNode*>(CloneObject(*Child(I), nullptr)));
      D->AddChild(C.release());
    }
  } catch (...) {
    --AssignDepth;
    throw;
  }
  if (--AssignDepth == 0) {
    std::vector<const TGSceneNode*> From;
    std::vector<TGSceneNode*> To;
    D->CollectLinkTargets(this, From, To);
    D->RetargetLinks(From, To);
  }
}

void TGSceneNode::CollectLinkTargets(const TGSceneNode* Source,
                                     std::vector<const TGSceneNode*>& From,
                                     std::vector<TGSceneNode*>& To) {
  From.push_back(Source);
  To.push_back(this);
  const int N = std::min(ChildCount(), Source->ChildCount());
  for (int I = 0; I < N; ++I)
    Child(I)->CollectLinkTargets(Source->Child(I), From, To);
}

void TGSceneNode::RetargetLinks(const std::vector<const TGSceneNode*>& From,
                                const std::vector<TGSceneNode*>& To) {
  std::unordered_map<const TGSceneNode*, TGSceneNode*> Map;
  Map.reserve(From.size());
  for (size_t I = 0; I < From.size(); ++I)
    Map.emplace(From[I], To[I]);
  for (TGSceneNode* Node : To)
    for (TGSceneLink* L = Node->FLinks; L; L = L->FNext)
      if (auto It = Map.find(L->FPtr); L->FPtr && It != Map.end())
        L->Watch(It->second);
}

void TGSceneNode::SetEnabled(bool Value) {
  if (Value && !FEnabled)
    FForceUpdate = true;
  FEnabled = Value;
}

void TGSceneNode::SetGUID(const TGGUID& Value) {
  FGUID = Value;
  FHasGUID = true;
}

void TGSceneNode::EnsureGUID() {
  if (FHasGUID)
    return;
  TGSceneNode* Top = TopNode();
  TGGUID G;
  do {
    G = NewGUID();
  } while (Top->FindNodeByGUID(G));
  SetGUID(G);
}

// --- The tree ------------------------------------------------------------------------------------

void TGSceneNode::AddChild(TGSceneNode* Node) {
  if (!Node)
    return;
  if (Node->FParent == this) {
    // Already a child: it becomes the last one.
    FChilds->Extract(Node);
    FChilds->Add(Node);
    return;
  }
  Node->SetParent(this);
}

void TGSceneNode::SetParent(TGSceneNode* Parent) {
  if (Parent == FParent)
    return;
  if (Parent && (Parent == this || IsAncestorOf(Parent)))
    throw Error("A scene node cannot be placed below itself");
  // Leaving the old collection (as its owner) takes it off the old list.
  SetOwner(Parent ? Parent->FChilds : nullptr);
  FParent = Parent;
  if (Parent)
    Parent->FChilds->Add(this);
  FForceUpdate = true;
}

bool TGSceneNode::IsAncestorOf(const TGSceneNode* Node) const {
  for (const TGSceneNode* N = Node ? Node->FParent : nullptr; N; N = N->FParent)
    if (N == this)
      return true;
  return false;
}

TGSceneNode* TGSceneNode::TopNode() {
  TGSceneNode* N = this;
  while (N->FParent)
    N = N->FParent;
  return N;
}

TGSceneNode* TGSceneNode::FindNode(std::string_view AName) {
  if (FName == AName)
    return this;
  for (int I = 0; I < ChildCount(); ++I)
    if (TGSceneNode* Found = Child(I)->FindNode(AName))
      return Found;
  return nullptr;
}

TGSceneNode* TGSceneNode::FindNodeByGUID(const TGGUID& Value) {
  if (FHasGUID && FGUID == Value)
    return this;
  for (int I = 0; I < ChildCount(); ++I)
    if (TGSceneNode* Found = Child(I)->FindNodeByGUID(Value))
      return Found;
  return nullptr;
}

void TGSceneNode::ClearChildren() {
  while (ChildCount() > 0)
    Child(ChildCount() - 1)->Free();
}

// --- Placement -----------------------------------------------------------------------------------

TGSceneTransformHelper* TGSceneNode::GetTransform() {
  if (!FTransform) {
    FTransform = new TGSceneTransformHelper(this);
    FForceUpdate = true;
  }
  return FTransform;
}

const TGMatrix* TGSceneNode::OwnMatrix() const {
  return FTransform ? FTransform->PMatrix() : nullptr;
}

const TGMatrix& TGSceneNode::GetWorldMatrix() const {
  for (const TGSceneNode* N = this; N; N = N->FParent)
    if (const TGMatrix* M = N->OwnMatrix())
      return *M;
  return MatIdentity;
}

// --- Update and display list ---------------------------------------------------------------------

void TGSceneNode::UpdateTree(const TGMatrix& ParentMatrix, bool ParentChanged, float DeltaTime) {
  if (!FEnabled)
    return;
  ParentChanged = ParentChanged || FForceUpdate;
  FForceUpdate = false;
  if (FOnBeforeUpdate)
    FOnBeforeUpdate(this, DeltaTime);
  PreUpdate(DeltaTime);
  if (FTransform) {
    const bool Changed = FTransform->Update(ParentMatrix, ParentChanged);
    UpdateChildren(FTransform->Matrix(), Changed, DeltaTime);
  } else {
    UpdateChildren(ParentMatrix, ParentChanged, DeltaTime);
  }
  PostUpdate(DeltaTime);
  if (FOnAfterUpdate)
    FOnAfterUpdate(this, DeltaTime);
}

void TGSceneNode::UpdateChildren(const TGMatrix& Matrix, bool Changed, float DeltaTime) {
  for (int I = 0; I < ChildCount(); ++I)
    Child(I)->UpdateTree(Matrix, Changed, DeltaTime);
}

void TGSceneNode::BuildDisplayList(TGSceneDisplayList& List, TGSceneState State,
                                   TGSceneContext& Context) {
  if (!FEnabled)
    return;
  ApplyParams(State, Context);
  AddToDisplayList(List, State, Context);
  BuildChildren(List, State, Context);
}

void TGSceneNode::ApplyParams(TGSceneState& State, TGSceneContext& Context) {
  (void)Context;
  if (const TGMatrix* M = OwnMatrix())
    State.PMatrix = M;
  if (FRenderMode != rmParent) {
    State.RenderMode = FRenderMode;
    if (FRenderMode == rmCustom)
      State.PCustomRenderMode = &FCustomRenderMode;
  }
  if (FPolygonCullMode != cmParent)
    State.PolygonCullMode = FPolygonCullMode;
  if (uint32_t(FColor) != 0xFFFFFFFFu)
    State.Color = State.Color * FColor;
}

void TGSceneNode::AddToDisplayList(TGSceneDisplayList& List, const TGSceneState& State,
                                   TGSceneContext& Context) {
  (void)List;
  (void)State;
  (void)Context;
}

void TGSceneNode::BuildChildren(TGSceneDisplayList& List, const TGSceneState& State,
                                TGSceneContext& Context) {
  for (int I = 0; I < ChildCount(); ++I)
    Child(I)->BuildDisplayList(List, State, Context);
}

// --- Ray tracing ---------------------------------------------------------------------------------

bool PointAndNormalToSpace(const TGMatrix& W, const TGVector& Point, const TGVector& Dir,
                           TGVector& LocalPoint, TGVector& LocalDir) {
  const TGVector P = Point - W.GetOrigin();
  float Local[2][3];
  for (int Row = 0; Row < 3; ++Row) {
    const TGVector Axis{W.M[Row][0], W.M[Row][1], W.M[Row][2]};
    const float Square = VecDotProduct(Axis, Axis);
    if (!(Square > 1e-12f))
      return false;
    Local[0][Row] = VecDotProduct(P, Axis) / Square;
    Local[1][Row] = VecDotProduct(Dir, Axis) / Square;
  }
  LocalPoint = TGVector{Local[0][0], Local[0][1], Local[0][2]};
  LocalDir = VecNormalizeSafe(TGVector{Local[1][0], Local[1][1], Local[1][2]});
  return !(LocalDir == VecZero);
}

void PointAndNormalFromSpace(const TGMatrix& W, const TGVector& LocalPoint,
                             const TGVector& LocalNormal, TGVector& Point, TGVector& Normal) {
  Point = Vec3TransformCoord(LocalPoint, W);
  Normal = VecNormalizeSafe(Vec3TransformNormal(LocalNormal, W));
}

TGSceneNode* TGSceneNode::TraceTree(const TGVector& RayOrig, const TGVector& RayDir,
                                    TGVector& Contact, TGVector& Normal) {
  if (!FEnabled || !Traceable())
    return nullptr;
  TGSceneNode* Best = nullptr;
  float BestKey = 0;
  TGVector P;
  TGVector N;
  if (SelfTrace(RayOrig, RayDir, P, N)) {
    Best = this;
    BestKey = VecDotProduct(P, RayDir);
    Contact = P;
    Normal = N;
  }
  for (int I = 0; I < ChildCount(); ++I) {
    TGSceneNode* Hit = Child(I)->TraceTree(RayOrig, RayDir, P, N);
    if (!Hit)
      continue;
    const float Key = VecDotProduct(P, RayDir);
    if (!Best || Key < BestKey) {
      Best = Hit;
      BestKey = Key;
      Contact = P;
      Normal = N;
    }
  }
  return Best;
}

bool TGSceneNode::SelfTrace(const TGVector& RayOrig, const TGVector& RayDir, TGVector& Contact,
                            TGVector& Normal) {
  TGVector Min;
  TGVector Max;
  GetAvgBBox(Min, Max);
  return TraceBox(Min, Max, RayOrig, RayDir, Contact, Normal);
}

bool TGSceneNode::TraceBox(const TGVector& Min, const TGVector& Max, const TGVector& RayOrig,
                           const TGVector& RayDir, TGVector& Contact, TGVector& Normal) {
  const TGVector Size = Max - Min;
  if (std::fabs(Size.X) < 0.001f && std::fabs(Size.Y) < 0.001f && std::fabs(Size.Z) < 0.001f)
    return false;
  const TGMatrix& W = GetWorldMatrix();
  TGVector O;
  TGVector D;
  if (!PointAndNormalToSpace(W, RayOrig, RayDir, O, D))
    return false;
  TGVector P;
  TGVector N;
  if (!BoxTrace(Box(Min, Max), O, D, P, N))
    return false;
  PointAndNormalFromSpace(W, P, N, Contact, Normal);
  return true;
}

void TGSceneNode::GetAvgBBox(TGVector& Min, TGVector& Max) {
  Min = VecZero;
  Max = VecZero;
}

// --- Files ---------------------------------------------------------------------------------------

void TGSceneNode::LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) {
  (void)Context;
  FName = Node->GetStrAttrDef("Name", "");
  FColor = ReadSceneColor(Node, "Color", 0xFFFFFFFFu);
  FPolygonCullMode = Node->HasAttr("PolygonCullMode")
                         ? CullModeFromString(Node->GetStrAttr("PolygonCullMode"))
                         : cmParent;
  FRenderMode =
      Node->HasAttr("RenderMode") ? RenderModeFromString(Node->GetStrAttr("RenderMode")) : rmParent;
  FHasGUID = Node->HasAttr("GUID");
  FGUID = FHasGUID ? ReadSceneGUID(Node, "GUID") : TGGUID{};
  FEnabled = ReadSceneBool(Node, "Enabled", true);
  TGXMLCollection* Transforms = Node->GetChilds("Transform");
  FreeAndNil(FTransform);
  if (Transforms->GetCount() > 0)
    GetTransform()->LoadFromXML(Transforms->GetItem(0));
  FForceUpdate = true;
}

void TGSceneNode::SaveAttributes(TGXMLNode* Node) const {
  Node->SetStrAttrDef("Name", "", FName);
  WriteSceneColor(Node, "Color", 0xFFFFFFFFu, FColor);
  if (FPolygonCullMode != cmParent)
    Node->SetStrAttr("PolygonCullMode", CullModeToString(FPolygonCullMode));
  if (FRenderMode != rmParent)
    Node->SetStrAttr("RenderMode", RenderModeToString(FRenderMode));
  if (FHasGUID)
    Node->SetStrAttr("GUID", FGUID.ToString());
  Node->SetBoolAttrDef("Enabled", true, FEnabled);
  if (FTransform)
    Node->AddNode(FTransform->SaveToXML());
}

void TGSceneNode::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  ClearChildren();
  LoadAttributes(Context, Node);
  LoadChildren(Context, Node, 0);
}

void TGSceneNode::LoadChildren(TGResourceLibrary* Context, const TGXMLNode* Node, int Depth) {
  for (const TGXMLNode* Element : *Node->GetChilds("Node"))
    AddChild(LoadTreeFromXML(Context, Element, Depth + 1));
}

TGSceneNode* TGSceneNode::LoadTreeFromXML(TGResourceLibrary* Context, const TGXMLNode* Element,
                                          int Depth) {
  if (Depth > CMaxDepth)
    throw Error("Scene nodes are nested deeper than %d levels", CMaxDepth);
  const std::string ClassName = Element->GetStrAttrDef("Class", "");
  const TGClass Class = FindRegisteredClass(ClassName);
  if (!Class || !Class->CanCreate())
    throw Error("Unknown scene node class: %s", ClassName);
  TGObjectPtr<TGSceneNode> Node(static_cast<TGSceneNode*>(Class->CreateInstance(nullptr)));
  Node->LoadAttributes(Context, Element);
  Node->LoadChildren(Context, Element, Depth);
  return Node.release();
}

TGXMLNode* TGSceneNode::SaveToXML() const {
  return SaveTreeToXML();
}

TGXMLNode* TGSceneNode::SaveTreeToXML() const {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Node"));
  Node->SetStrAttr("Class", ClassName());
  SaveAttributes(Node.get());
  for (int I = 0; I < ChildCount(); ++I)
    Node->AddNode(Child(I)->SaveTreeToXML());
  return Node.release();
}

void TGSceneNode::RestoreLinks(TGSceneNode* Root) {
  for (TGSceneLink* L = FLinks; L; L = L->FNext)
    if (!L->Resolve(Root))
      throw Error("Broken link in " + ClassName());
  for (int I = 0; I < ChildCount(); ++I)
    Child(I)->RestoreLinks(Root);
}

// --- Registry ------------------------------------------------------------------------------------

void TGSceneNode::RegisterClass(TGClass AClass, std::string_view EditorName, int EditorIconIndex) {
  if (!AClass || FindRegisteredClass(AClass->Name))
    return;
  Registry().push_back(TGSceneNodeRegistryItem{AClass, std::string(EditorName), EditorIconIndex});
}

const std::vector<TGSceneNodeRegistryItem>& TGSceneNode::ClassRegistry() {
  return Registry();
}

TGClass TGSceneNode::FindRegisteredClass(std::string_view AName) {
  for (const TGSceneNodeRegistryItem& Item : Registry())
    if (SameText(Item.ClassRef->Name, AName))
      return Item.ClassRef;
  return nullptr;
}

void TGSceneNode::UnregisterClasses() {
  Registry().clear();
}
