// The scene graph's node: a named resource with children, an optional transform, colour, render
// and cull modes that its subtree inherits, an identity (GUID) that links refer to, and the
// operations every node kind refines: update, the display list, ray tracing and its file form.
//
// The node kinds that scene files name are found in a registry filled at start-up; the root of a
// tree (TGSceneRoot) is the scene resource.
#pragma once

#include "base/UGGUID.h"
#include "object/UGCollection.h"
#include "resources/UGResource.h"
#include "scene3d/UGSceneTypes.h"

#include <string>
#include <string_view>
#include <vector>

class TGSceneDisplayable;
class TGSceneNode;
class TGSceneTransformHelper;
class TGXMLNode;

// Update handlers: (Sender, DeltaTime in seconds).
using TGSceneUpdateEvent = TGMethod<void(TGObject*, float)>;

// What one build and drawing of a display list share: the view in force and the camera taken
// from it, and the far end of the depth range left to everything outside skies.
struct TGSceneContext {
  TGMatrix View = MatIdentity;
  TGVector CameraPosition{0, 0, 0};
  TGVector CameraDirection{1, 0, 0};
  TGVector CameraRight{0, -1, 0};
  TGVector CameraUp{0, 0, 1};
  float GlobalDepthMax = 1;

  // The camera's vectors from a view matrix (a view that cannot be inverted keeps the defaults).
  static TGSceneContext FromView(const TGMatrix& View);
};

// Displayables in drawing order, chained through their Next.
struct TGSceneDisplayList {
  TGSceneDisplayable* First = nullptr;
  TGSceneDisplayable* Last = nullptr;

  void Append(TGSceneDisplayable* D);
  // Moves Other's members to the end of this list; Other is left empty.
  void Splice(TGSceneDisplayList& Other);
  int Count() const;
};

// A reference from one node to another, kept by GUID in files and resolved after loading. It
// belongs to the node that holds it and forgets a target that is destroyed.
class TGSceneLink : public TGObject {
  G_CLASS(TGSceneLink, TGObject)
  // Chains itself into AOwner's links.
  explicit TGSceneLink(TGObject* AOwner = nullptr);

  TGSceneNode* Ptr() const { return FPtr; }
  // Refers to Node (none clears the link); a node without identity is given one.
  void SetPtr(TGSceneNode* Node);
  bool Assigned() const { return FAssigned; }
  const TGGUID& GUID() const { return FGUID; }
  // Refers to the node of that GUID, to be found by Resolve.
  void SetGUID(const TGGUID& Value);
  void Clear() { SetPtr(nullptr); }
  // The node of the link's GUID below Root; false when the link is assigned and none has it.
  bool Resolve(TGSceneNode* Root);
  // Target, GUID and state of Source.
  void CopyFrom(const TGSceneLink& Source);
  TGSceneLink* Next() const { return FNext; }
  TGSceneNode* OwnerNode() const;

protected:
  void Destroy() override;

private:
  void Watch(TGSceneNode* Node);
  void OnTargetDestroy(TGObject* Sender);

  TGSceneNode* FPtr = nullptr;
  TGGUID FGUID;
  bool FAssigned = false;
  TGSceneLink* FNext = nullptr;
  friend class TGSceneNode;
};

// The children of a node, owned.
class TGSceneNodes : public TGCollection {
  G_CLASS(TGSceneNodes, TGCollection)
  explicit TGSceneNodes(TGObject* AOwner = nullptr)
      : TGCollection(AOwner) {}
  TGSceneNode* GetItem(int Index) const;
};

struct TGSceneNodeRegistryItem {
  TGClass ClassRef = nullptr;
  std::string EditorName;
  int EditorIconIndex = 0;
};

class TGSceneNode : public TGResource {
  G_CLASS(TGSceneNode, TGResource)
  explicit TGSceneNode(TGObject* AOwner = nullptr);

  // Every field, the transform, and clones of the children; links into the copied subtree are
  // turned to the copies. Update handlers are not copied.
  void AssignTo(TGObject* Dest) const override;

