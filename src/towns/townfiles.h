// The files of the towns: paths built from town names, loading a town file
// into a record, and the storage mode that decides what is written.
#pragma once

#include <cstddef>
#include <cstdint>

#include "towns/town.h"

namespace vsk {

constexpr const char* kCitiesDir = "./data/Cities";
constexpr const char* kTownListPath = "./data/Cities/Town.list";

// Paths are written with a slash in some places and a backslash in others;
// both name the same directory.
constexpr const char* kTownFileSlash = "./data/Cities/%s.vsk";
constexpr const char* kTownFileBackslash = "./data/Cities\\%s.vsk";
constexpr const char* kTownImageFile = "./data/Cities/%s.image";

constexpr size_t kTownPathSize = 160;

// Formats the path of a town's file; false when the name could lead out of
// "./data/Cities" (a path separator) or is empty. The path is then empty.
bool TownPath(char (&path)[kTownPathSize], const char* format, const char* name);

// True when the file exists and opens for shared reading.
bool TownFileExists(const char* path);

// The town file in a new cleared record of kTownSize bytes; a shorter file
// leaves the rest zero and only kTownSize bytes are read of a longer one;
// the name always ends within its field.
// Null when the file cannot be opened or memory runs out.
Town* LoadTownFile(const char* path);

// General preference field 0, read afresh: 2 means towns are stored.
uint32_t TownStorageMode();
constexpr uint32_t kStoreTowns = 2;

// Copies at most kTownNameLength characters and zero-pads the 80 bytes.
void SetTownName(char (&field)[80], const char* name);

// A record's name as a zero-terminated text, whatever the file holds.
struct RecordName {
  char text[81];
};
RecordName NameOf(const TownListEntry& entry);

}  // namespace vsk
