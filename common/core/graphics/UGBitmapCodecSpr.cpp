#include "graphics/UGBitmapCodecSpr.h"

#include "base/UGError.h"
#include "graphics/UGBitmapCompression.h"
#include "io/UGReader.h"
#include "io/UGWriter.h"

#include <cstring>

bool TGBitmapCodecSpr::HasSignature(const unsigned char (&Head)[4]) const {
  return std::memcmp(Head, ".SPR", 4) == 0;
}

TGBitmapImage TGBitmapCodecSpr::Decode(TGStream& Stream) const {
  // Checked here as well: TGBitmap::LoadSpr reads any stream with this codec.
  char Sig[4] = {};
  if (Stream.Read(Sig, 4) != 4 || std::memcmp(Sig, ".SPR", 4) != 0) {
    throw Error("Unknown format");
  }
  TGReader Reader(Stream);
  int32_t W = Reader.ReadInteger();
  int32_t H = Reader.ReadInteger();
  int32_t State = Reader.ReadInteger();
  CheckPictureSize(W, H, ".spr");
  if (State < bdsNone || State > bdsCompressed) {
    throw Error("Invalid .spr data state %d", State);
  }
  if (Reader.NextValue() == vaWString) {
    throw Error("Invalid .spr pixel data");
  }
  TGBitmapImage Out;
  Out.Bits = Reader.ReadString();
  size_t Size = RawSize(W, H);
  // Compressed pixels are inflated once to check them, and kept as they are.
  if (State == bdsCompressed) {
    CheckInflatedBits(Out.Bits, Size);
  } else if (Out.Bits.size() != Size) {
    throw Error("Invalid .spr pixel data: %d bytes for %dx%d pixels",
                static_cast<int64_t>(Out.Bits.size()), W, H);
  }
  Out.Width = W;
  Out.Height = H;
  Out.DataState = static_cast<TGBitmapDataState>(State);
  return Out;
}

void TGBitmapCodecSpr::Encode(const TGBitmap& Bitmap, TGStream& Stream) const {
  Stream.WriteString(".SPR");
  TGWriter Writer(Stream);
  Writer.WriteInteger(Bitmap.Width());
  Writer.WriteInteger(Bitmap.Height());
  Writer.WriteInteger(Bitmap.DataState());
  Writer.WriteString(Bitmap.StoredBits());
}
