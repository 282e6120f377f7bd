// Disk fonts (".fnt"): the file layout and the rasteriser that makes one
// from a TrueType font with FreeType.
//
// File layout (big-endian; n = HiChar - LoChar + 1): "FONT", LoChar (u8),
// HiChar (u8), Modulo (u16, bytes per strip row), YSize (u16), Baseline
// (u16, row of the baseline counted from the top), colour tag ("COLO" for a
// multi-colour font, else "MONO" in ours), spacing tag ("PROP" for a
// proportional font, else "FIXD" in ours), "CHAR", n × (offset u16, width
// u16), n × advance u16, n × kerning i16, "DATA", YSize rows of Modulo bytes.
// Glyph pixel 0 is background; others are "set" (single-colour) or a
// palette index (multi-colour).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vsk-data/write_file.h"

namespace vsk::data {

struct FontGlyph {
  uint16_t offset = 0;  // first column in the strip
  uint16_t width = 0;   // pixels of the glyph box
  uint16_t space = 0;   // advance
  int16_t kern = 0;     // added before drawing and to the advance
};

struct DiskFont {
  uint8_t loChar = 32;
  uint8_t hiChar = 255;
  uint16_t ySize = 0;
  uint16_t baseline = 0;
  bool multiColour = false;
  bool proportional = true;
  std::vector<FontGlyph> glyphs;  // hiChar - loChar + 1 entries
  uint16_t modulo = 0;
  std::vector<uint8_t> strip;  // ySize × modulo bytes
};

ByteBuffer BuildFontFile(const DiskFont& font);

// How to rasterise a TrueType font.
struct FontRasterOptions {
  std::string ttfPath;
  uint32_t pixelHeight = 11;  // the FreeType pixel size (em height)
  uint8_t loChar = 32;        // Windows-1252 codes; codes the TrueType font
  uint8_t hiChar = 255;       // lacks get an empty glyph that still advances
  bool proportional = true;   // false: every glyph box is as wide as 'A'
  bool multiColour = false;
  // Multi-colour only: glyph rows from top to bottom take these palette
  // indices in turn, stretched over the font height (a vertical gradient);
  // edge pixels (coverage below one half) take shadowIndex when non-zero.
  std::vector<uint8_t> rowColours;
  uint8_t shadowIndex = 0;
  // Single-colour: a pixel is set when its coverage is at least this (0..255).
  uint8_t threshold = 96;
  // Single-colour: use FreeType's monochrome hinting, which keeps small
  // sizes crisp (threshold then does not matter).
  bool monoHinting = true;
};

// Rasterises the range with FreeType into *font. False with one sentence in
// *error (font file missing or not a font, a size without glyphs, a strip
// wider than 65535 pixels, ...).
bool RasteriseFont(const FontRasterOptions& options, DiskFont* font, std::string* error);

}  // namespace vsk::data
