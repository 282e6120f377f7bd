#include "pictures/bank.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/context.h"
#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "gfx/rastport.h"
#include "pictures/blit.h"
#include "pictures/fade.h"
#include "platform/files.h"
#include "services/byteorder.h"
#include "services/files.h"
#include "services/memory.h"

namespace vsk {

BitMap* PictureBank[kPictureSlots];
uint8_t* PictureCache[kPictureSlots];
uint32_t PictureCacheSize[kPictureSlots];

namespace {

constexpr const char* kPicturePathList = "./data/path";
constexpr uint32_t kCountOffset = 32;  // names are counted from here
constexpr uint32_t kEntriesOffset = 36;
constexpr uint32_t kEntrySize = 36;
constexpr uint32_t kNameCut = 4;  // characters dropped at each end of a stored name
constexpr uint32_t kPaletteBytes = 768;  // 256 x red, green, blue

// The path list one loader call works with: the preloaded copy of the set-up
// or a file loaded for this call alone.
struct PathList {
  const uint8_t* data;
  uint32_t size;
  bool owned;
};

bool GetPathList(const char* listName, PathList* list) {
  *list = {nullptr, 0, false};
  if (listName && std::strcmp(listName, kPicturePathList) == 0 && System.picturePathList &&
      System.pathListsPresent) {
    *list = {System.picturePathList, System.picturePathListSize, false};
    return true;
  }
  uint32_t size = 0;
  void* data = listName ? LoadFile(listName, MEMF_PUBLIC, &size) : nullptr;
  if (!data) return false;
  *list = {static_cast<const uint8_t*>(data), size, true};
  return true;
}

void ReleasePathList(PathList* list) {
  if (list->owned) FreeVec(const_cast<uint8_t*>(list->data));
  *list = {nullptr, 0, false};
}

// One path entry in native order, with the file names derived from it.
struct PathEntry {
  uint32_t ident;
  uint32_t width;
  uint32_t height;
  uint32_t depth;
  uint32_t flags;
  uint32_t dataSize;
  uint32_t paletteSize;  // bytes to read from the palette file
  uint32_t pixelBytes;   // buffer: at least width x height and the data size
  char pictureFile[kMaxStoredName + 1];
  char paletteFile[kMaxStoredName + 1];
};

}  // namespace

bool DeriveFileName(const char* stored, uint32_t length, const char* extension, char* out) {
  if (length > kMaxStoredName) length = kMaxStoredName;
  if (length < 2 * kNameCut || std::strlen(extension) > 2 * kNameCut) return false;
  uint32_t kept = length - 2 * kNameCut;
  std::memcpy(out, stored + kNameCut, kept);
  std::strcpy(out + kept, extension);
  for (char* p = out; *p; ++p) *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
  return true;
}

namespace {

// Turns the stored name at offset (counted from the count field) into the
// file name to open: the name without its first and last four characters,
// then the extension, all in lower case. False when the name does not lie
// inside the list with its terminator (or its 99 characters) or is too short
// to lose eight characters.
bool DeriveName(const PathList& list, uint32_t offset, const char* extension, char* out) {
  uint64_t start = uint64_t{kCountOffset} + offset;
  if (start >= list.size) return false;
  char stored[kMaxStoredName + 1];
  uint32_t length = 0;
  bool ended = false;
  for (uint64_t at = start; at < list.size && length < kMaxStoredName; ++at) {
    char c = static_cast<char>(list.data[at]);
    if (c == '\0') {
      ended = true;
      break;
    }
    stored[length++] = c;
  }
  if (!ended && length < kMaxStoredName) return false;  // runs off the end of the list
  return DeriveFileName(stored, length, extension, out);
}

// Reads entry index of the list. False for a bad id: an index outside the
// bank or the list's count, an entry or a name the loader needs outside the
// loaded bytes, or a picture too large to be one.
bool ReadPathEntry(const PathList& list, uint32_t index, bool withPalette, PathEntry* entry) {
  if (index >= kPictureSlots) return false;
  if (list.size < kEntriesOffset) return false;
  uint32_t count = ReadBE32(list.data + kCountOffset);
  if (index > count) return false;  // an index equal to the count is the last entry
  uint64_t at = kEntriesOffset + uint64_t{index} * kEntrySize;
  if (at + kEntrySize > list.size) return false;
  const uint8_t* p = list.data + at;
  entry->ident = ReadBE32(p);
  entry->width = ReadBE32(p + 4);
  entry->height = ReadBE32(p + 8);
  entry->depth = ReadBE32(p + 12);
  entry->flags = ReadBE32(p + 16);
  entry->dataSize = ReadBE32(p + 24);
  entry->paletteSize = ReadBE32(p + 32) / 4;
  uint64_t area = uint64_t{entry->width} * entry->height;
  if (area > kMaxPictureBytes || entry->dataSize > kMaxPictureBytes ||
      entry->paletteSize > kMaxPictureBytes)
    return false;
  entry->pixelBytes = std::max(static_cast<uint32_t>(area), entry->dataSize);
  if (!DeriveName(list, ReadBE32(p + 20), "chk", entry->pictureFile)) return false;
  entry->paletteFile[0] = '\0';
  if (withPalette && !DeriveName(list, ReadBE32(p + 28), "cma", entry->paletteFile)) return false;
  return true;
}

// Releases a bank entry's buffers and record and empties its slot. The
// Screen never keeps pointing at a released picture: its bitmap becomes
// null until the next OpenKadunPic.
void FreeBankSlot(uint32_t index) {
  BitMap* bitmap = PictureBank[index];
  if (!bitmap) return;
  if (TheScreen) {
    if (TheScreen->BitMap == bitmap) std::atomic_ref<BitMap*>(TheScreen->BitMap).store(nullptr);
    if (TheScreen->RastPort.BitMap == bitmap) TheScreen->RastPort.BitMap = nullptr;
    WaitWhileScreenIsRead();  // the OpenGL presenter may still be converting it
  }
  FreeVec(bitmap->Pixels);
  FreeVec(bitmap->Palette);
  FreeVec(bitmap);
  PictureBank[index] = nullptr;
}

// A new bank record for the entry with a cleared pixel buffer, the picture
// file's bytes read into it (or the cache copy when the list is the game's
// own). Null when memory runs out; everything taken is given back.
BitMap* NewBankPicture(const PathEntry& entry, const char* listName, uint32_t index, FILE* file) {
  auto* bitmap = static_cast<BitMap*>(AllocVec(sizeof(BitMap), MEMF_PUBLIC | MEMF_CLEAR));
  if (!bitmap) return nullptr;
  bitmap->Ident = entry.ident;
  bitmap->BytesPerRow = entry.width;
  bitmap->Rows = entry.height;
  bitmap->Depth = entry.depth;
  bitmap->Flags = entry.flags;
  bitmap->PixelSize = entry.dataSize;
  bitmap->PaletteSize = entry.paletteSize;
  bitmap->Pixels = static_cast<uint8_t*>(AllocVec(entry.pixelBytes, MEMF_PUBLIC | MEMF_CLEAR));
  if (!bitmap->Pixels) {
    FreeVec(bitmap);
    return nullptr;
  }
  if (std::strcmp(listName, kPicturePathList) == 0 && PictureCache[index]) {
    CopyMem(PictureCache[index], bitmap->Pixels, std::min(entry.dataSize, PictureCacheSize[index]));
  } else {
    // A short file leaves the rest of the buffer zero.
    (void)std::fread(bitmap->Pixels, 1, entry.dataSize, file);
  }
  return bitmap;
}

// Ends the process after a data error of OpenKadunPic, once the log is out.
[[noreturn]] void EndWithDataError() {
  std::fflush(stdout);
  std::exit(1);
}

}  // namespace

BitMap* PictureOf(uint32_t id) {
  if (id == 0 || id > kPictureSlots) return nullptr;
  return PictureBank[id - 1];
}

int32_t OpenKadunPic(const char* listName, uint32_t id, uint16_t noFade) {
  PathList list;
  if (!GetPathList(listName, &list)) {
    std::printf("OpenKadunPic: Konnte File %s nicht " "\xf6" "ffnen", listName ? listName : "");
    return 0;
  }
  const uint32_t index = id - 1;
  PathEntry entry;
  if (!ReadPathEntry(list, index, true, &entry)) {
    std::printf("OpenKadunPic:000");
    ReleasePathList(&list);
    EndWithDataError();
  }

  bool loadedNow = false;
  if (!PictureBank[index]) {
    FILE* file = platform::OpenFile(entry.pictureFile, "rb");
    if (!file) {
      std::printf("OpenKadunPic:Konnte %s nicht oeffnen.\n", entry.pictureFile);
      ReleasePathList(&list);
      EndWithDataError();
    }
    BitMap* bitmap = NewBankPicture(entry, listName, index, file);
    std::fclose(file);
    if (!bitmap) {
      ReleasePathList(&list);
      return 0;
    }
    file = platform::OpenFile(entry.paletteFile, "rb");
    if (!file) {
      std::printf("OpenKadunPic:Konnte %s nicht oeffnen.\n", entry.paletteFile);
      FreeVec(bitmap->Pixels);
      FreeVec(bitmap);
      ReleasePathList(&list);
      EndWithDataError();
    }
    // At least a whole colour table, so that the screen colours and saved
    // screen areas always find 768 bytes; a short file leaves the rest zero.
    bitmap->Palette = static_cast<uint8_t*>(
        AllocVec(std::max(entry.paletteSize, kPaletteBytes), MEMF_PUBLIC | MEMF_CLEAR));
    if (bitmap->Palette) (void)std::fread(bitmap->Palette, 1, entry.paletteSize, file);
    std::fclose(file);
    if (!bitmap->Palette) {
      FreeVec(bitmap->Pixels);
      FreeVec(bitmap);
      ReleasePathList(&list);
      return 0;
    }
    PictureBank[index] = bitmap;
    loadedNow = true;
  }
  BitMap* picture = PictureBank[index];

  for (int i = 0; i < 256; ++i) {
    ScreenColors[i].red = picture->Palette[3 * i];
    ScreenColors[i].green = picture->Palette[3 * i + 1];
    ScreenColors[i].blue = picture->Palette[3 * i + 2];
  }

  if (!TheScreen) {
    TheScreen = static_cast<Screen*>(AllocVec(sizeof(Screen), MEMF_PUBLIC | MEMF_CLEAR));
    if (!TheScreen) {
      if (loadedNow) FreeBankSlot(index);
      ReleasePathList(&list);
      return 0;
    }
    InitRastPort(&TheScreen->RastPort);
  }
  TheScreen->Colors = ScreenColors;
  TheScreen->BitMap = picture;
  TheScreen->RastPort.BitMap = picture;

  if (PresenterChoice == kPresenterDirectDraw) {
    picture->Surface = OffscreenSurface;
    BlitObjekt(nullptr, id, 0, 0, kScreenWidth, kScreenHeight);
  }

  if (noFade == 0) FadeIn();

  ReleasePathList(&list);
  return 1;
}

int32_t OpenKadunGfx(const char* listName, uint32_t id) {
  PathList list;
  if (!GetPathList(listName, &list)) {
    std::printf("OpenKadunGFX: Fehler mit PATH File!\n");
    return 0;
  }
  const uint32_t index = id - 1;
  PathEntry entry;
  if (!ReadPathEntry(list, index, false, &entry)) {
    std::printf("OpenKadunGfx:000");
    ReleasePathList(&list);
    return 0;
  }
  if (!PictureBank[index]) {
    FILE* file = platform::OpenFile(entry.pictureFile, "rb");
    if (!file) {
      std::printf("OpenKadunGfx: Konnte Grafik %s nicht oeffnen.\n", entry.pictureFile);
      ReleasePathList(&list);
      return 0;
    }
    BitMap* bitmap = NewBankPicture(entry, listName, index, file);
    std::fclose(file);
    if (!bitmap) {
      ReleasePathList(&list);
      return 0;
    }
    PictureBank[index] = bitmap;
  }
  ReleasePathList(&list);
  return 1;
}

int32_t CloseKadunPic(uint32_t id, uint16_t cache) {
  FadeOut();
  if (HANDLE fade = FadeThreadHandle.load()) WaitForSingleObject(fade, INFINITE);

  BitMap* picture = PictureOf(id);
  if (!picture) {
    std::printf("CloseKadunPic:Das Pic mit der ID:<%d> wurde schon freigegeben.\n",
                static_cast<int>(id));
    return -1;
  }
  if (cache != 0 && !PictureCache[id - 1]) Copy2GfxCache(picture, id);
  FreeBankSlot(id - 1);
  if (cache == 0) ReleaseScreen();
  return 0;
}

void ReleaseScreen() {
  Screen* screen = TheScreen;
  if (!screen) return;
  std::atomic_ref<Screen*>(TheScreen).store(nullptr);
  WaitWhileScreenIsRead();  // the OpenGL presenter may still be reading it
  FreeVec(screen);
}

int32_t ReleaseGfx(uint32_t id) {
  // Ids outside the bank have no slot to release.
  if (id != 0 && id <= kPictureSlots) FreeBankSlot(id - 1);
  return 0;
}

int32_t Copy2GfxCache(BitMap* bitmap, uint32_t id) {
  if (uint64_t{AvailMem()} * 7 / 10 <= 5000000) return 0;
  if (!bitmap || !bitmap->Pixels || id == 0 || id > kPictureSlots) return 0;
  const uint64_t area = uint64_t{bitmap->BytesPerRow} * bitmap->Rows;
  if (area > kMaxPictureBytes) return 0;  // not a bank picture
  const uint32_t size = static_cast<uint32_t>(area);
  auto* copy = static_cast<uint8_t*>(AllocVec(size, MEMF_CLEAR | MEMF_FAST));
  if (!copy) {
    std::printf("Copy2GfxCache: Konnte Speicher f" "\xfc" "r Buffer nicht allokieren\n");
    return 1;
  }
  CopyMem(bitmap->Pixels, copy, size);
  FreeVec(PictureCache[id - 1]);
  PictureCache[id - 1] = copy;
  PictureCacheSize[id - 1] = size;
  return 0;
}

}  // namespace vsk
