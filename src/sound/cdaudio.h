// CD audio.
#pragma once

namespace vsk {

// True when a CD audio device can be opened. Until the multimedia layer
// plays track files this machine has no CD audio device.
bool IsCD();

}  // namespace vsk
