// Creating towns, finding the player's town through the town list,
// rebuilding, adding and naming towns.
#include "towns/town.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "services/random.h"
#include "support/log.h"
#include "towns/town_files.h"

namespace vsk {
namespace {

using namespace test;  // the town files' helpers

// The found town waits for ten ticks of the window timer before it loads.
void PostTimerTicks(int count) {
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // gives the thread its queue
  for (int i = 0; i < count; ++i) PostThreadMessageA(GetCurrentThreadId(), WM_TIMER, 3, 0);
}

bool Stands(const Town& town, int i) { return (town.buildings[i].flags & kBuildingStands) != 0; }

class TownsTest : public TownTest {};

TEST_F(TownsTest, FirstStartWritesTheProvisionalCapitalAndANewList) {
  SeedRandom(1);
  LogCapture log;
  Town* town = GetActiveTown(kCapitalTownId);
  const std::string lines = log.Take();
  ASSERT_NE(town, nullptr);
  EXPECT_EQ(lines,
            "CreateTown: Region geladen...\n"
            "CreateTown: Daten kopiert...\n"
            "CreateTown: Zufallsgeb\xe4" "ude gesetzt...\n"
            "CreateTown: Stadt abgespeichert...\n"
            "CreateTown: fertig...\n");

  EXPECT_EQ(ReadBytes("data/Cities/NewTown.vsk"), test::TownBytes(*town)) << "the file is the record byte for byte";
  EXPECT_EQ(town->capital, 1u);
  EXPECT_EQ(town->state, kTownProvisional);
  EXPECT_EQ(town->fresh, 1u);
  EXPECT_EQ(town->level, 1);
  EXPECT_EQ(town->id, 0);
  EXPECT_EQ(town->mapX, 120);
  EXPECT_EQ(town->mapY, 85);
  EXPECT_STREQ(town->name, "NewTown");
  for (int i : {0, 14, 15}) EXPECT_TRUE(Stands(*town, i)) << "capital building " << i;
  EXPECT_EQ(town->buildings[1].flags, kBuildingAllowed) << "the templates follow the file";

  EXPECT_EQ(ReadBytes(kListFile), ListBytes({Entry(0, "NewTown")}));
  FreeVec(town);

  // The second start finds it: nothing generated anew.
  Player.capitalId = 77;
  LogCapture second;
  EXPECT_EQ(GetActiveTown(kCapitalTownId), nullptr);
  EXPECT_EQ(second.Take(),
            "GetActiveTown: gesucht wird die Stadt mit der ID -2\n"
            "GetActiveTown: lade die Hauptstadt, egal welche ID...\n"
            "CheckPlayerTown: Lade Stadt des Spielers 1 mit dem Namen NewTown \n");
  EXPECT_EQ(Player.capitalId, 0);
}

TEST_F(TownsTest, OtherStorageModesBuildTheTownInMemoryOnly) {
  StorageMode(1);
  Town* town = GetActiveTown(kCapitalTownId);
  ASSERT_NE(town, nullptr);
  EXPECT_EQ(town->mapX, 0) << "the map position is read only when towns are stored";
  EXPECT_TRUE(Stands(*town, 14));
  EXPECT_FALSE(FileExists("data/Cities/NewTown.vsk"));
  EXPECT_FALSE(FileExists(kListFile));
  FreeVec(town);
}

TEST_F(TownsTest, GenerationFollowsTheSeed) {
  // The run-time's generator from seed 1 gives 41, 18467, 6334, 26500,
  // 19169, 15724, 11478, 29358, 26962, 24464: modulo 101 these stand for
  // draws 2, 3, 5, 6, 7, 8 and 9 (above 50).
  SeedRandom(1);
  Town* town = CreateTown("Ostmark", 0);
  ASSERT_NE(town, nullptr);
  // The demo templates let every third level-1 building (0, 3, 6, ...) be placed at random.
  const std::set<int> standing = {1, 2, 4, 5, 6, 7, 8};
  for (int k = 0; k < 10; ++k) EXPECT_EQ(Stands(*town, 3 * k), standing.count(k) == 1) << "candidate " << 3 * k;
  EXPECT_FALSE(Stands(*town, 1)) << "a building with a price is never placed";
  EXPECT_FALSE(FileExists("data/Cities/Ostmark.vsk")) << "only provisional towns are written at once";
  FreeVec(town);
}

// Each failure logged (the short "MREF" chunk counts as missing), the record freed.
TEST_F(TownsTest, CreateTownFailuresFreeTheRecord) {
  const std::string fatal = "CreateTown: Fataler Fehler ! Konnte Map-Prefs nicht \xf6" "ffnen...\n";
  const std::string freed = "Stadt wird freigegeben\nCreateTown: fertig...\n";
  struct Row { void (*prepare)(); uint16_t flags; std::string logged; };
  for (const Row& row : {
           Row{[] { FailAllocVecAt(1); }, 0, "AllocVec: 000 CreateTown: Kann Speicher nicht allokieren!\n"},
           Row{[] { std::remove("data/MapPrefs.vsk"); }, kCreateCapital, fatal + freed},
           Row{[] { WriteBytes("data/MapPrefs.vsk", data::BuildChunk("MREF", data::ByteBuffer(8, 0))); },
               kCreateCapital, fatal + freed},
           Row{[] { std::remove("data/ScreenDat/Info_Stadt.dat"); }, 0,
               "ExternalDataLoad: \tKonnte ./data/ScreenDat\\Info_Stadt.dat nicht oeffnen.\n"
               "CreateTown: Konnte Stadtdaten nicht laden!\n" + freed}}) {
    row.prepare();
    LogCapture log;
    EXPECT_EQ(CreateTown("Ostmark", row.flags), nullptr);
    const std::string lines = log.Take();
    EXPECT_TRUE(lines.ends_with(row.logged)) << lines;
  }
}

TEST_F(TownsTest, ANameThatLeavesTheTownDirectoryIsNeverWritten) {
  LogCapture log;
  EXPECT_EQ(CreateTown("../prefs", kCreateProvisional), nullptr);
  EXPECT_NE(log.Take().find("CreateTown : Konnte Stadtfile nicht abspeichern...\n"), std::string::npos);
  EXPECT_FALSE(FileExists("data/prefs.vsk.vsk"));
  EXPECT_FALSE(FileExists("data/prefs.vsk") && ReadBytes("data/prefs.vsk").size() == 14220u);
}

TEST_F(TownsTest, TheCapitalWalkStopsAtAMissingTown) {
  Town capital{};
  capital.capital = 1;
  WriteBytes(kListFile, ListBytes({Entry(0, "Alpha"), Entry(1, "Gone"), Entry(2, "Capital")}));
  WriteTown("Alpha", Town{});
  WriteTown("Capital", capital);
  Player.capitalId = 77;
  LogCapture log;
  EXPECT_EQ(GetActiveTown(kCapitalTownId), nullptr);
  EXPECT_NE(log.Take().find("CheckPlayerTown: Fehler ! Diese Stadt existiert nicht... './data/Cities/Gone.vsk'\n!"),
            std::string::npos);
  EXPECT_EQ(Player.capitalId, 77) << "the walk ended before the capital";

  WriteTown("Gone", Town{});
  EXPECT_EQ(GetActiveTown(kCapitalTownId), nullptr);
  EXPECT_EQ(Player.capitalId, 2);
}

TEST_F(TownsTest, ATownOfTheRightSizeLoadsAfterTenTicks) {
  Town stored{};
  stored.id = 3;
  stored.mapX = 44;
  std::strcpy(stored.name, "Beta");
  WriteBytes(kListFile, ListBytes({Entry(0, "Alpha"), Entry(3, "Beta")}));
  WriteTown("Beta", stored);

  // Other messages and other timers do not count as ticks.
  PostTimerTicks(0);
  for (auto [message, w] : {std::pair{WM_TIMER, 4}, {WM_KEYDOWN, 'A'}, {WM_CHAR, 'a'}})
    PostThreadMessageA(GetCurrentThreadId(), message, w, 0);
  PostTimerTicks(10);
  PostThreadMessageA(GetCurrentThreadId(), WM_USER + 7, 0, 0);  // stays queued
  LogCapture log;
  Town* town = GetActiveTown(3);
  EXPECT_EQ(log.Take(),
            "GetActiveTown: gesucht wird die Stadt mit der ID 3\n"
            "Lade Stadt ./data/Cities/Beta.vsk Gr\xf6" "sse 14220 Stuktur 14220\n");
  ASSERT_NE(town, nullptr);
  EXPECT_EQ(test::TownBytes(*town), test::TownBytes(stored));
  FreeVec(town);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 7)) << "the wait took exactly ten ticks";
}

