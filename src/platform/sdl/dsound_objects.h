// DirectSound objects of the layer, shared by the dsound_*.cpp files.
//
// A Device holds the audio output open while it lives. Every buffer is on
// one list of live buffers; the DirectSound mixer (a source of the audio
// output) walks that list under its lock on each render and mixes every
// playing buffer under the buffer's own lock, which is held only briefly.
// A buffer leaves the list before it is deleted, so the mixer never sees a
// released buffer; when its device goes, a buffer stops and stays silent.
//
// As on Windows, the game owns a buffer's bytes between Lock and Unlock;
// the mixer reads them directly, so what is written into a playing buffer
// is heard as it is written.
//
// Locking order: the output's locks, then the buffer list lock, then a
// buffer's lock. Buffer methods take their own lock; creating, duplicating
// and releasing objects (and the primary's SetFormat) take the list lock
// first.
#pragma once

#include <dsound.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace vsk::platform::dsound {

class Device;

class Buffer final : public IDirectSoundBuffer {
 public:
  // A secondary buffer of `bytes` bytes in `format`, silent at first.
  Buffer(Device* owner, DWORD flags, const WAVEFORMATEX& format, DWORD bytes);
  // The device's primary buffer.
  Buffer(Device* owner, DWORD flags);
  // A duplicate: shares the original's memory, has its own play state.
  Buffer(Device* owner, Buffer& original);
  ~Buffer();

  // IUnknown
  HRESULT WINAPI QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG WINAPI AddRef() override;
  ULONG WINAPI Release() override;
  // IDirectSoundBuffer
  HRESULT WINAPI GetCaps(LPDSBCAPS lpDSBufferCaps) override;
  HRESULT WINAPI GetCurrentPosition(LPDWORD lpdwCurrentPlayCursor, LPDWORD lpdwCurrentWriteCursor) override;
  HRESULT WINAPI GetFormat(LPWAVEFORMATEX lpwfxFormat, DWORD dwSizeAllocated, LPDWORD lpdwSizeWritten) override;
  HRESULT WINAPI GetVolume(LPLONG lplVolume) override;
  HRESULT WINAPI GetPan(LPLONG lplPan) override;
  HRESULT WINAPI GetFrequency(LPDWORD lpdwFrequency) override;
  HRESULT WINAPI GetStatus(LPDWORD lpdwStatus) override;
  HRESULT WINAPI Initialize(LPDIRECTSOUND lpDirectSound, LPCDSBUFFERDESC lpcDSBufferDesc) override;
  HRESULT WINAPI Lock(DWORD dwOffset, DWORD dwBytes, LPVOID* ppvAudioPtr1, LPDWORD pdwAudioBytes1,
                      LPVOID* ppvAudioPtr2, LPDWORD pdwAudioBytes2, DWORD dwFlags) override;
  HRESULT WINAPI Play(DWORD dwReserved1, DWORD dwPriority, DWORD dwFlags) override;
  HRESULT WINAPI SetCurrentPosition(DWORD dwNewPosition) override;
  HRESULT WINAPI SetFormat(LPCWAVEFORMATEX lpcfxFormat) override;
  HRESULT WINAPI SetVolume(LONG lVolume) override;
  HRESULT WINAPI SetPan(LONG lPan) override;
  HRESULT WINAPI SetFrequency(DWORD dwFrequency) override;
  HRESULT WINAPI Stop() override;
  HRESULT WINAPI Unlock(LPVOID pvAudioPtr1, DWORD dwAudioBytes1, LPVOID pvAudioPtr2, DWORD dwAudioBytes2) override;
  HRESULT WINAPI Restore() override;

  bool IsPrimary() const { return primary_; }
  // The device this buffer belongs to, null once the device is released.
  // Buffer list lock held.
  Device* Owner() const { return owner_; }
  // The device is released: stop for good. Buffer list lock held.
  void Orphan();
  // Adds the buffer's frames into the mix if it plays (mixer only).
  void MixInto(int32_t* acc, int frames, int rate);

 private:
  HRESULT CheckControl(DWORD control) const;
  void UpdateGains();  // lock_ held (or not yet shared)
  DWORD PlayCursorLocked() const;

  std::atomic<ULONG> refs_{1};
  const bool primary_;
  const DWORD flags_;
  std::shared_ptr<std::vector<uint8_t>> bytes_;  // secondary buffers' memory, shared with duplicates
  uint32_t frames_ = 0;                          // whole frames in bytes_

  mutable std::mutex lock_;  // guards everything below
  Device* owner_;            // written with the buffer list lock held too
  WAVEFORMATEX format_{};
  bool playing_ = false;
  bool looping_ = false;
  uint64_t position_ = 0;  // source frames, 32.32 fixed point
  DWORD frequency_ = 0;
  LONG volume_ = DSBVOLUME_MAX;
  LONG pan_ = DSBPAN_CENTER;
  int32_t gainLeft_ = 0;
  int32_t gainRight_ = 0;
};

class Device final : public IDirectSound {
 public:
  Device();
  ~Device();

  // IUnknown
  HRESULT WINAPI QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG WINAPI AddRef() override;
  ULONG WINAPI Release() override;
  // IDirectSound
  HRESULT WINAPI CreateSoundBuffer(LPCDSBUFFERDESC lpcDSBufferDesc, LPLPDIRECTSOUNDBUFFER lplpDirectSoundBuffer,
                                   IUnknown* pUnkOuter) override;
  HRESULT WINAPI GetCaps(LPDSCAPS lpDSCaps) override;
  HRESULT WINAPI DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER lpDsbOriginal,
                                      LPLPDIRECTSOUNDBUFFER lplpDsbDuplicate) override;
  HRESULT WINAPI SetCooperativeLevel(HWND hwnd, DWORD dwLevel) override;
  HRESULT WINAPI Compact() override;
  HRESULT WINAPI GetSpeakerConfig(LPDWORD lpdwSpeakerConfig) override;
  HRESULT WINAPI SetSpeakerConfig(DWORD dwSpeakerConfig) override;
  HRESULT WINAPI Initialize(LPCGUID lpcGuid) override;

  // The cooperative level, 0 until one is set.
  DWORD Level() const { return level_.load(); }
  // The primary buffer leaves (its last Release). Buffer list lock held.
  void ForgetPrimary(Buffer* primary);

 private:
  HRESULT CreatePrimary(const DSBUFFERDESC& desc, LPDIRECTSOUNDBUFFER* out);

  std::atomic<ULONG> refs_{1};
  std::atomic<DWORD> level_{0};
  std::atomic<DWORD> speakers_;
  Buffer* primary_ = nullptr;  // buffer list lock held
};

// Guards the list of live buffers (and each buffer's owner).
std::mutex& BufferListLock();
// Live buffers; BufferListLock() held.
std::vector<Buffer*>& LiveBuffers();
// Counts live DirectSound objects (test hooks).
extern std::atomic<int> gLiveObjects;

// Checks a PCM format the buffers can play: DS_OK or DSERR_BADFORMAT.
HRESULT CheckFormat(const WAVEFORMATEX& format);

}  // namespace vsk::platform::dsound
