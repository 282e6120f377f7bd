// Screen updates, the pointer, saved areas and palette entries in both presenter modes.
#include "gfx/screen_update.h"

#include "pictures/pictures_test.h"

namespace vsk {
namespace {

using namespace test;
using Rgbs = std::vector<std::vector<int>>;

constexpr char kPointerFile[] = "./pics/cursor01.chk";

class UpdateTest : public ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    MakeDir("pics");
    PointerImage = static_cast<uint8_t*>(AllocVec(32 * 27, MEMF_CLEAR));
    blocksBefore_ = LiveAllocVecBlocks();
  }
  void TearDown() override {
    FreeVec(PointerImage);
    PointerImage = nullptr;
    platform::testing::ResetDirectDraw();
    ScreenModeTest::TearDown();
  }
  // Loads a pointer: the image given, then colour c + 1 in column c (shows which columns were drawn).
  static void LoadPointer(Pixels image = {}) {
    for (size_t i = image.size(); i < 32 * 27; ++i) image.push_back(static_cast<uint8_t>(i % 32 + 1));
    WriteBytes(kPointerFile, image);
    GetMouse(kPointerFile);
  }
  // The pointer image as the presenter holds it: its surface, or PointerImage.
  Pixels HeldPointer() {
    BitMap held{0, 32, 27, 8, 0, PointerImage, 0, nullptr, 0, DirectDraw() ? PointerSurface : nullptr};
    return BitmapPixels(&held);
  }
};

TEST_P(UpdateTest, GetMouseRefusesMissingAndShortFilesPaletteCallsReachTheDisplay) {
  Pixels image(32 * 27);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + 1);
  LoadPointer(image);
  EXPECT_EQ(HeldPointer(), image);
  WriteBytes("pics/short.chk", Pixels(863, 9));
  for (const char* name : {"./pics/short.chk", "./pics/missing.chk"}) {
    LogCapture log;
    GetMouse(name);
    EXPECT_EQ(log.Take(), "GetMouse: Konnte Mouse Grafik nicht laden!\n") << name;
    EXPECT_EQ(HeldPointer(), image) << name;
  }
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);

  // Palette entries reach the colour table and the display.
  SetRGB8(TheScreen, 7, 0x1FF, 0x80, 0x101);
  SetRGB4(TheScreen, 9, 15, 1, 0);
  ScreenColors[100] = {1, 2, 3, 0};  // changed behind the display's back
  // Runs of (u16 count, u16 first, count x RGB32) up to a count of 0. One run: DirectDraw sets
  // that run only, OpenGL copies the whole table.
  const uint32_t run[] = {2 | 16 << 16, 0xAB000000, 0x12345678, 0xFFFFFFFF, 0x01FFFFFF, 0x80000000, 0, 0};
  LoadRGB32(TheScreen, run);
  auto shown = DisplayPalette();
  EXPECT_EQ((Rgbs{Rgb(shown[7]), Rgb(shown[9]), Rgb(shown[16]), Rgb(shown[17]), Rgb(ScreenColors[17])}),
            (Rgbs{{0xFF, 0x80, 0x01}, {240, 16, 0}, {0xAB, 0x12, 0xFF}, {0x01, 0x80, 0}, {0x01, 0x80, 0}}));
  EXPECT_EQ(shown[100].red, DirectDraw() ? 0 : 1);
  // Several runs set the whole palette.
  const uint32_t runs[] = {1 | 3 << 16, 0x10000000, 0x20000000, 0x30000000, 1 | 250 << 16, 0x40000000, 0x50000000,
                           0x60000000, 0};
  LoadRGB32(TheScreen, runs);
  shown = DisplayPalette();
  EXPECT_EQ((Rgbs{Rgb(shown[3]), Rgb(shown[250]), Rgb(shown[100])}),
            (Rgbs{{0x10, 0x20, 0x30}, {0x40, 0x50, 0x60}, {1, 2, 3}}));
}

