// Word wrap: where lines break, what is dropped, and texts and words of any
// length. The block font makes every character 5 pixels wide.
#include "ui/text_box.h"
#include "ui/ui_test.h"

namespace vsk {
namespace {

using test::kCell;
using test::kLineHeight;

class WordWrapTest : public test::ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    font_ = test::OpenBlockFont();
    ASSERT_NE(font_, nullptr);
    rp_ = ScreenRp();
    SetFont(rp_, font_);
    SetDrMd(rp_, JAM1);
    SetAPen(rp_, 7);
    test::FillBitmap(TheScreen->BitMap, 0);
  }
  void TearDown() override {
    if (TheScreen) SetFont(ScreenRp(), nullptr);
    CloseFont(font_);
    ScreenModeTest::TearDown();
  }
  uint16_t Count(const std::string& text, uint16_t maxWidth, uint16_t maxChars = kNoLimit,
                 uint16_t maxLines = kNoLimit) {
    return CountTextLines(rp_, text.c_str(), 0, 0, maxChars, maxLines, maxWidth);
  }
  // Characters drawn on line n (1-based) of a text drawn at (10, 20): the
  // filled cells from the left, stopping at the first empty cell.
  int CellsOnLine(int line) {
    int cells = 0;
    while (cells < 100 && test::ScreenPixel(10 + cells * kCell, 20 + (line - 1) * kLineHeight) == 7) ++cells;
    return cells;
  }

  TextFont* font_ = nullptr;
  RastPort* rp_ = nullptr;
};

TEST_P(WordWrapTest, BreaksAtSpacesLineFeedsAndInsideWordsTooWide) {
  EXPECT_EQ(Count("", 20), 1) << "an empty text is one line";
  EXPECT_EQ(Count("a\n", 20), 2) << "the second line empty";
  EXPECT_EQ(Count("\n\n", 20), 3);
  EXPECT_EQ(Count("abcd", 20), 1) << "exactly the width";
  EXPECT_EQ(Count("ab cd", 20), 2);
  EXPECT_EQ(Count("ab\ncd", 20, kNoLimit, 1), 1) << "maxLines";
  EXPECT_EQ(Count("abcd", 100, 2), 2) << "maxChars";

  // "ab " keeps its space (it fits), "cd" moves on as a whole.
  EXPECT_EQ(DrawWrappedText(rp_, "ab cd", 10, 20, kNoLimit, kNoLimit, 20), 2);
  EXPECT_EQ(CellsOnLine(1), 2);
  EXPECT_EQ(CellsOnLine(2), 2);

  // Spaces that no longer fit are all dropped: the next line starts at "de".
  test::FillBitmap(TheScreen->BitMap, 0);
  EXPECT_EQ(DrawWrappedText(rp_, "abc    de", 10, 20, kNoLimit, kNoLimit, 20), 2);
  EXPECT_EQ(CellsOnLine(1), 3);
  EXPECT_EQ(CellsOnLine(2), 2);

  // A word wider than the line: the line it would start is ended, then the
  // word is cut between characters.
  test::FillBitmap(TheScreen->BitMap, 0);
  EXPECT_EQ(DrawWrappedText(rp_, "xy abcdefghij", 10, 20, kNoLimit, kNoLimit, 20), 4);
  EXPECT_EQ(CellsOnLine(1), 2);
  EXPECT_EQ(CellsOnLine(2), 4);
  EXPECT_EQ(CellsOnLine(3), 4);
  EXPECT_EQ(CellsOnLine(4), 2);
  EXPECT_EQ(test::ScreenPixel(10 + 20, 20 + kLineHeight), 0) << "nothing beyond maxWidth";

  // A character wider than the whole line stands alone on its line rather
  // than holding the wrap for ever; so does every character with maxChars 0.
  EXPECT_EQ(Count("ab", 3), 2);
  EXPECT_EQ(Count("abc", 100, 0), 3);
}

TEST_P(WordWrapTest, LinesAndWordsLongerThan255Characters) {
  // 300 words of two characters and a space: 900 characters, 160 a line at
  // 800 pixels (the last space of each line stays on it).
  std::string words;
  for (int i = 0; i < 300; ++i) words += "ab ";
  EXPECT_EQ(Count(words, 800), 300 * 3 / 160 + 1);
  EXPECT_EQ(Count(words, 0xFFFE), 1) << "one line of 900 characters";

  // One word of 1000 characters: the empty line it starts after, then the
  // word cut over full lines; every character is drawn once.
  const std::string word(1000, 'w');
  EXPECT_EQ(Count(word, 500), 11);
  const uint16_t lines = DrawWrappedText(rp_, word.c_str(), 10, 20, kNoLimit, kNoLimit, 100);
  EXPECT_GE(lines, 51);
  EXPECT_EQ(CellsOnLine(1), 0);
  EXPECT_EQ(CellsOnLine(2), 20);
  int drawn = 0;
  for (int line = 1; line <= lines; ++line) {
    EXPECT_LE(CellsOnLine(line), 20);
    drawn += CellsOnLine(line);
  }
  EXPECT_EQ(drawn, 1000);
}

TEST_P(WordWrapTest, AGlyphKernedPastTheLeftEdgeIsCutNotDropped) {
  // 'y' two columns wide, kerned one left: a line starting with it at
  // column 0 shows its right column there.
  test::FontBuilder kerned(' ', 'z', 4, 3);
  kerned.Proportional().Glyph('y', {"##", "##", "##", "##"}, 3, -1).Glyph('o', {"#", "#", "#", "#"}, 2);
  test::WriteBytes("kerned.fnt", kerned.Build().data);
  TextFont* font = OpenDiskFont("kerned.fnt");
  ASSERT_NE(font, nullptr);
  SetFont(rp_, font);
  EXPECT_EQ(DrawWrappedText(rp_, "oo you", 0, 20, kNoLimit, kNoLimit, 5), 2);
  EXPECT_EQ(test::ScreenPixel(0, 20 + kLineHeight), 7) << "the 'y' of \"you\" at the start of line 2";
  EXPECT_EQ(test::ScreenPixel(1, 20 + kLineHeight), 0);
  SetFont(rp_, font_);
  CloseFont(font);
}

INSTANTIATE_TEST_SUITE_P(Presenters, WordWrapTest, test::AllPresenters(), test::PresenterName);

}  // namespace
}  // namespace vsk
