#include "base/UGBase64.h"

#include "base/UGError.h"

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int DecodeChar(char C) {
  if (C >= 'A' && C <= 'Z') {
    return C - 'A';
  }
  if (C >= 'a' && C <= 'z') {
    return C - 'a' + 26;
  }
  if (C >= '0' && C <= '9') {
    return C - '0' + 52;
  }
  if (C == '+') {
    return 62;
  }
  if (C == '/') {
    return 63;
  }
  return -1;
}

} // namespace

std::string StrToBase64(std::string_view Bytes) {
  std::string Out;
  Out.reserve((Bytes.size() + 2) / 3 * 4);
  size_t I = 0;
  for (; I + 3 <= Bytes.size(); I += 3) {
    uint32_t V = (static_cast<uint8_t>(Bytes[I]) << 16) |
                 (static_cast<uint8_t>(Bytes[I + 1]) << 8) | static_cast<uint8_t>(Bytes[I + 2]);
    Out += Alphabet[(V >> 18) & 63];
    Out += Alphabet[(V >> 12) & 63];
    Out += Alphabet[(V >> 6) & 63];
    Out += Alphabet[V & 63];
  }
  size_t Rest = Bytes.size() - I;
  if (Rest > 0) {
    uint32_t V = static_cast<uint8_t>(Bytes[I]) << 16;
    if (Rest == 2) {
      V |= static_cast<uint8_t>(Bytes[I + 1]) << 8;
    }
    Out += Alphabet[(V >> 18) & 63];
    Out += Alphabet[(V >> 12) & 63];
    Out += Rest == 2 ? Alphabet[(V >> 6) & 63] : '=';
    Out += '=';
  }
  return Out;
}

std::string Base64ToStr(std::string_view Text) {
  if (Text.size() < 4 || Text.size() % 4 != 0) {
    throw EConvertError("Illegal input length");
  }
  size_t Padding = 0;
  while (Padding < Text.size() && Text[Text.size() - 1 - Padding] == '=') {
    ++Padding;
  }
  if (Padding > 2) {
    throw EConvertError("Illegal character in Base64 input");
  }
  std::string Out;
  Out.reserve(Text.size() / 4 * 3);
  size_t Body = Text.size() - Padding;
  uint32_t Acc = 0;
  int Bits = 0;
  for (size_t I = 0; I < Body; ++I) {
    int V = DecodeChar(Text[I]);
    if (V < 0) {
      throw EConvertError("Illegal character in Base64 input");
    }
    Acc = (Acc << 6) | static_cast<uint32_t>(V);
    Bits += 6;
    if (Bits >= 8) {
      Bits -= 8;
      Out += static_cast<char>((Acc >> Bits) & 0xFF);
    }
  }
  return Out;
}
