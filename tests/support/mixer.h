// Measures what the layer's mixer played (a capture from
// vsk::platform::testing): its length, level and pitch; and makes test tones.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/testing.h"

namespace vsk::test {

using platform::testing::MixerCapture;

constexpr double kPi = 3.14159265358979323846;

// seconds of a sine at rate, the same in each of channels (interleaved).
inline std::vector<int16_t> Sine(unsigned rate, double hz, double seconds, double amplitude, int channels = 1) {
  std::vector<int16_t> samples;
  for (size_t i = 0; i < static_cast<size_t>(rate * seconds); ++i)
    for (int c = 0; c < channels; ++c)
      samples.push_back(static_cast<int16_t>(std::lround(amplitude * std::sin(2 * kPi * hz * i / rate))));
  return samples;
}

// Renders seconds of output with the mixer held, and takes what was played.
inline MixerCapture Render(double seconds) {
  platform::testing::RenderMixer(static_cast<size_t>(seconds * platform::testing::AudioOutputRate()));
  return platform::testing::TakeMixerCapture();
}

// Frames of the capture up to the last one that is not silent.
inline size_t SoundingFrames(const MixerCapture& capture) {
  for (size_t i = capture.Frames(); i > 0; --i)
    if (capture.samples[2 * i - 2] != 0 || capture.samples[2 * i - 1] != 0) return i;
  return 0;
}
inline double SoundingSeconds(const MixerCapture& capture) {
  return double(SoundingFrames(capture)) / capture.rate;
}

// The largest magnitude of channel 0 (left), 1 (right) or -1 (both) over
// the frames [from, to).
inline int Peak(const MixerCapture& capture, int channel = -1, size_t from = 0, size_t to = SIZE_MAX) {
  int peak = 0;
  for (size_t i = from; i < capture.Frames() && i < to; ++i)
    for (int c = 0; c < 2; ++c)
      if (channel < 0 || channel == c) peak = std::max(peak, std::abs(int(capture.samples[2 * i + c])));
  return peak;
}

// Upward zero crossings per second of the left channel over [from, to).
inline double Pitch(const MixerCapture& capture, size_t from, size_t to) {
  to = std::min(to, capture.Frames());
  int crossings = 0;
  for (size_t i = from + 1; i < to; ++i) crossings += capture.samples[2 * i - 2] < 0 && capture.samples[2 * i] >= 0;
  return crossings * double(capture.rate) / double(to - from);
}

}  // namespace vsk::test
