// The sound environment and the effects: the feature words and their log,
// the 38 slots, the sound list, the samples' byte order, the cache, and the
// shutdown; CD audio through the "cdaudio" device of track files.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "core/context.h"
#include "core/presenter_state.h"
#include "platform/testing.h"
#include "services/memory.h"
#include "services/memory_faults.h"
#include "sound/cdaudio.h"
#include "sound/sfx.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "support/plain_window.h"
#include "vsk-data/write_sound.h"

namespace vsk {
namespace {

using test::LogCapture;

constexpr const char* kWindowClass = "VeskariaSoundTest";

// A ramp of samples: sample i is i * 7 (big-endian in the file).
std::vector<int16_t> Ramp(size_t count) {
  std::vector<int16_t> samples(count);
  for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(i * 7);
  return samples;
}

class SoundTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    test::MakeDir("data");
    test::MakeDir("data/sfx");
    // Entry 3 names a file that is not there.
    std::map<uint32_t, data::SoundListEntry> sounds{{3, {"./data/sfx/missing.raw", 100, 22050}}};
    for (auto [id, file, samples, rate] : {std::tuple{1u, "./data/sfx/klick.raw", 400, 22050u},
                                           {2u, "./data/sfx/horn.raw", 1000, 11025u},
                                           {48u, "./data/sfx/residenz.raw", 2000, 22050u}}) {
      test::WriteBytes(file + 2, data::BuildSampleFile(Ramp(samples)));
      sounds[id] = {file, static_cast<uint32_t>(samples * 2), rate};
    }
    test::WriteBytes("data/sfxpath", data::BuildSoundList(sounds, {"./data/sfx/klick.raw", 800, 22050}));

    WindowHandle = test::MakePlainWindow(kWindowClass, 64, 64);
    ASSERT_NE(WindowHandle, nullptr);
    System = SystemContext{};
    System.options.optionFlags = kSoundEffects | kSound16Bit;
    baseline_ = LiveAllocVecBlocks();
  }

  void TearDown() override {
    FailAllocVecAt(0);
    ExitSoundEnvQuietly();
    for (uint32_t i = 0; i < kSoundCacheSlots; ++i) {
      FreeVec(SoundCache[i]);
      SoundCache[i] = nullptr;
      SoundCacheSizes[i] = 0;
    }
    EXPECT_EQ(LiveAllocVecBlocks(), baseline_);
    test::RemovePlainWindow(WindowHandle, kWindowClass);
    WindowHandle = nullptr;
    GameDirTest::TearDown();
  }

  static void ExitSoundEnvQuietly() { LogCapture quiet; ExitSoundEnv(); }
  static bool Init(uint32_t wanted = 0) { LogCapture quiet; return InitSoundEnv(wanted); }

  // The native samples of a slot's buffer.
  static std::vector<int16_t> SlotSamples(int slot) {
    IDirectSoundBuffer* buffer = System.soundBuffers[slot];
    void* data = nullptr;
    DWORD bytes = 0;
    EXPECT_EQ(buffer->Lock(0, 0, &data, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER), DS_OK);
    std::vector<int16_t> samples(bytes / 2);
    std::memcpy(samples.data(), data, samples.size() * 2);
    buffer->Unlock(data, bytes, nullptr, 0);
    return samples;
  }

  static DWORD Status(int slot) {
    DWORD status = 0;
    EXPECT_EQ(System.soundBuffers[slot]->GetStatus(&status), DS_OK);
    return status;
  }

  int64_t baseline_ = 0;
};

