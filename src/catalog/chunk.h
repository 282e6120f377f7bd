// The game's chunk files and their byte order.
//
// A chunk file is a plain sequence of chunks with no file header and no
// padding. Each chunk is a 12-byte header (identifier, version, body length,
// all big-endian; identifier and version are four ASCII characters) and the
// body. LoadChunk2Mem finds one chunk and returns it as a native record;
// ConvertChunk turns a chunk between file order (big-endian) and the
// processor's order in either direction.
//
// What gets converted is described by a small table: for every chunk type
// a layout (the numbers at fixed places of the chunk and, for some types, a
// list of entries whose count the chunk holds itself) and the smallest
// block a loaded chunk of that type gets.
//
// Block size. A loaded chunk of type id with body length L lies in a block
// of ChunkBlockSize (id, L) = max (minimum size of the type, L + 12) bytes;
// the bytes behind the body are zero. ConvertChunk derives the size of the
// block it works in the same way from the chunk's own header, so every
// chunk the loader returns can be converted again safely. A chunk whose
// stored length promises more than the file still holds is loaded with the
// body that is there, and its length word then says how much that was:
// "block = max (minimum, length + 12)" holds for every loaded chunk.
//
// Bounds. Only numbers that lie completely inside the block are converted.
// The fixed numbers of a layout are taken in order of their offsets and the
// first one that would reach past the block stops the conversion of the
// chunk; an entry of a list (or a unit inside an entry) is converted only
// when the whole entry lies inside the block, and the first one that does
// not stops the conversion. So a count in the data, however large, never
// leads outside the block. Offsets are computed in 64 bits.
#pragma once

#include <cstdint>
#include <span>

namespace vsk {

constexpr uint32_t kChunkHeaderSize = 12;

// The native number of a four-character identifier: the characters' codes
// combined, the first one most significant ("INFO" is 0x494E464F).
constexpr uint32_t ChunkId(const char (&name)[5]) {
  return (uint32_t{static_cast<uint8_t>(name[0])} << 24) | (uint32_t{static_cast<uint8_t>(name[1])} << 16) |
         (uint32_t{static_cast<uint8_t>(name[2])} << 8) | uint32_t{static_cast<uint8_t>(name[3])};
}

// A run of count numbers of width bytes (2 or 4) from offset, each reversed
// on its own.
struct ChunkField {
  uint16_t offset;
  uint8_t width;
  uint8_t count;
};

constexpr ChunkField ChunkU16(uint16_t offset, uint8_t count = 1) { return {offset, 2, count}; }
constexpr ChunkField ChunkU32(uint16_t offset, uint8_t count = 1) { return {offset, 4, count}; }

// A list of entries whose number the data holds. Offsets of the count and
// of the first entry are relative to the enclosing record (the chunk, or
// the entry that holds a list of units); the fields are relative to the
// entry. The count field is itself one of the enclosing record's fields.
// An entry with units (ARMY) is followed by its units from
// units->firstOffset on, and the next entry starts behind its last unit.
struct ChunkList {
  uint16_t countOffset;
  uint8_t countWidth;  // 2 or 4
  uint16_t firstOffset;
  uint16_t entrySize;  // never 0
  std::span<const ChunkField> fields;
  const ChunkList* units;  // null: entries follow each other every entrySize bytes
};

struct ChunkLayout {
  uint32_t identifier;
  uint32_t minimumSize;  // smallest loaded block; 0 when that is just length + 12
  std::span<const ChunkField> fields;  // at fixed offsets from the chunk's start, ascending
  const ChunkList* list;               // null when the chunk has no counted entries
};

// The layout of a chunk type (types with nothing to convert included), or
// null for an identifier the game does not know.
const ChunkLayout* FindChunkLayout(uint32_t identifier);

// Size of the block that holds a chunk of this type and body length:
// max (the type's minimum, length + 12). 64 bits, so no length overflows it.
uint64_t ChunkBlockSize(uint32_t identifier, uint32_t length);

// Finds the chunk with the identifier (native number) in the file and
// returns it as a new block (AllocVec, cleared) in native order: header
// words as native numbers, body converted. When the file holds the chunk
// more than once, the last copy is returned. Null when the file cannot be
// opened (logged), holds no such chunk, or memory runs out (AllocVec logs).
// The caller frees the block with FreeVec.
void* LoadChunk2Mem(uint32_t identifier, const char* fileName);

// Converts a chunk in place. The direction follows from the identifier: if
// its bytes read as the characters in order, the body is big-endian and is
// made native; if they read reversed, the body is native and is made
// big-endian. The body is converted only for version "V001" or "V" and
// three zero bytes, in either byte order. swapHeader = 1 then reverses the
// three header words as well (also when the version is not accepted).
//
// The block is taken to be ChunkBlockSize (identifier, length) bytes, with
// the length word read as a native number, except when swapHeader is 1 and
// the identifier lies in file order: then the whole header is big-endian,
// as read raw from a file, and so is the length. An identifier the game
// does not know has nothing to convert.
void ConvertChunk(void* chunk, int32_t swapHeader);

// The same for a block whose size the caller knows; a block shorter than
// the header is left alone.
void ConvertChunkBlock(void* chunk, uint64_t blockSize, int32_t swapHeader);

}  // namespace vsk
