// The general (CheckPrefs), story (DodurOdidPrefs) and options preference files.
#include "core/prefs.h"

#include <gtest/gtest.h>
#include <unistd.h>

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

using namespace test;  // Bytes, ReadBytes, WriteBytes, FileExists, SetReadOnly
using V = std::vector<uint8_t>;

constexpr const char* kGeneral = "data/prefs.vsk";
constexpr const char* kStory = "data/BTPrefs.vsk";
constexpr const char* kOptions = "data/optionen.prefs";

V FreshGeneralFile() { return Bytes().text("PREF").text("V001").le32(220).zeros(220).data; }
V FreshStoryFile() { return Bytes().text("BPTR").text("V001").le32(188).zeros(188).data; }

class PrefsTest : public GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    MakeDir("data");
    std::memset(&System, 0, sizeof System);
  }
  void TearDown() override {
    FailAllocVecAt(0);
    std::memset(&System, 0, sizeof System);
    GameDirTest::TearDown();
  }
};

intptr_t Ptr(const char* text) { return reinterpret_cast<intptr_t>(text); }

// A text field read: the block it gives, as a text, freed again.
std::string ReadText(uint16_t field) {
  const intptr_t block = CheckPrefs(field, 0, 0);
  if (!block) return "(null)";
  std::string text = reinterpret_cast<const char*>(block);
  FreeVec(reinterpret_cast<void*>(block));
  return text;
}

TEST_F(PrefsTest, TextFieldsAreZeroTerminatedBlocksOfThirtyNineCharacters) {
  const int64_t live = LiveAllocVecBlocks();
  const char* name = "Aldric of Ferrenmoor";
  EXPECT_EQ(CheckPrefs(8, 1, Ptr(name)), Ptr(name));
  EXPECT_EQ(LiveAllocVecBlocks(), live) << "a write keeps no block";
  V expected = FreshGeneralFile();
  std::memcpy(expected.data() + 108, name, std::strlen(name));
  EXPECT_EQ(ReadBytes(kGeneral), expected);
  EXPECT_EQ(ReadText(8), name) << "a read gives the caller a block to free";

  // A long text keeps 39 characters and its neighbours.
  CheckPrefs(9, 1, 0x01020304);
  CheckPrefs(7, 1, Ptr("keep me"));
  const std::string sixty(60, 'w');
  CheckPrefs(8, 1, Ptr(sixty.c_str()));
  const V file = ReadBytes(kGeneral);
  EXPECT_EQ(std::string(file.begin() + 108, file.begin() + 147), std::string(39, 'w'));
  EXPECT_EQ(file[147], 0);
  EXPECT_EQ(V(file.begin() + 148, file.begin() + 152), (V{4, 3, 2, 1})) << "numbers are little-endian";
  EXPECT_EQ(CheckPrefs(9, 0, 0), 0x01020304);
  EXPECT_EQ(ReadText(7), "keep me");
  CheckPrefs(6, 1, 0);
  EXPECT_EQ(ReadBytes(kGeneral).at(28), 0) << "a null text writes an empty field";

  // A field filled to its last byte by someone else still reads as a text.
  V full = FreshGeneralFile();
  std::memset(full.data() + 152, 'z', 40);
  WriteBytes(kGeneral, full);
  EXPECT_EQ(ReadText(10), std::string(39, 'z'));
}

// Fields beyond the tables (and the story file's empty ones) return their value, touching nothing.
TEST_F(PrefsTest, FieldsWithoutAPlaceReturnTheirValue) {
  EXPECT_EQ(CheckPrefs(24, 1, 1), 1);  // makes the file; the running flag is its byte 228
  V fresh = FreshGeneralFile();
  fresh[228] = 1;
  EXPECT_EQ(ReadBytes(kGeneral), fresh);
  DodurOdidPrefs(1, 1, 1);
  auto expectUntouched = [](auto prefs, const char* file, uint16_t field, uint16_t write, intptr_t value) {
    const V before = ReadBytes(file);
    EXPECT_EQ(prefs(field, write, value), value) << file << " field " << field;
    EXPECT_EQ(ReadBytes(file), before) << file << " field " << field;
  };
  expectUntouched(CheckPrefs, kGeneral, 27, 1, 5);
  expectUntouched(CheckPrefs, kGeneral, 0xFFFF, 0, 8);
  expectUntouched(DodurOdidPrefs, kStory, 30, 0, 7);
  expectUntouched(DodurOdidPrefs, kStory, 24, 1, 9);
  expectUntouched(DodurOdidPrefs, kStory, 188, 1, 4);
}

