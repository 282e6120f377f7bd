// What the picture and gfx tests share: headers, path lists and their files, what the display shows.
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "core/context.h"
#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "gfx/font.h"
#include "gfx/screen_update.h"
#include "pictures/bank.h"
#include "pictures/screen_clip.h"
#include "platform/testing.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "support/bytes.h"
#include "support/font_builder.h"
#include "support/log.h"
#include "support/screen_fixture.h"

namespace vsk::test {

using namespace std::chrono_literals;
using Pixels = std::vector<uint8_t>;

struct PathEntryData {
  uint32_t width;
  uint32_t height;
  std::string picture;  // stored name, e.g. "VSK:pics/title.ilbm"
  std::string palette;
  uint32_t dataSize = 0;  // 0: width x height
};

// The bytes of a path list: header, count, entries, then the names.
inline Bytes PathList(const std::vector<PathEntryData>& entries, int64_t count = -1) {
  Bytes file, names;
  file.zeros(32).be32(count < 0 ? static_cast<uint32_t>(entries.size()) : static_cast<uint32_t>(count));
  const uint32_t at = 4 + 36 * static_cast<uint32_t>(entries.size());  // of the names, from offset 32
  for (const PathEntryData& e : entries) {
    file.be32(0x11).be32(e.width).be32(e.height).be32(8).be32(5).be32(at + static_cast<uint32_t>(names.size()));
    names.text(e.picture).u8(0);
    file.be32(e.dataSize ? e.dataSize : e.width * e.height).be32(at + static_cast<uint32_t>(names.size()));
    names.text(e.palette).u8(0);
    file.be32(3072);
  }
  return file.append(names);
}

// width x height pixels, value (x + 3y + add) % 251 + 1: never 0, different
// neighbours, so every misplaced byte shows.
inline std::vector<uint8_t> Pattern(uint32_t width, uint32_t height, uint8_t add = 0) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<uint8_t>((i % width + 3 * (i / width) + add) % 251 + 1);
  return pixels;
}

// Writes an entry's files under their derived names (lower case, without
// "VSK:" and ".ilbm"): the pixels, and colour i = (i, 255 - i, i / 2).
inline void WritePicture(const PathEntryData& e, const std::vector<uint8_t>& pixels) {
  auto derived = [](std::string name, const char* extension) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name.substr(4, name.size() - 8) + extension;
  };
  WriteBytes(derived(e.picture, "chk"), pixels);
  std::vector<uint8_t> colours;
  for (int i = 0; i < 256; ++i) colours.insert(colours.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
  if (!e.palette.empty()) WriteBytes(derived(e.palette, "cma"), colours);
}

// What the display shows at each point, or in a w x h rectangle row after
// row (the DirectDraw display: what was updated).
inline std::vector<uint8_t> Shown(std::initializer_list<std::pair<int, int>> points) {
  std::vector<uint8_t> pixels;
  for (const auto& [x, y] : points) pixels.push_back(DisplayPixel(x, y));
  return pixels;
}
inline std::vector<uint8_t> OnScreen(std::initializer_list<std::pair<int, int>> points) {  // the screen bitmap's
  std::vector<uint8_t> pixels;
  for (const auto& [x, y] : points) pixels.push_back(ScreenPixel(x, y));
  return pixels;
}
inline std::vector<uint8_t> Shown(int x, int y, int w, int h) {
  std::vector<uint8_t> pixels;
  for (int i = 0; i < w * h; ++i) pixels.push_back(DisplayPixel(x + i % w, y + i / w));
  return pixels;
}

// The update rectangles posted since the last look (OpenGL mode).
inline void ExpectUpdates(const std::vector<UpdateRect>& rects) {
  if (PresenterChoice != kPresenterDirectDraw) {
    EXPECT_EQ(TakeUpdates(), rects);
  }
}

inline std::vector<int> Rgb(const ColorEntry& c) { return {c.red, c.green, c.blue}; }

// The palette the display shows: DDPalette's, or GLColors.
inline std::array<ColorEntry, 256> DisplayPalette() {
  std::array<ColorEntry, 256> shown;
  std::copy(std::begin(GLColors), std::end(GLColors), shown.begin());
  if (PresenterChoice == kPresenterDirectDraw) {
    EXPECT_EQ(DDPalette->GetEntries(0, 0, 256, reinterpret_cast<LPPALETTEENTRY>(shown.data())), DD_OK);
  }
  return shown;
}

// For death tests: the log (standard output) goes to standard error, where the test reads it.
inline void LogOnStderr() {
  std::fflush(stdout);
  dup2(STDERR_FILENO, STDOUT_FILENO);
}

// Empties the bank, the cache and the path lists of the set-up.
inline void ResetBank() {
  for (uint32_t id = 1; id <= kPictureSlots; ++id) ReleaseGfx(id);
  for (uint32_t i = 0; i < kPictureSlots; ++i) {
    FreeVec(PictureCache[i]);
    PictureCache[i] = nullptr;
    PictureCacheSize[i] = 0;
  }
  System.picturePathList = nullptr;
  System.picturePathListSize = 0;
  System.pathListsPresent = 0;
}

}  // namespace vsk::test