TEST_F(SoundTest, InitSoundEnvLogsTheThreeWordsAndLoadsTheClick) {
  System.systemFlags = kSoundCdRom;
  LogCapture log;
  ASSERT_TRUE(InitSoundEnv(0));
  const std::string lines = log.Take();
  EXPECT_EQ(System.systemFlags, kSoundCdRom | kSound16Bit | kSoundEffects);
  EXPECT_EQ(System.soundStatus, kSound16Bit | kSoundEffects);
  const std::string mask =
      "----------------------\nSoundMaske   :\n16BIT Sound ?: yes\nWAVETABLE ?  : no\nCDROMSOUND ? : yes\n"
      "FASTTRACKER ?: no\nSOUNDFX ?    : yes\nMUSIC        : no\nCD_VOLUME    : no\nSFX_VOLUME   : no\n";
  EXPECT_EQ(lines.substr(0, mask.size()), mask);
  EXPECT_NE(lines.find("SoundStatus  :\n"), std::string::npos);
  EXPECT_NE(lines.find("SoundOptionen: (or wanted)\n"), std::string::npos);
  EXPECT_EQ(System.soundIds[0], kClickSound);
  EXPECT_EQ(System.soundSizes[0], 800u);
  // Samples are stored big-endian and played native.
  const std::vector<int16_t> samples = SlotSamples(0);
  ASSERT_EQ(samples.size(), 400u);
  EXPECT_EQ(samples[1], 7);
  EXPECT_EQ(samples[399], 399 * 7);
  DWORD frequency = 0;
  EXPECT_EQ(System.soundBuffers[0]->GetFrequency(&frequency), DS_OK);
  EXPECT_EQ(frequency, 22050u);
  // Wanted features replace the options: only what the mask offers.
  ExitSoundEnvQuietly();
  ASSERT_TRUE(Init(kSoundMusic | kSoundCdRom | kSoundEffects));
  EXPECT_EQ(System.soundStatus, kSoundCdRom | kSoundEffects);
  // Effects switched off: playing says nothing.
  ExitSoundEnvQuietly();
  System.options.optionFlags = kSound16Bit;
  ASSERT_TRUE(Init());
  LogCapture off;
  EXPECT_FALSE(SfxPlayer(kClickSound, 0, 0));
  EXPECT_EQ(off.Take(), "");
  EXPECT_EQ(Status(0), 0u);
}

TEST_F(SoundTest, NoDirectSoundFailsTheEnvironment) {
  platform::testing::FailDirectSoundCreate(true);
  LogCapture log;
  EXPECT_FALSE(InitSoundEnv(0));
  platform::testing::FailDirectSoundCreate(false);
  EXPECT_EQ(log.Take(), "InitSoundEnv: 000 .\n");
  EXPECT_EQ(SoundDevice, nullptr);
}

