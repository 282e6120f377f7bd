// Test hooks for windows and input (platform/testing.h): input pushed as
// SDL events, so that it takes the same road as a player's.
#include <cstring>

#include "platform/testing.h"
#include "user32_window.h"
#include "user32_window_state.h"

namespace vsk::platform::testing {

namespace {

Window* Target() {
  Window* window = ActiveWindow();
  return window ? window : NewestWindow();
}

bool Push(SDL_Event& event) {
  if (SDL_PushEvent(&event) <= 0) return false;
  SignalEventPushed();
  return true;
}

SDL_Keycode KeycodeOf(int vk) {
  if (vk >= 'A' && vk <= 'Z') return SDLK_a + (vk - 'A');
  if (vk >= '0' && vk <= '9') return SDLK_0 + (vk - '0');
  if (vk >= VK_F1 && vk <= VK_F12) return SDLK_F1 + (vk - VK_F1);
  if (vk >= VK_NUMPAD1 && vk <= VK_NUMPAD9) return SDLK_KP_1 + (vk - VK_NUMPAD1);
  switch (vk) {
    case VK_RETURN: return SDLK_RETURN;
    case VK_ESCAPE: return SDLK_ESCAPE;
    case VK_SPACE: return SDLK_SPACE;
    case VK_BACK: return SDLK_BACKSPACE;
    case VK_TAB: return SDLK_TAB;
    case VK_LEFT: return SDLK_LEFT;
    case VK_RIGHT: return SDLK_RIGHT;
    case VK_UP: return SDLK_UP;
    case VK_DOWN: return SDLK_DOWN;
    case VK_INSERT: return SDLK_INSERT;
    case VK_DELETE: return SDLK_DELETE;
    case VK_HOME: return SDLK_HOME;
    case VK_END: return SDLK_END;
    case VK_PRIOR: return SDLK_PAGEUP;
    case VK_NEXT: return SDLK_PAGEDOWN;
    case VK_SHIFT: return SDLK_LSHIFT;
    case VK_CONTROL: return SDLK_LCTRL;
    case VK_MENU: return SDLK_LALT;
    case VK_NUMPAD0: return SDLK_KP_0;
    default: return SDLK_UNKNOWN;
  }
}

}  // namespace

bool PushWindowMouseMove(int windowX, int windowY) {
  Window* window = Target();
  if (!window) return false;
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.windowID = window->sdlId;
  event.motion.x = windowX;
  event.motion.y = windowY;
  return Push(event);
}

bool PushMouseMove(int x, int y) {
  Window* window = Target();
  if (!window) return false;
  POINT at = ClientToWindow(*window, x, y);
  return PushWindowMouseMove(at.x, at.y);
}

bool PushMouseButton(int button, bool down, int x, int y) {
  Window* window = Target();
  if (!window) return false;
  POINT at = ClientToWindow(*window, x, y);
  SDL_Event event{};
  event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  event.button.windowID = window->sdlId;
  event.button.button = static_cast<Uint8>(button);
  event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.button.clicks = 1;
  event.button.x = at.x;
  event.button.y = at.y;
  return Push(event);
}

bool PushKey(int virtualKey, bool down) {
  Window* window = Target();
  SDL_Keycode key = KeycodeOf(virtualKey);
  if (!window || key == SDLK_UNKNOWN) return false;
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.windowID = window->sdlId;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
  return Push(event);
}

bool PushText(const char* utf8) {
  Window* window = Target();
  if (!window || !utf8) return false;
  SDL_Event event{};
  event.type = SDL_TEXTINPUT;
  event.text.windowID = window->sdlId;
  std::strncpy(event.text.text, utf8, sizeof event.text.text - 1);
  return Push(event);
}

bool PushWindowClose() {
  Window* window = Target();
  if (!window) return false;
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = window->sdlId;
  event.window.event = SDL_WINDOWEVENT_CLOSE;
  return Push(event);
}

bool PushFocus(bool gained) {
  Window* window = Target();
  if (!window) return false;
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = window->sdlId;
  event.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
  return Push(event);
}

}  // namespace vsk::platform::testing
