#include "core/dd_objects.h"

namespace vsk {

IDirectDraw7* DDObject = nullptr;
IDirectDrawSurface7* PrimarySurface = nullptr;
IDirectDrawSurface7* OffscreenSurface = nullptr;
IDirectDrawSurface7* PointerSurface = nullptr;
IDirectDrawPalette* DDPalette = nullptr;

}  // namespace vsk
