#include "pictures/screendata.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "catalog/strings.h"
#include "platform/files.h"
#include "services/byteorder.h"
#include "services/files.h"
#include "services/memory.h"

namespace vsk {

namespace {

// Bookkeeping in front of the data block, inside the same allocation. Its
// size keeps the data block at the allocation's own alignment.
struct alignas(16) BlockHeader {
  uint32_t dataSize;     // bytes loaded after the file's 32-byte header
  uint32_t textCount;    // entries of the text table
  uint32_t textTable;    // offset of the text table from the allocation start
  uint32_t reserved;
};
constexpr uint32_t kHeaderSize = sizeof(BlockHeader);
static_assert(kHeaderSize == 16);

// One text field of the block: its offset in the data block and the string
// it was resolved to (null: no text).
struct TextSlot {
  uint32_t field;
  const char* text;
};

constexpr uint32_t kFileHeader = 32;  // skipped, never read
constexpr uint32_t kCountOffset = 4;  // section count in the data block
constexpr uint32_t kDirectoryOffset = 8;
constexpr uint32_t kEntrySize = 12;

// Record size and the offset of the text field (-1: none) per section index.
struct Layout {
  uint32_t size;
  int32_t textField;
};
constexpr Layout kLayouts[kSectionSlots] = {
    {12, 8},  {24, -1}, {12, 0},  {16, 12}, {10, -1}, {14, -1}, {0, -1}, {8, 0},
    {16, 12}, {8, -1},  {4, -1},  {60, -1}, {0, -1},  {0, -1},  {0, -1}, {0, -1},
    {0, -1},  {0, -1},  {0, -1},  {0, -1},  {0, -1},  {0, -1}};

int SectionIndex(uint32_t tag) {
  for (int i = 0; i < kSectionSlots; ++i) {
    if (kSectionTags[i] == tag) return i;
  }
  return -1;
}

uint32_t LoadNative32(const uint8_t* p) {
  uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

void StoreNative32(uint8_t* p, uint32_t value) { std::memcpy(p, &value, sizeof value); }

void Swap16(uint8_t* p, uint16_t count) { SwapBytes(p, count, 0); }
void Swap32(uint8_t* p) { SwapBytes(p, 1, 1); }

// Directory entries that fit in size bytes of data.
uint32_t EntriesThatFit(uint32_t dataSize) {
  return dataSize < kDirectoryOffset ? 0 : (dataSize - kDirectoryOffset) / kEntrySize;
}

// One directory entry, read from its big-endian words.
struct Entry {
  uint32_t tag;
  uint32_t count;
  uint32_t offset;
};

Entry ReadEntry(const uint8_t* block, uint32_t index) {
  const uint8_t* p = block + kDirectoryOffset + index * kEntrySize;
  return {ReadBE32(p), ReadBE32(p + 4), ReadBE32(p + 8)};
}

// Whether the entry's records lie wholly in the data after the directory.
// Records of a tag of unknown size are taken to be at least one byte long.
bool EntryInside(const Entry& entry, uint32_t entries, uint32_t dataSize) {
  uint64_t size = SectionRecordSize(entry.tag);
  if (size == 0) size = 1;
  uint64_t directoryEnd = kDirectoryOffset + uint64_t{entries} * kEntrySize;
  return entry.offset >= directoryEnd && entry.offset + uint64_t{entry.count} * size <= dataSize;
}

const BlockHeader* HeaderOf(const void* data) {
  return reinterpret_cast<const BlockHeader*>(static_cast<const uint8_t*>(data) - kCountOffset -
                                              kHeaderSize);
}

const uint8_t* BlockOf(const void* data) { return static_cast<const uint8_t*>(data) - kCountOffset; }

// The directory entries a loaded block holds.
uint32_t LoadedEntries(const void* data) {
  const uint32_t stored = LoadNative32(static_cast<const uint8_t*>(data));
  return std::min(stored, EntriesThatFit(HeaderOf(data)->dataSize));
}

// The first usable entry with the tag, or false.
bool FindEntry(const void* data, uint32_t tag, Entry* found) {
  if (!data) return false;
  const uint32_t dataSize = HeaderOf(data)->dataSize;
  const uint32_t entries = LoadedEntries(data);
  const uint8_t* block = BlockOf(data);
  for (uint32_t i = 0; i < entries; ++i) {
    Entry entry = ReadEntry(block, i);
    if (entry.tag == tag && EntryInside(entry, entries, dataSize)) {
      *found = entry;
      return true;
    }
  }
  return false;
}

// The text table of a block under construction or loaded.
struct TextTable {
  TextSlot* slots;
  uint32_t count;

  TextSlot* Find(uint64_t field) const {
    TextSlot* end = slots + count;
    TextSlot* slot = std::lower_bound(slots, end, field,
                                      [](const TextSlot& s, uint64_t f) { return s.field < f; });
    return (slot != end && slot->field == field) ? slot : nullptr;
  }
};

TextTable TableOf(const void* data) {
  const BlockHeader* header = HeaderOf(data);
  const uint8_t* base = reinterpret_cast<const uint8_t*>(header);
  // The table lies in the same writable allocation; lookups only read it.
  auto* slots = reinterpret_cast<TextSlot*>(const_cast<uint8_t*>(base) + header->textTable);
  return {slots, header->textCount};
}

// Calls visit (section index, offset of a record) for every record of every
// usable directory entry of a converted tag, in directory order.
template <typename Visit>
void ForEachRecord(const uint8_t* block, uint32_t entries, uint32_t dataSize, Visit visit) {
  for (uint32_t i = 0; i < entries; ++i) {
    Entry entry = ReadEntry(block, i);
    int index = SectionIndex(entry.tag);
    if (index < 0 || kLayouts[index].size == 0 || !EntryInside(entry, entries, dataSize)) continue;
    uint64_t record = entry.offset;
    for (uint32_t r = 0; r < entry.count; ++r, record += kLayouts[index].size) {
      visit(index, static_cast<uint32_t>(record));
    }
  }
}

// Turns the text number at field (native order by now) into its string.
void ResolveText(const TextTable& table, uint32_t field, uint32_t number) {
  if (TextSlot* slot = table.Find(field)) slot->text = GetDefaultString(number);
}

// Converts one record of section index at block + at in place.
void ConvertRecord(uint8_t* block, uint32_t at, int index, const TextTable& table) {
  uint8_t* r = block + at;
  switch (index) {
    case 0: {  // label: four u16, text number
      uint32_t number = ReadBE32(r + 8);
      if (number == 0) break;  // no text: the record stays as it is
      Swap16(r, 4);
      Swap32(r + 8);
      if (number == 0xFFFFFFFFu) {
        if (TextSlot* slot = table.Find(at + 8)) slot->text = nullptr;
      } else {
        ResolveText(table, at + 8, number);
      }
      break;
    }
    case 1:  // gadget: eight u16, command code, data offset
      Swap16(r, 8);
      Swap32(r + 16);
      Swap32(r + 20);
      break;
    case 2: {  // text placement: text number, four u16
      Swap32(r);
      uint32_t number = LoadNative32(r);
      std::printf("LTXT:ID:%d\n", static_cast<int>(number));
      ResolveText(table, at, number);
      Swap16(r + 4, 4);
      break;
    }
    case 3:
    case 8:  // six u16, text number
      Swap16(r, 6);
      Swap32(r + 12);
      ResolveText(table, at + 12, LoadNative32(r + 12));
      break;
    case 4:
      Swap16(r, 5);
      break;
    case 5:
      Swap16(r, 7);
      break;
    case 7:  // text number, two u16
      Swap32(r);
      ResolveText(table, at, LoadNative32(r));
      Swap16(r + 4, 2);
      break;
    case 9:
      Swap16(r, 4);
      break;
    case 10:
      Swap16(r, 2);
      break;
    case 11:  // town template
      Swap16(r, 1);
      Swap32(r + 2);
      Swap16(r + 6, 3);
      Swap16(r + 12, 5);
      // 22..29 stay as they are.
      Swap16(r + 30, 7);
      Swap16(r + 44, 8);
      // The five words at 30..38 are turned a second time, so they end in
      // the file's byte order; the town records are built from them so.
      Swap16(r + 30, 5);
      break;
    default:
      break;
  }
}

uint64_t Align8(uint64_t n) { return (n + 7) & ~uint64_t{7}; }

}  // namespace

uint32_t SectionRecordSize(uint32_t tag) {
  int index = SectionIndex(tag);
  return index < 0 ? 0 : kLayouts[index].size;
}

const char* GetDefaultString(uint32_t number) {
  static const char kEmpty[] = "";
  if (number >= kStringCount) return kEmpty;
  const char* text = BuiltinStrings[number].text;
  return text ? text : kEmpty;
}

void* ExternalDataLoad(const char* name) {
  FileHandle file = name ? platform::OpenFile(name, "rb") : nullptr;
  uint32_t length = file ? FileLength(file) : 0;
  uint8_t skipped[kFileHeader];
  // The size is what the file really yields: a file under 32 bytes, or one
  // whose header cannot be read (a directory, say), is not loaded.
  if (!file || length < kFileHeader || std::fread(skipped, 1, kFileHeader, file) != kFileHeader) {
    if (file) Close(file);
    std::printf("ExternalDataLoad: \tKonnte %s nicht oeffnen.\n", name ? name : "(null)");
    return nullptr;
  }

  // First the raw bytes, with a bit per byte behind them to mark where text
  // fields lie, so that the final block can be sized for its text table.
  const uint64_t wanted = length - kFileHeader;
  const uint64_t rawArea = std::max<uint64_t>(wanted, kDirectoryOffset);
  const uint64_t marksSize = wanted / 8 + 1;
  if (rawArea + marksSize > 0xFFFFFFFFu) {
    Close(file);
    return nullptr;
  }
  auto* raw = static_cast<uint8_t*>(AllocVec(static_cast<uint32_t>(rawArea + marksSize), MEMF_CLEAR));
  if (!raw) {
    Close(file);
    return nullptr;
  }
  const uint32_t dataSize = static_cast<uint32_t>(std::fread(raw, 1, wanted, file));
  Close(file);
  uint8_t* marks = raw + rawArea;

  const uint32_t entries = std::min(ReadBE32(raw + kCountOffset), EntriesThatFit(dataSize));
  uint32_t textCount = 0;
  ForEachRecord(raw, entries, dataSize, [&](int index, uint32_t at) {
    if (kLayouts[index].textField < 0) return;
    uint32_t field = at + static_cast<uint32_t>(kLayouts[index].textField);
    uint8_t bit = static_cast<uint8_t>(1u << (field & 7));
    if (!(marks[field >> 3] & bit)) {
      marks[field >> 3] |= bit;
      ++textCount;
    }
  });

  // The block: header, data with at least one zero byte after it (and room
  // for the section count), text table.
  const uint64_t dataArea = Align8(std::max<uint64_t>(uint64_t{dataSize} + 1, kDirectoryOffset));
  const uint64_t total = kHeaderSize + dataArea + uint64_t{textCount} * sizeof(TextSlot);
  auto* base = total <= 0xFFFFFFFFu ? static_cast<uint8_t*>(AllocVec(static_cast<uint32_t>(total), MEMF_CLEAR))
                                    : nullptr;
  if (!base) {
    FreeVec(raw);
    return nullptr;
  }
  auto* header = reinterpret_cast<BlockHeader*>(base);
  header->dataSize = dataSize;
  header->textCount = textCount;
  header->textTable = static_cast<uint32_t>(kHeaderSize + dataArea);
  uint8_t* block = base + kHeaderSize;
  CopyMem(raw, block, dataSize);
  TextTable table{reinterpret_cast<TextSlot*>(base + header->textTable), textCount};
  uint32_t slot = 0;
  for (uint32_t field = 0; field < dataSize && slot < textCount; ++field) {
    if (marks[field >> 3] & (1u << (field & 7))) table.slots[slot++] = {field, nullptr};
  }
  FreeVec(raw);

  // The section count in native order (no more entries than the data holds);
  // then every record of every known section, in directory order.
  StoreNative32(block + kCountOffset, entries);
  ForEachRecord(block, entries, dataSize,
                [&](int index, uint32_t at) { ConvertRecord(block, at, index, table); });
  return block + kCountOffset;
}

void FreeExternalData(void* data) {
  if (!data) return;
  FreeVec(static_cast<uint8_t*>(data) - kCountOffset - kHeaderSize);
}

uint32_t GetSectionCount(const void* data, uint32_t tag) {
  Entry entry;
  return FindEntry(data, tag, &entry) ? entry.count : 0;
}

void* GetSectionData(const void* data, uint32_t tag) {
  Entry entry;
  if (!FindEntry(data, tag, &entry)) return nullptr;
  return const_cast<uint8_t*>(BlockOf(data)) + entry.offset;
}

uint32_t ExternalDataSize(const void* data) { return data ? HeaderOf(data)->dataSize : 0; }

const char* SectionText(const void* data, const void* textField) {
  if (!data || !textField) return nullptr;
  auto start = reinterpret_cast<uintptr_t>(BlockOf(data));
  auto field = reinterpret_cast<uintptr_t>(textField);
  if (field < start || field - start >= HeaderOf(data)->dataSize) return nullptr;
  TextSlot* slot = TableOf(data).Find(field - start);
  return slot ? slot->text : nullptr;
}

void* GadgetData(const void* data, const Gadget* gadget) {
  if (!data || !gadget) return nullptr;
  uint32_t offset = gadget->dataOffset;
  if (offset >= HeaderOf(data)->dataSize) return nullptr;
  return const_cast<uint8_t*>(BlockOf(data)) + offset;
}

const char* GadgetLabel(const void* data, const Gadget* gadget) {
  auto* label = static_cast<const uint8_t*>(GadgetData(data, gadget));
  if (!label || uint64_t{gadget->dataOffset} + sizeof(LabelRecord) > HeaderOf(data)->dataSize) {
    return nullptr;
  }
  return SectionText(data, label + offsetof(LabelRecord, text));
}

ScreenRegion* GetSCreenRegion(const char* name, uint32_t mask) {
  auto* region = static_cast<ScreenRegion*>(AllocVec(sizeof(ScreenRegion), MEMF_PUBLIC | MEMF_CLEAR));
  if (!region) return nullptr;
  region->data = ExternalDataLoad(name);
  if (!region->data) {
    FreeVec(region);
    return nullptr;
  }
  region->buttonUp = 1;
  region->builtinGadget.command = kCommandKey;

  for (int i = 0; i < kSectionSlots; ++i) {
    if (!(mask & (1u << i))) continue;
    region->sections[i].records = GetSectionData(region->data, kSectionTags[i]);
    if (!region->sections[i].records) {
      std::printf("GetSCreenRegion:000");
      FreeScreenRegion(region);
      std::fflush(stdout);
      std::exit(1);
    }
    region->sections[i].count = GetSectionCount(region->data, kSectionTags[i]);
    if (region->sections[i].count == 0) {
      std::printf("GetSCreenRegion:001");
      FreeScreenRegion(region);
      std::fflush(stdout);
      std::exit(1);
    }
  }
  return region;
}

void FreeScreenRegion(ScreenRegion* region) {
  if (!region) return;
  FreeExternalData(region->data);
  FreeVec(region);
}

}  // namespace vsk
