// Lists of game objects by ID. A sorted list keeps IDs unique and in order (the global
// collector that owns every object of a loaded profile); an unsorted one keeps the order objects
// were added in and accepts the same ID twice (a location's objects, back to front). IDs are
// compared without regard to ASCII case. Every change notifies the list's subscribers.
#pragma once

#include "base/UGFastStringList.h"
#include "object/UGObject.h"

#include <string>
#include <string_view>

class TBaseGameObject;
class TGameObject;

class TBaseGameObjectCollection : public TGObject {
  G_CLASS(TBaseGameObjectCollection, TGObject)
  explicit TBaseGameObjectCollection(TGObject* AOwner = nullptr, bool ASortByID = false);

  bool SortByID() const { return FSortByID; }
  int Count() const { return FItems.Count(); }
  // The object at the index; reading through Items marks it changed, ItemsReadOnly does not.
  TBaseGameObject* Items(int Index) const;
  TBaseGameObject* ItemsReadOnly(int Index) const;
  // The object of that ID (marked changed), or none.
  TBaseGameObject* ByID(std::string_view AID) const;
  TBaseGameObject* ByIDReadOnly(std::string_view AID) const;

  // A sorted list rejects an ID it holds already with the string list's duplicate error.
  int Add(TBaseGameObject* AObj);
  // Only for unsorted lists.
  void Insert(int AIndex, TBaseGameObject* AObj);
  // Takes the object out; frees it when this list owns it. Nothing for one not listed.
  void Remove(int AIndex);
  void Remove(TBaseGameObject* AObj);
  void Remove(std::string_view AID);
  // Renames an object of the list. Outside the in-game editor a different ID is refused; in
  // the editor an ID that is taken is.
  void ChangeID(int AIndex, std::string_view NewID);
  void ChangeID(TBaseGameObject* AObj, std::string_view NewID);
  void Move(int CurIndex, int NewIndex);
  // Takes every object out, freeing those the list owns.
  void Clear();
  int IndexOf(std::string_view AID) const;
  int IndexOf(const TBaseGameObject* AObj) const;
  void NotifyChanged();

  static void Publish(TGClassBuilder<TBaseGameObjectCollection>& B);

protected:
  void Destroy() override;
  // An owned object freed elsewhere or given to another owner leaves the list.
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  void OnItemDestroyed(TGObject* Sender);
  // Takes the entry out (freeing an owned object when asked), without notifying.
  void DeleteEntry(int Index, bool FreeOwned);
  void Watch(TBaseGameObject* AObj);
  TBaseGameObject* Marked(TBaseGameObject* AObj) const;

  TGFastStringList FItems;
  bool FSortByID;
};

class TGameObjectCollection : public TBaseGameObjectCollection {
  G_CLASS(TGameObjectCollection, TBaseGameObjectCollection)
  explicit TGameObjectCollection(TGObject* AOwner = nullptr, bool ASortByID = false)
      : TBaseGameObjectCollection(AOwner, ASortByID) {}

  TGameObject* Items(int Index) const;
  TGameObject* ItemsReadOnly(int Index) const;
  TGameObject* GetByID(std::string_view AID) const;
  TGameObject* GetByIDReadOnly(std::string_view AID) const;

  static void Publish(TGClassBuilder<TGameObjectCollection>& B);
};

// Every game object of the loaded profile, sorted by ID; it owns them. Made at start-up.
extern TGameObjectCollection* GameObjectCollector;
