// Disk fonts and text: loading (and every way a file can be refused),
// measuring, and drawing in both modes and both draw modes.
#include <windows.h>
#include <ddraw.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/dd_objects.h"
#include "gfx/font.h"
#include "platform/testing.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "support/font_builder.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "support/screen_fixture.h"

namespace vsk {
namespace {

using test::BitmapPixel;
using test::Bytes;
using test::FontBuilder;
using test::LogCapture;
using test::WriteBytes;

// A proportional font of three rows, baseline on row 2: 'i' is one column
// wide, kerned one pixel left, advancing 6 - 1 = 5; 'o' is 3 wide, advance 4.
FontBuilder SmallProportional() {
  FontBuilder font('a', 'z', 3, 2);
  font.Proportional()
      .Glyph('i', {"#", ".", "#"}, 6, -1)
      .Glyph('o', {"###", "#.#", "###"}, 4)
      .Glyph('l', {"#", "#", "#"}, 2);
  return font;
}

// A fixed-width font whose 'A' is 7 pixels wide.
FontBuilder FixedSeven() {
  FontBuilder font('A', 'C', 2, 1);
  font.Glyph('A', {"#######", "#.....#"}, 9).Glyph('B', {"##", "##"}, 1);
  return font;
}

// Rows of a bitmap's corner as text: '.' for 0, else the value's digit
// ('a' = 10 …).
std::vector<std::string> Picture(const BitMap* bitmap, int x0, int y0, int w, int h) {
  std::vector<std::string> rows;
  for (int y = y0; y < y0 + h; ++y) {
    std::string row;
    for (int x = x0; x < x0 + w; ++x) {
      uint8_t v = BitmapPixel(bitmap, x, y);
      row += v == 0 ? '.' : v < 10 ? static_cast<char>('0' + v) : static_cast<char>('a' + v - 10);
    }
    rows.push_back(row);
  }
  return rows;
}

class FontFiles : public test::GameDirTest {
 protected:
  TextFont* Load(const Bytes& bytes, std::string* log = nullptr) {
    WriteBytes("font.fnt", bytes.data);
    LogCapture capture;
    TextFont* font = OpenDiskFont("font.fnt");
    std::string text = capture.Take();
    if (log) *log = text;
    return font;
  }
  std::string Refusal(const Bytes& bytes) {
    std::string log;
    EXPECT_EQ(Load(bytes, &log), nullptr);
    EXPECT_EQ(LiveAllocVecBlocks(), before_);
    return log;
  }
  int64_t before_ = LiveAllocVecBlocks();
};

// What a loaded font holds shows in the drawing tests below; these are the
// files it refuses.
TEST_F(FontFiles, EachBrokenStageHasItsMessage) {
  LogCapture capture;
  EXPECT_EQ(OpenDiskFont("fonts/none.fnt"), nullptr);
  EXPECT_EQ(capture.Take(), "OpenDiskFont:000");

  const Bytes good = SmallProportional().Build();
  auto spoil = [&](size_t at, std::vector<uint8_t> with) {
    Bytes bytes = good;
    std::copy(with.begin(), with.end(), bytes.data.begin() + static_cast<ptrdiff_t>(at));
    return bytes;
  };
  auto cut = [&](size_t size) {
    Bytes bytes = good;
    bytes.data.resize(size);
    return bytes;
  };
  FontBuilder noA('B', 'C', 2, 1);
  noA.Glyph('B', {"##", "##"}, 3);
  const size_t n = 26;
  const struct {
    const char* what;
    Bytes file;
    const char* message;
  } cases[] = {
      {"not FONT", spoil(0, {'F', 'O', 'R', 'M'}), "OpenDiskFont:001"},
      {"empty", cut(0), "OpenDiskFont:001"},
      {"three bytes", cut(3), "OpenDiskFont:001"},
      {"not CHAR", spoil(20, {'C', 'H', 'A', 'X'}), "OpenDiskFont:002"},
      {"header cut", cut(23), "OpenDiskFont:002"},
      {"HiChar below LoChar", spoil(4, {'z', 'a'}), "OpenDiskFont:002"},
      {"'o' at column 3, 3 wide, in a strip of 5", spoil(24 + 4 * ('o' - 'a') + 1, {3}), "OpenDiskFont:002"},
      {"a fixed-width font needs 'A'", noA.Build(), "OpenDiskFont:002"},
      {"tables cut", cut(24 + 8 * n), "OpenDiskFont: 003"},
      {"not DATA", spoil(24 + 8 * n, {'D', 'A', 'T', 'E'}), "OpenDiskFont: 003"},
      {"glyph strip one byte short", cut(good.size() - 1), "OpenDiskFont: 003"},
  };
  for (const auto& c : cases) EXPECT_EQ(Refusal(c.file), c.message) << c.what;
  noA.Proportional();
  TextFont* font = Load(noA.Build());
  EXPECT_NE(font, nullptr) << "a proportional one needs no 'A'";
  CloseFont(font);
}

TEST_F(FontFiles, EveryAllocationFailureReleasesTheRest) {
  const Bytes good = SmallProportional().Build();
  WriteBytes("font.fnt", good.data);
  // File, record, four tables: six blocks.
  for (uint32_t n = 1; n <= 6; ++n) {
    LogCapture capture;
    FailAllocVecAt(n);
    EXPECT_EQ(OpenDiskFont("font.fnt"), nullptr) << n;
    FailAllocVecAt(0);
    EXPECT_EQ(LiveAllocVecBlocks(), before_) << n;
  }
  TextFont* font = OpenDiskFont("font.fnt");
  EXPECT_NE(font, nullptr);
  CloseFont(font);
}

TEST(TextLength, SumsAdvancesIn16Bits) {
  TextFont font{};
  CharLocEntry loc[3] = {{0, 1}, {0, 7}, {0, 2}};
  uint16_t space[3] = {6, 9, 40000};
  int16_t kern[3] = {-1, 0, 0};
  font.LoChar = 'a';
  font.HiChar = 'c';
  font.CharLoc = loc;
  font.CharSpace = space;
  font.CharKern = kern;
  font.SpacingTag = kFontTagPROP;
  RastPort rp;
  InitRastPort(&rp);
  rp.Font = &font;
  EXPECT_EQ(TextLength(&rp, "ab", 2), 14);
  EXPECT_EQ(TextLength(&rp, "ab", 0), 0);
  EXPECT_EQ(TextLength(&rp, "a!b~", 4), 14) << "characters outside the range count nothing";
  EXPECT_EQ(TextLength(&rp, "cc", 2), 80000 - 65536);

  font.SpacingTag = 0x46495844;  // "FIXD"
  font.XSize = 7;
  EXPECT_EQ(TextLength(&rp, "abc", 3), 21);
  EXPECT_EQ(TextLength(&rp, "cab", 3), 21) << "whatever the characters";
  EXPECT_EQ(TextLength(&rp, "a z", 3), 7);
}

// Drawing text into a bitmap and onto the screen, in both presenter modes.
class TextDrawing : public test::ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    if (HasFatalFailure()) return;
    bitmap_ = AllocBitMap(22, 6, 8, 1);  // DirectDraw: the pitch is wider
    ASSERT_NE(bitmap_, nullptr);
    test::FillBitmap(bitmap_, 0);
    InitRastPort(&rp_);
    rp_.BitMap = bitmap_;
  }
  void TearDown() override {
    CloseFont(font_);
    FreeBitMap(bitmap_);
    EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
    ScreenModeTest::TearDown();
  }
  void Use(const FontBuilder& builder) {
    WriteBytes("font.fnt", builder.Build().data);
    font_ = OpenDiskFont("font.fnt");
    ASSERT_NE(font_, nullptr);
    SetFont(&rp_, font_);
  }

