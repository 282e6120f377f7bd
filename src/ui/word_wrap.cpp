// Word wrap of the text box: the text is cut into lines no wider than
// maxWidth pixels, at spaces where it can and between characters where a
// word alone is too wide. The line is collected in a buffer that grows with
// it, so lines and words of any length are handled.
#include <cstdint>
#include <cstring>
#include <string>

#include "gfx/rastport.h"
#include "ui/clipped_text.h"
#include "ui/text_box.h"

namespace vsk {

namespace {

// Characters from pos up to the next space or line feed, or the end.
size_t WordLength(const char* text, size_t pos) {
  size_t end = pos;
  while (text[end] != '\0' && text[end] != ' ' && text[end] != '\n') ++end;
  return end - pos;
}

// The pixel width of length characters from text, measured only until it
// exceeds limit (a longer word is too wide either way, and a word of
// thousands of characters must not be measured over and over, nor wrap the
// 16-bit width of the text primitive).
uint32_t WordWidth(RastPort* rp, const char* text, size_t length, uint32_t limit) {
  uint32_t width = 0;
  for (size_t i = 0; i < length && width <= limit; ++i) width += CharWidth(rp, text[i]);
  return width;
}

uint16_t WrapText(RastPort* rp, const char* text, uint16_t left, uint16_t top, uint16_t maxChars,
                  uint16_t maxLines, uint16_t maxWidth, bool draw) {
  if (!text) text = "";
  const size_t n = std::strlen(text);
  const bool anyChars = maxChars == kNoLimit;
  const bool anyLines = maxLines == kNoLimit;
  const int32_t lineHeight = (rp && rp->Font ? rp->Font->YSize : 0) + 1;
  const int32_t baseline = rp && rp->Font ? rp->Font->Baseline : 0;

  std::string line;
  uint32_t lineNumber = 1;
  uint32_t lineWidth = 0;
  size_t wordLeft = 0;
  uint32_t wordWidth = 0;
  size_t pos = 0;
  while (pos <= n) {
    const char c = text[pos];
    const uint32_t cw = c ? CharWidth(rp, c) : 0;
    if (wordLeft > 0) {
      wordWidth = cw;
      --wordLeft;
    } else {
      wordLeft = WordLength(text, pos);
      wordWidth = WordWidth(rp, text + pos, wordLeft, maxWidth);
    }
    const bool breaking = c == '\n' || c == '\0';
    bool fits = lineWidth + cw <= maxWidth && lineWidth + wordWidth <= maxWidth &&
                (anyChars || line.size() + 1 <= maxChars) && !breaking;
    // An empty line always takes the next character: a character wider
    // than the whole line (or a limit of 0 characters) would otherwise end
    // one empty line after the other for ever.
    if (!fits && !breaking && c != ' ' && line.empty() && lineWidth == 0 &&
        (cw > maxWidth || (!anyChars && maxChars == 0)))
      fits = true;
    if (fits) {
      line.push_back(c);
      lineWidth += cw;
      ++pos;
      continue;
    }
    if (c == ' ') {  // a space at a break disappears
      ++pos;
      continue;
    }
    if (draw && rp) {
      const int32_t y = top + static_cast<int32_t>(lineNumber - 1) * lineHeight + baseline;
      DrawClippedText(rp, left, y, line.data(), static_cast<int32_t>(line.size()), 0, INT32_MAX);
    }
    line.clear();
    lineWidth = 0;
    ++lineNumber;
    // The count is 16 bits: a text of more lines ends there.
    if (c == '\0' || (!anyLines && lineNumber > maxLines) || lineNumber > 0xFFFF) break;
    if (c == '\n') ++pos;
  }
  return static_cast<uint16_t>(lineNumber - 1);
}

}  // namespace

uint16_t CountTextLines(RastPort* rastPort, const char* text, uint16_t left, uint16_t top, uint16_t maxChars,
                        uint16_t maxLines, uint16_t maxWidth) {
  return WrapText(rastPort, text, left, top, maxChars, maxLines, maxWidth, false);
}

uint16_t DrawWrappedText(RastPort* rastPort, const char* text, uint16_t left, uint16_t top, uint16_t maxChars,
                         uint16_t maxLines, uint16_t maxWidth) {
  return WrapText(rastPort, text, left, top, maxChars, maxLines, maxWidth, true);
}

}  // namespace vsk
