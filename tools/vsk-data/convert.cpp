// vsk-data convert: game files from PNG, BMP, TTF, WAV and text manifests.
#include "vsk-data/convert.h"

#include <png.h>
#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <unordered_map>

#include "catalog/strings.h"
#include "vsk-data/commands.h"
#include "vsk-data/write_file.h"
#include "vsk-data/write_font.h"

namespace vsk::data {

const char kManifestHelp[] =
    "Manifests are UTF-8 text, one item a line; lines starting with '#' and blank lines\n"
    "are ignored. Numbers are decimal or 0x hexadecimal.\n"
    "\n"
    "path list (vsk-data convert pathlist MANIFEST OUT):\n"
    "  <id> <base> <width> <height> [nopalette]\n"
    "  filler <base> <width> <height>        entry of every id without a line\n"
    "  base: the files without extension, lower case, relative to the game\n"
    "  directory, e.g. ./data/pics/title for title.chk and title.cma\n"
    "\n"
    "sound list (vsk-data convert soundlist MANIFEST OUT [--root GAMEDIR]):\n"
    "  <id> <file> <rate>                    sizes are taken from the files\n"
    "  filler <file> <rate>\n"
    "\n"
    "catalog (vsk-data convert catalog MANIFEST OUT):\n"
    "  version: <text>     language: <text>     author: <text>\n"
    "  <number>: <text>                      \\n is a line feed, \\\\ a backslash\n"
    "\n"
    "screen data (vsk-data convert screendata MANIFEST OUT):\n"
    "  label <name> <text number> [<w0> <w1> <w2> <w3>]\n"
    "  gadget <image> <pressed> <left> <top> <right> <bottom> <COMMAND>\n"
    "         [flags=<n>] [inactive=<n>] [label=<name>]\n"
    "         flags: 1 repeats, 2 hidden, 4 labelled, 8 colour 0 transparent\n"
    "  frame <left> <top> <right> <bottom>\n"
    "  town <flags> <value> <level> [up to 22 further 16-bit words]\n";

// ---- pictures ----------------------------------------------------------------

namespace {

constexpr uint32_t kMaxSourceSide = 4096;

bool LoadPng(const ByteBuffer& bytes, const std::string& path, RgbaImage* image, std::string* error) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
    *error = path + " is not a readable PNG file (" + png.message + ")";
    return false;
  }
  if (png.width == 0 || png.height == 0 || png.width > kMaxSourceSide || png.height > kMaxSourceSide) {
    *error = path + " is " + std::to_string(png.width) + " x " + std::to_string(png.height) +
             " pixels; pictures must be 1 to 4096 pixels on each side";
    png_image_free(&png);
    return false;
  }
  png.format = PNG_FORMAT_RGBA;
  image->width = png.width;
  image->height = png.height;
  image->pixels.assign(size_t{png.width} * png.height * 4, 0);
  if (!png_image_finish_read(&png, nullptr, image->pixels.data(), 0, nullptr)) {
    *error = path + " is a damaged PNG file (" + png.message + ")";
    png_image_free(&png);
    return false;
  }
  return true;
}

bool LoadBmp(const std::string& path, RgbaImage* image, std::string* error) {
  SDL_Surface* loaded = SDL_LoadBMP(path.c_str());
  if (!loaded) {
    *error = path + " is not a readable BMP file (" + SDL_GetError() + ")";
    return false;
  }
  SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
  SDL_FreeSurface(loaded);
  if (!rgba) {
    *error = path + " cannot be converted to RGBA (" + SDL_GetError() + ")";
    return false;
  }
  bool ok = rgba->w > 0 && rgba->h > 0 && rgba->w <= int(kMaxSourceSide) && rgba->h <= int(kMaxSourceSide);
  if (!ok) {
    *error = path + " is " + std::to_string(rgba->w) + " x " + std::to_string(rgba->h) +
             " pixels; pictures must be 1 to 4096 pixels on each side";
  } else {
    image->width = static_cast<uint32_t>(rgba->w);
    image->height = static_cast<uint32_t>(rgba->h);
    image->pixels.resize(size_t{image->width} * image->height * 4);
    SDL_LockSurface(rgba);
    for (uint32_t y = 0; y < image->height; ++y)
      std::memcpy(&image->pixels[size_t{y} * image->width * 4],
                  static_cast<const uint8_t*>(rgba->pixels) + size_t(y) * rgba->pitch, size_t{image->width} * 4);
    SDL_UnlockSurface(rgba);
  }
  SDL_FreeSurface(rgba);
  return ok;
}

}  // namespace

