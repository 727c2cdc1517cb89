#include "objects/UGameObjectCollection.h"

#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "player/UGameData.h"

G_IMPLEMENT_CLASS(TBaseGameObjectCollection)
G_IMPLEMENT_CLASS(TGameObjectCollection)

TGameObjectCollection* GameObjectCollector = nullptr;

TBaseGameObjectCollection::TBaseGameObjectCollection(TGObject* AOwner, bool ASortByID)
    : TGObject(AOwner)
    , FSortByID(ASortByID) {
  if (FSortByID) {
    FItems.SetSorted(true);
    FItems.SetDuplicates(dupError);
  } else {
    FItems.SetDuplicates(dupAccept);
  }
}

void TBaseGameObjectCollection::Publish(TGClassBuilder<TBaseGameObjectCollection>& B) {
  using T = TBaseGameObjectCollection;
  B.Property("Count", &T::Count)
      .Method("Add", &T::Add, {"AObj"})
      .Method("Insert", &T::Insert, {"AIndex", "AObj"})
      .Method("Remove", static_cast<void (T::*)(TBaseGameObject*)>(&T::Remove), {"AObj"})
      .Method("Move", &T::Move, {"CurIndex", "NewIndex"})
      .Method("Clear", &T::Clear)
      .Method("IndexOf", static_cast<int (T::*)(std::string_view) const>(&T::IndexOf), {"AID"})
      .Method("NotifyChanged", &T::NotifyChanged);
}

void TBaseGameObjectCollection::Destroy() {
  // Owned objects go with the list; the others are only forgotten.
  while (FItems.Count() > 0) {
    DeleteEntry(FItems.Count() - 1, true);
  }
  inherited::Destroy();
}

TBaseGameObject* TBaseGameObjectCollection::Marked(TBaseGameObject* AObj) const {
  if (AObj) {
    AObj->SetChanged(true);
  }
  return AObj;
}

TBaseGameObject* TBaseGameObjectCollection::ItemsReadOnly(int Index) const {
  return static_cast<TBaseGameObject*>(FItems.GetObject(Index));
}

TBaseGameObject* TBaseGameObjectCollection::Items(int Index) const {
  return Marked(ItemsReadOnly(Index));
}

TBaseGameObject* TBaseGameObjectCollection::ByIDReadOnly(std::string_view AID) const {
  int Index = IndexOf(AID);
  return Index < 0 ? nullptr : ItemsReadOnly(Index);
}

TBaseGameObject* TBaseGameObjectCollection::ByID(std::string_view AID) const {
  return Marked(ByIDReadOnly(AID));
}

void TBaseGameObjectCollection::Watch(TBaseGameObject* AObj) {
  // Objects this list does not own may be freed by their owner: the list lets them go then.
  if (AObj->Owner() != this) {
    Subscribe(TGNotification(AObj, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TBaseGameObjectCollection::OnItemDestroyed));
  }
}

int TBaseGameObjectCollection::Add(TBaseGameObject* AObj) {
  if (!AObj) {
    throw Error("A game object list cannot hold none");
  }
  int Index = FItems.AddObject(AObj->ID(), AObj);
  Watch(AObj);
  NotifyChanged();
  return Index;
}

void TBaseGameObjectCollection::Insert(int AIndex, TBaseGameObject* AObj) {
  if (!AObj) {
    throw Error("A game object list cannot hold none");
  }
  FItems.Insert(AIndex, AObj->ID(), AObj);
  Watch(AObj);
  NotifyChanged();
}

void TBaseGameObjectCollection::DeleteEntry(int Index, bool FreeOwned) {
  TBaseGameObject* Obj = ItemsReadOnly(Index);
  FItems.Delete(Index);
  if (!Obj) {
    return;
  }
  if (Obj->Owner() == this) {
    if (FreeOwned) {
      Obj->Free();
    }
  } else if (IndexOf(Obj) < 0) {
    UnSubscribe(Obj);
  }
}

void TBaseGameObjectCollection::Remove(int AIndex) {
  if (AIndex < 0 || AIndex >= Count()) {
    throw EListError(Format("List index out of bounds (%d)", {AIndex}));
  }
  DeleteEntry(AIndex, true);
  NotifyChanged();
}

void TBaseGameObjectCollection::Remove(TBaseGameObject* AObj) {
  int Index = IndexOf(AObj);
  if (Index >= 0) {
    Remove(Index);
  }
}

