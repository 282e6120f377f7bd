#include "sound/sfx.h"

// windows.h before the multimedia declarations, which dsound.h needs.
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <cstdio>
#include <cstring>

#include "core/context.h"
#include "core/presenter_state.h"
#include "platform/files.h"
#include "services/byteorder.h"
#include "services/files.h"
#include "services/memory.h"
#include "sound/cdaudio.h"

namespace vsk {

IDirectSound* SoundDevice = nullptr;
uint8_t* SoundCache[kSoundCacheSlots] = {};
uint32_t SoundCacheSizes[kSoundCacheSlots] = {};

namespace {

constexpr uint32_t kListHeader = 32;  // the count follows the header
constexpr uint32_t kEntriesAt = 36;
constexpr uint32_t kEntrySize = 20;
constexpr uint32_t kNameSkip = 4;     // the stored names begin with a volume ("VSK:")
constexpr uint32_t kNameLength = 80;  // characters taken from the list
constexpr uint32_t kBufferFlags = DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY;
constexpr uint32_t kLargestSample = 0x0FFFFFFF;  // DirectSound's largest buffer
constexpr uint32_t kCacheReserve = 5000000;      // bytes that must stay free

const char* YesNo(uint32_t word, uint32_t bit) { return (word & bit) ? "yes" : "no"; }

void LogFeatures(const char* title, uint32_t word) {
  std::printf("----------------------\n%s", title);
  std::printf("16BIT Sound ?: %s\n", YesNo(word, kSound16Bit));
  std::printf("WAVETABLE ?  : %s\n", YesNo(word, kSoundWavetable));
  std::printf("CDROMSOUND ? : %s\n", YesNo(word, kSoundCdRom));
  std::printf("FASTTRACKER ?: %s\n", YesNo(word, kSoundFastTracker));
  std::printf("SOUNDFX ?    : %s\n", YesNo(word, kSoundEffects));
  std::printf("MUSIC        : %s\n", YesNo(word, kSoundMusic));
  std::printf("CD_VOLUME    : %s\n", YesNo(word, kSoundVolume));
  std::printf("SFX_VOLUME   : %s\n", YesNo(word, kSoundVolume));
}

int LowestSlot(uint32_t id) {
  for (int slot = 0; slot < kSoundSlots; ++slot)
    if (System.soundIds[slot] == id) return slot;
  return -1;
}

bool Cacheable(uint32_t id) { return id >= 1 && id <= kSoundCacheSlots; }

// One entry of a sound list, read within the list's bytes.
struct SoundEntry {
  uint32_t size = 0;
  uint32_t rate = 0;
  char file[kNameLength + 1] = {};
};

// False when the id is not in the list: beyond its count, or its entry
// or name outside the loaded bytes.
bool ReadSoundEntry(const uint8_t* list, uint32_t length, uint32_t id, SoundEntry* entry) {
  if (id == 0 || length < kEntriesAt) return false;
  const uint32_t count = ReadBE32(list + kListHeader);
  if (id > count) return false;
  const uint64_t at = kEntriesAt + uint64_t{id - 1} * kEntrySize;
  if (at + kEntrySize > length) return false;
  entry->size = ReadBE32(list + at + 4);
  entry->rate = ReadBE32(list + at + 8);
  const uint64_t name = uint64_t{kListHeader} + ReadBE32(list + at + 12);
  if (name + kNameSkip >= length) return false;
  // A name shorter than its volume prefix has no file name: it is not in the
  // list (the bytes after it belong to the next name).
  for (uint64_t k = name; k < name + kNameSkip; ++k)
    if (list[k] == 0) return false;
  // The stored name without its first four characters, up to 80, lower case.
  uint64_t i = name + kNameSkip;
  uint32_t n = 0;
  while (i < length && n < kNameLength && list[i]) {
    const auto c = static_cast<unsigned char>(list[i++]);
    entry->file[n++] = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  entry->file[n] = '\0';
  return true;
}

// The samples in native order: from the cache, else from the file (a short
// file leaves the rest silent). False (logged) when the file cannot be opened.
bool ReadSamples(uint16_t id, const SoundEntry& entry, uint8_t* samples) {
  if (Cacheable(id) && SoundCache[id - 1]) {
    const uint32_t cached = SoundCacheSizes[id - 1];
    CopyMem(SoundCache[id - 1], samples, cached < entry.size ? cached : entry.size);
    return true;
  }
  // Read access is all a load needs, so read-only game data plays too.
  FILE* file = platform::OpenFile(entry.file, "rb");
  if (!file) {
    std::printf("OpenKadunSfx: Konnte <%s> nicht oeffnen.\n", entry.file);
    return false;
  }
  const size_t got = std::fread(samples, 1, entry.size, file);
  (void)got;
  std::fclose(file);
  for (uint32_t i = 0; i + 1 < entry.size; i += 2) {
    const uint8_t high = samples[i];
    samples[i] = samples[i + 1];
    samples[i + 1] = high;
  }
  return true;
}

IDirectSoundBuffer* MakeBuffer(const SoundEntry& entry, const uint8_t* samples) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = entry.rate;
  format.nAvgBytesPerSec = entry.rate * 2;
  format.nBlockAlign = 2;
  format.wBitsPerSample = 16;
  DSBUFFERDESC desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = kBufferFlags;
  desc.dwBufferBytes = entry.size;
  desc.lpwfxFormat = &format;
  IDirectSoundBuffer* buffer = nullptr;
  if (!SoundDevice || entry.size == 0 || entry.size > kLargestSample ||
      SoundDevice->CreateSoundBuffer(&desc, &buffer, nullptr) != DS_OK || !buffer) {
    std::printf("OpenKadunSFX:Konnte Sound Buffer nicht erstellen.\n");
    return nullptr;
  }
  void* data = nullptr;
  DWORD bytes = 0;
  if (buffer->Lock(0, 0, &data, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER) != DS_OK) {
    std::printf("OpenKadunSFX: Konnte gerade erst erstellten Buffer nicht Locken.\n");
    buffer->Release();
    return nullptr;
  }
  CopyMem(samples, data, bytes < entry.size ? bytes : entry.size);
  buffer->Unlock(data, bytes, nullptr, 0);
  return buffer;
}

// The buffers still in slots go with the object; the slots forget them.
void ReleaseSoundObjects() {
  for (int slot = 0; slot < kSoundSlots; ++slot) {
    if (System.soundBuffers[slot]) System.soundBuffers[slot]->Release();
    System.soundBuffers[slot] = nullptr;
    System.soundIds[slot] = 0;
    System.soundSizes[slot] = 0;
  }
  if (SoundDevice) SoundDevice->Release();
  SoundDevice = nullptr;
}

}  // namespace

bool InitSoundEnv(uint32_t wanted) {
  // A new window sets the environment up again; the old one goes first.
  ReleaseSoundObjects();
  if (DirectSoundCreate(nullptr, &SoundDevice, nullptr) != DS_OK) {
    SoundDevice = nullptr;
    std::printf("InitSoundEnv: 000 .\n");
    return false;
  }
  System.systemFlags |= kSound16Bit;
  bool refused = false;
  if (SoundDevice->SetCooperativeLevel(WindowHandle, DSSCL_EXCLUSIVE) != DS_OK) {
    System.systemFlags &= ~kSound16Bit;
    if (SoundDevice->SetCooperativeLevel(WindowHandle, DSSCL_NORMAL) != DS_OK) {
      std::printf("InitSoundEnv: 002.\n");
      refused = true;
    }
  }
  if (refused) System.systemFlags &= ~(kSoundEffects | kSoundVolume);
  else System.systemFlags |= kSoundEffects;
  System.soundStatus = (wanted ? wanted : System.options.optionFlags) & System.systemFlags;
  for (int slot = 0; slot < kSoundSlots; ++slot) {
    System.soundBuffers[slot] = nullptr;
    System.soundIds[slot] = 0;
  }
  LogFeatures("SoundMaske   :\n", System.systemFlags);
  LogFeatures("SoundStatus  :\n", System.soundStatus);
  LogFeatures("SoundOptionen: (or wanted)\n", System.options.optionFlags);
  return OpenKadunSFX(kSoundList, kClickSound);
}

bool OpenKadunSFX(const char* listName, uint16_t id) {
  const int slot = LowestSlot(0);
  if (slot < 0) return false;

  const uint8_t* list = nullptr;
  uint8_t* loaded = nullptr;
  uint32_t length = 0;
  if (System.soundPathList && System.pathListsPresent) {
    list = System.soundPathList;
    length = System.soundPathListSize;
  } else {
    loaded = static_cast<uint8_t*>(LoadFile(listName, MEMF_PUBLIC, &length));
    list = loaded;
  }
  // A list that can be neither taken nor loaded holds no sound.
  SoundEntry entry;
  if (!list || !ReadSoundEntry(list, length, id, &entry)) {
    std::printf("OpenKadunSFX : 000\n");
    FreeVec(loaded);
    return false;
  }
  FreeVec(loaded);

  auto* samples = entry.size <= kLargestSample
                      ? static_cast<uint8_t*>(AllocVec(entry.size, MEMF_PUBLIC | MEMF_CLEAR))
                      : nullptr;
  if (!samples && entry.size <= kLargestSample) return false;
  if (samples && !ReadSamples(id, entry, samples)) {
    FreeVec(samples);
    return false;
  }
  IDirectSoundBuffer* buffer = MakeBuffer(entry, samples);
  FreeVec(samples);
  if (!buffer) return false;
  System.soundBuffers[slot] = buffer;
  System.soundIds[slot] = id;
  System.soundSizes[slot] = entry.size;
  return true;
}

bool SfxPlayer(uint16_t id, uint32_t frequency, uint16_t loop) {
  if (!(System.soundStatus & kSoundEffects)) return false;
  const int slot = id ? LowestSlot(id) : -1;
  if (slot < 0 || !System.soundBuffers[slot]) {
    std::printf("SfxPlayer: Konnte Id: <%d>  nicht abspielen\n", id);
    return false;
  }
  IDirectSoundBuffer* buffer = System.soundBuffers[slot];
  if (frequency) buffer->SetFrequency(frequency);
  buffer->Play(0, 0, loop ? DSBPLAY_LOOPING : 0);
  return true;
}

void ReleaseSfx(uint16_t id) {
  const int slot = id ? LowestSlot(id) : -1;
  if (slot < 0) return;
  IDirectSoundBuffer* buffer = System.soundBuffers[slot];
  if (buffer && Cacheable(id) && !SoundCache[id - 1]) {
    void* data = nullptr;
    DWORD bytes = 0;
    if (buffer->Lock(0, 0, &data, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER) == DS_OK) {
      Copy2SfxCache(id, bytes < System.soundSizes[slot] ? bytes : System.soundSizes[slot], data);
      buffer->Unlock(data, bytes, nullptr, 0);
    }
  }
  if (buffer) buffer->Release();
  System.soundBuffers[slot] = nullptr;
  System.soundIds[slot] = 0;
  System.soundSizes[slot] = 0;
}

int32_t Copy2SfxCache(uint16_t id, uint32_t size, const void* data) {
  if (id == kClickSound || !Cacheable(id)) return 0;
  if (uint64_t{AvailMem()} * 7 / 10 <= kCacheReserve) return 0;
  std::printf("Copy Sfx ID %u Size %u Address %x\n", id, size,
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(data)));
  auto* copy = static_cast<uint8_t*>(AllocVec(size, MEMF_CLEAR | MEMF_FAST));
  if (!copy) {
    std::printf("Copy2SfxCache: Konnte Speicher f\xfcr Buffer nicht allokieren\n");
    return 1;
  }
  CopyMem(data, copy, size);
  SoundCache[id - 1] = copy;
  SoundCacheSizes[id - 1] = size;
  return 0;
}

void ExitSoundEnv() {
  std::printf("Exit Soundmaske   : %u\n", System.systemFlags);
  std::printf("Exit Soundstatus  : %u\n", System.soundStatus);
  std::printf("Exit Soundoptions : %u\n", System.options.optionFlags);
  if (System.soundStatus & kSoundEffects) ReleaseSfx(kClickSound);
  if ((System.soundStatus & kSoundCdRom) && (System.soundStatus & kSoundMusic)) StopCD();
  ReleaseSoundObjects();
}

}  // namespace vsk
