// Drawing primitives of the kit's pictures.
#include "vsk-data/art_canvas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace vsk::data::art {

namespace {

// 4 x 4 Bayer matrix, thresholds 0..15.
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

uint32_t Mix(uint32_t h) {
  h ^= h >> 16;
  h *= 0x7feb352dU;
  h ^= h >> 15;
  h *= 0x846ca68bU;
  h ^= h >> 16;
  return h;
}

double Smooth(double t) { return t * t * (3.0 - 2.0 * t); }

}  // namespace

uint8_t Shade(Ramp ramp, double t, int x, int y) {
  t = std::clamp(t, 0.0, 1.0);
  const double position = t * (ramp.count - 1);
  int step = int(position);
  const double fraction = position - step;
  if (fraction * 16.0 > kBayer[y & 3][x & 3] + 0.5) ++step;
  step = std::min(step, ramp.count - 1);
  return uint8_t(ramp.first + step);
}

double Hash(int x, int y, int seed) {
  const uint32_t h =
      Mix(uint32_t(x) * 0x9E3779B1U ^ Mix(uint32_t(y) * 0x85EBCA77U ^ uint32_t(seed)));
  return (h & 0xFFFFFF) / double(0x1000000);
}

double ValueNoise(double x, double y, int seed) {
  const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  const double fx = Smooth(x - x0), fy = Smooth(y - y0);
  const double a = Hash(x0, y0, seed), b = Hash(x0 + 1, y0, seed);
  const double c = Hash(x0, y0 + 1, seed), d = Hash(x0 + 1, y0 + 1, seed);
  return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

double Fractal(double x, double y, int octaves, int seed) {
  double sum = 0, amplitude = 1, total = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += ValueNoise(x, y, seed + i * 101) * amplitude;
    total += amplitude;
    amplitude *= 0.5;
    x *= 2.0;
    y *= 2.0;
  }
  return sum / total;
}

Canvas::Canvas(int width, int height, uint8_t fill)
    : width_(width), height_(height), pixels_(std::size_t(width) * height, fill) {}

void Canvas::Fill(int left, int top, int right, int bottom, uint8_t c) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width_);
  bottom = std::min(bottom, height_);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) pixels_[y * width_ + x] = c;
}

void Canvas::Frame(int left, int top, int right, int bottom, uint8_t c) {
  Fill(left, top, right, top + 1, c);
  Fill(left, bottom - 1, right, bottom, c);
  Fill(left, top, left + 1, bottom, c);
  Fill(right - 1, top, right, bottom, c);
}

void Canvas::Bevel(int left, int top, int right, int bottom, uint8_t light, uint8_t dark, int width,
                   bool sunken) {
  if (sunken) std::swap(light, dark);
  for (int i = 0; i < width; ++i) {
    Fill(left + i, top + i, right - i, top + i + 1, light);
    Fill(left + i, top + i, left + i + 1, bottom - i, light);
    Fill(left + i + 1, bottom - i - 1, right - i, bottom - i, dark);
    Fill(right - i - 1, top + i + 1, right - i, bottom - i, dark);
  }
}

void Canvas::Line(double x0, double y0, double x1, double y1, uint8_t c, double thickness) {
  const double length = std::hypot(x1 - x0, y1 - y0);
  const int steps = std::max(1, int(length * 2));
  const double r = thickness / 2.0;
  for (int i = 0; i <= steps; ++i) {
    const double t = double(i) / steps;
    const double x = x0 + (x1 - x0) * t, y = y0 + (y1 - y0) * t;
    if (thickness <= 1.0)
      Put(int(std::lround(x)), int(std::lround(y)), c);
    else
      Disc(x, y, r, c);
  }
}

void Canvas::Disc(double cx, double cy, double r, uint8_t c) { Ellipse(cx, cy, r, r, c); }

void Canvas::Ellipse(double cx, double cy, double rx, double ry, uint8_t c) {
  if (rx <= 0 || ry <= 0) return;
  const int top = int(std::floor(cy - ry)), bottom = int(std::ceil(cy + ry));
  const int left = int(std::floor(cx - rx)), right = int(std::ceil(cx + rx));
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) {
      const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
      if (dx * dx + dy * dy <= 1.0) Put(x, y, c);
    }
}

