// Screen-data files (".dat"): the tagged sections of fixed-size records that
// lay out a screen (gadgets and their labels, text frames) and the town
// templates. The record layouts and section tags are the game's own
// (pictures/screendata.h); this writes them big-endian.
//
// File layout: a 32-byte header the game does not read (ours starts with
// kScreenDataMagic); the data block: u32 0, u32 section count N, N directory
// entries (tag, record count, offset of the first record, counted from the
// start of the data block), then the records of each section back to back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vsk-data/write_file.h"

namespace vsk::data {

constexpr char kScreenDataMagic[] = "VSK SCREEN DATA";

// Section 0: a gadget label; text is a string number (0: none, record kept
// as it is; 0xFFFFFFFF: no text).
struct LabelEntry {
  uint16_t words[4] = {0, 0, 0, 0};
  uint32_t text = 0xFFFFFFFF;
};

// Section 1: a gadget. label is the index of its record in labels, or -1
// (the data offset then is 0).
struct GadgetEntry {
  uint16_t image = 0;
  uint16_t pressedImage = 0;
  uint16_t inactive = 0;
  uint16_t flags = 0;  // vsk::kGadget* flags
  uint16_t left = 0, top = 0, right = 0, bottom = 0;
  uint32_t command = 0;  // four characters, first in the top byte
  int32_t label = -1;
};

// Section 9: a text frame.
struct FrameEntry {
  uint16_t left = 0, top = 0, right = 0, bottom = 0;
};

// Section 11: a town template (60 bytes).
struct TownTemplate {
  uint16_t flags = 0;    // bit 0 may appear, bit 1 stands
  uint32_t value = 0;    // 0: may be placed at random
  uint16_t level = 1;
  uint16_t words8[2] = {0, 0};     // offsets 8, 10
  uint16_t words12[5] = {0, 0, 0, 0, 0};  // offsets 12..20
  uint8_t bytes22[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  uint16_t words30[7] = {0, 0, 0, 0, 0, 0, 0};  // offsets 30..42
  uint16_t words44[8] = {0, 0, 0, 0, 0, 0, 0, 0};  // offsets 44..58
};

// Any other section, records already in file order.
struct RawSection {
  uint32_t tag = 0;
  uint32_t count = 0;
  ByteBuffer records;
};

struct ScreenDataContent {
  std::vector<LabelEntry> labels;        // section 0 (when not empty)
  std::vector<GadgetEntry> gadgets;      // section 1
  std::vector<FrameEntry> frames;        // section 9
  std::vector<TownTemplate> towns;      // section 11
  std::vector<RawSection> extra;        // appended after those
};

// Command code of four characters: CommandCode("OKOK") == 0x4F4B4F4B.
uint32_t CommandCode(const char* four);

// Sections appear in the order 0, 1, 9, 11, extra; empty ones are left out.
// Gadget labels that point outside labels get data offset 0.
ByteBuffer BuildScreenData(const ScreenDataContent& content);

}  // namespace vsk::data
