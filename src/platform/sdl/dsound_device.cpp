// The DirectSound device object: cooperative level, capabilities, buffer
// creation and duplication; DirectSoundCreate, which opens the shared audio
// output for the object's life, and DirectSoundEnumerateA.
#include <cstring>
#include <string>
#include <vector>

#include "audio_output.h"
#include "dsound_objects.h"
#include "kernel32_thread.h"
#include "platform/testing.h"
#include "unsupported.h"
#include "user32_window.h"

namespace vsk::platform::dsound {

audio::Source* TheMixer();  // dsound_buffer.cpp

namespace {

std::atomic<bool> gFailCreate{false};

// The GUID DirectSoundEnumerateA gives the n-th SDL output (counting from
// 0); DirectSoundCreate knows it again.
GUID DeviceGuid(size_t index) {
  GUID guid{0x56534B44, 0x534E, 0x4400, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}};
  guid.Data4[6] = static_cast<BYTE>((index + 1) >> 8);
  guid.Data4[7] = static_cast<BYTE>(index + 1);
  return guid;
}

// The SDL output a GUID names: true with its name, false when it names no
// device of this machine.
bool DeviceNameOf(const GUID& guid, std::string* name) {
  std::vector<std::string> names = audio::OutputDevices();
  for (size_t i = 0; i < names.size(); ++i) {
    if (DeviceGuid(i) == guid) {
      *name = names[i];
      return true;
    }
  }
  return false;
}

}  // namespace

Device::Device() : speakers_(DSSPEAKER_COMBINED(DSSPEAKER_STEREO, DSSPEAKER_GEOMETRY_WIDE)) { ++gLiveObjects; }
Device::~Device() { --gLiveObjects; }

HRESULT WINAPI Device::QueryInterface(REFIID riid, void** ppvObject) {
  SuspensionPoint();
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDirectSound)
    VSK_UNSUPPORTED("IDirectSound::QueryInterface for another interface");
  AddRef();
  *ppvObject = static_cast<IDirectSound*>(this);
  return S_OK;
}

ULONG WINAPI Device::AddRef() { return ++refs_; }

ULONG WINAPI Device::Release() {
  SuspensionPoint();
  ULONG left = --refs_;
  if (left == 0) {
    {
      // Its buffers stop for good; the game may still release them.
      std::lock_guard<std::mutex> guard(BufferListLock());
      for (Buffer* buffer : LiveBuffers())
        if (buffer->Owner() == this) buffer->Orphan();
      primary_ = nullptr;
    }
    // Not under the list lock: closing the output waits for the mixer.
    audio::ReleaseOutput();
    delete this;
  }
  return left;
}

void Device::ForgetPrimary(Buffer* primary) {
  if (primary_ == primary) primary_ = nullptr;
}

