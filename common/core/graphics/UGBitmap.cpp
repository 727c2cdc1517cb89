#include "graphics/UGBitmap.h"

#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "io/UGReader.h"
#include "io/UGWriter.h"
#include "object/UGClassBuilder.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <jerror.h>
#include <jpeglib.h> // after <cstdio>: it needs FILE
#include <openjpeg.h>
#include <png.h>
#include <zlib.h>

G_IMPLEMENT_CLASS(TGBitmap)

// The decoders below are C libraries that report failures by longjmp. Every function that calls
// setjmp is kept free of objects with destructors, and the C++ side (buffers, exceptions) lives in
// the callers, so a jump never skips a destructor and no exception crosses a C frame.

namespace {

constexpr size_t CMessageSize = 256;

void CopyMessage(char (&Dest)[CMessageSize], const char* Text) {
  std::snprintf(Dest, CMessageSize, "%s", Text ? Text : "");
}

// The message of a decoder without its trailing line break.
std::string MessageText(const char* Text, const char* Fallback) {
  std::string S = Trim(Text ? Text : "");
  return S.empty() ? std::string(Fallback) : S;
}

// The bytes from the stream's position to its end; a memory stream lends its own bytes.
std::string_view RestOfStream(TGStream& Stream, std::string& Holder) {
  if (auto* Memory = dynamic_cast<TGMemoryStream*>(&Stream)) {
    int64_t Pos = std::clamp<int64_t>(Memory->Position(), 0, Memory->GetSize());
    Memory->Seek(0, soEnd);
    return std::string_view(Memory->Data()).substr(static_cast<size_t>(Pos));
  }
  Holder = Stream.ReadAll();
  return Holder;
}

// Refuses sizes that no loader accepts, before anything is allocated for them.
void CheckPictureSize(int64_t Width, int64_t Height, const char* Kind) {
  if (Width < 0 || Height < 0 || Width > TGBitmap::CMaxSide || Height > TGBitmap::CMaxSide ||
      Width * Height > TGBitmap::CMaxPixels) {
    throw Error("%s picture size %dx%d is not supported", Kind, Width, Height);
  }
}

size_t RawSize(int32_t Width, int32_t Height) {
  return static_cast<size_t>(Width) * static_cast<size_t>(Height) * 4;
}

// A picture decoded and converted to 32-bit pixels, not yet taken over by a bitmap.
struct TDecoded {
  int32_t Width = 0;
  int32_t Height = 0;
  std::string Pixels;
};

// ---------------------------------------------------------------------------------------------
// zlib

// Inflates Data, which must give exactly Size bytes and end there. Out receives the bytes; with
// Out null the stream is only checked (in a small scratch buffer).
void InflateExact(std::string_view Data, char* Out, size_t Size) {
  if (Data.size() > UINT_MAX) {
    throw Error("Corrupt compressed picture data");
  }
  z_stream Z{};
  if (inflateInit(&Z) != Z_OK) {
    throw Error("Cannot initialise the zlib decompressor");
  }
  struct TEnd {
    z_stream* Z;
    ~TEnd() { inflateEnd(Z); }
  } End{&Z};
  Z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data.data()));
  Z.avail_in = static_cast<uInt>(Data.size());
  char Scratch[64 * 1024];
  size_t Done = 0;
  while (true) {
    char* Dest = Scratch;
    size_t Room = 1; // anything beyond Size is too much
    if (Done < Size) {
      Dest = Out ? Out + Done : Scratch;
      Room = Out ? Size - Done : std::min(sizeof(Scratch), Size - Done);
    }
    Room = std::min<size_t>(Room, UINT_MAX);
    Z.next_out = reinterpret_cast<Bytef*>(Dest);
    Z.avail_out = static_cast<uInt>(Room);
    int Result = inflate(&Z, Z_NO_FLUSH);
    Done += Room - Z.avail_out;
    if (Done > Size) {
      throw Error("Corrupt compressed picture data: more than %d bytes",
                  static_cast<int64_t>(Size));
    }
    if (Result == Z_STREAM_END) {
      break;
    }
    if (Result == Z_BUF_ERROR && Z.avail_in == 0) {
      throw Error("Corrupt compressed picture data: unexpected end");
    }
    if (Result != Z_OK) {
      throw Error("Corrupt compressed picture data: %s", Z.msg ? Z.msg : "zlib error");
    }
  }
  if (Done != Size) {
    throw Error("Corrupt compressed picture data: %d bytes instead of %d",
                static_cast<int64_t>(Done), static_cast<int64_t>(Size));
  }
  if (Z.avail_in != 0) {
    throw Error("Corrupt compressed picture data: data after the end");
  }
}

