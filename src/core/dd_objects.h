// The DirectDraw objects through which the screen reaches the display in
// DirectDraw mode; null when absent. Created and released by the DirectDraw
// presenter, used by drawing, blits, the screen update and the palette.
#pragma once

struct IDirectDraw7;
struct IDirectDrawSurface7;
struct IDirectDrawPalette;

namespace vsk {

extern IDirectDraw7* DDObject;
extern IDirectDrawSurface7* PrimarySurface;    // the visible 640 x 480 surface
extern IDirectDrawSurface7* OffscreenSurface;  // 640 x 480, the screen bitmap's surface
extern IDirectDrawSurface7* PointerSurface;    // 32 x 27, colour key 0
extern IDirectDrawPalette* DDPalette;          // attached to PrimarySurface

}  // namespace vsk
