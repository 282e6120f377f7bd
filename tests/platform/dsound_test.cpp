// DirectSound over the layer's mixer (held and stepped): sound, status, cursors, locks, errors, lifetimes.
#include <cmath>

#include "platform_test.h"
#include "support/mixer.h"

namespace {

WAVEFORMATEX Format(DWORD rate, WORD channels = 1, WORD bits = 16) {
  WORD align = static_cast<WORD>(channels * bits / 8);
  return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

DSBUFFERDESC Description(WAVEFORMATEX* format, DWORD bytes, DWORD flags = 0x28) {
  DSBUFFERDESC desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = flags;
  desc.dwBufferBytes = bytes;
  desc.lpwfxFormat = format;
  return desc;
}

DWORD Status(IDirectSoundBuffer* buffer) {
  DWORD status = 0xDEAD;
  EXPECT_EQ(buffer->GetStatus(&status), DS_OK);
  return status;
}

class DirectSound : public ::testing::Test {
 protected:
  void SetUp() override {
    hooks::ResetSound();
    hooks::HoldMixer(true);
    ASSERT_EQ(DirectSoundCreate(nullptr, &ds_, nullptr), DS_OK);
    ASSERT_EQ(ds_->SetCooperativeLevel(window_, DSSCL_NORMAL), DS_OK);
    hooks::StartMixerCapture();
  }

  void TearDown() override {
    for (IDirectSoundBuffer* buffer : owned_) buffer->Release();
    if (ds_) ds_->Release();
    EXPECT_EQ(hooks::LiveDirectSoundObjects(), 0);
    EXPECT_FALSE(hooks::AudioOutputOpen()) << "the last device closes the output";
    hooks::ResetSound();
  }

  // A secondary buffer holding bytes in format, released by TearDown.
  IDirectSoundBuffer* Buffer(WAVEFORMATEX format, const void* bytes, DWORD size, DWORD flags = 0x28) {
    DSBUFFERDESC desc = Description(&format, size, flags);
    IDirectSoundBuffer* buffer = nullptr;
    EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
    if (!buffer) return nullptr;
    owned_.push_back(buffer);
    void* memory = nullptr;
    DWORD length = 0;
    EXPECT_EQ(buffer->Lock(0, 0, &memory, &length, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(length, size);
    std::memcpy(memory, bytes, size);
    EXPECT_EQ(buffer->Unlock(memory, length, nullptr, 0), DS_OK);
    return buffer;
  }
  IDirectSoundBuffer* Buffer(DWORD rate, const std::vector<int16_t>& samples, DWORD flags = 0x28) {
    return Buffer(Format(rate), samples.data(), static_cast<DWORD>(samples.size() * 2), flags);
  }

  TestWindow window_{"VeskariaDSTest", DefWindowProcA, 64, 64};
  IDirectSound* ds_ = nullptr;
  std::vector<IDirectSoundBuffer*> owned_;
};

// 0.5 s of 441 Hz at 22,050 Hz once, then 0.1 s of one level looping.
TEST_F(DirectSound, AOneShotPlaysItsWaveformAndEndsALoopLoopsUntilStoppedOrEnded) {
  IDirectSoundBuffer* buffer = Buffer(22050, Sine(22050, 441, 0.5, 10000));
  EXPECT_EQ(Status(buffer), 0u);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(Status(buffer), DWORD(DSBSTATUS_PLAYING));
  MixerCapture out = Render(1.0);
  ASSERT_GT(out.rate, 0);
  EXPECT_NEAR(SoundingSeconds(out), 0.5, 0.002);
  EXPECT_NEAR(Pitch(out, 0, out.rate / 2), 441, 3);
  int worst = 0;  // resampled linearly: the sine's shape survives
  for (size_t i = 0; i < size_t(out.rate) / 2 - 2; ++i) {
    int ideal = static_cast<int>(std::lround(10000 * std::sin(2 * kPi * 441 * double(i) / out.rate)));
    worst = std::max(worst, std::abs(out.samples[2 * i] - ideal));
    ASSERT_EQ(out.samples[2 * i], out.samples[2 * i + 1]) << "mono goes to both channels";
  }
  EXPECT_LT(worst, 60);
  EXPECT_EQ(Status(buffer), 0u) << "the mixer stopped it at its end";
  DWORD play = 1;
  ASSERT_EQ(buffer->GetCurrentPosition(&play, nullptr), DS_OK);
  EXPECT_EQ(play, 0u) << "a one-shot that ended starts again from the beginning";

  IDirectSoundBuffer* loop = Buffer(22050, std::vector<int16_t>(2205, 8000));
  ASSERT_EQ(loop->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(Status(loop), DWORD(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
  out = Render(0.55);
  for (size_t i = 0; i < out.Frames(); ++i) ASSERT_EQ(out.samples[2 * i], 8000) << "frame " << i;
  ASSERT_EQ(loop->Stop(), DS_OK);
  EXPECT_EQ(Status(loop), 0u);
  ASSERT_EQ(loop->GetCurrentPosition(&play, nullptr), DS_OK);
  EXPECT_NEAR(play, 0.05 * 22050 * 2, 4) << "5.5 loops of 0.1 s: halfway through";
  EXPECT_EQ(Peak(Render(0.2), 0), 0);
  // Play without looping on a playing looping buffer only ends the loop.
  ASSERT_EQ(loop->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  ASSERT_EQ(loop->Play(0, 0, 0), DS_OK);
  EXPECT_EQ(Status(loop), DWORD(DSBSTATUS_PLAYING));
  EXPECT_NEAR(SoundingSeconds(Render(0.2)), 0.05, 0.002) << "plays out the rest of the buffer";
  EXPECT_EQ(Status(loop), 0u);
}

TEST_F(DirectSound, FrequencyVolumeAndPanNeedTheirControls) {
  IDirectSoundBuffer* buffer = Buffer(22050, Sine(22050, 441, 0.5, 10000), DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLVOLUME |
                                                                                 DSBCAPS_CTRLPAN | DSBCAPS_STATIC);
  // Twice the rate: an octave up, half as long.
  ASSERT_EQ(buffer->SetFrequency(44100), DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  MixerCapture out = Render(1.0);
  EXPECT_NEAR(SoundingSeconds(out), 0.25, 0.002);
  EXPECT_NEAR(Pitch(out, 0, out.rate / 5), 882, 6);
  ASSERT_EQ(buffer->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
  DWORD frequency = 0;
  ASSERT_EQ(buffer->GetFrequency(&frequency), DS_OK);
  EXPECT_EQ(frequency, 22050u);
  EXPECT_EQ(buffer->SetFrequency(99), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetFrequency(100001), DSERR_INVALIDPARAM);

  // -6 dB is half the amplitude; full right pan silences the left.
  ASSERT_EQ(buffer->SetVolume(-602), DS_OK);
  ASSERT_EQ(buffer->SetPan(DSBPAN_RIGHT), DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  out = Render(0.6);
  EXPECT_EQ(Peak(out, 0), 0);
  EXPECT_NEAR(Peak(out, 1), 5000, 60);
  LONG volume = 0, pan = 0;
  ASSERT_EQ(buffer->GetVolume(&volume), DS_OK);
  ASSERT_EQ(buffer->GetPan(&pan), DS_OK);
  EXPECT_EQ(volume, -602);
  EXPECT_EQ(pan, DSBPAN_RIGHT);
  EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetPan(-10001), DSERR_INVALIDPARAM);

  IDirectSoundBuffer* plain = Buffer(22050, Sine(22050, 441, 0.1, 100), DSBCAPS_LOCSOFTWARE);
  EXPECT_EQ(plain->SetFrequency(11025), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->GetFrequency(&frequency), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->SetVolume(-100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->SetPan(100), DSERR_CONTROLUNAVAIL);
}

TEST_F(DirectSound, ManyLoudBuffersSaturateInsteadOfWrapping) {
  // 38 full-scale buffers at mixed rates sum far beyond 16 bits.
  const DWORD rates[] = {11025, 22050, 44100, 8000};
  for (int i = 0; i < 38; ++i)
    ASSERT_EQ(Buffer(rates[i % 4], std::vector<int16_t>(800, 32767))->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  for (int16_t sample : Render(0.1).samples) ASSERT_EQ(sample, 32767);
  for (IDirectSoundBuffer* buffer : owned_) buffer->Stop();
  for (int i = 0; i < 4; ++i)
    ASSERT_EQ(Buffer(22050, std::vector<int16_t>(800, -32768))->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  for (int16_t sample : Render(0.05).samples) ASSERT_EQ(sample, -32768);
}

TEST_F(DirectSound, LockGivesTheBuffersMemoryAndChecksTheRegion) {
  std::vector<uint8_t> frames(400);  // 8-bit unsigned: left +16384, right -16384
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = i % 2 ? 0x40 : 0xC0;
  IDirectSoundBuffer* buffer = Buffer(Format(11025, 2, 8), frames.data(), 400);
  void *first = nullptr, *second = nullptr;
  DWORD firstBytes = 0, secondBytes = 0;
  ASSERT_EQ(buffer->Lock(300, 200, &first, &firstBytes, &second, &secondBytes, 0), DS_OK);
  EXPECT_EQ(firstBytes, 100u) << "to the end of the buffer …";
  EXPECT_EQ(secondBytes, 100u) << "… and on from its start";
  EXPECT_EQ(static_cast<uint8_t*>(first) - static_cast<uint8_t*>(second), 300);
  EXPECT_EQ(buffer->Unlock(first, firstBytes, second, secondBytes), DS_OK);
  EXPECT_EQ(buffer->Lock(300, 200, &first, &firstBytes, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Lock(0, 0, &first, &firstBytes, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Lock(0, 401, &first, &firstBytes, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Lock(400, 1, &first, &firstBytes, &second, &secondBytes, 0), DSERR_INVALIDPARAM);
  uint8_t elsewhere[4];
  EXPECT_EQ(buffer->Unlock(elsewhere, 4, nullptr, 0), DSERR_INVALIDPARAM);

  ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  MixerCapture out = Render(0.1);
  EXPECT_EQ(out.samples[0], 16384);
  EXPECT_EQ(out.samples[1], -16384);

  DSBCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(buffer->GetCaps(&caps), DS_OK);
  EXPECT_EQ(caps.dwBufferBytes, 400u);
  EXPECT_EQ(caps.dwFlags, DWORD(0x28));
  WAVEFORMATEX format{};
  DWORD written = 0;
  ASSERT_EQ(buffer->GetFormat(&format, sizeof format, &written), DS_OK);
  EXPECT_EQ(format.nSamplesPerSec, 11025u);
  EXPECT_EQ(format.nBlockAlign, 2);
  EXPECT_EQ(buffer->SetCurrentPosition(400), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetCurrentPosition(101), DS_OK);
  DWORD play = 0;
  ASSERT_EQ(buffer->Stop(), DS_OK);
  ASSERT_EQ(buffer->GetCurrentPosition(&play, nullptr), DS_OK);
  EXPECT_EQ(play, 100u) << "positions fall on whole frames";
}

TEST_F(DirectSound, ReleasedBuffersAndBuffersOfAReleasedDeviceAreSilent) {
  IDirectSoundBuffer* gone = Buffer(22050, std::vector<int16_t>(2205, 1000));
  IDirectSoundBuffer* kept = Buffer(22050, std::vector<int16_t>(2205, 20));
  IDirectSoundBuffer* copy = nullptr;
  ASSERT_EQ(ds_->DuplicateSoundBuffer(kept, &copy), DS_OK);
  owned_.push_back(copy);
  for (IDirectSoundBuffer* buffer : owned_) ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(Render(0.05).samples[0], 1040) << "a duplicate plays the same memory on its own";
  int live = hooks::LiveDirectSoundObjects();
  owned_.erase(owned_.begin());
  gone->Release();
  EXPECT_EQ(hooks::LiveDirectSoundObjects(), live - 1);
  EXPECT_EQ(Peak(Render(0.05), 0), 40);

  // A second device keeps the output open while the first goes.
  IDirectSound* other = nullptr;
  ASSERT_EQ(DirectSoundCreate(nullptr, &other, nullptr), DS_OK);
  ds_->Release();
  ds_ = nullptr;
  EXPECT_EQ(Peak(Render(0.05), 0), 0);
  EXPECT_EQ(Status(kept), DWORD(DSBSTATUS_BUFFERLOST));
  EXPECT_EQ(kept->Play(0, 0, 0), DSERR_BUFFERLOST);
  other->Release();
}

TEST_F(DirectSound, CreationAndLevelErrors) {
  WAVEFORMATEX format = Format(22050);
  IDirectSoundBuffer* buffer = nullptr;
  // A good description (200 bytes, 22,050 Hz mono) with one thing changed.
  auto create = [&](WAVEFORMATEX changed, DWORD bytes = 200, DWORD flags = 0x28, DWORD size = sizeof(DSBUFFERDESC)) {
    format = changed;
    DSBUFFERDESC desc = Description(&format, bytes, flags);
    desc.dwSize = size;
    HRESULT result = ds_->CreateSoundBuffer(&desc, &buffer, nullptr);
    if (result == DS_OK) owned_.push_back(buffer);
    return result;
  };
  EXPECT_EQ(create(Format(22050), 200, 0x28, sizeof(DSBUFFERDESC1)), DS_OK) << "the DirectX 3 description";
  EXPECT_EQ(create(Format(22050), 200, 0x28, 12), DSERR_INVALIDPARAM) << "a short description";
  EXPECT_EQ(create(Format(22050), 3), DSERR_INVALIDPARAM) << "no whole frame";
  EXPECT_EQ(create(Format(22050), 200, DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE), DSERR_INVALIDPARAM);
  EXPECT_EQ(create(Format(22050, 3)), DSERR_BADFORMAT) << "three channels";
  EXPECT_EQ(create(Format(22050, 1, 24)), DSERR_BADFORMAT) << "24 bits";
  EXPECT_EQ(create(Format(99)), DSERR_BADFORMAT);
  EXPECT_EQ(create(Format(100001)), DSERR_BADFORMAT);
  EXPECT_EQ(create({3, 1, 22050, 44100, 2, 16, 0}), DSERR_BADFORMAT) << "floating point";
  EXPECT_EQ(create({WAVE_FORMAT_PCM, 1, 22050, 44100, 4, 16, 0}), DSERR_BADFORMAT) << "a wrong block";
  format = Format(22050);
  DSBUFFERDESC desc = Description(&format, 200);
  EXPECT_EQ(ds_->CreateSoundBuffer(&desc, &buffer, reinterpret_cast<IUnknown*>(ds_)), DSERR_NOAGGREGATION);
  EXPECT_EQ(ds_->CreateSoundBuffer(nullptr, &buffer, nullptr), DSERR_INVALIDPARAM);

  DSCAPS caps{};
  EXPECT_EQ(ds_->GetCaps(&caps), DSERR_INVALIDPARAM);
  caps.dwSize = sizeof caps;
  ASSERT_EQ(ds_->GetCaps(&caps), DS_OK);
  EXPECT_EQ(caps.dwMaxSecondarySampleRate, 100000u);

  // The game asks for exclusive access, normal if refused: both are granted.
  EXPECT_EQ(ds_->SetCooperativeLevel(window_, DSSCL_EXCLUSIVE), DS_OK);
  EXPECT_EQ(ds_->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DSERR_INVALIDPARAM);
  EXPECT_EQ(ds_->SetCooperativeLevel(window_, 0), DSERR_INVALIDPARAM);

  // Buffers of a device without a level do not play.
  IDirectSound* fresh = nullptr;
  ASSERT_EQ(DirectSoundCreate(nullptr, &fresh, nullptr), DS_OK);
  IDirectSoundBuffer* early = nullptr;
  ASSERT_EQ(fresh->CreateSoundBuffer(&desc, &early, nullptr), DS_OK);
  EXPECT_EQ(early->Play(0, 0, 0), DSERR_PRIOLEVELNEEDED);
  early->Release();

  // The primary buffer: one per device, its memory not the game's.
  DSBUFFERDESC primaryDesc = Description(nullptr, 0, DSBCAPS_PRIMARYBUFFER);
  IDirectSoundBuffer* primary = nullptr;
  ASSERT_EQ(fresh->CreateSoundBuffer(&primaryDesc, &primary, nullptr), DS_OK);
  void* memory = nullptr;
  DWORD bytes = 0;
  EXPECT_EQ(primary->Lock(0, 0, &memory, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DSERR_PRIOLEVELNEEDED);
  WAVEFORMATEX wanted = Format(44100, 2, 16), got{};
  EXPECT_EQ(primary->SetFormat(&wanted), DSERR_PRIOLEVELNEEDED);
  ASSERT_EQ(fresh->SetCooperativeLevel(window_, DSSCL_PRIORITY), DS_OK);
  EXPECT_EQ(primary->SetFormat(&wanted), DS_OK);
  ASSERT_EQ(primary->GetFormat(&got, sizeof got, nullptr), DS_OK);
  EXPECT_EQ(got.nSamplesPerSec, 44100u);
  primary->Release();
  fresh->Release();

  hooks::FailDirectSoundCreate(true);
  EXPECT_EQ(DirectSoundCreate(nullptr, &fresh, nullptr), DSERR_NODRIVER);
  hooks::FailDirectSoundCreate(false);
  GUID unknown{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(DirectSoundCreate(&unknown, &fresh, nullptr), DSERR_NODRIVER);
}

// The primary device first with a null GUID, each device opens by its GUID; FALSE ends the listing.
TEST(DirectSoundEnumeration, ListsThePrimaryDeviceThenTheOutputs) {
  struct Seen {
    size_t stopAfter;
    std::vector<std::string> names;
    std::vector<GUID> guids;  // of the devices after the first
  } seen{100, {}, {}}, once{1, {}, {}};
  auto record = [](LPGUID guid, LPCSTR description, LPCSTR, LPVOID context) -> BOOL {
    auto* s = static_cast<Seen*>(context);
    EXPECT_EQ(guid == nullptr, s->names.empty()) << description;
    if (guid) s->guids.push_back(*guid);
    s->names.push_back(description);
    return s->names.size() < s->stopAfter;
  };
  ASSERT_EQ(DirectSoundEnumerateA(record, &seen), DS_OK);
  ASSERT_FALSE(seen.names.empty());
  EXPECT_EQ(seen.names[0], "Primary Sound Driver");
  for (const GUID& guid : seen.guids) {
    IDirectSound* ds = nullptr;
    ASSERT_EQ(DirectSoundCreate(&guid, &ds, nullptr), DS_OK);
    ds->Release();
  }
  ASSERT_EQ(DirectSoundEnumerateA(record, &once), DS_OK);
  EXPECT_EQ(once.names.size(), 1u);
}

// Without holding the mixer a buffer ends on time, on the SDL device and on the null output.
class DirectSoundRealTime : public ::testing::TestWithParam<bool> {};

TEST_P(DirectSoundRealTime, ABufferFinishesOnTime) {
  hooks::ResetSound();
  hooks::FailAudioDevice(GetParam());
  TestWindow window("VeskariaDSTime", DefWindowProcA, 8, 8);
  IDirectSound* ds = nullptr;
  ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
  EXPECT_EQ(hooks::AudioOutputIsNull(), GetParam());
  ASSERT_EQ(ds->SetCooperativeLevel(window, DSSCL_EXCLUSIVE), DS_OK);
  WAVEFORMATEX format = Format(22050);
  DSBUFFERDESC desc = Description(&format, 8820, DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE);  // 0.2 s
  IDirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(ds->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
  auto started = Clock::now();
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  DWORD status = DSBSTATUS_PLAYING;
  EXPECT_TRUE(Eventually([&] { return buffer->GetStatus(&status) == DS_OK && status == 0; }));
  double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  EXPECT_GE(seconds, 0.15) << "it plays in real time";
  buffer->Release();
  ds->Release();
  hooks::ResetSound();
}

INSTANTIATE_TEST_SUITE_P(Outputs, DirectSoundRealTime, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "NullOutput" : "SdlDevice"; });

TEST(DirectSoundDeathTest, UnsupportedCallsEndLoudly) {
  IDirectSound* ds = nullptr;
  ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
  WAVEFORMATEX format = Format(22050);
  DSBUFFERDESC desc = Description(&format, 100, DSBCAPS_CTRL3D);
  IDirectSoundBuffer* buffer = nullptr;
  EXPECT_DEATH(ds->CreateSoundBuffer(&desc, &buffer, nullptr), "not provided by the compatibility layer");
  ds->Release();
}

}  // namespace
