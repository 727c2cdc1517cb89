#include "object/UGClassBuilder.h"
#include "object/UGObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Journal;

// An object that logs its destruction and the notifications it receives.
class TLogged : public TGClonableObject {
  G_CLASS(TLogged, TGClonableObject)
  explicit TLogged(TGObject* AOwner = nullptr)
      : TGClonableObject(AOwner) {}
  TLogged(TGObject* AOwner, std::string AName)
      : TGClonableObject(AOwner)
      , Name(std::move(AName)) {}

  void AssignTo(TGObject* Dest) const override { static_cast<TLogged*>(Dest)->Name = Name; }
  void NotifyChange() { Notify(TGNotification(this, &TLogged::NotifyChange)); }
  void OnChange(TGObject* Sender) {
    Journal.push_back(Name + " saw " + static_cast<TLogged*>(Sender)->Name);
    if (Action) {
      Action(this);
    }
  }
  void OnOtherDestroyed(TGObject* Sender) {
    Journal.push_back(Name + " saw death of " + static_cast<TLogged*>(Sender)->Name);
  }

  std::string Name;
  std::function<void(TLogged*)> Action;
  bool ChangeOnDestroy = false;

protected:
  void Destroy() override {
    Journal.push_back("destroy " + Name);
    if (ChangeOnDestroy) {
      NotifyChange();
    }
    inherited::Destroy();
  }
};
G_IMPLEMENT_CLASS(TLogged)

class TNoAssign : public TGClonableObject {
  G_CLASS(TNoAssign, TGClonableObject)
  explicit TNoAssign(TGObject* AOwner = nullptr)
      : TGClonableObject(AOwner) {}
};
G_IMPLEMENT_CLASS(TNoAssign)

class TWithAfterConstruction : public TGObject {
  G_CLASS(TWithAfterConstruction, TGObject)
  explicit TWithAfterConstruction(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}
  void AfterConstruction() override { Kind = Describe(); }
  virtual std::string Describe() const { return "base"; }
  std::string Kind;
};
G_IMPLEMENT_CLASS(TWithAfterConstruction)

class TDerivedAfter : public TWithAfterConstruction {
  G_CLASS(TDerivedAfter, TWithAfterConstruction)
  explicit TDerivedAfter(TGObject* AOwner = nullptr)
      : TWithAfterConstruction(AOwner) {}
  std::string Describe() const override { return "derived"; }
};
G_IMPLEMENT_CLASS(TDerivedAfter)

TGNotification Change(TLogged* L) {
  return TGNotification(L, &TLogged::NotifyChange);
}
TGNotifyEvent OnChange(TLogged* L) {
  return TGNotifyEvent(L, &TLogged::OnChange);
}

int LiveHandlers(const TGObject* Obj) {
  int N = 0;
  if (const auto* Table = Obj->Notifies()) {
    for (const TGNotifyRecord& R : *Table) {
      for (const TGNotifyEvent& E : R.Events) {
        N += E ? 1 : 0;
      }
    }
  }
  return N;
}

class ObjectTest : public ::testing::Test {
protected:
  void SetUp() override { Journal.clear(); }
};

} // namespace

TEST_F(ObjectTest, OwnerFreesOwnedObjectsLastAttachedFirstAfterNotifying) {
  TLogged* Root = new TLogged(nullptr, "root");
  TLogged* A = new TLogged(Root, "a");
  new TLogged(A, "a1");
  new TLogged(Root, "b");
  TLogged* Watcher = new TLogged(nullptr, "watcher");
  TGObject::Subscribe(TGNotification(Root, &TGObject::NotifyDestroy),
                      TGNotifyEvent(Watcher, &TLogged::OnOtherDestroyed));
  Root->Free();
  EXPECT_EQ(Journal, (std::vector<std::string>{"destroy root", "watcher saw death of root",
                                               "destroy b", "destroy a", "destroy a1"}));
  EXPECT_EQ(LiveHandlers(Watcher), 0);
  Watcher->Free();
}

