// Graphics drawn at once, each at its own place and scale, each dropped when it has finished:
// the hint's lightning bolts, stretched from the hint button to their targets.
#pragma once

#include "drawables/UGGraphic.h"

#include <vector>

// One graphic at its place; the item owns the graphic.
class TScaledGraphic : public TGObject {
  G_CLASS(TScaledGraphic, TGObject)
  explicit TScaledGraphic(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  TGGraphic* Gfx = nullptr;
  float ScaleX = 1;
  float ScaleY = 1;
  float PosX = 0;
  float PosY = 0;

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;
};

class TScaledGraphicCollection : public TGGraphic {
  G_CLASS(TScaledGraphicCollection, TGGraphic)
  explicit TScaledGraphicCollection(TGObject* AOwner = nullptr)
      : TGGraphic(AOwner) {}

  int Count() const { return static_cast<int>(FItems.size()); }
  TScaledGraphic* Items(int Index) const;
  // Takes the graphic over; the middle of its left edge lands on (PosX, PosY), scaled. The
  // item's index.
  int Push(TGGraphic* Gfx, float PosX, float PosY, float ScaleX, float ScaleY);
  // Every graphic advances, then the finished ones go.
  void Update(float DeltaSeconds) override;
  // In push order, later ones over earlier ones.
  void Draw() override;
  using TGGraphic::Draw;

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  std::vector<TScaledGraphic*> FItems; // owned through the owner tree
};
