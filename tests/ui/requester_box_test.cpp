// The list box and its scroller on the screen, in both presenter modes.
#include "ui/requester_box.h"
#include "ui/ui_test.h"

namespace vsk {
namespace {

using test::kLineHeight;

constexpr uint16_t kX = 100, kY = 100, kWidth = 40;
constexpr uint8_t kBack = 11, kText = 12, kHighBack = 12, kHighText = 11;
constexpr uint16_t kBarX = 300, kBarY = 50, kBarWidth = 10, kBarHeight = 100;
constexpr uint8_t kKnob = 26, kTrack = 22, kLight = 25, kDark = 24;

class RequesterBoxTest : public test::ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    font_ = test::OpenBlockFont();
    ASSERT_NE(font_, nullptr);
    test::FillBitmap(TheScreen->BitMap, 5);
    base_ = LiveAllocVecBlocks();
  }
  void TearDown() override {
    FreeRequesterBox(box_);
    EXPECT_EQ(LiveAllocVecBlocks(), base_) << "a block was not given back";
    CloseFont(font_);
    ScreenModeTest::TearDown();
  }

  // count lines "L0", "L1", ... in 80-byte slots.
  void MakeLines(int count) {
    slots_.assign(static_cast<size_t>(count) * kRequesterLineSlot, 0);
    for (int i = 0; i < count; ++i) {
      const std::string line = "L" + std::to_string(i);
      std::memcpy(&slots_[i * kRequesterLineSlot], line.c_str(), line.size());
    }
  }
  RequesterBox* Open(int lines, uint16_t visibleHeight) {
    MakeLines(lines);
    box_ = InitRequesterBox(kWidth, static_cast<uint16_t>(lines), font_, slots_.data(), kX, kY, kWidth,
                            visibleHeight, kBack, kText);
    return box_;
  }
  // The window shows content rows from `band` on.
  void ExpectWindowShows(uint16_t band) {
    for (int row = 0; row < box_->visibleHeight; ++row)
      for (int col = 0; col < kWidth; col += 3)
        ASSERT_EQ(test::ScreenPixel(kX + col, kY + row), test::BitmapPixel(box_->bitmap, col, band + row))
            << "window row " << row << " column " << col;
  }
  // Screen pixels (x, y) in the pens given.
  struct Pixel { int x, y; uint8_t pen; };
  static void ExpectScreen(std::initializer_list<Pixel> pixels) {
    for (const Pixel& p : pixels) EXPECT_EQ(test::ScreenPixel(p.x, p.y), p.pen) << p.x << "," << p.y;
  }
  // Top row of the knob on the screen: the first row of the bar in the light pen.
  int KnobTop() {
    for (int row = kBarY; row < kBarY + kBarHeight; ++row)
      if (test::ScreenPixel(kBarX, row) == kLight) return row;
    return -1;
  }

  int64_t base_ = 0;  // blocks live with the font open
  TextFont* font_ = nullptr;
  RequesterBox* box_ = nullptr;
  std::vector<char> slots_;
};

