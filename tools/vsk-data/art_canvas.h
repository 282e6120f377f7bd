// Drawing primitives for the kit's pictures: an 8-bit canvas with clipped
// fills, shapes and dithered colour ramps, deterministic noise, and text
// rasterised with FreeType into a coverage mask.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vsk-data/image.h"

namespace vsk::data::art {

// A ramp of palette registers: first .. first + count - 1, dark to light.
struct Ramp {
  int first, count;
};

// Register ranges of the palette plan (see art.h).
inline constexpr Ramp kSky{32, 16};
inline constexpr Ramp kStone{48, 16};
inline constexpr Ramp kGrass{64, 16};
inline constexpr Ramp kEarth{80, 16};
inline constexpr Ramp kMountain{96, 16};
inline constexpr Ramp kRoof{112, 16};
inline constexpr Ramp kGold{128, 11};
inline constexpr Ramp kForest{156, 16};
inline constexpr Ramp kSand{172, 16};
inline constexpr Ramp kOak{188, 16};
inline constexpr Ramp kSnow{204, 16};
inline constexpr Ramp kViolet{220, 16};
inline constexpr Ramp kBronze{236, 16};

// Animated registers.
inline constexpr int kGlow = 139;     // 139..140
inline constexpr int kFire = 141;     // 141..143
inline constexpr int kBanner = 144;   // 144..147
inline constexpr int kWater = 148;    // 148..151
inline constexpr int kPennant = 152;  // 152..155

// Ordered dithering: the register of `ramp` for shade t (0 dark .. 1 light)
// at pixel (x, y); neighbouring pixels mix two registers for in-between
// shades.
uint8_t Shade(Ramp ramp, double t, int x, int y);

// Deterministic noise in 0..1: a hash per integer point and a smooth value
// noise summed over octaves.
double Hash(int x, int y, int seed);
double ValueNoise(double x, double y, int seed);
double Fractal(double x, double y, int octaves, int seed);

struct Point {
  double x, y;
};

class Canvas {
 public:
  Canvas(int width, int height, uint8_t fill = 0);

  int width() const { return width_; }
  int height() const { return height_; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  uint8_t Get(int x, int y) const { return Inside(x, y) ? pixels_[y * width_ + x] : 0; }
  void Put(int x, int y, uint8_t c) {
    if (Inside(x, y)) pixels_[y * width_ + x] = c;
  }

  // Rectangles are left, top inclusive and right, bottom exclusive.
  void Fill(int left, int top, int right, int bottom, uint8_t c);
  void Frame(int left, int top, int right, int bottom, uint8_t c);
  // A raised (or, with `sunken`, pressed-in) edge of `width` pixels.
  void Bevel(int left, int top, int right, int bottom, uint8_t light, uint8_t dark, int width = 1,
             bool sunken = false);
  void Line(double x0, double y0, double x1, double y1, uint8_t c, double thickness = 1.0);
  void Disc(double cx, double cy, double r, uint8_t c);
  void Ellipse(double cx, double cy, double rx, double ry, uint8_t c);
  void Polygon(const std::vector<Point>& points, uint8_t c);
  // Fills with colour(x, y) wherever a shape function covers the pixel.
  template <typename CoverFn, typename ColourFn>
  void Paint(int left, int top, int right, int bottom, CoverFn covers, ColourFn colour) {
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x)
        if (Inside(x, y) && covers(x, y)) pixels_[y * width_ + x] = colour(x, y);
  }
  // Copies `other` to (x, y), skipping its colour 0 when `masked`.
  void Blit(const Canvas& other, int x, int y, bool masked);

  IndexedImage Image() const;

 private:
  int width_, height_;
  std::vector<uint8_t> pixels_;
};

Canvas FromImage(const IndexedImage& image);

// A coverage mask (0..255 per pixel) of `text` set in a TrueType font at
// `pixelSize`, cut to the text's ink with `pad` empty pixels around it.
// Empty (width 0) when the font cannot be loaded.
struct Mask {
  int width = 0, height = 0;
  std::vector<uint8_t> alpha;
  uint8_t At(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height ? alpha[y * width + x] : 0;
  }
};
Mask RenderText(const std::string& fontFile, int pixelSize, const std::string& text, int pad);

// The DejaVu fonts of the system.
std::string DejaVuFont(const char* name);

}  // namespace vsk::data::art
