// DirectDraw as far as the game uses it: the DirectX 7 interfaces for the
// display, the IDirectDraw2 that the machine report asks COM for, and the
// records, flags and result codes that go with them, with the names, values
// and method order Windows gives them. src/platform/sdl/ddraw_*.cpp
// implements them over an emulated 640 x 480 x 8 display.
#pragma once

#include <windows.h>
#include <objbase.h>

// ---- result codes -------------------------------------------------------------
#define _FACDD 0x876
#define MAKE_DDHRESULT(code) ((HRESULT)(0x80000000UL | ((DWORD)_FACDD << 16) | (DWORD)(code)))

#define DD_OK S_OK
#define DD_FALSE S_FALSE

#define DDERR_ALREADYINITIALIZED MAKE_DDHRESULT(5)
#define DDERR_GENERIC E_FAIL
#define DDERR_INVALIDCAPS MAKE_DDHRESULT(100)
#define DDERR_INVALIDMODE MAKE_DDHRESULT(120)
#define DDERR_INVALIDOBJECT MAKE_DDHRESULT(130)
#define DDERR_INVALIDPARAMS E_INVALIDARG
#define DDERR_INVALIDPIXELFORMAT MAKE_DDHRESULT(145)
#define DDERR_INVALIDRECT MAKE_DDHRESULT(150)
#define DDERR_NOCOOPERATIVELEVELSET MAKE_DDHRESULT(212)
#define DDERR_NOCOLORKEY MAKE_DDHRESULT(215)
#define DDERR_NOEXCLUSIVEMODE MAKE_DDHRESULT(225)
#define DDERR_NOTFOUND MAKE_DDHRESULT(255)
#define DDERR_OUTOFMEMORY E_OUTOFMEMORY
#define DDERR_NOSTRETCHHW MAKE_DDHRESULT(310)
#define DDERR_OUTOFVIDEOMEMORY MAKE_DDHRESULT(380)
#define DDERR_SURFACEBUSY MAKE_DDHRESULT(430)
#define DDERR_SURFACELOST MAKE_DDHRESULT(450)
#define DDERR_CANTLOCKSURFACE MAKE_DDHRESULT(435)
#define DDERR_UNSUPPORTED E_NOTIMPL
#define DDERR_WASSTILLDRAWING MAKE_DDHRESULT(540)
#define DDERR_INVALIDDIRECTDRAWGUID MAKE_DDHRESULT(561)
#define DDERR_DIRECTDRAWALREADYCREATED MAKE_DDHRESULT(562)
#define DDERR_PRIMARYSURFACEALREADYEXISTS MAKE_DDHRESULT(564)
#define DDERR_NOHWND MAKE_DDHRESULT(569)
#define DDERR_HWNDALREADYSET MAKE_DDHRESULT(571)
#define DDERR_NOPALETTEATTACHED MAKE_DDHRESULT(572)
#define DDERR_EXCLUSIVEMODEALREADYSET MAKE_DDHRESULT(581)
#define DDERR_NOTLOCKED MAKE_DDHRESULT(584)
#define DDERR_WRONGMODE MAKE_DDHRESULT(587)
#define DDERR_NOTPALETTIZED MAKE_DDHRESULT(589)
#define DDERR_UNSUPPORTEDMODE MAKE_DDHRESULT(590)
#define DDERR_INVALIDSURFACETYPE MAKE_DDHRESULT(592)
#define DDERR_NOTINITIALIZED CO_E_NOTINITIALIZED

// Special device "GUIDs" of DirectDrawCreateEx.
#define DDCREATE_HARDWAREONLY 0x00000001L
#define DDCREATE_EMULATIONONLY 0x00000002L

// ---- interfaces' identities -----------------------------------------------------
DEFINE_GUID(CLSID_DirectDraw, 0xD7B70EE0, 0x4340, 0x11CF, 0xB0, 0x63, 0x00, 0x20, 0xAF, 0xC2, 0xCD, 0x35);
DEFINE_GUID(IID_IDirectDraw, 0x6C14DB80, 0xA733, 0x11CE, 0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60);
DEFINE_GUID(IID_IDirectDraw2, 0xB3A6F3E0, 0x2B43, 0x11CF, 0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56);
DEFINE_GUID(IID_IDirectDraw7, 0x15E65EC0, 0x3B9C, 0x11D2, 0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B);
DEFINE_GUID(IID_IDirectDrawSurface7, 0x06675A80, 0x3B9B, 0x11D2, 0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B);
DEFINE_GUID(IID_IDirectDrawPalette, 0x6C14DB84, 0xA733, 0x11CE, 0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60);

