// The "cdaudio" MCI device over a folder of track files and the CD's aux volume, through the captured mixer.
#include <cstdio>

#include "platform_test.h"
#include "support/bytes.h"
#include "support/mixer.h"

namespace {

// A WAV file of interleaved samples (8-bit ones are stored unsigned).
std::vector<uint8_t> Wave(DWORD rate, int channels, int bits, const std::vector<int16_t>& samples) {
  Bytes data, file;
  for (int16_t s : samples)
    if (bits == 8) data.u8(static_cast<uint8_t>((s >> 8) + 128));
    else data.u8(static_cast<uint8_t>(s)).u8(static_cast<uint8_t>(s >> 8));
  const auto size = static_cast<uint32_t>(data.size()), align = static_cast<uint32_t>(channels * bits / 8);
  file.text("RIFF").le32(36 + size).text("WAVEfmt ").le32(16).le32(WAVE_FORMAT_PCM | uint32_t(channels) << 16);
  file.le32(rate).le32(rate * align).le32(align | uint32_t(bits) << 16).text("data").le32(size).append(data);
  return file.data;
}

class CdAudio : public GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    hooks::ResetSound();
    hooks::HoldMixer(true);
    hooks::StartMixerCapture();
  }
  void TearDown() override {
    mciSendCommandA(MCI_ALL_DEVICE_ID, MCI_CLOSE, 0, 0);
    EXPECT_FALSE(hooks::AudioOutputOpen()) << "closing the device gives the output back";
    hooks::ResetSound();
    GameDirTest::TearDown();
  }

  // Track n of the disc, in a folder whose case differs from the game's.
  void Track(int n, const std::vector<uint8_t>& wave) {
    MakeDir("Data");
    MakeDir("Data/CDAudio");
    char name[64];
    std::snprintf(name, sizeof name, "Data/CDAudio/Track%02d.WAV", n);
    WriteBytes(name, wave);
  }
  // 1 s of 441 Hz mono, 0.5 s of 1 kHz stereo, no track 3, 0.2 s of 8 bits.
  void StandardDisc() {
    Track(1, Wave(22050, 1, 16, Sine(22050, 441, 1.0, 8000)));
    Track(2, Wave(44100, 2, 16, Sine(44100, 1000, 0.5, 8000, 2)));
    Track(4, Wave(11025, 1, 8, Sine(11025, 300, 0.2, 8000)));
  }

  static MCIERROR Open(MCIDEVICEID* id, DWORD flags = MCI_OPEN_TYPE, const char* alias = nullptr) {
    MCI_OPEN_PARMSA open{};
    open.lpstrDeviceType = "CDAudio";
    open.lpstrAlias = alias;
    MCIERROR error = mciSendCommandA(0, MCI_OPEN, flags, reinterpret_cast<DWORD_PTR>(&open));
    *id = open.wDeviceID;
    return error;
  }
  static DWORD_PTR Status(MCIDEVICEID id, DWORD item, DWORD track = 0) {
    MCI_STATUS_PARMS status{};
    status.dwItem = item;
    status.dwTrack = track;
    EXPECT_EQ(mciSendCommandA(id, MCI_STATUS, MCI_STATUS_ITEM | (track ? MCI_TRACK : 0),
                              reinterpret_cast<DWORD_PTR>(&status)),
              0u);
    return status.dwReturn;
  }
  static MCIERROR TimeFormat(MCIDEVICEID id, DWORD format) {
    MCI_SET_PARMS set{};
    set.dwTimeFormat = format;
    return mciSendCommandA(id, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set));
  }
  static MCIERROR Play(MCIDEVICEID id, DWORD flags, DWORD from = 0, DWORD to = 0, HWND notify = nullptr) {
    MCI_PLAY_PARMS play{};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(notify);
    play.dwFrom = from;
    play.dwTo = to;
    return mciSendCommandA(id, MCI_PLAY, flags, reinterpret_cast<DWORD_PTR>(&play));
  }
};

TEST_F(CdAudio, WithoutPlayableTracksThereIsNoDevice) {
  MCIDEVICEID id = 0;
  EXPECT_EQ(auxGetNumDevs(), 0u);
  EXPECT_EQ(Open(&id), DWORD(MCIERR_INVALID_DEVICE_NAME));
  MakeDir("data");
  MakeDir("data/cdaudio");
  WriteText("data/cdaudio/track01.wav", "not a wave file");
  WriteBytes("data/cdaudio/track2.wav", Wave(22050, 1, 16, Sine(22050, 441, 0.1, 100)));
  EXPECT_EQ(Open(&id), DWORD(MCIERR_INVALID_DEVICE_NAME));
  EXPECT_EQ(auxGetNumDevs(), 0u);
  AUXCAPSA caps;
  EXPECT_EQ(auxGetDevCapsA(0, &caps, sizeof caps), MMRESULT(MMSYSERR_BADDEVICEID));
  EXPECT_EQ(auxSetVolume(0, 0xFFFF), MMRESULT(MMSYSERR_BADDEVICEID));
}

