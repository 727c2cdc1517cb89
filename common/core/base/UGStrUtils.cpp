#include "base/UGStrUtils.h"

#include "base/UGError.h"

#include <charconv>
#include <cmath>

namespace {

bool IsBlankChar(char C) {
  return C == ' ' || C == '\t' || C == '\r' || C == '\n';
}

std::string_view TrimView(std::string_view S) {
  while (!S.empty() && IsBlankChar(S.front())) {
    S.remove_prefix(1);
  }
  while (!S.empty() && IsBlankChar(S.back())) {
    S.remove_suffix(1);
  }
  return S;
}

// Digits with an optional '.' and at most 15 significant digits: exact integers divided by an
// exact power of ten, so the quotient is the correctly rounded value, as the general parser gives.
bool ParseSimpleDecimal(std::string_view S, double& Value) {
  static constexpr double Powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  uint64_t Mantissa = 0;
  int Digits = 0;
  int Fraction = -1;
  for (char C : S) {
    if (C == '.' && Fraction < 0) {
      Fraction = 0;
      continue;
    }
    if (C < '0' || C > '9') {
      return false;
    }
    if (Digits > 0 || C != '0') {
      ++Digits;
    }
    if (Digits > 15) {
      return false;
    }
    Mantissa = Mantissa * 10 + static_cast<uint64_t>(C - '0');
    if (Fraction >= 0) {
      ++Fraction;
    }
  }
  if (S.empty() || S == "." || Fraction > 15) {
    return false;
  }
  Value = static_cast<double>(Mantissa) / Powers[Fraction < 0 ? 0 : Fraction];
  return true;
}

bool ParseFloatDot(std::string_view S, double& Value) {
  S = TrimView(S);
  if (S.empty()) {
    return false;
  }
  bool Negative = false;
  if (S.front() == '+' || S.front() == '-') {
    Negative = S.front() == '-';
    S.remove_prefix(1);
    if (S.empty() || S.front() == '+' || S.front() == '-') {
      return false;
    }
  }
  double V = 0;
  if (ParseSimpleDecimal(S, V)) {
    Value = Negative ? -V : V;
    return true;
  }
  auto R = std::from_chars(S.data(), S.data() + S.size(), V, std::chars_format::general);
  if (R.ec != std::errc() || R.ptr != S.data() + S.size()) {
    return false;
  }
  Value = Negative ? -V : V;
  return true;
}

int HexDigit(char C) {
  if (C >= '0' && C <= '9') {
    return C - '0';
  }
  if (C >= 'a' && C <= 'f') {
    return C - 'a' + 10;
  }
  if (C >= 'A' && C <= 'F') {
    return C - 'A' + 10;
  }
  return -1;
}

// Parses the integer forms; MaxHexDigits bounds the wrap-around hexadecimal form and Limit the
// magnitude of the decimal one (the negative side may reach Limit + 1).
bool ParseInteger(std::string_view S, int MaxHexDigits, uint64_t Limit, bool& Negative,
                  uint64_t& Magnitude) {
  while (!S.empty() && S.front() == ' ') {
    S.remove_prefix(1);
  }
  Negative = false;
  if (!S.empty() && (S.front() == '+' || S.front() == '-')) {
    Negative = S.front() == '-';
    S.remove_prefix(1);
  }
  bool Hex = false;
  if (!S.empty() && S.front() == '$') {
    Hex = true;
    S.remove_prefix(1);
  } else if (S.size() >= 2 && S[0] == '0' && (S[1] == 'x' || S[1] == 'X')) {
    Hex = true;
    S.remove_prefix(2);
  } else if (!S.empty() && (S.front() == 'x' || S.front() == 'X')) {
    Hex = true;
    S.remove_prefix(1);
  }
  if (S.empty()) {
    return false;
  }
  uint64_t V = 0;
  if (Hex) {
    int Digits = 0;
    for (char C : S) {
      int D = HexDigit(C);
      if (D < 0) {
        return false;
      }
      if (V != 0 || D != 0) {
        ++Digits;
      }
      if (Digits > MaxHexDigits) {
        return false;
      }
      V = V * 16 + static_cast<uint64_t>(D);
    }
    Magnitude = V;
    return true;
  }
  for (char C : S) {
    if (C < '0' || C > '9') {
      return false;
    }
    uint64_t D = static_cast<uint64_t>(C - '0');
    if (V > (Limit + 1 - D) / 10) {
      return false;
    }
    V = V * 10 + D;
  }
  if (V > Limit + (Negative ? 1 : 0)) {
    return false;
  }
  Magnitude = V;
  return true;
}

} // namespace

