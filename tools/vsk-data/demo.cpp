// vsk-data demo DIR: writes the complete demo game directory.
#include "vsk-data/demo.h"

#include <chrono>
#include <cstdio>
#include <map>

#include "pictures/screendata.h"
#include "vsk-data/art.h"
#include "vsk-data/commands.h"
#include "vsk-data/convert.h"
#include "vsk-data/demo_sound.h"
#include "vsk-data/write_bmp.h"
#include "vsk-data/write_catalog.h"
#include "vsk-data/write_chunk.h"
#include "vsk-data/write_file.h"
#include "vsk-data/write_font.h"
#include "vsk-data/write_picture.h"
#include "vsk-data/write_screendata.h"
#include "vsk-data/write_sound.h"

namespace vsk::data {

const char kDemoCatalogManifest[] =
    "# The German texts of the demo: every text the title, the residence and\n"
    "# the boxes show, and the names the town screens will use.\n"
    "version: $VER: VsKBrowser.catalog 1.0 (04.06.2005)\n"
    "language: deutsch\n"
    "author: Veskaria demo data (vsk-data)\n"
    "0: Bildschirmmodus w\u00e4hlen\n"
    "1: abbrechen !\n"
    "2: Ok !\n"
    "3: ja\n"
    "4: nein\n"
    "5: zur\u00fcck\n"
    "6: weiter\n"
    "7: vorige\n"
    "8: Hilfe\n"
    "9: annehmen\n"
    "10: schlie\u00dfen\n"
    "11: Ende\n"
    "12: speichern\n"
    "13: laden\n"
    "14: Stadt\n"
    "15: Reich\n"
    "16: Karte\n"
    "17: Post\n"
    "18: Plaudern\n"
    "19: Titelbild\n"
    "20: Heer\n"
    "21: Schatzkammer\n"
    "22: Rat\n"
    "23: Markt\n"
    "24: Hafen\n"
    "25: Tempel\n"
    "26: Optionen\n"
    "27: Statistik\n"
    "28: Chronik\n"
    "57: Taverne\n"
    "58: Residenz\n"
    "59: Rathaus\n"
    "60: Kornspeicher\n"
    "61: Markthalle\n"
    "62: Schmiede\n"
    "63: Kaserne\n"
    "64: St\u00e4lle\n"
    "65: Wachturm\n"
    "66: Stadtmauer\n"
    "67: Torhaus\n"
    "68: M\u00fchle\n"
    "69: B\u00e4ckerei\n"
    "70: Brauerei\n"
    "71: S\u00e4gem\u00fchle\n"
    "72: Steinbruch\n"
    "73: Eisenmine\n"
    "74: Bauernhof\n"
    "75: Fischerei\n"
    "76: Werft\n"
    "77: Lagerhaus\n"
    "78: Kapelle\n"
    "79: gro\u00dfer Tempel\n"
    "80: Bibliothek\n"
    "81: Schule\n"
    "82: Badehaus\n"
    "83: Spital\n"
    "84: Gildehaus\n"
    "85: M\u00fcnze\n"
    "86: Kerker\n"
    "88: R\u00fcstkammer\n"
    "330: Info-Fenster\n"
    "331: Hilfe-Fenster\n"
    "622: Willkommen in Eurer Residenz, Herrscher von Kadun!\\n\\n"
    "Der lange Weg liegt hinter Euch. Die Tore haben sich hinter Eurem Gefolge geschlossen, "
    "die Fackeln brennen in der gro\u00dfen Halle, und die Diener haben das Feuer im Kamin "
    "entz\u00fcndet. Von diesem Sitz aus regiert Ihr Euer Reich: jeder Erlass, der diese Mauern "
    "verl\u00e4sst, tr\u00e4gt Euer Siegel, und jede Stadt, die Euer Banner f\u00fchrt, erwartet "
    "von hier ihre Befehle.\\n\\n"
    "Eure erste Stadt liegt unten am H\u00fcgel. Ihre B\u00fcrger haben H\u00e4user, einen "
    "Kornspeicher und einen Markt gebaut, doch vieles bleibt zu tun. Besucht Eure St\u00e4dte "
    "von der Residenz aus und bestimmt, was als N\u00e4chstes gebaut wird: eine Schmiede f\u00fcr "
    "Werkzeug und Waffen, eine M\u00fchle und eine B\u00e4ckerei f\u00fcr ein wachsendes Volk, "
    "eine Mauer f\u00fcr unruhige Zeiten.\\n\\n"
    "Die Schatzkammer ist das zweite Herz des Reiches. Steuern f\u00fcllen sie, und zu hohe "
    "Steuern leeren die Gassen. Ein zufriedenes Volk arbeitet flei\u00dfiger, zahlt williger "
    "und verteidigt seine Mauern; eine hungrige, \u00fcberbesteuerte Stadt wendet sich fr\u00fcher "
    "oder sp\u00e4ter gegen ihren Herrscher.\\n\\n"
    "Kadun ist kein friedliches Land. Andere Herrscher begehren fruchtbare Felder, Silberminen "
    "und H\u00e4fen, und auf jeder einsamen Stra\u00dfe lauern R\u00e4uber. Werbt Soldaten in der "
    "Kaserne an, bildet Bogensch\u00fctzen aus und haltet Pferde in den St\u00e4llen. Ein Heer "
    "kostet jede Runde Gold, auch wenn es nur das Tor bewacht.\\n\\n"
    "Wenn Ihr Neuigkeiten braucht, geht hinunter in die Taverne. Reisende, H\u00e4ndler und "
    "S\u00f6ldner trinken dort, und f\u00fcr eine M\u00fcnze oder zwei erz\u00e4hlen sie, was sie "
    "auf den Stra\u00dfen gesehen haben.\\n\\n"
    "Die Chroniken von Kadun sind noch ungeschrieben. Herrscht weise, baut gut und verteidigt, "
    "was Euer ist, und eines Tages werden die Barden in jeder Taverne des Landes Euren Namen "
    "besingen.\\n\\n"
    "Schlie\u00dft dieses Fenster, um Eure Herrschaft zu beginnen.\n";

const char kDemoListRequesterManifest[] =
    "# The list requester (picture 340, 195 x 220): gadgets in box coordinates.\n"
    "label hilfe 8\n"
    "label ok 2\n"
    "label ende 11\n"
    "# the list itself: a click chooses the line under the pointer\n"
    "gadget 0 0 39 60 144 155 CH00 flags=2\n"
    "gadget 123 124 150 48 166 64 UP00 flags=9\n"
    "gadget 125 126 150 133 166 149 DO00 flags=9\n"
    "gadget 0 0 151 67 165 130 REQ0 flags=2\n"
    "gadget 341 342 10 180 62 200 INFO flags=12 label=hilfe\n"
    "gadget 341 342 72 180 124 200 OKOK flags=12 label=ok\n"
    "gadget 341 342 134 180 186 200 EXIT flags=12 label=ende\n"
    "frame 16 12 179 36\n";

namespace {

// Collects the files as they are written.
struct DemoWriter {
  std::string dir;
  DemoSummary summary;
  std::string error;