bool LoadSourcePicture(const std::string& path, RgbaImage* image, std::string* error) {
  ByteBuffer bytes;
  if (!ReadWholeFile(path, &bytes, error, size_t{128} << 20)) return false;
  static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kPngSignature, 8) == 0)
    return LoadPng(bytes, path, image, error);
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return LoadBmp(path, image, error);
  *error = path + " is neither a PNG nor a BMP file";
  return false;
}

bool ParseRegisterList(const std::string& text, RegisterMask* mask, std::string* error) {
  mask->fill(false);
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    if (item.empty()) continue;
    char* end = nullptr;
    long first = std::strtol(item.c_str(), &end, 10);
    long last = first;
    if (*end == '-') last = std::strtol(end + 1, &end, 10);
    if (*end != '\0' || end == item.c_str() || first < 0 || last > 255 || first > last) {
      *error = "\"" + item + "\" is not a register or a range of registers within 0-255";
      return false;
    }
    for (long r = first; r <= last; ++r) (*mask)[static_cast<size_t>(r)] = true;
  }
  return true;
}

namespace {

uint32_t Distance(const Rgb& a, uint8_t r, uint8_t g, uint8_t b) {
  int dr = a.r - r, dg = a.g - g, db = a.b - b;
  // Weighted by the eye's sensitivity: green counts most, blue least.
  return static_cast<uint32_t>(3 * dr * dr + 4 * dg * dg + 2 * db * db);
}

// Median cut: splits the colours (with their pixel counts) into at most
// `boxes` groups along their widest channel, and returns each group's mean.
std::vector<Rgb> MedianCut(std::vector<std::pair<uint32_t, uint32_t>> colours, size_t boxes) {
  struct Box {
    size_t begin, end;
  };
  auto channel = [](uint32_t rgb, int c) { return (rgb >> (16 - 8 * c)) & 0xFF; };
  std::vector<Box> list{{0, colours.size()}};
  while (list.size() < boxes) {
    // The box with the widest range that can still be split.
    int best = -1, bestChannel = 0;
    uint32_t bestRange = 0;
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i].end - list[i].begin < 2) continue;
      for (int c = 0; c < 3; ++c) {
        uint32_t lo = 255, hi = 0;
        for (size_t k = list[i].begin; k < list[i].end; ++k) {
          lo = std::min(lo, channel(colours[k].first, c));
          hi = std::max(hi, channel(colours[k].first, c));
        }
        if (best < 0 || hi - lo > bestRange) {
          best = static_cast<int>(i);
          bestChannel = c;
          bestRange = hi - lo;
        }
      }
    }
    if (best < 0) break;
    Box box = list[static_cast<size_t>(best)];
    std::sort(colours.begin() + static_cast<long>(box.begin), colours.begin() + static_cast<long>(box.end),
              [&](const auto& a, const auto& b) {
                uint32_t ca = channel(a.first, bestChannel), cb = channel(b.first, bestChannel);
                return ca != cb ? ca < cb : a.first < b.first;
              });
    // Split where half of the pixels lie on each side.
    uint64_t total = 0, running = 0;
    for (size_t k = box.begin; k < box.end; ++k) total += colours[k].second;
    size_t split = box.begin + 1;
    for (size_t k = box.begin; k < box.end - 1; ++k) {
      running += colours[k].second;
      split = k + 1;
      if (running * 2 >= total) break;
    }
    list[static_cast<size_t>(best)] = {box.begin, split};
    list.push_back({split, box.end});
  }
  std::vector<Rgb> means;
  for (const Box& box : list) {
    uint64_t sum[3] = {0, 0, 0}, count = 0;
    for (size_t k = box.begin; k < box.end; ++k) {
      for (int c = 0; c < 3; ++c) sum[c] += uint64_t{channel(colours[k].first, c)} * colours[k].second;
      count += colours[k].second;
    }
    if (!count) continue;
    means.push_back({static_cast<uint8_t>((sum[0] + count / 2) / count), static_cast<uint8_t>((sum[1] + count / 2) / count),
                     static_cast<uint8_t>((sum[2] + count / 2) / count)});
  }
  return means;
}

}  // namespace

