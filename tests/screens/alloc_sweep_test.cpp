// The whole client with one allocation failing: a run of title → the
// residence's text box → the residence → end counts its AllocVec calls, then
// the run is made again with the n-th of them failing, in both presenters.
// Every such run must end (the watchdog aborts a run that hangs), log the
// failure, give back every block it took and tell the truth about how it
// went: a status of 0 only when the game ran to its orderly end. Leaks of
// anything else are LeakSanitizer's to find at exit (debug preset).
//
// A run takes seconds (the start-up's fixed waits), so ctest tries the first
// 8 allocations (the start-up's), the residence screen's first 8 (its loads,
// which it must release again and still end in order when one fails) and 4
// spread over the run. The full sweep,
// every n, runs with VSK_ALLOC_SWEEP=all (DirectDraw: 87 runs, about 6
// minutes; OpenGL, whose frames allocate too: about 220 runs, 16 minutes):
//   VSK_ALLOC_SWEEP=all build/debug/tests/test_screens --gtest_filter='*AllocationSweep*'
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/context.h"
#include "core/presenter_state.h"
#include "platform/testing.h"
#include "screens/screens.h"
#include "services/memory_faults.h"
#include "startup/outcome.h"
#include "startup/report.h"
#include "support/client_run.h"

namespace vsk {
namespace {

using namespace std::chrono_literals;

// Ends a run that does not end by itself: a hang is a fault the sweep is
// there to find, and an in-process run cannot be stopped any other way.
class Watchdog {
 public:
  Watchdog(uint32_t n, std::chrono::seconds limit)
      : thread_([this, n, limit] {
          std::unique_lock<std::mutex> lock(lock_);
          if (!done_changed_.wait_for(lock, limit, [this] { return done_; })) {
            std::fprintf(stderr, "allocation sweep: the run with allocation %u failing hangs\n", n);
            std::abort();
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(lock_);
      done_ = true;
    }
    done_changed_.notify_all();
    thread_.join();
  }

 private:
  std::mutex lock_;
  std::condition_variable done_changed_;
  bool done_ = false;
  std::thread thread_;
};

// AllocVec calls made before the residence screen began, in the last run.
std::atomic<uint64_t> gResidenceStart{0};

int32_t NotedResidenceScreen() {
  gResidenceStart = AllocVecCalls();
  return ResidenceScreen();
}

// The allocations to fail (1 = the run's first): all of them, or a sample.
std::vector<uint32_t> SweepPoints(uint32_t calls, uint32_t residenceStart) {
  const char* all = std::getenv("VSK_ALLOC_SWEEP");
  std::set<uint32_t> points;
  for (uint32_t k = 1; k <= 8; ++k) {
    points.insert(k);
    points.insert(residenceStart + k);
  }
  for (uint32_t k = 1; k <= 4; ++k) points.insert(calls * k / 5);
  if (all && std::strcmp(all, "all") == 0)
    for (uint32_t n = 1; n <= calls; ++n) points.insert(n);
  std::erase_if(points, [calls](uint32_t n) { return n == 0 || n > calls; });
  return {points.begin(), points.end()};
}

class AllocationSweepTest : public test::ClientRunTest {
 protected:
  void SetUp() override {
    ClientRunTest::SetUp();
    // Input from the start, without waiting for a picture that a failed
    // allocation may never let appear.
    pictureWait_ = 0ms;
  }

  // One run; the player closes the text box and right-clicks every 300 ms,
  // which ends each screen in turn. The running flag is set before, as a
  // crashed run leaves it, so that only a game that ran to its end clears it.
  int RunOnce() {
    std::vector<uint8_t> prefs = test::ReadBytes("data/prefs.vsk");
    if (prefs.size() > test::kRunningFlagOffset) {
      prefs[test::kRunningFlagOffset] = 1;
      test::WriteBytes("data/prefs.vsk", prefs);
    }
    FreeSystemReport();  // the device lists of the machine report
    System = SystemContext{};
    Player = PlayerRecord{};
    platform::testing::ResetMessageBoxes();
    Screens.residence = NotedResidenceScreen;
    const int result = Run({}, [] {
      test::LeftClickAt(535, 380);
      test::RightClick();
    });
    FreeSystemReport();
    return result;
  }
};

TEST_P(AllocationSweepTest, EveryFailedAllocationEndsInOrderAndGivesEverythingBack) {
  const int64_t liveBefore = LiveAllocVecBlocks();
  const uint64_t callsBefore = AllocVecCalls();
  ASSERT_EQ(RunOnce(), 0);
  const auto calls = static_cast<uint32_t>(AllocVecCalls() - callsBefore);
  const auto residenceStart = static_cast<uint32_t>(gResidenceStart - callsBefore);
  ASSERT_NE(log_.find("InitRequesterTextBox_Bitmap"), std::string::npos) << "the run reaches the text box\n" << log_;
  ASSERT_EQ(RunFailureStatus(), 0) << RunFailureSentence();
  ASSERT_EQ(LiveAllocVecBlocks(), liveBefore) << "a run without failures gives every block back";
  std::printf("allocation sweep: %u AllocVec calls in a run, the residence's from %u on\n", calls,
              residenceStart + 1);

  for (uint32_t n : SweepPoints(calls, residenceStart)) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(calls) + " failing");
    const uint64_t callsAtStart = AllocVecCalls();
    const int64_t liveAtStart = LiveAllocVecBlocks();
    int result;
    {
      Watchdog watchdog(n, 60s);
      FailAllocVecAt(n);
      result = RunOnce();
      FailAllocVecAt(0);
    }
    const bool failed = AllocVecCalls() - callsAtStart >= n;
    if (failed) {
      EXPECT_NE(log_.find("AllocVec: 000 "), std::string::npos) << log_;
    }
    ExpectOrderlyEnd();
    EXPECT_EQ(result, 0) << "the window loop's result";
    EXPECT_EQ(LiveAllocVecBlocks(), liveAtStart) << log_;
    const int status = RunFailureStatus();
    EXPECT_NE(status, kExitFatalException) << log_;
    if (status == 0) {
      EXPECT_EQ(test::ReadBytes("data/prefs.vsk").at(test::kRunningFlagOffset), 0)
          << "a run said to have gone well ran the game to its end\n" << log_;
    } else {
      EXPECT_NE(RunFailureSentence(), "");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Presenters, AllocationSweepTest, ::testing::Values("", "-gl"), test::PresenterParamName);

}  // namespace
}  // namespace vsk
