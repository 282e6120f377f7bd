// The picture bank: loading through the path list, fatal data errors, the cache, releasing.
#include "pictures/bank.h"

#include "pictures/fade.h"
#include "pictures/pictures_test.h"

namespace vsk {
namespace {

using namespace test;
using Rgbs = std::vector<int>;

const PathEntryData kTitle{32, 16, "VSK:pics/title.ilbm", "VSK:pics/title.cmap"};
const PathEntryData kButton{20, 10, "DH0:Pics/Button.ILBM", ""};  // pics/button.chk

// A screen in the chosen mode, but without the Screen record: the bank makes it. A thread resumes the fade thread
// over and over, as the OpenGL presenter does after each frame, so fades end in either mode.
class BankTest : public ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    FreeVec(TheScreen->BitMap->Pixels);
    FreeVec(TheScreen->BitMap);
    FreeVec(TheScreen);
    TheScreen = nullptr;
    ResetBank();
    MakeDir("data");
    MakeDir("pics");
    WriteBytes("data/path", PathList({kTitle, kButton}).data);
    WritePicture(kTitle, Pattern(32, 16));
    WritePicture(kButton, Pattern(20, 10));
    baseline_ = LiveAllocVecBlocks();
  }
  void TearDown() override {
    WaitForFade();
    stop_ = true;
    fades_.join();
    ResetBank();
    FreeVec(TheScreen);
    TheScreen = nullptr;
    ScreenModeTest::TearDown();
  }
  static void WaitForFade() {
    if (HANDLE fade = FadeThreadHandle.load()) WaitForSingleObject(fade, 20000);
  }

  std::atomic<bool> stop_{false};
  std::thread fades_{[this] {
    for (; !stop_; std::this_thread::sleep_for(std::chrono::microseconds(200)))
      if (HANDLE fade = FadeThreadHandle.load()) ResumeThread(fade);
  }};
  int64_t baseline_ = 0;
};

TEST_P(BankTest, OpenKadunPicShowsThePictureAndCloseKadunPicCachesItOrFadesOut) {
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  BitMap* picture = PictureOf(1);
  ASSERT_TRUE(picture && TheScreen);
  EXPECT_EQ((std::vector<uint32_t>{picture->BytesPerRow, picture->Rows, picture->Ident, picture->Flags,
                                   picture->PixelSize, picture->PaletteSize}),
            (std::vector<uint32_t>{32, 16, 0x11, 5, 32 * 16, 768}));
  EXPECT_TRUE(TheScreen->BitMap == picture && TheScreen->RastPort.BitMap == picture &&
              picture->Surface == (DirectDraw() ? OffscreenSurface : nullptr));
  // On the screen (through the surface in DirectDraw mode); the palette not yet on the display without a fade.
  EXPECT_EQ(BitmapPixels(picture), Pattern(32, 16));
  EXPECT_EQ(Rgb(ScreenColors[200]), (Rgbs{200, 55, 100}));
  EXPECT_EQ(DisplayPalette()[200].red, 0);

  // Closed with the cache, the screen stays and shows nothing; the pixels are kept, once per id, for the game's own
  // list (its file must still be there) but not for another list.
  Screen* screen = TheScreen;
  EXPECT_EQ(CloseKadunPic(1, 1), 0);
  EXPECT_TRUE(TheScreen == screen && TheScreen->BitMap == nullptr && TheScreen->RastPort.BitMap == nullptr);
  uint8_t* cached = PictureCache[0];
  ASSERT_NE(cached, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(cached, cached + 32 * 16), Pattern(32, 16));
  WriteBytes("pics/title.chk", Pattern(32, 16, 99));
  WriteBytes("data/other", PathList({kTitle}).data);
  for (const char* list : {"data/other", "./data/path"}) {
    ASSERT_EQ(OpenKadunPic(list, 1, 1), 1);
    EXPECT_EQ(PictureOf(1)->Pixels[0], Pattern(32, 16, list[0] == '.' ? 0 : 99)[0]);
    EXPECT_EQ(CloseKadunPic(1, 1), 0);
    EXPECT_EQ(PictureCache[0], cached);
  }
  // A copy that finds no memory is logged and leaves the slot as it was.
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 1), 1);
  FailAllocVecAt(1);
  LogCapture log;
  EXPECT_EQ(Copy2GfxCache(PictureOf(1), 1), 1);
  EXPECT_EQ(log.Take(), "AllocVec: 000 Copy2GfxCache: Konnte Speicher f\xfcr Buffer nicht allokieren\n");
  EXPECT_EQ(PictureCache[0], cached);

  // Opened again, the open picture reads no file but copies the palette (never the flags) and fades it in; closed
  // without the cache, it fades out and the picture and the screen are released.
  std::remove("pics/title.chk");
  std::remove("pics/title.cma");
  ScreenColors[7] = {1, 2, 3, 9};
  ASSERT_EQ(OpenKadunPic("./data/path", 1, 0), 1);
  EXPECT_EQ(ScreenColors[7].flags, 9);
  WaitForFade();
  EXPECT_EQ(Rgb(DisplayPalette()[7]), (Rgbs{7, 248, 3}));
  EXPECT_EQ(CloseKadunPic(1, 0), 0);
  EXPECT_EQ(Rgb(DisplayPalette()[7]), Rgb(ScreenColors[200]));
  EXPECT_EQ(Rgb(ScreenColors[200]), (Rgbs{0, 0, 0}));
  EXPECT_TRUE(PictureOf(1) == nullptr && TheScreen == nullptr);
  ResetBank();
  EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
  LogCapture again;
  EXPECT_EQ(CloseKadunPic(1, 0), -1);
  EXPECT_EQ(again.Take(), "CloseKadunPic:Das Pic mit der ID:<1> wurde schon freigegeben.\n");
}

