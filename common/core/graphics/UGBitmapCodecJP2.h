// JPEG 2000 through OpenJPEG: JP2 boxes or a bare codestream, one to four components of any
// precision and subsampling, read as B, G, R, A. Only read: writing raises the bitmap's
// not-implemented error.
#pragma once

#include "graphics/UGBitmapCodec.h"

class TGBitmapCodecJP2 final : public TGBitmapCodec {
public:
  std::string_view Extension() const override { return ".jp2"; }
  bool HasSignature(const unsigned char (&Head)[4]) const override;
  TGBitmapImage Decode(TGStream& Stream) const override;
};
