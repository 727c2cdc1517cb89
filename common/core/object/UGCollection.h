// Ordered lists of engine objects. A collection destroys only the items it owns (those whose
// Owner is the collection) when they are removed or cleared; other items are merely listed.
#pragma once

#include "object/UGObject.h"

#include <functional>

class TGCollection : public TGObject {
  G_CLASS(TGCollection, TGObject)
  explicit TGCollection(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  int GetCount() const { return static_cast<int>(FItems.size()); }
  TGObject* GetItem(int Index) const;
  // Overwrites the entry; destroys nothing.
  void SetItem(int Index, TGObject* Item);
  int IndexOf(const TGObject* Item) const;

  // Removes every item through Remove, last index first; linear in the number of items.
  virtual void Clear();
  // Appends; returns the new index.
  virtual int Add(TGObject* Item);
  // Inserts before Index.
  virtual void Insert(int Index, TGObject* Item);
  // Removes the first occurrence without destroying it; the item, or none when absent.
  virtual TGObject* Extract(TGObject* Item);
  // Removes the first occurrence, then destroys the item when this collection owns it (also
  // when it was not listed). Returns the index it had, or -1.
  virtual int Remove(TGObject* Item);
  virtual void Move(int CurIndex, int NewIndex);
  // Puts New at the index of Old; Old is neither destroyed nor detached. Fails when Old is absent.
  virtual void Replace(TGObject* Old, TGObject* New);

  // Drops empty entries.
  void Pack();
  // Sorts by Compare (negative, zero or positive), stable.
  void Sort(const std::function<int(TGObject*, TGObject*)>& Compare);

  const TGObjectList& Items() const { return FItems; }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

protected:
  void Destroy() override;
  // An owned item that is destroyed elsewhere or given to another owner leaves the list, so
  // Clear never reaches an item that is freed or belongs to someone else.
  void OwnedObjectDestroying(TGObject* Obj) override;
  void CheckIndex(int Index, bool AllowEnd = false) const;

private:
  TGObjectList FItems;
  // While Clear runs: no item is listed twice (checked when it starts; void once anything is
  // added). The entry of the last item is then its only one.
  bool FItemsDistinct = false;
  // The item that Remove is freeing, whose only entry it has taken out already.
  TGObject* FRemoving = nullptr;
};

// A collection of clonable items: assigning copies clones of every item, owned by the copy.
class TGClonableCollection : public TGCollection {
  G_CLASS(TGClonableCollection, TGCollection)
  explicit TGClonableCollection(TGObject* AOwner = nullptr)
      : TGCollection(AOwner) {}

  TGClonableObject* GetItem(int Index) const {
    return static_cast<TGClonableObject*>(TGCollection::GetItem(Index));
  }
  TGClonableObject* Extract(TGObject* Item) override {
    return static_cast<TGClonableObject*>(TGCollection::Extract(Item));
  }
  void AssignTo(TGObject* Dest) const override;

  TGClonableCollection* Clone(TGObject* AOwner) const;
};
