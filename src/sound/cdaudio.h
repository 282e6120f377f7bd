// CD audio through the multimedia library's "cdaudio" device: the device
// check at start, playing a range of tracks, the playing check, the stop at
// shutdown and the CD volume.
#pragma once

#include <cstdint>

namespace vsk {

// The open device, 0 while none is open.
extern uint32_t CDDeviceId;

// True when a CD audio device exists (or one is open already).
bool IsCD();

// Plays from the start of firstTrack to the start of the track after
// lastTrack, when the sound status has both music and CD audio; returns
// one second after playing has started.
bool PlayCDTrack(uint8_t firstTrack, uint16_t lastTrack);

// False while the open device plays; true otherwise, also without a device
// or when its mode cannot be read.
bool IsCDReady();

// Stops a playing disc and closes the device; false when none is open.
bool StopCD();

// Sets the volume of the first CD audio device with volume control to
// volume x 257. Always true.
bool SetCDVolume(uint8_t volume);

}  // namespace vsk
