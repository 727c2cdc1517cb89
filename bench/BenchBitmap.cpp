// Decoding a 512 x 512 picture as PNG, JPEG and JPEG 2000 through TGBitmap, against the bare
// libraries decoding the same bytes into 32-bit pixels. The ratios TGBitmap / library are printed
// after the runs, in CPU time, which a busy machine disturbs less than wall time.
#include "Jp2Writer.h"
#include "graphics/UGBitmap.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <openjpeg.h>
#include <png.h>

namespace {

constexpr int CSide = 512;

// A picture with smooth areas, edges and some texture, as game pictures have.
struct TPictures {
  std::string Png, Jpg, Jp2;
  TPictures() {
    TGObjectPtr<TGBitmap> B(New<TGBitmap>());
    B->SetSize(CSide, CSide);
    for (int Y = 0; Y < CSide; ++Y) {
      TGColor* Row = B->ScanLine(Y);
      for (int X = 0; X < CSide; ++X) {
        double D = std::hypot(X - 256.0, Y - 256.0);
        int Ring = static_cast<int>(D / 24) % 2;
        int Texture = ((X * 7 + Y * 13) ^ (X * Y)) & 15;
        Row[X] = TGColor::Create(D < 240 ? 255 : 0, Y / 2 + Texture, Ring ? 200 : 60 + X / 4,
                                 (X + Y) / 4 + Texture);
      }
    }
    TGMemoryStream S1, S2;
    B->SavePng(S1);
    B->SaveJpg(S2);
    Png = S1.Data();
    Jpg = S2.Data();
    std::string Raw = B->Bits();
    Jp2 = EncodeJp2(reinterpret_cast<const uint8_t*>(Raw.data()), CSide, CSide, 4, false, 10);
  }
};

const TPictures& Pictures() {
  static const TPictures P;
  return P;
}

void DecodeThroughBitmap(benchmark::State& State, const std::string& Data) {
  for (auto _ : State) {
    TGMemoryStream S(Data);
    TGObjectPtr<TGBitmap> B(New<TGBitmap>());
    B->LoadFromStream(S);
    benchmark::DoNotOptimize(B->StoredBits().data());
  }
  State.SetBytesProcessed(State.iterations() * CSide * CSide * 4);
}

void BitmapPng(benchmark::State& State) {
  DecodeThroughBitmap(State, Pictures().Png);
}
void BitmapJpg(benchmark::State& State) {
  DecodeThroughBitmap(State, Pictures().Jpg);
}
void BitmapJp2(benchmark::State& State) {
  DecodeThroughBitmap(State, Pictures().Jp2);
}

// libpng's simplified interface, straight to B, G, R, A.
void LibPng(benchmark::State& State) {
  const std::string& Data = Pictures().Png;
  for (auto _ : State) {
    png_image Image;
    std::memset(&Image, 0, sizeof(Image));
    Image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&Image, Data.data(), Data.size())) {
      throw std::runtime_error(Image.message);
    }
    Image.format = PNG_FORMAT_BGRA;
    std::vector<uint8_t> Pixels(PNG_IMAGE_SIZE(Image));
    if (!png_image_finish_read(&Image, nullptr, Pixels.data(), 0, nullptr)) {
      throw std::runtime_error(Image.message);
    }
    benchmark::DoNotOptimize(Pixels.data());
  }
  State.SetBytesProcessed(State.iterations() * CSide * CSide * 4);
}

void LibJpeg(benchmark::State& State) {
  const std::string& Data = Pictures().Jpg;
  for (auto _ : State) {
    jpeg_decompress_struct C;
    jpeg_error_mgr Err;
    C.err = jpeg_std_error(&Err);
    jpeg_create_decompress(&C);
    jpeg_mem_src(&C, reinterpret_cast<const unsigned char*>(Data.data()), Data.size());
    jpeg_read_header(&C, TRUE);
    C.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&C);
    std::vector<uint8_t> Pixels(size_t{C.output_width} * C.output_height * 4);
    while (C.output_scanline < C.output_height) {
      JSAMPROW Row = Pixels.data() + size_t{C.output_scanline} * C.output_width * 4;
      jpeg_read_scanlines(&C, &Row, 1);
    }
    jpeg_finish_decompress(&C);
    jpeg_destroy_decompress(&C);
    benchmark::DoNotOptimize(Pixels.data());
  }
  State.SetBytesProcessed(State.iterations() * CSide * CSide * 4);
}

