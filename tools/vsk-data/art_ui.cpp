// The pictures of the boxes: text-box and list-requester frames, arrows,
// close and requester buttons, and the mouse pointer. Oak and gold with
// parchment where text goes; the pens of the boxes (7, 11, 12, 16, 22, 24,
// 25, 26) find the colours they expect.
#include <algorithm>
#include <cmath>

#include "vsk-data/art.h"
#include "vsk-data/art_canvas.h"
#include "vsk-data/art_parts.h"

namespace vsk::data {

using namespace art;

namespace {

constexpr uint8_t kRed = 14, kRedLight = 15, kParchmentShadow = 17, kKnobShade = 27;

// Oak boards with a horizontal grain.
void DrawOak(Canvas& c, int left, int top, int right, int bottom, int seed) {
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const double grain = std::sin(y * 0.9 + Fractal(x / 70.0, y / 6.0, 3, seed) * 9.0);
      const double t = 0.5 + grain * 0.12 + (Hash(x, y, seed) - 0.5) * 0.08 +
                       (Fractal(x / 20.0, y / 20.0, 2, seed + 1) - 0.5) * 0.2;
      c.Put(x, y, Shade(kOak, t, x, y));
    }
}

// A gold moulding of `width` pixels along the inside of the rectangle.
void DrawGoldTrim(Canvas& c, int left, int top, int right, int bottom, int width) {
  for (int i = 0; i < width; ++i) {
    const double t = 0.35 + 0.6 * std::sin((i + 0.5) / width * 3.14159);
    const uint8_t light = uint8_t(kGold.first + std::clamp(int(t * 10) + 1, 0, 10));
    const uint8_t dark = uint8_t(kGold.first + std::clamp(int(t * 10) - 3, 0, 10));
    c.Bevel(left + i, top + i, right - i, bottom - i, light, dark, 1);
  }
}

void DrawRivet(Canvas& c, double x, double y, double r) {
  c.Disc(x + 0.7, y + 0.7, r, kOak.first);
  c.Disc(x, y, r, kGold.first + 5);
  c.Disc(x - r * 0.25, y - r * 0.25, r * 0.6, kGold.first + 8);
  c.Put(int(x - r * 0.3), int(y - r * 0.3), kGold.first + 10);
}

// A window for text: dark edge above and left, light below and right, and
// the background pen inside.
void DrawTextWell(Canvas& c, const ArtRect& r, uint8_t fill) {
  c.Bevel(r.left - 3, r.top - 3, r.right + 3, r.bottom + 3, kGold.first + 9, kGold.first + 2, 1);
  c.Bevel(r.left - 2, r.top - 2, r.right + 2, r.bottom + 2, kPenScrollDark, kGold.first + 6, 2,
          false);
  c.Fill(r.left, r.top, r.right, r.bottom, fill);
}

// A parchment plaque with a gold border for a title.
void DrawPlaque(Canvas& c, const ArtRect& r, uint8_t fill, int tail) {
  // Red ribbon ends behind the plaque.
  const double t = tail;
  const int mid = (r.top + r.bottom) / 2;
  const int h = (r.bottom - r.top) / 2 - 3;
  c.Polygon({{r.left - t, double(mid - h)},
             {r.left + 4.0, double(mid - h)},
             {r.left + 4.0, double(mid + h)},
             {r.left - t, double(mid + h)},
             {r.left - t / 2, double(mid)}},
            kRed);
  c.Polygon({{r.right + t, double(mid - h)},
             {r.right - 4.0, double(mid - h)},
             {r.right - 4.0, double(mid + h)},
             {r.right + t, double(mid + h)},
             {r.right + t / 2, double(mid)}},
            kRed);
  c.Fill(r.left - tail + 1, mid - h, r.left, mid - h + 1, kRedLight);
  c.Fill(r.right, mid - h, r.right + tail - 1, mid - h + 1, kRedLight);
  c.Fill(r.left, r.top, r.right, r.bottom, fill);
  DrawGoldTrim(c, r.left, r.top, r.right, r.bottom, 3);
  c.Frame(r.left + 3, r.top + 3, r.right - 3, r.bottom - 3, kParchmentShadow);
}

// The recess in which the scroller draws its bar.
void DrawScrollWell(Canvas& c, const ArtRect& r) {
  c.Bevel(r.left - 1, r.top - 1, r.right + 1, r.bottom + 1, kPenScrollDark, kPenScrollLight, 1);
  c.Fill(r.left, r.top, r.right, r.bottom, kPenScrollTrack);
}

void DrawFrameBase(Canvas& c, int seed) {
  const int w = c.width(), h = c.height();
  DrawOak(c, 0, 0, w, h, seed);
  c.Frame(0, 0, w, h, kPenScrollDark);
  DrawGoldTrim(c, 1, 1, w - 1, h - 1, 4);
  c.Frame(5, 5, w - 5, h - 5, kOak.first);
  const double r = 4;
  for (double x : {10.0, w - 11.0})
    for (double y : {10.0, h - 11.0}) DrawRivet(c, x, y, r);
}

}  // namespace

