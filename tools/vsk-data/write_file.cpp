// Byte buffers, Windows-1252 text and files written through a temporary name.
#include "vsk-data/write_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace vsk::data {

void PutU8(ByteBuffer& out, uint8_t value) { out.push_back(value); }

void PutBE16(ByteBuffer& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void PutBE32(ByteBuffer& out, uint32_t value) {
  PutBE16(out, static_cast<uint16_t>(value >> 16));
  PutBE16(out, static_cast<uint16_t>(value));
}

void PutLE16(ByteBuffer& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLE32(ByteBuffer& out, uint32_t value) {
  PutLE16(out, static_cast<uint16_t>(value));
  PutLE16(out, static_cast<uint16_t>(value >> 16));
}

void PutTag(ByteBuffer& out, const char* tag) {
  size_t length = std::strlen(tag);
  for (size_t i = 0; i < 4; ++i) out.push_back(i < length ? static_cast<uint8_t>(tag[i]) : 0);
}

void PutBytes(ByteBuffer& out, const void* data, size_t length) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  out.insert(out.end(), bytes, bytes + length);
}

void PutZeros(ByteBuffer& out, size_t count) { out.insert(out.end(), count, 0); }

void SetBE32(ByteBuffer& out, size_t offset, uint32_t value) {
  out[offset] = static_cast<uint8_t>(value >> 24);
  out[offset + 1] = static_cast<uint8_t>(value >> 16);
  out[offset + 2] = static_cast<uint8_t>(value >> 8);
  out[offset + 3] = static_cast<uint8_t>(value);
}

namespace {

// Code points of the bytes 0x80..0x9F; 0 where Windows-1252 has no character.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int UnicodeToCp1252(uint32_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] != 0 && kHighControls[i] == code) return 0x80 + i;
  return -1;
}

}  // namespace

uint32_t Cp1252ToUnicode(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return byte;
}

bool Utf8ToCp1252(const std::string& utf8, std::string* out, size_t* badOffset) {
  out->clear();
  size_t i = 0;
  while (i < utf8.size()) {
    auto lead = static_cast<uint8_t>(utf8[i]);
    uint32_t code = 0;
    size_t extra = 0;
    if (lead < 0x80) {
      code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      code = lead & 0x1F;
      extra = 1;
    } else if ((lead & 0xF0) == 0xE0) {
      code = lead & 0x0F;
      extra = 2;
    } else if ((lead & 0xF8) == 0xF0) {
      code = lead & 0x07;
      extra = 3;
    } else {
      if (badOffset) *badOffset = i;
      return false;
    }
    for (size_t k = 1; k <= extra; ++k) {
      if (i + k >= utf8.size() || (static_cast<uint8_t>(utf8[i + k]) & 0xC0) != 0x80) {
        if (badOffset) *badOffset = i;
        return false;
      }
      code = (code << 6) | (static_cast<uint8_t>(utf8[i + k]) & 0x3F);
    }
    int byte = UnicodeToCp1252(code);
    if (byte < 0) {
      if (badOffset) *badOffset = i;
      return false;
    }
    out->push_back(static_cast<char>(byte));
    i += extra + 1;
  }
  return true;
}

bool MakeDirectories(const std::string& dir, std::string* error) {
  if (dir.empty()) return true;
  std::error_code code;
  std::filesystem::create_directories(dir, code);
  if (code || !std::filesystem::is_directory(dir, code)) {
    if (error) *error = "cannot create the directory " + dir + ": " + (code ? code.message() : "not a directory");
    return false;
  }
  return true;
}

bool WriteFileAtomic(const std::string& path, const ByteBuffer& bytes, std::string* error) {
  std::filesystem::path target(path);
  if (target.has_parent_path() && !MakeDirectories(target.parent_path().string(), error)) return false;
  std::string temp = path + ".tmp";
  FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) {
    if (error) *error = "cannot write " + temp + ": " + std::strerror(errno);
    return false;
  }
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = (std::fflush(file) == 0) && ok;
  int savedErrno = errno;
  ok = (std::fclose(file) == 0) && ok;
  if (!ok) {
    std::remove(temp.c_str());
    if (error) *error = "cannot write " + path + ": " + std::strerror(savedErrno ? savedErrno : EIO);
    return false;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    savedErrno = errno;
    std::remove(temp.c_str());
    if (error) *error = "cannot put " + path + " in place: " + std::strerror(savedErrno);
    return false;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, ByteBuffer* bytes, std::string* error, size_t maxBytes) {
  std::error_code code;
  if (std::filesystem::is_directory(path, code)) {
    if (error) *error = path + " is a directory, not a file";
    return false;
  }
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    if (error) *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  bytes->clear();
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (bytes->size() + got > maxBytes) {
      std::fclose(file);
      if (error) *error = path + " is larger than " + std::to_string(maxBytes) + " bytes, too large for this kind of file";
      return false;
    }
    bytes->insert(bytes->end(), chunk, chunk + got);
  }
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    if (error) *error = "cannot read " + path;
    return false;
  }
  return true;
}

}  // namespace vsk::data
