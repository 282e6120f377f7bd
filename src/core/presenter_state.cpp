#include "core/presenter_state.h"

#include <thread>

namespace vsk {

int32_t PresenterChoice = kPresenterDirectDraw;
HANDLE MainThreadHandle = nullptr;
DWORD MainThreadId = 0;
HWND WindowHandle = nullptr;
std::atomic<int32_t> WindowActive{1};
std::atomic<int32_t> FullScreen{0};
int32_t WindowWidth = 800;
int32_t WindowHeight = 600;
int32_t WindowBits = 32;
std::atomic<int32_t> PointerX{0};
std::atomic<int32_t> PointerY{0};
uint8_t* PointerImage = nullptr;
std::atomic<uint8_t> KeyDown[256];
std::atomic<bool> F1Pressed{false};
std::atomic<int32_t> AnyKeyPressed{0};
std::atomic<bool> ScreenBeingRead{false};

void WaitWhileScreenIsRead() {
  while (ScreenBeingRead.load()) std::this_thread::yield();
}

}  // namespace vsk
