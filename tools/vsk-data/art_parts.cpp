// Scenery pieces of the demo pictures.
#include "vsk-data/art_parts.h"

#include <algorithm>
#include <cmath>

namespace vsk::data::art {

namespace {

constexpr double kPi = 3.14159265358979323846;

// The ramp a register belongs to, for lightening; count 0 when none.
Ramp RampOf(int c) {
  static constexpr Ramp kRamps[] = {kSky,    kStone, kGrass, kEarth, kMountain, kRoof,  kGold,
                                    kForest, kSand,  kOak,   kSnow,  kViolet,   kBronze};
  for (const Ramp& r : kRamps)
    if (c >= r.first && c < r.first + r.count) return r;
  return {0, 0};
}

}  // namespace

int TriangleBand(double v) {
  static constexpr int kBands[6] = {0, 1, 2, 3, 2, 1};
  int k = int(std::floor(v)) % 6;
  if (k < 0) k += 6;
  return kBands[k];
}

void DrawSky(Canvas& canvas, int horizon, double sunX, double sunY, double glow, int seed) {
  for (int y = 0; y < std::min(horizon, canvas.height()); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      double t = std::pow(double(y) / horizon, 1.6);
      const double d = std::hypot(x - sunX, (y - sunY) * 1.6);
      t += glow * std::exp(-d / 140.0);
      t += (Fractal(x / 90.0, y / 30.0, 3, seed) - 0.5) * 0.06;
      canvas.Put(x, y, Shade(kSky, t, x, y));
    }
}

void DrawStars(Canvas& canvas, int bottom, int seed) {
  for (int y = 0; y < bottom; ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      const double h = Hash(x, y, seed);
      const double fade = 1.0 - double(y) / bottom;
      if (h > 1.0 - 0.0022 * fade) {
        const bool big = Hash(x, y, seed + 1) > 0.8;
        canvas.Put(x, y, big ? 252 : 254);
        if (big) {
          canvas.Put(x + 1, y, 254);
          canvas.Put(x - 1, y, 254);
          canvas.Put(x, y + 1, 254);
          canvas.Put(x, y - 1, 254);
        }
      }
    }
}

void DrawClouds(Canvas& canvas, int top, int bottom, double sunX, int seed) {
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      const double band = std::sin(kPi * (y - top) / double(bottom - top));
      const double n = Fractal(x / 150.0, y / 16.0, 4, seed) * band;
      if (n > 0.42) {
        const double nearSun = std::exp(-std::abs(x - sunX) / 200.0);
        const double t =
            0.35 + (y - top) / double(bottom - top) * 0.35 + nearSun * 0.3 + (n - 0.42) * 0.8;
        canvas.Put(x, y, Shade(kViolet, t, x, y));
      }
    }
}

void DrawMountains(Canvas& canvas, int top, int height, int bottom, bool snow, int seed) {
  const int w = canvas.width();
  std::vector<double> ridge(w + 1);
  for (int x = 0; x <= w; ++x) {
    // Ridged noise gives sharp peaks.
    double r = 0, amplitude = 1, total = 0, f = 1.0 / 180.0;
    for (int o = 0; o < 5; ++o) {
      const double n = 1.0 - std::abs(ValueNoise(x * f, 0.37 * (o + 1), seed + o) * 2 - 1);
      r += n * n * amplitude;
      total += amplitude;
      amplitude *= 0.5;
      f *= 2.1;
    }
    ridge[x] = top + height * (1.0 - r / total);
  }
  for (int x = 0; x < w; ++x) {
    // Light comes from the right: faces rising to the right are dark.
    const double slope = (ridge[std::min(w, x + 4)] - ridge[std::max(0, x - 4)]) / 8.0;
    for (int y = int(ridge[x]); y < bottom; ++y) {
      const double depth = (y - ridge[x]) / double(bottom - top);
      const double rock = Fractal(x / 18.0 + y / 30.0, y / 9.0, 3, seed + 9) - 0.5;
      const double t = 0.5 + std::clamp(slope, -1.5, 1.5) * 0.22 + depth * 0.3 + rock * 0.3;
      if (snow && y < ridge[x] + (top + height * 0.55 - ridge[x]) * 0.6 +
                          6 * Fractal(x / 10.0, y / 10.0, 2, seed + 3)) {
        canvas.Put(x, y,
                   Shade(kSnow, 0.6 + std::clamp(slope, -1.5, 1.5) * 0.25 + rock * 0.3, x, y));
        continue;
      }
      canvas.Put(x, y, Shade(kMountain, t, x, y));
    }
  }
}

