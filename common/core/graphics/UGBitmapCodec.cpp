#include "graphics/UGBitmapCodec.h"

#include "base/UGError.h"
#include "base/UGStrUtils.h"

#include <algorithm>
#include <cstdio>

void TGBitmapCodec::Encode(const TGBitmap& Bitmap, TGStream&) const {
  Bitmap.NotImplementedError();
}

void TGBitmapCodec::CopyMessage(char (&Dest)[CMessageSize], const char* Text) {
  std::snprintf(Dest, CMessageSize, "%s", Text ? Text : "");
}

std::string TGBitmapCodec::MessageText(const char* Text, const char* Fallback) {
  std::string S = Trim(Text ? Text : "");
  return S.empty() ? std::string(Fallback) : S;
}

std::string_view TGBitmapCodec::RestOfStream(TGStream& Stream, std::string& Holder) {
  if (auto* Memory = dynamic_cast<TGMemoryStream*>(&Stream)) {
    int64_t Pos = std::clamp<int64_t>(Memory->Position(), 0, Memory->GetSize());
    Memory->Seek(0, soEnd);
    return std::string_view(Memory->Data()).substr(static_cast<size_t>(Pos));
  }
  Holder = Stream.ReadAll();
  return Holder;
}

void TGBitmapCodec::CheckPictureSize(int64_t Width, int64_t Height, const char* Kind) {
  if (Width < 0 || Height < 0 || Width > TGBitmap::CMaxSide || Height > TGBitmap::CMaxSide ||
      Width * Height > TGBitmap::CMaxPixels) {
    throw Error("%s picture size %dx%d is not supported", Kind, Width, Height);
  }
}
