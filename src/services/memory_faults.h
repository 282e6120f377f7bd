// Test switches of AllocVec: make a chosen allocation fail, and count the
// blocks that are still live, so that every failure path can be driven and
// checked for leaks. The program never calls these.
#pragma once

#include <cstdint>

namespace vsk {

// The n-th AllocVec from now on fails (1 = the next one); 0 switches off.
void FailAllocVecAt(uint32_t n);

// Number of AllocVec blocks not yet given back to FreeVec.
int64_t LiveAllocVecBlocks();

// Number of AllocVec calls so far, failed ones included: the difference
// around an operation tells how many allocations a failure walk must try.
uint64_t AllocVecCalls();

}  // namespace vsk
