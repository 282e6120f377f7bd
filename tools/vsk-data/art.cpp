// The demo palette, the title and residence pictures, the six residence
// graphics and the OpenGL backdrop.
#include "vsk-data/art.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "vsk-data/art_canvas.h"
#include "vsk-data/art_parts.h"

namespace vsk::data {

using namespace art;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Registers first .. first + count - 1 run through the given colours evenly.
void SetRamp(Palette& p, int first, int count, std::initializer_list<Rgb> stops) {
  const std::vector<Rgb> s(stops);
  for (int i = 0; i < count; ++i) {
    const double pos = count == 1 ? 0 : double(i) / (count - 1) * (s.size() - 1);
    const std::size_t k = std::min(std::size_t(pos), s.size() - 2);
    const double f = pos - k;
    auto mix = [&](uint8_t a, uint8_t b) { return uint8_t(std::lround(a + (b - a) * f)); };
    p[first + i] = {mix(s[k].r, s[k + 1].r), mix(s[k].g, s[k + 1].g), mix(s[k].b, s[k + 1].b)};
  }
}

}  // namespace

Palette DemoPalette() {
  Palette p{};
  // Interface colours; the pens of the boxes point at 7, 11, 12, 16, 22,
  // 24, 25 and 26.
  const Rgb ui[32] = {{0, 0, 0},       {255, 255, 255}, {200, 200, 200}, {140, 140, 140},
                      {80, 80, 80},    {250, 220, 120}, {210, 170, 70},  {44, 26, 12},
                      {150, 110, 40},  {150, 100, 56},  {110, 70, 36},   {242, 230, 196},
                      {52, 32, 16},    {70, 44, 22},    {170, 30, 30},   {220, 70, 60},
                      {234, 216, 174}, {196, 174, 128}, {40, 60, 140},   {90, 120, 200},
                      {40, 110, 50},   {110, 170, 80},  {92, 62, 36},    {60, 40, 24},
                      {36, 22, 10},    {252, 230, 160}, {200, 156, 66},  {160, 120, 48},
                      {120, 90, 60},   {180, 140, 90},  {245, 240, 230}, {20, 16, 12}};
  for (int i = 0; i < 32; ++i) p[i] = ui[i];
  SetRamp(p, kSky.first, kSky.count,
          {{10, 12, 38}, {34, 44, 100}, {110, 92, 150}, {214, 130, 120}, {252, 186, 112}});
  SetRamp(p, kStone.first, kStone.count, {{26, 24, 30}, {98, 92, 96}, {214, 204, 186}});
  SetRamp(p, kGrass.first, kGrass.count, {{12, 28, 10}, {58, 106, 38}, {176, 204, 96}});
  SetRamp(p, kEarth.first, kEarth.count, {{30, 18, 8}, {112, 74, 40}, {214, 174, 112}});
  SetRamp(p, kMountain.first, kMountain.count, {{30, 26, 58}, {84, 76, 122}, {184, 166, 196}});
  SetRamp(p, kRoof.first, kRoof.count, {{48, 10, 10}, {150, 42, 30}, {242, 134, 92}});
  SetRamp(p, kGold.first, kGold.count, {{72, 42, 8}, {192, 142, 40}, {255, 244, 170}});
  // The animated registers: each group is a ramp of its own, which the
  // colour cycling rotates.
  SetRamp(p, kGlow, 2, {{196, 112, 30}, {255, 214, 120}});
  SetRamp(p, kFire, 3, {{176, 32, 4}, {255, 236, 96}});
  p[kFire + 1] = {246, 128, 16};
  SetRamp(p, kBanner, 4, {{110, 8, 18}, {250, 96, 84}});
  SetRamp(p, kWater, 4, {{18, 46, 104}, {176, 214, 242}});
  p[kWater + 1] = {36, 86, 156};
  p[kWater + 2] = {76, 138, 200};
  SetRamp(p, kPennant, 4, {{16, 34, 112}, {150, 196, 255}});
  SetRamp(p, kForest.first, kForest.count, {{6, 18, 14}, {24, 62, 38}, {86, 126, 64}});
  SetRamp(p, kSand.first, kSand.count, {{92, 70, 40}, {192, 166, 118}, {248, 238, 208}});
  SetRamp(p, kOak.first, kOak.count, {{22, 12, 6}, {82, 50, 26}, {166, 114, 64}});
  SetRamp(p, kSnow.first, kSnow.count, {{118, 118, 150}, {202, 200, 222}, {255, 255, 255}});
  SetRamp(p, kViolet.first, kViolet.count, {{40, 22, 52}, {122, 64, 112}, {246, 156, 150}});
  SetRamp(p, kBronze.first, kBronze.count, {{40, 24, 10}, {132, 82, 30}, {236, 176, 96}});
  p[252] = {255, 255, 255};
  p[253] = {255, 242, 186};
  p[254] = {204, 222, 255};
  p[255] = {8, 6, 4};
  return p;
}