TEST_F(TownsTest, ALoadedNameEndsInsideItsField) {
  Town stored{};
  std::memset(stored.name, 'Z', sizeof stored.name);
  WriteBytes(kListFile, ListBytes({Entry(0, "Zed")}));
  WriteTown("Zed", stored);
  PostTimerTicks(10);
  Town* town = GetActiveTown(0);
  ASSERT_NE(town, nullptr);
  EXPECT_EQ(std::string(town->name), std::string(79, 'Z'));
  FreeVec(town);
}

TEST_F(TownsTest, ATownOfTheWrongSizeIsRebuiltKeepingWhatItOwns) {
  Town old{};
  old.level = 4;
  old.id = 99;  // the list's identifier wins
  old.mapY = 9;
  old.value32 = 0xABCD;
  std::strcpy(old.name, "Beta");
  WriteBytes(kListFile, ListBytes({Entry(0, "Alpha"), Entry(3, "Beta")}));
  WriteTown("Beta", old, 14000);
  WriteBytes("data/Cities/Beta.image", {1, 2, 3});

  LogCapture log;
  Town* town = GetActiveTown(3);
  const std::string lines = log.Take();
  ASSERT_NE(town, nullptr);
  EXPECT_NE(lines.find("Lade Stadt ./data/Cities/Beta.vsk Gr\xf6" "sse 14000 Stuktur 14220\n"
                       "GetActiveTown : Fehler ! Gr\xf6\xdf" "e der Stadt ist nicht richtig. Stadt wird neu generiert !\n"),
            std::string::npos)
      << lines;
  EXPECT_EQ(town->id, 3);
  EXPECT_EQ(town->level, 4);
  EXPECT_EQ(town->mapY, 9);
  EXPECT_EQ(town->value32, 0xABCDu);
  EXPECT_EQ(town->fresh, 1u);
  EXPECT_EQ(ReadBytes("data/Cities/Beta.vsk"), test::TownBytes(*town));
  EXPECT_FALSE(FileExists("data/Cities/Beta.image"));
  EXPECT_EQ(ListedNames(), (std::vector<std::string>{"0:Alpha", "3:Beta"}));
  FreeVec(town);
}

