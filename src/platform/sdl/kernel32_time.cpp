// Sleeping and the clocks: the performance counter (nanoseconds of the
// monotonic clock) and the millisecond tick count. A test hook can make them
// run faster than real time, so that a whole run of the client, with its
// fixed waits, takes a fraction of a second.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "kernel32_thread.h"
#include "platform/testing.h"

namespace vsk::platform {

namespace {

std::atomic<unsigned> gFactor{1};
// From this real moment on, the clocks run gFactor times faster; before it
// they read as the real clock.
std::atomic<int64_t> gWarpStart{0};

// Nanoseconds of the game's monotonic clock.
int64_t GameNanoseconds() {
  const int64_t real =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count();
  const int64_t start = gWarpStart.load();
  const unsigned factor = gFactor.load();
  if (factor == 1 || real < start) return real;
  return start + (real - start) * factor;
}

}  // namespace

unsigned TimeFactor() { return gFactor.load(); }

namespace testing {

void SpeedUpTime(unsigned factor) {
  gWarpStart = std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
                   .count();
  gFactor = factor == 0 ? 1 : factor;
}

}  // namespace testing

}  // namespace vsk::platform

void Sleep(DWORD dwMilliseconds) {
  vsk::platform::SuspensionPoint();
  if (dwMilliseconds == 0) {
    std::this_thread::yield();
  } else if (dwMilliseconds == INFINITE) {
    // A thread that sleeps for ever only ever stops.
    for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
  } else {
    std::this_thread::sleep_for(std::chrono::microseconds(uint64_t{dwMilliseconds} * 1000 /
                                                          vsk::platform::TimeFactor()));
  }
  vsk::platform::SuspensionPoint();
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency) {
  if (!lpFrequency) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  lpFrequency->QuadPart = 1000000000;
  return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount) {
  if (!lpPerformanceCount) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  lpPerformanceCount->QuadPart = vsk::platform::GameNanoseconds();
  return TRUE;
}

DWORD GetTickCount(void) {
  // Milliseconds of the monotonic clock (time since boot on Linux), wrapping
  // after 49.7 days as on Windows.
  return static_cast<DWORD>(vsk::platform::GameNanoseconds() / 1000000);
}
