// Drawable resources: the base of sprites, symbols, animations and texts, and a collection of
// them that draws and updates its items in order.
#pragma once

#include "graphics/UGGraphicsDevice.h"
#include "math/UGMathTypes.h"
#include "resources/UGResource.h"

#include <vector>

class TGGraphic : public TGResource {
  G_CLASS(TGGraphic, TGResource)
  explicit TGGraphic(TGObject* AOwner = nullptr)
      : TGResource(AOwner) {}

  // The graphic's top-left corner in its own coordinates, and its width, height and depth.
  const TGVector& Origin() const { return FOrigin; }
  void SetOrigin(const TGVector& Value) { FOrigin = Value; }
  const TGVector& Extent() const { return FExtent; }
  virtual void SetExtent(const TGVector& Value) { FExtent = Value; }
  float Width() const { return FExtent.X; }
  float Height() const { return FExtent.Y; }
  float Depth() const { return FExtent.Z; }
  void SetWidth(float Value);
  void SetHeight(float Value);

  // Draws in the current device state.
  virtual void Draw() {}
  // Draws transformed: the pivot (fractions of the size, (0, 0) the top-left corner) lands on
  // (X, Y), scaled and turned clockwise by RotationZ degrees about it; Color tints.
  void Draw(TGColor Color, TGBlending Blending, float X, float Y, float PivotX, float PivotY,
            float RotationZ, float ScalingX, float ScalingY, TGTextureFilter TextureFilter);
  void Draw(float X, float Y, float PivotX, float PivotY, float RotationZ, float ScalingX,
            float ScalingY);
  // Advances time.
  virtual void Update(float DeltaTime) { (void)DeltaTime; }
  // Whether the point (relative to Origin) lies strictly inside the extent.
  virtual bool Hit(const TGVector& Point);
  bool Hit(const TGFlatVector& Point);
  virtual bool IsFinished() { return false; }
  // A finished graphic that belongs to a pool (pooled particles) goes back to it instead of
  // being freed; true when it did.
  virtual bool ReturnToPool() { return false; }

  // The resource part, then origin and extent.
  void AssignTo(TGObject* Dest) const override;

  // The matrix that Draw applies for the same arguments.
  static TGMatrix TransformMatrix(const TGVector& Origin, const TGVector& Extent, float X, float Y,
                                  float PivotX, float PivotY, float RotationZ, float ScalingX,
                                  float ScalingY);

protected:
  TGVector FOrigin{};
  TGVector FExtent{};
};

// Graphics drawn and updated in index order; finished ones are removed after each update.
class TGGraphicCollection : public TGGraphic {
  G_CLASS(TGGraphicCollection, TGGraphic)
  explicit TGGraphicCollection(TGObject* AOwner = nullptr)
      : TGGraphic(AOwner) {}

  bool RemoveFinished() const { return FRemoveFinished; }
  void SetRemoveFinished(bool Value) { FRemoveFinished = Value; }
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TGGraphic* Items(int32_t Index) const;

  void Add(TGGraphic* Graphic);
  // Removes the graphic, freeing it when the collection owns it; the former index (-1 when
  // absent).
  int32_t Remove(TGGraphic* Graphic);
  // Removes without freeing.
  void Extract(TGGraphic* Graphic);
  // Removes every item from the last to the first, freeing the owned ones.
  void Clear();

  void Draw() override;
  void Update(float DeltaTime) override;
  // Dest keeps clones of every item, owned by Dest.
  void AssignTo(TGObject* Dest) const override;

protected:
  void Destroy() override;
  // An owned item given to another owner (or to none) leaves the list as well.
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  void OnItemDestroy(TGObject* Sender);

  bool FRemoveFinished = true;
  std::vector<TGGraphic*> FItems;
  TGGraphic* FRemoving = nullptr; // the item Remove is freeing
};
