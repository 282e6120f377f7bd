#include "catalog/catalog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "catalog/strings.h"
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

// --- catalog files ----------------------------------------------------------

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

Bytes Strings(const std::vector<Bytes>& records) {
  Bytes body;
  for (const Bytes& record : records) body.append(record);
  return Chunk("STRS", body);
}

Bytes Form(const std::vector<Bytes>& chunks, std::optional<uint32_t> length = std::nullopt) {
  Bytes body;
  for (const Bytes& chunk : chunks) body.append(chunk);
  Bytes form;
  form.text("FORM").be32(length.value_or(static_cast<uint32_t>(body.size() + 4))).text("CTLG");
  return form.append(body);
}

// The catalog the data kit writes: FVER, LANG, AUTH and two strings.
Bytes GermanCatalog() {
  return Bytes{
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
    test::MakeDir("catalogs");
    test::MakeDir("catalogs/deutsch");
    test::WriteBytes("catalogs/deutsch/VsKBrowser.catalog", bytes.data);
  }
  static Catalog* Open() { return OpenCatalog("VsKBrowser.catalog", &BuiltinStrings[0], &BuiltinStrings[1]); }
  // True when every entry carries its built-in text again.
  bool TableIsBuiltIn() const {
    for (uint16_t i = 0; i < kStringCount; ++i) {
      if (BuiltinStrings[i].text != builtin_[i]) return false;
    }
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

// --- languages and files ------------------------------------------------------

// No catalog for an English user, nor without the file: the log names
// what could not be opened, and nothing is kept.
TEST_F(CatalogTest, OtherLanguagesAndAMissingFileKeepTheBuiltInTexts) {
  const char* english = "OpenCatalog: Konnte das File English nicht \xf6" "ffnen!\n";
  const char* missing = "OpenCatalog: Konnte das File catalogs/deutsch/VsKBrowser.catalog nicht \xf6" "ffnen!\n";
  for (const char* expected : {english, missing}) {
    setenv("LC_ALL", expected == english ? "en_US.UTF-8" : "de_DE.UTF-8", 1);
    if (expected == english) WriteCatalog(GermanCatalog());
    if (expected == missing) std::remove("catalogs/deutsch/VsKBrowser.catalog");
    test::LogCapture log;
    EXPECT_EQ(Open(), nullptr);
    EXPECT_EQ(log.Take(), expected);
    EXPECT_STREQ(BuiltinStrings[58].text, "residence");
    EXPECT_TRUE(TableIsBuiltIn());
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
  }
  CloseCatalog(nullptr);  // what the shutdown does when there was no catalog
}

TEST_F(CatalogTest, NamesAreFoundWithoutRegardToCase) {
  test::MakeDir("Catalogs");
  test::MakeDir("Catalogs/Deutsch");
  test::WriteBytes("Catalogs/Deutsch/vskbrowser.CATALOG", GermanCatalog().data);
  Catalog* catalog = Open();
  ASSERT_NE(catalog, nullptr);
  EXPECT_STREQ(BuiltinStrings[58].text, "Residenz");
  CloseCatalog(catalog);
}

TEST_F(CatalogTest, BadFormOrCtlgIsRejected) {
  struct Case {
    Bytes file;
    const char* message;
  };
  Bytes notCtlg = GermanCatalog();
  std::memcpy(&notCtlg.data[8], "CTLX", 4);
  const Case cases[] = {
      {Bytes().text("FROM").be32(4).text("CTLG"), "OpenCatalog: Konnte den FORM Chunk nicht finden.\n"},
      {Bytes().text("FO"), "OpenCatalog: Konnte den FORM Chunk nicht finden.\n"},
      {Bytes(), "OpenCatalog: Konnte den FORM Chunk nicht finden.\n"},
      {notCtlg, "OpenCatalog: Konnte den CTLG Chunk nicht finden.\n"},
      {Bytes().text("FORM").be32(4), "OpenCatalog: Konnte den CTLG Chunk nicht finden.\n"},
  };
  for (const Case& c : cases) {
    WriteCatalog(c.file);
    test::LogCapture log;
    EXPECT_EQ(Open(), nullptr);
    EXPECT_EQ(log.Take(), c.message);
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
    EXPECT_TRUE(TableIsBuiltIn());
  }
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
  EXPECT_STREQ(catalog->author, "Anna");
  CloseCatalog(catalog);
  EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
}

// --- good, damaged and partial catalogs ----------------------------------------

// Catalogs the reader opens and takes as far as they hold: what it says of
// itself ("N/A" for a missing or empty text chunk) and the
// texts it took (null: the built-in text kept). Closing gives every built-in
// text back and keeps nothing.
TEST_F(CatalogTest, DamagedCatalogsAreReadAsFarAsTheyHold) {
  // 8 + 5 rounded up to 8: the record of "Hallo" takes 16 bytes, and the next
  // record starts right behind it.
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
      {"a number twice: the last wins", behind(Bytes().append(Record(58, "Residenz")).append(Record(58, "Wohnsitz"))),
       na, na, "hinten", 1, {{58, "Wohnsitz"}}},
      {"a file cut in the strings", cut, "$VER: VsKBrowser.catalog 1.0", "deutsch", "Kadun Team", 0,
       {{58, nullptr}, {14, nullptr}}},
      {"a chunk length past the file", past, na, "deutsch", na, 0, {{58, nullptr}}},
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

// A FORM length far beyond the file: the chunks that are there count.
TEST_F(CatalogTest, AFormLengthBeyondTheFileCountsOnlyWhatWasRead) {
  const Bytes longForm = Form({TextChunk("AUTH", "Kadun Team"), Strings({Record(58, "Residenz")})}, 0x7FFFFFF0);
  WriteCatalog(longForm);
  Catalog* catalog = Open();
  ASSERT_NE(catalog, nullptr);
  EXPECT_EQ(catalog->formLength, 0x7FFFFFF0u);
  EXPECT_EQ(catalog->bufferLength, longForm.size() - 12);
  EXPECT_STREQ(catalog->author, "Kadun Team");
  EXPECT_STREQ(BuiltinStrings[58].text, "Residenz");
  CloseCatalog(catalog);
  EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
}

// --- memory -----------------------------------------------------------------

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
    if (failing == 2) {
      EXPECT_EQ(logged, noMemory + "OpenCatalog:Konnte keinen Speicher fuer den Catalog bekommen.\n");
    }
    if (failing == 3) {
      EXPECT_EQ(logged, noMemory + "Konnte den AUTH Chunk nicht lesen .");
    }
  }
  // Record, buffer, two allocations per text chunk, the "STRS" chunk record
  // and the copy of the built-in texts.
  EXPECT_EQ(failing, 11u);
  EXPECT_TRUE(TableIsBuiltIn());
  EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
}

// --- the built-in table -------------------------------------------------------

TEST(BuiltinStrings, EveryNumberSitsAtItsOwnEntry) {
  ASSERT_EQ(sizeof BuiltinStrings / sizeof BuiltinStrings[0], 1421u);
  for (uint16_t i = 0; i < kStringCount; ++i) {
    EXPECT_EQ(BuiltinStrings[i].number, i);
    ASSERT_NE(BuiltinStrings[i].text, nullptr) << i;
    EXPECT_GT(std::strlen(BuiltinStrings[i].text), 0u) << i;
  }
  // Unused numbers share one text.
  EXPECT_STREQ(BuiltinStrings[1420].text, "reserved");
  EXPECT_EQ(BuiltinStrings[700].text, BuiltinStrings[1420].text);
}

TEST(BuiltinStrings, WelcomeTextNeedsScrollingAndHasParagraphs) {
  const std::string welcome = BuiltinStrings[622].text;
  EXPECT_GE(welcome.size(), 3000u);
  size_t paragraphs = 1;
  for (size_t at = welcome.find("\n\n"); at != std::string::npos; at = welcome.find("\n\n", at + 2)) {
    ++paragraphs;
  }
  EXPECT_GE(paragraphs, 5u);
  EXPECT_NE(welcome.find("Kadun"), std::string::npos);
  EXPECT_NE(welcome.find("tavern"), std::string::npos);
  // No word too long for the text box's wrap buffers.
  size_t word = 0;
  for (char c : welcome) {
    word = (c == ' ' || c == '\n') ? 0 : word + 1;
    EXPECT_LT(word, 60u);
  }
}

}  // namespace
}  // namespace vsk
