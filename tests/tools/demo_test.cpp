// The demo game directory as the client sees it: every file loads through
// the client's own loaders with the values the demo meant, and two runs give
// the same bytes.
#include "vsk-data/demo.h"

#include <gtest/gtest.h>
#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "catalog/catalog.h"
#include "catalog/chunk.h"
#include "catalog/strings.h"
#include "gfx/bitmap.h"
#include "gfx/font.h"
#include "pictures/bank.h"
#include "pictures/screendata.h"
#include "platform/files.h"
#include "services/byteorder.h"
#include "services/files.h"
#include "services/memory.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "support/scoped_env.h"
#include "vsk-data/art.h"

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

std::vector<uint8_t> FileBytes(const std::string& path) { return test::ReadBytes(path); }

TEST_F(DemoTest, EveryPictureOfThePathListLoadsWithItsSize) {
  std::vector<uint8_t> list = FileBytes("data/path");
  ASSERT_GE(list.size(), 36u);
  uint32_t count = ReadBE32(&list[32]);
  EXPECT_GE(count, 340u) << "the list reaches the list requester's frame";
  for (uint32_t id = 1; id <= count; ++id) {
    const uint8_t* entry = &list[36 + (id - 1) * 36];
    test::LogCapture log;
    ASSERT_EQ(OpenKadunGfx("./data/path", id), 1) << "picture " << id << ": " << log.Take();
    BitMap* picture = PictureOf(id);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->BytesPerRow, ReadBE32(entry + 4)) << id;
    EXPECT_EQ(picture->Rows, ReadBE32(entry + 8)) << id;
    EXPECT_EQ(picture->PixelSize, ReadBE32(entry + 4) * ReadBE32(entry + 8)) << id;
    // The palette each entry names is a whole palette file.
    std::string stored(reinterpret_cast<const char*>(&list[32 + ReadBE32(entry + 28)]));
    std::string palette = stored.substr(4, stored.size() - 8) + "cma";
    EXPECT_EQ(GetFileSize(palette.c_str()), 768u) << palette;
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
  for (const Expected& e : expected) {
    ASSERT_EQ(OpenKadunGfx("./data/path", e.id), 1) << e.id;
    EXPECT_EQ(PictureOf(e.id)->BytesPerRow, e.width) << e.id;
    EXPECT_EQ(PictureOf(e.id)->Rows, e.height) << e.id;
    ReleaseGfx(e.id);
  }
  // The residence graphics are drawn with colour 0 transparent: the towers
  // show the residence behind them, and none is empty.
  int withTransparency = 0;
  for (uint32_t id : {8u, 9u, 23u, 28u, 29u, 30u}) {
    ASSERT_EQ(OpenKadunGfx("./data/path", id), 1);
    const BitMap* g = PictureOf(id);
    size_t zeros = std::count(g->Pixels, g->Pixels + g->PixelSize, 0);
    withTransparency += zeros > 0;
    EXPECT_LT(zeros, g->PixelSize / 2) << id;
    ReleaseGfx(id);
  }
  EXPECT_GE(withTransparency, 3);
  // The residence uses the cycled registers.
  ASSERT_EQ(OpenKadunGfx("./data/path", 3), 1);
  const BitMap* residence = PictureOf(3);
  std::set<int> cycled;
  for (uint32_t i = 0; i < residence->PixelSize; ++i)
    if (residence->Pixels[i] >= 139 && residence->Pixels[i] <= 155) cycled.insert(residence->Pixels[i]);
  EXPECT_GE(cycled.size(), 8u);
  ReleaseGfx(3);
}

TEST_F(DemoTest, PointerAndBackdropHaveTheirFormats) {
  std::vector<uint8_t> pointer = FileBytes("pics/cursor01.chk");
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

  SDL_AudioSpec format;
  Uint8* samples = nullptr;
  Uint32 length = 0;
  ASSERT_NE(SDL_LoadWAV("data/cdaudio/track02.wav", &format, &samples, &length), nullptr);
  EXPECT_GT(length / (format.freq * format.channels * 2u), 5u) << "a track of some seconds";
  SDL_FreeWAV(samples);
}

