#include "Screens/UPlayerNames.h"

#include "resources/UGLangDictionary.h"

#include <unicode/stringoptions.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>

namespace {

std::u32string& Allowed() {
  static std::u32string Chars;
  return Chars;
}

// Calls Visit (code point, its bytes) for every well-formed character of the UTF-8 text.
template <class F>
void ForEachChar(std::string_view Text, F&& Visit) {
  const auto* S = reinterpret_cast<const uint8_t*>(Text.data());
  const auto Length = static_cast<int32_t>(Text.size());
  int32_t I = 0;
  while (I < Length) {
    const int32_t Start = I;
    UChar32 C;
    U8_NEXT(S, I, Length, C);
    if (C >= 0) {
      Visit(static_cast<char32_t>(C),
            Text.substr(static_cast<size_t>(Start), static_cast<size_t>(I - Start)));
    }
  }
}

icu::UnicodeString Folded(std::string_view Text) {
  icu::UnicodeString S = icu::UnicodeString::fromUTF8(
      icu::StringPiece(Text.data(), static_cast<int32_t>(Text.size())));
  S.foldCase(U_FOLD_CASE_DEFAULT);
  return S;
}

} // namespace

const std::u32string& CorrectChars() {
  return Allowed();
}

void SetCorrectChars(std::string_view Chars) {
  std::u32string& Set = Allowed();
  Set.clear();
  ForEachChar(Chars, [&Set](char32_t C, std::string_view) {
    if (!TGLangDictionary::IsReservedKey(C) && Set.find(C) == std::u32string::npos) {
      Set += C;
    }
  });
}

bool IsCorrectChar(char32_t Ch) {
  return !TGLangDictionary::IsReservedKey(Ch) && Allowed().find(Ch) != std::u32string::npos;
}

std::string CorrectName(std::string_view Name, std::u32string_view Chars,
                        std::string_view Default) {
  std::string Out;
  ForEachChar(Name, [&](char32_t C, std::string_view Bytes) {
    if (Chars.find(C) != std::u32string_view::npos) {
      Out += Bytes;
    }
  });
  return Out.empty() ? std::string(Default) : Out;
}

std::string UserCorrectName(std::string_view Name, std::string_view Default) {
  return CorrectName(Name, Allowed(), Default);
}

bool SameNameIgnoringCase(std::string_view A, std::string_view B) {
  return Folded(A) == Folded(B);
}
