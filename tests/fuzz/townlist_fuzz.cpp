// The town list from outside: any bytes as "Town.list" must give a town or
// the documented failure, never a read outside the loaded list, never a
// leak, and a list that a new town was added to ends in a terminator.
#include <cstring>

#include "services/memory.h"
#include "town_fuzz_dir.h"

namespace {

// A stored town the list may name, and a damaged one.
void PutTowns() {
  vsk::Town town{};
  town.capital = 1;
  std::strcpy(town.name, "Alpha");
  town_fuzz::Put("data/Cities/Alpha.vsk", &town, sizeof town);
  town_fuzz::Put("data/Cities/Beta.vsk", &town, 100);
}

int32_t FirstId(const uint8_t* data, size_t size) {
  int32_t id = 0;
  if (size >= 4) std::memcpy(&id, data, 4);
  return id;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  town_fuzz::MakeGameDirectory("vsk-townlist-fuzz");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  town_fuzz::ClearTowns();
  PutTowns();
  town_fuzz::Put("data/Cities/Town.list", data, size);
  const int64_t live = vsk::LiveAllocVecBlocks();

  // The player's capital, the first listed town (found, rebuilt or missing)
  // and a town that cannot be listed (a new one is added).
  vsk::FreeVec(town_fuzz::WithTicks([] { return vsk::GetActiveTown(vsk::kCapitalTownId); }));
  for (int32_t id : {FirstId(data, size), 0x7FFFFFF0}) {
    vsk::Town* town = town_fuzz::WithTicks([id] { return vsk::GetActiveTown(id); });
    town_fuzz::CheckTown(town);
    vsk::FreeVec(town);
  }
  vsk::ChangeTownName(nullptr, "Fuzzburg");
  town_fuzz::Check(vsk::LiveAllocVecBlocks() == live);
  return 0;
}
