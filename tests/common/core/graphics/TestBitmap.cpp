#include "Jp2Writer.h"
#include "base/UGError.h"
#include "graphics/UGBitmap.h"
#include "graphics/UGBitmapCodecJP2.h"
#include "graphics/UGBitmapCodecJPEG.h"
#include "graphics/UGBitmapCodecPNG.h"
#include "graphics/UGBitmapCodecSpr.h"
#include "io/UGWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <utility>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

namespace {

using TBitmapPtr = TGObjectPtr<TGBitmap>;

TBitmapPtr NewBitmap() {
  return TBitmapPtr(New<TGBitmap>());
}

// A bitmap whose pixels are a pattern of distinct colours and alphas.
void Fill(const TBitmapPtr& B, int W, int H) {
  B->SetSize(W, H);
  for (int Y = 0; Y < H; ++Y) {
    for (int X = 0; X < W; ++X) {
      B->SetPixel(X, Y, TGColor::Create(40 + X * 20 + Y, X * 37 % 256, Y * 53 % 256, 200 - X * 9));
    }
  }
}

TBitmapPtr Load(const std::string& Bytes) {
  TGMemoryStream S(Bytes);
  TBitmapPtr B = NewBitmap();
  B->LoadFromStream(S);
  return B;
}

std::string Save(const TBitmapPtr& B, const char* Ext) {
  TGMemoryStream S;
  B->SaveToStream(S, Ext);
  return S.Data();
}

// The text of the engine error that loading Bytes raises, or "" when it loads.
std::string LoadError(const std::string& Bytes) {
  try {
    Load(Bytes);
  } catch (const EGException& E) {
    return E.Text().empty() ? "?" : E.Text();
  }
  return "";
}

// A PNG written by libpng from rows already in the file's layout.
struct TPngSpec {
  int Width, Height, ColorType, Depth;
  std::vector<uint8_t> Rows; // packed rows, top first
  std::vector<png_color> Palette = {};
  std::vector<uint8_t> Trns = {}; // palette alphas
  png_color_16 TrnsColor = {};    // colour key for grey and RGB
  bool UseTrnsColor = false;
  bool Interlaced = false;
};

void AppendPng(png_structp Png, png_bytep Data, size_t Count) {
  static_cast<std::string*>(png_get_io_ptr(Png))->append(reinterpret_cast<char*>(Data), Count);
}

std::string WritePng(const TPngSpec& Spec) {
  std::string Out;
  png_structp Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop Info = png_create_info_struct(Png);
  png_set_write_fn(Png, &Out, AppendPng, nullptr);
  png_set_IHDR(Png, Info, Spec.Width, Spec.Height, Spec.Depth, Spec.ColorType,
               Spec.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!Spec.Palette.empty()) {
    png_set_PLTE(Png, Info, Spec.Palette.data(), static_cast<int>(Spec.Palette.size()));
  }
  if (!Spec.Trns.empty() || Spec.UseTrnsColor) {
    png_set_tRNS(Png, Info, Spec.Trns.empty() ? nullptr : Spec.Trns.data(),
                 static_cast<int>(Spec.Trns.size()), Spec.UseTrnsColor ? &Spec.TrnsColor : nullptr);
  }
  png_write_info(Png, Info);
  size_t RowBytes = Spec.Rows.size() / Spec.Height;
  std::vector<png_bytep> Rows;
  for (int Y = 0; Y < Spec.Height; ++Y) {
    Rows.push_back(const_cast<uint8_t*>(Spec.Rows.data()) + Y * RowBytes);
  }
  png_write_image(Png, Rows.data());
  png_write_end(Png, nullptr);
  png_destroy_write_struct(&Png, &Info);
  return Out;
}

// A flat-coloured JPEG written by libjpeg; without JFIF it starts with an Exif segment instead.
std::string WriteJpeg(int W, int H, bool Grey, bool Exif, uint8_t Value = 77) {
  jpeg_compress_struct C;
  jpeg_error_mgr Err;
  C.err = jpeg_std_error(&Err);
  jpeg_create_compress(&C);
  unsigned char* Buffer = nullptr;
  unsigned long Size = 0;
  jpeg_mem_dest(&C, &Buffer, &Size);
  C.image_width = W;
  C.image_height = H;
  C.input_components = Grey ? 1 : 3;
  C.in_color_space = Grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&C);
  C.write_JFIF_header = !Exif;
  jpeg_start_compress(&C, TRUE);
  if (Exif) {
    static const char Segment[] = "Exif\0\0MM\0*\0\0\0\x08\0\0";
    jpeg_write_marker(&C, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(Segment), 16);
  }
  std::vector<uint8_t> Row(static_cast<size_t>(W) * C.input_components, Value);
  while (C.next_scanline < C.image_height) {
    JSAMPROW P = Row.data();
    jpeg_write_scanlines(&C, &P, 1);
  }
  jpeg_finish_compress(&C);
  std::string Out(reinterpret_cast<char*>(Buffer), Size);
  jpeg_destroy_compress(&C);
  std::free(Buffer);
  return Out;
}

