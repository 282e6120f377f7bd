#include "core/context.h"

namespace vsk {

// Static storage: both records are all zero when the process starts.
SystemContext System;
PlayerRecord Player;

}  // namespace vsk
