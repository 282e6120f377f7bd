// The CD drive: finding the track files, reading their WAV headers, mapping
// them, and playing the range of the disc that MCI_PLAY asked for through
// the shared audio output.
#include "winmm_cdaudio.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/files.h"

namespace vsk::platform::winmm {

namespace {

constexpr const char* kDiscFolder = "./data/cdaudio";

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// The track number of a file name "trackNN.wav" (any case), else 0.
int TrackNumberOf(const char* name) {
  if (std::strlen(name) != 11) return 0;
  static const char kPattern[] = "track##.wav";
  for (int i = 0; i < 11; ++i) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    if (kPattern[i] == '#') {
      if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
    } else if (c != kPattern[i]) {
      return 0;
    }
  }
  return (name[5] - '0') * 10 + (name[6] - '0');
}

// The PCM frames of a WAV file's bytes; false for anything else. Chunks
// that reach past the file are cut at its end.
bool ParseWave(const uint8_t* bytes, size_t size, audio::PcmView* view, uint32_t* rate) {
  if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) return false;
  bool haveFormat = false;
  uint16_t channels = 0, bits = 0, blockAlign = 0;
  uint32_t sampleRate = 0;
  size_t at = 12;
  while (at + 8 <= size) {
    const uint8_t* chunk = bytes + at;
    size_t length = std::min<size_t>(Le32(chunk + 4), size - at - 8);
    const uint8_t* body = chunk + 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0 && length >= 16) {
      uint16_t tag = Le16(body);
      // WAVE_FORMAT_EXTENSIBLE names its real format in the sub-format.
      if (tag == 0xFFFE && length >= 40) tag = Le16(body + 24);
      if (tag != WAVE_FORMAT_PCM) return false;
      channels = Le16(body + 2);
      sampleRate = Le32(body + 4);
      blockAlign = Le16(body + 12);
      bits = Le16(body + 14);
      if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16)) return false;
      if (blockAlign != channels * bits / 8 || sampleRate < 1000 || sampleRate > 200000) return false;
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0 && haveFormat) {
      uint32_t frames = static_cast<uint32_t>(length / blockAlign);
      if (frames == 0) return false;
      view->data = body;
      view->frames = frames;
      view->channels = channels;
      view->bits = bits;
      *rate = sampleRate;
      return true;
    }
    at += 8 + length + (length & 1);
  }
  return false;
}

// Maps a track file and finds its frames; false (nothing mapped) when the
// file is not a playable WAV file.
bool MapTrack(const std::string& path, Track* track) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  void* map = MAP_FAILED;
  size_t bytes = 0;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    bytes = static_cast<size_t>(info.st_size);
    map = ::mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE, fd, 0);
  }
  ::close(fd);
  if (map == MAP_FAILED) return false;
  if (!ParseWave(static_cast<const uint8_t*>(map), bytes, &track->view, &track->rate)) {
    ::munmap(map, bytes);
    return false;
  }
  track->audio = true;
  track->frames = track->view.frames;
  track->map = map;
  track->mapBytes = bytes;
  // Whole CD frames, the last one partly filled.
  track->length = static_cast<DWORD>((static_cast<uint64_t>(track->frames) * kFramesPerSecond + track->rate - 1) /
                                     track->rate);
  return true;
}

// The track files by number (empty names where none is).
std::vector<std::string> TrackFiles() {
  std::vector<std::string> files(100);
  std::string folder = ResolvePath(kDiscFolder);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return files;
  while (dirent* entry = ::readdir(dir)) {
    int number = TrackNumberOf(entry->d_name);
    // The alphabetically first of names that differ only in case.
    if (number > 0 && (files[number].empty() || folder + "/" + entry->d_name < files[number]))
      files[number] = folder + "/" + entry->d_name;
  }
  ::closedir(dir);
  return files;
}

void Unmap(Track& track) {
  if (track.map) ::munmap(track.map, track.mapBytes);
  track.map = nullptr;
}

}  // namespace

std::vector<int> PlayableTracks() {
  std::vector<int> numbers;
  std::vector<std::string> files = TrackFiles();
  for (int number = 1; number < 100; ++number) {
    if (files[number].empty()) continue;
    Track probe;
    if (MapTrack(files[number], &probe)) {
      numbers.push_back(number);
      Unmap(probe);
    }
  }
  return numbers;
}

Drive& TheDrive() {
  static auto* drive = new Drive();
  return *drive;
}

std::atomic<DWORD>& CdVolume() {
  static std::atomic<DWORD> volume{0xFFFF};
  return volume;
}

