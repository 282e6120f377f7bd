// The text box on the demo directory's pictures and fonts, in both
// presenter modes: its text area, and the modal box driven through the
// message queue as the presenter's window procedure would feed it.
#include "ui/text_box.h"

#include "support/plain_window.h"
#include "ui/ui_test.h"

namespace vsk {
namespace {

// Screen points inside the box's buttons; the bar's rows 117..340.
constexpr int kUpX = 533, kUpY = 102;
constexpr int kDownX = 533, kDownY = 353;
constexpr int kCloseX = 535, kCloseY = 380;
constexpr int kBarColumn = 526;  // the knob's light and dark edges
constexpr uint8_t kLightPen = 25, kDarkPen = 24;

using test::At;
using test::WholeScreen;

std::string LongText() {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "The realm of Kadun waits for its ruler. ";
  return text;
}

class TextBoxTest : public test::ModalBoxTest {
 protected:
  void CloseStillOpen() override { Click(kCloseX + InX(), kCloseY + InY()); }
  void Start(const std::string& text) {
    text_ = text;
    StartModal([this] { return TextBox(text_.c_str()); });
    Sync(300, 300);
  }
  void CloseAndExpectClosed(int dx = 0, int dy = 0) {
    Click(kCloseX + dx, kCloseY + dy);
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(result_, 1);
    ExpectScreenAsBefore();
  }
  // Pressed at (x, y), `ticks` timer ticks, released there.
  void Hold(int x, int y, int ticks) {
    Press(x, y);
    for (int i = 0; i < ticks; ++i) Tick();
    Release(x, y);
  }

  // The knob on the screen: its top row and height (light edge then dark
  // foot). Read after a Sync, so the box is not drawing meanwhile.
  int KnobTop() {
    for (int row = 117; row < 341; ++row)
      if (test::ScreenPixel(kBarColumn, row) == kLightPen) return row;
    return -1;
  }
  int KnobHeight() {
    int rows = 0;
    for (int row = 117; row < 341; ++row) {
      const uint8_t pen = test::ScreenPixel(kBarColumn, row);
      rows += pen == kLightPen || pen == kDarkPen;
    }
    return rows;
  }
  int KnobTopAt(int percent) { return 117 + (224 - KnobHeight()) * percent / 100; }

