// The locale catalog (opened, damaged, no memory); the game-chunk loader and every layout's byte order.
#include "catalog/catalog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "catalog/chunk.h"
#include "catalog/strings.h"
#include "services/byteorder.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "support/bytes.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "support/scoped_env.h"
#include "vsk-data/write_catalog.h"

namespace vsk {
namespace {

using test::Bytes;

Bytes Chunk(const char* identifier, const Bytes& body) {
  Bytes chunk;
  chunk.text(identifier).be32(static_cast<uint32_t>(body.size())).append(body);
  if (body.size() % 2) chunk.u8(0);
  return chunk;
}

// A text chunk holding the text and its terminator.
Bytes TextChunk(const char* identifier, const std::string& text) { return Chunk(identifier, Bytes().text(text).u8(0)); }

// A string record: number, length with terminator, text, padding to 4.
Bytes Record(uint32_t number, const std::string& text) {
  Bytes record;
  record.be32(number).be32(static_cast<uint32_t>(text.size() + 1)).text(text).u8(0);
  while (record.size() % 4) record.u8(0);
  return record;
}

Bytes Join(const std::vector<Bytes>& parts) {
  Bytes all;
  for (const Bytes& part : parts) all.append(part);
  return all;
}
Bytes Strings(const std::vector<Bytes>& records) { return Chunk("STRS", Join(records)); }

Bytes Form(const std::vector<Bytes>& chunks, std::optional<uint32_t> length = std::nullopt) {
  const Bytes body = Join(chunks);
  Bytes form;
  form.text("FORM").be32(length.value_or(static_cast<uint32_t>(body.size() + 4))).text("CTLG");
  return form.append(body);
}

// The catalog the data kit writes: FVER, LANG, AUTH and two strings.
Bytes GermanCatalog() {
  return {
      data::BuildCatalog({"$VER: VsKBrowser.catalog 1.0", "deutsch", "Kadun Team", {{58, "Residenz"}, {14, "Stadt"}}})};
}

class CatalogTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    baseline_ = LiveAllocVecBlocks();
    for (uint16_t i = 0; i < kStringCount; ++i) builtin_[i] = BuiltinStrings[i].text;
  }
  void TearDown() override {
    FailAllocVecAt(0);
    GameDirTest::TearDown();
  }

  void WriteCatalog(const Bytes& bytes) {
    test::MakeDir("catalogs/deutsch");
    test::WriteBytes("catalogs/deutsch/VsKBrowser.catalog", bytes.data);
  }
  static Catalog* Open() { return OpenCatalog("VsKBrowser.catalog", &BuiltinStrings[0], &BuiltinStrings[1]); }
  // True when every entry carries its built-in text again.
  bool TableIsBuiltIn() const {
    for (uint16_t i = 0; i < kStringCount; ++i)
      if (BuiltinStrings[i].text != builtin_[i]) return false;
    return true;
  }
  static bool InBuffer(const Catalog* catalog, const char* text) {
    auto* p = reinterpret_cast<const uint8_t*>(text);
    return p >= catalog->buffer && p < catalog->buffer + catalog->bufferLength;
  }

  int64_t baseline_ = 0;
  const char* builtin_[kStringCount] = {};
  test::ScopedEnv locale_{"LC_ALL", "de_DE.UTF-8"};
};

// Catalogs not opened, each with its log line: English user, no file, no FORM or CTLG. Nothing is kept.
TEST_F(CatalogTest, CatalogsNotOpenedKeepTheBuiltInTexts) {
  const std::string noForm = "OpenCatalog: Konnte den FORM Chunk nicht finden.\n";
  const std::string noCtlg = "OpenCatalog: Konnte den CTLG Chunk nicht finden.\n";
  Bytes notCtlg = GermanCatalog();
  std::memcpy(&notCtlg.data[8], "CTLX", 4);
  const struct {
    const char* locale;
    std::optional<Bytes> file;
    std::string message;
  } cases[] = {
      {"en_US.UTF-8", GermanCatalog(), "OpenCatalog: Konnte das File English nicht \xf6" "ffnen!\n"},
      {"de_DE.UTF-8", std::nullopt,
       "OpenCatalog: Konnte das File catalogs/deutsch/VsKBrowser.catalog nicht \xf6" "ffnen!\n"},
      {"de_DE.UTF-8", Bytes().text("FROM").be32(4).text("CTLG"), noForm},
      {"de_DE.UTF-8", Bytes().text("FO"), noForm},
      {"de_DE.UTF-8", notCtlg, noCtlg},
      {"de_DE.UTF-8", Bytes().text("FORM").be32(4), noCtlg},
  };
  for (const auto& c : cases) {
    setenv("LC_ALL", c.locale, 1);
    if (c.file) WriteCatalog(*c.file);
    else std::remove("catalogs/deutsch/VsKBrowser.catalog");
    test::LogCapture log;
    EXPECT_EQ(Open(), nullptr);
    EXPECT_EQ(log.Take(), c.message);
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
    EXPECT_TRUE(TableIsBuiltIn());
  }
  CloseCatalog(nullptr);  // what the shutdown does when there was no catalog
}

