// Everything that draws through a rastport: the bitmap and rastport records
// with their pens and primitives (gfx/bitmap.h), and fonts and text
// (gfx/font.h).
#pragma once

#include "gfx/bitmap.h"
#include "gfx/font.h"
