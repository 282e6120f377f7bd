#include "support/modal_box.h"

#include <string>

#include "core/presenter_state.h"
#include "gfx/rastport.h"
#include "gfx/screen_update.h"
#include "pictures/screen_clip.h"
#include "services/memory_faults.h"
#include "support/eventually.h"
#include "vsk-data/demo.h"

namespace vsk::test {

std::vector<uint8_t> WholeScreen() {
  BitMap* copy = ScreenSaveClip(0, 0, kScreenWidth, kScreenHeight);
  if (!copy) {
    ADD_FAILURE() << "the screen could not be read";
    return {};
  }
  std::vector<uint8_t> pixels(copy->Pixels, copy->Pixels + kScreenWidth * kScreenHeight);
  FreeBitMap(copy);
  return pixels;
}

void ModalBoxTest::SetUp() {
  ScreenModeTest::SetUp();
  std::string error;
  ASSERT_TRUE(data::WriteDemo(root_, nullptr, &error)) << error;
  // Window and screen the same size: no centring offset in OpenGL mode.
  windowWidth_ = WindowWidth;
  windowHeight_ = WindowHeight;
  WindowWidth = kScreenWidth;
  WindowHeight = kScreenHeight;
  // A screen with something on it to put back.
  SetAPen(ScreenRp(), 3);
  RectFill(ScreenRp(), 0, 0, 639, 479);
  for (uint16_t i = 0; i < 48; ++i) {
    SetAPen(ScreenRp(), static_cast<uint8_t>(40 + i));
    RectFill(ScreenRp(), static_cast<uint16_t>(i * 12), static_cast<uint16_t>(i * 10),
             static_cast<uint16_t>(i * 12 + 30), static_cast<uint16_t>(i * 10 + 5));
  }
  before_ = WholeScreen();
  base_ = LiveAllocVecBlocks();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

void ModalBoxTest::TearDown() {
  if (worker_) {
    // A box still open is closed, so the thread can end.
    CloseStillOpen();
    EXPECT_EQ(WaitForSingleObject(worker_, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(worker_);
  }
  WindowWidth = windowWidth_;
  WindowHeight = windowHeight_;
  ScreenModeTest::TearDown();
}

void ModalBoxTest::StartModal(std::function<int32_t()> box) {
  box_ = std::move(box);
  workerId_ = 0;
  worker_ = CreateThread(
      nullptr, 0,
      [](LPVOID self) -> DWORD {
        auto* test = static_cast<ModalBoxTest*>(self);
        MSG msg;
        PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue
        test->workerId_ = GetCurrentThreadId();
        test->result_ = test->box_();
        return 0;
      },
      this, 0, nullptr);
  ASSERT_NE(worker_, nullptr);
  ASSERT_TRUE(Eventually([&] { return workerId_.load() != 0; }));
}

void ModalBoxTest::Post(UINT message, WPARAM wParam, LPARAM lParam) {
  const DWORD to = worker_ ? workerId_.load() : GetCurrentThreadId();
  ASSERT_TRUE(PostThreadMessageA(to, message, wParam, lParam));
}

void ModalBoxTest::Press(int x, int y) {
  Post(WM_MOUSEMOVE, 0, At(x, y));
  Post(WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
}

void ModalBoxTest::Release(int x, int y) { Post(WM_LBUTTONUP, 0, At(x, y)); }

void ModalBoxTest::Sync(int x, int y) {
  Post(WM_MOUSEMOVE, 0, At(x + 3, y));
  ASSERT_TRUE(Eventually([&] { return PointerX.load() == x + 3 && PointerY.load() == y; }));
  Post(WM_MOUSEMOVE, 0, At(x + 2, y));
  ASSERT_TRUE(Eventually([&] { return PointerX.load() == x + 2 && PointerY.load() == y; }));
}

bool ModalBoxTest::WaitClosed() {
  if (WaitForSingleObject(worker_, 10000) != static_cast<DWORD>(WAIT_OBJECT_0)) return false;
  CloseHandle(worker_);
  worker_ = nullptr;
  return true;
}

void ModalBoxTest::ExpectScreenAsBefore() {
  const std::vector<uint8_t> now = WholeScreen();
  ASSERT_EQ(now.size(), before_.size());
  size_t differ = 0;
  for (size_t i = 0; i < now.size(); ++i) differ += now[i] != before_[i];
  EXPECT_EQ(differ, 0u) << "pixels changed";
  EXPECT_EQ(LiveAllocVecBlocks(), base_) << "a block was not given back";
}

int ModalBoxTest::InX() { return PresenterChoice == kPresenterOpenGL ? WindowWidth / 2 - 320 : 0; }
int ModalBoxTest::InY() { return PresenterChoice == kPresenterOpenGL ? WindowHeight / 2 - 240 : 0; }

}  // namespace vsk::test
