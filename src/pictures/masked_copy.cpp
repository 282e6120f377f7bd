#include "pictures/masked_copy.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VSK_X86_BLENDS 1
#endif

namespace vsk {

namespace {

// Whether a row's bytes and its destination's share memory.
bool Overlap(const uint8_t* from, const uint8_t* to, size_t bytes) {
  const auto source = reinterpret_cast<uintptr_t>(from);
  const auto target = reinterpret_cast<uintptr_t>(to);
  return source < target + bytes && target < source + bytes;
}

void MaskedRowBytes(const uint8_t* from, uint8_t* to, uint32_t width, uint8_t mask) {
  for (uint32_t i = 0; i < width; ++i) {
    if (from[i] != mask) to[i] = from[i];
  }
}

void MaskedRowsBytes(const uint8_t* from, size_t fromStride, uint8_t* to, size_t toStride, uint32_t width,
                     uint32_t height, uint8_t mask) {
  for (uint32_t row = 0; row < height; ++row, from += fromStride, to += toStride)
    MaskedRowBytes(from, to, width, mask);
}

#if defined(VSK_X86_BLENDS)

// Both wide variants work the same way. A row that is not a whole number of
// blocks ends with one block laid over the row's last bytes. That block is
// blended first, from the destination as it still is, and stored last:
// blending a byte twice gives the same byte (the source is not the
// destination), and no load follows a store it partly overlaps, which would
// stall the processor's store forwarding on every row. Rows narrower than
// a block, and rows that overlap their destination, go byte by byte.

inline __m128i Blend16(const uint8_t* from, const uint8_t* to, __m128i mask) {
  const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  const __m128i under = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to));
  const __m128i transparent = _mm_cmpeq_epi8(pixels, mask);
  return _mm_or_si128(_mm_and_si128(transparent, under), _mm_andnot_si128(transparent, pixels));
}

void MaskedRows16(const uint8_t* from, size_t fromStride, uint8_t* to, size_t toStride, uint32_t width,
                  uint32_t height, uint8_t mask) {
  if (width < 16) return MaskedRowsBytes(from, fromStride, to, toStride, width, height, mask);
  const __m128i key = _mm_set1_epi8(static_cast<char>(mask));
  const uint32_t last = width - 16;
  const bool ragged = width % 16 != 0;
  for (uint32_t row = 0; row < height; ++row, from += fromStride, to += toStride) {
    if (Overlap(from, to, width)) {
      MaskedRowBytes(from, to, width, mask);
      continue;
    }
    const __m128i tail = ragged ? Blend16(from + last, to + last, key) : _mm_setzero_si128();
    for (uint32_t i = 0; i + 16 <= width; i += 16)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), Blend16(from + i, to + i, key));
    if (ragged) _mm_storeu_si128(reinterpret_cast<__m128i*>(to + last), tail);
  }
}

__attribute__((target("avx2"))) inline __m256i Blend32(const uint8_t* from, const uint8_t* to, __m256i mask) {
  const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
  const __m256i under = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to));
  return _mm256_blendv_epi8(pixels, under, _mm256_cmpeq_epi8(pixels, mask));
}

__attribute__((target("avx2"))) void MaskedRows32(const uint8_t* from, size_t fromStride, uint8_t* to,
                                                  size_t toStride, uint32_t width, uint32_t height, uint8_t mask) {
  if (width < 32) return MaskedRows16(from, fromStride, to, toStride, width, height, mask);
  const __m256i key = _mm256_set1_epi8(static_cast<char>(mask));
  const uint32_t last = width - 32;
  const bool ragged = width % 32 != 0;
  for (uint32_t row = 0; row < height; ++row, from += fromStride, to += toStride) {
    if (Overlap(from, to, width)) {
      MaskedRowBytes(from, to, width, mask);
      continue;
    }
    const __m256i tail = ragged ? Blend32(from + last, to + last, key) : _mm256_setzero_si256();
    for (uint32_t i = 0; i + 32 <= width; i += 32)
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + i), Blend32(from + i, to + i, key));
    if (ragged) _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + last), tail);
  }
}

#endif

}  // namespace

bool Has32ByteBlend() {
#if defined(VSK_X86_BLENDS)
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
#else
  return false;
#endif
}

void CopyMaskedRowsIn(uint32_t blendWidth, const uint8_t* from, size_t fromStride, uint8_t* to, size_t toStride,
                      uint32_t width, uint32_t height, uint8_t mask) {
#if defined(VSK_X86_BLENDS)
  if (blendWidth == 32 && Has32ByteBlend()) return MaskedRows32(from, fromStride, to, toStride, width, height, mask);
  if (blendWidth == 16) return MaskedRows16(from, fromStride, to, toStride, width, height, mask);
#else
  (void)blendWidth;  // other processors: the plain loop, which compilers vectorise as they can
#endif
  MaskedRowsBytes(from, fromStride, to, toStride, width, height, mask);
}

void CopyMaskedRows(const uint8_t* from, size_t fromStride, uint8_t* to, size_t toStride, uint32_t width,
                    uint32_t height, uint8_t mask) {
  static const uint32_t widest = Has32ByteBlend() ? 32 : 16;
  CopyMaskedRowsIn(widest, from, fromStride, to, toStride, width, height, mask);
}

void CopyOpaqueRows(const uint8_t* from, size_t fromStride, uint8_t* to, size_t toStride, uint32_t width,
                    uint32_t height) {
  if (width == 0 || height == 0) return;
  // Rows that follow each other without a gap on both sides are one block;
  // when the two blocks do not overlap, one copy does them all.
  const size_t bytes = size_t{width} * height;
  if (fromStride == width && toStride == width && !Overlap(from, to, bytes)) {
    std::memcpy(to, from, bytes);
    return;
  }
  for (uint32_t row = 0; row < height; ++row, from += fromStride, to += toStride) std::memmove(to, from, width);
}

}  // namespace vsk
