// vsk-data check DIR
#include "vsk-data/check.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <system_error>

#include "vsk-data/commands.h"
#include "vsk-data/read_catalog.h"
#include "vsk-data/read_chunks.h"
#include "vsk-data/read_font.h"
#include "vsk-data/read_lists.h"
#include "vsk-data/read_records.h"
#include "vsk-data/read_screendata.h"
#include "vsk-data/write_file.h"
#include "vsk-data/write_picture.h"

namespace vsk::data {

namespace {

namespace fs = std::filesystem;

// What a file of the table is and how it is checked.
enum class What {
  PathList, SoundList,
  Picture,  // a full-screen picture: picture file and palette
  Graphic,  // a graphic: picture file only
  Sound, Pointer, Font, ScreenData, Chunks, Catalog, Bmp, Wav, GeneralPrefs, StoryPrefs, Options, TownList, Town,
};

struct ClientFile {
  What what;
  const char* name;   // as the client names it; null for an id of a list
  uint32_t id;        // picture or sound id
  const char* chunk;  // chunk files: the chunk the client loads
  bool optional;      // the client does without it; checked when present
  const char* user;   // who opens it
};

// What the set-up, the title and the residence open, in that order, with
// the names the client gives them.
constexpr ClientFile kClientFiles[] = {
    {What::PathList, "./data/path", 0, nullptr, false, "set-up"},
    {What::SoundList, "./data/sfxpath", 0, nullptr, false, "set-up"},
    {What::Catalog, "catalogs/deutsch/VsKBrowser.catalog", 0, nullptr, true, "set-up"},
    {What::Options, "./data/optionen.prefs", 0, nullptr, true, "set-up"},
    {What::GeneralPrefs, "./data/prefs.vsk", 0, nullptr, true, "set-up"},
    {What::StoryPrefs, "./data/BTPrefs.vsk", 0, nullptr, true, "set-up"},
    {What::Chunks, "./data/pop3in/gamechunk.vsk", 0, "INFO", true, "set-up"},
    {What::TownList, "./data/Cities/Town.list", 0, nullptr, true, "set-up"},
    {What::ScreenData, "./data/ScreenDat\\Info_Stadt.dat", 0, nullptr, false, "set-up (a new town)"},
    {What::Chunks, "./data/MapPrefs.vsk", 0, "MREF", false, "set-up (a new capital)"},
    {What::Sound, nullptr, 1, nullptr, false, "set-up (the click)"},
    {What::Bmp, "Data/vsk.bmp", 0, nullptr, false, "OpenGL presenter"},
    {What::Pointer, "./pics/cursor01.chk", 0, nullptr, false, "title"},
    {What::Picture, nullptr, 1, nullptr, false, "title"},
    {What::ScreenData, "./data/screendat/residenz0.dat", 0, nullptr, false, "residence"},
    {What::Font, "fonts/kadunc1.fnt", 0, nullptr, false, "residence"},
    {What::Picture, nullptr, 3, nullptr, false, "residence"},
    {What::Sound, nullptr, 48, nullptr, false, "residence"},
    {What::Graphic, nullptr, 23, nullptr, false, "residence"},
    {What::Graphic, nullptr, 28, nullptr, false, "residence"},
    {What::Graphic, nullptr, 29, nullptr, false, "residence"},
    {What::Graphic, nullptr, 30, nullptr, false, "residence"},
    {What::Graphic, nullptr, 8, nullptr, false, "residence"},
    {What::Graphic, nullptr, 9, nullptr, false, "residence"},
    {What::Font, "fonts/xhelvetica11.fnt", 0, nullptr, false, "residence's text box"},
    {What::Graphic, nullptr, 293, nullptr, false, "residence's text box"},
    {What::Graphic, nullptr, 123, nullptr, false, "residence's text box"},
    {What::Graphic, nullptr, 124, nullptr, false, "residence's text box"},
    {What::Graphic, nullptr, 125, nullptr, false, "residence's text box"},
    {What::Graphic, nullptr, 126, nullptr, false, "residence's text box"},
    {What::Graphic, nullptr, 143, nullptr, false, "residence's text box"},
    {What::Graphic, nullptr, 144, nullptr, false, "residence's text box"},
};

// The directories whose every file of a kind is checked, as the client
// names them.
struct ScannedDir {
  const char* dir;
  const char* extension;  // lower case
  What what;
};
constexpr ScannedDir kScannedDirs[] = {
    {"fonts", ".fnt", What::Font},
    {"./data/ScreenDat", ".dat", What::ScreenData},
    {"./data/Cities", ".vsk", What::Town},
    {"./data/cdaudio", ".wav", What::Wav},
};

constexpr size_t kMaxFileBytes = size_t{64} << 20;
constexpr uint32_t kPointerBytes = kPointerWidth * kPointerHeight;
constexpr uint32_t kPaletteBytes = kPaletteFileSize;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// "1", "2, 4-7, 9": ascending ids with runs joined.
std::string IdList(std::vector<uint32_t> ids) {
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  std::string text;
  for (size_t i = 0; i < ids.size();) {
    size_t j = i;
    while (j + 1 < ids.size() && ids[j + 1] == ids[j] + 1) ++j;
    if (!text.empty()) text += ", ";
    text += std::to_string(ids[i]);
    if (j > i) text += "-" + std::to_string(ids[j]);
    i = j + 1;
  }
  return text;
}

std::string Ids(const char* kind, const std::vector<uint32_t>& ids) {
  return std::string(kind) + (ids.size() == 1 ? " id " : " ids ") + IdList(ids);
}

struct Checker {
  std::string dir;
  CheckReport report;
  std::set<std::string> seen;  // resolved paths of the files looked at