bool IndexPicture(const RgbaImage& source, const Palette* given, const RegisterMask& reserved,
                  IndexedImage* image, Palette* palette, std::string* error) {
  size_t count = size_t{source.width} * source.height;
  if (source.pixels.size() != count * 4 || count == 0) {
    *error = "the picture has no pixels";
    return false;
  }
  bool transparent = false;
  std::vector<uint32_t> order;  // opaque colours in order of first appearance
  std::unordered_map<uint32_t, uint32_t> pixelsOf;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = &source.pixels[i * 4];
    if (p[3] < 128) {
      transparent = true;
      continue;
    }
    uint32_t rgb = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    if (pixelsOf[rgb]++ == 0) order.push_back(rgb);
  }
  std::vector<uint8_t> free;
  for (int r = 0; r < 256; ++r) {
    if (reserved[static_cast<size_t>(r)]) continue;
    if (r == 0 && (transparent || given)) continue;
    free.push_back(static_cast<uint8_t>(r));
  }
  if (free.empty() && !order.empty()) {
    *error = "every register is reserved; no colour is left for the picture";
    return false;
  }

  std::unordered_map<uint32_t, uint8_t> indexOf;
  Palette result{};
  if (given) {
    result = *given;
  } else if (order.size() <= free.size()) {
    for (size_t i = 0; i < order.size(); ++i) {
      uint8_t r = free[i];
      result[r] = {static_cast<uint8_t>(order[i] >> 16), static_cast<uint8_t>(order[i] >> 8),
                   static_cast<uint8_t>(order[i])};
      indexOf[order[i]] = r;
    }
  } else {
    std::vector<std::pair<uint32_t, uint32_t>> colours;
    for (uint32_t rgb : order) colours.emplace_back(rgb, pixelsOf[rgb]);
    std::vector<Rgb> means = MedianCut(std::move(colours), free.size());
    for (size_t i = 0; i < means.size(); ++i) result[free[i]] = means[i];
    free.resize(means.size());
  }
  // Everything not placed exactly goes to the nearest free register.
  for (uint32_t rgb : order) {
    if (indexOf.count(rgb)) continue;
    auto r = static_cast<uint8_t>(rgb >> 16), g = static_cast<uint8_t>(rgb >> 8), b = static_cast<uint8_t>(rgb);
    uint8_t best = free[0];
    uint32_t bestDistance = UINT32_MAX;
    for (uint8_t candidate : free) {
      uint32_t d = Distance(result[candidate], r, g, b);
      if (d < bestDistance) {
        bestDistance = d;
        best = candidate;
      }
    }
    indexOf[rgb] = best;
  }
  image->width = source.width;
  image->height = source.height;
  image->pixels.assign(count, 0);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = &source.pixels[i * 4];
    if (p[3] < 128) continue;
    image->pixels[i] = indexOf[(uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]];
  }
  *palette = result;
  return true;
}

// ---- manifests -----------------------------------------------------------------

namespace {

struct ManifestLine {
  int number;
  std::string text;
  std::vector<std::string> words;
};

std::vector<ManifestLine> SplitManifest(const std::string& text) {
  std::vector<ManifestLine> lines;
  std::stringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    ManifestLine item{number, line.substr(first), {}};
    std::stringstream words(item.text);
    std::string word;
    while (words >> word) item.words.push_back(word);
    lines.push_back(std::move(item));
  }
  return lines;
}

std::string At(int line) { return "line " + std::to_string(line) + ": "; }

bool Number(const std::string& word, uint64_t max, uint64_t* value) {
  if (word.empty()) return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(word.c_str(), &end, 0);
  if (*end != '\0' || errno || word[0] == '-' || v > max) return false;
  *value = v;
  return true;
}

bool U16(const ManifestLine& l, const std::string& word, const char* what, uint16_t* out, std::string* error) {
  uint64_t v;
  if (!Number(word, 0xFFFF, &v)) {
    *error = At(l.number) + what + " \"" + word + "\" is not a number from 0 to 65535";
    return false;
  }
  *out = static_cast<uint16_t>(v);
  return true;
}

bool U32(const ManifestLine& l, const std::string& word, const char* what, uint32_t* out, std::string* error) {
  uint64_t v;
  if (!Number(word, 0xFFFFFFFF, &v)) {
    *error = At(l.number) + what + " \"" + word + "\" is not a number from 0 to 4294967295";
    return false;
  }
  *out = static_cast<uint32_t>(v);
  return true;
}

// "\n" → line feed, "\t" → tab, "\\" → backslash.
bool Unescape(const std::string& in, std::string* out) {
  out->clear();
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\') {
      out->push_back(in[i]);
      continue;
    }
    if (++i == in.size()) return false;
    switch (in[i]) {
      case 'n': out->push_back('\n'); break;
      case 't': out->push_back('\t'); break;
      case '\\': out->push_back('\\'); break;
      default: return false;
    }
  }
  return true;
}

bool LowerCaseName(const std::string& name) {
  return std::none_of(name.begin(), name.end(), [](char c) { return std::isupper(static_cast<unsigned char>(c)); });
}

}  // namespace

