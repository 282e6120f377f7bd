// The game's icon, drawn by code at any size: a blue shield with a gold rim
// and a white tower, transparent around it. Every pixel is the mean of 4 x 4
// samples of the shapes, so small sizes stay smooth.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "vsk-data/commands.h"
#include "vsk-data/png_write.h"

namespace vsk::data {

namespace {

struct Colour {
  double r, g, b, a;
};

// Half the shield's width at height v (0 top .. 1 bottom), inset by `inset`;
// negative where the shield does not reach. Straight sides down to 0.55,
// then a curve to the point at 0.94.
double ShieldHalfWidth(double v, double inset) {
  const double top = 0.07 + inset, bottom = 0.94 - inset * 1.6, half = 0.38 - inset;
  if (v < top || v > bottom) return -1;
  if (v <= 0.55) return half;
  const double t = (v - 0.55) / (bottom - 0.55);
  return half * std::sqrt(std::max(0.0, 1 - t * t));
}

bool InShield(double u, double v, double inset) { return std::fabs(u - 0.5) <= ShieldHalfWidth(v, inset); }

bool InTower(double u, double v) {
  const double x = std::fabs(u - 0.5);
  if (v >= 0.36 && v <= 0.78 && x <= 0.13) return true;
  // Three merlons on top.
  if (v >= 0.27 && v < 0.36) {
    for (double centre : {0.385, 0.5, 0.615})
      if (std::fabs(u - centre) <= 0.035) return true;
  }
  return false;
}

bool InDoor(double u, double v) {
  const double x = u - 0.5;
  if (v > 0.78 || v < 0.60 || std::fabs(x) > 0.05) return false;
  return v >= 0.65 || x * x + (v - 0.65) * (v - 0.65) <= 0.05 * 0.05;
}

bool InWindow(double u, double v) { return std::fabs(u - 0.5) <= 0.022 && v >= 0.43 && v <= 0.51; }

Colour Sample(double u, double v) {
  if (!InShield(u, v, 0)) return {0, 0, 0, 0};
  if (!InShield(u, v, 0.045)) return {214, 172, 60, 1};  // the gold rim
  if (InTower(u, v)) {
    if (InDoor(u, v) || InWindow(u, v)) return {52, 36, 24, 1};
    return {240, 236, 224, 1};
  }
  const double shade = 1 - 0.45 * v;  // the field darkens downwards
  return {40 * shade, 70 * shade, 160 * shade, 1};
}

int Usage() {
  std::fprintf(stderr, "usage: vsk-data icon SIZE FILE   (SIZE 16 .. 1024)\n");
  return 2;
}

}  // namespace

int RunIcon(const Args& args) {
  if (args.size() != 2) return Usage();
  char* end = nullptr;
  const long size = std::strtol(args[0].c_str(), &end, 10);
  if (*end != '\0' || size < 16 || size > 1024) return Usage();
  const int n = static_cast<int>(size), grid = 4;
  std::vector<uint8_t> rgba(static_cast<size_t>(n) * n * 4);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < grid; ++sy) {
        for (int sx = 0; sx < grid; ++sx) {
          const Colour c = Sample((x + (sx + 0.5) / grid) / n, (y + (sy + 0.5) / grid) / n);
          r += c.r * c.a, g += c.g * c.a, b += c.b * c.a, a += c.a;
        }
      }
      uint8_t* out = &rgba[(static_cast<size_t>(y) * n + x) * 4];
      // Colours averaged over the covered samples only, so edges do not darken.
      out[0] = static_cast<uint8_t>(a > 0 ? std::lround(r / a) : 0);
      out[1] = static_cast<uint8_t>(a > 0 ? std::lround(g / a) : 0);
      out[2] = static_cast<uint8_t>(a > 0 ? std::lround(b / a) : 0);
      out[3] = static_cast<uint8_t>(std::lround(a * 255 / (grid * grid)));
    }
  }
  if (!WritePngRgba(args[1], static_cast<uint32_t>(n), static_cast<uint32_t>(n), rgba)) {
    std::fprintf(stderr, "vsk-data icon: cannot write %s\n", args[1].c_str());
    return 1;
  }
  return 0;
}

}  // namespace vsk::data
