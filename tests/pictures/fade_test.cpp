// Palette fades: the 32 visible steps of a fade-in and what they show, the
// fade-out's black table, and one fade thread at a time. In OpenGL mode the
// test plays the presenter and resumes the fade thread after each step.
#include "pictures/fade.h"

#include <windows.h>
#include <ddraw.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/dd_objects.h"
#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "support/display_colors.h"
#include "support/screen_fixture.h"

namespace vsk {
namespace {

using namespace std::chrono_literals;
using Palette = std::array<ColorEntry, 256>;

// Plays the OpenGL presenter for a fade: waits for each self-suspension,
// keeps GLColors as that step showed them, and resumes the thread, until
// `steps` steps were seen or the thread has ended.
std::vector<Palette> DriveOpenGLFade(HANDLE fade, size_t steps = 32) {
  std::vector<Palette> seen;
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (seen.size() < steps && std::chrono::steady_clock::now() < deadline) {
    // A look without letting it go: a count of 1 found means it stopped itself.
    const DWORD previous = SuspendThread(fade);
    if (previous == static_cast<DWORD>(-1)) break;  // it has ended
    if (previous == 1) {
      Palette shown;
      std::copy(std::begin(GLColors), std::end(GLColors), shown.begin());
      seen.push_back(shown);
      ResumeThread(fade);
    }
    ResumeThread(fade);
    if (previous == 0) std::this_thread::sleep_for(100us);
  }
  return seen;
}

bool IsBlack(const ColorEntry& entry) { return test::RgbOf(entry) == test::Rgb{0, 0, 0}; }

class FadeTest : public test::ScreenModeTest {
 protected:
  void SetUp() override {
    ScreenModeTest::SetUp();
    ScreenColors[5] = {100, 50, 10, 0};
    ScreenColors[6] = {101, 0, 0, 0};
    ScreenColors[200] = {255, 255, 255, 0};
    ScreenColors[201] = {3, 8, 0, 0};
  }

  // Runs the current fade to its end; the steps seen (OpenGL mode only).
  std::vector<Palette> Finish() {
    HANDLE fade = FadeThreadHandle.load();
    std::vector<Palette> steps;
    if (!DirectDraw()) steps = DriveOpenGLFade(fade);
    // No 33rd stop: the thread ends by itself.
    EXPECT_EQ(WaitForSingleObject(fade, 20000), WAIT_OBJECT_0);
    return steps;
  }

  Palette DisplayPalette() {
    Palette shown{};
    if (DirectDraw())
      EXPECT_EQ(DDPalette->GetEntries(0, 0, 256, reinterpret_cast<LPPALETTEENTRY>(shown.data())), DD_OK);
    else
      std::copy(std::begin(GLColors), std::end(GLColors), shown.begin());
    return shown;
  }
};

TEST_P(FadeTest, FadeInReachesTheTargetAtTheLastOfThirtyTwoSteps) {
  const auto start = std::chrono::steady_clock::now();
  FadeIn();
  std::vector<Palette> steps = Finish();
  const Palette shown = DisplayPalette();
  for (int i = 0; i < 256; ++i) EXPECT_EQ(test::RgbOf(shown[i]), test::RgbOf(ScreenColors[i])) << i;
  EXPECT_EQ(ScreenColors[5].red, 100);  // the fade-in leaves the table alone
  if (DirectDraw()) {
    // 32 waits for the vertical blank at 60 Hz.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 450ms);
    return;
  }
  ASSERT_EQ(steps.size(), 32u);
  // Components up to 100 stay black for 19 steps; after step k a component
  // shows max(0, target - (256 - 8k)).
  EXPECT_TRUE(IsBlack(steps[18][5]));
  EXPECT_EQ((std::vector<int>{steps[19][5].red, steps[19][6].red, steps[0][200].red, steps[30][201].green,
                              steps[31][201].green, steps[31][5].blue}),
            (std::vector<int>{4, 5, 7, 0, 8, 10}));
  // Each visible step asked for a full-screen update.
  EXPECT_EQ(test::TakeUpdates(), std::vector<test::UpdateRect>(32, test::UpdateRect{0, 0, 640, 480}));
}

class DirectDrawFadeTest : public FadeTest {
 protected:
  int32_t Presenter() const override { return kPresenterDirectDraw; }
};

TEST_F(DirectDrawFadeTest, ShowsOnlyWholeFadeSteps) {
  FadeIn();
  HANDLE fade = FadeThreadHandle.load();
  // Entry 200 (white) tells the step: after step k it shows 8k - 1.
  std::vector<int> seen;
  while (WaitForSingleObject(fade, 0) == WAIT_TIMEOUT) {
    const Palette shown = DisplayPalette();
    const int level = 256 - (shown[200].red + 1);
    if (shown[200].red != 0 && (seen.empty() || seen.back() != level)) {
      EXPECT_EQ((shown[200].red + 1) % 8, 0) << "not a visible step: " << int(shown[200].red);
      EXPECT_EQ(shown[5].red, std::max(0, 100 - level));
      EXPECT_EQ(shown[201].green, std::max(0, 8 - level));
      seen.push_back(level);
    }
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_LE(seen.size(), 32u);
  EXPECT_GE(seen.size(), 16u);  // the steps come one per refresh, slow enough to see most
}

TEST_P(FadeTest, FadeOutLeavesScreenColorsBlack) {
  FadeOut();
  std::vector<Palette> steps = Finish();
  for (const ColorEntry& entry : ScreenColors) EXPECT_TRUE(IsBlack(entry));
  const Palette shown = DisplayPalette();
  EXPECT_TRUE(IsBlack(shown[200]));
  if (DirectDraw()) return;
  ASSERT_EQ(steps.size(), 32u);
  // Darker colours reach black first.
  EXPECT_EQ((std::vector<int>{steps[0][5].red, steps[30][200].red}), (std::vector<int>{92, 7}));
  EXPECT_TRUE(IsBlack(steps[0][201]));
}

TEST(FadeThreads, ASecondFadeWaitsForTheFirst) {
  test::SetUpScreen(kPresenterOpenGL);
  ScreenColors[1] = {80, 80, 80, 0};
  FadeIn();
  HANDLE first = FadeThreadHandle.load();
  // The first fade stands at its first visible step until resumed.
  std::atomic<bool> started{false};
  std::thread second([&] {
    FadeOut();
    started = true;
  });
  std::this_thread::sleep_for(150ms);
  EXPECT_FALSE(started.load());
  EXPECT_EQ(FadeThreadHandle.load(), first);
  // The last resume lets the first fade end; FadeOut then closes its handle.
  EXPECT_EQ(DriveOpenGLFade(first).size(), 32u);
  second.join();
  EXPECT_TRUE(started.load());
  HANDLE next = FadeThreadHandle.load();
  EXPECT_EQ(DriveOpenGLFade(next).size(), 32u);
  EXPECT_EQ(WaitForSingleObject(next, 20000), WAIT_OBJECT_0);
  EXPECT_EQ(ScreenColors[1].red, 0);
  test::TearDownScreen();
}

INSTANTIATE_TEST_SUITE_P(Presenters, FadeTest, test::AllPresenters(), test::PresenterName);

}  // namespace
}  // namespace vsk
