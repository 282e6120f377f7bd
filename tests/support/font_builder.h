// Builds small ".fnt" font files for tests. Glyphs are drawn as text rows:
// '.' or ' ' is a background pixel (0), '#' is 1, '1'..'9' are those
// values, 'a'..'z' are 10..35 (colour indices of a multi-colour font).
//
//   FontBuilder font(' ', 'z', 3, 2);            // range, YSize, Baseline
//   font.Proportional().Glyph('i', {".#", "..", ".#"}, 6, -1);
//   WriteBytes("fonts/test.fnt", font.Build().data);
//
// Characters of the range without a glyph get offset 0, width 0, advance 0.
// Build() gives the bytes, so a test can cut or spoil them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/bytes.h"

namespace vsk::test {

class FontBuilder {
 public:
  FontBuilder(uint8_t loChar, uint8_t hiChar, uint16_t ySize, uint16_t baseline)
      : lo_(loChar), hi_(hiChar), ySize_(ySize), baseline_(baseline) {}

  FontBuilder& Proportional(bool on = true) {
    proportional_ = on;
    return *this;
  }
  FontBuilder& MultiColour(bool on = true) {
    multiColour_ = on;
    return *this;
  }
  // The glyph of c: YSize rows of equal length (the glyph's width).
  FontBuilder& Glyph(uint8_t c, const std::vector<std::string>& rows, uint16_t space, int16_t kern = 0) {
    glyphs_[c] = GlyphEntry{rows, space, kern};
    return *this;
  }
  // Extra strip columns after the glyphs (a wider Modulo).
  FontBuilder& Padding(uint16_t columns) {
    padding_ = columns;
    return *this;
  }

  Bytes Build() const {
    // Glyphs side by side in the strip, in character order.
    std::map<uint8_t, uint16_t> offsets;
    uint16_t modulo = 0;
    for (const auto& [c, glyph] : glyphs_) {
      offsets[c] = modulo;
      modulo = static_cast<uint16_t>(modulo + Width(glyph));
    }
    modulo = static_cast<uint16_t>(modulo + padding_);

    Bytes file;
    file.text("FONT").u8(lo_).u8(hi_).be16(modulo).be16(ySize_).be16(baseline_);
    file.text(multiColour_ ? "COLO" : "MONO").text(proportional_ ? "PROP" : "FIXD").text("CHAR");
    const int count = hi_ >= lo_ ? hi_ - lo_ + 1 : 0;
    for (int i = 0; i < count; ++i) {
      auto it = glyphs_.find(static_cast<uint8_t>(lo_ + i));
      file.be16(it == glyphs_.end() ? 0 : offsets[it->first]);
      file.be16(it == glyphs_.end() ? 0 : Width(it->second));
    }
    for (int i = 0; i < count; ++i) {
      auto it = glyphs_.find(static_cast<uint8_t>(lo_ + i));
      file.be16(it == glyphs_.end() ? 0 : it->second.space);
    }
    for (int i = 0; i < count; ++i) {
      auto it = glyphs_.find(static_cast<uint8_t>(lo_ + i));
      file.be16(static_cast<uint16_t>(it == glyphs_.end() ? 0 : it->second.kern));
    }
    file.text("DATA");
    for (uint16_t row = 0; row < ySize_; ++row) {
      for (const auto& [c, glyph] : glyphs_) {
        const std::string& text = row < glyph.rows.size() ? glyph.rows[row] : std::string();
        for (uint16_t x = 0; x < Width(glyph); ++x) file.u8(x < text.size() ? Pixel(text[x]) : 0);
      }
      file.zeros(padding_);
    }
    return file;
  }

 private:
  struct GlyphEntry {
    std::vector<std::string> rows;
    uint16_t space;
    int16_t kern;
  };

  static uint16_t Width(const GlyphEntry& glyph) {
    return glyph.rows.empty() ? 0 : static_cast<uint16_t>(glyph.rows[0].size());
  }
  static uint8_t Pixel(char p) {
    if (p == '#') return 1;
    if (p >= '1' && p <= '9') return static_cast<uint8_t>(p - '0');
    if (p >= 'a' && p <= 'z') return static_cast<uint8_t>(10 + p - 'a');
    return 0;
  }

  uint8_t lo_, hi_;
  uint16_t ySize_, baseline_;
  bool proportional_ = false;
  bool multiColour_ = false;
  uint16_t padding_ = 0;
  std::map<uint8_t, GlyphEntry> glyphs_;
};

}  // namespace vsk::test
