// The whole client in this process, on a fresh demo directory, once in each
// presenter (SDL's offscreen video and dummy audio unless the environment
// names others). The title screen is the demo's title picture with the
// pointer, as the client shows it, and the residence screen follows; the
// program measures:
//  - start to title picture: from WinMain to the picture on the screen,
//    minus the two fixed waits of the start (the one-second measurement of
//    the processor clock and the game thread's one-second wait), against
//    the goal of 0.3 s;
//  - idle: after the fade-in, five seconds waiting on the screen for events
//    (timer ticks taken), the process's CPU time over wall time, as a share
//    of one core (goal in DirectDraw mode: under 5 %), and in OpenGL mode
//    the frames drawn per second against the 60 Hz refresh;
//  - idle on the residence: its text box closed, five seconds with the
//    colours cycling, CPU over wall time (goal in DirectDraw mode: under 5 %);
//  - click to WaitEvent: a left click put into the window's input from a
//    second thread until WaitEvent hands the game thread its event, median
//    and worst of 30, against one refresh (16.7 ms).
// OpenGL runs twice, the second time drawing everything every frame as the
// presenter first did; its figures are given as ratios against DirectDraw's
// and against that second run.
// Run from the release build: build/release/bench/client_bench
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/context.h"
#include "core/presenter_state.h"
#include "gfx/screen_update.h"
#include "pictures/bank.h"
#include "pictures/events.h"
#include "pictures/fade.h"
#include "platform/testing.h"
#include "present/gl/frame.h"
#include "startup/entry.h"
#include "startup/report.h"
#include "vsk-data/demo.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace hooks = vsk::platform::testing;

constexpr double kFixedWaits = 2.0;  // seconds: processor clock measurement + game thread's start wait
constexpr double kRefresh = 1.0 / 60;
constexpr int kClicks = 30;

struct Figures {
  double startToTitle = 0;  // seconds
  double idleCpuShare = 0;  // CPU seconds per wall second
  double framesPerSecond = 0;
  std::vector<double> clickLatencies;  // seconds
  double residenceCpuShare = 0;        // with colour cycling
  double residenceFramesPerSecond = 0;
};

