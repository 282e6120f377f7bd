// The set-up on the demo directory: the state it leaves in memory and on
// disk, a second start, missing and read-only data, and every allocation
// failing once.
#include "startup/setup.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "catalog/strings.h"
#include "core/context.h"
#include "core/presenter_state.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "support/eventually.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "support/plain_window.h"
#include "support/scoped_env.h"
#include "towns/town.h"
#include "vsk-data/demo.h"

namespace vsk {
namespace {

using test::FileExists;
using test::LogCapture;
using test::ReadBytes;

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
  const std::vector<uint8_t> townFile = ReadBytes("data/Cities/NewTown.vsk");
  ASSERT_EQ(townFile.size(), 14220u);
  Town record;
  std::memcpy(&record, townFile.data(), sizeof record);
  EXPECT_EQ(record.mapX, 120);
  EXPECT_EQ(record.mapY, 85);
  TownListEntry list[2] = {{0, "NewTown"}, TownListTerminator()};
  EXPECT_EQ(ReadBytes("data/Cities/Town.list"), RecordBytes(list, sizeof list));

  // Both path lists, whole.
  const std::vector<uint8_t> path = ReadBytes("data/path");
  const std::vector<uint8_t> sfxpath = ReadBytes("data/sfxpath");
  ASSERT_NE(System.picturePathList, nullptr);
  ASSERT_NE(System.soundPathList, nullptr);
  EXPECT_EQ(RecordBytes(System.picturePathList, System.picturePathListSize), path);
  EXPECT_EQ(RecordBytes(System.soundPathList, System.soundPathListSize), sfxpath);
  EXPECT_EQ(System.pathListsPresent, 1u);
  EXPECT_EQ(TheCatalog, nullptr) << "an English user keeps the built-in texts";

  // The window timer: identifier 3, every 100 ms.
  MSG msg{};
  EXPECT_TRUE(test::Eventually([&] { return PeekMessageA(&msg, WindowHandle, WM_TIMER, WM_TIMER, PM_REMOVE) != 0; }));
  EXPECT_EQ(msg.wParam, 3u);

  // A second start finds the town and changes no file.
  const std::vector<uint8_t> town = ReadBytes("data/Cities/NewTown.vsk");
  const std::vector<uint8_t> townList = ReadBytes("data/Cities/Town.list");
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

TEST_F(SetupTest, OptionsThatCannotBeSavedEndTheSetUp) {
  test::SetReadOnly("data", true);
  bool ok = true;
  const std::string log = Run(&ok);
  test::SetReadOnly("data", false);
  EXPECT_FALSE(ok);
  EXPECT_NE(log.find("OptionenPrefsSave:000"), std::string::npos) << log;
  EXPECT_EQ(log.substr(log.size() - 17), "SetupSystem:000.\n");
  EXPECT_FALSE(FileExists("data/optionen.prefs"));
}

TEST_F(SetupTest, MissingListsChunkAndCatalogAreNoFailure) {
  std::remove("data/sfxpath");
  std::filesystem::remove_all("data/pop3in");
  bool ok = false;
  Run(&ok);
  EXPECT_TRUE(ok);
  EXPECT_NE(System.picturePathList, nullptr);
  EXPECT_EQ(System.soundPathList, nullptr);
  EXPECT_EQ(System.pathListsPresent, 0u);
  EXPECT_EQ(Player.gameChunkValue, 0);
}

TEST_F(SetupTest, AGermanUserGetsTheCatalogUntilRelease) {
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  const char* builtin = BuiltinStrings[58].text;
  bool ok = false;
  Run(&ok);
  ASSERT_TRUE(ok);
  ASSERT_NE(TheCatalog, nullptr);
  EXPECT_STREQ(BuiltinStrings[58].text, "Residenz");
  ReleaseSystem();
  EXPECT_EQ(TheCatalog, nullptr);
  EXPECT_EQ(BuiltinStrings[58].text, builtin);
}

// Every allocation of a first and of a second start fails once. Only the
// two name texts end the set-up, each with its own message; every other failure leaves a working
// set-up, and nothing leaks or loses a file.
TEST_F(SetupTest, EveryAllocationFailingOnceEndsAsDocumented) {
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
    const uint64_t count = AllocVecCalls() - before;
    ASSERT_GT(count, 5u);
    ReleaseSystem();

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
      if (!ok) {
        // The failed allocation is the name text read just before the
        // message, wherever the set-up makes it.
        const std::string end = log.substr(log.size() - std::min<size_t>(log.size(), 31));
        if (end == "AllocVec: 000 SetupSystem:002.\n") {
          firstName.push_back(n);
        } else if (end == "AllocVec: 000 SetupSystem:003.\n") {
          secondName.push_back(n);
        } else {
          ADD_FAILURE() << "a failed allocation that is no name text ended the set-up:\n" << log;
        }
      }
      if (secondStart) {
        EXPECT_EQ(ReadBytes("data/Cities/NewTown.vsk"), town) << "no town lost or replaced";
        EXPECT_EQ(ReadBytes("data/Cities/Town.list").size(), 168u);
      }
    }
    ASSERT_EQ(firstName.size(), 1u);
    ASSERT_EQ(secondName.size(), 1u);
    EXPECT_LT(firstName[0], secondName[0]) << "the first name is read first";
  }
}

}  // namespace
}  // namespace vsk
