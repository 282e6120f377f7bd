// vsk-data inspect and png: every format shown, a damaged copy reported in one sentence.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/prefs.h"
#include "services/byteorder.h"
#include "services/memory.h"
#include "support/bytes.h"
#include "support/font_builder.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "towns/town.h"
#include "vsk-data/commands.h"
#include "vsk-data/demo.h"
#include "vsk-data/report.h"
#include "vsk-data/write_bmp.h"
#include "vsk-data/write_catalog.h"
#include "vsk-data/write_chunk.h"
#include "vsk-data/write_picture.h"
#include "vsk-data/write_screendata.h"
#include "vsk-data/write_sound.h"

namespace vsk::data {
namespace {

using test::Bytes;
using test::ReadBytes;
using test::WriteBytes;

struct Result {
  int status;
  std::string out;
  std::string err;
};

class InspectTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    for (const char* dir : {"data/pics", "data/sfx", "data/pop3in", "data/screendat", "data/ScreenDat",
                            "data/cdaudio", "data/Cities", "fonts", "pics", "catalogs/deutsch"})
      test::MakeDir(dir);
  }

  static Result Inspect(const std::string& path) {
    std::ostringstream out, err;
    int status = InspectFile(path, out, err);
    return {status, out.str(), err.str()};
  }

  // Inspects a copy of the file cut to length bytes.
  static Result InspectCut(const std::string& path, size_t length) {
    std::vector<uint8_t> bytes = ReadBytes(path);
    bytes.resize(length);
    WriteBytes(path, bytes);
    return Inspect(path);
  }

  // Inspects the file written as `bytes` with the byte at offset set to value.
  static Result InspectPatched(const std::string& path, std::vector<uint8_t> bytes, size_t offset, uint8_t value) {
    bytes[offset] = value;
    WriteBytes(path, bytes);
    return Inspect(path);
  }

  // A good file gives exit status 0 and a report showing each of the texts.
  static void ExpectShows(const std::string& path, std::initializer_list<std::string> texts) {
    const Result r = Inspect(path);
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& text : texts) EXPECT_NE(r.out.find(text), std::string::npos) << text << " in\n" << r.out;
  }

  // A broken file gives exit status 1 and one line naming the problem.
  static void ExpectBroken(const Result& r, const std::string& words) {
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }

  // Two pictures (ids 1 and 3, id 2 the filler) with their files.
  static void WritePictures() {
    std::map<uint32_t, PathListPicture> pictures;
    pictures[1] = {"./data/pics/title", 4, 2};
    pictures[3] = {"./data/pics/knopf", 2, 2};
    PathListPicture filler{"./data/pics/leer", 1, 1};
    WriteBytes("data/path", BuildPathList(pictures, filler));
    Palette palette{};
    palette[1] = {255, 0, 0};
    std::string error;
    for (const auto& [id, entry] : pictures) {
      IndexedImage image{entry.width, entry.height, std::vector<uint8_t>(entry.width * entry.height, 1)};
      ASSERT_TRUE(WritePictureFiles(".", entry, image, &palette, &error)) << error;
    }
    IndexedImage dot{1, 1, {0}};
    ASSERT_TRUE(WritePictureFiles(".", filler, dot, &palette, &error)) << error;
  }
};

TEST_F(InspectTest, PathListShowsDerivedNamesAndChecksTheFiles) {
  WritePictures();
  ExpectShows("data/path", {"3 picture ids", "\"VSK:./data/pics/title.pict\" -> ./data/pics/title.chk [ok]",
                            "./data/pics/knopf.cma [ok]"});

  std::remove("data/pics/knopf.chk");
  ExpectBroken(Inspect("data/path"), "the first is picture id 3: ./data/pics/knopf.chk missing");
  WriteBytes("data/pics/knopf.chk", {1, 2, 3});
  ExpectBroken(Inspect("data/path"), "3 bytes, should be 4");
}