TEST_F(PrefsTest, TextReadWithoutMemoryGivesNull) {
  CheckPrefs(8, 1, Ptr("Mira"));
  const int64_t live = LiveAllocVecBlocks();
  FailAllocVecAt(1);
  LogCapture log;
  EXPECT_EQ(CheckPrefs(8, 0, 0), 0);
  EXPECT_EQ(log.Take(), "AllocVec: 000 ");
  EXPECT_EQ(LiveAllocVecBlocks(), live);
  EXPECT_EQ(ReadText(8), "Mira") << "the file is closed again: the next access works";
}

TEST_F(PrefsTest, StandardPrefsKeepAnExistingBody) {
  WriteBytes(kGeneral, Bytes().text("JUNKJUNKJUNK").text("body!").data);
  FileHandle file = platform::OpenFile(kGeneral, "rb+");
  ASSERT_NE(file, nullptr);
  WriteStandardPrefs(file);
  Close(file);
  V expected = FreshGeneralFile();
  std::memcpy(expected.data() + 12, "body!", 5);
  EXPECT_EQ(ReadBytes(kGeneral), expected);
}

// In the death test's child, the log goes to standard error for the test to see.
void CheckPrefsInChild() {
  std::fflush(stdout);
  dup2(2, 1);
  CheckPrefs(24, 0, 0);
}

// A general file that cannot be created or written ends the process, left as it was.
TEST_F(PrefsTest, AGeneralFileThatCannotBeWrittenEndsTheProcess) {
  SetReadOnly("data", true);
  EXPECT_EXIT(CheckPrefsInChild(), ::testing::ExitedWithCode(1), "^CheckPrefs:000$");
  EXPECT_FALSE(FileExists(kGeneral));
  SetReadOnly("data", false);
  WriteBytes(kGeneral, FreshGeneralFile());
  SetReadOnly(kGeneral, true);
  EXPECT_EXIT(CheckPrefsInChild(), ::testing::ExitedWithCode(1), "^CheckPrefs:000$");
  EXPECT_EQ(ReadBytes(kGeneral), FreshGeneralFile());
}

TEST_F(PrefsTest, FirstAccessCreatesTheStoryFileWhoseFieldsSkipOffsetTwentyEight) {
  LogCapture log;
  EXPECT_EQ(DodurOdidPrefs(1, 0, 0), 0);
  EXPECT_EQ(ReadBytes(kStory), FreshStoryFile());
  EXPECT_EQ(log.Take(), "") << "the story file is made silently";
  EXPECT_EQ(DodurOdidPrefs(0, 1, 0xA1B2C3D4), 0xA1B2C3D4);
  for (uint16_t field = 1; field <= 23; ++field) DodurOdidPrefs(field, 1, 0x100 + field);
  V expected = FreshStoryFile();
  for (int i = 0; i < 4; ++i) expected[12 + i] = static_cast<uint8_t>(0xA1B2C3D4u >> (8 * i));
  for (int field = 1; field <= 12; ++field) expected[15 + field] = static_cast<uint8_t>(field);
  for (int field = 13; field <= 23; ++field) expected[16 + field] = static_cast<uint8_t>(field);
  EXPECT_EQ(ReadBytes(kStory), expected);
  for (int field : {1, 12, 13, 23}) EXPECT_EQ(DodurOdidPrefs(field, 0, 0), field);
  DodurOdidPrefs(0, 1, -1);
  EXPECT_EQ(DodurOdidPrefs(0, 0, 0), -1);
}

// A story file that cannot be created or written gives -1, neither changed nor replaced.
TEST_F(PrefsTest, AStoryFileThatCannotBeWrittenGivesMinusOne) {
  for (bool fileExists : {false, true}) {
    SCOPED_TRACE(fileExists ? "read-only file" : "read-only directory");
    if (fileExists) {
      SetReadOnly("data", false);
      WriteBytes(kStory, FreshStoryFile());
    }
    SetReadOnly(fileExists ? kStory : "data", true);
    LogCapture log;
    EXPECT_EQ(DodurOdidPrefs(1, fileExists ? 1 : 0, fileExists ? 1 : 0), -1);
    EXPECT_EQ(log.Take(), "ReruVezoPrefs: Konnne Prefs File nicht erstellen.\n");
    EXPECT_EQ(FileExists(kStory), fileExists);
    EXPECT_EQ(fileExists ? ReadBytes(kStory) : FreshStoryFile(), FreshStoryFile());
  }
}

