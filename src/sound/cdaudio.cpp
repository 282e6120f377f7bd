#include "sound/cdaudio.h"

namespace vsk {

bool IsCD() { return false; }

}  // namespace vsk
