// The OpenGL presenter's conversion of the 640 x 480 8-bit screen into the
// RGB bytes of its texture, through the 256 colours of GLColors (red, green,
// blue, flags each). It runs once per frame, so it has a plain version and,
// on x86 processors that have them, vector versions chosen at run time.
#pragma once

#include <cstdint>

namespace vsk {

// The 640 x 480 indices (rows bytesPerRow apart, at least 640) as
// 640 x 480 x 3 RGB bytes, with the fastest conversion this processor has.
void ConvertScreen(const uint8_t* pixels, uint32_t bytesPerRow, const uint8_t* colors, uint8_t* rgb);

// `rows` rows of 640 indices the same way, as red, green, blue and 255 for
// each pixel (640 x rows x 4 bytes): the layout a driver stores an RGB
// texture in, so that uploading it needs no conversion of its own.
void ConvertRowsRGBA(const uint8_t* pixels, uint32_t bytesPerRow, uint32_t rows, const uint8_t* colors,
                     uint8_t* rgba);

// The conversions one by one, for tests and benchmarks; each gives the same
// bytes. A vector one is usable only where ScreenConversionAvailable says so.
enum class ScreenConversion { Plain, Avx2, Avx512Vbmi };
bool ScreenConversionAvailable(ScreenConversion conversion);
void ConvertScreenWith(ScreenConversion conversion, const uint8_t* pixels, uint32_t bytesPerRow,
                       const uint8_t* colors, uint8_t* rgb);

}  // namespace vsk