TEST_F(PrefsTest, StoryFileWithoutMemoryForItsBodyGivesMinusOne) {
  const int64_t live = LiveAllocVecBlocks();
  FailAllocVecAt(1);
  {
    LogCapture log;
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

TEST_F(PrefsTest, DefaultOptionsFileBytes) {
  OptionenPrefsDefault();
  ASSERT_TRUE(OptionenPrefsSave());
  const V file = ReadBytes(kOptions);
  ASSERT_EQ(file.size(), 566u);
  // The flags and the network device's record; the other spans only restate the defaults.
  const std::pair<size_t, V> spans[] = {
      {0, {0xC4, 0, 0, 0, 0, 1}},  // (4 AND 0x15) OR 0xC0; no stack chosen by the defaults; 1
      {6, Bytes().text("nobody.device").zeros(27).le32(0).le32(0xFFFFFFFF).le32(0x5654).text("22").data},
  };
  for (const auto& [offset, bytes] : spans)
    EXPECT_EQ(V(file.begin() + offset, file.begin() + offset + bytes.size()), bytes) << "at " << offset;
  const std::string password(reinterpret_cast<const char*>(&file[180]));  // made up of 8 letters
  EXPECT_EQ(password.size(), 8u);
  for (char c : password) EXPECT_TRUE(c >= 'a' && c <= 'z') << password;
  EXPECT_EQ(System.systemFlags, kSystemCdAudio);
  EXPECT_EQ(System.soundStatus, 0xC4u);
  EXPECT_EQ(System.runFlags, kRunOptionsDefaulted);
}

TEST_F(PrefsTest, OptionsRoundTripThroughTheFileAndShortOrMissingFilesLoadWhatThereIs) {
  auto* raw = reinterpret_cast<uint8_t*>(&System.options);
  for (size_t i = 0; i < sizeof(OptionsRecord); ++i) raw[i] = static_cast<uint8_t>(i * 7 + 3);
  const OptionsRecord saved = System.options;
  ASSERT_TRUE(OptionenPrefsSave());
  EXPECT_EQ(ReadBytes(kOptions), V(raw, raw + sizeof(OptionsRecord)));
  EXPECT_FALSE(FileExists("data/optionen.prefs.new"));
  std::memset(&System.options, 0, sizeof(OptionsRecord));
  ASSERT_TRUE(OptionenPrefsLoad());
  EXPECT_EQ(std::memcmp(&System.options, &saved, sizeof saved), 0);
  EXPECT_EQ(System.tcpIpStack, 0) << "loading fills the options record only";
  EXPECT_EQ(System.systemFlags, 0u);

  std::remove(kOptions);
  System.options.value561 = 9;
  EXPECT_FALSE(OptionenPrefsLoad());
  EXPECT_EQ(System.options.value561, 9);
  WriteBytes(kOptions, Bytes().le32(0xC4).u8(4).u8(1).data);
  SetReadOnly(kOptions, true);
  EXPECT_TRUE(OptionenPrefsLoad()) << "a short, read-only options file loads";
  EXPECT_EQ(uint32_t{System.options.optionFlags}, 0xC4u);
  EXPECT_EQ(System.options.tcpIpStack, 4);
  EXPECT_EQ(System.options.value05, 1);
  EXPECT_EQ(System.options.value561, 9) << "a short file leaves the rest as it was";
}

// Neither a read-only directory nor a read-only file loses the old options file.
TEST_F(PrefsTest, FailedSaveKeepsTheOldFile) {
  OptionenPrefsDefault();
  ASSERT_TRUE(OptionenPrefsSave());
  const V old = ReadBytes(kOptions);
  System.options.cdVolume = 99;
  for (const char* readOnly : {"data", kOptions}) {
    SCOPED_TRACE(readOnly);
    SetReadOnly("data", false);
    SetReadOnly(readOnly, true);
    LogCapture log;
    EXPECT_FALSE(OptionenPrefsSave());
    EXPECT_EQ(log.Take(), "OptionenPrefsSave:000");
    EXPECT_EQ(ReadBytes(kOptions), old);
  }
  EXPECT_FALSE(FileExists("data/optionen.prefs.new")) << "the temporary file is removed";
}

}  // namespace
}  // namespace vsk