IndexedImage DrawArrow(int id) {
  if (id < 123 || id > 126) return {};
  const bool up = id <= 124, pressed = id == 124 || id == 126;
  Canvas c(16, 16, kPenScrollDark);
  c.Fill(1, 1, 15, 15, pressed ? kKnobShade : kPenScrollKnob);
  c.Bevel(1, 1, 15, 15, kPenScrollLight, kGold.first + 2, 2, pressed);
  const double shift = pressed ? 1 : 0;
  const double cx = 8 + shift;
  if (up)
    c.Polygon({{cx - 4.5, 10.5 + shift}, {cx + 4.5, 10.5 + shift}, {cx, 4.5 + shift}}, kPenInk);
  else
    c.Polygon({{cx - 4.5, 5.5 + shift}, {cx + 4.5, 5.5 + shift}, {cx, 11.5 + shift}}, kPenInk);
  return c.Image();
}

IndexedImage DrawCloseButton(bool pressed) {
  Canvas c(22, 20, kPenScrollDark);
  c.Fill(1, 1, 21, 19, kGold.first + (pressed ? 4 : 7));
  c.Fill(3, 3, 19, 17, pressed ? uint8_t(kRoof.first + 3) : kRed);
  c.Bevel(3, 3, 19, 17, kRedLight, uint8_t(kRoof.first + 1), 1, pressed);
  const double s = pressed ? 1 : 0;
  c.Line(7 + s, 6 + s, 14 + s, 13 + s, 30, 2.0);
  c.Line(14 + s, 6 + s, 7 + s, 13 + s, 30, 2.0);
  return c.Image();
}

IndexedImage DrawRequesterButton(bool pressed) {
  Canvas c(52, 20, kPenScrollDark);
  c.Fill(1, 1, 51, 19, kGold.first + (pressed ? 4 : 7));
  c.Fill(3, 3, 49, 17, pressed ? kParchmentShadow : kPenListBack);
  c.Bevel(2, 2, 50, 18, kGold.first + 10, kGold.first + 2, 1, pressed);
  return c.Image();
}