TEST_F(InspectTest, DamagedPathListsNameTheOffset) {
  WritePictures();
  const std::vector<uint8_t> good = ReadBytes("data/path");
  ExpectBroken(InspectCut("data/path", 30), "ends before its entry count");
  WriteBytes("data/path", good);
  ExpectBroken(InspectCut("data/path", 36 + 36 * 2), "the entry count 3 needs 144 bytes of entries");

  // A name offset past the end, a size not width x height, a name unterminated.
  ExpectBroken(InspectPatched("data/path", good, 36 + 20, 0x7F),
               "the stored picture name of picture id 1 lies past the end");
  ExpectBroken(InspectPatched("data/path", good, 36 + 27, good[36 + 27] ^ 1),
               "data size of 9 bytes but is 4 x 2 pixels (at offset 60)");
  ExpectBroken(InspectPatched("data/path", good, good.size() - 1, 'x'), "has no terminating zero");
}

TEST_F(InspectTest, PicturesPalettesAndThePointer) {
  WritePictures();
  ExpectShows("data/pics/knopf.chk", {"picture id 3 of", "2 x 2"});
  ExpectBroken(InspectCut("data/pics/knopf.chk", 3), "picture id 3 is 2 x 2 = 4");

  ExpectShows("data/pics/title.cma", {"1: 255   0   0"});
  ExpectBroken(InspectCut("data/pics/title.cma", 700), "a palette is 256 x 3 = 768");

  std::vector<uint8_t> pointer(32 * 27, 0);
  pointer[0] = 15;
  pointer[1] = 24;
  WriteBytes("pics/cursor01.chk", pointer);
  ExpectShows("pics/cursor01.chk", {"\n  #*" + std::string(30, '.') + "\n", "#=15 *=24"});
  ExpectBroken(InspectCut("pics/cursor01.chk", 863), "the pointer is 32 x 27 = 864");
}

TEST_F(InspectTest, SoundListAndSamples) {
  std::map<uint32_t, SoundListEntry> sounds;
  sounds[1] = {"./data/sfx/klick.raw", 8, 11025};
  sounds[3] = {"./data/sfx/wind.raw", 4, 22050};
  WriteBytes("data/sfxpath", BuildSoundList(sounds, sounds[1]));
  WriteBytes("data/sfx/klick.raw", BuildSampleFile({1, -300, 3, 4}));
  WriteBytes("data/sfx/wind.raw", BuildSampleFile({5, 6}));
  ExpectShows("data/sfxpath", {"id   3:        4 bytes at 22050 Hz"});
  ExpectShows("data/sfx/klick.raw", {"4 samples", "peak 300", "sound id 1 of"});

  ExpectBroken(InspectCut("data/sfx/wind.raw", 3), "odd number of bytes");
  ExpectBroken(Inspect("data/sfxpath"), "sound id 3: ./data/sfx/wind.raw 3 bytes, should be 4");
  ExpectBroken(InspectPatched("data/sfxpath", ReadBytes("data/sfxpath"), 36 + 20 + 7, 5),  // sound 2's size
               "sound id 2 has an odd data size of 5 bytes");
}

TEST_F(InspectTest, FontsShowMetricsAndAMeasuredSample) {
  test::FontBuilder builder('A', 'b', 3, 2);
  builder.Proportional().Glyph('A', {"#.#", "###", "#.#"}, 4).Glyph('a', {"##", "##", ".."}, 3, -1);
  WriteBytes("fonts/t.fnt", builder.Build().data);
  ExpectShows("fonts/t.fnt", {"single-colour, proportional", "characters 65 to 98 (34), YSize 3, Baseline 2",
                              "2 characters with a glyph", "kerning -1 to 0"});

  const std::vector<uint8_t> good = ReadBytes("fonts/t.fnt");
  ExpectBroken(InspectCut("fonts/t.fnt", good.size() - 1), "the glyph strip of 3 rows of 5 bytes needs 15 bytes");
  ExpectBroken(InspectPatched("fonts/t.fnt", good, 24 + 8 * 34, 'X'),  // "DATA" spoilt
               "does not start with the tag \"DATA\" (at offset 296)");
  ExpectBroken(InspectPatched("fonts/t.fnt", good, 27, 9),  // 'A' 9 columns wide in a strip of 5
               "reaches past the strip's 5 columns (at offset 24)");

  test::FontBuilder fixed('a', 'c', 2, 1);
  fixed.Glyph('a', {"#", "#"}, 1);
  WriteBytes("fonts/f.fnt", fixed.Build().data);
  ExpectBroken(Inspect("fonts/f.fnt"), "fixed-width font has no 'A'");
}

