// Bringing the program's global state up before the first screen, on the
// window thread while the presenter creates its window, and releasing it
// at the end.
#pragma once

#include "catalog/catalog.h"

namespace vsk {

// The catalog the set-up opened; null when there is none (built-in texts).
extern Catalog* TheCatalog;

constexpr const char* kCatalogName = "VsKBrowser.catalog";
constexpr const char* kPicturePathList = "./data/path";
constexpr const char* kSoundPathList = "./data/sfxpath";
constexpr const char* kGameChunkFile = "./data/pop3in/gamechunk.vsk";

// Seeds the random numbers, starts the window timer (3, 100 ms) on
// WindowHandle, opens the catalog, loads (or defaults and saves) the
// options, checks for CD audio, fills the player record and its game-chunk
// value, finds or creates the player's town and loads the picture and sound
// path lists. False after logging "SetupSystem:000.\n" to "003.\n"; what was
// set up until then stays for ReleaseSystem.
bool SetupSystem();

// Frees both path lists (the pointers become null) and closes the catalog.
void ReleaseSystem();

}  // namespace vsk
