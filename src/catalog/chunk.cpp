#include "catalog/chunk.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "services/byteorder.h"
#include "services/files.h"
#include "services/memory.h"

namespace vsk {

namespace {

// --- layouts -------------------------------------------------------------
// Offsets of fixed fields are from the chunk's start (header included).

constexpr ChunkField kInfoFields[] = {ChunkU32(12), ChunkU32(16), ChunkU32(20), ChunkU16(28), ChunkU32(30)};
constexpr ChunkField kInitFields[] = {ChunkU32(362), ChunkU32(692), ChunkU16(696)};
constexpr ChunkField kKornFields[] = {ChunkU32(12), ChunkU16(16), ChunkU32(18, 4), ChunkU16(34),
                                      ChunkU32(36), ChunkU32(42), ChunkU32(46), ChunkU16(50),
                                      ChunkU32(52, 3)};
constexpr ChunkField kTaxeFields[] = {ChunkU32(12), ChunkU16(16), ChunkU32(18, 3), ChunkU16(30, 3),
                                      ChunkU32(36, 4), ChunkU16(52), ChunkU32(54, 3), ChunkU32(68, 3)};
constexpr ChunkField kLandFields[] = {ChunkU16(12), ChunkU32(14, 17), ChunkU16(82, 4)};
constexpr ChunkField kMapRefFields[] = {ChunkU32(12, 4)};  // IMAP, MREF
constexpr ChunkField kForsFields[] = {ChunkU32(22), ChunkU16(26)};
constexpr ChunkField kSmalFields[] = {ChunkU32(276, 2)};
constexpr ChunkField kMailFields[] = {ChunkU32(12)};
constexpr ChunkField kBmapFields[] = {ChunkU16(12)};

// ANFR: n numbers; ANTW: n answers of 84 bytes.
constexpr ChunkField kAnfrFields[] = {ChunkU16(12), ChunkU32(14), ChunkU32(18)};
constexpr ChunkField kU32AtStart[] = {ChunkU32(0)};
constexpr ChunkList kAnfrList = {14, 4, 22, 4, kU32AtStart, nullptr};
constexpr ChunkList kAntwList = {14, 4, 22, 84, kU32AtStart, nullptr};

// BAUE and GEBA: buildings of 16 bytes.
constexpr ChunkField kBuildingEntry[] = {ChunkU16(0, 4), ChunkU32(8), ChunkU16(12, 2)};
constexpr ChunkField kU16At12[] = {ChunkU16(12)};
constexpr ChunkField kU32At12[] = {ChunkU32(12)};
constexpr ChunkList kBaueList = {12, 2, 14, 16, kBuildingEntry, nullptr};
constexpr ChunkField kGebaFields[] = {ChunkU32(12), ChunkU16(16)};
constexpr ChunkList kGebaList = {16, 2, 18, 16, kBuildingEntry, nullptr};

constexpr ChunkField kWareEntry[] = {ChunkU16(0), ChunkU32(2, 8), ChunkU16(34)};
constexpr ChunkList kWareList = {12, 2, 14, 36, kWareEntry, nullptr};

constexpr ChunkField kMoveEntry[] = {ChunkU32(0), ChunkU16(4, 2), ChunkU32(8, 2)};
constexpr ChunkList kMoveList = {12, 2, 14, 18, kMoveEntry, nullptr};

constexpr ChunkField kTownEntry[] = {ChunkU16(0, 2), ChunkU16(84), ChunkU32(86), ChunkU16(90)};
constexpr ChunkList kTownList = {12, 2, 14, 92, kTownEntry, nullptr};

constexpr ChunkField kVertEntry[] = {ChunkU16(0), ChunkU32(2, 4), ChunkU16(18, 2), ChunkU32(22, 2), ChunkU16(30)};
constexpr ChunkList kVertList = {12, 4, 16, 32, kVertEntry, nullptr};

// A ship: its own numbers, then three parts of 18 bytes from 14, each
// u32 at 0; u16 at 4, 6; u32 at 8, 12.
constexpr ChunkField kShipEntry[] = {
    ChunkU16(0, 3), ChunkU32(6, 2),
    ChunkU32(14), ChunkU16(18, 2), ChunkU32(22, 2),  // first of the three
    ChunkU32(32), ChunkU16(36, 2), ChunkU32(40, 2),  // second
    ChunkU32(50), ChunkU16(54, 2), ChunkU32(58, 2),  // third
};
constexpr ChunkList kShipList = {12, 4, 16, 68, kShipEntry, nullptr};

constexpr ChunkField kKrigEntry[] = {ChunkU32(0, 2), ChunkU16(8, 2), ChunkU32(12, 2), ChunkU32(22),
                                     ChunkU16(26, 2), ChunkU32(30, 2), ChunkU32(40), ChunkU16(44, 4),
                                     ChunkU32(52, 5)};
constexpr ChunkList kKrigList = {12, 4, 16, 72, kKrigEntry, nullptr};

// An army: 64 bytes of its own (11 numbers, the one at 36 its unit count),
// then its units of 56 bytes; the next army follows the last unit.
constexpr ChunkField kArmyEntry[] = {ChunkU32(0, 11)};
constexpr ChunkField kUnitEntry[] = {ChunkU32(0, 14)};
constexpr ChunkList kUnitList = {36, 4, 64, 56, kUnitEntry, nullptr};
constexpr ChunkList kArmyList = {12, 4, 16, 64, kArmyEntry, &kUnitList};

constexpr ChunkLayout kLayouts[] = {
    {ChunkId("ANFR"), 0, kAnfrFields, &kAnfrList},
    {ChunkId("ANTW"), 0, kAnfrFields, &kAntwList},
    {ChunkId("ARMY"), 0, kU32At12, &kArmyList},
    {ChunkId("BAUE"), 0, kU16At12, &kBaueList},
    {ChunkId("BMAP"), 0, kBmapFields, nullptr},
    {ChunkId("EROR"), 12, {}, nullptr},
    {ChunkId("FORS"), 28, kForsFields, nullptr},
    {ChunkId("GEBA"), 0, kGebaFields, &kGebaList},
    {ChunkId("IMAP"), 28, kMapRefFields, nullptr},
    {ChunkId("INFO"), 42, kInfoFields, nullptr},
    {ChunkId("INIT"), 698, kInitFields, nullptr},
    {ChunkId("KORN"), 64, kKornFields, nullptr},
    {ChunkId("KRIG"), 0, kU32At12, &kKrigList},
    {ChunkId("LAND"), 172, kLandFields, nullptr},
    {ChunkId("MAIL"), 0, kMailFields, nullptr},
    {ChunkId("MOVE"), 0, kU16At12, &kMoveList},
    {ChunkId("MREF"), 0, kMapRefFields, nullptr},
    {ChunkId("PMAP"), 0, {}, nullptr},
    {ChunkId("PPRF"), 36, {}, nullptr},
    {ChunkId("PREF"), 14, {}, nullptr},
    {ChunkId("SHIP"), 0, kU32At12, &kShipList},
    {ChunkId("SMAL"), 0, kSmalFields, nullptr},
    {ChunkId("TAXE"), 80, kTaxeFields, nullptr},
    {ChunkId("TOWN"), 0, kU16At12, &kTownList},
    {ChunkId("VERT"), 0, kU32At12, &kVertList},
    {ChunkId("WARE"), 0, kU16At12, &kWareList},
};

// --- conversion ----------------------------------------------------------

uint32_t ReadNative32(const uint8_t* p) {
  uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

void WriteNative32(uint8_t* p, uint32_t value) { std::memcpy(p, &value, sizeof value); }

// One conversion: the block and the direction.
struct Conversion {
  uint8_t* chunk;
  uint64_t size;
  bool fromFile;  // big-endian body to native; else native to big-endian

  bool Inside(uint64_t offset, uint64_t width) const { return offset <= size && width <= size - offset; }

  // Converts the fields of a record that starts at base; false when one
  // reaches past the block.
  bool Fields(uint64_t base, std::span<const ChunkField> fields) const {
    for (const ChunkField& field : fields) {
      for (uint32_t i = 0; i < field.count; ++i) {
        uint64_t offset = base + field.offset + uint64_t{i} * field.width;
        if (!Inside(offset, field.width)) return false;
        SwapBytes(chunk + offset, 1, field.width == 4 ? 1 : 0);
      }
    }
    return true;
  }

  // The count of a list as a native number, read before its record is
  // converted (so from the file's order when converting from file order).
  // The caller has made sure the count lies inside the block.
  uint32_t Count(uint64_t base, const ChunkList& list) const {
    const uint8_t* p = chunk + base + list.countOffset;
    if (list.countWidth == 4) return fromFile ? ReadBE32(p) : ReadNative32(p);
    uint16_t value;
    std::memcpy(&value, p, sizeof value);
    return fromFile ? ReadBE16(p) : value;
  }

  // Converts the entries of a list inside the record at base. Returns false
  // when an entry reached past the block; *end receives the offset behind
  // the last entry.
  bool List(uint64_t base, const ChunkList& list, uint32_t count, uint64_t* end) const {
    uint64_t entry = base + list.firstOffset;
    for (uint32_t i = 0; i < count; ++i) {
      if (!Inside(entry, list.entrySize)) return false;
      uint32_t units = list.units ? Count(entry, *list.units) : 0;
      if (!Fields(entry, list.fields)) return false;
      if (list.units) {
        if (!List(entry, *list.units, units, &entry)) return false;
      } else {
        entry += list.entrySize;
      }
    }
    *end = entry;
    return true;
  }

  void Run(const ChunkLayout& layout) const {
    // A count outside the block stops the fixed fields before the list.
    uint32_t count = 0;
    if (layout.list && Inside(layout.list->countOffset, layout.list->countWidth)) count = Count(0, *layout.list);
    if (!Fields(0, layout.fields)) return;
    uint64_t end = 0;
    if (layout.list) (void)List(0, *layout.list, count, &end);
  }
};

bool VersionAccepted(const uint8_t* version) {
  static constexpr uint8_t kAccepted[][4] = {
      {'V', '0', '0', '1'}, {'1', '0', '0', 'V'}, {'V', 0, 0, 0}, {0, 0, 0, 'V'}};
  for (const auto& accepted : kAccepted) {
    if (std::memcmp(version, accepted, 4) == 0) return true;
  }
  return false;
}

}  // namespace

const ChunkLayout* FindChunkLayout(uint32_t identifier) {
  for (const ChunkLayout& layout : kLayouts) {
    if (layout.identifier == identifier) return &layout;
  }
  return nullptr;
}

uint64_t ChunkBlockSize(uint32_t identifier, uint32_t length) {
  const ChunkLayout* layout = FindChunkLayout(identifier);
  uint64_t size = uint64_t{length} + kChunkHeaderSize;
  return layout ? std::max<uint64_t>(layout->minimumSize, size) : size;
}

void ConvertChunkBlock(void* chunk, uint64_t blockSize, int32_t swapHeader) {
  if (!chunk || blockSize < kChunkHeaderSize) return;
  auto* bytes = static_cast<uint8_t*>(chunk);

  // The identifier tells the direction: its characters in order mean the
  // chunk lies in file order.
  const ChunkLayout* layout = FindChunkLayout(ReadBE32(bytes));
  bool fromFile = layout != nullptr;
  if (!layout) layout = FindChunkLayout(ReadNative32(bytes));

  if (layout && VersionAccepted(bytes + 4)) Conversion{bytes, blockSize, fromFile}.Run(*layout);

  if (swapHeader == 1) SwapBytes(bytes, 3, 1);
}

void ConvertChunk(void* chunk, int32_t swapHeader) {
  if (!chunk) return;
  auto* bytes = static_cast<uint8_t*>(chunk);
  bool fileOrderId = FindChunkLayout(ReadBE32(bytes)) != nullptr;
  uint32_t identifier = fileOrderId ? ReadBE32(bytes) : ReadNative32(bytes);
  // A whole chunk in file order (swapped completely) has a big-endian
  // length; otherwise the length is the loader's native number.
  uint32_t length = (swapHeader == 1 && fileOrderId) ? ReadBE32(bytes + 8) : ReadNative32(bytes + 8);
  ConvertChunkBlock(chunk, ChunkBlockSize(identifier, length), swapHeader);
}

void* LoadChunk2Mem(uint32_t identifier, const char* fileName) {
  FileHandle file = fileName ? platform::OpenFile(fileName, "rb") : nullptr;
  if (!file) {
    std::printf("LoadChunk2Mem:Konnte <%s> nicht oeffnen.\n", fileName ? fileName : "(null)");
    return nullptr;
  }
  // The file's length bounds every body: a stored length that promises more
  // than the file holds never makes a block larger than what is there.
  uint64_t fileLength = FileLength(file);
  uint64_t position = 0;
  uint8_t* result = nullptr;

  uint8_t header[kChunkHeaderSize];
  while (std::fread(header, 1, sizeof header, file) == sizeof header) {
    position += sizeof header;
    uint32_t id = ReadBE32(header);
    uint32_t version = ReadBE32(header + 4);
    uint32_t length = ReadBE32(header + 8);
    uint64_t left = fileLength > position ? fileLength - position : 0;

    if (id != identifier) {
      if (length > left) break;  // the last chunk, cut short: nothing follows
      if (std::fseek(file, static_cast<long>(length), SEEK_CUR) != 0) break;
      position += length;
      continue;
    }

    // A truncated body keeps what the file holds, and the length word says
    // so, so that the block always matches its header.
    uint32_t body = static_cast<uint32_t>(std::min<uint64_t>(length, left));
    uint64_t size = ChunkBlockSize(id, body);
    auto* block = size <= UINT32_MAX ? static_cast<uint8_t*>(AllocVec(static_cast<uint32_t>(size), MEMF_CLEAR))
                                     : nullptr;
    if (!block) {
      FreeVec(result);
      result = nullptr;
      break;
    }
    WriteNative32(block, id);
    WriteNative32(block + 4, version);
    WriteNative32(block + 8, body);
    if (body) (void)std::fread(block + kChunkHeaderSize, 1, body, file);
    position += body;

    // ConvertChunk takes the direction from the identifier: file order for
    // the call, native again afterwards.
    SwapBytes(block, 1, 1);
    ConvertChunk(block, 0);
    SwapBytes(block, 1, 1);

    FreeVec(result);
    result = block;
    if (body < length) break;
  }

  std::fclose(file);
  return result;
}

}  // namespace vsk