std::string Bytes(std::initializer_list<int> L) {
  std::string S;
  for (int B : L) {
    S += static_cast<char>(B);
  }
  return S;
}

// A ".spr" stream with the given header values and pixel block.
std::string Spr(int W, int H, int State, const std::string& Block) {
  TGMemoryStream S;
  S.WriteString(".SPR");
  TGWriter Wr(S);
  Wr.WriteInteger(W);
  Wr.WriteInteger(H);
  Wr.WriteInteger(State);
  Wr.WriteString(Block);
  return S.Data();
}

std::string Deflate(const std::string& Raw) {
  uLongf Len = compressBound(Raw.size());
  std::string Out(Len, '\0');
  compress2(reinterpret_cast<Bytef*>(Out.data()), &Len, reinterpret_cast<const Bytef*>(Raw.data()),
            Raw.size(), 1);
  Out.resize(Len);
  return Out;
}

} // namespace

TEST(Bitmap, PngRoundTripKeepsEveryPixelAndAlpha) {
  auto B = NewBitmap();
  Fill(B, 7, 5);
  std::string Png = Save(B, ".PNG");
  ASSERT_EQ(Png.substr(0, 4), "\x89PNG");
  TBitmapPtr C = Load(Png);
  ASSERT_EQ(C->Width(), 7);
  ASSERT_EQ(C->Height(), 5);
  EXPECT_EQ(C->Bits(), B->Bits());
}

TEST(Bitmap, PngColourTypesAndDepthsBecomeBGRA) {
  // Palette, 4 bits, with a tRNS shorter than the palette.
  TBitmapPtr Pal = Load(WritePng({3,
                                  1,
                                  PNG_COLOR_TYPE_PALETTE,
                                  4,
                                  {0x01, 0x20},
                                  {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}},
                                  {0x80}}));
  EXPECT_EQ(uint32_t(Pal->GetPixel(0, 0)), 0x800A141Eu);
  EXPECT_EQ(uint32_t(Pal->GetPixel(1, 0)), 0xFF28323Cu);
  EXPECT_EQ(uint32_t(Pal->GetPixel(2, 0)), 0xFF46505Au);
  // Grey, 1 bit and 8 bits; grey with alpha.
  TBitmapPtr G1 = Load(WritePng({8, 1, PNG_COLOR_TYPE_GRAY, 1, {0xA0}}));
  EXPECT_EQ(uint32_t(G1->GetPixel(0, 0)), 0xFFFFFFFFu);
  EXPECT_EQ(uint32_t(G1->GetPixel(1, 0)), 0xFF000000u);
  EXPECT_EQ(uint32_t(G1->GetPixel(2, 0)), 0xFFFFFFFFu);
  TBitmapPtr G8 = Load(WritePng({2, 1, PNG_COLOR_TYPE_GRAY, 8, {0x10, 0xF0}}));
  EXPECT_EQ(uint32_t(G8->GetPixel(1, 0)), 0xFFF0F0F0u);
  TBitmapPtr GA = Load(WritePng({1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {0x33, 0x44}}));
  EXPECT_EQ(uint32_t(GA->GetPixel(0, 0)), 0x44333333u);
  // 16 bits per channel, with and without alpha.
  TBitmapPtr C16 =
      Load(WritePng({1, 1, PNG_COLOR_TYPE_RGB, 16, {0xAB, 0xAB, 0x12, 0x12, 0x34, 0x34}}));
  EXPECT_EQ(uint32_t(C16->GetPixel(0, 0)), 0xFFAB1234u);
  TBitmapPtr A16 = Load(WritePng(
      {1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, {0xAB, 0xAB, 0x12, 0x12, 0x34, 0x34, 0x80, 0x80}}));
  EXPECT_EQ(uint32_t(A16->GetPixel(0, 0)), 0x80AB1234u);
  // RGB with a tRNS colour key: that colour is transparent, all else opaque.
  TPngSpec Key{2, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6}};
  Key.TrnsColor = {0, 1, 2, 3, 0};
  Key.UseTrnsColor = true;
  TBitmapPtr K = Load(WritePng(Key));
  EXPECT_EQ(uint32_t(K->GetPixel(0, 0)), 0x00010203u);
  EXPECT_EQ(uint32_t(K->GetPixel(1, 0)), 0xFF040506u);
}

