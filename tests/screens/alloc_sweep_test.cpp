// The whole client (title → residence's text box → residence → end) run once
// to count its AllocVec calls, then again with the n-th failing, in both
// presenters: every run must end (a watchdog aborts a hang), log the
// failure, give back every block and report status 0 only for an orderly end.
// ctest tries the start-up's first 8, the residence's first 8 and 4 spread
// over the run; every n with VSK_ALLOC_SWEEP=all (about 6 and 16 minutes).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
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

// Aborts a run that does not end by itself: a hang is a fault the sweep is
// there to find, and an in-process run cannot be stopped any other way.
struct Watchdog {
  Watchdog(uint32_t n, std::chrono::seconds limit)
      : thread([done = ended.get_future(), n, limit] {
          if (done.wait_for(limit) == std::future_status::ready) return;
          std::fprintf(stderr, "allocation sweep: the run with allocation %u failing hangs\n", n);
          std::abort();
        }) {}
  ~Watchdog() {
    ended.set_value();
    thread.join();
  }
  std::promise<void> ended;
  std::thread thread;
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
  for (uint32_t k = 1; k <= 8; ++k) points.insert({k, residenceStart + k, calls * (k % 5) / 5});
  for (uint32_t n = 1; all && std::strcmp(all, "all") == 0 && n <= calls; ++n) points.insert(n);
  std::erase_if(points, [calls](uint32_t n) { return n == 0 || n > calls; });
  return {points.begin(), points.end()};
}

class AllocationSweepTest : public test::ClientRunTest {
 protected:
  void SetUp() override {
    ClientRunTest::SetUp();
    // Input from the start: a failed allocation may keep the picture away.
    pictureWait_ = 0ms;
  }

  // One run, the player closing the box and right-clicking each screen away;
  // the running flag set as a crash leaves it, so only a whole game clears it.
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
    if (AllocVecCalls() - callsAtStart >= n) {
      EXPECT_NE(log_.find("AllocVec: 000 "), std::string::npos) << log_;
    }
    ExpectOrderlyEnd();
    EXPECT_EQ(result, 0) << "the window loop's result";
    EXPECT_EQ(LiveAllocVecBlocks(), liveAtStart) << log_;
    const int status = RunFailureStatus();
    EXPECT_NE(status, kExitFatalException) << log_;
    if (status == 0) {
      EXPECT_EQ(test::ReadBytes("data/prefs.vsk").at(test::kRunningFlagOffset), 0) << "said well, ran to its end\n" << log_;
    } else {
      EXPECT_NE(RunFailureSentence(), "");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Presenters, AllocationSweepTest, ::testing::Values("", "-gl"), test::PresenterParamName);

}  // namespace
}  // namespace vsk
