// The palette as the display shows it, in the mode PresenterChoice names:
// the DirectDraw palette object or the OpenGL presenter's colour table; and
// a colour's red, green and blue as one value, to compare in one assertion.
#pragma once

#include <windows.h>
#include <ddraw.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "gfx/bitmap.h"

namespace vsk::test {

using Rgb = std::array<int, 3>;

inline Rgb RgbOf(const ColorEntry& entry) { return {entry.red, entry.green, entry.blue}; }

inline ColorEntry DisplayColor(uint32_t n) {
  ColorEntry entry{};
  if (PresenterChoice == kPresenterDirectDraw)
    EXPECT_EQ(DDPalette->GetEntries(0, n, 1, reinterpret_cast<LPPALETTEENTRY>(&entry)), DD_OK);
  else
    entry = GLColors[n];
  return entry;
}

inline Rgb DisplayRgb(uint32_t n) { return RgbOf(DisplayColor(n)); }

}  // namespace vsk::test
