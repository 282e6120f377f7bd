#include "vsk-data/read_chunks.h"

#include <cstring>

namespace vsk::data {

namespace {

bool Accepted(uint32_t version) {
  return version == ChunkId("V001") || version == 0x56000000u;  // "V001" or 'V' and three zeros
}

uint32_t Native(const std::vector<uint8_t>& block, uint64_t offset, uint8_t width) {
  if (width == 4) {
    uint32_t v;
    std::memcpy(&v, block.data() + offset, 4);
    return v;
  }
  uint16_t v;
  std::memcpy(&v, block.data() + offset, 2);
  return v;
}

bool Inside(const std::vector<uint8_t>& block, uint64_t offset, uint64_t width) {
  return offset <= block.size() && width <= block.size() - offset;
}

std::string Note(const ChunkData& chunk, uint64_t offset) {
  if (chunk.id == ChunkId("INFO") && offset == 28) return "  (the game-chunk value the set-up keeps)";
  if (chunk.id == ChunkId("MREF") && offset == 20) return "  (capital's map position, first coordinate)";
  if (chunk.id == ChunkId("MREF") && offset == 24) return "  (capital's map position, second coordinate)";
  return "";
}

// The numbers of one record at base, as "u16 at 0: 5" items; false when one
// lies past the block (the converter stopped there too).
bool Values(const ChunkData& chunk, uint64_t base, std::span<const ChunkField> fields, bool relative,
            std::vector<std::string>* items) {
  for (const ChunkField& field : fields) {
    for (uint32_t i = 0; i < field.count; ++i) {
      uint64_t offset = base + field.offset + uint64_t{i} * field.width;
      if (!Inside(chunk.block, offset, field.width)) return false;
      uint64_t shown = relative ? offset - base : offset;
      items->push_back(std::string(field.width == 4 ? "u32" : "u16") + " at " + std::to_string(shown) + ": " +
                       std::to_string(Native(chunk.block, offset, field.width)) +
                       (relative ? "" : Note(chunk, offset)));
    }
  }
  return true;
}

std::string Join(const std::vector<std::string>& items) {
  std::string line;
  for (const std::string& item : items) line += (line.empty() ? "" : ", ") + item;
  return line;
}

// The entries of a list in the record at base; *end receives the offset
// behind them. False when an entry lies past the block.
bool Entries(const ChunkData& chunk, uint64_t base, const ChunkList& list, const std::string& indent,
             size_t maxEntries, std::vector<std::string>* lines, uint64_t* end) {
  if (!Inside(chunk.block, base + list.countOffset, list.countWidth)) return false;
  uint32_t count = Native(chunk.block, base + list.countOffset, list.countWidth);
  lines->push_back(indent + std::to_string(count) + (list.units ? " units" : " entries") + " of " +
                   std::to_string(list.entrySize) + " bytes from offset " +
                   std::to_string(base + list.firstOffset) + ":");
  uint64_t entry = base + list.firstOffset;
  for (uint32_t i = 0; i < count; ++i) {
    if (!Inside(chunk.block, entry, list.entrySize)) {
      lines->push_back(indent + "  entry " + std::to_string(i) + " at " + std::to_string(entry) +
                       " and the rest lie past the chunk (not converted)");
      return false;
    }
    std::vector<std::string> items;
    (void)Values(chunk, entry, list.fields, true, &items);
    if (i < maxEntries) {
      lines->push_back(indent + "  [" + std::to_string(i) + "] at " + std::to_string(entry) + ": " + Join(items));
    } else if (i == maxEntries) {
      lines->push_back(indent + "  ... " + std::to_string(count - maxEntries) + " more");
    }
    if (list.units) {
      std::vector<std::string> unitLines;
      if (!Entries(chunk, entry, *list.units, indent + "    ", maxEntries, &unitLines, &entry)) {
        if (i < maxEntries) lines->insert(lines->end(), unitLines.begin(), unitLines.end());
        return false;
      }
      if (i < maxEntries) lines->insert(lines->end(), unitLines.begin(), unitLines.end());
    } else {
      entry += list.entrySize;
    }
  }
  *end = entry;
  return true;
}

}  // namespace

std::vector<ChunkData> ReadChunkFile(ByteSpan data) {
  std::vector<ChunkData> chunks;
  uint64_t at = 0;
  if (data.empty()) Fail(0, "the file is empty: a chunk file holds at least one chunk");
  while (at < data.size()) {
    if (data.size() - at < kChunkHeaderSize) {
      Fail(at, "the file ends " + std::to_string(data.size() - at) + " bytes into a 12-byte chunk header");
    }
    if (!IsPrintableTag(data, at)) Fail(at, "the chunk identifier is not four printable characters");
    ChunkData chunk;
    chunk.offset = at;
    chunk.id = BE32(data, at, "the identifier");
    chunk.version = BE32(data, at + 4, "the version");
    chunk.length = BE32(data, at + 8, "the length");
    const uint64_t body = at + kChunkHeaderSize;
    if (chunk.length > data.size() - body) {
      Fail(at + 8, "chunk \"" + TagText(chunk.id) + "\" says its body has " + std::to_string(chunk.length) +
                       " bytes but only " + std::to_string(data.size() - body) + " follow");
    }
    chunk.layout = FindChunkLayout(chunk.id);
    chunk.converted = Accepted(chunk.version);
    // The block as the loader builds it: native header, body behind it,
    // zeros up to the type's minimum; then the body converted in place.
    chunk.block.assign(ChunkBlockSize(chunk.id, chunk.length), 0);
    std::memcpy(chunk.block.data(), data.data() + at, kChunkHeaderSize + chunk.length);
    ConvertChunkBlock(chunk.block.data(), chunk.block.size(), 1);
    chunks.push_back(std::move(chunk));
    at = body + chunks.back().length;
  }
  return chunks;
}

std::vector<std::string> DescribeChunkFields(const ChunkData& chunk, size_t maxEntries) {
  std::vector<std::string> lines;
  if (!chunk.layout || !chunk.converted) return lines;
  std::vector<std::string> items;
  bool whole = Values(chunk, 0, chunk.layout->fields, false, &items);
  for (const std::string& item : items) lines.push_back(item);
  if (whole && chunk.layout->list) {
    uint64_t end = 0;
    (void)Entries(chunk, 0, *chunk.layout->list, "", maxEntries, &lines, &end);
  }
  return lines;
}

}  // namespace vsk::data
