// Thread message queues: order, the quit message, waking and suspended waiters, timers, the idle rule.
#include "platform_test.h"

namespace {

// Takes every queued message of the calling thread; thread messages have no window.
std::vector<Message> TakeAll() {
  std::vector<Message> taken;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    EXPECT_EQ(msg.hwnd, nullptr);
    taken.push_back(Fields(msg));
  }
  return taken;
}

TEST(Messages, PostedMessagesKeepTheirOrderAndQuitComesLast) {
  TakeAll();
  DWORD self = GetCurrentThreadId();
  std::vector<Message> posted;
  for (int i = 0; i < 50; i++) {
    ASSERT_TRUE(PostThreadMessageA(self, WM_USER + i, i, -i));
    posted.emplace_back(WM_USER + i, i, -i);
  }
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "peeking leaves the message";
  EXPECT_EQ(TakeAll(), posted);

  PostThreadMessageA(self, WM_USER + 1, 0, 0);
  PostQuitMessage(7);
  PostThreadMessageA(self, WM_USER + 2, 0, 0);
  EXPECT_EQ(TakeAll(), (std::vector<Message>{{WM_USER + 1, 0, 0}, {WM_USER + 2, 0, 0}, {WM_QUIT, 7, 0}}))
      << "one quit per PostQuitMessage, after every posted message";
  PostQuitMessage(3);
  EXPECT_FALSE(GetMessageA(&msg, nullptr, 0, 0)) << "GetMessageA answers WM_QUIT with FALSE";
  EXPECT_EQ(msg.wParam, 3u);
}

std::atomic<DWORD> gWorkerId{0};
std::atomic<int> gReceived{0};
std::atomic<bool> gWoke{false};

DWORD WINAPI Receiver(LPVOID) {
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue
  gWorkerId = GetCurrentThreadId();
  while (GetMessageA(&msg, nullptr, 0, 0)) {
    if (msg.message == static_cast<UINT>(WM_USER + gReceived)) gReceived++;
  }
  return static_cast<DWORD>(msg.wParam);
}

TEST(Messages, AnotherThreadReceivesInOrderAndEndsOnQuit) {
  gWorkerId = 0;
  gReceived = 0;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, Receiver, nullptr, 0, &id);
  ASSERT_TRUE(Eventually([] { return gWorkerId != 0; }));
  for (int i = 0; i < 20; i++) EXPECT_TRUE(PostThreadMessageA(id, WM_USER + i, 0, 0));
  EXPECT_TRUE(Eventually([] { return gReceived == 20; }));
  PostThreadMessageA(id, WM_QUIT, 9, 0);
  EXPECT_EQ(WaitForSingleObject(thread, 2000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  EXPECT_EQ(code, 9u);
  CloseHandle(thread);
  EXPECT_FAILS_WITH(PostThreadMessageA(id, WM_USER, 0, 0), FALSE, ERROR_INVALID_THREAD_ID);  // the thread has ended
}

std::atomic<bool> gGo{false};

DWORD WINAPI WaitsWithoutQueue(LPVOID) {
  while (!gGo) Sleep(1);
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  gWorkerId = GetCurrentThreadId();
  WaitMessage();
  gWoke = true;
  return 0;
}

// The queue comes with the first message call; a suspended thread stays in WaitMessage until resumed.
TEST(Messages, PostingNeedsAQueueAndASuspendedThreadStaysInWaitMessage) {
  EXPECT_FAILS_WITH(PostThreadMessageA(0x7FFFFFF0, WM_USER, 0, 0), FALSE, ERROR_INVALID_THREAD_ID);
  gGo = false;
  gWorkerId = 0;
  gWoke = false;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, WaitsWithoutQueue, nullptr, 0, &id);
  EXPECT_FAILS_WITH(PostThreadMessageA(id, WM_USER, 0, 0), FALSE, ERROR_INVALID_THREAD_ID);  // no queue yet
  gGo = true;
  ASSERT_TRUE(Eventually([] { return gWorkerId != 0; }));
  std::this_thread::sleep_for(20ms);  // inside WaitMessage by now
  EXPECT_EQ(SuspendThread(thread), 0u);
  EXPECT_TRUE(PostThreadMessageA(id, WM_USER, 0, 0));
  std::this_thread::sleep_for(150ms);
  EXPECT_FALSE(gWoke.load()) << "a message arrived, but the thread is suspended";
  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_TRUE(Eventually([] { return gWoke.load(); }));
  WaitForSingleObject(thread, 2000);
  CloseHandle(thread);
}

// Four periods unread leave one WM_TIMER; a timer is killed once.
TEST(Timers, TicksDoNotPileUpWhileNobodyReads) {
  TakeAll();
  UINT_PTR timer = SetTimer(nullptr, 0, 100, nullptr);
  ASSERT_NE(timer, 0u);
  Sleep(410);
  EXPECT_EQ(TakeAll(), (std::vector<Message>{{WM_TIMER, timer, 0}}));
  EXPECT_TRUE(KillTimer(nullptr, timer));
  EXPECT_FALSE(KillTimer(nullptr, timer));
}

std::atomic<int> gTimerProcCalls{0};
void CALLBACK CountingTimerProc(HWND, UINT message, UINT_PTR, DWORD) {
  if (message == WM_TIMER) gTimerProcCalls++;
}

// WaitMessage wakes when a timer falls due; dispatching it calls its procedure.
TEST(Timers, WaitMessageWakesForATimerWhoseDispatchCallsItsProcedure) {
  TakeAll();
  gTimerProcCalls = 0;
  UINT_PTR timer = SetTimer(nullptr, 0, 60, CountingTimerProc);
  auto start = Clock::now();
  WaitMessage();
  auto waited = Clock::now() - start;
  EXPECT_GE(waited, 40ms);
  EXPECT_LT(waited, 1000ms);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(msg.wParam, timer);
  EXPECT_FALSE(TranslateMessage(&msg));
  DispatchMessageA(&msg);
  EXPECT_EQ(gTimerProcCalls.load(), 1);
  msg.message = WM_KEYUP;
  EXPECT_TRUE(TranslateMessage(&msg)) << "key messages are translatable";
  KillTimer(nullptr, timer);
}

TEST(Messages, MsgWaitEndsOnNewMessagesOrTheTimeout) {
  TakeAll();
  MSG msg;
  auto start = Clock::now();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 40, QS_ALLINPUT), WAIT_TIMEOUT);
  EXPECT_GE(Clock::now() - start, 40ms);

  // A message posted while the thread waits ends the wait.
  DWORD self = GetCurrentThreadId();
  std::thread poster([self] {
    std::this_thread::sleep_for(5ms);
    PostThreadMessageA(self, WM_USER + 5, 0, 0);
  });
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_ALLINPUT), WAIT_OBJECT_0);
  poster.join();
  // As on Windows, a message the thread has already looked at is not new.
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 6, WM_USER + 6, PM_REMOVE));
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT), WAIT_TIMEOUT);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
}

}  // namespace