bool SafeTryStrToFloat(std::string_view S, double& Value) {
  if (ParseFloatDot(S, Value)) {
    return true;
  }
  if (S.find(',') == std::string_view::npos || S.find('.') != std::string_view::npos) {
    return false;
  }
  std::string Copy(S);
  for (char& C : Copy) {
    if (C == ',') {
      C = '.';
    }
  }
  return ParseFloatDot(Copy, Value);
}

bool SafeTryStrToFloat(std::string_view S, float& Value) {
  double D = 0;
  if (!SafeTryStrToFloat(S, D)) {
    return false;
  }
  Value = static_cast<float>(D);
  return true;
}

double SafeStrToFloat(std::string_view S) {
  double V = 0;
  if (!SafeTryStrToFloat(S, V)) {
    throw EConvertError("'" + std::string(S) + "' is not a valid floating point value");
  }
  return V;
}

bool TryStrToInt(std::string_view S, int32_t& Value) {
  bool Negative = false;
  uint64_t Magnitude = 0;
  if (!ParseInteger(S, 8, 2147483647u, Negative, Magnitude)) {
    return false;
  }
  uint32_t Bits = static_cast<uint32_t>(Magnitude);
  if (Negative) {
    Bits = 0u - Bits;
  }
  Value = static_cast<int32_t>(Bits);
  return true;
}

bool TryStrToInt64(std::string_view S, int64_t& Value) {
  bool Negative = false;
  uint64_t Magnitude = 0;
  if (!ParseInteger(S, 16, 9223372036854775807ull, Negative, Magnitude)) {
    return false;
  }
  Value = static_cast<int64_t>(Negative ? 0 - Magnitude : Magnitude);
  return true;
}

int32_t StrToIntDef(std::string_view S, int32_t Default) {
  int32_t V = 0;
  return TryStrToInt(S, V) ? V : Default;
}

int32_t StrToInt(std::string_view S) {
  int32_t V = 0;
  if (!TryStrToInt(S, V)) {
    throw EConvertError("'" + std::string(S) + "' is not a valid integer value");
  }
  return V;
}

bool TryStrToBool(std::string_view S, bool& Value) {
  if (SameText(S, "True")) {
    Value = true;
    return true;
  }
  if (SameText(S, "False")) {
    Value = false;
    return true;
  }
  int64_t N = 0;
  if (TryStrToInt64(S, N)) {
    Value = N != 0;
    return true;
  }
  return false;
}

bool StrToBoolDef(std::string_view S, bool Default) {
  bool V = false;
  return TryStrToBool(S, V) ? V : Default;
}

const char* BoolToStr(bool V) {
  return V ? "True" : "False";
}

bool TryStrToVec(std::string_view S, TGVector& V) {
  size_t First = S.find(' ');
  if (First == std::string_view::npos || First == 0) {
    return false;
  }
  size_t Second = S.find(' ', First + 1);
  if (Second == std::string_view::npos || Second == First + 1) {
    return false;
  }
  TGVector R;
  if (!SafeTryStrToFloat(S.substr(0, First), R.X) ||
      !SafeTryStrToFloat(S.substr(First + 1, Second - First - 1), R.Y) ||
      !SafeTryStrToFloat(S.substr(Second + 1), R.Z)) {
    return false;
  }
  V = R;
  return true;
}

std::string VecToStr(const TGVector& V) {
  std::string Out;
  char Buf[32];
  for (float F : {V.X, V.Y, V.Z}) {
    if (!Out.empty()) {
      Out += ' ';
    }
    auto R = std::to_chars(Buf, Buf + sizeof(Buf), F);
    Out.append(Buf, R.ptr);
  }
  return Out;
}

std::string IdxToStr(int N) {
  std::string S = std::to_string(N);
  return N < 10 ? "0" + S : S;
}

void SplitString(std::string_view S, char Delimiter, std::vector<std::string>& Parts) {
  Parts.clear();
  size_t Start = 0;
  for (size_t I = 0; I < S.size(); ++I) {
    if (S[I] == Delimiter) {
      if (I > Start) {
        Parts.emplace_back(S.substr(Start, I - Start));
      }
      Start = I + 1;
    }
  }
  std::string_view Rest = S.substr(Start);
  if (!IsBlank(Rest)) {
    Parts.emplace_back(Rest);
  }
}

std::string ReplaceAll(std::string_view S, std::string_view From, std::string_view To) {
  std::string Out;
  Out.reserve(S.size());
  size_t Pos = 0;
  while (true) {
    size_t Hit = S.find(From, Pos);
    if (Hit == std::string_view::npos) {
      Out.append(S.substr(Pos));
      return Out;
    }
    Out.append(S.substr(Pos, Hit - Pos));
    Out.append(To);
    Pos = Hit + From.size();
  }
}

