#include "catalog/catalog.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "catalog/strings.h"
#include "platform/files.h"
#include "services/byteorder.h"
#include "services/files.h"
#include "services/memory.h"

namespace vsk {

namespace {

// The text of a chunk that is empty or missing; never freed.
constexpr const char kNotAvailable[] = "N/A";

bool IsIdentifier(const char* identifier, const char* wanted) {
  return identifier && std::strcmp(identifier, wanted) == 0;
}

// Walks the chunks of the buffer from its start and gives the offset of the
// header of the first chunk with that identifier. A chunk whose length runs
// past the loaded bytes ends the walk: it and everything behind it count as
// missing.
bool LocateChunk(const Catalog* catalog, const char* identifier, uint32_t* offset) {
  if (!catalog || !catalog->buffer || !identifier) return false;
  for (int i = 0; i < 4; ++i) {
    if (identifier[i] == '\0') return false;
  }
  const uint64_t end = catalog->bufferLength;
  uint64_t position = 0;
  while (position + 8 <= end) {
    const uint8_t* header = catalog->buffer + position;
    const uint32_t length = ReadBE32(header + 4);
    if (length > end - position - 8) return false;
    if (std::memcmp(header, identifier, 4) == 0) {
      *offset = static_cast<uint32_t>(position);
      return true;
    }
    position += 8 + uint64_t{length} + (length & 1);  // odd lengths carry one pad byte
  }
  return false;
}

bool PointsIntoBuffer(const Catalog* catalog, const void* pointer) {
  const auto address = reinterpret_cast<uintptr_t>(pointer);
  const auto start = reinterpret_cast<uintptr_t>(catalog->buffer);
  return catalog->buffer && address >= start && address - start < catalog->bufferLength;
}

uint8_t* TextSlot(uint8_t* table, size_t entrySize, uint32_t number) {
  return table + size_t{number} * entrySize + offsetof(StringEntry, text);
}

const char* GetText(const uint8_t* slot) {
  const char* text;
  std::memcpy(&text, slot, sizeof text);
  return text;
}

void SetText(uint8_t* slot, const char* text) { std::memcpy(slot, &text, sizeof text); }

void FreeText(const char* text) {
  if (text && text != kNotAvailable) FreeVec(const_cast<char*>(text));
}

// Gives every table entry that still points into the buffer its text from
// before the catalog, then frees all the catalog holds.
void ReleaseCatalog(Catalog* catalog) {
  if (!catalog) return;
  if (catalog->savedTexts && catalog->table) {
    for (uint32_t number = 0; number < kStringCount; ++number) {
      uint8_t* slot = TextSlot(catalog->table, catalog->entrySize, number);
      if (PointsIntoBuffer(catalog, GetText(slot))) SetText(slot, catalog->savedTexts[number]);
    }
  }
  FreeVec(catalog->savedTexts);
  FreeText(catalog->version);
  FreeText(catalog->language);
  FreeText(catalog->author);
  FreeVec(catalog->buffer);
  FreeVec(catalog);
}

// Copies a text chunk into a new zero-terminated block; an empty or missing
// chunk gives "N/A".
bool ReadTextChunk(Catalog* catalog, const CatalogChunk* chunk, const char** field) {
  const char* text = kNotAvailable;
  if (chunk && chunk->length != 0) {
    // Only the bytes that lie inside the buffer are copied: an odd length
    // at the very end of the file has no pad byte behind it.
    uint32_t available = 0;
    if (PointsIntoBuffer(catalog, chunk->data)) {
      available = catalog->bufferLength - static_cast<uint32_t>(chunk->data - catalog->buffer);
    }
    const uint32_t copy = chunk->length < available ? chunk->length : available;
    auto* block = static_cast<char*>(AllocVec(copy + 1, MEMF_PUBLIC));
    if (!block) return false;
    std::memset(block, 0, copy + 1);
    CopyMem(chunk->data, block, copy);
    text = block;
  }
  FreeText(*field);
  *field = text;
  return true;
}

// Points the table's entries at the strings of the "STRS" chunk that
// begins at the read position. Every record is checked against the chunk's
// length and the loaded bytes: the first one that reaches past either ends
// the strings; numbers beyond the table and texts without a terminator in
// their padded space are skipped.
bool ReadStringsChunk(Catalog* catalog, const CatalogChunk* chunk, void* table, void* secondEntry) {
  if (!chunk) return true;  // no "STRS": the built-in texts stay
  catalog->stringsChunks += 1;

  auto* first = static_cast<uint8_t*>(table);
  auto* second = static_cast<uint8_t*>(secondEntry);
  if (!first || !second || second <= first) return false;
  const size_t entrySize = static_cast<size_t>(second - first);
  if (entrySize < offsetof(StringEntry, text) + sizeof(const char*)) return false;

  if (!catalog->savedTexts) {
    auto* saved = static_cast<const char**>(AllocVec(kStringCount * sizeof(const char*), MEMF_PUBLIC));
    if (!saved) return false;
    for (uint32_t number = 0; number < kStringCount; ++number) {
      saved[number] = GetText(TextSlot(first, entrySize, number));
    }
    catalog->savedTexts = saved;
    catalog->table = first;
    catalog->entrySize = entrySize;
  } else if (catalog->table != first || catalog->entrySize != entrySize) {
    return false;  // one catalog serves one table, or its texts could not be put back
  }

  if (!catalog->readPosition || catalog->readPosition < catalog->buffer) return true;
  uint64_t position = static_cast<uint64_t>(catalog->readPosition - catalog->buffer);
  const uint64_t end = catalog->bufferLength;
  if (position + 4 > end) return true;

  const uint32_t total = ReadBE32(catalog->readPosition);
  catalog->readPosition += 4;
  position += 4;

  uint64_t consumed = 0;
  while (consumed < total) {
    if (consumed + 8 > total || position + 8 > end) break;
    const uint32_t number = ReadBE32(catalog->readPosition);
    const uint32_t length = ReadBE32(catalog->readPosition + 4);
    const uint64_t padded = (uint64_t{length} + 3) & ~uint64_t{3};
    if (consumed + 8 + padded > total || position + 8 + padded > end) break;
    const uint8_t* text = catalog->readPosition + 8;
    if (number < kStringCount && padded != 0 && std::memchr(text, 0, padded) != nullptr) {
      SetText(TextSlot(first, entrySize, number), reinterpret_cast<const char*>(text));
    }
    catalog->readPosition += 8 + padded;
    position += 8 + padded;
    consumed += 8 + padded;
  }
  return true;
}

}  // namespace

CatalogChunk* FindCatalogChunk(Catalog* catalog, const char* identifier) {
  uint32_t offset = 0;
  if (!LocateChunk(catalog, identifier, &offset)) return nullptr;
  auto* chunk = static_cast<CatalogChunk*>(AllocVec(sizeof(CatalogChunk), MEMF_PUBLIC | MEMF_CLEAR));
  if (!chunk) return nullptr;
  const uint32_t length = ReadBE32(catalog->buffer + offset + 4);
  chunk->length = length + (length & 1);
  chunk->data = catalog->buffer + offset + 8;
  return chunk;
}

void FindStringsChunk(Catalog* catalog) {
  if (!catalog) return;
  uint32_t offset = 0;
  catalog->readPosition = LocateChunk(catalog, "STRS", &offset) ? catalog->buffer + offset + 4 : nullptr;
}

bool ReadCatalogChunk(Catalog* catalog, CatalogChunk* chunk, const char* identifier, void* table,
                      void* secondEntry) {
  if (!catalog) return false;
  if (IsIdentifier(identifier, "AUTH")) return ReadTextChunk(catalog, chunk, &catalog->author);
  if (IsIdentifier(identifier, "FVER")) return ReadTextChunk(catalog, chunk, &catalog->version);
  if (IsIdentifier(identifier, "LANG")) return ReadTextChunk(catalog, chunk, &catalog->language);
  if (IsIdentifier(identifier, "STRS")) return ReadStringsChunk(catalog, chunk, table, secondEntry);
  return false;
}

Catalog* OpenCatalog(const char* name, void* table, void* secondEntry) {
  auto* catalog = static_cast<Catalog*>(AllocVec(sizeof(Catalog), MEMF_PUBLIC | MEMF_CLEAR));
  if (!catalog) return nullptr;

  // Only a German user gets the catalog; everyone else keeps the built-in
  // texts.
  char language[260] = {};
  if (GetLocaleInfoA(0, LOCALE_SENGLANGUAGE, language, sizeof language) == 0) language[0] = '\0';
  if (std::strcmp(language, "German") != 0) {
    std::printf("OpenCatalog: Konnte das File %s nicht " "\xf6" "ffnen!\n", language);
    FreeVec(catalog);
    return nullptr;
  }

  char path[MAX_PATH + 32];
  std::snprintf(path, sizeof path, "catalogs/deutsch/%s", name ? name : "");
  FileHandle file = platform::OpenFile(path, "rb");
  if (!file) {
    std::printf("OpenCatalog: Konnte das File %s nicht " "\xf6" "ffnen!\n", path);
    FreeVec(catalog);
    return nullptr;
  }

  char identifier[4] = {};
  Read(file, identifier, 4);
  if (std::memcmp(identifier, "FORM", 4) != 0) {
    std::printf("OpenCatalog: Konnte den FORM Chunk nicht finden.\n");
    Close(file);
    FreeVec(catalog);
    return nullptr;
  }
  catalog->formLength = ReadLong(file);
  std::memset(identifier, 0, sizeof identifier);
  Read(file, identifier, 4);
  if (std::memcmp(identifier, "CTLG", 4) != 0) {
    std::printf("OpenCatalog: Konnte den CTLG Chunk nicht finden.\n");
    Close(file);
    FreeVec(catalog);
    return nullptr;
  }

  // The body behind "CTLG" holds L - 4 bytes by the FORM length; a length
  // that promises more than the file has counts only what is there.
  const uint32_t promised = catalog->formLength >= 4 ? catalog->formLength - 4 : 0;
  const uint32_t fileLength = FileLength(file);
  const uint32_t remaining = fileLength > 12 ? fileLength - 12 : 0;
  const uint32_t size = promised < remaining ? promised : remaining;
  catalog->buffer = static_cast<uint8_t*>(AllocVec(size, MEMF_PUBLIC));
  if (!catalog->buffer) {
    std::printf("OpenCatalog:Konnte keinen Speicher fuer den Catalog bekommen.\n");
    Close(file);
    FreeVec(catalog);
    return nullptr;
  }
  const size_t got = size ? std::fread(catalog->buffer, 1, size, file) : 0;
  if (got < size) std::memset(catalog->buffer + got, 0, size - got);
  catalog->bufferLength = static_cast<uint32_t>(got);
  catalog->readPosition = catalog->buffer;
  catalog->bufferStart = catalog->buffer;

  FindStringsChunk(catalog);

  struct Step {
    const char* identifier;
    const char* failure;
  };
  static constexpr Step kSteps[] = {
      {"AUTH", "Konnte den AUTH Chunk nicht lesen ."},
      {"FVER", "Konnte den FVER Chunk nicht lesen ."},
      {"LANG", "Konnte den LANG Chunk nicht lesen ."},
      {"STRS", "Konnte den STRS Chunk nicht lesen ."},
  };
  for (const Step& step : kSteps) {
    // A chunk the catalog lacks counts as empty; a chunk that is there but
    // cannot be taken over fails the catalog.
    uint32_t offset = 0;
    CatalogChunk* chunk = FindCatalogChunk(catalog, step.identifier);
    bool read = chunk || !LocateChunk(catalog, step.identifier, &offset);
    read = read && ReadCatalogChunk(catalog, chunk, step.identifier, table, secondEntry);
    FreeVec(chunk);
    if (!read) {
      Close(file);
      std::printf("%s", step.failure);
      ReleaseCatalog(catalog);
      return nullptr;
    }
  }

  Close(file);
  return catalog;
}

void CloseCatalog(Catalog* catalog) { ReleaseCatalog(catalog); }

}  // namespace vsk
