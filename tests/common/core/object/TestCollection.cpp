#include "object/UGClassBuilder.h"
#include "object/UGCollection.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> Removed;

class TItem : public TGClonableObject {
  G_CLASS(TItem, TGClonableObject)
  explicit TItem(TGObject* AOwner = nullptr)
      : TGClonableObject(AOwner) {}
  TItem(TGObject* AOwner, int AValue)
      : TGClonableObject(AOwner)
      , Value(AValue) {}
  void AssignTo(TGObject* Dest) const override { static_cast<TItem*>(Dest)->Value = Value; }
  int Value = 0;
};
G_IMPLEMENT_CLASS(TItem)

// A collection whose Remove override must be reached by Clear for every item.
class TLoggingCollection : public TGClonableCollection {
  G_CLASS(TLoggingCollection, TGClonableCollection)
  explicit TLoggingCollection(TGObject* AOwner = nullptr)
      : TGClonableCollection(AOwner) {}
  int Remove(TGObject* Item) override {
    Removed.push_back(std::to_string(static_cast<TItem*>(Item)->Value));
    return inherited::Remove(Item);
  }
  // A destroy handler that takes another item out of the list.
  void OnItemDestroyed(TGObject*) {
    if (TGObject* Other = std::exchange(RemoveWith, nullptr)) {
      Remove(Other);
    }
  }
  TGObject* RemoveWith = nullptr;
};
G_IMPLEMENT_CLASS(TLoggingCollection)

} // namespace

TEST(Collection, ClearDestroysOwnedItemsAndReleasesListedOnes) {
  Removed.clear();
  TGObjectPtr<TGObject> Elsewhere(new TGObject());
  TLoggingCollection* C = new TLoggingCollection();
  C->Add(new TItem(C, 1));
  TItem* Listed = new TItem(Elsewhere.get(), 2);
  C->Add(Listed);
  C->Add(new TItem(C, 3));
  C->Clear();
  EXPECT_EQ(Removed, (std::vector<std::string>{"3", "2", "1"}));
  EXPECT_EQ(C->GetCount(), 0);
  EXPECT_EQ(Listed->Owner(), Elsewhere.get()); // still alive, only delisted
  C->Free();
}

TEST(Collection, OwnedItemDestroyedElsewhereLeavesTheList) {
  TGObjectPtr<TGCollection> C(new TGCollection());
  TItem* A = new TItem(C.get(), 1);
  TItem* B = new TItem(C.get(), 2);
  C->Add(A);
  C->Add(B);
  C->Add(A);
  A->Free();
  ASSERT_EQ(C->GetCount(), 1);
  EXPECT_EQ(C->GetItem(0), B);
  C->Clear();
  EXPECT_EQ(C->GetCount(), 0);
}

TEST(Collection, RemoveExtractReplaceAndMove) {
  TGObjectPtr<TGCollection> C(new TGCollection());
  TGObjectPtr<TGObject> Outside(new TGObject());
  TItem* A = new TItem(C.get(), 1);
  TItem* B = new TItem(Outside.get(), 2);
  TItem* D = new TItem(Outside.get(), 4);
  C->Add(A);
  C->Add(B);
  EXPECT_EQ(C->Extract(B), B);
  EXPECT_EQ(C->Extract(B), nullptr);
  C->Insert(0, B);
  C->Replace(B, D);
  EXPECT_EQ(C->GetItem(0), D);
  EXPECT_EQ(B->Owner(), Outside.get());
  try {
    C->Replace(B, D);
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "An error occured");
  }
  C->Move(0, 1);
  EXPECT_EQ(C->IndexOf(D), 1);
  // Removing an owned item that is no longer listed still destroys it.
  C->Extract(A);
  EXPECT_EQ(C->Remove(A), -1);
  EXPECT_FALSE(C->HasObjects());
  EXPECT_THROW(C->GetItem(5), EListError);
  C->SetItem(0, nullptr);
  C->Pack();
  EXPECT_EQ(C->GetCount(), 0);
}

TEST(Collection, ClonableCollectionsCopyClonesOwnedByTheCopy) {
  TGObjectPtr<TGClonableCollection> Source(new TGClonableCollection());
  for (int I = 1; I <= 3; ++I) {
    Source->Add(new TItem(Source.get(), I));
  }
  TGObjectPtr<TGClonableCollection> Copy(Source->Clone(nullptr));
  ASSERT_EQ(Copy->GetCount(), 3);
  for (int I = 0; I < 3; ++I) {
    TItem* Item = static_cast<TItem*>(Copy->GetItem(I));
    EXPECT_EQ(Item->Value, I + 1);
    EXPECT_EQ(Item->Owner(), Copy.get());
    EXPECT_NE(Item, Source->GetItem(I));
  }
  TGObjectPtr<TGCollection> Plain(new TGCollection());
  EXPECT_THROW(Source->AssignTo(Plain.get()), EInvalidCast);
}

