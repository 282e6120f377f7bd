// What the UI tests share: their headers, and the block font of the
// requester tests: fixed width, every letter and digit a 4 x 4 block in a
// 5-pixel cell, the space empty; baseline row 3, so a line is 5 rows high.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/presenter_state.h"
#include "gfx/font.h"
#include "gfx/rastport.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "support/font_builder.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "support/modal_box.h"
#include "support/screen_fixture.h"
#include "vsk-data/demo.h"

namespace vsk::test {

constexpr int kCell = 5;        // advance of every character
constexpr int kLineHeight = 5;  // font height 4 + 1

inline TextFont* OpenBlockFont() {
  FontBuilder font(' ', 'z', 4, 3);
  const std::vector<std::string> block = {"####.", "####.", "####.", "####."};
  for (int c = '0'; c <= 'z'; ++c) font.Glyph(static_cast<uint8_t>(c), block, kCell);
  font.Glyph(' ', {".....", ".....", ".....", "....."}, kCell);
  WriteBytes("block.fnt", font.Build().data);
  return OpenDiskFont("block.fnt");
}

}  // namespace vsk::test
