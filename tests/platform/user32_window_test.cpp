// Windows over SDL on the main thread: classes, activation, input, timers, scaling, cursors, message boxes.
#include "platform_test.h"

namespace {

std::vector<Message> gSeen;  // what the window procedure was given
bool gKeepOnClose = false;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  gSeen.emplace_back(message, wParam, lParam);
  if (message == WM_CLOSE && gKeepOnClose) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

int CountSeen(UINT message) {
  return static_cast<int>(std::count_if(gSeen.begin(), gSeen.end(), [=](auto& m) { return std::get<0>(m) == message; }));
}

LPARAM At(int x, int y) { return x | (y << 16); }

class Windows : public ::testing::Test {
 protected:
  void SetUp() override {
    gSeen.clear();
    gKeepOnClose = false;
    ASSERT_NE(RegisterGameClass("VeskariaTest", RecordingProc, LoadCursorA(nullptr, IDC_ARROW)), 0);
  }

  void TearDown() override {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    ChangeDisplaySettingsA(nullptr, 0);
    hooks::FailDisplayModeChanges(false);
    hooks::ResetMessageBoxes();
    EXPECT_TRUE(UnregisterClassA("VeskariaTest", GetModuleHandleA(nullptr)));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
  }

  HWND Create(int width = 640, int height = 480, DWORD style = WS_POPUP) {
    window_ = CreateWindowExA(WS_EX_APPWINDOW, "VeskariaTest", "Veskaria / Test", style, 0, 0, width,
                              height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return window_;
  }

  // Creates the window and shows it as the presenters do: one activation.
  void CreateActive() {
    ASSERT_NE(Create(), nullptr);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(window_);
  }

  // Queued messages of the window, until `wanted` arrive or two seconds pass.
  std::vector<Message> Collect(size_t wanted) {
    std::vector<Message> got;
    auto until = Clock::now() + 2s;
    MSG msg;
    while (got.size() < wanted && Clock::now() < until)
      if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.hwnd == window_) got.push_back(Fields(msg));
    return got;
  }

