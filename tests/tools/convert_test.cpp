// The converters: output in the formats the client reads, reserved registers
// kept free, and bad input refused with one sentence, status 1 and no file.
#include "vsk-data/convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <string>

#include "catalog/strings.h"
#include "gfx/bitmap.h"
#include "gfx/font.h"
#include "pictures/bank.h"
#include "pictures/screendata.h"
#include "services/byteorder.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "vsk-data/commands.h"
#include "vsk-data/demo.h"
#include "vsk-data/png_write.h"
#include "vsk-data/write_sound.h"

namespace vsk::data {
namespace {

namespace fs = std::filesystem;

class ConvertTest : public test::GameDirTest {
 protected:
  int Convert(const Args& args) {
    ::testing::internal::CaptureStderr();
    int status = RunConvert(args);
    stderr_ = ::testing::internal::GetCapturedStderr();
    return status;
  }
  // Exit status 1 with a sentence holding the words.
  void ExpectRefused(const Args& args, const std::string& words) {
    EXPECT_EQ(Convert(args), 1) << args[1];
    EXPECT_NE(stderr_.find(words), std::string::npos) << stderr_;
  }
  std::string stderr_;
};

// A picture of 200 colours with a transparent border.
void MakePicture(IndexedImage* image, Palette* palette) {
  image->width = 40;
  image->height = 30;
  image->pixels.resize(40 * 30);
  for (uint32_t y = 0; y < 30; ++y)
    for (uint32_t x = 0; x < 40; ++x)
      image->at(x, y) = (x == 0 || y == 0) ? 0 : static_cast<uint8_t>(1 + (x * 7 + y * 13) % 200);
  for (int i = 0; i < 256; ++i)
    (*palette)[i] = {static_cast<uint8_t>(i * 3), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)};
}

// The picture above as a PNG file.
void WritePicturePng(const std::string& path) {
  IndexedImage image;
  Palette palette;
  MakePicture(&image, &palette);
  ASSERT_TRUE(WritePng(path, image, palette));
}

TEST_F(ConvertTest, APngOfFewColoursComesBackWithTheSamePixels) {
  IndexedImage original;
  Palette palette;
  MakePicture(&original, &palette);
  ASSERT_TRUE(WritePng("in.png", original, palette));

  ASSERT_EQ(Convert({"picture", "in.png", "pics/out"}), 0) << stderr_;
  std::vector<uint8_t> pixels = test::ReadBytes("pics/out.chk");
  std::vector<uint8_t> colours = test::ReadBytes("pics/out.cma");
  ASSERT_EQ(pixels.size(), 40u * 30u);
  ASSERT_EQ(colours.size(), 768u);
  for (size_t i = 0; i < 40u * 30u; ++i) {
    const Rgb& want = palette[original.pixels[i]];
    if (original.pixels[i] == 0) {
      EXPECT_EQ(pixels[i], 0) << "transparent stays colour 0";
    } else {
      ASSERT_EQ(std::vector<uint8_t>(&colours[pixels[i] * 3], &colours[pixels[i] * 3 + 3]),
                (std::vector<uint8_t>{want.r, want.g, want.b})) << "pixel " << i;
    }
  }
}

TEST_F(ConvertTest, QuantisingKeepsReservedRegistersFree) {
  RgbaImage gradient;
  gradient.width = 64;
  gradient.height = 64;
  for (uint32_t y = 0; y < 64; ++y)
    for (uint32_t x = 0; x < 64; ++x)
      for (uint8_t v : {uint8_t(x * 4), uint8_t(y * 4), uint8_t((x + y) * 2), uint8_t(255)}) gradient.pixels.push_back(v);
  RegisterMask reserved{};
  std::string error;
  ASSERT_TRUE(ParseRegisterList("0,139-155", &reserved, &error)) << error;
  IndexedImage image;
  Palette palette;
  ASSERT_TRUE(IndexPicture(gradient, nullptr, reserved, &image, &palette, &error)) << error;
  std::set<uint8_t> used(image.pixels.begin(), image.pixels.end());
  EXPECT_GT(used.size(), 200u) << "4096 colours fill the free registers";
  for (uint8_t r : used) EXPECT_FALSE(reserved[r]) << int(r);
  // Every pixel lands near its colour.
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    const Rgb& c = palette[image.pixels[i]];
    EXPECT_LE(std::abs(c.r - gradient.pixels[i * 4]) + std::abs(c.g - gradient.pixels[i * 4 + 1]), 40) << i;
  }

  // Onto a given palette: only unreserved registers other than 0.
  Palette given{};
  given[5] = {250, 0, 0};
  given[140] = {0, 0, 250};
  given[200] = {0, 0, 200};
  ASSERT_TRUE(IndexPicture(gradient, &given, reserved, &image, &palette, &error));
  used = std::set<uint8_t>(image.pixels.begin(), image.pixels.end());
  EXPECT_FALSE(used.count(140));
  EXPECT_FALSE(used.count(0));
  EXPECT_TRUE(used.count(200));
  EXPECT_EQ(palette[140].b, 250) << "the given palette is kept as it is";
}