TEST_P(BankTest, OpenKadunGfxFailuresLeaveTheSlotEmpty) {
  std::remove("pics/button.chk");
  WriteBytes("data/short", PathList({kTitle, {2, 2, "pic.ilb", ""}}).data);  // cannot lose 8
  Bytes cut = PathList({kTitle, kButton});
  cut.data.resize(36 + 36 + 20);  // the second entry runs off the end
  WriteBytes("data/cut", cut.data);
  WriteBytes("data/counted", PathList({kTitle}, 5).data);  // count beyond the entries
  // Count 1: index 1, equal to the count, is the last picture; index 2 is past it.
  WriteBytes("data/lastindex", PathList({kTitle, kButton, kButton}, 1).data);
  const std::string bad = "OpenKadunGfx:000";
  const std::vector<std::tuple<const char*, uint32_t, std::string>> cases = {
      {"./data/path", 0, bad},   {"./data/path", 1096, bad}, {"data/lastindex", 3, bad},
      {"data/short", 2, bad},    {"data/cut", 2, bad},       {"data/counted", 2, bad},
      {"./data/path", 2, "OpenKadunGfx: Konnte Grafik pics/button.chk nicht oeffnen.\n"},
      {"data/none", 1, "OpenKadunGFX: Fehler mit PATH File!\n"},
  };
  for (const auto& [list, id, message] : cases) {
    LogCapture log;
    EXPECT_EQ(OpenKadunGfx(list, id), 0) << list << " " << id;
    EXPECT_EQ(log.Take(), message) << list << " " << id;
    EXPECT_EQ(PictureOf(id), nullptr);
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
  }
  EXPECT_EQ(OpenKadunGfx("data/counted", 1), 1) << "entries inside the list still load";
  // The index equal to the count; a file shorter than the entry's data.
  WriteBytes("pics/button.chk", {1, 2, 3});
  ASSERT_EQ(OpenKadunGfx("data/lastindex", 2), 1);
  EXPECT_EQ(std::vector<uint8_t>(PictureOf(2)->Pixels, PictureOf(2)->Pixels + 5),
            (std::vector<uint8_t>{1, 2, 3, 0, 0}));
}

TEST_P(BankTest, PreloadedListIsUsedForTheGamesOwnListOnlyAndAllocationFailuresLeakNothing) {
  Bytes list = PathList({kButton, kButton});
  System.picturePathList = list.data.data();
  System.picturePathListSize = static_cast<uint32_t>(list.size());
  System.pathListsPresent = 1;
  EXPECT_EQ(OpenKadunGfx("./data/path", 1), 1);
  EXPECT_EQ(PictureOf(1)->BytesPerRow, 20u);
  System.pathListsPresent = 0;  // the sound list is missing: the file is asked for
  std::rename("data/path", "data/elsewhere");
  LogCapture log;
  EXPECT_EQ(OpenKadunPic("./data/path", 2, 1) + OpenKadunGfx("./data/path", 2), 0);
  EXPECT_EQ(log.Take(), "OpenKadunPic: Konnte File ./data/path nicht \xf6" "ffnen"
                        "OpenKadunGFX: Fehler mit PATH File!\n");
  ResetBank();
  std::rename("data/elsewhere", "data/path");
  for (uint32_t n = 1; n <= 10; ++n) {  // OpenKadunPic's six allocations, then OpenKadunGfx's four
    const uint32_t id = n <= 6 ? 1 : 2;
    FailAllocVecAt(id == 1 ? n : n - 6);
    LogCapture failure;
    const int32_t result = id == 1 ? OpenKadunPic("./data/path", 1, 1) : OpenKadunGfx("./data/path", 2);
    FailAllocVecAt(0);
    EXPECT_TRUE((PictureOf(id) != nullptr) == (result == 1) && (result == 1 || TheScreen == nullptr)) << n;
    ResetBank();
    FreeVec(TheScreen);
    TheScreen = nullptr;
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_) << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Presenters, BankTest, AllPresenters(), PresenterName);

// Data errors of OpenKadunPic end the process with exit code 1. Index 2 of
// a one-entry list lies past the count (index 1, equal to it, is accepted).
class BankDeathTest : public GameDirTest {};

TEST_F(BankDeathTest, BadIdsAndMissingFilesEndTheProcess) {
  PresenterChoice = kPresenterOpenGL;
  ResetBank();
  MakeDir("data");
  MakeDir("pics");
  WriteBytes("data/path", PathList({kTitle}).data);
  WriteBytes("pics/title.chk", Pattern(32, 16));
  auto open = [](uint32_t id) { LogOnStderr(); OpenKadunPic("./data/path", id, 1); };
  for (uint32_t id : {0u, 1096u, 3u}) {
    EXPECT_EXIT(open(id), ::testing::ExitedWithCode(1), "^OpenKadunPic:000$");
  }
  EXPECT_EXIT(open(1), ::testing::ExitedWithCode(1), "^OpenKadunPic:Konnte pics/title\\.cma nicht");
  std::remove("pics/title.chk");
  EXPECT_EXIT(open(1), ::testing::ExitedWithCode(1), "^OpenKadunPic:Konnte pics/title\\.chk nicht");
}

// Only the first 99 characters of a stored name count: four are dropped at each end, and the rest is lowered.
TEST(DeriveFileName, UsesAtMost99Characters) {
  char name[kMaxStoredName + 1];
  const std::string stored = "VSK:" + std::string(120, 'A');
  ASSERT_TRUE(DeriveFileName(stored.c_str(), static_cast<uint32_t>(stored.size()), "chk", name));
  EXPECT_EQ(std::string(name), std::string(91, 'a') + "chk");
}

}  // namespace
}  // namespace vsk
