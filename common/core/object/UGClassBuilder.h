// Building class descriptions: G_IMPLEMENT_CLASS and the typed binding of published properties
// and methods. Included by the units that implement classes.
#pragma once

#include "object/UGObject.h"

#include <concepts>
#include <limits>
#include <type_traits>

// A Pascal-style set of a published enumeration, kept as a bit mask (bit n is ordinal n).
template <class E>
struct TGSet {
  uint32_t Mask = 0;
  bool Contains(E V) const { return (Mask >> static_cast<unsigned>(V)) & 1u; }
  void Include(E V) { Mask |= 1u << static_cast<unsigned>(V); }
  void Exclude(E V) { Mask &= ~(1u << static_cast<unsigned>(V)); }
  friend bool operator==(const TGSet&, const TGSet&) = default;
};

// Specialise for every enumeration that is published:
//   template <> struct TGEnumTraits<TGBlending> { static const TGEnumInfo& Info(); };
template <class E>
struct TGEnumTraits;

// Defines the identifiers of a published enumeration, at namespace scope in one unit.
#define G_ENUM_INFO(TEnum, ...)                                                                    \
  const TGEnumInfo& TGEnumTraits<TEnum>::Info() {                                                  \
    static const TGEnumInfo Info{#TEnum, {__VA_ARGS__}};                                           \
    return Info;                                                                                   \
  }
#define G_DECLARE_ENUM(TEnum)                                                                      \
  template <>                                                                                      \
  struct TGEnumTraits<TEnum> {                                                                     \
    static const TGEnumInfo& Info();                                                               \
  }

namespace GClassDetail {

// Text parameters given as views are converted into owned strings first.
template <class T>
struct Storage {
  using Type = std::remove_cvref_t<T>;
};
template <>
struct Storage<std::string_view> {
  using Type = std::string;
};
template <class T>
using StorageOf = typename Storage<std::remove_cvref_t<T>>::Type;

template <class T>
struct IsSet : std::false_type {};
template <class E>
struct IsSet<TGSet<E>> : std::true_type {
  using Enum = E;
};

template <class P>
concept ObjectPointer =
    std::is_pointer_v<P> && std::is_base_of_v<TGObject, std::remove_cv_t<std::remove_pointer_t<P>>>;

template <class V>
TGTypeInfo TypeInfoOf() {
  TGTypeInfo Info;
  if constexpr (std::is_void_v<V>) {
    Info.Kind = TGTypeKind::Void;
  } else if constexpr (std::is_same_v<V, bool>) {
    Info.Kind = TGTypeKind::Boolean;
  } else if constexpr (std::is_integral_v<V> && std::is_signed_v<V>) {
    Info.Kind = sizeof(V) == 1   ? TGTypeKind::Int8
                : sizeof(V) == 2 ? TGTypeKind::Int16
                : sizeof(V) == 4 ? TGTypeKind::Int32
                                 : TGTypeKind::Int64;
  } else if constexpr (std::is_integral_v<V>) {
    static_assert(sizeof(V) <= 4, "unsigned 64-bit values cannot be published");
    Info.Kind = sizeof(V) == 1   ? TGTypeKind::UInt8
                : sizeof(V) == 2 ? TGTypeKind::UInt16
                                 : TGTypeKind::UInt32;
  } else if constexpr (std::is_same_v<V, float>) {
    Info.Kind = TGTypeKind::Single;
  } else if constexpr (std::is_same_v<V, double>) {
    Info.Kind = TGTypeKind::Double;
  } else if constexpr (std::is_same_v<V, std::string>) {
    Info.Kind = TGTypeKind::String;
  } else if constexpr (std::is_same_v<V, TGVariant>) {
    Info.Kind = TGTypeKind::Variant;
  } else if constexpr (std::is_enum_v<V>) {
    Info.Kind = TGTypeKind::Enumeration;
    Info.Enum = &TGEnumTraits<V>::Info();
  } else if constexpr (IsSet<V>::value) {
    Info.Kind = TGTypeKind::Set;
    Info.Enum = &TGEnumTraits<typename IsSet<V>::Enum>::Info();
  } else if constexpr (ObjectPointer<V>) {
    Info.Kind = TGTypeKind::Object;
    Info.ClassRef = &std::remove_cv_t<std::remove_pointer_t<V>>::StaticClass;
  } else {
    static_assert(sizeof(V) == 0, "this type cannot be published");
  }
  return Info;
}

template <class V>
TGVariant ToVariant(const V& Value) {
  if constexpr (std::is_same_v<V, bool>) {
    return TGVariant(Value);
  } else if constexpr (std::is_integral_v<V>) {
    return TGVariant(Value);
  } else if constexpr (std::is_same_v<V, float> || std::is_same_v<V, double>) {
    return TGVariant(Value);
  } else if constexpr (std::is_same_v<V, std::string> || std::is_same_v<V, TGVariant>) {
    return TGVariant(Value);
  } else if constexpr (std::is_enum_v<V>) {
    return TGVariant(static_cast<int32_t>(Value));
  } else if constexpr (IsSet<V>::value) {
    return TGVariant(static_cast<int32_t>(Value.Mask));
  } else if constexpr (ObjectPointer<V>) {
    return TGVariant(
        static_cast<TGObject*>(const_cast<std::remove_cv_t<std::remove_pointer_t<V>>*>(Value)));
  }
}

TGObject* CheckedObject(const TGVariant& Value, TGClass Class);
int EnumOrdinal(const TGVariant& Value, const TGEnumInfo& Info);
int64_t RangedInteger(const TGVariant& Value, int64_t Min, int64_t Max);

// The conversions of property writes and method arguments; failures raise EConvertError or
// EInvalidCast. A Null value converts to nothing but a variant.
template <class V>
V FromVariant(const TGVariant& Value) {
  if constexpr (std::is_same_v<V, TGVariant>) {
    return Value;
  } else {
    if (Value.IsNull()) {
      throw EConvertError("Invalid use of Null");
    }
    if constexpr (std::is_same_v<V, bool>) {
      return Value.ToBoolean();
    } else if constexpr (std::is_integral_v<V>) {
      return static_cast<V>(
          RangedInteger(Value, std::numeric_limits<V>::min(), std::numeric_limits<V>::max()));
    } else if constexpr (std::is_same_v<V, float>) {
      return Value.ToSingle();
    } else if constexpr (std::is_same_v<V, double>) {
      return Value.ToDouble();
    } else if constexpr (std::is_same_v<V, std::string>) {
      return Value.ToString();
    } else if constexpr (std::is_enum_v<V>) {
      return static_cast<V>(EnumOrdinal(Value, TGEnumTraits<V>::Info()));
    } else if constexpr (IsSet<V>::value) {
      return V{static_cast<uint32_t>(RangedInteger(Value, 0, 0xFFFFFFFFll))};
    } else if constexpr (ObjectPointer<V>) {
      using TClass = std::remove_cv_t<std::remove_pointer_t<V>>;
      return static_cast<V>(CheckedObject(Value, TClass::StaticClass()));
    } else {
      static_assert(sizeof(V) == 0, "this type cannot be published");
    }
  }
}

template <class M>
struct GetterTraits;
template <class C, class R>
struct GetterTraits<R (C::*)() const> {
  using Value = std::remove_cvref_t<R>;
  static Value Get(const C& Obj, R (C::*Fn)() const) { return (Obj.*Fn)(); }
};
template <class C, class V>
requires(!std::is_function_v<V>) struct GetterTraits<V C::*> {
  using Value = V;
  static Value Get(const C& Obj, V C::*Field) { return Obj.*Field; }
};

template <class M>
struct SetterTraits;
template <class C, class P>
struct SetterTraits<void (C::*)(P)> {
  using Value = StorageOf<P>;
  static void Set(C& Obj, void (C::*Fn)(P), Value V) { (Obj.*Fn)(std::move(V)); }
};
template <class C, class V>
requires(!std::is_function_v<V>) struct SetterTraits<V C::*> {
  using Value = V;
  static void Set(C& Obj, V C::*Field, Value NewValue) { Obj.*Field = std::move(NewValue); }
};

template <class M>
struct MethodTraits;
template <class C, class R, class... P>
struct MethodTraits<R (C::*)(P...)> {
  using Class = C;
  using Result = R;
  using Params = std::tuple<StorageOf<P>...>;
  static constexpr size_t Arity = sizeof...(P);
};
template <class C, class R, class... P>
struct MethodTraits<R (C::*)(P...) const> : MethodTraits<R (C::*)(P...)> {};

[[noreturn]] void TypeMismatch(size_t Index, const std::string& Method);
void CheckSelf(const TGObject& Self, TGClass Class);

template <class P>
P ArgAt(std::span<const TGVariant> Args, size_t Index, const std::string& Method) {
  try {
    return FromVariant<P>(Index < Args.size() ? Args[Index] : TGVariant());
  } catch (const EConvertError&) {
    TypeMismatch(Index, Method);
  } catch (const EInvalidCast&) {
    TypeMismatch(Index, Method);
  }
}

template <class T, class M, size_t... I>
TGVariant CallWith(T& Obj, M Fn, std::span<const TGVariant> Args, const std::string& Name,
                   std::index_sequence<I...>) {
  using Traits = MethodTraits<M>;
  using Params = typename Traits::Params;
  if constexpr (std::is_void_v<typename Traits::Result>) {
    (Obj.*Fn)(ArgAt<std::tuple_element_t<I, Params>>(Args, I, Name)...);
    return TGVariant();
  } else {
    return ToVariant<std::remove_cvref_t<typename Traits::Result>>(
        (Obj.*Fn)(ArgAt<std::tuple_element_t<I, Params>>(Args, I, Name)...));
  }
}

template <class M, size_t... I>
std::vector<TGParamInfo> ParamInfos(std::initializer_list<const char*> Names,
                                    std::index_sequence<I...>) {
  using Params = typename MethodTraits<M>::Params;
  std::vector<const char*> N(Names);
  return {TGParamInfo{I < N.size() ? N[I] : "A" + std::to_string(I + 1),
                      TypeInfoOf<std::tuple_element_t<I, Params>>()}...};
}

} // namespace GClassDetail

// Describes the published members of T inside T::Publish.
template <class T>
class TGClassBuilder {
public:
  explicit TGClassBuilder(TGClassInfo& AInfo)
      : FInfo(AInfo) {}

  // A read-only property from a const getter or a field.
  template <class G>
  TGClassBuilder& Property(const char* Name, G Getter) {
    using Value = typename GClassDetail::GetterTraits<G>::Value;
    TGPropInfo P;
    P.Name = Name;
    P.Type = GClassDetail::TypeInfoOf<Value>();
    P.Get = [Getter](const TGObject& Self) {
      return GClassDetail::ToVariant<Value>(
          GClassDetail::GetterTraits<G>::Get(static_cast<const T&>(Self), Getter));
    };
    FInfo.OwnProperties.push_back(std::move(P));
    return *this;
  }

  // A read-write property from a getter (or field) and a setter (or field).
  template <class G, class S>
  TGClassBuilder& Property(const char* Name, G Getter, S Setter) {
    using Value = typename GClassDetail::SetterTraits<S>::Value;
    Property(Name, Getter);
    FInfo.OwnProperties.back().Set = [Setter](TGObject& Self, const TGVariant& V) {
      GClassDetail::SetterTraits<S>::Set(static_cast<T&>(Self), Setter,
                                         GClassDetail::FromVariant<Value>(V));
    };
    return *this;
  }

  // A published method with up to nine parameters; ParamNames name them for messages.
  template <class M>
  TGClassBuilder& Method(const char* Name, M Fn,
                         std::initializer_list<const char*> ParamNames = {}) {
    using Traits = GClassDetail::MethodTraits<M>;
    static_assert(Traits::Arity <= TGMethodInfo::MaxParams, "Too many methods");
    TGMethodInfo Info;
    Info.Name = Name;
    Info.Result = GClassDetail::TypeInfoOf<std::remove_cvref_t<typename Traits::Result>>();
    Info.Params =
        GClassDetail::ParamInfos<M>(ParamNames, std::make_index_sequence<Traits::Arity>());
    std::string MethodName = Name;
    Info.Call = [Fn, MethodName](TGObject& Self, std::span<const TGVariant> Args) {
      GClassDetail::CheckSelf(Self, T::StaticClass());
      return GClassDetail::CallWith(static_cast<T&>(Self), Fn, Args, MethodName,
                                    std::make_index_sequence<Traits::Arity>());
    };
    FInfo.OwnMethods.push_back(std::move(Info));
    return *this;
  }

private:
  TGClassInfo& FInfo;
};

namespace GClassDetail {

template <class T>
concept HasOwnPublish = requires(TGClassBuilder<T>& B) {
  {static_cast<void (*)(TGClassBuilder<T>&)>(&T::Publish)};
};

template <class T>
void Publish(TGClassInfo& Info) {
  if constexpr (HasOwnPublish<T>) {
    TGClassBuilder<T> Builder(Info);
    T::Publish(Builder);
  } else {
    (void)Info;
  }
}

template <class T>
TGConstructor ConstructorOf() {
  if constexpr (!std::is_abstract_v<T> && std::is_constructible_v<T, TGObject*>) {
    return [](TGObject* AOwner) -> TGObject* { return new T(AOwner); };
  } else {
    return nullptr;
  }
}

} // namespace GClassDetail

#define G_IMPLEMENT_CLASS(TThis)                                                                   \
  TGClass TThis::StaticClass() {                                                                   \
    static const TGClassInfo Info(#TThis, TThis::inherited::StaticClass(), typeid(TThis),          \
                                  GClassDetail::ConstructorOf<TThis>(),                            \
                                  &GClassDetail::Publish<TThis>);                                  \
    return &Info;                                                                                  \
  }