// ---- cooperative level ------------------------------------------------------------
#define DDSCL_FULLSCREEN 0x00000001
#define DDSCL_ALLOWREBOOT 0x00000002
#define DDSCL_NOWINDOWCHANGES 0x00000004
#define DDSCL_NORMAL 0x00000008
#define DDSCL_EXCLUSIVE 0x00000010
#define DDSCL_ALLOWMODEX 0x00000040
#define DDSCL_SETFOCUSWINDOW 0x00000080
#define DDSCL_SETDEVICEWINDOW 0x00000100
#define DDSCL_CREATEDEVICEWINDOW 0x00000200
#define DDSCL_MULTITHREADED 0x00000400
#define DDSCL_FPUSETUP 0x00000800
#define DDSCL_FPUPRESERVE 0x00001000

// ---- surface description: which fields are valid --------------------------------
#define DDSD_CAPS 0x00000001
#define DDSD_HEIGHT 0x00000002
#define DDSD_WIDTH 0x00000004
#define DDSD_PITCH 0x00000008
#define DDSD_BACKBUFFERCOUNT 0x00000020
#define DDSD_ZBUFFERBITDEPTH 0x00000040
#define DDSD_ALPHABITDEPTH 0x00000080
#define DDSD_LPSURFACE 0x00000800
#define DDSD_PIXELFORMAT 0x00001000
#define DDSD_CKDESTOVERLAY 0x00002000
#define DDSD_CKDESTBLT 0x00004000
#define DDSD_CKSRCOVERLAY 0x00008000
#define DDSD_CKSRCBLT 0x00010000
#define DDSD_MIPMAPCOUNT 0x00020000
#define DDSD_REFRESHRATE 0x00040000
#define DDSD_LINEARSIZE 0x00080000
#define DDSD_TEXTURESTAGE 0x00100000
#define DDSD_ALL 0x00FFF9EE

// ---- surface capabilities --------------------------------------------------------
#define DDSCAPS_ALPHA 0x00000002
#define DDSCAPS_BACKBUFFER 0x00000004
#define DDSCAPS_COMPLEX 0x00000008
#define DDSCAPS_FLIP 0x00000010
#define DDSCAPS_FRONTBUFFER 0x00000020
#define DDSCAPS_OFFSCREENPLAIN 0x00000040
#define DDSCAPS_OVERLAY 0x00000080
#define DDSCAPS_PALETTE 0x00000100
#define DDSCAPS_PRIMARYSURFACE 0x00000200
#define DDSCAPS_SYSTEMMEMORY 0x00000800
#define DDSCAPS_TEXTURE 0x00001000
#define DDSCAPS_3DDEVICE 0x00002000
#define DDSCAPS_VIDEOMEMORY 0x00004000
#define DDSCAPS_VISIBLE 0x00008000
#define DDSCAPS_WRITEONLY 0x00010000
#define DDSCAPS_ZBUFFER 0x00020000
#define DDSCAPS_OWNDC 0x00040000
#define DDSCAPS_MODEX 0x00200000
#define DDSCAPS_LOCALVIDMEM 0x10000000
#define DDSCAPS_NONLOCALVIDMEM 0x20000000
#define DDSCAPS_STANDARDVGAMODE 0x40000000

// ---- Lock ------------------------------------------------------------------------
#define DDLOCK_SURFACEMEMORYPTR 0x00000000L
#define DDLOCK_WAIT 0x00000001L
#define DDLOCK_EVENT 0x00000002L
#define DDLOCK_READONLY 0x00000010L
#define DDLOCK_WRITEONLY 0x00000020L
#define DDLOCK_NOSYSLOCK 0x00000800L
#define DDLOCK_DONOTWAIT 0x00004000L

// ---- Blt ---------------------------------------------------------------------------
#define DDBLT_ALPHADEST 0x00000001
#define DDBLT_ALPHADESTCONSTOVERRIDE 0x00000002
#define DDBLT_ALPHADESTNEG 0x00000004
#define DDBLT_ALPHADESTSURFACEOVERRIDE 0x00000008
#define DDBLT_ALPHAEDGEBLEND 0x00000010
#define DDBLT_ALPHASRC 0x00000020
#define DDBLT_ALPHASRCCONSTOVERRIDE 0x00000040
#define DDBLT_ALPHASRCNEG 0x00000080
#define DDBLT_ALPHASRCSURFACEOVERRIDE 0x00000100
#define DDBLT_ASYNC 0x00000200
#define DDBLT_COLORFILL 0x00000400
#define DDBLT_DDFX 0x00000800
#define DDBLT_DDROPS 0x00001000
#define DDBLT_KEYDEST 0x00002000
#define DDBLT_KEYDESTOVERRIDE 0x00004000
#define DDBLT_KEYSRC 0x00008000
#define DDBLT_KEYSRCOVERRIDE 0x00010000
#define DDBLT_ROP 0x00020000
#define DDBLT_ROTATIONANGLE 0x00040000
#define DDBLT_ZBUFFER 0x00080000
#define DDBLT_WAIT 0x01000000
#define DDBLT_DEPTHFILL 0x02000000
#define DDBLT_DONOTWAIT 0x08000000