TEST_P(UpdateTest, SavedScreenAreaComesBack) {
  FillBitmap(TheScreen->BitMap, 1);
  SetAPen(ScreenRp(), 2);
  RectFill(ScreenRp(), 50, 60, 59, 69);
  SetAPen(ScreenRp(), 4);
  WritePixel(ScreenRp(), 52, 61);
  BitMap* saved = ScreenSaveClip(50, 60, 10, 10);
  ASSERT_TRUE(saved && saved->BytesPerRow == 10 && saved->Rows == 10 && saved->Surface == nullptr);
  EXPECT_EQ((Pixels{saved->Pixels[0], saved->Pixels[12], saved->Pixels[99]}), (Pixels{2, 4, 2}));
  FillBitmap(TheScreen->BitMap, 0);
  (void)TakeUpdates();
  RestoreScreenClip(saved, 50, 60, 10, 10);
  EXPECT_EQ(Shown({{52, 61}, {59, 69}, {60, 69}, {49, 60}}), (Pixels{4, 2, 0, 0}));
  ExpectUpdates({{50, 60, 10, 10}});
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_) << "the saved area is gone again";
  for (uint32_t failing : {1u, 2u, 3u}) {
    FailAllocVecAt(failing);
    LogCapture log;
    EXPECT_EQ(ScreenSaveClip(0, 0, 20, 20), nullptr) << failing;
    FailAllocVecAt(0);
    EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_) << failing;
  }
}

INSTANTIATE_TEST_SUITE_P(Presenters, UpdateTest, AllPresenters(), PresenterName);

class DirectDrawUpdateTest : public UpdateTest {
 protected:
  int32_t Presenter() const override { return kPresenterDirectDraw; }
};

TEST_F(DirectDrawUpdateTest, PointerIsDrawnCutAtTheEdgesMovedAndRepaintedAfterLostSurfaces) {
  LoadPointer();
  FillBitmap(TheScreen->BitMap, 3);
  PointerX = 620;
  PointerY = 470;
  UpdateRectangle(0, 0, 8, 8);  // the pointer on top even outside the rectangle: 20 columns, 10 rows
  EXPECT_EQ(Shown({{7, 7}, {8, 8}, {620, 470}, {639, 479}, {619, 479}, {639, 469}}), (Pixels{3, 0, 1, 20, 0, 0}));
  MovePointer((200 << 16) | 300);
  EXPECT_EQ(PointerX.load() + 1000 * PointerY.load(), 200300);
  // The old area shows the screen again, the pointer its new place.
  EXPECT_EQ(Shown({{620, 470}, {639, 479}, {300, 200}, {331, 226}}), (Pixels{3, 3, 1, 32}));
  // A copy reaching past the surfaces is refused and draws no pointer either.
  PointerX = PointerY = 100;
  LogCapture log;
  UpdateRectangle(630, 0, 20, 10);
  EXPECT_EQ(log.Take(), "UpdateRectangle: 000 .\n");
  EXPECT_EQ(DisplayPixel(100, 100), 0);

  // Lost surfaces are repaired, and the display repainted with the pointer.
  platform::testing::LoseSurface(PrimarySurface);
  FillBitmap(TheScreen->BitMap, 7);  // drawn while the display was away
  RestoreSurfaces();
  EXPECT_EQ(PrimarySurface->IsLost(), DD_OK);
  EXPECT_EQ(Shown({{0, 0}, {639, 479}, {100, 100}, {131, 126}}), (Pixels{7, 7, 1, 32}));
  // An update repairs the whole display first, not only its corner.
  FillBitmap(TheScreen->BitMap, 9);
  platform::testing::LoseDisplaySurfaces();
  UpdateRectangle(0, 0, 8, 8);
  EXPECT_EQ(DisplayPixel(300, 300), 9);
  // A lost pointer surface cannot be loaded, but is reloaded from the file.
  platform::testing::LoseSurface(PointerSurface);
  LogCapture lockLog;
  LoadPointer(Pixels(32 * 27, 4));
  EXPECT_EQ(lockLog.Take(), "GetMouse:Konnte Surface nicht locken!\n");
  RestoreSurfaces();
  PointerX = PointerY = 10;
  UpdateRectangle(0, 0, 1, 1);
  EXPECT_EQ(DisplayPixel(41, 36), 4);
  // Nor can a lost off-screen surface be saved.
  platform::testing::LoseSurface(OffscreenSurface);
  LogCapture saveLog;
  EXPECT_EQ(ScreenSaveClip(0, 0, 10, 10), nullptr);
  EXPECT_EQ(saveLog.Take(), "ScreenSaveClip:Konnte Surface nicht locken!");
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
}

}  // namespace
}  // namespace vsk