TEST_F(TownsTest, AListedTownWithoutAFileIsNotInvented) {
  WriteBytes(kListFile, ListBytes({Entry(0, "Alpha")}));
  LogCapture log;
  EXPECT_EQ(GetActiveTown(0), nullptr);
  EXPECT_NE(log.Take().find("GetActiveTown : Fehler ! Diese Stadt existiert nicht...!\n"), std::string::npos);
  EXPECT_FALSE(FileExists("data/Cities/Alpha.vsk"));
}

TEST_F(TownsTest, AnUnknownIdentifierAddsTheNextProvisionalTown) {
  WriteBytes(kListFile, ListBytes({Entry(0, "Alpha"), Entry(3, "Beta")}));
  LogCapture log;
  Town* town = GetActiveTown(12);
  const std::string lines = log.Take();
  ASSERT_NE(town, nullptr);
  EXPECT_NE(lines.find("GetActiveTown: lege neue Stadt an...\n"), std::string::npos);
  EXPECT_EQ(town->id, 4) << "the last identifier seen plus one";
  EXPECT_STREQ(town->name, "NewTown.0");
  EXPECT_EQ(town->state, kTownProvisional);
  EXPECT_EQ(ReadBytes("data/Cities/NewTown.0.vsk"), test::TownBytes(*town)) << "the file has the identifier too";
  EXPECT_EQ(ReadBytes(kListFile), ListBytes({Entry(0, "Alpha"), Entry(3, "Beta"), Entry(4, "NewTown.0")}));
  FreeVec(town);

  // NewTown.0 exists now: the next one takes the next name.
  LogCapture again;
  town = GetActiveTown(12);
  ASSERT_NE(town, nullptr);
  EXPECT_NE(again.Take().find("Stadt gefunden... Neuer Name wird gesucht...\n"), std::string::npos);
  EXPECT_STREQ(town->name, "NewTown.1");
  EXPECT_EQ(town->id, 5);
  EXPECT_EQ(ListedNames(), (std::vector<std::string>{"0:Alpha", "3:Beta", "4:NewTown.0", "5:NewTown.1"}));
  FreeVec(town);

  // With all ten names taken no town is added.
  for (int n = 2; n < 10; ++n) WriteTown("NewTown." + std::to_string(n), Town{});
  const std::vector<uint8_t> list = ReadBytes(kListFile);
  EXPECT_EQ(GetActiveTown(12), nullptr);
  EXPECT_EQ(ReadBytes(kListFile), list);
}

