// The whole client in both presenters: orderly ends, deactivation, F1, a fatal exception, failed starts.
#include "startup_test.h"

namespace vsk {
namespace {

// The program's own flow, not the screens': the title picture until event 8, then the end.
int32_t TitleUntilQuit() {
  GetMouse("./pics/cursor01.chk");
  OpenKadunPic("./data/path", 1, 0);
  while (WaitEvent(0) != kEventQuit) continue;
  CloseKadunPic(1, 1);
  return kScreenEnd;
}

class ClientTest : public test::ClientRunTest {
 protected:
  void SetUp() override {
    ClientRunTest::SetUp();
    Screens = ScreenTable{TitleUntilQuit, TitleUntilQuit};
  }
};

TEST_P(ClientTest, DeactivationStopsTheGameUntilActiveAgainAndARightClickEndsInOrder) {
  const bool directDraw = !OpenGL();
  std::atomic<bool> stopped{false}, lost{false}, restored{false};
  EXPECT_EQ(Run([&] {
              ASSERT_TRUE(hooks::PushFocus(false));
              ASSERT_TRUE(test::Eventually([] { return WindowActive.load() == 0; }, 5s));
              if (directDraw) lost = PrimarySurface && PrimarySurface->IsLost() == DDERR_SURFACELOST;
              // A click while the game thread is stopped waits in its queue.
              test::RightClick();
              std::this_thread::sleep_for(500ms);
              stopped = !ended_.load();
              ASSERT_TRUE(hooks::PushFocus(true));
              if (directDraw)
                restored = test::Eventually([] { return PrimarySurface && PrimarySurface->IsLost() == DD_OK; }, 5s);
            }),
            0);
  EXPECT_TRUE(shown_.load()) << log_;
  EXPECT_TRUE(stopped.load()) << "the click did nothing while the window was inactive";
  EXPECT_EQ(lost.load(), directDraw) << "deactivation loses the display surfaces";
  EXPECT_EQ(restored.load(), directDraw) << "the window loop restores them once active";
  // The right-click then ended the title screen, and the client in order.
  ExpectOrderlyEnd();
  test::ExpectContains(log_, {"CreateTown: fertig...\n", "SoundMaske   :"});
  EXPECT_LT(log_.find("SoundMaske   :"), log_.find("Exit Soundmaske   :"));
  EXPECT_EQ(Boxes(), "");
  EXPECT_EQ(RunFailureStatus(), 0) << "an orderly end is a success";
}

TEST_P(ClientTest, AQuickF1TapTogglesFullScreenInOpenGL) {
  if (!OpenGL()) GTEST_SKIP() << "F1 is the OpenGL presenter's key";
  std::atomic<bool> on{false}, off{false};
  EXPECT_EQ(Run([&] {
              // Press and release reach the window thread together, before its loop looks at the keys.
              ASSERT_TRUE(hooks::PushKey(VK_F1, true) && hooks::PushKey(VK_F1, false));
              on = test::Eventually([] { return FullScreen.load() == 1; }, 10s);
              ASSERT_TRUE(hooks::PushKey(VK_F1, true) && hooks::PushKey(VK_F1, false));
              off = test::Eventually([] { return FullScreen.load() == 0; }, 10s);
            }),
            0);
  EXPECT_TRUE(on.load()) << "the first tap made the window full screen";
  EXPECT_TRUE(off.load()) << "the second made it a window again";
  ExpectOrderlyEnd();
}

// A real access violation on the game thread, sanitizers off so the crash guard sees it.
__attribute__((noinline, no_sanitize("address", "undefined"))) int32_t CrashingScreen() {
  static void* page =
      mmap(nullptr, static_cast<size_t>(getpagesize()), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  *static_cast<volatile int*>(page) = 1;
  return kScreenEnd;
}

TEST_P(ClientTest, AFatalExceptionIsReportedAndTheNextStartKnowsIt) {
  Screens.title = CrashingScreen;
  EXPECT_EQ(Run(), 0);
  test::ExpectContains(log_, {"Fatal Exception: Access Violation\n" + std::string(CrashNote) + "\n"});
  ExpectOrderlyEnd();
  EXPECT_EQ(test::ReadBytes("data/prefs.vsk").at(test::kRunningFlagOffset), 1) << "the crash left the running flag set";
  EXPECT_EQ(RunFailureStatus(), kExitFatalException) << "the process ends with a failure status";
  EXPECT_EQ(RunFailureSentence(), "the game stopped on a fatal exception (code c0000005); the log has the report");

  // The next start sees the unclean end and otherwise runs as usual, here without an audio
  // device (the null output serves DirectSound) and ended by the window's close request.
  Screens = ScreenTable{TitleUntilQuit, TitleUntilQuit};
  FreeSystemReport();  // the device lists of the machine report
  System = SystemContext{};
  Player = PlayerRecord{};
  hooks::FailAudioDevice(true);
  std::atomic<bool> endedByClose{false};
  EXPECT_EQ(Run([&] {
              ASSERT_TRUE(hooks::PushWindowClose());
              endedByClose = test::Eventually([this] { return ended_.load(); }, 10s);
            }),
            0);
  EXPECT_TRUE(shown_.load());
  EXPECT_TRUE(endedByClose.load()) << "the close request ended the title screen";
  EXPECT_EQ(log_.find("InitSoundEnv: 000"), std::string::npos) << "the null output serves DirectSound";
  EXPECT_EQ(Player.restartState, 2);
  EXPECT_EQ(RunFailureStatus(), 0) << "a failure is forgotten at the next start";
  EXPECT_EQ(test::ReadBytes("data/prefs.vsk").at(test::kRunningFlagOffset), 0);
  ExpectOrderlyEnd();
}

// Starts that fail before the game runs: the boxes, WinMain's 0, no window left, the failure's status and sentence.
TEST_P(ClientTest, AFailedStartEndsInOrderAndIsNotedAsAFailure) {
  struct Case {  // presenter: the one it applies to, null for both
    const char *what, *presenter;
    void (*prepare)();
    const char *boxes, *sentence;
  };
  const Case cases[] = {
      {"an empty directory", nullptr,
       [] {
         for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove_all(entry);
       },
       "", "no game data here (./data/path is missing); start it in the game directory"},
      {"no DirectSound", nullptr, [] { hooks::FailDirectSoundCreate(true); }, "",
       "the sound could not be set up (the log names the step)"},
      {"a refused display mode", "", [] { hooks::FailDisplayModeChanges(true); },
       "ERROR: (DX) Can't set display mode .\nERROR: (DX) Initialization Failed.\n",
       "the DirectDraw window could not be made: (DX) Can't set display mode ."},
      {"a missing backdrop", "-gl", [] { ASSERT_EQ(std::remove("data/vsk.bmp"), 0); },
       "ERROR: (GL) Initialization Failed.\n", "the OpenGL window could not be made: (GL) Initialization Failed."},
  };
  for (const Case& start : cases) {
    if (start.presenter && std::string(start.presenter) != GetParam()) continue;
    SCOPED_TRACE(start.what);
    std::string error;
    ASSERT_TRUE(data::WriteDemo(root_, nullptr, &error)) << error;
    FreeSystemReport();
    System = SystemContext{};
    start.prepare();
    std::string command = GetParam();
    test::LogCapture log;
    EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, command.data(), SW_SHOWNORMAL), 0);
    log_ = log.Take();
    hooks::FailDisplayModeChanges(false);
    hooks::FailDirectSoundCreate(false);
    EXPECT_EQ(Boxes(), start.boxes);
    EXPECT_EQ(RunFailureStatus(), kExitStartFailed);
    EXPECT_EQ(RunFailureSentence(), start.sentence);
    ExpectOrderlyEnd();
    // The game thread, made suspended, is held by that suspension alone.
    EXPECT_EQ(MainThreadHandle ? SuspendThread(MainThreadHandle) : 1u, 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Presenters, ClientTest, ::testing::Values("", "-gl"), test::PresenterParamName);

}  // namespace
}  // namespace vsk