TEST_F(ObjectTest, DestroyHandlerInAReusedSlotStillRuns) {
  TLogged* Notifier = new TLogged(nullptr, "n");
  TGObjectPtr<TLogged> B(new TLogged(nullptr, "b"));
  TLogged* A = new TLogged(nullptr, "a");
  TGObjectPtr<TLogged> S(new TLogged(nullptr, "s"));
  auto Death = [&](TLogged* Who) {
    TGObject::Subscribe(TGNotification(Notifier, &TGObject::NotifyDestroy),
                        TGNotifyEvent(Who, &TLogged::OnOtherDestroyed));
  };
  Death(B.get());
  Death(A);
  A->Free(); // leaves two free slots behind b's in the notifier's destroy record
  // s's handler takes the last free slot and its link the one before it, so the link runs
  // first when the notifier goes; it must not take s's handler with it.
  Death(S.get());
  Journal.clear();
  Notifier->Free();
  EXPECT_EQ(Journal,
            (std::vector<std::string>{"destroy n", "b saw death of n", "s saw death of n"}));
  EXPECT_EQ(LiveHandlers(S.get()), 0);
}

TEST_F(ObjectTest, TagsGrowAndSetOwnerMovesToTheEnd) {
  TGObjectPtr<TGObject> Owner(new TGObject());
  TGObject* A = new TGObject(Owner.get());
  TGObject* B = new TGObject(Owner.get());
  EXPECT_EQ(B->Tag(), A->Tag() + 1);
  A->SetOwner(Owner.get());
  EXPECT_EQ(Owner->GetObjects(), (std::vector<TGObject*>{B, A}));
  TGObjectPtr<TGObject> Other(new TGObject());
  B->SetOwner(Other.get());
  EXPECT_EQ(Owner->GetObjects(), (std::vector<TGObject*>{A}));
  EXPECT_EQ(B->Owner(), Other.get());
}

TEST_F(ObjectTest, MutualSubscriptionsInsideOneOwnerAreRemovedOnce) {
  TLogged* Root = new TLogged(nullptr, "root");
  TLogged* A = new TLogged(Root, "a");
  TLogged* B = new TLogged(Root, "b");
  TGObject::Subscribe(Change(A), OnChange(B));
  TGObject::Subscribe(Change(B), OnChange(A));
  A->NotifyChange();
  B->NotifyChange();
  EXPECT_EQ(Journal, (std::vector<std::string>{"b saw a", "a saw b"}));
  Journal.clear();
  // b dies first and must be unlinked from a, so a's last change reaches nobody.
  A->ChangeOnDestroy = true;
  Root->Free();
  EXPECT_EQ(Journal, (std::vector<std::string>{"destroy root", "destroy b", "destroy a"}));
}

TEST_F(ObjectTest, SubscribingTwiceKeepsOneSlotAndFreedRecordsAreReused) {
  TGObjectPtr<TLogged> N(new TLogged(nullptr, "n"));
  TGObjectPtr<TLogged> S(new TLogged(nullptr, "s"));
  TGObject::Subscribe(Change(N.get()), OnChange(S.get()));
  TGObject::Subscribe(Change(N.get()), OnChange(S.get()));
  N->NotifyChange();
  EXPECT_EQ(Journal, (std::vector<std::string>{"s saw n"}));

  const auto& Table = *N->Notifies();
  size_t Records = Table.size();
  S->UnSubscribe(Change(N.get()));
  EXPECT_FALSE(Table[0].Notification); // the change record is free again
  // A new notification kind takes the free record instead of appending one.
  TGObject::Subscribe(TGNotification(N.get(), &TGObject::NotifyDestroy),
                      TGNotifyEvent(S.get(), &TLogged::OnOtherDestroyed));
  EXPECT_EQ(N->Notifies()->size(), Records);
  Journal.clear();
  N->NotifyChange();
  EXPECT_TRUE(Journal.empty());
}

TEST_F(ObjectTest, HandlerUnsubscribingLaterHandlerStopsItDuringNotify) {
  TGObjectPtr<TLogged> N(new TLogged(nullptr, "n"));
  TGObjectPtr<TLogged> First(new TLogged(nullptr, "first"));
  TGObjectPtr<TLogged> Second(new TLogged(nullptr, "second"));
  TGObjectPtr<TLogged> Late(new TLogged(nullptr, "late"));
  TGObject::Subscribe(Change(N.get()), OnChange(First.get()));
  TGObject::Subscribe(Change(N.get()), OnChange(Second.get()));
  First->Action = [&](TLogged* Self) {
    Self->UnSubscribe(Change(N.get()));
    Second->UnSubscribe(Change(N.get()));
    TGObject::Subscribe(Change(N.get()), OnChange(Late.get()));
  };
  N->NotifyChange();
  EXPECT_EQ(Journal, (std::vector<std::string>{"first saw n"}));
  Journal.clear();
  N->NotifyChange();
  EXPECT_EQ(Journal, (std::vector<std::string>{"late saw n"}));
}

