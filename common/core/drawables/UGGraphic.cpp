#include "drawables/UGGraphic.h"

#include "object/UGClassBuilder.h"

#include "base/UGFormat.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

G_IMPLEMENT_CLASS(TGGraphic)
G_IMPLEMENT_CLASS(TGGraphicCollection)

void TGGraphic::SetWidth(float Value) {
  TGVector E = FExtent;
  E.X = Value;
  SetExtent(E);
}

void TGGraphic::SetHeight(float Value) {
  TGVector E = FExtent;
  E.Y = Value;
  SetExtent(E);
}

TGMatrix TGGraphic::TransformMatrix(const TGVector& Origin, const TGVector& Extent, float X,
                                    float Y, float PivotX, float PivotY, float RotationZ,
                                    float ScalingX, float ScalingY) {
  // The pivot is truncated to whole units so that unscaled pictures stay on the pixel grid.
  TGFlatVector Center{std::trunc(Origin.X + Extent.X * PivotX),
                      std::trunc(Origin.Y + Extent.Y * PivotY)};
  TGFlatVector Translation{X - Center.X, Y - Center.Y};
  return MatAffineTransform2D(Center, TGFlatVector{ScalingX, ScalingY}, Translation, RotationZ);
}

void TGGraphic::Draw(TGColor Color, TGBlending Blending, float X, float Y, float PivotX,
                     float PivotY, float RotationZ, float ScalingX, float ScalingY,
                     TGTextureFilter TextureFilter) {
  TGMatrix M =
      TransformMatrix(FOrigin, FExtent, X, Y, PivotX, PivotY, RotationZ, ScalingX, ScalingY);
  GD->PushState(TGDeviceStateMask{bMatrix, bMaterial, bTexture0, bBlending});
  try {
    GD->SetMatrixByType(mWorld, M * GD->GetMatrixByType(mWorld));
    if (Blending != bParent) {
      GD->SetBlending(Blending);
    }
    GD->SetMaterialDiffuse(GD->MaterialDiffuse() * Color);
    GD->SetTextureFilter(0, TextureFilter);
    Draw();
  } catch (...) {
    GD->PopState();
    throw;
  }
  GD->PopState();
}

void TGGraphic::Draw(float X, float Y, float PivotX, float PivotY, float RotationZ, float ScalingX,
                     float ScalingY) {
  Draw(0xFFFFFFFF, bParent, X, Y, PivotX, PivotY, RotationZ, ScalingX, ScalingY, tfParent);
}

bool TGGraphic::Hit(const TGVector& Point) {
  TGVector P = Point - FOrigin;
  return P.X > 0 && P.X < FExtent.X && P.Y > 0 && P.Y < FExtent.Y;
}

bool TGGraphic::Hit(const TGFlatVector& Point) {
  return Hit(TGVector{Point.X, Point.Y, FOrigin.Z + FExtent.Z * 0.5f});
}

void TGGraphic::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  TGGraphic* D = ObjectCast<TGGraphic>(Dest);
  D->FOrigin = FOrigin;
  D->SetExtent(FExtent);
}

// TGGraphicCollection --------------------------------------------------------------------------

TGGraphic* TGGraphicCollection::Items(int32_t Index) const {
  if (Index < 0 || Index >= Count()) {
    throw ERangeError(Format("List index out of bounds (%d)", {Index}));
  }
  return FItems[static_cast<size_t>(Index)];
}

void TGGraphicCollection::Add(TGGraphic* Graphic) {
  if (!Graphic) {
    return;
  }
  FItems.push_back(Graphic);
  // An item freed elsewhere must not stay behind as a dangling entry.
  Subscribe(TGNotification(Graphic, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TGGraphicCollection::OnItemDestroy));
}

void TGGraphicCollection::OnItemDestroy(TGObject* Sender) {
  std::erase(FItems, static_cast<TGGraphic*>(Sender));
}

void TGGraphicCollection::OwnedObjectDestroying(TGObject* Obj) {
  // The item Remove is freeing has left the list already; an item that leaves otherwise is
  // usually one of the last ones (particles go from the back).
  if (Obj != FRemoving) {
    auto It = std::find(FItems.rbegin(), FItems.rend(), Obj);
    if (It != FItems.rend()) {
      FItems.erase(std::next(It).base());
      UnSubscribe(Obj);
    }
  }
  inherited::OwnedObjectDestroying(Obj);
}

void TGGraphicCollection::Extract(TGGraphic* Graphic) {
  auto It = std::find(FItems.begin(), FItems.end(), Graphic);
  if (It == FItems.end()) {
    return;
  }
  FItems.erase(It);
  UnSubscribe(Graphic);
}

int32_t TGGraphicCollection::Remove(TGGraphic* Graphic) {
  auto It = std::find(FItems.begin(), FItems.end(), Graphic);
  if (It == FItems.end()) {
    return -1;
  }
  int32_t Index = static_cast<int32_t>(It - FItems.begin());
  FItems.erase(It);
  UnSubscribe(Graphic);
  if (Graphic->Owner() == this) {
    TGGraphic* Outer = std::exchange(FRemoving, Graphic);
    try {
      Graphic->Free();
    } catch (...) {
      FRemoving = Outer;
      throw;
    }
    FRemoving = Outer;
  }
  return Index;
}

void TGGraphicCollection::Clear() {
  while (!FItems.empty()) {
    Remove(FItems.back());
  }
}

void TGGraphicCollection::Draw() {
  // Items may draw other items of the collection away (finished particles); index each time.
  for (size_t I = 0; I < FItems.size(); ++I) {
    FItems[I]->Draw();
  }
}

void TGGraphicCollection::Update(float DeltaTime) {
  for (size_t I = 0; I < FItems.size(); ++I) {
    FItems[I]->Update(DeltaTime);
  }
  if (!FRemoveFinished) {
    return;
  }
  for (size_t I = FItems.size(); I-- > 0;) {
    if (I < FItems.size() && FItems[I]->IsFinished()) {
      TGGraphic* Item = FItems[I];
      if (Item->ReturnToPool()) {
        Extract(Item);
      } else {
        Remove(Item);
      }
    }
  }
}

void TGGraphicCollection::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  TGGraphicCollection* D = ObjectCast<TGGraphicCollection>(Dest);
  D->FRemoveFinished = FRemoveFinished;
  D->Clear();
  for (TGGraphic* Item : FItems) {
    D->Add(static_cast<TGGraphic*>(CloneObject(*Item, D)));
  }
}

void TGGraphicCollection::Destroy() {
  Clear();
  inherited::Destroy();
}
