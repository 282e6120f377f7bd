// What the tests of the Win32-named layer share: its headers, the test hooks,
// and the steps of opening a window class and a full-screen mode.
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <dsound.h>
#include <mmsystem.h>
#include <objbase.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/sdl/user32_window.h"
#include "platform/testing.h"
#include "support/eventually.h"
#include "support/gamedir.h"
#include "support/win32.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace hooks = vsk::platform::testing;
using namespace vsk::test;

// `call` gives `failed` and leaves `error` as the thread's last error.
#define EXPECT_FAILS_WITH(call, failed, error) \
  EXPECT_EQ(call, failed);                    \
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(error))

// A surface description with its size set, as every DirectDraw call wants it.
inline DDSURFACEDESC2 SurfaceDesc() {
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  return desc;
}

// Registers a class as the game's windows have it (own device context).
inline ATOM RegisterGameClass(const char* name, WNDPROC procedure = DefWindowProcA, HCURSOR cursor = nullptr) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  windowClass.lpfnWndProc = procedure;
  windowClass.hCursor = cursor;
  windowClass.lpszClassName = name;
  return RegisterClassA(&windowClass);
}

// ChangeDisplaySettingsA to a full-screen mode (bits 0: left out).
inline LONG FullScreenMode(DWORD width, DWORD height, DWORD bits = 0) {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = width;
  mode.dmPelsHeight = height;
  mode.dmBitsPerPel = bits;
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | (bits ? DM_BITSPERPEL : 0);
  return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
}
