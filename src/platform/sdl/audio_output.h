// The one audio output of the layer, shared by DirectSound and the CD audio
// device, and the resampling mixer kernel both use.
//
// The output is an SDL audio device (44,100 Hz, stereo, signed 16-bit, or
// the rate SDL obtains) whose callback renders the mix; where no device can
// be opened, a null output takes its place: a thread that renders in real
// time and throws the frames away, so that buffers and tracks still play and
// end on time. The output is opened by its first user and closed by its last.
//
// Sources (the DirectSound mixer, the CD drive) register once and stay
// registered; each render asks every source to add its frames into a 32-bit
// stereo accumulator, which is then clipped to 16 bits. After the render
// lock is released each source may finish work that must not run under it
// (posting notifications).
//
// Locking order: the output's open/close lock, then the render lock, then a
// source's own locks. Opening or closing the output waits for the audio
// thread, so a caller must not hold any lock a source takes in Mix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vsk::platform::audio {

constexpr int kPreferredRate = 44100;
// Frames rendered at most in one go (also the accumulator's size).
constexpr int kChunkFrames = 1024;

class Source {
 public:
  virtual ~Source() = default;
  // Adds `frames` stereo frames at `rate` into acc (left, right, left, …).
  // Called with the render lock held, on the audio thread or a test's.
  virtual void Mix(int32_t* acc, int frames, int rate) = 0;
  // Called after each render, without the render lock.
  virtual void AfterMix() {}
};

// Registers a source for good (a second call with the same source does
// nothing).
void AddSource(Source* source);

// Opens the output for one more user; the first opens the SDL device
// (`device`: an SDL output name, null for the default) or else the null
// output. Never fails.
void AcquireOutput(const char* device = nullptr);
void ReleaseOutput();

// The output's rate, 0 while it is closed.
int OutputRate();
// Whether the open output is the null output.
bool OutputIsNull();

// The SDL output devices' names (initialises SDL audio); empty when the
// machine has none or the test hook makes the device fail.
std::vector<std::string> OutputDevices();

// Renders frames synchronously (test hooks, benchmark); 0 when the output
// is closed.
size_t RenderNow(size_t frames);

// ---- the mixer kernel ---------------------------------------------------------------

// PCM frames as stored: 8-bit unsigned or 16-bit signed little-endian, one
// or two channels.
struct PcmView {
  const uint8_t* data = nullptr;
  uint32_t frames = 0;
  uint16_t channels = 1;
  uint16_t bits = 16;
};

// Positions are source frames in 32.32 fixed point.
constexpr int kFractionBits = 32;
inline uint64_t FramesToPosition(uint64_t frames) { return frames << kFractionBits; }
inline uint64_t PositionToFrames(uint64_t position) { return position >> kFractionBits; }
// The step per output frame for a source rate.
inline uint64_t StepFor(uint32_t sourceRate, int outputRate) {
  return (static_cast<uint64_t>(sourceRate) << kFractionBits) / static_cast<uint64_t>(outputRate);
}

// Unity gain of the kernel (gains are Q15).
constexpr int32_t kUnityGain = 32768;
// A DirectSound attenuation (hundredths of a decibel, 0 … -10000) as a gain.
int32_t GainForAttenuation(int32_t hundredthsOfDb);

// Mixes up to `frames` output frames of `view`, resampled with linear
// interpolation, from *position on in steps of `step`, into acc (stereo,
// mono going to both channels) with the gains. Without `loop` it ends at
// `end` (a position, at most the view's length) and returns how many output
// frames it made (fewer than asked when it reached the end); with `loop` it
// wraps at the view's end and always makes `frames`. *position is advanced.
int MixResampled(const PcmView& view, uint64_t* position, uint64_t step, uint64_t end, bool loop,
                 int32_t gainLeft, int32_t gainRight, int32_t* acc, int frames);

}  // namespace vsk::platform::audio
