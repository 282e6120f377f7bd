// Windows over SDL: classes, creation and the messages Windows sends,
// activation, input from SDL events, timers on windows, full screen by
// scaling, cursors and message boxes. The test's main thread is the window
// thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl/user32_window.h"
#include "platform/testing.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace hooks = vsk::platform::testing;

struct Seen {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Seen> gSeen;
bool gKeepOnClose = false;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  gSeen.push_back({message, wParam, lParam});
  if (message == WM_CLOSE && gKeepOnClose) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

int CountSeen(UINT message) {
  int count = 0;
  for (const Seen& seen : gSeen) count += seen.message == message;
  return count;
}

class Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    gSeen.clear();
    gKeepOnClose = false;
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = "VeskariaTest";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
  }

  void TearDown() override {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    ChangeDisplaySettingsA(nullptr, 0);
    hooks::FailDisplayModeChanges(false);
    hooks::ResetMessageBoxes();
    EXPECT_TRUE(UnregisterClassA("VeskariaTest", GetModuleHandleA(nullptr)));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  HWND Create(int width = 640, int height = 480, DWORD style = WS_POPUP) {
    window_ = CreateWindowExA(WS_EX_APPWINDOW, "VeskariaTest", "Veskaria / Test", style, 0, 0, width,
                              height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return window_;
  }

  // Shows the window as the presenters do: one activation.
  void ShowActive() {
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(window_);
  }

  // Takes queued messages of the window until `wanted` arrives (or none is left).
  std::vector<MSG> Collect(int wanted) {
    std::vector<MSG> got;
    auto until = Clock::now() + 2s;
    MSG msg;
    while (static_cast<int>(got.size()) < wanted && Clock::now() < until)
      if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.hwnd == window_) got.push_back(msg);
    return got;
  }

  HWND window_ = nullptr;
};

