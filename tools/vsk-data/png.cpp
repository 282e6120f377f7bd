// vsk-data png: a picture of a path list, or a font sample, as a PNG file.
//
//   vsk-data png PATHLIST ID OUT.png [--palette FILE.cma]
//   vsk-data png --font FONT.fnt OUT.png [TEXT] [--palette FILE.cma]
//
// A picture is shown with its own palette unless one is given. A font
// sample shows TEXT (UTF-8, "\n" starts a new line; by default the font's
// whole character range and a line of German text). Single-colour glyphs
// are drawn dark on light paper; a multi-colour font keeps its colour
// indices, shown through the given palette, else the palette of the title
// picture (id 1) of the game directory the font lies in, else a ramp.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "vsk-data/commands.h"
#include "vsk-data/png_write.h"
#include "vsk-data/read_font.h"
#include "vsk-data/read_lists.h"
#include "vsk-data/write_file.h"

namespace vsk::data {

namespace {

constexpr uint32_t kMargin = 4;

int Usage() {
  std::fprintf(stderr,
               "usage: vsk-data png PATHLIST ID OUT.png [--palette FILE.cma]\n"
               "       vsk-data png --font FONT.fnt OUT.png [TEXT] [--palette FILE.cma]\n");
  return 2;
}

int Broken(const std::string& sentence) {
  std::fprintf(stderr, "vsk-data: %s.\n", sentence.c_str());
  return 1;
}

bool LoadPalette(const std::string& path, uint32_t bytesWanted, Palette* palette, std::string* error) {
  ByteBuffer bytes;
  if (!ReadWholeFile(path, &bytes, error, 1 << 20)) return false;
  if (bytes.size() < bytesWanted || bytes.size() != 768) {
    *error = path + " has " + std::to_string(bytes.size()) + " bytes; a palette file has 768";
    return false;
  }
  for (size_t i = 0; i < 256; ++i) (*palette)[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
  return true;
}

// The palette of a picture id of the list at listPath; false with a sentence.
bool PaletteOfPicture(const std::string& listPath, const PathListData& list, uint32_t id, Palette* palette,
                      std::string* error) {
  const PathRecord& entry = list.entries[id - 1];
  if (!entry.PaletteBytes()) {
    *error = "picture id " + std::to_string(id) + " has no palette of its own; give one with --palette";
    return false;
  }
  return LoadPalette(ResolveInGameDir(GameDirOfList(listPath), entry.paletteFile), entry.PaletteBytes(), palette,
                     error);
}

bool ReadList(const std::string& listPath, PathListData* list, std::string* error) {
  ByteBuffer bytes;
  if (!ReadWholeFile(listPath, &bytes, error)) return false;
  try {
    *list = ReadPathList(bytes);
  } catch (const FormatError& e) {
    *error = listPath + ": broken path list: " + e.what();
    return false;
  }
  return true;
}

int PicturePng(const std::string& listPath, const std::string& idText, const std::string& outPath,
               const std::optional<std::string>& palettePath) {
  char* end = nullptr;
  unsigned long id = std::strtoul(idText.c_str(), &end, 10);
  if (idText.empty() || *end != '\0' || id == 0 || id > 1095) {
    std::fprintf(stderr, "vsk-data: the picture id \"%s\" is not a number from 1 to 1095.\n", idText.c_str());
    return 2;
  }
  PathListData list;
  std::string error;
  if (!ReadList(listPath, &list, &error)) return Broken(error);
  if (id > list.count) {
    return Broken(listPath + " has " + std::to_string(list.count) + " picture ids, not " + std::to_string(id));
  }
  const PathRecord& entry = list.entries[id - 1];
  const std::string picturePath = ResolveInGameDir(GameDirOfList(listPath), entry.pictureFile);
  ByteBuffer pixels;
  if (!ReadWholeFile(picturePath, &pixels, &error)) return Broken(error);
  if (pixels.size() != entry.dataSize) {
    return Broken(picturePath + " has " + std::to_string(pixels.size()) + " bytes but picture id " +
                  std::to_string(id) + " is " + std::to_string(entry.width) + " x " + std::to_string(entry.height));
  }
  Palette palette{};
  bool paletteOk = palettePath ? LoadPalette(*palettePath, 0, &palette, &error)
                               : PaletteOfPicture(listPath, list, static_cast<uint32_t>(id), &palette, &error);
  if (!paletteOk) return Broken(error);
  IndexedImage image;
  image.width = entry.width;
  image.height = entry.height;
  image.pixels.assign(pixels.begin(), pixels.end());
  if (!WritePng(outPath, image, palette)) return Broken("cannot write " + outPath);
  std::printf("picture id %lu (%u x %u) written to %s\n", id, entry.width, entry.height, outPath.c_str());
  return 0;
}

std::string DefaultSample(const FontData& font) {
  std::string text;
  int column = 0;
  for (int c = font.loChar; c <= font.hiChar; ++c) {
    if (c == '\n') continue;
    text.push_back(static_cast<char>(c));
    if (++column == 32) {
      text.push_back('\n');
      column = 0;
    }
  }
  std::string german;
  Utf8ToCp1252("\nVeskaria: Die Residenz des Herrschers von Kadun. Grüße, Öl, Äxte, Übermut.", &german);
  return text + german;
}

int FontPng(const std::string& fontPath, const std::string& outPath, const std::optional<std::string>& textUtf8,
            const std::optional<std::string>& palettePath) {
  ByteBuffer bytes;
  std::string error;
  if (!ReadWholeFile(fontPath, &bytes, &error)) return Broken(error);
  FontData font;
  try {
    font = ReadFont(bytes);
  } catch (const FormatError& e) {
    return Broken(fontPath + ": broken font: " + e.what());
  }
  std::string text;
  if (textUtf8) {
    size_t bad = 0;
    if (!Utf8ToCp1252(*textUtf8, &text, &bad)) {
      std::fprintf(stderr, "vsk-data: the text has no Windows-1252 character at byte %zu.\n", bad);
      return 2;
    }
  } else {
    text = DefaultSample(font);
  }
  Palette palette{};
  uint8_t paper = 0, ink = 1;
  if (palettePath) {
    if (!LoadPalette(*palettePath, 0, &palette, &error)) return Broken(error);
  } else if (font.multiColour) {
    // The title picture's palette of the game directory the font lies in.
    bool found = false;
    std::string gameDir = FindGameDirAbove(fontPath, "data/path");
    PathListData list;
    std::string ignored;
    if (!gameDir.empty()) {
      std::string listPath = ResolveInGameDir(gameDir, "data/path");
      found = ReadList(listPath, &list, &ignored) && list.count >= 1 &&
              PaletteOfPicture(listPath, list, 1, &palette, &ignored);
    }
    if (!found) {
      for (int i = 0; i < 256; ++i) {
        palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>((i * 7) & 0xFF),
                      static_cast<uint8_t>(255 - i)};
      }
      palette[0] = {16, 16, 24};
    }
  } else {
    palette[0] = {240, 232, 208};  // paper
    palette[1] = {40, 28, 16};     // ink
  }
  IndexedImage image = RenderFontText(font, text, paper, ink, kMargin);
  if (image.width == 0) {
    return Broken("the sample of " + fontPath + " would be more than " + std::to_string(kMaxRenderSide) +
                  " pixels wide or high");
  }
  if (!WritePng(outPath, image, palette)) return Broken("cannot write " + outPath);
  std::printf("font sample (%u x %u) written to %s\n", image.width, image.height, outPath.c_str());
  return 0;
}

}  // namespace

int RunPng(const Args& args) {
  std::optional<std::string> palette;
  Args rest;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--palette") {
      if (i + 1 == args.size() || palette) return Usage();
      palette = args[++i];
    } else {
      rest.push_back(args[i]);
    }
  }
  if (!rest.empty() && rest[0] == "--font") {
    if (rest.size() < 3 || rest.size() > 4) return Usage();
    std::optional<std::string> text;
    if (rest.size() == 4) text = rest[3];
    return FontPng(rest[1], rest[2], text, palette);
  }
  if (rest.size() != 3) return Usage();
  return PicturePng(rest[0], rest[1], rest[2], palette);
}

}  // namespace vsk::data
