// Writes the tagged binary value stream read by TGReader.
#pragma once

#include "io/UGStream.h"
#include "io/UGValueTags.h"

#include <cstdint>
#include <string_view>

class TGWriter {
public:
  explicit TGWriter(TGStream& AStream)
      : FStream(AStream) {}

  // The smallest of tags 2, 3 and 4 that holds the value.
  void WriteInteger(int32_t Value);
  // The value reinterpreted as signed 32-bit, then as WriteInteger.
  void WriteLongword(uint32_t Value) { WriteInteger(static_cast<int32_t>(Value)); }
  // As WriteInteger inside the 32-bit range, tag 19 outside it.
  void WriteInt64(int64_t Value);
  // Always tag 15.
  void WriteSingle(float Value);
  // A binary block (tag 10): the length as an integer value, then the raw bytes.
  void WriteString(std::string_view Value);
  // Tag 8 or 9, no payload.
  void WriteBoolean(bool Value);
  void WriteColor(uint32_t Value) { WriteLongword(Value); }
  // Raw bytes, no tag.
  void Write(const void* Buffer, int64_t Count) { FStream.WriteBuffer(Buffer, Count); }

private:
  void WriteTag(TGValueTag Tag);

  TGStream& FStream;
};