TEST_F(Windows, ClassesAreUniqueAndKeptWhileTheyHaveWindows) {
  WNDCLASSA again{};
  again.lpfnWndProc = RecordingProc;
  again.lpszClassName = "veskariatest";
  EXPECT_EQ(RegisterClassA(&again), 0) << "class names ignore case";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  ASSERT_NE(Create(), nullptr);
  EXPECT_FALSE(UnregisterClassA("VeskariaTest", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
  EXPECT_FALSE(UnregisterClassA("Unknown", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
}

TEST_F(Windows, CreationMakesAHiddenWindowOfTheClientSize) {
  RECT rect{0, 0, 800, 600};
  EXPECT_TRUE(AdjustWindowRectEx(&rect, WS_POPUP | WS_CAPTION, FALSE, WS_EX_APPWINDOW));
  EXPECT_EQ(rect.right, 800) << "no frame is counted";
  ASSERT_NE(Create(rect.right - rect.left, rect.bottom - rect.top, WS_POPUP | WS_CAPTION | WS_SYSMENU), nullptr);
  ASSERT_GE(gSeen.size(), 2u);
  EXPECT_EQ(gSeen[0].message, static_cast<UINT>(WM_NCCREATE));
  EXPECT_EQ(gSeen[1].message, static_cast<UINT>(WM_CREATE));
  EXPECT_EQ(CountSeen(WM_ACTIVATE), 0) << "not shown yet";
  RECT client;
  ASSERT_TRUE(GetClientRect(window_, &client));
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
  SDL_Window* sdl = vsk::platform::SdlWindowOf(window_);
  ASSERT_NE(sdl, nullptr);
  int width = 0, height = 0;
  SDL_GetWindowSize(sdl, &width, &height);
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);
  EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_HIDDEN);
}

TEST_F(Windows, ShowingAndForegroundingActivatesOnce) {
  ASSERT_NE(Create(), nullptr);
  EXPECT_FALSE(ShowWindow(window_, SW_SHOW)) << "was hidden";
  EXPECT_TRUE(SetForegroundWindow(window_));
  SetFocus(window_);
  EXPECT_TRUE(ShowWindow(window_, SW_SHOW)) << "was visible";
  ASSERT_EQ(CountSeen(WM_ACTIVATE), 1);
  for (const Seen& seen : gSeen) {
    if (seen.message == WM_ACTIVATE) {
      EXPECT_EQ(LOWORD(seen.wParam), WA_ACTIVE);
    }
  }
  EXPECT_EQ(GetForegroundWindow(), window_);
  EXPECT_FALSE(SDL_GetWindowFlags(vsk::platform::SdlWindowOf(window_)) & SDL_WINDOW_HIDDEN);

  // The desktop taking and giving back the focus.
  gSeen.clear();
  ASSERT_TRUE(hooks::PushFocus(false));
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  ASSERT_EQ(CountSeen(WM_ACTIVATE), 1);
  EXPECT_EQ(LOWORD(gSeen.back().wParam), WA_INACTIVE);
  ASSERT_TRUE(hooks::PushFocus(true));
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  ASSERT_EQ(CountSeen(WM_ACTIVATE), 2);
  EXPECT_EQ(LOWORD(gSeen.back().wParam), WA_ACTIVE);

  // Destroying the active window deactivates it before WM_DESTROY.
  gSeen.clear();
  EXPECT_TRUE(DestroyWindow(window_));
  ASSERT_EQ(gSeen.size(), 3u);
  EXPECT_EQ(gSeen[0].message, static_cast<UINT>(WM_ACTIVATE));
  EXPECT_EQ(LOWORD(gSeen[0].wParam), WA_INACTIVE);
  EXPECT_EQ(gSeen[1].message, static_cast<UINT>(WM_DESTROY));
  EXPECT_EQ(gSeen[2].message, static_cast<UINT>(WM_NCDESTROY));
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_FALSE(DestroyWindow(window_));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Windows, PostMessageGoesToTheCreatorsQueueAndDispatchCallsTheProcedure) {
  ASSERT_NE(Create(), nullptr);
  HWND window = window_;
  std::thread([window] { EXPECT_TRUE(PostMessageA(window, WM_USER + 2, 11, 22)); }).join();
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, window_, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, window_);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
  gSeen.clear();
  DispatchMessageA(&msg);
  ASSERT_EQ(gSeen.size(), 1u);
  EXPECT_EQ(gSeen[0].message, static_cast<UINT>(WM_USER + 2));
  EXPECT_EQ(gSeen[0].wParam, 11u);
  EXPECT_EQ(gSeen[0].lParam, 22);

  int notAWindow = 0;
  EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(&notAWindow), WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Windows, MouseEventsBecomeMouseMessages) {
  ASSERT_NE(Create(), nullptr);
  ShowActive();
  gSeen.clear();
  ASSERT_TRUE(hooks::PushMouseMove(10, 20));
  ASSERT_TRUE(hooks::PushMouseButton(1, true, 10, 20));
  ASSERT_TRUE(hooks::PushMouseMove(30, 40));
  ASSERT_TRUE(hooks::PushMouseButton(1, false, 30, 40));
  ASSERT_TRUE(hooks::PushMouseButton(3, true, 31, 41));
  ASSERT_TRUE(hooks::PushMouseButton(3, false, 31, 41));
  std::vector<MSG> got = Collect(6);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[0].message, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(got[0].lParam, 10 | (20 << 16));
  EXPECT_EQ(got[0].wParam, 0u);
  EXPECT_EQ(got[1].message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(got[1].wParam, static_cast<WPARAM>(MK_LBUTTON));
  EXPECT_EQ(got[2].message, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(got[2].wParam, static_cast<WPARAM>(MK_LBUTTON)) << "dragging";
  EXPECT_EQ(got[2].lParam, 30 | (40 << 16));
  EXPECT_EQ(got[3].message, static_cast<UINT>(WM_LBUTTONUP));
  EXPECT_EQ(got[3].wParam, 0u);
  EXPECT_EQ(got[4].message, static_cast<UINT>(WM_RBUTTONDOWN));
  EXPECT_EQ(got[4].wParam, static_cast<WPARAM>(MK_RBUTTON));
  EXPECT_EQ(got[4].lParam, 31 | (41 << 16));
  EXPECT_EQ(got[5].message, static_cast<UINT>(WM_RBUTTONUP));
  EXPECT_EQ(CountSeen(WM_SETCURSOR), 2) << "the window chooses its cursor before each move";
}

TEST_F(Windows, MovesInARowKeepOnlyTheLatestPosition) {
  ASSERT_NE(Create(), nullptr);
  ShowActive();
  hooks::PushMouseMove(1, 1);
  hooks::PushMouseMove(2, 2);
  hooks::PushMouseMove(3, 3);
  hooks::PushMouseButton(1, true, 3, 3);
  std::vector<MSG> got = Collect(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].message, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(got[0].lParam, 3 | (3 << 16));
  EXPECT_EQ(got[1].message, static_cast<UINT>(WM_LBUTTONDOWN));
  hooks::PushMouseButton(1, false, 3, 3);
  Collect(1);
}

TEST_F(Windows, KeysBecomeVirtualKeysAndTextBecomesWindows1252Characters) {
  ASSERT_NE(Create(), nullptr);
  ShowActive();
  ASSERT_TRUE(hooks::PushKey(VK_F1, true));
  ASSERT_TRUE(hooks::PushKey(VK_F1, false));
  ASSERT_TRUE(hooks::PushKey('A', true));
  ASSERT_TRUE(hooks::PushKey(VK_LEFT, true));
  ASSERT_TRUE(hooks::PushKey(VK_RETURN, true));
  std::vector<MSG> got = Collect(6);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[0].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(got[0].wParam, 0x70u);
  EXPECT_EQ(got[0].lParam & (1L << 31), 0);
  EXPECT_EQ(got[1].message, static_cast<UINT>(WM_KEYUP));
  EXPECT_EQ(got[1].wParam, 0x70u);
  EXPECT_NE(static_cast<DWORD>(got[1].lParam) & 0x80000000u, 0u) << "transition bit of a release";
  EXPECT_EQ(got[2].wParam, static_cast<WPARAM>('A'));
  EXPECT_EQ(got[3].wParam, static_cast<WPARAM>(VK_LEFT));
  EXPECT_EQ(got[4].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(got[4].wParam, static_cast<WPARAM>(VK_RETURN));
  EXPECT_EQ(got[5].message, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(got[5].wParam, static_cast<WPARAM>('\r'));

  ASSERT_TRUE(hooks::PushText("Gr\xC3\xBC\xC3\x9F\xE2\x82\xAC\xCE\xA9"));  // "Grüß€Ω"
  got = Collect(6);
  ASSERT_EQ(got.size(), 6u);
  std::vector<WPARAM> characters;
  for (const MSG& msg : got) {
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CHAR));
    characters.push_back(msg.wParam);
  }
  EXPECT_EQ(characters, (std::vector<WPARAM>{'G', 'r', 0xFC, 0xDF, 0x80, '?'}));
}

TEST_F(Windows, TheCloseBoxSendsWmCloseWhichTheDefaultProcedureTurnsIntoDestroy) {
  ASSERT_NE(Create(), nullptr);
  ShowActive();
  gKeepOnClose = true;
  gSeen.clear();
  ASSERT_TRUE(hooks::PushWindowClose());
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(CountSeen(WM_SYSCOMMAND), 1);
  EXPECT_EQ(CountSeen(WM_CLOSE), 1);
  EXPECT_TRUE(IsWindow(window_)) << "the procedure kept the window";

  gKeepOnClose = false;
  ASSERT_TRUE(hooks::PushWindowClose());
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(CountSeen(WM_DESTROY), 1);
  EXPECT_FALSE(IsWindow(window_));
}

TEST_F(Windows, WindowTimersGoThroughTheProcedureAndEndWithTheWindow) {
  ASSERT_NE(Create(), nullptr);
  EXPECT_EQ(SetTimer(window_, 3, 50, nullptr), 3u);
  MSG msg;
  ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(msg.hwnd, window_);
  EXPECT_EQ(msg.wParam, 3u);
  gSeen.clear();
  DispatchMessageA(&msg);
  EXPECT_EQ(CountSeen(WM_TIMER), 1);
  HWND gone = window_;
  DestroyWindow(window_);
  EXPECT_FALSE(KillTimer(gone, 3));
  Sleep(120);
  int ticks = 0;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ticks += msg.message == WM_TIMER;
  EXPECT_EQ(ticks, 0);
}

TEST_F(Windows, FullScreenScalesTheDisplayAndMapsTheMouseBack) {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = 800;
  mode.dmPelsHeight = 600;
  mode.dmBitsPerPel = 32;
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
  ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
  ASSERT_NE(Create(800, 600), nullptr);
  EXPECT_TRUE(hooks::IsFullScreenScaled(window_));
  ShowActive();
  vsk::platform::GameView view;
  ASSERT_TRUE(vsk::platform::GameViewOf(window_, &view));
  EXPECT_EQ(view.gameWidth, 800);
  EXPECT_EQ(view.gameHeight, 600);
  EXPECT_TRUE(view.scaled);
  int width = 0, height = 0;
  SDL_GetWindowSize(vsk::platform::SdlWindowOf(window_), &width, &height);
  SDL_DisplayMode desktop;
  SDL_GetDesktopDisplayMode(0, &desktop);
  EXPECT_EQ(width, desktop.w);
  EXPECT_EQ(height, desktop.h);
  // The picture keeps its aspect, centred.
  EXPECT_NEAR(static_cast<double>(view.target.w) / view.target.h, 800.0 / 600.0, 0.01);

  hooks::PushMouseMove(400, 300);
  hooks::PushMouseButton(1, true, 799, 599);
  hooks::PushWindowMouseMove(width - 1, height - 1);
  std::vector<MSG> got = Collect(3);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].lParam, 400 | (300 << 16));
  EXPECT_EQ(got[1].lParam, 799 | (599 << 16));
  EXPECT_EQ(got[2].lParam, 799 | (599 << 16)) << "the far corner of the window is the display's";
  hooks::PushMouseButton(1, false, 799, 599);

  ASSERT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
  EXPECT_FALSE(hooks::IsFullScreenScaled(window_));

  hooks::FailDisplayModeChanges(true);
  EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_FAILED);
  EXPECT_FALSE(hooks::IsFullScreenScaled(window_));
}

