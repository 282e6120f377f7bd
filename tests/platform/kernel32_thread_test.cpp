// Kernel threads of the layer: creation (suspended or running), suspension
// counts, cooperative suspension, waiting for a thread's end, and the clocks.
#include <intrin.h>
#include <process.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "support/eventually.h"

#include <atomic>
#include <chrono>
#include <thread>

using vsk::test::Eventually;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::atomic<int> gEntered{0};
std::atomic<DWORD> gSeenId{0};

DWORD WINAPI MarkEntered(LPVOID parameter) {
  gEntered++;
  gSeenId = GetCurrentThreadId();
  return static_cast<DWORD>(reinterpret_cast<uintptr_t>(parameter));
}

unsigned __stdcall MarkEnteredCrt(void* parameter) {
  return MarkEntered(parameter);
}

TEST(Threads, CreatedSuspendedDoesNotRunUntilResumed) {
  gEntered = 0;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, MarkEntered, reinterpret_cast<LPVOID>(42), CREATE_SUSPENDED, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(WaitForSingleObject(thread, 80), WAIT_TIMEOUT);
  EXPECT_EQ(gEntered.load(), 0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, STILL_ACTIVE);

  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(gEntered.load(), 1);
  EXPECT_EQ(gSeenId.load(), id);
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "an ended thread stays signalled";
  EXPECT_TRUE(CloseHandle(thread));
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Threads, BeginThreadExHonoursCreateSuspended) {
  gEntered = 0;
  unsigned id = 0;
  uintptr_t handle = _beginthreadex(nullptr, 0, MarkEnteredCrt, reinterpret_cast<void*>(7), CREATE_SUSPENDED, &id);
  ASSERT_NE(handle, 0u);
  HANDLE thread = reinterpret_cast<HANDLE>(handle);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(gEntered.load(), 0);
  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, 2000), WAIT_OBJECT_0);
  EXPECT_EQ(gSeenId.load(), id);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  EXPECT_EQ(code, 7u);
  CloseHandle(thread);
}

TEST(Threads, SuspendAndResumeReturnThePreviousCount) {
  HANDLE thread = CreateThread(nullptr, 0, MarkEntered, nullptr, CREATE_SUSPENDED, nullptr);
  EXPECT_EQ(SuspendThread(thread), 1u);
  EXPECT_EQ(SuspendThread(thread), 2u);
  EXPECT_EQ(ResumeThread(thread), 3u);
  EXPECT_EQ(ResumeThread(thread), 2u);
  EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT) << "still suspended once";
  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, 2000), WAIT_OBJECT_0);
  EXPECT_EQ(ResumeThread(thread), 0u) << "resuming a thread that is not suspended";
  EXPECT_EQ(SuspendThread(thread), static_cast<DWORD>(-1)) << "an ended thread cannot be suspended";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(thread);

  int notAThread = 0;
  EXPECT_EQ(SuspendThread(&notAThread), static_cast<DWORD>(-1));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(ResumeThread(&notAThread), static_cast<DWORD>(-1));
}

std::atomic<int> gSteps{0};
std::atomic<bool> gStop{false};

DWORD WINAPI Stepper(LPVOID) {
  while (!gStop) {
    gSteps++;
    Sleep(1);
  }
  return 0;
}

TEST(Threads, AnotherThreadStopsAtItsNextCallIntoTheLayer) {
  gSteps = 0;
  gStop = false;
  HANDLE thread = CreateThread(nullptr, 0, Stepper, nullptr, 0, nullptr);
  ASSERT_TRUE(Eventually([] { return gSteps > 3; }));
  EXPECT_EQ(SuspendThread(thread), 0u);
  std::this_thread::sleep_for(100ms);  // the step under way ends at its Sleep
  int stoppedAt = gSteps;
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(gSteps.load(), stoppedAt);
  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_TRUE(Eventually([&] { return gSteps > stoppedAt + 3; }));
  gStop = true;
  EXPECT_EQ(WaitForSingleObject(thread, 2000), WAIT_OBJECT_0);
  CloseHandle(thread);
}

std::atomic<int> gStage{0};

DWORD WINAPI SuspendsItself(LPVOID) {
  gStage = 1;
  SuspendThread(GetCurrentThread());
  gStage = 2;
  return 0;
}

TEST(Threads, AThreadThatSuspendsItselfStopsAtOnce) {
  gStage = 0;
  HANDLE thread = CreateThread(nullptr, 0, SuspendsItself, nullptr, 0, nullptr);
  ASSERT_TRUE(Eventually([] { return gStage == 1; }));
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(gStage.load(), 1);
  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, 2000), WAIT_OBJECT_0);
  EXPECT_EQ(gStage.load(), 2);
  CloseHandle(thread);
}

DWORD WINAPI SleepsAWhile(LPVOID) {
  Sleep(150);
  return 3;
}

TEST(Threads, WaitForSingleObjectTimesOutOrSeesTheEnd) {
  auto start = Clock::now();
  HANDLE thread = CreateThread(nullptr, 0, SleepsAWhile, nullptr, 0, nullptr);
  auto waitStart = Clock::now();
  EXPECT_EQ(WaitForSingleObject(thread, 30), WAIT_TIMEOUT);
  EXPECT_GE(Clock::now() - waitStart, 25ms);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_GE(Clock::now() - start, 140ms);
  CloseHandle(thread);

  // The calling thread never ends while it waits for itself.
  EXPECT_EQ(WaitForSingleObject(GetCurrentThread(), 10), WAIT_TIMEOUT);
}

std::atomic<bool> gRelease{false};
std::atomic<bool> gFinished{false};

DWORD WINAPI WaitsForRelease(LPVOID) {
  while (!gRelease) Sleep(1);
  gFinished = true;
  return 0;
}

TEST(Threads, ClosingTheHandleDoesNotEndTheThread) {
  gRelease = false;
  gFinished = false;
  HANDLE thread = CreateThread(nullptr, 0, WaitsForRelease, nullptr, 0, nullptr);
  EXPECT_TRUE(CloseHandle(thread));
  gRelease = true;
  EXPECT_TRUE(Eventually([] { return gFinished.load(); }));
}

TEST(Threads, ThreadIdsAreDistinctAndStable) {
  DWORD mine = GetCurrentThreadId();
  EXPECT_NE(mine, 0u);
  EXPECT_EQ(GetCurrentThreadId(), mine);
  DWORD other = 0;
  std::thread([&] { other = GetCurrentThreadId(); }).join();
  EXPECT_NE(other, 0u);
  EXPECT_NE(other, mine);
}

TEST(Clocks, PerformanceCounterAndTimeStampCounterAdvance) {
  LARGE_INTEGER frequency, before, after;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_GT(frequency.QuadPart, 1000000);
  ASSERT_TRUE(QueryPerformanceCounter(&before));
  unsigned long long tscBefore = __rdtsc();
  DWORD ticksBefore = GetTickCount();
  Sleep(50);
  QueryPerformanceCounter(&after);
  double seconds = static_cast<double>(after.QuadPart - before.QuadPart) / frequency.QuadPart;
  EXPECT_GE(seconds, 0.045);
  EXPECT_LT(seconds, 2.0);
  EXPECT_GT(__rdtsc(), tscBefore);
  DWORD elapsed = GetTickCount() - ticksBefore;
  EXPECT_GE(elapsed, 45u);
  EXPECT_LT(elapsed, 2000u);
}

}  // namespace
