// Tags of the binary value stream read by TGReader and written by TGWriter.
#pragma once

#include <cstdint>

enum TGValueTag : uint8_t {
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaString = 6,   // 1 length byte, then the bytes
  vaFalse = 8,    // no payload
  vaTrue = 9,     // no payload
  vaBinary = 10,  // an integer value giving the length, then the bytes
  vaLString = 12, // 4-byte length, then the bytes
  vaSingle = 15,  // IEEE 754 single
  vaWString = 18, // 4-byte length in UTF-16 code units, then the code units
  vaInt64 = 19,
  vaUTF8String = 20, // 4-byte length, then the bytes
};
