// Requester boxes: a text area drawn once into an off-screen bitmap taller
// than its window, shown through a window on the screen and scrolled by
// copying another band of the bitmap; for a list one line can be selected
// and is drawn highlighted. Beside it the scroller: a vertical bar with a
// knob whose height shows the visible share of the content and whose
// position (0..100 %) chooses the band. The text box and the list requester
// are built from them.
#pragma once

#include <cstdint>

#include "gfx/bitmap.h"
#include "gfx/font.h"

namespace vsk {

constexpr uint32_t kRequesterLineSlot = 80;  // bytes per line of a list (79 characters + NUL)
constexpr uint16_t kNoLine = 0xFFFF;

// Step codes of MoveScrollerKnob.
constexpr uint16_t kScrollDown10 = 0x800A;
constexpr uint16_t kScrollUp10 = 0x808A;

struct RequesterBox {
  uint16_t width;          // content bitmap width
  uint16_t contentHeight;  // content height in pixels
  uint16_t x, y;           // window position on the screen
  uint16_t visibleWidth, visibleHeight;
  BitMap* bitmap;          // the content
  TextFont* font;          // not owned
  RastPort* rastPort;      // on the content bitmap, holding the font
  const char* text;        // list: lineCount slots of 80 bytes; text box: one text
  uint16_t lineCount;
  uint16_t textPen, backPen;          // drawing the content into the bitmap
  uint16_t lineTextPen, lineBackPen;  // redrawing a line un-highlighted on the screen
  int16_t selected;                   // selected line, -1 for none
  uint16_t knobPos;                   // percent, 0..100
  uint16_t topLine;                   // scrollOffset / lineHeight
  uint16_t scrollOffset;              // first visible content row
  uint16_t barX, barY, barWidth, barHeight;
  BitMap* knobBitMap;                 // barWidth x barHeight, 8 bits
  RastPort* knobRastPort;
  uint16_t knobPen, trackPen, lightPen, darkPen;
  uint16_t knobSize;                  // knob height in percent of the bar
};

// Font height + 1.
uint16_t RequesterLineHeight(const RequesterBox* box);

// A list box drawn and shown, or null (logged; everything released).
RequesterBox* InitRequesterBox(uint16_t width, uint16_t lineCount, TextFont* font, const char* lines, uint16_t x,
                               uint16_t y, uint16_t visibleWidth, uint16_t visibleHeight, uint16_t backPen,
                               uint16_t textPen);
RequesterBox* InitRequesterBox_Init(uint16_t width, uint16_t lineCount, TextFont* font, const char* lines,
                                    uint16_t x, uint16_t y, uint16_t visibleWidth, uint16_t visibleHeight,
                                    uint16_t backPen, uint16_t textPen);
// True when the content bitmap is allocated and attached.
bool InitRequesterBox_Alloc(RequesterBox* box);
void DrawRequesterLines(RequesterBox* box);
void ShowRequesterBox(RequesterBox* box);
// Releases the content and knob bitmaps, both rastports and the record;
// null is ignored.
void FreeRequesterBox(RequesterBox* box);

void CreateScroller(RequesterBox* box, uint16_t barWidth, uint16_t barHeight, uint16_t knobPen, uint16_t trackPen,
                    uint16_t lightPen, uint16_t darkPen, uint16_t barX, uint16_t barY);
// code: an absolute pointer y, or with bit 15 a step of (code & 0x7F)
// percent, upwards when bit 7 is set. Returns knobPos.
uint16_t MoveScrollerKnob(RequesterBox* box, uint16_t code);
// Shows the band the knob chooses; false when the content fits its window.
// Clears the selection.
bool ScrollRequesterBox(RequesterBox* box);

// The line under pointerY, highlighted; kNoLine when none or not wholly shown.
uint16_t SelectRequesterLine(RequesterBox* box, uint16_t pointerY, uint16_t highBackPen, uint16_t highTextPen);
void DrawLineNormal(RequesterBox* box, uint16_t offset);
uint16_t DrawLineHighlighted(RequesterBox* box, uint16_t backPen, uint16_t textPen, uint16_t offset, uint16_t line);

}  // namespace vsk