TEST(Bitmap, InterlacedRgbPngWithoutAlphaIsOpaque) {
  TPngSpec Spec{9, 9, PNG_COLOR_TYPE_RGB, 8, {}};
  for (int I = 0; I < 9 * 9 * 3; ++I) {
    Spec.Rows.push_back(static_cast<uint8_t>(I * 7));
  }
  Spec.Interlaced = true;
  TBitmapPtr B = Load(WritePng(Spec));
  for (int I = 0; I < 81; ++I) {
    const uint8_t* P = &Spec.Rows[I * 3];
    ASSERT_EQ(uint32_t(B->GetPixel(I % 9, I / 9)), TGColor::Create(255, P[0], P[1], P[2])) << I;
  }
}

TEST(Bitmap, JpegsLoadOpaqueWhateverTheirFirstSegment) {
  auto Flat = NewBitmap();
  Flat->SetSize(16, 16);
  for (int I = 0; I < 256; ++I) {
    Flat->SetPixel(I % 16, I / 16, 0x80C86432);
  }
  std::string Jfif = Save(Flat, ".jpg");
  ASSERT_EQ(Jfif.substr(0, 4), Bytes({0xFF, 0xD8, 0xFF, 0xE0}));
  std::string Exif = WriteJpeg(16, 8, false, true);
  ASSERT_EQ(Exif.substr(0, 4), Bytes({0xFF, 0xD8, 0xFF, 0xE1}));
  for (auto& [Data, R, G, B] : {std::tuple{Jfif, 0xC8, 0x64, 0x32}, std::tuple{Exif, 77, 77, 77},
                                std::tuple{WriteJpeg(9, 9, true, false), 77, 77, 77}}) {
    TBitmapPtr J = Load(Data);
    ASSERT_GT(J->Width(), 0);
    for (int Y = 0; Y < J->Height(); ++Y) {
      for (int X = 0; X < J->Width(); ++X) {
        TGColor P = J->GetPixel(X, Y);
        ASSERT_EQ(P.A, 255);
        ASSERT_NEAR(P.R, R, 3);
        ASSERT_NEAR(P.G, G, 3);
        ASSERT_NEAR(P.B, B, 3);
      }
    }
  }
}

