// A modal box (the text box, the list requester) on the demo directory's
// pictures and fonts, in both presenter modes, run on a thread of its own:
// the box waits on that thread's message queue, the test posts to it as the
// presenter's window procedure would, and looks at the screen while the box
// waits. The screen is filled with a pattern first, so that what the box
// puts back can be compared.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "support/screen_fixture.h"

namespace vsk::test {

// Every pixel of the screen, read in one go (the screen area saver locks a
// DirectDraw surface once).
std::vector<uint8_t> WholeScreen();

class ModalBoxTest : public ScreenModeTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Called on tear-down while a box is still open: post what closes it.
  virtual void CloseStillOpen() {}

  // Runs `box` on the worker thread; its result lands in result_.
  void StartModal(std::function<int32_t()> box);
  void Post(UINT message, WPARAM wParam, LPARAM lParam);
  void Tick() { Post(WM_TIMER, 3, 0); }
  void Press(int x, int y);
  void Release(int x, int y);
  void Click(int x, int y) {
    Press(x, y);
    Release(x, y);
  }
  // Waits until the box has taken everything posted so far: two plain
  // moves, to (x + 3, y) and then (x + 2, y), each seen in the pointer
  // position before the next is posted. The scripts only ever post the
  // points themselves, never these two, so neither can be seen early; both
  // must lie on what is held.
  void Sync(int x, int y);
  bool Open() const { return WaitForSingleObject(worker_, 0) == static_cast<DWORD>(WAIT_TIMEOUT); }
  // Waits for the box to end (10 s at most); false if it did not.
  bool WaitClosed();
  // The screen as it was before the box, and every block given back.
  void ExpectScreenAsBefore();
  // The offset of the game's screen in the OpenGL window (0 in DirectDraw).
  static int InX();
  static int InY();

  HANDLE worker_ = nullptr;
  std::atomic<DWORD> workerId_{0};
  std::function<int32_t()> box_;
  int32_t result_ = -1;
  std::vector<uint8_t> before_;
  int64_t base_ = 0;
  int32_t windowWidth_ = 0, windowHeight_ = 0;
};

// A point of the window as a mouse message carries it.
inline LPARAM At(int x, int y) {
  return static_cast<LPARAM>((static_cast<uint32_t>(y) << 16) | static_cast<uint16_t>(x));
}

}  // namespace vsk::test