bool LoadDisc(Drive& drive) {
  std::vector<std::string> files = TrackFiles();
  std::vector<Track> tracks;
  size_t highest = 0;
  for (int number = 1; number < 100; ++number) {
    Track track;
    if (!files[number].empty() && MapTrack(files[number], &track)) highest = number;
    tracks.push_back(track);
  }
  if (highest == 0) return false;
  for (size_t i = highest; i < tracks.size(); ++i) Unmap(tracks[i]);
  tracks.resize(highest);
  DWORD address = kLeadIn;
  for (Track& track : tracks) {
    if (!track.audio) {
      // A number without a playable file: a silent data track.
      track.rate = kDataTrackRate;
      track.length = kDataTrackLength;
      track.frames = kDataTrackLength * (kDataTrackRate / kFramesPerSecond);
    }
    track.start = address;
    address += track.length;
  }
  std::lock_guard<std::mutex> guard(drive.lock);
  for (Track& old : drive.tracks) Unmap(old);
  drive.tracks = std::move(tracks);
  drive.leadOut = address;
  drive.playing = false;
  drive.current = 0;
  drive.position = 0;
  drive.notice = Notice{};
  return true;
}

void UnloadDisc(Drive& drive) {
  std::lock_guard<std::mutex> guard(drive.lock);
  drive.playing = false;
  for (Track& track : drive.tracks) Unmap(track);
  drive.tracks.clear();
  drive.leadOut = 0;
  drive.current = 0;
  drive.position = 0;
  drive.notice = Notice{};
  drive.doneId = drive.playId;
  drive.ended.notify_all();
}

DWORD AddressOf(const Drive& drive, size_t track, uint64_t position) {
  if (drive.tracks.empty()) return 0;
  const Track& t = drive.tracks[track];
  uint64_t frames = audio::PositionToFrames(position);
  uint64_t offset = std::min<uint64_t>(frames * kFramesPerSecond / t.rate, t.length);
  return t.start + static_cast<DWORD>(offset);
}

DWORD CurrentAddress(const Drive& drive) { return AddressOf(drive, drive.current, drive.position); }

size_t TrackAt(const Drive& drive, DWORD address) {
  for (size_t i = 0; i < drive.tracks.size(); ++i)
    if (address < drive.tracks[i].start + drive.tracks[i].length) return i;
  return drive.tracks.empty() ? 0 : drive.tracks.size() - 1;
}

void Drive::Mix(int32_t* acc, int frames, int rate) {
  std::lock_guard<std::mutex> guard(lock);
  if (!playing) return;
  // Full volume 0xFFFF is unity gain; half the level is half the amplitude.
  int32_t gain = static_cast<int32_t>((static_cast<uint64_t>(CdVolume().load() & 0xFFFF) * audio::kUnityGain + 32767) /
                                      0xFFFF);
  int made = 0;
  while (made < frames && playing) {
    Track& track = tracks[current];
    uint64_t end = current == endTrack ? endPosition : audio::FramesToPosition(track.frames);
    uint64_t step = audio::StepFor(track.rate, rate);
    if (position < end) {
      int n;
      if (track.audio) {
        n = audio::MixResampled(track.view, &position, step, end, false, gain, gain, acc + 2 * made, frames - made);
      } else {
        uint64_t reachable = (end - position + step - 1) / step;
        n = static_cast<int>(std::min<uint64_t>(reachable, static_cast<uint64_t>(frames - made)));
        position += step * static_cast<uint64_t>(n);
      }
      made += n;
    }
    if (position >= end) {
      if (current == endTrack) {
        // The end of the range: the position stays there.
        position = end;
        playing = false;
        endedId = playId;
        if (notice.window) pending.push_back({notice.window, MCI_NOTIFY_SUCCESSFUL, notice.device});
        notice = Notice{};
      } else {
        ++current;
        position = 0;
      }
    }
  }
}

void Drive::AfterMix() {
  std::vector<Notice> post;
  uint64_t finished;
  {
    std::lock_guard<std::mutex> guard(lock);
    if (endedId == 0 && pending.empty()) return;
    finished = endedId;
    endedId = 0;
    post.swap(pending);
  }
  for (const Notice& n : post) PostMessageA(n.window, MM_MCINOTIFY, n.flag, static_cast<LPARAM>(n.device));
  {
    // Only now is the play over for MCI_WAIT: its notification is posted.
    std::lock_guard<std::mutex> guard(lock);
    doneId = std::max(doneId, finished);
  }
  this->ended.notify_all();
}

}  // namespace vsk::platform::winmm
