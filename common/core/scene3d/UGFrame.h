// Frames of a 3D model: named transforms in one flat list, each pointing to its parent by index,
// with the graphics attached to them. A frame's model matrix (its own matrix times its
// ancestors') is cached; any change of any frame of the list invalidates every cache.
#pragma once

#include "math/UGColor.h"
#include "math/UGMathTypes.h"
#include "object/UGCollection.h"

#include <cstdint>
#include <string>
#include <string_view>

class TGGraphicCollection;
class TGModel;
class TGFrames;
class TGReader;
class TGResourceLibrary;
class TGWriter;
class TGXMLNode;

// What the loaders of a model hand down: the library that resolves texture URLs and the folder
// of the model being loaded (textures are also looked for beside the model). Passed with each
// load rather than kept in a shared variable, so that loader threads do not disturb each other.
struct TGModelLoadContext {
  TGResourceLibrary* Library = nullptr;
  std::string TextureSearchPath;
};

class TGFrame : public TGClonableObject {
  G_CLASS(TGFrame, TGClonableObject)
  explicit TGFrame(TGObject* AOwner = nullptr);

  void AssignTo(TGObject* Dest) const override;

  // The attached graphics, drawn in the frame's transform; a mesh draws itself first.
  virtual void Draw(TGColor Diffuse);
  // Advances the attached graphics; a mesh skins itself first.
  virtual void Update(TGModel* Model, float DeltaTime);
  // Parent index, name and matrix (16 floats, row by row).
  virtual void LoadFromBinary(const TGModelLoadContext& Context, TGReader& Reader);
  virtual void SaveToBinary(TGWriter& Writer) const;
  // A "Frame" element with "Type", "ParentFrame", "Name", "Idx" and the "Matrix" child.
  virtual TGXMLNode* SaveToXML(int32_t Index) const;
  virtual void LoadFromXML(const TGModelLoadContext& Context, const TGXMLNode* Node);
  // "Frame" or "Mesh", the "Type" of the XML form.
  virtual const char* FrameType() const { return "Frame"; }

  const std::string& Name() const { return FName; }
  void SetName(std::string_view Value) { FName = Value; }
  // The parent's index in the model's list; negative for a root.
  int32_t ParentIndex() const { return FParentIndex; }
  void SetParentIndex(int32_t Value);
  // The transform relative to the parent.
  const TGMatrix& FrameMatrix() const { return FFrameMatrix; }
  // Stores the matrix and invalidates the model matrices of every frame of the list.
  void SetFrameMatrix(const TGMatrix& Value);
  // The frame matrix times the parent's model matrix (the frame's own transform first), cached.
  // A parent index outside the list or a parent cycle fails.
  const TGMatrix& GetModelMatrix();
  TGGraphicCollection* Graphics() const { return FGraphics; }
  // The list the frame belongs to, or none.
  TGFrames* Collection() const;

protected:
  void OwnedObjectDestroying(TGObject* Obj) override;

  std::string FName;
  int32_t FParentIndex = -1;
  TGMatrix FFrameMatrix = MatIdentity;
  TGMatrix FCachedModelMatrix = MatIdentity;
  uint64_t FCachedGeneration = 0;           // the list's generation the cache was made in; 0: never
  TGGraphicCollection* FGraphics = nullptr; // owned
};

// The frames of a model in file order.
class TGFrames : public TGClonableCollection {
  G_CLASS(TGFrames, TGClonableCollection)
  explicit TGFrames(TGObject* AOwner = nullptr)
      : TGClonableCollection(AOwner) {}

  TGFrame* GetItem(int Index) const { return static_cast<TGFrame*>(TGCollection::GetItem(Index)); }
  int Add(TGObject* Item) override;
  void Insert(int Index, TGObject* Item) override;
  void AssignTo(TGObject* Dest) const override;
  // The first frame of that name; none, or with Raise the error "Unknown frame: \"%s\"".
  TGFrame* Find(std::string_view Name, bool Raise) const;
  int IndexOfName(std::string_view Name) const;

  // Advances whenever a frame matrix or the list changes; frames whose cache is older rebuild it.
  uint64_t Generation() const { return FGeneration; }
  void InvalidateMatrices() { ++FGeneration; }
  // Every parent index names a frame of the list and no frame is its own ancestor; otherwise
  // fails naming the frame.
  void CheckHierarchy() const;

protected:
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  uint64_t FGeneration = 1;
};

// A matrix as the XML form writes it: 16 numbers row by row, " 00.0000" for positive values and
// zero, "-00.0000" for negative ones, separated by ";", a line break after each row.
std::string MatrixToXMLText(const TGMatrix& M);
// Reads 16 numbers separated by ";" (and blanks); any other count fails.
TGMatrix MatrixFromXMLText(std::string_view Text);
// The "Matrix" child of Node: none gives the identity, two or more fail with the generic error.
TGMatrix ReadMatrixChild(const TGXMLNode* Node);
void WriteMatrixChild(TGXMLNode* Node, const TGMatrix& M);
// Whether every element is a finite number (damaged files give infinities and NaNs, which no
// form can write back).
bool IsFinite(const TGMatrix& M);
void ReadMatrix(TGReader& Reader, TGMatrix& M);
// A name or URL of a binary model: text that the XML form can hold, or a load error.
std::string ReadText(TGReader& Reader);
// Fails unless the XML form can hold S (names and URLs read from binary files).
void CheckText(std::string_view S);
void WriteMatrix(TGWriter& Writer, const TGMatrix& M);
// A count read from a binary model: negative, or more items of at least ItemBytes bytes each
// than the stream has left, fails (a damaged count must not allocate).
int32_t ReadCount(TGReader& Reader, int64_t ItemBytes, const char* What);
