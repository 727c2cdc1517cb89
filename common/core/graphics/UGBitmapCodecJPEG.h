// JPEG through libjpeg: JFIF, Exif and plain streams, grey, colour and CMYK, read as opaque
// B, G, R, A; pictures are written with the library's default quality, alpha dropped.
#pragma once

#include "graphics/UGBitmapCodec.h"

class TGBitmapCodecJPEG final : public TGBitmapCodec {
public:
  std::string_view Extension() const override { return ".jpg"; }
  bool HasSignature(const unsigned char (&Head)[4]) const override;
  TGBitmapImage Decode(TGStream& Stream) const override;
  void Encode(const TGBitmap& Bitmap, TGStream& Stream) const override;
};
