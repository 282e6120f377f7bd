// The DirectSound mixer against real time and against a plain sum: 38
// looping mono 16-bit buffers at 11,025, 22,050, 44,100 and 8,000 Hz (the
// game's 38 sound slots all playing) mixed into one second of 44.1 kHz
// stereo, beside a loop that adds the same number of samples, already at the
// output rate, into the same accumulator and clips it. Prints the time for
// one second of sound as a share of real time (the goal: under 1 % of one
// core, 10 ms) and the ratio to the plain sum.
#include <benchmark/benchmark.h>
#include <dsound.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/testing.h"
#include "ratio_reporter.h"

namespace {

namespace hooks = vsk::platform::testing;

constexpr int kBuffers = 38;
constexpr size_t kOutputFrames = 44100;  // one second at 44.1 kHz
constexpr DWORD kRates[] = {11025, 22050, 44100, 8000};

// One second of a tone with a little noise for each buffer, so no two are
// alike and nothing is constant.
std::vector<int16_t> Tone(int index, DWORD rate) {
  std::vector<int16_t> samples(rate);
  uint32_t noise = 12345u + static_cast<uint32_t>(index);
  for (size_t i = 0; i < samples.size(); ++i) {
    noise = noise * 1103515245u + 12345u;
    double tone = 600 * std::sin(2 * 3.14159265358979 * (220 + 20 * index) * double(i) / rate);
    samples[i] = static_cast<int16_t>(tone + static_cast<int>(noise >> 24) - 128);
  }
  return samples;
}

// The sound device with all buffers playing; the mixer is held so that only
// the benchmark renders.
struct Stage {
  HWND window = nullptr;
  IDirectSound* ds = nullptr;
  std::vector<IDirectSoundBuffer*> buffers;
  std::vector<std::vector<int16_t>> atOutputRate;  // the plain sum's input

  Stage() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "VeskariaMixerBench";
    RegisterClassA(&windowClass);
    window = CreateWindowExA(0, "VeskariaMixerBench", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    hooks::HoldMixer(true);
    if (DirectSoundCreate(nullptr, &ds, nullptr) != DS_OK || ds->SetCooperativeLevel(window, DSSCL_NORMAL) != DS_OK) {
      std::fprintf(stderr, "no DirectSound device\n");
      std::exit(1);
    }
    for (int i = 0; i < kBuffers; ++i) {
      DWORD rate = kRates[i % 4];
      std::vector<int16_t> tone = Tone(i, rate);
      WAVEFORMATEX format{};
      format.wFormatTag = WAVE_FORMAT_PCM;
      format.nChannels = 1;
      format.nSamplesPerSec = rate;
      format.wBitsPerSample = 16;
      format.nBlockAlign = 2;
      format.nAvgBytesPerSec = rate * 2;
      DSBUFFERDESC desc{};
      desc.dwSize = sizeof desc;
      desc.dwFlags = DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY;
      desc.dwBufferBytes = static_cast<DWORD>(tone.size() * 2);
      desc.lpwfxFormat = &format;
      IDirectSoundBuffer* buffer = nullptr;
      ds->CreateSoundBuffer(&desc, &buffer, nullptr);
      void* memory = nullptr;
      DWORD bytes = 0;
      buffer->Lock(0, 0, &memory, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER);
      std::copy(tone.begin(), tone.end(), static_cast<int16_t*>(memory));
      buffer->Unlock(memory, bytes, nullptr, 0);
      buffer->Play(0, 0, DSBPLAY_LOOPING);
      buffers.push_back(buffer);
      // The same samples, picked at the output rate without interpolation.
      std::vector<int16_t> picked(kOutputFrames);
      for (size_t f = 0; f < kOutputFrames; ++f) picked[f] = tone[f * rate / kOutputFrames];
      atOutputRate.push_back(std::move(picked));
    }
  }
};

Stage& TheStage() {
  static Stage* stage = new Stage();
  return *stage;
}

void BM_MixerOneSecond(benchmark::State& state) {
  TheStage();
  for (auto _ : state) benchmark::DoNotOptimize(hooks::RenderMixer(kOutputFrames));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kOutputFrames) * 4);
}
BENCHMARK(BM_MixerOneSecond)->Unit(benchmark::kMillisecond);

void BM_PlainSumOneSecond(benchmark::State& state) {
  Stage& stage = TheStage();
  std::vector<int32_t> acc(kOutputFrames * 2);
  std::vector<int16_t> out(kOutputFrames * 2);
  for (auto _ : state) {
    std::fill(acc.begin(), acc.end(), 0);
    for (const std::vector<int16_t>& samples : stage.atOutputRate) {
      const int16_t* s = samples.data();
      int32_t* a = acc.data();
      for (size_t f = 0; f < kOutputFrames; ++f) {
        a[2 * f] += s[f];
        a[2 * f + 1] += s[f];
      }
    }
    for (size_t i = 0; i < acc.size(); ++i) out[i] = static_cast<int16_t>(std::clamp(acc[i], -32768, 32767));
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kOutputFrames) * 4);
}
BENCHMARK(BM_PlainSumOneSecond)->Unit(benchmark::kMillisecond);

// Adds the share of real time to the ratios.
class MixerReporter : public vsk::bench::RatioReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.benchmark_name() == "BM_MixerOneSecond" && run.iterations > 0)
        secondsPerSecond_ = run.real_accumulated_time / double(run.iterations);
    RatioReporter::ReportRuns(runs);
  }
  double SecondsPerSecond() const { return secondsPerSecond_; }

 private:
  double secondsPerSecond_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  // No sound is heard: the mixer is held and only rendered by hand.
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  benchmark::Initialize(&argc, argv);
  MixerReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios({{"mixer vs plain sum", "BM_MixerOneSecond", "BM_PlainSumOneSecond"}});
  if (reporter.SecondsPerSecond() > 0) {
    std::printf("%-32s %8.3f ms per second of sound -> %.2f %% of real time (goal: under 1 %%), output %d Hz\n",
                "38 buffers, 44.1 kHz stereo", reporter.SecondsPerSecond() * 1000, reporter.SecondsPerSecond() * 100,
                hooks::AudioOutputRate());
  }
  benchmark::Shutdown();
  return 0;
}
