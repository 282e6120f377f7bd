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

struct Section {
  uint32_t tag;
  uint32_t count;
  Bytes records;
};

// A screen-data file: the 32-byte header, the unused word, the section count,
// the directory and the records, each section's records after the last.
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

Bytes Label(uint32_t text) { return Bytes().be16(0x0102).be16(0x0304).be16(0x0506).be16(0x0708).be32(text); }

Bytes GadgetRecord(const char command[5], uint32_t dataOffset) {
  Bytes b;
  for (uint16_t w = 0; w < 8; ++w) b.be16(static_cast<uint16_t>(0x1100 + w));
  return b.text(command).be32(dataOffset);
}

uint16_t U16(const void* p, size_t at) {
  uint16_t v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + at, 2);
  return v;
}
uint32_t U32(const void* p, size_t at) {
  uint32_t v;
  std::memcpy(&v, static_cast<const uint8_t*>(p) + at, 4);
  return v;
}
std::vector<uint8_t> Raw(const void* p, size_t at, size_t n) {
  auto* b = static_cast<const uint8_t*>(p) + at;
  return std::vector<uint8_t>(b, b + n);
}
const uint8_t* Block(const void* data) { return static_cast<const uint8_t*>(data) - 4; }

class ScreenData : public test::GameDirTest {
 protected:
  // Writes the file and loads it; the log of the load goes to loadLog_.
  void* Load(const Bytes& file, const char* name = "screen.dat") {
    test::WriteBytes(name, file.data);
    test::LogCapture log;
    void* data = ExternalDataLoad(name);
    loadLog_ = log.Take();
    loaded_ = data;
    return data;
  }
  void TearDown() override {
    FreeExternalData(loaded_);
    test::GameDirTest::TearDown();
  }
  void* loaded_ = nullptr;
  std::string loadLog_;
};

TEST_F(ScreenData, LabelRecordsByTextNumber) {
  Bytes records = Label(0).append(Label(0xFFFFFFFF)).append(Label(58));
  void* data = Load(ScreenFile({{kSectionTags[0], 3, records}}));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(GetSectionCount(data, kSectionTags[0]), 3u);
  auto* r = static_cast<uint8_t*>(GetSectionData(data, kSectionTags[0]));
  ASSERT_NE(r, nullptr);

  EXPECT_EQ(Raw(r, 0, 12), Raw(records.data.data(), 0, 12)) << "text 0 leaves the record in file order";
  EXPECT_EQ(SectionText(data, r + 8), nullptr);

  EXPECT_EQ(U16(r, 12), 0x0102);
  EXPECT_EQ(U16(r, 18), 0x0708);
  EXPECT_EQ(U32(r, 20), 0xFFFFFFFFu) << "stays -1";
  EXPECT_EQ(SectionText(data, r + 20), nullptr);

  EXPECT_EQ(U16(r, 24), 0x0102);
  EXPECT_EQ(U32(r, 32), 58u) << "the number stays, in native order";
  EXPECT_STREQ(SectionText(data, r + 32), "residence");
  EXPECT_EQ(SectionText(data, r + 33), nullptr) << "not a text field";
  EXPECT_EQ(SectionText(data, r + 28), nullptr);
}

TEST_F(ScreenData, GadgetRecordsAndTheirData) {
  // Label at data offset 8 + 36 = 44; the gadgets follow a 10-byte record,
  // so their 32-bit fields are not 4-byte aligned.
  Bytes gadgets = GadgetRecord("OKOK", 0).append(GadgetRecord("EXIT", 44)).append(GadgetRecord("INFO", 0x7FFFFFFF));
  void* data = Load(ScreenFile({{kSectionTags[0], 1, Label(58)},
                                {kSectionTags[4], 1, Bytes().zeros(10)},
                                {kSectionTags[1], 3, gadgets}}));
  ASSERT_NE(data, nullptr);
  auto* g = static_cast<const Gadget*>(GetSectionData(data, kSectionTags[1]));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(+g[0].image, 0x1100);
  EXPECT_EQ(+g[0].flags, 0x1103);
  EXPECT_EQ(+g[0].bottom, 0x1107);
  EXPECT_EQ(+g[0].command, 0x4F4B4F4Bu);
  EXPECT_EQ(+g[1].command, 0x45584954u);
  EXPECT_EQ(+g[1].dataOffset, 44u);

  EXPECT_EQ(GadgetData(data, &g[0]), Block(data)) << "offset 0 is the data block itself";
  EXPECT_EQ(GadgetData(data, &g[1]), GetSectionData(data, kSectionTags[0]));
  EXPECT_STREQ(GadgetLabel(data, &g[1]), "residence");
  EXPECT_EQ(GadgetData(data, &g[2]), nullptr) << "offset outside the data";
  EXPECT_EQ(GadgetLabel(data, &g[2]), nullptr);
  EXPECT_EQ(GadgetLabel(data, &g[0]), nullptr) << "the directory holds no text";
}

