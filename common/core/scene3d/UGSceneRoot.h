// The scene resource (".sce"): the root of a tree of scene nodes and the outermost light scope.
// It loads and saves the whole tree, resolves the links between nodes, updates the tree from
// the identity, and draws it through the view and projection the caller has set on the device.
#pragma once

#include "scene3d/UGSceneLight.h"

#include <vector>

// What tools keep of a scene: where an editor's free view starts and how fast it moves.
struct TGSceneEditorOpts {
  TGVector DefaultViewPos{0, 0, 0};
  TGVector DefaultViewAngles{0, 0, 0};
  float CameraSpeed = 1;
};

class TGSceneRoot : public TGSceneLightScope {
  G_CLASS(TGSceneRoot, TGSceneLightScope)
  explicit TGSceneRoot(TGObject* AOwner = nullptr)
      : TGSceneLightScope(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  // A copy of the whole scene, owned by nobody.
  TGSceneRoot* CloneScene() const;

  // The root's attributes, its "Node" children, then the links of the whole tree. A scene that
  // fails to load is left empty.
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  // A "Scene" element (the root names no class).
  TGXMLNode* SaveToXML() const override;
  void LoadAttributes(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  void SaveAttributes(TGXMLNode* Node) const override;

  // Updates the tree from the identity matrix.
  void UpdateScene(float DeltaTime);
  // The display list for a view: built from the root with the identity matrix, Color as the
  // inherited colour and no lights.
  TGSceneDisplayList MakeDisplayList(TGSceneContext& Context, TGColor Color);
  // Draws the display list through the device's current view and projection, the current
  // material diffuse colour tinting everything; every state it changes is restored.
  void DrawScene();

  float MaxVisibleDistance() const { return FMaxVisibleDistance; }
  void SetMaxVisibleDistance(float Value) { FMaxVisibleDistance = Value; }
  float MinVisibleDistance() const { return FMinVisibleDistance; }
  void SetMinVisibleDistance(float Value) { FMinVisibleDistance = Value; }
  TGSceneEditorOpts EditorOptions;

  static std::vector<std::string> GetExtensions() { return {".sce"}; }
  static int GetIconIndex() { return 12; }

private:
  float FMaxVisibleDistance = 1000;
  float FMinVisibleDistance = 1;
};

// The matrix with -1 on its diagonal: turned to it, a view sees the lights from the other side.
inline constexpr TGMatrix CMatReverse{{{-1, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, -1}}};
