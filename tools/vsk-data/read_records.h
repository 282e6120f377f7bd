// Reading the fixed records: the three preference files the client writes,
// its town files and town list (all little-endian), the OpenGL backdrop BMP
// and the WAV tracks of the CD audio folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vsk-data/read_common.h"

namespace vsk::data {

// One field of a preference file: a number, or a text (width 40 and more).
struct PrefsField {
  int number = -1;  // field number of CheckPrefs / DodurOdidPrefs; -1 options
  uint32_t offset = 0, width = 0;
  const char* label = "";
  uint32_t value = 0;
  std::string text;
  bool isText = false;
};

constexpr uint32_t kGeneralPrefsSize = 232;
constexpr uint32_t kStoryPrefsSize = 200;
constexpr uint32_t kOptionsSize = 566;

// "./data/prefs.vsk" ("PREF", "V001", 220): fields 0 to 26.
std::vector<PrefsField> ReadGeneralPrefs(ByteSpan data);
// "./data/BTPrefs.vsk" ("BPTR", "V001", 188): fields 0 to 23.
std::vector<PrefsField> ReadStoryPrefs(ByteSpan data);
// "./data/optionen.prefs": the 566-byte options record.
std::vector<PrefsField> ReadOptions(ByteSpan data);

constexpr uint32_t kTownFileSize = 14220;
constexpr uint32_t kTownBuildings = 235;
constexpr uint32_t kTownListRecord = 84;

struct TownBuilding {
  uint16_t flags = 0;  // bit 0 may appear, bit 1 stands
  uint32_t value = 0;
  uint16_t level = 0;
};

struct TownData {
  uint32_t capital = 0;
  uint16_t state = 0;  // bit 0 provisional
  uint32_t fresh = 0;  // 1 at creation, 0 after renaming
  uint16_t level = 0;
  int32_t id = 0;
  int32_t mapX = 0, mapY = 0;
  uint32_t kept = 0;
  std::string name;
  std::vector<TownBuilding> buildings;
};

// Throws FormatError for a size other than 14220 or a name without its zero.
TownData ReadTownFile(ByteSpan data);

struct TownListEntry {
  int32_t id = 0;
  std::string name;
};

// The records before the terminator. Throws FormatError for a size that is
// not a whole number of 84-byte records, a missing or early terminator, a
// name without its zero.
std::vector<TownListEntry> ReadTownList(ByteSpan data);

struct BmpInfo {
  uint32_t fileSize = 0, dataOffset = 0, headerSize = 0;
  int32_t width = 0, height = 0;
  uint16_t planes = 0, bitsPerPixel = 0;
  uint32_t compression = 0, colours = 0;
  uint64_t rowBytes = 0;
};

// Throws FormatError: no "BM", a header size the client cannot read (it
// reads the 12-byte core and the 40-byte information header), pixel rows
// past the end of the file.
BmpInfo ReadBmp(ByteSpan data);

struct WavInfo {
  uint16_t format = 0, channels = 0, bitsPerSample = 0, blockAlign = 0;
  uint32_t rate = 0;
  uint64_t dataOffset = 0, dataBytes = 0;
};

// Throws FormatError: no "RIFF"/"WAVE", a chunk past the end of the file,
// no "fmt " before "data", or no "data".
WavInfo ReadWav(ByteSpan data);

}  // namespace vsk::data
