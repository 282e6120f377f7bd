#include "present/gl/convert.h"

#include <bit>
#include <cstring>

#include "gfx/bitmap.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VSK_X86_VECTORS 1
#include <immintrin.h>
#endif

namespace vsk {

namespace {

constexpr uint32_t kRowBytes = kScreenWidth * 3;

// Eight pixels at a time from a table of 64-bit colours: the 24 bytes they
// make are put together in registers and written as three words.
void ConvertPlain(const uint8_t* pixels, uint32_t bytesPerRow, const uint8_t* colors, uint8_t* rgb) {
  uint64_t table[256];
  for (int i = 0; i < 256; ++i)
    table[i] = uint64_t(colors[4 * i]) | uint64_t(colors[4 * i + 1]) << 8 | uint64_t(colors[4 * i + 2]) << 16;
  static_assert(kScreenWidth % 8 == 0);
  for (uint32_t y = 0; y < kScreenHeight; ++y) {
    const uint8_t* in = pixels + static_cast<size_t>(y) * bytesPerRow;
    uint8_t* out = rgb + static_cast<size_t>(y) * kRowBytes;
    for (uint32_t x = 0; x < kScreenWidth; x += 8, out += 24) {
      const uint64_t c0 = table[in[x]], c1 = table[in[x + 1]], c2 = table[in[x + 2]], c3 = table[in[x + 3]];
      const uint64_t c4 = table[in[x + 4]], c5 = table[in[x + 5]], c6 = table[in[x + 6]], c7 = table[in[x + 7]];
      static_assert(std::endian::native == std::endian::little, "the words are laid out low byte first");
      const uint64_t first = c0 | c1 << 24 | c2 << 48;
      const uint64_t second = c2 >> 16 | c3 << 8 | c4 << 32 | c5 << 56;
      const uint64_t third = c5 >> 8 | c6 << 16 | c7 << 40;
      std::memcpy(out, &first, 8);
      std::memcpy(out + 8, &second, 8);
      std::memcpy(out + 16, &third, 8);
    }
  }
}

#ifdef VSK_X86_VECTORS

// The last pixels of a row one by one, where a vector store would run past
// the end of the frame.
void ConvertTail(const uint8_t* in, uint32_t from, const uint8_t* colors, uint8_t* out) {
  for (uint32_t x = from; x < kScreenWidth; ++x) {
    out[3 * x] = colors[4 * in[x]];
    out[3 * x + 1] = colors[4 * in[x] + 1];
    out[3 * x + 2] = colors[4 * in[x] + 2];
  }
}

// Eight colours at a time gathered from the table, their flag bytes
// squeezed out; each 32-byte store writes 24 bytes of colour and 8 that the
// next store writes again.
__attribute__((target("avx2"))) void ConvertAvx2(const uint8_t* pixels, uint32_t bytesPerRow,
                                                 const uint8_t* colors, uint8_t* rgb) {
  const __m256i squeeze = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                           0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
  const int* table = reinterpret_cast<const int*>(colors);
  for (uint32_t y = 0; y < kScreenHeight; ++y) {
    const uint8_t* in = pixels + static_cast<size_t>(y) * bytesPerRow;
    uint8_t* out = rgb + static_cast<size_t>(y) * kRowBytes;
    uint32_t x = 0;
    for (; x + 8 < kScreenWidth; x += 8) {
      const __m256i indices = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + x)));
      __m256i colours = _mm256_i32gather_epi32(table, indices, 4);
      colours = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(colours, squeeze), join);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 3 * x), colours);
    }
    ConvertTail(in, x, colors, out);
  }
}

