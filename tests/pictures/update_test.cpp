// Screen updates, the mouse pointer, saved screen areas and palette entries,
// in both presenter modes: what reaches the window (OpenGL), the primary
// surface (DirectDraw) and the colour tables.
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
#include "support/bytes.h"
#include "support/log.h"
#include "support/screen_fixture.h"

namespace vsk {
namespace {

using test::LogCapture;
using test::ScreenModeTest;
using test::ScreenTest;

constexpr char kPointerFile[] = "./pics/cursor01.chk";

// A pointer whose pixel in column c is c + 1 (never transparent), so the
// display shows which columns were drawn.
std::vector<uint8_t> ColumnPointer() {
  std::vector<uint8_t> image(32 * 27);
  for (int y = 0; y < 27; ++y)
    for (int x = 0; x < 32; ++x) image[y * 32 + x] = static_cast<uint8_t>(x + 1);
  return image;
}

class UpdateTest : public ScreenModeTest {
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

  void LoadPointer(const std::vector<uint8_t>& image) {
    test::WriteBytes(kPointerFile, image);
    GetMouse(kPointerFile);
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

  // The display palette: DDPalette in DirectDraw mode, GLColors otherwise.
  ColorEntry DisplayColor(uint32_t n) {
    ColorEntry entry{};
    if (DirectDraw())
      EXPECT_EQ(DDPalette->GetEntries(0, n, 1, reinterpret_cast<LPPALETTEENTRY>(&entry)), DD_OK);
    else
      entry = GLColors[n];
    return entry;
  }
};

TEST(UpdateRectangleMessage, OpenGLPostsThePackedRectangleToTheWindow) {
  test::SetUpScreen(kPresenterOpenGL);
  UpdateRectangle(10, 20, 30, 40);
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, WindowHandle, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  EXPECT_EQ(msg.wParam, static_cast<WPARAM>(655380));
  EXPECT_EQ(msg.lParam, static_cast<LPARAM>(1966120));
  test::TearDownScreen();
}

TEST_F(ScreenTest, OpenGLMovePointerOnlyStoresThePosition) {
  MovePointer((200 << 16) | 300);
  EXPECT_EQ(PointerX.load(), 300);
  EXPECT_EQ(PointerY.load(), 200);
  EXPECT_TRUE(test::TakeUpdates().empty());
}

TEST_P(UpdateTest, GetMouseLoadsTheImageRowByRow) {
  std::vector<uint8_t> image(32 * 27);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + 1);
  LoadPointer(image);
  EXPECT_EQ(HeldPointer(), image);
}

TEST_P(UpdateTest, GetMouseRefusesMissingAndShortFiles) {
  LoadPointer(ColumnPointer());
  for (size_t length : {size_t{0}, size_t{863}}) {
    SCOPED_TRACE(length);
    if (length) test::WriteBytes("pics/short.chk", std::vector<uint8_t>(length, 9));
    LogCapture log;
    GetMouse(length ? "./pics/short.chk" : "./pics/missing.chk");
    EXPECT_EQ(log.Take(), "GetMouse: Konnte Mouse Grafik nicht laden!\n");
    EXPECT_EQ(HeldPointer(), ColumnPointer());
  }
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_ + 1);  // only PointerImage
}

TEST_P(UpdateTest, SetRGB8AndSetRGB4ReachTheDisplayPalette) {
  SetRGB8(TheScreen, 7, 0x1FF, 0x80, 0x101);
  EXPECT_EQ(ScreenColors[7].red, 0xFF);
  EXPECT_EQ(ScreenColors[7].green, 0x80);
  EXPECT_EQ(ScreenColors[7].blue, 0x01);
  EXPECT_EQ(DisplayColor(7).red, 0xFF);
  SetRGB4(TheScreen, 9, 15, 1, 0);
  EXPECT_EQ(ScreenColors[9].red, 240);
  EXPECT_EQ(ScreenColors[9].green, 16);
  EXPECT_EQ(DisplayColor(9).red, 240);
  EXPECT_EQ(DisplayColor(9).green, 16);
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

TEST_P(UpdateTest, LoadRGB32WithOneRunChangesOnlyThatRun) {
  ScreenColors[100] = {1, 2, 3, 0};  // changed behind the display's back
  ScreenColors[18] = {9, 9, 9, 0};
  auto table = Runs({{16, 0xAB000000, 0x12345678, 0xFFFFFFFF, 0x01FFFFFF, 0x80000000, 0}});
  LoadRGB32(TheScreen, table.data());
  EXPECT_EQ(ScreenColors[16].red, 0xAB);
  EXPECT_EQ(ScreenColors[16].green, 0x12);
  EXPECT_EQ(ScreenColors[16].blue, 0xFF);
  EXPECT_EQ(ScreenColors[17].red, 0x01);
  EXPECT_EQ(ScreenColors[17].green, 0x80);
  EXPECT_EQ(ScreenColors[18].red, 9);
  EXPECT_EQ(DisplayColor(17).red, 0x01);
  EXPECT_EQ(DisplayColor(16).blue, 0xFF);
  // DirectDraw sets the one run only; OpenGL copies the whole table.
  EXPECT_EQ(DisplayColor(100).red, DirectDraw() ? 0 : 1);
}

TEST_P(UpdateTest, LoadRGB32WithSeveralRunsSetsTheWholePalette) {
  ScreenColors[100] = {1, 2, 3, 0};
  auto table = Runs({{3, 0x10000000, 0x20000000, 0x30000000}, {250, 0x40000000, 0x50000000, 0x60000000}});
  LoadRGB32(TheScreen, table.data());
  EXPECT_EQ(ScreenColors[3].green, 0x20);
  EXPECT_EQ(ScreenColors[250].blue, 0x60);
  EXPECT_EQ(DisplayColor(3).red, 0x10);
  EXPECT_EQ(DisplayColor(250).green, 0x50);
  EXPECT_EQ(DisplayColor(100).red, 1);
}

TEST_P(UpdateTest, SavedScreenAreaComesBack) {
  test::FillBitmap(TheScreen->BitMap, 1);
  SetAPen(ScreenRp(), 2);
  RectFill(ScreenRp(), 50, 60, 59, 69);
  WritePixel(ScreenRp(), 50, 60);  // pen 2 as well
  SetAPen(ScreenRp(), 4);
  WritePixel(ScreenRp(), 52, 61);

  BitMap* saved = ScreenSaveClip(50, 60, 10, 10);
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(saved->BytesPerRow, 10u);
  EXPECT_EQ(saved->Rows, 10u);
  EXPECT_EQ(saved->PixelSize, 100u);
  EXPECT_EQ(saved->Surface, nullptr);
  EXPECT_EQ(saved->Pixels[0], 2);
  EXPECT_EQ(saved->Pixels[1 * 10 + 2], 4);
  EXPECT_EQ(saved->Pixels[99], 2);

  test::FillBitmap(TheScreen->BitMap, 0);
  (void)test::TakeUpdates();
  RestoreScreenClip(saved, 50, 60, 10, 10);
  EXPECT_EQ(test::DisplayPixel(52, 61), 4);
  EXPECT_EQ(test::DisplayPixel(59, 69), 2);
  EXPECT_EQ(test::DisplayPixel(60, 69), 0);
  EXPECT_EQ(test::DisplayPixel(49, 60), 0);
  EXPECT_EQ(test::ScreenPixel(50, 60), 2);
  if (!DirectDraw()) {
    EXPECT_EQ(test::TakeUpdates(), (std::vector<test::UpdateRect>{{50, 60, 10, 10}}));
  }
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_ + 1);  // the saved area is gone again
}

TEST_P(UpdateTest, ScreenSaveClipOutOfMemoryLeavesNothing) {
  for (uint32_t failing : {1u, 2u, 3u}) {
    SCOPED_TRACE(failing);
    FailAllocVecAt(failing);
    LogCapture log;
    EXPECT_EQ(ScreenSaveClip(0, 0, 20, 20), nullptr);
    FailAllocVecAt(0);
    EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_ + 1);
  }
}

