// Towns and the town list. Every town is one fixed-size record stored byte
// for byte as "./data/Cities/<name>.vsk"; "./data/Cities/Town.list" lists
// the towns by identifier and name, ended by a terminator record. At start
// GetActiveTown (-2) creates the first town when there is no list yet or
// finds the player's capital; CreateTown builds a town from the template
// records of "Info_Stadt.dat" and places buildings at random;
// ChangeTownName gives a provisionally named town its final name.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace vsk {

constexpr uint32_t kBuildingCount = 235;
constexpr uint32_t kTownNameLength = 79;  // characters; the field holds 80 bytes

// Bits of Building::flags.
constexpr uint16_t kBuildingAllowed = 0x0001;  // may appear in this town
constexpr uint16_t kBuildingStands = 0x0002;

// Bits of Town::state.
constexpr uint16_t kTownProvisional = 0x0001;  // still to be named

// Bits of CreateTown's flags.
constexpr uint16_t kCreateCapital = 0x0001;
constexpr uint16_t kCreateProvisional = 0x0002;  // the file is written at once

constexpr int32_t kCapitalTownId = -2;  // GetActiveTown: the player's capital
constexpr int32_t kTownListEnd = -1;    // identifier of the terminator record

#pragma pack(push, 1)
// A copy of a town template record of the screen-data file.
struct Building {
  uint16_t flags;      // kBuildingAllowed, kBuildingStands
  uint32_t value;      // 0 for buildings that may be placed at random
  uint16_t level;      // the town level the building belongs to
  uint8_t rest[52];
};

// The town file, little-endian.
struct Town {
  uint32_t capital;    //   0 1 for the player's capital
  uint16_t state;      //   4 kTownProvisional
  uint16_t value06;    //   6
  uint32_t fresh;      //   8 1 at creation, 0 once named
  uint8_t value12[6];  //  12
  uint16_t level;      //  18 town level, 1 at creation
  int32_t id;          //  20 identifier in the town list
  int32_t mapX;        //  24 map position
  int32_t mapY;        //  28
  uint32_t value32;    //  32 kept when the town is rebuilt
  char name[80];       //  36 zero-terminated
  Building buildings[kBuildingCount];  // 116
  uint8_t value14216[4];               // 14216 not set here
};

// One record of "./data/Cities/Town.list".
struct TownListEntry {
  int32_t id;
  char name[80];  // zero-padded
};
#pragma pack(pop)

static_assert(std::endian::native == std::endian::little, "towns are stored little-endian");
static_assert(sizeof(Building) == 60);
static_assert(sizeof(Town) == 14220);
static_assert(offsetof(Town, level) == 18);
static_assert(offsetof(Town, id) == 20);
static_assert(offsetof(Town, value32) == 32);
static_assert(offsetof(Town, name) == 36);
static_assert(offsetof(Town, buildings) == 116);
static_assert(sizeof(TownListEntry) == 84);

constexpr uint32_t kTownSize = sizeof(Town);
constexpr uint32_t kTownListEntrySize = sizeof(TownListEntry);

// A new town (the caller frees it with FreeVec) or null. With
// kCreateCapital the map position comes from "./data/MapPrefs.vsk" (storage
// mode 2) and buildings 0, 14 and 15 stand; with kCreateProvisional the
// file is written at once (storage mode 2).
Town* CreateTown(const char* name, uint16_t flags);

// The town with that list identifier (loaded, or rebuilt when its file has
// the wrong size), a new provisional town when there is no such town, or,
// for kCapitalTownId, the first town when there is no list yet; otherwise
// the capital's identifier goes to the player record and the result is
// null. The caller frees a town with FreeVec.
Town* GetActiveTown(int32_t id);

// Names the first provisional ("NewTown...") town of the list: its file,
// its picture and its list record move to the new name. False when the
// name is taken or anything fails; the town keeps its old name then.
bool ChangeTownName(const void* unused, const char* newName);

// The terminator record of the town list: -1 and 79 spaces.
TownListEntry TownListTerminator();

}  // namespace vsk
