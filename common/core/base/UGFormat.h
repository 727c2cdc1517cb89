// Text formatting with the engine's format strings: "%s", "%d", "%.2d", "%x", "%0.6g", "%f" and
// their width, precision and '-' flags. Numbers use '.' whatever the process locale.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

class TGFormatArg {
public:
  enum TKind { akInt, akUInt, akFloat, akString };

  TGFormatArg(int V)
      : FKind(akInt)
      , FInt(V) {}
  TGFormatArg(long V)
      : FKind(akInt)
      , FInt(V) {}
  TGFormatArg(long long V)
      : FKind(akInt)
      , FInt(V) {}
  TGFormatArg(unsigned V)
      : FKind(akUInt)
      , FUInt(V) {}
  TGFormatArg(unsigned long V)
      : FKind(akUInt)
      , FUInt(V) {}
  TGFormatArg(unsigned long long V)
      : FKind(akUInt)
      , FUInt(V) {}
  TGFormatArg(double V)
      : FKind(akFloat)
      , FFloat(V) {}
  TGFormatArg(const char* V)
      : FKind(akString)
      , FString(V ? V : "") {}
  TGFormatArg(std::string_view V)
      : FKind(akString)
      , FString(V) {}
  TGFormatArg(const std::string& V)
      : FKind(akString)
      , FString(V) {}

  TKind Kind() const { return FKind; }
  int64_t AsInt() const;
  uint64_t AsUInt() const;
  double AsFloat() const;
  std::string_view AsString() const { return FString; }

private:
  TKind FKind;
  int64_t FInt = 0;
  uint64_t FUInt = 0;
  double FFloat = 0;
  std::string_view FString;
};

// Formats Fmt with Args. An argument of the wrong kind for its conversion, or a missing
// argument, raises EConvertError with "Format '%s' invalid or incompatible with argument".
std::string Format(std::string_view Fmt, std::initializer_list<TGFormatArg> Args);

// Whether Fmt takes exactly Args: as many conversions as arguments, each of a kind its argument
// suits, known conversions only, widths and precisions up to CMaxFormatWidth.
constexpr int CMaxFormatWidth = 64;
bool FormatMatches(std::string_view Fmt, std::initializer_list<TGFormatArg> Args);
// Format for texts that come from outside the program (translations, content): a text that
// does not match its arguments is logged and returned as it stands, never formatted.
std::string FormatChecked(std::string_view Fmt, std::initializer_list<TGFormatArg> Args);

// The shortest decimal text of V (up to 15 significant digits), '.' as separator, exponent as
// "E" with its sign only when negative ("1E20", "1.5E-7"), as the engine writes floats into text.
std::string FloatToStr(double V);
// V with Digits significant digits in the "%g" style ("%0.6g" is FloatToStrG(V, 6)).
std::string FloatToStrG(double V, int Digits);
std::string IntToStr(int64_t V);