TEST_F(ScreenData, TextRecordsResolveAndLogPlacements) {
  void* data = Load(ScreenFile({
      {kSectionTags[2], 2, Bytes().be32(57).be16(1).be16(2).be16(3).be16(4).be32(0).zeros(8)},
      {kSectionTags[3], 1, Bytes().be16(1).be16(2).be16(3).be16(4).be16(5).be16(6).be32(330)},
      {kSectionTags[7], 1, Bytes().be32(58).be16(0x0A0B).be16(0x0C0D)},
      {kSectionTags[8], 1, Bytes().be16(1).be16(2).be16(3).be16(4).be16(5).be16(0x0606).be32(5000)},
  }));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(loadLog_, "LTXT:ID:57\nLTXT:ID:0\n");

  auto* p = static_cast<uint8_t*>(GetSectionData(data, kSectionTags[2]));
  EXPECT_EQ(U32(p, 0), 57u);
  EXPECT_STREQ(SectionText(data, p), "tavern");
  EXPECT_EQ(U16(p, 4), 1);
  EXPECT_EQ(U16(p, 10), 4);
  EXPECT_EQ(SectionText(data, p + 12), GetDefaultString(0)) << "a placement always takes a string";

  auto* t3 = static_cast<uint8_t*>(GetSectionData(data, kSectionTags[3]));
  EXPECT_EQ(U16(t3, 10), 6);
  EXPECT_STREQ(SectionText(data, t3 + 12), "info window");

  auto* t7 = static_cast<uint8_t*>(GetSectionData(data, kSectionTags[7]));
  EXPECT_STREQ(SectionText(data, t7), "residence");
  EXPECT_EQ(U16(t7, 4), 0x0A0B);
  EXPECT_EQ(U16(t7, 6), 0x0C0D);

  auto* t8 = static_cast<uint8_t*>(GetSectionData(data, kSectionTags[8]));
  EXPECT_EQ(U16(t8, 10), 0x0606);
  EXPECT_EQ(U32(t8, 12), 5000u);
  const char* beyond = SectionText(data, t8 + 12);
  ASSERT_NE(beyond, nullptr);
  EXPECT_STREQ(beyond, "") << "a number outside the table";
}

TEST_F(ScreenData, WordRecordsAndUnconvertedSections) {
  Bytes raw = Bytes().be32(0x01020304).be32(0x05060708);
  void* data = Load(ScreenFile({
      {kSectionTags[4], 1, Bytes().be16(1).be16(2).be16(3).be16(4).be16(5)},
      {kSectionTags[5], 1, Bytes().be16(1).be16(2).be16(3).be16(4).be16(5).be16(6).be16(7)},
      {kSectionTags[9], 1, Bytes().be16(10).be16(20).be16(110).be16(40)},
      {kSectionTags[10], 1, Bytes().be16(0x1234).be16(0x5678)},
      {kSectionTags[6], 2, raw},
      {kSectionTags[21], 1, raw},
      {0x12345678, 1, raw},
  }));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(U32(data, 0), 7u) << "the section count is native";
  EXPECT_EQ(U16(GetSectionData(data, kSectionTags[4]), 8), 5);
  EXPECT_EQ(U16(GetSectionData(data, kSectionTags[5]), 12), 7);
  auto* frame = static_cast<const TextFrame*>(GetSectionData(data, kSectionTags[9]));
  EXPECT_EQ(+frame->left, 10);
  EXPECT_EQ(+frame->right, 110);
  EXPECT_EQ(+frame->bottom, 40);
  EXPECT_EQ(U16(GetSectionData(data, kSectionTags[10]), 2), 0x5678);
  for (uint32_t tag : {kSectionTags[6], kSectionTags[21], 0x12345678u}) {
    EXPECT_EQ(Raw(GetSectionData(data, tag), 0, 8), raw.data) << std::hex << tag;
  }
  EXPECT_EQ(GetSectionCount(data, 0x12345678), 1u);
  EXPECT_EQ(GetSectionCount(data, kSectionTags[0]), 0u);
  EXPECT_EQ(GetSectionData(data, kSectionTags[0]), nullptr);
}