void DrawForestHills(Canvas& canvas, int top, int bottom, int seed) {
  for (int x = 0; x < canvas.width(); ++x) {
    const double hill = top + 18 * std::sin(x / 97.0 + seed) + 10 * std::sin(x / 41.0);
    // Tree tops: little round bumps.
    const double tree = 6 * std::abs(std::sin(x / 5.5 + Hash(x / 11, 0, seed) * 3));
    const double edge = hill - tree;
    for (int y = int(edge); y < bottom; ++y) {
      const double t = 0.2 + 0.5 * Fractal(x / 8.0, y / 8.0, 3, seed + 5) -
                       (y - edge) / double(bottom - top + 1) * 0.15;
      canvas.Put(x, y, Shade(kForest, t, x, y));
    }
  }
}

void Lighten(Canvas& canvas, int x, int y, int steps) {
  if (!canvas.Inside(x, y) || steps <= 0) return;
  const int c = canvas.Get(x, y);
  const Ramp r = RampOf(c);
  if (r.count == 0) return;
  canvas.Put(x, y, uint8_t(std::min(r.first + r.count - 1, c + steps)));
}

void GlowAround(Canvas& canvas, double cx, double cy, double radius, int steps) {
  for (int y = int(cy - radius); y <= int(cy + radius); ++y)
    for (int x = int(cx - radius); x <= int(cx + radius); ++x) {
      const double d = std::hypot(x - cx, y - cy) / radius;
      if (d >= 1.0) continue;
      const double amount = (1.0 - d) * steps + Hash(x, y, 77) * 0.999;
      Lighten(canvas, x, y, int(amount));
    }
}

void DrawBrickWall(Canvas& canvas, int left, int top, int right, int bottom, double light,
                   int seed) {
  for (int y = top; y < bottom; ++y) {
    const int row = (y - top) / 7;
    const int offset = (row & 1) ? 8 : 0;
    for (int x = left; x < right; ++x) {
      const int col = (x - left + offset) / 16;
      const bool mortar = (y - top) % 7 == 6 || (x - left + offset) % 16 == 15;
      const double brick = Hash(col, row, seed) * 0.22;
      double t = light - 0.1 + brick + (Hash(x, y, seed + 1) - 0.5) * 0.12;
      if (mortar) t = light - 0.32;
      // A little soot and moss towards the ground.
      t -= Fractal(x / 30.0, y / 30.0, 2, seed + 2) * 0.12;
      canvas.Put(x, y, Shade(kStone, t, x, y));
    }
  }
}

void DrawRoundTower(Canvas& canvas, int left, int top, int right, int bottom, int seed) {
  const double cx = (left + right) / 2.0, r = (right - left) / 2.0;
  for (int y = top; y < bottom; ++y) {
    const int row = (y - top) / 7;
    for (int x = left; x < right; ++x) {
      const double u = (x + 0.5 - cx) / r;  // -1 .. 1 across the tower
      const double angle = std::asin(std::clamp(u, -1.0, 1.0));
      const double lit = 0.25 + 0.55 * std::cos(angle - 0.7);
      const int col = int((angle + kPi / 2) * 6 + ((row & 1) ? 0.5 : 0));
      const double a2 = (angle + kPi / 2) * 6 + ((row & 1) ? 0.5 : 0);
      const bool mortar = (y - top) % 7 == 6 || (a2 - std::floor(a2)) > 0.93;
      double t = lit + Hash(col, row, seed) * 0.15 + (Hash(x, y, seed) - 0.5) * 0.08;
      if (mortar) t = lit - 0.22;
      canvas.Put(x, y, Shade(kStone, t, x, y));
    }
  }
}

void DrawMerlons(Canvas& canvas, int left, int top, int right, int height, int count, int seed) {
  const double step = double(right - left) / (2 * count - 1);
  for (int i = 0; i < count; ++i) {
    const int l = left + int(std::lround(2 * i * step));
    const int r = left + int(std::lround((2 * i + 1) * step));
    for (int y = top; y < top + height; ++y)
      for (int x = l; x < r; ++x) {
        double t = 0.55 + (Hash(x, y, seed) - 0.5) * 0.1;
        if (x == r - 1) t = 0.25;
        if (y == top) t = 0.8;
        canvas.Put(x, y, Shade(kStone, t, x, y));
      }
  }
}

