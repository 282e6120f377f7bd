// Disk fonts and text: loading, every refused file, measuring, and drawing in both modes.
#include "pictures/pictures_test.h"

namespace vsk {
namespace {

using namespace test;
using Rows = std::vector<std::string>;

// Three rows, baseline 2: 'i' 1 wide, kerned -1, advance 6 - 1; 'o' 3 wide, advance 4; 'l' advance 2.
FontBuilder SmallProportional() {
  FontBuilder font('a', 'z', 3, 2);
  font.Proportional().Glyph('i', {"#", ".", "#"}, 6, -1).Glyph('o', {"###", "#.#", "###"}, 4);
  font.Glyph('l', {"#", "#", "#"}, 2);
  return font;
}

class FontFiles : public GameDirTest {
 protected:
  // Loads the bytes as a font file; what was logged goes to log_.
  TextFont* Load(const Bytes& bytes) {
    WriteBytes("font.fnt", bytes.data);
    LogCapture capture;
    TextFont* font = OpenDiskFont("font.fnt");
    log_ = capture.Take();
    return font;
  }
  int64_t before_ = LiveAllocVecBlocks();
  std::string log_;
};

TEST_F(FontFiles, LoadsEveryTableRefusesBrokenFilesAndMeasuresText) {
  TextFont* font = Load(SmallProportional().Build());
  ASSERT_NE(font, nullptr);
  // i, l, o side by side in a strip of 5; 'o' has a hole on row 1; "MONO", "PROP".
  EXPECT_EQ((std::vector<int64_t>{font->LoChar, font->HiChar, font->YSize, font->Baseline, font->Modulo, font->XSize,
                                  font->ColorTag, font->SpacingTag, font->CharLoc['o' - 'a'].offset,
                                  font->CharLoc['o' - 'a'].width, font->CharSpace['i' - 'a'],
                                  font->CharKern['i' - 'a'], font->CharData[5 + 2], font->CharData[5 + 3]}),
            (std::vector<int64_t>{'a', 'z', 3, 2, 5, 0, 0x4D4F4E4F, kFontTagPROP, 2, 3, 6, -1, 1, 0}));
  CloseFont(font);
  // The good file cut to `size` bytes, or with `with` written at `at`.
  const Bytes good = SmallProportional().Build();
  auto cut = [&](size_t size, size_t at = 0, const std::string& with = "") {
    Bytes bytes = good;
    bytes.data.resize(size);
    std::copy(with.begin(), with.end(), bytes.data.begin() + static_cast<ptrdiff_t>(at));
    return bytes;
  };
  auto spoil = [&](size_t at, const std::string& with) { return cut(good.size(), at, with); };
  const size_t tables = 24 + 8 * 26, o = 24 + 4 * ('o' - 'a');
  FontBuilder noA('B', 'C', 2, 1);
  noA.Glyph('B', {"##", "##"}, 3);
  const std::pair<Bytes, const char*> cases[] = {
      {spoil(0, "FORM"), "OpenDiskFont:001"}, {cut(0), "OpenDiskFont:001"}, {cut(3), "OpenDiskFont:001"},
      {spoil(20, "CHAX"), "OpenDiskFont:002"}, {cut(23), "OpenDiskFont:002"},
      {spoil(4, "za"), "OpenDiskFont:002"},               // HiChar below LoChar
      {spoil(o, std::string{0, 3}), "OpenDiskFont:002"},  // 'o' at 3, 3 wide, beyond Modulo 5
      {noA.Build(), "OpenDiskFont:002"},                  // a fixed-width font needs 'A'
      {cut(tables), "OpenDiskFont: 003"}, {spoil(tables, "DATE"), "OpenDiskFont: 003"},
      {cut(good.size() - 1), "OpenDiskFont: 003"},  // glyph strip one byte short
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(Load(cases[i].first), nullptr) << "case " << i;
    EXPECT_EQ(log_, cases[i].second) << "case " << i;
    EXPECT_EQ(LiveAllocVecBlocks(), before_) << "case " << i;
  }
  LogCapture capture;
  EXPECT_EQ(OpenDiskFont("fonts/none.fnt"), nullptr);
  EXPECT_EQ(capture.Take(), "OpenDiskFont:000");
  noA.Proportional();
  font = Load(noA.Build());
  EXPECT_NE(font, nullptr) << "a proportional one needs no 'A'";
  CloseFont(font);
  // Each allocation that fails releases the rest: file, record, four tables.
  WriteBytes("font.fnt", good.data);
  for (uint32_t n = 1; n <= 6; ++n) {
    LogCapture failure;
    FailAllocVecAt(n);
    EXPECT_EQ(OpenDiskFont("font.fnt"), nullptr) << n;
    FailAllocVecAt(0);
    EXPECT_EQ(LiveAllocVecBlocks(), before_) << n;
  }

  // TextLength sums the advances in 16 bits; characters outside the range count nothing.
  FontBuilder builder('a', 'c', 1, 0);
  builder.Proportional().Glyph('a', {"#"}, 6, -1).Glyph('b', {"#######"}, 9).Glyph('c', {"##"}, 40000);
  font = Load(builder.Build());
  ASSERT_NE(font, nullptr);
  RastPort rp;
  InitRastPort(&rp);
  rp.Font = font;
  EXPECT_EQ((std::vector<int>{TextLength(&rp, "ab", 2), TextLength(&rp, "ab", 0), TextLength(&rp, "a!b~", 4),
                              TextLength(&rp, "cc", 2)}),
            (std::vector<int>{14, 0, 14, 80000 - 65536}));
  font->SpacingTag = 0x46495844;  // "FIXD": the width of 'A' whatever the characters
  font->XSize = 7;
  EXPECT_EQ((std::vector<int>{TextLength(&rp, "cab", 3), TextLength(&rp, "a z", 3)}), (std::vector<int>{21, 7}));
  CloseFont(font);
}

class TextDrawing : public ScreenModeTest {};

// Opens the font and sets it on rp (closing the one before).
void Use(const FontBuilder& builder, RastPort* rp) {
  CloseFont(rp->Font);
  WriteBytes("font.fnt", builder.Build().data);
  SetFont(rp, OpenDiskFont("font.fnt"));
  ASSERT_NE(rp->Font, nullptr);
}

// 'y' and 'o' of a three-row font with the baseline given.
FontBuilder Edges(uint16_t baseline) {
  FontBuilder font('a', 'z', 3, baseline);
  font.Proportional().Glyph('y', {"#.#", ".#.", "#.."}, 3, -1).Glyph('o', {"###", "#.#", "###"}, 4);
  return font;
}

// Each case fills a 22 x 6 bitmap, sets pens and position, draws the text and compares the corner at
// (left, top) with the picture: '.' for 0, else the value's digit ('a' = 10 …).
TEST_P(TextDrawing, DrawsKerningAdvancesModesTheInsidePartAtTheEdgesAndOnTheScreen) {
  struct Case { const char* what; FontBuilder font; uint8_t fill, fg, bg, mode; uint16_t x, y; std::string text;
                int left, top; Rows picture; };
  FontBuilder colour(' ', 'Z', 2, 1), fixed('A', 'C', 2, 1);  // fixed: 'A' is 7 pixels wide
  colour.MultiColour().Glyph('A', {"1.c", "z2."}, 3);
  fixed.Glyph('A', {"#######", "#.....#"}, 9).Glyph('B', {"##", "##"}, 1);
  const std::string eights(22, '8');
  // Glyphs across the bitmap's edges: the part inside drawn, nothing outside (AddressSanitizer), none dropped.
  const Case cases[] = {
      // 'i' one left of the pen at 1, 'o' at 2 + 5 = 7, 'i' at 11 - 1 = 10, 'l' at 11 + 5 = 16.
      {"kerning and advance in JAM1", SmallProportional(), 8, 5, 3, JAM1, 2, 3, "ioil", 0, 0,
       {"888888888888888888", "858888855558888858", "888888858588888858", "858888855558888858",
        "888888888888888888"}},
      {"JAM2 paints only the glyph boxes", SmallProportional(), 8, 5, 3, JAM2, 1, 2, "oi", 0, 0,
       {"85555888", "85353888", "85555888", "88888888"}},
      {"multi-colour glyphs keep their colours", colour, 0, 9, 4, JAM2, 0, 1, "A", 0, 0, {"14c.", "z24."}},
      {"fixed width advances by 'A'; code 1 is out of range", fixed, 0, 2, 0, JAM1, 0, 1, "B\x01" "AB", 0, 0,
       {"22.....222222222......", "22.....2.....222......"}},
      {"kerned left of column 0", Edges(2), 8, 5, 3, JAM1, 0, 2, "y", 0, 0, {"858", "588", "888"}},
      {"the pen above the glyph's top", Edges(2), 8, 5, 3, JAM1, 4, 0, "o", 0, 0, {"88885558", "88888888"}},
      {"past the right and the bottom", Edges(2), 8, 5, 3, JAM1, 20, 6, "o", 18, 3, {"8888", "8855", "8858"}},
      {"a baseline far below the glyph", Edges(0xFFFF), 8, 5, 3, JAM1, 4, 2, "oyo", 0, 0, {eights, eights, eights}},
  };
  BitMap* bitmap = AllocBitMap(22, 6, 8, 1);  // DirectDraw: the pitch is wider
  ASSERT_NE(bitmap, nullptr);
  RastPort rp;
  InitRastPort(&rp);
  rp.BitMap = bitmap;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Use(c.font, &rp);
    EXPECT_EQ((std::vector<int>{rp.TxHeight, rp.TxBaseline}), (std::vector<int>{rp.Font->YSize, rp.Font->Baseline}));
    FillBitmap(bitmap, c.fill);
    SetABPenDrMd(&rp, c.fg, c.bg, c.mode);
    Move(&rp, c.x, c.y);
    Text(&rp, c.text.data(), static_cast<int32_t>(c.text.size()));
    EXPECT_EQ(rp.cp_x, c.x) << "the pen does not move";
    Rows shown(c.picture.size());
    for (int i = 0, width = static_cast<int>(c.picture[0].size()); i < width * static_cast<int>(shown.size()); ++i) {
      const uint8_t v = BitmapPixel(bitmap, c.left + i % width, c.top + i / width);
      shown[i / width] += static_cast<char>(v == 0 ? '.' : v < 10 ? '0' + v : 'a' + v - 10);
    }
    EXPECT_EQ(shown, c.picture);
  }
  CloseFont(rp.Font);
  FreeBitMap(bitmap);