// ---------------------------------------------------------------------------
// Title picture

namespace {

// Gold lettering with a dark outline and a drop shadow, centred on centreX.
void DrawLettering(Canvas& canvas, const Mask& mask, int centreX, int top, int outline) {
  if (mask.width == 0) return;
  const int left = centreX - mask.width / 2;
  auto solid = [&](int x, int y) { return mask.At(x, y) >= 110; };
  auto near = [&](int x, int y, int r) {
    for (int dy = -r; dy <= r; ++dy)
      for (int dx = -r; dx <= r; ++dx)
        if (dx * dx + dy * dy <= r * r + 1 && solid(x + dx, y + dy)) return true;
    return false;
  };
  for (int y = -outline; y < mask.height + outline + 6; ++y)
    for (int x = -outline; x < mask.width + outline + 6; ++x) {
      const int px = left + x, py = top + y;
      if (solid(x, y)) {
        // Gold, lighter towards the top, with a bevel: edges facing the
        // upper left catch the light.
        const int up = mask.At(x - 1, y - 2), down = mask.At(x + 1, y + 2);
        double t = 0.95 - 0.6 * double(y) / mask.height;
        t += (down - up) / 255.0 * 0.35;
        if (std::abs(y - mask.height * 0.52) < 1.5) t += 0.2;  // a bright bevel line
        canvas.Put(px, py, Shade(kGold, t, px, py));
      } else if (near(x, y, outline)) {
        canvas.Put(px, py, near(x, y, outline - 1) ? uint8_t(kBronze.first + 1) : uint8_t(255));
      } else if (near(x - 5, y - 6, outline)) {
        canvas.Put(px, py, 255);  // shadow
      }
    }
}

void DrawSmallText(Canvas& canvas, const Mask& mask, int centreX, int top, uint8_t colour,
                   uint8_t shadow) {
  const int left = centreX - mask.width / 2;
  for (int y = 0; y < mask.height; ++y)
    for (int x = 0; x < mask.width; ++x)
      if (mask.At(x, y) >= 110) {
        canvas.Put(left + x + 2, top + y + 2, shadow);
      }
  for (int y = 0; y < mask.height; ++y)
    for (int x = 0; x < mask.width; ++x)
      if (mask.At(x, y) >= 110) canvas.Put(left + x, top + y, colour);
}

// A castle on a hilltop far away, seen against the evening sky.
void DrawDistantCastle(Canvas& canvas, int cx, int groundY) {
  auto block = [&](int l, int t, int r, double light) {
    canvas.Paint(
        l, t, r, groundY, [](int, int) { return true; },
        [&](int x, int y) {
          return Shade(kStone,
                       light - 0.15 * (y - t) / double(groundY - t) + (x > (l + r) / 2 ? 0.12 : 0),
                       x, y);
        });
    for (int x = l; x < r; x += 4) canvas.Fill(x, t - 3, x + 2, t, kStone.first + 5);
  };
  block(cx - 60, groundY - 34, cx + 60, 0.42);
  block(cx - 22, groundY - 62, cx + 22, 0.5);
  block(cx - 70, groundY - 56, cx - 52, 0.46);
  block(cx + 52, groundY - 56, cx + 70, 0.46);
  DrawConeRoof(canvas, cx - 72, cx - 50, groundY - 59, groundY - 84);
  DrawConeRoof(canvas, cx + 50, cx + 72, groundY - 59, groundY - 84);
  DrawConeRoof(canvas, cx - 10, cx + 10, groundY - 66, groundY - 96);
  DrawPennant(canvas, cx - 1, groundY - 122, groundY - 96, 18, true);
  // Lit windows.
  for (int i = 0; i < 5; ++i)
    canvas.Fill(cx - 44 + i * 20, groundY - 22, cx - 41 + i * 20, groundY - 16, kGold.first + 9);
  canvas.Fill(cx - 3, groundY - 50, cx + 3, groundY - 42, kGold.first + 10);
  canvas.Fill(cx - 63, groundY - 46, cx - 59, groundY - 40, kGold.first + 9);
  canvas.Fill(cx + 59, groundY - 46, cx + 63, groundY - 40, kGold.first + 9);
}

void DrawTree(Canvas& canvas, int cx, int baseY, int height, int seed) {
  canvas.Fill(cx - 1, baseY - height / 4, cx + 2, baseY, kOak.first + 2);
  for (int layer = 0; layer < 4; ++layer) {
    const double y = baseY - height / 4 - layer * height / 5.0;
    const double w = height * (0.38 - layer * 0.07);
    canvas.Polygon({{cx - w, y}, {cx + w, y}, {double(cx), y - height * 0.36}},
                   uint8_t(kForest.first + 1 + layer));
    canvas.Polygon({{double(cx), y}, {cx + w, y}, {double(cx), y - height * 0.36}},
                   uint8_t(kForest.first + 3 + layer + (Hash(cx, layer, seed) > 0.5)));
  }
}

}  // namespace