TEST(Bitmap, Jpeg2000BoxesAndCodestreamsDecodeExactly) {
  auto B = NewBitmap();
  Fill(B, 5, 4);
  std::string Raw = B->Bits();
  auto Px = reinterpret_cast<const uint8_t*>(Raw.data());
  std::string Jp2 = EncodeJp2(Px, 5, 4, 4);
  ASSERT_EQ(Jp2.substr(0, 4), Bytes({0, 0, 0, 0x0C}));
  EXPECT_EQ(Load(Jp2)->Bits(), Raw);
  EXPECT_EQ(Load(EncodeJp2(Px, 5, 4, 4, true))->Bits(), Raw);
  TBitmapPtr Rgb = Load(EncodeJp2(Px, 5, 4, 3));
  TBitmapPtr Grey = Load(EncodeJp2(Px, 5, 4, 1, true));
  for (int I = 0; I < 20; ++I) {
    TGColor P = B->GetPixel(I % 5, I / 5);
    EXPECT_EQ(uint32_t(Rgb->GetPixel(I % 5, I / 5)), (uint32_t(P) | 0xFF000000u));
    EXPECT_EQ(uint32_t(Grey->GetPixel(I % 5, I / 5)), TGColor::Create(255, P.G, P.G, P.G));
  }
}

TEST(Bitmap, SprBytesOfASmallBitmap) {
  auto B = NewBitmap();
  B->SetSize(2, 1);
  B->SetPixel(0, 0, 0x11223344);
  B->SetPixel(1, 0, 0xFF000080);
  EXPECT_EQ(Save(B, ".spr"), Bytes({0x2E, 0x53, 0x50, 0x52, 2,    2,    2,    1, 2, 0,   10,
                                    2,    8,    0x44, 0x33, 0x22, 0x11, 0x80, 0, 0, 0xFF}));
  B->SetCompressed(true);
  EXPECT_EQ(Save(B, ".spr")[9], 1); // faked: marked compressed, stored raw
  TBitmapPtr C = Load(Save(B, ".spr"));
  EXPECT_EQ(C->DataState(), bdsFaked);
  EXPECT_EQ(C->Bits(), B->Bits());
}

TEST(Bitmap, CompressionFollowsSizeAndSavingThresholds) {
  auto Uniform = NewBitmap();
  Uniform->SetSize(64, 64); // 16,384 bytes: compression is tried
  std::string Raw = Uniform->Bits();
  Uniform->SetCompressed(true);
  EXPECT_EQ(Uniform->DataState(), bdsCompressed);
  EXPECT_LT(Uniform->StoredBits().size(), Raw.size());
  EXPECT_EQ(Uniform->Bits(), Raw);
  EXPECT_EQ(Uniform->DataState(), bdsCompressed); // Bits() inflates a copy

  auto Small = NewBitmap();
  Small->SetSize(63, 64); // 16,128 bytes: only marked
  Small->SetCompressed(true);
  EXPECT_EQ(Small->DataState(), bdsFaked);

  auto Noise = NewBitmap();
  Noise->SetSize(64, 64);
  uint32_t Seed = 12345;
  for (int I = 0; I < 64 * 64; ++I) {
    Seed = Seed * 1103515245u + 12345u;
    Noise->SetPixel(I % 64, I / 64, Seed);
  }
  Noise->SetCompressed(true); // saves less than 8,192 bytes
  EXPECT_EQ(Noise->DataState(), bdsFaked);

  // A compressed ".spr" loads back compressed; GetPixel and SetCompressed (false) inflate.
  TBitmapPtr Back = Load(Save(Uniform, ".spr"));
  EXPECT_EQ(Back->DataState(), bdsCompressed);
  EXPECT_EQ(Back->StoredBits(), Uniform->StoredBits());
  EXPECT_EQ(uint32_t(Back->GetPixel(3, 3)), 0u);
  EXPECT_EQ(Back->DataState(), bdsNone);
  Uniform->SetCompressed(false);
  EXPECT_EQ(Uniform->DataState(), bdsNone);
  EXPECT_EQ(Uniform->StoredBits(), Raw);

  // Loaders re-apply the previous setting; SetSize drops it.
  Uniform->SetCompressed(true);
  Uniform->Assign(Back.get());
  EXPECT_EQ(Uniform->DataState(), bdsNone);
  Uniform->SetCompressed(true);
  TGMemoryStream Png(Save(Back, ".png"));
  Uniform->LoadFromStream(Png);
  EXPECT_EQ(Uniform->DataState(), bdsCompressed);
  Uniform->SetSize(2, 2);
  EXPECT_EQ(Uniform->DataState(), bdsNone);
  EXPECT_EQ(Uniform->Bits().size(), 16u);
}

