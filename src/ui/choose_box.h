// The list requester: a picture with gadgets and a title, a scrollable list
// of lines and an info button that opens the text box. Modal; the screen
// under it is put back as it was.
#pragma once

#include <cstdint>

namespace vsk {

// fileName: the screen-data file with the gadgets (sections 1) and the
// title frame (section 9); lines: lineCount strings in 80-byte slots.
// Returns the chosen line, or -1 (none chosen, cancelled or failed).
int16_t ChooseBox(const char* fileName, uint16_t x, uint16_t y, uint16_t lineCount, const char* title,
                  const char* lines, const char* infoText);

}  // namespace vsk
