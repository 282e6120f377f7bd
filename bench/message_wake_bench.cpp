// How quickly a posted message wakes a thread that waits in WaitMessage,
// beside a plain condition-variable wake-up, and how much processor time an
// idle window thread spends in its peek loop (the DirectDraw presenter's
// loop). Prints medians, the ratio to the baseline and the idle load; exits
// non-zero when the idle loop uses 5 % of a core or more.
#include <windows.h>

#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 2000;

double MedianMicroseconds(std::vector<Clock::duration> samples) {
  std::sort(samples.begin(), samples.end());
  return std::chrono::duration<double, std::micro>(samples[samples.size() / 2]).count();
}

// ---- post -> WaitMessage wake-up ----------------------------------------------

std::atomic<Clock::rep> gPostedAt{0};
std::atomic<int> gHandled{0};
std::atomic<DWORD> gReceiverId{0};
std::vector<Clock::duration> gMessageLatencies;

DWORD WINAPI Receiver(LPVOID) {
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  gReceiverId = GetCurrentThreadId();
  for (;;) {
    WaitMessage();
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
    if (msg.message == WM_QUIT) return 0;
    gMessageLatencies.push_back(Clock::now().time_since_epoch() - Clock::duration(gPostedAt.load()));
    gHandled++;
  }
}

double MessageWakeMedian() {
  gMessageLatencies.reserve(kRounds);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, Receiver, nullptr, 0, &id);
  while (!gReceiverId) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  for (int i = 0; i < kRounds; i++) {
    // Let the receiver settle in WaitMessage before each post.
    std::this_thread::sleep_for(std::chrono::microseconds(300));
    gPostedAt = Clock::now().time_since_epoch().count();
    PostThreadMessageA(id, WM_USER, 0, 0);
    while (gHandled <= i) std::this_thread::yield();
  }
  PostThreadMessageA(id, WM_QUIT, 0, 0);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return MedianMicroseconds(gMessageLatencies);
}

// ---- baseline: a condition variable -------------------------------------------

double ConditionVariableMedian() {
  std::mutex lock;
  std::condition_variable wake;
  bool posted = false, stop = false;
  std::atomic<int> handled{0};
  Clock::time_point postedAt;
  std::vector<Clock::duration> latencies;
  latencies.reserve(kRounds);
  std::thread receiver([&] {
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
      wake.wait(guard, [&] { return posted || stop; });
      if (stop) return;
      posted = false;
      latencies.push_back(Clock::now() - postedAt);
      handled++;
    }
  });
  for (int i = 0; i < kRounds; i++) {
    std::this_thread::sleep_for(std::chrono::microseconds(300));
    {
      std::lock_guard<std::mutex> guard(lock);
      postedAt = Clock::now();
      posted = true;
    }
    wake.notify_one();
    while (handled <= i) std::this_thread::yield();
  }
  {
    std::lock_guard<std::mutex> guard(lock);
    stop = true;
  }
  wake.notify_one();
  receiver.join();
  return MedianMicroseconds(latencies);
}

// ---- the idle window thread ---------------------------------------------------

LRESULT CALLBACK IdleProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

double IdleLoopLoad(int* looks) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = IdleProc;
  windowClass.lpszClassName = "IdleBench";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(WS_EX_APPWINDOW, "IdleBench", "idle", WS_POPUP, 0, 0, 640, 480, nullptr,
                                nullptr, nullptr, nullptr);
  if (!window) {
    std::fprintf(stderr, "no window: is there a display (or SDL_VIDEODRIVER=offscreen)?\n");
    std::exit(2);
  }
  ShowWindow(window, SW_SHOW);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  double cpuBefore = ThreadCpuSeconds();
  auto start = Clock::now();
  *looks = 0;
  while (Clock::now() - start < std::chrono::seconds(3)) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    ++*looks;
  }
  double wall = std::chrono::duration<double>(Clock::now() - start).count();
  double load = (ThreadCpuSeconds() - cpuBefore) / wall;
  DestroyWindow(window);
  UnregisterClassA("IdleBench", nullptr);
  return load;
}

}  // namespace

int main() {
  // Headless unless a display is asked for.
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  double message = MessageWakeMedian();
  double baseline = ConditionVariableMedian();
  std::printf("post -> wake in WaitMessage     median %8.1f us  (%d rounds)\n", message, kRounds);
  std::printf("condition variable (baseline)   median %8.1f us\n", baseline);
  std::printf("ratio                                  %8.2f\n", message / baseline);
  int looks = 0;
  double load = IdleLoopLoad(&looks);
  std::printf("idle window peek loop: %d looks in 3 s, %.2f %% of a core (limit 5 %%)\n", looks, load * 100);
  return load < 0.05 ? 0 : 1;
}