  bool pathListRead = false, soundListRead = false;
  uint32_t pathCount = 0, soundCount = 0;
  std::map<uint32_t, PathRecord> pictures;  // entries that read well, by id
  std::map<uint32_t, SoundRecord> sounds;
  std::set<uint32_t> fullScreen;            // ids opened with their palette

  void Problem(const std::string& path, const std::string& what) { report.problems.push_back(path + ": " + what); }

  // The name as the client gives it, '\' as '/' and without "./".
  static std::string Clean(const std::string& name) {
    std::string clean = name;
    std::replace(clean.begin(), clean.end(), '\\', '/');
    while (clean.rfind("./", 0) == 0) clean.erase(0, 2);
    return clean;
  }

  // The file the client opens for name, as the system has it.
  std::string Resolve(const std::string& name) const { return ResolveInGameDir(dir, Clean(name)); }

  // The path to report for name: the file's own path below the game
  // directory when it is there, else the name as the client gives it.
  std::string Shown(const std::string& name) const {
    std::string resolved = Resolve(name);
    std::string prefix = dir + "/";
    if (FileSizeOf(resolved) >= 0 && resolved.rfind(prefix, 0) == 0) return Clean(resolved.substr(prefix.size()));
    return Clean(name);
  }

  // Marks the file as looked at; false (and nothing more) when it was.
  bool FirstLook(const std::string& name) {
    return seen.insert(fs::path(Resolve(name)).lexically_normal().string()).second;
  }

  // Reads the file the client opens for name. A missing file is a problem
  // unless optional (then false without a problem); so is one that cannot
  // be read.
  bool Load(const std::string& name, bool optional, const std::string& missingNote, ByteBuffer* bytes) {
    std::string resolved = Resolve(name);
    std::error_code error;
    // An optional file that is not there is not counted as looked at.
    if (!optional || fs::exists(resolved, error)) FirstLook(name);
    if (FileSizeOf(resolved) < 0) {
      if (fs::exists(resolved, error)) {
        Problem(Shown(name), "not a regular file");
      } else if (!optional) {
        Problem(Shown(name), "missing" + missingNote);
      }
      return false;
    }
    std::string readError;
    if (!ReadWholeFile(resolved, bytes, &readError, kMaxFileBytes)) {
      Problem(Shown(name), "cannot be read: " + readError);
      return false;
    }
    return true;
  }

  // Runs a reader over the file's bytes; its FormatError becomes the problem.
  template <typename Read>
  bool Parse(const std::string& name, const char* kind, Read read) {
    try {
      read();
      return true;
    } catch (const FormatError& error) {
      Problem(Shown(name), std::string("broken ") + kind + ": " + error.what());
      return false;
    }
  }

