#include "ui/requester_box.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "gfx/rastport.h"
#include "pictures/blit.h"
#include "services/memory.h"
#include "ui/clipped_text.h"

namespace vsk {

namespace {

RastPort* ScreenRp() { return TheScreen ? &TheScreen->RastPort : nullptr; }
BitMap* ScreenBm() { return TheScreen ? TheScreen->BitMap : nullptr; }

// Rows of the content bitmap: the content, but never less than the window.
uint32_t ContentRows(const RequesterBox* box) {
  return std::max<uint32_t>(box->contentHeight, box->visibleHeight);
}

// Line n of a list: its 80-byte slot, of which at most 79 characters count
// (a slot without its NUL is cut, not read past).
const char* ListLine(const RequesterBox* box, uint32_t line, int32_t* length) {
  const char* slot = box->text + static_cast<size_t>(line) * kRequesterLineSlot;
  *length = static_cast<int32_t>(strnlen(slot, kRequesterLineSlot - 1));
  return slot;
}

// A line of the list drawn on the screen at content row `row` of the
// window, in the given pens, over a band of lineHeight rows. The box's font
// is lent to the screen's rastport for the text.
void DrawScreenLine(RequesterBox* box, int32_t row, uint16_t backPen, uint16_t textPen, uint16_t line) {
  RastPort* screen = ScreenRp();
  if (!screen || !box->font || box->visibleWidth == 0) return;
  const int32_t height = box->font->YSize;
  SetAPen(screen, static_cast<uint8_t>(backPen));
  RectFill(screen, box->x, static_cast<uint16_t>(row), static_cast<uint16_t>(box->x + box->visibleWidth - 1),
           static_cast<uint16_t>(row + height));
  TextFont* const previousFont = screen->Font;
  const uint16_t previousHeight = screen->TxHeight;
  const uint16_t previousBaseline = screen->TxBaseline;
  SetFont(screen, box->font);
  SetAPen(screen, static_cast<uint8_t>(textPen));
  int32_t length = 0;
  const char* text = ListLine(box, line, &length);
  DrawClippedText(screen, box->x, row + box->font->Baseline, text, length, box->x,
                  box->x + box->visibleWidth);
  screen->Font = previousFont;
  screen->TxHeight = previousHeight;
  screen->TxBaseline = previousBaseline;
}

// The line's screen row when the whole line lies inside the window.
bool LineRowInWindow(const RequesterBox* box, uint16_t offset, uint16_t line, int32_t* row) {
  const int32_t r = box->y + line * RequesterLineHeight(box) - offset;
  const int32_t height = box->font ? box->font->YSize : 0;
  *row = r;
  return box->y <= r && r + 1 + height <= box->y + box->visibleHeight;
}

}  // namespace

uint16_t RequesterLineHeight(const RequesterBox* box) {
  return static_cast<uint16_t>((box && box->font ? box->font->YSize : 0) + 1);
}

RequesterBox* InitRequesterBox_Init(uint16_t width, uint16_t lineCount, TextFont* font, const char* lines,
                                    uint16_t x, uint16_t y, uint16_t visibleWidth, uint16_t visibleHeight,
                                    uint16_t backPen, uint16_t textPen) {
  auto* box = static_cast<RequesterBox*>(AllocVec(sizeof(RequesterBox), MEMF_PUBLIC | MEMF_CLEAR));
  if (!box) {
    std::printf("InitRequesterBox_Init : Konnte Speicher f" "\xc3\xbc" "r Struktur nicht allokieren 001 \n");
    return nullptr;
  }
  box->rastPort = static_cast<RastPort*>(AllocVec(sizeof(RastPort), MEMF_PUBLIC | MEMF_CLEAR));
  if (!box->rastPort) {
    std::printf("InitRequesterBox_Init : Konnte Speicher f" "\xc3\xbc" "r RastPort nicht allokieren 001 \n");
    FreeVec(box);
    return nullptr;
  }
  if (!font || !lines) {  // nothing to show: no box, and nothing to say
    FreeVec(box->rastPort);
    FreeVec(box);
    return nullptr;
  }
  box->width = width;
  box->lineCount = lineCount;
  box->font = font;
  box->text = lines;
  box->x = x;
  box->y = y;
  box->visibleWidth = visibleWidth;
  box->visibleHeight = visibleHeight;
  box->contentHeight = static_cast<uint16_t>(lineCount * RequesterLineHeight(box));
  box->textPen = box->lineTextPen = textPen;
  box->backPen = box->lineBackPen = backPen;
  box->selected = -1;
  return box;
}

bool InitRequesterBox_Alloc(RequesterBox* box) {
  if (!box || !box->rastPort) return false;
  const uint32_t rows = ContentRows(box);
  box->bitmap = AllocBitMap(box->width, rows, 8, 5);
  if (!box->bitmap) {
    if (box->contentHeight > box->visibleHeight) {
      std::printf("InitRequesterBox_Alloc: Konnte Speicher nicht allokieren 003 \n");
    } else {
      std::printf("InitRequesterBox_Alloc: Konnte Speicher nicht allokieren 002 \n");
    }
    return false;
  }
  InitRastPort(box->rastPort);
  box->rastPort->BitMap = box->bitmap;
  return true;
}

void DrawRequesterLines(RequesterBox* box) {
  if (!box || !box->rastPort || !box->bitmap) return;
  RastPort* rp = box->rastPort;
  SetFont(rp, box->font);
  SetDrMd(rp, JAM1);
  const uint32_t rows = ContentRows(box);
  if (box->width > 0 && rows > 0) {
    SetAPen(rp, static_cast<uint8_t>(box->lineBackPen));
    RectFill(rp, 0, 0, static_cast<uint16_t>(box->width - 1), static_cast<uint16_t>(rows - 1));
  }
  if (!box->font || !box->text) return;
  SetAPen(rp, static_cast<uint8_t>(box->textPen));
  const uint16_t lineHeight = RequesterLineHeight(box);
  for (uint32_t i = 0; i < box->lineCount; ++i) {
    int32_t length = 0;
    const char* line = ListLine(box, i, &length);
    DrawClippedText(rp, 0, static_cast<int32_t>(i * lineHeight + box->font->Baseline), line, length, 0,
                    box->width);
  }
}

void ShowRequesterBox(RequesterBox* box) {
  if (!box) return;
  std::printf("LOL");
  BltBitMap(box->bitmap, 0, 0, ScreenBm(), box->x, box->y, box->visibleWidth, box->visibleHeight);
  std::printf("OLOL");
  // Empty content counts as fitting (no division by zero).
  if (box->contentHeight > 0 && box->visibleHeight <= box->contentHeight) {
    box->knobSize = static_cast<uint16_t>(box->visibleHeight * 100u / box->contentHeight);
  } else {
    box->knobSize = 100;
  }
}

RequesterBox* InitRequesterBox(uint16_t width, uint16_t lineCount, TextFont* font, const char* lines, uint16_t x,
                               uint16_t y, uint16_t visibleWidth, uint16_t visibleHeight, uint16_t backPen,
                               uint16_t textPen) {
  RequesterBox* box =
      InitRequesterBox_Init(width, lineCount, font, lines, x, y, visibleWidth, visibleHeight, backPen, textPen);
  if (!box) {
    // Without a font or lines the record was given back on purpose.
    if (font && lines) std::printf("InitRequesterBox: Konnte Speicher f" "\xc3\xbc" "r Struktur nicht allokieren\n");
    return nullptr;
  }
  if (!InitRequesterBox_Alloc(box)) {
    std::printf("InitRequesterBox: Konnte Speicher f" "\xc3\xbc" "r Bitmap nicht allokieren\n");
    FreeRequesterBox(box);
    return nullptr;
  }
  DrawRequesterLines(box);
  ShowRequesterBox(box);
  return box;
}

void FreeRequesterBox(RequesterBox* box) {
  if (!box) return;
  FreeBitMap(box->bitmap);
  FreeBitMap(box->knobBitMap);  // its pixels are an AllocVec block, freed with it
  FreeRastPort(box->knobRastPort);
  FreeRastPort(box->rastPort);
  FreeVec(box);
}

// ---- the scroller ----------------------------------------------------------------

namespace {

// Knob height in pixels.
int32_t KnobPixels(const RequesterBox* box) { return box->barHeight * box->knobSize / 100; }

// The bar on the screen with the knob from row top: track above and from
// bottom on, then the knob bitmap's top k + 1 rows (knob and one track row),
// cut at the end of the bar.
void RedrawKnob(RequesterBox* box, int32_t top, int32_t bottom) {
  RastPort* screen = ScreenRp();
  if (!screen || !box->knobBitMap || box->barWidth == 0) return;
  const int32_t barEnd = box->barY + box->barHeight - 1;
  const uint16_t right = static_cast<uint16_t>(box->barX + box->barWidth - 1);
  const uint16_t previousPen = screen->FgPen;
  SetAPen(screen, static_cast<uint8_t>(box->trackPen));
  RectFill(screen, box->barX, box->barY, right, static_cast<uint16_t>(top));
  if (bottom <= barEnd) RectFill(screen, box->barX, static_cast<uint16_t>(bottom), right, static_cast<uint16_t>(barEnd));
  screen->FgPen = previousPen;
  const int32_t rows = std::min<int32_t>(KnobPixels(box) + 1, barEnd + 1 - top);
  if (rows > 0)
    BltBitMap(box->knobBitMap, 0, 0, ScreenBm(), box->barX, static_cast<uint16_t>(top), box->barWidth,
              static_cast<uint16_t>(rows));
}

}  // namespace

void CreateScroller(RequesterBox* box, uint16_t barWidth, uint16_t barHeight, uint16_t knobPen, uint16_t trackPen,
                    uint16_t lightPen, uint16_t darkPen, uint16_t barX, uint16_t barY) {
  if (!box) return;
  box->barX = barX;
  box->barY = barY;
  box->barWidth = barWidth;
  box->barHeight = barHeight;
  box->knobPen = knobPen;
  box->trackPen = trackPen;
  box->lightPen = lightPen;
  box->darkPen = darkPen;
  box->knobPos = 0;
  if (barWidth == 0 || barHeight == 0) return;

  // Without the knob bitmap the scroller still works, it is only not drawn.
  auto* knob = static_cast<BitMap*>(AllocVec(sizeof(BitMap), MEMF_PUBLIC | MEMF_CLEAR));
  auto* port = static_cast<RastPort*>(AllocVec(sizeof(RastPort), MEMF_PUBLIC | MEMF_CLEAR));
  uint8_t* pixels = static_cast<uint8_t*>(AllocVec(uint32_t{barWidth} * barHeight, MEMF_PUBLIC | MEMF_CLEAR));
  if (!knob || !port || !pixels) {
    FreeVec(pixels);
    FreeVec(port);
    FreeVec(knob);
    return;
  }
  knob->BytesPerRow = barWidth;
  knob->Rows = barHeight;
  knob->Depth = 8;
  knob->Pixels = pixels;
  InitRastPort(port);
  port->BitMap = knob;
  box->knobBitMap = knob;
  box->knobRastPort = port;

  const auto knobHeight = static_cast<uint16_t>(std::max<int32_t>(KnobPixels(box), 1));
  const auto right = static_cast<uint16_t>(barWidth - 1);
  const auto foot = static_cast<uint16_t>(knobHeight - 1);
  SetAPen(port, static_cast<uint8_t>(trackPen));
  RectFill(port, 0, 0, right, static_cast<uint16_t>(barHeight - 1));
  SetAPen(port, static_cast<uint8_t>(lightPen));
  Move(port, 0, foot);
  Draw(port, 0, 0);
  Draw(port, right, 0);
  SetAPen(port, static_cast<uint8_t>(darkPen));
  Draw(port, right, foot);
  Draw(port, 0, foot);
  if (barWidth > 2 && knobHeight > 2) {
    SetAPen(port, static_cast<uint8_t>(knobPen));
    RectFill(port, 1, 1, static_cast<uint16_t>(barWidth - 2), static_cast<uint16_t>(knobHeight - 2));
  }
  BltBitMap(knob, 0, 0, ScreenBm(), barX, barY, barWidth, barHeight);
}

uint16_t MoveScrollerKnob(RequesterBox* box, uint16_t code) {
  if (!box) return 0;
  if (box->knobSize >= 100 || box->barHeight == 0) return box->knobPos;
  const int32_t barY = box->barY;
  const int32_t barHeight = box->barHeight;
  const int32_t k = KnobPixels(box);
  const int32_t h = barHeight * box->knobSize / 200;
  int32_t top = 0;
  int32_t bottom = 0;

  if (!(code & 0x8000)) {
    // The knob centred on the pointer, kept inside the bar.
    int32_t y = code;
    top = y - h;
    bottom = y + h;
    if (top < barY) {
      top = barY;
      bottom = barY + k;
      y = barY + h;
    }
    if (bottom > barY + barHeight - 1) {
      top = barY + barHeight - k;
      bottom = barY + barHeight - 1;
      y = barY + barHeight - k / 2;
    }
    if (box->knobRastPort) RedrawKnob(box, top, bottom);
    const int32_t span = (barY + barHeight - k / 2) - (barY + k / 2);
    const int32_t pos = span > 0 ? ((y - (barY + k / 2)) * 10000 / span) / 100 : 0;
    box->knobPos = static_cast<uint16_t>(std::clamp<int32_t>(pos, 0, 100));
    return box->knobPos;
  }

  const int32_t step = code & 0x7F;
  const int32_t pos = box->knobPos;
  if (code & 0x80) {
    if (pos - step <= 0) {
      box->knobPos = 0;
    } else {
      box->knobPos = static_cast<uint16_t>(pos - step);
    }
  } else if (pos + step < 100) {
    box->knobPos = static_cast<uint16_t>(pos + step);
  } else {
    box->knobPos = 100;
  }
  top = barY + (barHeight - k) * box->knobPos / 100;
  bottom = std::min(top + k, barY + barHeight - 1);
  if (box->knobRastPort) RedrawKnob(box, top, bottom);
  return box->knobPos;
}

bool ScrollRequesterBox(RequesterBox* box) {
  if (!box) return false;
  bool scrolls = false;
  if (box->visibleHeight < box->contentHeight) {
    scrolls = true;
    const uint32_t maxScroll = box->contentHeight - box->visibleHeight;
    const auto band = static_cast<uint16_t>(maxScroll * box->knobPos / 100);
    if (band != box->scrollOffset) {
      box->scrollOffset = band;
      box->topLine = static_cast<uint16_t>(band / RequesterLineHeight(box));
      BltBitMap(box->bitmap, 0, band, ScreenBm(), box->x, box->y, box->visibleWidth, box->visibleHeight);
    }
  }
  // The copy has wiped the highlight.
  box->selected = -1;
  return scrolls;
}

// ---- list lines ------------------------------------------------------------------

uint16_t DrawLineHighlighted(RequesterBox* box, uint16_t backPen, uint16_t textPen, uint16_t offset, uint16_t line) {
  if (!box || line >= box->lineCount) return kNoLine;
  int32_t row = 0;
  if (!LineRowInWindow(box, offset, line, &row)) return kNoLine;
  DrawScreenLine(box, row, backPen, textPen, line);
  return line;
}

void DrawLineNormal(RequesterBox* box, uint16_t offset) {
  if (!box || box->selected < 0 || box->selected >= box->lineCount) return;
  const auto line = static_cast<uint16_t>(box->selected);
  int32_t row = 0;
  if (!LineRowInWindow(box, offset, line, &row)) return;
  DrawScreenLine(box, row, box->lineBackPen, box->lineTextPen, line);
}

uint16_t SelectRequesterLine(RequesterBox* box, uint16_t pointerY, uint16_t highBackPen, uint16_t highTextPen) {
  if (!box) return kNoLine;
  const int32_t fromTop = pointerY - box->y;
  if (fromTop >= box->contentHeight) return kNoLine;
  if (RastPort* screen = ScreenRp()) SetDrMd(screen, JAM1);
  // A list that fits its window has no offset (the difference would be
  // negative).
  const int32_t spare = std::max<int32_t>(box->contentHeight - box->visibleHeight, 0);
  const auto offset = static_cast<uint16_t>(spare * box->knobPos / 100);
  const int32_t position = pointerY + offset - box->y;
  if (position < 0) return kNoLine;  // above the window
  const int32_t line = position / RequesterLineHeight(box);
  if (line < box->lineCount && line != box->selected) {
    DrawLineNormal(box, offset);
    box->selected = static_cast<int16_t>(line);
    return DrawLineHighlighted(box, highBackPen, highTextPen, offset, static_cast<uint16_t>(line));
  }
  return line == box->selected ? static_cast<uint16_t>(line) : kNoLine;
}

}  // namespace vsk
