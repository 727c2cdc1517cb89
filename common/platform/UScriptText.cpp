#include "platform/UScriptText.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr char32_t CReplacement = 0xFFFD;

bool IsAscii(std::string_view Text) {
  return std::all_of(Text.begin(), Text.end(),
                     [](char C) { return static_cast<unsigned char>(C) < 0x80; });
}

bool IsHighSurrogate(char32_t C) {
  return C >= 0xD800 && C <= 0xDBFF;
}
bool IsLowSurrogate(char32_t C) {
  return C >= 0xDC00 && C <= 0xDFFF;
}

// Decodes the sequence at Text[Pos] and moves Pos past it. Surrogates are decoded like any other
// code point; a malformed sequence answers U+FFFD and skips one byte.
char32_t Decode(std::string_view Text, std::size_t& Pos) {
  const auto Lead = static_cast<unsigned char>(Text[Pos]);
  if (Lead < 0x80) {
    ++Pos;
    return Lead;
  }
  std::size_t Length;
  char32_t Code;
  char32_t Least;
  if ((Lead & 0xE0) == 0xC0) {
    Length = 2, Code = Lead & 0x1F, Least = 0x80;
  } else if ((Lead & 0xF0) == 0xE0) {
    Length = 3, Code = Lead & 0x0F, Least = 0x800;
  } else if ((Lead & 0xF8) == 0xF0) {
    Length = 4, Code = Lead & 0x07, Least = 0x10000;
  } else {
    ++Pos;
    return CReplacement;
  }
  if (Text.size() - Pos < Length) {
    ++Pos;
    return CReplacement;
  }
  for (std::size_t K = 1; K < Length; ++K) {
    const auto Next = static_cast<unsigned char>(Text[Pos + K]);
    if ((Next & 0xC0) != 0x80) {
      ++Pos;
      return CReplacement;
    }
    Code = (Code << 6) | (Next & 0x3F);
  }
  if (Code < Least || Code > 0x10FFFF) {
    ++Pos;
    return CReplacement;
  }
  Pos += Length;
  return Code;
}

// Writes Code in UTF-8 form; a surrogate gets the three-byte form that CESU-8 uses.
void Encode(std::string& Out, char32_t Code) {
  if (Code < 0x80) {
    Out += static_cast<char>(Code);
  } else if (Code < 0x800) {
    Out += static_cast<char>(0xC0 | (Code >> 6));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  } else if (Code < 0x10000) {
    Out += static_cast<char>(0xE0 | (Code >> 12));
    Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (Code >> 18));
    Out += static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  }
}

} // namespace

std::string Utf8ToCesu8(std::string_view Text) {
  if (IsAscii(Text))
    return std::string(Text);
  std::string Out;
  Out.reserve(Text.size() + Text.size() / 2);
  for (std::size_t Pos = 0; Pos < Text.size();) {
    const char32_t Code = Decode(Text, Pos);
    if (IsHighSurrogate(Code) || IsLowSurrogate(Code)) {
      Encode(Out, CReplacement);
    } else if (Code >= 0x10000) {
      Encode(Out, 0xD800 + ((Code - 0x10000) >> 10));
      Encode(Out, 0xDC00 + ((Code - 0x10000) & 0x3FF));
    } else {
      Encode(Out, Code);
    }
  }
  return Out;
}

std::string Cesu8ToUtf8(std::string_view Text) {
  if (IsAscii(Text))
    return std::string(Text);
  std::string Out;
  Out.reserve(Text.size());
  for (std::size_t Pos = 0; Pos < Text.size();) {
    char32_t Code = Decode(Text, Pos);
    if (IsHighSurrogate(Code)) {
      std::size_t Next = Pos;
      const char32_t Low = Next < Text.size() ? Decode(Text, Next) : 0;
      if (IsLowSurrogate(Low)) {
        Code = 0x10000 + ((Code - 0xD800) << 10) + (Low - 0xDC00);
        Pos = Next;
      } else {
        Code = CReplacement;
      }
    } else if (IsLowSurrogate(Code)) {
      Code = CReplacement;
    }
    Encode(Out, Code);
  }
  return Out;
}