TEST_F(InspectTest, CatalogsShowTheirTextsBesideTheBuiltInOnes) {
  CatalogContent content{"$VER: t 1.0", "deutsch", "wir", {{58, "Residenz"}, {14, "Stadt \xfc"}}};
  WriteBytes("catalogs/deutsch/t.catalog", BuildCatalog(content));
  ExpectShows("catalogs/deutsch/t.catalog",
              {"language \"deutsch\"", "58 \"Residenz\"  (built-in \"residence\")", "\"Stadt \xc3\xbc\""});

  const std::vector<uint8_t> good = ReadBytes("catalogs/deutsch/t.catalog");
  ExpectBroken(InspectCut("catalogs/deutsch/t.catalog", good.size() - 4), "the FORM length");
  const std::string residenz = "Residenz";
  const size_t text = std::search(good.begin(), good.end(), residenz.begin(), residenz.end()) - good.begin();
  ExpectBroken(InspectPatched("catalogs/deutsch/t.catalog", good, text - 1, 200),  // its text length's low byte
               "more than \"STRS\" has left");
}

TEST_F(InspectTest, ChunkFilesShowTheConvertedFields) {
  InfoChunk info;
  info.gameValue = 0x0102;
  info.word12 = 7;
  ByteBuffer file = BuildChunk("PREF", {0, 1});
  ByteBuffer second = BuildChunk("INFO", BuildInfoBody(info));
  file.insert(file.end(), second.begin(), second.end());
  WriteBytes("data/pop3in/gamechunk.vsk", file);
  ExpectShows("data/pop3in/gamechunk.vsk",
              {"\"INFO\" at offset 14, version \"V001\"", "u16 at 28: 258  (the game-chunk value", "u32 at 12: 7"});

  MrefChunk mref;
  mref.mapX = 120;
  mref.mapY = 85;
  WriteBytes("data/MapPrefs.vsk", BuildChunk("MREF", BuildMrefBody(mref)));
  ExpectShows("data/MapPrefs.vsk", {"u32 at 20: 120  (capital's map position", "u32 at 24: 85"});

  WriteBytes("data/old.vsk", BuildChunk("INFO", BuildInfoBody(info), "V002"));
  ExpectShows("data/old.vsk", {"unconverted"});

  ExpectBroken(InspectCut("data/pop3in/gamechunk.vsk", file.size() - 1),
               "chunk \"INFO\" says its body has 30 bytes but only 29 follow (at offset 22)");
  WriteBytes("data/MapPrefs.vsk", {'M', 'R', 'E', 'F', 'V', '0', '0', '1', 0, 0, 0, 0, 'I', 'N'});
  ExpectBroken(Inspect("data/MapPrefs.vsk"), "ends 2 bytes into a 12-byte chunk header (at offset 12)");
}

TEST_F(InspectTest, ScreenDataShowsGadgetsWithTheirCommands) {
  ScreenDataContent content;
  content.labels.push_back({{0, 0, 0, 0}, 2});
  GadgetEntry ok;
  ok.image = 341;
  ok.pressedImage = 342;
  ok.flags = 12;
  ok.left = 72, ok.top = 180, ok.right = 124, ok.bottom = 200;
  ok.command = CommandCode("OKOK");
  ok.label = 0;
  GadgetEntry choose;
  choose.flags = 2;
  choose.command = CommandCode("CH00");
  content.gadgets = {choose, ok};
  content.frames.push_back({16, 12, 179, 36});
  WriteBytes("data/screendat/auswahl.dat", BuildScreenData(content));
  ExpectShows("data/screendat/auswahl.dat",
              {"3 sections", "[0] CH00 image 0",
               "[1] OKOK image 341, pressed 342, area (72,180)-(124,200), flags 12 (labelled masked)",
               "text 2 \"Ok !\"", "[0] (16,12)-(179,36)"});

  const std::vector<uint8_t> good = ReadBytes("data/screendat/auswahl.dat");
  ExpectBroken(InspectCut("data/screendat/auswahl.dat", good.size() - 1), "section 9 says it has 1 records");
  ExpectBroken(InspectPatched("data/screendat/auswahl.dat", good, 39, 40),  // section count
               "the section count 40 needs a directory up to byte 520");
  const size_t okGadget = 32 + ReadBE32(&good[40 + 12 + 8]) + 24;
  ExpectBroken(InspectPatched("data/screendat/auswahl.dat", good, okGadget + 20, 0x7F),  // label offset outside
               "gadget 1 is labelled but its label offset");
}