  bool Put(const std::string& relative, const ByteBuffer& bytes) {
    if (!WriteFileAtomic(dir + "/" + relative, bytes, &error)) return false;
    ++summary.files;
    summary.bytes += bytes.size();
    return true;
  }
};

bool WritePictures(DemoWriter& w) {
  Palette palette = DemoPalette();
  std::map<uint32_t, PathListPicture> entries;
  for (const DemoPicture& p : DrawAllDemoPictures()) {
    PathListPicture entry;
    entry.base = std::string("./data/pics/") + p.name;
    entry.width = p.image.width;
    entry.height = p.image.height;
    entry.ident = p.id;
    if (!w.Put(entry.base.substr(2) + ".chk", BuildPictureFile(p.image)) ||
        !w.Put(entry.base.substr(2) + ".cma", BuildPaletteFile(palette)))
      return false;
    entries.emplace(p.id, entry);
  }
  // Every id without a picture of its own names one transparent pixel, so
  // that any id of the list loads.
  PathListPicture filler;
  filler.base = "./data/pics/leer";
  filler.width = filler.height = 1;
  IndexedImage empty;
  empty.width = empty.height = 1;
  empty.pixels = {0};
  if (!w.Put("data/pics/leer.chk", BuildPictureFile(empty)) ||
      !w.Put("data/pics/leer.cma", BuildPaletteFile(palette)) ||
      !w.Put("data/path", BuildPathList(entries, filler)))
    return false;

  IndexedImage pointer = DrawPointer();
  if (pointer.width != kPointerWidth || pointer.height != kPointerHeight) {
    w.error = "the pointer picture is not 32 x 27";
    return false;
  }
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> backdrop = DrawBackdropRgb(width, height);
  return w.Put("pics/cursor01.chk", BuildPictureFile(pointer)) &&
         w.Put("data/vsk.bmp", BuildBmp24(width, height, backdrop));
}

bool WriteFonts(DemoWriter& w) {
  std::string dejavu = kDejaVuDirectory;
  // The title font: bold serif capitals in gold, light at the top and dark
  // at the foot, with a dark rim.
  FontRasterOptions title;
  title.ttfPath = dejavu + "/DejaVuSerif-Bold.ttf";
  title.pixelHeight = 17;
  title.multiColour = true;
  title.rowColours = {138, 137, 136, 135, 134, 133, 132, 131, 130, 129};
  title.shadowIndex = 255;
  FontRasterOptions text;
  text.ttfPath = dejavu + "/DejaVuSans.ttf";
  text.pixelHeight = 11;
  DiskFont font;
  if (!RasteriseFont(title, &font, &w.error) || !w.Put("fonts/kadunc1.fnt", BuildFontFile(font)))
    return false;
  font = DiskFont{};
  return RasteriseFont(text, &font, &w.error) && w.Put("fonts/xhelvetica11.fnt", BuildFontFile(font));
}

bool WriteSounds(DemoWriter& w) {
  std::map<uint32_t, SoundListEntry> sounds;
  auto add = [&](uint32_t id, const char* file, const std::vector<int16_t>& samples) {
    ByteBuffer bytes = BuildSampleFile(samples);
    if (id) sounds[id] = SoundListEntry{file, static_cast<uint32_t>(bytes.size()), kDemoSoundRate};
    return w.Put(std::string(file).substr(2), bytes);
  };
  if (!add(1, "./data/sfx/klick.raw", SynthClick()) ||
      !add(48, "./data/sfx/residenz.raw", SynthResidenceAmbience()))
    return false;
  std::vector<int16_t> silence = SynthSilence();
  SoundListEntry filler{"./data/sfx/stille.raw", static_cast<uint32_t>(silence.size() * 2), kDemoSoundRate};
  return add(0, "./data/sfx/stille.raw", silence) && w.Put("data/sfxpath", BuildSoundList(sounds, filler)) &&
         w.Put("data/cdaudio/track02.wav", BuildWavFile(SynthMusicTrack(), kDemoMusicRate, 2));
}

// The residence's buttons: one hidden gadget over each of the six buildings
// of the keep, labelled with the place it leads to.
ScreenDataContent ResidenceScreenData() {
  ScreenDataContent content;
  struct Place {
    uint32_t text;
    const char* command;
  };
  const Place places[6] = {{14, "STAD"}, {16, "KART"}, {22, "RATS"},
                           {57, "TAVE"}, {26, "OPTI"}, {11, "EXIT"}};
  for (size_t i = 0; i < 6; ++i) {
    const GraphicPlace& g = kResidenceGraphics[i];
    LabelEntry label;
    label.words[0] = static_cast<uint16_t>(g.x);
    label.words[1] = static_cast<uint16_t>(g.y);
    label.text = places[i].text;
    content.labels.push_back(label);
    GadgetEntry gadget;
    gadget.image = gadget.pressedImage = static_cast<uint16_t>(g.id);
    gadget.flags = vsk::kGadgetHidden | vsk::kGadgetLabelled;
    gadget.left = static_cast<uint16_t>(g.x);
    gadget.top = static_cast<uint16_t>(g.y);
    gadget.right = static_cast<uint16_t>(g.x + 100);
    gadget.bottom = static_cast<uint16_t>(g.y + 100);
    gadget.command = CommandCode(places[i].command);
    gadget.label = static_cast<int32_t>(i);
    content.gadgets.push_back(gadget);
  }
  return content;
}

// The 235 building templates of a new town: five levels of 47 buildings.
// Of level 1, every third building may be placed at random (flags bit 0,
// value 0); the rest cost gold (value) and wait to be built.
}  // namespace

ScreenDataContent TownScreenData() {
  ScreenDataContent content;
  for (uint16_t i = 0; i < 235; ++i) {
    TownTemplate t;
    t.level = static_cast<uint16_t>(1 + i / 47);
    bool randomPlace = t.level == 1 && i % 3 == 0;
    t.flags = (i < 94 || randomPlace) ? 1 : 0;
    t.value = randomPlace ? 0 : 50u * (i % 47 + 1) * t.level;
    t.words8[0] = static_cast<uint16_t>(10 + i % 7 * 5);  // wood
    t.words8[1] = static_cast<uint16_t>(5 + i % 5 * 4);   // stone
    t.words12[0] = static_cast<uint16_t>(59 + i % 30);    // name: a building text
    t.words12[1] = static_cast<uint16_t>(i);              // building number
    t.words12[2] = static_cast<uint16_t>(2 + i % 4);      // workers
    t.words30[0] = static_cast<uint16_t>(i % 16 * 36);    // place on the town map
    t.words30[1] = static_cast<uint16_t>(i / 16 * 28);
    t.words44[0] = static_cast<uint16_t>(1 + i % 3);      // upkeep
    content.towns.push_back(t);
  }
  return content;
}

namespace {

bool WriteScreenData(DemoWriter& w) {
  ScreenDataContent requester;
  if (!ParseScreenDataManifest(kDemoListRequesterManifest, &requester, &w.error)) return false;
  return w.Put(kDemoResidenceDataFile, BuildScreenData(ResidenceScreenData())) &&
         w.Put(kDemoTownDataFile, BuildScreenData(TownScreenData())) &&
         w.Put(kDemoListRequesterFile, BuildScreenData(requester));
}

// The general preferences of a player who has joined a game: towns are
// stored (field 0 = 2), player 1 (field 9), the names (fields 10 and 8).
ByteBuffer DemoGeneralPrefs() {
  ByteBuffer prefs;
  PutTag(prefs, "PREF");
  PutTag(prefs, "V001");
  PutLE32(prefs, 220);
  PutZeros(prefs, 220);
  auto text = [&prefs](size_t offset, const char* value) {
    for (size_t i = 0; value[i] && i < 39; ++i) prefs[offset + i] = static_cast<uint8_t>(value[i]);
  };
  prefs[12] = 2;   // field 0: town storage mode
  prefs[148] = 1;  // field 9: player number
  text(152, "Aldric");      // field 10: first name
  text(108, "von Veskar");  // field 8: second name
  return prefs;
}

bool WriteChunksAndCatalog(DemoWriter& w) {
  // The game chunk: the player's preferences first, then the game's "INFO".
  ByteBuffer pref;
  PutBE16(pref, 1);
  InfoChunk info;
  info.word12 = 1;         // game number
  info.word16 = 4;         // players
  info.word20 = 12;        // turn
  info.text24[0] = 'D';    // land "DEMO"
  info.text24[1] = 'E';
  info.text24[2] = 'M';
  info.text24[3] = 'O';
  info.gameValue = 3;
  info.word30 = 20050604;  // date of the turn
  ByteBuffer game = BuildChunk("PREF", pref);
  ByteBuffer infoChunk = BuildChunk("INFO", BuildInfoBody(info));
  game.insert(game.end(), infoChunk.begin(), infoChunk.end());
  MrefChunk mref;
  mref.word12 = 1;
  mref.word16 = 0;
  mref.mapX = 120;
  mref.mapY = 85;
  CatalogContent catalog;
  if (!ParseCatalogManifest(kDemoCatalogManifest, &catalog, &w.error)) return false;
  return w.Put("data/prefs.vsk", DemoGeneralPrefs()) && w.Put("data/pop3in/gamechunk.vsk", game) &&
         w.Put("data/MapPrefs.vsk", BuildChunk("MREF", BuildMrefBody(mref))) &&
         w.Put("catalogs/deutsch/VsKBrowser.catalog", BuildCatalog(catalog));
}

}  // namespace

bool WriteDemo(const std::string& dir, DemoSummary* summary, std::string* error) {
  DemoWriter w;
  w.dir = dir;
  bool ok = MakeDirectories(dir, &w.error) && WritePictures(w) && WriteFonts(w) && WriteSounds(w) &&
            WriteScreenData(w) && WriteChunksAndCatalog(w);
  if (summary) *summary = w.summary;
  if (!ok && error) *error = w.error;
  return ok;
}

int RunDemo(const Args& args) {
  if (args.size() != 1 || args[0].empty()) {
    std::fprintf(stderr, "usage: vsk-data demo DIR\n");
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  DemoSummary summary;
  std::string error;
  if (!WriteDemo(args[0], &summary, &error)) {
    std::fprintf(stderr, "vsk-data demo: %s\n", error.c_str());
    return 1;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("vsk-data demo: wrote %zu files (%zu bytes) to %s in %.2f s\n", summary.files, summary.bytes,
              args[0].c_str(), seconds);
  return 0;
}

}  // namespace vsk::data
