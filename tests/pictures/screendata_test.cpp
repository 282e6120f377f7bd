// Screen-data files: every record kind converted, texts resolved, damaged files, regions.
#include "pictures/screendata.h"

#include <gmock/gmock.h>

#include "catalog/strings.h"
#include "pictures/pictures_test.h"

namespace vsk {
namespace {

using namespace test;
using Words = std::vector<uint32_t>;
const uint32_t* const kTags = kSectionTags;

// A screen-data file: the 32-byte header, the unused word, the section count, the directory (tag, count, offset) and
// the records, each section's records after the last.
Bytes ScreenFile(const std::vector<std::tuple<uint32_t, uint32_t, Bytes>>& sections) {
  Bytes file, records;
  file.zeros(32).be32(0xDEADBEEF).be32(static_cast<uint32_t>(sections.size()));
  for (const auto& [tag, count, bytes] : sections) {
    file.be32(tag).be32(count).be32(static_cast<uint32_t>(8 + 12 * sections.size() + records.size()));
    records.append(bytes);
  }
  return file.append(records);
}

Bytes Words16(std::vector<uint16_t> words) {
  Bytes b;
  for (uint16_t w : words) b.be16(w);
  return b;
}
Bytes Label(uint32_t text) { return Words16({0x0102, 0x0304, 0x0506, 0x0708}).be32(text); }
Bytes GadgetRecord(const char command[5], uint32_t dataOffset) {
  return Words16({0x1100, 0x1101, 0x1102, 0x1103, 0x1104, 0x1105, 0x1106, 0x1107}).text(command).be32(dataOffset);
}

// The native 16-bit (or, with `wide`, 32-bit) numbers at byte offsets of p.
Words At(const void* p, std::vector<size_t> offsets, bool wide = false) {
  Words values;
  for (size_t at : offsets) {
    uint32_t v = 0;
    std::memcpy(&v, static_cast<const uint8_t*>(p) + at, wide ? 4 : 2);
    values.push_back(v);
  }
  return values;
}
std::vector<uint8_t> Raw(const void* p, size_t at, size_t n) {
  return std::vector<uint8_t>(static_cast<const uint8_t*>(p) + at, static_cast<const uint8_t*>(p) + at + n);
}

class ScreenData : public GameDirTest {
 protected:
  // Writes the file and loads it (instead of the one loaded before); the log of the load goes to loadLog_.
  void* Load(const Bytes& file, const char* name = "screen.dat") {
    WriteBytes(name, file.data);
    LogCapture log;
    FreeExternalData(loaded_);
    loaded_ = ExternalDataLoad(name);
    loadLog_ = log.Take();
    return loaded_;
  }
  void TearDown() override {
    FreeExternalData(loaded_);
    GameDirTest::TearDown();
  }
  void* loaded_ = nullptr;
  std::string loadLog_;
};

TEST_F(ScreenData, EveryKnownSectionIsConvertedAndItsTextsResolved) {
  // Labels first, at data offset 8 + 14 * 12 = 176; gadgets after a 10-byte record (32-bit fields unaligned).
  const Bytes labels = Label(0).append(Label(0xFFFFFFFF)).append(Label(58));
  // A town template: a word, a long, three words, five words, eight bytes, seven words, eight words.
  Bytes town = Words16({1, 2, 3, 4, 5, 6, 0x0C00, 0x0C01, 0x0C02, 0x0C03, 0x0C04}).text("ABCDEFGH");
  town.append(Words16({0x1E00, 0x1E01, 0x1E02, 0x1E03, 0x1E04, 0x1E05, 0x1E06, 0x2C00, 0x2C01, 0x2C02, 0x2C03,
                       0x2C04, 0x2C05, 0x2C06, 0x2C07}));
  const Bytes raw = Bytes().be32(0x01020304).be32(0x05060708);
  void* data = Load(ScreenFile({
      {kTags[0], 3, labels}, {kTags[4], 1, Words16({1, 2, 3, 4, 5})},
      {kTags[1], 3, GadgetRecord("OKOK", 0).append(GadgetRecord("EXIT", 200)).append(GadgetRecord("INFO", 1 << 30))},
      {kTags[2], 2, Words16({0, 57, 1, 2, 3, 4, 0, 0}).zeros(8)}, {kTags[3], 1, Words16({1, 2, 3, 4, 5, 6}).be32(330)},
      {kTags[5], 1, Words16({1, 2, 3, 4, 5, 6, 7})}, {kTags[7], 1, Words16({0, 58, 0x0A0B, 0x0C0D})},
      {kTags[8], 1, Words16({1, 2, 3, 4, 5, 0x0606}).be32(5000)}, {kTags[9], 1, Words16({10, 20, 110, 40})},
      {kTags[10], 1, Words16({0x1234, 0x5678})}, {kTags[11], 1, town}, {kTags[6], 2, raw}, {kTags[21], 1, raw},
      {0x12345678, 1, raw}}));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(loadLog_, "LTXT:ID:57\nLTXT:ID:0\n") << "each text placement is logged";
  EXPECT_EQ(At(data, {0}, true), Words{14}) << "the section count is native";
  auto section = [&](int i) { return static_cast<uint8_t*>(GetSectionData(data, kTags[i])); };

  // Labels: text 0 leaves the record in file order; the numbers stay, native.
  uint8_t* l = section(0);
  EXPECT_EQ(Raw(l, 0, 12), Raw(labels.data.data(), 0, 12));
  EXPECT_EQ(At(l, {12, 18, 20, 22, 32, 34}), (Words{0x0102, 0x0708, 0xFFFF, 0xFFFF, 58, 0}));
  for (size_t at : {8, 20, 28, 33}) EXPECT_EQ(SectionText(data, l + at), nullptr) << at;
  auto* g = reinterpret_cast<const Gadget*>(section(1));
  EXPECT_EQ((Words{g[0].image, g[0].flags, g[0].bottom, g[0].command, g[1].command, g[1].dataOffset}),
            (Words{0x1100, 0x1103, 0x1107, 0x4F4B4F4B, 0x45584954, 200}));
  // Offset 0 is the data block itself, with no text; 1 << 30 is outside.
  EXPECT_EQ(GadgetData(data, &g[0]), static_cast<uint8_t*>(data) - 4);
  EXPECT_STREQ(GadgetLabel(data, &g[1]), "residence");
  EXPECT_TRUE(GadgetData(data, &g[2]) == nullptr && GadgetLabel(data, &g[2]) == nullptr && !GadgetLabel(data, g));

  // Texts of placements (always a string), windows, pictures and numbers.
  EXPECT_EQ(At(section(2), {0, 2, 4, 10}), (Words{57, 0, 1, 4}));
  EXPECT_EQ(SectionText(data, section(2) + 12), GetDefaultString(0));
  EXPECT_EQ((std::vector<std::string>{SectionText(data, section(2)), SectionText(data, section(3) + 12),
                                      SectionText(data, section(7)), SectionText(data, l + 32)}),
            (std::vector<std::string>{"tavern", "info window", "residence", "residence"}));
  EXPECT_EQ(At(section(7), {4, 6}), (Words{0x0A0B, 0x0C0D}));
  EXPECT_EQ(At(section(8), {10, 12}), (Words{0x0606, 5000}));
  EXPECT_STREQ(SectionText(data, section(8) + 12), "") << "a number outside the table";
  EXPECT_EQ(SectionText(data, section(8) + 13), nullptr) << "past the last text field";

  // Words, the town template, and the sections left as they are.
  EXPECT_EQ((Words{At(section(3), {10})[0], At(section(4), {8})[0], At(section(5), {12})[0], At(section(9), {4})[0],
                   At(section(10), {2})[0]}),
            (Words{6, 5, 7, 110, 0x5678}));
  uint8_t* t = section(11);
  EXPECT_EQ(At(t, {0, 2, 4, 10, 12, 20, 40, 42, 44, 58}),
            (Words{1, 3, 2, 6, 0x0C00, 0x0C04, 0x1E05, 0x1E06, 0x2C00, 0x2C07}));
  EXPECT_EQ(Raw(t, 22, 18), Raw(town.data.data(), 22, 18)) << "bytes, and five words turned twice";
  for (uint32_t tag : {kTags[6], kTags[21], 0x12345678u}) EXPECT_EQ(Raw(GetSectionData(data, tag), 0, 8), raw.data);
  EXPECT_TRUE(GetSectionCount(data, 0x12345678) == 1 && GetSectionData(data, kTags[12]) == nullptr);
}

TEST_F(ScreenData, ShortEmptyDamagedAndOddFiles) {
  WriteBytes("short.dat", Bytes().zeros(31).data);
  WriteBytes("empty.dat", {});
  MakeDir("folder.dat");
  for (const char* name : {"nothing.dat", "short.dat", "empty.dat", "folder.dat"}) {
    LogCapture log;
    EXPECT_EQ(ExternalDataLoad(name), nullptr);
    EXPECT_EQ(log.Take(), std::string("ExternalDataLoad: \tKonnte ") + name + " nicht oeffnen.\n");
  }
  // Only the header, or a count cut short: empty.
  EXPECT_EQ(ExternalDataSize(Load(Bytes().zeros(32))) + GetSectionCount(loaded_, kTags[1]), 0u);
  EXPECT_EQ(At(Load(Bytes().zeros(32).be32(0).be16(0xFFFF)), {0}, true), Words{0}) << "no entry fits";
  EXPECT_EQ(GetSectionData(loaded_, kTags[1]), nullptr);
  // One entry and five one-byte records; the count claims a hundred entries.
  EXPECT_EQ(At(Load(Bytes().zeros(32).be32(0).be32(100).be32(kTags[6]).be32(5).be32(20).text("abcde")), {0}, true),
            Words{1});
  EXPECT_EQ(GetSectionCount(loaded_, kTags[6]) + GetSectionCount(loaded_, 0x61626364), 5u);
  // Of two entries with one tag the first wins; names resolve without regard to case.
  MakeDir("data/screendat");
  Load(ScreenFile({{kTags[9], 1, Words16({1, 2, 3, 4})}, {kTags[9], 2, Words16({5, 6, 7, 8}).zeros(8)}}),
       "data/screendat/info_stadt.dat");
  FreeExternalData(loaded_);
  loaded_ = ExternalDataLoad("./data/ScreenDat\\Info_Stadt.dat");
  EXPECT_EQ(GetSectionCount(loaded_, kTags[9]), 1u);
  EXPECT_EQ(GetSectionData(loaded_, kTags[9]), static_cast<uint8_t*>(loaded_) + 4 + 24);

  // Entries whose records are not in the data are passed over.
  const uint32_t records = 8 + 6 * 12;
  Bytes file;
  file.zeros(32).be32(0).be32(6);
  file.be32(kTags[1]).be32(2).be32(records);            // one record too many
  file.be32(kTags[1]).be32(0x80000000u).be32(records);  // count overflows
  file.be32(kTags[9]).be32(1).be32(0xFFFFFFF8u);        // offset past the end
  file.be32(kTags[9]).be32(1).be32(8);                  // inside the directory
  file.be32(kTags[6]).be32(25).be32(records);           // more records than bytes
  file.be32(kTags[1]).be32(1).be32(records);            // the usable one
  void* data = Load(file.append(GadgetRecord("OKOK", 0)));
  EXPECT_EQ(GetSectionCount(data, kTags[1]) + GetSectionCount(data, kTags[9]), 1u);
  EXPECT_TRUE(GetSectionData(data, kTags[9]) == nullptr && GetSectionData(data, kTags[6]) == nullptr);
  EXPECT_EQ(+static_cast<const Gadget*>(GetSectionData(data, kTags[1]))->command, 0x4F4B4F4Bu) << "converted once";
  EXPECT_EQ(Raw(data, 4, 12), Raw(file.data.data(), 40, 12)) << "directory stays big-endian";
}

// One label, two gadgets, a text frame.
const Bytes kRegionFile = ScreenFile({{kTags[0], 1, Label(58)},
                                      {kTags[1], 2, GadgetRecord("OKOK", 44).append(GadgetRecord("EXIT", 0))},
                                      {kTags[9], 1, Bytes().zeros(8)}});

TEST_F(ScreenData, RegionFillsTheRequestedSlotsOrReleasesEverything) {
  WriteBytes("r.dat", kRegionFile.data);
  for (uint32_t mask : {3u, 0u}) {
    ScreenRegion* region = GetSCreenRegion("r.dat", mask);
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(+region->builtinGadget.command, kCommandKey);
    EXPECT_TRUE(region->buttonUp == 1 && region->pressedGadget == nullptr && region->lastGadget == nullptr);
    for (int i = 0; i < kSectionSlots; ++i) {
      const bool asked = mask >> i & 1;
      EXPECT_EQ(region->sections[i].records, asked ? GetSectionData(region->data, kTags[i]) : nullptr) << i;
      EXPECT_EQ(region->sections[i].count, asked ? i + 1u : 0u) << i;
    }
    auto* gadgets = static_cast<Gadget*>(GetSectionData(region->data, kTags[1]));
    EXPECT_STREQ(GadgetLabel(region->data, &gadgets[0]), "residence") << "mask 0 still converts";
    FreeScreenRegion(region);
  }
  LogCapture absent;
  EXPECT_EQ(GetSCreenRegion("absent.dat", 3), nullptr);
  EXPECT_EQ(absent.Take(), "ExternalDataLoad: \tKonnte absent.dat nicht oeffnen.\n");
  // Each allocation that fails releases everything.
  const int64_t before = LiveAllocVecBlocks();
  int failures = 0;
  for (uint32_t n = 1; n < 10; ++n, ++failures) {
    LogCapture log;
    FailAllocVecAt(n);
    ScreenRegion* region = GetSCreenRegion("r.dat", 3);
    FailAllocVecAt(0);
    const bool loaded = region != nullptr;
    if (loaded) {
      EXPECT_STREQ(GadgetLabel(region->data, static_cast<Gadget*>(region->sections[1].records)), "residence");
      FreeScreenRegion(region);
    } else {
      EXPECT_THAT(log.Take(), testing::StartsWith("AllocVec: 000 ")) << n;
    }
    EXPECT_EQ(LiveAllocVecBlocks(), before) << "failing allocation " << n;
    if (loaded) break;
  }
  EXPECT_GE(failures, 2);
}

TEST_F(ScreenData, MissingOrEmptyRequestedSectionEndsTheProcess) {
  WriteBytes("r.dat", ScreenFile({{kTags[0], 1, Label(0)}, {kTags[9], 0, Bytes()}}).data);
  auto region = [](uint32_t mask) { LogOnStderr(); GetSCreenRegion("r.dat", mask); };
  EXPECT_EXIT(region(3), testing::ExitedWithCode(1), testing::EndsWith("GetSCreenRegion:000"));
  EXPECT_EXIT(region(1 << 9), testing::ExitedWithCode(1), testing::EndsWith("GetSCreenRegion:001"));
}

}  // namespace
}  // namespace vsk
