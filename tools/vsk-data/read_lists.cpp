#include "vsk-data/read_lists.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "vsk-data/write_picture.h"

namespace vsk::data {

namespace {

constexpr uint64_t kCountOffset = 32;  // names count from here
constexpr uint64_t kEntriesOffset = 36;
constexpr uint64_t kPathEntry = 36;
constexpr uint64_t kSoundEntry = 20;
constexpr size_t kMaxPictureName = 98;  // stored picture names are shorter than 99
constexpr size_t kMaxSoundName = 80;    // the game takes up to 80 characters
constexpr uint64_t kMaxPixels = 4096u * 4096u;

std::string Entry(const char* kind, uint32_t id) { return std::string(kind) + " " + std::to_string(id); }

// The count and room for count entries of size bytes each.
uint32_t ReadCount(ByteSpan data, uint64_t entrySize, const char* kind) {
  if (data.size() < kEntriesOffset) {
    Fail(data.size(), std::string("the ") + kind + " ends before its entry count: it has " +
                          std::to_string(data.size()) + " bytes, the count lies at 32..35");
  }
  uint32_t count = BE32(data, kCountOffset, "the entry count");
  uint64_t needed = kEntriesOffset + uint64_t{count} * entrySize;
  if (needed > data.size()) {
    Fail(kCountOffset, "the entry count " + std::to_string(count) + " needs " + std::to_string(needed) +
                           " bytes of entries but the file has " + std::to_string(data.size()));
  }
  return count;
}

std::string StoredName(ByteSpan data, uint32_t nameOffset, size_t maxLength, const std::string& what) {
  std::string stored = CString(data, kCountOffset + nameOffset, maxLength, what);
  return stored;
}

}  // namespace

uint32_t ReadPathListCount(ByteSpan data) { return ReadCount(data, kPathEntry, "path list"); }

PathRecord ReadPathEntry(ByteSpan data, uint32_t index) {
  uint64_t at = kEntriesOffset + uint64_t{index} * kPathEntry;
  PathRecord e;
  e.id = index + 1;
  e.ident = BE32(data, at, "ident");
  e.width = BE32(data, at + 4, "width");
  e.height = BE32(data, at + 8, "height");
  e.depth = BE32(data, at + 12, "depth");
  e.flags = BE32(data, at + 16, "flags");
  e.pictureNameOffset = BE32(data, at + 20, "picture name offset");
  e.dataSize = BE32(data, at + 24, "data size");
  e.paletteNameOffset = BE32(data, at + 28, "palette name offset");
  e.paletteSize4 = BE32(data, at + 32, "palette size");
  std::string what = Entry("the entry of picture id", e.id);
  uint64_t area = uint64_t{e.width} * e.height;
  if (area > kMaxPixels) {
    Fail(at + 4, what + " asks for " + std::to_string(e.width) + " x " + std::to_string(e.height) +
                     " pixels, more than 4096 x 4096");
  }
  if (e.dataSize != area) {
    Fail(at + 24, what + " has a data size of " + std::to_string(e.dataSize) + " bytes but is " +
                      std::to_string(e.width) + " x " + std::to_string(e.height) + " pixels");
  }
  if (e.paletteSize4 % 4 != 0 || e.paletteSize4 / 4 > 768) {
    Fail(at + 32, what + " has a palette field of " + std::to_string(e.paletteSize4) +
                      "; it must be 4 x the palette bytes, at most 3072");
  }
  e.pictureStored = StoredName(data, e.pictureNameOffset, kMaxPictureName,
                               "the stored picture name of picture id " + std::to_string(e.id));
  e.paletteStored = StoredName(data, e.paletteNameOffset, kMaxPictureName,
                               "the stored palette name of picture id " + std::to_string(e.id));
  e.pictureFile = DeriveFileName(e.pictureStored, "chk");
  e.paletteFile = DeriveFileName(e.paletteStored, "cma");
  if (e.pictureFile.empty()) {
    Fail(kCountOffset + e.pictureNameOffset,
         "the stored picture name " + Quote(e.pictureStored) + " of picture id " + std::to_string(e.id) +
             " has fewer than the 8 characters the file name is cut from");
  }
  if (e.paletteFile.empty()) {
    Fail(kCountOffset + e.paletteNameOffset,
         "the stored palette name " + Quote(e.paletteStored) + " of picture id " + std::to_string(e.id) +
             " has fewer than the 8 characters the file name is cut from");
  }
  return e;
}

PathListData ReadPathList(ByteSpan data) {
  PathListData list;
  list.count = ReadPathListCount(data);
  for (uint32_t i = 0; i < list.count; ++i) list.entries.push_back(ReadPathEntry(data, i));
  return list;
}

uint32_t ReadSoundListCount(ByteSpan data) { return ReadCount(data, kSoundEntry, "sound list"); }

SoundRecord ReadSoundEntry(ByteSpan data, uint32_t index) {
  uint64_t at = kEntriesOffset + uint64_t{index} * kSoundEntry;
  SoundRecord e;
  e.id = index + 1;
  e.unused0 = BE32(data, at, "entry");
  e.dataSize = BE32(data, at + 4, "data size");
  e.rate = BE32(data, at + 8, "rate");
  e.nameOffset = BE32(data, at + 12, "name offset");
  e.unused4 = BE32(data, at + 16, "entry");
  std::string what = Entry("the entry of sound id", e.id);
  if (e.dataSize % 2 != 0) {
    Fail(at + 4, what + " has an odd data size of " + std::to_string(e.dataSize) +
                     " bytes; samples are 16-bit");
  }
  if (e.rate == 0) Fail(at + 8, what + " has a sample rate of 0 Hz");
  e.stored = StoredName(data, e.nameOffset, kMaxSoundName,
                        "the stored sample name of sound id " + std::to_string(e.id));
  if (e.stored.size() <= 4) {
    Fail(kCountOffset + e.nameOffset, "the stored sample name " + Quote(e.stored) + " of sound id " +
                                          std::to_string(e.id) +
                                          " has nothing left once its first 4 characters are dropped");
  }
  e.file = e.stored.substr(4);
  for (char& c : e.file) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return e;
}

SoundListData ReadSoundList(ByteSpan data) {
  SoundListData list;
  list.count = ReadSoundListCount(data);
  for (uint32_t i = 0; i < list.count; ++i) list.entries.push_back(ReadSoundEntry(data, i));
  return list;
}

std::string GameDirOfList(const std::string& listPath) {
  std::filesystem::path path(listPath);
  std::filesystem::path dir = path.parent_path().parent_path();
  return dir.empty() ? std::string(".") : dir.string();
}

std::string FindGameDirAbove(const std::string& path, const char* list) {
  std::error_code error;
  std::filesystem::path dir = std::filesystem::absolute(path, error).parent_path();
  if (error) return "";
  for (int depth = 0; depth < 32 && !dir.empty(); ++depth) {
    std::string candidate = ResolveInGameDir(dir.string(), list);
    if (FileSizeOf(candidate) >= 0) return dir.string();
    if (dir == dir.parent_path()) break;
    dir = dir.parent_path();
  }
  return "";
}

}  // namespace vsk::data
