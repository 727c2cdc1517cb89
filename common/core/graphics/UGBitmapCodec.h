// The common interface of the picture formats a bitmap reads and writes. Each format is one codec
// in a unit of its own (UGBitmapCodecPNG, UGBitmapCodecJPEG, UGBitmapCodecJP2, UGBitmapCodecSpr),
// the only unit that includes its library; TGBitmap picks the codec by signature or extension.
// Codecs hold no state: one instance of each serves every thread.
#pragma once

#include "graphics/UGBitmap.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A picture as a codec read it, not yet taken over by a bitmap.
struct TGBitmapImage {
  int32_t Width = 0;
  int32_t Height = 0;
  std::string Bits; // as TGBitmap::StoredBits, in DataState
  TGBitmapDataState DataState = bdsNone;
};

class TGBitmapCodec {
public:
  // The lower-case file extension that selects the codec for writing (".png").
  virtual std::string_view Extension() const = 0;
  // Whether a stream that starts with these four bytes is in this format.
  virtual bool HasSignature(const unsigned char (&Head)[4]) const = 0;
  // True when the format stores the bitmap's data state, which loading then keeps; other
  // formats give raw pixels, and the bitmap re-applies its previous Compressed setting.
  virtual bool KeepsDataState() const { return false; }
  // Reads one picture from the stream's position; raises an engine error for bad data. Nothing
  // is allocated for sizes that TGBitmap::CMaxSide and CMaxPixels refuse.
  virtual TGBitmapImage Decode(TGStream& Stream) const = 0;
  // Writes the bitmap. The base is for formats that are only read: the bitmap's
  // not-implemented error.
  virtual void Encode(const TGBitmap& Bitmap, TGStream& Stream) const;

  // What the codecs share.
  static constexpr size_t CMessageSize = 256;
  // Keeps a C library's message in a buffer of the decoder's, for the error raised after it
  // returned (no exception may cross the library's frames).
  static void CopyMessage(char (&Dest)[CMessageSize], const char* Text);
  // The message of a decoder without its trailing line break, or Fallback when it gave none.
  static std::string MessageText(const char* Text, const char* Fallback);
  // The bytes from the stream's position to its end; a memory stream lends its own bytes.
  static std::string_view RestOfStream(TGStream& Stream, std::string& Holder);
  // Refuses sizes that no loader accepts, before anything is allocated for them.
  static void CheckPictureSize(int64_t Width, int64_t Height, const char* Kind);
  static size_t RawSize(int32_t Width, int32_t Height) {
    return static_cast<size_t>(Width) * static_cast<size_t>(Height) * 4;
  }

protected:
  // Codecs are constant objects that live as long as the program and are never deleted through
  // this interface; a trivial destructor keeps them free of exit-time destruction.
  ~TGBitmapCodec() = default;
};
