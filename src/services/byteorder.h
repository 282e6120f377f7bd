// Big-endian data of the game's files to the processor's order and back.
#pragma once

#include <cstdint>

namespace vsk {

// Reverses the bytes of count consecutive 32-bit values (size 1) or 16-bit
// values (any other size) in place.
void SwapBytes(void* data, uint16_t count, uint16_t size);

// Reads a big-endian number from unaligned bytes.
inline uint32_t ReadBE32(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}
inline uint16_t ReadBE16(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

}  // namespace vsk