bool ParseCatalogManifest(const std::string& text, CatalogContent* content, std::string* error) {
  *content = CatalogContent{};
  bool any = false;
  for (const ManifestLine& l : SplitManifest(text)) {
    size_t colon = l.text.find(':');
    if (colon == std::string::npos) {
      *error = At(l.number) + "expected \"<number>: <text>\" or \"version:\", \"language:\", \"author:\"";
      return false;
    }
    std::string key = l.text.substr(0, colon);
    std::string value = l.text.substr(colon + 1);
    if (!value.empty() && value[0] == ' ') value.erase(0, 1);
    std::string unescaped, converted;
    size_t bad = 0;
    if (!Unescape(value, &unescaped)) {
      *error = At(l.number) + "a backslash must be followed by n, t or another backslash";
      return false;
    }
    if (!Utf8ToCp1252(unescaped, &converted, &bad)) {
      *error = At(l.number) + "the text is not UTF-8 or holds a character Windows-1252 has no code for (byte " +
               std::to_string(bad + 1) + " of the text)";
      return false;
    }
    if (key == "version") {
      content->version = converted;
    } else if (key == "language") {
      content->language = converted;
    } else if (key == "author") {
      content->author = converted;
    } else {
      uint64_t number;
      if (!Number(key, UINT32_MAX, &number)) {
        *error = At(l.number) + "\"" + key + "\" is neither a string number nor version, language or author";
        return false;
      }
      if (number >= kStringCount) {
        *error = At(l.number) + "string number " + key + " is beyond the game's " + std::to_string(kStringCount) +
                 " strings (0 to " + std::to_string(kStringCount - 1) + ")";
        return false;
      }
      if (!content->strings.emplace(static_cast<uint32_t>(number), converted).second) {
        *error = At(l.number) + "string number " + key + " is given twice";
        return false;
      }
      any = true;
    }
  }
  if (!any) {
    *error = "the manifest holds no strings";
    return false;
  }
  return true;
}

bool ParseScreenDataManifest(const std::string& text, ScreenDataContent* content, std::string* error) {
  *content = ScreenDataContent{};
  std::map<std::string, int32_t> labels;
  std::vector<std::pair<size_t, std::pair<std::string, int>>> wantedLabels;  // gadget → name, line
  for (const ManifestLine& l : SplitManifest(text)) {
    const std::vector<std::string>& w = l.words;
    const std::string& kind = w[0];
    if (kind == "label") {
      if (w.size() != 3 && w.size() != 7) {
        *error = At(l.number) + "expected \"label <name> <text number> [<w0> <w1> <w2> <w3>]\"";
        return false;
      }
      LabelEntry label;
      if (!U32(l, w[2], "text number", &label.text, error)) return false;
      for (size_t i = 0; i + 3 < w.size(); ++i)
        if (!U16(l, w[3 + i], "label word", &label.words[i], error)) return false;
      if (!labels.emplace(w[1], static_cast<int32_t>(content->labels.size())).second) {
        *error = At(l.number) + "the label \"" + w[1] + "\" is defined twice";
        return false;
      }
      content->labels.push_back(label);
    } else if (kind == "gadget") {
      if (w.size() < 8) {
        *error = At(l.number) + "expected \"gadget <image> <pressed> <left> <top> <right> <bottom> <COMMAND> ...\"";
        return false;
      }
      GadgetEntry g;
      if (!U16(l, w[1], "image", &g.image, error) || !U16(l, w[2], "pressed image", &g.pressedImage, error) ||
          !U16(l, w[3], "left", &g.left, error) || !U16(l, w[4], "top", &g.top, error) ||
          !U16(l, w[5], "right", &g.right, error) || !U16(l, w[6], "bottom", &g.bottom, error))
        return false;
      if (w[7].size() != 4) {
        *error = At(l.number) + "the command \"" + w[7] + "\" must be four characters, such as OKOK";
        return false;
      }
      g.command = CommandCode(w[7].c_str());
      if (g.right < g.left || g.bottom < g.top) {
        *error = At(l.number) + "the gadget's right or bottom edge lies before its left or top edge";
        return false;
      }
      for (size_t i = 8; i < w.size(); ++i) {
        size_t eq = w[i].find('=');
        std::string key = w[i].substr(0, eq), value = eq == std::string::npos ? "" : w[i].substr(eq + 1);
        if (key == "flags" && eq != std::string::npos) {
          if (!U16(l, value, "flags", &g.flags, error)) return false;
        } else if (key == "inactive" && eq != std::string::npos) {
          if (!U16(l, value, "inactive", &g.inactive, error)) return false;
        } else if (key == "label" && !value.empty()) {
          wantedLabels.push_back({content->gadgets.size(), {value, l.number}});
        } else {
          *error = At(l.number) + "\"" + w[i] + "\" is not flags=<n>, inactive=<n> or label=<name>";
          return false;
        }
      }
      content->gadgets.push_back(g);
    } else if (kind == "frame") {
      FrameEntry f;
      if (w.size() != 5) {
        *error = At(l.number) + "expected \"frame <left> <top> <right> <bottom>\"";
        return false;
      }
      if (!U16(l, w[1], "left", &f.left, error) || !U16(l, w[2], "top", &f.top, error) ||
          !U16(l, w[3], "right", &f.right, error) || !U16(l, w[4], "bottom", &f.bottom, error))
        return false;
      content->frames.push_back(f);
    } else if (kind == "town") {
      if (w.size() < 4 || w.size() > 26) {
        *error = At(l.number) + "expected \"town <flags> <value> <level> [up to 22 further words]\"";
        return false;
      }
      TownTemplate t;
      if (!U16(l, w[1], "flags", &t.flags, error) || !U32(l, w[2], "value", &t.value, error) ||
          !U16(l, w[3], "level", &t.level, error))
        return false;
      uint16_t* slots[22];
      size_t n = 0;
      for (uint16_t& v : t.words8) slots[n++] = &v;
      for (uint16_t& v : t.words12) slots[n++] = &v;
      for (uint16_t& v : t.words30) slots[n++] = &v;
      for (uint16_t& v : t.words44) slots[n++] = &v;
      for (size_t i = 4; i < w.size(); ++i)
        if (!U16(l, w[i], "town word", slots[i - 4], error)) return false;
      if (content->towns.size() == 235) {
        *error = At(l.number) + "a town has at most 235 building templates";
        return false;
      }
      content->towns.push_back(t);
    } else {
      *error = At(l.number) + "\"" + kind + "\" is not label, gadget, frame or town";
      return false;
    }
  }
  for (const auto& [gadget, wanted] : wantedLabels) {
    auto found = labels.find(wanted.first);
    if (found == labels.end()) {
      *error = At(wanted.second) + "the label \"" + wanted.first + "\" is not defined";
      return false;
    }
    content->gadgets[gadget].label = found->second;
  }
  if (content->labels.empty() && content->gadgets.empty() && content->frames.empty() && content->towns.empty()) {
    *error = "the manifest describes no records";
    return false;
  }
  return true;
}

