// The picture bank: loading pictures and graphics through the path list,
// the data errors that end the process, the graphics cache, and releasing.
#include "pictures/bank.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "pictures/bank_files.h"
#include "services/files.h"
#include "support/log.h"

namespace vsk {
namespace {

using test::LogCapture;
using test::PathEntryData;
using test::Pattern;

const PathEntryData kTitle{32, 16, "VSK:pics/title.ilbm", "VSK:pics/title.cmap", 0};
const PathEntryData kButton{20, 10, "VSK:pics/button.ilbm", "", 0, 0};

class BankTest : public test::BankScreenTest {};

TEST_P(BankTest, OpenKadunPicMakesThePictureTheScreen) {
  WriteGame({kTitle, kButton});
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);

  BitMap* picture = PictureOf(1);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->BytesPerRow, 32u);
  EXPECT_EQ(picture->Rows, 16u);
  EXPECT_EQ(picture->Ident, 0x11u);
  EXPECT_EQ(picture->Depth, 8u);
  EXPECT_EQ(picture->Flags, 5u);
  EXPECT_EQ(picture->PixelSize, 32u * 16u);
  EXPECT_EQ(picture->PaletteSize, 768u);
  ASSERT_NE(TheScreen, nullptr);
  EXPECT_EQ(TheScreen->BitMap, picture);
  EXPECT_EQ(TheScreen->RastPort.BitMap, picture);
  EXPECT_EQ(TheScreen->Colors, ScreenColors);
  EXPECT_EQ(picture->Surface, DirectDraw() ? OffscreenSurface : nullptr);

  // The pixels as stored, on the screen (through the surface in DirectDraw mode).
  const std::vector<uint8_t> pixels = Pattern(32, 16);
  for (uint32_t y : {0u, 7u, 15u})
    for (uint32_t x : {0u, 13u, 31u}) EXPECT_EQ(test::ScreenPixel(x, y), pixels[y * 32 + x]) << x << "," << y;
  EXPECT_EQ(std::memcmp(picture->Pixels, pixels.data(), pixels.size()), 0);
  if (DirectDraw()) {
    EXPECT_EQ(test::DisplayPixel(31, 15), pixels[15 * 32 + 31]);
  } else {
    EXPECT_EQ(test::TakeUpdates(), std::vector<test::UpdateRect>{}) << "the presenter reads the picture itself";
  }

  EXPECT_EQ(ScreenColors[0].green, 255);
  EXPECT_EQ(ScreenColors[200].red, 200);
  EXPECT_EQ(ScreenColors[200].green, 55);
  EXPECT_EQ(ScreenColors[200].blue, 100);
}

TEST_P(BankTest, OpeningAgainReadsNoFileButCopiesThePaletteAgain) {
  WriteGame({kTitle});
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  BitMap* first = PictureOf(1);
  std::remove("pics/title.chk");
  std::remove("pics/title.cma");
  ScreenColors[7] = {1, 2, 3, 9};
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  EXPECT_EQ(PictureOf(1), first);
  EXPECT_EQ(ScreenColors[7].red, 7);
  EXPECT_EQ(ScreenColors[7].green, 248);
  EXPECT_EQ(ScreenColors[7].flags, 9) << "flags bytes are never written";
}

TEST_P(BankTest, FadeInRunsUnlessSwitchedOff) {
  // Told by what the display shows, not by thread handles: a closed
  // thread's handle value may come back for the next one.
  WriteGame({kTitle});
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  if (HANDLE fade = FadeThreadHandle.load()) {
    EXPECT_EQ(WaitForSingleObject(fade, 0), WAIT_OBJECT_0) << "no fade runs";
  }
  EXPECT_EQ(ShownColor(200).red, 0) << "without a fade the display keeps its colours";

  ASSERT_EQ(OpenKadunPic("./data/path", 1, 0), 1);
  WaitForFade();
  EXPECT_EQ(ShownColor(200).red, 200) << "the fade-in brought the picture's colours up";
  EXPECT_EQ(ShownColor(200).green, 55);
  EXPECT_EQ(ShownColor(200).blue, 100);

  EXPECT_EQ(CloseKadunPic(1, 0), 0);
  const ColorEntry shown = ShownColor(200);
  EXPECT_EQ(shown.red | shown.green | shown.blue, 0) << "the close faded the display out";
}

