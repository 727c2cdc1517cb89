#include "graphics/UGBitmapCodecJPEG.h"

#include "base/UGError.h"

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jerror.h>
#include <jpeglib.h> // after <cstdio>: it needs FILE

// libjpeg reports failures by longjmp. Every function that calls setjmp is kept free of objects
// with destructors, and the C++ side (buffers, exceptions) lives in the callers, so a jump never
// skips a destructor and no exception crosses a C frame.

namespace {

struct TJpegError {
  jpeg_error_mgr Mgr;
  jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr Info) {
  auto* Err = reinterpret_cast<TJpegError*>(Info->err);
  Info->err->format_message(Info, Err->Message);
  std::longjmp(Err->Jump, 1);
}

// Warnings that mean the data is cut short or damaged end the decoding; the library would
// otherwise fill the rest of the picture with grey.
void JpegEmitMessage(j_common_ptr Info, int Level) {
  if (Level >= 0) {
    return;
  }
  int Code = Info->err->msg_code;
  if (Code == JWRN_JPEG_EOF || Code == JWRN_HIT_MARKER || Code == JWRN_MUST_RESYNC ||
      Code == JWRN_HUFF_BAD_CODE) {
    JpegErrorExit(Info);
  }
}

// Progressive pictures with absurd numbers of scans would take very long to decode.
void JpegProgress(j_common_ptr Info) {
  if (!Info->is_decompressor) {
    return;
  }
  auto* Decompress = reinterpret_cast<j_decompress_ptr>(Info);
  if (Decompress->input_scan_number > 500) {
    auto* Err = reinterpret_cast<TJpegError*>(Info->err);
    std::snprintf(Err->Message, sizeof(Err->Message), "Too many JPEG scans");
    std::longjmp(Err->Jump, 1);
  }
}

void SetupJpegErrors(TJpegError& Err) {
  jpeg_std_error(&Err.Mgr);
  Err.Mgr.error_exit = JpegErrorExit;
  Err.Mgr.emit_message = JpegEmitMessage;
  Err.Message[0] = 0;
}

bool JpegCreateDecompress(j_decompress_ptr Info, TJpegError* Err) {
  if (setjmp(Err->Jump)) {
    return false;
  }
  jpeg_create_decompress(Info);
  return true;
}

bool JpegReadHeader(j_decompress_ptr Info, TJpegError* Err, const unsigned char* Data,
                    unsigned long Size) {
  if (setjmp(Err->Jump)) {
    return false;
  }
  jpeg_mem_src(Info, Data, Size);
  jpeg_read_header(Info, TRUE);
  return true;
}

bool JpegStartDecompress(j_decompress_ptr Info, TJpegError* Err) {
  if (setjmp(Err->Jump)) {
    return false;
  }
  jpeg_start_decompress(Info);
  return true;
}

bool JpegReadRows(j_decompress_ptr Info, TJpegError* Err, unsigned char* Pixels, size_t Pitch) {
  if (setjmp(Err->Jump)) {
    return false;
  }
  while (Info->output_scanline < Info->output_height) {
    JSAMPROW Row = Pixels + Info->output_scanline * Pitch;
    jpeg_read_scanlines(Info, &Row, 1);
  }
  jpeg_finish_decompress(Info);
  return true;
}

bool JpegCompress(j_compress_ptr Info, TJpegError* Err, unsigned char** Buffer, unsigned long* Size,
                  int Width, int Height, const unsigned char* Pixels) {
  if (setjmp(Err->Jump)) {
    return false;
  }
  jpeg_create_compress(Info);
  jpeg_mem_dest(Info, Buffer, Size);
  Info->image_width = static_cast<JDIMENSION>(Width);
  Info->image_height = static_cast<JDIMENSION>(Height);
  Info->input_components = 4;
  Info->in_color_space = JCS_EXT_BGRA;
  jpeg_set_defaults(Info);
  jpeg_start_compress(Info, TRUE);
  while (Info->next_scanline < Info->image_height) {
    JSAMPROW Row = const_cast<unsigned char*>(Pixels) + Info->next_scanline * (size_t{4} * Width);
    jpeg_write_scanlines(Info, &Row, 1);
  }
  jpeg_finish_compress(Info);
  return true;
}

} // namespace

bool TGBitmapCodecJPEG::HasSignature(const unsigned char (&Head)[4]) const {
  return Head[0] == 0xFF && Head[1] == 0xD8 && Head[2] == 0xFF; // JFIF, Exif and plain alike
}