IndexedImage DrawTitlePicture() {
  Canvas c(640, 480);
  const double sunX = 470, sunY = 214;
  DrawSky(c, 300, sunX, sunY, 0.55, 11);
  DrawStars(c, 170, 12);
  c.Disc(sunX, sunY, 30, kGold.first + 10);
  c.Disc(sunX, sunY, 26, 253);
  DrawClouds(c, 120, 260, sunX, 13);
  DrawMountains(c, 170, 120, 320, true, 14);
  DrawForestHills(c, 268, 330, 15);
  // The land: meadows that grow darker and richer towards the viewer.
  for (int y = 300; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const double hill = 300 + 14 * std::sin(x / 70.0) + 8 * std::sin(x / 23.0 + 1);
      if (y < hill) continue;
      const double depth = (y - 300) / 180.0;
      double t = 0.72 - depth * 0.5 + (Fractal(x / (12 + 40 * depth), y / 9.0, 3, 16) - 0.5) * 0.4;
      t += 0.12 * std::exp(-std::abs(x - sunX) / 120.0) * (1 - depth);
      c.Put(x, y, Shade(kGrass, t, x, y));
    }
  // A river winding from the hills to the foreground, catching the sunset.
  for (int y = 304; y < 480; ++y) {
    const double d = (y - 304) / 176.0;
    const double cx = 420 + 70 * std::sin(d * 4.2) * d - 40 * d;
    const double w = 3 + d * d * 90 + d * 12;
    for (int x = int(cx - w); x <= int(cx + w); ++x) {
      const double edge = std::abs(x - cx) / w;
      const double sparkle = std::exp(-std::abs(x - sunX + (y - 304) * 0.2) / (10 + 40 * d));
      double v = d * 3 + sparkle * 2.5 + (Hash(x / 3, y, 17) > 0.8) * (1 - edge);
      int band = std::clamp(int(v), 0, 3);
      if (edge > 0.92) {
        c.Put(x, y, Shade(kEarth, 0.55, x, y));
        continue;
      }
      if (sparkle > 0.6 && Hash(x, y, 18) > 0.55) band = 3;
      c.Put(x, y, uint8_t(kWater + band));
    }
  }
  // A road from the foreground up to the castle.
  for (int y = 300; y < 480; ++y) {
    const double d = (y - 300) / 180.0;
    const double cx = 150 + 120 * d * d + 20 * std::sin(d * 6);
    const double w = 2 + d * 26;
    for (int x = int(cx - w); x <= int(cx + w); ++x)
      if (y > 302 + 14 * std::sin(x / 70.0) + 8 * std::sin(x / 23.0 + 1))
        c.Put(x, y, Shade(kEarth, 0.6 - d * 0.25 + (Hash(x, y, 19) - 0.5) * 0.2, x, y));
  }
  DrawDistantCastle(c, 150, 296);
  // Dark trees framing the view.
  for (int i = 0; i < 9; ++i) {
    DrawTree(c, 12 + i * 16, 480 - int(Hash(i, 0, 20) * 20), 110 + int(Hash(i, 1, 20) * 60), i);
    DrawTree(c, 628 - i * 15, 480 - int(Hash(i, 2, 20) * 20), 100 + int(Hash(i, 3, 20) * 70),
             i + 9);
  }
  for (int i = 0; i < 14; ++i)
    DrawTree(c, 240 + int(Hash(i, 5, 21) * 130), 312 + int(Hash(i, 6, 21) * 14),
             22 + int(Hash(i, 7, 21) * 14), i + 30);

  const Mask title = RenderText(DejaVuFont("DejaVuSerif-Bold.ttf"), 112, "Veskaria", 0);
  DrawLettering(c, title, 320, 34, 4);
  const Mask subtitle =
      RenderText(DejaVuFont("DejaVuSerif-Italic.ttf"), 26, "Das Reich von Kadun", 0);
  DrawSmallText(c, subtitle, 320, 34 + std::max(title.height, 80) + 18, 253, 255);
  return c.Image();
}

