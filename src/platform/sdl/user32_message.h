// Message queues of the layer, shared by the message and window code.
//
// Each thread's queue holds, as Windows does, separate lists that a look at
// the queue takes in this order: posted messages, the quit request, input
// messages (made from SDL events on the window thread), then WM_TIMER of the
// thread's timers that fell due. Messages that Windows sends (activation,
// close, cursor) are not queued: the window code calls the window procedure
// at once.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "kernel32_thread.h"

namespace vsk::platform {

struct Timer {
  HWND window;
  UINT_PTR id;
  Clock::duration period;
  Clock::time_point due;  // the next expiry
  bool pending;           // expired and not yet retrieved: at most one WM_TIMER waits
  TIMERPROC proc;
};

struct MessageQueue {
  DWORD threadId = 0;
  std::mutex lock;
  std::condition_variable wake;
  std::deque<MSG> posted;
  std::deque<MSG> input;
  bool quitPosted = false;
  int quitCode = 0;
  // Something arrived since the thread last looked at its queue; WaitMessage
  // returns when it is set, a look at the queue clears it.
  bool changed = false;
  std::vector<Timer> timers;
};

// The calling thread's queue, made on first use.
MessageQueue& CurrentQueue();
std::shared_ptr<MessageQueue> CurrentQueueShared();

// Appends an input message to the calling thread's queue. A mouse move
// directly after another one for the same window replaces it, as Windows
// keeps only the latest position.
void AddInputMessage(const MSG& message);

// Drops the queued messages and the timers of a window that is destroyed.
void ForgetWindowMessages(MessageQueue& queue, HWND window);

// Current time and cursor position stamped into messages.
void StampMessage(MSG& message);

}  // namespace vsk::platform