// ---- BltFast -------------------------------------------------------------------
#define DDBLTFAST_NOCOLORKEY 0x00000000
#define DDBLTFAST_SRCCOLORKEY 0x00000001
#define DDBLTFAST_DESTCOLORKEY 0x00000002
#define DDBLTFAST_WAIT 0x00000010
#define DDBLTFAST_DONOTWAIT 0x00000020

// ---- colour keys ------------------------------------------------------------------
#define DDCKEY_COLORSPACE 0x00000001
#define DDCKEY_DESTBLT 0x00000002
#define DDCKEY_DESTOVERLAY 0x00000004
#define DDCKEY_SRCBLT 0x00000008
#define DDCKEY_SRCOVERLAY 0x00000010

// ---- palettes -----------------------------------------------------------------------
#define DDPCAPS_4BIT 0x00000001
#define DDPCAPS_8BITENTRIES 0x00000002
#define DDPCAPS_8BIT 0x00000004
#define DDPCAPS_INITIALIZE 0x00000008
#define DDPCAPS_PRIMARYSURFACE 0x00000010
#define DDPCAPS_PRIMARYSURFACELEFT 0x00000020
#define DDPCAPS_ALLOW256 0x00000040
#define DDPCAPS_VSYNC 0x00000080
#define DDPCAPS_1BIT 0x00000100
#define DDPCAPS_2BIT 0x00000200

// ---- vertical blank ---------------------------------------------------------------
#define DDWAITVB_BLOCKBEGIN 0x00000001
#define DDWAITVB_BLOCKBEGINEVENT 0x00000002
#define DDWAITVB_BLOCKEND 0x00000004

// ---- pixel formats --------------------------------------------------------------------
#define DDPF_ALPHAPIXELS 0x00000001
#define DDPF_FOURCC 0x00000004
#define DDPF_PALETTEINDEXED4 0x00000008
#define DDPF_PALETTEINDEXED8 0x00000020
#define DDPF_RGB 0x00000040

// ---- driver capabilities (DDCAPS) ---------------------------------------------------
#define DDCAPS_BLT 0x00000040
#define DDCAPS_BLTSTRETCH 0x00000200
#define DDCAPS_GDI 0x00000400
#define DDCAPS_PALETTE 0x00008000
#define DDCAPS_PALETTEVSYNC 0x00010000
#define DDCAPS_READSCANLINE 0x00020000
#define DDCAPS_VBI 0x00080000
#define DDCAPS_COLORKEY 0x00400000
#define DDCAPS_NOHARDWARE 0x02000000
#define DDCAPS_BLTCOLORFILL 0x04000000
#define DDCAPS_CANCLIP 0x20000000
#define DDCAPS_CANBLTSYSMEM 0x80000000

#define DDCAPS2_NOPAGELOCKREQUIRED 0x00000800
#define DDCAPS2_WIDESURFACES 0x00001000
#define DDCAPS2_CANRENDERWINDOWED 0x00080000

#define DDCKEYCAPS_SRCBLT 0x00000200

#define DDBD_1 0x00004000
#define DDBD_2 0x00002000
#define DDBD_4 0x00001000
#define DDBD_8 0x00000800
#define DDBD_16 0x00000400
#define DDBD_24 0x00000200
#define DDBD_32 0x00000100

// Enumeration callbacks answer whether to go on.
#define DDENUMRET_CANCEL 0
#define DDENUMRET_OK 1

// ---- records -----------------------------------------------------------------------
#ifndef PALETTEENTRY_DEFINED
#define PALETTEENTRY_DEFINED
typedef struct tagPALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
} PALETTEENTRY, *PPALETTEENTRY, *LPPALETTEENTRY;
#endif

// Types that only appear in methods the game never calls.
struct IDirectDraw;
struct IDirectDrawSurface;
struct IDirectDrawClipper;
struct _DDBLTBATCH;
struct _DDOVERLAYFX;
struct tagDDDEVICEIDENTIFIER2;
struct tagSIZE;
typedef IDirectDraw* LPDIRECTDRAW;
typedef IDirectDrawSurface* LPDIRECTDRAWSURFACE;
typedef IDirectDrawClipper* LPDIRECTDRAWCLIPPER;
typedef struct _DDBLTBATCH* LPDDBLTBATCH;
typedef struct _DDOVERLAYFX* LPDDOVERLAYFX;
typedef struct tagDDDEVICEIDENTIFIER2* LPDDDEVICEIDENTIFIER2;
typedef struct tagSIZE* LPSIZE;

struct IDirectDraw2;
struct IDirectDraw7;
struct IDirectDrawSurface7;
struct IDirectDrawPalette;
typedef IDirectDraw2* LPDIRECTDRAW2;
typedef IDirectDraw7* LPDIRECTDRAW7;
typedef IDirectDrawSurface7* LPDIRECTDRAWSURFACE7;
typedef IDirectDrawPalette* LPDIRECTDRAWPALETTE;