TEST_F(TownsTest, AListWithoutTerminatorEndingInATornRecordStopsAtItsLastWholeRecord) {
  // One record and 16 bytes of a second, no terminator.
  std::vector<uint8_t> torn = ListBytes({Entry(6, "Alpha")}, false);
  torn.resize(torn.size() + 16, 0x41);
  WriteBytes(kListFile, torn);
  Town* town = GetActiveTown(20);
  ASSERT_NE(town, nullptr);
  EXPECT_EQ(town->id, 7);
  EXPECT_EQ(ReadBytes(kListFile), ListBytes({Entry(6, "Alpha"), Entry(7, "NewTown.0")}));
  FreeVec(town);
}

TEST_F(TownsTest, AListThatCannotBeLoadedIsNotReplaced) {
  WriteBytes(kListFile, ListBytes({Entry(0, "Alpha")}));
  const std::vector<uint8_t> list = ReadBytes(kListFile);
  LogCapture log;
  FailAllocVecAt(1);
  EXPECT_EQ(GetActiveTown(kCapitalTownId), nullptr);
  EXPECT_EQ(log.Take(), "AllocVec: 000 GetActiveTown: Konnte TownList nicht \xf6" "ffnen!\n");
  EXPECT_EQ(ReadBytes(kListFile), list);
  EXPECT_FALSE(FileExists("data/Cities/NewTown.vsk"));
}

class TownNamingTest : public test::TownTest {
 protected:
  void SetUp() override {
    TownTest::SetUp();
    FreeVec(GetActiveTown(kCapitalTownId));
    WriteBytes("data/Cities/NewTown.image", {9, 8, 7});
  }
};

