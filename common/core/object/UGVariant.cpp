#include "object/UGVariant.h"

#include "base/UGDebug.h"
#include "base/UGError.h"
#include "base/UGStrUtils.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

TGVariant TGVariant::Null() {
  TGVariant V;
  V.FType = varNull;
  return V;
}

TGVariant TGVariant::Currency(double V) {
  TGVariant R;
  R.FType = varCurrency;
  R.FInt = static_cast<int64_t>(std::nearbyint(V * 10000.0));
  return R;
}

TGVariant TGVariant::Date(double V) {
  TGVariant R;
  R.FType = varDate;
  R.FFloat = V;
  return R;
}

TGVariant TGVariant::OfType(TGVarType AType, int64_t V) {
  TGVariant R(V);
  return R.AsType(AType);
}

bool TGVariant::IsOrdinal() const {
  switch (FType) {
  case varSmallint:
  case varInteger:
  case varBoolean:
  case varShortInt:
  case varByte:
  case varWord:
  case varLongWord:
  case varInt64:
  case varUInt64:
  case varError:
    return true;
  default:
    return false;
  }
}

bool TGVariant::IsFloat() const {
  return FType == varSingle || FType == varDouble || FType == varCurrency || FType == varDate;
}

void TGVariant::CannotConvert(TGVarType To) const {
  throw EConvertError("Could not convert variant of type (" + VarTypeAsText(FType) +
                      ") into type (" + VarTypeAsText(To) + ")");
}

namespace {

bool RoundToInt64(double D, int64_t& Out) {
  if (!std::isfinite(D)) {
    return false;
  }
  double R = std::nearbyint(D);
  if (R < -9223372036854775808.0 || R >= 9223372036854775808.0) {
    return false;
  }
  Out = static_cast<int64_t>(R);
  return true;
}

std::string DateToStr(double Days) {
  // Days since 1899-12-30; the fraction is the time of day.
  double WholeDays = std::floor(Days);
  int64_t Z = static_cast<int64_t>(WholeDays) - 25569 + 719468; // days since 0000-03-01
  int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
  int64_t DOE = Z - Era * 146097;
  int64_t YOE = (DOE - DOE / 1460 + DOE / 36524 - DOE / 146096) / 365;
  int64_t Y = YOE + Era * 400;
  int64_t DOY = DOE - (365 * YOE + YOE / 4 - YOE / 100);
  int64_t MP = (5 * DOY + 2) / 153;
  int64_t D = DOY - (153 * MP + 2) / 5 + 1;
  int64_t M = MP < 10 ? MP + 3 : MP - 9;
  if (M <= 2) {
    ++Y;
  }
  std::string Out = Format("%.4d-%.2d-%.2d", {Y, M, D});
  int64_t Seconds = static_cast<int64_t>(std::nearbyint((Days - WholeDays) * 86400.0));
  if (Seconds > 0) {
    Out += Format(" %.2d:%.2d:%.2d", {Seconds / 3600, (Seconds / 60) % 60, Seconds % 60});
  }
  return Out;
}

std::string CurrencyToStr(int64_t Units) {
  bool Negative = Units < 0;
  uint64_t U = Negative ? 0 - static_cast<uint64_t>(Units) : static_cast<uint64_t>(Units);
  std::string Out = std::to_string(U / 10000);
  uint64_t Frac = U % 10000;
  if (Frac != 0) {
    std::string F = std::to_string(Frac);
    F.insert(0, 4 - F.size(), '0');
    while (F.back() == '0') {
      F.pop_back();
    }
    Out += "." + F;
  }
  return Negative ? "-" + Out : Out;
}

std::string SingleToStr(float F) {
  if (!std::isfinite(F)) {
    return FloatToStr(F);
  }
  // The shortest digits that give back the same single, in the engine's float text form.
  char Buf[32];
  auto R = std::to_chars(Buf, Buf + sizeof(Buf), F, std::chars_format::scientific);
  double D = 0;
  std::from_chars(Buf, R.ptr, D);
  return FloatToStr(D);
}

} // namespace

int64_t TGVariant::ToInt64() const {
  if (FType == varEmpty) {
    return 0;
  }
  if (FType == varBoolean) {
    return FInt ? -1 : 0;
  }
  if (IsOrdinal()) {
    return FInt;
  }
  int64_t R = 0;
  if (FType == varCurrency) {
    if (RoundToInt64(static_cast<double>(FInt) / 10000.0, R)) {
      return R;
    }
  } else if (IsFloat()) {
    if (RoundToInt64(FFloat, R)) {
      return R;
    }
  } else if (IsString()) {
    double D = 0;
    bool B = false;
    if (TryStrToInt64(FString, R)) {
      return R;
    }
    if (SafeTryStrToFloat(FString, D) && RoundToInt64(D, R)) {
      return R;
    }
    if (TryStrToBool(FString, B)) {
      return B ? -1 : 0;
    }
  }
  CannotConvert(varInt64);
}

int32_t TGVariant::ToInteger() const {
  int64_t V = 0;
  try {
    V = ToInt64();
  } catch (const EConvertError&) {
    CannotConvert(varInteger);
  }
  if (V < std::numeric_limits<int32_t>::min() || V > std::numeric_limits<int32_t>::max()) {
    CannotConvert(varInteger);
  }
  return static_cast<int32_t>(V);
}

