#include "graphics/UGBitmapCodecJP2.h"

#include "base/UGError.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <openjpeg.h>

namespace {

// A file of JP2 boxes starts with the 12-byte signature box; a bare codestream with its SOC and
// SIZ markers.
constexpr unsigned char CBoxSignature[4] = {0x00, 0x00, 0x00, 0x0C};
constexpr unsigned char CCodestreamSignature[4] = {0xFF, 0x4F, 0xFF, 0x51};

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
  char Text[TGBitmapCodec::CMessageSize] = {};
};

// Keeps the codec's first error, which names the actual fault; later ones only add context.
void Jp2Error(const char* Text, void* User) {
  auto* Msg = static_cast<TJp2Message*>(User);
  if (Msg->Text[0] == 0) {
    TGBitmapCodec::CopyMessage(Msg->Text, Text);
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

} // namespace

bool TGBitmapCodecJP2::HasSignature(const unsigned char (&Head)[4]) const {
  return std::memcmp(Head, CBoxSignature, 4) == 0 ||
         std::memcmp(Head, CCodestreamSignature, 4) == 0;
}

TGBitmapImage TGBitmapCodecJP2::Decode(TGStream& Stream) const {
  std::string Holder;
  std::string_view Data = RestOfStream(Stream, Holder);
  TJp2Source Src;
  Src.Data = reinterpret_cast<const unsigned char*>(Data.data());
  Src.Size = Data.size();
  bool Codestream = Data.size() >= 4 && std::memcmp(Data.data(), CCodestreamSignature, 4) == 0;
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
  TGBitmapImage Out;
  Out.Width = static_cast<int32_t>(Width);
  Out.Height = static_cast<int32_t>(Height);
  Out.Bits.resize(RawSize(Out.Width, Out.Height));
  auto* Pixels = reinterpret_cast<uint8_t*>(Out.Bits.data());
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