Figures gFigures;
Clock::time_point gStart;
// A click asked for by the screen; the other thread sleeps until then, so
// that it adds nothing to the idle figures.
std::mutex gClickLock;
std::condition_variable gClickWanted;
bool gClickAsked = false;
std::atomic<bool> gTitleDone{false};
std::atomic<Clock::rep> gClickAt{0};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Since(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// The measuring title screen: the title picture as the client shows it,
// then the idle wait, then the clicks, then the end.
int32_t MeasuringTitle() {
  vsk::GetMouse("./pics/cursor01.chk");
  vsk::OpenKadunPic("./data/path", 1, 0);
  gFigures.startToTitle = Since(gStart);
  // The fade-in ends before the idle wait.
  if (HANDLE fade = vsk::FadeThreadHandle.load()) WaitForSingleObject(fade, INFINITE);

  // Idle: the screen waits for events, taking the timer's ticks.
  const double cpuBefore = CpuSeconds();
  const uint64_t framesBefore = hooks::GLFramesPresented();
  const Clock::time_point idleStart = Clock::now();
  while (Since(idleStart) < 5.0) vsk::WaitEvent(vsk::kWaitTicks);
  const double wall = Since(idleStart);
  gFigures.idleCpuShare = (CpuSeconds() - cpuBefore) / wall;
  gFigures.framesPerSecond = double(hooks::GLFramesPresented() - framesBefore) / wall;

  // Clicks from the other thread; each press is timed to its event.
  for (int i = 0; i < kClicks; ++i) {
    {
      std::lock_guard<std::mutex> lock(gClickLock);
      gClickAsked = true;
    }
    gClickWanted.notify_one();
    int32_t event;
    do event = vsk::WaitEvent(0);
    while (event != vsk::kEventLeftDown);
    gFigures.clickLatencies.push_back(double(Clock::now().time_since_epoch().count() - gClickAt.load()) /
                                      double(Clock::period::den) * double(Clock::period::num));
  }
  vsk::CloseKadunPic(1, 1);
  {
    std::lock_guard<std::mutex> lock(gClickLock);
    gTitleDone = true;
  }
  gClickWanted.notify_one();
  return vsk::kScreenResidence;
}

// Input at a point of the game's screen, in the window's client area.
void Push(int button, int x, int y) {
  const bool gl = vsk::PresenterChoice == vsk::kPresenterOpenGL;
  x += gl ? vsk::WindowWidth / 2 - 320 : 0;
  y += gl ? vsk::WindowHeight / 2 - 240 : 0;
  hooks::PushMouseMove(x, y);
  hooks::PushMouseButton(button, true, x, y);
  hooks::PushMouseButton(button, false, x, y);
}

// The residence after the title: its text box closed, then five seconds
// with the colours cycling, measured from this thread (the process's CPU
// time covers every thread), then the end.
void DriveResidence(std::atomic<bool>* done) {
  std::this_thread::sleep_for(std::chrono::seconds(3));  // fade-in and text box
  Push(1, 535, 380);                                     // the box's close button
  std::this_thread::sleep_for(std::chrono::seconds(2));  // its pause; cycling starts
  const double cpuBefore = CpuSeconds();
  const uint64_t framesBefore = hooks::GLFramesPresented();
  const Clock::time_point start = Clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(5));
  const double wall = Since(start);
  gFigures.residenceCpuShare = (CpuSeconds() - cpuBefore) / wall;
  gFigures.residenceFramesPerSecond = double(hooks::GLFramesPresented() - framesBefore) / wall;
  while (!*done) {
    Push(3, 320, 240);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
}

// The other thread: a click whenever the screen asks for one, a little
// after the previous event (so the press is never queued behind it).
void Clicker(std::atomic<bool>* done) {
  while (!*done) {
    {
      std::unique_lock<std::mutex> lock(gClickLock);
      gClickWanted.wait(lock, [&] { return gClickAsked || gTitleDone || *done; });
      if (!gClickAsked) {
        if (gTitleDone) break;
        continue;
      }
      gClickAsked = false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    gClickAt = Clock::now().time_since_epoch().count();
    hooks::PushMouseButton(1, true, 320, 240);
    hooks::PushMouseButton(1, false, 320, 240);
  }
  if (gTitleDone && !*done) DriveResidence(done);
}

bool RunClient(const char* presenter, const std::string& root, const char* name) {
  const std::string dir = root + "/" + name;
  std::string error;
  if (mkdir(dir.c_str(), 0700) != 0 || !vsk::data::WriteDemo(dir, nullptr, &error) || chdir(dir.c_str()) != 0) {
    std::fprintf(stderr, "client_bench: no demo directory in %s %s\n", dir.c_str(), error.c_str());
    return false;
  }
  vsk::FreeSystemReport();
  vsk::System = vsk::SystemContext{};
  vsk::Player = vsk::PlayerRecord{};
  vsk::PresenterChoice = vsk::kPresenterDirectDraw;
  vsk::Screens.title = MeasuringTitle;
  gFigures = Figures{};
  gTitleDone = false;
  gClickAsked = false;

  // The client's own log goes to a file beside its data.
  std::fflush(stdout);
  const int console = dup(1);
  const int log = open("client.log", O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(log, 1);
  close(log);

  std::atomic<bool> done{false};
  std::thread clicker(Clicker, &done);
  std::string command = presenter;
  gStart = Clock::now();
  const int result = vsk::WinMain(nullptr, nullptr, command.data(), SW_SHOWNORMAL);
  {
    std::lock_guard<std::mutex> lock(gClickLock);
    done = true;
  }
  gClickWanted.notify_one();
  clicker.join();

  std::fflush(stdout);
  dup2(console, 1);
  close(console);
  if (result != 0 || gFigures.clickLatencies.size() != size_t(kClicks)) {
    std::fprintf(stderr, "client_bench: the client ended with %d before the measurements (log: %s/client.log)\n",
                 result, dir.c_str());
    return false;
  }
  return true;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void Print(const char* name, const Figures& f) {
  const double median = Median(f.clickLatencies);
  const double worst = *std::max_element(f.clickLatencies.begin(), f.clickLatencies.end());
  const double work = f.startToTitle - kFixedWaits;
  std::printf("%s\n", name);
  std::printf("  start to title picture      %6.3f s, minus fixed waits %6.3f s  -> %.2fx the 0.3 s goal\n",
              f.startToTitle, work, work / 0.3);
  if (f.framesPerSecond == 0)
    std::printf("  idle CPU while waiting      %6.2f %% of a core                 -> %.2fx the 5 %% goal\n",
                100 * f.idleCpuShare, f.idleCpuShare / 0.05);
  else
    std::printf("  idle CPU while waiting      %6.2f %% of a core, %.1f frames a second -> %.2fx the 15 %% goal\n",
                100 * f.idleCpuShare, f.framesPerSecond, f.idleCpuShare / 0.15);
  if (f.residenceFramesPerSecond == 0)
    std::printf("  idle CPU, residence cycling %6.2f %% of a core                 -> %.2fx the 5 %% goal\n",
                100 * f.residenceCpuShare, f.residenceCpuShare / 0.05);
  else
    std::printf("  idle CPU, residence cycling %6.2f %% of a core, %.1f frames a second -> %.2fx the 15 %% goal\n",
                100 * f.residenceCpuShare, f.residenceFramesPerSecond, f.residenceCpuShare / 0.15);
  std::printf("  click to WaitEvent          median %5.2f ms, worst %5.2f ms    -> %.2fx / %.2fx one refresh\n",
              1000 * median, 1000 * worst, median / kRefresh, worst / kRefresh);
}

// One presenter's figures against another's of the same run.
void Compare(const char* what, const Figures& a, const Figures& b) {
  std::printf("%s\n", what);
  std::printf("  idle CPU on the title       %6.2fx\n", a.idleCpuShare / b.idleCpuShare);
  std::printf("  idle CPU, residence cycling %6.2fx\n", a.residenceCpuShare / b.residenceCpuShare);
  std::printf("  click to WaitEvent, median  %6.2fx\n", Median(a.clickLatencies) / Median(b.clickLatencies));
}

}  // namespace

int main() {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  char pattern[] = "/tmp/vsk-client-bench-XXXXXX";
  if (!mkdtemp(pattern)) {
    std::perror("client_bench");
    return 1;
  }
  const std::string root = pattern;
  hooks::CaptureGLFrames(false);
  if (!RunClient("", root, "dd")) return 1;
  const Figures directDraw = gFigures;
  Print("DirectDraw", directDraw);
  if (!RunClient("-gl", root, "gl")) return 1;
  const Figures openGL = gFigures;
  Print("OpenGL", openGL);
  // The OpenGL presenter as it first drew: everything, every frame.
  vsk::GLRedrawEverything = true;
  const bool redrawn = RunClient("-gl", root, "gl-full");
  vsk::GLRedrawEverything = false;
  if (!redrawn) return 1;
  const Figures openGLFull = gFigures;
  Print("OpenGL, every frame converted, uploaded and the cube drawn over the whole window", openGLFull);
  Compare("OpenGL against DirectDraw", openGL, directDraw);
  Compare("OpenGL against OpenGL drawing everything every frame", openGL, openGLFull);
  std::error_code ignored;
  std::filesystem::current_path("/", ignored);
  std::filesystem::remove_all(root, ignored);
  return 0;
}
