// Builds the bytes of a test file: big-endian numbers, texts and padding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vsk::test {

struct Bytes {
  std::vector<uint8_t> data;

  Bytes& be32(uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) data.push_back(static_cast<uint8_t>(v >> shift));
    return *this;
  }
  Bytes& be16(uint16_t v) {
    data.push_back(static_cast<uint8_t>(v >> 8));
    data.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Bytes& le32(uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<uint8_t>(v >> shift));
    return *this;
  }
  Bytes& u8(uint8_t v) {
    data.push_back(v);
    return *this;
  }
  // The characters of text, without a terminator.
  Bytes& text(const std::string& s) {
    data.insert(data.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& zeros(size_t n) {
    data.insert(data.end(), n, 0);
    return *this;
  }
  Bytes& append(const Bytes& other) {
    data.insert(data.end(), other.data.begin(), other.data.end());
    return *this;
  }
  size_t size() const { return data.size(); }
};

}  // namespace vsk::test