TEST_F(CatalogTest, ChunkLookupRoundsOddLengthsAndKnowsOnlyItsChunks) {
  WriteCatalog(Form({Chunk("AUTH", Bytes().text("Anna").u8(0)), Strings({Record(1, "Abbruch !")})}));
  Catalog* catalog = Open();
  ASSERT_NE(catalog, nullptr);
  CatalogChunk* author = FindCatalogChunk(catalog, "AUTH");
  ASSERT_NE(author, nullptr);
  EXPECT_EQ(author->length, 6u);
  EXPECT_EQ(std::memcmp(author->data, "Anna", 5), 0);
  FreeVec(author);
  EXPECT_EQ(FindCatalogChunk(catalog, "LANG"), nullptr);
  EXPECT_EQ(FindCatalogChunk(catalog, "AU"), nullptr);
  EXPECT_FALSE(ReadCatalogChunk(catalog, nullptr, "XXXX", &BuiltinStrings[0], &BuiltinStrings[1]));
  CloseCatalog(catalog);
  EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
}

// Catalogs read as far as they hold: what each says ("N/A": text chunk missing or empty), texts taken (null: none).
TEST_F(CatalogTest, DamagedCatalogsAreReadAsFarAsTheyHold) {
  // The record of "Hallo" takes 8 + 5 rounded up to 8 bytes, the next right behind.
  Bytes odd;
  odd.be32(58).be32(5).text("Hallo").zeros(3).be32(57).be32(4).text("Bar").u8(0);
  Bytes skipped;
  skipped.append(Record(1421, "zu weit")).append(Record(0xFFFFFFFF, "viel zu weit"));
  skipped.be32(26).be32(4).text("ABCD");  // no terminator in its space
  skipped.be32(11).be32(0);               // no space at all
  skipped.append(Record(1420, "letzte")).append(Record(58, "Residenz"));
  // A text length far beyond the chunk: nothing behind it is read.
  Bytes huge;
  huge.append(Record(14, "Stadt")).be32(57).be32(0xFFFFFFF0).append(Record(58, "Residenz"));
  Bytes headerCut;  // the chunk ends in the middle of a record header
  headerCut.append(Record(14, "Stadt")).be32(58);
  auto behind = [](const Bytes& strings) { return Form({Chunk("STRS", strings), TextChunk("AUTH", "hinten")}); };
  // A file cut in the middle of "STRS": that chunk is missing.
  Bytes cut = GermanCatalog();
  cut.data.resize(cut.size() - 6);
  // A chunk whose length (0x10000004) runs past the file ends the walk.
  Bytes past = Form({TextChunk("LANG", "deutsch"), Chunk("AUTH", Bytes().be32(0)), Strings({Record(58, "Residenz")})});
  past.data[12 + 16 + 4] = 0x10;
  struct Row {
    const char* what;
    Bytes file;
    const char *version, *language, *author;
    uint32_t strings;  // "STRS" chunks read
    std::vector<std::pair<uint16_t, const char*>> texts;
  };
  const char* na = "N/A";
  const Row rows[] = {
      {"the German catalog", GermanCatalog(), "$VER: VsKBrowser.catalog 1.0", "deutsch", "Kadun Team", 1,
       {{58, "Residenz"}, {14, "Stadt"}, {57, nullptr}}},
      {"an empty AUTH chunk",
       Form({Chunk("AUTH", Bytes()), TextChunk("LANG", "deutsch"), Strings({Record(58, "Residenz")})}), na,
       "deutsch", na, 1, {{58, "Residenz"}}},
      {"no strings", Form({TextChunk("FVER", "$VER: 2.0")}), "$VER: 2.0", na, na, 0, {{58, nullptr}}},
      {"an odd text length", Form({Chunk("STRS", odd)}), na, na, na, 1, {{58, "Hallo"}, {57, "Bar"}}},
      {"numbers beyond the table, unterminated texts", behind(skipped), na, na, "hinten", 1,
       {{26, nullptr}, {11, nullptr}, {1420, "letzte"}, {58, "Residenz"}}},
      {"a length beyond the chunk", behind(huge), na, na, "hinten", 1, {{14, "Stadt"}, {57, nullptr}, {58, nullptr}}},
      {"a record header cut", behind(headerCut), na, na, "hinten", 1, {{14, "Stadt"}, {57, nullptr}, {58, nullptr}}},
      {"a file cut in the strings", cut, "$VER: VsKBrowser.catalog 1.0", "deutsch", "Kadun Team", 0,
       {{58, nullptr}, {14, nullptr}}},
      {"a chunk length past the file", past, na, "deutsch", na, 0, {{58, nullptr}}},
      {"a FORM length past the file", Form({TextChunk("AUTH", "Kadun"), Strings({Record(58, "Residenz")})}, 0x7FFFFFF0),
       na, na, "Kadun", 1, {{58, "Residenz"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WriteCatalog(row.file);
    test::LogCapture log;
    Catalog* catalog = Open();
    EXPECT_EQ(log.Take(), "");
    ASSERT_NE(catalog, nullptr);
    EXPECT_STREQ(catalog->version, row.version);
    EXPECT_STREQ(catalog->language, row.language);
    EXPECT_STREQ(catalog->author, row.author);
    EXPECT_EQ(catalog->stringsChunks, row.strings);
    for (const auto& [number, text] : row.texts) {
      EXPECT_STREQ(BuiltinStrings[number].text, text ? text : builtin_[number]) << number;
      EXPECT_EQ(InBuffer(catalog, BuiltinStrings[number].text), text != nullptr) << "taken from the file";
    }
    CloseCatalog(catalog);
    EXPECT_TRUE(TableIsBuiltIn());
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
  }
}

TEST_F(CatalogTest, EveryAllocationFailureLeavesNothingBehind) {
  WriteCatalog(GermanCatalog());
  const std::string noMemory = "AllocVec: 000 ";
  uint32_t failing = 1;
  for (;; ++failing) {
    ASSERT_LT(failing, 30u) << "the catalog never opened";
    FailAllocVecAt(failing);
    test::LogCapture log;
    Catalog* catalog = Open();
    std::string logged = log.Take();
    FailAllocVecAt(0);
    if (catalog) {
      CloseCatalog(catalog);
      break;
    }
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_) << failing;
    EXPECT_TRUE(TableIsBuiltIn()) << failing;
    EXPECT_EQ(logged.rfind(noMemory, 0), 0u) << logged;
    if (failing == 2 || failing == 3) {
      EXPECT_EQ(logged, noMemory + (failing == 2 ? "OpenCatalog:Konnte keinen Speicher fuer den Catalog bekommen.\n"
                                                 : "Konnte den AUTH Chunk nicht lesen ."));
    }
  }
  // Record, buffer, two per text chunk, the "STRS" record, the built-in copy.
  EXPECT_EQ(failing, 11u);
  EXPECT_TRUE(TableIsBuiltIn());
  EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
}

constexpr const char* kFile = "data/pop3in/gamechunk.vsk";

// A chunk as the file holds it: header and body.
Bytes Chunk(const char* id, const char* version, const Bytes& body) {
  Bytes chunk;
  chunk.text(id).text(std::string(version, 4)).be32(static_cast<uint32_t>(body.size())).append(body);
  return chunk;
}

template <typename T = uint32_t>
T Native(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
// A field of width 4, 2 or 1 in native order; -4, -2 (or -1) still big-endian.
uint32_t Field(const uint8_t* p, int width) {
  return width == 4    ? Native(p)
         : width == 2  ? Native<uint16_t>(p)
         : width == -4 ? ReadBE32(p)
         : width == -2 ? ReadBE16(p)
                       : *p;
}

// A chunk in file order in a cleared block of the loader's size, then guard bytes that must not change.
struct Block {
  std::vector<uint8_t> bytes;
  uint64_t size;
  explicit Block(const Bytes& chunk, size_t guard = 0) {
    size = ChunkBlockSize(ReadBE32(chunk.data.data()), ReadBE32(chunk.data.data() + 8));
    bytes.assign(size + guard, 0);
    std::memcpy(bytes.data(), chunk.data.data(), chunk.size());
    std::fill(bytes.begin() + static_cast<long>(size), bytes.end(), uint8_t{0xEE});
  }
  uint8_t* data() { return bytes.data(); }
};

class ChunkLoader : public test::GameDirTest {
 protected:
  void Write(const Bytes& file) {
    test::MakeDir("data/pop3in");
    test::WriteBytes(kFile, file.data);
  }
  uint8_t* Load(const char* id) {
    return static_cast<uint8_t*>(LoadChunk2Mem(ReadBE32(id), "./data/Pop3in/GameChunk.vsk"));
  }
};

Bytes InfoBody(size_t length) {
  Bytes body;
  body.be32(0x01020304).be32(0x05060708).be32(0x0A0B0C0D).text("abcd").be16(0x1234).be32(0xCAFEBABE);
  body.data.resize(length, 0);
  return body;
}

// The loader's block for a chunk of a file (null when none): fields as offset, width (as Field) and value.
TEST_F(ChunkLoader, LoadsTheChunkAsFarAsTheFileHoldsIt) {
  const Bytes prefAndInfo =
      Bytes().append(Chunk("PREF", "V001", Bytes().be16(7))).append(Chunk("INFO", "V001", InfoBody(30)));
  auto info = [](size_t length, size_t at, uint8_t a, uint8_t b) {
    Bytes body = InfoBody(length);
    body.data[at] = a;
    body.data[at + 1] = b;
    return Chunk("INFO", "V001", body);
  };
  Bytes longer = Chunk("INFO", "V001", InfoBody(30));
  longer.data[8 + 3] = 100;  // stored length 100, 30 bytes present
  // A length of almost 4 GiB neither allocates that much nor reads past the block.
  Bytes huge = Chunk("SHIP", "V001", Bytes().be32(1).zeros(10));
  std::memset(huge.data.data() + 8, 0xFF, 4);
  struct Row {
    const char* what;
    Bytes file;
    const char* id;
    std::vector<std::tuple<int, int, uint32_t>> fields;  // none: no chunk
  };
  const Row rows[] = {
      {"behind another chunk", prefAndInfo, "INFO",
       {{0, 4, 0x494E464F}, {4, 4, ChunkId("V001")}, {8, 4, 30}, {24, -4, 0x61626364}, {28, 2, 0x1234}}},
      {"nothing of PREF is converted", prefAndInfo, "PREF", {{12, 1, 0}, {13, 1, 7}}},
      {"a short body reads as zero up to the minimum size", info(20, 18, 0, 0), "INFO",
       {{8, 4, 20}, {28, 2, 0x1234}, {32, 4, 0}, {36, 4, 0}, {40, 2, 0}}},
      {"a number half in the body", info(20, 18, 0xAB, 0xCD), "INFO", {{30, 4, 0xABCD0000}}},
      {"version V002 is not converted", Chunk("INFO", "V002", InfoBody(30)), "INFO",
       {{0, 4, 0x494E464F}, {4, 4, ChunkId("V002")}, {8, 4, 30}, {12, -4, 0x01020304}, {28, -2, 0x1234}}},
      {"a version of V and zeros is", Chunk("INFO", std::string("V\0\0\0", 4).c_str(), InfoBody(30)), "INFO",
       {{28, 2, 0x1234}}},
      {"the later copy wins",
       Bytes(prefAndInfo).append(Chunk("KORN", "V001", Bytes().zeros(3))).append(info(30, 16, 0x99, 0x88)), "INFO",
       {{28, 2, 0x9988}}},
      {"a stored length past the file", longer, "INFO", {{8, 4, 30}, {28, 2, 0x1234}}},
      {"a length of almost 4 GiB", huge, "SHIP", {{8, 4, 14}, {12, 4, 1}}},
      {"a skipped chunk cut short", Bytes(huge).append(Chunk("INFO", "V001", InfoBody(30))), "INFO", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Write(row.file);
    const int64_t live = LiveAllocVecBlocks();
    uint8_t* chunk = Load(row.id);
    if (row.fields.empty()) {
      EXPECT_EQ(chunk, nullptr);
      continue;
    }
    ASSERT_NE(chunk, nullptr);
    EXPECT_EQ(LiveAllocVecBlocks(), live + 1) << "one block; an earlier copy is freed";
    for (const auto& [offset, width, value] : row.fields) EXPECT_EQ(Field(chunk + offset, width), value) << offset;
    FreeVec(chunk);
  }
}

TEST_F(ChunkLoader, MissingFileIsLoggedAndMissingChunkIsNot) {
  test::LogCapture log;
  EXPECT_EQ(LoadChunk2Mem(ChunkId("INFO"), "./data/nothing.vsk"), nullptr);
  Write(Chunk("PREF", "V001", Bytes().be16(1)));
  EXPECT_EQ(Load("INFO"), nullptr);
  EXPECT_EQ(log.Take(), "LoadChunk2Mem:Konnte <./data/nothing.vsk> nicht oeffnen.\n");
}

// Random contents, small counts; checks: offsets of numbers (width 2, 4) converted and bytes (width 1) kept.
struct Sample {
  const char* id;
  Bytes body;
  std::vector<std::pair<int, int>> checks;
};

Bytes Random(size_t n, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes b;
  for (size_t i = 0; i < n; ++i) b.u8(static_cast<uint8_t>(random()));
  return b;
}
// Writes a big-endian count of `width` bytes at an offset of the chunk.
void Put(Bytes& body, size_t chunkOffset, uint32_t v, int width = 4) {
  for (int i = 0; i < width; ++i) body.data[chunkOffset - 12 + i] = static_cast<uint8_t>(v >> (8 * (width - 1 - i)));
}

std::vector<Sample> EveryType() {
  std::vector<Sample> s;
  auto add = [&](const char* id, size_t length, std::vector<std::pair<int, int>> checks) -> Bytes& {
    s.push_back({id, Random(length, static_cast<uint32_t>(s.size() + 1)), std::move(checks)});
    return s.back().body;
  };
  // The plain field tables go through one loop: INFO stands for them.
  add("INFO", 30, {{12, 4}, {28, 2}, {30, 4}, {24, 1}});
  Put(add("ANFR", 22, {{14, 4}, {18, 4}, {30, 4}}), 14, 3);
  Put(add("ANTW", 178, {{22, 4}, {106, 4}, {110, 1}}), 14, 2);
  Put(add("BAUE", 34, {{14, 2}, {38, 4}, {44, 2}}), 12, 2, 2);
  Put(add("GEBA", 38, {{12, 4}, {46, 2}, {48, 2}}), 16, 2, 2);
  Put(add("WARE", 74, {{50, 2}, {80, 4}, {84, 2}}), 12, 2, 2);
  Put(add("MOVE", 38, {{32, 4}, {44, 4}, {48, 1}}), 12, 2, 2);
  Put(add("TOWN", 186, {{106, 2}, {192, 4}, {196, 2}, {110, 1}}), 12, 2, 2);
  Put(add("VERT", 68, {{48, 2}, {74, 4}, {78, 2}}), 12, 2);
  // Second ship at 84: its parts at 98, 116, 134; bytes 66 and 67 are text.
  Put(add("SHIP", 140, {{84, 2}, {90, 4}, {98, 4}, {120, 2}, {134, 4}, {146, 4}, {150, 1}, {151, 1}}), 12, 2);
  Put(add("KRIG", 148, {{88, 4}, {110, 4}, {108, 1}, {156, 4}}), 12, 2);
  // Two armies: 1 unit, then 3 units; the second starts at 136, its last unit at 312.
  Bytes& army = add("ARMY", 4 + 64 + 56 + 64 + 3 * 56,
                    {{16, 4}, {76, 1}, {80, 4}, {132, 4}, {172, 4}, {180, 1}, {312, 4}, {364, 4}});
  Put(army, 12, 2);
  Put(army, 52, 1);
  Put(army, 172, 3);
  add("PREF", 2, {{12, 1}});
  return s;
}

TEST(ChunkConversion, EveryTypeConvertsItsFieldsAndRoundTrips) {
  for (Sample& sample : EveryType()) {
    SCOPED_TRACE(sample.id);
    uint32_t id = ReadBE32(sample.id);
    ASSERT_NE(FindChunkLayout(id), nullptr);
    EXPECT_EQ(FindChunkLayout(__builtin_bswap32(id)), nullptr);  // the direction is never ambiguous
    Bytes file = Chunk(sample.id, "V001", sample.body);
    Block block(file, 8);
    const std::vector<uint8_t> original = block.bytes;
    ConvertChunk(block.data(), 1);  // file order -> native, header too
    EXPECT_EQ(Native(block.data()), id);
    EXPECT_EQ(Native(block.data() + 8), sample.body.size());
    for (auto [offset, width] : sample.checks)
      EXPECT_EQ(Field(block.data() + offset, width), Field(original.data() + offset, -width)) << offset;
    ConvertChunk(block.data(), 1);  // and back
    EXPECT_EQ(block.bytes, original);
  }
}

// Catches a length word read in the wrong order: the list would run past its block.
TEST(ChunkConversion, TheLengthWordIsReadInTheOrderTheFlagGives) {
  // ANFR's length word covers one of its three numbers: big-endian as read
  // raw (flag 1) or native as the loader leaves it (flag 0), it bounds the list.
  Bytes body = Bytes().be16(1).be32(3).be32(5).be32(0x11223344).be32(0x55667788).be32(0x99AABBCC);
  for (int32_t swapHeader : {1, 0}) {
    std::vector<uint8_t> chunk = Chunk("ANFR", "V001", body).data;
    const uint32_t length = 14;
    if (swapHeader == 1) {
      chunk[11] = length;
    } else {
      std::memcpy(chunk.data() + 8, &length, 4);
    }
    ConvertChunk(chunk.data(), swapHeader);
    EXPECT_EQ(Native(chunk.data() + 22), 0x11223344u) << swapHeader;
    EXPECT_EQ(ReadBE32(chunk.data() + 26), 0x55667788u) << "past the length word, flag " << swapHeader;
  }
}

TEST(ChunkConversion, CountsPastTheBlockStopWithoutTouchingBytesOutside) {
  // ANFR claims 2^32 - 1 numbers and holds 3.
  Bytes anfr = Bytes().be16(1).be32(0xFFFFFFFF).be32(5).be32(0x11223344).be32(0x55667788).be32(0x99AABBCC);
  Block a(Chunk("ANFR", "V001", anfr), 64);
  ConvertChunkBlock(a.data(), a.size, 0);
  EXPECT_EQ(Native(a.data() + 14), 0xFFFFFFFFu);
  EXPECT_EQ(Native(a.data() + 30), 0x99AABBCCu);
  for (size_t i = a.size; i < a.bytes.size(); ++i) ASSERT_EQ(a.bytes[i], 0xEE) << i;

  // BAUE with two entries of which only half of the second is there: the
  // first is converted, the second left as it is.
  Bytes baue = Bytes().be16(2).be16(0x0102).zeros(14).be16(0x0304).zeros(6);
  Block b(Chunk("BAUE", "V001", baue), 16);
  ConvertChunkBlock(b.data(), b.size, 0);
  EXPECT_EQ(Native<uint16_t>(b.data() + 14), 0x0102);
  EXPECT_EQ(ReadBE16(b.data() + 30), 0x0304);

  // An army with a huge unit count: its own numbers and the one unit that
  // fits are converted, nothing behind the block.
  Bytes army = Bytes().be32(1).zeros(36).be32(0x40000000).zeros(24).be32(0xA1B2C3D4).zeros(52);
  Block c(Chunk("ARMY", "V001", army), 256);
  ConvertChunkBlock(c.data(), c.size, 0);
  EXPECT_EQ(Native(c.data() + 52), 0x40000000u);
  EXPECT_EQ(Native(c.data() + 80), 0xA1B2C3D4u);
  for (size_t i = c.size; i < c.bytes.size(); ++i) ASSERT_EQ(c.bytes[i], 0xEE) << i;

  // A chunk that ends inside its count: the numbers before it are converted.
  Block d(Chunk("ANFR", "V001", Bytes().be16(0x0102).be16(0x0304)));
  ConvertChunk(d.data(), 1);
  EXPECT_EQ(Native<uint16_t>(d.data() + 12), 0x0102);
  EXPECT_EQ(ReadBE16(d.data() + 14), 0x0304);
}

}  // namespace
}  // namespace vsk
