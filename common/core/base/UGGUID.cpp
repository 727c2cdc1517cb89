#include "base/UGGUID.h"

#include "base/UGRandom.h"

#include <atomic>
#include <random>

namespace {

constexpr char CHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& Out, uint64_t Value, int Digits) {
  for (int I = Digits - 1; I >= 0; --I)
    Out += CHexDigits[(Value >> (I * 4)) & 0xF];
}

int HexValue(char C) {
  if (C >= '0' && C <= '9')
    return C - '0';
  if (C >= 'A' && C <= 'F')
    return C - 'A' + 10;
  if (C >= 'a' && C <= 'f')
    return C - 'a' + 10;
  return -1;
}

// Digits hexadecimal digits of Text from Pos on, or false.
bool ReadHex(std::string_view Text, size_t Pos, int Digits, uint64_t& Value) {
  Value = 0;
  for (int I = 0; I < Digits; ++I) {
    const int D = HexValue(Text[Pos + static_cast<size_t>(I)]);
    if (D < 0)
      return false;
    Value = Value << 4 | static_cast<uint64_t>(D);
  }
  return true;
}

} // namespace

std::string TGGUID::ToString() const {
  std::string S;
  S.reserve(38);
  S += '{';
  AppendHex(S, Data1, 8);
  S += '-';
  AppendHex(S, Data2, 4);
  S += '-';
  AppendHex(S, Data3, 4);
  S += '-';
  AppendHex(S, Data4[0], 2);
  AppendHex(S, Data4[1], 2);
  S += '-';
  for (int I = 2; I < 8; ++I)
    AppendHex(S, Data4[static_cast<size_t>(I)], 2);
  S += '}';
  return S;
}

std::optional<TGGUID> TGGUID::Parse(std::string_view Text) {
  if (Text.size() == 38) {
    if (Text.front() != '{' || Text.back() != '}')
      return std::nullopt;
    Text = Text.substr(1, 36);
  }
  if (Text.size() != 36 || Text[8] != '-' || Text[13] != '-' || Text[18] != '-' || Text[23] != '-')
    return std::nullopt;
  TGGUID G;
  uint64_t V = 0;
  if (!ReadHex(Text, 0, 8, V))
    return std::nullopt;
  G.Data1 = static_cast<uint32_t>(V);
  if (!ReadHex(Text, 9, 4, V))
    return std::nullopt;
  G.Data2 = static_cast<uint16_t>(V);
  if (!ReadHex(Text, 14, 4, V))
    return std::nullopt;
  G.Data3 = static_cast<uint16_t>(V);
  static constexpr size_t CBytePos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (size_t I = 0; I < 8; ++I) {
    if (!ReadHex(Text, CBytePos[I], 2, V))
      return std::nullopt;
    G.Data4[I] = static_cast<uint8_t>(V);
  }
  return G;
}

TGGUID TGGUID::Create(TGRandom& Generator) {
  auto Bits = [&Generator](int Count) {
    return static_cast<uint32_t>(Generator.Random(1 << Count));
  };
  TGGUID G;
  G.Data1 = Bits(16) << 16 | Bits(16);
  G.Data2 = static_cast<uint16_t>(Bits(16));
  G.Data3 = static_cast<uint16_t>(0x4000 | Bits(12)); // version 4: random
  for (uint8_t& B : G.Data4)
    B = static_cast<uint8_t>(Bits(8));
  G.Data4[0] = static_cast<uint8_t>(0x80 | (G.Data4[0] & 0x3F)); // the RFC 4122 variant
  return G;
}

namespace {

std::atomic<bool> FromProgram{false};

// All 122 random bits from the system's random source.
TGGUID SystemGuid() {
  static thread_local std::random_device Device;
  TGGUID G;
  G.Data1 = static_cast<uint32_t>(Device());
  const auto W = static_cast<uint32_t>(Device());
  G.Data2 = static_cast<uint16_t>(W >> 16);
  G.Data3 = static_cast<uint16_t>(0x4000 | (W & 0x0FFF)); // version 4: random
  for (size_t I = 0; I < G.Data4.size(); I += 4) {
    const auto V = static_cast<uint32_t>(Device());
    for (size_t B = 0; B < 4; ++B) {
      G.Data4[I + B] = static_cast<uint8_t>(V >> (8 * B));
    }
  }
  G.Data4[0] = static_cast<uint8_t>(0x80 | (G.Data4[0] & 0x3F)); // the RFC 4122 variant
  return G;
}

} // namespace

void SetGuidsFromProgramGenerator(bool Value) {
  FromProgram = Value;
}

bool GuidsFromProgramGenerator() {
  return FromProgram;
}

std::string NewGuid() {
  return (FromProgram ? TGGUID::Create(GlobalRandom()) : SystemGuid()).ToString();
}
