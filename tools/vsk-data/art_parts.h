// Pieces of scenery shared by the title and residence pictures: sky,
// mountains, stone walls, towers, roofs, windows, fire, banners and water.
#pragma once

#include "vsk-data/art_canvas.h"

namespace vsk::data::art {

// Sky from night blue at the top to the evening horizon at `horizon`,
// brighter around the sun (or moon) at (sunX, sunY).
void DrawSky(Canvas& canvas, int horizon, double sunX, double sunY, double glow, int seed);
void DrawStars(Canvas& canvas, int bottom, int seed);
void DrawClouds(Canvas& canvas, int top, int bottom, double sunX, int seed);
// A mountain range whose ridge lies between top and top + height, filled down
// to `bottom`; `snow` puts snow on the peaks.
void DrawMountains(Canvas& canvas, int top, int height, int bottom, bool snow, int seed);
// Rolling forest hills with a tree-top edge around `top`.
void DrawForestHills(Canvas& canvas, int top, int bottom, int seed);

// Makes the pixel's colour lighter by `steps` within its ramp (glows of
// fires and windows on walls); colours outside the ramps stay.
void Lighten(Canvas& canvas, int x, int y, int steps);
void GlowAround(Canvas& canvas, double cx, double cy, double radius, int steps);

// Brick wall texture; `light` 0..1 is the overall brightness.
void DrawBrickWall(Canvas& canvas, int left, int top, int right, int bottom, double light,
                   int seed);
// A round tower body, shaded as a cylinder lit from the right.
void DrawRoundTower(Canvas& canvas, int left, int top, int right, int bottom, int seed);
// Merlons on top of a wall: `count` teeth of stone from left to right.
void DrawMerlons(Canvas& canvas, int left, int top, int right, int height, int count, int seed);
// A pointed roof over [left, right) from baseY up to the tip at tipY.
void DrawConeRoof(Canvas& canvas, int left, int right, int baseY, int tipY);
// An arched window; `lit` fills it with the pulsing window glow.
void DrawWindow(Canvas& canvas, int left, int top, int width, int height, bool lit);
// A flame rising from (cx, baseY), using the fire registers.
void DrawFlame(Canvas& canvas, double cx, double baseY, double width, double height, int seed);
// A wall torch: holder and flame, with its glow on the wall behind.
void DrawTorch(Canvas& canvas, int cx, int baseY, int seed);
// A brazier on a stand with a large fire.
void DrawBrazier(Canvas& canvas, int cx, int baseY, int seed);
// A hanging banner of the banner registers with a gold border and crown.
void DrawBanner(Canvas& canvas, int left, int top, int width, int height);
// A flag pole with a pennant blowing to the right.
void DrawPennant(Canvas& canvas, int poleX, int poleTop, int poleBottom, int length, bool right);
// Water of the moat or river between top and bottom: flowing bands.
void DrawWater(Canvas& canvas, int left, int top, int right, int bottom, int seed);
// Band index for cycled registers: 0,1,2,3,2,1 repeating, so that the colour
// ring flows smoothly across neighbouring bands.
int TriangleBand(double v);

}  // namespace vsk::data::art