TEST_F(ConvertTest, BadPicturesAreRefusedWithoutWritingAnything) {
  test::WriteBytes("old.chk", {9, 9});
  ExpectRefused({"picture", "missing.png", "old"}, "missing.png");
  test::WriteText("text.png", "this is no picture\n");
  ExpectRefused({"picture", "text.png", "old"}, "neither a PNG nor a BMP");

  WritePicturePng("good.png");
  std::vector<uint8_t> bytes = test::ReadBytes("good.png");
  bytes.resize(bytes.size() / 2);
  test::WriteBytes("truncated.png", bytes);
  ExpectRefused({"picture", "truncated.png", "old"}, "truncated.png");

  IndexedImage wide{4097, 1, std::vector<uint8_t>(4097, 1)};
  ASSERT_TRUE(WritePng("wide.png", wide, Palette{}));
  ExpectRefused({"picture", "wide.png", "old"}, "4096");

  test::WriteBytes("short.cma", std::vector<uint8_t>(700, 1));
  ExpectRefused({"picture", "good.png", "old", "--palette", "short.cma"}, "768");

  EXPECT_EQ(test::ReadBytes("old.chk"), (std::vector<uint8_t>{9, 9})) << "the old file is kept";
  EXPECT_FALSE(test::FileExists("old.cma"));
  for (const auto& e : fs::directory_iterator("."))
    EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();

  EXPECT_EQ(Convert({"picture", "good.png"}), 2);
  EXPECT_EQ(Convert({"picture", "good.png", "x", "--reserve", "3-300"}), 2);
  EXPECT_EQ(Convert({"paint", "a", "b"}), 2);
  EXPECT_EQ(Convert({}), 2);
}

TEST_F(ConvertTest, TrueTypeBecomesAFontTheClientOpens) {
  std::string ttf = std::string(kDejaVuDirectory) + "/DejaVuSansMono.ttf";
  ASSERT_EQ(Convert({"font", ttf, "fonts/mono.fnt", "--size", "12", "--range", "32-126", "--fixed"}), 0) << stderr_;
  TextFont* font = OpenDiskFont("fonts/mono.fnt");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->LoChar, 32);
  EXPECT_EQ(font->HiChar, 126);
  RastPort rp;
  InitRastPort(&rp);
  SetFont(&rp, font);
  EXPECT_EQ(TextLength(&rp, "iWi", 3), 3 * font->XSize);
  CloseFont(font);

  ASSERT_EQ(Convert({"font", ttf, "fonts/gold.fnt", "--size", "16", "--colours", "130,131,132", "--shadow", "9"}), 0)
      << stderr_;
  font = OpenDiskFont("fonts/gold.fnt");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->ColorTag, kFontTagCOLO);
  std::set<uint8_t> inks(font->CharData, font->CharData + font->Modulo * font->YSize);
  inks.erase(0);
  for (uint8_t ink : inks) EXPECT_TRUE(ink == 9 || (ink >= 130 && ink <= 132)) << int(ink);
  CloseFont(font);

  test::WriteText("fake.ttf", "not a font");
  ExpectRefused({"font", "fake.ttf", "bad.fnt", "--size", "12"}, "fake.ttf");
  EXPECT_EQ(Convert({"font", ttf, "bad.fnt", "--size", "12", "--range", "66-90", "--fixed"}), 1)
      << "a fixed-width font needs its A";
  EXPECT_EQ(Convert({"font", ttf, "bad.fnt"}), 2) << "no size";
  EXPECT_FALSE(test::FileExists("bad.fnt"));
}

TEST_F(ConvertTest, WavBecomesBigEndianMonoSamples) {
  std::vector<int16_t> stereo(2 * 4410, 1000);
  for (size_t i = 1; i < stereo.size(); i += 2) stereo[i] = 3000;
  test::WriteBytes("in.wav", BuildWavFile(stereo, 22050, 2));
  ASSERT_EQ(Convert({"sample", "in.wav", "data/sfx/s.raw"}), 0) << stderr_;
  std::vector<uint8_t> raw = test::ReadBytes("data/sfx/s.raw");
  ASSERT_EQ(raw.size(), 4410u * 2);
  EXPECT_EQ(static_cast<int16_t>(ReadBE16(&raw[2000])), 2000) << "the two channels mixed";

  ASSERT_EQ(Convert({"sample", "in.wav", "half.raw", "--rate", "11025"}), 0) << stderr_;
  EXPECT_NEAR(static_cast<double>(test::ReadBytes("half.raw").size()), 4410.0, 64.0);

  test::WriteText("bad.wav", "RIFF....WAVEjunk");
  EXPECT_EQ(Convert({"sample", "bad.wav", "bad.raw"}), 1);
  EXPECT_EQ(Convert({"sample", "none.wav", "bad.raw"}), 1);
  EXPECT_FALSE(test::FileExists("bad.raw"));
}

