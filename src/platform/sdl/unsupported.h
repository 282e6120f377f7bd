// A call or an argument the game uses that this layer does not provide ends
// the process loudly instead of pretending to work.
#pragma once

#include <cstdio>
#include <cstdlib>

#define VSK_UNSUPPORTED(what)                                                                 \
  do {                                                                                        \
    std::fprintf(stderr, "%s:%d: not provided by the compatibility layer: %s\n", __FILE__, \
                 __LINE__, what);                                                             \
    std::abort();                                                                             \
  } while (0)
