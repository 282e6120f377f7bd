// The demo's sounds, synthesised: the mouse click (sound 1), the residence's
// ambience (sound 48: wind round the towers, a crackling hearth, a distant
// bell) and a short music track for the CD audio folder (a lute over a
// drone). Deterministic: the same samples on every run.
#pragma once

#include <cstdint>
#include <vector>

namespace vsk::data {

constexpr uint32_t kDemoSoundRate = 22050;
constexpr uint32_t kDemoMusicRate = 22050;

std::vector<int16_t> SynthClick();                // about 40 ms, mono
std::vector<int16_t> SynthResidenceAmbience();    // 4 s, mono
std::vector<int16_t> SynthSilence();              // 0.1 s of zeros
std::vector<int16_t> SynthMusicTrack();           // about 13 s, stereo interleaved

}  // namespace vsk::data
