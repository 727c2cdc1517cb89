#include "script/UObjectWrapper.h"

#include "base/UGDebug.h"
#include "object/UGClassBuilder.h"
#include "script/UDynProperties.h"
#include "script/UScriptProcessor.h"

G_IMPLEMENT_CLASS(TObjectWrapper)

TObjectWrapper::TObjectWrapper(TGObject* AOwner, TScriptProcessor* AProcessor,
                               std::string_view AName)
    : TGObject(AOwner)
    , FScriptProcessor(AProcessor)
    , FName(AName) {}

void TObjectWrapper::Destroy() {
  if (FScriptProcessor) {
    FScriptProcessor->ScriptControl().ForgetObject(&FDispatch);
  }
  inherited::Destroy();
}

void TObjectWrapper::SetRefObject(TGObject* Value) {
  if (Value == FRefObject) {
    return;
  }
  if (FRefObject && FRefObject != FMetaPropList) {
    UnSubscribe(FRefObject);
  }
  FRefObject = Value;
  if (Value) {
    Subscribe(TGNotification(Value, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TObjectWrapper::OnRefObjectDestroyed));
  }
}

void TObjectWrapper::OnRefObjectDestroyed(TGObject* Sender) {
  if (Sender == FRefObject) {
    FRefObject = nullptr;
  }
}

void TObjectWrapper::SetMetaPropList(TDynProperties* Value) {
  if (Value == FMetaPropList) {
    return;
  }
  TDynProperties* Old = FMetaPropList;
  FMetaPropList = nullptr;
  if (Old) {
    if (Old->Owner() == this) {
      Old->Free();
    } else if (Old != FRefObject) {
      UnSubscribe(Old);
    }
  }
  FMetaPropList = Value;
  if (!Value) {
    return;
  }
  if (!Value->Owner()) {
    Value->SetOwner(this);
  } else {
    Subscribe(TGNotification(Value, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TObjectWrapper::OnMetaPropListDestroyed));
  }
}

void TObjectWrapper::OnMetaPropListDestroyed(TGObject* Sender) {
  if (Sender == FMetaPropList) {
    FMetaPropList = nullptr;
  }
}

TGObject* TObjectWrapper::LiveObject() const {
  if (!FRefObject) {
    throw Error("The object %s no longer exists",
                FName.empty() ? std::string("behind this value") : "\"" + FName + "\"");
  }
  return FRefObject;
}

// --- The script face -----------------------------------------------------------------------------

int TObjectWrapper::TDispatch::FindMember(const std::string& Name) {
  TGClass Class = FOwner.LiveObject()->ClassType();
  const auto& Props = Class->Properties();
  for (size_t I = 0; I < Props.size(); ++I) {
    if (Props[I]->Name == Name) {
      return static_cast<int>(I);
    }
  }
  const auto& Methods = Class->Methods();
  for (size_t I = 0; I < Methods.size(); ++I) {
    if (Methods[I]->Name == Name) {
      return static_cast<int>(Props.size() + I);
    }
  }
  if (FOwner.FMetaPropList) {
    int Index = FOwner.FMetaPropList->FindProp(Name);
    if (Index >= 0) {
      return static_cast<int>(Props.size() + Methods.size()) + Index;
    }
  }
  return -1;
}

IScriptDispatch::TMemberKind TObjectWrapper::TDispatch::MemberKind(int Id) {
  TGClass Class = FOwner.LiveObject()->ClassType();
  int Props = static_cast<int>(Class->Properties().size());
  int Methods = static_cast<int>(Class->Methods().size());
  int Metas = FOwner.FMetaPropList ? FOwner.FMetaPropList->GetPropCount() : 0;
  if (Id < 0) {
    return TMemberKind::None;
  }
  if (Id < Props) {
    return TMemberKind::Property;
  }
  if (Id < Props + Methods) {
    return TMemberKind::Method;
  }
  return Id < Props + Methods + Metas ? TMemberKind::Property : TMemberKind::None;
}

TScriptValue TObjectWrapper::TDispatch::GetProperty(int Id) {
  TGObject* Obj = FOwner.LiveObject();
  TGClass Class = Obj->ClassType();
  int Props = static_cast<int>(Class->Properties().size());
  int Methods = static_cast<int>(Class->Methods().size());
  if (Id >= 0 && Id < Props) {
    return FOwner.FScriptProcessor->ToScriptValue(
        Class->Properties()[static_cast<size_t>(Id)]->Get(*Obj));
  }
  if (FOwner.FMetaPropList && Id >= Props + Methods) {
    return FOwner.FScriptProcessor->ToScriptValue(
        FOwner.FMetaPropList->GetPropByIndex(Id - Props - Methods));
  }
  throw Error("Member not found");
}

