// Kernel threads: creation, suspension counts, cooperative suspension, waiting for the end, the clocks.
#include <intrin.h>
#include <process.h>

#include "platform_test.h"

namespace {

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

// Made by CreateThread or by the CRT's _beginthreadex (the parameter).
class CreatedSuspended : public ::testing::TestWithParam<bool> {};

TEST_P(CreatedSuspended, DoesNotRunUntilResumed) {
  gEntered = 0;
  DWORD id = 0;
  unsigned crtId = 0;
  void* parameter = reinterpret_cast<void*>(42);
  HANDLE thread = GetParam() ? reinterpret_cast<HANDLE>(
                                   _beginthreadex(nullptr, 0, MarkEnteredCrt, parameter, CREATE_SUSPENDED, &crtId))
                             : CreateThread(nullptr, 0, MarkEntered, parameter, CREATE_SUSPENDED, &id);
  if (GetParam()) id = crtId;
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  auto waitStart = Clock::now();
  EXPECT_EQ(WaitForSingleObject(thread, 80), WAIT_TIMEOUT);
  EXPECT_GE(Clock::now() - waitStart, 75ms) << "the wait lasts its timeout";
  EXPECT_EQ(gEntered.load(), 0);
  EXPECT_EQ(WaitForSingleObject(GetCurrentThread(), 10), WAIT_TIMEOUT) << "a thread waiting for itself never ends";
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, STILL_ACTIVE);

  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(gEntered.load(), 1);
  EXPECT_EQ(gSeenId.load(), id) << "the thread's own id is the one creation gave";
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "an ended thread stays signalled";
  EXPECT_TRUE(CloseHandle(thread));
  EXPECT_FAILS_WITH(WaitForSingleObject(thread, 0), WAIT_FAILED, ERROR_INVALID_HANDLE);
}

INSTANTIATE_TEST_SUITE_P(Threads, CreatedSuspended, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "BeginThreadEx" : "CreateThread"; });

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
  EXPECT_FAILS_WITH(SuspendThread(thread), static_cast<DWORD>(-1), ERROR_ACCESS_DENIED);  // it has ended
  CloseHandle(thread);

  int notAThread = 0;
  EXPECT_FAILS_WITH(SuspendThread(&notAThread), static_cast<DWORD>(-1), ERROR_INVALID_HANDLE);
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

TEST(Clocks, PerformanceCounterAndTimeStampCounterAdvance) {
  LARGE_INTEGER frequency, before, after;
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  ASSERT_TRUE(QueryPerformanceCounter(&before));
  unsigned long long tscBefore = __rdtsc();
  DWORD ticksBefore = GetTickCount();
  Sleep(50);
  QueryPerformanceCounter(&after);
  // 50 ms, allowing up to 2 s on a loaded machine.
  EXPECT_NEAR(double(after.QuadPart - before.QuadPart) / frequency.QuadPart, 1.0, 0.955);
  EXPECT_GT(__rdtsc(), tscBefore);
  EXPECT_NEAR(double(GetTickCount() - ticksBefore), 1000, 955);
}

}  // namespace