TEST(Bitmap, UnknownFormatsAndJp2Saving) {
  EXPECT_EQ(LoadError("GIF89a"), "Unknown format");
  EXPECT_EQ(LoadError("\x89P"), "Unknown format");
  auto B = NewBitmap();
  B->SetSize(1, 1);
  TGMemoryStream S;
  try {
    B->SaveToStream(S, ".Bmp");
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Unknown format: .Bmp");
  }
  try {
    B->SaveToStream(S, ".JP2");
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Not implemented for class TGBitmap");
  }
  EXPECT_EQ(S.GetSize(), 0);
}

TEST(Bitmap, CorruptOrTruncatedPicturesRaiseAndLeaveTheBitmapAlone) {
  auto Src = NewBitmap();
  Fill(Src, 20, 12);
  std::string Raw = Src->Bits();
  std::vector<std::string> Good = {
      Save(Src, ".png"), Save(Src, ".jpg"),
      EncodeJp2(reinterpret_cast<const uint8_t*>(Raw.data()), 20, 12, 4), Save(Src, ".spr")};
  for (const std::string& G : Good) {
    ASSERT_EQ(LoadError(G), "");
    for (size_t Cut : {size_t{4}, size_t{20}, G.size() / 2, G.size() - 1}) {
      EXPECT_NE(LoadError(G.substr(0, Cut)), "") << G.substr(0, 4) << " cut at " << Cut;
    }
  }
  std::string BadCrc = Good[0];
  BadCrc[45] ^= 0x55;
  EXPECT_NE(LoadError(BadCrc), "");

  auto Kept = NewBitmap();
  Fill(Kept, 3, 3);
  std::string Before = Kept->Bits();
  TGMemoryStream S(Good[0].substr(0, 60));
  EXPECT_THROW(Kept->LoadFromStream(S), EGException);
  EXPECT_EQ(Kept->Bits(), Before);
}

TEST(Bitmap, AbsurdSizesAreRefusedBeforeAllocating) {
  // PNG header claiming 8192 x 8192 with almost no data behind it.
  std::string Png = WritePng({1, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3}});
  std::string Big = Png;
  for (int I : {16, 20}) {
    Big[I] = 0, Big[I + 1] = 0, Big[I + 2] = 0x20, Big[I + 3] = 0;
  }
  uint32_t Crc = crc32(0, reinterpret_cast<const Bytef*>(Big.data() + 12), 17);
  for (int I = 0; I < 4; ++I) {
    Big[29 + I] = static_cast<char>(Crc >> (24 - 8 * I));
  }
  EXPECT_NE(LoadError(Big), "");
  // JPEG frame header (SOF0) height and width set to 65535.
  std::string Jpg = WriteJpeg(8, 8, true, false);
  size_t Sof = Jpg.find(Bytes({0xFF, 0xC0}));
  ASSERT_NE(Sof, std::string::npos);
  for (int I = 5; I < 9; ++I) {
    Jpg[Sof + I] = '\xFF';
  }
  EXPECT_NE(LoadError(Jpg), "");
}