void TObjectWrapper::TDispatch::SetProperty(int Id, const TScriptValue& Value) {
  TGObject* Obj = FOwner.LiveObject();
  TGClass Class = Obj->ClassType();
  TScriptProcessor* Processor = FOwner.FScriptProcessor;
  int Props = static_cast<int>(Class->Properties().size());
  int Methods = static_cast<int>(Class->Methods().size());
  if (Id >= 0 && Id < Props) {
    const TGPropInfo* P = Class->Properties()[static_cast<size_t>(Id)];
    if (P->ReadOnly()) {
      throw Error("Property %s is read-only", P->Name);
    }
    if (Value.Kind() == TScriptValueKind::HostObject) {
      TObjectWrapper* W = Processor->GetWrapper(Value);
      TGObject* Target = W ? W->RefObject() : nullptr;
      if (P->Type.Kind != TGTypeKind::Object || !Target ||
          !Target->InheritsFrom(P->Type.ObjectClass())) {
        throw Error("Type mismatch in property %s", P->Name);
      }
      P->Set(*Obj, TGVariant(Target));
      return;
    }
    if (Value.Kind() == TScriptValueKind::Null && P->Type.Kind == TGTypeKind::Object) {
      P->Set(*Obj, TGVariant(static_cast<TGObject*>(nullptr))); // null clears a reference
      return;
    }
    if (Value.Kind() == TScriptValueKind::ScriptObject) {
      // A script array is accepted and stores nothing; other script objects cannot be stored.
      if (!Processor->ScriptControl().HasLength(Value)) {
        throw Error("Type mismatch in property %s", P->Name);
      }
      return;
    }
    try {
      P->Set(*Obj, Processor->ToVariant(Value));
    } catch (const EConvertError& E) {
      throw Error("Type mismatch in property %s: %s", P->Name, E.Text());
    } catch (const EInvalidCast&) {
      throw Error("Type mismatch in property %s", P->Name);
    }
    return;
  }
  if (FOwner.FMetaPropList && Id >= Props + Methods &&
      Id < Props + Methods + FOwner.FMetaPropList->GetPropCount()) {
    if (Value.Kind() == TScriptValueKind::ScriptObject &&
        !Processor->ScriptControl().HasLength(Value)) {
      throw Error("Not implemented");
    }
    FOwner.FMetaPropList->SetPropByIndex(Id - Props - Methods, Processor->ToVariant(Value));
    return;
  }
  throw Error("Member not found");
}

TScriptValue TObjectWrapper::TDispatch::CallMethod(int Id, const std::vector<TScriptValue>& Args) {
  TGObject* Obj = FOwner.LiveObject();
  TGClass Class = Obj->ClassType();
  TScriptProcessor* Processor = FOwner.FScriptProcessor;
  int Props = static_cast<int>(Class->Properties().size());
  int Index = Id - Props;
  if (Index < 0 || Index >= static_cast<int>(Class->Methods().size())) {
    throw Error("Member not found");
  }
  const TGMethodInfo* M = Class->Methods()[static_cast<size_t>(Index)];
  std::vector<TGVariant> Values;
  Values.reserve(Args.size());
  for (size_t I = 0; I < Args.size() && I < M->Params.size(); ++I) {
    const TScriptValue& A = Args[I];
    const TGTypeInfo& Type = M->Params[I].Type;
    if (A.Kind() == TScriptValueKind::HostObject) {
      TObjectWrapper* W = Processor->GetWrapper(A);
      TGObject* Target = W ? W->RefObject() : nullptr;
      if (Type.Kind != TGTypeKind::Object || !Target || !Target->InheritsFrom(Type.ObjectClass())) {
        throw Error("Type mismatch in parameter %d for method %s", static_cast<int>(I + 1),
                    M->Name);
      }
      Values.emplace_back(Target);
    } else if (A.Kind() == TScriptValueKind::ScriptObject && Type.Kind != TGTypeKind::Variant) {
      throw Error("Type mismatch in parameter %d for method %s", static_cast<int>(I + 1), M->Name);
    } else {
      Values.push_back(Processor->ToVariant(A));
    }
  }
  try {
    return Processor->ToScriptValue(M->Call(*Obj, Values));
  } catch (const EGException& E) {
    ODS(E.Message());
    throw;
  }
}
