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


// Catalogs not opened, each with its log line: an English user's, a missing
// file, no FORM or no CTLG chunk. Nothing is kept.
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


// Catalogs read as far as they hold: what each says of itself ("N/A": a text
// chunk missing or empty) and the texts taken (null: built-in kept).
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
  EXPECT_STREQ(BuiltinStrings[58].text, "Residenz");
  CloseCatalog(catalog);
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
    if (failing == 2) {
      EXPECT_EQ(logged, noMemory + "OpenCatalog:Konnte keinen Speicher fuer den Catalog bekommen.\n");
    }
    if (failing == 3) {
      EXPECT_EQ(logged, noMemory + "Konnte den AUTH Chunk nicht lesen .");
    }
  }
  // Record, buffer, two per text chunk, the "STRS" record, the built-in copy.
  EXPECT_EQ(failing, 11u);
  EXPECT_TRUE(TableIsBuiltIn());
  EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
}


TEST(BuiltinStrings, EveryNumberSitsAtItsOwnEntry) {
  for (uint16_t i = 0; i < kStringCount; ++i) {
    EXPECT_EQ(BuiltinStrings[i].number, i);
    ASSERT_NE(BuiltinStrings[i].text, nullptr) << i;
    EXPECT_GT(std::strlen(BuiltinStrings[i].text), 0u) << i;
  }
}

// The screens' run scrolls it in the text box; no word is too long for the
// box's wrap buffers.
TEST(BuiltinStrings, WelcomeTextHasNoWordTooLongToWrap) {
  size_t word = 0;
  for (const char* c = BuiltinStrings[622].text; *c; ++c) {
    word = (*c == ' ' || *c == '\n') ? 0 : word + 1;
    ASSERT_LT(word, 60u);
  }
}

}  // namespace
}  // namespace vsk