TEST_P(UpdateTest, NewRastPortDrawsIntoTheGivenBitmap) {
  BitMap* bitmap = AllocBitMap(16, 8, 8, 1);
  ASSERT_NE(bitmap, nullptr);
  RastPort* port = NewRastPort(bitmap);
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->BitMap, bitmap);
  EXPECT_EQ(port->FgPen, 1);
  EXPECT_EQ(port->DrawMode, JAM2);
  WritePixel(port, 3, 2);
  EXPECT_EQ(test::BitmapPixel(bitmap, 3, 2), 1);
  FreeRastPort(port);
  FreeBitMap(bitmap);
}

// ---- DirectDraw only: the primary surface, the pointer on it, lost surfaces ------------------------

class DirectDrawUpdateTest : public ScreenTest {
 protected:
  int32_t Presenter() const override { return kPresenterDirectDraw; }
  void SetUp() override {
    ScreenTest::SetUp();
    test::MakeDir("pics");
  }
  void LoadPointer(const std::vector<uint8_t>& image) {
    test::WriteBytes(kPointerFile, image);
    GetMouse(kPointerFile);
  }
  void TearDown() override {
    platform::testing::ResetDirectDraw();
    ScreenTest::TearDown();
  }
};

TEST_F(DirectDrawUpdateTest, DirectDrawCopiesTheRectangleAndDrawsThePointer) {
  LoadPointer(ColumnPointer());
  PointerX = 100;
  PointerY = 100;
  test::FillBitmap(TheScreen->BitMap, 5);
  UpdateRectangle(10, 20, 30, 40);
  EXPECT_EQ(test::DisplayPixel(10, 20), 5);
  EXPECT_EQ(test::DisplayPixel(39, 59), 5);
  EXPECT_EQ(test::DisplayPixel(9, 20), 0);
  EXPECT_EQ(test::DisplayPixel(40, 20), 0);
  EXPECT_EQ(test::DisplayPixel(10, 60), 0);
  // The pointer is painted on top even outside the rectangle.
  EXPECT_EQ(test::DisplayPixel(100, 100), 1);
  EXPECT_EQ(test::DisplayPixel(131, 126), 32);
  EXPECT_EQ(test::DisplayPixel(132, 126), 0);
}

