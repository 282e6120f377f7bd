// Screen-data files: loading, the records each section turns into native
// order, texts and gadget data they point to, entries that do not fit, the
// regions made of them, and running out of memory.
#include "pictures/screendata.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "catalog/strings.h"
#include "services/memory_faults.h"
#include "support/bytes.h"
#include "support/gamedir.h"
#include "support/log.h"

namespace vsk {
namespace {

using test::Bytes;
using Words = std::vector<uint16_t>;

struct Section {
  uint32_t tag;
  uint32_t count;
  Bytes records;
};

// A screen-data file: the 32-byte header, the unused word, the section count,
// the directory and the records, each section's records after the last.
// (Built by hand: the tests need sections and layouts the data kit's writer
// does not make.)
Bytes ScreenFile(const std::vector<Section>& sections) {
  Bytes file;
  file.zeros(32).be32(0xDEADBEEF).be32(static_cast<uint32_t>(sections.size()));
  uint32_t offset = 8 + 12 * static_cast<uint32_t>(sections.size());
  for (const Section& s : sections) {
    file.be32(s.tag).be32(s.count).be32(offset);
    offset += static_cast<uint32_t>(s.records.size());
  }
  for (const Section& s : sections) file.append(s.records);
  return file;
}

// Big-endian words into a record.
Bytes BE(const Words& words) {
  Bytes b;
  for (uint16_t w : words) b.be16(w);
  return b;
}
Bytes Label(uint32_t text) { return BE({0x0102, 0x0304, 0x0506, 0x0708}).be32(text); }
Bytes GadgetRecord(const char command[5], uint32_t dataOffset) {
  return BE({0x1100, 0x1101, 0x1102, 0x1103, 0x1104, 0x1105, 0x1106, 0x1107}).text(command).be32(dataOffset);
}

// A native number at a byte offset, and bytes, as loaded.
uint32_t U32(const void* p, size_t at) {
  uint32_t v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + at, 4);
  return v;
}
std::vector<uint8_t> Raw(const void* p, size_t at, size_t n) {
  auto* b = static_cast<const uint8_t*>(p) + at;
  return std::vector<uint8_t>(b, b + n);
}
// The bytes a load leaves of big-endian records laid out as `layout`: 'w' a
// 16-bit word and 'l' a 32-bit number turned to native order, '.' a byte kept.
size_t FieldSize(char field) { return field == 'w' ? 2 : field == 'l' ? 4 : 1; }
size_t RecordSize(const std::string& layout) {
  size_t size = 0;
  for (char field : layout) size += FieldSize(field);
  return size;
}
std::vector<uint8_t> Native(const std::vector<uint8_t>& file, const std::string& layout) {
  std::vector<uint8_t> out;
  for (size_t at = 0; at < file.size();) {
    for (char field : layout) {
      const size_t n = FieldSize(field);
      uint32_t v = 0;
      for (size_t k = 0; k < n; ++k) v = v << 8 | file[at + k];
      const uint16_t w = static_cast<uint16_t>(v);
      const auto* p = n == 4 ? reinterpret_cast<const uint8_t*>(&v) : n == 2 ? reinterpret_cast<const uint8_t*>(&w) : &file[at];
      out.insert(out.end(), p, p + n);
      at += n;
    }
  }
  return out;
}
const uint8_t* Block(const void* data) { return static_cast<const uint8_t*>(data) - 4; }
uint8_t* Records(void* data, int section) { return static_cast<uint8_t*>(GetSectionData(data, kSectionTags[section])); }

class ScreenData : public test::GameDirTest {
 protected:
  // Writes the file and loads it; the log of the load goes to loadLog_.
  void* Load(const Bytes& file, const char* name = "screen.dat") {
    test::WriteBytes(name, file.data);
    test::LogCapture log;
    loaded_ = ExternalDataLoad(name);
    loadLog_ = log.Take();
    return loaded_;
  }
  void TearDown() override {
    FreeExternalData(loaded_);
    test::GameDirTest::TearDown();
  }
  void* loaded_ = nullptr;
  std::string loadLog_;
};

TEST_F(ScreenData, LabelAndGadgetRecordsAndTheirData) {
  // Labels of text 0 (kept in file order), none (-1) and 58; the gadgets
  // follow a 10-byte record, so their 32-bit fields are not 4-byte aligned.
  // The labels lie at data offset 8 + 36 = 44; the third at 68.
  const Bytes labels = Label(0).append(Label(0xFFFFFFFF)).append(Label(58));
  const Bytes gadgets = GadgetRecord("OKOK", 0).append(GadgetRecord("EXIT", 68)).append(GadgetRecord("INFO", 0x7FFFFFFF));
  void* data = Load(ScreenFile({{kSectionTags[0], 3, labels}, {kSectionTags[4], 1, Bytes().zeros(10)}, {kSectionTags[1], 3, gadgets}}));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(GetSectionCount(data, kSectionTags[0]), 3u);
  uint8_t* r = Records(data, 0);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(Raw(r, 0, 12), Raw(labels.data.data(), 0, 12)) << "text 0 leaves the record in file order";
  EXPECT_EQ(SectionText(data, r + 8), nullptr);
  // The others turned, -1 and the number 58 staying.
  EXPECT_EQ(Raw(r, 12, 24), Native(std::vector<uint8_t>(labels.data.begin() + 12, labels.data.end()), "wwwwl"));
  EXPECT_EQ(SectionText(data, r + 20), nullptr);
  EXPECT_STREQ(SectionText(data, r + 32), "residence");
  EXPECT_EQ(SectionText(data, r + 33), nullptr) << "not a text field";
  EXPECT_EQ(SectionText(data, r + 28), nullptr);

  auto* g = reinterpret_cast<const Gadget*>(Records(data, 1));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(Raw(g, 0, 72), Native(gadgets.data, "wwwwwwwwll"));
  EXPECT_EQ(+g[1].command, 0x45584954u);
  EXPECT_EQ(+g[1].dataOffset, 68u);
  EXPECT_EQ(GadgetData(data, &g[0]), Block(data)) << "offset 0 is the data block itself";
  EXPECT_EQ(GadgetData(data, &g[1]), r + 24);
  EXPECT_STREQ(GadgetLabel(data, &g[1]), "residence");
  EXPECT_EQ(GadgetData(data, &g[2]), nullptr) << "offset outside the data";
  EXPECT_EQ(GadgetLabel(data, &g[2]), nullptr);
  EXPECT_EQ(GadgetLabel(data, &g[0]), nullptr) << "the directory holds no text";
}

TEST_F(ScreenData, TextRecordsResolveAndLogPlacements) {
  const Section placements{kSectionTags[2], 2, Bytes().be32(57).append(BE({1, 2, 3, 4})).be32(0).zeros(8)};
  const Section windows{kSectionTags[3], 1, BE({1, 2, 3, 4, 5, 6}).be32(330)};
  const Section titles{kSectionTags[7], 1, Bytes().be32(58).append(BE({0x0A0B, 0x0C0D}))};
  const Section notes{kSectionTags[8], 1, BE({1, 2, 3, 4, 5, 0x0606}).be32(5000)};
  void* data = Load(ScreenFile({placements, windows, titles, notes}));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(loadLog_, "LTXT:ID:57\nLTXT:ID:0\n");
  // The numbers stay, turned like the other fields.
  EXPECT_EQ(Raw(Records(data, 2), 0, 24), Native(placements.records.data, "lwwww"));
  EXPECT_EQ(Raw(Records(data, 3), 0, 16), Native(windows.records.data, "wwwwwwl"));
  EXPECT_EQ(Raw(Records(data, 7), 0, 8), Native(titles.records.data, "lww"));
  EXPECT_EQ(Raw(Records(data, 8), 0, 16), Native(notes.records.data, "wwwwwwl"));

  EXPECT_STREQ(SectionText(data, Records(data, 2)), "tavern");
  EXPECT_EQ(SectionText(data, Records(data, 2) + 12), GetDefaultString(0)) << "a placement always takes a string";
  EXPECT_STREQ(SectionText(data, Records(data, 3) + 12), "info window");
  EXPECT_STREQ(SectionText(data, Records(data, 7)), "residence");
  ASSERT_NE(SectionText(data, Records(data, 8) + 12), nullptr);
  EXPECT_STREQ(SectionText(data, Records(data, 8) + 12), "") << "a number outside the table";
}

TEST_F(ScreenData, EachSectionTurnsItsFieldsToNativeOrder) {
  const struct {
    uint32_t tag;
    uint32_t count;
    std::string layout;
  } sections[] = {
      {kSectionTags[4], 1, "wwwww"},
      {kSectionTags[5], 1, "wwwwwww"},
      {kSectionTags[9], 1, "wwww"},  // text frames
      {kSectionTags[10], 1, "ww"},
      // Town templates: eight bytes kept and five words turned twice, so in file order.
      {kSectionTags[11], 1, "wlwwwwwwww" + std::string(18, '.') + "wwwwwwwwww"},
      {kSectionTags[6], 2, "...."},
      {kSectionTags[21], 1, "........"},
      {0x12345678, 1, "........"},  // a tag the game does not know
  };
  std::vector<Section> file;
  for (const auto& section : sections) {
    Bytes records;
    for (size_t i = 0; i < section.count * RecordSize(section.layout); ++i)
      records.u8(static_cast<uint8_t>(17 * file.size() + 3 * i + 1));
    file.push_back({section.tag, section.count, records});
  }
  void* data = Load(ScreenFile(file));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(U32(data, 0), 8u) << "the section count is native";
  for (size_t i = 0; i < file.size(); ++i) {
    const std::vector<uint8_t> want = Native(file[i].records.data, sections[i].layout);
    EXPECT_EQ(Raw(GetSectionData(data, sections[i].tag), 0, want.size()), want) << std::hex << sections[i].tag;
  }
  EXPECT_EQ(GetSectionCount(data, 0x12345678), 1u);
  EXPECT_EQ(GetSectionCount(data, kSectionTags[0]), 0u);
  EXPECT_EQ(GetSectionData(data, kSectionTags[0]), nullptr);
}

TEST_F(ScreenData, FirstOfTwoEntriesWithOneTagWins) {
  void* data = Load(ScreenFile({{kSectionTags[9], 1, BE({1, 2, 3, 4})}, {kSectionTags[9], 2, BE({5, 6, 7, 8}).zeros(8)}}));
  EXPECT_EQ(GetSectionCount(data, kSectionTags[9]), 1u);
  EXPECT_EQ(Raw(Records(data, 9), 0, 2), Native({0, 1}, "w"));
  EXPECT_EQ(Records(data, 9), Block(data) + 8 + 24);
}

TEST_F(ScreenData, MissingShortAndEmptyFiles) {
  test::WriteBytes("short.dat", Bytes().zeros(31).data);
  test::WriteBytes("empty.dat", {});
  test::MakeDir("folder.dat");
  test::LogCapture log;
  for (const char* name : {"nothing.dat", "short.dat", "empty.dat", "folder.dat"})
    EXPECT_EQ(ExternalDataLoad(name), nullptr) << name;
  EXPECT_EQ(log.Take(),
            "ExternalDataLoad: \tKonnte nothing.dat nicht oeffnen.\n"
            "ExternalDataLoad: \tKonnte short.dat nicht oeffnen.\n"
            "ExternalDataLoad: \tKonnte empty.dat nicht oeffnen.\n"
            "ExternalDataLoad: \tKonnte folder.dat nicht oeffnen.\n");

  // The header alone, or a partial count, loads as no sections.
  void* data = Load(Bytes().zeros(32));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(ExternalDataSize(data), 0u);
  EXPECT_EQ(GetSectionCount(data, kSectionTags[1]), 0u);
  FreeExternalData(data);
  data = Load(Bytes().zeros(32).be32(0).be16(0xFFFF));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(U32(data, 0), 0u) << "no entry fits";
  EXPECT_EQ(GetSectionData(data, kSectionTags[1]), nullptr);
}

TEST_F(ScreenData, SectionCountIsClampedToTheEntriesThatFit) {
  // One entry and five one-byte records; the count claims a hundred entries.
  void* data = Load(Bytes().zeros(32).be32(0).be32(100).be32(kSectionTags[6]).be32(5).be32(20).text("abcde"));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(U32(data, 0), 1u);
  EXPECT_EQ(GetSectionCount(data, kSectionTags[6]), 5u);
  EXPECT_EQ(GetSectionCount(data, 0x61626364), 0u) << "the records are no directory entry";
}

TEST_F(ScreenData, NamesResolveWithoutRegardToCase) {
  test::MakeDir("data/screendat");
  FreeExternalData(Load(ScreenFile({{kSectionTags[9], 1, Bytes().zeros(8)}}), "data/screendat/info_stadt.dat"));
  loaded_ = ExternalDataLoad("./data/ScreenDat\\Info_Stadt.dat");
  EXPECT_EQ(GetSectionCount(loaded_, kSectionTags[9]), 1u);
}

TEST_F(ScreenData, EntriesOutsideTheDataAreMissing) {
  Bytes file;
  file.zeros(32).be32(0).be32(6);
  const uint32_t records = 8 + 6 * 12;
  file.be32(kSectionTags[1]).be32(2).be32(records);           // one record too many
  file.be32(kSectionTags[1]).be32(0x80000000u).be32(records); // count overflows
  file.be32(kSectionTags[9]).be32(1).be32(0xFFFFFFF8u);       // offset past the end
  file.be32(kSectionTags[9]).be32(1).be32(8);                 // inside the directory
  file.be32(kSectionTags[6]).be32(25).be32(records);          // more records than bytes
  file.be32(kSectionTags[1]).be32(1).be32(records);           // the usable one
  file.append(GadgetRecord("OKOK", 0));
  void* data = Load(file);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(GetSectionCount(data, kSectionTags[1]), 1u) << "broken entries are passed over";
  EXPECT_EQ(GetSectionCount(data, kSectionTags[9]), 0u);
  EXPECT_EQ(GetSectionData(data, kSectionTags[9]), nullptr);
  EXPECT_EQ(GetSectionData(data, kSectionTags[6]), nullptr);
  auto* g = static_cast<const Gadget*>(GetSectionData(data, kSectionTags[1]));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(+g->command, 0x4F4B4F4Bu) << "converted once, by the usable entry only";
  EXPECT_EQ(Raw(data, 4, 12), Raw(file.data.data(), 40, 12)) << "directory stays big-endian";
}

const Bytes kRegionFile = ScreenFile({{kSectionTags[0], 1, Label(58)},
                                      {kSectionTags[1], 2, GadgetRecord("OKOK", 44).append(GadgetRecord("EXIT", 0))},
                                      {kSectionTags[9], 1, Bytes().zeros(8)}});

TEST_F(ScreenData, RegionFillsTheRequestedSlots) {
  test::WriteBytes("r.dat", kRegionFile.data);
  ScreenRegion* region = GetSCreenRegion("r.dat", 3);
  ASSERT_NE(region, nullptr);
  EXPECT_EQ(region->buttonUp, 1);
  EXPECT_EQ(+region->builtinGadget.command, kCommandKey);
  EXPECT_EQ(region->pressedGadget, nullptr);
  EXPECT_EQ(region->lastGadget, nullptr);
  EXPECT_EQ(region->sections[0].count, 1u);
  EXPECT_EQ(region->sections[1].count, 2u);
  EXPECT_EQ(region->sections[1].records, GetSectionData(region->data, kSectionTags[1]));
  for (int i = 2; i < kSectionSlots; ++i) EXPECT_EQ(region->sections[i].records, nullptr) << i;
  EXPECT_STREQ(GadgetLabel(region->data, static_cast<Gadget*>(region->sections[1].records)), "residence");
  FreeScreenRegion(region);

  region = GetSCreenRegion("r.dat", 0);
  ASSERT_NE(region, nullptr);
  for (const RegionSection& s : region->sections) EXPECT_EQ(s.records, nullptr);
  auto* converted = static_cast<Gadget*>(GetSectionData(region->data, kSectionTags[1]));
  EXPECT_EQ(+converted->command, 0x4F4B4F4Bu) << "mask 0 still converts";
  FreeScreenRegion(region);

  test::LogCapture log;
  EXPECT_EQ(GetSCreenRegion("absent.dat", 3), nullptr);
  EXPECT_EQ(log.Take(), "ExternalDataLoad: \tKonnte absent.dat nicht oeffnen.\n");
}

// The log is standard output; the death test reads standard error.
void RegionToStderr(const char* name, uint32_t mask) {
  std::fflush(stdout);
  dup2(STDERR_FILENO, STDOUT_FILENO);
  GetSCreenRegion(name, mask);
}

TEST_F(ScreenData, MissingOrEmptyRequestedSectionEndsTheProcess) {
  test::WriteBytes("r.dat", ScreenFile({{kSectionTags[0], 1, Label(0)}, {kSectionTags[9], 0, Bytes()}}).data);
  EXPECT_EXIT(RegionToStderr("r.dat", 3), testing::ExitedWithCode(1), testing::EndsWith("GetSCreenRegion:000"));
  EXPECT_EXIT(RegionToStderr("r.dat", 1 << 9), testing::ExitedWithCode(1), testing::EndsWith("GetSCreenRegion:001"));
}

TEST_F(ScreenData, AllocationFailuresReleaseEverything) {
  test::WriteBytes("r.dat", kRegionFile.data);
  const int64_t before = LiveAllocVecBlocks();
  int failures = 0;
  for (uint32_t n = 1; n < 10; ++n) {
    test::LogCapture log;
    FailAllocVecAt(n);
    ScreenRegion* region = GetSCreenRegion("r.dat", 3);
    FailAllocVecAt(0);
    if (region) {
      EXPECT_STREQ(GadgetLabel(region->data, static_cast<Gadget*>(region->sections[1].records)), "residence");
      FreeScreenRegion(region);
      EXPECT_EQ(LiveAllocVecBlocks(), before);
      break;
    }
    ++failures;
    EXPECT_EQ(LiveAllocVecBlocks(), before) << "failing allocation " << n;
    EXPECT_THAT(log.Take(), testing::StartsWith("AllocVec: 000 "));
  }
  EXPECT_GE(failures, 2);
}

TEST(DefaultStrings, NumbersOfTheTableAndBeyond) {
  EXPECT_STREQ(GetDefaultString(58), "residence");
  EXPECT_STREQ(GetDefaultString(330), "info window");
  EXPECT_EQ(GetDefaultString(57), BuiltinStrings[57].text);
  const char* empty = GetDefaultString(kStringCount);
  EXPECT_STREQ(empty, "");
  EXPECT_EQ(GetDefaultString(0xFFFFFFFF), empty);
}

}  // namespace
}  // namespace vsk
