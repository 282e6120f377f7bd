#include "pictures/replay.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "gfx/bitmap.h"
#include "gfx/surface_lock.h"

namespace vsk {

namespace {

constexpr const char* kHeader = "veskaria input recording 1";

struct RecordedInput {
  uint32_t tick;
  MSG msg;
  uint64_t screen;
};

enum class Mode { kOff, kRecording, kReplaying };

struct InputLog {
  std::mutex lock;
  Mode mode = Mode::kOff;
  std::FILE* file = nullptr;  // the recording being written
  std::string path;
  DWORD start = 0;
  std::vector<uint32_t> seeds;  // a replay's
  size_t nextSeed = 0;
  std::vector<RecordedInput> inputs;
  size_t next = 0;
  size_t differing = 0;
  size_t firstDiffering = 0;
};

InputLog& Log() {
  static InputLog log;
  return log;
}

// FNV-1a over the screen's 640 x 480 pixels; 0 while there is no screen.
uint64_t ScreenHash() {
  Screen* screen = TheScreen;
  if (!screen || !screen->BitMap) return 0;
  BitMap* bitmap = screen->BitMap;
  const uint8_t* base = bitmap->Pixels;
  int64_t pitch = bitmap->BytesPerRow;
  int32_t width = static_cast<int32_t>(bitmap->BytesPerRow), height = static_cast<int32_t>(bitmap->Rows);
  SurfaceLock lock{};
  const bool locked = DrawsThroughSurface(bitmap) && LockWholeSurface(bitmap->Surface, &lock, bitmap);
  if (locked) {
    base = lock.base;
    pitch = lock.pitch;
    width = lock.width;
    height = lock.height;
  }
  uint64_t hash = 0xcbf29ce484222325ull;
  if (base) {
    width = std::min<int32_t>(width, kScreenWidth);
    height = std::min<int32_t>(height, kScreenHeight);
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = base + pitch * y;
      for (int32_t x = 0; x < width; ++x) hash = (hash ^ row[x]) * 0x100000001b3ull;
    }
  }
  if (locked) UnlockWholeSurface(bitmap->Surface);
  return hash;
}

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

// Waits for the queue as the game always has, and writes the message down
// when recording.
void TakeLive(MSG* msg) {
  while (!PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE)) WaitMessage();
  InputLog& log = Log();
  std::unique_lock<std::mutex> guard(log.lock);
  if (log.mode != Mode::kRecording) return;
  const auto tick = static_cast<uint32_t>(GetTickCount() - log.start);
  // The screen is the game thread's own; it is read without the lock.
  guard.unlock();
  const uint64_t screen = ScreenHash();
  guard.lock();
  if (log.mode != Mode::kRecording) return;
  std::fprintf(log.file, "input %" PRIu32 " %u %" PRIu64 " %" PRId64 " %016" PRIx64 "\n", tick, msg->message,
               static_cast<uint64_t>(msg->wParam), static_cast<int64_t>(msg->lParam), screen);
  std::fflush(log.file);
}

void SayHowTheReplayWent(const InputLog& log) {
  if (log.differing == 0) {
    std::fprintf(stderr, "vsk-client: replayed %zu inputs of %s, every screen as recorded\n", log.next,
                 log.path.c_str());
  } else {
    std::fprintf(stderr, "vsk-client: replayed %zu inputs of %s, %zu screens differ from the recording (first at input %zu)\n",
                 log.next, log.path.c_str(), log.differing, log.firstDiffering + 1);
  }
}

}  // namespace

bool StartInputRecording(const char* path, std::string* error) {
  InputLog& log = Log();
  std::lock_guard<std::mutex> guard(log.lock);
  std::FILE* file = std::fopen(path, "w");
  if (!file) return Fail(error, std::string("cannot write the recording ") + path + ": " + std::strerror(errno));
  std::fprintf(file, "%s\n", kHeader);
  std::fflush(file);
  log.file = file;
  log.path = path;
  log.start = GetTickCount();
  log.mode = Mode::kRecording;
  return true;
}