// Sixty-four pixels at a time: each channel looked up in its own 256-byte
// plane with byte permutes (two 128-entry halves chosen by the index's top
// bit), then the three channels interleaved into 192 bytes of RGB.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void ConvertAvx512Vbmi(const uint8_t* pixels,
                                                                               uint32_t bytesPerRow,
                                                                               const uint8_t* colors,
                                                                               uint8_t* rgb) {
  alignas(64) uint8_t planes[3][256];
  for (int i = 0; i < 256; ++i)
    for (int c = 0; c < 3; ++c) planes[c][i] = colors[4 * i + c];
  __m512i plane[3][4];
  for (int c = 0; c < 3; ++c)
    for (int q = 0; q < 4; ++q) plane[c][q] = _mm512_load_si512(planes[c] + 64 * q);
  // Output block k (64 bytes) takes byte j from pixel (64k + j) / 3, channel
  // (64k + j) % 3: red and green by one two-source permute, blue blended in.
  alignas(64) uint8_t redGreen[3][64], blue[3][64];
  __mmask64 blueBytes[3];
  for (int k = 0; k < 3; ++k) {
    uint64_t mask = 0;
    for (int j = 0; j < 64; ++j) {
      const int at = 64 * k + j, pixel = at / 3, channel = at % 3;
      redGreen[k][j] = static_cast<uint8_t>(channel == 1 ? 64 + pixel : pixel);
      blue[k][j] = static_cast<uint8_t>(pixel);
      if (channel == 2) mask |= uint64_t(1) << j;
    }
    blueBytes[k] = mask;
  }
  __m512i pickRedGreen[3], pickBlue[3];
  for (int k = 0; k < 3; ++k) {
    pickRedGreen[k] = _mm512_load_si512(redGreen[k]);
    pickBlue[k] = _mm512_load_si512(blue[k]);
  }
  static_assert(kScreenWidth % 64 == 0);
  for (uint32_t y = 0; y < kScreenHeight; ++y) {
    const uint8_t* in = pixels + static_cast<size_t>(y) * bytesPerRow;
    uint8_t* out = rgb + static_cast<size_t>(y) * kRowBytes;
    for (uint32_t x = 0; x < kScreenWidth; x += 64, out += 192) {
      const __m512i indices = _mm512_loadu_si512(in + x);
      const __mmask64 upper = _mm512_movepi8_mask(indices);
      __m512i channel[3];
      for (int c = 0; c < 3; ++c) {
        const __m512i low = _mm512_permutex2var_epi8(plane[c][0], indices, plane[c][1]);
        const __m512i high = _mm512_permutex2var_epi8(plane[c][2], indices, plane[c][3]);
        channel[c] = _mm512_mask_blend_epi8(upper, low, high);
      }
      for (int k = 0; k < 3; ++k) {
        const __m512i rg = _mm512_permutex2var_epi8(channel[0], pickRedGreen[k], channel[1]);
        const __m512i b = _mm512_permutex2var_epi8(channel[2], pickBlue[k], channel[2]);
        _mm512_storeu_si512(out + 64 * k, _mm512_mask_blend_epi8(blueBytes[k], rg, b));
      }
    }
  }
}

#endif

ScreenConversion Fastest() {
  static const ScreenConversion fastest = [] {
    if (ScreenConversionAvailable(ScreenConversion::Avx512Vbmi)) return ScreenConversion::Avx512Vbmi;
    if (ScreenConversionAvailable(ScreenConversion::Avx2)) return ScreenConversion::Avx2;
    return ScreenConversion::Plain;
  }();
  return fastest;
}

}  // namespace

bool ScreenConversionAvailable(ScreenConversion conversion) {
#ifdef VSK_X86_VECTORS
  __builtin_cpu_init();
#endif
  switch (conversion) {
    case ScreenConversion::Plain:
      return true;
#ifdef VSK_X86_VECTORS
    case ScreenConversion::Avx2:
      return __builtin_cpu_supports("avx2");
    case ScreenConversion::Avx512Vbmi:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("avx512vbmi");
#endif
    default:
      return false;
  }
}

void ConvertScreenWith(ScreenConversion conversion, const uint8_t* pixels, uint32_t bytesPerRow,
                       const uint8_t* colors, uint8_t* rgb) {
#ifdef VSK_X86_VECTORS
  if (conversion == ScreenConversion::Avx512Vbmi && ScreenConversionAvailable(conversion))
    return ConvertAvx512Vbmi(pixels, bytesPerRow, colors, rgb);
  if (conversion == ScreenConversion::Avx2 && ScreenConversionAvailable(conversion))
    return ConvertAvx2(pixels, bytesPerRow, colors, rgb);
#else
  (void)conversion;
#endif
  ConvertPlain(pixels, bytesPerRow, colors, rgb);
}

void ConvertRowsRGBA(const uint8_t* pixels, uint32_t bytesPerRow, uint32_t rows, const uint8_t* colors,
                     uint8_t* rgba) {
  uint32_t table[256];
  for (int i = 0; i < 256; ++i) {
    static_assert(std::endian::native == std::endian::little, "red is the lowest byte");
    table[i] = uint32_t(colors[4 * i]) | uint32_t(colors[4 * i + 1]) << 8 | uint32_t(colors[4 * i + 2]) << 16 |
               0xFF000000u;
  }
  for (uint32_t y = 0; y < rows; ++y) {
    const uint8_t* in = pixels + static_cast<size_t>(y) * bytesPerRow;
    uint8_t* out = rgba + static_cast<size_t>(y) * kScreenWidth * 4;
    for (uint32_t x = 0; x < kScreenWidth; ++x) std::memcpy(out + 4 * x, &table[in[x]], 4);
  }
}

void ConvertScreen(const uint8_t* pixels, uint32_t bytesPerRow, const uint8_t* colors, uint8_t* rgb) {
  ConvertScreenWith(Fastest(), pixels, bytesPerRow, colors, rgb);
}

}  // namespace vsk
