// Threads of the layer, shared by the kernel, message and window code.
//
// Every thread that calls into the layer has a ThreadState: threads started
// with CreateThread/_beginthreadex from the start, any other thread (the
// process's first thread, a test's std::thread) on its first call. Suspension
// is cooperative: SuspendThread raises a thread's count, and the thread stops
// at its next SuspensionPoint until the count is back at 0.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace vsk::platform {

struct MessageQueue;  // user32_message.cpp

struct ThreadState {
  DWORD id = 0;
  std::mutex lock;
  std::condition_variable changed;  // suspension count or end of the thread
  std::atomic<int> suspendCount{0};
  bool finished = false;            // guarded by lock
  bool startedByLayer = false;      // CreateThread/_beginthreadex; set before it runs
  bool parked = false;              // stopped in SuspensionPoint; guarded by lock
  DWORD exitCode = STILL_ACTIVE;    // guarded by lock
  // The thread's message queue, made by the thread's first message call.
  // Set once by the thread itself, read by posting threads: guarded by lock.
  std::shared_ptr<MessageQueue> queue;
};

// The calling thread's state (made on first use).
ThreadState& CurrentThread();
std::shared_ptr<ThreadState> CurrentThreadShared();

// The state of a live thread by id, or null when no running thread has it.
std::shared_ptr<ThreadState> FindThread(DWORD id);

// The thread behind a thread handle (the GetCurrentThread pseudo-handle
// included), or null with ERROR_INVALID_HANDLE set. A live handle of another
// kind is a call the layer does not support.
std::shared_ptr<ThreadState> ThreadOfHandle(HANDLE handle, const char* caller);

// Stops the calling thread while another thread holds it suspended. Every
// call into the layer that a game thread makes passes here: message calls,
// Sleep, WaitForSingleObject, DirectDraw and DirectSound calls. Blocking
// calls pass again before they return, so a thread suspended while it waited
// does not return before it is resumed.
void SuspensionPoint();

// Holds every thread the layer started (other than the caller) at its next suspension point, for
// good (the process is ending), and waits up to `patience` for those that
// are running to get there; a thread blocked in a wait of the layer stays
// there and stops before its wait returns.
void HoldOtherThreads(std::chrono::milliseconds patience);

// The display refresh the layer emulates where it has none to wait for: a
// 60 Hz grid of the monotonic clock. Returns the first tick after `after`.
using Clock = std::chrono::steady_clock;
constexpr Clock::duration kRefreshPeriod = std::chrono::nanoseconds(1000000000 / 60);
Clock::time_point NextRefreshTick(Clock::time_point after);

// How many times faster than real time the game's clocks run: 1, unless a
// test hook sped them up (Sleep, the performance counter, the tick counts
// and window timers all keep to it).
unsigned TimeFactor();

}  // namespace vsk::platform
