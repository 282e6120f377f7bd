// The shared audio output: the SDL device or the null output, the render
// loop over the registered sources, the resampling kernel and the test hooks
// that capture, hold and step the mix.
#include "audio_output.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/testing.h"

namespace vsk::platform::audio {

namespace {

using Clock = std::chrono::steady_clock;

// Everything the render touches, guarded by lock. Leaked on purpose: the
// audio thread may still run while static objects are destroyed at exit.
struct Renderer {
  std::mutex lock;
  std::vector<Source*> sources;
  int32_t acc[kChunkFrames * 2];
  int16_t scratch[kChunkFrames * 2];
  bool capturing = false;
  int captureRate = 0;
  std::vector<int16_t> captured;
};
Renderer& TheRenderer() {
  static auto* renderer = new Renderer();
  return *renderer;
}

// The open output, guarded by lock (users, device, the null thread).
struct Output {
  std::mutex lock;
  int users = 0;
  bool sdlAudio = false;  // SDL's audio subsystem is initialised
  SDL_AudioDeviceID device = 0;
  std::thread nullThread;
  std::mutex nullLock;
  std::condition_variable nullWake;
  bool nullStop = false;  // guarded by nullLock
};
Output& TheOutput() {
  static auto* output = new Output();
  return *output;
}

std::atomic<int> gRate{0};
std::atomic<bool> gNull{false};
std::atomic<bool> gHeld{false};
std::atomic<bool> gFailDevice{false};
std::atomic<bool> gNullLogged{false};

// Renders frames (at most kChunkFrames) into out; render lock held.
void RenderChunk(Renderer& r, int16_t* out, int frames) {
  int rate = gRate.load();
  std::memset(r.acc, 0, sizeof(int32_t) * 2 * static_cast<size_t>(frames));
  for (Source* source : r.sources) source->Mix(r.acc, frames, rate);
  for (int i = 0; i < frames * 2; ++i) {
    int32_t v = r.acc[i];
    out[i] = static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
  }
  if (r.capturing) {
    r.captureRate = rate;
    r.captured.insert(r.captured.end(), out, out + frames * 2);
  }
}

// Renders frames into out (null: thrown away), then lets the sources finish
// what they must do outside the render lock.
void Render(int16_t* out, size_t frames) {
  Renderer& r = TheRenderer();
  Source* after[16];
  size_t count = 0;
  {
    std::lock_guard<std::mutex> guard(r.lock);
    while (frames > 0) {
      int n = static_cast<int>(std::min<size_t>(frames, kChunkFrames));
      int16_t* target = out ? out : r.scratch;
      RenderChunk(r, target, n);
      if (out) out += 2 * static_cast<size_t>(n);
      frames -= static_cast<size_t>(n);
    }
    count = std::min<size_t>(r.sources.size(), 16);
    std::copy_n(r.sources.begin(), count, after);
  }
  for (size_t i = 0; i < count; ++i) after[i]->AfterMix();
}

void SDLCALL DeviceCallback(void*, Uint8* stream, int len) {
  size_t frames = static_cast<size_t>(len) / 4;
  if (gHeld.load()) {
    std::memset(stream, 0, static_cast<size_t>(len));
    return;
  }
  Render(reinterpret_cast<int16_t*>(stream), frames);
}

// The null output: renders what real time asks for every few milliseconds.
void NullMain() {
  Output& o = TheOutput();
  Clock::time_point base = Clock::now();
  uint64_t done = 0;
  std::unique_lock<std::mutex> lock(o.nullLock);
  while (!o.nullStop) {
    o.nullWake.wait_for(lock, std::chrono::milliseconds(5));
    if (o.nullStop) break;
    lock.unlock();
    Clock::time_point now = Clock::now();
    if (gHeld.load()) {
      base = now;
      done = 0;
    } else {
      auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - base).count();
      uint64_t rate = static_cast<uint64_t>(gRate.load());
      uint64_t seconds = static_cast<uint64_t>(elapsed) / 1000000000u;
      uint64_t rest = static_cast<uint64_t>(elapsed) % 1000000000u;
      uint64_t due = seconds * rate + rest * rate / 1000000000u;
      if (due > done) {
        Render(nullptr, due - done);
        done = due;
      }
    }
    lock.lock();
  }
}

// Initialises SDL audio; output lock held.
bool EnsureSdlAudio(Output& o) {
  if (gFailDevice.load()) return false;
  if (o.sdlAudio) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  o.sdlAudio = true;
  return true;
}

void OpenLocked(Output& o, const char* deviceName) {
  const char* why = "the audio device is switched off";
  if (EnsureSdlAudio(o)) {
    SDL_AudioSpec want{};
    want.freq = kPreferredRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 512;
    want.callback = DeviceCallback;
    SDL_AudioSpec have{};
    // Stereo 16-bit is fixed (SDL converts if the device differs); the rate
    // may be the device's own.
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(deviceName, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (device != 0) {
      o.device = device;
      gRate = have.freq > 0 ? have.freq : kPreferredRate;
      gNull = false;
      SDL_PauseAudioDevice(device, 0);
      return;
    }
    why = SDL_GetError();
  } else if (!gFailDevice.load()) {
    why = SDL_GetError();
  }
  if (!gNullLogged.exchange(true))
    std::fprintf(stderr, "audio: no audio output (%s); sound plays silently\n", why);
  gRate = kPreferredRate;
  gNull = true;
  {
    std::lock_guard<std::mutex> guard(o.nullLock);
    o.nullStop = false;
  }
  o.nullThread = std::thread(NullMain);
}

void CloseLocked(Output& o) {
  if (o.device != 0) {
    // Waits for the callback to finish.
    SDL_CloseAudioDevice(o.device);
    o.device = 0;
  }
  if (o.nullThread.joinable()) {
    {
      std::lock_guard<std::mutex> guard(o.nullLock);
      o.nullStop = true;
    }
    o.nullWake.notify_all();
    o.nullThread.join();
  }
  gRate = 0;
  gNull = false;
}

// The sample at an index of the interleaved samples, as a 16-bit value.
template <int Bits>
inline int32_t SampleAt(const uint8_t* data, size_t index) {
  if constexpr (Bits == 16) {
    int16_t v;
    std::memcpy(&v, data + 2 * index, 2);
    return v;
  } else {
    return (static_cast<int32_t>(data[index]) - 128) * 256;
  }
}

inline int32_t Lerp(int32_t a, int32_t b, int32_t fraction) { return a + (((b - a) * fraction) >> 15); }

template <int Bits, int Channels>
int MixTyped(const PcmView& view, uint64_t* position, uint64_t step, uint64_t end, bool loop, int32_t gainLeft,
             int32_t gainRight, int32_t* acc, int frames) {
  const uint8_t* data = view.data;
  const uint64_t length = FramesToPosition(view.frames);
  if (loop) end = length;
  end = std::min(end, length);
  // Frames below this position have their right neighbour inside the view.
  const uint64_t interior = FramesToPosition(view.frames - 1);
  uint64_t p = *position;
  int made = 0;
  while (made < frames) {
    if (p >= end) {
      if (!loop) break;
      p %= length;
      continue;
    }
    int32_t* out = acc + 2 * made;
    uint64_t limit = std::min(end, interior);
    if (p < limit) {
      uint64_t reachable = (limit - p + step - 1) / step;
      int n = static_cast<int>(std::min<uint64_t>(reachable, static_cast<uint64_t>(frames - made)));
      for (int i = 0; i < n; ++i) {
        size_t index = static_cast<size_t>(p >> kFractionBits);
        int32_t fraction = static_cast<int32_t>(static_cast<uint32_t>(p) >> 17);
        if constexpr (Channels == 1) {
          int32_t s = Lerp(SampleAt<Bits>(data, index), SampleAt<Bits>(data, index + 1), fraction);
          out[0] += (s * gainLeft) >> 15;
          out[1] += (s * gainRight) >> 15;
        } else {
          int32_t l = Lerp(SampleAt<Bits>(data, 2 * index), SampleAt<Bits>(data, 2 * index + 2), fraction);
          int32_t r = Lerp(SampleAt<Bits>(data, 2 * index + 1), SampleAt<Bits>(data, 2 * index + 3), fraction);
          out[0] += (l * gainLeft) >> 15;
          out[1] += (r * gainRight) >> 15;
        }
        out += 2;
        p += step;
      }
      made += n;
    } else {
      // The last frame: its neighbour is the first frame when looping, else
      // itself (no step down to silence).
      size_t index = static_cast<size_t>(p >> kFractionBits);
      int32_t fraction = static_cast<int32_t>(static_cast<uint32_t>(p) >> 17);
      for (int c = 0; c < Channels; ++c) {
        int32_t a = SampleAt<Bits>(data, Channels * index + c);
        int32_t b = loop ? SampleAt<Bits>(data, c) : a;
        int32_t s = Lerp(a, b, fraction);
        if constexpr (Channels == 1) {
          out[0] += (s * gainLeft) >> 15;
          out[1] += (s * gainRight) >> 15;
        } else {
          out[c] += (s * (c == 0 ? gainLeft : gainRight)) >> 15;
        }
      }
      p += step;
      ++made;
    }
  }
  *position = p;
  return made;
}

}  // namespace

void AddSource(Source* source) {
  Renderer& r = TheRenderer();
  std::lock_guard<std::mutex> guard(r.lock);
  if (std::find(r.sources.begin(), r.sources.end(), source) == r.sources.end()) r.sources.push_back(source);
}

void AcquireOutput(const char* device) {
  Output& o = TheOutput();
  std::lock_guard<std::mutex> guard(o.lock);
  if (o.users++ == 0) OpenLocked(o, device);
}

void ReleaseOutput() {
  Output& o = TheOutput();
  std::lock_guard<std::mutex> guard(o.lock);
  if (o.users == 0) return;
  if (--o.users == 0) CloseLocked(o);
}

int OutputRate() { return gRate.load(); }
bool OutputIsNull() { return gRate.load() != 0 && gNull.load(); }

std::vector<std::string> OutputDevices() {
  Output& o = TheOutput();
  std::lock_guard<std::mutex> guard(o.lock);
  std::vector<std::string> names;
  if (!EnsureSdlAudio(o)) return names;
  int count = SDL_GetNumAudioDevices(0);
  for (int i = 0; i < count; ++i) {
    const char* name = SDL_GetAudioDeviceName(i, 0);
    if (name) names.emplace_back(name);
  }
  return names;
}

size_t RenderNow(size_t frames) {
  if (gRate.load() == 0) return 0;
  Render(nullptr, frames);
  return frames;
}

int32_t GainForAttenuation(int32_t hundredthsOfDb) {
  if (hundredthsOfDb >= 0) return kUnityGain;
  if (hundredthsOfDb <= -10000) return 0;
  return static_cast<int32_t>(std::lround(kUnityGain * std::pow(10.0, hundredthsOfDb / 2000.0)));
}

int MixResampled(const PcmView& view, uint64_t* position, uint64_t step, uint64_t end, bool loop, int32_t gainLeft,
                 int32_t gainRight, int32_t* acc, int frames) {
  if (view.frames == 0 || step == 0) return loop ? frames : 0;
  if (view.bits == 16) {
    if (view.channels == 1) return MixTyped<16, 1>(view, position, step, end, loop, gainLeft, gainRight, acc, frames);
    return MixTyped<16, 2>(view, position, step, end, loop, gainLeft, gainRight, acc, frames);
  }
  if (view.channels == 1) return MixTyped<8, 1>(view, position, step, end, loop, gainLeft, gainRight, acc, frames);
  return MixTyped<8, 2>(view, position, step, end, loop, gainLeft, gainRight, acc, frames);
}

}  // namespace vsk::platform::audio

