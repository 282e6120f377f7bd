#include "towns/townfiles.h"

#include <cstdio>
#include <cstring>

#include "core/prefs.h"
#include "platform/files.h"
#include "services/files.h"
#include "services/memory.h"

namespace vsk {

bool TownPath(char (&path)[kTownPathSize], const char* format, const char* name) {
  path[0] = '\0';
  if (!name || !name[0] || std::strpbrk(name, "/\\")) return false;
  const int written = std::snprintf(path, sizeof path, format, name);
  if (written < 0 || static_cast<size_t>(written) >= sizeof path) {
    path[0] = '\0';
    return false;
  }
  return true;
}

bool TownFileExists(const char* path) {
  const FileLock lock = Lock(path, SHARED_LOCK);
  UnLock(lock);
  return lock != 0;
}

Town* LoadTownFile(const char* path) {
  if (!path || !path[0]) return nullptr;
  FILE* file = platform::OpenFile(path, "rb");
  if (!file) return nullptr;
  auto* town = static_cast<Town*>(AllocVec(kTownSize, MEMF_PUBLIC | MEMF_CLEAR));
  if (town) {
    const size_t got = std::fread(town, 1, kTownSize, file);
    (void)got;  // a short file leaves the rest of the record zero
    // The name is a text of at most 79 characters whatever the file holds.
    town->name[sizeof town->name - 1] = '\0';
  }
  std::fclose(file);
  return town;
}

uint32_t TownStorageMode() { return static_cast<uint32_t>(CheckPrefs(0, 0, 0)); }

void SetTownName(char (&field)[80], const char* name) {
  std::memset(field, 0, sizeof field);
  if (name) std::strncpy(field, name, kTownNameLength);
}

RecordName NameOf(const TownListEntry& entry) {
  RecordName name{};
  std::memcpy(name.text, entry.name, sizeof entry.name);
  return name;
}

}  // namespace vsk
