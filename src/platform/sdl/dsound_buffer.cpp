// DirectSound buffers: the memory the game locks and fills, the play state
// the mixer advances (position, looping, frequency, volume, pan) and the
// mixer source that adds every playing buffer into the audio output.
//
// The primary buffer is kept minimal: it has a format (recorded, the output
// keeps its own), a status and the cursor calls; its memory cannot be locked
// without DSSCL_WRITEPRIMARY, which the layer does not grant.
#include <cstring>

#include "audio_output.h"
#include "dsound_objects.h"
#include "kernel32_thread.h"
#include "unsupported.h"

namespace vsk::platform::dsound {

namespace {

// The primary buffer's format until SetFormat: DirectSound's default.
WAVEFORMATEX DefaultPrimaryFormat() {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = 22050;
  format.wBitsPerSample = 8;
  format.nBlockAlign = 2;
  format.nAvgBytesPerSec = 22050 * 2;
  return format;
}

// Adds every playing buffer into the output's mix.
class Mixer final : public audio::Source {
 public:
  void Mix(int32_t* acc, int frames, int rate) override {
    std::lock_guard<std::mutex> guard(BufferListLock());
    for (Buffer* buffer : LiveBuffers()) buffer->MixInto(acc, frames, rate);
  }
};

}  // namespace

std::atomic<int> gLiveObjects{0};

std::mutex& BufferListLock() {
  static auto* lock = new std::mutex();
  return *lock;
}

std::vector<Buffer*>& LiveBuffers() {
  static auto* buffers = new std::vector<Buffer*>();
  return *buffers;
}

audio::Source* TheMixer() {
  static auto* mixer = new Mixer();
  return mixer;
}

HRESULT CheckFormat(const WAVEFORMATEX& format) {
  if (format.wFormatTag != WAVE_FORMAT_PCM) return DSERR_BADFORMAT;
  if (format.nChannels != 1 && format.nChannels != 2) return DSERR_BADFORMAT;
  if (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) return DSERR_BADFORMAT;
  if (format.nSamplesPerSec < DSBFREQUENCY_MIN || format.nSamplesPerSec > DSBFREQUENCY_MAX) return DSERR_BADFORMAT;
  if (format.nBlockAlign != format.nChannels * format.wBitsPerSample / 8) return DSERR_BADFORMAT;
  return DS_OK;
}

Buffer::Buffer(Device* owner, DWORD flags, const WAVEFORMATEX& format, DWORD bytes)
    : primary_(false), flags_(flags), owner_(owner), format_(format) {
  format_.cbSize = 0;
  // Silence: 0 for signed 16-bit samples, 0x80 for unsigned 8-bit ones.
  bytes_ = std::make_shared<std::vector<uint8_t>>(bytes, format.wBitsPerSample == 8 ? 0x80 : 0x00);
  frames_ = bytes / format.nBlockAlign;
  frequency_ = format.nSamplesPerSec;
  UpdateGains();
  ++gLiveObjects;
}

Buffer::Buffer(Device* owner, DWORD flags)
    : primary_(true), flags_(flags | DSBCAPS_PRIMARYBUFFER), owner_(owner), format_(DefaultPrimaryFormat()) {
  frequency_ = format_.nSamplesPerSec;
  UpdateGains();
  ++gLiveObjects;
}

Buffer::Buffer(Device* owner, Buffer& original)
    : primary_(false), flags_(original.flags_), owner_(owner) {
  std::lock_guard<std::mutex> guard(original.lock_);
  bytes_ = original.bytes_;
  frames_ = original.frames_;
  format_ = original.format_;
  frequency_ = original.frequency_;
  volume_ = original.volume_;
  pan_ = original.pan_;
  UpdateGains();
  ++gLiveObjects;
}

Buffer::~Buffer() { --gLiveObjects; }

HRESULT WINAPI Buffer::QueryInterface(REFIID riid, void** ppvObject) {
  SuspensionPoint();
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (riid != IID_IUnknown && riid != IID_IDirectSoundBuffer)
    VSK_UNSUPPORTED("IDirectSoundBuffer::QueryInterface for another interface");
  AddRef();
  *ppvObject = static_cast<IDirectSoundBuffer*>(this);
  return S_OK;
}

ULONG WINAPI Buffer::AddRef() { return ++refs_; }

ULONG WINAPI Buffer::Release() {
  SuspensionPoint();
  ULONG left = --refs_;
  if (left == 0) {
    {
      // Off the list first: from here on the mixer does not see it.
      std::lock_guard<std::mutex> guard(BufferListLock());
      auto& buffers = LiveBuffers();
      for (auto it = buffers.begin(); it != buffers.end(); ++it) {
        if (*it == this) {
          buffers.erase(it);
          break;
        }
      }
      if (primary_ && owner_) owner_->ForgetPrimary(this);
    }
    delete this;
  }
  return left;
}

void Buffer::Orphan() {
  std::lock_guard<std::mutex> guard(lock_);
  owner_ = nullptr;
  playing_ = false;
}

HRESULT Buffer::CheckControl(DWORD control) const { return (flags_ & control) ? DS_OK : DSERR_CONTROLUNAVAIL; }

void Buffer::UpdateGains() {
  // Pan attenuates the channel away from its side; volume both.
  gainLeft_ = audio::GainForAttenuation(volume_ - (pan_ > 0 ? pan_ : 0));
  gainRight_ = audio::GainForAttenuation(volume_ + (pan_ < 0 ? pan_ : 0));
}

DWORD Buffer::PlayCursorLocked() const {
  return static_cast<DWORD>(audio::PositionToFrames(position_)) * format_.nBlockAlign;
}

HRESULT WINAPI Buffer::GetCaps(LPDSBCAPS lpDSBufferCaps) {
  SuspensionPoint();
  if (!lpDSBufferCaps || lpDSBufferCaps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
  lpDSBufferCaps->dwFlags = flags_;
  // Every buffer is mixed in software.
  if (!(flags_ & (DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE))) lpDSBufferCaps->dwFlags |= DSBCAPS_LOCSOFTWARE;
  std::lock_guard<std::mutex> guard(lock_);
  lpDSBufferCaps->dwBufferBytes = primary_ ? format_.nAvgBytesPerSec : static_cast<DWORD>(bytes_->size());
  lpDSBufferCaps->dwUnlockTransferRate = 0;
  lpDSBufferCaps->dwPlayCpuOverhead = 0;
  return DS_OK;
}

HRESULT WINAPI Buffer::GetCurrentPosition(LPDWORD lpdwCurrentPlayCursor, LPDWORD lpdwCurrentWriteCursor) {
  SuspensionPoint();
  if (!lpdwCurrentPlayCursor && !lpdwCurrentWriteCursor) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(lock_);
  DWORD play = primary_ ? 0 : PlayCursorLocked();
  DWORD write = play;
  if (playing_ && !primary_ && !bytes_->empty()) {
    // The mixer reads ahead of the play cursor; writing is safe 10 ms on.
    DWORD ahead = (format_.nSamplesPerSec / 100) * format_.nBlockAlign;
    write = static_cast<DWORD>((play + ahead) % (frames_ * format_.nBlockAlign));
  }
  if (lpdwCurrentPlayCursor) *lpdwCurrentPlayCursor = play;
  if (lpdwCurrentWriteCursor) *lpdwCurrentWriteCursor = write;
  return DS_OK;
}

HRESULT WINAPI Buffer::GetFormat(LPWAVEFORMATEX lpwfxFormat, DWORD dwSizeAllocated, LPDWORD lpdwSizeWritten) {
  SuspensionPoint();
  if (!lpwfxFormat) {
    if (!lpdwSizeWritten) return DSERR_INVALIDPARAM;
    *lpdwSizeWritten = sizeof(WAVEFORMATEX);
    return DS_OK;
  }
  if (dwSizeAllocated < sizeof(WAVEFORMATEX)) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(lock_);
  std::memcpy(lpwfxFormat, &format_, sizeof(WAVEFORMATEX));
  if (lpdwSizeWritten) *lpdwSizeWritten = sizeof(WAVEFORMATEX);
  return DS_OK;
}

HRESULT WINAPI Buffer::GetVolume(LPLONG lplVolume) {
  SuspensionPoint();
  if (!lplVolume) return DSERR_INVALIDPARAM;
  if (HRESULT result = CheckControl(DSBCAPS_CTRLVOLUME); result != DS_OK) return result;
  std::lock_guard<std::mutex> guard(lock_);
  *lplVolume = volume_;
  return DS_OK;
}

HRESULT WINAPI Buffer::GetPan(LPLONG lplPan) {
  SuspensionPoint();
  if (!lplPan) return DSERR_INVALIDPARAM;
  if (HRESULT result = CheckControl(DSBCAPS_CTRLPAN); result != DS_OK) return result;
  std::lock_guard<std::mutex> guard(lock_);
  *lplPan = pan_;
  return DS_OK;
}

HRESULT WINAPI Buffer::GetFrequency(LPDWORD lpdwFrequency) {
  SuspensionPoint();
  if (!lpdwFrequency) return DSERR_INVALIDPARAM;
  if (HRESULT result = CheckControl(DSBCAPS_CTRLFREQUENCY); result != DS_OK) return result;
  std::lock_guard<std::mutex> guard(lock_);
  *lpdwFrequency = frequency_;
  return DS_OK;
}

HRESULT WINAPI Buffer::GetStatus(LPDWORD lpdwStatus) {
  SuspensionPoint();
  if (!lpdwStatus) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(lock_);
  DWORD status = 0;
  if (!owner_) status |= DSBSTATUS_BUFFERLOST;
  if (playing_) status |= DSBSTATUS_PLAYING | (looping_ ? DSBSTATUS_LOOPING : 0);
  *lpdwStatus = status;
  return DS_OK;
}

HRESULT WINAPI Buffer::Initialize(LPDIRECTSOUND, LPCDSBUFFERDESC) {
  SuspensionPoint();
  return DSERR_ALREADYINITIALIZED;
}

HRESULT WINAPI Buffer::Lock(DWORD dwOffset, DWORD dwBytes, LPVOID* ppvAudioPtr1, LPDWORD pdwAudioBytes1,
                            LPVOID* ppvAudioPtr2, LPDWORD pdwAudioBytes2, DWORD dwFlags) {
  SuspensionPoint();
  if (!ppvAudioPtr1 || !pdwAudioBytes1) return DSERR_INVALIDPARAM;
  if (dwFlags & ~static_cast<DWORD>(DSBLOCK_FROMWRITECURSOR | DSBLOCK_ENTIREBUFFER)) return DSERR_INVALIDPARAM;
  // The primary buffer's memory belongs to the output (DSSCL_WRITEPRIMARY).
  if (primary_) return DSERR_PRIOLEVELNEEDED;
  std::lock_guard<std::mutex> guard(lock_);
  DWORD size = static_cast<DWORD>(bytes_->size());
  uint8_t* base = bytes_->data();
  if (dwFlags & DSBLOCK_ENTIREBUFFER) {
    dwOffset = 0;
    dwBytes = size;
  } else if (dwFlags & DSBLOCK_FROMWRITECURSOR) {
    dwOffset = PlayCursorLocked();
    if (playing_) {
      DWORD ahead = (format_.nSamplesPerSec / 100) * format_.nBlockAlign;
      dwOffset = static_cast<DWORD>((dwOffset + ahead) % (frames_ * format_.nBlockAlign));
    }
  }
  if (dwBytes == 0 || dwBytes > size || dwOffset >= size) return DSERR_INVALIDPARAM;
  DWORD first = dwBytes <= size - dwOffset ? dwBytes : size - dwOffset;
  DWORD second = dwBytes - first;
  // A region that wraps needs the second pointer.
  if (second && (!ppvAudioPtr2 || !pdwAudioBytes2)) return DSERR_INVALIDPARAM;
  *ppvAudioPtr1 = base + dwOffset;
  *pdwAudioBytes1 = first;
  if (ppvAudioPtr2) *ppvAudioPtr2 = second ? base : nullptr;
  if (pdwAudioBytes2) *pdwAudioBytes2 = second;
  return DS_OK;
}

HRESULT WINAPI Buffer::Unlock(LPVOID pvAudioPtr1, DWORD dwAudioBytes1, LPVOID pvAudioPtr2, DWORD dwAudioBytes2) {
  SuspensionPoint();
  if (primary_) return DSERR_PRIOLEVELNEEDED;
  std::lock_guard<std::mutex> guard(lock_);
  const uint8_t* begin = bytes_->data();
  const uint8_t* end = begin + bytes_->size();
  // Both regions must lie within the buffer; the second starts at its front.
  auto inside = [&](LPVOID pointer, DWORD bytes) {
    auto* p = static_cast<const uint8_t*>(pointer);
    return p >= begin && p < end && bytes <= static_cast<size_t>(end - p);
  };
  if (!pvAudioPtr1 || !inside(pvAudioPtr1, dwAudioBytes1)) return DSERR_INVALIDPARAM;
  if (pvAudioPtr2 && (pvAudioPtr2 != begin || !inside(pvAudioPtr2, dwAudioBytes2))) return DSERR_INVALIDPARAM;
  // The mixer reads the memory directly: what was written plays from now on.
  return DS_OK;
}

HRESULT WINAPI Buffer::Play(DWORD dwReserved1, DWORD dwPriority, DWORD dwFlags) {
  SuspensionPoint();
  // A priority and the voice-management flags are for DSBCAPS_LOCDEFER
  // buffers, which the layer does not make.
  if (dwReserved1 != 0 || dwPriority != 0 || (dwFlags & ~static_cast<DWORD>(DSBPLAY_LOOPING)))
    return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(lock_);
  if (!owner_) return DSERR_BUFFERLOST;
  // Buffers play once their device has a cooperative level.
  if (owner_->Level() == 0) return DSERR_PRIOLEVELNEEDED;
  bool looping = (dwFlags & DSBPLAY_LOOPING) != 0;
  // The primary buffer plays for ever.
  if (primary_ && !looping) return DSERR_INVALIDPARAM;
  // A buffer that already plays goes on from where it is; only its
  // looping changes.
  looping_ = looping;
  playing_ = true;
  return DS_OK;
}

HRESULT WINAPI Buffer::SetCurrentPosition(DWORD dwNewPosition) {
  SuspensionPoint();
  if (primary_) return DSERR_INVALIDCALL;
  std::lock_guard<std::mutex> guard(lock_);
  if (dwNewPosition >= bytes_->size()) return DSERR_INVALIDPARAM;
  // Positions fall on whole frames.
  position_ = audio::FramesToPosition(dwNewPosition / format_.nBlockAlign);
  return DS_OK;
}

HRESULT WINAPI Buffer::SetFormat(LPCWAVEFORMATEX lpcfxFormat) {
  SuspensionPoint();
  // A secondary buffer's format is fixed at creation.
  if (!primary_) return DSERR_INVALIDCALL;
  if (!lpcfxFormat) return DSERR_INVALIDPARAM;
  {
    std::lock_guard<std::mutex> guard(BufferListLock());
    if (!owner_) return DSERR_BUFFERLOST;
    if (owner_->Level() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
  }
  if (HRESULT result = CheckFormat(*lpcfxFormat); result != DS_OK) return result;
  std::lock_guard<std::mutex> guard(lock_);
  // Recorded for GetFormat; the output keeps mixing at its own rate.
  std::memcpy(&format_, lpcfxFormat, sizeof(WAVEFORMATEX));
  format_.cbSize = 0;
  format_.nAvgBytesPerSec = format_.nSamplesPerSec * format_.nBlockAlign;
  return DS_OK;
}

HRESULT WINAPI Buffer::SetVolume(LONG lVolume) {
  SuspensionPoint();
  if (HRESULT result = CheckControl(DSBCAPS_CTRLVOLUME); result != DS_OK) return result;
  if (lVolume < DSBVOLUME_MIN || lVolume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
  if (primary_) VSK_UNSUPPORTED("IDirectSoundBuffer::SetVolume of the primary buffer (the output's master volume)");
  std::lock_guard<std::mutex> guard(lock_);
  volume_ = lVolume;
  UpdateGains();
  return DS_OK;
}

HRESULT WINAPI Buffer::SetPan(LONG lPan) {
  SuspensionPoint();
  if (HRESULT result = CheckControl(DSBCAPS_CTRLPAN); result != DS_OK) return result;
  if (lPan < DSBPAN_LEFT || lPan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
  if (primary_) VSK_UNSUPPORTED("IDirectSoundBuffer::SetPan of the primary buffer (the output's master balance)");
  std::lock_guard<std::mutex> guard(lock_);
  pan_ = lPan;
  UpdateGains();
  return DS_OK;
}

HRESULT WINAPI Buffer::SetFrequency(DWORD dwFrequency) {
  SuspensionPoint();
  if (HRESULT result = CheckControl(DSBCAPS_CTRLFREQUENCY); result != DS_OK) return result;
  if (dwFrequency != DSBFREQUENCY_ORIGINAL && (dwFrequency < DSBFREQUENCY_MIN || dwFrequency > DSBFREQUENCY_MAX))
    return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> guard(lock_);
  frequency_ = dwFrequency == DSBFREQUENCY_ORIGINAL ? format_.nSamplesPerSec : dwFrequency;
  return DS_OK;
}

HRESULT WINAPI Buffer::Stop() {
  SuspensionPoint();
  std::lock_guard<std::mutex> guard(lock_);
  // The play cursor stays where it is.
  playing_ = false;
  return DS_OK;
}

HRESULT WINAPI Buffer::Restore() {
  SuspensionPoint();
  std::lock_guard<std::mutex> guard(lock_);
  // The layer's buffers live in memory and are never lost while their
  // device lives.
  return owner_ ? DS_OK : DSERR_BUFFERLOST;
}

void Buffer::MixInto(int32_t* acc, int frames, int rate) {
  if (primary_) return;
  std::lock_guard<std::mutex> guard(lock_);
  if (!playing_) return;
  audio::PcmView view;
  view.data = bytes_->data();
  view.frames = frames_;
  view.channels = format_.nChannels;
  view.bits = format_.wBitsPerSample;
  uint64_t end = audio::FramesToPosition(frames_);
  audio::MixResampled(view, &position_, audio::StepFor(frequency_, rate), end, looping_, gainLeft_, gainRight_, acc,
                      frames);
  if (!looping_ && position_ >= end) {
    // A one-shot that has played its last frame stops, its cursor back at
    // the start.
    playing_ = false;
    position_ = 0;
  }
}

}  // namespace vsk::platform::dsound
