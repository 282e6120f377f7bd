// vsk-data inspect FILE
#include "vsk-data/report.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <system_error>

#include "catalog/strings.h"
#include "pictures/screendata.h"
#include "vsk-data/commands.h"
#include "vsk-data/read_catalog.h"
#include "vsk-data/read_chunks.h"
#include "vsk-data/read_font.h"
#include "vsk-data/read_lists.h"
#include "vsk-data/read_records.h"
#include "vsk-data/read_screendata.h"
#include "vsk-data/write_file.h"

namespace vsk::data {

namespace {

constexpr size_t kMaxEntriesShown = 12;
constexpr uint32_t kPointerBytes = 32 * 27;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

bool StartsWith(ByteSpan data, const char* text) {
  size_t n = std::strlen(text);
  return data.size() >= n && std::memcmp(data.data(), text, n) == 0;
}

bool EndsWith(const std::string& name, const char* suffix) {
  size_t n = std::strlen(suffix);
  return name.size() >= n && name.compare(name.size() - n, n, suffix) == 0;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

std::string BuiltinText(uint32_t number) {
  if (number >= kStringCount || !BuiltinStrings[number].text) return "";
  return BuiltinStrings[number].text;
}

// Thrown for a file that reads well but whose surroundings are wrong (files
// a list names that are missing): reported like a broken file, without an
// offset.
struct Problem {
  std::string what;
};

// ---- lists -----------------------------------------------------------------

std::string FileStatus(const std::string& gameDir, const std::string& name, uint64_t expected, bool* bad) {
  int64_t size = FileSizeOf(ResolveInGameDir(gameDir, name));
  if (size < 0) {
    *bad = true;
    return "missing";
  }
  if (static_cast<uint64_t>(size) != expected) {
    *bad = true;
    return Format("%" PRId64 " bytes, should be %" PRIu64, size, expected);
  }
  return "ok";
}

void PrintPathList(const std::string& path, ByteSpan data, std::ostream& out) {
  PathListData list = ReadPathList(data);
  const std::string gameDir = GameDirOfList(path);
  out << "path list: " << list.count << " picture ids; files relative to the game directory " << gameDir << "\n";
  std::string firstProblem;
  size_t problems = 0;
  const PathRecord* previous = nullptr;
  uint32_t sameFrom = 0;
  auto flushSame = [&](uint32_t lastId) {
    if (sameFrom && lastId >= sameFrom) {
      out << "  ids " << sameFrom << "-" << lastId << ": the same files as id " << sameFrom - 1 << "\n";
    }
    sameFrom = 0;
  };
  for (const PathRecord& e : list.entries) {
    bool bad = false;
    std::string picture = FileStatus(gameDir, e.pictureFile, e.dataSize, &bad);
    std::string palette = e.PaletteBytes() ? FileStatus(gameDir, e.paletteFile, 768, &bad) : "not read";
    if (bad && ++problems == 1) {
      firstProblem = "picture id " + std::to_string(e.id) + ": " + e.pictureFile + " " + picture + ", " +
                     e.paletteFile + " " + palette;
    }
    if (!bad && previous && previous->pictureStored == e.pictureStored &&
        previous->paletteStored == e.paletteStored && previous->width == e.width && previous->height == e.height) {
      if (!sameFrom) sameFrom = e.id;
      continue;
    }
    flushSame(e.id - 1);
    previous = &e;
    out << Format("  id %4u: %4u x %-4u ident %u depth %u flags 0x%X palette %u bytes\n", e.id, e.width,
                  e.height, e.ident, e.depth, e.flags, e.PaletteBytes());
    out << "           picture " << Quote(e.pictureStored) << " -> " << e.pictureFile << " [" << picture << "]\n";
    out << "           palette " << Quote(e.paletteStored) << " -> " << e.paletteFile << " [" << palette << "]\n";
  }
  if (!list.entries.empty()) flushSame(list.entries.back().id);
  if (problems) {
    throw Problem{std::to_string(problems) + " of " + std::to_string(list.count) +
                  " entries name files that are missing or of the wrong size; the first is " + firstProblem};
  }
}

void PrintSoundList(const std::string& path, ByteSpan data, std::ostream& out) {
  SoundListData list = ReadSoundList(data);
  const std::string gameDir = GameDirOfList(path);
  out << "sound list: " << list.count << " sound ids; files relative to the game directory " << gameDir << "\n";
  std::string firstProblem;
  size_t problems = 0;
  const SoundRecord* previous = nullptr;
  uint32_t sameFrom = 0;
  auto flushSame = [&](uint32_t lastId) {
    if (sameFrom && lastId >= sameFrom) {
      out << "  ids " << sameFrom << "-" << lastId << ": the same as id " << sameFrom - 1 << "\n";
    }
    sameFrom = 0;
  };
  for (const SoundRecord& e : list.entries) {
    bool bad = false;
    std::string status = FileStatus(gameDir, e.file, e.dataSize, &bad);
    if (bad && ++problems == 1) firstProblem = "sound id " + std::to_string(e.id) + ": " + e.file + " " + status;
    if (!bad && previous && previous->stored == e.stored && previous->dataSize == e.dataSize &&
        previous->rate == e.rate) {
      if (!sameFrom) sameFrom = e.id;
      continue;
    }
    flushSame(e.id - 1);
    previous = &e;
    out << Format("  id %3u: %8u bytes at %5u Hz (%.2f s)  ", e.id, e.dataSize, e.rate,
                  e.dataSize / 2.0 / e.rate)
        << Quote(e.stored) << " -> " << e.file << " [" << status << "]\n";
  }
  if (!list.entries.empty()) flushSame(list.entries.back().id);
  if (problems) {
    throw Problem{std::to_string(problems) + " of " + std::to_string(list.count) +
                  " entries name sample files that are missing or of the wrong size; the first is " + firstProblem};
  }
}

// ---- pictures and sounds -----------------------------------------------------

void PrintColourUse(ByteSpan pixels, std::ostream& out) {
  std::map<uint8_t, uint32_t> use;
  for (uint8_t p : pixels) ++use[p];
  out << "  colours used: " << use.size();
  if (!use.empty()) out << " (indices " << int(use.begin()->first) << " to " << int(use.rbegin()->first) << ")";
  out << Format(", colour 0 (transparent in masked blits) %.1f %%\n",
                pixels.empty() ? 0.0 : 100.0 * use[0] / pixels.size());
}

void PrintPicture(const std::string& path, ByteSpan data, std::ostream& out) {
  std::string gameDir = FindGameDirAbove(path, "data/path");
  std::vector<const PathRecord*> ids;
  PathListData list;
  if (!gameDir.empty()) {
    ByteBuffer bytes;
    std::string error;
    if (ReadWholeFile(ResolveInGameDir(gameDir, "data/path"), &bytes, &error)) {
      try {
        list = ReadPathList(bytes);
      } catch (const FormatError&) {
        list = {};
      }
    }
    for (const PathRecord& e : list.entries) {
      if (SameFile(ResolveInGameDir(gameDir, e.pictureFile), path)) ids.push_back(&e);
    }
  }
  out << "picture file: " << data.size() << " bytes of 8-bit pixels, no header\n";
  if (ids.empty()) {
    out << "  no path list above it names this file, so its width is not known\n";
  } else {
    const PathRecord& e = *ids.front();
    out << "  picture id";
    for (const PathRecord* id : ids) out << " " << id->id;
    out << " of " << gameDir << "/data/path: " << e.width << " x " << e.height << "\n";
    if (data.size() != e.dataSize) {
      Fail(std::min<uint64_t>(data.size(), e.dataSize),
           "the file has " + std::to_string(data.size()) + " bytes but picture id " + std::to_string(e.id) +
               " is " + std::to_string(e.width) + " x " + std::to_string(e.height) + " = " +
               std::to_string(e.dataSize));
    }
  }
  PrintColourUse(data, out);
}

void PrintPointer(ByteSpan data, std::ostream& out) {
  if (data.size() != kPointerBytes) {
    Fail(std::min<uint64_t>(data.size(), kPointerBytes),
         "the file has " + std::to_string(data.size()) + " bytes; the pointer is 32 x 27 = 864");
  }
  out << "pointer image: 32 x 27 pixels, colour 0 transparent\n";
  std::map<uint8_t, char> legend;
  const char* marks = "#*+o=x%@&abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (uint32_t y = 0; y < 27; ++y) {
    out << "  ";
    for (uint32_t x = 0; x < 32; ++x) {
      uint8_t v = data[y * 32 + x];
      if (v == 0) {
        out << '.';
        continue;
      }
      if (!legend.count(v)) legend[v] = legend.size() < std::strlen(marks) ? marks[legend.size()] : '?';
      out << legend[v];
    }
    out << "\n";
  }
  out << "  colours:";
  for (const auto& [index, mark] : legend) out << " " << mark << "=" << int(index);
  out << "\n";
}

void PrintPalette(ByteSpan data, std::ostream& out) {
  if (data.size() != 768) {
    Fail(std::min<uint64_t>(data.size(), 768),
         "the file has " + std::to_string(data.size()) + " bytes; a palette is 256 x 3 = 768");
  }
  out << "palette: 256 colours (red, green, blue)\n";
  for (int i = 0; i < 256; i += 4) {
    out << " ";
    for (int k = i; k < i + 4; ++k) {
      out << Format("  %3d: %3u %3u %3u", k, data[3 * k], data[3 * k + 1], data[3 * k + 2]);
    }
    out << "\n";
  }
}

void PrintSample(const std::string& path, ByteSpan data, std::ostream& out) {
  if (data.size() % 2) {
    Fail(data.size() - 1, "the file has an odd number of bytes (" + std::to_string(data.size()) +
                              "); samples are 16-bit");
  }
  const SoundRecord* entry = nullptr;
  SoundListData list;
  std::string gameDir = FindGameDirAbove(path, "data/sfxpath");
  if (!gameDir.empty()) {
    ByteBuffer bytes;
    std::string error;
    if (ReadWholeFile(ResolveInGameDir(gameDir, "data/sfxpath"), &bytes, &error)) {
      try {
        list = ReadSoundList(bytes);
      } catch (const FormatError&) {
        list = {};
      }
    }
    for (const SoundRecord& e : list.entries) {
      if (!entry && SameFile(ResolveInGameDir(gameDir, e.file), path)) entry = &e;
    }
  }
  int peak = 0;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    int v = static_cast<int16_t>((data[i] << 8) | data[i + 1]);
    peak = std::max(peak, v < 0 ? -v : v);
  }
  out << "sample file: " << data.size() / 2 << " samples, mono 16-bit big-endian, peak " << peak << "\n";
  if (entry) {
    out << Format("  sound id %u of %s/data/sfxpath: %u bytes at %u Hz, %.2f s\n", entry->id, gameDir.c_str(),
                  entry->dataSize, entry->rate, entry->dataSize / 2.0 / entry->rate);
    if (data.size() < entry->dataSize) {
      Fail(data.size(), "the file has " + std::to_string(data.size()) + " bytes but sound id " +
                            std::to_string(entry->id) + " plays " + std::to_string(entry->dataSize));
    }
  } else {
    out << "  no sound list above it names this file, so its rate is not known\n";
  }
}

// ---- fonts and catalogs ----------------------------------------------------------

void PrintFont(ByteSpan data, std::ostream& out) {
  FontData font = ReadFont(data);
  out << "font: " << (font.multiColour ? "multi-colour" : "single-colour") << ", "
      << (font.proportional ? "proportional" : "fixed-width") << "\n";
  out << Format("  characters %u to %u (%u), YSize %u, Baseline %u, Modulo %u, glyph strip at offset %" PRIu64
                "\n",
                font.loChar, font.hiChar, font.hiChar - font.loChar + 1, font.ySize, font.baseline, font.modulo,
                font.stripOffset);
  out << "  colour tag " << TagText(font.colourTag) << ", spacing tag " << TagText(font.spacingTag) << "\n";
  int drawn = 0, minWidth = 1 << 30, maxWidth = 0, minAdvance = 1 << 30, maxAdvance = 0, minKern = 1 << 30,
      maxKern = -(1 << 30);
  std::string empty;
  for (int c = font.loChar; c <= font.hiChar; ++c) {
    const GlyphInfo& g = font.Glyph(static_cast<uint8_t>(c));
    if (g.width == 0 && g.space == 0) {
      if (c > 32) empty += ShowText(std::string(1, static_cast<char>(c)));
      continue;
    }
    ++drawn;
    minWidth = std::min<int>(minWidth, g.width);
    maxWidth = std::max<int>(maxWidth, g.width);
    minAdvance = std::min(minAdvance, font.Advance(static_cast<uint8_t>(c)));
    maxAdvance = std::max(maxAdvance, font.Advance(static_cast<uint8_t>(c)));
    minKern = std::min<int>(minKern, g.kern);
    maxKern = std::max<int>(maxKern, g.kern);
  }
  out << "  " << drawn << " characters with a glyph or an advance";
  if (drawn) {
    out << Format("; widths %d to %d, advances %d to %d, kerning %d to %d", minWidth, maxWidth, minAdvance,
                  maxAdvance, minKern, maxKern);
  }
  out << "\n";
  if (!empty.empty()) out << "  without glyph: " << empty << "\n";
  if (!font.proportional) out << "  every character advances by the width of 'A': " << font.Glyph('A').width << "\n";
  if (font.trailingBytes) out << "  " << font.trailingBytes << " bytes after the glyph strip are not read\n";
  std::string sample;
  Utf8ToCp1252("Veskaria: Grüße aus Kadun", &sample);
  out << "  " << Quote(sample) << " measures " << font.TextWidth(sample) << " pixels";
  if (font.ySize > 64) {
    out << "\n";  // glyphs too tall to draw as text
    return;
  }
  out << ":\n";
  IndexedImage image = RenderFontText(font, sample, 0, 1, 0);
  for (uint32_t y = 0; y < image.height; ++y) {
    std::string row;
    for (uint32_t x = 0; x < image.width && x < 160; ++x) row.push_back(image.at(x, y) ? '#' : '.');
    out << "    " << row << (y == font.baseline ? "  <- baseline" : "") << "\n";
  }
}

void PrintCatalog(ByteSpan data, std::ostream& out) {
  CatalogData catalog = ReadCatalog(data);
  out << "catalog: FORM CTLG, " << catalog.formLength << " bytes\n";
  for (const CatalogChunkInfo& chunk : catalog.chunks) {
    out << Format("  chunk \"%s\" at offset %" PRIu64 ", %u bytes\n", TagText(chunk.id).c_str(), chunk.offset,
                  chunk.length);
  }
  out << "  version  " << (catalog.version.empty() ? "N/A" : Quote(catalog.version)) << "\n";
  out << "  language " << (catalog.language.empty() ? "N/A" : Quote(catalog.language)) << "\n";
  out << "  author   " << (catalog.author.empty() ? "N/A" : Quote(catalog.author)) << "\n";
  if (!catalog.hasStrings) {
    out << "  no \"STRS\" chunk: every text stays the built-in one\n";
    return;
  }
  out << "  " << catalog.strings.size() << " strings (number, catalog text, built-in text):\n";
  for (const CatalogString& s : catalog.strings) {
    out << Format("  %5u ", s.number) << Quote(s.text) << "  (built-in " << Quote(BuiltinText(s.number)) << ")\n";
  }
}

// ---- chunk files ---------------------------------------------------------------

void PrintChunks(ByteSpan data, std::ostream& out) {
  std::vector<ChunkData> chunks = ReadChunkFile(data);
  out << "chunk file: " << chunks.size() << " chunk" << (chunks.size() == 1 ? "" : "s") << "\n";
  for (const ChunkData& chunk : chunks) {
    out << Format("  \"%s\" at offset %" PRIu64 ", version \"%s\", body %u bytes", TagText(chunk.id).c_str(),
                  chunk.offset, TagText(chunk.version).c_str(), chunk.length);
    if (chunk.block.size() > chunk.length + 12u) {
      out << " (the loader's block is " << chunk.block.size() << " bytes; fields past the body read 0)";
    }
    out << "\n";
    if (!chunk.layout) {
      out << "    a type the client does not know: nothing is converted\n";
    } else if (!chunk.converted) {
      out << "    the version is not \"V001\": the loader hands the body over unconverted\n";
    } else {
      std::vector<std::string> lines = DescribeChunkFields(chunk, kMaxEntriesShown);
      if (lines.empty()) out << "    no numbers of this type are converted\n";
      for (const std::string& line : lines) out << "    " << line << "\n";
    }
  }
}

// ---- screen data -----------------------------------------------------------------

const char* SectionUse(int index) {
  switch (index) {
    case 0: return "gadget labels";
    case 1: return "gadgets";
    case 2: return "text placements";
    case 9: return "text frames";
    case 11: return "town templates";
    default: return index >= 0 ? "not used by the client" : "unknown tag, left as it is";
  }
}

std::string TextRef(uint32_t number) {
  return "text " + std::to_string(number) + " " + Quote(BuiltinText(number));
}

std::string GadgetFlags(uint16_t flags) {
  std::string text;
  if (flags & kGadgetRepeats) text += " repeats";
  if (flags & kGadgetHidden) text += " hidden";
  if (flags & kGadgetLabelled) text += " labelled";
  if (flags & kGadgetMasked) text += " masked";
  return text.empty() ? "" : " (" + text.substr(1) + ")";
}

void PrintScreenData(ByteSpan data, std::ostream& out) {
  ScreenDataData file = ReadScreenData(data);
  out << "screen-data file: " << file.count << " sections, " << file.dataSize
      << " bytes of data (offsets count from file offset 32)\n";
  for (const ScreenSection& section : file.sections) {
    out << "  section ";
    if (section.index >= 0) out << section.index << " ";
    out << "(tag " << Format("0x%08X", section.tag) << ", " << SectionUse(section.index) << "): " << section.count
        << " records";
    if (section.recordSize) out << " of " << section.recordSize << " bytes";
    out << " at data offset " << section.offset;
    if (section.duplicate) out << " (a repeated tag: the client takes the first entry)";
    out << "\n";
    size_t shown = 0;
    for (const ScreenRecord& r : section.records) {
      const std::vector<uint16_t>& w = r.words;
      std::string line = Format("    [%zu] ", shown);
      switch (section.index) {
        case 0:
          line += Format("words %u %u %u %u, ", w[0], w[1], w[2], w[3]);
          line += r.text == 0 ? "text 0 (record kept as stored)"
                              : r.text == 0xFFFFFFFFu ? "no text" : TextRef(r.text);
          break;
        case 1: {
          line += Format("%s image %u, pressed %u, area (%u,%u)-(%u,%u), flags %u%s%s",
                         TagText(r.command).c_str(), w[0], w[1], w[4], w[5], w[6], w[7], w[3],
                         GadgetFlags(w[3]).c_str(),
                         w[2] == 0 ? "" : w[2] == 1 ? ", not drawn, not hit" : ", not hit");
          if (w[3] & kGadgetLabelled) {
            const ScreenRecord* label = file.LabelAt(r.text);
            line += ", label at " + std::to_string(r.text);
            if (label && label->text != 0 && label->text != 0xFFFFFFFFu) line += ": " + TextRef(label->text);
            if (!label) line += " (not a record of section 0)";
          }
          break;
        }
        case 2: line += TextRef(r.text) + Format(" at %u %u %u %u", w[0], w[1], w[2], w[3]); break;
        case 9: line += Format("(%u,%u)-(%u,%u)", w[0], w[1], w[2], w[3]); break;
        case 11: {
          line += Format("flags 0x%04X%s%s, value %u, level %u, words", w[0], (w[0] & 1) ? " may-appear" : "",
                         (w[0] & 2) ? " stands" : "", r.value, w[1]);
          for (size_t k = 2; k < w.size(); ++k) line += " " + std::to_string(w[k]);
          break;
        }
        default: {
          if (section.index == 3 || section.index == 7 || section.index == 8) line += TextRef(r.text) + ", ";
          line += "words";
          for (uint16_t v : w) line += " " + std::to_string(v);
        }
      }
      ++shown;
      if (section.index == kSectionTownTemplates && shown > kMaxEntriesShown) continue;
      out << line << "\n";
    }
    if (section.index == kSectionTownTemplates) {
      if (section.records.size() > kMaxEntriesShown) {
        out << "    ... " << section.records.size() - kMaxEntriesShown << " more\n";
      }
      size_t random = 0;
      for (const ScreenRecord& r : section.records) {
        if ((r.words[0] & 1) && r.value == 0 && r.words[1] == 1) ++random;
      }
      out << "    " << random << " of them may be placed at random in a new town of level 1\n";
    }
  }
}

// ---- records ---------------------------------------------------------------------

void PrintPrefs(const char* title, const std::vector<PrefsField>& fields, std::ostream& out) {
  out << title << "\n";
  for (const PrefsField& f : fields) {
    std::string value = f.isText ? Quote(f.text) : std::to_string(f.value);
    if (f.number >= 0) {
      out << Format("  field %2d at %3u (%2u bytes): ", f.number, f.offset, f.width);
    } else {
      out << Format("  offset %3u (%3u bytes): ", f.offset, f.width);
    }
    out << value << (*f.label ? "  " : "") << f.label << "\n";
  }
}

void PrintTown(ByteSpan data, std::ostream& out) {
  TownData town = ReadTownFile(data);
  out << "town file: " << Quote(town.name) << ", identifier " << town.id << "\n";
  out << "  capital " << town.capital << ", " << ((town.state & 1) ? "provisional (still to be named)" : "named")
      << ", level " << town.level << ", map position " << town.mapX << ", " << town.mapY << "\n";
  std::string standing;
  size_t allowed = 0, stands = 0;
  for (size_t i = 0; i < town.buildings.size(); ++i) {
    if (town.buildings[i].flags & 1) ++allowed;
    if (town.buildings[i].flags & 2) {
      ++stands;
      standing += " " + std::to_string(i);
    }
  }
  out << "  " << town.buildings.size() << " buildings: " << allowed << " may appear, " << stands << " stand";
  out << (standing.empty() ? "" : ":" + standing) << "\n";
}

void PrintTownList(ByteSpan data, std::ostream& out) {
  std::vector<TownListEntry> towns = ReadTownList(data);
  out << "town list: " << towns.size() << " towns and the terminator\n";
  for (const TownListEntry& t : towns) out << Format("  %6d ", t.id) << Quote(t.name) << "\n";
}

void PrintBmp(ByteSpan data, std::ostream& out) {
  BmpInfo bmp = ReadBmp(data);
  int32_t rows = bmp.height < 0 ? -bmp.height : bmp.height;
  out << "BMP picture: " << bmp.width << " x " << rows << ", " << bmp.bitsPerPixel << " bits per pixel, "
      << (bmp.headerSize == 12 ? "core" : "information") << " header, "
      << (bmp.height < 0 ? "top-down" : "bottom-up") << " rows, compression " << bmp.compression << "\n";
  out << "  pixel data at offset " << bmp.dataOffset << ", rows of " << bmp.rowBytes << " bytes\n";
  auto powerOfTwo = [](int32_t v) { return v > 0 && (v & (v - 1)) == 0; };
  if (powerOfTwo(bmp.width) && powerOfTwo(rows)) {
    out << "  both sides are powers of two, as an OpenGL 1.1 texture needs\n";
  } else {
    out << "  note: a side is not a power of two; OpenGL 1.1 cannot use it as the backdrop texture\n";
  }
}

void PrintWav(ByteSpan data, std::ostream& out) {
  WavInfo wav = ReadWav(data);
  out << "WAV sound: format " << wav.format << (wav.format == 1 ? " (PCM)" : "") << ", " << wav.channels
      << " channel" << (wav.channels == 1 ? "" : "s") << ", " << wav.rate << " Hz, " << wav.bitsPerSample
      << "-bit\n";
  double seconds = wav.blockAlign && wav.rate ? double(wav.dataBytes) / wav.blockAlign / wav.rate : 0.0;
  out << Format("  %" PRIu64 " bytes of samples at offset %" PRIu64 " (%.2f s)\n", wav.dataBytes, wav.dataOffset,
                seconds);
}

bool LooksLikeTownList(ByteSpan data) {
  if (data.empty() || data.size() % kTownListRecord != 0) return false;
  const size_t last = data.size() - kTownListRecord;
  return data[last] == 0xFF && data[last + 1] == 0xFF && data[last + 2] == 0xFF && data[last + 3] == 0xFF;
}

bool InCitiesDirectory(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return false;
  return LowerFileName(path.substr(0, slash)) == "cities";
}

bool LooksLikeChunkFile(ByteSpan data) {
  if (!IsPrintableTag(data, 0) || data.size() < 12) return false;
  return std::memcmp(data.data() + 4, "V001", 4) == 0 || std::memcmp(data.data() + 4, "V\0\0\0", 4) == 0;
}

}  // namespace

