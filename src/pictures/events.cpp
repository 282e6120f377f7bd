#include "pictures/events.h"

#include <windows.h>

#include "core/presenter_state.h"
#include "gfx/screen_update.h"
#include "pictures/replay.h"
#include "services/random.h"
#include "sound/sfx.h"

namespace vsk {

namespace {

constexpr int32_t kNoEvent = -1;

int32_t Translate(const MSG& msg, uint16_t flags) {
  switch (msg.message) {
    case WM_MOUSEMOVE:
      MovePointer(static_cast<int32_t>(msg.lParam));
      if (msg.wParam == MK_LBUTTON) return kEventLeftDown;
      if (msg.wParam == MK_RBUTTON) return kEventRightDown;
      return kEventMove;
    case WM_LBUTTONDOWN:
      SfxPlayer(kClickSound, 0, 0);
      return kEventLeftDown;
    case WM_RBUTTONDOWN:
      SfxPlayer(kClickSound, 0, 0);
      return kEventRightDown;
    case WM_LBUTTONUP:
      return kEventLeftUp;
    case WM_RBUTTONUP:
    case WM_CLOSE:
      return kEventQuit;
    case WM_KEYDOWN:
    case WM_CHAR:
      return kEventKey;
    case WM_TIMER:
      if ((flags & kWaitTicks) && msg.wParam == kWindowTimerId) return kEventTick;
      return kNoEvent;
    default:
      return kNoEvent;
  }
}

}  // namespace

int32_t WaitEvent(uint16_t flags) {
  for (;;) {
    RestoreSurfaces();
    MSG msg;
    TakeGameInput(&msg);
    const int32_t event = Translate(msg, flags);
    if (event != kNoEvent) return event;
  }
}

int32_t GetMouseY() { return PointerY.load(); }

int32_t GetScreenMouseY() {
  int32_t y = PointerY.load();
  if (PresenterChoice == kPresenterOpenGL) y -= WindowHeight / 2 - 240;
  return y;
}

int32_t PointerInRect(uint16_t left, uint16_t right, uint16_t top, uint16_t bottom) {
  int32_t x = PointerX.load();
  if (PresenterChoice == kPresenterOpenGL) x -= WindowWidth / 2 - 320;
  const int32_t y = GetScreenMouseY();
  return (left < x && x < right && top < y && y < bottom) ? 1 : 0;
}

int32_t WaitTicks() {
  int ticks = 0;
  while (ticks < 10) {
    const int32_t event = WaitEvent(kWaitTicks);
    if (event == kEventRebuild) return kEventRebuild;
    if (event == kEventTick) ++ticks;
  }
  return 0;
}

uint32_t RangeRandom(uint32_t n) {
  // n + 1 wraps to 0 for n = 0xFFFFFFFF; every draw is then already in range.
  const uint32_t range = n + 1;
  const auto draw = static_cast<uint32_t>(Random());
  return range ? draw % range : draw;
}

}  // namespace vsk
