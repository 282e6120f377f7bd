// Reading the two list files: the path list ("data/path": a picture id's
// size and the stored names of its picture and palette files) and the sound
// list ("data/sfxpath": a sound id's sample size, rate and stored name).
// Both have a 32-byte header the game does not read, the entry count at 32
// and the entries from 36; name offsets count from offset 32.
//
// The files a list names are relative to the game directory (the client's
// working directory). A list lies in the game's "data" directory, so the
// game directory is the list's grandparent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vsk-data/read_common.h"

namespace vsk::data {

struct PathRecord {
  uint32_t id = 0;  // entry index + 1
  uint32_t ident = 0, width = 0, height = 0, depth = 0, flags = 0;
  uint32_t pictureNameOffset = 0, dataSize = 0, paletteNameOffset = 0, paletteSize4 = 0;
  std::string pictureStored, paletteStored;  // as the list holds them
  std::string pictureFile, paletteFile;      // as the game derives them
  uint32_t PaletteBytes() const { return paletteSize4 / 4; }
};

struct PathListData {
  uint32_t count = 0;
  std::vector<PathRecord> entries;
};

// Throws FormatError for a list the client could not use: too short for its
// count or entries, a name outside the file, without its zero or too short
// to derive a file name from, a data size other than width x height or above
// 4096 x 4096, a palette size that is not 4 x up to 768 bytes.
PathListData ReadPathList(ByteSpan data);
// The same one step at a time, so that one bad entry does not hide the
// others: the count (throws when the file is too short for it or for its
// entries) and entry index, picture id index + 1 (throws for that entry).
uint32_t ReadPathListCount(ByteSpan data);
PathRecord ReadPathEntry(ByteSpan data, uint32_t index);

struct SoundRecord {
  uint32_t id = 0;  // entry index + 1
  uint32_t unused0 = 0, dataSize = 0, rate = 0, nameOffset = 0, unused4 = 0;
  std::string stored;  // as the list holds it
  std::string file;    // as the game derives it
};

struct SoundListData {
  uint32_t count = 0;
  std::vector<SoundRecord> entries;
};

// Throws FormatError when the count, an entry or a name lies outside the
// file, a name has no zero or is too short, a size is odd or a rate is 0.
SoundListData ReadSoundList(ByteSpan data);
// One step at a time, as for the path list.
uint32_t ReadSoundListCount(ByteSpan data);
SoundRecord ReadSoundEntry(ByteSpan data, uint32_t index);

// The game directory of a list file: its grandparent ("." when the path has
// no directories).
std::string GameDirOfList(const std::string& listPath);

// The nearest ancestor directory of path that holds the named list
// ("data/path" or "data/sfxpath", any case); "" when none does.
std::string FindGameDirAbove(const std::string& path, const char* list);

}  // namespace vsk::data