TEST_F(InspectTest, TownTemplatesCountTheRandomBuildings) {
  ScreenDataContent content;
  content.towns.resize(235);
  content.towns[0].flags = 1;            // may appear, value 0, level 1: random
  content.towns[1].flags = 1;
  content.towns[1].value = 9;            // a value: not random
  content.towns[2].flags = 1;
  content.towns[2].level = 2;            // another level
  WriteBytes("data/ScreenDat/Info_Stadt.dat", BuildScreenData(content));
  ExpectShows("data/ScreenDat/Info_Stadt.dat", {"235 records of 60 bytes", "1 of them may be placed at random"});
}

TEST_F(InspectTest, BackdropAndCdTrack) {
  WriteBytes("data/vsk.bmp", BuildBmp24(4, 2, std::vector<uint8_t>(4 * 2 * 3, 9)));
  ExpectShows("data/vsk.bmp", {"4 x 2, 24 bits per pixel", "powers of two"});
  const std::vector<uint8_t> bmp = ReadBytes("data/vsk.bmp");
  ExpectBroken(InspectPatched("data/vsk.bmp", bmp, 14, 64), "the header size is 64");
  WriteBytes("data/vsk.bmp", bmp);
  ExpectBroken(InspectCut("data/vsk.bmp", bmp.size() - 1), "the pixel data of 2 rows of 12 bytes");

  WriteBytes("data/cdaudio/track02.wav", BuildWavFile(std::vector<int16_t>(44100, 0), 22050, 2));
  ExpectShows("data/cdaudio/track02.wav", {"2 channels, 22050 Hz, 16-bit", "(1.00 s)"});
  ExpectBroken(InspectCut("data/cdaudio/track02.wav", 100), "the \"data\" chunk says it has 88200 bytes");
}

TEST_F(InspectTest, PreferenceFilesTheClientWrites) {
  CheckPrefs(24, 1, 1);
  DodurOdidPrefs(1, 1, 1);
  OptionenPrefsDefault();
  ASSERT_TRUE(OptionenPrefsSave());
  ExpectShows("data/prefs.vsk", {"field 24 at 228 ( 1 bytes): 1  running flag"});
  ExpectShows("data/BTPrefs.vsk", {"field  1 at  16 ( 1 bytes): 1  story flag"});
  ExpectShows("data/optionen.prefs", {"offset   6 ( 40 bytes): \"nobody.device\"", "offset  54 (  4 bytes): 22100"});

  ExpectBroken(InspectCut("data/prefs.vsk", 200), "the general preferences file has exactly 232");
  ExpectBroken(InspectCut("data/optionen.prefs", 560), "the options file has exactly 566");
  ExpectBroken(InspectPatched("data/BTPrefs.vsk", ReadBytes("data/BTPrefs.vsk"), 8, 187),
               "the body length is 187, not 188 (at offset 8)");
}

