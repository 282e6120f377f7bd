// The whole client run in this process on a fresh demo directory: WinMain in
// the presenter the test parameter names ("" DirectDraw, "-gl" OpenGL), a
// second thread playing the player through the input hooks, the log of the
// run, and what the display shows.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "startup/entry.h"
#include "support/gamedir.h"

namespace vsk::test {

// The game's 640 x 480 screen as the display shows it, as RGB bytes: the
// DirectDraw primary surface through its palette, or the middle of the
// last presented OpenGL frame. False while there is none.
bool ShownScreen(std::vector<uint8_t>* rgb);
// Whether that shows a picture (mostly not black).
bool DisplayShowsAPicture();

// Writes the demo into the game directory root and clears the records a
// previous client run left: the machine report, the system context, the
// player. False, with the reason in error, when the demo cannot be written.
bool WriteDemoOnFreshRecords(const std::string& root, std::string* error);

// Input at a point of the game's screen (moved into the OpenGL window's
// client area), pointer moved there first.
void RightClick();
void MoveTo(int x, int y);
void LeftClickAt(int x, int y);
void LeftPressAt(int x, int y);
void LeftReleaseAt(int x, int y);

// The presenter parameter's name as the test name suffix.
std::string PresenterParamName(const ::testing::TestParamInfo<const char*>& info);

class ClientRunTest : public GameDirTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs the client. A second thread waits (up to pictureWait_) for the
  // first picture, does `actions`, and then does `untilEnd` (by default a
  // right-click) every 300 ms until the client has ended. A right-click ends
  // the title screen but not a text box, which only its close button shuts.
  int Run(std::function<void()> actions = {}, std::function<void()> untilEnd = {});
  // The log begins with the version line and ends with the end line, and
  // the window is gone.
  void ExpectOrderlyEnd();
  // The message boxes shown, "caption: text" a line.
  static std::string Boxes();
  bool OpenGL() const { return GetParam()[0] != '\0'; }

  ScreenTable saved_ = Screens;
  std::atomic<bool> ended_{false};
  std::atomic<bool> shown_{false};
  std::chrono::milliseconds pictureWait_{std::chrono::seconds(30)};
  std::string log_;
};

// Byte of the general preferences file (data/prefs.vsk) that is 1 while
// the client runs.
constexpr size_t kRunningFlagOffset = 228;

}  // namespace vsk::test
