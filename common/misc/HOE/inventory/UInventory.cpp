#include "inventory/UInventory.h"

#include "base/UGDebug.h"
#include "locations/UBaseLocation.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectBehavior.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "xml/UGXMLNode.h"

#include <vector>

G_IMPLEMENT_CLASS(TBaseItemArray)
G_IMPLEMENT_CLASS(TToolItemArray)
G_IMPLEMENT_CLASS(TBaseItemCollection)
G_IMPLEMENT_CLASS(TItemsCollection)
G_IMPLEMENT_CLASS(TToolsCollection)
G_IMPLEMENT_CLASS(TInventory)

namespace {

constexpr const char* CInInventory = "1";
constexpr const char* CListed = "0";

} // namespace

// --- Groups ------------------------------------------------------------------------------------

TBaseItemArray::TBaseItemArray(TGObject* AOwner)
    : TGObject(AOwner) {
  FItems.SetDuplicates(dupAccept);
}

TGameObject* TBaseItemArray::ItemByIndex(int AIndex) const {
  if (AIndex < 0 || AIndex >= Count()) {
    return nullptr;
  }
  return FItems.ObjectAs<TGameObject>(AIndex);
}

void TBaseItemArray::Add(bool InList, TGameObject* AItem) {
  if (Count() >= CMaxGroupSize) {
    throw Error("A group of the inventory holds at most %d objects", CMaxGroupSize);
  }
  FItems.AddObject(InList ? CInInventory : CListed, AItem);
  ++(InList ? FTakenCount : FInListCount);
}

void TBaseItemArray::RemoveAt(int Index) {
  if (FItems.Get(Index) != CListed) {
    --FTakenCount;
  } else {
    --FInListCount;
  }
  FItems.Delete(Index);
}

bool TBaseItemArray::Remove(TGameObject* AItem) {
  int Index = FItems.IndexOfObject(AItem);
  if (Index < 0) {
    return false;
  }
  RemoveAt(Index);
  return true;
}

bool TBaseItemArray::Remove(std::string_view AId) {
  for (int I = 0; I < Count(); ++I) {
    if (ItemByIndex(I)->ID() == AId) {
      RemoveAt(I);
      return true;
    }
  }
  return false;
}

bool TBaseItemArray::CheckAndAdd(bool InList, TGameObject* AItem) {
  if (Count() == 0) {
    return false;
  }
  int Index = FItems.IndexOfObject(AItem);
  if (Index >= 0) {
    bool WasListed = FItems.Get(Index) == CListed;
    if (WasListed && InList) {
      --FInListCount;
      ++FTakenCount;
    } else if (!WasListed && !InList) {
      --FTakenCount;
      ++FInListCount;
    }
    FItems.Put(Index, InList ? CInInventory : CListed);
    return true;
  }
  const std::string& Group = ItemByIndex(0)->GroupID();
  if (!AItem->GroupID().empty() && AItem->GroupID() == Group) {
    Add(InList, AItem);
    return true;
  }
  return false;
}

bool TBaseItemArray::Contains(const TGameObject* Obj) const {
  return FItems.IndexOfObject(Obj) >= 0;
}

bool TBaseItemArray::ContainsHidden() const {
  for (int I = 0; I < Count(); ++I) {
    TGameObject* Obj = ItemByIndex(I);
    if (Obj->TakingCount() == 0 && Obj->IsHidden()) {
      return true;
    }
  }
  return false;
}

TGameObject* TBaseItemArray::FirstFiltered(bool ATaken) const {
  for (int I = 0; I < Count(); ++I) {
    TGameObject* Obj = ItemByIndex(I);
    if ((Obj->TakingCount() > 0) == ATaken) {
      return Obj;
    }
  }
  return nullptr;
}

bool TBaseItemArray::AreAllTaken() const {
  return FirstFiltered(false) == nullptr;
}

int32_t TBaseItemArray::NotTakenCount() const {
  int32_t N = 0;
  for (int I = 0; I < Count(); ++I) {
    N += ItemByIndex(I)->TakingCount() == 0 ? 1 : 0;
  }
  return N;
}

std::string TToolItemArray::IconURL() const {
  TGameObject* First = ItemByIndex(0);
  return First ? First->IconURL() : std::string();
}

// --- Lists -------------------------------------------------------------------------------------

void TBaseItemCollection::Destroy() {
  Clear();
  inherited::Destroy();
}

TBaseItemArray* TBaseItemCollection::Group(int AIndex) const {
  return FItems.ObjectAs<TBaseItemArray>(AIndex);
}

TGameObject* TBaseItemCollection::Items(int AIndex) const {
  return Group(AIndex)->ItemByIndex(0);
}

void TBaseItemCollection::Add(TGameObject* Item, bool InInventory) {
  for (int I = 0; I < Count(); ++I) {
    if (Group(I)->CheckAndAdd(InInventory, Item)) {
      return;
    }
  }
  TGObjectPtr<TBaseItemArray> New(
      ObjectCast<TBaseItemArray>(ArrayClass()->CreateInstance(nullptr)));
  New->Add(InInventory, Item);
  TBaseItemArray* G = New.release();
  G->SetOwner(this);
  FItems.AddObject("", G);
}

template <class F>
int TBaseItemCollection::RemoveWhere(F RemoveFrom) {
  for (int I = 0; I < Count();) {
    TBaseItemArray* G = Group(I);
    if (RemoveFrom(G) && G->Count() == 0) {
      FItems.Delete(I);
      G->Free();
    } else {
      ++I;
    }
  }
  return Count();
}

int TBaseItemCollection::Remove(std::string_view ID) {
  return RemoveWhere([ID](TBaseItemArray* G) { return G->Remove(ID); });
}