TEST_F(InspectTest, TownFilesAndTheTownList) {
  Bytes town;
  town.le32(1).u8(1).u8(0).zeros(2).le32(1).zeros(6).u8(1).u8(0).le32(4).le32(120).le32(85).le32(0);
  town.text("Kadun").zeros(75);
  for (int i = 0; i < 235; ++i) town.u8(i == 14 ? 3 : 1).zeros(59);
  town.zeros(4);  // the record's last 4 bytes lie behind the buildings
  WriteBytes("data/Cities/Kadun.vsk", town.data);
  ExpectShows("data/Cities/Kadun.vsk", {"\"Kadun\", identifier 4", "provisional", "235 may appear, 1 stand: 14"});
  std::fill(town.data.begin() + 36, town.data.begin() + 116, 'x');
  WriteBytes("data/Cities/Kadun.vsk", town.data);
  ExpectBroken(Inspect("data/Cities/Kadun.vsk"), "the town name has no terminating zero");
  // In "Cities" a town file of the wrong size is still a town file.
  ExpectBroken(InspectCut("data/Cities/Kadun.vsk", 14000),
               "broken town file: the file has 14000 bytes; a town file has exactly 14220");

  Bytes list;
  list.le32(0).text("Kadun").zeros(75).le32(0xFFFFFFFF).text(std::string(79, ' ')).u8(0);
  WriteBytes("data/Cities/Town.list", list.data);
  ExpectShows("data/Cities/Town.list", {"1 towns and the terminator", "0 \"Kadun\""});
  ExpectBroken(InspectCut("data/Cities/Town.list", 84),
               "the last record is not the terminator (identifier -1) (at offset 0)");
  ExpectBroken(InspectCut("data/Cities/Town.list", 50), "not a whole number of 84-byte records");
}

// The town files the client itself writes read back as it made them.
TEST_F(InspectTest, TownFilesTheClientWrote) {
  std::string error;
  ASSERT_TRUE(WriteDemo(root_, nullptr, &error)) << error;
  ASSERT_EQ(rmdir("data/ScreenDat"), 0);  // one directory per name, whatever its case
  {
    test::LogCapture quiet;
    FreeVec(GetActiveTown(kCapitalTownId));
  }
  ExpectShows("data/Cities/NewTown.vsk", {"\"NewTown\", identifier 0", "provisional"});
  ASSERT_TRUE(ChangeTownName(nullptr, "Veskburg"));
  ExpectShows("data/Cities/Town.list", {"0 \"Veskburg\""});
  const Result renamed = Inspect("data/Cities/Veskburg.vsk");
  ASSERT_EQ(renamed.status, 0) << renamed.err;
  EXPECT_EQ(renamed.out.find("provisional"), std::string::npos) << renamed.out;
}

TEST_F(InspectTest, UnknownAndMissingFiles) {
  WriteBytes("notes.txt", {'h', 'i'});
  ExpectBroken(Inspect("notes.txt"), "not a game data file vsk-data knows");
  ExpectBroken(Inspect("nothing.dat"), "cannot open nothing.dat");
  EXPECT_EQ(RunInspect({}), 2);
}

TEST_F(InspectTest, PngOfAPictureAndOfAFont) {
  WritePictures();
  ASSERT_EQ(RunPng({"data/path", "1", "title.png"}), 0);
  EXPECT_EQ(ReadBytes("title.png").at(1), 'P');
  EXPECT_EQ(RunPng({"data/path", "4", "none.png"}), 1);  // beyond the list
  EXPECT_EQ(RunPng({"data/path", "0", "none.png"}), 2);
  std::remove("data/pics/knopf.cma");
  EXPECT_EQ(RunPng({"data/path", "3", "none.png"}), 1);
  EXPECT_EQ(RunPng({"data/path", "3", "knopf.png", "--palette", "data/pics/title.cma"}), 0);
  EXPECT_FALSE(test::FileExists("none.png"));

  test::FontBuilder builder('A', 'b', 3, 2);
  builder.Proportional().Glyph('A', {"#.#", "###", "#.#"}, 4);
  WriteBytes("fonts/t.fnt", builder.Build().data);
  EXPECT_EQ(RunPng({"--font", "fonts/t.fnt", "font.png", "AA"}), 0);
  EXPECT_TRUE(test::FileExists("font.png"));
  EXPECT_EQ(RunPng({"--font", "fonts/t.fnt", "bad.png", "\xe2\x82"}), 2);  // not UTF-8
  EXPECT_EQ(RunPng({"--font"}), 2);
}

}  // namespace
}  // namespace vsk::data
