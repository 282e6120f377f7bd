// The CD drive the "cdaudio" device plays: there is no drive, the disc is
// the folder ./data/cdaudio (any case) holding one WAV file per track,
// trackNN.wav with NN = 01 … 99, numbered as on a disc.
//
// The disc: its tracks are 1 … the highest number with a playable file
// (PCM, 8 or 16 bits, mono or stereo, any rate). A number below it without
// a playable file is a data track of 4 seconds: it is counted and reported
// (MCI_CDA_TRACK_OTHER) and plays as silence. No playable file at all: no
// disc, no device. Track 1 starts at 00:02:00 (the lead-in), each track
// right after the one before; lengths are whole CD frames (75 a second).
//
// Track files are mapped into memory while the device is open; the drive is
// a source of the shared audio output and plays them resampled to the
// output's rate, scaled by the aux volume, advancing its position by what
// it actually mixed.
#pragma once

#include <mmsystem.h>
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "audio_output.h"

namespace vsk::platform::winmm {

constexpr DWORD kFramesPerSecond = 75;
constexpr DWORD kLeadIn = 2 * kFramesPerSecond;     // track 1 starts here
constexpr DWORD kDataTrackLength = 4 * kFramesPerSecond;
constexpr uint32_t kDataTrackRate = 44100;          // data tracks' nominal rate

struct Track {
  bool audio = false;  // false: a data track, silent
  audio::PcmView view;
  uint32_t rate = kDataTrackRate;
  uint32_t frames = 0;  // source frames
  DWORD start = 0;      // disc address in CD frames
  DWORD length = 0;     // CD frames
  void* map = nullptr;  // the mapped file
  size_t mapBytes = 0;
};

// The numbers of the playable track files in ./data/cdaudio, ascending.
std::vector<int> PlayableTracks();

// A notification to post to a window after the mix (MM_MCINOTIFY).
struct Notice {
  HWND window;
  WPARAM flag;
  MCIDEVICEID device;
};

class Drive final : public audio::Source {
 public:
  void Mix(int32_t* acc, int frames, int rate) override;
  void AfterMix() override;

  std::mutex lock;                 // guards everything below
  std::condition_variable ended;   // a play ended or was stopped
  std::vector<Track> tracks;       // track n at index n - 1
  DWORD leadOut = 0;               // the address after the last track
  bool playing = false;
  size_t current = 0;              // the position: a track index …
  uint64_t position = 0;           // … and source frames in it (32.32)
  size_t endTrack = 0;             // where the play in progress ends
  uint64_t endPosition = 0;
  uint64_t playId = 0;             // counts plays, for MCI_WAIT
  uint64_t doneId = 0;             // plays up to this one are over, notices posted
  uint64_t endedId = 0;            // a play the mixer ended, to settle after the render
  Notice notice{};                 // of the play in progress (window null: none)
  std::vector<Notice> pending;     // to post after the render
};

Drive& TheDrive();

// Maps the tracks into the drive; false (nothing changed) without any
// playable track. Drive lock not held.
bool LoadDisc(Drive& drive);
// Stops and unmaps. Drive lock not held.
void UnloadDisc(Drive& drive);

// Disc addresses and the drive's position; drive lock held.
DWORD AddressOf(const Drive& drive, size_t track, uint64_t position);
DWORD CurrentAddress(const Drive& drive);
// The track index an address lies in (the lead-out: the last track).
size_t TrackAt(const Drive& drive, DWORD address);

// The aux volume of the CD output: low word 0 … 0xFFFF.
std::atomic<DWORD>& CdVolume();

}  // namespace vsk::platform::winmm
