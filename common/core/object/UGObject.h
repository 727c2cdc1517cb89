// The root of every engine and game class: an owner and the objects it owns, a serial number,
// assignment through AssignTo, and notifications that objects use to tell each other about
// changes and about their own destruction.
//
// Objects are created with new (or a class's CreateInstance) and released with Free(), which runs
// the virtual Destroy while the object is still whole and then deletes it. An owner frees what it
// owns, last attached first. Objects without an owner are held by TGObjectPtr.
#pragma once

#include "base/UGError.h"
#include "object/UGClass.h"
#include "object/UGSmallVector.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

class TGObject;

// A method bound to an object: (object, pointer-to-member), comparable for identity.
template <class Sig>
class TGMethod;

template <class R, class... A>
class TGMethod<R(A...)> {
public:
  using TCode = R (TGObject::*)(A...);

  TGMethod() = default;
  TGMethod(std::nullptr_t) {}
  // The method may belong to a base class of the object's class.
  template <class T, class C>
  requires std::is_base_of_v<C, T> && std::is_base_of_v<TGObject, C> TGMethod(T* AObject,
                                                                              R (C::*ACode)(A...))
      : Object(AObject)
      , Code(static_cast<TCode>(ACode)) {}

  R operator()(A... Args) const { return (Object->*Code)(std::forward<A>(Args)...); }
  explicit operator bool() const { return Object != nullptr && Code != nullptr; }
  bool operator==(const TGMethod& Other) const {
    return Object == Other.Object && Code == Other.Code;
  }

  TGObject* Object = nullptr;
  TCode Code = nullptr;
};

// One kind of notification of one notifier, e.g. NotifyDestroy of a given object.
using TGNotification = TGMethod<void()>;
// A handler taking the notifier as Sender.
using TGNotifyEvent = TGMethod<void(TGObject*)>;

// The handlers of one notification; an empty slot has no object and no code. Subscribing to a
// NotifyDestroy puts two handlers there (the subscriber's own and the link that unsubscribes it
// again), so two are kept inline.
using TGNotifyEvents = TGSmallVector<TGNotifyEvent, 2>;

struct TGNotifyRecord {
  TGNotification Notification; // none: a free record
  TGNotifyEvents Events;
};

// A notifier's table: one record per notification kind that has (or had) subscribers. Most
// objects never have subscribers, so the table is held through one pointer: an object without
// subscribers pays 8 bytes for it instead of an empty vector's 24.
class TGNotifications {
public:
  bool empty() const { return !FRecords || FRecords->empty(); }
  size_t size() const { return FRecords ? FRecords->size() : 0; }
  TGNotifyRecord& operator[](size_t Index) { return (*FRecords)[Index]; }
  const TGNotifyRecord& operator[](size_t Index) const { return (*FRecords)[Index]; }
  TGNotifyRecord* begin() { return FRecords ? FRecords->data() : nullptr; }
  TGNotifyRecord* end() { return FRecords ? FRecords->data() + FRecords->size() : nullptr; }
  const TGNotifyRecord* begin() const { return FRecords ? FRecords->data() : nullptr; }
  const TGNotifyRecord* end() const {
    return FRecords ? FRecords->data() + FRecords->size() : nullptr;
  }
  // A new free record at the end; the first one makes the table.
  TGNotifyRecord& emplace_back() {
    if (!FRecords) {
      FRecords = std::make_unique<std::vector<TGNotifyRecord>>();
      FRecords->reserve(2); // a notifier's own notification and its NotifyDestroy
    }
    return FRecords->emplace_back();
  }
  // Frees the table.
  void clear() { FRecords.reset(); }

private:
  std::unique_ptr<std::vector<TGNotifyRecord>> FRecords;
};

// The owned objects of an owner, or the items of a collection; one of them is kept inline.
using TGObjectList = TGSmallVector<TGObject*, 1>;

// The serial counter; every created object takes the next value as its Tag.
extern std::atomic<int32_t> InstanceCounter;

class TGObject {
public:
  explicit TGObject(TGObject* AOwner = nullptr);
  TGObject(const TGObject&) = delete;
  TGObject& operator=(const TGObject&) = delete;

  static TGClass StaticClass();
  virtual TGClass ClassType() const { return StaticClass(); }
  const std::string& ClassName() const { return ClassType()->Name; }
  bool InheritsFrom(TGClass AClass) const { return ClassType()->InheritsFrom(AClass); }

  // Runs after the constructor of the most derived class when objects are made through the
  // class facility (or New<T>), so it may call virtual operations.
  virtual void AfterConstruction() {}

  // Destroys the object: Destroy, then release of its memory. A second Free while the first
  // runs does nothing.
  void Free();

  int32_t Tag() const { return FTag; }
  TGObject* Owner() const { return FOwner; }
  // Detaches from the current owner (see OwnedObjectDestroying) and appends to the new owner's
  // list.
  void SetOwner(TGObject* AOwner);
  // The owned objects in attachment order.
  const TGObjectList& GetObjects();
  bool HasObjects() const { return !FObjects.empty(); }

