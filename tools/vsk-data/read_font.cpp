#include "vsk-data/read_font.h"

#include <algorithm>

#include "gfx/font.h"

namespace vsk::data {

int FontData::Advance(uint8_t c) const {
  if (!Has(c)) return 0;
  if (!proportional) return Glyph('A').width;
  return Glyph(c).space + Glyph(c).kern;
}

int FontData::TextWidth(const std::string& cp1252) const {
  int width = 0;
  for (char ch : cp1252) width += Advance(static_cast<uint8_t>(ch));
  return width;
}

FontData ReadFont(ByteSpan data) {
  FontData font;
  if (data.size() < 4 || BE32(data, 0, "the tag") != kFontTagFONT) {
    Fail(0, "the file does not start with the tag \"FONT\"");
  }
  font.loChar = U8(data, 4, "LoChar");
  font.hiChar = U8(data, 5, "HiChar");
  font.modulo = BE16(data, 6, "Modulo");
  font.ySize = BE16(data, 8, "YSize");
  font.baseline = BE16(data, 10, "Baseline");
  font.colourTag = BE32(data, 12, "the colour tag");
  font.spacingTag = BE32(data, 16, "the spacing tag");
  font.multiColour = font.colourTag == kFontTagCOLO;
  font.proportional = font.spacingTag == kFontTagPROP;
  if (BE32(data, 20, "the tag \"CHAR\"") != kFontTagCHAR) {
    Fail(20, "the character tables do not start with the tag \"CHAR\"");
  }
  if (font.hiChar < font.loChar) {
    Fail(4, "HiChar " + std::to_string(font.hiChar) + " lies below LoChar " + std::to_string(font.loChar));
  }
  if (font.ySize == 0) Fail(8, "YSize is 0: the glyphs have no rows");
  if (font.baseline >= font.ySize) {
    Fail(10, "the baseline row " + std::to_string(font.baseline) + " lies outside the " +
                 std::to_string(font.ySize) + " rows of the glyphs");
  }
  const uint64_t n = uint64_t{font.hiChar} - font.loChar + 1;
  Need(data, 24, 8 * n, "the character tables for " + std::to_string(n) + " characters");
  font.glyphs.resize(n);
  for (uint64_t i = 0; i < n; ++i) {
    GlyphInfo& g = font.glyphs[i];
    g.offset = BE16(data, 24 + 4 * i, "CharLoc");
    g.width = BE16(data, 26 + 4 * i, "CharLoc");
    g.space = BE16(data, 24 + 4 * n + 2 * i, "CharSpace");
    g.kern = static_cast<int16_t>(BE16(data, 24 + 6 * n + 2 * i, "CharKern"));
    if (uint32_t{g.offset} + g.width > font.modulo) {
      Fail(24 + 4 * i, "the glyph of character " + std::to_string(font.loChar + i) + " (columns " +
                           std::to_string(g.offset) + " to " + std::to_string(g.offset + g.width) +
                           ") reaches past the strip's " + std::to_string(font.modulo) + " columns");
    }
  }
  const uint64_t dataTag = 24 + 8 * n;
  if (BE32(data, dataTag, "the tag \"DATA\"") != kFontTagDATA) {
    Fail(dataTag, "the glyph strip does not start with the tag \"DATA\"");
  }
  font.stripOffset = dataTag + 4;
  const uint64_t stripBytes = uint64_t{font.modulo} * font.ySize;
  Need(data, font.stripOffset, stripBytes,
       "the glyph strip of " + std::to_string(font.ySize) + " rows of " + std::to_string(font.modulo) + " bytes");
  font.strip.assign(data.begin() + font.stripOffset, data.begin() + font.stripOffset + stripBytes);
  font.trailingBytes = data.size() - font.stripOffset - stripBytes;
  if (!font.proportional && !font.Has('A')) {
    Fail(4, "the fixed-width font has no 'A', whose width every character advances by");
  }
  return font;
}

IndexedImage RenderFontText(const FontData& font, const std::string& cp1252, uint8_t paper, uint8_t ink,
                            uint32_t margin) {
  std::vector<std::string> lines(1);
  for (char c : cp1252) {
    if (c == '\n') {
      lines.emplace_back();
    } else {
      lines.back().push_back(c);
    }
  }
  // Kerning may move a glyph left of the pen or past its advance: measure
  // the columns actually painted as well as the advances.
  int minX = 0, maxX = 0;
  for (const std::string& line : lines) {
    int x = 0;
    for (char ch : line) {
      uint8_t c = static_cast<uint8_t>(ch);
      if (!font.Has(c)) continue;
      const GlyphInfo& g = font.Glyph(c);
      int left = font.proportional ? x + g.kern : x;
      minX = std::min(minX, left);
      maxX = std::max(maxX, left + static_cast<int>(g.width));
      x += font.Advance(c);
      maxX = std::max(maxX, x);
    }
  }
  IndexedImage image;
  const uint64_t width = static_cast<uint64_t>(maxX - minX) + 2 * uint64_t{margin};
  const uint64_t height = lines.size() * uint64_t{font.ySize} + 2 * uint64_t{margin};
  if (width > kMaxRenderSide || height > kMaxRenderSide) return image;  // empty: too large to show
  image.width = static_cast<uint32_t>(width);
  image.height = static_cast<uint32_t>(height);
  image.pixels.assign(size_t{image.width} * image.height, paper);
  for (size_t row = 0; row < lines.size(); ++row) {
    int x = static_cast<int>(margin) - minX;
    const uint32_t top = margin + static_cast<uint32_t>(row) * font.ySize;
    for (char ch : lines[row]) {
      uint8_t c = static_cast<uint8_t>(ch);
      if (!font.Has(c)) continue;
      const GlyphInfo& g = font.Glyph(c);
      int left = font.proportional ? x + g.kern : x;
      for (uint32_t y = 0; y < font.ySize; ++y) {
        for (uint32_t col = 0; col < g.width; ++col) {
          uint8_t v = font.strip[size_t{y} * font.modulo + g.offset + col];
          if (v == 0) continue;
          image.at(static_cast<uint32_t>(left) + col, top + y) = font.multiColour ? v : ink;
        }
      }
      x += font.Advance(c);
    }
  }
  return image;
}

}  // namespace vsk::data
