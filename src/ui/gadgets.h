// Gadgets: the buttons of a screen, read from its screen-data file, drawn,
// pressed and released with their pictures and labels; input events turn
// into the gadget that fired, whose command code the screen acts on. The
// state lives in the ScreenRegion.
#pragma once

#include <cstdint>

#include "gfx/bitmap.h"
#include "pictures/screendata.h"

namespace vsk {

// Command codes (the four characters in file order).
constexpr uint32_t kCommandChoose = 0x43483030;   // CH00
constexpr uint32_t kCommandDown = 0x444F3030;     // DO00
constexpr uint32_t kCommandUp = 0x55503030;       // UP00
constexpr uint32_t kCommandTrack = 0x52455130;    // REQ0
constexpr uint32_t kCommandInfo = 0x494E464F;     // INFO
constexpr uint32_t kCommandOk = 0x4F4B4F4B;       // OKOK
constexpr uint32_t kCommandExit = 0x45584954;     // EXIT
// KEY!, the built-in gadget of key events: kCommandKey (screendata.h).

// A null rastport means the screen.
void DrawGadgets(RastPort* rastPort, ScreenRegion* region);
void SetGadgetOrigin(ScreenRegion* region, uint32_t x, uint32_t y);
// The first shown gadget whose area holds the pointer, or null.
Gadget* FindGadget(ScreenRegion* region);
void DrawGadgetPressed(RastPort* rastPort, ScreenRegion* region, Gadget* gadget);
void DrawGadgetReleased(RastPort* rastPort, ScreenRegion* region, Gadget* gadget);
// The gadget an event fires, or null.
Gadget* HandleGadgetEvent(RastPort* rastPort, ScreenRegion* region, int32_t event);

}  // namespace vsk