TEST(Bitmap, SprValidatesSizeStateAndBlock) {
  std::string Px8(8, 'x');
  EXPECT_EQ(LoadError(Spr(2, 1, 0, Px8)), "");
  EXPECT_EQ(LoadError(Spr(2, 1, 1, Px8)), "");
  EXPECT_NE(LoadError(Spr(2, 1, 3, Px8)), "");
  EXPECT_NE(LoadError(Spr(-2, 1, 0, Px8)), "");
  EXPECT_NE(LoadError(Spr(1 << 20, 1, 0, Px8)), "");
  EXPECT_NE(LoadError(Spr(1 << 14, 1 << 14, 0, Px8)), "");
  EXPECT_NE(LoadError(Spr(2, 1, 0, Px8 + "y")), "");
  EXPECT_NE(LoadError(Spr(2, 2, 0, Px8)), "");
  EXPECT_EQ(LoadError(Spr(2, 1, 2, Deflate(Px8))), "");
  EXPECT_NE(LoadError(Spr(2, 1, 2, Deflate(Px8 + "y"))), ""); // inflates too long
  EXPECT_NE(LoadError(Spr(2, 2, 2, Deflate(Px8))), "");       // inflates too short
  EXPECT_NE(LoadError(Spr(2, 1, 2, Deflate(Px8).substr(0, 6))), "");
  EXPECT_NE(LoadError(Spr(2, 1, 2, Px8)), "");
  EXPECT_NE(LoadError(Spr(2, 1, 0, Px8).substr(0, 15)), "");
}

TEST(Bitmap, FilesAreNamedInLoadErrors) {
  char Name[] = "/tmp/hoe-bitmap-XXXXXX";
  int Fd = mkstemp(Name);
  ASSERT_GE(Fd, 0);
  ASSERT_EQ(write(Fd, "junkjunk", 8), 8);
  close(Fd);
  auto B = NewBitmap();
  try {
    B->LoadFromFile(Name);
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), std::string(Name) + ": Unknown format");
  }
  Fill(B, 4, 4);
  std::string Png = std::string(Name) + ".png";
  B->SaveToFile(Png);
  auto C = NewBitmap();
  C->LoadFromFile(Png);
  EXPECT_EQ(C->Bits(), B->Bits());
  std::remove(Name);
  std::remove(Png.c_str());
}

TEST(Bitmap, PixelsOutsideAndGreyValues) {
  auto B = NewBitmap();
  Fill(B, 2, 2);
  EXPECT_EQ(uint32_t(B->GetPixel(2, 0)), 0u);
  EXPECT_EQ(uint32_t(B->GetPixel(0, -1)), 0u);
  EXPECT_EQ(uint32_t(GrayscalePixel(0x7FFFFFFF)), 0x7FFCFCFCu);
  EXPECT_EQ(uint32_t(GrayscalePixel(0xFF030109)), 0xFF000000u); // each term truncated
  EXPECT_EQ(uint32_t(GrayscalePixel(0x20FF0000)), 0x204B4B4Bu);
}

// The codecs behind the bitmap: each loader and saver reaches its own format, and no two
// formats claim the same first bytes (LoadFromStream would then depend on the order it asks).

TEST(BitmapCodec, EachLoaderReadsItsOwnFormatOnly) {
  auto Src = NewBitmap();
  Fill(Src, 6, 3);
  std::string Raw = Src->Bits();
  TGMemoryStream Png, Jpg, Spr;
  Src->SavePng(Png);
  Src->SaveJpg(Jpg);
  Src->SaveSpr(Spr);
  std::string Jp2 = EncodeJp2(reinterpret_cast<const uint8_t*>(Raw.data()), 6, 3, 4);
  using TLoader = void (TGBitmap::*)(TGStream&);
  const std::pair<std::string, TLoader> Formats[] = {{Png.Data(), &TGBitmap::LoadPng},
                                                     {Jpg.Data(), &TGBitmap::LoadJpg},
                                                     {Jp2, &TGBitmap::LoadJp2},
                                                     {Spr.Data(), &TGBitmap::LoadSpr}};
  for (size_t F = 0; F < std::size(Formats); ++F) {
    for (size_t L = 0; L < std::size(Formats); ++L) {
      auto B = NewBitmap();
      Fill(B, 2, 2);
      TGMemoryStream S(Formats[F].first);
      if (F != L) {
        EXPECT_THROW((B.get()->*Formats[L].second)(S), EGException) << F << " by " << L;
        EXPECT_EQ(B->Width(), 2);
        continue;
      }
      (B.get()->*Formats[L].second)(S);
      ASSERT_EQ(B->Width(), 6) << F;
      ASSERT_EQ(B->Height(), 3) << F;
      if (Formats[F].second != &TGBitmap::LoadJpg) {
        EXPECT_EQ(B->Bits(), Raw) << F; // lossless formats
      }
    }
  }
}