// ---------------------------------------------------------------------------
// Residence: the ruler's castle at nightfall. The background holds the
// sky, the curtain walls, moat, bridge and braziers; the six graphics build
// the keep in the middle.

IndexedImage DrawResidencePicture() {
  Canvas c(640, 480);
  const double moonX = 548, moonY = 70;
  DrawSky(c, 330, moonX, 330, 0.25, 31);
  DrawStars(c, 220, 32);
  // Moon: a disc with a darker sea or two.
  c.Disc(moonX, moonY, 22, 254);
  c.Disc(moonX + 7, moonY - 5, 6, 204 + 11);
  c.Disc(moonX - 8, moonY + 6, 4, 204 + 12);
  DrawClouds(c, 150, 250, 100, 33);
  DrawMountains(c, 180, 110, 340, true, 34);
  DrawForestHills(c, 290, 345, 35);
  // Ground of the castle hill.
  for (int y = 330; y < 400; ++y)
    for (int x = 0; x < 640; ++x) {
      const double edge = 330 + 6 * std::sin(x / 50.0);
      if (y < edge) continue;
      c.Put(x, y, Shade(kGrass, 0.35 + (Fractal(x / 10.0, y / 6.0, 3, 36) - 0.5) * 0.4, x, y));
    }
  // Curtain walls left and right of the keep.
  DrawBrickWall(c, 0, 292, 200, 400, 0.5, 37);
  DrawMerlons(c, 0, 282, 200, 10, 9, 38);
  DrawBrickWall(c, 500, 292, 640, 400, 0.55, 39);
  DrawMerlons(c, 500, 282, 640, 10, 6, 40);
  // Round corner towers.
  DrawRoundTower(c, 62, 176, 134, 400, 41);
  DrawMerlons(c, 58, 166, 138, 10, 5, 42);
  DrawConeRoof(c, 58, 138, 166, 96);
  DrawPennant(c, 97, 62, 96, 30, true);
  DrawRoundTower(c, 544, 188, 608, 400, 43);
  DrawMerlons(c, 540, 178, 612, 10, 4, 44);
  DrawConeRoof(c, 540, 612, 178, 116);
  DrawPennant(c, 575, 84, 116, 28, false);
  DrawWindow(c, 91, 214, 14, 22, true);
  DrawWindow(c, 569, 230, 14, 22, true);
  DrawWindow(c, 91, 290, 12, 18, true);
  // Great banners on the curtain walls and torches beside them.
  DrawBanner(c, 14, 304, 34, 80);
  DrawBanner(c, 150, 304, 30, 70);
  DrawBanner(c, 620, 304, 20, 66);
  DrawTorch(c, 190, 320, 45);
  DrawTorch(c, 510, 320, 46);
  DrawTorch(c, 146 - 100, 322 + 30, 47);
  // The moat with its stone banks.
  DrawWater(c, 0, 402, 640, 440, 48);
  c.Paint(
      0, 398, 640, 404, [](int, int) { return true; },
      [](int x, int y) { return Shade(kStone, 0.35 + Hash(x / 6, y, 49) * 0.2, x, y); });
  c.Paint(
      0, 438, 640, 444, [](int, int) { return true; },
      [](int x, int y) { return Shade(kStone, 0.55 + Hash(x / 6, y, 50) * 0.2, x, y); });
  // The land in front of the moat.
  for (int y = 444; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      c.Put(x, y,
            Shade(kGrass,
                  0.5 - (y - 444) / 36.0 * 0.3 + (Fractal(x / 9.0, y / 5.0, 3, 51) - 0.5) * 0.45, x,
                  y));
  // A road from the bridge to the viewer.
  for (int y = 440; y < 480; ++y) {
    const double w = 30 + (y - 440) * 0.9;
    for (int x = int(350 - w); x <= int(350 + w); ++x)
      c.Put(x, y, Shade(kEarth, 0.55 + (Hash(x / 2, y / 2, 52) - 0.5) * 0.3, x, y));
  }
  // The drawbridge: planks across the moat, chains up to the gate.
  for (int y = 398; y < 446; ++y)
    for (int x = 322; x < 378; ++x) {
      const bool seam = (y - 398) % 6 == 5;
      const bool rail = x < 325 || x >= 375;
      double t =
          0.55 + (Hash(x / 20, (y - 398) / 6, 53) - 0.5) * 0.2 + (Hash(x, y, 54) - 0.5) * 0.1;
      if (seam) t = 0.25;
      if (rail) t = 0.75;
      c.Put(x, y, Shade(kOak, t, x, y));
    }
  // Glow of the fires on the water.
  for (int y = 404; y < 438; ++y)
    for (int x = 280; x < 420; ++x)
      if (Hash(x / 3, y, 55) > 0.95 && std::abs(x - 350) > 30 && (y & 1)) c.Put(x, y, kFire + 2);
  DrawBrazier(c, 300, 472, 56);
  DrawBrazier(c, 400, 472, 57);
  return c.Image();
}

namespace {

// The keep: top row towers, bottom row walls and gate. Each graphic is drawn
// in the coordinates of the whole screen and then cut out, so that the six
// pieces join seamlessly.
Canvas KeepGraphic(int id, int originX, int originY) {
  Canvas screen(640, 480, 0);
  auto towerTop = [&](int l, int r, int top, int roofTip, bool window, int seed) {
    DrawRoundTower(screen, l, top, r, 300, seed);
    DrawMerlons(screen, l - 4, top - 10, r + 4, 10, 4, seed + 1);
    DrawConeRoof(screen, l - 4, r + 4, top - 10, roofTip);
    if (window) DrawWindow(screen, (l + r) / 2 - 7, top + 14, 14, 22, true);
  };
  switch (id) {
    case 9:  // left tower
      towerTop(218, 282, 238, 206, true, 61);
      // A pennant on the left side of the roof.
      DrawPennant(screen, 226, 206, 228, 24, false);
      break;
    case 30:  // right tower
      towerTop(418, 482, 244, 212, true, 62);
      DrawPennant(screen, 471, 204, 234, 24, true);
      break;
    case 8: {  // the great keep with the royal banner
      DrawBrickWall(screen, 316, 236, 384, 300, 0.62, 63);
      DrawMerlons(screen, 312, 226, 388, 10, 5, 64);
      DrawPennant(screen, 349, 201, 226, 36, true);
      DrawBanner(screen, 334, 244, 32, 54);
      break;
    }
    case 23:  // left wall with a lit hall window and a torch
      DrawBrickWall(screen, 200, 300, 300, 400, 0.48, 65);
      DrawMerlons(screen, 200, 300, 300, 6, 6, 66);
      DrawWindow(screen, 226, 322, 20, 34, true);
      DrawWindow(screen, 266, 330, 14, 24, true);
      DrawTorch(screen, 290, 372, 67);
      break;
    case 28: {  // gatehouse
      DrawBrickWall(screen, 300, 300, 400, 400, 0.56, 68);
      DrawMerlons(screen, 300, 300, 400, 6, 6, 69);
      // The gate arch, warm light from the courtyard behind it.
      const double cx = 350, r = 22;
      screen.Paint(
          324, 330, 377, 400,
          [&](int x, int y) {
            if (y >= 354) return std::abs(x + 0.5 - cx) <= r + 3;
            return std::hypot(x + 0.5 - cx, y + 0.5 - 354) <= r + 3;
          },
          [&](int x, int y) { return Shade(kStone, 0.8 - (y - 330) * 0.004, x, y); });
      screen.Paint(
          328, 332, 373, 400,
          [&](int x, int y) {
            if (y >= 354) return std::abs(x + 0.5 - cx) <= r;
            return std::hypot(x + 0.5 - cx, y + 0.5 - 354) <= r;
          },
          [&](int x, int y) -> uint8_t {
            const double d = std::abs(x + 0.5 - cx) / r;
            if (y > 388) return Shade(kEarth, 0.7 - d * 0.3, x, y);
            return uint8_t(d < 0.6 && y > 346 ? kGlow + 1 : kGlow);
          });
      // The portcullis, raised half way.
      for (int x = 331; x < 371; x += 6)
        screen.Paint(
            x, 334, x + 2, 366,
            [&](int px, int py) {
              return std::hypot(px + 0.5 - cx, py + 0.5 - 354) <= r || py >= 354;
            },
            [&](int, int) { return uint8_t(kStone.first + 1); });
      for (int y = 340; y < 366; y += 7) screen.Fill(328, y, 373, y + 2, kStone.first + 1);
      for (int x = 333; x < 371; x += 6) screen.Put(x, 366, kStone.first + 4);
      // Coat of arms above the gate.
      screen.Polygon({{338, 306}, {362, 306}, {362, 318}, {350, 328}, {338, 318}}, kGold.first + 7);
      screen.Polygon({{340, 308}, {360, 308}, {360, 317}, {350, 325}, {340, 317}}, 14);
      screen.Fill(349, 309, 351, 323, kGold.first + 9);
      screen.Fill(343, 313, 357, 315, kGold.first + 9);
      DrawTorch(screen, 314, 350, 70);
      DrawTorch(screen, 386, 350, 71);
      break;
    }
    case 29:  // right wall with a banner and a window
      DrawBrickWall(screen, 400, 300, 500, 400, 0.6, 72);
      DrawMerlons(screen, 400, 300, 500, 6, 6, 73);
      DrawBanner(screen, 414, 314, 30, 74);
      DrawWindow(screen, 462, 326, 18, 30, true);
      break;
    default:
      break;
  }
  Canvas piece(100, 100, 0);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) piece.Put(x, y, screen.Get(originX + x, originY + y));
  return piece;
}

}  // namespace