TEST_P(RequesterBoxTest, ScrollingShowsTheChosenBandDownToTheLastLineAndClearsTheSelection) {
  test::LogCapture log;
  ASSERT_NE(Open(10, 15), nullptr);
  EXPECT_EQ(log.Take(), "LOLOLOL");
  EXPECT_EQ(box_->contentHeight, 10 * kLineHeight);
  EXPECT_EQ(box_->knobSize, 15 * 100 / 50);
  // "L0": two blocks in the text pen on the back pen, rows 0..3 of line 0;
  // row 4 between lines; nothing below or right of the window.
  ExpectScreen({{kX, kY, kText}, {kX + 8, kY + 3, kText}, {kX + 4, kY, kBack}, {kX + 10, kY, kBack},
                {kX, kY + 4, kBack}, {kX, kY + 15, 5}, {kX + kWidth, kY, 5}});
  ExpectWindowShows(0);
  CreateScroller(box_, kBarWidth, kBarHeight, kKnob, kTrack, kLight, kDark, kBarX, kBarY);
  // Light top and left edges, the dark ones starting where the light end,
  // the knob's inside (30 % of the bar), the track below it, nothing below the bar.
  ExpectScreen({{kBarX, kBarY, kLight}, {kBarX, kBarY + 28, kLight}, {kBarX + 8, kBarY, kLight},
                {kBarX + 9, kBarY, kDark}, {kBarX, kBarY + 29, kDark}, {kBarX + 9, kBarY + 29, kDark},
                {kBarX + 5, kBarY + 29, kDark}, {kBarX + 5, kBarY + 10, kKnob}, {kBarX + 5, kBarY + 30, kTrack},
                {kBarX + 5, kBarY + 99, kTrack}, {kBarX + 5, kBarY + 100, 5}});
  // Absolute: the knob centred on the pointer, kept inside the bar; the screen's pen restored.
  TheScreen->RastPort.FgPen = 3;
  EXPECT_EQ(MoveScrollerKnob(box_, kBarY + 50), (35 * 10000 / 70) / 100);
  EXPECT_EQ(KnobTop(), kBarY + 50 - 15);
  EXPECT_EQ(TheScreen->RastPort.FgPen, 3);
  EXPECT_EQ(MoveScrollerKnob(box_, 0), 0);
  EXPECT_EQ(KnobTop(), kBarY);
  EXPECT_EQ(SelectRequesterLine(box_, kY + 1, kHighBack, kHighText), 0);
  EXPECT_EQ(test::ScreenPixel(kX + 4, kY), kHighBack) << "highlighted";

  MoveScrollerKnob(box_, kScrollDown10);
  MoveScrollerKnob(box_, kScrollDown10);
  EXPECT_TRUE(ScrollRequesterBox(box_));
  EXPECT_EQ(box_->scrollOffset, 35 * 20 / 100);
  EXPECT_EQ(box_->topLine, 7 / kLineHeight);
  EXPECT_EQ(box_->selected, -1);
  ExpectWindowShows(7);

  for (int i = 0; i < 12; ++i) {
    MoveScrollerKnob(box_, kScrollDown10);
    ScrollRequesterBox(box_);
  }
  EXPECT_EQ(box_->knobPos, 100);
  EXPECT_EQ(box_->scrollOffset, 35) << "the last line at the foot of the window, no further";
  EXPECT_EQ(box_->topLine, 7);
  ExpectWindowShows(35);
  // Line 9 ("L9") fills window rows 10..13.
  ExpectScreen({{kX, kY + 13, kText}, {kX, kY + 14, kBack}});
}

TEST_P(RequesterBoxTest, AListThatFitsNeitherScrollsNorMovesTheKnob) {
  ASSERT_NE(Open(2, 15), nullptr);
  EXPECT_EQ(box_->knobSize, 100);
  EXPECT_EQ(box_->bitmap->Rows, 15u) << "as tall as the window";
  CreateScroller(box_, kBarWidth, kBarHeight, kKnob, kTrack, kLight, kDark, kBarX, kBarY);
  EXPECT_EQ(test::ScreenPixel(kBarX + 5, kBarY + 98), kKnob) << "the knob fills the bar";
  test::FillBitmap(TheScreen->BitMap, 5);
  EXPECT_EQ(MoveScrollerKnob(box_, kScrollDown10), 0);
  EXPECT_EQ(MoveScrollerKnob(box_, kBarY + 90), 0);
  EXPECT_FALSE(ScrollRequesterBox(box_));
  EXPECT_EQ(box_->scrollOffset, 0);
  EXPECT_EQ(test::ScreenPixel(kBarX + 5, kBarY + 50), 5) << "nothing drawn";
  EXPECT_EQ(test::ScreenPixel(kX, kY), 5);
}