TGBitmapImage TGBitmapCodecJPEG::Decode(TGStream& Stream) const {
  std::string Holder;
  std::string_view Data = RestOfStream(Stream, Holder);
  if (Data.size() > ULONG_MAX) {
    throw Error("Invalid JPEG image: too large");
  }
  struct THolder {
    jpeg_decompress_struct Info;
    TJpegError Err;
    jpeg_progress_mgr Progress;
    ~THolder() { jpeg_destroy_decompress(&Info); }
  };
  auto H = std::make_unique<THolder>();
  std::memset(&H->Info, 0, sizeof(H->Info));
  SetupJpegErrors(H->Err);
  H->Info.err = &H->Err.Mgr;
  auto Fail = [&H]() {
    return Error("Invalid JPEG image: %s", MessageText(H->Err.Message, "decoding failed"));
  };
  if (!JpegCreateDecompress(&H->Info, &H->Err)) {
    throw Fail();
  }
  H->Progress = {};
  H->Progress.progress_monitor = JpegProgress;
  H->Info.progress = &H->Progress;
  if (!JpegReadHeader(&H->Info, &H->Err, reinterpret_cast<const unsigned char*>(Data.data()),
                      static_cast<unsigned long>(Data.size()))) {
    throw Fail();
  }
  CheckPictureSize(H->Info.image_width, H->Info.image_height, "JPEG");
  bool Cmyk = H->Info.jpeg_color_space == JCS_CMYK || H->Info.jpeg_color_space == JCS_YCCK;
  H->Info.out_color_space = Cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  if (!JpegStartDecompress(&H->Info, &H->Err)) {
    throw Fail();
  }
  if (H->Info.output_components != 4 || H->Info.output_width != H->Info.image_width ||
      H->Info.output_height != H->Info.image_height) {
    throw Error("Invalid JPEG image: unsupported colour layout");
  }
  TGBitmapImage Out;
  Out.Width = static_cast<int32_t>(H->Info.output_width);
  Out.Height = static_cast<int32_t>(H->Info.output_height);
  Out.Bits.resize(RawSize(Out.Width, Out.Height));
  auto* Pixels = reinterpret_cast<unsigned char*>(Out.Bits.data());
  if (!JpegReadRows(&H->Info, &H->Err, Pixels, RawSize(Out.Width, 1))) {
    throw Fail();
  }
  if (Cmyk) {
    // Adobe writes CMYK inverted (0 is full ink); others store plain ink amounts.
    bool Inverted = H->Info.saw_Adobe_marker;
    for (size_t I = 0; I < Out.Bits.size(); I += 4) {
      unsigned C = Pixels[I], M = Pixels[I + 1], Y = Pixels[I + 2], K = Pixels[I + 3];
      if (!Inverted) {
        C = 255 - C, M = 255 - M, Y = 255 - Y, K = 255 - K;
      }
      Pixels[I] = static_cast<unsigned char>(Y * K / 255);
      Pixels[I + 1] = static_cast<unsigned char>(M * K / 255);
      Pixels[I + 2] = static_cast<unsigned char>(C * K / 255);
      Pixels[I + 3] = 255;
    }
  }
  return Out;
}

void TGBitmapCodecJPEG::Encode(const TGBitmap& Bitmap, TGStream& Stream) const {
  const std::string Pixels = Bitmap.Bits();
  struct THolder {
    jpeg_compress_struct Info;
    TJpegError Err;
    unsigned char* Buffer = nullptr;
    unsigned long Size = 0;
    ~THolder() {
      jpeg_destroy_compress(&Info);
      std::free(Buffer);
    }
  };
  auto H = std::make_unique<THolder>();
  std::memset(&H->Info, 0, sizeof(H->Info));
  SetupJpegErrors(H->Err);
  H->Info.err = &H->Err.Mgr;
  if (!JpegCompress(&H->Info, &H->Err, &H->Buffer, &H->Size, Bitmap.Width(), Bitmap.Height(),
                    reinterpret_cast<const unsigned char*>(Pixels.data()))) {
    throw Error("Cannot write JPEG image: %s", MessageText(H->Err.Message, "encoding failed"));
  }
  Stream.WriteString(std::string_view(reinterpret_cast<const char*>(H->Buffer), H->Size));
}
