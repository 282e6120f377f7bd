// Sleeping and the clocks: the performance counter (nanoseconds of the
// monotonic clock) and the millisecond tick count.
#include <windows.h>

#include <chrono>
#include <thread>

#include "kernel32_thread.h"

void Sleep(DWORD dwMilliseconds) {
  vsk::platform::SuspensionPoint();
  if (dwMilliseconds == 0) {
    std::this_thread::yield();
  } else if (dwMilliseconds == INFINITE) {
    // A thread that sleeps for ever only ever stops.
    for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
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
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  lpPerformanceCount->QuadPart = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
  return TRUE;
}

DWORD GetTickCount(void) {
  // Milliseconds of the monotonic clock (time since boot on Linux), wrapping
  // after 49.7 days as on Windows.
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}