TEST_F(CdAudio, TheFolderIsADiscAsMciReportsIt) {
  StandardDisc();
  MCIDEVICEID id = 0;
  ASSERT_EQ(Open(&id), 0u);
  EXPECT_GT(id, 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_NUMBER_OF_TRACKS), 4u);
  EXPECT_EQ(Status(id, MCI_CDA_STATUS_TYPE_TRACK, 1), DWORD_PTR(MCI_CDA_TRACK_AUDIO));
  EXPECT_EQ(Status(id, MCI_CDA_STATUS_TYPE_TRACK, 3), DWORD_PTR(MCI_CDA_TRACK_OTHER)) << "a missing number";
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), DWORD_PTR(MCI_MODE_STOP));
  EXPECT_EQ(Status(id, MCI_STATUS_MEDIA_PRESENT), DWORD_PTR(TRUE));
  EXPECT_EQ(Status(id, MCI_STATUS_READY), DWORD_PTR(TRUE));
  EXPECT_EQ(Status(id, MCI_STATUS_TIME_FORMAT), DWORD_PTR(MCI_FORMAT_MSF));
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), DWORD_PTR(MCI_MAKE_MSF(0, 2, 0))) << "after the lead-in";

  ASSERT_EQ(TimeFormat(id, MCI_FORMAT_TMSF), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), DWORD_PTR(MCI_MAKE_TMSF(1, 0, 0, 0)));
  EXPECT_EQ(Status(id, MCI_STATUS_CURRENT_TRACK), 1u);
  EXPECT_EQ(Status(id, MCI_STATUS_LENGTH, 1), DWORD_PTR(MCI_MAKE_MSF(0, 1, 0)));
  EXPECT_EQ(Status(id, MCI_STATUS_LENGTH, 2), DWORD_PTR(MCI_MAKE_MSF(0, 0, 38))) << "whole CD frames";
  EXPECT_EQ(Status(id, MCI_STATUS_LENGTH, 3), DWORD_PTR(MCI_MAKE_MSF(0, 4, 0)));
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION, 4), DWORD_PTR(MCI_MAKE_TMSF(4, 0, 0, 0)));
  ASSERT_EQ(TimeFormat(id, MCI_FORMAT_MILLISECONDS), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_LENGTH, 1), 1000u);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION, 2), 3000u);
  EXPECT_EQ(TimeFormat(id, MCI_FORMAT_SAMPLES), DWORD(MCIERR_BAD_TIME_FORMAT));

  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_LENGTH;
  status.dwTrack = 5;
  EXPECT_EQ(mciSendCommandA(id, MCI_STATUS, MCI_STATUS_ITEM | MCI_TRACK, reinterpret_cast<DWORD_PTR>(&status)),
            DWORD(MCIERR_OUTOFRANGE));
  EXPECT_EQ(mciSendCommandA(id, MCI_STATUS, 0, reinterpret_cast<DWORD_PTR>(&status)), DWORD(MCIERR_MISSING_PARAMETER));
  EXPECT_EQ(mciSendCommandA(id, MCI_STATUS, MCI_STATUS_ITEM, 0), DWORD(MCIERR_NULL_PARAMETER_BLOCK));
  EXPECT_EQ(mciSendCommandA(id, MCI_RECORD, 0, 0), DWORD(MCIERR_UNSUPPORTED_FUNCTION));
  EXPECT_EQ(mciSendCommandA(id, 0x0999, 0, 0), DWORD(MCIERR_UNRECOGNIZED_COMMAND));

  // Open twice: the alias is taken; under another one the drive must be
  // shared by every open.
  MCIDEVICEID again = 0, shared = 0;
  EXPECT_EQ(Open(&again), DWORD(MCIERR_DEVICE_OPEN));
  EXPECT_EQ(Open(&again, MCI_OPEN_TYPE | MCI_OPEN_ALIAS | MCI_OPEN_SHAREABLE, "music"),
            DWORD(MCIERR_MUST_USE_SHAREABLE));
  ASSERT_EQ(mciSendCommandA(id, MCI_CLOSE, 0, 0), 0u);
  EXPECT_EQ(mciSendCommandA(id, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status)),
            DWORD(MCIERR_INVALID_DEVICE_ID));
  MCI_OPEN_PARMSA byType{};
  byType.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<DWORD_PTR>(MCI_DEVTYPE_CD_AUDIO));
  ASSERT_EQ(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_SHAREABLE,
                            reinterpret_cast<DWORD_PTR>(&byType)),
            0u);
  EXPECT_EQ(Open(&shared, MCI_OPEN_TYPE | MCI_OPEN_ALIAS | MCI_OPEN_SHAREABLE, "music"), 0u);
  EXPECT_NE(shared, byType.wDeviceID);
}

