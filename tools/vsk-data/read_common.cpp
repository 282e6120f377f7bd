#include "vsk-data/read_common.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "vsk-data/write_file.h"

namespace vsk::data {

void Fail(uint64_t offset, const std::string& what) {
  throw FormatError(offset, what + " (at offset " + std::to_string(offset) + ")");
}

void Need(ByteSpan data, uint64_t offset, uint64_t length, const std::string& what) {
  if (offset > data.size() || length > data.size() - offset) {
    Fail(offset, what + " needs " + std::to_string(length) + " bytes but the file ends after " +
                     std::to_string(data.size()));
  }
}

uint8_t U8(ByteSpan data, uint64_t offset, const char* what) {
  Need(data, offset, 1, what);
  return data[offset];
}

uint16_t BE16(ByteSpan data, uint64_t offset, const char* what) {
  Need(data, offset, 2, what);
  return static_cast<uint16_t>((data[offset] << 8) | data[offset + 1]);
}

uint32_t BE32(ByteSpan data, uint64_t offset, const char* what) {
  Need(data, offset, 4, what);
  return (uint32_t{data[offset]} << 24) | (uint32_t{data[offset + 1]} << 16) |
         (uint32_t{data[offset + 2]} << 8) | data[offset + 3];
}

uint16_t LE16(ByteSpan data, uint64_t offset, const char* what) {
  Need(data, offset, 2, what);
  return static_cast<uint16_t>(data[offset] | (data[offset + 1] << 8));
}

uint32_t LE32(ByteSpan data, uint64_t offset, const char* what) {
  Need(data, offset, 4, what);
  return data[offset] | (uint32_t{data[offset + 1]} << 8) | (uint32_t{data[offset + 2]} << 16) |
         (uint32_t{data[offset + 3]} << 24);
}

std::string CString(ByteSpan data, uint64_t offset, size_t maxLength, const std::string& what) {
  if (offset >= data.size()) {
    Fail(offset, what + " lies past the end of the file (" + std::to_string(data.size()) + " bytes)");
  }
  std::string text;
  for (uint64_t at = offset; at < data.size(); ++at) {
    if (data[at] == 0) return text;
    if (text.size() == maxLength) {
      Fail(offset, what + " is longer than " + std::to_string(maxLength) + " characters");
    }
    text.push_back(static_cast<char>(data[at]));
  }
  Fail(offset, what + " has no terminating zero byte before the end of the file");
}

std::string FieldText(ByteSpan data, uint64_t offset, size_t width) {
  std::string text;
  for (uint64_t at = offset; at < offset + width && at < data.size() && data[at]; ++at) {
    text.push_back(static_cast<char>(data[at]));
  }
  return text;
}

std::string TagText(uint32_t tag) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = static_cast<char>(tag >> shift);
    if (c < 0x20 || c > 0x7E) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08X", tag);
      return hex;
    }
    text.push_back(c);
  }
  return text;
}

bool IsPrintableTag(ByteSpan data, uint64_t offset) {
  if (offset > data.size() || data.size() - offset < 4) return false;
  for (int i = 0; i < 4; ++i) {
    if (data[offset + i] < 0x20 || data[offset + i] > 0x7E) return false;
  }
  return true;
}

std::string ShowText(const std::string& cp1252) {
  std::string out;
  for (char ch : cp1252) {
    uint8_t byte = static_cast<uint8_t>(ch);
    uint32_t code = byte < 0x80 ? byte : Cp1252ToUnicode(byte);
    if (code < 0x20 || code == 0x7F || code == 0) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}

std::string Quote(const std::string& cp1252) { return "\"" + ShowText(cp1252) + "\""; }

std::string LowerFileName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

std::string ResolveInGameDir(const std::string& gameDir, const std::string& name) {
  std::string joined = gameDir.empty() ? name : gameDir + "/" + name;
  return vsk::platform::ResolvePath(joined.c_str());
}

int64_t FileSizeOf(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return -1;
  uintmax_t size = std::filesystem::file_size(path, error);
  return error ? -1 : static_cast<int64_t>(size);
}

}  // namespace vsk::data
