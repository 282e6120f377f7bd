// Thread message queues: posting, peeking, waiting, dispatching, the quit
// request and window timers, with Windows' order of retrieval and its rule
// that a timer never has more than one WM_TIMER waiting.
#include "user32_message.h"

#include <algorithm>
#include <atomic>

#include "unsupported.h"
#include "user32_window.h"

namespace vsk::platform {

namespace {

// Windows refuses posts beyond 10,000 waiting messages.
constexpr size_t kQueueLimit = 10000;

bool Matches(const MSG& message, HWND window, UINT first, UINT last) {
  if (window == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) {
    if (message.hwnd) return false;
  } else if (window && message.hwnd != window) {
    return false;
  }
  if (first == 0 && last == 0) return true;
  return message.message >= first && message.message <= last;
}

// Marks the timers that expired; a timer that expires while its WM_TIMER
// still waits stays at one waiting message.
void RefreshTimers(MessageQueue& queue, Clock::time_point now) {
  for (Timer& timer : queue.timers) {
    if (now < timer.due) continue;
    if (!timer.pending) {
      timer.pending = true;
      queue.changed = true;
    }
    auto missed = (now - timer.due) / timer.period + 1;
    timer.due += missed * timer.period;
  }
}

Clock::time_point NextTimerDue(const MessageQueue& queue, Clock::time_point limit) {
  for (const Timer& timer : queue.timers)
    if (!timer.pending) limit = std::min(limit, timer.due);
  return limit;
}

// One look at the queue in Windows' order. Clears the "changed" mark.
bool LookAtQueue(MessageQueue& queue, MSG* out, HWND window, UINT first, UINT last, bool remove) {
  if (IsWindowThread()) PumpEvents();
  std::lock_guard<std::mutex> lock(queue.lock);
  queue.changed = false;
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (!Matches(*it, window, first, last)) continue;
    *out = *it;
    if (remove) queue.posted.erase(it);
    return true;
  }
  // WM_QUIT comes when no posted message is left, whatever the filter.
  if (queue.quitPosted) {
    MSG quit{};
    quit.message = WM_QUIT;
    quit.wParam = static_cast<WPARAM>(queue.quitCode);
    StampMessage(quit);
    *out = quit;
    if (remove) queue.quitPosted = false;
    return true;
  }
  for (auto it = queue.input.begin(); it != queue.input.end(); ++it) {
    if (!Matches(*it, window, first, last)) continue;
    *out = *it;
    if (remove) queue.input.erase(it);
    return true;
  }
  RefreshTimers(queue, Clock::now());
  queue.changed = false;
  for (Timer& timer : queue.timers) {
    if (!timer.pending) continue;
    MSG tick{};
    tick.hwnd = timer.window;
    tick.message = WM_TIMER;
    tick.wParam = timer.id;
    tick.lParam = reinterpret_cast<LPARAM>(timer.proc);
    if (!Matches(tick, window, first, last)) continue;
    StampMessage(tick);
    *out = tick;
    if (remove) timer.pending = false;
    return true;
  }
  return false;
}

// Waits until something new arrives in the calling thread's queue (a posted
// or input message, a quit request, a timer falling due) or the deadline
// passes. Returns whether something arrived.
bool WaitForChange(MessageQueue& queue, Clock::time_point deadline) {
  const bool pumps = IsWindowThread();
  for (;;) {
    if (pumps) PumpEvents();
    std::unique_lock<std::mutex> lock(queue.lock);
    auto now = Clock::now();
    RefreshTimers(queue, now);
    if (queue.changed) return true;
    if (now >= deadline) return false;
    auto wakeAt = NextTimerDue(queue, deadline);
    if (pumps) {
      lock.unlock();
      WaitForEvents(wakeAt);
    } else {
      queue.wake.wait_until(lock, wakeAt);
    }
  }
}

std::shared_ptr<MessageQueue> QueueOfThread(ThreadState& thread) {
  std::lock_guard<std::mutex> lock(thread.lock);
  return thread.queue;
}

BOOL Post(const std::shared_ptr<ThreadState>& thread, const MSG& message) {
  std::shared_ptr<MessageQueue> queue = thread ? QueueOfThread(*thread) : nullptr;
  if (!queue) {
    // A thread that never used a message call has no queue to post to.
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> lock(queue->lock);
    if (queue->posted.size() >= kQueueLimit) {
      SetLastError(ERROR_NOT_ENOUGH_QUOTA);
      return FALSE;
    }
    queue->posted.push_back(message);
    queue->changed = true;
  }
  queue->wake.notify_all();
  if (thread->id != GetCurrentThreadId()) WakeWindowThreadIfOwner(thread->id);
  return TRUE;
}

}  // namespace