std::string EncodeText(std::string_view S) {
  return ReplaceAll(ReplaceAll(ReplaceAll(S, "&", "&amp;"), "\r", "&cr;"), "\n", "&lf;");
}

std::string DecodeText(std::string_view S) {
  return ReplaceAll(ReplaceAll(ReplaceAll(S, "&lf;", "\n"), "&cr;", "\r"), "&amp;", "&");
}

std::string TransformForXML(std::string_view S) {
  std::string Out;
  Out.reserve(S.size() + 8);
  for (char C : S) {
    switch (C) {
    case '"':
      Out += "&quot;";
      break;
    case '&':
      Out += "&amp;";
      break;
    case '<':
      Out += "&lt;";
      break;
    case '>':
      Out += "&gt;";
      break;
    case '\t':
    case '\r':
    case '\n':
      Out += C;
      break;
    default:
      if (static_cast<unsigned char>(C) >= 0x20) {
        Out += C;
      }
    }
  }
  return Out;
}

char UpCaseChar(char C) {
  return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C;
}

std::string UpperCase(std::string_view S) {
  std::string Out(S);
  for (char& C : Out) {
    C = UpCaseChar(C);
  }
  return Out;
}

std::string LowerCase(std::string_view S) {
  std::string Out(S);
  for (char& C : Out) {
    if (C >= 'A' && C <= 'Z') {
      C = static_cast<char>(C + 32);
    }
  }
  return Out;
}

int StrIComp(std::string_view A, std::string_view B) {
  size_t N = A.size() < B.size() ? A.size() : B.size();
  for (size_t I = 0; I < N; ++I) {
    int CA = static_cast<unsigned char>(UpCaseChar(A[I]));
    int CB = static_cast<unsigned char>(UpCaseChar(B[I]));
    if (CA != CB) {
      return CA - CB;
    }
  }
  if (A.size() == B.size()) {
    return 0;
  }
  return A.size() < B.size() ? -static_cast<unsigned char>(UpCaseChar(B[N]))
                             : static_cast<unsigned char>(UpCaseChar(A[N]));
}

bool SameText(std::string_view A, std::string_view B) {
  return A.size() == B.size() && StrIComp(A, B) == 0;
}

std::string Trim(std::string_view S) {
  return std::string(TrimView(S));
}

bool IsBlank(std::string_view S) {
  return TrimView(S).empty();
}

std::string FixURLSlashes(std::string_view S) {
  std::string Out;
  Out.reserve(S.size());
  for (char C : S) {
    if (C == '/') {
      C = '\\';
    }
    if (C == '\\' && !Out.empty() && Out.back() == '\\') {
      continue;
    }
    Out += C;
  }
  return Out;
}

bool SameURL(std::string_view A, std::string_view B) {
  return SameText(A, B);
}

std::string ResourceFolder(std::string_view URL) {
  size_t Pos = URL.find_last_of("/\\");
  if (Pos == std::string_view::npos || Pos == 0) {
    return {};
  }
  return std::string(URL.substr(0, Pos + 1));
}

std::string FileNameToURL(std::string_view S) {
  if (S.empty()) {
    return {};
  }
  size_t Pos = S.find('\\', 1);
  if (Pos == std::string_view::npos) {
    return std::string(S);
  }
  return std::string(S.substr(Pos + 1));
}

std::string ExtractFileExt(std::string_view Name) {
  size_t Pos = Name.find_last_of(".\\/");
  if (Pos == std::string_view::npos || Name[Pos] != '.') {
    return {};
  }
  return std::string(Name.substr(Pos));
}

std::string ExtractFileName(std::string_view Name) {
  size_t Pos = Name.find_last_of("\\/");
  return std::string(Pos == std::string_view::npos ? Name : Name.substr(Pos + 1));
}

std::string ChangeFileExt(std::string_view Name, std::string_view Ext) {
  size_t Pos = Name.find_last_of(".\\/");
  if (Pos == std::string_view::npos || Name[Pos] != '.') {
    return std::string(Name) + std::string(Ext);
  }
  return std::string(Name.substr(0, Pos)) + std::string(Ext);
}