  // On the screen: the box is reported.
  Use(SmallProportional(), ScreenRp());
  SetAPen(ScreenRp(), 6);
  Move(ScreenRp(), 100, 52);
  Text(nullptr, "oil", 3);
  Text(nullptr, "oil", 0);
  // 'i' kerned onto 103, 'l' at 100 + 4 + 5.
  EXPECT_EQ(Shown({{100, 50}, {101, 51}, {109, 52}, {103, 50}}), (std::vector<uint8_t>{6, 0, 6, 6}));
  if (DirectDraw()) {  // a lock failure draws nothing but still reports
    platform::testing::LoseSurface(OffscreenSurface);
    LogCapture log;
    Text(ScreenRp(), "o", 1);
    const std::string text = log.Take();
    OffscreenSurface->Restore();
    EXPECT_EQ(text, "DXText:Konnte Surface nicht locken!UpdateRectangle: 000 .\n");
  } else {
    EXPECT_EQ(TakeUpdates(), (std::vector<UpdateRect>{{100, 50, 11, 3}, {100, 50, 0, 3}}));
  }
  CloseFont(ScreenRp()->Font);
  SetFont(ScreenRp(), nullptr);
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
}

INSTANTIATE_TEST_SUITE_P(BothPresenters, TextDrawing, AllPresenters(), PresenterName);

}  // namespace
}  // namespace vsk
