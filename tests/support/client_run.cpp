#include "support/client_run.h"

#include <thread>

#include "core/context.h"
#include "core/presenter_state.h"
#include "platform/testing.h"
#include "startup/report.h"
#include "support/eventually.h"
#include "support/log.h"
#include "vsk-data/demo.h"

namespace vsk::test {

namespace hooks = platform::testing;
using namespace std::chrono_literals;

namespace {

// The game's screen in the window's client area.
int OffsetX() { return PresenterChoice == kPresenterOpenGL ? WindowWidth / 2 - 320 : 0; }
int OffsetY() { return PresenterChoice == kPresenterOpenGL ? WindowHeight / 2 - 240 : 0; }

}  // namespace

bool ShownScreen(std::vector<uint8_t>* rgb) {
  rgb->assign(640 * 480 * 3, 0);
  if (PresenterChoice == kPresenterDirectDraw) {
    std::vector<uint8_t> pixels(640 * 480), palette(1024);
    if (!hooks::PrimarySurfacePixels(pixels.data()) || !hooks::PrimarySurfacePalette(palette.data())) return false;
    for (size_t i = 0; i < pixels.size(); ++i)
      for (int c = 0; c < 3; ++c) (*rgb)[3 * i + c] = palette[4 * pixels[i] + c];
    return true;
  }
  int width = 0, height = 0;
  const size_t need = hooks::LastGLFrame(&width, &height, nullptr, 0);
  if (!need) return false;
  std::vector<uint8_t> frame(need);
  hooks::LastGLFrame(&width, &height, frame.data(), frame.size());
  if (width < 640 || height < 480) return false;
  // The game's screen sits in the middle of the frame (top row first).
  const int left = (width - 640) / 2, top = (height - 480) / 2;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const uint8_t* p = &frame[(static_cast<size_t>(top + y) * width + left + x) * 3];
      for (int c = 0; c < 3; ++c) (*rgb)[(static_cast<size_t>(y) * 640 + x) * 3 + c] = p[c];
    }
  return true;
}

bool DisplayShowsAPicture() {
  std::vector<uint8_t> rgb;
  if (!ShownScreen(&rgb)) return false;
  size_t lit = 0;
  for (size_t i = 0; i < rgb.size(); i += 3) lit += rgb[i] + rgb[i + 1] + rgb[i + 2] > 48;
  return lit > 640 * 480 / 2;
}

void RightClick() {
  hooks::PushMouseButton(3, true, OffsetX() + 320, OffsetY() + 240);
  hooks::PushMouseButton(3, false, OffsetX() + 320, OffsetY() + 240);
}

void MoveTo(int x, int y) { hooks::PushMouseMove(OffsetX() + x, OffsetY() + y); }

void LeftPressAt(int x, int y) {
  hooks::PushMouseMove(OffsetX() + x, OffsetY() + y);
  hooks::PushMouseButton(1, true, OffsetX() + x, OffsetY() + y);
}

void LeftReleaseAt(int x, int y) {
  hooks::PushMouseMove(OffsetX() + x, OffsetY() + y);
  hooks::PushMouseButton(1, false, OffsetX() + x, OffsetY() + y);
}

void LeftClickAt(int x, int y) {
  LeftPressAt(x, y);
  LeftReleaseAt(x, y);
}

std::string PresenterParamName(const ::testing::TestParamInfo<const char*>& info) {
  return info.param[0] ? "OpenGL" : "DirectDraw";
}

bool WriteDemoOnFreshRecords(const std::string& root, std::string* error) {
  if (!data::WriteDemo(root, nullptr, error)) return false;
  FreeSystemReport();  // the device lists of the machine report
  System = SystemContext{};
  Player = PlayerRecord{};
  return true;
}

void ClientRunTest::SetUp() {
  GameDirTest::SetUp();
  std::string error;
  ASSERT_TRUE(WriteDemoOnFreshRecords(root_, &error)) << error;
  hooks::CaptureGLFrames(true);
}

void ClientRunTest::TearDown() {
  Screens = saved_;
  FreeSystemReport();
  hooks::CaptureGLFrames(false);
  hooks::FailAudioDevice(false);
  hooks::FailDisplayModeChanges(false);
  hooks::ResetMessageBoxes();
  PresenterChoice = kPresenterDirectDraw;
  FullScreen = 0;
  GameDirTest::TearDown();
}

int ClientRunTest::Run(std::function<void()> actions, std::function<void()> untilEnd) {
  ended_ = false;
  shown_ = false;
  if (!untilEnd) untilEnd = RightClick;
  std::thread player([&] {
    shown_ = Eventually([this] { return ended_ || (WindowHandle != nullptr && DisplayShowsAPicture()); }, pictureWait_) &&
             !ended_;
    if (shown_ && actions) actions();
    while (!ended_) {
      untilEnd();
      std::this_thread::sleep_for(300ms);
    }
  });
  std::string command = GetParam();
  LogCapture log;
  const int result = WinMain(GetModuleHandleA(nullptr), nullptr, command.data(), SW_SHOWNORMAL);
  log_ = log.Take();
  ended_ = true;
  player.join();
  return result;
}

void ClientRunTest::ExpectOrderlyEnd() {
  EXPECT_EQ(log_.rfind("$VER: VsK-Client 3D V0.03Beta (04.06.2005)\n\n", 0), 0u) << log_;
  const std::string end = "\nVeskaria END \n";
  ASSERT_GE(log_.size(), end.size());
  EXPECT_EQ(log_.substr(log_.size() - end.size()), end) << log_;
  EXPECT_EQ(WindowHandle, nullptr);
}

std::string ClientRunTest::Boxes() {
  std::string all;
  hooks::MessageBoxRecord box;
  while (hooks::TakeMessageBox(&box)) all += box.caption + ": " + box.text + "\n";
  return all;
}

}  // namespace vsk::test
