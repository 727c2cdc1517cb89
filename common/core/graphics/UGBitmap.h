// Pictures in memory: 32-bit pixels (TGColor, bytes B, G, R, A), rows from the top, optionally
// kept zlib-compressed. Reads PNG, JPEG, JPEG 2000 and the engine's own ".spr" format; writes PNG,
// JPEG and ".spr", each format through its codec (UGBitmapCodec.h). Decoding touches no device
// state, so it runs on any thread.
#pragma once

#include "io/UGStream.h"
#include "math/UGColor.h"
#include "object/UGObject.h"

#include <cstdint>
#include <string>
#include <string_view>

class TGBitmapCodec;

enum TGBitmapDataState {
  bdsNone = 0,       // raw pixels
  bdsFaked = 1,      // marked compressed, stored raw (compression would not pay)
  bdsCompressed = 2, // stored as a zlib stream of the raw pixels
};

class TGBitmap : public TGObject {
  G_CLASS(TGBitmap, TGObject)
  explicit TGBitmap(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  // Pictures larger than this many pixels on a side are refused by every loader.
  static constexpr int32_t CMaxSide = 16384;
  // Pictures with more pixels than this are refused as well (256 MB of raw pixels).
  static constexpr int64_t CMaxPixels = int64_t{8192} * 8192;

  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  TGBitmapDataState DataState() const { return FDataState; }
  // No effect when unchanged; otherwise raw pixels of the new size (contents not defined).
  void SetSize(int32_t AWidth, int32_t AHeight);
  void SetWidth(int32_t Value) { SetSize(Value, FHeight); }
  void SetHeight(int32_t Value) { SetSize(FWidth, Value); }

  bool Compressed() const { return FDataState != bdsNone; }
  // True compresses raw pixels when that saves at least 8,192 bytes and 5 % (otherwise marks
  // them bdsFaked); false inflates compressed pixels in place.
  void SetCompressed(bool Value);

  // The raw pixels (a decompressed copy when compressed).
  std::string Bits() const;
  // The stored byte string, as held (compressed when bdsCompressed).
  const std::string& StoredBits() const { return FBits; }
  // Writable raw pixels; a compressed bitmap is inflated in place first (state bdsNone).
  TGColor* ScanLine(int32_t Y);
  // 0 outside the bitmap; a compressed bitmap is inflated in place first.
  TGColor GetPixel(int32_t X, int32_t Y);
  void SetPixel(int32_t X, int32_t Y, TGColor Value);

  // Loads by the first four bytes; "Unknown format" for anything else. Keeps the previous
  // Compressed setting (re-applied after loading, except for ".spr", which keeps its own).
  void LoadFromStream(TGStream& Stream);
  void LoadFromFile(const std::string& FileName);
  void LoadPng(TGStream& Stream);
  void LoadJpg(TGStream& Stream);
  void LoadJp2(TGStream& Stream);
  void LoadSpr(TGStream& Stream);

  // By the lower-cased extension: ".spr", ".png", ".jpg"; ".jp2" is not implemented;
  // anything else is "Unknown format: %s".
  void SaveToStream(TGStream& Stream, std::string_view Ext) const;
  void SaveToFile(const std::string& FileName) const;
  void SavePng(TGStream& Stream) const;
  void SaveJpg(TGStream& Stream) const;
  void SaveSpr(TGStream& Stream) const;

  // Copies size, bits and state.
  void AssignTo(TGObject* Dest) const override;

private:
  // Decodes with Codec and takes the picture over; re-applies the previous Compressed setting
  // unless the format keeps its own data state.
  void Load(const TGBitmapCodec& Codec, TGStream& Stream);

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  std::string FBits;
  TGBitmapDataState FDataState = bdsNone;
};

// Grey value of a pixel as the grey texture pages show it: (R*76) div 256 + (G*151) div 256 +
// (B*28) div 256, alpha kept.
TGColor GrayscalePixel(TGColor Pixel);
