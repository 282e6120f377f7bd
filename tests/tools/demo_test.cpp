// The demo directory through the client's own loaders; two runs, same bytes.
#include "vsk-data/demo.h"

#include <gtest/gtest.h>
#include <SDL.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "catalog/catalog.h"
#include "catalog/strings.h"
#include "gfx/bitmap.h"
#include "gfx/font.h"
#include "pictures/bank.h"
#include "pictures/screendata.h"
#include "platform/files.h"
#include "services/byteorder.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "support/scoped_env.h"

namespace vsk::data {
namespace {

namespace fs = std::filesystem;

// A fresh game directory holding the demo set.
class DemoTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    std::string error;
    test::LogCapture quiet;
    ASSERT_TRUE(WriteDemo(".", nullptr, &error)) << error;
  }
};

// Sizes and palettes of the files are what check_test's untouched run checks.
TEST_F(DemoTest, EveryPictureOfThePathListLoads) {
  const uint32_t count = ReadBE32(&test::ReadBytes("data/path")[32]);
  EXPECT_GE(count, 340u) << "the list reaches the list requester's frame";
  for (uint32_t id = 1; id <= count; ++id) {
    test::LogCapture log;
    ASSERT_EQ(OpenKadunGfx("./data/path", id), 1) << "picture " << id << ": " << log.Take();
    ReleaseGfx(id);
  }
}

TEST_F(DemoTest, ThePicturesTheScreensNameHaveTheirSizes) {
  struct Expected {
    uint32_t id, width, height;
  };
  const Expected expected[] = {{1, 640, 480},   {3, 640, 480},   {8, 100, 100},  {9, 100, 100},
                               {23, 100, 100},  {28, 100, 100},  {29, 100, 100}, {30, 100, 100},
                               {293, 507, 381}, {143, 22, 20},   {144, 22, 20},  {340, 195, 220},
                               {123, 16, 16},   {126, 16, 16},   {341, 52, 20},  {342, 52, 20}};
  int withTransparency = 0;  // the residence graphics (100 x 100) draw colour 0 transparent
  for (const Expected& e : expected) {
    ASSERT_EQ(OpenKadunGfx("./data/path", e.id), 1) << e.id;
    const BitMap* g = PictureOf(e.id);
    EXPECT_EQ(g->BytesPerRow, e.width) << e.id;
    EXPECT_EQ(g->Rows, e.height) << e.id;
    if (e.width == 100) {
      const size_t zeros = std::count(g->Pixels, g->Pixels + g->PixelSize, 0);
      withTransparency += zeros > 0;
      EXPECT_LT(zeros, g->PixelSize / 2) << e.id << " is not empty";
    }
    ReleaseGfx(e.id);
  }
  EXPECT_GE(withTransparency, 3);
}

TEST_F(DemoTest, PointerAndBackdropHaveTheirFormats) {
  std::vector<uint8_t> pointer = test::ReadBytes("pics/cursor01.chk");
  ASSERT_EQ(pointer.size(), 864u);
  EXPECT_EQ(pointer[0 * 32 + 31], 0) << "colour 0 around the arrow";
  EXPECT_NE(std::count(pointer.begin(), pointer.end(), 0), 864);

  // The client asks for "Data/vsk.bmp"; the one data directory serves it.
  SDL_Surface* backdrop = SDL_LoadBMP(platform::ResolvePath("Data/vsk.bmp").c_str());
  ASSERT_NE(backdrop, nullptr) << SDL_GetError();
  EXPECT_EQ(backdrop->format->BitsPerPixel, 24);
  EXPECT_EQ(backdrop->w & (backdrop->w - 1), 0);
  EXPECT_EQ(backdrop->h & (backdrop->h - 1), 0);
  SDL_FreeSurface(backdrop);

}

TEST_F(DemoTest, BothFontsOpenAndMeasureGermanText) {
  TextFont* title = OpenDiskFont("fonts/kadunc1.fnt");
  TextFont* text = OpenDiskFont("./fonts/xhelvetica11.fnt");
  ASSERT_NE(title, nullptr);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(title->ColorTag, kFontTagCOLO);
  EXPECT_EQ(text->SpacingTag, kFontTagPROP);
  EXPECT_EQ(text->HiChar, 255);

  RastPort rp;
  InitRastPort(&rp);
  SetFont(&rp, text);
  // "Größe" in Windows-1252; every letter has a width, the umlauts too.
  const char word[] = "Gr\xf6\xdf" "e";
  uint16_t width = TextLength(&rp, word, 5);
  for (char c : std::string("\xe4\xf6\xfc\xc4\xd6\xdc\xdf")) EXPECT_GT(TextLength(&rp, &c, 1), 2) << int(uint8_t(c));
  EXPECT_GT(TextLength(&rp, "W", 1), TextLength(&rp, "i", 1)) << "proportional";
  SetFont(&rp, title);
  EXPECT_GT(TextLength(&rp, "Info-Fenster", 12), width);
  CloseFont(title);
  CloseFont(text);
}