int TBaseItemCollection::Remove(TGameObject* Obj) {
  return RemoveWhere([Obj](TBaseItemArray* G) { return G->Remove(Obj); });
}

void TBaseItemCollection::Clear() {
  while (Count() > 0) {
    TBaseItemArray* G = Group(Count() - 1);
    FItems.Delete(Count() - 1);
    G->Free();
  }
}

bool TBaseItemCollection::Contains(const TGameObject* Obj) const {
  return FindGroupByObject(Obj) != nullptr;
}

TBaseItemArray* TBaseItemCollection::FindGroupByObject(const TGameObject* Obj) const {
  for (int I = 0; I < Count(); ++I) {
    if (Group(I)->Contains(Obj)) {
      return Group(I);
    }
  }
  return nullptr;
}

void TBaseItemCollection::OwnedObjectDestroying(TGObject* Obj) {
  int Index = FItems.IndexOfObject(Obj);
  if (Index >= 0) {
    FItems.Delete(Index);
  }
  inherited::OwnedObjectDestroying(Obj);
}

// --- Inventory ---------------------------------------------------------------------------------

TInventory::TInventory(TGObject* AOwner)
    : TGObject(AOwner)
    , FItems(new TItemsCollection(this))
    , FTools(new TToolsCollection(this)) {}

void TInventory::Add(TGameObject* Item, bool IntoInventory) {
  if (!Item) {
    return;
  }
  if (!IntoInventory) {
    FItems->Add(Item, false);
    bool Loading = CurrentPlayer && CurrentPlayer->IsLoading();
    if (!Loading) {
      if (TLocationGameObjectBehavior* B = LocationBehaviorOf(Item)) {
        B->AppearInItems(Item);
      }
    }
    return;
  }
  if (Item->IsTool()) {
    FTools->Add(Item, true);
  }
  TBaseItemCollection* List = Item->IsTool() ? static_cast<TBaseItemCollection*>(FTools)
                                             : static_cast<TBaseItemCollection*>(FItems);
  TBaseItemArray* Group = List->FindGroupByObject(Item);
  if (Group && Group->Count() > 1 && Group->AreAllTaken()) {
    if (TBaseLocation* L = CurrentPlayer ? CurrentPlayer->CurrentLocation() : nullptr) {
      L->GroupCollected(Item->GroupID());
    }
  }
}

void TInventory::Remove(TGameObject* GameObject) {
  FTools->Remove(GameObject);
}

bool TInventory::Contains(const TGameObject* Obj, TInventoryFlags AFlags) const {
  return (AFlags.Contains(ifTools) && FTools->Contains(Obj)) ||
         (AFlags.Contains(ifItems) && FItems->Contains(Obj));
}

void TInventory::Clear(TInventoryFlags AFlags) {
  if (AFlags.Contains(ifTools)) {
    FTools->Clear();
  }
  if (AFlags.Contains(ifItems)) {
    FItems->Clear();
  }
}

bool TInventory::AreAllItemsCollected() const {
  for (int I = 0; I < FItems->Count(); ++I) {
    if (FItems->Group(I)->FirstFiltered(false)) {
      return false;
    }
  }
  return true;
}

void TInventory::InitGameScripts() {
  for (int I = 0; I < FItems->Count(); ++I) {
    TGameObject* First = FItems->Items(I);
    if (TLocationGameObjectBehavior* B = LocationBehaviorOf(First)) {
      B->AppearInItems(First);
    }
  }
}

void TInventory::CheckItemGroups() const {
  if (FItems->Count() > CMaxItemGroups) {
    throw Error("Assertion failure");
  }
}

void TInventory::LoadFromXML(const TGXMLNode* Node) {
  struct TListed {
    TGameObject* Obj;
    bool Found;
  };
  auto Find = [](const TGXMLNode* Child) -> TGameObject* {
    std::string OID = Child->GetStrAttr("OID");
    TGameObject* Obj = GameObjectCollector ? GameObjectCollector->GetByID(OID) : nullptr;
    if (!Obj) {
      // The content changed since the save: the rest of the profile still loads.
      ODS("The inventory names no object %s: left out", OID);
    }
    return Obj;
  };
  std::vector<TListed> Listed;
  for (const TGXMLNode* Item : *Node->GetChilds("Item")) {
    if (TGameObject* Obj = Find(Item)) {
      Listed.push_back(TListed{Obj, Obj->TakingCount() > 0});
    }
  }
  std::vector<TGameObject*> Tools;
  for (const TGXMLNode* Tool : *Node->GetChilds("Tool")) {
    if (TGameObject* Obj = Find(Tool)) {
      Tools.push_back(Obj);
    }
  }
  Clear(TInventoryFlags{3});
  for (const TListed& L : Listed) {
    Add(L.Obj, false);
  }
  for (const TListed& L : Listed) {
    Add(L.Obj, L.Found);
  }
  FTools->Clear();
  for (TGameObject* Tool : Tools) {
    Add(Tool, true);
  }
  CheckItemGroups();
}

TGXMLNode* TInventory::SaveToXML() {
  if (CurrentPlayer && CurrentPlayer->HoldsObject()) {
    // A held tool is saved where it belongs.
    Add(CurrentPlayer->Cursor(), true);
    CurrentPlayer->SetCursor(nullptr);
  }
  CheckItemGroups();
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Inventory"));
  for (int I = 0; I < FItems->Count(); ++I) {
    Node->AddChild("Item")->SetStrAttr("OID", FItems->Items(I)->ID());
  }
  for (int I = 0; I < FTools->Count(); ++I) {
    TBaseItemArray* G = FTools->Group(I);
    for (int J = 0; J < G->Count(); ++J) {
      Node->AddChild("Tool")->SetStrAttr("OID", G->ItemByIndex(J)->ID());
    }
  }
  return Node.release();
}
