// Test data of the picture bank: a path list built entry by entry (so a test
// can give an entry any size, name or count), the picture and palette files
// it names, and a screen fixture that starts without a Screen (the bank
// makes it) and plays the OpenGL presenter for the fades.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "core/context.h"
#include "core/dd_objects.h"
#include "gfx/screen_update.h"
#include "pictures/bank.h"
#include "pictures/fade.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "support/bytes.h"
#include "support/gamedir.h"
#include "support/screen_fixture.h"

namespace vsk::test {

struct PathEntryData {
  uint32_t width;
  uint32_t height;
  std::string picture;  // stored name, e.g. "VSK:pics/title.ilbm"
  std::string palette;
  uint32_t dataSize = 0;  // 0: width x height
  uint32_t paletteField = 3072;
  uint32_t ident = 0x11;
  uint32_t depth = 8;
  uint32_t flags = 5;
};

// The bytes of a path list: header, count (-1: the number of entries),
// 36-byte entries, then the names.
inline std::vector<uint8_t> PathList(const std::vector<PathEntryData>& entries, int64_t count = -1) {
  Bytes file;
  file.zeros(32).be32(static_cast<uint32_t>(count < 0 ? static_cast<int64_t>(entries.size()) : count));
  const uint32_t names = 4 + 36 * static_cast<uint32_t>(entries.size());  // from offset 32
  Bytes strings;
  for (const PathEntryData& e : entries) {
    const uint32_t pictureAt = names + static_cast<uint32_t>(strings.size());
    strings.text(e.picture).u8(0);
    const uint32_t paletteAt = names + static_cast<uint32_t>(strings.size());
    strings.text(e.palette).u8(0);
    file.be32(e.ident).be32(e.width).be32(e.height).be32(e.depth).be32(e.flags).be32(pictureAt)
        .be32(e.dataSize ? e.dataSize : e.width * e.height).be32(paletteAt).be32(e.paletteField);
  }
  return file.append(strings).data;
}

// width x height pixels, value (x + 3y + add) % 251 + 1: never 0, different
// neighbours, so every misplaced byte shows.
inline std::vector<uint8_t> Pattern(uint32_t width, uint32_t height, uint8_t add = 0) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>((x + 3 * y + add) % 251 + 1);
  return pixels;
}

// 256 colours, colour i = (i, 255 - i, i / 2).
inline std::vector<uint8_t> Colours() {
  std::vector<uint8_t> colours;
  for (int i = 0; i < 256; ++i)
    colours.insert(colours.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2)});
  return colours;
}

// The file the game derives from a stored name of the tests (lower case).
inline std::string FileOf(const std::string& stored, const char* extension) {
  return stored.substr(4, stored.size() - 8) + extension;
}

// Writes the list as "./data/path" (making data/ and pics/) and each entry's
// files: the pattern shifted by 10 x the entry's index, and the colours.
inline void WriteGame(const std::vector<PathEntryData>& entries) {
  MakeDir("data");
  MakeDir("pics");
  WriteBytes("data/path", PathList(entries));
  for (size_t i = 0; i < entries.size(); ++i) {
    WriteBytes(FileOf(entries[i].picture, "chk"),
               Pattern(entries[i].width, entries[i].height, static_cast<uint8_t>(10 * i)));
    if (!entries[i].palette.empty()) WriteBytes(FileOf(entries[i].palette, "cma"), Colours());
  }
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

// Resumes the fade thread over and over, as the OpenGL presenter does after
// each frame, while it lives.
class FadeDriver {
 public:
  FadeDriver() : thread_([this] {
      while (!stop_) {
        if (HANDLE fade = FadeThreadHandle.load()) ResumeThread(fade);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    }) {}
  ~FadeDriver() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

inline void WaitForFade() {
  if (HANDLE fade = FadeThreadHandle.load()) WaitForSingleObject(fade, 20000);
}

// A screen in the chosen mode, but without the Screen record: the bank makes
// it. Leaves the bank and cache empty and the fades ended.
class BankScreenTest : public ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    if (TheScreen) {
      FreeVec(TheScreen->BitMap->Pixels);
      FreeVec(TheScreen->BitMap);
      FreeVec(TheScreen);
      TheScreen = nullptr;
    }
    ResetBank();
    baseline_ = LiveAllocVecBlocks();
  }
  void TearDown() override {
    WaitForFade();
    ResetBank();
    FreeVec(TheScreen);
    TheScreen = nullptr;
    ScreenModeTest::TearDown();
  }

  FadeDriver fades_;
  int64_t baseline_ = 0;
};

}  // namespace vsk::test