TEST_P(BankTest, CloseReleasesThePictureAndTheScreen) {
  WriteGame({kTitle});
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  EXPECT_EQ(CloseKadunPic(1, 0), 0);
  EXPECT_EQ(PictureOf(1), nullptr);
  EXPECT_EQ(TheScreen, nullptr);
  EXPECT_EQ(PictureCache[0], nullptr);
  for (const ColorEntry& c : ScreenColors) EXPECT_EQ(c.red | c.green | c.blue, 0) << "faded out";
  EXPECT_EQ(LiveAllocVecBlocks(), baseline_);

  LogCapture log;
  EXPECT_EQ(CloseKadunPic(1, 0), -1);
  EXPECT_EQ(log.Take(), "CloseKadunPic:Das Pic mit der ID:<1> wurde schon freigegeben.\n");
}

TEST_P(BankTest, CloseWithCacheKeepsACopyAndTheScreen) {
  WriteGame({kTitle});
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
  test::WriteBytes("data/other", test::PathList({kTitle}).data);
  ASSERT_EQ(OpenKadunPic("data/other", 1, 1), 1);
  EXPECT_EQ(PictureOf(1)->Pixels[0], Pattern(32, 16, 99)[0]);
}

TEST_P(BankTest, CacheCopyFailureIsLoggedAndLeavesTheSlotEmpty) {
  WriteGame({kTitle});
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  FailAllocVecAt(1);
  LogCapture log;
  EXPECT_EQ(Copy2GfxCache(PictureOf(1), 1), 1);
  EXPECT_EQ(log.Take(), "AllocVec: 000 Copy2GfxCache: Konnte Speicher f\xfcr Buffer nicht allokieren\n");
  EXPECT_EQ(PictureCache[0], nullptr);
}

TEST_P(BankTest, PreloadedListIsUsedForTheGamesOwnListOnly) {
  test::Bytes list = test::PathList({kTitle, kButton});
  WritePicture(kTitle, Pattern(32, 16));
  WritePicture(kButton, Pattern(20, 10));
  System.picturePathList = list.data.data();
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
  System.picturePathList = nullptr;
}

TEST_P(BankTest, ShortFilesLeaveTheMissingBytesZero) {
  // The entry asks for more data than width x height and a palette file of
  // 10 bytes stands for 768.
  PathEntryData entry{4, 2, "VSK:pics/small.ilbm", "VSK:pics/small.cmap", 12};
  test::WriteBytes("data/path", test::PathList({entry}).data);
  test::WriteBytes("pics/small.chk", {1, 2, 3, 4, 5});
  test::WriteBytes("pics/small.cma", {9, 8, 7, 6, 5, 4, 3, 2, 1, 1});
  ScreenColors[100] = {50, 50, 50, 0};
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  const uint8_t expected[12] = {1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(PictureOf(1)->Pixels, expected, 12), 0);
  EXPECT_EQ(PictureOf(1)->PixelSize, 12u);
  EXPECT_EQ(ScreenColors[3].red, 1);
  EXPECT_EQ(ScreenColors[3].green, 0);
  EXPECT_EQ(ScreenColors[100].red, 0);
}

TEST_P(BankTest, NamesAreDerivedInLowerCase) {
  PathEntryData entry{2, 2, "DH0:Pics/Residenz.ILBM", "DH0:Pics/Residenz.CMAP", 0};
  test::WriteBytes("data/path", test::PathList({entry}).data);
  test::WriteBytes("pics/residenz.chk", {1, 2, 3, 4});
  EXPECT_EQ(OpenKadunGfx("./data/path", 1), 1);
  EXPECT_EQ(PictureOf(1)->Palette, nullptr);
  EXPECT_EQ(PictureOf(1)->PaletteSize, 768u);
  EXPECT_EQ(PictureOf(1)->Pixels[3], 4);
}