bool ParsePathListManifest(const std::string& text, std::map<uint32_t, PathListPicture>* pictures,
                           PathListPicture* filler, std::string* error) {
  pictures->clear();
  bool haveFiller = false;
  for (const ManifestLine& l : SplitManifest(text)) {
    const std::vector<std::string>& w = l.words;
    bool isFiller = w[0] == "filler";
    if (w.size() != 4 && !(w.size() == 5 && w[4] == "nopalette")) {
      *error = At(l.number) + "expected \"<id> <base> <width> <height> [nopalette]\" or \"filler <base> <width> <height>\"";
      return false;
    }
    PathListPicture p;
    p.base = w[1];
    p.hasPalette = w.size() == 4;
    if (!U32(l, w[2], "width", &p.width, error) || !U32(l, w[3], "height", &p.height, error)) return false;
    if (p.width == 0 || p.height == 0 || p.width > kMaxSourceSide || p.height > kMaxSourceSide) {
      *error = At(l.number) + "pictures must be 1 to 4096 pixels on each side";
      return false;
    }
    if (!LowerCaseName(p.base) || p.base.size() > 89) {
      *error = At(l.number) + "the base name must be lower case (the game lowers every name) and at most 89 characters";
      return false;
    }
    if (isFiller) {
      *filler = p;
      haveFiller = true;
      continue;
    }
    uint32_t id;
    if (!U32(l, w[0], "picture id", &id, error)) return false;
    if (id < 1 || id > kMaxPictureId) {
      *error = At(l.number) + "picture id " + w[0] + " is outside 1 to 1095";
      return false;
    }
    p.ident = id;
    if (!pictures->emplace(id, p).second) {
      *error = At(l.number) + "picture id " + w[0] + " is given twice";
      return false;
    }
  }
  if (pictures->empty()) {
    *error = "the manifest lists no pictures";
    return false;
  }
  if (!haveFiller) *filler = pictures->begin()->second;
  return true;
}

