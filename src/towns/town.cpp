// Building a town from the template records of the town screen-data file.
#include <cstdio>
#include <cstring>

#include "catalog/chunk.h"
#include "pictures/events.h"
#include "pictures/screendata.h"
#include "services/files.h"
#include "services/memory.h"
#include "towns/town.h"
#include "towns/townfiles.h"

namespace vsk {

namespace {

constexpr const char* kTownScreenData = "./data/ScreenDat\\Info_Stadt.dat";
constexpr uint32_t kTownTemplatesMask = 1u << kSectionTownTemplates;
constexpr const char* kMapPrefsPath = "./data/MapPrefs.vsk";
constexpr uint32_t kMapXOffset = 20;  // in the "MREF" chunk, header included
constexpr uint32_t kMapYOffset = 24;
constexpr uint32_t kCapitalBuildings[] = {0, 14, 15};

// The capital's map position from the "MREF" chunk; false when the chunk
// is missing or too short to hold it.
bool LoadMapPosition(Town* town) {
  auto* chunk = static_cast<uint8_t*>(LoadChunk2Mem(ChunkId("MREF"), kMapPrefsPath));
  if (!chunk) return false;
  uint32_t length = 0;
  std::memcpy(&length, chunk + 8, 4);
  const bool complete = uint64_t{length} + kChunkHeaderSize >= kMapYOffset + 4;
  if (complete) {
    std::memcpy(&town->mapX, chunk + kMapXOffset, 4);
    std::memcpy(&town->mapY, chunk + kMapYOffset, 4);
  }
  FreeVec(chunk);
  return complete;
}

// Each building that may appear, is free to place and belongs to the
// town's level stands when a draw from 0 to 100 is above 50.
void PlaceRandomBuildings(Town* town) {
  for (Building& building : town->buildings) {
    if ((building.flags & kBuildingAllowed) && building.value == 0 && building.level == town->level) {
      if (RangeRandom(100) > 50) building.flags |= kBuildingStands;
    }
  }
}

// Steps that can fail once the record exists; false after logging.
bool BuildTown(Town* town, ScreenRegion** region, FileLock* lock) {
  *region = GetSCreenRegion(kTownScreenData, kTownTemplatesMask);
  if (!*region) {
    std::printf("CreateTown: Konnte Stadtdaten nicht laden!\n");
    return false;
  }
  std::printf("CreateTown: Region geladen...\n");

  *lock = Lock(kCitiesDir, SHARED_LOCK);
  if (!*lock) *lock = CreateDir(kCitiesDir);
  if (!*lock) {
    std::printf("CreateTown: Locken des Verzeichnisses klappt nicht !\n");
    return false;
  }

  const RegionSection& templates = (*region)->sections[kSectionTownTemplates];
  const uint32_t count = templates.count < kBuildingCount ? templates.count : kBuildingCount;
  if (templates.records && count) CopyMem(templates.records, town->buildings, count * kTownTemplateSize);
  std::printf("CreateTown: Daten kopiert...\n");

  if (town->capital) {
    if (TownStorageMode() == kStoreTowns && !LoadMapPosition(town)) {
      std::printf("CreateTown: Fataler Fehler ! Konnte Map-Prefs nicht \xf6" "ffnen...\n");
      return false;
    }
    for (uint32_t i : kCapitalBuildings) town->buildings[i].flags |= kBuildingStands;
  }

  PlaceRandomBuildings(town);
  std::printf("CreateTown: Zufallsgeb\xe4" "ude gesetzt...\n");

  if (TownStorageMode() == kStoreTowns) {
    if (town->state & kTownProvisional) {
      char path[kTownPathSize];
      if (!TownPath(path, kTownFileBackslash, town->name) || !SaveMem2File(path, town, kTownSize)) {
        std::printf("CreateTown : Konnte Stadtfile nicht abspeichern...\n");
        return false;
      }
    }
    std::printf("CreateTown: Stadt abgespeichert...\n");
  }
  return true;
}

}  // namespace

Town* CreateTown(const char* name, uint16_t flags) {
  auto* town = static_cast<Town*>(AllocVec(kTownSize, MEMF_PUBLIC | MEMF_CLEAR));
  if (!town) {
    std::printf("CreateTown: Kann Speicher nicht allokieren!\n");
    return nullptr;
  }
  if (name) std::strncpy(town->name, name, kTownNameLength);
  town->capital = flags & kCreateCapital;
  if (flags & kCreateProvisional) town->state |= kTownProvisional;
  town->fresh = 1;
  town->level = 1;

  ScreenRegion* region = nullptr;
  FileLock lock = 0;
  const bool built = BuildTown(town, &region, &lock);
  UnLock(lock);
  FreeScreenRegion(region);
  if (!built) {
    std::printf("Stadt wird freigegeben\n");
    FreeVec(town);
    town = nullptr;
  }
  std::printf("CreateTown: fertig...\n");
  return town;
}

}  // namespace vsk