TEST_F(DemoTest, BothFontsOpenAndMeasureGermanText) {
  TextFont* title = OpenDiskFont("fonts/kadunc1.fnt");
  TextFont* text = OpenDiskFont("./fonts/xhelvetica11.fnt");
  ASSERT_NE(title, nullptr);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(title->ColorTag, kFontTagCOLO);
  EXPECT_EQ(text->SpacingTag, kFontTagPROP);
  EXPECT_NE(text->ColorTag, kFontTagCOLO);
  EXPECT_GE(text->YSize, 11);
  EXPECT_LE(text->YSize, 16);
  EXPECT_LT(text->Baseline, text->YSize);
  EXPECT_LE(title->LoChar, ' ');
  EXPECT_EQ(text->HiChar, 255);

  RastPort rp;
  InitRastPort(&rp);
  SetFont(&rp, text);
  // "Größe" in Windows-1252; every letter has a width, the umlauts too.
  const char word[] = "Gr\xf6\xdf" "e";
  uint16_t width = TextLength(&rp, word, 5);
  EXPECT_GT(width, 20);
  EXPECT_LT(width, 45);
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
  EXPECT_STREQ(BuiltinStrings[58].text, "Residenz");
  EXPECT_STREQ(BuiltinStrings[330].text, "Info-Fenster");
  EXPECT_STREQ(BuiltinStrings[10].text, "schlie\xdf" "en");
  EXPECT_EQ(std::string(BuiltinStrings[622].text).rfind("Willkommen in Eurer Residenz", 0), 0u);
  EXPECT_NE(std::string(BuiltinStrings[622].text).find('\n'), std::string::npos);
  EXPECT_STREQ(BuiltinStrings[1420].text, "reserved") << "numbers without a German text keep theirs";
  CloseCatalog(catalog);
  EXPECT_STREQ(BuiltinStrings[58].text, "residence");
}

TEST_F(DemoTest, BothChunksLoadWithTheirValues) {
  auto* info = static_cast<uint8_t*>(LoadChunk2Mem(ChunkId("INFO"), "./data/pop3in/gamechunk.vsk"));
  ASSERT_NE(info, nullptr) << "found behind the PREF chunk";
  uint16_t value;
  std::memcpy(&value, info + 28, 2);
  EXPECT_EQ(value, 3);
  FreeVec(info);
  void* pref = LoadChunk2Mem(ChunkId("PREF"), "./data/pop3in/gamechunk.vsk");
  EXPECT_NE(pref, nullptr);
  FreeVec(pref);

  auto* mref = static_cast<uint8_t*>(LoadChunk2Mem(ChunkId("MREF"), "./data/MapPrefs.vsk"));
  ASSERT_NE(mref, nullptr);
  uint32_t x, y;
  std::memcpy(&x, mref + 20, 4);
  std::memcpy(&y, mref + 24, 4);
  EXPECT_EQ(x, 120u);
  EXPECT_EQ(y, 85u);
  FreeVec(mref);
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
  ASSERT_EQ(requester->sections[9].count, 1u);
  auto* frame = static_cast<TextFrame*>(requester->sections[9].records);
  EXPECT_LT(frame->left, frame->right);
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

TEST_F(DemoTest, SoundEntriesPointAtSamplesOfTheStatedSize) {
  std::vector<uint8_t> list = FileBytes("data/sfxpath");
  uint32_t count = ReadBE32(&list[32]);
  ASSERT_GE(count, 48u);
  for (uint32_t id = 1; id <= count; ++id) {
    const uint8_t* entry = &list[36 + (id - 1) * 20];
    std::string stored(reinterpret_cast<const char*>(&list[32 + ReadBE32(entry + 12)]));
    std::string file = stored.substr(4);
    EXPECT_EQ(GetFileSize(file.c_str()), ReadBE32(entry + 4)) << id << " " << file;
    EXPECT_EQ(ReadBE32(entry + 8), 22050u);
  }
  EXPECT_GT(ReadBE32(&list[36 + 47 * 20 + 4]), 22050u * 2 * 3) << "sound 48 lasts seconds";
  EXPECT_LT(ReadBE32(&list[36 + 4]), 22050u * 2 / 5) << "sound 1 is a short click";
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
  for (const auto& [name, bytes] : second) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST_F(DemoTest, ADirectoryThatCannotBeMadeFailsWithASentence) {
  test::WriteBytes("blocker", {1});
  std::string error;
  EXPECT_FALSE(WriteDemo("blocker/demo", nullptr, &error));
  EXPECT_NE(error.find("blocker/demo"), std::string::npos) << error;
}

}  // namespace
}  // namespace vsk::data
