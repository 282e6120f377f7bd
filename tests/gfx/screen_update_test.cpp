// Screen updates, the mouse pointer, saved screen areas and palette entries,
// in both presenter modes: what reaches the window (OpenGL), the primary
// surface (DirectDraw) and the colour tables. (The packing of the OpenGL
// update message is read back by TakeUpdates in every screen test.)
#include "gfx/screen_update.h"
#include "pictures/screen_clip.h"

#include <windows.h>
#include <ddraw.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "platform/testing.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "support/display_colors.h"
#include "support/log.h"
#include "support/screen_fixture.h"

namespace vsk {
namespace {

using test::DisplayPixel;
using test::DisplayRgb;
using test::LogCapture;
using test::Rgb;
using test::RgbOf;
using test::ScreenTest;

constexpr char kPointerFile[] = "./pics/cursor01.chk";

// A pointer whose pixel in column c is c + 1 (never transparent), so the
// display shows which columns were drawn.
std::vector<uint8_t> ColumnPointer() {
  std::vector<uint8_t> image(32 * 27);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i % 32 + 1);
  return image;
}

void LoadPointer(const std::vector<uint8_t>& image) {
  test::WriteBytes(kPointerFile, image);
  GetMouse(kPointerFile);
}

class UpdateTest : public test::ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    test::MakeDir("pics");
    PointerImage = static_cast<uint8_t*>(AllocVec(32 * 27, MEMF_CLEAR));
  }
  void TearDown() override {
    FreeVec(PointerImage);
    PointerImage = nullptr;
    ScreenModeTest::TearDown();
  }

  // The pointer image as the presenter holds it.
  std::vector<uint8_t> HeldPointer() {
    if (!DirectDraw()) return std::vector<uint8_t>(PointerImage, PointerImage + 32 * 27);
    std::vector<uint8_t> image(32 * 27);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    EXPECT_EQ(PointerSurface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    for (int y = 0; y < 27; ++y)
      std::memcpy(&image[y * 32], static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch, 32);
    PointerSurface->Unlock(nullptr);
    return image;
  }
};

TEST_P(UpdateTest, GetMouseLoadsTheImageRowByRowAndRefusesMissingAndShortFiles) {
  std::vector<uint8_t> image(32 * 27);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + 1);
  LoadPointer(image);
  EXPECT_EQ(HeldPointer(), image);
  test::WriteBytes("pics/short.chk", std::vector<uint8_t>(863, 9));
  for (const char* file : {"./pics/missing.chk", "./pics/short.chk"}) {
    SCOPED_TRACE(file);
    LogCapture log;
    GetMouse(file);
    EXPECT_EQ(log.Take(), "GetMouse: Konnte Mouse Grafik nicht laden!\n");
    EXPECT_EQ(HeldPointer(), image);
  }
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_ + 1);  // only PointerImage
}