TEST_F(CdAudio, PlaysTheTracksFromTheFirstUpToTheEndTrackAndStops) {
  StandardDisc();
  MCIDEVICEID id = 0;
  ASSERT_EQ(Open(&id), 0u);
  ASSERT_EQ(TimeFormat(id, MCI_FORMAT_TMSF), 0u);
  // The track after the last one is no end point.
  EXPECT_EQ(Play(id, MCI_FROM | MCI_TO, MCI_MAKE_TMSF(1, 0, 0, 0), MCI_MAKE_TMSF(5, 0, 0, 0)),
            DWORD(MCIERR_OUTOFRANGE));
  EXPECT_EQ(Play(id, MCI_FROM, MCI_MAKE_TMSF(0, 0, 0, 0)), DWORD(MCIERR_OUTOFRANGE));
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), DWORD_PTR(MCI_MODE_STOP));

  // From track 1 to track 2: track 1 alone.
  ASSERT_EQ(Play(id, MCI_FROM | MCI_TO, MCI_MAKE_TMSF(1, 0, 0, 0), MCI_MAKE_TMSF(2, 0, 0, 0)), 0u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), DWORD_PTR(MCI_MODE_PLAY));
  MixerCapture first = Render(0.5);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), DWORD_PTR(MCI_MAKE_TMSF(1, 0, 0, 37))) << "0.5 s = 37.5 frames";
  Render(0.3);
  EXPECT_EQ(Status(id, MCI_STATUS_POSITION), DWORD_PTR(MCI_MAKE_TMSF(1, 0, 0, 60)));
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), DWORD_PTR(MCI_MODE_PLAY));
  MixerCapture rest = Render(1.0);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), DWORD_PTR(MCI_MODE_STOP));
  EXPECT_NEAR(SoundingSeconds(rest), 0.2, 0.002) << "1 s in all, nothing of track 2";
  EXPECT_NEAR(Pitch(first, 0, first.Frames()), 441, 4);
  EXPECT_NEAR(Peak(first), 8000, 40);

  // Without an end: to the end of the disc, through the data track.
  ASSERT_EQ(Play(id, MCI_FROM, MCI_MAKE_TMSF(2, 0, 0, 0)), 0u);
  MixerCapture second = Render(0.4);
  EXPECT_NEAR(Pitch(second, 0, second.Frames()), 1000, 5);
  EXPECT_EQ(Status(id, MCI_STATUS_CURRENT_TRACK), 2u);
  // The rest of track 2, the data track's 4 s of silence, the start of track 4.
  MixerCapture gap = Render(4.12);
  for (size_t i = gap.rate / 5; i < size_t(gap.rate) * 4; ++i) ASSERT_EQ(gap.samples[2 * i], 0) << i;
  EXPECT_NEAR(SoundingSeconds(gap), 4.12, 0.002);
  EXPECT_EQ(Status(id, MCI_STATUS_CURRENT_TRACK), 4u);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), DWORD_PTR(MCI_MODE_PLAY));
  MixerCapture last = Render(0.5);
  EXPECT_NEAR(Pitch(last, 0, last.rate * 15 / 100), 300, 10);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), DWORD_PTR(MCI_MODE_STOP));
}

