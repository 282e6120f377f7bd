// The sound list, sample files and WAV files.
#include "vsk-data/write_sound.h"

#include <cstring>

namespace vsk::data {

std::string StoredSoundName(const std::string& file) { return "VSK:" + file; }

ByteBuffer BuildSoundList(const std::map<uint32_t, SoundListEntry>& sounds,
                          const SoundListEntry& filler) {
  uint32_t count = sounds.empty() ? 0 : sounds.rbegin()->first;
  ByteBuffer out;
  PutBytes(out, kSoundListMagic, std::strlen(kSoundListMagic));
  PutZeros(out, kSoundListHeaderSize - out.size());
  PutBE32(out, count);
  size_t entriesAt = out.size();
  PutZeros(out, size_t{count} * kSoundEntrySize);
  std::map<std::string, uint32_t> nameOffsets;
  for (uint32_t id = 1; id <= count; ++id) {
    auto found = sounds.find(id);
    const SoundListEntry& s = found != sounds.end() ? found->second : filler;
    std::string stored = StoredSoundName(s.file);
    auto known = nameOffsets.find(stored);
    uint32_t nameOffset;
    if (known != nameOffsets.end()) {
      nameOffset = known->second;
    } else {
      nameOffset = static_cast<uint32_t>(out.size() - kSoundListHeaderSize);
      PutBytes(out, stored.c_str(), stored.size() + 1);
      nameOffsets.emplace(stored, nameOffset);
    }
    size_t at = entriesAt + size_t{id - 1} * kSoundEntrySize;
    SetBE32(out, at + 0, 0);
    SetBE32(out, at + 4, s.size);
    SetBE32(out, at + 8, s.rate);
    SetBE32(out, at + 12, nameOffset);
    SetBE32(out, at + 16, 0);
  }
  return out;
}

ByteBuffer BuildSampleFile(const std::vector<int16_t>& samples) {
  ByteBuffer out;
  out.reserve(samples.size() * 2);
  for (int16_t s : samples) PutBE16(out, static_cast<uint16_t>(s));
  return out;
}

ByteBuffer BuildWavFile(const std::vector<int16_t>& samples, uint32_t rate, uint16_t channels) {
  auto dataSize = static_cast<uint32_t>(samples.size() * 2);
  ByteBuffer out;
  out.reserve(44 + dataSize);
  PutTag(out, "RIFF");
  PutLE32(out, 36 + dataSize);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutLE32(out, 16);
  PutLE16(out, 1);  // PCM
  PutLE16(out, channels);
  PutLE32(out, rate);
  PutLE32(out, rate * channels * 2);
  PutLE16(out, static_cast<uint16_t>(channels * 2));
  PutLE16(out, 16);
  PutTag(out, "data");
  PutLE32(out, dataSize);
  for (int16_t s : samples) PutLE16(out, static_cast<uint16_t>(s));
  return out;
}

}  // namespace vsk::data
