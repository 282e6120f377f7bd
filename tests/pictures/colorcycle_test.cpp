// Colour cycling: the rings built from the residence's table, what the
// steps show and when, the pause while the window is inactive, descriptions
// that do not hold together, and running out of memory.
#include "pictures/colorcycle.h"

#include <windows.h>
#include <ddraw.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "platform/testing.h"
#include "services/memory_faults.h"
#include "support/display_colors.h"
#include "support/log.h"
#include "support/screen_fixture.h"

namespace vsk {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The residence screen's five cycles, 22 bytes each.
const uint8_t kResidence[5 * 22] = {
    0x20, 0x02, 0x03, 0x13, 0x00, 0x8D, 0x13, 0x8D, 0x1B, 0x8E, 0x1D, 0x8F, 0x1F, 0x8E, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x20, 0x01, 0x04, 0x0D, 0x00, 0x94, 0x0D, 0x94, 0x10, 0x95, 0x13, 0x96, 0x16, 0x97, 0x19, 0x96, 0x1C, 0x95, 0x1F, 0x94, 0xFF, 0x00,
    0x0F, 0x04, 0x02, 0x05, 0x00, 0x8B, 0x05, 0x8B, 0x09, 0x8C, 0x0E, 0x8B, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x1A, 0x01, 0x04, 0x00, 0x00, 0x90, 0x03, 0x91, 0x06, 0x92, 0x0A, 0x93, 0x12, 0x91, 0x17, 0x90, 0x19, 0x90, 0xFF, 0x00, 0x00, 0x00,
    0x1C, 0x02, 0x04, 0x0B, 0x00, 0x98, 0x0B, 0x98, 0x0D, 0x99, 0x10, 0x9A, 0x13, 0x9B, 0x15, 0x9A, 0x18, 0x99, 0x1B, 0x99, 0xFF, 0x00,
};

using test::Rgb;
using test::RgbOf;

class ColorCycleTest : public test::ScreenModeTest {
 protected:
  void TearDown() override {
    WindowActive = 1;
    if (cycle_) StopColorCycle(cycle_);
    cycle_ = nullptr;
    ScreenModeTest::TearDown();
  }

  uint8_t* Record(uint32_t index) {
    const uint8_t* data = cycle_->Data;
    return cycle_->Data + kCycleHeaderSize + index * CycleRecordSize(data[1], data[2]);
  }
  // Ring step `step` of a record: red, green, blue, each stored as four
  // equal bytes ({-1, -1, -1} when they are not).
  test::Rgb RingStep(uint32_t index, uint32_t step) {
    const uint8_t* ring = Record(index) + 6 + 2 * cycle_->Data[2] + 12 * step;
    test::Rgb rgb;
    for (int c = 0; c < 3; ++c) {
      uint32_t v;
      std::memcpy(&v, ring + 4 * c, 4);
      if (v != (v & 0xFF) * 0x01010101u) return {-1, -1, -1};
      rgb[c] = static_cast<int>(v & 0xFF);
    }
    return rgb;
  }