// Runs of (count, first, count x RGB32), ended by a count of 0.
std::vector<uint8_t> Runs(std::vector<std::vector<uint32_t>> runs) {
  std::vector<uint8_t> table;
  auto put = [&](const void* p, size_t n) {
    table.insert(table.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
  };
  for (const auto& run : runs) {
    const uint16_t head[2] = {static_cast<uint16_t>((run.size() - 1) / 3), static_cast<uint16_t>(run[0])};
    put(head, 4);
    put(run.data() + 1, (run.size() - 1) * 4);
  }
  const uint16_t end = 0;
  put(&end, 2);
  return table;
}

TEST_P(UpdateTest, PaletteCallsReachTheDisplay) {
  SetRGB8(TheScreen, 7, 0x1FF, 0x80, 0x101);
  EXPECT_EQ(RgbOf(ScreenColors[7]), (Rgb{0xFF, 0x80, 0x01}));
  EXPECT_EQ(DisplayRgb(7), (Rgb{0xFF, 0x80, 0x01}));
  SetRGB4(TheScreen, 9, 15, 1, 0);
  EXPECT_EQ(RgbOf(ScreenColors[9]), (Rgb{240, 16, 0}));
  EXPECT_EQ(DisplayRgb(9), (Rgb{240, 16, 0}));

  // One run: DirectDraw sets that run only, OpenGL copies the whole table.
  ScreenColors[100] = {1, 2, 3, 0};  // changed behind the display's back
  ScreenColors[18] = {9, 9, 9, 0};
  LoadRGB32(TheScreen, Runs({{16, 0xAB000000, 0x12345678, 0xFFFFFFFF, 0x01FFFFFF, 0x80000000, 0}}).data());
  EXPECT_EQ(RgbOf(ScreenColors[16]), (Rgb{0xAB, 0x12, 0xFF}));
  EXPECT_EQ(RgbOf(ScreenColors[17]), (Rgb{0x01, 0x80, 0}));
  EXPECT_EQ(ScreenColors[18].red, 9);
  EXPECT_EQ(DisplayRgb(16), (Rgb{0xAB, 0x12, 0xFF}));
  EXPECT_EQ(DisplayRgb(17), (Rgb{0x01, 0x80, 0}));
  EXPECT_EQ(test::DisplayColor(100).red, DirectDraw() ? 0 : 1);
  // Several runs: the whole palette.
  LoadRGB32(TheScreen, Runs({{3, 0x10000000, 0x20000000, 0x30000000}, {250, 0x40000000, 0x50000000, 0x60000000}}).data());
  EXPECT_EQ(RgbOf(ScreenColors[3]), (Rgb{0x10, 0x20, 0x30}));
  EXPECT_EQ(DisplayRgb(250), (Rgb{0x40, 0x50, 0x60}));
  EXPECT_EQ(DisplayRgb(100), (Rgb{1, 2, 3}));
}

TEST_P(UpdateTest, SavedScreenAreaComesBack) {
  test::FillBitmap(TheScreen->BitMap, 1);
  SetAPen(ScreenRp(), 2);
  RectFill(ScreenRp(), 50, 60, 59, 69);
  SetAPen(ScreenRp(), 4);
  WritePixel(ScreenRp(), 52, 61);

  BitMap* saved = ScreenSaveClip(50, 60, 10, 10);
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ((std::vector<uint32_t>{saved->BytesPerRow, saved->Rows, saved->PixelSize}), (std::vector<uint32_t>{10, 10, 100}));
  EXPECT_EQ(saved->Surface, nullptr);
  EXPECT_EQ((std::vector<uint8_t>{saved->Pixels[0], saved->Pixels[12], saved->Pixels[99]}), (std::vector<uint8_t>{2, 4, 2}));

  test::FillBitmap(TheScreen->BitMap, 0);
  (void)test::TakeUpdates();
  RestoreScreenClip(saved, 50, 60, 10, 10);
  EXPECT_EQ((std::vector<uint8_t>{DisplayPixel(52, 61), DisplayPixel(59, 69), DisplayPixel(60, 69), DisplayPixel(49, 60),
                                  test::ScreenPixel(50, 60)}),
            (std::vector<uint8_t>{4, 2, 0, 0, 2}));
  if (!DirectDraw()) {
    EXPECT_EQ(test::TakeUpdates(), (std::vector<test::UpdateRect>{{50, 60, 10, 10}}));
  }
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_ + 1);  // the saved area is gone again

  for (uint32_t failing : {1u, 2u, 3u}) {
    SCOPED_TRACE(failing);
    FailAllocVecAt(failing);
    LogCapture log;
    EXPECT_EQ(ScreenSaveClip(0, 0, 20, 20), nullptr);
    FailAllocVecAt(0);
    EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_ + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Presenters, UpdateTest, test::AllPresenters(), test::PresenterName);

TEST_F(ScreenTest, OpenGLMovePointerOnlyStoresThePosition) {
  MovePointer((200 << 16) | 300);
  EXPECT_EQ(PointerX.load(), 300);
  EXPECT_EQ(PointerY.load(), 200);
  EXPECT_TRUE(test::TakeUpdates().empty());
}

// ---- DirectDraw only: the primary surface, the pointer on it, lost surfaces ----

class DirectDrawUpdateTest : public test::ScreenTest {
 protected:
  int32_t Presenter() const override { return kPresenterDirectDraw; }
  void SetUp() override {
    ScreenTest::SetUp();
    test::MakeDir("pics");
    LoadPointer(ColumnPointer());
  }
};

TEST_F(DirectDrawUpdateTest, UpdatesCopyTheRectangleAndDrawThePointerCutAtTheEdges) {
  PointerX = 100;
  PointerY = 100;
  test::FillBitmap(TheScreen->BitMap, 5);
  UpdateRectangle(10, 20, 30, 40);
  // Corners inside, then beside the rectangle; the pointer on top even
  // outside it (its first and last column, and beyond).
  EXPECT_EQ((std::vector<uint8_t>{DisplayPixel(10, 20), DisplayPixel(39, 59), DisplayPixel(9, 20), DisplayPixel(40, 20),
                                  DisplayPixel(10, 60), DisplayPixel(100, 100), DisplayPixel(131, 126),
                                  DisplayPixel(132, 126)}),
            (std::vector<uint8_t>{5, 5, 0, 0, 0, 1, 32, 0}));

  // At the bottom right the pointer is cut to 20 columns and 10 rows.
  test::FillBitmap(TheScreen->BitMap, 3);
  PointerX = 620;
  PointerY = 470;
  UpdateRectangle(0, 0, 640, 480);
  EXPECT_EQ((std::vector<uint8_t>{DisplayPixel(620, 470), DisplayPixel(639, 470), DisplayPixel(639, 479),
                                  DisplayPixel(619, 479), DisplayPixel(639, 469)}),
            (std::vector<uint8_t>{1, 20, 20, 3, 3}));

  // Moving it restores the old, clipped area and draws it at the new place.
  MovePointer((200 << 16) | 300);
  EXPECT_EQ(PointerX.load(), 300);
  EXPECT_EQ(PointerY.load(), 200);
  EXPECT_EQ((std::vector<uint8_t>{DisplayPixel(620, 470), DisplayPixel(639, 479), DisplayPixel(300, 200),
                                  DisplayPixel(331, 226)}),
            (std::vector<uint8_t>{3, 3, 1, 32}));
}

TEST_F(DirectDrawUpdateTest, LostDisplaySurfacesAreRepaintedWithThePointer) {
  PointerX = 100;
  PointerY = 100;
  test::FillBitmap(TheScreen->BitMap, 6);
  UpdateRectangle(0, 0, 640, 480);
  platform::testing::LoseSurface(PrimarySurface);
  test::FillBitmap(TheScreen->BitMap, 7);  // drawn while the display was away
  RestoreSurfaces();
  EXPECT_EQ(PrimarySurface->IsLost(), DD_OK);
  EXPECT_EQ((std::vector<uint8_t>{DisplayPixel(0, 0), DisplayPixel(639, 479), DisplayPixel(100, 100),
                                  DisplayPixel(131, 126)}),
            (std::vector<uint8_t>{7, 7, 1, 32}));

  // An update repairs the whole display first, not only its rectangle.
  test::FillBitmap(TheScreen->BitMap, 9);
  platform::testing::LoseDisplaySurfaces();
  UpdateRectangle(0, 0, 8, 8);
  EXPECT_EQ(DisplayPixel(300, 300), 9);
  EXPECT_EQ(DisplayPixel(4, 4), 9);
}

TEST_F(DirectDrawUpdateTest, LostPointerSurfaceIsReloadedFromTheFile) {
  platform::testing::LoseSurface(PointerSurface);
  {
    LogCapture log;
    GetMouse(kPointerFile);  // cannot lock a lost surface
    EXPECT_EQ(log.Take(), "GetMouse:Konnte Surface nicht locken!\n");
  }
  test::WriteBytes(kPointerFile, std::vector<uint8_t>(32 * 27, 4));
  RestoreSurfaces();
  PointerX = 10;
  PointerY = 10;
  UpdateRectangle(0, 0, 1, 1);
  EXPECT_EQ(DisplayPixel(41, 36), 4);
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
}

TEST_F(DirectDrawUpdateTest, FailuresAreLoggedAndDrawNoPointer) {
  PointerX = 100;
  PointerY = 100;
  LogCapture log;
  UpdateRectangle(630, 0, 20, 10);  // reaches past the surfaces
  platform::testing::LoseSurface(OffscreenSurface);
  EXPECT_EQ(ScreenSaveClip(0, 0, 10, 10), nullptr);
  EXPECT_EQ(log.Take(), "UpdateRectangle: 000 .\nScreenSaveClip:Konnte Surface nicht locken!");
  EXPECT_EQ(DisplayPixel(100, 100), 0);
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
}

}  // namespace
}  // namespace vsk
