// Colour cycling. InitColorCycle turns the cycle descriptions into rings of
// colours taken from ScreenColors once, so that the cycle thread's step is
// only N look-ups and N palette entries per cycle.
#include "pictures/colorcycle.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "gfx/screen_update.h"
#include "pictures/fade.h"
#include "services/memory.h"
#include "services/time.h"

namespace vsk {

namespace {

constexpr uint8_t kKeyframeEnd = 0xFF;
constexpr uint32_t kKeyframesStart = 4;  // byte of the first keyframe in a description

// Offsets inside a cycle record.
constexpr uint32_t kRecN = 0;
constexpr uint32_t kRecL = 1;
constexpr uint32_t kRecSpeed = 2;
constexpr uint32_t kRecOffset = 3;
constexpr uint32_t kRecCounter = 4;
constexpr uint32_t kRecPhase = 5;
constexpr uint32_t kRecPairs = 6;

ColorEntry* ColorsOf(Screen* screen) {
  return screen && screen->Colors ? screen->Colors : ScreenColors;
}

uint8_t Position(const uint8_t* d, uint32_t keyframe) { return d[kKeyframesStart + 2 * keyframe]; }
uint8_t Register(const uint8_t* d, uint32_t keyframe) { return d[kKeyframesStart + 2 * keyframe + 1]; }

// Fills the register list (N pairs of delta and register, cleared before)
// from the keyframes: the first register at the offset, then each keyframe
// whose register is new, with its distance from the keyframe before it. A
// register seen already does not count towards N. False when the keyframes
// run out before N registers were walked.
bool BuildRegisterList(const uint8_t* d, uint32_t keyframes, uint8_t* pairs) {
  const uint32_t registers = d[2];
  pairs[0] = d[3];
  pairs[1] = Register(d, 0);
  uint32_t written = 1;
  uint32_t n = registers;
  for (uint32_t j = 1; j < n; ++j) {
    if (j >= keyframes) return false;
    const uint8_t reg = Register(d, j);
    const auto delta = static_cast<uint8_t>(Position(d, j) - Position(d, j - 1));
    // Pairs not written yet hold register 0, so 0 counts as present while
    // any of them is free.
    bool present = false;
    for (uint32_t k = 0; k + 1 < registers; ++k) present = present || pairs[2 * k + 1] == reg;
    if (present) {
      ++n;
      continue;
    }
    if (reg == 0 || written >= registers) continue;
    pairs[2 * written] = delta;
    pairs[2 * written + 1] = reg;
    ++written;
  }
  return true;
}

// The number of keyframes of a description that holds together, else 0.
// Lengths and counts come from outside: L and N at least 1, the offset and
// every keyframe position below L and rising, a terminator inside the
// record, and enough keyframes for the N registers.
uint32_t CheckDescription(const uint8_t* d, uint32_t recordSize) {
  if (recordSize < kKeyframesStart + 1) return 0;
  const uint32_t length = d[0];
  const uint32_t registers = d[2];
  if (length == 0 || registers == 0 || d[3] >= length) return 0;
  uint32_t keyframes = 0;
  int previous = -1;
  for (uint32_t at = kKeyframesStart;; at += 2) {
    if (at >= recordSize) return 0;  // no terminator inside the record
    if (d[at] == kKeyframeEnd) break;
    if (at + 1 >= recordSize || d[at] >= length || static_cast<int>(d[at]) <= previous) return 0;
    previous = d[at];
    ++keyframes;
  }
  if (keyframes == 0) return 0;
  uint8_t pairs[2 * 255] = {};
  return BuildRegisterList(d, keyframes, pairs) ? keyframes : 0;
}

void StoreRingStep(uint8_t* ring, uint32_t step, const int32_t rgb[3]) {
  for (uint32_t c = 0; c < 3; ++c) {
    const uint32_t value = static_cast<uint32_t>(rgb[c] & 0xFF) * 0x01010101u;
    std::memcpy(ring + step * 12 + c * 4, &value, 4);
  }
}

void ColorOf(uint8_t reg, int32_t rgb[3]) {
  uint32_t table[3];
  GetRGB32(TheScreen, reg, 1, table);
  for (int c = 0; c < 3; ++c) rgb[c] = static_cast<int32_t>(table[c] & 0xFF);
}

// The ring: keyframe colours at their steps, ramps between keyframes of
// different registers, the same colour between keyframes of one register.
void BuildRing(const uint8_t* d, uint32_t keyframes, uint8_t* ring) {
  for (uint32_t s = 0; s + 1 < keyframes; ++s) {
    const uint32_t p1 = Position(d, s);
    const uint32_t p2 = Position(d, s + 1);
    const uint8_t r1 = Register(d, s);
    const uint8_t r2 = Register(d, s + 1);
    int32_t c1[3];
    int32_t c2[3];
    ColorOf(r1, c1);
    ColorOf(r2, c2);
    if (r1 == r2) {
      for (uint32_t step = p1; step <= p2; ++step) StoreRingStep(ring, step, c1);
      continue;
    }
    StoreRingStep(ring, p1, c1);
    const auto span = static_cast<int32_t>(p2 - p1);
    for (int32_t k = 1; k < span; ++k) {
      // Division first: equal integer steps that may stop short of c2.
      int32_t ramp[3];
      for (int c = 0; c < 3; ++c) ramp[c] = (c2[c] - c1[c]) / span * k + c1[c];
      StoreRingStep(ring, p1 + static_cast<uint32_t>(k), ramp);
    }
    StoreRingStep(ring, p2, c2);
  }
}

DWORD WINAPI CycleThread(LPVOID argument) {
  auto* cycle = static_cast<ColorCycle*>(argument);
  for (;;) {
    WaitTOF();
    ColorCyclePass(cycle->Data);
    Delay(1);
    // The colours stand while the window is inactive; a stop request still
    // ends the thread, or StopColorCycle would wait for the window forever.
    while (WindowActive.load() == 0 && !cycle->StopRequest.load()) Delay(1);
    if (cycle->StopRequest.load()) {
      cycle->Ended = 1;
      return 0;
    }
  }
}

}  // namespace

void GetRGB32(Screen* screen, uint32_t first, uint32_t count, uint32_t* table) {
  if (!table) return;
  const ColorEntry* colors = ColorsOf(screen);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t n = first + i;
    const ColorEntry entry = n < 256 ? colors[n] : ColorEntry{};
    table[3 * i] = entry.red * 0x01010101u;
    table[3 * i + 1] = entry.green * 0x01010101u;
    table[3 * i + 2] = entry.blue * 0x01010101u;
  }
}