typedef struct _DDSCAPS {
  DWORD dwCaps;
} DDSCAPS, *LPDDSCAPS;

typedef struct _DDSCAPS2 {
  DWORD dwCaps;
  DWORD dwCaps2;
  DWORD dwCaps3;
  union {
    DWORD dwCaps4;
    DWORD dwVolumeDepth;
  };
} DDSCAPS2, *LPDDSCAPS2;

typedef struct _DDCOLORKEY {
  DWORD dwColorSpaceLowValue;   // inclusive
  DWORD dwColorSpaceHighValue;  // inclusive
} DDCOLORKEY, *LPDDCOLORKEY;

typedef struct _DDPIXELFORMAT {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwFourCC;
  union {
    DWORD dwRGBBitCount;
    DWORD dwYUVBitCount;
    DWORD dwZBufferBitDepth;
    DWORD dwAlphaBitDepth;
    DWORD dwLuminanceBitCount;
    DWORD dwBumpBitCount;
  };
  union {
    DWORD dwRBitMask;
    DWORD dwYBitMask;
    DWORD dwStencilBitDepth;
    DWORD dwLuminanceBitMask;
    DWORD dwBumpDuBitMask;
  };
  union {
    DWORD dwGBitMask;
    DWORD dwUBitMask;
    DWORD dwZBitMask;
    DWORD dwBumpDvBitMask;
  };
  union {
    DWORD dwBBitMask;
    DWORD dwVBitMask;
    DWORD dwStencilBitMask;
    DWORD dwBumpLuminanceBitMask;
  };
  union {
    DWORD dwRGBAlphaBitMask;
    DWORD dwYUVAlphaBitMask;
    DWORD dwLuminanceAlphaBitMask;
    DWORD dwRGBZBitMask;
    DWORD dwYUVZBitMask;
  };
} DDPIXELFORMAT, *LPDDPIXELFORMAT;

// The DirectX 5 surface description (IDirectDraw2).
typedef struct _DDSURFACEDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  union {
    LONG lPitch;
    DWORD dwLinearSize;
  };
  DWORD dwBackBufferCount;
  union {
    DWORD dwMipMapCount;
    DWORD dwZBufferBitDepth;
    DWORD dwRefreshRate;
  };
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  LPVOID lpSurface;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS ddsCaps;
} DDSURFACEDESC, *LPDDSURFACEDESC;

typedef struct _DDSURFACEDESC2 {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  union {
    LONG lPitch;  // bytes from one row to the next; may exceed the width
    DWORD dwLinearSize;
  };
  union {
    DWORD dwBackBufferCount;
    DWORD dwDepth;
  };
  union {
    DWORD dwMipMapCount;
    DWORD dwRefreshRate;
    DWORD dwSrcVBHandle;
  };
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  LPVOID lpSurface;
  union {
    DDCOLORKEY ddckCKDestOverlay;
    DWORD dwEmptyFaceColor;
  };
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  union {
    DDPIXELFORMAT ddpfPixelFormat;
    DWORD dwFVF;
  };
  DDSCAPS2 ddsCaps;
  DWORD dwTextureStage;
} DDSURFACEDESC2, *LPDDSURFACEDESC2;

typedef struct _DDBLTFX {
  DWORD dwSize;
  DWORD dwDDFX;
  DWORD dwROP;
  DWORD dwDDROP;
  DWORD dwRotationAngle;
  DWORD dwZBufferOpCode;
  DWORD dwZBufferLow;
  DWORD dwZBufferHigh;
  DWORD dwZBufferBaseDest;
  DWORD dwZDestConstBitDepth;
  union {
    DWORD dwZDestConst;
    LPDIRECTDRAWSURFACE lpDDSZBufferDest;
  };
  DWORD dwZSrcConstBitDepth;
  union {
    DWORD dwZSrcConst;
    LPDIRECTDRAWSURFACE lpDDSZBufferSrc;
  };
  DWORD dwAlphaEdgeBlendBitDepth;
  DWORD dwAlphaEdgeBlend;
  DWORD dwReserved;
  DWORD dwAlphaDestConstBitDepth;
  union {
    DWORD dwAlphaDestConst;
    LPDIRECTDRAWSURFACE lpDDSAlphaDest;
  };
  DWORD dwAlphaSrcConstBitDepth;
  union {
    DWORD dwAlphaSrcConst;
    LPDIRECTDRAWSURFACE lpDDSAlphaSrc;
  };
  union {
    DWORD dwFillColor;
    DWORD dwFillDepth;
    DWORD dwFillPixel;
    LPDIRECTDRAWSURFACE lpDDSPattern;
  };
  DDCOLORKEY ddckDestColorkey;
  DDCOLORKEY ddckSrcColorkey;
} DDBLTFX, *LPDDBLTFX;

#define DD_ROP_SPACE (256 / 32)

