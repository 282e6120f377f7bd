// MessageBoxA: caption and text go to standard error; with a display an SDL
// message box asks the user, without one the default button is the answer.
// Tests answer through the hooks in platform/testing.h.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/testing.h"
#include "user32_message.h"
#include "user32_window.h"
#include "user32_window_state.h"

namespace vsk::platform {

namespace {

std::mutex gBoxesLock;
std::deque<int> gAnswers;                       // guarded by gBoxesLock
std::deque<testing::MessageBoxRecord> gShown;   // guarded by gBoxesLock

struct Button {
  int id;
  const char* label;
};

std::vector<Button> ButtonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, "Abort"}, {IDRETRY, "Retry"}, {IDIGNORE, "Ignore"}};
    case MB_YESNOCANCEL: return {{IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO: return {{IDYES, "Yes"}, {IDNO, "No"}};
    case MB_RETRYCANCEL: return {{IDRETRY, "Retry"}, {IDCANCEL, "Cancel"}};
    case MB_CANCELTRYCONTINUE: return {{IDCANCEL, "Cancel"}, {IDTRYAGAIN, "Try Again"}, {IDCONTINUE, "Continue"}};
    default: return {{IDOK, "OK"}};
  }
}

// A display to show a box on: a real video driver with a display to talk to.
bool DisplayExists() {
  if (VideoFailed()) return false;
  const char* driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : std::getenv("SDL_VIDEODRIVER");
  if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
                 std::strcmp(driver, "evdev") == 0))
    return false;
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace

namespace testing {

void QueueMessageBoxAnswer(int answer) {
  std::lock_guard<std::mutex> lock(gBoxesLock);
  gAnswers.push_back(answer);
}

bool TakeMessageBox(MessageBoxRecord* box) {
  std::lock_guard<std::mutex> lock(gBoxesLock);
  if (gShown.empty()) return false;
  if (box) *box = gShown.front();
  gShown.pop_front();
  return true;
}

void ResetMessageBoxes() {
  std::lock_guard<std::mutex> lock(gBoxesLock);
  gShown.clear();
  gAnswers.clear();
}

}  // namespace testing

}  // namespace vsk::platform

using namespace vsk::platform;

int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  SuspensionPoint();
  CurrentQueue();  // a thread that shows a box has a message queue, as on Windows
  const char* caption = lpCaption ? lpCaption : "Error";  // Windows' caption when none is given
  const char* text = lpText ? lpText : "";
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);

  std::vector<Button> buttons = ButtonsOf(uType);
  size_t defaultIndex = std::min<size_t>((uType & MB_DEFMASK) >> 8, buttons.size() - 1);
  {
    std::lock_guard<std::mutex> lock(gBoxesLock);
    gShown.push_back({caption, text, uType});
    if (!gAnswers.empty()) {
      int answer = gAnswers.front();
      gAnswers.pop_front();
      return answer;
    }
  }
  if (!DisplayExists()) return buttons[defaultIndex].id;

  std::vector<SDL_MessageBoxButtonData> sdlButtons;
  int cancelId = -1;
  for (size_t i = 0; i < buttons.size(); i++) {
    Uint32 flags = 0;
    if (i == defaultIndex) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    if (buttons[i].id == IDCANCEL || buttons[i].id == IDNO) {
      if (cancelId < 0 || buttons[i].id == IDCANCEL) cancelId = buttons[i].id;
    }
    sdlButtons.push_back({flags, buttons[i].id, buttons[i].label});
  }
  for (auto& button : sdlButtons)
    if (button.buttonid == cancelId) button.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;

  Uint32 icon = SDL_MESSAGEBOX_INFORMATION;
  switch (uType & MB_ICONMASK) {
    case MB_ICONHAND: icon = SDL_MESSAGEBOX_ERROR; break;
    case MB_ICONEXCLAMATION: icon = SDL_MESSAGEBOX_WARNING; break;
    default: break;
  }
  std::string utf8Caption = Utf8FromCp1252(caption);
  std::string utf8Text = Utf8FromCp1252(text);
  SDL_MessageBoxData box{};
  box.flags = icon;
  box.window = IsWindowThread() ? SdlWindowOf(hWnd) : nullptr;
  box.title = utf8Caption.c_str();
  box.message = utf8Text.c_str();
  box.numbuttons = static_cast<int>(sdlButtons.size());
  box.buttons = sdlButtons.data();
  int chosen = -1;
  if (SDL_ShowMessageBox(&box, &chosen) != 0) return buttons[defaultIndex].id;
  if (chosen >= 0) return chosen;
  // Closing the box answers Cancel where there is one, OK for a lone OK.
  if (cancelId == IDCANCEL) return IDCANCEL;
  return buttons.size() == 1 ? buttons[0].id : buttons[defaultIndex].id;
}
