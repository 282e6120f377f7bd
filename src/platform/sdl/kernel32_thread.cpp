// Threads: creation (suspended or running), cooperative suspension, waiting
// for a thread's end, thread ids and the current-thread pseudo-handle.
#include "kernel32_thread.h"

#include <process.h>
#include <pthread.h>

#include <cerrno>
#include <functional>
#include <unordered_map>
#include <vector>

#include "kernel32_handle.h"
#include "unsupported.h"

namespace vsk::platform {

namespace {

// The pseudo-handle GetCurrentThread returns, as on Windows.
const HANDLE kCurrentThreadPseudoHandle = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2));

// Live threads by id. Leaked on purpose: threads may still run while static
// objects are destroyed at process exit.
std::mutex& RegistryLock() {
  static auto* lock = new std::mutex();
  return *lock;
}
std::unordered_map<DWORD, std::shared_ptr<ThreadState>>& Registry() {
  static auto* threads = new std::unordered_map<DWORD, std::shared_ptr<ThreadState>>();
  return *threads;
}

// Thread ids are never 0 and, as on Windows, multiples of 4. They are not
// reused within a process.
std::atomic<DWORD> gNextThreadId{0x104};

std::shared_ptr<ThreadState> NewThreadState() {
  auto state = std::make_shared<ThreadState>();
  state->id = gNextThreadId.fetch_add(4);
  std::lock_guard<std::mutex> lock(RegistryLock());
  Registry()[state->id] = state;
  return state;
}

// A thread has ended: its handles become signalled, its id unknown, its queue
// goes away.
void FinishThread(ThreadState& state, DWORD exitCode) {
  std::shared_ptr<MessageQueue> queue;
  {
    std::lock_guard<std::mutex> lock(state.lock);
    state.finished = true;
    state.exitCode = exitCode;
    queue = std::move(state.queue);
  }
  state.changed.notify_all();
  std::lock_guard<std::mutex> lock(RegistryLock());
  Registry().erase(state.id);
}

// The calling thread's state. Threads the layer did not start get theirs on
// first use and give it up when they end.
struct CurrentHolder {
  std::shared_ptr<ThreadState> state;
  bool started = false;  // a thread of CreateThread: its start routine finishes it
  ~CurrentHolder() {
    if (state && !started) FinishThread(*state, 0);
  }
};
thread_local CurrentHolder tCurrent;

struct ThreadObject : KernelObject {
  explicit ThreadObject(std::shared_ptr<ThreadState> s) : state(std::move(s)) {}
  std::shared_ptr<ThreadState> state;
};

struct StartBlock {
  std::shared_ptr<ThreadState> state;
  std::function<DWORD()> run;
};

void* ThreadMain(void* argument) {
  std::unique_ptr<StartBlock> start(static_cast<StartBlock*>(argument));
  tCurrent.state = start->state;
  tCurrent.started = true;
  // A thread created suspended does not enter its function before it is
  // resumed.
  SuspensionPoint();
  DWORD exitCode = start->run();
  FinishThread(*start->state, exitCode);
  return nullptr;
}

// Starts the OS thread; returns the handle or null (errno-style code in *error).
HANDLE StartThread(SIZE_T stackSize, std::function<DWORD()> run, DWORD flags, DWORD* threadId,
                   int* error) {
  if (flags & ~(CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION))
    VSK_UNSUPPORTED("thread creation flags other than CREATE_SUSPENDED");
  auto state = NewThreadState();
  if (flags & CREATE_SUSPENDED) state->suspendCount = 1;
  state->startedByLayer = true;
  auto* start = new StartBlock{state, std::move(run)};

  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  if (stackSize != 0) {
    // Windows rounds a small request up; never go below what the C library
    // and the sanitizers need.
    constexpr SIZE_T kMinimumStack = 256 * 1024;
    pthread_attr_setstacksize(&attributes, stackSize < kMinimumStack ? kMinimumStack : stackSize);
  }
  pthread_t thread;
  int result = pthread_create(&thread, &attributes, ThreadMain, start);
  pthread_attr_destroy(&attributes);
  if (result != 0) {
    delete start;
    std::lock_guard<std::mutex> lock(RegistryLock());
    Registry().erase(state->id);
    *error = result;
    return nullptr;
  }
  if (threadId) *threadId = state->id;
  return RegisterHandle(new ThreadObject(state));
}

}  // namespace

ThreadState& CurrentThread() { return *CurrentThreadShared(); }

std::shared_ptr<ThreadState> CurrentThreadShared() {
  if (!tCurrent.state) tCurrent.state = NewThreadState();
  return tCurrent.state;
}

std::shared_ptr<ThreadState> FindThread(DWORD id) {
  std::lock_guard<std::mutex> lock(RegistryLock());
  auto found = Registry().find(id);
  return found == Registry().end() ? nullptr : found->second;
}

