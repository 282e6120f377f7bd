// The compiler intrinsics the game uses (MSVC's <intrin.h>): the processor's
// time-stamp counter.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
// GCC and Clang declare __rdtsc here, reading the counter with RDTSC.
#include <x86intrin.h>
#else
#include <time.h>
// No time-stamp counter this code can read: a monotonic clock in
// nanoseconds stands in, so a clock rate measured with it comes out at
// 1000 MHz.
static inline unsigned long long __rdtsc(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (unsigned long long)now.tv_sec * 1000000000ull + (unsigned long long)now.tv_nsec;
}
#endif