const char* KindName(FileKind kind) {
  switch (kind) {
    case FileKind::PathList: return "path list";
    case FileKind::SoundList: return "sound list";
    case FileKind::Picture: return "picture file";
    case FileKind::Pointer: return "pointer image";
    case FileKind::Palette: return "palette file";
    case FileKind::Sample: return "sample file";
    case FileKind::Font: return "font";
    case FileKind::Catalog: return "catalog";
    case FileKind::Chunks: return "chunk file";
    case FileKind::ScreenData: return "screen-data file";
    case FileKind::Bmp: return "BMP picture";
    case FileKind::Wav: return "WAV sound";
    case FileKind::GeneralPrefs: return "general preferences";
    case FileKind::StoryPrefs: return "story preferences";
    case FileKind::Options: return "options file";
    case FileKind::Town: return "town file";
    case FileKind::TownList: return "town list";
    case FileKind::Unknown: break;
  }
  return "unknown file";
}

FileKind DetectKind(const std::string& path, ByteSpan data) {
  const std::string name = LowerFileName(path);
  // Tags first.
  if (StartsWith(data, "FORM")) return FileKind::Catalog;
  if (StartsWith(data, "FONT")) return FileKind::Font;
  if (StartsWith(data, "BPTR") && data.size() >= 8 && std::memcmp(data.data() + 4, "V001", 4) == 0 &&
      (data.size() == kStoryPrefsSize || name == "btprefs.vsk"))
    return FileKind::StoryPrefs;
  // "PREF" starts both the general preferences and a chunk of that name;
  // the preferences store their length little-endian.
  if (StartsWith(data, "PREF") &&
      (name == "prefs.vsk" || (data.size() >= 12 && data[8] == 220 && data[9] == 0 && data[11] == 0)))
    return FileKind::GeneralPrefs;
  if (StartsWith(data, "BM")) return FileKind::Bmp;
  if (StartsWith(data, "RIFF")) return FileKind::Wav;
  if (StartsWith(data, "VSK PATH LIST")) return FileKind::PathList;
  if (StartsWith(data, "VSK SOUND LIST")) return FileKind::SoundList;
  // The lists have no tag of their own: their names come before the
  // content tests below.
  if (name == "path") return FileKind::PathList;
  if (name == "sfxpath") return FileKind::SoundList;
  // Town files have no tag; in the game's "data/Cities" every ".vsk" is
  // one, so a town file of the wrong size is still taken for a town.
  if (EndsWith(name, ".vsk") && InCitiesDirectory(path)) return FileKind::Town;
  if (StartsWith(data, "VSK SCREEN DATA") || LooksLikeScreenData(data)) return FileKind::ScreenData;
  if (LooksLikeChunkFile(data)) return FileKind::Chunks;
  // Then names and sizes.
  if (name == "prefs.vsk") return FileKind::GeneralPrefs;
  if (name == "btprefs.vsk") return FileKind::StoryPrefs;
  if (name == "optionen.prefs" || data.size() == kOptionsSize) return FileKind::Options;
  if (name == "town.list" || LooksLikeTownList(data)) return FileKind::TownList;
  if (data.size() == kTownFileSize) return FileKind::Town;
  if (EndsWith(name, ".dat")) return FileKind::ScreenData;
  if (EndsWith(name, ".fnt")) return FileKind::Font;
  if (EndsWith(name, ".catalog")) return FileKind::Catalog;
  if (EndsWith(name, ".bmp")) return FileKind::Bmp;
  if (EndsWith(name, ".wav")) return FileKind::Wav;
  if (EndsWith(name, ".chk") && (name.rfind("cursor", 0) == 0 || data.size() == kPointerBytes))
    return FileKind::Pointer;
  if (EndsWith(name, ".chk")) return FileKind::Picture;
  if (EndsWith(name, ".cma")) return FileKind::Palette;
  if (EndsWith(name, ".raw")) return FileKind::Sample;
  if (EndsWith(name, ".vsk")) return FileKind::Chunks;
  return FileKind::Unknown;
}

