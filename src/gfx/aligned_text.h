// A string aligned in a rectangle: titles of requester boxes and the labels
// of gadget graphics.
#pragma once

#include <cstdint>

#include "gfx/bitmap.h"

namespace vsk {

// Flag bits of DrawAlignedText.
constexpr uint16_t kAlignFill = 8;          // fill the rectangle with backPen first
constexpr uint16_t kAlignCentreX = 1;       // centred between left and right
constexpr uint16_t kAlignRight = 2;         // ends at right
constexpr uint16_t kAlignTopBaseline = 16;  // baseline one font baseline below top
constexpr uint16_t kAlignBottom = 64;       // baseline on bottom
constexpr uint16_t kAlignCentreY = 32;      // font box centred between top and bottom
constexpr uint16_t kAlignAddBaseline = 4;   // add the font's baseline to y
constexpr uint16_t kAlignRaise = 128;       // two rows higher
constexpr uint16_t kAlignShadow = 256;      // pen 0 one row below
constexpr uint16_t kAlignOutline = 512;     // pen 0 one pixel around

// Draws text in textPen into the rectangle left, top, right, bottom of the
// rastport (null = the screen), placed by the flag bits above; 37 (centred
// both ways with the baseline added) is the usual value. The text background
// stays transparent: the rastport is left in JAM1. 16-bit coordinates.
void DrawAlignedText(RastPort* rastPort, uint16_t left, uint16_t top, uint16_t right,
                     uint16_t bottom, const char* text, uint8_t backPen, uint8_t textPen,
                     uint16_t flags);

}  // namespace vsk
