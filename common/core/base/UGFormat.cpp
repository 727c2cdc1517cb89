#include "base/UGFormat.h"

#include "base/UGDebug.h"
#include "base/UGError.h"

#include <charconv>
#include <cmath>
#include <cstdio>

int64_t TGFormatArg::AsInt() const {
  return FKind == akUInt ? static_cast<int64_t>(FUInt) : FInt;
}

uint64_t TGFormatArg::AsUInt() const {
  return FKind == akInt ? static_cast<uint64_t>(FInt) : FUInt;
}

double TGFormatArg::AsFloat() const {
  switch (FKind) {
  case akInt:
    return static_cast<double>(FInt);
  case akUInt:
    return static_cast<double>(FUInt);
  default:
    return FFloat;
  }
}

namespace {

[[noreturn]] void BadFormat(std::string_view Fmt) {
  throw EConvertError("Format '" + std::string(Fmt) + "' invalid or incompatible with argument");
}

std::string FormatInteger(const TGFormatArg& A, char Conv, int Precision) {
  char Buf[72];
  std::to_chars_result R;
  bool Negative = false;
  if (Conv == 'x' || Conv == 'X') {
    R = std::to_chars(Buf, Buf + sizeof(Buf), A.AsUInt(), 16);
  } else if (Conv == 'u' || A.Kind() == TGFormatArg::akUInt) {
    R = std::to_chars(Buf, Buf + sizeof(Buf), A.AsUInt());
  } else {
    int64_t V = A.AsInt();
    Negative = V < 0;
    uint64_t Magnitude = Negative ? 0 - static_cast<uint64_t>(V) : static_cast<uint64_t>(V);
    R = std::to_chars(Buf, Buf + sizeof(Buf), Magnitude);
  }
  std::string Digits(Buf, R.ptr);
  if (Conv == 'X') {
    for (char& C : Digits) {
      if (C >= 'a' && C <= 'f') {
        C = static_cast<char>(C - 'a' + 'A');
      }
    }
  }
  if (Precision > static_cast<int>(Digits.size())) {
    Digits.insert(0, static_cast<size_t>(Precision) - Digits.size(), '0');
  }
  return Negative ? "-" + Digits : Digits;
}

std::string FormatFixed(double V, int Precision) {
  if (!std::isfinite(V)) {
    return FloatToStr(V);
  }
  char Buf[400];
  auto R = std::to_chars(Buf, Buf + sizeof(Buf), V, std::chars_format::fixed, Precision);
  if (R.ec != std::errc()) {
    return FloatToStr(V);
  }
  return std::string(Buf, R.ptr);
}

std::string FormatExponent(double V, int Precision) {
  if (!std::isfinite(V)) {
    return FloatToStr(V);
  }
  char Buf[400];
  auto R = std::to_chars(Buf, Buf + sizeof(Buf), V, std::chars_format::scientific, Precision);
  return std::string(Buf, R.ptr);
}

} // namespace

std::string IntToStr(int64_t V) {
  char Buf[24];
  auto R = std::to_chars(Buf, Buf + sizeof(Buf), V);
  return std::string(Buf, R.ptr);
}

std::string FloatToStrG(double V, int Digits) {
  if (std::isnan(V)) {
    return "NAN";
  }
  if (std::isinf(V)) {
    return V > 0 ? "INF" : "-INF";
  }
  char Buf[64];
  auto R =
      std::to_chars(Buf, Buf + sizeof(Buf), V, std::chars_format::general, Digits < 1 ? 1 : Digits);
  return std::string(Buf, R.ptr);
}

std::string FloatToStr(double V) {
  if (std::isnan(V)) {
    return "NAN";
  }
  if (std::isinf(V)) {
    return V > 0 ? "INF" : "-INF";
  }
  if (V == 0) {
    return "0";
  }
  // Fifteen significant digits, then the shortest form of those digits.
  char Buf[64];
  auto R = std::to_chars(Buf, Buf + sizeof(Buf), V, std::chars_format::scientific, 14);
  std::string Sci(Buf, R.ptr);
  size_t EPos = Sci.find('e');
  int Exponent = std::atoi(Sci.c_str() + EPos + 1);
  std::string Mantissa = Sci.substr(0, EPos);
  bool Negative = Mantissa[0] == '-';
  if (Negative) {
    Mantissa.erase(0, 1);
  }
  std::string Digits;
  for (char C : Mantissa) {
    if (C != '.') {
      Digits += C;
    }
  }
  while (Digits.size() > 1 && Digits.back() == '0') {
    Digits.pop_back();
  }
  std::string Out;
  if (Exponent >= 15 || Exponent < -5) {
    Out = Digits.substr(0, 1);
    if (Digits.size() > 1) {
      Out += '.';
      Out += Digits.substr(1);
    }
    Out += 'E';
    Out += std::to_string(Exponent);
  } else if (Exponent < 0) {
    Out = "0.";
    Out.append(static_cast<size_t>(-Exponent - 1), '0');
    Out += Digits;
  } else {
    size_t IntLen = static_cast<size_t>(Exponent) + 1;
    if (Digits.size() <= IntLen) {
      Out = Digits + std::string(IntLen - Digits.size(), '0');
    } else {
      Out = Digits.substr(0, IntLen) + "." + Digits.substr(IntLen);
    }
  }
  return Negative ? "-" + Out : Out;
}

