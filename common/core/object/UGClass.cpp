#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"

#include <mutex>

int TGEnumInfo::IndexOf(std::string_view Identifier) const {
  for (size_t I = 0; I < Identifiers.size(); ++I) {
    if (SameText(Identifiers[I], Identifier)) {
      return static_cast<int>(I);
    }
  }
  return -1;
}

TGClassInfo::TGClassInfo(const char* AName, TGClass AParent, const std::type_info& AType,
                         TGConstructor AConstructor, void (*Publish)(TGClassInfo&))
    : Name(AName)
    , Parent(AParent)
    , TypeId(&AType)
    , Constructor(AConstructor) {
  Publish(*this);
  if (Parent) {
    FProperties = Parent->Properties();
  }
  for (const TGPropInfo& P : OwnProperties) {
    FProperties.push_back(&P);
  }
  for (const TGMethodInfo& M : OwnMethods) {
    FMethods.push_back(&M);
  }
  if (Parent) {
    FMethods.insert(FMethods.end(), Parent->Methods().begin(), Parent->Methods().end());
  }
}

bool TGClassInfo::InheritsFrom(TGClass Ancestor) const {
  for (TGClass C = this; C; C = C->Parent) {
    if (C == Ancestor) {
      return true;
    }
  }
  return false;
}

TGObject* TGClassInfo::CreateInstance(TGObject* AOwner) const {
  if (!Constructor) {
    throw Error("Cannot create an instance of class %s", Name);
  }
  TGObject* Obj = Constructor(AOwner);
  try {
    Obj->AfterConstruction();
  } catch (...) {
    Obj->Free();
    throw;
  }
  return Obj;
}

const TGPropInfo* TGClassInfo::FindProperty(std::string_view AName) const {
  for (const TGPropInfo* P : FProperties) {
    if (P->Name == AName) {
      return P;
    }
  }
  return nullptr;
}

const TGMethodInfo* TGClassInfo::FindMethod(std::string_view AName) const {
  for (const TGMethodInfo* M : FMethods) {
    if (M->Name == AName) {
      return M;
    }
  }
  return nullptr;
}

namespace {

struct TRegistry {
  std::mutex Lock;
  std::vector<TGClass> Classes;
};

TRegistry& Registry() {
  static TRegistry R;
  return R;
}

} // namespace

void RegisterClass(TGClass AClass) {
  TRegistry& R = Registry();
  std::lock_guard<std::mutex> Guard(R.Lock);
  for (TGClass C : R.Classes) {
    if (C == AClass) {
      return;
    }
  }
  R.Classes.push_back(AClass);
}

void RegisterClasses(std::initializer_list<TGClass> Classes) {
  for (TGClass C : Classes) {
    RegisterClass(C);
  }
}

TGClass FindClass(std::string_view Name) {
  TRegistry& R = Registry();
  std::lock_guard<std::mutex> Guard(R.Lock);
  for (TGClass C : R.Classes) {
    if (C->Name == Name) {
      return C;
    }
  }
  return nullptr;
}

TGClass GetClass(std::string_view Name) {
  TGClass C = FindClass(Name);
  if (!C) {
    throw Error("Class %s not found", Name);
  }
  return C;
}

const std::vector<TGClass>& RegisteredClasses() {
  return Registry().Classes;
}

namespace GClassDetail {

TGObject* CheckedObject(const TGVariant& Value, TGClass Class) {
  TGObject* Obj = Value.ToObject();
  if (Obj && !Obj->InheritsFrom(Class)) {
    throw EInvalidCast("Invalid class typecast");
  }
  return Obj;
}

int EnumOrdinal(const TGVariant& Value, const TGEnumInfo& Info) {
  if (Value.IsString()) {
    int Index = Info.IndexOf(Value.ToString());
    if (Index >= 0) {
      return Index;
    }
  }
  return static_cast<int>(
      RangedInteger(Value, 0, static_cast<int64_t>(Info.Identifiers.size()) - 1));
}

int64_t RangedInteger(const TGVariant& Value, int64_t Min, int64_t Max) {
  int64_t V = Value.ToInt64();
  if (V < Min || V > Max) {
    throw EConvertError("Range check error");
  }
  return V;
}

void TypeMismatch(size_t Index, const std::string& Method) {
  throw Error("Type mismatch in parameter %d for method %s", static_cast<int>(Index + 1), Method);
}

void CheckSelf(const TGObject& Self, TGClass Class) {
  if (!Self.InheritsFrom(Class)) {
    throw EInvalidCast("Invalid class typecast");
  }
}

} // namespace GClassDetail
