// DirectSound as far as the game uses it: the device object, its sound
// buffers and the records, flags and result codes that go with them, with
// the names, values and method order Windows gives them (the DirectSound 7
// level: DSBUFFERDESC carries guid3DAlgorithm, frequencies run from 100 to
// 100,000 Hz). src/platform/sdl/dsound_*.cpp implements them with our own
// mixer on the SDL audio output.
//
// Play positions: a buffer that is not looping stops by itself when it has
// played its last frame, and its play cursor is then back at 0, so that the
// next Play starts it from the beginning. Stop leaves the cursor where it
// was; Play continues from there.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <mmsystem.h>

// ---- result codes -------------------------------------------------------------
#define _FACDS 0x878
#define MAKE_DSHRESULT(code) ((HRESULT)(0x80000000UL | ((DWORD)_FACDS << 16) | (DWORD)(code)))

#define DS_OK S_OK
#define DSERR_ALLOCATED MAKE_DSHRESULT(10)
#define DSERR_CONTROLUNAVAIL MAKE_DSHRESULT(30)
#define DSERR_INVALIDPARAM E_INVALIDARG
#define DSERR_INVALIDCALL MAKE_DSHRESULT(50)
#define DSERR_GENERIC E_FAIL
#define DSERR_PRIOLEVELNEEDED MAKE_DSHRESULT(70)
#define DSERR_OUTOFMEMORY E_OUTOFMEMORY
#define DSERR_BADFORMAT MAKE_DSHRESULT(100)
#define DSERR_UNSUPPORTED E_NOTIMPL
#define DSERR_NODRIVER MAKE_DSHRESULT(120)
#define DSERR_ALREADYINITIALIZED MAKE_DSHRESULT(130)
#define DSERR_NOAGGREGATION CLASS_E_NOAGGREGATION
#define DSERR_BUFFERLOST MAKE_DSHRESULT(150)
#define DSERR_OTHERAPPHASPRIO MAKE_DSHRESULT(160)
#define DSERR_UNINITIALIZED MAKE_DSHRESULT(170)
#define DSERR_NOINTERFACE E_NOINTERFACE

// ---- interfaces' identities ---------------------------------------------------------
DEFINE_GUID(IID_IDirectSound, 0x279AFA83, 0x4981, 0x11CE, 0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60);
DEFINE_GUID(IID_IDirectSoundBuffer, 0x279AFA85, 0x4981, 0x11CE, 0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60);

// ---- device capabilities (DSCAPS.dwFlags) --------------------------------------------
#define DSCAPS_PRIMARYMONO 0x00000001
#define DSCAPS_PRIMARYSTEREO 0x00000002
#define DSCAPS_PRIMARY8BIT 0x00000004
#define DSCAPS_PRIMARY16BIT 0x00000008
#define DSCAPS_CONTINUOUSRATE 0x00000010
#define DSCAPS_EMULDRIVER 0x00000020
#define DSCAPS_CERTIFIED 0x00000040
#define DSCAPS_SECONDARYMONO 0x00000100
#define DSCAPS_SECONDARYSTEREO 0x00000200
#define DSCAPS_SECONDARY8BIT 0x00000400
#define DSCAPS_SECONDARY16BIT 0x00000800

// ---- cooperative levels ------------------------------------------------------------------
#define DSSCL_NORMAL 1
#define DSSCL_PRIORITY 2
#define DSSCL_EXCLUSIVE 3
#define DSSCL_WRITEPRIMARY 4

// ---- buffer capabilities (DSBUFFERDESC.dwFlags, DSBCAPS.dwFlags) -----------------------------
#define DSBCAPS_PRIMARYBUFFER 0x00000001
#define DSBCAPS_STATIC 0x00000002
#define DSBCAPS_LOCHARDWARE 0x00000004
#define DSBCAPS_LOCSOFTWARE 0x00000008
#define DSBCAPS_CTRL3D 0x00000010
#define DSBCAPS_CTRLFREQUENCY 0x00000020
#define DSBCAPS_CTRLPAN 0x00000040
#define DSBCAPS_CTRLVOLUME 0x00000080
#define DSBCAPS_CTRLPOSITIONNOTIFY 0x00000100
#define DSBCAPS_CTRLFX 0x00000200
#define DSBCAPS_CTRLDEFAULT 0x000000E0
#define DSBCAPS_CTRLALL 0x000001F0
#define DSBCAPS_STICKYFOCUS 0x00004000
#define DSBCAPS_GLOBALFOCUS 0x00008000
#define DSBCAPS_GETCURRENTPOSITION2 0x00010000
#define DSBCAPS_MUTE3DATMAXDISTANCE 0x00020000
#define DSBCAPS_LOCDEFER 0x00040000

// ---- Play, GetStatus, Lock ------------------------------------------------------------------
#define DSBPLAY_LOOPING 0x00000001
#define DSBPLAY_LOCHARDWARE 0x00000002
#define DSBPLAY_LOCSOFTWARE 0x00000004
#define DSBPLAY_TERMINATEBY_TIME 0x00000008
#define DSBPLAY_TERMINATEBY_DISTANCE 0x00000010
#define DSBPLAY_TERMINATEBY_PRIORITY 0x00000020

