// Reading a chunk file: chunks back to back, each a 12-byte big-endian header
// (identifier, version, body length) and its body. Every chunk is converted
// to native order with the game's own ConvertChunk, so what is shown is what
// the client's LoadChunk2Mem hands its callers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/chunk.h"
#include "vsk-data/read_common.h"

namespace vsk::data {

struct ChunkData {
  uint64_t offset = 0;   // of the header in the file
  uint32_t id = 0;       // native number of the four characters
  uint32_t version = 0;  // the four version bytes, first one most significant
  uint32_t length = 0;   // body bytes
  bool converted = false;              // version accepted: the body was converted
  const ChunkLayout* layout = nullptr;  // null: a type the game does not know
  std::vector<uint8_t> block;  // header (native) and body as the loader returns it:
                               // max (type's minimum, length + 12) bytes
};

// Throws FormatError: an identifier that is not four printable characters,
// a header cut short by the end of the file, a body longer than what is left.
std::vector<ChunkData> ReadChunkFile(ByteSpan data);

// One line per converted number ("u32 at 12: 7"), the counted entries of a
// list with their numbers (at most maxEntries of them, then how many more).
std::vector<std::string> DescribeChunkFields(const ChunkData& chunk, size_t maxEntries);

}  // namespace vsk::data
