// Reading a locale catalog: FORM "CTLG" with its chunks, the texts of
// "FVER", "LANG" and "AUTH", and the string records of "STRS".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vsk-data/read_common.h"

namespace vsk::data {

struct CatalogChunkInfo {
  uint32_t id = 0;
  uint64_t offset = 0;  // of its identifier in the file
  uint32_t length = 0;
};

struct CatalogString {
  uint32_t number = 0;
  uint64_t offset = 0;  // of the record in the file
  std::string text;     // Windows-1252
};

struct CatalogData {
  uint32_t formLength = 0;
  std::vector<CatalogChunkInfo> chunks;
  std::string version, language, author;  // empty when the chunk is absent
  bool hasStrings = false;
  std::vector<CatalogString> strings;
};

// Throws FormatError: no "FORM" or "CTLG", a FORM length beyond the file, a
// chunk or its padding beyond the FORM, a string record beyond its chunk, a
// text without its zero inside its padded space, a string number the
// string table does not have.
CatalogData ReadCatalog(ByteSpan data);

}  // namespace vsk::data