TEST_F(SoundTest, PlayingTwiceSoundsOnceLoopsUntilReleasedAndTheEndReleasesEverything) {
  ASSERT_TRUE(Init());
  ASSERT_TRUE(OpenKadunSFX(kSoundList, 48));
  EXPECT_TRUE(SfxPlayer(48, 0, 1));
  EXPECT_EQ(Status(1), static_cast<DWORD>(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
  EXPECT_TRUE(SfxPlayer(48, 44100, 1));
  DWORD frequency = 0;
  System.soundBuffers[1]->GetFrequency(&frequency);
  EXPECT_EQ(frequency, 44100u);
  {
    LogCapture log;
    EXPECT_FALSE(SfxPlayer(2, 0, 0));
    EXPECT_EQ(log.Take(), "SfxPlayer: Konnte Id: <2>  nicht abspielen\n");
  }
  // The end logs the three words and releases everything, the looping sound too.
  LogCapture log;
  ExitSoundEnv();
  EXPECT_EQ(log.Take(), "Exit Soundmaske   : 17\nExit Soundstatus  : 17\nExit Soundoptions : 17\n");
  EXPECT_EQ(SoundDevice, nullptr);
  for (int slot = 0; slot < kSoundSlots; ++slot) {
    EXPECT_EQ(System.soundIds[slot], 0u);
    EXPECT_EQ(System.soundBuffers[slot], nullptr);
  }
}

TEST_F(SoundTest, ASoundPlayedAgainWhilePlayingIsHeardOnce) {
  namespace hooks = platform::testing;
  ASSERT_TRUE(Init());
  ASSERT_TRUE(OpenKadunSFX(kSoundList, 48));
  hooks::HoldMixer(true);
  hooks::StartMixerCapture();
  const int rate = hooks::AudioOutputRate();
  ASSERT_GT(rate, 0);
  ASSERT_TRUE(SfxPlayer(48, 0, 0));
  hooks::RenderMixer(static_cast<size_t>(rate / 50));
  ASSERT_TRUE(SfxPlayer(48, 0, 0)) << "played again 20 ms later";
  hooks::RenderMixer(static_cast<size_t>(rate));
  const hooks::MixerCapture capture = hooks::TakeMixerCapture();
  hooks::StopMixerCapture();
  hooks::HoldMixer(false);
  size_t last = 0;
  for (size_t frame = 0; frame < capture.Frames(); ++frame)
    if (capture.samples[2 * frame] != 0) last = frame;
  // 2000 samples at 22050 Hz, once: neither restarted nor layered.
  const double expected = 2000.0 * capture.rate / 22050.0;
  EXPECT_NEAR(static_cast<double>(last), expected, 3.0);
  EXPECT_EQ(Status(1), 0u) << "stopped at its end";
}

TEST_F(SoundTest, ThirtyEightSlotsFillAndAThirtyNinthSoundFailsSilently) {
  ASSERT_TRUE(Init());
  for (int i = 1; i < kSoundSlots; ++i) ASSERT_TRUE(OpenKadunSFX(kSoundList, 2)) << i;
  LogCapture log;
  EXPECT_FALSE(OpenKadunSFX(kSoundList, 2)) << "a 39th sound";
  EXPECT_EQ(log.Take(), "");
}

TEST_F(SoundTest, BadIdsMissingFilesAndBadListsLoadNothing) {
  ASSERT_TRUE(Init());
  // A list whose entry 2 names "aw", the end of entry 1's name: shorter than
  // the four characters of a volume, so it would run into the next name.
  std::vector<uint8_t> list = test::ReadBytes("data/sfxpath");
  const uint32_t first = uint32_t{list[48]} << 24 | uint32_t{list[49]} << 16 | uint32_t{list[50]} << 8 | list[51];
  const uint32_t shortName = first + static_cast<uint32_t>(std::strlen(reinterpret_cast<char*>(&list[32 + first]))) - 2;
  for (int b = 0; b < 4; ++b) list[36 + 20 + 12 + b] = static_cast<uint8_t>(shortName >> (24 - 8 * b));
  test::WriteBytes("data/shortnames", list);
  struct Row { const char* list; uint32_t id; const char* logged; };
  for (const Row& row : {Row{kSoundList, 49, "OpenKadunSFX : 000\n"},
                         Row{kSoundList, 3, "OpenKadunSfx: Konnte <./data/sfx/missing.raw> nicht oeffnen.\n"},
                         Row{"./data/nolist", 2, "OpenKadunSFX : 000\n"},
                         Row{"./data/shortnames", 2, "OpenKadunSFX : 000\n"}}) {
    SCOPED_TRACE(std::string(row.list) + " " + std::to_string(row.id));
    LogCapture log;
    EXPECT_FALSE(OpenKadunSFX(row.list, row.id));
    EXPECT_EQ(log.Take(), row.logged);
  }
  for (int slot = 1; slot < kSoundSlots; ++slot) EXPECT_EQ(System.soundIds[slot], 0u);
  // A short sample file leaves the rest of the buffer silent.
  std::vector<uint8_t> horn = test::ReadBytes("data/sfx/horn.raw");
  horn.resize(100);
  test::WriteBytes("data/sfx/horn.raw", horn);
  ASSERT_TRUE(OpenKadunSFX(kSoundList, 2));
  const std::vector<int16_t> samples = SlotSamples(1);
  ASSERT_EQ(samples.size(), 1000u);
  EXPECT_EQ(samples[49], 49 * 7);
  EXPECT_EQ(std::count(samples.begin() + 50, samples.end(), 0), 950);
}

TEST_F(SoundTest, ReleasedSamplesComeBackFromTheCacheButTheClickFromItsFile) {
  ASSERT_TRUE(Init());
  ASSERT_TRUE(OpenKadunSFX(kSoundList, 48));
  LogCapture log;
  ReleaseSfx(48);
  const std::string lines = log.Take();
  EXPECT_EQ(lines.rfind("Copy Sfx ID 48 Size 4000 Address ", 0), 0u) << lines;
  ASSERT_NE(SoundCache[47], nullptr);

  std::remove("data/sfx/residenz.raw");
  ASSERT_TRUE(OpenKadunSFX(kSoundList, 48)) << "loaded from the cache";
  EXPECT_EQ(SlotSamples(1)[1999], 1999 * 7);
  ReleaseSfx(48);

  ReleaseSfx(kClickSound);
  EXPECT_EQ(SoundCache[0], nullptr) << "the click is never cached";
  std::remove("data/sfx/klick.raw");
  LogCapture click;
  EXPECT_FALSE(OpenKadunSFX(kSoundList, kClickSound));
  EXPECT_NE(click.Take().find("Konnte <./data/sfx/klick.raw> nicht oeffnen"), std::string::npos);
}

TEST_F(SoundTest, ACacheCopyThatCannotBeMadeKeepsNothing) {
  ASSERT_TRUE(Init());
  const uint8_t data[4] = {1, 2, 3, 4};
  LogCapture log;
  FailAllocVecAt(1);
  EXPECT_EQ(Copy2SfxCache(48, 4, data), 1);
  EXPECT_NE(log.Take().find("Copy2SfxCache: Konnte Speicher f\xfcr Buffer nicht allokieren\n"), std::string::npos);
  EXPECT_EQ(SoundCache[47], nullptr);
  EXPECT_EQ(Copy2SfxCache(kClickSound, 4, data), 0);
  EXPECT_EQ(Copy2SfxCache(200, 4, data), 0) << "no cache slot beyond 181";
  EXPECT_EQ(SoundCache[0], nullptr);
}

class CDAudioTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    test::MakeDir("data");
    System.soundStatus = kSoundCdRom | kSoundMusic;
  }
  void TearDown() override {
    { LogCapture quiet; StopCD(); }
    System.soundStatus = 0;
    GameDirTest::TearDown();
  }
  // Tracks 01, 02, ... of a quiet stereo hum lasting these seconds.
  static void WriteTracks(std::vector<int> seconds) {
    test::MakeDir("data/cdaudio");
    for (size_t i = 0; i < seconds.size(); ++i)
      test::WriteBytes("data/cdaudio/track0" + std::to_string(i + 1) + ".wav",
                       data::BuildWavFile(std::vector<int16_t>(size_t(seconds[i]) * 22050 * 2, 1000), 22050, 2));
  }
};

