// A game directory for the town tests (the demo's town templates, the
// capital's map position, storage mode 2) and readers of the town files.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
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
    for (const char* dir : {"data", "data/ScreenDat", "data/Cities"}) MakeDir(dir);
    WriteBytes("data/ScreenDat/Info_Stadt.dat", data::BuildScreenData(data::TownScreenData()));
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

// The bytes of a record, and a town file read back as one (zero-padded).
template <typename T>
std::vector<uint8_t> RecordBytes(const T& record) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
  return {bytes, bytes + sizeof record};
}
inline std::vector<uint8_t> TownBytes(const Town& town) { return RecordBytes(town); }
inline Town ReadTown(const std::string& path) {
  Town town{};
  const std::vector<uint8_t> bytes = ReadBytes(path);
  std::memcpy(&town, bytes.data(), std::min(bytes.size(), sizeof town));
  return town;
}

inline TownListEntry Entry(int32_t id, const char* name) {
  TownListEntry entry{};
  entry.id = id;
  std::strncpy(entry.name, name, sizeof entry.name - 1);
  return entry;
}

inline std::vector<uint8_t> ListBytes(std::vector<TownListEntry> entries, bool terminated = true) {
  if (terminated) entries.push_back(TownListTerminator());
  std::vector<uint8_t> bytes;
  for (const TownListEntry& e : entries) std::ranges::copy(RecordBytes(e), std::back_inserter(bytes));
  return bytes;
}

// A town file as a game would have stored it (cut or padded to size).
inline void WriteTown(const std::string& name, const Town& town, size_t size = sizeof(Town)) {
  std::vector<uint8_t> bytes = TownBytes(town);
  bytes.resize(size, 0);
  WriteBytes("data/Cities/" + name + ".vsk", bytes);
}

// What the list file names, as "id:name", up to its terminator.
inline std::vector<std::string> ListedNames() {
  const std::vector<uint8_t> bytes = ReadBytes(kListFile);
  std::vector<std::string> names;
  TownListEntry e;
  for (size_t at = 0; at + sizeof e <= bytes.size(); at += sizeof e) {
    std::memcpy(&e, bytes.data() + at, sizeof e);
    if (e.id == -1) break;
    names.push_back(std::to_string(e.id) + ":" + std::string(e.name, strnlen(e.name, sizeof e.name)));
  }
  return names;
}

}  // namespace vsk::test