TEST_F(Windows, CursorCountsAndStandardResources) {
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_EQ(ShowCursor(FALSE), -2);
  EXPECT_EQ(ShowCursor(TRUE), -1);
  EXPECT_EQ(ShowCursor(TRUE), 0);
  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  EXPECT_NE(arrow, nullptr);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);
  EXPECT_NE(LoadCursorA(nullptr, IDC_WAIT), arrow);
  EXPECT_EQ(LoadCursorA(GetModuleHandleA(nullptr), "POINTER"), nullptr) << "the program has no resources";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_NE(LoadIconA(nullptr, IDI_WINLOGO), nullptr);
  HCURSOR before = SetCursor(arrow);
  EXPECT_EQ(SetCursor(nullptr), arrow);
  SetCursor(before);

  ASSERT_NE(Create(800, 600), nullptr);
  EXPECT_TRUE(SetCursorPos(384, 287));
  POINT at;
  ASSERT_TRUE(GetCursorPos(&at));
  EXPECT_EQ(at.x, 384);
  EXPECT_EQ(at.y, 287);
}

TEST_F(Windows, MessageBoxesAreAnsweredByHooksOrTheDefaultButton) {
  hooks::QueueMessageBoxAnswer(IDNO);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "Fullscreen is not supported", "Veskaria", MB_YESNO | MB_ICONEXCLAMATION), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "(GL) Window Creation Error.", "ERROR", MB_OK | MB_ICONEXCLAMATION), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "Second?", "Q", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
  std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(written.find("ERROR: (GL) Window Creation Error."), std::string::npos);
  hooks::MessageBoxRecord box;
  ASSERT_TRUE(hooks::TakeMessageBox(&box));
  EXPECT_EQ(box.caption, "Veskaria");
  EXPECT_EQ(box.text, "Fullscreen is not supported");
  EXPECT_EQ(box.type, static_cast<unsigned>(MB_YESNO | MB_ICONEXCLAMATION));
  ASSERT_TRUE(hooks::TakeMessageBox(&box));
  EXPECT_EQ(box.caption, "ERROR");
  ASSERT_TRUE(hooks::TakeMessageBox(&box));
  EXPECT_FALSE(hooks::TakeMessageBox(&box));
}

TEST_F(Windows, AnIdleWindowLoopWaitsButInputEndsTheWaitAtOnce) {
  ASSERT_NE(Create(), nullptr);
  ShowActive();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  // The presenters' idle loop: peek, and wait up to a refresh when nothing
  // is there.
  int loops = 0;
  auto start = Clock::now();
  while (Clock::now() - start < 500ms) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) MsgWaitForMultipleObjects(0, nullptr, FALSE, 16, QS_ALLINPUT);
    loops++;
  }
  EXPECT_LE(loops, 45) << "about one look per 1/60 s";

  // Input pushed from another thread wakes the window thread's wait.
  std::thread pusher([] {
    std::this_thread::sleep_for(5ms);
    hooks::PushMouseButton(3, true, 5, 5);
  });
  auto waitStart = Clock::now();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_ALLINPUT), WAIT_OBJECT_0);
  pusher.join();
  EXPECT_LT(Clock::now() - waitStart, 1000ms);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_RBUTTONDOWN));
  hooks::PushMouseButton(3, false, 5, 5);
}

}  // namespace
