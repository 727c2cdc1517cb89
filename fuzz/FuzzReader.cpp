// Reading arbitrary bytes as binary values must end in values or a read error.
#include "base/UGError.h"
#include "io/UGReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TGMemoryStream Stream(std::string(reinterpret_cast<const char*>(Data), Size));
  TGReader Reader(Stream);
  try {
    while (!Reader.EndOfStream()) {
      switch (Reader.NextValue()) {
      case vaInt8:
      case vaInt16:
      case vaInt32:
        Reader.ReadInteger();
        break;
      case vaInt64:
        Reader.ReadInt64();
        break;
      case vaSingle:
        Reader.ReadSingle();
        break;
      case vaFalse:
      case vaTrue:
        Reader.ReadBoolean();
        break;
      default:
        Reader.ReadString();
      }
    }
  } catch (const EGException&) {
  }
  return 0;
}
