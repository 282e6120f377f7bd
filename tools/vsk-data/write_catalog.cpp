// The IFF catalog.
#include "vsk-data/write_catalog.h"

namespace vsk::data {

namespace {

void PutTextChunk(ByteBuffer& out, const char* id, const std::string& text) {
  PutTag(out, id);
  // The text with its closing zero, so readers that take the chunk as a
  // C string stop in time.
  auto length = static_cast<uint32_t>(text.size() + 1);
  PutBE32(out, length);
  PutBytes(out, text.c_str(), length);
  if (length & 1) PutU8(out, 0);
}

}  // namespace

ByteBuffer BuildCatalog(const CatalogContent& content) {
  ByteBuffer chunks;
  PutTextChunk(chunks, "FVER", content.version);
  PutTextChunk(chunks, "LANG", content.language);
  PutTextChunk(chunks, "AUTH", content.author);
  ByteBuffer strings;
  for (const auto& [number, text] : content.strings) {
    auto length = static_cast<uint32_t>(text.size() + 1);
    PutBE32(strings, number);
    PutBE32(strings, length);
    PutBytes(strings, text.c_str(), length);
    while (strings.size() % 4) PutU8(strings, 0);
  }
  PutTag(chunks, "STRS");
  PutBE32(chunks, static_cast<uint32_t>(strings.size()));
  PutBytes(chunks, strings.data(), strings.size());

  ByteBuffer out;
  PutTag(out, "FORM");
  PutBE32(out, static_cast<uint32_t>(chunks.size() + 4));
  PutTag(out, "CTLG");
  PutBytes(out, chunks.data(), chunks.size());
  return out;
}

}  // namespace vsk::data
