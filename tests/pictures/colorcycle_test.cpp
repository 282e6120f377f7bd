// Colour cycling: rings, steps and their timing, broken descriptions, no memory, inactive pauses.
#include "pictures/colorcycle.h"

#include "pictures/pictures_test.h"

namespace vsk {
namespace {

using namespace test;
using Rgbs = std::vector<int>;
using Words = std::vector<uint32_t>;

// The residence screen's five cycles, 22 bytes each.
const uint8_t kResidence[5 * 22] = {
    0x20, 0x02, 0x03, 0x13, 0x00, 0x8D, 0x13, 0x8D, 0x1B, 0x8E, 0x1D, 0x8F, 0x1F, 0x8E, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x20, 0x01, 0x04, 0x0D, 0x00, 0x94, 0x0D, 0x94, 0x10, 0x95, 0x13, 0x96, 0x16, 0x97, 0x19, 0x96, 0x1C, 0x95, 0x1F, 0x94, 0xFF, 0x00,
    0x0F, 0x04, 0x02, 0x05, 0x00, 0x8B, 0x05, 0x8B, 0x09, 0x8C, 0x0E, 0x8B, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x1A, 0x01, 0x04, 0x00, 0x00, 0x90, 0x03, 0x91, 0x06, 0x92, 0x0A, 0x93, 0x12, 0x91, 0x17, 0x90, 0x19, 0x90, 0xFF, 0x00, 0x00, 0x00,
    0x1C, 0x02, 0x04, 0x0B, 0x00, 0x98, 0x0B, 0x98, 0x0D, 0x99, 0x10, 0x9A, 0x13, 0x9B, 0x15, 0x9A, 0x18, 0x99, 0x1B, 0x99, 0xFF, 0x00,
};

// A ring step as stored: each byte repeated in all four bytes of its word.
Words Step(uint8_t r, uint8_t g, uint8_t b) { return {r * 0x01010101u, g * 0x01010101u, b * 0x01010101u}; }

class ColorCycleTest : public ScreenModeTest {
 protected:
  void TearDown() override {
    WindowActive = 1;
    if (cycle_) StopColorCycle(cycle_);
    ScreenModeTest::TearDown();
  }

