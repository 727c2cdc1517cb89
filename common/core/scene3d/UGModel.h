// The 3D model resource (".x", ".xmdl", ".bx"): a flat list of frames forming a transform
// hierarchy, some of them meshes, and named animations that move the frames. Drawn with the
// graphics device in the current world transform; skinned meshes are deformed on the processor
// at every update.
#pragma once

#include "drawables/UGGraphic.h"
#include "scene3d/UGFrame.h"

#include <string>
#include <string_view>
#include <vector>

class TGCustomModelAnimation;
class TGMesh;
class TGModelAnimations;
class TGReader;
class TGWriter;

class TGModel : public TGGraphic {
  G_CLASS(TGModel, TGGraphic)
  explicit TGModel(TGObject* AOwner = nullptr);

  // Frames and animations as copies; the current animation becomes the copy's animation of the
  // same place.
  void AssignTo(TGObject* Dest) const override;

  // The first four bytes choose the form: "xof " the ".x" reader, the binary string "b" the
  // binary form, anything else the XML form. Textures are looked up as pictures, and beside the
  // model. A model that fails to load is left empty.
  void LoadFromStream(TGStream& Stream, TGResourceLibrary* Context) override;
  // The binary form for a URL ending in ".bx", the XML form otherwise.
  void SaveToStream(TGStream& Stream) const override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;
  void LoadFromXML(const TGModelLoadContext& Context, const TGXMLNode* Node);
  void LoadFromBinary(const TGModelLoadContext& Context, TGReader& Reader);
  void SaveToBinary(TGWriter& Writer) const;
  // Checks the loaded structure (parents, faces, parts, materials, bones, animated frames),
  // builds the skinning tables and measures the box: the end of every load.
  void FinishLoading();
  void Clear();

  // Every frame in list order, in its model matrix times the current world matrix, tinted by
  // the current material diffuse colour.
  void Draw() override;
  using TGGraphic::Draw;
  // Advances and applies the current animation, then updates every frame (meshes skin).
  void Update(float DeltaTime) override;

  TGFrames* Frames() const { return FFrames; }
  // The frame of that name as a mesh; "Unknown frame: \"%s\"" when there is none.
  TGMesh* GetMesh(std::string_view Name) const;
  TGModelAnimations* Animations() const { return FAnimations; }
  TGCustomModelAnimation* CurrentAnimation() const { return FCurrentAnimation; }
  void SetCurrentAnimation(TGCustomModelAnimation* Value);

  // The union of the meshes' boxes in model space; false without vertices.
  bool CalcBBox(TGVector& Min, TGVector& Max) const;
  // The nearest mesh face hit by the ray in model space: the mesh's name and the distance.
  bool Intersects(const TGVector& RayOrigin, const TGVector& RayDirection, std::string& MeshName,
                  float& Distance) const;

  static std::vector<std::string> GetExtensions() { return {".x", ".xmdl", ".bx"}; }
  static int GetIconIndex() { return 5; }

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  TGModelLoadContext LoadContext(TGResourceLibrary* Library) const;
  void OnAnimationDestroy(TGObject* Sender);

  TGFrames* FFrames;                                   // owned
  TGModelAnimations* FAnimations;                      // owned
  TGCustomModelAnimation* FCurrentAnimation = nullptr; // not owned
};
