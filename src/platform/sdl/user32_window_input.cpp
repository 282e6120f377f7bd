// SDL events turned into window messages on the window thread: mouse and
// keys become input messages in the queue, typed text WM_CHAR in
// Windows-1252; close, focus and cursor messages are sent to the window
// procedure at once, as Windows sends them.
#include <algorithm>
#include <cstring>

#include "user32_window.h"
#include "user32_window_state.h"

namespace vsk::platform {

namespace {

WPARAM gMouseButtons = 0;  // MK_LBUTTON, MK_RBUTTON, MK_MBUTTON held
bool gShiftDown = false;
bool gControlDown = false;
bool gAltDown = false;

// Windows-1252 bytes 0x80..0x9F; 0 where the code page has no character.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

WPARAM MouseFlags() {
  WPARAM flags = gMouseButtons;
  if (gShiftDown) flags |= MK_SHIFT;
  if (gControlDown) flags |= MK_CONTROL;
  return flags;
}

LPARAM PackPoint(POINT point) {
  return static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(point.x & 0xFFFF, point.y & 0xFFFF)));
}

void Queue(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = window.handle();
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  StampMessage(msg);
  AddInputMessage(msg);
}

// Windows' virtual-key code of an SDL key, 0 for keys the game cannot see.
WPARAM VirtualKey(const SDL_Keysym& key) {
  SDL_Keycode sym = key.sym;
  if (sym >= SDLK_a && sym <= SDLK_z) return 'A' + (sym - SDLK_a);
  if (sym >= SDLK_0 && sym <= SDLK_9) return '0' + (sym - SDLK_0);
  if (sym >= SDLK_F1 && sym <= SDLK_F12) return VK_F1 + (sym - SDLK_F1);
  if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return VK_NUMPAD1 + (sym - SDLK_KP_1);
  switch (sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_LGUI: return VK_LWIN;
    case SDLK_RGUI: return VK_RWIN;
    case SDLK_APPLICATION: return VK_APPS;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    default: break;
  }
  // Punctuation keys by their position on a US keyboard, as Windows names them.
  switch (key.scancode) {
    case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
    case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
    case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
    case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
    case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return VK_OEM_2;
    case SDL_SCANCODE_GRAVE: return VK_OEM_3;
    case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
    case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
    case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
    case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
    case SDL_SCANCODE_NONUSBACKSLASH: return VK_OEM_102;
    default: return 0;
  }
}

// Alt+Enter and F11 switch the exclusive display between full screen and a
// window; the game sees neither the press nor its repeats and release.
bool TakenForDisplaySwitch(Window& window, WPARAM vk, bool down) {
  static bool held[2] = {false, false};  // Enter, F11 taken while down
  if (vk != VK_RETURN && vk != VK_F11) return false;
  bool& taken = held[vk == VK_F11 ? 1 : 0];
  if (!down) {
    bool was = taken;
    taken = false;
    return was;
  }
  if (taken) return true;  // a repeat
  if (vk == VK_RETURN && (!gAltDown || gControlDown)) return false;
  taken = ToggleDisplayWindowed(window);
  return taken;
}

void HandleKey(Window& window, const SDL_KeyboardEvent& key) {
  WPARAM vk = VirtualKey(key.keysym);
  if (!vk) return;
  bool down = key.type == SDL_KEYDOWN;
  if (TakenForDisplaySwitch(window, vk, down)) return;
  if (vk == VK_SHIFT) gShiftDown = down;
  if (vk == VK_CONTROL) gControlDown = down;
  if (vk == VK_MENU) gAltDown = down;
  // lParam: repeat count 1, previous key state (bit 30), transition (bit 31).
  // No scan code: the game reads only the virtual key.
  LPARAM lParam = 1;
  if (!down || key.repeat) lParam |= 1L << 30;
  if (!down) lParam |= static_cast<LPARAM>(1UL << 31);
  // Alt, F10 and keys pressed with Alt held are system keys on Windows.
  bool system = gAltDown || vk == VK_MENU || vk == VK_F10;
  if (system && gControlDown) system = vk == VK_MENU;  // AltGr is Ctrl+Alt
  UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  Queue(window, message, vk, lParam);
  // The control characters Windows makes of keys that SDL's text input
  // leaves out.
  if (!down || system) return;
  int character = 0;
  switch (vk) {
    case VK_RETURN: character = '\r'; break;
    case VK_BACK: character = '\b'; break;
    case VK_ESCAPE: character = 0x1B; break;
    case VK_TAB: character = '\t'; break;
    default:
      if (gControlDown && vk >= 'A' && vk <= 'Z') character = static_cast<int>(vk - 'A' + 1);
  }
  if (character) Queue(window, WM_CHAR, static_cast<WPARAM>(character), 1);
}

void HandleText(Window& window, const char* text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  size_t length = std::strlen(text);
  for (size_t i = 0; i < length;) {
    uint32_t codePoint = bytes[i];
    size_t extra = 0;
    if (codePoint >= 0xF0) { codePoint &= 0x07; extra = 3; }
    else if (codePoint >= 0xE0) { codePoint &= 0x0F; extra = 2; }
    else if (codePoint >= 0xC0) { codePoint &= 0x1F; extra = 1; }
    else if (codePoint >= 0x80) { i++; continue; }  // a stray continuation byte
    if (extra && i + extra >= length) break;  // cut off in the middle of a character
    for (size_t k = 1; k <= extra; k++) codePoint = (codePoint << 6) | (bytes[i + k] & 0x3F);
    i += extra + 1;
    int character = Cp1252FromCodePoint(codePoint);
    // Windows types '?' for a character the code page does not have.
    Queue(window, WM_CHAR, static_cast<WPARAM>(character < 0 ? '?' : character), 1);
  }
}

