// The story of Dodur Odid and the sovereigns' guide: a static table of 23
// numbered texts (0 is the title, 1 to 22 the chapters) and the index that
// the game thread builds over it at start.
#pragma once

#include <cstdint>

namespace vsk {

constexpr uint16_t kStoryCount = 23;

// One entry: the text number beside a pointer to its zero-terminated text.
// Texts are stored in the Windows-1252 code page.
struct StoryEntry {
  uint16_t number;
  const char* text;
};

extern const StoryEntry StoryTable[kStoryCount];

// The story index: an AllocVec block of 23 pointers, entry i pointing at the
// story entry numbered i; null while it is not built.
extern const StoryEntry** DodurOdidIndex;

// Builds the story index (nothing to do when it is built already). On
// failure logs "MakeDodurOdidTab : Konnte Tabelle für DodurOdid nicht
// allokieren...\n" and leaves the index null.
void MakeDodurOdidTab();

// Frees the story index and sets it to null; nothing when it is null.
void FreeDodurOdidTab();

}  // namespace vsk
