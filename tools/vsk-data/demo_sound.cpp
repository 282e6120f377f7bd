// Sound synthesis for the demo set.
#include "vsk-data/demo_sound.h"

#include <algorithm>
#include <cmath>

namespace vsk::data {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A small generator of our own, so the samples do not depend on the C
// library's rand().
struct Noise {
  uint32_t state;
  double Next() {  // -1 .. 1
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
  }
};

int16_t ToSample(double v) {
  v = std::clamp(v, -1.0, 1.0);
  return static_cast<int16_t>(std::lround(v * 32000.0));
}

}  // namespace

std::vector<int16_t> SynthClick() {
  const uint32_t count = kDemoSoundRate * 40 / 1000;
  std::vector<int16_t> out(count);
  Noise noise{0x5EED01u};
  double low = 0;
  for (uint32_t i = 0; i < count; ++i) {
    double t = static_cast<double>(i) / kDemoSoundRate;
    double envelope = std::exp(-t * 180.0);
    // A wooden knock: a short resonance at 1.8 kHz over a burst of noise.
    low += 0.35 * (noise.Next() - low);
    double tone = std::sin(2 * kPi * 1800.0 * t) * 0.6 + std::sin(2 * kPi * 720.0 * t) * 0.4;
    out[i] = ToSample((tone * 0.7 + low * 0.5) * envelope * 0.8);
  }
  return out;
}

std::vector<int16_t> SynthResidenceAmbience() {
  const uint32_t count = kDemoSoundRate * 4;
  std::vector<int16_t> out(count);
  Noise noise{0xA7B1E4u};
  Noise crackles{0xF12Eu};
  double wind = 0, windBand = 0, crackle = 0, crackleLevel = 0;
  for (uint32_t i = 0; i < count; ++i) {
    double t = static_cast<double>(i) / kDemoSoundRate;
    // Wind: low-passed noise, swelling and falling twice.
    wind += 0.02 * (noise.Next() - wind);
    windBand += 0.3 * (wind - windBand);
    double gust = 0.55 + 0.45 * std::sin(2 * kPi * 0.5 * t - 1.2);
    double windPart = windBand * 2.2 * gust;
    // The hearth: a pop now and then, decaying fast.
    if (crackles.Next() > 0.9975) crackleLevel = 0.5 + 0.5 * std::fabs(crackles.Next());
    crackleLevel *= 0.992;
    crackle = crackleLevel * noise.Next();
    // A distant bell at 0.6 s and 2.6 s: a few inharmonic partials.
    double bell = 0;
    for (double strike : {0.6, 2.6}) {
      if (t < strike) continue;
      double s = t - strike;
      double e = std::exp(-s * 1.6);
      bell += e * (0.5 * std::sin(2 * kPi * 392.0 * s) + 0.25 * std::sin(2 * kPi * 392.0 * 2.76 * s) +
                   0.15 * std::sin(2 * kPi * 392.0 * 5.4 * s));
    }
    double fade = std::min({1.0, t / 0.3, (4.0 - t) / 0.3});
    out[i] = ToSample((windPart * 0.5 + crackle * 0.35 + bell * 0.25) * fade);
  }
  return out;
}

std::vector<int16_t> SynthSilence() { return std::vector<int16_t>(kDemoSoundRate / 10, 0); }

std::vector<int16_t> SynthMusicTrack() {
  // A dance in D dorian: eighth notes at 132 beats a minute, a plucked lute
  // (Karplus-Strong) over a drone of D and A.
  static const int kMelody[] = {
      62, 65, 67, 69, 67, 65, 64, 62, 60, 62, 64, 65, 64, 62, 60, 57,
      62, 65, 67, 69, 72, 71, 69, 67, 65, 67, 69, 67, 65, 64, 62, 62,
      69, 69, 72, 71, 69, 67, 69, 65, 67, 67, 69, 67, 65, 64, 62, 60,
      62, 65, 67, 69, 67, 65, 64, 62, 60, 62, 64, 62, 62, 0,  62, 0};
  const double eighth = 60.0 / 132.0 / 2.0;
  const size_t notes = sizeof kMelody / sizeof kMelody[0];
  const auto frames = static_cast<uint32_t>((notes * eighth + 1.5) * kDemoMusicRate);
  std::vector<double> lute(frames, 0.0);
  Noise noise{0xD0D0u};
  for (size_t n = 0; n < notes; ++n) {
    if (!kMelody[n]) continue;
    double frequency = 440.0 * std::pow(2.0, (kMelody[n] - 69) / 12.0);
    auto period = static_cast<size_t>(kDemoMusicRate / frequency);
    std::vector<double> ring(period);
    for (double& v : ring) v = noise.Next() * 0.5;
    auto start = static_cast<size_t>(n * eighth * kDemoMusicRate);
    size_t length = static_cast<size_t>(kDemoMusicRate * 1.2);
    for (size_t i = 0; i < length && start + i < frames; ++i) {
      size_t k = i % period;
      double v = ring[k];
      ring[k] = 0.996 * 0.5 * (ring[k] + ring[(k + 1) % period]);
      lute[start + i] += v;
    }
  }
  std::vector<int16_t> out(size_t{frames} * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    double t = static_cast<double>(i) / kDemoMusicRate;
    double drone = 0.10 * std::sin(2 * kPi * 73.42 * t) + 0.06 * std::sin(2 * kPi * 110.0 * t) +
                   0.03 * std::sin(2 * kPi * 146.83 * t);
    double swell = 0.8 + 0.2 * std::sin(2 * kPi * 0.25 * t);
    double end = static_cast<double>(frames) / kDemoMusicRate;
    double fade = std::min({1.0, t / 0.5, (end - t) / 1.0});
    double left = (lute[i] * 0.75 + drone * swell * 0.9) * fade;
    double right = (lute[i] * 0.55 + drone * swell * 1.1) * fade;
    out[size_t{i} * 2] = ToSample(left);
    out[size_t{i} * 2 + 1] = ToSample(right);
  }
  return out;
}

}  // namespace vsk::data
