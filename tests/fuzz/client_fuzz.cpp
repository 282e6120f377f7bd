// The whole client on a damaged demo game directory. The input damages one
// file of the demo; the client then runs on it, in a child process, from
// WinMain through the title, the residence with its text box and the end,
// with a player pushing the clicks and the game's clocks sped up so that the
// fixed waits take no time. A child that dies of a signal or a sanitizer
// report, whose game thread the crash guard stopped, or that does not end
// within 30 s, counts as a crash of this input;
// ending with any status is fine (some damage ends the client with status 1
// by design). The child's coverage does not reach the fuzzer, so this target
// tries its mutations of the seeds rather than following new paths.
//
// Input: byte 0 picks the file (the demo's files in name order, modulo their
// number); byte 1's bit 0 picks OpenGL, bit 1 cuts the file to the length in
// bytes 2..5 (little-endian, modulo the file's size + 1); then groups of five
// bytes (offset, little-endian, modulo the size; a byte) overwrite the file.
// VSK_FUZZ_LOG names a file that gets the clients' logs (else they go
// nowhere).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/presenter_state.h"
#include "platform/testing.h"
#include "startup/entry.h"
#include "startup/outcome.h"
#include "vsk-data/demo.h"

namespace {

namespace fs = std::filesystem;
namespace hooks = vsk::platform::testing;
using namespace std::chrono_literals;

char gDirectory[] = "/tmp/vsk-client-fuzz-XXXXXX";
std::string gPristine;  // the demo as written
std::string gGame;      // the copy each run plays on
std::vector<fs::path> gFiles;  // relative to the game directory, in name order

// The child's status for a fault that the game's crash guard caught.
constexpr int kCaughtFault = 99;

void RemoveDirectory() { fs::remove_all(gDirectory); }

uint32_t Le32(const uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// Writes the damaged copy; false when the input names no damage at all.
void Damage(const uint8_t* input, size_t size, bool* openGL) {
  fs::remove_all(gGame);
  fs::copy(gPristine, gGame, fs::copy_options::recursive);
  *openGL = size > 1 && (input[1] & 1);
  if (size == 0 || gFiles.empty()) return;
  const fs::path file = fs::path(gGame) / gFiles[input[0] % gFiles.size()];
  std::vector<char> bytes;
  {
    std::ifstream in(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  if (size >= 6 && (input[1] & 2)) bytes.resize(Le32(input + 2) % (bytes.size() + 1));
  for (size_t at = 6; at + 5 <= size && !bytes.empty(); at += 5)
    bytes[Le32(input + at) % bytes.size()] = static_cast<char>(input[at + 4]);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The player: clicks at points of the game's screen, which sits in the
// middle of the larger OpenGL window.
void Click(int button, int x, int y) {
  const int dx = vsk::PresenterChoice == vsk::kPresenterOpenGL ? vsk::WindowWidth / 2 - 320 : 0;
  const int dy = vsk::PresenterChoice == vsk::kPresenterOpenGL ? vsk::WindowHeight / 2 - 240 : 0;
  hooks::PushMouseMove(dx + x, dy + y);
  hooks::PushMouseButton(button, true, dx + x, dy + y);
  std::this_thread::sleep_for(30ms);
  hooks::PushMouseButton(button, false, dx + x, dy + y);
}

// In the child: the client from WinMain to its end, and the player beside it.
[[noreturn]] void RunClient(bool openGL) {
  // The client's own exit (a data error ends it with status 1) leaves with
  // its status; libFuzzer's exit handler, registered before, would take it
  // for a crash of the target.
  on_exit([](int status, void*) { _exit(status); }, nullptr);
  if (chdir(gGame.c_str()) != 0) _exit(90);
  hooks::SpeedUpTime(50);
  std::atomic<bool> ended{false};
  std::thread player([&] {
    while (!ended && !vsk::WindowHandle) std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(150ms);  // the title fades in
    // Title, then the residence's text box (its close button), then the
    // residence; whatever the damage left out, the clicks go on until the end.
    while (!ended) {
      Click(3, 320, 240);
      std::this_thread::sleep_for(150ms);
      if (ended) break;
      Click(1, 535, 380);
      std::this_thread::sleep_for(150ms);
    }
  });
  std::string command = openGL ? "-gl" : "";
  const int result = vsk::WinMain(GetModuleHandleA(nullptr), nullptr, command.data(), SW_SHOWNORMAL);
  ended = true;
  player.join();
  std::fflush(nullptr);
  // The crash guard turns a fault of the game thread into an orderly end:
  // here it is a crash like any other.
  if (vsk::RunFailureStatus() == vsk::kExitFatalException) _exit(kCaughtFault);
  _exit(result & 0xFF);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!mkdtemp(gDirectory)) std::abort();
  std::atexit(RemoveDirectory);
  gPristine = std::string(gDirectory) + "/demo";
  gGame = std::string(gDirectory) + "/game";
  std::string error;
  if (!vsk::data::WriteDemo(gPristine, nullptr, &error)) std::abort();
  for (const auto& entry : fs::recursive_directory_iterator(gPristine))
    if (entry.is_regular_file()) gFiles.push_back(fs::relative(entry.path(), gPristine));
  std::sort(gFiles.begin(), gFiles.end());
  if (!std::freopen(std::getenv("VSK_FUZZ_LOG") ? std::getenv("VSK_FUZZ_LOG") : "/dev/null", "a", stdout)) std::abort();  // the log goes nowhere
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("LP_NUM_THREADS", "0", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size) {
  bool openGL = false;
  Damage(input, size, &openGL);
  const pid_t child = fork();
  if (child < 0) std::abort();
  if (child == 0) RunClient(openGL);
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      std::fprintf(stderr, "client_fuzz: the client did not end within 30 s\n");
      std::abort();
    }
    std::this_thread::sleep_for(5ms);
  }
  // A signal, libFuzzer's crash exit (77) after a sanitizer report in the
  // child, or a fault the crash guard caught.
  if (WIFSIGNALED(status) ||
      (WIFEXITED(status) && (WEXITSTATUS(status) == 77 || WEXITSTATUS(status) == kCaughtFault))) {
    std::fprintf(stderr, "client_fuzz: the client crashed (%s %d)\n", WIFSIGNALED(status) ? "signal" : "status",
                 WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
    std::abort();
  }
  return 0;
}