IndexedImage DrawResidenceGraphic(int id) {
  for (const GraphicPlace& place : kResidenceGraphics)
    if (int(place.id) == id) return KeepGraphic(id, place.x, place.y).Image();
  return {};
}

IndexedImage ComposeResidenceScene() {
  Canvas scene = FromImage(DrawResidencePicture());
  for (const GraphicPlace& place : kResidenceGraphics)
    scene.Blit(FromImage(DrawResidenceGraphic(int(place.id))), place.x, place.y, true);
  return scene.Image();
}

// ---------------------------------------------------------------------------
// Backdrop: a royal blue cloth with golden lozenges and the realm's shield,
// shown on the rotating cube around the screen.

std::vector<uint8_t> DrawBackdropRgb(uint32_t& width, uint32_t& height) {
  width = 256;
  height = 256;
  std::vector<uint8_t> rgb(std::size_t(width) * height * 3);
  auto shieldDistance = [](double x, double y) {
    // Positive inside: a heater shield from (78, 56) to (178, 206).
    const double cx = 128;
    if (y < 56) return y - 56;
    const double halfTop = 50;
    double half = halfTop;
    if (y > 130) half = halfTop * std::sqrt(std::max(0.0, 1 - std::pow((y - 130) / 76.0, 2)));
    return std::min({half - std::abs(x - cx), y - 56, 206 - y});
  };
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const double fx = x + 0.5, fy = y + 0.5;
      // Cloth: deep blue with a soft weave and diagonal golden threads.
      const double weave = 0.9 + 0.1 * std::sin(fx * 1.7) * std::sin(fy * 1.7);
      double r = 18 * weave, g = 28 * weave, b = 86 * weave;
      const double vignette = 1.0 - 0.35 * std::pow(std::hypot(fx - 128, fy - 128) / 181.0, 2);
      r *= vignette;
      g *= vignette;
      b *= vignette;
      const double d1 = std::fmod(fx + fy, 32.0), d2 = std::fmod(fx - fy + 512.0, 32.0);
      const double line = std::min({d1, 32 - d1, d2, 32 - d2});
      if (line < 1.2) {
        const double a = 1.0 - line / 1.2;
        r += (200 - r) * a * 0.8;
        g += (160 - g) * a * 0.8;
        b += (70 - b) * a * 0.8;
      }
      // A gold border around the whole face.
      const double edge = std::min({fx, fy, 256 - fx, 256 - fy});
      if (edge < 10) {
        const double t = 0.6 + 0.4 * std::cos(edge / 10.0 * kPi);
        r = 120 + 120 * t;
        g = 86 + 100 * t;
        b = 24 + 50 * t;
        if (edge < 1.5 || std::abs(edge - 8) < 0.8) r = 70, g = 42, b = 10;
      }
      // The shield: gold rim, red field, a golden crown.
      const double s = shieldDistance(fx, fy);
      if (s > 0) {
        if (s < 5) {
          const double t = 0.5 + 0.5 * std::cos(s / 5.0 * kPi);
          r = 150 + 100 * t, g = 110 + 110 * t, b = 30 + 70 * t;
        } else {
          const double shade = 0.8 + 0.2 * (1.0 - fy / 206.0) - 0.15 * (fx - 128) / 50.0;
          r = 176 * shade, g = 24 * shade, b = 28 * shade;
          // Crown: a band and three points.
          const bool band = fy > 128 && fy < 146 && std::abs(fx - 128) < 30;
          bool point = false;
          for (int i = -1; i <= 1; ++i) {
            const double px = 128 + i * 24.0, top = i == 0 ? 92 : 100;
            if (fy >= top && fy <= 128 && std::abs(fx - px) < 7 * (fy - top) / (128 - top) + 1)
              point = true;
            if (std::hypot(fx - px, fy - (top - 3)) < 4.5) point = true;
          }
          if (band || point) {
            const double t = 0.7 + 0.3 * std::sin((fx + fy) * 0.08);
            r = 240 * t, g = 196 * t, b = 70 * t;
          }
          if (std::hypot(fx - 128, fy - 137) < 4) r = 40, g = 90, b = 200;  // a sapphire
        }
      }
      uint8_t* out = &rgb[(std::size_t(y) * width + x) * 3];
      out[0] = uint8_t(std::clamp(r, 0.0, 255.0));
      out[1] = uint8_t(std::clamp(g, 0.0, 255.0));
      out[2] = uint8_t(std::clamp(b, 0.0, 255.0));
    }
  return rgb;
}

