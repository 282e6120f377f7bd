#include "startup/setup.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "catalog/chunk.h"
#include "catalog/strings.h"
#include "core/context.h"
#include "core/prefs.h"
#include "core/presenter_state.h"
#include "pictures/events.h"
#include "pictures/replay.h"
#include "services/files.h"
#include "services/memory.h"
#include "services/random.h"
#include "sound/cdaudio.h"
#include "towns/town.h"

namespace vsk {

Catalog* TheCatalog = nullptr;

namespace {

constexpr UINT kWindowTimerPeriod = 100;  // milliseconds
constexpr uint32_t kGameChunkValueOffset = 28;

constexpr uint16_t kPrefsPlayerNumber = 9;
constexpr uint16_t kPrefsFirstName = 10;
constexpr uint16_t kPrefsSecondName = 8;

bool Fail(const char* line) {
  std::printf("%s", line);
  return false;
}

bool LoadOptions() {
  if (OptionenPrefsLoad()) return true;
  OptionenPrefsDefault();
  if (!OptionenPrefsSave()) return Fail("SetupSystem:000.\n");
  if (!OptionenPrefsLoad()) return Fail("SetupSystem:001.\n");
  return true;
}

// The "INFO" chunk's value at offset 28, when there is a game chunk.
void LoadGameChunkValue() {
  const FileLock present = Lock(kGameChunkFile, SHARED_LOCK);
  if (!present) return;
  UnLock(present);
  auto* chunk = static_cast<uint8_t*>(LoadChunk2Mem(ChunkId("INFO"), kGameChunkFile));
  if (!chunk) return;
  // An "INFO" chunk is loaded into a block of at least 42 bytes.
  std::memcpy(&Player.gameChunkValue, chunk + kGameChunkValueOffset, 2);
  FreeVec(chunk);
}

void LoadPathLists() {
  System.pathListsPresent = 0;
  System.picturePathList = static_cast<uint8_t*>(LoadFile(kPicturePathList, MEMF_PUBLIC, &System.picturePathListSize));
  System.soundPathList = static_cast<uint8_t*>(LoadFile(kSoundPathList, MEMF_PUBLIC, &System.soundPathListSize));
  if (System.picturePathList && System.soundPathList) System.pathListsPresent = 1;
}

// A text field of the general preferences into a name of the player record.
bool CopyPlayerName(uint16_t field, char (&name)[40], const char* failure) {
  auto* text = reinterpret_cast<char*>(CheckPrefs(field, 0, 0));
  if (!text) return Fail(failure);
  std::memset(name, 0, sizeof name);
  std::strncpy(name, text, sizeof name - 1);
  FreeVec(text);
  return true;
}

}  // namespace

bool SetupSystem() {
  // Set up once more (a new window), nothing of the first run stays behind.
  ReleaseSystem();

  SeedRandom(InputSeed(static_cast<uint32_t>(std::time(nullptr))));
  SetTimer(WindowHandle, kWindowTimerId, kWindowTimerPeriod, nullptr);
  TheCatalog = OpenCatalog(kCatalogName, &BuiltinStrings[0], &BuiltinStrings[1]);
  System.runFlags &= ~kRunOptionsDefaulted;
  if (!LoadOptions()) return false;
  System.tcpIpStack = System.options.tcpIpStack;
  if (IsCD()) System.systemFlags |= kSystemCdAudio;
  Player.playerNumber = static_cast<uint32_t>(CheckPrefs(kPrefsPlayerNumber, 0, 0));
  LoadGameChunkValue();
  // Nobody keeps the town; finding it sets the capital's identifier.
  FreeVec(GetActiveTown(kCapitalTownId));
  LoadPathLists();
  if (!CopyPlayerName(kPrefsFirstName, Player.firstName, "SetupSystem:002.\n")) return false;
  if (!CopyPlayerName(kPrefsSecondName, Player.secondName, "SetupSystem:003.\n")) return false;
  return true;
}

void ReleaseSystem() {
  FreeVec(System.picturePathList);
  FreeVec(System.soundPathList);
  System.picturePathList = nullptr;
  System.soundPathList = nullptr;
  System.picturePathListSize = 0;
  System.soundPathListSize = 0;
  System.pathListsPresent = 0;
  CloseCatalog(TheCatalog);
  TheCatalog = nullptr;
}

}  // namespace vsk
