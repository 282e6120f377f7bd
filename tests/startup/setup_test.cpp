// The set-up on the demo directory: its state, a second start, missing and read-only data, no memory.
#include "startup_test.h"

namespace vsk {
namespace {

using namespace test;  // FileExists, LogCapture, ReadBytes

constexpr const char* kWindowClass = "VeskariaSetupTest";

std::vector<uint8_t> RecordBytes(const void* record, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(record);
  return {bytes, bytes + size};
}

class SetupTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    std::string error;
    ASSERT_TRUE(data::WriteDemo(root_, nullptr, &error)) << error;
    WindowHandle = test::MakePlainWindow(kWindowClass, 64, 64);
    ASSERT_NE(WindowHandle, nullptr);
    System = SystemContext{};
    Player = PlayerRecord{};
    baseline_ = LiveAllocVecBlocks();
  }

  void TearDown() override {
    FailAllocVecAt(0);
    ReleaseSystem();
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_) << "the set-up keeps nothing ReleaseSystem does not free";
    if (WindowHandle) KillTimer(WindowHandle, 3);
    test::RemovePlainWindow(WindowHandle, kWindowClass);
    WindowHandle = nullptr;
    GameDirTest::TearDown();
  }

  // What a first start writes: gone again, as on a fresh demo directory.
  static void ForgetFirstStart() {
    std::filesystem::remove("data/optionen.prefs");
    std::filesystem::remove_all("data/Cities");
  }

  // Runs the set-up and returns its log.
  static std::string Run(bool* result) {
    LogCapture log;
    *result = SetupSystem();
    return log.Take();
  }

  test::ScopedEnv locale_{"LC_ALL"};  // the tests that set it get it back
  int64_t baseline_ = 0;
};

TEST_F(SetupTest, AFirstStartLeavesItsStateAndASecondChangesNoFile) {
  bool ok = false;
  const std::string log = Run(&ok);
  ASSERT_TRUE(ok) << log;

  // Options: defaulted, saved and loaded again.
  const std::vector<uint8_t> options = ReadBytes("data/optionen.prefs");
  EXPECT_EQ(options, RecordBytes(&System.options, sizeof System.options));
  EXPECT_EQ(System.runFlags & kRunOptionsDefaulted, kRunOptionsDefaulted);
  EXPECT_EQ(System.tcpIpStack, System.options.tcpIpStack);

  // Player record from the general preferences and the game chunk.
  EXPECT_EQ(Player.playerNumber, 1u);
  EXPECT_STREQ(Player.firstName, "Aldric");
  EXPECT_STREQ(Player.secondName, "von Veskar");
  EXPECT_EQ(Player.gameChunkValue, 3);

  // The player's first town at the map position of the demo's MREF chunk.
  const std::vector<uint8_t> town = ReadBytes("data/Cities/NewTown.vsk");
  ASSERT_EQ(town.size(), 14220u);
  Town record;
  std::memcpy(&record, town.data(), sizeof record);
  EXPECT_EQ((std::pair<int, int>(record.mapX, record.mapY)), std::pair(120, 85));
  TownListEntry list[2] = {{0, "NewTown"}, TownListTerminator()};
  const std::vector<uint8_t> townList = ReadBytes("data/Cities/Town.list");
  EXPECT_EQ(townList, RecordBytes(list, sizeof list));

  // Both path lists, whole.
  ASSERT_TRUE(System.picturePathList && System.soundPathList);
  EXPECT_EQ(RecordBytes(System.picturePathList, System.picturePathListSize), ReadBytes("data/path"));
  EXPECT_EQ(RecordBytes(System.soundPathList, System.soundPathListSize), ReadBytes("data/sfxpath"));
  EXPECT_EQ(System.pathListsPresent, 1u);
  EXPECT_EQ(TheCatalog, nullptr) << "an English user keeps the built-in texts";

  // The window timer: identifier 3, every 100 ms.
  MSG msg{};
  EXPECT_TRUE(test::Eventually([&] { return PeekMessageA(&msg, WindowHandle, WM_TIMER, WM_TIMER, PM_REMOVE) != 0; }));
  EXPECT_EQ(msg.wParam, 3u);

  // A second start finds the town and changes no file.
  Player.capitalId = 5;
  const std::string again = Run(&ok);
  ASSERT_TRUE(ok) << again;
  EXPECT_NE(again.find("CheckPlayerTown: Lade Stadt des Spielers 1 mit dem Namen NewTown \n"), std::string::npos)
      << again;
  EXPECT_EQ(again.find("CreateTown"), std::string::npos) << "no town generated anew";
  EXPECT_EQ(Player.capitalId, 0);
  EXPECT_EQ(System.runFlags & kRunOptionsDefaulted, 0u) << "the options came from the file";
  EXPECT_EQ(ReadBytes("data/Cities/NewTown.vsk"), town);
  EXPECT_EQ(ReadBytes("data/Cities/Town.list"), townList);
  EXPECT_EQ(ReadBytes("data/optionen.prefs"), options);
}

