// The path list, picture, palette and pointer files.
#include "vsk-data/write_picture.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "pictures/bank.h"

namespace vsk::data {

std::string StoredPictureName(const std::string& base) { return "VSK:" + base + ".pict"; }
std::string StoredPaletteName(const std::string& base) { return "VSK:" + base + ".cmap"; }

std::string DeriveFileName(const std::string& stored, const char* extension) {
  // The client's own derivation, so the kit names exactly the file it opens.
  char name[vsk::kMaxStoredName + 1];
  if (!vsk::DeriveFileName(stored.c_str(), static_cast<uint32_t>(stored.size()), extension, name)) return "";
  return name;
}

ByteBuffer BuildPathList(const std::map<uint32_t, PathListPicture>& pictures,
                         const PathListPicture& filler) {
  uint32_t count = pictures.empty() ? 0 : pictures.rbegin()->first;
  ByteBuffer out;
  PutBytes(out, kPathListMagic, std::strlen(kPathListMagic));
  PutZeros(out, kPathListHeaderSize - out.size());
  PutBE32(out, count);
  size_t entriesAt = out.size();
  PutZeros(out, size_t{count} * kPathEntrySize);

  // Names are stored once each; the filler's pair is shared by every gap.
  std::map<std::string, uint32_t> nameOffsets;
  auto nameOffset = [&](const std::string& stored) {
    auto found = nameOffsets.find(stored);
    if (found != nameOffsets.end()) return found->second;
    auto offset = static_cast<uint32_t>(out.size() - kPathListHeaderSize);
    PutBytes(out, stored.c_str(), stored.size() + 1);
    nameOffsets.emplace(stored, offset);
    return offset;
  };
  for (uint32_t id = 1; id <= count; ++id) {
    auto found = pictures.find(id);
    const PathListPicture& p = found != pictures.end() ? found->second : filler;
    size_t at = entriesAt + size_t{id - 1} * kPathEntrySize;
    SetBE32(out, at + 0, p.ident);
    SetBE32(out, at + 4, p.width);
    SetBE32(out, at + 8, p.height);
    SetBE32(out, at + 12, p.depth);
    SetBE32(out, at + 16, p.flags);
    SetBE32(out, at + 20, nameOffset(StoredPictureName(p.base)));
    SetBE32(out, at + 24, p.width * p.height);
    SetBE32(out, at + 28, nameOffset(StoredPaletteName(p.base)));
    SetBE32(out, at + 32, p.hasPalette ? kPaletteFileSize * 4 : 0);
  }
  return out;
}

ByteBuffer BuildPictureFile(const IndexedImage& image) {
  return ByteBuffer(image.pixels.begin(), image.pixels.end());
}

ByteBuffer BuildPaletteFile(const Palette& palette) {
  ByteBuffer out;
  out.reserve(kPaletteFileSize);
  for (const Rgb& c : palette) {
    out.push_back(c.r);
    out.push_back(c.g);
    out.push_back(c.b);
  }
  return out;
}

namespace {

std::string Below(const std::string& gameDir, const std::string& relative) {
  std::string path = relative;
  if (path.rfind("./", 0) == 0) path = path.substr(2);
  return gameDir.empty() ? path : gameDir + "/" + path;
}

}  // namespace

bool WritePictureFiles(const std::string& gameDir, const PathListPicture& entry,
                       const IndexedImage& image, const Palette* palette, std::string* error) {
  if (image.width != entry.width || image.height != entry.height ||
      image.pixels.size() != size_t{image.width} * image.height) {
    if (error)
      *error = "the picture for " + entry.base + " is " + std::to_string(image.width) + " x " +
               std::to_string(image.height) + " but its entry says " + std::to_string(entry.width) +
               " x " + std::to_string(entry.height);
    return false;
  }
  if (!WriteFileAtomic(Below(gameDir, entry.base + ".chk"), BuildPictureFile(image), error))
    return false;
  if (entry.hasPalette) {
    if (!palette) {
      if (error) *error = "the picture " + entry.base + " needs a palette";
      return false;
    }
    if (!WriteFileAtomic(Below(gameDir, entry.base + ".cma"), BuildPaletteFile(*palette), error))
      return false;
  }
  return true;
}

}  // namespace vsk::data