bool StartInputReplay(const char* path, std::string* error) {
  std::FILE* file = std::fopen(path, "r");
  if (!file) return Fail(error, std::string("cannot read the recording ") + path + ": " + std::strerror(errno));
  std::vector<uint32_t> seeds;
  std::vector<RecordedInput> inputs;
  char line[256];
  bool ok = std::fgets(line, sizeof line, file) && std::strncmp(line, kHeader, std::strlen(kHeader)) == 0;
  size_t number = 1;
  while (ok && std::fgets(line, sizeof line, file)) {
    ++number;
    uint32_t seed = 0, tick = 0;
    unsigned message = 0;
    uint64_t wParam = 0, screen = 0;
    int64_t lParam = 0;
    if (std::sscanf(line, "seed %" SCNu32, &seed) == 1) {
      seeds.push_back(seed);
    } else if (std::sscanf(line, "input %" SCNu32 " %u %" SCNu64 " %" SCNd64 " %" SCNx64, &tick, &message, &wParam,
                           &lParam, &screen) == 5) {
      MSG msg{};
      msg.message = message;
      msg.wParam = static_cast<WPARAM>(wParam);
      msg.lParam = static_cast<LPARAM>(lParam);
      inputs.push_back({tick, msg, screen});
    } else {
      ok = false;
    }
  }
  std::fclose(file);
  if (!ok) return Fail(error, std::string(path) + " is no input recording (line " + std::to_string(number) + ")");
  InputLog& log = Log();
  std::lock_guard<std::mutex> guard(log.lock);
  log.seeds = std::move(seeds);
  log.nextSeed = 0;
  log.inputs = std::move(inputs);
  log.next = 0;
  log.differing = 0;
  log.path = path;
  log.start = GetTickCount();
  log.mode = Mode::kReplaying;
  return true;
}

void StopInputRecordingOrReplay() {
  InputLog& log = Log();
  std::lock_guard<std::mutex> guard(log.lock);
  if (log.mode == Mode::kReplaying) SayHowTheReplayWent(log);
  if (log.file) std::fclose(log.file);
  log.file = nullptr;
  log.mode = Mode::kOff;
  log.seeds.clear();
  log.inputs.clear();
}

uint32_t InputSeed(uint32_t fresh) {
  InputLog& log = Log();
  std::lock_guard<std::mutex> guard(log.lock);
  if (log.mode == Mode::kRecording) {
    std::fprintf(log.file, "seed %" PRIu32 "\n", fresh);
    std::fflush(log.file);
  } else if (log.mode == Mode::kReplaying && log.nextSeed < log.seeds.size()) {
    return log.seeds[log.nextSeed++];
  }
  return fresh;
}

void TakeGameInput(MSG* msg) {
  InputLog& log = Log();
  std::unique_lock<std::mutex> guard(log.lock);
  if (log.mode != Mode::kReplaying) {
    guard.unlock();
    TakeLive(msg);
    return;
  }
  if (log.next == log.inputs.size()) {
    // The recording is over: the player goes on.
    SayHowTheReplayWent(log);
    log.mode = Mode::kOff;
    guard.unlock();
    TakeLive(msg);
    return;
  }
  const RecordedInput input = log.inputs[log.next];
  guard.unlock();
  // Not before its time; what arrives meanwhile is not the recording's and
  // is dropped, except the window's close, which ends the replay.
  for (;;) {
    MSG live;
    while (PeekMessageA(&live, nullptr, 0, 0, PM_REMOVE)) {
      if (live.message != WM_CLOSE) continue;
      guard.lock();
      SayHowTheReplayWent(log);
      log.mode = Mode::kOff;
      *msg = live;
      return;
    }
    const DWORD elapsed = GetTickCount() - log.start;
    if (elapsed >= input.tick) break;
    Sleep(std::min<DWORD>(input.tick - elapsed, 10));
  }
  const bool same = ScreenHash() == input.screen;
  guard.lock();
  if (!same && log.differing++ == 0) log.firstDiffering = log.next;
  *msg = input.msg;
  ++log.next;
}

}  // namespace vsk
