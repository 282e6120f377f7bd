// Disk font files, and rasterising them from TrueType fonts with FreeType.
#include "vsk-data/write_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

namespace vsk::data {

ByteBuffer BuildFontFile(const DiskFont& font) {
  ByteBuffer out;
  PutTag(out, "FONT");
  PutU8(out, font.loChar);
  PutU8(out, font.hiChar);
  PutBE16(out, font.modulo);
  PutBE16(out, font.ySize);
  PutBE16(out, font.baseline);
  PutTag(out, font.multiColour ? "COLO" : "MONO");
  PutTag(out, font.proportional ? "PROP" : "FIXD");
  PutTag(out, "CHAR");
  size_t n = font.hiChar >= font.loChar ? size_t{font.hiChar} - font.loChar + 1 : 0;
  auto glyph = [&](size_t i) { return i < font.glyphs.size() ? font.glyphs[i] : FontGlyph{}; };
  for (size_t i = 0; i < n; ++i) {
    PutBE16(out, glyph(i).offset);
    PutBE16(out, glyph(i).width);
  }
  for (size_t i = 0; i < n; ++i) PutBE16(out, glyph(i).space);
  for (size_t i = 0; i < n; ++i) PutBE16(out, static_cast<uint16_t>(glyph(i).kern));
  PutTag(out, "DATA");
  size_t stripSize = size_t{font.modulo} * font.ySize;
  for (size_t i = 0; i < stripSize; ++i) PutU8(out, i < font.strip.size() ? font.strip[i] : 0);
  return out;
}

namespace {

// One rasterised character before it goes into the strip.
struct RasterGlyph {
  int width = 0;    // box width
  int left = 0;     // box column of the bitmap's first column
  int top = 0;      // rows above the baseline of the bitmap's first row
  int advance = 0;
  int kern = 0;
  std::vector<uint8_t> coverage;  // bitmap rows × columns
  int rows = 0, columns = 0;
};

struct FreeTypeFace {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~FreeTypeFace() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

}  // namespace

bool RasteriseFont(const FontRasterOptions& options, DiskFont* font, std::string* error) {
  auto fail = [&](const std::string& text) {
    if (error) *error = text;
    return false;
  };
  if (options.hiChar < options.loChar) return fail("the character range ends before it starts");
  if (options.pixelHeight < 4 || options.pixelHeight > 200)
    return fail("font size " + std::to_string(options.pixelHeight) + " is outside 4..200 pixels");
  if (options.multiColour && options.rowColours.empty())
    return fail("a multi-colour font needs at least one row colour");

  FreeTypeFace ft;
  if (FT_Init_FreeType(&ft.library)) return fail("FreeType cannot start");
  if (FT_New_Face(ft.library, options.ttfPath.c_str(), 0, &ft.face))
    return fail(options.ttfPath + " is missing or is not a font FreeType can read");
  if (FT_Set_Pixel_Sizes(ft.face, 0, options.pixelHeight))
    return fail(options.ttfPath + " has no glyphs at " + std::to_string(options.pixelHeight) + " pixels");

  int ascender = static_cast<int>((ft.face->size->metrics.ascender + 63) >> 6);
  int descender = static_cast<int>((-ft.face->size->metrics.descender + 63) >> 6);
  size_t n = size_t{options.hiChar} - options.loChar + 1;
  std::vector<RasterGlyph> glyphs(n);
  int maxTop = 1, maxBottom = 0;
  bool anyInk = false;
  for (size_t i = 0; i < n; ++i) {
    auto code = static_cast<uint8_t>(options.loChar + i);
    uint32_t unicode = Cp1252ToUnicode(code);
    RasterGlyph& g = glyphs[i];
    FT_UInt index = unicode ? FT_Get_Char_Index(ft.face, unicode) : 0;
    bool mono = !options.multiColour && options.monoHinting;
    FT_Int32 loadFlags = FT_LOAD_DEFAULT | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (!index || FT_Load_Glyph(ft.face, index, loadFlags) ||
        FT_Render_Glyph(ft.face->glyph, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL)) {
      g.advance = static_cast<int>(options.pixelHeight / 3);
      continue;
    }
    FT_GlyphSlot slot = ft.face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    g.rows = static_cast<int>(bm.rows);
    g.columns = static_cast<int>(bm.width);
    g.top = slot->bitmap_top;
    g.coverage.assign(size_t(g.rows) * g.columns, 0);
    for (int y = 0; y < g.rows; ++y)
      for (int x = 0; x < g.columns; ++x) {
        const uint8_t* row = bm.buffer + y * bm.pitch;
        g.coverage[size_t(y) * g.columns + x] =
            bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0) : row[x];
      }
    // The box starts at the pen when the ink does, else at the ink; a glyph
    // whose ink starts left of the pen (j, some italics) gets a negative kern.
    int bearing = slot->bitmap_left;
    g.kern = std::min(bearing, 0);
    g.left = bearing - g.kern;
    g.width = std::max(g.left + g.columns, 1);
    if (g.rows > 0 && g.columns > 0) {
      anyInk = true;
      maxTop = std::max(maxTop, g.top);
      maxBottom = std::max(maxBottom, g.rows - g.top);
    }
  }
  if (!anyInk) return fail(options.ttfPath + " has none of the characters asked for");

