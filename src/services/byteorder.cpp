#include "services/byteorder.h"

namespace vsk {

void SwapBytes(void* data, uint16_t count, uint16_t size) {
  auto* bytes = static_cast<uint8_t*>(data);
  if (size == 1) {
    for (uint32_t i = 0; i < count; ++i, bytes += 4) {
      uint8_t b0 = bytes[0], b1 = bytes[1];
      bytes[0] = bytes[3];
      bytes[1] = bytes[2];
      bytes[2] = b1;
      bytes[3] = b0;
    }
  } else {
    for (uint32_t i = 0; i < count; ++i, bytes += 2) {
      uint8_t b0 = bytes[0];
      bytes[0] = bytes[1];
      bytes[1] = b0;
    }
  }
}

}  // namespace vsk