void Canvas::Polygon(const std::vector<Point>& points, uint8_t c) {
  if (points.size() < 3) return;
  double minY = points[0].y, maxY = points[0].y;
  for (const Point& p : points) {
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  std::vector<double> crossings;
  for (int y = std::max(0, int(std::floor(minY))); y <= std::min(height_ - 1, int(maxY)); ++y) {
    const double sy = y + 0.5;
    crossings.clear();
    for (std::size_t i = 0; i < points.size(); ++i) {
      const Point& a = points[i];
      const Point& b = points[(i + 1) % points.size()];
      if ((a.y <= sy && b.y > sy) || (b.y <= sy && a.y > sy))
        crossings.push_back(a.x + (sy - a.y) * (b.x - a.x) / (b.y - a.y));
    }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
      const int from = int(std::ceil(crossings[i] - 0.5));
      const int to = int(std::floor(crossings[i + 1] - 0.5));
      for (int x = from; x <= to; ++x) Put(x, y, c);
    }
  }
}

void Canvas::Blit(const Canvas& other, int x, int y, bool masked) {
  for (int sy = 0; sy < other.height_; ++sy)
    for (int sx = 0; sx < other.width_; ++sx) {
      const uint8_t c = other.pixels_[sy * other.width_ + sx];
      if (!masked || c != 0) Put(x + sx, y + sy, c);
    }
}

IndexedImage Canvas::Image() const {
  IndexedImage image;
  image.width = uint32_t(width_);
  image.height = uint32_t(height_);
  image.pixels = pixels_;
  return image;
}

Canvas FromImage(const IndexedImage& image) {
  Canvas canvas(int(image.width), int(image.height));
  for (uint32_t y = 0; y < image.height; ++y)
    for (uint32_t x = 0; x < image.width; ++x) canvas.Put(int(x), int(y), image.at(x, y));
  return canvas;
}

Mask RenderText(const std::string& fontFile, int pixelSize, const std::string& text, int pad) {
  Mask mask;
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return mask;
  FT_Face face = nullptr;
  if (FT_New_Face(library, fontFile.c_str(), 0, &face) != 0 ||
      FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixelSize)) != 0) {
    if (face) FT_Done_Face(face);
    FT_Done_FreeType(library);
    return mask;
  }
  // First pass: the ink box; second pass: the glyphs into the mask.
  struct Glyph {
    int x, y, width, height;
    std::vector<uint8_t> alpha;
  };
  std::vector<Glyph> glyphs;
  int penX = 0;
  FT_UInt previous = 0;
  int minX = 1 << 20, minY = 1 << 20, maxX = -(1 << 20), maxY = -(1 << 20);
  for (unsigned char ch : text) {
    const FT_UInt index = FT_Get_Char_Index(face, ch);
    if (previous && index && FT_HAS_KERNING(face)) {
      FT_Vector kerning;
      if (FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kerning) == 0)
        penX += int(kerning.x >> 6);
    }
    previous = index;
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot slot = face->glyph;
    Glyph glyph{penX + slot->bitmap_left,
                -slot->bitmap_top,
                int(slot->bitmap.width),
                int(slot->bitmap.rows),
                {}};
    glyph.alpha.resize(std::size_t(glyph.width) * glyph.height);
    for (int y = 0; y < glyph.height; ++y)
      for (int x = 0; x < glyph.width; ++x)
        glyph.alpha[y * glyph.width + x] = slot->bitmap.buffer[y * slot->bitmap.pitch + x];
    if (glyph.width > 0 && glyph.height > 0) {
      minX = std::min(minX, glyph.x);
      minY = std::min(minY, glyph.y);
      maxX = std::max(maxX, glyph.x + glyph.width);
      maxY = std::max(maxY, glyph.y + glyph.height);
    }
    glyphs.push_back(std::move(glyph));
    penX += int(slot->advance.x >> 6);
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  if (maxX <= minX) return mask;
  mask.width = maxX - minX + 2 * pad;
  mask.height = maxY - minY + 2 * pad;
  mask.alpha.assign(std::size_t(mask.width) * mask.height, 0);
  for (const Glyph& glyph : glyphs)
    for (int y = 0; y < glyph.height; ++y)
      for (int x = 0; x < glyph.width; ++x) {
        const int mx = glyph.x - minX + pad + x, my = glyph.y - minY + pad + y;
        uint8_t& cell = mask.alpha[my * mask.width + mx];
        cell = std::max(cell, glyph.alpha[y * glyph.width + x]);
      }
  return mask;
}

std::string DejaVuFont(const char* name) {
  return std::string("/usr/share/fonts/truetype/dejavu/") + name;
}

}  // namespace vsk::data::art