#define DSBSTATUS_PLAYING 0x00000001
#define DSBSTATUS_BUFFERLOST 0x00000002
#define DSBSTATUS_LOOPING 0x00000004
#define DSBSTATUS_LOCHARDWARE 0x00000008
#define DSBSTATUS_LOCSOFTWARE 0x00000010
#define DSBSTATUS_TERMINATED 0x00000020

#define DSBLOCK_FROMWRITECURSOR 0x00000001
#define DSBLOCK_ENTIREBUFFER 0x00000002

// ---- ranges -------------------------------------------------------------------------------------
#define DSBFREQUENCY_ORIGINAL 0
#define DSBFREQUENCY_MIN 100
#define DSBFREQUENCY_MAX 100000

#define DSBPAN_LEFT -10000
#define DSBPAN_CENTER 0
#define DSBPAN_RIGHT 10000

// Volumes are attenuations in hundredths of a decibel.
#define DSBVOLUME_MIN -10000
#define DSBVOLUME_MAX 0

#define DSBSIZE_MIN 4
#define DSBSIZE_MAX 0x0FFFFFFF

// ---- speakers --------------------------------------------------------------------------------------
#define DSSPEAKER_DIRECTOUT 0
#define DSSPEAKER_HEADPHONE 1
#define DSSPEAKER_MONO 2
#define DSSPEAKER_QUAD 3
#define DSSPEAKER_STEREO 4
#define DSSPEAKER_SURROUND 5
#define DSSPEAKER_5POINT1 6
#define DSSPEAKER_7POINT1 7

#define DSSPEAKER_GEOMETRY_MIN 0x00000005
#define DSSPEAKER_GEOMETRY_NARROW 0x0000000A
#define DSSPEAKER_GEOMETRY_WIDE 0x00000014
#define DSSPEAKER_GEOMETRY_MAX 0x000000B4

#define DSSPEAKER_COMBINED(c, g) ((DWORD)(((BYTE)(c)) | ((DWORD)((BYTE)(g))) << 16))
#define DSSPEAKER_CONFIG(a) ((BYTE)(a))
#define DSSPEAKER_GEOMETRY(a) ((BYTE)(((DWORD)(a) >> 16) & 0x00FF))

// ---- records -------------------------------------------------------------------------------------------
typedef struct _DSCAPS {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwMinSecondarySampleRate;
  DWORD dwMaxSecondarySampleRate;
  DWORD dwPrimaryBuffers;
  DWORD dwMaxHwMixingAllBuffers;
  DWORD dwMaxHwMixingStaticBuffers;
  DWORD dwMaxHwMixingStreamingBuffers;
  DWORD dwFreeHwMixingAllBuffers;
  DWORD dwFreeHwMixingStaticBuffers;
  DWORD dwFreeHwMixingStreamingBuffers;
  DWORD dwMaxHw3DAllBuffers;
  DWORD dwMaxHw3DStaticBuffers;
  DWORD dwMaxHw3DStreamingBuffers;
  DWORD dwFreeHw3DAllBuffers;
  DWORD dwFreeHw3DStaticBuffers;
  DWORD dwFreeHw3DStreamingBuffers;
  DWORD dwTotalHwMemBytes;
  DWORD dwFreeHwMemBytes;
  DWORD dwMaxContigFreeHwMemBytes;
  DWORD dwUnlockTransferRateHwBuffers;
  DWORD dwPlayCpuOverheadSwBuffers;  // percent of the processor that mixing takes
  DWORD dwReserved1;
  DWORD dwReserved2;
} DSCAPS, *LPDSCAPS;
typedef const DSCAPS* LPCDSCAPS;

typedef struct _DSBCAPS {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwUnlockTransferRate;
  DWORD dwPlayCpuOverhead;
} DSBCAPS, *LPDSBCAPS;
typedef const DSBCAPS* LPCDSBCAPS;

// The DirectX 3 description (without the 3D algorithm); CreateSoundBuffer
// takes both sizes.
typedef struct _DSBUFFERDESC1 {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwReserved;
  LPWAVEFORMATEX lpwfxFormat;
} DSBUFFERDESC1, *LPDSBUFFERDESC1;
typedef const DSBUFFERDESC1* LPCDSBUFFERDESC1;

typedef struct _DSBUFFERDESC {
  DWORD dwSize;               // sizeof(DSBUFFERDESC) or sizeof(DSBUFFERDESC1)
  DWORD dwFlags;              // DSBCAPS_*
  DWORD dwBufferBytes;        // 0 for the primary buffer
  DWORD dwReserved;           // 0
  LPWAVEFORMATEX lpwfxFormat; // null for the primary buffer
  GUID guid3DAlgorithm;       // only with DSBCAPS_CTRL3D
} DSBUFFERDESC, *LPDSBUFFERDESC;
typedef const DSBUFFERDESC* LPCDSBUFFERDESC;