void HandleMouseButton(Window& window, const SDL_MouseButtonEvent& button) {
  WPARAM flag;
  UINT down, up, doubleClick;
  switch (button.button) {
    case SDL_BUTTON_LEFT: flag = MK_LBUTTON; down = WM_LBUTTONDOWN; up = WM_LBUTTONUP; doubleClick = WM_LBUTTONDBLCLK; break;
    case SDL_BUTTON_RIGHT: flag = MK_RBUTTON; down = WM_RBUTTONDOWN; up = WM_RBUTTONUP; doubleClick = WM_RBUTTONDBLCLK; break;
    case SDL_BUTTON_MIDDLE: flag = MK_MBUTTON; down = WM_MBUTTONDOWN; up = WM_MBUTTONUP; doubleClick = WM_MBUTTONDBLCLK; break;
    default: return;
  }
  POINT client = WindowToClient(window, button.x, button.y);
  NoteCursorInWindow(window, client);
  UINT message;
  if (button.type == SDL_MOUSEBUTTONDOWN) {
    gMouseButtons |= flag;
    // Only classes that ask for double clicks get them; others see two clicks.
    bool asDouble = (window.windowClass->info.style & CS_DBLCLKS) && button.clicks >= 2 &&
                    button.clicks % 2 == 0;
    message = asDouble ? doubleClick : down;
  } else {
    gMouseButtons &= ~flag;
    message = up;
  }
  Queue(window, message, MouseFlags(), PackPoint(client));
}

}  // namespace

std::string Utf8FromCp1252(const char* text) {
  std::string out;
  for (const auto* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    uint32_t codePoint = *p;
    if (codePoint >= 0x80 && codePoint < 0xA0) codePoint = kCp1252High[codePoint - 0x80] ? kCp1252High[codePoint - 0x80] : 0xFFFD;
    if (codePoint < 0x80) {
      out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
      out += static_cast<char>(0xC0 | (codePoint >> 6));
      out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (codePoint >> 12));
      out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
  }
  return out;
}

int Cp1252FromCodePoint(uint32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<int>(codePoint);
  for (int i = 0; i < 32; i++)
    if (kCp1252High[i] == codePoint && codePoint != 0) return 0x80 + i;
  return -1;
}

void ResetInputState() {
  gMouseButtons = 0;
  gShiftDown = gControlDown = gAltDown = false;
}

void HandleSdlEvent(const SDL_Event& event) {
  if (event.type == WakeEventType()) {
    TakeWakeEvent();
    return;
  }
  Uint32 windowId;
  switch (event.type) {
    case SDL_MOUSEMOTION: windowId = event.motion.windowID; break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: windowId = event.button.windowID; break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: windowId = event.key.windowID; break;
    case SDL_TEXTINPUT: windowId = event.text.windowID; break;
    case SDL_WINDOWEVENT: windowId = event.window.windowID; break;
    default: return;
  }
  Window* window = FindWindowBySdlId(windowId);
  // Keys go to the focused window; SDL leaves the id 0 when it has none.
  if (!window && (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP || event.type == SDL_TEXTINPUT))
    window = ActiveWindow();
  if (!window) return;

  switch (event.type) {
    case SDL_MOUSEMOTION: {
      NotePointerOverBars(!OnPicture(*window, event.motion.x, event.motion.y));
      POINT client = WindowToClient(*window, event.motion.x, event.motion.y);
      NoteCursorInWindow(*window, client);
      // As on Windows, the window chooses the cursor before it sees the move.
      if (window->proc)
        window->proc(window->handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(window->handle()),
                     MAKELONG(HTCLIENT, WM_MOUSEMOVE));
      // The procedure may have destroyed the window meanwhile.
      if (FindWindowBySdlId(windowId) == window)
        Queue(*window, WM_MOUSEMOVE, MouseFlags(), PackPoint(client));
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: HandleMouseButton(*window, event.button); break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: HandleKey(*window, event.key); break;
    case SDL_TEXTINPUT: HandleText(*window, event.text.text); break;
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          // The close box: WM_SYSCOMMAND SC_CLOSE, which DefWindowProcA turns
          // into WM_CLOSE.
          if (window->proc) window->proc(window->handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
          break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          if (window->visible) SetActiveWindow(window);
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: NoteWindowResized(*window); break;
        case SDL_WINDOWEVENT_LEAVE: NotePointerOverBars(false); break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          if (ActiveWindow() == window) SetActiveWindow(nullptr);
          ResetInputState();
          break;
        default: break;
      }
      break;
    default: break;
  }
}

}  // namespace vsk::platform

using namespace vsk::platform;

LRESULT DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(hWnd); return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: return SendMessageA(hWnd, WM_CLOSE, 0, 0);
        case SC_MINIMIZE: ShowWindow(hWnd, SW_MINIMIZE); return 0;
        case SC_RESTORE: ShowWindow(hWnd, SW_RESTORE); return 0;
        default: return 0;
      }
    case WM_SETCURSOR:
      // In the client area the class cursor is shown.
      if (LOWORD(lParam) == HTCLIENT) {
        Window* window = FindWindowObject(hWnd);
        if (window && window->windowClass->info.hCursor) {
          SetCursor(window->windowClass->info.hCursor);
          return TRUE;
        }
      }
      return FALSE;
    default: return 0;
  }
}