  // ---- the two lists -------------------------------------------------------

  void ReadPictureList(const ClientFile& f) {
    ByteBuffer bytes;
    if (!Load(f.name, f.optional, " (" + std::string(f.user) + ")", &bytes)) return;
    if (!Parse(f.name, "path list", [&] { pathCount = ReadPathListCount(bytes); })) return;
    pathListRead = true;
    for (uint32_t i = 0; i < pathCount; ++i) {
      Parse(f.name, "path list", [&] {
        PathRecord e = ReadPathEntry(bytes, i);
        pictures.emplace(e.id, std::move(e));
      });
    }
    for (const auto& [id, e] : pictures) {
      if (e.depth != 8) {
        Problem(Shown(f.name), "picture id " + std::to_string(id) + " has depth " + std::to_string(e.depth) +
                                   "; the client's pictures are 8-bit");
      }
      if (e.PaletteBytes() % 3 != 0) {
        Problem(Shown(f.name), "picture id " + std::to_string(id) + " reads " + std::to_string(e.PaletteBytes()) +
                                   " palette bytes, not whole colours of 3 bytes");
      }
    }
  }

  void ReadSampleList(const ClientFile& f) {
    ByteBuffer bytes;
    if (!Load(f.name, f.optional, " (" + std::string(f.user) + ")", &bytes)) return;
    if (!Parse(f.name, "sound list", [&] { soundCount = ReadSoundListCount(bytes); })) return;
    soundListRead = true;
    for (uint32_t i = 0; i < soundCount; ++i) {
      Parse(f.name, "sound list", [&] {
        SoundRecord e = ReadSoundEntry(bytes, i);
        sounds.emplace(e.id, std::move(e));
      });
    }
  }

  // An id the client opens must be in its list; a broken entry has been
  // reported with the list.
  void NeedId(const char* list, const char* kind, bool listRead, uint32_t count, uint32_t id, const char* user) {
    if (listRead && id > count) {
      Problem(Shown(list), std::string(kind) + " id " + std::to_string(id) + " (" + user + ") is not in the list of " +
                               std::to_string(count) + " entries");
    }
  }

  // ---- the files the lists name ---------------------------------------------

  void CheckPictureFiles() {
    std::map<std::string, std::vector<const PathRecord*>> pictureUses, paletteUses;
    for (const auto& [id, e] : pictures) {
      pictureUses[e.pictureFile].push_back(&e);
      if (e.PaletteBytes() || fullScreen.count(id)) paletteUses[e.paletteFile].push_back(&e);
      if (fullScreen.count(id) && !e.PaletteBytes()) {
        Problem(Shown(kPicturePathListName), "picture id " + std::to_string(id) +
                                                 " is shown full-screen but its entry reads no palette");
      }
    }
    for (const auto& [file, uses] : pictureUses) {
      std::vector<uint32_t> ids;
      for (const PathRecord* e : uses) ids.push_back(e->id);
      ByteBuffer bytes;
      if (!Load(file, false, " (" + Ids("picture", ids) + ")", &bytes)) continue;
      // One problem per size the entries give that the file does not have.
      std::map<uint32_t, std::vector<uint32_t>> bySize;
      for (const PathRecord* e : uses) {
        if (bytes.size() != e->dataSize) bySize[e->dataSize].push_back(e->id);
      }
      for (const auto& [size, sizeIds] : bySize) {
        const PathRecord& e = pictures.at(sizeIds.front());
        Problem(Shown(file), "picture file of " + std::to_string(bytes.size()) + " bytes, but " +
                                 Ids("picture", sizeIds) + " is " + std::to_string(e.width) + " x " +
                                 std::to_string(e.height) + " = " + std::to_string(size));
      }
      // The colours the picture uses must be among those its palette
      // entry reads.
      uint8_t highest = 0;
      for (uint8_t p : bytes) highest = std::max(highest, p);
      for (const PathRecord* e : uses) {
        const uint32_t colours = e->PaletteBytes() / 3;
        if (e->PaletteBytes() && colours <= highest) {
          Problem(Shown(file), "uses colour " + std::to_string(highest) + " but picture id " +
                                   std::to_string(e->id) + " reads only " + std::to_string(colours) +
                                   " colours from its palette");
        }
      }
    }
    for (const auto& [file, uses] : paletteUses) {
      std::vector<uint32_t> ids;
      for (const PathRecord* e : uses) ids.push_back(e->id);
      ByteBuffer bytes;
      if (!Load(file, false, " (palette of " + Ids("picture", ids) + ")", &bytes)) continue;
      if (bytes.size() != kPaletteBytes) {
        Problem(Shown(file), "palette file of " + std::to_string(bytes.size()) +
                                 " bytes, expected 768 (256 colours of 3 bytes)");
      }
    }
  }

