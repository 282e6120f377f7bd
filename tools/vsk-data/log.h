// vsk-data log FILE: a client log shown in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace vsk::data {

// The client's log turned into UTF-8. Its texts are Windows-1252 bytes,
// except a few that the game keeps in UTF-8: a byte sequence that is a
// valid UTF-8 multi-byte character stays as it is, every other byte is read
// as Windows-1252 (0x80..0x9F by its table, the five bytes it leaves
// undefined as the control characters of the same number, the rest as
// Latin-1).
std::string LogToUtf8(std::string_view log);

}  // namespace vsk::data
