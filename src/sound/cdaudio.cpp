#include "sound/cdaudio.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>

#include "core/context.h"
#include "sound/sfx.h"

namespace vsk {

uint32_t CDDeviceId = 0;

namespace {

constexpr UINT kErrorTextSize = 256;
constexpr DWORD kStartWait = 1000;  // milliseconds the disc gets to start

struct ErrorText {
  char text[kErrorTextSize] = {};
};

ErrorText TextOf(MCIERROR error) {
  ErrorText text;
  if (!mciGetErrorStringA(error, text.text, kErrorTextSize)) text.text[0] = '\0';
  return text;
}

MCIERROR OpenDevice(MCIDEVICEID* id) {
  MCI_OPEN_PARMSA open{};
  open.lpstrDeviceType = "cdaudio";
  const MCIERROR error = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE, reinterpret_cast<DWORD_PTR>(&open));
  if (!error) *id = open.wDeviceID;
  return error;
}

MCIERROR CloseDevice(MCIDEVICEID id) {
  MCI_GENERIC_PARMS close{};
  return mciSendCommandA(id, MCI_CLOSE, 0, reinterpret_cast<DWORD_PTR>(&close));
}

}  // namespace

bool IsCD() {
  if (CDDeviceId) return true;
  MCIDEVICEID id = 0;
  if (const MCIERROR error = OpenDevice(&id)) {
    std::printf("IsCD: %s\n", TextOf(error).text);
    return false;
  }
  CloseDevice(id);
  return true;
}

bool PlayCDTrack(uint8_t firstTrack, uint16_t lastTrack) {
  if (!(System.soundStatus & kSoundMusic) || !(System.soundStatus & kSoundCdRom)) return false;
  MCIDEVICEID id = 0;
  const MCIERROR opened = OpenDevice(&id);
  if (!opened) {
    CDDeviceId = id;
    MCI_SET_PARMS set{};
    set.dwTimeFormat = MCI_FORMAT_TMSF;
    if (const MCIERROR error =
            mciSendCommandA(CDDeviceId, MCI_SET, MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&set))) {
      std::printf("PlayCDTrack2: %s\n", TextOf(error).text);
      CloseDevice(CDDeviceId);
      CDDeviceId = 0;
      return false;
    }
  } else if (opened != MCIERR_DEVICE_OPEN) {
    std::printf("PlayCDTrack1: %s\n", TextOf(opened).text);
    return false;
  }
  MCI_PLAY_PARMS play{};
  play.dwFrom = MCI_MAKE_TMSF(firstTrack, 0, 0, 0);
  play.dwTo = MCI_MAKE_TMSF((lastTrack + 1) & 0xFF, 0, 0, 0);
  if (const MCIERROR error =
          mciSendCommandA(CDDeviceId, MCI_PLAY, MCI_FROM | MCI_TO, reinterpret_cast<DWORD_PTR>(&play))) {
    std::printf("PlayCDTrack3: %s\n", TextOf(error).text);
    CloseDevice(CDDeviceId);
    CDDeviceId = 0;
    return false;
  }
  Sleep(kStartWait);
  return true;
}

bool IsCDReady() {
  if (!IsCD()) return false;
  MCI_STATUS_PARMS status{};
  status.dwItem = MCI_STATUS_MODE;
  if (const MCIERROR error =
          mciSendCommandA(CDDeviceId, MCI_STATUS, MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&status))) {
    std::printf("IsCDReady: %s\n", TextOf(error).text);
    return true;
  }
  std::printf("IsCDReady 3 %u\n", static_cast<unsigned>(status.dwReturn));
  return status.dwReturn != MCI_MODE_PLAY;
}

bool StopCD() {
  if (!CDDeviceId) return false;
  if (!IsCDReady()) {
    MCI_GENERIC_PARMS stop{};
    (void)TextOf(mciSendCommandA(CDDeviceId, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&stop)));
  }
  (void)TextOf(CloseDevice(CDDeviceId));
  CDDeviceId = 0;
  return true;
}

bool SetCDVolume(uint8_t volume) {
  const UINT devices = auxGetNumDevs();
  if (devices == 0) {
    std::printf("SetCDVolume: Windows liefert keine Ger\xe4te zur\xfc" "ck. Deshalb kein Volume-Control m\xf6glich!\n");
    return true;
  }
  for (UINT device = 0; device < devices; ++device) {
    AUXCAPSA caps{};
    if (auxGetDevCapsA(device, &caps, sizeof caps) != MMSYSERR_NOERROR) continue;
    if (caps.wTechnology == AUXCAPS_CDAUDIO && caps.dwSupport == AUXCAPS_VOLUME) {
      auxSetVolume(device, DWORD{volume} * 257u);
      return true;
    }
  }
  return true;
}

}  // namespace vsk