  // Starts a cycle whose thread makes one pass and then waits while the
  // window is inactive, and sets the counters and phases back to their
  // start, so that the test makes the passes itself.
  void StartParked(uint8_t count, uint8_t size, const uint8_t* table) {
    WindowActive = 0;
    cycle_ = InitColorCycle(count, size, table);
    ASSERT_NE(cycle_, nullptr);
    const uint32_t records = cycle_->Data[0];
    if (records) {
      uint8_t* last = Record(records - 1);
      const auto deadline = Clock::now() + 10s;
      while (last[4] == 0 && last[5] == 0 && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
    }
    std::this_thread::sleep_for(60ms);
    for (uint32_t i = 0; i < records; ++i) Record(i)[4] = Record(i)[5] = 0;
  }

  void Passes(int n) {
    for (int i = 0; i < n; ++i) ColorCyclePass(cycle_->Data);
  }

  ColorCycle* cycle_ = nullptr;
};

std::vector<Rgb> Registers141To143() {
  return {RgbOf(ScreenColors[141]), RgbOf(ScreenColors[142]), RgbOf(ScreenColors[143])};
}

TEST_P(ColorCycleTest, ResidenceFirstCycleRingAndSteps) {
  ScreenColors[141] = {10, 20, 200, 0};
  ScreenColors[142] = {90, 20, 40, 0};
  ScreenColors[143] = {200, 60, 41, 0};
  StartParked(5, 22, kResidence);
  EXPECT_EQ(std::vector<uint8_t>(cycle_->Data, cycle_->Data + 3), (std::vector<uint8_t>{5, 32, 4}));  // count, maxL, maxN

  // Register lists: 141, 142, 143 at 19, 27, 29; 139, 140 at 5, 9.
  const uint8_t* r0 = Record(0);
  EXPECT_EQ(std::vector<uint8_t>(r0, r0 + 14),
            (std::vector<uint8_t>{3, 32, 2, 19, 0, 0, 19, 141, 8, 142, 2, 143, 0, 0}));
  const uint8_t* r2 = Record(2);
  EXPECT_EQ(std::vector<uint8_t>(r2 + 6, r2 + 10), (std::vector<uint8_t>{5, 139, 4, 140}));

  // The ring: 141 at 0..19, a 7-step ramp to 142, 142, halfway, 143,
  // halfway (-1 / 2 truncates toward zero), 142.
  const std::vector<std::pair<uint32_t, Rgb>> ring = {
      {0, {10, 20, 200}}, {7, {10, 20, 200}},  {19, {10, 20, 200}}, {20, {20, 20, 180}}, {26, {80, 20, 60}},
      {27, {90, 20, 40}}, {28, {145, 40, 40}}, {29, {200, 60, 41}}, {30, {145, 40, 41}}, {31, {90, 20, 40}}};
  for (const auto& [step, rgb] : ring) EXPECT_EQ(RingStep(0, step), rgb) << step;

  // Speed 2: the first step comes with the third pass and shows every
  // register in its own colour; the second one with the sixth.
  for (int n = 141; n <= 143; ++n) ScreenColors[n] = {1, 1, 1, 0};
  Passes(2);
  EXPECT_EQ(RgbOf(ScreenColors[141]), (Rgb{1, 1, 1}));
  // DirectDraw's palette takes the whole pass in one call (rings 0 and 4,
  // registers 141..155, step on it), OpenGL's table entry by entry.
  const uint64_t changes = platform::testing::PaletteChanges();
  Passes(1);
  EXPECT_EQ(platform::testing::PaletteChanges() - changes, DirectDraw() ? 1u : 0u);
  for (int n : {141, 142, 143, 152, 153, 154, 155}) EXPECT_EQ(test::DisplayRgb(n), RgbOf(ScreenColors[n])) << n;
  EXPECT_EQ(Registers141To143(), (std::vector<Rgb>{{10, 20, 200}, {90, 20, 40}, {200, 60, 41}}));
  Passes(3);
  EXPECT_EQ(Registers141To143(), (std::vector<Rgb>{{20, 20, 180}, {145, 40, 40}, {145, 40, 41}}));
  EXPECT_EQ(test::DisplayRgb(142), (Rgb{145, 40, 40}));
}

// Two registers alternating over a ring of two steps.
std::vector<uint8_t> Alternating(uint8_t speed, uint8_t reg) {
  return {2, speed, 1, 0, 0, reg, 1, static_cast<uint8_t>(reg + 1), 0xFF, 0};
}

TEST_P(ColorCycleTest, SpeedFourStepsEveryFifthPassSpeedZeroEveryPass) {
  ScreenColors[10] = {1, 1, 1, 0};
  ScreenColors[11] = {2, 2, 2, 0};
  ScreenColors[20] = {3, 3, 3, 0};
  ScreenColors[21] = {4, 4, 4, 0};
  std::vector<uint8_t> table = Alternating(4, 10);
  const std::vector<uint8_t> fast = Alternating(0, 20);
  table.insert(table.end(), fast.begin(), fast.end());
  StartParked(2, 10, table.data());
  ScreenColors[10] = {9, 9, 9, 0};
  std::vector<uint8_t> slow, quick;
  for (int pass = 1; pass <= 10; ++pass) {
    Passes(1);
    slow.push_back(ScreenColors[10].red);
    quick.push_back(ScreenColors[20].red);
  }
  EXPECT_EQ(slow, (std::vector<uint8_t>{9, 9, 9, 9, 1, 1, 1, 1, 1, 2}));
  EXPECT_EQ(quick, (std::vector<uint8_t>{3, 4, 3, 4, 3, 4, 3, 4, 3, 4}));
}

TEST_P(ColorCycleTest, NoStepsWhileTheWindowIsInactive) {
  ScreenColors[20] = {3, 3, 3, 0};
  ScreenColors[21] = {4, 4, 4, 0};
  const std::vector<uint8_t> table = Alternating(0, 20);
  WindowActive = 0;
  cycle_ = InitColorCycle(1, 10, table.data());
  ASSERT_NE(cycle_, nullptr);
  const auto deadline = Clock::now() + 10s;
  while (Record(0)[5] == 0 && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
  ScreenColors[20] = {7, 7, 7, 0};
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(RgbOf(ScreenColors[20]), (Rgb{7, 7, 7}));
  WindowActive = 1;
  while (ScreenColors[20].red == 7 && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
  EXPECT_NE(ScreenColors[20].red, 7);
  StopColorCycle(cycle_);
  cycle_ = nullptr;
  // Stopped: nothing changes any more.
  ScreenColors[20] = {7, 7, 7, 0};
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(RgbOf(ScreenColors[20]), (Rgb{7, 7, 7}));
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
}

TEST_P(ColorCycleTest, DescriptionsThatDoNotHoldTogetherAreLeftOut) {
  const std::vector<std::vector<uint8_t>> records = {
      {0, 0, 1, 0, 0, 10, 0xFF, 0, 0, 0},      // length 0
      {2, 0, 0, 0, 0, 10, 1, 11, 0xFF, 0},     // no registers
      {4, 0, 1, 0, 0, 10, 1, 11, 2, 12},       // no terminator in the record
      {8, 0, 1, 0, 0, 10, 3, 11, 0xFF, 0},     // usable; ring black after step 3
      {2, 0, 1, 0, 0, 10, 5, 11, 0xFF, 0},     // a keyframe beyond the ring
      {2, 0, 3, 0, 0, 10, 1, 11, 0xFF, 0},     // three registers, two keyframes
      {2, 0, 1, 2, 0, 10, 1, 11, 0xFF, 0},     // offset beyond the ring
      {9, 0, 1, 0, 4, 10, 2, 11, 0xFF, 0},     // positions not rising
      {0xFF, 0, 2, 0, 0, 10, 0xFE, 11, 0xFF, 0},  // usable, longest ring
  };
  std::vector<uint8_t> table;
  for (const auto& record : records) table.insert(table.end(), record.begin(), record.end());
  ScreenColors[10] = {40, 40, 40, 0};
  ScreenColors[11] = {80, 80, 80, 0};
  StartParked(static_cast<uint8_t>(records.size()), 10, table.data());
  EXPECT_EQ(std::vector<uint8_t>(cycle_->Data, cycle_->Data + 3), (std::vector<uint8_t>{2, 0xFF, 2}));
  EXPECT_EQ(Record(0)[1], 8);
  EXPECT_EQ(RingStep(0, 3), (Rgb{80, 80, 80}));
  EXPECT_EQ(RingStep(0, 4), (Rgb{0, 0, 0}));
  EXPECT_EQ(RingStep(0, 7), (Rgb{0, 0, 0}));
  EXPECT_EQ(Record(1)[1], 0xFF);
  Passes(300);  // every step stays inside its ring
}

TEST_P(ColorCycleTest, OutOfMemoryYieldsNullAndNoDescriptionsStillStart) {
  // The first allocation is the record, the second its data.
  for (const auto& [failing, message] :
       {std::pair<uint32_t, const char*>{1, "InitColorCycle: Keine Speicher mehr. \n"},
        {2, " InitColorCycle: Kein Speicher mehr f\xfcr Colorcycle Daten. "}}) {
    test::LogCapture log;
    FailAllocVecAt(failing);
    EXPECT_EQ(InitColorCycle(5, 22, kResidence), nullptr);
    EXPECT_NE(log.Take().find(message), std::string::npos) << message;
  }
  FailAllocVecAt(0);
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
  // No descriptions at all still start (and stop) a cycle.
  cycle_ = InitColorCycle(3, 22, nullptr);
  ASSERT_NE(cycle_, nullptr);
  EXPECT_EQ(cycle_->Data[0], 0);
}

TEST_P(ColorCycleTest, GetRGB32RepeatsEachByte) {
  ScreenColors[3] = {1, 0x80, 0xAB, 0};
  ScreenColors[4] = {0xFF, 0, 7, 0};
  uint32_t table[6] = {};
  GetRGB32(TheScreen, 3, 2, table);
  EXPECT_EQ(std::vector<uint32_t>(table, table + 6),
            (std::vector<uint32_t>{0x01010101, 0x80808080, 0xABABABAB, 0xFFFFFFFF, 0, 0x07070707}));
}

INSTANTIATE_TEST_SUITE_P(Presenters, ColorCycleTest, test::AllPresenters(), test::PresenterName);

}  // namespace
}  // namespace vsk