IndexedImage DrawTextBoxFrame() {
  Canvas c(507, 381);
  DrawFrameBase(c, 81);
  DrawTextWell(c, kTextBoxWindow, kPenTextBack);
  DrawPlaque(c, kTextBoxTitle, kPenTextBack, 14);
  // The right-hand column: arrows, scroll bar and the close button.
  c.Fill(455, 38, 481, 346, kOak.first + 3);
  c.Bevel(455, 38, 481, 346, kOak.first + 8, kOak.first, 1, true);
  DrawScrollWell(c, kTextBoxScrollBar);
  c.Blit(FromImage(DrawArrow(123)), kTextBoxUpArrow.left, kTextBoxUpArrow.top, false);
  c.Blit(FromImage(DrawArrow(125)), kTextBoxDownArrow.left, kTextBoxDownArrow.top, false);
  c.Blit(FromImage(DrawCloseButton(false)), kTextBoxClose.left, kTextBoxClose.top, false);
  // Ornaments: rivets along the edges and a crown under the text.
  for (int x = 60; x < 460; x += 50) {
    if (x > 140 && x < 370) continue;
    DrawRivet(c, x, 20, 3);
  }
  for (int x = 60; x < 460; x += 50) DrawRivet(c, x, 362, 3);
  for (int y = 70; y < 330; y += 50) {
    DrawRivet(c, 18, y, 3);
    DrawRivet(c, 492, y, 3);
  }
  const double cx = 253, cy = 362;
  c.Fill(int(cx) - 16, int(cy), int(cx) + 17, int(cy) + 6, kGold.first + 7);
  for (int i = -1; i <= 1; ++i)
    c.Polygon({{cx + i * 14 - 5, cy}, {cx + i * 14 + 5, cy}, {cx + i * 14, cy - 10}},
              kGold.first + 9);
  c.Fill(int(cx) - 16, int(cy) + 6, int(cx) + 17, int(cy) + 7, kGold.first + 2);
  c.Disc(cx, cy + 3, 2, kRedLight);
  return c.Image();
}

IndexedImage DrawListRequesterFrame() {
  Canvas c(195, 220);
  DrawFrameBase(c, 82);
  DrawPlaque(c, kListTitle, kPenListBack, 8);
  DrawTextWell(c, kListWindow, kPenListBack);
  DrawScrollWell(c, kListScrollBar);
  c.Blit(FromImage(DrawArrow(123)), kListUpArrow.left, kListUpArrow.top, false);
  c.Blit(FromImage(DrawArrow(125)), kListDownArrow.left, kListDownArrow.top, false);
  // A ribbon bookmark in the left margin.
  c.Polygon({{16, 48}, {30, 48}, {30, 162}, {23, 154}, {16, 162}}, kRed);
  c.Fill(16, 48, 30, 50, kRedLight);
  c.Fill(17, 50, 18, 158, kRedLight);
  DrawRivet(c, 23, 54, 3);
  // The button row.
  c.Fill(8, 172, 187, 206, kOak.first + 3);
  c.Bevel(8, 172, 187, 206, kOak.first + 8, kOak.first, 1, true);
  for (const ArtRect& r : {kListInfoButton, kListOkButton, kListExitButton})
    c.Blit(FromImage(DrawRequesterButton(false)), r.left, r.top, false);
  return c.Image();
}

IndexedImage DrawPointer() {
  Canvas c(32, 27, 0);
  // A gold arrow with a dark outline, the hot spot at the top left.
  const std::vector<Point> arrow = {{0, 0},     {0, 24},      {6.5, 18.5}, {10.5, 27},
                                    {15.5, 25}, {11.5, 17.5}, {19, 17.5}};
  c.Polygon(arrow, kPenScrollDark);
  c.Fill(0, 0, 1, 24, kPenScrollDark);
  c.Put(1, 1, kPenScrollDark);
  Canvas inner(32, 27, 0);
  for (int y = 0; y < 27; ++y)
    for (int x = 0; x < 32; ++x)
      if (x > 0 && y > 0 && y < 26 && c.Get(x, y) && c.Get(x - 1, y) && c.Get(x + 1, y) &&
          c.Get(x, y - 1) && c.Get(x, y + 1))
        inner.Put(x, y, 1);
  for (int y = 0; y < 27; ++y)
    for (int x = 0; x < 32; ++x)
      if (inner.Get(x, y)) {
        const bool edgeLight = !inner.Get(x - 1, y) || !inner.Get(x, y - 1);
        const double t = 0.95 - (x + y) * 0.025;
        c.Put(x, y, edgeLight ? uint8_t(253) : Shade(kGold, t, x, y));
      }
  // A small ruby where the shaft meets the head.
  c.Put(5, 13, kRedLight);
  c.Put(6, 13, kRed);
  c.Put(5, 14, kRed);
  return c.Image();
}

}  // namespace vsk::data
