// Input side of the kit: what every reader of a game file shares. A reader
// gets the whole file as bytes, checks every length, offset and count against
// them before it reads, and stops at the first thing that is wrong with a
// FormatError: one sentence saying what is wrong, and the file offset where.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace vsk::data {

using ByteSpan = std::span<const uint8_t>;

class FormatError : public std::runtime_error {
 public:
  FormatError(uint64_t offset, const std::string& what) : std::runtime_error(what), offset_(offset) {}
  uint64_t offset() const { return offset_; }

 private:
  uint64_t offset_;
};

// Throws FormatError(offset, what + " (at offset <offset>)").
[[noreturn]] void Fail(uint64_t offset, const std::string& what);

// Throws unless length bytes from offset lie inside data; what names the
// thing that should be there ("the entry count", "entry 3").
void Need(ByteSpan data, uint64_t offset, uint64_t length, const std::string& what);

// Checked reads: they call Need first.
uint8_t U8(ByteSpan data, uint64_t offset, const char* what);
uint16_t BE16(ByteSpan data, uint64_t offset, const char* what);
uint32_t BE32(ByteSpan data, uint64_t offset, const char* what);
uint16_t LE16(ByteSpan data, uint64_t offset, const char* what);
uint32_t LE32(ByteSpan data, uint64_t offset, const char* what);

// The zero-terminated text from offset, at most maxLength characters before
// its zero; throws when the zero lies past the data or after maxLength.
std::string CString(ByteSpan data, uint64_t offset, size_t maxLength, const std::string& what);
// The text of a fixed field: up to its first zero byte, or the whole field.
std::string FieldText(ByteSpan data, uint64_t offset, size_t width);

// A four-character tag for reading: its characters when they are printable
// ASCII ("INFO"), else the bytes in hex ("0xABBDBEAD").
std::string TagText(uint32_t tag);
bool IsPrintableTag(ByteSpan data, uint64_t offset);

// Windows-1252 text of the game's files as UTF-8 for the terminal; control
// characters become "\xNN".
std::string ShowText(const std::string& cp1252);
// The same, quoted.
std::string Quote(const std::string& cp1252);

// The name of a path's file without its directories, in lower case.
std::string LowerFileName(const std::string& path);

// The path of a file the game names (relative to the game directory, '\' or
// '/', any case) as the system has it below gameDir.
std::string ResolveInGameDir(const std::string& gameDir, const std::string& name);

// The size of a file, or -1 when there is no such file.
int64_t FileSizeOf(const std::string& path);

}  // namespace vsk::data