  void CheckSampleFiles() {
    std::map<std::string, std::vector<const SoundRecord*>> uses;
    for (const auto& [id, e] : sounds) uses[e.file].push_back(&e);
    for (const auto& [file, fileUses] : uses) {
      std::vector<uint32_t> ids;
      for (const SoundRecord* e : fileUses) ids.push_back(e->id);
      ByteBuffer bytes;
      if (!Load(file, false, " (" + Ids("sound", ids) + ")", &bytes)) continue;
      if (bytes.size() % 2) {
        Problem(Shown(file), "sample file of " + std::to_string(bytes.size()) + " bytes, an odd number; samples are 16-bit");
        continue;
      }
      std::map<uint32_t, std::vector<uint32_t>> bySize;
      for (const SoundRecord* e : fileUses) {
        if (bytes.size() != e->dataSize) bySize[e->dataSize].push_back(e->id);
      }
      for (const auto& [size, sizeIds] : bySize) {
        Problem(Shown(file), "sample file of " + std::to_string(bytes.size()) + " bytes, but " +
                                 Ids("sound", sizeIds) + " plays " + std::to_string(size));
      }
    }
  }

  // ---- single files -----------------------------------------------------------

  // Checks a file that stands alone; chunk names the chunk the client
  // loads from a chunk file.
  void CheckFile(const std::string& name, What what, bool optional, const char* user, const char* chunk = nullptr) {
    ByteBuffer bytes;
    if (!Load(name, optional, user ? " (" + std::string(user) + ")" : std::string(), &bytes)) return;
    switch (what) {
      case What::Town:
        if (bytes.size() != kTownFileSize) {
          Problem(Shown(name), "town file of " + std::to_string(bytes.size()) + " bytes, expected " +
                                   std::to_string(kTownFileSize) + " (wrong size)");
          break;
        }
        Parse(name, "town file", [&] { ReadTownFile(bytes); });
        break;
      case What::Pointer:
        if (bytes.size() != kPointerBytes) {
          Problem(Shown(name), "pointer image of " + std::to_string(bytes.size()) + " bytes, expected 32 x 27 = " +
                                   std::to_string(kPointerBytes));
        }
        break;
      case What::Font: Parse(name, "font", [&] { ReadFont(bytes); }); break;
      case What::ScreenData: Parse(name, "screen-data file", [&] { ReadScreenData(bytes); }); break;
      case What::Catalog: Parse(name, "catalog", [&] { ReadCatalog(bytes); }); break;
      case What::GeneralPrefs: Parse(name, "general preferences", [&] { ReadGeneralPrefs(bytes); }); break;
      case What::StoryPrefs: Parse(name, "story preferences", [&] { ReadStoryPrefs(bytes); }); break;
      case What::Options: Parse(name, "options file", [&] { ReadOptions(bytes); }); break;
      case What::Bmp: Parse(name, "BMP picture", [&] { ReadBmp(bytes); }); break;
      case What::Wav: Parse(name, "WAV sound", [&] { ReadWav(bytes); }); break;
      case What::Chunks: {
        std::vector<ChunkData> chunks;
        if (!Parse(name, "chunk file", [&] { chunks = ReadChunkFile(bytes); }) || !chunk) break;
        const uint32_t wanted = (uint32_t{static_cast<uint8_t>(chunk[0])} << 24) |
                                (uint32_t{static_cast<uint8_t>(chunk[1])} << 16) |
                                (uint32_t{static_cast<uint8_t>(chunk[2])} << 8) | static_cast<uint8_t>(chunk[3]);
        bool found = std::any_of(chunks.begin(), chunks.end(), [&](const ChunkData& c) { return c.id == wanted; });
        if (!found) Problem(Shown(name), std::string("chunk file without the \"") + chunk + "\" chunk the " + user + " loads");
        break;
      }
      case What::TownList: {
        std::vector<TownListEntry> towns;
        if (!Parse(name, "town list", [&] { towns = ReadTownList(bytes); })) break;
        for (const TownListEntry& t : towns) {
          if (t.name.empty() || t.name.find_first_of("/\\") != std::string::npos) {
            Problem(Shown(name), "town " + std::to_string(t.id) + " has a name that is no file name: " + Quote(t.name));
            continue;
          }
          CheckFile("./data/Cities/" + t.name + ".vsk", What::Town, false, "named by the town list");
        }
        break;
      }
      default: break;
    }
  }

