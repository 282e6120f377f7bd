// The three preference files under ./data:
//  - "./data/prefs.vsk", the general preferences, one field at a time
//    through CheckPrefs;
//  - "./data/BTPrefs.vsk", the story preferences, one field at a time
//    through DodurOdidPrefs;
//  - "./data/optionen.prefs", the options record of the system context,
//    loaded and saved whole.
// Each field access opens the file, reads or writes the one field and closes
// it again, so every change is on disk at once. A missing file is created
// with its header and a zeroed body. Numbers are little-endian.
#pragma once

#include <cstdint>

#include "services/files.h"

namespace vsk {

// Field access of the two field files.
//
// Number fields (1, 2 or 4 bytes) hold unsigned numbers. Reading replaces
// the low-order bytes of value by the field's bytes and returns the 32-bit
// result, sign-extended (callers pass 0, so a 4-byte field of FF FF FF FF
// reads as -1); bytes missing from a short file keep value's bytes. Writing
// stores the low-order bytes of value and returns value.
//
// Text fields (40 bytes) travel as pointers, so value and result are
// pointer-sized: reading returns a new cleared AllocVec block of 40 bytes
// holding the field, always zero-terminated (the caller frees it); writing
// takes a pointer to a text and stores at most 39 of its characters followed
// by zero bytes (a null pointer stores an empty text), and returns the
// pointer.
//
// Fields of width 0 and field numbers beyond the table touch nothing and
// return value unchanged.

// General preferences, fields 0 to 26. If "./data/prefs.vsk" can be neither
// opened nor created, logs "CheckPrefs:000" and ends the process with exit
// code 1. Returns 0 when the memory for a text field cannot be had.
intptr_t CheckPrefs(uint16_t field, uint16_t write, intptr_t value);

// Story preferences, fields 0 to 23 (24 to 187 have width 0). Returns -1
// after logging when the file can be neither opened nor created, when a new
// file cannot be given its header, or when memory runs out.
intptr_t DodurOdidPrefs(uint16_t field, uint16_t write, intptr_t value);

// Writes "PREF", "V001", 220 and the 220-byte body to an open general
// preferences file, keeping the body bytes the file already had.
void WriteStandardPrefs(FileHandle file);

// Writes "BPTR", "V001", 188 and a zeroed 188-byte body to an open story
// preferences file. False (logged) when no memory for the body could be had.
bool SaveStandardCheckPrefs(FileHandle file);

// Reads "./data/optionen.prefs" into System.options; false when the file
// cannot be opened. A short file leaves the rest of the record as it was.
bool OptionenPrefsLoad();

// Writes System.options as "./data/optionen.prefs" through a temporary file
// that replaces the old one only once it is complete. On failure the old
// file stays, "OptionenPrefsSave:000" is logged and the result is false.
bool OptionenPrefsSave();

// Fills System.options with the defaults: sets the CD audio bit of the
// system flags word, derives the option flags from the system flags word,
// copies them into the sound status and marks the options as defaulted in
// this run. Fields without a default keep their value.
void OptionenPrefsDefault();

}  // namespace vsk
