// The class facility: one description per engine class that is created by name, cloned or
// reached from scripts. It gives the exact class name, the parent, a virtual constructor taking
// the owner, "inherits from", and the published properties (ancestors first) and published
// methods (own class first) with typed getters, setters and call thunks.
//
// Every TGObject descendant names itself with G_CLASS(TThis, TParent) in its declaration and
// G_IMPLEMENT_CLASS(TThis) in its unit (see UGClassBuilder.h). A class publishes members with a
// static Publish(TGClassBuilder<TThis>&) of its own. Lookup by name needs an explicit
// RegisterClass at start-up, in the order the owning subsystem gives.
#pragma once

#include "object/UGVariant.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

class TGObject;
struct TGClassInfo;
using TGClass = const TGClassInfo*;
template <class T>
class TGClassBuilder;

enum class TGTypeKind : uint8_t {
  Void,
  Int8,
  Int16,
  Int32,
  Int64,
  UInt8,
  UInt16,
  UInt32,
  Single,
  Double,
  String,
  Boolean,
  Enumeration,
  Set,
  Variant,
  Object,
};

// An enumeration's published identifiers, by ordinal.
struct TGEnumInfo {
  std::string Name;
  std::vector<std::string> Identifiers;
  // The ordinal of an identifier (compared without regard to ASCII case), or -1.
  int IndexOf(std::string_view Identifier) const;
};

struct TGTypeInfo {
  TGTypeKind Kind = TGTypeKind::Void;
  const TGEnumInfo* Enum = nullptr; // enumerations and sets
  TGClass (*ClassRef)() = nullptr;  // objects: the class, resolved when asked
  TGClass ObjectClass() const { return ClassRef ? ClassRef() : nullptr; }
};

struct TGPropInfo {
  std::string Name;
  TGTypeInfo Type;
  std::function<TGVariant(const TGObject&)> Get;
  std::function<void(TGObject&, const TGVariant&)> Set; // empty when read-only
  bool ReadOnly() const { return !Set; }
};

struct TGParamInfo {
  std::string Name;
  TGTypeInfo Type;
};

struct TGMethodInfo {
  static constexpr int MaxParams = 9;
  std::string Name;
  TGTypeInfo Result;
  std::vector<TGParamInfo> Params;
  // Missing arguments convert from an empty variant (0, "", false, none); an argument that
  // cannot be converted raises "Type mismatch in parameter %d for method %s" (1-based).
  std::function<TGVariant(TGObject&, std::span<const TGVariant>)> Call;
};

using TGConstructor = TGObject* (*)(TGObject* AOwner);

struct TGClassInfo {
  TGClassInfo(const char* AName, TGClass AParent, const std::type_info& AType,
              TGConstructor AConstructor, void (*Publish)(TGClassInfo&));
  TGClassInfo(const TGClassInfo&) = delete;
  TGClassInfo& operator=(const TGClassInfo&) = delete;

  std::string Name;
  TGClass Parent;
  const std::type_info* TypeId;
  TGConstructor Constructor; // none for abstract classes and classes without an owner constructor
  std::vector<TGPropInfo> OwnProperties;
  std::vector<TGMethodInfo> OwnMethods;

  bool InheritsFrom(TGClass Ancestor) const;
  bool CanCreate() const { return Constructor != nullptr; }
  // The virtual constructor: creates an instance owned by AOwner and runs its AfterConstruction.
  TGObject* CreateInstance(TGObject* AOwner) const;

  // Published properties, ancestors first, each in declaration order.
  const std::vector<const TGPropInfo*>& Properties() const { return FProperties; }
  // Published methods, own class first, then the parent's, and so on up the chain.
  const std::vector<const TGMethodInfo*>& Methods() const { return FMethods; }
  // Exact, case-sensitive lookups; the first match in the orders above.
  const TGPropInfo* FindProperty(std::string_view AName) const;
  const TGMethodInfo* FindMethod(std::string_view AName) const;

private:
  std::vector<const TGPropInfo*> FProperties;
  std::vector<const TGMethodInfo*> FMethods;
};

// The process-wide list of classes that can be found by name.
void RegisterClass(TGClass AClass);
void RegisterClasses(std::initializer_list<TGClass> Classes);
TGClass FindClass(std::string_view Name);
// As FindClass, failing with "Class %s not found".
TGClass GetClass(std::string_view Name);
// Registered classes in registration order.
const std::vector<TGClass>& RegisteredClasses();

#define G_CLASS(TThis, TParent)                                                                    \
public:                                                                                            \
  using inherited = TParent;                                                                       \
  static TGClass StaticClass();                                                                    \
  TGClass ClassType() const override {                                                             \
    return StaticClass();                                                                          \
  }
