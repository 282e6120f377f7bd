#include "ui/gadgets.h"

#include "gfx/screen_update.h"
#include "pictures/blit.h"
#include "pictures/events.h"

namespace vsk {

namespace {

RegionSection& Gadgets(ScreenRegion* region) { return region->sections[kSectionGadgets]; }

Gadget* GadgetAt(ScreenRegion* region, uint32_t index) { return static_cast<Gadget*>(Gadgets(region).records) + index; }

// One gadget in the state its picture id stands for, over its area moved
// by the region's origin.
void DrawGadget(RastPort* rastPort, ScreenRegion* region, const Gadget* gadget, uint16_t image) {
  if (gadget->flags & kGadgetHidden) return;
  const uint32_t x = gadget->left + region->originX;
  const uint32_t y = gadget->top + region->originY;
  const uint16_t width = static_cast<uint16_t>(gadget->right - gadget->left);
  const uint16_t height = static_cast<uint16_t>(gadget->bottom - gadget->top);
  const bool masked = gadget->flags & kGadgetMasked;
  if (!(gadget->flags & kGadgetLabelled)) {
    if (masked)
      BlitObjektMask(rastPort, image, 0, x, y, width, height);
    else
      BlitObjekt(rastPort, image, x, y, width, height);
    return;
  }
  const char* label = GadgetLabel(region->data, gadget);
  if (!label) label = "";
  if (masked)
    BlitObjektMaskText(rastPort, image, label, static_cast<uint16_t>(x), static_cast<uint16_t>(y), width, height);
  else
    BlitObjektText(rastPort, image, label, static_cast<uint16_t>(x), static_cast<uint16_t>(y), width, height);
}

}  // namespace

void DrawGadgets(RastPort* rastPort, ScreenRegion* region) {
  if (!region || !Gadgets(region).records) return;
  for (uint32_t i = 0; i < Gadgets(region).count; ++i) {
    const Gadget* gadget = GadgetAt(region, i);
    if (gadget->inactive == 1) continue;
    DrawGadget(rastPort, region, gadget, gadget->image);
  }
}

void SetGadgetOrigin(ScreenRegion* region, uint32_t x, uint32_t y) {
  if (!region) return;
  region->originX = x;
  region->originY = y;
}

Gadget* FindGadget(ScreenRegion* region) {
  if (!region || !Gadgets(region).records) return nullptr;
  for (uint32_t i = 0; i < Gadgets(region).count; ++i) {
    Gadget* gadget = GadgetAt(region, i);
    if (gadget->inactive != 0) continue;
    const auto left = static_cast<uint16_t>(gadget->left + region->originX);
    const auto right = static_cast<uint16_t>(gadget->right + region->originX);
    const auto top = static_cast<uint16_t>(gadget->top + region->originY);
    const auto bottom = static_cast<uint16_t>(gadget->bottom + region->originY);
    if (PointerInRect(left, right, top, bottom)) return gadget;
  }
  return nullptr;
}

void DrawGadgetPressed(RastPort* rastPort, ScreenRegion* region, Gadget* gadget) {
  if (region && gadget) DrawGadget(rastPort, region, gadget, gadget->pressedImage);
}

void DrawGadgetReleased(RastPort* rastPort, ScreenRegion* region, Gadget* gadget) {
  if (region && gadget) DrawGadget(rastPort, region, gadget, gadget->image);
}

Gadget* HandleGadgetEvent(RastPort* rastPort, ScreenRegion* region, int32_t event) {
  if (!region || event == 0) return nullptr;
  if (event >= 1 && event <= 255) {
    // Key events and event 8 (right-button release, window close).
    region->builtinGadget.command = kCommandKey;
    region->builtinGadget.flags = static_cast<uint16_t>(event);
    return &region->builtinGadget;
  }
  Gadget* under = (event == kEventLeftDown || region->buttonUp == 0) ? FindGadget(region) : nullptr;
  Gadget* pressed = region->pressedGadget;

  if (event == kEventTick) {
    if (pressed && under == pressed && (pressed->flags & kGadgetRepeats)) return pressed;
    return nullptr;
  }
  if (event == kEventLeftUp) {
    region->buttonUp = 1;
    if (!pressed) return nullptr;
    DrawGadgetReleased(rastPort, region, pressed);
    region->pressedGadget = nullptr;
    return (pressed->flags & kGadgetRepeats) ? nullptr : pressed;
  }
  if (event == kEventLeftDown) {
    if (region->buttonUp && under) {
      region->buttonUp = 0;
      DrawGadgetPressed(rastPort, region, under);
      region->pressedGadget = under;
      if (under->flags & kGadgetRepeats) return under;
    }
    // Dragged off the pressed gadget: it goes up without firing.
    if (region->pressedGadget && under != region->pressedGadget) {
      DrawGadgetReleased(rastPort, region, region->pressedGadget);
      region->pressedGadget = nullptr;
    }
  }
  return nullptr;
}

}  // namespace vsk
