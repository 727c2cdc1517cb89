#include "io/UGZlib.h"

#include "base/UGError.h"

#include <zlib.h>

#include <limits>

std::string ZCompress(std::string_view Data, int Level) {
  if (Data.size() > std::numeric_limits<uLong>::max() / 2) {
    throw EWriteError("Data too large to compress");
  }
  uLongf Size = compressBound(static_cast<uLong>(Data.size()));
  std::string Out(Size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(Out.data()), &Size,
                reinterpret_cast<const Bytef*>(Data.data()), static_cast<uLong>(Data.size()),
                Level) != Z_OK) {
    throw EWriteError("Compression failed");
  }
  Out.resize(Size);
  return Out;
}

std::string ZDecompress(std::string_view Stream, size_t MaxSize) {
  z_stream Z{};
  if (inflateInit(&Z) != Z_OK) {
    throw EReadError("Cannot start decompressing");
  }
  std::string Out;
  char Buffer[16384];
  Z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Stream.data()));
  Z.avail_in = static_cast<uInt>(std::min<size_t>(Stream.size(), std::numeric_limits<uInt>::max()));
  int Result = Z_OK;
  while (Result != Z_STREAM_END) {
    Z.next_out = reinterpret_cast<Bytef*>(Buffer);
    Z.avail_out = sizeof Buffer;
    Result = inflate(&Z, Z_NO_FLUSH);
    if (Result != Z_OK && Result != Z_STREAM_END) {
      inflateEnd(&Z);
      throw EReadError("The compressed data is damaged");
    }
    Out.append(Buffer, sizeof Buffer - Z.avail_out);
    if (Out.size() > MaxSize) {
      inflateEnd(&Z);
      throw EReadError("The compressed data is too large");
    }
    if (Result == Z_OK && Z.avail_in == 0 && Z.avail_out != 0) {
      inflateEnd(&Z);
      throw EReadError("The compressed data ends too early");
    }
  }
  inflateEnd(&Z);
  return Out;
}