namespace {

// Decodes one code point at S[I], advancing I; invalid sequences give U+FFFD and one byte.
char32_t DecodeUTF8(std::string_view S, size_t& I) {
  unsigned char C = static_cast<unsigned char>(S[I]);
  if (C < 0x80) {
    ++I;
    return C;
  }
  int Len = C >= 0xF0 ? 4 : C >= 0xE0 ? 3 : C >= 0xC0 ? 2 : 0;
  if (Len == 0 || C > 0xF4 || I + static_cast<size_t>(Len) > S.size()) {
    ++I;
    return 0xFFFD;
  }
  char32_t CP = C & (0x7F >> Len);
  for (int K = 1; K < Len; ++K) {
    unsigned char N = static_cast<unsigned char>(S[I + static_cast<size_t>(K)]);
    if ((N & 0xC0) != 0x80) {
      ++I;
      return 0xFFFD;
    }
    CP = (CP << 6) | (N & 0x3F);
  }
  static const char32_t MinForLen[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (CP < MinForLen[Len] || CP > 0x10FFFF || (CP >= 0xD800 && CP <= 0xDFFF)) {
    ++I;
    return 0xFFFD;
  }
  I += static_cast<size_t>(Len);
  return CP;
}

void AppendUTF8(std::string& Out, char32_t CP) {
  if (CP < 0x80) {
    Out += static_cast<char>(CP);
  } else if (CP < 0x800) {
    Out += static_cast<char>(0xC0 | (CP >> 6));
    Out += static_cast<char>(0x80 | (CP & 0x3F));
  } else if (CP < 0x10000) {
    Out += static_cast<char>(0xE0 | (CP >> 12));
    Out += static_cast<char>(0x80 | ((CP >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (CP & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (CP >> 18));
    Out += static_cast<char>(0x80 | ((CP >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((CP >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (CP & 0x3F));
  }
}

} // namespace

std::u16string UTF8ToUTF16(std::string_view S) {
  std::u16string Out;
  Out.reserve(S.size());
  size_t I = 0;
  while (I < S.size()) {
    char32_t CP = DecodeUTF8(S, I);
    if (CP >= 0x10000) {
      CP -= 0x10000;
      Out += static_cast<char16_t>(0xD800 + (CP >> 10));
      Out += static_cast<char16_t>(0xDC00 + (CP & 0x3FF));
    } else {
      Out += static_cast<char16_t>(CP);
    }
  }
  return Out;
}

std::string UTF16ToUTF8(std::u16string_view S) {
  std::string Out;
  Out.reserve(S.size());
  for (size_t I = 0; I < S.size(); ++I) {
    char32_t CP = S[I];
    if (CP >= 0xD800 && CP <= 0xDBFF && I + 1 < S.size() && S[I + 1] >= 0xDC00 &&
        S[I + 1] <= 0xDFFF) {
      CP = 0x10000 + ((CP - 0xD800) << 10) + (S[I + 1] - 0xDC00);
      ++I;
    } else if (CP >= 0xD800 && CP <= 0xDFFF) {
      CP = 0xFFFD;
    }
    AppendUTF8(Out, CP);
  }
  return Out;
}

size_t UTF16Length(std::string_view S) {
  size_t N = 0;
  for (char C : S) {
    unsigned char B = static_cast<unsigned char>(C);
    if ((B & 0xC0) != 0x80) {
      N += B >= 0xF0 ? 2 : 1;
    }
  }
  return N;
}

size_t UTF8Length(std::string_view S) {
  size_t N = 0;
  for (char C : S) {
    if ((static_cast<unsigned char>(C) & 0xC0) != 0x80) {
      ++N;
    }
  }
  return N;
}

bool IsXMLText(std::string_view S) {
  for (size_t I = 0; I < S.size();) {
    const auto C = static_cast<unsigned char>(S[I]);
    if (C < 0x80) {
      if (C < 0x20 && C != '\t' && C != '\n' && C != '\r')
        return false;
      ++I;
      continue;
    }
    const size_t Length = C >= 0xF0 ? 4 : C >= 0xE0 ? 3 : C >= 0xC0 ? 2 : 0;
    if (Length == 0 || C > 0xF4 || I + Length > S.size())
      return false;
    uint32_t Code = C & (0x3F >> (Length - 1));
    for (size_t K = 1; K < Length; ++K) {
      const auto Next = static_cast<unsigned char>(S[I + K]);
      if ((Next & 0xC0) != 0x80)
        return false;
      Code = Code << 6 | (Next & 0x3F);
    }
    static constexpr uint32_t CShortest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (Code < CShortest[Length] || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF) ||
        Code == 0xFFFE || Code == 0xFFFF)
      return false;
    I += Length;
  }
  return true;
}

std::string IntToStrSeparatedEx(int64_t N, std::string_view Separator) {
  std::string Digits = std::to_string(N);
  size_t Sign = (N < 0) ? 1 : 0;
  if (Digits.size() - Sign > 3) {
    Digits.insert(Digits.size() - 3, Separator);
  }
  return Digits;
}

std::string SecondsToStr(int64_t Seconds) {
  auto Two = [](int64_t V) { return V < 10 ? "0" + std::to_string(V) : std::to_string(V); };
  return Two(Seconds / 3600) + ":" + Two((Seconds % 3600) / 60) + ":" + Two(Seconds % 60);
}