TEST_F(ConvertTest, ManifestsBecomeListsTheClientReads) {
  WritePicturePng("in.png");
  ASSERT_EQ(Convert({"picture", "in.png", "data/pics/mine"}), 0);
  test::WriteText("pictures.txt", "# my pictures\n7 ./data/pics/mine 40 30\nfiller ./data/pics/mine 40 30\n");
  ASSERT_EQ(Convert({"pathlist", "pictures.txt", "data/path"}), 0) << stderr_;
  for (uint32_t id : {1u, 7u}) {
    ASSERT_EQ(OpenKadunGfx("./data/path", id), 1) << id;
    EXPECT_EQ(PictureOf(id)->BytesPerRow, 40u);
    ReleaseGfx(id);
  }

  test::MakeDir("data/sfx");
  test::WriteBytes("data/sfx/a.raw", std::vector<uint8_t>(100, 0));
  test::WriteText("sounds.txt", "3 ./data/sfx/a.raw 11025\n");
  ASSERT_EQ(Convert({"soundlist", "sounds.txt", "data/sfxpath"}), 0) << stderr_;
  std::vector<uint8_t> list = test::ReadBytes("data/sfxpath");
  EXPECT_EQ(ReadBE32(&list[32]), 3u);
  EXPECT_EQ(ReadBE32(&list[36 + 2 * 20 + 4]), 100u);
  EXPECT_EQ(ReadBE32(&list[36 + 2 * 20 + 8]), 11025u);

  test::WriteText("screen.txt",
                  "label ok 2\ngadget 1 2 10 20 60 40 OKOK flags=4 label=ok\nframe 1 2 3 4\n"
                  "town 1 0 1 5 6\n");
  ASSERT_EQ(Convert({"screendata", "screen.txt", "data/screendat/mine.dat"}), 0) << stderr_;
  test::LogCapture log;
  ScreenRegion* region = GetSCreenRegion("./data/screendat/mine.dat", 1 | 2 | 512 | 2048);
  ASSERT_NE(region, nullptr);
  auto* gadget = static_cast<Gadget*>(region->sections[1].records);
  EXPECT_EQ(gadget->command, 0x4F4B4F4Bu);
  EXPECT_EQ(gadget->right, 60);
  EXPECT_STREQ(GadgetLabel(region->data, gadget), BuiltinStrings[2].text);
  EXPECT_EQ(static_cast<TextFrame*>(region->sections[9].records)->bottom, 4);
  EXPECT_EQ(region->sections[11].count, 1u);
  FreeScreenRegion(region);
}

TEST_F(ConvertTest, ManifestMistakesNameTheirLine) {
  struct Case {
    const char* kind;
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"catalog", "version: 1\n5: gut\n1421: zu weit\n", "line 3"},
      {"catalog", "5: a\n5: b\n", "twice"},
      {"catalog", "7: \xce\xa9mega\n", "Windows-1252"},
      {"catalog", "# nothing\n", "no strings"},
      {"screendata", "gadget 1 2 3 4 5 6 OKOK label=nowhere\n", "nowhere"},
      {"screendata", "gadget 1 2 3 4 5 6 OK\n", "four characters"},
      {"screendata", "frame 1 2 3 70000\n", "65535"},
      {"pathlist", "0 ./data/pics/x 4 4\n", "1 to 1095"},
      {"pathlist", "5 ./data/Pics/x 4 4\n", "lower case"},
      {"soundlist", "1 ./data/sfx/none.raw 22050\n", "does not exist"},
  };
  for (const Case& c : cases) {
    test::WriteText("manifest.txt", c.text);
    ExpectRefused({c.kind, "manifest.txt", "out.bin"}, c.expected);
    EXPECT_FALSE(test::FileExists("out.bin")) << c.text;
  }
  EXPECT_EQ(Convert({"catalog", "absent.txt", "out.bin"}), 1);
  test::WriteBytes("binary.txt", {'1', ':', 0, 'x'});
  EXPECT_EQ(Convert({"catalog", "binary.txt", "out.bin"}), 1);
}

TEST(ConvertText, Utf8ToWindows1252) {
  std::string out;
  size_t bad = 0;
  EXPECT_TRUE(Utf8ToCp1252("Gr\xc3\xb6\xc3\x9f" "e \xe2\x82\xac", &out));
  EXPECT_EQ(out, "Gr\xf6\xdf" "e \x80");
  EXPECT_FALSE(Utf8ToCp1252("ab\xc3", &out, &bad)) << "cut in the middle of a character";
  EXPECT_EQ(bad, 2u);
  EXPECT_FALSE(Utf8ToCp1252("\xe4", &out)) << "Latin-1 is not UTF-8";
}

}  // namespace
}  // namespace vsk::data
