#include "graphics/UGBitmapCompression.h"

#include "base/UGError.h"

#include <algorithm>
#include <climits>

#include <zlib.h>

namespace {

// Inflates Data, which must give exactly Size bytes and end there. Out receives the bytes; with
// Out null the stream is only checked (in a small scratch buffer).
void InflateExact(std::string_view Data, char* Out, size_t Size) {
  if (Data.size() > UINT_MAX) {
    throw Error("Corrupt compressed picture data");
  }
  z_stream Z{};
  if (inflateInit(&Z) != Z_OK) {
    throw Error("Cannot initialise the zlib decompressor");
  }
  struct TEnd {
    z_stream* Z;
    ~TEnd() { inflateEnd(Z); }
  } End{&Z};
  Z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data.data()));
  Z.avail_in = static_cast<uInt>(Data.size());
  char Scratch[64 * 1024];
  size_t Done = 0;
  while (true) {
    char* Dest = Scratch;
    size_t Room = 1; // anything beyond Size is too much
    if (Done < Size) {
      Dest = Out ? Out + Done : Scratch;
      Room = Out ? Size - Done : std::min(sizeof(Scratch), Size - Done);
    }
    Room = std::min<size_t>(Room, UINT_MAX);
    Z.next_out = reinterpret_cast<Bytef*>(Dest);
    Z.avail_out = static_cast<uInt>(Room);
    int Result = inflate(&Z, Z_NO_FLUSH);
    Done += Room - Z.avail_out;
    if (Done > Size) {
      throw Error("Corrupt compressed picture data: more than %d bytes",
                  static_cast<int64_t>(Size));
    }
    if (Result == Z_STREAM_END) {
      break;
    }
    if (Result == Z_BUF_ERROR && Z.avail_in == 0) {
      throw Error("Corrupt compressed picture data: unexpected end");
    }
    if (Result != Z_OK) {
      throw Error("Corrupt compressed picture data: %s", Z.msg ? Z.msg : "zlib error");
    }
  }
  if (Done != Size) {
    throw Error("Corrupt compressed picture data: %d bytes instead of %d",
                static_cast<int64_t>(Done), static_cast<int64_t>(Size));
  }
  if (Z.avail_in != 0) {
    throw Error("Corrupt compressed picture data: data after the end");
  }
}

} // namespace

std::string DeflateBits(std::string_view Raw) {
  uLongf Length = compressBound(static_cast<uLong>(Raw.size()));
  std::string Packed(Length, '\0');
  if (compress2(reinterpret_cast<Bytef*>(Packed.data()), &Length,
                reinterpret_cast<const Bytef*>(Raw.data()), static_cast<uLong>(Raw.size()),
                Z_BEST_SPEED) != Z_OK) {
    throw Error("Cannot compress the bitmap");
  }
  Packed.resize(Length);
  return Packed;
}

std::string InflateBits(std::string_view Packed, size_t Size) {
  std::string Out(Size, '\0');
  InflateExact(Packed, Out.data(), Size);
  return Out;
}

void CheckInflatedBits(std::string_view Packed, size_t Size) {
  InflateExact(Packed, nullptr, Size);
}