  // Properties ----------------------------------------------------------------------------------
  const std::string& Name() const { return FName; }
  void SetName(std::string_view Value) { FName = Value; }
  // Multiplied into the inherited colour unless white.
  TGColor Color() const { return FColor; }
  void SetColor(TGColor Value) { FColor = Value; }
  TGCullMode PolygonCullMode() const { return FPolygonCullMode; }
  void SetPolygonCullMode(TGCullMode Value) { FPolygonCullMode = Value; }
  TGSceneRenderMode RenderMode() const { return FRenderMode; }
  void SetRenderMode(TGSceneRenderMode Value) { FRenderMode = Value; }
  const TGSceneRenderModeRec& CustomRenderMode() const { return FCustomRenderMode; }
  void SetCustomRenderMode(const TGSceneRenderModeRec& Value) { FCustomRenderMode = Value; }
  // A disabled node is neither updated, drawn nor hit, with its whole subtree.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool TransformLockable() const { return FTransformLockable; }
  void SetTransformLockable(bool Value) { FTransformLockable = Value; }
  bool HasGUID() const { return FHasGUID; }
  const TGGUID& GUID() const { return FGUID; }
  void SetGUID(const TGGUID& Value);
  // Gives the node an identity of its own when it has none (unique in its tree).
  void EnsureGUID();
  void SetOnBeforeUpdate(const TGSceneUpdateEvent& Value) { FOnBeforeUpdate = Value; }
  void SetOnAfterUpdate(const TGSceneUpdateEvent& Value) { FOnAfterUpdate = Value; }

  // The tree ------------------------------------------------------------------------------------
  TGSceneNode* Parent() const { return FParent; }
  TGSceneNodes* Childs() const { return FChilds; }
  int ChildCount() const { return FChilds->GetCount(); }
  TGSceneNode* Child(int Index) const { return FChilds->GetItem(Index); }
  // Makes Node the last child (it leaves its former parent); the tree owns it from now on.
  void AddChild(TGSceneNode* Node);
  // Moves the node below Parent, or out of every tree with none (the caller owns it then). A
  // node cannot go below itself or one of its descendants.
  void SetParent(TGSceneNode* Parent);
  bool IsAncestorOf(const TGSceneNode* Node) const;
  // The topmost node above this one (itself without parent).
  TGSceneNode* TopNode();
  // This node or the first below it in depth-first order with that name / GUID, or none.
  TGSceneNode* FindNode(std::string_view AName);
  TGSceneNode* FindNodeByGUID(const TGGUID& Value);
  // The first link of the node's chain.
  TGSceneLink* Links() const { return FLinks; }

  // Placement -----------------------------------------------------------------------------------
  TGSceneTransformHelper* Transform() const { return FTransform; }
  // The transform, made on first use: a node without one takes its parent's matrix.
  TGSceneTransformHelper* GetTransform();
  // The world matrix of the last update: the node's own, or the nearest one above it.
  const TGMatrix& GetWorldMatrix() const;
  TGVector GetWorldPosition() const { return GetWorldMatrix().GetOrigin(); }

  // Update, display list, ray tracing -----------------------------------------------------------
  virtual void UpdateTree(const TGMatrix& ParentMatrix, bool ParentChanged, float DeltaTime);
  // Skipped when disabled: ApplyParams, the node itself when it is drawn, then the children.
  virtual void BuildDisplayList(TGSceneDisplayList& List, TGSceneState State,
                                TGSceneContext& Context);
  // What the node changes in the state its subtree inherits.
  virtual void ApplyParams(TGSceneState& State, TGSceneContext& Context);
  // The node hit nearest along the ray (world space) in this subtree, with the contact point
  // and the surface normal; none when disabled.
  TGSceneNode* TraceTree(const TGVector& RayOrig, const TGVector& RayDir, TGVector& Contact,
                         TGVector& Normal);
  // The node's own test, in its local space.
  virtual bool SelfTrace(const TGVector& RayOrig, const TGVector& RayDir, TGVector& Contact,
                         TGVector& Normal);
  // The box the node's own test uses, in local space; the zero box here.
  virtual void GetAvgBBox(TGVector& Min, TGVector& Max);