TEST_P(RequesterBoxTest, SelectingLines) {
  ASSERT_NE(Open(4, 13), nullptr);  // line 2 (rows 10..14) is only partly in the window
  EXPECT_EQ(SelectRequesterLine(box_, kY + 6, kHighBack, kHighText), 1);
  EXPECT_EQ(box_->selected, 1);
  // Highlighted to the box's edge, the row between lines too.
  ExpectScreen({{kX + kWidth - 1, kY + 5, kHighBack}, {kX + kWidth - 1, kY + 9, kHighBack}, {kX, kY + 5, kHighText},
                {kX + kWidth, kY + 5, 5}});
  EXPECT_EQ(TheScreen->RastPort.DrawMode, JAM1);
  EXPECT_EQ(SelectRequesterLine(box_, kY + 7, kHighBack, kHighText), 1) << "the same line again";

  EXPECT_EQ(SelectRequesterLine(box_, kY + 11, kHighBack, kHighText), kNoLine) << "partly shown";
  EXPECT_EQ(box_->selected, 2) << "but selected";
  // Line 1 drawn normal again, line 2 not highlighted.
  ExpectScreen({{kX + kWidth - 1, kY + 5, kBack}, {kX, kY + 5, kText}, {kX + kWidth - 1, kY + 10, kBack}});
  EXPECT_EQ(SelectRequesterLine(box_, kY + 11, kHighBack, kHighText), 2) << "the selected line again";

  EXPECT_EQ(SelectRequesterLine(box_, kY + 20, kHighBack, kHighText), kNoLine) << "below the last line";
  EXPECT_EQ(box_->selected, 2);
  EXPECT_EQ(SelectRequesterLine(box_, kY - 1, kHighBack, kHighText), kNoLine) << "above the window";
  EXPECT_EQ(box_->selected, 2);
  EXPECT_EQ(DrawLineHighlighted(box_, kHighBack, kHighText, 0, 7), kNoLine) << "no such line";
}

TEST_P(RequesterBoxTest, EveryFailedAllocationIsLoggedAndReleasesEverything) {
  const uint64_t before = AllocVecCalls();
  ASSERT_NE(Open(10, 15), nullptr);
  const uint64_t calls = AllocVecCalls() - before;
  FreeRequesterBox(box_);
  box_ = nullptr;
  const auto init = [](const std::string& what) {
    return "AllocVec: 000 InitRequesterBox_Init : Konnte Speicher f\xc3\xbcr " + what +
           " nicht allokieren 001 \nInitRequesterBox: Konnte Speicher f\xc3\xbcr Struktur nicht allokieren\n";
  };
  const std::string bitmap =
      "InitRequesterBox_Alloc: Konnte Speicher nicht allokieren 003 \n"
      "InitRequesterBox: Konnte Speicher f" "\xc3\xbc" "r Bitmap nicht allokieren\n";
  for (uint64_t n = 1; n <= calls; ++n) {
    test::LogCapture log;
    FailAllocVecAt(static_cast<uint32_t>(n));
    RequesterBox* box = InitRequesterBox(kWidth, 10, font_, slots_.data(), kX, kY, kWidth, 15, kBack, kText);
    FailAllocVecAt(0);
    const std::string text = log.Take();
    EXPECT_EQ(box, nullptr) << "allocation " << n;
    if (n <= 2)
      EXPECT_EQ(text, init(n == 1 ? "Struktur" : "RastPort"));
    else
      EXPECT_NE(text.find(bitmap), std::string::npos) << text;
    EXPECT_EQ(LiveAllocVecBlocks(), base_) << "allocation " << n;
  }

  // A window taller than the content asks for a window-high bitmap.
  FailAllocVecAt(3);
  test::LogCapture log;
  EXPECT_EQ(InitRequesterBox(kWidth, 2, font_, slots_.data(), kX, kY, kWidth, 15, kBack, kText), nullptr);
  FailAllocVecAt(0);
  EXPECT_NE(log.Take().find("InitRequesterBox_Alloc: Konnte Speicher nicht allokieren 002 \n"), std::string::npos);

  test::LogCapture quiet;
  EXPECT_EQ(InitRequesterBox(kWidth, 2, nullptr, slots_.data(), kX, kY, kWidth, 15, kBack, kText), nullptr);
  EXPECT_EQ(InitRequesterBox(kWidth, 2, font_, nullptr, kX, kY, kWidth, 15, kBack, kText), nullptr);
  EXPECT_EQ(quiet.Take(), "") << "no font or no lines: null without a message";
  EXPECT_EQ(LiveAllocVecBlocks(), base_);
}

INSTANTIATE_TEST_SUITE_P(Presenters, RequesterBoxTest, test::AllPresenters(), test::PresenterName);

}  // namespace
}  // namespace vsk
