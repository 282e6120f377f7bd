// Chunk files ("gamechunk.vsk", "MapPrefs.vsk"): chunks back to back, each a
// 12-byte big-endian header (identifier, version "V001", body length) and
// the body. The bodies here are written in file order (big-endian) at the
// offsets the game's chunk loader converts.
#pragma once

#include <cstdint>
#include <string>

#include "vsk-data/write_file.h"

namespace vsk::data {

// Header and body of one chunk.
ByteBuffer BuildChunk(const char* identifier, const ByteBuffer& body, const char* version = "V001");

// "INFO": 30 bytes of body; offsets are the chunk's (header included).
struct InfoChunk {
  uint32_t word12 = 0, word16 = 0, word20 = 0;
  char text24[4] = {0, 0, 0, 0};  // bytes 24..27, not converted
  uint16_t gameValue = 0;         // offset 28: the value the set-up keeps
  uint32_t word30 = 0;
  char text34[8] = {0, 0, 0, 0, 0, 0, 0, 0};  // bytes 34..41, not converted
};
ByteBuffer BuildInfoBody(const InfoChunk& info);

// "MREF": the capital's map position at chunk offsets 20 and 24.
struct MrefChunk {
  uint32_t word12 = 0, word16 = 0;
  uint32_t mapX = 0, mapY = 0;
};
ByteBuffer BuildMrefBody(const MrefChunk& mref);

}  // namespace vsk::data
