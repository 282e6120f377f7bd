#include "vsk-data/read_records.h"

namespace vsk::data {

namespace {

void NeedSize(ByteSpan data, uint64_t size, const char* what) {
  if (data.size() != size) {
    Fail(data.size() < size ? data.size() : size,
         std::string("the file has ") + std::to_string(data.size()) + " bytes; " + what + " has exactly " +
             std::to_string(size));
  }
}

void NeedHeader(ByteSpan data, const char* magic, uint32_t bodyLength) {
  for (int i = 0; i < 4; ++i) {
    if (data[i] != static_cast<uint8_t>(magic[i])) Fail(0, std::string("the file does not start with \"") + magic + "\"");
  }
  if (FieldText(data, 4, 4) != "V001") Fail(4, "the version is not \"V001\"");
  uint32_t length = LE32(data, 8, "the body length");
  if (length != bodyLength) {
    Fail(8, "the body length is " + std::to_string(length) + ", not " + std::to_string(bodyLength));
  }
}

PrefsField Field(ByteSpan data, int number, uint32_t offset, uint32_t width, const char* label) {
  PrefsField field;
  field.number = number;
  field.offset = offset;
  field.width = width;
  field.label = label;
  if (width >= 5) {
    field.isText = true;
    field.text = FieldText(data, offset, width);
    if (field.text.size() >= width) Fail(offset, std::string("the text field ") + label + " has no terminating zero");
  } else if (width == 4) {
    field.value = LE32(data, offset, label);
  } else if (width == 2) {
    field.value = LE16(data, offset, label);
  } else {
    field.value = U8(data, offset, label);
  }
  return field;
}

}  // namespace

std::vector<PrefsField> ReadGeneralPrefs(ByteSpan data) {
  NeedSize(data, kGeneralPrefsSize, "the general preferences file");
  NeedHeader(data, "PREF", 220);
  static constexpr struct {
    uint32_t offset, width;
    const char* label;
  } kFields[] = {
      {12, 2, "town storage mode (2: town files and list are written)"},
      {14, 4, ""}, {18, 4, ""}, {22, 4, ""}, {26, 1, ""}, {27, 1, ""}, {28, 40, ""}, {68, 40, ""},
      {108, 40, "second player name text"}, {148, 4, "player number"}, {152, 40, "first player name text"},
      {192, 4, ""}, {196, 2, ""}, {198, 2, ""}, {200, 1, ""}, {201, 1, ""}, {202, 1, ""}, {203, 1, ""},
      {204, 4, ""}, {208, 4, ""}, {212, 4, ""}, {216, 4, ""}, {220, 4, ""}, {224, 4, ""},
      {228, 1, "running flag (1 while the client runs)"}, {229, 1, ""}, {230, 2, ""}};
  std::vector<PrefsField> fields;
  int number = 0;
  for (const auto& f : kFields) fields.push_back(Field(data, number++, f.offset, f.width, f.label));
  return fields;
}

std::vector<PrefsField> ReadStoryPrefs(ByteSpan data) {
  NeedSize(data, kStoryPrefsSize, "the story preferences file");
  NeedHeader(data, "BPTR", 188);
  std::vector<PrefsField> fields;
  fields.push_back(Field(data, 0, 12, 4, ""));
  for (int n = 1; n <= 12; ++n) fields.push_back(Field(data, n, 15 + n, 1, n == 1 ? "story flag" : ""));
  for (int n = 13; n <= 23; ++n) fields.push_back(Field(data, n, 16 + n, 1, ""));
  return fields;
}

std::vector<PrefsField> ReadOptions(ByteSpan data) {
  NeedSize(data, kOptionsSize, "the options file");
  static constexpr struct {
    uint32_t offset, width;
    const char* label;
  } kFields[] = {
      {0, 4, "option flags (sound options)"}, {4, 1, "TCP/IP stack (255: none)"}, {5, 1, ""},
      {6, 40, "network device"}, {46, 2, ""}, {48, 2, ""}, {50, 4, ""}, {54, 4, ""}, {58, 1, ""},
      {59, 1, "CD audio volume"}, {60, 40, "POP3 server"}, {100, 40, "SMTP server"}, {140, 40, "mail user"},
      {180, 160, "mail password"}, {340, 40, "serial device"}, {380, 4, "serial unit"},
      {384, 164, "modem initialisation"}, {548, 4, ""}, {552, 4, ""}, {556, 2, ""}, {558, 2, ""},
      {560, 1, ""}, {561, 1, ""}, {562, 4, ""}};
  std::vector<PrefsField> fields;
  for (const auto& f : kFields) fields.push_back(Field(data, -1, f.offset, f.width, f.label));
  return fields;
}

TownData ReadTownFile(ByteSpan data) {
  NeedSize(data, kTownFileSize, "a town file");
  TownData town;
  town.capital = LE32(data, 0, "capital flag");
  town.state = LE16(data, 4, "state");
  town.fresh = LE32(data, 8, "word 8");
  town.level = LE16(data, 18, "level");
  town.id = static_cast<int32_t>(LE32(data, 20, "identifier"));
  town.mapX = static_cast<int32_t>(LE32(data, 24, "map position"));
  town.mapY = static_cast<int32_t>(LE32(data, 28, "map position"));
  town.kept = LE32(data, 32, "word 32");
  town.name = FieldText(data, 36, 80);
  if (town.name.size() >= 80) Fail(36, "the town name has no terminating zero within its 80 bytes");
  for (uint32_t i = 0; i < kTownBuildings; ++i) {
    const uint64_t at = 116 + uint64_t{i} * 60;
    town.buildings.push_back({LE16(data, at, "building"), LE32(data, at + 2, "building"), LE16(data, at + 6, "building")});
  }
  return town;
}

std::vector<TownListEntry> ReadTownList(ByteSpan data) {
  if (data.empty() || data.size() % kTownListRecord != 0) {
    Fail(data.size() - data.size() % kTownListRecord,
         "the file has " + std::to_string(data.size()) + " bytes, not a whole number of 84-byte records");
  }
  std::vector<TownListEntry> towns;
  const uint64_t records = data.size() / kTownListRecord;
  for (uint64_t r = 0; r < records; ++r) {
    const uint64_t at = r * kTownListRecord;
    TownListEntry entry{static_cast<int32_t>(LE32(data, at, "identifier")), FieldText(data, at + 4, 80)};
    if (entry.name.size() >= 80) Fail(at + 4, "the name of record " + std::to_string(r) + " has no terminating zero");
    if (entry.id == -1) {
      if (r + 1 != records) {
        Fail(at, "the terminator (identifier -1) is record " + std::to_string(r) + " of " +
                     std::to_string(records) + "; records behind it are never read");
      }
      return towns;
    }
    towns.push_back(std::move(entry));
  }
  Fail(data.size() - kTownListRecord, "the last record is not the terminator (identifier -1)");
}

BmpInfo ReadBmp(ByteSpan data) {
  if (data.size() < 2 || data[0] != 'B' || data[1] != 'M') Fail(0, "the file does not start with \"BM\"");
  BmpInfo bmp;
  bmp.fileSize = LE32(data, 2, "the file size");
  bmp.dataOffset = LE32(data, 10, "the pixel data offset");
  bmp.headerSize = LE32(data, 14, "the header size");
  if (bmp.headerSize == 12) {
    bmp.width = LE16(data, 18, "the width");
    bmp.height = LE16(data, 20, "the height");
    bmp.planes = LE16(data, 22, "the planes");
    bmp.bitsPerPixel = LE16(data, 24, "the depth");
  } else if (bmp.headerSize == 40) {
    bmp.width = static_cast<int32_t>(LE32(data, 18, "the width"));
    bmp.height = static_cast<int32_t>(LE32(data, 22, "the height"));
    bmp.planes = LE16(data, 26, "the planes");
    bmp.bitsPerPixel = LE16(data, 28, "the depth");
    bmp.compression = LE32(data, 30, "the compression");
    bmp.colours = LE32(data, 46, "the colour count");
  } else {
    Fail(14, "the header size is " + std::to_string(bmp.headerSize) +
                 "; the client reads the 12-byte core and the 40-byte information header only");
  }
  if (bmp.width <= 0 || bmp.height == 0) {
    Fail(18, "the picture is " + std::to_string(bmp.width) + " x " + std::to_string(bmp.height) + " pixels");
  }
  static constexpr uint16_t kDepths[] = {1, 4, 8, 16, 24, 32};
  bool depthKnown = false;
  for (uint16_t depth : kDepths) depthKnown |= depth == bmp.bitsPerPixel;
  if (!depthKnown) Fail(bmp.headerSize == 12 ? 24 : 28, "a depth of " + std::to_string(bmp.bitsPerPixel) + " bits per pixel does not exist");
  if (bmp.compression == 0 || bmp.compression == 3) {
    bmp.rowBytes = ((uint64_t{static_cast<uint32_t>(bmp.width)} * bmp.bitsPerPixel + 31) / 32) * 4;
    uint64_t rows = bmp.height < 0 ? -int64_t{bmp.height} : bmp.height;
    Need(data, bmp.dataOffset, bmp.rowBytes * rows,
         "the pixel data of " + std::to_string(rows) + " rows of " + std::to_string(bmp.rowBytes) + " bytes");
  } else if (bmp.dataOffset > data.size()) {
    Fail(10, "the pixel data offset lies past the end of the file");
  }
  return bmp;
}

WavInfo ReadWav(ByteSpan data) {
  if (data.size() < 12 || FieldText(data, 0, 4) != "RIFF" || FieldText(data, 8, 4) != "WAVE") {
    Fail(0, "the file does not start with \"RIFF\" ... \"WAVE\"");
  }
  WavInfo wav;
  bool haveFormat = false;
  uint64_t at = 12;
  while (at + 8 <= data.size()) {
    std::string id = FieldText(data, at, 4);
    uint32_t length = LE32(data, at + 4, "the chunk length");
    if (length > data.size() - at - 8) {
      Fail(at + 4, "the " + Quote(id) + " chunk says it has " + std::to_string(length) + " bytes but only " +
                       std::to_string(data.size() - at - 8) + " follow");
    }
    if (id == "fmt ") {
      if (length < 16) Fail(at + 4, "the \"fmt \" chunk has " + std::to_string(length) + " bytes, fewer than 16");
      wav.format = LE16(data, at + 8, "the format");
      wav.channels = LE16(data, at + 10, "the channels");
      wav.rate = LE32(data, at + 12, "the rate");
      wav.blockAlign = LE16(data, at + 20, "the block alignment");
      wav.bitsPerSample = LE16(data, at + 22, "the sample size");
      haveFormat = true;
    } else if (id == "data") {
      if (!haveFormat) Fail(at, "the \"data\" chunk comes before any \"fmt \" chunk");
      wav.dataOffset = at + 8;
      wav.dataBytes = length;
      return wav;
    }
    at += 8 + uint64_t{length} + (length & 1);
  }
  Fail(data.size(), "the file has no \"data\" chunk");
}

}  // namespace vsk::data
