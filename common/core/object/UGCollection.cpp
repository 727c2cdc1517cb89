#include "object/UGCollection.h"

#include "object/UGClassBuilder.h"

#include <algorithm>
#include <utility>

G_IMPLEMENT_CLASS(TGCollection)
G_IMPLEMENT_CLASS(TGClonableCollection)

void TGCollection::CheckIndex(int Index, bool AllowEnd) const {
  int Limit = GetCount() + (AllowEnd ? 1 : 0);
  if (Index < 0 || Index >= Limit) {
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  }
}

TGObject* TGCollection::GetItem(int Index) const {
  CheckIndex(Index);
  return FItems[static_cast<size_t>(Index)];
}

void TGCollection::SetItem(int Index, TGObject* Item) {
  CheckIndex(Index);
  FItemsDistinct = false;
  FItems[static_cast<size_t>(Index)] = Item;
}

int TGCollection::IndexOf(const TGObject* Item) const {
  auto It = std::find(FItems.begin(), FItems.end(), Item);
  return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

void TGCollection::Clear() {
  // When no item is listed twice, each Remove takes the last entry without searching the list,
  // and the destruction of an owned item leaves no other entry to look for. Otherwise Remove
  // takes the first entry of its item, as always.
  FItemsDistinct = AllDistinct(FItems);
  for (int I = GetCount() - 1; I >= 0; --I) {
    // A Remove override may take more than one item: stay within the list.
    if (I < GetCount()) {
      Remove(FItems[static_cast<size_t>(I)]);
    }
  }
  FItemsDistinct = false;
}

int TGCollection::Add(TGObject* Item) {
  FItemsDistinct = false;
  FItems.push_back(Item);
  return GetCount() - 1;
}

void TGCollection::Insert(int Index, TGObject* Item) {
  CheckIndex(Index, true);
  FItemsDistinct = false;
  FItems.insert(FItems.begin() + Index, Item);
}

TGObject* TGCollection::Extract(TGObject* Item) {
  int Index = IndexOf(Item);
  if (Index < 0) {
    return nullptr;
  }
  FItems.erase(FItems.begin() + Index);
  return Item;
}

int TGCollection::Remove(TGObject* Item) {
  bool Last = FItemsDistinct && !FItems.empty() && FItems.back() == Item;
  int Index = Last ? GetCount() - 1 : IndexOf(Item);
  if (Index >= 0) {
    FItems.erase(FItems.begin() + Index);
  }
  if (Item && Item->Owner() == this) {
    // Names the item until Free returns or raises, then the item of an outer Remove again (a
    // destroy handler may remove another item).
    struct TRemoving {
      TGObject*& Slot;
      TGObject* Outer;
      ~TRemoving() { Slot = Outer; }
    } Removing{FRemoving, std::exchange(FRemoving, Item)};
    Item->Free();
  }
  return Index;
}

void TGCollection::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) {
    return;
  }
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  TGObject* Item = FItems[static_cast<size_t>(CurIndex)];
  FItems.erase(FItems.begin() + CurIndex);
  FItems.insert(FItems.begin() + NewIndex, Item);
}

void TGCollection::Replace(TGObject* Old, TGObject* New) {
  int Index = IndexOf(Old);
  if (Index < 0) {
    throw Error();
  }
  FItemsDistinct = false;
  FItems[static_cast<size_t>(Index)] = New;
}

void TGCollection::Pack() {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), nullptr), FItems.end());
}

void TGCollection::Sort(const std::function<int(TGObject*, TGObject*)>& Compare) {
  std::stable_sort(FItems.begin(), FItems.end(),
                   [&](TGObject* A, TGObject* B) { return Compare(A, B) < 0; });
}

void TGCollection::Destroy() {
  Clear();
  FItems.clear();
  inherited::Destroy();
}

void TGCollection::OwnedObjectDestroying(TGObject* Obj) {
  if (!(FItemsDistinct && Obj == FRemoving)) {
    FItems.erase(std::remove(FItems.begin(), FItems.end(), Obj), FItems.end());
  }
  inherited::OwnedObjectDestroying(Obj);
}

void TGClonableCollection::AssignTo(TGObject* Dest) const {
  TGClonableCollection* Target = ObjectCast<TGClonableCollection>(Dest);
  if (!Target) {
    throw EInvalidCast("Invalid class typecast");
  }
  Target->Clear();
  for (int I = 0; I < GetCount(); ++I) {
    Target->Add(GetItem(I)->Clone(Target));
  }
}

TGClonableCollection* TGClonableCollection::Clone(TGObject* AOwner) const {
  return static_cast<TGClonableCollection*>(CloneObject(*this, AOwner));
}
