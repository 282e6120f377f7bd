#include "catalog/chunk.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "services/byteorder.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "support/bytes.h"
#include "support/gamedir.h"
#include "support/log.h"

namespace vsk {
namespace {

using test::Bytes;

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
uint16_t Native16(const uint8_t* p) { return Native<uint16_t>(p); }

// A chunk in file order copied into a cleared block of the size the loader
// would give it (plus guard bytes behind it that must never change).
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

// The loader's block for a chunk of a file (null when none): fields as offset,
// width (4, 2, 1 native; -4, -2 still big-endian) and value.
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
      {"the later copy wins", Bytes(prefAndInfo).append(Chunk("KORN", "V001", Bytes().zeros(3))).append(info(30, 16, 0x99, 0x88)),
       "INFO", {{28, 2, 0x9988}}},
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
    for (const auto& [offset, width, value] : row.fields) {
      const uint8_t* p = chunk + offset;
      const uint32_t got = width == 4    ? Native(p)
                           : width == 2  ? Native16(p)
                           : width == 1  ? *p
                           : width == -4 ? ReadBE32(p)
                                         : ReadBE16(p);
      EXPECT_EQ(got, value) << "offset " << offset;
    }
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

TEST_F(ChunkLoader, AllocationFailureGivesNullAndLeaksNothing) {
  Write(Bytes().append(Chunk("INFO", "V001", InfoBody(30))).append(Chunk("INFO", "V001", InfoBody(30))));
  int64_t live = LiveAllocVecBlocks();
  for (uint32_t failing : {1u, 2u}) {
    test::LogCapture log;
    FailAllocVecAt(failing);
    EXPECT_EQ(Load("INFO"), nullptr) << failing;
    FailAllocVecAt(0);
    EXPECT_EQ(log.Take(), "AllocVec: 000 ");
    EXPECT_EQ(LiveAllocVecBlocks(), live);
  }
}

// A chunk with random contents and small counts; checks: offsets of numbers
// (width 2 or 4) that must be converted and of bytes (width 1) that must stay.
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
void Put32(Bytes& body, size_t chunkOffset, uint32_t v) {
  for (int i = 0; i < 4; ++i) body.data[chunkOffset - 12 + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
void Put16(Bytes& body, size_t chunkOffset, uint16_t v) {
  body.data[chunkOffset - 12] = static_cast<uint8_t>(v >> 8);
  body.data[chunkOffset - 11] = static_cast<uint8_t>(v);
}

std::vector<Sample> EveryType() {
  std::vector<Sample> s;
  auto add = [&](const char* id, size_t length, std::vector<std::pair<int, int>> checks) -> Bytes& {
    s.push_back({id, Random(length, static_cast<uint32_t>(s.size() + 1)), std::move(checks)});
    return s.back().body;
  };
  // The plain field tables go through one loop: INFO stands for them.
  add("INFO", 30, {{12, 4}, {28, 2}, {30, 4}, {24, 1}});
  Put32(add("ANFR", 22, {{14, 4}, {18, 4}, {30, 4}}), 14, 3);
  Put32(add("ANTW", 178, {{22, 4}, {106, 4}, {110, 1}}), 14, 2);
  Put16(add("BAUE", 34, {{14, 2}, {38, 4}, {44, 2}}), 12, 2);
  Put16(add("GEBA", 38, {{12, 4}, {46, 2}, {48, 2}}), 16, 2);
  Put16(add("WARE", 74, {{50, 2}, {80, 4}, {84, 2}}), 12, 2);
  Put16(add("MOVE", 38, {{32, 4}, {44, 4}, {48, 1}}), 12, 2);
  Put16(add("TOWN", 186, {{106, 2}, {192, 4}, {196, 2}, {110, 1}}), 12, 2);
  Put32(add("VERT", 68, {{48, 2}, {74, 4}, {78, 2}}), 12, 2);
  // Second ship at 84: its parts at 98, 116, 134; bytes 66 and 67 are text.
  Put32(add("SHIP", 140, {{84, 2}, {90, 4}, {98, 4}, {120, 2}, {134, 4}, {146, 4}, {150, 1}, {151, 1}}), 12, 2);
  Put32(add("KRIG", 148, {{88, 4}, {110, 4}, {108, 1}, {156, 4}}), 12, 2);
  // Two armies: 1 unit, then 3 units; the second starts at 136, its last unit at 312.
  Bytes& army = add("ARMY", 4 + 64 + 56 + 64 + 3 * 56,
                    {{16, 4}, {76, 1}, {80, 4}, {132, 4}, {172, 4}, {180, 1}, {312, 4}, {364, 4}});
  Put32(army, 12, 2);
  Put32(army, 52, 1);
  Put32(army, 172, 3);
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
    for (auto [offset, width] : sample.checks) {
      const uint8_t* now = block.data() + offset;
      const uint8_t* was = original.data() + offset;
      EXPECT_EQ(width == 4 ? Native(now) : width == 2 ? Native16(now) : *now,
                width == 4 ? ReadBE32(was) : width == 2 ? ReadBE16(was) : *was) << offset;
    }
    ConvertChunk(block.data(), 1);  // and back
    EXPECT_EQ(block.bytes, original);
  }
}

TEST_F(ChunkLoader, SwapHeaderTurnsALoadedChunkBackIntoTheFileBytes) {
  Bytes file = Chunk("INFO", "V001", InfoBody(30));
  Write(file);
  uint8_t* info = Load("INFO");
  ASSERT_NE(info, nullptr);
  ConvertChunk(info, 1);
  EXPECT_EQ(std::vector<uint8_t>(info, info + 42), file.data);
  FreeVec(info);

  // Without the header swap only the body changes order.
  Block native(file);
  ConvertChunk(native.data(), 1);
  ConvertChunk(native.data(), 0);
  EXPECT_EQ(Native(native.data() + 8), 30u);
  EXPECT_EQ(std::vector<uint8_t>(native.data() + 12, native.data() + 42), InfoBody(30).data);
  // A version not accepted still has its header reversed: the V002 row of the loader's test.
}

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
  EXPECT_EQ(Native16(b.data() + 14), 0x0102);
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
  EXPECT_EQ(Native16(d.data() + 12), 0x0102);
  EXPECT_EQ(ReadBE16(d.data() + 14), 0x0304);
}

}  // namespace
}  // namespace vsk
