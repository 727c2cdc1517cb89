// The engine's own ".spr": the signature ".SPR", then width, height and data state as integers
// and the stored pixel bytes as a string, all in the binary writer's format. It keeps the
// bitmap's data state, so a compressed bitmap is written and read back without repacking.
#pragma once

#include "graphics/UGBitmapCodec.h"

class TGBitmapCodecSpr final : public TGBitmapCodec {
public:
  std::string_view Extension() const override { return ".spr"; }
  bool HasSignature(const unsigned char (&Head)[4]) const override;
  bool KeepsDataState() const override { return true; }
  TGBitmapImage Decode(TGStream& Stream) const override;
  void Encode(const TGBitmap& Bitmap, TGStream& Stream) const override;
};