  // Files ---------------------------------------------------------------------------------------
  // The node's attributes and its "Node" children (links are left to the root).
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  // A "Node" element with "Class", the attributes and the children.
  TGXMLNode* SaveToXML() const override;
  // The same for any node, the root of a scene included (as a child of another tree).
  TGXMLNode* SaveTreeToXML() const;
  // The node of the class an element names (registered classes only), loaded with its subtree;
  // "Unknown scene node class: %s" for any other name.
  static TGSceneNode* LoadTreeFromXML(TGResourceLibrary* Context, const TGXMLNode* Element,
                                      int Depth = 0);
  // The kinds' own attributes; each kind reads and writes its own after its parent's.
  virtual void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node);
  virtual void SaveAttributes(TGXMLNode* Node) const;
  // Deeper trees are refused when loading.
  static constexpr int CMaxDepth = 200;

  // The registry of node classes that files name, in registration order.
  static void RegisterClass(TGClass AClass, std::string_view EditorName, int EditorIconIndex);
  static const std::vector<TGSceneNodeRegistryItem>& ClassRegistry();
  // The registered class of that name (without regard to case), or none.
  static TGClass FindRegisteredClass(std::string_view AName);
  static void UnregisterClasses();

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

  // Update steps of the kinds: before and after the children.
  virtual void PreUpdate(float DeltaTime) { (void)DeltaTime; }
  virtual void PostUpdate(float DeltaTime) { (void)DeltaTime; }
  void UpdateChildren(const TGMatrix& Matrix, bool Changed, float DeltaTime);
  // Displayables append themselves here.
  virtual void AddToDisplayList(TGSceneDisplayList& List, const TGSceneState& State,
                                TGSceneContext& Context);
  void BuildChildren(TGSceneDisplayList& List, const TGSceneState& State, TGSceneContext& Context);
  // The matrix the node gives its children, or none when they take the parent's.
  virtual const TGMatrix* OwnMatrix() const;
  // Whether ray tests look at this node and its subtree (skies that affect are never hit).
  virtual bool Traceable() const { return true; }
  // Loads the "Node" children of Node (Depth: this node's depth in the file).
  void LoadChildren(TGResourceLibrary* Context, const TGXMLNode* Node, int Depth);
  void ClearChildren();
  // Resolves every link of the subtree against the tree of Root; "Broken link in " + the class
  // name of the link's node when one fails.
  void RestoreLinks(TGSceneNode* Root);
  // The box test in local space, shared by the kinds that are boxes to rays.
  bool TraceBox(const TGVector& Min, const TGVector& Max, const TGVector& RayOrig,
                const TGVector& RayDir, TGVector& Contact, TGVector& Normal);

  std::string FName;
  TGSceneNodes* FChilds = nullptr; // owned
  TGSceneNode* FParent = nullptr;
  TGColor FColor = 0xFFFFFFFFu;
  TGCullMode FPolygonCullMode = cmParent;
  TGSceneRenderMode FRenderMode = rmParent;
  TGSceneTransformHelper* FTransform = nullptr; // owned, made on demand
  TGSceneUpdateEvent FOnBeforeUpdate;
  TGSceneUpdateEvent FOnAfterUpdate;
  bool FEnabled = true;
  bool FHasGUID = false;
  TGGUID FGUID;
  bool FTransformLockable = false;
  TGSceneRenderModeRec FCustomRenderMode;
  TGSceneLink* FLinks = nullptr; // the chain of the node's links (owned as objects)
  // The next update passes its matrix on as changed: the node was moved or enabled again, so
  // world matrices below it may be stale.
  bool FForceUpdate = false;

private:
  friend class TGSceneLink;
  void CollectLinkTargets(const TGSceneNode* Source, std::vector<const TGSceneNode*>& From,
                          std::vector<TGSceneNode*>& To);
  void RetargetLinks(const std::vector<const TGSceneNode*>& From,
                     const std::vector<TGSceneNode*>& To);
};

// The local-space ray of a node with world matrix W: the origin taken back through W (each of
// its first three rows divided by its squared length) and the direction likewise, normalised.
// False when W squeezes an axis to nothing.
bool PointAndNormalToSpace(const TGMatrix& W, const TGVector& Point, const TGVector& Dir,
                           TGVector& LocalPoint, TGVector& LocalDir);
// A local hit back in world space: the point through W, the normal through W's rotation and
// scaling, normalised.
void PointAndNormalFromSpace(const TGMatrix& W, const TGVector& LocalPoint,
                             const TGVector& LocalNormal, TGVector& Point, TGVector& Normal);
