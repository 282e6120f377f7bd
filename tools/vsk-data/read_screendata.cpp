#include "vsk-data/read_screendata.h"

#include "catalog/strings.h"
#include "pictures/screendata.h"

namespace vsk::data {

namespace {

constexpr uint64_t kHeader = 32;

// The 16-bit numbers of a record of section index, and where its text
// number (or other 32-bit field) lies; -1 when it has none.
struct RecordShape {
  std::vector<uint16_t> words;
  int text;
};

RecordShape Shape(int index) {
  switch (index) {
    case 0: return {{0, 2, 4, 6}, 8};
    case 1: return {{0, 2, 4, 6, 8, 10, 12, 14}, 20};
    case 2: return {{4, 6, 8, 10}, 0};
    case 3:
    case 8: return {{0, 2, 4, 6, 8, 10}, 12};
    case 4: return {{0, 2, 4, 6, 8}, -1};
    case 5: return {{0, 2, 4, 6, 8, 10, 12}, -1};
    case 7: return {{4, 6}, 0};
    case 9: return {{0, 2, 4, 6}, -1};
    case 10: return {{0, 2}, -1};
    case 11: {
      RecordShape shape{{0, 6, 8, 10}, -1};
      for (uint16_t at = 12; at <= 20; at += 2) shape.words.push_back(at);
      for (uint16_t at = 30; at <= 58; at += 2) shape.words.push_back(at);
      return shape;
    }
    default: return {{}, -1};
  }
}

// Sections whose 32-bit field is a text number of the string table.
bool HasTextNumber(int index) { return index == 0 || index == 2 || index == 3 || index == 7 || index == 8; }

}  // namespace

const ScreenRecord* ScreenDataData::LabelAt(uint32_t dataOffset) const {
  for (const ScreenSection& section : sections) {
    if (section.index != kSectionLabels || section.duplicate) continue;
    for (const ScreenRecord& record : section.records) {
      if (record.offset == kHeader + dataOffset) return &record;
    }
  }
  return nullptr;
}

bool LooksLikeScreenData(ByteSpan data) {
  if (data.size() < 52) return false;
  uint32_t tag = (uint32_t{data[40]} << 24) | (uint32_t{data[41]} << 16) | (uint32_t{data[42]} << 8) | data[43];
  for (uint32_t known : kSectionTags) {
    if (tag == known) return true;
  }
  return false;
}

ScreenDataData ReadScreenData(ByteSpan data) {
  ScreenDataData file;
  if (data.size() < 40) {
    Fail(data.size(), "the file has " + std::to_string(data.size()) +
                          " bytes; a screen-data file needs 40 for its header and section count");
  }
  file.dataSize = static_cast<uint32_t>(data.size() - kHeader);
  file.word0 = BE32(data, 32, "the first word");
  file.count = BE32(data, 36, "the section count");
  const uint64_t directoryEnd = 40 + uint64_t{file.count} * 12;
  if (directoryEnd > data.size()) {
    Fail(36, "the section count " + std::to_string(file.count) + " needs a directory up to byte " +
                 std::to_string(directoryEnd) + " but the file has " + std::to_string(data.size()));
  }
  for (uint32_t i = 0; i < file.count; ++i) {
    const uint64_t entry = 40 + uint64_t{i} * 12;
    ScreenSection section;
    section.tag = BE32(data, entry, "the section tag");
    section.count = BE32(data, entry + 4, "the record count");
    section.offset = BE32(data, entry + 8, "the record offset");
    for (int k = 0; k < kSectionSlots; ++k) {
      if (kSectionTags[k] == section.tag) section.index = k;
    }
    for (const ScreenSection& earlier : file.sections) {
      if (earlier.tag == section.tag) section.duplicate = true;
    }
    section.recordSize = SectionRecordSize(section.tag);
    const uint64_t first = kHeader + section.offset;
    const uint64_t bytes = uint64_t{section.count} * section.recordSize;
    std::string name = "section " + (section.index >= 0 ? std::to_string(section.index) : TagText(section.tag));
    if (first > data.size() || bytes > data.size() - first) {
      Fail(entry + 4, name + " says it has " + std::to_string(section.count) + " records" +
                          (section.recordSize ? " of " + std::to_string(section.recordSize) + " bytes" : "") +
                          " from file offset " + std::to_string(first) + ", past the end of the file (" +
                          std::to_string(data.size()) + " bytes)");
    }
    if (section.recordSize && section.index >= 0) {
      const RecordShape shape = Shape(section.index);
      for (uint32_t r = 0; r < section.count; ++r) {
        ScreenRecord record;
        record.offset = first + uint64_t{r} * section.recordSize;
        record.raw.assign(data.begin() + record.offset, data.begin() + record.offset + section.recordSize);
        for (uint16_t at : shape.words) record.words.push_back(BE16(data, record.offset + at, "a record"));
        if (shape.text >= 0) record.text = BE32(data, record.offset + shape.text, "a record");
        if (section.index == kSectionGadgets) record.command = BE32(data, record.offset + 16, "a gadget");
        if (section.index == kSectionTownTemplates) record.value = BE32(data, record.offset + 2, "a template");
        std::string where = name + " record " + std::to_string(r);
        if (HasTextNumber(section.index) && record.text >= kStringCount &&
            !(section.index == kSectionLabels && record.text == 0xFFFFFFFFu)) {
          Fail(record.offset + shape.text, "the text number " + std::to_string(record.text) + " of " + where +
                                               " lies beyond the string table's " +
                                               std::to_string(kStringCount) + " entries");
        }
        section.records.push_back(std::move(record));
      }
    }
    file.sections.push_back(std::move(section));
  }
  // Labelled gadgets must find their label inside the data.
  for (const ScreenSection& section : file.sections) {
    if (section.index != kSectionGadgets || section.duplicate) continue;
    for (size_t r = 0; r < section.records.size(); ++r) {
      const ScreenRecord& gadget = section.records[r];
      if (!(gadget.words[3] & kGadgetLabelled)) continue;
      if (uint64_t{gadget.text} + sizeof(LabelRecord) > file.dataSize) {
        Fail(gadget.offset + 20, "gadget " + std::to_string(r) + " is labelled but its label offset " +
                                     std::to_string(gadget.text) + " lies outside the " +
                                     std::to_string(file.dataSize) + " bytes of data");
      }
    }
  }
  return file;
}

}  // namespace vsk::data
