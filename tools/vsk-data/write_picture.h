// Pictures of the game: the path list "./data/path" that gives every picture
// id its file names and sizes, the picture files (".chk": raw 8-bit pixels,
// rows top to bottom, no header), the palette files (".cma": 256 × red,
// green, blue) and the pointer image "./pics/cursor01.chk" (32 × 27 pixels).
//
// Path list layout (big-endian): a 32-byte header the game does not read
// (ours starts with kPathListMagic), the entry count N at 32, N entries of
// 36 bytes at 36 (entry k is picture id k + 1: ident, width, height, depth,
// flags, offset of the stored picture name, data size, offset of the stored
// palette name, palette size × 4; name offsets count from file offset 32),
// then the NUL-terminated stored names.
//
// Stored names. The game derives a file name from a stored name by dropping
// its first four and last four characters, appending "chk" or "cma" and
// turning everything to lower case. So a picture whose files are
// "./data/pics/title.chk" and "./data/pics/title.cma" (the "base" below is
// "./data/pics/title") is stored as "VSK:./data/pics/title.pict" and
// "VSK:./data/pics/title.cmap".
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "vsk-data/image.h"
#include "vsk-data/write_file.h"

namespace vsk::data {

constexpr char kPathListMagic[] = "VSK PATH LIST";  // first bytes of our header
constexpr uint32_t kPathListHeaderSize = 32;
constexpr uint32_t kPathEntrySize = 36;
constexpr uint32_t kMaxPictureId = 1095;
constexpr uint32_t kPointerWidth = 32;
constexpr uint32_t kPointerHeight = 27;
constexpr uint32_t kPaletteFileSize = 768;

// One picture of the path list.
struct PathListPicture {
  std::string base;  // the files without extension, lower case, relative to
                     // the game directory: "./data/pics/title"
  uint32_t width = 0;
  uint32_t height = 0;
  bool hasPalette = true;  // false: the palette name still names base.cma,
                           // the palette size is 0 and no palette is read
  uint32_t ident = 0;      // fields 0, 3 and 4, copied into the bitmap
  uint32_t depth = 8;
  uint32_t flags = 0;
};

// "VSK:" + base + ".pict" / ".cmap"; and the file name the game derives from
// a stored name ("" when the stored name is shorter than 8 characters).
std::string StoredPictureName(const std::string& base);
std::string StoredPaletteName(const std::string& base);
std::string DeriveFileName(const std::string& stored, const char* extension);

// Builds the path list: N = the highest id of pictures; every id from 1 to N
// without a picture of its own gets the entry of filler (so every entry of
// the list names files that exist). Ids must lie in 1..1095.
ByteBuffer BuildPathList(const std::map<uint32_t, PathListPicture>& pictures,
                         const PathListPicture& filler);

// The picture file (width × height bytes) and the 768-byte palette file.
ByteBuffer BuildPictureFile(const IndexedImage& image);
ByteBuffer BuildPaletteFile(const Palette& palette);

// Writes a picture's ".chk" and (when hasPalette) ".cma" below gameDir.
bool WritePictureFiles(const std::string& gameDir, const PathListPicture& entry,
                       const IndexedImage& image, const Palette* palette, std::string* error);

}  // namespace vsk::data