std::string Inflate(std::string_view Data, size_t Size) {
  std::string Out(Size, '\0');
  InflateExact(Data, Out.data(), Size);
  return Out;
}

// ---------------------------------------------------------------------------------------------
// PNG

struct TPngContext {
  const unsigned char* Data = nullptr; // reading
  size_t Size = 0;
  size_t Pos = 0;
  std::string* Out = nullptr; // writing
  char Message[CMessageSize] = {};
};

void PngError(png_structp Png, png_const_charp Text) {
  auto* Ctx = static_cast<TPngContext*>(png_get_error_ptr(Png));
  CopyMessage(Ctx->Message, Text);
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
        reinterpret_cast<png_bytep>(const_cast<char*>(Pixels)) + RawSize(Width, Y);
  }
  return Rows;
}

TDecoded DecodePng(std::string_view Data) {
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
  TDecoded Out;
  Out.Width = static_cast<int32_t>(Header.Width);
  Out.Height = static_cast<int32_t>(Header.Height);
  if (Header.RowBytes != static_cast<size_t>(Out.Width) * 4) {
    throw Error("Invalid PNG image: unexpected row size");
  }
  Out.Pixels.resize(RawSize(Out.Width, Out.Height));
  std::vector<png_bytep> Rows = RowPointers(Out.Pixels.data(), Out.Width, Out.Height);
  if (!PngReadImage(H.Png, Rows.data())) {
    throw Error("Invalid PNG image: %s", MessageText(Ctx.Message, "decoding failed"));
  }
  return Out;
}

// ---------------------------------------------------------------------------------------------
// JPEG

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

