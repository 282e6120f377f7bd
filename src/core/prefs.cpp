#include "core/prefs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/context.h"
#include "platform/files.h"
#include "services/files.h"
#include "services/memory.h"

namespace vsk {

namespace {

struct PrefsField {
  uint16_t offset;
  uint16_t width;
};

// Offsets count from the start of "./data/prefs.vsk", header included. The
// last entry closes the table; numbers above it are outside the table.
constexpr PrefsField kGeneralFields[] = {
    {12, 2},  {14, 4},   {18, 4},   {22, 4},   {26, 1},   {27, 1},   {28, 40},
    {68, 40}, {108, 40}, {148, 4},  {152, 40}, {192, 4},  {196, 2},  {198, 2},
    {200, 1}, {201, 1},  {202, 1},  {203, 1},  {204, 4},  {208, 4},  {212, 4},
    {216, 4}, {220, 4},  {224, 4},  {228, 1},  {229, 1},  {230, 2},  {0, 0},
};
constexpr uint16_t kGeneralFieldCount = sizeof kGeneralFields / sizeof kGeneralFields[0];

constexpr uint32_t kGeneralBodySize = 220;
constexpr uint32_t kStoryBodySize = 188;
constexpr uint32_t kHeaderSize = 12;

PrefsField GeneralField(uint16_t field) {
  return field < kGeneralFieldCount ? kGeneralFields[field] : PrefsField{0, 0};
}

// Field 0 is a 4-byte number; fields 1 to 23 are single bytes, with offset
// 28 left out between field 12 and field 13; the rest are empty.
PrefsField StoryField(uint16_t field) {
  if (field == 0) return {12, 4};
  if (field <= 12) return {static_cast<uint16_t>(15 + field), 1};
  if (field <= 23) return {static_cast<uint16_t>(16 + field), 1};
  return {0, 0};
}

// Length of text, but at most limit.
size_t TextLength(const char* text, size_t limit) {
  size_t length = 0;
  while (length < limit && text[length]) ++length;
  return length;
}

// Reads or writes one field at the file's current position. Text fields
// (width 5 and more) use block, a cleared block of the field's width.
intptr_t AccessField(FileHandle file, PrefsField field, uint16_t write, intptr_t value, uint8_t* block) {
  if (field.width == 0) return value;
  if (field.width <= 4) {
    uint32_t number = static_cast<uint32_t>(value);
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(number >> (8 * i));
    if (write) {
      Write(file, bytes, field.width);
      return value;
    }
    // Bytes a short file does not have keep the caller's bytes.
    Read(file, bytes, field.width);
    number = 0;
    for (int i = 0; i < 4; ++i) number |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return static_cast<int32_t>(number);
  }
  if (!block) return write ? value : 0;  // text fields need their block
  if (write) {
    // The last byte always stays zero, so the field is always a text.
    if (const char* text = reinterpret_cast<const char*>(value)) {
      size_t length = TextLength(text, field.width - 1u);
      std::memcpy(block, text, length);
    }
    Write(file, block, field.width);
    return value;
  }
  Read(file, block, field.width);
  block[field.width - 1] = 0;
  return reinterpret_cast<intptr_t>(block);
}

void PutLong(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Writes a whole preference file from its start: magic, version "V001",
// the body length as a little-endian number, the body.
void WritePrefsFile(FileHandle file, const char* magic, const uint8_t* body, uint32_t bodySize) {
  uint8_t length[4];
  PutLong(length, bodySize);
  Seek(file, 0, OFFSET_BEGINNING);
  Write(file, magic, 4);
  Write(file, "V001", 4);
  Write(file, length, 4);
  Write(file, body, bodySize);
}

// Sets a text field: the text and a zero byte; the bytes after the zero are
// left as they were.
template <size_t N>
void SetText(char (&field)[N], const char* text) {
  static_assert(N > 0);
  size_t length = TextLength(text, N - 1);
  std::memcpy(field, text, length);
  field[length] = 0;
}

// Clears a whole text field, then sets the text.
template <size_t N>
void SetWholeText(char (&field)[N], const char* text) {
  std::memset(field, 0, N);
  SetText(field, text);
}

constexpr const char* kGeneralPrefsPath = "./data/prefs.vsk";
constexpr const char* kStoryPrefsPath = "./data/BTPrefs.vsk";
constexpr const char* kOptionsPath = "./data/optionen.prefs";

// Placeholders of the options defaults: the player enters real ones.
constexpr const char* kDefaultPop3Host = "pop3.veskaria.example";
constexpr const char* kDefaultSmtpHost = "smtp.veskaria.example";
constexpr const char* kDefaultPassword = "changeme";

}  // namespace

intptr_t CheckPrefs(uint16_t field, uint16_t write, intptr_t value) {
  FileHandle file = platform::OpenFile(kGeneralPrefsPath, "rb+");
  if (!file) {
    file = platform::OpenFile(kGeneralPrefsPath, "wb+");
    if (!file) {
      std::printf("CheckPrefs:000");
      std::fflush(stdout);
      std::exit(1);
    }
    WriteStandardPrefs(file);
  }

  PrefsField where = GeneralField(field);
  uint8_t* block = nullptr;
  if (where.width > 4) {
    block = static_cast<uint8_t*>(AllocVec(where.width, MEMF_PUBLIC | MEMF_CLEAR));
    if (!block) {
      Close(file);
      return 0;
    }
  }

  if (Seek(file, where.offset, OFFSET_BEGINNING) < 0) {
    // The file is unusable where the field lies: give it its header and
    // body again and try once more.
    WriteStandardPrefs(file);
    Seek(file, where.offset, OFFSET_BEGINNING);
  }
  intptr_t result = AccessField(file, where, write, value, block);
  Close(file);
  if (write) FreeVec(block);
  return result;
}

void WriteStandardPrefs(FileHandle file) {
  // The body is small enough for the stack, so giving a new file its header
  // cannot fail for want of memory.
  uint8_t body[kGeneralBodySize] = {};
  // An existing body survives the rewrite.
  if (FileLength(file) != 0 && Seek(file, kHeaderSize, OFFSET_BEGINNING) >= 0) {
    Read(file, body, kGeneralBodySize);
  }
  WritePrefsFile(file, "PREF", body, kGeneralBodySize);
}

intptr_t DodurOdidPrefs(uint16_t field, uint16_t write, intptr_t value) {
  FileHandle file = Open(kStoryPrefsPath, MODE_OLDFILE);
  if (!file) {
    file = Open(kStoryPrefsPath, MODE_NEWFILE);
    if (!file) {
      std::printf("ReruVezoPrefs: Konnne Prefs File nicht erstellen.\n");
      return -1;
    }
    if (!SaveStandardCheckPrefs(file)) {
      std::printf("ReruVezoPrefs: Fehler beim schreiben der Standard Prefs.\n");
      // Without its header the new file is of no use; the next access
      // creates it again.
      Close(file);
      platform::RemoveFile(kStoryPrefsPath);
      return -1;
    }
  }

  PrefsField where = StoryField(field);
  uint8_t* block = nullptr;
  if (where.width >= 5) {
    block = static_cast<uint8_t*>(AllocVec(where.width, MEMF_PUBLIC | MEMF_CLEAR));
    if (!block) {
      Close(file);
      std::printf("DodurOdidPrefs: Kein Speicher mehr vorhanden .\n");
      return -1;
    }
  }

  Seek(file, where.offset, OFFSET_BEGINNING);
  intptr_t result = AccessField(file, where, write, value, block);
  Close(file);
  if (write) FreeVec(block);
  return result;
}

bool SaveStandardCheckPrefs(FileHandle file) {
  auto* body = static_cast<uint8_t*>(AllocVec(kStoryBodySize, MEMF_PUBLIC | MEMF_CLEAR));
  if (!body) {
    std::printf("SaveStandardCheckPrefs: Kein Speicher vorhanden .\n");
    return false;
  }
  WritePrefsFile(file, "BPTR", body, kStoryBodySize);
  FreeVec(body);
  return true;
}

bool OptionenPrefsLoad() {
  FileHandle file = platform::OpenFile(kOptionsPath, "rb");
  if (!file) return false;
  Read(file, &System.options, sizeof(OptionsRecord));
  Close(file);
  return true;
}

bool OptionenPrefsSave() {
  // Replaced in one step through a temporary file: a crash never leaves
  // half an options file.
  if (!ReplaceFileContents(kOptionsPath, &System.options, sizeof(OptionsRecord))) {
    std::printf("OptionenPrefsSave:000");
    return false;
  }
  return true;
}

void OptionenPrefsDefault() {
  OptionsRecord& options = System.options;
  System.systemFlags |= kSystemCdAudio;
  options.optionFlags = (System.systemFlags & 0x15) | 0xC0;
  options.value05 = 1;
  SetWholeText(options.networkDevice, "nobody.device");
  options.value46 = 0;
  options.value48 = 0;
  options.value50 = 0xFFFFFFFF;
  options.value54 = 22100;
  options.value58 = '2';
  options.cdVolume = '2';
  SetWholeText(options.pop3Host, kDefaultPop3Host);
  SetWholeText(options.smtpHost, kDefaultSmtpHost);
  SetWholeText(options.mailUser, "username");
  SetText(options.mailPassword, kDefaultPassword);
  SetWholeText(options.serialDevice, "serial.device");
  options.serialUnit = 1;
  SetText(options.modemInit, "AT&F");
  options.value548 = 22800;
  options.value556 = 0;
  options.value558 = 1;
  options.value560 = 0;
  options.value561 = 1;
  System.soundStatus = options.optionFlags;
  System.runFlags |= kRunOptionsDefaulted;
}

}  // namespace vsk
