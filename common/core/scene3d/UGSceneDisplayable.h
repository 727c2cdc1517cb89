// Nodes that are drawn (displayables), and sorting groups, which order the displayables of their
// subtree: solid ones first in their order, then the others from the farthest to the nearest.
#pragma once

#include "scene3d/UGSceneNode.h"

class TGSceneDisplayable : public TGSceneNode {
  G_CLASS(TGSceneDisplayable, TGSceneNode)
  explicit TGSceneDisplayable(TGObject* AOwner = nullptr)
      : TGSceneNode(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  void SaveAttributes(TGXMLNode* Node) const override;
  // No hit while invisible; otherwise the box.
  bool SelfTrace(const TGVector& RayOrig, const TGVector& RayDir, TGVector& Contact,
                 TGVector& Normal) override;

  // Draws in the device state the scene set up for it (its world matrix, render mode, colour
  // as material diffuse, cull mode, lights).
  virtual void Draw(TGSceneContext& Context) { (void)Context; }
  // The handlers, then Draw.
  void DrawWithHandlers(TGSceneContext& Context);

  // An invisible displayable is not drawn; its children are.
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  bool IgnoreLighting() const { return FIgnoreLighting; }
  void SetIgnoreLighting(bool Value) { FIgnoreLighting = Value; }
  // Lit from the opposite side.
  bool InvertLighting() const { return FInvertLighting; }
  void SetInvertLighting(bool Value) { FInvertLighting = Value; }
  void SetOnBeforeDraw(const TGNotifyEvent& Value) { FOnBeforeDraw = Value; }
  void SetOnAfterDraw(const TGNotifyEvent& Value) { FOnAfterDraw = Value; }

  // What the last build captured.
  const TGSceneState& State() const { return FState; }
  TGSceneDisplayable* Next() const { return FNext; }
  float SortAttribute() const { return FSortAttribute; }

protected:
  void Destroy() override;
  void AddToDisplayList(TGSceneDisplayList& List, const TGSceneState& State,
                        TGSceneContext& Context) override;

  TGSceneDisplayable* FNext = nullptr;
  float FSortAttribute = 0;
  TGSceneState FState;
  bool FVisible = true;
  bool FIgnoreLighting = false;
  bool FInvertLighting = false;
  TGNotifyEvent FOnAfterDraw;
  TGNotifyEvent FOnBeforeDraw;

  friend struct TGSceneDisplayList;
  friend class TGSceneSort;
};

class TGSceneSort : public TGSceneNode {
  G_CLASS(TGSceneSort, TGSceneNode)
  explicit TGSceneSort(TGObject* AOwner = nullptr)
      : TGSceneNode(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  void SaveAttributes(TGXMLNode* Node) const override;
  // The subtree's displayables, sorted when Sort is set, go to the end of List together.
  void BuildDisplayList(TGSceneDisplayList& List, TGSceneState State,
                        TGSceneContext& Context) override;

  bool Sort() const { return FSort; }
  void SetSort(bool Value) { FSort = Value; }

  // Solid and alpha-tested members first, in their order; the others by falling distance from
  // the camera.
  static void SortList(TGSceneDisplayList& List, const TGSceneContext& Context);

private:
  bool FSort = true;
};