// The DirectX 7 capability record; both IDirectDraw2 and IDirectDraw7 fill
// it when its dwSize says so.
typedef struct _DDCAPS_DX7 {
  DWORD dwSize;
  DWORD dwCaps;
  DWORD dwCaps2;
  DWORD dwCKeyCaps;
  DWORD dwFXCaps;
  DWORD dwFXAlphaCaps;
  DWORD dwPalCaps;
  DWORD dwSVCaps;
  DWORD dwAlphaBltConstBitDepths;
  DWORD dwAlphaBltPixelBitDepths;
  DWORD dwAlphaBltSurfaceBitDepths;
  DWORD dwAlphaOverlayConstBitDepths;
  DWORD dwAlphaOverlayPixelBitDepths;
  DWORD dwAlphaOverlaySurfaceBitDepths;
  DWORD dwZBufferBitDepths;
  DWORD dwVidMemTotal;
  DWORD dwVidMemFree;
  DWORD dwMaxVisibleOverlays;
  DWORD dwCurrVisibleOverlays;
  DWORD dwNumFourCCCodes;
  DWORD dwAlignBoundarySrc;
  DWORD dwAlignSizeSrc;
  DWORD dwAlignBoundaryDest;
  DWORD dwAlignSizeDest;
  DWORD dwAlignStrideAlign;
  DWORD dwRops[DD_ROP_SPACE];
  DDSCAPS ddsOldCaps;
  DWORD dwMinOverlayStretch;
  DWORD dwMaxOverlayStretch;
  DWORD dwMinLiveVideoStretch;
  DWORD dwMaxLiveVideoStretch;
  DWORD dwMinHwCodecStretch;
  DWORD dwMaxHwCodecStretch;
  DWORD dwReserved1;
  DWORD dwReserved2;
  DWORD dwReserved3;
  DWORD dwSVBCaps;
  DWORD dwSVBCKeyCaps;
  DWORD dwSVBFXCaps;
  DWORD dwSVBRops[DD_ROP_SPACE];
  DWORD dwVSBCaps;
  DWORD dwVSBCKeyCaps;
  DWORD dwVSBFXCaps;
  DWORD dwVSBRops[DD_ROP_SPACE];
  DWORD dwSSBCaps;
  DWORD dwSSBCKeyCaps;
  DWORD dwSSBFXCaps;
  DWORD dwSSBRops[DD_ROP_SPACE];
  DWORD dwMaxVideoPorts;
  DWORD dwCurrVideoPorts;
  DWORD dwSVBCaps2;
  DWORD dwNLVBCaps;
  DWORD dwNLVBCaps2;
  DWORD dwNLVBCKeyCaps;
  DWORD dwNLVBFXCaps;
  DWORD dwNLVBRops[DD_ROP_SPACE];
  DDSCAPS2 ddsCaps;
} DDCAPS_DX7, *LPDDCAPS_DX7;
typedef DDCAPS_DX7 DDCAPS;
typedef DDCAPS* LPDDCAPS;

// Only DWORDs: the same 380 bytes on 32-bit and 64-bit Windows.
static_assert(sizeof(DDCAPS) == 380, "DDCAPS (DirectX 7) is 380 bytes");
static_assert(sizeof(DDPIXELFORMAT) == 32, "DDPIXELFORMAT is 32 bytes");
static_assert(sizeof(DDSCAPS2) == 16, "DDSCAPS2 is 16 bytes");
static_assert(sizeof(DDCOLORKEY) == 8, "DDCOLORKEY is 8 bytes");
static_assert(sizeof(PALETTEENTRY) == 4, "PALETTEENTRY is 4 bytes");
// The surface pointer makes the descriptions depend on the pointer size
// (124 bytes for DDSURFACEDESC2 with 32-bit pointers).
static_assert(sizeof(DDSURFACEDESC2) == (sizeof(void*) == 4 ? 124 : 136), "DDSURFACEDESC2 layout");
static_assert(sizeof(DDSURFACEDESC) == (sizeof(void*) == 4 ? 108 : 120), "DDSURFACEDESC layout");

// ---- callbacks -------------------------------------------------------------------------
typedef BOOL(CALLBACK* LPDDENUMCALLBACKA)(GUID* lpGUID, LPSTR lpDriverDescription, LPSTR lpDriverName,
                                          LPVOID lpContext);
typedef HRESULT(CALLBACK* LPDDENUMMODESCALLBACK)(LPDDSURFACEDESC, LPVOID);
typedef HRESULT(CALLBACK* LPDDENUMMODESCALLBACK2)(LPDDSURFACEDESC2, LPVOID);
typedef HRESULT(CALLBACK* LPDDENUMSURFACESCALLBACK)(LPDIRECTDRAWSURFACE, LPDDSURFACEDESC, LPVOID);
typedef HRESULT(CALLBACK* LPDDENUMSURFACESCALLBACK7)(LPDIRECTDRAWSURFACE7, LPDDSURFACEDESC2, LPVOID);

