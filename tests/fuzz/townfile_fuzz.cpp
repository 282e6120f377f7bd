// Town files from outside: any bytes as the file of a listed town must load,
// be rebuilt or be reported, never be read past, never leak; a rebuilt town
// keeps its list identifier.
#include <cstring>

#include "services/memory.h"
#include "town_fuzz_dir.h"

namespace {

void PutList() {
  vsk::TownListEntry list[3] = {{0, "Alpha"}, {4, "NewTown"}, vsk::TownListTerminator()};
  town_fuzz::Put("data/Cities/Town.list", list, sizeof list);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  town_fuzz::MakeGameDirectory("vsk-townfile-fuzz");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  town_fuzz::ClearTowns();
  PutList();
  town_fuzz::Put("data/Cities/Alpha.vsk", data, size);
  town_fuzz::Put("data/Cities/NewTown.vsk", data, size);
  const int64_t live = vsk::LiveAllocVecBlocks();

  vsk::FreeVec(town_fuzz::WithTicks([] { return vsk::GetActiveTown(vsk::kCapitalTownId); }));
  vsk::Town* town = town_fuzz::WithTicks([] { return vsk::GetActiveTown(0); });
  town_fuzz::CheckTown(town);
  if (town) town_fuzz::Check(town->id == 0 || size == sizeof(vsk::Town));
  vsk::FreeVec(town);
  vsk::ChangeTownName(nullptr, "Fuzzburg");
  town_fuzz::Check(vsk::LiveAllocVecBlocks() == live);
  return 0;
}
