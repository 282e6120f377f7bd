// Memory blocks with attribute flags, the allocation model of the game's
// original system. Blocks from AllocVec go back through FreeVec only.
#pragma once

#include <cstdint>

namespace vsk {

constexpr uint32_t MEMF_PUBLIC = 0x1;
constexpr uint32_t MEMF_FAST = 0x4;
constexpr uint32_t MEMF_CLEAR = 0x10000;

// A block of exactly size bytes, zero-filled when flags has MEMF_CLEAR; the
// other flags are accepted and have no effect. Size 0 gives a valid, distinct
// block. On failure logs "AllocVec: 000 " and returns null.
void* AllocVec(uint32_t size, uint32_t flags);

// Releases a block from AllocVec (or from LoadFile); null is ignored.
void FreeVec(void* block);

// Copies size bytes from source to dest; the areas must not overlap.
void CopyMem(const void* source, void* dest, uint32_t size);

// Physical memory available now, in bytes (saturated at 0xFFFFFFFF).
uint32_t AvailMem();

}  // namespace vsk
