// vsk-data inspect: recognises a game data file and prints it readably, or
// says in one sentence what is wrong with it and where.
//
// Recognition goes by content first (the tags "FORM", "FONT", "PREF", "BPTR",
// "BM", "RIFF", chunk headers with version "V001", a screen-data directory
// with the game's section tags, the kit's list headers), then by name and
// size where a format has no tag of its own (the lists "path" and "sfxpath",
// "optionen.prefs" of 566 bytes, the 864-byte pointer, town files (every
// ".vsk" in a "Cities" directory, whatever its size, and elsewhere files of
// 14220 bytes), "Town.list", ".cma" palettes, ".chk" pictures and ".raw"
// samples).
//
// Files named by a list are looked up relative to the game directory: the
// list lies in GAME/data, so that is the list's grandparent. A picture,
// palette or sample file finds its list in the nearest directory above it
// that has "data/path" or "data/sfxpath".
#pragma once

#include <ostream>
#include <string>

#include "vsk-data/read_common.h"

namespace vsk::data {

enum class FileKind {
  Unknown, PathList, SoundList, Picture, Pointer, Palette, Sample, Font, Catalog, Chunks,
  ScreenData, Bmp, Wav, GeneralPrefs, StoryPrefs, Options, Town, TownList,
};

// What the file at path (holding data) is taken for.
FileKind DetectKind(const std::string& path, ByteSpan data);
const char* KindName(FileKind kind);

// Prints the file to out and returns 0; for a broken file writes one
// sentence to err ("vsk-data: PATH: <what is wrong> (at offset N).") and
// returns 1.
int InspectData(const std::string& path, ByteSpan data, std::ostream& out, std::ostream& err);
int InspectFile(const std::string& path, std::ostream& out, std::ostream& err);

}  // namespace vsk::data
