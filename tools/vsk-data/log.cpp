#include "vsk-data/log.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "vsk-data/commands.h"
#include "vsk-data/write_file.h"

namespace vsk::data {

namespace {

bool Continuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

// The length of the valid UTF-8 multi-byte character at `at` (2 to 4), or 0
// when none starts there: overlong forms, surrogates, code points beyond
// U+10FFFF and cut-off sequences do not count.
size_t Utf8CharacterAt(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[at + i]); };
  const size_t left = text.size() - at;
  const uint8_t lead = byte(0);
  size_t length = 0;
  uint8_t low = 0x80, high = 0xBF;  // bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (left < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; i++)
    if (!Continuation(byte(i))) return 0;
  return length;
}

void AppendUtf8(uint32_t code, std::string* out) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

std::string LogToUtf8(std::string_view log) {
  std::string out;
  out.reserve(log.size() + log.size() / 8);
  for (size_t i = 0; i < log.size();) {
    const auto byte = static_cast<uint8_t>(log[i]);
    if (byte < 0x80) {
      out.push_back(static_cast<char>(byte));
      i++;
      continue;
    }
    if (size_t length = Utf8CharacterAt(log, i)) {
      out.append(log.substr(i, length));
      i += length;
      continue;
    }
    const uint32_t code = Cp1252ToUnicode(byte);
    AppendUtf8(code != 0 ? code : byte, &out);
    i++;
  }
  return out;
}

int RunLog(const Args& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: vsk-data log FILE   show a client log (veskaria.log) in UTF-8\n");
    return 2;
  }
  std::ifstream file(args[0], std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "vsk-data log: cannot read %s: %s\n", args[0].c_str(), std::strerror(errno));
    return 1;
  }
  std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) {
    std::fprintf(stderr, "vsk-data log: cannot read %s\n", args[0].c_str());
    return 1;
  }
  std::string text = LogToUtf8(log);
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "vsk-data log: cannot write the log out: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}

}  // namespace vsk::data