std::string Format(std::string_view Fmt, std::initializer_list<TGFormatArg> Args) {
  std::string Out;
  Out.reserve(Fmt.size() + 16 * Args.size());
  auto Arg = Args.begin();
  size_t I = 0;
  while (I < Fmt.size()) {
    char C = Fmt[I++];
    if (C != '%') {
      Out += C;
      continue;
    }
    if (I >= Fmt.size()) {
      BadFormat(Fmt);
    }
    if (Fmt[I] == '%') {
      Out += '%';
      ++I;
      continue;
    }
    bool LeftAlign = false;
    if (Fmt[I] == '-') {
      LeftAlign = true;
      ++I;
    }
    int Width = 0;
    while (I < Fmt.size() && Fmt[I] >= '0' && Fmt[I] <= '9') {
      Width = Width * 10 + (Fmt[I++] - '0');
    }
    int Precision = -1;
    if (I < Fmt.size() && Fmt[I] == '.') {
      ++I;
      Precision = 0;
      while (I < Fmt.size() && Fmt[I] >= '0' && Fmt[I] <= '9') {
        Precision = Precision * 10 + (Fmt[I++] - '0');
      }
    }
    if (I >= Fmt.size() || Arg == Args.end()) {
      BadFormat(Fmt);
    }
    char Conv = Fmt[I++];
    const TGFormatArg& A = *Arg++;
    std::string Piece;
    switch (Conv) {
    case 'd':
    case 'u':
    case 'x':
    case 'X':
      if (A.Kind() == TGFormatArg::akFloat || A.Kind() == TGFormatArg::akString) {
        BadFormat(Fmt);
      }
      Piece = FormatInteger(A, Conv, Precision);
      break;
    case 'f':
    case 'n':
      if (A.Kind() == TGFormatArg::akString) {
        BadFormat(Fmt);
      }
      Piece = FormatFixed(A.AsFloat(), Precision < 0 ? 2 : Precision);
      break;
    case 'e':
      if (A.Kind() == TGFormatArg::akString) {
        BadFormat(Fmt);
      }
      Piece = FormatExponent(A.AsFloat(), Precision < 0 ? 14 : Precision);
      break;
    case 'g':
      if (A.Kind() == TGFormatArg::akString) {
        BadFormat(Fmt);
      }
      Piece = Precision < 0 ? FloatToStr(A.AsFloat()) : FloatToStrG(A.AsFloat(), Precision);
      break;
    case 's':
      if (A.Kind() != TGFormatArg::akString) {
        BadFormat(Fmt);
      }
      Piece = std::string(A.AsString());
      if (Precision >= 0 && static_cast<size_t>(Precision) < Piece.size()) {
        Piece.resize(static_cast<size_t>(Precision));
      }
      break;
    default:
      BadFormat(Fmt);
    }
    if (static_cast<int>(Piece.size()) < Width) {
      std::string Pad(static_cast<size_t>(Width) - Piece.size(), ' ');
      Piece = LeftAlign ? Piece + Pad : Pad + Piece;
    }
    Out += Piece;
  }
  return Out;
}

namespace {

// Reads a run of digits at Fmt[I]; false when the number passes CMaxFormatWidth.
bool SkipSmallNumber(std::string_view Fmt, size_t& I) {
  int N = 0;
  while (I < Fmt.size() && Fmt[I] >= '0' && Fmt[I] <= '9') {
    N = N * 10 + (Fmt[I++] - '0');
    if (N > CMaxFormatWidth) {
      return false;
    }
  }
  return true;
}

bool ArgSuits(char Conv, TGFormatArg::TKind Kind) {
  switch (Conv) {
  case 'd':
  case 'u':
  case 'x':
  case 'X':
    return Kind == TGFormatArg::akInt || Kind == TGFormatArg::akUInt;
  case 'f':
  case 'n':
  case 'e':
  case 'g':
    return Kind != TGFormatArg::akString;
  case 's':
    return Kind == TGFormatArg::akString;
  default:
    return false;
  }
}

} // namespace

bool FormatMatches(std::string_view Fmt, std::initializer_list<TGFormatArg> Args) {
  auto Arg = Args.begin();
  size_t I = 0;
  while (I < Fmt.size()) {
    if (Fmt[I++] != '%') {
      continue;
    }
    if (I < Fmt.size() && Fmt[I] == '%') {
      ++I;
      continue;
    }
    if (I < Fmt.size() && Fmt[I] == '-') {
      ++I;
    }
    if (!SkipSmallNumber(Fmt, I)) {
      return false;
    }
    if (I < Fmt.size() && Fmt[I] == '.') {
      ++I;
      if (!SkipSmallNumber(Fmt, I)) {
        return false;
      }
    }
    if (I >= Fmt.size() || Arg == Args.end() || !ArgSuits(Fmt[I], Arg->Kind())) {
      return false;
    }
    ++I;
    ++Arg;
  }
  return Arg == Args.end();
}

std::string FormatChecked(std::string_view Fmt, std::initializer_list<TGFormatArg> Args) {
  if (!FormatMatches(Fmt, Args)) {
    ODS("Text \"" + std::string(Fmt) + "\" does not match its " + std::to_string(Args.size()) +
        " argument(s) and is shown as it stands");
    return std::string(Fmt);
  }
  return Format(Fmt, Args);
}