TEST_F(TownNamingTest, NamingMovesFileImageAndListRecord) {
  const Town before = ReadTown("data/Cities/NewTown.vsk");
  LogCapture log;
  EXPECT_TRUE(ChangeTownName(nullptr, "Veskburg"));
  EXPECT_EQ(log.Take(), "");

  EXPECT_FALSE(FileExists("data/Cities/NewTown.vsk"));
  EXPECT_FALSE(FileExists("data/Cities/NewTown.image"));
  EXPECT_EQ(ReadBytes("data/Cities/Veskburg.image"), (std::vector<uint8_t>{9, 8, 7}));
  const Town after = ReadTown("data/Cities/Veskburg.vsk");
  EXPECT_STREQ(after.name, "Veskburg");
  EXPECT_EQ(after.state & kTownProvisional, 0);
  EXPECT_EQ(after.fresh, 0u);
  EXPECT_EQ(after.capital, 1u);
  EXPECT_EQ(std::memcmp(after.buildings, before.buildings, sizeof after.buildings), 0);
  EXPECT_EQ(ReadBytes(kListFile), ListBytes({Entry(0, "Veskburg")}));

  // Nothing provisional is left to name.
  LogCapture none;
  EXPECT_FALSE(ChangeTownName(nullptr, "Zweite"));
  EXPECT_EQ(none.Take(), "ChangeTownName : Fehler ! Diese Stadt existiert nicht...\n!");
}

// A taken name, a town file that cannot be written, a list that cannot be
// written (it goes through "Town.list.new": a directory there stops it):
// nothing changes and no town is lost.
TEST_F(TownNamingTest, AFailedRenameChangesNothing) {
  const std::vector<uint8_t> list = ReadBytes(kListFile);
  const std::vector<uint8_t> town = ReadBytes("data/Cities/NewTown.vsk");
  struct Row { const char* name; void (*prepare)(bool on); const char* logged; };
  const Row rows[] = {
      {"NewTown", [](bool) {}, ""},
      {"Veskburg", [](bool on) { test::SetReadOnly("data/Cities", on); },
       "ChangeTownName : Konnte Stadt ./data/Cities\\Veskburg.vsk nicht speichern...\n"},
      {"Veskburg", [](bool on) { on ? test::MakeDir("data/Cities/Town.list.new") : (void)std::remove("data/Cities/Town.list.new"); },
       "ChangeTownName : Konnte Town.list nicht speichern...\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.logged);
    row.prepare(true);
    LogCapture log;
    EXPECT_FALSE(ChangeTownName(nullptr, row.name));
    const std::string lines = log.Take();
    row.prepare(false);
    if (*row.logged)
      EXPECT_NE(lines.find(row.logged), std::string::npos) << lines;
    else
      EXPECT_EQ(lines, "");
    EXPECT_EQ(ReadBytes("data/Cities/NewTown.vsk"), town);
    EXPECT_EQ(ReadBytes(kListFile), list);
    EXPECT_EQ(ReadBytes("data/Cities/NewTown.image"), (std::vector<uint8_t>{9, 8, 7}));
    EXPECT_FALSE(FileExists("data/Cities/Veskburg.vsk"));
    EXPECT_FALSE(FileExists("data/Cities/Veskburg.image"));
  }
}

TEST_F(TownNamingTest, NamesDifferingOnlyInCaseKeepTheOneFile) {
  EXPECT_TRUE(ChangeTownName(nullptr, "newtown"));
  const Town after = ReadTown("data/Cities/NewTown.vsk");
  EXPECT_STREQ(after.name, "newtown");
  EXPECT_EQ(after.state & kTownProvisional, 0);
  EXPECT_EQ(ListedNames(), (std::vector<std::string>{"0:newtown"}));
}

TEST_F(TownNamingTest, LongNamesAreCutAndMissingListsReported) {
  const std::string longName(100, 'q');
  EXPECT_TRUE(ChangeTownName(nullptr, longName.c_str()));
  EXPECT_EQ(ListedNames(), (std::vector<std::string>{"0:" + std::string(79, 'q')}));

  std::remove(kListFile);
  LogCapture log;
  EXPECT_FALSE(ChangeTownName(nullptr, "Veskburg"));
  EXPECT_EQ(log.Take(), "ChangeTownName : Konnte Town.list nicht finden...\n");
}

}  // namespace
}  // namespace vsk