  BitMap* bitmap_ = nullptr;
  TextFont* font_ = nullptr;
  RastPort rp_{};
};

TEST_P(TextDrawing, SetFontCopiesHeightAndBaseline) {
  Use(SmallProportional());
  EXPECT_EQ(rp_.Font, font_);
  EXPECT_EQ((std::vector<int>{rp_.TxHeight, rp_.TxBaseline}), (std::vector<int>{3, 2}));
}

// A font whose glyphs reach past the bitmap's edges when drawn near them.
FontBuilder Edgy(uint16_t baseline) {
  FontBuilder font('a', 'z', 3, baseline);
  font.Proportional().Glyph('y', {"#.#", ".#.", "#.."}, 3, -1).Glyph('o', {"###", "#.#", "###"}, 4);
  return font;
}

// Text drawn on a bitmap filled with `fill` ('.' in the pictures is 0); the
// pen does not move. Fonts and pens from game data may put glyphs across the
// bitmap's edges: the part inside is drawn as usual, nothing outside is
// written (in memory AddressSanitizer would see it), and no glyph is dropped.
TEST_P(TextDrawing, GlyphsInEachDrawModeSpacingAndAcrossTheEdges) {
  FontBuilder colour(' ', 'Z', 2, 1);
  colour.MultiColour().Glyph('A', {"1.c", "z2."}, 3);
  const std::string eights(22, '8');
  const struct {
    const char* what;
    FontBuilder font;
    uint8_t fill, fg, bg, mode;
    int16_t x, y;  // the pen: the baseline row
    const char* text;
    int left, top;  // the corner of the expected picture
    std::vector<std::string> picture;
  } cases[] = {
      // 'i' one left of the pen at 1, 'o' at 2 + 5 = 7, 'i' at 11 - 1 = 10,
      // 'l' at 11 + 5 = 16.
      {"kerning and advance in JAM1", SmallProportional(), 8, 5, 3, JAM1, 2, 3, "ioil", 0, 0,
       {"888888888888888888", "858888855558888858", "888888858588888858", "858888855558888858",
        "888888888888888888"}},
      {"JAM2 paints only the glyph boxes", SmallProportional(), 8, 5, 3, JAM2, 1, 2, "oi", 0, 0,
       {"85555888", "85353888", "85555888", "88888888"}},
      {"multi-colour glyphs keep their colours", colour, 0, 9, 4, JAM2, 0, 1, "A", 0, 0, {"14c.", "z24."}},
      // The out-of-range code draws and advances nothing.
      {"fixed width advances by the width of 'A'", FixedSeven(), 0, 2, 0, JAM1, 0, 1, "B\x01" "AB", 0, 0,
       {"22.....222222222......", "22.....2.....222......"}},
      {"kerned left of column 0", Edgy(2), 8, 5, 3, JAM1, 0, 2, "y", 0, 0, {"858", "588", "888"}},
      {"the pen above the glyph's top", Edgy(2), 8, 5, 3, JAM1, 4, 0, "o", 0, 0, {"88885558", "88888888"}},
      {"past the right and the bottom", Edgy(2), 8, 5, 3, JAM1, 20, 6, "o", 18, 3, {"8888", "8855", "8858"}},
      {"a baseline far below the glyph", Edgy(0xFFFF), 8, 5, 3, JAM1, 4, 2, "oyo", 0, 0, {eights, eights, eights}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CloseFont(font_);
    font_ = nullptr;
    Use(c.font);
    test::FillBitmap(bitmap_, c.fill);
    SetABPenDrMd(&rp_, c.fg, c.bg, c.mode);
    Move(&rp_, c.x, c.y);
    Text(&rp_, c.text, static_cast<int32_t>(std::strlen(c.text)));
    EXPECT_EQ(Picture(bitmap_, c.left, c.top, static_cast<int>(c.picture[0].size()), static_cast<int>(c.picture.size())),
              c.picture);
    EXPECT_EQ(rp_.cp_x, c.x) << "the pen does not move";
  }
}

TEST_P(TextDrawing, ScreenTextReportsItsBox) {
  Use(SmallProportional());
  SetFont(ScreenRp(), font_);
  SetAPen(ScreenRp(), 6);
  Move(ScreenRp(), 100, 52);
  Text(nullptr, "oil", 3);
  EXPECT_EQ(test::DisplayPixel(100, 50), 6);
  EXPECT_EQ(test::DisplayPixel(101, 51), 0);
  EXPECT_EQ(test::DisplayPixel(109, 52), 6) << "'l' at 100 + 4 + 5";
  EXPECT_EQ(test::DisplayPixel(103, 50), 6) << "'i' kerned onto 103";
  Text(nullptr, "oil", 0);
  if (!DirectDraw()) {
    EXPECT_EQ(test::TakeUpdates(), (std::vector<test::UpdateRect>{{100, 50, 11, 3}, {100, 50, 0, 3}}));
  }
}

TEST_P(TextDrawing, ALockFailureDrawsNothingButStillReports) {
  if (!DirectDraw()) GTEST_SKIP() << "only surfaces can fail to lock";
  Use(FixedSeven());
  SetFont(ScreenRp(), font_);
  Move(ScreenRp(), 0, 1);
  platform::testing::LoseSurface(OffscreenSurface);
  LogCapture log;
  Text(ScreenRp(), "A", 1);
  const std::string text = log.Take();
  OffscreenSurface->Restore();
  EXPECT_EQ(text, "DXText:Konnte Surface nicht locken!UpdateRectangle: 000 .\n");
  EXPECT_EQ(test::ScreenPixel(0, 0), 0);
}

INSTANTIATE_TEST_SUITE_P(BothPresenters, TextDrawing, test::AllPresenters(), test::PresenterName);

}  // namespace
}  // namespace vsk
