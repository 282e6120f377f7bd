// The inner loops of the blits: a rectangle of masked rows (every source
// byte that is not the mask colour replaces the destination byte) and a
// rectangle of opaque rows. Masked rows compare and blend 16 or 32 bytes at
// a time; every variant gives the same bytes as the plain loop.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vsk {

// Copies `height` rows of `width` bytes, masked. Rows that overlap their
// destination (a rectangle copied onto itself, shifted) go byte by byte from
// the left, the others 16 or 32 bytes at a time, as wide as the processor
// runs.
void CopyMaskedRows(const uint8_t* from, size_t fromStride, uint8_t* to, size_t toStride, uint32_t width,
                    uint32_t height, uint8_t mask);

// The same with the width of the blends chosen, for the comparison tests:
// 1 (the plain loop), 16, or 32 where Has32ByteBlend() says the processor
// can; any other value means 1.
void CopyMaskedRowsIn(uint32_t blendWidth, const uint8_t* from, size_t fromStride, uint8_t* to, size_t toStride,
                      uint32_t width, uint32_t height, uint8_t mask);
bool Has32ByteBlend();

// Copies `height` rows of `width` bytes, each row read before it is written
// and the rows from the top, so a rectangle copied onto itself, shifted,
// comes out as the row-by-row copy always made it.
void CopyOpaqueRows(const uint8_t* from, size_t fromStride, uint8_t* to, size_t toStride, uint32_t width,
                    uint32_t height);

}  // namespace vsk
