// The picture bank: loading pictures and graphics through the path list,
// the data errors that end the process, the graphics cache, and releasing.
#include "pictures/bank.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "pictures/bank_files.h"
#include "support/display_colors.h"
#include "support/log.h"

namespace vsk {
namespace {

using test::LogCapture;
using test::PathEntryData;
using test::Pattern;
using test::Rgb;
using test::RgbOf;

const PathEntryData kTitle{32, 16, "VSK:pics/title.ilbm", "VSK:pics/title.cmap"};
const PathEntryData kButton{20, 10, "VSK:pics/button.ilbm", "", 0, 0};

class BankTest : public test::BankScreenTest {};

TEST_P(BankTest, OpenKadunPicMakesThePictureTheScreen) {
  test::WriteGame({kTitle, kButton});
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  BitMap* picture = PictureOf(1);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ((std::vector<uint32_t>{picture->BytesPerRow, picture->Rows, picture->Ident, picture->Depth,
                                   picture->Flags, picture->PixelSize, picture->PaletteSize}),
            (std::vector<uint32_t>{32, 16, 0x11, 8, 5, 32 * 16, 768}));
  ASSERT_NE(TheScreen, nullptr);
  EXPECT_EQ(TheScreen->BitMap, picture);
  EXPECT_EQ(TheScreen->RastPort.BitMap, picture);
  EXPECT_EQ(TheScreen->Colors, ScreenColors);
  EXPECT_EQ(picture->Surface, DirectDraw() ? OffscreenSurface : nullptr);

  // The pixels as stored, on the screen (through the surface in DirectDraw mode).
  const std::vector<uint8_t> pixels = Pattern(32, 16);
  EXPECT_EQ(test::BitmapPixels(picture), pixels);
  EXPECT_EQ(std::memcmp(picture->Pixels, pixels.data(), pixels.size()), 0);
  if (DirectDraw()) {
    EXPECT_EQ(test::DisplayPixel(31, 15), pixels[15 * 32 + 31]);
  } else {
    EXPECT_EQ(test::TakeUpdates(), std::vector<test::UpdateRect>{}) << "the presenter reads the picture itself";
  }
  EXPECT_EQ(RgbOf(ScreenColors[0]).at(1), 255);
  EXPECT_EQ(RgbOf(ScreenColors[200]), (Rgb{200, 55, 100}));

  // Opening it again reads no file but copies the palette again.
  std::remove("pics/title.chk");
  std::remove("pics/title.cma");
  ScreenColors[7] = {1, 2, 3, 9};
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  EXPECT_EQ(PictureOf(1), picture);
  EXPECT_EQ(RgbOf(ScreenColors[7]), (Rgb{7, 248, 3}));
  EXPECT_EQ(ScreenColors[7].flags, 9) << "flags bytes are never written";
}

TEST_P(BankTest, FadeInRunsUnlessSwitchedOffAndCloseFadesOutAndReleases) {
  // Told by what the display shows, not by thread handles: a closed
  // thread's handle value may come back for the next one.
  test::WriteGame({kTitle});
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  if (HANDLE fade = FadeThreadHandle.load()) {
    EXPECT_EQ(WaitForSingleObject(fade, 0), WAIT_OBJECT_0) << "no fade runs";
  }
  EXPECT_EQ(test::DisplayColor(200).red, 0) << "without a fade the display keeps its colours";

  ASSERT_EQ(OpenKadunPic("./data/path", 1, 0), 1);
  test::WaitForFade();
  EXPECT_EQ(test::DisplayRgb(200), (Rgb{200, 55, 100})) << "the fade-in brought the picture's colours up";
  // Closing without cache fades out and releases the picture and the screen.
  EXPECT_EQ(CloseKadunPic(1, 0), 0);
  EXPECT_EQ(test::DisplayRgb(200), (Rgb{0, 0, 0})) << "the close faded the display out";
  for (const ColorEntry& c : ScreenColors) EXPECT_EQ(RgbOf(c), (Rgb{0, 0, 0}));
  EXPECT_EQ(PictureOf(1), nullptr);
  EXPECT_EQ(TheScreen, nullptr);
  EXPECT_EQ(PictureCache[0], nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
  LogCapture log;
  EXPECT_EQ(CloseKadunPic(1, 0), -1);
  EXPECT_EQ(log.Take(), "CloseKadunPic:Das Pic mit der ID:<1> wurde schon freigegeben.\n");
}

TEST_P(BankTest, CloseWithCacheKeepsACopyAndTheScreen) {
  test::WriteGame({kTitle});
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  Screen* screen = TheScreen;
  EXPECT_EQ(CloseKadunPic(1, 1), 0);
  EXPECT_EQ(TheScreen, screen);
  EXPECT_EQ(TheScreen->BitMap, nullptr) << "the released picture is not shown any more";
  EXPECT_EQ(TheScreen->RastPort.BitMap, nullptr);
  ASSERT_NE(PictureCache[0], nullptr);
  EXPECT_EQ(std::memcmp(PictureCache[0], Pattern(32, 16).data(), 32 * 16), 0);

  // From the game's own list the pixels come from the cache; the file must
  // still be there.
  test::WriteBytes("pics/title.chk", Pattern(32, 16, 99));
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  EXPECT_EQ(PictureOf(1)->Pixels[0], Pattern(32, 16)[0]);
  uint8_t* cached = PictureCache[0];
  EXPECT_EQ(CloseKadunPic(1, 1), 0);
  EXPECT_EQ(PictureCache[0], cached) << "one copy per id";

  // Any other list name reads the file.
  test::WriteBytes("data/other", test::PathList({kTitle}));
  ASSERT_EQ(OpenKadunPic("data/other", 1, 1), 1);
  EXPECT_EQ(PictureOf(1)->Pixels[0], Pattern(32, 16, 99)[0]);

  FailAllocVecAt(1);
  LogCapture log;
  EXPECT_EQ(Copy2GfxCache(PictureOf(1), 2), 1);
  EXPECT_EQ(log.Take(), "AllocVec: 000 Copy2GfxCache: Konnte Speicher f\xfcr Buffer nicht allokieren\n");
  EXPECT_EQ(PictureCache[1], nullptr) << "a failed copy leaves the slot empty";
}

TEST_P(BankTest, PreloadedListIsUsedForTheGamesOwnListOnly) {
  const std::vector<uint8_t> list = test::PathList({kTitle, kButton});
  test::WriteGame({kTitle, kButton});
  std::remove("data/path");
  System.picturePathList = const_cast<uint8_t*>(list.data());
  System.picturePathListSize = static_cast<uint32_t>(list.size());
  System.pathListsPresent = 1;
  EXPECT_EQ(OpenKadunGfx("./data/path", 2), 1);
  EXPECT_EQ(PictureOf(2)->BytesPerRow, 20u);

  System.pathListsPresent = 0;  // the sound list is missing: the file is asked for
  LogCapture log;
  EXPECT_EQ(OpenKadunPic("./data/path", 1, 1), 0);
  EXPECT_EQ(OpenKadunGfx("./data/path", 1), 0);
  EXPECT_EQ(log.Take(), "OpenKadunPic: Konnte File ./data/path nicht \xf6" "ffnen"
                        "OpenKadunGFX: Fehler mit PATH File!\n");
}

TEST_P(BankTest, ShortFilesLeaveTheMissingBytesZeroAndNamesAreLowered) {
  // The entry asks for more data than width x height and a palette file of
  // 10 bytes stands for 768; the stored names are in upper case.
  test::WriteGame({});
  test::WriteBytes("data/path", test::PathList({{4, 2, "DH0:Pics/Small.ILBM", "DH0:Pics/Small.CMAP", 12}}));
  test::WriteBytes("pics/small.chk", {1, 2, 3, 4, 5});
  test::WriteBytes("pics/small.cma", {9, 8, 7, 6, 5, 4, 3, 2, 1, 1});
  ScreenColors[100] = {50, 50, 50, 0};
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  EXPECT_EQ(std::vector<uint8_t>(PictureOf(1)->Pixels, PictureOf(1)->Pixels + 12),
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(PictureOf(1)->PixelSize, 12u);
  EXPECT_EQ(RgbOf(ScreenColors[3]), (Rgb{1, 0, 0}));
  EXPECT_EQ(ScreenColors[100].red, 0);
  // As a graphic it needs no palette file and keeps no palette.
  EXPECT_EQ(CloseKadunPic(1, 0), 0);
  std::remove("pics/small.cma");
  ASSERT_EQ(OpenKadunGfx("./data/path", 1), 1);
  EXPECT_EQ(PictureOf(1)->Palette, nullptr);
  EXPECT_EQ(PictureOf(1)->PaletteSize, 768u);
}

TEST_P(BankTest, OpenKadunGfxFailuresLeaveTheSlotEmpty) {
  test::WriteGame({kTitle, kButton});
  test::WriteBytes("data/short", test::PathList({kTitle, {2, 2, "pic.ilb", ""}}));  // too short to lose 8 characters
  std::vector<uint8_t> cut = test::PathList({kTitle, kButton});
  cut.resize(36 + 36 + 20);  // the second entry runs off the end
  test::WriteBytes("data/cut", cut);
  test::WriteBytes("data/counted", test::PathList({kTitle}, 5));  // count beyond the entries
  // A count of 1 over three entries: index 1, equal to the count, is the
  // last picture of the list; index 2 is past it.
  test::WriteBytes("data/lastindex", test::PathList({kTitle, kButton, kButton}, 1));
  std::remove("pics/button.chk");

  const struct {
    const char* list;
    uint32_t id;
    const char* message;
  } cases[] = {
      {"./data/path", 0, "OpenKadunGfx:000"},   {"./data/path", 1096, "OpenKadunGfx:000"},
      {"data/lastindex", 3, "OpenKadunGfx:000"}, {"data/short", 2, "OpenKadunGfx:000"},
      {"data/cut", 2, "OpenKadunGfx:000"},       {"data/counted", 2, "OpenKadunGfx:000"},
      {"./data/path", 2, "OpenKadunGfx: Konnte Grafik pics/button.chk nicht oeffnen.\n"},
      {"data/none", 1, "OpenKadunGFX: Fehler mit PATH File!\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.list) + " " + std::to_string(c.id));
    LogCapture log;
    EXPECT_EQ(OpenKadunGfx(c.list, c.id), 0);
    EXPECT_EQ(log.Take(), c.message);
    EXPECT_EQ(PictureOf(c.id), nullptr);
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
  }
  EXPECT_EQ(OpenKadunGfx("data/counted", 1), 1) << "entries inside the list still load";
  test::WriteBytes("pics/button.chk", Pattern(20, 10));
  EXPECT_EQ(OpenKadunGfx("data/lastindex", 2), 1) << "the index equal to the count";
}

TEST_P(BankTest, AllocationFailuresLeakNothing) {
  test::WriteGame({kTitle, kButton});
  // OpenKadunPic makes up to six blocks, OpenKadunGfx four.
  for (const uint32_t id : {1u, 2u}) {
    for (uint32_t n = 1; n <= (id == 1 ? 6u : 4u); ++n) {
      SCOPED_TRACE(std::to_string(id) + " failing " + std::to_string(n));
      FailAllocVecAt(n);
      LogCapture log;
      const int32_t result = id == 1 ? OpenKadunPic("./data/path", 1, 1) : OpenKadunGfx("./data/path", 2);
      FailAllocVecAt(0);
      EXPECT_EQ(PictureOf(id) != nullptr, result == 1);
      if (result == 0) {
        EXPECT_EQ(TheScreen, nullptr);
      }
      ReleaseGfx(id);
      FreeVec(TheScreen);
      TheScreen = nullptr;
      EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Presenters, BankTest, test::AllPresenters(), test::PresenterName);

// Data errors of OpenKadunPic end the process with exit code 1; the log
// (standard output) goes to standard error, where the death test reads it.
void OpenWithLogOnStderr(uint32_t id) {
  dup2(STDERR_FILENO, STDOUT_FILENO);
  OpenKadunPic("./data/path", id, 1);
}

class BankDeathTest : public test::GameDirTest {};

TEST_F(BankDeathTest, BadIdsAndMissingFilesEndTheProcess) {
  PresenterChoice = kPresenterOpenGL;
  test::ResetBank();
  test::WriteGame({kTitle});
  // Index 2 of a one-entry list (id 3) lies past the count.
  for (const uint32_t id : {0u, 1096u, 3u})
    EXPECT_EXIT(OpenWithLogOnStderr(id), ::testing::ExitedWithCode(1), "^OpenKadunPic:000$") << id;
  std::remove("pics/title.cma");
  EXPECT_EXIT(OpenWithLogOnStderr(1), ::testing::ExitedWithCode(1),
              "^OpenKadunPic:Konnte pics/title\\.cma nicht oeffnen\\.\n$");
  std::remove("pics/title.chk");
  EXPECT_EXIT(OpenWithLogOnStderr(1), ::testing::ExitedWithCode(1),
              "^OpenKadunPic:Konnte pics/title\\.chk nicht oeffnen\\.\n$");
}

TEST(DeriveFileName, DropsFourCharactersAtEachEndOfAtMost99AndLowersTheCase) {
  char name[kMaxStoredName + 1];
  ASSERT_TRUE(DeriveFileName("VSK:Pics/Title.pict", 19, "chk", name));
  EXPECT_STREQ(name, "pics/title.chk");
  EXPECT_FALSE(DeriveFileName("VSK:abc", 7, "chk", name)) << "too short to lose eight characters";
  ASSERT_TRUE(DeriveFileName("VSK:.pict", 8, "cma", name));
  EXPECT_STREQ(name, "cma");
  // Only the first 99 characters count: the last four of those are dropped.
  const std::string stored = "VSK:" + std::string(120, 'A');
  ASSERT_TRUE(DeriveFileName(stored.c_str(), static_cast<uint32_t>(stored.size()), "chk", name));
  EXPECT_EQ(std::string(name), std::string(91, 'a') + "chk");
}

}  // namespace
}  // namespace vsk
