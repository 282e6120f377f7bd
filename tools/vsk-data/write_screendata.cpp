// Screen-data files: gadgets, labels, text frames and town templates.
#include "vsk-data/write_screendata.h"

#include <cstring>

#include "pictures/screendata.h"

namespace vsk::data {

uint32_t CommandCode(const char* four) {
  uint32_t code = 0;
  size_t length = std::strlen(four);
  for (size_t i = 0; i < 4; ++i) code = (code << 8) | (i < length ? static_cast<uint8_t>(four[i]) : 0);
  return code;
}

ByteBuffer BuildScreenData(const ScreenDataContent& content) {
  struct Section {
    uint32_t tag;
    uint32_t count;
    ByteBuffer records;
  };
  std::vector<Section> sections;

  // Labels first: the gadgets point at them by offset.
  if (!content.labels.empty()) {
    Section s{kSectionTags[kSectionLabels], static_cast<uint32_t>(content.labels.size()), {}};
    for (const LabelEntry& l : content.labels) {
      for (uint16_t w : l.words) PutBE16(s.records, w);
      PutBE32(s.records, l.text);
    }
    sections.push_back(std::move(s));
  }
  size_t gadgetSection = sections.size();
  if (!content.gadgets.empty()) {
    Section s{kSectionTags[kSectionGadgets], static_cast<uint32_t>(content.gadgets.size()), {}};
    for (const GadgetEntry& g : content.gadgets) {
      for (uint16_t w : {g.image, g.pressedImage, g.inactive, g.flags, g.left, g.top, g.right, g.bottom})
        PutBE16(s.records, w);
      PutBE32(s.records, g.command);
      PutBE32(s.records, 0);  // data offset, set below
    }
    sections.push_back(std::move(s));
  }
  if (!content.frames.empty()) {
    Section s{kSectionTags[kSectionTextFrames], static_cast<uint32_t>(content.frames.size()), {}};
    for (const FrameEntry& f : content.frames)
      for (uint16_t w : {f.left, f.top, f.right, f.bottom}) PutBE16(s.records, w);
    sections.push_back(std::move(s));
  }
  if (!content.towns.empty()) {
    Section s{kSectionTags[kSectionTownTemplates], static_cast<uint32_t>(content.towns.size()), {}};
    for (const TownTemplate& t : content.towns) {
      PutBE16(s.records, t.flags);
      PutBE32(s.records, t.value);
      PutBE16(s.records, t.level);
      for (uint16_t w : t.words8) PutBE16(s.records, w);
      for (uint16_t w : t.words12) PutBE16(s.records, w);
      PutBytes(s.records, t.bytes22, sizeof t.bytes22);
      for (uint16_t w : t.words30) PutBE16(s.records, w);
      for (uint16_t w : t.words44) PutBE16(s.records, w);
    }
    sections.push_back(std::move(s));
  }
  for (const RawSection& r : content.extra) sections.push_back({r.tag, r.count, r.records});

  // Offsets count from the start of the data block (file offset 32).
  std::vector<uint32_t> offsets;
  uint32_t at = 8 + 12 * static_cast<uint32_t>(sections.size());
  for (const Section& s : sections) {
    offsets.push_back(at);
    at += static_cast<uint32_t>(s.records.size());
  }
  if (!content.gadgets.empty()) {
    ByteBuffer& records = sections[gadgetSection].records;
    for (size_t i = 0; i < content.gadgets.size(); ++i) {
      int32_t label = content.gadgets[i].label;
      uint32_t offset = 0;
      if (label >= 0 && static_cast<size_t>(label) < content.labels.size())
        offset = offsets[0] + static_cast<uint32_t>(label) * sizeof(LabelEntry);
      SetBE32(records, i * sizeof(Gadget) + 20, offset);
    }
  }

  ByteBuffer out;
  PutBytes(out, kScreenDataMagic, std::strlen(kScreenDataMagic));
  PutZeros(out, 32 - out.size());
  PutBE32(out, 0);
  PutBE32(out, static_cast<uint32_t>(sections.size()));
  for (size_t i = 0; i < sections.size(); ++i) {
    PutBE32(out, sections[i].tag);
    PutBE32(out, sections[i].count);
    PutBE32(out, offsets[i]);
  }
  for (const Section& s : sections) PutBytes(out, s.records.data(), s.records.size());
  return out;
}

}  // namespace vsk::data
