// PNG output through libpng, written to a temporary name and renamed.
#include "vsk-data/png_write.h"

#include <png.h>

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace vsk::data {

namespace {

struct PngHeader {
  uint32_t width, height;
  int colourType;
  std::size_t rowBytes;
  const Palette* palette;  // for PNG_COLOR_TYPE_PALETTE
};

// The libpng calls; a libpng error jumps back here and gives false. No local
// changes between setjmp and the return, so nothing is clobbered.
bool Encode(png_structp png, png_infop info, std::FILE* file, const PngHeader& header,
            const uint8_t* data) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, header.width, header.height, 8, header.colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (header.palette) {
    png_color colours[256];
    for (int i = 0; i < 256; ++i)
      colours[i] = {(*header.palette)[i].r, (*header.palette)[i].g, (*header.palette)[i].b};
    png_set_PLTE(png, info, colours, 256);
  }
  png_write_info(png, info);
  for (uint32_t y = 0; y < header.height; ++y)
    png_write_row(png, const_cast<png_bytep>(data + y * header.rowBytes));
  png_write_end(png, nullptr);
  return true;
}

bool WriteFile(const std::string& path, const PngHeader& header, const uint8_t* data) {
  const std::string temp = path + ".part";
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = png && info && Encode(png, info, file, header, data);
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  if (std::fclose(file) != 0) ok = false;
  std::error_code error;
  if (ok) {
    std::filesystem::rename(temp, path, error);
    if (!error) return true;
  }
  std::filesystem::remove(temp, error);
  return false;
}

}  // namespace

bool WritePng(const std::string& path, const IndexedImage& image, const Palette& palette) {
  if (image.width == 0 || image.height == 0 ||
      image.pixels.size() != std::size_t(image.width) * image.height)
    return false;
  const PngHeader header{image.width, image.height, PNG_COLOR_TYPE_PALETTE, image.width, &palette};
  return WriteFile(path, header, image.pixels.data());
}

bool WritePngRgb(const std::string& path, uint32_t width, uint32_t height,
                 const std::vector<uint8_t>& rgb) {
  if (width == 0 || height == 0 || rgb.size() != std::size_t(width) * height * 3) return false;
  const PngHeader header{width, height, PNG_COLOR_TYPE_RGB, std::size_t(width) * 3, nullptr};
  return WriteFile(path, header, rgb.data());
}

bool WritePngRgba(const std::string& path, uint32_t width, uint32_t height,
                  const std::vector<uint8_t>& rgba) {
  if (width == 0 || height == 0 || rgba.size() != std::size_t(width) * height * 4) return false;
  const PngHeader header{width, height, PNG_COLOR_TYPE_RGBA, std::size_t(width) * 4, nullptr};
  return WriteFile(path, header, rgba.data());
}

}  // namespace vsk::data
