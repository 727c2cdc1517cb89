#include "io/UGCRC32.h"

#include <zlib.h>

#include <limits>

namespace {

constexpr size_t CBlock = 2048;

} // namespace

uint32_t CRC32Update(const void* Buffer, size_t Length, uint32_t Crc) {
  // zlib works on the complemented value; the engine's running value is the raw register.
  const auto* Bytes = static_cast<const Bytef*>(Buffer);
  uLong Z = ~Crc & 0xFFFFFFFFu;
  while (Length > 0) {
    const auto Step = static_cast<uInt>(std::min<size_t>(Length, std::numeric_limits<uInt>::max()));
    Z = crc32(Z, Bytes, Step);
    Bytes += Step;
    Length -= Step;
  }
  return ~static_cast<uint32_t>(Z);
}

uint32_t CRC32UpdateStream(TGStream& Stream, uint32_t Crc) {
  char Block[CBlock];
  for (;;) {
    const int64_t Got = Stream.Read(Block, static_cast<int64_t>(CBlock));
    if (Got > 0) {
      Crc = CRC32Update(Block, static_cast<size_t>(Got), Crc);
    }
    if (Got < static_cast<int64_t>(CBlock)) {
      return Crc;
    }
  }
}

uint32_t CRC32Stream(TGStream& Stream) {
  return ~CRC32UpdateStream(Stream, 0xFFFFFFFFu);
}

uint32_t CRC32File(const std::string& FileName) {
  TGFileStream File(FileName, fmOpenRead | fmShareDenyNone);
  return CRC32Stream(File);
}

uint32_t CRC32String(const std::string& Bytes) {
  return ~CRC32Update(Bytes.data(), Bytes.size(), 0xFFFFFFFFu);
}
