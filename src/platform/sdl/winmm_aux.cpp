// The auxiliary audio devices and the multimedia clock. The one auxiliary
// device is the CD drive's output, "CD Audio", present while the disc
// folder holds a playable track; its volume (one level, the low word)
// scales the tracks in the mix.
#include <chrono>
#include <cstring>

#include "kernel32_thread.h"
#include "platform/testing.h"
#include "winmm_cdaudio.h"

using namespace vsk::platform;
using namespace vsk::platform::winmm;

namespace {

// The CD output is device 0 when there is a disc.
bool IsCdDevice(UINT_PTR device) { return device == 0 && !PlayableTracks().empty(); }

}  // namespace

UINT WINAPI auxGetNumDevs(void) {
  SuspensionPoint();
  return PlayableTracks().empty() ? 0 : 1;
}

MMRESULT WINAPI auxGetDevCapsA(UINT_PTR uDeviceID, LPAUXCAPSA pac, UINT cbac) {
  SuspensionPoint();
  if (!pac) return MMSYSERR_INVALPARAM;
  if (!IsCdDevice(uDeviceID)) return MMSYSERR_BADDEVICEID;
  AUXCAPSA caps{};
  caps.wMid = 1;                // MM_MICROSOFT
  caps.wPid = 0;
  caps.vDriverVersion = 0x0100;  // 1.0
  std::strcpy(caps.szPname, "CD Audio");
  caps.wTechnology = AUXCAPS_CDAUDIO;
  // One level for both channels.
  caps.dwSupport = AUXCAPS_VOLUME;
  std::memcpy(pac, &caps, cbac < sizeof caps ? cbac : sizeof caps);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI auxSetVolume(UINT uDeviceID, DWORD dwVolume) {
  SuspensionPoint();
  if (!IsCdDevice(uDeviceID)) return MMSYSERR_BADDEVICEID;
  // A device without separate channel levels takes the low word.
  CdVolume() = dwVolume & 0xFFFF;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI auxGetVolume(UINT uDeviceID, LPDWORD pdwVolume) {
  SuspensionPoint();
  if (!pdwVolume) return MMSYSERR_INVALPARAM;
  if (!IsCdDevice(uDeviceID)) return MMSYSERR_BADDEVICEID;
  *pdwVolume = CdVolume().load() & 0xFFFF;
  return MMSYSERR_NOERROR;
}

DWORD WINAPI timeGetTime(void) {
  return GetTickCount();  // milliseconds of the monotonic clock
}

// The host's timed waits are already precise to well under a millisecond, so
// any resolution from 1 ms up is granted as it is.
MMRESULT WINAPI timeBeginPeriod(UINT uPeriod) { return uPeriod == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR; }
MMRESULT WINAPI timeEndPeriod(UINT uPeriod) { return uPeriod == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR; }

// ---- test hooks ------------------------------------------------------------------------

namespace vsk::platform::testing {

void ResetSound() {
  FailAudioDevice(false);
  FailDirectSoundCreate(false);
  HoldMixer(false);
  StopMixerCapture();
  CdVolume() = 0xFFFF;
}

}  // namespace vsk::platform::testing