bool ParseSoundListManifest(const std::string& text, const std::string& gameDir,
                            std::map<uint32_t, SoundListEntry>* sounds, SoundListEntry* filler,
                            std::string* error) {
  sounds->clear();
  bool haveFiller = false;
  for (const ManifestLine& l : SplitManifest(text)) {
    const std::vector<std::string>& w = l.words;
    if (w.size() != 3) {
      *error = At(l.number) + "expected \"<id> <file> <rate>\" or \"filler <file> <rate>\"";
      return false;
    }
    SoundListEntry s;
    s.file = w[1];
    if (!LowerCaseName(s.file) || s.file.size() > 76) {
      *error = At(l.number) + "the file name must be lower case (the game lowers every name) and at most 76 characters";
      return false;
    }
    if (!U32(l, w[2], "rate", &s.rate, error)) return false;
    if (s.rate < 1000 || s.rate > 100000) {
      *error = At(l.number) + "the rate " + w[2] + " is outside 1000 to 100000 Hz";
      return false;
    }
    std::string relative = s.file.rfind("./", 0) == 0 ? s.file.substr(2) : s.file;
    std::error_code code;
    std::filesystem::path path = std::filesystem::path(gameDir) / relative;
    if (!std::filesystem::is_regular_file(path, code)) {
      *error = At(l.number) + "the sample file " + path.string() + " does not exist";
      return false;
    }
    uintmax_t size = std::filesystem::file_size(path, code);
    if (code || size % 2 || size > 0x7FFFFFFF) {
      *error = At(l.number) + "the sample file " + path.string() + " must hold whole 16-bit samples";
      return false;
    }
    s.size = static_cast<uint32_t>(size);
    if (w[0] == "filler") {
      *filler = s;
      haveFiller = true;
      continue;
    }
    uint32_t id;
    if (!U32(l, w[0], "sound id", &id, error)) return false;
    if (id < 1 || id > kMaxSoundId) {
      *error = At(l.number) + "sound id " + w[0] + " is outside 1 to 181";
      return false;
    }
    if (!sounds->emplace(id, s).second) {
      *error = At(l.number) + "sound id " + w[0] + " is given twice";
      return false;
    }
  }
  if (sounds->empty()) {
    *error = "the manifest lists no sounds";
    return false;
  }
  if (!haveFiller) *filler = sounds->begin()->second;
  return true;
}

// ---- samples -------------------------------------------------------------------

bool LoadWavAsMono(const std::string& path, uint32_t rate, std::vector<int16_t>* samples,
                   uint32_t* actualRate, std::string* error) {
  std::error_code code;
  if (!std::filesystem::is_regular_file(path, code)) {
    *error = "cannot open " + path + ": no such file";
    return false;
  }
  SDL_AudioSpec content;
  Uint8* buffer = nullptr;
  Uint32 length = 0;
  if (!SDL_LoadWAV(path.c_str(), &content, &buffer, &length)) {
    *error = path + " is not a WAV file SDL can read (" + SDL_GetError() + ")";
    return false;
  }
  int target = rate ? static_cast<int>(rate) : content.freq;
  SDL_AudioCVT cvt;
  if (SDL_BuildAudioCVT(&cvt, content.format, content.channels, content.freq, AUDIO_S16SYS, 1, target) < 0) {
    SDL_FreeWAV(buffer);
    *error = path + " cannot be converted to 16-bit mono (" + SDL_GetError() + ")";
    return false;
  }
  std::vector<uint8_t> work(size_t{length} * static_cast<size_t>(cvt.len_mult > 0 ? cvt.len_mult : 1) + 16);
  std::memcpy(work.data(), buffer, length);
  SDL_FreeWAV(buffer);
  cvt.buf = work.data();
  cvt.len = static_cast<int>(length);
  if (cvt.needed && SDL_ConvertAudio(&cvt) < 0) {
    *error = path + " cannot be converted to 16-bit mono (" + SDL_GetError() + ")";
    return false;
  }
  size_t bytes = cvt.needed ? static_cast<size_t>(cvt.len_cvt) : length;
  samples->resize(bytes / 2);
  std::memcpy(samples->data(), work.data(), samples->size() * 2);
  *actualRate = static_cast<uint32_t>(target);
  if (samples->empty()) {
    *error = path + " holds no samples";
    return false;
  }
  return true;
}

// ---- the command -----------------------------------------------------------------

