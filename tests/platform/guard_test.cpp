// The crash guard: faults inside RunGuarded reach filter and handler with Windows codes; the thread goes on.
#include "platform/guard.h"

#include <gtest/gtest.h>

#include <fenv.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/resource.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <thread>
#include <vector>

// AddressSanitizer must leave SIGSEGV, SIGBUS, SIGFPE and SIGILL to the guard.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
  return "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:allow_user_segv_handler=1";
}

namespace {

using vsk::platform::RunGuarded;

// Faults are made on purpose here; the sanitizers must let them happen.
#define RAW_FAULT __attribute__((noinline, no_sanitize("address", "undefined")))

volatile int* InaccessiblePage() {
  static void* page =
      mmap(nullptr, static_cast<size_t>(getpagesize()), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return static_cast<volatile int*>(page);
}

RAW_FAULT void TouchInaccessible(void*) { *InaccessiblePage() = 1; }

volatile int gZero = 0;
volatile int gResult = 0;
RAW_FAULT void DivideByZero(void*) { gResult = 7 / gZero; }

#if defined(__x86_64__) || defined(__i386__)
void Breakpoint(void*) { __asm__ volatile("int3"); }
void IllegalInstruction(void*) { __asm__ volatile("ud2"); }
#endif

volatile int gNever = -1;
RAW_FAULT int Recurse(int depth) {
  volatile char frame[512];
  frame[depth % 512] = static_cast<char>(depth);
  if (depth == gNever) return 0;
  return Recurse(depth + 1) + frame[0];
}
void OverflowStack(void*) { gResult = Recurse(0); }

void DoNothing(void* context) {
  if (context) ++*static_cast<int*>(context);
}

int Accept(DWORD) { return EXCEPTION_EXECUTE_HANDLER; }
int Decline(DWORD) { return EXCEPTION_CONTINUE_SEARCH; }

thread_local std::vector<DWORD> tHandled;
void Record(DWORD code) { tHandled.push_back(code); }

struct Outcome {
  DWORD returned;
  std::vector<DWORD> handled;
};

Outcome Guarded(vsk::platform::GuardedFunction function, void* context = nullptr) {
  tHandled.clear();
  DWORD returned = RunGuarded(function, Accept, Record, context);
  return {returned, tHandled};
}

// Each fault reaches the handler once with its code, which RunGuarded returns; twice, so the guard renews.
TEST(RunGuarded, HandsEachFaultToTheHandlerWithItsCodeAndCarriesOn) {
  const struct {
    const char* what;
    vsk::platform::GuardedFunction function;
    DWORD code;
  } cases[] = {
      {"access violation", TouchInaccessible, 0xC0000005u},
      {"integer division by zero", DivideByZero, 0xC0000094u},
#if defined(__x86_64__) || defined(__i386__)
      {"breakpoint", Breakpoint, 0x80000003u},
      {"illegal instruction", IllegalInstruction, 0xC000001Du},
#endif
      {"nothing", DoNothing, 0},
  };
  for (int round = 0; round < 2; ++round)
    for (const auto& c : cases) {
      Outcome outcome = Guarded(c.function);
      EXPECT_EQ(outcome.returned, c.code) << c.what;
      EXPECT_EQ(outcome.handled, c.code ? std::vector<DWORD>{c.code} : std::vector<DWORD>{}) << c.what;
    }
  int calls = 0;
  EXPECT_EQ(Guarded(DoNothing, &calls).returned, 0u);
  EXPECT_EQ(calls, 1);
}

TEST(RunGuarded, RunsTheHandlerOnTheFaultingThread) {
  static std::atomic<pthread_t> handlerThread;
  auto note = [](DWORD) { handlerThread = pthread_self(); };
  pthread_t faulting{};
  std::thread worker([&] {
    faulting = pthread_self();
    EXPECT_EQ(RunGuarded(TouchInaccessible, Accept, note, nullptr), 0xC0000005u);
  });
  worker.join();
  EXPECT_TRUE(pthread_equal(handlerThread.load(), faulting));
  EXPECT_EQ(Guarded(TouchInaccessible).returned, 0xC0000005u) << "and the first thread still";
}

TEST(RunGuarded, GuardsThreadsIndependentlyAtTheSameTime) {
  std::atomic<int> caught{0};
  std::vector<std::thread> workers;
  for (int i = 0; i < 4; ++i)
    workers.emplace_back([&] {
      for (int round = 0; round < 50; ++round)
        caught += Guarded(round % 2 ? TouchInaccessible : DivideByZero).returned ==
                  (round % 2 ? 0xC0000005u : 0xC0000094u);
    });
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(caught, 200);
}

// A thread of its own with a small stack, so the overflow comes quickly.
DWORD OverflowOnSmallStack(int times) {
  struct Run { int times; DWORD last; bool allSame; } run{times, 0, true};
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 512 * 1024);
  pthread_t thread;
  auto body = [](void* argument) -> void* {
    Run* run = static_cast<Run*>(argument);
    for (int i = 0; i < run->times; ++i) {
      DWORD code = Guarded(OverflowStack).returned;
      if (i > 0 && code != run->last) run->allSame = false;
      run->last = code;
    }
    // The thread's ordinary guard still works after its stack overflowed.
    if (Guarded(TouchInaccessible).returned != 0xC0000005u) run->allSame = false;
    return nullptr;
  };
  EXPECT_EQ(pthread_create(&thread, &attributes, body, &run), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  EXPECT_TRUE(run.allSame);
  return run.last;
}

TEST(RunGuarded, ReportsDeepRecursionAsStackOverflow) {
  EXPECT_EQ(OverflowOnSmallStack(3), 0xC00000FDu) << "three overflows in a row";
}

TEST(RunGuarded, ReportsStackOverflowOfTheProcessMainThread) {
  rlimit limit{};
  getrlimit(RLIMIT_STACK, &limit);
  if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 64u * 1024 * 1024)
    GTEST_SKIP() << "the main thread's stack has no small limit here";
  EXPECT_EQ(Guarded(OverflowStack).returned, 0xC00000FDu);
  EXPECT_EQ(Guarded(DivideByZero).returned, 0xC0000094u);
}

thread_local int tInnerFilterCalls = 0;
int CountAndDecline(DWORD) {
  ++tInnerFilterCalls;
  return EXCEPTION_CONTINUE_SEARCH;
}
void InnerHandlerMustNotRun(DWORD) { ADD_FAILURE() << "the declining guard ran its handler"; }

thread_local bool tAfterInnerGuard = false;
void DeclinedInsideOuter(void*) {
  RunGuarded(TouchInaccessible, CountAndDecline, InnerHandlerMustNotRun, nullptr);
  tAfterInnerGuard = true;  // never reached: the outer guard took the exception
}

void HandledInsideOuter(void*) {
  DWORD inner = RunGuarded(DivideByZero, Accept, Record, nullptr);
  tAfterInnerGuard = inner == 0xC0000094u;
}

TEST(RunGuarded, AsksNestedGuardsInnermostFirst) {
  tInnerFilterCalls = 0;
  tAfterInnerGuard = false;
  Outcome declinedInside = Guarded(DeclinedInsideOuter);
  EXPECT_EQ(declinedInside.returned, 0xC0000005u);
  EXPECT_EQ(declinedInside.handled, std::vector<DWORD>{0xC0000005u});
  EXPECT_EQ(tInnerFilterCalls, 1);
  EXPECT_FALSE(tAfterInnerGuard);

  Outcome handledInside = Guarded(HandledInsideOuter);
  EXPECT_EQ(handledInside.returned, 0u) << "the outer guard saw nothing";
  EXPECT_EQ(handledInside.handled, std::vector<DWORD>{0xC0000094u}) << "one handler run, the inner";
  EXPECT_TRUE(tAfterInnerGuard);

  // The outer guard is intact after its inner guard caught something.
  EXPECT_EQ(Guarded(TouchInaccessible).returned, 0xC0000005u);
}

// A filter that repairs the cause and has the instruction tried again.
void* gRepairablePage = nullptr;
int MakeWritableAndRetry(DWORD code) {
  if (code != 0xC0000005u) return EXCEPTION_CONTINUE_SEARCH;
  mprotect(gRepairablePage, static_cast<size_t>(getpagesize()), PROT_READ | PROT_WRITE);
  return EXCEPTION_CONTINUE_EXECUTION;
}
RAW_FAULT void WriteRepairable(void*) { *static_cast<volatile int*>(gRepairablePage) = 42; }

TEST(RunGuarded, RetriesTheInstructionWhenTheFilterSaysContinueExecution) {
  size_t page = static_cast<size_t>(getpagesize());
  gRepairablePage = mmap(nullptr, page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(gRepairablePage, MAP_FAILED);
  tHandled.clear();
  EXPECT_EQ(RunGuarded(WriteRepairable, MakeWritableAndRetry, Record, nullptr), 0u);
  EXPECT_TRUE(tHandled.empty());
  EXPECT_EQ(*static_cast<int*>(gRepairablePage), 42);
  munmap(gRepairablePage, page);
}

RAW_FAULT void FloatDivideByZero(void*) {
  feenableexcept(FE_DIVBYZERO);
  volatile double zero = 0.0;
  volatile double result = 1.0 / zero;
  (void)result;
}

#if defined(__x86_64__) || defined(__i386__)
TEST(RunGuarded, GivesFloatingPointTrapsTheirCodesAndRestoresTheModes) {
  ASSERT_EQ(fegetexcept(), 0) << "traps are off to begin with";
  EXPECT_EQ(Guarded(FloatDivideByZero).returned, 0xC000008Eu);
  EXPECT_EQ(fegetexcept(), 0) << "the trap enabled inside the guard is gone again";
  volatile double zero = 0.0;
  EXPECT_TRUE(std::isinf(1.0 / zero));
}
#endif

void RaiseSegv(void*) { raise(SIGSEGV); }
// Whoever handled the signal before the guard was installed.
void ExitFromPreviousHandler(int) { _exit(3); }

// What the guard does not take ends the process as before; an earlier handler gets what it declines.
TEST(RunGuardedDeathTest, WhatTheGuardDoesNotTakeEndsTheProcessAsBefore) {
  EXPECT_EXIT(RunGuarded(DivideByZero, Decline, Record, nullptr), ::testing::KilledBySignal(SIGFPE), "");
  EXPECT_EXIT(RunGuarded(TouchInaccessible, Decline, Record, nullptr), ::testing::KilledBySignal(SIGSEGV), "");
  EXPECT_EXIT({ RunGuarded(DoNothing, Accept, Record, nullptr);
        TouchInaccessible(nullptr);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
  EXPECT_EXIT(RunGuarded(RaiseSegv, Accept, Record, nullptr), ::testing::KilledBySignal(SIGSEGV), "");
  EXPECT_EXIT({ signal(SIGFPE, ExitFromPreviousHandler);
        RunGuarded(DivideByZero, Decline, Record, nullptr);
      },
      ::testing::ExitedWithCode(3), "");
}

}  // namespace