TEST_F(CDAudioTest, NoTrackFolderMeansNoDevice) {
  LogCapture log;
  EXPECT_FALSE(IsCD());
  const std::string lines = log.Take();
  EXPECT_EQ(lines.rfind("IsCD: ", 0), 0u) << lines;
  EXPECT_GT(lines.size(), 8u) << "with the error's text";
  LogCapture volume;
  EXPECT_TRUE(SetCDVolume(200));
  EXPECT_EQ(volume.Take(),
            "SetCDVolume: Windows liefert keine Ger\xe4te zur\xfc" "ck. Deshalb kein Volume-Control m\xf6glich!\n");
  // Playing needs music and CD in the status; without them it says nothing.
  for (uint32_t status : {0u, kSoundCdRom, kSoundMusic}) {
    System.soundStatus = status;
    LogCapture quiet;
    EXPECT_FALSE(PlayCDTrack(1, 1));
    EXPECT_EQ(quiet.Take(), "");
  }
  EXPECT_EQ(CDDeviceId, 0u);
}

TEST_F(CDAudioTest, ATrackPlaysForASecondBeforeTheCallReturnsAndStops) {
  WriteTracks({4, 4});
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(PlayCDTrack(1, 1));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(990));
  EXPECT_NE(CDDeviceId, 0u);
  {
    LogCapture log;
    EXPECT_FALSE(IsCDReady()) << "playing";
    EXPECT_EQ(log.Take(), "IsCDReady 3 526\n");
  }
  // A second range starts on the open device.
  const uint32_t device = CDDeviceId;
  ASSERT_TRUE(PlayCDTrack(1, 1));
  EXPECT_EQ(CDDeviceId, device);
  EXPECT_TRUE(StopCD());
  EXPECT_EQ(CDDeviceId, 0u);
  LogCapture after;
  EXPECT_TRUE(IsCDReady()) << "no device: the status cannot be read";
  EXPECT_EQ(after.Take().rfind("IsCDReady: ", 0), 0u);
  // The sound environment stops the music at its end.
  ASSERT_TRUE(PlayCDTrack(1, 1));
  LogCapture quiet;
  ExitSoundEnv();
  EXPECT_EQ(CDDeviceId, 0u);
}

TEST_F(CDAudioTest, TheLastTrackAsEndPointIsRefusedAndTheDeviceClosed) {
  WriteTracks({1, 1});
  LogCapture log;
  EXPECT_FALSE(PlayCDTrack(1, 2));
  const std::string lines = log.Take();
  EXPECT_EQ(lines.rfind("PlayCDTrack3: ", 0), 0u) << lines;
  EXPECT_EQ(CDDeviceId, 0u) << "the device was closed";
  // The check opens and closes its own device.
  EXPECT_TRUE(IsCD()) << "and can be opened again";
  EXPECT_EQ(CDDeviceId, 0u);
  EXPECT_FALSE(StopCD()) << "nothing open to stop";
  // The volume goes to the cdaudio device.
  EXPECT_TRUE(SetCDVolume(0x80));
  DWORD volume = 0;
  ASSERT_EQ(auxGetVolume(0, &volume), MMSYSERR_NOERROR);
  EXPECT_EQ(volume & 0xFFFF, 0x80u * 257u);
}

}  // namespace
}  // namespace vsk
