// Output side of the kit: a byte buffer with big-endian appenders, the text
// conversion the game's files need (Windows-1252), and the one way every
// command writes a file: to a temporary name beside it, then renamed over the
// final name, so a failed run never leaves half a file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vsk::data {

using ByteBuffer = std::vector<uint8_t>;

void PutU8(ByteBuffer& out, uint8_t value);
void PutBE16(ByteBuffer& out, uint16_t value);
void PutBE32(ByteBuffer& out, uint32_t value);
void PutLE16(ByteBuffer& out, uint16_t value);
void PutLE32(ByteBuffer& out, uint32_t value);
// Four characters as they stand ("FORM", "INFO"); a shorter text is padded
// with zero bytes.
void PutTag(ByteBuffer& out, const char* tag);
void PutBytes(ByteBuffer& out, const void* data, size_t length);
void PutZeros(ByteBuffer& out, size_t count);
// Overwrites 4 bytes at offset (which must lie inside the buffer).
void SetBE32(ByteBuffer& out, size_t offset, uint32_t value);

// Turns UTF-8 text into the Windows-1252 bytes the game's files hold.
// False (with the offending character's byte offset in *badOffset) when the
// text is not valid UTF-8 or holds a character Windows-1252 has no code for.
bool Utf8ToCp1252(const std::string& utf8, std::string* out, size_t* badOffset = nullptr);
// The Unicode code point of a Windows-1252 byte (0 for the five unused codes).
uint32_t Cp1252ToUnicode(uint8_t byte);

// Creates dir and every missing parent. False with one sentence in *error.
bool MakeDirectories(const std::string& dir, std::string* error);

// Writes bytes as the file at path: creates missing parent directories,
// writes "<path>.tmp", flushes it and renames it over path. On failure the
// temporary file is removed, the old file (if any) stays, and *error gets
// one sentence naming the path and the reason.
bool WriteFileAtomic(const std::string& path, const ByteBuffer& bytes, std::string* error);

// Reads a whole file; false with one sentence in *error. Files above
// maxBytes are refused as oversized.
bool ReadWholeFile(const std::string& path, ByteBuffer* bytes, std::string* error,
                   size_t maxBytes = size_t{256} << 20);

}  // namespace vsk::data