TEST_F(CdAudio, TheAuxVolumeScalesTheTracks) {
  Track(1, Wave(22050, 1, 16, std::vector<int16_t>(22050, 12000)));
  ASSERT_EQ(auxGetNumDevs(), 1u);
  AUXCAPSA caps{};
  ASSERT_EQ(auxGetDevCapsA(0, &caps, sizeof caps), MMRESULT(MMSYSERR_NOERROR));
  EXPECT_STREQ(caps.szPname, "CD Audio");
  EXPECT_EQ(caps.wTechnology, AUXCAPS_CDAUDIO);
  EXPECT_EQ(caps.dwSupport, DWORD(AUXCAPS_VOLUME));
  EXPECT_EQ(auxGetDevCapsA(1, &caps, sizeof caps), MMRESULT(MMSYSERR_BADDEVICEID));

  MCIDEVICEID id = 0;
  ASSERT_EQ(Open(&id), 0u);
  ASSERT_EQ(Play(id, 0), 0u);
  EXPECT_EQ(Peak(Render(0.1)), 12000);
  ASSERT_EQ(auxSetVolume(0, 0x8000), MMRESULT(MMSYSERR_NOERROR));
  EXPECT_EQ(Peak(Render(0.1)), 6000) << "half the level, half the amplitude";
  DWORD volume = 0;
  ASSERT_EQ(auxGetVolume(0, &volume), MMRESULT(MMSYSERR_NOERROR));
  EXPECT_EQ(volume, 0x8000u);
  ASSERT_EQ(auxSetVolume(0, 0xFFFF0000), MMRESULT(MMSYSERR_NOERROR));
  EXPECT_EQ(Peak(Render(0.1)), 0) << "one level: the low word";
  EXPECT_EQ(auxSetVolume(7, 0xFFFF), MMRESULT(MMSYSERR_BADDEVICEID));
}

// Notices to the play's window (superseded, aborted, successful); MCI_WAIT waits in real time.
TEST_F(CdAudio, NotifiesTheWindowAndWaitsInRealTime) {
  Track(1, Wave(22050, 1, 16, std::vector<int16_t>(4410, 1000)));  // 0.2 s
  TestWindow window("VeskariaCdTest", DefWindowProcA, 8, 8);
  auto nextNotice = [&](MSG* msg) { return PeekMessageA(msg, window, MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE); };

  hooks::FailAudioDevice(true);
  MCIDEVICEID id = 0;
  ASSERT_EQ(Open(&id), 0u);
  ASSERT_EQ(TimeFormat(id, MCI_FORMAT_MILLISECONDS), 0u);  // 2000: the start of track 1
  ASSERT_EQ(Play(id, MCI_NOTIFY, 0, 0, window), 0u);
  EXPECT_TRUE(hooks::AudioOutputIsNull());
  ASSERT_EQ(Play(id, MCI_NOTIFY | MCI_FROM, 2000, 0, window), 0u);
  MSG msg{};
  ASSERT_TRUE(nextNotice(&msg));
  EXPECT_EQ(msg.wParam, WPARAM(MCI_NOTIFY_SUPERSEDED));
  EXPECT_EQ(msg.lParam, LPARAM(id));
  ASSERT_EQ(mciSendCommandA(id, MCI_STOP, 0, 0), 0u);
  ASSERT_TRUE(nextNotice(&msg));
  EXPECT_EQ(msg.wParam, WPARAM(MCI_NOTIFY_ABORTED));

  hooks::HoldMixer(false);
  auto started = Clock::now();
  ASSERT_EQ(TimeFormat(id, MCI_FORMAT_MSF), 0u);
  ASSERT_EQ(Play(id, MCI_NOTIFY | MCI_WAIT | MCI_FROM, MCI_MAKE_MSF(0, 2, 0), 0, window), 0u);
  EXPECT_GE(std::chrono::duration<double>(Clock::now() - started).count(), 0.15);
  EXPECT_EQ(Status(id, MCI_STATUS_MODE), DWORD_PTR(MCI_MODE_STOP));
  ASSERT_TRUE(nextNotice(&msg));
  EXPECT_EQ(msg.wParam, WPARAM(MCI_NOTIFY_SUCCESSFUL));
  EXPECT_FALSE(nextNotice(&msg));
}

TEST(MciErrorText, IsWindowsTextCutToTheBuffer) {
  char text[128];
  ASSERT_TRUE(mciGetErrorStringA(MCIERR_INVALID_DEVICE_NAME, text, sizeof text));
  EXPECT_STREQ(text, "The specified device is not open or is not recognized by MCI.");
  ASSERT_TRUE(mciGetErrorStringA(MCIERR_OUTOFRANGE, text, 14));
  EXPECT_STREQ(text, "The specified");
  ASSERT_TRUE(mciGetErrorStringA(0, text, sizeof text));
  EXPECT_STREQ(text, "The specified command was carried out.");
  EXPECT_FALSE(mciGetErrorStringA(MCIERR_BASE + 200, text, sizeof text));
  EXPECT_FALSE(mciGetErrorStringA(MCIERR_HARDWARE, nullptr, 0));
}

}  // namespace