TEST_F(DemoTest, TheCatalogReplacesTextsForAGermanUser) {
  test::ScopedEnv german("LC_ALL", "de_DE.UTF-8");
  Catalog* catalog = OpenCatalog("VsKBrowser.catalog", &BuiltinStrings[0], &BuiltinStrings[1]);
  ASSERT_NE(catalog, nullptr);
  EXPECT_STREQ(BuiltinStrings[330].text, "Info-Fenster");
  EXPECT_STREQ(BuiltinStrings[10].text, "schlie\xdf" "en");
  CloseCatalog(catalog);
  EXPECT_STREQ(BuiltinStrings[58].text, "residence");
}

TEST_F(DemoTest, EveryScreenDataFileGivesItsRegions) {
  test::LogCapture log;
  ScreenRegion* residence = GetSCreenRegion("./data/screendat/residenz0.dat", 3);
  ASSERT_NE(residence, nullptr);
  EXPECT_EQ(residence->sections[0].count, 6u);
  EXPECT_EQ(residence->sections[1].count, 6u);
  FreeScreenRegion(residence);

  ScreenRegion* requester = GetSCreenRegion(kDemoListRequesterFile, 514);
  ASSERT_NE(requester, nullptr);
  std::set<std::string> commands;
  auto* gadgets = static_cast<Gadget*>(requester->sections[1].records);
  for (uint32_t i = 0; i < requester->sections[1].count; ++i) {
    uint32_t c = gadgets[i].command;
    commands.insert({char(c >> 24), char(c >> 16), char(c >> 8), char(c)});
    if (c == 0x4F4B4F4B) {
      EXPECT_STREQ(GadgetLabel(requester->data, &gadgets[i]), "Ok !");
    }
  }
  EXPECT_EQ(commands, (std::set<std::string>{"CH00", "DO00", "UP00", "REQ0", "INFO", "OKOK", "EXIT"}));
  FreeScreenRegion(requester);

  ScreenRegion* town = GetSCreenRegion("./data/ScreenDat\\Info_Stadt.dat", 2048);
  ASSERT_NE(town, nullptr);
  ASSERT_EQ(town->sections[11].count, 235u);
  int randomOnLevel1 = 0;
  for (uint32_t i = 0; i < 235; ++i) {
    const uint8_t* record = static_cast<uint8_t*>(town->sections[11].records) + i * 60;
    uint16_t flags, level;
    uint32_t value;
    std::memcpy(&flags, record, 2);
    std::memcpy(&value, record + 2, 4);
    std::memcpy(&level, record + 6, 2);
    if ((flags & 1) && value == 0 && level == 1) ++randomOnLevel1;
  }
  EXPECT_GE(randomOnLevel1, 5);
  FreeScreenRegion(town);
}

TEST_F(DemoTest, SoundEntriesPlayAt22050Hz) {
  std::vector<uint8_t> list = test::ReadBytes("data/sfxpath");
  uint32_t count = ReadBE32(&list[32]);
  ASSERT_GE(count, 48u);
  for (uint32_t id = 1; id <= count; ++id) EXPECT_EQ(ReadBE32(&list[36 + (id - 1) * 20 + 8]), 22050u) << id;
}

std::map<std::string, std::vector<uint8_t>> Tree(const fs::path& root) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = test::ReadBytes(e.path().string());
  return files;
}

TEST_F(DemoTest, TwoRunsGiveTheSameBytes) {
  std::string error;
  DemoSummary summary;
  ASSERT_TRUE(WriteDemo("again", &summary, &error)) << error;
  auto first = Tree(".");
  for (auto it = first.begin(); it != first.end();)
    it = it->first.rfind("again/", 0) == 0 ? first.erase(it) : std::next(it);
  auto second = Tree("again");
  EXPECT_EQ(second.size(), summary.files);
  ASSERT_EQ(first.size(), second.size());
  for (const auto& [name, bytes] : first) EXPECT_TRUE(second[name] == bytes) << name;
}

TEST_F(DemoTest, ADirectoryThatCannotBeMadeFailsWithASentence) {
  test::WriteBytes("blocker", {1});
  std::string error;
  EXPECT_FALSE(WriteDemo("blocker/demo", nullptr, &error));
  EXPECT_NE(error.find("blocker/demo"), std::string::npos) << error;
}

}  // namespace
}  // namespace vsk::data
