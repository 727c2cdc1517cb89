// Reads the tagged binary value stream (one tag byte, then the payload, little-endian).
// A tag that the operation does not accept, a length that is negative or runs past the end, and
// a stream that ends early are read errors (EReadError).
#pragma once

#include "io/UGStream.h"
#include "io/UGValueTags.h"

#include <cstdint>
#include <string>

class TGReader {
public:
  explicit TGReader(TGStream& AStream)
      : FStream(AStream) {}

  // Tags 2, 3 and 4.
  int32_t ReadInteger();
  uint32_t ReadLongword() { return static_cast<uint32_t>(ReadInteger()); }
  // Tags 2, 3, 4 and 19.
  int64_t ReadInt64();
  // Tag 15, or any integer value converted.
  float ReadSingle();
  // Tags 6, 12, 18 and 20 as strings of that form (18 converted to UTF-8); else tag 10.
  std::string ReadString();
  // Tags 8 and 9.
  bool ReadBoolean();
  uint32_t ReadColor() { return ReadLongword(); }
  // Raw bytes, no tag.
  void Read(void* Buffer, int64_t Count);

  // The next tag, without consuming it; EReadError at the end of the stream.
  TGValueTag NextValue();
  bool EndOfStream();
  TGStream& Stream() { return FStream; }

private:
  uint8_t ReadTag();
  [[noreturn]] void BadTag(uint8_t Tag);
  int64_t ReadIntegerPayload(uint8_t Tag);
  int64_t ReadLength();
  std::string ReadBytes(int64_t Count);

  TGStream& FStream;
};