static_assert(sizeof(DSCAPS) == 96, "DSCAPS is 96 bytes");
static_assert(sizeof(DSBCAPS) == 20, "DSBCAPS is 20 bytes");
static_assert(sizeof(DSBUFFERDESC1) == (sizeof(void*) == 4 ? 20 : 24), "DSBUFFERDESC1 layout");
static_assert(sizeof(DSBUFFERDESC) == (sizeof(void*) == 4 ? 36 : 40), "DSBUFFERDESC layout");

// ---- interfaces (methods in vtable order) ------------------------------------------------------------
struct IDirectSound;
struct IDirectSoundBuffer;
typedef IDirectSound* LPDIRECTSOUND;
typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;
typedef LPDIRECTSOUNDBUFFER* LPLPDIRECTSOUNDBUFFER;

struct IDirectSound : public IUnknown {
  virtual HRESULT WINAPI CreateSoundBuffer(LPCDSBUFFERDESC lpcDSBufferDesc, LPLPDIRECTSOUNDBUFFER lplpDirectSoundBuffer,
                                           IUnknown* pUnkOuter) = 0;
  virtual HRESULT WINAPI GetCaps(LPDSCAPS lpDSCaps) = 0;
  virtual HRESULT WINAPI DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER lpDsbOriginal,
                                              LPLPDIRECTSOUNDBUFFER lplpDsbDuplicate) = 0;
  virtual HRESULT WINAPI SetCooperativeLevel(HWND hwnd, DWORD dwLevel) = 0;
  virtual HRESULT WINAPI Compact() = 0;
  virtual HRESULT WINAPI GetSpeakerConfig(LPDWORD lpdwSpeakerConfig) = 0;
  virtual HRESULT WINAPI SetSpeakerConfig(DWORD dwSpeakerConfig) = 0;
  virtual HRESULT WINAPI Initialize(LPCGUID lpcGuid) = 0;
};

struct IDirectSoundBuffer : public IUnknown {
  virtual HRESULT WINAPI GetCaps(LPDSBCAPS lpDSBufferCaps) = 0;
  virtual HRESULT WINAPI GetCurrentPosition(LPDWORD lpdwCurrentPlayCursor, LPDWORD lpdwCurrentWriteCursor) = 0;
  virtual HRESULT WINAPI GetFormat(LPWAVEFORMATEX lpwfxFormat, DWORD dwSizeAllocated, LPDWORD lpdwSizeWritten) = 0;
  virtual HRESULT WINAPI GetVolume(LPLONG lplVolume) = 0;
  virtual HRESULT WINAPI GetPan(LPLONG lplPan) = 0;
  virtual HRESULT WINAPI GetFrequency(LPDWORD lpdwFrequency) = 0;
  virtual HRESULT WINAPI GetStatus(LPDWORD lpdwStatus) = 0;
  virtual HRESULT WINAPI Initialize(LPDIRECTSOUND lpDirectSound, LPCDSBUFFERDESC lpcDSBufferDesc) = 0;
  virtual HRESULT WINAPI Lock(DWORD dwOffset, DWORD dwBytes, LPVOID* ppvAudioPtr1, LPDWORD pdwAudioBytes1,
                              LPVOID* ppvAudioPtr2, LPDWORD pdwAudioBytes2, DWORD dwFlags) = 0;
  virtual HRESULT WINAPI Play(DWORD dwReserved1, DWORD dwPriority, DWORD dwFlags) = 0;
  virtual HRESULT WINAPI SetCurrentPosition(DWORD dwNewPosition) = 0;
  virtual HRESULT WINAPI SetFormat(LPCWAVEFORMATEX lpcfxFormat) = 0;
  virtual HRESULT WINAPI SetVolume(LONG lVolume) = 0;
  virtual HRESULT WINAPI SetPan(LONG lPan) = 0;
  virtual HRESULT WINAPI SetFrequency(DWORD dwFrequency) = 0;
  virtual HRESULT WINAPI Stop() = 0;
  virtual HRESULT WINAPI Unlock(LPVOID pvAudioPtr1, DWORD dwAudioBytes1, LPVOID pvAudioPtr2, DWORD dwAudioBytes2) = 0;
  virtual HRESULT WINAPI Restore() = 0;
};

// ---- functions -------------------------------------------------------------------------------------------
// Calls back once per output device: first the primary device with a null
// GUID, then each output the system has; stops when the callback answers
// FALSE.
typedef BOOL(CALLBACK* LPDSENUMCALLBACKA)(LPGUID lpGuid, LPCSTR lpcstrDescription, LPCSTR lpcstrModule,
                                          LPVOID lpContext);

// Creates the device object of an output device (null: the default output).
HRESULT WINAPI DirectSoundCreate(LPCGUID lpGuid, LPDIRECTSOUND* ppDS, LPUNKNOWN pUnkOuter);
HRESULT WINAPI DirectSoundEnumerateA(LPDSENUMCALLBACKA lpDSEnumCallback, LPVOID lpContext);
#define DirectSoundEnumerate DirectSoundEnumerateA
typedef LPDSENUMCALLBACKA LPDSENUMCALLBACK;
