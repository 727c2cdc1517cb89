#include "Jp2Writer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <openjpeg.h>

namespace {

// The encoder's output: written at a position that the JP2 writer moves back to fill in box
// lengths.
struct TSink {
  std::string Data;
  size_t Pos = 0;
};

OPJ_SIZE_T SinkWrite(void* Buffer, OPJ_SIZE_T Count, void* User) {
  auto* Sink = static_cast<TSink*>(User);
  if (Sink->Data.size() < Sink->Pos + Count) {
    Sink->Data.resize(Sink->Pos + Count);
  }
  std::memcpy(Sink->Data.data() + Sink->Pos, Buffer, Count);
  Sink->Pos += Count;
  return Count;
}

OPJ_OFF_T SinkSkip(OPJ_OFF_T Count, void* User) {
  auto* Sink = static_cast<TSink*>(User);
  if (Count < 0 || static_cast<OPJ_OFF_T>(Sink->Pos) + Count < 0) {
    return -1;
  }
  Sink->Pos += static_cast<size_t>(Count);
  if (Sink->Data.size() < Sink->Pos) {
    Sink->Data.resize(Sink->Pos);
  }
  return Count;
}

OPJ_BOOL SinkSeek(OPJ_OFF_T Pos, void* User) {
  auto* Sink = static_cast<TSink*>(User);
  if (Pos < 0) {
    return OPJ_FALSE;
  }
  Sink->Pos = static_cast<size_t>(Pos);
  if (Sink->Data.size() < Sink->Pos) {
    Sink->Data.resize(Sink->Pos);
  }
  return OPJ_TRUE;
}

void CollectError(const char* Text, void* User) {
  static_cast<std::string*>(User)->append(Text ? Text : "");
}

void Quiet(const char*, void*) {}

} // namespace

std::string EncodeJp2(const uint8_t* Pixels, int Width, int Height, int Components, bool Codestream,
                      float Rate) {
  if (Width <= 0 || Height <= 0 || Components < 1 || Components > 4) {
    throw std::runtime_error("EncodeJp2: invalid picture");
  }
  opj_image_cmptparm_t Params[4];
  std::memset(Params, 0, sizeof(Params));
  for (int C = 0; C < Components; ++C) {
    Params[C].dx = Params[C].dy = 1;
    Params[C].w = static_cast<OPJ_UINT32>(Width);
    Params[C].h = static_cast<OPJ_UINT32>(Height);
    Params[C].prec = 8;
  }
  auto ImageDeleter = [](opj_image_t* I) { opj_image_destroy(I); };
  std::unique_ptr<opj_image_t, decltype(ImageDeleter)> Image(
      opj_image_create(static_cast<OPJ_UINT32>(Components), Params,
                       Components <= 2 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB),
      ImageDeleter);
  if (!Image) {
    throw std::runtime_error("EncodeJp2: cannot create the image");
  }
  Image->x0 = Image->y0 = 0;
  Image->x1 = static_cast<OPJ_UINT32>(Width);
  Image->y1 = static_cast<OPJ_UINT32>(Height);
  // Byte offsets of each component within a B, G, R, A pixel.
  static constexpr int Grey[] = {1, 3};
  static constexpr int Colour[] = {2, 1, 0, 3};
  const int* Offsets = Components <= 2 ? Grey : Colour;
  if (Components == 2 || Components == 4) {
    Image->comps[Components - 1].alpha = 1;
  }
  for (int C = 0; C < Components; ++C) {
    OPJ_INT32* Out = Image->comps[C].data;
    for (size_t I = 0; I < static_cast<size_t>(Width) * Height; ++I) {
      Out[I] = Pixels[I * 4 + Offsets[C]];
    }
  }

  opj_cparameters_t Setup;
  opj_set_default_encoder_parameters(&Setup);
  Setup.tcp_numlayers = 1;
  Setup.tcp_rates[0] = Rate;
  Setup.cp_disto_alloc = 1;
  Setup.irreversible = Rate > 0 ? 1 : 0;
  Setup.tcp_mct = Components >= 3 ? 1 : 0;
  // Every resolution level halves the picture; small pictures allow fewer levels.
  int Levels = 1;
  while (Levels < 6 && (std::min(Width, Height) >> Levels) > 0) {
    ++Levels;
  }
  Setup.numresolution = Levels;

  auto CodecDeleter = [](opj_codec_t* C) { opj_destroy_codec(C); };
  std::unique_ptr<opj_codec_t, decltype(CodecDeleter)> Codec(
      opj_create_compress(Codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2), CodecDeleter);
  std::string Errors;
  opj_set_error_handler(Codec.get(), CollectError, &Errors);
  opj_set_warning_handler(Codec.get(), Quiet, nullptr);
  opj_set_info_handler(Codec.get(), Quiet, nullptr);
  if (!opj_setup_encoder(Codec.get(), &Setup, Image.get())) {
    throw std::runtime_error("EncodeJp2: " + Errors);
  }
  TSink Sink;
  auto StreamDeleter = [](opj_stream_t* S) { opj_stream_destroy(S); };
  std::unique_ptr<opj_stream_t, decltype(StreamDeleter)> Stream(
      opj_stream_create(1 << 16, OPJ_FALSE), StreamDeleter);
  opj_stream_set_user_data(Stream.get(), &Sink, nullptr);
  opj_stream_set_write_function(Stream.get(), SinkWrite);
  opj_stream_set_skip_function(Stream.get(), SinkSkip);
  opj_stream_set_seek_function(Stream.get(), SinkSeek);
  if (!opj_start_compress(Codec.get(), Image.get(), Stream.get()) ||
      !opj_encode(Codec.get(), Stream.get()) || !opj_end_compress(Codec.get(), Stream.get())) {
    throw std::runtime_error("EncodeJp2: " + Errors);
  }
  return Sink.Data;
}