void DrawConeRoof(Canvas& canvas, int left, int right, int baseY, int tipY) {
  const double cx = (left + right) / 2.0, half = (right - left) / 2.0 + 3;
  for (int y = tipY; y <= baseY; ++y) {
    const double v = double(y - tipY) / (baseY - tipY);
    const double w = half * v;
    for (int x = int(cx - w); x <= int(cx + w); ++x) {
      const double u = (x + 0.5 - cx) / std::max(w, 0.5);
      // Tile rows and a highlight on the lit right side.
      double t = 0.3 + 0.45 * (u + 1) / 2;
      if (int(v * 40) % 4 == 3) t -= 0.15;
      if (std::abs(std::fmod((u + 1.0) * 7 + v * 2, 1.0)) < 0.08) t -= 0.1;
      canvas.Put(x, y, Shade(kRoof, t, x, y));
    }
  }
  // Eaves.
  canvas.Fill(int(cx - half), baseY, int(cx + half) + 1, baseY + 2, kRoof.first + 2);
  // Gold finial.
  canvas.Disc(cx, tipY - 1, 2, kGold.first + 9);
}

void DrawWindow(Canvas& canvas, int left, int top, int width, int height, bool lit) {
  const double cx = left + width / 2.0, r = width / 2.0;
  auto inside = [&](int x, int y, double grow) {
    if (x < left - grow || x >= left + width + grow || y >= top + height + grow) return false;
    if (y >= top + r) return y >= top - grow;
    return std::hypot(x + 0.5 - cx, y + 0.5 - (top + r)) <= r + grow;
  };
  // Dressed stone around the opening.
  canvas.Paint(
      left - 3, top - 3, left + width + 3, top + height + 3,
      [&](int x, int y) { return inside(x, y, 2.5) && !inside(x, y, 0); },
      [&](int x, int y) { return Shade(kStone, y < top + r ? 0.75 : 0.65, x, y); });
  canvas.Paint(
      left, top, left + width, top + height, [&](int x, int y) { return inside(x, y, 0); },
      [&](int x, int y) -> uint8_t {
        if (!lit) return Shade(kSky, 0.05, x, y);
        const double d = std::abs(x + 0.5 - cx) / r;
        return uint8_t(kGlow + (d < 0.55 && y > top + 3 ? 1 : 0));
      });
  // Mullion and transom.
  canvas.Fill(int(cx), top + 1, int(cx) + 1, top + height, kOak.first + 1);
  canvas.Fill(left, top + height / 2 + 1, left + width, top + height / 2 + 2, kOak.first + 1);
  // Sill.
  canvas.Fill(left - 2, top + height, left + width + 2, top + height + 2, kStone.first + 12);
}

void DrawFlame(Canvas& canvas, double cx, double baseY, double width, double height, int seed) {
  const double half = width / 2.0;
  for (int y = int(baseY - height); y <= int(baseY); ++y) {
    const double v = (baseY - y) / height;  // 0 at the base, 1 at the tip
    const double wobble = (ValueNoise(y / 3.0, 0.5, seed) - 0.5) * half * 0.6 * v;
    const double w = half * std::pow(std::sin(kPi * (1.0 - v) * 0.5 + 0.0), 0.8) *
                     (v < 0.25 ? 0.6 + 1.6 * v : 1.0);
    for (int x = int(cx - half - 2); x <= int(cx + half + 2); ++x) {
      const double u = std::abs(x + 0.5 - cx - wobble) / std::max(w, 0.3);
      const double jag = Hash(x, y, seed) * 0.25;
      if (u > 1.0 + jag - 0.12) continue;
      int c = kFire;
      if (u < 0.75 && v < 0.8) c = kFire + 1;
      if (u < 0.38 && v < 0.55) c = kFire + 2;
      canvas.Put(x, y, uint8_t(c));
    }
  }
}

void DrawTorch(Canvas& canvas, int cx, int baseY, int seed) {
  GlowAround(canvas, cx, baseY - 6, 22, 4);
  // Iron holder and wooden shaft.
  canvas.Fill(cx - 1, baseY, cx + 2, baseY + 12, kOak.first + 5);
  canvas.Fill(cx - 3, baseY + 8, cx + 4, baseY + 10, kStone.first + 2);
  canvas.Fill(cx - 2, baseY - 1, cx + 3, baseY + 1, kBronze.first + 6);
  DrawFlame(canvas, cx + 0.5, baseY - 1, 8, 14, seed);
}

