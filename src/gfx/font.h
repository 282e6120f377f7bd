// Disk fonts (".fnt") and text drawn with them. A font holds one strip of
// 8-bit glyph pixels for a contiguous range of character codes, with a
// position, width, advance and kerning per character; it is proportional or
// fixed-width, single-colour (glyph pixels take the pen) or multi-colour
// (glyph pixels are colour indices themselves).
#pragma once

#include <cstdint>

#include "gfx/bitmap.h"

namespace vsk {

// The tags of a font file, each the big-endian value of its four characters.
constexpr uint32_t kFontTagFONT = 0x464F4E54;  // "FONT"
constexpr uint32_t kFontTagCOLO = 0x434F4C4F;  // "COLO": multi-colour
constexpr uint32_t kFontTagPROP = 0x50524F50;  // "PROP": proportional
constexpr uint32_t kFontTagCHAR = 0x43484152;  // "CHAR"
constexpr uint32_t kFontTagDATA = 0x44415441;  // "DATA"

// One CharLoc entry: the glyph's first column in the strip and its width.
struct CharLocEntry {
  uint16_t offset;
  uint16_t width;
};

struct TextFont {
  uint32_t ColorTag;    // "COLO" for a multi-colour font
  uint32_t SpacingTag;  // "PROP" for a proportional font
  uint8_t LoChar;
  uint8_t HiChar;
  uint16_t XSize;  // fixed-width: the width of 'A', the advance of every character; else 0
  uint16_t YSize;  // rows of every glyph
  uint16_t Baseline;  // row of the baseline, counted from the top row 0
  uint16_t Modulo;    // bytes per row of the glyph strip
  CharLocEntry* CharLoc;  // HiChar - LoChar + 1 entries each
  uint16_t* CharSpace;
  int16_t* CharKern;
  uint8_t* CharData;  // YSize rows of Modulo bytes
};

// Loads a font file. On failure logs "OpenDiskFont:000" (no file),
// "OpenDiskFont:001" (not a font), "OpenDiskFont:002" (header or character
// tables unusable) or "OpenDiskFont: 003" (tables, "DATA" or glyph strip
// missing) and returns null, with nothing left allocated.
TextFont* OpenDiskFont(const char* fileName);
void CloseFont(TextFont* font);

// Draws count bytes of the string at the pen position (the pen's y is the
// baseline); a null rastport means the screen's. The pen does not move.
// Characters outside the font's range draw and advance nothing.
void Text(RastPort* rp, const char* string, int32_t count);
void DXText(RastPort* rp, const char* string, int32_t count);
// Text cut to columns minX .. maxX - 1 (and to the bitmap): a glyph across
// either edge draws its inside part.
void TextInColumns(RastPort* rp, const char* string, int32_t count, int32_t minX, int32_t maxX);

// The width Text advances over the string, in 16-bit arithmetic.
uint16_t TextLength(RastPort* rp, const char* string, int32_t count);

}  // namespace vsk
