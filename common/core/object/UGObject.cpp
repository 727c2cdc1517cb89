#include "object/UGObject.h"

#include "object/UGClassBuilder.h"

std::atomic<int32_t> InstanceCounter{0};

// Marks a running Notify so that it stops touching the notifier once a handler destroyed it.
struct TGObject::TNotifyGuard {
  bool Alive = true;
  TNotifyGuard* Next = nullptr;
};

TGClass TGObject::StaticClass() {
  static const TGClassInfo Info("TGObject", nullptr, typeid(TGObject),
                                GClassDetail::ConstructorOf<TGObject>(),
                                &GClassDetail::Publish<TGObject>);
  return &Info;
}

TGObject::TGObject(TGObject* AOwner)
    : FTag(0) {
  SetOwner(AOwner);
  FTag = ++InstanceCounter;
}

TGObject::~TGObject() {
  for (TNotifyGuard* G = FNotifyGuards; G; G = G->Next) {
    G->Alive = false;
  }
  if (!FDestroyed && !FDestroying) {
    // Deleted without Free (a plain delete or a stack object): the derived parts are gone, so no
    // handler may see it; drop the links silently and release what the object owns.
    FDestroying = true;
    ReleaseLinks();
    DestroyOwnedObjects();
    SetOwner(nullptr);
  }
}

void TGObject::Free() {
  if (FDestroying) {
    return;
  }
  FDestroying = true;
  Destroy();
  FDestroyed = true;
  delete this;
}

void TGObject::Destroy() {
  NotifyDestroy();
  DestroyOwnedObjects();
  SetOwner(nullptr);
  FNotifies.clear();
}

void TGObject::DestroyOwnedObjects() {
  while (!FObjects.empty()) {
    TGObject* Obj = FObjects.back();
    FObjects.pop_back();
    Obj->FListedInOwner = false; // its own detaching need not search the list
    Obj->Free();
  }
  FObjects = TGObjectList();
}

void TGObject::ReleaseLinks() {
  std::vector<TGObject*> Linked;
  for (const TGNotifyRecord& R : FNotifies) {
    for (const TGNotifyEvent& E : R.Events) {
      if (E.Object && E.Object != this) {
        Linked.push_back(E.Object);
      }
    }
  }
  RemoveDuplicatedObjects(Linked);
  for (TGObject* Obj : Linked) {
    UnSubscribe(Obj);
  }
  FNotifies.clear();
}

void TGObject::SetOwner(TGObject* AOwner) {
  if (FOwner) {
    FOwner->OwnedObjectDestroying(this);
  }
  if (FOwner && FListedInOwner) {
    TGObjectList& List = FOwner->FObjects;
    for (size_t I = List.size(); I-- > 0;) {
      if (List[I] == this) {
        List.erase(List.begin() + static_cast<std::ptrdiff_t>(I));
        break;
      }
    }
  }
  if (AOwner) {
    AOwner->FObjects.push_back(this);
  }
  FOwner = AOwner;
  FListedInOwner = AOwner != nullptr;
}

const TGObjectList& TGObject::GetObjects() {
  return FObjects;
}

bool TGObject::AllDistinct(std::span<TGObject* const> Objs) {
  bool HadNil = false;
  size_t Marked = 0;
  for (; Marked < Objs.size(); ++Marked) {
    bool& Seen = Objs[Marked] ? Objs[Marked]->FMarked : HadNil;
    if (Seen) {
      break;
    }
    Seen = true;
  }
  for (size_t I = 0; I < Marked; ++I) {
    if (Objs[I]) {
      Objs[I]->FMarked = false;
    }
  }
  return Marked == Objs.size();
}

void TGObject::Assign(const TGObject* Source) {
  if (Source) {
    Source->AssignTo(this);
  }
}

void TGObject::AssignTo(TGObject* Dest) const {
  (void)Dest;
  NotImplementedError();
}

void TGObject::NotImplementedError() const {
  throw Error("Not implemented for class %s", ClassName());
}

void TGObject::NotifyDestroy() {
  Notify(TGNotification(this, &TGObject::NotifyDestroy));
}

void TGObject::Notify(const TGNotification& Notification) {
  size_t Record = FNotifies.size();
  for (size_t I = 0; I < FNotifies.size(); ++I) {
    if (FNotifies[I].Notification == Notification) {
      Record = I;
      break;
    }
  }
  if (Record == FNotifies.size()) {
    return;
  }
  size_t Count = FNotifies[Record].Events.size();
  TNotifyGuard Guard;
  Guard.Next = FNotifyGuards;
  // The guard is unlinked again below before it goes out of scope.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdangling-pointer"
#endif
  FNotifyGuards = &Guard;
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
  // Unlinks the guard however the loop ends (a handler may raise), unless the object is gone.
  struct TUnlink {
    TGObject* Self;
    TNotifyGuard& G;
    ~TUnlink() {
      if (G.Alive) {
        Self->FNotifyGuards = G.Next;
      }
    }
  } Unlink{this, Guard};
  for (size_t I = 0; I < Count; ++I) {
    // Handlers may change the table: reread the slot every time, and stop when the record was
    // freed and taken by another notification or the notifier itself was destroyed.
    if (Record >= FNotifies.size() || !(FNotifies[Record].Notification == Notification)) {
      break;
    }
    TGNotifyEvent Event = FNotifies[Record].Events[I];
    if (Event) {
      Event(this);
      if (!Guard.Alive) {
        return;
      }
    }
  }
}