TEST_F(DirectDrawUpdateTest, PointerIsCutAtTheRightAndBottomEdges) {
  LoadPointer(ColumnPointer());
  PointerX = 620;
  PointerY = 470;
  UpdateRectangle(0, 0, 640, 480);
  // 20 columns (1..20) and 10 rows.
  EXPECT_EQ(test::DisplayPixel(620, 470), 1);
  EXPECT_EQ(test::DisplayPixel(639, 470), 20);
  EXPECT_EQ(test::DisplayPixel(639, 479), 20);
  EXPECT_EQ(test::DisplayPixel(619, 479), 0);
  EXPECT_EQ(test::DisplayPixel(639, 469), 0);
}

TEST_F(DirectDrawUpdateTest, MovingThePointerRestoresItsOldArea) {
  LoadPointer(ColumnPointer());
  test::FillBitmap(TheScreen->BitMap, 3);
  PointerX = 620;
  PointerY = 470;
  UpdateRectangle(0, 0, 640, 480);
  ASSERT_EQ(test::DisplayPixel(639, 479), 20);
  MovePointer((200 << 16) | 300);
  EXPECT_EQ(PointerX.load(), 300);
  EXPECT_EQ(PointerY.load(), 200);
  // The old, clipped area shows the screen again; the pointer is at its new place.
  EXPECT_EQ(test::DisplayPixel(620, 470), 3);
  EXPECT_EQ(test::DisplayPixel(639, 479), 3);
  EXPECT_EQ(test::DisplayPixel(300, 200), 1);
  EXPECT_EQ(test::DisplayPixel(331, 226), 32);
}

TEST_F(DirectDrawUpdateTest, LostPrimarySurfaceIsRepaintedWithThePointer) {
  test::WriteBytes(kPointerFile, ColumnPointer());
  GetMouse(kPointerFile);
  PointerX = 100;
  PointerY = 100;
  test::FillBitmap(TheScreen->BitMap, 6);
  UpdateRectangle(0, 0, 640, 480);
  platform::testing::LoseSurface(PrimarySurface);
  test::FillBitmap(TheScreen->BitMap, 7);  // drawn while the display was away
  RestoreSurfaces();
  EXPECT_EQ(PrimarySurface->IsLost(), DD_OK);
  EXPECT_EQ(test::DisplayPixel(0, 0), 7);
  EXPECT_EQ(test::DisplayPixel(639, 479), 7);
  EXPECT_EQ(test::DisplayPixel(100, 100), 1);
  EXPECT_EQ(test::DisplayPixel(131, 126), 32);
}

TEST_F(DirectDrawUpdateTest, UpdatesRepairTheDisplayFirst) {
  test::FillBitmap(TheScreen->BitMap, 9);
  platform::testing::LoseDisplaySurfaces();
  UpdateRectangle(0, 0, 8, 8);
  // The whole screen came back, not only the updated corner.
  EXPECT_EQ(test::DisplayPixel(300, 300), 9);
  EXPECT_EQ(test::DisplayPixel(4, 4), 9);
}

TEST_F(DirectDrawUpdateTest, LostPointerSurfaceIsReloadedFromTheFile) {
  test::WriteBytes(kPointerFile, ColumnPointer());
  GetMouse(kPointerFile);
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
  EXPECT_EQ(test::DisplayPixel(41, 36), 4);
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
}

TEST_F(DirectDrawUpdateTest, ScreenSaveClipReportsALockedOutSurface) {
  platform::testing::LoseSurface(OffscreenSurface);
  LogCapture log;
  EXPECT_EQ(ScreenSaveClip(0, 0, 10, 10), nullptr);
  EXPECT_EQ(log.Take(), "ScreenSaveClip:Konnte Surface nicht locken!");
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
}

TEST_F(DirectDrawUpdateTest, RefusedCopyDrawsNoPointer) {
  test::WriteBytes(kPointerFile, ColumnPointer());
  GetMouse(kPointerFile);
  PointerX = 100;
  PointerY = 100;
  LogCapture log;
  UpdateRectangle(630, 0, 20, 10);  // reaches past the surfaces
  EXPECT_EQ(log.Take(), "UpdateRectangle: 000 .\n");
  EXPECT_EQ(test::DisplayPixel(100, 100), 0);
}

INSTANTIATE_TEST_SUITE_P(Presenters, UpdateTest, test::AllPresenters(), test::PresenterName);

}  // namespace
}  // namespace vsk
