// The list requester on the demo directory's data in both presenter modes:
// a line chosen and taken with OK, cancelled, scrolled, the info text, the
// right click it ignores, every set-up failure; the screen put back each time.
#include "ui/choose_box.h"
#include "ui/ui_test.h"

namespace vsk {
namespace {

using test::At;
using test::WholeScreen;

// The box at (200, 100); its gadgets in screen points.
constexpr int kX = 200, kY = 100;
constexpr int kListLeft = kX + 39, kListTop = kY + 60, kListWidth = 105, kListHeight = 95;
constexpr int kUpX = kX + 158, kUpY = kY + 56;
constexpr int kDownX = kX + 158, kDownY = kY + 141;
constexpr int kTrackX = kX + 158;
constexpr int kInfoX = kX + 36, kOkX = kX + 98, kExitX = kX + 160, kButtonY = kY + 190;
constexpr int kTextBoxCloseX = 535, kTextBoxCloseY = 380;
constexpr uint8_t kHighlightBack = 12;
// Where the pointer waits, outside the box.
constexpr int kAsideX = 50, kAsideY = 50;

// count lines "Town 0", "Town 1", ... in 80-byte slots.
std::vector<char> Lines(int count) {
  std::vector<char> slots(static_cast<size_t>(count) * 80, '\0');
  for (int i = 0; i < count; ++i) std::snprintf(&slots[static_cast<size_t>(i) * 80], 80, "Town %d", i);
  return slots;
}

class ChooseBoxTest : public test::ModalBoxTest {
 protected:
  // The screen has the box's font, as the game's screens have theirs: a
  // button pressed and released draws its label again in it.
  void SetUp() override {
    ModalBoxTest::SetUp();
    font_ = OpenDiskFont("./fonts/xhelvetica11.fnt");
    ASSERT_NE(font_, nullptr);
    SetFont(ScreenRp(), font_);
    lineHeight_ = font_->YSize + 1;
    base_ = LiveAllocVecBlocks();
  }
  void TearDown() override {
    if (worker_) {
      CloseStillOpen();
      EXPECT_TRUE(WaitClosed());
    }
    SetFont(ScreenRp(), nullptr);
    CloseFont(font_);
    ModalBoxTest::TearDown();
  }
  void CloseStillOpen() override { Click(kExitX + InX(), kButtonY + InY()); }

  void Start(int count) {
    lines_ = Lines(count);
    StartModal([this] {
      return ChooseBox(data::kDemoListRequesterFile, kX, kY, static_cast<uint16_t>(lines_.size() / 80), "Your towns", lines_.data(),
                       "Choose the town to visit.");
    });
    Sync(kAsideX, kAsideY);
  }
  // A click in the list at the middle of the band of the n-th line shown.
  void ClickShownLine(int n) { Click(kListLeft + 20, kListTop + n * lineHeight_ + lineHeight_ / 2); }
  // The pixels of the list window.
  std::vector<uint8_t> List() const {
    const std::vector<uint8_t> screen = WholeScreen();
    std::vector<uint8_t> list;
    for (int row = kListTop; row < kListTop + kListHeight; ++row)
      list.insert(list.end(), screen.begin() + row * kScreenWidth + kListLeft,
                  screen.begin() + row * kScreenWidth + kListLeft + kListWidth);
    return list;
  }
  // How much of the n-th shown line's band is in the highlight's back pen.
  double Highlighted(int n) const {
    const std::vector<uint8_t> list = List();
    int inPen = 0, all = 0;
    for (int row = n * lineHeight_; row < (n + 1) * lineHeight_ - 1 && row < kListHeight; ++row)
      for (int col = 0; col < kListWidth; ++col, ++all) inPen += list[row * kListWidth + col] == kHighlightBack;
    return all ? static_cast<double>(inPen) / all : 0;
  }
  int16_t Closed() {
    EXPECT_TRUE(WaitClosed()) << "the box did not close";
    ExpectScreenAsBefore();
    return static_cast<int16_t>(result_);
  }

