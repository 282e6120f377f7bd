#include "vsk-data/read_catalog.h"

#include "catalog/strings.h"

namespace vsk::data {

namespace {

constexpr uint32_t Tag(const char (&name)[5]) {
  return (uint32_t{static_cast<uint8_t>(name[0])} << 24) | (uint32_t{static_cast<uint8_t>(name[1])} << 16) |
         (uint32_t{static_cast<uint8_t>(name[2])} << 8) | uint32_t{static_cast<uint8_t>(name[3])};
}

std::string ChunkText(ByteSpan data, uint64_t offset, uint32_t length) {
  return FieldText(data, offset, length);
}

void ReadStrings(ByteSpan data, uint64_t start, uint32_t length, CatalogData* catalog) {
  uint64_t at = start;
  const uint64_t end = start + length;
  while (at < end) {
    if (end - at < 8) {
      Fail(at, "the last string record of \"STRS\" has only " + std::to_string(end - at) +
                   " bytes, not even its number and length");
    }
    CatalogString s;
    s.offset = at;
    s.number = BE32(data, at, "the string number");
    uint32_t m = BE32(data, at + 4, "the text length");
    uint64_t padded = (uint64_t{m} + 3) & ~uint64_t{3};
    if (padded > end - at - 8) {
      Fail(at + 4, "string " + std::to_string(s.number) + " says its text has " + std::to_string(m) +
                       " bytes, more than \"STRS\" has left");
    }
    if (s.number >= kStringCount) {
      Fail(at, "string number " + std::to_string(s.number) + " lies beyond the " +
                   std::to_string(kStringCount) + " entries of the string table");
    }
    bool ended = false;
    for (uint64_t i = 0; i < padded; ++i) {
      if (data[at + 8 + i] == 0) {
        ended = true;
        break;
      }
      s.text.push_back(static_cast<char>(data[at + 8 + i]));
    }
    if (!ended) {
      Fail(at + 8, "the text of string " + std::to_string(s.number) +
                       " has no terminating zero inside its padded space");
    }
    catalog->strings.push_back(std::move(s));
    at += 8 + padded;
  }
}

}  // namespace

CatalogData ReadCatalog(ByteSpan data) {
  CatalogData catalog;
  if (data.size() < 4 || BE32(data, 0, "the tag") != Tag("FORM")) {
    Fail(0, "the file does not start with \"FORM\"");
  }
  catalog.formLength = BE32(data, 4, "the FORM length");
  if (BE32(data, 8, "the FORM type") != Tag("CTLG")) Fail(8, "the FORM is not of type \"CTLG\"");
  const uint64_t formEnd = uint64_t{8} + catalog.formLength;
  if (catalog.formLength < 4 || formEnd > data.size()) {
    Fail(4, "the FORM length " + std::to_string(catalog.formLength) + " promises " + std::to_string(formEnd) +
                " bytes but the file has " + std::to_string(data.size()));
  }
  uint64_t at = 12;
  while (at < formEnd) {
    if (formEnd - at < 8) {
      Fail(at, "the FORM ends " + std::to_string(formEnd - at) + " bytes into a chunk header");
    }
    CatalogChunkInfo chunk{BE32(data, at, "the chunk identifier"), at, BE32(data, at + 4, "the chunk length")};
    uint64_t padded = (uint64_t{chunk.length} + 1) & ~uint64_t{1};
    if (padded > formEnd - at - 8) {
      Fail(at + 4, "chunk \"" + TagText(chunk.id) + "\" says it has " + std::to_string(chunk.length) +
                       " bytes, more than the FORM has left");
    }
    const uint64_t body = at + 8;
    if (chunk.id == Tag("FVER")) catalog.version = ChunkText(data, body, chunk.length);
    if (chunk.id == Tag("LANG")) catalog.language = ChunkText(data, body, chunk.length);
    if (chunk.id == Tag("AUTH")) catalog.author = ChunkText(data, body, chunk.length);
    if (chunk.id == Tag("STRS") && !catalog.hasStrings) {
      catalog.hasStrings = true;
      ReadStrings(data, body, chunk.length, &catalog);
    }
    catalog.chunks.push_back(chunk);
    at = body + padded;
  }
  return catalog;
}

}  // namespace vsk::data