  std::string text_;
};

TEST_P(TextBoxTest, TheCloseButtonAndArrowsScrollingTenPercentOnEveryTickWhileHeld) {
  Start(LongText());
  EXPECT_NE(WholeScreen(), before_) << "the box is shown";
  EXPECT_EQ(test::ScreenPixel(101, 88 + 304), 16) << "the text window's background";
  const std::vector<uint8_t> shown = WholeScreen();
  // Pressed, dragged off and released outside: drawn normal again, open.
  Press(kCloseX, kCloseY);
  Sync(kCloseX, kCloseY);
  EXPECT_NE(WholeScreen(), shown) << "the button drawn pressed";
  Post(WM_MOUSEMOVE, MK_LBUTTON, At(400, 300));
  Release(400, 300);
  Sync(300, 300);
  EXPECT_TRUE(Open());
  EXPECT_EQ(WholeScreen(), shown) << "the button drawn normal again";
  // The arrows: 10 % per tick while held.
  ASSERT_EQ(KnobTop(), 117);
  ASSERT_GT(KnobHeight(), 2);
  ASSERT_LT(KnobHeight(), 224);
  const std::vector<uint8_t> top = WholeScreen();

  // A click released before the next tick scrolls nothing.
  Click(kDownX, kDownY);
  Tick();
  Sync(300, 300);
  EXPECT_EQ(KnobTop(), 117);
  EXPECT_EQ(WholeScreen(), top);

  // Held: 10 % per tick (the text moving is checked by the whole-client run).
  Press(kDownX, kDownY);
  for (int i = 0; i < 3; ++i) Tick();
  Sync(kDownX, kDownY);
  EXPECT_EQ(KnobTop(), KnobTopAt(30));

  // Off the arrow the ticks stop scrolling, also back on it.
  Post(WM_MOUSEMOVE, MK_LBUTTON, At(kDownX, kDownY + 20));
  Tick();
  Post(WM_MOUSEMOVE, MK_LBUTTON, At(kDownX, kDownY));
  Tick();
  Release(kDownX, kDownY);
  Sync(300, 300);
  EXPECT_EQ(KnobTop(), KnobTopAt(30));
  Hold(kUpX, kUpY, 1);
  Sync(300, 300);
  EXPECT_EQ(KnobTop(), KnobTopAt(20));

  // The bar: the knob to the pointer, also while dragging; dragging on
  // onto the down arrow presses it.
  Press(533, 339);
  Sync(300, 300);
  EXPECT_EQ(KnobTop(), 117 + 224 - KnobHeight());
  Press(533, 200);
  Post(WM_MOUSEMOVE, MK_LBUTTON, At(533, 118));
  Sync(300, 300);
  EXPECT_EQ(KnobTop(), 117);
  Post(WM_MOUSEMOVE, MK_LBUTTON, At(kDownX, kDownY));
  Tick();
  Release(kDownX, kDownY);
  Sync(300, 300);
  EXPECT_EQ(KnobTop(), KnobTopAt(10));

  // Down to the end and no further.
  Hold(kDownX, kDownY, 15);
  Sync(300, 300);
  EXPECT_EQ(KnobTop(), 117 + 224 - KnobHeight());
  CloseAndExpectClosed();
}

TEST_P(TextBoxTest, InTheLargerOpenGLWindowTheBarTakesTheScreenRow) {
  if (DirectDraw()) GTEST_SKIP() << "the window is the screen";
  WindowWidth = 800;  // the screen centred: 80 columns and 60 rows in
  WindowHeight = 600;
  Start(LongText());
  Hold(533 + 80, 339 + 60, 0);  // the foot of the bar
  Sync(300, 300);
  EXPECT_EQ(KnobTop(), 117 + 224 - KnobHeight());
  Hold(533 + 80, 118 + 60, 0);  // its top
  Sync(300, 300);
  EXPECT_EQ(KnobTop(), 117);
  CloseAndExpectClosed(80, 60);
}

TEST_P(TextBoxTest, TheTextAreaWrapsAndLogsItsSize) {
  TextFont* font = OpenDiskFont("fonts/xhelvetica11.fnt");
  ASSERT_NE(font, nullptr);
  const uint16_t lineHeight = static_cast<uint16_t>(font->YSize + 1);
  test::LogCapture log;
  RequesterBox* box = InitRequesterTextBox(417, font, "one line", 101, 88, 417, 305, 16, 7);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(log.Take(), "InitRequesterTextBox_Bitmap: Anzahl Zeilen 2\n"
                        "InitRequesterTextBox_Bitmap: DestHoehe ist 305 Pixel\n"
                        "InitRequesterTextBox_Bitmap: TextHoehe ist " + std::to_string(2 * lineHeight) +
                        " Pixel\nInitRequesterTextBox_Bitmap: DestHoehe ist groesser !\n");
  EXPECT_EQ(box->lineCount, 1);
  EXPECT_EQ(box->knobSize, 100);
  EXPECT_EQ(box->bitmap->Rows, 305u) << "as high as the window";
  EXPECT_EQ(box->contentHeight, 3 * lineHeight);
  EXPECT_EQ(box->selected, -1);
  FreeRequesterBox(box);

  // 100,000 characters: a content-high bitmap, text down to the last line.
  std::string big;
  while (big.size() < 100000) big += "Veskaria keeps every word of a long chronicle. ";
  big.resize(100000);
  test::LogCapture tallLog;
  box = InitRequesterTextBox(417, font, big.c_str(), 101, 88, 417, 305, 16, 7);
  ASSERT_NE(box, nullptr);
  EXPECT_NE(tallLog.Take().find("DestHoehe ist kleiner !\n"), std::string::npos);
  EXPECT_GT(box->lineCount, 1000);
  EXPECT_EQ(box->contentHeight, (box->lineCount + 2) * lineHeight);
  EXPECT_EQ(box->bitmap->Rows, static_cast<uint32_t>((box->lineCount + 3) * lineHeight));
  EXPECT_EQ(box->knobSize, 305 * 100 / (box->lineCount * lineHeight));
  bool inked = false;  // something in the text pen on the last line's rows
  const int lastTop = (box->lineCount - 1) * lineHeight;
  for (int row = lastTop; row < lastTop + lineHeight && !inked; ++row)
    for (int col = 0; col < 417 && !inked; ++col) inked = test::BitmapPixel(box->bitmap, col, row) == 7;
  EXPECT_TRUE(inked);
  FreeRequesterBox(box);
  CloseFont(font);
}

// ---- failures, run on the test thread with a closing click queued ----------------

TEST_P(TextBoxTest, EveryFailureIsLoggedReleasesEverythingAndPutsTheScreenBack) {
  const uint64_t before = AllocVecCalls();
  Click(kCloseX, kCloseY);
  ASSERT_EQ(TextBox("Some text to show."), 1);
  const uint64_t calls = AllocVecCalls() - before;
  ExpectScreenAsBefore();

  // Each failed allocation ends in one of these (the fourth need not be seen).
  const std::vector<std::string> messages = {
      "TextBox:Konnte den Hintergrund nicht Retten ,baue TextBox NICHT auf.",
      "TextBox:Konnte den KadunC1 Font nicht " "\xc3\xb6" "ffnen!",
      "TextBox:Konnte den Helvetica Font nicht " "\xc3\xb6" "ffnen!",
      "TextBox:Konnte die Grafik fuer den TextRequester nicht Laden!",
      "TextBox:Konnte keinen RastPort fuer die TextBox Grafik anlegen.",
      "TextBox:Konnte den Requester nicht anlegen.\n",
  };
  std::vector<bool> seen(messages.size(), false);
  for (uint64_t n = 1; n <= calls; ++n) {
    test::DrainMessages();
    Click(kCloseX, kCloseY);
    test::LogCapture log;
    FailAllocVecAt(static_cast<uint32_t>(n));
    const int32_t result = TextBox("Some text to show.");
    FailAllocVecAt(0);
    const std::string logged = log.Take();
    if (result == 0) {
      bool known = false;
      for (size_t m = 0; m < messages.size(); ++m)
        if (logged.ends_with(messages[m])) seen[m] = known = true;
      EXPECT_TRUE(known) << "allocation " << n << ": " << logged;
    }
    ExpectScreenAsBefore();
  }
  for (size_t m : {0, 1, 2, 4, 5}) EXPECT_TRUE(seen[m]) << messages[m];

  // The text area's own messages come before the box's; a text taller than
  // the window asks for a content-high bitmap.
  const std::string tall(2000, '\n');
  const std::string init = "AllocVec: 000 InitRequesterTextBox_Init: Konnte Speicher f\xc3\xbcr ";
  const std::string initEnd =
      " nicht allokieren 001 \nInitRequesterTextBox: Konnte Speicher fuer Struktur nicht allokieren 001 \n";
  const std::string bitmap = "InitRequesterTextBox_Bitmap: Konnte Speicher nicht allokieren ";
  const std::string bitmap2 = bitmap + "002 \nInitRequesterTextBox: Konnte BitMap fuer Requester nicht allokieren 001 \n";
  struct Row {
    uint32_t n;
    const char* text;
    std::string logged;
    bool exact;
  };
  for (const Row& row : {Row{1, "x", init + "Struktur" + initEnd, true}, Row{2, "x", init + "RastPort" + initEnd, true},
                         Row{3, "x", bitmap2, false}, Row{3, tall.c_str(), bitmap + "003 \n", false}}) {
    SCOPED_TRACE(row.n);
    test::LogCapture log;
    FailAllocVecAt(row.n);
    EXPECT_EQ(InitRequesterTextBox(417, nullptr, row.text, 101, 88, 417, 305, 16, 7), nullptr);
    FailAllocVecAt(0);
    const std::string logged = log.Take();
    if (row.exact)
      EXPECT_EQ(logged, row.logged);
    else
      EXPECT_NE(logged.find(row.logged), std::string::npos) << logged;
    EXPECT_EQ(LiveAllocVecBlocks(), base_);
  }

  // A missing frame picture list (missing fonts fail as their allocations do above).
  ASSERT_EQ(std::remove("data/path"), 0);
  test::LogCapture log;
  EXPECT_EQ(TextBox("x"), 0);
  const std::string logged = log.Take();
  EXPECT_NE(logged.find("TextBox:Konnte"), std::string::npos) << logged;
  ExpectScreenAsBefore();
}

INSTANTIATE_TEST_SUITE_P(Presenters, TextBoxTest, test::AllPresenters(), test::PresenterName);

}  // namespace
}  // namespace vsk
