// PNG through libpng: any colour type and depth is read as B, G, R, A (opaque where the file has
// no alpha and no transparent colour); pictures are written as 8-bit RGBA.
#pragma once

#include "graphics/UGBitmapCodec.h"

class TGBitmapCodecPNG final : public TGBitmapCodec {
public:
  std::string_view Extension() const override { return ".png"; }
  bool HasSignature(const unsigned char (&Head)[4]) const override;
  TGBitmapImage Decode(TGStream& Stream) const override;
  void Encode(const TGBitmap& Bitmap, TGStream& Stream) const override;
};