  // Copies Source into this object through Source->AssignTo(this); nothing when Source is none.
  void Assign(const TGObject* Source);
  // Copies this object's state into Dest; the base fails with "Not implemented for class %s".
  virtual void AssignTo(TGObject* Dest) const;
  [[noreturn]] void NotImplementedError() const;

  // Runs every live handler of Notification on this object (the notifier).
  void Notify(const TGNotification& Notification);
  void NotifyDestroy();
  static void Subscribe(const TGNotification& Notification, const TGNotifyEvent& Event);
  // Removes every subscription between this object and Obj, in both directions.
  void UnSubscribe(TGObject* Obj);
  // Removes every handler of this object from Notification, whatever its method.
  void UnSubscribe(const TGNotification& Notification);
  void OnDestroySubscribedObject(TGObject* Sender);

  // Whether no object appears twice in Objs (two null entries count as a repeat). Linear: each
  // object is marked while the list is walked.
  static bool AllDistinct(std::span<TGObject* const> Objs);

  // The notification table, or none before the first subscription (for inspection and tests).
  const TGNotifications* Notifies() const { return FNotifies.empty() ? nullptr : &FNotifies; }
  bool Destroying() const { return FDestroying; }

protected:
  // The destructor body of the class; every override ends with inherited::Destroy().
  virtual void Destroy();
  // Called on the owner whenever an owned object detaches from it: when the object is being
  // destroyed (still whole), and when SetOwner gives it to another owner, to none, or to this
  // owner again (which moves it to the end). Owners that keep owned objects in lists of their
  // own drop it there, so that no list keeps an object its owner no longer owns.
  virtual void OwnedObjectDestroying(TGObject* Obj) { (void)Obj; }
  // Only memory is released here; the destruction work is done by Destroy.
  virtual ~TGObject();

private:
  struct TNotifyGuard;

  void AddHandler(const TGNotification& Notification, const TGNotifyEvent& Event);
  void DestroyOwnedObjects();
  void ReleaseLinks();

  int32_t FTag;
  bool FDestroying = false;
  bool FDestroyed = false;
  bool FListedInOwner = false;
  bool FMarked = false; // for AllDistinct
  TGObject* FOwner = nullptr;
  TGObjectList FObjects;
  TGNotifications FNotifies;             // empty until the first subscription
  TNotifyGuard* FNotifyGuards = nullptr; // Notify calls running on this object
};

// Frees an object of the engine; for smart pointers.
struct TGObjectDeleter {
  void operator()(TGObject* Obj) const { Obj->Free(); }
};
template <class T>
using TGObjectPtr = std::unique_ptr<T, TGObjectDeleter>;

// Creates an object and runs its AfterConstruction; frees it again if that fails.
template <class T, class... A>
T* New(A&&... Args) {
  T* Obj = new T(std::forward<A>(Args)...);
  try {
    Obj->AfterConstruction();
  } catch (...) {
    Obj->Free();
    throw;
  }
  return Obj;
}

// Frees the object and clears the pointer.
template <class T>
void FreeAndNil(T*& Obj) {
  T* Old = Obj;
  Obj = nullptr;
  if (Old) {
    Old->Free();
  }
}

// Checked downcast: EInvalidCast ("Invalid class typecast") when Obj is not a T.
template <class T>
T* ObjectCast(TGObject* Obj) {
  if (Obj && !Obj->InheritsFrom(T::StaticClass())) {
    throw EInvalidCast("Invalid class typecast");
  }
  return static_cast<T*>(Obj);
}
template <class T>
const T* ObjectCast(const TGObject* Obj) {
  return ObjectCast<T>(const_cast<TGObject*>(Obj));
}

// Unchecked-by-exception downcast: the object as a T, or none when it is no T (or is none).
template <class T>
T* TryObjectCast(TGObject* Obj) {
  return Obj && Obj->InheritsFrom(T::StaticClass()) ? static_cast<T*>(Obj) : nullptr;
}
template <class T>
const T* TryObjectCast(const TGObject* Obj) {
  return TryObjectCast<T>(const_cast<TGObject*>(Obj));
}

// A TGObject that can be copied through the virtual constructor of its run-time class.
class TGClonableObject : public TGObject {
  G_CLASS(TGClonableObject, TGObject)
  explicit TGClonableObject(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  TGClonableObject* Clone(TGObject* AOwner) const;
  void CloneTo(TGObject* AOwner, TGClonableObject*& Obj) const;
};

// A new object of Source's run-time class owned by AOwner, made through the class facility and
// assigned from Source; freed again when the assignment fails.
TGObject* CloneObject(const TGObject& Source, TGObject* AOwner);

// Drops empty entries, keeping the order.
template <class T>
void RemoveNilObjects(std::vector<T*>& Arr) {
  std::erase(Arr, nullptr);
}

// Drops later duplicates (keeping first occurrences), then empty entries.
template <class T>
void RemoveDuplicatedObjects(std::vector<T*>& Arr) {
  for (size_t I = 0; I < Arr.size(); ++I) {
    if (!Arr[I]) {
      continue;
    }
    for (size_t J = I + 1; J < Arr.size(); ++J) {
      if (Arr[J] == Arr[I]) {
        Arr[J] = nullptr;
      }
    }
  }
  RemoveNilObjects(Arr);
}
