// One pass of the colour-cycle thread over the residence's five cycles, set
// against the 20 ms tick the thread sleeps between passes. The rings are
// precomputed, so a pass should cost a vanishing share of its tick.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "pictures/colorcycle.h"

namespace {

constexpr double kTickNanoseconds = 20e6;

const uint8_t kResidence[5 * 22] = {
    0x20, 0x02, 0x03, 0x13, 0x00, 0x8D, 0x13, 0x8D, 0x1B, 0x8E, 0x1D, 0x8F, 0x1F, 0x8E, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x20, 0x01, 0x04, 0x0D, 0x00, 0x94, 0x0D, 0x94, 0x10, 0x95, 0x13, 0x96, 0x16, 0x97, 0x19, 0x96, 0x1C, 0x95, 0x1F, 0x94, 0xFF, 0x00,
    0x0F, 0x04, 0x02, 0x05, 0x00, 0x8B, 0x05, 0x8B, 0x09, 0x8C, 0x0E, 0x8B, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x1A, 0x01, 0x04, 0x00, 0x00, 0x90, 0x03, 0x91, 0x06, 0x92, 0x0A, 0x93, 0x12, 0x91, 0x17, 0x90, 0x19, 0x90, 0xFF, 0x00, 0x00, 0x00,
    0x1C, 0x02, 0x04, 0x0B, 0x00, 0x98, 0x0B, 0x98, 0x0D, 0x99, 0x10, 0x9A, 0x13, 0x9B, 0x15, 0x9A, 0x18, 0x99, 0x1B, 0x99, 0xFF, 0x00,
};

vsk::ColorCycle* gCycle = nullptr;

// The residence's cycles with their own thread held still (the window is
// "inactive" after its first pass), so the benchmark makes the passes.
void StartCycle() {
  vsk::PresenterChoice = vsk::kPresenterOpenGL;  // palette writes go to GLColors
  for (int i = 0; i < 256; ++i) vsk::ScreenColors[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
  vsk::WindowActive = 0;
  gCycle = vsk::InitColorCycle(5, 22, kResidence);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

void StopCycle() {
  vsk::WindowActive = 1;
  vsk::StopColorCycle(gCycle);
  gCycle = nullptr;
}

void BM_ColorCyclePass(benchmark::State& state) {
  StartCycle();
  if (!gCycle) {
    state.SkipWithError("no cycle");
    return;
  }
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    vsk::ColorCyclePass(gCycle->Data);
    benchmark::ClobberMemory();
  }
  const double perPass =
      std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() /
      static_cast<double>(state.iterations());
  StopCycle();
  // Beside the thread's 20 ms tick: how many passes would fit into one.
  state.counters["ns_per_pass"] = perPass;
  state.counters["tick_ns"] = kTickNanoseconds;
  state.counters["passes_per_tick"] = kTickNanoseconds / perPass;
}
BENCHMARK(BM_ColorCyclePass)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
