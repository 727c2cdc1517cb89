// A variant value carrying the automation type codes that files store (dynamic properties keep
// the code beside the value), with the engine's conversion rules: text converts to numbers with
// '.' first and ',' second, booleans are -1 and 0 as integers and "True"/"False" as text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TGObject;

// Automation type codes; the values are stored in files.
enum TGVarType : uint16_t {
  varEmpty = 0,
  varNull = 1,
  varSmallint = 2,
  varInteger = 3,
  varSingle = 4,
  varDouble = 5,
  varCurrency = 6,
  varDate = 7,
  varOleStr = 8,
  varDispatch = 9,
  varError = 10,
  varBoolean = 11,
  varVariant = 12,
  varUnknown = 13,
  varShortInt = 16,
  varByte = 17,
  varWord = 18,
  varLongWord = 19,
  varInt64 = 20,
  varUInt64 = 21,
  varString = 0x100,
  varUString = 0x102,
  // An engine object reference; it exists only in memory and is never stored.
  varGObject = 0x0F00,
};

// An object of the script engine held in a variant (type varDispatch): an array or any other
// script value the engine keeps. Implemented by the script layer.
class IGDispatchValue {
public:
  virtual ~IGDispatchValue() = default;
  // The value's text form (an array gives its elements joined by commas).
  virtual std::string ToText() const = 0;
};

class TGVariant {
public:
  TGVariant() = default;
  TGVariant(bool V)
      : FType(varBoolean)
      , FInt(V ? 1 : 0) {}
  TGVariant(int8_t V)
      : FType(varShortInt)
      , FInt(V) {}
  TGVariant(int16_t V)
      : FType(varSmallint)
      , FInt(V) {}
  TGVariant(int32_t V)
      : FType(varInteger)
      , FInt(V) {}
  TGVariant(int64_t V)
      : FType(varInt64)
      , FInt(V) {}
  TGVariant(long long V)
      : FType(varInt64)
      , FInt(static_cast<int64_t>(V)) {}
  TGVariant(uint8_t V)
      : FType(varByte)
      , FInt(V) {}
  TGVariant(uint16_t V)
      : FType(varWord)
      , FInt(V) {}
  TGVariant(uint32_t V)
      : FType(varLongWord)
      , FInt(V) {}
  TGVariant(uint64_t V)
      : FType(varUInt64)
      , FInt(static_cast<int64_t>(V)) {}
  TGVariant(float V)
      : FType(varSingle)
      , FFloat(V) {}
  TGVariant(double V)
      : FType(varDouble)
      , FFloat(V) {}
  TGVariant(const char* V)
      : FType(varOleStr)
      , FString(V ? V : "") {}
  TGVariant(std::string_view V)
      : FType(varOleStr)
      , FString(V) {}
  TGVariant(const std::string& V)
      : FType(varOleStr)
      , FString(V) {}
  TGVariant(std::string&& V)
      : FType(varOleStr)
      , FString(std::move(V)) {}
  TGVariant(TGObject* V)
      : FType(varGObject)
      , FObject(V) {}
  TGVariant(std::shared_ptr<IGDispatchValue> V)
      : FType(varDispatch)
      , FDispatch(std::move(V)) {}

  static TGVariant Null();
  static TGVariant Currency(double V); // stored as a count of 1/10000
  static TGVariant Date(double V);     // days since 1899-12-30
  static TGVariant OfType(TGVarType AType, int64_t V);

  TGVarType VType() const { return FType; }
  bool IsEmpty() const { return FType == varEmpty; }
  bool IsNull() const { return FType == varNull; }
  bool IsEmptyOrNull() const { return FType == varEmpty || FType == varNull; }
  bool IsString() const { return FType == varOleStr || FType == varString || FType == varUString; }
  bool IsOrdinal() const;
  bool IsFloat() const;
  bool IsNumeric() const { return IsOrdinal() || IsFloat(); }

  // Conversions; an impossible one raises EConvertError
  // ("Could not convert variant of type (%s) into type (%s)").
  int32_t ToInteger() const;
  int64_t ToInt64() const;
  double ToDouble() const;
  float ToSingle() const { return static_cast<float>(ToDouble()); }
  bool ToBoolean() const;
  std::string ToString() const;
  TGObject* ToObject() const;
  const std::shared_ptr<IGDispatchValue>& Dispatch() const { return FDispatch; }

  // The value converted to another automation type (VarAsType).
  TGVariant AsType(TGVarType AType) const;

  bool operator==(const TGVariant& Other) const;

private:
  [[noreturn]] void CannotConvert(TGVarType To) const;

  TGVarType FType = varEmpty;
  int64_t FInt = 0;
  double FFloat = 0;
  std::string FString;
  TGObject* FObject = nullptr;
  std::shared_ptr<IGDispatchValue> FDispatch;
};

// The name of a variant type code ("Integer", "OleStr", ...), as error messages give it.
std::string VarTypeAsText(TGVarType AType);
// VarToStr: the text of a value, empty for Empty and Null.
inline std::string VarToStr(const TGVariant& V) {
  return V.ToString();
}

// Debug output of variant values joined with single blanks.
void ODSValues(std::initializer_list<TGVariant> Values);