TEST(BitmapCodec, EverySignatureBelongsToOneCodec) {
  auto Src = NewBitmap();
  Fill(Src, 6, 3);
  std::string Raw = Src->Bits();
  auto Px = reinterpret_cast<const uint8_t*>(Raw.data());
  const TGBitmapCodecPNG Png;
  const TGBitmapCodecJPEG Jpeg;
  const TGBitmapCodecJP2 Jp2;
  const TGBitmapCodecSpr Spr;
  const TGBitmapCodec* Codecs[] = {&Png, &Jpeg, &Jp2, &Spr};
  auto Encoded = [&Src](const TGBitmapCodec& Codec) {
    TGMemoryStream S;
    Codec.Encode(*Src, S);
    return S.Data();
  };
  const std::pair<std::string, const TGBitmapCodec*> Samples[] = {
      {Encoded(Png), &Png},
      {Encoded(Jpeg), &Jpeg},
      {WriteJpeg(4, 4, false, true), &Jpeg},
      {EncodeJp2(Px, 6, 3, 4), &Jp2},
      {EncodeJp2(Px, 6, 3, 4, true), &Jp2},
      {Encoded(Spr), &Spr}};
  for (const auto& [Data, Owner] : Samples) {
    unsigned char Head[4];
    std::memcpy(Head, Data.data(), 4);
    for (const TGBitmapCodec* Codec : Codecs) {
      EXPECT_EQ(Codec->HasSignature(Head), Codec == Owner)
          << Owner->Extension() << " claimed by " << Codec->Extension();
    }
    TGMemoryStream S(Data);
    TGBitmapImage Image = Owner->Decode(S);
    EXPECT_GT(Image.Width, 0);
    EXPECT_EQ(Image.Bits.size(), size_t(Image.Width) * Image.Height * 4);
    EXPECT_EQ(Image.DataState, bdsNone);
  }
  // Only ".spr" keeps a compressed bitmap's stored bytes as they are.
  auto Big = NewBitmap();
  Big->SetSize(64, 64);
  Big->SetCompressed(true);
  TGMemoryStream Packed;
  Spr.Encode(*Big, Packed);
  Packed.SetPosition(0);
  TGBitmapImage Image = Spr.Decode(Packed);
  EXPECT_EQ(Image.DataState, bdsCompressed);
  EXPECT_EQ(Image.Bits, Big->StoredBits());
  for (const TGBitmapCodec* Codec : Codecs) {
    EXPECT_EQ(Codec->KeepsDataState(), Codec == &Spr);
  }
}

TEST(BitmapCodec, LoadersReadFromTheStreamPositionToItsEnd) {
  auto Src = NewBitmap();
  Fill(Src, 5, 5);
  std::string Data = "junk" + Save(Src, ".png");
  auto B = NewBitmap();
  TGMemoryStream Memory(Data);
  Memory.SetPosition(4);
  B->LoadPng(Memory);
  EXPECT_EQ(B->Bits(), Src->Bits());
  EXPECT_EQ(Memory.Position(), Memory.GetSize());

  char Name[] = "/tmp/hoe-codec-XXXXXX";
  int Fd = mkstemp(Name);
  ASSERT_GE(Fd, 0);
  ASSERT_EQ(write(Fd, Data.data(), Data.size()), ssize_t(Data.size()));
  close(Fd);
  {
    TGFileStream File(Name, fmOpenRead);
    File.SetPosition(4);
    auto C = NewBitmap();
    C->LoadPng(File);
    EXPECT_EQ(C->Bits(), Src->Bits());
    EXPECT_EQ(File.Position(), File.GetSize());
  }
  std::remove(Name);
}
