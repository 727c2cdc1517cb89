#include "graphics/UGBitmap.h"

#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "graphics/UGBitmapCodecJP2.h"
#include "graphics/UGBitmapCodecJPEG.h"
#include "graphics/UGBitmapCodecPNG.h"
#include "graphics/UGBitmapCodecSpr.h"
#include "graphics/UGBitmapCompression.h"
#include "object/UGClassBuilder.h"

#include <utility>

G_IMPLEMENT_CLASS(TGBitmap)

namespace {

size_t RawSize(int32_t Width, int32_t Height) {
  return static_cast<size_t>(Width) * static_cast<size_t>(Height) * 4;
}

// One instance of each codec serves every bitmap: they hold no state.
constexpr TGBitmapCodecJPEG CodecJPEG;
constexpr TGBitmapCodecJP2 CodecJP2;
constexpr TGBitmapCodecPNG CodecPNG;
constexpr TGBitmapCodecSpr CodecSpr;

// In the order LoadFromStream tries their signatures; no two formats share one.
constexpr const TGBitmapCodec* CCodecs[] = {&CodecJPEG, &CodecJP2, &CodecPNG, &CodecSpr};

} // namespace

// -----------------------------------------------------------------------------------------------
// TGBitmap

void TGBitmap::SetSize(int32_t AWidth, int32_t AHeight) {
  if (AWidth == FWidth && AHeight == FHeight) {
    return;
  }
  if (AWidth < 0 || AHeight < 0) {
    throw Error("Invalid bitmap size %dx%d", AWidth, AHeight);
  }
  FBits.resize(RawSize(AWidth, AHeight));
  FWidth = AWidth;
  FHeight = AHeight;
  FDataState = bdsNone;
}

void TGBitmap::SetCompressed(bool Value) {
  if (!Value) {
    if (FDataState == bdsCompressed) {
      FBits = InflateBits(FBits, RawSize(FWidth, FHeight));
    }
    FDataState = bdsNone;
    return;
  }
  if (FDataState != bdsNone) {
    return;
  }
  if (FBits.size() <= 16383) {
    FDataState = bdsFaked;
    return;
  }
  std::string Packed = DeflateBits(FBits);
  double Raw = static_cast<double>(FBits.size());
  double Length = static_cast<double>(Packed.size());
  if (Raw - Length < 8192 || Length / Raw > 0.95) {
    FDataState = bdsFaked;
    return;
  }
  FBits = std::move(Packed);
  FDataState = bdsCompressed;
}

std::string TGBitmap::Bits() const {
  if (FDataState == bdsCompressed) {
    return InflateBits(FBits, RawSize(FWidth, FHeight));
  }
  return FBits;
}

TGColor* TGBitmap::ScanLine(int32_t Y) {
  if (Y < 0 || Y >= FHeight) {
    throw ERangeError(Format("Scan line index out of range (%d)", {Y}));
  }
  if (FDataState == bdsCompressed) {
    SetCompressed(false);
  }
  return reinterpret_cast<TGColor*>(FBits.data() + RawSize(FWidth, Y));
}

TGColor TGBitmap::GetPixel(int32_t X, int32_t Y) {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) {
    return 0;
  }
  return ScanLine(Y)[X];
}

void TGBitmap::SetPixel(int32_t X, int32_t Y, TGColor Value) {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) {
    return;
  }
  ScanLine(Y)[X] = Value;
}

void TGBitmap::AssignTo(TGObject* Dest) const {
  auto* Target = dynamic_cast<TGBitmap*>(Dest);
  if (!Target) {
    inherited::AssignTo(Dest);
    return;
  }
  if (Target == this) {
    return;
  }
  Target->FWidth = FWidth;
  Target->FHeight = FHeight;
  Target->FBits = FBits;
  Target->FDataState = FDataState;
}

void TGBitmap::Load(const TGBitmapCodec& Codec, TGStream& Stream) {
  // Decoded in full first: a failure leaves the bitmap as it was.
  TGBitmapImage Image = Codec.Decode(Stream);
  bool Recompress = Compressed() && !Codec.KeepsDataState();
  FWidth = Image.Width;
  FHeight = Image.Height;
  FBits = std::move(Image.Bits);
  FDataState = Image.DataState;
  if (Recompress) {
    SetCompressed(true);
  }
}

void TGBitmap::LoadFromStream(TGStream& Stream) {
  unsigned char Head[4] = {};
  int64_t Got = Stream.Read(Head, 4);
  Stream.Seek(0, soBeginning);
  if (Got < 4) {
    throw Error("Unknown format");
  }
  for (const TGBitmapCodec* Codec : CCodecs) {
    if (Codec->HasSignature(Head)) {
      Load(*Codec, Stream);
      return;
    }
  }
  throw Error("Unknown format");
}

void TGBitmap::LoadFromFile(const std::string& FileName) {
  TGFileStream File(FileName, fmOpenRead | fmShareDenyWrite);
  try {
    LoadFromStream(File);
  } catch (const EGException& E) {
    throw Error("%s: %s", FileName, E.Text());
  }
}

void TGBitmap::LoadPng(TGStream& Stream) {
  Load(CodecPNG, Stream);
}

void TGBitmap::LoadJpg(TGStream& Stream) {
  Load(CodecJPEG, Stream);
}

void TGBitmap::LoadJp2(TGStream& Stream) {
  Load(CodecJP2, Stream);
}

void TGBitmap::LoadSpr(TGStream& Stream) {
  Load(CodecSpr, Stream);
}

void TGBitmap::SaveToStream(TGStream& Stream, std::string_view Ext) const {
  std::string Lower = LowerCase(Ext);
  for (const TGBitmapCodec* Codec : CCodecs) {
    if (Lower == Codec->Extension()) {
      Codec->Encode(*this, Stream);
      return;
    }
  }
  throw Error("Unknown format: %s", Ext);
}

void TGBitmap::SaveToFile(const std::string& FileName) const {
  // Encoded first, so that a failure leaves no half-written file behind.
  TGMemoryStream Encoded;
  SaveToStream(Encoded, ExtractFileExt(FileName));
  TGFileStream File(FileName, fmCreate);
  File.WriteString(Encoded.Data());
}

void TGBitmap::SavePng(TGStream& Stream) const {
  CodecPNG.Encode(*this, Stream);
}

void TGBitmap::SaveJpg(TGStream& Stream) const {
  CodecJPEG.Encode(*this, Stream);
}

void TGBitmap::SaveSpr(TGStream& Stream) const {
  CodecSpr.Encode(*this, Stream);
}

TGColor GrayscalePixel(TGColor Pixel) {
  uint8_t Grey =
      static_cast<uint8_t>(Pixel.R * 76 / 256 + Pixel.G * 151 / 256 + Pixel.B * 28 / 256);
  TGColor Out = Pixel;
  Out.R = Out.G = Out.B = Grey;
  return Out;
}