TEST_P(BankTest, OpenKadunGfxFailuresLeaveTheSlotEmpty) {
  PathEntryData shortName{2, 2, "pic.ilb", "", 0};  // too short to lose eight characters
  WriteGame({kTitle, kButton});
  test::WriteBytes("data/short", test::PathList({kTitle, shortName}).data);
  test::Bytes cut = test::PathList({kTitle, kButton});
  cut.data.resize(36 + 36 + 20);  // the second entry runs off the end
  test::WriteBytes("data/cut", cut.data);
  test::Bytes counted = test::PathList({kTitle}, 5);  // count beyond the entries
  test::WriteBytes("data/counted", counted.data);
  // A count of 1 over two entries: index 1, equal to the count, is the last
  // picture of the list; index 2 is past it.
  test::WriteBytes("data/lastindex", test::PathList({kTitle, kButton, kButton}, 1).data);
  std::remove("pics/button.chk");

  struct Case {
    const char* list;
    uint32_t id;
    const char* message;
  } cases[] = {
      {"./data/path", 0, "OpenKadunGfx:000"},
      {"./data/path", 1096, "OpenKadunGfx:000"},
      {"data/lastindex", 3, "OpenKadunGfx:000"},  // index past the count
      {"data/short", 2, "OpenKadunGfx:000"},
      {"data/cut", 2, "OpenKadunGfx:000"},
      {"data/counted", 2, "OpenKadunGfx:000"},
      {"./data/path", 2, "OpenKadunGfx: Konnte Grafik pics/button.chk nicht oeffnen.\n"},
      {"data/none", 1, "OpenKadunGFX: Fehler mit PATH File!\n"},
  };
  for (const Case& c : cases) {
    LogCapture log;
    EXPECT_EQ(OpenKadunGfx(c.list, c.id), 0) << c.list << " " << c.id;
    EXPECT_EQ(log.Take(), c.message) << c.list << " " << c.id;
    EXPECT_EQ(PictureOf(c.id), nullptr);
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
  }
  EXPECT_EQ(OpenKadunGfx("data/counted", 1), 1) << "entries inside the list still load";
  test::WriteBytes("pics/button.chk", Pattern(20, 10));
  EXPECT_EQ(OpenKadunGfx("data/lastindex", 2), 1) << "the index equal to the count";
}

TEST_P(BankTest, AllocationFailuresLeakNothing) {
  WriteGame({kTitle, kButton});
  for (uint32_t n = 1; n <= 6; ++n) {
    FailAllocVecAt(n);
    LogCapture log;
    int32_t result = OpenKadunPic("./data/path", 1, 1);
    FailAllocVecAt(0);
    (void)log.Take();
    if (result == 0) {
      EXPECT_EQ(PictureOf(1), nullptr) << n;
      EXPECT_EQ(TheScreen, nullptr) << n;
    }
    ReleaseGfx(1);
    if (TheScreen) {
      FreeVec(TheScreen);
      TheScreen = nullptr;
    }
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_) << n;
  }
  for (uint32_t n = 1; n <= 4; ++n) {
    FailAllocVecAt(n);
    LogCapture log;
    int32_t result = OpenKadunGfx("./data/path", 2);
    FailAllocVecAt(0);
    (void)log.Take();
    EXPECT_EQ(PictureOf(2) != nullptr, result == 1) << n;
    ReleaseGfx(2);
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_) << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Presenters, BankTest, test::AllPresenters(), test::PresenterName);

// Data errors of OpenKadunPic end the process with exit code 1.
class BankDeathTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    PresenterChoice = kPresenterOpenGL;
    test::ResetBank();
    test::MakeDir("data");
    test::MakeDir("pics");
    test::WriteBytes("data/path", test::PathList({kTitle}).data);
    test::WriteBytes("pics/title.chk", Pattern(32, 16));
    test::WriteBytes("pics/title.cma", test::Colours());
  }
};

// The log is standard output; the child sends it to standard error, where
// the death test reads it.
void OpenWithLogOnStderr(uint32_t id) {
  dup2(STDERR_FILENO, STDOUT_FILENO);
  OpenKadunPic("./data/path", id, 1);
}

TEST_F(BankDeathTest, BadIdsEndTheProcess) {
  EXPECT_EXIT(OpenWithLogOnStderr(0), ::testing::ExitedWithCode(1), "^OpenKadunPic:000$");
  EXPECT_EXIT(OpenWithLogOnStderr(1096), ::testing::ExitedWithCode(1), "^OpenKadunPic:000$");
  // Index 2 of a one-entry list lies past the count (index 1, equal to it,
  // would be accepted).
  EXPECT_EXIT(OpenWithLogOnStderr(3), ::testing::ExitedWithCode(1), "^OpenKadunPic:000$");
}

TEST_F(BankDeathTest, MissingPictureOrPaletteEndsTheProcess) {
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
  std::string stored = "VSK:" + std::string(120, 'A');
  ASSERT_TRUE(DeriveFileName(stored.c_str(), static_cast<uint32_t>(stored.size()), "chk", name));
  EXPECT_EQ(std::string(name), std::string(91, 'a') + "chk");
}

}  // namespace
}  // namespace vsk