void TBaseGameObjectCollection::Remove(std::string_view AID) {
  int Index = IndexOf(AID);
  if (Index >= 0) {
    Remove(Index);
  }
}

void TBaseGameObjectCollection::ChangeID(int AIndex, std::string_view NewID) {
  TBaseGameObject* Obj = ItemsReadOnly(AIndex);
  if (!Obj || Obj->ID() == NewID) {
    return;
  }
  bool Editor = InGameEditor();
  if (!Editor) {
    throw Error("Game object \"%s\" cannot be renamed to \"%s\"", Obj->ID(), NewID);
  }
  int Taken = IndexOf(NewID);
  if (Taken >= 0 && Taken != AIndex) {
    throw Error("Game object ID \"%s\" is taken", NewID);
  }
  if (FSortByID) {
    // A new key has its own place in the order.
    FItems.Delete(AIndex);
    Obj->FID = NewID;
    FItems.AddObject(Obj->ID(), Obj);
  } else {
    Obj->FID = NewID;
    FItems.Put(AIndex, NewID);
  }
  NotifyChanged();
}

void TBaseGameObjectCollection::ChangeID(TBaseGameObject* AObj, std::string_view NewID) {
  int Index = IndexOf(AObj);
  if (Index >= 0) {
    ChangeID(Index, NewID);
  }
}

void TBaseGameObjectCollection::Move(int CurIndex, int NewIndex) {
  if (FSortByID) {
    throw Error("A sorted game object list keeps its order");
  }
  FItems.Move(CurIndex, NewIndex);
  NotifyChanged();
}

void TBaseGameObjectCollection::Clear() {
  while (FItems.Count() > 0) {
    DeleteEntry(FItems.Count() - 1, true);
  }
  NotifyChanged();
}

int TBaseGameObjectCollection::IndexOf(std::string_view AID) const {
  if (FSortByID) {
    int Index = 0;
    return FItems.Find(AID, Index) ? Index : -1;
  }
  return FItems.IndexOf(AID);
}

int TBaseGameObjectCollection::IndexOf(const TBaseGameObject* AObj) const {
  if (!AObj) {
    return -1;
  }
  if (FSortByID) {
    // The object's entry is under its ID, unless the ID changed behind the list's back.
    int Index = IndexOf(AObj->ID());
    if (Index >= 0 && FItems.GetObject(Index) == AObj) {
      return Index;
    }
  }
  return FItems.IndexOfObject(AObj);
}

void TBaseGameObjectCollection::NotifyChanged() {
  Notify(TGNotification(this, &TBaseGameObjectCollection::NotifyChanged));
}

void TBaseGameObjectCollection::OwnedObjectDestroying(TGObject* Obj) {
  int Index = FItems.IndexOfObject(Obj);
  if (Index >= 0) {
    FItems.Delete(Index);
    if (!Destroying()) {
      NotifyChanged();
    }
  }
  inherited::OwnedObjectDestroying(Obj);
}

void TBaseGameObjectCollection::OnItemDestroyed(TGObject* Sender) {
  bool Removed = false;
  for (int Index = FItems.IndexOfObject(Sender); Index >= 0; Index = FItems.IndexOfObject(Sender)) {
    FItems.Delete(Index);
    Removed = true;
  }
  if (Removed && !Destroying()) {
    NotifyChanged();
  }
}

// --- Typed -------------------------------------------------------------------------------------

void TGameObjectCollection::Publish(TGClassBuilder<TGameObjectCollection>& B) {
  using T = TGameObjectCollection;
  B.Method("Items", &T::Items, {"Index"})
      .Method("ItemsReadOnly", &T::ItemsReadOnly, {"Index"})
      .Method("ByID", &T::GetByID, {"AID"})
      .Method("ByIDReadOnly", &T::GetByIDReadOnly, {"AID"});
}

TGameObject* TGameObjectCollection::Items(int Index) const {
  return static_cast<TGameObject*>(TBaseGameObjectCollection::Items(Index));
}

TGameObject* TGameObjectCollection::ItemsReadOnly(int Index) const {
  return static_cast<TGameObject*>(TBaseGameObjectCollection::ItemsReadOnly(Index));
}

TGameObject* TGameObjectCollection::GetByID(std::string_view AID) const {
  return static_cast<TGameObject*>(ByID(AID));
}

TGameObject* TGameObjectCollection::GetByIDReadOnly(std::string_view AID) const {
  return static_cast<TGameObject*>(ByIDReadOnly(AID));
}