std::shared_ptr<ThreadState> ThreadOfHandle(HANDLE handle, const char* caller) {
  if (handle == kCurrentThreadPseudoHandle) return CurrentThreadShared();
  KernelObject* object = LookupHandle(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto* thread = dynamic_cast<ThreadObject*>(object);
  if (!thread) VSK_UNSUPPORTED(caller);
  return thread->state;
}

void SuspensionPoint() {
  ThreadState& self = CurrentThread();
  if (self.suspendCount.load() == 0) return;
  std::unique_lock<std::mutex> lock(self.lock);
  self.parked = true;
  self.changed.notify_all();  // a thread in HoldOtherThreads waits for this
  self.changed.wait(lock, [&] { return self.suspendCount.load() == 0; });
  self.parked = false;
}

void HoldOtherThreads(std::chrono::milliseconds patience) {
  const ThreadState* self = &CurrentThread();
  std::vector<std::shared_ptr<ThreadState>> others;
  {
    std::lock_guard<std::mutex> lock(RegistryLock());
    for (auto& entry : Registry())
      if (entry.second.get() != self && entry.second->startedByLayer) others.push_back(entry.second);
  }
  for (auto& other : others) other->suspendCount.fetch_add(1);
  const auto deadline = Clock::now() + patience;
  for (auto& other : others) {
    std::unique_lock<std::mutex> lock(other->lock);
    other->changed.wait_until(lock, deadline, [&] { return other->parked || other->finished; });
  }
}

Clock::time_point NextRefreshTick(Clock::time_point after) {
  auto since = after.time_since_epoch();
  auto ticks = since / kRefreshPeriod + 1;
  return Clock::time_point(ticks * kRefreshPeriod);
}

}  // namespace vsk::platform

using namespace vsk::platform;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
                    LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
  if (!lpStartAddress) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  int error = 0;
  HANDLE handle = StartThread(
      dwStackSize, [=] { return lpStartAddress(lpParameter); }, dwCreationFlags, lpThreadId, &error);
  if (!handle) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return handle;
}

uintptr_t _beginthreadex(void*, unsigned stack_size, unsigned(__stdcall* start_address)(void*),
                         void* arglist, unsigned initflag, unsigned* thrdaddr) {
  if (!start_address) {
    errno = EINVAL;
    return 0;
  }
  int error = 0;
  DWORD id = 0;
  HANDLE handle = StartThread(
      stack_size, [=]() -> DWORD { return start_address(arglist); }, initflag, &id, &error);
  if (!handle) {
    errno = error == EAGAIN ? EAGAIN : EINVAL;
    return 0;
  }
  if (thrdaddr) *thrdaddr = id;
  return reinterpret_cast<uintptr_t>(handle);
}

DWORD SuspendThread(HANDLE hThread) {
  auto state = ThreadOfHandle(hThread, "SuspendThread on a handle that is no thread");
  if (!state) return static_cast<DWORD>(-1);
  DWORD previous;
  {
    std::lock_guard<std::mutex> lock(state->lock);
    if (state->finished) {
      // Windows refuses to suspend a thread that has ended.
      SetLastError(ERROR_ACCESS_DENIED);
      return static_cast<DWORD>(-1);
    }
    previous = static_cast<DWORD>(state->suspendCount.load());
    if (previous >= MAXIMUM_SUSPEND_COUNT) {
      SetLastError(ERROR_SIGNAL_REFUSED);
      return static_cast<DWORD>(-1);
    }
    state->suspendCount.fetch_add(1);
  }
  // A thread that suspends itself stops at once.
  if (state.get() == &CurrentThread()) SuspensionPoint();
  return previous;
}

DWORD ResumeThread(HANDLE hThread) {
  auto state = ThreadOfHandle(hThread, "ResumeThread on a handle that is no thread");
  if (!state) return static_cast<DWORD>(-1);
  DWORD previous;
  {
    std::lock_guard<std::mutex> lock(state->lock);
    previous = static_cast<DWORD>(state->suspendCount.load());
    if (previous > 0) state->suspendCount.fetch_sub(1);
  }
  if (previous == 1) state->changed.notify_all();
  return previous;
}

BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
  auto state = ThreadOfHandle(hThread, "GetExitCodeThread on a handle that is no thread");
  if (!state) return FALSE;
  if (!lpExitCode) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(state->lock);
  *lpExitCode = state->finished ? state->exitCode : STILL_ACTIVE;
  return TRUE;
}

HANDLE GetCurrentThread(void) { return kCurrentThreadPseudoHandle; }

DWORD GetCurrentThreadId(void) { return CurrentThread().id; }

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  SuspensionPoint();
  auto state = ThreadOfHandle(hHandle, "WaitForSingleObject on a handle that is no thread");
  if (!state) return WAIT_FAILED;
  bool ended;
  {
    std::unique_lock<std::mutex> lock(state->lock);
    auto isFinished = [&] { return state->finished; };
    if (dwMilliseconds == INFINITE) {
      state->changed.wait(lock, isFinished);
      ended = true;
    } else {
      ended = state->changed.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), isFinished);
    }
  }
  SuspensionPoint();
  return ended ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
  // The program is the one module there is.
  static HINSTANCE__ program{};
  if (lpModuleName) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return &program;
}
