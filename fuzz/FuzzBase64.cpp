// Decoding arbitrary text must fail cleanly or give bytes that encode and decode back.
#include "base/UGBase64.h"
#include "base/UGError.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::string Decoded;
  try {
    Decoded = Base64ToStr(std::string_view(reinterpret_cast<const char*>(Data), Size));
  } catch (const EGException&) {
    return 0;
  }
  if (!Decoded.empty() && Base64ToStr(StrToBase64(Decoded)) != Decoded) {
    std::abort();
  }
  return 0;
}
