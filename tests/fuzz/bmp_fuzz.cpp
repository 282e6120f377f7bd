// The OpenGL presenter's backdrop from outside: any bytes as the BMP file
// must give an image whose every pixel lies in what was read, or the
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
  FILE* file = std::fopen("vsk.bmp", "wb");
  if (!file) std::abort();
  if (size) std::fwrite(data, 1, size, file);
  std::fclose(file);
  vsk::RGBImage* image = vsk::LoadBMPImage("vsk.bmp");
  if (image) {
    Check(image->width > 0 && image->height > 0 && image->data);
    // Every pixel comes from the file: at least its bits were there.
    Check(uint64_t(image->width) * uint64_t(image->height) <= uint64_t(size) * 8);
    // Reading every byte lets AddressSanitizer see an image shorter than it says.
    uint8_t seen = 0;
    for (size_t i = 0; i < size_t(image->width) * size_t(image->height) * 3; ++i) seen |= image->data[i];
    asm volatile("" : : "r"(seen));
    vsk::FreeRGBImage(image);
  }
  return 0;
}
