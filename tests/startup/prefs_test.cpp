#include "core/prefs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/context.h"
#include "platform/files.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "support/bytes.h"
#include "support/gamedir.h"
#include "support/log.h"

namespace vsk {
namespace {

using test::Bytes;
using test::FileExists;
using test::MakeDir;
using test::ReadBytes;
using test::SetReadOnly;
using test::WriteBytes;

constexpr const char* kGeneral = "data/prefs.vsk";
constexpr const char* kStory = "data/BTPrefs.vsk";
constexpr const char* kOptions = "data/optionen.prefs";

std::vector<uint8_t> FreshGeneralFile() {
  return Bytes().text("PREF").text("V001").le32(220).zeros(220).data;
}

std::vector<uint8_t> FreshStoryFile() {
  return Bytes().text("BPTR").text("V001").le32(188).zeros(188).data;
}

class PrefsTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    test::GameDirTest::SetUp();
    MakeDir("data");
    std::memset(&System, 0, sizeof System);
  }
  void TearDown() override {
    FailAllocVecAt(0);
    std::memset(&System, 0, sizeof System);
    test::GameDirTest::TearDown();
  }
};

std::string Text(intptr_t block) { return reinterpret_cast<const char*>(block); }

intptr_t Ptr(const char* text) { return reinterpret_cast<intptr_t>(text); }

// ---- general preferences ------------------------------------------------------

TEST_F(PrefsTest, FirstAccessCreatesTheGeneralFileWithHeaderAndZeroBody) {
  test::LogCapture log;
  EXPECT_EQ(CheckPrefs(24, 0, 0), 0);
  EXPECT_EQ(ReadBytes(kGeneral), FreshGeneralFile());
  EXPECT_EQ(log.Take(), "");
}

TEST_F(PrefsTest, RunningFlagWriteChangesExactlyItsByte) {
  CheckPrefs(24, 0, 0);
  std::vector<uint8_t> expected = FreshGeneralFile();
  EXPECT_EQ(CheckPrefs(24, 1, 1), 1);
  expected[228] = 1;
  EXPECT_EQ(ReadBytes(kGeneral), expected);
  EXPECT_EQ(CheckPrefs(24, 0, 0), 1);
  EXPECT_EQ(CheckPrefs(24, 1, 0), 0);
  EXPECT_EQ(ReadBytes(kGeneral), FreshGeneralFile());
}

