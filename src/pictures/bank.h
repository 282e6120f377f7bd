// The picture bank: one slot per picture id (1 to 1095), each empty or
// holding a BitMap loaded from the picture file that the path list names for
// the id, and the graphics cache that keeps copies of released pictures.
//
// Path list ("./data/path"), numbers big-endian:
//
//   0    32      header, not read
//   32   4       entry count N
//   36   36 * N  entries, entry k describes picture id k + 1:
//                  +0 Ident, +4 width, +8 height, +12 Depth, +16 Flags,
//                  +20 offset of the stored picture name (from file offset 32),
//                  +24 data size, +28 offset of the stored palette name,
//                  +32 palette size * 4
//   ...          NUL-terminated stored names
//
// A stored name becomes a file name by dropping its first and last four
// characters, appending "chk" (picture) or "cma" (palette) and turning the
// whole to lower case. Picture files are raw pixel bytes, palette files 256
// red, green, blue triples.
//
// Damaged lists: an id is only usable when its entry, both of its names and
// their terminators lie inside the loaded list, the names have at least the
// eight characters the derivation drops, and the picture needs no more than
// kMaxPictureBytes bytes. Anything else is a bad id, and the index must be
// below N (N counts the entries). Short files: a picture file shorter than
// its data size or a palette file shorter than its palette size leaves the
// missing bytes zero. The pixel buffer always holds at least width x height
// bytes and the palette at least 768, so blits, the cache and the screen
// colour table never read past them.
#pragma once

#include <cstdint>

#include "gfx/bitmap.h"

namespace vsk {

constexpr uint32_t kPictureSlots = 1095;
// Largest pixel buffer or palette a path entry may ask for: a 4096 x 4096
// picture. An entry beyond it is a damaged entry, not a picture.
constexpr uint32_t kMaxPictureBytes = 4096u * 4096u;

// Slot id - 1 holds picture id; null when empty.
extern BitMap* PictureBank[kPictureSlots];
// Graphics cache: slot id - 1 holds a copy of a released picture's pixels
// (null when none) and its size in bytes beside it.
extern uint8_t* PictureCache[kPictureSlots];
extern uint32_t PictureCacheSize[kPictureSlots];

// The bank entry of an id, or null (empty slot or id outside 1..1095).
BitMap* PictureOf(uint32_t id);

// Characters of a stored path-list name that count.
constexpr uint32_t kMaxStoredName = 99;

// The file a stored path-list name stands for: of its first 99 characters
// (length of them given), all but the first and the last four, then the
// extension ("chk" for pictures, "cma" for palettes), in lower case. out
// has room for kMaxStoredName + 1 characters. False when the name is too
// short to lose eight characters.
bool DeriveFileName(const char* stored, uint32_t length, const char* extension, char* out);

// Loads a full-screen picture with its palette, copies the palette into
// ScreenColors, makes the picture the screen's bitmap and, unless noFade,
// starts the fade-in. 1 on success (also when already loaded), 0 when the
// path list cannot be loaded or memory runs out. A bad id or a missing
// picture or palette file ends the process with exit code 1.
int32_t OpenKadunPic(const char* listName, uint32_t id, uint16_t noFade);

// Loads a graphic without palette as a blit source. 1 on success (also when
// already loaded), 0 on any failure; the slot then stays empty.
int32_t OpenKadunGfx(const char* listName, uint32_t id);

// Fades the screen out (waiting for the fade), then releases the picture.
// cache != 0 keeps a copy of its pixels in the graphics cache and keeps the
// Screen record; cache == 0 releases the Screen. 0, or -1 when the slot was
// already empty.
int32_t CloseKadunPic(uint32_t id, uint16_t cache);

// Releases the Screen record (not ScreenColors), as CloseKadunPic with
// cache == 0 does; for a screen whose own picture never loaded, so that
// closing it found its slot empty. Nothing when there is none.
void ReleaseScreen();

// Releases a graphic's slot when it is loaded. Always 0.
int32_t ReleaseGfx(uint32_t id);

// Copies a bank entry's width x height pixels into the graphics cache when
// memory allows. 0 when copied or skipped, 1 when the block could not be
// allocated.
int32_t Copy2GfxCache(BitMap* bitmap, uint32_t id);

}  // namespace vsk