// ---- interfaces (methods in vtable order) ------------------------------------------------
struct IDirectDrawPalette : public IUnknown {
  virtual HRESULT WINAPI GetCaps(LPDWORD lpdwCaps) = 0;
  virtual HRESULT WINAPI GetEntries(DWORD dwFlags, DWORD dwBase, DWORD dwNumEntries,
                                    LPPALETTEENTRY lpEntries) = 0;
  virtual HRESULT WINAPI Initialize(LPDIRECTDRAW lpDD, DWORD dwFlags, LPPALETTEENTRY lpDDColorTable) = 0;
  virtual HRESULT WINAPI SetEntries(DWORD dwFlags, DWORD dwStartingEntry, DWORD dwCount,
                                    LPPALETTEENTRY lpEntries) = 0;
};

struct IDirectDraw2 : public IUnknown {
  virtual HRESULT WINAPI Compact() = 0;
  virtual HRESULT WINAPI CreateClipper(DWORD dwFlags, LPDIRECTDRAWCLIPPER* lplpDDClipper,
                                       IUnknown* pUnkOuter) = 0;
  virtual HRESULT WINAPI CreatePalette(DWORD dwFlags, LPPALETTEENTRY lpColorTable,
                                       LPDIRECTDRAWPALETTE* lplpDDPalette, IUnknown* pUnkOuter) = 0;
  virtual HRESULT WINAPI CreateSurface(LPDDSURFACEDESC lpDDSurfaceDesc, LPDIRECTDRAWSURFACE* lplpDDSurface,
                                       IUnknown* pUnkOuter) = 0;
  virtual HRESULT WINAPI DuplicateSurface(LPDIRECTDRAWSURFACE lpDDSurface,
                                          LPDIRECTDRAWSURFACE* lplpDupDDSurface) = 0;
  virtual HRESULT WINAPI EnumDisplayModes(DWORD dwFlags, LPDDSURFACEDESC lpDDSurfaceDesc, LPVOID lpContext,
                                          LPDDENUMMODESCALLBACK lpEnumModesCallback) = 0;
  virtual HRESULT WINAPI EnumSurfaces(DWORD dwFlags, LPDDSURFACEDESC lpDDSD, LPVOID lpContext,
                                      LPDDENUMSURFACESCALLBACK lpEnumSurfacesCallback) = 0;
  virtual HRESULT WINAPI FlipToGDISurface() = 0;
  virtual HRESULT WINAPI GetCaps(LPDDCAPS lpDDDriverCaps, LPDDCAPS lpDDHELCaps) = 0;
  virtual HRESULT WINAPI GetDisplayMode(LPDDSURFACEDESC lpDDSurfaceDesc) = 0;
  virtual HRESULT WINAPI GetFourCCCodes(LPDWORD lpNumCodes, LPDWORD lpCodes) = 0;
  virtual HRESULT WINAPI GetGDISurface(LPDIRECTDRAWSURFACE* lplpGDIDDSurface) = 0;
  virtual HRESULT WINAPI GetMonitorFrequency(LPDWORD lpdwFrequency) = 0;
  virtual HRESULT WINAPI GetScanLine(LPDWORD lpdwScanLine) = 0;
  virtual HRESULT WINAPI GetVerticalBlankStatus(BOOL* lpbIsInVB) = 0;
  virtual HRESULT WINAPI Initialize(GUID* lpGUID) = 0;
  virtual HRESULT WINAPI RestoreDisplayMode() = 0;
  virtual HRESULT WINAPI SetCooperativeLevel(HWND hWnd, DWORD dwFlags) = 0;
  virtual HRESULT WINAPI SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP, DWORD dwRefreshRate,
                                        DWORD dwFlags) = 0;
  virtual HRESULT WINAPI WaitForVerticalBlank(DWORD dwFlags, HANDLE hEvent) = 0;
  virtual HRESULT WINAPI GetAvailableVidMem(LPDDSCAPS lpDDCaps, LPDWORD lpdwTotal, LPDWORD lpdwFree) = 0;
};