TEST_F(PrefsTest, NumberFieldsAreLittleEndianOfTheirOwnWidth) {
  EXPECT_EQ(CheckPrefs(9, 1, 0x12345678), 0x12345678);  // 4 bytes at 148
  EXPECT_EQ(CheckPrefs(0, 1, 0x1ABCD), 0x1ABCD);        // 2 bytes at 12
  EXPECT_EQ(CheckPrefs(4, 1, 0x1FE), 0x1FE);            // 1 byte at 26
  std::vector<uint8_t> file = ReadBytes(kGeneral);
  ASSERT_EQ(file.size(), 232u);
  EXPECT_EQ(std::vector<uint8_t>(file.begin() + 148, file.begin() + 152),
            (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(file[12], 0xCD);
  EXPECT_EQ(file[13], 0xAB);
  EXPECT_EQ(file[14], 0x00) << "field 1 must stay untouched";
  EXPECT_EQ(file[26], 0xFE);
  EXPECT_EQ(file[27], 0x00) << "field 5 must stay untouched";

  EXPECT_EQ(CheckPrefs(9, 0, 0), 0x12345678);
  EXPECT_EQ(CheckPrefs(0, 0, 0), 0xABCD);
  EXPECT_EQ(CheckPrefs(4, 0, 0), 0xFE);
  EXPECT_EQ(CheckPrefs(4, 0, 0x7700), 0x77FE) << "only the field's low-order bytes are replaced";

  CheckPrefs(23, 1, 0xFFFFFFFF);
  EXPECT_EQ(CheckPrefs(23, 0, 0), -1) << "results are 32-bit";
  EXPECT_EQ(CheckPrefs(26, 0, 0), 0);
}

TEST_F(PrefsTest, TextFieldsAreZeroTerminatedBlocks) {
  int64_t live = LiveAllocVecBlocks();
  const char* name = "Aldric of Ferrenmoor";
  EXPECT_EQ(CheckPrefs(8, 1, Ptr(name)), Ptr(name));
  EXPECT_EQ(LiveAllocVecBlocks(), live) << "a write keeps no block";

  std::vector<uint8_t> expected = FreshGeneralFile();
  std::memcpy(expected.data() + 108, name, std::strlen(name));
  EXPECT_EQ(ReadBytes(kGeneral), expected);

  intptr_t block = CheckPrefs(8, 0, 0);
  ASSERT_NE(block, 0);
  EXPECT_EQ(Text(block), name);
  EXPECT_EQ(LiveAllocVecBlocks(), live + 1);
  FreeVec(reinterpret_cast<void*>(block));

  intptr_t empty = CheckPrefs(10, 0, 0);
  ASSERT_NE(empty, 0);
  EXPECT_EQ(Text(empty), "");
  FreeVec(reinterpret_cast<void*>(empty));
}

TEST_F(PrefsTest, LongTextsKeepThirtyNineCharactersAndTheirNeighbours) {
  CheckPrefs(9, 1, 0x01020304);
  CheckPrefs(7, 1, Ptr("keep me"));
  std::string sixty(60, 'w');
  CheckPrefs(8, 1, Ptr(sixty.c_str()));

  std::vector<uint8_t> file = ReadBytes(kGeneral);
  EXPECT_EQ(std::string(file.begin() + 108, file.begin() + 147), std::string(39, 'w'));
  EXPECT_EQ(file[147], 0);
  EXPECT_EQ(CheckPrefs(9, 0, 0), 0x01020304);
  intptr_t before = CheckPrefs(7, 0, 0);
  EXPECT_EQ(Text(before), "keep me");
  FreeVec(reinterpret_cast<void*>(before));

  // A field filled to its last byte by someone else still reads as a text.
  std::vector<uint8_t> full = FreshGeneralFile();
  std::memset(full.data() + 152, 'z', 40);
  WriteBytes(kGeneral, full);
  intptr_t block = CheckPrefs(10, 0, 0);
  ASSERT_NE(block, 0);
  EXPECT_EQ(Text(block), std::string(39, 'z'));
  FreeVec(reinterpret_cast<void*>(block));

  CheckPrefs(6, 1, 0);
  EXPECT_EQ(ReadBytes(kGeneral).at(28), 0) << "a null text writes an empty field";
}

TEST_F(PrefsTest, FieldsBeyondTheTableTouchNothing) {
  CheckPrefs(24, 1, 1);
  std::vector<uint8_t> before = ReadBytes(kGeneral);
  EXPECT_EQ(CheckPrefs(27, 1, 5), 5);
  EXPECT_EQ(CheckPrefs(27, 0, 6), 6);
  EXPECT_EQ(CheckPrefs(28, 1, 7), 7);
  EXPECT_EQ(CheckPrefs(0xFFFF, 0, 8), 8);
  EXPECT_EQ(ReadBytes(kGeneral), before);
}

TEST_F(PrefsTest, ShortFilesGiveShortReadsAndAreNotRewritten) {
  WriteBytes(kGeneral, Bytes().text("PREF").zeros(144).u8(0x34).u8(0x12).data);  // 150 bytes
  EXPECT_EQ(CheckPrefs(9, 0, 0), 0x1234) << "missing high bytes keep the caller's zeros";
  EXPECT_EQ(CheckPrefs(24, 0, 0), 0);
  intptr_t block = CheckPrefs(10, 0, 0);
  ASSERT_NE(block, 0);
  EXPECT_EQ(Text(block), "");
  FreeVec(reinterpret_cast<void*>(block));
  EXPECT_EQ(ReadBytes(kGeneral).size(), 150u) << "reads never grow the file";
}

TEST_F(PrefsTest, TextReadWithoutMemoryGivesNull) {
  CheckPrefs(8, 1, Ptr("Mira"));
  int64_t live = LiveAllocVecBlocks();
  FailAllocVecAt(1);
  test::LogCapture log;
  EXPECT_EQ(CheckPrefs(8, 0, 0), 0);
  EXPECT_EQ(log.Take(), "AllocVec: 000 ");
  EXPECT_EQ(LiveAllocVecBlocks(), live);
  // The file is closed again: the next access works as usual.
  intptr_t block = CheckPrefs(8, 0, 0);
  EXPECT_EQ(Text(block), "Mira");
  FreeVec(reinterpret_cast<void*>(block));
}

TEST_F(PrefsTest, StandardPrefsKeepAnExistingBody) {
  WriteBytes(kGeneral, Bytes().text("JUNKJUNKJUNK").text("body!").data);
  FileHandle file = platform::OpenFile(kGeneral, "rb+");
  ASSERT_NE(file, nullptr);
  WriteStandardPrefs(file);
  Close(file);
  std::vector<uint8_t> expected = FreshGeneralFile();
  std::memcpy(expected.data() + 12, "body!", 5);
  EXPECT_EQ(ReadBytes(kGeneral), expected);
}

// Runs in the death test's child: its log goes to standard error, where the
// death test can see it.
void CheckPrefsInChild() {
  std::fflush(stdout);
  dup2(2, 1);
  CheckPrefs(24, 0, 0);
}

TEST_F(PrefsTest, GeneralFileThatCanBeNeitherOpenedNorCreatedEndsTheProcess) {
  SetReadOnly("data", true);
  EXPECT_EXIT(CheckPrefsInChild(), ::testing::ExitedWithCode(1), "^CheckPrefs:000$");
  EXPECT_FALSE(FileExists(kGeneral));
}

TEST_F(PrefsTest, ReadOnlyGeneralFileEndsTheProcess) {
  WriteBytes(kGeneral, FreshGeneralFile());
  SetReadOnly(kGeneral, true);
  EXPECT_EXIT(CheckPrefsInChild(), ::testing::ExitedWithCode(1), "^CheckPrefs:000$");
  EXPECT_EQ(ReadBytes(kGeneral), FreshGeneralFile());
}

// ---- story preferences --------------------------------------------------------

TEST_F(PrefsTest, FirstAccessCreatesTheStoryFile) {
  test::LogCapture log;
  EXPECT_EQ(DodurOdidPrefs(1, 0, 0), 0);
  EXPECT_EQ(ReadBytes(kStory), FreshStoryFile());
  EXPECT_EQ(log.Take(), "");
}

TEST_F(PrefsTest, StoryFieldsSkipOffsetTwentyEight) {
  EXPECT_EQ(DodurOdidPrefs(0, 1, 0xA1B2C3D4), 0xA1B2C3D4);
  for (uint16_t field = 1; field <= 23; ++field) DodurOdidPrefs(field, 1, 0x100 + field);

  std::vector<uint8_t> expected = FreshStoryFile();
  expected[12] = 0xD4;
  expected[13] = 0xC3;
  expected[14] = 0xB2;
  expected[15] = 0xA1;
  for (int field = 1; field <= 12; ++field) expected[15 + field] = static_cast<uint8_t>(field);
  for (int field = 13; field <= 23; ++field) expected[16 + field] = static_cast<uint8_t>(field);
  EXPECT_EQ(ReadBytes(kStory), expected);
  EXPECT_EQ(ReadBytes(kStory).at(28), 0);

  EXPECT_EQ(DodurOdidPrefs(1, 0, 0), 1);
  EXPECT_EQ(DodurOdidPrefs(12, 0, 0), 12);
  EXPECT_EQ(DodurOdidPrefs(13, 0, 0), 13);
  EXPECT_EQ(DodurOdidPrefs(23, 0, 0), 23);
  DodurOdidPrefs(0, 1, -1);
  EXPECT_EQ(DodurOdidPrefs(0, 0, 0), -1);
}

TEST_F(PrefsTest, EmptyStoryFieldsReturnTheirValue) {
  DodurOdidPrefs(1, 1, 1);
  std::vector<uint8_t> before = ReadBytes(kStory);
  EXPECT_EQ(DodurOdidPrefs(30, 0, 7), 7);
  EXPECT_EQ(DodurOdidPrefs(24, 1, 9), 9);
  EXPECT_EQ(DodurOdidPrefs(187, 1, 3), 3);
  EXPECT_EQ(DodurOdidPrefs(188, 1, 4), 4);
  EXPECT_EQ(DodurOdidPrefs(0xFFFF, 0, 5), 5);
  EXPECT_EQ(ReadBytes(kStory), before);
}

TEST_F(PrefsTest, StoryFileThatCannotBeCreatedGivesMinusOne) {
  SetReadOnly("data", true);
  test::LogCapture log;
  EXPECT_EQ(DodurOdidPrefs(1, 0, 0), -1);
  EXPECT_EQ(log.Take(), "ReruVezoPrefs: Konnne Prefs File nicht erstellen.\n");
  EXPECT_FALSE(FileExists(kStory));
}

TEST_F(PrefsTest, ReadOnlyStoryFileIsNeitherChangedNorReplaced) {
  WriteBytes(kStory, FreshStoryFile());
  SetReadOnly(kStory, true);
  test::LogCapture log;
  EXPECT_EQ(DodurOdidPrefs(1, 1, 1), -1);
  EXPECT_EQ(log.Take(), "ReruVezoPrefs: Konnne Prefs File nicht erstellen.\n");
  EXPECT_EQ(ReadBytes(kStory), FreshStoryFile());
}

TEST_F(PrefsTest, StoryFileWithoutMemoryForItsBodyGivesMinusOne) {
  int64_t live = LiveAllocVecBlocks();
  FailAllocVecAt(1);
  {
    test::LogCapture log;
    EXPECT_EQ(DodurOdidPrefs(1, 0, 0), -1);
    EXPECT_EQ(log.Take(),
              "AllocVec: 000 SaveStandardCheckPrefs: Kein Speicher vorhanden .\n"
              "ReruVezoPrefs: Fehler beim schreiben der Standard Prefs.\n");
  }
  EXPECT_EQ(LiveAllocVecBlocks(), live);
  EXPECT_FALSE(FileExists(kStory)) << "no headerless file is left behind";
  EXPECT_EQ(DodurOdidPrefs(1, 0, 0), 0);
  EXPECT_EQ(ReadBytes(kStory), FreshStoryFile());
}

TEST_F(PrefsTest, ShortStoryFileIsReadAsFarAsItGoes) {
  WriteBytes(kStory, Bytes().text("BPTR").zeros(8).u8(0x2A).data);  // 13 bytes
  EXPECT_EQ(DodurOdidPrefs(0, 0, 0), 0x2A);
  EXPECT_EQ(DodurOdidPrefs(5, 0, 0), 0);
  EXPECT_EQ(ReadBytes(kStory).size(), 13u);
}

// ---- options ------------------------------------------------------------------

TEST_F(PrefsTest, DefaultOptionsFileBytes) {
  OptionenPrefsDefault();
  ASSERT_TRUE(OptionenPrefsSave());
  std::vector<uint8_t> file = ReadBytes(kOptions);
  ASSERT_EQ(file.size(), 566u);

  auto text = [&](size_t offset, size_t span) {
    std::string s(file.begin() + offset, file.begin() + offset + span);
    return s.substr(0, s.find('\0'));
  };
  auto span = [&](size_t offset, size_t n) {
    return std::vector<uint8_t>(file.begin() + offset, file.begin() + offset + n);
  };
  using V = std::vector<uint8_t>;
  EXPECT_EQ(span(0, 4), (V{0xC4, 0, 0, 0})) << "(4 AND 0x15) OR 0xC0";
  EXPECT_EQ(file[4], 0) << "no stack chosen by the defaults";
  EXPECT_EQ(file[5], 1);
  EXPECT_EQ(span(6, 40), Bytes().text("nobody.device").zeros(27).data);
  EXPECT_EQ(span(46, 4), (V{0, 0, 0, 0}));
  EXPECT_EQ(span(50, 4), (V{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(span(54, 4), (V{0x54, 0x56, 0x00, 0x00}));
  EXPECT_EQ(file[58], '2');
  EXPECT_EQ(file[59], '2');
  std::string pop3 = text(60, 40), smtp = text(100, 40);
  EXPECT_FALSE(pop3.empty());
  EXPECT_FALSE(smtp.empty());
  EXPECT_NE(pop3, smtp);
  EXPECT_EQ(file[99], 0);
  EXPECT_EQ(file[139], 0);
  EXPECT_EQ(span(140, 40), Bytes().text("username").zeros(32).data);
  std::string password = text(180, 160);
  EXPECT_EQ(password.size(), 8u);
  for (char c : password) EXPECT_TRUE(c >= 'a' && c <= 'z') << password;
  EXPECT_EQ(span(340, 40), Bytes().text("serial.device").zeros(27).data);
  EXPECT_EQ(span(380, 4), (V{1, 0, 0, 0}));
  EXPECT_EQ(span(384, 5), Bytes().text("AT&F").u8(0).data);
  EXPECT_EQ(span(548, 4), (V{0x10, 0x59, 0x00, 0x00}));
  EXPECT_EQ(span(552, 4), (V{0, 0, 0, 0}));
  EXPECT_EQ(span(556, 4), (V{0, 0, 1, 0}));
  EXPECT_EQ(file[560], 0);
  EXPECT_EQ(file[561], 1);
  EXPECT_EQ(span(562, 4), (V{0, 0, 0, 0}));

  EXPECT_EQ(System.systemFlags, kSystemCdAudio);
  EXPECT_EQ(System.soundStatus, 0xC4u);
  EXPECT_EQ(System.runFlags, kRunOptionsDefaulted);
}

TEST_F(PrefsTest, DefaultOptionFlagsFollowTheMachine) {
  System.systemFlags = 0x64 | 0x91;  // CD audio and a sound device reported
  System.runFlags = kRunStackType4;
  OptionenPrefsDefault();
  EXPECT_EQ(uint32_t{System.options.optionFlags}, 0xD5u);
  EXPECT_EQ(System.soundStatus, 0xD5u);
  EXPECT_EQ(System.systemFlags, 0xF5u);
  EXPECT_EQ(System.runFlags, kRunStackType4 | kRunOptionsDefaulted);
}

TEST_F(PrefsTest, DefaultsLeaveFieldsWithoutADefault) {
  System.options.tcpIpStack = kNoTcpIpStack;
  System.options.value552 = 0x11223344;
  System.options.value562 = 0x55667788;
  std::memset(System.options.mailPassword, 'p', sizeof System.options.mailPassword);
  std::memset(System.options.modemInit, 'm', sizeof System.options.modemInit);
  std::memset(System.options.networkDevice, 'n', sizeof System.options.networkDevice);
  OptionenPrefsDefault();
  EXPECT_EQ(System.options.tcpIpStack, kNoTcpIpStack);
  EXPECT_EQ(uint32_t{System.options.value552}, 0x11223344u);
  EXPECT_EQ(uint32_t{System.options.value562}, 0x55667788u);
  EXPECT_EQ(System.options.mailPassword[8], 0);
  EXPECT_EQ(System.options.mailPassword[9], 'p') << "the rest of the password span is kept";
  EXPECT_STREQ(System.options.modemInit, "AT&F");
  EXPECT_EQ(System.options.modemInit[5], 'm');
  EXPECT_STREQ(System.options.networkDevice, "nobody.device");
  EXPECT_EQ(System.options.networkDevice[39], 0);
}

TEST_F(PrefsTest, OptionsRoundTripThroughTheFile) {
  auto* raw = reinterpret_cast<uint8_t*>(&System.options);
  for (size_t i = 0; i < sizeof(OptionsRecord); ++i) raw[i] = static_cast<uint8_t>(i * 7 + 3);
  OptionsRecord saved = System.options;
  ASSERT_TRUE(OptionenPrefsSave());
  EXPECT_EQ(ReadBytes(kOptions), std::vector<uint8_t>(raw, raw + sizeof(OptionsRecord)));
  EXPECT_FALSE(FileExists("data/optionen.prefs.new"));

  std::memset(&System.options, 0, sizeof(OptionsRecord));
  ASSERT_TRUE(OptionenPrefsLoad());
  EXPECT_EQ(std::memcmp(&System.options, &saved, sizeof saved), 0);
  EXPECT_EQ(System.tcpIpStack, 0) << "loading fills the options record only";
  EXPECT_EQ(System.systemFlags, 0u);
}

TEST_F(PrefsTest, LoadingMissingOrShortOptions) {
  System.options.value561 = 9;
  EXPECT_FALSE(OptionenPrefsLoad());
  EXPECT_EQ(System.options.value561, 9);

  WriteBytes(kOptions, Bytes().le32(0xC4).u8(4).u8(1).data);
  EXPECT_TRUE(OptionenPrefsLoad());
  EXPECT_EQ(uint32_t{System.options.optionFlags}, 0xC4u);
  EXPECT_EQ(System.options.tcpIpStack, 4);
  EXPECT_EQ(System.options.value05, 1);
  EXPECT_EQ(System.options.value561, 9) << "a short file leaves the rest as it was";

  SetReadOnly(kOptions, true);
  EXPECT_TRUE(OptionenPrefsLoad()) << "a read-only options file loads";
}

TEST_F(PrefsTest, FailedSaveKeepsTheOldFile) {
  OptionenPrefsDefault();
  ASSERT_TRUE(OptionenPrefsSave());
  std::vector<uint8_t> old = ReadBytes(kOptions);
  System.options.cdVolume = 99;

  SetReadOnly("data", true);
  {
    test::LogCapture log;
    EXPECT_FALSE(OptionenPrefsSave());
    EXPECT_EQ(log.Take(), "OptionenPrefsSave:000");
  }
  EXPECT_EQ(ReadBytes(kOptions), old);

  SetReadOnly("data", false);
  SetReadOnly(kOptions, true);
  {
    test::LogCapture log;
    EXPECT_FALSE(OptionenPrefsSave());
    EXPECT_EQ(log.Take(), "OptionenPrefsSave:000");
  }
  EXPECT_EQ(ReadBytes(kOptions), old);
  EXPECT_FALSE(FileExists("data/optionen.prefs.new")) << "the temporary file is removed";
}

}  // namespace
}  // namespace vsk
