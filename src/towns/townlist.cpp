// Finding the player's town through the town list, adding provisional
// towns to it, rebuilding towns whose file has the wrong size, and giving
// a provisional town its final name.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/context.h"
#include "pictures/events.h"
#include "platform/files.h"
#include "services/files.h"
#include "services/memory.h"
#include "towns/town.h"
#include "towns/townfiles.h"

namespace vsk {

namespace {

constexpr const char* kFirstTownName = "NewTown";
constexpr const char* kNewTownName = "NewTown.%u";
constexpr const char* kNewTownFile = "./data/Cities/NewTown.%u.vsk";
constexpr size_t kProvisionalPrefix = 7;  // "NewTown"
constexpr uint32_t kNewTownTries = 10;

// The town list as loaded: only whole records inside the file count, and
// the terminator (or the file's end) ends them.
struct TownList {
  TownListEntry* records = nullptr;
  uint32_t size = 0;      // bytes loaded
  uint32_t count = 0;     // records before the terminator
  bool terminated = false;
};

bool LoadTownList(TownList* list) {
  list->records = static_cast<TownListEntry*>(LoadFile(kTownListPath, 0, &list->size));
  if (!list->records) return false;
  const uint32_t whole = list->size / kTownListEntrySize;
  list->count = 0;
  while (list->count < whole && list->records[list->count].id != kTownListEnd) ++list->count;
  list->terminated = list->count < whole;
  return true;
}

void FreeTownList(TownList* list) {
  FreeVec(list->records);
  list->records = nullptr;
}

bool SameFile(const char* a, const char* b) { return platform::ResolvePath(a) == platform::ResolvePath(b); }

// The list file of a new game: the first town and the terminator.
bool WriteFirstTownList() {
  TownListEntry records[2] = {};
  records[0].id = 0;
  SetTownName(records[0].name, kFirstTownName);
  records[1] = TownListTerminator();
  return ReplaceFileContents(kTownListPath, records, sizeof records);
}

// The list's records before the terminator, then entry, then the
// terminator, written over the old list in one piece.
bool AppendToTownList(const TownList& list, const TownListEntry& entry) {
  const uint32_t bytes = (list.count + 2) * kTownListEntrySize;
  auto* records = static_cast<TownListEntry*>(AllocVec(bytes, MEMF_PUBLIC | MEMF_CLEAR));
  if (!records) return false;
  CopyMem(list.records, records, list.count * kTownListEntrySize);
  records[list.count] = entry;
  records[list.count + 1] = TownListTerminator();
  const bool written = ReplaceFileContents(kTownListPath, records, bytes);
  FreeVec(records);
  return written;
}

// The file of the record's town has the wrong size (or a rebuild was asked
// for): a new town from the templates keeps the old one's identifier,
// level, map position and value at offset 32 and replaces its file. The
// old file stays until the new one is complete.
Town* RebuildTown(const TownListEntry& entry, const char* path) {
  std::printf("GetActiveTown : Fehler ! Gr\xf6\xdf" "e der Stadt ist nicht richtig. Stadt wird neu generiert !\n");
  Town* old = LoadTownFile(path);
  if (!old) {
    std::printf("GetActiveTown : Fehler ! Diese Stadt existiert nicht...!\n");
    return nullptr;
  }
  const RecordName name = NameOf(entry);
  Town* town = CreateTown(name.text, static_cast<uint16_t>(old->capital));
  if (!town) {
    std::printf("GetActiveTown: Konnte Stadt nicht erzeugen!\n");
    FreeVec(old);
    return nullptr;
  }
  town->mapX = old->mapX;
  town->mapY = old->mapY;
  town->value32 = old->value32;
  town->level = old->level;
  town->id = entry.id;
  FreeVec(old);

  char newPath[kTownPathSize];
  if (TownPath(newPath, kTownFileSlash, town->name) && ReplaceFileContents(newPath, town, kTownSize)) {
    // The picture showed the old town.
    char image[kTownPathSize];
    if (TownPath(image, kTownImageFile, name.text)) platform::RemoveFile(image);
  } else {
    std::printf("GetActiveTown: Konnte Stadt %s nicht speichern...\n", newPath);
  }
  return town;
}

// Identifier -2 and no record of it: marks the town whose capital flag is
// set as the player's capital.
void FindPlayerCapital(const TownList& list) {
  std::printf("GetActiveTown: lade die Hauptstadt, egal welche ID...\n");
  for (uint32_t i = 0; i < list.count; ++i) {
    const RecordName name = NameOf(list.records[i]);
    std::printf("CheckPlayerTown: Lade Stadt des Spielers %u mit dem Namen %s \n", Player.playerNumber, name.text);
    char path[kTownPathSize];
    Town* town = TownPath(path, kTownFileSlash, name.text) ? LoadTownFile(path) : nullptr;
    if (!town) {
      std::printf("CheckPlayerTown: Fehler ! Diese Stadt existiert nicht... '%s'\n!", path);
      return;
    }
    if (town->capital) Player.capitalId = list.records[i].id;
    FreeVec(town);
  }
}

// Any other identifier and no record of it: a provisional town under the
// first free "NewTown.<n>" name, added to the list.
Town* AddNewTown(const TownList& list, int32_t lastId) {
  std::printf("GetActiveTown: lege neue Stadt an...\n");
  for (uint32_t n = 0; n < kNewTownTries; ++n) {
    char path[kTownPathSize];
    std::snprintf(path, sizeof path, kNewTownFile, n);
    if (TownFileExists(path)) {
      std::printf("Stadt gefunden... Neuer Name wird gesucht...\n");
      continue;
    }
    char name[32];
    std::snprintf(name, sizeof name, kNewTownName, n);
    Town* town = CreateTown(name, kCreateProvisional);
    if (!town) {
      std::printf("GetActiveTown: Konnte Stadt nicht erzeugen!\n");
      continue;
    }
    town->id = lastId + 1;
    // CreateTown wrote the file before the town had its identifier; the
    // file carries the one the list gives it.
    char written[kTownPathSize];
    if (TownStorageMode() == kStoreTowns && TownPath(written, kTownFileSlash, town->name) &&
        !ReplaceFileContents(written, town, kTownSize))
      std::printf("GetActiveTown: Konnte Stadt %s nicht speichern...\n", written);
    TownListEntry entry{};
    entry.id = town->id;
    SetTownName(entry.name, town->name);
    if (!AppendToTownList(list, entry)) {
      std::printf("GetActiveTown: Konnte vorhandene TownList nicht \xf6" "ffnen!\n");
      FreeVec(town);
      continue;
    }
    return town;
  }
  return nullptr;
}

// No town list yet: the first town, the player's capital.
Town* CreateFirstTown() {
  Town* town = CreateTown(kFirstTownName, kCreateCapital | kCreateProvisional);
  if (!town) {
    std::printf("GetActiveTown: Konnte Stadt nicht erzeugen!\n");
    return nullptr;
  }
  if (TownStorageMode() == kStoreTowns && !WriteFirstTownList())
    std::printf("GetActiveTown: Konnte TownList nicht \xf6" "ffnen!\n");
  return town;
}

}  // namespace

TownListEntry TownListTerminator() {
  TownListEntry entry{};
  entry.id = kTownListEnd;
  std::memset(entry.name, ' ', kTownNameLength);
  return entry;
}

Town* GetActiveTown(int32_t id) {
  TownList list;
  if (!LoadTownList(&list)) {
    // A list that is there but cannot be loaded is not replaced by a new one.
    if (TownFileExists(kTownListPath)) {
      std::printf("GetActiveTown: Konnte TownList nicht \xf6" "ffnen!\n");
      return nullptr;
    }
    return CreateFirstTown();
  }

  std::printf("GetActiveTown: gesucht wird die Stadt mit der ID %d\n", id);
  int32_t lastId = kTownListEnd;
  const TownListEntry* found = nullptr;
  for (uint32_t i = 0; i < list.count; ++i) {
    lastId = list.records[i].id;
    if (lastId == id) {
      found = &list.records[i];
      break;
    }
  }

  Town* town = nullptr;
  if (found) {
    const RecordName name = NameOf(*found);
    char path[kTownPathSize];
    TownPath(path, kTownFileSlash, name.text);
    const uint32_t size = path[0] ? GetFileSize(path) : 0;
    std::printf("Lade Stadt %s Gr\xf6" "sse %u Stuktur %u\n", path, size, kTownSize);
    if (size == kTownSize && WaitTicks() != kEventRebuild) {
      town = LoadTownFile(path);
      if (!town) std::printf("GetActiveTown : Fehler ! Diese Stadt existiert nicht...\n!");
    } else {
      town = RebuildTown(*found, path);
    }
  } else if (id == kCapitalTownId) {
    FindPlayerCapital(list);
  } else {
    town = AddNewTown(list, lastId);
  }
  FreeTownList(&list);
  return town;
}

bool ChangeTownName(const void* /*unused*/, const char* newName) {
  TownList list;
  if (!LoadTownList(&list) || list.size < kTownListEntrySize) {
    std::printf("ChangeTownName : Konnte Town.list nicht finden...\n");
    FreeTownList(&list);
    return false;
  }
  if (!newName) {
    FreeTownList(&list);
    return false;
  }
  for (uint32_t i = 0; i < list.count; ++i) {
    if (std::strcmp(NameOf(list.records[i]).text, newName) == 0) {
      FreeTownList(&list);
      return false;
    }
  }

  // The first provisional town, else the terminator (whose town never exists).
  TownListEntry* entry = nullptr;
  for (uint32_t i = 0; i < list.count && !entry; ++i)
    if (std::strncmp(list.records[i].name, kFirstTownName, kProvisionalPrefix) == 0) entry = &list.records[i];
  const TownListEntry terminator = TownListTerminator();
  const RecordName oldName = NameOf(entry ? *entry : terminator);

  char oldPath[kTownPathSize];
  Town* town = TownPath(oldPath, kTownFileBackslash, oldName.text) ? LoadTownFile(oldPath) : nullptr;
  if (!town || !entry) {
    std::printf("ChangeTownName : Fehler ! Diese Stadt existiert nicht...\n!");
    FreeVec(town);
    FreeTownList(&list);
    return false;
  }

  SetTownName(town->name, newName);
  town->state &= static_cast<uint16_t>(~kTownProvisional);
  town->fresh = 0;

  // The new file comes first; the old one goes only when everything else
  // has been written, so a failure leaves the town as it was.
  bool done = false;
  char newPath[kTownPathSize];
  char oldImage[kTownPathSize];
  char newImage[kTownPathSize];
  const bool named = TownPath(newPath, kTownFileBackslash, newName);
  if (!named || !SaveMem2File(newPath, town, kTownSize)) {
    std::printf("ChangeTownName : Konnte Stadt %s nicht speichern...\n", named ? newPath : newName);
  } else {
    const bool samePlace = SameFile(oldPath, newPath);
    TownPath(oldImage, kTownImageFile, oldName.text);
    TownPath(newImage, kTownImageFile, newName);
    const bool moveImage = !samePlace && TownFileExists(oldImage);
    if (moveImage && !platform::MoveFileOver(oldImage, newImage)) {
      std::printf("ChangeTownName : Konnte Name des Image-Files nicht \xe4" "ndern...\n");
      if (!samePlace) platform::RemoveFile(newPath);
    } else {
      SetTownName(entry->name, newName);
      if (!ReplaceFileContents(kTownListPath, list.records, list.size)) {
        std::printf("ChangeTownName : Konnte Town.list nicht speichern...\n");
        if (moveImage) platform::MoveFileOver(newImage, oldImage);
        if (!samePlace) platform::RemoveFile(newPath);
      } else {
        if (!samePlace) platform::RemoveFile(oldPath);
        done = true;
      }
    }
  }
  FreeVec(town);
  FreeTownList(&list);
  return done;
}

}  // namespace vsk