namespace {

void ConvertUsage() {
  std::fprintf(stderr,
               "usage: vsk-data convert picture IN.png|IN.bmp OUTBASE [--palette FILE.cma] [--reserve LIST]\n"
               "       vsk-data convert font IN.ttf OUT.fnt --size PIXELS [--range LO-HI] [--fixed]\n"
               "                                 [--colours LIST [--shadow INDEX]]\n"
               "       vsk-data convert sample IN.wav OUT.raw [--rate HZ]\n"
               "       vsk-data convert pathlist MANIFEST OUT\n"
               "       vsk-data convert soundlist MANIFEST OUT [--root GAMEDIR]\n"
               "       vsk-data convert catalog MANIFEST OUT\n"
               "       vsk-data convert screendata MANIFEST OUT\n"
               "       vsk-data convert help          (the manifest formats)\n"
               "picture writes OUTBASE.chk and OUTBASE.cma; LIST is registers and ranges, e.g. 0,139-155.\n");
}

// Splits "--name value" options off the positional arguments.
bool SplitOptions(const Args& args, size_t first, const std::set<std::string>& withValue,
                  const std::set<std::string>& flags, std::vector<std::string>* positional,
                  std::map<std::string, std::string>* options) {
  for (size_t i = first; i < args.size(); ++i) {
    if (args[i].rfind("--", 0) != 0) {
      positional->push_back(args[i]);
    } else if (withValue.count(args[i]) && i + 1 < args.size()) {
      (*options)[args[i]] = args[i + 1];
      ++i;
    } else if (flags.count(args[i])) {
      (*options)[args[i]] = "";
    } else {
      std::fprintf(stderr, "vsk-data convert: unknown or incomplete option %s\n", args[i].c_str());
      return false;
    }
  }
  return true;
}

int Fail(const std::string& error) {
  std::fprintf(stderr, "vsk-data convert: %s\n", error.c_str());
  return 1;
}

int ConvertPicture(const std::vector<std::string>& in, const std::map<std::string, std::string>& options) {
  RegisterMask reserved{};
  std::string error;
  auto reserve = options.find("--reserve");
  if (reserve != options.end() && !ParseRegisterList(reserve->second, &reserved, &error)) {
    std::fprintf(stderr, "vsk-data convert: %s\n", error.c_str());
    return 2;
  }
  Palette given{};
  bool haveGiven = false;
  auto paletteFile = options.find("--palette");
  if (paletteFile != options.end()) {
    ByteBuffer bytes;
    if (!ReadWholeFile(paletteFile->second, &bytes, &error, 1 << 20)) return Fail(error);
    if (bytes.size() != kPaletteFileSize)
      return Fail(paletteFile->second + " holds " + std::to_string(bytes.size()) +
                  " bytes; a palette file holds 768 (256 x red, green, blue)");
    for (size_t i = 0; i < 256; ++i) given[i] = {bytes[i * 3], bytes[i * 3 + 1], bytes[i * 3 + 2]};
    haveGiven = true;
  }
  RgbaImage source;
  if (!LoadSourcePicture(in[0], &source, &error)) return Fail(error);
  IndexedImage image;
  Palette palette;
  if (!IndexPicture(source, haveGiven ? &given : nullptr, reserved, &image, &palette, &error)) return Fail(error);
  if (!WriteFileAtomic(in[1] + ".chk", BuildPictureFile(image), &error) ||
      !WriteFileAtomic(in[1] + ".cma", BuildPaletteFile(palette), &error))
    return Fail(error);
  std::printf("%s.chk: %u x %u pixels; %s.cma: its palette\npath list manifest line: <id> %s %u %u\n",
              in[1].c_str(), image.width, image.height, in[1].c_str(), in[1].c_str(), image.width, image.height);
  return 0;
}

int ConvertFont(const std::vector<std::string>& in, const std::map<std::string, std::string>& options) {
  FontRasterOptions raster;
  raster.ttfPath = in[0];
  uint64_t size = 0;
  auto sizeOption = options.find("--size");
  if (sizeOption == options.end() || !Number(sizeOption->second, 200, &size) || size < 4) {
    std::fprintf(stderr, "vsk-data convert: font needs --size PIXELS from 4 to 200\n");
    return 2;
  }
  raster.pixelHeight = static_cast<uint32_t>(size);
  auto range = options.find("--range");
  if (range != options.end()) {
    unsigned lo = 0, hi = 0;
    char tail = 0;
    if (std::sscanf(range->second.c_str(), "%u-%u%c", &lo, &hi, &tail) != 2 || lo > hi || hi > 255 || lo < 1) {
      std::fprintf(stderr, "vsk-data convert: --range wants LO-HI within 1-255, e.g. 32-255\n");
      return 2;
    }
    raster.loChar = static_cast<uint8_t>(lo);
    raster.hiChar = static_cast<uint8_t>(hi);
  }
  raster.proportional = !options.count("--fixed");
  auto colours = options.find("--colours");
  if (colours != options.end()) {
    raster.multiColour = true;
    std::stringstream list(colours->second);
    std::string item;
    while (std::getline(list, item, ',')) {
      uint64_t v;
      if (!Number(item, 255, &v) || v == 0) {
        std::fprintf(stderr, "vsk-data convert: --colours wants palette indices 1-255, e.g. 138,134,130\n");
        return 2;
      }
      raster.rowColours.push_back(static_cast<uint8_t>(v));
    }
    auto shadow = options.find("--shadow");
    uint64_t v = 0;
    if (shadow != options.end()) {
      if (!Number(shadow->second, 255, &v)) {
        std::fprintf(stderr, "vsk-data convert: --shadow wants a palette index 0-255\n");
        return 2;
      }
      raster.shadowIndex = static_cast<uint8_t>(v);
    }
  }
  DiskFont font;
  std::string error;
  if (!RasteriseFont(raster, &font, &error) || !WriteFileAtomic(in[1], BuildFontFile(font), &error))
    return Fail(error);
  std::printf("%s: characters %u-%u, %u rows, baseline row %u, %s, %s\n", in[1].c_str(), font.loChar, font.hiChar,
              font.ySize, font.baseline, font.proportional ? "proportional" : "fixed width",
              font.multiColour ? "multi-colour" : "single colour");
  return 0;
}

int ConvertSample(const std::vector<std::string>& in, const std::map<std::string, std::string>& options) {
  uint64_t rate = 0;
  auto rateOption = options.find("--rate");
  if (rateOption != options.end() && (!Number(rateOption->second, 100000, &rate) || rate < 1000)) {
    std::fprintf(stderr, "vsk-data convert: --rate wants 1000 to 100000 Hz\n");
    return 2;
  }
  std::vector<int16_t> samples;
  uint32_t actual = 0;
  std::string error;
  if (!LoadWavAsMono(in[0], static_cast<uint32_t>(rate), &samples, &actual, &error)) return Fail(error);
  ByteBuffer bytes = BuildSampleFile(samples);
  if (!WriteFileAtomic(in[1], bytes, &error)) return Fail(error);
  std::printf("%s: %zu bytes, %u Hz, mono 16-bit big-endian\nsound list manifest line: <id> %s %u\n", in[1].c_str(),
              bytes.size(), actual, in[1].c_str(), actual);
  return 0;
}

int ConvertManifest(const std::string& kind, const std::vector<std::string>& in,
                    const std::map<std::string, std::string>& options) {
  ByteBuffer manifest;
  std::string error;
  if (!ReadWholeFile(in[0], &manifest, &error, size_t{16} << 20)) return Fail(error);
  std::string text(manifest.begin(), manifest.end());
  if (text.find('\0') != std::string::npos) return Fail(in[0] + " is not a text file (it holds zero bytes)");
  ByteBuffer out;
  if (kind == "pathlist") {
    std::map<uint32_t, PathListPicture> pictures;
    PathListPicture filler;
    if (!ParsePathListManifest(text, &pictures, &filler, &error)) return Fail(in[0] + ", " + error);
    out = BuildPathList(pictures, filler);
  } else if (kind == "soundlist") {
    auto root = options.find("--root");
    std::map<uint32_t, SoundListEntry> sounds;
    SoundListEntry filler;
    if (!ParseSoundListManifest(text, root != options.end() ? root->second : ".", &sounds, &filler, &error))
      return Fail(in[0] + ", " + error);
    out = BuildSoundList(sounds, filler);
  } else if (kind == "catalog") {
    CatalogContent content;
    if (!ParseCatalogManifest(text, &content, &error)) return Fail(in[0] + ", " + error);
    out = BuildCatalog(content);
  } else {
    ScreenDataContent content;
    if (!ParseScreenDataManifest(text, &content, &error)) return Fail(in[0] + ", " + error);
    out = BuildScreenData(content);
  }
  if (!WriteFileAtomic(in[1], out, &error)) return Fail(error);
  std::printf("%s: %zu bytes\n", in[1].c_str(), out.size());
  return 0;
}

}  // namespace

