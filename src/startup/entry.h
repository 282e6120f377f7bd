// The process entry and the main thread: the start checks, the game thread
// that runs the screens one after the other, the orderly shutdown of both
// threads and the reporter of fatal exceptions on the game thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "screens/screens.h"

namespace vsk {

constexpr const char* kVersionLine = "$VER: VsK-Client 3D V0.03Beta (04.06.2005)";

// The screens the game thread runs: the title screen first (its result is
// the first screen code), then the residence screen for as long as the
// code is kScreenResidence. Tests put their own screens here.
struct ScreenTable {
  int32_t (*title)();
  int32_t (*residence)();
};
extern ScreenTable Screens;

// Message the game thread posts to the window to end the window loop.
constexpr UINT kQuitRequest = WM_USER + 2;

// The Windows entry: picks the presenter ("-gl" as the first argument:
// OpenGL, else DirectDraw), checks sockets and DirectX, creates the game
// thread suspended, runs the presenter's window loop and cleans up. The
// loop's result, or 0 when the start checks fail.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

// The game thread: tables, the running flag, the screens, the teardown and
// the quit request. Returns 1.
unsigned __stdcall main(void* parameter);

// Starts Windows Sockets and checks for DirectX 7; message boxes on failure.
bool CheckDirectX();

// 1 when a TCP/IP stack is selected, else -1 (logged).
int32_t Start_TCP_IP();
// 0 when a stack is selected, else -1 (logged).
int32_t Quit_TCP_IP();

// Bit 0: frees the picture cache, bit 1: the sound cache.
void ReleaseCaches(uint16_t mask);

// The exception guard of the game thread: declines float overflow and
// underflow and integer overflow, accepts everything else.
int IsReportedException(DWORD code);
// Prints the exception's name with the crash note.
void ReportFatalException(DWORD code);

// The text printed under every fatal-exception message.
extern const char* const CrashNote;

}  // namespace vsk