struct IDirectDraw7 : public IUnknown {
  virtual HRESULT WINAPI Compact() = 0;
  virtual HRESULT WINAPI CreateClipper(DWORD dwFlags, LPDIRECTDRAWCLIPPER* lplpDDClipper,
                                       IUnknown* pUnkOuter) = 0;
  virtual HRESULT WINAPI CreatePalette(DWORD dwFlags, LPPALETTEENTRY lpColorTable,
                                       LPDIRECTDRAWPALETTE* lplpDDPalette, IUnknown* pUnkOuter) = 0;
  virtual HRESULT WINAPI CreateSurface(LPDDSURFACEDESC2 lpDDSurfaceDesc, LPDIRECTDRAWSURFACE7* lplpDDSurface,
                                       IUnknown* pUnkOuter) = 0;
  virtual HRESULT WINAPI DuplicateSurface(LPDIRECTDRAWSURFACE7 lpDDSurface,
                                          LPDIRECTDRAWSURFACE7* lplpDupDDSurface) = 0;
  virtual HRESULT WINAPI EnumDisplayModes(DWORD dwFlags, LPDDSURFACEDESC2 lpDDSurfaceDesc, LPVOID lpContext,
                                          LPDDENUMMODESCALLBACK2 lpEnumModesCallback) = 0;
  virtual HRESULT WINAPI EnumSurfaces(DWORD dwFlags, LPDDSURFACEDESC2 lpDDSD, LPVOID lpContext,
                                      LPDDENUMSURFACESCALLBACK7 lpEnumSurfacesCallback) = 0;
  virtual HRESULT WINAPI FlipToGDISurface() = 0;
  virtual HRESULT WINAPI GetCaps(LPDDCAPS lpDDDriverCaps, LPDDCAPS lpDDHELCaps) = 0;
  virtual HRESULT WINAPI GetDisplayMode(LPDDSURFACEDESC2 lpDDSurfaceDesc) = 0;
  virtual HRESULT WINAPI GetFourCCCodes(LPDWORD lpNumCodes, LPDWORD lpCodes) = 0;
  virtual HRESULT WINAPI GetGDISurface(LPDIRECTDRAWSURFACE7* lplpGDIDDSurface) = 0;
  virtual HRESULT WINAPI GetMonitorFrequency(LPDWORD lpdwFrequency) = 0;
  virtual HRESULT WINAPI GetScanLine(LPDWORD lpdwScanLine) = 0;
  virtual HRESULT WINAPI GetVerticalBlankStatus(BOOL* lpbIsInVB) = 0;
  virtual HRESULT WINAPI Initialize(GUID* lpGUID) = 0;
  virtual HRESULT WINAPI RestoreDisplayMode() = 0;
  virtual HRESULT WINAPI SetCooperativeLevel(HWND hWnd, DWORD dwFlags) = 0;
  virtual HRESULT WINAPI SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP, DWORD dwRefreshRate,
                                        DWORD dwFlags) = 0;
  virtual HRESULT WINAPI WaitForVerticalBlank(DWORD dwFlags, HANDLE hEvent) = 0;
  virtual HRESULT WINAPI GetAvailableVidMem(LPDDSCAPS2 lpDDCaps, LPDWORD lpdwTotal, LPDWORD lpdwFree) = 0;
  virtual HRESULT WINAPI GetSurfaceFromDC(HDC hdc, LPDIRECTDRAWSURFACE7* pSurf) = 0;
  virtual HRESULT WINAPI RestoreAllSurfaces() = 0;
  virtual HRESULT WINAPI TestCooperativeLevel() = 0;
  virtual HRESULT WINAPI GetDeviceIdentifier(LPDDDEVICEIDENTIFIER2 pDDDI, DWORD dwFlags) = 0;
  virtual HRESULT WINAPI StartModeTest(LPSIZE pModes, DWORD dwNumModes, DWORD dwFlags) = 0;
  virtual HRESULT WINAPI EvaluateMode(DWORD dwFlags, DWORD* pTimeout) = 0;
};