  TextFont* font_ = nullptr;
  int lineHeight_ = 0;
  std::vector<char> lines_;
};

TEST_P(ChooseBoxTest, OkBeforeAnyChoiceTheEndButtonAfterOneAndRightClicksReturnNone) {
  Start(5);
  Click(kOkX, kButtonY);
  EXPECT_EQ(Closed(), -1);

  Start(5);
  EXPECT_LT(Highlighted(1), 0.5);
  ClickShownLine(1);
  Sync(kAsideX, kAsideY);
  EXPECT_GT(Highlighted(1), 0.5) << "the chosen line in the highlight";
  const std::vector<uint8_t> shown = WholeScreen();
  // A right click in the list is ignored.
  Post(WM_RBUTTONDOWN, MK_RBUTTON, At(kListLeft + 20, kListTop + 5));
  Post(WM_RBUTTONUP, 0, At(kListLeft + 20, kListTop + 5));
  Sync(kAsideX, kAsideY);
  EXPECT_TRUE(Open());
  EXPECT_EQ(WholeScreen(), shown);
  Click(kExitX, kButtonY);
  EXPECT_EQ(Closed(), -1);
}

TEST_P(ChooseBoxTest, ALongListScrollsAndOkStillReturnsTheLineChosenBeforeTheScroll) {
  Start(40);
  ClickShownLine(1);
  Sync(kAsideX, kAsideY);
  const std::vector<uint8_t> top = List();
  // Down by one step: other lines in the window.
  Click(kDownX, kDownY);
  Sync(kAsideX, kAsideY);
  EXPECT_NE(List(), top);
  // Up again: the first lines as they were shown, but the choice is cleared.
  Click(kUpX, kUpY);
  Sync(kAsideX, kAsideY);
  EXPECT_LT(Highlighted(1), 0.5) << "scrolling clears the box's selection";
  // The track: the knob to the pointer scrolls as well.
  Click(kTrackX, kY + 125);
  Sync(kAsideX, kAsideY);
  EXPECT_NE(List(), top);
  Click(kOkX, kButtonY);
  EXPECT_EQ(Closed(), 1);
}

TEST_P(ChooseBoxTest, TheInfoButtonOpensTheTextBoxAndItsCloseComesBackToTheList) {
  Start(5);
  const std::vector<uint8_t> shown = WholeScreen();
  Click(kInfoX, kButtonY);
  Sync(kAsideX, kAsideY);
  EXPECT_NE(WholeScreen(), shown) << "the text box over the list";
  Click(kTextBoxCloseX, kTextBoxCloseY);
  // The text box's pause after its close button, then the list again.
  Sync(kAsideX, kAsideY);
  EXPECT_EQ(WholeScreen(), shown);
  ClickShownLine(0);
  Click(kOkX, kButtonY);
  EXPECT_EQ(Closed(), 0);
}

TEST_P(ChooseBoxTest, EverySetUpFailureIsLoggedReleasesWhatWasTakenAndReturnsNone) {
  const std::vector<char> lines = Lines(3);
  auto run = [&](const char* file) {
    test::LogCapture log;
    EXPECT_EQ(ChooseBox(file, kX, kY, 3, "Your towns", lines.data(), "info"), -1);
    ExpectScreenAsBefore();
    return log.Take();
  };
  EXPECT_EQ(run("data/screendat/fehlt.dat"),
            "ExternalDataLoad: \tKonnte data/screendat/fehlt.dat nicht oeffnen.\n"
            "ChooseBox: Kann Gadgetdaten nicht laden!\n");
  ASSERT_EQ(std::remove("fonts/xhelvetica11.fnt"), 0);
  EXPECT_NE(run(data::kDemoListRequesterFile).find("ChooseBox: Konnte Font nicht laden!\n"), std::string::npos);
  ASSERT_EQ(std::remove("data/pics/listreq.chk"), 0);
  EXPECT_NE(run(data::kDemoListRequesterFile).find("ChooseBox: Konnte Requestergrafik nicht laden!\n"),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Presenters, ChooseBoxTest, test::AllPresenters(), test::PresenterName);

}  // namespace
}  // namespace vsk