struct TSource {
  const std::string* Data;
  size_t Pos;
};

OPJ_SIZE_T SourceRead(void* Buffer, OPJ_SIZE_T Count, void* User) {
  auto* S = static_cast<TSource*>(User);
  if (S->Pos >= S->Data->size()) {
    return static_cast<OPJ_SIZE_T>(-1);
  }
  size_t N = std::min(Count, S->Data->size() - S->Pos);
  std::memcpy(Buffer, S->Data->data() + S->Pos, N);
  S->Pos += N;
  return N;
}
OPJ_OFF_T SourceSkip(OPJ_OFF_T Count, void* User) {
  auto* S = static_cast<TSource*>(User);
  S->Pos += static_cast<size_t>(Count);
  return Count;
}
OPJ_BOOL SourceSeek(OPJ_OFF_T Pos, void* User) {
  static_cast<TSource*>(User)->Pos = static_cast<size_t>(Pos);
  return OPJ_TRUE;
}

// OpenJPEG decoding to its component planes (no conversion to pixels at all).
void OpenJpeg(benchmark::State& State) {
  const std::string& Data = Pictures().Jp2;
  for (auto _ : State) {
    TSource Src{&Data, 0};
    opj_stream_t* Stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
    opj_stream_set_user_data(Stream, &Src, nullptr);
    opj_stream_set_user_data_length(Stream, Data.size());
    opj_stream_set_read_function(Stream, SourceRead);
    opj_stream_set_skip_function(Stream, SourceSkip);
    opj_stream_set_seek_function(Stream, SourceSeek);
    opj_codec_t* Codec = opj_create_decompress(OPJ_CODEC_JP2);
    opj_dparameters_t Params;
    opj_set_default_decoder_parameters(&Params);
    opj_setup_decoder(Codec, &Params);
    opj_image_t* Image = nullptr;
    if (!opj_read_header(Stream, Codec, &Image) || !opj_decode(Codec, Stream, Image) ||
        !opj_end_decompress(Codec, Stream)) {
      throw std::runtime_error("OpenJPEG decoding failed");
    }
    benchmark::DoNotOptimize(Image->comps[0].data);
    opj_image_destroy(Image);
    opj_destroy_codec(Codec);
    opj_stream_destroy(Stream);
  }
  State.SetBytesProcessed(State.iterations() * CSide * CSide * 4);
}

BENCHMARK(BitmapPng)->Unit(benchmark::kMillisecond);
BENCHMARK(LibPng)->Unit(benchmark::kMillisecond);
BENCHMARK(BitmapJpg)->Unit(benchmark::kMillisecond);
BENCHMARK(LibJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BitmapJp2)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenJpeg)->Unit(benchmark::kMillisecond);

// The console output, remembering each run's time per iteration for the ratios.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> Times;
  void ReportRuns(const std::vector<Run>& Runs) override {
    for (const Run& R : Runs) {
      if (R.run_type == Run::RT_Iteration) {
        Times[R.benchmark_name()] = R.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(Runs);
  }
};

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::printf("Picture sizes: PNG %zu bytes, JPEG %zu bytes, JPEG 2000 %zu bytes\n",
              Pictures().Png.size(), Pictures().Jpg.size(), Pictures().Jp2.size());
  TRatioReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  for (auto [Ours, Theirs] : {std::pair{"BitmapPng", "LibPng"}, std::pair{"BitmapJpg", "LibJpeg"},
                              std::pair{"BitmapJp2", "OpenJpeg"}}) {
    auto A = Reporter.Times.find(Ours), B = Reporter.Times.find(Theirs);
    if (A != Reporter.Times.end() && B != Reporter.Times.end() && B->second > 0) {
      std::printf("%s / %s = %.2f\n", Ours, Theirs, A->second / B->second);
    }
  }
  benchmark::Shutdown();
  return 0;
}
