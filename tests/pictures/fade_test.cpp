// Palette fades: the 32 visible steps of a fade-in and a fade-out, what they show, and one fade thread at a time.
#include "pictures/fade.h"

#include "pictures/pictures_test.h"

namespace vsk {
namespace {

using namespace test;
using Palette = std::array<ColorEntry, 256>;
using Levels = std::vector<int>;

// Plays the OpenGL presenter for a fade: waits for each self-suspension, keeps GLColors as that step showed them, and
// resumes the thread, until 32 steps were seen or the thread has ended.
std::vector<Palette> DriveOpenGLFade(HANDLE fade) {
  std::vector<Palette> seen;
  for (auto deadline = std::chrono::steady_clock::now() + 20s;
       seen.size() < 32 && std::chrono::steady_clock::now() < deadline;) {
    // A look without letting it go: a count of 1 found means it stopped itself.
    const DWORD previous = SuspendThread(fade);
    if (previous == static_cast<DWORD>(-1)) break;  // it has ended
    if (previous == 1) {
      seen.emplace_back();
      std::copy(std::begin(GLColors), std::end(GLColors), seen.back().begin());
      ResumeThread(fade);
    }
    ResumeThread(fade);
    if (previous == 0) std::this_thread::sleep_for(100us);
  }
  return seen;
}

class DirectDrawFadeTest : public ScreenModeTest {
 protected:
  int32_t Presenter() const override { return kPresenterDirectDraw; }
};

// DirectDraw shows a fade only in whole steps, one per refresh.
TEST_F(DirectDrawFadeTest, ShowsOnlyWholeFadeSteps) {
  ScreenColors[200] = {255, 255, 255, 0};
  FadeIn();
  HANDLE fade = FadeThreadHandle.load();
  // Entry 200 (white) tells the step: after step k it shows 8k - 1.
  std::vector<int> seen;
  while (WaitForSingleObject(fade, 0) == WAIT_TIMEOUT) {
    const Palette shown = DisplayPalette();
    const int level = 256 - (shown[200].red + 1);
    if (shown[200].red != 0 && (seen.empty() || seen.back() != level)) {
      EXPECT_EQ((shown[200].red + 1) % 8, 0) << "not a visible step: " << int(shown[200].red);
      seen.push_back(level);
    }
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_LE(seen.size(), 32u);
  EXPECT_GE(seen.size(), 16u);  // the steps come one per refresh, slow enough to see most
  EXPECT_EQ(Rgb(DisplayPalette()[200]), (Levels{255, 255, 255}));
}

// A fade started while another runs waits until the first has ended; each
// fade shows 32 steps, asks for a full-screen update at each, and ends itself.
TEST(FadeThreads, ASecondFadeWaitsForTheFirst) {
  SetUpScreen(kPresenterOpenGL);
  ScreenColors[5] = {100, 50, 10, 0};
  ScreenColors[6] = {101, 0, 0, 0};
  ScreenColors[200] = {255, 255, 255, 0};
  ScreenColors[201] = {3, 8, 0, 0};
  Palette target;
  std::copy(std::begin(ScreenColors), std::end(ScreenColors), target.begin());
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
  const std::vector<Palette> in = DriveOpenGLFade(first);
  ASSERT_EQ(in.size(), 32u);
  second.join();
  EXPECT_TRUE(started.load());
  HANDLE next = FadeThreadHandle.load();
  const std::vector<Palette> out = DriveOpenGLFade(next);
  ASSERT_EQ(out.size(), 32u);
  EXPECT_EQ(WaitForSingleObject(next, 20000), WAIT_OBJECT_0) << "no 33rd stop";
  // Fading in, components up to 100 stay black 19 steps; after step k one
  // shows max(0, target - (256 - 8k)). Fading out, darker ones go black first.
  EXPECT_EQ((Levels{in[18][5].red, in[18][5].green, in[19][5].red, in[19][6].red, in[0][200].red,
                    in[30][201].green, in[31][201].green, in[31][5].blue, out[0][5].red, out[0][201].green,
                    out[30][200].red}),
            (Levels{0, 0, 4, 5, 7, 0, 8, 10, 92, 0, 7}));
  const Palette shown = DisplayPalette();
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(Rgb(in[31][i]), Rgb(target[i])) << i;
    EXPECT_EQ(Rgb(shown[i]), Rgb(ColorEntry{})) << i;
  }
  EXPECT_EQ(Rgb(ScreenColors[5]), Rgb(ColorEntry{})) << "the fade-out leaves the table black";
  EXPECT_EQ(TakeUpdates(), std::vector<UpdateRect>(64, UpdateRect{0, 0, 640, 480}));
  TearDownScreen();
}

}  // namespace
}  // namespace vsk
