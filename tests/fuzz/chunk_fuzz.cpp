// Chunk files from outside: the loader and the byte-order conversion must
// stay inside their blocks whatever lengths and counts a file claims, and
// converting to native order and back must give the same bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "catalog/chunk.h"
#include "services/byteorder.h"
#include "services/memory.h"

namespace {

constexpr const char* kFile = "chunks.vsk";
constexpr uint32_t kIds[] = {vsk::ChunkId("INFO"), vsk::ChunkId("ARMY"), vsk::ChunkId("SHIP"),
                             vsk::ChunkId("KRIG"), vsk::ChunkId("TOWN"), vsk::ChunkId("INIT")};

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

uint32_t Native32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Converts a chunk to the other order and back; it must come out unchanged.
void RoundTrip(uint8_t* chunk, uint64_t size, bool derived) {
  std::vector<uint8_t> before(chunk, chunk + size);
  for (int i = 0; i < 2; ++i) {
    if (derived) {
      vsk::ConvertChunk(chunk, 1);
    } else {
      vsk::ConvertChunkBlock(chunk, size, 1);
    }
  }
  Check(std::memcmp(before.data(), chunk, size) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string dir = (std::filesystem::temp_directory_path() / "vsk-chunk-fuzz-XXXXXX").string();
  if (!mkdtemp(dir.data()) || chdir(dir.c_str()) != 0) std::abort();
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* file = std::fopen(kFile, "wb");
  if (!file) std::abort();
  if (size) std::fwrite(data, 1, size, file);
  std::fclose(file);

  for (uint32_t id : kIds) {
    auto* block = static_cast<uint8_t*>(vsk::LoadChunk2Mem(id, kFile));
    if (!block) continue;
    Check(Native32(block) == id);
    uint32_t length = Native32(block + 8);
    Check(length + uint64_t{12} <= size);
    RoundTrip(block, vsk::ChunkBlockSize(id, length), true);
    vsk::ConvertChunk(block, 1);  // back to file order
    vsk::FreeVec(block);
  }

  // The input itself as a chunk in memory, in whichever order it happens to
  // lie, with the size given and with the size its header gives.
  if (size >= 12 && size <= (1u << 20)) {
    auto* copy = static_cast<uint8_t*>(vsk::AllocVec(static_cast<uint32_t>(size), 0));
    if (!copy) return 0;
    std::memcpy(copy, data, size);
    RoundTrip(copy, size, false);
    vsk::ConvertChunkBlock(copy, size, 0);
    vsk::FreeVec(copy);

    // Make the length word agree with the input, in the order ConvertChunk
    // reads it for a whole chunk (big-endian when the identifier is).
    bool fileOrder = vsk::FindChunkLayout(vsk::ReadBE32(data)) != nullptr;
    uint32_t id = fileOrder ? vsk::ReadBE32(data) : Native32(data);
    uint32_t length = static_cast<uint32_t>(size - 12);
    uint64_t blockSize = vsk::ChunkBlockSize(id, length);
    auto* chunk = static_cast<uint8_t*>(vsk::AllocVec(static_cast<uint32_t>(blockSize), vsk::MEMF_CLEAR));
    if (!chunk) return 0;
    std::memcpy(chunk, data, size);
    uint32_t stored = fileOrder ? __builtin_bswap32(length) : length;
    std::memcpy(chunk + 8, &stored, 4);
    RoundTrip(chunk, blockSize, true);
    vsk::FreeVec(chunk);
  }
  return 0;
}
