#include "gfx/bitmap.h"

namespace vsk {

Screen* TheScreen = nullptr;
ColorEntry ScreenColors[256];
ColorEntry GLColors[256];

}  // namespace vsk