double TGVariant::ToDouble() const {
  switch (FType) {
  case varEmpty:
    return 0;
  case varBoolean:
    return FInt ? -1 : 0;
  case varUInt64:
    return static_cast<double>(static_cast<uint64_t>(FInt));
  case varCurrency:
    return static_cast<double>(FInt) / 10000.0;
  default:
    break;
  }
  if (IsOrdinal()) {
    return static_cast<double>(FInt);
  }
  if (IsFloat()) {
    return FFloat;
  }
  if (IsString()) {
    double D = 0;
    bool B = false;
    if (SafeTryStrToFloat(FString, D)) {
      return D;
    }
    if (TryStrToBool(FString, B)) {
      return B ? -1 : 0;
    }
  }
  CannotConvert(varDouble);
}

bool TGVariant::ToBoolean() const {
  if (FType == varEmpty) {
    return false;
  }
  if (IsOrdinal()) {
    return FInt != 0;
  }
  if (FType == varCurrency) {
    return FInt != 0;
  }
  if (IsFloat()) {
    return FFloat != 0;
  }
  if (IsString()) {
    bool B = false;
    double D = 0;
    if (TryStrToBool(FString, B)) {
      return B;
    }
    if (SafeTryStrToFloat(FString, D)) {
      return D != 0;
    }
  }
  CannotConvert(varBoolean);
}

std::string TGVariant::ToString() const {
  switch (FType) {
  case varEmpty:
  case varNull:
    return {};
  case varBoolean:
    return BoolToStr(FInt != 0);
  case varUInt64:
    return std::to_string(static_cast<uint64_t>(FInt));
  case varSingle:
    return SingleToStr(static_cast<float>(FFloat));
  case varDouble:
    return FloatToStr(FFloat);
  case varCurrency:
    return CurrencyToStr(FInt);
  case varDate:
    return DateToStr(FFloat);
  case varDispatch:
    return FDispatch ? FDispatch->ToText() : std::string();
  default:
    break;
  }
  if (IsOrdinal()) {
    return std::to_string(FInt);
  }
  if (IsString()) {
    return FString;
  }
  CannotConvert(varOleStr);
}

TGObject* TGVariant::ToObject() const {
  if (FType == varGObject) {
    return FObject;
  }
  if (FType == varEmpty || FType == varNull) {
    return nullptr;
  }
  CannotConvert(varGObject);
}

TGVariant TGVariant::AsType(TGVarType AType) const {
  if (AType == FType) {
    return *this;
  }
  auto Ranged = [&](int64_t Min, int64_t Max) {
    int64_t V = 0;
    try {
      V = ToInt64();
    } catch (const EConvertError&) {
      CannotConvert(AType);
    }
    if (V < Min || V > Max) {
      CannotConvert(AType);
    }
    TGVariant R;
    R.FType = AType;
    R.FInt = V;
    return R;
  };
  switch (AType) {
  case varEmpty:
    return TGVariant();
  case varNull:
    return Null();
  case varSmallint:
    return Ranged(-32768, 32767);
  case varInteger:
  case varError:
    return Ranged(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  case varShortInt:
    return Ranged(-128, 127);
  case varByte:
    return Ranged(0, 255);
  case varWord:
    return Ranged(0, 65535);
  case varLongWord:
    return Ranged(0, 4294967295ll);
  case varInt64:
    return Ranged(std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
  case varUInt64:
    return Ranged(0, std::numeric_limits<int64_t>::max());
  case varSingle:
    return TGVariant(ToSingle());
  case varDouble:
    return TGVariant(ToDouble());
  case varCurrency:
    return Currency(ToDouble());
  case varDate:
    return Date(ToDouble());
  case varBoolean:
    return TGVariant(ToBoolean());
  case varOleStr:
  case varString:
  case varUString: {
    TGVariant R(ToString());
    R.FType = AType;
    return R;
  }
  default:
    CannotConvert(AType);
  }
}

bool TGVariant::operator==(const TGVariant& Other) const {
  if (FType == varEmpty || Other.FType == varEmpty || FType == varNull || Other.FType == varNull) {
    return FType == Other.FType;
  }
  if (FType == varGObject || Other.FType == varGObject) {
    return FType == Other.FType && FObject == Other.FObject;
  }
  if (FType == varDispatch || Other.FType == varDispatch) {
    return FType == Other.FType && FDispatch == Other.FDispatch;
  }
  if (IsString() && Other.IsString()) {
    return FString == Other.FString;
  }
  try {
    if (IsOrdinal() && Other.IsOrdinal()) {
      return ToInt64() == Other.ToInt64();
    }
    return ToDouble() == Other.ToDouble();
  } catch (const EConvertError&) {
    return false;
  }
}

std::string VarTypeAsText(TGVarType AType) {
  switch (AType) {
  case varEmpty:
    return "Empty";
  case varNull:
    return "Null";
  case varSmallint:
    return "Smallint";
  case varInteger:
    return "Integer";
  case varSingle:
    return "Single";
  case varDouble:
    return "Double";
  case varCurrency:
    return "Currency";
  case varDate:
    return "Date";
  case varOleStr:
    return "OleStr";
  case varDispatch:
    return "Dispatch";
  case varError:
    return "Error";
  case varBoolean:
    return "Boolean";
  case varVariant:
    return "Variant";
  case varUnknown:
    return "Unknown";
  case varShortInt:
    return "ShortInt";
  case varByte:
    return "Byte";
  case varWord:
    return "Word";
  case varLongWord:
    return "LongWord";
  case varInt64:
    return "Int64";
  case varUInt64:
    return "UInt64";
  case varString:
    return "String";
  case varUString:
    return "UnicodeString";
  case varGObject:
    return "Object";
  }
  return Format("$%.4X", {static_cast<unsigned>(AType)});
}

void ODSValues(std::initializer_list<TGVariant> Values) {
  std::string Line;
  for (const TGVariant& V : Values) {
    if (!Line.empty()) {
      Line += ' ';
    }
    Line += V.ToString();
  }
  ODS(Line);
}