void DrawBrazier(Canvas& canvas, int cx, int baseY, int seed) {
  GlowAround(canvas, cx, baseY - 20, 34, 5);
  // Three legs and a bowl of bronze.
  canvas.Line(cx - 8, baseY, cx - 3, baseY - 14, kBronze.first + 3, 2);
  canvas.Line(cx + 8, baseY, cx + 3, baseY - 14, kBronze.first + 3, 2);
  canvas.Line(cx, baseY, cx, baseY - 14, kBronze.first + 5, 2);
  canvas.Paint(
      cx - 11, baseY - 22, cx + 12, baseY - 13,
      [&](int x, int y) {
        const double u = (x + 0.5 - cx) / 11.0, v = (y - (baseY - 22)) / 9.0;
        return u * u + (1 - v) * (1 - v) * 0.0 <= 1.0 - v * v * 0.6;
      },
      [&](int x, int y) {
        return Shade(kBronze, 0.35 + 0.5 * (x - cx + 11) / 22.0 - (y - baseY + 22) * 0.03, x, y);
      });
  canvas.Fill(cx - 12, baseY - 23, cx + 13, baseY - 21, kGold.first + 8);
  DrawFlame(canvas, cx + 0.5, baseY - 22, 18, 26, seed);
}

void DrawBanner(Canvas& canvas, int left, int top, int width, int height) {
  const int notch = width / 3;
  const double cx = left + width / 2.0;
  // The rod it hangs from.
  canvas.Fill(left - 3, top - 2, left + width + 3, top + 1, kGold.first + 6);
  canvas.Disc(left - 3, top - 1, 2, kGold.first + 9);
  canvas.Disc(left + width + 3, top - 1, 2, kGold.first + 9);
  for (int y = top + 1; y < top + height; ++y)
    for (int x = left; x < left + width; ++x) {
      // Swallow tail at the bottom.
      const double fromBottom = top + height - y;
      if (fromBottom < notch && std::abs(x + 0.5 - cx) < notch - fromBottom) continue;
      const bool border = x < left + 2 || x >= left + width - 2 ||
                          (fromBottom < notch + 2 &&
                           std::abs(std::abs(x + 0.5 - cx) - (notch - fromBottom)) < 2.0) ||
                          fromBottom < 2;
      if (border) {
        canvas.Put(x, y, Shade(kGold, 0.6 + 0.3 * std::sin(y * 0.5), x, y));
        continue;
      }
      // Folds: bands of the four banner registers.
      const double fold = (x - left) / double(width) * 7.0 + std::sin((y - top) * 0.07) * 0.8;
      canvas.Put(x, y, uint8_t(kBanner + TriangleBand(fold * 1.5)));
    }
  // A golden crown in the middle of the banner.
  const int cy = top + height / 3;
  const int s = std::max(4, width / 5);
  canvas.Fill(int(cx) - s, cy, int(cx) + s + 1, cy + s / 2 + 1, kGold.first + 8);
  for (int i = -1; i <= 1; ++i) {
    canvas.Polygon({{cx + i * s - 2.5, double(cy)},
                    {cx + i * s + 2.5, double(cy)},
                    {cx + i * s, double(cy - s)}},
                   kGold.first + 9);
    canvas.Put(int(cx) + i * s, cy - s, kGold.first + 10);
  }
  canvas.Fill(int(cx) - s, cy + s / 2 + 1, int(cx) + s + 1, cy + s / 2 + 2, kGold.first + 3);
}

void DrawPennant(Canvas& canvas, int poleX, int poleTop, int poleBottom, int length, bool right) {
  canvas.Fill(poleX, poleTop, poleX + 2, poleBottom, kOak.first + 4);
  canvas.Disc(poleX + 1, poleTop - 1, 1.6, kGold.first + 9);
  const int h = std::max(6, length / 3);
  for (int i = 0; i < length; ++i) {
    const double v = double(i) / length;
    const double wave = std::sin(v * 6.0) * 2.0 * v;
    const double half = h / 2.0 * (1.0 - v * 0.85);
    const double mid = poleTop + 1 + h / 2.0 + wave;
    const int x = right ? poleX + 2 + i : poleX - 1 - i;
    for (int y = int(mid - half); y <= int(mid + half); ++y)
      canvas.Put(x, y, uint8_t(kPennant + TriangleBand(i * 0.28 - (y - mid) * 0.15)));
  }
}

void DrawWater(Canvas& canvas, int left, int top, int right, int bottom, int seed) {
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const double v = (y - top) * 0.45 + 1.4 * std::sin(x * 0.06 + (y - top) * 0.8) +
                       ValueNoise(x / 14.0, y / 3.0, seed) * 1.5 + x * 0.05;
      canvas.Put(x, y, uint8_t(kWater + TriangleBand(v)));
    }
}

}  // namespace vsk::data::art
