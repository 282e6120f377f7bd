#include "services/memory.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "services/memory_faults.h"

namespace vsk {

namespace {
std::atomic<uint32_t> gFailCountdown{0};
std::atomic<int64_t> gLiveBlocks{0};
std::atomic<uint64_t> gCalls{0};

bool InjectedFailure() {
  uint32_t left = gFailCountdown.load();
  while (left != 0) {
    if (gFailCountdown.compare_exchange_weak(left, left - 1)) return left == 1;
  }
  return false;
}
}  // namespace

void FailAllocVecAt(uint32_t n) { gFailCountdown.store(n); }

int64_t LiveAllocVecBlocks() { return gLiveBlocks.load(); }

uint64_t AllocVecCalls() { return gCalls.load(); }

void* AllocVec(uint32_t size, uint32_t flags) {
  gCalls.fetch_add(1);
  void* block = nullptr;
  if (!InjectedFailure()) {
    // malloc(0) may give null; a zero-length block must still be distinct.
    size_t bytes = size ? size : 1;
    block = (flags & MEMF_CLEAR) ? std::calloc(bytes, 1) : std::malloc(bytes);
  }
  if (!block) {
    std::printf("AllocVec: 000 ");
    return nullptr;
  }
  gLiveBlocks.fetch_add(1);
  return block;
}

void FreeVec(void* block) {
  if (!block) return;
  gLiveBlocks.fetch_sub(1);
  std::free(block);
}

void CopyMem(const void* source, void* dest, uint32_t size) {
  if (size) std::memcpy(dest, source, size);
}

uint32_t AvailMem() {
  MEMORYSTATUS status;
  status.dwLength = sizeof status;
  GlobalMemoryStatus(&status);
  // A 32-bit figure: more than 4 GiB reads as 0xFFFFFFFF, as 32-bit
  // Windows reports it, never as a wrapped-around small number.
  return status.dwAvailPhys > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(status.dwAvailPhys);
}

}  // namespace vsk
