// Decoding arbitrary bytes as a picture must end in a picture or an engine error. One source
// serves the four picture formats; HOE_FUZZ_FORMAT picks the loader (1 PNG, 2 JPEG, 3 JPEG 2000,
// 4 ".spr"). A decoded picture is also compressed and written back as ".spr" and read again.
#include "base/UGError.h"
#include "graphics/UGBitmap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TGMemoryStream Stream(std::string(reinterpret_cast<const char*>(Data), Size));
  TGObjectPtr<TGBitmap> Bitmap(New<TGBitmap>());
  try {
#if HOE_FUZZ_FORMAT == 1
    Bitmap->LoadPng(Stream);
#elif HOE_FUZZ_FORMAT == 2
    Bitmap->LoadJpg(Stream);
#elif HOE_FUZZ_FORMAT == 3
    Bitmap->LoadJp2(Stream);
#else
    Bitmap->LoadSpr(Stream);
#endif
  } catch (const EGException&) {
    return 0;
  }
  size_t Raw = static_cast<size_t>(Bitmap->Width()) * static_cast<size_t>(Bitmap->Height()) * 4;
  std::string Bits = Bitmap->Bits();
  if (Bits.size() != Raw) {
    std::abort();
  }
  Bitmap->SetCompressed(true);
  TGMemoryStream Spr;
  Bitmap->SaveSpr(Spr);
  Spr.SetPosition(0);
  TGObjectPtr<TGBitmap> Back(New<TGBitmap>());
  Back->LoadFromStream(Spr);
  if (Back->Bits() != Bits) {
    std::abort();
  }
  return 0;
}
