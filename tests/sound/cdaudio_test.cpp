// CD audio through the "cdaudio" device of track files: the device check,
// playing a range of tracks, the playing check, the stop and the volume.
#include "sound/cdaudio.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/context.h"
#include "sound/sfx.h"
#include "support/gamedir.h"
#include "support/log.h"
#include "vsk-data/write_sound.h"

namespace vsk {
namespace {

using test::LogCapture;

class CDAudioTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    test::MakeDir("data");
    System.soundStatus = kSoundCdRom | kSoundMusic;
  }
  void TearDown() override {
    {
      LogCapture quiet;
      StopCD();
    }
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
}

TEST_F(CDAudioTest, PlayingNeedsMusicAndCDInTheStatus) {
  WriteTracks({3, 3});
  for (uint32_t status : {0u, kSoundCdRom, kSoundMusic}) {
    System.soundStatus = status;
    LogCapture log;
    EXPECT_FALSE(PlayCDTrack(1, 1));
    EXPECT_EQ(log.Take(), "");
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