std::vector<DemoPicture> DrawAllDemoPictures() {
  std::vector<DemoPicture> all;
  all.push_back({kTitlePictureId, "title", DrawTitlePicture()});
  all.push_back({kResidencePictureId, "residenz", DrawResidencePicture()});
  all.push_back({8, "resid08", DrawResidenceGraphic(8)});
  all.push_back({9, "resid09", DrawResidenceGraphic(9)});
  all.push_back({23, "resid23", DrawResidenceGraphic(23)});
  all.push_back({28, "resid28", DrawResidenceGraphic(28)});
  all.push_back({29, "resid29", DrawResidenceGraphic(29)});
  all.push_back({30, "resid30", DrawResidenceGraphic(30)});
  all.push_back({123, "arrowup", DrawArrow(123)});
  all.push_back({124, "arrowup2", DrawArrow(124)});
  all.push_back({125, "arrowdn", DrawArrow(125)});
  all.push_back({126, "arrowdn2", DrawArrow(126)});
  all.push_back({143, "close", DrawCloseButton(false)});
  all.push_back({144, "close2", DrawCloseButton(true)});
  all.push_back({kTextBoxFrameId, "textbox", DrawTextBoxFrame()});
  all.push_back({kListRequesterFrameId, "listreq", DrawListRequesterFrame()});
  all.push_back({kRequesterButtonId, "button", DrawRequesterButton(false)});
  all.push_back({kRequesterButtonId + 1, "button2", DrawRequesterButton(true)});
  return all;
}

}  // namespace vsk::data