  // Every file of a kind in a directory the client reads that kind from.
  void ScanDirectory(const std::string& dirName, const std::string& extension, What what) {
    std::string resolved = Resolve(dirName);
    std::error_code error;
    if (!fs::is_directory(resolved, error)) return;
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(resolved, error)) {
      std::string name = entry.path().filename().string();
      if (EndsWith(Lower(name), extension)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      std::string client = Clean(dirName) + "/" + name;
      if (seen.count(fs::path(Resolve(client)).lexically_normal().string())) continue;
      CheckFile(client, what, false, nullptr);
    }
  }

  // Catalogs: one directory per language below "catalogs".
  void ScanCatalogs() {
    std::string resolved = Resolve("catalogs");
    std::error_code error;
    if (!fs::is_directory(resolved, error)) return;
    std::vector<std::string> languages;
    for (const fs::directory_entry& entry : fs::directory_iterator(resolved, error)) {
      std::error_code kindError;
      if (entry.is_directory(kindError)) languages.push_back(entry.path().filename().string());
    }
    std::sort(languages.begin(), languages.end());
    for (const std::string& language : languages) ScanDirectory("catalogs/" + language, ".catalog", What::Catalog);
  }

  static constexpr const char* kPicturePathListName = "./data/path";

  void Run() {
    for (const ClientFile& f : kClientFiles) {
      switch (f.what) {
        case What::PathList: ReadPictureList(f); break;
        case What::SoundList: ReadSampleList(f); break;
        case What::Picture:
          fullScreen.insert(f.id);
          NeedId(kPicturePathListName, "picture", pathListRead, pathCount, f.id, f.user);
          break;
        case What::Graphic: NeedId(kPicturePathListName, "picture", pathListRead, pathCount, f.id, f.user); break;
        case What::Sound: NeedId("./data/sfxpath", "sound", soundListRead, soundCount, f.id, f.user); break;
        default: CheckFile(f.name, f.what, f.optional, f.user, f.chunk); break;
      }
    }
    CheckPictureFiles();
    CheckSampleFiles();
    for (const ScannedDir& scanned : kScannedDirs) ScanDirectory(scanned.dir, scanned.extension, scanned.what);
    ScanCatalogs();
    report.files = seen.size();
  }
};

}  // namespace

CheckReport CheckGameDirectory(const std::string& dir) {
  Checker checker;
  checker.dir = dir;
  while (checker.dir.size() > 1 && checker.dir.back() == '/') checker.dir.pop_back();
  checker.Run();
  return checker.report;
}

int CheckGameDir(const std::string& dir, std::ostream& out, std::ostream& err) {
  std::error_code error;
  if (dir.empty() || !fs::is_directory(dir, error)) {
    err << "vsk-data check: " << (dir.empty() ? std::string("\"\"") : dir) << " is not a directory.\n";
    return 2;
  }
  CheckReport report = CheckGameDirectory(dir);
  for (const std::string& line : report.problems) out << line << "\n";
  const size_t n = report.problems.size();
  out << "vsk-data check: ";
  if (n == 0) {
    out << "no problems";
  } else {
    out << n << (n == 1 ? " problem" : " problems");
  }
  out << " in " << report.files << " files\n";
  return n ? 1 : 0;
}

int RunCheck(const Args& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: vsk-data check DIR\n");
    return 2;
  }
  return CheckGameDir(args[0], std::cout, std::cerr);
}

}  // namespace vsk::data
