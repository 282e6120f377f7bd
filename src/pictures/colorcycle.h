// Colour cycling: palette registers animated along precomputed rings of
// colours by a thread of its own, until StopColorCycle.
//
// Cycle description (count records of recordSize bytes, back to back):
//   0  L, ring length in steps (1..255)
//   1  speed: the ring advances one step every speed + 1 passes
//   2  N, number of palette registers animated
//   3  offset of the first register in the ring
//   4  keyframes (position, register), positions rising below L, ended by a
//      pair whose position byte is 0xFF; zero padding to recordSize.
//
// A description that does not hold together (L or N of 0, no terminator
// inside its record, positions not rising or not below L, an offset not
// below L, fewer distinct keyframes than N asks for) is left out: its
// registers are not animated. The others run as usual.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "gfx/bitmap.h"

namespace vsk {

// Control record of a running cycle, from InitColorCycle to StopColorCycle.
struct ColorCycle {
  std::atomic<uint32_t> StopRequest;  // 0 = run
  std::atomic<uint32_t> Ended;        // set by the thread when it leaves
  uint8_t* Data;                      // header and cycle records, see below
  HANDLE Thread;
};

// Cycle data: header (count, maxL, maxN, 0), then count records of
// S = maxL * 12 + maxN * 2 + 6 bytes: N, L, speed, offset, pass counter,
// phase, maxN pairs (delta, register), maxL ring steps of three u32 (red,
// green, blue, each byte value repeated in all four bytes).
constexpr uint32_t kCycleHeaderSize = 4;
constexpr uint32_t CycleRecordSize(uint32_t maxL, uint32_t maxN) { return maxL * 12 + maxN * 2 + 6; }

// Builds the rings from the current ScreenColors (after waiting for a fade
// to end) and starts the cycle thread. Null when memory runs out.
ColorCycle* InitColorCycle(uint8_t count, uint8_t recordSize, const uint8_t* descriptions);

// Stops the thread, waits for it, and releases the record and its data.
void StopColorCycle(ColorCycle* cycle);

// One pass of the cycle thread over all cycles of the data: counts passes
// and steps the rings whose speed has come round, writing their registers
// with SetRGB8 on TheScreen.
void ColorCyclePass(uint8_t* data);

// Per colour three u32 (red, green, blue of the screen's colour table, each
// byte repeated in all four bytes).
void GetRGB32(Screen* screen, uint32_t first, uint32_t count, uint32_t* table);

}  // namespace vsk