void ColorCyclePass(uint8_t* data) {
  if (!data) return;
  const uint32_t count = data[0];
  const uint32_t size = CycleRecordSize(data[1], data[2]);
  const uint32_t ringStart = kRecPairs + 2u * data[2];
  // The DirectDraw palette gets the whole step in one SetEntries: a display
  // that redraws on every palette call would otherwise redraw once per
  // register and show rings half a step on. OpenGL's copy of the table is
  // written entry by entry.
  const bool batched = PresenterChoice == kPresenterDirectDraw;
  uint32_t first = 256;
  uint32_t last = 0;
  for (uint32_t c = 0; c < count; ++c) {
    uint8_t* record = data + kCycleHeaderSize + c * size;
    if (record[kRecCounter] != record[kRecSpeed]) {
      ++record[kRecCounter];
      continue;
    }
    record[kRecCounter] = 0;
    const uint32_t length = record[kRecL];
    uint32_t pos = record[kRecPhase];
    uint32_t phase = pos + 1;
    if (phase >= length) phase -= length;
    record[kRecPhase] = static_cast<uint8_t>(phase);
    const uint8_t* ring = record + ringStart;
    for (uint32_t p = 0; p < record[kRecN]; ++p) {
      pos += record[kRecPairs + 2 * p];
      if (pos >= length) pos -= length;
      uint32_t rgb[3];
      std::memcpy(rgb, ring + pos * 12, sizeof(rgb));
      const uint8_t reg = record[kRecPairs + 2 * p + 1];
      if (!batched) {
        SetRGB8(TheScreen, reg, rgb[0] & 0xFF, rgb[1] & 0xFF, rgb[2] & 0xFF);
        continue;
      }
      StoreRGB8(TheScreen, reg, rgb[0] & 0xFF, rgb[1] & 0xFF, rgb[2] & 0xFF);
      first = std::min<uint32_t>(first, reg);
      last = std::max<uint32_t>(last, reg);
    }
  }
  if (batched && first <= last) ShowColors(TheScreen, first, last - first + 1);
}

ColorCycle* InitColorCycle(uint8_t count, uint8_t recordSize, const uint8_t* descriptions) {
  void* block = AllocVec(sizeof(ColorCycle), MEMF_CLEAR);
  if (!block) {
    std::printf("InitColorCycle: Keine Speicher mehr. \n");
    return nullptr;
  }
  auto* cycle = new (block) ColorCycle{};

  // Descriptions that do not hold together are left out.
  uint32_t keyframes[255] = {};
  uint32_t usable = 0;
  uint32_t maxL = 0;
  uint32_t maxN = 0;
  for (uint32_t i = 0; descriptions && i < count; ++i) {
    const uint8_t* d = descriptions + i * recordSize;
    keyframes[i] = CheckDescription(d, recordSize);
    if (!keyframes[i]) continue;
    ++usable;
    if (d[0] > maxL) maxL = d[0];
    if (d[2] > maxN) maxN = d[2];
  }
  const uint32_t size = CycleRecordSize(maxL, maxN);
  auto* data = static_cast<uint8_t*>(AllocVec(usable * size + kCycleHeaderSize, MEMF_CLEAR));
  if (!data) {
    std::printf(" InitColorCycle: Kein Speicher mehr f" "\xfc" "r Colorcycle Daten. ");
    FreeVec(cycle);
    return nullptr;
  }
  cycle->Data = data;

  // The rings take the colours a fade-in is still bringing up.
  if (HANDLE fade = FadeThreadHandle.load()) WaitForSingleObject(fade, INFINITE);

  data[0] = static_cast<uint8_t>(usable);
  data[1] = static_cast<uint8_t>(maxL);
  data[2] = static_cast<uint8_t>(maxN);
  uint8_t* record = data + kCycleHeaderSize;
  for (uint32_t i = 0; descriptions && i < count; ++i) {
    if (!keyframes[i]) continue;
    const uint8_t* d = descriptions + i * recordSize;
    record[kRecN] = d[2];
    record[kRecL] = d[0];
    record[kRecSpeed] = d[1];
    record[kRecOffset] = d[3];
    BuildRegisterList(d, keyframes[i], record + kRecPairs);
    BuildRing(d, keyframes[i], record + kRecPairs + 2 * maxN);
    record += size;
  }

  cycle->Thread = CreateThread(nullptr, 0, CycleThread, cycle, 0, nullptr);
  if (!cycle->Thread) {
    FreeVec(data);
    FreeVec(cycle);
    return nullptr;
  }
  return cycle;
}

void StopColorCycle(ColorCycle* cycle) {
  if (!cycle) return;
  cycle->StopRequest = 1;
  WaitForSingleObject(cycle->Thread, INFINITE);
  CloseHandle(cycle->Thread);
  FreeVec(cycle->Data);
  cycle->~ColorCycle();
  FreeVec(cycle);
}

}  // namespace vsk
