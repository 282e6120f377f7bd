// The game's random numbers: the linear congruential generator of the C
// run-time the client was built with, so that a seed gives the same draws
// on every platform (the host's rand differs). Each thread has its own
// state, starting as if seeded with 1.
#pragma once

#include <cstdint>

namespace vsk {

constexpr int32_t kRandomMax = 0x7FFF;

// srand: the calling thread's state := seed.
void SeedRandom(uint32_t seed);

// rand: state := state * 214013 + 2531011 (32-bit); returns bits 16 to 30
// of the new state, 0 to 32767.
int32_t Random();

}  // namespace vsk
