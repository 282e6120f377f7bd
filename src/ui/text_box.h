// The text box: one long text in a modal window with a title, a word-wrapped
// scrollable text area, arrow buttons with auto-repeat on timer ticks, a
// scroll bar and a close button. Returns when the user closes it; the
// screen under it is put back as it was.
#pragma once

#include <cstdint>

#include "gfx/bitmap.h"
#include "gfx/font.h"
#include "ui/requester_box.h"

namespace vsk {

constexpr uint16_t kNoLimit = 0xFFFF;

// Word wrap: the number of lines the text takes at maxWidth pixels (and at
// most maxChars characters a line, maxLines lines; kNoLimit for none).
// DrawWrappedText draws them too, line n's baseline at top + (n - 1) x
// lineHeight + baseline. Lines and words of any length are handled.
uint16_t CountTextLines(RastPort* rastPort, const char* text, uint16_t left, uint16_t top, uint16_t maxChars,
                        uint16_t maxLines, uint16_t maxWidth);
uint16_t DrawWrappedText(RastPort* rastPort, const char* text, uint16_t left, uint16_t top, uint16_t maxChars,
                         uint16_t maxLines, uint16_t maxWidth);

// The text area of a text box, shown on the screen, or null (logged).
RequesterBox* InitRequesterTextBox(uint16_t width, TextFont* font, const char* text, uint16_t x, uint16_t y,
                                   uint16_t visibleWidth, uint16_t visibleHeight, uint16_t backPen,
                                   uint16_t textPen);
RequesterBox* InitRequesterTextBox_Init(uint16_t width, TextFont* font, const char* text, uint16_t x, uint16_t y,
                                        uint16_t visibleWidth, uint16_t visibleHeight, uint16_t backPen,
                                        uint16_t textPen);
bool InitRequesterTextBox_Bitmap(RequesterBox* box);
void ShowRequesterTextBox(RequesterBox* box);

// 1 after the user closed the box, 0 when it could not be set up (logged).
int32_t TextBox(const char* text);

}  // namespace vsk