TEST_F(ScreenData, TownTemplatesKeepFiveWordsInFileOrder) {
  Bytes rec;
  rec.be16(0x0001).be32(0x00020003).be16(0x0004).be16(0x0005).be16(0x0006);
  for (uint16_t w = 0; w < 5; ++w) rec.be16(static_cast<uint16_t>(0x0C00 + w));
  rec.text("ABCDEFGH");
  for (uint16_t w = 0; w < 7; ++w) rec.be16(static_cast<uint16_t>(0x1E00 + w));
  for (uint16_t w = 0; w < 8; ++w) rec.be16(static_cast<uint16_t>(0x2C00 + w));
  ASSERT_EQ(rec.size(), 60u);
  void* data = Load(ScreenFile({{kSectionTags[11], 1, rec}}));
  auto* r = static_cast<uint8_t*>(GetSectionData(data, kSectionTags[11]));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(U16(r, 0), 1);
  EXPECT_EQ(U32(r, 2), 0x00020003u);
  EXPECT_EQ(U16(r, 10), 6);
  EXPECT_EQ(U16(r, 12), 0x0C00);
  EXPECT_EQ(U16(r, 20), 0x0C04);
  EXPECT_EQ(Raw(r, 22, 8), Raw(rec.data.data(), 22, 8));
  EXPECT_EQ(Raw(r, 30, 10), Raw(rec.data.data(), 30, 10)) << "turned twice";
  EXPECT_EQ(U16(r, 40), 0x1E05);
  EXPECT_EQ(U16(r, 42), 0x1E06);
  EXPECT_EQ(U16(r, 44), 0x2C00);
  EXPECT_EQ(U16(r, 58), 0x2C07);
}

TEST_F(ScreenData, FirstOfTwoEntriesWithOneTagWins) {
  void* data = Load(ScreenFile({{kSectionTags[9], 1, Bytes().be16(1).be16(2).be16(3).be16(4)},
                                {kSectionTags[9], 2, Bytes().be16(5).be16(6).be16(7).be16(8).zeros(8)}}));
  EXPECT_EQ(GetSectionCount(data, kSectionTags[9]), 1u);
  EXPECT_EQ(U16(GetSectionData(data, kSectionTags[9]), 0), 1);
  EXPECT_EQ(GetSectionData(data, kSectionTags[9]), Block(data) + 8 + 24);
}

TEST_F(ScreenData, MissingAndShortFilesAreNotLoaded) {
  test::LogCapture log;
  EXPECT_EQ(ExternalDataLoad("nothing.dat"), nullptr);
  test::WriteBytes("short.dat", Bytes().zeros(31).data);
  EXPECT_EQ(ExternalDataLoad("short.dat"), nullptr);
  test::WriteBytes("empty.dat", {});
  EXPECT_EQ(ExternalDataLoad("empty.dat"), nullptr);
  test::MakeDir("folder.dat");
  EXPECT_EQ(ExternalDataLoad("folder.dat"), nullptr);
  EXPECT_EQ(log.Take(),
            "ExternalDataLoad: \tKonnte nothing.dat nicht oeffnen.\n"
            "ExternalDataLoad: \tKonnte short.dat nicht oeffnen.\n"
            "ExternalDataLoad: \tKonnte empty.dat nicht oeffnen.\n"
            "ExternalDataLoad: \tKonnte folder.dat nicht oeffnen.\n");
}

TEST_F(ScreenData, HeaderOnlyAndPartialCountLoadEmpty) {
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
  void* data = Load(ScreenFile({{kSectionTags[9], 1, Bytes().zeros(8)}}), "data/screendat/info_stadt.dat");
  FreeExternalData(data);
  loaded_ = ExternalDataLoad("./data/ScreenDat\\Info_Stadt.dat");
  EXPECT_EQ(GetSectionCount(loaded_, kSectionTags[9]), 1u);
}

TEST_F(ScreenData, EntriesOutsideTheDataAreMissing) {
  Bytes gadget = GadgetRecord("OKOK", 0);
  Bytes file;
  file.zeros(32).be32(0).be32(6);
  const uint32_t records = 8 + 6 * 12;
  file.be32(kSectionTags[1]).be32(2).be32(records);           // one record too many
  file.be32(kSectionTags[1]).be32(0x80000000u).be32(records); // count overflows
  file.be32(kSectionTags[9]).be32(1).be32(0xFFFFFFF8u);       // offset past the end
  file.be32(kSectionTags[9]).be32(1).be32(8);                 // inside the directory
  file.be32(kSectionTags[6]).be32(25).be32(records);          // more records than bytes
  file.be32(kSectionTags[1]).be32(1).be32(records);           // the usable one
  file.append(gadget);
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

TEST_F(ScreenData, RegionFillsTheRequestedSlots) {
  test::WriteBytes("r.dat", ScreenFile({{kSectionTags[0], 1, Label(58)},
                                        {kSectionTags[1], 2, GadgetRecord("OKOK", 44).append(GadgetRecord("EXIT", 0))},
                                        {kSectionTags[9], 1, Bytes().zeros(8)}})
                                .data);
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
  auto* gadgets = static_cast<Gadget*>(region->sections[1].records);
  EXPECT_STREQ(GadgetLabel(region->data, &gadgets[0]), "residence");
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
  EXPECT_EXIT(RegionToStderr("r.dat", 1 << 9), testing::ExitedWithCode(1),
              testing::EndsWith("GetSCreenRegion:001"));
}

TEST_F(ScreenData, AllocationFailuresReleaseEverything) {
  test::WriteBytes("r.dat", ScreenFile({{kSectionTags[0], 1, Label(58)}, {kSectionTags[1], 1, GadgetRecord("OKOK", 32)}}).data);
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
