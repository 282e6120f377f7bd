// Disk fonts: loading a ".fnt" file into a TextFont and releasing it.
//
// The file is loaded whole and parsed from memory. Every table is checked
// against the bytes that were loaded, so a short or inconsistent file is
// refused with the message of the stage it fails at, and nothing is read
// past the end. The stages:
//   000  the file cannot be loaded;
//   001  shorter than its tag, or not "FONT";
//   002  header incomplete, tag not "CHAR", HiChar below LoChar, a glyph
//        that does not lie inside the strip (offset + width > Modulo), or a
//        fixed-width font without 'A' (its advance is the width of 'A');
//   003  the file ends inside the character tables, tag not "DATA", or the
//        glyph strip shorter than Modulo x YSize.
#include "gfx/font.h"

#include <cstdio>
#include <cstring>

#include "services/byteorder.h"
#include "services/files.h"
#include "services/memory.h"

namespace vsk {

namespace {

constexpr uint32_t kHeaderSize = 24;  // up to and including the "CHAR" tag

// Cursor over the loaded file: hands out spans only while they lie inside.
struct FileSpan {
  const uint8_t* data;
  uint32_t size;
  uint32_t at;

  bool Has(uint64_t length) const { return at + length <= size; }
  const uint8_t* Take(uint32_t length) {
    const uint8_t* p = data + at;
    at += length;
    return p;
  }
};

// A new block holding count big-endian 16-bit values from the file, in the
// processor's order; null when memory runs out.
void* TakeWords(FileSpan& span, uint32_t count) {
  void* block = AllocVec(count * 2, MEMF_CLEAR);
  if (!block) return nullptr;
  std::memcpy(block, span.Take(count * 2), count * 2);
  SwapBytes(block, static_cast<uint16_t>(count), 2);
  return block;
}

bool GlyphsInsideStrip(const TextFont* font, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    if (uint32_t{font->CharLoc[i].offset} + font->CharLoc[i].width > font->Modulo) return false;
  }
  return true;
}

}  // namespace

void CloseFont(TextFont* font) {
  if (!font) return;
  FreeVec(font->CharLoc);
  FreeVec(font->CharSpace);
  FreeVec(font->CharKern);
  FreeVec(font->CharData);
  FreeVec(font);
}

TextFont* OpenDiskFont(const char* fileName) {
  uint32_t length = 0;
  auto* file = static_cast<uint8_t*>(LoadFile(fileName, MEMF_CLEAR, &length));
  if (!file) {
    std::printf("OpenDiskFont:000");
    return nullptr;
  }
  FileSpan span{file, length, 0};
  TextFont* font = nullptr;

  // Leaves through here on every failure: the file and the partly built
  // font go back.
  auto fail = [&](const char* message) -> TextFont* {
    if (message) std::printf("%s", message);
    CloseFont(font);
    FreeVec(file);
    return nullptr;
  };

  if (!span.Has(4) || ReadBE32(span.Take(4)) != kFontTagFONT) return fail("OpenDiskFont:001");

  font = static_cast<TextFont*>(AllocVec(sizeof(TextFont), MEMF_CLEAR));
  if (!font) return fail(nullptr);
  if (!span.Has(kHeaderSize - 4)) return fail("OpenDiskFont:002");
  font->LoChar = *span.Take(1);
  font->HiChar = *span.Take(1);
  font->Modulo = ReadBE16(span.Take(2));
  font->YSize = ReadBE16(span.Take(2));
  font->Baseline = ReadBE16(span.Take(2));
  font->ColorTag = ReadBE32(span.Take(4));
  font->SpacingTag = ReadBE32(span.Take(4));
  if (ReadBE32(span.Take(4)) != kFontTagCHAR || font->HiChar < font->LoChar) return fail("OpenDiskFont:002");

  const uint32_t count = uint32_t{font->HiChar} - font->LoChar + 1;
  if (!span.Has(8 * count + 4)) return fail("OpenDiskFont: 003");
  font->CharLoc = static_cast<CharLocEntry*>(TakeWords(span, 2 * count));
  if (!font->CharLoc) return fail(nullptr);
  font->CharSpace = static_cast<uint16_t*>(TakeWords(span, count));
  if (!font->CharSpace) return fail(nullptr);
  font->CharKern = static_cast<int16_t*>(TakeWords(span, count));
  if (!font->CharKern) return fail(nullptr);
  if (!GlyphsInsideStrip(font, count)) return fail("OpenDiskFont:002");
  const bool fixedWidth = font->SpacingTag != kFontTagPROP;
  if (fixedWidth && ('A' < font->LoChar || 'A' > font->HiChar)) return fail("OpenDiskFont:002");

  if (ReadBE32(span.Take(4)) != kFontTagDATA) return fail("OpenDiskFont: 003");
  const uint32_t stripSize = uint32_t{font->Modulo} * font->YSize;
  if (!span.Has(stripSize)) return fail("OpenDiskFont: 003");
  font->CharData = static_cast<uint8_t*>(AllocVec(stripSize, MEMF_CLEAR));
  if (!font->CharData) return fail(nullptr);
  std::memcpy(font->CharData, span.Take(stripSize), stripSize);
  FreeVec(file);

  if (fixedWidth) font->XSize = font->CharLoc['A' - font->LoChar].width;
  return font;
}

}  // namespace vsk