struct IDirectDrawSurface7 : public IUnknown {
  virtual HRESULT WINAPI AddAttachedSurface(LPDIRECTDRAWSURFACE7 lpDDSAttachedSurface) = 0;
  virtual HRESULT WINAPI AddOverlayDirtyRect(LPRECT lpRect) = 0;
  virtual HRESULT WINAPI Blt(LPRECT lpDestRect, LPDIRECTDRAWSURFACE7 lpDDSrcSurface, LPRECT lpSrcRect,
                             DWORD dwFlags, LPDDBLTFX lpDDBltFx) = 0;
  virtual HRESULT WINAPI BltBatch(LPDDBLTBATCH lpDDBltBatch, DWORD dwCount, DWORD dwFlags) = 0;
  virtual HRESULT WINAPI BltFast(DWORD dwX, DWORD dwY, LPDIRECTDRAWSURFACE7 lpDDSrcSurface, LPRECT lpSrcRect,
                                 DWORD dwTrans) = 0;
  virtual HRESULT WINAPI DeleteAttachedSurface(DWORD dwFlags, LPDIRECTDRAWSURFACE7 lpDDSAttachedSurface) = 0;
  virtual HRESULT WINAPI EnumAttachedSurfaces(LPVOID lpContext,
                                              LPDDENUMSURFACESCALLBACK7 lpEnumSurfacesCallback) = 0;
  virtual HRESULT WINAPI EnumOverlayZOrders(DWORD dwFlags, LPVOID lpContext,
                                            LPDDENUMSURFACESCALLBACK7 lpfnCallback) = 0;
  virtual HRESULT WINAPI Flip(LPDIRECTDRAWSURFACE7 lpDDSurfaceTargetOverride, DWORD dwFlags) = 0;
  virtual HRESULT WINAPI GetAttachedSurface(LPDDSCAPS2 lpDDSCaps, LPDIRECTDRAWSURFACE7* lplpDDAttachedSurface) = 0;
  virtual HRESULT WINAPI GetBltStatus(DWORD dwFlags) = 0;
  virtual HRESULT WINAPI GetCaps(LPDDSCAPS2 lpDDSCaps) = 0;
  virtual HRESULT WINAPI GetClipper(LPDIRECTDRAWCLIPPER* lplpDDClipper) = 0;
  virtual HRESULT WINAPI GetColorKey(DWORD dwFlags, LPDDCOLORKEY lpDDColorKey) = 0;
  virtual HRESULT WINAPI GetDC(HDC* lphDC) = 0;
  virtual HRESULT WINAPI GetFlipStatus(DWORD dwFlags) = 0;
  virtual HRESULT WINAPI GetOverlayPosition(LPLONG lplX, LPLONG lplY) = 0;
  virtual HRESULT WINAPI GetPalette(LPDIRECTDRAWPALETTE* lplpDDPalette) = 0;
  virtual HRESULT WINAPI GetPixelFormat(LPDDPIXELFORMAT lpDDPixelFormat) = 0;
  virtual HRESULT WINAPI GetSurfaceDesc(LPDDSURFACEDESC2 lpDDSurfaceDesc) = 0;
  virtual HRESULT WINAPI Initialize(LPDIRECTDRAW lpDD, LPDDSURFACEDESC2 lpDDSurfaceDesc) = 0;
  virtual HRESULT WINAPI IsLost() = 0;
  virtual HRESULT WINAPI Lock(LPRECT lpDestRect, LPDDSURFACEDESC2 lpDDSurfaceDesc, DWORD dwFlags,
                              HANDLE hEvent) = 0;
  virtual HRESULT WINAPI ReleaseDC(HDC hDC) = 0;
  virtual HRESULT WINAPI Restore() = 0;
  virtual HRESULT WINAPI SetClipper(LPDIRECTDRAWCLIPPER lpDDClipper) = 0;
  virtual HRESULT WINAPI SetColorKey(DWORD dwFlags, LPDDCOLORKEY lpDDColorKey) = 0;
  virtual HRESULT WINAPI SetOverlayPosition(LONG lX, LONG lY) = 0;
  virtual HRESULT WINAPI SetPalette(LPDIRECTDRAWPALETTE lpDDPalette) = 0;
  virtual HRESULT WINAPI Unlock(LPRECT lpSurfaceData) = 0;
  virtual HRESULT WINAPI UpdateOverlay(LPRECT lpSrcRect, LPDIRECTDRAWSURFACE7 lpDDDestSurface, LPRECT lpDestRect,
                                       DWORD dwFlags, LPDDOVERLAYFX lpDDOverlayFx) = 0;
  virtual HRESULT WINAPI UpdateOverlayDisplay(DWORD dwFlags) = 0;
  virtual HRESULT WINAPI UpdateOverlayZOrder(DWORD dwFlags, LPDIRECTDRAWSURFACE7 lpDDSReference) = 0;
  virtual HRESULT WINAPI GetDDInterface(LPVOID* lplpDD) = 0;
  virtual HRESULT WINAPI PageLock(DWORD dwFlags) = 0;
  virtual HRESULT WINAPI PageUnlock(DWORD dwFlags) = 0;
  virtual HRESULT WINAPI SetSurfaceDesc(LPDDSURFACEDESC2 lpDDSD, DWORD dwFlags) = 0;
  virtual HRESULT WINAPI SetPrivateData(REFGUID tag, LPVOID pData, DWORD cbSize, DWORD dwFlags) = 0;
  virtual HRESULT WINAPI GetPrivateData(REFGUID tag, LPVOID pBuffer, LPDWORD pcbBufferSize) = 0;
  virtual HRESULT WINAPI FreePrivateData(REFGUID tag) = 0;
  virtual HRESULT WINAPI GetUniquenessValue(LPDWORD pValue) = 0;
  virtual HRESULT WINAPI ChangeUniquenessValue() = 0;
  virtual HRESULT WINAPI SetPriority(DWORD prio) = 0;
  virtual HRESULT WINAPI GetPriority(LPDWORD prio) = 0;
  virtual HRESULT WINAPI SetLOD(DWORD lod) = 0;
  virtual HRESULT WINAPI GetLOD(LPDWORD lod) = 0;
};

// ---- functions --------------------------------------------------------------------------
// Creates the DirectDraw object of a display device (null: the primary
// display) with the interface iid (IID_IDirectDraw7).
HRESULT WINAPI DirectDrawCreateEx(GUID* lpGuid, LPVOID* lplpDD, REFIID iid, IUnknown* pUnkOuter);
// Calls back once per display device; the primary display comes with a null
// GUID.
HRESULT WINAPI DirectDrawEnumerateA(LPDDENUMCALLBACKA lpCallback, LPVOID lpContext);
#define DirectDrawEnumerate DirectDrawEnumerateA