TEST_F(ObjectTest, HandlerThatFreesTheNotifierEndsTheNotification) {
  TLogged* N = new TLogged(nullptr, "n");
  TGObjectPtr<TLogged> A(new TLogged(nullptr, "a"));
  TGObjectPtr<TLogged> B(new TLogged(nullptr, "b"));
  TGObject::Subscribe(Change(N), OnChange(A.get()));
  TGObject::Subscribe(Change(N), OnChange(B.get()));
  A->Action = [&](TLogged*) { N->Free(); };
  N->NotifyChange();
  EXPECT_EQ(Journal, (std::vector<std::string>{"a saw n", "destroy n"}));
  EXPECT_EQ(LiveHandlers(A.get()), 0);
  EXPECT_EQ(LiveHandlers(B.get()), 0);
}

TEST_F(ObjectTest, AssignAndCloning) {
  TGObjectPtr<TLogged> A(new TLogged(nullptr, "a"));
  TGObjectPtr<TLogged> B(new TLogged(nullptr, "b"));
  B->Assign(nullptr);
  EXPECT_EQ(B->Name, "b");
  B->Assign(A.get());
  EXPECT_EQ(B->Name, "a");

  TGObjectPtr<TGObject> Owner(new TGObject());
  TGClonableObject* Copy = A->Clone(Owner.get());
  ASSERT_EQ(Copy->ClassType(), TLogged::StaticClass());
  EXPECT_EQ(static_cast<TLogged*>(Copy)->Name, "a");
  EXPECT_EQ(Copy->Owner(), Owner.get());
  EXPECT_NE(Copy->Tag(), A->Tag());

  TGObjectPtr<TNoAssign> Bare(new TNoAssign());
  try {
    Bare->Clone(nullptr);
    FAIL() << "cloning a class without AssignTo must fail";
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Not implemented for class TNoAssign");
    EXPECT_NE(E.Message().find("occured in"), std::string::npos);
  }
  // The failed clone was freed: the owner of a failed clone keeps nothing.
  TGObjectPtr<TGObject> Keeper(new TGObject());
  EXPECT_THROW(Bare->Clone(Keeper.get()), EGException);
  EXPECT_FALSE(Keeper->HasObjects());
}

TEST_F(ObjectTest, AfterConstructionRunsWithTheFinalClass) {
  TGObjectPtr<TGObject> Made(TDerivedAfter::StaticClass()->CreateInstance(nullptr));
  EXPECT_EQ(static_cast<TDerivedAfter*>(Made.get())->Kind, "derived");
  TGObjectPtr<TDerivedAfter> Direct(New<TDerivedAfter>(nullptr));
  EXPECT_EQ(Direct->Kind, "derived");
}

TEST_F(ObjectTest, ErrorMessagesFollowTheEngineForm) {
  EGException Plain = Error("Attribute \"%s\" not found", "X");
  EXPECT_EQ(Plain.Text(), "Attribute \"X\" not found");
  EXPECT_EQ(Plain.Message().rfind("Error: Attribute \"X\" not found.\r\n\r\nError occured in ", 0),
            0u);
  EXPECT_NE(Plain.Message().find("[TestObject, line "), std::string::npos);
  EGException Generic = Error();
  EXPECT_EQ(Generic.Text(), "An error occured");
  EXPECT_EQ(Generic.Message().rfind("An error occured in ", 0), 0u);
}

TEST_F(ObjectTest, RemoveNilAndDuplicatedObjects) {
  TGObject* A = reinterpret_cast<TGObject*>(0x10);
  TGObject* B = reinterpret_cast<TGObject*>(0x20);
  std::vector<TGObject*> Arr{nullptr, A, B, A, nullptr, B};
  RemoveDuplicatedObjects(Arr);
  EXPECT_EQ(Arr, (std::vector<TGObject*>{A, B}));
}

TEST_F(ObjectTest, HandlerThatRaisesLeavesTheNotifierSound) {
  TLogged* N = new TLogged(nullptr, "n");
  TGObjectPtr<TLogged> A(new TLogged(nullptr, "a"));
  TGObject::Subscribe(Change(N), OnChange(A.get()));
  A->Action = [](TLogged*) { throw Error("handler failed"); };
  EXPECT_THROW(N->NotifyChange(), EGException);
  A->Action = nullptr;
  N->NotifyChange();
  N->Free(); // must not touch the frame of the notification that raised
  EXPECT_EQ(LiveHandlers(A.get()), 0);
}