  uint8_t* Record(uint32_t index) {
    return cycle_->Data + kCycleHeaderSize + index * CycleRecordSize(cycle_->Data[1], cycle_->Data[2]);
  }
  Words RingStep(uint32_t index, uint32_t step) {
    Words rgb(3);
    std::memcpy(rgb.data(), Record(index) + 6 + 2 * cycle_->Data[2] + 12 * step, 12);
    return rgb;
  }
  // Starts a cycle parked after one pass (window inactive), counters reset: the test makes the passes.
  void StartParked(uint8_t count, uint8_t size, const uint8_t* table) {
    WindowActive = 0;
    cycle_ = InitColorCycle(count, size, table);
    ASSERT_NE(cycle_, nullptr);
    const uint32_t records = cycle_->Data[0];
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (records && !Record(records - 1)[4] && !Record(records - 1)[5] && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(60ms);
    for (uint32_t i = 0; i < records; ++i) Record(i)[4] = Record(i)[5] = 0;
  }
  void Passes(int n) {
    for (int i = 0; i < n; ++i) ColorCyclePass(cycle_->Data);
  }

  ColorCycle* cycle_ = nullptr;
};

TEST_P(ColorCycleTest, ResidenceFirstCycleRingAndSteps) {
  ScreenColors[141] = {10, 20, 200, 0};
  ScreenColors[142] = {90, 20, 40, 0};
  ScreenColors[143] = {200, 60, 41, 0};
  StartParked(5, 22, kResidence);
  EXPECT_EQ(std::vector<uint8_t>(cycle_->Data, cycle_->Data + 3), (std::vector<uint8_t>{5, 32, 4}));  // maxL, maxN
  // Registers 141, 142, 143 at 19, 27, 29, as deltas.
  EXPECT_EQ(std::vector<uint8_t>(Record(0), Record(0) + 14),
            (std::vector<uint8_t>{3, 32, 2, 19, 0, 0, 19, 141, 8, 142, 2, 143, 0, 0}));
  // The ring: 141 for 0..19, ramp to 142, 142, halfway, 143, halfway (truncated), 142.
  const std::vector<std::pair<uint32_t, Words>> ring = {
      {0, Step(10, 20, 200)},  {19, Step(10, 20, 200)}, {20, Step(20, 20, 180)}, {26, Step(80, 20, 60)},
      {28, Step(145, 40, 40)}, {29, Step(200, 60, 41)}, {30, Step(145, 40, 41)}, {31, Step(90, 20, 40)}};
  for (const auto& [step, rgb] : ring) EXPECT_EQ(RingStep(0, step), rgb) << step;

  // Speed 2: the first step with the third pass, each register in its own colour; the second with the sixth.
  ScreenColors[141] = ScreenColors[142] = {1, 1, 1, 0};
  Passes(2);
  EXPECT_EQ(Rgb(ScreenColors[141]), (Rgbs{1, 1, 1}));
  // DirectDraw sets the palette once per pass (rings 0 and 4, 141..155, step), OpenGL entry by entry.
  const uint64_t changes = platform::testing::PaletteChanges();
  Passes(1);
  EXPECT_EQ(platform::testing::PaletteChanges() - changes, DirectDraw() ? 1u : 0u);
  const auto shown = DisplayPalette();
  for (int n : {141, 142, 143, 152, 153, 154, 155}) EXPECT_EQ(Rgb(shown[n]), Rgb(ScreenColors[n])) << n;
  EXPECT_EQ(Rgb(ScreenColors[142]), (Rgbs{90, 20, 40}));
  Passes(3);
  EXPECT_EQ((std::vector<Rgbs>{Rgb(ScreenColors[141]), Rgb(ScreenColors[143]), Rgb(DisplayPalette()[142])}),
            (std::vector<Rgbs>{{20, 20, 180}, {145, 40, 41}, {145, 40, 40}}));
}

TEST_P(ColorCycleTest, DescriptionsThatDoNotHoldTogetherAreLeftOutNoneOrNoMemory) {
  const uint8_t records[] = {
      0,    0, 1, 0, 0, 10, 0xFF, 0,  0,    0,  // length 0
      2,    0, 0, 0, 0, 10, 1,    11, 0xFF, 0,  // no registers
      4,    0, 1, 0, 0, 10, 1,    11, 2,    12,  // no terminator in the record
      8,    0, 1, 0, 0, 10, 3,    11, 0xFF, 0,  // usable; ring black after step 3
      2,    0, 1, 0, 0, 10, 5,    11, 0xFF, 0,  // a keyframe beyond the ring
      2,    0, 3, 0, 0, 10, 1,    11, 0xFF, 0,  // three registers, two keyframes
      2,    0, 1, 2, 0, 10, 1,    11, 0xFF, 0,  // offset beyond the ring
      9,    0, 1, 0, 4, 10, 2,    11, 0xFF, 0,  // positions not rising
      0xFF, 0, 2, 0, 0, 10, 0xFE, 11, 0xFF, 0,  // usable, longest ring
  };
  ScreenColors[11] = {80, 80, 80, 0};
  StartParked(sizeof records / 10, 10, records);
  EXPECT_EQ(std::vector<uint8_t>(cycle_->Data, cycle_->Data + 3), (std::vector<uint8_t>{2, 0xFF, 2}));
  EXPECT_EQ(Record(0)[1] + 1000 * Record(1)[1], 8 + 1000 * 0xFF);
  EXPECT_EQ(RingStep(0, 3), Step(80, 80, 80));
  EXPECT_EQ(RingStep(0, 4), Step(0, 0, 0));
  Passes(300);  // every step stays inside its ring

  // No descriptions, or no memory.
  WindowActive = 1;
  StopColorCycle(cycle_);
  cycle_ = InitColorCycle(3, 22, nullptr);
  ASSERT_NE(cycle_, nullptr);
  EXPECT_EQ(cycle_->Data[0], 0);
  Sleep(50);  // running passes over nothing
  for (uint32_t failing : {1u, 2u}) {
    LogCapture log;
    FailAllocVecAt(failing);
    EXPECT_EQ(InitColorCycle(5, 22, kResidence), nullptr);
    EXPECT_NE(log.Take().find(failing == 1 ? "InitColorCycle: Keine Speicher mehr. \n"
                                           : " InitColorCycle: Kein Speicher mehr f\xfcr Colorcycle Daten. "),
              std::string::npos);
  }
  FailAllocVecAt(0);
  StopColorCycle(cycle_);
  cycle_ = nullptr;
  EXPECT_EQ(LiveAllocVecBlocks(), blocksBefore_);
}

// The cycle thread steps nothing while the window is inactive, goes on when active, nothing once stopped.
TEST_P(ColorCycleTest, NoStepsWhileTheWindowIsInactive) {
  StartParked(5, 22, kResidence);
  ScreenColors[0x8D] = {7, 7, 7, 0};
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(ScreenColors[0x8D].red, 7);
  WindowActive = 1;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (ScreenColors[0x8D].red == 7 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(1ms);
  EXPECT_NE(ScreenColors[0x8D].red, 7);
  // Stopped while the window is inactive again (the client closed from the
  // task bar): the thread must end rather than wait for the window.
  WindowActive = 0;
  StopColorCycle(cycle_);
  cycle_ = nullptr;
  ScreenColors[0x8D] = {7, 7, 7, 0};
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(ScreenColors[0x8D].red, 7);
}

INSTANTIATE_TEST_SUITE_P(Presenters, ColorCycleTest, AllPresenters(), PresenterName);

}  // namespace
}  // namespace vsk