std::shared_ptr<MessageQueue> CurrentQueueShared() {
  ThreadState& self = CurrentThread();
  std::lock_guard<std::mutex> lock(self.lock);
  if (!self.queue) {
    self.queue = std::make_shared<MessageQueue>();
    self.queue->threadId = self.id;
  }
  return self.queue;
}

MessageQueue& CurrentQueue() { return *CurrentQueueShared(); }

void AddInputMessage(const MSG& message) {
  MessageQueue& queue = CurrentQueue();
  std::lock_guard<std::mutex> lock(queue.lock);
  if (message.message == WM_MOUSEMOVE && !queue.input.empty()) {
    MSG& last = queue.input.back();
    if (last.message == WM_MOUSEMOVE && last.hwnd == message.hwnd) {
      last = message;
      queue.changed = true;
      return;
    }
  }
  queue.input.push_back(message);
  queue.changed = true;
}

void ForgetWindowMessages(MessageQueue& queue, HWND window) {
  std::lock_guard<std::mutex> lock(queue.lock);
  auto ofWindow = [window](const MSG& message) { return message.hwnd == window; };
  std::erase_if(queue.posted, ofWindow);
  std::erase_if(queue.input, ofWindow);
  std::erase_if(queue.timers, [window](const Timer& timer) { return timer.window == window; });
}

void StampMessage(MSG& message) {
  message.time = GetTickCount();
  message.pt = CursorScreenPosition();
}

}  // namespace vsk::platform

using namespace vsk::platform;

BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
  SuspensionPoint();
  MSG message{};
  message.message = Msg;
  message.wParam = wParam;
  message.lParam = lParam;
  StampMessage(message);
  return Post(FindThread(idThread), message);
}

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  SuspensionPoint();
  if (hWnd == HWND_BROADCAST) VSK_UNSUPPORTED("PostMessageA to HWND_BROADCAST");
  MSG message{};
  message.hwnd = hWnd;
  message.message = Msg;
  message.wParam = wParam;
  message.lParam = lParam;
  StampMessage(message);
  if (!hWnd) {
    CurrentQueue();  // posting to oneself makes one's queue
    return Post(CurrentThreadShared(), message);
  }
  auto owner = WindowOwner(hWnd);
  if (!owner) return FALSE;
  return Post(owner, message);
}

BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg) {
  SuspensionPoint();
  if (wRemoveMsg & ~static_cast<UINT>(PM_REMOVE | PM_NOYIELD))
    VSK_UNSUPPORTED("PeekMessageA with PM_QS_* flags");
  MessageQueue& queue = CurrentQueue();
  const bool remove = (wRemoveMsg & PM_REMOVE) != 0;
  return LookAtQueue(queue, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, remove) ? TRUE : FALSE;
}

BOOL WaitMessage(void) {
  SuspensionPoint();
  WaitForChange(CurrentQueue(), Clock::time_point::max());
  SuspensionPoint();
  return TRUE;
}

DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE*, BOOL, DWORD dwMilliseconds, DWORD dwWakeMask) {
  SuspensionPoint();
  if (nCount != 0) VSK_UNSUPPORTED("MsgWaitForMultipleObjects with handles");
  if ((dwWakeMask & QS_ALLINPUT) != QS_ALLINPUT)
    VSK_UNSUPPORTED("MsgWaitForMultipleObjects for some kinds of message only");
  // Like WaitMessage: only what arrived since the thread last looked at its
  // queue ends the wait.
  const Clock::time_point deadline = dwMilliseconds == INFINITE
                                         ? Clock::time_point::max()
                                         : Clock::now() + std::chrono::milliseconds(dwMilliseconds);
  const bool arrived = WaitForChange(CurrentQueue(), deadline);
  SuspensionPoint();
  return arrived ? WAIT_OBJECT_0 + nCount : WAIT_TIMEOUT;
}

BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  SuspensionPoint();
  MessageQueue& queue = CurrentQueue();
  while (!LookAtQueue(queue, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) {
    WaitForChange(queue, Clock::time_point::max());
    SuspensionPoint();
  }
  return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* lpMsg) {
  // Characters reach the queue as WM_CHAR straight from SDL's text input, so
  // there is nothing to translate; the result tells, as on Windows, whether
  // the message was a key message.
  if (!lpMsg) return FALSE;
  switch (lpMsg->message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: return TRUE;
    default: return FALSE;
  }
}

LRESULT DispatchMessageA(const MSG* lpMsg) {
  SuspensionPoint();
  if (!lpMsg) return 0;
  if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
    auto proc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
    proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, GetTickCount());
    return 0;
  }
  if (!lpMsg->hwnd) return 0;  // a thread message has no window to go to
  auto owner = WindowOwner(lpMsg->hwnd);
  if (!owner) return 0;
  if (owner->id != GetCurrentThreadId())
    VSK_UNSUPPORTED("DispatchMessageA for a window of another thread");
  WNDPROC proc = WindowProcOf(lpMsg->hwnd);
  return proc ? proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam) : 0;
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  SuspensionPoint();
  if (hWnd == HWND_BROADCAST) VSK_UNSUPPORTED("SendMessageA to HWND_BROADCAST");
  auto owner = WindowOwner(hWnd);
  if (!owner) return 0;
  if (owner->id != GetCurrentThreadId())
    VSK_UNSUPPORTED("SendMessageA to a window of another thread");
  WNDPROC proc = WindowProcOf(hWnd);
  return proc ? proc(hWnd, Msg, wParam, lParam) : 0;
}

void PostQuitMessage(int nExitCode) {
  SuspensionPoint();
  MessageQueue& queue = CurrentQueue();
  std::lock_guard<std::mutex> lock(queue.lock);
  queue.quitPosted = true;
  queue.quitCode = nExitCode;
  queue.changed = true;
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  SuspensionPoint();
  std::shared_ptr<MessageQueue> queue;
  if (hWnd) {
    // A window's timer belongs to the window's thread.
    auto owner = WindowOwner(hWnd);
    if (!owner) return 0;
    if (owner->id == GetCurrentThreadId()) {
      queue = CurrentQueueShared();
    } else {
      std::lock_guard<std::mutex> lock(owner->lock);
      queue = owner->queue;
    }
    if (!queue) VSK_UNSUPPORTED("SetTimer for a window whose thread has no queue");
  } else {
    queue = CurrentQueueShared();
  }
  uElapse = std::clamp<UINT>(uElapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  Clock::duration period = std::chrono::microseconds(uint64_t{uElapse} * 1000 / TimeFactor());
  UINT_PTR id = nIDEvent;
  {
    std::lock_guard<std::mutex> lock(queue->lock);
    auto same = std::find_if(queue->timers.begin(), queue->timers.end(), [&](const Timer& timer) {
      return timer.window == hWnd && timer.id == nIDEvent;
    });
    if (!hWnd && same == queue->timers.end()) {
      // A thread timer gets an id of its own.
      static std::atomic<UINT_PTR> nextThreadTimerId{0x7000};
      id = nextThreadTimerId.fetch_add(1);
    }
    Timer timer{hWnd, id, period, Clock::now() + period, false, lpTimerFunc};
    if (same != queue->timers.end()) *same = timer;  // setting a timer again restarts it
    else queue->timers.push_back(timer);
  }
  // The owner recomputes when to wake up.
  queue->wake.notify_all();
  WakeWindowThreadIfOwner(queue->threadId);
  return id;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  SuspensionPoint();
  std::shared_ptr<MessageQueue> queue;
  if (hWnd) {
    auto owner = WindowOwner(hWnd);
    if (!owner) return FALSE;
    std::lock_guard<std::mutex> lock(owner->lock);
    queue = owner->queue;
  } else {
    queue = CurrentQueueShared();
  }
  if (queue) {
    std::lock_guard<std::mutex> lock(queue->lock);
    auto found = std::find_if(queue->timers.begin(), queue->timers.end(), [&](const Timer& timer) {
      return timer.window == hWnd && timer.id == uIDEvent;
    });
    if (found != queue->timers.end()) {
      queue->timers.erase(found);
      return TRUE;
    }
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}
