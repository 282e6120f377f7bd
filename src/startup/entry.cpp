#include "startup/entry.h"

#include <process.h>
#include <winsock.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/context.h"
#include "core/prefs.h"
#include "core/presenter_state.h"
#include "platform/guard.h"
#include "present/dd/window.h"
#include "present/gl/window.h"
#include "screens/screens.h"
#include "services/memory.h"
#include "sound/sfx.h"
#include "startup/command_line.h"
#include "startup/outcome.h"
#include "startup/setup.h"
#include "startup/story.h"

namespace vsk {

ScreenTable Screens{TitleScreen, ResidenceScreen};

namespace {

constexpr uint16_t kPrefsRunning = 24;  // 1 while the client runs
constexpr uint16_t kStoryFlag = 1;      // story preferences: show the story once

void RunScreens(void*) {
  MakeDodurOdidTab();
  if (CheckPrefs(kPrefsRunning, 0, 0) != 0) Player.restartState = 2;
  CheckPrefs(kPrefsRunning, 1, 1);
  if (Start_TCP_IP() == -1) std::printf("main: Konnte TCP/IP Stack nicht initialisieren.\n");
  int32_t code = Screens.title();
  if (DodurOdidPrefs(kStoryFlag, 0, 0) != 0) {
    DodurOdidPrefs(kStoryFlag, 1, 0);
    code = kScreenStory;
  }
  while (code == kScreenResidence) code = Screens.residence();
  Quit_TCP_IP();
  ReleaseCaches(3);
  CheckPrefs(kPrefsRunning, 1, 0);
  FreeDodurOdidTab();
  PostMessageA(WindowHandle, kQuitRequest, 0, 0);
}

void OnFatalException(DWORD code) {
  std::fflush(nullptr);
  ReportFatalException(code);
  char sentence[96];
  std::snprintf(sentence, sizeof sentence, "the game stopped on a fatal exception (code %08x); the log has the report",
                static_cast<unsigned>(code));
  NoteRunFailure(kExitFatalException, sentence);
  PostMessageA(WindowHandle, kQuitRequest, 0, 0);
  std::fflush(nullptr);
}

}  // namespace

unsigned __stdcall main(void*) {
  Sleep(1000);
  platform::RunGuarded(RunScreens, IsReportedException, OnFatalException, nullptr);
  std::fflush(nullptr);
  return 1;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  ForgetRunFailure();
  std::printf("%s\n\n", kVersionLine);
  std::string first;
  if (FirstArgument(commandLine, &first)) PresenterChoice = first == "-gl" ? kPresenterOpenGL : kPresenterDirectDraw;
  if (!CheckDirectX()) {
    NoteRunFailure(kExitStartFailed, "the start checks failed (Windows Sockets or DirectX 7)");
    return 0;
  }

  unsigned id = 0;
  MainThreadHandle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, main, nullptr, CREATE_SUSPENDED, &id));
  MainThreadId = id;
  const int result = PresenterChoice == kPresenterDirectDraw ? RunDXWindow() : RunGLWindow();

  WSACleanup();
  ExitSoundEnv();
  ReleaseSystem();
  std::printf("\nVeskaria END \n");
  return result;
}

}  // namespace vsk
