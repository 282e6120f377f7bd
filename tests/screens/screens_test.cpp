// The title and residence screens in the whole client, in both presenters:
// title → right-click → residence with its text box (text 622, built-in or
// the German catalog's), closed → colours cycling in 139..155 →
// right-click → orderly end; a recorded run replayed; a soak of window
// activations during fades and cycling; and the run again with its n-th
// AllocVec failing (a watchdog aborts a hang): each ends in order, logs the
// failure and gives back every block. ctest tries the start-up's first 8, the
// residence's first 8 and 4 spread over the run; every n with
// VSK_ALLOC_SWEEP=all (about 6 and 16 minutes).
#include "screens/screens.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/context.h"
#include "core/presenter_state.h"
#include "gfx/bitmap.h"
#include "gfx/font.h"
#include "pictures/replay.h"
#include "pictures/screendata.h"
#include "platform/testing.h"
#include "services/memory_faults.h"
#include "startup/outcome.h"
#include "startup/report.h"
#include "support/client_run.h"
#include "support/eventually.h"
#include "ui/text_box.h"
#include "vsk-data/demo.h"

namespace vsk {
namespace {

namespace hooks = platform::testing;
using namespace std::chrono_literals;

// The text box's text window on the screen; the pointer parked outside it
// while the text is read off the screen, so that it hides no letter.
constexpr int kTextX = 101, kTextY = 88, kTextWidth = 417, kTextHeight = 305;
constexpr int kParkX = 620, kParkY = 460;

// The text window as shown, in RGB.
std::vector<uint8_t> TextArea() {
  std::vector<uint8_t> rgb, area;
  test::ShownScreen(&rgb);
  for (int row = kTextY; row < kTextY + kTextHeight; ++row)
    area.insert(area.end(), rgb.begin() + (row * 640 + kTextX) * 3, rgb.begin() + (row * 640 + kTextX + kTextWidth) * 3);
  return area;
}

// Registers 139..155 of the screen's colour table.
std::vector<uint8_t> CyclingColours() {
  std::vector<uint8_t> colours;
  for (int i = 139; i <= 155; ++i)
    colours.insert(colours.end(), {ScreenColors[i].red, ScreenColors[i].green, ScreenColors[i].blue});
  return colours;
}

// The text window's first band as the box draws it (pen 7 on 16), through
// the colours; drawn into a hand-made bitmap so the running client is untouched.
std::vector<uint8_t> ExpectedTextArea(const std::string& text, const std::vector<ColorEntry>& colours) {
  std::vector<uint8_t> pixels(size_t{kTextWidth} * 4000, 0), rgb;
  BitMap bitmap{};
  bitmap.BytesPerRow = kTextWidth;
  bitmap.Rows = 4000;
  bitmap.Depth = 8;
  bitmap.Pixels = pixels.data();
  RastPort rp;
  InitRastPort(&rp);
  rp.BitMap = &bitmap;
  TextFont* font = OpenDiskFont("fonts/xhelvetica11.fnt");
  if (!font) return rgb;
  SetFont(&rp, font);
  SetDrMd(&rp, JAM1);
  SetAPen(&rp, 16);
  RectFill(&rp, 0, 0, kTextWidth - 1, kTextHeight - 1);
  SetAPen(&rp, 7);
  DrawWrappedText(&rp, text.c_str(), 0, 0, kNoLimit, kNoLimit, kTextWidth);
  for (int i = 0; i < kTextWidth * kTextHeight; ++i)
    rgb.insert(rgb.end(), {colours[pixels[i]].red, colours[pixels[i]].green, colours[pixels[i]].blue});
  CloseFont(font);
  return rgb;
}

// A log without the figures that differ between two runs on one machine:
// the measured processor speed, free memory and block addresses.
std::string WithoutMachineFigures(const std::string& log) {
  std::string kept, line;
  for (char c : log) {
    line += c;
    if (c != '\n') continue;
    const bool figures = line.find("MHz") != std::string::npos || line.find("Address") != std::string::npos ||
                         line.find("Speicher") != std::string::npos;
    kept += figures ? "(figures)\n" : line;
    line.clear();
  }
  return kept + line;
}

class ScreensTest : public test::ClientRunTest {};

// Waits until the text window holds still and differs from `before`.
bool SettlesAwayFrom(const std::vector<uint8_t>& before) {
  std::vector<uint8_t> last;
  return test::Eventually(
      [&] {
        std::vector<uint8_t> now = TextArea();
        const bool still = now == last && now != before;
        last = std::move(now);
        if (!still) std::this_thread::sleep_for(200ms);
        return still;
      },
      15s);
}

// What the player thread saw, for the checks after the run.
struct Seen {
  bool boxShown = false, ambience = false;
  std::vector<uint8_t> textArea;     // the first band, as shown
  std::vector<ColorEntry> colours;   // the screen's colours then
  std::string text622;               // what the string table said then
};

// Waits (up to 15 s: the fade-in comes first) until the text box shows
// text 622 as the string table has it now, and keeps what it saw.
bool ShowsText622(Seen* seen) {
  seen->text622 = GetDefaultString(622);
  return test::Eventually(
      [&] {
        seen->colours.assign(ScreenColors, ScreenColors + 256);
        seen->textArea = TextArea();
        return seen->textArea == ExpectedTextArea(seen->text622, seen->colours);
      },
      15s);
}

// A run through title, text box, residence and end, recorded and replayed
// in a fresh game directory: the same screen at every input, the same log.
TEST_P(ScreensTest, ARecordedRunReplaysToTheSameScreensAndLog) {
  const std::string recording = root_ + ".rec";
  std::string error;
  ASSERT_TRUE(StartInputRecording(recording.c_str(), &error)) << error;
  bool closed = false;
  EXPECT_EQ(Run([&] {
              test::RightClick();
              test::MoveTo(kParkX, kParkY);
              Seen seen;
              if (!ShowsText622(&seen)) return;
              test::LeftClickAt(535, 380);
              closed = test::Eventually([&] { return TextArea() != seen.textArea; }, 5s);
            }),
            0);
  StopInputRecordingOrReplay();
  ASSERT_TRUE(closed) << log_;
  const std::string recorded = log_;
  const std::vector<uint8_t> town = test::ReadBytes("data/Cities/NewTown.vsk");

  for (const auto& entry : std::filesystem::directory_iterator(root_)) std::filesystem::remove_all(entry);
  ASSERT_TRUE(data::WriteDemo(root_, nullptr, &error)) << error;
  FreeSystemReport();
  System = SystemContext{};
  Player = PlayerRecord{};
  ASSERT_TRUE(StartInputReplay(recording.c_str(), &error)) << error;
  ::testing::internal::CaptureStderr();
  // Only a replay that has gone wrong needs the player's click to end.
  const auto giveUp = std::chrono::steady_clock::now() + 60s;
  EXPECT_EQ(Run({}, [&] { if (std::chrono::steady_clock::now() > giveUp) test::RightClick(); }), 0);
  StopInputRecordingOrReplay();
  const std::string said = ::testing::internal::GetCapturedStderr();
  std::remove(recording.c_str());
  EXPECT_NE(said.find("every screen as recorded"), std::string::npos) << said;
  EXPECT_EQ(WithoutMachineFigures(log_), WithoutMachineFigures(recorded));
  EXPECT_EQ(test::ReadBytes("data/Cities/NewTown.vsk"), town) << "the recorded seed made the same town";
  ExpectOrderlyEnd();
}

// Text 622 from the German catalog (the only run that loads one); the
// built-in text is back after the end.
TEST_P(ScreensTest, TheGermanCatalogsText622InTheBox) {
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  Seen seen;
  EXPECT_EQ(Run([&] {
              hooks::StartMixerCapture();
              test::RightClick();
              test::MoveTo(kParkX, kParkY);
              seen.boxShown = ShowsText622(&seen);
              const hooks::MixerCapture sound = hooks::TakeMixerCapture();
              seen.ambience = std::any_of(sound.samples.begin(), sound.samples.end(),
                                          [](int16_t s) { return s > 1000 || s < -1000; });
              hooks::StopMixerCapture();
            },
            [] {
              test::LeftClickAt(535, 380);
              test::RightClick();
            }),
            0);
  unsetenv("LC_ALL");
  ASSERT_TRUE(seen.boxShown) << "the box shows the catalog's text 622, wrapped\n" << log_;
  EXPECT_EQ(seen.text622.rfind("Willkommen in Eurer Residenz", 0), 0u) << seen.text622;
  EXPECT_NE(seen.text622, GetDefaultString(622));
  EXPECT_TRUE(seen.ambience) << "sound 48 plays";
  ExpectOrderlyEnd();
  EXPECT_EQ(hooks::LiveDirectSoundObjects(), 0);
}

// The residence's files missing but its picture (without which the picture
// loader ends the process): each loader fails and says so, each teardown
// call takes what its loader gave, and the client still ends in order.
TEST_P(ScreensTest, TheResidenceWithoutItsFilesStillEndsInOrder) {
  for (const char* file : {"data/pics/resid23.chk", "fonts/kadunc1.fnt",
                           "data/screendat/residenz0.dat", "data/sfx/residenz.raw"})
    ASSERT_EQ(std::remove(file), 0) << file;
  EXPECT_EQ(Run({}, [] {
              test::LeftClickAt(535, 380);
              test::RightClick();
            }),
            0);
  EXPECT_TRUE(shown_.load()) << "the title still shows\n" << log_;
  ExpectOrderlyEnd();
  EXPECT_NE(log_.find("residenz0.dat"), std::string::npos) << log_;
  EXPECT_NE(log_.find("resid23.chk"), std::string::npos) << log_;
  EXPECT_EQ(hooks::LiveDirectSoundObjects(), 0);
}

TEST_P(ScreensTest, TwoHundredActivationsDuringFadesAndCycling) {
  std::atomic<int> toggles{0};
  auto toggle = [&](int times) {
    for (int i = 0; i < times; ++i) {
      hooks::PushFocus(false);
      std::this_thread::sleep_for(3ms);
      hooks::PushFocus(true);
      std::this_thread::sleep_for(3ms);
      ++toggles;
    }
  };
  EXPECT_EQ(Run([&] {
              const std::vector<uint8_t> title = TextArea();
              test::RightClick();
              toggle(100);  // through the residence's fade-in and its box appearing
              test::Eventually([&] { return WindowActive.load() == 1; }, 5s);
              SettlesAwayFrom(title);
              test::LeftClickAt(535, 380);
              const std::vector<uint8_t> first = CyclingColours();
              test::Eventually([&] { return CyclingColours() != first; }, 5s);
              toggle(100);  // with the colours cycling
            },
            [] {
              hooks::PushFocus(true);
              test::LeftClickAt(535, 380);
              test::RightClick();
            }),
            0);
  EXPECT_EQ(toggles.load(), 200);
  ExpectOrderlyEnd();
  // The cycling stopped with the screen.
  const std::vector<uint8_t> after = CyclingColours();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(CyclingColours(), after) << "nothing animates the palette after the residence";
}

INSTANTIATE_TEST_SUITE_P(Presenters, ScreensTest, ::testing::Values("", "-gl"), test::PresenterParamName);


// Aborts a run that does not end by itself: a hang is a fault the sweep is
// there to find, and an in-process run cannot be stopped any other way.
struct Watchdog {
  Watchdog(uint32_t n, std::chrono::seconds limit)
      : thread([done = ended.get_future(), n, limit] {
          if (done.wait_for(limit) == std::future_status::ready) return;
          std::fprintf(stderr, "allocation sweep: the run with allocation %u failing hangs\n", n);
          std::abort();
        }) {}
  ~Watchdog() {
    ended.set_value();
    thread.join();
  }
  std::promise<void> ended;
  std::thread thread;
};

// AllocVec calls made before the residence screen began, in the last run.
std::atomic<uint64_t> gResidenceStart{0};

int32_t NotedResidenceScreen() {
  gResidenceStart = AllocVecCalls();
  return ResidenceScreen();
}

// The allocations to fail (1 = the run's first): all of them, or a sample.
std::vector<uint32_t> SweepPoints(uint32_t calls, uint32_t residenceStart) {
  const char* all = std::getenv("VSK_ALLOC_SWEEP");
  std::set<uint32_t> points;
  for (uint32_t k = 1; k <= 8; ++k) points.insert({k, residenceStart + k, calls * (k % 5) / 5});
  for (uint32_t n = 1; all && std::strcmp(all, "all") == 0 && n <= calls; ++n) points.insert(n);
  std::erase_if(points, [calls](uint32_t n) { return n == 0 || n > calls; });
  return {points.begin(), points.end()};
}

class AllocationSweepTest : public test::ClientRunTest {
 protected:
  void SetUp() override {
    ClientRunTest::SetUp();
    // Input from the start: a failed allocation may keep the picture away.
    pictureWait_ = 0ms;
  }

