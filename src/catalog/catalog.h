// The locale catalog: an IFF file (FORM "CTLG" with the chunks "FVER",
// "LANG", "AUTH" and "STRS") whose strings replace texts of the built-in
// string table (strings.h). A catalog is read only for a German user; its
// strings stay inside the catalog's buffer and the table points at them
// until CloseCatalog puts the built-in texts back.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vsk {

struct Catalog {
  const char* version;   // "FVER" text, zero-terminated, or "N/A"
  const char* language;  // "LANG" text, or "N/A"
  const char* author;    // "AUTH" text, or "N/A"
  uint32_t formLength;   // the FORM length as the file stores it
  uint8_t* readPosition; // moves through "STRS" while its strings are read
  uint8_t* buffer;       // the FORM body behind "CTLG", one memory block
  uint8_t* bufferStart;  // the buffer's address once more
  uint32_t stringsChunks;  // "STRS" chunks processed

  // Kept so that nothing is ever read past the loaded bytes and so that
  // CloseCatalog can give every changed table entry its own text back.
  uint32_t bufferLength;    // bytes of the FORM body actually read
  uint8_t* table;           // first entry of the table the strings went to
  size_t entrySize;         // distance between two entries of that table
  const char** savedTexts;  // each entry's text before the catalog, or null
};

// A chunk found in the catalog's buffer; the caller frees it with FreeVec.
struct CatalogChunk {
  uint32_t length;  // the chunk's length rounded up to even
  uint8_t* data;    // its first data byte
};

// Reads "catalogs/deutsch/<name>" when the user's language is German and
// points the table's entries at its strings. table and secondEntry are the
// addresses of the table's first two entries (their distance is the entry
// size). Null when there is no catalog; the built-in texts stay then.
Catalog* OpenCatalog(const char* name, void* table, void* secondEntry);

// Puts the built-in texts back, frees the texts, the buffer and the record.
// Accepts null.
void CloseCatalog(Catalog* catalog);

// The chunk with that four-character identifier, or null when the catalog
// has none (or no memory is left).
CatalogChunk* FindCatalogChunk(Catalog* catalog, const char* identifier);

// "AUTH", "FVER", "LANG": copies the chunk's text into the record ("N/A"
// for an empty or a missing chunk). "STRS": points the table's entries at
// the catalog's strings, starting at the read position. False when memory
// runs out or the identifier or table is unusable.
bool ReadCatalogChunk(Catalog* catalog, CatalogChunk* chunk, const char* identifier, void* table,
                      void* secondEntry);

// Puts the read position on the length of the "STRS" chunk (null when the
// catalog has none).
void FindStringsChunk(Catalog* catalog);

}  // namespace vsk
