// The OpenGL presenter's backdrop from outside: any bytes as the BMP file
// must give an image whose every pixel lies in what was read (or, for a
// run-length stream, in a picture of at most 16384 by 16384), or the
// refusal (null), never a read outside the file and never a leak.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "present/gl/bmp.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string dir = (std::filesystem::temp_directory_path() / "vsk-bmp-fuzz-XXXXXX").string();
  if (!mkdtemp(dir.data()) || chdir(dir.c_str()) != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A run-length stream (information header or larger, compression 1 or 2)
  // may leave any part of its picture unwritten, so its size is not bound
  // by the file's. Past a million pixels such a picture only costs time:
  // its stream is decoded the same way, and 16384 by 16384 takes seconds.
  const bool runLength = size >= 34 && data[14] != 12 && (data[30] == 1 || data[30] == 2) && !data[31] &&
                         !data[32] && !data[33];
  if (runLength) {
    const auto side = [&](size_t at) {
      const uint32_t v = data[at] | data[at + 1] << 8 | data[at + 2] << 16 | uint32_t{data[at + 3]} << 24;
      return uint64_t(std::llabs(int32_t(v)));
    };
    if (side(18) * side(22) > (1u << 20)) return 0;
  }
  FILE* file = std::fopen("vsk.bmp", "wb");
  if (!file) std::abort();
  if (size) std::fwrite(data, 1, size, file);
  std::fclose(file);
  vsk::RGBImage* image = vsk::LoadBMPImage("vsk.bmp");
  if (image) {
    Check(image->width > 0 && image->height > 0 && image->width <= 16384 && image->height <= 16384 && image->data);
    // Every other pixel comes from the file: at least its bits were there.
    Check(runLength || uint64_t(image->width) * uint64_t(image->height) <= uint64_t(size) * 8);
    // Reading every byte lets AddressSanitizer see an image shorter than it says.
    uint8_t seen = 0;
    for (size_t i = 0; i < size_t(image->width) * size_t(image->height) * 3; ++i) seen |= image->data[i];
    asm volatile("" : : "r"(seen));
    vsk::FreeRGBImage(image);
  }
  return 0;
}
