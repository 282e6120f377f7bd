// Reading a disk font (".fnt"): the header, the per-character tables and the
// glyph strip, checked the way the client needs them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vsk-data/image.h"
#include "vsk-data/read_common.h"

namespace vsk::data {

struct GlyphInfo {
  uint16_t offset = 0;  // first column in the strip
  uint16_t width = 0;
  uint16_t space = 0;  // advance
  int16_t kern = 0;
};

struct FontData {
  uint8_t loChar = 0, hiChar = 0;
  uint16_t modulo = 0, ySize = 0, baseline = 0;
  uint32_t colourTag = 0, spacingTag = 0;
  bool multiColour = false, proportional = false;
  std::vector<GlyphInfo> glyphs;  // hiChar - loChar + 1, in character order
  std::vector<uint8_t> strip;     // ySize rows of modulo bytes
  uint64_t stripOffset = 0;       // where the strip starts in the file
  uint64_t trailingBytes = 0;     // bytes after the strip

  bool Has(uint8_t c) const { return c >= loChar && c <= hiChar; }
  const GlyphInfo& Glyph(uint8_t c) const { return glyphs[c - loChar]; }
  // The advance of c as the client's Text moves the pen (0 outside the range).
  int Advance(uint8_t c) const;
  // The width the client measures for the text.
  int TextWidth(const std::string& cp1252) const;
};

// Throws FormatError: a missing "FONT", "CHAR" or "DATA" tag, HiChar below
// LoChar, tables or strip past the end of the file, a glyph reaching past
// the strip's row, a baseline outside the rows, a fixed-width font without
// 'A'.
FontData ReadFont(ByteSpan data);

// Draws the text the way the client's Text does, at pen x = margin and the
// baseline one margin below the top: glyph pixels of a single-colour font
// become ink, those of a multi-colour font keep their own index; the rest is
// paper. Each line of the text (split at '\n') gets its own row of glyphs.
// A picture wider or higher than kMaxRenderSide comes back empty (0 x 0).
constexpr uint64_t kMaxRenderSide = 16384;
IndexedImage RenderFontText(const FontData& font, const std::string& cp1252, uint8_t paper, uint8_t ink,
                            uint32_t margin);

}  // namespace vsk::data