HRESULT WINAPI Device::CreateSoundBuffer(LPCDSBUFFERDESC lpcDSBufferDesc, LPLPDIRECTSOUNDBUFFER lplpDirectSoundBuffer,
                                         IUnknown* pUnkOuter) {
  SuspensionPoint();
  if (!lpcDSBufferDesc || !lplpDirectSoundBuffer) return DSERR_INVALIDPARAM;
  *lplpDirectSoundBuffer = nullptr;
  if (pUnkOuter) return DSERR_NOAGGREGATION;
  // The DirectX 7 description, or the DirectX 3 one without the 3D
  // algorithm.
  if (lpcDSBufferDesc->dwSize != sizeof(DSBUFFERDESC) && lpcDSBufferDesc->dwSize != sizeof(DSBUFFERDESC1))
    return DSERR_INVALIDPARAM;
  DSBUFFERDESC desc{};
  std::memcpy(&desc, lpcDSBufferDesc, lpcDSBufferDesc->dwSize);
  if (desc.dwReserved != 0) return DSERR_INVALIDPARAM;
  if (desc.dwFlags & (DSBCAPS_CTRL3D | DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_CTRLFX | DSBCAPS_LOCDEFER |
                      DSBCAPS_MUTE3DATMAXDISTANCE))
    VSK_UNSUPPORTED("IDirectSound::CreateSoundBuffer with 3D, notification, effects or deferred voices");
  if ((desc.dwFlags & DSBCAPS_LOCHARDWARE) && (desc.dwFlags & DSBCAPS_LOCSOFTWARE)) return DSERR_INVALIDPARAM;
  if (desc.dwFlags & DSBCAPS_PRIMARYBUFFER) return CreatePrimary(desc, lplpDirectSoundBuffer);

  constexpr DWORD kKnown = DSBCAPS_STATIC | DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY |
                           DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | DSBCAPS_GETCURRENTPOSITION2 |
                           DSBCAPS_GLOBALFOCUS | DSBCAPS_STICKYFOCUS;
  if (desc.dwFlags & ~kKnown) return DSERR_INVALIDPARAM;
  if (!desc.lpwfxFormat) return DSERR_INVALIDPARAM;
  if (desc.dwBufferBytes < DSBSIZE_MIN || desc.dwBufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
  WAVEFORMATEX format;
  std::memcpy(&format, desc.lpwfxFormat, sizeof format);
  if (HRESULT result = CheckFormat(format); result != DS_OK) return result;
  // The output has no hardware voices: every buffer is mixed in software.
  if (desc.dwFlags & DSBCAPS_LOCHARDWARE) return DSERR_UNSUPPORTED;

  auto* buffer = new Buffer(this, desc.dwFlags, format, desc.dwBufferBytes);
  {
    std::lock_guard<std::mutex> guard(BufferListLock());
    LiveBuffers().push_back(buffer);
  }
  *lplpDirectSoundBuffer = buffer;
  return DS_OK;
}

HRESULT Device::CreatePrimary(const DSBUFFERDESC& desc, LPDIRECTSOUNDBUFFER* out) {
  // The primary buffer has neither a size nor a format of the caller's and
  // cannot change its frequency.
  if (desc.dwBufferBytes != 0 || desc.lpwfxFormat) return DSERR_INVALIDPARAM;
  constexpr DWORD kKnown = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_LOCHARDWARE |
                           DSBCAPS_LOCSOFTWARE | DSBCAPS_STICKYFOCUS | DSBCAPS_GLOBALFOCUS |
                           DSBCAPS_GETCURRENTPOSITION2;
  if (desc.dwFlags & ~kKnown) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(BufferListLock());
  // There is one primary buffer per device: asking again gives it again.
  if (primary_) {
    primary_->AddRef();
    *out = primary_;
    return DS_OK;
  }
  primary_ = new Buffer(this, desc.dwFlags);
  LiveBuffers().push_back(primary_);
  *out = primary_;
  return DS_OK;
}

HRESULT WINAPI Device::GetCaps(LPDSCAPS lpDSCaps) {
  SuspensionPoint();
  if (!lpDSCaps || lpDSCaps->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
  std::memset(reinterpret_cast<char*>(lpDSCaps) + sizeof(DWORD), 0, sizeof(DSCAPS) - sizeof(DWORD));
  // A software mixer: any rate in the range, 8 and 16 bits, mono and
  // stereo; no hardware voices or memory.
  lpDSCaps->dwFlags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARY16BIT |
                      DSCAPS_CONTINUOUSRATE | DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO |
                      DSCAPS_SECONDARY8BIT | DSCAPS_SECONDARY16BIT;
  lpDSCaps->dwMinSecondarySampleRate = DSBFREQUENCY_MIN;
  lpDSCaps->dwMaxSecondarySampleRate = DSBFREQUENCY_MAX;
  lpDSCaps->dwPrimaryBuffers = 1;
  lpDSCaps->dwPlayCpuOverheadSwBuffers = 1;
  return DS_OK;
}

HRESULT WINAPI Device::DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER lpDsbOriginal, LPLPDIRECTSOUNDBUFFER lplpDsbDuplicate) {
  SuspensionPoint();
  if (!lpDsbOriginal || !lplpDsbDuplicate) return DSERR_INVALIDPARAM;
  *lplpDsbDuplicate = nullptr;
  std::lock_guard<std::mutex> guard(BufferListLock());
  Buffer* original = nullptr;
  for (Buffer* buffer : LiveBuffers())
    if (static_cast<IDirectSoundBuffer*>(buffer) == lpDsbOriginal) original = buffer;
  if (!original) return DSERR_INVALIDPARAM;
  if (original->IsPrimary()) return DSERR_INVALIDCALL;
  auto* duplicate = new Buffer(this, *original);
  LiveBuffers().push_back(duplicate);
  *lplpDsbDuplicate = duplicate;
  return DS_OK;
}

HRESULT WINAPI Device::SetCooperativeLevel(HWND hwnd, DWORD dwLevel) {
  SuspensionPoint();
  if (dwLevel < DSSCL_NORMAL || dwLevel > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
  // The level belongs to a window of this process.
  if (!hwnd || !WindowOwner(hwnd)) return DSERR_INVALIDPARAM;
  if (dwLevel == DSSCL_WRITEPRIMARY)
    VSK_UNSUPPORTED("IDirectSound::SetCooperativeLevel DSSCL_WRITEPRIMARY (writing the primary buffer)");
  // Normal, priority and exclusive are all granted: the layer's mixer
  // serves every level alike.
  level_ = dwLevel;
  return DS_OK;
}

HRESULT WINAPI Device::Compact() {
  SuspensionPoint();
  if (level_.load() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
  return DS_OK;  // no hardware memory to compact
}

HRESULT WINAPI Device::GetSpeakerConfig(LPDWORD lpdwSpeakerConfig) {
  SuspensionPoint();
  if (!lpdwSpeakerConfig) return DSERR_INVALIDPARAM;
  *lpdwSpeakerConfig = speakers_.load();
  return DS_OK;
}

HRESULT WINAPI Device::SetSpeakerConfig(DWORD dwSpeakerConfig) {
  SuspensionPoint();
  if (DSSPEAKER_CONFIG(dwSpeakerConfig) > DSSPEAKER_7POINT1) return DSERR_INVALIDPARAM;
  // Recorded as the system's setting; the output stays stereo.
  speakers_ = dwSpeakerConfig;
  return DS_OK;
}

HRESULT WINAPI Device::Initialize(LPCGUID) {
  SuspensionPoint();
  return DSERR_ALREADYINITIALIZED;
}

}  // namespace vsk::platform::dsound

// ---- test hooks ------------------------------------------------------------------------

namespace vsk::platform::testing {

void FailDirectSoundCreate(bool fail) { vsk::platform::dsound::gFailCreate = fail; }
int LiveDirectSoundObjects() { return vsk::platform::dsound::gLiveObjects.load(); }

}  // namespace vsk::platform::testing

// ---- entry points -------------------------------------------------------------------------

using namespace vsk::platform;
using namespace vsk::platform::dsound;

HRESULT WINAPI DirectSoundCreate(LPCGUID lpGuid, LPDIRECTSOUND* ppDS, LPUNKNOWN pUnkOuter) {
  SuspensionPoint();
  if (!ppDS) return DSERR_INVALIDPARAM;
  *ppDS = nullptr;
  if (pUnkOuter) return DSERR_NOAGGREGATION;
  if (gFailCreate.load()) return DSERR_NODRIVER;
  std::string name;
  if (lpGuid && !DeviceNameOf(*lpGuid, &name)) return DSERR_NODRIVER;
  audio::AddSource(TheMixer());
  // The first user of the output picks its device; later ones share it.
  audio::AcquireOutput(lpGuid ? name.c_str() : nullptr);
  *ppDS = new Device();
  return DS_OK;
}

HRESULT WINAPI DirectSoundEnumerateA(LPDSENUMCALLBACKA lpDSEnumCallback, LPVOID lpContext) {
  SuspensionPoint();
  if (!lpDSEnumCallback) return DSERR_INVALIDPARAM;
  if (!lpDSEnumCallback(nullptr, "Primary Sound Driver", "", lpContext)) return DS_OK;
  std::vector<std::string> names = audio::OutputDevices();
  const char* driver = SDL_GetCurrentAudioDriver();
  for (size_t i = 0; i < names.size(); ++i) {
    GUID guid = DeviceGuid(i);
    if (!lpDSEnumCallback(&guid, names[i].c_str(), driver ? driver : "", lpContext)) break;
  }
  return DS_OK;
}