TDecoded DecodeJpeg(std::string_view Data) {
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
  TDecoded Out;
  Out.Width = static_cast<int32_t>(H->Info.output_width);
  Out.Height = static_cast<int32_t>(H->Info.output_height);
  Out.Pixels.resize(RawSize(Out.Width, Out.Height));
  auto* Pixels = reinterpret_cast<unsigned char*>(Out.Pixels.data());
  if (!JpegReadRows(&H->Info, &H->Err, Pixels, RawSize(Out.Width, 1))) {
    throw Fail();
  }
  if (Cmyk) {
    // Adobe writes CMYK inverted (0 is full ink); others store plain ink amounts.
    bool Inverted = H->Info.saw_Adobe_marker;
    for (size_t I = 0; I < Out.Pixels.size(); I += 4) {
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

std::string EncodeJpeg(const std::string& Pixels, int32_t Width, int32_t Height) {
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
  if (!JpegCompress(&H->Info, &H->Err, &H->Buffer, &H->Size, Width, Height,
                    reinterpret_cast<const unsigned char*>(Pixels.data()))) {
    throw Error("Cannot write JPEG image: %s", MessageText(H->Err.Message, "encoding failed"));
  }
  return std::string(reinterpret_cast<const char*>(H->Buffer), H->Size);
}

// ---------------------------------------------------------------------------------------------
// JPEG 2000

struct TJp2Source {
  const unsigned char* Data = nullptr;
  size_t Size = 0;
  size_t Pos = 0;
};

OPJ_SIZE_T Jp2Read(void* Buffer, OPJ_SIZE_T Count, void* User) {
  auto* Src = static_cast<TJp2Source*>(User);
  if (Src->Pos >= Src->Size) {
    return static_cast<OPJ_SIZE_T>(-1);
  }
  size_t N = std::min<size_t>(Count, Src->Size - Src->Pos);
  std::memcpy(Buffer, Src->Data + Src->Pos, N);
  Src->Pos += N;
  return N;
}

OPJ_OFF_T Jp2Skip(OPJ_OFF_T Count, void* User) {
  auto* Src = static_cast<TJp2Source*>(User);
  OPJ_OFF_T Target = static_cast<OPJ_OFF_T>(Src->Pos) + Count;
  if (Count < 0 || Target > static_cast<OPJ_OFF_T>(Src->Size)) {
    Src->Pos = Src->Size;
    return -1;
  }
  Src->Pos = static_cast<size_t>(Target);
  return Count;
}

OPJ_BOOL Jp2Seek(OPJ_OFF_T Pos, void* User) {
  auto* Src = static_cast<TJp2Source*>(User);
  if (Pos < 0 || Pos > static_cast<OPJ_OFF_T>(Src->Size)) {
    return OPJ_FALSE;
  }
  Src->Pos = static_cast<size_t>(Pos);
  return OPJ_TRUE;
}

struct TJp2Message {
  char Text[CMessageSize] = {};
};

// Keeps the codec's first error, which names the actual fault; later ones only add context.
void Jp2Error(const char* Text, void* User) {
  auto* Msg = static_cast<TJp2Message*>(User);
  if (Msg->Text[0] == 0) {
    CopyMessage(Msg->Text, Text);
  }
}

void Jp2Quiet(const char*, void*) {}

// A sample of any precision (1 to 30 bits, signed or not) scaled to 0..255.
uint8_t Jp2Sample(const opj_image_comp_t& Comp, int32_t Sample) {
  int64_t Value = Sample;
  if (Comp.sgnd) {
    Value += int64_t{1} << (Comp.prec - 1);
  }
  if (Comp.prec > 8) {
    Value >>= Comp.prec - 8;
  } else if (Comp.prec < 8) {
    Value = Value * 255 / ((int64_t{1} << Comp.prec) - 1);
  }
  return static_cast<uint8_t>(std::clamp<int64_t>(Value, 0, 255));
}

TDecoded DecodeJp2(std::string_view Data) {
  TJp2Source Src;
  Src.Data = reinterpret_cast<const unsigned char*>(Data.data());
  Src.Size = Data.size();
  static constexpr unsigned char CodestreamSignature[4] = {0xFF, 0x4F, 0xFF, 0x51};
  bool Codestream = Data.size() >= 4 && std::memcmp(Data.data(), CodestreamSignature, 4) == 0;
  struct THolder {
    opj_stream_t* Stream = nullptr;
    opj_codec_t* Codec = nullptr;
    opj_image_t* Image = nullptr;
    ~THolder() {
      if (Image) {
        opj_image_destroy(Image);
      }
      if (Codec) {
        opj_destroy_codec(Codec);
      }
      if (Stream) {
        opj_stream_destroy(Stream);
      }
    }
  } H;
  TJp2Message Msg;
  auto Fail = [&Msg]() { return Error(MessageText(Msg.Text, "JPEG 2000 decoding failed")); };
  H.Stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
  H.Codec = opj_create_decompress(Codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
  if (!H.Stream || !H.Codec) {
    throw Error("Cannot create the JPEG 2000 decoder");
  }
  opj_stream_set_user_data(H.Stream, &Src, nullptr);
  opj_stream_set_user_data_length(H.Stream, Src.Size);
  opj_stream_set_read_function(H.Stream, Jp2Read);
  opj_stream_set_skip_function(H.Stream, Jp2Skip);
  opj_stream_set_seek_function(H.Stream, Jp2Seek);
  opj_set_error_handler(H.Codec, Jp2Error, &Msg);
  opj_set_warning_handler(H.Codec, Jp2Quiet, nullptr);
  opj_set_info_handler(H.Codec, Jp2Quiet, nullptr);
  opj_dparameters_t Params;
  opj_set_default_decoder_parameters(&Params);
  // Strict mode: a cut-off codestream is an error instead of a partly decoded picture.
  if (!opj_setup_decoder(H.Codec, &Params) || !opj_decoder_set_strict_mode(H.Codec, OPJ_TRUE) ||
      !opj_read_header(H.Stream, H.Codec, &H.Image) || !H.Image) {
    throw Fail();
  }
  const opj_image_t& Image = *H.Image;
  int64_t Width = int64_t{Image.x1} - Image.x0;
  int64_t Height = int64_t{Image.y1} - Image.y0;
  CheckPictureSize(Width, Height, "JPEG 2000");
  if (Image.numcomps < 1 || Image.numcomps > 4) {
    throw Error("JPEG 2000 pictures with %d components are not supported",
                static_cast<int>(Image.numcomps));
  }
  for (OPJ_UINT32 C = 0; C < Image.numcomps; ++C) {
    const opj_image_comp_t& Comp = Image.comps[C];
    if (Comp.dx == 0 || Comp.dy == 0 || Comp.prec < 1 || Comp.prec > 30) {
      throw Error("JPEG 2000 component %d is not supported", static_cast<int>(C));
    }
  }
  if (!opj_decode(H.Codec, H.Stream, H.Image) || !opj_end_decompress(H.Codec, H.Stream)) {
    throw Fail();
  }
  for (OPJ_UINT32 C = 0; C < Image.numcomps; ++C) {
    const opj_image_comp_t& Comp = Image.comps[C];
    if (!Comp.data || Comp.w == 0 || Comp.h == 0) {
      throw Error("JPEG 2000 component %d has no data", static_cast<int>(C));
    }
  }
  TDecoded Out;
  Out.Width = static_cast<int32_t>(Width);
  Out.Height = static_cast<int32_t>(Height);
  Out.Pixels.resize(RawSize(Out.Width, Out.Height));
  auto* Pixels = reinterpret_cast<uint8_t*>(Out.Pixels.data());
  // Components may be subsampled: the sample of pixel (X, Y) is the one whose grid cell holds
  // it. The column of each pixel is worked out once per component, the row once per line.
  OPJ_UINT32 Count = Image.numcomps;
  std::vector<int64_t> Columns[4];
  const OPJ_INT32* Lines[4] = {};
  for (OPJ_UINT32 C = 0; C < Count; ++C) {
    const opj_image_comp_t& Comp = Image.comps[C];
    Columns[C].resize(static_cast<size_t>(Out.Width));
    for (int32_t X = 0; X < Out.Width; ++X) {
      int64_t CX = (int64_t{Image.x0} + X) / Comp.dx - Comp.x0;
      Columns[C][static_cast<size_t>(X)] = std::clamp<int64_t>(CX, 0, Comp.w - 1);
    }
  }
  auto Sample = [&Image, &Columns, &Lines](OPJ_UINT32 C, int32_t X) {
    return Jp2Sample(Image.comps[C], Lines[C][Columns[C][static_cast<size_t>(X)]]);
  };
  bool Ycc = Image.color_space == OPJ_CLRSPC_SYCC && Image.numcomps >= 3;
  for (int32_t Y = 0; Y < Out.Height; ++Y) {
    for (OPJ_UINT32 C = 0; C < Count; ++C) {
      const opj_image_comp_t& Comp = Image.comps[C];
      int64_t CY = std::clamp<int64_t>((int64_t{Image.y0} + Y) / Comp.dy - Comp.y0, 0, Comp.h - 1);
      Lines[C] = Comp.data + CY * Comp.w;
    }
    uint8_t* Row = Pixels + RawSize(Out.Width, Y);
    for (int32_t X = 0; X < Out.Width; ++X) {
      uint8_t R, G, B, A = 255;
      if (Count <= 2) {
        R = G = B = Sample(0, X);
        if (Image.numcomps == 2) {
          A = Sample(1, X);
        }
      } else {
        R = Sample(0, X);
        G = Sample(1, X);
        B = Sample(2, X);
        if (Image.numcomps == 4) {
          A = Sample(3, X);
        }
        if (Ycc) {
          double Yv = R, Cb = G - 128.0, Cr = B - 128.0;
          R = static_cast<uint8_t>(std::clamp(Yv + 1.402 * Cr + 0.5, 0.0, 255.0));
          G = static_cast<uint8_t>(
              std::clamp(Yv - 0.344136 * Cb - 0.714136 * Cr + 0.5, 0.0, 255.0));
          B = static_cast<uint8_t>(std::clamp(Yv + 1.772 * Cb + 0.5, 0.0, 255.0));
        }
      }
      Row[X * 4] = B;
      Row[X * 4 + 1] = G;
      Row[X * 4 + 2] = R;
      Row[X * 4 + 3] = A;
    }
  }
  return Out;
}

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
      FBits = Inflate(FBits, RawSize(FWidth, FHeight));
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
  uLongf Length = compressBound(static_cast<uLong>(FBits.size()));
  std::string Packed(Length, '\0');
  if (compress2(reinterpret_cast<Bytef*>(Packed.data()), &Length,
                reinterpret_cast<const Bytef*>(FBits.data()), static_cast<uLong>(FBits.size()),
                Z_BEST_SPEED) != Z_OK) {
    throw Error("Cannot compress the bitmap");
  }
  double Raw = static_cast<double>(FBits.size());
  double Saving = Raw - static_cast<double>(Length);
  if (Saving < 8192 || static_cast<double>(Length) / Raw > 0.95) {
    FDataState = bdsFaked;
    return;
  }
  Packed.resize(Length);
  FBits = std::move(Packed);
  FDataState = bdsCompressed;
}

std::string TGBitmap::Bits() const {
  if (FDataState == bdsCompressed) {
    return Inflate(FBits, RawSize(FWidth, FHeight));
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

void TGBitmap::TakeDecoded(int32_t AWidth, int32_t AHeight, std::string&& Pixels) {
  bool WasCompressed = Compressed();
  FWidth = AWidth;
  FHeight = AHeight;
  FBits = std::move(Pixels);
  FDataState = bdsNone;
  if (WasCompressed) {
    SetCompressed(true);
  }
}

void TGBitmap::LoadFromStream(TGStream& Stream) {
  unsigned char Sig[4] = {};
  int64_t Got = Stream.Read(Sig, 4);
  Stream.Seek(0, soBeginning);
  auto Is = [&Sig](unsigned char A, unsigned char B, unsigned char C, unsigned char D) {
    return Sig[0] == A && Sig[1] == B && Sig[2] == C && Sig[3] == D;
  };
  if (Got < 4) {
    throw Error("Unknown format");
  }
  if (Sig[0] == 0xFF && Sig[1] == 0xD8 && Sig[2] == 0xFF) {
    LoadJpg(Stream); // JFIF, EXIF and plain JPEG streams alike
  } else if (Is(0x00, 0x00, 0x00, 0x0C) || Is(0xFF, 0x4F, 0xFF, 0x51)) {
    LoadJp2(Stream); // JP2 boxes or a bare codestream
  } else if (Is(0x89, 0x50, 0x4E, 0x47)) {
    LoadPng(Stream);
  } else if (Is(0x2E, 0x53, 0x50, 0x52)) {
    LoadSpr(Stream);
  } else {
    throw Error("Unknown format");
  }
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
  std::string Holder;
  TDecoded D = DecodePng(RestOfStream(Stream, Holder));
  TakeDecoded(D.Width, D.Height, std::move(D.Pixels));
}

void TGBitmap::LoadJpg(TGStream& Stream) {
  std::string Holder;
  TDecoded D = DecodeJpeg(RestOfStream(Stream, Holder));
  TakeDecoded(D.Width, D.Height, std::move(D.Pixels));
}

void TGBitmap::LoadJp2(TGStream& Stream) {
  std::string Holder;
  TDecoded D = DecodeJp2(RestOfStream(Stream, Holder));
  TakeDecoded(D.Width, D.Height, std::move(D.Pixels));
}

void TGBitmap::LoadSpr(TGStream& Stream) {
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
  std::string Bits = Reader.ReadString();
  size_t Size = RawSize(W, H);
  if (State == bdsCompressed) {
    InflateExact(Bits, nullptr, Size);
  } else if (Bits.size() != Size) {
    throw Error("Invalid .spr pixel data: %d bytes for %dx%d pixels",
                static_cast<int64_t>(Bits.size()), W, H);
  }
  FWidth = W;
  FHeight = H;
  FBits = std::move(Bits);
  FDataState = static_cast<TGBitmapDataState>(State);
}

void TGBitmap::SaveToStream(TGStream& Stream, std::string_view Ext) const {
  std::string Lower = LowerCase(Ext);
  if (Lower == ".spr") {
    SaveSpr(Stream);
  } else if (Lower == ".png") {
    SavePng(Stream);
  } else if (Lower == ".jpg") {
    SaveJpg(Stream);
  } else if (Lower == ".jp2") {
    NotImplementedError();
  } else {
    throw Error("Unknown format: %s", Ext);
  }
}

void TGBitmap::SaveToFile(const std::string& FileName) const {
  // Encoded first, so that a failure leaves no half-written file behind.
  TGMemoryStream Encoded;
  SaveToStream(Encoded, ExtractFileExt(FileName));
  TGFileStream File(FileName, fmCreate);
  File.WriteString(Encoded.Data());
}

void TGBitmap::SavePng(TGStream& Stream) const {
  std::string Raw = Bits();
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
  std::vector<png_bytep> Rows = RowPointers(Raw.data(), FWidth, FHeight);
  if (!PngWriteImage(H.Png, H.Info, static_cast<png_uint_32>(FWidth),
                     static_cast<png_uint_32>(FHeight), Rows.data())) {
    throw Error("Cannot write PNG image: %s", MessageText(Ctx.Message, "encoding failed"));
  }
  Stream.WriteString(Out);
}

void TGBitmap::SaveJpg(TGStream& Stream) const {
  Stream.WriteString(EncodeJpeg(Bits(), FWidth, FHeight));
}

void TGBitmap::SaveSpr(TGStream& Stream) const {
  Stream.WriteString(".SPR");
  TGWriter Writer(Stream);
  Writer.WriteInteger(FWidth);
  Writer.WriteInteger(FHeight);
  Writer.WriteInteger(FDataState);
  Writer.WriteString(FBits);
}

TGColor GrayscalePixel(TGColor Pixel) {
  uint8_t Grey =
      static_cast<uint8_t>(Pixel.R * 76 / 256 + Pixel.G * 151 / 256 + Pixel.B * 28 / 256);
  TGColor Out = Pixel;
  Out.R = Out.G = Out.B = Grey;
  return Out;
}
