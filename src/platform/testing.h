// Test hooks of the compatibility layer. Only tests include this header; the
// program never calls it. On Windows none of these exist.
#pragma once

#include <cstdint>
#include <string>

namespace vsk::platform::testing {

// ---- registry -------------------------------------------------------------

// ---- windows, input, message boxes, display modes --------------------------

}  // namespace vsk::platform::testing
