// The inventory: the items list (the objects to find in the current location, found or not) and
// the tools list (what the player carries to use elsewhere). Objects of one group (GroupID) form
// one line of a list, so three coins count as one. Each profile owns one inventory and saves it.
#pragma once

#include "base/UGFastStringList.h"
#include "object/UGClassBuilder.h"
#include "object/UGObject.h"

#include <string>
#include <string_view>

class TGameObject;
class TGXMLNode;

enum TInventoryFlag { ifItems = 0, ifTools = 1 };
using TInventoryFlags = TGSet<TInventoryFlag>;

// The most groups the items list holds, and the most objects one group holds.
constexpr int CMaxItemGroups = 12;
constexpr int CMaxGroupSize = 256;

// One group: each entry an object with its flag, "1" in the inventory, "0" listed to be found.
class TBaseItemArray : public TGObject {
  G_CLASS(TBaseItemArray, TGObject)
  explicit TBaseItemArray(TGObject* AOwner = nullptr);

  int Count() const { return FItems.Count(); }
  int32_t InListCount() const { return FInListCount; }
  int32_t TakenCount() const { return FTakenCount; }
  // None outside the group.
  TGameObject* ItemByIndex(int AIndex) const;
  virtual void Add(bool InList, TGameObject* AItem);
  // Takes the object (or the first of that exact ID) out; false when it is not there.
  virtual bool Remove(TGameObject* AItem);
  virtual bool Remove(std::string_view AId);
  // The object joins the group when it is in it already (its flag follows InList) or shares
  // the group's GroupID; false otherwise (always for an empty group).
  bool CheckAndAdd(bool InList, TGameObject* AItem);
  bool Contains(const TGameObject* Obj) const;
  // Some object not taken yet is hidden.
  bool ContainsHidden() const;
  // The first object taken (ATaken) or not taken yet; none when there is none.
  TGameObject* FirstFiltered(bool ATaken) const;
  // Every object has been taken; true for an empty group.
  bool AreAllTaken() const;
  int32_t NotTakenCount() const;

private:
  void RemoveAt(int Index);

  int32_t FInListCount = 0;
  int32_t FTakenCount = 0;
  TGFastStringList FItems;
};

class TToolItemArray : public TBaseItemArray {
  G_CLASS(TToolItemArray, TBaseItemArray)
  explicit TToolItemArray(TGObject* AOwner = nullptr)
      : TBaseItemArray(AOwner) {}

  // The icon of its first object.
  std::string IconURL() const;
};

// The groups of one list; it owns them.
class TBaseItemCollection : public TGObject {
  G_CLASS(TBaseItemCollection, TGObject)
  explicit TBaseItemCollection(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  // The class of new groups.
  virtual TGClass ArrayClass() const { return TBaseItemArray::StaticClass(); }
  int Count() const { return FItems.Count(); }
  TBaseItemArray* Group(int AIndex) const;
  // The first object of the group.
  TGameObject* Items(int AIndex) const;
  // Offers the object to each group; a new group takes it when none does.
  void Add(TGameObject* Item, bool InInventory);
  // Takes the object out of every group; a group left empty goes. The groups left.
  virtual int Remove(std::string_view ID);
  virtual int Remove(TGameObject* Obj);
  virtual void Clear();
  bool Contains(const TGameObject* Obj) const;
  TBaseItemArray* FindGroupByObject(const TGameObject* Obj) const;

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  template <class F>
  int RemoveWhere(F RemoveFrom);

  TGFastStringList FItems;
};

class TItemsCollection : public TBaseItemCollection {
  G_CLASS(TItemsCollection, TBaseItemCollection)
  explicit TItemsCollection(TGObject* AOwner = nullptr)
      : TBaseItemCollection(AOwner) {}
};

class TToolsCollection : public TBaseItemCollection {
  G_CLASS(TToolsCollection, TBaseItemCollection)
  explicit TToolsCollection(TGObject* AOwner = nullptr)
      : TBaseItemCollection(AOwner) {}

  TGClass ArrayClass() const override { return TToolItemArray::StaticClass(); }
  TToolItemArray* Group(int AIndex) const {
    return static_cast<TToolItemArray*>(TBaseItemCollection::Group(AIndex));
  }
};

class TInventory : public TGObject {
  G_CLASS(TInventory, TGObject)
  explicit TInventory(TGObject* AOwner = nullptr);

  TItemsCollection* Items() const { return FItems; }
  TToolsCollection* Tools() const { return FTools; }
  int32_t ToolsCapacity() const { return FToolsCapacity; }
  void SetToolsCapacity(int32_t Value) { FToolsCapacity = Value; }

  // IntoInventory: the object was picked (a tool joins the tools; a group completed by it is
  // reported to the location). Otherwise it is listed to be found.
  void Add(TGameObject* Item, bool IntoInventory);
  // Takes the object out of the tools.
  void Remove(TGameObject* GameObject);
  bool Contains(const TGameObject* Obj, TInventoryFlags AFlags) const;
  void Clear(TInventoryFlags AFlags);
  // No group of the items list has an object still to find.
  bool AreAllItemsCollected() const;
  // The first object of every items group shows in the list: its behaviour is told.
  void InitGameScripts();

  // "Item" per items group and "Tool" per tool, by ID. An ID that names no object (the game's
  // content changed since the save) is left out and reported; the rest loads.
  void LoadFromXML(const TGXMLNode* Node);
  TGXMLNode* SaveToXML();

private:
  void CheckItemGroups() const;

  TItemsCollection* FItems; // owned
  TToolsCollection* FTools; // owned
  int32_t FToolsCapacity = 0;
};
