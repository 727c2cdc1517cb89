#include "script/UScriptObjects.h"

#include "base/UGError.h"
#include "objects/UGameObject.h"
#include "script/UObjectWrapper.h"
#include "script/UScriptProcessor.h"

TScriptObjects::TScriptObjects(TScriptProcessor* AProcessor)
    : FScriptProcessor(AProcessor)
    , FUndefinedObject(new TGameObject(nullptr)) {
  FWrappers.SetSorted(true);
  FWrappers.SetDuplicates(dupError);
  FWrappers.SetOwnsObjects([](TGObject* Obj) { Obj->Free(); });
  FUndefinedObject->SetID("UndefinedObject");
  FUndefinedObjectWrapper = Add("UndefinedObject", FUndefinedObject);
}

TScriptObjects::~TScriptObjects() {
  FWrappers.Clear();
  FUndefinedObject->Free();
}

TObjectWrapper* TScriptObjects::Add(std::string_view Name, TGObject* Obj) {
  if (FWrappers.IndexOf(Name) >= 0) {
    throw Error("An object named \"%s\" is already registered", Name);
  }
  TObjectWrapper* W = new TObjectWrapper(nullptr, FScriptProcessor, Name);
  W->SetRefObject(Obj);
  FWrappers.AddObject(Name, W);
  return W;
}

TObjectWrapper* TScriptObjects::Find(std::string_view Name) const {
  int Index = FWrappers.IndexOf(Name);
  return Index < 0 ? nullptr : FWrappers.ObjectAs<TObjectWrapper>(Index);
}

bool TScriptObjects::Remove(std::string_view Name, const TGObject* Obj) {
  int Index = FWrappers.IndexOf(Name);
  if (Index < 0 || FWrappers.ObjectAs<TObjectWrapper>(Index)->RefObject() != Obj) {
    return false;
  }
  FWrappers.Delete(Index);
  return true;
}

void TScriptObjects::Clear() {
  FWrappers.Clear();
  FUndefinedObjectWrapper = Add("UndefinedObject", FUndefinedObject);
}

int TScriptObjects::FindMember(const std::string& Name) {
  int Index = FWrappers.IndexOf(Name);
  if (Index < 0 && TryRegisterObject(Name)) {
    Index = FWrappers.IndexOf(Name);
  }
  return Index >= 0 ? Index : FWrappers.IndexOf("UndefinedObject");
}

IScriptDispatch::TMemberKind TScriptObjects::MemberKind(int Id) {
  return Id >= 0 && Id < FWrappers.Count() ? TMemberKind::Property : TMemberKind::None;
}

TScriptValue TScriptObjects::GetProperty(int Id) {
  if (Id < 0 || Id >= FWrappers.Count()) {
    throw Error("Member not found");
  }
  TObjectWrapper* W = FWrappers.ObjectAs<TObjectWrapper>(Id);
  // Whatever a script reads through "O" may be changed by it: the profile saves it.
  if (TGObject* Obj = W->RefObject(); Obj && Obj->InheritsFrom(TBaseGameObject::StaticClass())) {
    static_cast<TBaseGameObject*>(Obj)->SetChanged(true);
  }
  return TScriptValue::Object(W->Dispatch());
}

void TScriptObjects::SetProperty(int Id, const TScriptValue& Value) {
  (void)Id;
  (void)Value;
}

TScriptValue TScriptObjects::CallMethod(int Id, const std::vector<TScriptValue>& Args) {
  (void)Id;
  (void)Args;
  return TScriptValue();
}