  // One run, the player closing the box and right-clicking each screen away;
  // the running flag set as a crash leaves it, so only a whole game clears it.
  int RunOnce() {
    std::vector<uint8_t> prefs = test::ReadBytes("data/prefs.vsk");
    if (prefs.size() > test::kRunningFlagOffset) {
      prefs[test::kRunningFlagOffset] = 1;
      test::WriteBytes("data/prefs.vsk", prefs);
    }
    FreeSystemReport();  // the device lists of the machine report
    System = SystemContext{};
    Player = PlayerRecord{};
    platform::testing::ResetMessageBoxes();
    Screens.residence = NotedResidenceScreen;
    const int result = Run({}, [] {
      test::LeftClickAt(535, 380);
      test::RightClick();
    });
    FreeSystemReport();
    return result;
  }
};

TEST_P(AllocationSweepTest, EveryFailedAllocationEndsInOrderAndGivesEverythingBack) {
  const int64_t liveBefore = LiveAllocVecBlocks();
  const uint64_t callsBefore = AllocVecCalls();
  ASSERT_EQ(RunOnce(), 0);
  const auto calls = static_cast<uint32_t>(AllocVecCalls() - callsBefore);
  const auto residenceStart = static_cast<uint32_t>(gResidenceStart - callsBefore);
  ASSERT_NE(log_.find("InitRequesterTextBox_Bitmap"), std::string::npos) << "the run reaches the text box\n" << log_;
  ASSERT_EQ(RunFailureStatus(), 0) << RunFailureSentence();
  ASSERT_EQ(LiveAllocVecBlocks(), liveBefore) << "a run without failures gives every block back";
  std::printf("allocation sweep: %u AllocVec calls in a run, the residence's from %u on\n", calls,
              residenceStart + 1);

  for (uint32_t n : SweepPoints(calls, residenceStart)) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(calls) + " failing");
    const uint64_t callsAtStart = AllocVecCalls();
    const int64_t liveAtStart = LiveAllocVecBlocks();
    int result;
    {
      Watchdog watchdog(n, 60s);
      FailAllocVecAt(n);
      result = RunOnce();
      FailAllocVecAt(0);
    }
    if (AllocVecCalls() - callsAtStart >= n) {
      EXPECT_NE(log_.find("AllocVec: 000 "), std::string::npos) << log_;
    }
    ExpectOrderlyEnd();
    EXPECT_EQ(result, 0) << "the window loop's result";
    EXPECT_EQ(LiveAllocVecBlocks(), liveAtStart) << log_;
    const int status = RunFailureStatus();
    EXPECT_NE(status, kExitFatalException) << log_;
    if (status == 0) {
      EXPECT_EQ(test::ReadBytes("data/prefs.vsk").at(test::kRunningFlagOffset), 0) << "said well, ran to its end\n" << log_;
    } else {
      EXPECT_NE(RunFailureSentence(), "");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Presenters, AllocationSweepTest, ::testing::Values("", "-gl"), test::PresenterParamName);

}  // namespace
}  // namespace vsk
