// Sounds of the game: the sound list "./data/sfxpath", the sample files it
// names (raw mono 16-bit big-endian PCM), and WAV files for the CD audio
// folder ("./data/cdaudio/trackNN.wav").
//
// Sound list layout (big-endian): a 32-byte header the game does not read
// (ours starts with kSoundListMagic), the entry count N at 32, N entries of
// 20 bytes at 36 (entry k = sound id k: unused, data size in bytes, sample
// rate in Hz, offset of the stored name counted from file offset 32,
// unused), then the NUL-terminated stored names. The game opens the stored
// name without its first four characters, in lower case, so a sample file
// "./data/sfx/click.raw" is stored as "VSK:./data/sfx/click.raw".
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "vsk-data/write_file.h"

namespace vsk::data {

constexpr char kSoundListMagic[] = "VSK SOUND LIST";
constexpr uint32_t kSoundListHeaderSize = 32;
constexpr uint32_t kSoundEntrySize = 20;
constexpr uint32_t kMaxSoundId = 181;

struct SoundListEntry {
  std::string file;       // lower case, relative to the game directory
  uint32_t size = 0;      // bytes of sample data (2 per sample)
  uint32_t rate = 22050;  // Hz
};

std::string StoredSoundName(const std::string& file);  // "VSK:" + file

// N = the highest id; ids without an entry get filler. Ids in 1..181.
ByteBuffer BuildSoundList(const std::map<uint32_t, SoundListEntry>& sounds,
                          const SoundListEntry& filler);

// Samples as the game stores them: 16-bit big-endian.
ByteBuffer BuildSampleFile(const std::vector<int16_t>& samples);

// A RIFF WAVE file, 16-bit little-endian PCM; samples are interleaved when
// channels is 2.
ByteBuffer BuildWavFile(const std::vector<int16_t>& samples, uint32_t rate, uint16_t channels);

}  // namespace vsk::data
