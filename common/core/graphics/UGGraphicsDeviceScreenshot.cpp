// Screenshots as JPEG files.
#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "graphics/UGGraphicsDevice.h"
#include "math/UGColor.h"

#include <cstdio>
#include <jpeglib.h>

#include <csetjmp>
#include <png.h>
#include <string>
#include <vector>

namespace {

struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr Info) {
  auto* E = reinterpret_cast<TJpegError*>(Info->err);
  Info->err->format_message(Info, E->Message);
  std::longjmp(E->Jump, 1);
}

} // namespace

void SaveScreenshotJpeg(const std::string& FileName, int32_t Width, int32_t Height,
                        const std::vector<TGColor>& Pixels) {
  std::FILE* File = std::fopen(FileName.c_str(), "wb");
  if (!File)
    throw EFCreateError(Format("Cannot create file \"%s\"", {TGFormatArg(FileName)}));
  jpeg_compress_struct Info{};
  TJpegError Err{};
  Info.err = jpeg_std_error(&Err.Manager);
  Err.Manager.error_exit = OnJpegError;
  std::vector<uint8_t> Row(static_cast<size_t>(Width) * 3);
  if (setjmp(Err.Jump)) {
    jpeg_destroy_compress(&Info);
    std::fclose(File);
    throw Error("JPEG: %s", std::string(Err.Message));
  }
  jpeg_create_compress(&Info);
  jpeg_stdio_dest(&Info, File);
  Info.image_width = static_cast<JDIMENSION>(Width);
  Info.image_height = static_cast<JDIMENSION>(Height);
  Info.input_components = 3;
  Info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&Info);
  jpeg_set_quality(&Info, 100, TRUE);
  jpeg_start_compress(&Info, TRUE);
  while (Info.next_scanline < Info.image_height) {
    const TGColor* Src = &Pixels[static_cast<size_t>(Info.next_scanline) * Width];
    for (int32_t X = 0; X < Width; ++X) {
      Row[X * 3] = Src[X].R;
      Row[X * 3 + 1] = Src[X].G;
      Row[X * 3 + 2] = Src[X].B;
    }
    JSAMPROW Line = Row.data();
    jpeg_write_scanlines(&Info, &Line, 1);
  }
  jpeg_finish_compress(&Info);
  jpeg_destroy_compress(&Info);
  if (std::fclose(File) != 0)
    throw EWriteError(Format("Cannot write file \"%s\"", {TGFormatArg(FileName)}));
}

void SaveScreenshotPng(const std::string& FileName, int32_t Width, int32_t Height,
                       const std::vector<TGColor>& Pixels) {
  png_image Image{};
  Image.version = PNG_IMAGE_VERSION;
  Image.width = static_cast<png_uint_32>(Width);
  Image.height = static_cast<png_uint_32>(Height);
  Image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> Rgb(static_cast<size_t>(Width) * static_cast<size_t>(Height) * 3);
  for (size_t I = 0; I < Pixels.size() && I * 3 + 2 < Rgb.size(); ++I) {
    Rgb[I * 3] = Pixels[I].R;
    Rgb[I * 3 + 1] = Pixels[I].G;
    Rgb[I * 3 + 2] = Pixels[I].B;
  }
  if (!png_image_write_to_file(&Image, FileName.c_str(), 0, Rgb.data(), 0, nullptr)) {
    throw Error("Cannot write the picture %s: %s", FileName, Image.message);
  }
}

void SaveScreenshot(const std::string& FileName) {
  if (!GD) {
    throw Error("Cannot write the picture %s: there is no graphics device", FileName);
  }
  std::vector<TGColor> Pixels;
  if (!GD->CreateScreenshotPixels(Pixels)) {
    throw Error("Cannot write the picture %s: the back buffer cannot be read", FileName);
  }
  std::string Ext = LowerCase(ExtractFileExt(FileName));
  if (Ext == ".png") {
    SaveScreenshotPng(FileName, GD->Width(), GD->Height(), Pixels);
  } else {
    SaveScreenshotJpeg(FileName, GD->Width(), GD->Height(), Pixels);
  }
}