TEST(Collection, SortIsStable) {
  TGObjectPtr<TGCollection> C(new TGCollection());
  for (int V : {3, 1, 2, 1}) {
    C->Add(new TItem(C.get(), V));
  }
  TGObject* FirstOne = C->GetItem(1);
  C->Sort([](TGObject* A, TGObject* B) {
    return static_cast<TItem*>(A)->Value - static_cast<TItem*>(B)->Value;
  });
  EXPECT_EQ(C->GetItem(0), FirstOne);
  EXPECT_EQ(static_cast<TItem*>(C->GetItem(3))->Value, 3);
}

TEST(Collection, ItemThatMovesToAnotherOwnerLeavesTheList) {
  TGObjectPtr<TGCollection> From(new TGCollection());
  TGObjectPtr<TGObject> Elsewhere(new TGObject());
  TItem* Moving = new TItem(From.get(), 1);
  TItem* Staying = new TItem(From.get(), 2);
  TItem* Listed = new TItem(Elsewhere.get(), 3);
  for (TGObject* Item : {static_cast<TGObject*>(Moving), static_cast<TGObject*>(Staying),
                         static_cast<TGObject*>(Moving), static_cast<TGObject*>(Listed)}) {
    From->Add(Item);
  }
  {
    TGObjectPtr<TGCollection> To(new TGCollection());
    Moving->SetOwner(To.get());
    To->Add(Moving);
    EXPECT_EQ(From->Items(), (std::vector<TGObject*>{Staying, Listed}));
    // An item the collection merely lists stays when its own owner changes.
    Listed->SetOwner(To.get());
    EXPECT_EQ(From->IndexOf(Listed), 1);
    From->Extract(Listed);
    // Setting no owner takes an item out as well.
    Staying->SetOwner(nullptr);
    EXPECT_EQ(From->GetCount(), 0);
    Staying->SetOwner(To.get());
  } // the new owner frees both; the old list holds neither
  EXPECT_EQ(From->GetCount(), 0);
  EXPECT_FALSE(From->HasObjects());

  // Attaching an item to the collection that owns it again moves it to the end of the list.
  TItem* A = new TItem(From.get(), 4);
  TItem* B = new TItem(From.get(), 5);
  From->Add(A);
  From->Add(B);
  A->SetOwner(From.get());
  From->Add(A);
  EXPECT_EQ(From->Items(), (std::vector<TGObject*>{B, A}));
}

TEST(Collection, ClearKeepsItsOrderAndCopesWithDuplicatesAndHandlers) {
  Removed.clear();
  TGObjectPtr<TGObject> Elsewhere(new TGObject());
  TLoggingCollection* C = new TLoggingCollection();
  TItem* Owned = new TItem(C, 1);
  TItem* Listed = new TItem(Elsewhere.get(), 2);
  for (TGObject* Item : {static_cast<TGObject*>(Listed), static_cast<TGObject*>(Owned),
                         static_cast<TGObject*>(Listed), static_cast<TGObject*>(Owned)}) {
    C->Add(Item);
  }
  C->Add(new TItem(C, 3));
  // Each Remove takes the first entry of its item; an owned item freed leaves with every entry.
  C->Clear();
  EXPECT_EQ(Removed, (std::vector<std::string>{"3", "1", "2", "2"}));
  EXPECT_EQ(C->GetCount(), 0);
  EXPECT_EQ(Listed->Owner(), Elsewhere.get());

  // A handler run by a destroyed item may remove another one.
  Removed.clear();
  std::vector<TItem*> Items;
  for (int I = 1; I <= 5; ++I) {
    Items.push_back(new TItem(C, I));
    C->Add(Items.back());
  }
  TGObject::Subscribe(TGNotification(Items[4], &TGObject::NotifyDestroy),
                      TGNotifyEvent(C, &TLoggingCollection::OnItemDestroyed));
  C->RemoveWith = Items[1];
  C->Clear();
  EXPECT_EQ(Removed, (std::vector<std::string>{"5", "2", "4", "3", "1"}));
  EXPECT_FALSE(C->HasObjects());
  C->Free();
}