void TGObject::AddHandler(const TGNotification& Notification, const TGNotifyEvent& Event) {
  TGNotifications& Table = FNotifies;
  TGNotifyRecord* Record = nullptr;
  bool Existed = true;
  for (TGNotifyRecord& R : Table) {
    if (R.Notification == Notification) {
      Record = &R;
      break;
    }
  }
  if (!Record) {
    Existed = false;
    for (TGNotifyRecord& R : Table) {
      if (!R.Notification) {
        Record = &R;
        break;
      }
    }
    if (!Record) {
      Record = &Table.emplace_back();
    }
    Record->Notification = Notification;
  }
  TGNotifyEvents& Events = Record->Events;
  for (const TGNotifyEvent& E : Events) {
    if (E == Event) {
      return;
    }
  }
  if (Existed) {
    for (size_t I = Events.size(); I-- > 0;) {
      if (!Events[I]) {
        Events[I] = Event;
        return;
      }
    }
  } else {
    for (TGNotifyEvent& E : Events) {
      if (!E) {
        E = Event;
        return;
      }
    }
  }
  Events.push_back(Event);
}

void TGObject::Subscribe(const TGNotification& Notification, const TGNotifyEvent& Event) {
  TGObject* Notifier = Notification.Object;
  TGObject* Subscriber = Event.Object;
  Notifier->AddHandler(Notification, Event);
  Notifier->AddHandler(TGNotification(Notifier, &TGObject::NotifyDestroy),
                       TGNotifyEvent(Subscriber, &TGObject::OnDestroySubscribedObject));
  Subscriber->AddHandler(TGNotification(Subscriber, &TGObject::NotifyDestroy),
                         TGNotifyEvent(Notifier, &TGObject::OnDestroySubscribedObject));
}

namespace {

// Clears the handlers of Who in every record of Table; records left without handlers are freed.
void ClearHandlersOf(TGNotifications& Table, const TGObject* Who) {
  for (TGNotifyRecord& R : Table) {
    bool Live = false;
    for (TGNotifyEvent& E : R.Events) {
      if (E.Object == Who) {
        E = TGNotifyEvent();
      }
      Live = Live || static_cast<bool>(E);
    }
    if (!Live) {
      R.Notification = TGNotification();
    }
  }
}

} // namespace

void TGObject::UnSubscribe(TGObject* Obj) {
  if (!Obj) {
    return;
  }
  ClearHandlersOf(Obj->FNotifies, this);
  ClearHandlersOf(FNotifies, Obj);
}

void TGObject::UnSubscribe(const TGNotification& Notification) {
  TGObject* Notifier = Notification.Object;
  if (!Notifier) {
    return;
  }
  for (TGNotifyRecord& R : Notifier->FNotifies) {
    if (!(R.Notification == Notification)) {
      continue;
    }
    bool Live = false;
    for (TGNotifyEvent& E : R.Events) {
      if (E.Object == this) {
        E = TGNotifyEvent();
      }
      Live = Live || static_cast<bool>(E);
    }
    if (!Live) {
      R.Notification = TGNotification();
    }
    return;
  }
}

void TGObject::OnDestroySubscribedObject(TGObject* Sender) {
  // Sender is going: this object forgets every handler of Sender. Its own handlers in Sender's
  // table stay, because Sender's destruction may still be notifying them (a reused slot can put
  // this link before a destroy handler of this object), and Sender's table goes with it.
  ClearHandlersOf(FNotifies, Sender);
}

G_IMPLEMENT_CLASS(TGClonableObject)

TGClonableObject* TGClonableObject::Clone(TGObject* AOwner) const {
  TGClonableObject* Obj = nullptr;
  CloneTo(AOwner, Obj);
  return Obj;
}

void TGClonableObject::CloneTo(TGObject* AOwner, TGClonableObject*& Obj) const {
  Obj = static_cast<TGClonableObject*>(CloneObject(*this, AOwner));
}

TGObject* CloneObject(const TGObject& Source, TGObject* AOwner) {
  TGClass Class = Source.ClassType();
  if (*Class->TypeId != typeid(Source)) {
    throw Error("Class %s cannot be cloned: its run-time class does not describe itself",
                Class->Name);
  }
  TGObject* Copy = Class->CreateInstance(AOwner);
  try {
    Copy->Assign(&Source);
  } catch (...) {
    Copy->Free();
    throw;
  }
  return Copy;
}
