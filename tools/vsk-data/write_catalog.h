// The IFF locale catalog ("catalogs/deutsch/VsKBrowser.catalog"): FORM CTLG
// with the chunks FVER, LANG, AUTH (texts) and STRS (string records: number,
// length, text zero-terminated and padded to a multiple of 4). Texts are
// Windows-1252 bytes.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "vsk-data/write_file.h"

namespace vsk::data {

struct CatalogContent {
  std::string version;   // "$VER: VsKBrowser.catalog 1.0 (...)"
  std::string language;  // "deutsch"
  std::string author;
  std::map<uint32_t, std::string> strings;  // number → Windows-1252 text
};

// Chunks in the order FVER, LANG, AUTH, STRS; odd chunk lengths are padded.
ByteBuffer BuildCatalog(const CatalogContent& content);

}  // namespace vsk::data
