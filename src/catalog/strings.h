// The built-in string table: every text the screens show by number. Entry n
// holds number n; a German catalog (catalog.h) may point entries at its own
// texts at start. Texts are stored in the Windows-1252 code page.
#pragma once

#include <cstdint>

namespace vsk {

constexpr uint16_t kStringCount = 1421;

// One entry: the string number beside a pointer to its zero-terminated text.
struct StringEntry {
  uint16_t number;
  const char* text;
};

extern StringEntry BuiltinStrings[kStringCount];

}  // namespace vsk