int InspectData(const std::string& path, ByteSpan data, std::ostream& out, std::ostream& err) {
  const FileKind kind = DetectKind(path, data);
  try {
    switch (kind) {
      case FileKind::PathList: PrintPathList(path, data, out); break;
      case FileKind::SoundList: PrintSoundList(path, data, out); break;
      case FileKind::Picture: PrintPicture(path, data, out); break;
      case FileKind::Pointer: PrintPointer(data, out); break;
      case FileKind::Palette: PrintPalette(data, out); break;
      case FileKind::Sample: PrintSample(path, data, out); break;
      case FileKind::Font: PrintFont(data, out); break;
      case FileKind::Catalog: PrintCatalog(data, out); break;
      case FileKind::Chunks: PrintChunks(data, out); break;
      case FileKind::ScreenData: PrintScreenData(data, out); break;
      case FileKind::Bmp: PrintBmp(data, out); break;
      case FileKind::Wav: PrintWav(data, out); break;
      case FileKind::GeneralPrefs: PrintPrefs("general preferences (PREF V001)", ReadGeneralPrefs(data), out); break;
      case FileKind::StoryPrefs: PrintPrefs("story preferences (BPTR V001)", ReadStoryPrefs(data), out); break;
      case FileKind::Options: PrintPrefs("options record", ReadOptions(data), out); break;
      case FileKind::Town: PrintTown(data, out); break;
      case FileKind::TownList: PrintTownList(data, out); break;
      case FileKind::Unknown:
        err << "vsk-data: " << path << ": not a game data file vsk-data knows (no known tag, name or size; "
            << data.size() << " bytes).\n";
        return 1;
    }
  } catch (const FormatError& error) {
    err << "vsk-data: " << path << ": broken " << KindName(kind) << ": " << error.what() << ".\n";
    return 1;
  } catch (const Problem& problem) {
    err << "vsk-data: " << path << ": " << KindName(kind) << ": " << problem.what << ".\n";
    return 1;
  }
  return 0;
}

int InspectFile(const std::string& path, std::ostream& out, std::ostream& err) {
  ByteBuffer bytes;
  std::string error;
  if (!ReadWholeFile(path, &bytes, &error)) {
    err << "vsk-data: " << error << ".\n";
    return 1;
  }
  return InspectData(path, bytes, out, err);
}

int RunInspect(const Args& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: vsk-data inspect FILE\n");
    return 2;
  }
  return InspectFile(args[0], std::cout, std::cerr);
}

}  // namespace vsk::data