  HWND window_ = nullptr;
};

TEST_F(Windows, ClassesAreUniqueAndKeptWhileTheyHaveWindowsWhichGetPostedMessages) {
  EXPECT_FAILS_WITH(RegisterGameClass("veskariatest", RecordingProc), 0, ERROR_CLASS_ALREADY_EXISTS);  // class names ignore case
  EXPECT_FAILS_WITH(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
                    nullptr, ERROR_CANNOT_FIND_WND_CLASS);
  ASSERT_NE(Create(), nullptr);
  EXPECT_FAILS_WITH(UnregisterClassA("VeskariaTest", nullptr), FALSE, ERROR_CLASS_HAS_WINDOWS);
  EXPECT_FAILS_WITH(UnregisterClassA("Unknown", nullptr), FALSE, ERROR_CLASS_DOES_NOT_EXIST);
  // A message posted from another thread goes through the queue to the procedure.
  std::thread([window = window_] { EXPECT_TRUE(PostMessageA(window, WM_USER + 2, 11, 22)); }).join();
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, window_, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, window_);
  gSeen.clear();
  DispatchMessageA(&msg);
  EXPECT_EQ(gSeen, (std::vector<Message>{{WM_USER + 2, 11, 22}}));
  int notAWindow = 0;
  EXPECT_FAILS_WITH(PostMessageA(reinterpret_cast<HWND>(&notAWindow), WM_USER, 0, 0), FALSE,
                    ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(Windows, CreationMakesAHiddenWindowOfTheClientSize) {
  RECT rect{0, 0, 800, 600};
  EXPECT_TRUE(AdjustWindowRectEx(&rect, WS_POPUP | WS_CAPTION, FALSE, WS_EX_APPWINDOW));
  EXPECT_EQ(rect.right, 800) << "no frame is counted";
  ASSERT_NE(Create(rect.right - rect.left, rect.bottom - rect.top, WS_POPUP | WS_CAPTION | WS_SYSMENU), nullptr);
  ASSERT_GE(gSeen.size(), 2u);
  EXPECT_EQ(std::get<0>(gSeen[0]), static_cast<UINT>(WM_NCCREATE));
  EXPECT_EQ(std::get<0>(gSeen[1]), static_cast<UINT>(WM_CREATE));
  EXPECT_EQ(CountSeen(WM_ACTIVATE), 0) << "not shown yet";
  RECT client;
  ASSERT_TRUE(GetClientRect(window_, &client));
  EXPECT_EQ(std::make_pair(client.right, client.bottom), (std::pair<LONG, LONG>(800, 600)));
  SDL_Window* sdl = vsk::platform::SdlWindowOf(window_);
  ASSERT_NE(sdl, nullptr);
  int width = 0, height = 0;
  SDL_GetWindowSize(sdl, &width, &height);
  EXPECT_EQ(std::make_pair(width, height), std::make_pair(800, 600));
  EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_HIDDEN);
}

TEST_F(Windows, ShowingAndForegroundingActivatesOnce) {
  ASSERT_NE(Create(), nullptr);
  EXPECT_FALSE(ShowWindow(window_, SW_SHOW)) << "was hidden";
  EXPECT_TRUE(SetForegroundWindow(window_));
  SetFocus(window_);
  EXPECT_TRUE(ShowWindow(window_, SW_SHOW)) << "was visible";
  ASSERT_EQ(CountSeen(WM_ACTIVATE), 1);
  for (const Message& seen : gSeen)
    EXPECT_TRUE(std::get<0>(seen) != WM_ACTIVATE || LOWORD(std::get<1>(seen)) == WA_ACTIVE);
  EXPECT_EQ(GetForegroundWindow(), window_);
  EXPECT_FALSE(SDL_GetWindowFlags(vsk::platform::SdlWindowOf(window_)) & SDL_WINDOW_HIDDEN);

  // The desktop taking and giving back the focus.
  for (bool gained : {false, true}) {
    gSeen.clear();
    ASSERT_TRUE(hooks::PushFocus(gained));
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    ASSERT_EQ(CountSeen(WM_ACTIVATE), 1);
    EXPECT_EQ(LOWORD(std::get<1>(gSeen.back())), gained ? WA_ACTIVE : WA_INACTIVE);
  }

  // Destroying the active window deactivates it before WM_DESTROY.
  gSeen.clear();
  EXPECT_TRUE(DestroyWindow(window_));
  EXPECT_EQ(gSeen, (std::vector<Message>{{WM_ACTIVATE, WA_INACTIVE, 0}, {WM_DESTROY, 0, 0}, {WM_NCDESTROY, 0, 0}}));
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_FAILS_WITH(DestroyWindow(window_), FALSE, ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(Windows, MouseEventsBecomeMouseMessages) {
  CreateActive();
  gSeen.clear();
  ASSERT_TRUE(hooks::PushMouseMove(10, 20));
  ASSERT_TRUE(hooks::PushMouseButton(1, true, 10, 20));
  ASSERT_TRUE(hooks::PushMouseMove(30, 40));
  ASSERT_TRUE(hooks::PushMouseButton(1, false, 30, 40));
  ASSERT_TRUE(hooks::PushMouseButton(3, true, 31, 41));
  ASSERT_TRUE(hooks::PushMouseButton(3, false, 31, 41));
  // The second move is a drag: its wParam holds the left button.
  EXPECT_EQ(Collect(6), (std::vector<Message>{{WM_MOUSEMOVE, 0, At(10, 20)},
                                              {WM_LBUTTONDOWN, MK_LBUTTON, At(10, 20)},
                                              {WM_MOUSEMOVE, MK_LBUTTON, At(30, 40)},
                                              {WM_LBUTTONUP, 0, At(30, 40)},
                                              {WM_RBUTTONDOWN, MK_RBUTTON, At(31, 41)},
                                              {WM_RBUTTONUP, 0, At(31, 41)}}));
  EXPECT_EQ(CountSeen(WM_SETCURSOR), 2) << "the window chooses its cursor before each move";

  // Moves in a row keep only the latest position.
  hooks::PushMouseMove(1, 1);
  hooks::PushMouseMove(2, 2);
  hooks::PushMouseMove(3, 3);
  hooks::PushMouseButton(1, true, 3, 3);
  hooks::PushMouseButton(1, false, 3, 3);
  EXPECT_EQ(Collect(3), (std::vector<Message>{{WM_MOUSEMOVE, 0, At(3, 3)},
                                              {WM_LBUTTONDOWN, MK_LBUTTON, At(3, 3)},
                                              {WM_LBUTTONUP, 0, At(3, 3)}}));
}

TEST_F(Windows, KeysBecomeVirtualKeysAndTextBecomesWindows1252Characters) {
  CreateActive();
  const std::pair<int, bool> keys[] = {{VK_F1, true}, {VK_F1, false}, {'A', true}, {VK_LEFT, true}, {VK_RETURN, true}};
  for (auto [key, down] : keys)
    ASSERT_TRUE(hooks::PushKey(key, down));
  std::vector<Message> got = Collect(6);
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(static_cast<DWORD>(std::get<2>(got[0])) >> 31, 0u);
  EXPECT_EQ(static_cast<DWORD>(std::get<2>(got[1])) >> 31, 1u) << "transition bit of a release";
  for (Message& m : got) std::get<2>(m) = 0;
  EXPECT_EQ(got, (std::vector<Message>{{WM_KEYDOWN, 0x70, 0}, {WM_KEYUP, 0x70, 0}, {WM_KEYDOWN, 'A', 0},
                                       {WM_KEYDOWN, VK_LEFT, 0}, {WM_KEYDOWN, VK_RETURN, 0}, {WM_CHAR, '\r', 0}}));

  ASSERT_TRUE(hooks::PushText("Gr\xC3\xBC\xC3\x9F\xE2\x82\xAC\xCE\xA9"));  // "Grüß€Ω"
  std::vector<Message> characters;
  for (WPARAM c : {WPARAM{'G'}, WPARAM{'r'}, WPARAM{0xFC}, WPARAM{0xDF}, WPARAM{0x80}, WPARAM{'?'}})
    characters.emplace_back(WM_CHAR, c, 0);
  got = Collect(6);
  for (Message& m : got) std::get<2>(m) = 0;
  EXPECT_EQ(got, characters);
}

TEST_F(Windows, TheCloseBoxSendsWmCloseWhichTheDefaultProcedureTurnsIntoDestroy) {
  CreateActive();
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
  EXPECT_EQ(msg.hwnd, window_);
  EXPECT_EQ(Fields(msg), Message(WM_TIMER, 3, 0));
  gSeen.clear();
  DispatchMessageA(&msg);
  EXPECT_EQ(CountSeen(WM_TIMER), 1);
  HWND gone = window_;
  DestroyWindow(window_);
  EXPECT_FALSE(KillTimer(gone, 3));
  Sleep(120);  // more than two periods: a timer left over would tick
  int ticks = 0;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ticks += msg.message == WM_TIMER;
  EXPECT_EQ(ticks, 0);
}

TEST_F(Windows, FullScreenScalesTheDisplayAndMapsTheMouseBack) {
  ASSERT_EQ(FullScreenMode(800, 600, 32), DISP_CHANGE_SUCCESSFUL);
  ASSERT_NE(Create(800, 600), nullptr);
  EXPECT_TRUE(hooks::IsFullScreenScaled(window_));
  ShowWindow(window_, SW_SHOW);
  SetForegroundWindow(window_);
  SetFocus(window_);
  vsk::platform::GameView view;
  ASSERT_TRUE(vsk::platform::GameViewOf(window_, &view));
  EXPECT_EQ(std::make_pair(view.gameWidth, view.gameHeight), std::make_pair(800, 600));
  EXPECT_TRUE(view.scaled);
  int width = 0, height = 0;
  SDL_GetWindowSize(vsk::platform::SdlWindowOf(window_), &width, &height);
  SDL_DisplayMode desktop;
  SDL_GetDesktopDisplayMode(0, &desktop);
  EXPECT_EQ(std::make_pair(width, height), std::make_pair(desktop.w, desktop.h));
  // The picture keeps its aspect, centred.
  EXPECT_NEAR(static_cast<double>(view.target.w) / view.target.h, 800.0 / 600.0, 0.01);

  // The far corner of the window is the display's.
  hooks::PushMouseMove(400, 300);
  hooks::PushMouseButton(1, true, 799, 599);
  hooks::PushWindowMouseMove(width - 1, height - 1);
  EXPECT_EQ(Collect(3), (std::vector<Message>{{WM_MOUSEMOVE, 0, At(400, 300)},
                                              {WM_LBUTTONDOWN, MK_LBUTTON, At(799, 599)},
                                              {WM_MOUSEMOVE, MK_LBUTTON, At(799, 599)}}));
  EXPECT_TRUE(hooks::PushMouseButton(1, false, 799, 599));
  EXPECT_EQ(Collect(1).size(), 1u) << "the release taken too: no button stays held";

  ASSERT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
  EXPECT_FALSE(hooks::IsFullScreenScaled(window_));
  hooks::FailDisplayModeChanges(true);
  EXPECT_EQ(FullScreenMode(800, 600, 32), DISP_CHANGE_FAILED);
  EXPECT_FALSE(hooks::IsFullScreenScaled(window_));
}

TEST_F(Windows, CursorCountsAndStandardResources) {
  for (auto [show, count] : std::vector<std::pair<BOOL, int>>{{FALSE, -1}, {FALSE, -2}, {TRUE, -1}, {TRUE, 0}})
    EXPECT_EQ(ShowCursor(show), count);
  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  EXPECT_NE(arrow, nullptr);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);
  EXPECT_NE(LoadCursorA(nullptr, IDC_WAIT), arrow);
  EXPECT_FAILS_WITH(LoadCursorA(GetModuleHandleA(nullptr), "POINTER"), nullptr,
                    ERROR_RESOURCE_NAME_NOT_FOUND);  // the program has no resources
  EXPECT_NE(LoadIconA(nullptr, IDI_WINLOGO), nullptr);
  HCURSOR before = SetCursor(arrow);
  EXPECT_EQ(SetCursor(nullptr), arrow);
  SetCursor(before);

  ASSERT_NE(Create(800, 600), nullptr);
  EXPECT_TRUE(SetCursorPos(384, 287));
  POINT at;
  ASSERT_TRUE(GetCursorPos(&at));
  EXPECT_EQ(std::make_pair(at.x, at.y), (std::pair<LONG, LONG>(384, 287)));
}

TEST_F(Windows, MessageBoxesAreAnsweredByHooksOrTheDefaultButton) {
  hooks::QueueMessageBoxAnswer(IDNO);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(nullptr, "Fullscreen is not supported", "Veskaria", MB_YESNO | MB_ICONEXCLAMATION), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "(GL) Window Creation Error.", "ERROR", MB_OK | MB_ICONEXCLAMATION), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "Second?", "Q", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("ERROR: (GL) Window Creation Error."), std::string::npos);
  std::vector<std::tuple<std::string, std::string, unsigned>> boxes;
  for (hooks::MessageBoxRecord box; hooks::TakeMessageBox(&box);) boxes.emplace_back(box.caption, box.text, box.type);
  EXPECT_EQ(boxes, (decltype(boxes){{"Veskaria", "Fullscreen is not supported", MB_YESNO | MB_ICONEXCLAMATION},
                                    {"ERROR", "(GL) Window Creation Error.", MB_OK | MB_ICONEXCLAMATION},
                                    {"Q", "Second?", MB_YESNOCANCEL | MB_DEFBUTTON2}}));
}

TEST_F(Windows, InputEndsTheWindowThreadsWaitAtOnce) {
  CreateActive();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
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
  EXPECT_TRUE(hooks::PushMouseButton(3, false, 5, 5));
  EXPECT_EQ(Collect(1).size(), 1u) << "the release taken too: no button stays held";
}

}  // namespace
