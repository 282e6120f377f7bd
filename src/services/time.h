// Time stamps and waits of the game's original system: timeval pairs and
// ticks of 1/50 second.
#pragma once

#include <cstdint>

namespace vsk {

// A pair that AddTime and SubTime treat as one 64-bit number,
// tv_secs * 2^32 + tv_micro (no normalisation at 1,000,000).
struct timeval {
  int32_t tv_secs;
  uint32_t tv_micro;
};

// Blocks the calling thread for ticks * 20 ms; Delay(0) yields.
void Delay(uint32_t ticks);

// dest := dest + source (carry from tv_micro into tv_secs).
void AddTime(timeval* dest, const timeval* source);

// dest := dest - source (borrow from tv_secs).
void SubTime(timeval* dest, const timeval* source);

// -1 when a is later than b, +1 when a is earlier, 0 when equal.
int8_t CmpTime(const timeval* a, const timeval* b);

}  // namespace vsk
