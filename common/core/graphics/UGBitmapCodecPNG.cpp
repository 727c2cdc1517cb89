#include "graphics/UGBitmapCodecPNG.h"

#include "base/UGError.h"

#include <cstring>
#include <vector>

#include <png.h>

// libpng reports failures by longjmp. Every function that calls setjmp is kept free of objects
// with destructors, and the C++ side (buffers, exceptions) lives in the callers, so a jump never
// skips a destructor and no exception crosses a C frame.

namespace {

struct TPngContext {
  const unsigned char* Data = nullptr; // reading
  size_t Size = 0;
  size_t Pos = 0;
  std::string* Out = nullptr; // writing
  char Message[TGBitmapCodec::CMessageSize] = {};
};

void PngError(png_structp Png, png_const_charp Text) {
  auto* Ctx = static_cast<TPngContext*>(png_get_error_ptr(Png));
  TGBitmapCodec::CopyMessage(Ctx->Message, Text);
  png_longjmp(Png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp Png, png_bytep Dest, size_t Count) {
  auto* Ctx = static_cast<TPngContext*>(png_get_io_ptr(Png));
  if (Count > Ctx->Size - Ctx->Pos) {
    png_error(Png, "Unexpected end of PNG data");
  }
  std::memcpy(Dest, Ctx->Data + Ctx->Pos, Count);
  Ctx->Pos += Count;
}

void PngWrite(png_structp Png, png_bytep Data, size_t Count) {
  auto* Ctx = static_cast<TPngContext*>(png_get_io_ptr(Png));
  bool Ok = true;
  try {
    Ctx->Out->append(reinterpret_cast<const char*>(Data), Count);
  } catch (...) {
    Ok = false;
  }
  if (!Ok) {
    png_error(Png, "Out of memory");
  }
}

void PngFlush(png_structp) {}

struct TPngHeader {
  png_uint_32 Width = 0;
  png_uint_32 Height = 0;
  size_t SourceRowBytes = 0;
  size_t RowBytes = 0;
};

// Reads the header and sets up the conversion of any colour type and depth to B, G, R, A.
bool PngReadHeader(png_structp Png, png_infop Info, TPngHeader* Header) {
  if (setjmp(png_jmpbuf(Png))) {
    return false;
  }
  png_read_info(Png, Info);
  int Depth = png_get_bit_depth(Png, Info);
  int ColorType = png_get_color_type(Png, Info);
  Header->Width = png_get_image_width(Png, Info);
  Header->Height = png_get_image_height(Png, Info);
  Header->SourceRowBytes = png_get_rowbytes(Png, Info);
  bool HasTrns = png_get_valid(Png, Info, PNG_INFO_tRNS) != 0;
  if (ColorType == PNG_COLOR_TYPE_PALETTE) {
    png_set_palette_to_rgb(Png);
  }
  if ((ColorType & PNG_COLOR_MASK_COLOR) == 0 && Depth < 8) {
    png_set_expand_gray_1_2_4_to_8(Png);
  }
  if (HasTrns) {
    png_set_tRNS_to_alpha(Png);
  }
  if (Depth == 16) {
    png_set_scale_16(Png);
  }
  if ((ColorType & PNG_COLOR_MASK_COLOR) == 0) {
    png_set_gray_to_rgb(Png);
  }
  png_set_bgr(Png);
  if ((ColorType & PNG_COLOR_MASK_ALPHA) == 0 && !HasTrns) {
    png_set_filler(Png, 0xFF, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(Png);
  png_read_update_info(Png, Info);
  Header->RowBytes = png_get_rowbytes(Png, Info);
  return true;
}

bool PngReadImage(png_structp Png, png_bytepp Rows) {
  if (setjmp(png_jmpbuf(Png))) {
    return false;
  }
  png_read_image(Png, Rows);
  png_read_end(Png, nullptr);
  return true;
}

bool PngWriteImage(png_structp Png, png_infop Info, png_uint_32 Width, png_uint_32 Height,
                   png_bytepp Rows) {
  if (setjmp(png_jmpbuf(Png))) {
    return false;
  }
  png_set_IHDR(Png, Info, Width, Height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(Png, Info);
  png_set_bgr(Png);
  png_write_image(Png, Rows);
  png_write_end(Png, nullptr);
  return true;
}

std::vector<png_bytep> RowPointers(const char* Pixels, int32_t Width, int32_t Height) {
  std::vector<png_bytep> Rows(static_cast<size_t>(Height));
  for (int32_t Y = 0; Y < Height; ++Y) {
    Rows[static_cast<size_t>(Y)] =
        reinterpret_cast<png_bytep>(const_cast<char*>(Pixels)) + TGBitmapCodec::RawSize(Width, Y);
  }
  return Rows;
}

} // namespace

bool TGBitmapCodecPNG::HasSignature(const unsigned char (&Head)[4]) const {
  return Head[0] == 0x89 && Head[1] == 0x50 && Head[2] == 0x4E && Head[3] == 0x47;
}

TGBitmapImage TGBitmapCodecPNG::Decode(TGStream& Stream) const {
  std::string Holder;
  std::string_view Data = RestOfStream(Stream, Holder);
  TPngContext Ctx;
  Ctx.Data = reinterpret_cast<const unsigned char*>(Data.data());
  Ctx.Size = Data.size();
  struct THolder {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    ~THolder() { png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr); }
  } H;
  H.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &Ctx, PngError, PngWarning);
  if (H.Png) {
    H.Info = png_create_info_struct(H.Png);
  }
  if (!H.Png || !H.Info) {
    throw Error("Cannot create the PNG decoder");
  }
  png_set_read_fn(H.Png, &Ctx, PngRead);
  png_set_user_limits(H.Png, TGBitmap::CMaxSide, TGBitmap::CMaxSide);
  TPngHeader Header;
  if (!PngReadHeader(H.Png, H.Info, &Header)) {
    throw Error("Invalid PNG image: %s", MessageText(Ctx.Message, "decoding failed"));
  }
  CheckPictureSize(Header.Width, Header.Height, "PNG");
  // Deflate shrinks data at most about 1032 times: a picture whose rows cannot come from the
  // bytes at hand is refused before its pixels are allocated.
  if (static_cast<double>(Header.Height) * static_cast<double>(Header.SourceRowBytes) >
      static_cast<double>(Data.size()) * 1032.0 + 65536.0) {
    throw Error("Invalid PNG image: the data is too short for %dx%d pixels",
                static_cast<int64_t>(Header.Width), static_cast<int64_t>(Header.Height));
  }
  TGBitmapImage Out;
  Out.Width = static_cast<int32_t>(Header.Width);
  Out.Height = static_cast<int32_t>(Header.Height);
  if (Header.RowBytes != static_cast<size_t>(Out.Width) * 4) {
    throw Error("Invalid PNG image: unexpected row size");
  }
  Out.Bits.resize(RawSize(Out.Width, Out.Height));
  std::vector<png_bytep> Rows = RowPointers(Out.Bits.data(), Out.Width, Out.Height);
  if (!PngReadImage(H.Png, Rows.data())) {
    throw Error("Invalid PNG image: %s", MessageText(Ctx.Message, "decoding failed"));
  }
  return Out;
}

void TGBitmapCodecPNG::Encode(const TGBitmap& Bitmap, TGStream& Stream) const {
  std::string Raw = Bitmap.Bits();
  std::string Out;
  TPngContext Ctx;
  Ctx.Out = &Out;
  struct THolder {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    ~THolder() { png_destroy_write_struct(&Png, Info ? &Info : nullptr); }
  } H;
  H.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &Ctx, PngError, PngWarning);
  if (H.Png) {
    H.Info = png_create_info_struct(H.Png);
  }
  if (!H.Png || !H.Info) {
    throw Error("Cannot create the PNG encoder");
  }
  png_set_write_fn(H.Png, &Ctx, PngWrite, PngFlush);
  std::vector<png_bytep> Rows = RowPointers(Raw.data(), Bitmap.Width(), Bitmap.Height());
  if (!PngWriteImage(H.Png, H.Info, static_cast<png_uint_32>(Bitmap.Width()),
                     static_cast<png_uint_32>(Bitmap.Height()), Rows.data())) {
    throw Error("Cannot write PNG image: %s", MessageText(Ctx.Message, "encoding failed"));
  }
  Stream.WriteString(Out);
}