int RunConvert(const Args& args) {
  if (args.empty()) {
    ConvertUsage();
    return 2;
  }
  const std::string& kind = args[0];
  if (kind == "help") {
    std::fputs(kManifestHelp, stdout);
    return 0;
  }
  std::vector<std::string> in;
  std::map<std::string, std::string> options;
  bool split = false;
  if (kind == "picture") {
    split = SplitOptions(args, 1, {"--palette", "--reserve"}, {}, &in, &options);
  } else if (kind == "font") {
    split = SplitOptions(args, 1, {"--size", "--range", "--colours", "--shadow"}, {"--fixed"}, &in, &options);
  } else if (kind == "sample") {
    split = SplitOptions(args, 1, {"--rate"}, {}, &in, &options);
  } else if (kind == "soundlist") {
    split = SplitOptions(args, 1, {"--root"}, {}, &in, &options);
  } else if (kind == "pathlist" || kind == "catalog" || kind == "screendata") {
    split = SplitOptions(args, 1, {}, {}, &in, &options);
  } else {
    std::fprintf(stderr, "vsk-data convert: unknown kind \"%s\"\n", kind.c_str());
    ConvertUsage();
    return 2;
  }
  if (!split || in.size() != 2) {
    if (split) std::fprintf(stderr, "vsk-data convert %s: wants one input and one output\n", kind.c_str());
    ConvertUsage();
    return 2;
  }
  if (kind == "picture") return ConvertPicture(in, options);
  if (kind == "font") return ConvertFont(in, options);
  if (kind == "sample") return ConvertSample(in, options);
  return ConvertManifest(kind, in, options);
}

}  // namespace vsk::data