// ---- test hooks ----------------------------------------------------------------------

namespace vsk::platform::testing {

using namespace vsk::platform::audio;

void FailAudioDevice(bool fail) { gFailDevice = fail; }
bool AudioOutputOpen() { return OutputRate() != 0; }
bool AudioOutputIsNull() { return OutputIsNull(); }
int AudioOutputRate() { return OutputRate(); }
void HoldMixer(bool hold) { gHeld = hold; }
size_t RenderMixer(size_t frames) { return RenderNow(frames); }

void StartMixerCapture() {
  Renderer& r = TheRenderer();
  std::lock_guard<std::mutex> guard(r.lock);
  r.capturing = true;
  r.captureRate = 0;
  r.captured.clear();
}

MixerCapture TakeMixerCapture() {
  Renderer& r = TheRenderer();
  std::lock_guard<std::mutex> guard(r.lock);
  MixerCapture capture;
  capture.rate = r.captureRate ? r.captureRate : gRate.load();
  capture.samples.swap(r.captured);
  return capture;
}

void StopMixerCapture() {
  Renderer& r = TheRenderer();
  std::lock_guard<std::mutex> guard(r.lock);
  r.capturing = false;
  r.captured.clear();
  r.captured.shrink_to_fit();
}

}  // namespace vsk::platform::testing