  // Rows: the face's own ascent and descent, widened for glyphs (accents on
  // capitals) that reach beyond them.
  int above = std::max(ascender, maxTop);
  int below = std::max(descender, maxBottom);
  int ySize = above + below;
  int baseline = above - 1;  // the row just above the pen's y is the baseline row
  if (ySize > 255) return fail("the font would be " + std::to_string(ySize) + " rows high, more than 255");

  int fixedWidth = 0;
  if (!options.proportional) {
    if (options.loChar > 'A' || options.hiChar < 'A')
      return fail("a fixed-width font must contain the letter A");
    fixedWidth = std::max(glyphs['A' - options.loChar].advance, 1);
  }

  size_t stripWidth = 0;
  for (RasterGlyph& g : glyphs) {
    if (!options.proportional) {
      // Centre the ink in a box as wide as the advance of 'A'.
      int inkLeft = (fixedWidth - g.columns) / 2;
      g.left = std::max(inkLeft, 0);
      g.kern = 0;
      g.width = fixedWidth;
      g.advance = fixedWidth;
    }
    stripWidth += static_cast<size_t>(g.width);
  }
  if (stripWidth > 65535)
    return fail("the glyphs need a strip of " + std::to_string(stripWidth) + " pixels, more than 65535");

  font->loChar = options.loChar;
  font->hiChar = options.hiChar;
  font->ySize = static_cast<uint16_t>(ySize);
  font->baseline = static_cast<uint16_t>(baseline);
  font->multiColour = options.multiColour;
  font->proportional = options.proportional;
  font->modulo = static_cast<uint16_t>(stripWidth);
  font->strip.assign(stripWidth * ySize, 0);
  font->glyphs.assign(n, FontGlyph{});

  uint16_t column = 0;
  for (size_t i = 0; i < n; ++i) {
    const RasterGlyph& g = glyphs[i];
    FontGlyph& out = font->glyphs[i];
    out.offset = column;
    out.width = static_cast<uint16_t>(g.width);
    out.kern = static_cast<int16_t>(g.kern);
    // The game advances by space + kern; keep the pen's advance.
    out.space = static_cast<uint16_t>(std::max(g.advance - g.kern, 0));
    int firstRow = above - g.top;  // strip row of the bitmap's first row
    for (int y = 0; y < g.rows; ++y) {
      int row = firstRow + y;
      if (row < 0 || row >= ySize) continue;
      for (int x = 0; x < g.columns; ++x) {
        int col = g.left + x;
        if (col < 0 || col >= g.width) continue;
        uint8_t cover = g.coverage[size_t(y) * g.columns + x];
        uint8_t value = 0;
        if (options.multiColour) {
          if (cover >= 128) {
            size_t band = size_t(row) * options.rowColours.size() / size_t(ySize);
            value = options.rowColours[std::min(band, options.rowColours.size() - 1)];
          } else if (cover >= 40 && options.shadowIndex) {
            value = options.shadowIndex;
          }
        } else if (cover >= options.threshold && cover > 0) {
          value = 1;
        }
        font->strip[size_t(row) * stripWidth + column + col] = value;
      }
    }
    column = static_cast<uint16_t>(column + g.width);
  }
  return true;
}

}  // namespace vsk::data
