// The sound environment and the sound effects: one DirectSound object, 38
// slots of the system context each holding one static buffer with one
// loaded sound, the sound list "./data/sfxpath" that names each sound's
// sample file, and the sound cache that keeps released samples so that the
// next load reads no file. Sound 1 is the mouse click.
#pragma once

#include <cstdint>

struct IDirectSound;

namespace vsk {

// Bits of the three sound feature words: the mask (System.systemFlags),
// the status (System.soundStatus) and the options (options.optionFlags).
constexpr uint32_t kSound16Bit = 0x01;        // exclusive cooperative level granted
constexpr uint32_t kSoundWavetable = 0x02;    // never set
constexpr uint32_t kSoundCdRom = 0x04;        // a CD audio device is present
constexpr uint32_t kSoundFastTracker = 0x08;  // never set
constexpr uint32_t kSoundEffects = 0x10;      // in the status: SfxPlayer plays
constexpr uint32_t kSoundMusic = 0x20;        // CD music
constexpr uint32_t kSoundCdVolume = 0x40;     // set with the CD bits by the machine report
constexpr uint32_t kSoundVolume = 0x80;       // set with the effect bits

constexpr uint16_t kClickSound = 1;
constexpr uint32_t kSoundCacheSlots = 181;  // ids 1 to 181
constexpr const char* kSoundList = "./data/sfxpath";

// The process's DirectSound object; null before InitSoundEnv and after
// ExitSoundEnv.
extern IDirectSound* SoundDevice;

// Released samples (native order) by id - 1, with their sizes in bytes.
extern uint8_t* SoundCache[kSoundCacheSlots];
extern uint32_t SoundCacheSizes[kSoundCacheSlots];

// Opens DirectSound on WindowHandle, works out the mask, sets the status
// to (wanted, or the sound options when 0) AND mask, empties the slots,
// logs the three words and loads the click. False when DirectSound cannot
// be opened or the click cannot be loaded.
bool InitSoundEnv(uint32_t wanted);

// Loads sound id of the list into the lowest free slot. False when no slot
// is free, the id is not in the list, or the samples or the buffer cannot
// be had.
bool OpenKadunSFX(const char* listName, uint16_t id);

// Plays the lowest slot holding id from where its buffer stands (a sound
// still playing goes on), at frequency Hz when not 0, looping when loop is
// not 0. False when effects are off or the sound is not loaded.
bool SfxPlayer(uint16_t id, uint32_t frequency, uint16_t loop);

// Frees the lowest slot holding id, first copying its samples into the
// cache when the cache has none for the id.
void ReleaseSfx(uint16_t id);

// Copies size bytes of data as the cache block of id: 0 when copied or
// skipped (the click, ids beyond the cache, too little free memory), 1
// when the block could not be allocated.
int32_t Copy2SfxCache(uint16_t id, uint32_t size, const void* data);

// Logs the three words, releases the click, stops CD audio when it was in
// use and releases DirectSound with every buffer left in a slot.
void ExitSoundEnv();

}  // namespace vsk
