#include "Screens/UScaledGraphicCollection.h"

#include "object/UGClassBuilder.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TScaledGraphic)
G_IMPLEMENT_CLASS(TScaledGraphicCollection)

void TScaledGraphic::Destroy() {
  if (Gfx) {
    TGGraphic* G = Gfx;
    Gfx = nullptr;
    G->Free();
  }
  inherited::Destroy();
}

void TScaledGraphic::OwnedObjectDestroying(TGObject* Obj) {
  if (Obj == Gfx) {
    Gfx = nullptr;
  }
  inherited::OwnedObjectDestroying(Obj);
}

TScaledGraphic* TScaledGraphicCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) {
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  }
  return FItems[static_cast<size_t>(Index)];
}

int TScaledGraphicCollection::Push(TGGraphic* Gfx, float PosX, float PosY, float ScaleX,
                                   float ScaleY) {
  auto* Item = new TScaledGraphic(this);
  if (Gfx) {
    Gfx->SetOwner(Item);
  }
  Item->Gfx = Gfx;
  Item->PosX = PosX;
  Item->PosY = PosY;
  Item->ScaleX = ScaleX;
  Item->ScaleY = ScaleY;
  FItems.push_back(Item);
  return Count() - 1;
}

void TScaledGraphicCollection::Update(float DeltaSeconds) {
  std::vector<TScaledGraphic*> Round = FItems;
  for (TScaledGraphic* Item : Round) {
    if (std::find(FItems.begin(), FItems.end(), Item) != FItems.end() && Item->Gfx) {
      Item->Gfx->Update(DeltaSeconds);
    }
  }
  for (int I = Count(); I-- > 0;) {
    TScaledGraphic* Item = FItems[static_cast<size_t>(I)];
    if (!Item->Gfx || Item->Gfx->IsFinished()) {
      FItems.erase(FItems.begin() + I);
      Item->Free();
    }
  }
}

void TScaledGraphicCollection::Draw() {
  for (TScaledGraphic* Item : std::vector<TScaledGraphic*>(FItems)) {
    if (Item->Gfx) {
      Item->Gfx->Draw(Item->PosX, Item->PosY, 0, 0.5f, 0, Item->ScaleX, Item->ScaleY);
    }
  }
}

void TScaledGraphicCollection::Destroy() {
  std::vector<TScaledGraphic*> Old;
  Old.swap(FItems);
  for (TScaledGraphic* Item : Old) {
    Item->Free();
  }
  inherited::Destroy();
}

void TScaledGraphicCollection::OwnedObjectDestroying(TGObject* Obj) {
  std::erase(FItems, static_cast<TScaledGraphic*>(TryObjectCast<TScaledGraphic>(Obj)));
  inherited::OwnedObjectDestroying(Obj);
}
