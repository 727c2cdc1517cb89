#include "io/UGReader.h"

#include "base/UGError.h"
#include "base/UGStrUtils.h"

#include <bit>
#include <cstring>

namespace {

template <class T>
T FromLittleEndian(const unsigned char* Bytes) {
  T Value;
  std::memcpy(&Value, Bytes, sizeof(T));
  static_assert(std::endian::native == std::endian::little, "little-endian hosts only");
  return Value;
}

} // namespace

void TGReader::Read(void* Buffer, int64_t Count) {
  FStream.ReadBuffer(Buffer, Count);
}

uint8_t TGReader::ReadTag() {
  uint8_t Tag = 0;
  FStream.ReadBuffer(&Tag, 1);
  return Tag;
}

TGValueTag TGReader::NextValue() {
  uint8_t Tag = ReadTag();
  FStream.Seek(-1, soCurrent);
  return static_cast<TGValueTag>(Tag);
}

bool TGReader::EndOfStream() {
  uint8_t Tag = 0;
  if (FStream.Read(&Tag, 1) != 1) {
    return true;
  }
  FStream.Seek(-1, soCurrent);
  return false;
}

void TGReader::BadTag(uint8_t Tag) {
  throw EReadError(Format("Invalid value tag %d in binary value stream", {static_cast<int>(Tag)}));
}

int64_t TGReader::ReadIntegerPayload(uint8_t Tag) {
  unsigned char Bytes[8];
  switch (Tag) {
  case vaInt8:
    FStream.ReadBuffer(Bytes, 1);
    return static_cast<int8_t>(Bytes[0]);
  case vaInt16:
    FStream.ReadBuffer(Bytes, 2);
    return FromLittleEndian<int16_t>(Bytes);
  case vaInt32:
    FStream.ReadBuffer(Bytes, 4);
    return FromLittleEndian<int32_t>(Bytes);
  case vaInt64:
    FStream.ReadBuffer(Bytes, 8);
    return FromLittleEndian<int64_t>(Bytes);
  default:
    BadTag(Tag);
  }
}

int32_t TGReader::ReadInteger() {
  uint8_t Tag = ReadTag();
  if (Tag != vaInt8 && Tag != vaInt16 && Tag != vaInt32) {
    BadTag(Tag);
  }
  return static_cast<int32_t>(ReadIntegerPayload(Tag));
}

int64_t TGReader::ReadInt64() {
  uint8_t Tag = ReadTag();
  if (Tag != vaInt8 && Tag != vaInt16 && Tag != vaInt32 && Tag != vaInt64) {
    BadTag(Tag);
  }
  return ReadIntegerPayload(Tag);
}

float TGReader::ReadSingle() {
  uint8_t Tag = ReadTag();
  if (Tag == vaSingle) {
    unsigned char Bytes[4];
    FStream.ReadBuffer(Bytes, 4);
    return FromLittleEndian<float>(Bytes);
  }
  return static_cast<float>(ReadIntegerPayload(Tag));
}

bool TGReader::ReadBoolean() {
  uint8_t Tag = ReadTag();
  if (Tag != vaFalse && Tag != vaTrue) {
    BadTag(Tag);
  }
  return Tag == vaTrue;
}

int64_t TGReader::ReadLength() {
  unsigned char Bytes[4];
  FStream.ReadBuffer(Bytes, 4);
  return FromLittleEndian<int32_t>(Bytes);
}

std::string TGReader::ReadBytes(int64_t Count) {
  if (Count < 0) {
    throw EReadError("Negative length in binary value stream");
  }
  int64_t Left = -1;
  try {
    Left = FStream.Remaining();
  } catch (const EGException&) {
    Left = -1; // a stream that cannot tell its size: read piecewise below
  }
  if (Left >= 0 && Count > Left) {
    throw EReadError("Length beyond the end of the binary value stream");
  }
  // Grow in bounded steps so that a false length on a sizeless stream fails at its end instead
  // of allocating what it claims.
  std::string Out;
  constexpr int64_t Step = 1 << 20;
  while (static_cast<int64_t>(Out.size()) < Count) {
    size_t Old = Out.size();
    int64_t N = std::min(Step, Count - static_cast<int64_t>(Old));
    Out.resize(Old + static_cast<size_t>(N));
    FStream.ReadBuffer(Out.data() + Old, N);
  }
  return Out;
}

std::string TGReader::ReadString() {
  uint8_t Tag = ReadTag();
  switch (Tag) {
  case vaString: {
    uint8_t Len = 0;
    FStream.ReadBuffer(&Len, 1);
    return ReadBytes(Len);
  }
  case vaLString:
  case vaUTF8String:
    return ReadBytes(ReadLength());
  case vaWString: {
    int64_t Units = ReadLength();
    if (Units < 0 || Units > INT32_MAX / 2) {
      throw EReadError("Negative length in binary value stream");
    }
    std::string Raw = ReadBytes(Units * 2);
    std::u16string Wide(static_cast<size_t>(Units), u'\0');
    std::memcpy(Wide.data(), Raw.data(), Raw.size());
    return UTF16ToUTF8(Wide);
  }
  case vaBinary: {
    uint8_t LenTag = ReadTag();
    if (LenTag != vaInt8 && LenTag != vaInt16 && LenTag != vaInt32) {
      BadTag(LenTag);
    }
    return ReadBytes(ReadIntegerPayload(LenTag));
  }
  default:
    BadTag(Tag);
  }
}
