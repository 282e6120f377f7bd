#include "services/random.h"

namespace vsk {

namespace {
thread_local uint32_t gState = 1;
}  // namespace

void SeedRandom(uint32_t seed) { gState = seed; }

int32_t Random() {
  gState = gState * 214013u + 2531011u;
  return static_cast<int32_t>((gState >> 16) & kRandomMax);
}

}  // namespace vsk
