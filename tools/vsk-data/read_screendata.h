// Reading a screen-data file (".dat"): the directory of tagged sections and
// the records of the sections the client converts: gadget labels (0),
// gadgets (1), text placements (2), text frames (9) and town templates (11).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vsk-data/read_common.h"

namespace vsk::data {

struct ScreenRecord {
  uint64_t offset = 0;  // in the file
  std::vector<uint16_t> words;  // the record's 16-bit numbers in their order
  uint32_t command = 0;         // gadgets: the command code
  uint32_t text = 0;            // labels, placements: the text number;
                                // gadgets: the data offset
  uint32_t value = 0;           // town templates: the u32 at 2
  std::vector<uint8_t> raw;     // the record's bytes as the file has them
};

struct ScreenSection {
  int index = -1;       // position of the tag in the game's list; -1 unknown
  uint32_t tag = 0;
  uint32_t count = 0;
  uint32_t offset = 0;  // from the start of the data block
  uint32_t recordSize = 0;  // 0: records of a size the client does not know
  bool duplicate = false;   // an earlier entry has the same tag
  std::vector<ScreenRecord> records;  // for the sections with known records
};

struct ScreenDataData {
  uint32_t word0 = 0;
  uint32_t count = 0;
  uint32_t dataSize = 0;  // the file less its 32-byte header
  std::vector<ScreenSection> sections;
  // The section-0 record a labelled gadget points to: section index, record.
  const ScreenRecord* LabelAt(uint32_t dataOffset) const;
};

// Throws FormatError: a file too short for its header, count or directory,
// a section whose records reach past the file, a labelled gadget whose label
// lies outside the data, a text number beyond the string table.
ScreenDataData ReadScreenData(ByteSpan data);

// True when the bytes look like a screen-data file: a directory whose first
// tag is one of the game's section tags.
bool LooksLikeScreenData(ByteSpan data);

}  // namespace vsk::data