// Options that cannot be saved end the set-up; missing lists, chunk and catalog do not.
TEST_F(SetupTest, ReadOnlyDataEndsTheSetUpMissingDataDoesNot) {
  test::SetReadOnly("data", true);
  bool ok = true;
  const std::string log = Run(&ok);
  test::SetReadOnly("data", false);
  EXPECT_FALSE(ok);
  EXPECT_NE(log.find("OptionenPrefsSave:000"), std::string::npos) << log;
  EXPECT_EQ(log.substr(log.size() - 17), "SetupSystem:000.\n");
  EXPECT_FALSE(FileExists("data/optionen.prefs"));
  ReleaseSystem();
  std::remove("data/sfxpath");
  std::filesystem::remove_all("data/pop3in");
  Run(&ok);
  EXPECT_TRUE(ok);
  EXPECT_NE(System.picturePathList, nullptr);
  EXPECT_EQ(System.soundPathList, nullptr);
  EXPECT_EQ(System.pathListsPresent, 0u);
  EXPECT_EQ(Player.gameChunkValue, 0);
}

// Every allocation of two starts fails once: only the two name texts end the set-up; nothing leaks or is lost.
TEST_F(SetupTest, EveryAllocationFailingOnceEndsAsDocumented) {
  const std::string first = "AllocVec: 000 SetupSystem:002.\n", second = "AllocVec: 000 SetupSystem:003.\n";
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  for (bool secondStart : {false, true}) {
    SCOPED_TRACE(secondStart ? "second start" : "first start");
    bool ok = false;
    ForgetFirstStart();
    if (secondStart) {
      Run(&ok);
      ReleaseSystem();
    }
    const std::vector<uint8_t> town = secondStart ? ReadBytes("data/Cities/NewTown.vsk") : std::vector<uint8_t>{};
    const uint64_t before = AllocVecCalls();
    Run(&ok);
    ASSERT_TRUE(ok);
    EXPECT_STREQ(BuiltinStrings[58].text, "Residenz") << "a German user gets the catalog";
    const uint64_t count = AllocVecCalls() - before;
    ASSERT_GT(count, 5u);
    ReleaseSystem();
    EXPECT_EQ(TheCatalog, nullptr);
    EXPECT_STRNE(BuiltinStrings[58].text, "Residenz") << "the release restores the built-in texts";
    std::vector<uint64_t> firstName, secondName;
    for (uint64_t n = 1; n <= count; ++n) {
      SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(count));
      if (!secondStart) ForgetFirstStart();
      FailAllocVecAt(static_cast<uint32_t>(n));
      const std::string log = Run(&ok);
      FailAllocVecAt(0);
      ReleaseSystem();
      EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
      EXPECT_NE(log.find("AllocVec: 000 "), std::string::npos) << "the n-th allocation was reached";
      if (!ok) {  // the failed allocation is the name text read just before the message
        const std::string end = log.substr(log.size() - std::min<size_t>(log.size(), 31));
        EXPECT_TRUE(end == first || end == second) << "no name text failed, yet the set-up ended:\n" << log;
        (end == first ? firstName : secondName).push_back(n);
      }
      if (!secondStart) continue;
      EXPECT_EQ(ReadBytes("data/Cities/NewTown.vsk"), town) << "no town lost or replaced";
      EXPECT_EQ(ReadBytes("data/Cities/Town.list").size(), 168u);
    }
    ASSERT_EQ(std::pair(firstName.size(), secondName.size()), std::pair(size_t{1}, size_t{1}));
    EXPECT_LT(firstName[0], secondName[0]) << "the first name is read first";
  }
}

}  // namespace
}  // namespace vsk
