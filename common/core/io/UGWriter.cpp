#include "io/UGWriter.h"

#include <cstring>

void TGWriter::WriteTag(TGValueTag Tag) {
  uint8_t B = Tag;
  FStream.WriteBuffer(&B, 1);
}

void TGWriter::WriteInteger(int32_t Value) {
  if (Value >= -128 && Value <= 127) {
    WriteTag(vaInt8);
    int8_t V = static_cast<int8_t>(Value);
    FStream.WriteBuffer(&V, 1);
  } else if (Value >= -32768 && Value <= 32767) {
    WriteTag(vaInt16);
    int16_t V = static_cast<int16_t>(Value);
    FStream.WriteBuffer(&V, 2);
  } else {
    WriteTag(vaInt32);
    FStream.WriteBuffer(&Value, 4);
  }
}

void TGWriter::WriteInt64(int64_t Value) {
  if (Value >= INT32_MIN && Value <= INT32_MAX) {
    WriteInteger(static_cast<int32_t>(Value));
    return;
  }
  WriteTag(vaInt64);
  FStream.WriteBuffer(&Value, 8);
}

void TGWriter::WriteSingle(float Value) {
  WriteTag(vaSingle);
  FStream.WriteBuffer(&Value, 4);
}

void TGWriter::WriteString(std::string_view Value) {
  WriteTag(vaBinary);
  WriteInteger(static_cast<int32_t>(Value.size()));
  FStream.WriteBuffer(Value.data(), static_cast<int64_t>(Value.size()));
}

void TGWriter::WriteBoolean(bool Value) {
  WriteTag(Value ? vaTrue : vaFalse);
}
