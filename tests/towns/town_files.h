// A game directory for the town tests: the town templates of the demo in
// "Info_Stadt.dat", the capital's map position in "MapPrefs.vsk" and the
// general preferences' storage mode, plus readers of the town files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/prefs.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "support/gamedir.h"
#include "towns/town.h"
#include "vsk-data/demo.h"
#include "vsk-data/write_chunk.h"
#include "vsk-data/write_screendata.h"

namespace vsk::test {

constexpr const char* kListFile = "data/Cities/Town.list";

class TownTest : public GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    MakeDir("data");
    MakeDir("data/ScreenDat");
    MakeDir("data/Cities");
    const data::ByteBuffer templates = data::BuildScreenData(data::TownScreenData());
    WriteBytes("data/ScreenDat/Info_Stadt.dat", templates);
    data::MrefChunk mref;
    mref.mapX = 120;
    mref.mapY = 85;
    WriteBytes("data/MapPrefs.vsk", data::BuildChunk("MREF", data::BuildMrefBody(mref)));
    StorageMode(2);
    Player = PlayerRecord{};
    Player.playerNumber = 1;
    baseline_ = LiveAllocVecBlocks();
  }
  void TearDown() override {
    FailAllocVecAt(0);
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_) << "every town and list was freed";
    GameDirTest::TearDown();
  }

  static void StorageMode(intptr_t mode) { CheckPrefs(0, 1, mode); }

  int64_t baseline_ = 0;
};

// A town file as a record (zero-padded when short).
inline Town ReadTown(const std::string& path) {
  Town town{};
  const std::vector<uint8_t> bytes = ReadBytes(path);
  std::memcpy(&town, bytes.data(), bytes.size() < sizeof town ? bytes.size() : sizeof town);
  return town;
}

inline std::vector<uint8_t> TownBytes(const Town& town) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&town);
  return {bytes, bytes + sizeof town};
}

inline TownListEntry Entry(int32_t id, const char* name) {
  TownListEntry entry{};
  entry.id = id;
  std::strncpy(entry.name, name, sizeof entry.name - 1);
  return entry;
}

inline std::vector<uint8_t> ListBytes(const std::vector<TownListEntry>& entries, bool terminated = true) {
  std::vector<uint8_t> bytes;
  auto add = [&bytes](const TownListEntry& e) {
    const auto* p = reinterpret_cast<const uint8_t*>(&e);
    bytes.insert(bytes.end(), p, p + sizeof e);
  };
  for (const TownListEntry& e : entries) add(e);
  if (terminated) add(TownListTerminator());
  return bytes;
}

// A town file as a game would have stored it.
inline void WriteTown(const std::string& name, const Town& town, size_t size = sizeof(Town)) {
  std::vector<uint8_t> bytes = TownBytes(town);
  bytes.resize(size, 0);
  WriteBytes("data/Cities/" + name + ".vsk", bytes);
}

// What a list file names, in order, up to its terminator.
inline std::vector<std::string> ListedNames() {
  const std::vector<uint8_t> bytes = ReadBytes(kListFile);
  std::vector<std::string> names;
  for (size_t at = 0; at + sizeof(TownListEntry) <= bytes.size(); at += sizeof(TownListEntry)) {
    TownListEntry e;
    std::memcpy(&e, bytes.data() + at, sizeof e);
    if (e.id == -1) break;
    names.push_back(std::to_string(e.id) + ":" + std::string(e.name, strnlen(e.name, sizeof e.name)));
  }
  return names;
}

}  // namespace vsk::test
